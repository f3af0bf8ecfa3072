// The uninstall runner: a worker thread that starts a program's uninstall command, waits for
// it (or for the copy of itself it hands over to) and reports to a window; and the deletion
// of a screen saver, which takes the uninstaller's place for screen-saver rows.
#pragma once
#include "framework/Handles.h"
#include "framework/Threads.h"

#include <memory>
#include <string>

// Sent (not posted) by a waiting thread when its uninstaller is done. WParam: 1 when the wait
// ended normally, 0 when the command could not be started at all. LParam: the thread's
// TUninstallReport. The receiver takes the report with TakeUninstallReport and answers
// UninstallReportTaken; on any other answer, or when the window is gone, the thread keeps the
// report and frees it. The sender waits until the message has been handled.
constexpr UINT WM_UNINSTALL_DONE = WM_USER + 100;
constexpr LRESULT UninstallReportTaken = 0x1124;

// What an uninstall was started for, captured from the program's entry when it starts, so
// that the leftover scan aims at that program whatever the list shows when the report comes.
// The registry name and the folder are kept exactly as the component gave them: the scan
// looks for those very names, which the code page may not be able to hold.
struct TUninstallTarget {
    std::wstring RegistryName;
    std::wstring InstallFolder;
    std::string DisplayName;   // shown only
};

struct TUninstallReport {
    TUninstallTarget Target;
    bool Started = false;   // false: neither CreateProcess nor the shell could start the command
};

// Takes ownership of the report a WM_UNINSTALL_DONE carries (nullptr stays nullptr). Call it
// once, and answer UninstallReportTaken afterwards.
std::unique_ptr<TUninstallReport> TakeUninstallReport(LPARAM lParam);

class TWaitingThread : public TThread {
public:
    // Captures the window to report to on the calling thread, starts at once and frees
    // itself when done. Returns the thread (for tests); it may be gone already.
    // The command is started exactly as given (wide calls: no character of it is lost).
    static TWaitingThread* Run(HWND reportTo, const std::wstring& commandLine, const TUninstallTarget& target);

    TWaitingThread(HWND reportTo, std::wstring commandLine, TUninstallTarget target);
    const std::wstring& CommandLine() const { return commandLine_; }

protected:
    void Execute() override;

private:
    // Starts the command, waits for it and sends the report.
    void RunAndWait(const std::wstring& commandLine);
    // Starts the command with CreateProcess and waits for it (or its child); false when it
    // could not be started that way. waitedNormally says how the wait ended.
    bool CreateAndWait(const std::wstring& commandLine, bool& waitedNormally);
    // Hands the command to the shell and waits for the process it reports. A request the
    // shell passed to a program that was running already gives no process: nothing is
    // known about its end, so nothing is reported.
    bool ShellExecuteAndWait(const std::wstring& commandLine, bool& waitedNormally);
    void Report(bool started);

    HWND reportTo_;
    std::wstring commandLine_;
    TUninstallTarget target_;
};

// True when a process snapshot holds a process with that identifier.
bool IsProcessRunning(DWORD processId);
// The first process of a snapshot whose parent is processId, opened for waiting; empty when
// there is none.
TKernelHandle FindChildProcess(DWORD processId);
// The parent's identifier from the system's process information; (DWORD)-1 when it can't
// be read.
DWORD GetParentProcessId(DWORD processId);

// An unquoted command line whose leading path contains blanks would let the system try each
// blank as the end of the program's name ("C:\Program.exe" before "C:\Program Files\...").
// Quotes the leading path up to the first ".exe" that exists, or failing that up to the first
// ".exe" that ends a word; anything else comes back unchanged.
std::wstring QuoteCommandPath(const std::wstring& commandLine);

// ---- Screen savers -------------------------------------------------------------------------

enum class TScrDeleteResult {
    sdDeleted,        // backed up in BackupScrDir, then removed with its cache copy
    sdBadName,        // empty, or a name that is a path: nothing was touched
    sdBackupFailed,   // the backup move failed: nothing was deleted
};

// Moves folder + name into BackupScrDir (created when missing; "Name (2).scr" and so on when
// the backup name is taken), and only then deletes the system's cache copy
// "<system folder>\dllcache\<name>": SysWOW64's for a screen saver there, else the real
// system folder's (through Sysnative for the 32-bit program on 64-bit Windows). folder may
// end in a backslash or not; both are taken exactly (wide calls). backupPath, when given,
// receives the backup's name.
TScrDeleteResult DeleteScreenSaver(const std::wstring& folder, const std::wstring& name,
                                   std::wstring* backupPath = nullptr);

// The screen-saver command: asks whether to delete (warning, Yes/No, the application's
// title), deletes on Yes and says so when the backup failed. True when the user said Yes
// (the program list must then be refilled).
bool AskAndDeleteScreenSaver(const std::wstring& folder, const std::wstring& name);
