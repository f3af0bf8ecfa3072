// FcCommon: unit state, visual styles, colour arithmetic, fonts, text and versions. The
// painters live in FcCommonPaint.cpp.
#include "controls/framed/FcCommon.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

// ---------------------------------------------------------------------------------------
// Unit state

namespace {

struct TUnitState {
    bool FullColor = true;
    uint8_t Scheme = 0;
};

TUnitState& UnitState() {
    static TUnitState state = [] {
        TUnitState s;
        s.FullColor = HasFullColorDisplay();
        s.Scheme = ReadXPColorScheme();
        return s;
    }();
    return state;
}

} // namespace

bool HasFullColorDisplay() {
    TWindowDC screen(nullptr);
    return screen.Get() && GetDeviceCaps(screen.Get(), NUMCOLORS) == -1;
}

uint8_t ReadXPColorScheme() {
    TKeyHandle key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", 0, KEY_READ,
                      key.Put()) != ERROR_SUCCESS)
        return 0;
    char buffer[64] = {};
    DWORD type = 0, size = sizeof(buffer) - 1;
    if (RegQueryValueExA(key.Get(), "ColorName", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return 0;
    std::string name(buffer, strnlen(buffer, std::min<size_t>(size, sizeof(buffer) - 1)));
    for (auto& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name == "HOMESTEAD") return 1;
    if (name == "METALLIC") return 2;
    return 0;
}

bool IsFullColorDisplay() { return UnitState().FullColor; }
uint8_t XPColorScheme() { return UnitState().Scheme; }
void RereadXPColorScheme() { UnitState().Scheme = ReadXPColorScheme(); }
void SetFullColorDisplay(bool value) { UnitState().FullColor = value; }
void SetXPColorScheme(uint8_t value) { UnitState().Scheme = value <= 2 ? value : 0; }

// ---------------------------------------------------------------------------------------
// Visual styles

namespace {

std::optional<bool> gThemesOverride;

struct TThemeSlot {
    HTHEME Theme = nullptr;
    bool Tried = false;
};

std::array<TThemeSlot, 5>& ThemeSlots() {
    static std::array<TThemeSlot, 5> slots;
    return slots;
}

const wchar_t* ThemeClassName(TFcThemeClass cls) {
    switch (cls) {
    case TFcThemeClass::Button: return L"BUTTON";
    case TFcThemeClass::Header: return L"HEADER";
    case TFcThemeClass::ComboBox: return L"COMBOBOX";
    case TFcThemeClass::Edit: return L"EDIT";
    case TFcThemeClass::ExplorerBar: return L"EXPLORERBAR";
    }
    return L"";
}

} // namespace

bool ThemesEnabled() {
    if (gThemesOverride) return *gThemesOverride;
    return IsThemeActive() && IsAppThemed();
}

void OverrideThemesEnabled(std::optional<bool> value) { gThemesOverride = value; }

HTHEME ThemeHandle(TFcThemeClass cls) {
    if (!ThemesEnabled()) return nullptr;
    TThemeSlot& slot = ThemeSlots()[static_cast<size_t>(cls)];
    if (!slot.Tried) {
        slot.Tried = true;
        slot.Theme = OpenThemeData(nullptr, ThemeClassName(cls));
    }
    return slot.Theme;
}

void ThemesChanged() {
    for (auto& slot : ThemeSlots()) {
        if (slot.Theme) CloseThemeData(slot.Theme);
        slot = TThemeSlot{};
    }
}

// ---------------------------------------------------------------------------------------
// Colours

namespace {

uint8_t ScaleToByte(double fraction) {
    double v = std::nearbyint(fraction * 240.0);   // ties to even
    return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
}

uint8_t ChannelToByte(double fraction) {
    return static_cast<uint8_t>(std::nearbyint(std::clamp(fraction, 0.0, 1.0) * 255.0));
}

} // namespace

THsl RgbToHsl(TColor Color) {
    TColor c = ColorToRGB(Color);
    double r = ColorR(c) / 255.0, g = ColorG(c) / 255.0, b = ColorB(c) / 255.0;
    double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    double l = (mx + mn) / 2, h = 0, s = 0;
    if (mx != mn) {
        double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (r == mx) h = (g - b) / d;
        else if (g != mx) h = 4 + (r - g) / d;
        else h = 2 + (b - r) / d;
        h /= 6;
        if (h < 0) h += 1;
    }
    return THsl{ScaleToByte(h), ScaleToByte(s), ScaleToByte(l)};
}

uint8_t HueOf(TColor Color) { return RgbToHsl(Color).Hue; }

TColor HslToRgb(uint8_t Hue, uint8_t Saturation, uint8_t Lightness) {
    // The hue is divided by 239, the others by 240: hues do not round-trip exactly.
    double h = Hue / 239.0, s = Saturation / 240.0, l = Lightness / 240.0;
    double v = l < 0.5 ? l * (1 + s) : l + s - l * s;
    if (v <= 0) return clBlack;
    double m = 2 * l - v;
    double sv = (v - m) / v;
    double h6 = h * 6;
    int sextant = static_cast<int>(h6);
    double f = h6 - sextant;
    double x = v * sv * f, up = m + x, down = v - x;
    double r, g, b;
    switch (sextant) {
    case 1: r = down; g = v; b = m; break;
    case 2: r = m; g = v; b = up; break;
    case 3: r = m; g = down; b = v; break;
    case 4: r = up; g = m; b = v; break;
    case 5: r = v; g = m; b = down; break;
    default: r = v; g = up; b = m; break;
    }
    return RGBToColor(ChannelToByte(r), ChannelToByte(g), ChannelToByte(b));
}

TColor DarkenColor(TColor Color, uint8_t Amount) {
    THsl hsl = RgbToHsl(Color);
    int l = std::max(int(hsl.Lightness) - int(Amount), 0);
    return HslToRgb(hsl.Hue, hsl.Saturation, static_cast<uint8_t>(l));
}

TColor LightenColor(TColor Color, uint8_t Amount) {
    THsl hsl = RgbToHsl(Color);
    int l = std::min(int(hsl.Lightness) + int(Amount), 255);
    return HslToRgb(hsl.Hue, hsl.Saturation, static_cast<uint8_t>(l));
}

TColor ShiftColor(TColor Color, int Amount) {
    if (Amount < 0) return DarkenColor(Color, static_cast<uint8_t>(std::min(-Amount, 255)));
    if (Amount > 0) return LightenColor(Color, static_cast<uint8_t>(std::min(Amount, 255)));
    return Color;
}

TColor MixColors(TColor Color1, TColor Color2, uint8_t Weight) {
    TColor a = ColorToRGB(Color1), b = ColorToRGB(Color2);
    float w = Weight / 255.0f;
    auto mix = [w](uint8_t c1, uint8_t c2) {
        float v = c1 * w + c2 * (1.0f - w);
        return static_cast<uint8_t>(std::clamp(std::nearbyint(v), 0.0f, 255.0f));
    };
    return RGBToColor(mix(ColorR(a), ColorR(b)), mix(ColorG(a), ColorG(b)), mix(ColorB(a), ColorB(b)));
}

bool ColorsClose(TColor Color1, TColor Color2) {
    THsl a = RgbToHsl(Color1), b = RgbToHsl(Color2);
    return std::abs(int(a.Hue) - int(b.Hue)) < 20 && std::abs(int(a.Lightness) - int(b.Lightness)) < 60;
}

TColor OppositeHueColor(TColor Color, uint8_t Lightness) {
    uint8_t hue = HueOf(Color);
    hue = hue < 120 ? static_cast<uint8_t>(hue + 120) : static_cast<uint8_t>(hue - 120);
    return HslToRgb(hue, 240, Lightness);
}

TColor ThemePartColor(uint8_t Kind) {
    if (!ThemesEnabled()) return clBtnFace;
    struct TEntry { TFcThemeClass Class; int Part, State, Prop; bool Text; };
    // Explorer-bar parts: 0 the root, 5 the normal group background, 9 the special group
    // background, 12 the special group head.
    static constexpr TEntry kEntries[] = {
        {TFcThemeClass::Edit, 1, 1, 3801, false},
        {TFcThemeClass::ExplorerBar, 5, 0, 3803, true},
        {TFcThemeClass::ExplorerBar, 9, 0, 3803, true},
        {TFcThemeClass::ExplorerBar, 5, 0, 3802, false},
        {TFcThemeClass::ExplorerBar, 0, 0, 3810, false},
        {TFcThemeClass::ExplorerBar, 12, 0, 3802, false},
        {TFcThemeClass::Button, 4, 1, 3803, true},
    };
    if (Kind >= std::size(kEntries)) return clWhite;
    const TEntry& e = kEntries[Kind];
    COLORREF c = 0;
    if (HTHEME theme = ThemeHandle(e.Class); theme && SUCCEEDED(GetThemeColor(theme, e.Part, e.State, e.Prop, &c)))
        return MakeColor(c);
    // A system without the element: the colours the element would stand for.
    return e.Text ? clBtnText : clBtnFace;
}

namespace {

struct TSchemeColors {
    uint32_t PanelStart, PanelStop, PanelFrame, GroupBarStart, GroupBarStop;
};

constexpr TSchemeColors kSchemes[3] = {
    {0xFFEFE3, 0xEABB99, 0xBF7F57, 0xE7A27B, 0xD67563},
    {0xEDFFFF, 0x92C7B8, 0x77A17F, 0xADD9CC, 0x84BDA5},
    {0xFFF9F9, 0xD0BCBD, 0xB19F9F, 0xD4C8C4, 0xC8B3B1},
};

const TSchemeColors& Scheme() { return kSchemes[std::min<uint8_t>(XPColorScheme(), 2)]; }

bool UseSchemeColors(TFcGradientColorStyle Style) { return Style == gcsMSOffice && ThemesEnabled(); }

} // namespace

void PanelGradientColors(TFcGradientColorStyle Style, TColor& Start, TColor& Stop) {
    if (!UseSchemeColors(Style)) {
        Start = clWindow;
        Stop = DarkenColor(clBtnFace, 10);
        return;
    }
    Start = MakeColor(Scheme().PanelStart);
    Stop = MakeColor(Scheme().PanelStop);
}

TColor PanelGradientFrameColor(TFcGradientColorStyle Style) {
    if (!UseSchemeColors(Style)) return LightenColor(clBtnShadow, 30);
    return MakeColor(Scheme().PanelFrame);
}

void StatusBarGradientColors(TFcGradientColorStyle Style, TColor& Start, TColor& Stop, TColor& Divider) {
    if (!UseSchemeColors(Style)) {
        Start = DarkenColor(clBtnFace, 20);
        Stop = clWindow;
        Divider = DarkenColor(clBtnFace, 40);
        return;
    }
    Start = MakeColor(Scheme().PanelStop);
    Stop = MakeColor(Scheme().PanelStart);
    Divider = Start;
}

void GroupBarGradientColors(TFcGradientColorStyle Style, TColor& Start, TColor& Stop) {
    if (!UseSchemeColors(Style)) {
        Start = MixColors(clBlack, clBtnFace, 40);
        Stop = MixColors(clBlack, clBtnFace, 80);
        return;
    }
    Start = MakeColor(Scheme().GroupBarStart);
    Stop = MakeColor(Scheme().GroupBarStop);
}

// ---------------------------------------------------------------------------------------
// Windows, fonts, text

void RedrawWindowFrame(HWND Window, const TRect& Rect) {
    if (!Window) return;
    RECT clip{};
    int kind;
    {
        HDC dc = GetWindowDC(Window);
        if (!dc) return;
        kind = GetClipBox(dc, &clip);
        ReleaseDC(Window, dc);
    }
    if (kind == ERROR || kind == NULLREGION) return;
    RECT r = Rect;
    RedrawWindow(Window, &r, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void RefreshTransparentChildren(TWinControl* Container) {
    if (!Container) return;
    for (int i = 0; i < Container->ControlCount(); ++i) {
        TControl* c = Container->Controls(i);
        if (IsPublishedProp(c, "Transparent") && GetOrdProp(c, "Transparent") == 1) c->Invalidate();
    }
}

TGdiHandle CreateAngledFont(TFont* Font, int AngleDegrees) {
    LOGFONTA lf{};
    lf.lfHeight = Font->GetHeight();
    lf.lfWidth = 0;
    lf.lfEscapement = AngleDegrees * 10;
    lf.lfOrientation = 0;
    TFontStyles style = Font->GetStyle();
    lf.lfWeight = style.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = style.Contains(fsItalic);
    lf.lfUnderline = style.Contains(fsUnderline);
    lf.lfStrikeOut = style.Contains(fsStrikeOut);
    lf.lfCharSet = Font->GetCharset();
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    switch (Font->GetPitch()) {
    case fpVariable: lf.lfPitchAndFamily = VARIABLE_PITCH; break;
    case fpFixed: lf.lfPitchAndFamily = FIXED_PITCH; break;
    default: lf.lfPitchAndFamily = DEFAULT_PITCH; break;
    }
    const std::string& face = Font->GetName();
    std::memcpy(lf.lfFaceName, face.c_str(), std::min(face.size(), sizeof(lf.lfFaceName) - 1));
    return TGdiHandle(CreateFontIndirectA(&lf));
}

bool FontIsTrueType(TFont* Font) {
    TWindowDC screen(nullptr);
    if (!screen.Get()) return false;
    TSelectObject select(screen.Get(), Font->Handle());
    TEXTMETRICA tm{};
    if (!GetTextMetricsA(screen.Get(), &tm)) return false;
    return (tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
}

std::string StripAccelerators(const std::string& Text) {
    std::string out;
    size_t n = Text.size(), i = 0;
    while (i + 1 < n) {
        if (Text[i] != '&') {
            out += Text[i++];
        } else if (Text[i + 1] == '&') {
            out += '&';
            i += 2;
        } else {
            ++i;
        }
    }
    if (i + 1 == n) out += Text[i];
    return out;
}

int DrawTextIn(TCanvas* Canvas, const std::string& Text, TRect& Rect, UINT Flags) {
    return Canvas->DrawText(Text, Rect, Flags);
}

// ---------------------------------------------------------------------------------------
// Versions

TFcOSVersion OSVersion() {
    static const TFcOSVersion version = [] {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof(info);
        TFcOSVersion v;
        if (GetVersionExA(&info)) v = TFcOSVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
        return v;
    }();
    return version;
}

bool WindowsAtLeast(int VersionCode) { return WindowsAtLeast(VersionCode, OSVersion()); }

bool WindowsAtLeast(int VersionCode, const TFcOSVersion& V) {
    bool nt = V.Platform == VER_PLATFORM_WIN32_NT;
    bool either = nt || V.Platform == VER_PLATFORM_WIN32_WINDOWS;
    auto atLeast = [&](DWORD major, DWORD minor) { return V.Major > major || (V.Major == major && V.Minor >= minor); };
    switch (VersionCode % 128) {
    case 0: return either && V.Major > 3;
    case 1: return nt && V.Major > 3;
    case 2: return either && atLeast(4, 10);
    case 3: return either && atLeast(4, 90);
    case 4: return nt && V.Major >= 5;
    case 5: return nt && atLeast(5, 1);
    case 6: return nt && atLeast(5, 2);
    case 7: return nt && V.Major >= 6;
    default: return false;
    }
}
