// A popup menu that draws all its items itself, in the colours of a visual style, of a
// theme file, or of its own properties.
#pragma once
#include "controls/skinned/SkMgr.h"
#include "framework/Menus.h"

#include <string>

class TskPopupMenu : public TPopupMenu {
    DECLARE_CLASS(TskPopupMenu, TPopupMenu)
    // Takes its first style from the owner form's skinned frame (DeepBlue without one).
    explicit TskPopupMenu(TComponent* AOwner);

    // Always owner-drawn, whatever is stored.
    bool GetOwnerDraw() const { return true; }
    void SetOwnerDraw(bool Value) override { (void)Value; }
    bool IsOwnerDraw() const override { return true; }

    TskFileTheme* GetFileTheme() const { return fileTheme_; }
    // Stores the theme and applies UIStyle again (also when it is the same theme).
    void SetFileTheme(TskFileTheme* Value);
    TskUIStyle GetUIStyle() const { return uiStyle_; }
    // Sets the bar width, the item and separator heights, the separator colour and the
    // six menu colours of the style (or of the theme file); explicit values set later win.
    void SetUIStyle(TskUIStyle Value);
    // Both heights are fixed while the style is MacOS, whose bitmaps have their own.
    int GetMenuItemHeight() const { return menuItemHeight_; }
    void SetMenuItemHeight(int Value);
    int GetSeparatorHeight() const { return separatorHeight_; }
    void SetSeparatorHeight(int Value);
    int GetBarWidth() const { return barWidth_; }
    void SetBarWidth(int Value);
    TColor GetBarColor() const { return barColor_; }
    void SetBarColor(TColor Value) { barColor_ = Value; }
    TColor GetColor() const { return color_; }
    void SetColor(TColor Value) { color_ = Value; }
    TColor GetSeparatorColor() const { return separatorColor_; }
    void SetSeparatorColor(TColor Value) { separatorColor_ = Value; }
    TColor GetSelectedBorderColor() const { return selectedBorderColor_; }
    void SetSelectedBorderColor(TColor Value) { selectedBorderColor_ = Value; }
    TColor GetSelectedColor() const { return selectedColor_; }
    void SetSelectedColor(TColor Value) { selectedColor_ = Value; }
    TColor GetSelectedFontColor() const { return selectedFontColor_; }
    void SetSelectedFontColor(TColor Value) { selectedFontColor_ = Value; }
    TColor GetFontColor() const { return fontColor_; }
    void SetFontColor(TColor Value) { fontColor_ = Value; }
    // Kept for layouts; nothing is drawn in it.
    TColor GetBorderColor() const { return borderColor_; }
    void SetBorderColor(TColor Value) { borderColor_ = Value; }
    bool GetFlatMenu() const { return flatMenu_; }
    void SetFlatMenu(bool Value) { flatMenu_ = Value; }
    const std::string& GetFontName() const { return fontName_; }
    void SetFontName(const std::string& Value);
    int GetFontSize() const { return fontSize_; }
    void SetFontSize(int Value);
    TFontCharset GetFontCharset() const { return fontCharset_; }
    void SetFontCharset(TFontCharset Value);
    bool GetUseSystemFont() const { return useSystemFont_; }
    void SetUseSystemFont(bool Value);

    // Every item of this menu, sub-items and items added at run time included, is
    // measured and drawn here, in this menu's colours.
    void MeasureMenuItem(TMenuItem* Item, TCanvas* ACanvas, int& Width, int& Height) override;
    void DrawMenuItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    static void Publish(TClassBuilder<TskPopupMenu>& b);

protected:
    // Whether the system locale reads right to left; the items mirror only then, and only
    // when BiDiMode is not left-to-right.
    virtual bool SystemReadsRightToLeft() const;

private:
    bool ReadsRightToLeft() const;
    // Items are measured again the next time the menu shows.
    void SizesChanged();
    // The font the items are measured and drawn with.
    void PrepareFont(TCanvas& canvas, const TMenuItem* item) const;
    void DrawBarAndBackground(TCanvas& canvas, const TRect& rect, bool leftToRight) const;
    void DrawSeparatorItem(TCanvas& canvas, const TRect& rect, bool leftToRight) const;
    void DrawItemBackground(TCanvas& canvas, const TRect& rect, bool leftToRight, bool highlighted) const;
    void DrawItemText(TCanvas& canvas, const TMenuItem* item, const TRect& rect, bool leftToRight) const;
    void DrawItemGlyph(TCanvas& canvas, const TMenuItem* item, const TRect& rect, bool leftToRight, bool enabled) const;
    bool HasUsableImage(const TMenuItem* item) const;

    TskFileTheme* fileTheme_ = nullptr;
    TskUIStyle uiStyle_ = DeepBlue;
    int menuItemHeight_ = 21;
    int separatorHeight_ = 21;
    int barWidth_ = 0;
    TColor barColor_ = clBtnFace;
    TColor color_ = clWhite;
    TColor separatorColor_ = clGray;
    TColor selectedBorderColor_ = clHighlight;
    TColor selectedColor_ = clHighlight;
    TColor selectedFontColor_ = clWhite;
    TColor fontColor_ = clWhite;
    TColor borderColor_ = clBlack;
    bool flatMenu_ = false;
    std::string fontName_ = "MS Sans Serif";
    int fontSize_ = 8;
    TFontCharset fontCharset_ = DEFAULT_CHARSET;
    bool useSystemFont_ = true;
};

// The check mark of menu items, one image list for all menus ("MENU_CHECKED", white
// transparent); empty when the program lacks the bitmap.
TCustomImageList* MenuCheckImages();
