// The main window's side of an uninstall: starting the program's uninstaller (or deleting a
// screen saver in its place) and, when the uninstaller is done, offering the leftover scan.
#include "app/QuorbelLib_TLB.h"
#include "app/WaitingThread.h"
#include "app/frmMain.h"

namespace {

// The row's Directory cell: the program's install folder, or the screen saver's folder.
std::string RowFolder(const TListItem* row) {
    TStrings* cells = row->SubItems();
    return cells->Count() > 1 ? cells->Get(1) : std::string();
}

} // namespace

void TMainForm::PublishUninstallHandlers(TClassBuilder<TMainForm>& b) {
    b.Handler("ActionUninstallExecute", &TMainForm::ActionUninstallExecute);
    b.Handler("ActionDeleteScrExecute", &TMainForm::ActionDeleteScrExecute);
}

// Also the list's double click.
void TMainForm::ActionUninstallExecute(TObject*) {
    TListItem* selected = lsvProgramList->Selected();
    if (!selected) return;
    const TProgramRow row = ProgramRowOf(selected);
    if (row.Kind == rkScreenSaver) {
        ActionDeleteScr->Execute();
        return;
    }
    try {
        ComPtr<IProgramItem> entry;
        ProgramList->Item(row.Index, entry);
        if (!entry) return;
        const std::string command = ItemText(entry.Get(), &IProgramItem::UninstallString);
        // Taken now: by the time the uninstaller ends, the selection and the list may show
        // another program, and the leftover scan must look for this one.
        const TUninstallTarget target{ItemText(entry.Get(), &IProgramItem::RegistryName), RowFolder(selected),
                                      selected->Caption()};
        TWaitingThread::Run(Handle(), command, target);
    } catch (...) {
        // An entry the component can't read starts nothing.
    }
}

void TMainForm::ActionDeleteScrExecute(TObject*) {
    try {
        TListItem* selected = lsvProgramList->Selected();
        const TProgramRow row = ProgramRowOf(selected);
        // A program row's index is no screen saver's: it must never pick one to delete.
        if (!selected || row.Kind != rkScreenSaver) return;
        std::wstring name;
        ProgramList->ScreenSaverFileName(row.Index, name);
        if (AskAndDeleteScreenSaver(RowFolder(selected), FromWide(name))) FillProgramList();
    } catch (...) {
        // Nothing is deleted that the component can't name.
    }
}

// WParam: 1 when the uninstaller's wait ended, 0 when it could not be started; LParam: the
// thread's report, which UninstallReports takes over.
void TMainForm::WMUninstallDone(TMessage& Message) {
    Message.Result = UninstallReports.Receive(Message.WParam, Message.LParam);
}
