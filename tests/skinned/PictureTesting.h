// Helpers of the picture tests: a scratch folder (common/TempDir.h), and putting GDI+ back
// after a test took it away.
#pragma once
#include "common/TempDir.h"
#include "controls/skinned/pxGDIPlusClasses.h"
#include "framework/SysUtils.h"

#include <string>

// GDI+ bound and started again with the real functions, and the PNG class registered.
inline void RestoreGdiPlus() {
    SetGdiPlusProcResolver({});
    LoadGdiPlus();
    RegisterPng();
}

// Restores GDI+ at scope end, whatever the test did to it.
struct TGdiPlusRestorer {
    TGdiPlusRestorer() = default;
    ~TGdiPlusRestorer() { RestoreGdiPlus(); }
    TGdiPlusRestorer(const TGdiPlusRestorer&) = delete;
    TGdiPlusRestorer& operator=(const TGdiPlusRestorer&) = delete;
};

// Shuts GDI+ down and binds it again through resolver.
inline void ReloadGdiPlusWith(TGdiPlusProcResolver resolver) {
    UnregisterPng();
    GdiPlusUnload();
    SetGdiPlusProcResolver(std::move(resolver));
    LoadGdiPlus();
    RegisterPng();
}

// A w x h picture of one colour (0x00BBGGRR) as GDI+'s encoder for mimeType writes it
// ("image/jpeg", "image/gif"); empty when GDI+ has no such encoder.
inline std::string EncodedPicture(const wchar_t* mimeType, int w, int h, TColor color) {
    CLSID encoder{};
    if (GetEncoderClsid(mimeType, encoder) != 0) return {};
    TBitmap bitmap;
    bitmap.SetSize(w, h);
    bitmap.Canvas()->Brush()->SetColor(color);
    bitmap.Canvas()->FillRect(Rect(0, 0, w, h));
    TpxPNGImage picture;
    picture.AssignBitmap(bitmap);
    ComPtr<IStream> out;
    if (!picture.Image() || !picture.Image()->HasImage() || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, out.Put())) ||
        GdiPlus.GdipSaveImageToStream(picture.Image()->Handle(), out.Get(), &encoder, nullptr) != GpOk)
        return {};
    STATSTG stat{};
    LARGE_INTEGER start{};
    if (FAILED(out->Stat(&stat, STATFLAG_NONAME)) || FAILED(out->Seek(start, STREAM_SEEK_SET, nullptr))) return {};
    std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    ULONG got = 0;
    if (FAILED(out->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got)) || got != bytes.size()) return {};
    return bytes;
}

// ---------------------------------------------------------------------------------------
// Controls on real windows

#include "framework/FormTesting.h"
#include "skinned/PngTestData.h"

// A form built in code (no layout), client area w x h.
inline TFormGuard<TForm> NewTestForm(int clientWidth = 300, int clientHeight = 200) {
    TFormGuard<TForm> f(TForm::Create(nullptr, false));
    f->SetBounds(40, 40, 100, 100);
    f->SetClientWidth(clientWidth);
    f->SetClientHeight(clientHeight);
    return f;
}

// A picture holding a PNG of one colour (0xAARRGGBB), or of the given pixels.
inline void SetPngPicture(TPicture* picture, int w, int h, const std::vector<uint32_t>& pixels) {
    TpxPNGImage png;
    TMemoryStream s;
    pngtest::Fill(s, pngtest::MakePng(w, h, pixels));
    png.LoadFromStream(s);
    picture->Assign(&png);
}
inline void SetPngPicture(TPicture* picture, int w, int h, uint32_t argb) {
    SetPngPicture(picture, w, h, std::vector<uint32_t>(size_t(w) * size_t(h), argb));
}

// The colour of an opaque 0xAARRGGBB value.
constexpr TColor ArgbColor(uint32_t argb) {
    return RGBToColor(static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8), static_cast<uint8_t>(argb));
}

// What a windowed control paints, rendered into a bitmap of its size.
inline void Render(TWinControl* control, TBitmap& out) {
    out.SetSize(0, 0);
    out.SetSize(control->Width(), control->Height());
    control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(out.Canvas()->Handle()), 0);
}
