#include "framework/ExtCtrls.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------
// TImage

IMPLEMENT_CLASS(TImage);

void TImage::Publish(TClassBuilder<TImage>& b) {
    b.Prop("AutoSize", &TImage::GetAutoSize, &TImage::SetAutoSize);
    b.Prop("Center", &TImage::GetCenter, &TImage::SetCenter);
    b.Prop("Picture", &TImage::Picture, &TImage::SetPicture);
    b.Prop("Proportional", &TImage::GetProportional, &TImage::SetProportional);
    b.Prop("Stretch", &TImage::GetStretch, &TImage::SetStretch);
    b.Prop("Transparent", &TImage::GetTransparent, &TImage::SetTransparent);
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>(this)) {
    ControlStyle.Include(csReplicatable);
    width_ = 105;
    height_ = 105;
    picture_->OnChange = [this](TObject* s) { PictureChanged(s); };
}

TImage::~TImage() { picture_->OnChange = nullptr; }

TCanvas* TImage::Canvas() {
    if (!picture_->Graphic()) {
        TBitmap bmp(width_, height_);
        picture_->SetGraphic(&bmp);
    }
    auto* bmp = dynamic_cast<TBitmap*>(picture_->Graphic());
    if (!bmp) throw EInvalidOperation("Can only modify an image if it contains a bitmap");
    return bmp->Canvas();
}

void TImage::SetCenter(bool v) {
    if (v == center_) return;
    center_ = v;
    Invalidate();
}

void TImage::SetStretch(bool v) {
    if (v == stretch_) return;
    stretch_ = v;
    Invalidate();
}

void TImage::SetProportional(bool v) {
    if (v == proportional_) return;
    proportional_ = v;
    Invalidate();
}

void TImage::SetTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    if (auto* g = picture_->Graphic()) g->SetTransparent(v);
    Invalidate();
}

TRect TImage::DestRect() const {
    int w = picture_->Width(), h = picture_->Height();
    int cw = GetClientWidth(), ch = GetClientHeight();
    if (stretch_ || (proportional_ && (w > cw || h > ch))) {
        if (proportional_ && w > 0 && h > 0) {
            double xy = static_cast<double>(w) / h;
            if (cw / xy <= ch) {
                w = cw;
                h = static_cast<int>(cw / xy);
            } else {
                h = ch;
                w = static_cast<int>(ch * xy);
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    int x = 0, y = 0;
    if (center_) {
        x = (cw - w) / 2;
        y = (ch - h) / 2;
    }
    return Bounds(x, y, w, h);
}

void TImage::Paint() {
    TGraphic* g = picture_->Graphic();
    if (!g || g->Empty()) return;
    TCanvas* c = TGraphicControl::Canvas();
    TRect r = DestRect();
    if (r.Width() == g->Width() && r.Height() == g->Height()) c->Draw(r.Left, r.Top, g);
    else c->StretchDraw(r, g);
}

void TImage::AdjustSize() {
    if (!autoSize_ || IsLoading()) return;
    int w = picture_->Width(), h = picture_->Height();
    if (w > 0 && h > 0) SetBounds(left_, top_, w, h);
}

void TImage::PictureChanged(TObject*) {
    if (auto* g = picture_->Graphic()) {
        if (transparent_ && !g->Transparent()) g->SetTransparent(true);
    }
    AdjustSize();
    if (picture_->Graphic() && !picture_->Graphic()->Transparent() && !stretch_ && !center_ && !proportional_ &&
        picture_->Width() >= width_ && picture_->Height() >= height_)
        ControlStyle.Include(csOpaque);
    else
        ControlStyle.Exclude(csOpaque);
    Invalidate();
}

void TImage::Loaded() {
    TGraphicControl::Loaded();
    PictureChanged(this);
}

// ---------------------------------------------------------------------------------------
// TBevel

IMPLEMENT_CLASS(TBevel);

void TBevel::Publish(TClassBuilder<TBevel>& b) {
    b.Prop("Shape", &TBevel::GetShape, &TBevel::SetShape);
    b.Prop("Style", &TBevel::GetStyle, &TBevel::SetStyle);
}

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle.Include(csReplicatable);
    width_ = 50;
    height_ = 50;
}

void TBevel::SetShape(TBevelShape v) {
    if (v == shape_) return;
    shape_ = v;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle v) {
    if (v == style_) return;
    style_ = v;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* c = TGraphicControl::Canvas();
    TColor first = clBtnShadow, second = clBtnHighlight;
    if (style_ == bsRaised) std::swap(first, second);
    int w = width_, h = height_;
    c->Pen()->SetWidth(1);
    c->Pen()->SetStyle(psSolid);
    auto line = [c](TColor color, int x1, int y1, int x2, int y2) {
        c->Pen()->SetColor(color);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    auto box = [&](TColor tl, TColor br, int x, int y, int bw, int bh) {
        line(tl, x, y + bh - 1, x, y);
        line(tl, x, y, x + bw - 1, y);
        line(br, x + bw - 1, y, x + bw - 1, y + bh - 1);
        line(br, x + bw - 1, y + bh - 1, x - 1, y + bh - 1);
    };
    switch (shape_) {
    case bsBox: box(first, second, 0, 0, w, h); break;
    case bsFrame:
        box(first, first, 0, 0, w - 1, h - 1);
        box(second, second, 1, 1, w - 1, h - 1);
        break;
    case bsTopLine:
        line(first, 0, 0, w, 0);
        line(second, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(first, 0, h - 2, w, h - 2);
        line(second, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(first, 0, 0, 0, h);
        line(second, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(first, w - 2, 0, w - 2, h);
        line(second, w - 1, 0, w - 1, h);
        break;
    case bsSpacer: break;
    }
}

// ---------------------------------------------------------------------------------------
// Panels

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetStyle(psSolid);
    --Rect.Bottom;
    --Rect.Right;
    for (int i = 0; i < Width; ++i) {
        Canvas->Pen()->SetColor(TopColor);
        Canvas->MoveTo(Rect.Left, Rect.Bottom);
        Canvas->LineTo(Rect.Left, Rect.Top);
        Canvas->LineTo(Rect.Right, Rect.Top);
        Canvas->Pen()->SetColor(BottomColor);
        Canvas->LineTo(Rect.Right, Rect.Bottom);
        Canvas->LineTo(Rect.Left - 1, Rect.Bottom);
        Rect.Inflate(-1, -1);
    }
    ++Rect.Bottom;
    ++Rect.Right;
}

IMPLEMENT_CLASS(TCustomPanel);
IMPLEMENT_CLASS(TPanel);

void TCustomPanel::Publish(TClassBuilder<TCustomPanel>& b) {
    b.Prop("Alignment", &TCustomPanel::GetAlignment, &TCustomPanel::SetAlignment);
    b.Prop("AutoSize", &TCustomPanel::GetAutoSize, &TCustomPanel::SetAutoSize);
    b.Prop("BevelInner", &TCustomPanel::GetBevelInner, &TCustomPanel::SetBevelInner);
    b.Prop("BevelOuter", &TCustomPanel::GetBevelOuter, &TCustomPanel::SetBevelOuter);
    b.Prop("BevelWidth", &TCustomPanel::GetBevelWidth, &TCustomPanel::SetBevelWidth);
    b.Prop("BorderStyle", &TCustomPanel::GetBorderStyle, &TCustomPanel::SetBorderStyle);
    b.Prop("BorderWidth", &TCustomPanel::GetBorderWidth, &TCustomPanel::SetBorderWidth);
    b.Prop("FullRepaint", &TCustomPanel::GetFullRepaint, &TCustomPanel::SetFullRepaint);
    b.Prop("Locked", &TCustomPanel::GetLocked, &TCustomPanel::SetLocked);
}

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks,
                    csReplicatable};
    width_ = 185;
    height_ = 41;
    color_ = clBtnFace;
    SetParentColor(false);
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    if (borderStyle_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
    if (!fullRepaint_) Params.ClassStyle &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::AdjustClientRect(TRect& Rect) {
    TCustomControl::AdjustClientRect(Rect);
    int inset = borderWidth_;
    if (bevelOuter_ != bvNone) inset += bevelWidth_;
    if (bevelInner_ != bvNone) inset += bevelWidth_;
    Rect.Inflate(-inset, -inset);
}

void TCustomPanel::Paint() {
    TCanvas* c = Canvas();
    TRect r = GetClientRect();
    auto colors = [](TPanelBevel b, TColor& top, TColor& bottom) {
        top = b == bvLowered ? clBtnShadow : clBtnHighlight;
        bottom = b == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    bool fill = !GetParentBackground();
    if (fill) {
        c->Brush()->SetColor(GetColor());
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(r);
    }
    TColor top, bottom;
    if (bevelOuter_ != bvNone) {
        colors(bevelOuter_, top, bottom);
        if (bevelOuter_ == bvSpace) r.Inflate(-bevelWidth_, -bevelWidth_);
        else Frame3D(c, r, top, bottom, bevelWidth_);
    }
    r.Inflate(-borderWidth_, -borderWidth_);
    if (bevelInner_ != bvNone) {
        colors(bevelInner_, top, bottom);
        if (bevelInner_ == bvSpace) r.Inflate(-bevelWidth_, -bevelWidth_);
        else Frame3D(c, r, top, bottom, bevelWidth_);
    }
    std::string text = GetCaption();
    if (text.empty()) return;
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(Font());
    if (!enabled_) c->Font()->SetColor(clGrayText);
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    switch (alignment_) {
    case taLeftJustify: flags |= DT_LEFT; break;
    case taRightJustify: flags |= DT_RIGHT; break;
    default: flags |= DT_CENTER; break;
    }
    c->DrawText(text, r, DrawTextBiDiModeFlags(flags));
}

void TCustomPanel::BordersChanged() {
    Realign();
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment v) {
    if (v == alignment_) return;
    alignment_ = v;
    Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel v) {
    if (v == bevelInner_) return;
    bevelInner_ = v;
    BordersChanged();
}

void TCustomPanel::SetBevelOuter(TPanelBevel v) {
    if (v == bevelOuter_) return;
    bevelOuter_ = v;
    BordersChanged();
}

void TCustomPanel::SetBevelWidth(int v) {
    if (v < 1) v = 1;
    if (v == bevelWidth_) return;
    bevelWidth_ = v;
    BordersChanged();
}

void TCustomPanel::SetBorderWidth(int v) {
    if (v < 0) v = 0;
    if (v == borderWidth_) return;
    borderWidth_ = v;
    BordersChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle v) {
    if (v != bsNone) v = bsSingle;
    if (v == borderStyle_) return;
    borderStyle_ = v;
    RecreateWndIfAllocated();
    BordersChanged();
}

void TCustomPanel::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
        Invalidate();
        return;
    case WM_ERASEBKGND:
        // Paint fills the panel; erasing as well would only flicker.
        if (!GetParentBackground()) {
            Message.Result = 1;
            return;
        }
        break;
    }
    TCustomControl::WndProc(Message);
}

// ---------------------------------------------------------------------------------------
// TTimer

IMPLEMENT_CLASS(TTimer);

void TTimer::Publish(TClassBuilder<TTimer>& b) {
    b.Prop("Enabled", &TTimer::GetEnabled, &TTimer::SetEnabled).Default = TValue::MakeIdent("True");
    b.Prop("Interval", &TTimer::GetInterval, &TTimer::SetInterval).Default = TValue::MakeInt(1000);
    b.Event("OnTimer", &TTimer::OnTimer);
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    window_ = AllocateHWnd([this](TMessage& m) {
        if (m.Msg == WM_TIMER) Timer();
        else m.Result = DefWindowProcA(window_, m.Msg, m.WParam, m.LParam);
    });
    // The destructor does not run for a constructor that throws.
    TScopeExit release([this] {
        DeallocateHWnd(window_);
        window_ = nullptr;
    });
    UpdateTimer();
    release.Dismiss();
}

TTimer::~TTimer() {
    enabled_ = false;
    if (window_) {
        KillTimer(window_, 1);
        DeallocateHWnd(window_);
        window_ = nullptr;
    }
}

void TTimer::UpdateTimer() {
    if (!window_) return;
    KillTimer(window_, 1);
    if (enabled_ && interval_ > 0) {
        if (!SetTimer(window_, 1, interval_, nullptr)) throw EOutOfResources("Not enough timers available");
    }
}

void TTimer::SetEnabled(bool v) {
    if (v == enabled_) return;
    enabled_ = v;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned v) {
    if (v == interval_) return;
    interval_ = v;
    UpdateTimer();
}

void TTimer::Timer() {
    if (!enabled_ || !OnTimer) return;
    // The handler may free the timer: nothing of it is touched afterwards.
    TNotifyEvent handler = OnTimer;
    handler(this);
}
