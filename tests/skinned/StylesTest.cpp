// The style tables, their lookups and the shared drawing routines.
#include "SkinnedTesting.h"

#include "../framework/FormTesting.h"
#include "controls/skinned/SkPublic.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

constexpr TskUIStyle kBuiltIn[] = {MacOS, WinXP, DeepBlue, Protein, BlueGlass};

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A bitmap whose every pixel differs: red = x, green = y.
void FillCoordinates(TBitmap& b, int w, int h) {
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.Canvas()->SetPixels(x, y, RGBToColor(uint8_t(x), uint8_t(y), 7));
}

TColor Coord(int x, int y) { return RGBToColor(uint8_t(x), uint8_t(y), 7); }

}  // namespace

TEST(StyleKeys, NamesAreDistinctAndTheirSuffixSaysTheKind) {
    std::set<std::string> names;
    for (int key = 1; key <= SkKey::Count; ++key) {
        std::string name = ThemeKeyName(key);
        EXPECT_TRUE(names.insert(name).second) << name;
        TskThemeValueKind expected = EndsWith(name, "Image") ? tvkBitmap
                                     : EndsWith(name, "Bool") ? tvkBoolean
                                     : EndsWith(name, "Color") ? tvkColor
                                                               : tvkInteger;
        EXPECT_TRUE(EndsWith(name, "Image") || EndsWith(name, "Bool") || EndsWith(name, "Color") || EndsWith(name, "Int"))
            << name;
        EXPECT_EQ(ThemeKeyKind(key), expected) << name;
    }
    EXPECT_EQ(std::string(ThemeKeyName(SkKey::MenuBarColor)), "MenuBarColor");
    EXPECT_EQ(std::string(ThemeKeyName(SkKey::MenuMenuBarColor)), "MenuMenuBarColor");
}

TEST(StyleLookup, FromThemeFileReadsAsAnIntegerMinusOne) {
    for (int key : {1, SkKey::FormBackgroundColor, SkKey::ButtonTransparentBool, SkKey::FormMinWidthInt}) {
        TskStyleValue v = StyleValue(FromThemeFile, key);
        EXPECT_EQ(v.Kind, tvkInteger);
        EXPECT_EQ(v.Value, -1);
        EXPECT_EQ(StyleInt(FromThemeFile, key), -1);
        EXPECT_EQ(StyleColor(FromThemeFile, key), clBlack);
        EXPECT_FALSE(StyleBool(FromThemeFile, key));
    }
}

TEST(StyleLookup, KeysOutsideTheTableReadAsAnIntegerMinusOne) {
    for (int key : {0, -3, SkKey::Count + 1, 1000}) {
        TskStyleValue v = StyleValue(WinXP, key);
        EXPECT_EQ(v.Kind, tvkInteger) << key;
        EXPECT_EQ(v.Value, -1) << key;
        EXPECT_STREQ(ThemeKeyName(key), "") << key;
    }
    EXPECT_EQ(StyleValue(static_cast<TskUIStyle>(9), SkKey::FormMinWidthInt).Value, -1);
}

TEST(StyleLookup, TypedReadersAnswerOnlyForTheirKind) {
    EXPECT_EQ(StyleInt(MacOS, SkKey::FormBackgroundColor), -1);
    EXPECT_EQ(StyleColor(MacOS, SkKey::FormMinWidthInt), clBlack);
    EXPECT_FALSE(StyleBool(MacOS, SkKey::FormMinWidthInt));
    EXPECT_EQ(StyleInt(MacOS, SkKey::ButtonImage), -1);

    // Signed integers, colours in BBGGRR, booleans.
    EXPECT_EQ(StyleInt(BlueGlass, SkKey::TitleBarButtonRightOffsetInt), -3);
    EXPECT_EQ(StyleColor(WinXP, SkKey::FormBorderColor), RGBToColor(0x00, 0x2C, 0xC8));
    EXPECT_EQ(StyleColor(MacOS, SkKey::MenuBackgroundColor), clBlack);   // the Mac menu draws bitmaps instead
    EXPECT_TRUE(StyleBool(BlueGlass, SkKey::ButtonTransparentBool));
}

TEST(StyleBitmaps, KeysWithoutABuiltInBitmapLeaveTheGraphicAlone) {
    TBitmap b;
    FillBitmap(b, 3, 2, clRed);
    for (TskUIStyle style : kBuiltIn) {
        LoadStyleBitmap(style, SkKey::FormLeftBorderImage, &b);
        LoadStyleBitmap(style, SkKey::FormBackgroundColor, &b);
        LoadStyleBitmapFrame(style, SkKey::FormBottomBorderImage, &b, 3, 1);
        LoadStyleBitmap(FromThemeFile, SkKey::ButtonImage, &b);
    }
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(PixelAt(b, 2, 1), clRed);
    EXPECT_NO_THROW(LoadStyleBitmap(MacOS, SkKey::ButtonImage, nullptr));
    EXPECT_NO_THROW(LoadStyleBitmapFrame(MacOS, SkKey::ButtonImage, nullptr, 3, 1));
}

TEST(StyleBitmaps, AMissingResourceRaisesAndKeepsTheBitmap) {
    TBitmap b;
    FillBitmap(b, 3, 2, clRed);
    EXPECT_THROW(LoadStyleBitmapResource("NO_SUCH_STYLE_BITMAP", b), EInvalidGraphic);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(PixelAt(b, 0, 0), clRed);
}

// ---------------------------------------------------------------------------------------
// Shared routines

TEST(SkPublic, PointInRectCountsAllFourEdges) {
    TRect r(10, 20, 30, 40);
    EXPECT_TRUE(PointInRect({30, 40}, r));
    EXPECT_TRUE(PointInRect({10, 20}, r));
    EXPECT_TRUE(PointInRect({30, 20}, r));
    EXPECT_FALSE(PointInRect({31, 40}, r));
    EXPECT_FALSE(PointInRect({10, 19}, r));
}

TEST(SkPublic, CutBitmapFrameTakesEqualFramesAndNeverTheLeftoverColumn) {
    TBitmap strip;
    FillCoordinates(strip, 100, 2);
    TBitmap frame;
    CutBitmapFrame(&strip, &frame, 3, 3);
    ASSERT_EQ(frame.Width(), 33);
    ASSERT_EQ(frame.Height(), 2);
    EXPECT_EQ(PixelAt(frame, 0, 0), Coord(66, 0));
    EXPECT_EQ(PixelAt(frame, 32, 1), Coord(98, 1));

    CutBitmapFrame(&strip, &frame, 3, 1);
    EXPECT_EQ(PixelAt(frame, 0, 1), Coord(0, 1));
}

TEST(SkPublic, CutBitmapFrameWithoutFramesOrOutOfRangeStaysInTheBitmap) {
    TBitmap strip;
    FillCoordinates(strip, 12, 3);
    TBitmap frame;
    CutBitmapFrame(&strip, &frame, 0, 5);   // no frames: the whole strip
    EXPECT_EQ(frame.Width(), 12);
    CutBitmapFrame(&strip, &frame, 4, 9);   // past the last frame: the last one
    ASSERT_EQ(frame.Width(), 3);
    EXPECT_EQ(PixelAt(frame, 0, 0), Coord(9, 0));
    CutBitmapFrame(&strip, &frame, 4, 0);   // before the first: the first one
    EXPECT_EQ(PixelAt(frame, 0, 0), Coord(0, 0));
}

TEST(SkPublic, CutBitmapFrameKeepsTheDestinationsTransparency) {
    TBitmap strip;
    FillCoordinates(strip, 8, 2);
    TBitmap frame;
    frame.SetTransparent(true);
    frame.SetTransparentColor(clFuchsia);
    CutBitmapFrame(&strip, &frame, 2, 2);
    EXPECT_TRUE(frame.Transparent());
    EXPECT_EQ(frame.TransparentColor(), clFuchsia);
}

TEST(SkPublic, RotationsMoveEveryPixelWhereTheyShould) {
    TBitmap b;
    FillCoordinates(b, 3, 2);
    RotateBitmap90(&b);
    ASSERT_EQ(b.Width(), 2);
    ASSERT_EQ(b.Height(), 3);
    // Source (x, y) lands at (y, w - 1 - x).
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(b, y, 2 - x), Coord(x, y)) << x << "," << y;

    // 180 degrees, an odd size turning about its centre.
    FillCoordinates(b, 3, 3);
    RotateBitmap180(&b);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(b, 2 - x, 2 - y), Coord(x, y)) << x << "," << y;
    TBitmap empty;
    EXPECT_NO_THROW(RotateBitmap180(&empty));
    EXPECT_NO_THROW(RotateBitmap90(&empty));
}

TEST(SkPublic, ThreeSliceDrawsCapsAtTheirSizeAndStretchesTheMiddle) {
    // Slices of 3 x 2: left red, middle lime, right blue; the top-left pixel is the key.
    TBitmap strip;
    FillBitmap(strip, 9, 2, clLime);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            strip.Canvas()->SetPixels(x, y, clRed);
            strip.Canvas()->SetPixels(6 + x, y, clBlue);
        }
    strip.Canvas()->SetPixels(0, 0, clYellow);

    TBitmap target;
    FillBitmap(target, 20, 4, clWhite);
    DrawThreeSliceBitmap(&strip, *target.Canvas(), TRect(1, 1, 19, 3), true, true);
    EXPECT_EQ(PixelAt(target, 1, 1), clWhite);    // the key colour leaves the background
    EXPECT_EQ(PixelAt(target, 2, 1), clRed);
    EXPECT_EQ(PixelAt(target, 3, 2), clRed);
    EXPECT_EQ(PixelAt(target, 4, 1), clLime);     // middle from left + 3 ...
    EXPECT_EQ(PixelAt(target, 15, 2), clLime);    // ... to right - 3
    EXPECT_EQ(PixelAt(target, 16, 1), clBlue);
    EXPECT_EQ(PixelAt(target, 18, 2), clBlue);
    EXPECT_EQ(PixelAt(target, 19, 1), clWhite);
    EXPECT_EQ(PixelAt(target, 10, 3), clWhite);

    // Without the pixel key, fuchsia is the key and the yellow corner shows.
    FillBitmap(target, 20, 4, clWhite);
    DrawThreeSliceBitmap(&strip, *target.Canvas(), TRect(1, 1, 19, 3), true, false);
    EXPECT_EQ(PixelAt(target, 1, 1), clYellow);

    // Too narrow for three slices: nothing.
    TBitmap narrow;
    FillBitmap(narrow, 2, 4, clRed);
    FillBitmap(target, 20, 4, clWhite);
    DrawThreeSliceBitmap(&narrow, *target.Canvas(), TRect(0, 0, 20, 4), false, true);
    EXPECT_EQ(CountPixels(target, clWhite, TRect(0, 0, 20, 4)), 80);
}

TEST(SkPublic, TilePictureStartsAtTheCanvasOriginAndCoversTheRect) {
    TBitmap tile;
    FillBitmap(tile, 3, 2, clNavy);
    tile.Canvas()->SetPixels(0, 0, clRed);
    TBitmap target;
    FillBitmap(target, 12, 8, clWhite);
    TilePicture(*target.Canvas(), &tile, TRect(4, 3, 9, 6));
    EXPECT_EQ(PixelAt(target, 0, 0), clRed);     // from the origin, not from (4, 3)
    EXPECT_EQ(PixelAt(target, 3, 2), clRed);
    EXPECT_EQ(PixelAt(target, 6, 4), clRed);
    // While x < width + w and y < height + h: x = 0, 3, 6 and y = 0, 2, 4.
    EXPECT_EQ(PixelAt(target, 8, 5), clNavy);
    EXPECT_EQ(PixelAt(target, 8, 6), clWhite);
    EXPECT_EQ(PixelAt(target, 9, 0), clWhite);

    // An empty picture draws nothing, and the tiling ends.
    TPicture picture;
    FillBitmap(target, 4, 4, clWhite);
    TilePicture(*target.Canvas(), &picture, TRect(0, 0, 4, 4));
    TBitmap empty;
    TilePicture(*target.Canvas(), &empty, TRect(0, 0, 4, 4));
    EXPECT_EQ(CountPixels(target, clWhite, TRect(0, 0, 4, 4)), 16);
}

TEST(SkPublic, ApplyThemeToChildrenSetsTheThemeThenTheStyleOfSkinnedChildrenOnly) {
    TFreeGuard<TPanel> frame(TPanel::Create(nullptr));
    auto* skinned = TskThemeProbe::Create(frame.get());
    skinned->SetParent(frame.get());
    auto* plain = TPanel::Create(frame.get());
    plain->SetParent(frame.get());
    auto* theme = TskFileTheme::Create(frame.get());

    ApplyThemeToChildren(frame.get(), WinXP, theme);
    EXPECT_EQ(skinned->Writes, (std::vector<std::string>{"FileTheme", "UIStyle:WinXP"}));
    EXPECT_EQ(skinned->GetFileTheme(), theme);
    EXPECT_TRUE(HasPublishedProperty(skinned, "uistyle"));
    EXPECT_FALSE(HasPublishedProperty(plain, "UIStyle"));
    EXPECT_FALSE(HasPublishedProperty(nullptr, "UIStyle"));
}

TEST(SkPublic, PaintParentBackgroundShowsTheParentUnderTheControl) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    form->SetBounds(0, 0, 200, 150);
    form->SetColor(clTeal);
    // A windowless child of the form painted in red, partly under the control.
    auto* image = TImage::Create(form.get());
    image->SetParent(form.get());
    image->SetBounds(30, 30, 20, 20);
    FillBitmap(*image->Picture()->Bitmap(), 20, 20, clRed);
    auto* control = TskThemeProbe::Create(form.get());
    control->SetParent(form.get());
    control->SetBounds(40, 40, 50, 50);
    form->Show();
    PumpIdle();

    TBitmap under;
    FillBitmap(under, 50, 50, clWhite);
    PaintParentBackground(*under.Canvas(), control);
    EXPECT_EQ(PixelAt(under, 0, 0), clRed);       // the image's (10, 10)
    EXPECT_EQ(PixelAt(under, 9, 9), clRed);
    EXPECT_EQ(PixelAt(under, 10, 10), clTeal);    // past the image: the form's colour
    EXPECT_EQ(PixelAt(under, 49, 49), clTeal);

    // No parent: nothing drawn.
    control->SetParent(nullptr);
    FillBitmap(under, 50, 50, clWhite);
    PaintParentBackground(*under.Canvas(), control);
    EXPECT_EQ(PixelAt(under, 0, 0), clWhite);
}

// ---------------------------------------------------------------------------------------
// The style bitmaps the program carries

namespace {

struct TBitmapSize { int Key; int Width[5]; int Height[5]; };   // MacOS, WinXP, DeepBlue, Protein, BlueGlass

// The sizes the controls' frame counts rely on.
const TBitmapSize kKeyBitmapSizes[] = {
    {SkKey::ButtonImage, {252, 54, 222, 222, 231}, {23, 21, 21, 21, 27}},
    {SkKey::CheckBoxImage, {60, 52, 52, 52, 52}, {17, 13, 13, 13, 13}},
    {SkKey::RadioButtonImage, {64, 52, 52, 52, 52}, {17, 13, 13, 13, 13}},
    {SkKey::TitleBarButtonImage, {306, 378, 342, 342, 342}, {17, 21, 19, 19, 19}},
    {SkKey::TitleBarLeftImage, {48, 35, 97, 441, 162}, {23, 29, 32, 23, 33}},
    {SkKey::TitleBarClientImage, {49, 37, 98, 1, 179}, {23, 29, 32, 23, 33}},
    {SkKey::TitleBarRightImage, {48, 35, 97, 1, 101}, {23, 29, 32, 23, 33}},
    {SkKey::ProgressBarImage, {13, 6, 1, 1, 1}, {10, 10, 10, 10, 10}},
    {SkKey::TrackBarBarImage, {45, 45, 45, 45, 45}, {5, 8, 4, 4, 4}},
    {SkKey::TrackBarSliderImage, {11, 11, 11, 11, 11}, {20, 21, 20, 20, 20}},
    {SkKey::TrackBarSliderVImage, {19, 22, 18, 18, 18}, {11, 11, 11, 11, 11}},
    {SkKey::ScrollBarButtonImage, {96, 96, 96, 96, 102}, {22, 17, 16, 16, 16}},
    {SkKey::ScrollBarSliderImage, {33, 21, 21, 21, 21}, {16, 16, 16, 16, 16}},
    {SkKey::CheckListBoxImage, {40, 44, 44, 44, 44}, {11, 11, 11, 11, 11}},
    {SkKey::ScrollButtonImage, {72, 72, 72, 72, 72}, {18, 18, 17, 17, 17}},
    {SkKey::TabControlTabImage, {36, 18, 12, 18, 18}, {27, 18, 17, 17, 17}},
    {SkKey::TabControlBarImage, {17, 8, 5, 10, 10}, {7, 1, 5, 5, 5}},
    {SkKey::SideChannelHandleImage, {7, 8, 8, 8, 8}, {84, 86, 83, 83, 86}},
    {SkKey::SideChannelBarImage, {1, 1, 1, 1, 1}, {21, 21, 20, 21, 21}},
};

}  // namespace

TEST(StyleBitmaps, EveryBitmapTheTablesNameLoadsAtItsSize) {
    int loaded = 0;
    for (const TBitmapSize& s : kKeyBitmapSizes) {
        for (int i = 0; i < 5; ++i) {
            TskUIStyle style = kBuiltIn[i];
            SCOPED_TRACE(StyleValue(style, s.Key).Bitmap);
            TBitmap b;
            ASSERT_NO_THROW(LoadStyleBitmap(style, s.Key, &b));
            EXPECT_EQ(b.Width(), s.Width[i]);
            EXPECT_EQ(b.Height(), s.Height[i]);
            ++loaded;
        }
    }
    // Every bitmap key of the tables is covered above.
    int bitmapKeys = 0;
    for (int key = 1; key <= SkKey::Count; ++key)
        if (*StyleValue(MacOS, key).Bitmap) ++bitmapKeys;
    EXPECT_EQ(bitmapKeys * 5, loaded);

    const std::pair<const char*, TSize> extras[] = {
        {"MENU_CHECKED", {16, 16}}, {"MACOS_MENU_SELECT", {1, 21}}, {"MACOS_MENU_BAR", {1, 22}},
        {"MACOS_FORM_BACKGROUND", {8, 8}}, {"PROTEIN_FORM_BACKGROUND", {8, 8}}};
    for (auto& [name, sz] : extras) {
        TBitmap b;
        ASSERT_NO_THROW(LoadStyleBitmapResource(name, b)) << name;
        EXPECT_EQ(b.Width(), sz.cx) << name;
        EXPECT_EQ(b.Height(), sz.cy) << name;
    }
}

TEST(StyleBitmaps, FramesComeFromTheStrip) {
    // The close button of the WinXP strip: frames 16 to 18 of 18, each 21 pixels wide.
    TBitmap strip, frame;
    LoadStyleBitmap(WinXP, SkKey::TitleBarButtonImage, &strip);
    LoadStyleBitmapFrame(WinXP, SkKey::TitleBarButtonImage, &frame, 18, 16);
    ASSERT_EQ(frame.Width(), 21);
    ASSERT_EQ(frame.Height(), 21);
    for (int x : {0, 7, 20})
        for (int y : {0, 10, 20}) EXPECT_EQ(PixelAt(frame, x, y), PixelAt(strip, 15 * 21 + x, y)) << x << "," << y;
}
