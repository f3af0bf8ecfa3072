// Tab sizes and rows without windows (text measured at 6 x 13 pixels per character).
#include "TabsTesting.h"

#include <gtest/gtest.h>

namespace {
TFreeGuard<TMeasuredTabs> MultiLineSquares(int width, int count) {
    auto t = NewTabs(width, 200, std::vector<std::string>(static_cast<size_t>(count), "AB"));
    t->SetTabStyle(tsSquareCorners);
    t->SetShowShadow(false);
    t->SetMultiLine(true);
    Layout(*t);
    return t;
}
} // namespace

TEST(TabsLayout, CaptionsAreMeasuredWithoutTheirAcceleratorMark) {
    auto t = NewTabs(300, 100, {});
    EXPECT_EQ(t->CaptionExtent("Sa&ve", true), (TSize{24, 13}));
    EXPECT_EQ(t->CaptionExtent("A&&B", true), (TSize{18, 13})) << "a doubled mark shows once";
    EXPECT_EQ(t->CaptionExtent("Save&", true), (TSize{30, 13})) << "a trailing mark is text";
    EXPECT_EQ(t->CaptionExtent("a&b&c", true), (TSize{24, 13})) << "only the first mark counts";
}

TEST(TabsLayout, LineBreaksStackAcrossTheText) {
    auto t = NewTabs(300, 100, {});
    EXPECT_EQ(t->CaptionExtent("Short\r\nLonger1", true), (TSize{42, 26}));
    EXPECT_EQ(t->CaptionExtent("Short\r\nLonger1", false), (TSize{26, 42}));
}

TEST(TabsLayout, TabSizesFollowTheStyle) {
    auto t = NewTabs(300, 100, {});
    t->SetTabStyle(tsRoundCorners);
    EXPECT_EQ(t->TabSizeFromContent(TSize{40, 13}), (TSize{46, 19}));
    t->SetTabStyle(tsSingleSlant);
    // (42 + 4) + 2 x (19 / 2) across a tab 19 high.
    EXPECT_EQ(t->TabSizeFromContent(TSize{40, 13}), (TSize{64, 19}));
    t->SetTabStyle(tsCutCorner);
    EXPECT_EQ(t->TabSizeFromContent(TSize{40, 13}), (TSize{60, 20}));
    t->SetTabOrientation(toLeft);
    EXPECT_EQ(t->TabSizeFromContent(TSize{40, 13}), (TSize{53, 23}));
}

TEST(TabsLayout, ContentGetsTheMinimumAndTheImage) {
    auto t = NewTabs(300, 100, {"A", "Longer"});
    EXPECT_EQ(t->ContentSize(0), (TSize{2 + 6, 13})) << "the image margin counts even without an image";
    EXPECT_EQ(t->ContentSize(1), (TSize{2 + 36, 13})) << "the image margin stands before the text";
    t->SetTabStyle(tsRoundCorners);
    EXPECT_EQ(t->ContentSize(0), (TSize{18, 13})) << "\"AAA\" for the boxed styles";
    t->SetShowCloseButtonOnActiveTab(true);
    EXPECT_EQ(t->ContentSize(1), (TSize{2 + 36 + 20, 13})) << "room for the close button";
    t->Tabs()->Items(1)->Visible = false;
    EXPECT_EQ(t->ContentSize(1), (TSize{0, 0}));
}

TEST(TabsLayout, AStreamedRowDepthIsReplacedByTheLayout) {
    auto t = NewTabs(300, 100, {"AB"});
    t->SetFixedDimension(40);
    Layout(*t);
    EXPECT_EQ(t->GetFixedDimension(), 19);
    t->SetTabHeight(25);
    Layout(*t);
    EXPECT_EQ(t->GetFixedDimension(), 25);
}

TEST(TabsLayout, ASingleRowKeepsEveryTabInRowZero) {
    auto t = NewTabs(100, 100, std::vector<std::string>(8, "AB"));
    Layout(*t);
    EXPECT_EQ(t->RowCount(), 1);
    for (int i = 0; i < t->TabCount(); ++i) EXPECT_EQ(t->Tabs()->Items(i)->Row, 0);
    EXPECT_TRUE(t->ScrollerNeeded());
}

TEST(TabsLayout, TabsWrapIntoRows) {
    auto t = MultiLineSquares(61, 6);
    ASSERT_EQ(t->RowCount(), 3);
    const int rows[] = {0, 0, 1, 1, 2, 2};
    const int tops[] = {31, 31, 17, 17, 3, 3};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(t->Tabs()->Items(i)->Row, rows[i]);
        EXPECT_EQ(t->Tabs()->Items(i)->TabRect.Top, tops[i]);
        EXPECT_EQ(t->Tabs()->Items(i)->TabRect.Left, i % 2 == 0 ? 0 : 25);
    }
    EXPECT_FALSE(t->ScrollerNeeded());
}

TEST(TabsLayout, SelectingAnOuterTabBringsItsRowToTheCard) {
    auto t = MultiLineSquares(61, 6);
    t->SetTabIndex(4);
    const int rows[] = {1, 1, 2, 2, 0, 0};
    const int tops[] = {17, 17, 3, 3, 31, 31};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(t->Tabs()->Items(i)->Row, rows[i]);
        EXPECT_EQ(t->Tabs()->Items(i)->TabRect.Top, tops[i]);
    }
    // Rows stay in their cyclic order: the next pick comes from the new outer row.
    t->SetTabIndex(2);
    EXPECT_EQ(t->Tabs()->Items(2)->Row, 0);
    EXPECT_EQ(t->Tabs()->Items(0)->Row, 2);
    EXPECT_EQ(t->Tabs()->Items(4)->Row, 1);
}

TEST(TabsLayout, ATabLongerThanTheRoomStandsAlone) {
    auto t = NewTabs(81, 200, {"AB", "A very long caption", "AB"});
    t->SetTabStyle(tsSquareCorners);
    t->SetShowShadow(false);
    t->SetMultiLine(true);
    Layout(*t);
    ASSERT_EQ(t->RowCount(), 3);
    EXPECT_EQ(t->Tabs()->Items(0)->Row, 0);
    EXPECT_EQ(t->Tabs()->Items(1)->Row, 1);
    EXPECT_EQ(t->Tabs()->Items(2)->Row, 2);
    const TRect& r = t->Tabs()->Items(1)->TabRect;
    EXPECT_EQ(r.Left, 0);
    EXPECT_LE(r.Right, 80 - 2 * 5 - 4) << "clipped to the room of a row";
}

TEST(TabsLayout, AlignTabsSharesTheFreeRoomOut) {
    auto t = MultiLineSquares(86, 3);
    t->SetAlignTabs(true);
    Layout(*t);
    ASSERT_EQ(t->RowCount(), 1);
    // 85 pixels of strip, tabs spanning 74, 4 kept for the selected tab: 7 to share.
    auto width = [&](int i) { return t->Tabs()->Items(i)->TabRect.Width(); };
    EXPECT_EQ(width(0), 24 + 3);
    EXPECT_EQ(width(1), 24 + 2);
    EXPECT_EQ(width(2), 24 + 2);
    EXPECT_EQ(t->Tabs()->Items(1)->TabRect.Left, 25 + 3);
    EXPECT_EQ(t->Tabs()->Items(2)->TabRect.Left, 50 + 5);
}

TEST(TabsLayout, TheSelectionMovesOffTabsThatCanNoLongerBeSelected) {
    auto t = NewTabs(300, 100, {"A", "B", "C", "D"});
    Layout(*t);
    t->SetTabIndex(2);
    t->Tabs()->Items(2)->Enabled = false;
    Layout(*t);
    EXPECT_EQ(t->GetTabIndex(), 3) << "forwards to the next selectable tab";
    t->Tabs()->Items(3)->Visible = false;
    Layout(*t);
    EXPECT_EQ(t->GetTabIndex(), 1) << "backwards when none follows";
}

TEST(TabsLayout, AnIndexPastTheEndIsTakenBackToTheLastSelectableTab) {
    auto t = NewTabs(300, 100, {"A", "B", "C", "D"});
    Layout(*t);
    t->SetTabIndex(3);
    // Tabs removed without a layout leave the index past the end until the next pass.
    t->Tabs()->Clear();
    for (const char* c : {"A", "B"}) {
        auto* tab = new TFcTabData;
        tab->Caption = c;
        t->Tabs()->Add(tab);
    }
    Layout(*t);
    EXPECT_EQ(t->GetTabIndex(), 1);
}

TEST(TabsLayout, WithoutVisibleTabsTheSelectionIsLeftAlone) {
    auto t = NewTabs(300, 100, {"A"});
    t->Tabs()->Items(0)->Visible = false;
    Layout(*t);
    EXPECT_EQ(t->RowCount(), 1);
    EXPECT_EQ(t->FirstVisibleTab(), -1);
    EXPECT_EQ(t->HitTest(TPoint(5, 5)), -1);
}

TEST(TabsLayout, ContentRectanglesLeaveRoomForTheShape) {
    auto t = NewTabs(300, 100, {"AB"});
    t->SetTabStyle(tsRoundCorners);
    t->SetShowFocusRect(false);
    EXPECT_EQ(t->ContentRect(TRect(0, 0, 50, 20)), TRect(4, 2, 46, 18));
    t->SetShowFocusRect(true);
    EXPECT_EQ(t->ContentRect(TRect(0, 0, 50, 20)), TRect(5, 3, 45, 17));
    // The slant takes its overlap from the right end of a tab on top.
    t->SetTabStyle(tsSingleSlant);
    t->SetShowFocusRect(false);
    EXPECT_EQ(t->ContentRect(TRect(0, 0, 60, 20)), TRect(4, 3, 40, 19));
}

TEST(TabsLayout, RowsStopAtOnePerTabWhateverTheIndent) {
    auto t = NewTabs(120, 200, std::vector<std::string>(5, "Caption"));
    t->SetMultiLine(true);
    t->SetRowIndent(1000);
    Layout(*t);
    EXPECT_LE(t->RowCount(), 5);
    for (int i = 0; i < t->TabCount(); ++i) EXPECT_GE(t->Tabs()->Items(i)->TabRect.Width(), 0) << i;
}
