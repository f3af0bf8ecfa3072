#include "app/frmPrintPage.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "framework/ComCtrls.h"
#include "framework/Printers.h"

#include <cstring>

IMPLEMENT_CLASS(TPrintListForm);

namespace {
const char* const kDoubleRule = "=======================";
const char* const kSingleRule = "----------------------";
}  // namespace

std::vector<std::string> ComposeProgramReport(const TReportFacts& facts) {
    std::vector<std::string> lines = {
        FormatLangOf(IDS_PRINTFORM_MEMO_Title, facts.AppTitle),
        "",
        "",
        kDoubleRule,
        IDS_PRINTFORM_MEMO_ComputerName + facts.ComputerName,
        IDS_PRINTFORM_MEMO_UserName + facts.UserName,
        IDS_PRINTFORM_MEMO_Programs + facts.ProgramCount,
        IDS_PRINTFORM_MEMO_CreatedIn + facts.CreatedIn,
        IDS_PRINTFORM_MEMO_CreatedBy + facts.CreatedBy,
        kDoubleRule,
        "",
        "",
        IDS_PRINTFORM_MEMO_InstalledPL,
        kSingleRule,
    };
    for (size_t i = 0; i < facts.Rows.size(); ++i)
        lines.push_back(Format("%d - %s", static_cast<int>(i + 1), facts.Rows[i]));
    lines.push_back(kSingleRule);
    return lines;
}

std::string ReadComputerName() {
    char name[16] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, strnlen(name, sizeof name)) : std::string();
}

std::string ReadUserName() {
    char name[255] = {};
    DWORD size = sizeof name;
    return GetUserNameA(name, &size) ? std::string(name, strnlen(name, sizeof name)) : std::string();
}

std::vector<std::string> ListRowCaptions(const TCustomListView& list) {
    std::vector<std::string> rows;
    TListItems* items = list.Items();
    rows.reserve(static_cast<size_t>(items->Count()));
    for (int i = 0; i < items->Count(); ++i) rows.push_back(items->Item(i)->Caption());
    return rows;
}

TReportFacts CurrentReportFacts(std::vector<std::string> rows, const std::string& programCount) {
    TReportFacts facts;
    facts.AppTitle = ProductTitle;
    facts.ComputerName = ReadComputerName();
    facts.UserName = ReadUserName();
    facts.ProgramCount = programCount;
    facts.CreatedIn = DateTimeToStr(Now());
    facts.CreatedBy = Application->ExeName();
    facts.Rows = std::move(rows);
    return facts;
}

void TPrintListForm::Publish(TClassBuilder<TPrintListForm>& b) {
    b.Component("MemoList", &TPrintListForm::MemoList);
    b.Component("btnSave", &TPrintListForm::btnSave);
    b.Component("btnPrint", &TPrintListForm::btnPrint);
    b.Component("SaveDialog", &TPrintListForm::SaveDialog);
    b.Component("PrintDialog", &TPrintListForm::PrintDialog);
    b.Handler("FormShow", &TPrintListForm::FormShow);
    b.Handler("btnSaveClick", &TPrintListForm::btnSaveClick);
    b.Handler("btnPrintClick", &TPrintListForm::btnPrintClick);
}

void TPrintListForm::FormShow(TObject*) {
    SetCaption(IDS_PRINTFORM_Title);
    btnSave->SetCaption(IDS_PRINTFORM_BUTTON_Save);
    btnPrint->SetCaption(IDS_PRINTFORM_BUTTON_Print);
}

// A file that can't be written reaches the framework's error box with the reason.
void TPrintListForm::btnSaveClick(TObject*) {
    if (SaveDialog->Execute()) MemoList->Lines()->SaveToFile(SaveDialog->GetFileName());
}

void TPrintListForm::btnPrintClick(TObject*) {
    if (!PrintDialog->Execute()) return;
    try {
        TPrinterTextFile device(*Printer());
        device.Rewrite();
        TStrings* lines = MemoList->Lines();
        for (int i = 0; i < lines->Count(); ++i) device.WriteLn(lines->Get(i));
        device.Close();
    } catch (const EOSError&) {
        // No printer, or a spooler that doesn't answer: the user can do something about it.
        Application->MessageBox(IDS_MESSAGEBOX_MESSAGE_PrintError, ProductTitle, MB_OK | MB_ICONWARNING);
    }
}

void ShowProgramListReport(const TCustomListView& list, const std::string& programCount) {
    TFreeGuard<TPrintListForm> form(TPrintListForm::Create(Application));
    form->MemoList->Lines()->SetStrings(ComposeProgramReport(CurrentReportFacts(ListRowCaptions(list), programCount)));
    form->ShowModal();
}
