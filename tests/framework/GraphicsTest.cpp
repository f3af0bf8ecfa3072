#include "framework/Graphics.h"
#include "common/Screenshot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

std::string Bytes(TMemoryStream& ms) { return std::string(reinterpret_cast<const char*>(ms.Memory()), ms.Size()); }

std::string SaveBmp(TBitmap& bmp) {
    TMemoryStream ms;
    bmp.SaveToStream(ms);
    return Bytes(ms);
}

void LoadBytes(TGraphic& g, const std::string& data) {
    TMemoryStream ms;
    if (!data.empty()) ms.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    ms.SetPosition(0);
    g.LoadFromStream(ms);
}

void Put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// A BMP file: 14-byte file header, 40-byte info header, palette, pixel rows as given.
std::string MakeBmp(int w, int h, int bpp, uint32_t compression, const std::string& palette, const std::string& bits) {
    std::string s(54, '\0');
    s[0] = 'B';
    s[1] = 'M';
    Put32(s, 2, static_cast<uint32_t>(54 + palette.size() + bits.size()));
    Put32(s, 10, static_cast<uint32_t>(54 + palette.size()));
    Put32(s, 14, 40);
    Put32(s, 18, static_cast<uint32_t>(w));
    Put32(s, 22, static_cast<uint32_t>(h));
    s[26] = 1;
    s[28] = static_cast<char>(bpp);
    Put32(s, 30, compression);
    Put32(s, 34, static_cast<uint32_t>(bits.size()));
    Put32(s, 46, static_cast<uint32_t>(palette.size() / 4));
    return s + palette + bits;
}

}  // namespace

// ---------------------------------------------------------------------------------------

TEST(GraphicsColor, IdentifiersAndNumbers) {
    EXPECT_EQ(ColorToString(clRed), "clRed");
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(clSilver), "clSilver");   // not its alias clLtGray
    EXPECT_EQ(ColorToString(MakeColor(0x123456)), "$00123456");
    EXPECT_EQ(StringToColor("CLWINDOW"), clWindow);
    EXPECT_EQ(StringToColor("clLtGray"), clSilver);
    EXPECT_EQ(StringToColor("15198183"), MakeColor(15198183));
    EXPECT_EQ(StringToColor("$00FF0000"), clBlue);
    EXPECT_EQ(StringToColor("-16777201"), clBtnFace);
    EXPECT_THROW(StringToColor("clNoSuchColour"), EConvertError);

    // As a property value: an identifier when the colour has one, else the number.
    TValue v = TPropType<TColor>::ToValue(clHighlight);
    EXPECT_EQ(v.Kind, TValueKind::Ident);
    EXPECT_EQ(v.Str, "clHighlight");
    v = TPropType<TColor>::ToValue(MakeColor(8355711));
    EXPECT_EQ(v.Kind, TValueKind::Integer);
    EXPECT_EQ(v.Int, 8355711);
    EXPECT_EQ(TPropType<TColor>::FromValue(TValue::MakeIdent("clAqua")), clAqua);
    EXPECT_EQ(TPropType<TColor>::FromValue(TValue::MakeInt(16119543)), MakeColor(16119543));
    EXPECT_ANY_THROW(TPropType<TColor>::FromValue(TValue::MakeIdent("clBogus")));
    EXPECT_ANY_THROW(TPropType<TColor>::FromValue(TValue::MakeString("clRed")));
}

TEST(GraphicsColor, SystemColoursResolveThroughTheSystem) {
    EXPECT_EQ(static_cast<uint32_t>(clBtnFace), 0xFF00000Fu);
    EXPECT_TRUE(IsSystemColor(clWindow));
    EXPECT_FALSE(IsSystemColor(clNone));
    EXPECT_EQ(static_cast<COLORREF>(ColorToRGB(clBtnFace)), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(static_cast<COLORREF>(ColorToRGB(clGradientActiveCaption)), GetSysColor(COLOR_GRADIENTACTIVECAPTION));
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(ColorR(clRed), 255);
    EXPECT_EQ(ColorB(clBlue), 255);
    EXPECT_EQ(RGBToColor(1, 2, 3), MakeColor(0x030201));
}

// ---------------------------------------------------------------------------------------

TEST(GraphicsObjects, FontChangesRebuildTheHandle) {
    TFont font;
    int changes = 0;
    font.OnChange = [&](TObject* s) { EXPECT_EQ(s, &font); ++changes; };
    EXPECT_EQ(font.GetName(), "MS Sans Serif");
    EXPECT_EQ(font.GetColor(), clWindowText);
    EXPECT_EQ(font.GetSize(), 8);
    ASSERT_NE(font.Handle(), nullptr);

    font.SetHeight(-20);
    font.SetStyle({fsBold, fsUnderline});
    EXPECT_EQ(changes, 2);
    LOGFONTA lf{};
    ASSERT_TRUE(GetObjectA(font.Handle(), sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, -20);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfUnderline);

    font.SetHeight(-20);   // unchanged: no notification
    EXPECT_EQ(changes, 2);
    font.SetSize(12);
    EXPECT_EQ(font.GetHeight(), -MulDiv(12, ScreenPixelsPerInch(), 72));
    EXPECT_EQ(font.GetSize(), 12);

    TFont other;
    other.Assign(&font);
    EXPECT_EQ(other.GetHeight(), font.GetHeight());
    EXPECT_EQ(other.GetStyle(), font.GetStyle());
    int before = changes;
    font.Assign(&other);   // equal: nothing to do
    EXPECT_EQ(changes, before);

    // Adopting a handle reads the font back from it.
    LOGFONTA mine = font.GetLogFont();
    mine.lfHeight = -17;
    mine.lfItalic = TRUE;
    strcpy(mine.lfFaceName, "Tahoma");
    HFONT h = CreateFontIndirectA(&mine);
    other.SetHandle(h);
    EXPECT_EQ(other.Handle(), h);
    EXPECT_EQ(other.GetName(), "Tahoma");
    EXPECT_EQ(other.GetHeight(), -17);
    EXPECT_TRUE(other.GetStyle().Contains(fsItalic));
}

TEST(GraphicsObjects, PublishedPropertiesByName) {
    TFont font;
    SetPropText(&font, "Name", "Verdana");
    SetPropText(&font, "Style", "[fsBold, fsItalic]");
    SetPropText(&font, "Color", "clBlue");
    SetPropText(&font, "Height", "-13");
    EXPECT_EQ(font.GetName(), "Verdana");
    EXPECT_EQ(font.GetStyle(), (TFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(font.GetColor(), clBlue);
    EXPECT_EQ(font.GetHeight(), -13);
    EXPECT_EQ(GetPropText(&font, "Color"), "clBlue");

    TPen pen;
    SetPropText(&pen, "Mode", "pmXor");
    SetPropText(&pen, "Color", "255");
    EXPECT_EQ(pen.GetMode(), pmXor);
    EXPECT_EQ(pen.GetColor(), clRed);
    EXPECT_EQ(PenModeToROP2(pmXor), R2_XORPEN);
    EXPECT_EQ(PenModeToROP2(pmCopy), R2_COPYPEN);
}

TEST(GraphicsObjects, PenAndBrushNotifyAndRebuild) {
    TPen pen;
    TBrush brush;
    int penChanges = 0, brushChanges = 0;
    pen.OnChange = [&](TObject*) { ++penChanges; };
    brush.OnChange = [&](TObject*) { ++brushChanges; };
    pen.SetColor(clRed);
    pen.SetWidth(3);
    pen.SetStyle(psDot);
    EXPECT_EQ(penChanges, 3);
    LOGPEN lp{};
    ASSERT_TRUE(GetObjectA(pen.Handle(), sizeof lp, &lp));
    EXPECT_EQ(lp.lopnColor, RGB(255, 0, 0));
    EXPECT_EQ(lp.lopnWidth.x, 3);
    EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_DOT));

    brush.SetStyle(bsClear);
    brush.SetColor(clLime);   // a colour makes a clear brush solid again
    EXPECT_EQ(brush.GetStyle(), bsSolid);
    EXPECT_EQ(brushChanges, 2);
    LOGBRUSH lb{};
    ASSERT_TRUE(GetObjectA(brush.Handle(), sizeof lb, &lb));
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(lb.lbColor, RGB(0, 255, 0));
    brush.SetStyle(bsDiagCross);
    ASSERT_TRUE(GetObjectA(brush.Handle(), sizeof lb, &lb));
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_HATCHED));
    EXPECT_EQ(lb.lbHatch, static_cast<ULONG_PTR>(HS_DIAGCROSS));
}

// ---------------------------------------------------------------------------------------

class CanvasDrawing : public ::testing::Test {
protected:
    void SetUp() override { FillBitmap(bmp, 10, 10, clWhite); }
    TCanvas& C() { return *bmp.Canvas(); }
    TBitmap bmp;
};

TEST_F(CanvasDrawing, LinesLeaveOutTheEndPoint) {
    C().Pen()->SetColor(clBlack);
    C().MoveTo(1, 5);
    C().LineTo(6, 5);
    EXPECT_EQ(PixelAt(bmp, 0, 5), clWhite);
    EXPECT_EQ(PixelAt(bmp, 1, 5), clBlack);
    EXPECT_EQ(PixelAt(bmp, 5, 5), clBlack);
    EXPECT_EQ(PixelAt(bmp, 6, 5), clWhite);
    EXPECT_EQ(C().PenPos(), Point(6, 5));
}

TEST_F(CanvasDrawing, ShapesWithClearOrSolidPen) {
    C().Pen()->SetStyle(psClear);
    C().Brush()->SetColor(clRed);
    TPoint square[] = {{1, 1}, {8, 1}, {8, 8}, {1, 8}};
    C().Polygon(square);
    EXPECT_EQ(PixelAt(bmp, 1, 1), clRed);   // no outline
    EXPECT_EQ(PixelAt(bmp, 4, 4), clRed);
    EXPECT_EQ(PixelAt(bmp, 8, 4), clWhite);   // right edge excluded
    EXPECT_EQ(PixelAt(bmp, 0, 0), clWhite);

    C().Pen()->SetStyle(psSolid);
    C().Pen()->SetColor(clBlue);
    C().Brush()->SetColor(clYellow);
    C().Rectangle(0, 0, 5, 5);
    EXPECT_EQ(PixelAt(bmp, 0, 0), clBlue);
    EXPECT_EQ(PixelAt(bmp, 4, 2), clBlue);
    EXPECT_EQ(PixelAt(bmp, 2, 2), clYellow);
    EXPECT_EQ(PixelAt(bmp, 5, 2), clRed);

    C().Brush()->SetColor(clGreen);
    C().FrameRect(Rect(6, 6, 10, 10));
    EXPECT_EQ(PixelAt(bmp, 6, 9), clGreen);
    EXPECT_EQ(PixelAt(bmp, 7, 7), clRed);

    C().SetPixels(9, 0, clFuchsia);
    EXPECT_EQ(C().Pixels(9, 0), clFuchsia);
    EXPECT_EQ(static_cast<int32_t>(C().Pixels(50, 50)), -1);
    EXPECT_EQ(C().ClipRect(), Rect(0, 0, 10, 10));
}

TEST_F(CanvasDrawing, SystemColoursAreResolved) {
    C().Brush()->SetColor(clBtnShadow);
    C().FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(PixelAt(bmp, 1, 1), ColorToRGB(clBtnShadow));
    C().Pen()->SetColor(clHighlight);
    C().MoveTo(0, 4);
    C().LineTo(3, 4);
    EXPECT_EQ(PixelAt(bmp, 1, 4), ColorToRGB(clHighlight));
}

TEST_F(CanvasDrawing, TextBackgroundFollowsTheBrush) {
    bmp.SetSize(80, 30);
    C().Brush()->SetColor(clGreen);
    C().FillRect(Rect(0, 0, 80, 30));
    C().Font()->SetColor(clBlack);
    C().Font()->SetHeight(-16);
    TSize ext = C().TextExtent("WWW");
    ASSERT_GT(ext.cx, 0);
    ASSERT_GT(ext.cy, 0);
    TRect r = Rect(0, 0, std::min(ext.cx, 40), std::min(ext.cy, 30));

    C().Brush()->SetColor(clWhite);
    C().Brush()->SetStyle(bsClear);
    C().TextOut(0, 0, "WWW");
    EXPECT_EQ(CountPixels(bmp, clWhite, r), 0);
    EXPECT_GT(CountPixels(bmp, clGreen, r), 0);
    EXPECT_LT(CountPixels(bmp, clGreen, r), r.Width() * r.Height());   // something was drawn

    C().Brush()->SetColor(clWhite);   // solid again
    C().TextOut(0, 0, "WWW");
    EXPECT_GT(CountPixels(bmp, clWhite, r), 0);
    EXPECT_EQ(CountPixels(bmp, clGreen, r), 0);
}

TEST_F(CanvasDrawing, ReselectsAfterRestoreDCAndOutsideSelection) {
    C().Pen()->SetColor(clRed);
    HDC dc = C().Handle();
    int saved = SaveDC(dc);
    C().MoveTo(0, 1);
    C().LineTo(10, 1);
    RestoreDC(dc, saved);   // the DC's pen is the one before SaveDC again
    C().MoveTo(0, 3);
    C().LineTo(10, 3);
    EXPECT_EQ(PixelAt(bmp, 5, 3), clRed);

    SelectObject(dc, GetStockObject(BLACK_PEN));
    C().MoveTo(0, 5);
    C().LineTo(10, 5);
    EXPECT_EQ(PixelAt(bmp, 5, 5), clRed);

    // A font changed while selected is replaced, not kept.
    int small = C().TextHeight("X");
    C().Font()->SetHeight(-40);
    EXPECT_GT(C().TextHeight("X"), small);
}

TEST_F(CanvasDrawing, CopyingAndBrushCopy) {
    TBitmap src;
    FillBitmap(src, 4, 1, clFuchsia);
    src.Canvas()->SetPixels(1, 0, clBlue);
    src.Canvas()->SetPixels(3, 0, clGreen);

    C().Brush()->SetColor(clYellow);
    C().BrushCopy(Rect(0, 0, 4, 1), &src, Rect(0, 0, 4, 1), clFuchsia);
    EXPECT_EQ(PixelAt(bmp, 0, 0), clYellow);
    EXPECT_EQ(PixelAt(bmp, 1, 0), clBlue);
    EXPECT_EQ(PixelAt(bmp, 2, 0), clYellow);
    EXPECT_EQ(PixelAt(bmp, 3, 0), clGreen);
    EXPECT_EQ(PixelAt(bmp, 4, 0), clWhite);
    EXPECT_EQ(PixelAt(src, 0, 0), clFuchsia);   // the source is left alone

    C().CopyRect(Rect(0, 2, 4, 3), src.Canvas(), Rect(0, 0, 4, 1));
    EXPECT_EQ(PixelAt(bmp, 1, 2), clBlue);
    C().SetCopyMode(SRCINVERT);
    C().CopyRect(Rect(0, 4, 4, 5), src.Canvas(), Rect(0, 0, 4, 1));
    EXPECT_EQ(PixelAt(bmp, 1, 4), clYellow);   // white xor blue

    // A transparent bitmap keeps the destination where it has its key colour.
    src.SetTransparent(true);
    src.SetTransparentColor(clFuchsia);
    C().Draw(0, 6, &src);
    EXPECT_EQ(PixelAt(bmp, 0, 6), clWhite);
    EXPECT_EQ(PixelAt(bmp, 1, 6), clBlue);
    src.SetTransparent(false);
    C().SetCopyMode(SRCCOPY);
    C().StretchDraw(Rect(0, 7, 8, 9), &src);
    EXPECT_EQ(PixelAt(bmp, 0, 8), clFuchsia);
    EXPECT_EQ(PixelAt(bmp, 3, 8), clBlue);
    C().Draw(0, 0, nullptr);   // nothing, no fault
}

TEST(Canvas, ForeignDCAttachAndDetach) {
    TCanvas canvas;
    EXPECT_THROW(canvas.Handle(), EInvalidOperation);

    TMemDCHandle dc(CreateCompatibleDC(nullptr));
    TGdiHandle surface(CreateCompatibleBitmap(dc.Get(), 4, 4));
    TSelectObject sel(dc.Get(), surface.Get());
    canvas.SetHandle(dc.Get());
    canvas.Pen()->SetColor(clRed);
    canvas.MoveTo(0, 0);
    canvas.LineTo(3, 0);
    HGDIOBJ pen = canvas.Pen()->Handle();
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_PEN), pen);
    canvas.SetHandle(nullptr);
    EXPECT_NE(GetCurrentObject(dc.Get(), OBJ_PEN), pen);   // ours is out, so it can be freed
    EXPECT_FALSE(canvas.HandleAllocated());
}

TEST(Canvas, ChangeEventsReachTheBitmap) {
    TBitmap bmp(4, 4);
    int canvasChanging = 0, bitmapChanges = 0;
    bmp.Canvas()->OnChanging = [&](TObject*) { ++canvasChanging; };
    bmp.OnChange = [&](TObject*) { ++bitmapChanges; };
    bmp.Canvas()->FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(canvasChanging, 1);
    EXPECT_EQ(bitmapChanges, 1);
    EXPECT_TRUE(bmp.Modified());
}

// ---------------------------------------------------------------------------------------

TEST(Bitmap, SizeKeepsTopLeftAndHandleAdoption) {
    TBitmap bmp;
    EXPECT_TRUE(bmp.Empty());
    bmp.SetWidth(4);
    EXPECT_TRUE(bmp.Empty());
    bmp.SetHeight(4);
    ASSERT_FALSE(bmp.Empty());
    EXPECT_EQ(PixelAt(bmp, 3, 3), clBlack);
    bmp.Canvas()->SetPixels(1, 1, clRed);
    bmp.SetSize(2, 6);
    EXPECT_EQ(bmp.Width(), 2);
    EXPECT_EQ(bmp.Height(), 6);
    EXPECT_EQ(PixelAt(bmp, 1, 1), clRed);
    EXPECT_EQ(PixelAt(bmp, 0, 5), clBlack);

    // A bottom-up 24-bit DIB section, as GDI+ hands them out: its last row is the top.
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP h = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(h, nullptr);
    auto* b = static_cast<uint8_t*>(bits);
    std::memset(b, 0, 16);
    b[8 + 2] = 0xFF;   // top-left red
    bmp.SetHandle(h);
    EXPECT_NE(bmp.Handle(), h);   // copied into our own DIB, given one freed
    EXPECT_EQ(GetObjectType(h), 0u);
    EXPECT_EQ(bmp.Width(), 2);
    EXPECT_EQ(PixelAt(bmp, 0, 0), clRed);
    EXPECT_EQ(PixelAt(bmp, 0, 1), clBlack);
    EXPECT_EQ(bmp.PixelFormat(), pf24bit);

    HBITMAP released = bmp.ReleaseHandle();
    EXPECT_TRUE(bmp.Empty());
    EXPECT_EQ(GetObjectType(released), static_cast<DWORD>(OBJ_BITMAP));
    DeleteObject(released);
}

TEST(Bitmap, TransparencyAndMasks) {
    TBitmap bmp;
    FillBitmap(bmp, 3, 2, clBlue);
    bmp.Canvas()->SetPixels(0, 1, clFuchsia);
    EXPECT_EQ(bmp.TransparentMode(), tmAuto);
    EXPECT_EQ(bmp.TransparentColor(), clFuchsia);   // bottom-left
    bmp.SetTransparentColor(clBlue);
    EXPECT_EQ(bmp.TransparentMode(), tmFixed);
    EXPECT_EQ(bmp.TransparentColor(), clBlue);

    TGdiHandle mask = bmp.CreateMask(clFuchsia);
    BITMAP bm{};
    ASSERT_TRUE(GetObjectA(mask.Get(), sizeof bm, &bm));
    EXPECT_EQ(bm.bmBitsPixel, 1);
    TBitmap view(3, 2);
    TMemDCHandle mdc(CreateCompatibleDC(nullptr));
    TSelectObject sel(mdc.Get(), mask.Get());
    HDC vdc = view.Canvas()->Handle();
    SetTextColor(vdc, RGB(0, 0, 0));
    SetBkColor(vdc, RGB(255, 255, 255));
    BitBlt(vdc, 0, 0, 3, 2, mdc.Get(), 0, 0, SRCCOPY);
    EXPECT_EQ(PixelAt(view, 0, 1), clWhite);
    EXPECT_EQ(PixelAt(view, 1, 1), clBlack);
    EXPECT_EQ(PixelAt(view, 0, 0), clBlack);
    EXPECT_NE(bmp.MaskHandle(), nullptr);
}

TEST(Bitmap, BmpRoundTrip) {
    TBitmap bmp;
    FillBitmap(bmp, 5, 3, clTeal);
    bmp.Canvas()->SetPixels(0, 0, clRed);
    bmp.Canvas()->SetPixels(4, 2, clBlue);
    std::string data = SaveBmp(bmp);
    EXPECT_EQ(data.substr(0, 2), "BM");
    EXPECT_EQ(data[28], 24);   // pfDevice writes 24 bits

    TBitmap copy;
    LoadBytes(copy, data);
    EXPECT_EQ(copy.Width(), 5);
    EXPECT_EQ(copy.Height(), 3);
    EXPECT_EQ(copy.PixelFormat(), pf24bit);
    EXPECT_EQ(PixelAt(copy, 0, 0), clRed);
    EXPECT_EQ(PixelAt(copy, 4, 2), clBlue);
    EXPECT_EQ(PixelAt(copy, 2, 1), clTeal);

    // 32 bits keep alpha.
    bmp.SetPixelFormat(pf32bit);
    bmp.ScanLine(1)[1] = 0x80112233;
    LoadBytes(copy, SaveBmp(bmp));
    EXPECT_EQ(copy.PixelFormat(), pf32bit);
    EXPECT_EQ(copy.ScanLine(1)[1], 0x80112233u);

    // Layout data may carry a 4-byte length before the BMP data.
    std::string prefixed(4, '\0');
    Put32(prefixed, 0, static_cast<uint32_t>(data.size()));
    TMemoryStream ms;
    ms.WriteBuffer((prefixed + data).data(), static_cast<int64_t>(prefixed.size() + data.size()));
    ms.SetPosition(0);
    TBitmap viaData;
    viaData.ReadData(ms);
    EXPECT_EQ(PixelAt(viaData, 4, 2), clBlue);

    // An empty bitmap writes nothing and reads back empty.
    TBitmap empty;
    EXPECT_TRUE(SaveBmp(empty).empty());
    LoadBytes(copy, "");
    EXPECT_TRUE(copy.Empty());
}

TEST(Bitmap, ReadsPaletteTopDownAndRleData) {
    std::string palette = std::string("\x00\x00\xFF\x00", 4) + std::string("\xFF\x00\x00\x00", 4);
    // 8 bits, bottom-up: the first stored row is the bottom one.
    TBitmap bmp;
    LoadBytes(bmp, MakeBmp(2, 2, 8, BI_RGB, palette, std::string("\x00\x01\x00\x00\x01\x01\x00\x00", 8)));
    EXPECT_EQ(bmp.PixelFormat(), pf8bit);
    EXPECT_EQ(PixelAt(bmp, 0, 1), clRed);
    EXPECT_EQ(PixelAt(bmp, 1, 1), clBlue);
    EXPECT_EQ(PixelAt(bmp, 0, 0), clBlue);

    // 24 bits with a negative height: stored top row first.
    std::string bits = std::string("\x00\xFF\x00\x00\x00\x00\x00\x00", 8) + std::string(8, '\0');
    std::string top = MakeBmp(2, -2, 24, BI_RGB, "", bits);
    LoadBytes(bmp, top);
    EXPECT_EQ(PixelAt(bmp, 0, 0), clLime);
    EXPECT_EQ(PixelAt(bmp, 0, 1), clBlack);

    // RLE8: bottom row two of index 1, end of line, top row two of index 0, end.
    LoadBytes(bmp, MakeBmp(2, 2, 8, BI_RLE8, palette, std::string("\x02\x01\x00\x00\x02\x00\x00\x01", 8)));
    EXPECT_EQ(PixelAt(bmp, 1, 1), clBlue);
    EXPECT_EQ(PixelAt(bmp, 1, 0), clRed);
}

TEST(Bitmap, RunLengthDataThatRunsFarPastARowStaysInsideTheImage) {
    // Runs that carry x past the row end, over and over (as a hostile file can), then a
    // run and a delta: nothing may land outside the image, and decoding stays quick.
    const std::string palette = std::string("\x00\x00\xFF\x00", 4) + std::string("\xFF\x00\x00\x00", 4);
    const size_t runs = (size_t(1) << 31) / 255 + 2;
    std::string bits;
    bits.reserve(runs * 2 + 16);
    for (size_t i = 0; i < runs; ++i) bits += std::string("\xFF\x01", 2);
    bits += std::string("\x00\x02\xFF\x00", 4);   // delta right by 255
    bits += std::string("\x02\x00\x00\x01", 4);   // two pixels of index 0, end of bitmap
    TBitmap bmp;
    auto start = GetTickCount();
    LoadBytes(bmp, MakeBmp(1000, 1, 8, BI_RLE8, palette, bits));
    EXPECT_LT(GetTickCount() - start, 2000u);
    ASSERT_EQ(bmp.Width(), 1000);
    // The first runs fill the row; everything after its end is dropped.
    EXPECT_EQ(CountPixels(bmp, clBlue, TRect(0, 0, 1000, 1)), 1000);
}

TEST(Bitmap, MalformedDataIsRejectedAndTheImageKept) {
    TBitmap good;
    FillBitmap(good, 4, 4, clOlive);
    const std::string valid = SaveBmp(good);

    struct Case { const char* Name; std::function<std::string()> Make; };
    const Case cases[] = {
        {"truncated header", [&] { return valid.substr(0, 20); }},
        {"no signature", [&] { std::string s = valid; s[0] = 'X'; return s; }},
        {"absurd dimensions", [&] { std::string s = valid; Put32(s, 18, 100000); Put32(s, 22, 100000); return s; }},
        {"huge pixel count", [&] { std::string s = valid; Put32(s, 18, 30000); Put32(s, 22, 30000); return s; }},
        {"negative width", [&] { std::string s = valid; Put32(s, 18, static_cast<uint32_t>(-4)); return s; }},
        {"offset past the end", [&] { std::string s = valid; Put32(s, 10, static_cast<uint32_t>(s.size() + 10)); return s; }},
        {"offset inside the header", [&] { std::string s = valid; Put32(s, 10, 20); return s; }},
        {"pixels cut short", [&] { return valid.substr(0, valid.size() - 8); }},
        {"odd bit count", [&] { std::string s = valid; s[28] = 7; return s; }},
        {"unknown header size", [&] { std::string s = valid; Put32(s, 14, 99); return s; }},
        {"unknown compression", [&] { std::string s = valid; Put32(s, 30, 4); return s; }},
        {"palette past the end", [&] {
             return MakeBmp(2, 2, 8, BI_RGB, std::string(8, '\0'), "").substr(0, 60);
         }},
        {"too many palette entries", [&] {
             std::string s = MakeBmp(1, 1, 1, BI_RGB, std::string(8, '\0'), std::string(4, '\0'));
             Put32(s, 46, 3);
             return s;
         }},
    };
    for (auto& c : cases) {
        TBitmap bmp;
        bmp.Assign(&good);
        try {
            LoadBytes(bmp, c.Make());
            ADD_FAILURE() << c.Name << ": accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), "Bitmap image is not valid") << c.Name;
        }
        EXPECT_EQ(bmp.Width(), 4) << c.Name;
        EXPECT_EQ(PixelAt(bmp, 3, 3), clOlive) << c.Name;
    }

    // A length prefix promising more than there is.
    TBitmap bmp;
    bmp.Assign(&good);
    TMemoryStream ms;
    std::string s(4, '\0');
    Put32(s, 0, 1000);
    s += valid;
    ms.WriteBuffer(s.data(), static_cast<int64_t>(s.size()));
    ms.SetPosition(0);
    EXPECT_THROW(bmp.ReadData(ms), EInvalidGraphic);
    EXPECT_EQ(PixelAt(bmp, 0, 0), clOlive);
}

TEST(Bitmap, AssignCopiesAndHelpers) {
    TBitmap a;
    FillBitmap(a, 3, 3, clNavy);
    TBitmap b;
    b.Assign(&a);
    a.Canvas()->SetPixels(0, 0, clRed);
    EXPECT_EQ(PixelAt(b, 0, 0), clNavy);
    EXPECT_EQ(b.Width(), 3);

    TBitmap* pattern = AllocPatternBitmap(clWhite, clBlack);
    EXPECT_EQ(pattern, AllocPatternBitmap(clWhite, clBlack));
    EXPECT_EQ(pattern->Width(), 8);
    EXPECT_NE(PixelAt(*pattern, 0, 0), PixelAt(*pattern, 1, 0));
    EXPECT_EQ(PixelAt(*pattern, 0, 0), PixelAt(*pattern, 1, 1));

    TBitmap dest;
    FillBitmap(dest, 3, 3, clWhite);
    DrawTransparentBitmap(dest.Canvas()->Handle(), Rect(0, 0, 3, 3), a, Rect(0, 0, 3, 3), clNavy);
    EXPECT_EQ(PixelAt(dest, 0, 0), clRed);
    EXPECT_EQ(PixelAt(dest, 1, 1), clWhite);
}

// ---------------------------------------------------------------------------------------

namespace {

// A 16x16 icon: red with a transparent top-left pixel.
HICON MakeIcon() {
    TBitmap color;
    FillBitmap(color, 16, 16, clRed);
    TBitmap maskColor;
    FillBitmap(maskColor, 16, 16, clBlack);
    maskColor.Canvas()->SetPixels(0, 0, clWhite);
    TGdiHandle mask = maskColor.CreateMask(clWhite);
    color.Dormant();
    ICONINFO ii{TRUE, 0, 0, static_cast<HBITMAP>(mask.Get()), color.Handle()};
    return CreateIconIndirect(&ii);
}

}  // namespace

TEST(Icon, StreamRoundTripAndDrawing) {
    TIcon icon;
    EXPECT_TRUE(icon.Empty());
    icon.SetHandle(MakeIcon());
    ASSERT_FALSE(icon.Empty());
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_EQ(icon.Height(), 16);

    TMemoryStream ms;
    icon.SaveToStream(ms);
    ms.SetPosition(0);
    TIcon copy;
    copy.LoadFromStream(ms);
    EXPECT_EQ(copy.Width(), 16);

    TBitmap bmp;
    FillBitmap(bmp, 20, 20, clWhite);
    bmp.Canvas()->Draw(2, 2, &copy);
    EXPECT_EQ(PixelAt(bmp, 2, 2), clWhite);   // transparent pixel
    EXPECT_EQ(PixelAt(bmp, 10, 10), clRed);
    EXPECT_EQ(PixelAt(bmp, 18, 18), clWhite);

    // A loaded icon saves the very data it came from.
    TMemoryStream again;
    copy.SaveToStream(again);
    EXPECT_EQ(Bytes(again), Bytes(ms));
}

TEST(Icon, MalformedDataIsRejected) {
    TIcon icon;
    icon.SetHandle(MakeIcon());
    HICON before = icon.Handle();
    TMemoryStream ms;
    icon.SaveToStream(ms);
    std::string valid = Bytes(ms);
    std::string pastEnd = valid;
    Put32(pastEnd, 6 + 12, static_cast<uint32_t>(valid.size()));
    std::string noImages = valid;
    noImages[4] = 0;
    for (const std::string& bad : {std::string("garbage!!!"), valid.substr(0, 30), pastEnd, noImages}) {
        try {
            LoadBytes(icon, bad);
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), "Icon image is not valid");
        }
        EXPECT_EQ(icon.Handle(), before);
    }
}

// ---------------------------------------------------------------------------------------

namespace {

// A graphic format of the tests' own, to exercise the loader's registry.
class TTestGraphic : public TGraphic {
    DECLARE_CLASS(TTestGraphic, TGraphic)
    TTestGraphic() = default;
    bool Empty() const override { return text.empty(); }
    int Width() const override { return static_cast<int>(text.size()); }
    int Height() const override { return 1; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    void LoadFromStream(TStream& s) override { text = s.ReadAll(); Changed(); }
    void SaveToStream(TStream& s) override { s.WriteBuffer(text.data(), static_cast<int64_t>(text.size())); }
    std::string text;
protected:
    void Draw(TCanvas&, const TRect&) override {}
};
IMPLEMENT_CLASS(TTestGraphic);

class TPictureHolder : public TComponent {
    DECLARE_CLASS(TPictureHolder, TComponent)
    explicit TPictureHolder(TComponent* owner) : TComponent(owner), picture_(std::make_unique<TPicture>(this)) {
        picture_->OnChange = [this](TObject*) { ++changes; };
    }
    TPicture* GetPicture() const { return picture_.get(); }
    void SetPicture(TPicture* value) { picture_->Assign(value); }
    static void Publish(TClassBuilder<TPictureHolder>& b) {
        b.Prop("Picture", &TPictureHolder::GetPicture, &TPictureHolder::SetPicture);
    }
    int changes = 0;
private:
    std::unique_ptr<TPicture> picture_;
};
IMPLEMENT_CLASS(TPictureHolder);

void WriteFile(const std::string& path, const std::string& data) {
    TFileStream fs(path, TFileMode::fmCreate);
    fs.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
}

}  // namespace

TEST(Picture, LoaderChoosesTheClassByExtension) {
    TPicture pic;
    int changes = 0;
    pic.OnChange = [&](TObject*) { ++changes; };
    try {
        pic.LoadFromFile(TestOutputDir() + "x.XYZ");
        ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
    }
    EXPECT_EQ(changes, 0);

    TBitmap bmp;
    FillBitmap(bmp, 6, 4, clMaroon);
    const std::string file = TestOutputDir() + "picture-loader.BMP";
    bmp.SaveToFile(file);
    pic.LoadFromFile(file);
    ASSERT_NE(dynamic_cast<TBitmap*>(pic.Graphic()), nullptr);
    EXPECT_EQ(pic.Width(), 6);
    EXPECT_EQ(pic.Height(), 4);
    EXPECT_EQ(changes, 1);

    // A file the class can't read keeps the picture.
    const std::string bad = TestOutputDir() + "picture-bad.bmp";
    WriteFile(bad, "BM not a bitmap at all, really");
    EXPECT_THROW(pic.LoadFromFile(bad), EInvalidGraphic);
    EXPECT_EQ(pic.Width(), 6);

    // Another format registers and unregisters itself.
    const std::string own = TestOutputDir() + "picture.TGR";
    WriteFile(own, "hello");
    TPicture::RegisterFileFormat(".tgr", "Test graphics", TTestGraphic::StaticClassInfo(),
                                 []() -> TGraphic* { return new TTestGraphic; });
    EXPECT_NE(TPicture::GraphicFilter(TGraphic::StaticClassInfo()).find("*.tgr"), std::string::npos);
    pic.LoadFromFile(own);
    auto* g = dynamic_cast<TTestGraphic*>(pic.Graphic());
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->text, "hello");
    TPicture::UnregisterGraphicClass(TTestGraphic::StaticClassInfo());
    EXPECT_THROW(pic.LoadFromFile(own), EInvalidGraphic);
    EXPECT_EQ(TPicture::FindFileFormat("BMP")->GraphicClass, &TBitmap::StaticClassInfo());
}

TEST(Picture, GraphicOwnershipAndChangeNotification) {
    TPicture pic;
    int changes = 0;
    pic.OnChange = [&](TObject*) { ++changes; };
    TBitmap src;
    FillBitmap(src, 3, 3, clGreen);
    pic.SetGraphic(&src);
    EXPECT_EQ(changes, 1);
    ASSERT_NE(pic.Graphic(), &src);   // a copy
    src.Canvas()->SetPixels(0, 0, clRed);
    EXPECT_EQ(PixelAt(*pic.Bitmap(), 0, 0), clGreen);

    pic.Bitmap()->Canvas()->SetPixels(1, 1, clBlue);   // changes of the graphic reach the picture
    EXPECT_EQ(changes, 2);

    pic.Icon();   // a bitmap is no icon: replaced by an empty one
    EXPECT_NE(dynamic_cast<TIcon*>(pic.Graphic()), nullptr);
    EXPECT_TRUE(pic.Graphic()->Empty());
    EXPECT_EQ(changes, 3);
    pic.Bitmap();
    EXPECT_NE(dynamic_cast<TBitmap*>(pic.Graphic()), nullptr);

    TPicture other;
    other.Assign(&src);
    EXPECT_EQ(PixelAt(*other.Bitmap(), 0, 0), clRed);
    pic.Assign(&other);
    EXPECT_EQ(pic.Width(), 3);
    pic.Assign(nullptr);
    EXPECT_FALSE(pic.HasGraphic());
    EXPECT_EQ(pic.Width(), 0);

    // Into a graphic.
    TBitmap out;
    out.Assign(&other);
    EXPECT_EQ(PixelAt(out, 0, 0), clRed);
}

TEST(Picture, DataInLayouts) {
    TBitmap bmp;
    FillBitmap(bmp, 3, 2, clPurple);
    bmp.Canvas()->SetPixels(2, 1, clYellow);
    std::string bmpData = SaveBmp(bmp);
    std::string data = std::string("\x07TBitmap", 8) + bmpData;

    // The writer and the reader agree.
    TPicture pic;
    pic.SetGraphic(&bmp);
    TMemoryStream written;
    pic.WriteData(written);
    EXPECT_EQ(Bytes(written), data);

    auto readLayout = [](const std::string& bytes) {
        TFreeGuard<TPictureHolder> root(TPictureHolder::Create(nullptr));
        ReadLayout(root.get(), "object Holder: TPictureHolder\n  Picture.Data = {\n    " + Hex(bytes) + "}\nend\n",
                   "test");
        return root;
    };
    auto root = readLayout(data);
    TBitmap* loaded = dynamic_cast<TBitmap*>(root->GetPicture()->Graphic());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Width(), 3);
    EXPECT_EQ(PixelAt(*loaded, 2, 1), clYellow);
    EXPECT_EQ(root->changes, 1);

    // The older form with a length before the BMP data.
    std::string len(4, '\0');
    Put32(len, 0, static_cast<uint32_t>(bmpData.size()));
    root = readLayout(std::string("\x07TBitmap", 8) + len + bmpData);
    EXPECT_EQ(root->GetPicture()->Width(), 3);

    // Any registered graphic class is found by name.
    TPicture::RegisterFileFormat("tgr", "Test graphics", TTestGraphic::StaticClassInfo(),
                                 []() -> TGraphic* { return new TTestGraphic; });
    root = readLayout(std::string("\x0CTTestGraphic", 13) + "abc");
    auto* tg = dynamic_cast<TTestGraphic*>(root->GetPicture()->Graphic());
    ASSERT_NE(tg, nullptr);
    EXPECT_EQ(tg->text, "abc");
    TPicture::UnregisterGraphicClass(TTestGraphic::StaticClassInfo());

    EXPECT_THROW(readLayout(std::string("\x04TFoo", 5) + bmpData), EReadError);
    EXPECT_THROW(readLayout(std::string("\x05TFont", 6) + bmpData), EReadError);
    EXPECT_THROW(readLayout(std::string("\x07TBitmap", 8) + "junk"), EReadError);
}

TEST(Screenshot, WritesPngFiles) {
    TBitmap bmp;
    FillBitmap(bmp, 8, 8, clRed);
    ASSERT_TRUE(SaveBitmapPng(bmp, "screenshot-bitmap.png"));
    TFileStream fs(TestOutputDir() + "screenshot-bitmap.png", TFileMode::fmOpenRead);
    char sig[4] = {};
    fs.ReadBuffer(sig, 4);
    EXPECT_EQ(std::string(sig + 1, 3), "PNG");

    HWND wnd = CreateWindowExA(0, "STATIC", "shot", WS_POPUP | WS_VISIBLE, 10, 10, 40, 30, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(wnd, nullptr);
    UpdateWindow(wnd);
    TBitmap shot;
    ASSERT_TRUE(CaptureWindow(wnd, shot));
    EXPECT_EQ(shot.Width(), 40);
    EXPECT_EQ(PixelAt(shot, 39, 29), ColorToRGB(clBtnFace));
    EXPECT_TRUE(SaveWindowPng(wnd, "screenshot-window.png"));
    DestroyWindow(wnd);
}
