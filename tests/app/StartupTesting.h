// Plants startup entries in the test prefix's Run-type keys and Startup folders, and takes
// every trace of them away again: values and files carry a name prefix of this process, and
// keys that did not exist before the test are removed whole.
#pragma once
#include "app/StartupItems.h"
#include "app/funUtils.h"
#include "app/globals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

class TStartupSandbox {
public:
    TStartupSandbox() {
        CoInitialize(nullptr);
        prefix_ = "VelmoraTest" + std::to_string(GetCurrentProcessId()) + "_";
        // HKLM's SOFTWARE is split into two views on 64-bit Windows; HKCU's Run keys are one.
        for (auto [root, view] : {std::pair{HKEY_CURRENT_USER, REGSAM(0)}, {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
                                  {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}})
            for (const char* run : kRunKeys) {
                std::string key = std::string(CurrentVersionKey) + run;
                for (const std::string& path : {key, key + "\\" + RunDisableKey})
                    keys_.push_back({root, path, view, KeyExists(root, path, view)});
            }
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        appDir_ = std::string(temp) + prefix_ + "app\\";
        savedBackupDir_ = BackupStartupDir;
        BackupStartupDir = appDir_ + "Back up\\startup\\";
    }

    ~TStartupSandbox() {
        for (const auto& [root, path] : denied_) Allow(root, path);
        // Deepest first: a Run_Disable before its key, "RunOnce\Setup" before "RunOnce".
        for (auto it = keys_.rbegin(); it != keys_.rend(); ++it) {
            if (it->Existed) {
                DeleteOurValues(*it);
            } else {
                HKEY key = nullptr;
                if (RegOpenKeyExA(it->Root, it->Path.c_str(), 0, KEY_ALL_ACCESS | it->View, &key) == ERROR_SUCCESS) {
                    RegDeleteTreeA(key, nullptr);
                    RegCloseKey(key);
                }
                RegDeleteKeyExA(it->Root, it->Path.c_str(), it->View, 0);
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

    // A name no other process's entries carry.
    std::string Name(const std::string& base) const { return prefix_ + base; }
    const std::string& BackupDir() const { return BackupStartupDir; }
    static std::string KeyPath(const std::string& run) { return std::string(CurrentVersionKey) + run; }
    static std::string Folder(int csidl) { return WithTrailingBackslash(GetSpecialFolder(csidl)); }

    // Writes a value into CurrentVersion\<run> of a registry view, creating the keys on the way.
    void SetValueW(HKEY root, const std::string& run, const std::wstring& name, DWORD type, const void* data,
                   DWORD size, REGSAM view = 0) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root, KeyPath(run).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS) << run;
        EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void SetValue(HKEY root, const std::string& run, const std::string& name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root, KeyPath(run).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS) << run;
        EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void SetString(HKEY root, const std::string& run, const std::string& name, const std::string& text,
                   DWORD type = REG_SZ) {
        SetValue(root, run, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    // A UTF-16 string value with its NUL; the bytes planted are returned.
    std::vector<uint8_t> SetStringW(HKEY root, const std::string& run, const std::wstring& name,
                                    const std::wstring& text, DWORD type = REG_SZ, REGSAM view = 0) {
        auto* p = reinterpret_cast<const uint8_t*>(text.c_str());
        std::vector<uint8_t> bytes(p, p + (text.size() + 1) * sizeof(wchar_t));
        SetValueW(root, run, name, type, bytes.data(), static_cast<DWORD>(bytes.size()), view);
        return bytes;
    }
    // The value's type and bytes; false when it is not there.
    static bool GetValueW(HKEY root, const std::string& run, const std::wstring& name, DWORD& type,
                          std::vector<uint8_t>& data, REGSAM view = 0) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, KeyPath(run).c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return false;
        DWORD size = 0;
        bool ok = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
        data.assign(size, 0);
        ok = ok && RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        return ok;
    }
    static bool GetValue(HKEY root, const std::string& run, const std::string& name, DWORD& type,
                         std::vector<uint8_t>& data) {
        DWORD size = 0;
        if (RegGetValueA(root, KeyPath(run).c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                         &size) != ERROR_SUCCESS)
            return false;
        data.assign(size, 0);
        return RegGetValueA(root, KeyPath(run).c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                            data.data(), &size) == ERROR_SUCCESS;
    }
    static bool HasValue(HKEY root, const std::string& run, const std::string& name) {
        DWORD type = 0;
        std::vector<uint8_t> data;
        return GetValue(root, run, name, type, data);
    }
    static bool HasValueW(HKEY root, const std::string& run, const std::wstring& name, REGSAM view = 0) {
        DWORD type = 0;
        std::vector<uint8_t> data;
        return GetValueW(root, run, name, type, data, view);
    }
    static std::string GetString(HKEY root, const std::string& run, const std::string& name) {
        DWORD type = 0;
        std::vector<uint8_t> data;
        if (!GetValue(root, run, name, type, data)) return "<missing>";
        return std::string(reinterpret_cast<const char*>(data.data()), strnlen(reinterpret_cast<const char*>(data.data()), data.size()));
    }
    static bool KeyExists(HKEY root, const std::string& path, REGSAM view = 0) {
        HKEY key = nullptr;
        LONG r = RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key);
        if (key) RegCloseKey(key);
        return r == ERROR_SUCCESS || r == ERROR_ACCESS_DENIED;
    }

    // Takes every right on CurrentVersion\<run> away from everyone (the key is created when
    // missing); the sandbox gives them back at the end.
    void Deny(HKEY root, const std::string& run) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root, KeyPath(run).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        ACL acl;
        InitializeAcl(&acl, sizeof acl, ACL_REVISION);
        SetSecurityDescriptorDacl(&sd, TRUE, &acl, FALSE);
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd), ERROR_SUCCESS);
        RegCloseKey(key);
        denied_.push_back({root, KeyPath(run)});
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
    std::wstring NameW(const std::wstring& base) const { return ToWide(prefix_) + base; }

    static constexpr const char* kRunKeys[] = {"Run", "RunServicesOnce", "RunServices", "RunOnce", "RunOnce\\Setup",
                                               "RunOnceEx"};

private:
    struct TKey {
        HKEY Root;
        std::string Path;
        REGSAM View;
        bool Existed;
    };

    void Allow(HKEY root, const std::string& path) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS) return;
        SECURITY_DESCRIPTOR sd;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
        RegCloseKey(key);
    }

    // By their exact names: a name the code page can't hold reads back with "?" in the A calls.
    void DeleteOurValues(const TKey& k) const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(k.Root, k.Path.c_str(), 0, KEY_ALL_ACCESS | k.View, &key) != ERROR_SUCCESS) return;
        const std::wstring prefix = ToWide(prefix_);
        std::vector<std::wstring> names;
        wchar_t name[16384];
        for (DWORD i = 0;; ++i) {
            DWORD len = 16384;
            if (RegEnumValueW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (std::wstring(name, len).rfind(prefix, 0) == 0) names.emplace_back(name, len);
        }
        for (const auto& n : names) RegDeleteValueW(key, n.c_str());
        RegCloseKey(key);
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
    std::vector<std::pair<HKEY, std::string>> denied_;
    std::vector<std::string> extraFolders_;
};
