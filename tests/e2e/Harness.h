// Runs the real Velmora.exe from a throw-away folder and watches it from outside, the way a
// user sees it: its top-level windows, its message boxes, the files it leaves behind.
#pragma once
#include "framework/Handles.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// Every wait of the harness gives up after this long, so a program that hangs fails the
// test instead of stalling the run.
constexpr DWORD kStepTimeoutMs = 15000;

// Asks done() every few milliseconds until it holds or timeoutMs has passed; returns done().
// Another process's state has no message to wait on: this is the harness's one poll.
bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs = kStepTimeoutMs);

// Waits until window and every window in it have nothing left to paint: another process's
// window is captured only once it has drawn what it shows.
bool WaitUntilPainted(HWND window, DWORD timeoutMs = kStepTimeoutMs);

// The folder of the running test executable, with trailing backslash; Velmora.exe and
// Quorbel.dll are built into the same folder.
std::string BuildBinDir();

// The window's class name.
std::string ClassOf(HWND window);
// Every descendant window, in the order the system enumerates them.
std::vector<HWND> ChildrenOf(HWND parent);

// A fresh folder under the prefix's temp folder holding a private copy of the program;
// removed with everything in it at the end.
class TSandbox {
public:
    enum class TQuorbel { Built, None };

    // Velmora.exe, and the built Quorbel.dll unless told otherwise.
    explicit TSandbox(TQuorbel quorbel = TQuorbel::Built);
    // Velmora.exe, and the given file under the name Quorbel.dll.
    explicit TSandbox(const std::string& standInDll);
    ~TSandbox();
    TSandbox(const TSandbox&) = delete;
    TSandbox& operator=(const TSandbox&) = delete;

    // Full long path, with trailing backslash: the form the program finds for its own folder.
    const std::string& Dir() const { return dir_; }
    std::string Path(const std::string& relative) const { return dir_ + relative; }
    std::string ExePath() const { return Path("Velmora.exe"); }

    // Creates or replaces a file with exactly these bytes, with any missing folders.
    void WriteFile(const std::string& relative, const std::string& bytes) const;
    // The file's bytes; empty when it cannot be read (use Exists to tell the two apart).
    std::string ReadFile(const std::string& relative) const;
    bool FileExists(const std::string& relative) const;
    bool FolderExists(const std::string& relative) const;
    // Makes a file path unwritable. Read-only attributes do not stop writes when running as
    // root under Wine, so the path is taken by a folder of the same name.
    void BlockFile(const std::string& relative) const;
    // The names in a folder of the sandbox ("" for the sandbox itself), sorted, folders
    // marked with a trailing backslash.
    std::vector<std::string> List(const std::string& relative = "") const;

private:
    void Create();
    void AddQuorbel(const std::string& from);
    std::string dir_;
};

// A visible top-level window of the program, as seen while polling.
struct TWindowInfo {
    HWND Handle = nullptr;
    std::string ClassName;
    std::string Caption;
    RECT Bounds{};
    LONG_PTR Style = 0;
    LONG_PTR ExStyle = 0;
    DWORD FirstSeenMs = 0;  // since the program was started
    DWORD LastSeenMs = 0;

    int Width() const { return Bounds.right - Bounds.left; }
    int Height() const { return Bounds.bottom - Bounds.top; }
    bool IsMessageBox() const { return ClassName == "#32770"; }
    // Any caption, border, dialog or sizing frame drawn by the system.
    bool HasFrame() const;
    // The window's centre lies within a few pixels of the primary screen's centre.
    bool IsCentredOnScreen() const;
    std::string Describe() const;
};

struct TMessageBox {
    HWND Handle = nullptr;
    std::string Caption;
    std::string Text;
    std::vector<std::pair<int, std::string>> Buttons;  // control ID, caption
    bool HasButton(int id) const;
    std::string Describe() const;
};

// One start of the sandbox's Velmora.exe. The destructor kills the process if it is still
// running, so a failed assertion never leaves it behind.
class TProgramRun {
public:
    explicit TProgramRun(const TSandbox& sandbox, const std::string& arguments = "");
    ~TProgramRun();
    TProgramRun(const TProgramRun&) = delete;
    TProgramRun& operator=(const TProgramRun&) = delete;

    DWORD ProcessId() const { return pid_; }
    bool Running() const;
    // Valid once the process has ended.
    DWORD ExitCode() const;

    // The program's visible top-level windows with a non-empty area, message boxes included.
    // The framework's hidden or zero-sized helper windows are left out.
    std::vector<TWindowInfo> Windows();
    // Every window the polls so far have found, once each, in order of first sighting.
    const std::vector<TWindowInfo>& Seen() const { return seen_; }

    // Polls until a window matches; nothing when the time is up or the process has ended.
    std::optional<TWindowInfo> WaitForWindow(const std::function<bool(const TWindowInfo&)>& match,
                                             DWORD timeoutMs = kStepTimeoutMs);
    std::optional<TWindowInfo> WaitForWindowClass(const std::string& className,
                                                  DWORD timeoutMs = kStepTimeoutMs);
    // Polls until the window is no longer shown; true when it went.
    bool WaitUntilHidden(HWND window, DWORD timeoutMs = kStepTimeoutMs);
    // A message box of the process, with its text, caption and buttons.
    std::optional<TMessageBox> WaitForMessageBox(DWORD timeoutMs = kStepTimeoutMs);
    // Presses the box's button with this ID (IDOK, IDYES, ...); false when it has none.
    bool Answer(const TMessageBox& box, int buttonId);

    // Asks a window to close, as its close button would.
    bool Close(HWND window);
    bool WaitForExit(DWORD timeoutMs = kStepTimeoutMs);
    void Kill();

    // What the run has shown so far and whether it is still going: for failure messages.
    std::string Describe() const;

private:
    DWORD Elapsed() const;
    std::vector<TWindowInfo> Poll();
    std::vector<TWindowInfo> Snapshot() const;

    TKernelHandle process_;
    DWORD pid_ = 0;
    DWORD startTick_ = 0;
    std::vector<TWindowInfo> seen_;
};

// Captures what a window shows on screen into a PNG under the build's tests-output folder
// and returns its full path; empty on failure.
std::string SaveScreenshot(HWND window, const std::string& fileName);

// An INI file read as plain text, sections and keys in file order, so that tests see the
// order and spelling a writer produced rather than what the profile API makes of them.
struct TIniSection {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Entries;
    std::vector<std::string> Keys() const;
    // The value of the first entry with this exact key.
    std::optional<std::string> Value(const std::string& key) const;
};
std::vector<TIniSection> ParseIni(const std::string& text);
// The section of that name (case-insensitive, as the profile API matches), if present.
std::optional<TIniSection> FindSection(const std::vector<TIniSection>& ini, const std::string& name);

// The system's text for a Win32 error code as the program's messages quote it: without the
// closing full stop and line break, so that ": <file name>" can follow.
std::string SystemErrorText(DWORD code);

}  // namespace e2e
