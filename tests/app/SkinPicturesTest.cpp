// The skin pass's picture loaders with the real skinned controls and picture files.
#include "app/funUtils.h"
#include "app/globals.h"
#include "controls/skinned/ArButton.h"
#include "controls/skinned/SkImagePanel.h"
#include "framework/Guards.h"
#include "skinned/PictureTesting.h"
#include <gtest/gtest.h>

namespace {

// A skin folder holding a button's normal picture (135 x 41), the side panel's picture
// (160 x 394) and a file of garbage, all under .png names.
struct TSkinFolder {
    TTempDir Skins;
    TRestore<std::string> Keep{SkinsDir, Skins.Dir};
    TSkinFolder(const std::string& normal, const std::string& panel) {
        Skins.Write("btnUninstall_Normal.png", normal);
        Skins.Write("img_SizePanel.png", panel);
        Skins.Write("broken.png", "not a picture at all");
    }
};

// The normal picture fills the button, the garbage stops the pass and leaves the button's
// picture as it was, and the panel sizes itself to its picture.
void ExpectButtonAndPanelSkinned(TArButton* button) {
    EXPECT_TRUE(LoadSkinPicNormal(button, "btnUninstall_Normal.png"));
    EXPECT_NE(dynamic_cast<TpxPNGImage*>(button->GetPicNormal()->Graphic()), nullptr);
    EXPECT_EQ(button->GetPicNormal()->Width(), 135);
    EXPECT_EQ(button->GetPicNormal()->Height(), 41);
    EXPECT_THROW(LoadSkinPicNormal(button, "broken.png"), EInvalidGraphic);
    EXPECT_EQ(button->GetPicNormal()->Width(), 135);

    TFreeGuard<TskImagePanel> panel(TskImagePanel::Create(nullptr));
    panel->SetAutoSize(true);
    EXPECT_TRUE(LoadSkinPicture(panel->GetPicture(), "img_SizePanel.png"));
    EXPECT_EQ(panel->Width(), 160);
    EXPECT_EQ(panel->Height(), 394);
}

}  // namespace

TEST(SkinPictures, PngFilesFillButtonStatesAndPanels) {
    TSkinFolder folder(pngtest::SolidPng(135, 41, 0xFF3060C0), pngtest::SolidPng(160, 394, 0xFFE0E8F0));
    folder.Skins.Write("btnUninstall_Down.png", pngtest::SolidPng(135, 41, 0xFF103080));

    TFreeGuard<TArButton> button(TArButton::Create(nullptr));
    EXPECT_TRUE(LoadSkinPicMouseDown(button.get(), "btnUninstall_Down.png"));
    EXPECT_FALSE(LoadSkinPicMouseHover(button.get(), "btnUninstall_Hover.png"));   // not there: untouched
    EXPECT_EQ(button->GetPicMouseDown()->Height(), 41);
    EXPECT_FALSE(button->GetPicMouseHover()->HasGraphic());
    ExpectButtonAndPanelSkinned(button.get());
}

TEST(SkinPictures, JpegAndGifSavedUnderPngNamesAreLoaded) {
    const std::string jpeg = EncodedPicture(L"image/jpeg", 135, 41, MakeColor(0x3060C0));
    ASSERT_FALSE(jpeg.empty()) << "GDI+ has a JPEG encoder";
    TSkinFolder folder(jpeg, pngtest::SolidGif(160, 394, 0xE0E8F0));
    TFreeGuard<TArButton> button(TArButton::Create(nullptr));
    ExpectButtonAndPanelSkinned(button.get());
}
