// Controls: the control classes (windowed, windowless, custom painted), the framework's
// own messages, the align engine, mouse routing, hints and cursors, and the base of actions.
#pragma once
#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/Types.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;

// ---------------------------------------------------------------------------------------
// Messages

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// The framework's own messages. They live in the WM_APP range so that they never meet the
// program's private WM_USER-based numbers (1124, 9923) nor a common control's messages.
// CM_*: notifications between controls (sent with Perform, never through Win32).
//   CM_MOUSEENTER / CM_MOUSELEAVE      LParam = the control the pointer entered/left
//   CM_ENABLEDCHANGED, CM_VISIBLECHANGED (WParam = new visible), CM_TEXTCHANGED,
//   CM_FONTCHANGED, CM_COLORCHANGED    after the control's own property changed
//   CM_PARENTFONTCHANGED, CM_PARENTCOLORCHANGED, CM_PARENTSHOWHINTCHANGED
//                                      broadcast to the children of the changed control
//   CM_SHOWINGCHANGED                  the effective showing state changed
//   CM_DIALOGKEY                       WParam = virtual key, LParam = key data; Result 1 = taken
//   CM_DIALOGCHAR                      WParam = character (an accelerator); Result 1 = taken
//   CM_WANTSPECIALKEY                  WParam = virtual key; Result 1 = the control wants it
//   CM_HINTSHOW                        LParam = THintInfo*; Result 1 = do not show
//   CM_SYSCOLORCHANGE                  broadcast when the system colours changed
//   CM_ENTER / CM_EXIT                 the focus entered / left the control
//   CM_FOCUSCHANGED                    broadcast by a form; LParam = the new focused control
//   CM_DESIGNHITTEST                   kept for completeness; there is no designer
//   CM_RELEASE                         posted to a form by Release: frees it
//   CM_BORDERCHANGED, CM_RECREATEWND   a form's border is about to change / its window has
//                                      been made again (sent after the new one exists)
// CN_*: WM_COMMAND, WM_NOTIFY, WM_DRAWITEM ... reflected from the parent back to the child
//   control that caused them (CN_BASE + the original message number).
constexpr UINT CM_BASE = WM_APP + 0x2000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_MOUSEENTER = CM_BASE + 2;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 3;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 4;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 5;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 6;
constexpr UINT CM_FONTCHANGED = CM_BASE + 7;
constexpr UINT CM_COLORCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 9;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 10;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 11;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 12;
constexpr UINT CM_DIALOGKEY = CM_BASE + 13;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 14;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 15;
constexpr UINT CM_HINTSHOW = CM_BASE + 16;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 17;
constexpr UINT CM_ENTER = CM_BASE + 18;
constexpr UINT CM_EXIT = CM_BASE + 19;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 20;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 21;
constexpr UINT CM_RELEASE = CM_BASE + 22;
constexpr UINT CM_BORDERCHANGED = CM_BASE + 23;
constexpr UINT CM_RECREATEWND = CM_BASE + 24;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 25;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 26;   // WParam = child, LParam = inserted (1) / removed (0)
constexpr UINT CM_CANCELMODE = CM_BASE + 27;
constexpr UINT CM_INVOKEHELP = CM_BASE + 28;

constexpr UINT CN_BASE = WM_APP + 0x3000;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr UINT CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;

// ---------------------------------------------------------------------------------------
// Enumerations

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
DECLARE_ENUM_NAMES(TAlign, "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom");
using enum TAlign;

enum class TAnchorKind { akLeft, akTop, akRight, akBottom };
DECLARE_ENUM_NAMES(TAnchorKind, "akLeft", "akTop", "akRight", "akBottom");
using enum TAnchorKind;
using TAnchors = TSet<TAnchorKind>;

enum class TControlStyleFlag {
    csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption,
    csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable,
    csNoStdEvents, csDisplayDragImage, csReflector, csActionClient, csMenuEvents, csNeedsBorderPaint,
    csParentBackground
};
using enum TControlStyleFlag;
using TControlStyle = TSet<TControlStyleFlag>;

enum class TControlStateFlag {
    csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing, csCreating,
    csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking
};
using enum TControlStateFlag;
using TControlState = TSet<TControlStateFlag>;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
DECLARE_ENUM_NAMES(TMouseButton, "mbLeft", "mbRight", "mbMiddle");
using enum TMouseButton;

enum class TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using enum TShiftStateFlag;
using TShiftState = TSet<TShiftStateFlag>;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
DECLARE_ENUM_NAMES(TAlignment, "taLeftJustify", "taRightJustify", "taCenter");
using enum TAlignment;

enum class TTextLayout { tlTop, tlCenter, tlBottom };
DECLARE_ENUM_NAMES(TTextLayout, "tlTop", "tlCenter", "tlBottom");
using enum TTextLayout;

// Forms use every value; panels and edits only bsNone and bsSingle.
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
DECLARE_ENUM_NAMES(TFormBorderStyle, "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
                   "bsSizeToolWin");
using enum TFormBorderStyle;
using TBorderStyle = TFormBorderStyle;

enum class TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
DECLARE_ENUM_NAMES(TBiDiMode, "bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign",
                   "bdRightToLeftReadingOnly");
using enum TBiDiMode;

// Cursors: negative numbers are the system's, positive ones registered by the program
// through Screen->SetCursors. A layout writes them by name (crHandPoint) or number.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = crSizeAll;
bool CursorToIdent(int cursor, std::string& ident);
bool IdentToCursor(const std::string& ident, int& cursor);

// ---------------------------------------------------------------------------------------
// Events

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TWndMethod = std::function<void(TMessage&)>;

// Dragging a control onto another (the dragged control is the drag's source object).
enum class TDragState { dsDragEnter, dsDragLeave, dsDragMove };
DECLARE_ENUM_NAMES(TDragState, "dsDragEnter", "dsDragLeave", "dsDragMove");
using enum TDragState;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;

TShiftState KeysToShiftState(WPARAM keys);      // MK_* flags of a mouse message
TShiftState KeyDataToShiftState(LPARAM keyData);  // the key data of a key message
TShiftState GetShiftState();                     // the keyboard's state now

// ---------------------------------------------------------------------------------------
// The exception barrier

// Hands the exception being handled to the application's handler (an error box). Call it
// only inside a catch block. Defined by Forms.
void ApplicationHandleException(TObject* Sender);

// Runs f; an exception ends f and goes to the application's handler. Use it at every
// place where Win32 calls back into our code.
template <class F>
bool Guard(F&& f, TObject* Sender = nullptr) {
    try {
        f();
        return true;
    } catch (...) {
        ApplicationHandleException(Sender);
        return false;
    }
}

// A hidden window whose messages go to method (inside the barrier); for timers and the
// like. Free it with DeallocateHWnd, which is safe from inside method.
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND wnd);

// Keeps a window (none: nothing) from painting while its contents change many times;
// turning painting back on repaints it whole, as the window itself does not.
void SetRedraw(HWND wnd, bool on);

// ---------------------------------------------------------------------------------------
// Actions: the part that controls need. The action list unit builds TAction on this.

class TBasicActionLink;

class TBasicAction : public TComponent {
    DECLARE_CLASS(TBasicAction, TComponent)
    explicit TBasicAction(TComponent* AOwner);
    ~TBasicAction() override;

    // Runs OnExecute; false when nothing handled it.
    virtual bool Execute();
    // Runs OnUpdate; false when nothing handled it.
    virtual bool Update();
    // Whether the action carries caption, enabled, ... for its clients (TCustomAction does).
    virtual bool HasClientProperties() const { return false; }
    virtual std::string GetCaption() const { return {}; }
    virtual bool GetEnabled() const { return true; }
    virtual bool GetVisible() const { return true; }
    virtual bool GetChecked() const { return false; }
    virtual std::string GetHint() const { return {}; }
    virtual int GetImageIndex() const { return -1; }
    virtual int GetHelpContext() const { return 0; }

    void RegisterChanges(TBasicActionLink* link);
    void UnRegisterChanges(TBasicActionLink* link);
    int ClientCount() const { return static_cast<int>(clients_.size()); }
    TBasicActionLink* Clients(int index) const { return clients_.at(static_cast<size_t>(index)); }

    // The component that executes the action at the moment (the clicked control).
    TComponent* ActionComponent = nullptr;
    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;
    TNotifyEvent OnChange;

    static void Publish(TClassBuilder<TBasicAction>& b);

protected:
    // Tells every client that a property changed.
    virtual void Change();
    void Destroying() override;
private:
    std::vector<TBasicActionLink*> clients_;
};

class TBasicActionLink : public TObject {
    DECLARE_CLASS(TBasicActionLink, TObject)
    explicit TBasicActionLink(TObject* Client);
    ~TBasicActionLink() override;

    TBasicAction* Action() const { return action_; }
    virtual void SetAction(TBasicAction* value);
    virtual bool Execute(TComponent* AComponent = nullptr);
    virtual bool Update();
    TNotifyEvent OnChange;

protected:
    friend class TBasicAction;
    virtual void Change();
    virtual void AssignClient(TObject* Client) { (void)Client; }
    TBasicAction* action_ = nullptr;
};

// A link that can push single properties to its client. A property is "linked" while the
// client still holds the action's value, so a client's own change wins.
class TActionLink : public TBasicActionLink {
    DECLARE_CLASS(TActionLink, TBasicActionLink)
    using TBasicActionLink::TBasicActionLink;
    virtual bool IsCaptionLinked() const { return action_ && action_->HasClientProperties(); }
    virtual bool IsEnabledLinked() const { return action_ && action_->HasClientProperties(); }
    virtual bool IsVisibleLinked() const { return action_ && action_->HasClientProperties(); }
    virtual bool IsCheckedLinked() const { return action_ && action_->HasClientProperties(); }
    virtual bool IsHintLinked() const { return action_ && action_->HasClientProperties(); }
    virtual bool IsImageIndexLinked() const { return action_ && action_->HasClientProperties(); }
    virtual bool IsHelpLinked() const { return action_ && action_->HasClientProperties(); }
    virtual bool IsOnExecuteLinked() const { return action_ != nullptr; }
    virtual void SetCaption(const std::string& value) { (void)value; }
    virtual void SetEnabled(bool value) { (void)value; }
    virtual void SetVisible(bool value) { (void)value; }
    virtual void SetChecked(bool value) { (void)value; }
    virtual void SetHint(const std::string& value) { (void)value; }
    virtual void SetImageIndex(int value) { (void)value; }
    virtual void SetHelpContext(int value) { (void)value; }
};

class TControlActionLink : public TActionLink {
    DECLARE_CLASS(TControlActionLink, TActionLink)
    explicit TControlActionLink(TObject* Client);
    bool IsCaptionLinked() const override;
    bool IsEnabledLinked() const override;
    bool IsVisibleLinked() const override;
    bool IsHintLinked() const override;
    void SetCaption(const std::string& value) override;
    void SetEnabled(bool value) override;
    void SetVisible(bool value) override;
    void SetHint(const std::string& value) override;
protected:
    void AssignClient(TObject* Client) override;
    TControl* client_ = nullptr;
};

// The part of a popup menu a control needs for its context menu; the menu unit's
// TPopupMenu implements it. A control's PopupMenu must be a component that does.
class IPopupMenu {
public:
    virtual ~IPopupMenu() = default;
    // Shows the menu at a screen position for the control that was clicked.
    virtual void PopupFor(TControl* Control, int X, int Y) = 0;
    virtual bool AutoPopup() const { return true; }
};

// ---------------------------------------------------------------------------------------
// Size constraints

class TSizeConstraints : public TPersistent {
    DECLARE_CLASS(TSizeConstraints, TPersistent)
    explicit TSizeConstraints(TControl* control) : control_(control) {}
    int GetMinWidth() const { return minWidth_; }
    void SetMinWidth(int v);
    int GetMinHeight() const { return minHeight_; }
    void SetMinHeight(int v);
    int GetMaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int v);
    int GetMaxHeight() const { return maxHeight_; }
    void SetMaxHeight(int v);
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override;
    // Clamps a size to the limits (0 means no limit).
    void Apply(int& width, int& height) const;
    static void Publish(TClassBuilder<TSizeConstraints>& b);
private:
    void Changed();
    TControl* control_;
    int minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
};

// ---------------------------------------------------------------------------------------
// TControl

// Controls are watched like any component.
using TControlWatch = TComponentWatch;

class TControl : public TComponent {
    DECLARE_CLASS(TControl, TComponent)
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // --- messages
    // Sends a message to the control's WindowProc (not through Win32) and returns Result.
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
    // The control's message handler; replaceable (keep the old one to pass messages on).
    TWndMethod WindowProc;
    virtual void WndProc(TMessage& Message);
    // Messages the class does not handle itself end here.
    virtual void DefaultHandler(TMessage& Message);
    // The framework's handling of a message (mouse, focus, CM_*), then DefaultHandler.
    void Dispatch(TMessage& Message);

    // --- placement
    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* AParent);
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;
    TCustomForm* GetParentForm() const;

    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    // Every change of position or size comes through here.
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    // The client area in the control's own coordinates.
    virtual TRect GetClientRect() const;
    int GetClientWidth() const { return GetClientRect().Width(); }
    void SetClientWidth(int v) { SetClientSize(v, GetClientHeight()); }
    int GetClientHeight() const { return GetClientRect().Height(); }
    void SetClientHeight(int v) { SetClientSize(GetClientWidth(), v); }
    virtual void SetClientSize(int w, int h);
    // The client area's origin in the parent's client coordinates.
    virtual TPoint GetClientOrigin() const;
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;
    // Between this control's client coordinates and its parent's.
    TPoint ClientToParent(TPoint p, TWinControl* AParent = nullptr) const;
    TPoint ParentToClient(TPoint p, TWinControl* AParent = nullptr) const;

    TAlign GetAlign() const { return align_; }
    virtual void SetAlign(TAlign v);
    TAnchors GetAnchors() const { return anchors_; }
    void SetAnchors(TAnchors v);
    TSizeConstraints* Constraints() const { return constraints_.get(); }
    void SetConstraints(TSizeConstraints* v) { constraints_->Assign(v); }
    bool GetAutoSize() const { return autoSize_; }
    virtual void SetAutoSize(bool v);

    // --- state
    bool GetVisible() const { return visible_; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible here and in every parent, and the top window shown.
    virtual bool Showing() const;
    bool GetEnabled() const { return enabled_; }
    virtual void SetEnabled(bool v);
    std::string GetText() const { return GetTextValue(); }
    void SetText(const std::string& v) { SetTextValue(v); }
    std::string GetCaption() const { return GetTextValue(); }
    void SetCaption(const std::string& v) { SetTextValue(v); }
    TColor GetColor() const { return color_; }
    virtual void SetColor(TColor v);
    bool GetParentColor() const { return parentColor_; }
    void SetParentColor(bool v);
    TFont* Font() const { return font_.get(); }
    virtual void SetFont(TFont* v);
    bool GetParentFont() const { return parentFont_; }
    void SetParentFont(bool v);
    const std::string& GetHint() const { return hint_; }
    void SetHint(const std::string& v) { hint_ = v; }
    bool GetShowHint() const { return showHint_; }
    void SetShowHint(bool v);
    bool GetParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool v);
    TCursor GetCursor() const { return cursor_; }
    virtual void SetCursor(TCursor v);
    // A component implementing IPopupMenu (the menu unit's TPopupMenu), or nullptr.
    TComponent* GetPopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TComponent* v);
    TBasicAction* GetAction() const;
    void SetAction(TBasicAction* v);
    TBasicActionLink* ActionLink() const { return actionLink_.get(); }
    TBiDiMode GetBiDiMode() const { return bidiMode_; }
    void SetBiDiMode(TBiDiMode v) { bidiMode_ = v; }
    bool UseRightToLeftAlignment() const { return false; }
    bool UseRightToLeftReading() const { return false; }
    UINT DrawTextBiDiModeFlags(UINT flags) const { return flags; }
    int GetHelpContext() const { return helpContext_; }
    void SetHelpContext(int v) { helpContext_ = v; }

    TControlStyle ControlStyle;
    TControlState ControlState;

    // --- painting
    // Marks the control for repainting (with erasing the background).
    virtual void Invalidate();
    void InvalidateNoErase();
    // Paints what is invalid now.
    virtual void Update();
    // Invalidate and paint at once.
    virtual void Repaint();
    void Refresh() { Repaint(); }

    // --- order and focus
    void BringToFront();
    void SendToBack();
    // Moves the control to position index among its parent's children.
    void SetZOrderPosition(int index);
    virtual bool Focused() const { return false; }

    // --- mouse
    bool MouseCapture() const;
    void SetMouseCapture(bool v);
    bool IsMouseInside() const;

    virtual void Click();
    virtual void DblClick();

    // --- dragging
    // Starts dragging this control while the left button is held: at once, or once the
    // mouse has moved more than Threshold pixels (-1: the system's drag distance). The
    // control under the mouse is asked (DragOver) and gets the drop (DragDrop); Esc, the
    // right button or a lost capture cancel.
    void BeginDrag(bool Immediate, int Threshold = -1);
    // Drops on the target under the mouse when it accepts (Drop), else cancels.
    void EndDrag(bool Drop);
    // True while a drag of this control runs (not while it waits for the threshold).
    bool Dragging() const;
    // The hint text to show: the part before '|'.
    std::string GetShortHint() const;
    // The effective ShowHint after ParentShowHint.
    bool EffectiveShowHint() const;

    // --- events
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    TContextPopupEvent OnContextPopup;
    TNotifyEvent OnResize;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

    static void Publish(TClassBuilder<TControl>& b);
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    friend class TWinControl;
    friend class TControlActionLink;
    friend class TSizeConstraints;
    friend struct TDragManager;

    void Destroying() override;
    virtual std::string GetTextValue() const { return text_; }
    virtual void SetTextValue(const std::string& v);
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
    virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
    virtual void DoContextPopup(TPoint MousePos, bool& Handled);
    // A drag passes over the control: Accept starts as whether OnDragOver is assigned.
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(TObject* Source, int X, int Y);
    // The drag of this control ended; Target is null when it was cancelled or refused.
    virtual void DoEndDrag(TObject* Target, int X, int Y);
    virtual void Resize();
    // Called after the bounds changed (windowed controls move their window).
    virtual void BoundsChanged() {}
    // The parent's align engine places this control: no anchor rules are recorded.
    void SetAlignedBounds(int ALeft, int ATop, int AWidth, int AHeight);
    // Asks the parent to align its children again after a change of this control.
    void RequestAlign();
    // Sizes the control to its content when AutoSize is set.
    virtual void AdjustSize() {}
    virtual void ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight);
    void UpdateAnchorRules();

    virtual void ActionChange(TObject* Sender, bool CheckDefaults);
    virtual TControlActionLink* CreateActionLink();
    void DoActionChange(TObject* Sender);

    // The graphic control's area on its parent; a windowed control's own client area.
    void InvalidateControl(bool IsVisible, bool IsOpaque);
    void FontChanged(TObject* Sender);
    void SendCancelMode(TControl* Sender);
    bool IsAccel(char ch, const std::string& caption) const;

    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::string text_;
    TColor color_ = clWindow;
    bool visible_ = true;
    bool enabled_ = true;
    bool autoSize_ = false;

private:
    void HandleMouseMessage(TMessage& Message);
    void ParentFontChanged();
    void ParentColorChanged();

    TAlign align_ = alNone;
    TAnchors anchors_ = {akLeft, akTop};
    // Distances to the parent's right and bottom client edges when the bounds were last set.
    int anchorRight_ = 0, anchorBottom_ = 0;
    bool anchoring_ = false;
    bool parentColor_ = false;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool settingParentFont_ = false;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TCursor cursor_ = crDefault;
    TComponent* popupMenu_ = nullptr;
    IPopupMenu* popupIntf_ = nullptr;
    std::unique_ptr<TControlActionLink> actionLink_;
    std::unique_ptr<TSizeConstraints> constraints_;
    TBiDiMode bidiMode_ = bdLeftToRight;
    int helpContext_ = 0;
};

// A handler put in front of a control's WindowProc. Hooks stack; each one takes itself
// out of the chain by identity when it is removed, wherever it sits, so a hook installed
// after it keeps working and the control's handler is as it was once all have gone. A
// hook that something foreign has wrapped since cannot be unlinked: it then only passes
// messages on.
class TWindowProcHook {
public:
    // Next hands a message to what the chain held before this hook.
    using THandler = std::function<void(TMessage& Message, const TWndMethod& Next)>;
    TWindowProcHook(TControl* Control, THandler Handler);
    ~TWindowProcHook();
    TWindowProcHook(const TWindowProcHook&) = delete;
    TWindowProcHook& operator=(const TWindowProcHook&) = delete;
    void Remove();
    bool Installed() const;

private:
    struct TLink;
    struct TCall;
    std::shared_ptr<TLink> link_;
};

// ---------------------------------------------------------------------------------------
// Window creation

struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    // The window class: our class name, its styles, and the standard class it extends
    // (empty for a class of our own, whose default procedure is DefWindowProc).
    std::string WinClassName;
    std::string BaseClassName;
    UINT ClassStyle = CS_DBLCLKS;
    HCURSOR ClassCursor = nullptr;
    HBRUSH ClassBackground = nullptr;
    HMENU Menu = nullptr;   // the child id for a child window
};

// ---------------------------------------------------------------------------------------
// TWinControl

class TWinControl : public TControl {
    DECLARE_CLASS(TWinControl, TControl)
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // --- the window
    HWND Handle();
    HWND WindowHandle() const { return handle_; }
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded();
    void DestroyHandle();
    // Destroys and creates the window again (when a creation style changed).
    void RecreateWnd();
    // Hosts the control in a foreign window (no parent control).
    HWND ParentWindow() const { return parentWindow_; }
    void SetParentWindow(HWND value);

    void WndProc(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;

    // --- children
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
    int ControlIndex(const TControl* c) const;
    bool ContainsControl(const TControl* c) const;
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    // Sends a message to every child (stops at the first that sets Result when asked).
    void Broadcast(TMessage& Message, bool stopWhenHandled = false);
    void NotifyControls(UINT Msg);
    // The topmost child at p (client coordinates): graphic children when allowWinControls
    // is false; disabled ones when allowDisabled.
    TControl* ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls = false) const;

    // --- align engine
    void DisableAlign();
    void EnableAlign();
    // Places the aligned and anchored children again.
    void Realign();
    // Paints child windows and graphic children into dc (WM_PRINTCLIENT).
    void PaintControls(HDC dc, TControl* First);

    // --- focus
    int GetTabOrder() const;
    void SetTabOrder(int v);
    bool GetTabStop() const { return tabStop_; }
    void SetTabStop(bool v);
    virtual bool CanFocus() const;
    bool Focused() const override;
    virtual void SetFocus();
    // The windowed descendants in tab order.
    void GetTabOrderList(std::vector<TWinControl*>& list) const;
    TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent) const;
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
    void SelectFirst();

    HBRUSH BrushHandle();
    bool GetParentBackground() const { return ControlStyle.Contains(csParentBackground); }
    void SetParentBackground(bool v);
    bool GetDoubleBuffered() const { return doubleBuffered_; }
    void SetDoubleBuffered(bool v) { doubleBuffered_ = v; }

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TRect GetClientRect() const override;
    void SetClientSize(int w, int h) override;
    TPoint GetClientOrigin() const override;
    bool Showing() const override;
    void Invalidate() override;
    void Update() override;
    void Repaint() override;
    // Invalidates the whole client area, with or without erasing its background.
    void InvalidateRect(const TRect* r, bool erase);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

    static void Publish(TClassBuilder<TWinControl>& b);
    void Loaded() override;

protected:
    friend class TControl;
    // The window's creation parameters; subclasses change styles and the class here.
    virtual void CreateParams(TCreateParams& Params);
    // For a subclass of a standard window class: takes its class style and procedure.
    void CreateSubClass(TCreateParams& Params, const char* ClassName);
    // Creates the window (CreateParams, class registration, CreateWindowHandle) and sets
    // it up; overrides call this first and then do their own post-creation work.
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& Params);
    // Saves what the window holds, then destroys it; overrides save first.
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    virtual void CreateHandle();
    // Shrinks the rectangle the align engine fills (borders, bevels, tabs).
    virtual void AdjustClientRect(TRect& Rect);
    // Places the aligned children in Rect, then the anchored ones.
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    // For alCustom children.
    virtual void CustomAlignPosition(TControl* Control, int& NewLeft, int& NewTop, int& NewWidth,
                                     int& NewHeight, TRect& AlignRect);
    // Called by a child whose bounds, alignment or visibility changed.
    void AlignControl(TControl* AControl);
    void AdjustSize() override;
    // Paints into dc: the window's own painting, then the graphic children.
    virtual void PaintHandler(TMessage& Message);
    // The window's own painting into dc (a standard control paints itself).
    virtual void PaintWindow(HDC DC);
    virtual void KeyDown(WORD& Key, TShiftState Shift);
    virtual void KeyUp(WORD& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    // A key message for the OnKey* handlers: the form's (with KeyPreview) first, then this
    // control's. True when the key is used up; otherwise Message carries the key that is left.
    bool DoKeyDown(TMessage& Message);
    bool DoKeyUp(TMessage& Message);
    bool DoKeyPress(TMessage& Message);
    virtual void DoEnter();
    virtual void DoExit();
    void SetTextValue(const std::string& v) override;
    std::string GetTextValue() const override;
    void BoundsChanged() override;
    // Reads the window's real position and size into the bounds.
    void UpdateBounds();
    void UpdateShowing();
    void RecreateWndIfAllocated() { if (HandleAllocated()) RecreateWnd(); }
    void UpdateBrush();

    HWND handle_ = nullptr;
    HWND parentWindow_ = nullptr;

private:
    friend LRESULT CALLBACK ControlWndProc(HWND, UINT, WPARAM, LPARAM);
    void HandleWinMouse(TMessage& Message);
    // A move to p (client): enter and leave for the control under the pointer, the hint.
    // False when their handlers freed this window.
    bool TrackMouseMove(TPoint p, TControl* capture);
    bool ReflectToChild(TMessage& Message);
    template <class Key, class Handler>
    bool DispatchKey(TMessage& Message, bool (TWinControl::*Preview)(TMessage&), Handler&& handle);
    void WMPaint(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void WMSetCursor(TMessage& Message);
    void WMWindowPosChanged(TMessage& Message);
    void WMContextMenu(TMessage& Message);
    void WMPrintClient(TMessage& Message);
    void WMMouseLeave(TMessage& Message);
    void WMCaptureChanged(TMessage& Message);
    void WMKeyDown(TMessage& Message);
    void WMKeyUp(TMessage& Message);
    void WMChar(TMessage& Message);
    void WMSetFocus(TMessage& Message);
    void WMSysColorChange(TMessage& Message);
    void WMReflectable(TMessage& Message);
    void WMNCDestroy(TMessage& Message);
    void CNKeyDown(TMessage& Message);
    void CNChar(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMFontChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void CNCtlColor(TMessage& Message);
    void UpdateTabOrder(int value);

    std::vector<TControl*> controls_;     // z-order, bottom first
    std::vector<TWinControl*> tabList_;   // tab order
    int tabOrder_ = -1;
    bool tabStop_ = false;
    int alignLevel_ = 0;
    bool alignPending_ = false;
    bool aligning_ = false;
    bool doubleBuffered_ = false;
    WNDPROC defWndProc_ = nullptr;
    TGdiHandle brush_;
    TColor brushColor_ = clNone;
};

// Finds our control from a window handle (nullptr when the window is not ours).
TWinControl* FindControl(HWND wnd);
// The window a key message being pre-processed was posted to (the message loop sets it).
void SetKeyMessageWindow(HWND wnd);
// The control (graphic children included) at a screen point; disabled ones when asked.
TControl* FindDragTarget(TPoint screenPos, bool allowDisabled);
TControl* ControlAtScreenPos(TPoint screenPos, bool allowDisabled);
// The control that holds the mouse capture (graphic controls through their parent).
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);
// The control under the mouse, as tracked for CM_MOUSEENTER/CM_MOUSELEAVE.
TControl* MouseControl();

// ---------------------------------------------------------------------------------------
// Canvas for controls

// A canvas on a control's window: the paint DC while painting, else a DC got on demand
// (for a graphic control, its parent's DC moved and clipped to the control).
class TControlCanvas : public TCanvas {
    DECLARE_CLASS(TControlCanvas, TCanvas)
    TControlCanvas() = default;
    ~TControlCanvas() override;
    TControl* Control() const { return control_; }
    void SetControl(TControl* value);
    // Gives back a DC got on demand.
    void FreeHandle();
    // Attaches a DC for a paint (not owned); nullptr detaches.
    void SetPaintDC(HDC dc);
protected:
    void CreateHandle() override;
private:
    TControl* control_ = nullptr;
    HDC ownDC_ = nullptr;
    HWND ownWnd_ = nullptr;
};

// Runs paint with Canvas locked and on DC, starting from Control's font and colour; the DC is
// detached again however paint ends.
template <class F>
void PaintOnCanvas(TControlCanvas& Canvas, HDC DC, const TControl& Control, F&& paint) {
    Canvas.Lock();
    TScopeExit release([&Canvas] {
        Canvas.SetHandle(nullptr);
        Canvas.Unlock();
    });
    Canvas.SetPaintDC(DC);
    Canvas.Font()->Assign(Control.Font());
    Canvas.Brush()->SetColor(Control.GetColor());
    paint();
}

// ---------------------------------------------------------------------------------------
// TGraphicControl: no window; the parent paints it and routes its mouse messages.

class TGraphicControl : public TControl {
    DECLARE_CLASS(TGraphicControl, TControl)
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    TCanvas* Canvas() const { return canvas_.get(); }
    void WndProc(TMessage& Message) override;
protected:
    virtual void Paint() {}
private:
    std::unique_ptr<TControlCanvas> canvas_;
};

// ---------------------------------------------------------------------------------------
// TCustomControl: a window of our own with a canvas and Paint.

class TCustomControl : public TWinControl {
    DECLARE_CLASS(TCustomControl, TWinControl)
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    TCanvas* Canvas() const { return canvas_.get(); }
protected:
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;
private:
    std::unique_ptr<TControlCanvas> canvas_;
};

// ---------------------------------------------------------------------------------------
// Hints

struct THintInfo {
    TControl* HintControl = nullptr;
    TPoint HintPos;           // screen
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    TRect CursorRect;         // client coordinates of HintControl
    TPoint CursorPos;         // client coordinates of HintControl
    std::string HintStr;
    int ReshowTimeout = 0;
    int HideTimeout = 0;
};

// The tip window: a borderless top window that shows one text.
class THintWindow : public TCustomControl {
    DECLARE_CLASS(THintWindow, TCustomControl)
    explicit THintWindow(TComponent* AOwner);
    // The size the text needs within maxWidth, in screen coordinates at (0, 0).
    virtual TRect CalcHintRect(int MaxWidth, const std::string& AHint);
    // Shows the window at rect (screen) with the text.
    virtual void ActivateHint(TRect Rect, const std::string& AHint);
    void ReleaseHandle() { DestroyHandle(); }
    bool IsHintShowing() const;
protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void WndProc(TMessage& Message) override;
};
