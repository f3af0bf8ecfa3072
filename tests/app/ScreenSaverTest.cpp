// Deleting a screen saver: a backup copy in "Back up\scr\" first, and nothing deleted
// without one.
#include "Sandbox.h"
#include "app/WaitingThread.h"
#include "app/funUtils.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "framework/FormTesting.h"
#include "framework/Guards.h"

#include <gtest/gtest.h>

namespace {

// The command's routines take names exactly (wide); these tests name plain files.
TScrDeleteResult Delete(const std::string& folder, const std::string& name, std::string* backup = nullptr) {
    std::wstring made;
    TScrDeleteResult result = DeleteScreenSaver(ToWide(folder), ToWide(name), &made);
    if (backup) *backup = FromWide(made);
    return result;
}
bool AskAndDelete(const std::string& folder, const std::string& name) {
    return AskAndDeleteScreenSaver(ToWide(folder), ToWide(name));
}

class ScreenSaver : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLanguageDefaults();
        scr_ = box_.File("System\\" + name_, "screen saver");
        // The system's own cache, in the real system folder: a screen saver outside the
        // 32-bit system folder is kept there.
        cache_ = RealSystemFolder() + "dllcache\\" + name_;
        ForceDirectories(ExtractFileDir(cache_));
        std::ofstream(cache_, std::ios::binary) << "cached";
    }
    void TearDown() override { DeleteFileA(cache_.c_str()); }

    const std::string name_ = "VelmoraTest" + std::to_string(GetCurrentProcessId()) + ".scr";
    TSandbox box_{"scr"};
    TRestore<std::string> backupDir_{BackupScrDir, box_.Path("Velmora\\Back up\\scr\\")};
    std::string scr_, cache_;
};

} // namespace

TEST_F(ScreenSaver, IsMovedIntoTheBackupFolderThenItsCacheCopyGoes) {
    std::string backup;
    EXPECT_EQ(Delete(box_.Path("System\\"), name_, &backup), TScrDeleteResult::sdDeleted);
    EXPECT_EQ(backup, BackupScrDir + name_);
    EXPECT_EQ(ReadText(backup), "screen saver");
    EXPECT_FALSE(PathExists(scr_));
    EXPECT_FALSE(PathExists(cache_));
}

TEST_F(ScreenSaver, TakenBackupNameGetsANumberAndTheOldBackupStays) {
    ForceDirectories(BackupScrDir);
    std::ofstream(BackupScrDir + name_, std::ios::binary) << "older";
    std::string backup;
    EXPECT_EQ(Delete(box_.Path("System"), name_, &backup), TScrDeleteResult::sdDeleted);
    EXPECT_EQ(ExtractFileName(backup), ChangeFileExt(name_, "") + " (2).scr");
    EXPECT_EQ(ReadText(backup), "screen saver");
    EXPECT_EQ(ReadText(BackupScrDir + name_), "older");
    EXPECT_FALSE(PathExists(scr_));
}

TEST_F(ScreenSaver, NothingIsDeletedWhenTheBackupFails) {
    // A file where the backup folder should be: the folder can't be made.
    BackupScrDir = box_.File("Blocked") + "\\scr\\";
    EXPECT_EQ(Delete(box_.Path("System"), name_), TScrDeleteResult::sdBackupFailed);
    EXPECT_TRUE(PathExists(scr_));
    EXPECT_TRUE(PathExists(cache_));
    // A screen saver that is missing has nothing to back up either.
    BackupScrDir = box_.Path("Backups\\");
    EXPECT_EQ(Delete(box_.Path("Elsewhere"), name_), TScrDeleteResult::sdBackupFailed);
    EXPECT_TRUE(PathExists(cache_));
}

TEST_F(ScreenSaver, NamesThatArePathsAreRefusedUntouched) {
    const std::string outside = box_.File("outside.scr");
    for (const std::string& bad : {std::string(""), std::string("..\\outside.scr"), std::string("sub/x.scr"),
                                   std::string("C:x.scr"), std::string("..")})
        EXPECT_EQ(Delete(box_.Path("System"), bad), TScrDeleteResult::sdBadName) << bad;
    EXPECT_EQ(Delete("", name_), TScrDeleteResult::sdBadName);
    EXPECT_TRUE(PathExists(outside));
    EXPECT_TRUE(PathExists(scr_));
    EXPECT_FALSE(PathExists(BackupScrDir));
}

TEST_F(ScreenSaver, TheQuestionDecidesAndAFailedBackupIsReported) {
    {
        TBoxRecorder no(IDNO);
        EXPECT_FALSE(AskAndDelete(box_.Path("System"), name_));
        ASSERT_EQ(no.Boxes.size(), 1u);
        EXPECT_EQ(no.Boxes[0].Text, IDS_MESSAGEBOX_WARNING_DeleteScr);
        EXPECT_EQ(no.Boxes[0].Flags, UINT(MB_YESNO | MB_ICONWARNING));
        EXPECT_TRUE(PathExists(scr_));
    }
    const std::string realBackup = BackupScrDir;
    BackupScrDir = box_.File("Blocked") + "\\scr\\";
    {
        TBoxRecorder yes(IDYES);
        EXPECT_TRUE(AskAndDelete(box_.Path("System"), name_));
        ASSERT_EQ(yes.Boxes.size(), 2u);
        EXPECT_EQ(yes.Boxes[1].Text, "The screen saver could not be backed up, so it was not deleted.");
        EXPECT_EQ(yes.Boxes[1].Flags, UINT(MB_OK | MB_ICONERROR));
        EXPECT_TRUE(PathExists(scr_));
    }
    BackupScrDir = realBackup;
    {
        TBoxRecorder yes(IDYES);
        EXPECT_TRUE(AskAndDelete(box_.Path("System"), name_));
        EXPECT_EQ(yes.Boxes.size(), 1u);
        EXPECT_FALSE(PathExists(scr_));
        EXPECT_TRUE(PathExists(BackupScrDir + name_));
    }
}

TEST_F(ScreenSaver, NameTheCodePageCannotHoldIsBackedUpAndDeletedExactly) {
    // Beside it a file whose code-page name is the same "????.scr": only the named one goes.
    const std::wstring folder = ToWide(box_.Folder("Wide"));
    const std::wstring name = L"\u0422\u0435\u0441\u0442.scr", neighbour = L"\u0414\u0440\u0443\u0433.scr";
    for (const std::wstring& n : {name, neighbour}) {
        TFileHandle f(CreateFileW((folder + L"\\" + n).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(f);
    }
    std::wstring backup;
    EXPECT_EQ(DeleteScreenSaver(folder + L"\\", name, &backup), TScrDeleteResult::sdDeleted);
    EXPECT_EQ(backup, ToWide(BackupScrDir) + name);
    EXPECT_NE(GetFileAttributesW(backup.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW((folder + L"\\" + name).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW((folder + L"\\" + neighbour).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ScreenSaver, OnlyTheCacheOfTheSystemFolderItLiesInLosesItsCopy) {
    const std::string wow64 = Wow64SystemFolder(), real = RealSystemFolder();
    if (wow64.empty()) GTEST_SKIP() << "one system folder on 32-bit Windows";
    const std::string wowCache = wow64 + "dllcache\\" + name_;
    ForceDirectories(ExtractFileDir(wowCache));
    TScopeExit remove([&] {
        for (const std::string& path : {wow64 + name_, real + name_, wowCache}) DeleteFileA(path.c_str());
    });
    auto plant = [](const std::string& path, const char* text) { std::ofstream(path, std::ios::binary) << text; };

    // A 32-bit screen saver: SysWOW64's cache copy goes, the real folder's namesake stays.
    plant(wow64 + name_, "32-bit");
    plant(wowCache, "cached");
    std::string backup;
    ASSERT_EQ(Delete(wow64, name_, &backup), TScrDeleteResult::sdDeleted);
    EXPECT_EQ(ReadText(backup), "32-bit");
    EXPECT_FALSE(PathExists(wowCache));
    EXPECT_TRUE(PathExists(cache_));

    // One of the real system folder, as the list names it for this process: the other way round.
    plant(real + name_, "64-bit");
    plant(wowCache, "cached");
    ASSERT_EQ(Delete(real, name_, &backup), TScrDeleteResult::sdDeleted);
    EXPECT_EQ(ReadText(backup), "64-bit");
    EXPECT_FALSE(PathExists(cache_));
    EXPECT_TRUE(PathExists(wowCache));

    // By the system folder's own name, in another case and without the backslash: for the
    // 32-bit program that is SysWOW64, for the 64-bit one the real folder.
    std::string named = FolderNamedBy(GetSystemDirectoryA);
    named = UpperCase(named.substr(0, named.size() - 1));
    const std::string& lost = RunsUnderWow64() ? wowCache : cache_;
    const std::string& kept = RunsUnderWow64() ? cache_ : wowCache;
    plant(named + "\\" + name_, "named");
    plant(wowCache, "cached");
    plant(cache_, "cached");
    ASSERT_EQ(Delete(named, name_, &backup), TScrDeleteResult::sdDeleted);
    EXPECT_EQ(ReadText(backup), "named");
    EXPECT_FALSE(PathExists(lost));
    EXPECT_EQ(ReadText(kept), "cached");
}
