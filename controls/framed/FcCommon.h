// The framed control library's shared types and plain routines: frame and gradient
// enumerations, colour arithmetic in hue/saturation/lightness space, the Windows XP colour
// schemes, border, frame, focus, arrow and check-glyph painters, the visual-style (theme)
// service, the Windows version test and a text-drawing wrapper.
#pragma once
#include "framework/Controls.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------
// Enumerations (their ordinal values are stored in layouts and pushed by name)

enum class TFrameStyle {
    fsNone, fsFlat, fsGroove, fsBump, fsLowered, fsButtonDown, fsRaised, fsButtonUp, fsStatus, fsPopup,
    fsFlatBold, fsFlatRounded
};
DECLARE_ENUM_NAMES(TFrameStyle, "fsNone", "fsFlat", "fsGroove", "fsBump", "fsLowered", "fsButtonDown", "fsRaised",
                   "fsButtonUp", "fsStatus", "fsPopup", "fsFlatBold", "fsFlatRounded");
using enum TFrameStyle;
using TFrameStyleEx = TFrameStyle;

// No using-declaration: sdLeft and sdRight are also search directions of the list view.
enum class TSide { sdLeft, sdTop, sdRight, sdBottom };
DECLARE_ENUM_NAMES(TSide, "sdLeft", "sdTop", "sdRight", "sdBottom");
using TSides = TSet<TSide>;
constexpr TSides AllSides = TSides::FromBits(15);

enum class TGradientDirection {
    gdDiagonalUp, gdDiagonalDown, gdHorizontalEnd, gdHorizontalCenter, gdHorizontalBox, gdVerticalEnd,
    gdVerticalCenter, gdVerticalBox, gdSquareBox, gdBigSquareBox
};
DECLARE_ENUM_NAMES(TGradientDirection, "gdDiagonalUp", "gdDiagonalDown", "gdHorizontalEnd", "gdHorizontalCenter",
                   "gdHorizontalBox", "gdVerticalEnd", "gdVerticalCenter", "gdVerticalBox", "gdSquareBox",
                   "gdBigSquareBox");
using enum TGradientDirection;

enum class TFcGradientColorStyle { gcsSystem, gcsMSOffice, gcsCustom };
DECLARE_ENUM_NAMES(TFcGradientColorStyle, "gcsSystem", "gcsMSOffice", "gcsCustom");
using enum TFcGradientColorStyle;

enum class TFcVisualStyle { vsClassic, vsWinXP, vsGradient };
DECLARE_ENUM_NAMES(TFcVisualStyle, "vsClassic", "vsWinXP", "vsGradient");
using enum TFcVisualStyle;

enum class TFcGroupBarGradientPath { gpTopToBottom, gpBottomToTop };
DECLARE_ENUM_NAMES(TFcGroupBarGradientPath, "gpTopToBottom", "gpBottomToTop");
using enum TFcGroupBarGradientPath;

enum class TAlignmentVertical { avTop, avCenter, avBottom };
DECLARE_ENUM_NAMES(TAlignmentVertical, "avTop", "avCenter", "avBottom");
using enum TAlignmentVertical;

enum class TTextStyle { tsNormal, tsRaised, tsRecessed, tsShadow };
DECLARE_ENUM_NAMES(TTextStyle, "tsNormal", "tsRaised", "tsRecessed", "tsShadow");
using enum TTextStyle;

enum class TOrientation { orHorizontal, orVertical };
DECLARE_ENUM_NAMES(TOrientation, "orHorizontal", "orVertical");
using enum TOrientation;

enum class TFramingPreference { fpCustomFraming, fpXPThemes };
DECLARE_ENUM_NAMES(TFramingPreference, "fpCustomFraming", "fpXPThemes");
using enum TFramingPreference;

enum class TFcHotTrackColorType { htctComplement, htctActual };
DECLARE_ENUM_NAMES(TFcHotTrackColorType, "htctComplement", "htctActual");
using enum TFcHotTrackColorType;

enum class TFcButtonHotTrackStyle { htsInterior, htsFrame };
DECLARE_ENUM_NAMES(TFcButtonHotTrackStyle, "htsInterior", "htsFrame");
using enum TFcButtonHotTrackStyle;

// The side of a caption beside a glyph: the two left/right values of TAlignment.
enum class TLeftRight { taLeftJustify, taRightJustify };
DECLARE_ENUM_NAMES(TLeftRight, "taLeftJustify", "taRightJustify");

enum class TFcArrowDirection { adUp, adDown, adLeft, adRight };

// ---------------------------------------------------------------------------------------
// Unit state: computed once per process, on first use.

// More than 256 colours on the screen (GetDeviceCaps NUMCOLORS answers -1).
bool HasFullColorDisplay();
// 0 the blue scheme, 1 "HOMESTEAD", 2 "METALLIC", from the theme manager's "ColorName".
uint8_t ReadXPColorScheme();

bool IsFullColorDisplay();
uint8_t XPColorScheme();
// The panels read the scheme again when the system reports a theme change.
void RereadXPColorScheme();
// Replace the measured values (low-colour displays and the other schemes can't be shown
// under every system, so tests set them).
void SetFullColorDisplay(bool value);
void SetXPColorScheme(uint8_t value);

// ---------------------------------------------------------------------------------------
// Visual styles

enum class TFcThemeClass { Button, Header, ComboBox, Edit, ExplorerBar };

// The platform's visual styles are on (theme active and the application themed).
bool ThemesEnabled();
// Forces the answer of ThemesEnabled (nullopt: ask the system again).
void OverrideThemesEnabled(std::optional<bool> value);
// The theme data of a class, opened on first use; nullptr when styles are off or the
// system has no such class (a caller always has a fallback).
HTHEME ThemeHandle(TFcThemeClass cls);
// Closes the handles so that the next use reopens them (after WM_THEMECHANGED).
void ThemesChanged();

// ---------------------------------------------------------------------------------------
// Colours. Routines that compute with channels first turn the colour into RGB.

struct THsl {
    uint8_t Hue = 0, Saturation = 0, Lightness = 0;   // 0..240
};

THsl RgbToHsl(TColor Color);
uint8_t HueOf(TColor Color);
// Lightness may exceed 240 (LightenColor caps at 255); channels are capped.
TColor HslToRgb(uint8_t Hue, uint8_t Saturation, uint8_t Lightness);
TColor DarkenColor(TColor Color, uint8_t Amount);
TColor LightenColor(TColor Color, uint8_t Amount);
// Negative darkens by -Amount, positive lightens, 0 returns Color as it is (system colours too).
TColor ShiftColor(TColor Color, int Amount);
// Weight 255 gives Color1, 0 gives Color2.
TColor MixColors(TColor Color1, TColor Color2, uint8_t Weight);
// Hues within 20 and lightnesses within 60 of each other (saturation ignored).
bool ColorsClose(TColor Color1, TColor Color2);
TColor OppositeHueColor(TColor Color, uint8_t Lightness);
// Kind 0 edit border, 1-5 explorer-bar colours, 6 the group box's text; clBtnFace without styles.
TColor ThemePartColor(uint8_t Kind);

void PanelGradientColors(TFcGradientColorStyle Style, TColor& Start, TColor& Stop);
TColor PanelGradientFrameColor(TFcGradientColorStyle Style);
void StatusBarGradientColors(TFcGradientColorStyle Style, TColor& Start, TColor& Stop, TColor& Divider);
void GroupBarGradientColors(TFcGradientColorStyle Style, TColor& Start, TColor& Stop);

// ---------------------------------------------------------------------------------------
// Borders and frames. Each returns the rectangle left inside what it drew; the pen colour
// stays at the last colour used.

TRect PaintSides(TCanvas* Canvas, TRect Rect, TColor ULColor, TColor LRColor, TSides Sides);
TRect PaintBevel(TCanvas* Canvas, TRect Rect, TColor ULColor, TColor LRColor, int Width, TSides Sides);
TRect PaintStyledSides(TCanvas* Canvas, TRect Rect, TFrameStyle Style, TSides Sides);
TRect PaintBorder(TCanvas* Canvas, TRect Rect, TFrameStyle Style);
TRect PaintColorStyledSides(TCanvas* Canvas, TRect Rect, TColor BaseColor, TFrameStyle Style, TSides Sides);
TRect PaintBox(TCanvas* Canvas, TRect Rect, TColor Color);
TRect PaintRoundedFlatSides(TCanvas* Canvas, TRect Rect, TColor Color, TSides Sides);

// What a panel hands the border painter (its properties of these names).
struct TFcPanelBorders {
    TFrameStyle BorderOuter = fsNone;
    TFrameStyle BorderInner = fsNone;
    int BorderWidth = 0;
    TSides BorderSides = AllSides;
    int BevelWidth = 1;
    TColor BorderColor = clBtnFace;
    TColor BorderHighlight = clBtnHighlight;
    TColor BorderShadow = clBtnShadow;
    TColor FlatColor = clBtnShadow;
    int FlatColorAdjustment = 0;
    TColor Color = clBtnFace;
    TColor ParentColor = clBtnFace;
    bool Transparent = false;
    bool SoftInnerFlat = false;
};
// The outer border, the border-width band, then the inner border.
TRect PaintPanelBorders(TCanvas* Canvas, TRect Bounds, const TFcPanelBorders& B);
void PaintControlFrame(TCanvas* Canvas, int Width, int Height, TFrameStyle Style, TColor Color, TColor FrameColor,
                       TSides FrameSides, bool KeepBackground);
TRect PaintDottedFocusBorder(TCanvas* Canvas, TRect Rect);
void PaintGroupBarBackground(TCanvas* Canvas, const TRect& Rect, TFcVisualStyle VisualStyle,
                             TFcGradientColorStyle GradientColorStyle, TFcGroupBarGradientPath Path, TColor StartColor,
                             TColor StopColor);
// A 2-pixel gradient frame (full-colour displays only).
void PaintGradientRing(TCanvas* Canvas, const TRect& Rect, TGradientDirection Direction, TColor StartColor,
                       TColor StopColor);

// ---------------------------------------------------------------------------------------
// Glyphs

// State: 0 unchecked, 1 checked, 2 grayed; DrawState: 0 normal, 1 pressed, 2 hot, 3 disabled.
struct TFcCheckGlyph {
    int State = 0;
    int DrawState = 0;
    bool Focused = false;
    TFcButtonHotTrackStyle HotTrackStyle = htsInterior;
    TColor FrameColor = clBtnShadow;
    TColor MarkColor = clHighlight;
    TColor FillColor = clWindow;
    TColor FocusColor = clWindow;
    TColor DisabledColor = clBtnFace;
    TColor HotLightColor = clWindow;
    TColor HotColor = clHighlight;
    bool ReadOnly = false;
    bool ReadOnlyColorOnFocus = false;
    TColor ReadOnlyColor = clInfoBk;
};
void PaintCheckGlyph(TCanvas* Canvas, const TRect& Rect, const TFcCheckGlyph& G);
// The arrow and cross routines restore the brush colour and leave the pen solid.
void PaintArrow(TCanvas* Canvas, const TRect& Rect, bool Themed, TFcArrowDirection Direction, bool Enabled);
void PaintCloseCross(TCanvas* Canvas, const TRect& Rect, bool Themed, bool Enabled);
void PaintCrossGlyph(TCanvas* Canvas, const TRect& Rect, TColor Color);

// ---------------------------------------------------------------------------------------
// Windows, fonts, text, versions

// Repaints a window's frame when any of it can be seen.
void RedrawWindowFrame(HWND Window, const TRect& Rect);
// Invalidates every child that publishes a "Transparent" property set to True.
void RefreshTransparentChildren(TWinControl* Container);
// A font like Font turned by AngleDegrees (escapement); the caller owns it.
TGdiHandle CreateAngledFont(TFont* Font, int AngleDegrees);
bool FontIsTrueType(TFont* Font);
// "&File" -> "File", "&&" -> "&"; the last character is always kept.
std::string StripAccelerators(const std::string& Text);
// DrawText on the canvas with the whole text and Flags; returns the text height (with
// DT_CALCRECT Rect is updated).
int DrawTextIn(TCanvas* Canvas, const std::string& Text, TRect& Rect, UINT Flags);

struct TFcOSVersion {
    DWORD Platform = 0, Major = 0, Minor = 0;
};
// The running system's version (GetVersionEx), read once.
TFcOSVersion OSVersion();
// Codes 0 to 7 name Windows releases (7: NT 6.0 or later); (major, minor) compare as a pair.
bool WindowsAtLeast(int VersionCode);
bool WindowsAtLeast(int VersionCode, const TFcOSVersion& Version);

// ---------------------------------------------------------------------------------------
// Frame settings shared by many controls

enum class TFcFrameControllerProperty {
    fcpColor, fcpFocusColor, fcpDisabledColor, fcpReadOnlyColor, fcpReadOnlyColorOnFocus, fcpParentColor,
    fcpFlatButtonColor, fcpFlatButtons, fcpFrameColor, fcpFrameHotColor, fcpFrameHotTrack, fcpFrameHotStyle,
    fcpFrameSides, fcpFrameStyle, fcpFrameVisible, fcpFramingPreference, fcpAll
};
DECLARE_ENUM_NAMES(TFcFrameControllerProperty, "fcpColor", "fcpFocusColor", "fcpDisabledColor", "fcpReadOnlyColor",
                   "fcpReadOnlyColorOnFocus", "fcpParentColor", "fcpFlatButtonColor", "fcpFlatButtons",
                   "fcpFrameColor", "fcpFrameHotColor", "fcpFrameHotTrack", "fcpFrameHotStyle", "fcpFrameSides",
                   "fcpFrameStyle", "fcpFrameVisible", "fcpFramingPreference", "fcpAll");
using enum TFcFrameControllerProperty;
using TFcFrameControllerPropertyConnection = TFcFrameControllerProperty;
// Which controller settings a control accepts (bit n: identifier n).
using TFcFrameControllerNotifications = TSet<TFcFrameControllerPropertyConnection>;
constexpr TFcFrameControllerNotifications AllFrameNotifications = TFcFrameControllerNotifications::FromBits(0xFFFF);

// A control that reads a frame controller's settings itself instead of having them
// written into its published properties.
class IFrameSettingsClient {
public:
    virtual ~IFrameSettingsClient() = default;
    virtual void ApplyFrameSettings() = 0;
};

// Readers for stored properties that controls no longer have: each checks the value's
// kind (a wrong one is a layout error) and drops it.
class TFcOldPropReader {
public:
    static void SkipBooleanValue(const TValue& Value);
    static void SkipIdentifierValue(const TValue& Value);
    static void SkipSetValue(const TValue& Value);
    // The frame's former properties, written through the setters given: FrameFlat (a
    // hot-tracked frame, then a status frame going lowered), FrameFocusStyle (the hot style,
    // when it names a frame style) and FrameFlatStyle (dropped).
    static void DefineFrameProperties(TFiler& Filer, std::function<void(bool)> SetHotTrack,
                                      std::function<void(TFrameStyle)> SetStyle,
                                      std::function<void(TFrameStyle)> SetHotStyle);
};

enum class TFcPathType { ptIniFile, ptRegistry };
DECLARE_ENUM_NAMES(TFcPathType, "ptIniFile", "ptRegistry");
using enum TFcPathType;

enum class TFcRegKey {
    hkeyClassesRoot, hkeyCurrentUser, hkeyLocalMachine, hkeyUsers, hkeyPerformanceData, hkeyCurrentConfig, hkeyDynData
};
DECLARE_ENUM_NAMES(TFcRegKey, "hkeyClassesRoot", "hkeyCurrentUser", "hkeyLocalMachine", "hkeyUsers",
                   "hkeyPerformanceData", "hkeyCurrentConfig", "hkeyDynData");
using enum TFcRegKey;

enum class TFcRegAccessKey {
    keyQueryValue, keySetValue, keyCreateSubKey, keyEnumerateSubKeys, keyNotify, keyCreateLink, keyRead, keyWrite,
    keyExecute, keyAllAccess
};
DECLARE_ENUM_NAMES(TFcRegAccessKey, "keyQueryValue", "keySetValue", "keyCreateSubKey", "keyEnumerateSubKeys",
                   "keyNotify", "keyCreateLink", "keyRead", "keyWrite", "keyExecute", "keyAllAccess");
using enum TFcRegAccessKey;
using TFcRegAccess = TSet<TFcRegAccessKey>;

enum class TFcSpecialFolder { sfNone, sfUserAppDataRoaming, sfUserAppDataLocal, sfUserDocuments, sfProgramData };
DECLARE_ENUM_NAMES(TFcSpecialFolder, "sfNone", "sfUserAppDataRoaming", "sfUserAppDataLocal", "sfUserDocuments",
                   "sfProgramData");
using enum TFcSpecialFolder;

// Names a place where settings may be kept (an INI file or a registry key).
class TFcRegIniFile : public TComponent {
    DECLARE_CLASS(TFcRegIniFile, TComponent)
    explicit TFcRegIniFile(TComponent* AOwner) : TComponent(AOwner) {}

    const std::string& GetPath() const { return path_; }
    virtual void SetPath(const std::string& Value);
    TFcPathType GetPathType() const { return pathType_; }
    virtual void SetPathType(TFcPathType Value);
    TFcRegKey GetRegKey() const { return regKey_; }
    virtual void SetRegKey(TFcRegKey Value);
    TFcRegAccess GetRegAccess() const { return regAccess_; }
    virtual void SetRegAccess(TFcRegAccess Value);
    TFcSpecialFolder GetSpecialFolder() const { return specialFolder_; }
    virtual void SetSpecialFolder(TFcSpecialFolder Value);

    static void Publish(TClassBuilder<TFcRegIniFile>& b);

private:
    template <class T> void Store(T& field, const T& value);
    std::string path_;
    TFcPathType pathType_ = ptIniFile;
    TFcRegKey regKey_ = hkeyCurrentUser;
    TFcRegAccess regAccess_ = {keyAllAccess};
    TFcSpecialFolder specialFolder_ = sfNone;
    bool locationChanged_ = true;
};

// Holds one set of frame and colour settings and pushes them to the controls registered
// with it: to an IFrameSettingsClient through ApplyFrameSettings, to any other control
// into its published properties of the same names.
class TFcFrameController : public TComponent {
    DECLARE_CLASS(TFcFrameController, TComponent)
    explicit TFcFrameController(TComponent* AOwner);
    ~TFcFrameController() override;

    // Lists the control (once) and pushes everything to it.
    void RegisterControl(TComponent* Control);
    void UnregisterControl(TComponent* Control);
    int ControlCount() const { return controls_ ? static_cast<int>(controls_->size()) : 0; }
    bool HasControlList() const { return controls_ != nullptr; }
    // Nested; the last EndChanges pushes everything once.
    void BeginChanges();
    void EndChanges();
    virtual void ApplyToControl(TComponent* Control, TFcFrameControllerProperty Property);
    virtual void ApplyToControls(TFcFrameControllerProperty Property);

    TColor GetColor() const { return color_; }
    virtual void SetColor(TColor Value);
    bool GetParentColor() const { return parentColor_; }
    virtual void SetParentColor(bool Value);
    TColor GetFlatButtonColor() const { return flatButtonColor_; }
    virtual void SetFlatButtonColor(TColor Value);
    bool GetFlatButtons() const { return flatButtons_; }
    virtual void SetFlatButtons(bool Value);
    TColor GetDisabledColor() const { return disabledColor_; }
    virtual void SetDisabledColor(TColor Value);
    TColor GetReadOnlyColor() const { return readOnlyColor_; }
    virtual void SetReadOnlyColor(TColor Value);
    bool GetReadOnlyColorOnFocus() const { return readOnlyColorOnFocus_; }
    virtual void SetReadOnlyColorOnFocus(bool Value);
    TColor GetFocusColor() const { return focusColor_; }
    virtual void SetFocusColor(TColor Value);
    TColor GetFrameColor() const { return frameColor_; }
    virtual void SetFrameColor(TColor Value);
    TColor GetFrameHotColor() const { return frameHotColor_; }
    virtual void SetFrameHotColor(TColor Value);
    bool GetFrameHotTrack() const { return frameHotTrack_; }
    virtual void SetFrameHotTrack(bool Value);
    TFrameStyle GetFrameHotStyle() const { return frameHotStyle_; }
    virtual void SetFrameHotStyle(TFrameStyle Value);
    TSides GetFrameSides() const { return frameSides_; }
    virtual void SetFrameSides(TSides Value);
    TFrameStyle GetFrameStyle() const { return frameStyle_; }
    virtual void SetFrameStyle(TFrameStyle Value);
    bool GetFrameVisible() const { return frameVisible_; }
    virtual void SetFrameVisible(bool Value);
    TFramingPreference GetFramingPreference() const { return framingPreference_; }
    virtual void SetFramingPreference(TFramingPreference Value);
    TFcRegIniFile* GetRegIniFile() const { return regIniFile_; }
    virtual void SetRegIniFile(TFcRegIniFile* Value);

    void Assign(TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    static void Publish(TClassBuilder<TFcFrameController>& b);

private:
    template <class T> void Change(T& field, const T& value, TFcFrameControllerProperty property);
    void WriteByName(TComponent* Control, TFcFrameControllerProperty Property);

    int updateCount_ = 0;
    std::unique_ptr<std::vector<TComponent*>> controls_;
    TColor color_ = clWindow;
    bool parentColor_ = false;
    TColor flatButtonColor_ = clBtnFace;
    bool flatButtons_ = true;
    TColor disabledColor_ = clBtnFace;
    TColor readOnlyColor_ = clInfoBk;
    bool readOnlyColorOnFocus_ = false;
    TColor focusColor_ = clWindow;
    TColor frameColor_ = clBtnShadow;
    TColor frameHotColor_ = clBtnShadow;
    bool frameHotTrack_ = false;
    TFrameStyle frameHotStyle_ = fsFlatBold;
    TSides frameSides_ = AllSides;
    TFrameStyle frameStyle_ = fsFlat;
    bool frameVisible_ = false;
    TFramingPreference framingPreference_ = fpXPThemes;
    TFcRegIniFile* regIniFile_ = nullptr;
};

// The FrameController writer every framed control shares: leaves the old controller,
// joins the new one and asks to be told when it goes.
void SetFrameControllerOf(TComponent* Control, TFcFrameController*& Field, TFcFrameController* Value);
