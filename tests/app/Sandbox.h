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

// The system folders as this process reaches them, with a trailing backslash. The real one:
// a 32-bit process on 64-bit Windows is shown SysWOW64 by the system folder's name and
// reaches the real one through Sysnative. The 32-bit one of 64-bit Windows: empty on 32-bit
// Windows.
inline std::string FolderNamedBy(UINT (WINAPI *get)(LPSTR, UINT)) {
    char buf[MAX_PATH];
    UINT n = get(buf, MAX_PATH);
    std::string dir(buf, n < MAX_PATH ? n : 0);
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    return dir;
}
inline std::string RealSystemFolder() {
    return RunsUnderWow64() ? FolderNamedBy(GetSystemWindowsDirectoryA) + "Sysnative\\"
                                                  : FolderNamedBy(GetSystemDirectoryA);
}
inline std::string Wow64SystemFolder() { return Is64BitWindows() ? FolderNamedBy(GetSystemWow64DirectoryA) : ""; }

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

// Registry keys created for a test and deleted (with everything below) at the end. On
// 64-bit Windows they live in the 64-bit view, whichever build the test is, unless a view
// is named (KEY_WOW64_32KEY for the 32-bit one).
struct TPlantedKeys {
    struct TPlanted {
        HKEY Root;
        std::string Path;
        REGSAM View;
    };
    std::vector<TPlanted> Created;
    static REGSAM DefaultView() { return Is64BitWindows() ? KEY_WOW64_64KEY : 0; }
    ~TPlantedKeys() {
        for (auto it = Created.rbegin(); it != Created.rend(); ++it) {
            HKEY k = nullptr;
            if (RegOpenKeyExA(it->Root, it->Path.c_str(), 0, KEY_ALL_ACCESS | it->View, &k) == ERROR_SUCCESS) {
                RegDeleteTreeA(k, nullptr);
                RegCloseKey(k);
            }
            RegDeleteKeyExA(it->Root, it->Path.c_str(), it->View, 0);
        }
    }
    // Creates root\path; removal starts from removeFrom (a prefix of path), or path itself.
    bool Plant(HKEY root, const std::string& path, const std::string& removeFrom = "", REGSAM view = DefaultView()) {
        HKEY k = nullptr;
        if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &k, nullptr) != ERROR_SUCCESS)
            return false;
        RegCloseKey(k);
        Created.push_back({root, removeFrom.empty() ? path : removeFrom, view});
        return true;
    }
    static bool SetValue(HKEY root, const std::string& path, const std::string& name, const std::string& data,
                         REGSAM view = DefaultView()) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE | view, &k) != ERROR_SUCCESS) return false;
        const bool set = RegSetValueExA(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                        static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
        RegCloseKey(k);
        return set;
    }
    static bool KeyExists(HKEY root, const std::string& path, REGSAM view = DefaultView()) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &k) != ERROR_SUCCESS) return false;
        RegCloseKey(k);
        return true;
    }
    static bool ValueExists(HKEY root, const std::string& path, const std::string& name, REGSAM view = DefaultView()) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &k) != ERROR_SUCCESS) return false;
        const bool found = RegQueryValueExA(k, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        RegCloseKey(k);
        return found;
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
