#include "ProgramList.h"

namespace quorbel {

namespace {

bool InRange(LONG index, size_t count) { return index >= 0 && static_cast<size_t>(index) < count; }

std::wstring BadIndexText(const wchar_t* what, LONG index, size_t count) {
    return L"The " + std::wstring(what) + L" index " + std::to_wstring(index) + L" is out of range (" +
           std::to_wstring(count) + L" listed).";
}

// The index of the first entry whose name (nameOf) is name and that fits; -1 when none is.
template <class List, class NameOf, class Fits>
LONG IndexByName(const List& list, const std::wstring& name, NameOf nameOf, Fits fits) {
    for (size_t i = 0; i < list.size(); ++i)
        if (SameName(nameOf(list[i]), name) && fits(list[i])) return static_cast<LONG>(i);
    return -1;
}

std::wstring BadViewText(LONG view) {
    return L"The registry view " + std::to_wstring(view) + L" does not exist (64 or 32).";
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

const ProgramSnapshot& TProgramList::Programs() {
    if (!programsRead_) {
        programs_ = ScanPrograms();
        programsRead_ = true;
    }
    return programs_;
}

const std::shared_ptr<TIconCache>& TProgramList::ProgramIcons() {
    if (!programIcons_) programIcons_ = std::make_shared<TIconCache>();
    return programIcons_;
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

HRESULT TProgramList::Program(LONG index, std::shared_ptr<const ProgramEntry>& out) {
    const auto& programs = Programs();
    if (!InRange(index, programs.size())) return Fail(DISP_E_BADINDEX, BadIndexText(L"program", index, programs.size()));
    out = programs[static_cast<size_t>(index)];
    return S_OK;
}

HRESULT TProgramList::Item(LONG Index, IProgramItem** out) {
    if (!out) return Fail(E_POINTER, L"The result pointer is null.");
    *out = nullptr;
    return Guard([&]() -> HRESULT {
        std::shared_ptr<const ProgramEntry> entry;
        if (HRESULT hr = Program(Index, entry); FAILED(hr)) return hr;
        auto* item = new (std::nothrow) TProgramItem(std::move(entry), ProgramIcons());
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
        if (SUCCEEDED(hr)) icon = quorbel::ScreenSaverIconIndex(*s, saverIcons_);
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
        ProgramIcons()->KeepOnly(programs_, [](const auto& entry) -> const std::wstring& { return entry->iconKey; });
        return S_OK;
    });
}

HRESULT TProgramList::RefreshScreenSavers() {
    return Guard([&] {
        savers_ = ScanScreenSavers();
        saversRead_ = true;
        saverIcons_.KeepOnly(savers_, [](const ScreenSaver& s) { return s.directory + s.fileName; });
        return S_OK;
    });
}

HRESULT TProgramList::ProgramIndexOf(BSTR RegistryName, LONG View, LONG* out) {
    return ReturnValue(out, [&](LONG& index) {
        RegistryView view;
        if (!ViewFromNumber(View, view)) return Fail(E_INVALIDARG, BadViewText(View));
        index = IndexByName(
            Programs(), FromBstr(RegistryName),
            [](const auto& program) -> const std::wstring& { return program->registryName; },
            [view](const auto& program) { return program->view == view; });
        return S_OK;
    });
}

HRESULT TProgramList::ProgramView(LONG Index, LONG* out) {
    return ReturnValue(out, [&](LONG& view) {
        std::shared_ptr<const ProgramEntry> entry;
        HRESULT hr = Program(Index, entry);
        if (SUCCEEDED(hr)) view = static_cast<LONG>(entry->view);
        return hr;
    });
}

HRESULT TProgramList::ScreenSaverIndexOf(BSTR FileName, LONG* out) {
    return ReturnValue(out, [&](LONG& index) {
        index = IndexByName(
            Savers(), FromBstr(FileName), [](const auto& saver) -> const std::wstring& { return saver.fileName; },
            [](const auto&) { return true; });
        return S_OK;
    });
}

HRESULT TProgramList::GetComment(BSTR RegistryName, LONG View, BSTR* out) {
    return ReturnText(out, [&](std::wstring& text) {
        RegistryView view;
        if (!ViewFromNumber(View, view)) return Fail(E_INVALIDARG, BadViewText(View));
        text = LoadComment(FromBstr(RegistryName), view);
        return S_OK;
    });
}

HRESULT TProgramList::ComponentVersion(BSTR* out) {
    return ReturnText(out, [](std::wstring& text) {
        text = L"1.0";
        return S_OK;
    });
}

HRESULT TProgramList::Reserved19() { return Fail(E_NOTIMPL, L"Reserved19 is not implemented."); }
HRESULT TProgramList::Reserved20() { return Fail(E_NOTIMPL, L"Reserved20 is not implemented."); }

// --- TProgramItem ---------------------------------------------------------------------------

template <class Get>
HRESULT TProgramItem::Text(BSTR* out, Get get) {
    return ReturnText(out, [&](std::wstring& text) {
        text = get(*entry_);
        return S_OK;
    });
}

HRESULT TProgramItem::ValueAt(LONG index, const RawValue*& out) {
    const auto& values = entry_->Values();
    if (!InRange(index, values.size())) return Fail(DISP_E_BADINDEX, BadIndexText(L"registry value", index, values.size()));
    out = &values[static_cast<size_t>(index)];
    return S_OK;
}

// A value of a type that can't be read as the field counts as absent: empty text.
HRESULT TProgramItem::DisplayName(BSTR* out) { return Text(out, [](const ProgramEntry& e) { return e.displayName; }); }
HRESULT TProgramItem::UninstallString(BSTR* out) {
    return Text(out, [](const ProgramEntry& e) { return e.uninstallString; });
}
HRESULT TProgramItem::RegistryName(BSTR* out) { return Text(out, [](const ProgramEntry& e) { return e.registryName; }); }
HRESULT TProgramItem::Publisher(BSTR* out) { return Text(out, [](const ProgramEntry& e) { return e.publisher; }); }
HRESULT TProgramItem::InstallLocation(BSTR* out) {
    return Text(out, [](const ProgramEntry& e) { return e.installLocation; });
}
HRESULT TProgramItem::InstallDate(BSTR* out) {
    return Text(out, [](const ProgramEntry& e) { return e.DetailText(L"InstallDate"); });
}
HRESULT TProgramItem::Version(BSTR* out) {
    return Text(out, [](const ProgramEntry& e) { return e.DetailText(L"DisplayVersion"); });
}
HRESULT TProgramItem::HelpLink(BSTR* out) { return Text(out, [](const ProgramEntry& e) { return e.DetailText(L"HelpLink"); }); }
HRESULT TProgramItem::AboutLink(BSTR* out) {
    return Text(out, [](const ProgramEntry& e) { return e.DetailText(L"URLInfoAbout"); });
}
HRESULT TProgramItem::UpdateLink(BSTR* out) {
    return Text(out, [](const ProgramEntry& e) { return e.DetailText(L"URLUpdateInfo"); });
}
HRESULT TProgramItem::LastUsed(BSTR* out) { return Text(out, [](const ProgramEntry& e) { return e.Usage().lastUsed; }); }

HRESULT TProgramItem::LoadDetails(BSTR RegistryName) {
    return Guard([&]() -> HRESULT {
        std::wstring name = FromBstr(RegistryName);
        if (!SameNameOrAnsiTrip(name, entry_->registryName))
            return Fail(E_INVALIDARG, L"LoadDetails was asked for \"" + name + L"\" on the entry \"" +
                                          entry_->registryName + L"\".");
        // A key removed since listing keeps the listed snapshot: the details still show
        // what the user selected.
        if (auto fresh = ReadWholeEntry(entry_->registryName, entry_->view)) entry_ = std::move(fresh);
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
        const std::wstring& key = entry_->iconKey;
        v = icons_ ? icons_->Get(key, [&] { return IconIndexForKey(key); }) : IconIndexForKey(key);
        return S_OK;
    });
}

// Usage is known only where the system's Add/Remove Programs cache recorded it; other
// entries answer 0 and an empty date.
HRESULT TProgramItem::UsageCount(ULONG* out) {
    return ReturnValue(out, [&](ULONG& v) {
        v = entry_->Usage().count;
        return S_OK;
    });
}

HRESULT TProgramItem::Size(FLOAT* out) {
    return ReturnValue(out, [&](FLOAT& size) {
        size = entry_->SizeInBytes();
        return S_OK;
    });
}

HRESULT TProgramItem::RegistryValueCount(ULONG* out) {
    return ReturnValue(out, [&](ULONG& n) {
        n = static_cast<ULONG>(entry_->Values().size());
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
        LONG rc = StoreComment(entry_->registryName, entry_->view, FromBstr(Comment));
        if (rc != ERROR_SUCCESS)
            return Fail(HRESULT_FROM_WIN32(rc), L"The comment for \"" + entry_->registryName + L"\" could not be stored (error " +
                                                    std::to_wstring(rc) + L").");
        return S_OK;
    });
}

} // namespace quorbel
