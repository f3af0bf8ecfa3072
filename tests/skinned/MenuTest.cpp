// The skinned popup menu: its style writer, measuring and drawing on memory canvases, and
// real popups in each style under Xvfb.
#include "SkinnedTesting.h"

#include "../framework/FormTesting.h"
#include "../framework/PopupChoice.h"
#include "common/MenuShot.h"
#include "controls/skinned/SkForm.h"
#include "controls/skinned/SkMenu.h"
#include "controls/skinned/SkPopupMenu.h"
#include "framework/Guards.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

constexpr TskUIStyle kBuiltIn[] = {MacOS, WinXP, DeepBlue, Protein, BlueGlass};
constexpr TColor kGrey = MakeColor(0x808080);
constexpr TColor kBackdrop = MakeColor(0xFF00FF);

TColor Rgb(TColor c) { return ColorToRGB(c); }

// A right-to-left system, which Wine never reports.
class TRightToLeftMenu : public TskPopupMenu {
public:
    using TskPopupMenu::TskPopupMenu;
protected:
    bool SystemReadsRightToLeft() const override { return true; }
};

// Columns of r that hold a pixel other than bg: {leftmost, rightmost}, {INT_MAX, -1} when none.
std::pair<int, int> InkColumns(const TBitmap& b, const TRect& r, TColor bg) {
    std::pair<int, int> ink{INT_MAX, -1};
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (PixelAt(b, x, y) != bg) {
                ink.first = std::min(ink.first, x);
                ink.second = std::max(ink.second, x);
            }
    return ink;
}

// 16x16 pictures for the menus' image list: a filled disc and a filled square.
void AddTestImages(TCustomImageList& images) {
    TBitmap b;
    FillBitmap(b, 32, 16, clWhite);
    b.Canvas()->Brush()->SetColor(MakeColor(0x2090E0));
    b.Canvas()->Pen()->SetColor(MakeColor(0x106090));
    b.Canvas()->Ellipse(1, 1, 15, 15);
    b.Canvas()->Brush()->SetColor(MakeColor(0x30A040));
    b.Canvas()->Pen()->SetColor(MakeColor(0x206020));
    b.Canvas()->Rectangle(18, 2, 30, 14);
    images.AddMasked(&b, clWhite);
}

class SkinnedMenu : public ::testing::Test {
protected:
    TMenuItem* Add(const std::string& caption, TskPopupMenu* to = nullptr) {
        TskPopupMenu* m = to ? to : menu.get();
        TMenuItem* item = TMenuItem::Create(m);
        item->SetCaption(caption);
        m->Items()->Add(item);
        return item;
    }
    // The item drawn on a canvas of w x h filled with kBackdrop.
    void Draw(TBitmap& b, TMenuItem* item, TOwnerDrawState state = {}, int w = 200, int h = 21) {
        FillBitmap(b, w, h, kBackdrop);
        menu->DrawMenuItem(item, b.Canvas(), TRect(0, 0, w, h), state);
    }
    TFreeGuard<TskPopupMenu> menu{TskPopupMenu::Create(nullptr)};
};

}  // namespace

// ---------------------------------------------------------------------------------------
// Properties

TEST_F(SkinnedMenu, EachStyleGivesItsSixMenuColours) {
    for (TskUIStyle style : kBuiltIn) {
        menu->SetUIStyle(style);
        SCOPED_TRACE(EnumToIdent(style));
        EXPECT_EQ(menu->GetBarColor(), StyleColor(style, SkKey::MenuBarColor));
        EXPECT_EQ(menu->GetColor(), StyleColor(style, SkKey::MenuBackgroundColor));
        EXPECT_EQ(menu->GetFontColor(), StyleColor(style, SkKey::MenuFontColor));
        EXPECT_EQ(menu->GetSelectedBorderColor(), StyleColor(style, SkKey::MenuSelectedBorderColor));
        EXPECT_EQ(menu->GetSelectedColor(), StyleColor(style, SkKey::MenuSelectedBackgroundColor));
        EXPECT_EQ(menu->GetSelectedFontColor(), StyleColor(style, SkKey::MenuSelectedFontColor));
        EXPECT_EQ(menu->GetBarWidth(), 26);
    }
}

TEST_F(SkinnedMenu, MacOSFixesTheHeightsAndOtherStylesRestoreThem) {
    menu->SetUIStyle(MacOS);
    EXPECT_EQ(menu->GetMenuItemHeight(), 20);
    EXPECT_EQ(menu->GetSeparatorHeight(), 12);
    EXPECT_EQ(menu->GetSeparatorColor(), clBlack);
    menu->SetMenuItemHeight(30);
    menu->SetSeparatorHeight(9);
    EXPECT_EQ(menu->GetMenuItemHeight(), 20);
    EXPECT_EQ(menu->GetSeparatorHeight(), 12);

    menu->SetUIStyle(Protein);
    EXPECT_EQ(menu->GetMenuItemHeight(), 21);
    EXPECT_EQ(menu->GetSeparatorHeight(), 5);
    EXPECT_EQ(menu->GetSeparatorColor(), MakeColor(0x848284));
    menu->SetMenuItemHeight(30);
    EXPECT_EQ(menu->GetMenuItemHeight(), 30);
}

TEST_F(SkinnedMenu, AStyleSetAfterExplicitColoursReplacesThem) {
    menu->SetColor(clRed);
    menu->SetSelectedColor(clLime);
    menu->SetBarWidth(5);
    menu->SetUIStyle(WinXP);
    EXPECT_EQ(menu->GetColor(), StyleColor(WinXP, SkKey::MenuBackgroundColor));
    EXPECT_EQ(menu->GetSelectedColor(), StyleColor(WinXP, SkKey::MenuSelectedBackgroundColor));
    EXPECT_EQ(menu->GetBarWidth(), 26);
}

TEST_F(SkinnedMenu, StoringOwnerDrawOffLeavesItOwnerDrawn) {
    SetPropValue(menu.get(), "OwnerDraw", TValue::MakeIdent("False"));
    menu->SetOwnerDraw(false);
    EXPECT_TRUE(menu->GetOwnerDraw());
    EXPECT_TRUE(menu->IsOwnerDraw());
    EXPECT_EQ(GetPropText(menu.get(), "OwnerDraw"), "True");
}

TEST_F(SkinnedMenu, AThemeFileGivesTheColoursAndItsRemovalFallsBackToDeepBlue) {
    TThemeFileBuilder b;
    b.Int("MenuBarColor", 0x112233).Int("MenuBackgroundColor", 0x445566).Int("menuselectedbackgroundcolor", 0x778899);
    TFreeGuard<TskFileTheme> theme(TskFileTheme::Create(nullptr));
    theme->SetThemeFile(WriteTestFile("menu.skn", b.Build()));

    menu->SetUIStyle(FromThemeFile);
    EXPECT_EQ(menu->GetBarColor(), StyleColor(DeepBlue, SkKey::MenuBarColor));   // no theme yet
    menu->SetFileTheme(theme.get());
    EXPECT_EQ(menu->GetBarColor(), MakeColor(0x112233));
    EXPECT_EQ(menu->GetColor(), MakeColor(0x445566));
    EXPECT_EQ(menu->GetSelectedColor(), MakeColor(0x778899));
    // Keys the file lacks: DeepBlue's.
    EXPECT_EQ(menu->GetSelectedFontColor(), StyleColor(DeepBlue, SkKey::MenuSelectedFontColor));

    theme.reset();
    EXPECT_EQ(menu->GetFileTheme(), nullptr);
    EXPECT_EQ(menu->GetUIStyle(), DeepBlue);
    EXPECT_EQ(menu->GetBarColor(), StyleColor(DeepBlue, SkKey::MenuBarColor));
}

TEST_F(SkinnedMenu, ANewMenuTakesTheStyleOfTheOwnerFormsFrame) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    TskForm::Create(form.get())->SetUIStyle(Protein);
    TskPopupMenu* owned = TskPopupMenu::Create(form.get());
    EXPECT_EQ(owned->GetUIStyle(), Protein);
    EXPECT_EQ(owned->GetSelectedColor(), StyleColor(Protein, SkKey::MenuSelectedBackgroundColor));
}

// ---------------------------------------------------------------------------------------
// Measuring

TEST_F(SkinnedMenu, ItemsAreMeasuredInTheFontTheyAreDrawnIn) {
    TMenuItem* item = Add("Refresh the list");
    item->SetShortCut(ShortCut(VK_F5, {}));
    TMenuItem* line = Add("-");

    TBitmap scratch(1, 1);
    TCanvas& canvas = *scratch.Canvas();
    int w = 0, h = 0;
    menu->MeasureMenuItem(line, &canvas, w, h);
    EXPECT_EQ(h, 5);
    menu->MeasureMenuItem(item, &canvas, w, h);
    EXPECT_EQ(h, 21);
    SetSystemMenuFont(canvas.Font());
    EXPECT_EQ(w, canvas.TextWidth("Refresh the list") + canvas.TextWidth("F5") + 26 + 40);

    // A larger font of the menu's own and a bold default item measure wider, whatever font
    // the canvas came with.
    canvas.Font()->SetSize(6);
    int plain = 0;
    menu->MeasureMenuItem(item, &canvas, plain, h);
    EXPECT_EQ(plain, w);
    item->SetDefault(true);
    int bold = 0;
    menu->MeasureMenuItem(item, &canvas, bold, h);
    EXPECT_GT(bold, plain);
    menu->SetUseSystemFont(false);
    menu->SetFontSize(16);
    int large = 0;
    menu->MeasureMenuItem(item, &canvas, large, h);
    EXPECT_GT(large, bold + 20);
}

// ---------------------------------------------------------------------------------------
// Drawing, pixel by pixel

TEST_F(SkinnedMenu, AnItemShowsTheBarTheBackgroundAndItsCaptionAfterTheBar) {
    menu->SetUIStyle(WinXP);
    menu->SetBarColor(MakeColor(0xF9D6BF));
    TBitmap b;
    Draw(b, Add("Wide"));
    EXPECT_EQ(PixelAt(b, 0, 0), Rgb(menu->GetBarColor()));
    EXPECT_EQ(PixelAt(b, 25, 20), Rgb(menu->GetBarColor()));
    EXPECT_EQ(PixelAt(b, 26, 0), Rgb(menu->GetColor()));
    EXPECT_EQ(PixelAt(b, 199, 20), Rgb(menu->GetColor()));
    auto ink = InkColumns(b, TRect(26, 0, 200, 21), Rgb(menu->GetColor()));
    EXPECT_GE(ink.first, 30);
    EXPECT_LE(ink.first, 33);
    EXPECT_GT(CountPixels(b, Rgb(menu->GetFontColor()), TRect(30, 4, 80, 21)), 5);
}

TEST_F(SkinnedMenu, ASelectedItemIsOneFramedBandOverTheBar) {
    menu->SetUIStyle(WinXP);
    TBitmap b;
    Draw(b, Add("Item"), {odSelected});
    EXPECT_EQ(PixelAt(b, 0, 0), Rgb(menu->GetSelectedBorderColor()));
    EXPECT_EQ(PixelAt(b, 199, 20), Rgb(menu->GetSelectedBorderColor()));
    EXPECT_EQ(PixelAt(b, 5, 10), Rgb(menu->GetSelectedColor()));
    EXPECT_EQ(PixelAt(b, 150, 10), Rgb(menu->GetSelectedColor()));
    EXPECT_GT(CountPixels(b, Rgb(menu->GetSelectedFontColor()), TRect(30, 4, 80, 21)), 5);
}

TEST_F(SkinnedMenu, ADisabledSelectedItemKeepsItsBackgroundAndGreyText) {
    menu->SetUIStyle(DeepBlue);
    TMenuItem* item = Add("Disabled");
    item->SetEnabled(false);
    TBitmap b;
    Draw(b, item, {odSelected});
    EXPECT_EQ(PixelAt(b, 5, 10), Rgb(menu->GetBarColor()));
    EXPECT_EQ(PixelAt(b, 150, 10), Rgb(menu->GetColor()));
    EXPECT_EQ(CountPixels(b, Rgb(menu->GetSelectedColor()), TRect(0, 0, 200, 21)), 0);
    EXPECT_GT(CountPixels(b, kGrey, TRect(30, 4, 90, 21)), 5);
    EXPECT_EQ(CountPixels(b, Rgb(menu->GetFontColor()), TRect(30, 4, 90, 21)), 0);
}

TEST_F(SkinnedMenu, WithoutABarTheCaptionStartsFourPixelsIn) {
    menu->SetBarWidth(0);
    TBitmap b;
    Draw(b, Add("Wide"));
    EXPECT_EQ(PixelAt(b, 1, 1), Rgb(menu->GetColor()));
    auto ink = InkColumns(b, TRect(0, 0, 200, 21), Rgb(menu->GetColor()));
    EXPECT_GE(ink.first, 4);
    EXPECT_LE(ink.first, 7);
}

TEST_F(SkinnedMenu, TheShortcutIsRightAlignedSixteenPixelsFromTheEdge) {
    TMenuItem* item = Add("");
    item->SetShortCut(ShortCut(VK_F5, {}));
    TBitmap b;
    Draw(b, item);
    auto ink = InkColumns(b, TRect(26, 0, 200, 21), Rgb(menu->GetColor()));
    EXPECT_LE(ink.second, 200 - 16);
    EXPECT_GE(ink.second, 200 - 16 - 3);
}

TEST_F(SkinnedMenu, ACheckedItemWithoutAnImageShowsTheCheckMark) {
    TMenuItem* item = Add("Checked");
    item->SetChecked(true);
    TBitmap b;
    Draw(b, item);
    // The mark is drawn at (4, 3), 16 x 16, inside the bar; white around it stays the bar.
    EXPECT_EQ(PixelAt(b, 4, 3), Rgb(menu->GetBarColor()));
    EXPECT_GT(InkColumns(b, TRect(4, 3, 20, 19), Rgb(menu->GetBarColor())).second, 0);
    EXPECT_EQ(InkColumns(b, TRect(0, 0, 4, 21), Rgb(menu->GetBarColor())).second, -1);

    // An image index past the list's end counts as no image: the mark, no box.
    TFreeGuard<TImageList> images(TImageList::Create(nullptr));
    AddTestImages(*images);
    menu->SetImages(images.get());
    item->SetImageIndex(5);
    TBitmap c;
    Draw(c, item);
    EXPECT_EQ(PixelAt(c, 2, 1), Rgb(menu->GetBarColor()));
    EXPECT_GT(InkColumns(c, TRect(4, 3, 20, 19), Rgb(menu->GetBarColor())).second, 0);
}

TEST_F(SkinnedMenu, ACheckedItemWithAnImageShowsItOnAFramedBox) {
    TFreeGuard<TImageList> images(TImageList::Create(nullptr));
    AddTestImages(*images);
    menu->SetImages(images.get());
    TMenuItem* item = Add("Pinned");
    item->SetImageIndex(1);
    item->SetChecked(true);
    TBitmap b;
    Draw(b, item);
    EXPECT_EQ(PixelAt(b, 2, 1), clBlack);             // the frame at (x - 2, top + 1)
    EXPECT_EQ(PixelAt(b, 20, 20), Rgb(menu->GetBarColor()));
    EXPECT_EQ(PixelAt(b, 3, 2), Rgb(menu->GetSelectedColor()));   // the box at (x - 1, top + 2)
    EXPECT_EQ(PixelAt(b, 10, 10), MakeColor(0x30A040));          // the image on it
}

TEST_F(SkinnedMenu, SeparatorsAreABarTheBackgroundAndOneLine) {
    menu->SetUIStyle(WinXP);
    menu->SetSeparatorColor(clRed);
    TBitmap b;
    Draw(b, Add("-"), {}, 200, 5);
    EXPECT_EQ(PixelAt(b, 3, 2), Rgb(menu->GetBarColor()));
    EXPECT_EQ(PixelAt(b, 29, 2), Rgb(menu->GetColor()));
    EXPECT_EQ(PixelAt(b, 30, 2), clRed);      // from bar width + 4 ...
    EXPECT_EQ(PixelAt(b, 197, 2), clRed);     // ... to right - 2 (exclusive)
    EXPECT_EQ(PixelAt(b, 198, 2), Rgb(menu->GetColor()));
    EXPECT_EQ(CountPixels(b, clRed, TRect(0, 0, 200, 5)), 168);
}

TEST_F(SkinnedMenu, MacOSDrawsItsBandsFromTheBitmaps) {
    menu->SetUIStyle(MacOS);
    TBitmap bar, select;
    LoadStyleBitmapResource("MACOS_MENU_BAR", bar);
    LoadStyleBitmapResource("MACOS_MENU_SELECT", select);
    TBitmap item;
    Draw(item, Add("Item"));
    EXPECT_EQ(PixelAt(item, 5, 10), PixelAt(bar, 0, 10));
    EXPECT_EQ(PixelAt(item, 5, 0), PixelAt(bar, 0, 0));
    TBitmap selected;
    Draw(selected, Add("Item"), {odSelected}, 200, 20);
    EXPECT_EQ(PixelAt(selected, 5, 19), PixelAt(select, 0, 19));
    EXPECT_EQ(PixelAt(selected, 150, 2), PixelAt(select, 0, 2));
    TBitmap line;
    Draw(line, Add("-"), {}, 200, 12);
    EXPECT_EQ(PixelAt(line, 100, 11), PixelAt(bar, 0, 11));
    EXPECT_EQ(CountPixels(line, Rgb(menu->GetSeparatorColor()), TRect(0, 0, 200, 12)), 0);
}

TEST(SkinnedMenuRightToLeft, TheBarCaptionAndGlyphMoveToTheRight) {
    auto* rtl = new TRightToLeftMenu(nullptr);
    TFreeGuard<TskPopupMenu> guard(rtl);
    TMenuItem* item = TMenuItem::Create(rtl);
    item->SetCaption("Wide");
    item->SetChecked(true);
    rtl->Items()->Add(item);

    auto draw = [&](TBitmap& b) {
        FillBitmap(b, 200, 21, kBackdrop);
        rtl->DrawMenuItem(item, b.Canvas(), TRect(0, 0, 200, 21), {});
    };
    TBitmap ltr;   // BiDiMode left-to-right: not mirrored, whatever the system
    draw(ltr);
    EXPECT_EQ(PixelAt(ltr, 5, 1), Rgb(rtl->GetBarColor()));

    rtl->SetBiDiMode(bdRightToLeft);
    TBitmap b;
    draw(b);
    EXPECT_EQ(PixelAt(b, 5, 1), Rgb(rtl->GetColor()));
    EXPECT_EQ(PixelAt(b, 199, 1), Rgb(rtl->GetBarColor()));
    EXPECT_EQ(PixelAt(b, 174, 1), Rgb(rtl->GetBarColor()));
    auto text = InkColumns(b, TRect(0, 0, 174, 21), Rgb(rtl->GetColor()));
    EXPECT_LE(text.second, 200 - 26 - 4);
    EXPECT_GE(text.second, 200 - 26 - 4 - 6);
    // The check mark at right - 20.
    EXPECT_NE(InkColumns(b, TRect(180, 3, 196, 19), Rgb(rtl->GetBarColor())).second, -1);
}

// ---------------------------------------------------------------------------------------
// Real popups under Xvfb

namespace {

// The menu a user of the program sees: images, a shortcut, a default item, separators, a
// checked item with and without an image, a disabled item.
void FillShowcase(TskPopupMenu* menu, TComponent* owner) {
    auto add = [&](const std::string& caption) {
        TMenuItem* item = TMenuItem::Create(owner);
        item->SetCaption(caption);
        menu->Items()->Add(item);
        return item;
    };
    TMenuItem* open = add("&Open folder");
    open->SetImageIndex(0);
    open->SetShortCut(ShortCut('O', {ssCtrl}));
    TMenuItem* refresh = add("&Refresh");
    refresh->SetShortCut(ShortCut(VK_F5, {}));
    refresh->SetDefault(true);
    add("-");
    add("Hide screen savers")->SetChecked(true);
    TMenuItem* pinned = add("Show patches");
    pinned->SetChecked(true);
    pinned->SetImageIndex(1);
    add("Export entry...")->SetEnabled(false);
    add("-");
    add("E&xit");
}

}  // namespace

class SkinnedMenuPopup : public ::testing::Test {
protected:
    TRecordedBoxes boxes;
};

TEST_F(SkinnedMenuPopup, EachStyleDrawsItsItemsInTheRealMenu) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    TImageList* images = TImageList::Create(form.get());
    AddTestImages(*images);
    for (TskUIStyle style : kBuiltIn) {
        SCOPED_TRACE(EnumToIdent(style));
        TskPopupMenu* menu = TskPopupMenu::Create(form.get());
        menu->SetUIStyle(style);
        menu->SetImages(images);
        FillShowcase(menu, form.get());
        TMenuShot shot({VK_DOWN, VK_DOWN});   // the second item selected
        menu->Popup(40, 40);
        ASSERT_TRUE(shot.Taken);
        SaveBitmapPng(shot.Shot, "skinned-menu-" + EnumToIdent(style) + ".png");

        ASSERT_EQ(shot.Items.size(), 8u);
        const TRect& first = shot.Items[0];
        const TRect& second = shot.Items[1];
        const TRect& line = shot.Items[2];
        EXPECT_EQ(first.Height(), menu->GetMenuItemHeight());
        EXPECT_EQ(line.Height(), menu->GetSeparatorHeight());
        if (style == MacOS) {
            TBitmap bar, select;
            LoadStyleBitmapResource("MACOS_MENU_BAR", bar);
            LoadStyleBitmapResource("MACOS_MENU_SELECT", select);
            EXPECT_EQ(PixelAt(shot.Shot, first.Left + 2, first.Top + 1), PixelAt(bar, 0, 1));
            EXPECT_EQ(PixelAt(shot.Shot, second.Left + 2, second.Top + 1), PixelAt(select, 0, 1));
        } else {
            EXPECT_EQ(PixelAt(shot.Shot, first.Left + 2, first.Top + 1), Rgb(menu->GetBarColor()));
            EXPECT_EQ(PixelAt(shot.Shot, first.Right - 2, first.Top + 1), Rgb(menu->GetColor()));
            EXPECT_EQ(PixelAt(shot.Shot, second.Left + 100, second.Top + 10), Rgb(menu->GetSelectedColor()));
            EXPECT_EQ(PixelAt(shot.Shot, line.Left + 40, line.Top + 2), Rgb(menu->GetSeparatorColor()));
        }
    }
    EXPECT_TRUE(boxes.Texts.empty());
}

TEST_F(SkinnedMenuPopup, ItemsAddedAtRunTimeAreDrawnByTheirOwnMenu) {
    // Two skinned menus of one form in different colours; the item added to the second
    // one later (as the language menu does) must look like the second one.
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    TskPopupMenu* first = TskPopupMenu::Create(form.get());
    TskPopupMenu* second = TskPopupMenu::Create(form.get());
    first->SetColor(MakeColor(0x2020C0));
    second->SetColor(MakeColor(0x20C020));
    for (TskPopupMenu* m : {first, second}) {
        TMenuItem* item = TMenuItem::Create(form.get());
        item->SetCaption("Fixed");
        m->Items()->Add(item);
    }
    TMenuItem* added = TMenuItem::Create(form.get());
    added->SetCaption("English");
    second->Items()->Add(added);

    TMenuShot shot({});
    second->Popup(60, 60);
    ASSERT_TRUE(shot.Taken);
    ASSERT_EQ(shot.Items.size(), 2u);
    for (const TRect& item : shot.Items) EXPECT_EQ(PixelAt(shot.Shot, item.Right - 3, item.Top + 1), MakeColor(0x20C020));
}

TEST_F(SkinnedMenuPopup, AFlatMenuFramesItsOwnWindow) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    TskPopupMenu* menu = TskPopupMenu::Create(form.get());
    menu->SetUIStyle(WinXP);
    menu->SetFlatMenu(true);
    FillShowcase(menu, form.get());
    // Off screen (a memory canvas belongs to no window) there is nothing to frame.
    TBitmap offScreen;
    FillBitmap(offScreen, 100, 21, kBackdrop);
    EXPECT_NO_THROW(menu->DrawMenuItem(menu->Items()->Items(0), offScreen.Canvas(), TRect(0, 0, 100, 21), {}));

    TMenuShot shot({VK_DOWN});
    menu->Popup(50, 50);
    ASSERT_TRUE(shot.Taken);
    SaveBitmapPng(shot.Shot, "skinned-menu-flat.png");
    const int w = shot.Shot.Width(), h = shot.Shot.Height();
    const TColor line = Rgb(StyleColor(WinXP, SkKey::FormBackgroundColor));
    EXPECT_EQ(PixelAt(shot.Shot, 0, h / 2), clBlack);
    EXPECT_EQ(PixelAt(shot.Shot, 1, h / 2), clWhite);
    EXPECT_EQ(PixelAt(shot.Shot, w - 1, h / 2), line);
    EXPECT_EQ(PixelAt(shot.Shot, w / 2, h - 1), line);
    EXPECT_EQ(PixelAt(shot.Shot, w / 2, 0), line);
}

// ---------------------------------------------------------------------------------------
// From a layout: the style first, then the explicit values that override it

class TSkinnedMenuTestForm : public TForm {
    DECLARE_CLASS(TSkinnedMenuTestForm, TForm)
    explicit TSkinnedMenuTestForm(TComponent* AOwner) : TForm(AOwner) {}
};
IMPLEMENT_CLASS(TSkinnedMenuTestForm);

TEST(SkinnedMenuLayout, StoredValuesAfterTheStyleWin) {
    TFormGuard<TSkinnedMenuTestForm> form(TSkinnedMenuTestForm::Create(nullptr));
    auto* view = dynamic_cast<TskPopupMenu*>(form->FindComponent("pmView"));
    auto* list = dynamic_cast<TskPopupMenu*>(form->FindComponent("pmPLRightClick"));
    ASSERT_NE(view, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(view->GetUIStyle(), WinXP);
    EXPECT_TRUE(view->IsOwnerDraw());
    EXPECT_EQ(view->GetBarColor(), MakeColor(16373439));
    EXPECT_EQ(view->GetSelectedBorderColor(), MakeColor(13003057));
    EXPECT_EQ(view->GetSelectedColor(), MakeColor(15717318));
    EXPECT_EQ(view->GetSelectedFontColor(), clBlack);
    EXPECT_EQ(view->GetSeparatorColor(), clSkyBlue);
    EXPECT_EQ(view->GetFontColor(), clBlack);
    EXPECT_EQ(list->GetUIStyle(), DeepBlue);
    EXPECT_EQ(list->GetSelectedColor(), MakeColor(10504772));
    EXPECT_EQ(list->GetSelectedFontColor(), clWhite);
    EXPECT_NE(view->GetImages(), nullptr);

    auto* refresh = dynamic_cast<TMenuItem*>(form->FindComponent("mItemRefresh"));
    ASSERT_NE(refresh, nullptr);
    EXPECT_EQ(ShortCutToText(refresh->GetShortCut()), "F5");
    EXPECT_EQ(refresh->GetParentMenu(), view);
}
