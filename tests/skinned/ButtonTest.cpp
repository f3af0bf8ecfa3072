// The picture button on real windows: its state pictures, caption, transparency, mouse and
// keyboard handling, the repeat event, and the modal result.
#include "common/Screenshot.h"
#include "controls/skinned/ArButton.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "skinned/PictureTesting.h"
#include <gtest/gtest.h>

namespace {

constexpr uint32_t kNormal = 0xFF3060C0, kHover = 0xFF40A0E0, kDown = 0xFF103080, kDisabled = 0xFF909090;

struct TButtonForm {
    TFormGuard<TForm> Form = NewTestForm(240, 120);
    TArButton* Button = nullptr;
    int Clicks = 0;
    int Repeats = 0;

    TButtonForm() {
        Form->SetColor(clWhite);
        Button = TArButton::Create(Form.get());
        Button->SetParent(Form.get());
        Button->SetBounds(20, 20, 60, 30);
        Button->OnClick = [this](TObject*) { ++Clicks; };
        Button->OnMouseContinuouslyDown = [this](TObject*) { ++Repeats; };
    }
    void Show() {
        Form->Show();
        PumpIdle();
    }
    void SetAllStates() {
        SetPngPicture(Button->GetPicNormal(), 60, 30, kNormal);
        SetPngPicture(Button->GetPicMouseHover(), 60, 30, kHover);
        SetPngPicture(Button->GetPicMouseDown(), 60, 30, kDown);
        SetPngPicture(Button->GetPicDisabled(), 60, 30, kDisabled);
    }
    HWND Wnd() { return Button->Handle(); }
    TColor Centre() {
        TBitmap shot;
        Render(Button, shot);
        return PixelAt(shot, 30, 15);
    }
};

int TextPixels(TBitmap& b, TColor background) {
    return b.Width() * b.Height() - CountPixels(b, background, Rect(0, 0, b.Width(), b.Height()));
}

}  // namespace

TEST(ButtonLayout, PictureOriginCentresWithTruncationAndMayStartLeftOfTheButton) {
    EXPECT_EQ(ArPictureOrigin(TArPicAlign::paBottomCenter, 100, 50, 61, 21, 0, 0), TPoint(19, 29));
    EXPECT_EQ(ArPictureOrigin(TArPicAlign::paRight, 100, 50, 60, 21, 0, 0), TPoint(40, 14));
    EXPECT_EQ(ArPictureOrigin(TArPicAlign::paCustom, 100, 50, 60, 20, 7, -3), TPoint(7, -3));
    // Wider than the button: div truncates toward zero, so -11 / 2 is -5.
    EXPECT_EQ(ArPictureOrigin(TArPicAlign::paCenter, 50, 20, 61, 20, 0, 0), TPoint(-5, 0));
}

TEST(ButtonStates, EachStateShowsItsPictureDrivenByTheMouse) {
    TButtonForm f;
    f.SetAllStates();
    f.Show();
    EXPECT_EQ(f.Centre(), ArgbColor(kNormal));

    PostMouseMove(f.Wnd(), 30, 15);
    ASSERT_TRUE(PumpUntil([&] { return f.Button->IsHover(); }));
    EXPECT_EQ(f.Centre(), ArgbColor(kHover));

    PostMessageA(f.Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 15));
    ASSERT_TRUE(PumpUntil([&] { return f.Button->IsPressed(); }));
    EXPECT_EQ(f.Centre(), ArgbColor(kDown));

    // Dragged off while held: back to normal, and a release out there is no click.
    PostMessageA(f.Wnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 15));
    ASSERT_TRUE(PumpUntil([&] { return !f.Button->IsPressed(); }));
    EXPECT_EQ(f.Centre(), ArgbColor(kNormal));
    PostMessageA(f.Wnd(), WM_LBUTTONUP, 0, MAKELPARAM(200, 15));
    PumpIdle();
    EXPECT_EQ(f.Clicks, 0);

    f.Button->SetEnabled(false);
    EXPECT_EQ(f.Centre(), ArgbColor(kDisabled));
}

TEST(ButtonStates, MissingStatePicturesFallBackToNormal) {
    TButtonForm f;
    SetPngPicture(f.Button->GetPicNormal(), 60, 30, kNormal);
    f.Show();
    PostMouseMove(f.Wnd(), 30, 15);
    PostMessageA(f.Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 15));
    ASSERT_TRUE(PumpUntil([&] { return f.Button->IsPressed(); }));
    EXPECT_EQ(f.Centre(), ArgbColor(kNormal));
    PostMessageA(f.Wnd(), WM_LBUTTONUP, 0, MAKELPARAM(30, 15));
    ASSERT_TRUE(PumpUntil([&] { return f.Clicks == 1; }));

    // Disabled: still the normal picture, with the caption in the disabled font.
    f.Button->SetCaption("Go");
    f.Button->GetFontDisabled()->SetColor(clRed);
    f.Button->SetEnabled(false);
    TBitmap shot;
    Render(f.Button, shot);
    EXPECT_EQ(PixelAt(shot, 2, 2), ArgbColor(kNormal));
    EXPECT_GT(CountPixels(shot, clRed, Rect(0, 0, 60, 30)), 5);

    // Without any picture the button's colour fills it.
    f.Button->GetPicNormal()->Assign(nullptr);
    f.Button->SetColor(clYellow);
    f.Button->SetCaption("   ");   // blanks only: nothing is drawn
    Render(f.Button, shot);
    EXPECT_EQ(TextPixels(shot, clYellow), 0);
}

TEST(ButtonStates, KeyColourShowsTheParentOnlyWhenTransparent) {
    TButtonForm f;
    f.Form->SetColor(clLime);
    f.Button->SetColor(clNavy);
    // A fuchsia left half over a normal right half.
    std::vector<uint32_t> px(60 * 30, kNormal);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) px[size_t(y) * 60 + x] = 0xFFFF00FF;
    SetPngPicture(f.Button->GetPicNormal(), 60, 30, px);
    f.Show();

    TBitmap shot;
    Render(f.Button, shot);
    EXPECT_EQ(PixelAt(shot, 5, 5), clFuchsia);   // no key colour yet
    f.Button->SetEnableTransparentColor(true);
    Render(f.Button, shot);
    EXPECT_EQ(PixelAt(shot, 5, 5), clNavy);      // the button's colour
    EXPECT_EQ(PixelAt(shot, 45, 5), ArgbColor(kNormal));
    f.Button->SetTransparent(true);
    Render(f.Button, shot);
    EXPECT_EQ(PixelAt(shot, 5, 5), clLime);      // the parent's background
}

TEST(ButtonRepeat, FiresWhileHeldAndStopsOnRelease) {
    TButtonForm f;
    f.Show();
    DWORD start = GetTickCount();
    PostMessageA(f.Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 15));
    ASSERT_TRUE(PumpUntil([&] { return f.Repeats >= 3; }, 3000));
    // Every 100 ms, not at once.
    EXPECT_GE(GetTickCount() - start, 250u);
    EXPECT_TRUE(f.Button->RepeatTimerRunning());
    PostMessageA(f.Wnd(), WM_LBUTTONUP, 0, MAKELPARAM(30, 15));
    ASSERT_TRUE(PumpUntil([&] { return f.Clicks == 1; }));
    EXPECT_FALSE(f.Button->RepeatTimerRunning());
    int seen = f.Repeats;
    // Time is the test: past the repeat delay, and no repeat.
    PumpFor(300);
    EXPECT_EQ(f.Repeats, seen);
}

TEST(ButtonRepeat, StopsOnReleaseWithoutAClick) {
    TButtonForm f;
    f.Show();
    PostMessageA(f.Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 15));
    ASSERT_TRUE(PumpUntil([&] { return f.Button->RepeatTimerRunning(); }));
    PostMessageA(f.Wnd(), WM_LBUTTONUP, 0, MAKELPARAM(-20, -20));   // released off the button
    ASSERT_TRUE(PumpUntil([&] { return !f.Button->RepeatTimerRunning(); }));
    int seen = f.Repeats;
    // Time is the test: past the repeat delay, and no repeat.
    PumpFor(300);
    EXPECT_EQ(f.Repeats, seen);
    EXPECT_EQ(f.Clicks, 0);
    EXPECT_FALSE(f.Button->IsPressed());
}

TEST(ButtonRepeat, StopsWhenTheCaptureGoesElsewhere) {
    TButtonForm f;
    auto* other = TPanel::Create(f.Form.get());
    other->SetParent(f.Form.get());
    other->SetBounds(120, 20, 50, 50);
    f.Show();
    // The press opens something that takes the mouse (a menu, a box).
    f.Button->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { SetCapture(other->Handle()); };
    PostMessageA(f.Wnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 15));
    ASSERT_TRUE(PumpUntil([&] { return GetCapture() == other->Handle(); }));
    PumpIdle();
    EXPECT_FALSE(f.Button->RepeatTimerRunning());
    EXPECT_FALSE(f.Button->IsPressed());
    int seen = f.Repeats;
    // Time is the test: past the repeat delay, and no repeat.
    PumpFor(300);
    EXPECT_EQ(f.Repeats, seen);
    ReleaseCapture();
}

TEST(ButtonModalResult, ClickSetsTheDialogsResultOnlyWhenNotZero) {
    TButtonForm f;
    f.Button->OnClick = nullptr;
    auto* timer = TTimer::Create(f.Form.get());
    timer->SetInterval(30);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) {
        if (++ticks == 1) {
            PostClick(f.Wnd(), 10, 10);   // ModalResult 0: the dialog stays open
        } else if (ticks == 4) {
            timer->SetEnabled(false);
            f.Button->SetModalResult(mrOk);
            PostClick(f.Wnd(), 10, 10);
        }
    };
    EXPECT_EQ(f.Form->ShowModal(), mrOk);
    EXPECT_GE(ticks, 4);
}

TEST(ButtonModalResult, ButtonOutsideAnyFormStillClicks) {
    TFormGuard<TForm> host(TForm::Create(nullptr, false));
    host->Show();
    TFreeGuard<TArButton> b(TArButton::Create(nullptr));
    b->SetParentWindow(host->Handle());
    b->SetBounds(0, 0, 40, 20);
    b->SetModalResult(mrOk);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    b->HandleNeeded();
    PostClick(b->Handle(), 5, 5);
    ASSERT_TRUE(PumpUntil([&] { return clicks == 1; }));
    EXPECT_EQ(host->GetModalResult(), mrNone);
}

TEST(ButtonKeys, EnterEscapeSpaceAndAccelerators) {
    TButtonForm f;
    auto* edit = TEdit::Create(f.Form.get());
    edit->SetParent(f.Form.get());
    edit->SetBounds(100, 80, 80, 21);
    f.Button->SetDefault(true);
    f.Button->SetTabStop(true);
    auto* cancel = TArButton::Create(f.Form.get());
    cancel->SetParent(f.Form.get());
    cancel->SetBounds(100, 20, 60, 30);
    cancel->SetCancel(true);
    cancel->SetTabStop(true);
    cancel->SetCaption("&Stop");
    int cancelClicks = 0;
    cancel->OnClick = [&](TObject*) { ++cancelClicks; };
    f.Show();
    edit->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == edit->Handle(); }));
    EXPECT_TRUE(f.Button->IsActive());

    PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    ASSERT_TRUE(PumpUntil([&] { return f.Clicks == 1; }));
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ASSERT_TRUE(PumpUntil([&] { return cancelClicks == 1; }));

    // Enter on another focused picture button clicks that one, not the default.
    cancel->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == cancel->Handle(); }));
    EXPECT_TRUE(cancel->IsActive());
    EXPECT_FALSE(f.Button->IsActive());
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    ASSERT_TRUE(PumpUntil([&] { return cancelClicks == 2; }));
    EXPECT_EQ(f.Clicks, 1);

    // Space presses the focused button and its release clicks it.
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_SPACE, 0x00390001);
    ASSERT_TRUE(PumpUntil([&] { return cancel->IsPressed(); }));
    PostMessageA(GetFocus(), WM_KEYUP, VK_SPACE, 0xC0390001);
    ASSERT_TRUE(PumpUntil([&] { return cancelClicks == 3; }));
    EXPECT_FALSE(cancel->IsPressed());

    // Alt+S is the accelerator of "&Stop"; a disabled button ignores it.
    edit->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == edit->Handle(); }));
    PostMessageA(GetFocus(), WM_SYSCHAR, 's', 0x201F0001);
    ASSERT_TRUE(PumpUntil([&] { return cancelClicks == 4; }));
    cancel->SetEnabled(false);
    PostMessageA(GetFocus(), WM_SYSCHAR, 's', 0x201F0001);
    PumpIdle();
    EXPECT_EQ(cancelClicks, 4);

    // Taking Default away leaves Enter to nobody.
    f.Button->SetDefault(false);
    EXPECT_FALSE(f.Button->IsActive());
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PumpIdle();
    EXPECT_EQ(f.Clicks, 1);
}
