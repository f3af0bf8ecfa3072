#include "Screenshot.h"

#include <vector>

namespace {

// The GDI+ flat interface, declared here so the tests need no GDI+ headers.
struct GpStartupInput {
    UINT32 GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};
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
using StartupFn = int(WINAPI*)(ULONG_PTR*, const GpStartupInput*, void*);
using ShutdownFn = void(WINAPI*)(ULONG_PTR);
using FromHBitmapFn = int(WINAPI*)(HBITMAP, HPALETTE, void**);
using EncodersSizeFn = int(WINAPI*)(UINT*, UINT*);
using EncodersFn = int(WINAPI*)(UINT, UINT, GpImageCodecInfo*);
using SaveFileFn = int(WINAPI*)(void*, const WCHAR*, const CLSID*, const void*);
using DisposeFn = int(WINAPI*)(void*);

template <class F>
F Proc(HMODULE m, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

std::string FullPath(const std::string& path) {
    if (path.size() > 1 && (path[1] == ':' || path[0] == '\\' || path[0] == '/')) return path;
    return TestOutputDir() + path;
}

}  // namespace

std::string TestOutputDir() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir = ExtractFileDir(ExtractFileDir(exe));
    std::string out = IncludeTrailingPathDelimiter(dir) + "tests-output\\";
    ForceDirectories(out);
    return out;
}

bool SaveBitmapPng(TBitmap& bitmap, const std::string& path) {
    if (bitmap.Empty()) return false;
    TModuleHandle gdiplus(LoadLibraryA("gdiplus.dll"));
    if (!gdiplus) return false;
    auto startup = Proc<StartupFn>(gdiplus.Get(), "GdiplusStartup");
    auto shutdown = Proc<ShutdownFn>(gdiplus.Get(), "GdiplusShutdown");
    auto fromHBitmap = Proc<FromHBitmapFn>(gdiplus.Get(), "GdipCreateBitmapFromHBITMAP");
    auto encodersSize = Proc<EncodersSizeFn>(gdiplus.Get(), "GdipGetImageEncodersSize");
    auto encoders = Proc<EncodersFn>(gdiplus.Get(), "GdipGetImageEncoders");
    auto saveFile = Proc<SaveFileFn>(gdiplus.Get(), "GdipSaveImageToFile");
    auto dispose = Proc<DisposeFn>(gdiplus.Get(), "GdipDisposeImage");
    if (!startup || !shutdown || !fromHBitmap || !encodersSize || !encoders || !saveFile || !dispose) return false;
    GpStartupInput input;
    ULONG_PTR token = 0;
    if (startup(&token, &input, nullptr) != 0) return false;
    bool ok = false;
    UINT count = 0, size = 0;
    if (encodersSize(&count, &size) == 0 && size > 0) {
        std::vector<uint8_t> buf(size);
        auto* codecs = reinterpret_cast<GpImageCodecInfo*>(buf.data());
        if (encoders(count, size, codecs) == 0) {
            for (UINT i = 0; i < count; ++i) {
                if (!codecs[i].MimeType || lstrcmpiW(codecs[i].MimeType, L"image/png") != 0) continue;
                bitmap.Dormant();
                void* image = nullptr;
                if (fromHBitmap(bitmap.Handle(), nullptr, &image) == 0 && image) {
                    std::wstring file = ToWide(FullPath(path));
                    ok = saveFile(image, file.c_str(), &codecs[i].Clsid, nullptr) == 0;
                    dispose(image);
                }
                break;
            }
        }
    }
    shutdown(token);
    return ok;
}

bool CaptureWindow(HWND wnd, TBitmap& shot) {
    RECT r{};
    if (!GetWindowRect(wnd, &r) || r.right <= r.left || r.bottom <= r.top) return false;
    shot.SetSize(r.right - r.left, r.bottom - r.top);
    TWindowDC screen(nullptr);
    return BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), screen.Get(), r.left, r.top,
                  SRCCOPY | CAPTUREBLT);
}

bool SaveWindowPng(HWND wnd, const std::string& path) {
    TBitmap shot;
    return CaptureWindow(wnd, shot) && SaveBitmapPng(shot, path);
}

TColor PixelAt(const TBitmap& bitmap, int x, int y) {
    uint32_t p = bitmap.ScanLine(y)[x];
    return RGBToColor(static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p));
}

int CountPixels(const TBitmap& bitmap, TColor color, const TRect& r) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (PixelAt(bitmap, x, y) == color) ++n;
    return n;
}

void FillBitmap(TBitmap& bitmap, int width, int height, TColor color) {
    bitmap.SetSize(width, height);
    bitmap.Canvas()->Brush()->SetColor(color);
    bitmap.Canvas()->FillRect(Rect(0, 0, width, height));
}
