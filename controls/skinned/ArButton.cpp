#include "controls/skinned/ArButton.h"

IMPLEMENT_CLASS(TArButton);

void TArButton::Publish(TClassBuilder<TArButton>& b) {
    b.Prop("Cancel", &TArButton::GetCancel, &TArButton::SetCancel);
    b.Prop("Default", &TArButton::GetDefault, &TArButton::SetDefault);
    b.Event("OnMouseExit", &TArButton::OnMouseExit);
    b.Event("OnMouseContinuouslyDown", &TArButton::OnMouseContinuouslyDown);
    b.Prop("Stretch", &TArButton::GetStretch, &TArButton::SetStretch);
    b.Prop("DrawFocused", &TArButton::GetDrawFocused, &TArButton::SetDrawFocused);
    b.Prop("DrawBorder", &TArButton::GetDrawBorder, &TArButton::SetDrawBorder);
    b.Prop("TransparentColor", &TArButton::GetTransparentColor, &TArButton::SetTransparentColor);
    b.Prop("EnableTransparentColor", &TArButton::GetEnableTransparentColor, &TArButton::SetEnableTransparentColor);
    b.Prop("PictureX", &TArButton::GetPictureX, &TArButton::SetPictureX);
    b.Prop("PictureY", &TArButton::GetPictureY, &TArButton::SetPictureY);
    b.Prop("PictureAlign", &TArButton::GetPictureAlign, &TArButton::SetPictureAlign);
    b.Prop("PicNormal", &TArButton::GetPicNormal, &TArButton::SetPicNormal);
    b.Prop("PicMouseHover", &TArButton::GetPicMouseHover, &TArButton::SetPicMouseHover);
    b.Prop("PicMouseDown", &TArButton::GetPicMouseDown, &TArButton::SetPicMouseDown);
    b.Prop("PicDisabled", &TArButton::GetPicDisabled, &TArButton::SetPicDisabled);
}

TArButton::TArButton(TComponent* AOwner)
    : TArCustomButton(AOwner), picDisabled_(std::make_unique<TPicture>(this)),
      picNormal_(std::make_unique<TPicture>(this)), picMouseDown_(std::make_unique<TPicture>(this)),
      picMouseHover_(std::make_unique<TPicture>(this)) {}

TArButton::~TArButton() = default;

void TArButton::StorePicture(TPicture& target, TPicture* value) {
    target.Assign(value);
    Invalidate();
}

void TArButton::SetPicNormal(TPicture* v) { StorePicture(*picNormal_, v); }
void TArButton::SetPicMouseHover(TPicture* v) { StorePicture(*picMouseHover_, v); }
void TArButton::SetPicMouseDown(TPicture* v) { StorePicture(*picMouseDown_, v); }
void TArButton::SetPicDisabled(TPicture* v) { StorePicture(*picDisabled_, v); }

bool TArButton::GetStatePicture(TPicture*& picture) {
    auto empty = [](const TPicture* p) { return !p->Graphic() || p->Graphic()->Empty(); };
    TPicture* chosen = !GetEnabled() ? picDisabled_.get()
                       : IsPressed() ? picMouseDown_.get()
                       : IsHover()   ? picMouseHover_.get()
                                     : picNormal_.get();
    if (empty(chosen)) chosen = picNormal_.get();
    picture = empty(chosen) ? nullptr : chosen;
    return picture != nullptr;
}
