// The main window's side of an uninstall: starting the program's uninstaller (or deleting a
// screen saver in its place) and, when the uninstaller is done, offering the leftover scan.
#include "app/QuorbelLib_TLB.h"
#include "app/WaitingThread.h"
#include "app/frmMain.h"

void TMainForm::PublishUninstallHandlers(TClassBuilder<TMainForm>& b) {
    b.Handler("ActionUninstallExecute", &TMainForm::ActionUninstallExecute);
    b.Handler("ActionDeleteScrExecute", &TMainForm::ActionDeleteScrExecute);
    b.Handler("ActionClearItExecute", &TMainForm::ActionClearItExecute);
}

// Also the list's double click.
void TMainForm::ActionUninstallExecute(TObject*) {
    TListItem* selected = lsvProgramList->Selected();
    if (!selected) return;
    if (ProgramRowOf(selected).Kind == rkScreenSaver) {
        ActionDeleteScr->Execute();
        return;
    }
    StartUninstall(selected);
}

// The uninstall without the screen-saver test. A screen-saver row's index is no program's:
// it starts nothing rather than another program's uninstaller.
void TMainForm::ActionClearItExecute(TObject*) {
    TListItem* selected = lsvProgramList->Selected();
    if (selected && ProgramRowOf(selected).Kind == rkProgram) StartUninstall(selected);
}

void TMainForm::StartUninstall(TListItem* selected) {
    try {
        ComPtr<IProgramItem> entry;
        ProgramList->Item(ProgramRowOf(selected).Index, entry);
        if (!entry) return;
        // The command, the name and the folder exactly as the component has them: the code
        // page may not hold every character of them.
        const std::wstring command = ItemWideText(entry.Get(), &IProgramItem::UninstallString);
        // Taken now: by the time the uninstaller ends, the selection and the list may show
        // another program, and the leftover scan must look for this one.
        const TUninstallTarget target{ItemWideText(entry.Get(), &IProgramItem::RegistryName), RowFolder(selected),
                                      selected->Caption()};
        TWaitingThread::Run(Handle(), command, target);
    } catch (...) {
        // An entry the component can't read starts nothing.
    }
}

std::wstring TMainForm::RowFolder(const TListItem* row) {
    const TProgramRow kind = ProgramRowOf(row);
    std::wstring folder;
    if (kind.Kind == rkScreenSaver) {
        ProgramList->ScreenSaverDirectory(kind.Index, folder);
        return folder;
    }
    ComPtr<IProgramItem> entry;
    ProgramList->Item(kind.Index, entry);
    return entry ? ItemWideText(entry.Get(), &IProgramItem::InstallLocation) : folder;
}

void TMainForm::ActionDeleteScrExecute(TObject*) {
    try {
        TListItem* selected = lsvProgramList->Selected();
        const TProgramRow row = ProgramRowOf(selected);
        // A program row's index is no screen saver's: it must never pick one to delete.
        if (!selected || row.Kind != rkScreenSaver) return;
        std::wstring name;
        ProgramList->ScreenSaverFileName(row.Index, name);
        if (AskAndDeleteScreenSaver(RowFolder(selected), name)) FillProgramList();
    } catch (...) {
        // Nothing is deleted that the component can't name.
    }
}

// WParam: 1 when the uninstaller's wait ended, 0 when it could not be started; LParam: the
// thread's report, which UninstallReports takes over.
void TMainForm::WMUninstallDone(TMessage& Message) {
    Message.Result = UninstallReports.Receive(Message.WParam, Message.LParam);
}
