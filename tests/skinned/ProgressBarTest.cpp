// The skinned progress bar: its arithmetic, what it paints horizontally and vertically, its
// caption, and the styles and theme it takes its picture and colours from.
#include "common/Screenshot.h"
#include "controls/skinned/SkForm.h"
#include "controls/skinned/SkProgressBar.h"
#include "skinned/PictureTesting.h"
#include "skinned/SkinnedTesting.h"
#include <gtest/gtest.h>

namespace {

struct TBarForm {
    TFormGuard<TForm> Form = NewTestForm(240, 120);
    TskProgressBar* Bar = nullptr;
    TBitmap Picture;
    TBarForm() {
        Bar = TskProgressBar::Create(Form.get());
        Bar->SetParent(Form.get());
        Bar->SetBounds(10, 10, 101, 21);
        // Plain colours, so that every pixel tells what drew it.
        TPicture red;
        SetPngPicture(&red, 4, 4, 0xFFFF0000);
        Bar->SetPicture(&red);
        Bar->SetColor(clWhite);
        Bar->SetBorderColor(clBlack);
        Bar->SetCaptionColor(clBlue);
    }
    TBitmap& Shot() {
        Render(Bar, Picture);
        return Picture;
    }
    int Count(TColor c) { return CountPixels(Shot(), c, Rect(0, 0, Bar->Width(), Bar->Height())); }
};

}  // namespace

TEST(ProgressBarArithmetic, ExtentAndPercentIncludingWideRanges) {
    EXPECT_EQ(ProgressBarExtent(100, 0, 100, 0), 0);
    EXPECT_EQ(ProgressBarExtent(100, 0, 100, 50), 50);
    EXPECT_EQ(ProgressBarExtent(100, 0, 100, 150), 100);
    EXPECT_EQ(ProgressBarExtent(100, 10, 10, 10), 0);   // empty range
    EXPECT_EQ(ProgressBarExtent(100, 20, 10, 30), 0);   // reversed range
    EXPECT_EQ(ProgressBarExtent(100, -100, 100, 0), 50);
    EXPECT_EQ(ProgressBarPercent(0, 100, 150), 150);
    EXPECT_EQ(ProgressBarPercent(5, 5, 7), 0);
    EXPECT_EQ(ProgressBarPercent(0, 100, -20), -20);
    // Products beyond 32 bits: 149 * 1.5e9 and 1.5e9 * 100.
    EXPECT_EQ(ProgressBarExtent(149, 0, 2000000000, 1500000000), 111);
    EXPECT_EQ(ProgressBarPercent(0, 2000000000, 1500000000), 75);
    EXPECT_EQ(ProgressBarPercent(-2000000000, 2000000000, 0), 50);
    EXPECT_EQ(ProgressBarExtent(1000, -2147483647 - 1, 2147483647, 0), 500);
}

TEST(ProgressBarPaint, HorizontalFillAtZeroHalfAndFull) {
    TBarForm f;
    f.Bar->SetShowCaption(false);
    f.Form->Show();
    const int inner = (101 - 2) * (21 - 2);

    f.Bar->SetPosition(0);   // no picture; Color fills from x = 1
    EXPECT_EQ(f.Count(clRed), 0);
    EXPECT_EQ(PixelAt(f.Picture, 1, 10), clWhite);
    EXPECT_EQ(f.Count(clWhite), inner);
    EXPECT_EQ(f.Count(clBlack), 2 * 101 + 2 * 19);   // the border

    f.Bar->SetPosition(50);
    EXPECT_EQ(f.Count(clRed), (50 - 1) * 19);
    EXPECT_EQ(PixelAt(f.Picture, 49, 10), clRed);
    EXPECT_EQ(PixelAt(f.Picture, 50, 10), clWhite);

    f.Bar->SetPosition(100);   // the picture fills w - 2 pixels
    EXPECT_EQ(f.Count(clRed), inner);
    f.Bar->SetPosition(150);
    EXPECT_EQ(f.Count(clRed), inner);
}

TEST(ProgressBarPaint, CaptionShowsThePercentUnlessHiddenAtMin) {
    TBarForm f;
    f.Form->Show();
    f.Bar->SetPosition(150);
    EXPECT_EQ(f.Bar->GetCaption(), "150%");
    EXPECT_GT(f.Count(clBlue), 5);
    f.Bar->SetMax(0);   // Min = Max
    EXPECT_EQ(f.Bar->GetCaption(), "0%");

    f.Bar->SetMax(100);
    f.Bar->SetPosition(0);
    EXPECT_GT(f.Count(clBlue), 5);
    f.Bar->SetSmartShowCaption(true);
    EXPECT_EQ(f.Count(clBlue), 0);
    f.Bar->SetPosition(1);
    EXPECT_GT(f.Count(clBlue), 5);
}

TEST(ProgressBarPaint, VerticalFillsFromTheBottomAndKeepsShowCaption) {
    TBarForm f;
    f.Bar->SetBounds(10, 10, 21, 101);
    f.Bar->SetOrientation(skVertical);
    TPicture red;
    SetPngPicture(&red, 4, 4, 0xFFFF0000);
    f.Bar->SetPicture(&red);
    f.Bar->SetColor(clWhite);
    f.Bar->SetBorderColor(clBlack);
    f.Form->Show();
    f.Bar->SetPosition(50);
    TBitmap& shot = f.Shot();
    EXPECT_EQ(PixelAt(shot, 10, 95), clRed);
    EXPECT_EQ(PixelAt(shot, 10, 5), clWhite);
    EXPECT_EQ(CountPixels(shot, clBlue, Rect(0, 0, 21, 101)), 0);   // no caption on a vertical bar
    EXPECT_TRUE(f.Bar->GetShowCaption());
    f.Bar->SetOrientation(skHorizontal);
    f.Bar->SetBounds(10, 10, 101, 21);
    EXPECT_GT(f.Count(clBlue), 5);
}

TEST(ProgressBarStyle, StylePictureAndColoursThenExplicitOnesWin) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    ReadLayout(form.get(),
               "object F: TForm\n"
               "  object Bar: TskProgressBar\n"
               "    UIStyle = MacOS\n"
               "    Color = clWhite\n"
               "    BorderColor = clRed\n"
               "  end\n"
               "end\n",
               "bar");
    auto* bar = dynamic_cast<TskProgressBar*>(form->FindComponent("Bar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetUIStyle(), MacOS);
    EXPECT_EQ(bar->GetColor(), clWhite);
    EXPECT_EQ(bar->GetBorderColor(), clRed);
    EXPECT_EQ(bar->GetPicture()->Width(), 13);   // MACOS_PROGRESSBAR
    EXPECT_EQ(bar->GetPicture()->Height(), 10);

    bar->SetUIStyle(WinXP);
    EXPECT_EQ(bar->GetColor(), StyleColor(WinXP, SkKey::ControlBackgroundColor));
    EXPECT_EQ(bar->GetBorderColor(), StyleColor(WinXP, SkKey::ControlBorderColor));
    EXPECT_EQ(bar->GetPicture()->Width(), 6);
    bar->SetOrientation(skVertical);   // the picture is turned
    EXPECT_EQ(bar->GetPicture()->Width(), 10);
    EXPECT_EQ(bar->GetPicture()->Height(), 6);
}

TEST(ProgressBarStyle, NewBarTakesTheFormFramesStyleAndALostThemeMeansDeepBlue) {
    auto form = NewTestForm();
    TskForm* frame = TskForm::Create(form.get());
    frame->SetUIStyle(Protein);
    auto* bar = TskProgressBar::Create(form.get());
    EXPECT_EQ(bar->GetUIStyle(), Protein);
    EXPECT_EQ(bar->GetColor(), StyleColor(Protein, SkKey::ControlBackgroundColor));

    auto* theme = TskFileTheme::Create(form.get());
    bar->SetFileTheme(theme);
    bar->SetUIStyle(MacOS);
    theme->Free();
    EXPECT_EQ(bar->GetFileTheme(), nullptr);
    EXPECT_EQ(bar->GetUIStyle(), DeepBlue);
    EXPECT_EQ(bar->GetPicture()->Width(), 1);   // DEEPBLUE_PROGRESSBAR
}
