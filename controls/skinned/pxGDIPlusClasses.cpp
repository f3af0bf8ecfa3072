#include "controls/skinned/pxGDIPlusClasses.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

const char kPngInvalid[] = "PNG image is not valid";
const char kPngNotSaved[] = "PNG image could not be saved";

// The same limits as the framework's bitmaps, for whatever format the data is in: a picture
// larger than this is refused before any decoder allocates for it, and again by the size
// GDI+ reports after decoding.
constexpr int64_t kMaxPictureSide = 32768;
constexpr int64_t kMaxPicturePixels = int64_t(1) << 26;
constexpr int64_t kMaxPictureBytes = int64_t(1) << 28;

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// The signature and a first IHDR chunk: the bytes that say a PNG picture's size.
constexpr size_t kPngHeadSize = 8 + 8 + 13 + 4;

uint32_t ReadBE32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
uint32_t ReadBE16(const uint8_t* p) { return (uint32_t(p[0]) << 8) | uint32_t(p[1]); }
uint32_t ReadLE16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }

bool ValidSize(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

// The formats handed to GDI+: those whose declared size is checked here first. BMP data
// never gets this far (the framework's bitmap reads it); TIFF, icons and metafiles are
// refused, since nothing would bound what the decoder allocates for them.
enum class TPictureFormat { pfUnknown, pfPng, pfJpeg, pfGif };

TPictureFormat FormatOf(const uint8_t* data, size_t size) {
    if (size >= 8 && std::memcmp(data, kPngSignature, 8) == 0) return TPictureFormat::pfPng;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return TPictureFormat::pfJpeg;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return TPictureFormat::pfGif;
    return TPictureFormat::pfUnknown;
}

// The signature and a first IHDR chunk whose declared size is within the limits.
bool PlausiblePng(const uint8_t* data, size_t size) {
    if (size < kPngHeadSize) return false;
    if (std::memcmp(data, kPngSignature, 8) != 0) return false;
    if (ReadBE32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
    return ValidSize(ReadBE32(data + 16), ReadBE32(data + 20));
}

// The first frame header (SOF0 to SOF15; DHT, JPG and DAC share those numbers but are not
// frames) before the scan data, with a size within the limits.
bool PlausibleJpeg(const uint8_t* data, size_t size) {
    size_t pos = 2;
    while (pos < size) {
        if (data[pos] != 0xFF) return false;
        while (pos < size && data[pos] == 0xFF) ++pos;   // fill bytes
        if (pos >= size) return false;
        const uint8_t marker = data[pos++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;   // no length
        if (marker == 0xD9 || marker == 0xDA || pos + 2 > size) return false;   // no frame before the image
        const size_t length = ReadBE16(data + pos);
        if (length < 2 || length > size - pos) return false;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            // Precision, height, width: a height of 0 (given later by a DNL marker) is refused.
            return length >= 8 && ValidSize(ReadBE16(data + pos + 5), ReadBE16(data + pos + 3));
        }
        pos += length;
    }
    return false;
}

// The logical screen and every frame within the limits, at least one frame, each frame
// inside the largest picture allowed. Data after the last whole frame is left to GDI+.
bool PlausibleGif(const uint8_t* data, size_t size) {
    if (size < 13 || !ValidSize(ReadLE16(data + 6), ReadLE16(data + 8))) return false;
    // A colour table of 2^(n+1) entries of three bytes, when its flag is set.
    auto colourTable = [](uint8_t flags) -> size_t { return (flags & 0x80) ? size_t(3) << ((flags & 7) + 1) : 0; };
    // Data sub-blocks up to their terminator; false when the data ends first.
    auto skipBlocks = [&](size_t& pos) {
        while (pos < size) {
            const size_t n = data[pos++];
            if (n == 0) return true;
            pos += n;
        }
        return false;
    };
    size_t pos = 13 + colourTable(data[10]);
    int frames = 0;
    while (pos < size) {
        const uint8_t block = data[pos];
        if (block == 0x3B) break;   // trailer
        if (block == 0x21) {        // extension: introducer, label, sub-blocks
            pos += 2;
            if (!skipBlocks(pos)) break;
        } else if (block == 0x2C) {   // frame: descriptor, colour table, code size, sub-blocks
            if (size - pos < 11) break;
            const int64_t left = ReadLE16(data + pos + 1), top = ReadLE16(data + pos + 3);
            const int64_t width = ReadLE16(data + pos + 5), height = ReadLE16(data + pos + 7);
            if (!ValidSize(width, height) || left + width > kMaxPictureSide || top + height > kMaxPictureSide)
                return false;
            ++frames;
            pos += 10 + colourTable(data[pos + 9]) + 1;
            if (!skipBlocks(pos)) break;
        } else {
            break;
        }
    }
    return frames > 0;
}

// Whether the data is a picture GDI+ may decode: a format read here, declaring a size
// within the limits.
bool PlausiblePicture(const uint8_t* data, size_t size) {
    switch (FormatOf(data, size)) {
    case TPictureFormat::pfPng: return PlausiblePng(data, size);
    case TPictureFormat::pfJpeg: return PlausibleJpeg(data, size);
    case TPictureFormat::pfGif: return PlausibleGif(data, size);
    case TPictureFormat::pfUnknown: break;
    }
    return false;
}

using TImageFactory = std::unique_ptr<TpxGPImage> (*)();
std::unique_ptr<TpxGPImage> MakeNullImage() { return std::make_unique<TpxGPNullImage>(); }
std::unique_ptr<TpxGPImage> MakeGPImage() { return std::make_unique<TpxGPImage>(); }
TImageFactory gImageFactory = MakeNullImage;

// A movable global block holding the bytes, opened as a system stream that frees the block
// with its last reference; null when the bytes can't be read or accept refuses them.
ComPtr<IStream> StreamOnCopy(TStream& stream, int64_t size, bool (*accept)(const uint8_t*, size_t)) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size));
    if (!block) return {};
    void* p = GlobalLock(block);
    bool read = false;
    if (p) {
        read = stream.Read(p, size) == size && accept(static_cast<const uint8_t*>(p), static_cast<size_t>(size));
        GlobalUnlock(block);
    }
    ComPtr<IStream> s;
    if (!read || FAILED(CreateStreamOnHGlobal(block, TRUE, s.Put()))) {
        GlobalFree(block);
        return {};
    }
    return s;
}

uint8_t Premultiply(uint32_t channel, uint32_t alpha) { return static_cast<uint8_t>((channel * alpha + 127) / 255); }

uint8_t Unpremultiply(uint32_t channel, uint32_t alpha) {
    return static_cast<uint8_t>(std::min<uint32_t>(255, (channel * 255 + alpha / 2) / alpha));
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TpxGPBase

namespace {
// Placed before each object so that operator delete knows where the memory came from.
struct alignas(16) TGPAllocHeader {
    unsigned Session;   // 0: the ordinary heap
};
}  // namespace

void* TpxGPBase::operator new(size_t size) {
    const size_t total = size + sizeof(TGPAllocHeader);
    unsigned session = GdiPlusSession();
    void* raw = session ? GdiPlus.GdipAlloc(total) : ::operator new(total);
    if (!raw) throw std::bad_alloc();
    auto* header = static_cast<TGPAllocHeader*>(raw);
    header->Session = session;
    return header + 1;
}

void TpxGPBase::operator delete(void* p) {
    if (!p) return;
    auto* header = static_cast<TGPAllocHeader*>(p) - 1;
    if (header->Session == 0) {
        ::operator delete(header);
    } else if (header->Session == GdiPlusSession()) {
        GdiPlus.GdipFree(header);
    }
    // Memory of a past session went with the library's heap.
}

// ---------------------------------------------------------------------------------------
// TpxGPImage

TpxGPImage::~TpxGPImage() { SetHandle(nullptr); }

GpImage* TpxGPImage::Handle() const {
    return image_ && session_ == GdiPlusSession() ? image_ : nullptr;
}

void TpxGPImage::SetHandle(GpImage* image) {
    if (GpImage* old = Handle(); old && old != image) GdiPlus.GdipDisposeImage(old);
    image_ = image;
    session_ = image ? GdiPlusSession() : 0;
    if (!image) {
        pixels_.clear();
        pixelWidth_ = pixelHeight_ = 0;
        data_.Reset();
    }
}

bool TpxGPImage::GetDimension(REAL& width, REAL& height) const {
    width = height = 0;
    GpImage* h = Handle();
    if (!h) return false;
    REAL w = 0, hh = 0;
    if (GdiPlus.GdipGetImageDimension(h, &w, &hh) != GpOk) return false;
    width = w;
    height = hh;
    return true;
}

void TpxGPImage::LoadFromStreamData(TStream& stream) {
    SetHandle(nullptr);
    if (!IsGdiPlusAvailable()) return;
    const int64_t size = stream.Size() - stream.Position();
    if (size <= 0 || size > kMaxPictureBytes) return;
    // The head alone refuses data of no format read here, and a PNG picture too large,
    // before anything is copied.
    uint8_t head[kPngHeadSize];
    const int64_t start = stream.Position();
    const int64_t headSize = std::min<int64_t>(size, int64_t(sizeof head));
    if (stream.Read(head, headSize) != headSize) return;
    stream.SetPosition(start);
    const TPictureFormat format = FormatOf(head, static_cast<size_t>(headSize));
    if (format == TPictureFormat::pfUnknown ||
        (format == TPictureFormat::pfPng && !PlausiblePng(head, static_cast<size_t>(headSize))))
        return;

    ComPtr<IStream> data = StreamOnCopy(stream, size, PlausiblePicture);
    if (!data) return;
    GpBitmap* bitmap = nullptr;
    if (GdiPlus.GdipCreateBitmapFromStream(data.Get(), &bitmap) != GpOk || !bitmap) return;
    SetHandle(bitmap);
    data_ = std::move(data);
    REAL w = 0, h = 0;
    if (!GetDimension(w, h) || !ValidSize(static_cast<int64_t>(w), static_cast<int64_t>(h))) SetHandle(nullptr);
}

void TpxGPImage::CreateFromBitmap(TBitmap& bitmap) {
    SetHandle(nullptr);
    if (!IsGdiPlusAvailable()) return;
    EnsurePngEncoder();
    const int w = bitmap.Width(), h = bitmap.Height();
    if (bitmap.Empty() || !ValidSize(w, h)) return;
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) std::memcpy(&pixels[size_t(y) * size_t(w)], bitmap.ScanLine(y), size_t(w) * 4);
    CreateFromPixels(w, bitmap.PixelFormat() == pf32bit, pixels.data(), h);
}

void TpxGPImage::CreateFromPixels(int width, bool hasAlpha, const uint32_t* pixels, int height) {
    SetHandle(nullptr);
    if (!IsGdiPlusAvailable() || !pixels || !ValidSize(width, height)) return;
    std::vector<uint32_t> copy(pixels, pixels + size_t(width) * size_t(height));
    // A bitmap drawn by plain GDI has 32 bits and alpha 0 everywhere: that is an opaque
    // picture, not an invisible one.
    if (hasAlpha && std::all_of(copy.begin(), copy.end(), [](uint32_t p) { return (p >> 24) == 0; })) hasAlpha = false;
    for (auto& p : copy) {
        if (!hasAlpha) {
            p |= 0xFF000000u;
            continue;
        }
        uint32_t a = p >> 24;
        if (a == 255) continue;
        p = (a << 24) | (uint32_t(Premultiply((p >> 16) & 0xFF, a)) << 16) |
            (uint32_t(Premultiply((p >> 8) & 0xFF, a)) << 8) | Premultiply(p & 0xFF, a);
    }
    AdoptPixels(width, height, std::move(copy));
}

void TpxGPImage::AdoptPixels(int width, int height, std::vector<uint32_t> pixels) {
    SetHandle(nullptr);
    if (!IsGdiPlusAvailable()) return;
    GpBitmap* bitmap = nullptr;
    if (GdiPlus.GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppPARGB,
                                          reinterpret_cast<BYTE*>(pixels.data()), &bitmap) != GpOk ||
        !bitmap)
        return;
    SetHandle(bitmap);
    pixels_ = std::move(pixels);
    pixelWidth_ = width;
    pixelHeight_ = height;
}

void TpxGPImage::CreateFromStream(TStream& stream) {
    SetHandle(nullptr);
    if (!IsGdiPlusAvailable()) return;
    const int64_t size = stream.Size() - stream.Position();
    if (size <= 13) return;
    char head[14];
    stream.ReadBuffer(head, sizeof head);
    stream.Seek(-int64_t(sizeof head), TSeekOrigin::soCurrent);
    if (head[0] == 'B' && head[1] == 'M') {
        TBitmap bitmap;
        try {
            bitmap.LoadFromStream(stream);
        } catch (const EInvalidGraphic&) {
            return;   // malformed BMP data: an empty picture
        }
        CreateFromBitmap(bitmap);
    } else {
        LoadFromStreamData(stream);
    }
}

std::unique_ptr<TpxGPImage> TpxGPImage::Clone() const {
    auto copy = NewGPImage();
    GpImage* h = Handle();
    if (!h) return copy;
    if (!pixels_.empty()) {
        copy->AdoptPixels(pixelWidth_, pixelHeight_, pixels_);
        return copy;
    }
    GpImage* clone = nullptr;
    if (GdiPlus.GdipCloneImage(h, &clone) != GpOk || !clone) return copy;
    copy->SetHandle(clone);
    // The clone may read the same data lazily.
    copy->data_ = data_;
    return copy;
}

std::unique_ptr<TpxGPImage> NewGPImage() { return gImageFactory(); }

// ---------------------------------------------------------------------------------------
// Scaled drawing

bool ScaledDrawAreas(const TRect& dest, const TRect& src, TScaledDrawAreas& a) {
    a.SrcLeft = static_cast<REAL>(src.Left);
    a.SrcTop = static_cast<REAL>(src.Top);
    a.SrcWidth = static_cast<REAL>(src.Right - src.Left);
    a.SrcHeight = static_cast<REAL>(src.Bottom - src.Top);
    a.DestLeft = static_cast<REAL>(dest.Left);
    a.DestTop = static_cast<REAL>(dest.Top);
    a.DestWidth = static_cast<REAL>(dest.Right - dest.Left);
    a.DestHeight = static_cast<REAL>(dest.Bottom - dest.Top);
    if (a.SrcWidth < 1 || a.SrcHeight < 1 || a.DestWidth < 1 || a.DestHeight < 1) return false;
    if (a.DestWidth > a.SrcWidth && a.SrcWidth > 1) a.SrcWidth -= 1;
    if (a.DestHeight > a.SrcHeight && a.SrcHeight > 1) a.SrcHeight -= 1;
    return true;
}

// ---------------------------------------------------------------------------------------
// TpxPNGImage

const TClassInfo& TpxPNGImage::StaticClassInfo() {
    // Not registered at start-up: RegisterPng does it when GDI+ is there.
    static const TClassInfo info = MakeClassInfo<TpxPNGImage>("TpxPNGImage");
    return info;
}

TpxPNGImage::~TpxPNGImage() = default;

void TpxPNGImage::SetImage(std::unique_ptr<TpxGPImage> image) {
    if (image.get() != image_.get()) image_ = std::move(image);
}

int TpxPNGImage::Width() const {
    REAL w = 0, h = 0;
    return image_ && image_->GetDimension(w, h) ? static_cast<int>(w) : 0;
}

int TpxPNGImage::Height() const {
    REAL w = 0, h = 0;
    return image_ && image_->GetDimension(w, h) ? static_cast<int>(h) : 0;
}

void TpxPNGImage::Assign(TPersistent* Source) {
    if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
        AssignBitmap(*bitmap);
        return;
    }
    if (auto* png = dynamic_cast<TpxPNGImage*>(Source)) {
        if (png == this) return;
        // An empty picture copies as an empty picture.
        SetImage(png->image_ ? png->image_->Clone() : nullptr);
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TpxPNGImage::AssignTo(TPersistent* Dest) {
    if (auto* png = dynamic_cast<TpxPNGImage*>(Dest)) {
        png->Assign(this);
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(Dest)) {
        auto copy = GetAsBitmap();
        bitmap->Assign(copy.get());
        return;
    }
    TPersistent::AssignTo(Dest);
}

void TpxPNGImage::AssignBitmap(TBitmap& bitmap) {
    IsGdiPlusAvailable();
    auto image = NewGPImage();
    image->CreateFromBitmap(bitmap);
    SetImage(std::move(image));
    Changed();
}

void TpxPNGImage::LoadFromStream(TStream& stream) {
    if (stream.Size() - stream.Position() <= 0) {
        SetImage(nullptr);
    } else {
        auto image = NewGPImage();
        image->CreateFromStream(stream);
        SetImage(std::move(image));
    }
    Changed();
}

void TpxPNGImage::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, TFileMode::fmOpenRead);
    auto image = NewGPImage();
    image->CreateFromStream(file);
    if (!image->HasImage()) throw EInvalidGraphic(kPngInvalid);
    SetImage(std::move(image));
    Changed();
}

void TpxPNGImage::SaveToStream(TStream& stream) {
    GpImage* h = image_ ? image_->Handle() : nullptr;
    if (!h) return;
    EnsurePngEncoder();
    static const CLSID zero{};
    const CLSID& encoder = PngEncoderClsid();
    if (std::memcmp(&encoder, &zero, sizeof zero) == 0) throw EInvalidGraphic(kPngNotSaved);
    ComPtr<IStream> temp;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, temp.Put()))) throw EInvalidGraphic(kPngNotSaved);
    if (GdiPlus.GdipSaveImageToStream(h, temp.Get(), &encoder, nullptr) != GpOk) throw EInvalidGraphic(kPngNotSaved);
    LARGE_INTEGER zeroPos{};
    if (FAILED(temp->Seek(zeroPos, STREAM_SEEK_SET, nullptr))) throw EInvalidGraphic(kPngNotSaved);
    char buffer[16384];
    for (;;) {
        ULONG got = 0;
        HRESULT hr = temp->Read(buffer, sizeof buffer, &got);
        if (FAILED(hr)) throw EInvalidGraphic(kPngNotSaved);
        if (got == 0) break;
        stream.WriteBuffer(buffer, got);
    }
}

std::unique_ptr<TBitmap> TpxPNGImage::GetAsBitmap() const {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    GpImage* h = image_ ? image_->Handle() : nullptr;
    if (!h) return bitmap;
    HBITMAP hbm = nullptr;
    if (GdiPlus.GdipCreateHBITMAPFromBitmap(h, &hbm, 0) != GpOk || !hbm) return bitmap;
    bitmap->SetHandle(hbm);
    bitmap->SetPixelFormat(pf32bit);
    // GDI+ hands out premultiplied pixels; a framework bitmap keeps straight alpha.
    for (int y = 0; y < bitmap->Height(); ++y) {
        uint32_t* row = bitmap->ScanLine(y);
        for (int x = 0; x < bitmap->Width(); ++x) {
            uint32_t p = row[x], a = p >> 24;
            if (a == 0 || a == 255) continue;
            row[x] = (a << 24) | (uint32_t(Unpremultiply((p >> 16) & 0xFF, a)) << 16) |
                     (uint32_t(Unpremultiply((p >> 8) & 0xFF, a)) << 8) | Unpremultiply(p & 0xFF, a);
        }
    }
    return bitmap;
}

void TpxPNGImage::Draw(TCanvas& canvas, const TRect& rect) {
    DrawRect(canvas.Handle(), rect, Rect(0, 0, Width(), Height()));
}

void TpxPNGImage::DrawAtSize(HDC dc, const TRect& dest) { DrawRect(dc, dest, Rect(0, 0, Width(), Height())); }

void TpxPNGImage::DrawRect(HDC dc, const TRect& dest, const TRect& src) {
    if (!image_ || !image_->HasImage() || !dc) return;
    GpGraphics* graphics = nullptr;
    if (GdiPlus.GdipCreateFromHDC(dc, &graphics) != GpOk || !graphics) return;
    DrawScaled(graphics, dest, src);
    GdiPlus.GdipDeleteGraphics(graphics);
}

void TpxPNGImage::DrawScaled(GpGraphics* graphics, const TRect& dest, const TRect& src) {
    GpImage* h = image_ ? image_->Handle() : nullptr;
    TScaledDrawAreas a;
    if (!h || !graphics || !ScaledDrawAreas(dest, src, a)) return;
    GdiPlus.GdipDrawImageRectRect(graphics, h, a.DestLeft, a.DestTop, a.DestWidth, a.DestHeight, a.SrcLeft, a.SrcTop,
                                  a.SrcWidth, a.SrcHeight, UnitPixel, nullptr, nullptr, nullptr);
}

// ---------------------------------------------------------------------------------------
// Registration and the unit's start-up

void RegisterPng() {
    gImageFactory = MakeNullImage;
    if (!IsGdiPlusAvailable()) return;
    EnsurePngEncoder();
    gImageFactory = MakeGPImage;
    RegisterClass(TpxPNGImage::StaticClassInfo());
    TPicture::RegisterFileFormat("PNG", "PNG pictures", TpxPNGImage::StaticClassInfo(),
                                 []() -> TGraphic* { return new TpxPNGImage; });
}

void UnregisterPng() {
    TPicture::UnregisterGraphicClass(TpxPNGImage::StaticClassInfo());
    UnRegisterClass(TpxPNGImage::StaticClassInfo());
    gImageFactory = MakeNullImage;
}

namespace {
int gClassesUnitCounter = 0;

struct TClassesUnit {
    TClassesUnit() {
        if (gClassesUnitCounter++ != 0) return;
        pxGDIPlusAPIInitialize();
        // The registries must outlive this unit, which takes the PNG class out of them.
        TPicture::FindFileFormat("png");
        GetClass("TpxPNGImage");
        UnitsLoader().AddUnit(RegisterPng, UnregisterPng);
    }
    ~TClassesUnit() {
        if (--gClassesUnitCounter == 0) UnitsLoader().RemoveUnit(UnregisterPng);
    }
} gClassesUnit;
}  // namespace
