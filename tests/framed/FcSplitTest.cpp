// The size panel: bar and hot-spot geometry, clamping against the parent, hot-spot pictures,
// collapsing and restoring with the mouse, dragging, cancelling, cursors and streaming.
#include "controls/framed/FcSplit.h"
#include "PixelTesting.h"
#include "framework/FormTesting.h"

#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"

#include <gtest/gtest.h>

namespace {

TFormGuard<TForm> NewForm(int w = 741, int h = 369) {
    TFormGuard<TForm> f(TForm::Create(nullptr, false));
    f->SetBounds(40, 40, 100, 100);
    f->SetClientWidth(w);
    f->SetClientHeight(h);
    return f;
}

TFcSizePanel* AddPanel(TWinControl* parent, TComponent* owner, TAlign align, int size) {
    auto* p = TFcSizePanel::Create(owner);
    p->SetParent(parent);
    p->SetAlign(align);
    if (align == alLeft || align == alRight) p->SetWidth(size);
    else p->SetHeight(size);
    return p;
}

void Mouse(TWinControl* c, UINT msg, int x, int y) {
    SendMessageA(c->Handle(), msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}

TPixelCanvas Render(TWinControl* c) {
    TPixelCanvas p(c->Width(), c->Height());
    c->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(p.Canvas()->Handle()), PRF_CLIENT);
    return p;
}

} // namespace

// --- geometry

TEST(FcSizePanel, BarLiesOnTheEdgeFacingTheRest) {
    TFreeGuard<TFcSizePanel> p(TFcSizePanel::Create(nullptr));
    p->SetBounds(0, 0, 100, 50);
    TRect r;
    struct TCase { TAlign A; TRect Bar; bool Horizontal, Start; };
    const TCase cases[] = {
        {alLeft, TRect(96, 0, 100, 50), false, true},
        {alTop, TRect(0, 46, 100, 50), true, true},
        {alRight, TRect(0, 0, 4, 50), false, false},
        {alBottom, TRect(0, 0, 100, 4), true, false},
        {alClient, TRect(), false, false},
    };
    for (const auto& c : cases) {
        p->SetAlign(c.A);
        p->SetBounds(0, 0, 100, 50);
        p->SizeBarRect(r);
        EXPECT_EQ(r, c.Bar) << EnumToIdent(c.A);
        EXPECT_EQ(p->IsHorizontalBar(), c.Horizontal) << EnumToIdent(c.A);
        if (c.A != alClient) {
            EXPECT_EQ(p->IsStartSide(), c.Start) << EnumToIdent(c.A);
        }
    }
    p->SetAlign(alNone);
    p->SetSide(TSide::sdBottom);
    p->SizeBarRect(r);
    EXPECT_EQ(r, TRect(0, 0, 100, 4));
}

TEST(FcSizePanel, HotSpotLengthIsAPercentOfTheBar) {
    TFreeGuard<TFcSizePanel> p(TFcSizePanel::Create(nullptr));
    p->SetAlign(alRight);
    p->SetBounds(0, 0, 169, 369);
    p->SetHotSpotSizePercent(6);
    TRect r;
    p->SizeBarRect(r);
    EXPECT_EQ(p->HotSpotRect().Height(), 22);
    EXPECT_EQ(p->HotSpotRect(), TRect(0, 184 - 11, 4, 184 + 11));
    p->SetHotSpotSizePercent(0);
    p->SizeBarRect(r);
    EXPECT_TRUE(p->HotSpotRect().IsEmpty());
}

TEST(FcSizePanel, SizeBarWidthRules) {
    TFreeGuard<TFcSizePanel> p(TFcSizePanel::Create(nullptr));
    EXPECT_EQ(p->GetSizeBarWidth(), 4);
    p->SetSizeBarStyle(ssBump);
    EXPECT_EQ(p->GetSizeBarWidth(), 6);
    p->SetHotSpotVisible(true);
    EXPECT_EQ(p->GetSizeBarWidth(), 7);
    p->SetSizeBarWidth(0);
    EXPECT_EQ(p->GetSizeBarWidth(), 1);
}

TEST(FcSizePanel, MarginsNeedAParent) {
    TFreeGuard<TFcSizePanel> p(TFcSizePanel::Create(nullptr));
    try {
        p->SetMarginMin(10);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "No parent specified");
    }
}

TEST(FcSizePanel, FreeAreaAndClampingFollowTheSiblings) {
    auto form = NewForm(400, 300);
    auto* top = TPanel::Create(form.get());
    top->SetParent(form.get());
    top->SetAlign(alTop);
    top->SetHeight(30);
    auto* right = AddPanel(form.get(), form.get(), alRight, 100);
    auto* left = AddPanel(form.get(), form.get(), alLeft, 80);
    TRect area;
    left->ParentFreeArea(area);
    EXPECT_EQ(area, TRect(80, 30, 300, 300));
    EXPECT_EQ(left->MaxPanelSize(), 300);
    int p = 1000;
    left->ClampBarPosition(p);
    EXPECT_EQ(p, 300);
    p = 2;
    left->ClampBarPosition(p);
    EXPECT_EQ(p, 4 + 1);
    EXPECT_EQ(right->MaxPanelSize(), 300 + 100 - 80);
    p = -1000;
    right->ClampBarPosition(p);
    EXPECT_EQ(p, 80 - 300);
    left->SetMarginMax(1000);
    EXPECT_EQ(left->GetMarginMax(), 300);
    left->SetMarginMin(50);
    EXPECT_EQ(left->GetMarginMin(), 0) << "the two margins cannot exceed the room";
    left->SetMarginMax(-5);
    EXPECT_EQ(left->GetMarginMax(), 0);
}

// --- pictures

TEST(FcSizePanel, HotSpotDotsStartAtThirtyPixels) {
    TFreeGuard<TFcSizePanel> p(TFcSizePanel::Create(nullptr));
    p->SetAlign(alTop);
    p->SetHotSpotVisible(true);
    p->SetHotSpotDotColor(clRed);
    p->SetColor(clWhite);
    auto dotsAlongTheMiddle = [&](int length) {
        p->SetBounds(0, 0, 200, 40);
        p->SetHotSpotSizePercent(length * 100 / 200);
        TRect bar;
        p->SizeBarRect(bar);
        auto c = Render(p.get());
        TRect h = p->HotSpotRect();
        int m = h.Top + h.Height() / 2;
        return c.Count(clRed, TRect(h.Left + 12, m, h.Right - 12, m + 1));
    };
    EXPECT_EQ(dotsAlongTheMiddle(28), 0);
    EXPECT_EQ(dotsAlongTheMiddle(34), 1);
    EXPECT_EQ(dotsAlongTheMiddle(40), 3);
}

TEST(FcSizePanel, ArrowsPointTheWayTheNextClickMoves) {
    TFreeGuard<TFcSizePanel> p(TFcSizePanel::Create(nullptr));
    p->SetAlign(alRight);
    p->SetBounds(0, 0, 60, 100);
    p->SetHotSpotVisible(true);
    p->SetHotSpotSizePercent(40);
    p->SetHotSpotDotColor(clRed);
    TRect bar;
    p->SizeBarRect(bar);
    auto c = Render(p.get());
    TRect h = p->HotSpotRect();
    int m = h.Left + h.Width() / 2;
    // An open right panel collapses to the right: the tip (one pixel) is right of the base.
    EXPECT_PIXEL(c, m + 1, h.Top + 8, clRed);
    EXPECT_PIXEL(c, m - 1, h.Top + 6, clRed);
    EXPECT_PIXEL(c, m - 1, h.Top + 10, clRed);
    EXPECT_PIXEL(c, m + 1, h.Top + 6, clBtnFace);
}

// --- the mouse

namespace {
// The main window's side bar: a 169-wide right panel with a locked bar and a hot spot,
// beside a list that fills the rest.
class SidePanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        list = TListView::Create(form.get());
        list->SetParent(form.get());
        list->SetAlign(alClient);
        panel = AddPanel(form.get(), form.get(), alRight, 169);
        panel->SetHotSpotVisible(true);
        panel->SetLockBar(true);
        panel->SetSizeBarWidth(5);
        panel->SetHotSpotSizePercent(6);
        panel->OnHotSpotClick = [this](TObject*) { ++clicks; };
        form->Show();
        PumpIdle();
        TRect bar;
        panel->SizeBarRect(bar);
        hot = panel->HotSpotRect();
    }
    TPoint HotCentre() const { return TPoint(hot.Left + hot.Width() / 2, hot.Top + hot.Height() / 2); }
    void Click(TPoint down, TPoint up) {
        Mouse(panel, WM_LBUTTONDOWN, down.X, down.Y);
        Mouse(panel, WM_LBUTTONUP, up.X, up.Y);
    }
    TFormGuard<TForm> form = NewForm();
    TListView* list = nullptr;
    TFcSizePanel* panel = nullptr;
    TRect hot;
    int clicks = 0;
};
} // namespace

TEST_F(SidePanelTest, HotSpotCollapsesToTheBarAndRestores) {
    EXPECT_EQ(list->Width(), 741 - 169);
    Click(HotCentre(), HotCentre());
    EXPECT_EQ(panel->Width(), 6);
    EXPECT_EQ(panel->Left() + panel->Width(), 741);
    EXPECT_TRUE(panel->HotSpotClosed());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list->Width(), 741 - 6) << "the list takes the space";
    TRect bar;
    panel->SizeBarRect(bar);
    Click(TPoint(2, HotCentre().Y), TPoint(2, HotCentre().Y));
    EXPECT_EQ(panel->Width(), 169);
    EXPECT_FALSE(panel->HotSpotClosed());
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(list->Width(), 741 - 169);
    EXPECT_FALSE(panel->Resizing());
    EXPECT_FALSE(panel->MouseCapture());
}

TEST_F(SidePanelTest, LockedBarIgnoresPressesOutsideTheHotSpot) {
    Mouse(panel, WM_LBUTTONDOWN, 2, 5);
    EXPECT_FALSE(panel->Resizing());
    Mouse(panel, WM_MOUSEMOVE, -40, 5);
    Mouse(panel, WM_LBUTTONUP, -40, 5);
    EXPECT_EQ(panel->Width(), 169);
    EXPECT_EQ(clicks, 0);
}

TEST_F(SidePanelTest, ReleaseOutsideTheHotSpotDoesNotToggle) {
    Mouse(panel, WM_LBUTTONDOWN, HotCentre().X, HotCentre().Y);
    Mouse(panel, WM_MOUSEMOVE, 80, 10);
    Mouse(panel, WM_LBUTTONUP, 80, 10);
    EXPECT_EQ(panel->Width(), 169);
    EXPECT_FALSE(panel->HotSpotClosed());
    EXPECT_EQ(clicks, 0);
}

TEST_F(SidePanelTest, LockedBarKeepsTheDefaultCursor) {
    TPoint p = panel->ClientToScreen(TPoint(2, 5));
    SetCursorPos(p.X, p.Y);
    SendMessageA(panel->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(panel->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
    panel->SetLockBar(false);
    SendMessageA(panel->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(panel->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    HCURSOR bar = GetCursor();
    EXPECT_NE(bar, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_NE(bar, nullptr);
    p = panel->ClientToScreen(HotCentre());
    SetCursorPos(p.X, p.Y);
    SendMessageA(panel->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(panel->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), bar) << "the hot spot has its own cursor";
}

TEST_F(SidePanelTest, DraggingTheBarResizesOnRelease) {
    panel->SetLockBar(false);
    Mouse(panel, WM_LBUTTONDOWN, 2, 10);
    EXPECT_TRUE(panel->Resizing());
    Mouse(panel, WM_MOUSEMOVE, -28, 10);
    EXPECT_EQ(panel->Width(), 169) << "only a line moves while dragging";
    Mouse(panel, WM_LBUTTONUP, -28, 10);
    EXPECT_EQ(panel->Width(), 199);
    EXPECT_EQ(panel->Left() + panel->Width(), 741);
    EXPECT_EQ(clicks, 0);
}

TEST_F(SidePanelTest, RealTimeDragResizesWhileMoving) {
    panel->SetLockBar(false);
    panel->SetRealTimeDrag(true);
    Mouse(panel, WM_LBUTTONDOWN, 2, 10);
    Mouse(panel, WM_MOUSEMOVE, 22, 10);
    EXPECT_LT(panel->Width(), 169);
    Mouse(panel, WM_LBUTTONUP, 22, 10);
    EXPECT_FALSE(panel->Resizing());
}

TEST_F(SidePanelTest, EscapeEndsTheDragCleanly) {
    panel->SetLockBar(false);
    Mouse(panel, WM_LBUTTONDOWN, HotCentre().X, HotCentre().Y);
    ASSERT_TRUE(panel->Resizing());
    panel->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(panel->Resizing());
    EXPECT_FALSE(panel->MouseCapture());
    Mouse(panel, WM_LBUTTONUP, HotCentre().X, HotCentre().Y);
    EXPECT_EQ(panel->Width(), 169);
    EXPECT_FALSE(panel->HotSpotClosed()) << "the pending hot-spot press went with Escape";
    EXPECT_EQ(clicks, 0);
}

TEST_F(SidePanelTest, LosingTheCaptureEndsTheDrag) {
    panel->SetLockBar(false);
    Mouse(panel, WM_LBUTTONDOWN, 2, 10);
    ASSERT_TRUE(panel->Resizing());
    SetCapture(list->Handle());
    EXPECT_FALSE(panel->Resizing());
    ReleaseCapture();
    Mouse(panel, WM_LBUTTONUP, -50, 10);
    EXPECT_EQ(panel->Width(), 169);
}

TEST(FcSizePanelLayout, CollapsedPanelComesBackCollapsed) {
    auto form = NewForm(500, 300);
    ReadLayout(form.get(),
               "object F: TForm\n"
               "  object SizePanelPL: TFcSizePanel\n"
               "    Align = alRight\n"
               "    Width = 6\n"
               "    HotSpotVisible = True\n"
               "    SizeBarWidth = 5\n"
               "    HotSpotSizePercent = 6\n"
               "    LockBar = True\n"
               "    HotSpotClosed = True\n"
               "    HotSpotPosition = 169\n"
               "  end\n"
               "end\n",
               "SizeLayout");
    auto* panel = dynamic_cast<TFcSizePanel*>(form->FindComponent("SizePanelPL"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->GetSizeBarWidth(), 5) << "the stored width read after HotSpotVisible wins";
    EXPECT_TRUE(panel->HotSpotClosed());
    EXPECT_EQ(panel->HotSpotPosition(), 169);
    form->Show();
    PumpIdle();
    TRect bar;
    panel->SizeBarRect(bar);
    TRect hot = panel->HotSpotRect();
    TPoint c(hot.Left + hot.Width() / 2, hot.Top + hot.Height() / 2);
    Mouse(panel, WM_LBUTTONDOWN, c.X, c.Y);
    Mouse(panel, WM_LBUTTONUP, c.X, c.Y);
    EXPECT_EQ(panel->Width(), 169);
    EXPECT_EQ(panel->Left() + panel->Width(), 500);
}

