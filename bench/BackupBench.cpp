// Registry backup of 300 uninstall entries: our backup (one registry editor export per key,
// waited for and checked on disk) against the same registry editor's exports made bare, one
// after the other, side by side in one run. On 64-bit Windows half the entries are in each
// registry view and both sides export each in its own view. Goal: ours no slower than the
// bare runs.
#include "app/RegistryViews.h"
#include "app/frmProgress.h"
#include "app/frmScanRemains.h"
#include "bench/BenchSupport.h"
#include "framework/Classes.h"
#include "framework/Handles.h"
#include "framework/SysUtils.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kSandbox = "SOFTWARE\\Velmora Bench\\Backup";
const int kEntries = 300;
const int kRounds = 3;

std::string EntriesPath() { return std::string(kSandbox) + "\\Uninstall"; }

struct TPlanted {
    TRegistryView View;
    std::string Name;
};

void RemoveSandbox() {
    for (TRegistryView view : RegistryViews()) {
        TKeyHandle software;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | ViewAccess(view), software.Put()) ==
            ERROR_SUCCESS)
            RegDeleteTreeA(software.Get(), "Velmora Bench");
    }
}

void SetText(HKEY key, const char* name, const std::string& text, DWORD type = REG_SZ) {
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

std::vector<TPlanted> PlantEntries() {
    std::vector<TPlanted> planted;
    const std::vector<TRegistryView> views = RegistryViews();
    for (int i = 0; i < kEntries; ++i) {
        const TRegistryView view = views[static_cast<size_t>(i) % views.size()];
        std::string name = Format("Bench Program %03d {%08X-4E2A-11D0-A1C4-00AA00%06X}", i, 0x5A000 + i, i);
        TKeyHandle key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (EntriesPath() + "\\" + name).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS | ViewAccess(view), nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
            continue;
        SetText(key.Get(), "DisplayName", "Bench Program " + IntToStr(i));
        SetText(key.Get(), "Publisher", "Velmora Bench Publisher");
        SetText(key.Get(), "DisplayVersion", "1." + IntToStr(i));
        SetText(key.Get(), "InstallLocation", "C:\\Program Files\\Bench Program " + IntToStr(i) + "\\");
        SetText(key.Get(), "UninstallString", "\"C:\\Program Files\\Bench Program " + IntToStr(i) + "\\unins000.exe\"");
        SetText(key.Get(), "DisplayIcon", "%ProgramFiles%\\Bench Program\\app.exe,0", REG_EXPAND_SZ);
        DWORD size = 1000 + static_cast<DWORD>(i);
        RegSetValueExA(key.Get(), "EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size), sizeof size);
        planted.push_back({view, name});
    }
    return planted;
}

// The registry editor started for one key of its view and waited for, with nothing else
// around it.
void BareExport(const std::string& file, const TPlanted& entry) {
    TKernelHandle process = StartRegistryEditor(
        ExportParameters(ToWide(file), EditorKeyText(ToWide(EntriesPath() + "\\" + entry.Name), entry.View)));
    if (process) WaitForSingleObject(process.Get(), INFINITE);
}

double TimeBare(const std::vector<TPlanted>& planted, const std::string& folder) {
    const double start = bench::Millis();
    for (const TPlanted& entry : planted) {
        const std::string file = FromWide(BackupFileNameOf(ToWide(entry.Name)));
        BareExport(folder + (entry.View == rv32 ? "32-" : "64-") + file, entry);
    }
    return (bench::Millis() - start) / 1000.0;
}

double TimeOurs(const std::string& folder, TBackupResult& result) {
    TUninstallKeyBackup backup;
    backup.KeyPath = EntriesPath();
    backup.Folder = folder;
    const double start = bench::Millis();
    result = backup.Run();
    return (bench::Millis() - start) / 1000.0;
}

}  // namespace

int main() {
    bench::PrintPlatform();
    RemoveSandbox();
    std::vector<TPlanted> planted = PlantEntries();
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "velmora-backup-bench\\";
    DeleteFolderTree(root);
    const std::string bareFolder = root + "bare\\", ourFolder = root + "ours\\";
    ForceDirectories(bareFolder);

    std::printf("%d uninstall entries planted below HKEY_LOCAL_MACHINE\\%s, in %d registry view(s)\n",
                static_cast<int>(planted.size()), EntriesPath().c_str(), static_cast<int>(RegistryViews().size()));
    BareExport(root + "warm-up.reg", planted.front());   // the first start loads what later starts share
    double bareTotal = 0, ourTotal = 0;
    bool allSaved = true;
    for (int round = 1; round <= kRounds; ++round) {
        // The order alternates, so that neither side always runs on a warmer system.
        TBackupResult result;
        double bare = 0, ours = 0;
        if (round % 2) {
            bare = TimeBare(planted, bareFolder);
            ours = TimeOurs(ourFolder, result);
        } else {
            ours = TimeOurs(ourFolder, result);
            bare = TimeBare(planted, bareFolder);
        }
        allSaved = allSaved && result.Succeeded() && result.Saved == static_cast<int>(planted.size());
        std::printf("round %d: bare regedit /e runs %.3f s, our backup %.3f s (%d of %d saved), ratio %.3f\n", round,
                    bare, ours, result.Saved, result.Total, ours / bare);
        bareTotal += bare;
        ourTotal += ours;
    }
    std::printf("total:   bare regedit /e runs %.3f s, our backup %.3f s, ratio %.3f (goal: at most 1.0)\n", bareTotal,
                ourTotal, ourTotal / bareTotal);
    if (!allSaved) std::printf("our backup did not save every entry: the figures above don't compare like with like\n");

    RemoveSandbox();
    DeleteFolderTree(root);
    return allSaved ? 0 : 1;
}
