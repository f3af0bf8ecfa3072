#include "controls/skinned/SkMgr.h"

#include "controls/skinned/SkPublic.h"
#include "framework/Forms.h"

namespace {

const char* const kInvalidSkinFile = "Invalid skin file for SkinPack!";

std::string ModuleFolder() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return n && n < MAX_PATH ? ExtractFilePath(std::string(path, n)) : std::string();
}

std::string SystemFolder(UINT (WINAPI *get)(LPSTR, UINT)) {
    char path[MAX_PATH] = {};
    UINT n = get(path, MAX_PATH);
    return n && n < MAX_PATH ? std::string(path, n) : std::string();
}

// The skinned form frame is a later class of this library; it is known by its
// registered name, so nothing here depends on it being linked in.
const TClassInfo* FormFrameClass() { return GetClass("TskForm"); }

bool IsFormFrame(const TComponent* c) {
    const TClassInfo* frame = FormFrameClass();
    return frame && c && c->InheritsFrom(*frame);
}

// The component a published component property holds; nullptr when c has no such
// property.
TObject* ComponentProp(const TComponent* c, const char* name) {
    const TPropInfo* p = GetPropInfo(c, name);
    return p && p->Kind == TTypeKind::Component && p->GetObject ? p->GetObject(c) : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TskFileTheme

IMPLEMENT_CLASS(TskFileTheme);

void TskFileTheme::Publish(TClassBuilder<TskFileTheme>& b) {
    b.Prop("ThemeFile", &TskFileTheme::GetThemeFile, &TskFileTheme::SetThemeFile);
}

TskFileTheme::TskFileTheme(TComponent* AOwner) : TComponent(AOwner), manager_(std::make_unique<TskFileThemeMgr>()) {}

TskFileTheme::~TskFileTheme() = default;

std::string TskFileTheme::LocateThemeFile(const std::string& path) {
    if (FileExists(path)) return path;
    const std::string name = ExtractFileName(path);
    if (name.empty()) return {};
    for (const std::string& folder : {ModuleFolder(), SystemFolder(GetWindowsDirectoryA), SystemFolder(GetSystemDirectoryA)}) {
        if (folder.empty()) continue;
        std::string candidate = IncludeTrailingPathDelimiter(folder) + name;
        if (FileExists(candidate)) return candidate;
    }
    return {};
}

void TskFileTheme::SetThemeFile(const std::string& value) {
    if (value == themeFile_) return;
    const std::string path = LocateThemeFile(value);
    if (path.empty()) return;
    if (!IsThemeFile(path)) throw Exception(kInvalidSkinFile);
    // The manager swaps readers only after a complete parse, so a bad file keeps the
    // controls on the theme they have.
    bool loaded = false;
    try {
        loaded = manager_->OpenThemeFile(path);
    } catch (const Exception&) {
        throw Exception(kInvalidSkinFile);
    }
    themeFile_ = path;
    loaded_ = loaded;
    if (!loaded_) return;
    const bool frameUsesTheme = ReapplyToOwnerControls();
    // The frame's borders come from the theme: the form recomputes its non-client area,
    // also for the first theme a shown form gets.
    auto* form = dynamic_cast<TCustomForm*>(Owner());
    if (frameUsesTheme && form && form->HandleAllocated())
        SetWindowPos(form->Handle(), nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TskFileTheme::ReapplyToOwnerControls() {
    auto* form = dynamic_cast<TCustomForm*>(Owner());
    if (!form) return false;
    bool frameUsesTheme = false;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        TComponent* c = form->Components(i);
        if (ComponentProp(c, "FileTheme") != this) continue;
        if (IsFormFrame(c)) frameUsesTheme = true;
        // Assigning the same theme again makes the control apply its style anew.
        if (c->ClassName().compare(0, 3, "Tsk") == 0) SetObjectProp(c, "FileTheme", this);
    }
    return frameUsesTheme;
}

void TskFileTheme::ReadKeyBitmap(int key, TGraphic* graphic) const { manager_->BitmapByKey(key, graphic); }

void TskFileTheme::ReadKeyBitmapFrame(int key, TGraphic* graphic, int frameCount, int frameIndex) const {
    if (!graphic) return;
    TBitmap strip;
    manager_->BitmapByKey(key, &strip);
    if (strip.Empty()) return;
    CutBitmapFrame(&strip, graphic, frameCount, frameIndex);
}

bool TskFileTheme::ReadKeyBool(int key) const { return manager_->BoolByKey(key); }

TColor TskFileTheme::ReadKeyColor(int key) const {
    int value = 0;
    return manager_->TryIntByKey(key, value) ? MakeColor(static_cast<uint32_t>(value)) : StyleColor(DeepBlue, key);
}

int TskFileTheme::ReadKeyInt(int key) const {
    int value = 0;
    return manager_->TryIntByKey(key, value) ? value : StyleInt(DeepBlue, key);
}

// ---------------------------------------------------------------------------------------
// Resolution

TskResolvedStyle ResolveUIStyle(const TskFileTheme* fileTheme, TskUIStyle uiStyle) {
    if (uiStyle != FromThemeFile) return {false, uiStyle};
    if (fileTheme && fileTheme->FileLoaded()) return {true, FromThemeFile};
    return {false, DeepBlue};
}

TskUIStyle OwnerFormUIStyle(TComponent* owner) {
    auto* form = dynamic_cast<TCustomForm*>(owner);
    if (!form) return DeepBlue;
    for (int i = 0; i < form->ControlCount(); ++i) {
        TControl* c = form->Controls(i);
        if (!IsFormFrame(c)) continue;
        const TPropInfo* p = GetPropInfo(c, "UIStyle");
        if (!p || !p->GetValue) return DeepBlue;
        auto style = TPropType<TskUIStyle>::FromValue(p->GetValue(c));
        return style;
    }
    return DeepBlue;
}

// ---------------------------------------------------------------------------------------
// TskStyleReader

TskStyleReader::TskStyleReader(const TskFileTheme* fileTheme, TskUIStyle uiStyle)
    : theme_(fileTheme), resolved_(ResolveUIStyle(fileTheme, uiStyle)) {}

TColor TskStyleReader::Color(int key) const {
    return resolved_.FromFile ? theme_->ReadKeyColor(key) : StyleColor(resolved_.Style, key);
}

int TskStyleReader::Int(int key) const {
    return resolved_.FromFile ? theme_->ReadKeyInt(key) : StyleInt(resolved_.Style, key);
}

bool TskStyleReader::Bool(int key) const {
    return resolved_.FromFile ? theme_->ReadKeyBool(key) : StyleBool(resolved_.Style, key);
}

void TskStyleReader::Bitmap(int key, TGraphic* graphic) const {
    if (resolved_.FromFile) theme_->ReadKeyBitmap(key, graphic);
    else LoadStyleBitmap(resolved_.Style, key, graphic);
}

void TskStyleReader::BitmapFrame(int key, TGraphic* graphic, int frameCount, int frameIndex) const {
    if (resolved_.FromFile) theme_->ReadKeyBitmapFrame(key, graphic, frameCount, frameIndex);
    else LoadStyleBitmapFrame(resolved_.Style, key, graphic, frameCount, frameIndex);
}
