#include "ProgramList.h"

namespace quorbel {

namespace {

bool InRange(LONG index, size_t count) { return index >= 0 && static_cast<size_t>(index) < count; }

std::wstring BadIndexText(const wchar_t* what, LONG index, size_t count) {
    return L"The " + std::wstring(what) + L" index " + std::to_wstring(index) + L" is out of range (" +
           std::to_wstring(count) + L" listed).";
}

// The index of the first entry whose name (nameOf) is name; -1 when none is.
template <class List, class NameOf>
LONG IndexByName(const List& list, const std::wstring& name, NameOf nameOf) {
    for (size_t i = 0; i < list.size(); ++i)
        if (SameName(nameOf(list[i]), name)) return static_cast<LONG>(i);
    return -1;
}

} // namespace

// --- TProgramList ---------------------------------------------------------------------------

HRESULT TProgramList::Create(REFIID riid, void** ppv) noexcept {
    auto* list = new (std::nothrow) TProgramList();
    if (!list) return E_OUTOFMEMORY;
    HRESULT hr = list->QueryInterface(riid, ppv);
    list->Release();
    return hr;
}

const std::vector<std::shared_ptr<const ProgramEntry>>& TProgramList::Programs() {
    if (!programsRead_) {
        programs_ = ScanPrograms();
        programsRead_ = true;
    }
    return programs_;
}

const std::vector<ScreenSaver>& TProgramList::Savers() {
    if (!saversRead_) {
        savers_ = ScanScreenSavers();
        saversRead_ = true;
    }
    return savers_;
}

HRESULT TProgramList::Saver(LONG index, const ScreenSaver*& out) {
    const auto& savers = Savers();
    if (!InRange(index, savers.size()))
        return Fail(DISP_E_BADINDEX, BadIndexText(L"screen saver", index, savers.size()));
    out = &savers[static_cast<size_t>(index)];
    return S_OK;
}

template <class Get>
HRESULT TProgramList::SaverText(LONG index, BSTR* out, Get get) {
    return ReturnText(out, [&](std::wstring& text) {
        const ScreenSaver* s = nullptr;
        HRESULT hr = Saver(index, s);
        if (SUCCEEDED(hr)) text = get(*s);
        return hr;
    });
}

HRESULT TProgramList::Item(LONG Index, IProgramItem** out) {
    if (!out) return Fail(E_POINTER, L"The result pointer is null.");
    *out = nullptr;
    return Guard([&]() -> HRESULT {
        const auto& programs = Programs();
        if (!InRange(Index, programs.size()))
            return Fail(DISP_E_BADINDEX, BadIndexText(L"program", Index, programs.size()));
        auto* item = new (std::nothrow) TProgramItem(programs[static_cast<size_t>(Index)]);
        if (!item) return Fail(E_OUTOFMEMORY, L"Not enough memory.");
        *out = item;  // created with one reference, which goes to the caller
        return S_OK;
    });
}

HRESULT TProgramList::ProgramCount(ULONG* out) {
    return ReturnValue(out, [&](ULONG& n) {
        n = static_cast<ULONG>(Programs().size());
        return S_OK;
    });
}

HRESULT TProgramList::ScreenSaverCount(ULONG* out) {
    return ReturnValue(out, [&](ULONG& n) {
        n = static_cast<ULONG>(Savers().size());
        return S_OK;
    });
}

HRESULT TProgramList::ScreenSaverFileName(LONG Index, BSTR* out) {
    return SaverText(Index, out, [](const ScreenSaver& s) { return s.fileName; });
}

HRESULT TProgramList::ScreenSaverPublisher(LONG Index, BSTR* out) {
    return SaverText(Index, out, [](const ScreenSaver& s) { return s.publisher; });
}

HRESULT TProgramList::ScreenSaverDirectory(LONG Index, BSTR* out) {
    return SaverText(Index, out, [](const ScreenSaver& s) { return s.directory; });
}

HRESULT TProgramList::ScreenSaverDisplayName(LONG Index, BSTR* out) {
    return SaverText(Index, out, [](const ScreenSaver& s) { return s.displayName; });
}

HRESULT TProgramList::ScreenSaverLastUsed(LONG Index, BSTR* out) {
    return SaverText(Index, out, [](const ScreenSaver& s) { return s.lastUsed; });
}

HRESULT TProgramList::ScreenSaverPath(LONG Index, BSTR* out) {
    return SaverText(Index, out, [](const ScreenSaver& s) { return s.directory + s.fileName; });
}

HRESULT TProgramList::ScreenSaverIconIndex(LONG Index, LONG* out) {
    return ReturnValue(out, [&](LONG& icon) {
        const ScreenSaver* s = nullptr;
        HRESULT hr = Saver(Index, s);
        if (SUCCEEDED(hr)) icon = quorbel::ScreenSaverIconIndex(*s);
        return hr;
    });
}

HRESULT TProgramList::ScreenSaverSize(LONG Index, ULONG* out) {
    return ReturnValue(out, [&](ULONG& size) {
        const ScreenSaver* s = nullptr;
        HRESULT hr = Saver(Index, s);
        if (SUCCEEDED(hr)) size = s->size;
        return hr;
    });
}

HRESULT TProgramList::RefreshPrograms() {
    return Guard([&] {
        programs_ = ScanPrograms();
        programsRead_ = true;
        return S_OK;
    });
}

HRESULT TProgramList::RefreshScreenSavers() {
    return Guard([&] {
        savers_ = ScanScreenSavers();
        saversRead_ = true;
        return S_OK;
    });
}

HRESULT TProgramList::ProgramIndexOf(BSTR RegistryName, LONG* out) {
    return ReturnValue(out, [&](LONG& index) {
        index = IndexByName(Programs(), FromBstr(RegistryName),
                            [](const auto& program) -> const std::wstring& { return program->registryName; });
        return S_OK;
    });
}

HRESULT TProgramList::ScreenSaverIndexOf(BSTR FileName, LONG* out) {
    return ReturnValue(out, [&](LONG& index) {
        index = IndexByName(Savers(), FromBstr(FileName),
                            [](const auto& saver) -> const std::wstring& { return saver.fileName; });
        return S_OK;
    });
}

HRESULT TProgramList::GetComment(BSTR RegistryName, BSTR* out) {
    return ReturnText(out, [&](std::wstring& text) {
        text = LoadComment(FromBstr(RegistryName));
        return S_OK;
    });
}

HRESULT TProgramList::ComponentVersion(BSTR* out) {
    return ReturnText(out, [](std::wstring& text) {
        text = L"1.0";
        return S_OK;
    });
}

HRESULT TProgramList::Reserved18() { return Fail(E_NOTIMPL, L"Reserved18 is not implemented."); }
HRESULT TProgramList::Reserved19() { return Fail(E_NOTIMPL, L"Reserved19 is not implemented."); }
HRESULT TProgramList::Reserved20() { return Fail(E_NOTIMPL, L"Reserved20 is not implemented."); }

// --- TProgramItem ---------------------------------------------------------------------------

HRESULT TProgramItem::Field(const wchar_t* name, BSTR* out) {
    return ReturnText(out, [&](std::wstring& text) -> HRESULT {
        DWORD type = REG_NONE;
        if (ReadTextField(*entry_, name, text, &type) == FieldState::WrongType) {
            text.clear();
            return Fail(E_INVALIDARG, L"The value \"" + std::wstring(name) + L"\" of \"" + entry_->registryName +
                                          L"\" is stored as " + RegTypeName(type) + L", not as text.");
        }
        return S_OK;
    });
}

HRESULT TProgramItem::ValueAt(LONG index, const RawValue*& out) {
    const auto& values = entry_->values;
    if (!InRange(index, values.size())) return Fail(DISP_E_BADINDEX, BadIndexText(L"registry value", index, values.size()));
    out = &values[static_cast<size_t>(index)];
    return S_OK;
}

HRESULT TProgramItem::DisplayName(BSTR* out) { return Field(L"DisplayName", out); }
HRESULT TProgramItem::UninstallString(BSTR* out) { return Field(L"UninstallString", out); }
HRESULT TProgramItem::Publisher(BSTR* out) { return Field(L"Publisher", out); }
HRESULT TProgramItem::InstallLocation(BSTR* out) { return Field(L"InstallLocation", out); }
HRESULT TProgramItem::InstallDate(BSTR* out) { return Field(L"InstallDate", out); }
HRESULT TProgramItem::Version(BSTR* out) { return Field(L"DisplayVersion", out); }
HRESULT TProgramItem::HelpLink(BSTR* out) { return Field(L"HelpLink", out); }
HRESULT TProgramItem::AboutLink(BSTR* out) { return Field(L"URLInfoAbout", out); }
HRESULT TProgramItem::UpdateLink(BSTR* out) { return Field(L"URLUpdateInfo", out); }

HRESULT TProgramItem::RegistryName(BSTR* out) {
    return ReturnText(out, [&](std::wstring& text) {
        text = entry_->registryName;
        return S_OK;
    });
}

HRESULT TProgramItem::LoadDetails(BSTR RegistryName) {
    return Guard([&]() -> HRESULT {
        std::wstring name = FromBstr(RegistryName);
        if (!SameName(name, entry_->registryName))
            return Fail(E_INVALIDARG, L"LoadDetails was asked for \"" + name + L"\" on the entry \"" +
                                          entry_->registryName + L"\".");
        // A key removed since listing keeps the listed snapshot: the details still show
        // what the user selected.
        auto fresh = std::make_shared<ProgramEntry>();
        if (ReadProgramEntry(entry_->registryName, *fresh)) entry_ = std::move(fresh);
        return S_OK;
    });
}

HRESULT TProgramItem::IsSystemPatch(LONG* out) {
    return ReturnValue(out, [&](LONG& v) {
        v = entry_->isPatch ? 1 : 0;
        return S_OK;
    });
}

HRESULT TProgramItem::IconIndex(LONG* out) {
    return ReturnValue(out, [&](LONG& v) {
        v = ProgramIconIndex(*entry_);
        return S_OK;
    });
}

// Usage is known only where the system's Add/Remove Programs cache recorded it; other
// entries answer 0 and an empty date.
HRESULT TProgramItem::UsageCount(ULONG* out) {
    return ReturnValue(out, [&](ULONG& v) {
        v = entry_->usageCount;
        return S_OK;
    });
}

HRESULT TProgramItem::LastUsed(BSTR* out) {
    return ReturnText(out, [&](std::wstring& text) {
        text = entry_->lastUsed;
        return S_OK;
    });
}

HRESULT TProgramItem::Size(FLOAT* out) {
    return ReturnValue(out, [&](FLOAT& size) -> HRESULT {
        const RawValue* v = FindValue(*entry_, L"EstimatedSize");
        if (!v) return S_OK;
        // Installers write kilobytes; a few write a QWORD, which is just as clear.
        if (v->type == REG_DWORD && v->data.size() == 4) {
            DWORD kb;
            memcpy(&kb, v->data.data(), 4);
            size = static_cast<FLOAT>(kb) * 1024.0f;
            return S_OK;
        }
        if (v->type == REG_QWORD && v->data.size() == 8) {
            ULONGLONG kb;
            memcpy(&kb, v->data.data(), 8);
            size = static_cast<FLOAT>(kb) * 1024.0f;
            return S_OK;
        }
        return Fail(E_INVALIDARG, L"The value \"EstimatedSize\" of \"" + entry_->registryName + L"\" is stored as " +
                                      RegTypeName(v->type) + L", not as a number.");
    });
}

HRESULT TProgramItem::RegistryValueCount(ULONG* out) {
    return ReturnValue(out, [&](ULONG& n) {
        n = static_cast<ULONG>(entry_->values.size());
        return S_OK;
    });
}

HRESULT TProgramItem::RegistryValueName(LONG Index, BSTR* out) {
    return ReturnText(out, [&](std::wstring& text) {
        const RawValue* v = nullptr;
        HRESULT hr = ValueAt(Index, v);
        if (SUCCEEDED(hr)) text = v->name;
        return hr;
    });
}

HRESULT TProgramItem::RegistryValueData(LONG Index, BSTR* out) {
    return ReturnText(out, [&](std::wstring& text) {
        const RawValue* v = nullptr;
        HRESULT hr = ValueAt(Index, v);
        if (SUCCEEDED(hr)) text = ValueAsText(*v);
        return hr;
    });
}

HRESULT TProgramItem::SetComment(BSTR Comment) {
    return Guard([&]() -> HRESULT {
        LONG rc = StoreComment(entry_->registryName, FromBstr(Comment));
        if (rc != ERROR_SUCCESS)
            return Fail(HRESULT_FROM_WIN32(rc), L"The comment for \"" + entry_->registryName + L"\" could not be stored (error " +
                                                    std::to_wstring(rc) + L").");
        return S_OK;
    });
}

} // namespace quorbel
