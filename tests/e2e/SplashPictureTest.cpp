// The splash window of Velmora.exe shows the PNG picture its skin names from the Skins folder.
#include "common/Screenshot.h"
#include "e2e/Harness.h"
#include "skinned/PngTestData.h"

#include <gtest/gtest.h>

namespace {
using namespace e2e;
constexpr uint32_t kOrange = 0xFFFF8000, kTeal = 0xFF208080;
}  // namespace

TEST(SplashPicture, ShowsThePngFromTheSkinsFolder) {
    // Our own picture: an orange quarter on teal, and a clear corner where the window shows.
    const int w = 503, h = 240;
    std::vector<uint32_t> pixels(size_t(w) * h, kTeal);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x < w / 2 && y < h / 2) pixels[size_t(y) * w + x] = kOrange;
            if (x >= w - 20 && y >= h - 20) pixels[size_t(y) * w + x] = 0;
        }
    TSandbox sandbox;
    sandbox.WriteFile("Skins\\img_Splash.png", pngtest::MakePng(w, h, pixels));
    TProgramRun run(sandbox);

    auto splash = run.WaitForWindowClass("TSplashForm");
    ASSERT_TRUE(splash) << run.Describe();
    EXPECT_EQ(splash->Width(), w) << splash->Describe();
    EXPECT_EQ(splash->Height(), h) << splash->Describe();
    // Above the windows other suites open on the same display, then read until painted.
    SetWindowPos(splash->Handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TBitmap shot;
    auto shows = [&] {
        return CaptureWindow(splash->Handle, shot) && PixelAt(shot, 10, 10) == RGBToColor(0xFF, 0x80, 0x00) &&
               PixelAt(shot, 400, 60) == RGBToColor(0x20, 0x80, 0x80) && PixelAt(shot, w - 5, h - 5) == clNavy;
    };
    PollUntil(shows, 1000);
    SaveScreenshot(splash->Handle, "e2e-splash-png.png");
    // An orange quarter on teal, and the form's colour through the clear corner.
    EXPECT_EQ(PixelAt(shot, 10, 10), RGBToColor(0xFF, 0x80, 0x00));
    EXPECT_EQ(PixelAt(shot, 400, 60), RGBToColor(0x20, 0x80, 0x80));
    EXPECT_EQ(PixelAt(shot, w - 5, h - 5), clNavy);

    auto main = run.WaitForWindowClass("TMainForm");
    ASSERT_TRUE(main) << run.Describe();
    ASSERT_TRUE(run.Close(main->Handle));
    EXPECT_TRUE(run.WaitForExit()) << run.Describe();
    EXPECT_EQ(run.ExitCode(), 0u) << run.Describe();   // GDI+ shut down cleanly after the last form
}
