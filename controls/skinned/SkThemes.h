// Visual styles of the skinned controls: the style type, the 48 theme keys, the five
// built-in style tables with their typed lookups and style bitmaps, and the key-indexed
// access to a loaded theme file.
#pragma once
#include "controls/skinned/SkThemeFile.h"
#include "framework/Graphics.h"

#include <cstdint>
#include <memory>
#include <string>

// One byte, as layouts and theme files store it.
enum class TskUIStyle : uint8_t { FromThemeFile, MacOS, WinXP, DeepBlue, Protein, BlueGlass };
DECLARE_ENUM_NAMES(TskUIStyle, "FromThemeFile", "MacOS", "WinXP", "DeepBlue", "Protein", "BlueGlass");
using enum TskUIStyle;

// The kind of a key's value, shared by every built-in style.
enum class TskThemeValueKind : uint8_t { tvkInteger = 0, tvkColor = 1, tvkBitmap = 2, tvkBoolean = 3 };
using enum TskThemeValueKind;

// Theme keys, numbered from 1; their names are what a theme file stores them under.
namespace SkKey {
constexpr int ButtonImage = 1;
constexpr int ButtonTransparentBool = 2;
constexpr int CheckBoxImage = 3;
constexpr int RadioButtonImage = 4;
constexpr int TitleBarButtonImage = 5;
constexpr int TitleBarButtonTransparentBool = 6;
constexpr int TitleBarButtonLeftOffsetInt = 7;
constexpr int TitleBarButtonRightOffsetInt = 8;
constexpr int TitleBarButtonTopInt = 9;
constexpr int TitleBarLeftImage = 10;
constexpr int TitleBarClientImage = 11;
constexpr int TitleBarRightImage = 12;
constexpr int FormMinWidthInt = 13;
constexpr int FormRoundCornerInt = 14;
constexpr int FormBackgroundColor = 15;
constexpr int FormBorderColor = 16;
constexpr int FormBorderWidthInt = 17;
constexpr int MenuSelectedBorderColor = 18;
constexpr int MenuSelectedBackgroundColor = 19;
constexpr int MenuSelectedFontColor = 20;
constexpr int MenuBackgroundColor = 21;
constexpr int MenuFontColor = 22;
constexpr int MenuBarColor = 23;
constexpr int ProgressBarImage = 24;
constexpr int ControlBorderColor = 25;
constexpr int ControlBackgroundColor = 26;
constexpr int ControlFontColor = 27;
constexpr int TrackBarBarImage = 28;
constexpr int TrackBarSliderImage = 29;
constexpr int TrackBarSliderVImage = 30;
constexpr int ScrollBarBackgroundColor = 31;
constexpr int ScrollBarButtonImage = 32;
constexpr int ScrollBarSliderImage = 33;
constexpr int CheckListBoxImage = 34;
constexpr int ToolBarButtonBorderColor = 35;
constexpr int ToolBarButtonBackgroundColor = 36;
constexpr int ToolBarButtonDownBackgroundColor = 37;
constexpr int ScrollButtonImage = 38;
constexpr int TabControlTabImage = 39;
constexpr int TabControlBarImage = 40;
constexpr int SideChannelHandleImage = 41;
constexpr int SideChannelBarImage = 42;
constexpr int TitleBarMinimizedImage = 43;
constexpr int TitleBarFontColor = 44;
constexpr int FormLeftBorderImage = 45;
constexpr int FormBottomBorderImage = 46;
constexpr int FormBottomRoundCornerInt = 47;
constexpr int MenuMenuBarColor = 48;
constexpr int Count = 48;
}  // namespace SkKey

// The key's name; empty for a number outside 1..48.
const char* ThemeKeyName(int key);
// The key's kind; integer for a number outside 1..48.
TskThemeValueKind ThemeKeyKind(int key);

struct TskStyleValue {
    TskThemeValueKind Kind = tvkInteger;
    int32_t Value = -1;          // integers, colours (0x00BBGGRR) and booleans (0 or 1)
    const char* Bitmap = "";     // bitmap keys: the resource name ("" when the style has none)
};

// A style other than the five built-in ones, or a key outside 1..48, gives an integer -1.
TskStyleValue StyleValue(TskUIStyle style, int key);
// The typed readers give the value when the key has that kind, else false, 0 or -1.
bool StyleBool(TskUIStyle style, int key);
TColor StyleColor(TskUIStyle style, int key);
int StyleInt(TskUIStyle style, int key);

// Loads the key's bitmap resource of the program into graphic (a bitmap takes it
// directly, another graphic by Assign). Nothing happens when graphic is null, the key is
// not a bitmap key or the style has no bitmap for it; EInvalidGraphic when the program
// lacks the resource.
void LoadStyleBitmap(TskUIStyle style, int key, TGraphic* graphic);
// Frame frameIndex (1-based) of frameCount equal frames side by side; frameCount 0 loads
// the whole bitmap.
void LoadStyleBitmapFrame(TskUIStyle style, int key, TGraphic* graphic, int frameCount, int frameIndex);

// A bitmap resource of the program by name (the style bitmaps outside the key table:
// "MENU_CHECKED", "MACOS_MENU_SELECT", "MACOS_MENU_BAR", the form background tiles).
void LoadStyleBitmapResource(const std::string& name, TBitmap& bitmap);

// Key-indexed access to one theme file.
class TskFileThemeMgr {
public:
    TskFileThemeMgr();
    ~TskFileThemeMgr();
    TskFileThemeMgr(const TskFileThemeMgr&) = delete;
    TskFileThemeMgr& operator=(const TskFileThemeMgr&) = delete;

    // False (and the current reader kept) when the file does not exist. Otherwise the
    // file is parsed first and replaces the current reader only when that succeeded: a
    // malformed file raises the parse error and changes nothing.
    bool OpenThemeFile(const std::string& path);
    bool HasReader() const { return reader_ != nullptr; }
    const TskThemeFileReader* Reader() const { return reader_.get(); }

    // The key's picture into graphic; unchanged without a reader, without a picture for
    // the key, or when the picture data does not decode.
    void BitmapByKey(int key, TGraphic* graphic) const;
    // False without a reader.
    bool BoolByKey(int key) const;
    // 0 without a reader, -1 when the file lacks the key.
    int IntByKey(int key) const;
    // False when there is no reader or the file lacks the key.
    bool TryIntByKey(int key, int& value) const;

private:
    std::unique_ptr<TskThemeFileReader> reader_;
};
