// A popup menu that draws all its items itself, in the colours of a visual style, of a
// theme file, or of its own properties.
#pragma once
#include "controls/skinned/SkMenu.h"
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
    int GetMenuItemHeight() const { return look_.MenuItemHeight; }
    void SetMenuItemHeight(int Value);
    int GetSeparatorHeight() const { return look_.SeparatorHeight; }
    void SetSeparatorHeight(int Value);
    int GetBarWidth() const { return look_.BarWidth; }
    void SetBarWidth(int Value);
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
    void SetFontName(const std::string& Value);
    int GetFontSize() const { return look_.FontSize; }
    void SetFontSize(int Value);
    TFontCharset GetFontCharset() const { return look_.FontCharset; }
    void SetFontCharset(TFontCharset Value);
    bool GetUseSystemFont() const { return look_.UseSystemFont; }
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

    TskFileTheme* fileTheme_ = nullptr;
    TskUIStyle uiStyle_ = DeepBlue;
    TskMenuLook look_;
};

// The check mark of menu items, one image list for all popup menus ("MENU_CHECKED", white
// transparent); empty when the program lacks the bitmap.
TCustomImageList* MenuCheckImages();
// A new list holding the check mark, owned by owner.
TCustomImageList* CreateMenuCheckImages(TComponent* owner);
