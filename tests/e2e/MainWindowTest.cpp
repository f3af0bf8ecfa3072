// The main window of the running Velmora.exe driven from outside, by the messages a user's
// clicks and keys cause: a row selected, a column header clicked, the page and the language
// switched, startup entries disabled and enabled again. The list's messages carry their
// structures in the program's own memory.
#include "e2e/RemoteControls.h"
#include "common/HostileInput.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <shlobj.h>

namespace {

using namespace e2e;

// A menu the program shows, other than except.
HWND ShownMenu(TProgramRun& run, HWND except = nullptr) {
    HWND found = nullptr;
    for (const TWindowInfo& w : run.Windows())
        if (w.ClassName == "#32768" && w.Handle != except) found = w.Handle;
    return found;
}

// Startup entries of the current user planted for one test and taken away after it: values
// of the "Run" key or its "Run_Disable" sub-key, and files in the user's Startup folder.
class TPlantedStartup {
public:
    static constexpr const char* kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr const char* kRunDisable = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\Run_Disable";

    TPlantedStartup() {
        for (const char* key : {kRunDisable, kRun}) existed_.push_back(Exists(key));
    }
    ~TPlantedStartup() {
        for (const auto& name : values_)
            for (const char* key : {kRunDisable, kRun}) RegDeleteKeyValueA(HKEY_CURRENT_USER, key, name.c_str());
        if (!existed_[0]) RegDeleteKeyA(HKEY_CURRENT_USER, kRunDisable);
        if (!existed_[1]) RegDeleteKeyA(HKEY_CURRENT_USER, kRun);
        for (const auto& path : files_) DeleteFileA(path.c_str());
    }
    TPlantedStartup(const TPlantedStartup&) = delete;
    TPlantedStartup& operator=(const TPlantedStartup&) = delete;

    bool Set(const char* key, const std::string& name, const std::string& data) {
        values_.push_back(name);
        HKEY k = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS)
            return false;
        LONG r = RegSetValueExA(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                static_cast<DWORD>(data.size() + 1));
        RegCloseKey(k);
        return r == ERROR_SUCCESS;
    }
    // The value's text; "<missing>" when it is not there.
    static std::string Get(const char* key, const std::string& name) {
        char data[1024] = {};
        DWORD size = sizeof data;
        if (RegGetValueA(HKEY_CURRENT_USER, key, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
            return "<missing>";
        return data;
    }
    bool File(const std::string& name, const std::string& bytes) {
        char folder[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathA(nullptr, CSIDL_STARTUP, nullptr, 0, folder))) return false;
        files_.push_back(std::string(folder) + "\\" + name);
        std::ofstream(files_.back(), std::ios::binary) << bytes;
        return std::filesystem::exists(files_.back());
    }

private:
    static bool Exists(const char* key) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
        RegCloseKey(k);
        return true;
    }
    std::vector<bool> existed_;
    std::vector<std::string> values_, files_;
};

// Velmora.exe started in a sandbox, with its program list read from outside; Main is empty
// when its window never came.
struct TRunningProgramList {
    explicit TRunningProgramList(const TSandbox& sandbox)
        : Run(sandbox), Main(Run.WaitForWindowClass("TMainForm")),
          Window(Main ? Child(Main->Handle, "TListView") : nullptr), Remote(Run.ProcessId()), List(Remote, Window) {}
    TProgramRun Run;
    std::optional<TWindowInfo> Main;
    HWND Window;
    TRemoteMemory Remote;
    TRemoteList List;
};

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const wchar_t* const programs[][2] = {
            {L"Archivo Backup Suite 4.2", L"Northwind Tools"}, {L"Brightline Photo Viewer", L"Brightline Labs"},
            {L"Cobalt Notes 2.1", L"Cobalt"}, {L"Delta Media Codecs", L"Delta Audio"},
            {L"Evergreen Mail 9", L"Evergreen Soft"}, {L"Fieldstone PDF Reader", L"Fieldstone"},
            {L"Granite Disk Tools", L"Granite Systems"}, {L"Harbor VPN Client", L"Harbor Networks"},
            {L"Indigo Code Editor 3", L"Indigo"}, {L"Juniper Fonts Pack", L"Juniper Type"},
            {L"Lumen Screen Recorder", L"Lumen Media"}, {L"Meridian Office 2024", L"Meridian"},
            {L"Nimbus Cloud Drive", L"Nimbus Inc."}, {L"Orchid Music Player", L"Orchid Audio"},
            {L"Quartz Runtime 2.0", L"Quartz Labs"}, {L"Redwood Printer Driver", L"Redwood"},
            {L"Tidewater Sync", L"Tidewater"}, {L"Umber Image Tools", L"Umber"}, {L"Willow Browser", L"Willow Web"}};
        for (const auto& [name, publisher] : programs)
            entries_.Add(name, [&](HKEY k) {
                const std::wstring folder = std::wstring(L"C:\\Program Files\\") + name;
                hostile::SetText(k, L"DisplayName", name);
                hostile::SetText(k, L"Publisher", publisher);
                hostile::SetText(k, L"InstallLocation", folder);
                hostile::SetText(k, L"UninstallString", folder + L"\\unins000.exe");
                hostile::SetText(k, L"DisplayIcon", L"C:\\windows\\notepad.exe");
                hostile::SetText(k, L"URLInfoAbout", L"https://velmora.example/");
            });
        // The default skin's pictures beside the program, as build/dist has them.
        for (const auto& file : std::filesystem::directory_iterator(std::string(VELMORA_SOURCE_DIR) +
                                                                    "/resources/dist/Skins")) {
            std::ifstream in(file.path(), std::ios::binary);
            sandbox_.WriteFile("Skins\\" + file.path().filename().string(),
                               std::string(std::istreambuf_iterator<char>(in), {}));
        }
        sandbox_.WriteFile("Langs\\Deutsch.ini", "[Language]\r\nIDS_LISTVIEW_COLUMNS_Publisher=Hersteller\r\n"
                                                 "IDS_MAINFORM_MENU_View=Ansicht\r\n");
    }

    hostile::TPlantedEntries entries_{L"VelmoraE2E_", hostile::kOwnView};
    TSandbox sandbox_;
};

} // namespace

TEST_F(MainWindow, RowHeaderPageAndLanguageDrivenFromOutside) {
    TRunningProgramList running(sandbox_);
    TProgramRun& run = running.Run;
    const auto& main = running.Main;
    ASSERT_TRUE(main) << run.Describe();
    HWND listWindow = running.Window;
    ASSERT_TRUE(listWindow);
    TRemoteList& list = running.List;
    ASSERT_TRUE(WaitFor([&] { return list.IndexOf("Willow Browser") >= 0; }));

    // A row selected by message enables the side bar's commands.
    HWND uninstall = Child(main->Handle, "TArButton", "Uninstall");
    ASSERT_TRUE(uninstall);
    EXPECT_FALSE(IsWindowEnabled(uninstall));
    list.Select(list.IndexOf("Cobalt Notes 2.1"));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(uninstall) != FALSE; }));
    WaitUntilPainted(main->Handle);
    EXPECT_FALSE(SaveScreenshot(main->Handle, "e2e-main-window.png").empty());

    // The Publisher header: names are padded on the left to ten characters, so the shorter
    // a name, the earlier it comes.
    Click(Child(listWindow, "SysHeader32"), 250, 8);
    auto ours = [&] {
        std::vector<std::string> order;
        for (const std::string& p : list.Column(1))
            if (p == "Cobalt" || p == "Indigo" || p == "Umber" || p == "Northwind Tools") order.push_back(p);
        return order;
    };
    EXPECT_TRUE(WaitFor([&] { return ours() == std::vector<std::string>{"Umber", "Cobalt", "Indigo", "Northwind Tools"}; }))
        << ::testing::PrintToString(ours());

    // The other page and back.
    Click(Child(main->Handle, "TArButton", "Startup Items"));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(listWindow) && Child(main->Handle, "TListView"); }));
    WaitUntilPainted(main->Handle);
    SaveScreenshot(main->Handle, "e2e-main-window-startup-page.png");
    Click(Child(main->Handle, "TArButton", "Program List"));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(listWindow) != FALSE; }));

    // View > Languages > Deutsch, by keys to the menus.
    Click(Child(main->Handle, "TArButton", "View"));
    HWND menu = nullptr, languages = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = ShownMenu(run)) != nullptr; }));
    WaitUntilPainted(menu);
    WaitUntilPainted(main->Handle);
    SaveScreenshot(main->Handle, "e2e-main-window-view-menu.png");
    PressKey(menu, VK_UP);
    PressKey(menu, VK_RIGHT);
    ASSERT_TRUE(WaitFor([&] { return (languages = ShownMenu(run, menu)) != nullptr; }));
    PressKey(languages, VK_HOME);
    PressKey(languages, VK_RETURN);
    EXPECT_TRUE(WaitFor([&] { return Child(main->Handle, "TArButton", "Ansicht") != nullptr; }));
    auto config = FindSection(ParseIni(sandbox_.ReadFile("Config.ini")), "config");
    ASSERT_TRUE(config);
    EXPECT_EQ(config->Value("LanguageFile"), "Deutsch.ini");

    ASSERT_TRUE(run.Close(main->Handle));
    EXPECT_TRUE(run.WaitForExit()) << run.Describe();
    EXPECT_EQ(run.ExitCode(), 0u);
}

TEST_F(MainWindow, StartupPageDisablesAndReEnablesAnEntryThroughItsCheckBox) {
    TPlantedStartup startup;
    const std::string name = "Cobalt Notes";
    // A program with a version block, so that the selected row has details to show.
    const std::string command = std::string("\"").append(BuildBinDir()).append("app_tests.exe\" /tray");
    ASSERT_TRUE(startup.Set(TPlantedStartup::kRun, name, command));
    ASSERT_TRUE(startup.Set(TPlantedStartup::kRunDisable, "Tidewater Sync",
                            "\"C:\\Program Files\\Tidewater\\tidesync.exe\" /background"));
    ASSERT_TRUE(startup.File("Welcome.txt", "Read me first."));

    TProgramRun run(sandbox_);
    auto main = run.WaitForWindowClass("TMainForm");
    ASSERT_TRUE(main) << run.Describe();
    HWND programs = Child(main->Handle, "TListView");
    Click(Child(main->Handle, "TArButton", "Startup Items"));
    HWND listWindow = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (listWindow = Child(main->Handle, "TListView")) && listWindow != programs; }));
    TRemoteMemory remote(run.ProcessId());
    TRemoteList list(remote, listWindow);
    ASSERT_TRUE(WaitFor([&] { return list.IndexOf("Welcome.txt") >= 0; }))
        << ::testing::PrintToString(list.Column(0));
    const int row = list.IndexOf(name);
    ASSERT_GE(row, 0);
    EXPECT_TRUE(list.Checked(row));
    EXPECT_FALSE(list.Checked(list.IndexOf("Tidewater Sync")));
    EXPECT_TRUE(list.Checked(list.IndexOf("Welcome.txt")));
    const RECT bounds = list.ItemRect(row);
    Click(listWindow, 80, (bounds.top + bounds.bottom) / 2);   // on the name, clear of the check box
    EXPECT_TRUE(WaitFor([&] { return Child(main->Handle, "TFcGroupBox") != nullptr; })) << "the item's details";
    WaitUntilPainted(main->Handle);
    EXPECT_FALSE(SaveScreenshot(main->Handle, "e2e-startup-page.png").empty());

    HWND apply = Child(main->Handle, "TArButton", "Apply");
    ASSERT_TRUE(apply);
    list.SetChecked(row, false);
    Click(apply);
    EXPECT_TRUE(WaitFor([&] {
        return TPlantedStartup::Get(TPlantedStartup::kRun, name) == "<missing>" &&
               TPlantedStartup::Get(TPlantedStartup::kRunDisable, name) == command;
    })) << "disabled: moved into Run_Disable";
    list.SetChecked(row, true);
    Click(apply);
    EXPECT_TRUE(WaitFor([&] {
        return TPlantedStartup::Get(TPlantedStartup::kRun, name) == command &&
               TPlantedStartup::Get(TPlantedStartup::kRunDisable, name) == "<missing>";
    })) << "enabled again: back in Run";

    ASSERT_TRUE(run.Close(main->Handle));
    EXPECT_TRUE(run.WaitForExit()) << run.Describe();
}

TEST_F(MainWindow, ListsTheProgramsOfBothRegistryViews) {
    hostile::TPlantedEntries sixtyFour(L"VelmoraE2E64_", KEY_WOW64_64KEY), thirtyTwo(L"VelmoraE2E32_", KEY_WOW64_32KEY);
    for (auto* entries : {&sixtyFour, &thirtyTwo}) {
        const std::wstring name = entries == &sixtyFour ? L"Velmora Sixty-Four Tool" : L"Velmora Thirty-Two Tool";
        ASSERT_TRUE(entries->Add(L"Tool", [&](HKEY k) {
            hostile::SetText(k, L"DisplayName", name);
            hostile::SetText(k, L"UninstallString", L"C:\\Program Files\\Velmora Tool\\unins000.exe");
        }));
    }
    TRunningProgramList running(sandbox_);
    ASSERT_TRUE(running.Main && running.Window) << running.Run.Describe();
    EXPECT_TRUE(WaitFor([&] { return running.List.IndexOf("Velmora Sixty-Four Tool") >= 0; }))
        << ::testing::PrintToString(running.List.Column(0));
    EXPECT_GE(running.List.IndexOf("Velmora Thirty-Two Tool"), 0);
    EXPECT_GE(running.List.IndexOf("Willow Browser"), 0);

    ASSERT_TRUE(running.Run.Close(running.Main->Handle));
    EXPECT_TRUE(running.Run.WaitForExit()) << running.Run.Describe();
}
