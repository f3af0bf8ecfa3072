// TControl: the base of every control, windowed or not.
#include "framework/ControlsShared.h"
#include "framework/Forms.h"
#include "framework/Guards.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>

using namespace controls_detail;

// ---------------------------------------------------------------------------------------
// TControl

IMPLEMENT_CLASS(TControl);

namespace {
// Cursor properties read and write crXxx names as well as numbers.
void MakeCursorProp(TPropInfo& p) {
    auto get = p.GetValue;
    p.GetValue = [get](const TObject* o) {
        TValue v = get(o);
        std::string ident;
        if (CursorToIdent(static_cast<int>(v.Int), ident)) return TValue::MakeIdent(ident);
        return v;
    };
    auto set = p.SetValue;
    p.SetValue = [set](TObject* o, const TValue& v) {
        if (v.Kind == TValueKind::Ident) {
            int c = 0;
            if (!IdentToCursor(v.Str, c)) RaiseInvalidPropertyValue(v);
            set(o, TValue::MakeInt(c));
        } else {
            set(o, v);
        }
    };
}
} // namespace

void TControl::Publish(TClassBuilder<TControl>& b) {
    b.Prop("Left", &TControl::Left, &TControl::SetLeft);
    b.Prop("Top", &TControl::Top, &TControl::SetTop);
    b.Prop("Width", &TControl::Width, &TControl::SetWidth);
    b.Prop("Height", &TControl::Height, &TControl::SetHeight);
    b.Prop("Action", &TControl::GetAction, &TControl::SetAction);
    b.Prop("Align", &TControl::GetAlign, &TControl::SetAlign).Default = TValue::MakeIdent("alNone");
    b.Prop("Anchors", &TControl::GetAnchors, &TControl::SetAnchors);
    b.Prop("BiDiMode", &TControl::GetBiDiMode, &TControl::SetBiDiMode);
    b.Prop("Caption", &TControl::GetCaption, &TControl::SetCaption);
    b.Prop("Color", &TControl::GetColor, &TControl::SetColor);
    b.Prop("Constraints", &TControl::Constraints, &TControl::SetConstraints);
    MakeCursorProp(b.Prop("Cursor", &TControl::GetCursor, &TControl::SetCursor));
    b.Prop("Enabled", &TControl::GetEnabled, &TControl::SetEnabled).Default = TValue::MakeIdent("True");
    b.Prop("Font", &TControl::Font, &TControl::SetFont);
    b.Prop("HelpContext", &TControl::GetHelpContext, &TControl::SetHelpContext);
    b.Prop("Hint", &TControl::GetHint, &TControl::SetHint);
    b.Prop("ParentColor", &TControl::GetParentColor, &TControl::SetParentColor);
    b.Prop("ParentFont", &TControl::GetParentFont, &TControl::SetParentFont);
    b.Prop("ParentShowHint", &TControl::GetParentShowHint, &TControl::SetParentShowHint);
    b.Prop("PopupMenu", &TControl::GetPopupMenu, &TControl::SetPopupMenu);
    b.Prop("ShowHint", &TControl::GetShowHint, &TControl::SetShowHint);
    b.Prop("Text", &TControl::GetText, &TControl::SetText);
    b.Prop("Visible", &TControl::GetVisible, &TControl::SetVisible).Default = TValue::MakeIdent("True");
    b.Event("OnClick", &TControl::OnClick);
    b.Event("OnContextPopup", &TControl::OnContextPopup);
    b.Event("OnDblClick", &TControl::OnDblClick);
    b.Event("OnMouseDown", &TControl::OnMouseDown);
    b.Event("OnMouseEnter", &TControl::OnMouseEnter);
    b.Event("OnMouseLeave", &TControl::OnMouseLeave);
    b.Event("OnMouseMove", &TControl::OnMouseMove);
    b.Event("OnMouseUp", &TControl::OnMouseUp);
    b.Event("OnMouseWheel", &TControl::OnMouseWheel);
    b.Event("OnMouseWheelDown", &TControl::OnMouseWheelDown);
    b.Event("OnMouseWheelUp", &TControl::OnMouseWheelUp);
    b.Event("OnResize", &TControl::OnResize);
    b.Event("OnDragOver", &TControl::OnDragOver);
    b.Event("OnDragDrop", &TControl::OnDragDrop);
    b.Event("OnEndDrag", &TControl::OnEndDrag);
}

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), font_(std::make_unique<TFont>()),
      constraints_(std::make_unique<TSizeConstraints>(this)) {
    WindowProc = [this](TMessage& m) { WndProc(m); };
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    parentColor_ = true;
    font_->OnChange = [this](TObject* s) { FontChanged(s); };
}

void TControl::Destroying() {
    TComponent::Destroying();
    // Leave the parent while the control is whole, so it knows what kind of child goes.
    if (parent_) parent_->RemoveControl(this);
}

TControl::~TControl() {
    if (TDragManager::source == this) TDragManager::Reset();
    if (gMouseControl == this) gMouseControl = nullptr;
    if (gCaptureControl == this) {
        gCaptureControl = nullptr;
        ReleaseCapture();
    }
    if (Application) Application->ControlDestroyed(this);
    if (parent_) parent_->RemoveControl(this);
    actionLink_.reset();
    font_->OnChange = nullptr;
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    WindowProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& Message) { Dispatch(Message); }

void TControl::DefaultHandler(TMessage& Message) { (void)Message; }

void TControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_LBUTTONUP:
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: case WM_RBUTTONUP:
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: case WM_MBUTTONUP:
    case WM_MOUSEMOVE:
        HandleMouseMessage(Message);
        return;
    case WM_MOUSEWHEEL: {
        TPoint pos(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
        if (DoMouseWheel(KeysToShiftState(GET_KEYSTATE_WPARAM(Message.WParam)),
                         GET_WHEEL_DELTA_WPARAM(Message.WParam), pos)) {
            Message.Result = 1;
            return;
        }
        break;
    }
    case CM_MOUSEENTER:
        if (Message.LParam == reinterpret_cast<LPARAM>(this) || Message.LParam == 0) {
            if (OnMouseEnter) OnMouseEnter(this);
        }
        return;
    case CM_MOUSELEAVE:
        if (Message.LParam == reinterpret_cast<LPARAM>(this) || Message.LParam == 0) {
            if (OnMouseLeave) OnMouseLeave(this);
        }
        return;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_COLORCHANGED:
        Invalidate();
        return;
    case CM_FONTCHANGED:
        AdjustSize();
        Invalidate();
        return;
    case CM_PARENTFONTCHANGED:
        ParentFontChanged();
        return;
    case CM_PARENTCOLORCHANGED:
        ParentColorChanged();
        return;
    case CM_PARENTSHOWHINTCHANGED:
    case CM_SHOWINGCHANGED:
    case CM_VISIBLECHANGED:
    case CM_SYSCOLORCHANGE:
    case CM_FOCUSCHANGED:
    case CM_DESIGNHITTEST:
    case CM_ENTER:
    case CM_EXIT:
    case CM_HINTSHOW:
    case CM_CANCELMODE:
        return;
    case CM_DIALOGCHAR:
    case CM_DIALOGKEY:
    case CM_WANTSPECIALKEY:
        return;
    default:
        break;
    }
    DefaultHandler(Message);
}

void TControl::HandleMouseMessage(TMessage& Message) {
    int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
    TShiftState shift = KeysToShiftState(Message.WParam);
    // The default handling (a button's BN_CLICKED) and each event may free this control.
    TControlWatch watch(this);
    auto down = [&](TMouseButton button, bool dbl) {
        if (dbl && !ControlStyle.Contains(csDoubleClicks)) dbl = false;
        if (dbl) shift.Include(ssDouble);
        if (button == mbLeft) {
            // The control that loses the mouse to this one is told, and may free this one.
            if (ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
            if (watch.Freed()) return;
            if (ControlStyle.Contains(csClickEvents) && !dbl) ControlState.Include(csClicked);
            ControlState.Include(csLButtonDown);
        }
        DefaultHandler(Message);
        if (watch.Freed()) return;
        if (dbl && button == mbLeft) DblClick();
        if (watch.Freed()) return;
        MouseDown(button, shift, x, y);
    };
    auto up = [&](TMouseButton button) {
        DefaultHandler(Message);
        if (watch.Freed()) return;
        if (button == mbLeft) {
            ControlState.Exclude(csLButtonDown);
            if (ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
            if (watch.Freed()) return;
            if (ControlState.Contains(csClicked)) {
                ControlState.Exclude(csClicked);
                if (GetClientRect().Contains(TPoint(x, y))) Click();
                if (watch.Freed()) return;
            }
        }
        MouseUp(button, shift, x, y);
    };
    switch (Message.Msg) {
    case WM_LBUTTONDOWN: down(mbLeft, false); break;
    case WM_LBUTTONDBLCLK: down(mbLeft, true); break;
    case WM_RBUTTONDOWN: down(mbRight, false); break;
    case WM_RBUTTONDBLCLK: down(mbRight, true); break;
    case WM_MBUTTONDOWN: down(mbMiddle, false); break;
    case WM_MBUTTONDBLCLK: down(mbMiddle, true); break;
    case WM_LBUTTONUP: up(mbLeft); break;
    case WM_RBUTTONUP: up(mbRight); break;
    case WM_MBUTTONUP: up(mbMiddle); break;
    case WM_MOUSEMOVE:
        DefaultHandler(Message);
        if (!watch.Freed()) MouseMove(shift, x, y);
        break;
    }
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}
void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}
void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    if (!handled) {
        if (WheelDelta < 0) handled = DoMouseWheelDown(Shift, MousePos);
        else if (WheelDelta > 0) handled = DoMouseWheelUp(Shift, MousePos);
    }
    return handled;
}
bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheelDown) OnMouseWheelDown(this, Shift, MousePos, handled);
    return handled;
}
bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    bool handled = false;
    if (OnMouseWheelUp) OnMouseWheelUp(this, Shift, MousePos, handled);
    return handled;
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
    if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
    else if (actionLink_) actionLink_->Execute(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::Resize() {
    if (OnResize && !IsLoading()) OnResize(this);
}

bool TControl::MouseCapture() const { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool v) {
    if (v == MouseCapture()) return;
    SetCaptureControl(v ? this : nullptr);
}

bool TControl::IsMouseInside() const {
    POINT p;
    GetCursorPos(&p);
    return GetClientRect().Contains(ScreenToClient(TPoint(p)));
}

// --- placement

void TControl::SetParent(TWinControl* AParent) {
    if (AParent == parent_) return;
    if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (parent_) parent_->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent* Value) {
    if (auto* w = dynamic_cast<TWinControl*>(Value)) SetParent(w);
}

TCustomForm* TControl::GetParentForm() const {
    const TControl* c = this;
    while (c->parent_) c = c->parent_;
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    constraints_->Apply(AWidth, AHeight);
    if (AWidth < 0) AWidth = 0;
    if (AHeight < 0) AHeight = 0;
    if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
    bool sized = AWidth != width_ || AHeight != height_;
    InvalidateControl(visible_, false);
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
    InvalidateControl(visible_, false);
    BoundsChanged();
    if (!anchoring_) UpdateAnchorRules();
    RequestAlign();
    if (sized) Resize();
}

void TControl::SetAlignedBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    {
        TRestore anchoring(anchoring_, true);
        SetBounds(ALeft, ATop, AWidth, AHeight);
    }
    UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
    if (!parent_) return;
    TRect r = parent_->GetClientRect();
    anchorRight_ = r.Width() - (left_ + width_);
    anchorBottom_ = r.Height() - (top_ + height_);
}

void TControl::RequestAlign() {
    if (parent_) parent_->AlignControl(this);
}

TRect TControl::GetClientRect() const { return TRect(0, 0, width_, height_); }

void TControl::SetClientSize(int w, int h) {
    TRect r = GetClientRect();
    SetBounds(left_, top_, width_ - r.Width() + w, height_ - r.Height() + h);
}

TPoint TControl::GetClientOrigin() const {
    if (!parent_) return TPoint(left_, top_);
    TPoint p = parent_->GetClientOrigin();
    return TPoint(p.X + left_, p.Y + top_);
}

TPoint TControl::ClientToScreen(TPoint p) const {
    TPoint o = GetClientOrigin();
    return TPoint(p.X + o.X, p.Y + o.Y);
}

TPoint TControl::ScreenToClient(TPoint p) const {
    TPoint o = GetClientOrigin();
    return TPoint(p.X - o.X, p.Y - o.Y);
}

TPoint TControl::ClientToParent(TPoint p, TWinControl* AParent) const {
    if (!AParent) AParent = parent_;
    if (!AParent) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    TPoint s = ClientToScreen(p);
    return AParent->ScreenToClient(s);
}

TPoint TControl::ParentToClient(TPoint p, TWinControl* AParent) const {
    if (!AParent) AParent = parent_;
    if (!AParent) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    return ScreenToClient(AParent->ClientToScreen(p));
}

void TControl::SetAlign(TAlign v) {
    if (v == align_) return;
    align_ = v;
    switch (v) {
    case alTop: anchors_ = {akLeft, akTop, akRight}; break;
    case alBottom: anchors_ = {akLeft, akRight, akBottom}; break;
    case alLeft: anchors_ = {akLeft, akTop, akBottom}; break;
    case alRight: anchors_ = {akRight, akTop, akBottom}; break;
    case alClient: anchors_ = {akLeft, akTop, akRight, akBottom}; break;
    default: anchors_ = {akLeft, akTop}; break;
    }
    RequestAlign();
}

void TControl::SetAnchors(TAnchors v) {
    if (v == anchors_) return;
    anchors_ = v;
    UpdateAnchorRules();
}

void TControl::SetAutoSize(bool v) {
    if (v == autoSize_) return;
    autoSize_ = v;
    if (v) AdjustSize();
}

void TControl::ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight) {
    MinWidth = constraints_->GetMinWidth();
    MinHeight = constraints_->GetMinHeight();
    MaxWidth = constraints_->GetMaxWidth();
    MaxHeight = constraints_->GetMaxHeight();
}

// --- state

void TControl::SetVisible(bool v) {
    if (v == visible_) return;
    if (!v) InvalidateControl(true, false);
    visible_ = v;
    if (v) InvalidateControl(true, false);
    Perform(CM_VISIBLECHANGED, v ? 1 : 0);
    if (align_ != alNone) RequestAlign();
    Perform(CM_SHOWINGCHANGED);
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool v) {
    if (v == enabled_) return;
    enabled_ = v;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetTextValue(const std::string& v) {
    if (v == text_) return;
    text_ = v;
    Perform(CM_TEXTCHANGED);
}

void TControl::SetColor(TColor v) {
    if (v == color_) {
        parentColor_ = false;
        return;
    }
    color_ = v;
    parentColor_ = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool v) {
    if (v == parentColor_) return;
    parentColor_ = v;
    if (v) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (!parentColor_ || !parent_) return;
    if (parent_->GetColor() != color_) {
        color_ = parent_->GetColor();
        Perform(CM_COLORCHANGED);
    }
}

void TControl::SetFont(TFont* v) {
    if (v) font_->Assign(v);
}

void TControl::FontChanged(TObject*) {
    if (!settingParentFont_) parentFont_ = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool v) {
    if (v == parentFont_) return;
    parentFont_ = v;
    if (v) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!parentFont_ || !parent_) return;
    {
        TRestore setting(settingParentFont_, true);
        font_->Assign(parent_->Font());
    }
    parentFont_ = true;
}

void TControl::SetShowHint(bool v) {
    parentShowHint_ = false;
    if (v == showHint_) return;
    showHint_ = v;
    Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool v) {
    if (v == parentShowHint_) return;
    parentShowHint_ = v;
    if (v && parent_) showHint_ = parent_->EffectiveShowHint();
}

bool TControl::EffectiveShowHint() const {
    if (parentShowHint_ && parent_) return parent_->EffectiveShowHint();
    return showHint_;
}

std::string TControl::GetShortHint() const {
    auto bar = hint_.find('|');
    return bar == std::string::npos ? hint_ : hint_.substr(0, bar);
}

void TControl::SetCursor(TCursor v) {
    if (v == cursor_) return;
    cursor_ = v;
    // Shows the new cursor at once when the pointer is over the control.
    if (gMouseControl == this && Screen && Screen->GetCursor() == crDefault) {
        if (IsMouseInside()) ::SetCursor(Screen->Cursors(v == crDefault ? crArrow : v));
    }
}

void TControl::SetPopupMenu(TComponent* v) {
    if (v == popupMenu_) return;
    IPopupMenu* intf = nullptr;
    if (v) {
        intf = dynamic_cast<IPopupMenu*>(v);
        if (!intf) throw EPropertyError("Component '" + v->Name() + "' is not a popup menu");
    }
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = v;
    popupIntf_ = intf;
    if (v) v->FreeNotification(this);
}

TBasicAction* TControl::GetAction() const { return actionLink_ ? actionLink_->Action() : nullptr; }

TControlActionLink* TControl::CreateActionLink() { return new TControlActionLink(this); }

void TControl::SetAction(TBasicAction* v) {
    if (v == GetAction()) return;
    if (!v) {
        if (auto* old = GetAction()) old->RemoveFreeNotification(this);
        actionLink_.reset();
        ControlStyle.Exclude(csActionClient);
        return;
    }
    if (!actionLink_) {
        actionLink_.reset(CreateActionLink());
        actionLink_->OnChange = [this](TObject* s) { DoActionChange(s); };
    } else if (auto* old = GetAction()) {
        old->RemoveFreeNotification(this);
    }
    actionLink_->SetAction(v);
    ControlStyle.Include(csActionClient);
    ActionChange(v, IsLoading());
    v->FreeNotification(this);
}

void TControl::DoActionChange(TObject* Sender) {
    if (Sender == GetAction()) ActionChange(Sender, false);
}

void TControl::ActionChange(TObject* Sender, bool CheckDefaults) {
    auto* a = dynamic_cast<TBasicAction*>(Sender);
    if (!a || !a->HasClientProperties()) return;
    if (!CheckDefaults || GetCaption().empty()) SetCaption(a->GetCaption());
    if (!CheckDefaults || enabled_) SetEnabled(a->GetEnabled());
    if (!CheckDefaults || hint_.empty()) SetHint(a->GetHint());
    if (!CheckDefaults || visible_) SetVisible(a->GetVisible());
    if (!CheckDefaults || helpContext_ == 0) SetHelpContext(a->GetHelpContext());
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove) return;
    if (AComponent == popupMenu_) {
        popupMenu_ = nullptr;
        popupIntf_ = nullptr;
    }
    if (actionLink_ && AComponent == actionLink_->Action()) {
        actionLink_.reset();
        ControlStyle.Exclude(csActionClient);
    }
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (parent_) {
        if (parentColor_) ParentColorChanged();
        if (parentFont_) ParentFontChanged();
    }
    if (autoSize_) AdjustSize();
    if (actionLink_ && actionLink_->Action()) ActionChange(actionLink_->Action(), true);
    UpdateAnchorRules();
}

// --- painting

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
    if (!IsVisible || !parent_ || !parent_->HandleAllocated()) return;
    if (dynamic_cast<TWinControl*>(this)) return;
    TRect r = BoundsRect();
    parent_->InvalidateRect(&r, !(IsOpaque || ControlStyle.Contains(csOpaque)));
}

void TControl::Invalidate() { InvalidateControl(visible_, ControlStyle.Contains(csOpaque)); }

void TControl::InvalidateNoErase() { InvalidateControl(visible_, true); }

void TControl::Update() {
    if (parent_) parent_->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() { SetZOrderPosition(parent_ ? parent_->ControlCount() - 1 : 0); }
void TControl::SendToBack() { SetZOrderPosition(0); }

void TControl::SetZOrderPosition(int index) {
    if (!parent_) {
        if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
            SetWindowPos(w->WindowHandle(), index == 0 ? HWND_BOTTOM : HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    auto& list = parent_->controls_;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    index = std::clamp(index, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + index, this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) {
        // The window goes above the previous windowed sibling in the list (or to the bottom).
        HWND after = HWND_BOTTOM;
        for (int i = index - 1; i >= 0; --i)
            if (auto* prev = dynamic_cast<TWinControl*>(list[static_cast<size_t>(i)]); prev && prev->HandleAllocated()) {
                after = prev->WindowHandle();
                break;
            }
        if (after == HWND_BOTTOM) {
            SetWindowPos(w->WindowHandle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        } else {
            // SetWindowPos places a window below hWndInsertAfter; find the one above "after".
            HWND above = GetWindow(after, GW_HWNDPREV);
            if (above == w->WindowHandle()) above = GetWindow(above, GW_HWNDPREV);
            SetWindowPos(w->WindowHandle(), above ? above : HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    } else {
        Invalidate();
    }
}

bool TControl::IsAccel(char ch, const std::string& caption) const {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') { ++i; continue; }
        return std::toupper(static_cast<unsigned char>(caption[i + 1])) == std::toupper(static_cast<unsigned char>(ch));
    }
    return false;
}

void TControl::SendCancelMode(TControl* Sender) {
    if (auto* f = GetParentForm()) f->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Sender));
}
