// Helpers for the tests of the entry windows and commands: entries served by a fake
// component, uninstall keys planted in the test prefix, and a hand for modal windows.
#pragma once
#include "app/QuorbelLib_TLB.h"
#include "framework/Forms.h"
#include "framework/Guards.h"
#include "framework/Registry.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace entrytest {

// What one fake entry answers.
struct TEntryData {
    std::wstring DisplayName, RegistryName, Publisher, InstallLocation, LastUsed, InstallDate, Version, HelpLink,
        AboutLink, UpdateLink;
    bool IsPatch = false;
    ULONG UsageCount = 0;
    FLOAT Size = 0;
    std::vector<std::pair<std::wstring, std::wstring>> Values;
    HRESULT SetCommentResult = S_OK;
    LONG View = sizeof(void*) * 8;   // the registry view, as IProgramList::ProgramView gives it
};

// IUnknown and IDispatch for objects that live in the test: counted, never deleted.
template <class I, const IID& Own>
struct TCounted : I {
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, Own)
                   ? static_cast<I*>(this) : nullptr;
        if (*ppv) AddRef();
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++Refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--Refs); }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
    static HRESULT Text(const std::wstring& v, BSTR* out) {
        *out = SysAllocStringLen(v.data(), static_cast<UINT>(v.size()));
        return S_OK;
    }
    LONG Refs = 0;
};

#define ENTRY_TEXT(Name) STDMETHODIMP Name(BSTR* v) override { return Text(D.Name, v); }
struct TFakeEntry final : TCounted<IProgramItem, IID_IProgramItem> {
    explicit TFakeEntry(TEntryData data) : D(std::move(data)) {}
    ENTRY_TEXT(DisplayName) ENTRY_TEXT(RegistryName) ENTRY_TEXT(Publisher) ENTRY_TEXT(InstallLocation)
    ENTRY_TEXT(LastUsed) ENTRY_TEXT(InstallDate) ENTRY_TEXT(Version) ENTRY_TEXT(HelpLink) ENTRY_TEXT(AboutLink)
    ENTRY_TEXT(UpdateLink)
    STDMETHODIMP UninstallString(BSTR* v) override { return Text(L"", v); }
    STDMETHODIMP LoadDetails(BSTR name) override { DetailsLoadedFor = name ? name : L""; return S_OK; }
    STDMETHODIMP IsSystemPatch(LONG* v) override { *v = D.IsPatch; return S_OK; }
    STDMETHODIMP IconIndex(LONG* v) override { *v = 0; return S_OK; }
    STDMETHODIMP UsageCount(ULONG* v) override { *v = D.UsageCount; return S_OK; }
    STDMETHODIMP Size(FLOAT* v) override { *v = D.Size; return S_OK; }
    STDMETHODIMP RegistryValueCount(ULONG* v) override { *v = static_cast<ULONG>(D.Values.size()); return S_OK; }
    STDMETHODIMP RegistryValueName(LONG i, BSTR* v) override { return Text(D.Values.at(i).first, v); }
    STDMETHODIMP RegistryValueData(LONG i, BSTR* v) override { return Text(D.Values.at(i).second, v); }
    STDMETHODIMP SetComment(BSTR) override { return D.SetCommentResult; }
    TEntryData D;
    std::wstring DetailsLoadedFor;
};
#undef ENTRY_TEXT

// A component that lists the given entries in order; an index past them fails.
#define NOT_USED(Name, ...) STDMETHODIMP Name(__VA_ARGS__) override { return E_NOTIMPL; }
struct TFakeEntries final : TCounted<IProgramList, IID_IProgramList> {
    explicit TFakeEntries(const std::vector<TEntryData>& entries) {
        for (const TEntryData& d : entries) Entries.push_back(std::make_unique<TFakeEntry>(d));
    }
    STDMETHODIMP Item(LONG i, IProgramItem** v) override {
        *v = i >= 0 && static_cast<size_t>(i) < Entries.size() ? Entries[i].get() : nullptr;
        if (!*v) return E_INVALIDARG;
        (*v)->AddRef();
        return S_OK;
    }
    STDMETHODIMP ProgramCount(ULONG* v) override { *v = static_cast<ULONG>(Entries.size()); return S_OK; }
    NOT_USED(ScreenSaverCount, ULONG*) NOT_USED(ScreenSaverFileName, LONG, BSTR*)
    NOT_USED(ScreenSaverPublisher, LONG, BSTR*) NOT_USED(ScreenSaverDirectory, LONG, BSTR*)
    NOT_USED(ScreenSaverDisplayName, LONG, BSTR*) NOT_USED(ScreenSaverIconIndex, LONG, LONG*)
    NOT_USED(ScreenSaverSize, LONG, ULONG*) NOT_USED(ScreenSaverLastUsed, LONG, BSTR*) NOT_USED(RefreshPrograms)
    NOT_USED(RefreshScreenSavers) NOT_USED(ProgramIndexOf, BSTR, LONG, LONG*) NOT_USED(GetComment, BSTR, LONG, BSTR*)
    NOT_USED(ScreenSaverIndexOf, BSTR, LONG*) NOT_USED(ScreenSaverPath, LONG, BSTR*)
    NOT_USED(ComponentVersion, BSTR*) NOT_USED(Reserved19) NOT_USED(Reserved20)
    STDMETHODIMP ProgramView(LONG i, LONG* v) override {
        if (i < 0 || static_cast<size_t>(i) >= Entries.size()) return E_INVALIDARG;
        *v = Entries[i]->D.View;
        return S_OK;
    }
    std::vector<std::unique_ptr<TFakeEntry>> Entries;
};
#undef NOT_USED

// A listed uninstall entry in the test prefix's registry, in the view a KEY_WOW64_* flag
// names, removed again at the end.
struct TPlantedKey {
    TPlantedKey(std::string name, REGSAM view) : Name(std::move(name)), View(view) {
        Remove();
        TRegistry reg(KEY_ALL_ACCESS | View);
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!(Planted = reg.OpenKey(Path(), true))) return;
        reg.WriteString("DisplayName", "Planted " + Name);
        reg.WriteString("UninstallString", "C:\\Planted\\unins.exe");
    }
    ~TPlantedKey() { Remove(); }
    static constexpr const char* kEntries = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    std::string Path() const { return std::string(kEntries) + "\\" + Name; }
    void Remove() const {
        TKeyHandle entries;
        if (!Name.empty() &&
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEntries, 0, KEY_ALL_ACCESS | View, entries.Put()) == ERROR_SUCCESS)
            RegDeleteTreeA(entries.Get(), Name.c_str());
    }
    const std::string Name;
    const REGSAM View;
    bool Planted = false;
};

// Does work once with the first T that becomes the active form (a modal window the test then
// shows through the code under test); the work ends the showing (a click, a close).
template <class T>
auto WhenActive(std::function<void(T&)> work) {
    Screen->OnActiveFormChange = [work = std::move(work)](TObject*) mutable {
        if (auto* form = dynamic_cast<T*>(Screen->ActiveForm()); form && work) std::exchange(work, nullptr)(*form);
    };
    return TScopeExit([] { Screen->OnActiveFormChange = nullptr; });
}

} // namespace entrytest
