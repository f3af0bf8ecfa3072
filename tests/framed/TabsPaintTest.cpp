// Painting: the outline interpreter and its shadow lines, the card outline's command
// lists, and what a paint leaves in the off-screen bitmap (fills, bars, accelerators).
#include "TabsTesting.h"
#include "common/Screenshot.h"

#include <gtest/gtest.h>

#include <map>

namespace {
TColor Rgb(TColor c) { return ColorToRGB(c); }

// The commands of one outline, as (command, x, y) triples; lone commands carry (0, 0).
struct TCmd {
    int Cmd, X, Y;
    bool operator==(const TCmd&) const = default;
};
std::vector<TCmd> Commands(const TFcOutline& o) {
    std::vector<TCmd> out;
    const auto& c = o.Commands();
    for (size_t i = 0; i < c.size();) {
        if (c[i] < TFcOutline::cmBegin) {
            out.push_back({c[i], 0, 0});
            ++i;
        } else {
            out.push_back({c[i], c[i + 1], c[i + 2]});
            i += 3;
        }
    }
    return out;
}
std::ostream& operator<<(std::ostream& os, const TCmd& c) { return os << "(" << c.Cmd << " " << c.X << "," << c.Y << ")"; }

enum { Begin = 2, Color = 0, Move = 3, Line = 4, Dark = 5, Light = 6 };

struct THotOnly : TMeasuredTabs {
    using TMeasuredTabs::TMeasuredTabs;
    void SetHotTrackOnly(bool v) { hotTrackOnly_ = v; }
};

// A page control shown on a form; its off-screen bitmap holds its last paint.
struct TPainted : TPageForm {
    explicit TPainted(const std::vector<std::string>& captions) : TPageForm(300, 160, captions) {
        Pages->SetActivePage(Sheets[0]);
    }
    TBitmap& Paint() {
        Pages->Repaint();
        return *Pages->OffscreenBitmap();
    }
    // The pixels of a rectangle of the last paint, row by row.
    std::vector<uint32_t> Pixels(const TRect& r) {
        TBitmap& b = *Pages->OffscreenBitmap();
        std::vector<uint32_t> out;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) out.push_back(b.ScanLine(y)[x] & 0xFFFFFF);
        return out;
    }
};
} // namespace

// ---------------------------------------------------------------------------------------
// The interpreter

TEST(TabsOutline, LinesTakeTheOutlineColourAndShadowsDarkenTheBackground) {
    TBitmap canvas(20, 20), background(20, 20);
    FillBitmap(canvas, 20, 20, clWhite);
    FillBitmap(background, 20, 20, clYellow);
    TFcOutline o;
    o.Begin(0, 0);
    o.Color();
    o.MoveTo(TPoint(1, 1));
    o.LineTo(TPoint(5, 1));
    o.MoveTo(TPoint(8, 2));
    o.DarkShadowTo(TPoint(8, 6));
    o.LightShadowTo(TPoint(3, 9));
    ASSERT_TRUE(o.HasShadow());
    o.Draw(*canvas.Canvas(), clRed, &background);
    EXPECT_EQ(PixelAt(canvas, 1, 1), clRed);
    EXPECT_EQ(PixelAt(canvas, 4, 1), clRed);
    EXPECT_EQ(PixelAt(canvas, 5, 1), clWhite) << "a line leaves out its end";
    const TColor dark = MixColors(clBlack, clYellow, 30), light = MixColors(clBlack, clYellow, 15);
    for (int y = 2; y <= 6; ++y) EXPECT_EQ(PixelAt(canvas, 8, y), dark) << y;
    // Not vertical: horizontal at the left end's height, both ends included.
    for (int x = 3; x <= 8; ++x) EXPECT_EQ(PixelAt(canvas, x, 9), light) << x;
    EXPECT_EQ(PixelAt(canvas, 8, 7), clWhite);
}

TEST(TabsOutline, ACardWithoutTabsHasAShadowUnlessOnlyTheHotTabChanged) {
    TFreeGuard<THotOnly> t(new THotOnly(nullptr));
    CompleteConstruction(t.get());
    t->SetBounds(0, 0, 100, 60);
    Layout(*t);
    t->BuildCardOutline(0);
    const std::vector<TCmd> frame = {{Begin, 1, 0}, {Color, 0, 0}, {Move, 0, 0},  {Line, 97, 0},
                                     {Line, 97, 57}, {Line, 0, 57}, {Line, 0, 0}};
    std::vector<TCmd> withShadow = frame;
    for (TCmd c : {TCmd{Move, 98, 1}, TCmd{Dark, 98, 58}, TCmd{Dark, 0, 58}, TCmd{Move, 98, 0}, TCmd{Light, 99, 0},
                   TCmd{Light, 99, 59}, TCmd{Light, 0, 59}, TCmd{Light, 0, 58}})
        withShadow.push_back(c);
    EXPECT_EQ(Commands(t->Outline()), withShadow);
    t->SetHotTrackOnly(true);
    t->BuildCardOutline(0);
    EXPECT_EQ(Commands(t->Outline()), frame);
}

TEST(TabsOutline, TheSelectedTabOpensIntoTheCard) {
    auto t = NewTabs(100, 60, {"AB", "AB"});
    t->SetTabStyle(tsSquareCorners);
    t->SetTabOrientation(toLeft);
    Layout(*t);
    t->SetTabIndex(0);
    t->BuildCardOutline(0);
    // Tab 0 runs from y 58 up to y 38 on the card's left edge at x 27.
    const TRect c = t->CardRect(0);
    ASSERT_EQ(c, TRect(27, 0, 99, 59));
    const TRect tab = t->TabRect(0);
    const std::vector<TCmd> expected = {
        {Begin, 1, 0}, {Color, 0, 0},     {Move, 27, 59},   {Line, 27, tab.Bottom - 1},
        {Move, 27, tab.Top},            {Line, 27, 0},    {Line, 99, 0},   {Line, 99, 59}, {Line, 26, 59}};
    EXPECT_EQ(Commands(t->Outline()), expected);
}

TEST(TabsOutline, TabOutlinesHaveTheirStylesPointCount) {
    auto t = NewTabs(200, 60, {"AB"});
    for (TFcTabStyle s : {tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners, tsBackSlant, tsSquareCorners}) {
        t->SetTabStyle(s);
        Layout(*t);
        t->BuildTabOutline(0);
        auto cmds = Commands(t->Outline());
        // Begin, colour, a move and a line to every further point; the base stays open.
        EXPECT_EQ(static_cast<int>(cmds.size()), 2 + TabShapePointCount(s, false));
        EXPECT_EQ(cmds[2].Cmd, Move);
    }
}

// ---------------------------------------------------------------------------------------
// The painted picture

// A point of the last tab above its caption and one below it, clear of the slant of the
// tab before it.
struct TTabColumn {
    TPoint Top, Bottom;
    explicit TTabColumn(const TRect& r) : Top(r.Left + 10, r.Top + 1), Bottom(r.Left + 10, r.Bottom - 1) {}
};

TEST(TabsPaint, UnselectedTabsAreShadedTowardsTheCard) {
    TPainted f({"One", "Two"});
    f.Show();
    TBitmap& b = f.Paint();
    const TTabColumn c(f.Pages->TabRect(1));
    const TColor top = PixelAt(b, c.Top.X, c.Top.Y), bottom = PixelAt(b, c.Bottom.X, c.Bottom.Y);
    EXPECT_GT(ColorR(top), ColorR(bottom)) << "lighter on the outer side";
    // Without full colour: the light colour only.
    SetFullColorDisplay(false);
    f.Paint();
    SetFullColorDisplay(true);
    EXPECT_EQ(PixelAt(b, c.Top.X, c.Top.Y), Rgb(clWindow));
    EXPECT_EQ(PixelAt(b, c.Bottom.X, c.Bottom.Y), Rgb(clWindow));
}

TEST(TabsPaint, AWhiteColouredTabShadesToButtonFace) {
    TPainted f({"One", "Two"});
    f.Sheets[1]->SetColor(clWhite);
    f.Pages->SetUseGradients(false);
    f.Show();
    TBitmap& b = f.Paint();
    const TTabColumn c(f.Pages->TabRect(1));
    EXPECT_EQ(PixelAt(b, c.Bottom.X, c.Bottom.Y), Rgb(clWhite)) << "filled with the light colour";
    f.Pages->SetUseGradients(true);
    f.Paint();
    // Towards button face, not towards a darkened white.
    const TColor bottom = PixelAt(b, c.Bottom.X, c.Bottom.Y);
    EXPECT_LT(ColorR(bottom), 255);
    EXPECT_GE(ColorR(bottom) + 1, ColorR(Rgb(clBtnFace)));
}

TEST(TabsPaint, AHandledTabBackgroundKeepsTheOutline) {
    TPainted f({"One", "Two"});
    f.Pages->SetBackgroundColor(clFuchsia);
    f.Pages->OnPaintTabBackground = [](TObject*, TCanvas*, int index, const TRect&, bool& handled) {
        handled = index == 1;
    };
    f.Show();
    TBitmap& b = f.Paint();
    const TRect r = f.Pages->TabRect(1);
    EXPECT_EQ(PixelAt(b, r.Left + 6, r.Top + 4), Rgb(clFuchsia)) << "left unfilled";
    EXPECT_EQ(PixelAt(b, r.Left + 6, r.Top), Rgb(clBtnShadow)) << "the outline is still drawn";
    const TRect first = f.Pages->TabRect(0);
    EXPECT_NE(PixelAt(b, first.Left + 6, first.Top + 4), Rgb(clFuchsia));
}

TEST(TabsPaint, TheSelectionBarShowsOnlyWithHotTracking) {
    TPainted f({"One", "Two"});
    f.Pages->SetHotTrackStyle(htsTabBar);
    f.Pages->GetTabColors()->SetHighlightBar(clLime);
    f.Show();
    TBitmap& b = f.Paint();
    const TRect r = f.Pages->TabRect(0);
    EXPECT_EQ(PixelAt(b, r.Left + 8, r.Top + 2), Rgb(clLime));
    EXPECT_EQ(PixelAt(b, r.Left + 8, r.Top + 8), Rgb(f.Pages->GetColor())) << "a strip on the outer side";
    f.Pages->SetHotTrack(false);
    f.Paint();
    EXPECT_NE(PixelAt(b, r.Left + 8, r.Top + 2), Rgb(clLime));
}

namespace {
// Where a lone tab's caption left ink (pixels other than the tab's own colour) inside its
// content rectangle, and how much; the caption's measured width too.
struct TInk {
    TRect Box;
    int Pixels = 0;
    int Measured = 0;
    std::vector<int> Rows;   // ink pixels per row
};
TInk CaptionInk(const std::string& caption) {
    TPainted f({caption});
    f.Pages->SetShowFocusRect(false);
    f.Show();
    TBitmap& b = f.Paint();
    const TRect content = f.Pages->ContentRect(f.Pages->TabRect(0));
    const TColor face = Rgb(f.Pages->GetColor());
    TInk ink;
    ink.Box = TRect(content.Right, content.Bottom, content.Left, content.Top);
    for (int y = content.Top; y < content.Bottom; ++y) {
        int row = 0;
        for (int x = content.Left; x < content.Right; ++x) {
            if (PixelAt(b, x, y) == face) continue;
            ++row;
            ink.Box = TRect(std::min(ink.Box.Left, x), std::min(ink.Box.Top, y), std::max(ink.Box.Right, x + 1),
                            std::max(ink.Box.Bottom, y + 1));
        }
        ink.Rows.push_back(row);
        ink.Pixels += row;
    }
    ink.Measured = f.Pages->CaptionExtent(caption, true).cx;
    return ink;
}
} // namespace

TEST(TabsPaint, AMarkedLetterIsUnderlinedAndTheMarkNotShown) {
    const TInk plain = CaptionInk("WWW"), marked = CaptionInk("W&WW");
    ASSERT_EQ(plain.Measured, marked.Measured) << "the mark is not measured";
    ASSERT_GT(plain.Pixels, 0);
    EXPECT_EQ(marked.Box.Left, plain.Box.Left);
    EXPECT_EQ(marked.Box.Right, plain.Box.Right);
    // The underline adds ink on rows below the letters, about one letter long.
    const int added = marked.Pixels - plain.Pixels;
    EXPECT_GT(added, 2);
    EXPECT_LT(added, plain.Measured / 2);
    EXPECT_GE(marked.Box.Bottom, plain.Box.Bottom);
}

TEST(TabsPaint, ADoubledMarkShowsOnce) {
    const TInk ink = CaptionInk("A&&B");
    ASSERT_GT(ink.Pixels, 0);
    EXPECT_LE(ink.Box.Width(), ink.Measured + 1) << "drawn as the measured \"A&B\"";
    EXPECT_GT(ink.Box.Width(), CaptionInk("AB").Box.Width());
}

TEST(TabsPaint, ALoneMarkDrawsNothing) {
    EXPECT_EQ(CaptionInk("&").Pixels, 0);
}

TEST(TabsPaint, TabImagesTakeRoomAndShowGreyedWhenDisabled) {
    TPainted f({"One", "Two"});
    auto* images = TImageList::Create(f.Form.get());
    TBitmap red;
    FillBitmap(red, 16, 16, clRed);
    images->Add(&red, nullptr);
    const TSize before = f.Pages->ContentSize(1);
    f.Pages->SetImages(images);
    f.Sheets[1]->SetImageIndex(0);
    EXPECT_EQ(f.Pages->ContentSize(1).cx, before.cx + 16);
    EXPECT_EQ(f.Pages->ContentSize(1).cy, 16);
    f.Show();
    TBitmap& b = f.Paint();
    EXPECT_GT(CountPixels(b, clRed, f.Pages->TabRect(1)), 100);
    f.Sheets[1]->SetTabEnabled(false);
    f.Paint();
    EXPECT_EQ(CountPixels(b, clRed, f.Pages->TabRect(1)), 0) << "drawn greyed";
    images->Free();
    EXPECT_EQ(f.Pages->GetImages(), nullptr);
    f.Paint();
}

TEST(TabsPaint, CaptionColoursAreAskedPerState) {
    TPainted f({"One", "Two", "Three"});
    f.Sheets[2]->SetTabEnabled(false);
    std::map<int, TFcTextStyle> asked;
    f.Pages->OnGetTextColor = [&](TObject*, int index, TFcTextStyle style, TColor& color, bool& handled) {
        asked[index] = style;
        if (index == 0) {
            color = clRed;
            handled = true;
        }
    };
    f.Show();
    TBitmap& b = f.Paint();
    EXPECT_EQ(asked[0], tsSelected);
    EXPECT_EQ(asked[1], tsUnselected);
    EXPECT_EQ(asked[2], tsDisabled);
    EXPECT_GT(CountPixels(b, clRed, f.Pages->TabRect(0)), 5) << "the handler's colour is used";
    EXPECT_EQ(CountPixels(b, clRed, f.Pages->TabRect(1)), 0);
}

TEST(TabsPaint, ATransparentControlShowsItsParentAroundTheTabs) {
    TPainted f({"One"});
    f.Form->SetColor(clTeal);
    f.Pages->SetTransparent(true);
    f.Pages->SetBackgroundColor(clFuchsia);
    f.Show();
    TBitmap& b = f.Paint();
    const TRect area = f.Pages->TabAreaRect();
    EXPECT_EQ(PixelAt(b, area.Right - 10, area.Top + 3), Rgb(clTeal));
    f.Pages->SetTransparent(false);
    f.Paint();
    EXPECT_EQ(PixelAt(b, area.Right - 10, area.Top + 3), Rgb(clFuchsia));
}
