// Commands on the selected program entry (details, comment, export of its registry key, the
// registry editor at that key) and on the whole list (reload of a registry file, backup of
// every uninstall key, the report), and the about window. The work is done by their units;
// these handlers pick the entry and ask what the window must ask.
#include "app/QuorbelLib_TLB.h"
#include "app/RegistryActions.h"
#include "app/frmAbout.h"
#include "app/frmComment.h"
#include "app/frmDetails.h"
#include "app/frmMain.h"
#include "app/frmPrintPage.h"
#include "app/frmProgress.h"
#include "app/multiLangs.h"

namespace {

// The entry of the selected program row; nothing when no row or a screen saver's row is
// selected (their commands are disabled then, but a shortcut or a menu opened before the
// selection changed still arrives), or when the component has no entry there.
ComPtr<IProgramItem> SelectedEntry(TMainForm& form, TRegistryView* view = nullptr) {
    ComPtr<IProgramItem> entry;
    TListItem* row = form.lsvProgramList->Selected();
    const TProgramRow selected = ProgramRowOf(row);
    if (!row || selected.Kind != rkProgram) return entry;
    form.ProgramList->Item(selected.Index, entry);
    if (entry && view) {
        LONG number = 0;
        form.ProgramList->ProgramView(selected.Index, number);
        *view = ViewFromNumber(number);
    }
    return entry;
}

} // namespace

void TMainForm::PublishCommandHandlers(TClassBuilder<TMainForm>& b) {
    b.Handler("ActionShowDetailsExecute", &TMainForm::ActionShowDetailsExecute);
    b.Handler("ActionCommentExecute", &TMainForm::ActionCommentExecute);
    b.Handler("ActionExportRegExecute", &TMainForm::ActionExportRegExecute);
    b.Handler("ActionReloadRegExecute", &TMainForm::ActionReloadRegExecute);
    b.Handler("ActionRegeditExecute", &TMainForm::ActionRegeditExecute);
    b.Handler("ActionAboutExecute", &TMainForm::ActionAboutExecute);
    b.Handler("ActionCreateBackupExecute", &TMainForm::ActionCreateBackupExecute);
    b.Handler("ActionExporetListExecute", &TMainForm::ActionExporetListExecute);
}

// ---- The details window ---------------------------------------------------------------------

void TMainForm::CreateDetailsWindow() {
    DetailsFormInstance = TDetailsForm::Create(Application);
    DetailsFormInstance->FreeNotification(this);
    DetailsFormInstance->SetProgramList(ProgramList);
    // The program list's fill keeps the selector's items in step with the program rows.
    ProgramSelector = DetailsFormInstance->cmbPrograms;
}

void TMainForm::Notification(TComponent* AComponent, TOperation Operation) {
    TForm::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove || !DetailsFormInstance || AComponent != DetailsFormInstance) return;
    DetailsFormInstance = nullptr;
    ProgramSelector = nullptr;
}

void TMainForm::Destroying() {
    // The details window belongs to the application but shows this window's entries, so it
    // goes with this window; Notification forgets it.
    if (DetailsFormInstance) DetailsFormInstance->Free();
    TForm::Destroying();
}

// The component's failures reach the framework's error box.
void TMainForm::ActionShowDetailsExecute(TObject*) {
    TListItem* row = lsvProgramList->Selected();
    const TProgramRow selected = ProgramRowOf(row);
    if (!row || selected.Kind != rkProgram || !DetailsFormInstance) return;
    DetailsFormInstance->ShowEntryDetails(selected.Index);
    DetailsFormInstance->ShowModal();
}

void TMainForm::ActionCommentExecute(TObject*) {
    try {
        if (ComPtr<IProgramItem> entry = SelectedEntry(*this)) CommentOnEntry(entry.Get());
    } catch (const Exception&) {
        // An entry the component can't give is not commented on; nothing else is at stake.
    }
}

// ---- The registry ---------------------------------------------------------------------------
// Refusals (a vanished key, a name the editor's command line can't carry, a file that is not
// a registry file) are told by RegistryActions; the component's failures reach the
// framework's error box.

void TMainForm::ActionExportRegExecute(TObject*) {
    TRegistryView view = OwnView();
    if (ComPtr<IProgramItem> entry = SelectedEntry(*this, &view))
        ExportEntryKey(*SaveDialog, ItemWideText(entry.Get(), &IProgramItem::RegistryName), view);
}

void TMainForm::ActionReloadRegExecute(TObject*) { ReloadRegFile(*OpenDialog); }

void TMainForm::ActionRegeditExecute(TObject*) {
    TRegistryView view = OwnView();
    if (ComPtr<IProgramItem> entry = SelectedEntry(*this, &view))
        OpenRegeditAtEntry(ItemWideText(entry.Get(), &IProgramItem::RegistryName), view);
}

void TMainForm::ActionCreateBackupExecute(TObject*) {
    if (Application->MessageBox(IDS_MESSAGEBOX_WARNING_BackupReg, Application->GetTitle(),
                                MB_YESNO | MB_ICONINFORMATION) == IDYES)
        ShowBackupWindow(this);
}

// ---- The report and the about window ----------------------------------------------------------

void TMainForm::ActionExporetListExecute(TObject*) {
    ShowProgramListReport(*lsvProgramList, lblProgramCounts->GetCaption());
}

void TMainForm::ActionAboutExecute(TObject*) { ShowAboutBox(this); }
