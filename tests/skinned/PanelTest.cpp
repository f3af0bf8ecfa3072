// The picture panel: its three draw styles, transparency, caption placement and sizing to
// the picture.
#include "common/Screenshot.h"
#include "controls/skinned/SkImagePanel.h"
#include "skinned/PictureTesting.h"
#include <gtest/gtest.h>

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;

struct TPanelForm {
    TFormGuard<TForm> Form = NewTestForm(200, 120);
    TskImagePanel* Panel = nullptr;
    TPanelForm() {
        Form->SetColor(clLime);
        Panel = TskImagePanel::Create(Form.get());
        Panel->SetParent(Form.get());
        Panel->SetBounds(10, 10, 35, 25);
        Panel->SetColor(clYellow);
    }
    TBitmap Picture;
    TBitmap& Shot() {
        Render(Panel, Picture);
        return Picture;
    }
};

// Left half blue, right half green.
std::vector<uint32_t> Halves(int w, int h) {
    std::vector<uint32_t> px(size_t(w) * size_t(h), kGreen);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x) px[size_t(y) * w + x] = kBlue;
    return px;
}

}  // namespace

TEST(PicturePanel, DrawsThePictureOnceStretchedOrTiledFromTheOrigin) {
    TPanelForm f;
    SetPngPicture(f.Panel->GetPicture(), 10, 10, Halves(10, 10));
    f.Form->Show();

    TBitmap& shot = f.Shot();   // skNormal: once at (0, 0)
    EXPECT_EQ(PixelAt(shot, 2, 2), clBlue);
    EXPECT_EQ(PixelAt(shot, 7, 7), clLime);

    f.Panel->SetDrawStyle(skTile);
    f.Shot();
    for (int x : {2, 12, 22, 32}) EXPECT_EQ(PixelAt(shot, x, 22), clBlue) << x;
    for (int x : {7, 17, 27}) EXPECT_EQ(PixelAt(shot, x, 3), clLime) << x;

    f.Panel->SetDrawStyle(skStretch);
    f.Shot();
    EXPECT_EQ(PixelAt(shot, 8, 12), clBlue);
    EXPECT_EQ(PixelAt(shot, 27, 12), clLime);
}

TEST(PicturePanel, ColourFillsOnlyAPanelWithoutAPicture) {
    TPanelForm f;
    f.Panel->SetBounds(10, 10, 40, 30);
    SetPngPicture(f.Panel->GetPicture(), 20, 10, kBlue);
    f.Form->Show();
    auto onScreen = [&](TBitmap& shot) {
        f.Panel->Invalidate();
        PumpIdle();
        ASSERT_TRUE(CaptureWindow(f.Panel->WindowHandle(), shot));
    };
    TBitmap with;
    ASSERT_NO_FATAL_FAILURE(onScreen(with));
    EXPECT_EQ(PixelAt(with, 5, 5), clBlue);
    // What the picture leaves uncovered is not filled.
    EXPECT_EQ(CountPixels(with, clYellow, Rect(0, 0, 40, 30)), 0);

    f.Panel->GetPicture()->Assign(nullptr);
    TBitmap without;
    ASSERT_NO_FATAL_FAILURE(onScreen(without));
    EXPECT_EQ(CountPixels(without, clYellow, Rect(0, 0, 40, 30)), 40 * 30);
}

TEST(PicturePanel, EmptyPictureDrawsNothingInEveryStyle) {
    TPanelForm f;
    TpxPNGImage empty;
    f.Panel->GetPicture()->Assign(&empty);
    ASSERT_TRUE(f.Panel->GetPicture()->HasGraphic());
    f.Form->Show();
    for (TskDrawStyle style : {skNormal, skStretch, skTile}) {
        f.Panel->SetDrawStyle(style);
        TBitmap& shot = f.Shot();   // returns: an empty tile does not loop for ever
        EXPECT_EQ(CountPixels(shot, clYellow, Rect(0, 0, 35, 25)), 35 * 25) << EnumToIdent(style);
    }
}

TEST(PicturePanel, TransparentPanelShowsItsParentUnderClearPixels) {
    TPanelForm f;
    std::vector<uint32_t> px(35 * 25, kRed);
    for (int x = 0; x < 10; ++x) px[size_t(5) * 35 + x] = 0;   // a clear streak
    SetPngPicture(f.Panel->GetPicture(), 35, 25, px);
    f.Form->Show();
    TBitmap& shot = f.Shot();
    EXPECT_NE(PixelAt(shot, 3, 5), clYellow) << "no Color under a picture";
    f.Panel->SetTransparent(true);
    f.Shot();
    EXPECT_EQ(PixelAt(shot, 3, 5), clLime);
    EXPECT_EQ(PixelAt(shot, 20, 20), ArgbColor(kRed));
}

TEST(PicturePanel, CaptionFollowsAlignmentOnOneCentredLine) {
    TPanelForm f;
    f.Panel->SetBounds(10, 10, 180, 40);
    f.Panel->Font()->SetColor(clBlack);
    f.Panel->SetCaption("Programs");
    f.Form->Show();
    // The box around the caption's black pixels.
    auto ink = [&] {
        TBitmap& shot = f.Shot();
        TRect r(1000, 1000, -1, -1);
        for (int y = 0; y < shot.Height(); ++y)
            for (int x = 0; x < shot.Width(); ++x)
                if (PixelAt(shot, x, y) == clBlack)
                    r = TRect(std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x), std::max(r.Bottom, y));
        return r;
    };
    f.Panel->SetAlignment(taLeftJustify);
    TRect r = ink();
    EXPECT_LT(r.Left, 3);
    EXPECT_NEAR((r.Top + r.Bottom) / 2.0, 20, 3);
    f.Panel->SetAlignment(taRightJustify);
    EXPECT_GT(ink().Right, 176);
    f.Panel->SetAlignment(taCenter);
    r = ink();
    EXPECT_NEAR((r.Left + r.Right) / 2.0, 90, 3);
    f.Panel->SetCaption("  ");
    EXPECT_EQ(ink().Right, -1);
}

TEST(PicturePanel, AutoSizeTakesThePictureSidesItsAlignLeavesFree) {
    TTempDir dir;
    const std::string file = dir.Write("side.png", pngtest::SolidPng(60, 90, kRed));
    struct {
        TAlign Align;
        int Width, Height;
    } cases[] = {{alNone, 60, 90}, {alLeft, 60, 120}, {alTop, 200, 90}, {alClient, 200, 120}};
    for (auto& c : cases) {
        SCOPED_TRACE(EnumToIdent(c.Align));
        TPanelForm f;
        f.Panel->SetAlign(c.Align);
        f.Panel->SetAutoSize(true);
        f.Panel->GetPicture()->LoadFromFile(file);   // as the skin loader does
        EXPECT_EQ(f.Panel->Width(), c.Width);
        EXPECT_EQ(f.Panel->Height(), c.Height);
    }
}
