// The main window's commands on the selected entry and on the whole list, run through its
// actions: the details window, the registry commands (dialogs and the editor answered by
// their seams), the backup and the report.
#include "MainFormTesting.h"
#include "ViewTesting.h"
#include "app/RegistryActions.h"
#include "app/frmDetails.h"
#include "app/frmPrintPage.h"
#include "common/Screenshot.h"
#include "framework/Registry.h"

using namespace mainform;
using namespace viewtest;

namespace {

class MainFormCommands : public MainFormTest {
protected:
    // The view the fixture's entries are in, with the names it gives them.
    static TPlantView EntriesView() { return kEntriesView == KEY_WOW64_32KEY ? ThirtyTwo() : SixtyFour(); }
    static std::string AlphaKey() {
        return EntriesView().Software + "Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmoraMainForm_Alpha";
    }

    void SetUp() override {
        MainFormTest::SetUp();
        paths_.emplace_back(BackupRegDir, dir_ + "Back up\\reg\\");
    }

    // Runs the action, whose window is modal; look is called on that window while it is up,
    // then the window is closed.
    template <class TWindow>
    void WhileShown(TAction* action, const std::function<void(TWindow&)>& look) {
        TFreeGuard<TTimer> timer(TTimer::Create(nullptr));
        bool seen = false;
        timer->SetInterval(200);
        timer->OnTimer = [&](TObject*) {
            auto* window = dynamic_cast<TWindow*>(Screen->ActiveForm());
            if (!window) return;
            timer->SetEnabled(false);
            seen = true;
            look(*window);
            window->Close();
        };
        action->Execute();
        EXPECT_TRUE(seen) << "the window was not shown";
    }

    void Select(const std::string& caption) {
        TListItem* row = Row(caption);
        ASSERT_TRUE(row) << caption;
        row->SetSelected(true);
        PumpIdle();
    }
};

// Answers the file dialogs with Answer (empty: cancelled) and records the editor's starts.
class TRegistrySeams {
public:
    TRegistrySeams() {
        previousStarter_ =
            SetRegeditStarter([this](const TRegeditStart& s) { Started.push_back(FromWide(s.Parameters)); });
        previousDialogs_ = SetDialogHandler([this](TCommonDialog& d) -> std::optional<bool> {
            auto& dialog = dynamic_cast<TOpenDialog&>(d);
            Proposed.push_back(dialog.GetFileName());
            dialog.SetFileName(Answer);
            return !Answer.empty();
        });
    }
    ~TRegistrySeams() {
        SetRegeditStarter(std::move(previousStarter_));
        SetDialogHandler(std::move(previousDialogs_));
    }
    std::string Answer;
    std::vector<std::string> Proposed, Started;

private:
    TRegeditStarter previousStarter_;
    TDialogHandler previousDialogs_;
};

} // namespace

TEST_F(MainFormCommands, DetailsWindowOpensForTheSelectedRowWithItsEntry) {
    Form(true);
    Select("Velmora Test Alpha");
    std::vector<std::string> properties, values;
    std::string chosen;
    WhileShown<TDetailsForm>(Form().ActionShowDetails, [&](TDetailsForm& details) {
        EXPECT_EQ(&details, DetailsFormInstance);
        const int at = details.cmbPrograms->GetItemIndex();
        chosen = at < 0 ? "" : details.cmbPrograms->GetItemsEx()->Items(at)->GetCaption();
        TListItems* rows = details.lsvProgramInfo->Items();
        for (int i = 0; i < rows->Count(); ++i)
            properties.push_back(rows->Item(i)->Caption() + "=" + rows->Item(i)->SubItems()->Get(0));
        rows = details.lsvRegistryInfo->Items();
        for (int i = 0; i < rows->Count(); ++i) values.push_back(rows->Item(i)->Caption());
        EXPECT_TRUE(SaveWindowPng(details.WindowHandle(), "details-from-main-window.png"));
    });
    EXPECT_EQ(chosen, "Velmora Test Alpha");
    EXPECT_NE(std::find(properties.begin(), properties.end(), "Publisher=Aardvarks"), properties.end());
    EXPECT_NE(std::find(values.begin(), values.end(), "UninstallString"), values.end());
}

TEST_F(MainFormCommands, RegistryCommandsActOnTheSelectedEntryThroughTheirDialogs) {
    TRegistrySeams seams;
    TBoxRecorder boxes;
    TMainForm& form = Form(true);
    Select("[Screen Saver]Velmora Starfield");
    for (TAction* action : {form.ActionExportReg, form.ActionRegedit}) action->Execute();
    EXPECT_TRUE(seams.Proposed.empty() && seams.Started.empty()) << "a screen saver has no uninstall key";

    Select("Velmora Test Alpha");
    seams.Answer = dir_ + "chosen.reg";
    form.ActionExportReg->Execute();
    ASSERT_EQ(seams.Started.size(), 1u);
    EXPECT_EQ(seams.Proposed.at(0), "VelmoraMainForm_Alpha" + EntriesView().Tag + ".reg");
    EXPECT_EQ(seams.Started[0], "/e \"" + seams.Answer + "\" \"" + AlphaKey() + "\"");

    WriteText(seams.Answer, "Windows Registry Editor Version 5.00\r\n");
    form.ActionReloadReg->Execute();
    ASSERT_EQ(seams.Started.size(), 2u);
    EXPECT_EQ(seams.Started[1], "\"" + seams.Answer + "\"");

    form.ActionRegedit->Execute();
    ASSERT_EQ(seams.Started.size(), 3u);
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyReadOnly(RegeditAppletKey));
    EXPECT_EQ(reg.ReadString(RegeditLastKeyValue), AlphaKey());
    EXPECT_TRUE(boxes.Boxes.empty());
}

TEST_F(MainFormCommands, BackupAsksFirstThenSavesEveryEntry) {
    TMainForm& form = Form(true);
    {
        TBoxRecorder no(IDNO);
        form.ActionCreateBackup->Execute();
        ASSERT_EQ(no.Boxes.size(), 1u);
        EXPECT_EQ(no.Boxes[0].Text, IDS_MESSAGEBOX_WARNING_BackupReg);
        EXPECT_EQ(no.Boxes[0].Caption, Application->GetTitle());
        EXPECT_EQ(no.Boxes[0].Flags, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
    }
    EXPECT_FALSE(DirectoryExists(BackupRegDir)) << "No backs nothing up";
    TBoxRecorder yes(IDYES);
    form.ActionCreateBackup->Execute();
    ASSERT_EQ(yes.Boxes.size(), 2u) << "the question, then the backup's own summary";
    EXPECT_TRUE(FileExists(BackupRegDir + "VelmoraMainForm_Alpha" + EntriesView().Tag + ".reg"));
    EXPECT_TRUE(FileExists(BackupRegDir + "VelmoraMainForm_KB1000002" + EntriesView().Tag + ".reg"));
}

TEST_F(MainFormCommands, ReportListsTheRowsAsShownWithTheCount) {
    TMainForm& form = Form(true);
    form.ActionHideScr->Execute();
    std::vector<std::string> lines;
    WhileShown<TPrintListForm>(form.ActionExporetList,
                               [&](TPrintListForm& report) { lines = report.MemoList->Lines()->ToVector(); });
    const TListItems* rows = form.lsvProgramList->Items();
    ASSERT_EQ(lines.size(), 15u + static_cast<size_t>(rows->Count()));
    EXPECT_EQ(lines[6], IDS_PRINTFORM_MEMO_Programs + form.lblProgramCounts->GetCaption());
    for (int i = 0; i < rows->Count(); ++i)
        EXPECT_EQ(lines[14 + static_cast<size_t>(i)], std::to_string(i + 1) + " - " + rows->Item(i)->Caption());
}

// One sub-key name in both registry views of 64-bit Windows: two rows, each command acting on
// its own row's key.
TEST_F(MainFormCommands, EachViewsRowShowsAndExportsItsOwnKey) {
    if (!Is64BitWindows()) GTEST_SKIP() << "one registry view on 32-bit Windows";
    hostile::TPlantedEntries wide(L"VelmoraMainViews_", KEY_WOW64_64KEY);
    hostile::TPlantedEntries narrow(L"VelmoraMainViews_", KEY_WOW64_32KEY);
    for (auto* entries : {&wide, &narrow}) {
        const std::wstring bits = entries == &wide ? L"64" : L"32";
        ASSERT_TRUE(entries->Add(L"Twin", [&](HKEY k) {
            hostile::SetText(k, L"DisplayName", L"Velmora Twin " + bits);
            hostile::SetText(k, L"UninstallString", L"C:\\twin.exe");
            hostile::SetText(k, L"Marker", bits);
        }));
    }
    TRegistrySeams seams;
    TMainForm& form = Form(true);
    const std::string key = "Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmoraMainViews_Twin";
    const std::pair<std::string, std::string> rows[] = {{"64", "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + key},
                                                        {"32", "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\" + key}};
    for (const auto& [bits, editorKey] : rows) {
        SCOPED_TRACE(bits);
        Select("Velmora Twin " + bits);
        std::string marker;
        WhileShown<TDetailsForm>(form.ActionShowDetails, [&marker](TDetailsForm& details) {
            TListItems* values = details.lsvRegistryInfo->Items();
            for (int i = 0; i < values->Count(); ++i)
                if (values->Item(i)->Caption() == "Marker") marker = values->Item(i)->SubItems()->Get(0);
        });
        EXPECT_EQ(marker, bits);
        seams.Answer = dir_ + "twin" + bits + ".reg";
        seams.Started.clear();
        form.ActionExportReg->Execute();
        ASSERT_EQ(seams.Started.size(), 1u);
        EXPECT_EQ(seams.Started[0], "/e \"" + seams.Answer + "\" \"" + editorKey + "\"");
    }
}
