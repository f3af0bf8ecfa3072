#include "app/funUtils.h"
#include "app/globals.h"
#include "common/TempDir.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/IniFiles.h"
#include <gtest/gtest.h>

#include <fstream>

namespace {

// Records message boxes instead of showing them.
struct TBoxRecorder {
    std::vector<std::string> Texts;
    TMessageBoxHandler Previous;
    TBoxRecorder() {
        Previous = SetMessageBoxHandler([this](HWND, const std::string& text, const std::string&, UINT) {
            Texts.push_back(text);
            return IDOK;
        });
    }
    ~TBoxRecorder() { SetMessageBoxHandler(Previous); }
};

void ResetFlags() {
    HideScreenSaverFlag = true;
    HideSysPatchFlag = false;
}

} // namespace

TEST(StartupConfig, PartialConfigKeepsTheOtherDefaultsAndFlagsAreRead) {
    ResetFlags();
    TTempDir app;
    app.Write("Config.ini", "[config]\r\nLanguageFile=Deutsch.ini\r\n");
    ASSERT_TRUE(LoadStartupConfigIn(app.Dir));
    EXPECT_EQ(LanguagePath, app.Dir + "Langs\\Deutsch.ini");
    EXPECT_EQ(SkinPath, app.Dir + "Skins\\Default.ini");
    EXPECT_EQ(HelpPath, app.Dir + "Langs\\Help.Chm");
    EXPECT_EQ(BackupRegDir, app.Dir + "Back up\\reg\\");
    EXPECT_EQ(BackupStartupDir, app.Dir + "Back up\\startup\\");
    EXPECT_TRUE(HideScreenSaverFlag);
    EXPECT_FALSE(HideSysPatchFlag);
    EXPECT_TRUE(DirectoryExists(app.Dir + "Langs"));
    EXPECT_TRUE(DirectoryExists(app.Dir + "Skins"));
    EXPECT_FALSE(DirectoryExists(app.Dir + "Back up"));
    EXPECT_EQ(Application->GetTitle(), ProductTitle);

    TTempDir other;
    other.Write("Config.ini", "[config]\r\nHideScreenSaver=0\r\nHideSysPatch=1\r\n");
    ASSERT_TRUE(LoadStartupConfigIn(other.Dir));
    EXPECT_FALSE(HideScreenSaverFlag);
    EXPECT_TRUE(HideSysPatchFlag);
    ResetFlags();
}

TEST(StartupConfig, FailuresAreReportedWithThePathAndEndTheStart) {
    TBoxRecorder boxes;
    TTempDir blocked;
    CreateDirectoryA((blocked.Dir + "Config.ini").c_str(), nullptr);   // nothing can be written there
    EXPECT_FALSE(LoadStartupConfigIn(blocked.Dir));
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_EQ(boxes.Texts[0], "Save file " + blocked.Dir + "Config.ini failed!");

    TTempDir noSkins;
    noSkins.Write("Config.ini", "[config]\r\n");
    noSkins.Write("Skins", "a file where the folder should be");
    EXPECT_FALSE(LoadStartupConfigIn(noSkins.Dir));
    ASSERT_EQ(boxes.Texts.size(), 2u);
    EXPECT_NE(boxes.Texts[1].find(noSkins.Dir + "Skins\\"), std::string::npos);
}

namespace {
// A control that refuses widths under 50, as framed panels apply rules of their own.
class TMinWidthControl : public TGraphicControl {
    DECLARE_CLASS(TMinWidthControl, TGraphicControl)
    explicit TMinWidthControl(TComponent* owner) : TGraphicControl(owner) {}
    void SetBounds(int l, int t, int w, int h) override { TGraphicControl::SetBounds(l, t, w < 50 ? 50 : w, h); }
};
IMPLEMENT_CLASS(TMinWidthControl);
} // namespace

TEST(SkinHelpers, RectanglesGoThroughTheControlsWritersAndPicturesLoadOnlyWhenPresent) {
    TFreeGuard<TMinWidthControl> c(TMinWidthControl::Create(nullptr));
    c->SetBounds(1, 2, 60, 40);
    EXPECT_TRUE(ApplyRectText(c.get(), "10, 20, 30, 44, 99"));
    EXPECT_EQ((std::vector<int>{c->Left(), c->Top(), c->Width(), c->Height()}), (std::vector<int>{10, 20, 50, 44}));
    EXPECT_FALSE(ApplyRectText(c.get(), "5, 6, 7 8"));
    EXPECT_FALSE(ApplyRectText(c.get(), ""));
    EXPECT_EQ(c->Left(), 10);
    EXPECT_THROW(ApplyRectText(c.get(), "a, 1, 2, 3"), EConvertError);

    TTempDir skins;
    SkinsDir = skins.Dir;
    TBitmap bmp;
    bmp.SetSize(3, 2);
    bmp.SaveToFile(skins.Dir + "state.bmp");
    TPicture picture;
    EXPECT_FALSE(LoadSkinPicture(&picture, "missing.bmp"));
    EXPECT_FALSE(picture.HasGraphic());
    EXPECT_TRUE(LoadSkinPicture(&picture, "state.bmp"));
    EXPECT_EQ(picture.Width(), 3);

    // Each variant fills its own state picture of a picture button and no other.
    struct TStateButton {
        TPicture Normal, Hover, Down, Disabled;
        TPicture* GetPicNormal() { return &Normal; }
        TPicture* GetPicMouseHover() { return &Hover; }
        TPicture* GetPicMouseDown() { return &Down; }
        TPicture* GetPicDisabled() { return &Disabled; }
    } button;
    EXPECT_TRUE(LoadSkinPicMouseHover(&button, "state.bmp"));
    EXPECT_TRUE(LoadSkinPicDisabled(&button, "state.bmp"));
    EXPECT_FALSE(LoadSkinPicNormal(&button, "missing.bmp"));
    EXPECT_FALSE(LoadSkinPicMouseDown(&button, "missing.bmp"));
    EXPECT_EQ((std::vector<bool>{button.Normal.HasGraphic(), button.Hover.HasGraphic(), button.Down.HasGraphic(),
                                 button.Disabled.HasGraphic()}),
              (std::vector<bool>{false, true, false, true}));
    SkinsDir.clear();
}
