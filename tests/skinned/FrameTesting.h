// A form wearing the skinned frame, for the frame's tests.
#pragma once
#include "../framework/FormTesting.h"
#include "controls/skinned/SkForm.h"
#include "framework/StdCtrls.h"

// A form with a frame, a panel filling it and a skinned main menu of three entries.
struct TFramedForm {
    TFormGuard<TForm> Form{TForm::Create(nullptr, false)};
    TskForm* Frame = nullptr;
    TskMainMenu* Menu = nullptr;
    TPanel* Panel = nullptr;
    int Opened = 0;

    explicit TFramedForm(TskUIStyle style = DeepBlue, bool withMenu = true) {
        Form->SetBounds(60, 60, 360, 240);
        Form->SetCaption("Skinned frame");
        Frame = TskForm::Create(Form.get());
        Frame->SetUIStyle(style);
        Panel = TPanel::Create(Form.get());
        Panel->SetParent(Frame);
        Frame->SetFormPanel(Panel);
        TLabel* label = TLabel::Create(Form.get());
        label->SetParent(Panel);
        label->SetBounds(12, 12, 200, 16);
        label->SetCaption("The form's own content");
        if (!withMenu) return;
        Menu = TskMainMenu::Create(Form.get());
        for (const char* caption : {"&File", "&Edit", "&Help"}) {
            TMenuItem* top = Item(Menu->Items(), caption);
            Item(top, "&Open")->OnClick = [this](TObject*) { ++Opened; };
            Item(top, "-");
            Item(top, "E&xit");
        }
    }
    TMenuItem* Item(TMenuItem* to, const std::string& caption) {
        TMenuItem* item = TMenuItem::Create(Form.get());
        item->SetCaption(caption);
        to->Add(item);
        return item;
    }
    void Show() {
        Form->Show();
        PumpUntil([&] { return Form->Active(); }, 1000);
        Settle();
    }
    // Everything painted, for a screenshot.
    void Settle() {
        RedrawWindow(Wnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpIdle();
    }
    HWND Wnd() { return Form->Handle(); }
    TRect WindowRect() {
        RECT r;
        GetWindowRect(Wnd(), &r);
        return TRect(r);
    }
    // The centre of a title-bar button, in the bar's client coordinates.
    TPoint ButtonCentre(TskTitleBarBtnType type) {
        TskTitleBar* bar = Frame->TitleBar();
        const auto rects = bar->ButtonRects();
        for (int i = 0; i < bar->GetButtons()->Count(); ++i)
            if (bar->GetButtons()->Items(i)->GetButtonType() == type)
                return TPoint((rects[i].Left + rects[i].Right) / 2, (rects[i].Top + rects[i].Bottom) / 2);
        return TPoint(-1, -1);
    }
    void Press(TPoint down, TPoint up) {
        HWND bar = Frame->TitleBar()->Handle();
        PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.X, down.Y));
        PostMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(up.X, up.Y));
        PostMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(up.X, up.Y));
        PumpIdle();
    }
};

