// Helpers for pixel tests of the framed painters: an off-screen canvas and colour checks
// that name the caller's line.
#pragma once
#include "common/Screenshot.h"
#include "framework/Graphics.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// An off-screen 32-bit bitmap filled with a marker colour no painter uses.
class TPixelCanvas {
public:
    static constexpr TColor Marker = MakeColor(0x123456);
    TPixelCanvas(int width, int height) : bitmap_(std::make_unique<TBitmap>()) {
        FillBitmap(*bitmap_, width, height, Marker);
    }
    TCanvas* Canvas() { return bitmap_->Canvas(); }
    TBitmap& Bitmap() { return *bitmap_; }
    TColor At(int x, int y) const { return PixelAt(*bitmap_, x, y); }
    int Count(TColor color, const TRect& r) const { return CountPixels(*bitmap_, color, r); }
    int Count(TColor color) const { return Count(color, TRect(0, 0, bitmap_->Width(), bitmap_->Height())); }

private:
    std::unique_ptr<TBitmap> bitmap_;
};

inline std::string ColorText(TColor c) { return ColorToString(c); }

// Compares a pixel with a colour (system colours resolved), naming both in hexadecimal.
#define EXPECT_PIXEL(canvas, x, y, color)                                                              \
    EXPECT_EQ(ColorText((canvas).At((x), (y))), ColorText(ColorToRGB(color))) << "pixel (" << (x) << ", " \
                                                                                   << (y) << ")"
