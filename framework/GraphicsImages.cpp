// Bitmaps and icons: reading and writing their file formats, and the bitmap helpers.
#include "framework/Graphics.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>

namespace {

// DIB pixels are 0x00RRGGBB; colours are 0x00BBGGRR.
constexpr uint32_t ColorToPixel(TColor c) {
    uint32_t v = static_cast<uint32_t>(c);
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}
constexpr TColor PixelToColor(uint32_t p) {
    return MakeColor(((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF));
}

}  // namespace

// ---------------------------------------------------------------------------------------
// BMP data

namespace {

const char kBitmapInvalid[] = "Bitmap image is not valid";

constexpr int kMaxBitmapSide = 32768;
constexpr uint64_t kMaxBitmapPixels = uint64_t(1) << 26;   // 256 MB of 32-bit pixels

uint16_t Rd16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Rd32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
void Wr16(std::string& s, uint16_t v) { s += static_cast<char>(v & 0xFF); s += static_cast<char>(v >> 8); }
void Wr32(std::string& s, uint32_t v) { for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF); }

struct TDecodedImage {
    int Width = 0, Height = 0;
    TPixelFormat Format = pfDevice;
    std::vector<uint32_t> Pixels;   // top-down 0xAARRGGBB
};

// A channel described by a bit mask, scaled to 8 bits.
struct TChannel {
    uint32_t Mask = 0;
    int Shift = 0;
    uint32_t Max = 0;
    explicit TChannel(uint32_t mask) : Mask(mask) {
        if (!mask) return;
        Shift = std::countr_zero(mask);
        int bits = std::popcount(mask >> Shift);
        Max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    }
    uint32_t Get(uint32_t v) const {
        if (!Mask || !Max) return 0;
        return static_cast<uint32_t>((uint64_t((v & Mask) >> Shift) * 255 + Max / 2) / Max);
    }
};

// What a DIB's info header says, checked: a size this decoder takes, one plane, a bit count
// and compression that go together, and a bounded size.
struct TDibHeader {
    uint32_t Size = 0;
    bool Core = false;   // the old 12-byte header
    int Width = 0, Height = 0;
    bool TopDown = false;
    unsigned Bpp = 0;
    uint32_t Compression = BI_RGB, ClrUsed = 0;
};

bool ReadDibHeader(const uint8_t* dib, size_t n, TDibHeader& hdr) {
    if (n < 12) return false;
    const uint32_t hs = Rd32(dib);
    if (hs != 12 && hs != 40 && hs != 52 && hs != 56 && hs != 64 && hs != 108 && hs != 124) return false;
    if (hs > n) return false;
    const bool core = hs == 12;
    int64_t w, h;
    unsigned planes, bpp;
    uint32_t compression = BI_RGB, clrUsed = 0;
    if (core) {
        w = Rd16(dib + 4);
        h = Rd16(dib + 6);
        planes = Rd16(dib + 8);
        bpp = Rd16(dib + 10);
    } else {
        w = static_cast<int32_t>(Rd32(dib + 4));
        h = static_cast<int32_t>(Rd32(dib + 8));
        planes = Rd16(dib + 12);
        bpp = Rd16(dib + 14);
        compression = Rd32(dib + 16);
        clrUsed = Rd32(dib + 32);
    }
    if (hs == 64) return false;   // OS/2 2.x headers are not supported
    if (planes != 1) return false;
    const bool topDown = h < 0;
    if (topDown) h = -h;
    if (w <= 0 || h <= 0 || w > kMaxBitmapSide || h > kMaxBitmapSide) return false;
    if (uint64_t(w) * uint64_t(h) > kMaxBitmapPixels) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    switch (compression) {
    case BI_RGB: break;
    case BI_BITFIELDS: if (bpp != 16 && bpp != 32) return false; break;
    case BI_RLE8: if (bpp != 8 || topDown) return false; break;
    case BI_RLE4: if (bpp != 4 || topDown) return false; break;
    default: return false;
    }
    hdr = {hs, core, static_cast<int>(w), static_cast<int>(h), topDown, bpp, compression, clrUsed};
    return true;
}

// The channel masks (after the header or inside it; 5-5-5 for plain 16-bit pixels); pos
// moves past masks that follow the header.
bool ReadDibMasks(const uint8_t* dib, size_t n, const TDibHeader& hdr, size_t& pos, uint32_t (&masks)[4]) {
    if (hdr.Compression == BI_BITFIELDS) {
        if (hdr.Size == 40) {
            if (pos + 12 > n) return false;
            for (int i = 0; i < 3; ++i) masks[i] = Rd32(dib + pos + 4 * i);
            pos += 12;
        } else {
            for (int i = 0; i < 3; ++i) masks[i] = Rd32(dib + 40 + 4 * i);
        }
        if (hdr.Size >= 56) masks[3] = Rd32(dib + 52);
    } else if (hdr.Bpp == 16) {
        masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F;
    }
    return true;
}

// The colour table of an image of 8 bits or fewer, always as long as the bit count allows
// (entries not stored are black); pos moves past it.
bool ReadDibPalette(const uint8_t* dib, size_t n, const TDibHeader& hdr, size_t& pos, std::vector<uint32_t>& palette) {
    if (hdr.Bpp > 8) return true;
    uint32_t maxColors = 1u << hdr.Bpp;
    if (hdr.ClrUsed > maxColors) return false;
    uint32_t count = hdr.ClrUsed ? hdr.ClrUsed : maxColors;
    size_t entry = hdr.Core ? 3 : 4;
    if (pos + size_t(count) * entry > n) return false;
    palette.resize(maxColors, 0);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = dib + pos + i * entry;
        palette[i] = uint32_t(e[0]) | (uint32_t(e[1]) << 8) | (uint32_t(e[2]) << 16);
    }
    pos += size_t(count) * entry;
    return true;
}

// Run-length encoded pixels (always bottom-up) into img, already sized.
bool DecodeDibRle(const uint8_t* bits, size_t avail, const TDibHeader& hdr, const std::vector<uint32_t>& palette,
                  TDecodedImage& img) {
    const int W = hdr.Width, H = hdr.Height;
    auto row = [&](int y) { return img.Pixels.data() + size_t(H - 1 - y) * size_t(W); };
    // y counts from the bottom row, as the data does.
    const bool four = hdr.Compression == BI_RLE4;
    int x = 0, y = 0;
    size_t i = 0;
    // x never passes the row's end, however long the runs: pixels beyond it are dropped
    // (and a counter that kept growing would overflow into the image).
    auto put = [&](uint32_t index) {
        if (x >= W) return;
        if (y < H) row(y)[x] = palette[index & 0xFF];
        ++x;
    };
    while (i + 1 < avail && y < H) {
        uint8_t count = bits[i], value = bits[i + 1];
        i += 2;
        if (count) {
            for (int k = 0; k < count && x < W; ++k) put(four ? ((k & 1) ? value & 15 : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (i + 2 > avail) return false;
            x = std::min(x + bits[i], W);
            y += bits[i + 1];
            i += 2;
        } else {
            size_t bytes = four ? (value + 1) / 2 : value;
            if (i + bytes > avail) return false;
            for (int k = 0; k < value; ++k) {
                uint8_t b = bits[i + (four ? k / 2 : k)];
                put(four ? ((k & 1) ? b & 15 : b >> 4) : b);
            }
            i += (bytes + 1) & ~size_t(1);
        }
    }
    return true;
}

// Uncompressed or bit-field pixels into img, already sized.
bool DecodeDibRows(const uint8_t* bits, size_t avail, const TDibHeader& hdr, const std::vector<uint32_t>& palette,
                   const uint32_t (&masks)[4], TDecodedImage& img) {
    const int W = hdr.Width, H = hdr.Height;
    const unsigned bpp = hdr.Bpp;
    const uint64_t stride = ((uint64_t(W) * bpp + 31) / 32) * 4;
    if (stride * uint64_t(H) > avail) return false;
    TChannel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
    for (int y = 0; y < H; ++y) {
        // Rows are stored bottom-up unless the height was negative.
        const uint8_t* src = bits + size_t(stride) * size_t(hdr.TopDown ? y : H - 1 - y);
        uint32_t* dst = img.Pixels.data() + size_t(y) * size_t(W);
        for (int x = 0; x < W; ++x) {
            uint32_t p = 0;
            switch (bpp) {
            case 1: p = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: p = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
            case 8: p = palette[src[x]]; break;
            case 16: {
                uint32_t v = Rd16(src + 2 * x);
                p = (r.Get(v) << 16) | (g.Get(v) << 8) | b.Get(v) | (a.Get(v) << 24);
                break;
            }
            case 24: p = uint32_t(src[3 * x]) | (uint32_t(src[3 * x + 1]) << 8) | (uint32_t(src[3 * x + 2]) << 16); break;
            case 32:
                if (hdr.Compression == BI_RGB) {
                    p = Rd32(src + 4 * x);
                } else {
                    uint32_t v = Rd32(src + 4 * x);
                    p = (r.Get(v) << 16) | (g.Get(v) << 8) | b.Get(v) | (a.Get(v) << 24);
                }
                break;
            }
            dst[x] = p;
        }
    }
    return true;
}

TPixelFormat DibPixelFormat(const TDibHeader& hdr, const uint32_t (&masks)[4]) {
    switch (hdr.Bpp) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return hdr.Compression == BI_RGB || masks[1] == 0x03E0 ? pf15bit : pf16bit;
    case 24: return pf24bit;
    default: return pf32bit;
    }
}

// Decodes a DIB (info header, masks, palette, pixels) of size n. bitsOffset is where the
// pixels start, relative to dib; 0 means right after the colour table.
bool DecodeDib(const uint8_t* dib, size_t n, size_t bitsOffset, TDecodedImage& out) {
    TDibHeader hdr;
    if (!ReadDibHeader(dib, n, hdr)) return false;
    size_t pos = hdr.Size;
    uint32_t masks[4] = {0, 0, 0, 0};
    if (!ReadDibMasks(dib, n, hdr, pos, masks)) return false;
    std::vector<uint32_t> palette;
    if (!ReadDibPalette(dib, n, hdr, pos, palette)) return false;

    if (bitsOffset == 0) bitsOffset = pos;
    if (bitsOffset < pos || bitsOffset >= n) return false;
    const uint8_t* bits = dib + bitsOffset;
    const size_t avail = n - bitsOffset;

    TDecodedImage img;
    img.Width = hdr.Width;
    img.Height = hdr.Height;
    img.Pixels.assign(size_t(hdr.Width) * size_t(hdr.Height), 0);
    const bool rle = hdr.Compression == BI_RLE8 || hdr.Compression == BI_RLE4;
    if (rle ? !DecodeDibRle(bits, avail, hdr, palette, img) : !DecodeDibRows(bits, avail, hdr, palette, masks, img))
        return false;
    img.Format = DibPixelFormat(hdr, masks);
    out = std::move(img);
    return true;
}

bool DecodeBmpFile(const uint8_t* p, size_t n, TDecodedImage& out) {
    if (n < 14 + 12 || p[0] != 'B' || p[1] != 'M') return false;
    const uint32_t offBits = Rd32(p + 10);
    if (offBits < 14 + 12 || offBits >= n) return false;
    return DecodeDib(p + 14, n - 14, offBits - 14, out);
}

std::string ReadRest(TStream& stream) {
    int64_t size = stream.Size() - stream.Position();
    if (size <= 0) return {};
    if (size > int64_t(1) << 30) throw EInvalidGraphic(kBitmapInvalid);
    std::string data(static_cast<size_t>(size), '\0');
    stream.ReadBuffer(data.data(), size);
    return data;
}

// The description of a top-down 32-bit DIB.
BITMAPINFO Dib32Info(int width, int height) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    return bmi;
}

TGdiHandle CreateDib32(int width, int height, uint32_t*& bits) {
    BITMAPINFO bmi = Dib32Info(width, height);
    void* p = nullptr;
    TGdiHandle h(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &p, nullptr, 0));
    if (!h || !p) throw EOutOfResources("Out of system resources");
    bits = static_cast<uint32_t*>(p);
    return h;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TBitmap

IMPLEMENT_CLASS(TBitmap);

// The bitmap's canvas owns a memory DC with the bitmap selected, made when first needed
// and freed whenever the bitmap's DIB section is replaced.
class TBitmap::TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* owner) : owner_(owner) {}
    ~TBitmapCanvas() override { FreeContext(); }
    void FreeContext() {
        if (!HandleAllocated()) return;
        HDC dc = Handle();
        SetHandle(nullptr);
        if (oldBitmap_) SelectObject(dc, oldBitmap_);
        oldBitmap_ = nullptr;
        DeleteDC(dc);
    }
protected:
    void CreateHandle() override {
        HDC dc = CreateCompatibleDC(nullptr);
        if (!dc) throw EOutOfResources("Out of system resources");
        if (owner_->dib_) oldBitmap_ = SelectObject(dc, owner_->dib_.Get());
        SetHandle(dc);
    }
private:
    TBitmap* owner_;
    HGDIOBJ oldBitmap_ = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height) { SetSize(width, height); }

TBitmap::~TBitmap() {
    canvas_.reset();
}

void TBitmap::Publish(TClassBuilder<TBitmap>&) {}

TCanvas* TBitmap::Canvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TBitmapCanvas>(this);
        canvas_->OnChange = [this](TObject*) { Changed(); };
    }
    return canvas_.get();
}

void TBitmap::Dormant() {
    if (canvas_) static_cast<TBitmapCanvas*>(canvas_.get())->FreeContext();
}

void TBitmap::Changed() {
    mask_.Reset();
    TGraphic::Changed();
}

void TBitmap::NewImage(int width, int height, TGdiHandle dib, void* bits) {
    Dormant();
    dib_ = std::move(dib);
    bits_ = static_cast<uint32_t*>(bits);
    width_ = width;
    height_ = height;
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) return;
    if (width == 0 || height == 0) {
        NewImage(width, height, TGdiHandle(), nullptr);
    } else {
        uint32_t* bits = nullptr;
        TGdiHandle dib = CreateDib32(width, height, bits);
        if (bits_) {
            GdiFlush();
            int cw = std::min(width, width_), ch = std::min(height, height_);
            for (int y = 0; y < ch; ++y)
                std::memcpy(bits + size_t(y) * width, bits_ + size_t(y) * width_, size_t(cw) * 4);
        }
        NewImage(width, height, std::move(dib), bits);
    }
    Changed();
}

uint32_t* TBitmap::ScanLine(int y) {
    if (!bits_ || y < 0 || y >= height_) throw EInvalidGraphic("Scan line index out of range");
    GdiFlush();
    return bits_ + size_t(y) * width_;
}

const uint32_t* TBitmap::ScanLine(int y) const { return const_cast<TBitmap*>(this)->ScanLine(y); }

void TBitmap::SetPixelFormat(TPixelFormat value) {
    if (value == pixelFormat_) return;
    pixelFormat_ = value;
    Changed();
}

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
    if (!bits_) return clNone;
    return PixelToColor(ScanLine(height_ - 1)[0] & 0xFFFFFF);
}

void TBitmap::SetTransparentColor(TColor value) {
    if (value == transparentColor_) return;
    transparentColor_ = value;
    transparentMode_ = value == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
    if (value == transparentMode_) return;
    transparentMode_ = value;
    if (value == tmAuto) transparentColor_ = clDefault;
    else if (transparentColor_ == clDefault) transparentColor_ = TransparentColor();
    Changed();
}

TGdiHandle TBitmap::CreateMask(TColor transparent) const {
    if (!bits_) return {};
    const uint32_t key = ColorToPixel(ColorToRGB(transparent)) & 0xFFFFFF;
    // CreateBitmap rows are word aligned; 1 is white.
    const size_t stride = ((size_t(width_) + 15) / 16) * 2;
    std::vector<uint8_t> data(stride * size_t(height_), 0);
    for (int y = 0; y < height_; ++y) {
        const uint32_t* row = ScanLine(y);
        for (int x = 0; x < width_; ++x)
            if ((row[x] & 0xFFFFFF) == key) data[size_t(y) * stride + size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
    }
    TGdiHandle mask(CreateBitmap(width_, height_, 1, 1, data.data()));
    if (!mask) throw EOutOfResources("Out of system resources");
    return mask;
}

HBITMAP TBitmap::MaskHandle() {
    if (!mask_) mask_ = CreateMask(TransparentColor());
    return static_cast<HBITMAP>(mask_.Get());
}

void TBitmap::LoadFromBitmapHandle(HBITMAP value) {
    BITMAP bm{};
    if (!GetObjectA(value, sizeof bm, &bm)) throw EInvalidGraphic("Invalid bitmap handle");
    int w = bm.bmWidth, h = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    if (w <= 0 || h <= 0) {
        NewImage(0, 0, TGdiHandle(), nullptr);
        return;
    }
    uint32_t* bits = nullptr;
    TGdiHandle dib = CreateDib32(w, h, bits);
    BITMAPINFO bmi = Dib32Info(w, h);
    TWindowDC screen(nullptr);
    if (GetDIBits(screen.Get(), value, 0, h, bits, &bmi, DIB_RGB_COLORS) != h) {
        // A bitmap still selected in a DC cannot be read by GetDIBits; copy it instead.
        TMemDCHandle src(CreateCompatibleDC(nullptr)), dst(CreateCompatibleDC(nullptr));
        TSelectObject s1(src.Get(), value), s2(dst.Get(), dib.Get());
        BitBlt(dst.Get(), 0, 0, w, h, src.Get(), 0, 0, SRCCOPY);
        GdiFlush();
    }
    NewImage(w, h, std::move(dib), bits);
    pixelFormat_ = bm.bmBitsPixel == 32 ? pf32bit : bm.bmBitsPixel == 24 ? pf24bit : pfDevice;
}

void TBitmap::SetHandle(HBITMAP value) {
    if (value == Handle()) return;
    if (!value) {
        NewImage(0, 0, TGdiHandle(), nullptr);
    } else {
        TGdiHandle owned(value);
        LoadFromBitmapHandle(value);
    }
    Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
    Dormant();
    HBITMAP h = static_cast<HBITMAP>(dib_.Release());
    NewImage(0, 0, TGdiHandle(), nullptr);
    Changed();
    return h;
}

void TBitmap::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        if (b == this) return;
        if (b->bits_) {
            uint32_t* bits = nullptr;
            TGdiHandle dib = CreateDib32(b->width_, b->height_, bits);
            GdiFlush();
            std::memcpy(bits, b->bits_, size_t(b->width_) * size_t(b->height_) * 4);
            NewImage(b->width_, b->height_, std::move(dib), bits);
        } else {
            NewImage(b->width_, b->height_, TGdiHandle(), nullptr);
        }
        pixelFormat_ = b->pixelFormat_;
        transparentColor_ = b->transparentColor_;
        transparentMode_ = b->transparentMode_;
        if (Transparent() != b->Transparent()) TGraphic::SetTransparent(b->Transparent());
        Changed();
        return;
    }
    if (!Source) {
        NewImage(0, 0, TGdiHandle(), nullptr);
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
    if (!bits_) return;
    HDC dst = canvas.Handle();
    HDC src = Canvas()->Handle();
    int oldMode = SetStretchBltMode(dst, COLORONCOLOR);
    if (Transparent()) {
        TransparentBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, width_, height_,
                       ColorToColorRef(TransparentColor()));
    } else {
        StretchBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, width_, height_,
                   canvas.CopyMode());
    }
    SetStretchBltMode(dst, oldMode);
}

void TBitmap::LoadFromStream(TStream& stream) {
    std::string data = ReadRest(stream);
    if (data.empty()) {
        NewImage(0, 0, TGdiHandle(), nullptr);
        Changed();
        return;
    }
    TDecodedImage img;
    if (!DecodeBmpFile(reinterpret_cast<const uint8_t*>(data.data()), data.size(), img))
        throw EInvalidGraphic(kBitmapInvalid);
    uint32_t* bits = nullptr;
    TGdiHandle dib = CreateDib32(img.Width, img.Height, bits);
    std::memcpy(bits, img.Pixels.data(), img.Pixels.size() * 4);
    NewImage(img.Width, img.Height, std::move(dib), bits);
    pixelFormat_ = img.Format;
    Changed();
}

void TBitmap::ReadData(TStream& stream) {
    int64_t rest = stream.Size() - stream.Position();
    if (rest >= 2) {
        char sig[2];
        stream.ReadBuffer(sig, 2);
        stream.Seek(-2, TSeekOrigin::soCurrent);
        if (sig[0] == 'B' && sig[1] == 'M') {
            LoadFromStream(stream);
            return;
        }
    }
    if (rest < 4) {
        if (rest <= 0) LoadFromStream(stream);
        else throw EInvalidGraphic(kBitmapInvalid);
        return;
    }
    uint8_t len[4];
    stream.ReadBuffer(len, 4);
    uint32_t size = Rd32(len);
    if (size > uint64_t(rest - 4)) throw EInvalidGraphic(kBitmapInvalid);
    TMemoryStream ms;
    if (size) ms.CopyFrom(stream, size);
    ms.SetPosition(0);
    LoadFromStream(ms);
}

void TBitmap::SaveToStream(TStream& stream) {
    if (!bits_) return;
    const bool alpha = pixelFormat_ == pf32bit;
    const uint32_t bpp = alpha ? 32 : 24;
    const uint32_t stride = ((uint32_t(width_) * bpp + 31) / 32) * 4;
    const uint32_t imageSize = stride * uint32_t(height_);
    std::string out;
    out.reserve(54 + imageSize);
    out += "BM";
    Wr32(out, 54 + imageSize);
    Wr32(out, 0);
    Wr32(out, 54);
    Wr32(out, 40);
    Wr32(out, uint32_t(width_));
    Wr32(out, uint32_t(height_));
    Wr16(out, 1);
    Wr16(out, static_cast<uint16_t>(bpp));
    Wr32(out, BI_RGB);
    Wr32(out, imageSize);
    Wr32(out, 0);
    Wr32(out, 0);
    Wr32(out, 0);
    Wr32(out, 0);
    GdiFlush();
    std::string row(stride, '\0');
    for (int y = height_ - 1; y >= 0; --y) {
        const uint32_t* src = bits_ + size_t(y) * width_;
        for (int x = 0; x < width_; ++x) {
            uint32_t p = src[x];
            if (alpha) {
                for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<char>((p >> (8 * i)) & 0xFF);
            } else {
                for (int i = 0; i < 3; ++i) row[3 * x + i] = static_cast<char>((p >> (8 * i)) & 0xFF);
            }
        }
        out += row;
    }
    stream.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
    HRSRC res = FindResourceA(instance, name.c_str(), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!res) throw EInvalidGraphic("Resource " + name + " not found");
    HGLOBAL mem = LoadResource(instance, res);
    const auto* p = static_cast<const uint8_t*>(mem ? LockResource(mem) : nullptr);
    DWORD size = SizeofResource(instance, res);
    TDecodedImage img;
    if (!p || !DecodeDib(p, size, 0, img)) throw EInvalidGraphic(kBitmapInvalid);
    uint32_t* bits = nullptr;
    TGdiHandle dib = CreateDib32(img.Width, img.Height, bits);
    std::memcpy(bits, img.Pixels.data(), img.Pixels.size() * 4);
    NewImage(img.Width, img.Height, std::move(dib), bits);
    pixelFormat_ = img.Format;
    Changed();
}

// ---------------------------------------------------------------------------------------
// TIcon

IMPLEMENT_CLASS(TIcon);

namespace {

const char kIconInvalid[] = "Icon image is not valid";

TSize IconSize(HICON icon) {
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) return {};
    TGdiHandle color(ii.hbmColor), mask(ii.hbmMask);
    BITMAP bm{};
    if (color && GetObjectA(color.Get(), sizeof bm, &bm)) return {bm.bmWidth, std::abs(bm.bmHeight)};
    if (mask && GetObjectA(mask.Get(), sizeof bm, &bm)) return {bm.bmWidth, std::abs(bm.bmHeight) / 2};
    return {};
}

// Reads rows of a bitmap top-down at the given bit count.
bool ReadBits(HBITMAP bmp, int w, int h, int bpp, std::vector<uint8_t>& out) {
    struct { BITMAPINFOHEADER h; RGBQUAD pal[2]; } bi{};
    bi.h.biSize = sizeof(BITMAPINFOHEADER);
    bi.h.biWidth = w;
    bi.h.biHeight = -h;
    bi.h.biPlanes = 1;
    bi.h.biBitCount = static_cast<WORD>(bpp);
    bi.h.biCompression = BI_RGB;
    size_t stride = ((size_t(w) * bpp + 31) / 32) * 4;
    out.assign(stride * size_t(h), 0);
    TWindowDC screen(nullptr);
    return GetDIBits(screen.Get(), bmp, 0, h, out.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS) == h;
}

// .ico data for one 32-bit image made from an icon handle.
std::string IconToIco(HICON icon) {
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) throw EInvalidGraphic(kIconInvalid);
    TGdiHandle colorBmp(ii.hbmColor), maskBmp(ii.hbmMask);
    TSize sz = IconSize(icon);
    const int w = sz.cx, h = sz.cy;
    if (w <= 0 || h <= 0) throw EInvalidGraphic(kIconInvalid);
    std::vector<uint8_t> mask, color;
    // A monochrome icon's mask holds the AND half above the XOR half.
    const bool mono = !colorBmp;
    if (!ReadBits(static_cast<HBITMAP>(maskBmp.Get()), w, mono ? 2 * h : h, 1, mask))
        throw EInvalidGraphic(kIconInvalid);
    const size_t maskStride = ((size_t(w) + 31) / 32) * 4;
    std::vector<uint32_t> pixels(size_t(w) * h);
    if (!mono) {
        if (!ReadBits(static_cast<HBITMAP>(colorBmp.Get()), w, h, 32, color)) throw EInvalidGraphic(kIconInvalid);
        std::memcpy(pixels.data(), color.data(), pixels.size() * 4);
    } else {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                bool bit = (mask[(size_t(h) + y) * maskStride + (x >> 3)] >> (7 - (x & 7))) & 1;
                pixels[size_t(y) * w + x] = bit ? 0xFFFFFF : 0;
            }
    }
    bool anyAlpha = std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return (p >> 24) != 0; });
    if (!anyAlpha) {
        // Without alpha the mask decides what shows; newer loaders read alpha first.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                bool transparent = (mask[size_t(y) * maskStride + (x >> 3)] >> (7 - (x & 7))) & 1;
                if (!transparent) pixels[size_t(y) * w + x] |= 0xFF000000u;
            }
    }
    const uint32_t xorSize = uint32_t(w) * uint32_t(h) * 4;
    const uint32_t andSize = uint32_t(maskStride) * uint32_t(h);
    std::string out;
    Wr16(out, 0);
    Wr16(out, 1);
    Wr16(out, 1);
    out += static_cast<char>(w >= 256 ? 0 : w);
    out += static_cast<char>(h >= 256 ? 0 : h);
    out += '\0';
    out += '\0';
    Wr16(out, 1);
    Wr16(out, 32);
    Wr32(out, 40 + xorSize + andSize);
    Wr32(out, 6 + 16);
    Wr32(out, 40);
    Wr32(out, uint32_t(w));
    Wr32(out, uint32_t(2 * h));
    Wr16(out, 1);
    Wr16(out, 32);
    Wr32(out, BI_RGB);
    Wr32(out, xorSize + andSize);
    for (int i = 0; i < 4; ++i) Wr32(out, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) Wr32(out, pixels[size_t(y) * w + x]);
    for (int y = h - 1; y >= 0; --y)
        out.append(reinterpret_cast<const char*>(mask.data()) + size_t(y) * maskStride, maskStride);
    return out;
}

}  // namespace

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::SetIcon(TIconHandle icon, std::string data) {
    icon_ = std::move(icon);
    data_ = std::move(data);
    TSize sz = icon_ ? IconSize(icon_.Get()) : TSize{};
    width_ = sz.cx;
    height_ = sz.cy;
    Changed();
}

void TIcon::SetHandle(HICON value) {
    if (value == icon_.Get()) return;
    SetIcon(TIconHandle(value), {});
}

HICON TIcon::ReleaseHandle() {
    HICON h = icon_.Release();
    SetIcon(TIconHandle(), {});
    return h;
}

void TIcon::Assign(TPersistent* Source) {
    if (auto* i = dynamic_cast<TIcon*>(Source)) {
        if (i == this) return;
        TIconHandle copy(i->icon_ ? CopyIcon(i->icon_.Get()) : nullptr);
        if (i->icon_ && !copy) throw EOutOfResources("Out of system resources");
        SetIcon(std::move(copy), i->data_);
        return;
    }
    if (!Source) {
        SetIcon(TIconHandle(), {});
        return;
    }
    TGraphic::Assign(Source);
}

void TIcon::LoadFromStream(TStream& stream) {
    std::string data = ReadRest(stream);
    if (data.empty()) {
        SetIcon(TIconHandle(), {});
        return;
    }
    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    const size_t n = data.size();
    if (n < 6 || Rd16(p) != 0 || Rd16(p + 2) != 1) throw EInvalidGraphic(kIconInvalid);
    const unsigned count = Rd16(p + 4);
    if (count == 0 || 6 + size_t(count) * 16 > n) throw EInvalidGraphic(kIconInvalid);
    const int want = GetSystemMetrics(SM_CXICON);
    int best = -1, bestScore = -1;
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t* e = p + 6 + i * 16;
        uint32_t bytes = Rd32(e + 8), offset = Rd32(e + 12);
        if (bytes < 40 || offset > n || bytes > n - offset) throw EInvalidGraphic(kIconInvalid);
        int w = e[0] ? e[0] : 256;
        int bpp = Rd16(e + 6);
        // The system size first, then the largest, then the deepest colour.
        int score = (w == want ? 1 << 20 : 0) + w * 64 + std::min(bpp, 63);
        if (score > bestScore) { best = static_cast<int>(i); bestScore = score; }
    }
    const uint8_t* e = p + 6 + best * 16;
    uint32_t bytes = Rd32(e + 8), offset = Rd32(e + 12);
    const uint8_t* img = p + offset;
    static const uint8_t pngSig[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    if (std::memcmp(img, pngSig, 8) != 0) {
        uint32_t hs = Rd32(img);
        if (hs != 40 && hs != 108 && hs != 124) throw EInvalidGraphic(kIconInvalid);
        if (hs > bytes) throw EInvalidGraphic(kIconInvalid);
        int32_t w = static_cast<int32_t>(Rd32(img + 4)), h2 = static_cast<int32_t>(Rd32(img + 8));
        if (w <= 0 || w > 1024 || h2 <= 0 || h2 > 2048) throw EInvalidGraphic(kIconInvalid);
    }
    TIconHandle icon(CreateIconFromResourceEx(const_cast<uint8_t*>(img), bytes, TRUE, 0x00030000, 0, 0,
                                              LR_DEFAULTCOLOR));
    if (!icon) throw EInvalidGraphic(kIconInvalid);
    SetIcon(std::move(icon), std::move(data));
}

void TIcon::SaveToStream(TStream& stream) {
    if (!data_.empty()) {
        stream.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
        return;
    }
    if (!icon_) return;
    std::string ico = IconToIco(icon_.Get());
    stream.WriteBuffer(ico.data(), static_cast<int64_t>(ico.size()));
}

void TIcon::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
    HICON h = static_cast<HICON>(LoadImageA(instance, name.c_str(), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    if (!h) throw EInvalidGraphic("Resource " + name + " not found");
    SetIcon(TIconHandle(h), {});
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) {
    if (!icon_) return;
    DrawIconEx(canvas.Handle(), rect.Left, rect.Top, icon_.Get(), rect.Width(), rect.Height(), 0, nullptr, DI_NORMAL);
}

// ---------------------------------------------------------------------------------------
// Helpers

TBitmap* AllocPatternBitmap(TColor bk, TColor fg) {
    static std::map<std::pair<int32_t, int32_t>, std::unique_ptr<TBitmap>> cache;
    auto& slot = cache[{static_cast<int32_t>(bk), static_cast<int32_t>(fg)}];
    if (!slot) {
        auto bmp = std::make_unique<TBitmap>(8, 8);
        uint32_t b = ColorToPixel(ColorToRGB(bk)), f = ColorToPixel(ColorToRGB(fg));
        for (int y = 0; y < 8; ++y) {
            uint32_t* row = bmp->ScanLine(y);
            for (int x = 0; x < 8; ++x) row[x] = ((x + y) & 1) ? f : b;
        }
        slot = std::move(bmp);
    }
    return slot.get();
}

void DrawTransparentBitmap(HDC dc, const TRect& dest, TBitmap& source, const TRect& src, TColor transparent) {
    if (source.Empty()) return;
    TransparentBlt(dc, dest.Left, dest.Top, dest.Width(), dest.Height(), source.Canvas()->Handle(), src.Left,
                   src.Top, src.Width(), src.Height(), ColorToColorRef(transparent));
}
