// The tool bar: button order and rows, and menu buttons that drop their sub-menu down.
#include "FormTesting.h"
#include "framework/ComCtrls.h"
#include "framework/Menus.h"

#include <gtest/gtest.h>

namespace {

TMenuItem* AddItem(TComponent* owner, TMenuItem* to, const std::string& caption) {
    TMenuItem* item = TMenuItem::Create(owner);
    item->SetCaption(caption);
    to->Add(item);
    return item;
}

// Answers each dropped-down menu through the tool bar's hook.
class TDropDownAnswer {
public:
    explicit TDropDownAnswer(std::function<void(HWND)> answer) {
        previous_ = TToolBar::SetDropDownHook([this, answer](TToolBar& bar, HWND menuWindow) {
            ++Opened;
            Dropped = bar.DroppedButton();
            answer(menuWindow);
        });
    }
    ~TDropDownAnswer() { TToolBar::SetDropDownHook(std::move(previous_)); }
    int Opened = 0;
    TToolButton* Dropped = nullptr;
private:
    TToolBar::TDropDownHook previous_;
};

struct TBarForm {
    TFormGuard<TForm> Form{TForm::Create(nullptr, false)};
    TToolBar* Bar = nullptr;
    TToolButton* Add(const std::string& caption) {
        TToolButton* b = TToolButton::Create(Form.get());
        b->SetCaption(caption);
        b->SetParent(Bar);
        b->SetAutoSize(true);
        return b;
    }
    TBarForm() {
        Form->SetBounds(50, 50, 300, 200);
        Bar = TToolBar::Create(Form.get());
        Bar->SetParent(Form.get());
        Bar->SetShowCaptions(true);
        Bar->SetButtonHeight(22);
    }
};

}  // namespace

TEST(ToolBar, ButtonsMadeAtTheLeftEdgeComeFirst) {
    TBarForm f;
    TToolButton* last = f.Add("Last");
    TToolButton* first = f.Add("First");
    ASSERT_EQ(f.Bar->ButtonCount(), 2);
    EXPECT_EQ(f.Bar->Buttons(0), first);
    EXPECT_EQ(f.Bar->Buttons(1), last);
    f.Bar->Realign();
    EXPECT_EQ(first->Left(), 0);
    EXPECT_EQ(last->Left(), first->Width());
}

TEST(ToolBar, AutoSizedBarGrowsByARowWhenButtonsWrap) {
    TBarForm f;
    f.Bar->SetAutoSize(true);
    for (int i = 0; i < 6; ++i) f.Add("A rather long caption");
    f.Bar->Realign();
    const int rows = f.Bar->Buttons(5)->Top() / 22 + 1;
    EXPECT_GT(rows, 1);
    EXPECT_EQ(f.Bar->GetClientHeight(), rows * 22);
}

TEST(ToolBar, AMenuButtonDropsItsSubMenuAndRunsTheChosenItem) {
    TBarForm f;
    auto* menu = TMainMenu::Create(f.Form.get());
    TMenuItem* file = AddItem(f.Form.get(), menu->Items(), "&File");
    int opened = 0;
    TMenuItem* open = AddItem(f.Form.get(), file, "&Open");
    open->OnClick = [&](TObject*) { ++opened; };
    TToolButton* button = f.Add("");
    button->SetMenuItem(file);
    EXPECT_EQ(button->GetCaption(), "&File");
    f.Form->Show();
    PumpIdle();

    TDropDownAnswer answer([](HWND menuWindow) {
        PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
    });
    PostMessageA(f.Bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(button->Left() + 3, button->Top() + 3));
    PumpUntil([&] { return opened > 0; });
    EXPECT_EQ(answer.Opened, 1);
    EXPECT_EQ(answer.Dropped, button);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(f.Bar->DroppedButton(), nullptr);
}
