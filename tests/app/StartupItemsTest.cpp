// Startup entries in the test prefix's registry and Startup folders: what is listed, and
// that enabling, disabling, deleting and adding change exactly their own entry, keep every
// value byte for byte, back up files first, and refuse with a reason instead of losing data.
#include "StartupTesting.h"
#include "app/multiLangs.h"
#include "framework/Forms.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<uint8_t> Bytes(const void* data, size_t size) {
    auto* p = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(p, p + size);
}

const TStartupItem* Named(const std::vector<TStartupItem>& items, const std::string& name, bool enabled = true) {
    auto it = std::find_if(items.begin(), items.end(),
                           [&](const TStartupItem& i) { return i.Name == name && i.Enabled == enabled; });
    return it == items.end() ? nullptr : &*it;
}

// A copy of the listed entry to act on; a test that finds none stops there (ASSERT_NO_FATAL_FAILURE).
void Take(const std::vector<TStartupItem>& items, const std::string& name, TStartupItem& item, bool enabled = true) {
    const TStartupItem* found = Named(items, name, enabled);
    ASSERT_TRUE(found) << name << (enabled ? "" : " (disabled)") << " is not listed";
    item = *found;
}

// The command of a listed entry, for one-line checks.
std::string CommandOf(const std::vector<TStartupItem>& items, const std::string& name) {
    const TStartupItem* found = Named(items, name);
    return found ? found->Command : "<not listed>";
}

} // namespace

TEST(StartupItems, RegistryValuesAreListedKeyByKeyWithTheirDisabledOnes) {
    TStartupSandbox box;
    const std::string cu = "HKCU\\" + TStartupSandbox::KeyPath("Run");
    // A value that is not a string, or too long, stands before the others: it is skipped and
    // the listing goes on with the rest of the key and the keys after it.
    DWORD number = 1;
    box.SetValue(kUser, "Run", box.Name("Number"), REG_DWORD, &number, sizeof number);
    std::string huge(MaxStartupValueSize + 10, 'x');
    box.SetString(kUser, "Run", box.Name("Huge"), huge);
    box.SetString(kUser, "Run", box.Name("Tool"), "\"C:\\Tools\\tool.exe\" /min");
    box.SetString(kUser, "Run", box.Name("Expand"), "%ProgramFiles%\\x.exe", REG_EXPAND_SZ);
    // Stored without a NUL and with bytes after one: the text ends where the string does.
    box.SetValue(kUser, "Run", box.Name("NoNul"), REG_SZ, "abc", 3);
    box.SetValue(kUser, "Run", box.Name("Tail"), REG_SZ, "abc\0def", 8);
    box.SetString(kUser, "Run\\Run_Disable", box.Name("Tool"), "C:\\Old\\tool.exe");
    box.SetString(kUser, "RunOnce\\Setup", box.Name("Setup"), "setup.exe");
    box.SetString(kMachine64, "RunServices", box.Name("Service"), "svc.exe");
    box.SetString(kMachine64, "RunServices\\Run_Disable", box.Name("Parked"), "parked.exe");
    box.SetString(kMachine64, "RunOnceEx", box.Name("Once"), "once.exe");

    // Key by key, each key's own values before its disabled ones; within one key the order
    // is the system's.
    auto user = box.Ours(LoadStartupItems(HKEY_CURRENT_USER, NativeRegistryView()));
    std::vector<std::vector<std::string>> groups;
    std::string lastGroup;
    for (const auto& i : user) {
        std::string group = i.Location + (i.Enabled ? "" : " (off)");
        if (group != lastGroup) groups.emplace_back();
        lastGroup = group;
        groups.back().push_back(i.Name.substr(box.Name("").size()));
    }
    for (auto& g : groups) std::sort(g.begin(), g.end());
    EXPECT_EQ(groups, (std::vector<std::vector<std::string>>{{"Expand", "NoNul", "Tail", "Tool"}, {"Tool"}, {"Setup"}}));

    const TStartupItem* tool = Named(user, box.Name("Tool"));
    ASSERT_TRUE(tool);
    EXPECT_EQ(tool->Kind, skRegistryValue);
    EXPECT_EQ(tool->Command, "\"C:\\Tools\\tool.exe\" /min");
    EXPECT_EQ(tool->Location, cu);
    EXPECT_EQ(tool->KeyPath, TStartupSandbox::KeyPath("Run"));
    // The same name in the key and in Run_Disable: two rows with one location.
    const TStartupItem* parked = Named(user, box.Name("Tool"), false);
    ASSERT_TRUE(parked);
    EXPECT_EQ(parked->Command, "C:\\Old\\tool.exe");
    EXPECT_EQ(parked->Location, cu);
    EXPECT_EQ(CommandOf(user, box.Name("Expand")), "%ProgramFiles%\\x.exe") << "not expanded";
    EXPECT_EQ(CommandOf(user, box.Name("NoNul")), "abc");
    EXPECT_EQ(CommandOf(user, box.Name("Tail")), "abc");
    const TStartupItem* setup = Named(user, box.Name("Setup"));
    ASSERT_TRUE(setup);
    EXPECT_EQ(setup->Location, "HKCU\\" + TStartupSandbox::KeyPath("RunOnce\\Setup"));

    auto machine = box.Ours(LoadStartupItems(kMachine64.Root, kMachine64.View));
    ASSERT_EQ(machine.size(), 3u);
    EXPECT_EQ(machine[0].Name, box.Name("Service"));
    EXPECT_EQ(machine[0].Location, "HKLM\\" + TStartupSandbox::KeyPath("RunServices"));
    EXPECT_EQ(machine[0].View, kMachine64.View);
    EXPECT_EQ(machine[1].Name, box.Name("Parked"));
    EXPECT_FALSE(machine[1].Enabled);
    EXPECT_EQ(machine[2].Name, box.Name("Once"));
}

TEST(StartupItems, FolderEntriesAreListedAsFilesWithoutHiddenOrDotNames) {
    TStartupSandbox box;
    std::string user = TStartupSandbox::Folder(CSIDL_STARTUP);
    std::string common = TStartupSandbox::Folder(CSIDL_COMMON_STARTUP);
    ASSERT_NE(user, common);
    box.PlantFile(user, box.Name("tool.lnk"), "shortcut bytes");
    box.PlantFile(user, box.Name("readonly.exe"), "x", FILE_ATTRIBUTE_READONLY);
    box.PlantFile(user, box.Name("hidden.exe"), "x", FILE_ATTRIBUTE_HIDDEN);
    box.PlantFile(user, "." + box.Name("dot"), "x");
    CreateDirectoryA((user + box.Name("Folder")).c_str(), nullptr);
    box.PlantFile(common, box.Name("shared.bat"), "echo");

    auto items = box.Ours(LoadStartupFolder());
    std::vector<std::string> names;
    for (const auto& i : items) names.push_back(i.Name.substr(box.Name("").size()));
    std::sort(names.begin(), names.begin() + 3);   // the system's order within one folder
    EXPECT_EQ(names, (std::vector<std::string>{"Folder", "readonly.exe", "tool.lnk", "shared.bat"}));
    const TStartupItem* link = Named(items, box.Name("tool.lnk"));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->Kind, skFolderEntry);
    EXPECT_EQ(link->Command, user + box.Name("tool.lnk")) << "the shortcut itself, not its target";
    EXPECT_EQ(link->Location, user);
    const TStartupItem* shared = Named(items, box.Name("shared.bat"));
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->Location, common);

    // The whole list: the current user's keys, the machine's, then the folders.
    box.SetString(kMachine64, "Run", box.Name("Machine"), "m.exe");
    box.SetString(kUser, "RunOnceEx", box.Name("User"), "u.exe");
    auto all = box.Ours(ListStartupItems());
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[0].Name, box.Name("User"));
    EXPECT_EQ(all[1].Name, box.Name("Machine"));
    EXPECT_EQ(all[5].Name, box.Name("shared.bat"));

    // An unknown folder lists nothing rather than the drive's root.
    EXPECT_TRUE(LoadStartupFolder(L"").empty());
}

TEST(StartupItems, DisableThenEnableRestoresValueDataAndTypeExactly) {
    TStartupSandbox box;
    const char expand[] = "\"%ProgramFiles%\\Tool\\tool.exe\" -x\0garbage";
    box.SetValue(kUser, "Run", box.Name("Expand"), REG_EXPAND_SZ, expand, sizeof expand);
    box.SetString(kUser, "Run", box.Name("Neighbour"), "n.exe");
    auto items = box.Ours(LoadStartupItems(HKEY_CURRENT_USER, NativeRegistryView()));
    TStartupItem item;
    ASSERT_NO_FATAL_FAILURE(Take(items, box.Name("Expand"), item));

    ASSERT_TRUE(SetStartupItemEnabled(item, false).Ok());
    EXPECT_FALSE(item.Enabled);
    EXPECT_FALSE(TStartupSandbox::HasValue(kUser, "Run", item.Name));
    DWORD type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(TStartupSandbox::GetValue(kUser, "Run\\Run_Disable", item.Name, type, data));
    EXPECT_EQ(type, DWORD(REG_EXPAND_SZ));
    EXPECT_EQ(data, Bytes(expand, sizeof expand));
    EXPECT_TRUE(Named(box.Ours(LoadStartupItems(HKEY_CURRENT_USER, NativeRegistryView())), item.Name, false));

    ASSERT_TRUE(SetStartupItemEnabled(item, true).Ok());
    EXPECT_TRUE(item.Enabled);
    EXPECT_FALSE(TStartupSandbox::HasValue(kUser, "Run\\Run_Disable", item.Name));
    ASSERT_TRUE(TStartupSandbox::GetValue(kUser, "Run", item.Name, type, data));
    EXPECT_EQ(type, DWORD(REG_EXPAND_SZ));
    EXPECT_EQ(data, Bytes(expand, sizeof expand));
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run", box.Name("Neighbour")), "n.exe");
    // Enabling what is enabled changes nothing.
    EXPECT_TRUE(SetStartupItemEnabled(item, true).Ok());
}

TEST(StartupItems, RefusedMovesReportWhyAndLeaveBothPlacesAsTheyWere) {
    TStartupSandbox box;
    // The name is taken in the target: neither copy may overwrite the other.
    box.SetString(kUser, "Run", box.Name("Twice"), "new.exe");
    box.SetString(kUser, "Run\\Run_Disable", box.Name("Twice"), "old.exe");
    auto items = box.Ours(LoadStartupItems(HKEY_CURRENT_USER, NativeRegistryView()));
    TStartupItem on, off;
    ASSERT_NO_FATAL_FAILURE(Take(items, box.Name("Twice"), on, true));
    ASSERT_NO_FATAL_FAILURE(Take(items, box.Name("Twice"), off, false));
    TStartupResult taken = SetStartupItemEnabled(on, false);
    EXPECT_EQ(taken.Error, seNameTaken);
    EXPECT_TRUE(on.Enabled);
    EXPECT_EQ(taken.Text(), "an entry of this name already exists in HKCU\\" +
                                TStartupSandbox::KeyPath("Run\\Run_Disable"));
    EXPECT_EQ(SetStartupItemEnabled(off, true).Error, seNameTaken);
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run", on.Name), "new.exe");
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run\\Run_Disable", on.Name), "old.exe");

    // A Run_Disable of the 32-bit view that refuses every access: the value stays in its key,
    // and the refusal names the key in the view it lies in.
    box.SetString(kMachine32, "RunServicesOnce", box.Name("Guarded"), "g.exe");
    ASSERT_NO_FATAL_FAILURE(box.Deny(kMachine32, "RunServicesOnce\\Run_Disable"));
    TStartupItem guarded;
    ASSERT_NO_FATAL_FAILURE(
        Take(box.Ours(LoadStartupItems(kMachine32.Root, kMachine32.View)), box.Name("Guarded"), guarded));
    TStartupResult denied = SetStartupItemEnabled(guarded, false);
    EXPECT_EQ(denied.Error, seKeyFailed);
    EXPECT_EQ(denied.Where, TStartupSandbox::Location(kMachine32, "RunServicesOnce\\Run_Disable"));
    EXPECT_EQ(TStartupSandbox::GetString(kMachine32, "RunServicesOnce", guarded.Name), "g.exe");
    EXPECT_EQ(DeleteStartupItem(guarded).Error, seNone) << "the key itself is not guarded";
    EXPECT_FALSE(TStartupSandbox::HasValue(kMachine32, "RunServicesOnce", guarded.Name));

    // Gone since it was listed: nothing is created on the way to finding that out.
    box.SetString(kUser, "RunServices", box.Name("Vanishing"), "v.exe");
    TStartupItem vanishing;
    ASSERT_NO_FATAL_FAILURE(
        Take(box.Ours(LoadStartupItems(HKEY_CURRENT_USER, NativeRegistryView())), box.Name("Vanishing"), vanishing));
    ASSERT_TRUE(DeleteStartupItem(vanishing).Ok());
    EXPECT_EQ(SetStartupItemEnabled(vanishing, false).Error, seEntryMissing);
    EXPECT_FALSE(TStartupSandbox::KeyExists(kUser, TStartupSandbox::KeyPath("RunServices\\Run_Disable")));
    EXPECT_EQ(DeleteStartupItem(vanishing).Error, seEntryMissing);
}

TEST(StartupItems, DeleteRemovesOnlyItsOwnEntry) {
    TStartupSandbox box;
    box.SetString(kUser, "Run", box.Name("Twice"), "new.exe");
    box.SetString(kUser, "Run", box.Name("Other"), "other.exe");
    box.SetString(kUser, "Run\\Run_Disable", box.Name("Twice"), "old.exe");
    auto items = box.Ours(LoadStartupItems(HKEY_CURRENT_USER, NativeRegistryView()));

    TStartupItem on, off;
    ASSERT_NO_FATAL_FAILURE(Take(items, box.Name("Twice"), on, true));
    ASSERT_NO_FATAL_FAILURE(Take(items, box.Name("Twice"), off, false));

    ASSERT_TRUE(DeleteStartupItem(off).Ok());
    EXPECT_FALSE(TStartupSandbox::HasValue(kUser, "Run\\Run_Disable", box.Name("Twice")));
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run", box.Name("Twice")), "new.exe");

    ASSERT_TRUE(DeleteStartupItem(on).Ok());
    EXPECT_FALSE(TStartupSandbox::HasValue(kUser, "Run", box.Name("Twice")));
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run", box.Name("Other")), "other.exe");
}

TEST(StartupItems, FolderFilesAreBackedUpBeforeTheyGo) {
    TStartupSandbox box;
    std::string user = TStartupSandbox::Folder(CSIDL_STARTUP);
    std::string common = TStartupSandbox::Folder(CSIDL_COMMON_STARTUP);
    box.PlantFile(user, box.Name("tool.lnk"), "first");
    box.PlantFile(common, box.Name("tool.lnk"), "second");
    box.PlantFile(user, box.Name("stay.lnk"), "stay");
    auto items = box.Ours(LoadStartupFolder());

    TStartupItem first;
    ASSERT_NO_FATAL_FAILURE(Take(items, box.Name("tool.lnk"), first));
    ASSERT_EQ(first.Location, user);
    ASSERT_TRUE(SetStartupItemEnabled(first, false).Ok());
    EXPECT_FALSE(FileExists(user + box.Name("tool.lnk")));
    // A second file of the same name keeps the first copy and gets a name of its own.
    auto second = std::find_if(items.begin(), items.end(),
                               [&](const TStartupItem& i) { return i.Location == common; });
    ASSERT_NE(second, items.end());
    ASSERT_TRUE(DeleteStartupItem(*second).Ok());
    EXPECT_FALSE(FileExists(common + box.Name("tool.lnk")));
    EXPECT_EQ(box.BackupFiles(), (std::vector<std::string>{box.Name("tool (2).lnk"), box.Name("tool.lnk")}));
    EXPECT_EQ(TStartupSandbox::ReadFile(box.BackupDir() + box.Name("tool.lnk")), "first");
    EXPECT_EQ(TStartupSandbox::ReadFile(box.BackupDir() + box.Name("tool (2).lnk")), "second");
    EXPECT_TRUE(FileExists(user + box.Name("stay.lnk")));
    // Removed is removed: checking it again can't make it come back.
    EXPECT_EQ(SetStartupItemEnabled(first, true).Error, seEntryMissing);
}

TEST(StartupItems, FolderEntriesThatCannotGoStayWithoutACopyLeftBehind) {
    TStartupSandbox box;
    std::string user = TStartupSandbox::Folder(CSIDL_STARTUP);
    std::string locked = box.PlantFile(user, box.Name("locked.exe"), "locked");
    std::string shared = box.PlantFile(user, box.Name("shared.exe"), "shared");
    CreateDirectoryA((user + box.Name("Folder")).c_str(), nullptr);
    auto items = box.Ours(LoadStartupFolder());

    {
        // Opened by another program without sharing: not even a copy can be made.
        TFileHandle hold(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(hold);
        TStartupItem item;
        ASSERT_NO_FATAL_FAILURE(Take(items, box.Name("locked.exe"), item));
        TStartupResult r = SetStartupItemEnabled(item, false);
        EXPECT_EQ(r.Error, seBackupFailed);
        EXPECT_TRUE(item.Enabled);
    }
    {
        // Readable but not deletable: the copy made first is taken back.
        TFileHandle hold(CreateFileA(shared.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(hold);
        TStartupItem item;
        ASSERT_NO_FATAL_FAILURE(Take(items, box.Name("shared.exe"), item));
        TStartupResult r = DeleteStartupItem(item);
        EXPECT_EQ(r.Error, seFileFailed);
        EXPECT_EQ(r.Where, shared);
        EXPECT_NE(r.Text().find(shared + " could not be removed: "), std::string::npos) << r.Text();
    }
    EXPECT_EQ(TStartupSandbox::ReadFile(locked), "locked");
    EXPECT_EQ(TStartupSandbox::ReadFile(shared), "shared");
    EXPECT_TRUE(box.BackupFiles().empty());

    TStartupItem folderItem;
    ASSERT_NO_FATAL_FAILURE(Take(items, box.Name("Folder"), folderItem));
    TStartupResult folder = DeleteStartupItem(folderItem);
    EXPECT_EQ(folder.Error, seIsFolder);
    EXPECT_TRUE(DirectoryExists(user + box.Name("Folder")));
}

TEST(StartupItems, AddMakesAWorkingShortcutAndARunValueButReplacesNothing) {
    TStartupSandbox box;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string target = box.PlantFile(temp, box.Name("tool.exe"), "MZ");
    std::string user = TStartupSandbox::Folder(CSIDL_STARTUP);
    std::string common = TStartupSandbox::Folder(CSIDL_COMMON_STARTUP);

    ASSERT_TRUE(AddStartupShortcut(ToWide(target), CSIDL_STARTUP).Ok());
    std::string link = user + box.Name("tool.lnk");
    ASSERT_TRUE(FileExists(link));
    EXPECT_EQ(lstrcmpiA(ResolveShortcut(link).c_str(), target.c_str()), 0) << ResolveShortcut(link);
    EXPECT_TRUE(Named(box.Ours(LoadStartupFolder()), box.Name("tool.lnk")));
    std::string before = TStartupSandbox::ReadFile(link);
    TStartupResult again = AddStartupShortcut(ToWide(target), CSIDL_STARTUP);
    EXPECT_EQ(again.Error, seNameTaken);
    EXPECT_EQ(again.Where, user);
    EXPECT_EQ(TStartupSandbox::ReadFile(link), before);
    ASSERT_TRUE(AddStartupShortcut(ToWide(target), CSIDL_COMMON_STARTUP).Ok());
    EXPECT_EQ(lstrcmpiA(ResolveShortcut(common + box.Name("tool.lnk")).c_str(), target.c_str()), 0);

    ASSERT_TRUE(AddStartupRunValue(ToWide(target), HKEY_CURRENT_USER).Ok());
    DWORD type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(TStartupSandbox::GetValue(kUser, "Run", box.Name("tool"), type, data));
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run", box.Name("tool")), target);
    // The machine's Run key that an added value goes to is the system's own view's.
    box.SetString(kMachine64, "Run", box.Name("tool"), "mine.exe");
    TStartupResult taken = AddStartupRunValue(ToWide(target), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(taken.Error, seNameTaken);
    EXPECT_EQ(taken.Where, TStartupSandbox::Location(kMachine64, "Run"));
    EXPECT_EQ(TStartupSandbox::GetString(kMachine64, "Run", box.Name("tool")), "mine.exe");
    EXPECT_FALSE(TStartupSandbox::HasValue(kMachine32, "Run", box.Name("tool")));
}

TEST(StartupItems, VersionTextsComeFromTheProgramTheCommandNames) {
    TVersionTexts texts;
    ASSERT_TRUE(ReadVersionInfo(ToWide(Application->ExeName()), texts, "PrivateBuild"));
    EXPECT_EQ(texts.CompanyName, "Velmora Test Publisher");
    EXPECT_EQ(texts.FileDescription, "Velmora application tests");
    EXPECT_EQ(texts.FileVersion, "4.3.2.1");
    EXPECT_EQ(texts.Comments, "Built for the startup-item tests");
    EXPECT_EQ(texts.LegalTrademarks, "") << "absent from the block";
    EXPECT_EQ(texts.Extra, "private text");
    EXPECT_EQ(texts.FixedInfo.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(texts.FixedInfo.dwFileVersionMS, 0x00040003u);

    EXPECT_EQ(StartupCommandPath(L"\"C:\\Program Files\\Tool\\tool.exe\" /background /x"),
              L"C:\\Program Files\\Tool\\tool.exe");
    EXPECT_EQ(StartupCommandPath(L"/x"), L"");

    TStartupItem item;
    item.Command = "\"" + Application->ExeName() + "\" /minimized";
    item.ExactCommand = ToWide(item.Command);
    item.Location = "HKCU\\Somewhere";
    TStartupDetails details;
    ASSERT_TRUE(ReadStartupDetails(item, details));
    EXPECT_EQ(details.Publisher, "Velmora Test Publisher");
    EXPECT_EQ(details.Version, "4.3.2.1");
    EXPECT_EQ(details.Command, item.Command);
    EXPECT_EQ(details.Location, "HKCU\\Somewhere");

    // No version block, or no file: no texts.
    TStartupSandbox box;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    item.ExactCommand = ToWide(box.PlantFile(temp, box.Name("plain.txt"), "no version block here"));
    EXPECT_FALSE(ReadStartupDetails(item, details));
    EXPECT_EQ(details.Publisher, "");
    EXPECT_FALSE(ReadVersionInfo(L"C:\\does\\not\\exist.exe", texts));
}

TEST(StartupItems, AProgramOfTheSystemFolderIsDescribedAsTheShellThatStartsItFindsIt) {
    ASSERT_TRUE(Is64BitWindows()) << "the tests' prefix is a 64-bit one";
    // The shell that starts the entries at log-on is a 64-bit program: "system32" in a command
    // is the real system folder, which a 32-bit process reaches as Sysnative; SysWOW64 is
    // SysWOW64 for both.
    char windows[MAX_PATH] = {}, wow64[MAX_PATH] = {};
    ASSERT_NE(GetSystemWindowsDirectoryA(windows, MAX_PATH), 0u);
    ASSERT_NE(GetSystemWow64DirectoryA(wow64, MAX_PATH), 0u);
    const std::string real = std::string(windows) + (sizeof(void*) == 4 ? "\\Sysnative" : "\\System32");
    TStartupSandbox box;
    const std::string program = TStartupSandbox::ReadFile(Application->ExeName());
    ASSERT_FALSE(program.empty());
    box.PlantFile(real, box.Name("native.exe"), program);
    box.PlantFile(wow64, box.Name("wow.exe"), program);

    TStartupItem item;
    TStartupDetails details;
    item.ExactCommand = ToWide("\"" + std::string(windows) + "\\system32\\" + box.Name("native.exe") + "\" /s");
    EXPECT_TRUE(ReadStartupDetails(item, details)) << FromWide(item.ExactCommand);
    EXPECT_EQ(details.Publisher, "Velmora Test Publisher");
    item.ExactCommand = ToWide(std::string(wow64) + "\\" + box.Name("wow.exe"));
    EXPECT_TRUE(ReadStartupDetails(item, details)) << FromWide(item.ExactCommand);
    EXPECT_EQ(details.Publisher, "Velmora Test Publisher");
}

TEST(StartupItems, ListingCoversEachRegistryViewOnce) {
    ASSERT_TRUE(Is64BitWindows()) << "the tests' prefix is a 64-bit one";
    EXPECT_EQ(StartupRegistryViews(), (std::vector<REGSAM>{KEY_WOW64_64KEY, KEY_WOW64_32KEY}));
    TStartupSandbox box;
    box.SetStringW(kMachine64, "RunOnce", box.NameW(L"Machine64"), L"m64.exe");
    box.SetStringW(kMachine32, "RunOnce", box.NameW(L"Machine32"), L"m32.exe");
    box.SetStringW(kUser, "Run", box.NameW(L"User"), L"u.exe");

    auto all = box.Ours(ListStartupItems());
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].Name, box.Name("User"));
    EXPECT_EQ(all[1].Name, box.Name("Machine64"));
    EXPECT_EQ(all[1].View, REGSAM(KEY_WOW64_64KEY));
    EXPECT_EQ(all[1].Location, "HKLM\\" + TStartupSandbox::KeyPath("RunOnce"));
    EXPECT_EQ(all[2].Name, box.Name("Machine32"));
    EXPECT_EQ(all[2].View, REGSAM(KEY_WOW64_32KEY));
    EXPECT_EQ(all[2].Location, "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce");

    // A refusal names the key the way it is listed.
    box.SetStringW(kMachine32, "RunOnce\\Run_Disable", box.NameW(L"Machine32"), L"old.exe");
    EXPECT_EQ(SetStartupItemEnabled(all[2], false).Where,
              "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\Run_Disable");
}

TEST(StartupItems, AddKeepsATargetNameTheCodePageCannotHold) {
    TStartupSandbox box;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::wstring target = box.PlantFileW(temp, box.NameW(L"東京.exe"), "MZ");

    ASSERT_TRUE(AddStartupRunValue(target, HKEY_CURRENT_USER).Ok());
    DWORD type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(TStartupSandbox::GetValueW(kUser, "Run", box.NameW(L"東京"), type, data));
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(data, Bytes(target.c_str(), (target.size() + 1) * sizeof(wchar_t)));

    ASSERT_TRUE(AddStartupShortcut(target, CSIDL_STARTUP).Ok());
    const std::wstring link = ToWide(TStartupSandbox::Folder(CSIDL_STARTUP)) + box.NameW(L"東京.lnk");
    EXPECT_NE(GetFileAttributesW(link.c_str()), INVALID_FILE_ATTRIBUTES);
    auto listed = box.Ours(LoadStartupFolder());
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].ExactCommand, link);
}
