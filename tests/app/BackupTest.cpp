// The registry backup against a sandbox key of the test prefix: every entry exported by the
// registry editor into a file of its own that imports back unchanged, and every way it can
// fail ending with the count and the names, never with "success".
#include "app/frmProgress.h"
#include "app/RegistryViews.h"
#include "framework/Classes.h"
#include "app/BackupTesting.h"
#include "app/ViewTesting.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace backuptest;
using namespace viewtest;

TEST(BackupNames, ForbiddenCharactersBecomeUnderscoresAndDevicesStayFiles) {
    EXPECT_EQ(BackupFileNameOf(L"Plain Name {1234-ABCD} 2.0"), L"Plain Name {1234-ABCD} 2.0.reg");
    EXPECT_EQ(BackupFileNameOf(L"a<b>c:d*e?f|g/h\\i\"j\tk\x01"), L"a_b_c_d_e_f_g_h_i_j_k_.reg");
    EXPECT_EQ(BackupFileNameOf(L"CON"), L"CON_.reg");
    EXPECT_EQ(BackupFileNameOf(L"lpt1.Setup"), L"lpt1_.Setup.reg");
    EXPECT_EQ(BackupFileNameOf(L"COM10"), L"COM10.reg");
    EXPECT_EQ(BackupFileNameOf(L"CONSOLE"), L"CONSOLE.reg");
}

TEST(BackupNames, CharactersOutsideTheCodePageAreKept) {
    EXPECT_EQ(BackupFileNameOf(L"\u0422\u0435\u0441\u0442 \u6e2c\u8a66"), L"\u0422\u0435\u0441\u0442 \u6e2c\u8a66.reg");
}

// The hostile names live in every view, the many plain ones are spread over the views; each
// comes back in its own view.
TEST_F(BackupSandbox, EveryEntryRoundTripsThroughTheRegistryEditor) {
    const std::vector<TPlantView> views = EveryView();
    const std::vector<std::string> hostile = {
        "Slash/Name", "Colon:Star*Ask?", "Pipe|Angles<>", "a:b", "a_b", "CON", "Caf\xE9 Program", "Trailing dot.",
    };
    struct TPlanted {
        std::string Name;
        const TPlantView& View;
    };
    std::vector<TPlanted> planted;
    for (const TPlantView& v : views)
        for (const std::string& name : hostile) planted.push_back({name, v});
    for (int i = 0; i < 240; ++i)
        planted.push_back({Format("Program %03d {%08X}", i, 0x1000 * i + 7), views[i % views.size()]});
    for (size_t i = 0; i < planted.size(); ++i) PlantEntry(planted[i].Name, i % 20 == 0, planted[i].View.Flag);
    for (const TPlantView& v : views) PlantEntry("Quote\"Name", false, v.Flag);

    std::map<REGSAM, TSnapshot> before;
    size_t keys = 0;
    for (const TPlantView& v : views) {
        before[v.Flag] = Snapshot(HKEY_LOCAL_MACHINE, EntriesPath(), v.Flag);
        before[v.Flag].erase(EntriesPath() + "\\Quote\"Name");
        keys += before[v.Flag].size();
    }
    ASSERT_EQ(keys, views.size() + planted.size() + 2 * ((planted.size() + 19) / 20))
        << "each view's root, the entries, the nested keys";
    TBackupResult result = RunBackup();

    EXPECT_EQ(result.End, beDone);
    EXPECT_EQ(result.Total, static_cast<int>(planted.size() + views.size()));
    EXPECT_EQ(result.Saved, static_cast<int>(planted.size()));
    ASSERT_EQ(result.Failed.size(), views.size()) << BackupSummary(result, Folder(), EntriesPath());
    for (size_t i = 0; i < views.size(); ++i) {
        EXPECT_EQ(result.Failed[i].KeyName, "Quote\"Name" + views[i].Tag);
        EXPECT_EQ(result.Failed[i].Reason, bfQuoteRefused);
    }
    EXPECT_FALSE(result.Succeeded());

    // One file per key, each naming the key it holds in its view (the two keys that share
    // "a_b" included).
    std::vector<std::string> files = FilesIn(Folder());
    EXPECT_EQ(files.size(), planted.size());
    std::map<std::string, std::string> keyOfFile;
    for (const std::string& f : files) {
        std::string text = ReadRegFileText(Folder() + f);
        ASSERT_TRUE(text.starts_with("Windows Registry Editor Version 5.00\r\n")) << f;
        keyOfFile[f] = FirstKeyOf(text);
    }
    for (const TPlanted& p : planted) {
        std::string expected = p.View.Software + EntriesBelowSoftware() + "\\" + p.Name;
        EXPECT_TRUE(std::any_of(keyOfFile.begin(), keyOfFile.end(), [&](auto& kv) { return kv.second == expected; }))
            << expected;
    }
    for (const TPlantView& v : views)
        EXPECT_EQ(keyOfFile["CON_" + v.Tag + ".reg"], v.Software + EntriesBelowSoftware() + "\\CON") << v.Name;

    for (const TPlantView& v : views) ASSERT_EQ(DeleteEntries(v.Flag), ERROR_SUCCESS) << v.Name;
    std::vector<std::wstring> paths;
    for (const std::string& f : files) paths.push_back(ToWide(Folder() + f));
    ASSERT_TRUE(ImportRegFiles(paths));
    for (const TPlantView& v : views)
        EXPECT_EQ(Snapshot(HKEY_LOCAL_MACHINE, EntriesPath(), v.Flag), before[v.Flag]) << v.Name;
}

TEST_F(BackupSandbox, FailedExportIsCountedAndKeepsTheEarlierBackup) {
    const REGSAM view = SixtyFour().Flag;
    for (const char* name : {"Alpha", "Beta", "Gamma"}) PlantEntry(name, false, view);
    ASSERT_TRUE(ForceDirectories(Folder()));
    WriteFile(Folder() + "Alpha.reg", "earlier Alpha");
    WriteFile(Folder() + "Gamma.reg", "earlier Gamma");
    std::vector<int> progress;
    TBackupResult result = RunBackup([&](TUninstallKeyBackup& b) {
        // Gamma goes between the listing and its export, as an uninstaller running meanwhile would.
        b.OnProgress = [&](int done, int total) {
            progress.push_back(done * 100 / total);
            if (done == 1) DeleteEntries(view, "Gamma");
        };
    });
    EXPECT_EQ(progress, (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(result.Saved, 2);
    ASSERT_EQ(result.Failed.size(), 1u);
    EXPECT_EQ(result.Failed[0].KeyName, "Gamma");
    EXPECT_EQ(result.Failed[0].Reason, bfNotWritten);
    EXPECT_TRUE(ReadRegFileText(Folder() + "Alpha.reg").starts_with("Windows Registry Editor")) << "replaced";
    EXPECT_EQ(ReadBytes(Folder() + "Gamma.reg"), "earlier Gamma") << "kept, not passed off as new";
    EXPECT_EQ(FilesIn(Folder()).size(), 3u) << "nothing left aside";

    std::string summary = BackupSummary(result, Folder(), EntriesPath());
    EXPECT_NE(summary.find("2 of 3 uninstall entries were backed up into " + Folder()), std::string::npos) << summary;
    EXPECT_NE(summary.find("Gamma (the registry editor did not write it)"), std::string::npos) << summary;
}

TEST_F(BackupSandbox, MissingOrEmptyKeyEndsAtOnceWithAMessage) {
    TBackupResult missing = RunBackup();
    EXPECT_EQ(missing.End, beNoUninstallKey);
    EXPECT_EQ(BackupSummary(missing, Folder(), EntriesPath()),
              "The registry key HKEY_LOCAL_MACHINE\\" + EntriesPath() +
                  " could not be opened: no entries were backed up (0 files).");

    CreateEntriesKey(SixtyFour().Flag);
    TBackupResult empty = RunBackup();
    EXPECT_EQ(empty.End, beNoEntries);
    EXPECT_FALSE(empty.Succeeded());
    EXPECT_NE(BackupSummary(empty, Folder(), EntriesPath()).find("has no entries"), std::string::npos);
    EXPECT_FALSE(DirectoryExists(Folder())) << "nothing to write, no folder made";
}

TEST_F(BackupSandbox, FolderBlockedByAFileEndsWithTheCount) {
    for (const char* name : {"One", "Two"}) PlantEntry(name, false, SixtyFour().Flag);
    WriteFile(AppDir() + "Back up", "in the way");
    TBackupResult result = RunBackup();
    EXPECT_EQ(result.End, beFolderFailed);
    EXPECT_EQ(result.Total, 2);
    EXPECT_EQ(result.Saved, 0);
    EXPECT_EQ(BackupSummary(result, Folder(), EntriesPath()),
              "The backup folder " + Folder() +
                  " could not be created (a file may be in its way): none of the 2 entries were backed up.");
}

TEST(BackupSummary, SuccessOnlyWhenEveryEntryWasSaved) {
    TBackupResult all;
    all.Total = all.Saved = 3;
    EXPECT_EQ(BackupSummary(all, "C:\\b\\", "K"), "Backup registry info successfully");

    TBackupResult some;
    some.Total = 14;
    some.Saved = 2;
    some.Failed.push_back({"Quote\"Name", bfQuoteRefused});
    some.Failed.push_back({"Gone", bfNotStarted});
    for (int i = 0; i < 10; ++i) some.Failed.push_back({"Key " + IntToStr(i), bfNotWritten});
    TStringList text;
    text.SetText(BackupSummary(some, "C:\\b\\", "K"));
    std::vector<std::string> lines = text.ToVector();
    ASSERT_EQ(lines.size(), 14u) << "the count, a gap, the heading, ten names, the rest counted";
    EXPECT_EQ(lines[0], "2 of 14 uninstall entries were backed up into C:\\b\\.");
    EXPECT_EQ(lines[3], "Quote\"Name (refused: its name contains a double quote)");
    EXPECT_EQ(lines[4], "Gone (the registry editor could not be started)");
    EXPECT_EQ(lines[12], "Key 7 (the registry editor did not write it)");
    EXPECT_EQ(lines[13], "... and 2 more");
}

// ---- Both registry views and names outside the code page ------------------------------------

TEST_F(BackupSandbox, BothViewsAreBackedUpIntoDistinctFiles) {
    if (!Is64BitWindows()) GTEST_SKIP() << "one registry view on 32-bit Windows";
    PlantViewEntry(L"Shared", KEY_WOW64_64KEY, L"sixty-four");
    PlantViewEntry(L"Shared", KEY_WOW64_32KEY, L"thirty-two");
    PlantViewEntry(L"shared (32-bit)", KEY_WOW64_64KEY, L"looks like the other's file");
    TBackupResult result = RunBackup();
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.Total, 3);

    const std::wstring folder = ToWide(Folder());
    const std::wstring keyPath = ToWide(EntriesPath()) + L"\\";
    const std::wstring below = keyPath.substr(9);   // after "SOFTWARE\\"
    const struct {
        std::wstring File, Key, Marker;
    } expected[] = {
        {L"Shared.reg", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\" + below + L"Shared", L"sixty-four"},
        {L"shared (32-bit).reg", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\" + below + L"shared (32-bit)",
         L"looks like the other's file"},
        {L"Shared (32-bit) (2).reg", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\" + below + L"Shared",
         L"thirty-two"},
    };
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder()), {}), 3);
    for (const auto& e : expected) {
        const std::wstring text = ReadRegFileTextW(folder + e.File);
        EXPECT_NE(text.find(L"\r\n[" + e.Key + L"]\r\n"), std::wstring::npos) << FromWide(e.File) << FromWide(text);
        EXPECT_NE(text.find(L"\"Marker\"=\"" + e.Marker + L"\""), std::wstring::npos) << FromWide(e.File);
    }
}

TEST_F(BackupSandbox, KeyNamedOutsideTheCodePageIsSavedUnderItsNameAndImportsBack) {
    const std::wstring name = L"\u0412\u0435\u043b\u043c\u043e\u0440\u0430 \u0422\u0435\u0441\u0442";
    const std::wstring key = ToWide(EntriesPath()) + L"\\" + name;
    const std::vector<TPlantView> views = EveryView();
    auto markerOf = [](const TPlantView& v) { return L"\u043c\u0435\u0442\u043a\u0430 " + ToWide(v.Name); };
    for (const TPlantView& v : views) PlantViewEntry(name, v.Flag, markerOf(v));
    TBackupResult result = RunBackup();
    ASSERT_TRUE(result.Succeeded()) << BackupSummary(result, Folder(), EntriesPath());

    for (const TPlantView& v : views) ASSERT_EQ(DeleteEntries(v.Flag), ERROR_SUCCESS);
    for (const TPlantView& v : views) {
        SCOPED_TRACE(v.Name);
        const std::wstring file = ToWide(Folder()) + name + ToWide(v.Tag) + L".reg";
        EXPECT_NE(ReadRegFileTextW(file).find(L"[" + ToWide(v.Software + EntriesBelowSoftware()) + L"\\" + name + L"]"),
                  std::wstring::npos);
        ASSERT_TRUE(ImportRegFile(file));
    }
    for (const TPlantView& v : views) EXPECT_EQ(MachineText(key, L"Marker", v.Flag), markerOf(v)) << v.Name;
}
