// Drawing routines shared by the skinned menus.
#pragma once
#include "framework/Graphics.h"

void FrameMenuRect(TCanvas& canvas, const TRect& rect, TColor color);
void FillMenuRect(TCanvas& canvas, const TRect& rect, TColor color);
// One line at top + 2, clear of the bar on the leading side.
void DrawMenuSeparator(TCanvas& canvas, const TRect& rect, TColor color, bool leftToRight, int barWidth);
// The MacOS look: bands cut from the "MACOS_MENU_BAR" and "MACOS_MENU_SELECT" bitmaps and
// stretched over the rectangle.
void DrawMacSeparator(TCanvas& canvas, const TRect& rect);
void DrawMacSelection(TCanvas& canvas, const TRect& rect);
void DrawMacItem(TCanvas& canvas, const TRect& rect);
// A flat frame around a popup menu's window, drawn in the window's own device context
// (never on the desktop's): the frame colour outside, white inside it, and the line colour
// along the top and right edges.
void DrawPopupBorder(HWND menuWindow, TColor frameColor, TColor lineColor);
// The system's menu font in clMenuText; the font stays as it was when the system can't
// say.
void SetSystemMenuFont(TFont* font);
