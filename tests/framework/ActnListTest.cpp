#include "framework/ActnList.h"
#include "framework/StdCtrls.h"
#include "PopupChoice.h"

#include <gtest/gtest.h>

// A form read from layouts/TActionsTestForm.layout: an action list, a popup menu whose
// items are bound to the actions, and an edit to type into.
class TActionsTestForm : public TForm {
    DECLARE_CLASS(TActionsTestForm, TForm)
    explicit TActionsTestForm(TComponent* AOwner) : TForm(AOwner) {}

    TEdit* edtSearch = nullptr;
    TActionList* ActionList = nullptr;
    TAction* ActionRefresh = nullptr;
    TAction* ActionHide = nullptr;
    TAction* ActionComment = nullptr;
    TPopupMenu* pmList = nullptr;
    TMenuItem* mItemRefresh = nullptr;
    TMenuItem* mItemHide = nullptr;
    TMenuItem* mItemComment = nullptr;
    TMenuItem* mItemView = nullptr;
    TMenuItem* mItemViewList = nullptr;
    int RefreshCount = 0;
    int CommentCount = 0;

    void ActionRefreshExecute(TObject*) { ++RefreshCount; }
    void ActionHideExecute(TObject*) { ActionHide->SetChecked(!ActionHide->GetChecked()); }
    void ActionCommentExecute(TObject*) { ++CommentCount; }

    static void Publish(TClassBuilder<TActionsTestForm>& b) {
        b.Handler("ActionRefreshExecute", &TActionsTestForm::ActionRefreshExecute);
        b.Handler("ActionHideExecute", &TActionsTestForm::ActionHideExecute);
        b.Handler("ActionCommentExecute", &TActionsTestForm::ActionCommentExecute);
        b.Component("edtSearch", &TActionsTestForm::edtSearch);
        b.Component("ActionList", &TActionsTestForm::ActionList);
        b.Component("ActionRefresh", &TActionsTestForm::ActionRefresh);
        b.Component("ActionHide", &TActionsTestForm::ActionHide);
        b.Component("ActionComment", &TActionsTestForm::ActionComment);
        b.Component("pmList", &TActionsTestForm::pmList);
        b.Component("mItemRefresh", &TActionsTestForm::mItemRefresh);
        b.Component("mItemHide", &TActionsTestForm::mItemHide);
        b.Component("mItemComment", &TActionsTestForm::mItemComment);
        b.Component("mItemView", &TActionsTestForm::mItemView);
        b.Component("mItemViewList", &TActionsTestForm::mItemViewList);
    }
};
IMPLEMENT_CLASS(TActionsTestForm);

namespace {

class ActionTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.reset(TForm::Create(nullptr, false));
        list = TActionList::Create(form.get());
    }
    TAction* NewAction(const std::string& caption) {
        TAction* a = TAction::Create(form.get());
        a->SetCaption(caption);
        list->AddAction(a);
        return a;
    }
    TMenuItem* NewBoundItem(TPopupMenu* menu, TBasicAction* action) {
        TMenuItem* item = TMenuItem::Create(form.get());
        menu->Items()->Add(item);
        item->SetAction(action);
        return item;
    }
    TRecordedBoxes boxes;
    TFreeGuard<TForm> form;
    TActionList* list = nullptr;
};

} // namespace

TEST_F(ActionTest, CheckedReachesMenuItemsAndCheckBoxesAndStaysLinked) {
    TAction* hide = NewAction("Hide patches");
    TPopupMenu* menu = TPopupMenu::Create(form.get());
    TMenuItem* item = NewBoundItem(menu, hide);
    auto* box = TCheckBox::Create(form.get());
    box->SetParent(form.get());
    box->SetAction(hide);
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };

    for (bool value : {true, false, true}) {
        hide->SetChecked(value);
        EXPECT_EQ(item->GetChecked(), value);
        EXPECT_EQ(box->GetChecked(), value);
        EXPECT_TRUE(item->ActionLink()->IsCheckedLinked());
        EXPECT_TRUE(static_cast<TActionLink*>(box->ActionLink())->IsCheckedLinked());
    }
    EXPECT_TRUE(GetMenuState(menu->Handle(), 0, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_EQ(clicks, 0) << "the action's state reaches the box without a click";
    EXPECT_EQ(SendMessageA(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);

    // The box's own state wins while it differs from the action's.
    box->SetChecked(false);
    EXPECT_FALSE(static_cast<TActionLink*>(box->ActionLink())->IsCheckedLinked());
    hide->SetChecked(false);
    hide->SetChecked(true);
    EXPECT_TRUE(box->GetChecked()) << "linked again once the values met";
}

TEST_F(ActionTest, PropertyChangesReachLinkedItemsOnly) {
    TAction* action = NewAction("Comment");
    action->SetHint("Edit the comment");
    action->SetShortCut(VK_F2);
    TPopupMenu* menu = TPopupMenu::Create(form.get());
    TMenuItem* item = NewBoundItem(menu, action);
    EXPECT_EQ(item->GetHint(), "Edit the comment");
    EXPECT_EQ(item->GetShortCut(), VK_F2);

    action->SetShortCut(VK_F3);
    action->SetVisible(false);
    EXPECT_EQ(item->GetShortCut(), VK_F3);
    EXPECT_EQ(GetMenuItemCount(menu->Handle()), 0) << "a hidden action hides its item";
    action->SetVisible(true);

    item->SetEnabled(false);   // the program disables the item itself
    EXPECT_FALSE(item->ActionLink()->IsEnabledLinked());
    EXPECT_FALSE(item->GetEnabled());
    EXPECT_TRUE(item->ActionLink()->IsCaptionLinked());
    item->SetCaption("Own caption");
    EXPECT_FALSE(item->ActionLink()->IsCaptionLinked());
}

TEST_F(ActionTest, RebindingAClientTakesTheNewActionsValues) {
    TAction* uninstall = NewAction("&Uninstall");
    TAction* deleteScr = NewAction("Delete screen saver");
    int uninstalls = 0, deletes = 0;
    uninstall->OnExecute = [&](TObject*) { ++uninstalls; };
    deleteScr->OnExecute = [&](TObject*) { ++deletes; };
    deleteScr->SetEnabled(false);
    TPopupMenu* menu = TPopupMenu::Create(form.get());
    TMenuItem* item = NewBoundItem(menu, uninstall);
    TButton* button = TButton::Create(form.get());
    button->SetParent(form.get());
    button->SetAction(uninstall);

    item->SetAction(deleteScr);
    button->SetAction(deleteScr);
    EXPECT_EQ(item->GetCaption(), "Delete screen saver");
    EXPECT_FALSE(item->GetEnabled());
    EXPECT_EQ(button->GetCaption(), "Delete screen saver");
    EXPECT_FALSE(button->GetEnabled());

    uninstall->SetCaption("Old");
    EXPECT_EQ(item->GetCaption(), "Delete screen saver") << "the old action no longer reaches it";
    EXPECT_EQ(uninstall->ClientCount(), 0);

    deleteScr->SetEnabled(true);
    EXPECT_TRUE(item->GetEnabled());
    EXPECT_TRUE(button->GetEnabled());
    item->Click();
    button->Click();
    EXPECT_EQ(deletes, 2);
    EXPECT_EQ(uninstalls, 0);
}

TEST_F(ActionTest, ExecuteFollowsEnabledAutoCheckGroupsAndTheList) {
    TAction* icon = NewAction("Icon");
    TAction* report = NewAction("Report");
    int runs = 0;
    icon->OnExecute = [&](TObject*) { ++runs; };
    EXPECT_TRUE(icon->Execute());
    icon->SetEnabled(false);
    EXPECT_FALSE(icon->Execute());
    EXPECT_EQ(runs, 1);
    icon->SetEnabled(true);

    TAction* grid = NewAction("Grid");
    grid->SetAutoCheck(true);
    grid->Execute();
    EXPECT_TRUE(grid->GetChecked());
    grid->Execute();
    EXPECT_FALSE(grid->GetChecked());

    for (TAction* a : {icon, report}) {
        a->SetGroupIndex(3);
        a->SetAutoCheck(true);
    }
    report->Execute();
    icon->Execute();
    EXPECT_TRUE(icon->GetChecked());
    EXPECT_FALSE(report->GetChecked());
    icon->Execute();
    EXPECT_TRUE(icon->GetChecked()) << "a grouped choice stays on";

    // The list's OnExecute comes first and may take the action.
    list->OnExecute = [&](TBasicAction* a, bool& handled) { handled = a == report; };
    int reportRuns = 0;
    report->OnExecute = [&](TObject*) { ++reportRuns; };
    EXPECT_TRUE(report->Execute());
    EXPECT_EQ(reportRuns, 0);
}

TEST_F(ActionTest, FreeingAnActionUnbindsItsClients) {
    TAction* action = NewAction("Gone");
    TPopupMenu* menu = TPopupMenu::Create(form.get());
    TMenuItem* item = NewBoundItem(menu, action);
    TButton* button = TButton::Create(form.get());
    button->SetParent(form.get());
    button->SetAction(action);
    action->Free();
    EXPECT_EQ(item->GetAction(), nullptr);
    EXPECT_EQ(button->GetAction(), nullptr);
    EXPECT_EQ(list->ActionCount(), 0);
    item->Click();
    EXPECT_EQ(item->GetCaption(), "Gone");
}

class ActionLayoutTest : public ::testing::Test {
protected:
    TRecordedBoxes boxes;
};

TEST_F(ActionLayoutTest, ItemsBoundInTheLayoutLoadWithTheRightStates) {
    TFreeGuard<TActionsTestForm> form(TActionsTestForm::Create(nullptr));
    ASSERT_EQ(form->ActionList->ActionCount(), 3);
    EXPECT_EQ(form->ActionRefresh->GetActionList(), form->ActionList);
    EXPECT_EQ(form->ActionRefresh->GetShortCut(), VK_F5);

    EXPECT_EQ(form->mItemRefresh->GetParentComponent(), form->pmList);
    EXPECT_EQ(form->mItemRefresh->GetCaption(), "&Refresh");
    EXPECT_EQ(form->mItemRefresh->GetShortCut(), VK_F5);
    EXPECT_TRUE(form->mItemHide->GetChecked());
    // Stored after Action: the layout's Enabled = False wins over the enabled action.
    EXPECT_FALSE(form->mItemComment->GetEnabled());
    EXPECT_TRUE(form->ActionComment->GetEnabled());
    EXPECT_EQ(form->mItemView->Count(), 2);
    EXPECT_EQ(form->mItemViewList->Parent(), form->mItemView);
    EXPECT_TRUE(form->mItemViewList->GetChecked());

    HMENU h = form->pmList->Handle();
    ASSERT_EQ(GetMenuItemCount(h), 5);
    char text[64] = {};
    GetMenuStringA(h, 0, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "&Refresh\tF5");
    EXPECT_TRUE(GetMenuState(h, 3, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_EQ(GetMenuItemCount(form->mItemView->Handle()), 2);

    // The item's click runs the action, whose handler toggles Checked back to the item.
    EXPECT_TRUE(form->pmList->DispatchCommand(static_cast<WORD>(form->mItemHide->Command())));
    EXPECT_FALSE(form->ActionHide->GetChecked());
    EXPECT_FALSE(form->mItemHide->GetChecked());
    EXPECT_TRUE(form->mItemHide->ActionLink()->IsCheckedLinked());
    EXPECT_FALSE(GetMenuState(form->pmList->Handle(), 2, MF_BYPOSITION) & MF_CHECKED);

    TPopupChoice choice({VK_DOWN, VK_RETURN});
    form->pmList->Popup(5, 5);
    EXPECT_EQ(form->RefreshCount, 1);
    EXPECT_TRUE(boxes.Texts.empty());
}

TEST_F(ActionLayoutTest, AShortcutKeyInAFocusedControlRunsTheAction) {
    TFreeGuard<TActionsTestForm> form(TActionsTestForm::Create(nullptr));
    form->Show();
    form->edtSearch->SetFocus();
    HWND edit = form->edtSearch->Handle();
    Application->ProcessMessages();

    PostMessageA(edit, WM_KEYDOWN, VK_F5, 0);
    Application->ProcessMessages();
    EXPECT_EQ(form->RefreshCount, 1);

    form->ActionRefresh->SetEnabled(false);
    PostMessageA(edit, WM_KEYDOWN, VK_F5, 0);
    Application->ProcessMessages();
    EXPECT_EQ(form->RefreshCount, 1) << "a disabled action does not run";

    PostMessageA(edit, WM_KEYDOWN, VK_F6, 0);
    Application->ProcessMessages();
    EXPECT_EQ(form->RefreshCount + form->CommentCount, 1);
    EXPECT_TRUE(boxes.Texts.empty());
}
