#include "controls/skinned/SkImagePanel.h"

#include "controls/skinned/SkPublic.h"

IMPLEMENT_CLASS(TskCustomPanel);
IMPLEMENT_CLASS(TskImagePanel);

void TskImagePanel::Publish(TClassBuilder<TskImagePanel>& b) {
    b.Prop("AutoSize", &TskImagePanel::GetAutoSize, &TskImagePanel::SetAutoSize);
    b.Prop("DrawStyle", &TskImagePanel::GetDrawStyle, &TskImagePanel::SetDrawStyle);
    b.Prop("Picture", &TskImagePanel::GetPicture, &TskImagePanel::SetPicture);
    b.Prop("Transparent", &TskImagePanel::GetTransparent, &TskImagePanel::SetTransparent);
}

TskCustomPanel::TskCustomPanel(TComponent* AOwner)
    : TCustomPanel(AOwner), picture_(std::make_unique<TPicture>(this)) {
    picture_->OnChange = [this](TObject* sender) { PictureChanged(sender); };
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    Invalidate();
}

TskCustomPanel::~TskCustomPanel() { picture_->OnChange = nullptr; }

bool TskCustomPanel::HasPicture() const { return picture_->Graphic() && !picture_->Graphic()->Empty(); }

void TskCustomPanel::SetPicture(TPicture* v) {
    picture_->Assign(v);
    FillBackground();
    Invalidate();
}

void TskCustomPanel::SetDrawStyle(TskDrawStyle v) {
    if (v == drawStyle_) return;
    drawStyle_ = v;
    FillBackground();
    Invalidate();
}

void TskCustomPanel::SetAutoSize(bool v) {
    autoSize_ = v;
    AdjustSize();
}

void TskCustomPanel::SetTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    if (TGraphic* g = picture_->Graphic()) g->SetTransparent(v);
    Invalidate();
}

void TskCustomPanel::AdjustSize() {
    if (!autoSize_ || !HasPicture() || IsLoading()) return;
    const TAlign align = GetAlign();
    int w = Width(), h = Height();
    if (align != alTop && align != alBottom && align != alClient) w = picture_->Width();
    if (align != alLeft && align != alRight && align != alClient) h = picture_->Height();
    SetBounds(Left(), Top(), w, h);
}

void TskCustomPanel::PictureChanged(TObject*) {
    if (TGraphic* g = picture_->Graphic()) {
        AdjustSize();
        if (g->Transparent() != transparent_) g->SetTransparent(transparent_);
    }
    FillBackground();
    Invalidate();
}

void TskCustomPanel::FillBackground() {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(GetColor());
    if (!ParentWindow() || !HandleAllocated()) return;
    canvas->FillRect(GetClientRect());
    static_cast<TControlCanvas*>(canvas)->FreeHandle();
}

void TskCustomPanel::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;   // the paint covers every pixel
    case WM_SIZE:
    case CM_TEXTCHANGED:
        TCustomPanel::WndProc(Message);
        Invalidate();
        return;
    default: break;
    }
    TCustomPanel::WndProc(Message);
}

void TskCustomPanel::Paint() {
    const int w = GetClientWidth(), h = GetClientHeight();
    if (w <= 0 || h <= 0) return;
    TBitmap bitmap(w, h);
    TCanvas& canvas = *bitmap.Canvas();
    const TRect client(0, 0, w, h);
    // Under the picture lies the parent's background when transparent; Color fills the
    // panel only when there is no picture to show (an empty one counts as none).
    if (transparent_) PaintParentBackground(canvas, this);
    if (HasPicture()) {
        switch (drawStyle_) {
        case skStretch: canvas.StretchDraw(client, picture_->Graphic()); break;
        case skTile: TilePicture(canvas, picture_.get(), client); break;
        case skNormal: canvas.Draw(0, 0, picture_->Graphic()); break;
        }
    } else if (!transparent_) {
        canvas.Brush()->SetStyle(bsSolid);
        canvas.Brush()->SetColor(GetColor());
        canvas.FillRect(client);
    }
    const std::string caption = GetCaption();
    if (!Trim(caption).empty()) {
        canvas.Brush()->SetStyle(bsClear);
        canvas.Font()->Assign(Font());
        UINT flags = DT_SINGLELINE | DT_VCENTER;
        switch (GetAlignment()) {
        case taLeftJustify: flags |= DT_LEFT; break;
        case taRightJustify: flags |= DT_RIGHT; break;
        case taCenter: flags |= DT_CENTER; break;
        }
        TRect r = client;
        canvas.DrawText(caption, r, flags);
    }
    BitBlt(Canvas()->Handle(), 0, 0, w, h, canvas.Handle(), 0, 0, SRCCOPY);
}
