// A whole uninstall in the running Velmora.exe, driven from outside as a user would: a test
// program installed into the prefix (its entry, its files under Program Files, its settings
// keys), its row selected, Uninstall pressed, the question answered, one leftover kept in the
// scan window and the rest deleted. Decoys around it must all survive.
#include "e2e/RemoteControls.h"
#include "common/HostileInput.h"
#include "framework/SysUtils.h"

#include <gtest/gtest.h>

#include <fstream>
#include <shlobj.h>

namespace {

using namespace e2e;

// The scan window's two trees, top (registry) first.
std::vector<HWND> Trees(HWND scan) {
    std::vector<HWND> trees;
    for (HWND child : ChildrenOf(scan))
        if (ClassOf(child).find("TreeView") != std::string::npos) trees.push_back(child);
    std::sort(trees.begin(), trees.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.top < rb.top;
    });
    return trees;
}

// The registry views as the test names them. HKEY_CURRENT_USER\SOFTWARE is one key that
// both views share; below HKEY_LOCAL_MACHINE\SOFTWARE each view has its own keys. On 32-bit
// Windows both names are its one view.
enum class TView { Shared, v64, v32 };

REGSAM ViewFlag(TView view) {
    if (view == TView::Shared || !Is64BitWindows()) return 0;
    return view == TView::v64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

bool KeyExists(HKEY root, const std::string& path, TView view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | ViewFlag(view), &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// HKEY_LOCAL_MACHINE\SOFTWARE\rest of view as the 64-bit registry editor shows it, and so
// the scan names it: a key of the 32-bit view below SOFTWARE's WOW6432Node key, spelled as
// the system spells that key.
std::string MachineKeyName(const std::string& rest, TView view) {
    std::string software = "HKEY_LOCAL_MACHINE\\SOFTWARE\\";
    if (view != TView::v32 || !Is64BitWindows()) return software + rest;
    HKEY key = nullptr;
    std::string node = "WOW6432Node";
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (lstrcmpiA(name, node.c_str()) == 0) node.assign(name, length);
        }
        RegCloseKey(key);
    }
    return software + node + "\\" + rest;
}

// Keys that the test plants below these, each in its view, removed with everything below
// them when the test begins (what a run that crashed left) and when it ends, however it ends.
class TPlantedKeys {
public:
    struct TTop {
        HKEY Root;
        std::string Path;
        TView View;
    };
    explicit TPlantedKeys(std::vector<TTop> tops) : tops_(std::move(tops)) { RemoveAll(); }
    ~TPlantedKeys() { RemoveAll(); }
    TPlantedKeys(const TPlantedKeys&) = delete;
    TPlantedKeys& operator=(const TPlantedKeys&) = delete;

private:
    void RemoveAll() const {
        for (const TTop& top : tops_) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(top.Root, top.Path.c_str(), 0, KEY_ALL_ACCESS | ViewFlag(top.View), &key) != ERROR_SUCCESS)
                continue;
            RegDeleteTreeA(key, nullptr);
            RegCloseKey(key);
            RegDeleteKeyExA(top.Root, top.Path.c_str(), ViewFlag(top.View), 0);
        }
    }
    std::vector<TTop> tops_;
};

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

const char* const kName = "VelmoraWhole_Zephyr";
const char* const kCaption = "VelmoraWhole Zephyr 1.0";
const char* const kNeighbourCaption = "VelmoraWhole Neighbour";

class WholeUninstall : public ::testing::Test {
protected:
    void SetUp() override {
        char programFiles[MAX_PATH] = {};
        ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programFiles), S_OK);
        app_ = std::string(programFiles) + "\\VelmoraWhole Zephyr";
        neighbour_ = std::string(programFiles) + "\\VelmoraWhole Neighbour";
        RemoveLeftovers();
        for (const char* file : {"Zephyr.exe", "readme.txt", "settings.ini", "data\\cache.dat", "data\\notes.txt",
                                 "plugins\\extra.dll"})
            Plant(app_ + "\\" + file);
        Plant(neighbour_ + "\\neighbour.exe");
        ASSERT_TRUE(CopyFileA((BuildBinDir() + "UninstallStub.exe").c_str(), (app_ + "\\unins000.exe").c_str(), FALSE));

        entries_.Add(L"Zephyr", [&](HKEY k) {
            hostile::SetText(k, L"DisplayName", ToWide(kCaption));
            hostile::SetText(k, L"Publisher", L"Zephyr Works");
            hostile::SetText(k, L"InstallLocation", ToWide(app_));
            hostile::SetText(k, L"UninstallString",
                             ToWide("\"" + app_ + "\\unins000.exe\" uninstall " + kName + " Zephyr.exe readme.txt"));
        });
        entries_.Add(L"Neighbour", [&](HKEY k) {
            hostile::SetText(k, L"DisplayName", ToWide(kNeighbourCaption));
            hostile::SetText(k, L"InstallLocation", ToWide(neighbour_));
            hostile::SetText(k, L"UninstallString", ToWide(neighbour_ + "\\neighbour.exe"));
        });
        // Its settings, named like its registry key: one with values and a sub-key, one right
        // under SOFTWARE where its 32-bit installer wrote it, one without values in the 64-bit
        // view.
        Key(HKEY_CURRENT_USER, TView::Shared, kVendor + kName, {"Theme", "LastFile"});
        Key(HKEY_CURRENT_USER, TView::Shared, kVendor + kName + "\\Windows", {"Placement"});
        Key(HKEY_LOCAL_MACHINE, TView::v32, std::string("SOFTWARE\\") + kName, {"InstallDir"});
        Key(HKEY_LOCAL_MACHINE, TView::v64, kVendor + kName, {});
        // Decoys: the name in other letter case, the name below a path never searched (in
        // both spellings of the machine's), and a neighbour's keys, one of them beginning
        // with the name.
        Key(HKEY_CURRENT_USER, TView::Shared, kOtherVendor + "velmorawhole_zephyr", {"Theme"});
        Key(HKEY_CURRENT_USER, TView::Shared, std::string("SOFTWARE\\Microsoft\\") + kName, {"Theme"});
        Key(HKEY_LOCAL_MACHINE, TView::v32, std::string("SOFTWARE\\Microsoft\\") + kName, {"Theme"});
        Key(HKEY_CURRENT_USER, TView::Shared, kVendor + "VelmoraWhole_Neighbour", {"Theme"});
        Key(HKEY_CURRENT_USER, TView::Shared, kVendor + kName + "Tools", {"Theme"});
    }

    void TearDown() override { RemoveLeftovers(); }

    // Every top key the test plants below, in every view it may have planted in.
    static std::vector<TPlantedKeys::TTop> PlantedTops() {
        std::vector<TPlantedKeys::TTop> tops;
        for (const std::string& key : {std::string("SOFTWARE\\VelmoraWholeVendor"), std::string("SOFTWARE\\VelmoraWholeOther"),
                                       std::string("SOFTWARE\\Microsoft\\") + kName, std::string("SOFTWARE\\") + kName}) {
            tops.push_back({HKEY_CURRENT_USER, key, TView::Shared});
            for (TView view : {TView::v64, TView::v32}) tops.push_back({HKEY_LOCAL_MACHINE, key, view});
        }
        return tops;
    }

    void RemoveLeftovers() {
        for (const std::string& folder : {app_, neighbour_}) {
            if (folder.empty()) continue;
            std::string from = folder + '\0';
            SHFILEOPSTRUCTA op{};
            op.wFunc = FO_DELETE;
            op.pFrom = from.c_str();
            op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
            SHFileOperationA(&op);
        }
    }

    static void Plant(const std::string& path) {
        SHCreateDirectoryExA(nullptr, path.substr(0, path.rfind('\\')).c_str(), nullptr);
        std::ofstream(path, std::ios::binary) << path;
    }

    static void Key(HKEY root, TView view, const std::string& path, const std::vector<std::string>& values) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | ViewFlag(view), nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const std::string& value : values) RegSetValueExA(key, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
        RegCloseKey(key);
    }

    const std::string kVendor = "SOFTWARE\\VelmoraWholeVendor\\";
    const std::string kOtherVendor = "SOFTWARE\\VelmoraWholeOther\\";
    std::string app_, neighbour_;
    TPlantedKeys keys_{PlantedTops()};
    // The uninstall entries, in this process's own view: where an installer of its width
    // lists its program.
    hostile::TPlantedEntries entries_{L"VelmoraWhole_", hostile::kOwnView};
    TSandbox sandbox_;
};

} // namespace

TEST_F(WholeUninstall, RemovesExactlyTheCheckedLeftoversOfTheUninstalledProgram) {
    TProgramRun run(sandbox_);
    auto main = run.WaitForWindowClass("TMainForm");
    ASSERT_TRUE(main) << run.Describe();
    TRemoteMemory remote(run.ProcessId());
    HWND listWindow = Child(main->Handle, "TListView");
    ASSERT_TRUE(listWindow);
    TRemoteList list(remote, listWindow);
    ASSERT_TRUE(WaitFor([&] { return Contains(list.Captions(), kCaption); }));

    // The row, then the side bar's Uninstall.
    list.Select(list.IndexOf(kCaption));
    HWND uninstall = Child(main->Handle, "", "Uninstall");
    ASSERT_TRUE(uninstall);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(uninstall) != FALSE; }));
    Click(uninstall);

    auto question = run.WaitForMessageBox();
    ASSERT_TRUE(question) << run.Describe();
    EXPECT_NE(question->Text.find("would you like to remove them?"), std::string::npos) << question->Describe();
    EXPECT_FALSE(PathExists(app_ + "\\Zephyr.exe")) << "the uninstaller has run before the question";
    ASSERT_TRUE(run.Answer(*question, IDYES));

    // The scan window, once its scan has ended.
    auto scan = run.WaitForWindowClass("TScanForm");
    ASSERT_TRUE(scan) << run.Describe();
    HWND deleteButton = Child(scan->Handle, "", "Delete");
    ASSERT_TRUE(deleteButton);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(deleteButton) != FALSE; })) << "the scan did not end";
    EXPECT_EQ(scan->Caption, std::string("Scan Remains - ") + kCaption);
    std::vector<HWND> trees = Trees(scan->Handle);
    ASSERT_EQ(trees.size(), 2u);
    TRemoteTree registry(remote, trees[0]), files(remote, trees[1]);
    const std::string hkcu = "HKEY_CURRENT_USER\\" + kVendor + kName, hklm = MachineKeyName(kName, TView::v32);
    EXPECT_EQ(registry.Texts(),
              (std::vector<std::string>{hkcu, hkcu + "\\LastFile", hkcu + "\\Theme",
                                        MachineKeyName(std::string("VelmoraWholeVendor\\") + kName, TView::v64), hklm,
                                        hklm + "\\InstallDir"}));
    EXPECT_EQ(files.Texts(),
              (std::vector<std::string>{app_, app_ + "\\data", app_ + "\\data\\cache.dat", app_ + "\\data\\notes.txt",
                                        app_ + "\\plugins", app_ + "\\plugins\\extra.dll", app_ + "\\settings.ini",
                                        app_ + "\\unins000.exe", app_ + "\\unins000.exe.log"}));

    // The user keeps the notes.
    HTREEITEM notes = nullptr;
    for (const auto& [item, text] : files.Nodes())
        if (text == app_ + "\\data\\notes.txt") notes = item;
    ASSERT_TRUE(notes);
    auto box = files.StateIconPoint(notes);
    ASSERT_TRUE(box) << "no check picture beside the notes";
    Click(trees[1], box->x, box->y);
    ASSERT_TRUE(WaitFor([&] { return files.CheckState(notes) == 1; }));
    WaitUntilPainted(scan->Handle);
    EXPECT_FALSE(SaveScreenshot(scan->Handle, "e2e-scan-window-one-kept.png").empty());

    PressButton(deleteButton);
    auto result = run.WaitForMessageBox();
    ASSERT_TRUE(result) << run.Describe();
    EXPECT_EQ(result->Text, "Clean Succeeded!");
    ASSERT_TRUE(run.Answer(*result, IDOK));
    ASSERT_TRUE(run.WaitUntilHidden(result->Handle));
    PressButton(Child(scan->Handle, "", "Cancel"));
    ASSERT_TRUE(run.WaitUntilHidden(scan->Handle));

    // The list is refilled without the program.
    EXPECT_TRUE(WaitFor([&] {
        auto now = list.Captions();
        return !Contains(now, kCaption) && Contains(now, kNeighbourCaption);
    }));

    // Exactly the checked leftovers are gone.
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kVendor + kName, TView::Shared));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\") + kName, TView::v32));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kVendor + kName, TView::v64));
    for (const char* file : {"settings.ini", "data\\cache.dat", "plugins", "unins000.exe", "unins000.exe.log"})
        EXPECT_FALSE(PathExists(app_ + "\\" + file)) << file;
    EXPECT_TRUE(PathExists(app_ + "\\data\\notes.txt")) << "unchecked, so kept";
    // The decoys are untouched.
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kOtherVendor + "velmorawhole_zephyr", TView::Shared));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::string("SOFTWARE\\Microsoft\\") + kName, TView::Shared));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\Microsoft\\") + kName, TView::v32));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kVendor + "VelmoraWhole_Neighbour", TView::Shared));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kVendor + kName + "Tools", TView::Shared));
    EXPECT_TRUE(PathExists(neighbour_ + "\\neighbour.exe"));

    ASSERT_TRUE(run.Close(main->Handle));
    EXPECT_TRUE(run.WaitForExit()) << run.Describe();
}
