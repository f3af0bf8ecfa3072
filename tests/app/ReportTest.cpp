// The program-list report: its text as composed from the list's rows, and the report window
// saving and printing what the memo holds.
#include "app/frmPrintPage.h"
#include "app/globals.h"
#include "app/BackupTesting.h"
#include "common/Screenshot.h"
#include "framework/ComCtrls.h"
#include "framework/FormTesting.h"
#include "framework/ExtCtrls.h"
#include "framework/Printers.h"

#include <gtest/gtest.h>

namespace {

TReportFacts Facts(std::vector<std::string> rows) {
    TReportFacts f;
    f.AppTitle = "Velmora Uninstaller";
    f.ComputerName = "WORKSTATION";
    f.UserName = "alice";
    f.ProgramCount = "3 (Windows Updates: 0, Screen Saver: 1)";
    f.CreatedIn = "08/12/2026 10:11:12";
    f.CreatedBy = "C:\\Velmora\\Velmora.exe";
    f.Rows = std::move(rows);
    return f;
}

}  // namespace

TEST(ProgramReport, ProgramsAndScreenSaversNumberedInDisplayOrder) {
    std::vector<std::string> lines =
        ComposeProgramReport(Facts({"Beta Editor", "Alpha Player", "[Screen Saver]Starfield"}));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Velmora Uninstaller Application Report",
                         "",
                         "",
                         "=======================",
                         "Computer Name: WORKSTATION",
                         "User Name: alice",
                         "Programs: 3 (Windows Updates: 0, Screen Saver: 1)",
                         "Created In: 08/12/2026 10:11:12",
                         "Created By: C:\\Velmora\\Velmora.exe",
                         "=======================",
                         "",
                         "",
                         "Programs installed on your computer:",
                         "----------------------",
                         "1 - Beta Editor",
                         "2 - Alpha Player",
                         "3 - [Screen Saver]Starfield",
                         "----------------------",
                     }));
}

TEST(ProgramReport, EmptyListAndUnreadableNames) {
    TReportFacts facts = Facts({});
    facts.ComputerName.clear();
    facts.UserName.clear();
    std::vector<std::string> lines = ComposeProgramReport(facts);
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[4], "Computer Name: ");
    EXPECT_EQ(lines[5], "User Name: ");
    EXPECT_EQ(lines[13], "----------------------");
    EXPECT_EQ(lines[14], "----------------------");
}

TEST(ProgramReport, RowsAreTheCaptionsInTheListsCurrentOrder) {
    TFreeGuard<TListView> list(TListView::Create(nullptr));
    for (const char* caption : {"Zeta", "[Screen Saver]Aurora", "Mu"}) list->Items()->Add()->SetCaption(caption);
    list->CustomSort([](TListItem* a, TListItem* b, intptr_t) { return CompareText(a->Caption(), b->Caption()); }, 0);
    EXPECT_EQ(ListRowCaptions(*list), (std::vector<std::string>{"Mu", "Zeta", "[Screen Saver]Aurora"}));
}

class ReportWindow : public testing::Test {
protected:
    void SetUp() override {
        form_.reset(TPrintListForm::Create(nullptr));
        form_->MemoList->Lines()->SetStrings(ComposeProgramReport(Facts({"Beta Editor", "[Screen Saver]Starfield"})));
        form_->Show();
        PumpIdle();
    }
    TFreeGuard<TPrintListForm> form_;
};

TEST_F(ReportWindow, SavesTheEditedLinesWithCrLf) {
    EXPECT_EQ(form_->GetCaption(), "Save/Print");
    EXPECT_EQ(form_->btnSave->GetCaption(), "Save");
    form_->MemoList->Lines()->Put(14, "1 - Beta Editor (kept)");
    std::string path = TestOutputDir() + "report-save.txt";
    DeleteFileA(path.c_str());
    TDialogAnswer answer([&](TCommonDialog& d) -> std::optional<bool> {
        auto& save = static_cast<TSaveDialog&>(d);
        EXPECT_EQ(save.GetFilter(), "Text File (*.txt)|*.txt");
        EXPECT_TRUE(save.GetOptions().Contains(ofOverwritePrompt));
        save.SetFileName(path);
        return true;
    });
    PostClick(form_->btnSave->WindowHandle(), 5, 5);
    ASSERT_TRUE(PumpUntil([&] { return FileExists(path); }));
    std::string expected;
    for (const std::string& line : ComposeProgramReport(Facts({"Beta Editor", "[Screen Saver]Starfield"})))
        expected += line + "\r\n";
    expected.replace(expected.find("1 - Beta Editor"), 15, "1 - Beta Editor (kept)");
    EXPECT_EQ(backuptest::ReadBytes(path), expected);
}

TEST_F(ReportWindow, CancelledSaveOrPrintDoesNothing) {
    TBoxRecorder boxes;
    TDialogAnswer cancel([](TCommonDialog&) -> std::optional<bool> { return false; });
    form_->btnSave->Click();
    form_->btnPrint->Click();
    EXPECT_TRUE(boxes.Boxes.empty());
    EXPECT_FALSE(Printer()->Printing());
}

TEST_F(ReportWindow, UnavailablePrinterIsReportedWithTheWarningBox) {
    auto saved = SetPrinter(std::make_unique<TPrinter>());
    TBoxRecorder boxes;
    {
        TDialogAnswer chosen([](TCommonDialog& d) -> std::optional<bool> {
            static_cast<TPrintDialog&>(d).SetDeviceName("Velmora No Such Printer");
            return true;
        });
        form_->btnPrint->Click();
    }
    SetPrinter(std::move(saved));
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "Something is wrong with the printer or Print Spooler service is unavailable.");
    EXPECT_EQ(boxes.Boxes[0].Caption, ProductTitle);
    EXPECT_EQ(boxes.Boxes[0].Flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));
}

TEST(ReportWindowModal, ShowsTheListsReportAndScreenshot) {
    TFreeGuard<TListView> list(TListView::Create(nullptr));
    for (const char* caption : {"Beta Editor", "Alpha Player", "[Screen Saver]Starfield"})
        list->Items()->Add()->SetCaption(caption);
    std::vector<std::string> shown;
    // The window is modal: look at it and close it from a timer while it is up.
    TFreeGuard<TTimer> timer(TTimer::Create(nullptr));
    timer->SetInterval(200);
    timer->OnTimer = [&](TObject*) {
        timer->SetEnabled(false);
        auto* form = dynamic_cast<TPrintListForm*>(Screen->ActiveForm());
        if (!form) return;
        shown = form->MemoList->Lines()->ToVector();
        SaveWindowPng(form->WindowHandle(), "report-window.png");
        form->Close();
    };
    ShowProgramListReport(*list, "3 (Windows Updates: 0, Screen Saver: 1)");
    ASSERT_EQ(shown.size(), 18u);
    EXPECT_EQ(shown[0], ProductTitle + " Application Report");
    EXPECT_EQ(shown[6], "Programs: 3 (Windows Updates: 0, Screen Saver: 1)");
    EXPECT_EQ(shown[16], "3 - [Screen Saver]Starfield");
}
