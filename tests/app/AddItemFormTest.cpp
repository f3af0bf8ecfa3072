// The add-item window shown modally, filled and answered the way a user would: the entry it
// adds must work, and a missing target or a taken name must be reported with nothing lost.
#include "StartupTesting.h"
#include "app/frmAddItem.h"
#include "app/multiLangs.h"
#include "common/Screenshot.h"
#include "framework/ExtCtrls.h"
#include "framework/FormTesting.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Shows form modally and runs steps once it is on screen; a form the steps leave open is
// cancelled after a while, so a fault fails the test instead of hanging it.
int ShowModalWith(TAddItemForm* form, const std::function<void()>& steps) {
    TFreeGuard<TTimer> start(TTimer::Create(nullptr));
    TFreeGuard<TTimer> bail(TTimer::Create(nullptr));
    start->SetInterval(100);
    start->OnTimer = [&](TObject*) {
        start->SetEnabled(false);
        steps();
    };
    bail->SetInterval(15000);
    bail->OnTimer = [&](TObject*) {
        bail->SetEnabled(false);
        ADD_FAILURE() << "the window stayed open";
        form->Close();
    };
    return form->ShowModal();
}

void Click(TButton* button) { PostClick(button->Handle(), 8, 8); }

class AddItemFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        target_ = box_.PlantFile(temp, box_.Name("tool.exe"), "MZ");
        form_.reset(TAddItemForm::Create(nullptr));
    }
    void TearDown() override { ResetLanguageDefaults(); }

    TStartupSandbox box_;
    TFormGuard<TAddItemForm> form_;
    std::string target_;
};

}  // namespace

TEST_F(AddItemFormTest, TakesItsTextsFromTheLanguageAndStartsOnTheUsersRunKey) {
    ASSERT_EQ(form_->cmbSection->Items()->Count(), 4);
    EXPECT_EQ(form_->cmbSection->Items()->Get(0), "Startup Folder\\Current User");
    EXPECT_EQ(form_->cmbSection->GetItemIndex(), 2);
    IDS_ADDITEMFORM_Title = "Eintrag";
    IDS_ADDITEMFORM_LABEL_Target = "Ziel:";
    IDS_ADDITEMFORM_BUTTON_Cancel = "Abbrechen";
    form_->Show();
    PumpIdle();
    EXPECT_EQ(form_->GetCaption(), "Eintrag");
    EXPECT_EQ(form_->lblTarget->GetCaption(), "Ziel:");
    EXPECT_EQ(form_->btnCancel->GetCaption(), "Abbrechen");
    EXPECT_EQ(form_->btnOK->GetCaption(), "OK");
}

TEST_F(AddItemFormTest, OkAddsAShortcutThatLeadsBackToTheTarget) {
    int result = ShowModalWith(form_.get(), [&] {
        form_->txtTarget->SetText(target_);
        form_->cmbSection->SetItemIndex(0);
        PumpIdle();
        SaveWindowPng(form_->Handle(), "AddItemForm.png");
        Click(form_->btnOK);
    });
    EXPECT_EQ(result, mrOk);
    std::string link = TStartupSandbox::Folder(CSIDL_STARTUP) + box_.Name("tool.lnk");
    ASSERT_TRUE(FileExists(link));
    EXPECT_EQ(lstrcmpiA(ResolveShortcut(link).c_str(), target_.c_str()), 0) << ResolveShortcut(link);
    EXPECT_FALSE(TStartupSandbox::HasValue(kUser, "Run", box_.Name("tool")));
}

TEST_F(AddItemFormTest, OkAddsARunValueWithTheTargetsPath) {
    int result = ShowModalWith(form_.get(), [&] {
        form_->txtTarget->SetText(target_);
        Click(form_->btnOK);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run", box_.Name("tool")), target_);
    EXPECT_FALSE(FileExists(TStartupSandbox::Folder(CSIDL_STARTUP) + box_.Name("tool.lnk")));
}

TEST_F(AddItemFormTest, AMissingTargetIsReportedClearedAndTheWindowStays) {
    TBoxRecorder boxes;
    bool stillShown = false;
    std::string textAfter = "unset";
    int result = ShowModalWith(form_.get(), [&] {
        form_->txtTarget->SetText(target_ + ".missing");
        Click(form_->btnOK);
        PumpUntil([&] { return !boxes.Boxes.empty(); });
        PumpIdle();
        stillShown = IsWindowVisible(form_->Handle()) != FALSE;
        textAfter = form_->txtTarget->GetText();
        Click(form_->btnCancel);
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(textAfter, "");
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "The specified target file can't be found, please reset!");
    EXPECT_EQ(boxes.Boxes[0].Caption, Application->GetTitle());
    EXPECT_EQ(boxes.Boxes[0].Flags, UINT(MB_OK));
    EXPECT_FALSE(TStartupSandbox::HasValue(kUser, "Run", box_.Name("tool")));
}

TEST_F(AddItemFormTest, ATakenNameIsReportedAndReplacesNothing) {
    box_.SetString(kUser, "Run", box_.Name("tool"), "C:\\Other\\tool.exe");
    TBoxRecorder boxes;
    bool stillShown = false;
    int result = ShowModalWith(form_.get(), [&] {
        form_->txtTarget->SetText(target_);
        Click(form_->btnOK);
        PumpUntil([&] { return !boxes.Boxes.empty(); });
        PumpIdle();
        stillShown = IsWindowVisible(form_->Handle()) != FALSE;
        Click(form_->btnCancel);
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_TRUE(stillShown);
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "The startup entry could not be added:\r\n\r\nan entry of this name already exists in "
                                   "HKCU\\" + TStartupSandbox::KeyPath("Run"));
    EXPECT_EQ(boxes.Boxes[0].Flags, UINT(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run", box_.Name("tool")), "C:\\Other\\tool.exe");
}

TEST_F(AddItemFormTest, BrowseTakesTheChosenFileAndCancelAddsNothing) {
    std::string filter;
    TDialogAnswer answer([&](TCommonDialog& dialog) -> std::optional<bool> {
        auto& open = static_cast<TOpenDialog&>(dialog);
        filter = open.GetFilter();
        open.SetFileName(target_);
        return true;
    });
    std::string chosen;
    int result = ShowModalWith(form_.get(), [&] {
        Click(form_->btnBrowse);
        PumpUntil([&] { return !form_->txtTarget->GetText().empty(); });
        chosen = form_->txtTarget->GetText();
        Click(form_->btnCancel);
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(chosen, target_);
    EXPECT_EQ(filter, "All Files (*.*)|*.*");
    EXPECT_FALSE(TStartupSandbox::HasValue(kUser, "Run", box_.Name("tool")));
}
