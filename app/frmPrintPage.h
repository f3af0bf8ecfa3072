// The program-list report: its text, and the window where it is edited, saved and printed.
#pragma once
#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include <string>
#include <vector>

class TCustomListView;

// What the report is made of, gathered once when it is built.
struct TReportFacts {
    std::string AppTitle;
    std::string ComputerName;       // empty when the system can't tell
    std::string UserName;           // likewise
    std::string ProgramCount;       // the text of the main window's count label
    std::string CreatedIn;          // date and time in the user's formats
    std::string CreatedBy;          // the running program's full path
    std::vector<std::string> Rows;  // the list's captions in display order
};

// The report's lines: heading, facts, then every row numbered from 1.
std::vector<std::string> ComposeProgramReport(const TReportFacts& facts);

// The computer's and the user's names, empty when they can't be read.
std::string ReadComputerName();
std::string ReadUserName();

// The captions of a list's rows as it shows them now.
std::vector<std::string> ListRowCaptions(const TCustomListView& list);

// The facts of this moment for the given rows and count text.
TReportFacts CurrentReportFacts(std::vector<std::string> rows, const std::string& programCount);

class TPrintListForm : public TForm {
    DECLARE_CLASS(TPrintListForm, TForm)
    explicit TPrintListForm(TComponent* AOwner) : TForm(AOwner) {}

    TMemo* MemoList = nullptr;
    TButton* btnSave = nullptr;
    TButton* btnPrint = nullptr;
    TSaveDialog* SaveDialog = nullptr;
    TPrintDialog* PrintDialog = nullptr;

    void FormShow(TObject* Sender);
    void btnSaveClick(TObject* Sender);
    void btnPrintClick(TObject* Sender);

    static void Publish(TClassBuilder<TPrintListForm>& b);
};

// Builds the report of list (with the count label's text) into a new report window owned by
// the application, shows it modally and frees it.
void ShowProgramListReport(const TCustomListView& list, const std::string& programCount);
