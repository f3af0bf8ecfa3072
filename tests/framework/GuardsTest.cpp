// The scope guards: each releases on a normal exit and while an exception unwinds, and the
// two that run code which may fail pass that failure on only when nothing else is unwinding.
#include "framework/Classes.h"
#include "framework/Guards.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct TCountingUpdates {
    int Begins = 0, Ends = 0;
    bool FailOnEnd = false;
    void BeginUpdate() { ++Begins; }
    void EndUpdate() {
        ++Ends;
        if (FailOnEnd) throw std::runtime_error("end failed");
    }
};

// A plain window whose WM_PAINT goes to Paint; the tests paint it on demand.
struct TPaintWindow {
    static inline std::function<void(HWND)> Paint;
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
        if (msg == WM_PAINT && Paint) {
            Paint(wnd);
            return 0;
        }
        return DefWindowProcA(wnd, msg, w, l);
    }
    HWND Wnd = nullptr;
    TPaintWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VelmoraGuardsTestPaint";
        RegisterClassA(&wc);
        Wnd = CreateWindowA(wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 60, 40, nullptr, nullptr,
                            wc.hInstance, nullptr);
    }
    ~TPaintWindow() {
        DestroyWindow(Wnd);
        Paint = nullptr;
    }
    bool NeedsPaint() const { return GetUpdateRect(Wnd, nullptr, FALSE) != FALSE; }
};

} // namespace

TEST(GuardsTest, UpdateLockEndsTheUpdateOnExitAndOnAnException) {
    TCountingUpdates obj;
    {
        TUpdateLock lock(obj);
        EXPECT_EQ(obj.Begins, 1);
        EXPECT_EQ(obj.Ends, 0);
    }
    EXPECT_EQ(obj.Ends, 1);
    EXPECT_THROW(
        {
            TUpdateLock lock(&obj);
            throw std::logic_error("work failed");
        },
        std::logic_error);
    EXPECT_EQ(obj.Begins, 2);
    EXPECT_EQ(obj.Ends, 2);
    TUpdateLock<TCountingUpdates> none(nullptr);   // nothing to lock: nothing happens
}

TEST(GuardsTest, UpdateLockPassesOnAFailedEndOnlyWhenNothingElseUnwinds) {
    TCountingUpdates obj;
    obj.FailOnEnd = true;
    EXPECT_THROW({ TUpdateLock lock(obj); }, std::runtime_error);
    // The work's own exception is the one that arrives.
    EXPECT_THROW(
        {
            TUpdateLock lock(obj);
            throw std::logic_error("work failed");
        },
        std::logic_error);
    EXPECT_EQ(obj.Ends, 2);
}

TEST(GuardsTest, UpdateLockHoldsAStringListsChangeUntilTheEnd) {
    TStringList list;
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    {
        TUpdateLock lock(list);
        list.Add("a");
        list.Add("b");
        EXPECT_EQ(changes, 0);
    }
    EXPECT_EQ(changes, 1);
}

TEST(GuardsTest, SaveDCPutsTheStateBackOnExitAndOnAnException) {
    TMemDCHandle dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    SetTextColor(dc.Get(), RGB(1, 2, 3));
    {
        TSaveDC saved(dc.Get());
        EXPECT_EQ(saved.Get(), dc.Get());
        SetTextColor(dc.Get(), RGB(200, 0, 0));
    }
    EXPECT_EQ(GetTextColor(dc.Get()), RGB(1, 2, 3));
    EXPECT_THROW(
        {
            TSaveDC saved(dc.Get());
            SetTextColor(dc.Get(), RGB(0, 200, 0));
            throw std::logic_error("paint failed");
        },
        std::logic_error);
    EXPECT_EQ(GetTextColor(dc.Get()), RGB(1, 2, 3));
    TSaveDC none(nullptr);   // no DC: nothing to save or restore
    EXPECT_EQ(none.Get(), nullptr);
}

TEST(GuardsTest, PaintDCUsesAHandedInDCWithoutPainting) {
    TMemDCHandle dc(CreateCompatibleDC(nullptr));
    TPaintWindow window;
    InvalidateRect(window.Wnd, nullptr, FALSE);
    {
        TPaintDC paint(window.Wnd, reinterpret_cast<WPARAM>(dc.Get()));
        EXPECT_EQ(paint.Get(), dc.Get());
        EXPECT_FALSE(paint.OwnsPaint());
    }
    // No BeginPaint happened: the window still waits for its paint.
    EXPECT_TRUE(window.NeedsPaint());
}

TEST(GuardsTest, PaintDCPaintsTheWindowOnExitAndOnAnException) {
    TPaintWindow window;
    for (bool fail : {false, true}) {
        SCOPED_TRACE(fail ? "failing paint" : "normal paint");
        bool painted = false;
        TPaintWindow::Paint = [&](HWND wnd) {
            try {
                TPaintDC paint(wnd, 0);
                painted = paint.OwnsPaint() && paint.Get() && paint.PaintStruct().hdc == paint.Get();
                if (fail) throw std::logic_error("paint failed");
            } catch (const std::logic_error&) {
            }
        };
        InvalidateRect(window.Wnd, nullptr, FALSE);
        UpdateWindow(window.Wnd);
        EXPECT_TRUE(painted);
        EXPECT_FALSE(window.NeedsPaint());
        // The DC went back: the window can be drawn on again.
        HDC again = GetDC(window.Wnd);
        EXPECT_NE(again, nullptr);
        ReleaseDC(window.Wnd, again);
    }
}

TEST(GuardsTest, RestorePutsTheOldValueBackOnExitAndOnAnException) {
    bool busy = false;
    std::string name = "old";
    {
        TRestore keep(busy, true);
        TRestore keepName(name);
        EXPECT_TRUE(busy);
        name = "changed";
    }
    EXPECT_FALSE(busy);
    EXPECT_EQ(name, "old");
    EXPECT_THROW(
        {
            TRestore keep(busy, true);
            throw std::logic_error("work failed");
        },
        std::logic_error);
    EXPECT_FALSE(busy);
}

TEST(GuardsTest, ScopeExitRunsOnExitAndOnAnExceptionUnlessDismissed) {
    int runs = 0;
    { TScopeExit done([&] { ++runs; }); }
    EXPECT_EQ(runs, 1);
    EXPECT_THROW(
        {
            TScopeExit done([&] { ++runs; });
            throw std::logic_error("work failed");
        },
        std::logic_error);
    EXPECT_EQ(runs, 2);
    {
        TScopeExit undo([&] { ++runs; });
        undo.Dismiss();
    }
    EXPECT_EQ(runs, 2);
}

TEST(GuardsTest, ScopeExitPassesOnAFailureOnlyWhenNothingElseUnwinds) {
    auto fail = [] { throw std::runtime_error("cleanup failed"); };
    EXPECT_THROW({ TScopeExit done(fail); }, std::runtime_error);
    EXPECT_THROW(
        {
            TScopeExit done(fail);
            throw std::logic_error("work failed");
        },
        std::logic_error);
}
