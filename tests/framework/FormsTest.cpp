// Forms read from layouts, events bound by name, the exception barrier, modal showing,
// keyboard navigation and the application object, all on real windows.
#include "FormTesting.h"
#include "common/Screenshot.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

#include <gtest/gtest.h>
#include <stdexcept>

class TLayoutTestForm : public TForm {
    DECLARE_CLASS(TLayoutTestForm, TForm)
    explicit TLayoutTestForm(TComponent* AOwner) : TForm(AOwner) {}

    TPanel* pnlTop = nullptr;
    TLabel* lblName = nullptr;
    TEdit* edtName = nullptr;
    TComboBox* cmbKind = nullptr;
    TMemo* memNotes = nullptr;
    TCheckBox* chkAgree = nullptr;
    TImage* imgLogo = nullptr;
    TBevel* bvlLine = nullptr;
    TButton* btnOk = nullptr;
    TButton* btnCancel = nullptr;
    TTimer* tmrTick = nullptr;

    int creates = 0;
    bool fieldsSetAtCreate = false;
    bool mainFormSetAtCreate = false;
    int okClicks = 0;
    int nameChanges = 0;
    int labelClicks = 0;
    int ticks = 0;
    bool throwOnTick = false;

    void FormCreate(TObject*) {
        ++creates;
        fieldsSetAtCreate = btnOk && edtName && tmrTick;
        mainFormSetAtCreate = Application->MainForm() == this;
    }
    void btnOkClick(TObject*) { ++okClicks; }
    void edtNameChange(TObject*) { ++nameChanges; }
    void lblNameClick(TObject*) { ++labelClicks; }
    void tmrTickTimer(TObject*) {
        ++ticks;
        if (throwOnTick) throw Exception("Tick failed");
    }

    static void Publish(TClassBuilder<TLayoutTestForm>& b) {
        b.Component("pnlTop", &TLayoutTestForm::pnlTop);
        b.Component("lblName", &TLayoutTestForm::lblName);
        b.Component("edtName", &TLayoutTestForm::edtName);
        b.Component("cmbKind", &TLayoutTestForm::cmbKind);
        b.Component("memNotes", &TLayoutTestForm::memNotes);
        b.Component("chkAgree", &TLayoutTestForm::chkAgree);
        b.Component("imgLogo", &TLayoutTestForm::imgLogo);
        b.Component("bvlLine", &TLayoutTestForm::bvlLine);
        b.Component("btnOk", &TLayoutTestForm::btnOk);
        b.Component("btnCancel", &TLayoutTestForm::btnCancel);
        b.Component("tmrTick", &TLayoutTestForm::tmrTick);
        b.Handler("FormCreate", &TLayoutTestForm::FormCreate);
        b.Handler("btnOkClick", &TLayoutTestForm::btnOkClick);
        b.Handler("edtNameChange", &TLayoutTestForm::edtNameChange);
        b.Handler("lblNameClick", &TLayoutTestForm::lblNameClick);
        b.Handler("tmrTickTimer", &TLayoutTestForm::tmrTickTimer);
    }
};
IMPLEMENT_CLASS(TLayoutTestForm);

namespace {
TFormGuard<TLayoutTestForm> LoadTestForm() { return TFormGuard<TLayoutTestForm>(TLayoutTestForm::Create(nullptr)); }

// A form built in code with nothing on it.
TFormGuard<TForm> NewForm(int clientWidth = 300, int clientHeight = 200) {
    TFormGuard<TForm> f(TForm::Create(nullptr, false));
    f->SetBounds(40, 40, 100, 100);
    f->SetClientWidth(clientWidth);
    f->SetClientHeight(clientHeight);
    return f;
}
} // namespace

// ---------------------------------------------------------------------------------------
// Layouts

TEST(FormsLayout, EveryValueKindReachesTheControls) {
    auto form = LoadTestForm();
    EXPECT_EQ(form->GetCaption(), "It's a \r\ntest");
    EXPECT_EQ(form->Left(), 120);
    EXPECT_EQ(form->GetClientWidth(), 400);
    EXPECT_EQ(form->GetClientHeight(), 300);
    EXPECT_EQ(form->GetBorderStyle(), bsSingle);
    EXPECT_EQ(form->GetBorderIcons(), (TBorderIcons{biSystemMenu, biMinimize}));
    EXPECT_TRUE(form->GetKeyPreview());
    EXPECT_EQ(form->GetColor(), clBtnFace);

    ASSERT_NE(form->pnlTop, nullptr);
    EXPECT_EQ(form->pnlTop->GetAlign(), alTop);
    EXPECT_EQ(form->pnlTop->GetColor(), MakeColor(0x00C08080));
    EXPECT_EQ(form->pnlTop->GetBevelOuter(), bvLowered);
    EXPECT_EQ(form->pnlTop->Width(), 400);  // aligned to the form's client width

    auto* lbl = form->lblName;
    EXPECT_EQ(lbl->Parent(), form->pnlTop);
    EXPECT_EQ(lbl->GetCaption(), "&Name:");
    EXPECT_EQ(lbl->GetCursor(), crHandPoint);
    EXPECT_EQ(lbl->Font()->GetName(), "Tahoma");
    EXPECT_EQ(lbl->Font()->GetHeight(), -13);
    EXPECT_EQ(lbl->Font()->GetColor(), clRed);
    EXPECT_EQ(lbl->Font()->GetStyle(), (TFontStyles{fsBold, fsUnderline}));
    EXPECT_FALSE(lbl->GetParentFont());
    EXPECT_EQ(lbl->GetFocusControl(), form->edtName);
    EXPECT_EQ(lbl->GetShortHint(), "Name");

    auto* edt = form->edtName;
    EXPECT_EQ(edt->GetText(), "first\tsecond");
    EXPECT_EQ(edt->GetMaxLength(), 250);
    EXPECT_EQ(edt->GetAnchors(), (TAnchors{akLeft, akTop, akRight}));
    EXPECT_EQ(edt->Font()->GetName(), form->Font()->GetName());  // parent font

    ASSERT_EQ(form->cmbKind->Items()->Count(), 3);
    EXPECT_EQ(form->cmbKind->Items()->Get(2), "gamma");
    EXPECT_EQ(form->cmbKind->GetItemIndex(), 1);
    ASSERT_EQ(form->memNotes->Lines()->Count(), 2);
    EXPECT_EQ(form->memNotes->Lines()->Get(1), "two");
    EXPECT_EQ(form->memNotes->GetScrollBars(), ssVertical);
    EXPECT_TRUE(form->chkAgree->GetChecked());
    ASSERT_NE(dynamic_cast<TBitmap*>(form->imgLogo->Picture()->Graphic()), nullptr);
    EXPECT_EQ(form->imgLogo->Picture()->Width(), 2);
    EXPECT_TRUE(form->imgLogo->GetStretch());
    EXPECT_EQ(form->bvlLine->GetShape(), bsTopLine);
    EXPECT_TRUE(form->btnOk->GetDefault());
    EXPECT_EQ(form->btnOk->GetModalResult(), mrOk);
    EXPECT_TRUE(form->btnCancel->GetCancel());
    EXPECT_FALSE(form->tmrTick->GetEnabled());
    EXPECT_EQ(form->tmrTick->GetInterval(), 250u);
    EXPECT_TRUE(static_cast<bool>(form->tmrTick->OnTimer));

    EXPECT_EQ(form->creates, 1);
    EXPECT_TRUE(form->fieldsSetAtCreate);
    // Tab order follows the stored numbers, not the order of the layout.
    EXPECT_EQ(form->cmbKind->GetTabOrder(), 0);
    EXPECT_EQ(form->pnlTop->GetTabOrder(), 1);
    EXPECT_EQ(form->memNotes->GetTabOrder(), 2);
}

TEST(FormsLayout, ValuesSurviveWindowCreation) {
    auto form = LoadTestForm();
    form->Show();
    PumpIdle();
    EXPECT_EQ(form->GetClientWidth(), 400);
    EXPECT_EQ(form->GetClientHeight(), 300);
    char caption[64] = {};
    GetWindowTextA(form->Handle(), caption, sizeof(caption));
    EXPECT_STREQ(caption, "It's a \r\ntest");
    EXPECT_EQ(form->cmbKind->GetText(), "beta");
    EXPECT_EQ(form->edtName->GetText(), "first\tsecond");
    EXPECT_EQ(SendMessageA(form->chkAgree->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(form->edtName->Handle(), EM_GETLIMITTEXT, 0, 0), 250);
    // The anchored edit kept its distance to the panel's right edge.
    EXPECT_EQ(form->pnlTop->GetClientWidth() - form->edtName->Left() - form->edtName->Width(), 140);
}

TEST(FormsLayout, PostedClickFiresTheBoundHandler) {
    auto form = LoadTestForm();
    form->Show();
    PumpIdle();
    PostClick(form->btnOk->Handle(), 10, 10);
    EXPECT_TRUE(PumpUntil([&] { return form->okClicks == 1; }));
    EXPECT_EQ(form->GetModalResult(), mrOk);  // the button's ModalResult reaches its form
    PostClick(form->pnlTop->Handle(), form->lblName->Left() + 2, form->lblName->Top() + 2);
    EXPECT_TRUE(PumpUntil([&] { return form->labelClicks == 1; }));
    form->edtName->SetText("changed");
    EXPECT_GE(form->nameChanges, 1);
}

TEST(FormsLayout, ScreenshotLooksRight) {
    auto form = LoadTestForm();
    form->Show();
    PumpIdle();
    form->Repaint();
    PumpIdle();
    EXPECT_TRUE(SaveWindowPng(form->Handle(), "forms_layout.png"));
}

// ---------------------------------------------------------------------------------------
// The exception barrier

TEST(FormsExceptions, HandlerExceptionEndsInAnErrorBoxAndTheProgramGoesOn) {
    TBoxRecorder boxes;
    auto form = LoadTestForm();
    form->btnCancel->OnClick = [](TObject*) { throw Exception("The handler failed"); };
    form->Show();
    PumpIdle();
    PostClick(form->btnCancel->Handle(), 10, 10);
    ASSERT_TRUE(PumpUntil([&] { return !boxes.Boxes.empty(); }));
    EXPECT_EQ(boxes.Boxes[0].Text, "The handler failed");
    EXPECT_EQ(boxes.Boxes[0].Caption, Application->GetTitle());
    EXPECT_EQ(boxes.Boxes[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));

    // The next message is handled as usual.
    PostClick(form->btnOk->Handle(), 10, 10);
    EXPECT_TRUE(PumpUntil([&] { return form->okClicks == 1; }));

    // Any C++ exception, also from a timer.
    form->btnCancel->OnClick = [](TObject*) { throw std::runtime_error("plain std error"); };
    PostClick(form->btnCancel->Handle(), 10, 10);
    ASSERT_TRUE(PumpUntil([&] { return boxes.Boxes.size() == 2; }));
    EXPECT_EQ(boxes.Boxes[1].Text, "plain std error");
    form->throwOnTick = true;
    form->tmrTick->SetInterval(10);
    form->tmrTick->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return boxes.Boxes.size() == 3; }));
    EXPECT_EQ(boxes.Boxes[2].Text, "Tick failed");
    form->tmrTick->SetEnabled(false);
}

TEST(FormsExceptions, AbortIsSilent) {
    TBoxRecorder boxes;
    auto form = LoadTestForm();
    form->btnCancel->OnClick = [](TObject*) { Abort(); };
    form->Show();
    PumpIdle();
    PostClick(form->btnCancel->Handle(), 10, 10);
    PumpIdle();
    EXPECT_TRUE(boxes.Boxes.empty());
}

namespace {
class TBrokenPaint : public TCustomControl {
    DECLARE_CLASS(TBrokenPaint, TCustomControl)
    explicit TBrokenPaint(TComponent* AOwner) : TCustomControl(AOwner) {}
    int paints = 0;
protected:
    void Paint() override {
        ++paints;
        throw Exception("Paint failed");
    }
};
IMPLEMENT_CLASS(TBrokenPaint);
} // namespace

TEST(FormsExceptions, FailingPaintStillEndsThePaint) {
    TBoxRecorder boxes;
    auto form = NewForm();
    auto* c = TBrokenPaint::Create(form.get());
    c->SetParent(form.get());
    c->SetBounds(10, 10, 50, 50);
    form->Show();
    PumpIdle();
    ASSERT_GE(c->paints, 1);
    EXPECT_EQ(boxes.Boxes.size(), static_cast<size_t>(c->paints));
    EXPECT_EQ(boxes.Boxes.at(0).Text, "Paint failed");
    // EndPaint ran, so the window is valid again and no paint loop follows.
    RECT r;
    EXPECT_FALSE(GetUpdateRect(c->Handle(), &r, FALSE));
    int paints = c->paints;
    PumpIdle();
    EXPECT_EQ(c->paints, paints);
}

// ---------------------------------------------------------------------------------------
// Modal showing

TEST(FormsModal, TimerSetsTheResultThatShowModalReturns) {
    auto dlg = NewForm();
    auto* t = TTimer::Create(dlg.get());
    t->SetInterval(20);
    t->OnTimer = [&](TObject*) { dlg->SetModalResult(mrOk); };
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    EXPECT_FALSE(IsWindowVisible(dlg->Handle()));
    EXPECT_FALSE(dlg->IsModal());
}

TEST(FormsModal, ButtonClickAndCloseEndTheShowing) {
    auto dlg = LoadTestForm();
    // A click or close that goes astray fails the test instead of leaving it modal for good.
    auto* watchdog = TTimer::Create(dlg.get());
    watchdog->SetInterval(10000);
    watchdog->OnTimer = [&](TObject*) { dlg->SetModalResult(mrAbort); };
    dlg->tmrTick->SetInterval(20);
    dlg->tmrTick->OnTimer = [&](TObject*) {
        dlg->tmrTick->SetEnabled(false);
        PostClick(dlg->btnOk->Handle(), 10, 10);
    };
    dlg->tmrTick->SetEnabled(true);
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    EXPECT_EQ(dlg->okClicks, 1);

    // Close from OnTimer ends the showing with mrCancel; OnCloseQuery may refuse once.
    int queries = 0;
    dlg->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
    dlg->tmrTick->OnTimer = [&](TObject*) { dlg->Close(); };
    dlg->tmrTick->SetEnabled(true);
    EXPECT_EQ(dlg->ShowModal(), mrCancel);
    EXPECT_EQ(queries, 2);
    dlg->tmrTick->SetEnabled(false);
}

TEST(FormsModal, NestedLoopsDisableTheOtherWindowsAndReturnInOrder) {
    auto bystander = NewForm();
    bystander->Show();
    auto outer = NewForm();
    int innerResult = -1;
    bool bystanderDisabled = false, outerDisabled = false;
    auto* outerTimer = TTimer::Create(outer.get());
    outerTimer->SetInterval(20);
    outerTimer->OnTimer = [&](TObject*) {
        outerTimer->SetEnabled(false);
        auto inner = NewForm(120, 80);
        auto* innerTimer = TTimer::Create(inner.get());
        innerTimer->SetInterval(20);
        innerTimer->OnTimer = [&](TObject*) {
            bystanderDisabled = !IsWindowEnabled(bystander->Handle());
            outerDisabled = !IsWindowEnabled(outer->Handle());
            inner->Close();
        };
        innerResult = inner->ShowModal();
        outer->SetModalResult(mrYes);
    };
    EXPECT_EQ(outer->ShowModal(), mrYes);
    EXPECT_EQ(innerResult, mrCancel);
    EXPECT_TRUE(bystanderDisabled);
    EXPECT_TRUE(outerDisabled);
    EXPECT_TRUE(IsWindowEnabled(bystander->Handle()));
    EXPECT_THROW(bystander->ShowModal(), EInvalidOperation);  // already visible
}

// ---------------------------------------------------------------------------------------
// Keyboard

TEST(FormsKeyboard, TabMovesTheFocusAndEnterClicksTheDefaultButton) {
    auto form = NewForm();
    auto* e1 = TEdit::Create(form.get());
    e1->SetParent(form.get());
    e1->SetBounds(10, 10, 100, 21);
    auto* e2 = TEdit::Create(form.get());
    e2->SetParent(form.get());
    e2->SetBounds(10, 40, 100, 21);
    auto* skipped = TEdit::Create(form.get());
    skipped->SetParent(form.get());
    skipped->SetBounds(10, 70, 100, 21);
    skipped->SetTabStop(false);
    auto* ok = TButton::Create(form.get());
    ok->SetParent(form.get());
    ok->SetBounds(10, 100, 75, 25);
    ok->SetDefault(true);
    auto* cancel = TButton::Create(form.get());
    cancel->SetParent(form.get());
    cancel->SetBounds(100, 100, 75, 25);
    cancel->SetCancel(true);
    int okClicks = 0, cancelClicks = 0;
    ok->OnClick = [&](TObject*) { ++okClicks; };
    cancel->OnClick = [&](TObject*) { ++cancelClicks; };
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == e1->Handle(); }));
    EXPECT_EQ(form->GetActiveControl(), e1);

    PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0x000F0001);
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == e2->Handle(); }));
    EXPECT_EQ(form->GetActiveControl(), e2);
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0x000F0001);
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == ok->Handle(); }));  // not the edit without TabStop

    e2->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == e2->Handle(); }));
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    EXPECT_TRUE(PumpUntil([&] { return okClicks == 1; }));
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(PumpUntil([&] { return cancelClicks == 1; }));
    EXPECT_EQ(okClicks, 1);
    // Enter on a focused button clicks that button, not the default one.
    cancel->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == cancel->Handle(); }));
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    EXPECT_TRUE(PumpUntil([&] { return cancelClicks == 2; }));
    EXPECT_EQ(okClicks, 1);
}

TEST(FormsKeyboard, KeyPreviewAndShortCutsSeeKeysFirst) {
    auto form = NewForm();
    auto* e1 = TEdit::Create(form.get());
    e1->SetParent(form.get());
    e1->SetBounds(10, 10, 100, 21);
    std::vector<WORD> formKeys, editKeys;
    int shortcuts = 0;
    form->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        formKeys.push_back(key);
        if (key == 'X') key = 0;
    };
    e1->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { editKeys.push_back(key); };
    form->OnShortCut = [&](WORD key, TShiftState, bool& handled) {
        if (key == VK_F5) {
            ++shortcuts;
            handled = true;
        }
    };
    form->SetKeyPreview(true);
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == e1->Handle(); }));
    PostMessageA(e1->Handle(), WM_KEYDOWN, 'A', 0x001E0001);
    PostMessageA(e1->Handle(), WM_KEYDOWN, 'X', 0x002D0001);
    PostMessageA(e1->Handle(), WM_KEYDOWN, VK_F5, 0x003F0001);
    PumpIdle();
    EXPECT_EQ(formKeys, (std::vector<WORD>{'A', 'X'}));
    EXPECT_EQ(editKeys, (std::vector<WORD>{'A'}));  // the form took 'X'; F5 was a shortcut
    EXPECT_EQ(shortcuts, 1);
}

// ---------------------------------------------------------------------------------------
// The application

TEST(FormsApplication, TitleBoxesAndTheSeam) {
    EXPECT_EQ(Application->GetTitle(), "framework_tests");
    TBoxRecorder boxes(IDNO);
    EXPECT_EQ(Application->MessageBox("Delete it?", "Confirm", MB_YESNO | MB_ICONWARNING), IDNO);
    ShowMessage("Clean Succeeded!");
    ASSERT_EQ(boxes.Boxes.size(), 2u);
    EXPECT_EQ(boxes.Boxes[0].Caption, "Confirm");
    EXPECT_EQ(boxes.Boxes[0].Flags, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
    EXPECT_EQ(boxes.Boxes[1].Text, "Clean Succeeded!");
    EXPECT_EQ(boxes.Boxes[1].Caption, "framework_tests");
    EXPECT_EQ(boxes.Boxes[1].Flags, static_cast<UINT>(MB_OK));
}

TEST(FormsApplication, FirstCreatedFormIsTheMainFormAndClosingItEndsRun) {
    ASSERT_EQ(Application->MainForm(), nullptr);
    TLayoutTestForm* main = nullptr;
    Application->CreateForm(main);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->mainFormSetAtCreate);
    EXPECT_EQ(Application->MainForm(), main);
    EXPECT_EQ(main->Owner(), Application);
    TLayoutTestForm* second = nullptr;
    Application->CreateForm(second);
    EXPECT_EQ(Application->MainForm(), main);
    EXPECT_FALSE(second->mainFormSetAtCreate);

    main->tmrTick->SetInterval(30);
    main->tmrTick->OnTimer = [&](TObject*) { main->Close(); };
    main->tmrTick->SetEnabled(true);
    Application->Run();  // returns once the main form closed
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(IsWindowVisible(main->Handle()));
    // Secondary forms are owned by the main form's window.
    EXPECT_EQ(GetWindow(second->Handle(), GW_OWNER), main->Handle());

    second->Free();
    main->Free();
    EXPECT_EQ(Application->MainForm(), nullptr);
    PumpIdle();
    Application->ResetTerminated();
}

TEST(FormsApplication, ReleaseFreesTheFormAfterItsHandlerReturns) {
    auto* form = TForm::Create(nullptr, false);
    bool gone = false;
    form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    form->OnDestroy = [&](TObject*) { gone = true; };
    form->Show();
    PumpIdle();
    form->Close();
    EXPECT_FALSE(gone);
    EXPECT_TRUE(PumpUntil([&] { return gone; }));
}

TEST(FormsApplication, BorderlessMainFormMinimisesAndRestores) {
    ASSERT_EQ(Application->MainForm(), nullptr);
    TForm* main = nullptr;
    Application->CreateForm(main);
    main->SetBorderStyle(bsNone);
    main->SetBounds(100, 100, 300, 200);
    main->Show();
    PumpIdle();
    EXPECT_FALSE(GetWindowLongPtrA(main->Handle(), GWL_STYLE) & WS_CAPTION);
    EXPECT_TRUE(GetWindowLongPtrA(main->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    Application->Minimize();
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(main->Handle()) != 0; }));
    EXPECT_EQ(main->GetWindowState(), wsMinimized);
    Application->Restore();
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(main->Handle()) && IsWindowVisible(main->Handle()); }));
    EXPECT_EQ(main->Width(), 300);  // the bounds survived the round trip
    main->Free();
    EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST(FormsKeyboard, AcceleratorsReachLabelsAndButtons) {
    auto form = LoadTestForm();
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == form->cmbKind->Handle(); }));
    // Alt+N: the label's accelerator focuses its FocusControl.
    PostMessageA(GetFocus(), WM_SYSCHAR, 'n', 0x20310001);
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == form->edtName->Handle(); }));
    form->btnOk->SetCaption("&Save");
    PostMessageA(GetFocus(), WM_SYSCHAR, 's', 0x201F0001);
    EXPECT_TRUE(PumpUntil([&] { return form->okClicks == 1; }));
}

TEST(FormsLayout, TransparentColorMakesALayeredWindow) {
    auto form = LoadTestForm();
    form->SetTransparentColorValue(clFuchsia);
    form->SetTransparentColor(true);
    form->Show();
    PumpIdle();
    EXPECT_TRUE(GetWindowLongPtrA(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
    COLORREF key = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(form->Handle(), &key, nullptr, &flags));
    EXPECT_EQ(key, RGB(255, 0, 255));
    EXPECT_TRUE(flags & LWA_COLORKEY);
}
