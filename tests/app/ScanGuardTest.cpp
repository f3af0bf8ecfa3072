// What the leftover scan must never list (and so never delete): system, shared and own
// folders in any spelling, relative paths, and shared registry names.
#include "Sandbox.h"
#include "app/frmScanRemains.h"
#include "app/funUtils.h"
#include "app/globals.h"
#include "framework/Guards.h"

#include <gtest/gtest.h>
#include <knownfolders.h>
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
    case TFolderVerdict::fvNetwork: return "network";
    case TFolderVerdict::fvLink: return "link";
    case TFolderVerdict::fvShared: return "shared";
    }
    return "?";
}

std::wstring AsWide(const std::string& s) { return ToWide(s); }
std::wstring AsWide(const std::wstring& s) { return s; }

#define EXPECT_VERDICT(folder, verdict) \
    EXPECT_EQ(Verdict(CheckInstallFolder(AsWide(folder))), Verdict(verdict)) << "[" << FromWide(AsWide(folder)) << "]"

std::wstring Known(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path) result = path;
    CoTaskMemFree(path);
    return result;
}

std::wstring ParentOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

// Uninstall entries planted in a given registry view, removed at the end.
struct TPlantedEntries {
    struct Entry { HKEY Root; REGSAM View; std::wstring Key; };
    std::vector<Entry> Entries;
    ~TPlantedEntries() {
        for (auto& e : Entries) RegDeleteKeyExW(e.Root, e.Key.c_str(), e.View, 0);
    }
    void Add(HKEY root, REGSAM view, const std::wstring& name, const wchar_t* value, const std::wstring& data) {
        const std::wstring key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &k, nullptr), ERROR_SUCCESS);
        RegSetValueExW(k, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(k);
        Entries.push_back({root, view, key});
    }
};

// The fixtures the test run plants in the prefix (links, a drive mapped as a share).
const std::wstring kFixtures = L"C:\\velmora-fixtures";
bool HaveFixture(const std::wstring& path) { return GetFileAttributesW((kFixtures + path).c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

TEST(FolderGuard, RelativeAndEmptyPathsAreRefused) {
    for (const char* f : {"", "   ", "\"\""}) EXPECT_VERDICT(std::string(f), TFolderVerdict::fvEmpty);
    for (const char* f : {".", "..", "App\\Sub", "\\Windows", "\\Program Files\\App", "C:Windows", "C:App\\Sub",
                          "\\\\.\\C:\\Temp\\App", "\\\\server"})
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
    std::wstring normalised;
    EXPECT_EQ(Verdict(CheckInstallFolder(ToWide(ShortPath(app) + "\\"), &normalised)), "allowed");
    EXPECT_TRUE(SameText(FromWide(normalised), app)) << FromWide(normalised);
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
        EXPECT_FALSE(IsScannableRegistryName(ToWide(n))) << "[" << n << "]";
    for (const char* n : {"VelmoraTestApp", "{8A3C1F2E-1111-4A4A-9B9B-0123456789AB}", "Microsoft Office Viewer",
                          "WinZapper"})
        EXPECT_TRUE(IsScannableRegistryName(ToWide(n))) << n;
}

TEST(FolderGuard, RefusedFoldersAreNeverListed) {
    for (const std::string& folder : {GetWindowsFolder(), std::string("C:\\"), Csidl(CSIDL_PROGRAM_FILES), std::string(".")}) {
        TFreeGuard<TTreeView> reg(TTreeView::Create(nullptr)), files(TTreeView::Create(nullptr));
        TLeftoverScan scan(reg->Items(), files->Items());
        scan.Run(Target("", folder, ""));
        EXPECT_EQ(files->Items()->Count(), 0) << folder;
        EXPECT_EQ(reg->Items()->Count(), 0) << "no registry scan without a name";
    }
}

// ---- Folders of users and of other programs, and links and shares ----------------------------

TEST(FolderGuard, KnownFoldersWithoutACsidlAndTheirAncestorsAreRefused) {
    // Where this system can't name one, it lies where Windows puts it.
    const struct { const KNOWNFOLDERID* Id; const wchar_t* Usual; } folders[] = {
        {&FOLDERID_Downloads, L"Downloads"}, {&FOLDERID_SavedGames, L"Saved Games"}, {&FOLDERID_Links, L"Links"},
        {&FOLDERID_Contacts, L"Contacts"}, {&FOLDERID_SavedSearches, L"Searches"},
        {&FOLDERID_LocalAppDataLow, L"AppData\\LocalLow"}, {&FOLDERID_UserProgramFiles, L"AppData\\Local\\Programs"},
        {&FOLDERID_SkyDrive, L"OneDrive"}, {&FOLDERID_PublicDownloads, nullptr}};
    const std::wstring profile = Known(FOLDERID_Profile);
    for (const auto& f : folders) {
        std::wstring path = Known(*f.Id);
        if (path.empty() && f.Usual) path = profile + L"\\" + f.Usual;
        ASSERT_FALSE(path.empty());
        SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
        EXPECT_VERDICT(path, TFolderVerdict::fvSpecialFolder);
        EXPECT_VERDICT(path + L"\\", TFolderVerdict::fvSpecialFolder);
    }
    EXPECT_VERDICT(ParentOf(Known(FOLDERID_LocalAppDataLow)), TFolderVerdict::fvSpecialFolder);
    EXPECT_VERDICT(ParentOf(Known(FOLDERID_PublicDownloads)), TFolderVerdict::fvSpecialFolder);
    // A per-user install below the Programs folder is the program's own.
    const std::wstring app = profile + L"\\AppData\\Local\\Programs\\VelmoraGuardTest-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(app.c_str(), nullptr));
    TScopeExit remove([&] { RemoveDirectoryW(app.c_str()); });
    EXPECT_VERDICT(app, TFolderVerdict::fvAllowed);
}

TEST(FolderGuard, EveryProfileOnTheMachineAndItsKnownFoldersAreRefused) {
    // A user whose profile the system lists somewhere else than the profiles' folder.
    TSandbox box("profiles");
    const std::string other = box.Folder("Profiles\\velmora-other");
    for (const char* sub : {"Downloads", "Saved Games", "Documents\\Notes", "AppData\\LocalLow",
                            "AppData\\Local\\Programs\\Tool"})
        box.Folder("Profiles\\velmora-other\\" + std::string(sub));
    const std::string list = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-7-7-7-" +
                             std::to_string(GetCurrentProcessId());
    TPlantedKeys keys;
    ASSERT_TRUE(keys.Plant(HKEY_LOCAL_MACHINE, list));
    ASSERT_TRUE(TPlantedKeys::SetValue(HKEY_LOCAL_MACHINE, list, "ProfileImagePath", other));
    for (const std::string& refused : {other, other + "\\Downloads", other + "\\Saved Games", other + "\\AppData",
                                       other + "\\AppData\\LocalLow", other + "\\AppData\\Local\\Programs",
                                       other + "\\Documents", box.Path("Profiles")})
        EXPECT_VERDICT(refused, TFolderVerdict::fvSpecialFolder);
    EXPECT_VERDICT(other + "\\AppData\\Local\\Programs\\Tool", TFolderVerdict::fvAllowed);
    EXPECT_VERDICT(other + "\\Documents\\Notes", TFolderVerdict::fvAllowed);

    // Every folder right in the profiles' folder is a profile, listed or not: the Default and
    // Public ones, and one nobody lists.
    const std::wstring users = ParentOf(Known(FOLDERID_Profile));
    const std::wstring unlisted = users + L"\\velmora-unlisted-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring defaults = users + L"\\Default";
    const bool madeDefault = CreateDirectoryW(defaults.c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(unlisted.c_str(), nullptr));
    CreateDirectoryW((unlisted + L"\\Downloads").c_str(), nullptr);
    CreateDirectoryW((defaults + L"\\Downloads").c_str(), nullptr);
    TScopeExit remove([&] {
        RemoveDirectoryW((unlisted + L"\\Downloads").c_str());
        RemoveDirectoryW(unlisted.c_str());
        if (madeDefault) {
            RemoveDirectoryW((defaults + L"\\Downloads").c_str());
            RemoveDirectoryW(defaults.c_str());
        }
    });
    for (const std::wstring& refused : {users, unlisted, unlisted + L"\\Downloads", defaults, defaults + L"\\Downloads",
                                        users + L"\\Public", Known(FOLDERID_Public)})
        EXPECT_VERDICT(refused, TFolderVerdict::fvSpecialFolder);
}

TEST(FolderGuard, AnyFolderNamedWindowsIsRefusedNotOnlyThisSystems) {
    TSandbox box("windows");
    const std::string second = box.Folder("OldDisk\\WINDOWS\\System32");
    EXPECT_VERDICT(second, TFolderVerdict::fvWindows);
    EXPECT_VERDICT(box.Path("OldDisk\\windows"), TFolderVerdict::fvWindows);
    EXPECT_VERDICT(box.Path("OldDisk\\Windows. "), TFolderVerdict::fvWindows);
    EXPECT_VERDICT(box.Path("OldDisk/Windows/"), TFolderVerdict::fvWindows);
    EXPECT_VERDICT(box.Folder("Tools\\Windows Helper"), TFolderVerdict::fvAllowed) << "a name is compared whole";
}

TEST(FolderGuard, NetworkPathsAreRefusedInEverySpelling) {
    for (const char* f : {"\\\\localhost\\C$\\Windows\\System32", "\\\\127.0.0.1\\c$\\Users\\x",
                          "\\\\?\\UNC\\localhost\\c$\\x", "\\\\?\\unc\\server\\share\\App",
                          "//server/share/App/x", "\"\\\\server\\share\\Vendor\\App\""})
        EXPECT_VERDICT(std::string(f), TFolderVerdict::fvNetwork);
    // The long-path prefix on a drive path is the same path.
    EXPECT_VERDICT(std::string("\\\\?\\") + GetWindowsFolder(), TFolderVerdict::fvWindows);
    if (GetDriveTypeW(L"N:\\") != DRIVE_REMOTE) GTEST_SKIP() << "no drive mapped as a share in this prefix";
    EXPECT_VERDICT(std::string("N:\\App"), TFolderVerdict::fvNetwork);
    EXPECT_VERDICT(std::string("n:/App/"), TFolderVerdict::fvNetwork);
}

TEST(FolderGuard, AnInstallFolderThatIsALinkIsRefused) {
    if (!HaveFixture(L"\\Linked\\app-link")) GTEST_SKIP() << "the prefix has no link fixture";
    EXPECT_VERDICT(kFixtures + L"\\Linked\\app-link", TFolderVerdict::fvLink);
    EXPECT_VERDICT(kFixtures + L"\\Linked\\app-link\\", TFolderVerdict::fvLink);
    EXPECT_VERDICT(kFixtures + L"\\Linked\\real", TFolderVerdict::fvAllowed);
}

TEST(FolderGuard, AFolderWhereAnotherProgramLivesIsShared) {
    TSandbox box("shared");
    const std::wstring pid = std::to_wstring(GetCurrentProcessId());
    const std::wstring mine = L"VelmoraGuardMine" + pid;
    const std::wstring programs = ToWide(box.Folder("Programs")), own = ToWide(box.Folder("Programs\\Mine"));
    const std::wstring other = ToWide(box.Folder("Programs\\Other"));
    const std::wstring byUninstaller = ToWide(box.Folder("ByUninstaller")), byIcon = ToWide(box.Folder("ByIcon"));
    const std::wstring by32 = ToWide(box.Folder("By32")), neighbour = ToWide(box.Folder("Neighbour"));
    const REGSAM view64 = Is64BitWindows() ? KEY_WOW64_64KEY : 0, view32 = Is64BitWindows() ? KEY_WOW64_32KEY : 0;
    TPlantedEntries entries;
    entries.Add(HKEY_LOCAL_MACHINE, view64, mine, L"InstallLocation", own);
    entries.Add(HKEY_LOCAL_MACHINE, view64, L"VelmoraGuardOther" + pid, L"InstallLocation", L"\"" + other + L"\\\"");
    entries.Add(HKEY_LOCAL_MACHINE, view64, L"VelmoraGuardUninst" + pid, L"UninstallString",
                byUninstaller + L"\\Y Tool\\unins000.exe /S");
    entries.Add(HKEY_CURRENT_USER, 0, L"VelmoraGuardIcon" + pid, L"DisplayIcon", L"\"" + byIcon + L"\\Z\\z.exe\",0");
    entries.Add(HKEY_LOCAL_MACHINE, view32, L"VelmoraGuard32" + pid, L"InstallLocation", by32 + L"\\W");

    auto verdict = [&](const std::wstring& folder) { return Verdict(CheckInstallFolder(folder, nullptr, mine)); };
    EXPECT_EQ(verdict(programs), "shared") << "holds another program's folder";
    EXPECT_EQ(verdict(other), "shared") << "is another program's folder";
    EXPECT_EQ(verdict(byUninstaller), "shared") << "holds another program's uninstaller";
    EXPECT_EQ(verdict(byIcon), "shared") << "holds another program's icon";
    EXPECT_EQ(verdict(by32), "shared") << "the 32-bit view's entries count too";
    EXPECT_EQ(verdict(own), "allowed") << "the program's own entry does not make its folder shared";
    EXPECT_EQ(verdict(neighbour), "allowed");
    EXPECT_EQ(Verdict(CheckInstallFolder(own)), "shared") << "for another program, it is";
}
