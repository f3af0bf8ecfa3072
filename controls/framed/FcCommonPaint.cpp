// FcCommon painters: sides, bevels, styled borders, panel borders, control frames, focus
// dots, group bars, gradient rings, the check glyph, arrows and crosses.
#include "controls/framed/FcCommon.h"
#include "controls/framed/FcGrafx.h"

#include "framework/Guards.h"

#include <algorithm>

namespace {

bool Has(TSides s, TSide side) { return s.Contains(side); }

void Line(TCanvas* C, int x1, int y1, int x2, int y2) {
    C->MoveTo(x1, y1);
    C->LineTo(x2, y2);
}

TRect Shrink(TRect r, TSides s, int by) {
    if (Has(s, TSide::sdLeft)) r.Left += by;
    if (Has(s, TSide::sdTop)) r.Top += by;
    if (Has(s, TSide::sdRight)) r.Right -= by;
    if (Has(s, TSide::sdBottom)) r.Bottom -= by;
    return r;
}

TRect TwoRings(TCanvas* C, TRect r, TColor outerUL, TColor outerLR, TColor innerUL, TColor innerLR, TSides s) {
    r = PaintSides(C, r, outerUL, outerLR, s);
    return PaintSides(C, r, innerUL, innerLR, s);
}

// A groove (or, with the colours exchanged, a bump): two one-pixel frames offset by one
// pixel, with the corner pixels of missing sides set so that open ends look cut.
TRect PaintGroove(TCanvas* C, TRect r, TColor UL, TColor LR, TSides s) {
    bool l = Has(s, TSide::sdLeft), t = Has(s, TSide::sdTop), rt = Has(s, TSide::sdRight),
         b = Has(s, TSide::sdBottom);
    if (rt) C->SetPixels(r.Right - 1, r.Top, LR);
    else if (t) C->SetPixels(r.Right - 1, r.Top, UL);
    if (b) C->SetPixels(r.Left, r.Bottom - 1, LR);
    else if (l) C->SetPixels(r.Left, r.Bottom - 1, UL);
    if (t && !l) C->SetPixels(r.Left, r.Top + 1, LR);
    if (l && !t) C->SetPixels(r.Left + 1, r.Top, LR);
    if (b && !rt) C->SetPixels(r.Right - 1, r.Bottom - 2, UL);
    if (rt && !b) C->SetPixels(r.Right - 2, r.Bottom - 1, UL);
    PaintSides(C, TRect(r.Left + 1, r.Top + 1, r.Right, r.Bottom), LR, LR, s);
    PaintSides(C, TRect(r.Left, r.Top, r.Right - 1, r.Bottom - 1), UL, UL, s);
    return Shrink(r, s, 2);
}

void FillWith(TCanvas* C, const TRect& r, TColor color) {
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(color);
    C->FillRect(r);
}

// Puts the pen back to solid and the brush colour back as the arrow and cross routines promise.
class TGlyphPaintState {
public:
    explicit TGlyphPaintState(TCanvas* C)
        : c_(C), brush_(C->Brush()->GetColor()), brushStyle_(C->Brush()->GetStyle()) {
        c_->Pen()->SetStyle(psClear);
    }
    ~TGlyphPaintState() {
        try {
            c_->Pen()->SetStyle(psSolid);
            c_->Brush()->SetColor(brush_);
            c_->Brush()->SetStyle(brushStyle_);
        } catch (...) {
        }
    }
    TGlyphPaintState(const TGlyphPaintState&) = delete;
    TGlyphPaintState& operator=(const TGlyphPaintState&) = delete;
private:
    TCanvas* c_;
    TColor brush_;
    TBrushStyle brushStyle_;
};

// The colour of the theme's drop-down arrow, sampled from its picture.
TColor ThemedGlyphColor() {
    HTHEME theme = ThemeHandle(TFcThemeClass::ComboBox);
    if (!theme) return clBlack;
    TBitmap sample(17, 21);
    FillWith(sample.Canvas(), TRect(0, 0, 17, 21), clWindow);
    RECT r{0, 0, 16, 20};
    DrawThemeBackground(theme, sample.Canvas()->Handle(), 1 /*drop-down button*/, 1 /*normal*/, &r, nullptr);
    TColor c = sample.Canvas()->Pixels(8, 10);
    return ColorsClose(c, clWindow) ? cl3DDkShadow : c;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Sides and borders

TRect PaintSides(TCanvas* Canvas, TRect Rect, TColor ULColor, TColor LRColor, TSides Sides) {
    if (ULColor != clNone) {
        Canvas->Pen()->SetColor(ULColor);
        if (Has(Sides, TSide::sdLeft)) Line(Canvas, Rect.Left, Rect.Top, Rect.Left, Rect.Bottom);
        if (Has(Sides, TSide::sdTop)) Line(Canvas, Rect.Left, Rect.Top, Rect.Right, Rect.Top);
    }
    if (LRColor != clNone) {
        Canvas->Pen()->SetColor(LRColor);
        if (Has(Sides, TSide::sdRight)) Line(Canvas, Rect.Right - 1, Rect.Top, Rect.Right - 1, Rect.Bottom);
        if (Has(Sides, TSide::sdBottom)) Line(Canvas, Rect.Left, Rect.Bottom - 1, Rect.Right, Rect.Bottom - 1);
    }
    return Shrink(Rect, Sides, 1);
}

TRect PaintBevel(TCanvas* Canvas, TRect Rect, TColor ULColor, TColor LRColor, int Width, TSides Sides) {
    Canvas->Pen()->SetWidth(1);
    for (int i = 0; i < Width; ++i) Rect = PaintSides(Canvas, Rect, ULColor, LRColor, Sides);
    return Rect;
}

TRect PaintStyledSides(TCanvas* Canvas, TRect Rect, TFrameStyle Style, TSides Sides) {
    switch (Style) {
    case fsNone: return Rect;
    case fsFlat: return PaintSides(Canvas, Rect, cl3DDkShadow, cl3DDkShadow, Sides);
    case fsStatus: return PaintSides(Canvas, Rect, clBtnShadow, clBtnHighlight, Sides);
    case fsPopup: return PaintSides(Canvas, Rect, clBtnHighlight, clBtnShadow, Sides);
    case fsFlatBold: return PaintBevel(Canvas, Rect, clBtnShadow, clBtnShadow, 2, Sides);
    case fsGroove: return PaintGroove(Canvas, Rect, clBtnShadow, clBtnHighlight, Sides);
    case fsBump: return PaintGroove(Canvas, Rect, clBtnHighlight, clBtnShadow, Sides);
    case fsRaised: return TwoRings(Canvas, Rect, cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow, Sides);
    case fsLowered: return TwoRings(Canvas, Rect, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight, Sides);
    case fsButtonUp: return TwoRings(Canvas, Rect, clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow, Sides);
    case fsButtonDown: return TwoRings(Canvas, Rect, clBtnText, clBtnText, clBtnShadow, clBtnShadow, Sides);
    case fsFlatRounded: return PaintRoundedFlatSides(Canvas, Rect, cl3DDkShadow, Sides);
    }
    return Rect;
}

TRect PaintBorder(TCanvas* Canvas, TRect Rect, TFrameStyle Style) {
    return PaintStyledSides(Canvas, Rect, Style, AllSides);
}

TRect PaintColorStyledSides(TCanvas* Canvas, TRect Rect, TColor BaseColor, TFrameStyle Style, TSides Sides) {
    if (Style == fsNone) return Rect;
    TColor d50 = DarkenColor(BaseColor, 50), d100 = DarkenColor(BaseColor, 100);
    TColor l40 = LightenColor(BaseColor, 40), l50 = LightenColor(BaseColor, 50), l100 = LightenColor(BaseColor, 100);
    switch (Style) {
    case fsFlat: return PaintSides(Canvas, Rect, d50, d50, Sides);
    case fsGroove: return PaintGroove(Canvas, Rect, d50, l100, Sides);
    case fsBump:
    case fsFlatRounded: return PaintGroove(Canvas, Rect, l100, d50, Sides);
    case fsLowered: return TwoRings(Canvas, Rect, d50, l100, d100, l50, Sides);
    case fsRaised: return TwoRings(Canvas, Rect, l50, d100, l100, d50, Sides);
    case fsButtonUp: return TwoRings(Canvas, Rect, l100, d100, l40, d50, Sides);
    case fsButtonDown: return TwoRings(Canvas, Rect, d100, d100, d50, d50, Sides);
    case fsStatus: return PaintSides(Canvas, Rect, d50, l100, Sides);
    case fsPopup: return PaintSides(Canvas, Rect, l100, d50, Sides);
    case fsFlatBold: return TwoRings(Canvas, Rect, d50, d50, d50, d50, Sides);
    default: return Rect;
    }
}

TRect PaintBox(TCanvas* Canvas, TRect Rect, TColor Color) {
    return PaintSides(Canvas, Rect, Color, Color, AllSides);
}

TRect PaintRoundedFlatSides(TCanvas* Canvas, TRect Rect, TColor Color, TSides Sides) {
    bool l = Has(Sides, TSide::sdLeft), t = Has(Sides, TSide::sdTop), r = Has(Sides, TSide::sdRight),
         b = Has(Sides, TSide::sdBottom);
    int T = t ? Rect.Top + 2 : Rect.Top, B = b ? Rect.Bottom - 2 : Rect.Bottom;
    int L = l ? Rect.Left + 2 : Rect.Left, R = r ? Rect.Right - 2 : Rect.Right;
    Canvas->Pen()->SetColor(Color);
    if (l) Line(Canvas, Rect.Left, T, Rect.Left, B);
    if (r) Line(Canvas, Rect.Right - 1, T, Rect.Right - 1, B);
    if (t) Line(Canvas, L, Rect.Top, R, Rect.Top);
    if (b) Line(Canvas, L, Rect.Bottom - 1, R, Rect.Bottom - 1);
    if (l && t) Canvas->SetPixels(Rect.Left + 1, Rect.Top + 1, Color);
    if (t && r) Canvas->SetPixels(Rect.Right - 2, Rect.Top + 1, Color);
    if (r && b) Canvas->SetPixels(Rect.Right - 2, Rect.Bottom - 2, Color);
    if (l && b) Canvas->SetPixels(Rect.Left + 1, Rect.Bottom - 2, Color);
    return TRect(L, T, R, B);
}

namespace {

// The outer border of a panel (the part before the border-width band).
TRect PaintPanelOuter(TCanvas* C, TRect r, const TFcPanelBorders& B, TColor flat) {
    TSides s = B.BorderSides;
    bool inner = B.BorderWidth > 0 || B.BorderInner != fsNone;
    switch (B.BorderOuter) {
    case fsFlat: return PaintBevel(C, r, flat, flat, 1, s);
    case fsFlatBold: return PaintBevel(C, r, flat, flat, 2, s);
    case fsFlatRounded:
        if (!B.Transparent) {
            TRect in = PaintSides(C, r, B.ParentColor, B.ParentColor, s);
            TColor c = inner ? B.BorderColor : B.Color;
            PaintSides(C, in, c, c, s);
        } else if (inner) {
            PaintSides(C, Shrink(r, s, 1), B.BorderColor, B.BorderColor, s);
        }
        return PaintRoundedFlatSides(C, r, flat, s);
    case fsPopup: return PaintBevel(C, r, B.BorderHighlight, B.BorderShadow, B.BevelWidth, s);
    case fsStatus: return PaintBevel(C, r, B.BorderShadow, B.BorderHighlight, B.BevelWidth, s);
    default: return PaintStyledSides(C, r, B.BorderOuter, s);
    }
}

TRect PaintPanelInner(TCanvas* C, TRect r, const TFcPanelBorders& B, TColor flat) {
    TSides s = B.BorderSides;
    switch (B.BorderInner) {
    case fsFlat:
        if (B.SoftInnerFlat) {
            C->Pen()->SetColor(flat);
            if (Has(s, TSide::sdLeft)) Line(C, r.Left, r.Top + 1, r.Left, r.Bottom - 1);
            if (Has(s, TSide::sdTop)) Line(C, r.Left + 1, r.Top, r.Right - 1, r.Top);
            if (Has(s, TSide::sdRight)) Line(C, r.Right - 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
            if (Has(s, TSide::sdBottom)) Line(C, r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom - 1);
            return Shrink(r, s, 1);
        }
        return PaintBevel(C, r, flat, flat, 1, s);
    case fsFlatBold: return PaintBevel(C, r, flat, flat, 2, s);
    case fsFlatRounded: {
        TRect in = PaintSides(C, r, B.BorderColor, B.BorderColor, s);
        if (!B.Transparent) PaintSides(C, in, B.Color, B.Color, s);
        return PaintRoundedFlatSides(C, r, flat, s);
    }
    case fsStatus: return PaintBevel(C, r, B.BorderShadow, B.BorderHighlight, B.BevelWidth, s);
    case fsPopup: return PaintBevel(C, r, B.BorderHighlight, B.BorderShadow, B.BevelWidth, s);
    default: return PaintStyledSides(C, r, B.BorderInner, s);
    }
}

} // namespace

TRect PaintPanelBorders(TCanvas* Canvas, TRect Bounds, const TFcPanelBorders& B) {
    TColor flat = ShiftColor(B.FlatColor, B.FlatColorAdjustment);
    TRect r = PaintPanelOuter(Canvas, Bounds, B, flat);
    if (B.BorderWidth > 0) r = PaintBevel(Canvas, r, B.BorderColor, B.BorderColor, B.BorderWidth, B.BorderSides);
    return PaintPanelInner(Canvas, r, B, flat);
}

void PaintControlFrame(TCanvas* Canvas, int Width, int Height, TFrameStyle Style, TColor Color, TColor FrameColor,
                       TSides FrameSides, bool KeepBackground) {
    TRect r(0, 0, Width, Height);
    if (!KeepBackground) PaintBevel(Canvas, r, Color, Color, 2, AllSides);
    switch (Style) {
    case fsFlat: PaintSides(Canvas, r, FrameColor, FrameColor, FrameSides); break;
    case fsFlatBold: PaintBevel(Canvas, r, FrameColor, FrameColor, 2, FrameSides); break;
    default:
        if (Color == clWindow) PaintStyledSides(Canvas, r, Style, FrameSides);
        else PaintColorStyledSides(Canvas, r, Color, Style, FrameSides);
        break;
    }
}

TRect PaintDottedFocusBorder(TCanvas* Canvas, TRect Rect) {
    for (int y = Rect.Top + 1; y < Rect.Bottom; y += 2) {
        Canvas->SetPixels(Rect.Left, y, clBlack);
        Canvas->SetPixels(Rect.Right - 1, y, clBlack);
    }
    for (int x = Rect.Left + 1; x < Rect.Right; x += 2) {
        Canvas->SetPixels(x, Rect.Top, clBlack);
        Canvas->SetPixels(x, Rect.Bottom - 1, clBlack);
    }
    Rect.Inflate(-1, -1);
    return Rect;
}

void PaintGroupBarBackground(TCanvas* Canvas, const TRect& Rect, TFcVisualStyle VisualStyle,
                             TFcGradientColorStyle GradientColorStyle, TFcGroupBarGradientPath Path, TColor StartColor,
                             TColor StopColor) {
    if (VisualStyle == vsWinXP && ThemesEnabled()) {
        if (HTHEME theme = ThemeHandle(TFcThemeClass::ExplorerBar)) {
            RECT r = Rect;
            DrawThemeBackground(theme, Canvas->Handle(), 0, 0, &r, nullptr);
            return;
        }
        // A theme without the explorer bar: the gradient stands in for it.
    }
    if (VisualStyle == vsClassic || !IsFullColorDisplay()) return;
    TColor start = StartColor, stop = StopColor;
    if (GradientColorStyle != gcsCustom) GroupBarGradientColors(GradientColorStyle, start, stop);
    if (Path == gpBottomToTop) std::swap(start, stop);
    FillGradient(Canvas, Rect, gdHorizontalEnd, start, stop, 1);
}

void PaintGradientRing(TCanvas* Canvas, const TRect& Rect, TGradientDirection Direction, TColor StartColor,
                       TColor StopColor) {
    if (!IsFullColorDisplay()) return;
    HDC dc = Canvas->Handle();
    TSaveDC saved(dc);
    ExcludeClipRect(dc, Rect.Left + 2, Rect.Top + 2, Rect.Right - 2, Rect.Bottom - 2);
    FillGradient(Canvas, Rect, Direction, StartColor, StopColor, 1);
}

// ---------------------------------------------------------------------------------------
// Glyphs

void PaintCheckGlyph(TCanvas* Canvas, const TRect& Rect, const TFcCheckGlyph& G) {
    TColor frame = G.FrameColor, mark = G.MarkColor, fill;
    if (G.DrawState == 2 && G.HotTrackStyle == htsFrame) frame = G.HotColor;
    TRect inner = PaintBox(Canvas, Rect, frame);
    switch (G.DrawState) {
    case 1: fill = DarkenColor(G.FocusColor, 20); break;
    case 3:
        fill = G.DisabledColor;
        mark = clBtnShadow;
        break;
    default:
        if (G.Focused) fill = G.ReadOnly && G.ReadOnlyColorOnFocus ? G.ReadOnlyColor : G.FocusColor;
        else fill = G.ReadOnly ? G.ReadOnlyColor : G.FillColor;
        break;
    }
    FillWith(Canvas, inner, fill);
    if (G.State == 1) {
        // Seven columns of three pixels each: a tick from (3, 5) down to (5, 9) and up to (9, 3).
        static constexpr int kTopRow[] = {5, 6, 7, 6, 5, 4, 3};
        for (int i = 0; i < 7; ++i)
            for (int dy = 0; dy < 3; ++dy) Canvas->SetPixels(Rect.Left + 3 + i, Rect.Top + kTopRow[i] + dy, mark);
    } else if (G.State == 2) {
        TRect gray = inner;
        gray.Inflate(-2, -2);
        FillWith(Canvas, gray, mark);
    }
    if (G.DrawState == 2) {
        if (G.HotTrackStyle == htsInterior) PaintGradientRing(Canvas, inner, gdDiagonalDown, G.HotLightColor, G.HotColor);
        else PaintBox(Canvas, inner, G.HotColor);
    }
}

void PaintArrow(TCanvas* Canvas, const TRect& Rect, bool Themed, TFcArrowDirection Direction, bool Enabled) {
    TColor color;
    if (!Enabled) color = clBtnShadow;
    else if (Themed && ThemeHandle(TFcThemeClass::ComboBox)) color = ThemedGlyphColor();
    else color = ColorsClose(Canvas->Brush()->GetColor(), clBlack) ? cl3DDkShadow : clBlack;
    TGlyphPaintState restore(Canvas);
    int x = Rect.Left + Rect.Width() / 2, y = Rect.Top + (Rect.Height() - 1) / 2;
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(color);
    bool vertical = Direction == TFcArrowDirection::adUp || Direction == TFcArrowDirection::adDown;
    if (!Themed || !ThemeHandle(TFcThemeClass::ComboBox)) {
        if (vertical) ++y;
        else x -= 2;
        // Four rows (or columns) of 1, 3, 5 and 7 pixels, tip first.
        for (int i = 0; i < 4; ++i) {
            switch (Direction) {
            case TFcArrowDirection::adUp: Canvas->FillRect(TRect(x - i, y - 3 + i, x + i + 1, y - 2 + i)); break;
            case TFcArrowDirection::adDown: Canvas->FillRect(TRect(x - i, y - i, x + i + 1, y - i + 1)); break;
            case TFcArrowDirection::adLeft: Canvas->FillRect(TRect(x + i, y - i, x + i + 1, y + i + 1)); break;
            case TFcArrowDirection::adRight: Canvas->FillRect(TRect(x + 3 - i, y - i, x + 4 - i, y + i + 1)); break;
            }
        }
        return;
    }
    TPoint p[6];
    switch (Direction) {
    case TFcArrowDirection::adUp:
        y += 4;
        p[0] = {x, y - 5}; p[1] = {x + 4, y}; p[2] = {x + 1, y}; p[3] = {x, y - 2}; p[4] = {x - 1, y}; p[5] = {x - 4, y};
        break;
    case TFcArrowDirection::adDown:
        y += 2;
        p[0] = {x, y}; p[1] = {x - 3, y - 4}; p[2] = {x, y - 4}; p[3] = {x, y - 3}; p[4] = {x + 1, y - 4};
        p[5] = {x + 4, y - 4};
        break;
    case TFcArrowDirection::adLeft:
        x -= 1;
        p[0] = {x, y}; p[1] = {x + 4, y - 4}; p[2] = {x + 4, y - 1}; p[3] = {x + 3, y}; p[4] = {x + 4, y + 1};
        p[5] = {x + 4, y + 4};
        break;
    case TFcArrowDirection::adRight:
        x -= 3;
        p[0] = {x + 4, y}; p[1] = {x, y + 4}; p[2] = {x, y + 1}; p[3] = {x + 1, y}; p[4] = {x, y - 1};
        p[5] = {x, y - 4};
        break;
    }
    Canvas->Polygon(p);
}

void PaintCloseCross(TCanvas* Canvas, const TRect& Rect, bool Themed, bool Enabled) {
    TColor color = clBlack;
    if (!Enabled) color = clBtnShadow;
    else if (Themed && ThemeHandle(TFcThemeClass::ComboBox)) color = ThemedGlyphColor();
    PaintCrossGlyph(Canvas, Rect, color);
}

void PaintCrossGlyph(TCanvas* Canvas, const TRect& Rect, TColor Color) {
    TGlyphPaintState restore(Canvas);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
    int x = Rect.Left + Rect.Width() / 2, y = Rect.Top + (Rect.Height() - 1) / 2;
    if (Rect.Height() <= 10 || Rect.Width() < 9) {
        const TPoint p[] = {{x, y - 1},     {x + 1, y - 2}, {x + 3, y - 2}, {x + 1, y},     {x + 3, y + 3},
                            {x + 1, y + 2}, {x, y + 1},     {x - 3, y + 3}, {x - 3, y + 2}, {x - 1, y},
                            {x - 3, y - 2}, {x - 1, y - 2}, {x - 1, y - 1}};
        Canvas->Polygon(p);
    } else {
        const TPoint p[] = {{x, y - 1},     {x + 2, y - 3}, {x + 5, y - 3}, {x + 2, y},     {x + 5, y + 4}, {x + 2, y + 3},
                            {x, y + 1},     {x - 2, y + 4}, {x - 4, y + 3}, {x - 1, y},     {x - 4, y - 3}, {x - 1, y - 3}};
        Canvas->Polygon(p);
    }
}
