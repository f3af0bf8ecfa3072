// The uninstall commands of the main window: a program row starts its uninstaller and the
// report aims the leftover scan at that program; a screen-saver row deletes the screen saver.
#include "MainFormTesting.h"
#include "Sandbox.h"
#include "app/frmScanRemains.h"

using namespace mainform;

namespace {

class MainFormUninstall : public MainFormTest {
protected:
    // Double-clicks a row's caption, as a user starts an uninstall from the list.
    void DoubleClick(TListItem* row) {
        TRect cell = row->DisplayRect(drLabel);
        HWND list = Form().lsvProgramList->WindowHandle();
        LPARAM at = MAKELPARAM(cell.Left + 5, (cell.Top + cell.Bottom) / 2);
        PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(list, WM_LBUTTONUP, 0, at);
        PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageA(list, WM_LBUTTONUP, 0, at);
        PumpIdle();
    }
};

} // namespace

TEST_F(MainFormUninstall, ReportAimsTheScanAtTheUninstalledProgramWhateverIsSelectedThen) {
    // Outside the window's own folder, which is never scanned.
    TSandbox box("uninstall");
    const std::string folder = box.Folder("Delta");
    const std::string stub = folder + "\\unins000.exe";
    ASSERT_TRUE(CopyFileA((TestBinDir() + "\\UninstallStub.exe").c_str(), stub.c_str(), FALSE));
    const std::string release = dir_ + "release";
    entries_.Add(L"Delta", [&](HKEY k) {
        hostile::SetText(k, L"DisplayName", L"Velmora Test Delta");
        hostile::SetText(k, L"InstallLocation", ToWide(folder));
        hostile::SetText(k, L"UninstallString", ToWide("\"" + stub + "\" wait \"" + release + "\""));
    });
    TMainForm& form = Form(true);
    ASSERT_TRUE(Row("Velmora Test Delta"));
    DoubleClick(Row("Velmora Test Delta"));
    ASSERT_TRUE(PumpUntil([&] { return ReadText(stub + ".log").find("wait") != std::string::npos; }, 10000))
        << "the uninstall command did not start";

    // Another row is selected and the entry gone by the time the uninstaller ends.
    Row("Velmora Test Alpha")->SetSelected(true);
    ASSERT_EQ(form.lblRegistryName->GetCaption(), "VelmoraMainForm_Alpha");
    {
        TKeyHandle uninstall;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, hostile::kUninstallKey, 0, KEY_ALL_ACCESS | kEntriesView,
                                uninstall.Put()),
                  ERROR_SUCCESS);
        RegDeleteTreeW(uninstall.Get(), (entries_.Prefix() + L"Delta").c_str());
    }
    std::optional<TUninstallTarget> scanned;
    std::string firstFile;
    HWND driver = AllocateHWnd([&](TMessage& m) {
        auto* scan = m.Msg == WM_TIMER ? dynamic_cast<TScanForm*>(Screen->ActiveForm()) : nullptr;
        if (!scan || !scan->ScanDone() || !scan->IsModal()) return;
        scanned = scan->Target();
        if (scan->tvScanFiles->Items()->Count() > 0) firstFile = scan->tvScanFiles->Items()->Item(0)->Text();
        scan->btnCancel->Click();
    });
    SetTimer(driver, 1, 50, nullptr);
    TScopeExit stopDriver([&] { DeallocateHWnd(driver); });
    TBoxRecorder boxes(IDYES);
    WriteText(release, "");

    ASSERT_TRUE(PumpUntil([&] { return scanned && !Row("Velmora Test Delta"); }, 30000)) << "no scan, or no refill";
    ASSERT_FALSE(boxes.Boxes.empty());
    EXPECT_EQ(boxes.Boxes[0].Text, IDS_MESSAGEBOX_WARNING_ScanRemains);
    EXPECT_EQ(scanned->RegistryName, L"VelmoraMainForm_Delta");
    EXPECT_EQ(scanned->InstallFolder, ToWide(folder));
    EXPECT_EQ(scanned->DisplayName, "Velmora Test Delta");
    EXPECT_EQ(firstFile, folder);
}

TEST_F(MainFormUninstall, ClearItStartsAProgramRowsUninstallerButNeverAScreenSaversIndex) {
    TSandbox box("uninstall");
    const std::string stub = box.Folder("Echo") + "\\unins000.exe";
    ASSERT_TRUE(CopyFileA((TestBinDir() + "\\UninstallStub.exe").c_str(), stub.c_str(), FALSE));
    entries_.Add(L"Echo", [&](HKEY k) {
        hostile::SetText(k, L"DisplayName", L"Velmora Test Echo");
        hostile::SetText(k, L"UninstallString", ToWide("\"" + stub + "\" exit"));
    });
    TMainForm& form = Form(true);
    TBoxRecorder boxes(IDNO);
    // A screen-saver row: its index would name some program's entry.
    Row("[Screen Saver]Velmora Starfield")->SetSelected(true);
    form.ActionClearIt->Execute();
    Row("Velmora Test Echo")->SetSelected(true);
    form.ActionClearIt->Execute();
    ASSERT_TRUE(PumpUntil([&] { return !boxes.Boxes.empty(); }, 10000)) << "the uninstaller was not started";
    EXPECT_EQ(boxes.Boxes.size(), 1u) << "one uninstall, and no screen saver deleted";
    EXPECT_EQ(boxes.Boxes[0].Text, IDS_MESSAGEBOX_WARNING_ScanRemains);
    EXPECT_NE(ReadText(stub + ".log").find(" exit"), std::string::npos);
    EXPECT_TRUE(Row("[Screen Saver]Velmora Starfield"));
}

TEST_F(MainFormUninstall, ScreenSaverRowIsDeletedWithABackupInsteadOfUninstalled) {
    TRestore<std::string> backups(BackupScrDir, dir_ + "Back up\\scr\\");
    const std::string original = FromWide(hostile::TPlantedFiles::Folder()) + "VelmoraMainA.scr";
    TMainForm& form = Form(true);
    Row("[Screen Saver]Velmora Starfield")->SetSelected(true);
    TBoxRecorder boxes(IDYES);
    form.ActionUninstall->Execute();

    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, IDS_MESSAGEBOX_WARNING_DeleteScr);
    EXPECT_TRUE(PathExists(BackupScrDir + "VelmoraMainA.scr"));
    EXPECT_FALSE(PathExists(original));
    EXPECT_FALSE(Row("[Screen Saver]Velmora Starfield")) << "the list is refilled";
    EXPECT_TRUE(Row("[Screen Saver]VelmoraMainB.scr"));
}

TEST_F(MainFormUninstall, ScreenSaverRowOfTheRealSystemFolderDeletesThatFileNotItsThirtyTwoBitNamesake) {
    const std::string real = RealSystemFolder(), wow64 = Wow64SystemFolder(), name = "VelmoraMainTwin.scr";
    if (wow64.empty()) GTEST_SKIP() << "one system folder on 32-bit Windows";
    TScopeExit remove([&] {
        for (const std::string& folder : {real, wow64}) DeleteFileA((folder + name).c_str());
    });
    WriteText(real + name, "the real system folder's");
    WriteText(wow64 + name, "the 32-bit one's");
    TRestore<std::string> backups(BackupScrDir, dir_ + "Back up\\scr\\");
    TMainForm& form = Form(true);
    TListItem* row = RowIn("[Screen Saver]" + name, real);
    ASSERT_TRUE(row) << "listed in the folder this program reaches the file through";
    ASSERT_TRUE(RowIn("[Screen Saver]" + name, wow64));
    row->SetSelected(true);
    TBoxRecorder boxes(IDYES);
    form.ActionUninstall->Execute();

    EXPECT_EQ(ReadText(BackupScrDir + name), "the real system folder's");
    EXPECT_FALSE(PathExists(real + name));
    EXPECT_EQ(ReadText(wow64 + name), "the 32-bit one's");
}

TEST_F(MainFormUninstall, UninstallerInACjkFolderIsStartedAndWaitedForThroughTheWindow) {
    TSandbox box("uninstall");
    const std::wstring folder = ToWide(box.Dir) + L"\\\u6E2C\u8A66 \u30A2\u30D7\u30EA";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring stub = folder + L"\\unins000.exe";
    ASSERT_TRUE(CopyFileW(ToWide(TestBinDir() + "\\UninstallStub.exe").c_str(), stub.c_str(), FALSE));
    entries_.Add(L"Cjk", [&](HKEY k) {
        hostile::SetText(k, L"DisplayName", L"Velmora Test Cjk");
        hostile::SetText(k, L"InstallLocation", folder);
        hostile::SetText(k, L"UninstallString", L"\"" + stub + L"\" exit");
    });
    TMainForm& form = Form(true);
    ASSERT_TRUE(Row("Velmora Test Cjk"));
    Row("Velmora Test Cjk")->SetSelected(true);
    TBoxRecorder boxes(IDNO);
    form.ActionUninstall->Execute();
    ASSERT_TRUE(PumpUntil([&] { return !boxes.Boxes.empty(); }, 10000)) << "no question after the uninstaller ended";
    EXPECT_EQ(boxes.Boxes[0].Text, IDS_MESSAGEBOX_WARNING_ScanRemains) << "the uninstaller was not started";
    EXPECT_NE(GetFileAttributesW((stub + L".log").c_str()), INVALID_FILE_ATTRIBUTES);
}
