// Handlers of the main window whose work belongs to units that join it later: each is
// published so that the layout binds it, and does nothing until its unit fills it in.
// Each line marked PENDING moves into that unit's own frmMain*.cpp file.
#include "app/frmMain.h"

void TMainForm::PublishPendingHandlers(TClassBuilder<TMainForm>& b) {
    b.Handler("ActionUninstallExecute", &TMainForm::ActionUninstallExecute);
    b.Handler("ActionDeleteScrExecute", &TMainForm::ActionDeleteScrExecute);
}

// Uninstall runner and screen-saver deletion.
void TMainForm::ActionUninstallExecute(TObject*) {}  // PENDING: uninstall runner
void TMainForm::ActionDeleteScrExecute(TObject*) {}  // PENDING: uninstall runner
void TMainForm::WMUninstallDone(TMessage& Message) { Message.Result = 0; }  // PENDING: uninstall runner
