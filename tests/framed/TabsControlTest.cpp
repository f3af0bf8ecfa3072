// The page control on real windows: painting in every orientation, selection by mouse and
// keys with a veto, dragging a tab, the scroller, the close button, and pages switched by
// code.
#include "TabsTesting.h"
#include "common/Screenshot.h"

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
