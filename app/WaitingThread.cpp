#include "app/WaitingThread.h"
#include "app/funUtils.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"

#include <tlhelp32.h>

std::unique_ptr<TUninstallReport> TakeUninstallReport(LPARAM lParam) {
    return std::unique_ptr<TUninstallReport>(reinterpret_cast<TUninstallReport*>(lParam));
}

// ---- Processes ---------------------------------------------------------------------------

namespace {

// The system's basic process information; pointer-sized fields make it 24 bytes on 32-bit
// Windows (the parent at byte 20) and 48 on 64-bit.
struct TProcessBasicInformation {
    LONG ExitStatus;
    PVOID PebBaseAddress;
    ULONG_PTR AffinityMask;
    LONG BasePriority;
    ULONG_PTR UniqueProcessId;
    ULONG_PTR InheritedFromUniqueProcessId;
};

using TNtQueryInformationProcess = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);

// Calls visit for each process of a fresh snapshot, first to last, until it returns true.
template <class F>
bool ForEachProcess(F visit) {
    TFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        if (visit(entry)) return true;
    return false;
}

bool EndsWithBlankOrEnd(const std::wstring& s, size_t end) {
    return end == s.size() || s[end] == L' ' || s[end] == L'\t';
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool IsProcessRunning(DWORD processId) {
    return ForEachProcess([&](const PROCESSENTRY32& e) { return e.th32ProcessID == processId; });
}

DWORD GetParentProcessId(DWORD processId) {
    constexpr DWORD unknown = static_cast<DWORD>(-1);
    HMODULE ntdll = GetModuleHandleA("ntdll");
    auto query = ntdll ? reinterpret_cast<TNtQueryInformationProcess>(GetProcAddress(ntdll, "NtQueryInformationProcess"))
                       : nullptr;
    if (!query) return unknown;
    TKernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    if (!process) return unknown;
    TProcessBasicInformation info{};
    if (query(process.Get(), 0, &info, sizeof info, nullptr) != 0) return unknown;
    return static_cast<DWORD>(info.InheritedFromUniqueProcessId);
}

TKernelHandle FindChildProcess(DWORD processId) {
    TKernelHandle child;
    ForEachProcess([&](const PROCESSENTRY32& e) {
        if (e.th32ProcessID == processId || GetParentProcessId(e.th32ProcessID) != processId) return false;
        child.Reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, e.th32ProcessID));
        return true;
    });
    return child;
}

std::wstring QuoteCommandPath(const std::wstring& commandLine) {
    size_t start = commandLine.find_first_not_of(L" \t");
    if (start == std::wstring::npos || commandLine[start] == L'"') return commandLine;
    const std::wstring upper = WideUpperCase(commandLine);
    size_t end = std::wstring::npos;
    for (size_t pos = upper.find(L".EXE", start); pos != std::wstring::npos; pos = upper.find(L".EXE", pos + 1)) {
        size_t candidate = pos + 4;
        if (IsFile(commandLine.substr(start, candidate - start))) {
            end = candidate;
            break;
        }
        if (end == std::wstring::npos && EndsWithBlankOrEnd(commandLine, candidate)) end = candidate;
    }
    if (end == std::wstring::npos) return commandLine;
    std::wstring path = commandLine.substr(start, end - start);
    if (path.find_first_of(L" \t") == std::wstring::npos) return commandLine;
    return commandLine.substr(0, start) + L'"' + path + L'"' + commandLine.substr(end);
}

// ---- The thread ----------------------------------------------------------------------------

TWaitingThread* TWaitingThread::Run(HWND reportTo, const std::wstring& commandLine, const TUninstallTarget& target) {
    return TThread::Create<TWaitingThread>(reportTo, commandLine, target);
}

TWaitingThread::TWaitingThread(HWND reportTo, std::wstring commandLine, TUninstallTarget target)
    : TThread(false), reportTo_(reportTo), commandLine_(std::move(commandLine)), target_(std::move(target)) {
    SetFreeOnTerminate(true);
}

void TWaitingThread::Execute() { RunAndWait(commandLine_); }

void TWaitingThread::RunAndWait(const std::wstring& commandLine) {
    bool waitedNormally = false;
    if (CreateAndWait(QuoteCommandPath(commandLine), waitedNormally)) return;
    // The shell gets the command as it came: it may name a document, which quoting would spoil.
    if (ShellExecuteAndWait(commandLine, waitedNormally)) return;
    Report(false);
}

bool TWaitingThread::CreateAndWait(const std::wstring& commandLine, bool& waitedNormally) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION info{};
    std::wstring writable = commandLine;   // CreateProcess may write into the command line
    if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &info))
        return false;
    TKernelHandle process(info.hProcess), thread(info.hThread);
    // Many uninstallers copy themselves elsewhere, start the copy and end at once, so that
    // their own file can be removed; give the hand-over time before looking.
    Sleep(500);
    // The handle says for certain whether the process has ended, whatever a snapshot lists.
    if (IsProcessRunning(info.dwProcessId) && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT) {
        waitedNormally = WaitForSingleObject(process.Get(), INFINITE) == WAIT_OBJECT_0;
    } else if (TKernelHandle child = FindChildProcess(info.dwProcessId)) {
        waitedNormally = WaitForSingleObject(child.Get(), INFINITE) == WAIT_OBJECT_0;
    } else {
        waitedNormally = true;
    }
    // The handles stay open until the report has been handled.
    if (waitedNormally) Report(true);
    return true;
}

bool TWaitingThread::ShellExecuteAndWait(const std::wstring& commandLine, bool& waitedNormally) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // Keep the process handle and finish the request before returning; no error box of the
    // shell's own: the report's question tells the user the command could not be started.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpFile = commandLine.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return false;
    TKernelHandle process(info.hProcess);
    // A request handed to a program that was running already gives no process to wait for:
    // that uninstall may still be running, so no leftover scan is offered for it.
    waitedNormally = process && WaitForSingleObject(process.Get(), INFINITE) == WAIT_OBJECT_0;
    if (waitedNormally) Report(true);
    return true;
}

void TWaitingThread::Report(bool started) {
    auto report = std::make_unique<TUninstallReport>(TUninstallReport{target_, started});
    LRESULT answer = SendMessageA(reportTo_, WM_UNINSTALL_DONE, started ? 1 : 0, reinterpret_cast<LPARAM>(report.get()));
    if (answer == UninstallReportTaken) report.release();
}

// ---- Screen savers -------------------------------------------------------------------------

namespace {

// name, or "Name (2).ext", "Name (3).ext", ... whichever is free in folder; empty when none is.
std::wstring FreeBackupName(const std::wstring& folder, const std::wstring& name) {
    std::wstring path = folder + name;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return path;
    const size_t dot = name.find_last_of(L'.');
    const std::wstring ext = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
    const std::wstring stem = name.substr(0, name.size() - ext.size());
    for (int n = 2; n < 1000; ++n) {
        path = folder + stem + L" (" + std::to_wstring(n) + L")" + ext;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return path;
    }
    return {};
}

std::wstring WithBackslash(const std::wstring& folder) {
    return folder.empty() || folder.back() == L'\\' ? folder : folder + L'\\';
}

// The system's cache of protected files, from which a deleted screen saver would come back:
// the 32-bit system folder's for one that lies there (by its own name or by the system
// folder's, which names it for the 32-bit program), else the real system folder's.
std::wstring CacheFolderFor(const std::wstring& folder) {
    const std::wstring wow64 = GetWow64SystemFolder(), own = WithBackslash(folder);
    if (!wow64.empty() && (WideSameText(own, wow64) ||
                           (RunsUnderWow64() && WideSameText(own, SystemNamedFolder(GetSystemDirectoryW)))))
        return wow64 + L"dllcache\\";
    const std::wstring native = GetNativeSystemFolder();
    return native.empty() ? std::wstring() : native + L"dllcache\\";
}

} // namespace

TScrDeleteResult DeleteScreenSaver(const std::wstring& folder, const std::wstring& name, std::wstring* backupPath) {
    if (folder.empty() || name.empty() || name == L"." || name == L".." || name.find_first_of(L"\\/:") != std::wstring::npos)
        return TScrDeleteResult::sdBadName;
    if (BackupScrDir.empty() || (!DirectoryExists(BackupScrDir) && !ForceDirectories(BackupScrDir)))
        return TScrDeleteResult::sdBackupFailed;
    const std::wstring backup = FreeBackupName(WithBackslash(ToWide(BackupScrDir)), name);
    const std::wstring file = WithBackslash(folder) + name;
    // Another volume is no reason to keep the screen saver: the move may copy.
    if (backup.empty() || !MoveFileExW(file.c_str(), backup.c_str(), MOVEFILE_COPY_ALLOWED))
        return TScrDeleteResult::sdBackupFailed;
    const std::wstring cache = CacheFolderFor(folder);
    if (!cache.empty()) DeleteFileW((cache + name).c_str());
    if (backupPath) *backupPath = backup;
    return TScrDeleteResult::sdDeleted;
}

bool AskAndDeleteScreenSaver(const std::wstring& folder, const std::wstring& name) {
    const std::string title = Application->GetTitle();
    if (Application->MessageBox(IDS_MESSAGEBOX_WARNING_DeleteScr, title, MB_YESNO | MB_ICONWARNING) != IDYES)
        return false;
    if (DeleteScreenSaver(folder, name) != TScrDeleteResult::sdDeleted)
        Application->MessageBox(IDS_MESSAGEBOX_WARNING_DeleteScrFailed, title, MB_OK | MB_ICONERROR);
    return true;
}
