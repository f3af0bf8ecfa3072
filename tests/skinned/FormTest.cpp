// The skinned form frame as computations: geometry, border painting, the style writer
// and the properties with rules of their own.
#include "SkinnedTesting.h"

#include "../framework/FormTesting.h"
#include "FrameTesting.h"
#include "controls/skinned/SkPublic.h"

#include <gtest/gtest.h>

namespace {

constexpr TColor kBackdrop = MakeColor(0xFF00FF);

TskFrameBorder Border(int w, int h, int bw) {
    TskFrameBorder b;
    b.Width = w;
    b.Height = h;
    b.BorderWidth = bw;
    b.BorderColor = clRed;
    b.Color = clLime;
    b.TitleHeight = 20;
    return b;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Geometry

TEST(FrameGeometry, TheClientAreaIsTheWholeWindowAndNeverMore) {
    EXPECT_EQ(SkFormClientRect(TRect(10, 20, 310, 220), 0, 0), TRect(10, 20, 310, 220));
    EXPECT_EQ(SkFormClientRect(TRect(0, 0, 300, 200), 6, 10), TRect(4, 0, 296, 192));
}

TEST(FrameGeometry, TheRegionRoundsTheTopCornersAndTheBottomOnesOnlyWhenAsked) {
    TGdiHandle r(CreateSkFormRegion(100, 100, 11, 0));
    auto in = [&](int x, int y) { return PtInRegion(static_cast<HRGN>(r.Get()), x, y) != 0; };
    EXPECT_FALSE(in(0, 0));
    EXPECT_FALSE(in(99, 0));
    EXPECT_TRUE(in(50, 0));
    EXPECT_TRUE(in(0, 50));
    EXPECT_TRUE(in(0, 99));
    EXPECT_TRUE(in(99, 99));
    r = CreateSkFormRegion(100, 100, -1, 8);
    EXPECT_TRUE(in(0, 0));
    EXPECT_FALSE(in(0, 99));
    EXPECT_TRUE(in(0, 60));
}

TEST(FrameGeometry, MaximisedCoversTheWorkAreaPlusFourPixelsExceptAtTheBottom) {
    EXPECT_EQ(SkFormMaximizedRect(TRect(0, 0, 800, 570)), TRect(-4, -4, 804, 569));
}

TEST(FrameBorder, WithoutPicturesTheEdgeIsBorderColourThenColourToThreePixels) {
    TBitmap b;
    FillBitmap(b, 100, 80, kBackdrop);
    PaintSkFormBorder(*b.Canvas(), Border(100, 80, 1));
    EXPECT_EQ(PixelAt(b, 0, 40), clRed);
    EXPECT_EQ(PixelAt(b, 1, 40), clLime);
    EXPECT_EQ(PixelAt(b, 2, 40), clLime);
    EXPECT_EQ(PixelAt(b, 3, 40), kBackdrop);
    EXPECT_EQ(PixelAt(b, 50, 79), clRed);
    EXPECT_EQ(PixelAt(b, 50, 77), clLime);
    EXPECT_EQ(PixelAt(b, 99, 40), clRed);
    EXPECT_EQ(PixelAt(b, 1, 10), kBackdrop);   // beside the title bar: its pictures' place
}

TEST(FrameBorder, AHiddenTitleBarLeavesALineAndTwoRowsOfColourAtTheTop) {
    TBitmap b;
    FillBitmap(b, 100, 80, kBackdrop);
    TskFrameBorder border = Border(100, 80, 1);
    border.TitleVisible = false;
    PaintSkFormBorder(*b.Canvas(), border);
    EXPECT_EQ(PixelAt(b, 50, 0), clRed);
    EXPECT_EQ(PixelAt(b, 50, 2), clLime);
    EXPECT_EQ(PixelAt(b, 50, 3), kBackdrop);
}

TEST(FrameBorder, AThreePixelBorderWithTitlePicturesPaintsNoEmptyStrip) {
    TBitmap left, client, right, b;
    FillBitmap(left, 10, 23, clBlue);
    FillBitmap(client, 4, 23, clBlue);
    FillBitmap(right, 10, 23, clBlue);
    FillBitmap(b, 100, 80, kBackdrop);
    TskFrameBorder border = Border(100, 80, 3);
    border.Left = &left;
    border.Client = &client;
    border.Right = &right;
    PaintSkFormBorder(*b.Canvas(), border);
    EXPECT_EQ(PixelAt(b, 2, 40), clRed);
    EXPECT_EQ(PixelAt(b, 50, 1), clBlue);   // the top strip
}

TEST(FrameBorder, ABorderPictureIsStretchedDownTheSidesAndTurnedForTheRight) {
    TBitmap left, right, b;
    FillBitmap(left, 4, 8, clBlue);
    left.Canvas()->SetPixels(0, 0, clYellow);
    right.Assign(&left);
    RotateBitmap180(&right);
    FillBitmap(b, 100, 80, kBackdrop);
    TskFrameBorder border = Border(100, 80, 1);
    border.LeftBorder = &left;
    border.RightBorder = &right;
    PaintSkFormBorder(*b.Canvas(), border);
    EXPECT_EQ(PixelAt(b, 0, 20), clYellow);
    EXPECT_EQ(PixelAt(b, 99, 79), clYellow);
    EXPECT_EQ(PixelAt(b, 4, 40), clLime);
}

// ---------------------------------------------------------------------------------------
// Properties

TEST(FormFrameStyle, ABuiltInStyleSetsBorderColourWidthCornersAndColours) {
    TFramedForm f(WinXP, false);
    EXPECT_EQ(f.Frame->GetBorderColor(), StyleColor(WinXP, SkKey::FormBorderColor));
    EXPECT_EQ(f.Frame->GetFrameBorderWidth(), 3);
    EXPECT_EQ(f.Frame->GetColor(), StyleColor(WinXP, SkKey::FormBackgroundColor));
    EXPECT_EQ(f.Frame->GetMenuBarColor(), f.Frame->GetColor());
    EXPECT_EQ(f.Frame->GetRoundCorner(), 13);
    EXPECT_EQ(f.Frame->GetRoundCornerBottom(), 0);
}

TEST(FormFrameStyle, AThemeWithoutAMenuBarColourTakesOneByItsControlFontColour) {
    TFramedForm f;
    auto* theme = TskFileTheme::Create(f.Form.get());
    theme->SetThemeFile(WriteTestFile("menubar.skn", TThemeFileBuilder().Int("ControlFontColor", 0x20000).Build()));
    f.Frame->SetFileTheme(theme);
    f.Frame->SetUIStyle(FromThemeFile);
    EXPECT_EQ(f.Frame->GetMenuBarColor(), MakeColor(0xAC5B3B));
}

TEST(FormFrameStyle, AHiddenTitleBarHasNoRoundCorner) {
    TFramedForm f(WinXP, false);
    f.Frame->SetTitleBarVisible(false);
    EXPECT_EQ(f.Frame->GetRoundCorner(), 0);
}

TEST(FormFrameProperties, VersionIsAlwaysTheSame) {
    TFramedForm f(DeepBlue, false);
    f.Frame->SetVersion("1.0");
    EXPECT_EQ(f.Frame->GetVersion(), "5.8");
}

TEST(FormFrameProperties, TheFrameCannotBeItsOwnFormPanel) {
    TFramedForm f(DeepBlue, false);
    TBoxRecorder boxes;
    f.Frame->SetFormPanel(f.Frame);
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "Sorry, you can't select the Form assign to FormPanel property");
    EXPECT_EQ(f.Frame->GetFormPanel(), f.Panel);
}

TEST(FormFrameProperties, OneFrameAForm) {
    TFramedForm f(DeepBlue, false);
    try {
        TskForm::Create(f.Form.get());
        FAIL() << "a second frame was made";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Sorry, You can create only one TskForm component in one form!");
    }
}

TEST(FormFrameProperties, BorderlessAndSingleFormsBecomeDialogsSizeableOnesStay) {
    for (TFormBorderStyle style : {bsNone, bsSingle, bsToolWindow, bsSizeable, bsSizeToolWin}) {
        TFormGuard<TForm> form(TForm::Create(nullptr, false));
        form->SetBorderStyle(style);
        TskForm::Create(form.get());
        const bool becomesDialog = style == bsNone || style == bsSingle || style == bsToolWindow;
        EXPECT_EQ(form->GetBorderStyle(), becomesDialog ? bsDialog : style) << EnumToIdent(style);
    }
}

