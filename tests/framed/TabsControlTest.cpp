// The page control on real windows: painting in every orientation, selection by mouse and
// keys with a veto, dragging a tab, the scroller, the close button, and pages switched by
// code.
#include "TabsTesting.h"
#include "common/Screenshot.h"
#include "framework/PopupChoice.h"

#include <gtest/gtest.h>

namespace {
const char* OrientationName(TFcTabOrientation o) {
    switch (o) {
    case toTop: return "Top";
    case toLeft: return "Left";
    case toBottom: return "Bottom";
    case toRight: return "Right";
    }
    return "?";
}
} // namespace

TEST(TabsControl, FiveTabsAreDrawnInEveryOrientation) {
    for (TFcTabStyle style : {tsSingleSlant, tsRoundCorners}) {
        for (TFcTabOrientation o : {toTop, toLeft, toBottom, toRight}) {
            SCOPED_TRACE(OrientationName(o));
            TPageForm f(380, 320, {"General", "&Files", "Registry", "Startup", "About"});
            f.Pages->SetTabStyle(style);
            f.Pages->SetTabOrientation(o);
            // Captions run along the tabs.
            if (o == toLeft || o == toRight) f.Pages->SetTextOrientation(orVertical);
            f.Pages->SetActivePage(f.Sheets[1]);
            f.Show();
            std::string name = std::string("TabsFive") + (style == tsRoundCorners ? "Round" : "Slant") + OrientationName(o);
            EXPECT_TRUE(SaveWindowPng(f.Form->Handle(), name + ".png"));
            EXPECT_EQ(f.Pages->GetTabIndex(), 1);
            EXPECT_TRUE(f.Sheets[1]->GetVisible());
            EXPECT_FALSE(f.Sheets[0]->GetVisible());
            EXPECT_FALSE(f.Pages->ScrollerNeeded());
        }
    }
}

// ---------------------------------------------------------------------------------------
// Selection by mouse and keys

namespace {
// Posts a key the way the keyboard would, through the message loop's dialog handling.
void PostKey(HWND wnd, WORD key) {
    PostMessageA(wnd, WM_KEYDOWN, key, 1);
    PostMessageA(wnd, WM_KEYUP, key, 0xC0000001);
    PumpIdle();
}

bool SameBitmaps(TBitmap& a, TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if ((a.ScanLine(y)[x] & 0xFFFFFF) != (b.ScanLine(y)[x] & 0xFFFFFF)) return false;
    return true;
}
} // namespace

TEST(TabsControl, ClicksAndArrowKeysSelectTabsAndAVetoHolds) {
    TPageForm f(360, 200, {"One", "Two", "Three", "Four"});
    f.Pages->SetActivePage(f.Sheets[0]);
    int clicks = 0;
    f.Pages->OnTabClick = [&](TObject*) { ++clicks; };
    f.Show();
    f.Click(2);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[2]);
    EXPECT_EQ(clicks, 1);
    PostKey(f.Wnd(), VK_RIGHT);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[3]);
    PostKey(f.Wnd(), VK_RIGHT);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[0]) << "wrapped";
    EXPECT_EQ(clicks, 3);

    f.Pages->OnChanging = [](TObject*, int index, bool& allow) { allow = index != 1; };
    f.Click(1);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[0]);
    EXPECT_EQ(clicks, 3) << "a refused tab is not clicked";
    PostKey(f.Wnd(), VK_RIGHT);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[2]) << "the walk passes the refusing tab";
    EXPECT_FALSE(f.Sheets[1]->GetVisible());
}

TEST(TabsControl, APressOnTheSelectedTabFocusesAndClicksWithoutAChange) {
    TPageForm f(360, 200, {"One", "Two"});
    f.Pages->SetActivePage(f.Sheets[0]);
    int clicks = 0, changes = 0;
    f.Pages->OnTabClick = [&](TObject*) { ++clicks; };
    f.Pages->OnChange = [&](TObject*) { ++changes; };
    f.Show();
    ASSERT_TRUE(f.Activate());
    f.Click(0);
    EXPECT_TRUE(f.Pages->Focused());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(changes, 0);
}

TEST(TabsControl, AnAcceleratorSelectsItsTab) {
    TPageForm f(360, 200, {"One", "&Two", "T&hree"});
    f.Pages->SetActivePage(f.Sheets[0]);
    f.Show();
    ASSERT_TRUE(f.Activate()) << "the accelerator focuses the control first";
    EXPECT_EQ(f.Pages->Perform(CM_DIALOGCHAR, 'h', 0), 1);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[2]);
    f.Sheets[1]->SetTabEnabled(false);
    EXPECT_EQ(f.Pages->Perform(CM_DIALOGCHAR, 't', 0), 0) << "a disabled tab's accelerator is not taken";
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[2]);
}

// ---------------------------------------------------------------------------------------
// Dragging a tab

TEST(TabsControl, ATabIsDraggedToANewPlace) {
    TPageForm f(360, 200, {"One", "Two", "Three", "Four"});
    f.Pages->SetActivePage(f.Sheets[0]);
    f.Pages->AllowTabDragging = true;
    std::vector<std::pair<int, int>> moves;
    f.Pages->OnTabOrderChange = [&](TObject*, int from, int to) { moves.emplace_back(from, to); };
    f.Show();
    f.OnTop();
    const TPoint from = f.TabCentre(0), to = f.TabCentre(2);
    PostMessageA(f.Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.X, from.Y));
    PostMessageA(f.Wnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from.X + 1, from.Y));
    PostMessageA(f.Wnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.X, to.Y));
    PostMessageA(f.Wnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.X + 1, to.Y));
    PumpIdle();
    EXPECT_TRUE(f.Pages->Dragging());
    EXPECT_TRUE(SaveWindowPng(f.Form->Handle(), "TabsDragMarker.png"));
    PostMessageA(f.Wnd(), WM_LBUTTONUP, 0, MAKELPARAM(to.X + 1, to.Y));
    PumpIdle();
    EXPECT_FALSE(f.Pages->Dragging());
    EXPECT_EQ(f.Pages->Pages(2), f.Sheets[0]);
    EXPECT_EQ(f.Pages->Tabs()->Items(2)->Caption, "One");
    EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{0, 2}}));
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[0]);
    EXPECT_EQ(f.Pages->GetTabIndex(), 2);

    // The marker was taken off again: a full repaint changes no pixel. First the hot look the
    // posted moves gave has to go, which the hover timer does once it finds the real pointer
    // elsewhere.
    SetCursorPos(0, 0);
    ASSERT_TRUE(PumpUntil([&] { return f.Pages->HotTab() < 0; }));
    PumpIdle();
    TBitmap before, after;
    ASSERT_TRUE(CaptureWindow(f.Form->Handle(), before));
    RedrawWindow(f.Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpIdle();
    ASSERT_TRUE(CaptureWindow(f.Form->Handle(), after));
    EXPECT_TRUE(SameBitmaps(before, after));
}

TEST(TabsControl, ADragOverTheSelectedTabIsRefused) {
    TPageForm f(360, 200, {"One", "Two", "Three"});
    f.Pages->SetActivePage(f.Sheets[1]);
    f.Pages->AllowTabDragging = true;
    f.Show();
    f.OnTop();
    const TPoint from = f.TabCentre(1);
    PostMessageA(f.Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.X, from.Y));
    PostMessageA(f.Wnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from.X - 1, from.Y));
    PostMessageA(f.Wnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(from.X + 8, from.Y));
    PostMessageA(f.Wnd(), WM_LBUTTONUP, 0, MAKELPARAM(from.X + 8, from.Y));
    PumpIdle();
    EXPECT_EQ(f.Pages->Pages(1), f.Sheets[1]);
    EXPECT_FALSE(f.Pages->Dragging());
}

// ---------------------------------------------------------------------------------------
// Scroller, close and menu buttons

TEST(TabsControl, TheScrollerAppearsWhenTabsOverflowAndScrolls) {
    std::vector<std::string> captions;
    for (int i = 1; i <= 12; ++i) captions.push_back("Tab " + std::to_string(i));
    TPageForm f(260, 150, captions);
    f.Pages->SetActivePage(f.Sheets[0]);
    int scrolled = 0;
    f.Pages->OnScrolledTabs = [&](TObject*) { ++scrolled; };
    f.Show();
    ASSERT_TRUE(f.Pages->ScrollerNeeded());
    TFcTabScroller* s = f.Pages->Scroller();
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->GetVisible());
    TRect area = f.Pages->TabAreaRect();
    EXPECT_GE(s->Left(), area.Left);
    EXPECT_LE(s->Left() + s->Width(), area.Right);
    EXPECT_FALSE(s->FirstHalfEnabled()) << "nothing before the first tab";
    EXPECT_TRUE(s->SecondHalfEnabled());
    EXPECT_TRUE(SaveWindowPng(f.Form->Handle(), "TabsScrollerStart.png"));

    PostClick(s->Handle(), s->Width() * 3 / 4, s->Height() / 2);
    PumpIdle();
    EXPECT_EQ(f.Pages->FirstVisibleTab(), 1);
    EXPECT_EQ(scrolled, 1);
    EXPECT_TRUE(s->FirstHalfEnabled());

    // Held down: a step at 400 ms, then every 100 ms, and one more at the release.
    PostMessageA(s->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(s->Width() - 3, 3));
    PumpIdle();
    ASSERT_NE(s->RepeatTimer(), nullptr);
    EXPECT_EQ(s->RepeatTimer()->GetInterval(), 400u);
    for (int tick = 0; tick < 7; ++tick) s->RepeatTimer()->OnTimer(s->RepeatTimer());
    EXPECT_EQ(s->RepeatTimer()->GetInterval(), 100u);
    PostMessageA(s->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(s->Width() - 3, 3));
    PumpIdle();
    EXPECT_EQ(scrolled, 1 + 7 + 1);
    EXPECT_FALSE(s->RepeatTimer()->GetEnabled());
    const int first = f.Pages->FirstVisibleTab();
    EXPECT_GT(first, 1);
    EXPECT_TRUE(SaveWindowPng(f.Form->Handle(), "TabsScrollerScrolled.png"));

    PostClick(s->Handle(), 3, s->Height() / 2);
    PumpIdle();
    EXPECT_EQ(f.Pages->FirstVisibleTab(), first - 1);

    // Selecting a tab out of sight brings it in.
    f.Pages->SetActivePage(f.Sheets[11]);
    PumpIdle();
    EXPECT_TRUE(f.Pages->IsTabFullyShown(11));
    EXPECT_FALSE(s->SecondHalfEnabled()) << "nothing after the last tab";
}

TEST(TabsControl, TheCloseButtonClosesTheSelectedTab) {
    TPageForm f(360, 200, {"One", "Two", "Three"});
    f.Pages->SetActivePage(f.Sheets[1]);
    f.Pages->SetShowCloseButton(true);
    f.Pages->SetShowMenuButton(true);
    f.Pages->SetShowCloseButtonOnActiveTab(true);
    f.Show();
    TFcTabControlCloseButton* close = f.Pages->CloseButton();
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(close->GetVisible());
    EXPECT_TRUE(SaveWindowPng(f.Form->Handle(), "TabsButtons.png"));

    PostClick(close->Handle(), close->Width() / 2, close->Height() / 2);
    PumpIdle();
    EXPECT_EQ(f.Pages->PageCount(), 3) << "no OnClose handler, no closing";

    f.Pages->OnClose = [](TObject*, bool& allow) { allow = true; };
    PostClick(close->Handle(), close->Width() / 2, close->Height() / 2);
    PumpIdle();
    EXPECT_EQ(f.Pages->PageCount(), 2);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[0]);

    // The small cross on the selected tab closes it too.
    TFcActiveTabCloseButton* onTab = f.Pages->ActiveTabCloseButton();
    ASSERT_NE(onTab, nullptr);
    EXPECT_TRUE(onTab->GetVisible());
    TRect tab = f.Pages->TabRect(0);
    TRect cross = onTab->BoundsRect();
    EXPECT_TRUE(tab.Contains(cross.TopLeft()) && tab.Contains(TPoint(cross.Right - 1, cross.Bottom - 1)));
    PostClick(f.Wnd(), (cross.Left + cross.Right) / 2, (cross.Top + cross.Bottom) / 2);
    PumpIdle();
    EXPECT_EQ(f.Pages->PageCount(), 1);
}

TEST(TabsControl, AReleaseOutsideTheCloseButtonClosesNothing) {
    TPageForm f(360, 200, {"One", "Two"});
    f.Pages->SetActivePage(f.Sheets[1]);
    f.Pages->SetShowCloseButton(true);
    f.Pages->OnClose = [](TObject*, bool& allow) { allow = true; };
    f.Show();
    HWND close = f.Pages->CloseButton()->Handle();
    PostMessageA(close, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageA(close, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 60));
    PostMessageA(close, WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
    PumpIdle();
    EXPECT_EQ(f.Pages->PageCount(), 2);
}

TEST(TabsControl, TheMenuButtonListsEachCaptionOnce) {
    TPageForm f(360, 200, {"Beta", "alpha", "Alpha"});
    f.Pages->SetActivePage(f.Sheets[1]);
    f.Pages->SetShowMenuButton(true);
    f.Show();
    EXPECT_EQ(TabMenuEntries(*f.Pages->Tabs()), (std::vector<int>{1, 0}));
    TPopupChoice choice({VK_DOWN, VK_DOWN, VK_RETURN});
    f.Pages->MenuButton()->ShowMenu();
    PumpIdle();
    EXPECT_EQ(choice.Opened, 1);
    EXPECT_EQ(choice.ShownItemCount, 2);
    EXPECT_EQ(f.Pages->GetActivePage(), f.Sheets[0]) << "the second entry is Beta";
}

// ---------------------------------------------------------------------------------------
// The drag auto-scroll timer

namespace {
struct TDragProbe : TFcPageControl {
    using TFcPageControl::TFcPageControl;
    bool Over(TPoint p) {
        bool accept = false;
        DragOver(this, p.X, p.Y, dsDragMove, accept);
        return accept;
    }
    void End() { DoEndDrag(nullptr, 0, 0); }
    TTimer* ScrollTimer() const {
        for (int i = 0; i < ComponentCount(); ++i)
            if (auto* t = dynamic_cast<TTimer*>(Components(i))) return t;
        return nullptr;
    }
};
} // namespace

TEST(TabsControl, TheDragScrollTimerRunsOnlyWhileADragDoes) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    auto* pc = new TDragProbe(form.get());
    CompleteConstruction(pc);
    pc->SetParent(form.get());
    pc->SetBounds(0, 0, 300, 150);
    for (const char* c : {"One", "Two"}) {
        auto* sheet = TFcTabSheet::Create(form.get());
        sheet->SetCaption(c);
        sheet->SetPageControl(pc);
    }
    pc->SetActivePage(pc->Pages(0));
    pc->AllowTabDragging = true;
    form->Show();
    PumpIdle();
    const TRect area = pc->TabAreaRect();
    EXPECT_FALSE(pc->Over(TPoint(area.Right - 5, area.Top + 5))) << "nothing to drop on";
    TTimer* timer = pc->ScrollTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->GetEnabled());
    EXPECT_EQ(timer->GetInterval(), 400u);
    pc->End();
    EXPECT_FALSE(timer->GetEnabled()) << "the drag ended";
    pc->Over(TPoint(area.Right - 5, area.Top + 5));
    ASSERT_TRUE(timer->GetEnabled());
    timer->OnTimer(timer);
    EXPECT_EQ(timer->GetInterval(), 300u);
    EXPECT_FALSE(timer->GetEnabled()) << "a tick without a drag stops it";
}

TEST(TabsControl, HiddenPagesCanGiveTheirWindowsBack) {
    TPageForm f(300, 160, {"One", "Two", "Three"});
    f.Pages->SetActivePage(f.Sheets[0]);
    f.Show();
    ASSERT_TRUE(f.Sheets[2]->HandleAllocated());
    f.Pages->SetSaveResources(true);
    EXPECT_TRUE(f.Sheets[0]->HandleAllocated());
    EXPECT_FALSE(f.Sheets[1]->HandleAllocated());
    EXPECT_FALSE(f.Sheets[2]->HandleAllocated());
    f.Pages->SetActivePage(f.Sheets[2]);
    PumpIdle();
    ASSERT_TRUE(f.Sheets[2]->HandleAllocated());
    EXPECT_TRUE(IsWindowVisible(f.Sheets[2]->WindowHandle()));
    EXPECT_FALSE(f.Sheets[0]->HandleAllocated()) << "the page left behind gives its window back";
}

TEST(TabsControl, AFailingRepeatedScrollStopsTheRepeat) {
    std::vector<std::string> captions(12, "Tab");
    TPageForm f(260, 150, captions);
    f.Pages->SetActivePage(f.Sheets[0]);
    f.Show();
    TFcTabScroller* s = f.Pages->Scroller();
    ASSERT_NE(s, nullptr);
    PostMessageA(s->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(s->Width() - 3, 3));
    PumpIdle();
    ASSERT_NE(s->RepeatTimer(), nullptr);
    ASSERT_TRUE(s->RepeatTimer()->GetEnabled());
    f.Pages->OnScrolledTabs = [](TObject*) { throw Exception("scroll failed"); };
    EXPECT_THROW(s->RepeatTimer()->OnTimer(s->RepeatTimer()), Exception);
    EXPECT_FALSE(s->RepeatTimer()->GetEnabled());
    f.Pages->OnScrolledTabs = nullptr;
    PostMessageA(s->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(s->Width() - 3, 3));
    PumpIdle();
}
