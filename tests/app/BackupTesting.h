// A sandbox for the registry backup: uninstall entries planted below a key of the test
// prefix's own in a named registry view, a backup folder in the temp folder, and readers for
// what the registry editor writes.
#pragma once
#include "app/RegistryViews.h"
#include "app/frmProgress.h"
#include "app/frmScanRemains.h"
#include "framework/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace backuptest {

// Every key below a path with its values (type and bytes), by full path.
using TValues = std::map<std::string, std::pair<DWORD, std::vector<uint8_t>>>;
using TSnapshot = std::map<std::string, TValues>;

// view is the KEY_WOW64_* flag of the registry view read.
inline void SnapshotInto(HKEY root, const std::string& path, REGSAM view, TSnapshot& out) {
    TKeyHandle key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.Put()) != ERROR_SUCCESS) return;
    TValues& values = out[path];
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLen = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(key.Get(), i, name, &nameLen, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::vector<uint8_t> data(size);
        nameLen = sizeof name;
        RegEnumValueA(key.Get(), i, name, &nameLen, nullptr, &type, data.data(), &size);
        values[std::string(name, nameLen)] = {type, data};
    }
    std::vector<std::string> subKeys;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLen = sizeof name;
        if (RegEnumKeyExA(key.Get(), i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subKeys.emplace_back(name, nameLen);
    }
    for (const std::string& s : subKeys) SnapshotInto(root, path + "\\" + s, view, out);
}

inline TSnapshot Snapshot(HKEY root, const std::string& path, REGSAM view) {
    TSnapshot out;
    SnapshotInto(root, path, view, out);
    return out;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A registry editor export (UTF-16 with a byte-order mark) at path, of any name, as text;
// empty when the file isn't one.
inline std::wstring ReadRegFileTextW(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.size() < 2 || bytes.size() % 2 != 0 || bytes.compare(0, 2, "\xFF\xFE") != 0) return {};
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
    return text;
}

// The same in the system code page.
inline std::string ReadRegFileText(const std::string& path) { return FromWide(ReadRegFileTextW(ToWide(path))); }

// The key of the first section of an export: "HKEY_...\path".
inline std::string FirstKeyOf(const std::string& text) {
    size_t open = text.find("\r\n[");
    if (open == std::string::npos) return {};
    size_t close = text.find("]\r\n", open);
    return close == std::string::npos ? std::string() : text.substr(open + 3, close - open - 3);
}

// Runs the registry editor that the program starts (on 64-bit Windows the 64-bit one, which
// names the 32-bit view's keys below WOW6432Node) with params and waits; true when it ran and
// ended with 0. The editor ends with 0 whatever it did: check what it was to do.
inline bool RunRegistryEditor(const std::wstring& params) {
    TKernelHandle process = StartRegistryEditor(params);
    if (!process || WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) return false;
    DWORD code = 1;
    return GetExitCodeProcess(process.Get(), &code) && code == 0;
}

// Imports the files, each as a file of its own, handing the editor as many of them as one
// command line holds: a start saved is time saved, and one chance fewer for the prefix's Wine,
// which now and then fails to start a process at all, to fail the test.
inline bool ImportRegFiles(const std::vector<std::wstring>& paths) {
    constexpr size_t kLineLimit = 30000;
    std::wstring params;
    for (const std::wstring& path : paths) {
        const std::wstring quoted = L" \"" + path + L"\"";
        if (!params.empty() && params.size() + quoted.size() > kLineLimit) {
            if (!RunRegistryEditor(L"/s" + params)) return false;
            params.clear();
        }
        params += quoted;
    }
    return params.empty() || RunRegistryEditor(L"/s" + params);
}

inline bool ImportRegFile(const std::wstring& path) { return ImportRegFiles({path}); }

// Names of the files (not folders) in a folder.
inline std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd{};
    TFindHandle find(FindFirstFileA((folder + "*").c_str(), &fd));
    if (!find) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(fd.cFileName);
    } while (FindNextFileA(find.Get(), &fd));
    return names;
}

inline void SetValue(HKEY key, const char* name, DWORD type, const void* data, size_t size) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
              ERROR_SUCCESS);
}

inline void SetText(HKEY key, const char* name, const std::string& text, DWORD type = REG_SZ) {
    SetValue(key, name, type, text.c_str(), text.size() + 1);
}

// Uninstall entries below a key of the test prefix's own, in the registry view each test
// names (a KEY_WOW64_* flag), and a program folder in the temp folder whose "Back up\reg\"
// receives the files. What a test planted goes in every view when it ends, failed or not.
class BackupSandbox : public testing::Test {
protected:
    void SetUp() override {
        sandbox_ = "SOFTWARE\\Velmora Tests\\Backup " + IntToStr(GetCurrentProcessId());
        RemoveSandbox();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        static int n = 0;
        appDir_ = std::string(temp) + "velmora-backup-" + IntToStr(GetCurrentProcessId()) + "-" + IntToStr(++n) + "\\";
        DeleteFolderTree(appDir_);
        ASSERT_TRUE(ForceDirectories(appDir_));
    }
    void TearDown() override {
        RemoveSandbox();
        DeleteFolderTree(appDir_);
    }

    void RemoveSandbox() const {
        for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
            TKeyHandle software;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | view, software.Put()) !=
                ERROR_SUCCESS)
                continue;
            RegDeleteTreeA(software.Get(), sandbox_.substr(9).c_str());
            // The tests' common parent goes with the last sandbox in it.
            RegDeleteKeyExA(software.Get(), "Velmora Tests", view, 0);
        }
    }

    // The entries' key of one view, or the entry name of it, with everything below it; the
    // RegDeleteTree result.
    LONG DeleteEntries(REGSAM view, const std::string& name = {}) const {
        TKeyHandle software;
        LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | view, software.Put());
        if (opened != ERROR_SUCCESS) return opened;
        return RegDeleteTreeA(software.Get(), (EntriesBelowSoftware() + (name.empty() ? "" : "\\" + name)).c_str());
    }

    std::string EntriesPath() const { return sandbox_ + "\\Uninstall"; }
    // EntriesPath without its leading "SOFTWARE\".
    std::string EntriesBelowSoftware() const { return EntriesPath().substr(9); }
    std::string AppDir() const { return appDir_; }
    std::string Folder() const { return appDir_ + "Back up\\reg\\"; }

    void CreateEntriesKey(REGSAM view) const {
        TKeyHandle key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, EntriesPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                  nullptr, key.Put(), nullptr),
                  ERROR_SUCCESS);
    }

    // An entry as installers write them; a rich one has every value type and nested keys.
    void PlantEntry(const std::string& name, bool rich, REGSAM view) const {
        TKeyHandle key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (EntriesPath() + "\\" + name).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS | view, nullptr, key.Put(), nullptr),
                  ERROR_SUCCESS);
        SetText(key.Get(), "DisplayName", "The \"" + name + "\" program");
        SetText(key.Get(), "UninstallString", "\"C:\\Program Files\\" + name + "\\unins000.exe\" /x");
        if (!rich) return;
        SetText(key.Get(), "", "default value");
        SetText(key.Get(), "InstallLocation", "%ProgramFiles%\\Velmora Test\\", REG_EXPAND_SZ);
        const DWORD size = 123456;
        SetValue(key.Get(), "EstimatedSize", REG_DWORD, &size, sizeof size);
        const uint64_t big = 0x0123456789ABCDEFull;
        SetValue(key.Get(), "Big", REG_QWORD, &big, sizeof big);
        const uint8_t blob[] = {0, 1, 2, 0xFE, 0xFF, '"', '\\'};
        SetValue(key.Get(), "Blob", REG_BINARY, blob, sizeof blob);
        const char multi[] = "first\0second \"two\"\0\0";
        SetValue(key.Get(), "Multi", REG_MULTI_SZ, multi, sizeof multi - 1);
        SetText(key.Get(), "Empty", "");
        TKeyHandle sub;
        ASSERT_EQ(RegCreateKeyExA(key.Get(), "Sub\\Deeper", 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, sub.Put(),
                                  nullptr),
                  ERROR_SUCCESS);
        SetText(sub.Get(), "Path", "C:\\Deep\\Path\\");
    }

    // An entry of any name, told apart from its namesakes by its "Marker" value.
    void PlantViewEntry(const std::wstring& name, REGSAM view, const std::wstring& marker) const {
        TKeyHandle key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (ToWide(EntriesPath()) + L"\\" + name).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS | view, nullptr, key.Put(), nullptr),
                  ERROR_SUCCESS);
        for (const auto& [value, text] : {std::pair<const wchar_t*, std::wstring>{L"DisplayName", name},
                                          {L"UninstallString", L"C:\\u.exe"}, {L"Marker", marker}})
            ASSERT_EQ(RegSetValueExW(key.Get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                      ERROR_SUCCESS);
    }

    TBackupResult RunBackup(const std::function<void(TUninstallKeyBackup&)>& configure = {}) const {
        TUninstallKeyBackup backup;
        backup.KeyPath = EntriesPath();
        backup.Folder = Folder();
        if (configure) configure(backup);
        return backup.Run();
    }

private:
    std::string sandbox_;
    std::string appDir_;
};

}  // namespace backuptest
