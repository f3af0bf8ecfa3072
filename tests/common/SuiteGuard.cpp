#include "common/SuiteGuard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <exception>
#include <string>

namespace {

// The running test's name, kept where a crash handler can read it without allocating.
// Written on the test thread; read by the crash handler and the watchdog, which only print
// it, so a torn read at worst prints a wrong name.
char g_test[512] = "(outside any test)";
volatile LONG g_testSerial = 0;      // counts test starts, so the watchdog sees a new test
volatile LONG g_testRunning = 0;

void SetTestName(const char* name) {
    lstrcpynA(g_test, name, sizeof g_test);
}

// Written straight to the standard error handle: the crashed thread may hold the C
// library's stream locks. gtest flushes its own output line by line.
void Report(const char* text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, lstrlenA(text), &written, nullptr);
}

[[noreturn]] void EndNow(UINT code) {
    // TerminateProcess, not exit: the crashed state may hold the loader lock or a heap lock
    // that exit handlers would wait on.
    TerminateProcess(GetCurrentProcess(), code);
    for (;;) Sleep(INFINITE);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info ? info->ExceptionRecord : nullptr;
    char text[800];
    if (record && record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2) {
        const ULONG_PTR kind = record->ExceptionInformation[0];
        wsprintfA(text, "\n[  CRASH   ] %s: access violation at %p (%s of address %p)\n", g_test,
                  record->ExceptionAddress, kind == 0 ? "read" : kind == 8 ? "execution" : "write",
                  reinterpret_cast<void*>(record->ExceptionInformation[1]));
    } else if (record) {
        wsprintfA(text, "\n[  CRASH   ] %s: exception 0x%08lX at %p\n", g_test,
                  static_cast<unsigned long>(record->ExceptionCode), record->ExceptionAddress);
    } else {
        wsprintfA(text, "\n[  CRASH   ] %s: unhandled exception\n", g_test);
    }
    Report(text);
    EndNow(3);
}

void OnTerminate() {
    std::string text = std::string("\n[  CRASH   ] ") + g_test + ": std::terminate";
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            text += std::string(" after an uncaught exception: ") + e.what();
        } catch (...) {
            text += " after an uncaught exception";
        }
    }
    text += "\n";
    Report(text.c_str());
    EndNow(3);
}

int TestLimitSeconds() {
    if (const char* text = std::getenv("VELMORA_TEST_LIMIT")) {
        const int seconds = std::atoi(text);
        if (seconds > 0) return seconds;
    }
    return kDefaultTestLimitSeconds;
}

// A test that hangs (a modal box nobody answers, a wait for a process that never ends)
// ends the program with its name, long before CTest's own limit for the suite.
DWORD WINAPI Watchdog(void*) {
    const int limit = TestLimitSeconds();
    LONG watched = -1;
    int seconds = 0;
    for (;;) {
        Sleep(1000);
        const LONG serial = InterlockedCompareExchange(&g_testSerial, 0, 0);
        if (!InterlockedCompareExchange(&g_testRunning, 0, 0) || serial != watched) {
            watched = serial;
            seconds = 0;
            continue;
        }
        if (++seconds < limit) continue;
        char text[700];
        wsprintfA(text, "\n[  HUNG    ] %s has run for %d s, past the limit of one test\n", g_test, seconds);
        Report(text);
        EndNow(4);
    }
}

class TTestTracker : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo& test) override {
        SetTestName((std::string(test.test_suite_name()) + "." + test.name()).c_str());
        InterlockedIncrement(&g_testSerial);
        InterlockedExchange(&g_testRunning, 1);
    }
    void OnTestEnd(const testing::TestInfo&) override {
        InterlockedExchange(&g_testRunning, 0);
        SetTestName("(between tests)");
    }
};

}  // namespace

void InstallSuiteGuard() {
    // No error box for a crash or a missing disk: nobody is there to answer it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(OnUnhandledException);
    std::set_terminate(OnTerminate);
    testing::UnitTest::GetInstance()->listeners().Append(new TTestTracker);
    if (HANDLE thread = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr)) CloseHandle(thread);
}
