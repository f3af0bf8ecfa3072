#include "common/Screenshot.h"
#include "controls/skinned/pxGDIPlusClasses.h"
#include "framework/ExtCtrls.h"
#include "skinned/PngTestData.h"
#include "skinned/PictureTesting.h"
#include <gtest/gtest.h>

#include <cstring>

using namespace pngtest;

namespace {

void LoadBytes(TpxPNGImage& png, const std::string& bytes) {
    TMemoryStream s;
    Fill(s, bytes);
    png.LoadFromStream(s);
}

// The graphic stretched over a w x h bitmap filled with back.
void DrawOver(TGraphic& g, TBitmap& out, int w, int h, TColor back) {
    FillBitmap(out, w, h, back);
    out.Canvas()->StretchDraw(Rect(0, 0, w, h), &g);
}

uint32_t Argb(const TBitmap& b, int x, int y) { return b.ScanLine(y)[x]; }

bool Near(int a, int b, int tolerance) { return a - b <= tolerance && b - a <= tolerance; }

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

const uint32_t kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;

// GDI+'s JPEG of a 12 x 9 picture in one colour.
constexpr TColor kJpegColour = MakeColor(0x3060C0);
std::string TestJpeg() { return EncodedPicture(L"image/jpeg", 12, 9, kJpegColour); }

// Where a JPEG's frame header (SOF0, 8-bit, three components) begins.
size_t JpegFrameAt(const std::string& jpeg) { return jpeg.find(std::string("\xFF\xC0\x00\x11\x08", 5)); }

// The JPEG with the height and width in its frame header replaced.
std::string WithJpegSize(std::string jpeg, uint16_t width, uint16_t height) {
    const size_t frame = JpegFrameAt(jpeg);
    if (frame == std::string::npos) return {};
    jpeg[frame + 5] = static_cast<char>(height >> 8);
    jpeg[frame + 6] = static_cast<char>(height & 0xFF);
    jpeg[frame + 7] = static_cast<char>(width >> 8);
    jpeg[frame + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

}  // namespace

TEST(GdiPlusBinding, BindsEveryFunctionByNameAndRegistersThePngClass) {
    ASSERT_TRUE(IsGdiPlusAvailable());
    EXPECT_EQ(GdiPlusFunctionCount(), 91);
    EXPECT_EQ(GdiPlusBoundCount(), 91);
    EXPECT_STREQ(GdiPlusFunctionName(0), "GdipAlloc");
    EXPECT_STREQ(GdiPlusFunctionName(90), "GdipCloneBitmapAreaI");
    EXPECT_NE(GdiPlusSession(), 0u);

    CLSID png{}, none{};
    EXPECT_EQ(GetEncoderClsid(L"IMAGE/PNG", png), 0);
    EXPECT_EQ(std::memcmp(&png, &PngEncoderClsid(), sizeof png), 0);
    EXPECT_EQ(GetEncoderClsid(L"image/x-none", none), 1);

    const TFileFormat* format = TPicture::FindFileFormat(".PNG");
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->GraphicClass, &TpxPNGImage::StaticClassInfo());
    EXPECT_EQ(GetClass("TpxPNGImage"), &TpxPNGImage::StaticClassInfo());
}

TEST(GdiPlusBinding, MissingEntryPointLeavesPicturesEmptyAndTheClassUnregistered) {
    TGdiPlusRestorer restore;
    TTempDir dir;
    const std::string file = dir.Write("pic.png", SolidPng(4, 4, kBlue));
    TpxPNGImage before;
    LoadBytes(before, SolidPng(4, 4, kBlue));
    ASSERT_EQ(before.Width(), 4);

    std::vector<std::string> asked;
    ReloadGdiPlusWith([&](HMODULE m, const char* name) -> FARPROC {
        asked.push_back(name);
        return std::strcmp(name, "GdipCloneImage") == 0 ? nullptr : GetProcAddress(m, name);
    });
    EXPECT_FALSE(IsGdiPlusAvailable());
    // Looked up in order up to the missing one; nothing of the broken binding stays.
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), "GdipCloneImage");
    EXPECT_STREQ(GdiPlusFunctionName(static_cast<int>(asked.size()) - 1), "GdipCloneImage");
    EXPECT_EQ(GdiPlusBoundCount(), 0);
    EXPECT_EQ(TPicture::FindFileFormat("png"), nullptr);
    EXPECT_EQ(GetClass("TpxPNGImage"), nullptr);

    // A picture of the earlier session no longer reaches GDI+.
    EXPECT_TRUE(before.Empty());
    // Every operation is harmless and gives an empty picture.
    TpxPNGImage png;
    LoadBytes(png, SolidPng(4, 4, kBlue));
    EXPECT_TRUE(png.Empty());
    TBitmap bmp;
    FillBitmap(bmp, 3, 3, clRed);
    png.Assign(&bmp);
    EXPECT_TRUE(png.Empty());
    TMemoryStream saved;
    png.SaveToStream(saved);
    EXPECT_EQ(saved.Size(), 0);
    TBitmap target;
    FillBitmap(target, 8, 8, clLime);
    png.DrawRect(target.Canvas()->Handle(), Rect(0, 0, 8, 8), Rect(0, 0, 4, 4));
    EXPECT_EQ(PixelAt(target, 4, 4), clLime);
    EXPECT_TRUE(png.GetAsBitmap()->Empty());
    EXPECT_THROW(png.LoadFromFile(file), EInvalidGraphic);
    TPicture picture;
    EXPECT_THROW(picture.LoadFromFile(file), EInvalidGraphic);   // no class claims ".png"
}

TEST(PngImage, DecodesPixelsAndSavesThemBack) {
    const std::vector<uint32_t> pixels = {
        0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,   //
        0x80FF0000, 0x00000000, 0xFF123456, 0xFF000000,   //
        0xFF808080, 0xFFFFFF00, 0xFF00FFFF, 0xC0204060,
    };
    TpxPNGImage png;
    LoadBytes(png, MakePng(4, 3, pixels));
    ASSERT_EQ(png.Width(), 4);
    ASSERT_EQ(png.Height(), 3);

    auto check = [&](const TBitmap& b) {
        ASSERT_EQ(b.Width(), 4);
        ASSERT_EQ(b.Height(), 3);
        EXPECT_EQ(b.PixelFormat(), pf32bit);
        for (int i = 0; i < 12; ++i) {
            uint32_t want = pixels[size_t(i)], got = Argb(b, i % 4, i / 4);
            SCOPED_TRACE(i);
            EXPECT_EQ(got >> 24, want >> 24);
            if ((want >> 24) == 0) continue;
            // Half-transparent pixels travel premultiplied inside GDI+: a rounding step each way.
            for (int shift = 0; shift < 24; shift += 8)
                EXPECT_TRUE(Near(int((got >> shift) & 0xFF), int((want >> shift) & 0xFF), 2)) << std::hex << got;
        }
    };
    check(*png.GetAsBitmap());

    TMemoryStream saved;
    png.SaveToStream(saved);
    ASSERT_GT(saved.Size(), 8);
    EXPECT_EQ(std::memcmp(saved.Memory(), "\x89PNG\r\n\x1A\n", 8), 0);
    saved.SetPosition(0);
    TpxPNGImage again;
    again.LoadFromStream(saved);
    check(*again.GetAsBitmap());
}

TEST(PngImage, BitmapsBecomeOpaqueUnlessTheirAlphaIsUsed) {
    TpxPNGImage png;
    TBitmap out;

    TBitmap plain;   // 24-bit content
    FillBitmap(plain, 2, 2, clBlue);
    png.Assign(&plain);
    DrawOver(png, out, 2, 2, clRed);
    EXPECT_EQ(PixelAt(out, 1, 1), clBlue);

    // A 32-bit bitmap painted by GDI has alpha 0 everywhere: still an opaque picture.
    TBitmap painted;
    FillBitmap(painted, 2, 2, clBlue);
    painted.SetPixelFormat(pf32bit);
    png.Assign(&painted);
    DrawOver(png, out, 2, 2, clRed);
    EXPECT_EQ(PixelAt(out, 0, 0), clBlue);

    // Real alpha is kept: half blue over red mixes, a clear pixel shows the red.
    TBitmap alpha(2, 1);
    alpha.SetPixelFormat(pf32bit);
    alpha.ScanLine(0)[0] = 0x800000FF;
    alpha.ScanLine(0)[1] = 0x000000FF;
    png.Assign(&alpha);
    DrawOver(png, out, 2, 1, clRed);
    uint32_t mixed = Argb(out, 0, 0);
    EXPECT_TRUE(Near(int(mixed & 0xFF), 128, 3)) << std::hex << mixed;
    EXPECT_TRUE(Near(int((mixed >> 16) & 0xFF), 127, 3)) << std::hex << mixed;
    EXPECT_EQ(PixelAt(out, 1, 0), clRed);

    // Into a bitmap, and a clone that outlives its source.
    TBitmap back;
    back.Assign(&png);
    EXPECT_EQ(back.Width(), 2);
    EXPECT_EQ(Argb(back, 1, 0) >> 24, 0u);
    TpxPNGImage copy;
    {
        TpxPNGImage source;
        source.Assign(&painted);
        copy.Assign(&source);
    }
    DrawOver(copy, out, 2, 2, clRed);
    EXPECT_EQ(PixelAt(out, 1, 0), clBlue);
}

TEST(PngImage, EnlargedDrawingLeavesNoSeamAtTheEdges) {
    TScaledDrawAreas a;
    ASSERT_TRUE(ScaledDrawAreas(Rect(0, 0, 32, 32), Rect(0, 0, 16, 16), a));
    EXPECT_EQ(std::vector<REAL>({a.DestWidth, a.DestHeight, a.SrcWidth, a.SrcHeight}),
              std::vector<REAL>({32, 32, 15, 15}));
    ASSERT_TRUE(ScaledDrawAreas(Rect(5, 5, 21, 21), Rect(0, 0, 16, 16), a));
    EXPECT_EQ(std::vector<REAL>({a.DestLeft, a.SrcWidth, a.SrcHeight}), std::vector<REAL>({5, 16, 16}));
    ASSERT_TRUE(ScaledDrawAreas(Rect(0, 0, 10, 4), Rect(0, 0, 1, 8), a));
    EXPECT_EQ(std::vector<REAL>({a.SrcWidth, a.SrcHeight}), std::vector<REAL>({1, 8}));
    EXPECT_FALSE(ScaledDrawAreas(Rect(0, 0, 0, 10), Rect(0, 0, 16, 16), a));
    EXPECT_FALSE(ScaledDrawAreas(Rect(0, 0, 10, 10), Rect(3, 3, 3, 9), a));

    TpxPNGImage png;
    LoadBytes(png, SolidPng(16, 16, kGreen));
    TBitmap out;
    DrawOver(png, out, 32, 32, clRed);
    EXPECT_EQ(CountPixels(out, clLime, Rect(0, 0, 32, 32)), 32 * 32);
}

TEST(PngImage, EmptyPicturesStayEmptyThroughLoadSaveAndCopy) {
    TpxPNGImage png;
    LoadBytes(png, SolidPng(3, 3, kBlue));
    ASSERT_FALSE(png.Empty());
    TMemoryStream nothing;
    png.LoadFromStream(nothing);
    EXPECT_TRUE(png.Empty());
    EXPECT_EQ(png.Width(), 0);
    EXPECT_EQ(png.Height(), 0);
    TMemoryStream saved;
    png.SaveToStream(saved);
    EXPECT_EQ(saved.Size(), 0);

    // Copying an empty picture empties the copy (in either direction of the copy).
    TpxPNGImage full;
    LoadBytes(full, SolidPng(3, 3, kBlue));
    full.Assign(&png);
    EXPECT_TRUE(full.Empty());
    TPicture picture;
    picture.SetGraphic(&png);
    ASSERT_NE(dynamic_cast<TpxPNGImage*>(picture.Graphic()), nullptr);
    EXPECT_TRUE(picture.Graphic()->Empty());
    TBitmap bitmap;
    FillBitmap(bitmap, 4, 4, clRed);
    bitmap.Assign(&png);
    EXPECT_TRUE(bitmap.Empty());
    TIcon icon;
    EXPECT_THROW(icon.Assign(&png), EConvertError);
}

TEST(PngImage, ReadsFromTheStreamPositionBmpDataAndLayouts) {
    // Data after a prefix: only what follows the position is read.
    const std::string data = SolidPng(5, 2, kBlue);
    TMemoryStream s;
    Fill(s, "prefix" + data);
    s.SetPosition(6);
    TpxPNGImage png;
    png.LoadFromStream(s);
    EXPECT_EQ(png.Width(), 5);

    // BMP data goes through the framework's bitmap.
    TBitmap bmp;
    FillBitmap(bmp, 3, 7, clYellow);
    TMemoryStream bmpData;
    bmp.SaveToStream(bmpData);
    bmpData.SetPosition(0);
    png.LoadFromStream(bmpData);
    EXPECT_EQ(png.Height(), 7);
    TBitmap out;
    DrawOver(png, out, 3, 7, clRed);
    EXPECT_EQ(PixelAt(out, 2, 6), clYellow);

    // A layout names the class before the PNG data.
    TFreeGuard<TImage> image(TImage::Create(nullptr));
    ReadLayout(image.get(),
               "object Img: TImage\n  Picture.Data = {\n    " + Hex("\x0BTpxPNGImage" + data) + "}\nend\n", "png");
    auto* loaded = dynamic_cast<TpxPNGImage*>(image->Picture()->Graphic());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Width(), 5);
    EXPECT_EQ(loaded->Height(), 2);
}

TEST(PngImage, JpegAndGifDataDecodeUnderAPngName) {
    TTempDir dir;
    const std::string jpeg = TestJpeg();
    ASSERT_FALSE(jpeg.empty()) << "GDI+ has a JPEG encoder";
    const struct {
        const char* Name;
        std::string Bytes;
        int Width, Height;
        TColor Colour;
    } pictures[] = {
        {"jpeg", jpeg, 12, 9, kJpegColour},
        {"gif", SolidGif(7, 5, 0x20A040), 7, 5, MakeColor(0x40A020)},
    };
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.Name);
        TpxPNGImage png;
        LoadBytes(png, p.Bytes);
        EXPECT_EQ(png.Width(), p.Width);
        EXPECT_EQ(png.Height(), p.Height);

        TPicture picture;
        picture.LoadFromFile(dir.Write("picture.png", p.Bytes));
        ASSERT_NE(dynamic_cast<TpxPNGImage*>(picture.Graphic()), nullptr);
        EXPECT_EQ(picture.Width(), p.Width);
        TBitmap out;
        DrawOver(*picture.Graphic(), out, p.Width, p.Height, clFuchsia);
        const TColor drawn = PixelAt(out, p.Width / 2, p.Height / 2);
        EXPECT_TRUE(Near(GetRValue(drawn), GetRValue(p.Colour), 8) && Near(GetGValue(drawn), GetGValue(p.Colour), 8) &&
                    Near(GetBValue(drawn), GetBValue(p.Colour), 8))
            << std::hex << drawn;
    }
}

TEST(PngImage, BadFilesRaiseAndKeepThePictureBadDataGivesEmpty) {
    TTempDir dir;
    const std::string good = SolidPng(6, 6, kBlue);
    const std::string jpeg = TestJpeg();
    ASSERT_NE(JpegFrameAt(jpeg), std::string::npos);
    const std::vector<TGifFrame> frame = {{0, 0, 7, 5}};
    const struct {
        const char* Name;
        std::string Bytes;
    } bad[] = {
        {"zero", ""},
        {"truncated", good.substr(0, good.size() / 2)},
        {"header only", good.substr(0, 33)},
        {"not a picture", std::string(200, 'x')},
        {"text with a png name", "\x89PNG but not really, just text that goes on and on"},
        {"enormous side", HugePng(100000, 100000)},
        {"enormous area", HugePng(20000, 20000)},
        {"zero width", HugePng(0, 5)},
        {"jpeg of an enormous side", WithJpegSize(jpeg, 40000, 9)},
        {"jpeg of an enormous area", WithJpegSize(jpeg, 20000, 20000)},
        {"jpeg whose height comes later", WithJpegSize(jpeg, 12, 0)},
        {"jpeg cut before its frame", jpeg.substr(0, JpegFrameAt(jpeg))},
        {"jpeg scan before any frame", std::string("\xFF\xD8\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 12)},
        {"gif of an enormous screen", MakeGif(40000, 5, 0x20A040, frame, 35)},
        {"gif frame of an enormous area", MakeGif(7, 5, 0x20A040, {{0, 0, 20000, 20000}}, 35)},
        {"gif frame placed beyond the limits", MakeGif(7, 5, 0x20A040, {{30000, 0, 7000, 5}}, 35)},
        {"gif without a frame", MakeGif(7, 5, 0x20A040, {}, 0)},
        {"gif cut in its header", SolidGif(7, 5, 0x20A040).substr(0, 12)},
        // Decodable, but nothing says its size before the decoder allocates.
        {"tiff", EncodedPicture(L"image/tiff", 6, 6, clRed)},
    };
    for (auto& b : bad) {
        SCOPED_TRACE(b.Name);
        TpxPNGImage png;
        LoadBytes(png, good);
        LoadBytes(png, b.Bytes);
        EXPECT_TRUE(png.Empty());

        const std::string file = dir.Write("bad.png", b.Bytes);
        LoadBytes(png, good);
        EXPECT_THROW(png.LoadFromFile(file), EInvalidGraphic);
        EXPECT_EQ(png.Width(), 6);

        TPicture picture;
        picture.LoadFromFile(dir.Write("good.png", good));
        TGraphic* previous = picture.Graphic();
        EXPECT_THROW(picture.LoadFromFile(file), EInvalidGraphic);
        EXPECT_EQ(picture.Graphic(), previous);
        EXPECT_EQ(picture.Width(), 6);
    }
}

TEST(PngImage, DecodedDataLivesExactlyAsLongAsTheImage) {
    TpxPNGImage png;
    {
        TMemoryStream source;
        Fill(source, SolidPng(8, 8, kGreen));
        png.LoadFromStream(source);
        std::memset(source.Memory(), 0, static_cast<size_t>(source.Size()));
    }
    IStream* data = png.Image()->DataStream();
    ASSERT_NE(data, nullptr);
    data->AddRef();
    TBitmap out;
    DrawOver(png, out, 8, 8, clRed);
    EXPECT_EQ(PixelAt(out, 7, 7), clLime);

    TMemoryStream nothing;
    png.LoadFromStream(nothing);
    // Neither the picture nor GDI+ holds the data any more: ours was the last reference.
    EXPECT_EQ(data->Release(), 0u);
}

namespace {
GpStatus WINAPI RefuseToSave(GpImage*, IStream*, const CLSID*, const GpEncoderParameters*) { return 7; }
}  // namespace

TEST(PngImage, FailedSaveRaisesAndWritesNothing) {
    TGdiPlusRestorer restore;
    ReloadGdiPlusWith([](HMODULE m, const char* name) -> FARPROC {
        if (std::strcmp(name, "GdipSaveImageToStream") == 0) return reinterpret_cast<FARPROC>(&RefuseToSave);
        return GetProcAddress(m, name);
    });
    ASSERT_TRUE(IsGdiPlusAvailable());
    TpxPNGImage png;
    LoadBytes(png, SolidPng(2, 2, kBlue));
    ASSERT_FALSE(png.Empty());
    TMemoryStream out;
    EXPECT_THROW(png.SaveToStream(out), EInvalidGraphic);
    EXPECT_EQ(out.Size(), 0);
}

namespace {
std::vector<std::string> gUnitLog;
void InitA() { gUnitLog.push_back("init A"); }
void FinA() { gUnitLog.push_back("fin A"); }
void InitB() { gUnitLog.push_back("init B"); }
void FinB() { gUnitLog.push_back("fin B"); }
void FinC() { gUnitLog.push_back("fin C"); }
}  // namespace

TEST(UnitsLoader, StartsUnitsAtOnceAndShutsThemDownLastFirstOnce) {
    gUnitLog.clear();
    {
        TpxUnitsLoader loader;
        loader.AddUnit(InitA, FinA);
        loader.AddUnit(InitB, FinB);
        loader.AddUnit(nullptr, FinC);
        loader.RemoveUnit(FinB);
        loader.RemoveUnit(FinB);   // not there any more: nothing runs
        EXPECT_EQ(gUnitLog, (std::vector<std::string>{"init A", "init B", "fin B"}));
        loader.Finalize();
        loader.Finalize();
    }
    EXPECT_EQ(gUnitLog, (std::vector<std::string>{"init A", "init B", "fin B", "fin C", "fin A"}));
}

TEST(UnitsLoader, ShutDownWithPicturesStillAliveLeavesThemEmptyAndHarmless) {
    TGdiPlusRestorer restore;
    auto picture = std::make_unique<TPicture>();
    TpxPNGImage png;
    LoadBytes(png, SolidPng(3, 3, kBlue));
    picture->SetGraphic(&png);
    ASSERT_EQ(picture->Width(), 3);

    pxFinalizeGDIPlus();
    EXPECT_FALSE(IsGdiPlusLoaded());
    EXPECT_FALSE(IsGdiPlusAvailable());   // a shut-down library is not loaded again by itself
    EXPECT_EQ(TPicture::FindFileFormat("png"), nullptr);
    EXPECT_EQ(picture->Width(), 0);
    TBitmap out;
    FillBitmap(out, 3, 3, clRed);
    out.Canvas()->StretchDraw(Rect(0, 0, 3, 3), picture->Graphic());
    EXPECT_EQ(PixelAt(out, 1, 1), clRed);
    picture.reset();
}
