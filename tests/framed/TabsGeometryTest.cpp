// Tab geometry without windows: the tab area, cards and page area, the mapping of the
// layout to each orientation and sequence, outlines, buttons and the hit test. Text is
// measured at 6 x 13 pixels per character (TabsTesting.h), so the numbers below follow
// from the sizing rules alone.
#include "TabsTesting.h"

#include <gtest/gtest.h>

namespace {
// Square tabs "AB": content 18 x 13 (the "AAA" minimum), tabs 24 x 19 with horizontal
// text, stepping 25 pixels (no overlap) along the edge.
TFreeGuard<TMeasuredTabs> SquareTabs(TFcTabOrientation o, TFcTabSequence s, int w = 300, int h = 200, int n = 3) {
    std::vector<std::string> captions(static_cast<size_t>(n), "AB");
    auto t = NewTabs(w, h, captions);
    t->SetTabStyle(tsSquareCorners);
    t->SetTabOrientation(o);
    t->SetTabSequence(s);
    Layout(*t);
    return t;
}

void ExpectTab(TFcCustomTabControl& t, int index, TRect expected) {
    SCOPED_TRACE("tab " + std::to_string(index));
    TRect r = t.TabRect(index);
    EXPECT_EQ(r.Left, expected.Left);
    EXPECT_EQ(r.Top, expected.Top);
    EXPECT_EQ(r.Right, expected.Right);
    EXPECT_EQ(r.Bottom, expected.Bottom);
}
} // namespace

// ---------------------------------------------------------------------------------------
// Areas

TEST(TabsGeometry, DetailsWindowPageArea) {
    auto t = NewTabs(425, 289, {"Program", "Registry"});
    t->SetTabStyle(tsRoundCorners);
    Layout(*t);
    EXPECT_EQ(t->GetFixedDimension(), 19);
    EXPECT_EQ(t->TabAreaDepth(), 22);
    EXPECT_EQ(t->CalcPageRect(), TRect(1, 23, 422, 286));
}

TEST(TabsGeometry, WithoutTabsOrFramesThePagesFillTheControl) {
    auto t = NewTabs(741, 369, {});
    t->SetShowCardFrame(false);
    t->SetShowFullFrame(false);
    t->SetShowShadow(false);
    Layout(*t);
    EXPECT_EQ(t->CalcPageRect(), TRect(0, 0, 741, 369));
}

TEST(TabsGeometry, ABareStripHidesThePagesAndIsAllTabArea) {
    auto t = NewTabs(300, 40, {"AB"});
    t->SetShowCard(false);
    Layout(*t);
    EXPECT_EQ(t->CalcPageRect(), TRect(-2, -2, -1, -1));
    EXPECT_EQ(t->TabAreaRect(), TRect(0, 0, 297, 39));
    // Only the card's top edge shows, along the tabs.
    EXPECT_EQ(t->CardRect(0), TRect(-3, 39, 302, 42));
}

TEST(TabsGeometry, TheTabAreaLiesAlongEachEdge) {
    auto top = SquareTabs(toTop, tsStandard);
    EXPECT_EQ(top->TabAreaRect(), TRect(0, 0, 297, 22)) << "the shadow takes two pixels";
    auto bottom = SquareTabs(toBottom, tsStandard);
    EXPECT_EQ(bottom->TabAreaRect(), TRect(0, 177, 299, 199));
    auto left = SquareTabs(toLeft, tsStandard);
    EXPECT_EQ(left->TabAreaRect(), TRect(0, 0, 27, 199));
    auto right = SquareTabs(toRight, tsStandard);
    EXPECT_EQ(right->TabAreaRect(), TRect(272, 0, 299, 199));
    EXPECT_EQ(right->CardRect(0), TRect(0, 0, 272, 199));
    EXPECT_EQ(left->CardRect(0), TRect(27, 0, 299, 199));
}

TEST(TabsGeometry, RowsStackCardsBehindTheFrontOne) {
    auto t = NewTabs(61, 200, {"AB", "AB", "AB", "AB", "AB", "AB"});
    t->SetTabStyle(tsSquareCorners);
    t->SetShowShadow(false);
    t->SetMultiLine(true);
    Layout(*t);
    ASSERT_EQ(t->RowCount(), 3);
    // Depth 3 + 19 + 2 x (19 - 5); each row further back is indented by RowIndent.
    EXPECT_EQ(t->TabAreaDepth(), 50);
    EXPECT_EQ(t->CardRect(0), TRect(0, 50, 50, 199));
    EXPECT_EQ(t->CardRect(1), TRect(5, 36, 55, 185));
    EXPECT_EQ(t->CardRect(2), TRect(10, 22, 60, 171));
}

// ---------------------------------------------------------------------------------------
// Tabs in each orientation and sequence

TEST(TabsGeometry, StandardSequenceStartsAtTheLeftTheBottomOrTheTop) {
    auto top = SquareTabs(toTop, tsStandard);
    ExpectTab(*top, 0, TRect(2, 3, 26, 22));
    ExpectTab(*top, 1, TRect(27, 3, 51, 22));
    auto bottom = SquareTabs(toBottom, tsStandard);
    ExpectTab(*bottom, 0, TRect(2, 177, 26, 196));
    ExpectTab(*bottom, 1, TRect(27, 177, 51, 196));
    auto left = SquareTabs(toLeft, tsStandard);
    ExpectTab(*left, 0, TRect(3, 178, 27, 197));
    ExpectTab(*left, 1, TRect(3, 158, 27, 177));
    auto right = SquareTabs(toRight, tsStandard);
    ExpectTab(*right, 0, TRect(272, 2, 296, 21));
    ExpectTab(*right, 1, TRect(272, 22, 296, 41));
}

TEST(TabsGeometry, ReverseSequenceStartsAtTheOppositeEnd) {
    auto top = SquareTabs(toTop, tsReverse);
    ExpectTab(*top, 0, TRect(273, 3, 297, 22));
    ExpectTab(*top, 1, TRect(248, 3, 272, 22));
    auto bottom = SquareTabs(toBottom, tsReverse);
    ExpectTab(*bottom, 0, TRect(273, 177, 297, 196));
    auto left = SquareTabs(toLeft, tsReverse);
    ExpectTab(*left, 0, TRect(3, 2, 27, 21));
    ExpectTab(*left, 1, TRect(3, 22, 27, 41));
    auto right = SquareTabs(toRight, tsReverse);
    ExpectTab(*right, 0, TRect(272, 178, 296, 197));
}

TEST(TabsGeometry, TheSelectedBoxedTabStandsTwoPixelsLarger) {
    auto t = SquareTabs(toTop, tsStandard);
    t->SetTabStyle(tsRoundCorners);
    t->SetTabOverlap(2);
    Layout(*t);
    ExpectTab(*t, 1, TRect(25, 3, 49, 22));
    t->SetTabIndex(1);
    ExpectTab(*t, 1, TRect(23, 1, 51, 22));
    ExpectTab(*t, 0, TRect(2, 3, 26, 22));
}

TEST(TabsGeometry, OutlinesFollowTheStyle) {
    const TRect r(10, 0, 60, 20);
    for (TFcTabStyle s : {tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners, tsBackSlant, tsSquareCorners})
        for (bool soft : {false, true}) {
            auto points = TabShapePoints(s, soft, 6, r);
            EXPECT_EQ(static_cast<int>(points.size()), TabShapePointCount(s, soft));
            // Every outline starts and ends on the card side.
            EXPECT_EQ(points.front(), TPoint(10, 20));
            EXPECT_EQ(points.back(), TPoint(60, 20));
        }
    auto cut = TabShapePoints(tsCutCorner, false, 0, r);
    ASSERT_EQ(cut.size(), 5u) << "a zero corner still gives five points";
    EXPECT_EQ(cut[2], cut[3]);
    auto slant = TabShapePoints(tsSingleSlant, false, 6, r);
    EXPECT_EQ(slant[3], TPoint(40, 0)) << "the slant is as long as the tab is high";
}

TEST(TabsGeometry, OutlinesAreMappedLikeTheRectangles) {
    auto t = SquareTabs(toLeft, tsStandard);
    auto points = t->TabOutline(0);
    ASSERT_EQ(points.size(), 4u);
    // Layout (0, 27), (0, 3), (19, 3), (19, 27): the card side is the right one.
    EXPECT_EQ(points[0], TPoint(27, 197));
    EXPECT_EQ(points[1], TPoint(3, 197));
    EXPECT_EQ(points[2], TPoint(3, 178));
    EXPECT_EQ(points[3], TPoint(27, 178));
}

// ---------------------------------------------------------------------------------------
// Hit test

TEST(TabsGeometry, RightAndBottomEdgesDoNotHit) {
    auto t = SquareTabs(toTop, tsStandard);
    EXPECT_EQ(t->HitTest(TPoint(2, 3)), 0);
    EXPECT_EQ(t->HitTest(TPoint(25, 21)), 0);
    EXPECT_EQ(t->HitTest(TPoint(26, 10)), -1);
    EXPECT_EQ(t->HitTest(TPoint(10, 22)), -1);
    EXPECT_EQ(t->HitTest(TPoint(27, 10)), 1);
    EXPECT_EQ(t->HitTest(TPoint(150, 10)), -1);
    EXPECT_EQ(t->HitTest(TPoint(150, 100)), -1);
}

TEST(TabsGeometry, TheSelectedTabWinsOverItsNeighbours) {
    auto t = SquareTabs(toTop, tsStandard);
    t->SetTabStyle(tsRoundCorners);
    t->SetTabOverlap(2);
    Layout(*t);
    t->SetTabIndex(1);
    EXPECT_EQ(t->HitTest(TPoint(30, 2)), 1) << "above the neighbours' top line";
    EXPECT_EQ(t->HitTest(TPoint(24, 10)), 1) << "where it overlaps tab 0";
    EXPECT_EQ(t->HitTest(TPoint(23, 1)), -1) << "outside its rounded corner";
    EXPECT_EQ(t->HitTest(TPoint(10, 2)), -1);
    EXPECT_EQ(t->HitTest(TPoint(10, 10)), 0);
}

TEST(TabsGeometry, SlantedTabsAreHitInsideTheirShapeOnly) {
    auto t = NewTabs(300, 100, {"AB", "AB"});
    Layout(*t);
    const TRect r = t->TabRect(1);
    // The top right corner lies outside the slant; the bottom of the same column inside.
    EXPECT_EQ(t->HitTest(TPoint(r.Right - 2, r.Top + 1)), -1);
    EXPECT_EQ(t->HitTest(TPoint(r.Right - 2, r.Bottom - 1)), 1);
    EXPECT_EQ(t->HitTest(TPoint(r.Left + 5, r.Top + 5)), 1);
}

TEST(TabsGeometry, AHiddenTabTakesNoPlaceAndIsNeverHit) {
    auto t = NewTabs(300, 100, {"AB", "AB", "AB"});
    t->SetTabStyle(tsSquareCorners);
    t->Tabs()->Items(1)->Visible = false;
    Layout(*t);
    ExpectTab(*t, 2, TRect(27, 3, 51, 22));
    EXPECT_EQ(t->HitTest(TPoint(30, 10)), 2);
}

// ---------------------------------------------------------------------------------------
// Overflow, scrolling and the buttons

TEST(TabsGeometry, SelectingScrollsAnOverflowingRow) {
    auto t = SquareTabs(toTop, tsStandard, 150, 100, 10);
    ASSERT_TRUE(t->ScrollerNeeded());
    EXPECT_EQ(t->FirstVisibleTab(), 0);
    EXPECT_TRUE(t->IsTabFullyShown(3));
    EXPECT_FALSE(t->IsTabFullyShown(4));
    EXPECT_EQ(t->HitTest(TPoint(110, 10)), -1) << "a tab partly shown is not hit";
    t->SetTabIndex(9);
    EXPECT_EQ(t->FirstVisibleTab(), 6);
    EXPECT_TRUE(t->IsTabFullyShown(9));
    ExpectTab(*t, 6, TRect(2, 3, 26, 22));
    t->SetTabIndex(2);
    EXPECT_EQ(t->FirstVisibleTab(), 2);
}

TEST(TabsGeometry, ScrollingStopsAtBothEnds) {
    auto t = SquareTabs(toTop, tsStandard, 150, 100, 10);
    EXPECT_FALSE(t->ScrollTabs(false));
    EXPECT_EQ(t->FirstVisibleTab(), 0);
    int steps = 0;
    while (t->ScrollTabs(true)) ++steps;
    EXPECT_EQ(t->FirstVisibleTab(), 6);
    EXPECT_EQ(steps, 6);
    EXPECT_TRUE(t->IsTabFullyShown(9));
    EXPECT_TRUE(t->ScrollTabs(false));
    EXPECT_EQ(t->FirstVisibleTab(), 5);
}

TEST(TabsGeometry, ReverseButtonsSitAtTheLeftEnd) {
    auto t = SquareTabs(toTop, tsReverse, 150, 100, 10);
    t->SetShowCloseButton(true);
    Layout(*t);
    t->Realign();
    ASSERT_TRUE(t->ScrollerNeeded());
    ASSERT_NE(t->CloseButton(), nullptr);
    ASSERT_NE(t->Scroller(), nullptr);
    // "A" is 13 high: buttons 17 long and deep, the scroller two buttons less one.
    EXPECT_EQ(t->CloseButton()->BoundsRect(), Bounds(0, 3, 17, 17));
    EXPECT_EQ(t->Scroller()->BoundsRect(), Bounds(19, 3, 33, 17));
    EXPECT_TRUE(t->Scroller()->GetVisible());
}

TEST(TabsGeometry, AScrollerNoLongerNeededMovesOutOfSight) {
    auto t = SquareTabs(toTop, tsStandard, 150, 100, 10);
    t->Realign();
    ASSERT_NE(t->Scroller(), nullptr);
    EXPECT_EQ(t->Scroller()->BoundsRect(), Bounds(150 - 1 - 2 - 33 - 1, 3, 33, 17));
    t->SetBounds(0, 0, 400, 100);
    Layout(*t);
    t->Realign();
    EXPECT_FALSE(t->ScrollerNeeded());
    EXPECT_LT(t->Scroller()->BoundsRect().Right, 0);
    EXPECT_LT(t->Scroller()->BoundsRect().Bottom, 0);
}
