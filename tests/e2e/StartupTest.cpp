// Start-up of Velmora.exe seen from outside: the windows it shows and in which order, the
// files it writes into its folder, and how it ends when it cannot start.
#include "e2e/Harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <shellapi.h>

namespace {

using namespace e2e;

const std::string kProductTitle = "Velmora Uninstaller";

// Windows a user would take for the program's own, i.e. everything but message boxes.
std::vector<TWindowInfo> ProgramWindows(const std::vector<TWindowInfo>& windows) {
    std::vector<TWindowInfo> out;
    for (const auto& w : windows)
        if (!w.IsMessageBox()) out.push_back(w);
    return out;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<std::string> Names(std::initializer_list<const char*> names) { return {names.begin(), names.end()}; }

// A DLL of the prefix's system folder that loads under the name Quorbel.dll from another
// folder and has no DllRegisterServer: the program must find the export missing, not fail
// to load the file. Checked here rather than assumed, since Wine's DLLs vary by version.
std::string DllWithoutRegisterServer() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    TSandbox scratch(TSandbox::TQuorbel::None);
    for (const char* name : {"version.dll", "lz32.dll", "psapi.dll", "msimg32.dll", "sfc.dll"}) {
        std::string candidate = std::string(system) + "\\" + name;
        std::string renamed = scratch.Path("Quorbel.dll");
        if (!CopyFileA(candidate.c_str(), renamed.c_str(), FALSE)) continue;
        TModuleHandle dll(LoadLibraryExA(renamed.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        bool fits = dll && !GetProcAddress(dll.Get(), "DllRegisterServer");
        dll.Reset();
        DeleteFileA(renamed.c_str());
        if (fits) return candidate;
    }
    return {};
}

TEST(StartupTest, FirstStartShowsBorderlessSplashThenMainWindowAndEndsWhenClosed) {
    TSandbox sandbox;
    TProgramRun run(sandbox);

    auto splash = run.WaitForWindow([](const TWindowInfo& w) { return !w.IsMessageBox(); });
    ASSERT_TRUE(splash) << run.Describe();
    EXPECT_EQ(splash->ClassName, "TSplashForm") << run.Describe();
    EXPECT_FALSE(splash->HasFrame()) << splash->Describe();
    EXPECT_TRUE(splash->IsCentredOnScreen()) << splash->Describe();
    // Well inside its 1.5 s, but after its first paint.
    WaitUntilPainted(splash->Handle, 1000);
    SaveScreenshot(splash->Handle, "e2e-startup-splash.png");

    // The main window must not show while the splash is up; the splash goes by itself.
    ASSERT_TRUE(run.WaitUntilHidden(splash->Handle)) << run.Describe();
    auto main = run.WaitForWindowClass("TMainForm");
    ASSERT_TRUE(main) << run.Describe();

    const auto& seen = run.Seen();
    ASSERT_GE(seen.size(), 2u) << run.Describe();
    EXPECT_EQ(seen.front().Handle, splash->Handle) << "the splash must be the first window\n" << run.Describe();
    const TWindowInfo& splashSeen = seen.front();
    EXPECT_GE(main->FirstSeenMs, splashSeen.LastSeenMs) << run.Describe();
    // The splash closes from a 1.5 s timer started when it is created; it shows for a
    // little less than that, and not for an instant.
    DWORD shown = splashSeen.LastSeenMs - splashSeen.FirstSeenMs;
    EXPECT_GE(shown, 900u) << run.Describe();
    EXPECT_LE(shown, 5000u) << run.Describe();
    EXPECT_EQ(ProgramWindows(seen).size(), 2u) << "only the splash and the main window\n" << run.Describe();
    for (const auto& w : seen) EXPECT_FALSE(w.IsMessageBox()) << run.Describe();

    // The program carries its icon (the window classes take it: ControlsWindow tests).
    EXPECT_GE(ExtractIconExA(sandbox.ExePath().c_str(), -1, nullptr, nullptr, 0), 1u);

    WaitUntilPainted(main->Handle);
    std::string shot = SaveScreenshot(main->Handle, "e2e-startup-main-window.png");
    EXPECT_FALSE(shot.empty()) << "screenshot of the main window failed";

    ASSERT_TRUE(run.Close(main->Handle));
    EXPECT_TRUE(run.WaitForExit()) << run.Describe();
    EXPECT_EQ(run.ExitCode(), 0u) << run.Describe();
}

TEST(StartupTest, FirstStartWritesDefaultConfigLanguageAndSkinButNoBackupFolder) {
    TSandbox sandbox;
    TProgramRun run(sandbox);
    // Everything below is written before the main window is created.
    ASSERT_TRUE(run.WaitForWindowClass("TMainForm")) << run.Describe();

    EXPECT_EQ(sandbox.List(), Names({"Config.ini", "Langs\\", "Quorbel.dll", "Skins\\", "Velmora.exe"}));
    EXPECT_FALSE(sandbox.FolderExists("Back up"));
    EXPECT_EQ(sandbox.List("Langs"), Names({"English.ini"}));
    EXPECT_EQ(sandbox.List("Skins"), Names({"Default.ini"}));

    auto config = ParseIni(sandbox.ReadFile("Config.ini"));
    ASSERT_EQ(config.size(), 1u) << sandbox.ReadFile("Config.ini");
    EXPECT_EQ(config[0].Name, "config");
    using TEntries = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(config[0].Entries, (TEntries{{"SkinFile", "Default.ini"},
                                           {"LanguageFile", "English.ini"},
                                           {"HideScreenSaver", "1"},
                                           {"HideSysPatch", "0"}}));

    auto language = ParseIni(sandbox.ReadFile("Langs\\English.ini"));
    ASSERT_EQ(language.size(), 1u);
    EXPECT_EQ(language[0].Name, "Language");
    ASSERT_GT(language[0].Entries.size(), 140u);
    EXPECT_EQ(language[0].Entries.front(), (std::pair<std::string, std::string>{"IDS_MAINFORM_MENU_File", "File"}));
    // The table's 141 keys end with this one; messages added later follow it.
    EXPECT_EQ(language[0].Entries[140],
              (std::pair<std::string, std::string>{"IDS_MESSAGEBOX_WARNING_SaveFileFailed", "Save file %s failed!"}));
    for (size_t i = 141; i < language[0].Entries.size(); ++i)
        EXPECT_EQ(language[0].Entries[i].first.rfind("IDS_MESSAGEBOX_", 0), 0u) << language[0].Entries[i].first;
    // Multi-line texts are stored on one line, their breaks written as "#13".
    auto copyright = language[0].Value("IDS_SPLASHFORM_LABEL_Copyright");
    ASSERT_TRUE(copyright);
    EXPECT_NE(copyright->find("#13"), std::string::npos) << *copyright;

    auto skin = ParseIni(sandbox.ReadFile("Skins\\Default.ini"));
    ASSERT_EQ(skin.size(), 2u);
    EXPECT_EQ(skin[0].Name, "MainForm");
    EXPECT_EQ(skin[1].Name, "RegistryForm");
    ASSERT_FALSE(skin[0].Entries.empty());
    EXPECT_EQ(skin[0].Entries.front(), (std::pair<std::string, std::string>{"SK_MAINFORM_Pos", "0, 0, 763, 538"}));
    EXPECT_EQ(skin[1].Value("SK_SPLASHFORM_IMAGE_CHARGE"), "img_Splash.png");
}

TEST(StartupTest, ExistingConfigIsNeverRewrittenAndNamesTheLanguageFile) {
    TSandbox sandbox;
    // Spacing, a comment, no SkinFile and no final line break: any write through the
    // profile API would change at least one of them.
    const std::string original = "; written by hand\r\n[config]\r\nLanguageFile = Deutsch.ini\r\nHideSysPatch=0";
    sandbox.WriteFile("Config.ini", original);
    TProgramRun run(sandbox);
    auto main = run.WaitForWindowClass("TMainForm");
    ASSERT_TRUE(main) << run.Describe();

    EXPECT_EQ(sandbox.ReadFile("Config.ini"), original);
    // The language file the configuration names is the one written; the skin falls back
    // to the default name.
    EXPECT_EQ(sandbox.List("Langs"), Names({"Deutsch.ini"}));
    EXPECT_EQ(sandbox.List("Skins"), Names({"Default.ini"}));

    ASSERT_TRUE(run.Close(main->Handle));
    EXPECT_TRUE(run.WaitForExit()) << run.Describe();
}

TEST(StartupTest, UnwritableConfigShowsSaveFailedAndEndsWithoutAnyWindow) {
    TSandbox sandbox;
    sandbox.BlockFile("Config.ini");
    TProgramRun run(sandbox);

    auto box = run.WaitForMessageBox();
    ASSERT_TRUE(box) << run.Describe();
    EXPECT_EQ(box->Text, "Save file " + sandbox.Path("Config.ini") + " failed!") << box->Describe();
    // No title has been set yet, so the box carries the framework's default: the exe's name.
    EXPECT_TRUE(box->Caption == "Velmora" || box->Caption == "Velmora.exe") << box->Describe();
    ASSERT_TRUE(box->HasButton(IDOK)) << box->Describe();
    EXPECT_EQ(box->Buttons.size(), 1u) << box->Describe();

    ASSERT_TRUE(run.Answer(*box, IDOK));
    EXPECT_TRUE(run.WaitForExit()) << run.Describe();
    EXPECT_TRUE(ProgramWindows(run.Seen()).empty()) << run.Describe();
    // It ends before deriving anything from the configuration.
    EXPECT_FALSE(sandbox.FolderExists("Langs"));
    EXPECT_FALSE(sandbox.FolderExists("Skins"));
}

TEST(StartupTest, UncreatableLangsFolderShowsItsPathAndEnds) {
    TSandbox sandbox;
    sandbox.WriteFile("Langs", "a file where the folder belongs");
    TProgramRun run(sandbox);

    auto box = run.WaitForMessageBox();
    ASSERT_TRUE(box) << run.Describe();
    EXPECT_NE(box->Text.find(sandbox.Path("Langs")), std::string::npos) << box->Describe();
    ASSERT_TRUE(box->HasButton(IDOK)) << box->Describe();
    ASSERT_TRUE(run.Answer(*box, IDOK));
    EXPECT_TRUE(run.WaitForExit()) << run.Describe();
    EXPECT_TRUE(ProgramWindows(run.Seen()).empty()) << run.Describe();
}

TEST(StartupTest, MissingQuorbelShowsTheLoadErrorWithItsPathBeforeAnyWindowAndEnds) {
    TSandbox sandbox(TSandbox::TQuorbel::None);
    TProgramRun run(sandbox);

    auto box = run.WaitForMessageBox();
    ASSERT_TRUE(box) << run.Describe();
    const std::string tail = ": " + sandbox.Path("Quorbel.dll");
    EXPECT_TRUE(EndsWith(box->Text, tail)) << box->Describe();
    EXPECT_EQ(box->Text, SystemErrorText(ERROR_MOD_NOT_FOUND) + tail) << box->Describe();
    EXPECT_EQ(box->Caption, kProductTitle) << box->Describe();
    ASSERT_TRUE(box->HasButton(IDOK)) << box->Describe();

    ASSERT_TRUE(run.Answer(*box, IDOK));
    EXPECT_TRUE(run.WaitForExit()) << run.Describe();
    EXPECT_TRUE(ProgramWindows(run.Seen()).empty()) << run.Describe();
}

TEST(StartupTest, QuorbelWithoutRegisterEntryShowsAnErrorBeforeAnyWindowAndEnds) {
    std::string standIn = DllWithoutRegisterServer();
    ASSERT_FALSE(standIn.empty()) << "no system DLL without DllRegisterServer loads under another name";
    TSandbox sandbox(standIn);
    TProgramRun run(sandbox);

    auto box = run.WaitForMessageBox();
    ASSERT_TRUE(box) << run.Describe() << "\nstand-in: " << standIn;
    EXPECT_FALSE(box->Text.empty()) << box->Describe();
    EXPECT_EQ(box->Caption, kProductTitle) << box->Describe();
    ASSERT_TRUE(box->HasButton(IDOK)) << box->Describe();
    printf("[   info   ] stand-in %s: %s\n", standIn.c_str(), box->Describe().c_str());

    ASSERT_TRUE(run.Answer(*box, IDOK));
    EXPECT_TRUE(run.WaitForExit()) << run.Describe();
    EXPECT_TRUE(ProgramWindows(run.Seen()).empty()) << run.Describe();
}

}  // namespace
