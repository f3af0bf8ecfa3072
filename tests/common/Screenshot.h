// Test helpers: window screenshots saved as PNG for inspection, and pixel readback.
#pragma once
#include "framework/Graphics.h"

#include <string>

// <build folder>/tests-output/, created on first use (beside the exe's bin/ folder).
std::string TestOutputDir();

// Saves the window's pixels as shown on screen into a PNG file; a relative path is taken
// under TestOutputDir(). False when GDI+ or the capture is unavailable.
bool SaveWindowPng(HWND wnd, const std::string& path);
// The window's pixels as shown on screen (frame included); false when it can't be read.
bool CaptureWindow(HWND wnd, TBitmap& shot);
bool SaveBitmapPng(TBitmap& bitmap, const std::string& path);

// The colour at (x, y) of a bitmap (0x00BBGGRR, alpha dropped).
TColor PixelAt(const TBitmap& bitmap, int x, int y);
// How many pixels of r have the given colour.
int CountPixels(const TBitmap& bitmap, TColor color, const TRect& r);
// A bitmap of the given size filled with one colour.
void FillBitmap(TBitmap& bitmap, int width, int height, TColor color);
