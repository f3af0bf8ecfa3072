// Drawing and layout routines shared by the skinned controls.
#pragma once
#include "controls/skinned/SkThemes.h"
#include "framework/Controls.h"
#include "framework/Graphics.h"

#include <string_view>

class TCustomForm;
class TskFileTheme;

// Paints what the control's parent shows under the control onto canvas (whose origin is
// the control's top-left): the parent's background and its windowless children. Nothing
// when the control has no parent.
void PaintParentBackground(TCanvas& canvas, TControl* control);

// Tiles the graphic over the canvas from the canvas origin (not from rect's corner) until
// rect is covered. An empty graphic draws nothing.
void TilePicture(TCanvas& canvas, TGraphic* graphic, const TRect& rect);
void TilePicture(TCanvas& canvas, TPicture* picture, const TRect& rect);

// All four edges count as inside.
bool PointInRect(TPoint point, const TRect& rect);

// The work area of the monitor that shows the main form; without one, the primary
// screen's.
TRect GetWorkArea();

// Left, top, width and height, in that order.
void SetControlBounds(TControl* control, const TRect& rect);

// A strip of three equal slices (left cap, middle, right cap): the caps at their own
// size at rect's ends, the middle stretched between them, each leaving out the key colour
// (the pixel at (0, 0) with cornerKey, else at (0, height - 1); with pixelKey false,
// fuchsia). A bitmap narrower than 3 pixels or without rows draws nothing.
void DrawThreeSliceBitmap(TBitmap* bitmap, TCanvas& canvas, const TRect& rect, bool cornerKey, bool pixelKey);

// In place, counter-clockwise: a w x h bitmap becomes h x w, pixel (x, y) moving to
// (y, w - 1 - x).
void RotateBitmap90(TBitmap* bitmap);
// In place: pixel (x, y) moves to (w - 1 - x, h - 1 - y).
void RotateBitmap180(TBitmap* bitmap);

bool HasPublishedProperty(const TObject* component, std::string_view name);

// Copies frame frameIndex (1-based) of frameCount equal frames, side by side in bitmap,
// into graphic. The frame width is width / frameCount (the columns left over are never
// used). frameCount below 1 copies the whole bitmap, and frameIndex is kept within
// 1..frameCount. A bitmap graphic is resized and keeps its own transparency settings.
void CutBitmapFrame(TBitmap* bitmap, TGraphic* graphic, int frameCount, int frameIndex);

// Whether form counts as the active window of the program (MDI children included).
bool IsFormActive(TCustomForm* form);

// Gives every direct child of frame that publishes both FileTheme and UIStyle the theme
// and then the style, through their writers.
void ApplyThemeToChildren(TWinControl* frame, TskUIStyle style, TskFileTheme* fileTheme);
