// The skinned form frame: placed on a form, it fills the form, takes the system caption
// away and draws its own title bar, borders, optional menu bar, rounded corners and
// background in the colours and pictures of a visual style or theme file. It takes over
// the form's messages to size and paint the non-client area, track activation, maximise
// within the work area and run menu shortcuts; removed, it leaves the form as it was.
#pragma once
#include "controls/skinned/SkMainMenu.h"
#include "controls/skinned/SkTitleBar.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"

#include <memory>
#include <string>

class TskForm;

// The bar that shows a main menu's top-level items on a skinned frame.
class TskMenuBar : public TToolBar {
    DECLARE_CLASS(TskMenuBar, TToolBar)
    explicit TskMenuBar(TComponent* AOwner);
    TskForm* Frame() const { return frame_; }
    void SetFrame(TskForm* v) { frame_ = v; }
private:
    TskForm* frame_ = nullptr;
};

// ---------------------------------------------------------------------------------------
// Geometry and border painting, apart from any window so they can be checked alone.

// The client rectangle of a window rectangle: no caption, the sides inset by the right-border
// picture's width less 2 (none without a picture), the bottom raised by the bottom picture's
// height less 2; never outside the window.
TRect SkFormClientRect(const TRect& window, int rightBorderWidth, int bottomHeight);
// The rounded window shape: the upper half with corners of size roundCorner, the lower half
// with corners of size roundCornerBottom (-1 counts as 0).
TGdiHandle CreateSkFormRegion(int width, int height, int roundCorner, int roundCornerBottom);
// Where a maximised frame's form goes: the work area widened by 4 pixels left, right and up
// and shortened by 1 at the bottom.
TRect SkFormMaximizedRect(const TRect& workArea);

// What the border painting needs to know.
struct TskFrameBorder {
    int Width = 0, Height = 0;
    int BorderWidth = 1;
    TColor BorderColor = clBlack;
    TColor Color = clBtnFace;
    bool TitleVisible = true;
    int TitleHeight = 0;            // the title bar's height, visible or not
    bool MenuBarVisible = false;
    int MenuBarHeight = 0;
    TColor MenuBarColor = clBtnFace;
    // The title bar's left, client and right pictures; all three or the strips are left out.
    TGraphic* Left = nullptr;
    TGraphic* Client = nullptr;
    TGraphic* Right = nullptr;
    int RoundCorner = 0;
    // Theme files only: the left border (its copy turned half round is the right border)
    // and the three-slice bottom border.
    TBitmap* LeftBorder = nullptr;
    TBitmap* RightBorder = nullptr;
    TBitmap* BottomBorder = nullptr;
};
// Paints the border over the outermost pixels of a window of the given size, on canvas in
// window coordinates.
void PaintSkFormBorder(TCanvas& canvas, const TskFrameBorder& border);

// ---------------------------------------------------------------------------------------
// TskForm

class TskForm : public TCustomPanel {
    DECLARE_CLASS(TskForm, TCustomPanel)
    // The owner must be a form without a frame: a second frame raises "Sorry, You can create
    // only one TskForm component in one form!".
    explicit TskForm(TComponent* AOwner);
    ~TskForm() override;

    bool GetTitleBarCustom() const;
    void SetTitleBarCustom(bool v);
    TskFileTheme* GetFileTheme() const { return fileTheme_; }
    void SetFileTheme(TskFileTheme* v);
    TskUIStyle GetUIStyle() const { return uiStyle_; }
    // Colours, border, corners and menu-bar colour of the style or theme file; passed on to
    // the title bar and the attached menu (and the children with UIStyleAutoUpdateSub).
    void SetUIStyle(TskUIStyle v);
    bool GetUIStyleAutoUpdateSub() const { return autoUpdateSub_; }
    void SetUIStyleAutoUpdateSub(bool v) { autoUpdateSub_ = v; }
    TColor GetBorderColor() const { return borderColor_; }
    void SetBorderColor(TColor v);
    // The skinned border's width (the panel's own border stays 0).
    int GetFrameBorderWidth() const { return borderWidth_; }
    void SetFrameBorderWidth(int v);
    bool GetTitleBarVisible() const { return titleBarVisible_; }
    void SetTitleBarVisible(bool v);
    // The title bar's caption; setting it also sets the form's text.
    std::string GetFrameCaption() const;
    void SetFrameCaption(const std::string& v);
    TCustomPanel* GetFormPanel() const { return formPanel_; }
    // Selecting the frame itself is refused with a message.
    void SetFormPanel(TCustomPanel* v);
    TskTitleBarButtons* GetTitleBarButtons() const;
    void SetTitleBarButtons(TskTitleBarButtons* v);
    TskTitleBarSections* GetTitleBarSections() const;
    void SetTitleBarSections(TskTitleBarSections* v);
    bool GetTitleBarDrawAppIcon() const;
    void SetTitleBarDrawAppIcon(bool v);
    TFont* GetTitleBarFont() const;
    void SetTitleBarFont(TFont* v);
    TMainMenu* GetMenu() const { return menu_; }
    // With a menu the menu bar is made (when missing) and rebuilt; without, it goes.
    void SetMenu(TMainMenu* v);
    TColor GetMenuBarColor() const { return menuBarColor_; }
    void SetMenuBarColor(TColor v);
    int GetMenuBarHeight() const { return menuBarHeight_; }
    void SetMenuBarHeight(int v);
    // 0 while the title bar is hidden.
    int GetRoundCorner() const;
    void SetRoundCorner(int v);
    int GetRoundCornerBottom() const;
    void SetRoundCornerBottom(int v);
    std::string GetVersion() const { return "5.8"; }
    void SetVersion(const std::string& v) { (void)v; }

    // The title bar's custom and help button clicks.
    TskTitleBarButtonClickEvent OnTitleBarCustomBtnsClick;
    TskTitleBarButtonClickEvent OnTitleBarHelpBtnClick;

    TskTitleBar* TitleBar() const { return titleBar_; }
    TskMenuBar* MenuBar() const { return menuBar_; }
    TCustomForm* Form() const { return form_; }
    // The title bar's height while it shows, else 0.
    int TitleBarHeight() const;
    // The right-border picture's width, 0 without one (what the form answers 9923 with).
    int RightBorderWidth() const;

    void CreateMenuBar();
    void RemoveMenuBar();
    void RebuildMenuBar();
    // Every button takes its item's caption and enabled state.
    void RefreshMenuBar();
    void ApplyMenuFont();
    // Paints the border on the form's window.
    void PaintNonClient();
    // Gives the form its rounded shape.
    void UpdateRegion();

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TskForm>& b);

protected:
    void Paint() override;
    void AdjustClientRect(TRect& Rect) override;
    void Destroying() override;

private:
    // Every message of the form passes here first.
    void FormWndProc(TMessage& Message, const TWndMethod& Next);
    void WMNCCalcSize(TMessage& Message);
    void WMNCPaint(TMessage& Message, const TWndMethod& Next);
    void WMSize();
    void WMShowWindow();
    void WMActivate(TMessage& Message);
    void FrameStyleChanged();
    // The application-wide hook: Alt+Space and menu shortcuts.
    void AppMessage(MSG& Msg, bool& Handled);
    bool MenuShortCut(const TMessage& Message);
    void RemoveCaption();
    void FrameChanged();
    void ReadThemeBorders(const TskStyleReader& style);
    TskMainMenu* SkinnedMenu() const { return dynamic_cast<TskMainMenu*>(menu_); }
    void MenuBarDrawButton(TToolBar* Sender, TToolButton* Button, TCanvas* Canvas, TCustomDrawState State,
                           bool& DefaultDraw);
    void MenuBarDraw(TToolBar* Sender, const TRect& ARect, bool& DefaultDraw);
    TskFrameBorder BorderParams() const;

    TCustomForm* form_ = nullptr;
    TskTitleBar* titleBar_ = nullptr;
    TskMenuBar* menuBar_ = nullptr;
    TMainMenu* menu_ = nullptr;
    TCustomPanel* formPanel_ = nullptr;
    TskFileTheme* fileTheme_ = nullptr;
    TskUIStyle uiStyle_ = DeepBlue;
    bool autoUpdateSub_ = false;
    TColor borderColor_ = clBlack;
    int borderWidth_ = 1;
    bool titleBarVisible_ = true;
    TColor menuBarColor_ = clBtnFace;
    int menuBarHeight_ = 22;
    std::unique_ptr<TWindowProcHook> hook_;
    TApplicationEvents* appEvents_ = nullptr;   // owned
    std::unique_ptr<TBitmap> rightBorder_;
    int bottomBorderHeight_ = 0;
    bool destroying_ = false;
    bool sizing_ = false;
    // The form's state when the frame came: given back when the frame goes.
    TRect savedBounds_;
    bool wasMaximized_ = false;
    int maximizedSizes_ = 0;
    TFormBorderStyle savedBorderStyle_ = bsSizeable;
    LONG_PTR savedCaptionBits_ = 0;
    int savedMinWidth_ = 0, savedMinHeight_ = 0;
};
