// The look the main window's layout stores for its six menus and its two option boxes, read
// back from the running window and seen in menus opened as a user opens them.
#include "MainFormTesting.h"
#include "common/MenuShot.h"
#include "controls/framed/FcRadChk.h"
#include "controls/skinned/ArButton.h"
#include "controls/skinned/SkPopupMenu.h"

using namespace mainform;

namespace {

using MainFormLook = MainFormTest;

TColor Rgb(TColor c) { return ColorToRGB(c); }

// The selection colours each style's menus store after the style.
struct TStoredSelection {
    TskUIStyle Style;
    TColor Border, Background, Font;
};
constexpr TStoredSelection kWinXP{WinXP, MakeColor(13003057), MakeColor(15717318), clBlack};
constexpr TStoredSelection kDeepBlue{DeepBlue, MakeColor(10504772), MakeColor(10504772), clWhite};

void ExpectStoredLook(TskPopupMenu* menu, const TStoredSelection& selection) {
    SCOPED_TRACE(menu->Name());
    EXPECT_EQ(menu->GetUIStyle(), selection.Style);
    EXPECT_EQ(menu->GetMenuItemHeight(), 21);
    EXPECT_EQ(menu->GetSeparatorHeight(), 5);
    EXPECT_EQ(menu->GetBarWidth(), 26);
    EXPECT_EQ(menu->GetBarColor(), MakeColor(16373439));
    EXPECT_EQ(menu->GetColor(), clWhite);
    EXPECT_EQ(menu->GetSeparatorColor(), clSkyBlue);
    EXPECT_EQ(menu->GetSelectedBorderColor(), selection.Border);
    EXPECT_EQ(menu->GetSelectedColor(), selection.Background);
    EXPECT_EQ(menu->GetSelectedFontColor(), selection.Font);
    EXPECT_EQ(menu->GetFontColor(), clBlack);
    EXPECT_EQ(menu->GetBorderColor(), clBlack);
    EXPECT_FALSE(menu->GetFlatMenu());
    EXPECT_EQ(menu->GetFontName(), "MS Sans Serif");
    EXPECT_EQ(menu->GetFontSize(), 8);
    EXPECT_TRUE(menu->GetUseSystemFont());
}

// Where in an opened menu to look: the selected item, a separator and an enabled item at rest.
struct TShotItems {
    size_t Selected, Line, Resting;
};

// The selection band, the separator's line, and the bar, background and caption of an item
// at rest, each in the colour the menu stores.
void ExpectDrawnInStoredColours(const TMenuShot& shot, TskPopupMenu* menu, const TShotItems& at) {
    SCOPED_TRACE(menu->Name());
    ASSERT_TRUE(shot.Taken);
    ASSERT_GT(shot.Items.size(), std::max({at.Selected, at.Line, at.Resting}));
    const TRect& selected = shot.Items[at.Selected];
    const TRect& line = shot.Items[at.Line];
    const TRect& resting = shot.Items[at.Resting];
    EXPECT_EQ(selected.Height(), 21);
    EXPECT_EQ(line.Height(), 5);
    EXPECT_EQ(PixelAt(shot.Shot, selected.Left, selected.Top + 10), Rgb(menu->GetSelectedBorderColor()));
    EXPECT_EQ(PixelAt(shot.Shot, selected.Right - 3, selected.Top + 10), Rgb(menu->GetSelectedColor()));
    EXPECT_EQ(PixelAt(shot.Shot, line.Left + 40, line.Top + 2), Rgb(clSkyBlue));
    EXPECT_EQ(PixelAt(shot.Shot, line.Left + 2, line.Top + 2), Rgb(menu->GetBarColor()));
    EXPECT_EQ(PixelAt(shot.Shot, resting.Left + 2, resting.Top + 1), Rgb(menu->GetBarColor()));
    EXPECT_EQ(PixelAt(shot.Shot, resting.Right - 3, resting.Top + 1), clWhite);
    // The caption at rest is written in FontColor, black.
    const TRect text(resting.Left + 30, resting.Top, resting.Right, resting.Bottom);
    EXPECT_GT(CountPixels(shot.Shot, clBlack, text), 10);
}

}  // namespace

TEST_F(MainFormLook, EveryMenuStoresItsStyleThenTheSameSizesAndColours) {
    TMainForm& form = Form();
    for (TskPopupMenu* menu : {form.pmFile, form.pmView, form.pmTools, form.pmHelp}) ExpectStoredLook(menu, kWinXP);
    for (TskPopupMenu* menu : {form.pmPLRightClick, form.pmSLRightClick}) ExpectStoredLook(menu, kDeepBlue);
}

TEST_F(MainFormLook, OptionBoxesKeepTheirStoredFontAndState) {
    TMainForm& form = Form(true);
    TBitmap shot;
    ASSERT_TRUE(CaptureWindow(form.WindowHandle(), shot));
    SaveBitmapPng(shot, "mainform-options.png");
    for (TFcCheckBox* box : {form.ckbHidePatch, form.ckbHideScr}) {
        SCOPED_TRACE(box->Name());
        EXPECT_EQ(box->Font()->GetName(), "Verdana");
        EXPECT_EQ(box->Font()->GetHeight(), -11);
        EXPECT_EQ(box->Font()->GetColor(), clWindow);
        EXPECT_FALSE(box->GetParentFont());
        EXPECT_EQ(box->GetState(), cbUnchecked) << "both options start off in the sandbox";
        EXPECT_TRUE(box->GetTransparent());
        // The caption reaches the screen in the window colour.
        const TPoint at = form.ScreenToClient(box->ClientToScreen(TPoint(0, 0)));
        const TRect caption(at.X + 17, at.Y, at.X + box->Width(), at.Y + box->Height());
        EXPECT_GT(CountPixels(shot, Rgb(clWindow), caption), 10);
    }
}

TEST_F(MainFormLook, MenuButtonOpensItsMenuInTheStoredWinXPColours) {
    TMainForm& form = Form(true);
    TMenuShot shot({VK_DOWN});   // the first item selected
    PostClick(form.btnFile->WindowHandle(), 10, 10);
    PumpUntil([&] { return shot.Taken; }, 5000);
    SaveBitmapPng(shot.Shot, "mainform-menu-WinXP.png");
    // New Program, a line, Export Registry Info (disabled), Reload Registry Info, ...
    ExpectDrawnInStoredColours(shot, form.pmFile, {0, 1, 3});
}

TEST_F(MainFormLook, RightClickOnAProgramOpensItsMenuInTheStoredDeepBlueColours) {
    TMainForm& form = Form(true);
    TListItem* alpha = Row("Velmora Test Alpha");
    ASSERT_NE(alpha, nullptr);
    const TRect cell = alpha->DisplayRectSubItem(0, drBounds);
    HWND list = form.lsvProgramList->WindowHandle();
    const LPARAM at = MAKELPARAM(cell.Left + 10, (cell.Top + cell.Bottom) / 2);
    // A left click selects the row; the right click then opens the row's menu.
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    PumpIdle();
    TMenuShot shot({VK_DOWN});
    PostMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageA(list, WM_RBUTTONUP, 0, at);
    PumpUntil([&] { return shot.Taken; }, 5000);
    SaveBitmapPng(shot.Shot, "mainform-menu-DeepBlue.png");
    // Uninstall, Comment Entry..., Registry Editor, Export Registry Info, a line, ...
    ExpectDrawnInStoredColours(shot, form.pmPLRightClick, {0, 4, 2});
}
