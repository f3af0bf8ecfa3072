// The backup itself: key names to file names, the registry editor's runs, and the summary.
#include "app/frmProgress.h"
#include "app/RegistryViews.h"
#include "app/multiLangs.h"
#include "framework/Classes.h"
#include "framework/Guards.h"
#include "framework/Registry.h"

#include <algorithm>
#include <cwchar>
#include <set>

const char* const UninstallKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

bool IsDeviceName(const std::wstring& base) {
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    const std::wstring upper = WideUpperCase(base);
    for (const wchar_t* d : kDevices)
        if (upper == d) return true;
    return upper.size() == 4 && (upper.starts_with(L"COM") || upper.starts_with(L"LPT")) && upper[3] >= L'1' &&
           upper[3] <= L'9';
}

// Keys whose names differ only in what became "_" would share a file; the later ones get
// " (2)", " (3)", ... so that no export overwrites another of the same run.
std::wstring UniqueFileName(const std::wstring& fileName, std::set<std::wstring>& used) {
    std::wstring base = fileName.substr(0, fileName.size() - 4);
    std::wstring candidate = fileName;
    for (int n = 2; !used.insert(WideUpperCase(candidate)).second; ++n)
        candidate = base + L" (" + std::to_wstring(n) + L").reg";
    return candidate;
}

int64_t FileSizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

struct TViewKey {
    TRegistryView View;
    std::wstring Name;
};

// The sub-keys of keyPath in every view that has it; false when no view has it.
bool ListViewKeys(const std::string& keyPath, std::vector<TViewKey>& keys) {
    bool found = false;
    for (TRegistryView view : RegistryViews()) {
        TRegistry reg(KEY_ALL_ACCESS | ViewAccess(view));
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!reg.OpenKey(keyPath, false)) continue;
        found = true;
        for (std::wstring& name : reg.GetKeyNamesW()) keys.push_back({view, std::move(name)});
    }
    return found;
}

}  // namespace

std::wstring BackupFileNameOf(const std::wstring& keyName) {
    std::wstring name = keyName.empty() ? L"_" : keyName;
    for (wchar_t& c : name)
        if (c < 32 || std::wcschr(L"<>:\"/\\|?*", c)) c = L'_';
    // "CON.x" is the console whatever follows the dot.
    size_t dot = std::min(name.find(L'.'), name.size());
    std::wstring base = name.substr(0, dot);
    if (IsDeviceName(base)) return base + L"_" + name.substr(dot) + L".reg";
    return name + L".reg";
}

std::wstring BackupFileNameOf(const std::wstring& keyName, TRegistryView view) {
    const std::wstring fileName = BackupFileNameOf(keyName);
    if (!Is64BitWindows() || view != rv32) return fileName;
    return fileName.substr(0, fileName.size() - 4) + L" (32-bit).reg";
}

std::wstring ExportParameters(const std::wstring& fileName, const std::wstring& editorKey) {
    return L"/e \"" + fileName + L"\" \"" + editorKey + L"\"";
}

// One export under way.
struct TUninstallKeyBackup::TExport {
    size_t Index = 0;
    std::wstring Path, Aside;
    bool HadEarlier = false;
    TKernelHandle Process;
    DWORD StartedAt = 0;
    bool Ended = false;   // the editor's process ended (not timed out, nor never started)
};

TBackupResult TUninstallKeyBackup::Run() {
    TBackupResult result;
    std::vector<TViewKey> keys;
    if (!ListViewKeys(KeyPath, keys)) {
        result.End = beNoUninstallKey;
        return result;
    }
    result.Total = static_cast<int>(keys.size());
    if (result.Total == 0) {
        result.End = beNoEntries;
        return result;
    }
    std::string folder = IncludeTrailingBackslash(ExpandFileName(Folder));
    if (!ForceDirectories(folder)) {
        result.End = beFolderFailed;
        return result;
    }
    const std::wstring wideFolder = ToWide(folder), wideKeyPath = ToWide(KeyPath);
    std::set<std::wstring> used;
    // Outcomes by key, reported in the keys' order whatever order the exports end in; a
    // key not reached was left when the backup was stopped.
    struct TOutcome {
        bool Reached = false;
        std::optional<TBackupFailure> Failure;
    };
    std::vector<TOutcome> outcome(keys.size());
    std::vector<TExport> running;
    int done = 0;
    auto finished = [&](size_t index, std::optional<TBackupFailure> failure) {
        outcome[index] = {true, failure};
        if (OnProgress) OnProgress(++done, result.Total);
    };
    size_t next = 0;
    // One wait covers every export under way, and the messages besides.
    const size_t parallel = std::clamp<size_t>(ParallelExports, 1, MAXIMUM_WAIT_OBJECTS - 1);
    while (next < keys.size() || !running.empty()) {
        if (next < keys.size() && result.End != beStopped && Stopping && Stopping()) result.End = beStopped;
        const bool starting = next < keys.size() && result.End != beStopped;
        if (starting && running.size() < parallel) {
            const TViewKey& key = keys[next];
            // A quote would end the quoted key path early and hand the editor a different command.
            if (key.Name.find(L'"') != std::wstring::npos) {
                finished(next++, bfQuoteRefused);
                continue;
            }
            TExport e;
            e.Index = next++;
            e.Path = wideFolder + UniqueFileName(BackupFileNameOf(key.Name, key.View), used);
            if (std::optional<TBackupFailure> failure =
                    StartExport(e, EditorKeyText(wideKeyPath + L"\\" + key.Name, key.View)))
                finished(e.Index, failure);
            else
                running.push_back(std::move(e));
            continue;
        }
        if (running.empty()) break;
        const size_t ended = WaitForAnExport(running);
        TExport e = std::move(running[ended]);
        running.erase(running.begin() + static_cast<std::ptrdiff_t>(ended));
        finished(e.Index, FinishExport(e));
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        if (!outcome[i].Reached) continue;
        if (!outcome[i].Failure) {
            ++result.Saved;
            continue;
        }
        std::string shown = FromWide(keys[i].Name);
        if (Is64BitWindows() && keys[i].View == rv32) shown += " (32-bit)";
        result.Failed.push_back({shown, *outcome[i].Failure});
    }
    return result;
}

std::optional<TBackupFailure> TUninstallKeyBackup::StartExport(TExport& e, const std::wstring& editorKey) const {
    e.Aside = e.Path + L".old";
    DeleteFileW(e.Aside.c_str());
    if (FileSizeOf(e.Path) >= 0) {
        if (!MoveFileExW(e.Path.c_str(), e.Aside.c_str(), MOVEFILE_REPLACE_EXISTING)) return bfNotWritten;
        e.HadEarlier = true;
    }
    e.Process = StartRegistryEditor(ExportParameters(e.Path, editorKey));
    e.StartedAt = GetTickCount();
    if (e.Process) return std::nullopt;
    FinishExport(e);
    return bfNotStarted;
}

std::optional<TBackupFailure> TUninstallKeyBackup::FinishExport(TExport& e) const {
    if (e.Ended && FileSizeOf(e.Path) > 0) {
        DeleteFileW(e.Aside.c_str());
        return std::nullopt;
    }
    // An empty or partial file is no backup; the earlier one goes back in its place.
    if (FileSizeOf(e.Path) >= 0) DeleteFileW(e.Path.c_str());
    if (e.HadEarlier && FileSizeOf(e.Aside) >= 0)
        MoveFileExW(e.Aside.c_str(), e.Path.c_str(), MOVEFILE_REPLACE_EXISTING);
    return bfNotWritten;
}

size_t TUninstallKeyBackup::WaitForAnExport(std::vector<TExport>& running) const {
    std::vector<HANDLE> handles;
    for (;;) {
        // With several editors at work one has nearly always ended by now, and the wait
        // below would report it before any message: what waits is let through first.
        if (Application && HIWORD(GetQueueStatus(QS_ALLINPUT)) != 0) Application->ProcessMessages();
        const DWORD now = GetTickCount();
        DWORD wait = INFINITE;
        handles.clear();
        for (size_t i = 0; i < running.size(); ++i) {
            const DWORD elapsed = now - running[i].StartedAt;
            if (elapsed >= ExportTimeoutMs) return i;   // Ended stays false: it counts as failed
            wait = std::min<DWORD>(wait, ExportTimeoutMs - elapsed);
            handles.push_back(running[i].Process.Get());
        }
        const DWORD n = static_cast<DWORD>(handles.size());
        const DWORD r = MsgWaitForMultipleObjectsEx(n, handles.data(), wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r < WAIT_OBJECT_0 + n) {
            running[r - WAIT_OBJECT_0].Ended = true;
            return r - WAIT_OBJECT_0;
        }
        if (r == WAIT_OBJECT_0 + n) {
            // The window repaints and takes a close request while the editors work.
            if (Application) Application->ProcessMessages();
            continue;
        }
        if (r == WAIT_TIMEOUT) continue;   // the next pass finds the export that timed out
        return 0;                          // a wait that fails ends the first export as failed
    }
}

std::string BackupSummary(const TBackupResult& result, const std::string& folder, const std::string& keyPath) {
    const std::string fullKey = "HKEY_LOCAL_MACHINE\\" + keyPath;
    switch (result.End) {
    case beNoUninstallKey:
        return FormatLangOf(IDS_MESSAGEBOX_MESSAGE_BackupNoKey, fullKey);
    case beNoEntries:
        return FormatLangOf(IDS_MESSAGEBOX_MESSAGE_BackupNoEntries, fullKey);
    case beFolderFailed:
        return FormatLangOf(IDS_MESSAGEBOX_MESSAGE_BackupFolderFailed, folder, result.Total);
    case beDone:
    case beStopped:
        break;
    }
    if (result.Succeeded()) return IDS_MESSAGEBOX_MESSAGE_BackupSucceed;
    std::string text;
    if (result.End == beStopped) text = IDS_MESSAGEBOX_MESSAGE_BackupStopped + "\r\n";
    text += FormatLangOf(IDS_MESSAGEBOX_MESSAGE_BackupCount, result.Saved, result.Total, folder);
    if (result.Failed.empty()) return text;
    text += "\r\n\r\n" + IDS_MESSAGEBOX_MESSAGE_BackupFailedList;
    constexpr size_t kListed = 10;
    for (size_t i = 0; i < std::min(result.Failed.size(), kListed); ++i) {
        const std::string* reason = &IDS_MESSAGEBOX_MESSAGE_BackupNotWritten;
        if (result.Failed[i].Reason == bfQuoteRefused) reason = &IDS_MESSAGEBOX_MESSAGE_BackupQuoteRefused;
        else if (result.Failed[i].Reason == bfNotStarted) reason = &IDS_MESSAGEBOX_MESSAGE_BackupNotStarted;
        text += "\r\n" + FormatLangOf(*reason, result.Failed[i].KeyName);
    }
    if (result.Failed.size() > kListed)
        text += "\r\n" +
                FormatLangOf(IDS_MESSAGEBOX_MESSAGE_BackupMore, static_cast<int>(result.Failed.size() - kListed));
    return text;
}
