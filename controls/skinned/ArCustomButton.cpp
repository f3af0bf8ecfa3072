#include "controls/skinned/ArCustomButton.h"

#include "controls/skinned/SkPublic.h"
#include "framework/StdCtrls.h"

#include <algorithm>

IMPLEMENT_CLASS(TArCustomButton);

namespace {
constexpr UINT_PTR kRepeatTimerId = 1;
}

TPoint ArPictureOrigin(TArPicAlign align, int W, int H, int w, int h, int customX, int customY) {
    const int centreX = (W - w) / 2, centreY = (H - h) / 2;
    switch (align) {
    case TArPicAlign::paTopLeft: return {0, 0};
    case TArPicAlign::paTopCenter: return {centreX, 0};
    case TArPicAlign::paTopRight: return {W - w, 0};
    case TArPicAlign::paMiddleLeft:
    case TArPicAlign::paLeft: return {0, centreY};
    case TArPicAlign::paMiddleCenter:
    case TArPicAlign::paCenter: return {centreX, centreY};
    case TArPicAlign::paMiddleRight:
    case TArPicAlign::paRight: return {W - w, centreY};
    case TArPicAlign::paBottomLeft: return {0, H - h};
    case TArPicAlign::paBottomCenter: return {centreX, H - h};
    case TArPicAlign::paBottomRight: return {W - w, H - h};
    case TArPicAlign::paCustom: return {customX, customY};
    }
    return {0, 0};
}

UINT ArCaptionFlags(TArTextAlign align, bool multiLines) {
    UINT flags = multiLines ? DT_WORDBREAK | DT_EXPANDTABS | DT_EDITCONTROL : DT_WORDBREAK | DT_SINGLELINE | DT_EXPANDTABS;
    switch (align) {
    case TArTextAlign::taTopCenter: return flags | DT_CENTER;
    case TArTextAlign::taTopRight: return flags | DT_RIGHT;
    case TArTextAlign::taMiddleLeft:
    case TArTextAlign::taLeft: return flags | DT_VCENTER;
    case TArTextAlign::taMiddleCenter:
    case TArTextAlign::taCenter: return flags | DT_CENTER | DT_VCENTER;
    case TArTextAlign::taMiddleRight:
    case TArTextAlign::taRight: return flags | DT_RIGHT | DT_VCENTER;
    case TArTextAlign::taBottomLeft: return flags | DT_BOTTOM;
    case TArTextAlign::taBottomCenter: return flags | DT_CENTER | DT_BOTTOM;
    case TArTextAlign::taBottomRight: return flags | DT_RIGHT | DT_BOTTOM;
    case TArTextAlign::taTopLeft:
    case TArTextAlign::taCustom: return flags;
    }
    return flags;
}

void TArCustomButton::Publish(TClassBuilder<TArCustomButton>& b) {
    b.Prop("Caption", &TArCustomButton::GetCaption, &TArCustomButton::SetCaption);
    b.Prop("TextX", &TArCustomButton::GetTextX, &TArCustomButton::SetTextX);
    b.Prop("TextY", &TArCustomButton::GetTextY, &TArCustomButton::SetTextY);
    b.Prop("ModalResult", &TArCustomButton::GetModalResult, &TArCustomButton::SetModalResult);
    b.Prop("Transparent", &TArCustomButton::GetTransparent, &TArCustomButton::SetTransparent);
    b.Prop("FocusedRectMargin", &TArCustomButton::GetFocusedRectMargin, &TArCustomButton::SetFocusedRectMargin);
    b.Prop("TextAlign", &TArCustomButton::GetTextAlign, &TArCustomButton::SetTextAlign);
    b.Prop("MultiLines", &TArCustomButton::GetMultiLines, &TArCustomButton::SetMultiLines);
    b.Prop("FontMouseHover", &TArCustomButton::GetFontMouseHover, &TArCustomButton::SetFontMouseHover);
    b.Prop("FontMouseDown", &TArCustomButton::GetFontMouseDown, &TArCustomButton::SetFontMouseDown);
    b.Prop("FontDisabled", &TArCustomButton::GetFontDisabled, &TArCustomButton::SetFontDisabled);
}

TArCustomButton::TArCustomButton(TComponent* AOwner)
    : TCustomControl(AOwner), fontMouseHover_(std::make_unique<TFont>()), fontMouseDown_(std::make_unique<TFont>()),
      fontDisabled_(std::make_unique<TFont>()) {
    // A double click arrives as two clicks.
    ControlStyle.Exclude(csAcceptsControls);
    ControlStyle.Exclude(csDoubleClicks);
    for (TFont* f : {fontMouseHover_.get(), fontMouseDown_.get(), fontDisabled_.get()}) {
        f->Assign(Font());
        HookFont(f);
    }
    SetText("");
    SetAutoSize(false);
}

TArCustomButton::~TArCustomButton() {
    StopRepeat();
    for (TFont* f : {fontMouseHover_.get(), fontMouseDown_.get(), fontDisabled_.get()}) f->OnChange = nullptr;
}

void TArCustomButton::HookFont(TFont* font) {
    font->OnChange = [this](TObject*) { Invalidate(); };
}

// --- property writers

void TArCustomButton::SetCaption(const std::string& v) {
    SetText(v);
    Invalidate();
}

void TArCustomButton::SetTextAlign(TArTextAlign v) {
    if (v == textAlign_) return;
    textAlign_ = v;
    Invalidate();
}

void TArCustomButton::SetTextX(int v) {
    if (v == textX_) return;
    textX_ = v;
    Invalidate();
}

void TArCustomButton::SetTextY(int v) {
    if (v == textY_) return;
    textY_ = v;
    Invalidate();
}

void TArCustomButton::SetMultiLines(bool v) {
    if (v == multiLines_) return;
    multiLines_ = v;
    Invalidate();
}

void TArCustomButton::SetFontMouseHover(TFont* v) {
    if (v) fontMouseHover_->Assign(v);
    Invalidate();
}

void TArCustomButton::SetFontMouseDown(TFont* v) {
    if (v) fontMouseDown_->Assign(v);
    Invalidate();
}

void TArCustomButton::SetFontDisabled(TFont* v) {
    if (v) fontDisabled_->Assign(v);
    Invalidate();
}

void TArCustomButton::SetTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    Invalidate();
}

void TArCustomButton::SetFocusedRectMargin(int v) {
    if (v == focusedRectMargin_) return;
    focusedRectMargin_ = v;
    Invalidate();
}

void TArCustomButton::SetModalResult(TModalResult v) {
    if (v == modalResult_) return;
    modalResult_ = v;
    Invalidate();
}

void TArCustomButton::SetPictureAlign(TArPicAlign v) {
    if (v == pictureAlign_) return;
    pictureAlign_ = v;
    Invalidate();
}

void TArCustomButton::SetPictureX(int v) {
    if (v == pictureX_) return;
    pictureX_ = v;
    Invalidate();
}

void TArCustomButton::SetPictureY(int v) {
    if (v == pictureY_) return;
    pictureY_ = v;
    Invalidate();
}

void TArCustomButton::SetStretch(bool v) {
    if (v == stretch_) return;
    stretch_ = v;
    Invalidate();
}

void TArCustomButton::SetDrawFocused(bool v) {
    if (v == drawFocused_) return;
    drawFocused_ = v;
    Invalidate();
}

void TArCustomButton::SetDrawBorder(bool v) {
    if (v == drawBorder_) return;
    drawBorder_ = v;
    Invalidate();
}

void TArCustomButton::SetTransparentColor(TColor v) {
    if (v == transparentColor_) return;
    transparentColor_ = v;
    Invalidate();
}

void TArCustomButton::SetEnableTransparentColor(bool v) {
    if (v == enableTransparentColor_) return;
    enableTransparentColor_ = v;
    Invalidate();
}

void TArCustomButton::SetCancel(bool v) {
    if (v == cancel_) return;
    cancel_ = v;
    Invalidate();
}

void TArCustomButton::SetDefault(bool v) {
    if (v == default_) return;
    default_ = v;
    // Every button of the form works out again which one Enter clicks.
    if (HandleAllocated()) {
        if (auto* form = GetParentForm())
            form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->FocusedControl()));
    }
}

void TArCustomButton::SetEnabled(bool v) {
    TCustomControl::SetEnabled(v);
    Invalidate();
}

// --- state

void TArCustomButton::SetPressed(bool v) {
    if (v == pressed_) return;
    pressed_ = v;
    Invalidate();
}

void TArCustomButton::StartRepeat() {
    if (repeating_ || !HandleAllocated()) return;
    SetTimer(WindowHandle(), kRepeatTimerId, static_cast<UINT>(std::max(repeatInterval_, 0)), nullptr);
    repeating_ = true;
}

void TArCustomButton::StopRepeat() {
    if (!repeating_) return;
    repeating_ = false;
    if (HandleAllocated()) KillTimer(WindowHandle(), kRepeatTimerId);
}

void TArCustomButton::CreateWnd() {
    TCustomControl::CreateWnd();
    active_ = default_;
}

void TArCustomButton::Click() {
    TControlWatch watch(this);
    if (pressed_) {
        StopRepeat();
        SetPressed(false);
    }
    // A button hosted outside any form has no modal result to give.
    if (auto* form = GetParentForm()) form->SetModalResult(modalResult_);
    if (watch.Freed()) return;
    TCustomControl::Click();
}

// --- messages

void TArCustomButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;   // the paint covers every pixel
    case WM_TIMER: WMTimer(Message); return;
    case CM_MOUSEENTER: CMMouseEnter(Message); return;
    case CM_MOUSELEAVE: CMMouseLeave(Message); return;
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case CM_FOCUSCHANGED: CMFocusChanged(Message); return;
    case CM_CANCELMODE: CMCancelMode(Message); return;
    case WM_SETFOCUS: WMFocus(Message); return;
    case WM_KILLFOCUS: WMFocus(Message); return;
    default: break;
    }
    TCustomControl::WndProc(Message);
}

void TArCustomButton::WMFocus(TMessage& Message) {
    TCustomControl::WndProc(Message);
    Invalidate();   // the focus rectangle comes or goes
}

void TArCustomButton::CMMouseEnter(TMessage& Message) {
    if (Message.LParam == reinterpret_cast<LPARAM>(this)) {
        hover_ = true;
        Invalidate();
    }
    TCustomControl::WndProc(Message);   // OnMouseEnter
}

void TArCustomButton::CMMouseLeave(TMessage& Message) {
    if (Message.LParam != reinterpret_cast<LPARAM>(this)) {
        TCustomControl::WndProc(Message);
        return;
    }
    hover_ = false;
    pressed_ = false;
    StopRepeat();
    Invalidate();
    TControlWatch watch(this);
    TCustomControl::WndProc(Message);   // OnMouseLeave
    if (!watch.Freed() && OnMouseExit) OnMouseExit(this);
}

// Message.WParam: the key; Message.LParam: its key data. Result 1 when this button took it.
void TArCustomButton::CMDialogKey(TMessage& Message) {
    const WPARAM key = Message.WParam;
    TShiftState shift = KeyDataToShiftState(Message.LParam) * TShiftState{ssShift, ssCtrl, ssAlt};
    if (((key == VK_RETURN && active_) || (key == VK_ESCAPE && cancel_)) && shift.Empty() && CanFocus()) {
        Message.Result = 1;
        Click();
        return;
    }
    TCustomControl::WndProc(Message);
}

// Message.WParam: the character. Result 1 when it was this button's accelerator.
void TArCustomButton::CMDialogChar(TMessage& Message) {
    TCustomControl::WndProc(Message);
    if (Message.Result == 0 && GetEnabled() && IsAccel(static_cast<char>(Message.WParam), GetCaption())) {
        Message.Result = 1;
        Click();
    }
}

// Message.LParam: the control that has the focus now (may be null).
void TArCustomButton::CMFocusChanged(TMessage& Message) {
    auto* focused = reinterpret_cast<TWinControl*>(Message.LParam);
    // A focused button, plain or picture, is the one Enter clicks; otherwise the default.
    if (dynamic_cast<TButton*>(focused) || dynamic_cast<TArCustomButton*>(focused)) active_ = focused == this;
    else active_ = default_;
    Invalidate();
}

void TArCustomButton::CMCancelMode(TMessage&) {
    // The capture went elsewhere (a menu or a box opened while the button was held).
    StopRepeat();
    SetPressed(false);
}

void TArCustomButton::WMTimer(TMessage& Message) {
    if (Message.WParam != kRepeatTimerId) {
        TCustomControl::WndProc(Message);
        return;
    }
    if (repeating_ && OnMouseContinuouslyDown) OnMouseContinuouslyDown(this);
}

// --- mouse and keys

void TArCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        pressed_ = true;
        StartRepeat();
        if (GetTabStop() && CanFocus()) {
            try {
                SetFocus();
            } catch (const Exception&) {
                // Not focusable after all: the press still counts.
            }
        }
        Invalidate();
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TArCustomButton::MouseMove(TShiftState Shift, int X, int Y) {
    TControlWatch watch(this);
    TCustomControl::MouseMove(Shift, X, Y);
    if (watch.Freed()) return;
    if (X < 0 || X > Width() || Y < 0 || Y > Height()) {
        hover_ = false;
        SetPressed(false);
        Invalidate();
    }
}

void TArCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        // Released without a click (outside, or after the capture moved): nothing repeats.
        StopRepeat();
        SetPressed(false);
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TArCustomButton::KeyDown(WORD& Key, TShiftState Shift) {
    TControlWatch watch(this);
    TCustomControl::KeyDown(Key, Shift);
    if (watch.Freed()) return;
    if ((Key == VK_SPACE || Key == VK_RETURN) && Focused() && GetEnabled()) SetPressed(true);
}

void TArCustomButton::KeyUp(WORD& Key, TShiftState Shift) {
    TControlWatch watch(this);
    TCustomControl::KeyUp(Key, Shift);
    if (watch.Freed()) return;
    if ((Key == VK_SPACE || Key == VK_RETURN) && Focused() && pressed_ && GetEnabled()) {
        SetPressed(false);
        Click();
    }
}

// --- painting

TFont* TArCustomButton::StateFont() const {
    if (!GetEnabled()) return fontDisabled_.get();
    if (pressed_) return fontMouseDown_.get();
    if (hover_) return fontMouseHover_.get();
    return Font();
}

void TArCustomButton::Paint() {
    const int w = GetClientWidth(), h = GetClientHeight();
    if (w <= 0 || h <= 0) return;
    TBitmap bitmap(w, h);
    TCanvas& canvas = *bitmap.Canvas();
    if (transparent_) {
        PaintParentBackground(canvas, this);
    } else {
        canvas.Brush()->SetStyle(bsSolid);
        canvas.Brush()->SetColor(GetColor());
        canvas.FillRect(Rect(0, 0, w, h));
    }
    PaintStatePicture(bitmap);
    if (drawBorder_) PaintBorder(canvas);
    if (drawFocused_ && Focused() && GetTabStop()) PaintFocusRect(canvas);
    if (!Trim(GetCaption()).empty()) PaintCaption(canvas, GetCaption());
    BitBlt(Canvas()->Handle(), 0, 0, w, h, canvas.Handle(), 0, 0, SRCCOPY);
}

void TArCustomButton::PaintStatePicture(TBitmap& bitmap) {
    TPicture* picture = nullptr;
    if (!GetStatePicture(picture) || !picture) return;
    try {
        TBitmap layer;
        layer.Assign(&bitmap);
        PaintPicture(*layer.Canvas(), picture);
        if (!enableTransparentColor_) {
            bitmap.Assign(&layer);
            return;
        }
        // Pixels of the key colour keep what lies under the picture.
        const uint32_t key = static_cast<uint32_t>(ColorToRGB(transparentColor_));
        const uint32_t keyPixel = ((key & 0xFF) << 16) | (key & 0xFF00) | ((key >> 16) & 0xFF);
        for (int y = 0; y < bitmap.Height(); ++y) {
            const uint32_t* from = layer.ScanLine(y);
            uint32_t* to = bitmap.ScanLine(y);
            for (int x = 0; x < bitmap.Width(); ++x)
                if ((from[x] & 0xFFFFFF) != keyPixel) to[x] = from[x];
        }
        bitmap.Changed();
    } catch (const std::exception&) {
        // A picture that can't be drawn leaves the background as it is.
    }
}

void TArCustomButton::PaintPicture(TCanvas& canvas, TPicture* picture) {
    TGraphic* graphic = picture ? picture->Graphic() : nullptr;
    if (!graphic || graphic->Width() == 0 || graphic->Height() == 0) return;
    const int W = GetClientWidth(), H = GetClientHeight();
    TPoint p = ArPictureOrigin(pictureAlign_, W, H, graphic->Width(), graphic->Height(), pictureX_, pictureY_);
    if (stretch_) canvas.StretchDraw(Rect(p.X, p.Y, W, H), graphic);
    else canvas.Draw(p.X, p.Y, graphic);
}

void TArCustomButton::PaintCaption(TCanvas& canvas, const std::string& text) {
    canvas.Brush()->SetStyle(bsClear);
    TRect r = GetClientRect();
    if (textAlign_ == TArTextAlign::taCustom) r = Rect(textX_, textY_, GetClientWidth(), GetClientHeight());
    else if (GetEnabled() && pressed_) r.Offset(1, 1);
    canvas.Font()->Assign(StateFont());
    canvas.DrawText(text, r, ArCaptionFlags(textAlign_, multiLines_));
}

void TArCustomButton::PaintFocusRect(TCanvas& canvas) {
    const int m = focusedRectMargin_;
    canvas.Brush()->SetStyle(bsSolid);
    canvas.DrawFocusRect(Rect(m, m, GetClientWidth() - m, GetClientHeight() - m));
}

void TArCustomButton::PaintBorder(TCanvas& canvas) {
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(GetEnabled() ? clBlack : clGray);
    canvas.FrameRect(GetClientRect());
}

bool TArCustomButton::GetStatePicture(TPicture*& picture) {
    picture = nullptr;
    return false;
}
