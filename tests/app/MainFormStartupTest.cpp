// The startup items page of the main window against entries planted in the test prefix:
// what the page lists, the details of a selected row, and Apply through the page's check
// boxes.
#include "MainFormTesting.h"
#include "StartupTesting.h"
#include "controls/framed/FcPanel.h"
#include "controls/skinned/ArButton.h"

using namespace mainform;

namespace {

class MainFormStartup : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        if (IsSkipped()) return;
        // (Built by append: GCC 12 warns falsely of an overlap in "x" + std::string + "y".)
        command_ = std::string("\"").append(Application->ExeName()).append("\" /minimized");
        box_.SetString(HKEY_CURRENT_USER, "Run", box_.Name("On"), command_);
        box_.SetString(HKEY_CURRENT_USER, "Run\\Run_Disable", box_.Name("Off"), "C:\\Tools\\off.exe");
        box_.PlantFile(TStartupSandbox::Folder(CSIDL_STARTUP), box_.Name("Notes.txt"), "notes");
    }

    // The page's row of a planted entry.
    TListItem* StartupRow(const std::string& base) {
        TListItems* rows = Form().lsvStartupList->Items();
        for (int i = 0; i < rows->Count(); ++i)
            if (rows->Item(i)->Caption() == box_.Name(base)) return rows->Item(i);
        return nullptr;
    }

    TStartupSandbox box_;
    std::string command_;
};

} // namespace

TEST_F(MainFormStartup, PageListsEachKindAndShowsTheSelectedRowsProgram) {
    TMainForm& form = Form(true);
    form.ActionTabStartupItems->Execute();
    PumpFor(50);
    TListItem* on = StartupRow("On");
    TListItem* off = StartupRow("Off");
    TListItem* file = StartupRow("Notes.txt");
    ASSERT_TRUE(on && off && file);
    EXPECT_TRUE(on->Checked() && file->Checked());
    EXPECT_FALSE(off->Checked());
    EXPECT_EQ(on->SubItems()->Get(0), command_);

    on->SetSelected(true);
    PumpFor(50);
    EXPECT_TRUE(form.grbItemInfo->GetVisible() && form.btnDelete->GetEnabled());
    EXPECT_EQ(form.lblPublisherValue->GetCaption(), "Velmora Test Publisher");
    EXPECT_EQ(form.lblVersionValue->GetCaption(), "4.3.2.1");
    off->SetSelected(true);
    PumpFor(50);
    EXPECT_FALSE(form.grbItemInfo->GetVisible()) << "no program there to describe";
}

TEST_F(MainFormStartup, ApplyDisablesThenEnablesAnEntryThroughItsCheckBox) {
    TMainForm& form = Form(true);
    form.ActionTabStartupItems->Execute();
    ASSERT_TRUE(StartupRow("On"));
    StartupRow("On")->SetChecked(false);
    form.ActionApply->Execute();
    EXPECT_FALSE(TStartupSandbox::HasValue(HKEY_CURRENT_USER, "Run", box_.Name("On")));
    EXPECT_EQ(TStartupSandbox::GetString(HKEY_CURRENT_USER, "Run\\Run_Disable", box_.Name("On")), command_);

    form.ActionRefresh->Execute();   // F5: the page's rows read again
    ASSERT_TRUE(StartupRow("On"));
    EXPECT_FALSE(StartupRow("On")->Checked());
    StartupRow("On")->SetChecked(true);
    form.ActionApply->Execute();
    EXPECT_EQ(TStartupSandbox::GetString(HKEY_CURRENT_USER, "Run", box_.Name("On")), command_);
    EXPECT_FALSE(TStartupSandbox::HasValue(HKEY_CURRENT_USER, "Run\\Run_Disable", box_.Name("On")));
}
