#include "controls/skinned/SkProgressBar.h"

#include "controls/skinned/SkPublic.h"

IMPLEMENT_CLASS(TskProgressBar);

int ProgressBarExtent(int length, int min, int max, int position) {
    if (min >= max || min >= position) return 0;
    if (position > max) return length;
    return static_cast<int>(int64_t(length) * (int64_t(position) - min) / (int64_t(max) - min));
}

int64_t ProgressBarPercent(int min, int max, int position) {
    if (min == max) return 0;
    return (int64_t(position) - min) * 100 / (int64_t(max) - min);
}

void TskProgressBar::Publish(TClassBuilder<TskProgressBar>& b) {
    b.Prop("UIStyle", &TskProgressBar::GetUIStyle, &TskProgressBar::SetUIStyle);
    b.Prop("FileTheme", &TskProgressBar::GetFileTheme, &TskProgressBar::SetFileTheme);
    b.Prop("Min", &TskProgressBar::GetMin, &TskProgressBar::SetMin);
    b.Prop("Max", &TskProgressBar::GetMax, &TskProgressBar::SetMax);
    b.Prop("Position", &TskProgressBar::GetPosition, &TskProgressBar::SetPosition);
    b.Prop("Orientation", &TskProgressBar::GetOrientation, &TskProgressBar::SetOrientation);
    b.Prop("Picture", &TskProgressBar::GetPicture, &TskProgressBar::SetPicture);
    b.Prop("BorderColor", &TskProgressBar::GetBorderColor, &TskProgressBar::SetBorderColor);
    b.Prop("CaptionColor", &TskProgressBar::GetCaptionColor, &TskProgressBar::SetCaptionColor);
    b.Prop("ShowCaption", &TskProgressBar::GetShowCaption, &TskProgressBar::SetShowCaption);
    b.Prop("SmartShowCaption", &TskProgressBar::GetSmartShowCaption, &TskProgressBar::SetSmartShowCaption);
}

TskProgressBar::TskProgressBar(TComponent* AOwner)
    : TCustomPanel(AOwner), picture_(std::make_unique<TPicture>(this)) {
    ControlStyle.Exclude(csAcceptsControls);
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    width_ = 150;
    height_ = 12;
    SetColor(clBtnFace);
    uiStyle_ = OwnerFormUIStyle(AOwner);
    UpdateCaption();
    ApplyStyle();
}

TskProgressBar::~TskProgressBar() {
    if (fileTheme_) fileTheme_->RemoveFreeNotification(this);
}

void TskProgressBar::UpdateCaption() { SetText(std::to_string(ProgressBarPercent(min_, max_, position_)) + "%"); }

void TskProgressBar::SetMin(int v) {
    min_ = v;
    UpdateCaption();
    Invalidate();
}

void TskProgressBar::SetMax(int v) {
    max_ = v;
    UpdateCaption();
    Invalidate();
}

void TskProgressBar::SetPosition(int v) {
    position_ = v;
    UpdateCaption();
    Invalidate();
}

void TskProgressBar::SetOrientation(TskProgressBarOrientation v) {
    orientation_ = v;
    ApplyStyle();
}

void TskProgressBar::SetPicture(TPicture* v) {
    picture_->Assign(v);
    Invalidate();
}

void TskProgressBar::SetBorderColor(TColor v) {
    borderColor_ = v;
    Invalidate();
}

void TskProgressBar::SetCaptionColor(TColor v) {
    captionColor_ = v;
    Invalidate();
}

void TskProgressBar::SetShowCaption(bool v) {
    showCaption_ = v;
    Invalidate();
}

void TskProgressBar::SetSmartShowCaption(bool v) {
    smartShowCaption_ = v;
    Invalidate();
}

void TskProgressBar::SetUIStyle(TskUIStyle v) {
    uiStyle_ = v;
    ApplyStyle();
}

void TskProgressBar::SetFileTheme(TskFileTheme* v) {
    if (v != fileTheme_) {
        if (fileTheme_) fileTheme_->RemoveFreeNotification(this);
        fileTheme_ = v;
        if (v) v->FreeNotification(this);
    }
    ApplyStyle();
}

void TskProgressBar::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == fileTheme_) {
        fileTheme_ = nullptr;
        SetUIStyle(DeepBlue);
    }
}

void TskProgressBar::ApplyStyle() {
    TskStyleReader style(fileTheme_, uiStyle_);
    style.BitmapFrame(SkKey::ProgressBarImage, picture_->Bitmap(), 0, 0);
    SetColor(style.Color(SkKey::ControlBackgroundColor));
    SetBorderColor(style.Color(SkKey::ControlBorderColor));
    if (orientation_ == skVertical) RotateBitmap90(picture_->Bitmap());
    Invalidate();
}

void TskProgressBar::WndProc(TMessage& Message) {
    if (Message.Msg == WM_ERASEBKGND) {
        Message.Result = 1;   // the paint covers every pixel
        return;
    }
    TCustomPanel::WndProc(Message);
}

void TskProgressBar::Paint() {
    const int w = GetClientWidth(), h = GetClientHeight();
    if (w <= 0 || h <= 0) return;
    TBitmap bitmap(w, h);
    TCanvas& canvas = *bitmap.Canvas();
    if (orientation_ == skVertical) PaintVertical(canvas, w, h);
    else PaintHorizontal(canvas, w, h);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(borderColor_);
    canvas.FrameRect(Rect(0, 0, w, h));
    BitBlt(Canvas()->Handle(), 0, 0, w, h, canvas.Handle(), 0, 0, SRCCOPY);
}

void TskProgressBar::PaintHorizontal(TCanvas& canvas, int w, int h) {
    int x = BarExtent(w - 1);
    if (x == 0) x = 1;
    TGraphic* g = picture_->Graphic();
    if (g && !g->Empty()) canvas.StretchDraw(Rect(1, 1, x, h - 1), g);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(GetColor());
    canvas.FillRect(Rect(x, 1, w - 1, h - 1));
    if (!showCaption_ || (smartShowCaption_ && position_ == min_)) return;
    // The caption keeps a canvas's own default font, whatever the control's Font says.
    TFont plain;
    canvas.Font()->Assign(&plain);
    canvas.Font()->SetColor(captionColor_);
    canvas.Brush()->SetStyle(bsClear);
    const std::string text = GetCaption();
    const TSize size = canvas.TextExtent(text);
    canvas.TextOut((w - size.cx) / 2, (h - size.cy) / 2, text);
}

void TskProgressBar::PaintVertical(TCanvas& canvas, int w, int h) {
    // Filled from the bottom up; a vertical bar shows no caption.
    const int top = std::max(1, (h - 1) - BarExtent(h - 1));
    TGraphic* g = picture_->Graphic();
    if (g && !g->Empty() && top < h - 1) canvas.StretchDraw(Rect(1, top, w - 1, h - 1), g);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(GetColor());
    canvas.FillRect(Rect(1, 1, w - 1, top));
}
