// Test helper: a real popup menu photographed under Xvfb. Opened with the keys a user would
// press, captured once it has drawn, then closed with Escape.
#pragma once
#include "common/Screenshot.h"
#include "framework/Controls.h"
#include "framework/Menus.h"

#include <utility>
#include <vector>

class TMenuShot {
public:
    explicit TMenuShot(std::vector<WORD> keys) {
        timer_ = AllocateHWnd([this](TMessage& m) {
            if (m.Msg != WM_TIMER) {
                m.Result = DefWindowProcA(timer_, m.Msg, m.WParam, m.LParam);
                return;
            }
            KillTimer(timer_, 1);
            // Under load the menu may not have painted its selection yet: paint it now.
            RedrawWindow(menuWindow_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            Taken = CaptureWindow(menuWindow_, Shot);
            RECT wr;
            GetWindowRect(menuWindow_, &wr);
            for (int i = 0; i < GetMenuItemCount(menu_); ++i) {
                RECT r{};
                GetMenuItemRect(nullptr, menu_, static_cast<UINT>(i), &r);
                TRect item(r);
                item.Offset(-wr.left, -wr.top);
                Items.push_back(item);
            }
            PostMessageA(menuWindow_, WM_KEYDOWN, VK_ESCAPE, 0);
        });
        previous_ = TPopupMenu::SetOpenMenuHook([this, keys](TPopupMenu& menu, HWND menuWindow) {
            menu_ = menu.Handle();
            menuWindow_ = menuWindow ? menuWindow : FindWindowA("#32768", nullptr);
            for (WORD key : keys) PostMessageA(menuWindow_, WM_KEYDOWN, key, 0);
            SetTimer(timer_, 1, 200, nullptr);
        });
    }
    ~TMenuShot() {
        TPopupMenu::SetOpenMenuHook(std::move(previous_));
        DeallocateHWnd(timer_);
    }
    TMenuShot(const TMenuShot&) = delete;
    TMenuShot& operator=(const TMenuShot&) = delete;

    bool Taken = false;
    TBitmap Shot;
    std::vector<TRect> Items;   // where the items are in the shot

private:
    HMENU menu_ = nullptr;
    HWND timer_ = nullptr;
    HWND menuWindow_ = nullptr;
    TPopupMenu::TOpenMenuHook previous_;
};
