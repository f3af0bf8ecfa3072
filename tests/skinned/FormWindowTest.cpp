// A real form wearing the skinned frame under Xvfb: its look in every style, maximising,
// the title-bar buttons, the menu bar, the keys it answers, the private message between
// frame and title bar, and taking the frame off again.
#include "SkinnedTesting.h"

#include "../framework/PopupChoice.h"
#include "FrameTesting.h"
#include "common/MessageLog.h"
#include "controls/skinned/SkPublic.h"

#include <gtest/gtest.h>

namespace {

bool InRegion(HWND wnd, int x, int y) {
    TGdiHandle rgn(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(wnd, static_cast<HRGN>(rgn.Get())) == ERROR) return true;   // no shape: all of it
    return PtInRegion(static_cast<HRGN>(rgn.Get()), x, y) != 0;
}

// The part of the window that lies on the screen (a maximised frame reaches past its edges,
// and a copy from outside the screen gives nothing at all).
bool SaveOnScreenPart(HWND wnd, const std::string& name) {
    RECT r{};
    GetWindowRect(wnd, &r);
    const TRect part(std::max<int>(r.left, 0), std::max<int>(r.top, 0), std::min<int>(r.right, GetSystemMetrics(SM_CXSCREEN)),
                     std::min<int>(r.bottom, GetSystemMetrics(SM_CYSCREEN)));
    if (part.IsEmpty()) return false;
    TBitmap shot(part.Width(), part.Height());
    TWindowDC screen(nullptr);
    BitBlt(shot.Canvas()->Handle(), 0, 0, part.Width(), part.Height(), screen.Get(), part.Left, part.Top, SRCCOPY);
    return SaveBitmapPng(shot, name);
}

// Answers the menu bar's drop-down menus: a screenshot, then the keys.
class TDropDownAnswer {
public:
    TDropDownAnswer(std::vector<WORD> keys, std::string shot = {}) {
        previous_ = TToolBar::SetDropDownHook([this, keys, shot](TToolBar& bar, HWND menuWindow) {
            ++Opened;
            Dropped = bar.DroppedButton();
            if (!shot.empty() && menuWindow) {
                RedrawWindow(menuWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                Shot = SaveWindowPng(menuWindow, shot);
            }
            for (WORD key : keys) PostMessageA(menuWindow, WM_KEYDOWN, key, 0);
        });
    }
    ~TDropDownAnswer() { TToolBar::SetDropDownHook(std::move(previous_)); }
    int Opened = 0;
    bool Shot = false;
    TToolButton* Dropped = nullptr;
private:
    TToolBar::TDropDownHook previous_;
};

}  // namespace

TEST(FormFrameWindow, TheFormHasNoCaptionAndItsClientAreaIsTheWholeWindow) {
    TFramedForm f;
    f.Show();
    EXPECT_EQ(GetWindowLongPtrA(f.Wnd(), GWL_STYLE) & WS_CAPTION, 0);
    RECT client;
    GetClientRect(f.Wnd(), &client);
    EXPECT_EQ(client.right, f.WindowRect().Width());
    EXPECT_EQ(client.bottom, f.WindowRect().Height());
}

TEST(FormFrameWindow, EveryStyleGivesTheFormItsShapeAndLook) {
    for (TskUIStyle style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass}) {
        TFramedForm f(style);
        f.Show();
        const std::string name = "frame-" + LowerCase(EnumToIdent(style)) + ".png";
        SCOPED_TRACE(name);
        EXPECT_TRUE(SaveWindowPng(f.Wnd(), name));
        const bool rounded = StyleInt(style, SkKey::FormRoundCornerInt) > 0;
        EXPECT_EQ(InRegion(f.Wnd(), 0, 0), !rounded);
        EXPECT_TRUE(InRegion(f.Wnd(), 0, f.WindowRect().Height() - 1));
        EXPECT_EQ(f.Frame->TitleBar()->Top(), 3);
        EXPECT_EQ(f.Frame->MenuBar()->Top(), 3 + f.Frame->TitleBar()->Height());
    }
}

TEST(FormFrameWindow, AThemeFileDressesTheFrameAndItsBorderPictureWidthReachesTheTitleBar) {
    // The theme borrows the title pictures of a built-in style and adds borders of its own.
    TBitmap left, bottom, titleLeft, titleClient, titleRight, buttons;
    FillBitmap(left, 6, 12, MakeColor(0x6A3C1C));
    FillBitmap(bottom, 30, 6, MakeColor(0x6A3C1C));
    LoadStyleBitmap(Protein, SkKey::TitleBarLeftImage, &titleLeft);
    LoadStyleBitmap(Protein, SkKey::TitleBarClientImage, &titleClient);
    LoadStyleBitmap(Protein, SkKey::TitleBarRightImage, &titleRight);
    LoadStyleBitmap(Protein, SkKey::TitleBarButtonImage, &buttons);
    TFramedForm f;
    auto* theme = TskFileTheme::Create(f.Form.get());
    theme->SetThemeFile(WriteTestFile("frame.skn", TThemeFileBuilder()
                                                       .Int("FormBackgroundColor", 0xF0E0D0)
                                                       .Int("FormBorderColor", 0x402010)
                                                       .Int("FormBorderWidthInt", 1)
                                                       .Int("MenuMenuBarColor", 0xE0C8B0)
                                                       .Int("TitleBarFontColor", 0x000000)
                                                       .Int("TitleBarButtonTopInt", 2)
                                                       .Byte("TitleBarButtonTransparentBool", 1)
                                                       .Picture("TitleBarLeftImage", titleLeft)
                                                       .Picture("TitleBarClientImage", titleClient)
                                                       .Picture("TitleBarRightImage", titleRight)
                                                       .Picture("TitleBarButtonImage", buttons)
                                                       .Picture("FormLeftBorderImage", left)
                                                       .Picture("FormBottomBorderImage", bottom)
                                                       .Build()));
    f.Frame->SetFileTheme(theme);
    f.Frame->SetUIStyle(FromThemeFile);
    f.Show();
    EXPECT_TRUE(SaveWindowPng(f.Wnd(), "frame-theme.png"));
    EXPECT_EQ(f.Frame->GetColor(), MakeColor(0xF0E0D0));
    EXPECT_EQ(f.Frame->GetMenuBarColor(), MakeColor(0xE0C8B0));
    EXPECT_EQ(f.Form->Perform(SKM_RIGHTBORDERWIDTH), 6);
    EXPECT_EQ(f.Frame->TitleBar()->RightBorderWidth(), 6);
    RECT client;
    GetClientRect(f.Wnd(), &client);
    EXPECT_EQ(client.right, f.WindowRect().Width() - 2 * 4);
}

TEST(FormFrameWindow, AThemeLoadedWhileTheFormShowsRecomputesItsBorders) {
    TBitmap left;
    FillBitmap(left, 6, 12, MakeColor(0x6A3C1C));
    TFramedForm f;
    auto* theme = TskFileTheme::Create(f.Form.get());
    f.Frame->SetUIStyle(FromThemeFile);
    f.Frame->SetFileTheme(theme);
    f.Show();
    RECT client;
    GetClientRect(f.Wnd(), &client);
    ASSERT_EQ(client.right, f.WindowRect().Width());

    theme->SetThemeFile(WriteTestFile("late.skn", TThemeFileBuilder().Picture("FormLeftBorderImage", left).Build()));
    GetClientRect(f.Wnd(), &client);
    EXPECT_EQ(client.right, f.WindowRect().Width() - 2 * 4);
}

TEST(FormFrameWindow, TheTitleBarAsksTheFrameThroughItsFormsPrivateMessage) {
    TFramedForm f;
    f.Show();
    TMessageLog log;
    log.Watch(f.Form.get(), {SKM_RIGHTBORDERWIDTH});
    f.Frame->TitleBar()->Repaint();
    EXPECT_GE(log.Count(SKM_RIGHTBORDERWIDTH), 1);
    EXPECT_EQ(f.Form->Perform(SKM_RIGHTBORDERWIDTH), 0);
}

TEST(FormFrameWindow, MaximiseCoversTheWorkAreaAndRestoreGivesTheBoundsBack) {
    TFramedForm f;
    f.Show();
    const TRect normal = f.WindowRect();
    const TPoint max = f.ButtonCentre(skMax);
    f.Press(max, max);
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(f.Wnd()) != 0; }, 1000));
    f.Settle();
    EXPECT_EQ(f.WindowRect(), SkFormMaximizedRect(GetWorkArea()));
    EXPECT_TRUE(SaveOnScreenPart(f.Wnd(), "frame-maximised.png"));
    TBitmap restore;
    LoadStyleBitmapFrame(DeepBlue, SkKey::TitleBarButtonImage, &restore, 18, 10);
    TBitmap shown;
    for (int i = 0; i < f.Frame->TitleBar()->GetButtons()->Count(); ++i)
        if (f.Frame->TitleBar()->GetButtons()->Items(i)->GetButtonType() == skMax)
            shown.Assign(f.Frame->TitleBar()->GetButtons()->Items(i)->GetPicNormal()->Graphic());
    EXPECT_EQ(PixelAt(shown, 9, 9), PixelAt(restore, 9, 9));

    const TPoint again = f.ButtonCentre(skMax);
    f.Press(again, again);
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(f.Wnd()) == 0; }, 1000));
    EXPECT_EQ(f.WindowRect(), normal);
}

TEST(FormFrameWindow, ATitleButtonActsOnlyWhenReleasedOverTheButtonPressed) {
    TFramedForm f;
    f.Show();
    f.Press(f.ButtonCentre(skClose), f.ButtonCentre(skMax));
    EXPECT_TRUE(IsWindowVisible(f.Wnd()));
    EXPECT_FALSE(IsZoomed(f.Wnd()));
    f.Press(f.ButtonCentre(skMax), f.ButtonCentre(skClose));
    EXPECT_TRUE(IsWindowVisible(f.Wnd()));
    EXPECT_FALSE(IsZoomed(f.Wnd()));
    f.Press(f.ButtonCentre(skClose), f.ButtonCentre(skClose));
    EXPECT_FALSE(IsWindowVisible(f.Wnd()));
}

TEST(FormFrameWindow, PressingTheBarOutsideTheButtonsDragsTheWindow) {
    TFramedForm f;
    f.Show();
    bool dragged = false;
    // Stands in for the system's move loop, which would wait for the real mouse.
    TWindowProcHook spy(f.Form.get(), [&](TMessage& m, const TWndMethod& next) {
        if (m.Msg == WM_NCLBUTTONDOWN && m.WParam == HTCAPTION) {
            dragged = true;
            return;
        }
        next(m);
    });
    const TPoint empty(f.Frame->TitleBar()->Width() / 2, 6);
    PostMessageA(f.Frame->TitleBar()->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(empty.X, empty.Y));
    PumpIdle();
    EXPECT_TRUE(dragged);
}

TEST(FormFrameWindow, DoubleClickingTheBarOfAMaximisedFormRestoresIt) {
    TFramedForm f;
    f.Show();
    f.Form->SetWindowState(wsMaximized);
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(f.Wnd()) != 0; }, 1000));
    const TPoint empty = f.Frame->TitleBar()->ClientToScreen(TPoint(f.Frame->TitleBar()->Width() / 2, 6));
    SetCursorPos(empty.X, empty.Y);
    const TPoint local = f.Frame->TitleBar()->ScreenToClient(empty);
    PostMessageA(f.Frame->TitleBar()->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(local.X, local.Y));
    EXPECT_TRUE(PumpUntil([&] { return IsZoomed(f.Wnd()) == 0; }, 1000));
}

TEST(FormFrameWindow, TheMenuBarDropsASubMenuDrawnByTheSkinnedMenu) {
    TFramedForm f(WinXP);
    f.Show();
    TskMenuBar* bar = f.Frame->MenuBar();
    ASSERT_EQ(bar->ButtonCount(), 3);
    EXPECT_EQ(bar->Buttons(0)->GetCaption(), "&File");
    TToolButton* edit = bar->Buttons(1);
    TDropDownAnswer answer({VK_DOWN, VK_RETURN}, "frame-menu-open.png");
    PostMessageA(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(edit->Left() + 4, edit->Top() + 4));
    EXPECT_TRUE(PumpUntil([&] { return f.Opened > 0; }));
    EXPECT_EQ(answer.Opened, 1);
    EXPECT_EQ(answer.Dropped, edit);
    EXPECT_TRUE(answer.Shot);
}

TEST(FormFrameWindow, MenuShortcutsWorkOnTheActiveFormOnly) {
    TFramedForm f;
    TMenuItem* open = f.Menu->Items()->Items(0)->Items(0);
    open->SetShortCut(VK_F7);
    TFormGuard<TForm> other(TForm::Create(nullptr, false));
    other->SetBounds(480, 60, 200, 150);
    f.Show();
    other->Show();
    ASSERT_TRUE(PumpUntil([&] { return other->Active(); }, 1000));
    PostMessageA(other->Handle(), WM_KEYDOWN, VK_F7, 0);
    PumpIdle();
    EXPECT_EQ(f.Opened, 0);

    f.Form->Show();
    ASSERT_TRUE(PumpUntil([&] { return f.Form->Active(); }, 1000));
    PostMessageA(f.Wnd(), WM_KEYDOWN, VK_F7, 0);
    EXPECT_TRUE(PumpUntil([&] { return f.Opened == 1; }, 1000));
}

TEST(FormFrameWindow, AltSpaceOpensTheWindowMenuOfTheActiveFormOnly) {
    TFramedForm f;
    TFormGuard<TForm> other(TForm::Create(nullptr, false));
    other->SetBounds(480, 60, 200, 150);
    f.Show();
    other->Show();
    ASSERT_TRUE(PumpUntil([&] { return other->Active(); }, 1000));
    TPopupChoice choice({VK_ESCAPE});
    PostMessageA(other->Handle(), WM_SYSCHAR, VK_SPACE, 0);
    PumpIdle();
    EXPECT_EQ(choice.Opened, 0);

    f.Form->Show();
    ASSERT_TRUE(PumpUntil([&] { return f.Form->Active(); }, 1000));
    PostMessageA(f.Wnd(), WM_SYSCHAR, VK_SPACE, 0);
    EXPECT_TRUE(PumpUntil([&] { return choice.Opened == 1; }, 2000));
    EXPECT_EQ(choice.OpenedMenu, f.Frame->TitleBar()->PopupMenu());
}

TEST(FormFrameWindow, TakingTheFrameOffLeavesTheFormAsItWas) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    form->SetBounds(60, 60, 360, 240);
    form->SetBorderStyle(bsSingle);
    form->Show();
    PumpIdle();
    HWND before = form->Handle();
    const LONG_PTR style = GetWindowLongPtrA(before, GWL_STYLE);
    const std::type_info& handler = form->WindowProc.target_type();
    RECT client;
    GetClientRect(before, &client);

    auto* frame = TskForm::Create(form.get());
    frame->SetUIStyle(WinXP);
    PumpIdle();
    frame->Free();
    PumpIdle();

    EXPECT_EQ(form->GetBorderStyle(), bsSingle);
    EXPECT_EQ(GetWindowLongPtrA(form->Handle(), GWL_STYLE) & WS_CAPTION, style & WS_CAPTION);
    EXPECT_EQ(form->WindowProc.target_type(), handler);
    EXPECT_EQ(form->Perform(SKM_RIGHTBORDERWIDTH), 0);
    EXPECT_TRUE(InRegion(form->Handle(), 0, 0));
    RECT after;
    GetClientRect(form->Handle(), &after);
    EXPECT_EQ(after.bottom, client.bottom);
    EXPECT_EQ(form->Constraints()->GetMinWidth(), 0);
}
