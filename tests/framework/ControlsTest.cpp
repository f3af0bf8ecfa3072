// The align engine, graphic controls (painting, mouse routing, enter/leave, cursors),
// hints, and font and colour inheritance, on real windows.
#include "FormTesting.h"
#include "common/MessageLog.h"
#include "common/Screenshot.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

#include <gtest/gtest.h>

namespace {
TFormGuard<TForm> NewForm(int clientWidth = 400, int clientHeight = 300) {
    TFormGuard<TForm> f(TForm::Create(nullptr, false));
    f->SetBounds(60, 60, 100, 100);
    f->SetClientWidth(clientWidth);
    f->SetClientHeight(clientHeight);
    return f;
}

template <class T>
T* Add(TWinControl* parent, int l, int t, int w, int h) {
    T* c = T::Create(parent->GetParentForm() ? static_cast<TComponent*>(parent->GetParentForm()) : parent);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}

TPanel* AlignedPanel(TWinControl* parent, TAlign align, int size) {
    auto* p = Add<TPanel>(parent, 0, 0, size, size);
    p->SetAlign(align);
    return p;
}
} // namespace

// ---------------------------------------------------------------------------------------
// Align engine

TEST(ControlsAlign, AlignedChildrenKeepFillingTheirParent) {
    auto form = NewForm(400, 300);
    auto* top = AlignedPanel(form.get(), alTop, 30);
    auto* bottom = AlignedPanel(form.get(), alBottom, 20);
    auto* left = AlignedPanel(form.get(), alLeft, 50);
    auto* right = AlignedPanel(form.get(), alRight, 60);
    auto* client = AlignedPanel(form.get(), alClient, 10);
    auto check = [&](int w, int h) {
        EXPECT_EQ(top->BoundsRect(), Rect(0, 0, w, 30));
        EXPECT_EQ(bottom->BoundsRect(), Rect(0, h - 20, w, h));
        EXPECT_EQ(left->BoundsRect(), Rect(0, 30, 50, h - 20));
        EXPECT_EQ(right->BoundsRect(), Rect(w - 60, 30, w, h - 20));
        EXPECT_EQ(client->BoundsRect(), Rect(50, 30, w - 60, h - 20));
    };
    check(400, 300);  // before the window exists
    form->Show();
    PumpIdle();
    check(400, 300);
    form->SetBounds(form->Left(), form->Top(), form->Width() + 100, form->Height() + 50);
    PumpIdle();
    check(500, 350);
    // The windows are where the controls say.
    RECT r;
    GetWindowRect(client->Handle(), &r);
    MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(TRect(r), client->BoundsRect());

    // Changing an aligned control's size, visibility or alignment realigns the others.
    top->SetHeight(50);
    EXPECT_EQ(left->Top(), 50);
    EXPECT_EQ(client->Top(), 50);
    top->SetVisible(false);
    EXPECT_EQ(left->Top(), 0);
    EXPECT_EQ(client->BoundsRect(), Rect(50, 0, 440, 330));
    right->SetAlign(alNone);
    EXPECT_EQ(client->BoundsRect(), Rect(50, 0, 500, 330));
}

TEST(ControlsAlign, StackedTopControlsKeepTheirOrderAndAnchorsFollowTheEdges) {
    auto form = NewForm(300, 200);
    auto* first = AlignedPanel(form.get(), alTop, 20);
    auto* second = Add<TPanel>(form.get(), 0, 100, 30, 30);  // placed below the first
    second->SetAlign(alTop);
    EXPECT_EQ(first->Top(), 0);
    EXPECT_EQ(second->Top(), 20);
    // Moving the second above the first swaps them.
    second->SetTop(0);
    EXPECT_EQ(second->Top(), 0);
    EXPECT_EQ(first->Top(), 30);

    auto* corner = Add<TButton>(form.get(), 200, 150, 80, 25);  // 20 from the right, 25 from the bottom
    corner->SetAnchors({akRight, akBottom});
    auto* stretch = Add<TEdit>(form.get(), 10, 100, 270, 21);
    stretch->SetAnchors({akLeft, akTop, akRight});
    form->Show();
    form->SetClientWidth(400);
    form->SetClientHeight(260);
    PumpIdle();
    EXPECT_EQ(corner->BoundsRect(), Rect(300, 210, 380, 235));
    EXPECT_EQ(stretch->BoundsRect(), Rect(10, 100, 380, 121));
}

TEST(ControlsAlign, PanelBordersShrinkTheAlignArea) {
    auto form = NewForm(300, 200);
    auto* panel = AlignedPanel(form.get(), alClient, 0);
    panel->SetBevelOuter(bvRaised);
    panel->SetBorderWidth(2);
    auto* inner = AlignedPanel(panel, alClient, 0);
    EXPECT_EQ(inner->BoundsRect(), Rect(3, 3, 297, 197));
    panel->SetBevelOuter(bvNone);
    EXPECT_EQ(inner->BoundsRect(), Rect(2, 2, 298, 198));
}

// ---------------------------------------------------------------------------------------
// Graphic controls

TEST(ControlsGraphic, MouseEntersLeavesAndClicksAWindowlessControl) {
    auto form = NewForm();
    auto* lbl = Add<TLabel>(form.get(), 20, 20, 100, 20);
    lbl->SetAutoSize(false);
    lbl->SetCaption("Hover me");
    auto* img = Add<TImage>(form.get(), 150, 20, 50, 50);
    int enters = 0, leaves = 0, clicks = 0, imgClicks = 0;
    TMessageLog seen;
    seen.Watch(lbl, {CM_MOUSEENTER, CM_MOUSELEAVE});
    lbl->OnMouseEnter = [&](TObject*) { ++enters; };
    lbl->OnMouseLeave = [&](TObject*) { ++leaves; };
    lbl->OnClick = [&](TObject*) { ++clicks; };
    TPoint down(-1, -1);
    img->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int x, int y) {
        if (b == mbLeft) down = TPoint(x, y);
    };
    img->OnClick = [&](TObject*) { ++imgClicks; };
    form->Show();
    PumpIdle();
    HWND wnd = form->Handle();

    PostMouseMove(wnd, 30, 25);
    ASSERT_TRUE(PumpUntil([&] { return enters == 1; }));
    EXPECT_EQ(MouseControl(), lbl);
    PostMouseMove(wnd, 300, 200);
    ASSERT_TRUE(PumpUntil([&] { return leaves == 1; }));
    EXPECT_TRUE(seen.Matches({CM_MOUSEENTER, CM_MOUSELEAVE}));
    EXPECT_EQ(MouseControl(), form.get());

    PostMouseMove(wnd, 30, 25);
    PostClick(wnd, 30, 25);
    EXPECT_TRUE(PumpUntil([&] { return clicks == 1; }));

    // The image gets its own coordinates and keeps the capture until the button goes up;
    // releasing outside is no click.
    PostMouseMove(wnd, 160, 30);
    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(160, 30));
    ASSERT_TRUE(PumpUntil([&] { return down.X >= 0; }));
    EXPECT_EQ(down, TPoint(10, 10));
    EXPECT_EQ(GetCaptureControl(), img);
    EXPECT_EQ(GetCapture(), wnd);
    PostMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 200));
    PostMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(300, 200));
    PumpIdle();
    EXPECT_EQ(imgClicks, 0);
    EXPECT_EQ(GetCaptureControl(), nullptr);
    PostClick(wnd, 170, 40);
    EXPECT_TRUE(PumpUntil([&] { return imgClicks == 1; }));

    // A disabled control takes no clicks but is still found under the pointer.
    lbl->SetEnabled(false);
    PostClick(wnd, 30, 25);
    PumpIdle();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(ControlAtScreenPos(form->ClientToScreen(TPoint(30, 25)), true), lbl);
    EXPECT_EQ(ControlAtScreenPos(form->ClientToScreen(TPoint(30, 25)), false), form.get());
}

TEST(ControlsGraphic, CursorOfTheControlUnderThePointer) {
    auto form = NewForm();
    auto* lbl = Add<TLabel>(form.get(), 20, 20, 100, 20);
    lbl->SetAutoSize(false);
    lbl->SetCursor(crHandPoint);
    form->Show();
    PumpIdle();
    HWND wnd = form->Handle();
    auto cursorAt = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(wnd, &p);
        SetCursorPos(p.x, p.y);
        SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(cursorAt(30, 25), Screen->Cursors(crHandPoint));
    form->SetCursor(crSizeWE);
    EXPECT_EQ(cursorAt(300, 200), Screen->Cursors(crSizeWE));
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(cursorAt(30, 25), Screen->Cursors(crHourGlass));
    Screen->SetCursor(crDefault);
}

TEST(ControlsGraphic, PrintClientPaintsGraphicChildrenInZOrder) {
    auto form = NewForm(200, 100);
    form->SetColor(clWhite);
    auto* under = Add<TLabel>(form.get(), 10, 10, 40, 20);
    under->SetAutoSize(false);
    under->SetCaption("");
    under->SetColor(clRed);
    auto* over = Add<TLabel>(form.get(), 30, 10, 40, 20);
    over->SetAutoSize(false);
    over->SetCaption("");
    over->SetColor(clBlue);
    form->Show();
    PumpIdle();

    TBitmap shot(200, 100);
    HDC dc = shot.Canvas()->Handle();
    SendMessageA(form->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessageA(form->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(PixelAt(shot, 5, 5), clWhite);
    EXPECT_EQ(PixelAt(shot, 15, 15), clRed);
    EXPECT_EQ(PixelAt(shot, 40, 15), clBlue);  // the later control is on top
    EXPECT_EQ(PixelAt(shot, 75, 15), clWhite);

    // Nested into a DC whose viewport is already moved, the offsets add up.
    TBitmap moved(200, 100);
    HDC mdc = moved.Canvas()->Handle();
    SetViewportOrgEx(mdc, 50, 20, nullptr);
    SendMessageA(form->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mdc), PRF_CLIENT);
    SetViewportOrgEx(mdc, 0, 0, nullptr);
    EXPECT_EQ(PixelAt(moved, 65, 35), clRed);
    under->BringToFront();
    TBitmap front(200, 100);
    SendMessageA(form->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(front.Canvas()->Handle()), PRF_CLIENT);
    EXPECT_EQ(PixelAt(front, 40, 15), clRed);
}

TEST(ControlsGraphic, ScreenshotShowsTheControls) {
    auto form = NewForm(320, 160);
    form->SetCaption("Controls");
    auto* panel = AlignedPanel(form.get(), alTop, 40);
    panel->SetCaption("A raised panel");
    auto* lbl = Add<TLabel>(form.get(), 12, 56, 0, 0);
    lbl->SetCaption("Label text");
    auto* bevel = Add<TBevel>(form.get(), 12, 80, 296, 2);
    bevel->SetShape(bsTopLine);
    auto* edit = Add<TEdit>(form.get(), 12, 92, 150, 21);
    edit->SetText("Edit text");
    auto* button = Add<TButton>(form.get(), 232, 124, 75, 25);
    button->SetCaption("OK");
    form->Show();
    PumpIdle();
    EXPECT_TRUE(SaveWindowPng(form->Handle(), "controls.png"));
}

// ---------------------------------------------------------------------------------------
// Hints

TEST(ControlsHint, HintWindowShowsTheShortHintAfterThePause) {
    auto form = NewForm();
    auto* lbl = Add<TLabel>(form.get(), 20, 20, 100, 20);
    lbl->SetAutoSize(false);
    lbl->SetHint("Registry name|Long text for the status line");
    lbl->SetShowHint(true);
    int savedPause = Application->HintPause;
    Application->HintPause = 20;
    form->Show();
    PumpIdle();
    PostMouseMove(form->Handle(), 30, 25);
    ASSERT_TRUE(PumpUntil([] { return Application->HintWindow() && Application->HintWindow()->IsHintShowing(); }));
    EXPECT_EQ(Application->HintWindow()->GetCaption(), "Registry name");
    EXPECT_EQ(Application->GetHint(), "Long text for the status line");
    PostMouseMove(form->Handle(), 300, 200);
    EXPECT_TRUE(PumpUntil([] { return !Application->HintWindow()->IsHintShowing(); }));
    // No hint for a control whose ShowHint is off.
    lbl->SetShowHint(false);
    PostMouseMove(form->Handle(), 30, 25);
    // Time is the test: longer than the hint pause, and still no hint.
    PumpFor(80);
    EXPECT_FALSE(Application->HintWindow()->IsHintShowing());
    Application->HintPause = savedPause;
    Application->CancelHint();
}

// ---------------------------------------------------------------------------------------
// Inherited properties

TEST(ControlsInherit, FontAndColourFollowTheParentUntilSetOwn) {
    auto form = NewForm();
    auto* panel = Add<TPanel>(form.get(), 0, 0, 200, 100);
    auto* follower = Add<TLabel>(panel, 5, 5, 50, 20);
    auto* own = Add<TLabel>(panel, 5, 30, 50, 20);
    own->Font()->SetHeight(-20);
    EXPECT_FALSE(own->GetParentFont());
    TMessageLog fontChanges;
    fontChanges.Watch(follower, {CM_FONTCHANGED});
    form->Font()->SetName("Tahoma");
    form->Font()->SetHeight(-15);
    EXPECT_EQ(follower->Font()->GetName(), "Tahoma");
    EXPECT_EQ(follower->Font()->GetHeight(), -15);
    EXPECT_TRUE(follower->GetParentFont());
    EXPECT_GE(fontChanges.Count(CM_FONTCHANGED), 1);
    EXPECT_EQ(own->Font()->GetHeight(), -20);

    EXPECT_TRUE(follower->GetParentColor());
    panel->SetColor(clYellow);
    EXPECT_EQ(follower->GetColor(), clYellow);
    own->SetColor(clAqua);
    panel->SetColor(clLime);
    EXPECT_EQ(follower->GetColor(), clLime);
    EXPECT_EQ(own->GetColor(), clAqua);
    // A new child takes the parent's font and colour at once.
    auto* late = Add<TLabel>(panel, 5, 60, 50, 20);
    EXPECT_EQ(late->Font()->GetName(), "Tahoma");
    EXPECT_EQ(late->GetColor(), clLime);
}

TEST(ControlsWindow, HandlesAreCreatedOnDemandAndRecreatedWithTheirState) {
    auto form = NewForm();
    auto* edit = Add<TEdit>(form.get(), 10, 10, 100, 21);
    edit->SetText("kept");
    EXPECT_FALSE(edit->HandleAllocated());
    HWND h = edit->Handle();  // before the form is shown
    EXPECT_TRUE(form->HandleAllocated());
    EXPECT_EQ(GetParent(h), form->WindowHandle());
    EXPECT_EQ(FindControl(h), edit);
    char cls[64];
    GetClassNameA(h, cls, sizeof(cls));
    EXPECT_STREQ(cls, "TEdit");
    // Our windows wear the program's icon in the taskbar and Alt+Tab.
    EXPECT_NE(GetClassLongPtrA(form->WindowHandle(), GCLP_HICON), 0);
    EXPECT_NE(GetClassLongPtrA(form->WindowHandle(), GCLP_HICONSM), 0);
    edit->SetBorderStyle(bsNone);  // recreates the window
    EXPECT_NE(edit->Handle(), nullptr);
    // The old window is gone, and with it its tie to the control.
    if (edit->Handle() != h) {
        EXPECT_EQ(FindControl(h), nullptr);
    }
    EXPECT_EQ(FindControl(edit->Handle()), edit);
    EXPECT_EQ(edit->GetText(), "kept");
    EXPECT_FALSE(GetWindowLongPtrA(edit->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    const HWND last = edit->Handle();
    form->DestroyHandle();
    EXPECT_FALSE(edit->HandleAllocated());
    EXPECT_EQ(FindControl(last), nullptr);
    EXPECT_EQ(edit->GetText(), "kept");
    edit->SetParent(nullptr);
    EXPECT_EQ(form->ControlCount(), 0);
    edit->Free();
}
