#include "framework/ActnList.h"
#include "framework/Menus.h"
#include "PopupChoice.h"

#include <gtest/gtest.h>

namespace {

TMenuItem* NewItem(TComponent* owner, const std::string& caption) {
    TMenuItem* item = TMenuItem::Create(owner);
    item->SetCaption(caption);
    return item;
}

std::string MenuText(HMENU menu, int pos) {
    char buf[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(pos), buf, sizeof(buf), MF_BYPOSITION);
    return buf;
}

} // namespace

TEST(MenuShortCut, TextAndBackAgain) {
    EXPECT_EQ(ShortCutToText(VK_F5), "F5");
    EXPECT_EQ(ShortCutToText(ShortCut('X', {ssCtrl})), "Ctrl+X");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, {ssShift, ssCtrl})), "Shift+Ctrl+Del");
    EXPECT_EQ(ShortCutToText(scNone), "");
    EXPECT_EQ(TextToShortCut("ctrl+x"), ShortCut('X', {ssCtrl}));
    EXPECT_EQ(TextToShortCut("Alt+F4"), ShortCut(VK_F4, {ssAlt}));
    EXPECT_EQ(TextToShortCut("F12"), VK_F12);
    EXPECT_EQ(TextToShortCut("F1"), VK_F1) << "F1 must not be read as a prefix of F10..F19";
    EXPECT_EQ(TextToShortCut("Ctrl+"), scNone);
    EXPECT_EQ(TextToShortCut("Hyper+Q"), scNone);
    for (TShortCut sc : {TShortCut(VK_F1), ShortCut(VK_RETURN, {ssAlt}), ShortCut('7', {ssShift})})
        EXPECT_EQ(TextToShortCut(ShortCutToText(sc)), sc) << ShortCutToText(sc);
}

TEST(MenuItems, RunTimeChangesRebuildTheWin32Menu) {
    TFreeGuard<TPopupMenu> menu(TPopupMenu::Create(nullptr));
    TMenuItem* root = menu->Items();
    TMenuItem* a = NewItem(menu.get(), "&Alpha");
    TMenuItem* b = NewItem(menu.get(), "Beta");
    root->Add(a);
    root->Add(b);
    HMENU h = menu->Handle();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetMenuItemCount(h), 2);

    TMenuItem* c = NewItem(nullptr, "Gamma");   // no owner: the parent frees it
    root->Insert(1, c);
    EXPECT_EQ(GetMenuItemCount(menu->Handle()), 3);
    EXPECT_EQ(MenuText(menu->Handle(), 1), "Gamma");
    EXPECT_EQ(c->MenuIndex(), 1);

    b->SetVisible(false);
    EXPECT_EQ(GetMenuItemCount(menu->Handle()), 2) << "hidden items are left out";
    b->SetVisible(true);

    c->SetChecked(true);
    a->SetEnabled(false);
    b->SetShortCut(VK_F5);
    h = menu->Handle();
    EXPECT_TRUE(GetMenuState(h, 1, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(h, 0, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_EQ(MenuText(h, 2), "Beta\tF5");

    root->Delete(1);
    EXPECT_EQ(GetMenuItemCount(menu->Handle()), 2);
    EXPECT_EQ(root->Find("alpha"), a) << "Find ignores case and access keys";
    EXPECT_EQ(root->Find("Gamma"), nullptr);

    // A sub-menu appears with its first child and is the item's own handle.
    TMenuItem* sub = NewItem(menu.get(), "Sub");
    b->Add(sub);
    HMENU bh = menu->Handle();
    EXPECT_EQ(GetSubMenu(bh, 1), b->Handle());
    EXPECT_EQ(GetMenuItemCount(b->Handle()), 1);
    b->Clear();
    EXPECT_EQ(GetSubMenu(menu->Handle(), 1), nullptr);

    EXPECT_THROW(root->Add(a), EMenuError) << "an item is in one place only";
}

TEST(MenuItems, RadioItemsOfAGroupExcludeEachOther) {
    TFreeGuard<TPopupMenu> menu(TPopupMenu::Create(nullptr));
    TMenuItem* items[3];
    for (int i = 0; i < 3; ++i) {
        items[i] = NewItem(menu.get(), "R" + std::to_string(i));
        items[i]->SetRadioItem(true);
        items[i]->SetGroupIndex(i < 2 ? 1 : 2);
        menu->Items()->Add(items[i]);
    }
    items[2]->SetChecked(true);
    items[0]->SetChecked(true);
    items[1]->SetChecked(true);
    EXPECT_FALSE(items[0]->GetChecked());
    EXPECT_TRUE(items[1]->GetChecked());
    EXPECT_TRUE(items[2]->GetChecked()) << "another group is left alone";
}

TEST(MenuItems, FreeingItemsAndMenusInAnyOrderIsSafe) {
    TFreeGuard<TComponent> owner(TComponent::Create(nullptr));
    TPopupMenu* menu = TPopupMenu::Create(owner.get());
    TMenuItem* parent = NewItem(owner.get(), "Parent");
    TMenuItem* child = NewItem(owner.get(), "Child");
    menu->Items()->Add(parent);
    parent->Add(child);
    menu->Handle();
    child->Free();
    EXPECT_EQ(parent->Count(), 0);
    TMenuItem* again = NewItem(owner.get(), "Again");
    parent->Add(again);
    menu->Handle();
    menu->Free();   // frees the items still placed in it, though the owner owns them
    EXPECT_EQ(owner->ComponentCount(), 0);
}

class PopupMenuTest : public ::testing::Test {
protected:
    TRecordedBoxes boxes;
};

TEST_F(PopupMenuTest, ChoosingAnItemThroughTrackPopupMenuRunsItsAction) {
    TFreeGuard<TComponent> owner(TComponent::Create(nullptr));
    TPopupMenu* menu = TPopupMenu::Create(owner.get());
    TActionList* list = TActionList::Create(owner.get());
    TAction* action = TAction::Create(owner.get());
    list->AddAction(action);
    action->SetCaption("Run");
    std::vector<std::string> events;
    action->OnExecute = [&](TObject* sender) {
        events.push_back("execute");
        EXPECT_EQ(sender, action);
        EXPECT_NE(action->ActionComponent, nullptr);
    };
    TMenuItem* first = NewItem(owner.get(), "First");
    first->OnClick = [&](TObject*) { events.push_back("first"); };
    TMenuItem* sep = NewItem(owner.get(), "-");
    TMenuItem* bound = TMenuItem::Create(owner.get());
    bound->SetAction(action);
    menu->Items()->Add(first);
    menu->Items()->Add(sep);
    menu->Items()->Add(bound);
    menu->OnPopup = [&](TObject*) {
        events.push_back("popup");
        // Filled while popping up: the shown menu has the new item.
        menu->Items()->Add(NewItem(owner.get(), "Late"));
    };

    TPopupChoice choice({VK_DOWN, VK_DOWN, VK_RETURN});   // first, (separator skipped) bound
    menu->Popup(10, 10);
    EXPECT_EQ(choice.Opened, 1);
    EXPECT_EQ(choice.ShownItemCount, 4);
    EXPECT_EQ(events, (std::vector<std::string>{"popup", "execute"}));
    EXPECT_EQ(bound->GetCaption(), "Run");
    EXPECT_TRUE(boxes.Texts.empty());
}

TEST_F(PopupMenuTest, CancellingRunsNothingAndPopupForRecordsTheComponent) {
    TFreeGuard<TComponent> owner(TComponent::Create(nullptr));
    TPopupMenu* menu = TPopupMenu::Create(owner.get());
    int clicks = 0;
    TMenuItem* item = NewItem(owner.get(), "Item");
    item->OnClick = [&](TObject*) { ++clicks; };
    menu->Items()->Add(item);
    TPopupChoice choice({VK_DOWN, VK_ESCAPE});
    menu->PopupFor(nullptr, 20, 20);
    EXPECT_EQ(choice.Opened, 1);
    EXPECT_EQ(clicks, 0);

    // A sub-menu's OnClick runs as it opens, and what it adds shows in it.
    TMenuItem* langs = NewItem(owner.get(), "Languages");
    langs->Add(NewItem(owner.get(), "Placeholder"));
    langs->OnClick = [&](TObject*) {
        langs->Clear();
        for (const char* name : {"English", "Deutsch"}) {
            TMenuItem* l = NewItem(nullptr, name);
            l->OnClick = [&](TObject* sender) {
                ++clicks;
                EXPECT_EQ(static_cast<TMenuItem*>(sender)->GetCaption(), "Deutsch");
            };
            langs->Add(l);
        }
    };
    menu->Items()->Add(langs);
    TPopupChoice pick({VK_DOWN, VK_DOWN, VK_RIGHT, VK_END, VK_RETURN});
    menu->Popup(20, 20);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(langs->Count(), 2);
}

TEST_F(PopupMenuTest, AnExceptionInAClickGoesToTheApplicationsHandler) {
    TFreeGuard<TPopupMenu> menu(TPopupMenu::Create(nullptr));
    TMenuItem* item = NewItem(menu.get(), "Fails");
    item->OnClick = [](TObject*) { throw Exception("click failed"); };
    menu->Items()->Add(item);
    TPopupChoice choice({VK_DOWN, VK_RETURN});
    EXPECT_NO_THROW(menu->Popup(10, 10));
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_NE(boxes.Texts[0].find("click failed"), std::string::npos);
}

namespace {

// Draws every item itself, as a styled menu derived from TPopupMenu does.
class TStyledPopupMenu : public TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
    std::vector<std::string> Measured;
    std::vector<std::pair<std::string, bool>> Drawn;   // caption, selected
    bool CanvasHadFont = false;

    void MeasureMenuItem(TMenuItem* Item, TCanvas* ACanvas, int& Width, int& Height) override {
        Measured.push_back(Item->GetCaption());
        CanvasHadFont = ACanvas && !ACanvas->Font()->GetName().empty();
        Width = 100;
        Height = Item->IsLine() ? 5 : 20;
    }
    void DrawMenuItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) override {
        Drawn.emplace_back(Item->GetCaption(), State.Contains(odSelected));
        ACanvas->Brush()->SetColor(clRed);
        ACanvas->FillRect(ARect);
    }
};

} // namespace

TEST_F(PopupMenuTest, OwnerDrawnItemsAreMeasuredAndDrawnByTheMenu) {
    auto* menu = new TStyledPopupMenu(nullptr);
    TFreeGuard<TPopupMenu> guard(menu);
    menu->SetOwnerDraw(true);
    menu->Items()->Add(NewItem(menu, "One"));
    menu->Items()->Add(NewItem(menu, "-"));
    menu->Items()->Add(NewItem(menu, "Two"));
    TPopupChoice choice({VK_DOWN, VK_ESCAPE});
    menu->Popup(30, 30);
    EXPECT_EQ(menu->Measured, (std::vector<std::string>{"One", "-", "Two"}));
    EXPECT_TRUE(menu->CanvasHadFont);
    auto selectedOne = std::find(menu->Drawn.begin(), menu->Drawn.end(), std::make_pair(std::string("One"), true));
    EXPECT_NE(selectedOne, menu->Drawn.end()) << "the highlighted item is drawn selected";
    EXPECT_TRUE(boxes.Texts.empty());
}

TEST_F(PopupMenuTest, ItemDrawEventsMakeJustThatItemOwnerDrawn) {
    TFreeGuard<TPopupMenu> menu(TPopupMenu::Create(nullptr));
    TMenuItem* plain = NewItem(menu.get(), "Plain");
    TMenuItem* drawn = NewItem(menu.get(), "Drawn");
    std::vector<TObject*> measuredSenders;
    std::vector<TOwnerDrawState> drawStates;
    drawn->OnMeasureItem = [&](TObject* sender, TCanvas*, int& w, int& h) {
        measuredSenders.push_back(sender);
        w = 80;
        h = 18;
    };
    drawn->OnAdvancedDrawItem = [&](TObject*, TCanvas* canvas, TRect r, TOwnerDrawState state) {
        drawStates.push_back(state);
        canvas->FillRect(r);
    };
    drawn->SetEnabled(false);
    menu->Items()->Add(plain);
    menu->Items()->Add(drawn);
    HMENU h = menu->Handle();
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(h, 0, TRUE, &mii);
    EXPECT_FALSE(mii.fType & MFT_OWNERDRAW);
    GetMenuItemInfoA(h, 1, TRUE, &mii);
    EXPECT_TRUE(mii.fType & MFT_OWNERDRAW);

    TPopupChoice choice({VK_ESCAPE});
    menu->Popup(30, 30);
    ASSERT_FALSE(measuredSenders.empty());
    EXPECT_EQ(measuredSenders[0], drawn);
    ASSERT_FALSE(drawStates.empty());
    EXPECT_TRUE(drawStates[0].Contains(odDisabled) || drawStates[0].Contains(odGrayed));
}

TEST(MainMenu, AttachedToAFormItTakesTheFormsCommandsAndShortcuts) {
    TRecordedBoxes boxes;
    TFreeGuard<TForm> form(TForm::Create(nullptr, false));
    TMainMenu* menu = TMainMenu::Create(form.get());
    TMenuItem* file = NewItem(form.get(), "&File");
    TMenuItem* exit = NewItem(form.get(), "E&xit");
    int clicks = 0;
    exit->OnClick = [&](TObject*) { ++clicks; };
    exit->SetShortCut(ShortCut('Q', {ssCtrl}));
    file->Add(exit);
    menu->Items()->Add(file);
    menu->SetWindowMenu(form->Handle());
    EXPECT_EQ(GetMenu(form->Handle()), menu->Handle());
    EXPECT_EQ(MenuText(file->Handle(), 0), "E&xit\tCtrl+Q");

    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(exit->Command(), 0), 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(form->IsShortCut('Q', {ssCtrl}));
    EXPECT_EQ(clicks, 2);
    exit->SetEnabled(false);
    EXPECT_FALSE(form->IsShortCut('Q', {ssCtrl})) << "a disabled item leaves the key alone";
    EXPECT_EQ(clicks, 2);

    // Adding a top-level item rebuilds the bar the window shows.
    menu->Items()->Add(NewItem(form.get(), "&Help"));
    EXPECT_EQ(GetMenuItemCount(GetMenu(form->Handle())), 2);
    menu->Free();
    EXPECT_EQ(GetMenu(form->Handle()), nullptr);
    EXPECT_TRUE(boxes.Texts.empty());
}

TEST_F(PopupMenuTest, AMenuFreedByItsOwnOnPopupIsNotTouchedAgain) {
    TFreeGuard<TComponent> owner(TComponent::Create(nullptr));
    TPopupMenu* menu = TPopupMenu::Create(owner.get());
    menu->Items()->Add(NewItem(owner.get(), "Item"));
    int popups = 0;
    menu->OnPopup = [&](TObject*) {
        ++popups;
        menu->Free();
    };
    EXPECT_NO_THROW(menu->Popup(10, 10));
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(owner->ComponentCount(), 0) << "the menu went, and with it the item placed in it";
    EXPECT_TRUE(boxes.Texts.empty());
}
