// What the leftover scan must never list (and so never delete): system, shared and own
// folders in any spelling, relative paths, and shared registry names.
#include "Sandbox.h"
#include "app/frmScanRemains.h"
#include "app/funUtils.h"
#include "app/globals.h"
#include "framework/Guards.h"

#include <gtest/gtest.h>
#include <shlobj.h>

namespace {

std::string Csidl(int csidl) {
    char buf[MAX_PATH + 1] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf)) ? std::string(buf) : std::string();
}

std::string ShortPath(const std::string& path) {
    char buf[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

// A sub-folder of folder whose name is too long for 8.3, so that its short name differs.
std::string LongNamedSubFolder(const std::string& folder) {
    TSearchRec rec;
    for (int r = FindFirst(folder + "\\*", faDirectory, rec); r == 0; r = FindNext(rec))
        if ((rec.Attr & faDirectory) && rec.Name.size() > 8 && rec.Name.find('.') == std::string::npos)
            return folder + "\\" + rec.Name;
    return {};
}

std::string Verdict(TFolderVerdict v) {
    switch (v) {
    case TFolderVerdict::fvAllowed: return "allowed";
    case TFolderVerdict::fvEmpty: return "empty";
    case TFolderVerdict::fvRelative: return "relative";
    case TFolderVerdict::fvMissing: return "missing";
    case TFolderVerdict::fvTooShallow: return "too shallow";
    case TFolderVerdict::fvWindows: return "Windows";
    case TFolderVerdict::fvProgramFiles: return "Program Files";
    case TFolderVerdict::fvSpecialFolder: return "special folder";
    case TFolderVerdict::fvOwnFolder: return "own folder";
    }
    return "?";
}

#define EXPECT_VERDICT(folder, verdict) EXPECT_EQ(Verdict(CheckInstallFolder(folder)), Verdict(verdict)) << "[" << (folder) << "]"

} // namespace

TEST(FolderGuard, RelativeAndEmptyPathsAreRefused) {
    for (const char* f : {"", "   ", "\"\""}) EXPECT_VERDICT(std::string(f), TFolderVerdict::fvEmpty);
    for (const char* f : {".", "..", "App\\Sub", "\\Windows", "\\Program Files\\App", "C:Windows", "C:App\\Sub",
                          "\\\\?\\C:\\Windows", "\\\\.\\C:\\Temp\\App", "\\\\server"})
        EXPECT_VERDICT(std::string(f), TFolderVerdict::fvRelative);
}

TEST(FolderGuard, DriveRootsAndFoldersRightBelowThemAreRefused) {
    for (const char* f : {"C:\\", "c:/", "C:\\.", "C:\\..\\..", "C:\\\\", "\"C:\\\""})
        EXPECT_VERDICT(std::string(f), TFolderVerdict::fvTooShallow);
    const std::string shallow = "C:\\velmora-shallow-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(ForceDirectories(shallow));
    TScopeExit remove([&] { RemoveDirectoryA(shallow.c_str()); });
    EXPECT_VERDICT(shallow, TFolderVerdict::fvTooShallow);
    EXPECT_VERDICT(shallow + "\\", TFolderVerdict::fvTooShallow);
}

TEST(FolderGuard, WindowsFolderIsRefusedInAnySpelling) {
    const std::string win = GetWindowsFolder();   // "C:\windows" in the prefix
    ASSERT_FALSE(win.empty());
    const std::string tail = win.substr(3);
    std::string slashed = win;
    for (char& c : slashed) c = c == '\\' ? '/' : c;
    for (const std::string& f : {win, win + "\\", AnsiUpperCase(win), AnsiLowerCase(win) + "\\", slashed, slashed + "/",
                                 win + ".", win + ". .", win + "\\.", win + "\\\\", "\"" + win + "\"",
                                 win + "\\system32\\..", win + "\\System32", win + "\\system32\\drivers\\",
                                 "C:\\Program Files\\..\\" + tail, "C:\\" + tail + "\\\\system32\\.\\",
                                 win + "\\NoSuchFolder\\Deeper"})
        EXPECT_VERDICT(f, TFolderVerdict::fvWindows);
    const std::string longSub = LongNamedSubFolder(win);
    ASSERT_FALSE(longSub.empty());
    const std::string shortSub = ShortPath(longSub);
    ASSERT_NE(AnsiUpperCase(shortSub), AnsiUpperCase(longSub)) << "no short name to test with";
    EXPECT_VERDICT(shortSub, TFolderVerdict::fvWindows);
}

TEST(FolderGuard, ProgramFilesAndCommonFilesRootsAreRefusedButTheirProgramsAreNot) {
    const std::string programs = Csidl(CSIDL_PROGRAM_FILES), common = Csidl(CSIDL_PROGRAM_FILES_COMMON);
    ASSERT_FALSE(programs.empty());
    ASSERT_FALSE(common.empty());
    for (const std::string& f : {programs, programs + "\\", AnsiUpperCase(programs) + ".", ShortPath(programs), common,
                                 common + "\\", ShortPath(common), programs + "\\Common Files\\..\\Common Files"})
        EXPECT_VERDICT(f, TFolderVerdict::fvProgramFiles);
    const std::string app = programs + "\\VelmoraGuardTest-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(ForceDirectories(app + "\\bin"));
    TScopeExit remove([&] { DeleteFolderTree(app); });
    std::string normalised;
    EXPECT_EQ(Verdict(CheckInstallFolder(ShortPath(app) + "\\", &normalised)), "allowed");
    EXPECT_TRUE(SameText(normalised, app)) << normalised;
    EXPECT_VERDICT(app + "\\bin", TFolderVerdict::fvAllowed);
}

TEST(FolderGuard, ProfileAndShellFoldersAndTheirAncestorsAreRefused) {
    const std::string profile = Csidl(CSIDL_PROFILE);
    ASSERT_FALSE(profile.empty());
    for (int csidl : {CSIDL_PROFILE, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_DESKTOPDIRECTORY,
                      CSIDL_PERSONAL, CSIDL_STARTUP, CSIDL_COMMON_STARTUP, CSIDL_PROGRAMS, CSIDL_STARTMENU})
        EXPECT_VERDICT(Csidl(csidl), TFolderVerdict::fvSpecialFolder) << " CSIDL " << csidl;
    // Ancestors: the folders between a profile and its Startup folder, and the profiles' folder
    // (which lies right below the drive's root as well).
    EXPECT_VERDICT(ExtractFileDir(Csidl(CSIDL_STARTUP)), TFolderVerdict::fvSpecialFolder);
    EXPECT_VERDICT(ExtractFileDir(Csidl(CSIDL_APPDATA)), TFolderVerdict::fvSpecialFolder);
    EXPECT_VERDICT(ExtractFileDir(profile), TFolderVerdict::fvSpecialFolder);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    EXPECT_VERDICT(std::string(temp), TFolderVerdict::fvSpecialFolder);
    // A program's own folder inside one of them is fine.
    TSandbox box("guard");
    EXPECT_VERDICT(box.Folder("Vendor\\App"), TFolderVerdict::fvAllowed);
    const std::string inAppData = Csidl(CSIDL_APPDATA) + "\\VelmoraGuardTest-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(ForceDirectories(inAppData));
    TScopeExit remove([&] { DeleteFolderTree(inAppData); });
    EXPECT_VERDICT(inAppData, TFolderVerdict::fvAllowed);
}

TEST(FolderGuard, TheProgramsOwnFolderItsContentsAndAncestorsAreRefused) {
    TSandbox box("own");
    TRestore<std::string> appDir(AppDir, box.Folder("Tools\\Velmora") + "\\");
    box.Folder("Tools\\Velmora\\Skins");
    EXPECT_VERDICT(AppDir, TFolderVerdict::fvOwnFolder);
    EXPECT_VERDICT(AnsiUpperCase(AppDir), TFolderVerdict::fvOwnFolder);
    EXPECT_VERDICT(box.Path("Tools"), TFolderVerdict::fvOwnFolder);
    EXPECT_VERDICT(box.Dir, TFolderVerdict::fvOwnFolder);
    EXPECT_VERDICT(box.Path("Tools\\Velmora\\Skins"), TFolderVerdict::fvOwnFolder);
    EXPECT_VERDICT(box.Folder("Tools\\Other"), TFolderVerdict::fvAllowed);
    EXPECT_VERDICT(box.Path("Tools\\Velmora2"), TFolderVerdict::fvMissing) << "compared by whole components";
    box.Folder("Tools\\Velmora2");
    EXPECT_VERDICT(box.Path("Tools\\Velmora2"), TFolderVerdict::fvAllowed);
}

TEST(FolderGuard, SharedAndEmptyRegistryNamesGetNoScan) {
    for (const char* n : {"", "   ", "Microsoft", "MICROSOFT", "windows", "Classes", "Policies", "Wow6432Node",
                          "Clients", "Setup", "Update", "Installer", " Software "})
        EXPECT_FALSE(IsScannableRegistryName(n)) << "[" << n << "]";
    for (const char* n : {"VelmoraTestApp", "{8A3C1F2E-1111-4A4A-9B9B-0123456789AB}", "Microsoft Office Viewer",
                          "WinZapper"})
        EXPECT_TRUE(IsScannableRegistryName(n)) << n;
}

TEST(FolderGuard, RefusedFoldersAreNeverListed) {
    for (const std::string& folder : {GetWindowsFolder(), std::string("C:\\"), Csidl(CSIDL_PROGRAM_FILES), std::string(".")}) {
        TFreeGuard<TTreeView> reg(TTreeView::Create(nullptr)), files(TTreeView::Create(nullptr));
        TLeftoverScan scan(reg->Items(), files->Items());
        scan.Run({"", folder, ""});
        EXPECT_EQ(files->Items()->Count(), 0) << folder;
        EXPECT_EQ(reg->Items()->Count(), 0) << "no registry scan without a name";
    }
}
