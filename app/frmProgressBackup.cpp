// The backup itself: key names to file names, the registry editor's runs, and the summary.
#include "app/frmProgress.h"
#include "app/multiLangs.h"
#include "framework/Classes.h"
#include "framework/Guards.h"
#include "framework/Registry.h"

#include <algorithm>
#include <cstring>
#include <set>

const char* const UninstallKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

bool IsDeviceName(const std::string& base) {
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    std::string upper = UpperCase(base);
    for (const char* d : kDevices)
        if (upper == d) return true;
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
           upper[3] <= '9';
}

// Keys whose names differ only in what became "_" would share a file; the later ones get
// " (2)", " (3)", ... so that no export overwrites another of the same run.
std::string UniqueFileName(const std::string& fileName, std::set<std::string>& used) {
    std::string base = fileName.substr(0, fileName.size() - 4);
    std::string candidate = fileName;
    for (int n = 2; !used.insert(UpperCase(candidate)).second; ++n) candidate = base + " (" + IntToStr(n) + ").reg";
    return candidate;
}

int64_t FileSizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

std::string BackupFileNameOf(const std::string& keyName) {
    std::string name = keyName.empty() ? "_" : keyName;
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"/\\|?*", c)) c = '_';
    // "CON.x" is the console whatever follows the dot.
    size_t dot = std::min(name.find('.'), name.size());
    std::string base = name.substr(0, dot);
    if (IsDeviceName(base)) return base + "_" + name.substr(dot) + ".reg";
    return name + ".reg";
}

std::string ExportParameters(const std::string& fileName, const std::string& keyPath) {
    return "/e \"" + fileName + "\" \"HKEY_LOCAL_MACHINE\\" + keyPath + "\"";
}

TBackupResult TUninstallKeyBackup::Run() {
    TBackupResult result;
    TStringList keys;
    {
        TRegistry reg(KEY_ALL_ACCESS);
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!reg.OpenKey(KeyPath, false)) {
            result.End = beNoUninstallKey;
            return result;
        }
        reg.GetKeyNames(keys);
    }
    result.Total = keys.Count();
    if (result.Total == 0) {
        result.End = beNoEntries;
        return result;
    }
    std::string folder = IncludeTrailingBackslash(ExpandFileName(Folder));
    if (!ForceDirectories(folder)) {
        result.End = beFolderFailed;
        return result;
    }
    std::set<std::string> used;
    for (int i = 0; i < result.Total; ++i) {
        if (Stopping && Stopping()) {
            result.End = beStopped;
            break;
        }
        const std::string key = keys[i];
        std::optional<TBackupFailure> failure;
        // A quote would end the quoted key path early and hand the editor a different command.
        if (key.find('"') != std::string::npos) failure = bfQuoteRefused;
        else failure = ExportKey(key, folder + UniqueFileName(BackupFileNameOf(key), used));
        if (failure) result.Failed.push_back({key, *failure});
        else ++result.Saved;
        if (OnProgress) OnProgress(i + 1, result.Total);
    }
    return result;
}

std::optional<TBackupFailure> TUninstallKeyBackup::ExportKey(const std::string& keyName,
                                                             const std::string& path) const {
    const std::string aside = path + ".old";
    DeleteFileA(aside.c_str());
    if (FileExists(path) && !MoveFileExA(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) return bfNotWritten;
    bool written = false;
    TScopeExit restore([&] {
        if (written) {
            DeleteFileA(aside.c_str());
            return;
        }
        // An empty or partial file is no backup; the earlier one goes back in its place.
        if (FileSizeOf(path) >= 0) DeleteFileA(path.c_str());
        if (FileExists(aside)) MoveFileExA(aside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    });

    const std::string params = ExportParameters(path, KeyPath + "\\" + keyName);
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = Owner;
    info.lpVerb = "open";
    info.lpFile = "regedit";
    info.lpParameters = params.c_str();
    info.nShow = SW_SHOW;
    if (!ShellExecuteExA(&info)) return bfNotStarted;
    TKernelHandle process(info.hProcess);
    // Without a process to wait for, the file is checked as it is now.
    if (process && !WaitForExport(process.Get())) return bfNotWritten;
    written = FileSizeOf(path) > 0;
    if (!written) return bfNotWritten;
    return std::nullopt;
}

bool TUninstallKeyBackup::WaitForExport(HANDLE process) const {
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ExportTimeoutMs) return false;
        DWORD r = MsgWaitForMultipleObjectsEx(1, &process, ExportTimeoutMs - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return false;
        // The window repaints and takes a close request while the editor works.
        if (Application) Application->ProcessMessages();
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
