#include "controls/skinned/SkMenu.h"

#include "controls/skinned/SkThemes.h"
#include "framework/Guards.h"

#include <cstddef>

namespace {

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
