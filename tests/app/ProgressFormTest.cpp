// The backup window under Xvfb: it backs up once, moves its skinned bar, reports with one box
// and closes itself; a close request stops it between keys; a missing key is not retried.
#include "app/BackupTesting.h"
#include "app/EntryTesting.h"
#include "app/ViewTesting.h"
#include "app/frmProgress.h"
#include "app/globals.h"
#include "common/Screenshot.h"
#include "controls/skinned/SkProgressBar.h"
#include "framework/FormTesting.h"
#include "framework/Guards.h"
#include "skinned/PictureTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

using namespace backuptest;
using namespace viewtest;

namespace {

// The boxes shown, and the window as it was when its closing box came up.
struct TAtTheBox {
    std::vector<TBoxRecorder::Box> Boxes;
    int Position = -1;
    bool Visible = false;
};

class ProgressWindow : public BackupSandbox {
protected:
    void SetUp() override {
        BackupSandbox::SetUp();
        std::string skins = std::string("Z:") + VELMORA_SOURCE_DIR + "/resources/dist/Skins/";
        std::replace(skins.begin(), skins.end(), '/', '\\');
        keepDir_.emplace(BackupRegDir, Folder());
        keepSkins_.emplace(SkinsDir, skins);
    }
    void TearDown() override {
        keepSkins_.reset();
        keepDir_.reset();
        BackupSandbox::TearDown();
    }

    // Runs show (which shows a backup window modally) and records what the window's box says;
    // screenshot names a picture of the window taken at that moment.
    static TAtTheBox Watch(const std::function<void()>& show, const std::string& screenshot = {}) {
        TAtTheBox seen;
        TMessageBoxHandler previous =
            SetMessageBoxHandler([&](HWND, const std::string& text, const std::string& caption, UINT flags) {
                seen.Boxes.push_back({text, caption, flags});
                if (auto* form = dynamic_cast<TProgressForm*>(Screen->ActiveForm())) {
                    seen.Position = form->ProgressBar->GetPosition();
                    seen.Visible = IsWindowVisible(form->WindowHandle()) != FALSE;
                    // A real box's own loop lets the last paint reach the screen.
                    PumpIdle();
                    if (!screenshot.empty()) SaveWindowPng(form->WindowHandle(), screenshot);
                }
                return IDOK;
            });
        TScopeExit restore([&] { SetMessageBoxHandler(std::move(previous)); });
        show();
        return seen;
    }

    TAtTheBox RunOnSandbox(TProgressForm& form) {
        form.KeyPath = EntriesPath();
        return Watch([&] { form.ShowModal(); });
    }

    std::optional<TRestore<std::string>> keepDir_, keepSkins_;
};

}  // namespace

// One entry of ours in each view of the machine's own Uninstall key, beside whatever the
// prefix has there.
TEST_F(ProgressWindow, BacksUpTheMachinesUninstallKeyReportsAndClosesItself) {
    const std::vector<TPlantView> views = EveryView();
    std::vector<std::unique_ptr<entrytest::TPlantedKey>> mine;
    for (const TPlantView& v : views) {
        mine.push_back(std::make_unique<entrytest::TPlantedKey>("Velmora Backup Test " + std::string(v.Name), v.Flag));
        ASSERT_TRUE(mine.back()->Planted);
    }
    DWORD entries = 0;
    for (const TPlantView& v : views) {
        TKeyHandle key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyPath, 0, KEY_READ | v.Flag, key.Put()), ERROR_SUCCESS);
        DWORD here = 0;
        RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &here, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
        entries += here;
    }
    TBackupResult result;
    TAtTheBox seen = Watch([&] { result = ShowBackupWindow(nullptr); }, "backup-done.png");

    ASSERT_EQ(seen.Boxes.size(), 1u);
    EXPECT_EQ(seen.Boxes[0].Text, "Backup registry info successfully");
    EXPECT_EQ(seen.Boxes[0].Caption, ProductTitle);
    EXPECT_EQ(seen.Boxes[0].Flags, static_cast<UINT>(MB_OK));
    EXPECT_EQ(seen.Position, 100);
    EXPECT_TRUE(seen.Visible) << "the bar is shown full before the window goes";
    EXPECT_EQ(result.Total, static_cast<int>(entries));
    EXPECT_EQ(result.Saved, result.Total);
    for (size_t i = 0; i < views.size(); ++i)
        EXPECT_EQ(FirstKeyOf(ReadRegFileText(Folder() + mine[i]->Name + views[i].Tag + ".reg")),
                  views[i].Software + "Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + mine[i]->Name);
}

TEST_F(ProgressWindow, MissingKeyIsReportedOnceNotRetried) {
    TFreeGuard<TProgressForm> form(TProgressForm::Create(nullptr));
    EXPECT_TRUE(form->TimerBackup->GetEnabled()) << "switched on when created";
    TAtTheBox seen = RunOnSandbox(*form);
    ASSERT_EQ(seen.Boxes.size(), 1u);
    EXPECT_NE(seen.Boxes[0].Text.find("could not be opened"), std::string::npos) << seen.Boxes[0].Text;
    EXPECT_EQ(seen.Boxes[0].Flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_FALSE(form->TimerBackup->GetEnabled());
    EXPECT_FALSE(IsWindowVisible(form->WindowHandle()));
}

TEST_F(ProgressWindow, CloseRequestStopsBetweenKeysAndSaysSo) {
    for (int i = 0; i < 40; ++i) PlantEntry(Format("Entry %02d", i), false, SixtyFour().Flag);
    TFreeGuard<TProgressForm> form(TProgressForm::Create(nullptr));
    // A user's close while the bar moves.
    TFreeGuard<TTimer> user(TTimer::Create(nullptr));
    user->SetInterval(10);
    user->OnTimer = [&](TObject*) {
        if (form->ProgressBar->GetPosition() == 0) return;
        user->SetEnabled(false);
        form->Close();
    };
    TAtTheBox seen = RunOnSandbox(*form);
    EXPECT_EQ(form->LastResult.End, beStopped);
    EXPECT_GT(form->LastResult.Saved, 0);
    EXPECT_LT(form->LastResult.Saved, 40);
    EXPECT_EQ(static_cast<int>(FilesIn(Folder()).size()), form->LastResult.Saved);
    ASSERT_EQ(seen.Boxes.size(), 1u);
    EXPECT_TRUE(seen.Boxes[0].Text.starts_with("The backup was stopped before the end.")) << seen.Boxes[0].Text;
    EXPECT_FALSE(IsWindowVisible(form->WindowHandle()));
}

TEST_F(ProgressWindow, SkinBackgroundReplacesTheLayoutsPictureWhenPresent) {
    TTempDir skins;
    skins.Write("img_ProgressBar.png", pngtest::SolidPng(40, 30, 0xFF204060));
    const std::string missing = "Z:\\nonexistent\\velmora skins\\";
    for (const std::string& dir : {missing, skins.Dir}) {
        TRestore<std::string> keep(SkinsDir, dir);
        TFreeGuard<TProgressForm> form(TProgressForm::Create(nullptr));
        form->TimerBackup->SetEnabled(false);
        form->Show();
        EXPECT_EQ(form->GetCaption(), "Backup Progress");
        EXPECT_EQ(form->lblInfo->GetCaption(), "This could take several minutes, please wait...");
        EXPECT_EQ(form->ImageBK->Picture()->Width(), dir == skins.Dir ? 40 : 391) << dir;
        if (dir == missing) {
            form->ProgressBar->SetPosition(40);
            PumpIdle();
            EXPECT_TRUE(SaveWindowPng(form->WindowHandle(), "backup-window.png"));
        }
    }
}

TEST_F(ProgressWindow, UndecodableSkinPictureIsReportedAndTheBackupStillRuns) {
    PlantEntry("Entry", false, SixtyFour().Flag);
    TTempDir broken;
    broken.Write("img_ProgressBar.png", "not a picture at all");
    TRestore<std::string> keep(SkinsDir, broken.Dir);
    TFreeGuard<TProgressForm> form(TProgressForm::Create(nullptr));
    TAtTheBox seen = RunOnSandbox(*form);
    ASSERT_EQ(seen.Boxes.size(), 2u);
    EXPECT_EQ(seen.Boxes[0].Text, "PNG image is not valid");
    EXPECT_EQ(seen.Boxes[0].Flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(seen.Boxes[1].Text, "Backup registry info successfully");
    EXPECT_EQ(form->ImageBK->Picture()->Width(), 391) << "the layout's picture stays";
    EXPECT_EQ(FilesIn(Folder()).size(), 1u);
}
