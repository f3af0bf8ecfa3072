// Helpers for tests that drive real windows: pumping messages, posting what a user's mouse
// would cause, and answering message boxes through the application's seam.
#pragma once
#include "framework/Dialogs.h"
#include "framework/Forms.h"

#include <functional>
#include <string>
#include <vector>

// Handles messages for ms milliseconds (at least one pass over the queue). Only for tests
// where time itself is what is tested; else PumpIdle or PumpUntil.
inline void PumpFor(int ms = 0) {
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        Application->ProcessMessages();
        if (ms > 0) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (static_cast<int>(end - GetTickCount()) > 0);
    Application->ProcessMessages();
}

// Handles messages until none is waiting: nothing posted or sent, no paint to do and no timer
// due, as Wine's own tests flush events. What the window system answers a call with (a map,
// an expose) can come a moment later, so the queue has to stay quiet for quietMs; a timer
// that keeps firing ends it at timeoutMs. Returns whether the queue went quiet.
inline bool PumpIdle(int timeoutMs = 3000, int quietMs = 20) {
    DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
    for (;;) {
        Application->ProcessMessages();
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(quietMs), QS_ALLINPUT) == WAIT_TIMEOUT)
            return true;
        if (static_cast<int>(end - GetTickCount()) <= 0) return false;
    }
}

// Handles messages until done() holds or timeoutMs passes; returns done().
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
    while (!done() && static_cast<int>(end - GetTickCount()) > 0) {
        Application->ProcessMessages();
        // Back as soon as a message comes; a condition another thread sets is seen within 5 ms.
        if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
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
