// Worker threads. The program's worker waits on an uninstaller and reports to the main
// window with SendMessage; several may run at once.
#pragma once
#include "framework/Classes.h"
#include "framework/Handles.h"
#include "framework/SysUtils.h"
#include <atomic>

class TThread : public TObject {
public:
    // Created suspended or not, the system thread exists from here on; a thread that is not
    // suspended starts in AfterConstruction, once the derived object is complete, so create
    // threads through Create<T>() (or a derived class's DECLARE_CLASS Create).
    explicit TThread(bool createSuspended);
    // A thread still running is asked to terminate and waited for. With FreeOnTerminate
    // the thread itself deletes the object when Execute returns.
    ~TThread() override;

    template <class T, class... A>
    static T* Create(A&&... a) {
        T* t = new T(std::forward<A>(a)...);
        CompleteConstruction(t);
        return t;
    }

    void AfterConstruction() override;
    // Starts a thread created suspended; EThread if it was started already.
    void Start();
    void Resume();
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    bool Finished() const { return finished_; }
    // Waits for Execute to return and gives ReturnValue. Messages sent to this thread's
    // windows meanwhile are handled, so a worker blocked in SendMessage to us can finish.
    int WaitFor();

    void SetFreeOnTerminate(bool value) { freeOnTerminate_ = value; }
    HANDLE Handle() const { return handle_.Get(); }
    DWORD ThreadID() const { return threadId_; }
    int ReturnValue() const { return returnValue_; }

protected:
    // Runs on the thread with COM initialised. An exception escaping it is dropped: the
    // thread ends and the process carries on.
    virtual void Execute() = 0;
    void SetReturnValue(int value) { returnValue_ = value; }

private:
    static unsigned __stdcall ThreadProc(void* self);

    TKernelHandle handle_;
    DWORD threadId_ = 0;
    bool createSuspended_;
    std::atomic<bool> started_{false};
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> freeOnTerminate_{false};
    std::atomic<int> returnValue_{0};
};
