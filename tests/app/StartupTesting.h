// Plants startup entries in the test prefix's Run-type keys and Startup folders, and takes
// every trace of them away again: values and files carry a name prefix of this run, and
// keys that did not exist before the test are removed whole.
#pragma once
#include "app/StartupItems.h"
#include "app/funUtils.h"
#include "app/globals.h"
#include "framework/Handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

// Where a test plants a registry entry: a root and the registry view it is written through.
// HKCU's Run-type keys are one key that both views share, so the user's entries are written
// through the 32-bit view and the program, which reads them through the system's own, must
// still find each once; HKLM's Run-type keys are one key per view.
struct TRunRoot {
    HKEY Root;
    REGSAM View;
};
inline const TRunRoot kUser{HKEY_CURRENT_USER, KEY_WOW64_32KEY};
inline const TRunRoot kMachine64{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY};
inline const TRunRoot kMachine32{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY};

class TStartupSandbox {
public:
    TStartupSandbox() {
        CoInitialize(nullptr);
        prefix_ = RunPrefix();
        for (const TRunRoot& where : {kUser, kMachine64, kMachine32})
            for (const char* run : kRunKeys) {
                std::string key = std::string(CurrentVersionKey) + run;
                for (const std::string& path : {key, key + "\\" + RunDisableKey})
                    keys_.push_back({where, path, KeyExists(where, path)});
            }
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        appDir_ = std::string(temp) + prefix_ + "app\\";
        savedBackupDir_ = BackupStartupDir;
        BackupStartupDir = appDir_ + "Back up\\startup\\";
    }

    ~TStartupSandbox() {
        for (const auto& [where, path] : denied_) Allow(where, path);
        // Deepest first: a Run_Disable before its key, "RunOnce\Setup" before "RunOnce".
        for (auto it = keys_.rbegin(); it != keys_.rend(); ++it) {
            if (it->Existed) {
                DeleteOurValues(*it);
            } else {
                HKEY key = nullptr;
                if (RegOpenKeyExA(it->Where.Root, it->Path.c_str(), 0, KEY_ALL_ACCESS | it->Where.View, &key) ==
                    ERROR_SUCCESS) {
                    RegDeleteTreeA(key, nullptr);
                    RegCloseKey(key);
                }
                RegDeleteKeyExA(it->Where.Root, it->Path.c_str(), it->Where.View, 0);
            }
        }
        for (int csidl : {CSIDL_STARTUP, CSIDL_COMMON_STARTUP}) DeleteOurFiles(Folder(csidl));
        for (const auto& folder : extraFolders_) DeleteOurFiles(folder);
        std::error_code ec;
        std::filesystem::remove_all(appDir_, ec);
        BackupStartupDir = savedBackupDir_;
        CoUninitialize();
    }

    TStartupSandbox(const TStartupSandbox&) = delete;
    TStartupSandbox& operator=(const TStartupSandbox&) = delete;

    // A name no other run's entries carry.
    std::string Name(const std::string& base) const { return prefix_ + base; }
    std::wstring NameW(const std::wstring& base) const { return ToWide(prefix_) + base; }
    const std::string& BackupDir() const { return BackupStartupDir; }
    static std::string KeyPath(const std::string& run) { return std::string(CurrentVersionKey) + run; }
    static std::string Folder(int csidl) { return WithTrailingBackslash(GetSpecialFolder(csidl)); }
    // CurrentVersion\<run> named in the view it lies in, as the 64-bit registry editor shows it.
    static std::string Location(const TRunRoot& where, const std::string& run) {
        if (where.Root == HKEY_CURRENT_USER) return "HKCU\\" + KeyPath(run);
        if (where.View == KEY_WOW64_32KEY && Is64BitWindows())
            return "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\" + run;
        return "HKLM\\" + KeyPath(run);
    }

    // CurrentVersion\<run> in where's view: opened with access, or created with the keys on the
    // way.
    static LONG OpenRun(const TRunRoot& where, const std::string& run, REGSAM access, TKeyHandle& key) {
        return RegOpenKeyExA(where.Root, KeyPath(run).c_str(), 0, access | where.View, key.Put());
    }
    static LONG CreateRun(const TRunRoot& where, const std::string& run, TKeyHandle& key) {
        return RegCreateKeyExA(where.Root, KeyPath(run).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | where.View, nullptr,
                               key.Put(), nullptr);
    }

    // Writes a value into CurrentVersion\<run>, creating the keys on the way.
    void SetValueW(const TRunRoot& where, const std::string& run, const std::wstring& name, DWORD type,
                   const void* data, DWORD size) {
        WriteValue(where, run, name, type, data, size);
    }
    void SetValue(const TRunRoot& where, const std::string& run, const std::string& name, DWORD type,
                  const void* data, DWORD size) {
        WriteValue(where, run, name, type, data, size);
    }
    void SetString(const TRunRoot& where, const std::string& run, const std::string& name, const std::string& text,
                   DWORD type = REG_SZ) {
        SetValue(where, run, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    // A UTF-16 string value with its NUL; the bytes planted are returned.
    std::vector<uint8_t> SetStringW(const TRunRoot& where, const std::string& run, const std::wstring& name,
                                    const std::wstring& text, DWORD type = REG_SZ) {
        auto* p = reinterpret_cast<const uint8_t*>(text.c_str());
        std::vector<uint8_t> bytes(p, p + (text.size() + 1) * sizeof(wchar_t));
        SetValueW(where, run, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
        return bytes;
    }
    // Takes a planted value away behind the program's back.
    static void DeleteValue(const TRunRoot& where, const std::string& run, const std::string& name) {
        TKeyHandle key;
        ASSERT_EQ(OpenRun(where, run, KEY_SET_VALUE, key), ERROR_SUCCESS) << run;
        EXPECT_EQ(RegDeleteValueA(key.Get(), name.c_str()), ERROR_SUCCESS) << name;
    }

    // The value's type and bytes; false when it is not there.
    static bool GetValueW(const TRunRoot& where, const std::string& run, const std::wstring& name, DWORD& type,
                          std::vector<uint8_t>& data) {
        return ReadValue(where, run, name, type, data);
    }
    static bool GetValue(const TRunRoot& where, const std::string& run, const std::string& name, DWORD& type,
                         std::vector<uint8_t>& data) {
        return ReadValue(where, run, name, type, data);
    }
    static bool HasValue(const TRunRoot& where, const std::string& run, const std::string& name) {
        DWORD type = 0;
        std::vector<uint8_t> data;
        return GetValue(where, run, name, type, data);
    }
    static bool HasValueW(const TRunRoot& where, const std::string& run, const std::wstring& name) {
        DWORD type = 0;
        std::vector<uint8_t> data;
        return GetValueW(where, run, name, type, data);
    }
    static std::string GetString(const TRunRoot& where, const std::string& run, const std::string& name) {
        DWORD type = 0;
        std::vector<uint8_t> data;
        if (!GetValue(where, run, name, type, data)) return "<missing>";
        return std::string(reinterpret_cast<const char*>(data.data()), strnlen(reinterpret_cast<const char*>(data.data()), data.size()));
    }
    static bool KeyExists(const TRunRoot& where, const std::string& path) {
        TKeyHandle key;
        LONG r = RegOpenKeyExA(where.Root, path.c_str(), 0, KEY_QUERY_VALUE | where.View, key.Put());
        return r == ERROR_SUCCESS || r == ERROR_ACCESS_DENIED;
    }

    // Takes every right on CurrentVersion\<run> away from everyone (the key is created when
    // missing); the sandbox gives them back at the end.
    void Deny(const TRunRoot& where, const std::string& run) {
        TKeyHandle key;
        LONG created = CreateRun(where, run, key);
        // A run that crashed leaves the key guarded until the prefix's server ends.
        if (created == ERROR_ACCESS_DENIED) {
            Allow(where, KeyPath(run));
            created = CreateRun(where, run, key);
        }
        ASSERT_EQ(created, ERROR_SUCCESS) << run;
        denied_.push_back({where, KeyPath(run)});
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        ACL acl;
        InitializeAcl(&acl, sizeof acl, ACL_REVISION);
        SetSecurityDescriptorDacl(&sd, TRUE, &acl, FALSE);
        EXPECT_EQ(RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &sd), ERROR_SUCCESS);
    }

    // A file of these bytes in a Startup folder (or any folder), removed at the end.
    std::string PlantFile(const std::string& folder, const std::string& name, const std::string& bytes,
                          DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        std::string path = WithTrailingBackslash(folder) + name;
        std::ofstream(path, std::ios::binary) << bytes;
        SetFileAttributesA(path.c_str(), attributes);
        extraFolders_.push_back(WithTrailingBackslash(folder));
        return path;
    }
    // The same under a name the code page can't hold.
    std::wstring PlantFileW(const std::string& folder, const std::wstring& name, const std::string& bytes) {
        std::wstring path = ToWide(WithTrailingBackslash(folder)) + name;
        std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
        extraFolders_.push_back(WithTrailingBackslash(folder));
        return path;
    }
    static std::string ReadFile(const std::string& path) { return ReadFile(ToWide(path)); }
    static std::string ReadFile(const std::wstring& path) {
        std::ifstream f(std::filesystem::path(path), std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    // The names in the backup folder as the code page shows them, sorted.
    std::vector<std::string> BackupFiles() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(ToWide(BackupStartupDir)), ec))
            names.push_back(FromWide(e.path().filename().wstring()));
        std::sort(names.begin(), names.end());
        return names;
    }

    // The planted entries among items, in their order.
    std::vector<TStartupItem> Ours(const std::vector<TStartupItem>& items) const {
        std::vector<TStartupItem> ours;
        for (const auto& item : items)
            if (item.Name.rfind(prefix_, 0) == 0) ours.push_back(item);
        return ours;
    }
    static constexpr const char* kRunKeys[] = {"Run", "RunServicesOnce", "RunServices", "RunOnce", "RunOnce\\Setup",
                                               "RunOnceEx"};

private:
    // Wine numbers its processes from a small pool, so a process of the next run may get the
    // same number: the time the run began tells a crashed run's leftovers from this run's.
    static std::string RunPrefix() {
        static const std::string prefix = [] {
            FILETIME now{};
            GetSystemTimeAsFileTime(&now);
            const uint64_t seconds = ((uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000000;
            return "VelmoraTest" + std::to_string(GetCurrentProcessId()) + "_" +
                   IntToHex(int64_t(seconds & 0xFFFFFF), 6) + "_";
        }();
        return prefix;
    }

    // A value's name in the A or the W calls: an A name's string data comes and goes in the
    // code page, a W name's as UTF-16.
    static LONG Query(HKEY key, const std::string& name, DWORD* type, BYTE* data, DWORD* size) {
        return RegQueryValueExA(key, name.c_str(), nullptr, type, data, size);
    }
    static LONG Query(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) {
        return RegQueryValueExW(key, name.c_str(), nullptr, type, data, size);
    }
    static LONG Set(HKEY key, const std::string& name, DWORD type, const void* data, DWORD size) {
        return RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    }
    static LONG Set(HKEY key, const std::wstring& name, DWORD type, const void* data, DWORD size) {
        return RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    }
    template <class Name>
    static bool ReadValue(const TRunRoot& where, const std::string& run, const Name& name, DWORD& type,
                          std::vector<uint8_t>& data) {
        TKeyHandle key;
        if (OpenRun(where, run, KEY_QUERY_VALUE, key) != ERROR_SUCCESS) return false;
        DWORD size = 0;
        bool ok = Query(key.Get(), name, &type, nullptr, &size) == ERROR_SUCCESS;
        data.assign(size, 0);
        return ok && Query(key.Get(), name, &type, data.data(), &size) == ERROR_SUCCESS;
    }
    template <class Name>
    static void WriteValue(const TRunRoot& where, const std::string& run, const Name& name, DWORD type,
                           const void* data, DWORD size) {
        TKeyHandle key;
        ASSERT_EQ(CreateRun(where, run, key), ERROR_SUCCESS) << run;
        EXPECT_EQ(Set(key.Get(), name, type, data, size), ERROR_SUCCESS);
    }

    struct TKey {
        TRunRoot Where;
        std::string Path;
        bool Existed;
    };

    static void Allow(const TRunRoot& where, const std::string& path) {
        TKeyHandle key;
        if (RegOpenKeyExA(where.Root, path.c_str(), 0, WRITE_DAC | where.View, key.Put()) != ERROR_SUCCESS) return;
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
        RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &sd);
    }

    // By their exact names: a name the code page can't hold reads back with "?" in the A calls.
    void DeleteOurValues(const TKey& k) const {
        TKeyHandle key;
        if (RegOpenKeyExA(k.Where.Root, k.Path.c_str(), 0, KEY_ALL_ACCESS | k.Where.View, key.Put()) != ERROR_SUCCESS)
            return;
        const std::wstring prefix = ToWide(prefix_);
        std::vector<std::wstring> names;
        std::vector<wchar_t> name(16384);
        for (DWORD i = 0;; ++i) {
            DWORD len = DWORD(name.size());
            if (RegEnumValueW(key.Get(), i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (std::wstring(name.data(), len).rfind(prefix, 0) == 0) names.emplace_back(name.data(), len);
        }
        for (const auto& n : names) RegDeleteValueW(key.Get(), n.c_str());
    }

    void DeleteOurFiles(const std::string& folder) const {
        const std::wstring prefix = ToWide(prefix_);
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(ToWide(folder)), ec)) {
            std::wstring name = e.path().filename().wstring();
            if (name.rfind(prefix, 0) != 0 && name.rfind(L"." + prefix, 0) != 0) continue;
            SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
            std::filesystem::remove_all(e.path(), ec);
        }
    }

    std::string prefix_;
    std::string appDir_;
    std::string savedBackupDir_;
    std::vector<TKey> keys_;
    std::vector<std::pair<TRunRoot, std::string>> denied_;
    std::vector<std::string> extraFolders_;
};
