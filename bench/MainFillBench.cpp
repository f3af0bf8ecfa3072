// The main window's program list and start-up, against bare baselines, side by side in one run.
//
// Plants 1,000 Uninstall entries in the prefix, then measures (median of a few rounds):
//   walk     a bare walk of the Uninstall key reading the values the list shows or needs;
//   fill     FillProgramList of a real main window: the component's refresh, then every row
//            made in the real list view (icons included), then the repaint;
//   start    build/dist's Velmora.exe started in a folder of its own until its main window
//            shows, less the splash's fixed 1.5 s: with the 1,000 entries, then without them.
// Goals: fill within 2x the walk; start under 1.5 s.
#include "app/QuorbelLib_TLB.h"
#include "app/frmMain.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "app/multiSkins.h"
#include "framework/Guards.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kEntries = 1000;
constexpr int kRounds = 5;
constexpr int kStarts = 5;
constexpr double kSplashMs = 1500.0;
constexpr char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kPrefix[] = "VelmoraMainBench_";
const char* const kValues[] = {"DisplayName", "UninstallString", "Publisher", "InstallLocation",
                               "DisplayIcon", "SystemComponent", "ParentKeyName", "ReleaseType"};

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void SetText(HKEY key, const char* name, const std::string& value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

void RemoveEntries() {
    TKeyHandle root;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_ALL_ACCESS, root.Put()) != ERROR_SUCCESS) return;
    std::vector<std::string> ours;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(root.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (std::string(name, len).rfind(kPrefix, 0) == 0) ours.emplace_back(name, len);
    }
    for (const auto& n : ours) RegDeleteTreeA(root.Get(), n.c_str());
}

// Entries as installers write them, a tenth of them patches of the entry before.
bool PlantEntries() {
    for (int i = 0; i < kEntries; ++i) {
        const std::string n = std::to_string(i);
        const std::string folder = "C:\\Program Files\\Bench " + n;
        TKeyHandle k;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kUninstall) + "\\" + kPrefix + n).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, k.Put(), nullptr) != ERROR_SUCCESS)
            return false;
        SetText(k.Get(), "DisplayName", "Bench Program " + n);
        SetText(k.Get(), "Publisher", "Bench Publisher " + std::to_string(i % 50));
        SetText(k.Get(), "InstallLocation", folder);
        SetText(k.Get(), "DisplayVersion", "1." + n);
        SetText(k.Get(), "URLInfoAbout", "http://bench.example/" + n);
        SetText(k.Get(), "UninstallString", "\"" + folder + "\\unins000.exe\"");
        std::string icon = "C:\\windows\\system32\\notepad.exe";
        if (i % 2 == 0) icon = std::string("shell32.dll,").append(std::to_string(i % 10));
        SetText(k.Get(), "DisplayIcon", icon);
        if (i % 10 == 9) {
            SetText(k.Get(), "ParentKeyName", std::string(kPrefix).append(std::to_string(i - 1)));
            SetText(k.Get(), "ReleaseType", "Update");
        }
    }
    return true;
}

// The least any lister does: enumerate, open, read each value the list needs.
size_t BareWalk() {
    TKeyHandle root;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_READ, root.Put()) != ERROR_SUCCESS) return 0;
    size_t found = 0;
    char name[256];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(root.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        TKeyHandle key;
        if (RegOpenKeyExA(root.Get(), name, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) continue;
        for (const char* value : kValues) {
            DWORD size = sizeof data, type = 0;
            if (RegQueryValueExA(key.Get(), value, nullptr, &type, data, &size) == ERROR_SUCCESS) ++found;
        }
    }
    return found;
}

std::string ExeFolder() {
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string path(buf, n);
    return path.substr(0, path.rfind('\\') + 1);
}

std::string TempFolder(const std::string& name) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string dir = std::string(tmp) + name + std::to_string(GetCurrentProcessId()) + "\\";
    ForceDirectories(dir);
    return dir;
}

struct TFound {
    DWORD Pid;
    bool Shown;
};

BOOL CALLBACK FindMainWindow(HWND w, LPARAM p) {
    auto* found = reinterpret_cast<TFound*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (pid == found->Pid && IsWindowVisible(w) && std::string(cls) == "TMainForm") found->Shown = true;
    return TRUE;
}

// Milliseconds from CreateProcess until the program's main window is visible; -1 on failure.
double TimeStart(const std::string& folder) {
    const std::string exe = folder + "Velmora.exe";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + exe + "\"";
    const double start = Now();
    if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return -1;
    TKernelHandle process(pi.hProcess), thread(pi.hThread);
    TFound found{pi.dwProcessId, false};
    double shown = -1;
    while (Now() - start < 30000) {
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&found));
        if (found.Shown) {
            shown = Now() - start;
            break;
        }
        if (WaitForSingleObject(process.Get(), 5) == WAIT_OBJECT_0) break;
    }
    TerminateProcess(process.Get(), 0);
    WaitForSingleObject(process.Get(), 5000);
    return shown;
}

// Copies every file of from into to, folders included.
bool CopyTree(const std::string& from, const std::string& to) {
    if (!ForceDirectories(to)) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ok = CopyTree(from + name + "\\", to + name + "\\") && ok;
        else ok = CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE) && ok;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return ok;
}

// A copy of build/dist, as a user unpacks it.
std::string StageProgram() {
    const std::string folder = TempFolder("velmora-bench-start-");
    return CopyTree(ExeFolder() + "..\\dist\\", folder) ? folder : std::string();
}

int Run() {
    TComInit com;
    Application->Initialize();
    RegisterComServer(ExeFolder() + "Quorbel.dll");
    RemoveEntries();
    if (!PlantEntries()) {
        std::printf("could not plant the entries\n");
        return 1;
    }
    const std::string app = TempFolder("velmora-bench-fill-");
    TRestore<std::string> appDir(AppDir, app), config(ConfigPath, app + "Config.ini"),
        langs(LangsDir, app + "Langs\\"), skins(SkinsDir, ExeFolder() + "..\\dist\\Skins\\");
    TRestore<bool> patches(HideSysPatchFlag, false), savers(HideScreenSaverFlag, false);

    const double createStart = Now();
    TFreeGuard<TMainForm> form(TMainForm::Create(nullptr));
    const double created = Now() - createStart;
    form->Show();
    Application->ProcessMessages();

    std::vector<double> walk, fill, paint;
    size_t found = 0;
    for (int round = 0; round < kRounds; ++round) {
        double t = Now();
        found = BareWalk();
        walk.push_back(Now() - t);
        t = Now();
        form->FillProgramList();
        fill.push_back(Now() - t);
        t = Now();
        form->lsvProgramList->Repaint();
        Application->ProcessMessages();
        paint.push_back(Now() - t);
    }
    const int rows = form->lsvProgramList->Items()->Count();
    form.reset();

    const std::string staged = StageProgram();
    auto timeStarts = [&] {
        std::vector<double> starts;
        for (int i = 0; i < kStarts && !staged.empty(); ++i) {
            double ms = TimeStart(staged);
            if (ms >= 0) starts.push_back(ms - kSplashMs);
        }
        return starts;
    };
    const std::vector<double> loadedStarts = timeStarts();
    RemoveEntries();
    const std::vector<double> starts = timeStarts();

    const double base = Median(walk);
    std::printf("%d planted entries, %d rows in the list, %zu values found by the walk; median of %d rounds\n",
                kEntries, rows, found, kRounds);
    std::printf("  bare walk (enum + open + %zu queries)            %8.1f ms\n", std::size(kValues), base);
    std::printf("  FillProgramList (refresh + rows + icons)       %8.1f ms  %5.2fx  (goal 2x)\n", Median(fill),
                Median(fill) / base);
    std::printf("  repaint of the filled list                     %8.1f ms\n", Median(paint));
    std::printf("  main window created (layout, skin, first fill) %8.1f ms\n", created);
    if (starts.empty() || loadedStarts.empty()) {
        std::printf("  start to main window: could not be measured (build/dist missing?)\n");
        return 1;
    }
    auto printStarts = [](const char* what, const std::vector<double>& v) {
        std::printf("  start to main window shown, less the 1.5 s splash, %s %7.1f ms  (goal 1500 ms; each:", what,
                    Median(v));
        for (double s : v) std::printf(" %.0f", s);
        std::printf(")\n");
    };
    printStarts("prefix as found   ", starts);
    printStarts("with 1,000 entries", loadedStarts);
    const bool met = Median(fill) <= 2.0 * base && Median(starts) < 1500.0 && Median(loadedStarts) < 1500.0;
    std::printf("  goals %s\n", met ? "met" : "NOT met");
    return 0;
}

} // namespace

int main() {
    try {
        return Run();
    } catch (const Exception& e) {
        RemoveEntries();
        std::printf("failed: %s\n", e.Message().c_str());
        return 1;
    }
}
