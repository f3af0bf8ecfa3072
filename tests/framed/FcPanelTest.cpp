// The framed panel and group box: the edge rule, enabled-state memory, insets and client
// areas, painting on an off-screen canvas, frame settings and layouts.
#include "controls/framed/FcPanel.h"
#include "controls/framed/FcSplit.h"
#include "PixelTesting.h"
#include "framework/FormTesting.h"

#include "framework/StdCtrls.h"

#include <gtest/gtest.h>

namespace {

TFormGuard<TForm> NewForm() {
    TFormGuard<TForm> f(TForm::Create(nullptr, false));
    f->SetBounds(60, 60, 100, 100);
    f->SetClientWidth(400);
    f->SetClientHeight(300);
    return f;
}

template <class T>
T* Add(TWinControl* parent, TComponent* owner, int l, int t, int w, int h) {
    T* c = T::Create(owner);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}

// Paints a control's client area into an off-screen canvas as WM_PRINTCLIENT asks it to.
TPixelCanvas Render(TWinControl* c) {
    TPixelCanvas p(c->Width(), c->Height());
    c->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(p.Canvas()->Handle()), PRF_CLIENT);
    return p;
}

int TextHeightOf(TFont* font, const std::string& text) {
    TBitmap b(4, 4);
    b.Canvas()->Font()->Assign(font);
    return b.Canvas()->TextHeight(text);
}

} // namespace

TEST(FcPanel, RightAndBottomPanelsKeepTheirOuterEdge) {
    TFreeGuard<TFcCustomPanel> right(TFcCustomPanel::Create(nullptr));
    right->SetAlign(alRight);
    right->SetBounds(100, 0, 169, 300);
    int left = right->Left();
    right->SetWidth(6);
    EXPECT_EQ(right->Left(), left + 163);
    right->SetHeight(200);
    EXPECT_EQ(right->Left(), left + 163);
    EXPECT_EQ(right->Top(), 0);

    TFreeGuard<TFcCustomPanel> bottom(TFcCustomPanel::Create(nullptr));
    bottom->SetAlign(alBottom);
    bottom->SetBounds(0, 200, 300, 100);
    int edge = bottom->Top() + bottom->Height();
    bottom->SetHeight(40);
    EXPECT_EQ(bottom->Top() + bottom->Height(), edge);
    int top = bottom->Top();
    bottom->SetWidth(120);
    EXPECT_EQ(bottom->Top(), top);
}

TEST(FcPanel, EnablingRestoresEachChildsOwnState) {
    auto form = NewForm();
    auto* panel = Add<TFcCustomPanel>(form.get(), form.get(), 0, 0, 200, 100);
    auto* a = Add<TEdit>(panel, form.get(), 5, 5, 50, 20);
    auto* b = Add<TEdit>(panel, form.get(), 5, 30, 50, 20);
    b->SetEnabled(false);
    panel->SetEnabled(false);
    EXPECT_FALSE(a->GetEnabled());
    panel->SetEnabled(true);
    EXPECT_TRUE(a->GetEnabled());
    EXPECT_FALSE(b->GetEnabled());
}

TEST(FcPanel, ChildThatLeftWhileDisabledIsForgotten) {
    auto form = NewForm();
    auto* panel = Add<TFcCustomPanel>(form.get(), form.get(), 0, 0, 200, 100);
    auto* child = Add<TEdit>(panel, form.get(), 5, 5, 50, 20);
    child->SetEnabled(false);
    panel->SetEnabled(false);
    child->SetParent(form.get());
    child->SetEnabled(true);
    child->SetParent(panel);
    panel->SetEnabled(true);
    EXPECT_TRUE(child->GetEnabled()) << "the entry of the child that left must not come back";
}

TEST(FcPanel, ChildrenAlignInsideTheBordersOnTheirSides) {
    auto form = NewForm();
    auto* panel = Add<TFcCustomPanel>(form.get(), form.get(), 0, 0, 100, 80);
    panel->SetBorderOuter(fsRaised);
    panel->SetBorderInner(fsFlat);
    panel->SetBorderSides({TSide::sdLeft, TSide::sdTop});
    auto* child = Add<TFcCustomPanel>(panel, form.get(), 0, 0, 10, 10);
    child->SetAlign(alClient);
    EXPECT_EQ(child->BoundsRect(), TRect(3, 3, 100, 80));
    panel->SetBorderWidth(2);
    EXPECT_EQ(child->BoundsRect(), TRect(5, 5, 98, 78));
    TRect r(0, 0, 100, 80);
    panel->InsetByBorders(r, true);
    EXPECT_EQ(r, TRect(5, 5, 98, 78));
    panel->SetBorderOuter(fsStatus);
    panel->SetBevelWidth(4);
    EXPECT_EQ(child->BoundsRect(), TRect(7, 7, 98, 78));
}

TEST(FcPanel, FlatBorderAndFacePaint) {
    TFreeGuard<TFcCustomPanel> panel(TFcCustomPanel::Create(nullptr));
    panel->SetBounds(0, 0, 40, 30);
    panel->SetBorderOuter(fsFlat);
    panel->SetFlatColor(clRed);
    panel->SetFlatColorAdjustment(0);
    panel->SetColor(clBlue);
    auto p = Render(panel.get());
    EXPECT_PIXEL(p, 0, 0, clRed);
    EXPECT_PIXEL(p, 39, 29, clRed);
    EXPECT_PIXEL(p, 1, 1, clBlue);
    EXPECT_EQ(p.Count(clBlue), 38 * 28);
}

TEST(FcPanel, GradientFaceAndTransparency) {
    TFreeGuard<TFcCustomPanel> panel(TFcCustomPanel::Create(nullptr));
    panel->SetBounds(0, 0, 20, 10);
    panel->SetBorderOuter(fsNone);
    panel->SetVisualStyle(vsGradient);
    panel->SetGradientColorStyle(gcsCustom);
    panel->SetGradientColorStart(clRed);
    panel->SetGradientColorStop(clBlue);
    auto p = Render(panel.get());
    EXPECT_EQ(p.Count(clBlue, TRect(0, 9, 20, 10)), 20);
    EXPECT_NE(p.At(0, 0), clBlue);
    panel->SetTransparent(true);
    auto q = Render(panel.get());
    EXPECT_EQ(q.Count(TPixelCanvas::Marker), 200) << "a transparent face is not filled";
}

TEST(FcPanel, GridDotsSitAtEveryStep) {
    TFreeGuard<TFcCustomPanel> panel(TFcCustomPanel::Create(nullptr));
    panel->SetBounds(0, 0, 20, 20);
    panel->SetBorderOuter(fsNone);
    panel->SetColor(clWhite);
    panel->SetGridVisible(true);
    panel->SetGridPenColor(clRed);
    auto dots = Render(panel.get());
    EXPECT_EQ(dots.Count(clRed), 4);
    EXPECT_PIXEL(dots, 7, 7, clRed);
    EXPECT_PIXEL(dots, 15, 15, clRed);
    panel->SetGridKind(2);
    auto lines = Render(panel.get());
    EXPECT_EQ(lines.Count(clRed, TRect(7, 0, 8, 20)), 20);
    panel->SetGridStepX(0);
    EXPECT_NO_THROW(Render(panel.get()));
}

TEST(FcPanel, CaptionAlignsTopAndCentre) {
    TFreeGuard<TFcCustomPanel> panel(TFcCustomPanel::Create(nullptr));
    panel->SetBounds(0, 0, 120, 60);
    panel->SetBorderOuter(fsNone);
    panel->SetColor(clWhite);
    panel->Font()->SetColor(clBlack);
    panel->Font()->SetHeight(-14);
    panel->SetCaption("Caption");
    auto firstRow = [&] {
        auto p = Render(panel.get());
        for (int y = 0; y < 60; ++y)
            if (p.Count(clBlack, TRect(0, y, 120, y + 1))) return y;
        return -1;
    };
    panel->SetAlignmentVertical(avTop);
    int top = firstRow();
    panel->SetAlignmentVertical(avCenter);
    int centre = firstRow();
    EXPECT_LT(top, 5);
    EXPECT_GT(centre, top + 15);
    panel->SetEnabled(false);
    auto grey = Render(panel.get());
    EXPECT_EQ(grey.Count(clBlack), 0);
    EXPECT_GT(grey.Count(ColorToRGB(clGrayText)), 0);
}

TEST(FcPanel, FrameSettingsReachThePanel) {
    auto form = NewForm();
    auto* panel = Add<TFcCustomPanel>(form.get(), form.get(), 0, 0, 100, 80);
    auto* frames = TFcFrameController::Create(form.get());
    frames->SetFrameStyle(fsLowered);
    frames->SetFrameColor(clRed);
    frames->SetColor(clYellow);
    panel->SetFrameController(frames);
    EXPECT_EQ(panel->GetBorderOuter(), fsRaised) << "no frame is shown yet";
    frames->SetFrameVisible(true);
    EXPECT_EQ(panel->GetBorderOuter(), fsLowered);
    EXPECT_EQ(panel->GetFlatColor(), clRed);
    EXPECT_EQ(panel->GetFlatColorAdjustment(), 0);
    EXPECT_EQ(panel->GetColor(), clYellow);
    EXPECT_EQ(panel->GetBorderHighlight(), LightenColor(clYellow, 100));
    EXPECT_EQ(panel->GetBorderShadow(), DarkenColor(clYellow, 50));

    auto* box = Add<TFcGroupBox>(form.get(), form.get(), 0, 100, 100, 80);
    box->SetFrameController(frames);
    EXPECT_EQ(box->GetBorderOuter(), fsNone) << "only custom group boxes take frame settings";
    box->SetGroupStyle(gsCustom);
    frames->SetFrameStyle(fsBump);
    EXPECT_EQ(box->GetBorderOuter(), fsBump);
}

// --- group boxes

TEST(FcGroupBox, ClientAreaPerGroupStyle) {
    auto form = NewForm();
    auto* box = Add<TFcGroupBox>(form.get(), form.get(), 0, 0, 150, 120);
    auto* child = Add<TFcCustomPanel>(box, form.get(), 0, 0, 10, 10);
    child->SetAlign(alClient);
    int h = TextHeightOf(box->Font(), "Yy");
    box->SetGroupStyle(gsBanner);
    EXPECT_EQ(child->Top(), h + 8);
    box->SetBannerHeight(30);
    EXPECT_EQ(child->Top(), 30);
    box->SetGroupStyle(gsCustom);
    EXPECT_EQ(child->BoundsRect(), TRect(2, 2, 148, 118)) << "an empty caption adds no height";
    box->SetCaption("Search");
    EXPECT_EQ(child->Top(), h + 2);
    box->SetGroupStyle(gsUnderline);
    EXPECT_EQ(child->BoundsRect(), TRect(0, h + 4, 150, 120));
    box->SetGroupStyle(gsTopLine);
    EXPECT_EQ(child->Top(), h);
    box->SetGroupStyle(gsFlat);
    EXPECT_EQ(child->BoundsRect(), TRect(1, h / 2 - 1 < 0 ? 1 : h + 1, 149, 119));
}

TEST(FcGroupBox, TransparentUnderlineShowsOnlyTheCentredCaptionAndItsLine) {
    OverrideThemesEnabled(false);
    TFreeGuard<TFcGroupBox> box(TFcGroupBox::Create(nullptr));
    box->SetBounds(0, 0, 145, 60);
    box->SetGroupStyle(gsUnderline);
    box->SetTransparent(true);
    box->SetFlatColor(clAqua);
    box->SetFlatColorAdjustment(0);
    box->SetAlignment(taCenter);
    box->Font()->SetColor(clRed);
    box->SetCaption("Search");
    TRect c = box->CaptionRect();
    auto p = Render(box.get());
    OverrideThemesEnabled(std::nullopt);
    EXPECT_EQ(c.Left, 0);
    EXPECT_EQ(c.Right, 145);
    EXPECT_EQ(p.Count(clAqua), 145);
    EXPECT_EQ(p.Count(clAqua, TRect(0, c.Bottom, 145, c.Bottom + 1)), 145);
    // Nothing else is painted: the rest keeps what was there.
    EXPECT_EQ(p.Count(TPixelCanvas::Marker, TRect(0, c.Bottom + 1, 145, 60)), 145 * (60 - c.Bottom - 1));
    int left = 145, right = 0;
    for (int y = c.Top; y < c.Bottom; ++y)
        for (int x = 0; x < 145; ++x)
            if (p.At(x, y) != TPixelCanvas::Marker) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_GT(right, left);
    EXPECT_LE(std::abs((left + right) / 2 - 72), 3) << "the caption is centred";
}

TEST(FcGroupBox, FlatStyleCutsTheCorners) {
    OverrideThemesEnabled(false);
    TFreeGuard<TFcGroupBox> box(TFcGroupBox::Create(nullptr));
    box->SetBounds(0, 0, 60, 50);
    box->SetFlatColor(clRed);
    box->SetFlatColorAdjustment(0);
    box->SetColor(clWhite);
    auto p = Render(box.get());
    OverrideThemesEnabled(std::nullopt);
    int m = TextHeightOf(box->Font(), "Pp") / 2 - 1;
    EXPECT_PIXEL(p, 0, m, clWhite);
    EXPECT_PIXEL(p, 1, m + 1, clRed);
    EXPECT_PIXEL(p, 0, m + 2, clRed);
    EXPECT_PIXEL(p, 2, m, clRed);
    EXPECT_PIXEL(p, 59, 49, clWhite);
    EXPECT_PIXEL(p, 58, 48, clRed);
}

TEST(FcGroupBox, BannerFillsItsStripWithTheGradient) {
    OverrideThemesEnabled(false);
    TFreeGuard<TFcGroupBox> box(TFcGroupBox::Create(nullptr));
    box->SetBounds(0, 0, 80, 60);
    box->SetGroupStyle(gsBanner);
    box->SetBannerHeight(20);
    box->SetGradientColorStyle(gcsCustom);
    box->SetGradientColorStart(clYellow);
    box->SetGradientColorStop(clBlue);
    box->SetFlatColor(clRed);
    box->SetFlatColorAdjustment(0);
    box->SetCaption("Banner");
    auto p = Render(box.get());
    OverrideThemesEnabled(std::nullopt);
    EXPECT_PIXEL(p, 0, 0, box->GetColor());   // a cut corner
    EXPECT_PIXEL(p, 40, 0, clRed);
    EXPECT_PIXEL(p, 0, 10, clRed);
    EXPECT_PIXEL(p, 2, 18, clBlue);            // the gradient's last row
}

TEST(FcGroupBox, AcceleratorSelectsTheFirstChild) {
    auto form = NewForm();
    auto* box = Add<TFcGroupBox>(form.get(), form.get(), 0, 0, 150, 120);
    box->SetCaption("&Search");
    auto* first = Add<TEdit>(box, form.get(), 10, 30, 80, 21);
    Add<TEdit>(box, form.get(), 10, 60, 80, 21);
    auto* outside = Add<TEdit>(form.get(), form.get(), 200, 30, 80, 21);
    form->Show();
    outside->SetFocus();
    PumpIdle();
    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 's', 0), 1);
    EXPECT_TRUE(first->Focused());
}

TEST(FcGroupBox, MainWindowSettingsAndObsoletePropertiesLoad) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    ReadLayout(form.get(),
               "object F: TForm\n"
               "  object grbSearch: TFcGroupBox\n"
               "    Left = 15\n"
               "    Top = 168\n"
               "    Width = 145\n"
               "    Height = 137\n"
               "    Alignment = taCenter\n"
               "    Caption = 'Search'\n"
               "    Font.Name = 'Verdana'\n"
               "    FlatColor = clAqua\n"
               "    GroupStyle = gsUnderline\n"
               "    Transparent = True\n"
               "    VisualStyle = vsGradient\n"
               "    FrameSides = [sdLeft, sdTop]\n"
               "    ThemeAware = False\n"
               "  end\n"
               "  object grbItemInfo: TFcGroupBox\n"
               "    GroupStyle = gsUnderline\n"
               "    Visible = False\n"
               "    UseGradients = True\n"
               "  end\n"
               "end\n",
               "GroupLayout");
    auto* search = dynamic_cast<TFcGroupBox*>(form->FindComponent("grbSearch"));
    auto* info = dynamic_cast<TFcGroupBox*>(form->FindComponent("grbItemInfo"));
    ASSERT_TRUE(search && info);
    EXPECT_EQ(search->GetGroupStyle(), gsUnderline);
    EXPECT_TRUE(search->GetTransparent());
    EXPECT_EQ(search->GetFlatColor(), clAqua);
    EXPECT_EQ(search->GetAlignment(), taCenter);
    EXPECT_EQ(search->GetVisualStyle(), vsGradient);
    EXPECT_EQ(search->GetBorderSides(), AllSides) << "the obsolete FrameSides is dropped";
    EXPECT_FALSE(info->GetVisible());
    EXPECT_EQ(info->GetVisualStyle(), vsGradient);
}


// --- docking

TEST(FcPanelDocking, ADockSiteWithAManagerPlacesItsClients) {
    auto form = NewForm();
    auto* panel = Add<TFcCustomPanel>(form.get(), form.get(), 0, 0, 160, 200);
    panel->SetBorderOuter(fsNone);
    auto* client = TEdit::Create(form.get());
    panel->DockControl(client);
    EXPECT_NE(client->Parent(), panel) << "no dock site yet";
    panel->SetDockSite(true);
    EXPECT_EQ(panel->DockManager(), nullptr);
    panel->SetUseDockManager(true);
    ASSERT_NE(panel->DockManager(), nullptr);
    EXPECT_TRUE(panel->GetDoubleBuffered());
    panel->DockControl(client);
    EXPECT_EQ(client->Parent(), panel);
    EXPECT_EQ(client->BoundsRect(), TRect(0, 14, 160, 200)) << "below a 14-pixel caption strip";
    client->SetParent(form.get());
    EXPECT_FALSE(panel->DockManager()->IsClient(client));
}

TEST(FcPanelDocking, CaptionStripsShowTheClientAndItsState) {
    auto form = NewForm();
    auto* panel = Add<TFcCustomPanel>(form.get(), form.get(), 0, 0, 160, 200);
    panel->SetBorderOuter(fsNone);
    panel->SetDockSite(true);
    panel->SetUseDockManager(true);
    auto* client = TEdit::Create(form.get());
    client->SetText("Docked");
    panel->DockControl(client);
    auto p = Render(panel);
    EXPECT_PIXEL(p, 80, 2, clInactiveCaption);
    EXPECT_PIXEL(p, 80, 13, clInactiveCaption);
    panel->SetShowDockClientCaptions(false);
    auto plain = Render(panel);
    EXPECT_NE(plain.At(80, 13), ColorToRGB(clInactiveCaption));

    panel->SetShowDockClientCaptions(true);
    panel->SetAlign(alTop);
    EXPECT_EQ(client->BoundsRect(), TRect(14, 0, 400, 200)) << "a top panel's strip runs down the left";
    auto top = Render(panel);
    EXPECT_PIXEL(top, 7, 100, clInactiveCaption);
}

TEST(FcPanelDocking, SizePanelDockSiteWidensItsBarAndDrawsNoFramesCollapsed) {
    auto form = NewForm();
    auto* panel = TFcSizePanel::Create(form.get());
    panel->SetParent(form.get());
    panel->SetAlign(alRight);
    panel->SetWidth(160);
    panel->SetDockSite(true);
    panel->SetUseDockManager(true);
    TRect bar;
    panel->SizeBarRect(bar);
    EXPECT_EQ(bar.Width(), 4 + 1);
    auto* client = TEdit::Create(form.get());
    panel->DockControl(client);
    EXPECT_EQ(client->Left(), 4 + 1);
    EXPECT_EQ(client->Top(), 14);
    auto open = Render(panel);
    EXPECT_PIXEL(open, 80, 5, clInactiveCaption);

    TFormGuard<TForm> stored(TForm::Create(nullptr, false));
    ReadLayout(stored.get(),
               "object F: TForm\n"
               "  object sp: TFcSizePanel\n"
               "    Align = alRight\n"
               "    Width = 160\n"
               "    DockSite = True\n"
               "    UseDockManager = True\n"
               "    HotSpotClosed = True\n"
               "  end\n"
               "end\n",
               "DockedSizePanel");
    auto* collapsed = dynamic_cast<TFcSizePanel*>(stored->FindComponent("sp"));
    ASSERT_NE(collapsed, nullptr);
    collapsed->DockControl(TEdit::Create(stored.get()));
    auto shut = Render(collapsed);
    EXPECT_EQ(shut.Count(ColorToRGB(clInactiveCaption)), 0) << "a collapsed panel draws no frames";
}
