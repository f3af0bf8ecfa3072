// The program list page of the main window against entries and screen savers planted in the
// test prefix: the fill and its counts, the hide options, sorting, search, selection and the
// Directory cell.
#include "MainFormTesting.h"
#include "Sandbox.h"
#include "app/QuorbelLib_TLB.h"
#include "controls/framed/FcRadChk.h"
#include "controls/skinned/ArButton.h"
#include "controls/skinned/SkPopupMenu.h"
#include "controls/skinned/SkURLLabel.h"
#include "framework/IniFiles.h"

#include <cstdio>

using namespace mainform;

namespace {

struct TCounts {
    int Total = -1, Patches = -1, Savers = -1;
};

TCounts ParseCounts(const std::string& text) {
    TCounts c;
    char a[64], b[64];
    std::sscanf(text.c_str(), "%d (%63[^:]: %d, %63[^:]: %d)", &c.Total, a, &c.Patches, b, &c.Savers);
    return c;
}

class MainFormList : public MainFormTest {
protected:
    // Clicks the middle of a row's cell in the report view.
    void ClickCell(TListItem* row, int column, UINT down = WM_LBUTTONDOWN) {
        TRect cell = row->DisplayRectSubItem(column, drBounds);
        HWND list = Form().lsvProgramList->WindowHandle();
        LPARAM at = MAKELPARAM(cell.Left + 10, (cell.Top + cell.Bottom) / 2);
        PostMessageA(list, down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, at);
        PostMessageA(list, down + 1, 0, at);
        PumpIdle();
    }
};

} // namespace

TEST_F(MainFormList, FillCountsEveryEntryAndKeepsScreenSaverRowsApartByTheirData) {
    EXPECT_EQ(OurRows(), (std::vector<std::string>{"Velmora Test Alpha", "Velmora Test Beta", "[Velmora Test] Gamma",
                                                   "Velmora Test Patch KB1000001", "Velmora Test Patch KB1000002",
                                                   "[Screen Saver]Velmora Starfield", "[Screen Saver]VelmoraMainB.scr"}));
    TProgramRow bracketed = ProgramRowOf(Row("[Velmora Test] Gamma"));
    EXPECT_EQ(bracketed.Kind, rkProgram) << "a bracket in a program's name does not make it a screen saver";
    TProgramRow saver = ProgramRowOf(Row("[Screen Saver]Velmora Starfield"));
    ASSERT_EQ(saver.Kind, rkScreenSaver);
    std::wstring file;
    Form().ProgramList->ScreenSaverFileName(saver.Index, file);
    EXPECT_EQ(file, L"VelmoraMainA.scr");

    const TCounts with = ParseCounts(ProgramCountText);
    EXPECT_EQ(Form().lblProgramCounts->GetCaption(), ProgramCountText);
    EXPECT_EQ(Form().lblProgramCounts->Left(), Form().lblPrograms->Left() + Form().lblPrograms->Width() + 5);
    entries_.RemoveAll();
    savers_.reset();
    Form().FillProgramList();
    const TCounts without = ParseCounts(ProgramCountText);
    EXPECT_EQ(with.Total - without.Total, 7) << "five entries and two screen savers";
    EXPECT_EQ(with.Patches - without.Patches, 2);
    EXPECT_EQ(with.Savers - without.Savers, 2);
}

TEST_F(MainFormList, HideOptionsDropRowsButNotTheCountsAndAreSaved) {
    TMainForm& form = Form();
    TFreeGuard<TComboBoxEx> selector(TComboBoxEx::Create(nullptr));
    form.ProgramSelector = selector.get();
    const std::string counts = ProgramCountText;
    form.ActionHideSysPatch->Execute();
    form.ActionHideScr->Execute();
    EXPECT_EQ(OurRows(), (std::vector<std::string>{"Velmora Test Alpha", "Velmora Test Beta", "[Velmora Test] Gamma"}));
    EXPECT_EQ(ProgramCountText, counts);
    EXPECT_TRUE(form.ckbHidePatch->GetChecked());
    EXPECT_TRUE(form.ckbHideScr->GetChecked());
    EXPECT_TRUE(HideSysPatchFlag && HideScreenSaverFlag);
    TIniFile ini(ConfigPath);
    EXPECT_TRUE(ini.ReadBool("config", "HideSysPatch", false));
    EXPECT_TRUE(ini.ReadBool("config", "HideScreenSaver", false));
    // The details selector holds the program rows, in list order, each with its entry's index.
    TListItems* rows = form.lsvProgramList->Items();
    ASSERT_EQ(selector->GetItemsEx()->Count(), rows->Count());
    for (int i = 0; i < rows->Count(); ++i) {
        EXPECT_EQ(selector->GetItemsEx()->Items(i)->GetCaption(), rows->Item(i)->Caption());
        EXPECT_EQ(selector->GetItemsEx()->Items(i)->GetData(), ProgramRowOf(rows->Item(i)).Index);
    }
    form.ProgramSelector = nullptr;
}

TEST_F(MainFormList, ColumnClicksSortByTextsPaddedToTenCharactersThenReverse) {
    TMainForm& form = Form(true);
    form.ActionHideSysPatch->Execute();
    form.ActionHideScr->Execute();
    HWND header = form.lsvProgramList->GetHeaderHandle();
    ASSERT_TRUE(header);
    // The Publisher column: "Mid" and "Zed" pad to seven blanks, "Aardvarks" to one.
    PostClick(header, 250, 8);
    PumpIdle();
    EXPECT_EQ(SortColumn, 1);
    EXPECT_EQ(OurRows(), (std::vector<std::string>{"[Velmora Test] Gamma", "Velmora Test Beta", "Velmora Test Alpha"}));
    PostClick(header, 250, 8);
    PumpIdle();
    EXPECT_EQ(OurRows(), (std::vector<std::string>{"Velmora Test Alpha", "Velmora Test Beta", "[Velmora Test] Gamma"}));
    EXPECT_LT(CompareRowTexts("b", "A", 0, false), 0) << "captions are compared as they are, descending";
    EXPECT_EQ(SortPadded("Zed"), "       Zed");
}

TEST_F(MainFormList, SearchGoesOnFromTheLastMatchWithoutWrappingAround) {
    TMainForm& form = Form(true);
    form.ActionHideSysPatch->Execute();
    form.txtSearchInfo->SetText("velmora TEST");
    std::vector<std::string> found;
    for (int i = 0; i < 4; ++i) {
        form.ActionSearch->Execute();
        TListItem* selected = form.lsvProgramList->Selected();
        found.push_back(selected ? selected->Caption() : "");
    }
    EXPECT_EQ(found, (std::vector<std::string>{"Velmora Test Alpha", "Velmora Test Beta", "[Velmora Test] Gamma",
                                               "[Velmora Test] Gamma"}));
    // Enter in the search text presses the default button.
    form.txtSearchInfo->SetText("Velmora Test");
    form.txtSearchInfo->SetFocus();
    PostMessageA(form.txtSearchInfo->WindowHandle(), WM_KEYDOWN, VK_RETURN, 1);
    PumpIdle();
    EXPECT_EQ(form.lsvProgramList->Selected()->Caption(), "Velmora Test Alpha") << "an edit starts at the top";
    EXPECT_EQ(FindRowFrom({"a", "b"}, 2, "a"), -1);
}

TEST_F(MainFormList, SelectionSwitchesTheRemoveCommandAndTheStatusLineByRowKind) {
    TMainForm& form = Form(true);
    Row("[Screen Saver]Velmora Starfield")->SetSelected(true);
    PumpIdle();
    EXPECT_EQ(form.btnUninstall->GetAction(), form.ActionDeleteScr);
    EXPECT_EQ(form.mItemUninstall->GetAction(), form.ActionDeleteScr);
    EXPECT_EQ(form.btnUninstall->GetCaption(), IDS_SIDEBAR_BUTTON_DeleteScr);
    EXPECT_FALSE(form.btnShowDetails->GetEnabled());
    EXPECT_FALSE(form.mItemShowDetails->GetEnabled());
    EXPECT_FALSE(form.lblRegistryName->GetVisible());

    Row("Velmora Test Alpha")->SetSelected(true);
    PumpIdle();
    EXPECT_EQ(form.btnUninstall->GetAction(), form.ActionUninstall);
    EXPECT_EQ(form.btnUninstall->GetCaption(), IDS_SIDEBAR_BUTTON_Uninstall);
    EXPECT_TRUE(form.btnShowDetails->GetEnabled() && form.mItemExportReg->GetEnabled());
    EXPECT_TRUE(form.lblRegistryName->GetVisible());
    EXPECT_EQ(form.lblRegistryName->GetCaption(), "VelmoraMainForm_Alpha");
    EXPECT_EQ(form.lblProgramURL->GetURL(), "https://alpha.example/");
    EXPECT_EQ(form.lblProgramURL->Left(), form.lblRegistryName->Left() + form.lblRegistryName->Width() + 10);
    // A refill with a row selected starts from an empty selection.
    form.ActionRefresh->Execute();
    PumpIdle();
    EXPECT_EQ(form.lsvProgramList->Selected(), nullptr);
}

TEST_F(MainFormList, DirectoryCellOpensAnExistingFolderOnlyAndOnlyOnALeftClick) {
    TMainForm& form = Form(true);
    std::vector<std::wstring> opened;
    TShellOpener previous = SetShellOpener(
        [&](HWND, const std::wstring& file, const std::wstring&, int) { opened.push_back(file); });
    TScopeExit restore([&] { SetShellOpener(std::move(previous)); });
    TPopupMenu::TOpenMenuHook hook = TPopupMenu::SetOpenMenuHook([](TPopupMenu&, HWND) { EndMenu(); });
    TScopeExit unhook([&] { TPopupMenu::SetOpenMenuHook(std::move(hook)); });

    TListItem* alpha = Row("Velmora Test Alpha");
    ClickCell(alpha, 2, WM_RBUTTONDOWN);
    ClickCell(alpha, 2);
    ClickCell(Row("Velmora Test Beta"), 2);
    ClickCell(Row("[Velmora Test] Gamma"), 0);
    EXPECT_EQ(opened, (std::vector<std::wstring>{ToWide(dir_ + "Folder")}));

    TRect cell = alpha->DisplayRectSubItem(2, drBounds);
    form.lsvProgramListMouseMove(form.lsvProgramList, {}, cell.Left + 5, cell.Top + 2);
    EXPECT_EQ(form.lsvProgramList->GetCursor(), crHandPoint);
    form.lsvProgramListMouseMove(form.lsvProgramList, {}, 5, cell.Top + 2);
    EXPECT_EQ(form.lsvProgramList->GetCursor(), crDefault);

    // Drawn as a link: blue and underlined, in the selection's text colour on the focused bar.
    bool defaultDraw = false;
    TFont* font = form.lsvProgramList->Canvas()->Font();
    form.lsvProgramListCustomDrawSubItem(form.lsvProgramList, alpha, 2, {}, defaultDraw);
    EXPECT_TRUE(defaultDraw && font->GetColor() == clBlue && font->GetStyle().Contains(fsUnderline));
    form.lsvProgramList->SetFocus();
    form.lsvProgramListCustomDrawSubItem(form.lsvProgramList, alpha, 2, {cdsSelected}, defaultDraw);
    EXPECT_EQ(font->GetColor(), clHighlightText);
}

TEST_F(MainFormList, DirectoryCellOpensAFolderTheCodePageCannotNameExactly) {
    const std::wstring folder = ToWide(dir_) + L"\u6E2C\u8A66 \u30D5\u30A9\u30EB\u30C0";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    entries_.Add(L"Cjk", [&](HKEY k) {
        hostile::SetText(k, L"DisplayName", L"Velmora Test Cjk");
        hostile::SetText(k, L"InstallLocation", folder);
        hostile::SetText(k, L"UninstallString", L"C:\\unins.exe /x Cjk");
    });
    Form(true);
    std::vector<std::wstring> opened;
    TShellOpener previous = SetShellOpener(
        [&](HWND, const std::wstring& file, const std::wstring&, int) { opened.push_back(file); });
    TScopeExit restore([&] { SetShellOpener(std::move(previous)); });
    ASSERT_TRUE(Row("Velmora Test Cjk"));
    ClickCell(Row("Velmora Test Cjk"), 2);
    EXPECT_EQ(opened, std::vector<std::wstring>{folder});
}

TEST_F(MainFormList, DirectoryCellOfTheRealSystemFolderOpensItAsTheShellNamesIt) {
    const std::string real = RealSystemFolder(), name = "VelmoraMainReal.scr";
    TScopeExit remove([&] { DeleteFileA((real + name).c_str()); });
    WriteText(real + name, "screen saver");
    Form(true);
    std::vector<std::wstring> opened;
    TShellOpener previous = SetShellOpener(
        [&](HWND, const std::wstring& file, const std::wstring&, int) { opened.push_back(file); });
    TScopeExit restore([&] { SetShellOpener(std::move(previous)); });
    TListItem* row = RowIn("[Screen Saver]" + name, real);
    ASSERT_TRUE(row);
    row->SetSelected(true);
    ClickCell(row, 2);
    // The shell's windows are the system's own width: they know the real system folder by
    // its own name, and Sysnative not at all.
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    EXPECT_EQ(opened, std::vector<std::wstring>{ToWide(std::string(system) + "\\")});
}

TEST_F(MainFormList, TipsTellUsageAndUninstallerOrSizeNameAndLastUse) {
    TMainForm& form = Form();
    std::string tip = "proposed";
    form.lsvProgramListInfoTip(form.lsvProgramList, Row("Velmora Test Alpha"), tip);
    EXPECT_EQ(tip, "Used Frequency: Rarely\r\nUninstall String: C:\\unins.exe /x Alpha");
    form.lsvProgramListInfoTip(form.lsvProgramList, Row("[Screen Saver]Velmora Starfield"), tip);
    EXPECT_EQ(tip.rfind("Size:  0.00 M\r\nName:  VelmoraMainA.scr\r\nLast Used On: ", 0), 0u) << tip;
}
