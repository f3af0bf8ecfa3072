// The main window of the running Velmora.exe driven from outside, by the messages a user's
// clicks and keys cause: a row selected, a column header clicked, the page and the language
// switched. The list's texts are read through the list view's own messages, with their
// buffers placed in the program's memory.
#include "e2e/Harness.h"
#include "common/HostileInput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <commctrl.h>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using namespace e2e;

// Memory in another process for one message's structure and text.
class TRemoteBlock {
public:
    TRemoteBlock(HANDLE process, size_t size) : process_(process), size_(size) {
        at_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~TRemoteBlock() {
        if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
    }
    TRemoteBlock(const TRemoteBlock&) = delete;
    TRemoteBlock& operator=(const TRemoteBlock&) = delete;
    char* At(size_t offset = 0) const { return static_cast<char*>(at_) + offset; }
    void Write(size_t offset, const void* data, size_t size) const {
        WriteProcessMemory(process_, At(offset), data, size, nullptr);
    }
    std::string ReadText(size_t offset) const {
        std::string text(size_ - offset, '\0');
        ReadProcessMemory(process_, At(offset), text.data(), text.size(), nullptr);
        return text.substr(0, text.find('\0'));
    }

private:
    HANDLE process_;
    size_t size_;
    void* at_ = nullptr;
};

class TRemoteList {
public:
    TRemoteList(DWORD pid, HWND list) : list_(list) {
        process_.Reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    }
    int Count() const { return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }
    std::string Text(int item, int column) const {
        TRemoteBlock block(process_.Get(), sizeof(LVITEMA) + 512);
        LVITEMA lvi{};
        lvi.iSubItem = column;
        lvi.pszText = block.At(sizeof lvi);
        lvi.cchTextMax = 512;
        block.Write(0, &lvi, sizeof lvi);
        SendMessageA(list_, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(block.At()));
        return block.ReadText(sizeof lvi);
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int i = 0; i < Count(); ++i) texts.push_back(Text(i, column));
        return texts;
    }
    int IndexOf(const std::string& caption) const {
        auto captions = Column(0);
        auto it = std::find(captions.begin(), captions.end(), caption);
        return it == captions.end() ? -1 : static_cast<int>(it - captions.begin());
    }
    void Select(int item) const {
        TRemoteBlock block(process_.Get(), sizeof(LVITEMA));
        LVITEMA lvi{};
        lvi.stateMask = lvi.state = LVIS_SELECTED | LVIS_FOCUSED;
        block.Write(0, &lvi, sizeof lvi);
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(block.At()));
    }
    std::string HeaderText(int column) const {
        HWND header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
        TRemoteBlock block(process_.Get(), sizeof(HDITEMA) + 256);
        HDITEMA hdi{};
        hdi.mask = HDI_TEXT;
        hdi.pszText = block.At(sizeof hdi);
        hdi.cchTextMax = 256;
        block.Write(0, &hdi, sizeof hdi);
        SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(block.At()));
        return block.ReadText(sizeof hdi);
    }
    HWND Handle() const { return list_; }

private:
    HWND list_;
    TKernelHandle process_;
};

struct TChild {
    HWND Handle = nullptr;
    std::string ClassName, Text;
};

BOOL CALLBACK AddChild(HWND w, LPARAM p) {
    char cls[64] = {}, text[256] = {};
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, text, sizeof text);
    reinterpret_cast<std::vector<TChild>*>(p)->push_back({w, cls, text});
    return TRUE;
}

std::vector<TChild> Children(HWND parent) {
    std::vector<TChild> children;
    EnumChildWindows(parent, AddChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND Child(HWND parent, const std::string& cls, const std::string& text = {}, bool visibleOnly = true) {
    for (const auto& c : Children(parent))
        if (c.ClassName == cls && (text.empty() || c.Text == text) && (!visibleOnly || IsWindowVisible(c.Handle)))
            return c.Handle;
    return nullptr;
}

void Click(HWND window, int x = 10, int y = 10) {
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = kStepTimeoutMs) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50))
        if (done()) return true;
    return done();
}

struct TMenuSearch {
    DWORD Pid;
    HWND Except, Found;
};

BOOL CALLBACK MatchMenu(HWND w, LPARAM p) {
    auto* f = reinterpret_cast<TMenuSearch*>(p);
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == f->Pid && w != f->Except && std::string(cls) == "#32768" && IsWindowVisible(w)) f->Found = w;
    return TRUE;
}

// The menu window the program shows, if any.
HWND ShownMenu(DWORD pid, HWND except = nullptr) {
    TMenuSearch search{pid, except, nullptr};
    EnumWindows(MatchMenu, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

void PressKey(HWND window, WORD key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        auto program = [&](const std::wstring& key, const std::wstring& name, const std::wstring& publisher) {
            entries_.Add(key, [&](HKEY k) {
                hostile::SetText(k, L"DisplayName", name);
                hostile::SetText(k, L"Publisher", publisher);
                hostile::SetText(k, L"InstallLocation", L"C:\\Program Files\\" + name);
                hostile::SetText(k, L"UninstallString", L"C:\\Program Files\\" + name + L"\\unins000.exe");
                hostile::SetText(k, L"DisplayIcon", L"C:\\windows\\notepad.exe");
                hostile::SetText(k, L"URLInfoAbout", L"https://velmora.example/" + key);
            });
        };
        const wchar_t* const rows[][2] = {
            {L"Archivo Backup Suite 4.2", L"Northwind Tools"}, {L"Brightline Photo Viewer", L"Brightline Labs"},
            {L"Cobalt Notes 2.1", L"Cobalt"},                  {L"Delta Media Codecs", L"Delta Audio"},
            {L"Evergreen Mail 9", L"Evergreen Soft"},          {L"Fieldstone PDF Reader", L"Fieldstone"},
            {L"Granite Disk Tools", L"Granite Systems"},       {L"Harbor VPN Client", L"Harbor Networks"},
            {L"Indigo Code Editor 3", L"Indigo"},              {L"Juniper Fonts Pack", L"Juniper Type"},
            {L"Kestrel Game Launcher", L"Kestrel Play"},       {L"Lumen Screen Recorder", L"Lumen Media"},
            {L"Meridian Office 2024", L"Meridian"},            {L"Nimbus Cloud Drive", L"Nimbus Inc."},
            {L"Orchid Music Player", L"Orchid Audio"},         {L"Pine Password Safe", L"Pine Security"},
            {L"Quartz Runtime 2.0", L"Quartz Labs"},           {L"Redwood Printer Driver", L"Redwood"},
            {L"Tidewater Sync", L"Tidewater"},                 {L"Umber Image Tools", L"Umber"},
            {L"Vantage System Monitor", L"Vantage"},           {L"Willow Browser", L"Willow Web"},
        };
        for (size_t i = 0; i < std::size(rows); ++i) program(std::to_wstring(100 + i), rows[i][0], rows[i][1]);
        std::string skins = std::string("Z:") + VELMORA_SOURCE_DIR + "/resources/dist/Skins";
        std::replace(skins.begin(), skins.end(), '/', '\\');
        for (const auto& file : std::filesystem::directory_iterator(skins))
            sandbox_.WriteFile("Skins\\" + file.path().filename().string(), ReadAll(file.path()));
        sandbox_.WriteFile("Langs\\Deutsch.ini", "[Language]\r\nIDS_LISTVIEW_COLUMNS_Descriptions=Beschreibung\r\n"
                                                 "IDS_LISTVIEW_COLUMNS_Publisher=Hersteller\r\n"
                                                 "IDS_MAINFORM_MENU_View=Ansicht\r\n");
    }

    static std::string ReadAll(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    hostile::TPlantedEntries entries_{L"VelmoraE2E_"};
    TSandbox sandbox_;
};

} // namespace

TEST_F(MainWindow, RowHeaderPageAndLanguageDrivenFromOutside) {
    TProgramRun run(sandbox_);
    auto main = run.WaitForWindowClass("TMainForm");
    ASSERT_TRUE(main) << run.Describe();
    HWND listWindow = Child(main->Handle, "TListView");
    ASSERT_TRUE(listWindow);
    TRemoteList list(run.ProcessId(), listWindow);
    ASSERT_TRUE(WaitFor([&] { return list.IndexOf("Willow Browser") >= 0; }));

    // A row selected by message enables the side bar's commands.
    HWND uninstall = Child(main->Handle, "TArButton", "Uninstall");
    ASSERT_TRUE(uninstall);
    EXPECT_FALSE(IsWindowEnabled(uninstall));
    list.Select(list.IndexOf("Cobalt Notes 2.1"));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(uninstall) != FALSE; }));
    Sleep(300);
    EXPECT_FALSE(SaveScreenshot(main->Handle, "e2e-main-window.png").empty());

    // The Publisher header: names padded on the left to ten characters, so the shorter a name,
    // the earlier it comes.
    HWND header = Child(listWindow, "SysHeader32");
    ASSERT_TRUE(header);
    Click(header, 250, 8);
    auto ours = [&] {
        std::vector<std::string> order;
        for (const std::string& p : list.Column(1))
            if (p == "Cobalt" || p == "Indigo" || p == "Umber" || p == "Northwind Tools") order.push_back(p);
        return order;
    };
    EXPECT_TRUE(WaitFor([&] {
        return ours() == std::vector<std::string>{"Umber", "Cobalt", "Indigo", "Northwind Tools"};
    })) << ::testing::PrintToString(ours());

    // The other page.
    Click(Child(main->Handle, "TArButton", "Startup Items"));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(listWindow); }));
    EXPECT_TRUE(Child(main->Handle, "TListView"));
    Sleep(200);
    SaveScreenshot(main->Handle, "e2e-main-window-startup-page.png");
    Click(Child(main->Handle, "TArButton", "Program List"));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(listWindow) != FALSE; }));

    // View > Languages > Deutsch, by keys to the menus.
    Click(Child(main->Handle, "TArButton", "View"));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = ShownMenu(run.ProcessId())) != nullptr; }));
    Sleep(200);
    SaveScreenshot(main->Handle, "e2e-main-window-view-menu.png");
    PressKey(menu, VK_UP);
    PressKey(menu, VK_RIGHT);
    HWND languages = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (languages = ShownMenu(run.ProcessId(), menu)) != nullptr; }));
    PressKey(languages, VK_HOME);
    PressKey(languages, VK_RETURN);
    EXPECT_TRUE(WaitFor([&] { return list.HeaderText(1) == "Hersteller"; })) << list.HeaderText(1);
    EXPECT_EQ(list.HeaderText(0), "Beschreibung");
    EXPECT_TRUE(Child(main->Handle, "TArButton", "Ansicht"));
    auto config = FindSection(ParseIni(sandbox_.ReadFile("Config.ini")), "config");
    ASSERT_TRUE(config);
    EXPECT_EQ(config->Value("LanguageFile"), "Deutsch.ini");

    ASSERT_TRUE(run.Close(main->Handle));
    EXPECT_TRUE(run.WaitForExit()) << run.Describe();
    EXPECT_EQ(run.ExitCode(), 0u);
}
