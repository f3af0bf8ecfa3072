// Handlers of the main window whose work belongs to units that join it later: each is
// published so that the layout binds it, and does nothing until its unit fills it in.
// Each line marked PENDING moves into that unit's own frmMain*.cpp file.
#include "app/frmMain.h"

void TMainForm::PublishPendingHandlers(TClassBuilder<TMainForm>& b) {
    b.Handler("ActionUninstallExecute", &TMainForm::ActionUninstallExecute);
    b.Handler("ActionDeleteScrExecute", &TMainForm::ActionDeleteScrExecute);
    b.Handler("ActionShowDetailsExecute", &TMainForm::ActionShowDetailsExecute);
    b.Handler("ActionCommentExecute", &TMainForm::ActionCommentExecute);
    b.Handler("ActionExportRegExecute", &TMainForm::ActionExportRegExecute);
    b.Handler("ActionReloadRegExecute", &TMainForm::ActionReloadRegExecute);
    b.Handler("ActionRegeditExecute", &TMainForm::ActionRegeditExecute);
    b.Handler("ActionAboutExecute", &TMainForm::ActionAboutExecute);
    b.Handler("ActionCreateBackupExecute", &TMainForm::ActionCreateBackupExecute);
    b.Handler("ActionExporetListExecute", &TMainForm::ActionExporetListExecute);
    b.Handler("ActionApplyExecute", &TMainForm::ActionApplyExecute);
    b.Handler("ActionDeleteExecute", &TMainForm::ActionDeleteExecute);
    b.Handler("ActionSelectAllExecute", &TMainForm::ActionSelectAllExecute);
    b.Handler("ActionAddItemExecute", &TMainForm::ActionAddItemExecute);
    b.Handler("lsvStartupListSelectItem", &TMainForm::lsvStartupListSelectItem);
    b.Handler("lsvStartupListMouseDown", &TMainForm::lsvStartupListMouseDown);
}

// Uninstall runner and screen-saver deletion.

// Entry details, comments, registry actions and the about window.
void TMainForm::CreateDetailsWindow() {}  // PENDING: details window
void TMainForm::ActionShowDetailsExecute(TObject*) {}  // PENDING: details window
void TMainForm::ActionCommentExecute(TObject*) {}  // PENDING: details window
void TMainForm::ActionExportRegExecute(TObject*) {}  // PENDING: registry actions
void TMainForm::ActionReloadRegExecute(TObject*) {}  // PENDING: registry actions
void TMainForm::ActionRegeditExecute(TObject*) {}  // PENDING: registry actions
void TMainForm::ActionAboutExecute(TObject*) {}  // PENDING: about window

// Registry backup and the program-list report.
void TMainForm::ActionCreateBackupExecute(TObject*) {}  // PENDING: registry backup
void TMainForm::ActionExporetListExecute(TObject*) {}  // PENDING: program-list report

// Startup items.
void TMainForm::FillStartupList() {}  // PENDING: startup items
void TMainForm::ActionApplyExecute(TObject*) {}  // PENDING: startup items
void TMainForm::ActionDeleteExecute(TObject*) {}  // PENDING: startup items
void TMainForm::ActionSelectAllExecute(TObject*) {}  // PENDING: startup items
void TMainForm::ActionAddItemExecute(TObject*) {}  // PENDING: startup items
void TMainForm::lsvStartupListSelectItem(TObject*, TListItem*, bool) {}  // PENDING: startup items
void TMainForm::lsvStartupListMouseDown(TObject*, TMouseButton, TShiftState, int, int) {}  // PENDING: startup items
