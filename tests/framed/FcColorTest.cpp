// Colour arithmetic, colour sets, the XP scheme, versions and accelerators.
#include "controls/framed/FcCommon.h"
#include "PixelTesting.h"

#include <gtest/gtest.h>

namespace {

void ExpectHsl(TColor c, int h, int s, int l) {
    THsl hsl = RgbToHsl(c);
    EXPECT_EQ(hsl.Hue, h) << ColorText(c);
    EXPECT_EQ(hsl.Saturation, s) << ColorText(c);
    EXPECT_EQ(hsl.Lightness, l) << ColorText(c);
}

// Puts a themes-on/off answer in place for one test.
class TThemesAnswer {
public:
    explicit TThemesAnswer(bool on) { OverrideThemesEnabled(on); }
    ~TThemesAnswer() { OverrideThemesEnabled(std::nullopt); }
};

class TSchemeAnswer {
public:
    explicit TSchemeAnswer(uint8_t scheme) : old_(XPColorScheme()) { SetXPColorScheme(scheme); }
    ~TSchemeAnswer() { SetXPColorScheme(old_); }
private:
    uint8_t old_;
};

} // namespace

TEST(FcColor, RgbToHslOfGreysAndPrimaries) {
    ExpectHsl(RGBToColor(128, 128, 128), 0, 0, 120);
    ExpectHsl(clWhite, 0, 0, 240);
    ExpectHsl(clRed, 0, 240, 120);
    ExpectHsl(clLime, 80, 240, 120);
    ExpectHsl(clBlue, 160, 240, 120);
    // Dark and light colours use the two saturation formulas.
    ExpectHsl(RGBToColor(128, 0, 0), 0, 240, 60);
    ExpectHsl(RGBToColor(255, 128, 128), 0, 240, 180);
}


TEST(FcColor, HslToRgbDividesTheHueBy239) {
    EXPECT_EQ(HslToRgb(0, 240, 120), clRed);
    EXPECT_EQ(HslToRgb(239, 240, 120), clRed);   // sextant 6 behaves as sextant 0
    // Hue 160 is not quite blue on the way back: 160 / 239 lies past the blue sextant's start.
    EXPECT_EQ(HslToRgb(160, 240, 120), RGBToColor(4, 0, 255));
    EXPECT_EQ(HslToRgb(120, 240, 120), RGBToColor(0, 252, 255));
    EXPECT_EQ(OppositeHueColor(clRed, 120), RGBToColor(0, 252, 255));
    EXPECT_EQ(HslToRgb(0, 0, 0), clBlack);
    EXPECT_EQ(HslToRgb(0, 0, 240), clWhite);
    // Lightness above 240 is capped channel by channel, not wrapped.
    EXPECT_EQ(HslToRgb(0, 0, 255), clWhite);
}

TEST(FcColor, DarkenAndLightenClampTheLightness) {
    EXPECT_EQ(DarkenColor(RGBToColor(128, 128, 128), 200), clBlack);
    EXPECT_EQ(LightenColor(clWhite, 50), clWhite);
    EXPECT_EQ(LightenColor(RGBToColor(128, 128, 128), 200), clWhite);
    EXPECT_EQ(DarkenColor(RGBToColor(128, 128, 128), 60), RGBToColor(64, 64, 64));
    EXPECT_EQ(LightenColor(clRed, 60), RGBToColor(255, 128, 128));
}

TEST(FcColor, ShiftColorByZeroKeepsASystemColour) {
    EXPECT_EQ(ShiftColor(clBtnFace, 0), clBtnFace);
    EXPECT_EQ(ShiftColor(clBtnFace, -30), DarkenColor(clBtnFace, 30));
    EXPECT_EQ(ShiftColor(clBtnFace, 30), LightenColor(clBtnFace, 30));
    EXPECT_EQ(ShiftColor(clGray, 1000), LightenColor(clGray, 255));
}

TEST(FcColor, MixColorsWeighsTheFirstColour) {
    TColor c = RGBToColor(10, 200, 30);
    EXPECT_EQ(MixColors(clWhite, c, 255), clWhite);
    EXPECT_EQ(MixColors(clWhite, c, 0), c);
    EXPECT_EQ(MixColors(clBlack, clWhite, 128), RGBToColor(127, 127, 127));
    EXPECT_EQ(MixColors(clWhite, clBtnFace, 0), ColorToRGB(clBtnFace));
}

TEST(FcColor, ColorsCloseComparesHueAndLightnessOnly) {
    EXPECT_TRUE(ColorsClose(clBlack, RGBToColor(63, 63, 63)));     // lightness 59
    EXPECT_FALSE(ColorsClose(clBlack, RGBToColor(64, 64, 64)));    // lightness 60
    EXPECT_TRUE(ColorsClose(clRed, RGBToColor(255, 122, 0)));      // hue 19
    EXPECT_FALSE(ColorsClose(clRed, RGBToColor(255, 128, 0)));     // hue 20
    EXPECT_TRUE(ColorsClose(clRed, RGBToColor(128, 64, 64)));      // saturation differs
    // Kept as specified: no wrap-around of the hue, so reds at both ends are far apart.
    EXPECT_FALSE(ColorsClose(clRed, RGBToColor(255, 0, 6)));
}


TEST(FcColor, SystemColourSetsWithoutVisualStyles) {
    TThemesAnswer off(false);
    TColor start, stop, divider;
    PanelGradientColors(gcsMSOffice, start, stop);
    EXPECT_EQ(start, clWindow);
    EXPECT_EQ(stop, DarkenColor(clBtnFace, 10));
    EXPECT_EQ(PanelGradientFrameColor(gcsMSOffice), LightenColor(clBtnShadow, 30));
    StatusBarGradientColors(gcsMSOffice, start, stop, divider);
    EXPECT_EQ(start, DarkenColor(clBtnFace, 20));
    EXPECT_EQ(stop, clWindow);
    EXPECT_EQ(divider, DarkenColor(clBtnFace, 40));
    GroupBarGradientColors(gcsMSOffice, start, stop);
    EXPECT_EQ(start, MixColors(clBlack, clBtnFace, 40));
    EXPECT_EQ(stop, MixColors(clBlack, clBtnFace, 80));
    EXPECT_EQ(ThemePartColor(6), clBtnFace);
}

TEST(FcColor, OfficeColourSetsFollowTheScheme) {
    TThemesAnswer on(true);
    TSchemeAnswer metallic(2);
    TColor start, stop, divider;
    PanelGradientColors(gcsMSOffice, start, stop);
    EXPECT_EQ(start, MakeColor(0xFFF9F9));
    EXPECT_EQ(stop, MakeColor(0xD0BCBD));
    EXPECT_EQ(PanelGradientFrameColor(gcsMSOffice), MakeColor(0xB19F9F));
    StatusBarGradientColors(gcsMSOffice, start, stop, divider);
    EXPECT_EQ(start, MakeColor(0xD0BCBD));
    EXPECT_EQ(stop, MakeColor(0xFFF9F9));
    EXPECT_EQ(divider, start);
    GroupBarGradientColors(gcsMSOffice, start, stop);
    EXPECT_EQ(start, MakeColor(0xD4C8C4));
    EXPECT_EQ(stop, MakeColor(0xC8B3B1));
    // Other styles keep the system colours even with visual styles on.
    PanelGradientColors(gcsSystem, start, stop);
    EXPECT_EQ(start, clWindow);
    EXPECT_EQ(ThemePartColor(7), clWhite);
}

TEST(FcColor, XPColorSchemeComesFromTheThemeManager) {
    const char* path = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    TKeyHandle key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    char old[64] = {};
    DWORD oldType = 0, oldSize = sizeof(old);
    bool hadOld = RegQueryValueExA(key.Get(), "ColorName", nullptr, &oldType, reinterpret_cast<BYTE*>(old),
                                   &oldSize) == ERROR_SUCCESS;
    auto put = [&](const std::string& v) {
        RegSetValueExA(key.Get(), "ColorName", 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                       static_cast<DWORD>(v.size() + 1));
    };
    put("HomeStead");
    EXPECT_EQ(ReadXPColorScheme(), 1);
    put("metallic");
    EXPECT_EQ(ReadXPColorScheme(), 2);
    put("NormalColor");
    EXPECT_EQ(ReadXPColorScheme(), 0);
    DWORD number = 2;
    RegSetValueExA(key.Get(), "ColorName", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    EXPECT_EQ(ReadXPColorScheme(), 0) << "a value of another type counts as absent";
    if (hadOld) RegSetValueExA(key.Get(), "ColorName", 0, oldType, reinterpret_cast<const BYTE*>(old), oldSize);
    else RegDeleteValueA(key.Get(), "ColorName");
}

TEST(FcVersion, WindowsAtLeastComparesMajorAndMinorAsAPair) {
    const TFcOSVersion xp{VER_PLATFORM_WIN32_NT, 5, 1}, vista{VER_PLATFORM_WIN32_NT, 6, 0},
        seven{VER_PLATFORM_WIN32_NT, 6, 1}, me{VER_PLATFORM_WIN32_WINDOWS, 4, 90}, nt4{VER_PLATFORM_WIN32_NT, 4, 0};
    EXPECT_FALSE(WindowsAtLeast(7, xp));
    EXPECT_TRUE(WindowsAtLeast(7, vista));
    EXPECT_TRUE(WindowsAtLeast(7, seven));
    // A later major release with a smaller minor number is still later.
    EXPECT_TRUE(WindowsAtLeast(5, vista));
    EXPECT_TRUE(WindowsAtLeast(6, vista));
    EXPECT_TRUE(WindowsAtLeast(2, xp));
    EXPECT_TRUE(WindowsAtLeast(3, me));
    EXPECT_FALSE(WindowsAtLeast(4, me));
    EXPECT_TRUE(WindowsAtLeast(1, nt4));
    EXPECT_FALSE(WindowsAtLeast(4, nt4));
    EXPECT_TRUE(WindowsAtLeast(128 + 7, seven)) << "codes are taken modulo 128";
    EXPECT_FALSE(WindowsAtLeast(8, seven));
}

TEST(FcText, StripAcceleratorsDropsMarkersAndKeepsDoubledOnes) {
    EXPECT_EQ(StripAccelerators("&File"), "File");
    EXPECT_EQ(StripAccelerators("Save && &Exit"), "Save & Exit");
    EXPECT_EQ(StripAccelerators("Tom&"), "Tom&");
    EXPECT_EQ(StripAccelerators("a&&"), "a&");
    EXPECT_EQ(StripAccelerators("&"), "&");
    EXPECT_EQ(StripAccelerators(""), "");
}

