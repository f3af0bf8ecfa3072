// Window-procedure hooks, application events and a form's menu bar.
#include "FormTesting.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A hook that writes its name before passing the message on.
std::unique_ptr<TWindowProcHook> NamedHook(TControl* c, std::string& trail, const char* name) {
    return std::make_unique<TWindowProcHook>(c, [&trail, name](TMessage& m, const TWndMethod& next) {
        if (m.Msg == WM_USER + 7) trail += name;
        next(m);
    });
}

}  // namespace

TEST(WindowProcHook, AHookTakenOutOfTheMiddleLeavesTheOthersChained) {
    TFreeGuard<TPanel> panel(TPanel::Create(nullptr));
    std::string trail;
    auto a = NamedHook(panel.get(), trail, "a");
    auto b = NamedHook(panel.get(), trail, "b");
    auto c = NamedHook(panel.get(), trail, "c");
    panel->Perform(WM_USER + 7);
    EXPECT_EQ(trail, "cba");

    b->Remove();
    trail.clear();
    panel->Perform(WM_USER + 7);
    EXPECT_EQ(trail, "ca");
    EXPECT_FALSE(b->Installed());
}

TEST(WindowProcHook, RemovingEveryHookGivesTheControlItsOwnHandlerBack) {
    TFreeGuard<TPanel> panel(TPanel::Create(nullptr));
    const std::type_info& own = panel->WindowProc.target_type();
    std::string trail;
    auto a = NamedHook(panel.get(), trail, "a");
    auto b = NamedHook(panel.get(), trail, "b");
    a.reset();
    b.reset();
    EXPECT_EQ(panel->WindowProc.target_type(), own);
    panel->Perform(WM_USER + 7);
    EXPECT_EQ(trail, "");
    // The control's own handling still runs: a panel answers its text.
    panel->SetCaption("kept");
    EXPECT_EQ(panel->GetCaption(), "kept");
}

TEST(WindowProcHook, OutlivingItsControlIsHarmless) {
    std::string trail;
    std::unique_ptr<TWindowProcHook> hook;
    {
        TFreeGuard<TPanel> panel(TPanel::Create(nullptr));
        hook = NamedHook(panel.get(), trail, "a");
    }
    EXPECT_FALSE(hook->Installed());
    hook.reset();
}

TEST(ApplicationEvents, EachIsAskedInTurnUntilOneHandlesTheMessage) {
    TFreeGuard<TApplicationEvents> first(TApplicationEvents::Create(nullptr));
    TFreeGuard<TApplicationEvents> second(TApplicationEvents::Create(nullptr));
    std::string trail;
    const UINT probe = WM_APP + 0x1F0;
    first->OnMessage = [&](MSG& msg, bool& handled) {
        if (msg.message != probe) return;
        trail += "1";
        handled = msg.wParam == 1;
    };
    second->OnMessage = [&](MSG& msg, bool&) {
        if (msg.message == probe) trail += "2";
    };
    PostThreadMessageA(GetCurrentThreadId(), probe, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), probe, 1, 0);
    PumpIdle();
    EXPECT_EQ(trail, "121");
}

TEST(FormMenu, TheFormShowsItsMenuAndLosesItWhenTheMenuGoes) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    auto* menu = TMainMenu::Create(form.get());
    TMenuItem* file = TMenuItem::Create(form.get());
    file->SetCaption("&File");
    menu->Items()->Add(file);
    form->SetMenu(menu);
    form->HandleNeeded();
    EXPECT_EQ(GetMenu(form->Handle()), menu->Handle());

    menu->Free();
    EXPECT_EQ(form->GetMenu(), nullptr);
    EXPECT_EQ(GetMenu(form->Handle()), nullptr);
}

TEST(FormMenu, AWindowMadeAgainShowsTheMenuAgain) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    auto* menu = TMainMenu::Create(form.get());
    form->SetMenu(menu);
    form->HandleNeeded();
    bool told = false;
    TWindowProcHook watch(form.get(), [&](TMessage& m, const TWndMethod& next) {
        told |= m.Msg == CM_RECREATEWND;
        next(m);
    });
    form->SetBorderStyle(bsDialog);
    EXPECT_TRUE(told);
    EXPECT_EQ(GetMenu(form->Handle()), menu->Handle());
}
