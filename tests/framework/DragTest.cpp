// Dragging one control onto another: the threshold, the target's DragOver states, the
// drop, and cancelling.
#include "FormTesting.h"
#include "framework/ExtCtrls.h"

#include <gtest/gtest.h>

namespace {
struct TDragScene {
    TFormGuard<TForm> Form{TForm::Create(nullptr, false)};
    TPanel* Source = nullptr;
    TPanel* Target = nullptr;
    std::vector<TDragState> States;
    int Drops = 0;
    TObject* DroppedSource = nullptr;
    TPoint DropAt;
    int Ends = 0;
    TObject* EndTarget = reinterpret_cast<TObject*>(1);
    bool Accept = true;

    TDragScene() {
        Form->SetBounds(80, 80, 100, 100);
        Form->SetClientWidth(300);
        Form->SetClientHeight(120);
        Source = TPanel::Create(Form.get());
        Source->SetParent(Form.get());
        Source->SetBounds(10, 10, 100, 100);
        Target = TPanel::Create(Form.get());
        Target->SetParent(Form.get());
        Target->SetBounds(180, 10, 100, 100);
        Source->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { Source->BeginDrag(false, 5); };
        Target->OnDragOver = [this](TObject*, TObject*, int, int, TDragState state, bool& accept) {
            States.push_back(state);
            accept = Accept;
        };
        Target->OnDragDrop = [this](TObject*, TObject* src, int x, int y) {
            ++Drops;
            DroppedSource = src;
            DropAt = TPoint(x, y);
        };
        Source->OnEndDrag = [this](TObject*, TObject* target, int, int) {
            ++Ends;
            EndTarget = target;
        };
        Form->Show();
        // The drop target is found on the screen: other programs' windows must not cover it.
        SetWindowPos(Form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        PumpIdle();
    }
    // A point of the target in the source window's client coordinates.
    LPARAM OverTarget(int x, int y) const {
        return MAKELPARAM(static_cast<WORD>(Target->Left() - Source->Left() + x),
                          static_cast<WORD>(Target->Top() - Source->Top() + y));
    }
    HWND SourceWnd() const { return Source->WindowHandle(); }
};
} // namespace

TEST(Drag, DropsOnAnAcceptingTargetOnceTheMouseHasMovedPastTheThreshold) {
    TDragScene s;
    PostMessageA(s.SourceWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageA(s.SourceWnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(22, 21));
    PumpIdle();
    EXPECT_FALSE(s.Source->Dragging()) << "a move within the threshold starts nothing";
    PostMessageA(s.SourceWnd(), WM_MOUSEMOVE, MK_LBUTTON, s.OverTarget(30, 40));
    PostMessageA(s.SourceWnd(), WM_MOUSEMOVE, MK_LBUTTON, s.OverTarget(31, 41));
    PumpIdle();
    EXPECT_TRUE(s.Source->Dragging());
    PostMessageA(s.SourceWnd(), WM_LBUTTONUP, 0, s.OverTarget(31, 41));
    PumpIdle();
    EXPECT_FALSE(s.Source->Dragging());
    ASSERT_GE(s.States.size(), 2u);
    EXPECT_EQ(s.States[0], dsDragEnter);
    EXPECT_EQ(s.States[1], dsDragMove);
    EXPECT_EQ(s.Drops, 1);
    EXPECT_EQ(s.DroppedSource, s.Source);
    EXPECT_EQ(s.DropAt, TPoint(31, 41));
    EXPECT_EQ(s.Ends, 1);
    EXPECT_EQ(s.EndTarget, s.Target);
    EXPECT_NE(GetCapture(), s.SourceWnd()) << "the capture goes with the drag";
}

TEST(Drag, ARefusingTargetGetsNoDropButALeave) {
    TDragScene s;
    s.Accept = false;
    PostMessageA(s.SourceWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageA(s.SourceWnd(), WM_MOUSEMOVE, MK_LBUTTON, s.OverTarget(30, 40));
    PostMessageA(s.SourceWnd(), WM_LBUTTONUP, 0, s.OverTarget(30, 40));
    PumpIdle();
    EXPECT_EQ(s.Drops, 0);
    ASSERT_FALSE(s.States.empty());
    EXPECT_EQ(s.States.back(), dsDragLeave);
    EXPECT_EQ(s.Ends, 1);
    EXPECT_EQ(s.EndTarget, nullptr);
}

TEST(Drag, EscapeCancelsARunningDrag) {
    TDragScene s;
    PostMessageA(s.SourceWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageA(s.SourceWnd(), WM_MOUSEMOVE, MK_LBUTTON, s.OverTarget(30, 40));
    PumpIdle();
    ASSERT_TRUE(s.Source->Dragging());
    s.Form->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(s.Source->Dragging());
    PostMessageA(s.SourceWnd(), WM_LBUTTONUP, 0, s.OverTarget(30, 40));
    PumpIdle();
    EXPECT_EQ(s.Drops, 0);
    EXPECT_EQ(s.States.back(), dsDragLeave);
    EXPECT_EQ(s.EndTarget, nullptr);
}

TEST(Drag, AReleaseWithinTheThresholdIsAPlainClick) {
    TDragScene s;
    int clicks = 0;
    s.Source->OnClick = [&](TObject*) { ++clicks; };
    PostMessageA(s.SourceWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageA(s.SourceWnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(21, 20));
    PostMessageA(s.SourceWnd(), WM_LBUTTONUP, 0, MAKELPARAM(21, 20));
    PumpIdle();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(s.Ends, 0);
    EXPECT_TRUE(s.States.empty());
}
