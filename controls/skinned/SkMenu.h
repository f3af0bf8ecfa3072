// What the skinned popup and main menus share: the drawing routines, the look their items
// are measured and drawn in, and the properties they publish over that look.
#pragma once
#include "controls/skinned/SkMgr.h"
#include "controls/skinned/SkThemes.h"
#include "framework/Menus.h"

#include <string>

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

// The properties a skinned menu publishes over its look, on the menu class it extends
// (TPopupMenu or TMainMenu). The menu is always owner-drawn; a style or theme file sets
// the whole look, explicit values set afterwards win, and a change of size has the items
// measured again.
template <class TBase>
class TskLookMenu : public TBase {
public:
    using TBase::TBase;

    // Always owner-drawn, whatever is stored.
    bool GetOwnerDraw() const { return true; }
    void SetOwnerDraw(bool Value) override { (void)Value; }
    bool IsOwnerDraw() const override { return true; }

    TskFileTheme* GetFileTheme() const { return fileTheme_; }
    // Stores the theme and applies UIStyle again (also when it is the same theme).
    void SetFileTheme(TskFileTheme* Value) {
        if (fileTheme_ != Value) {
            if (fileTheme_) fileTheme_->RemoveFreeNotification(this);
            if (Value) Value->FreeNotification(this);
        }
        fileTheme_ = Value;
        SetUIStyle(uiStyle_);
    }
    TskUIStyle GetUIStyle() const { return uiStyle_; }
    // Sets the bar width, the item and separator heights, the separator colour and the
    // six menu colours of the style (or of the theme file); explicit values set later win.
    void SetUIStyle(TskUIStyle Value) {
        uiStyle_ = Value;
        look_.ApplyStyle(fileTheme_, Value);
        SizesChanged();
    }
    // Both heights are fixed while the style is MacOS, whose bitmaps have their own.
    int GetMenuItemHeight() const { return look_.MenuItemHeight; }
    void SetMenuItemHeight(int Value) {
        if (uiStyle_ != MacOS) ChangeSize(look_.MenuItemHeight, Value);
    }
    int GetSeparatorHeight() const { return look_.SeparatorHeight; }
    void SetSeparatorHeight(int Value) {
        if (uiStyle_ != MacOS) ChangeSize(look_.SeparatorHeight, Value);
    }
    int GetBarWidth() const { return look_.BarWidth; }
    void SetBarWidth(int Value) { ChangeSize(look_.BarWidth, Value); }
    TColor GetBarColor() const { return look_.BarColor; }
    void SetBarColor(TColor Value) { look_.BarColor = Value; }
    TColor GetColor() const { return look_.Color; }
    void SetColor(TColor Value) { look_.Color = Value; }
    TColor GetSeparatorColor() const { return look_.SeparatorColor; }
    void SetSeparatorColor(TColor Value) { look_.SeparatorColor = Value; }
    TColor GetSelectedBorderColor() const { return look_.SelectedBorderColor; }
    void SetSelectedBorderColor(TColor Value) { look_.SelectedBorderColor = Value; }
    TColor GetSelectedColor() const { return look_.SelectedColor; }
    void SetSelectedColor(TColor Value) { look_.SelectedColor = Value; }
    TColor GetSelectedFontColor() const { return look_.SelectedFontColor; }
    void SetSelectedFontColor(TColor Value) { look_.SelectedFontColor = Value; }
    TColor GetFontColor() const { return look_.FontColor; }
    void SetFontColor(TColor Value) { look_.FontColor = Value; }
    // Kept for layouts; nothing is drawn in it.
    TColor GetBorderColor() const { return look_.BorderColor; }
    void SetBorderColor(TColor Value) { look_.BorderColor = Value; }
    bool GetFlatMenu() const { return look_.FlatMenu; }
    void SetFlatMenu(bool Value) { look_.FlatMenu = Value; }
    const std::string& GetFontName() const { return look_.FontName; }
    void SetFontName(const std::string& Value) { ChangeSize(look_.FontName, Value); }
    int GetFontSize() const { return look_.FontSize; }
    void SetFontSize(int Value) { ChangeSize(look_.FontSize, Value); }
    TFontCharset GetFontCharset() const { return look_.FontCharset; }
    void SetFontCharset(TFontCharset Value) { ChangeSize(look_.FontCharset, Value); }
    bool GetUseSystemFont() const { return look_.UseSystemFont; }
    void SetUseSystemFont(bool Value) { ChangeSize(look_.UseSystemFont, Value); }

    // Every item of the menu, sub-items and items added at run time included, is measured
    // here, in the font it is drawn in.
    void MeasureMenuItem(TMenuItem* Item, TCanvas* ACanvas, int& Width, int& Height) override {
        look_.Measure(Item, *ACanvas, Width, Height);
    }
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TBase::Notification(AComponent, Operation);
        if (Operation == TOperation::opRemove && AComponent && AComponent == fileTheme_) {
            fileTheme_ = nullptr;
            SetUIStyle(DeepBlue);
        }
    }

    // The look properties, in the order layouts store them (the menu's own come before).
    template <class C>
    static void PublishLook(TClassBuilder<C>& b) {
        b.Prop("OwnerDraw", &C::GetOwnerDraw, &C::SetOwnerDraw);
        b.Prop("FileTheme", &C::GetFileTheme, &C::SetFileTheme);
        b.Prop("UIStyle", &C::GetUIStyle, &C::SetUIStyle);
        b.Prop("MenuItemHeight", &C::GetMenuItemHeight, &C::SetMenuItemHeight);
        b.Prop("SeparatorHeight", &C::GetSeparatorHeight, &C::SetSeparatorHeight);
        b.Prop("BarWidth", &C::GetBarWidth, &C::SetBarWidth);
        b.Prop("BarColor", &C::GetBarColor, &C::SetBarColor);
        b.Prop("Color", &C::GetColor, &C::SetColor);
        b.Prop("SeparatorColor", &C::GetSeparatorColor, &C::SetSeparatorColor);
        b.Prop("SelectedBorderColor", &C::GetSelectedBorderColor, &C::SetSelectedBorderColor);
        b.Prop("SelectedColor", &C::GetSelectedColor, &C::SetSelectedColor);
        b.Prop("SelectedFontColor", &C::GetSelectedFontColor, &C::SetSelectedFontColor);
        b.Prop("FontColor", &C::GetFontColor, &C::SetFontColor);
        b.Prop("BorderColor", &C::GetBorderColor, &C::SetBorderColor);
        b.Prop("FlatMenu", &C::GetFlatMenu, &C::SetFlatMenu);
        b.Prop("FontName", &C::GetFontName, &C::SetFontName);
        b.Prop("FontSize", &C::GetFontSize, &C::SetFontSize);
        b.Prop("FontCharset", &C::GetFontCharset, &C::SetFontCharset);
        b.Prop("UseSystemFont", &C::GetUseSystemFont, &C::SetUseSystemFont);
    }

protected:
    // Whether the system locale reads right to left; the items mirror only then, and only
    // when BiDiMode is not left-to-right.
    virtual bool SystemReadsRightToLeft() const { return GetSystemMetrics(SM_MIDEASTENABLED) != 0; }
    // Where the items are drawn: the style, the reading order and the flat border's line
    // colour; the caller adds the images.
    TskMenuLook::TItemContext ItemContext() const {
        TskMenuLook::TItemContext context;
        context.Style = uiStyle_;
        context.LeftToRight = this->GetBiDiMode() == bdLeftToRight || !SystemReadsRightToLeft();
        if (look_.FlatMenu) context.FlatLineColor = TskStyleReader(fileTheme_, uiStyle_).Color(SkKey::FormBackgroundColor);
        return context;
    }
    // Items are measured again the next time the menu shows.
    void SizesChanged() { this->MenuChanged(this, nullptr, true); }

    TskMenuLook look_;

private:
    template <class T>
    void ChangeSize(T& field, const T& value) {
        if (value == field) return;
        field = value;
        SizesChanged();
    }

    TskFileTheme* fileTheme_ = nullptr;
    TskUIStyle uiStyle_ = DeepBlue;
};
