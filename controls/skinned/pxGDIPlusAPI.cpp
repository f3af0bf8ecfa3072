#include "controls/skinned/pxGDIPlusAPI.h"

#include "framework/Handles.h"

#include <algorithm>
#include <cstring>

TGdiPlusFunctions GdiPlus;

namespace {

struct TBindEntry {
    const char* Name;
    void** Slot;
};

const std::vector<TBindEntry>& BindTable() {
#define PX_GDIPLUS_ENTRY(name, type) {#name, reinterpret_cast<void**>(&GdiPlus.name)},
    static const std::vector<TBindEntry> table = {PX_GDIPLUS_FUNCTIONS(PX_GDIPLUS_ENTRY)};
#undef PX_GDIPLUS_ENTRY
    return table;
}

struct TGdiPlusState {
    TModuleHandle Library;
    bool Loaded = false;
    bool Attempted = false;
    unsigned Session = 0;
    unsigned Sessions = 0;
    ULONG_PTR Token = 0;
    ULONG_PTR HookToken = 0;
    GdiplusStartupOutput Output{};
    CLSID PngEncoder{};
    TGdiPlusProcResolver Resolver;
};

TGdiPlusState& State() {
    static TGdiPlusState state;
    return state;
}

FARPROC Resolve(HMODULE library, const char* name) {
    auto& s = State();
    return s.Resolver ? s.Resolver(library, name) : GetProcAddress(library, name);
}

void ClearFunctions() {
    for (auto& e : BindTable()) *e.Slot = nullptr;
}

// True when every function was found; the first missing one stops the lookups.
bool BindFunctions(HMODULE library) {
    for (auto& e : BindTable()) {
        FARPROC p = Resolve(library, e.Name);
        if (!p) return false;
        *e.Slot = reinterpret_cast<void*>(p);
    }
    return true;
}

bool StartGdiPlus() {
    auto& s = State();
    GdiplusStartupInput input;
    input.SuppressBackgroundThread = TRUE;
    s.Output = {};
    s.Token = 0;
    if (GdiPlus.GdiplusStartup(&s.Token, &input, &s.Output) != GpOk) {
        s.Output = {};
        return false;
    }
    s.HookToken = 0;
    if (!s.Output.NotificationHook || s.Output.NotificationHook(&s.HookToken) != GpOk) {
        GdiPlus.GdiplusShutdown(s.Token);
        s.Output = {};
        return false;
    }
    return true;
}

}  // namespace

int GdiPlusFunctionCount() { return static_cast<int>(BindTable().size()); }

const char* GdiPlusFunctionName(int index) {
    auto& t = BindTable();
    return index >= 0 && index < static_cast<int>(t.size()) ? t[static_cast<size_t>(index)].Name : nullptr;
}

int GdiPlusBoundCount() {
    auto& t = BindTable();
    return static_cast<int>(std::count_if(t.begin(), t.end(), [](const TBindEntry& e) { return *e.Slot != nullptr; }));
}

void SetGdiPlusProcResolver(TGdiPlusProcResolver resolver) { State().Resolver = std::move(resolver); }

void LoadGdiPlus() {
    auto& s = State();
    if (s.Loaded) return;
    s.Attempted = true;
    UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    s.Library.Reset(LoadLibraryA("gdiplus.dll"));
    SetErrorMode(oldMode);
    if (!s.Library) return;
    if (!BindFunctions(s.Library.Get()) || !StartGdiPlus()) {
        // Nothing of a half-bound library may be called later.
        ClearFunctions();
        s.Library.Reset();
        return;
    }
    s.Loaded = true;
    s.Session = ++s.Sessions;
}

bool IsGdiPlusAvailable() {
    if (!State().Attempted) LoadGdiPlus();
    return State().Loaded;
}

bool IsGdiPlusLoaded() { return State().Loaded; }

unsigned GdiPlusSession() { return State().Loaded ? State().Session : 0; }

void GdiPlusUnload() {
    auto& s = State();
    if (!s.Loaded) return;
    if (s.Output.NotificationUnhook) s.Output.NotificationUnhook(s.HookToken);
    GdiPlus.GdiplusShutdown(s.Token);
    s.Output = {};
    s.Token = s.HookToken = 0;
    s.Loaded = false;
    s.Session = 0;
    s.PngEncoder = {};
    ClearFunctions();
    s.Library.Reset();
}

int GetEncoderClsid(const std::wstring& mimeType, CLSID& clsid) {
    if (!IsGdiPlusAvailable()) return 1;
    UINT count = 0, size = 0;
    if (GdiPlus.GdipGetImageEncodersSize(&count, &size) != GpOk || size == 0 || count == 0) return 1;
    // The records come first, then the strings they point to: the size must hold them all.
    if (size < uint64_t(count) * sizeof(GpImageCodecInfo)) return 1;
    std::vector<uint64_t> buffer((size + sizeof(uint64_t) - 1) / sizeof(uint64_t));
    auto* codecs = reinterpret_cast<GpImageCodecInfo*>(buffer.data());
    if (GdiPlus.GdipGetImageEncoders(count, size, codecs) != GpOk) return 1;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && lstrcmpiW(codecs[i].MimeType, mimeType.c_str()) == 0) {
            clsid = codecs[i].Clsid;
            return 0;
        }
    }
    return 1;
}

void EnsurePngEncoder() {
    auto& s = State();
    static const CLSID zero{};
    if (std::memcmp(&s.PngEncoder, &zero, 8) != 0) return;
    CLSID found{};
    if (GetEncoderClsid(L"image/png", found) == 0) s.PngEncoder = found;
}

const CLSID& PngEncoderClsid() { return State().PngEncoder; }

// ---------------------------------------------------------------------------------------
// The units loader

TpxUnitsLoader::~TpxUnitsLoader() { Finalize(); }

void TpxUnitsLoader::AddUnit(TpxUnitProc initialize, TpxUnitProc finalize) {
    if (initialize) {
        initialized_ = true;
        initialize();
    }
    if (finalize) finalizeList_.push_back(finalize);
}

void TpxUnitsLoader::RemoveUnit(TpxUnitProc finalize) {
    auto it = std::find(finalizeList_.begin(), finalizeList_.end(), finalize);
    if (it == finalizeList_.end()) return;
    finalizeList_.erase(it);
    finalize();
}

void TpxUnitsLoader::Finalize() {
    if (initialized_) {
        // A shut-down routine may itself remove units: take the list first.
        std::vector<TpxUnitProc> list;
        list.swap(finalizeList_);
        for (auto it = list.rbegin(); it != list.rend(); ++it) (*it)();
    }
    initialized_ = false;
    finalizeList_.clear();
}

TpxUnitsLoader& UnitsLoader() {
    static TpxUnitsLoader loader;
    return loader;
}

namespace {
int gApiUnitCounter = 0;

void MarkNotLoaded() {
    // GDI+ itself loads on first need; nothing is loaded before a unit asks.
}

// Runs the unit's shut-down once, at the end of the process, for a program that did not
// call pxFinalizeGDIPlus itself.
struct TApiUnit {
    TApiUnit() { pxGDIPlusAPIInitialize(); }
    ~TApiUnit() { pxFinalizeGDIPlus(); }
} gApiUnit;
}  // namespace

void pxGDIPlusAPIInitialize() {
    if (gApiUnitCounter++ != 0) return;
    // Made now, so that they outlive every unit object that shuts down through them.
    State();
    BindTable();
    UnitsLoader().AddUnit(MarkNotLoaded, GdiPlusUnload);
}

void pxFinalizeGDIPlus() {
    UnitsLoader().Finalize();
    // Whatever shut down outside the list (a test that loaded GDI+ by hand) goes too.
    GdiPlusUnload();
}
