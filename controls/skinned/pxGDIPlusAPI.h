// The binding to the system's GDI+ library: gdiplus.dll loaded on first need and its flat
// functions bound by name, start-up and shut-down, the encoder lookup, and the small loader
// that runs the start-up and shut-down steps of the picture units.
#pragma once
#include "framework/Win.h"

#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

// ---------------------------------------------------------------------------------------
// The flat interface's types, declared here so that nothing depends on the GDI+ headers.

using GpStatus = int;
constexpr GpStatus GpOk = 0;
using ARGB = uint32_t;
using REAL = float;
using PixelFormat = INT;

struct GpImage;
using GpBitmap = GpImage;
struct GpGraphics;
struct GpBrush;
using GpSolidFill = GpBrush;
using GpLineGradient = GpBrush;
using GpHatch = GpBrush;
struct GpPen;
struct GpCachedBitmap;
struct GpImageAttributes;
struct GpEncoderParameters;
struct GpPoint { INT X, Y; };
struct GpRect { INT X, Y, Width, Height; };
struct GpBitmapData {
    UINT Width, Height;
    INT Stride;
    PixelFormat Format;
    void* Scan0;
    UINT_PTR Reserved;
};

constexpr PixelFormat PixelFormat32bppPARGB = 925707;
constexpr INT UnitPixel = 2;

struct GdiplusStartupInput {
    UINT32 GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};
using GdiplusNotificationHookProc = GpStatus(WINAPI*)(ULONG_PTR* token);
using GdiplusNotificationUnhookProc = void(WINAPI*)(ULONG_PTR token);
struct GdiplusStartupOutput {
    GdiplusNotificationHookProc NotificationHook;
    GdiplusNotificationUnhookProc NotificationUnhook;
};

// The system's codec record (76 bytes on 32-bit Windows, wider on 64-bit).
struct GpImageCodecInfo {
    CLSID Clsid;
    GUID FormatID;
    const WCHAR* CodecName;
    const WCHAR* DllName;
    const WCHAR* FormatDescription;
    const WCHAR* FilenameExtension;
    const WCHAR* MimeType;
    DWORD Flags, Version, SigCount, SigSize;
    const BYTE* SigPattern;
    const BYTE* SigMask;
};

using GpDrawImageAbort = BOOL(WINAPI*)(void*);

// Every bound function in lookup order: its name and its type. Enumerations of the flat
// interface travel as INT.
#define PX_GDIPLUS_FUNCTIONS(X)                                                                       \
    X(GdipAlloc, void*(WINAPI*)(size_t))                                                              \
    X(GdipFree, void(WINAPI*)(void*))                                                                 \
    X(GdiplusStartup, GpStatus(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, GdiplusStartupOutput*)) \
    X(GdiplusShutdown, void(WINAPI*)(ULONG_PTR))                                                      \
    X(GdipCloneBrush, GpStatus(WINAPI*)(GpBrush*, GpBrush**))                                         \
    X(GdipDeleteBrush, GpStatus(WINAPI*)(GpBrush*))                                                   \
    X(GdipGetBrushType, GpStatus(WINAPI*)(GpBrush*, INT*))                                            \
    X(GdipCreateSolidFill, GpStatus(WINAPI*)(ARGB, GpSolidFill**))                                    \
    X(GdipSetSolidFillColor, GpStatus(WINAPI*)(GpSolidFill*, ARGB))                                   \
    X(GdipGetSolidFillColor, GpStatus(WINAPI*)(GpSolidFill*, ARGB*))                                  \
    X(GdipCreateLineBrushFromRectI, GpStatus(WINAPI*)(const GpRect*, ARGB, ARGB, INT, INT, GpLineGradient**)) \
    X(GdipGetLineRectI, GpStatus(WINAPI*)(GpLineGradient*, GpRect*))                                  \
    X(GdipSetLineColors, GpStatus(WINAPI*)(GpLineGradient*, ARGB, ARGB))                              \
    X(GdipGetLineColors, GpStatus(WINAPI*)(GpLineGradient*, ARGB*))                                   \
    X(GdipSetLineWrapMode, GpStatus(WINAPI*)(GpLineGradient*, INT))                                   \
    X(GdipGetLineWrapMode, GpStatus(WINAPI*)(GpLineGradient*, INT*))                                  \
    X(GdipCreateHatchBrush, GpStatus(WINAPI*)(INT, ARGB, ARGB, GpHatch**))                            \
    X(GdipGetHatchStyle, GpStatus(WINAPI*)(GpHatch*, INT*))                                           \
    X(GdipGetHatchForegroundColor, GpStatus(WINAPI*)(GpHatch*, ARGB*))                                \
    X(GdipGetHatchBackgroundColor, GpStatus(WINAPI*)(GpHatch*, ARGB*))                                \
    X(GdipCreatePen1, GpStatus(WINAPI*)(ARGB, REAL, INT, GpPen**))                                    \
    X(GdipCreatePen2, GpStatus(WINAPI*)(GpBrush*, REAL, INT, GpPen**))                                \
    X(GdipClonePen, GpStatus(WINAPI*)(GpPen*, GpPen**))                                               \
    X(GdipDeletePen, GpStatus(WINAPI*)(GpPen*))                                                       \
    X(GdipGetPenFillType, GpStatus(WINAPI*)(GpPen*, INT*))                                            \
    X(GdipSetPenBrushFill, GpStatus(WINAPI*)(GpPen*, GpBrush*))                                       \
    X(GdipGetPenBrushFill, GpStatus(WINAPI*)(GpPen*, GpBrush**))                                      \
    X(GdipSetPenColor, GpStatus(WINAPI*)(GpPen*, ARGB))                                               \
    X(GdipGetPenColor, GpStatus(WINAPI*)(GpPen*, ARGB*))                                              \
    X(GdipSetPenMode, GpStatus(WINAPI*)(GpPen*, INT))                                                 \
    X(GdipGetPenMode, GpStatus(WINAPI*)(GpPen*, INT*))                                                \
    X(GdipSetPenWidth, GpStatus(WINAPI*)(GpPen*, REAL))                                               \
    X(GdipGetPenWidth, GpStatus(WINAPI*)(GpPen*, REAL*))                                              \
    X(GdipCreateFromHDC, GpStatus(WINAPI*)(HDC, GpGraphics**))                                        \
    X(GdipDeleteGraphics, GpStatus(WINAPI*)(GpGraphics*))                                             \
    X(GdipGetDC, GpStatus(WINAPI*)(GpGraphics*, HDC*))                                                \
    X(GdipReleaseDC, GpStatus(WINAPI*)(GpGraphics*, HDC))                                             \
    X(GdipGraphicsClear, GpStatus(WINAPI*)(GpGraphics*, ARGB))                                        \
    X(GdipDrawLineI, GpStatus(WINAPI*)(GpGraphics*, GpPen*, INT, INT, INT, INT))                      \
    X(GdipFillRectangleI, GpStatus(WINAPI*)(GpGraphics*, GpBrush*, INT, INT, INT, INT))               \
    X(GdipDrawArcI, GpStatus(WINAPI*)(GpGraphics*, GpPen*, INT, INT, INT, INT, REAL, REAL))           \
    X(GdipDrawBezierI, GpStatus(WINAPI*)(GpGraphics*, GpPen*, INT, INT, INT, INT, INT, INT, INT, INT)) \
    X(GdipDrawRectangleI, GpStatus(WINAPI*)(GpGraphics*, GpPen*, INT, INT, INT, INT))                 \
    X(GdipDrawEllipseI, GpStatus(WINAPI*)(GpGraphics*, GpPen*, INT, INT, INT, INT))                   \
    X(GdipDrawPieI, GpStatus(WINAPI*)(GpGraphics*, GpPen*, INT, INT, INT, INT, REAL, REAL))           \
    X(GdipDrawPolygonI, GpStatus(WINAPI*)(GpGraphics*, GpPen*, const GpPoint*, INT))                  \
    X(GdipDrawCurve2I, GpStatus(WINAPI*)(GpGraphics*, GpPen*, const GpPoint*, INT, REAL))             \
    X(GdipDrawClosedCurve2I, GpStatus(WINAPI*)(GpGraphics*, GpPen*, const GpPoint*, INT, REAL))       \
    X(GdipFillPolygonI, GpStatus(WINAPI*)(GpGraphics*, GpBrush*, const GpPoint*, INT, INT))           \
    X(GdipFillEllipseI, GpStatus(WINAPI*)(GpGraphics*, GpBrush*, INT, INT, INT, INT))                 \
    X(GdipFillPieI, GpStatus(WINAPI*)(GpGraphics*, GpBrush*, INT, INT, INT, INT, REAL, REAL))         \
    X(GdipFillClosedCurveI, GpStatus(WINAPI*)(GpGraphics*, GpBrush*, const GpPoint*, INT))            \
    X(GdipLoadImageFromStream, GpStatus(WINAPI*)(IStream*, GpImage**))                                \
    X(GdipCreateBitmapFromFile, GpStatus(WINAPI*)(const WCHAR*, GpBitmap**))                          \
    X(GdipCreateBitmapFromStream, GpStatus(WINAPI*)(IStream*, GpBitmap**))                            \
    X(GdipCreateBitmapFromStreamICM, GpStatus(WINAPI*)(IStream*, GpBitmap**))                         \
    X(GdipCreateHBITMAPFromBitmap, GpStatus(WINAPI*)(GpBitmap*, HBITMAP*, ARGB))                      \
    X(GdipLoadImageFromFile, GpStatus(WINAPI*)(const WCHAR*, GpImage**))                              \
    X(GdipGetImageDimension, GpStatus(WINAPI*)(GpImage*, REAL*, REAL*))                               \
    X(GdipDrawImageRectI, GpStatus(WINAPI*)(GpGraphics*, GpImage*, INT, INT, INT, INT))               \
    X(GdipDisposeImage, GpStatus(WINAPI*)(GpImage*))                                                  \
    X(GdipGetImageEncodersSize, GpStatus(WINAPI*)(UINT*, UINT*))                                      \
    X(GdipGetImageEncoders, GpStatus(WINAPI*)(UINT, UINT, GpImageCodecInfo*))                         \
    X(GdipSaveImageToStream, GpStatus(WINAPI*)(GpImage*, IStream*, const CLSID*, const GpEncoderParameters*)) \
    X(GdipCreateBitmapFromHBITMAP, GpStatus(WINAPI*)(HBITMAP, HPALETTE, GpBitmap**))                  \
    X(GdipGetEncoderParameterListSize, GpStatus(WINAPI*)(GpImage*, const CLSID*, UINT*))              \
    X(GdipGetEncoderParameterList, GpStatus(WINAPI*)(GpImage*, const CLSID*, UINT, GpEncoderParameters*)) \
    X(GdipCreateBitmapFromGdiDib, GpStatus(WINAPI*)(const BITMAPINFO*, void*, GpBitmap**))            \
    X(GdipCreateBitmapFromScan0, GpStatus(WINAPI*)(INT, INT, INT, PixelFormat, BYTE*, GpBitmap**))    \
    X(GdipBitmapLockBits, GpStatus(WINAPI*)(GpBitmap*, const GpRect*, UINT, PixelFormat, GpBitmapData*)) \
    X(GdipBitmapUnlockBits, GpStatus(WINAPI*)(GpBitmap*, GpBitmapData*))                              \
    X(GdipDrawImageRectRectI, GpStatus(WINAPI*)(GpGraphics*, GpImage*, INT, INT, INT, INT, INT, INT, INT, INT, INT, \
                                                const GpImageAttributes*, GpDrawImageAbort, void*))   \
    X(GdipDrawImageRectRect, GpStatus(WINAPI*)(GpGraphics*, GpImage*, REAL, REAL, REAL, REAL, REAL, REAL, REAL, REAL, \
                                               INT, const GpImageAttributes*, GpDrawImageAbort, void*)) \
    X(GdipDrawImagePointRect, GpStatus(WINAPI*)(GpGraphics*, GpImage*, REAL, REAL, REAL, REAL, REAL, REAL, INT)) \
    X(GdipCloneImage, GpStatus(WINAPI*)(GpImage*, GpImage**))                                         \
    X(GdipSetInterpolationMode, GpStatus(WINAPI*)(GpGraphics*, INT))                                  \
    X(GdipGetInterpolationMode, GpStatus(WINAPI*)(GpGraphics*, INT*))                                 \
    X(GdipCreateCachedBitmap, GpStatus(WINAPI*)(GpBitmap*, GpGraphics*, GpCachedBitmap**))            \
    X(GdipDeleteCachedBitmap, GpStatus(WINAPI*)(GpCachedBitmap*))                                     \
    X(GdipDrawCachedBitmap, GpStatus(WINAPI*)(GpGraphics*, GpCachedBitmap*, INT, INT))                \
    X(GdipCreateBitmapFromGraphics, GpStatus(WINAPI*)(INT, INT, GpGraphics*, GpBitmap**))             \
    X(GdipGetImageGraphicsContext, GpStatus(WINAPI*)(GpImage*, GpGraphics**))                         \
    X(GdipGetImageWidth, GpStatus(WINAPI*)(GpImage*, UINT*))                                          \
    X(GdipGetImageHeight, GpStatus(WINAPI*)(GpImage*, UINT*))                                         \
    X(GdipSetCompositingMode, GpStatus(WINAPI*)(GpGraphics*, INT))                                    \
    X(GdipGetCompositingMode, GpStatus(WINAPI*)(GpGraphics*, INT*))                                   \
    X(GdipSetCompositingQuality, GpStatus(WINAPI*)(GpGraphics*, INT))                                 \
    X(GdipGetCompositingQuality, GpStatus(WINAPI*)(GpGraphics*, INT*))                                \
    X(GdipSetSmoothingMode, GpStatus(WINAPI*)(GpGraphics*, INT))                                      \
    X(GdipGetSmoothingMode, GpStatus(WINAPI*)(GpGraphics*, INT*))                                     \
    X(GdipCloneBitmapAreaI, GpStatus(WINAPI*)(INT, INT, INT, INT, PixelFormat, GpBitmap*, GpBitmap**))

// One pointer per bound function, named like the function; all null until bound.
struct TGdiPlusFunctions {
#define PX_GDIPLUS_MEMBER(name, type) std::type_identity_t<type> name = nullptr;
    PX_GDIPLUS_FUNCTIONS(PX_GDIPLUS_MEMBER)
#undef PX_GDIPLUS_MEMBER
};

// The bound functions. Call one only while IsGdiPlusLoaded() holds.
extern TGdiPlusFunctions GdiPlus;
// How many functions the binding looks up, and their names in lookup order.
int GdiPlusFunctionCount();
const char* GdiPlusFunctionName(int index);
int GdiPlusBoundCount();

// ---------------------------------------------------------------------------------------
// Loading and unloading

// Nothing when already loaded; else loads the library, binds the functions in order (the
// first missing one ends the binding and leaves GDI+ unavailable) and starts GDI+.
void LoadGdiPlus();
// Loads GDI+ the first time it is asked; afterwards only reports. A library that failed to
// load is not tried again, nor one that was shut down.
bool IsGdiPlusAvailable();
// The loaded flag alone, without a load attempt.
bool IsGdiPlusLoaded();
// Shuts GDI+ down (unhook, shut-down, free the library). Images made before this belong to
// a past session: they give up their handles without calling into the freed library.
void GdiPlusUnload();
// Counts successful start-ups; 0 while GDI+ is not loaded. An image remembers the session
// that made its handle, so a handle of a past session is never passed to GDI+.
unsigned GdiPlusSession();

// Binding by name goes through this (GetProcAddress by default); a replacement sees every
// name in lookup order and may refuse one by answering null. An empty one restores the
// default. For diagnosing broken installations and for tests.
using TGdiPlusProcResolver = std::function<FARPROC(HMODULE library, const char* name)>;
void SetGdiPlusProcResolver(TGdiPlusProcResolver resolver);

// 0 and the CLSID of the first encoder whose MIME type matches (ignoring case); 1 when
// there is none or GDI+ is unavailable.
int GetEncoderClsid(const std::wstring& mimeType, CLSID& clsid);
// Looks up the PNG encoder once; its CLSID stays all zero when there is none.
void EnsurePngEncoder();
const CLSID& PngEncoderClsid();

// ---------------------------------------------------------------------------------------
// The units loader

using TpxUnitProc = void (*)();

// Runs the start-up routine of each unit at once and keeps its shut-down routine, so that
// the shut-downs run together, last unit first. (The program is an executable: no unit's
// start-up is ever deferred.)
class TpxUnitsLoader {
public:
    TpxUnitsLoader() = default;
    ~TpxUnitsLoader();
    TpxUnitsLoader(const TpxUnitsLoader&) = delete;
    TpxUnitsLoader& operator=(const TpxUnitsLoader&) = delete;

    void AddUnit(TpxUnitProc initialize, TpxUnitProc finalize);
    // Takes finalize off the list; runs it when it was there.
    void RemoveUnit(TpxUnitProc finalize);
    // Runs the shut-down list from the last entry to the first, once.
    void Finalize();
    bool UnitsInitialized() const { return initialized_; }

private:
    std::vector<TpxUnitProc> finalizeList_;
    bool initialized_ = false;
};

// The one loader, made on first use.
TpxUnitsLoader& UnitsLoader();

// Start-up of this unit: GDI+ is marked as not loaded and its unload is queued. Runs once.
void pxGDIPlusAPIInitialize();
// Shuts down every picture unit and GDI+. WinMain calls it after the last form and picture
// are freed; the same happens at the end of the process if nobody did.
void pxFinalizeGDIPlus();
