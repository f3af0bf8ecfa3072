// The framed control library's graphics routines: gradients, transparent bitmaps and the
// copying of a parent's background under a transparent control.
#pragma once
#include "controls/framed/FcCommon.h"

#include <cstdint>

// Fills Rect (its absolute size, at its Left and Top) with a gradient from StartColor to
// StopColor. Linear styles run from the start edge to the stop edge, the centre styles have
// StopColor in the middle, the box styles at the centre; ColorStep merges bands (1: every
// colour step its own band).
void FillGradient(TCanvas* Canvas, const TRect& Rect, TGradientDirection Direction, TColor StartColor,
                  TColor StopColor, uint8_t ColorStep);

// Stretches SourceRect of Bitmap to DestRect's size and draws it at (0, 0) with the pixels of
// TransparentColor left out. An empty bitmap draws nothing.
void PaintTransparentBitmap(TCanvas* Canvas, TBitmap* Bitmap, const TRect& DestRect, TColor TransparentColor,
                            const TRect& SourceRect);

// Paints the parent's client area (its background and its own painting) into DC, moved so
// that it lines up under Control. With InvalidateParent, a parent that is neither a custom
// control nor a form is invalidated afterwards.
void CopyParentBackground(TControl* Control, HDC DC, bool InvalidateParent);
void CopyParentBackground(TControl* Control, TCanvas* Canvas, bool InvalidateParent);
