// The page control and its pages: streamed from layouts as the program's two windows
// have them, switched by code, by tab and by Ctrl+Tab, and pages added, moved, closed
// and freed while events run.
#include "TabsTesting.h"
#include "common/Screenshot.h"
#include "framework/ComCtrls.h"

#include <gtest/gtest.h>

// A window whose page control switches its two tab-less pages only by code.
class TTabsMainLikeForm : public TForm {
    DECLARE_CLASS(TTabsMainLikeForm, TForm)
    explicit TTabsMainLikeForm(TComponent* AOwner) : TForm(AOwner) {}
    TFcPageControl* pcMain = nullptr;
    TFcTabSheet* tsProgramList = nullptr;
    TFcTabSheet* tsStartup = nullptr;
    int Changing = 0, Change = 0, PageChange = 0;
    void pcMainChanging(TObject*, int, bool&) { ++Changing; }
    void pcMainChange(TObject*) { ++Change; }
    void pcMainPageChange(TObject*) { ++PageChange; }
    static void Publish(TClassBuilder<TTabsMainLikeForm>& b) {
        b.Handler("pcMainChanging", &TTabsMainLikeForm::pcMainChanging);
        b.Handler("pcMainChange", &TTabsMainLikeForm::pcMainChange);
        b.Handler("pcMainPageChange", &TTabsMainLikeForm::pcMainPageChange);
        b.Component("pcMain", &TTabsMainLikeForm::pcMain);
        b.Component("tsProgramList", &TTabsMainLikeForm::tsProgramList);
        b.Component("tsStartup", &TTabsMainLikeForm::tsStartup);
    }
};
IMPLEMENT_CLASS(TTabsMainLikeForm);

// A window with two ordinary tabs in the round-corner style.
class TTabsDetailsLikeForm : public TForm {
    DECLARE_CLASS(TTabsDetailsLikeForm, TForm)
    explicit TTabsDetailsLikeForm(TComponent* AOwner) : TForm(AOwner) {}
    TFcPageControl* pcDetails = nullptr;
    TFcTabSheet* tsProgram = nullptr;
    TFcTabSheet* tsRegistry = nullptr;
    int Events = 0;
    void pcDetailsChanging(TObject*, int, bool&) { ++Events; }
    void pcDetailsChange(TObject*) { ++Events; }
    void pcDetailsPageChange(TObject*) { ++Events; }
    static void Publish(TClassBuilder<TTabsDetailsLikeForm>& b) {
        b.Handler("pcDetailsChanging", &TTabsDetailsLikeForm::pcDetailsChanging);
        b.Handler("pcDetailsChange", &TTabsDetailsLikeForm::pcDetailsChange);
        b.Handler("pcDetailsPageChange", &TTabsDetailsLikeForm::pcDetailsPageChange);
        b.Component("pcDetails", &TTabsDetailsLikeForm::pcDetails);
        b.Component("tsProgram", &TTabsDetailsLikeForm::tsProgram);
        b.Component("tsRegistry", &TTabsDetailsLikeForm::tsRegistry);
    }
};
IMPLEMENT_CLASS(TTabsDetailsLikeForm);

// ---------------------------------------------------------------------------------------
// The program's two windows

TEST(TabsPages, PagesWithoutTabsAreSwitchedByCode) {
    TFormGuard<TTabsMainLikeForm> f(TTabsMainLikeForm::Create(nullptr));
    ASSERT_EQ(f->pcMain->PageCount(), 2);
    EXPECT_EQ(f->pcMain->TabCount(), 0);
    EXPECT_EQ(f->pcMain->GetActivePage(), f->tsProgramList);
    EXPECT_TRUE(f->tsProgramList->GetVisible());
    EXPECT_FALSE(f->tsStartup->GetVisible());
    EXPECT_EQ(f->pcMain->GetTabIndex(), -1);
    EXPECT_EQ(f->pcMain->GetActivePageIndex(), 0);
    EXPECT_EQ(f->PageChange + f->Change + f->Changing, 0) << "loading is silent";
    f->Show();
    PumpIdle();
    EXPECT_EQ(f->tsProgramList->BoundsRect(), TRect(0, 0, 741, 369)) << "a page fills the control";

    f->pcMain->SetActivePageIndex(1);
    EXPECT_EQ(f->pcMain->GetActivePageIndex(), 1);
    EXPECT_TRUE(f->tsStartup->GetVisible());
    EXPECT_FALSE(f->tsProgramList->GetVisible());
    EXPECT_EQ(f->PageChange, 1);
    EXPECT_EQ(f->Changing, 0);
    EXPECT_EQ(f->Change, 0);
    PumpIdle();
    EXPECT_TRUE(SaveWindowPng(f->Handle(), "TabsHiddenTabsSecondPage.png"));

    f->pcMain->SetActivePageIndex(1);
    EXPECT_EQ(f->PageChange, 2) << "asking again reports again";
    EXPECT_EQ(f->pcMain->GetActivePage(), f->tsStartup);

    for (int outside : {-1, 2}) {
        f->pcMain->SetActivePageIndex(outside);
        EXPECT_EQ(f->pcMain->GetTabIndex(), -1);
        EXPECT_EQ(f->pcMain->GetActivePage(), f->tsStartup);
    }
    f->pcMain->SetActivePageIndex(0);
    EXPECT_TRUE(f->tsProgramList->GetVisible());
    EXPECT_FALSE(f->tsStartup->GetVisible());
}

TEST(TabsPages, TheDefaultPageIsActivatedSilentlyAfterLoading) {
    TFormGuard<TTabsDetailsLikeForm> f(TTabsDetailsLikeForm::Create(nullptr));
    TFcPageControl* pc = f->pcDetails;
    EXPECT_EQ(pc->GetActivePage(), f->tsProgram);
    EXPECT_EQ(pc->GetTabIndex(), 0);
    EXPECT_TRUE(f->tsProgram->GetVisible());
    EXPECT_FALSE(f->tsRegistry->GetVisible());
    EXPECT_EQ(f->Events, 0);
    EXPECT_EQ(pc->GetTabStyle(), tsRoundCorners);
    EXPECT_EQ(pc->GetFlatColor(), MakeColor(10263441));
    EXPECT_EQ(pc->GetTabColors()->GetHighlightBar(), MakeColor(1350640));
    f->Show();
    PumpIdle();
    EXPECT_EQ(pc->GetFixedDimension(), pc->TabRect(1).Height()) << "one row as deep as its tabs";
    EXPECT_EQ(pc->PageRect(), TRect(1, pc->TabAreaDepth() + 1, 422, 286));
    EXPECT_TRUE(SaveWindowPng(f->Handle(), "TabsDetailsLike.png"));
    EXPECT_EQ(f->Events, 0);

    TPoint p = pc->TabRect(1).TopLeft();
    PostClick(pc->Handle(), p.X + 10, p.Y + 8);
    PumpIdle();
    EXPECT_EQ(pc->GetActivePage(), f->tsRegistry);
    EXPECT_EQ(f->Events, 3) << "changing, change, page change";
    EXPECT_TRUE(SaveWindowPng(f->Handle(), "TabsDetailsLikeSecondTab.png"));
}

TEST(TabsPages, TabHintsFollowTheMouse) {
    TFormGuard<TTabsDetailsLikeForm> f(TTabsDetailsLikeForm::Create(nullptr));
    TFcPageControl* pc = f->pcDetails;
    f->Show();
    PumpIdle();
    const TRect tab = pc->TabRect(1);
    const TPoint over((tab.Left + tab.Right) / 2, (tab.Top + tab.Bottom) / 2);
    PostMouseMove(pc->Handle(), over.X, over.Y);
    PumpIdle();
    EXPECT_EQ(pc->HotTab(), 1);
    EXPECT_EQ(pc->GetHint(), "The uninstall key");
    EXPECT_TRUE(SaveWindowPng(f->Handle(), "TabsDetailsLikeHotTab.png"));
    const TRect area = pc->TabAreaRect();
    PostMouseMove(pc->Handle(), area.Right - 5, area.Top + 5);
    PumpIdle();
    EXPECT_EQ(pc->HotTab(), -1);
    EXPECT_EQ(pc->GetHint(), "") << "the empty strip has no hint";
    PostMouseMove(pc->Handle(), over.X, over.Y);
    PumpIdle();
    ASSERT_EQ(pc->HotTab(), 1);
    // Off to the page, whose window takes the moves: the hover check notices.
    TPoint page = f->tsProgram->ClientToScreen(TPoint(50, 50));
    SetCursorPos(page.X, page.Y);
    EXPECT_TRUE(PumpUntil([&] { return pc->HotTab() == -1; }, 1000));
    EXPECT_EQ(pc->GetHint(), "Details of the entry") << "the control's own hint again";
}

TEST(TabsPages, AStreamedRowDepthIsRead) {
    TFreeGuard<TFcPageControl> pc(TFcPageControl::Create(nullptr));
    TFiler filer;
    pc->DefineProperties(filer);
    const TFiler::TReadProc* read = filer.Find("FixedDimension");
    ASSERT_NE(read, nullptr);
    (*read)(TValue::MakeInt(19));
    EXPECT_EQ(pc->GetFixedDimension(), 19);
}

// ---------------------------------------------------------------------------------------
// Pages and tabs

TEST(TabsPages, APageWithoutATabIsSkippedByTheTabs) {
    TPageForm f(300, 200, {"One", "Two", "Three"});
    f.Sheets[1]->SetTabVisible(false);
    EXPECT_EQ(f.Pages->TabCount(), 2);
    EXPECT_EQ(f.Sheets[2]->VisibleTabIndex(), 1);
    EXPECT_EQ(f.Sheets[1]->VisibleTabIndex(), -1);
    f.Pages->SetActivePage(f.Sheets[0]);
    f.Show();
    f.Click(1);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[2]);
    EXPECT_EQ(f.Pages->GetTabIndex(), 1);
}

TEST(TabsPages, AVetoKeepsThePageAndShowsNothingOfTheOther) {
    TPageForm f(300, 200, {"One", "Two"});
    f.Pages->SetActivePage(f.Sheets[0]);
    int shown = 0;
    f.Sheets[1]->OnShow = [&](TObject*) { ++shown; };
    f.Pages->OnChanging = [](TObject*, int, bool& allow) { allow = false; };
    f.Show();
    f.Click(1);
    f.Pages->SetActivePage(f.Sheets[1]);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[0]);
    EXPECT_EQ(f.Pages->GetTabIndex(), 0);
    EXPECT_FALSE(f.Sheets[1]->GetVisible()) << "a refused page stays hidden";
    EXPECT_EQ(shown, 0);
}

TEST(TabsPages, ADisabledTabCannotBeSelectedAnyWay) {
    TPageForm f(300, 200, {"One", "Two", "Three"});
    f.Pages->SetActivePage(f.Sheets[0]);
    f.Sheets[1]->SetTabEnabled(false);
    f.Show();
    f.Pages->SetTabIndex(1);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[0]);
    f.Pages->SetActivePage(f.Sheets[1]);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[0]);
    f.Click(1);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[0]);
    // Ctrl+Tab goes to the next page with a tab, which refuses; the walk does not skip it.
    f.Pages->SetFocus();
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE saved = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    f.Pages->Perform(CM_DIALOGKEY, VK_TAB, 0);
    keys[VK_CONTROL] = saved;
    SetKeyboardState(keys);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[0]);
}

TEST(TabsPages, CtrlTabSelectsTheNextPageWithATab) {
    TPageForm f(300, 200, {"One", "Two", "Three"});
    f.Pages->SetActivePage(f.Sheets[0]);
    f.Sheets[1]->SetTabVisible(false);
    f.Show();
    f.Pages->SetFocus();
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE saved = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    LRESULT taken = f.Pages->Perform(CM_DIALOGKEY, VK_TAB, 0);
    keys[VK_CONTROL] = saved;
    SetKeyboardState(keys);
    EXPECT_EQ(taken, 1);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[2]);
    EXPECT_EQ(f.Pages->FindNextPage(f.Sheets[2], true, true), f.Sheets[0]) << "wraps";
    EXPECT_EQ(f.Pages->FindNextPage(nullptr, false, false), f.Sheets[2]);
}

TEST(TabsPages, PageIndexMovesAPageAndRefusesPlacesOutside) {
    TPageForm f(300, 200, {"One", "Two", "Three"});
    std::vector<std::pair<int, int>> moves;
    f.Pages->OnTabOrderChange = [&](TObject*, int from, int to) { moves.emplace_back(from, to); };
    f.Sheets[0]->SetPageIndex(2);
    EXPECT_EQ(f.Pages->Pages(2), f.Sheets[0]);
    EXPECT_EQ(f.Pages->Tabs()->Items(2)->Caption, "One");
    EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{0, 2}}));
    try {
        f.Sheets[0]->SetPageIndex(3);
        ADD_FAILURE() << "no error";
    } catch (const EFcTabControlError& e) {
        EXPECT_STREQ(e.what(), "3 is an invalid PageIndex value. PageIndex must be between 0 and 2");
    }
    EXPECT_THROW(f.Sheets[0]->SetPageIndex(-1), EFcTabControlError);
    EXPECT_EQ(f.Sheets[0]->GetPageIndex(), 2);
    EXPECT_THROW(f.Pages->Pages(3), EListError);
    EXPECT_THROW(f.Pages->Pages(-1), EListError);
}

TEST(TabsPages, APageIsShownOnlyByItsControl) {
    TPageForm f(300, 200, {"One"});
    try {
        f.Sheets[0]->SetVisible(true);
        ADD_FAILURE() << "no error";
    } catch (const EFcTabControlError& e) {
        EXPECT_STREQ(e.what(), "You cannot change the Visible property of a page");
    }
    EXPECT_FALSE(f.Sheets[0]->GetVisible());
}

TEST(TabsPages, APageColouredApartTurnsColouredTabsOn) {
    TPageForm f(300, 200, {"One", "Two"});
    EXPECT_EQ(f.Sheets[0]->GetColor(), f.Pages->GetColor()) << "pages take their control's colour";
    f.Sheets[1]->SetColor(clYellow);
    EXPECT_TRUE(f.Pages->GetUseColoredTabs());
    EXPECT_EQ(f.Pages->Tabs()->Items(1)->Color, clYellow);
    f.Pages->SetUseColoredTabs(false);
    EXPECT_EQ(f.Sheets[1]->GetColor(), f.Pages->GetColor());
    EXPECT_FALSE(f.Pages->GetUseColoredTabs());
}

TEST(TabsPages, FreeingTheActivePageLeavesNone) {
    TPageForm f(300, 200, {"One", "Two"});
    f.Pages->SetActivePage(f.Sheets[1]);
    f.Show();
    f.Sheets[1]->Free();
    EXPECT_EQ(f.Pages->GetActivePage(), nullptr);
    EXPECT_EQ(f.Pages->PageCount(), 1);
    EXPECT_EQ(f.Pages->TabCount(), 1);
    EXPECT_EQ(f.Pages->GetTabIndex(), -1);
    PumpIdle();
}

TEST(TabsPages, ClosingTheActiveTabSelectsTheOneBefore) {
    TPageForm f(300, 200, {"One", "Two", "Three"});
    f.Pages->SetActivePage(f.Sheets[2]);
    f.Pages->OnClose = [](TObject*, bool& allow) { allow = true; };
    f.Show();
    f.Pages->CloseRequest();
    EXPECT_EQ(f.Pages->PageCount(), 2);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[1]);
    EXPECT_EQ(f.Pages->GetTabIndex(), 1);
    EXPECT_TRUE(f.Sheets[1]->GetVisible());
}

TEST(TabsPages, APageFreedByItsOwnCloseEventLeavesTheControlConsistent) {
    TPageForm f(300, 200, {"One", "Two", "Three"});
    f.Pages->SetActivePage(f.Sheets[1]);
    f.Pages->OnClose = [&](TObject*, bool& allow) {
        f.Pages->GetActivePage()->Free();
        allow = true;
    };
    f.Show();
    f.Pages->CloseRequest();
    EXPECT_EQ(f.Pages->PageCount(), 2);
    EXPECT_EQ(f.Pages->GetTabIndex(), 0);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[0]);
    PumpIdle();   // paints with the new tabs
    EXPECT_EQ(f.Pages->HitTest(f.TabCentre(1)), 1);
}

TEST(TabsPages, APageFreedWhileItIsBeingSelectedLeavesTheControlConsistent) {
    TPageForm f(300, 200, {"One", "Two", "Three"});
    f.Pages->SetActivePage(f.Sheets[0]);
    f.Show();
    TFcTabSheet* doomed = f.Sheets[2];
    f.Pages->OnChange = [&](TObject*) {
        if (f.Pages->GetActivePage() == doomed) doomed->Free();
    };
    f.Click(2);
    EXPECT_EQ(f.Pages->PageCount(), 2);
    EXPECT_EQ(f.Pages->GetActivePage(), nullptr);
    EXPECT_EQ(f.Pages->GetTabIndex(), -1);
    PumpIdle();
    f.Click(1);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[1]);
}

TEST(TabsPages, TheControlGoesBeforeItsPagesWithoutCallingBack) {
    TPageForm f(300, 200, {"One", "Two"});
    f.Pages->SetActivePage(f.Sheets[0]);
    f.Show();
    TComponentWatch page(f.Sheets[1]);
    int changes = 0;
    f.Pages->OnPageChange = [&](TObject*) { ++changes; };
    f.Pages->Free();
    EXPECT_TRUE(page.Freed()) << "its child windows go with it";
    EXPECT_EQ(changes, 0);
    PumpIdle();
}

TEST(TabsPages, MovingTheActiveTabCountsTabsNotPages) {
    TPageForm f(300, 200, {"One", "Hidden", "Three"});
    f.Sheets[1]->SetTabVisible(false);
    f.Pages->SetActivePage(f.Sheets[0]);
    // Onto the place of the second tab, which is the third page.
    f.Pages->MoveActiveTab(1);
    EXPECT_EQ(f.Pages->Pages(2), f.Sheets[0]);
    EXPECT_EQ(f.Pages->Tabs()->Items(1)->Caption, "One");
}
