// The startup list on a real list view: rows made from planted entries, check boxes written
// back by Apply, Delete with its question, and the details of a row.
#include "StartupTesting.h"
#include "app/StartupList.h"
#include "app/multiLangs.h"
#include "common/Screenshot.h"
#include "framework/ComCtrls.h"
#include "framework/FormTesting.h"

#include <gtest/gtest.h>

namespace {

class StartupListTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_.reset(TForm::Create(nullptr, false));
        form_->SetBounds(40, 40, 760, 240);
        form_->SetCaption("Startup items");
        list_ = new TListView(form_.get());
        list_->SetParent(form_.get());
        list_->SetAlign(alClient);
        list_->SetViewStyle(vsReport);
        list_->SetCheckboxes(true);
        list_->SetMultiSelect(true);
        list_->SetRowSelect(true);
        list_->SetHideSelection(false);
        form_->Show();
        startup_ = std::make_unique<TStartupList>(list_);
        startup_->SetupColumns();

        command_ = "\"" + Application->ExeName() + "\" /minimized";
        box_.SetString(kUser, "Run", box_.Name("Enabled"), command_);
        box_.SetString(kUser, "Run\\Run_Disable", box_.Name("Disabled"), "C:\\Tools\\disabled.exe");
        // The machine's entry in the 32-bit view: the one that is named with WOW6432Node.
        box_.SetString(kMachine32, "Run", box_.Name("Machine"), "%SystemRoot%\\machine.exe", REG_EXPAND_SZ);
        folder_ = TStartupSandbox::Folder(CSIDL_STARTUP);
        file_ = box_.PlantFile(folder_, box_.Name("Folder.lnk"), "link bytes");
        startup_->Fill(box_.Ours(ListStartupItems()));
        PumpIdle();
        for (auto [base, enabled] : {std::pair{"Enabled", true}, {"Disabled", false}, {"Machine", true},
                                     {"Folder.lnk", true}})
            ASSERT_TRUE(Row(base, enabled)) << base << " is not listed";
    }
    void TearDown() override { ResetLanguageDefaults(); }

    TListItem* Row(const std::string& base, bool enabled = true) const {
        for (int i = 0; i < list_->Items()->Count(); ++i) {
            TListItem* row = list_->Items()->Item(i);
            const TStartupItem* item = startup_->ItemOf(row);
            if (row->Caption() == box_.Name(base) && item && item->Enabled == enabled) return row;
        }
        return nullptr;
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (int i = 0; i < list_->Items()->Count(); ++i)
            captions.push_back(list_->Items()->Item(i)->Caption().substr(box_.Name("").size()));
        return captions;
    }

    TStartupSandbox box_;
    TFormGuard<TForm> form_;
    TListView* list_ = nullptr;
    std::unique_ptr<TStartupList> startup_;
    std::string command_, folder_, file_;
};

}  // namespace

TEST_F(StartupListTest, RowsShowEachEntryWithItsCheckAndItsItem) {
    ASSERT_EQ(list_->Columns()->Count(), 3);
    EXPECT_EQ(list_->Column(2)->GetCaption(), "Location");
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Enabled", "Disabled", "Machine", "Folder.lnk"}));
    TListItem* enabled = Row("Enabled");
    ASSERT_TRUE(enabled);
    EXPECT_TRUE(enabled->Checked());
    EXPECT_EQ(enabled->SubItems()->Get(0), command_);
    EXPECT_EQ(enabled->SubItems()->Get(1), "HKCU\\" + TStartupSandbox::KeyPath("Run"));
    EXPECT_EQ(startup_->ItemOf(enabled)->Kind, skRegistryValue);
    TListItem* disabled = Row("Disabled", false);
    ASSERT_TRUE(disabled);
    EXPECT_FALSE(disabled->Checked());
    EXPECT_EQ(disabled->SubItems()->Get(1), "HKCU\\" + TStartupSandbox::KeyPath("Run"));
    TListItem* machine = Row("Machine");
    ASSERT_TRUE(machine);
    EXPECT_EQ(machine->SubItems()->Get(0), "%SystemRoot%\\machine.exe");
    EXPECT_EQ(machine->SubItems()->Get(1), TStartupSandbox::Location(kMachine32, "Run"));
    TListItem* file = Row("Folder.lnk");
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->Checked());
    EXPECT_EQ(file->SubItems()->Get(0), file_);
    EXPECT_EQ(file->SubItems()->Get(1), folder_);
    EXPECT_EQ(startup_->ItemOf(file)->Kind, skFolderEntry);

    TBitmap shot;
    ASSERT_TRUE(CaptureWindow(form_->Handle(), shot));
    SaveBitmapPng(shot, "StartupList.png");

    // A row someone else made has no item, whatever its data says.
    TListItem* stranger = list_->Items()->Add();
    stranger->SetData(12345);
    EXPECT_EQ(startup_->ItemOf(stranger), nullptr);
    EXPECT_EQ(startup_->ItemOf(nullptr), nullptr);

    // A language switch re-sets the captions and makes no new columns.
    IDS_LISTVIEW_COLUMNS_Command = "Befehl";
    startup_->SetupColumns();
    EXPECT_EQ(list_->Columns()->Count(), 3);
    EXPECT_EQ(list_->Column(1)->GetCaption(), "Befehl");

}

TEST_F(StartupListTest, ApplyWritesChangedChecksAndTheRemovedFileGoesWithItsRow) {
    TBoxRecorder boxes;
    Row("Enabled")->SetChecked(false);
    Row("Disabled", false)->SetChecked(true);
    Row("Folder.lnk")->SetChecked(false);
    EXPECT_TRUE(startup_->Apply().empty());
    EXPECT_TRUE(boxes.Boxes.empty());

    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run\\Run_Disable", box_.Name("Enabled")), command_);
    EXPECT_FALSE(TStartupSandbox::HasValue(kUser, "Run", box_.Name("Enabled")));
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run", box_.Name("Disabled")), "C:\\Tools\\disabled.exe");
    DWORD type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(TStartupSandbox::GetValue(kMachine32, "Run", box_.Name("Machine"), type, data));
    EXPECT_EQ(type, DWORD(REG_EXPAND_SZ)) << "an untouched row is not rewritten";
    EXPECT_FALSE(FileExists(file_));
    EXPECT_EQ(box_.BackupFiles(), (std::vector<std::string>{box_.Name("Folder.lnk")}));

    EXPECT_EQ(Captions(), (std::vector<std::string>{"Enabled", "Disabled", "Machine"}));
    EXPECT_TRUE(Row("Enabled", false)) << "its row follows its entry";
    EXPECT_TRUE(Row("Disabled", true));

    // Nothing differs now: a second Apply changes nothing.
    EXPECT_TRUE(startup_->Apply().empty());
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run\\Run_Disable", box_.Name("Enabled")), command_);
    EXPECT_TRUE(boxes.Boxes.empty());
}

TEST_F(StartupListTest, ARefusedRowGetsItsCheckBackAndIsReported) {
    box_.SetString(kUser, "Run\\Run_Disable", box_.Name("Enabled"), "older.exe");
    startup_->Fill(box_.Ours(ListStartupItems()));
    ASSERT_TRUE(Row("Enabled") && Row("Enabled", false) && Row("Machine"));
    TBoxRecorder boxes;
    Row("Enabled")->SetChecked(false);
    Row("Machine")->SetChecked(false);
    auto failures = startup_->Apply();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].Name, box_.Name("Enabled"));
    ASSERT_TRUE(Row("Enabled"));
    EXPECT_TRUE(Row("Enabled")->Checked()) << "the box shows where the entry still is";
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run", box_.Name("Enabled")), command_);
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run\\Run_Disable", box_.Name("Enabled")), "older.exe");
    // The rest of the pass went on.
    EXPECT_TRUE(TStartupSandbox::HasValue(kMachine32, "Run\\Run_Disable", box_.Name("Machine")));

    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "These startup entries could not be changed and were left as they were:\r\n\r\n" +
                                       box_.Name("Enabled") + ": an entry of this name already exists in HKCU\\" +
                                       TStartupSandbox::KeyPath("Run\\Run_Disable"));
    EXPECT_EQ(boxes.Boxes[0].Caption, Application->GetTitle());
    EXPECT_EQ(boxes.Boxes[0].Flags, UINT(MB_OK | MB_ICONWARNING));
}

TEST_F(StartupListTest, DeleteAsksFirstAndRemovesOnlyRowsWhoseEntryWent) {
    for (const char* name : {"Enabled", "Machine", "Folder.lnk"}) Row(name)->SetSelected(true);
    {
        TBoxRecorder no(IDNO);
        EXPECT_TRUE(startup_->DeleteSelected().empty());
        ASSERT_EQ(no.Boxes.size(), 1u);
        EXPECT_EQ(no.Boxes[0].Text, "Do you really want to delete the startup entry selected?");
        EXPECT_EQ(no.Boxes[0].Caption, Application->GetTitle());
        EXPECT_EQ(no.Boxes[0].Flags, 0x34u);
    }
    EXPECT_EQ(list_->Items()->Count(), 4);
    EXPECT_TRUE(TStartupSandbox::HasValue(kUser, "Run", box_.Name("Enabled")));

    // Gone since it was listed: its row stays and the user is told.
    ASSERT_NO_FATAL_FAILURE(TStartupSandbox::DeleteValue(kMachine32, "Run", box_.Name("Machine")));
    TBoxRecorder yes(IDYES);
    auto failures = startup_->DeleteSelected();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].Result.Error, seEntryMissing);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Disabled", "Machine"}));
    EXPECT_FALSE(TStartupSandbox::HasValue(kUser, "Run", box_.Name("Enabled")));
    EXPECT_TRUE(TStartupSandbox::HasValue(kUser, "Run\\Run_Disable", box_.Name("Disabled")));
    EXPECT_FALSE(FileExists(file_));
    EXPECT_EQ(box_.BackupFiles(), (std::vector<std::string>{box_.Name("Folder.lnk")}));
    ASSERT_EQ(yes.Boxes.size(), 2u);
    EXPECT_EQ(yes.Boxes[1].Text, "These startup entries could not be deleted:\r\n\r\n" + box_.Name("Machine") +
                                     ": it is no longer in HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\"
                                     "CurrentVersion\\Run");
}

TEST_F(StartupListTest, CheckingAllChangesOnlyTheBoxes) {
    startup_->SetAllChecked(false);
    for (int i = 0; i < list_->Items()->Count(); ++i) EXPECT_FALSE(list_->Items()->Item(i)->Checked());
    EXPECT_EQ(startup_->LastRowChecked(), std::optional<bool>(false));
    EXPECT_TRUE(TStartupSandbox::HasValue(kUser, "Run", box_.Name("Enabled")));
    EXPECT_TRUE(FileExists(file_));
    startup_->SetAllChecked(true);
    ASSERT_TRUE(Row("Disabled", false));
    EXPECT_TRUE(Row("Disabled", false)->Checked());
    EXPECT_EQ(startup_->LastRowChecked(), std::optional<bool>(true));

    startup_->Fill({});
    EXPECT_EQ(startup_->LastRowChecked(), std::nullopt);
    startup_->SetAllChecked(false);
    TBoxRecorder boxes;
    EXPECT_TRUE(startup_->Apply().empty());
    EXPECT_TRUE(boxes.Boxes.empty());
}

TEST_F(StartupListTest, DetailsComeFromTheProgramOfTheRowsCommand) {
    TStartupDetails details;
    ASSERT_TRUE(startup_->Details(Row("Enabled"), details));
    EXPECT_EQ(details.Publisher, "Velmora Test Publisher");
    EXPECT_EQ(details.Version, "4.3.2.1");
    EXPECT_EQ(details.Description, "Velmora application tests");
    EXPECT_EQ(details.Command, command_);
    // A shortcut is not followed, and a row without a program shows no details.
    EXPECT_FALSE(startup_->Details(Row("Folder.lnk"), details));
    EXPECT_FALSE(startup_->Details(nullptr, details));
}
