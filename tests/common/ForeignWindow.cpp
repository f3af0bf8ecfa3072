#include "common/ForeignWindow.h"

#include "framework/Forms.h"

#include <cstdlib>

namespace {
constexpr const char* kSwitch = "--velmora-foreign-window";
constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kQuitTimeoutMs = 5000;

// The events both processes share: named after the test program's process and the window.
std::string EventName(DWORD testProcess, int id, const char* what) {
    return "VelmoraForeignWindow-" + std::to_string(testProcess) + "-" + std::to_string(id) + "-" + what;
}

TKernelHandle NewEvent(DWORD testProcess, int id, const char* what) {
    return TKernelHandle(CreateEventA(nullptr, FALSE, FALSE, EventName(testProcess, id, what).c_str()));
}

TKernelHandle OpenNamedEvent(DWORD testProcess, int id, const char* what) {
    return TKernelHandle(
        OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, EventName(testProcess, id, what).c_str()));
}

struct TWindowSearch {
    DWORD Process;
    HWND Found;
};

BOOL CALLBACK FindVisibleWindowOf(HWND wnd, LPARAM data) {
    auto* search = reinterpret_cast<TWindowSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(wnd, &process);
    if (process != search->Process || !IsWindowVisible(wnd)) return TRUE;
    search->Found = wnd;
    return FALSE;
}

// Waits for object while this process keeps handling its messages; false when the other
// process (if given) ended first or the time ran out.
bool WaitPumping(HANDLE object, HANDLE process, DWORD timeoutMs) {
    DWORD end = GetTickCount() + timeoutMs;
    HANDLE wait[] = {object, process};
    DWORD count = process ? 2 : 1;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        DWORD r = WaitForMultipleObjects(count, wait, FALSE, 20);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_TIMEOUT) return false;
        Application->ProcessMessages();
    }
    return false;
}

// The other process: one form above every window, until the test program says quit or ends.
int ShowForeignForm(TRect rect, HANDLE quit, HANDLE ready, HANDLE hang, HANDLE hanging, HANDLE resume,
                    HANDLE testProcess) {
    TFreeGuard<TForm> form(TForm::Create(nullptr, false));
    form->SetCaption("Another program");
    form->SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
    SetWindowPos(form->Handle(), HWND_TOPMOST, rect.Left, rect.Top, rect.Width(), rect.Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Application->ProcessMessages();
    SetEvent(ready);
    HANDLE wait[] = {quit, hang, testProcess};
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(3, wait, FALSE, INFINITE, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0 + 1) {
            // Hung: neither posted nor sent messages are handled meanwhile.
            SetEvent(hanging);
            WaitForSingleObject(resume, TForeignWindow::kLongestHangMs);
            continue;
        }
        if (r != WAIT_OBJECT_0 + 3) return 0;
        Application->ProcessMessages();
    }
}
} // namespace

TForeignWindow::TForeignWindow(TRect rect) {
    static int lastId = 0;
    int id = ++lastId;
    DWORD self = GetCurrentProcessId();
    quit_ = NewEvent(self, id, "quit");
    TKernelHandle ready = NewEvent(self, id, "ready");
    hang_ = NewEvent(self, id, "hang");
    hanging_ = NewEvent(self, id, "hanging");
    resume_ = NewEvent(self, id, "resume");
    if (!quit_ || !ready || !hang_ || !hanging_ || !resume_) {
        error_ = "cannot create the events shared with the other process";
        return;
    }
    char exe[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string path(exe, n);
    std::string commandLine = "\"" + path + "\" " + kSwitch + " " + std::to_string(self) + " " + std::to_string(id) +
                              " " + std::to_string(rect.Left) + " " + std::to_string(rect.Top) + " " +
                              std::to_string(rect.Right) + " " + std::to_string(rect.Bottom);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        error_ = "cannot start " + path;
        return;
    }
    CloseHandle(pi.hThread);
    process_.Reset(pi.hProcess);
    if (!WaitPumping(ready.Get(), process_.Get(), kStartTimeoutMs)) {
        error_ = "the other process did not show its form";
        return;
    }
    TWindowSearch search{pi.dwProcessId, nullptr};
    EnumWindows(FindVisibleWindowOf, reinterpret_cast<LPARAM>(&search));
    wnd_ = search.Found;
    if (!wnd_) error_ = "the other process's form is not visible";
}

TForeignWindow::~TForeignWindow() {
    if (!process_) return;
    SetEvent(quit_.Get());
    SetEvent(resume_.Get());
    if (!WaitPumping(process_.Get(), nullptr, kQuitTimeoutMs)) TerminateProcess(process_.Get(), 1);
}

void TForeignWindow::Hang() {
    if (!process_) return;
    SetEvent(hang_.Get());
    WaitPumping(hanging_.Get(), process_.Get(), kStartTimeoutMs);
}

void TForeignWindow::Resume() {
    if (process_) SetEvent(resume_.Get());
}

bool RunForeignWindowProcess(int argc, char** argv, int& exitCode) {
    if (argc != 8 || std::string(argv[1]) != kSwitch) return false;
    DWORD testProcess = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
    int id = std::atoi(argv[3]);
    TRect rect(std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7]));
    TKernelHandle quit = OpenNamedEvent(testProcess, id, "quit");
    TKernelHandle ready = OpenNamedEvent(testProcess, id, "ready");
    TKernelHandle hang = OpenNamedEvent(testProcess, id, "hang");
    TKernelHandle hanging = OpenNamedEvent(testProcess, id, "hanging");
    TKernelHandle resume = OpenNamedEvent(testProcess, id, "resume");
    TKernelHandle test(OpenProcess(SYNCHRONIZE, FALSE, testProcess));
    exitCode = 1;
    if (!quit || !ready || !hang || !hanging || !resume || !test) return true;
    exitCode = ShowForeignForm(rect, quit.Get(), ready.Get(), hang.Get(), hanging.Get(), resume.Get(), test.Get());
    return true;
}
