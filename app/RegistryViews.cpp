#include "app/RegistryViews.h"
#include "app/funUtils.h"

namespace {

template <class Fn>
Fn Kernel32Function(const char* name) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

}  // namespace

TRegistryView OwnView() { return sizeof(void*) == 8 ? rv64 : rv32; }

TRegistryView ViewFromNumber(long number) {
    if (number == 64) return rv64;
    if (number == 32) return rv32;
    return OwnView();
}

std::vector<TRegistryView> RegistryViews() {
    if (!Is64BitWindows()) return {rv32};
    return {rv64, rv32};
}

REGSAM ViewAccess(TRegistryView view) {
    if (!Is64BitWindows()) return 0;
    return view == rv64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

std::wstring EditorKeyText(const std::wstring& hklmPath, TRegistryView view) {
    static const std::wstring software = L"SOFTWARE\\";
    std::wstring path = hklmPath;
    if (Is64BitWindows() && view == rv32 && WideStartsText(path, software))
        path.insert(software.size(), L"WOW6432Node\\");
    return L"HKEY_LOCAL_MACHINE\\" + path;
}

TKernelHandle StartRegistryEditor(const std::wstring& parameters) {
    // The editor in the Windows folder by its full name: the shell would pick the one of
    // this program's width. CreateProcess takes the whole command line as written.
    const std::wstring folder = SystemNamedFolder(GetSystemWindowsDirectoryW);
    if (folder.empty()) return TKernelHandle();
    const std::wstring editor = folder + L"regedit.exe";
    std::wstring commandLine = L"\"" + editor + L"\"";
    if (!parameters.empty()) commandLine += L" " + parameters;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION info{};
    BOOL started = FALSE;
    // A start that fails while the new process sets itself up (ERROR_INTERNAL_ERROR: Wine
    // without its preloader now and then finds the new process's fixed addresses taken) is
    // made once more; any other failure is final.
    for (int attempt = 0; attempt < 2; ++attempt) {
        TFsRedirectionOff native;
        started = CreateProcessW(editor.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &info);
        if (started || GetLastError() != ERROR_INTERNAL_ERROR) break;
    }
    if (!started) return TKernelHandle();
    CloseHandle(info.hThread);
    return TKernelHandle(info.hProcess);
}

TFsRedirectionOff::TFsRedirectionOff() {
    if (!RunsUnderWow64()) return;
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    static const auto disable = Kernel32Function<DisableFn>("Wow64DisableWow64FsRedirection");
    off_ = disable && disable(&old_);
}

TFsRedirectionOff::~TFsRedirectionOff() {
    if (!off_) return;
    using RevertFn = BOOL(WINAPI*)(PVOID);
    static const auto revert = Kernel32Function<RevertFn>("Wow64RevertWow64FsRedirection");
    if (revert) revert(old_);
}
