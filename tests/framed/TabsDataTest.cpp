// The tab control's data without windows: the region cache, tab lists, defaults, the
// writers' couplings, the TabIndex writer's events and the keyboard walks.
#include "TabsTesting.h"

#include <gtest/gtest.h>

namespace {
HRGN Box(int x) { return CreateRectRgn(x, 0, x + 10, 10); }

// Records the selection events in order.
struct TEventLog {
    std::vector<std::string> Events;
    bool Allow = true;
    void Attach(TFcCustomTabControl& t) {
        t.OnChanging = [this](TObject*, int n, bool& allow) {
            Events.push_back("changing " + std::to_string(n));
            allow = Allow;
        };
        t.OnChange = [this](TObject*) { Events.push_back("change"); };
        t.OnPageChange = [this](TObject*) { Events.push_back("page"); };
        t.OnTabClick = [this](TObject*) { Events.push_back("click"); };
    }
};
} // namespace

// ---------------------------------------------------------------------------------------
// Region cache

TEST(TabsRegionCache, CapacityZeroOrBelowMinusOneIsRefused) {
    TFcTabRegionCache cache;
    for (int bad : {0, -2}) {
        try {
            cache.SetCapacity(bad);
            ADD_FAILURE() << bad << " was taken";
        } catch (const EFcTabControlError& e) {
            EXPECT_STREQ(e.what(), "Capacity must be -1 (to cache all regions) or > 0");
        }
    }
    EXPECT_EQ(cache.Capacity(), 1);
}

TEST(TabsRegionCache, KeepsTheMostRecentlyUsedRegions) {
    TFcTabRegionCache cache;
    cache.SetCapacity(3);
    for (int i = 0; i < 4; ++i) cache.Store(TRect(i, 0, i + 1, 1), Box(i));
    EXPECT_EQ(cache.Count(), 3);
    EXPECT_EQ(cache.Lookup(TRect(0, 0, 1, 1)), nullptr) << "the oldest went";
    HRGN one = cache.Lookup(TRect(1, 0, 2, 1));
    ASSERT_NE(one, nullptr);
    cache.Store(TRect(4, 0, 5, 1), Box(4));
    EXPECT_EQ(cache.Lookup(TRect(1, 0, 2, 1)), one) << "a lookup makes a region recent";
    EXPECT_EQ(cache.Lookup(TRect(2, 0, 3, 1)), nullptr);
    cache.SetCapacity(-1);
    for (int i = 10; i < 20; ++i) cache.Store(TRect(i, 0, i + 1, 1), Box(i));
    EXPECT_EQ(cache.Count(), 13);
    cache.SetCapacity(2);
    EXPECT_EQ(cache.Count(), 2);
}

TEST(TabsRegionCache, StoringACachedRectangleKeepsItsRegion) {
    TFcTabRegionCache cache;
    cache.SetCapacity(2);
    HRGN first = Box(0);
    cache.Store(TRect(0, 0, 1, 1), first);
    cache.Store(TRect(1, 0, 2, 1), Box(1));
    HRGN offered = Box(5);
    cache.Store(TRect(0, 0, 1, 1), offered);
    EXPECT_EQ(cache.Items(0).Rect, TRect(0, 0, 1, 1)) << "moved to the front";
    EXPECT_EQ(cache.Items(0).Region(), first);
    // The offered region was not taken over and is gone rather than leaked.
    EXPECT_EQ(GetObjectType(offered), 0u);
}

// ---------------------------------------------------------------------------------------
// Tab data

TEST(TabsData, ListCopiesAreIndependentAndSkipTheComputedPlace) {
    TFcTabDataList source;
    auto* tab = new TFcTabData;
    tab->Caption = "One";
    tab->ImageIndex = 3;
    tab->Enabled = false;
    tab->TabRect = TRect(1, 2, 3, 4);
    tab->Row = 2;
    source.Add(tab);
    TFcTabDataList copy;
    copy.Add(new TFcTabData);
    copy.Add(new TFcTabData);
    copy.Assign(&source);
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy.Items(0)->Caption, "One");
    EXPECT_EQ(copy.Items(0)->ImageIndex, 3);
    EXPECT_FALSE(copy.Items(0)->Enabled);
    EXPECT_EQ(copy.Items(0)->TabRect, TRect());
    EXPECT_EQ(copy.Items(0)->Row, 0);
    copy.Items(0)->Caption = "Changed";
    EXPECT_EQ(source.Items(0)->Caption, "One");
    EXPECT_THROW(copy.Items(1), EListError);
    EXPECT_THROW(copy.Items(-1), EListError);
}

TEST(TabsData, ANewControlHasNoSelectionAndOneRow) {
    TFreeGuard<TFcCustomTabControl> t(TFcCustomTabControl::Create(nullptr));
    EXPECT_EQ(t->GetTabIndex(), -1);
    EXPECT_EQ(t->RowCount(), 1);
    EXPECT_EQ(t->GetFixedDimension(), 0);
    EXPECT_EQ(t->RegionCache()->Capacity(), 1);
    EXPECT_EQ(t->Width(), 300);
    EXPECT_EQ(t->Height(), 100);
    EXPECT_TRUE(t->GetTabStop());
    EXPECT_EQ(t->GetHotTrackColor(), MakeColor(0x149BF0));
    EXPECT_EQ(t->GetTabColors()->GetHighlightBar(), clHighlight);
    EXPECT_EQ(t->GetTextColors()->GetDisabled(), clGrayText);
    EXPECT_TRUE(t->LayoutDirty());
}

// ---------------------------------------------------------------------------------------
// Writers

TEST(TabsWriters, ShadowNeedsTheFullFrame) {
    auto t = NewTabs(300, 100, {});
    t->SetShowFullFrame(false);
    EXPECT_FALSE(t->GetShowShadow());
    t->SetShowShadow(true);
    EXPECT_TRUE(t->GetShowFullFrame());
}

TEST(TabsWriters, ABackgroundColourStopsFollowingTheParent) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    form->SetColor(clTeal);
    auto* t = TFcPageControl::Create(form.get());
    t->SetParent(form.get());
    EXPECT_EQ(t->GetBackgroundColor(), clBtnFace) << "nothing told it yet";
    t->SetBackgroundColor(clRed);
    EXPECT_FALSE(t->GetParentBackgroundColor());
    t->SetParentBackgroundColor(true);
    EXPECT_EQ(t->GetBackgroundColor(), clTeal);
    EXPECT_TRUE(t->GetParentBackgroundColor());
}

TEST(TabsWriters, NegativeSizesAreIgnored) {
    auto t = NewTabs(300, 100, {});
    t->SetRowIndent(-1);
    t->SetMargin(-3);
    t->SetTabHeight(-1);
    t->SetCutCornerSize(-2);
    EXPECT_EQ(t->GetRowIndent(), 5);
    EXPECT_EQ(t->GetMargin(), 0);
    EXPECT_EQ(t->GetTabHeight(), 0);
    EXPECT_EQ(t->GetCutCornerSize(), 6);
}

TEST(TabsWriters, LayoutPropertiesMarkTheLayoutDirty) {
    auto t = NewTabs(300, 100, {"AB"});
    Layout(*t);
    ASSERT_FALSE(t->LayoutDirty());
    t->SetHotTrackColor(clRed);
    EXPECT_FALSE(t->LayoutDirty()) << "a colour only repaints";
    t->SetAlignTabs(true);
    EXPECT_FALSE(t->LayoutDirty()) << "aligning a single row changes nothing";
    t->SetMargin(4);
    EXPECT_TRUE(t->LayoutDirty());
}

TEST(TabsWriters, TheRegionCacheCapacityTakesMinusOneOrMore) {
    auto t = NewTabs(300, 100, {});
    t->SetRegionCacheCapacity(0);
    EXPECT_EQ(t->GetRegionCacheCapacity(), 1);
    t->SetRegionCacheCapacity(-1);
    EXPECT_EQ(t->RegionCache()->Capacity(), -1);
    t->SetRegionCacheCapacity(4);
    EXPECT_EQ(t->RegionCache()->Capacity(), 4);
}

// ---------------------------------------------------------------------------------------
// The TabIndex writer

TEST(TabsSelection, AnIndexOutOfRangeClearsTheSelectionSilently) {
    auto t = NewTabs(300, 100, {"A", "B"});
    Layout(*t);
    t->SetTabIndex(0);
    TEventLog log;
    log.Attach(*t);
    t->SetTabIndex(2);
    EXPECT_EQ(t->GetTabIndex(), -1);
    t->SetTabIndex(-5);
    EXPECT_EQ(t->GetTabIndex(), -1);
    EXPECT_TRUE(log.Events.empty());
}

TEST(TabsSelection, TheSameIndexAsksNothing) {
    auto t = NewTabs(300, 100, {"A", "B"});
    Layout(*t);
    t->SetTabIndex(1);
    TEventLog log;
    log.Attach(*t);
    t->SetTabIndex(1);
    EXPECT_TRUE(log.Events.empty());
}

TEST(TabsSelection, AChangeAsksThenReports) {
    auto t = NewTabs(300, 100, {"A", "B"});
    Layout(*t);
    TEventLog log;
    log.Attach(*t);
    t->SetTabIndex(1);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"changing 1", "change", "page"}));
}

TEST(TabsSelection, ARefusedChangeLeavesEverythingAsItWas) {
    auto rows = NewTabs(61, 200, std::vector<std::string>(6, "AB"));
    rows->SetTabStyle(tsSquareCorners);
    rows->SetShowShadow(false);
    rows->SetMultiLine(true);
    Layout(*rows);
    TEventLog log;
    log.Allow = false;
    log.Attach(*rows);
    rows->SetTabIndex(4);
    EXPECT_EQ(rows->GetTabIndex(), -1);
    EXPECT_EQ(rows->Tabs()->Items(4)->Row, 2) << "the rows did not turn";
    EXPECT_EQ(log.Events, (std::vector<std::string>{"changing 4"}));

    auto row = NewTabs(150, 100, std::vector<std::string>(10, "AB"));
    Layout(*row);
    ASSERT_TRUE(row->ScrollerNeeded());
    log.Attach(*row);
    row->SetTabIndex(9);
    EXPECT_EQ(row->FirstVisibleTab(), 0) << "the row did not scroll";
}

TEST(TabsSelection, DisabledAndHiddenTabsCannotBeSelected) {
    auto t = NewTabs(300, 100, {"A", "B", "C"});
    Layout(*t);
    t->Tabs()->Items(1)->Enabled = false;
    t->Tabs()->Items(2)->Visible = false;
    TEventLog log;
    log.Attach(*t);
    t->SetTabIndex(1);
    t->SetTabIndex(2);
    EXPECT_EQ(t->GetTabIndex(), -1);
    EXPECT_TRUE(log.Events.empty()) << "OnChanging is asked only for selectable tabs";
}

TEST(TabsSelection, NoCloseWithoutAnOnCloseHandler) {
    auto t = NewTabs(300, 100, {"A", "B"});
    EXPECT_FALSE(t->CanCloseTab());
    bool asked = false;
    t->OnClose = [&](TObject*, bool& allow) {
        asked = true;
        allow = true;
    };
    EXPECT_TRUE(t->CanCloseTab());
    EXPECT_TRUE(asked);
}

// ---------------------------------------------------------------------------------------
// Keys

namespace {
struct TKeyed : TMeasuredTabs {
    using TMeasuredTabs::TMeasuredTabs;
    void Press(WORD key) { KeyDown(key, TShiftState()); }
};
TFreeGuard<TKeyed> KeyedTabs(int count) {
    TFreeGuard<TKeyed> t(new TKeyed(nullptr));
    CompleteConstruction(t.get());
    t->SetBounds(0, 0, 400, 100);
    for (int i = 0; i < count; ++i) {
        auto* tab = new TFcTabData;
        tab->Caption = std::string(1, static_cast<char>('A' + i));
        t->Tabs()->Add(tab);
    }
    Layout(*t);
    return t;
}
} // namespace

TEST(TabsKeys, ArrowsSkipTabsThatCannotBeSelectedAndWrap) {
    auto t = KeyedTabs(5);
    t->Tabs()->Items(1)->Enabled = false;
    t->Tabs()->Items(2)->Visible = false;
    t->SetTabIndex(0);
    TEventLog log;
    log.Attach(*t);
    t->Press(VK_RIGHT);
    EXPECT_EQ(t->GetTabIndex(), 3);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"changing 3", "change", "page", "click"}))
        << "OnChanging is asked once";
    t->Press(VK_DOWN);
    EXPECT_EQ(t->GetTabIndex(), 4);
    t->Press(VK_RIGHT);
    EXPECT_EQ(t->GetTabIndex(), 0) << "wrapped";
    t->Press(VK_LEFT);
    EXPECT_EQ(t->GetTabIndex(), 4);
}

TEST(TabsKeys, TabsOnTheLeftRunUpwards) {
    auto t = KeyedTabs(3);
    t->SetTabOrientation(toLeft);
    t->SetTabIndex(1);
    t->Press(VK_UP);
    EXPECT_EQ(t->GetTabIndex(), 2);
    t->SetTabSequence(tsReverse);
    t->Press(VK_UP);
    EXPECT_EQ(t->GetTabIndex(), 1);
}

TEST(TabsKeys, ASingleSelectableTabStaysPut) {
    auto t = KeyedTabs(3);
    t->Tabs()->Items(0)->Enabled = false;
    t->Tabs()->Items(2)->Enabled = false;
    t->SetTabIndex(1);
    TEventLog log;
    log.Attach(*t);
    t->Press(VK_RIGHT);
    t->Press(VK_LEFT);
    EXPECT_EQ(t->GetTabIndex(), 1);
    EXPECT_TRUE(log.Events.empty());
}

TEST(TabsKeys, HomeAndEndGoToTheEnds) {
    auto t = KeyedTabs(4);
    t->Tabs()->Items(0)->Enabled = false;
    t->SetTabIndex(2);
    t->Press(VK_HOME);
    EXPECT_EQ(t->GetTabIndex(), 1) << "the first selectable one";
    t->Press(VK_END);
    EXPECT_EQ(t->GetTabIndex(), 3);
    t->SetTabSequence(tsReverse);
    t->Press(VK_END);
    EXPECT_EQ(t->GetTabIndex(), 1) << "reversed, End is the start";
}

TEST(TabsKeys, AWalkOfVetoesAsksEachTabOnce) {
    auto t = KeyedTabs(3);
    t->SetTabIndex(0);
    TEventLog log;
    log.Allow = false;
    log.Attach(*t);
    t->Press(VK_RIGHT);
    EXPECT_EQ(t->GetTabIndex(), 0);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"changing 1", "changing 2"}));
}

namespace {
struct TMoused : TMeasuredTabs {
    using TMeasuredTabs::TMeasuredTabs;
    void Move(TPoint p) { MouseMove(TShiftState(), p.X, p.Y); }
};
} // namespace

TEST(TabsSelection, WithoutTabHintsTheProgramsHintStays) {
    TFreeGuard<TMoused> t(new TMoused(nullptr));
    CompleteConstruction(t.get());
    t->SetBounds(0, 0, 300, 100);
    auto* tab = new TFcTabData;
    tab->Caption = "AB";
    tab->Hint = "tab";
    t->Tabs()->Add(tab);
    Layout(*t);
    t->SetHint("set by the program");
    const TRect r = t->TabRect(0);
    t->Move(TPoint(r.Left + 5, r.Top + 5));
    EXPECT_EQ(t->HotTab(), 0);
    t->Move(TPoint(200, 60));
    EXPECT_EQ(t->HotTab(), -1);
    EXPECT_EQ(t->GetHint(), "set by the program");
    t->SetTabHints(true);
    t->Move(TPoint(r.Left + 5, r.Top + 5));
    EXPECT_EQ(t->GetHint(), "tab");
}
