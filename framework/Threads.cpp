#include "framework/Threads.h"
#include <process.h>

TThread::TThread(bool createSuspended) : createSuspended_(createSuspended) {
    unsigned id = 0;
    // Always suspended here: Execute must not run before the derived constructor is done.
    uintptr_t h = _beginthreadex(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &id);
    if (!h) RaiseLastOSError();
    handle_.Reset(reinterpret_cast<HANDLE>(h));
    threadId_ = id;
}

TThread::~TThread() {
    if (!handle_ || GetCurrentThreadId() == threadId_) return;
    if (!finished_) {
        Terminate();
        // A thread never started runs just far enough to see Terminated and end.
        if (!started_.exchange(true)) ResumeThread(handle_.Get());
        WaitForSingleObject(handle_.Get(), INFINITE);
    }
}

void TThread::AfterConstruction() {
    if (!createSuspended_) Start();
}

void TThread::Start() {
    if (started_.exchange(true)) throw EThread("Cannot call Start on a running or suspended thread");
    if (ResumeThread(handle_.Get()) == static_cast<DWORD>(-1)) RaiseLastOSError();
}

void TThread::Resume() {
    if (!started_.exchange(true)) {
        if (ResumeThread(handle_.Get()) == static_cast<DWORD>(-1)) RaiseLastOSError();
    }
}

int TThread::WaitFor() {
    if (GetCurrentThreadId() == threadId_) throw EThread("Thread cannot wait for itself");
    if (freeOnTerminate_) throw EThread("Cannot wait for a thread that frees itself");
    if (!started_) throw EThread("Cannot wait for a thread that was never started");
    HANDLE h = handle_.Get();
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &h, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0 + 1) {
            // Peeking delivers the messages other threads sent to this one.
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
            continue;
        }
        if (r == WAIT_FAILED) RaiseLastOSError();
        break;
    }
    return returnValue_;
}

unsigned __stdcall TThread::ThreadProc(void* self) {
    auto* t = static_cast<TThread*>(self);
    HRESULT com = CoInitialize(nullptr);
    try {
        if (!t->terminated_) t->Execute();
    } catch (...) {
        // Dropped on purpose: nothing may unwind out of the thread entry.
    }
    const unsigned result = static_cast<unsigned>(t->returnValue_.load());
    const bool freeSelf = t->freeOnTerminate_;
    t->finished_ = true;
    // The object goes before COM does: its members may hold interfaces.
    if (freeSelf) delete t;
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}
