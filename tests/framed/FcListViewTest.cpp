// The framed list view: sort order and header clicks, the filled last column, the header
// formats and arrows, check-state events, colours, the frame, context menus and layouts.
#include "controls/framed/FcListVw.h"
#include "PixelTesting.h"
#include "framework/FormTesting.h"
#include "framework/PopupChoice.h"
#include "framework/StdCtrls.h"

#include <gtest/gtest.h>

namespace {

TFormGuard<TForm> NewForm() {
    TFormGuard<TForm> f(TForm::Create(nullptr, false));
    f->SetBounds(50, 50, 100, 100);
    f->SetClientWidth(420);
    f->SetClientHeight(260);
    return f;
}

TFcListView* NewList(TForm* form, std::initializer_list<std::pair<const char*, int>> columns) {
    auto* lv = TFcListView::Create(form);
    lv->SetParent(form);
    lv->SetBounds(10, 10, 400, 240);
    lv->SetViewStyle(vsReport);
    for (auto& [caption, width] : columns) {
        TListColumn* c = lv->Columns()->Add();
        c->SetCaption(caption);
        c->SetWidth(width);
    }
    return lv;
}

void AddRow(TFcListView* lv, const std::string& caption, std::vector<std::string> subs = {}) {
    TListItem* it = lv->Items()->Add();
    it->SetCaption(caption);
    for (auto& s : subs) it->SubItems()->Add(s);
}

std::vector<std::string> Captions(TFcListView* lv) {
    std::vector<std::string> out;
    for (int i = 0; i < lv->Items()->Count(); ++i) out.push_back(lv->Items()->Item(i)->Caption());
    return out;
}

// Clicks header section i as the mouse would.
void ClickHeader(TFcListView* lv, int i) {
    HWND h = lv->GetHeaderHandle();
    RECT r{};
    SendMessageA(h, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(h, WM_LBUTTONUP, 0, at);
}

class TThemesOff {
public:
    TThemesOff() { OverrideThemesEnabled(false); }
    ~TThemesOff() { OverrideThemesEnabled(std::nullopt); }
};

} // namespace

// --- sorting

TEST(FcListViewSort, NonEmptyTextComesBeforeEmptyTextIgnoringCase) {
    TFreeGuard<TFcListView> lv(TFcListView::Create(nullptr));
    AddRow(lv.get(), "beta", {"x"});
    AddRow(lv.get(), "", {"y", "z"});
    AddRow(lv.get(), "Alpha");
    TListItem* beta = lv->Items()->Item(0);
    TListItem* empty = lv->Items()->Item(1);
    TListItem* alpha = lv->Items()->Item(2);
    EXPECT_LT(TFcCustomListView::CompareItems(alpha, beta, 0), 0);
    EXPECT_LT(TFcCustomListView::CompareItems(beta, empty, 0), 0);
    EXPECT_GT(TFcCustomListView::CompareItems(empty, alpha, 0), 0);
    EXPECT_LT(TFcCustomListView::CompareItems(empty, alpha, 2), 0) << "a missing sub-item is empty";
    EXPECT_EQ(TFcCustomListView::CompareItems(nullptr, alpha, 0), 0);
    EXPECT_EQ(TFcCustomListView::CompareItems(alpha, beta, -1), 0);
}

TEST(FcListViewSort, HeaderClicksSortAscendingThenDescending) {
    auto form = NewForm();
    auto* lv = NewList(form.get(), {{"Name", 100}, {"Size", 80}});
    lv->SetAlphaSortAll(true);
    AddRow(lv, "b", {"2"});
    AddRow(lv, "", {"1"});
    AddRow(lv, "c", {""});
    AddRow(lv, "A", {"3"});
    int clicks = 0;
    lv->OnColumnClick = [&](TObject*, TListColumn*) { ++clicks; };
    form->Show();
    PumpIdle();
    ClickHeader(lv, 0);
    EXPECT_EQ(Captions(lv), (std::vector<std::string>{"A", "b", "c", ""}));
    EXPECT_EQ(lv->GetSortArrowColumn(), 0);
    EXPECT_FALSE(lv->GetSortArrowDescending());
    ClickHeader(lv, 0);
    EXPECT_EQ(Captions(lv), (std::vector<std::string>{"", "c", "b", "A"}));
    EXPECT_TRUE(lv->GetSortArrowDescending());
    ClickHeader(lv, 0);
    EXPECT_FALSE(lv->GetSortArrowDescending());
    EXPECT_EQ(Captions(lv).front(), "A");
    ClickHeader(lv, 1);
    EXPECT_EQ(Captions(lv), (std::vector<std::string>{"", "b", "A", "c"}));
    EXPECT_EQ(lv->GetSortArrowColumn(), 1);
    EXPECT_EQ(clicks, 4);
}

// --- the last column

TEST(FcListViewColumns, LastColumnFillsTheClientWidth) {
    auto form = NewForm();
    auto* lv = NewList(form.get(), {{"Name", 120}, {"Value", 100}});
    form->Show();
    PumpIdle();
    int w = lv->GetClientWidth();
    EXPECT_EQ(lv->Column(1)->GetWidth(), w - GetSystemMetrics(SM_CXVSCROLL) - 120);
    AddRow(lv, "row", {"value"});
    lv->SetFillLastColumn(true);
    EXPECT_EQ(lv->Column(1)->GetWidth(), lv->GetClientWidth() - 120);
    // Another column set wider or narrower: the last one takes what is left, no scroll bar.
    lv->Column(0)->SetWidth(150);
    EXPECT_EQ(lv->Column(1)->GetWidth(), lv->GetClientWidth() - 150);
    lv->Column(0)->SetWidth(90);
    EXPECT_EQ(lv->Column(1)->GetWidth(), lv->GetClientWidth() - 90);
    EXPECT_FALSE(GetWindowLongPtrA(lv->Handle(), GWL_STYLE) & WS_HSCROLL);
}

TEST(FcListViewColumns, WideColumnsStayAndANarrowRemainderBecomesFive) {
    auto form = NewForm();
    auto* lv = NewList(form.get(), {{"Name", 500}, {"Value", 100}});
    AddRow(lv, "row");
    form->Show();
    PumpIdle();
    EXPECT_EQ(lv->Column(1)->GetWidth(), 100);
    lv->Column(0)->SetWidth(lv->GetClientWidth() - 3);
    lv->SetFillLastColumn(true);
    EXPECT_EQ(lv->Column(1)->GetWidth(), 5);
    lv->SetFillLastColumn(false);
    lv->Column(0)->SetWidth(50);
    EXPECT_EQ(lv->Column(1)->GetWidth(), 5) << "without FillLastColumn nothing follows";
}

// --- the header

TEST(FcListViewHeader, ItemsAreOwnerDrawnWhateverTheOrderOfMaking) {
    auto form = NewForm();
    auto* lv = NewList(form.get(), {{"Name", 100}});
    form->Show();
    PumpIdle();
    lv->Columns()->Add()->SetCaption("Added later");
    HWND h = lv->GetHeaderHandle();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(lv->HookedHeader(), h);
    for (int i = 0; i < 2; ++i) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        SendMessageA(h, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        EXPECT_TRUE(item.fmt & HDF_OWNERDRAW) << i;
    }
    lv->SetHeaderSortDisplayMode(hsdmNone);
    HDITEMA item{};
    item.mask = HDI_FORMAT;
    SendMessageA(h, HDM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_FALSE(item.fmt & HDF_OWNERDRAW);
}

TEST(FcListViewHeader, OldCommonControlsHaveNoSortDisplay) {
    TFreeGuard<TFcListView> lv(TFcListView::Create(nullptr));
    OverrideCommonControlsVersion(0x40045);
    EXPECT_EQ(lv->GetHeaderSortDisplayMode(), hsdmRightOfText);
    lv->SetHeaderSortDisplayMode(hsdmLeftAlign);
    EXPECT_EQ(lv->GetHeaderSortDisplayMode(), hsdmNone);
    OverrideCommonControlsVersion(0x40046);
    lv->SetHeaderSortDisplayMode(hsdmLeftAlign);
    EXPECT_EQ(lv->GetHeaderSortDisplayMode(), hsdmLeftAlign);
    OverrideCommonControlsVersion(std::nullopt);
}

TEST(FcListViewHeader, SortArrowGeometry) {
    EXPECT_EQ(TFcCustomListView::ArrowBox(TRect(10, 2, 90, 18)), TRect(10, 4, 20, 13));
    TPixelCanvas up(20, 20), down(20, 20);
    TFcCustomListView::PaintSortArrow(up.Canvas(), TRect(0, 0, 11, 8), false);
    TFcCustomListView::PaintSortArrow(down.Canvas(), TRect(0, 0, 11, 8), true);
    // h = 6, w = 11: the tip at (5, 2) pointing up, or at (5, 7) pointing down.
    EXPECT_PIXEL(up, 5, 2, clBtnShadow);
    EXPECT_PIXEL(up, 0, 7, clBtnShadow);
    EXPECT_PIXEL(up, 10, 7, clBtnShadow);
    EXPECT_PIXEL(up, 0, 2, TPixelCanvas::Marker);
    EXPECT_PIXEL(down, 5, 7, clBtnShadow);
    EXPECT_PIXEL(down, 0, 2, clBtnShadow);
    EXPECT_PIXEL(down, 0, 7, TPixelCanvas::Marker);
}

TEST(FcListViewHeader, ArrowShowsOnlyInAWideEnoughSortColumn) {
    TThemesOff off;
    TFreeGuard<TFcListView> lv(TFcListView::Create(nullptr));
    lv->SetViewStyle(vsReport);
    for (int w : {120, 12, 120}) lv->Columns()->Add()->SetWidth(w);
    lv->Columns()->Items(0)->SetCaption("Name");
    auto arrowPixels = [&](int index, int width) {
        TPixelCanvas p(width, 20);
        lv->DrawHeaderItem(p.Canvas(), index, TRect(0, 0, width, 20));
        return p.Count(ColorToRGB(clBtnShadow));
    };
    lv->SetSortArrowColumn(0);
    EXPECT_GT(arrowPixels(0, 120), 10);
    EXPECT_EQ(arrowPixels(2, 120), 0) << "not the sort column";
    lv->SetSortArrowColumn(1);
    EXPECT_EQ(arrowPixels(1, 12), 0) << "narrower than twice the arrow box";
    lv->SetHeaderSortDisplayMode(hsdmLeftAlign);
    lv->Columns()->Items(1)->SetWidth(15);
    EXPECT_EQ(arrowPixels(1, 15), 0);
    lv->SetSortArrowColumn(2);
    EXPECT_GT(arrowPixels(2, 120), 10);
    EXPECT_EQ(arrowPixels(5, 120), 0) << "a section without a column draws no arrow";
}

TEST(FcListViewHeader, OwnDrawingGoesToTheEvent) {
    TThemesOff off;
    TFreeGuard<TFcListView> lv(TFcListView::Create(nullptr));
    lv->Columns()->Add()->SetCaption("Name");
    lv->SetHeaderDefaultDrawing(false);
    int index = -1;
    TRect rect;
    TCanvas* canvas = nullptr;
    lv->OnDrawHeader = [&](TObject*, TCanvas* c, int i, const TRect& r) {
        index = i;
        rect = r;
        canvas = c;
    };
    TPixelCanvas p(80, 20);
    lv->DrawHeaderItem(p.Canvas(), 0, TRect(0, 0, 80, 20));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(rect, TRect(2, 2, 78, 18));
    EXPECT_EQ(canvas, p.Canvas());
}

// --- check states

TEST(FcListViewChecks, OnlyStateImageChangesAreChecks) {
    auto form = NewForm();
    auto* lv = NewList(form.get(), {{"Name", 100}});
    lv->SetCheckboxes(true);
    AddRow(lv, "one");
    AddRow(lv, "two");
    form->Show();
    PumpIdle();
    std::vector<std::pair<std::string, bool>> changing;
    std::vector<std::string> changed;
    lv->OnCheckStateChanging = [&](TObject*, TListItem* it, bool toBeChecked, bool&) {
        changing.push_back({it->Caption(), toBeChecked});
    };
    lv->OnCheckStateChange = [&](TObject*, TListItem* it) { changed.push_back(it->Caption()); };
    TListItem* one = lv->Items()->Item(0);
    one->SetSelected(true);
    EXPECT_TRUE(changed.empty()) << "selecting is no check";
    one->SetChecked(true);
    EXPECT_EQ(changing, (std::vector<std::pair<std::string, bool>>{{"one", true}}));
    EXPECT_EQ(changed, std::vector<std::string>{"one"});
    one->SetSelected(false);
    EXPECT_EQ(changed.size(), 1u);
    one->SetChecked(false);
    EXPECT_EQ(changing.back(), (std::pair<std::string, bool>{"one", false}));
    lv->OnCheckStateChanging = [&](TObject*, TListItem*, bool, bool& allow) { allow = false; };
    lv->Items()->Item(1)->SetChecked(true);
    EXPECT_FALSE(lv->Items()->Item(1)->Checked()) << "a refusal keeps the state";
}

// --- colours and the frame

TEST(FcListViewColors, DisabledAndFocusedColours) {
    auto form = NewForm();
    auto* edit = TEdit::Create(form.get());
    edit->SetParent(form.get());
    auto* lv = NewList(form.get(), {{"Name", 100}});
    lv->SetDisabledColor(clSilver);
    lv->SetFocusColor(clInfoBk);
    form->Show();
    PumpIdle();
    EXPECT_EQ(lv->GetColor(), clWindow);
    lv->SetEnabled(false);
    EXPECT_EQ(lv->GetColor(), clSilver);
    EXPECT_EQ(SendMessageA(lv->Handle(), LVM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(ColorToColorRef(clSilver)));
    lv->SetEnabled(true);
    EXPECT_EQ(lv->GetColor(), clWindow);
    lv->SetFocus();
    PumpIdle();
    EXPECT_EQ(lv->GetColor(), clInfoBk);
    edit->SetFocus();
    PumpIdle();
    EXPECT_EQ(lv->GetColor(), clWindow);
    lv->SetFocus();
    PumpIdle();
    lv->SetColor(clYellow);
    EXPECT_EQ(lv->UnfocusedColor(), clYellow);
    EXPECT_EQ(lv->GetFocusColor(), clInfoBk) << "a focus colour of its own stays";
}

TEST(FcListViewColors, FocusColourFollowsWhenItWasTheSame) {
    TFreeGuard<TFcListView> lv(TFcListView::Create(nullptr));
    lv->SetColor(clAqua);
    EXPECT_EQ(lv->GetFocusColor(), clAqua);
    EXPECT_EQ(lv->UnfocusedColor(), clAqua);
}

TEST(FcListViewFrame, CustomFrameIsDrawnInTheNonClientArea) {
    auto form = NewForm();
    auto* lv = NewList(form.get(), {{"Name", 100}});
    lv->SetFramingPreference(fpCustomFraming);
    lv->SetFrameColor(clRed);
    lv->SetFrameVisible(true);
    form->Show();
    PumpIdle();
    TBitmap shot;
    ASSERT_TRUE(CaptureWindow(lv->Handle(), shot));
    EXPECT_EQ(PixelAt(shot, 0, 0), clRed);
    EXPECT_EQ(PixelAt(shot, lv->Width() - 1, lv->Height() / 2), clRed);
    EXPECT_EQ(PixelAt(shot, 1, lv->Height() / 2), ColorToRGB(lv->GetColor()));
}

TEST(FcListViewFrame, ControllerSettingsArriveByName) {
    auto form = NewForm();
    auto* lv = NewList(form.get(), {{"Name", 100}});
    auto* frames = TFcFrameController::Create(form.get());
    frames->SetFrameColor(clRed);
    frames->SetFrameStyle(fsGroove);
    lv->SetFrameController(frames);
    EXPECT_EQ(lv->GetFrameColor(), clRed);
    EXPECT_EQ(lv->GetFrameStyle(), fsGroove);
    lv->SetFrameControllerNotifications({fcpFrameStyle});
    frames->SetFrameColor(clBlue);
    frames->SetFrameStyle(fsBump);
    EXPECT_EQ(lv->GetFrameColor(), clRed);
    EXPECT_EQ(lv->GetFrameStyle(), fsBump);
    frames->SetFrameHotTrack(true);
    EXPECT_FALSE(lv->GetFrameHotTrack()) << "not among the accepted settings";
}

// --- menus, keys and the wheel

TEST(FcListViewMenus, ApplicationKeyOpensTheMenuAtTheFocusedItem) {
    auto form = NewForm();
    auto* lv = NewList(form.get(), {{"Name", 100}});
    auto* menu = TPopupMenu::Create(form.get());
    auto* entry = TMenuItem::Create(form.get());
    entry->SetCaption("Details");
    menu->Items()->Add(entry);
    lv->SetPopupMenu(menu);
    for (auto name : {"one", "two", "three"}) AddRow(lv, name);
    form->Show();
    lv->SetFocus();
    PumpIdle();
    TListItem* two = lv->Items()->Item(1);
    two->SetSelected(true);
    two->SetFocused(true);
    TListItem* seen = nullptr;
    TPoint at;
    lv->OnItemContextMenu = [&](TObject*, TListItem* item, TPoint& pos, TComponent*&) {
        seen = item;
        at = pos;
    };
    TPopupChoice choice({VK_ESCAPE});
    lv->Perform(WM_KEYDOWN, VK_APPS, 0);
    EXPECT_EQ(seen, two);
    TRect icon = two->DisplayRect(drIcon);
    EXPECT_EQ(at, TPoint(icon.Left + icon.Width() / 2, icon.Top + icon.Height() / 2));
    EXPECT_EQ(choice.Opened, 1);
    EXPECT_EQ(choice.OpenedMenu, menu);
    // The handler may withhold the menu.
    lv->OnItemContextMenu = [&](TObject*, TListItem*, TPoint&, TComponent*& m) { m = nullptr; };
    lv->Perform(WM_KEYDOWN, VK_F10, 0);   // without Shift: no menu key
    lv->Perform(WM_KEYDOWN, VK_APPS, 0);
    EXPECT_EQ(choice.Opened, 1);
}

TEST(FcListViewMenus, WheelScrollsAndIsAlwaysHandled) {
    auto form = NewForm();
    auto* lv = NewList(form.get(), {{"Name", 100}});
    for (int i = 0; i < 100; ++i) AddRow(lv, "row " + std::to_string(i));
    form->Show();
    PumpIdle();
    EXPECT_EQ(lv->TopItem()->Index(), 0);
    LRESULT r = SendMessageA(lv->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(100, 100));
    EXPECT_NE(r, 0);
    EXPECT_GT(lv->TopItem()->Index(), 0);
    int down = lv->TopItem()->Index();
    SendMessageA(lv->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(100, 100));
    EXPECT_LT(lv->TopItem()->Index(), down);
}

// --- layouts

TEST(FcListViewLayout, DetailsWindowSettingsAndObsoletePropertiesLoad) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    ReadLayout(form.get(),
               "object F: TForm\n"
               "  object lsvProgramInfo: TFcListView\n"
               "    Align = alClient\n"
               "    ViewStyle = vsReport\n"
               "    FrameFlat = True\n"
               "    FrameFlatStyle = fsNone\n"
               "  end\n"
               "  object lsvRegistryInfo: TFcListView\n"
               "    FrameFocusStyle = fsRaised\n"
               "    AlphaSortAll = True\n"
               "    HeaderSortDisplayMode = hsdmRightAlign\n"
               "  end\n"
               "end\n",
               "ListLayout");
    auto* info = dynamic_cast<TFcListView*>(form->FindComponent("lsvProgramInfo"));
    auto* reg = dynamic_cast<TFcListView*>(form->FindComponent("lsvRegistryInfo"));
    ASSERT_TRUE(info && reg);
    EXPECT_EQ(info->GetViewStyle(), vsReport);
    EXPECT_EQ(info->GetAlign(), alClient);
    EXPECT_TRUE(info->GetFrameHotTrack());
    EXPECT_EQ(info->GetFrameStyle(), fsStatus);
    EXPECT_EQ(info->GetFrameHotStyle(), fsLowered);
    EXPECT_EQ(reg->GetFrameHotStyle(), fsRaised);
    EXPECT_TRUE(reg->GetAlphaSortAll());
    EXPECT_EQ(reg->GetHeaderSortDisplayMode(), hsdmRightAlign);
}

