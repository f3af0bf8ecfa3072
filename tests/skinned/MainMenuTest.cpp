// The skinned main menu: its own check list, and how it goes with a form and its frame.
#include "SkinnedTesting.h"

#include "FrameTesting.h"

#include <gtest/gtest.h>

TEST(SkinnedMainMenu, NoImagesKeepsItsOwnCheckListInPlace) {
    TFreeGuard<TskMainMenu> menu(TskMainMenu::Create(nullptr));
    EXPECT_EQ(menu->GetImages(), nullptr);
    EXPECT_NE(menu->TMenu::GetImages(), nullptr);
    TFreeGuard<TCustomImageList> mine(TCustomImageList::Create(nullptr, 16, 16));
    menu->SetImages(mine.get());
    EXPECT_EQ(menu->GetImages(), mine.get());
    menu->SetImages(nullptr);
    EXPECT_EQ(menu->GetImages(), nullptr);
    EXPECT_NE(menu->TMenu::GetImages(), nullptr);
}

TEST(SkinnedMainMenu, OnAFormWithoutAFrameItTakesTheFormsMenuAwayAndShowsNowhere) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    auto* plain = TMainMenu::Create(form.get());
    form->SetMenu(plain);
    auto* skinned = TskMainMenu::Create(form.get());
    EXPECT_EQ(form->GetMenu(), nullptr);
    EXPECT_EQ(skinned->Frame(), nullptr);
}

TEST(SkinnedMainMenu, ItGivesItselfToTheFormsFrameWhoseBarShowsItsItemsInOrder) {
    TFramedForm f;
    EXPECT_EQ(f.Frame->GetMenu(), f.Menu);
    EXPECT_EQ(f.Menu->Frame(), f.Frame);
    ASSERT_NE(f.Frame->MenuBar(), nullptr);
    ASSERT_EQ(f.Frame->MenuBar()->ButtonCount(), 3);
    EXPECT_EQ(f.Frame->MenuBar()->Buttons(2)->GetCaption(), "&Help");
    EXPECT_EQ(f.Menu->GetUIStyle(), DeepBlue);
}

TEST(SkinnedMainMenu, ChangingAnItemAtRunTimeChangesItsBarButton) {
    TFramedForm f;
    TMenuItem* edit = f.Menu->Items()->Items(1);
    edit->SetCaption("&Change");
    edit->SetEnabled(false);
    EXPECT_EQ(f.Frame->MenuBar()->Buttons(1)->GetCaption(), "&Change");
    EXPECT_FALSE(f.Frame->MenuBar()->Buttons(1)->GetEnabled());
}

TEST(SkinnedMainMenu, ItsOwnFontReachesTheMenuBar) {
    TFramedForm f;
    f.Menu->SetFontName("Courier New");
    f.Menu->SetFontSize(12);
    f.Menu->SetUseSystemFont(false);
    EXPECT_EQ(f.Frame->MenuBar()->Font()->GetName(), "Courier New");
    EXPECT_EQ(f.Frame->MenuBar()->Font()->GetSize(), 12);
}

TEST(SkinnedMainMenu, TheFramesStyleReachesItsMenu) {
    TFramedForm f;
    f.Frame->SetUIStyle(BlueGlass);
    EXPECT_EQ(f.Menu->GetUIStyle(), BlueGlass);
    EXPECT_EQ(f.Menu->GetSelectedColor(), StyleColor(BlueGlass, SkKey::MenuSelectedBackgroundColor));
}
