#include "controls/skinned/SkThemes.h"

#include "controls/skinned/SkPublic.h"

namespace {

// One built-in value: a number, or the name of a bitmap resource.
struct TCell {
    int32_t Value = 0;
    const char* Bitmap = "";
    constexpr TCell(int32_t value) : Value(value) {}
    constexpr TCell(const char* bitmap) : Bitmap(bitmap) {}
};

struct TKeyRow {
    const char* Name;
    TskThemeValueKind Kind;
    TCell Styles[5];   // MacOS, WinXP, DeepBlue, Protein, BlueGlass
};

// The five styles name their bitmaps alike: "<STYLE>_<suffix>".
#define SK_STYLE_BITMAPS(suffix) \
    { "MACOS_" suffix, "WINXP_" suffix, "DEEPBLUE_" suffix, "PROTEIN_" suffix, "BLUEGLASS_" suffix }
#define SK_NO_BITMAPS { "", "", "", "", "" }

// Colours are 0x00BBGGRR.
constexpr TKeyRow kKeys[SkKey::Count] = {
    {"ButtonImage", tvkBitmap, SK_STYLE_BITMAPS("BUTTON")},
    {"ButtonTransparentBool", tvkBoolean, {1, 0, 0, 0, 1}},
    {"CheckBoxImage", tvkBitmap, SK_STYLE_BITMAPS("CHECKBOX")},
    {"RadioButtonImage", tvkBitmap, SK_STYLE_BITMAPS("RADIOBUTTON")},
    {"TitleBarButtonImage", tvkBitmap, SK_STYLE_BITMAPS("TITLEBTN")},
    {"TitleBarButtonTransparentBool", tvkBoolean, {0, 0, 0, 1, 1}},
    {"TitleBarButtonLeftOffsetInt", tvkInteger, {3, 2, 0, 0, 4}},
    {"TitleBarButtonRightOffsetInt", tvkInteger, {-2, -2, 0, 0, -3}},
    {"TitleBarButtonTopInt", tvkInteger, {4, 5, 2, 2, 6}},
    {"TitleBarLeftImage", tvkBitmap, SK_STYLE_BITMAPS("TITLE_LEFT")},
    {"TitleBarClientImage", tvkBitmap, SK_STYLE_BITMAPS("TITLE_CLIENT")},
    {"TitleBarRightImage", tvkBitmap, SK_STYLE_BITMAPS("TITLE_RIGHT")},
    {"FormMinWidthInt", tvkInteger, {130, 150, 130, 130, 270}},
    {"FormRoundCornerInt", tvkInteger, {0, 13, 0, 0, 11}},
    {"FormBackgroundColor", tvkColor, {0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7}},
    {"FormBorderColor", tvkColor, {0x7F7F7F, 0xC82C00, 0x000000, 0x000000, 0x000000}},
    {"FormBorderWidthInt", tvkInteger, {1, 3, 1, 1, 1}},
    {"MenuSelectedBorderColor", tvkColor, {0xC47339, 0xC66931, 0xA04A44, 0xC4302D, 0xEC5E5E}},
    {"MenuSelectedBackgroundColor", tvkColor, {0xC47339, 0xEFD3C6, 0xA04A44, 0xC4302D, 0xEC5E5E}},
    {"MenuSelectedFontColor", tvkColor, {0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}},
    {"MenuBackgroundColor", tvkColor, {0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xE7E7E7}},
    {"MenuFontColor", tvkColor, {0x000000, 0x000000, 0x000000, 0x000000, 0x000000}},
    {"MenuBarColor", tvkColor, {0x000000, 0xCED3D6, 0xCED3D6, 0xCED3D6, 0xCED3D6}},
    {"ProgressBarImage", tvkBitmap, SK_STYLE_BITMAPS("PROGRESSBAR")},
    {"ControlBorderColor", tvkColor, {0x7F7F7F, 0x686868, 0x000000, 0x000000, 0x000000}},
    {"ControlBackgroundColor", tvkColor, {0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7}},
    {"ControlFontColor", tvkColor, {0x000000, 0xCF4602, 0x000000, 0x000000, 0x000000}},
    {"TrackBarBarImage", tvkBitmap, SK_STYLE_BITMAPS("TRACKBAR_BAR")},
    {"TrackBarSliderImage", tvkBitmap, SK_STYLE_BITMAPS("TRACKBAR_SLIDER")},
    {"TrackBarSliderVImage", tvkBitmap, SK_STYLE_BITMAPS("TRACKBAR_SLIDER_V")},
    {"ScrollBarBackgroundColor", tvkColor, {0xC9C9C9, 0xF9F9F9, 0xF5F5F5, 0xF5F5F5, 0xF4F4F4}},
    {"ScrollBarButtonImage", tvkBitmap, SK_STYLE_BITMAPS("SCROLLBAR_BUTTON")},
    {"ScrollBarSliderImage", tvkBitmap, SK_STYLE_BITMAPS("SCROLLBAR_TRACK")},
    {"CheckListBoxImage", tvkBitmap, SK_STYLE_BITMAPS("CHECKLIST")},
    {"ToolBarButtonBorderColor", tvkColor, {0x474747, 0xC66931, 0x474747, 0x474747, 0x474747}},
    {"ToolBarButtonBackgroundColor", tvkColor, {0xEFEFEF, 0xEFD3C6, 0xEFEFEF, 0xEFEFEF, 0xEFEFEF}},
    {"ToolBarButtonDownBackgroundColor", tvkColor, {0xD8D8D8, 0xE1AC93, 0xD8D8D8, 0xD8D8D8, 0xD8D8D8}},
    {"ScrollButtonImage", tvkBitmap,
     {"MACOS_SCROLLBUTTON", "WINXP_SCROLLBUTTON", "MORE_SCROLLBUTTON", "MORE_SCROLLBUTTON", "MORE_SCROLLBUTTON"}},
    {"TabControlTabImage", tvkBitmap, SK_STYLE_BITMAPS("TAB")},
    {"TabControlBarImage", tvkBitmap, SK_STYLE_BITMAPS("TAB_LINE")},
    {"SideChannelHandleImage", tvkBitmap, SK_STYLE_BITMAPS("SIDECHENNEL_HANDLE")},
    {"SideChannelBarImage", tvkBitmap, SK_STYLE_BITMAPS("SIDECHENNEL_BAR")},
    {"TitleBarMinimizedImage", tvkBitmap, SK_NO_BITMAPS},
    {"TitleBarFontColor", tvkColor, {0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}},
    {"FormLeftBorderImage", tvkBitmap, SK_NO_BITMAPS},
    {"FormBottomBorderImage", tvkBitmap, SK_NO_BITMAPS},
    {"FormBottomRoundCornerInt", tvkInteger, {0, 0, 0, 0, 0}},
    {"MenuMenuBarColor", tvkColor, {0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7}},
};

#undef SK_STYLE_BITMAPS
#undef SK_NO_BITMAPS

bool ValidKey(int key) { return key >= 1 && key <= SkKey::Count; }

// The style bitmaps are resources of the program's own module.
HINSTANCE ProgramModule() { return GetModuleHandleA(nullptr); }

// The key's bitmap resource name; empty when there is none to load.
const char* BitmapNameOf(TskUIStyle style, int key) {
    TskStyleValue v = StyleValue(style, key);
    return v.Kind == tvkBitmap ? v.Bitmap : "";
}

}  // namespace

const char* ThemeKeyName(int key) { return ValidKey(key) ? kKeys[key - 1].Name : ""; }

TskThemeValueKind ThemeKeyKind(int key) { return ValidKey(key) ? kKeys[key - 1].Kind : tvkInteger; }

TskStyleValue StyleValue(TskUIStyle style, int key) {
    TskStyleValue v;
    if (style < MacOS || style > BlueGlass || !ValidKey(key)) return v;
    const TKeyRow& row = kKeys[key - 1];
    const TCell& cell = row.Styles[static_cast<int>(style) - static_cast<int>(MacOS)];
    v.Kind = row.Kind;
    v.Value = cell.Value;
    v.Bitmap = cell.Bitmap;
    return v;
}

bool StyleBool(TskUIStyle style, int key) {
    TskStyleValue v = StyleValue(style, key);
    return v.Kind == tvkBoolean && v.Value != 0;
}

TColor StyleColor(TskUIStyle style, int key) {
    TskStyleValue v = StyleValue(style, key);
    return v.Kind == tvkColor ? MakeColor(static_cast<uint32_t>(v.Value)) : clBlack;
}

int StyleInt(TskUIStyle style, int key) {
    TskStyleValue v = StyleValue(style, key);
    return v.Kind == tvkInteger ? v.Value : -1;
}

void LoadStyleBitmapResource(const std::string& name, TBitmap& bitmap) {
    bitmap.LoadFromResourceName(ProgramModule(), name);
}

void LoadStyleBitmap(TskUIStyle style, int key, TGraphic* graphic) {
    const char* name = BitmapNameOf(style, key);
    if (!graphic || !*name) return;
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic)) {
        LoadStyleBitmapResource(name, *bitmap);
        return;
    }
    TBitmap loaded;
    LoadStyleBitmapResource(name, loaded);
    graphic->Assign(&loaded);
}

void LoadStyleBitmapFrame(TskUIStyle style, int key, TGraphic* graphic, int frameCount, int frameIndex) {
    if (!graphic) return;
    if (frameCount == 0) {
        LoadStyleBitmap(style, key, graphic);
        return;
    }
    const char* name = BitmapNameOf(style, key);
    if (!*name) return;
    TBitmap strip;
    LoadStyleBitmapResource(name, strip);
    CutBitmapFrame(&strip, graphic, frameCount, frameIndex);
}

// ---------------------------------------------------------------------------------------
// TskFileThemeMgr

TskFileThemeMgr::TskFileThemeMgr() = default;
TskFileThemeMgr::~TskFileThemeMgr() = default;

bool TskFileThemeMgr::OpenThemeFile(const std::string& path) {
    if (!FileExists(path)) return false;
    auto reader = std::make_unique<TskThemeFileReader>(path);
    reader_ = std::move(reader);
    return true;
}

void TskFileThemeMgr::BitmapByKey(int key, TGraphic* graphic) const {
    if (!reader_ || !graphic || !ValidKey(key)) return;
    TMemoryStream* stream = reader_->FindStream(ThemeKeyName(key));
    if (!stream) return;
    try {
        graphic->LoadFromStream(*stream);
    } catch (const EInvalidGraphic&) {
        // Picture data that doesn't decode counts as no picture; the graphic keeps its own.
    }
}

// A number outside the key table names nothing in the file (not even an entry with an
// empty name).
bool TskFileThemeMgr::BoolByKey(int key) const {
    return reader_ && ValidKey(key) && reader_->FindBool(ThemeKeyName(key));
}

int TskFileThemeMgr::IntByKey(int key) const {
    if (!reader_) return 0;
    int value = -1;
    return TryIntByKey(key, value) ? value : -1;
}

bool TskFileThemeMgr::TryIntByKey(int key, int& value) const {
    return reader_ && ValidKey(key) && reader_->TryFindInt(ThemeKeyName(key), value);
}
