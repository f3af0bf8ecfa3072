// The leftover scan's search and deletion on trees without a window, against keys planted in
// the prefix's registry and files in a sandbox folder.
#include "Sandbox.h"
#include "app/frmScanRemains.h"
#include "app/funUtils.h"
#include "framework/Guards.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace {

class ScanEngine : public ::testing::Test {
protected:
    ScanEngine()
        : reg_(TTreeView::Create(nullptr)), files_(TTreeView::Create(nullptr)), scan_(reg_->Items(), files_->Items()) {}

    // Text -> state of every node of a tree whose text contains part.
    static std::map<std::string, int> Nodes(TTreeView* tree, const std::string& part = "") {
        std::map<std::string, int> nodes;
        for (int i = 0; i < tree->Items()->Count(); ++i) {
            TTreeNode* n = tree->Items()->Item(i);
            if (n->Text().find(part) != std::string::npos) nodes[n->Text()] = n->StateIndex();
        }
        return nodes;
    }
    TTreeNode* Find(TTreeView* tree, const std::string& text) {
        for (int i = 0; i < tree->Items()->Count(); ++i)
            if (tree->Items()->Item(i)->Text() == text) return tree->Items()->Item(i);
        throw std::runtime_error("no node " + text);
    }

    const std::string pid_ = std::to_string(GetCurrentProcessId());
    const std::string name_ = "VelmoraLeftover" + pid_;
    TFreeGuard<TTreeView> reg_, files_;
    TLeftoverScan scan_;
    TPlantedKeys keys_;
};

} // namespace

// ---- The registry ------------------------------------------------------------------------------

TEST_F(ScanEngine, KeysNamedExactlyAreFoundInVendorKeysOfBothSoftwareBranches) {
    const std::string vendorA = "SOFTWARE\\VelmoraVendorA" + pid_, vendorB = "SOFTWARE\\VelmoraVendorB" + pid_;
    ASSERT_TRUE(keys_.Plant(HKEY_CURRENT_USER, vendorA + "\\" + name_, vendorA));
    TPlantedKeys::SetValue(HKEY_CURRENT_USER, vendorA + "\\" + name_, "InstallDir", "C:\\x");
    TPlantedKeys::SetValue(HKEY_CURRENT_USER, vendorA + "\\" + name_, "Back\\slash", "y");
    ASSERT_TRUE(keys_.Plant(HKEY_LOCAL_MACHINE, vendorB + "\\Sub\\" + name_, vendorB));
    ASSERT_TRUE(keys_.Plant(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\VelmoraVendor" + pid_ + "\\" + name_,
                            "SOFTWARE\\Microsoft\\Windows\\VelmoraVendor" + pid_));
    ASSERT_TRUE(keys_.Plant(HKEY_CLASSES_ROOT, "Installer\\Products\\" + name_));
    // Decoys: other letter case, and the branches that are never searched.
    const std::string vendorC = "SOFTWARE\\VelmoraVendorC" + pid_;
    ASSERT_TRUE(keys_.Plant(HKEY_CURRENT_USER, vendorC + "\\" + AnsiUpperCase(name_), vendorC));
    ASSERT_TRUE(keys_.Plant(HKEY_CURRENT_USER, vendorC + "\\Sub\\" + AnsiLowerCase(name_), vendorC));
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        for (const char* under : {"SOFTWARE\\Classes\\", "SOFTWARE\\Microsoft\\"}) {
            std::string vendor = under + ("VelmoraVendorD" + pid_);
            ASSERT_TRUE(keys_.Plant(root, vendor + "\\" + name_, vendor));
        }
    }
    for (const char* under : {"SideBySide\\", "Installer\\UserData\\S-1-5-18\\Components\\"}) {
        std::string vendor = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\" + (under + ("VelmoraVendorE" + pid_));
        ASSERT_TRUE(keys_.Plant(HKEY_LOCAL_MACHINE, vendor + "\\" + name_, vendor));
    }

    scan_.Run(Target(name_, "", ""));

    const std::string a = "HKEY_CURRENT_USER\\" + vendorA + "\\" + name_;
    std::map<std::string, int> expected = {
        {a, csChecked},
        {a + "\\InstallDir", csChecked},
        {a + "\\Back\\slash", csChecked},
        {"HKEY_LOCAL_MACHINE\\" + vendorB + "\\Sub\\" + name_, csChecked},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\VelmoraVendor" + pid_ + "\\" + name_, csChecked},
        {"HKEY_CLASSES_ROOT\\Installer\\Products\\" + name_, csChecked},
    };
    EXPECT_EQ(Nodes(reg_.get(), "Velmora"), expected);
    EXPECT_TRUE(Nodes(reg_.get(), AnsiUpperCase(name_)).empty());
    EXPECT_TRUE(Nodes(reg_.get(), AnsiLowerCase(name_)).empty());

    // Every node knows what it stands for.
    TTreeNode* key = Find(reg_.get(), a);
    ASSERT_TRUE(key);
    ASSERT_EQ(key->Count(), 2);
    const TScanItem* keyItem = ScanItemOf(key);
    EXPECT_EQ(keyItem->Kind, TScanItemKind::skRegKey);
    EXPECT_EQ(keyItem->Root, HKEY_CURRENT_USER);
    EXPECT_EQ(keyItem->Key, ToWide(vendorA + "\\" + name_));
    const TScanItem* slash = ScanItemOf(Find(reg_.get(), a + "\\Back\\slash"));
    EXPECT_EQ(slash->Kind, TScanItemKind::skRegValue);
    EXPECT_EQ(slash->Key, ToWide(vendorA + "\\" + name_));
    EXPECT_EQ(slash->Value, L"Back\\slash");
    EXPECT_EQ(Find(reg_.get(), "HKEY_LOCAL_MACHINE\\" + vendorB + "\\Sub\\" + name_)->Count(), 0);
}

TEST_F(ScanEngine, OnSixtyFourBitWindowsBothViewsOfTheMachineBranchAreSearchedAndEachKeyDeletedInItsOwn) {
    if (!Is64BitWindows()) GTEST_SKIP() << "one registry view on 32-bit Windows";
    const std::string vendor = "SOFTWARE\\VelmoraViews" + pid_;
    ASSERT_TRUE(keys_.Plant(HKEY_LOCAL_MACHINE, vendor + "\\" + name_, vendor, KEY_WOW64_64KEY));
    ASSERT_TRUE(keys_.Plant(HKEY_LOCAL_MACHINE, vendor + "\\Sub\\" + name_, vendor, KEY_WOW64_32KEY));
    TPlantedKeys::SetValue(HKEY_LOCAL_MACHINE, vendor + "\\Sub\\" + name_, "Path32", "x", KEY_WOW64_32KEY);
    // The 32-bit view's shared branches are skipped like the 64-bit ones, but for Windows.
    const std::string skipped = "SOFTWARE\\Microsoft\\VelmoraViews" + pid_;
    ASSERT_TRUE(keys_.Plant(HKEY_LOCAL_MACHINE, skipped + "\\" + name_, skipped, KEY_WOW64_32KEY));
    const std::string windows = "SOFTWARE\\Microsoft\\Windows\\VelmoraViews" + pid_;
    ASSERT_TRUE(keys_.Plant(HKEY_LOCAL_MACHINE, windows + "\\" + name_, windows, KEY_WOW64_32KEY));

    scan_.Run(Target(name_, "", ""));
    // The 32-bit keys are named as the 64-bit registry editor shows them.
    std::vector<std::string> found;
    for (const auto& [text, state] : Nodes(reg_.get(), "VelmoraViews")) found.push_back(AnsiUpperCase(text));
    const std::string wow = "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\";
    const std::vector<std::string> expected = {
        AnsiUpperCase("HKEY_LOCAL_MACHINE\\" + vendor + "\\" + name_),
        AnsiUpperCase(wow + "Microsoft\\Windows\\VelmoraViews" + pid_ + "\\" + name_),
        AnsiUpperCase(wow + "VelmoraViews" + pid_ + "\\Sub\\" + name_),
        AnsiUpperCase(wow + "VelmoraViews" + pid_ + "\\Sub\\" + name_ + "\\Path32"),
    };
    EXPECT_EQ(found, expected);

    EXPECT_EQ(DeleteCheckedRegistry(reg_->Items()), 0);
    EXPECT_FALSE(TPlantedKeys::KeyExists(HKEY_LOCAL_MACHINE, vendor + "\\" + name_, KEY_WOW64_64KEY));
    EXPECT_FALSE(TPlantedKeys::KeyExists(HKEY_LOCAL_MACHINE, vendor + "\\Sub\\" + name_, KEY_WOW64_32KEY));
    EXPECT_TRUE(TPlantedKeys::KeyExists(HKEY_LOCAL_MACHINE, vendor + "\\Sub", KEY_WOW64_32KEY));
    EXPECT_TRUE(TPlantedKeys::KeyExists(HKEY_LOCAL_MACHINE, skipped + "\\" + name_, KEY_WOW64_32KEY));
}

TEST_F(ScanEngine, DeletingAPartlyUncheckedRegistryTreeRemovesExactlyTheChecked) {
    const std::string vendor = "SOFTWARE\\VelmoraVendorF" + pid_, key = vendor + "\\" + name_;
    ASSERT_TRUE(keys_.Plant(HKEY_CURRENT_USER, key + "\\Settings", vendor));
    TPlantedKeys::SetValue(HKEY_CURRENT_USER, key, "Keep", "1");
    TPlantedKeys::SetValue(HKEY_CURRENT_USER, key, "Drop", "2");
    TPlantedKeys::SetValue(HKEY_CURRENT_USER, key, "Drop\\Too", "3");
    TPlantedKeys::SetValue(HKEY_CURRENT_USER, vendor, name_, "a value in the parent named like the key");
    const std::string empty = "SOFTWARE\\VelmoraVendorG" + pid_;
    ASSERT_TRUE(keys_.Plant(HKEY_LOCAL_MACHINE, empty + "\\" + name_, empty));
    const std::string whole = "SOFTWARE\\VelmoraVendorH" + pid_;
    ASSERT_TRUE(keys_.Plant(HKEY_CURRENT_USER, whole + "\\" + name_ + "\\Deeper", whole));
    TPlantedKeys::SetValue(HKEY_CURRENT_USER, whole + "\\" + name_, "Any", "x");

    scan_.Run(Target(name_, "", ""));
    const std::string text = "HKEY_CURRENT_USER\\" + key;
    ToggleTreeCheck(Find(reg_.get(), text + "\\Keep"));
    EXPECT_EQ(Find(reg_.get(), text)->StateIndex(), csPartlyChecked);

    EXPECT_EQ(DeleteCheckedRegistry(reg_->Items()), 0);

    EXPECT_TRUE(TPlantedKeys::ValueExists(HKEY_CURRENT_USER, key, "Keep"));
    EXPECT_FALSE(TPlantedKeys::ValueExists(HKEY_CURRENT_USER, key, "Drop"));
    EXPECT_FALSE(TPlantedKeys::ValueExists(HKEY_CURRENT_USER, key, "Drop\\Too"));
    EXPECT_TRUE(TPlantedKeys::KeyExists(HKEY_CURRENT_USER, key + "\\Settings")) << "a partly kept key stays whole";
    // A key without values goes as a key; nothing of the same name in its parent is touched.
    EXPECT_FALSE(TPlantedKeys::KeyExists(HKEY_LOCAL_MACHINE, empty + "\\" + name_));
    EXPECT_TRUE(TPlantedKeys::KeyExists(HKEY_LOCAL_MACHINE, empty));
    EXPECT_TRUE(TPlantedKeys::ValueExists(HKEY_CURRENT_USER, vendor, name_));
    EXPECT_FALSE(TPlantedKeys::KeyExists(HKEY_CURRENT_USER, whole + "\\" + name_)) << "checked keys go with their sub-keys";
    EXPECT_TRUE(TPlantedKeys::KeyExists(HKEY_CURRENT_USER, whole));

    // What stays is what was kept, and it shows as kept.
    EXPECT_EQ(Nodes(reg_.get(), "Velmora"), (std::map<std::string, int>{{text, csUnchecked}, {text + "\\Keep", csUnchecked}}));
}

TEST_F(ScanEngine, OuterMatchingKeyStaysWhenAnInnerMatchIsKept) {
    const std::string vendor = "SOFTWARE\\VelmoraVendorI" + pid_, outer = vendor + "\\" + name_;
    const std::string inner = outer + "\\Plugins\\" + name_;
    ASSERT_TRUE(keys_.Plant(HKEY_CURRENT_USER, inner, vendor));
    TPlantedKeys::SetValue(HKEY_CURRENT_USER, outer, "Outer", "1");
    TPlantedKeys::SetValue(HKEY_CURRENT_USER, inner, "Inner", "2");
    scan_.Run(Target(name_, "", ""));
    ASSERT_EQ(Nodes(reg_.get(), "Velmora").size(), 4u);
    ToggleTreeCheck(Find(reg_.get(), "HKEY_CURRENT_USER\\" + inner));

    // The outer key cannot go whole without the inner one: only its checked value goes, and
    // the key itself is left over and counted.
    EXPECT_EQ(DeleteCheckedRegistry(reg_->Items()), 1);
    EXPECT_FALSE(TPlantedKeys::ValueExists(HKEY_CURRENT_USER, outer, "Outer"));
    EXPECT_TRUE(TPlantedKeys::ValueExists(HKEY_CURRENT_USER, inner, "Inner"));
}

// ---- Files -------------------------------------------------------------------------------------

namespace {

// An install folder with hidden, system, read-only and dot-named entries and nested folders.
struct TInstallFolder {
    TSandbox Box{"scan"};
    std::string App = Box.Folder("Vendor\\App");
    TInstallFolder() {
        Box.File("Vendor\\App\\app.exe");
        Box.File("Vendor\\App\\.settings");
        Box.File("Vendor\\App\\hidden.dat", "h", FILE_ATTRIBUTE_HIDDEN);
        Box.File("Vendor\\App\\system.dat", "s", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
        Box.File("Vendor\\App\\readonly.txt", "r", FILE_ATTRIBUTE_READONLY);
        Box.File("Vendor\\App\\data\\one.bin");
        Box.File("Vendor\\App\\data\\deep\\two.bin");
        Box.Folder("Vendor\\App\\empty");
        Box.File("Vendor\\neighbour.txt");
    }
};

} // namespace

TEST_F(ScanEngine, InstallFolderIsListedWholeWithHiddenAndSystemEntriesAllChecked) {
    TInstallFolder f;
    scan_.Run(Target("", f.App + "\\", ""));
    const std::string p = f.App + "\\";
    std::map<std::string, int> expected;
    for (const char* rel : {"app.exe", ".settings", "hidden.dat", "system.dat", "readonly.txt", "data",
                            "data\\one.bin", "data\\deep", "data\\deep\\two.bin", "empty"})
        expected[p + rel] = csChecked;
    expected[p] = csChecked;   // the top node: the folder as given
    EXPECT_EQ(Nodes(files_.get()), expected);
    EXPECT_EQ(reg_->Items()->Count(), 0);
    TTreeNode* top = files_->Items()->GetFirstNode();
    EXPECT_EQ(ScanItemOf(top)->Kind, TScanItemKind::skFolder);
    EXPECT_EQ(ScanItemOf(top)->Path, ToWide(f.App)) << "deleting works from the normalised path";
    EXPECT_EQ(ScanItemOf(Find(files_.get(), p + "empty"))->Kind, TScanItemKind::skFolder);
    EXPECT_EQ(ScanItemOf(Find(files_.get(), p + "app.exe"))->Kind, TScanItemKind::skFile);
}

TEST_F(ScanEngine, DeletingAPartlyUncheckedFolderRemovesExactlyTheChecked) {
    TInstallFolder f;
    scan_.Run(Target("", f.App, ""));
    const std::string p = f.App + "\\";
    ToggleTreeCheck(Find(files_.get(), p + "app.exe"));
    ToggleTreeCheck(Find(files_.get(), p + "data\\deep\\two.bin"));
    EXPECT_EQ(Find(files_.get(), p + "data")->StateIndex(), csPartlyChecked);
    EXPECT_EQ(Find(files_.get(), f.App)->StateIndex(), csPartlyChecked);

    EXPECT_EQ(DeleteCheckedFiles(files_->Items()), 0);

    for (const char* kept : {"app.exe", "data", "data\\deep", "data\\deep\\two.bin"})
        EXPECT_TRUE(PathExists(p + kept)) << kept;
    for (const char* gone : {".settings", "hidden.dat", "system.dat", "readonly.txt", "data\\one.bin", "empty"})
        EXPECT_FALSE(PathExists(p + gone)) << gone;
    EXPECT_TRUE(PathExists(f.Box.Path("Vendor\\neighbour.txt")));
    std::map<std::string, int> left = {{f.App, csUnchecked},           {p + "app.exe", csUnchecked},
                                       {p + "data", csUnchecked},      {p + "data\\deep", csUnchecked},
                                       {p + "data\\deep\\two.bin", csUnchecked}};
    EXPECT_EQ(Nodes(files_.get()), left);
}

TEST_F(ScanEngine, CheckedInstallFolderGoesWholeAndItsNeighboursStay) {
    TInstallFolder f;
    scan_.Run(Target("", f.App, ""));
    EXPECT_EQ(DeleteCheckedFiles(files_->Items()), 0);
    EXPECT_FALSE(PathExists(f.App));
    EXPECT_TRUE(PathExists(f.Box.Path("Vendor\\neighbour.txt")));
    EXPECT_EQ(files_->Items()->Count(), 0);
}

TEST_F(ScanEngine, FileThatCannotBeDeletedStaysListedAndIsCounted) {
    TInstallFolder f;
    const std::string locked = f.App + "\\data\\one.bin";
    TFileHandle hold(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold);
    scan_.Run(Target("", f.App, ""));
    ToggleTreeCheck(Find(files_.get(), f.App + "\\app.exe"));

    // Left: the locked file and the folder that holds it, both still checked and counted.
    EXPECT_EQ(DeleteCheckedFiles(files_->Items()), 2);
    EXPECT_TRUE(PathExists(locked));
    EXPECT_FALSE(PathExists(f.App + "\\hidden.dat"));
    EXPECT_FALSE(PathExists(f.App + "\\data\\deep"));
    std::map<std::string, int> left = {{f.App, csPartlyChecked}, {f.App + "\\app.exe", csUnchecked},
                                       {f.App + "\\data", csChecked}, {locked, csChecked}};
    EXPECT_EQ(Nodes(files_.get()), left);

    // Pressed again once the file is free, the rest goes.
    hold.Reset();
    EXPECT_EQ(DeleteCheckedFiles(files_->Items()), 0);
    EXPECT_FALSE(PathExists(f.App + "\\data"));
    EXPECT_TRUE(PathExists(f.App + "\\app.exe"));
}

TEST_F(ScanEngine, FolderTreeDeletionRefusesDriveNamesAndRelativePaths) {
    EXPECT_FALSE(DeleteFolderTree(""));
    EXPECT_FALSE(DeleteFolderTree("C:"));
    EXPECT_FALSE(DeleteFolderTree("C:\\"));
    EXPECT_FALSE(DeleteFolderTree("gone"));
    TSandbox box("tree");
    box.File("gone\\a\\b.txt");
    EXPECT_TRUE(DeleteFolderTree(box.Path("gone") + "\\"));
    EXPECT_FALSE(PathExists(box.Path("gone")));
    EXPECT_TRUE(PathExists(box.Dir));
}

TEST_F(ScanEngine, StepsReportThePlaceAndCanStopTheScan) {
    const std::string vendor = "SOFTWARE\\VelmoraVendorJ" + pid_;
    ASSERT_TRUE(keys_.Plant(HKEY_CURRENT_USER, vendor + "\\" + name_, vendor));
    std::vector<std::string> places;
    scan_.OnStep = [&](const std::string& place) {
        places.push_back(place);
        return places.size() < 5;
    };
    scan_.Run(Target(name_, "", ""));
    EXPECT_TRUE(scan_.Stopped());
    ASSERT_EQ(places.size(), 5u);
    EXPECT_EQ(places[0].rfind("HKEY_CLASSES_ROOT\\Installer\\Products\\", 0) == 0 ||
                  places[0].rfind("HKEY_CURRENT_USER\\SOFTWARE\\", 0) == 0,
              true)
        << places[0];
}

// ---- Exact names and links ---------------------------------------------------------------------

namespace {

bool WideExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WideFile(const std::wstring& path) {
    TFileHandle f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(f) << FromWide(path);
}

} // namespace

TEST_F(ScanEngine, InstallFolderGivenByTheShortNameOfACjkNameGoesAloneNotItsSameLengthNeighbours) {
    // Through the code page the CJK name is "????": as a pattern it would match both
    // neighbours, which hold another program's files.
    TSandbox box("cjk");
    const std::wstring dir = ToWide(box.Dir);
    const std::wstring app = dir + L"\\\u6E2C\u8A66\u30A2\u30D7";
    ASSERT_TRUE(CreateDirectoryW(app.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((app + L"\\\u30C7\u30FC\u30BF").c_str(), nullptr));
    WideFile(app + L"\\\u30C7\u30FC\u30BF\\\u8A2D\u5B9A.ini");
    WideFile(app + L"\\app.exe");
    for (const wchar_t* neighbour : {L"\\abcd", L"\\wxyz"}) {
        ASSERT_TRUE(CreateDirectoryW((dir + neighbour).c_str(), nullptr));
        WideFile(dir + neighbour + L"\\other-program.dll");
    }
    wchar_t shortName[MAX_PATH];
    const DWORD n = GetShortPathNameW(app.c_str(), shortName, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    ASSERT_NE(std::wstring(shortName, n), app) << "no short name to test with";

    scan_.Run({L"", std::wstring(shortName, n), ""});
    ASSERT_EQ(files_->Items()->Count(), 4);
    EXPECT_EQ(ScanItemOf(files_->Items()->GetFirstNode())->Path, app) << "the long name, exactly";
    EXPECT_EQ(DeleteCheckedFiles(files_->Items()), 0);
    EXPECT_FALSE(WideExists(app));
    EXPECT_TRUE(WideExists(dir + L"\\abcd\\other-program.dll"));
    EXPECT_TRUE(WideExists(dir + L"\\wxyz\\other-program.dll"));
}

TEST_F(ScanEngine, LinksBelowTheInstallFolderAreListedNeverEnteredAndDeletedAsLinks) {
    const std::wstring base = L"C:\\velmora-fixtures";
    if (!WideExists(base + L"\\App\\canary-link") || !WideExists(base + L"\\App\\data\\one.bin"))
        GTEST_SKIP() << "the prefix has no link fixture (the test run plants it afresh)";
    const std::string app = "C:\\velmora-fixtures\\App";
    scan_.Run(Target("", app, ""));
    std::map<std::string, int> expected;
    for (const char* rel : {"", "\\data", "\\data\\one.bin", "\\data\\to-canary", "\\canary-link"})
        expected[app + rel] = csChecked;
    EXPECT_EQ(Nodes(files_.get()), expected) << "nothing behind a link is listed";
    EXPECT_EQ(ScanItemOf(Find(files_.get(), app + "\\canary-link"))->Kind, TScanItemKind::skLink);
    EXPECT_EQ(ScanItemOf(Find(files_.get(), app + "\\data\\to-canary"))->Kind, TScanItemKind::skLink);

    const int failed = DeleteCheckedFiles(files_->Items());
    EXPECT_TRUE(WideExists(base + L"\\canary\\kept\\canary.txt")) << "a link's target went with the link";
    EXPECT_FALSE(WideExists(base + L"\\App\\data\\one.bin"));
    // Windows removes a link like an empty folder; Wine can't remove its links at all. Either
    // way nothing behind them goes, and what stays is listed and counted.
    const bool linksLeft = WideExists(base + L"\\App\\canary-link") || WideExists(base + L"\\App\\data\\to-canary");
    if (linksLeft) {
        EXPECT_EQ(failed, files_->Items()->Count());
        for (int i = 0; i < files_->Items()->Count(); ++i) {
            const TScanItem* item = ScanItemOf(files_->Items()->Item(i));
            EXPECT_TRUE(item->Kind == TScanItemKind::skLink || item->Kind == TScanItemKind::skFolder)
                << files_->Items()->Item(i)->Text();
        }
    } else {
        EXPECT_EQ(failed, 0);
        EXPECT_FALSE(WideExists(base + L"\\App"));
    }
}
