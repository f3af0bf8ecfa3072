// Labels, edits, memos, check boxes, combo boxes, images and timers, driven as a user would.
#include "FormTesting.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
TFormGuard<TForm> NewForm() {
    TFormGuard<TForm> f(TForm::Create(nullptr, false));
    f->SetBounds(80, 80, 100, 100);
    f->SetClientWidth(400);
    f->SetClientHeight(300);
    return f;
}

// Its memory is zeroed when it is freed and never handed back, so that any use of the
// object after Free faults (a call through its vtable) instead of reading stale data.
class TPoisonedButton : public TButton {
    DECLARE_CLASS(TPoisonedButton, TButton)
    using TButton::TButton;
    static void* operator new(size_t n) { return ::operator new(n); }
    static void operator delete(void* p, size_t n) { std::memset(p, 0, n); }
};
IMPLEMENT_CLASS(TPoisonedButton);

class TPoisonedEdit : public TEdit {
    DECLARE_CLASS(TPoisonedEdit, TEdit)
    using TEdit::TEdit;
    static void* operator new(size_t n) { return ::operator new(n); }
    static void operator delete(void* p, size_t n) { std::memset(p, 0, n); }
};
IMPLEMENT_CLASS(TPoisonedEdit);

template <class T>
T* Add(TForm* form, int l, int t, int w, int h) {
    T* c = T::Create(form);
    c->SetParent(form);
    c->SetBounds(l, t, w, h);
    return c;
}
} // namespace

TEST(StdCtrlsLabel, AutoSizeFollowsTheTextAndKeepsTheAlignedEdge) {
    auto form = NewForm();
    auto* lbl = Add<TLabel>(form.get(), 10, 10, 65, 17);
    lbl->SetCaption("Programs");
    int shortWidth = lbl->Width();
    EXPECT_GT(shortWidth, 10);
    EXPECT_GT(lbl->Height(), 5);
    lbl->SetCaption("Programs installed on this computer");
    EXPECT_GT(lbl->Width(), shortWidth * 2);
    EXPECT_EQ(lbl->Left(), 10);

    auto* right = Add<TLabel>(form.get(), 100, 40, 50, 17);
    right->SetAlignment(taRightJustify);
    right->SetCaption("x");
    int edge = right->Left() + right->Width();
    right->SetCaption("a much longer caption");
    EXPECT_EQ(right->Left() + right->Width(), edge);

    // A bigger font gives a bigger label; without AutoSize nothing moves.
    int h = lbl->Height();
    lbl->Font()->SetHeight(-24);
    EXPECT_GT(lbl->Height(), h);
    lbl->SetAutoSize(false);
    lbl->SetCaption("x");
    EXPECT_GT(lbl->Width(), shortWidth * 2);
}

TEST(StdCtrlsEdit, TextChangesFireOnChangeAndTheEditKeepsItsTextWithoutAWindow) {
    auto form = NewForm();
    auto* edit = Add<TEdit>(form.get(), 10, 10, 120, 21);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->SetText("before");
    EXPECT_EQ(edit->GetText(), "before");
    form->Show();
    PumpIdle();
    EXPECT_EQ(edit->GetText(), "before");
    changes = 0;
    edit->SetText("after");
    EXPECT_EQ(changes, 1);
    // Typing: the characters a keyboard would post.
    edit->SetFocus();
    SendMessageA(edit->Handle(), EM_SETSEL, 5, 5);
    PostMessageA(edit->Handle(), WM_CHAR, '!', 1);
    EXPECT_TRUE(PumpUntil([&] { return edit->GetText() == "after!"; }));
    EXPECT_EQ(changes, 2);
    edit->SetMaxLength(3);
    edit->Clear();
    PostMessageA(edit->Handle(), WM_CHAR, 'a', 1);
    PostMessageA(edit->Handle(), WM_CHAR, 'b', 1);
    PostMessageA(edit->Handle(), WM_CHAR, 'c', 1);
    PostMessageA(edit->Handle(), WM_CHAR, 'd', 1);
    PumpIdle();
    EXPECT_EQ(edit->GetText(), "abc");
    edit->SetPasswordChar("*");
    EXPECT_EQ(SendMessageA(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');
}

TEST(StdCtrlsEdit, FreeingTheEditInsideItsOwnKeyEventIsSafe) {
    auto form = NewForm();
    auto* edit = Add<TPoisonedEdit>(form.get(), 10, 10, 120, 21);
    form->Show();
    PumpIdle();
    HWND wnd = edit->Handle();
    int downs = 0;
    edit->OnKeyDown = [&](TObject* sender, WORD&, TShiftState) {
        ++downs;
        static_cast<TEdit*>(sender)->Free();
    };
    SendMessageA(wnd, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(downs, 1);
    EXPECT_FALSE(IsWindow(wnd));

    // One that fails after freeing itself names no sender: the control is gone.
    auto* failing = Add<TPoisonedEdit>(form.get(), 10, 40, 120, 21);
    failing->OnKeyDown = [](TObject* sender, WORD&, TShiftState) {
        static_cast<TEdit*>(sender)->Free();
        throw EInvalidOperation("gone");
    };
    std::vector<TObject*> senders;
    TExceptionEvent previous = Application->OnException;
    Application->OnException = [&](TObject* sender, const std::exception&) { senders.push_back(sender); };
    SendMessageA(failing->Handle(), WM_KEYDOWN, 'A', 0);
    Application->OnException = previous;
    ASSERT_EQ(senders.size(), 1u);
    EXPECT_EQ(senders[0], nullptr);
    EXPECT_EQ(form->ControlCount(), 0);
}

TEST(StdCtrlsMemo, LinesWorkWithAndWithoutAWindow) {
    auto form = NewForm();
    auto* memo = Add<TMemo>(form.get(), 10, 10, 200, 100);
    memo->Lines()->Add("first");
    memo->Lines()->Add("second");
    EXPECT_EQ(memo->GetText(), "first\r\nsecond\r\n");
    form->Show();
    PumpIdle();
    EXPECT_EQ(memo->Lines()->Count(), 2);
    memo->Lines()->Add("third");
    EXPECT_EQ(memo->Lines()->Count(), 3);
    EXPECT_EQ(memo->Lines()->Get(2), "third");
    char buf[64] = {};
    GetWindowTextA(memo->Handle(), buf, sizeof(buf));
    EXPECT_STREQ(buf, "first\r\nsecond\r\nthird\r\n");
    memo->Lines()->Delete(0);
    memo->Lines()->Insert(1, "between");
    EXPECT_EQ(memo->Lines()->Text(), "second\r\nbetween\r\nthird\r\n");
    // What the user types shows in Lines.
    SetWindowTextA(memo->Handle(), "typed\r\nby hand");
    EXPECT_EQ(memo->Lines()->Count(), 2);
    EXPECT_EQ(memo->Lines()->Get(1), "by hand");
    memo->SetScrollBars(ssVertical);  // recreates the window, keeping the text
    EXPECT_TRUE(GetWindowLongPtrA(memo->Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(memo->Lines()->Get(0), "typed");
    memo->Lines()->Clear();
    EXPECT_EQ(memo->GetText(), "");
}

TEST(StdCtrlsCheckBox, ClickTogglesAndFiresOnClick) {
    auto form = NewForm();
    auto* box = Add<TCheckBox>(form.get(), 10, 10, 120, 17);
    box->SetCaption("Hide updates");
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    form->Show();
    PumpIdle();
    PostClick(box->Handle(), 5, 8);
    ASSERT_TRUE(PumpUntil([&] { return clicks == 1; }));
    EXPECT_TRUE(box->GetChecked());
    EXPECT_EQ(SendMessageA(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    box->SetAllowGrayed(true);
    box->SetChecked(false);
    EXPECT_EQ(clicks, 2);  // a change in code is a click too
    PostClick(box->Handle(), 5, 8);
    ASSERT_TRUE(PumpUntil([&] { return clicks == 3; }));
    EXPECT_EQ(box->GetState(), cbGrayed);
}

TEST(StdCtrlsComboBox, ItemsAndIndexFollowTheWindowAndOnlyAUsersChoiceFiresOnChange) {
    auto form = NewForm();
    auto* combo = Add<TComboBox>(form.get(), 10, 10, 150, 21);
    combo->SetStyle(csDropDownList);
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    combo->Items()->Add("Software");
    combo->Items()->Add("Run");
    combo->SetItemIndex(1);
    form->Show();
    PumpIdle();
    EXPECT_EQ(SendMessageA(combo->Handle(), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(combo->GetItemIndex(), 1);
    EXPECT_EQ(combo->GetText(), "Run");
    combo->Items()->Add("RunOnce");
    combo->Items()->Insert(0, "Services");
    EXPECT_EQ(SendMessageA(combo->Handle(), CB_GETCOUNT, 0, 0), 4);
    combo->SetItemIndex(3);
    EXPECT_EQ(combo->GetText(), "RunOnce");
    EXPECT_EQ(changes, 0);
    // A user's choice: the list selects, then tells its parent.
    SendMessageA(combo->Handle(), CB_SETCURSEL, 0, 0);
    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo->Handle()), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo->Handle()));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(combo->GetItemIndex(), 0);
    // The closed height is the control's; the window is taller for the list.
    EXPECT_LT(combo->Height(), 40);
    combo->Items()->Clear();
    EXPECT_EQ(combo->GetItemIndex(), -1);
}

TEST(ExtCtrlsImage, AutoSizeAndDestinationRectangle) {
    auto form = NewForm();
    auto* img = Add<TImage>(form.get(), 10, 10, 100, 100);
    TBitmap bmp(40, 20);
    img->SetAutoSize(true);
    img->Picture()->SetGraphic(&bmp);
    EXPECT_EQ(img->Width(), 40);
    EXPECT_EQ(img->Height(), 20);
    img->SetAutoSize(false);
    img->SetBounds(10, 10, 100, 100);
    EXPECT_EQ(img->DestRect(), Rect(0, 0, 40, 20));
    img->SetCenter(true);
    EXPECT_EQ(img->DestRect(), Rect(30, 40, 70, 60));
    img->SetStretch(true);
    img->SetProportional(true);
    EXPECT_EQ(img->DestRect(), Rect(0, 25, 100, 75));
    img->SetProportional(false);
    EXPECT_EQ(img->DestRect(), Rect(0, 0, 100, 100));
}

TEST(StdCtrlsButton, FreeingTheButtonInsideItsOwnOnClickIsSafe) {
    auto form = NewForm();
    auto* button = Add<TPoisonedButton>(form.get(), 10, 10, 90, 25);
    int mouseUps = 0, clicks = 0;
    button->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++mouseUps; };
    button->OnClick = [&](TObject* sender) {
        ++clicks;
        static_cast<TButton*>(sender)->Free();
    };
    form->Show();
    // A click of the real pointer while the messages are handled may free it already.
    HWND wnd = button->Handle();
    PumpIdle();
    PostClick(wnd, 5, 5);
    ASSERT_TRUE(PumpUntil([&] { return clicks == 1; }));
    PumpIdle();
    EXPECT_EQ(mouseUps, 0);   // it went with the click that freed it
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(form->ControlCount(), 0);
}

TEST(ExtCtrlsTimer, DisablingOrFreeingInsideOnTimerIsSafe) {
    auto form = NewForm();
    auto* timer = TTimer::Create(form.get());
    timer->SetInterval(10);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) {
        ++ticks;
        timer->SetEnabled(false);
    };
    ASSERT_TRUE(PumpUntil([&] { return ticks == 1; }));
    // Time is the test: several periods pass without another tick.
    PumpFor(60);
    EXPECT_EQ(ticks, 1);

    auto* doomed = TTimer::Create(nullptr);
    doomed->SetInterval(10);
    int doomedTicks = 0;
    doomed->OnTimer = [&](TObject* sender) {
        ++doomedTicks;
        static_cast<TTimer*>(sender)->Free();
    };
    ASSERT_TRUE(PumpUntil([&] { return doomedTicks == 1; }));
    // Time is the test: several periods pass without another tick.
    PumpFor(60);
    EXPECT_EQ(doomedTicks, 1);
}
