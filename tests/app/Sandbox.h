// Test helpers for the uninstall and leftover-scan tests: a private folder in the prefix's
// temp folder, planted registry keys that are removed afterwards, and the report receiver.
#pragma once
#include "app/WaitingThread.h"
#include "app/frmScanRemains.h"
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"

#include <fstream>
#include <string>
#include <vector>

// A fresh folder (no trailing backslash), removed with everything in it at the end.
struct TSandbox {
    std::string Dir;
    explicit TSandbox(const std::string& tag = "sandbox") {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        static int n = 0;
        Dir = std::string(temp) + "velmora-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++n);
        ForceDirectories(Dir);
    }
    ~TSandbox() { DeleteFolderTree(Dir); }
    TSandbox(const TSandbox&) = delete;
    TSandbox& operator=(const TSandbox&) = delete;

    std::string Path(const std::string& rel) const { return Dir + "\\" + rel; }
    std::string Folder(const std::string& rel) const {
        ForceDirectories(Path(rel));
        return Path(rel);
    }
    std::string File(const std::string& rel, const std::string& text = "x", DWORD attributes = 0) const {
        ForceDirectories(ExtractFileDir(Path(rel)));
        std::ofstream(Path(rel), std::ios::binary) << text;
        if (attributes) SetFileAttributesA(Path(rel).c_str(), attributes);
        return Path(rel);
    }
};

// What an uninstall was started for, from plain test names.
inline TUninstallTarget Target(const std::string& registryName, const std::string& folder,
                               const std::string& displayName = "") {
    return {ToWide(registryName), ToWide(folder), displayName};
}

inline bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The folder of the running test program (UninstallStub.exe is built beside it).
inline std::string TestBinDir() { return ExtractFileDir(Application->ExeName()); }

// Registry keys created for a test and deleted (with everything below) at the end.
struct TPlantedKeys {
    std::vector<std::pair<HKEY, std::string>> Created;
    ~TPlantedKeys() {
        for (auto it = Created.rbegin(); it != Created.rend(); ++it) RegDeleteTreeA(it->first, it->second.c_str());
        for (auto it = Created.rbegin(); it != Created.rend(); ++it) RegDeleteKeyA(it->first, it->second.c_str());
    }
    // Creates root\path; removal starts from removeFrom (a prefix of path), or path itself.
    bool Plant(HKEY root, const std::string& path, const std::string& removeFrom = "") {
        HKEY k = nullptr;
        if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS)
            return false;
        RegCloseKey(k);
        Created.emplace_back(root, removeFrom.empty() ? path : removeFrom);
        return true;
    }
    static bool SetValue(HKEY root, const std::string& path, const std::string& name, const std::string& data) {
        return RegSetKeyValueA(root, path.c_str(), name.c_str(), REG_SZ, data.c_str(),
                               static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
    }
    static bool KeyExists(HKEY root, const std::string& path) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
        RegCloseKey(k);
        return true;
    }
    static bool ValueExists(HKEY root, const std::string& path, const std::string& name) {
        return RegGetValueA(root, path.c_str(), name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }
};

// A hidden window that receives WM_UNINSTALL_DONE: records each report and takes it, or
// hands every message to a handler of the test's choice.
struct TReportWindow {
    struct Received {
        WPARAM WParam;
        TUninstallReport Report;
    };
    std::vector<Received> Reports;
    TWndMethod Handler;
    HWND Wnd;
    TReportWindow() {
        Wnd = AllocateHWnd([this](TMessage& m) {
            if (Handler) return Handler(m);
            if (m.Msg != WM_UNINSTALL_DONE) return;
            auto report = TakeUninstallReport(m.LParam);
            Reports.push_back({m.WParam, *report});
            m.Result = UninstallReportTaken;
        });
    }
    ~TReportWindow() { DeallocateHWnd(Wnd); }
    TReportWindow(const TReportWindow&) = delete;
    TReportWindow& operator=(const TReportWindow&) = delete;
};
