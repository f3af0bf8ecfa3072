#include "controls/framed/FcButton.h"

#include "framework/Forms.h"

IMPLEMENT_CLASS(TFcCustomButton);

void TFcCustomButton::Publish(TClassBuilder<TFcCustomButton>& b) {
    using C = TFcCustomButton;
    b.Prop("AlignmentVertical", &C::GetAlignmentVertical, &C::SetAlignmentVertical);
    b.Prop("HighlightColor", &C::GetHighlightColor, &C::SetHighlightColor);
    b.Prop("HotTrack", &C::GetHotTrack, &C::SetHotTrack);
    b.Prop("HotTrackColor", &C::GetHotTrackColor, &C::SetHotTrackColor);
    b.Prop("HotTrackColorType", &C::GetHotTrackColorType, &C::SetHotTrackColorType);
    b.Prop("LightTextStyle", &C::GetLightTextStyle, &C::SetLightTextStyle);
    b.Prop("TextHighlightColor", &C::GetTextHighlightColor, &C::SetTextHighlightColor);
    b.Prop("TextShadowColor", &C::GetTextShadowColor, &C::SetTextShadowColor);
    b.Prop("TextShadowDepth", &C::GetTextShadowDepth, &C::SetTextShadowDepth);
    b.Prop("TextStyle", &C::GetTextStyle, &C::SetTextStyle);
    b.Prop("ThemeAware", &C::GetThemeAware, &C::SetThemeAware);
    b.Prop("Transparent", &C::GetTransparent, &C::SetTransparent);
}

TFcCustomButton::TFcCustomButton(TComponent* AOwner) : TCustomControl(AOwner) {
    // No automatic click: the control fires its own clicks from ChangeState.
    ControlStyle = {csCaptureMouse, csSetCaption, csDoubleClicks, csReplicatable, csReflector};
    width_ = 115;
    height_ = 17;
    SetTabStop(true);
}

template <class T>
void TFcCustomButton::Change(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Invalidate();
}

void TFcCustomButton::SetAlignmentVertical(TAlignmentVertical Value) { Change(alignmentVertical_, Value); }
void TFcCustomButton::SetHotTrack(bool Value) { Change(hotTrack_, Value); }
void TFcCustomButton::SetHighlightColor(TColor Value) { Change(highlightColor_, Value); }
void TFcCustomButton::SetLightTextStyle(bool Value) { Change(lightTextStyle_, Value); }
void TFcCustomButton::SetTextStyle(TTextStyle Value) { Change(textStyle_, Value); }
void TFcCustomButton::SetTextHighlightColor(TColor Value) { Change(textHighlightColor_, Value); }
void TFcCustomButton::SetTextShadowColor(TColor Value) { Change(textShadowColor_, Value); }
void TFcCustomButton::SetTextShadowDepth(int Value) { Change(textShadowDepth_, Value); }
void TFcCustomButton::SetThemeAware(bool Value) { Change(themeAware_, Value); }
void TFcCustomButton::SetTransparent(bool Value) { Change(transparent_, Value); }

bool TFcCustomButton::ThemesInUse() const { return themeAware_ && ThemesEnabled(); }

// --- mouse

void TFcCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !GetEnabled()) return;
    if (!Focused() && CanFocus()) SetFocus();
    if (!Focused()) return;
    pressedLook_ = true;
    RepaintState();
    pressedTracking_ = true;
}

void TFcCustomButton::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomControl::MouseMove(Shift, X, Y);
    if (!pressedTracking_) return;
    bool inside = X >= 0 && X < GetClientWidth() && Y >= 0 && Y < GetClientHeight();
    if (inside == pressedLook_) return;
    pressedLook_ = inside;
    RepaintState();
}

void TFcCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (!pressedTracking_) return;
    pressedTracking_ = false;
    pressedLook_ = false;
    TControlWatch watch(this);
    if (X >= 0 && X < GetClientWidth() && Y >= 0 && Y < GetClientHeight()) ChangeState();
    if (!watch.Freed()) RepaintState();
}

// --- messages

void TFcCustomButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_MOUSEENTER: CMMouseEnter(Message); return;
    case CM_MOUSELEAVE: CMMouseLeave(Message); return;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); return;
    case CM_TEXTCHANGED: CMTextChanged(Message); return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: WMFocusChanged(Message); return;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    default: TCustomControl::WndProc(Message); return;
    }
}

void TFcCustomButton::InvalidateHotRect() {
    if (!hotTrack_ && !ThemesInUse()) return;
    TRect r;
    GetHotRect(r);
    InvalidateRect(&r, false);
}

void TFcCustomButton::CMMouseEnter(TMessage& Message) {
    hover_ = true;
    TControlWatch watch(this);
    TCustomControl::WndProc(Message);
    if (!watch.Freed()) InvalidateHotRect();
}

void TFcCustomButton::CMMouseLeave(TMessage& Message) {
    hover_ = false;
    TControlWatch watch(this);
    TCustomControl::WndProc(Message);
    if (!watch.Freed()) InvalidateHotRect();
}

void TFcCustomButton::CMEnabledChanged(TMessage&) {
    if (!GetEnabled() && Parent()) {
        if (auto* form = GetParentForm(); form && Focused()) form->DefocusControl(this, false);
    }
    if (HandleAllocated()) EnableWindow(WindowHandle(), GetEnabled());
    Invalidate();
}

void TFcCustomButton::CMTextChanged(TMessage& Message) {
    TCustomControl::WndProc(Message);
    Repaint();
}

void TFcCustomButton::WMFocusChanged(TMessage& Message) {
    TCustomControl::WndProc(Message);
    RepaintFocus();
}

void TFcCustomButton::WMEraseBkgnd(TMessage& Message) {
    if (!transparent_) {
        TCustomControl::WndProc(Message);
        return;
    }
    PaintTransparentBackground(reinterpret_cast<HDC>(Message.WParam));
    Message.Result = 1;
}

// --- caption

void TFcCustomButton::DrawCaption(TCanvas* Canvas, const TRect& Rect, UINT Flags) {
    std::string caption = GetCaption();
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->Font()->Assign(Font());
    TRect measure = Rect;
    int h = DrawTextIn(Canvas, caption, measure, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_VCENTER | DT_CENTER);
    TRect t = Rect;
    switch (alignmentVertical_) {
    case avTop: t.Bottom = t.Top + h; break;
    case avCenter:
        t.Top = (t.Top + t.Bottom - h) / 2;
        t.Bottom = t.Top + h;
        break;
    case avBottom: t.Top = t.Bottom - h - 1; break;
    }
    if (UseRightToLeftReading()) Flags |= DT_RTLREADING;
    auto drawAt = [&](int dx, int dy, TColor color) {
        TRect r = t;
        r.Offset(dx, dy);
        Canvas->Font()->SetColor(color);
        DrawTextIn(Canvas, caption, r, Flags);
    };
    if (GetEnabled()) {
        if (textStyle_ == tsRaised || textStyle_ == tsRecessed) {
            TColor first = textStyle_ == tsRaised ? textHighlightColor_ : textShadowColor_;
            TColor second = textStyle_ == tsRaised ? textShadowColor_ : textHighlightColor_;
            if (textStyle_ == tsRecessed || !lightTextStyle_) drawAt(1, 1, second);
            if (textStyle_ == tsRaised || !lightTextStyle_) drawAt(-1, -1, first);
        } else if (textStyle_ == tsShadow) {
            if (Flags & DT_RIGHT) drawAt(0, textShadowDepth_, textShadowColor_);
            else drawAt(textShadowDepth_, textShadowDepth_, textShadowColor_);
        }
        Canvas->Font()->SetColor(Font()->GetColor());
        if (Flags & DT_RIGHT) t.Offset(-textShadowDepth_, 0);
    } else {
        Canvas->Font()->SetColor(ColorsClose(GetColor(), clGrayText) ? cl3DDkShadow : clGrayText);
    }
    DrawTextIn(Canvas, caption, t, Flags);
    Canvas->Brush()->SetStyle(bsSolid);
}
