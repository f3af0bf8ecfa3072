// Helpers for the tests of the entry windows and commands: program entries served by a fake
// component, uninstall keys planted in the test prefix, and a hand that works a modal window.
#pragma once
#include "app/QuorbelLib_TLB.h"
#include "framework/Forms.h"
#include "framework/Registry.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace entrytest {

// What one fake entry answers.
struct TEntryData {
    std::wstring DisplayName, RegistryName, Publisher, InstallLocation, LastUsed, InstallDate, Version;
    std::wstring HelpLink, AboutLink, UpdateLink;
    bool IsPatch = false;
    LONG IconIndex = 0;
    ULONG UsageCount = 0;
    FLOAT Size = 0;
    std::vector<std::pair<std::wstring, std::wstring>> Values;
    HRESULT SetCommentResult = S_OK;
};

template <class I>
class TCounted : public I {
public:
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++Refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--Refs); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { *count = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    LONG Refs = 0;   // lives in the test; counted, never deleted
protected:
    template <class Self>
    HRESULT Query(Self* self, REFIID riid, const IID& own, void** ppv) {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, own))
            return E_NOINTERFACE;
        *ppv = static_cast<I*>(self);
        AddRef();
        return S_OK;
    }
    static HRESULT Text(const std::wstring& value, BSTR* out) {
        *out = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
        return S_OK;
    }
};

class TFakeEntry final : public TCounted<IProgramItem> {
public:
    explicit TFakeEntry(TEntryData data) : D(std::move(data)) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return Query(this, riid, IID_IProgramItem, ppv); }
    STDMETHODIMP DisplayName(BSTR* v) override { return Text(D.DisplayName, v); }
    STDMETHODIMP UninstallString(BSTR* v) override { return Text(L"", v); }
    STDMETHODIMP RegistryName(BSTR* v) override { return Text(D.RegistryName, v); }
    STDMETHODIMP LoadDetails(BSTR name) override {
        DetailsLoadedFor = name ? name : L"";
        return S_OK;
    }
    STDMETHODIMP IsSystemPatch(LONG* v) override { *v = D.IsPatch ? 1 : 0; return S_OK; }
    STDMETHODIMP Publisher(BSTR* v) override { return Text(D.Publisher, v); }
    STDMETHODIMP InstallLocation(BSTR* v) override { return Text(D.InstallLocation, v); }
    STDMETHODIMP IconIndex(LONG* v) override { *v = D.IconIndex; return S_OK; }
    STDMETHODIMP UsageCount(ULONG* v) override { *v = D.UsageCount; return S_OK; }
    STDMETHODIMP LastUsed(BSTR* v) override { return Text(D.LastUsed, v); }
    STDMETHODIMP Size(FLOAT* v) override { *v = D.Size; return S_OK; }
    STDMETHODIMP InstallDate(BSTR* v) override { return Text(D.InstallDate, v); }
    STDMETHODIMP Version(BSTR* v) override { return Text(D.Version, v); }
    STDMETHODIMP HelpLink(BSTR* v) override { return Text(D.HelpLink, v); }
    STDMETHODIMP AboutLink(BSTR* v) override { return Text(D.AboutLink, v); }
    STDMETHODIMP UpdateLink(BSTR* v) override { return Text(D.UpdateLink, v); }
    STDMETHODIMP RegistryValueCount(ULONG* v) override { *v = static_cast<ULONG>(D.Values.size()); return S_OK; }
    STDMETHODIMP RegistryValueName(LONG i, BSTR* v) override { return Text(D.Values.at(static_cast<size_t>(i)).first, v); }
    STDMETHODIMP RegistryValueData(LONG i, BSTR* v) override { return Text(D.Values.at(static_cast<size_t>(i)).second, v); }
    STDMETHODIMP SetComment(BSTR comment) override {
        if (FAILED(D.SetCommentResult)) return D.SetCommentResult;
        Comment = comment ? comment : L"";
        return S_OK;
    }
    TEntryData D;
    std::wstring DetailsLoadedFor;
    std::wstring Comment;
};

// A component that lists the given entries, in order.
class TFakeEntries final : public TCounted<IProgramList> {
public:
    explicit TFakeEntries(const std::vector<TEntryData>& entries) {
        for (const TEntryData& d : entries) Entries.push_back(std::make_unique<TFakeEntry>(d));
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return Query(this, riid, IID_IProgramList, ppv); }
    STDMETHODIMP Item(LONG i, IProgramItem** v) override {
        *v = nullptr;
        if (i < 0 || static_cast<size_t>(i) >= Entries.size()) return E_INVALIDARG;
        *v = Entries[static_cast<size_t>(i)].get();
        (*v)->AddRef();
        return S_OK;
    }
    STDMETHODIMP ProgramCount(ULONG* v) override { *v = static_cast<ULONG>(Entries.size()); return S_OK; }
    STDMETHODIMP ScreenSaverCount(ULONG* v) override { *v = 0; return S_OK; }
    STDMETHODIMP ScreenSaverFileName(LONG, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP ScreenSaverPublisher(LONG, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP ScreenSaverDirectory(LONG, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP ScreenSaverDisplayName(LONG, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP ScreenSaverIconIndex(LONG, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP ScreenSaverSize(LONG, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP ScreenSaverLastUsed(LONG, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP RefreshPrograms() override { return S_OK; }
    STDMETHODIMP RefreshScreenSavers() override { return S_OK; }
    STDMETHODIMP ProgramIndexOf(BSTR, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP GetComment(BSTR, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP ScreenSaverIndexOf(BSTR, LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP ScreenSaverPath(LONG, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP ComponentVersion(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP Reserved18() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved19() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved20() override { return E_NOTIMPL; }
    std::vector<std::unique_ptr<TFakeEntry>> Entries;
};

// An uninstall entry in the test prefix's registry, removed again at the end.
class TPlantedKey {
public:
    explicit TPlantedKey(std::string name) : Name(std::move(name)) {
        Remove();
        TRegistry reg(KEY_ALL_ACCESS);
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        Planted = reg.OpenKey(Path(), true);
        if (!Planted) return;
        reg.WriteString("DisplayName", "Planted " + Name);
        reg.WriteString("UninstallString", "C:\\Planted\\unins.exe");
    }
    ~TPlantedKey() { Remove(); }
    TPlantedKey(const TPlantedKey&) = delete;
    TPlantedKey& operator=(const TPlantedKey&) = delete;
    std::string Path() const { return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + Name; }
    void Remove() const { RegDeleteTreeA(HKEY_LOCAL_MACHINE, Path().c_str()); }
    const std::string Name;
    bool Planted = false;
};

// Runs work once, with the window, when a modal T becomes the active form; the test then
// calls what shows it. The work ends the showing itself (a click, a close).
template <class T>
class TModalHand {
public:
    explicit TModalHand(std::function<void(T&)> work) : work_(std::move(work)) {
        Current() = this;
        timer_ = SetTimer(nullptr, 0, 20, Tick);
    }
    ~TModalHand() {
        KillTimer(nullptr, timer_);
        Current() = nullptr;
    }
    TModalHand(const TModalHand&) = delete;
    TModalHand& operator=(const TModalHand&) = delete;
    bool Worked() const { return worked_; }

private:
    static TModalHand*& Current() {
        static TModalHand* current = nullptr;
        return current;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        TModalHand* hand = Current();
        if (!hand || hand->worked_ || !Screen) return;
        auto* form = dynamic_cast<T*>(Screen->ActiveForm());
        if (!form || !form->IsModal() || !form->HandleAllocated() || !IsWindowVisible(form->Handle())) return;
        hand->worked_ = true;
        try {
            hand->work_(*form);
        } catch (...) {
            form->Close();   // nothing unwinds through the system's timer dispatch
        }
    }
    std::function<void(T&)> work_;
    UINT_PTR timer_ = 0;
    bool worked_ = false;
};

} // namespace entrytest
