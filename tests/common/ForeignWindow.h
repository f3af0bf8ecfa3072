// A form of another process: a second copy of the test program that shows one of our
// forms and nothing else. Its window carries what the framework puts on every window of
// ours, with pointers that mean nothing in this process, as a second program of ours on
// the same desktop would.
#pragma once
#include "framework/Handles.h"
#include "framework/Types.h"

#include <string>

class TForeignWindow {
public:
    // Shows the form at rect (screen), above every other window, without activating it.
    explicit TForeignWindow(TRect rect);
    ~TForeignWindow();   // ends the other process
    TForeignWindow(const TForeignWindow&) = delete;
    TForeignWindow& operator=(const TForeignWindow&) = delete;

    // Null when the other process could not show its form (the reason is in Error()).
    HWND Handle() const { return wnd_; }
    const std::string& Error() const { return error_; }
    // The other process stops handling messages, as a hung program, until Resume (or for
    // kLongestHangMs at most, so that a test that waits for it fails instead of hanging).
    void Hang();
    void Resume();
    static constexpr int kLongestHangMs = 3000;

private:
    TKernelHandle process_;
    TKernelHandle quit_, hang_, hanging_, resume_;
    HWND wnd_ = nullptr;
    std::string error_;
};

// Run first by the test program's main: when the command line asks for the foreign form,
// shows it until told to quit and returns true with the exit code.
bool RunForeignWindowProcess(int argc, char** argv, int& exitCode);
