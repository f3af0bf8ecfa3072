// The border, frame, glyph and gradient painters, checked pixel by pixel on DIB sections.
#include "controls/framed/FcCommon.h"
#include "controls/framed/FcGrafx.h"
#include "PixelTesting.h"

#include "framework/Guards.h"

#include <gtest/gtest.h>

namespace {

const TColor kRed = clRed, kBlue = clBlue, kGreen = clLime, kYellow = clYellow;

TColor Grey(int v) { return RGBToColor(uint8_t(v), uint8_t(v), uint8_t(v)); }

// Fills the whole canvas with a gradient of its size.
TPixelCanvas Gradient(int w, int h, TGradientDirection d, TColor start, TColor stop, uint8_t step = 1) {
    TPixelCanvas p(w, h);
    FillGradient(p.Canvas(), TRect(0, 0, w, h), d, start, stop, step);
    return p;
}

class TFullColor {
public:
    explicit TFullColor(bool on) : old_(IsFullColorDisplay()) { SetFullColorDisplay(on); }
    ~TFullColor() { SetFullColorDisplay(old_); }
private:
    bool old_;
};

} // namespace

// --- sides and borders

TEST(FcSides, ClearColourDrawsNothingButStillShrinks) {
    TPixelCanvas p(10, 10);
    TRect r = PaintSides(p.Canvas(), TRect(0, 0, 10, 10), clNone, kRed, AllSides);
    EXPECT_EQ(r, TRect(1, 1, 9, 9));
    EXPECT_PIXEL(p, 0, 5, TPixelCanvas::Marker);
    EXPECT_PIXEL(p, 5, 0, TPixelCanvas::Marker);
    EXPECT_PIXEL(p, 9, 5, kRed);
    EXPECT_PIXEL(p, 5, 9, kRed);
    EXPECT_EQ(p.Count(kRed), 19);
}

TEST(FcSides, OnlyTheGivenSidesAreDrawnAndShrunk) {
    TPixelCanvas p(10, 10);
    TSides s;
    s.Include(TSide::sdTop).Include(TSide::sdRight);
    TRect r = PaintBevel(p.Canvas(), TRect(0, 0, 10, 10), kRed, kBlue, 2, s);
    EXPECT_EQ(r, TRect(0, 2, 8, 10));
    EXPECT_EQ(p.Count(kRed, TRect(0, 0, 10, 2)), 9 + 8);
    EXPECT_PIXEL(p, 9, 0, kBlue);   // the right side wins its end of the top line
    EXPECT_PIXEL(p, 8, 1, kBlue);
    EXPECT_PIXEL(p, 0, 5, TPixelCanvas::Marker);
    EXPECT_PIXEL(p, 5, 9, TPixelCanvas::Marker);
}

TEST(FcSides, StyledNoneLeavesTheRectangle) {
    TPixelCanvas p(6, 6);
    EXPECT_EQ(PaintStyledSides(p.Canvas(), TRect(0, 0, 6, 6), fsNone, AllSides), TRect(0, 0, 6, 6));
    EXPECT_EQ(p.Count(TPixelCanvas::Marker), 36);
}

TEST(FcSides, GrooveIsTwoOffsetFrames) {
    TPixelCanvas p(10, 8);
    TRect r = PaintStyledSides(p.Canvas(), TRect(0, 0, 10, 8), fsGroove, AllSides);
    EXPECT_EQ(r, TRect(2, 2, 8, 6));
    EXPECT_PIXEL(p, 0, 3, clBtnShadow);
    EXPECT_PIXEL(p, 1, 3, clBtnHighlight);
    EXPECT_PIXEL(p, 8, 3, clBtnShadow);
    EXPECT_PIXEL(p, 9, 3, clBtnHighlight);
    EXPECT_PIXEL(p, 4, 0, clBtnShadow);
    EXPECT_PIXEL(p, 4, 1, clBtnHighlight);
    EXPECT_PIXEL(p, 4, 6, clBtnShadow);
    EXPECT_PIXEL(p, 4, 7, clBtnHighlight);
    EXPECT_PIXEL(p, 9, 0, clBtnHighlight);
    EXPECT_PIXEL(p, 0, 7, clBtnHighlight);
    EXPECT_PIXEL(p, 1, 6, clBtnShadow);
}

TEST(FcSides, GrooveOnOneSideCutsItsEnds) {
    TPixelCanvas p(10, 8);
    TSides top;
    top.Include(TSide::sdTop);
    EXPECT_EQ(PaintStyledSides(p.Canvas(), TRect(0, 0, 10, 8), fsGroove, top), TRect(0, 2, 10, 8));
    EXPECT_PIXEL(p, 0, 0, clBtnShadow);
    EXPECT_PIXEL(p, 9, 0, clBtnShadow);
    EXPECT_PIXEL(p, 0, 1, clBtnHighlight);
    EXPECT_PIXEL(p, 9, 1, clBtnHighlight);
    EXPECT_PIXEL(p, 0, 2, TPixelCanvas::Marker);
}

TEST(FcSides, TwoRingStylesUseTheirOwnColours) {
    TPixelCanvas p(6, 6);
    EXPECT_EQ(PaintStyledSides(p.Canvas(), TRect(0, 0, 6, 6), fsRaised, AllSides), TRect(2, 2, 4, 4));
    EXPECT_PIXEL(p, 0, 0, cl3DLight);
    EXPECT_PIXEL(p, 5, 0, cl3DDkShadow);
    EXPECT_PIXEL(p, 0, 5, cl3DDkShadow);
    EXPECT_PIXEL(p, 1, 2, clBtnHighlight);
    EXPECT_PIXEL(p, 4, 2, clBtnShadow);

    TPixelCanvas q(6, 6);
    TRect r = PaintColorStyledSides(q.Canvas(), TRect(0, 0, 6, 6), clGray, fsLowered, AllSides);
    EXPECT_EQ(r, TRect(2, 2, 4, 4));
    EXPECT_PIXEL(q, 0, 2, DarkenColor(clGray, 50));
    EXPECT_PIXEL(q, 5, 2, LightenColor(clGray, 100));
    EXPECT_PIXEL(q, 1, 2, DarkenColor(clGray, 100));
    EXPECT_PIXEL(q, 4, 2, LightenColor(clGray, 50));
}

TEST(FcSides, RoundedFlatSidesLeaveTheCorners) {
    TPixelCanvas p(8, 6);
    EXPECT_EQ(PaintRoundedFlatSides(p.Canvas(), TRect(0, 0, 8, 6), kRed, AllSides), TRect(2, 2, 6, 4));
    EXPECT_PIXEL(p, 0, 0, TPixelCanvas::Marker);
    EXPECT_PIXEL(p, 1, 1, kRed);
    EXPECT_PIXEL(p, 6, 1, kRed);
    EXPECT_PIXEL(p, 6, 4, kRed);
    EXPECT_PIXEL(p, 1, 4, kRed);
    EXPECT_PIXEL(p, 0, 2, kRed);
    EXPECT_PIXEL(p, 0, 4, TPixelCanvas::Marker);
    EXPECT_PIXEL(p, 2, 0, kRed);
    EXPECT_PIXEL(p, 1, 0, TPixelCanvas::Marker);
    EXPECT_PIXEL(p, 7, 3, kRed);
    EXPECT_PIXEL(p, 4, 5, kRed);
    EXPECT_EQ(p.Count(kRed), 2 * 2 + 2 * 4 + 4);
}

TEST(FcSides, DottedFocusBorderSetsEverySecondPixel) {
    TPixelCanvas p(6, 5);
    EXPECT_EQ(PaintDottedFocusBorder(p.Canvas(), TRect(0, 0, 6, 5)), TRect(1, 1, 5, 4));
    for (int y = 0; y < 5; ++y) {
        EXPECT_PIXEL(p, 0, y, y % 2 ? clBlack : TPixelCanvas::Marker);
        EXPECT_PIXEL(p, 5, y, y % 2 || y == 0 || y == 4 ? clBlack : TPixelCanvas::Marker);
    }
    for (int x = 1; x < 5; ++x) EXPECT_PIXEL(p, x, 0, x % 2 ? clBlack : TPixelCanvas::Marker);
}

TEST(FcPanelBorders, FlatRoundedOuterShowsTheParentInTheCorners) {
    TPixelCanvas p(10, 10);
    TFcPanelBorders b;
    b.BorderOuter = fsFlatRounded;
    b.FlatColor = kRed;
    b.ParentColor = kGreen;
    b.Color = kBlue;
    EXPECT_EQ(PaintPanelBorders(p.Canvas(), TRect(0, 0, 10, 10), b), TRect(2, 2, 8, 8));
    EXPECT_PIXEL(p, 0, 0, kGreen);
    EXPECT_PIXEL(p, 1, 1, kRed);
    EXPECT_PIXEL(p, 0, 5, kRed);
    EXPECT_PIXEL(p, 1, 5, kBlue);
    EXPECT_PIXEL(p, 2, 2, TPixelCanvas::Marker);
}

TEST(FcPanelBorders, OuterBandAndInnerNestInThatOrder) {
    TPixelCanvas p(20, 20);
    TFcPanelBorders b;
    b.BorderOuter = fsRaised;
    b.BorderWidth = 2;
    b.BorderColor = kYellow;
    b.BorderInner = fsLowered;
    EXPECT_EQ(PaintPanelBorders(p.Canvas(), TRect(0, 0, 20, 20), b), TRect(6, 6, 14, 14));
    EXPECT_PIXEL(p, 0, 10, cl3DLight);
    EXPECT_PIXEL(p, 2, 10, kYellow);
    EXPECT_PIXEL(p, 3, 10, kYellow);
    EXPECT_PIXEL(p, 4, 10, clBtnShadow);
    EXPECT_PIXEL(p, 5, 10, cl3DDkShadow);
    EXPECT_PIXEL(p, 6, 10, TPixelCanvas::Marker);
}

TEST(FcPanelBorders, SoftInnerFlatLeavesOutTheCornerPixels) {
    TPixelCanvas p(8, 8);
    TFcPanelBorders b;
    b.BorderInner = fsFlat;
    b.SoftInnerFlat = true;
    b.FlatColor = kRed;
    b.FlatColorAdjustment = 0;
    EXPECT_EQ(PaintPanelBorders(p.Canvas(), TRect(0, 0, 8, 8), b), TRect(1, 1, 7, 7));
    EXPECT_PIXEL(p, 0, 0, TPixelCanvas::Marker);
    EXPECT_PIXEL(p, 7, 7, TPixelCanvas::Marker);
    EXPECT_PIXEL(p, 0, 1, kRed);
    EXPECT_EQ(p.Count(kRed), 4 * 6);
}

TEST(FcControlFrame, RingInTheColourThenTheFrameSides) {
    TPixelCanvas p(10, 8);
    TSides s;
    s.Include(TSide::sdLeft).Include(TSide::sdTop);
    PaintControlFrame(p.Canvas(), 10, 8, fsFlat, kRed, kBlue, s, false);
    EXPECT_PIXEL(p, 0, 4, kBlue);
    EXPECT_PIXEL(p, 4, 0, kBlue);
    EXPECT_PIXEL(p, 1, 4, kRed);
    EXPECT_PIXEL(p, 9, 4, kRed);
    EXPECT_PIXEL(p, 8, 4, kRed);
    EXPECT_PIXEL(p, 4, 7, kRed);
    EXPECT_PIXEL(p, 4, 3, TPixelCanvas::Marker);

    TPixelCanvas keep(10, 8);
    PaintControlFrame(keep.Canvas(), 10, 8, fsStatus, clWindow, kBlue, AllSides, true);
    EXPECT_PIXEL(keep, 0, 4, clBtnShadow);
    EXPECT_PIXEL(keep, 9, 4, clBtnHighlight);
    EXPECT_PIXEL(keep, 1, 4, TPixelCanvas::Marker);
}

// --- the check glyph

TEST(FcCheckGlyph, CheckMarkIsTwentyOnePixels) {
    TPixelCanvas p(13, 13);
    TFcCheckGlyph g;
    g.State = 1;
    g.MarkColor = kRed;
    g.FillColor = clWhite;
    PaintCheckGlyph(p.Canvas(), TRect(0, 0, 13, 13), g);
    EXPECT_EQ(p.Count(kRed), 21);
    EXPECT_EQ(p.Count(clWhite), 121 - 21);
    EXPECT_EQ(p.Count(ColorToRGB(clBtnShadow)), 48);
    const int columnTop[] = {5, 6, 7, 6, 5, 4, 3};
    for (int i = 0; i < 7; ++i) {
        EXPECT_PIXEL(p, 3 + i, columnTop[i] - 1, clWhite);
        for (int dy = 0; dy < 3; ++dy) EXPECT_PIXEL(p, 3 + i, columnTop[i] + dy, kRed);
        EXPECT_PIXEL(p, 3 + i, columnTop[i] + 3, clWhite);
    }
}

TEST(FcCheckGlyph, DisabledCheckedBoxMarksInShadowOnTheDisabledColour) {
    TPixelCanvas p(13, 13);
    TFcCheckGlyph g;
    g.State = 1;
    g.DrawState = 3;
    g.MarkColor = kRed;
    g.DisabledColor = kYellow;
    g.FrameColor = kBlue;
    PaintCheckGlyph(p.Canvas(), TRect(0, 0, 13, 13), g);
    EXPECT_EQ(p.Count(ColorToRGB(clBtnShadow), TRect(1, 1, 12, 12)), 21);
    EXPECT_EQ(p.Count(kYellow), 100);
    EXPECT_EQ(p.Count(kRed), 0);
    EXPECT_PIXEL(p, 3, 5, clBtnShadow);
}

TEST(FcCheckGlyph, GrayedFillsTheInnerSquare) {
    TPixelCanvas p(13, 13);
    TFcCheckGlyph g;
    g.State = 2;
    g.MarkColor = kRed;
    PaintCheckGlyph(p.Canvas(), TRect(0, 0, 13, 13), g);
    EXPECT_EQ(p.Count(kRed, TRect(3, 3, 10, 10)), 49);
    EXPECT_EQ(p.Count(kRed), 49);
}

TEST(FcCheckGlyph, FillColourFollowsStateFocusAndReadOnly) {
    auto fillOf = [](TFcCheckGlyph g) {
        TPixelCanvas p(13, 13);
        g.FillColor = kRed;
        g.FocusColor = kBlue;
        g.ReadOnlyColor = kYellow;
        PaintCheckGlyph(p.Canvas(), TRect(0, 0, 13, 13), g);
        return p.At(6, 6);
    };
    TFcCheckGlyph g;
    EXPECT_EQ(fillOf(g), kRed);
    g.Focused = true;
    EXPECT_EQ(fillOf(g), kBlue);
    g.ReadOnly = true;
    EXPECT_EQ(fillOf(g), kBlue);
    g.ReadOnlyColorOnFocus = true;
    EXPECT_EQ(fillOf(g), kYellow);
    g.Focused = false;
    g.ReadOnlyColorOnFocus = false;
    EXPECT_EQ(fillOf(g), kYellow);
    g.DrawState = 1;
    EXPECT_EQ(fillOf(g), DarkenColor(kBlue, 20));
}

TEST(FcCheckGlyph, HotFrameStyleDrawsTwoBoxesInTheHotColour) {
    TPixelCanvas p(13, 13);
    TFcCheckGlyph g;
    g.DrawState = 2;
    g.HotTrackStyle = htsFrame;
    g.HotColor = kRed;
    g.FillColor = clWhite;
    PaintCheckGlyph(p.Canvas(), TRect(0, 0, 13, 13), g);
    EXPECT_PIXEL(p, 0, 0, kRed);
    EXPECT_PIXEL(p, 1, 1, kRed);
    EXPECT_PIXEL(p, 2, 2, clWhite);
    EXPECT_EQ(p.Count(kRed), 48 + 40);
}

TEST(FcCheckGlyph, HotInteriorStyleDrawsAGradientRing) {
    TFullColor full(true);
    TPixelCanvas p(13, 13);
    TFcCheckGlyph g;
    g.DrawState = 2;
    g.HotLightColor = clWhite;
    g.HotColor = kRed;
    g.FillColor = kBlue;
    PaintCheckGlyph(p.Canvas(), TRect(0, 0, 13, 13), g);
    EXPECT_PIXEL(p, 0, 0, clBtnShadow);
    EXPECT_PIXEL(p, 11, 11, kRed);   // the stop colour at the bottom-right
    EXPECT_NE(p.At(1, 1), kBlue);
    EXPECT_NE(p.At(2, 6), kBlue);
    EXPECT_EQ(p.Count(kBlue), 7 * 7);
}

// --- arrows and crosses

TEST(FcGlyphs, ArrowsAreFourRowsOfOneThreeFiveAndSevenPixels) {
    struct TCase { TFcArrowDirection D; int TipX, TipY, BaseX, BaseY; bool Rows; };
    // A 15 x 15 rectangle: centre (7, 7); up and down move one down, left and right two left.
    const TCase cases[] = {
        {TFcArrowDirection::adUp, 7, 5, 7, 8, true},
        {TFcArrowDirection::adDown, 7, 8, 7, 5, true},
        {TFcArrowDirection::adLeft, 5, 7, 8, 7, false},
        {TFcArrowDirection::adRight, 8, 7, 5, 7, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.D));
        TPixelCanvas p(15, 15);
        p.Canvas()->Brush()->SetColor(clWhite);
        PaintArrow(p.Canvas(), TRect(0, 0, 15, 15), false, c.D, true);
        EXPECT_EQ(p.Count(clBlack), 16);
        EXPECT_PIXEL(p, c.TipX, c.TipY, clBlack);
        if (c.Rows) {
            EXPECT_EQ(p.Count(clBlack, TRect(0, c.TipY, 15, c.TipY + 1)), 1);
            EXPECT_EQ(p.Count(clBlack, TRect(0, c.BaseY, 15, c.BaseY + 1)), 7);
            EXPECT_EQ(p.Count(clBlack, TRect(4, c.BaseY, 11, c.BaseY + 1)), 7);
        } else {
            EXPECT_EQ(p.Count(clBlack, TRect(c.TipX, 0, c.TipX + 1, 15)), 1);
            EXPECT_EQ(p.Count(clBlack, TRect(c.BaseX, 4, c.BaseX + 1, 11)), 7);
        }
        EXPECT_EQ(p.Canvas()->Brush()->GetColor(), clWhite);
        EXPECT_EQ(p.Canvas()->Pen()->GetStyle(), psSolid);
    }
}

TEST(FcGlyphs, ArrowColourFollowsEnabledAndTheBrush) {
    TPixelCanvas dark(15, 15);
    dark.Canvas()->Brush()->SetColor(RGBToColor(10, 10, 10));
    PaintArrow(dark.Canvas(), TRect(0, 0, 15, 15), false, TFcArrowDirection::adDown, true);
    EXPECT_EQ(dark.Count(ColorToRGB(cl3DDkShadow)), 16);

    TPixelCanvas off(15, 15);
    PaintArrow(off.Canvas(), TRect(0, 0, 15, 15), false, TFcArrowDirection::adDown, false);
    EXPECT_EQ(off.Count(ColorToRGB(clBtnShadow)), 16);
}


// --- gradients

TEST(FcGradient, EmptyRectangleDrawsNothing) {
    TPixelCanvas p(10, 10);
    FillGradient(p.Canvas(), TRect(2, 2, 2, 8), gdHorizontalEnd, clBlack, clWhite, 1);
    FillGradient(p.Canvas(), TRect(2, 2, 8, 2), gdSquareBox, clBlack, clWhite, 1);
    EXPECT_EQ(p.Count(TPixelCanvas::Marker), 100);
}

TEST(FcGradient, ReversedRectangleUsesItsAbsoluteSizeAtLeftTop) {
    TPixelCanvas p(20, 10);
    FillGradient(p.Canvas(), TRect(10, 2, 4, 6), gdHorizontalEnd, kRed, kRed, 1);
    EXPECT_EQ(p.Count(kRed), 6 * 4);
    EXPECT_EQ(p.Count(kRed, TRect(10, 2, 16, 6)), 24);
}

TEST(FcGradient, HorizontalEndRampsFromTheStopEdge) {
    TPixelCanvas p = Gradient(20, 4, gdHorizontalEnd, clBlack, clWhite);
    const int rows[] = {63, 127, 191, 255};
    for (int y = 0; y < 4; ++y) EXPECT_EQ(p.Count(Grey(rows[y]), TRect(0, y, 20, y + 1)), 20) << "row " << y;
}

TEST(FcGradient, VerticalEndRampsAcrossTheColumns) {
    TPixelCanvas p = Gradient(4, 9, gdVerticalEnd, clWhite, clBlack);
    const int cols[] = {191, 127, 63, 0};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(p.Count(Grey(cols[x]), TRect(x, 0, x + 1, 9)), 9) << "column " << x;
}

TEST(FcGradient, CentreStylesPutTheStopColourInTheMiddle) {
    TPixelCanvas h = Gradient(11, 5, gdHorizontalCenter, clBlack, clWhite);
    const int rows[] = {85, 170, 255, 170, 85};
    for (int y = 0; y < 5; ++y) EXPECT_EQ(h.Count(Grey(rows[y]), TRect(0, y, 11, y + 1)), 11) << "row " << y;
    TPixelCanvas v = Gradient(5, 3, gdVerticalCenter, clBlack, clWhite);
    for (int x = 0; x < 5; ++x) EXPECT_PIXEL(v, x, 1, Grey(rows[x]));
}

TEST(FcGradient, ColorStepGathersPixelsIntoBands) {
    TPixelCanvas p = Gradient(3, 16, gdHorizontalEnd, clBlack, clWhite, 4);
    for (int y : {15, 14, 13, 12}) EXPECT_PIXEL(p, 0, y, clWhite);
    for (int y : {11, 10, 9, 8}) EXPECT_PIXEL(p, 0, y, Grey(191));
    EXPECT_PIXEL(p, 0, 7, Grey(127));
}

TEST(FcGradient, SquareBoxRingsMirrorAroundTheCentre) {
    TPixelCanvas p = Gradient(9, 9, gdSquareBox, clBlack, clWhite);
    EXPECT_PIXEL(p, 4, 4, clWhite);
    EXPECT_PIXEL(p, 3, 3, Grey(204));
    EXPECT_PIXEL(p, 4, 2, Grey(153));
    EXPECT_PIXEL(p, 0, 0, Grey(51));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) {
            ASSERT_EQ(p.At(x, y), p.At(8 - x, y)) << x << "," << y;
            ASSERT_EQ(p.At(x, y), p.At(x, 8 - y)) << x << "," << y;
        }
}

TEST(FcGradient, BoxCoresKeepTheStopColour) {
    TPixelCanvas h = Gradient(16, 9, gdHorizontalBox, clBlack, clWhite);
    EXPECT_EQ(h.Count(clWhite, TRect(0, 4, 16, 5)), 10);   // x 3..12 on the middle row
    EXPECT_PIXEL(h, 3, 4, clWhite);
    EXPECT_PIXEL(h, 12, 4, clWhite);
    EXPECT_NE(h.At(2, 4), clWhite);
    TPixelCanvas big = Gradient(16, 16, gdBigSquareBox, clBlack, clWhite);
    EXPECT_EQ(big.Count(clWhite), 10 * 10);
}

TEST(FcGradient, NarrowBoxIsAPlainFill) {
    TPixelCanvas narrow = Gradient(4, 10, gdSquareBox, kRed, kBlue);
    EXPECT_EQ(narrow.Count(kRed), 40);
    TPixelCanvas low = Gradient(10, 4, gdVerticalBox, kRed, kBlue);
    EXPECT_EQ(low.Count(kRed), 40);
}

TEST(FcGradient, DiagonalsRunFromTheStartCorner) {
    TPixelCanvas down = Gradient(10, 10, gdDiagonalDown, clBlack, clWhite);
    EXPECT_PIXEL(down, 9, 9, clWhite);
    EXPECT_LT(ColorR(down.At(0, 0)), ColorR(down.At(5, 5)));
    for (int x = 1; x < 9; ++x) EXPECT_EQ(down.At(x, 9 - x), down.At(x + 1, 8 - x));

    TPixelCanvas up = Gradient(10, 10, gdDiagonalUp, clBlack, clWhite);
    EXPECT_PIXEL(up, 9, 0, clWhite);
    EXPECT_LT(ColorR(up.At(0, 9)), ColorR(up.At(5, 5)));

    TPixelCanvas same = Gradient(7, 5, gdDiagonalUp, kBlue, kBlue);
    EXPECT_EQ(same.Count(kBlue), 35);
}

TEST(FcGradient, OnlyTheVisiblePartIsPainted) {
    TPixelCanvas whole = Gradient(10, 10, gdSquareBox, kRed, kBlue);
    TPixelCanvas clipped(10, 10);
    HDC dc = clipped.Canvas()->Handle();
    {
        TSaveDC saved(dc);
        IntersectClipRect(dc, 0, 0, 5, 10);
        FillGradient(clipped.Canvas(), TRect(0, 0, 10, 10), gdSquareBox, kRed, kBlue, 1);
    }
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(clipped.At(x, y), x < 5 ? whole.At(x, y) : TPixelCanvas::Marker) << x << "," << y;
}

TEST(FcGradient, HugeRectangleIsPaintedWhereItShows) {
    TPixelCanvas p(20, 20);
    EXPECT_NO_THROW(
        FillGradient(p.Canvas(), TRect(-2000000000, -5, 2000000000, 900000000), gdDiagonalDown, kRed, kBlue, 1));
    EXPECT_EQ(p.Count(TPixelCanvas::Marker), 0);
    EXPECT_NO_THROW(FillGradient(p.Canvas(), TRect(-60000, -60000, 60000, 60000), gdBigSquareBox, kRed, kBlue, 1));
    EXPECT_PIXEL(p, 10, 10, kBlue);
}

TEST(FcGradient, RingPaintsTwoPixelsAndOnlyOnFullColour) {
    {
        TFullColor full(true);
        TPixelCanvas p(10, 10);
        PaintGradientRing(p.Canvas(), TRect(0, 0, 10, 10), gdHorizontalEnd, kRed, kBlue);
        EXPECT_EQ(p.Count(TPixelCanvas::Marker), 36);
        EXPECT_EQ(p.Count(TPixelCanvas::Marker, TRect(2, 2, 8, 8)), 36);
        // The clip is gone afterwards.
        p.Canvas()->Brush()->SetColor(kGreen);
        p.Canvas()->FillRect(TRect(0, 0, 10, 10));
        EXPECT_EQ(p.Count(kGreen), 100);
    }
    TFullColor low(false);
    TPixelCanvas q(10, 10);
    PaintGradientRing(q.Canvas(), TRect(0, 0, 10, 10), gdHorizontalEnd, kRed, kBlue);
    EXPECT_EQ(q.Count(TPixelCanvas::Marker), 100);
}

TEST(FcGradient, GroupBarBackgroundByStyleAndPath) {
    TFullColor full(true);
    TPixelCanvas classic(6, 6);
    PaintGroupBarBackground(classic.Canvas(), TRect(0, 0, 6, 6), vsClassic, gcsCustom, gpTopToBottom, kRed, kBlue);
    EXPECT_EQ(classic.Count(TPixelCanvas::Marker), 36);

    TPixelCanvas down(6, 6);
    PaintGroupBarBackground(down.Canvas(), TRect(0, 0, 6, 6), vsGradient, gcsCustom, gpTopToBottom, kRed, kBlue);
    EXPECT_PIXEL(down, 2, 5, kBlue);
    TPixelCanvas up(6, 6);
    PaintGroupBarBackground(up.Canvas(), TRect(0, 0, 6, 6), vsGradient, gcsCustom, gpBottomToTop, kRed, kBlue);
    EXPECT_PIXEL(up, 2, 5, kRed);
}

TEST(FcTransparentBitmap, MaskedPixelsKeepTheDestination) {
    TBitmap source;
    FillBitmap(source, 4, 4, kGreen);
    source.Canvas()->Brush()->SetColor(kRed);
    source.Canvas()->FillRect(TRect(0, 0, 2, 4));
    TPixelCanvas p(8, 8);
    PaintTransparentBitmap(p.Canvas(), &source, TRect(5, 5, 13, 13), kGreen, TRect(0, 0, 4, 4));
    EXPECT_EQ(p.Count(kRed), 4 * 8);
    EXPECT_EQ(p.Count(kRed, TRect(0, 0, 4, 8)), 32);
    EXPECT_EQ(p.Count(kGreen), 0);
    TBitmap empty;
    EXPECT_NO_THROW(PaintTransparentBitmap(p.Canvas(), &empty, TRect(0, 0, 8, 8), kGreen, TRect(0, 0, 4, 4)));
}
