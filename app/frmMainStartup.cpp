// The startup items page: the list's rows come from TStartupList, which also writes the
// check boxes back and deletes; the side bar, the row menu and the item details live here.
#include "app/StartupList.h"
#include "app/frmAddItem.h"
#include "app/frmMain.h"
#include "app/multiLangs.h"
#include "controls/framed/FcPanel.h"
#include "controls/skinned/ArButton.h"
#include "controls/skinned/SkPopupMenu.h"
#include "framework/Guards.h"

void TMainForm::PublishStartupHandlers(TClassBuilder<TMainForm>& b) {
    b.Handler("ActionApplyExecute", &TMainForm::ActionApplyExecute);
    b.Handler("ActionDeleteExecute", &TMainForm::ActionDeleteExecute);
    b.Handler("ActionSelectAllExecute", &TMainForm::ActionSelectAllExecute);
    b.Handler("ActionAddItemExecute", &TMainForm::ActionAddItemExecute);
    b.Handler("lsvStartupListSelectItem", &TMainForm::lsvStartupListSelectItem);
    b.Handler("lsvStartupListMouseDown", &TMainForm::lsvStartupListMouseDown);
}

void TMainForm::FillStartupList() { StartupList->Fill(); }

// Refusals are shown by the list itself, one box for the whole pass.
void TMainForm::ActionApplyExecute(TObject*) { StartupList->Apply(); }

// The list asks first and removes only the rows whose entry went.
void TMainForm::ActionDeleteExecute(TObject*) { StartupList->DeleteSelected(); }

void TMainForm::ActionSelectAllExecute(TObject*) {
    StartupList->SetAllChecked(!DisableAllNext);
    btnSelectAll->SetCaption(DisableAllNext ? IDS_SIDEBAR_BUTTON_SelectAll : IDS_SIDEBAR_BUTTON_UnSelectAll);
    DisableAllNext = !DisableAllNext;
}

void TMainForm::ActionAddItemExecute(TObject*) {
    TFreeGuard<TAddItemForm> form(TAddItemForm::Create(this));
    if (form->ShowModal() == mrOk) FillStartupList();
}

void TMainForm::lsvStartupListSelectItem(TObject*, TListItem* Item, bool) {
    grbItemInfo->Show();
    btnDelete->SetEnabled(true);
    if (!Item) return;
    try {
        TStartupDetails details;
        if (!StartupList->Details(Item, details)) {
            grbItemInfo->Hide();
            return;
        }
        lblPublisherValue->SetCaption(details.Publisher);
        lblVersionValue->SetCaption(details.Version);
        lblDescription->SetCaption(details.Description);
    } catch (...) {
        // The details are only a help: failing to read them is not worth an error box.
    }
}

void TMainForm::lsvStartupListMouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
    if (Button != mbRight) return;
    mItemDeleteEntry->SetEnabled(lsvStartupList->Selected() != nullptr);
    POINT at;
    GetCursorPos(&at);
    pmSLRightClick->PopupFor(lsvStartupList, at.x, at.y);
}
