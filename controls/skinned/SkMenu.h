// Drawing routines shared by the skinned menus.
#pragma once
#include "controls/skinned/SkThemes.h"
#include "framework/Menus.h"

#include <string>

class TskFileTheme;

void FrameMenuRect(TCanvas& canvas, const TRect& rect, TColor color);
void FillMenuRect(TCanvas& canvas, const TRect& rect, TColor color);
// One line at top + 2, clear of the bar on the leading side.
void DrawMenuSeparator(TCanvas& canvas, const TRect& rect, TColor color, bool leftToRight, int barWidth);
// The MacOS look: bands cut from the "MACOS_MENU_BAR" and "MACOS_MENU_SELECT" bitmaps and
// stretched over the rectangle.
void DrawMacSeparator(TCanvas& canvas, const TRect& rect);
void DrawMacSelection(TCanvas& canvas, const TRect& rect);
void DrawMacItem(TCanvas& canvas, const TRect& rect);
// A flat frame around a popup menu's window, drawn in the window's own device context
// (never on the desktop's): the frame colour outside, white inside it, and the line colour
// along the top and right edges.
void DrawPopupBorder(HWND menuWindow, TColor frameColor, TColor lineColor);
// The system's menu font in clMenuText; the font stays as it was when the system can't
// say.
void SetSystemMenuFont(TFont* font);

// The look the skinned popup and main menus share: sizes, colours and font (a style or
// theme sets them, explicit properties may override them afterwards), and the measuring
// and drawing of items in that look.
struct TskMenuLook {
    int MenuItemHeight = 21;
    int SeparatorHeight = 21;
    int BarWidth = 0;
    TColor BarColor = clBtnFace;
    TColor Color = clWhite;           // the item background
    TColor SeparatorColor = clGray;
    TColor SelectedBorderColor = clHighlight;
    TColor SelectedColor = clHighlight;
    TColor SelectedFontColor = clWhite;
    TColor FontColor = clWhite;
    TColor BorderColor = clBlack;     // kept for layouts; nothing is drawn in it
    bool FlatMenu = false;
    std::string FontName = "MS Sans Serif";
    int FontSize = 8;
    TFontCharset FontCharset = DEFAULT_CHARSET;
    bool UseSystemFont = true;

    // The bar width, heights, separator colour and six menu colours of the style (or of
    // the theme file when the style says so).
    void ApplyStyle(const TskFileTheme* fileTheme, TskUIStyle uiStyle);
    // The font items are measured and drawn with.
    void PrepareFont(TCanvas& canvas, const TMenuItem* item) const;
    // Measured in the font the item is drawn in, so that no caption is cut off.
    void Measure(const TMenuItem* item, TCanvas& canvas, int& width, int& height) const;

    // Where an item is drawn and with what.
    struct TItemContext {
        TskUIStyle Style = DeepBlue;           // MacOS draws bitmap bands
        bool LeftToRight = true;
        TCustomImageList* Images = nullptr;    // item images; nullptr for none
        TCustomImageList* Checks = nullptr;    // the check mark
        TColor FlatLineColor = clWhite;        // the flat border's line colour
    };
    void Draw(const TMenuItem* item, TCanvas& canvas, const TRect& rect, TOwnerDrawState state,
              const TItemContext& context) const;

private:
    void DrawBarAndBackground(TCanvas& canvas, const TRect& rect, bool leftToRight) const;
    void DrawItemBackground(TCanvas& canvas, const TRect& rect, const TItemContext& context, bool highlighted) const;
    void DrawItemText(TCanvas& canvas, const TMenuItem* item, const TRect& rect, bool leftToRight) const;
    void DrawItemGlyph(TCanvas& canvas, const TMenuItem* item, const TRect& rect, const TItemContext& context,
                       bool enabled) const;
};
