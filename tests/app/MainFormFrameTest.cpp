// The frame of the main window driven as a user would: the tab buttons, a menu button, the
// side panel's hot spot and exit.
#include "MainFormTesting.h"
#include "StartupTesting.h"
#include "common/Screenshot.h"
#include "controls/framed/FcRadChk.h"
#include "controls/framed/FcSplit.h"
#include "controls/framed/FcTabs.h"
#include "controls/skinned/ArButton.h"
#include "controls/skinned/SkPopupMenu.h"
#include "framework/IniFiles.h"

using namespace mainform;

namespace {

using MainFormFrame = MainFormTest;

void Click(TControl* control, int x = 10, int y = 10) {
    auto* windowed = dynamic_cast<TWinControl*>(control);
    ASSERT_TRUE(windowed && windowed->HandleAllocated());
    PostClick(windowed->WindowHandle(), x, y);
    PumpIdle();
}

} // namespace

TEST_F(MainFormFrame, TabButtonsSwitchPagesStatusLineAndMenus) {
    // The page refills from the system: an enabled entry, then a disabled one listed last.
    TStartupSandbox startup;
    startup.SetString(kUser, "Run", startup.Name("On"), "C:\\on.exe");
    startup.SetString(kMachine32, "RunOnceEx\\Run_Disable", startup.Name("Off"), "C:\\off.exe");
    TMainForm& form = Form(true);
    Click(form.btnStartupItemList);
    EXPECT_EQ(form.PageControl->GetActivePageIndex(), 1);
    EXPECT_TRUE(form.btnProgramList->GetEnabled());
    EXPECT_FALSE(form.btnStartupItemList->GetEnabled());
    EXPECT_FALSE(form.lblPrograms->GetVisible() || form.lblProgramCounts->GetVisible());
    EXPECT_FALSE(form.mItemViewReport->GetVisible() || form.mItemExportRegInfo->GetVisible());
    EXPECT_FALSE(form.mItemComment->GetEnabled() || form.btnDelete->GetEnabled());
    EXPECT_FALSE(DisableAllNext) << "the last startup row is unchecked";
    EXPECT_EQ(form.btnSelectAll->GetCaption(), IDS_SIDEBAR_BUTTON_SelectAll);

    ProgramCountText.clear();
    Click(form.btnProgramList);
    EXPECT_EQ(form.lblProgramCounts->GetCaption(), "");
    // F5 refills the page shown.
    form.lsvProgramList->SetFocus();
    PostMessageA(form.lsvProgramList->WindowHandle(), WM_KEYDOWN, VK_F5, 1);
    PumpIdle();
    EXPECT_FALSE(ProgramCountText.empty());
    EXPECT_EQ(form.PageControl->GetActivePageIndex(), 0);
    EXPECT_TRUE(form.lblPrograms->GetVisible() && form.lblProgramCounts->GetVisible());
    EXPECT_EQ(form.lblProgramCounts->GetCaption(), ProgramCountText);
    EXPECT_TRUE(form.mItemViewReport->GetVisible());
    EXPECT_FALSE(form.btnProgramList->GetEnabled());
}

TEST_F(MainFormFrame, MenuButtonDropsItsMenuBelowItselfThenMovesTheFocusAway) {
    TMainForm& form = Form(true);
    TPopupMenu* shown = nullptr;
    RECT at{};
    TPopupMenu::TOpenMenuHook hook = TPopupMenu::SetOpenMenuHook([&](TPopupMenu& menu, HWND window) {
        shown = &menu;
        GetWindowRect(window, &at);
        EndMenu();
    });
    TScopeExit unhook([&] { TPopupMenu::SetOpenMenuHook(std::move(hook)); });
    Click(form.btnView);
    EXPECT_EQ(shown, form.pmView);
    TPoint corner = form.ClientToScreen(TPoint(form.btnView->Left(), form.btnView->Top() + form.btnView->Height()));
    EXPECT_EQ(at.left, corner.X);
    EXPECT_EQ(at.top, corner.Y);
    PumpIdle();
    EXPECT_EQ(GetFocus(), form.txtHide->WindowHandle());
    EXPECT_FALSE(form.btnView->IsPressed());
}

TEST_F(MainFormFrame, HotSpotCollapsesTheSidePanelAndTheListTakesTheRoom) {
    TMainForm& form = Form(true);
    const int narrow = form.lsvProgramList->Width();
    Click(form.SizePanelPL, 2, form.SizePanelPL->Height() / 2);
    EXPECT_FALSE(ProgramListNarrow);
    EXPECT_GT(form.lsvProgramList->Width(), narrow + 100);
    SaveWindowPng(form.WindowHandle(), "MainFormSidePanelCollapsed.png");
    Click(form.SizePanelPL, 2, form.SizePanelPL->Height() / 2);
    EXPECT_TRUE(ProgramListNarrow);
    EXPECT_EQ(form.lsvProgramList->Width(), narrow);
}

TEST_F(MainFormFrame, ExitSavesBothOptionsAndClosesEvenWhenTheFileCannotBeWritten) {
    TMainForm& form = Form(true);
    form.ActionHideSysPatch->Execute();
    form.ActionExit->Execute();
    PumpIdle();
    TIniFile ini(ConfigPath);
    EXPECT_TRUE(ini.ReadBool("config", "HideSysPatch", false));
    EXPECT_FALSE(ini.ReadBool("config", "HideScreenSaver", true));
    EXPECT_FALSE(form.GetVisible());

    form.Show();
    ASSERT_TRUE(ForceDirectories(dir_ + "Blocked.ini"));
    paths_.emplace_back(ConfigPath, dir_ + "Blocked.ini");
    TBoxRecorder boxes;
    form.ActionExit->Execute();
    PumpIdle();
    EXPECT_EQ(boxes.Boxes.size(), 1u) << "the failure is told";
    EXPECT_FALSE(form.GetVisible());
}
