// The skinned caption of a form frame: a three-piece background picture, the caption, a
// control box or the application's icon on the left and a row of picture buttons on the
// right (minimise, maximise/restore, close, help, custom). It drags the window, maximises
// on a double click and offers a window menu.
#pragma once
#include "controls/skinned/SkMgr.h"
#include "controls/skinned/SkPopupMenu.h"
#include "framework/ExtCtrls.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TskTitleBar;

// What the frame answers its form's window with: the width of the frame's right-border
// picture (0 without one). The title bar shifts its pictures by it.
constexpr UINT SKM_RIGHTBORDERWIDTH = 9923;

enum class TskTitleBarBtnType { skMax, skMin, skClose, skHelp, skControlBox, skCustom };
DECLARE_ENUM_NAMES(TskTitleBarBtnType, "skMax", "skMin", "skClose", "skHelp", "skControlBox", "skCustom");
using enum TskTitleBarBtnType;

enum class TskTitleBarAlign { skLeft, skRight, skClient };
DECLARE_ENUM_NAMES(TskTitleBarAlign, "skLeft", "skRight", "skClient");
using enum TskTitleBarAlign;

using TskTitleBarButtonClickEvent = std::function<void(TObject* Sender, int ButtonIndex)>;

// ---------------------------------------------------------------------------------------
// Buttons

class TskTitleBarButton : public TCollectionItem {
    DECLARE_CLASS(TskTitleBarButton, TCollectionItem)
    explicit TskTitleBarButton(TCollection* collection);
    ~TskTitleBarButton() override;
    // Every published property; pictures by value, ControlBoxMenu by reference.
    void Assign(TPersistent* Source) override;

    TskUIStyle GetUIStyle() const { return uiStyle_; }
    void SetUIStyle(TskUIStyle v);
    TskTitleBarBtnType GetButtonType() const { return buttonType_; }
    // Only one button of the bar may be the control box: a second one is refused with a
    // message and the button stays as it was.
    void SetButtonType(TskTitleBarBtnType v);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool v);
    // Stored only: the bar draws every button at its own button top.
    int GetTop() const { return top_; }
    void SetTop(int v);
    TPopupMenu* GetControlBoxMenu() const { return controlBoxMenu_; }
    void SetControlBoxMenu(TPopupMenu* v);
    bool GetVisible() const { return visible_; }
    void SetVisible(bool v);
    TPicture* GetPicNormal() const { return picNormal_.get(); }
    void SetPicNormal(TPicture* v) { picNormal_->Assign(v); }
    TPicture* GetPicMouseOn() const { return picMouseOn_.get(); }
    void SetPicMouseOn(TPicture* v) { picMouseOn_->Assign(v); }
    TPicture* GetPicMouseDown() const { return picMouseDown_.get(); }
    void SetPicMouseDown(TPicture* v) { picMouseDown_->Assign(v); }

    TskTitleBar* Bar() const;
    // The pictures, transparency and top of the style; a custom button keeps its pictures.
    void ApplyStyle();

    static void Publish(TClassBuilder<TskTitleBarButton>& b);

private:
    friend class TskTitleBar;
    TskUIStyle uiStyle_ = DeepBlue;
    TskTitleBarBtnType buttonType_ = skCustom;
    bool transparent_ = false;
    int top_ = 2;
    TPopupMenu* controlBoxMenu_ = nullptr;
    bool visible_ = true;
    std::unique_ptr<TPicture> picNormal_, picMouseOn_, picMouseDown_;
};

class TskTitleBarButtons : public TCollection {
    DECLARE_CLASS(TskTitleBarButtons, TCollection)
    explicit TskTitleBarButtons(TskTitleBar* bar);
    TskTitleBarButton* Add() { return static_cast<TskTitleBarButton*>(TCollection::Add()); }
    TskTitleBarButton* Items(int index) const { return static_cast<TskTitleBarButton*>(TCollection::Items(index)); }
    TPersistent* GetOwner() const override;
    TskTitleBar* Bar() const { return bar_; }
protected:
    void Update(TCollectionItem* item) override;
private:
    TskTitleBar* bar_;
};

// ---------------------------------------------------------------------------------------
// Sections

class TskTitleBarSection : public TCollectionItem {
    DECLARE_CLASS(TskTitleBarSection, TCollectionItem)
    explicit TskTitleBarSection(TCollection* collection);
    ~TskTitleBarSection() override;
    void Assign(TPersistent* Source) override;

    // Sets Width to the picture's width.
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    int GetWidth() const { return width_; }
    void SetWidth(int v);
    TskTitleBarAlign GetAlign() const { return align_; }
    // Only one section may be the client section (it always stretches): a second one is
    // refused with a message.
    void SetAlign(TskTitleBarAlign v);
    TPicture* GetPicture() const { return picture_.get(); }
    void SetPicture(TPicture* v) { picture_->Assign(v); }
    bool GetStretch() const { return stretch_; }
    void SetStretch(bool v);

    static void Publish(TClassBuilder<TskTitleBarSection>& b);

private:
    void PictureChanged();
    bool autoSize_ = false;
    int width_ = 10;
    TskTitleBarAlign align_ = skLeft;
    std::unique_ptr<TPicture> picture_;
    bool stretch_ = false;
};

class TskTitleBarSections : public TCollection {
    DECLARE_CLASS(TskTitleBarSections, TCollection)
    explicit TskTitleBarSections(TskTitleBar* bar);
    TskTitleBarSection* Add() { return static_cast<TskTitleBarSection*>(TCollection::Add()); }
    TskTitleBarSection* Items(int index) const { return static_cast<TskTitleBarSection*>(TCollection::Items(index)); }
    TPersistent* GetOwner() const override;
protected:
    void Update(TCollectionItem* item) override;
private:
    TskTitleBar* bar_;
};

// ---------------------------------------------------------------------------------------
// The window menu: minimise, maximise/restore and close, each enabled only while the bar
// has that button.

class TskTitleBarPopupMenu : public TskPopupMenu {
    DECLARE_CLASS(TskTitleBarPopupMenu, TskPopupMenu)
    explicit TskTitleBarPopupMenu(TComponent* AOwner);
    void Popup(int X, int Y) override;
    TMenuItem* MinimizeItem() const { return minimize_; }
    TMenuItem* MaximizeItem() const { return maximize_; }
    TMenuItem* CloseItem() const { return close_; }
private:
    TskTitleBar* Bar() const;
    TMenuItem* minimize_ = nullptr;
    TMenuItem* maximize_ = nullptr;
    TMenuItem* close_ = nullptr;
};

// ---------------------------------------------------------------------------------------
// Geometry, kept apart from the window so it can be checked on its own.

// Where the bar draws its right-hand buttons: from x = barWidth + rightOffset + border
// leftwards, each picture width + interval + 1 further left, kept inside the bar; every
// button at buttonTop. One rectangle per size, in the same order.
std::vector<TRect> TitleBarButtonRects(int barWidth, int rightOffset, int border, int interval, int buttonTop,
                                       const std::vector<TSize>& sizes);
// The caption cut from its end until what is left, followed by "...", fits room; the whole
// caption when it fits; "..." alone (or less) when nothing else does.
std::string ShortenCaption(const std::string& caption, int room, const std::function<int(const std::string&)>& width);

// ---------------------------------------------------------------------------------------
// TskTitleBar

class TskTitleBar : public TCustomPanel {
    DECLARE_CLASS(TskTitleBar, TCustomPanel)
    explicit TskTitleBar(TComponent* AOwner);
    ~TskTitleBar() override;

    bool GetCustom() const { return custom_; }
    void SetCustom(bool v) { custom_ = v; }
    TskFileTheme* GetFileTheme() const { return fileTheme_; }
    // Applies the style again, leaving the caption's colour alone.
    void SetFileTheme(TskFileTheme* v);
    TskUIStyle GetUIStyle() const { return uiStyle_; }
    // Rebuilds sections, button pictures, offsets and caption colour from the style or
    // theme file; nothing but the stored value while Custom is set.
    void SetUIStyle(TskUIStyle v);
    // Sets the height from the first section's picture whatever the value; without
    // sections the value becomes false.
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool v) override;
    TskTitleBarSections* GetSections() const { return sections_.get(); }
    void SetSections(TskTitleBarSections* v) { sections_->Assign(v); }
    TskTitleBarButtons* GetButtons() const { return buttons_.get(); }
    void SetButtons(TskTitleBarButtons* v) { buttons_->Assign(v); }
    int GetButtonInterval() const { return buttonInterval_; }
    void SetButtonInterval(int v);
    bool GetFormActive() const { return formActive_; }
    void SetFormActive(bool v);
    int GetLeftBtnXOffset() const { return leftBtnXOffset_; }
    void SetLeftBtnXOffset(int v);
    int GetRightBtnXOffset() const { return rightBtnXOffset_; }
    void SetRightBtnXOffset(int v);
    bool GetDrawAppIcon() const { return drawAppIcon_; }
    void SetDrawAppIcon(bool v);
    int GetRoundCorner() const { return roundCorner_; }
    void SetRoundCorner(int v) { roundCorner_ = v; }
    int GetRoundCornerBottom() const { return roundCornerBottom_; }
    void SetRoundCornerBottom(int v) { roundCornerBottom_ = v; }

    TskTitleBarButtonClickEvent OnCustomBtnsClick;
    TskTitleBarButtonClickEvent OnHelpBtnClick;

    // The window menu (minimise, maximise/restore, close).
    TskTitleBarPopupMenu* PopupMenu() const { return popup_; }
    // Whether the bar sits on a skinned form frame.
    bool OnFormFrame() const;
    // The form the bar acts on.
    TCustomForm* ParentFormOf() const { return GetParentForm(); }
    // Where each visible button is drawn (the control box included), by collection index;
    // empty rectangles for hidden buttons.
    std::vector<TRect> ButtonRects();
    // The button at p (bar coordinates), or -1.
    int ButtonAt(TPoint p);
    // The action of the button at index: maximise or restore, minimise, close, or the
    // control box menu.
    void ButtonAction(int index);
    // Shows the maximise or the restore pictures, as the form is now.
    void RefreshMaxButton();
    // What the frame answers; 0 off a frame.
    int RightBorderWidth() const;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TskTitleBar>& b);

protected:
    void Paint() override;
    // Draws the three sections into the bitmap.
    virtual void DrawBackground(TBitmap& bitmap);
    // Draws the buttons and the caption into the bitmap.
    virtual void DrawButtonsAndCaption(TBitmap& bitmap);
    // Whether the system locale reads right to left (Wine never says so).
    virtual bool SystemReadsRightToLeft() const;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;

private:
    friend class TskTitleBarButton;
    friend class TskTitleBarPopupMenu;
    bool ReadsRightToLeft() const;
    void BuildSections(const TskStyleReader& style);
    void ApplyCaptionColor(const TskStyleReader& style);
    void MaximizeAction();
    void MinimizeAction();
    void ShowControlBoxMenu(TPopupMenu* menu);
    int ControlBoxIndex() const;
    void PassToForm(TMessage& Message);

    bool custom_ = false;
    TskFileTheme* fileTheme_ = nullptr;
    TskUIStyle uiStyle_ = DeepBlue;
    bool autoSize_ = false;
    std::unique_ptr<TskTitleBarSections> sections_;
    std::unique_ptr<TskTitleBarButtons> buttons_;
    int buttonInterval_ = 0;
    bool formActive_ = true;
    int leftBtnXOffset_ = 0;
    int rightBtnXOffset_ = 0;
    bool drawAppIcon_ = false;
    int roundCorner_ = 0;
    int roundCornerBottom_ = 0;
    TskTitleBarPopupMenu* popup_ = nullptr;
    bool pressed_ = false;
    int pressedButton_ = -1;   // the button the press began on
    int hotButton_ = -1;
    int stripHeight_ = 0;
    int buttonTop_ = 0;
    TColor borderColor_ = clBlack;
    bool applyingTheme_ = false;
};
