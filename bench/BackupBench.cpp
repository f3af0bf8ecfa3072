// Registry backup of 300 uninstall entries: our backup (one registry editor run per key,
// waited for and checked on disk) against the same registry editor runs made bare, side by
// side in one run. Goal: ours within 1.5 times the bare runs.
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

void SetText(HKEY key, const char* name, const std::string& text, DWORD type = REG_SZ) {
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

std::vector<std::string> PlantEntries() {
    std::vector<std::string> names;
    for (int i = 0; i < kEntries; ++i) {
        std::string name = Format("Bench Program %03d {%08X-4E2A-11D0-A1C4-00AA00%06X}", i, 0x5A000 + i, i);
        TKeyHandle key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (EntriesPath() + "\\" + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
            continue;
        SetText(key.Get(), "DisplayName", "Bench Program " + IntToStr(i));
        SetText(key.Get(), "Publisher", "Velmora Bench Publisher");
        SetText(key.Get(), "DisplayVersion", "1." + IntToStr(i));
        SetText(key.Get(), "InstallLocation", "C:\\Program Files\\Bench Program " + IntToStr(i) + "\\");
        SetText(key.Get(), "UninstallString", "\"C:\\Program Files\\Bench Program " + IntToStr(i) + "\\unins000.exe\"");
        SetText(key.Get(), "DisplayIcon", "%ProgramFiles%\\Bench Program\\app.exe,0", REG_EXPAND_SZ);
        DWORD size = 1000 + static_cast<DWORD>(i);
        RegSetValueExA(key.Get(), "EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size), sizeof size);
        names.push_back(name);
    }
    return names;
}

// The registry editor started for one key and waited for, with nothing else around it.
void BareExport(const std::string& file, const std::string& keyName) {
    TKernelHandle process = StartRegistryEditor(
        ExportParameters(ToWide(file), EditorKeyText(ToWide(EntriesPath() + "\\" + keyName), OwnView())));
    if (process) WaitForSingleObject(process.Get(), INFINITE);
}

double TimeBare(const std::vector<std::string>& names, const std::string& folder) {
    const double start = bench::Millis();
    for (const std::string& name : names) BareExport(folder + FromWide(BackupFileNameOf(ToWide(name))), name);
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
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSandbox);
    std::vector<std::string> names = PlantEntries();
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "velmora-backup-bench\\";
    DeleteFolderTree(root);
    const std::string bareFolder = root + "bare\\", ourFolder = root + "ours\\";
    ForceDirectories(bareFolder);

    std::printf("%d uninstall entries planted below HKEY_LOCAL_MACHINE\\%s\n", static_cast<int>(names.size()),
                EntriesPath().c_str());
    BareExport(root + "warm-up.reg", names.front());   // the first start loads what later starts share
    double bareTotal = 0, ourTotal = 0;
    bool allSaved = true;
    for (int round = 1; round <= kRounds; ++round) {
        // The order alternates, so that neither side always runs on a warmer system.
        TBackupResult result;
        double bare = 0, ours = 0;
        if (round % 2) {
            bare = TimeBare(names, bareFolder);
            ours = TimeOurs(ourFolder, result);
        } else {
            ours = TimeOurs(ourFolder, result);
            bare = TimeBare(names, bareFolder);
        }
        allSaved = allSaved && result.Succeeded() && result.Saved == static_cast<int>(names.size());
        std::printf("round %d: bare regedit /e runs %.3f s, our backup %.3f s (%d of %d saved), ratio %.3f\n", round,
                    bare, ours, result.Saved, result.Total, ours / bare);
        bareTotal += bare;
        ourTotal += ours;
    }
    std::printf("total:   bare regedit /e runs %.3f s, our backup %.3f s, ratio %.3f (goal: within 1.5)\n", bareTotal,
                ourTotal, ourTotal / bareTotal);
    if (!allSaved) std::printf("our backup did not save every entry: the figures above don't compare like with like\n");

    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSandbox);
    DeleteFolderTree(root);
    return allSaved ? 0 : 1;
}
