#include "framework/Forms.h"

#include "framework/Menus.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------
// Message boxes

namespace {
TMessageBoxHandler& BoxHandler() {
    static TMessageBoxHandler handler;
    return handler;
}
} // namespace

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler) {
    TMessageBoxHandler old = std::move(BoxHandler());
    BoxHandler() = std::move(handler);
    return old;
}

int ShowMessageBox(HWND Owner, const std::string& Text, const std::string& Caption, UINT Flags) {
    if (auto& h = BoxHandler()) {
        // A copy: the handler may replace itself.
        TMessageBoxHandler call = h;
        return call(Owner, Text, Caption, Flags);
    }
    return MessageBoxA(Owner, Text.c_str(), Caption.c_str(), Flags);
}

void ShowMessage(const std::string& Text) { Application->MessageBox(Text, Application->GetTitle(), MB_OK); }

void ApplicationHandleException(TObject* Sender) {
    if (Application) Application->HandleException(Sender);
}

TCustomForm* GetParentForm(const TControl* Control) { return Control ? Control->GetParentForm() : nullptr; }

// ---------------------------------------------------------------------------------------
// TCustomForm

IMPLEMENT_CLASS(TCustomForm);
IMPLEMENT_CLASS(TForm);

void TCustomForm::Publish(TClassBuilder<TCustomForm>& b) {
    b.Prop("ActiveControl", &TCustomForm::GetActiveControl, &TCustomForm::SetActiveControl);
    b.Prop("AlphaBlend", &TCustomForm::GetAlphaBlend, &TCustomForm::SetAlphaBlend);
    b.Prop("AlphaBlendValue", &TCustomForm::GetAlphaBlendValue, &TCustomForm::SetAlphaBlendValue);
    b.Prop("AutoSize", &TCustomForm::GetAutoSize, &TCustomForm::SetAutoSize);
    b.Prop("BorderIcons", &TCustomForm::GetBorderIcons, &TCustomForm::SetBorderIcons);
    b.Prop("BorderStyle", &TCustomForm::GetBorderStyle, &TCustomForm::SetBorderStyle);
    b.Prop("ClientHeight", &TCustomForm::GetClientHeight, &TCustomForm::SetClientHeight);
    b.Prop("ClientWidth", &TCustomForm::GetClientWidth, &TCustomForm::SetClientWidth);
    b.Prop("FormStyle", &TCustomForm::GetFormStyle, &TCustomForm::SetFormStyle);
    b.Prop("HelpFile", &TCustomForm::GetHelpFile, &TCustomForm::SetHelpFile);
    b.Prop("Icon", &TCustomForm::Icon, &TCustomForm::SetIcon);
    b.Prop("KeyPreview", &TCustomForm::GetKeyPreview, &TCustomForm::SetKeyPreview);
    b.Prop("Menu", &TCustomForm::GetMenu, &TCustomForm::SetMenu);
    b.Prop("PixelsPerInch", &TCustomForm::GetPixelsPerInch, &TCustomForm::SetPixelsPerInch);
    b.Prop("Position", &TCustomForm::GetPosition, &TCustomForm::SetPosition);
    b.Prop("Scaled", &TCustomForm::GetScaled, &TCustomForm::SetScaled);
    b.Prop("TransparentColor", &TCustomForm::GetTransparentColor, &TCustomForm::SetTransparentColor);
    b.Prop("TransparentColorValue", &TCustomForm::GetTransparentColorValue, &TCustomForm::SetTransparentColorValue);
    b.Prop("WindowState", &TCustomForm::GetWindowState, &TCustomForm::SetWindowState);
    b.Event("OnActivate", &TCustomForm::OnActivate);
    b.Event("OnClose", &TCustomForm::OnClose);
    b.Event("OnCloseQuery", &TCustomForm::OnCloseQuery);
    b.Event("OnCreate", &TCustomForm::OnCreate);
    b.Event("OnDeactivate", &TCustomForm::OnDeactivate);
    b.Event("OnDestroy", &TCustomForm::OnDestroy);
    b.Event("OnHide", &TCustomForm::OnHide);
    b.Event("OnPaint", &TCustomForm::OnPaint);
    b.Event("OnShortCut", &TCustomForm::OnShortCut);
    b.Event("OnShow", &TCustomForm::OnShow);
}

void TCustomForm::DefineProperties(TFiler& Filer) {
    TWinControl::DefineProperties(Filer);
    // Written by form designers; nothing here depends on them.
    Filer.DefineProperty("TextHeight", [](const TValue&) {});
    Filer.DefineProperty("OldCreateOrder", [](const TValue&) {});
    Filer.DefineProperty("DesignSize", [](const TValue&) {});
}

TCustomForm::TCustomForm(TComponent* AOwner, bool readLayout)
    : TWinControl(AOwner), readLayout_(readLayout), icon_(std::make_unique<TIcon>()),
      canvas_(std::make_unique<TControlCanvas>()) {
    canvas_->SetControl(this);
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    ControlState.Include(csCustomPaint);
    visible_ = false;
    width_ = 320;
    height_ = 240;
    SetParentFont(false);
    color_ = clBtnFace;
    SetParentColor(false);
    SetParentShowHint(false);
    icon_->OnChange = [this](TObject*) {
        if (handle_) {
            SendMessageA(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_->Handle()));
            SendMessageA(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_->Handle()));
        }
    };
    if (Screen) Screen->AddForm(this);
    if (Application) Application->FormConstructed(this);
}

TCustomForm::~TCustomForm() {
    if (Screen) Screen->RemoveForm(this);
    if (Application) Application->FormDestroying(this);
    canvas_->FreeHandle();
}

void TCustomForm::AfterConstruction() {
    TWinControl::AfterConstruction();
    if (readLayout_) {
        bool ownLayout = &ClassInfo() != &TForm::StaticClassInfo() && &ClassInfo() != &TCustomForm::StaticClassInfo();
        if (!ReadLayoutResource(this, ClassName()) && ownLayout)
            throw EReadError("Layout resource " + ClassName() + " not found");
    }
    // A layout that says Visible = True shows the form once it is created.
    bool show = visible_;
    visible_ = false;
    DoCreate();
    if (show) Show();
}

void TCustomForm::DoCreate() {
    if (!OnCreate) return;
    try {
        OnCreate(this);
    } catch (...) {
        ApplicationHandleException(this);
    }
}

void TCustomForm::DoDestroy() {
    if (!OnDestroy) return;
    try {
        OnDestroy(this);
    } catch (...) {
        ApplicationHandleException(this);
    }
}

void TCustomForm::Destroying() {
    DoDestroy();
    TWinControl::Destroying();
    if (Screen) Screen->RemoveForm(this);
    if (Application) Application->FormDestroying(this);
    activeControl_ = nullptr;
    focusedControl_ = nullptr;
    if (handle_) DestroyWindowHandle();
}

void TCustomForm::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style &= ~static_cast<DWORD>(WS_VISIBLE | WS_TABSTOP);
    Params.ClassStyle = CS_DBLCLKS;
    if (parent_ || parentWindow_) return;
    Params.Style &= ~static_cast<DWORD>(WS_CHILD);
    Params.Style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    bool isMain = Application && Application->MainForm() == this;
    switch (borderStyle_) {
    case bsNone:
        Params.Style |= WS_POPUP;
        // Invisible without a caption, but let the taskbar minimise and restore the window.
        if (isMain) Params.Style |= WS_MINIMIZEBOX | WS_SYSMENU;
        break;
    case bsSingle: Params.Style |= WS_CAPTION; break;
    case bsSizeable: Params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
        Params.Style |= WS_POPUP | WS_CAPTION;
        Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow: Params.Style |= WS_CAPTION; Params.ExStyle |= WS_EX_TOOLWINDOW; break;
    case bsSizeToolWin: Params.Style |= WS_CAPTION | WS_THICKFRAME; Params.ExStyle |= WS_EX_TOOLWINDOW; break;
    }
    if (borderStyle_ != bsNone) {
        if (borderIcons_.Contains(biSystemMenu)) Params.Style |= WS_SYSMENU;
        bool fixed = borderStyle_ == bsDialog || borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin;
        if (!fixed) {
            if (borderIcons_.Contains(biMinimize)) Params.Style |= WS_MINIMIZEBOX;
            if (borderIcons_.Contains(biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
        }
        if (borderIcons_.Contains(biHelp) && (fixed || !(Params.Style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))))
            Params.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (formStyle_ == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
    if (transparentColor_ || alphaBlend_) Params.ExStyle |= WS_EX_LAYERED;
    if (isMain) {
        Params.ExStyle |= WS_EX_APPWINDOW;
        Params.WndParent = nullptr;
    } else if (Application && Application->MainForm() && Application->MainForm() != this) {
        Params.WndParent = Application->MainForm()->WindowHandle();
    } else {
        Params.WndParent = nullptr;
    }
    if (position_ == poDefault || position_ == poDefaultPosOnly) Params.X = Params.Y = CW_USEDEFAULT;
    Params.Menu = nullptr;
}

void TCustomForm::CreateHandle() {
    // The main form owns the other forms' windows: it has to exist first.
    if (!parent_ && Application && Application->MainForm() && Application->MainForm() != this)
        Application->MainForm()->HandleNeeded();
    TWinControl::CreateHandle();
}

void TCustomForm::SetMenu(TMainMenu* v) {
    if (v == menu_) return;
    if (menu_) {
        menu_->RemoveFreeNotification(this);
        if (handle_ && menu_->WindowMenuHandle() == handle_) menu_->SetWindowMenu(nullptr);
    }
    menu_ = v;
    if (!v) return;
    v->FreeNotification(this);
    if (handle_ && !parent_ && !IsLoading()) v->SetWindowMenu(handle_);
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == menu_) menu_ = nullptr;
}

void TCustomForm::CreateWnd() {
    TWinControl::CreateWnd();
    if (menu_ && !parent_) menu_->SetWindowMenu(handle_);
    if (!icon_->Empty()) {
        SendMessageA(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_->Handle()));
        SendMessageA(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_->Handle()));
    }
    ApplyLayered();
    if (requestedClientWidth_ >= 0 || requestedClientHeight_ >= 0) {
        // The frame the system really drew may differ from the computed one.
        int w = requestedClientWidth_ >= 0 ? requestedClientWidth_ : GetClientWidth();
        int h = requestedClientHeight_ >= 0 ? requestedClientHeight_ : GetClientHeight();
        TWinControl::SetClientSize(w, h);
    }
}

void TCustomForm::DestroyWnd() {
    // A window takes its menu with it when it goes: the bar is taken off first.
    if (menu_ && handle_ && menu_->WindowMenuHandle() == handle_) menu_->SetWindowMenu(nullptr);
    requestedClientWidth_ = GetClientWidth();
    requestedClientHeight_ = GetClientHeight();
    TWinControl::DestroyWnd();
}

void TCustomForm::SetClientSize(int w, int h) {
    if (!handle_) {
        requestedClientWidth_ = w;
        requestedClientHeight_ = h;
    }
    TWinControl::SetClientSize(w, h);
}

void TCustomForm::ApplyLayered() {
    if (!handle_ || parent_) return;
    LONG_PTR ex = GetWindowLongPtrA(handle_, GWL_EXSTYLE);
    if (!transparentColor_ && !alphaBlend_) {
        if (ex & WS_EX_LAYERED) SetWindowLongPtrA(handle_, GWL_EXSTYLE, ex & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
        return;
    }
    if (!(ex & WS_EX_LAYERED)) SetWindowLongPtrA(handle_, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    DWORD flags = 0;
    if (transparentColor_) flags |= LWA_COLORKEY;
    if (alphaBlend_) flags |= LWA_ALPHA;
    SetLayeredWindowAttributes(handle_, ColorToColorRef(transparentColorValue_), static_cast<BYTE>(alphaBlendValue_),
                               flags);
}

void TCustomForm::SetTransparentColor(bool v) {
    if (v == transparentColor_) return;
    transparentColor_ = v;
    ApplyLayered();
}

void TCustomForm::SetTransparentColorValue(TColor v) {
    if (v == transparentColorValue_) return;
    transparentColorValue_ = v;
    ApplyLayered();
}

void TCustomForm::SetAlphaBlend(bool v) {
    if (v == alphaBlend_) return;
    alphaBlend_ = v;
    ApplyLayered();
}

void TCustomForm::SetAlphaBlendValue(int v) {
    v = std::clamp(v, 0, 255);
    if (v == alphaBlendValue_) return;
    alphaBlendValue_ = v;
    ApplyLayered();
}

void TCustomForm::SetIcon(TIcon* v) { icon_->Assign(v); }

void TCustomForm::SetBorderStyle(TFormBorderStyle v) {
    if (v == borderStyle_) return;
    borderStyle_ = v;
    if (handle_) {
        Perform(CM_BORDERCHANGED);
        RecreateWnd();
    }
}

void TCustomForm::SetBorderIcons(TBorderIcons v) {
    if (v == borderIcons_) return;
    borderIcons_ = v;
    if (handle_) RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle v) {
    if (v == formStyle_) return;
    formStyle_ = v;
    if (handle_ && !parent_)
        SetWindowPos(handle_, v == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TCustomForm::GetWindowState() const {
    if (handle_ && IsWindowVisible(handle_)) {
        if (IsIconic(handle_)) return wsMinimized;
        if (IsZoomed(handle_)) return wsMaximized;
        return wsNormal;
    }
    return windowState_;
}

void TCustomForm::SetWindowState(TWindowState v) {
    windowState_ = v;
    if (!handle_ || !IsWindowVisible(handle_)) return;
    switch (v) {
    case wsMinimized: ShowWindow(handle_, SW_MINIMIZE); break;
    case wsMaximized: ShowWindow(handle_, SW_MAXIMIZE); break;
    default: ShowWindow(handle_, SW_RESTORE); break;
    }
}

// --- showing

void TCustomForm::Show() {
    SetVisible(true);
    if (handle_) {
        SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(handle_);
    }
}

void TCustomForm::Hide() { SetVisible(false); }

bool TCustomForm::Showing() const {
    if (parent_) return TWinControl::Showing();
    return handle_ && IsWindowVisible(handle_);
}

void TCustomForm::SetVisible(bool v) {
    if (IsLoading()) {
        visible_ = v;
        return;
    }
    if (parent_) {
        TWinControl::SetVisible(v);
        return;
    }
    if (v) {
        if (visible_ && handle_ && IsWindowVisible(handle_)) return;
        visible_ = true;
        HandleNeeded();
        DoShow();
        if (!visible_) return;   // OnShow hid it again
        ApplyPosition();
        int cmd = SW_SHOWNORMAL;
        if (windowState_ == wsMaximized) cmd = SW_SHOWMAXIMIZED;
        else if (windowState_ == wsMinimized) cmd = SW_SHOWMINIMIZED;
        ShowWindow(handle_, cmd);
        if (!activeControl_) {
            if (TWinControl* first = FindNextControl(nullptr, true, true, false)) activeControl_ = first;
        }
        if (GetForegroundWindow() == handle_ || GetActiveWindow() == handle_) {
            if (activeControl_ && activeControl_->CanFocus()) ::SetFocus(activeControl_->Handle());
        }
        Perform(CM_SHOWINGCHANGED);
    } else {
        if (!visible_) return;
        visible_ = false;
        if (handle_) {
            // Give the activation back to the owner rather than to whatever window is next.
            HWND owner = GetWindow(handle_, GW_OWNER);
            bool wasActive = GetActiveWindow() == handle_;
            ShowWindow(handle_, SW_HIDE);
            if (wasActive && owner && IsWindowEnabled(owner) && IsWindowVisible(owner)) SetActiveWindow(owner);
        }
        DoHide();
        Perform(CM_SHOWINGCHANGED);
    }
}

void TCustomForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TCustomForm::ApplyPosition() {
    if (parent_) return;
    auto centerOn = [this](const TRect& r) {
        int l = r.Left + (r.Width() - width_) / 2;
        int t = r.Top + (r.Height() - height_) / 2;
        TRect work = Screen ? Screen->WorkAreaRect() : TRect(0, 0, 800, 600);
        l = std::max(work.Left, std::min(l, work.Right - width_));
        t = std::max(work.Top, std::min(t, work.Bottom - height_));
        SetBounds(l, t, width_, height_);
    };
    TRect screen(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    switch (position_) {
    case poScreenCenter:
        centerOn(screen);
        break;
    case poDesktopCenter:
        centerOn(Screen ? Screen->DesktopRect() : screen);
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* around = nullptr;
        if (position_ == poOwnerFormCenter) around = dynamic_cast<TCustomForm*>(Owner());
        if (!around && Application) around = Application->MainForm();
        if (around && around != this && around->HandleAllocated()) {
            RECT r;
            GetWindowRect(around->WindowHandle(), &r);
            centerOn(TRect(r));
        } else {
            centerOn(screen);
        }
        break;
    }
    default:
        break;
    }
}

// --- closing

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
    if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
    if (modal_) {
        SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
    }
}

void TCustomForm::Release() {
    if (handle_) PostMessageA(handle_, CM_RELEASE, 0, 0);
    else Free();
}

void TCustomForm::SetModalResult(TModalResult v) {
    modalResult_ = v;
    // Wake the modal loop, which may be waiting for a message.
    if (modal_ && v != mrNone && handle_) PostMessageA(handle_, WM_NULL, 0, 0);
}

void TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        DoClose(action);
    }
    switch (action) {
    case caNone: modalResult_ = mrNone; break;
    case caFree: Release(); break;
    default: break;
    }
}

namespace {
struct TDisabledWindows {
    HWND except;
    std::vector<HWND> list;
};

BOOL CALLBACK DisableWindowProc(HWND wnd, LPARAM data) {
    auto* d = reinterpret_cast<TDisabledWindows*>(data);
    if (wnd != d->except && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
        // A window we could not record stays enabled: disabling it would lose it for good.
        try {
            d->list.push_back(wnd);
        } catch (...) {
            return TRUE;
        }
        EnableWindow(wnd, FALSE);
    }
    return TRUE;
}
} // namespace

int TCustomForm::ShowModal() {
    if (visible_ || !enabled_ || modal_ || parent_)
        throw EInvalidOperation("Cannot make a visible window modal");
    if (GetCapture()) SendMessageA(GetCapture(), WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    if (Application) Application->CancelHint();
    HWND previousActive = GetActiveWindow();
    HandleNeeded();
    TDisabledWindows disabled{handle_, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableWindowProc, reinterpret_cast<LPARAM>(&disabled));
    modal_ = true;
    modalResult_ = mrNone;
    TScopeExit restore([&] {
        modal_ = false;
        Hide();
        for (HWND w : disabled.list)
            if (IsWindow(w)) EnableWindow(w, TRUE);
        if (previousActive && IsWindow(previousActive) && IsWindowVisible(previousActive)) SetActiveWindow(previousActive);
    });
    Show();
    do {
        Application->HandleMessage();
        if (Application->Terminated()) modalResult_ = mrCancel;
        else if (modalResult_ != mrNone) CloseModal();
    } while (modalResult_ == mrNone);
    return modalResult_;
}

// --- focus

void TCustomForm::SetActiveControl(TWinControl* v) {
    if (v == activeControl_) return;
    if (v && !IsLoading()) {
        if (v == this || v->GetParentForm() != this)
            throw EInvalidOperation("Invalid active control");
        if (!v->CanFocus() && Showing()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    }
    activeControl_ = v;
    if (v && !IsLoading() && active_ && v->CanFocus()) ::SetFocus(v->Handle());
}

void TCustomForm::FocusControl(TWinControl* Control) {
    activeControl_ = Control;
    if (!Control) return;
    if (handle_ && IsWindowVisible(handle_) &&
        (active_ || GetActiveWindow() == handle_ || GetForegroundWindow() == handle_)) {
        ::SetFocus(Control->Handle());
    }
}

void TCustomForm::SetFocusedControl(TWinControl* Control) {
    if (Control == focusedControl_) return;
    TWinControl* old = focusedControl_;
    focusedControl_ = Control;
    if (Control && Control != this) activeControl_ = Control;
    if (old && old != this) old->Perform(CM_EXIT);
    if (Control && Control != this && focusedControl_ == Control) Control->Perform(CM_ENTER);
    TMessage m{CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control), 0};
    Broadcast(m);
    if (Screen && Screen->OnActiveControlChange) Screen->OnActiveControlChange(Screen);
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
    if (!Control) return;
    if (Removing && focusedControl_ && Control->ContainsControl(focusedControl_)) focusedControl_ = Control->Parent();
    if (activeControl_ && Control->ContainsControl(activeControl_)) activeControl_ = nullptr;
}

bool TCustomForm::IsShortCut(WORD Key, TShiftState Shift) {
    bool handled = false;
    if (OnShortCut) OnShortCut(Key, Shift, handled);
    if (handled) return true;
    for (int i = 0; i < ComponentCount(); ++i) {
        if (auto* h = dynamic_cast<IShortCutHandler*>(Components(i)); h && h->IsShortCut(Key, Shift)) return true;
    }
    return false;
}

void TCustomForm::Activate() {
    if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
    if (OnDeactivate) OnDeactivate(this);
}

// --- painting

void TCustomForm::PaintWindow(HDC DC) {
    PaintOnCanvas(*canvas_, DC, *this, [this] { Paint(); });
}

void TCustomForm::Paint() {
    if (OnPaint) OnPaint(this);
}

// --- messages

void TCustomForm::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_CLOSE: Close(); return;
    case WM_QUERYENDSESSION: Message.Result = CloseQuery() ? 1 : 0; return;
    case CM_RELEASE: Free(); return;
    case WM_ACTIVATE: WMActivate(Message); return;
    case WM_SETFOCUS: WMSetFocus(Message); return;
    case WM_GETMINMAXINFO: WMGetMinMaxInfo(Message); return;
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case WM_SYSCOMMAND: WMSysCommand(Message); return;
    default: TWinControl::WndProc(Message); return;
    }
}

// --- message handlers

void TCustomForm::WMActivate(TMessage& Message) {
    bool nowActive = LOWORD(Message.WParam) != WA_INACTIVE;
    if (nowActive != active_) {
        active_ = nowActive;
        if (!nowActive) {
            Deactivate();
        } else {
            if (Screen) Screen->SetActiveForm(this);
            Activate();
            // A form activated while minimized (HIWORD) has no control to give the focus to.
            if (!HIWORD(Message.WParam) && FocusActiveControl()) {
                Message.Result = 0;
                return;
            }
        }
    }
    TWinControl::WndProc(Message);
}

// Gives the focus to the active control, or to the first that can take it.
bool TCustomForm::FocusActiveControl() {
    TWinControl* target = activeControl_;
    if (!target || !target->CanFocus()) target = FindNextControl(nullptr, true, true, false);
    if (!target || !target->CanFocus()) return false;
    ::SetFocus(target->Handle());
    return true;
}

void TCustomForm::WMSetFocus(TMessage& Message) {
    if (activeControl_ && activeControl_ != this && activeControl_->CanFocus()) {
        ::SetFocus(activeControl_->Handle());
        return;
    }
    TWinControl::WndProc(Message);
}

void TCustomForm::WMGetMinMaxInfo(TMessage& Message) {
    DefaultHandler(Message);
    auto* mmi = reinterpret_cast<MINMAXINFO*>(Message.LParam);
    int minW, minH, maxW, maxH;
    ConstrainedResize(minW, minH, maxW, maxH);
    if (minW > 0) mmi->ptMinTrackSize.x = minW;
    if (minH > 0) mmi->ptMinTrackSize.y = minH;
    if (maxW > 0) mmi->ptMaxTrackSize.x = maxW;
    if (maxH > 0) mmi->ptMaxTrackSize.y = maxH;
}

// Tab and Shift+Tab move through the form, the arrows through the active control's siblings
// (not with Alt, which belongs to the menu). Result 1 when the key was used.
void TCustomForm::CMDialogKey(TMessage& Message) {
    if (GetKeyState(VK_MENU) >= 0) {
        switch (Message.WParam) {
        case VK_TAB:
            if (GetKeyState(VK_CONTROL) >= 0) {
                SelectNext(activeControl_, GetKeyState(VK_SHIFT) >= 0, true);
                Message.Result = 1;
                return;
            }
            break;
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
            if (activeControl_ && activeControl_->Parent()) {
                activeControl_->Parent()->SelectNext(activeControl_,
                                                     Message.WParam == VK_RIGHT || Message.WParam == VK_DOWN, false);
                Message.Result = 1;
            }
            return;
        }
    }
    TWinControl::WndProc(Message);
}

// The main form's minimize and restore are the application's.
void TCustomForm::WMSysCommand(TMessage& Message) {
    WPARAM command = Message.WParam & 0xFFF0;
    bool mainForm = Application && Application->MainForm() == this;
    if (!mainForm || (command != SC_MINIMIZE && command != SC_RESTORE)) {
        TWinControl::WndProc(Message);
        return;
    }
    DefaultHandler(Message);
    TNotifyEvent& event = command == SC_MINIMIZE ? Application->OnMinimize : Application->OnRestore;
    if (event) event(Application);
}

// ---------------------------------------------------------------------------------------
// TScreen

IMPLEMENT_CLASS(TScreen);

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

TScreen::~TScreen() {
    for (auto& [id, cursor] : cursors_) DestroyCursor(cursor);
}

void TScreen::SetCursor(TCursor v) {
    if (v == cursor_) return;
    cursor_ = v;
    if (v != crDefault) {
        ::SetCursor(Cursors(v));
        return;
    }
    // Let the window under the pointer choose its cursor again.
    POINT p;
    GetCursorPos(&p);
    // Only a window of this thread is asked: another program's may not answer for a long
    // time (hung, or stopped in a debugger), and the cursor it chose would not be ours.
    HWND wnd = WindowFromPoint(p);
    if (wnd && GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId())
        SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd),
                     MAKELPARAM(SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), WM_MOUSEMOVE));
}

HCURSOR TScreen::Cursors(TCursor index) const {
    for (auto& [id, cursor] : cursors_)
        if (id == index) return cursor;
    LPCSTR name = IDC_ARROW;
    switch (index) {
    case crNone: return nullptr;
    case crCross: name = IDC_CROSS; break;
    case crIBeam: name = IDC_IBEAM; break;
    case crSizeNESW: name = IDC_SIZENESW; break;
    case crSizeNS: case crVSplit: name = IDC_SIZENS; break;
    case crSizeNWSE: name = IDC_SIZENWSE; break;
    case crSizeWE: case crHSplit: name = IDC_SIZEWE; break;
    case crUpArrow: name = IDC_UPARROW; break;
    case crHourGlass: case crSQLWait: name = IDC_WAIT; break;
    case crNo: case crNoDrop: name = IDC_NO; break;
    case crAppStart: name = IDC_APPSTARTING; break;
    case crHelp: name = IDC_HELP; break;
    case crHandPoint: name = IDC_HAND; break;
    case crSizeAll: name = IDC_SIZEALL; break;
    default: break;
    }
    HCURSOR c = LoadCursorA(nullptr, name);
    return c ? c : LoadCursorA(nullptr, IDC_ARROW);
}

void TScreen::SetCursors(TCursor index, HCURSOR cursor) {
    for (auto& entry : cursors_)
        if (entry.first == index) {
            if (entry.second && entry.second != cursor) DestroyCursor(entry.second);
            entry.second = cursor;
            return;
        }
    cursors_.emplace_back(index, cursor);
}

TWinControl* TScreen::ActiveControl() const { return activeForm_ ? activeForm_->GetActiveControl() : nullptr; }

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

TRect TScreen::DesktopRect() const {
    int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return Bounds(x, y, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

TRect TScreen::WorkAreaRect() const {
    RECT r;
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0)) return TRect(r);
    return TRect(0, 0, Width(), Height());
}

void TScreen::AddForm(TCustomForm* f) {
    if (std::find(forms_.begin(), forms_.end(), f) == forms_.end()) forms_.push_back(f);
}

void TScreen::RemoveForm(TCustomForm* f) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end());
    if (activeForm_ == f) activeForm_ = nullptr;
}

void TScreen::SetActiveForm(TCustomForm* f) {
    if (f == activeForm_) return;
    activeForm_ = f;
    if (OnActiveFormChange) OnActiveFormChange(this);
}

// ---------------------------------------------------------------------------------------
// TApplicationEvents

IMPLEMENT_CLASS(TApplicationEvents);

namespace {
std::vector<TApplicationEvents*>& LiveApplicationEvents() {
    static std::vector<TApplicationEvents*> list;
    return list;
}

// A handler may free its own or another events object: each is checked before it is asked.
bool ApplicationEventsHandle(MSG& msg) {
    const auto listeners = LiveApplicationEvents();
    bool handled = false;
    for (TApplicationEvents* e : listeners) {
        const auto& live = LiveApplicationEvents();
        if (std::find(live.begin(), live.end(), e) == live.end() || !e->OnMessage) continue;
        TMessageEvent handler = e->OnMessage;
        handler(msg, handled);
        if (handled) break;
    }
    return handled;
}
} // namespace

void TApplicationEvents::Publish(TClassBuilder<TApplicationEvents>& b) {
    b.Event("OnMessage", &TApplicationEvents::OnMessage);
}

TApplicationEvents::TApplicationEvents(TComponent* AOwner) : TComponent(AOwner) {
    LiveApplicationEvents().push_back(this);
}

TApplicationEvents::~TApplicationEvents() {
    auto& list = LiveApplicationEvents();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

// ---------------------------------------------------------------------------------------
// TApplication

IMPLEMENT_CLASS(TApplication);

// Created at start-up, never destroyed by static destruction: Shutdown frees what it holds.
TApplication* Application = TApplication::Create(nullptr);
TScreen* Screen = TScreen::Create(nullptr);

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
    if (utilWnd_) DeallocateHWnd(utilWnd_);
}

void TApplication::Initialize() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
}

void TApplication::FormConstructed(TCustomForm* f) {
    if (f->Owner() != this) return;
    if (creatingMainForm_ && !mainForm_) {
        mainForm_ = f;
        creatingMainForm_ = false;
    }
    if (pendingRef_) {
        auto set = std::move(pendingRef_);
        pendingRef_ = nullptr;
        set(f);
    }
}

void TApplication::FormDestroying(TCustomForm* f) {
    if (mainForm_ == f) mainForm_ = nullptr;
}

void TApplication::Run() {
    if (!mainForm_) return;
    if (showMainForm_ && !terminated_) {
        try {
            mainForm_->Show();
        } catch (...) {
            HandleException(this);
        }
    }
    while (!terminated_ && mainForm_) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
    }
}

void TApplication::Shutdown() {
    CancelHint();
    terminated_ = true;
    // Forms first (they may use the others in OnDestroy), last created first.
    while (ComponentCount() > 0) {
        TComponent* c = Components(ComponentCount() - 1);
        RemoveComponent(c);
        c->Free();
    }
    hintWindow_ = nullptr;
    mainForm_ = nullptr;
    if (utilWnd_) {
        DeallocateHWnd(utilWnd_);
        utilWnd_ = nullptr;
    }
}

void TApplication::ProcessMessages() {
    while (ProcessMessage()) {
    }
}

void TApplication::HandleMessage() {
    if (!ProcessMessage()) Idle();
}

bool TApplication::ProcessMessage() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    bool handled = false;
    Guard([&] {
        if (OnMessage) OnMessage(msg, handled);
        if (!handled) handled = ApplicationEventsHandle(msg);
        if (!handled) handled = IsKeyMsg(msg);
    }, this);
    if (!handled) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

bool TApplication::IsKeyMsg(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) CancelHint();
    HWND wnd = GetCapture();
    if (!wnd || !FindControl(wnd)) wnd = msg.hwnd;
    TWinControl* c = nullptr;
    while (wnd && !(c = FindControl(wnd))) wnd = GetParent(wnd);
    if (!c) return false;
    SetKeyMessageWindow(msg.hwnd);
    TScopeExit reset([] { SetKeyMessageWindow(nullptr); });
    return c->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

void TApplication::Idle() {
    if (OnIdle) {
        Guard([&] { OnIdle(this); }, this);
    }
    WaitMessage();
}

void TApplication::Terminate() {
    if (terminated_) return;
    terminated_ = true;
    PostQuitMessage(0);
}

void TApplication::Minimize() {
    if (mainForm_ && mainForm_->HandleAllocated()) ShowWindow(mainForm_->WindowHandle(), SW_MINIMIZE);
    if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
    if (mainForm_ && mainForm_->HandleAllocated()) {
        ShowWindow(mainForm_->WindowHandle(), SW_RESTORE);
        SetForegroundWindow(mainForm_->WindowHandle());
    }
    if (OnRestore) OnRestore(this);
}

bool TApplication::Active() const {
    HWND fg = GetForegroundWindow();
    DWORD pid = 0;
    if (fg) GetWindowThreadProcessId(fg, &pid);
    return pid == GetCurrentProcessId();
}

void TApplication::HandleException(TObject* Sender) {
    std::exception_ptr e = std::current_exception();
    if (!e) return;
    // One box at a time: a handler that fails again while its box is up (a paint that
    // keeps failing) must not stack boxes.
    if (handlingException_ > 0) return;
    TRestore handling(handlingException_, handlingException_ + 1);
    try {
        std::rethrow_exception(e);
    } catch (const EAbort&) {
    } catch (const std::exception& ex) {
        try {
            if (OnException) OnException(Sender, ex);
            else ShowException(ex);
        } catch (...) {
        }
    } catch (...) {
        try {
            ShowException(Exception("Unknown error"));
        } catch (...) {
        }
    }
}

void TApplication::ShowException(const std::exception& E) {
    MessageBox(E.what(), GetTitle(), MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
    HWND owner = nullptr;
    if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated() &&
        IsWindowVisible(Screen->ActiveForm()->WindowHandle()))
        owner = Screen->ActiveForm()->WindowHandle();
    else if (mainForm_ && mainForm_->HandleAllocated() && IsWindowVisible(mainForm_->WindowHandle()))
        owner = mainForm_->WindowHandle();
    CancelHint();
    return ShowMessageBox(owner, Text, Caption.empty() ? GetTitle() : Caption, Flags);
}

std::string TApplication::GetTitle() const {
    if (!title_.empty()) return title_;
    std::string exe = ExeName();
    auto slash = exe.find_last_of("\\/");
    if (slash != std::string::npos) exe = exe.substr(slash + 1);
    auto dot = exe.find_last_of('.');
    if (dot != std::string::npos) exe = exe.substr(0, dot);
    return exe;
}

std::string TApplication::ExeName() const {
    char buf[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof(buf));
    return std::string(buf, n);
}

// --- hints

void TApplication::SetShowHint(bool v) {
    if (v == showHint_) return;
    showHint_ = v;
    if (!v) CancelHint();
}

void TApplication::SetHint(const std::string& v) {
    if (v == hint_) return;
    hint_ = v;
    if (OnHint) OnHint(this);
}

void TApplication::EnsureUtilWindow() {
    if (!utilWnd_) {
        utilWnd_ = AllocateHWnd([this](TMessage& m) {
            if (m.Msg == WM_TIMER) HintTimer(static_cast<UINT>(m.WParam));
            else m.Result = DefWindowProcA(utilWnd_, m.Msg, m.WParam, m.LParam);
        });
    }
}

namespace {
constexpr UINT kHintShowTimer = 1;
constexpr UINT kHintHideTimer = 2;
} // namespace

void TApplication::HintMouseMessage(TControl* Control, TPoint ScreenPos) {
    (void)ScreenPos;
    if (Control == hintControl_) return;
    bool wasShowing = hintWindow_ && hintWindow_->IsHintShowing();
    CancelHint();
    hintControl_ = Control;
    if (!Control) {
        SetHint("");
        return;
    }
    std::string h = Control->GetHint();
    auto bar = h.find('|');
    // OnHint may free the control, or move the hint on.
    TComponentWatch watch(Control);
    SetHint(bar == std::string::npos ? h : h.substr(bar + 1));
    if (watch.Freed() || hintControl_ != Control) return;
    if (!showHint_ || !Control->EffectiveShowHint() || h.empty()) return;
    EnsureUtilWindow();
    SetTimer(utilWnd_, kHintShowTimer, static_cast<UINT>(wasShowing ? HintShortPause : HintPause), nullptr);
}

void TApplication::HintTimer(UINT id) {
    KillTimer(utilWnd_, id);
    if (id == kHintHideTimer) {
        if (hintWindow_) hintWindow_->Hide();
        if (hintWindow_ && hintWindow_->HandleAllocated()) ShowWindow(hintWindow_->WindowHandle(), SW_HIDE);
        return;
    }
    POINT p;
    GetCursorPos(&p);
    ActivateHint(TPoint(p));
}

void TApplication::ActivateHint(TPoint CursorPos) {
    TControl* c = hintControl_;
    if (!c || !showHint_ || !c->EffectiveShowHint()) return;
    THintInfo info;
    info.HintControl = c;
    info.HintStr = c->GetShortHint();
    info.HintColor = HintColor;
    info.HintMaxWidth = Screen ? Screen->Width() : 800;
    info.CursorPos = c->ScreenToClient(CursorPos);
    info.CursorRect = c->GetClientRect();
    info.HintPos = TPoint(CursorPos.X, CursorPos.Y + GetSystemMetrics(SM_CYCURSOR) * 2 / 3);
    info.HideTimeout = HintHidePause;
    if (c->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) != 0 || info.HintStr.empty()) return;
    if (!hintWindow_) hintWindow_ = THintWindow::Create(this);
    hintWindow_->SetColor(info.HintColor);
    TRect r = hintWindow_->CalcHintRect(info.HintMaxWidth, info.HintStr);
    r.Offset(info.HintPos.X, info.HintPos.Y);
    hintWindow_->ActivateHint(r, info.HintStr);
    EnsureUtilWindow();
    if (info.HideTimeout > 0) SetTimer(utilWnd_, kHintHideTimer, static_cast<UINT>(info.HideTimeout), nullptr);
}

void TApplication::CancelHint() {
    if (utilWnd_) {
        KillTimer(utilWnd_, kHintShowTimer);
        KillTimer(utilWnd_, kHintHideTimer);
    }
    if (hintWindow_ && hintWindow_->HandleAllocated() && IsWindowVisible(hintWindow_->WindowHandle())) {
        ShowWindow(hintWindow_->WindowHandle(), SW_HIDE);
        hintWindow_->SetVisible(false);
    }
    hintControl_ = nullptr;
}

void TApplication::ControlDestroyed(TControl* Control) {
    if (Control == hintControl_) CancelHint();
    if (Control == hintWindow_) hintWindow_ = nullptr;
}
