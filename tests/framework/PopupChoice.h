// Answers popup menus in tests through the real TrackPopupMenu loop: once the menu is
// open, the keys a user would press are posted to the menu window.
#pragma once
#include "framework/Menus.h"

#include <string>
#include <vector>

class TPopupChoice {
public:
    explicit TPopupChoice(std::vector<WORD> keys) {
        previous_ = TPopupMenu::SetOpenMenuHook([this, keys](TPopupMenu& menu, HWND menuWindow) {
            ++Opened;
            OpenedMenu = &menu;
            if (HMENU h = menu.Handle()) ShownItemCount = GetMenuItemCount(h);
            HWND target = menuWindow ? menuWindow : TPopupMenu::PopupWindow();
            for (WORD key : keys) PostMessageA(target, WM_KEYDOWN, key, 0);
        });
    }
    ~TPopupChoice() { TPopupMenu::SetOpenMenuHook(std::move(previous_)); }
    TPopupChoice(const TPopupChoice&) = delete;
    TPopupChoice& operator=(const TPopupChoice&) = delete;

    int Opened = 0;
    TPopupMenu* OpenedMenu = nullptr;
    int ShownItemCount = -1;

private:
    TPopupMenu::TOpenMenuHook previous_;
};

// Records the boxes the application would show, so a failing handler never waits for a
// person.
class TRecordedBoxes {
public:
    TRecordedBoxes() {
        previous_ = SetMessageBoxHandler([this](HWND, const std::string& text, const std::string&, UINT) {
            Texts.push_back(text);
            return IDOK;
        });
    }
    ~TRecordedBoxes() { SetMessageBoxHandler(std::move(previous_)); }
    TRecordedBoxes(const TRecordedBoxes&) = delete;
    TRecordedBoxes& operator=(const TRecordedBoxes&) = delete;
    std::vector<std::string> Texts;
private:
    TMessageBoxHandler previous_;
};
