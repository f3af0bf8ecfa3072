// A form's main menu drawn in the skinned look: its drop-down items are measured and
// drawn like the skinned popup menu's, and its top-level items are shown by the menu bar
// of the form's skinned frame instead of the system's menu bar.
#pragma once
#include "controls/skinned/SkMenu.h"
#include "controls/skinned/SkMgr.h"
#include "framework/Menus.h"

class TskForm;

class TskMainMenu : public TskLookMenu<TMainMenu> {
    DECLARE_CLASS(TskMainMenu, TMainMenu)
    // Takes its first style from the owner form's skinned frame (DeepBlue without one).
    explicit TskMainMenu(TComponent* AOwner);
    // On a form: takes away the form's own menu bar and gives itself to the form's frame.
    void AfterConstruction() override;

    // None while the menu uses its own check-mark list; setting none puts that list back.
    TCustomImageList* GetImages() const;
    void SetImages(TCustomImageList* Value);
    // Also gives the frame's menu bar the menu font (every time, even when it was set).
    void SetUseSystemFont(bool Value);

    // The frame that shows the menu; set by the frame.
    TskForm* Frame() const { return frame_; }
    void SetFrame(TskForm* Value) { frame_ = Value; }

    void DrawMenuItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    static void Publish(TClassBuilder<TskMainMenu>& b);

protected:
    void MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) override;

private:
    TCustomImageList* checks_ = nullptr;   // owned
    TskForm* frame_ = nullptr;
};
