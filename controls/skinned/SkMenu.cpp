#include "controls/skinned/SkMenu.h"

#include "controls/skinned/SkMgr.h"
#include "framework/Guards.h"

#include <cstddef>

namespace {

constexpr TColor kDisabledText = MakeColor(0x808080);
constexpr TColor kSeparatorGrey = MakeColor(0x848284);

// A band of the bitmap's top rows stretched over the rectangle.
void StretchBand(TCanvas& canvas, const TRect& rect, const char* bitmap, int rows) {
    TBitmap band;
    LoadStyleBitmapResource(bitmap, band);
    band.SetHeight(rows);
    canvas.StretchDraw(rect, &band);
}

}  // namespace

void FrameMenuRect(TCanvas& canvas, const TRect& rect, TColor color) {
    canvas.Brush()->SetColor(color);
    canvas.FrameRect(rect);
}

void FillMenuRect(TCanvas& canvas, const TRect& rect, TColor color) {
    canvas.Brush()->SetColor(color);
    canvas.FillRect(rect);
}

void DrawMenuSeparator(TCanvas& canvas, const TRect& rect, TColor color, bool leftToRight, int barWidth) {
    canvas.Pen()->SetColor(color);
    const int y = rect.Top + 2;
    if (leftToRight) {
        canvas.MoveTo(rect.Left + barWidth + 4, y);
        canvas.LineTo(rect.Right - 2, y);
    } else {
        canvas.MoveTo(rect.Left + 2, y);
        canvas.LineTo(rect.Right - barWidth - 4, y);
    }
}

void DrawMacSeparator(TCanvas& canvas, const TRect& rect) { StretchBand(canvas, rect, "MACOS_MENU_BAR", 12); }

void DrawMacSelection(TCanvas& canvas, const TRect& rect) { StretchBand(canvas, rect, "MACOS_MENU_SELECT", 20); }

void DrawMacItem(TCanvas& canvas, const TRect& rect) { StretchBand(canvas, rect, "MACOS_MENU_BAR", 20); }

void DrawPopupBorder(HWND menuWindow, TColor frameColor, TColor lineColor) {
    RECT wr;
    if (!menuWindow || !GetWindowRect(menuWindow, &wr)) return;
    HDC dc = GetWindowDC(menuWindow);
    if (!dc) return;
    TScopeExit release([&] { ReleaseDC(menuWindow, dc); });
    TCanvas canvas;
    canvas.SetHandle(dc);
    TScopeExit detach([&] { canvas.SetHandle(nullptr); });
    // The window's own coordinates.
    const TRect w(0, 0, wr.right - wr.left, wr.bottom - wr.top);
    FrameMenuRect(canvas, TRect(w.Left, w.Top + 1, w.Right - 1, w.Bottom - 1), frameColor);
    FrameMenuRect(canvas, TRect(w.Left + 1, w.Top + 2, w.Right - 2, w.Bottom - 2), clWhite);
    canvas.Pen()->SetColor(lineColor);
    const TPoint line[] = {{w.Left, w.Bottom - 1}, {w.Right - 1, w.Bottom - 1}, {w.Right - 1, w.Top},
                           {w.Right, w.Top}, {w.Left, w.Top}};
    canvas.Polyline(line);
}

void SetSystemMenuFont(TFont* font) {
    if (!font) return;
    NONCLIENTMETRICSA ncm{};
    // Without the padded border field: systems before Vista reject the larger size.
    ncm.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0)) return;
    font->SetLogFont(ncm.lfMenuFont);
    font->SetColor(clMenuText);
}

// ---------------------------------------------------------------------------------------
// TskMenuLook

void TskMenuLook::ApplyStyle(const TskFileTheme* fileTheme, TskUIStyle uiStyle) {
    BarWidth = 26;
    if (uiStyle == MacOS) {
        MenuItemHeight = 20;
        SeparatorHeight = 12;
        SeparatorColor = clBlack;
    } else {
        MenuItemHeight = 21;
        SeparatorHeight = 5;
        SeparatorColor = kSeparatorGrey;
    }
    TskStyleReader style(fileTheme, uiStyle);
    BarColor = style.Color(SkKey::MenuBarColor);
    Color = style.Color(SkKey::MenuBackgroundColor);
    FontColor = style.Color(SkKey::MenuFontColor);
    SelectedBorderColor = style.Color(SkKey::MenuSelectedBorderColor);
    SelectedColor = style.Color(SkKey::MenuSelectedBackgroundColor);
    SelectedFontColor = style.Color(SkKey::MenuSelectedFontColor);
}

void TskMenuLook::PrepareFont(TCanvas& canvas, const TMenuItem* item) const {
    TFont* font = canvas.Font();
    if (UseSystemFont) {
        SetSystemMenuFont(font);
    } else {
        font->SetName(FontName);
        font->SetSize(FontSize);
        font->SetCharset(FontCharset);
    }
    TFontStyles style = font->GetStyle();
    font->SetStyle(item->GetDefault() ? style + TFontStyles{fsBold} : style - TFontStyles{fsBold});
}

void TskMenuLook::Measure(const TMenuItem* item, TCanvas& canvas, int& width, int& height) const {
    height = item->IsLine() ? SeparatorHeight : MenuItemHeight;
    PrepareFont(canvas, item);
    const std::string shortCut = ShortCutToText(item->GetShortCut());
    width = canvas.TextWidth(item->GetCaption()) + (shortCut.empty() ? 0 : canvas.TextWidth(shortCut)) + BarWidth + 40;
}

void TskMenuLook::Draw(const TMenuItem* item, TCanvas& canvas, const TRect& r, TOwnerDrawState state,
                       const TItemContext& context) const {
    if (FlatMenu) {
        if (HWND menuWindow = WindowFromDC(canvas.Handle())) DrawPopupBorder(menuWindow, clBlack, context.FlatLineColor);
    }
    if (item->IsLine()) {
        if (context.Style == MacOS) {
            DrawMacSeparator(canvas, r);
            return;
        }
        DrawBarAndBackground(canvas, r, context.LeftToRight);
        DrawMenuSeparator(canvas, r, SeparatorColor, context.LeftToRight, BarWidth);
        return;
    }
    const bool enabled = item->GetEnabled() && !state.Contains(odDisabled) && !state.Contains(odGrayed);
    const bool selected = state.Contains(odSelected);
    DrawItemBackground(canvas, r, context, selected && enabled);

    PrepareFont(canvas, item);
    canvas.Font()->SetColor(!enabled ? kDisabledText : selected ? SelectedFontColor : FontColor);
    canvas.Brush()->SetStyle(bsClear);
    DrawItemText(canvas, item, r, context.LeftToRight);
    DrawItemGlyph(canvas, item, r, context, enabled);
}

void TskMenuLook::DrawBarAndBackground(TCanvas& canvas, const TRect& r, bool leftToRight) const {
    TRect rest = r;
    if (BarWidth > 0) {
        TRect bar = leftToRight ? TRect(r.Left, r.Top, r.Left + BarWidth, r.Bottom)
                                : TRect(r.Right - BarWidth, r.Top, r.Right, r.Bottom);
        FillMenuRect(canvas, bar, BarColor);
        if (leftToRight) rest.Left = bar.Right;
        else rest.Right = bar.Left;
    }
    FillMenuRect(canvas, rest, Color);
}

// The selection band covers the bar too; a disabled item never shows it.
void TskMenuLook::DrawItemBackground(TCanvas& canvas, const TRect& r, const TItemContext& context,
                                     bool highlighted) const {
    if (highlighted) {
        if (context.Style == MacOS) {
            DrawMacSelection(canvas, r);
        } else {
            FillMenuRect(canvas, r, SelectedColor);
            FrameMenuRect(canvas, r, SelectedBorderColor);
        }
    } else if (context.Style == MacOS) {
        DrawMacItem(canvas, r);
    } else {
        DrawBarAndBackground(canvas, r, context.LeftToRight);
    }
}

void TskMenuLook::DrawItemText(TCanvas& canvas, const TMenuItem* item, const TRect& r, bool leftToRight) const {
    std::string caption = item->GetCaption();
    if (leftToRight) {
        TRect tr(r.Left + BarWidth + 4, r.Top + 4, r.Right, r.Bottom);
        canvas.DrawText(caption, tr, DT_SINGLELINE | DT_LEFT);
    } else {
        TRect tr(r.Left, r.Top + 4, r.Right - BarWidth - 4, r.Bottom);
        canvas.DrawText(caption, tr, DT_SINGLELINE | DT_RIGHT);
    }
    const std::string shortCut = ShortCutToText(item->GetShortCut());
    if (shortCut.empty()) return;
    const int x = leftToRight ? r.Right - canvas.TextWidth(shortCut) - 16 : r.Left + 16;
    canvas.TextOut(x, r.Top + 4, shortCut);
}

void TskMenuLook::DrawItemGlyph(TCanvas& canvas, const TMenuItem* item, const TRect& r, const TItemContext& context,
                                bool enabled) const {
    const int x = context.LeftToRight ? r.Left + 4 : r.Right - 20;
    const int index = item->GetImageIndex();
    const bool image = context.Images && index >= 0 && index < context.Images->Count();
    if (item->GetChecked()) {
        if (image) {
            // A checked item with an image shows the image on a framed box.
            FrameMenuRect(canvas, TRect(x - 2, r.Top + 1, x + 17, r.Top + 20), clBlack);
            FillMenuRect(canvas, TRect(x - 1, r.Top + 2, x + 16, r.Top + 19), SelectedColor);
        } else if (context.Checks) {
            context.Checks->Draw(canvas, x, r.Top + 3, 0, enabled);
        }
    }
    if (image) context.Images->Draw(canvas, x, r.Top + 3, index, enabled);
}
