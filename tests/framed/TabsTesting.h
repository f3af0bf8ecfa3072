// Helpers for the tab control tests: a tab control whose text is measured with fixed
// metrics (so sizes do not depend on the fonts Wine substitutes), and page controls on
// real forms.
#pragma once
#include "controls/framed/FcTabs.h"
#include "framework/FormTesting.h"
#include "framework/StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Text is CharWidth pixels per character and LineHeight high; the tab font's height is
// LineHeight too.
template <class Base>
class TMeasured : public Base {
public:
    explicit TMeasured(TComponent* AOwner) : Base(AOwner) {}
    int CharWidth = 6;
    int LineHeight = 13;
    static TMeasured* New(TComponent* AOwner) {
        auto* t = new TMeasured(AOwner);
        CompleteConstruction(t);
        return t;
    }
protected:
    TSize MeasureText(const std::string& Text) const override {
        return TSize{CharWidth * static_cast<int>(Text.size()), LineHeight};
    }
    int TabFontHeight() const override { return LineHeight; }
};
using TMeasuredTabs = TMeasured<TFcCustomTabControl>;
using TMeasuredPages = TMeasured<TFcPageControl>;

// A tab control of the given size (no window) with tabs of these captions.
inline TFreeGuard<TMeasuredTabs> NewTabs(int width, int height, const std::vector<std::string>& captions) {
    TFreeGuard<TMeasuredTabs> t(TMeasuredTabs::New(nullptr));
    t->SetBounds(0, 0, width, height);
    for (auto& c : captions) {
        auto* tab = new TFcTabData;
        tab->Caption = c;
        t->Tabs()->Add(tab);
    }
    t->TabsChanged();
    return t;
}

// Runs the layout pass now (painting would).
inline void Layout(TFcCustomTabControl& t) {
    t.SetLayoutDirty(true);
    t.UpdateLayout();
}

// A form with a page control of the given pages, each page holding a label naming it.
struct TPageForm {
    TFormGuard<TForm> Form{TForm::Create(nullptr, false)};
    TFcPageControl* Pages = nullptr;
    std::vector<TFcTabSheet*> Sheets;

    TPageForm(int width, int height, const std::vector<std::string>& captions, bool measured = false) {
        Form->SetBounds(40, 40, 100, 100);
        Form->SetClientWidth(width + 20);
        Form->SetClientHeight(height + 20);
        Form->SetColor(clBtnFace);
        if (measured) Pages = TMeasuredPages::New(Form.get());
        else Pages = TFcPageControl::Create(Form.get());
        Pages->SetParent(Form.get());
        Pages->SetBounds(10, 10, width, height);
        for (auto& c : captions) AddPage(c);
    }
    TFcTabSheet* AddPage(const std::string& caption) {
        auto* sheet = TFcTabSheet::Create(Form.get());
        sheet->SetCaption(caption);
        sheet->SetPageControl(Pages);
        auto* label = TLabel::Create(Form.get());
        label->SetParent(sheet);
        label->SetBounds(8, 8, 200, 16);
        label->SetCaption("Page " + caption);
        Sheets.push_back(sheet);
        return sheet;
    }
    void Show() {
        Form->Show();
        PumpIdle();
    }
    // The active window, for tests that need the keyboard focus (another program's window
    // may have taken it).
    bool Activate() {
        SetForegroundWindow(Form->Handle());
        return PumpUntil([&] { return Form->Active(); }, 2000);
    }
    // Above other programs' windows, for tests that find controls on the screen.
    void OnTop() {
        SetWindowPos(Form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        PumpIdle();
    }
    HWND Wnd() const { return Pages->WindowHandle(); }
    // The centre of a tab, in the page control's client coordinates.
    TPoint TabCentre(int index) const {
        TRect r = Pages->TabRect(index);
        return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    void Click(int index) {
        TPoint p = TabCentre(index);
        PostClick(Wnd(), p.X, p.Y);
        PumpIdle();
    }
    void Key(WORD key) {
        Pages->Perform(WM_KEYDOWN, key, 0);
        PumpIdle();
    }
};
