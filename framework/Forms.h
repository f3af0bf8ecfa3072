// Forms: the form classes, the application object with its message loop, hints and
// message boxes, and the screen object.
#pragma once
#include "framework/Controls.h"

#include <functional>
#include <string>
#include <vector>

class TApplication;
class TScreen;
class TMainMenu;

// ---------------------------------------------------------------------------------------
// Message boxes: every box of the program goes through this one seam, so tests can answer
// boxes and record them. The handler returns the button id (IDOK, IDYES, ...).

using TMessageBoxHandler =
    std::function<int(HWND Owner, const std::string& Text, const std::string& Caption, UINT Flags)>;
// Installs handler (an empty one restores the default, MessageBoxA); returns the previous.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);
// Shows a box through the seam.
int ShowMessageBox(HWND Owner, const std::string& Text, const std::string& Caption, UINT Flags);
// A plain box: the text, OK, the application's title, no icon.
void ShowMessage(const std::string& Text);

// ---------------------------------------------------------------------------------------
// Form types

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
DECLARE_ENUM_NAMES(TCloseAction, "caNone", "caHide", "caFree", "caMinimize");
using enum TCloseAction;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrClose = IDCLOSE;
constexpr TModalResult mrHelp = IDHELP;
constexpr TModalResult mrTryAgain = IDTRYAGAIN;
constexpr TModalResult mrContinue = IDCONTINUE;
constexpr TModalResult mrAll = mrContinue + 1;
constexpr TModalResult mrNoToAll = mrAll + 1;
constexpr TModalResult mrYesToAll = mrNoToAll + 1;

enum class TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter
};
DECLARE_ENUM_NAMES(TPosition, "poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                   "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter");
using enum TPosition;

enum class TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
DECLARE_ENUM_NAMES(TBorderIcon, "biSystemMenu", "biMinimize", "biMaximize", "biHelp");
using enum TBorderIcon;
using TBorderIcons = TSet<TBorderIcon>;

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
DECLARE_ENUM_NAMES(TWindowState, "wsNormal", "wsMinimized", "wsMaximized");
using enum TWindowState;

enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
DECLARE_ENUM_NAMES(TFormStyle, "fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop");
using enum TFormStyle;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TShortCutEvent = std::function<void(WORD Key, TShiftState Shift, bool& Handled)>;
using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;

// Components owned by a form that take keyboard shortcuts (action lists, main menus);
// the form asks each of them in IsShortCut.
class IShortCutHandler {
public:
    virtual ~IShortCutHandler() = default;
    virtual bool IsShortCut(WORD Key, TShiftState Shift) = 0;
};

// ---------------------------------------------------------------------------------------
// TCustomForm

class TCustomForm : public TWinControl {
    DECLARE_CLASS(TCustomForm, TWinControl)
    // Reads the layout resource named after the class unless readLayout is false (a form
    // built in code).
    explicit TCustomForm(TComponent* AOwner, bool readLayout = true);
    ~TCustomForm() override;
    void AfterConstruction() override;

    void Show();
    void Hide();
    // Asks OnCloseQuery, runs OnClose and does what it says; ends a modal showing; closing
    // the main form ends the application.
    void Close();
    // Frees the form once the messages now waiting are handled (safe from its handlers).
    void Release();
    // Shows the form with the other windows of the thread disabled until ModalResult is
    // set or Close is called; returns ModalResult.
    virtual int ShowModal();
    virtual bool CloseQuery();
    bool IsModal() const { return modal_; }

    TModalResult GetModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult v);
    TWinControl* GetActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* v);
    // The control that has the focus (or had it when the form was last active).
    TWinControl* FocusedControl() const { return focusedControl_; }
    void FocusControl(TWinControl* Control);
    void DefocusControl(TWinControl* Control, bool Removing);
    // Keeps the form's idea of the focus in step (called when a control gets the focus).
    void SetFocusedControl(TWinControl* Control);
    bool Active() const { return active_; }
    // Form shortcuts: OnShortCut, then the owned IShortCutHandler components.
    virtual bool IsShortCut(WORD Key, TShiftState Shift);

    TFormBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle v);
    TBorderIcons GetBorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons v);
    TPosition GetPosition() const { return position_; }
    void SetPosition(TPosition v) { position_ = v; }
    TFormStyle GetFormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle v);
    TWindowState GetWindowState() const;
    void SetWindowState(TWindowState v);
    bool GetKeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool v) { keyPreview_ = v; }
    bool GetScaled() const { return scaled_; }
    void SetScaled(bool v) { scaled_ = v; }
    int GetPixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int v) { pixelsPerInch_ = v; }
    bool GetTransparentColor() const { return transparentColor_; }
    void SetTransparentColor(bool v);
    TColor GetTransparentColorValue() const { return transparentColorValue_; }
    void SetTransparentColorValue(TColor v);
    bool GetAlphaBlend() const { return alphaBlend_; }
    void SetAlphaBlend(bool v);
    int GetAlphaBlendValue() const { return alphaBlendValue_; }
    void SetAlphaBlendValue(int v);
    TIcon* Icon() const { return icon_.get(); }
    void SetIcon(TIcon* v);
    TCanvas* Canvas() const { return canvas_.get(); }
    // The menu bar the window shows (a form that sits in another control shows none).
    TMainMenu* GetMenu() const { return menu_; }
    void SetMenu(TMainMenu* v);
    std::string GetHelpFile() const { return helpFile_; }
    void SetHelpFile(const std::string& v) { helpFile_ = v; }

    void SetVisible(bool v) override;
    bool Showing() const override;
    void SetClientSize(int w, int h) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TShortCutEvent OnShortCut;

    static void Publish(TClassBuilder<TCustomForm>& b);
    void DefineProperties(TFiler& Filer) override;
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    friend class TWinControl;
    friend class TApplication;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void CreateHandle() override;
    void DestroyWnd() override;
    void Destroying() override;
    void PaintWindow(HDC DC) override;
    virtual void Paint();
    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);
    virtual void Activate();
    virtual void Deactivate();
    void CloseModal();
    void ApplyPosition();
    void ApplyLayered();

private:
    void WMActivate(TMessage& Message);
    void WMSetFocus(TMessage& Message);
    void WMGetMinMaxInfo(TMessage& Message);
    void WMSysCommand(TMessage& Message);
    void CMDialogKey(TMessage& Message);
    bool FocusActiveControl();

    bool readLayout_;
    bool modal_ = false;
    bool active_ = false;
    TModalResult modalResult_ = mrNone;
    TWinControl* activeControl_ = nullptr;
    TWinControl* focusedControl_ = nullptr;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = {biSystemMenu, biMinimize, biMaximize};
    TPosition position_ = poDesigned;
    TFormStyle formStyle_ = fsNormal;
    TWindowState windowState_ = wsNormal;
    bool keyPreview_ = false;
    bool scaled_ = true;
    int pixelsPerInch_ = 96;
    bool transparentColor_ = false;
    TColor transparentColorValue_ = clBlack;
    bool alphaBlend_ = false;
    int alphaBlendValue_ = 255;
    std::unique_ptr<TIcon> icon_;
    std::unique_ptr<TControlCanvas> canvas_;
    std::string helpFile_;
    TMainMenu* menu_ = nullptr;
    int requestedClientWidth_ = -1;
    int requestedClientHeight_ = -1;
};

class TForm : public TCustomForm {
    DECLARE_CLASS(TForm, TCustomForm)
    explicit TForm(TComponent* AOwner, bool readLayout = true) : TCustomForm(AOwner, readLayout) {}
};

// ---------------------------------------------------------------------------------------
// TScreen

class TScreen : public TComponent {
    DECLARE_CLASS(TScreen, TComponent)
    explicit TScreen(TComponent* AOwner);
    ~TScreen() override;

    // The cursor for every window of the program; crDefault lets controls choose.
    TCursor GetCursor() const { return cursor_; }
    void SetCursor(TCursor v);
    // The cursor handle for an id; an id without a cursor gives the arrow.
    HCURSOR Cursors(TCursor index) const;
    // Registers a cursor (positive ids); the screen destroys it at the end.
    void SetCursors(TCursor index, HCURSOR cursor);

    TCustomForm* Forms(int index) const { return forms_.at(static_cast<size_t>(index)); }
    TCustomForm* ActiveForm() const { return activeForm_; }
    TWinControl* ActiveControl() const;
    int Width() const;
    int Height() const;
    TRect DesktopRect() const;
    // The work area of the primary monitor (the taskbar excluded).
    TRect WorkAreaRect() const;

    TNotifyEvent OnActiveFormChange;
    TNotifyEvent OnActiveControlChange;

private:
    friend class TCustomForm;
    void AddForm(TCustomForm* f);
    void RemoveForm(TCustomForm* f);
    void SetActiveForm(TCustomForm* f);
    std::vector<TCustomForm*> forms_;
    TCustomForm* activeForm_ = nullptr;
    TCursor cursor_ = crDefault;
    std::vector<std::pair<TCursor, HCURSOR>> cursors_;
};

// ---------------------------------------------------------------------------------------
// TApplication

class TApplication : public TComponent {
    DECLARE_CLASS(TApplication, TComponent)
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    void Initialize();
    // Creates a form owned by the application; the first one becomes the main form. ref is
    // set (and MainForm too) before the form's OnCreate runs.
    template <class T>
    void CreateForm(T*& ref) {
        ref = nullptr;
        pendingRef_ = [&ref](TCustomForm* f) { ref = static_cast<T*>(f); };
        creatingMainForm_ = mainForm_ == nullptr;
        TScopeExit created([this] {
            pendingRef_ = nullptr;
            creatingMainForm_ = false;
        });
        // The reference was set early: a form that failed to finish must not stay in it.
        TScopeExit failed([&ref] { ref = nullptr; });
        ref = T::Create(this);
        failed.Dismiss();
    }
    // Shows the main form (when ShowMainForm) and runs the message loop until the main form
    // closes or Terminate is called.
    void Run();
    // Handles every waiting message, then returns.
    void ProcessMessages();
    // Handles one message, waiting for one when none is there.
    void HandleMessage();
    // Handles one waiting message, if any, without waiting; true when there was one.
    bool ProcessMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Allows a new Run after Terminate (tests run many loops in one process).
    void ResetTerminated() { terminated_ = false; }
    void Minimize();
    void Restore();
    // Hands the exception being handled (call inside catch) to OnException or an error box.
    void HandleException(TObject* Sender);
    void ShowException(const std::exception& E);
    // A message box through the seam, owned by the active form; returns the button id.
    int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags = MB_OK);
    // Frees the forms and the application's windows; WinMain calls it at the end.
    void Shutdown();

    std::string GetTitle() const;
    void SetTitle(const std::string& v) { title_ = v; }
    std::string ExeName() const;
    TCustomForm* MainForm() const { return mainForm_; }
    void SetShowMainForm(bool v) { showMainForm_ = v; }
    // True while a window of the program is the foreground window.
    bool Active() const;

    // Hints
    bool GetShowHint() const { return showHint_; }
    void SetShowHint(bool v);
    int HintPause = 500;
    int HintShortPause = 50;
    int HintHidePause = 2500;
    TColor HintColor = clInfoBk;
    const std::string& GetHint() const { return hint_; }
    void SetHint(const std::string& v);
    void CancelHint();
    // Shows the hint of the control under the pointer now.
    void ActivateHint(TPoint CursorPos);
    THintWindow* HintWindow() const { return hintWindow_; }
    void HintMouseMessage(TControl* Control, TPoint ScreenPos);
    void ControlDestroyed(TControl* Control);

    TExceptionEvent OnException;
    TMessageEvent OnMessage;
    TNotifyEvent OnHint;
    TNotifyEvent OnIdle;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;

private:
    friend class TCustomForm;
    void FormConstructed(TCustomForm* f);
    void FormDestroying(TCustomForm* f);
    bool IsKeyMsg(MSG& msg);
    void Idle();
    void HintTimer(UINT id);
    void EnsureUtilWindow();

    TCustomForm* mainForm_ = nullptr;
    std::function<void(TCustomForm*)> pendingRef_;
    bool creatingMainForm_ = false;
    bool terminated_ = false;
    bool showMainForm_ = true;
    std::string title_;
    int handlingException_ = 0;
    bool showHint_ = true;
    std::string hint_;
    TControl* hintControl_ = nullptr;
    THintWindow* hintWindow_ = nullptr;
    HWND utilWnd_ = nullptr;
};

// ---------------------------------------------------------------------------------------
// TApplicationEvents: a component that takes part in the application's message loop. Any
// number may live at once (the application's own OnMessage holds one handler); each is
// asked, in the order they were made, until one marks the message handled.

class TApplicationEvents : public TComponent {
    DECLARE_CLASS(TApplicationEvents, TComponent)
    explicit TApplicationEvents(TComponent* AOwner);
    ~TApplicationEvents() override;
    TMessageEvent OnMessage;
    static void Publish(TClassBuilder<TApplicationEvents>& b);
};

// The program's application and screen objects; they exist from start-up on.
extern TApplication* Application;
extern TScreen* Screen;

// The form a control sits on (nullptr when none).
TCustomForm* GetParentForm(const TControl* Control);
