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
    for (int i = 0; i < result.Total; ++i) {
        if (Stopping && Stopping()) {
            result.End = beStopped;
            break;
        }
        const TViewKey& key = keys[static_cast<size_t>(i)];
        std::optional<TBackupFailure> failure;
        // A quote would end the quoted key path early and hand the editor a different command.
        if (key.Name.find(L'"') != std::wstring::npos) {
            failure = bfQuoteRefused;
        } else {
            const std::wstring file = UniqueFileName(BackupFileNameOf(key.Name, key.View), used);
            failure = ExportKey(EditorKeyText(wideKeyPath + L"\\" + key.Name, key.View), wideFolder + file);
        }
        if (failure) {
            std::string shown = FromWide(key.Name);
            if (Is64BitWindows() && key.View == rv32) shown += " (32-bit)";
            result.Failed.push_back({shown, *failure});
        } else {
            ++result.Saved;
        }
        if (OnProgress) OnProgress(i + 1, result.Total);
    }
    return result;
}

std::optional<TBackupFailure> TUninstallKeyBackup::ExportKey(const std::wstring& editorKey,
                                                             const std::wstring& path) const {
    const std::wstring aside = path + L".old";
    DeleteFileW(aside.c_str());
    if (FileSizeOf(path) >= 0 && !MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING))
        return bfNotWritten;
    bool written = false;
    TScopeExit restore([&] {
        if (written) {
            DeleteFileW(aside.c_str());
            return;
        }
        // An empty or partial file is no backup; the earlier one goes back in its place.
        if (FileSizeOf(path) >= 0) DeleteFileW(path.c_str());
        if (FileSizeOf(aside) >= 0) MoveFileExW(aside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    });

    TKernelHandle process = StartRegistryEditor(ExportParameters(path, editorKey));
    if (!process) return bfNotStarted;
    if (!WaitForExport(process.Get())) return bfNotWritten;
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
