// Helpers for tests that drive real windows: pumping messages, posting what a user's mouse
// would cause, and answering message boxes through the application's seam.
#pragma once
#include "framework/Dialogs.h"
#include "framework/Forms.h"

#include <functional>
#include <string>
#include <vector>

// Handles messages for ms milliseconds (at least one pass over the queue).
inline void PumpFor(int ms = 0) {
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        Application->ProcessMessages();
        if (ms > 0) Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
    Application->ProcessMessages();
}

// Handles messages until done() holds or timeoutMs passes; returns done().
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
    while (!done() && static_cast<int>(end - GetTickCount()) > 0) {
        Application->ProcessMessages();
        Sleep(5);
    }
    return done();
}

// A left click at (x, y) of a window's client area, as the system would post it.
inline void PostClick(HWND wnd, int x, int y) {
    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Moves the real pointer there too, so that the system's leave tracking agrees.
inline void PostMouseMove(HWND wnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(wnd, &p);
    SetCursorPos(p.x, p.y);
    PostMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

// Answers every box with Answer and records it; restores the previous handler at the end.
class TBoxRecorder {
public:
    struct Box { std::string Text, Caption; UINT Flags; };
    explicit TBoxRecorder(int answer = IDOK) : answer_(answer) {
        previous_ = SetMessageBoxHandler([this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            Boxes.push_back({text, caption, flags});
            return answer_;
        });
    }
    ~TBoxRecorder() { SetMessageBoxHandler(std::move(previous_)); }
    TBoxRecorder(const TBoxRecorder&) = delete;
    TBoxRecorder& operator=(const TBoxRecorder&) = delete;
    std::vector<Box> Boxes;
private:
    int answer_;
    TMessageBoxHandler previous_;
};

// Answers the common dialogs with handler for its lifetime; restores the previous handler at
// the end.
class TDialogAnswer {
public:
    explicit TDialogAnswer(TDialogHandler handler) : previous_(SetDialogHandler(std::move(handler))) {}
    ~TDialogAnswer() { SetDialogHandler(std::move(previous_)); }
    TDialogAnswer(const TDialogAnswer&) = delete;
    TDialogAnswer& operator=(const TDialogAnswer&) = delete;
private:
    TDialogHandler previous_;
};

// Frees a form at scope end.
template <class T> using TFormGuard = TFreeGuard<T>;
