// The main window's program list and start-up, against bare baselines, side by side in one run.
//
// Plants 1,000 Uninstall entries in the prefix, half in each registry view of 64-bit
// Windows, then measures (median of a few rounds):
//   walk     a bare walk of the Uninstall key of each registry view reading the values the
//            list shows or needs;
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
#include "bench/BenchSupport.h"
#include "framework/Guards.h"
#include "tests/common/HostileInput.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace bench;

constexpr int kEntries = 1000;
constexpr int kRounds = 5;
constexpr int kStarts = 5;
constexpr double kSplashMs = 1500.0;

// Entries as installers write them, a tenth of them patches of the entry before, half in
// each registry view of 64-bit Windows (a patch in its program's view).
bool PlantEntries(hostile::TPlantedEntries& sixtyFour, hostile::TPlantedEntries& thirtyTwo) {
    for (int i = 0; i < kEntries; ++i) {
        hostile::TPlantedEntries& entries = PlantingView(i) == rv64 ? sixtyFour : thirtyTwo;
        const std::wstring n = std::to_wstring(i);
        const std::wstring folder = L"C:\\Program Files\\Bench " + n;
        const bool planted = entries.Add(n, [&](HKEY k) {
            hostile::SetText(k, L"DisplayName", L"Bench Program " + n);
            hostile::SetText(k, L"Publisher", L"Bench Publisher " + std::to_wstring(i % 50));
            hostile::SetText(k, L"InstallLocation", folder);
            hostile::SetText(k, L"DisplayVersion", L"1." + n);
            hostile::SetText(k, L"URLInfoAbout", L"http://bench.example/" + n);
            hostile::SetText(k, L"UninstallString", L"\"" + folder + L"\\unins000.exe\"");
            std::wstring icon = L"C:\\windows\\system32\\notepad.exe";
            if (i % 2 == 0) icon = L"shell32.dll," + std::to_wstring(i % 10);
            hostile::SetText(k, L"DisplayIcon", icon);
            if (i % 10 == 9) {
                hostile::SetText(k, L"ParentKeyName", entries.Prefix() + std::to_wstring(i - 1));
                hostile::SetText(k, L"ReleaseType", L"Update");
            }
        });
        if (!planted) return false;
    }
    return true;
}

// The least any lister does: enumerate, open, read each value the list needs.
size_t BareWalk() {
    return BareUninstallWalk({L"DisplayName", L"UninstallString", L"Publisher", L"InstallLocation", L"DisplayIcon",
                              L"SystemComponent", L"ParentKeyName", L"ReleaseType"});
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
    const double start = Millis();
    if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return -1;
    TKernelHandle process(pi.hProcess), thread(pi.hThread);
    TFound found{pi.dwProcessId, false};
    double shown = -1;
    while (Millis() - start < 30000) {
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&found));
        if (found.Shown) {
            shown = Millis() - start;
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
    hostile::TPlantedEntries sixtyFour(L"VelmoraMainBench_", ViewAccess(rv64)),
        thirtyTwo(L"VelmoraMainBench_", ViewAccess(rv32));
    if (!PlantEntries(sixtyFour, thirtyTwo)) {
        std::printf("could not plant the entries\n");
        return 1;
    }
    const std::string app = TempFolder("velmora-bench-fill-");
    TRestore<std::string> appDir(AppDir, app), config(ConfigPath, app + "Config.ini"),
        langs(LangsDir, app + "Langs\\"), skins(SkinsDir, ExeFolder() + "..\\dist\\Skins\\");
    TRestore<bool> patches(HideSysPatchFlag, false), savers(HideScreenSaverFlag, false);

    const double createStart = Millis();
    TFreeGuard<TMainForm> form(TMainForm::Create(nullptr));
    const double created = Millis() - createStart;
    form->Show();
    Application->ProcessMessages();

    std::vector<double> walk, fill, paint;
    size_t found = 0;
    for (int round = 0; round < kRounds; ++round) {
        double t = Millis();
        found = BareWalk();
        walk.push_back(Millis() - t);
        t = Millis();
        form->FillProgramList();
        fill.push_back(Millis() - t);
        t = Millis();
        form->lsvProgramList->Repaint();
        Application->ProcessMessages();
        paint.push_back(Millis() - t);
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
    sixtyFour.RemoveAll();
    thirtyTwo.RemoveAll();
    const std::vector<double> starts = timeStarts();

    const double base = Median(walk);
    std::printf("%d planted entries, %d rows in the list, %zu values found by the walk; median of %d rounds\n",
                kEntries, rows, found, kRounds);
    std::printf("  bare walk (enum + open + 8 queries), each view  %8.1f ms\n", base);
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

int main() { return RunReportingFailure(Run); }
