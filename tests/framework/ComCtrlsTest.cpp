// The list view, tree view and picture combo box on a real form: what a user's clicks and
// keys cause, sorting, in-place view switches, custom draw and raw image lists.
#include "FormTesting.h"
#include "common/MessageLog.h"
#include "common/Screenshot.h"
#include "framework/ComCtrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>

class TComCtrlsTestForm : public TForm {
    DECLARE_CLASS(TComCtrlsTestForm, TForm)
    explicit TComCtrlsTestForm(TComponent* AOwner) : TForm(AOwner) {}

    TListView* lvFiles = nullptr;
    TTreeView* tvScan = nullptr;
    TComboBoxEx* cmbPrograms = nullptr;
    TImageList* ilState = nullptr;

    int clicks = 0;
    std::vector<TListColumn*> columnClicks;
    std::vector<std::pair<TListItem*, bool>> selections;
    struct Down { TTreeNode* Node; THitTests Hit; };
    std::vector<Down> treeDowns;
    int comboChanges = 0;

    void lvFilesClick(TObject*) { ++clicks; }
    void lvFilesColumnClick(TObject*, TListColumn* Column) { columnClicks.push_back(Column); }
    void lvFilesSelectItem(TObject*, TListItem* Item, bool Selected) { selections.emplace_back(Item, Selected); }
    void tvScanMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
        treeDowns.push_back({tvScan->GetNodeAt(X, Y), tvScan->GetHitTestInfoAt(X, Y)});
    }
    void cmbProgramsChange(TObject*) { ++comboChanges; }

    static void Publish(TClassBuilder<TComCtrlsTestForm>& b) {
        b.Component("lvFiles", &TComCtrlsTestForm::lvFiles);
        b.Component("tvScan", &TComCtrlsTestForm::tvScan);
        b.Component("cmbPrograms", &TComCtrlsTestForm::cmbPrograms);
        b.Component("ilState", &TComCtrlsTestForm::ilState);
        b.Handler("lvFilesClick", &TComCtrlsTestForm::lvFilesClick);
        b.Handler("lvFilesColumnClick", &TComCtrlsTestForm::lvFilesColumnClick);
        b.Handler("lvFilesSelectItem", &TComCtrlsTestForm::lvFilesSelectItem);
        b.Handler("tvScanMouseDown", &TComCtrlsTestForm::tvScanMouseDown);
        b.Handler("cmbProgramsChange", &TComCtrlsTestForm::cmbProgramsChange);
    }
};
IMPLEMENT_CLASS(TComCtrlsTestForm);

namespace {

TFormGuard<TComCtrlsTestForm> ShowTestForm() {
    TFormGuard<TComCtrlsTestForm> f(TComCtrlsTestForm::Create(nullptr));
    f->Show();
    PumpIdle();
    return f;
}

std::string WindowItemText(HWND lv, int item, int subItem) {
    char buf[256] = {};
    LVITEMA it{};
    it.iSubItem = subItem;
    it.pszText = buf;
    it.cchTextMax = sizeof buf;
    SendMessageA(lv, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
    return buf;
}

LPARAM WindowItemParam(HWND lv, int item) {
    LVITEMA it{};
    it.mask = LVIF_PARAM;
    it.iItem = item;
    SendMessageA(lv, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    return it.lParam;
}

TPoint Center(const TRect& r) { return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }

void AddRows(TListView* lv, int count) {
    lv->Items()->BeginUpdate();
    for (int i = 0; i < count; ++i) {
        TListItem* it = lv->Items()->Add();
        it->SetCaption("Row " + std::to_string(i));
        it->SubItems()->Add(std::to_string(i * 10));
        it->SubItems()->Add("C:\\Dir" + std::to_string(i));
        it->SetData(i);
    }
    lv->Items()->EndUpdate();
}

// Four 16x16 pictures: none, unchecked, checked, partly checked.
void FillStateImages(TCustomImageList* list) {
    list->SetSize(16, 16);
    TBitmap strip;
    strip.SetSize(64, 16);
    strip.Canvas()->Brush()->SetColor(clWhite);
    strip.Canvas()->FillRect(TRect(0, 0, 64, 16));
    for (int i = 1; i < 4; ++i) strip.Canvas()->Rectangle(i * 16 + 2, 2, i * 16 + 14, 14);
    list->Add(&strip, nullptr);
}

int BluishPixels(const TBitmap& shot, const TRect& r) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) {
            TColor c = PixelAt(shot, x, y);
            if (ColorB(c) > 160 && ColorR(c) < 90 && ColorG(c) < 90) ++n;
        }
    return n;
}

} // namespace

// ---------------------------------------------------------------------------------------
// List view

TEST(ListViewTest, ColumnsComeFromTheLayoutAndItemsWriteThrough) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    HWND h = lv->Handle();
    ASSERT_EQ(lv->Columns()->Count(), 3);
    EXPECT_EQ(lv->Column(2)->GetCaption(), "Directory");
    EXPECT_EQ(lv->Column(1)->GetWidth(), 80);
    char buf[64] = {};
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_FMT;
    col.pszText = buf;
    col.cchTextMax = sizeof buf;
    ASSERT_TRUE(SendMessageA(h, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&col)));
    EXPECT_STREQ(buf, "Size");
    EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);
    EXPECT_EQ(GetWindowLongPtrA(h, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(GetWindowLongPtrA(h, GWL_STYLE) & LVS_SHAREIMAGELISTS);

    AddRows(lv, 3);
    TListItem* it = lv->Items()->Item(1);
    it->SubItems()->Insert(0, "first");
    EXPECT_EQ(WindowItemText(h, 1, 1), "first");
    EXPECT_EQ(WindowItemText(h, 1, 2), "10");
    it->SubItems()->Delete(0);
    EXPECT_EQ(WindowItemText(h, 1, 1), "10");
    EXPECT_EQ(WindowItemText(h, 1, 2), "C:\\Dir1");
    it->SetCaption("Renamed");
    EXPECT_EQ(WindowItemText(h, 1, 0), "Renamed");

    // Adding a column keeps the widths the user gave the others.
    SendMessageA(h, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(99, 0));
    lv->Columns()->Add()->SetCaption("Extra");
    EXPECT_EQ(SendMessageA(lv->GetHeaderHandle(), HDM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(lv->Column(0)->GetWidth(), 99);
}

TEST(ListViewTest, AnItemMadeBeforehandGoesInWholeAtItsIndex) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    HWND h = lv->Handle();
    AddRows(lv, 2);
    auto made = std::make_unique<TListItem>(lv->Items());
    made->SetCaption("Made");
    made->SubItems()->Add("7");
    made->SubItems()->Add("C:\\Made");
    made->SetImageIndex(3);
    made->SetData(42);
    TListItem* item = lv->Items()->AddItem(std::move(made), 1);
    EXPECT_EQ(item->Index(), 1);
    EXPECT_EQ(lv->Items()->Item(2)->Caption(), "Row 1");
    EXPECT_EQ(WindowItemText(h, 1, 0), "Made");
    EXPECT_EQ(WindowItemText(h, 1, 2), "C:\\Made");
    EXPECT_EQ(WindowItemParam(h, 1), reinterpret_cast<LPARAM>(item));
    LVITEMA it{};
    it.mask = LVIF_IMAGE;
    it.iItem = 1;
    SendMessageA(h, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    EXPECT_EQ(it.iImage, 3);
    EXPECT_EQ(item->Data(), 42);
    TListView other(nullptr);
    EXPECT_THROW(lv->Items()->AddItem(std::make_unique<TListItem>(other.Items())), EListError);
}

TEST(ListViewTest, CustomSortOfAThousandRowsCarriesDataAlong) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    HWND h = lv->Handle();
    std::vector<int> order(1000);
    for (int i = 0; i < 1000; ++i) order[static_cast<size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    lv->Items()->BeginUpdate();
    for (int n : order) {
        TListItem* it = lv->Items()->Add();
        it->SetCaption("Item" + std::to_string(n));
        it->SubItems()->Add(std::to_string(n * 3));
        it->SubItems()->Add("D" + std::to_string(n));
        it->SetData(n);
    }
    lv->Items()->EndUpdate();
    ASSERT_EQ(SendMessageA(h, LVM_GETITEMCOUNT, 0, 0), 1000);

    // Descending by the numeric value of the first sub-item.
    int calls = 0;
    lv->CustomSort(
        [&](TListItem* a, TListItem* b, intptr_t data) {
            ++calls;
            EXPECT_EQ(data, 42);
            return std::stoi(b->SubItems()->Get(0)) - std::stoi(a->SubItems()->Get(0));
        },
        42);
    EXPECT_GT(calls, 999);
    for (int i = 0; i < 1000; ++i) {
        TListItem* it = lv->Items()->Item(i);
        int n = 999 - i;
        ASSERT_EQ(it->Data(), n) << i;
        ASSERT_EQ(it->Index(), i);
        ASSERT_EQ(it->Caption(), "Item" + std::to_string(n));
        ASSERT_EQ(WindowItemParam(h, i), reinterpret_cast<LPARAM>(it));
        if (i % 97 == 0) {
            EXPECT_EQ(WindowItemText(h, i, 0), "Item" + std::to_string(n));
            EXPECT_EQ(WindowItemText(h, i, 2), "D" + std::to_string(n));
        }
    }

    // AlphaSort through OnCompare, ascending by Data.
    lv->OnCompare = [](TObject*, TListItem* a, TListItem* b, intptr_t, int& c) {
        c = a->Data() < b->Data() ? -1 : a->Data() > b->Data() ? 1 : 0;
    };
    lv->AlphaSort();
    for (int i = 0; i < 1000; i += 111) EXPECT_EQ(lv->Items()->Item(i)->Data(), i);
}

TEST(ListViewTest, AFailingComparerEndsTheSortAndRaisesAfterwards) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    AddRows(lv, 20);
    int calls = 0;
    EXPECT_THROW(lv->CustomSort(
                     [&](TListItem*, TListItem*, intptr_t) -> int {
                         if (++calls == 3) throw std::runtime_error("bad compare");
                         return 0;
                     },
                     0),
                 std::runtime_error);
    EXPECT_EQ(calls, 3);
    HWND h = lv->Handle();
    for (int i = 0; i < 20; ++i) EXPECT_EQ(WindowItemParam(h, i), reinterpret_cast<LPARAM>(lv->Items()->Item(i)));
}

TEST(ListViewTest, ViewStyleSwitchesInPlaceAndRawImageListsSurvive) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    AddRows(lv, 5);
    HWND h = lv->Handle();
    HIMAGELIST sysSmall = GetSystemImageList(true);
    HIMAGELIST own = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 1);
    ASSERT_NE(own, nullptr);
    SendMessageA(h, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(sysSmall));
    SendMessageA(h, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(own));

    const std::pair<TViewStyle, LONG_PTR> views[] = {
        {vsIcon, LVS_ICON}, {vsList, LVS_LIST}, {vsSmallIcon, LVS_SMALLICON}, {vsReport, LVS_REPORT}};
    for (auto [style, bits] : views) {
        lv->SetViewStyle(style);
        PumpIdle();
        EXPECT_EQ(lv->WindowHandle(), h);
        EXPECT_EQ(GetWindowLongPtrA(h, GWL_STYLE) & LVS_TYPEMASK, bits);
        EXPECT_EQ(SendMessageA(h, LVM_GETIMAGELIST, LVSIL_SMALL, 0), reinterpret_cast<LRESULT>(sysSmall));
        EXPECT_EQ(SendMessageA(h, LVM_GETIMAGELIST, LVSIL_NORMAL, 0), reinterpret_cast<LRESULT>(own));
    }
    lv->SetGridLines(true);
    lv->SetShowHint(true);
    EXPECT_EQ(lv->WindowHandle(), h);
    DWORD ex = static_cast<DWORD>(SendMessageA(h, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_TRUE(ex & LVS_EX_GRIDLINES);
    EXPECT_TRUE(ex & LVS_EX_INFOTIP);

    // A new window gets the items, their state and the raw lists back.
    lv->Items()->Item(3)->SetSelected(true);
    lv->RecreateWnd();
    HWND h2 = lv->WindowHandle();
    ASSERT_NE(h2, nullptr);
    EXPECT_EQ(SendMessageA(h2, LVM_GETITEMCOUNT, 0, 0), 5);
    EXPECT_EQ(WindowItemText(h2, 4, 2), "C:\\Dir4");
    EXPECT_EQ(lv->Items()->Item(4)->Data(), 4);
    EXPECT_EQ(lv->Selected(), lv->Items()->Item(3));
    EXPECT_EQ(SendMessageA(h2, LVM_GETIMAGELIST, LVSIL_NORMAL, 0), reinterpret_cast<LRESULT>(own));
    EXPECT_EQ(SendMessageA(h2, LVM_GETHEADER, 0, 0) != 0, true);

    lv->Free();
    f->lvFiles = nullptr;
    PumpIdle();
    int cx = 0, cy = 0;
    EXPECT_TRUE(ImageList_GetIconSize(own, &cx, &cy));
    EXPECT_EQ(cx, 32);
    EXPECT_TRUE(ImageList_GetIconSize(sysSmall, &cx, &cy));
    ImageList_Destroy(own);
}

TEST(ListViewTest, AClickSelectsTheRowAndNamesIt) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    AddRows(lv, 6);
    TRect cell = lv->Items()->Item(3)->DisplayRectSubItem(2, drBounds);
    TPoint p = Center(cell);
    EXPECT_EQ(lv->GetItemAt(p.X, p.Y), lv->Items()->Item(3));
    EXPECT_EQ(lv->GetItemAt(p.X, cell.Bottom + 200), nullptr);

    PostClick(lv->Handle(), p.X, p.Y);
    ASSERT_TRUE(PumpUntil([&] { return lv->Selected() == lv->Items()->Item(3); }));
    PumpIdle();
    auto& sel = f->selections;
    ASSERT_FALSE(sel.empty());
    EXPECT_TRUE(std::any_of(sel.begin(), sel.end(), [&](auto& s) { return s.first == lv->Items()->Item(3) && s.second; }));
    EXPECT_EQ(f->clicks, 1);
    EXPECT_EQ(lv->SelCount(), 1);

    // Moving the selection reports the row that lost it too.
    f->selections.clear();
    lv->SetSelected(lv->Items()->Item(5));
    EXPECT_TRUE(std::any_of(sel.begin(), sel.end(), [&](auto& s) { return s.first == lv->Items()->Item(3) && !s.second; }));
    EXPECT_TRUE(std::any_of(sel.begin(), sel.end(), [&](auto& s) { return s.first == lv->Items()->Item(5) && s.second; }));
}

TEST(ListViewTest, NestedUpdatesTurnRedrawOffOnceAndOnAtTheEnd) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    TMessageLog log;
    log.Watch(lv, {WM_SETREDRAW});
    {
        TUpdateLock lock(*lv->Items());
        lv->Items()->Add()->SetCaption("one");
        TUpdateLock inner(*lv->Items());
        lv->Items()->Add()->SetCaption("two");
    }
    lv->Items()->Clear();
    EXPECT_TRUE(log.Matches({Msg(WM_SETREDRAW).WParam(FALSE), Msg(WM_SETREDRAW).WParam(TRUE),
                             Msg(WM_SETREDRAW).WParam(FALSE), Msg(WM_SETREDRAW).WParam(TRUE)}));
}

TEST(ListViewTest, AColumnHeaderClickNamesTheColumn) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    HWND header = lv->GetHeaderHandle();
    ASSERT_NE(header, nullptr);
    RECT r{};
    ASSERT_TRUE(SendMessageA(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r)));
    PostClick(header, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ASSERT_TRUE(PumpUntil([&] { return !f->columnClicks.empty(); }));
    EXPECT_EQ(f->columnClicks.front(), lv->Column(2));

    // ColumnClick off: the header is no button any more.
    f->columnClicks.clear();
    lv->SetColumnClick(false);
    EXPECT_FALSE(GetWindowLongPtrA(header, GWL_STYLE) & HDS_BUTTONS);
    PostClick(header, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PumpIdle();
    EXPECT_TRUE(f->columnClicks.empty());
}

TEST(ListViewTest, InfoTipTakesTheHandlersTextCutToTheBuffer) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    AddRows(lv, 3);
    std::string proposedSeen;
    TListItem* itemSeen = nullptr;
    std::string answer = "Size: 1.50 M\r\nC:\\Dir1";
    lv->OnInfoTip = [&](TObject*, TListItem* Item, std::string& tip) {
        itemSeen = Item;
        proposedSeen = tip;
        tip = answer;
    };
    auto request = [&](char* buffer, int cch) {
        NMLVGETINFOTIPA nm{};
        nm.hdr.hwndFrom = lv->Handle();
        nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(lv->Handle()));
        nm.hdr.code = LVN_GETINFOTIPA;
        nm.pszText = buffer;
        nm.cchTextMax = cch;
        nm.iItem = 1;
        return SendMessageA(f->Handle(), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    };
    char big[128] = "Row 1";
    request(big, sizeof big);
    EXPECT_EQ(itemSeen, lv->Items()->Item(1));
    EXPECT_EQ(proposedSeen, "Row 1");
    EXPECT_EQ(std::string(big), answer);

    char small[8] = "Row 1";
    request(small, sizeof small);
    EXPECT_EQ(std::string(small), answer.substr(0, 7));

    lv->OnInfoTip = nullptr;
    char untouched[32] = "Row 1";
    request(untouched, sizeof untouched);
    EXPECT_STREQ(untouched, "Row 1");
}

TEST(ListViewTest, CustomDrawColoursOnlyTheChosenSubItem) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    lv->Items()->BeginUpdate();
    for (int i = 0; i < 3; ++i) {
        TListItem* it = lv->Items()->Add();
        it->SetCaption("WWWWWWWW");
        it->SubItems()->Add("WWWWWWWW");
        it->SubItems()->Add("WWWWWWWW");
    }
    lv->Items()->EndUpdate();
    lv->Columns()->Add()->SetCaption("After");
    lv->Items()->Item(0)->SubItems()->Add("WWWWWWWW");
    std::vector<std::pair<TListItem*, int>> calls;
    lv->OnCustomDrawSubItem = [&](TCustomListView* Sender, TListItem* Item, int SubItem, TCustomDrawState, bool& def) {
        calls.emplace_back(Item, SubItem);
        if (SubItem == 2) {
            Sender->Canvas()->Font()->SetColor(clBlue);
            Sender->Canvas()->Font()->SetStyle({fsUnderline});
        }
        def = true;
    };
    lv->Repaint();
    PumpIdle();
    EXPECT_TRUE(std::find(calls.begin(), calls.end(), std::make_pair(lv->Items()->Item(0), 2)) != calls.end());
    EXPECT_TRUE(std::find(calls.begin(), calls.end(), std::make_pair(lv->Items()->Item(2), 1)) != calls.end());

    TBitmap shot;
    ASSERT_TRUE(CaptureWindow(lv->Handle(), shot));
    SaveBitmapPng(shot, "ListViewCustomDraw.png");
    // The capture includes the frame: client coordinates move by the client origin.
    POINT origin{0, 0};
    ClientToScreen(lv->Handle(), &origin);
    RECT wr;
    GetWindowRect(lv->Handle(), &wr);
    auto onShot = [&](TRect r) {
        r.Offset(origin.x - wr.left, origin.y - wr.top);
        return r;
    };
    TListItem* row = lv->Items()->Item(0);
    EXPECT_GT(BluishPixels(shot, onShot(row->DisplayRectSubItem(2, drBounds))), 10);
    EXPECT_EQ(BluishPixels(shot, onShot(row->DisplayRectSubItem(1, drBounds))), 0);
    EXPECT_EQ(BluishPixels(shot, onShot(row->DisplayRectSubItem(3, drBounds))), 0);
}

TEST(ListViewTest, CheckboxesToggleByCodeClickAndSpace) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    lv->SetCheckboxes(true);
    AddRows(lv, 4);
    HWND h = lv->Handle();
    TListItem* it = lv->Items()->Item(1);
    EXPECT_FALSE(it->Checked());
    it->SetChecked(true);
    EXPECT_EQ(SendMessageA(h, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(2)));

    // The check box is the state icon left of the caption.
    TRect row = it->DisplayRect(drBounds);
    int y = (row.Top + row.Bottom) / 2, x = -1;
    for (int px = row.Left; px < row.Left + 60 && x < 0; ++px) {
        LVHITTESTINFO hit{};
        hit.pt = POINT{px, y};
        if (SendMessageA(h, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) == 1 && (hit.flags & LVHT_ONITEMSTATEICON))
            x = px + 3;
    }
    ASSERT_GE(x, 0);
    PostClick(h, x, y);
    ASSERT_TRUE(PumpUntil([&] { return !it->Checked(); }));

    lv->SetSelected(it);
    SetFocus(h);
    PostMessageA(h, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageA(h, WM_KEYUP, VK_SPACE, 0);
    EXPECT_TRUE(PumpUntil([&] { return it->Checked(); }));
}

namespace {
// What the framed list view does when disabled: every row drawn on one colour.
class TTintedListView : public TListView {
public:
    using TListView::TListView;
    int itemCalls = 0;
protected:
    bool IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage) override {
        return Target == dtItem && Stage == cdPrePaint;
    }
    bool CustomDrawItem(TListItem*, TCustomDrawState, TCustomDrawStage) override {
        ++itemCalls;
        Canvas()->Brush()->SetColor(clLime);
        return true;
    }
};
} // namespace

TEST(ListViewTest, ASubclassPaintsRowsThroughTheCustomDrawHooks) {
    auto f = ShowTestForm();
    auto* lv = new TTintedListView(f.get());
    lv->SetParent(f.get());
    lv->SetBounds(8, 290, 300, 100);
    lv->SetViewStyle(vsReport);
    lv->Columns()->Add()->SetWidth(200);
    lv->Items()->Add()->SetCaption("tinted row");
    lv->Repaint();
    PumpIdle();
    EXPECT_GT(lv->itemCalls, 0);
    TBitmap shot;
    ASSERT_TRUE(CaptureWindow(f->Handle(), shot));
    TRect row = lv->Items()->Item(0)->DisplayRect(drLabel);
    TPoint p = lv->ClientToScreen(TPoint(row.Right - 4, (row.Top + row.Bottom) / 2));
    RECT wr;
    GetWindowRect(f->Handle(), &wr);
    EXPECT_EQ(PixelAt(shot, p.X - wr.left, p.Y - wr.top), clLime);
}

TEST(ListViewTest, ItemsMadeBeforeTheWindowKeepTheirState) {
    auto f = ShowTestForm();
    auto* lv = new TListView(f.get());
    lv->SetViewStyle(vsReport);
    lv->SetCheckboxes(true);
    lv->Columns()->Add()->SetCaption("Only");
    AddRows(lv, 4);
    lv->Items()->Item(2)->SetChecked(true);
    lv->Items()->Item(1)->SetSelected(true);
    lv->SetSortType(stData);
    lv->OnCompare = [](TObject*, TListItem* a, TListItem* b, intptr_t, int& c) { c = int(b->Data() - a->Data()); };
    lv->AlphaSort();
    EXPECT_FALSE(lv->HandleAllocated());
    EXPECT_EQ(lv->Items()->Item(0)->Data(), 3);
    lv->SetParent(f.get());
    HWND h = lv->Handle();
    EXPECT_EQ(WindowItemText(h, 0, 0), "Row 3");
    EXPECT_EQ(WindowItemParam(h, 1), reinterpret_cast<LPARAM>(lv->Items()->Item(1)));
    EXPECT_TRUE(lv->Items()->Item(1)->Checked());   // Row 2, now second
    EXPECT_EQ(lv->Selected()->Data(), 1);
    EXPECT_EQ(SendMessageA(h, LVM_GETITEMSTATE, 2, LVIS_STATEIMAGEMASK), static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(1)));
}

TEST(ListViewTest, TextSortFollowsCaptionsAndWaitsForTheUpdateToEnd) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    lv->SetSortType(stText);
    lv->Items()->BeginUpdate();
    for (const char* c : {"pear", "Apple", "fig"}) lv->Items()->Add()->SetCaption(c);
    EXPECT_EQ(lv->Items()->Item(0)->Caption(), "pear");
    lv->Items()->EndUpdate();
    EXPECT_EQ(lv->Items()->Item(0)->Caption(), "Apple");
    EXPECT_EQ(lv->Items()->Item(2)->Caption(), "pear");
    lv->Items()->Item(0)->SetCaption("zucchini");
    EXPECT_EQ(lv->Items()->Item(2)->Caption(), "zucchini");
    EXPECT_EQ(WindowItemText(lv->Handle(), 2, 0), "zucchini");
}

TEST(ListViewTest, ColumnWidthsStayWithinTheirLimits) {
    auto f = ShowTestForm();
    TListColumn* c = f->lvFiles->Column(0);
    c->SetMinWidth(60);
    c->SetMaxWidth(300);
    c->SetWidth(10);
    EXPECT_EQ(c->GetWidth(), 60);
    c->SetWidth(500);
    EXPECT_EQ(c->GetWidth(), 300);
    // A drag of the divider below the minimum is refused.
    HWND header = f->lvFiles->GetHeaderHandle();
    HDITEMA hi{};
    hi.mask = HDI_WIDTH;
    hi.cxy = 20;
    SendMessageA(header, HDM_SETITEMA, 0, reinterpret_cast<LPARAM>(&hi));
    EXPECT_EQ(c->GetWidth(), 300);
}

TEST(ListViewTest, AFreedImageListLeavesTheProperty) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    auto* il = new TImageList(f.get());
    FillStateImages(il);
    lv->SetSmallImages(il);
    HWND h = lv->Handle();
    EXPECT_EQ(SendMessageA(h, LVM_GETIMAGELIST, LVSIL_SMALL, 0), reinterpret_cast<LRESULT>(il->Handle()));
    il->Free();
    EXPECT_EQ(lv->GetSmallImages(), nullptr);
    EXPECT_EQ(SendMessageA(h, LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0);
}

TEST(ListViewTest, EditingACaptionGoesThroughOnEdited) {
    auto f = ShowTestForm();
    TListView* lv = f->lvFiles;
    AddRows(lv, 2);
    EXPECT_FALSE(lv->Items()->Item(0)->EditCaption());   // ReadOnly in the layout
    lv->SetReadOnly(false);
    lv->OnEdited = [](TObject*, TListItem*, std::string& s) { s += "!"; };
    ASSERT_TRUE(lv->Items()->Item(0)->EditCaption());
    HWND edit = reinterpret_cast<HWND>(SendMessageA(lv->Handle(), LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "Renamed");
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(PumpUntil([&] { return !lv->IsEditing(); }));
    EXPECT_EQ(lv->Items()->Item(0)->Caption(), "Renamed!");
    EXPECT_EQ(WindowItemText(lv->Handle(), 0, 0), "Renamed!");
}

// ---------------------------------------------------------------------------------------
// Tree view

TEST(TreeViewTest, AClickOnTheStateIconIsFoundByTheHitTest) {
    auto f = ShowTestForm();
    FillStateImages(f->ilState);
    TTreeView* tv = f->tvScan;
    HWND h = tv->Handle();
    ASSERT_EQ(SendMessageA(h, TVM_GETIMAGELIST, TVSIL_STATE, 0), reinterpret_cast<LRESULT>(f->ilState->Handle()));
    TTreeNode* root = tv->Items()->Add(nullptr, "HKEY_CURRENT_USER\\Software\\Vendor");
    root->SetStateIndex(3);
    TTreeNode* a = tv->Items()->AddChild(root, "ValueA");
    a->SetStateIndex(2);
    TTreeNode* b = tv->Items()->AddChild(root, "ValueB");
    b->SetStateIndex(1);
    root->Expand(false);
    PumpIdle();
    EXPECT_EQ(SendMessageA(h, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(a->ItemId()), TVIS_STATEIMAGEMASK),
              static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(2)));

    TRect label = b->DisplayRect(true);
    ASSERT_FALSE(label.IsEmpty());
    int y = (label.Top + label.Bottom) / 2;
    PostClick(h, label.Left - 8, y);
    ASSERT_TRUE(PumpUntil([&] { return !f->treeDowns.empty(); }));
    EXPECT_EQ(f->treeDowns[0].Node, b);
    EXPECT_TRUE(f->treeDowns[0].Hit.Contains(htOnStateIcon));
    EXPECT_TRUE(f->treeDowns[0].Hit.Contains(htOnItem));

    f->treeDowns.clear();
    PostClick(h, Center(label).X, y);
    ASSERT_TRUE(PumpUntil([&] { return !f->treeDowns.empty(); }));
    EXPECT_TRUE(f->treeDowns[0].Hit.Contains(htOnLabel));
    EXPECT_FALSE(f->treeDowns[0].Hit.Contains(htOnStateIcon));
    EXPECT_TRUE(tv->GetHitTestInfoAt(label.Left, label.Bottom + 40).Contains(htNowhere));
    EXPECT_TRUE(tv->GetHitTestInfoAt(label.Left, tv->GetClientHeight() + 10).Contains(htBelow));
}

TEST(TreeViewTest, NodesKeepOrderDataAndSurviveANewWindow) {
    auto f = ShowTestForm();
    TTreeView* tv = f->tvScan;
    int records[4] = {10, 11, 12, 13};
    TTreeNodes* nodes = tv->Items();
    TTreeNode* files = nodes->AddObject(nullptr, "Files", &records[0]);
    TTreeNode* keys = nodes->AddObject(nullptr, "Keys", &records[1]);
    TTreeNode* f1 = nodes->AddChildObject(files, "a.dll", &records[2]);
    TTreeNode* f0 = nodes->AddChildObjectFirst(files, "0.dll", &records[3]);
    TTreeNode* mid = nodes->Insert(keys, "Between");
    mid->SetStateIndex(2);
    files->Expand(false);

    ASSERT_EQ(nodes->Count(), 5);
    const char* expected[] = {"Files", "0.dll", "a.dll", "Between", "Keys"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(nodes->Item(i)->Text(), expected[i]);
        EXPECT_EQ(nodes->Item(i)->AbsoluteIndex(), i);
    }
    EXPECT_EQ(files->Count(), 2);
    EXPECT_EQ(files->Item(1), f1);
    EXPECT_EQ(files->getFirstChild(), f0);
    EXPECT_EQ(f0->GetNextSibling(), f1);
    EXPECT_EQ(f1->GetNext(), mid);
    EXPECT_EQ(f1->Parent(), files);
    EXPECT_EQ(f1->Level(), 1);
    EXPECT_EQ(mid->Index(), 1);
    EXPECT_EQ(*static_cast<int*>(f0->Data()), 13);
    // The window holds the same order.
    HWND h = tv->Handle();
    auto next = [&](HTREEITEM i, UINT code) {
        return reinterpret_cast<HTREEITEM>(SendMessageA(h, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(i)));
    };
    EXPECT_EQ(next(files->ItemId(), TVGN_CHILD), f0->ItemId());
    EXPECT_EQ(next(files->ItemId(), TVGN_NEXT), mid->ItemId());

    tv->SetSelected(f1);
    tv->RecreateWnd();
    EXPECT_NE(f1->ItemId(), nullptr);
    EXPECT_EQ(tv->Selected(), f1);
    EXPECT_TRUE(files->Expanded());
    EXPECT_EQ(SendMessageA(tv->WindowHandle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(mid->ItemId()), TVIS_STATEIMAGEMASK),
              static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(2)));
    EXPECT_EQ(tv->Items()->GetNodeFromItem(f0->ItemId()), f0);

    std::vector<std::string> deleted;
    tv->OnDeletion = [&](TObject*, TTreeNode* n) { deleted.push_back(n->Text()); };
    files->Delete();
    EXPECT_EQ(deleted.size(), 3u);
    EXPECT_EQ(nodes->Count(), 2);
    EXPECT_EQ(SendMessageA(tv->WindowHandle(), TVM_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(nodes->GetFirstNode(), mid);
}

TEST(TreeViewTest, ReadOnlyRefusesEditingAndChangingCanVetoSelection) {
    auto f = ShowTestForm();
    TTreeView* tv = f->tvScan;
    TTreeNode* a = tv->Items()->Add(nullptr, "A");
    TTreeNode* b = tv->Items()->Add(nullptr, "B");
    HWND h = tv->Handle();
    EXPECT_FALSE(GetWindowLongPtrA(h, GWL_STYLE) & TVS_EDITLABELS);
    EXPECT_FALSE(a->EditText());
    EXPECT_FALSE(tv->IsEditing());
    tv->SetReadOnly(false);
    EXPECT_EQ(tv->WindowHandle(), h);
    EXPECT_TRUE(a->EditText());
    EXPECT_TRUE(tv->IsEditing());
    a->EndEdit(true);
    EXPECT_EQ(a->Text(), "A");

    std::vector<TTreeNode*> changes;
    tv->OnChange = [&](TObject*, TTreeNode* n) { changes.push_back(n); };
    tv->SetSelected(b);
    EXPECT_EQ(changes, std::vector<TTreeNode*>{b});
    tv->OnChanging = [](TObject*, TTreeNode*, bool& allow) { allow = false; };
    tv->SetSelected(a);
    EXPECT_EQ(tv->Selected(), b);
    EXPECT_EQ(changes.size(), 1u);
}

TEST(TreeViewTest, ExpandingCanBeRefusedAndFullExpandOpensEverything) {
    auto f = ShowTestForm();
    TTreeView* tv = f->tvScan;
    TTreeNode* a = tv->Items()->Add(nullptr, "A");
    TTreeNode* a1 = tv->Items()->AddChild(a, "A1");
    tv->Items()->AddChild(a1, "A11");
    std::vector<TTreeNode*> asked;
    tv->OnExpanding = [&](TObject*, TTreeNode* n, bool& allow) {
        asked.push_back(n);
        allow = n != a1;
    };
    tv->Handle();
    // The button of A, as a user clicks it.
    TRect r = a->DisplayRect(true);
    int x = r.Left - 1;
    while (x > 0 && !tv->GetHitTestInfoAt(x, r.Top + 2).Contains(htOnButton)) --x;
    ASSERT_GT(x, 0);
    PostClick(tv->Handle(), x, r.Top + 2);
    ASSERT_TRUE(PumpUntil([&] { return a->Expanded(); }));
    EXPECT_EQ(asked, std::vector<TTreeNode*>{a});
    tv->FullExpand();
    EXPECT_FALSE(a1->Expanded());
}

// ---------------------------------------------------------------------------------------
// Picture combo box

TEST(ComboBoxExTest, OnlyTheUsersChoiceFiresOnChange) {
    auto f = ShowTestForm();
    TComboBoxEx* cb = f->cmbPrograms;
    HWND h = cb->Handle();
    ASSERT_EQ(cb->Items()->Count(), 2);
    ASSERT_EQ(SendMessageA(h, CB_GETCOUNT, 0, 0), 2);
    COMBOBOXEXITEMA probe{};
    char buf[32] = {};
    probe.mask = CBEIF_TEXT | CBEIF_IMAGE;
    probe.iItem = 1;
    probe.pszText = buf;
    probe.cchTextMax = sizeof buf;
    ASSERT_TRUE(SendMessageA(h, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&probe)));
    EXPECT_STREQ(buf, "Second");
    EXPECT_EQ(probe.iImage, 1);

    cb->Clear();
    for (int i = 0; i < 4; ++i) cb->AddItem("Program " + std::to_string(i), 100 + i);
    cb->GetItemsEx()->Items(2)->SetImageIndex(1);
    ASSERT_EQ(SendMessageA(h, CB_GETCOUNT, 0, 0), 4);
    cb->SetItemIndex(1);
    PumpIdle();
    EXPECT_EQ(f->comboChanges, 0);
    EXPECT_EQ(SendMessageA(h, CB_GETCURSEL, 0, 0), 1);

    // What the list does when the user picks a row: select, then tell the parent.
    SendMessageA(h, CB_SETCURSEL, 2, 0);
    PostMessageA(f->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), CBN_SELCHANGE), reinterpret_cast<LPARAM>(h));
    ASSERT_TRUE(PumpUntil([&] { return f->comboChanges == 1; }));
    EXPECT_EQ(cb->GetItemIndex(), 2);
    EXPECT_EQ(cb->GetItemsEx()->Items(cb->GetItemIndex())->GetData(), 102);

    // The keyboard on the inner combo box.
    HWND combo = cb->ComboHandle();
    ASSERT_NE(combo, nullptr);
    SetFocus(combo);
    PostMessageA(combo, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(combo, WM_KEYUP, VK_DOWN, 0);
    ASSERT_TRUE(PumpUntil([&] { return f->comboChanges == 2; }));
    EXPECT_EQ(cb->GetItemIndex(), 3);
    COMBOBOXEXITEMA got{};
    got.mask = CBEIF_LPARAM;
    got.iItem = 3;
    SendMessageA(h, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&got));
    EXPECT_EQ(got.lParam, 103);
}

TEST(ComboBoxExTest, ChangingTheStyleKeepsItemsImagesAndChoice) {
    auto f = ShowTestForm();
    TComboBoxEx* cb = f->cmbPrograms;
    FillStateImages(f->ilState);
    cb->SetImages(f->ilState);
    cb->AddItem("Third", 7);
    cb->SetItemIndex(2);
    HWND before = cb->Handle();
    EXPECT_EQ(SendMessageA(before, CBEM_GETIMAGELIST, 0, 0), reinterpret_cast<LRESULT>(f->ilState->Handle()));
    cb->SetStyle(csExDropDown);
    HWND after = cb->Handle();
    EXPECT_NE(cb->EditHandle(), nullptr);
    EXPECT_EQ(SendMessageA(after, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(cb->GetItemIndex(), 2);
    EXPECT_EQ(SendMessageA(after, CBEM_GETIMAGELIST, 0, 0), reinterpret_cast<LRESULT>(f->ilState->Handle()));
    EXPECT_EQ(f->comboChanges, 0);
}
