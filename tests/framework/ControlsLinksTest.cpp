// What ties controls to other components and to their parents: actions, popup menus,
// reflected notifications, constraints, show and activation events, and ownership.
#include "FormTesting.h"
#include "common/MessageLog.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"

#include <gtest/gtest.h>

namespace {
TFormGuard<TForm> NewForm(int clientWidth = 300, int clientHeight = 200) {
    TFormGuard<TForm> f(TForm::Create(nullptr, false));
    f->SetBounds(70, 70, 100, 100);
    f->SetClientWidth(clientWidth);
    f->SetClientHeight(clientHeight);
    return f;
}

template <class T>
T* Add(TWinControl* parent, TComponent* owner, int l, int t, int w, int h) {
    T* c = T::Create(owner);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}

// An action with the client properties an action list's actions carry.
class TTestAction : public TBasicAction {
    DECLARE_CLASS(TTestAction, TBasicAction)
    explicit TTestAction(TComponent* AOwner) : TBasicAction(AOwner) {}
    bool HasClientProperties() const override { return true; }
    std::string GetCaption() const override { return caption; }
    bool GetEnabled() const override { return enabled; }
    std::string GetHint() const override { return hint; }
    void Set(const std::string& c, bool e) {
        caption = c;
        enabled = e;
        Change();
    }
    std::string caption = "&Refresh";
    bool enabled = true;
    std::string hint = "Reload the list";
};
IMPLEMENT_CLASS(TTestAction);

// A popup menu as the menu unit provides one: it records where it was asked to show.
class TTestPopup : public TComponent, public IPopupMenu {
    DECLARE_CLASS(TTestPopup, TComponent)
    explicit TTestPopup(TComponent* AOwner) : TComponent(AOwner) {}
    void PopupFor(TControl* Control, int X, int Y) override {
        for_ = Control;
        at = TPoint(X, Y);
        ++shown;
    }
    TControl* for_ = nullptr;
    TPoint at;
    int shown = 0;
};
IMPLEMENT_CLASS(TTestPopup);

class TRecordingControl : public TCustomControl {
    DECLARE_CLASS(TRecordingControl, TCustomControl)
    explicit TRecordingControl(TComponent* AOwner) : TCustomControl(AOwner) {}
    TMessageLog seen;
    void WndProc(TMessage& m) override {
        if (m.Msg >= CN_BASE && m.Msg < CN_BASE + 0x1000) {
            seen.Add(m, this);
            m.Result = 77;
            return;
        }
        TCustomControl::WndProc(m);
    }
};
IMPLEMENT_CLASS(TRecordingControl);

class TAnchorTestForm : public TForm {
    DECLARE_CLASS(TAnchorTestForm, TForm)
    explicit TAnchorTestForm(TComponent* AOwner) : TForm(AOwner) {}
    TPanel* pnlClient = nullptr;
    TButton* btnCorner = nullptr;
    TEdit* edtWide = nullptr;
    static void Publish(TClassBuilder<TAnchorTestForm>& b) {
        b.Component("pnlClient", &TAnchorTestForm::pnlClient);
        b.Component("btnCorner", &TAnchorTestForm::btnCorner);
        b.Component("edtWide", &TAnchorTestForm::edtWide);
    }
};
IMPLEMENT_CLASS(TAnchorTestForm);

class TWatcher : public TComponent {
    DECLARE_CLASS(TWatcher, TComponent)
    explicit TWatcher(TComponent* AOwner) : TComponent(AOwner) {}
    std::vector<TComponent*> removed;
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == TOperation::opRemove) removed.push_back(AComponent);
    }
};
IMPLEMENT_CLASS(TWatcher);
} // namespace

TEST(ControlsLinks, ActionGivesCaptionEnabledHintAndRunsOnClick) {
    auto form = NewForm();
    auto* action = TTestAction::Create(form.get());
    int executed = 0;
    action->OnExecute = [&](TObject*) { ++executed; };
    auto* button = Add<TButton>(form.get(), form.get(), 10, 10, 90, 25);
    button->SetAction(action);
    EXPECT_EQ(button->GetCaption(), "&Refresh");
    EXPECT_EQ(button->GetHint(), "Reload the list");
    action->Set("Re&load", false);
    EXPECT_EQ(button->GetCaption(), "Re&load");
    EXPECT_FALSE(button->GetEnabled());
    action->Set("Re&load", true);
    form->Show();
    PumpIdle();
    PostClick(button->Handle(), 5, 5);
    ASSERT_TRUE(PumpUntil([&] { return executed == 1; }));
    // An own OnClick wins over the action.
    int own = 0;
    button->OnClick = [&](TObject*) { ++own; };
    PostClick(button->Handle(), 5, 5);
    ASSERT_TRUE(PumpUntil([&] { return own == 1; }));
    EXPECT_EQ(executed, 1);
    // The action going away leaves the control without a dangling link.
    action->Free();
    EXPECT_EQ(button->GetAction(), nullptr);
}

TEST(ControlsLinks, ContextMenuPopsUpTheMenuOfTheControlOrItsParent) {
    auto form = NewForm();
    auto* formMenu = TTestPopup::Create(form.get());
    auto* labelMenu = TTestPopup::Create(form.get());
    form->SetPopupMenu(formMenu);
    auto* lbl = Add<TLabel>(form.get(), form.get(), 10, 10, 60, 20);
    lbl->SetAutoSize(false);
    lbl->SetPopupMenu(labelMenu);
    auto* panel = Add<TPanel>(form.get(), form.get(), 100, 10, 80, 80);
    EXPECT_THROW(panel->SetPopupMenu(lbl), EPropertyError);  // not a popup menu
    form->Show();
    PumpIdle();
    TPoint overLabel = form->ClientToScreen(TPoint(20, 15));
    SendMessageA(form->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->Handle()),
                 MAKELPARAM(overLabel.X, overLabel.Y));
    EXPECT_EQ(labelMenu->shown, 1);
    EXPECT_EQ(labelMenu->for_, lbl);
    EXPECT_EQ(labelMenu->at, overLabel);
    // The panel has none: the system passes the message to the form, whose menu shows.
    TPoint overPanel = panel->ClientToScreen(TPoint(5, 5));
    SendMessageA(panel->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(panel->Handle()),
                 MAKELPARAM(overPanel.X, overPanel.Y));
    EXPECT_EQ(formMenu->shown, 1);
    EXPECT_EQ(formMenu->for_, form.get());
    labelMenu->Free();
    EXPECT_EQ(lbl->GetPopupMenu(), nullptr);
}

TEST(ControlsLinks, ChildNotificationsComeBackToTheChild) {
    auto form = NewForm();
    auto* child = Add<TRecordingControl>(form.get(), form.get(), 10, 10, 50, 50);
    auto* panel = Add<TPanel>(form.get(), form.get(), 80, 10, 100, 100);
    auto* inner = Add<TRecordingControl>(panel, form.get(), 5, 5, 20, 20);
    NMHDR hdr{child->Handle(), 1, NM_CLICK};
    EXPECT_EQ(SendMessageA(form->Handle(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&hdr)), 77);
    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(child->Handle()));
    SendMessageA(panel->Handle(), WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), reinterpret_cast<LPARAM>(inner->Handle()));
    EXPECT_TRUE(child->seen.Matches({Msg(CN_NOTIFY).Code(static_cast<UINT>(NM_CLICK)), Msg(CN_COMMAND).Code(BN_CLICKED)}));
    EXPECT_TRUE(inner->seen.Matches({CN_COMMAND}));
}

TEST(ControlsLinks, DialogKeysReachButtonsInsideContainers) {
    auto form = NewForm();
    auto* panel = Add<TPanel>(form.get(), form.get(), 0, 0, 300, 100);
    auto* edit = Add<TEdit>(panel, form.get(), 10, 10, 100, 21);
    auto* ok = Add<TButton>(panel, form.get(), 10, 50, 75, 25);
    ok->SetDefault(true);
    int clicks = 0;
    ok->OnClick = [&](TObject*) { ++clicks; };
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == edit->Handle(); }));
    PostMessageA(edit->Handle(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    EXPECT_TRUE(PumpUntil([&] { return clicks == 1; }));
    // Disabled, the default button takes no Enter.
    ok->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(ok->Handle()));
    PostMessageA(edit->Handle(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PumpIdle();
    EXPECT_EQ(clicks, 1);
}

TEST(ControlsLinks, AnchorsInALoadedLayoutFollowThePanelsFinalSize) {
    TFreeGuard<TAnchorTestForm> form(TAnchorTestForm::Create(nullptr));
    // Designed 150 x 100, the panel fills the 300 x 200 form: the anchored controls keep
    // their designed distances to its right and bottom edges.
    EXPECT_EQ(form->pnlClient->BoundsRect(), Rect(0, 0, 300, 200));
    EXPECT_EQ(form->btnCorner->BoundsRect(), Rect(210, 160, 290, 185));
    EXPECT_EQ(form->edtWide->BoundsRect(), Rect(10, 10, 290, 31));
    form->Show();
    form->SetClientWidth(400);
    PumpIdle();
    EXPECT_EQ(form->btnCorner->Left(), 310);
    EXPECT_EQ(form->edtWide->Width(), 380);
}

TEST(ControlsLinks, ConstraintsLimitSizeAndTheWindowsTrackingSize) {
    auto form = NewForm();
    form->Constraints()->SetMinWidth(200);
    form->Constraints()->SetMinHeight(150);
    form->SetBounds(form->Left(), form->Top(), 50, 50);
    EXPECT_EQ(form->Width(), 200);
    EXPECT_EQ(form->Height(), 150);
    form->Show();
    PumpIdle();
    MINMAXINFO mmi{};
    SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    EXPECT_EQ(mmi.ptMinTrackSize.x, 200);
    EXPECT_EQ(mmi.ptMinTrackSize.y, 150);
}

TEST(ControlsLinks, ShowHideAndActivationEventsAtEveryShow) {
    auto form = NewForm();
    std::vector<std::string> events;
    form->OnShow = [&](TObject*) { events.push_back("show"); };
    form->OnHide = [&](TObject*) { events.push_back("hide"); };
    form->OnActivate = [&](TObject*) { events.push_back("activate"); };
    form->SetPosition(poScreenCenter);
    form->Show();
    PumpIdle();
    EXPECT_EQ(form->Left(), (Screen->Width() - form->Width()) / 2);
    EXPECT_EQ(Screen->ActiveForm(), form.get());
    form->Hide();
    form->Show();
    PumpIdle();
    std::vector<std::string> shows;
    for (auto& e : events)
        if (e != "activate") shows.push_back(e);
    EXPECT_EQ(shows, (std::vector<std::string>{"show", "hide", "show"}));
    EXPECT_NE(std::find(events.begin(), events.end(), "activate"), events.end());
}

TEST(ControlsLinks, AutoSizedFormFitsItsContent) {
    auto form = NewForm(50, 50);
    Add<TPanel>(form.get(), form.get(), 10, 10, 200, 80);
    form->SetAutoSize(true);
    EXPECT_EQ(form->GetClientWidth(), 210);
    EXPECT_EQ(form->GetClientHeight(), 90);
}

TEST(ControlsLinks, AParentFreesTheChildrenNoOwnerFrees) {
    auto form = NewForm();
    auto* panel = Add<TPanel>(form.get(), form.get(), 0, 0, 100, 100);
    auto* orphan = Add<TLabel>(panel, nullptr, 5, 5, 20, 20);
    TFreeGuard<TWatcher> watcher(TWatcher::Create(nullptr));
    orphan->FreeNotification(watcher.get());
    form->Show();
    PumpIdle();
    panel->Free();
    EXPECT_EQ(watcher->removed, (std::vector<TComponent*>{orphan}));
    EXPECT_EQ(form->ControlCount(), 0);
}
