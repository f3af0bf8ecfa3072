// A stand-in uninstaller for the tests. Every start appends its command line (UTF-8) to
// "<its own path>.log", whatever characters that path holds, so a test can tell which
// copies ran and with what.
//   UninstallStub exit                        ends at once
//   UninstallStub relaunch <folder> <release> copies itself into folder, starts the copy with
//                                             "wait <release>" and ends at once
//   UninstallStub wait <release>              ends once the file release exists
//   UninstallStub open <document>             (a document's open command) ends once
//                                             "<document>.release" exists
//   UninstallStub uninstall <entry> <file>... removes the HKLM uninstall entry and the
//                                             files named (relative to its own folder), as a
//                                             real uninstaller does, leaving the rest behind
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string OwnPath() {
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return std::string(buf, n);
}

void AppendToLog() {
    wchar_t own[MAX_PATH * 2];
    DWORD n = GetModuleFileNameW(nullptr, own, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) return;
    const std::wstring log = std::wstring(own, n) + L".log";
    const wchar_t* line = GetCommandLineW();
    int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, text.data(), size, nullptr, nullptr);
    if (FILE* f = _wfopen(log.c_str(), L"ab")) {
        std::fputs((text + "\n").c_str(), f);
        std::fclose(f);
    }
}

// Polls: the file comes from another process, and no message says when it is there.
void WaitForFile(const std::string& path) {
    for (int i = 0; i < 6000 && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
}

int Relaunch(const std::string& folder, const std::string& release) {
    std::string copy = folder + "\\UninstallStub.exe";
    if (!CopyFileA(OwnPath().c_str(), copy.c_str(), FALSE)) return 2;
    std::string command = "\"" + copy + "\" wait \"" + release + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 3;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}

int Uninstall(const std::string& entry, char** files, int count) {
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + entry;
    if (RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str()) != ERROR_SUCCESS) return 4;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    const std::string own = OwnPath();
    const std::string folder = own.substr(0, own.rfind('\\') + 1);
    for (int i = 0; i < count; ++i) DeleteFileA((folder + files[i]).c_str());
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    AppendToLog();
    const int argc = __argc;
    char** argv = __argv;
    std::string mode = argc > 1 ? argv[1] : "exit";
    if (mode == "relaunch" && argc > 3) return Relaunch(argv[2], argv[3]);
    if (mode == "wait" && argc > 2) WaitForFile(argv[2]);
    if (mode == "uninstall" && argc > 2) return Uninstall(argv[2], argv + 3, argc - 3);
    if (mode == "open" && argc > 2) WaitForFile(std::string(argv[2]) + ".release");
    return 0;
}
