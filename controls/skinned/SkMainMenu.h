// A form's main menu drawn in the skinned look: its drop-down items are measured and
// drawn like the skinned popup menu's, and its top-level items are shown by the menu bar
// of the form's skinned frame instead of the system's menu bar.
#pragma once
#include "controls/skinned/SkMenu.h"
#include "controls/skinned/SkMgr.h"
#include "framework/Menus.h"

#include <string>

class TskForm;

class TskMainMenu : public TMainMenu {
    DECLARE_CLASS(TskMainMenu, TMainMenu)
    // Takes its first style from the owner form's skinned frame (DeepBlue without one).
    explicit TskMainMenu(TComponent* AOwner);
    // On a form: takes away the form's own menu bar and gives itself to the form's frame.
    void AfterConstruction() override;

    // None while the menu uses its own check-mark list; setting none puts that list back.
    TCustomImageList* GetImages() const;
    void SetImages(TCustomImageList* Value);
    bool GetOwnerDraw() const { return true; }
    void SetOwnerDraw(bool Value) override { (void)Value; }
    bool IsOwnerDraw() const override { return true; }

    TskFileTheme* GetFileTheme() const { return fileTheme_; }
    void SetFileTheme(TskFileTheme* Value);
    TskUIStyle GetUIStyle() const { return uiStyle_; }
    void SetUIStyle(TskUIStyle Value);
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
    // Also gives the frame's menu bar the menu font.
    void SetUseSystemFont(bool Value);

    // The frame that shows the menu; set by the frame.
    TskForm* Frame() const { return frame_; }
    void SetFrame(TskForm* Value) { frame_ = Value; }

    void MeasureMenuItem(TMenuItem* Item, TCanvas* ACanvas, int& Width, int& Height) override;
    void DrawMenuItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    static void Publish(TClassBuilder<TskMainMenu>& b);

protected:
    void MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) override;
    // Whether the system locale reads right to left (items mirror only then).
    virtual bool SystemReadsRightToLeft() const;

private:
    void SizesChanged();
    TCustomImageList* checks_ = nullptr;   // owned
    TskFileTheme* fileTheme_ = nullptr;
    TskUIStyle uiStyle_ = DeepBlue;
    TskMenuLook look_;
    TskForm* frame_ = nullptr;
};
