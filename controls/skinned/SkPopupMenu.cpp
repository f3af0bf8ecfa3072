#include "controls/skinned/SkPopupMenu.h"

#include <memory>

TCustomImageList* CreateMenuCheckImages(TComponent* owner) {
    TCustomImageList* list = TCustomImageList::Create(owner, 16, 16);
    try {
        TBitmap check;
        LoadStyleBitmapResource("MENU_CHECKED", check);
        check.SetTransparent(true);
        list->AddMasked(&check, clWhite);
    } catch (const EInvalidGraphic&) {
        // No check mark to draw: checked items show their state through their images only.
    }
    return list;
}

TCustomImageList* MenuCheckImages() {
    static TFreeGuard<TCustomImageList> images(CreateMenuCheckImages(nullptr));
    return images.get();
}

IMPLEMENT_CLASS(TskPopupMenu);

void TskPopupMenu::Publish(TClassBuilder<TskPopupMenu>& b) { PublishLook(b); }

TskPopupMenu::TskPopupMenu(TComponent* AOwner) : TskLookMenu(AOwner) {
    TMenu::SetOwnerDraw(true);
    SetUIStyle(OwnerFormUIStyle(AOwner));
}

void TskPopupMenu::DrawMenuItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) {
    TskMenuLook::TItemContext context = ItemContext();
    context.Images = GetImages();
    context.Checks = MenuCheckImages();
    look_.Draw(Item, *ACanvas, ARect, State, context);
}
