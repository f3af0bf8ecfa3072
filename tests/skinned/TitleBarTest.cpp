// The title bar: button placement and caption shortening as computations, the style writer,
// the one-only rules and the window menu.
#include "SkinnedTesting.h"

#include "../framework/FormTesting.h"
#include "../framework/PopupChoice.h"
#include "controls/skinned/SkPublic.h"
#include "controls/skinned/SkTitleBar.h"

#include <gtest/gtest.h>

namespace {

// Seven pixels a character.
int Fixed(const std::string& s) { return 7 * static_cast<int>(s.size()); }

TskTitleBarButton* ButtonOfType(TskTitleBar& bar, TskTitleBarBtnType type) {
    for (int i = 0; i < bar.GetButtons()->Count(); ++i)
        if (bar.GetButtons()->Items(i)->GetButtonType() == type) return bar.GetButtons()->Items(i);
    return nullptr;
}

bool SamePixels(TGraphic* a, const TBitmap& b) {
    TBitmap copy;
    copy.Assign(a);
    if (copy.Width() != b.Width() || copy.Height() != b.Height()) return false;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (PixelAt(copy, x, y) != PixelAt(b, x, y)) return false;
    return true;
}

}  // namespace

TEST(TitleBarGeometry, ButtonsGoRightToLeftOneIntervalPlusAPixelApart) {
    const std::vector<TSize> sizes{{19, 19}, {19, 19}, {19, 19}};
    auto r = TitleBarButtonRects(200, 0, 0, 0, 2, sizes);
    EXPECT_EQ(r[0], TRect(180, 2, 199, 21));
    EXPECT_EQ(r[1].Left, 160);
    EXPECT_EQ(r[2].Left, 140);
    r = TitleBarButtonRects(200, -8, 6, 2, 6, sizes);   // an offset, a border picture, an interval
    EXPECT_EQ(r[0], TRect(176, 6, 195, 25));
    EXPECT_EQ(r[1].Left, r[0].Left - 22);
}

TEST(TitleBarGeometry, AButtonPushedPastTheRightEdgeIsKeptInside) {
    const auto r = TitleBarButtonRects(200, 5, 0, 0, 0, {{19, 19}, {19, 19}});
    EXPECT_EQ(r[0].Left, 200 - 19 - 1);
    EXPECT_EQ(r[1].Left, r[0].Left - 20);
}

TEST(TitleBarCaption, AWideCaptionEndsWithDotsWithinTheRoom) {
    EXPECT_EQ(ShortenCaption("Hello world", 77, Fixed), "Hello world");
    EXPECT_EQ(ShortenCaption("Hello world", 50, Fixed), "Hell...");
}

TEST(TitleBarCaption, NoRoomAtAllStillEnds) {
    EXPECT_EQ(ShortenCaption("Hello world", 10, Fixed), "...");
    EXPECT_EQ(ShortenCaption("Hello world", -40, Fixed), "...");
}

TEST(TitleBarStyle, TheCaptionIsBlackUnderMacOSAndWhiteUnderTheOthers) {
    TFreeGuard<TskTitleBar> bar(TskTitleBar::Create(nullptr));
    for (TskUIStyle style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass}) {
        bar->SetUIStyle(style);
        EXPECT_EQ(bar->Font()->GetColor(), style == MacOS ? clBlack : clWhite) << EnumToIdent(style);
    }
}

TEST(TitleBarStyle, AThemesCaptionColourFallsBackOnItsControlFontColour) {
    TFreeGuard<TskFileTheme> theme(TskFileTheme::Create(nullptr));
    TFreeGuard<TskTitleBar> bar(TskTitleBar::Create(nullptr));
    bar->SetFileTheme(theme.get());
    theme->SetThemeFile(WriteTestFile("caption-dark.skn", TThemeFileBuilder().Int("ControlFontColor", 0x30000).Build()));
    bar->SetUIStyle(FromThemeFile);
    EXPECT_EQ(bar->Font()->GetColor(), clBlack);
    theme->SetThemeFile(WriteTestFile("caption-own.skn", TThemeFileBuilder()
                                                             .Int("ControlFontColor", 0x30000)
                                                             .Int("TitleBarFontColor", 0x0000FF)
                                                             .Build()));
    bar->SetUIStyle(FromThemeFile);
    EXPECT_EQ(bar->Font()->GetColor(), MakeColor(0x0000FF));
}

TEST(TitleBarStyle, ButtonsShowTheirFramesOfTheStrip) {
    TFreeGuard<TskTitleBar> bar(TskTitleBar::Create(nullptr));
    bar->SetUIStyle(WinXP);
    TBitmap frame;
    LoadStyleBitmapFrame(WinXP, SkKey::TitleBarButtonImage, &frame, 18, 16);
    EXPECT_EQ(frame.Width(), 21);
    EXPECT_TRUE(SamePixels(ButtonOfType(*bar, skClose)->GetPicNormal()->Graphic(), frame));
    LoadStyleBitmapFrame(WinXP, SkKey::TitleBarButtonImage, &frame, 18, 15);
    EXPECT_TRUE(SamePixels(ButtonOfType(*bar, skMin)->GetPicMouseDown()->Graphic(), frame));
}

TEST(TitleBarStyle, CustomKeepsUserSectionsAndPictures) {
    TFreeGuard<TskTitleBar> bar(TskTitleBar::Create(nullptr));
    bar->SetCustom(true);
    bar->GetSections()->Clear();
    bar->GetSections()->Add()->SetWidth(33);
    TskTitleBarButton* close = ButtonOfType(*bar, skClose);
    TBitmap own;
    FillBitmap(own, 5, 5, clLime);
    close->GetPicNormal()->Assign(&own);
    bar->SetUIStyle(MacOS);
    ASSERT_EQ(bar->GetSections()->Count(), 1);
    EXPECT_EQ(bar->GetSections()->Items(0)->GetWidth(), 33);
    EXPECT_EQ(close->GetPicNormal()->Width(), 5);
}

TEST(TitleBarRules, ASecondControlBoxIsRefusedWithAMessage) {
    TFreeGuard<TskTitleBar> bar(TskTitleBar::Create(nullptr));
    TBoxRecorder boxes;
    TskTitleBarButton* min = ButtonOfType(*bar, skMin);
    min->SetButtonType(skControlBox);
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "Sorry, only one button's ButtonType property can be \"skControlBox\"");
    EXPECT_EQ(min->GetButtonType(), skMin);
    EXPECT_EQ(bar->GetButtons()->Items(0)->GetButtonType(), skControlBox);
}

TEST(TitleBarRules, ASecondClientSectionIsRefusedAndTheClientSectionStretches) {
    TFreeGuard<TskTitleBar> bar(TskTitleBar::Create(nullptr));
    TBoxRecorder boxes;
    ASSERT_EQ(bar->GetSections()->Items(2)->GetAlign(), skClient);
    EXPECT_TRUE(bar->GetSections()->Items(2)->GetStretch());
    bar->GetSections()->Items(0)->SetAlign(skClient);
    EXPECT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(bar->GetSections()->Items(0)->GetAlign(), skLeft);
}

TEST(TitleBarMenu, ItemsAreEnabledOnlyForTheButtonsTheBarShows) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    auto* bar = TskTitleBar::Create(form.get());
    bar->SetParent(form.get());
    ButtonOfType(*bar, skMin)->SetVisible(false);
    TPopupChoice choice({VK_ESCAPE});
    bar->PopupMenu()->Popup(10, 10);
    EXPECT_EQ(choice.Opened, 1);
    EXPECT_FALSE(bar->PopupMenu()->MinimizeItem()->GetEnabled());
    EXPECT_TRUE(bar->PopupMenu()->MaximizeItem()->GetEnabled());
    EXPECT_TRUE(bar->PopupMenu()->CloseItem()->GetEnabled());
}
