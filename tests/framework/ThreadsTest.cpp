#include "framework/Threads.h"
#include "FormTesting.h"
#include <gtest/gtest.h>
#include <functional>
#include <stdexcept>

namespace {

// A thread whose body is given by the test; Died counts destructions.
class TProbeThread : public TThread {
public:
    TProbeThread(bool suspended, std::function<int(TProbeThread&)> body, std::atomic<int>* died = nullptr)
        : TThread(suspended), body_(std::move(body)), died_(died) {}
    ~TProbeThread() override {
        if (died_) ++*died_;
    }
    using TThread::Terminated;
    std::atomic<bool> Ran{false};
    std::atomic<DWORD> RanOn{0};
    std::atomic<HRESULT> ComState{E_FAIL};

protected:
    void Execute() override {
        Ran = true;
        RanOn = GetCurrentThreadId();
        // S_FALSE: COM was initialised on this thread already.
        ComState = CoInitialize(nullptr);
        if (SUCCEEDED(ComState)) CoUninitialize();
        SetReturnValue(body_(*this));
    }

private:
    std::function<int(TProbeThread&)> body_;
    std::atomic<int>* died_;
};

}  // namespace

TEST(Thread, RunsExecuteOnItsOwnThreadWithCom) {
    auto* t = TThread::Create<TProbeThread>(false, [](TProbeThread&) { return 42; });
    EXPECT_EQ(t->WaitFor(), 42);
    EXPECT_TRUE(t->Finished());
    EXPECT_EQ(t->ReturnValue(), 42);
    EXPECT_EQ(t->RanOn.load(), t->ThreadID());
    EXPECT_NE(t->ThreadID(), GetCurrentThreadId());
    EXPECT_EQ(t->ComState.load(), S_FALSE);
    EXPECT_NE(t->Handle(), nullptr);
    delete t;
}

TEST(Thread, SuspendedThreadWaitsForStartAndStartsOnce) {
    auto* t = TThread::Create<TProbeThread>(true, [](TProbeThread&) { return 1; });
    Sleep(50);   // time is the test: a while passes and the suspended thread has not run
    EXPECT_FALSE(t->Ran);
    EXPECT_THROW(t->WaitFor(), EThread);
    t->Start();
    EXPECT_THROW(t->Start(), EThread);
    EXPECT_EQ(t->WaitFor(), 1);
    EXPECT_TRUE(t->Ran);
    delete t;
}

TEST(Thread, ExceptionsEscapingExecuteEndOnlyTheThread) {
    auto* a = TThread::Create<TProbeThread>(false, [](TProbeThread&) -> int { throw Exception("boom"); });
    auto* b = TThread::Create<TProbeThread>(false, [](TProbeThread&) -> int { throw std::runtime_error("x"); });
    auto* c = TThread::Create<TProbeThread>(false, [](TProbeThread&) -> int { throw 7; });
    EXPECT_EQ(a->WaitFor(), 0);
    EXPECT_EQ(b->WaitFor(), 0);
    EXPECT_EQ(c->WaitFor(), 0);
    EXPECT_TRUE(a->Finished() && b->Finished() && c->Finished());
    delete a;
    delete b;
    delete c;
}

TEST(Thread, FreeOnTerminateDeletesTheObjectAfterExecute) {
    std::atomic<int> died{0};
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto* t = TThread::Create<TProbeThread>(
        false, [go](TProbeThread&) { WaitForSingleObject(go, INFINITE); return 0; }, &died);
    t->SetFreeOnTerminate(true);
    EXPECT_THROW(t->WaitFor(), EThread);
    // Duplicate the handle: the object (and its handle) is gone once the thread ends.
    HANDLE h = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), t->Handle(), GetCurrentProcess(), &h, SYNCHRONIZE, FALSE, 0));
    SetEvent(go);
    EXPECT_EQ(WaitForSingleObject(h, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(died.load(), 1);
    CloseHandle(h);
    CloseHandle(go);
}

TEST(Thread, TerminateIsSeenByTheLoopAndDestructionWaits) {
    std::atomic<int> loops{0};
    auto* t = TThread::Create<TProbeThread>(false, [&loops](TProbeThread& self) {
        while (!self.Terminated()) { ++loops; SwitchToThread(); }
        return 5;
    });
    EXPECT_TRUE(PumpUntil([&] { return loops > 0; }, 5000));
    t->Terminate();
    EXPECT_EQ(t->WaitFor(), 5);
    EXPECT_GT(loops.load(), 0);
    delete t;

    // Deleting a running thread asks it to stop and waits, instead of leaving it on a freed object.
    std::atomic<int> died{0};
    auto* u = TThread::Create<TProbeThread>(false, [](TProbeThread& self) {
        while (!self.Terminated()) SwitchToThread();
        return 0;
    }, &died);
    delete u;
    EXPECT_EQ(died.load(), 1);
}

TEST(Thread, NeverStartedThreadIsDestroyedWithoutRunning) {
    std::atomic<bool> ran{false};
    auto* t = TThread::Create<TProbeThread>(true, [&ran](TProbeThread&) { ran = true; return 0; });
    delete t;
    EXPECT_FALSE(ran);
}

TEST(Thread, WaitForLetsAWorkerSendMessagesToThisThread) {
    // The worker reports with SendMessage to a window of the waiting thread; a plain wait
    // would deadlock.
    HWND wnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    auto* t = TThread::Create<TProbeThread>(false, [wnd](TProbeThread&) {
        SetWindowTextA(wnd, "reported");   // a sent WM_SETTEXT
        return 3;
    });
    EXPECT_EQ(t->WaitFor(), 3);
    char text[32] = {};
    GetWindowTextA(wnd, text, sizeof text);
    EXPECT_STREQ(text, "reported");
    delete t;
    DestroyWindow(wnd);
}
