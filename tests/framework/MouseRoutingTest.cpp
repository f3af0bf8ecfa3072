// Mouse routing under sequences a user's pointer (or another program) can cause and the
// code must survive: handlers that free the control a message is on its way to, the mouse
// changing hands in the middle of a click, and windows of another process under the pointer.
#include "FormTesting.h"
#include "common/ForeignWindow.h"
#include "common/MessageLog.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>
#include <vector>

namespace {
// Their memory is filled with a pattern that is no valid pointer when they are freed, and
// never handed back: any use after Free faults at once instead of reading stale data.
class TPoisonedPanel : public TPanel {
    DECLARE_CLASS(TPoisonedPanel, TPanel)
    using TPanel::TPanel;
    static void* operator new(size_t n) { return ::operator new(n); }
    static void operator delete(void* p, size_t n) { std::memset(p, 0xFE, n); }
};
IMPLEMENT_CLASS(TPoisonedPanel);

class TPoisonedLabel : public TLabel {
    DECLARE_CLASS(TPoisonedLabel, TLabel)
    using TLabel::TLabel;
    static void* operator new(size_t n) { return ::operator new(n); }
    static void operator delete(void* p, size_t n) { std::memset(p, 0xFE, n); }
};
IMPLEMENT_CLASS(TPoisonedLabel);

// A shown form above other windows: the tests move the real pointer over it.
TFormGuard<TForm> NewForm(int left = 80, int top = 80) {
    TFormGuard<TForm> f(TForm::Create(nullptr, false));
    f->SetBounds(left, top, 100, 100);
    f->SetClientWidth(300);
    f->SetClientHeight(200);
    f->Show();
    SetWindowPos(f->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PumpIdle();
    return f;
}

template <class T>
T* Add(TWinControl* parent, int l, int t, int w, int h) {
    T* c = T::Create(parent->GetParentForm());
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    if constexpr (std::is_base_of_v<TCustomLabel, T>) c->SetAutoSize(false);
    return c;
}

// The pointer goes to (x, y) of wnd and the window hears of it at once, so that the
// system's leave tracking agrees with the sequence the test makes.
void MoveTo(HWND wnd, int x, int y, WPARAM keys = 0) {
    POINT p{x, y};
    ClientToScreen(wnd, &p);
    SetCursorPos(p.x, p.y);
    SendMessageA(wnd, WM_MOUSEMOVE, keys, MAKELPARAM(x, y));
}

LPARAM ScreenLParam(const TControl* c, int x, int y) {
    TPoint p = c->ClientToScreen(TPoint(x, y));
    return MAKELPARAM(static_cast<WORD>(p.X), static_cast<WORD>(p.Y));
}
} // namespace

// ---------------------------------------------------------------------------------------
// Handlers that free what the message is for

TEST(MouseFreedByHandler, APanelThatFreesItselfWhenLeftForItsOwnChild) {
    auto form = NewForm();
    auto* panel = Add<TPoisonedPanel>(form.get(), 10, 10, 200, 150);
    Add<TPoisonedLabel>(panel, 100, 60, 80, 20);
    int leaves = 0;
    panel->OnMouseLeave = [&](TObject* sender) {
        ++leaves;
        static_cast<TControl*>(sender)->Free();
    };
    HWND wnd = panel->Handle();
    MoveTo(wnd, 20, 20);
    ASSERT_EQ(MouseControl(), panel);
    // Onto the label: the panel is left, and goes with its label inside its own move.
    MoveTo(wnd, 110, 65);
    EXPECT_EQ(leaves, 1);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(form->ControlCount(), 0);
    EXPECT_EQ(MouseControl(), nullptr);
    MoveTo(form->Handle(), 250, 180);
    EXPECT_EQ(MouseControl(), form.get()) << "the form goes on tracking the pointer";
}

TEST(MouseFreedByHandler, AWindowThatFreesItselfWhenThePointerLeavesIt) {
    auto form = NewForm();
    auto* panel = Add<TPoisonedPanel>(form.get(), 10, 10, 200, 150);
    int leaves = 0;
    panel->OnMouseLeave = [&](TObject* sender) {
        ++leaves;
        static_cast<TControl*>(sender)->Free();
    };
    HWND wnd = panel->Handle();
    MoveTo(wnd, 20, 20);
    ASSERT_EQ(MouseControl(), panel);
    SendMessageA(wnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(leaves, 1);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(MouseControl(), nullptr);
}

TEST(MouseFreedByHandler, AHintHandlerThatFreesTheControlUnderThePointer) {
    auto form = NewForm();
    auto* lbl = Add<TPoisonedLabel>(form.get(), 20, 20, 100, 20);
    lbl->SetHint("Name|Status line text");
    lbl->SetShowHint(true);
    int moves = 0;
    lbl->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };
    bool freed = false;
    TNotifyEvent previous = Application->OnHint;
    int pause = Application->HintPause;
    TScopeExit restore([&] {
        Application->OnHint = previous;
        Application->HintPause = pause;
    });
    Application->HintPause = 20;
    Application->OnHint = [&](TObject*) {
        if (!freed && Application->GetHint() == "Status line text") {
            freed = true;
            lbl->Free();
        }
    };
    MoveTo(form->Handle(), 30, 25);
    EXPECT_TRUE(freed);
    EXPECT_EQ(moves, 0) << "the move went with the label";
    EXPECT_EQ(form->ControlCount(), 0);
    // Time is the test: longer than the hint pause, and still no hint.
    PumpFor(80);
    EXPECT_FALSE(Application->HintWindow() && Application->HintWindow()->IsHintShowing());
}

TEST(MouseFreedByHandler, AContextPopupHandlerThatFreesItsControl) {
    auto form = NewForm();
    auto* lbl = Add<TPoisonedLabel>(form.get(), 20, 20, 100, 20);
    int asked = 0;
    lbl->OnContextPopup = [&](TObject* sender, TPoint, bool&) {
        ++asked;
        static_cast<TControl*>(sender)->Free();
    };
    HWND wnd = form->Handle();
    LRESULT r = SendMessageA(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), ScreenLParam(form.get(), 30, 25));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(r, 1) << "the handler took it";
    EXPECT_EQ(form->ControlCount(), 0);
}

// ---------------------------------------------------------------------------------------
// The mouse changing hands in the middle of a click

TEST(MouseChangingHands, AButtonUpAfterAnotherControlTookTheMouseIsNoClick) {
    auto form = NewForm();
    auto* img = Add<TImage>(form.get(), 150, 20, 50, 50);
    auto* lbl = Add<TLabel>(form.get(), 20, 20, 100, 20);
    int clicks = 0;
    img->OnClick = [&](TObject*) { ++clicks; };
    TMessageLog log;
    log.Watch(img, {CM_CANCELMODE});
    HWND wnd = form->Handle();
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(160, 30));
    ASSERT_EQ(GetCaptureControl(), img);
    lbl->SetMouseCapture(true);
    EXPECT_EQ(GetCaptureControl(), lbl);
    EXPECT_TRUE(log.Matches({Msg(CM_CANCELMODE).LParam(reinterpret_cast<LPARAM>(img))}));
    lbl->SetMouseCapture(false);
    // The button comes up over the image, which no longer holds the press it started.
    SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(160, 30));
    EXPECT_EQ(clicks, 0);
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(160, 30));
    SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(160, 30));
    EXPECT_EQ(clicks, 1) << "a whole click still is one";
}

TEST(MouseChangingHands, ACaptureTakerFreedByTheDragItEndsIsNotLeftHoldingTheMouse) {
    auto from = NewForm(80, 80);
    auto* source = Add<TPanel>(from.get(), 10, 10, 100, 100);
    source->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { source->BeginDrag(true); };
    auto other = NewForm(500, 80);
    auto* taker = Add<TPoisonedLabel>(other.get(), 10, 10, 100, 20);
    int ends = 0;
    source->OnEndDrag = [&](TObject*, TObject*, int, int) {
        ++ends;
        taker->Free();
    };
    SendMessageA(source->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ASSERT_TRUE(source->Dragging());
    // Taking the mouse away from the drag's window ends the drag, whose handler frees the taker.
    taker->SetMouseCapture(true);
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(GetCaptureControl(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr) << "no window is left holding the mouse for nobody";
    EXPECT_EQ(other->ControlCount(), 0);
}

TEST(MouseChangingHands, ADragSourceFreedWhenItsWindowLosesTheMouse) {
    auto form = NewForm();
    auto* source = Add<TPoisonedPanel>(form.get(), 10, 10, 100, 100);
    source->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { source->BeginDrag(true); };
    int ends = 0;
    source->OnEndDrag = [&](TObject* sender, TObject*, int, int) {
        ++ends;
        static_cast<TControl*>(sender)->Free();
    };
    HWND wnd = source->Handle();
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ASSERT_TRUE(source->Dragging());
    // Told directly rather than through ReleaseCapture: Wine hands that notice over in a
    // callback from the system that ignores faults, which would hide a use of the freed panel.
    SendMessageA(wnd, WM_CAPTURECHANGED, 0, 0);
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(GetCaptureControl(), nullptr);
}

TEST(MouseChangingHands, ADropTargetFreedByThePreviousTargetsLeave) {
    auto form = NewForm();
    auto* source = Add<TPanel>(form.get(), 10, 10, 60, 60);
    auto* first = Add<TPanel>(form.get(), 100, 10, 60, 60);
    auto* second = Add<TPoisonedPanel>(form.get(), 170, 10, 60, 60);
    source->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { source->BeginDrag(true); };
    TObject* endTarget = reinterpret_cast<TObject*>(1);
    source->OnEndDrag = [&](TObject*, TObject* target, int, int) { endTarget = target; };
    std::vector<TDragState> firstStates;
    first->OnDragOver = [&](TObject*, TObject*, int, int, TDragState state, bool& accept) {
        firstStates.push_back(state);
        accept = true;
        if (state == dsDragLeave) second->Free();
    };
    int secondAsked = 0;
    second->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& accept) {
        ++secondAsked;
        accept = true;
    };
    HWND wnd = source->Handle();
    MoveTo(wnd, 20, 20);
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ASSERT_TRUE(source->Dragging());
    // Over the first target, then over the second, whose place is empty once the first is left.
    MoveTo(wnd, 110, 20, MK_LBUTTON);
    MoveTo(wnd, 180, 20, MK_LBUTTON);
    EXPECT_EQ(firstStates, (std::vector<TDragState>{dsDragEnter, dsDragLeave}));
    EXPECT_EQ(secondAsked, 0);
    SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(180, 20));
    EXPECT_EQ(endTarget, nullptr) << "nothing took the drop";
    EXPECT_FALSE(source->Dragging());
}

// ---------------------------------------------------------------------------------------
// Windows of another process under the pointer

TEST(MouseForeignWindow, AFormOfAnotherProcessIsNoControlOfOurs) {
    auto form = NewForm();
    TPoint center = form->ClientToScreen(TPoint(150, 100));
    ASSERT_EQ(ControlAtScreenPos(center, false), form.get());
    TForeignWindow foreign(TRect(center.X - 50, center.Y - 50, center.X + 50, center.Y + 50));
    ASSERT_NE(foreign.Handle(), nullptr) << foreign.Error();
    ASSERT_TRUE(PumpUntil([&] { return WindowFromPoint(POINT(center)) == foreign.Handle(); }));
    // Its window carries our property, holding a pointer of the other process.
    EXPECT_EQ(FindControl(foreign.Handle()), nullptr);
    EXPECT_EQ(ControlAtScreenPos(center, false), nullptr);
    EXPECT_EQ(ControlAtScreenPos(center, true), nullptr);
    EXPECT_EQ(FindDragTarget(center, false), nullptr);
}

TEST(MouseForeignWindow, TheCursorIsChosenAgainWithoutWaitingForAHungProgramUnderThePointer) {
    TForeignWindow foreign(TRect(150, 150, 350, 350));
    ASSERT_NE(foreign.Handle(), nullptr) << foreign.Error();
    SetCursorPos(250, 250);
    ASSERT_TRUE(PumpUntil([&] { return WindowFromPoint(POINT{250, 250}) == foreign.Handle(); }));
    foreign.Hang();
    TScopeExit resume([&] {
        foreign.Resume();
        Screen->SetCursor(crDefault);
    });
    Screen->SetCursor(crHourGlass);
    DWORD start = GetTickCount();
    Screen->SetCursor(crDefault);
    EXPECT_LT(GetTickCount() - start, static_cast<DWORD>(TForeignWindow::kLongestHangMs / 3));
}
