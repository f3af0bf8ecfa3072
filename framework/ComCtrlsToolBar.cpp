#include "framework/ComCtrls.h"

#include "framework/Menus.h"

#include <algorithm>

namespace {

// Room beside a button's caption.
constexpr int kCaptionMargin = 7;

TToolBar::TDropDownHook& DropDownHook() {
    static TToolBar::TDropDownHook hook;
    return hook;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TToolButton

IMPLEMENT_CLASS(TToolButton);

void TToolButton::Publish(TClassBuilder<TToolButton>& b) {
    b.Prop("AutoSize", &TToolButton::GetAutoSize, &TToolButton::SetAutoSize);
    b.Prop("Grouped", &TToolButton::GetGrouped, &TToolButton::SetGrouped);
    b.Prop("MenuItem", &TToolButton::GetMenuItem, &TToolButton::SetMenuItem);
}

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption};
    width_ = 23;
    height_ = 22;
    SetAlign(alCustom);
}

TToolButton::~TToolButton() = default;

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(parent_); }

void TToolButton::SetMenuItem(TMenuItem* v) {
    if (v == menuItem_) return;
    if (menuItem_) menuItem_->RemoveFreeNotification(this);
    menuItem_ = v;
    if (!v) return;
    v->FreeNotification(this);
    SetCaption(v->GetCaption());
    SetEnabled(v->GetEnabled());
}

void TToolButton::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == menuItem_) menuItem_ = nullptr;
}

void TToolButton::SetAutoSize(bool v) {
    TGraphicControl::SetAutoSize(v);
    AdjustSize();
}

void TToolButton::AdjustSize() {
    TToolBar* bar = ToolBar();
    const int h = bar ? bar->GetButtonHeight() : height_;
    int w = width_;
    if (autoSize_ && (!bar || bar->GetShowCaptions())) {
        TBitmap measure(1, 1);
        TCanvas* c = measure.Canvas();
        c->Font()->Assign(Font());
        TRect r(0, 0, 0, 0);
        c->DrawText(GetCaption(), r, DT_SINGLELINE | DT_CALCRECT);
        w = r.Width() + 2 * kCaptionMargin;
    }
    if (w != width_ || h != height_) SetBounds(left_, top_, w, h);
}

bool TToolButton::Hot() const { return IsMouseInside() && enabled_; }

bool TToolButton::Pressed() const {
    TToolBar* bar = ToolBar();
    return (bar && bar->DroppedButton() == this) || (ControlState.Contains(csLButtonDown) && IsMouseInside());
}

void TToolButton::Click() {
    if (menuItem_ && menuItem_->Count() == 0) {
        TComponentWatch watch(this);
        menuItem_->Click();
        if (watch.Freed()) return;
    }
    TGraphicControl::Click();
}

void TToolButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_MOUSEENTER: case CM_MOUSELEAVE: case CM_ENABLEDCHANGED: Invalidate(); break;
    case CM_TEXTCHANGED: case CM_FONTCHANGED: AdjustSize(); Invalidate(); break;
    default: break;
    }
    TGraphicControl::WndProc(Message);
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    Invalidate();
    TToolBar* bar = ToolBar();
    // A menu drops down at once, as a menu bar's does.
    if (Button == mbLeft && enabled_ && bar && menuItem_ && menuItem_->Count() > 0) {
        SetMouseCapture(false);
        ControlState.Exclude(csLButtonDown);
        bar->DropDown(this);
    }
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    Invalidate();
}

void TToolButton::Paint() {
    if (TToolBar* bar = ToolBar()) bar->DrawButton(this, *Canvas());
}

// ---------------------------------------------------------------------------------------
// TToolBar

IMPLEMENT_CLASS(TToolBar);

struct TToolBar::TTracking {
    TToolBar* Bar = nullptr;
    HHOOK Hook = nullptr;
    bool HookCalled = false;
};

namespace {
TToolBar::TTracking* tracking = nullptr;

LRESULT CALLBACK MenuLoopFilter(int code, WPARAM w, LPARAM l);
}  // namespace

void TToolBar::Publish(TClassBuilder<TToolBar>& b) {
    b.Prop("AutoSize", &TToolBar::GetAutoSize, &TToolBar::SetAutoSize);
    b.Prop("ButtonHeight", &TToolBar::GetButtonHeight, &TToolBar::SetButtonHeight);
    b.Prop("ShowCaptions", &TToolBar::GetShowCaptions, &TToolBar::SetShowCaptions);
    b.Prop("Wrapable", &TToolBar::GetWrapable, &TToolBar::SetWrapable);
    b.Event("OnCustomDraw", &TToolBar::OnCustomDraw);
    b.Event("OnCustomDrawButton", &TToolBar::OnCustomDrawButton);
}

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
    color_ = clBtnFace;
    width_ = 150;
    height_ = 29;
    SetAlign(alTop);
}

TToolBar::~TToolBar() = default;

TToolBar::TDropDownHook TToolBar::SetDropDownHook(TDropDownHook Hook) {
    TDropDownHook previous = std::move(DropDownHook());
    DropDownHook() = std::move(Hook);
    return previous;
}

void TToolBar::SetButtonHeight(int v) {
    if (v == buttonHeight_ || v < 1) return;
    buttonHeight_ = v;
    for (TToolButton* b : buttons_) b->AdjustSize();
    Realign();
}

void TToolBar::SetShowCaptions(bool v) {
    if (v == showCaptions_) return;
    showCaptions_ = v;
    for (TToolButton* b : buttons_) b->AdjustSize();
    Realign();
    Invalidate();
}

void TToolBar::SetWrapable(bool v) {
    if (v == wrapable_) return;
    wrapable_ = v;
    Realign();
}

void TToolBar::SetAutoSize(bool v) {
    TCustomControl::SetAutoSize(v);
    if (v) Realign();
}

// A new button goes before the first one that lies at or right of its left edge, so
// buttons made at position 0 come first.
void TToolBar::ButtonInserted(TToolButton* Button) {
    if (std::find(buttons_.begin(), buttons_.end(), Button) != buttons_.end()) return;
    auto at = std::find_if(buttons_.begin(), buttons_.end(),
                           [&](TToolButton* b) { return b->Left() >= Button->Left(); });
    buttons_.insert(at, Button);
    Button->AdjustSize();
}

void TToolBar::ButtonRemoved(TToolButton* Button) {
    buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), Button), buttons_.end());
    if (dropped_ == Button) dropped_ = nullptr;
    if (next_ == Button) next_ = nullptr;
}

// The buttons flow left to right in the bar's order, wrapping when asked; the align
// engine places them through CustomAlignPosition.
void TToolBar::AlignControls(TControl* AControl, TRect& Rect) {
    layout_.clear();
    int x = Rect.Left, y = Rect.Top;
    bool any = false;
    for (TToolButton* b : buttons_) {
        if (!b->GetVisible()) continue;
        const int w = b->Width();
        if (wrapable_ && x > Rect.Left && x + w > Rect.Right) {
            x = Rect.Left;
            y += buttonHeight_;
        }
        layout_.emplace_back(b, Bounds(x, y, w, buttonHeight_));
        x += w;
        any = true;
    }
    TCustomControl::AlignControls(AControl, Rect);
    if (!autoSize_) return;
    const int rows = any ? y - Rect.Top + buttonHeight_ : buttonHeight_;
    if (rows != GetClientHeight()) SetHeight(rows + (height_ - GetClientHeight()));
}

void TToolBar::CustomAlignPosition(TControl* Control, int& NewLeft, int& NewTop, int& NewWidth, int& NewHeight,
                                   TRect& AlignRect) {
    (void)AlignRect;
    for (auto& [button, r] : layout_) {
        if (button != Control) continue;
        NewLeft = r.Left;
        NewTop = r.Top;
        NewWidth = r.Width();
        NewHeight = r.Height();
        return;
    }
}

void TToolBar::Paint() {
    TCanvas* c = Canvas();
    const TRect r = GetClientRect();
    bool defaultDraw = true;
    if (OnCustomDraw) OnCustomDraw(this, r, defaultDraw);
    if (!defaultDraw) return;
    c->Brush()->SetColor(GetColor());
    c->FillRect(r);
}

void TToolBar::DrawButton(TToolButton* Button, TCanvas& Canvas) {
    TCustomDrawState state;
    if (Button->Hot()) state.Include(cdsHot);
    if (Button->Pressed()) state.Include(cdsSelected);
    if (!Button->GetEnabled()) state.Include(cdsDisabled);
    bool defaultDraw = true;
    if (OnCustomDrawButton) OnCustomDrawButton(this, Button, &Canvas, state, defaultDraw);
    if (!defaultDraw) return;
    TRect r(0, 0, Button->Width(), Button->Height());
    if (state.Contains(cdsSelected) || state.Contains(cdsHot)) {
        Canvas.Brush()->SetColor(state.Contains(cdsSelected) ? clBtnShadow : clBtnHighlight);
        Canvas.FrameRect(r);
    }
    if (!showCaptions_) return;
    Canvas.Font()->Assign(Button->Font());
    if (state.Contains(cdsDisabled)) Canvas.Font()->SetColor(clGrayText);
    Canvas.Brush()->SetStyle(bsClear);
    Canvas.DrawText(Button->GetCaption(), r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

TToolButton* TToolBar::ButtonAtScreen(TPoint ScreenPos) const {
    if (!handle_) return nullptr;
    const TPoint p = ScreenToClient(ScreenPos);
    for (TToolButton* b : buttons_)
        if (b->GetVisible() && b->BoundsRect().Contains(p)) return b;
    return nullptr;
}

TToolButton* TToolBar::NeighbourMenuButton(TToolButton* From, int Step) const {
    const int n = ButtonCount();
    auto it = std::find(buttons_.begin(), buttons_.end(), From);
    if (it == buttons_.end() || n == 0) return nullptr;
    int i = static_cast<int>(it - buttons_.begin());
    for (int k = 1; k < n; ++k) {
        TToolButton* b = buttons_[static_cast<size_t>(((i + Step * k) % n + n) % n)];
        if (b->GetVisible() && b->GetEnabled() && b->GetMenuItem() && b->GetMenuItem()->Count() > 0) return b;
    }
    return nullptr;
}

bool TToolBar::MenuLoopMessage(const MSG& Msg) {
    TToolButton* switchTo = nullptr;
    if (Msg.message == WM_MOUSEMOVE) {
        TToolButton* b = ButtonAtScreen(TPoint(Msg.pt.x, Msg.pt.y));
        if (b && b != dropped_ && b->GetEnabled() && b->GetMenuItem() && b->GetMenuItem()->Count() > 0) switchTo = b;
    } else if (Msg.message == WM_KEYDOWN && dropped_) {
        const bool topLevel = selectedMenu_ == nullptr || selectedMenu_ == dropped_->GetMenuItem()->Handle();
        if (Msg.wParam == VK_LEFT && topLevel) switchTo = NeighbourMenuButton(dropped_, -1);
        if (Msg.wParam == VK_RIGHT && topLevel && !selectedHasPopup_) switchTo = NeighbourMenuButton(dropped_, 1);
    }
    if (!switchTo) return false;
    next_ = switchTo;
    EndMenu();
    return true;
}

namespace {
LRESULT CALLBACK MenuLoopFilter(int code, WPARAM w, LPARAM l) {
    HHOOK hook = tracking ? tracking->Hook : nullptr;
    if (code == MSGF_MENU && tracking && l) {
        bool used = false;
        Guard([&] { used = tracking->Bar->MenuLoopMessage(*reinterpret_cast<MSG*>(l)); });
        if (used) return 1;
    }
    return CallNextHookEx(hook, code, w, l);
}
}  // namespace

void TToolBar::DropDown(TToolButton* Button) {
    if (dropped_ || !Button || !HandleAllocated()) return;
    TComponentWatch watch(this);
    while (Button && !watch.Freed()) {
        TMenuItem* item = Button->GetMenuItem();
        TMenu* menu = item ? item->GetParentMenu() : nullptr;
        if (!menu || item->Count() == 0) break;
        dropped_ = Button;
        droppedMenu_ = menu;
        next_ = nullptr;
        selectedMenu_ = nullptr;
        selectedHasPopup_ = false;
        Button->Repaint();
        const TPoint topLeft = Button->ClientToScreen(TPoint(0, 0));
        const TRect r = Bounds(topLeft.X, topLeft.Y, Button->Width(), Button->Height());
        TPMPARAMS exclude{sizeof(TPMPARAMS), {r.Left, r.Top, r.Right, r.Bottom}};
        TTracking state{this, SetWindowsHookExA(WH_MSGFILTER, MenuLoopFilter, nullptr, GetCurrentThreadId()), false};
        TTracking* outer = tracking;
        tracking = &state;
        TComponentWatch menuWatch(menu);
        const UINT command = static_cast<UINT>(TrackPopupMenuEx(
            item->Handle(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL | TPM_RETURNCMD, r.Left, r.Bottom, handle_, &exclude));
        tracking = outer;
        if (state.Hook) UnhookWindowsHookEx(state.Hook);
        if (watch.Freed()) return;
        TToolButton* next = next_;
        dropped_ = nullptr;
        droppedMenu_ = nullptr;
        next_ = nullptr;
        Invalidate();
        if (command && !menuWatch.Freed()) {
            menu->DispatchCommand(static_cast<WORD>(command));
            return;
        }
        Button = next;
    }
}

void TToolBar::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_CONTROLCHANGE:
        if (auto* b = dynamic_cast<TToolButton*>(reinterpret_cast<TControl*>(Message.WParam))) {
            if (Message.LParam) ButtonInserted(b);
            else ButtonRemoved(b);
        }
        break;
    case WM_MENUSELECT:
        selectedMenu_ = reinterpret_cast<HMENU>(Message.LParam);
        selectedHasPopup_ = (HIWORD(Message.WParam) & MF_POPUP) != 0;
        break;
    case WM_ENTERIDLE:
        if (Message.WParam == MSGF_MENU && tracking && tracking->Bar == this && !tracking->HookCalled && DropDownHook()) {
            tracking->HookCalled = true;
            TDropDownHook hook = DropDownHook();
            hook(*this, reinterpret_cast<HWND>(Message.LParam));
            return;
        }
        break;
    default:
        break;
    }
    // The dropped menu's items are measured, drawn and opened through their own menu.
    if (droppedMenu_ && droppedMenu_->HandleMenuMessage(Message)) return;
    TCustomControl::WndProc(Message);
}
