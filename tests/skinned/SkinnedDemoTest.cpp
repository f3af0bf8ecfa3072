// A whole form of the skinned controls on screen: four picture buttons over a picture panel,
// progress bars at 0, 50 and 100 %, and a link label. The screenshots it saves are looked at
// by a person; the checks here read the same pixels back.
#include "common/Screenshot.h"
#include "controls/skinned/ArButton.h"
#include "controls/skinned/SkImagePanel.h"
#include "controls/skinned/SkProgressBar.h"
#include "controls/skinned/SkURLLabel.h"
#include "framework/StdCtrls.h"
#include "skinned/PictureTesting.h"
#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kButtonW = 110, kButtonH = 34;

uint32_t Mix(uint32_t a, uint32_t b, double t) {
    auto ch = [&](int shift) {
        double v = ((a >> shift) & 0xFF) * (1 - t) + ((b >> shift) & 0xFF) * t;
        return uint32_t(std::lround(v)) << shift;
    };
    return 0xFF000000u | ch(16) | ch(8) | ch(0);
}

// A rounded button face: a vertical gradient from top to bottom inside a darker rim, the
// corners outside a radius of 6 left clear.
std::vector<uint32_t> ButtonFace(uint32_t top, uint32_t bottom, uint32_t rim) {
    std::vector<uint32_t> px(size_t(kButtonW) * kButtonH, 0);
    const double r = 6;
    for (int y = 0; y < kButtonH; ++y)
        for (int x = 0; x < kButtonW; ++x) {
            double cx = std::clamp<double>(x + 0.5, r, kButtonW - r), cy = std::clamp<double>(y + 0.5, r, kButtonH - r);
            double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (d > r) continue;
            uint32_t c = Mix(top, bottom, double(y) / (kButtonH - 1));
            if (d > r - 1.2 || x == 0 || y == 0 || x == kButtonW - 1 || y == kButtonH - 1) c = rim;
            px[size_t(y) * kButtonW + x] = c;
        }
    return px;
}

struct TFace {
    uint32_t Top, Bottom, Rim;
    std::vector<uint32_t> Pixels() const { return ButtonFace(Top, Bottom, Rim); }
    TColor At(int x, int y) const { return ArgbColor(Pixels()[size_t(y) * kButtonW + x]); }
};
const TFace kNormal{0xFF5B8BD9, 0xFF2E5AA8, 0xFF1C3C78};
const TFace kHover{0xFF7FB0F5, 0xFF4A7FD0, 0xFF24508F};
const TFace kDown{0xFF24468A, 0xFF3A64B5, 0xFF14284F};
const TFace kDisabled{0xFFC8C8C8, 0xFFA8A8A8, 0xFF8A8A8A};

// A soft diagonal stripe tile for the panel.
std::vector<uint32_t> PanelTile() {
    std::vector<uint32_t> px(16 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) px[size_t(y) * 16 + x] = ((x + y) % 16 < 8) ? 0xFFE9EEF6 : 0xFFDCE4F0;
    return px;
}

struct TDemoForm {
    TFormGuard<TForm> Form = NewTestForm(520, 300);
    TskImagePanel* Panel = nullptr;
    TArButton* Buttons[4] = {};
    TskProgressBar* Bars[3] = {};
    TskURLLabel* Link = nullptr;
    TLabel* Status = nullptr;
    int Repeats = 0;
    int Clicks = 0;

    TDemoForm() {
        Form->SetCaption("Skinned controls");
        Form->SetColor(clWhite);
        Panel = TskImagePanel::Create(Form.get());
        Panel->SetParent(Form.get());
        Panel->SetBounds(10, 10, 500, 130);
        Panel->SetDrawStyle(skTile);
        SetPngPicture(Panel->GetPicture(), 16, 16, PanelTile());
        Panel->SetAlignment(taLeftJustify);
        Panel->Font()->SetName("Tahoma");
        Panel->Font()->SetStyle({fsBold});
        Panel->Font()->SetColor(RGBToColor(0x30, 0x40, 0x60));
        Panel->SetCaption("  Picture panel (tiled)");

        const char* captions[] = {"&Uninstall", "&Details", "&Refresh", "&Search"};
        for (int i = 0; i < 4; ++i) {
            auto* b = TArButton::Create(Form.get());
            b->SetParent(Panel);
            b->SetBounds(14 + i * (kButtonW + 12), 84, kButtonW, kButtonH);
            b->SetTransparent(true);
            b->SetTabStop(true);
            b->SetCaption(captions[i]);
            for (TFont* f : {b->Font(), b->GetFontMouseHover(), b->GetFontMouseDown(), b->GetFontDisabled()}) {
                f->SetName("Tahoma");
                f->SetStyle({fsBold});
                f->SetColor(clWhite);
            }
            b->GetFontDisabled()->SetColor(RGBToColor(0xF0, 0xF0, 0xF0));
            SetPngPicture(b->GetPicNormal(), kButtonW, kButtonH, kNormal.Pixels());
            SetPngPicture(b->GetPicMouseHover(), kButtonW, kButtonH, kHover.Pixels());
            SetPngPicture(b->GetPicMouseDown(), kButtonW, kButtonH, kDown.Pixels());
            SetPngPicture(b->GetPicDisabled(), kButtonW, kButtonH, kDisabled.Pixels());
            b->OnMouseContinuouslyDown = [this](TObject*) { ShowStatus(++Repeats); };
            b->OnClick = [this](TObject*) { ++Clicks; };
            Buttons[i] = b;
        }
        Buttons[3]->SetEnabled(false);

        const int positions[] = {0, 50, 100};
        for (int i = 0; i < 3; ++i) {
            auto* bar = TskProgressBar::Create(Form.get());
            bar->SetParent(Form.get());
            bar->SetBounds(10, 155 + i * 26, 500, 18);
            bar->SetPosition(positions[i]);
            Bars[i] = bar;
        }
        Bars[1]->SetUIStyle(WinXP);
        Bars[2]->SetUIStyle(MacOS);

        Link = TskURLLabel::Create(Form.get());
        Link->SetParent(Form.get());
        Link->SetLeft(12);
        Link->SetTop(240);
        Link->SetCaption("Visit the Velmora web site");
        Link->SetURL("https://example.org/velmora");

        Status = TLabel::Create(Form.get());
        Status->SetParent(Form.get());
        Status->SetLeft(12);
        Status->SetTop(268);
        ShowStatus(0);
    }
    void ShowStatus(int n) { Status->SetCaption("Repeat events while held: " + std::to_string(n)); }

    void Show() {
        SetCursorPos(0, 0);   // away from the buttons until the test moves it
        Form->Show();
        PumpIdle();
    }
    // A pixel of what a button paints (its client coordinates), read off-screen so that
    // other windows on the display cannot cover it.
    TColor ButtonPixel(TArButton* b, int x, int y) {
        TBitmap shot;
        Render(b, shot);
        return PixelAt(shot, x, y);
    }
    // The panel under a button's top-left corner.
    TColor PanelPixelUnder(TArButton* b) {
        TBitmap shot;
        Render(Panel, shot);
        return PixelAt(shot, b->Left(), b->Top());
    }
};

}  // namespace

TEST(SkinnedDemo, FourButtonsPanelBarsAndLinkOnScreen) {
    TDemoForm d;
    d.Show();
    SaveWindowPng(d.Form->Handle(), "skinned-demo-1-normal.png");
    EXPECT_EQ(d.ButtonPixel(d.Buttons[0], 20, 4), kNormal.At(20, 4));
    EXPECT_EQ(d.ButtonPixel(d.Buttons[3], 20, 4), kDisabled.At(20, 4));
    // The rounded corners show the panel's tile through the transparent buttons.
    EXPECT_EQ(d.ButtonPixel(d.Buttons[0], 0, 0), d.PanelPixelUnder(d.Buttons[0]));

    HWND b1 = d.Buttons[1]->Handle();
    PostMouseMove(b1, 40, 17);
    ASSERT_TRUE(PumpUntil([&] { return d.Buttons[1]->IsHover(); }));
    PumpIdle();
    SaveWindowPng(d.Form->Handle(), "skinned-demo-2-hover.png");
    EXPECT_EQ(d.ButtonPixel(d.Buttons[1], 20, 4), kHover.At(20, 4));
    EXPECT_EQ(d.ButtonPixel(d.Buttons[0], 20, 4), kNormal.At(20, 4));

    PostMessageA(b1, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 17));
    ASSERT_TRUE(PumpUntil([&] { return d.Repeats >= 4; }));
    PumpIdle();
    SaveWindowPng(d.Form->Handle(), "skinned-demo-3-pressed.png");
    EXPECT_EQ(d.ButtonPixel(d.Buttons[1], 20, 4), kDown.At(20, 4));
    PostMessageA(b1, WM_LBUTTONUP, 0, MAKELPARAM(40, 17));
    ASSERT_TRUE(PumpUntil([&] { return d.Clicks == 1; }));
    int held = d.Repeats;
    // Time is the test: past the repeat delay, and no repeat.
    PumpFor(250);
    EXPECT_EQ(d.Repeats, held);
    EXPECT_EQ(d.ButtonPixel(d.Buttons[1], 20, 4), kHover.At(20, 4));

    // Over the link: the hover colour.
    PostMouseMove(d.Form->Handle(), d.Link->Left() + 5, d.Link->Top() + 5);
    ASSERT_TRUE(PumpUntil([&] { return d.Link->Font()->GetColor() == clRed; }));
    PumpIdle();
    SaveWindowPng(d.Form->Handle(), "skinned-demo-4-link-hover.png");
}
