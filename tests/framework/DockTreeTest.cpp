// The dock tree: zones shared by the docked controls, grabbers, frames.
#include "FormTesting.h"
#include "common/Screenshot.h"
#include "framework/DockTree.h"
#include "framework/ExtCtrls.h"

#include <gtest/gtest.h>

namespace {

class TRowTree : public TDockTree {
public:
    using TDockTree::TDockTree;
protected:
    bool ZonesInARow() const override { return true; }
};

class DockTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        site = TPanel::Create(form.get());
        site->SetParent(form.get());
        site->SetBevelOuter(bvNone);
        site->SetBounds(0, 0, 200, 100);
        a = TPanel::Create(form.get());
        b = TPanel::Create(form.get());
    }
    TFormGuard<TForm> form{TForm::Create(nullptr, false)};
    TPanel* site = nullptr;
    TPanel* a = nullptr;
    TPanel* b = nullptr;
};

} // namespace

TEST_F(DockTreeTest, ClientsShareTheSiteBelowTheirGrabbers) {
    TDockTree tree(site);
    tree.InsertControl(a);
    EXPECT_EQ(a->Parent(), site);
    EXPECT_EQ(a->BoundsRect(), TRect(0, 12, 200, 100));
    tree.InsertControl(b);
    tree.InsertControl(b);
    EXPECT_EQ(tree.ClientCount(), 2);
    EXPECT_EQ(tree.ZoneRect(a), TRect(0, 0, 200, 50));
    EXPECT_EQ(b->BoundsRect(), TRect(0, 62, 200, 100));
    a->SetVisible(false);
    tree.ResetBounds();
    EXPECT_TRUE(tree.ZoneRect(a).IsEmpty());
    EXPECT_EQ(b->BoundsRect(), TRect(0, 12, 200, 100));
    tree.RemoveControl(b);
    EXPECT_FALSE(tree.IsClient(b));
    EXPECT_EQ(b->Parent(), site) << "an undocked control stays where it is";
}

TEST_F(DockTreeTest, ZonesInARowPutTheGrabberAtTheLeft) {
    TRowTree tree(site);
    tree.InsertControl(a);
    tree.InsertControl(b);
    EXPECT_EQ(a->BoundsRect(), TRect(12, 0, 100, 100));
    EXPECT_EQ(b->BoundsRect(), TRect(112, 0, 200, 100));
}

TEST_F(DockTreeTest, FramesAreDrawnInTheGrabberStrips) {
    TDockTree tree(site);
    tree.InsertControl(a);
    tree.InsertControl(b);
    TBitmap canvas;
    FillBitmap(canvas, 200, 100, clRed);
    tree.PaintSite(canvas.Canvas());
    EXPECT_EQ(CountPixels(canvas, clRed, TRect(0, 0, 200, 12)), 0);
    EXPECT_EQ(CountPixels(canvas, clRed, TRect(0, 50, 200, 62)), 0);
    EXPECT_EQ(CountPixels(canvas, clRed, TRect(0, 12, 200, 50)), 200 * 38);
    EXPECT_EQ(PixelAt(canvas, 100, 3), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(PixelAt(canvas, 100, 5), ColorToRGB(clBtnShadow));
}
