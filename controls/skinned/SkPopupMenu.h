// A popup menu that draws all its items itself, in the colours of a visual style, of a
// theme file, or of its own properties.
#pragma once
#include "controls/skinned/SkMenu.h"
#include "controls/skinned/SkMgr.h"
#include "framework/Menus.h"

class TskPopupMenu : public TskLookMenu<TPopupMenu> {
    DECLARE_CLASS(TskPopupMenu, TPopupMenu)
    // Takes its first style from the owner form's skinned frame (DeepBlue without one).
    explicit TskPopupMenu(TComponent* AOwner);

    // Every item of this menu is drawn here, in this menu's colours.
    void DrawMenuItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) override;
    static void Publish(TClassBuilder<TskPopupMenu>& b);
};

// The check mark of menu items, one image list for all popup menus ("MENU_CHECKED", white
// transparent); empty when the program lacks the bitmap.
TCustomImageList* MenuCheckImages();
// A new list holding the check mark, owned by owner.
TCustomImageList* CreateMenuCheckImages(TComponent* owner);
