// The skin pass's picture loaders with the real skinned controls and PNG files.
#include "app/funUtils.h"
#include "app/globals.h"
#include "controls/skinned/ArButton.h"
#include "controls/skinned/SkImagePanel.h"
#include "framework/Guards.h"
#include "skinned/PictureTesting.h"
#include <gtest/gtest.h>

TEST(SkinPictures, PngFilesFillButtonStatesAndPanels) {
    TTempDir skins;
    skins.Write("btnUninstall_Normal.png", pngtest::SolidPng(135, 41, 0xFF3060C0));
    skins.Write("btnUninstall_Down.png", pngtest::SolidPng(135, 41, 0xFF103080));
    skins.Write("img_SizePanel.png", pngtest::SolidPng(160, 394, 0xFFE0E8F0));
    skins.Write("broken.png", "not a picture at all");
    TRestore<std::string> keepSkins(SkinsDir, skins.Dir);

    TFreeGuard<TArButton> button(TArButton::Create(nullptr));
    EXPECT_TRUE(LoadSkinPicNormal(button.get(), "btnUninstall_Normal.png"));
    EXPECT_TRUE(LoadSkinPicMouseDown(button.get(), "btnUninstall_Down.png"));
    EXPECT_FALSE(LoadSkinPicMouseHover(button.get(), "btnUninstall_Hover.png"));   // not there: untouched
    EXPECT_NE(dynamic_cast<TpxPNGImage*>(button->GetPicNormal()->Graphic()), nullptr);
    EXPECT_EQ(button->GetPicNormal()->Width(), 135);
    EXPECT_EQ(button->GetPicMouseDown()->Height(), 41);
    EXPECT_FALSE(button->GetPicMouseHover()->HasGraphic());
    // A picture that does not decode stops the skin pass and keeps what the button had.
    EXPECT_THROW(LoadSkinPicNormal(button.get(), "broken.png"), EInvalidGraphic);
    EXPECT_EQ(button->GetPicNormal()->Width(), 135);

    TFreeGuard<TskImagePanel> panel(TskImagePanel::Create(nullptr));
    panel->SetAutoSize(true);
    EXPECT_TRUE(LoadSkinPicture(panel->GetPicture(), "img_SizePanel.png"));
    EXPECT_EQ(panel->Width(), 160);
    EXPECT_EQ(panel->Height(), 394);
}

TEST(SkinPictures, JpegAndGifSavedUnderPngNamesAreLoaded) {
    TTempDir skins;
    const std::string jpeg = EncodedPicture(L"image/jpeg", 135, 41, MakeColor(0x3060C0));
    ASSERT_FALSE(jpeg.empty()) << "GDI+ has a JPEG encoder";
    skins.Write("btnUninstall_Normal.png", jpeg);
    skins.Write("img_SizePanel.png", pngtest::SolidGif(160, 394, 0xE0E8F0));
    skins.Write("broken.png", std::string("GIF89a") + std::string(40, '\x7F'));
    TRestore<std::string> keepSkins(SkinsDir, skins.Dir);

    TFreeGuard<TArButton> button(TArButton::Create(nullptr));
    EXPECT_TRUE(LoadSkinPicNormal(button.get(), "btnUninstall_Normal.png"));
    EXPECT_EQ(button->GetPicNormal()->Width(), 135);
    EXPECT_EQ(button->GetPicNormal()->Height(), 41);
    // A picture that claims a format and isn't one still stops the skin pass.
    EXPECT_THROW(LoadSkinPicNormal(button.get(), "broken.png"), EInvalidGraphic);
    EXPECT_EQ(button->GetPicNormal()->Width(), 135);

    TFreeGuard<TskImagePanel> panel(TskImagePanel::Create(nullptr));
    panel->SetAutoSize(true);
    EXPECT_TRUE(LoadSkinPicture(panel->GetPicture(), "img_SizePanel.png"));
    EXPECT_EQ(panel->Width(), 160);
    EXPECT_EQ(panel->Height(), 394);
}
