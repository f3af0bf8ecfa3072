#include "controls/skinned/SkMainMenu.h"

#include "controls/skinned/SkForm.h"
#include "controls/skinned/SkPopupMenu.h"

IMPLEMENT_CLASS(TskMainMenu);

void TskMainMenu::Publish(TClassBuilder<TskMainMenu>& b) {
    b.Prop("Images", &TskMainMenu::GetImages, &TskMainMenu::SetImages);
    PublishLook(b);
}

TskMainMenu::TskMainMenu(TComponent* AOwner) : TskLookMenu(AOwner) {
    TMenu::SetOwnerDraw(true);
    checks_ = CreateMenuCheckImages(this);
    TMenu::SetImages(checks_);
    SetUIStyle(OwnerFormUIStyle(AOwner));
}

void TskMainMenu::AfterConstruction() {
    TMainMenu::AfterConstruction();
    auto* form = dynamic_cast<TCustomForm*>(Owner());
    if (!form) return;
    form->SetMenu(nullptr);
    for (int i = 0; i < form->ControlCount(); ++i) {
        if (auto* frame = dynamic_cast<TskForm*>(form->Controls(i))) {
            frame->SetMenu(this);
            return;
        }
    }
}

TCustomImageList* TskMainMenu::GetImages() const {
    TCustomImageList* images = TMenu::GetImages();
    return images == checks_ ? nullptr : images;
}

void TskMainMenu::SetImages(TCustomImageList* Value) { TMenu::SetImages(Value ? Value : checks_); }

void TskMainMenu::SetUseSystemFont(bool Value) {
    look_.UseSystemFont = Value;
    SizesChanged();
    if (frame_) frame_->ApplyMenuFont();
}

void TskMainMenu::Loaded() {
    TMainMenu::Loaded();
    if (frame_) frame_->RebuildMenuBar();
}

void TskMainMenu::MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) {
    TMainMenu::MenuChanged(Sender, Source, Rebuild);
    if (frame_ && dynamic_cast<TCustomForm*>(Owner()) && !IsLoading() && !IsDestroying()) frame_->RefreshMenuBar();
}

void TskMainMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TskLookMenu::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent && AComponent == checks_) checks_ = nullptr;
}

void TskMainMenu::DrawMenuItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) {
    TskMenuLook::TItemContext context = ItemContext();
    context.Images = GetImages();
    context.Checks = checks_;
    look_.Draw(Item, *ACanvas, ARect, State, context);
}
