// The program list page: the fill from Quorbel.dll, the columns, sorting, drawing, tips,
// the Directory cell, search, selection, the hide and view options and refresh.
#include "app/QuorbelLib_TLB.h"
#include "app/StartupList.h"
#include "app/frmMain.h"
#include "app/funUtils.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "controls/framed/FcTabs.h"
#include "controls/skinned/ArButton.h"
#include "controls/skinned/SkPopupMenu.h"
#include "controls/skinned/SkURLLabel.h"
#include "framework/Guards.h"
#include "framework/IniFiles.h"

unsigned long SystemPatchCount = 0;
std::string ProgramCountText;
bool SortAscending = true;
int SortColumn = 0;
int SearchStartIndex = 0;

namespace {

const char* const kConfigSection = "config";

// The text of a cell: column 0 is the caption, column c the sub-item c - 1.
std::string CellText(const TListItem* item, int column) {
    if (column == 0) return item->Caption();
    TStrings* subItems = item->SubItems();
    return column - 1 < subItems->Count() ? subItems->Get(column - 1) : std::string();
}

} // namespace

// ---- Rows and the pure pieces --------------------------------------------------------------

intptr_t ProgramRowData(TProgramRowKind kind, int index) {
    return static_cast<intptr_t>(index) * 2 + (kind == rkScreenSaver ? 1 : 0);
}

TProgramRow ProgramRowOf(const TListItem* item) {
    if (!item) return {};
    intptr_t data = item->Data();
    return {data & 1 ? rkScreenSaver : rkProgram, static_cast<int>(data >> 1)};
}

std::string ScreenSaverCaption(const std::string& displayName, const std::string& fileName) {
    return Format("[%s]%s", IDS_MAINFORM_ScreenSaver, displayName.empty() ? fileName : displayName);
}

std::string ProgramCountTextOf(int total, int patches, int screenSavers) {
    return Format("%d (%s: %d, %s: %d)", total, IDS_MAINFORM_MENU_TOOLS_WindowsUpdate, patches,
                  IDS_MAINFORM_ScreenSaver, screenSavers);
}

std::string UsageFrequencyWord(unsigned long usageCount) {
    if (usageCount < 3) return IDS_ListView_Tips_UsedFrequency_Rarely;
    if (usageCount <= 10) return IDS_ListView_Tips_UsedFrequency_Occasionally;
    return IDS_ListView_Tips_UsedFrequency_Frequently;
}

std::string SortPadded(const std::string& text) { return Format("%10s", text); }

int CompareRowTexts(const std::string& a, const std::string& b, int column, bool ascending) {
    int order = column == 0 ? CompareText(a, b) : CompareText(SortPadded(a), SortPadded(b));
    return ascending ? order : -order;
}

int FindRowFrom(const std::vector<std::string>& captions, int start, const std::string& text) {
    const std::string wanted = AnsiUpperCase(text);
    for (int i = std::max(start, 0); i < static_cast<int>(captions.size()); ++i)
        if (AnsiUpperCase(captions[static_cast<size_t>(i)]).find(wanted) != std::string::npos) return i;
    return -1;
}

// ---- The fill -------------------------------------------------------------------------------

void TMainForm::SetupListColumns() {
    struct TColumn { TListView* List; const std::string* Caption; int Width; };
    const TColumn columns[] = {{lsvProgramList, &IDS_LISTVIEW_COLUMNS_Descriptions, 200},
                               {lsvProgramList, &IDS_LISTVIEW_COLUMNS_Publisher, 160},
                               {lsvProgramList, &IDS_LISTVIEW_COLUMNS_Directory, 360}};
    for (const TColumn& c : columns) {
        TListColumn* column = c.List->Columns()->Add();
        column->SetCaption(*c.Caption);
        column->SetWidth(c.Width);
    }
    StartupList->SetupColumns();
}

void TMainForm::FillProgramList() {
    SystemPatchCount = 0;
    int hidden = 0;
    ProgramList->RefreshPrograms();
    ULONG programs = 0;
    ProgramList->ProgramCount(programs);
    TListItems* rows = lsvProgramList->Items();
    rows->Clear();
    if (ProgramSelector) ProgramSelector->Clear();
    TUpdateLock<TListItems> batch(rows);
    for (LONG i = 0; i < static_cast<LONG>(programs); ++i) {
        ComPtr<IProgramItem> entry;
        ProgramList->Item(i, entry);
        // An entry the component can't give ends the whole fill: no screen savers, no count.
        if (!entry) return;
        if (ItemValue(entry.Get(), &IProgramItem::IsSystemPatch) == 1) {
            ++SystemPatchCount;
            if (HideSysPatchFlag) {
                ++hidden;
                continue;
            }
        }
        std::string caption = ItemText(entry.Get(), &IProgramItem::DisplayName);
        if (caption.empty()) caption = ItemText(entry.Get(), &IProgramItem::RegistryName);
        // Made whole, then inserted: one message to the list per row, not one per text.
        auto row = std::make_unique<TListItem>(rows);
        row->SetCaption(caption);
        row->SubItems()->Add(ItemText(entry.Get(), &IProgramItem::Publisher));
        row->SubItems()->Add(ItemText(entry.Get(), &IProgramItem::InstallLocation));
        row->SetData(ProgramRowData(rkProgram, i));
        row->SetImageIndex(ItemValue(entry.Get(), &IProgramItem::IconIndex));
        const int image = row->ImageIndex();
        rows->AddItem(std::move(row));
        if (ProgramSelector) ProgramSelector->GetItemsEx()->AddItem(caption, image, -1, -1, 0, i);
    }
    ProgramList->RefreshScreenSavers();
    ULONG savers = 0;
    ProgramList->ScreenSaverCount(savers);
    if (!HideScreenSaverFlag) {
        for (LONG j = 0; j < static_cast<LONG>(savers); ++j) AddScreenSaverRow(j);
    }
    ProgramCountText = ProgramCountTextOf(static_cast<int>(programs + savers), static_cast<int>(SystemPatchCount),
                                          static_cast<int>(savers));
    lblProgramCounts->SetLeft(lblPrograms->Left() + lblPrograms->Width() + 5);
    lblProgramCounts->SetCaption(ProgramCountText);
}

void TMainForm::AddScreenSaverRow(LONG index) {
    auto row = std::make_unique<TListItem>(lsvProgramList->Items());
    std::wstring fileName, displayName, publisher, folder;
    ProgramList->ScreenSaverFileName(index, fileName);
    if (!fileName.empty()) {
        ProgramList->ScreenSaverDisplayName(index, displayName);
        row->SetCaption(ScreenSaverCaption(FromWide(displayName), FromWide(fileName)));
    }
    row->SetData(ProgramRowData(rkScreenSaver, index));
    LONG image = -1;
    ProgramList->ScreenSaverIconIndex(index, image);
    row->SetImageIndex(image);
    ProgramList->ScreenSaverPublisher(index, publisher);
    ProgramList->ScreenSaverDirectory(index, folder);
    row->SubItems()->Add(FromWide(publisher));
    row->SubItems()->Add(FromWide(folder));
    lsvProgramList->Items()->AddItem(std::move(row));
}

// ---- Drawing, tips and the Directory cell ---------------------------------------------------

void TMainForm::lsvProgramListCustomDrawSubItem(TCustomListView* Sender, TListItem*, int SubItem,
                                                TCustomDrawState State, bool& DefaultDraw) {
    DefaultDraw = true;
    if (SubItem != 2) return;
    // Blue on the focused list's blue selection bar could not be read: the link there takes
    // the selection's text colour and keeps its underline.
    const bool onSelectionBar = State.Contains(cdsSelected) && Sender->Focused();
    Sender->Canvas()->Font()->SetColor(onSelectionBar ? clHighlightText : clBlue);
    Sender->Canvas()->Font()->SetStyle({fsUnderline});
}

bool TMainForm::ShowsColumns() const {
    TViewStyle style = lsvProgramList->GetViewStyle();
    return style != vsIcon && style != vsList;
}

TRect TMainForm::DirectoryCell(TListItem* item) const {
    return item ? item->DisplayRectSubItem(2, drBounds) : TRect();
}

void TMainForm::lsvProgramListMouseMove(TObject*, TShiftState, int X, int Y) {
    try {
        if (!ShowsColumns()) return;
        TListItems* rows = lsvProgramList->Items();
        if (rows->Count() > 0) {
            TRect first = DirectoryCell(rows->Item(0));
            if (X <= first.Left || X >= first.Right) lsvProgramList->SetCursor(crDefault);
        }
        if (TListItem* row = lsvProgramList->GetItemAt(X, Y))
            lsvProgramList->SetCursor(DirectoryCell(row).Contains(TPoint(X, Y)) ? crHandPoint : crDefault);
    } catch (...) {
        // The pointer shape is not worth an error box.
    }
}

void TMainForm::lsvProgramListMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    try {
        TListItem* selected = lsvProgramList->Selected();
        if (Button == mbRight && selected) {
            POINT at;
            GetCursorPos(&at);
            pmPLRightClick->PopupFor(lsvProgramList, at.x, at.y);
        }
        SearchStartIndex = 0;
        if (!selected || !ShowsColumns() || Button != mbLeft) return;
        TRect first = DirectoryCell(lsvProgramList->Items()->Item(0));
        if (X >= first.Right || !DirectoryCell(selected).Contains(TPoint(X, Y))) return;
        const std::wstring folder = RowFolder(selected);
        // The folder comes from the entry's registry values, which any installer writes:
        // only a folder that exists is opened, never a program or document named there.
        const DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            ShellOpen(Handle(), ShellFolderName(folder), L"", SW_SHOWNORMAL);
    } catch (...) {
        // A click that can't be served does nothing.
    }
}

void TMainForm::lsvProgramListInfoTip(TObject*, TListItem* Item, std::string& InfoTip) {
    try {
        TProgramRow row = ProgramRowOf(Item);
        if (!Item || row.Index < 0) return;
        if (row.Kind == rkScreenSaver) {
            ULONG size = 0;
            std::wstring fileName, lastUsed;
            ProgramList->ScreenSaverSize(row.Index, size);
            ProgramList->ScreenSaverFileName(row.Index, fileName);
            ProgramList->ScreenSaverLastUsed(row.Index, lastUsed);
            InfoTip = FormatLangOf(IDS_LISTVIEW_TIPS_Size, static_cast<double>(size) / 1048576.0) + "\r\n" +
                      FormatLangOf(IDS_LISTVIEW_TIPS_ScrName, FromWide(fileName)) + "\r\n" +
                      FormatLangOf(IDS_LISTVIEW_TIPS_LastUsed, FromWide(lastUsed)) + "\r\n";
            return;
        }
        ComPtr<IProgramItem> entry;
        ProgramList->Item(row.Index, entry);
        if (!entry) return;
        std::string tip = FormatLangOf(IDS_LISTVIEW_TIPS_UsedFrequency,
                                       UsageFrequencyWord(ItemValue(entry.Get(), &IProgramItem::UsageCount))) +
                          "\r\n";
        const std::string lastUsed = ItemText(entry.Get(), &IProgramItem::LastUsed);
        if (!lastUsed.empty()) tip += FormatLangOf(IDS_LISTVIEW_TIPS_LastUsed, lastUsed) + "\r\n";
        tip += FormatLangOf(IDS_LISTVIEW_TIPS_UninstallString, ItemText(entry.Get(), &IProgramItem::UninstallString));
        InfoTip = tip;
    } catch (...) {
        // The list view's own tip stays.
    }
}

// ---- Sorting and searching --------------------------------------------------------------------

void TMainForm::lsvProgramListColumnClick(TObject*, TListColumn* Column) {
    if (!Column) return;
    SortColumn = Column->Index();
    const int column = SortColumn;
    const bool ascending = SortAscending;
    lsvProgramList->CustomSort(
        [column, ascending](TListItem* a, TListItem* b, intptr_t) {
            return CompareRowTexts(CellText(a, column), CellText(b, column), column, ascending);
        },
        0);
    SortAscending = !SortAscending;
}

int TMainForm::FindNextProgramRow(const std::string& text) {
    TListItems* rows = lsvProgramList->Items();
    std::vector<std::string> captions;
    captions.reserve(static_cast<size_t>(rows->Count()));
    for (int i = 0; i < rows->Count(); ++i) captions.push_back(rows->Item(i)->Caption());
    int found = FindRowFrom(captions, SearchStartIndex, text);
    if (found >= 0) SearchStartIndex = found + 1;
    return found;
}

void TMainForm::ActionSearchExecute(TObject*) {
    const std::string text = txtSearchInfo->GetText();
    if (text.empty()) return;
    int found = FindNextProgramRow(text);
    if (found < 0) return;
    TListItems* rows = lsvProgramList->Items();
    rows->Item(found)->SetSelected(true);
    lsvProgramList->SetFocus();
    lsvProgramList->Scroll(0, found > 0 ? rows->Item(found - 1)->GetPosition().Y : -100000);
}

void TMainForm::txtSearchInfoChange(TObject*) { SearchStartIndex = 0; }

// ---- Selection --------------------------------------------------------------------------------

void TMainForm::lsvProgramListSelectItem(TObject*, TListItem* Item, bool) {
    btnUninstall->SetEnabled(true);
    btnShowDetails->SetEnabled(true);
    lblProgramURL->SetCaption("");
    if (!Item) return;
    const bool programRow = ProgramRowOf(Item).Kind == rkProgram;
    ShowProgramRowCommands(programRow);
    if (programRow) ShowProgramEntryStatus(Item);
}

// The commands that make sense for the kind of row selected.
void TMainForm::ShowProgramRowCommands(bool programRow) {
    if (!programRow) {
        lblProgramURL->Hide();
        lblRegName->Hide();
        lblRegistryName->Hide();
    }
    for (TMenuItem* item : {mItemExportRegInfo, mItemRegedit, mItemComment, mItemAddComments, mItemEditEntryReg,
                            mItemExportReg, mItemShowDetails})
        item->SetEnabled(programRow);
    btnShowDetails->SetEnabled(programRow);
    TAction* remove = programRow ? ActionUninstall : ActionDeleteScr;
    mItemUninstall->SetAction(remove);
    btnUninstall->SetAction(remove);
    const std::string& caption = programRow ? IDS_SIDEBAR_BUTTON_Uninstall : IDS_SIDEBAR_BUTTON_DeleteScr;
    mItemUninstall->SetCaption(caption);
    btnUninstall->SetCaption(caption);
}

// The status line names the entry's registry key and its first link.
void TMainForm::ShowProgramEntryStatus(TListItem* item) {
    ComPtr<IProgramItem> entry;
    ProgramList->Item(ProgramRowOf(item).Index, entry);
    if (!entry) return;
    lblProgramURL->Show();
    lblRegName->Show();
    lblRegistryName->Show();
    lblProgramCounts->SetLeft(lblPrograms->Left() + lblPrograms->Width() + 5);
    lblRegName->SetLeft(lblProgramCounts->Left() + lblProgramCounts->Width() + 10);
    lblRegistryName->SetLeft(lblRegName->Left() + lblRegName->Width() + 5);
    const std::string registryName = ItemText(entry.Get(), &IProgramItem::RegistryName);
    lblRegistryName->SetCaption(registryName);
    lblRegistryName->SetHint(registryName);
    lblProgramURL->SetLeft(lblRegistryName->Left() + lblRegistryName->Width() + 10);
    std::string link = ItemText(entry.Get(), &IProgramItem::AboutLink);
    if (link.empty()) link = ItemText(entry.Get(), &IProgramItem::HelpLink);
    if (link.empty()) link = ItemText(entry.Get(), &IProgramItem::UpdateLink);
    if (link.empty()) return;
    lblProgramURL->SetCaption(link);
    lblProgramURL->SetURL(link);
    lblProgramURL->SetHint(link);
}

// ---- Options and refresh ------------------------------------------------------------------------

void TMainForm::ActionHideSysPatchExecute(TObject*) {
    ActionHideSysPatch->SetChecked(!ActionHideSysPatch->GetChecked());
    HideSysPatchFlag = ActionHideSysPatch->GetChecked();
    TIniFile(ConfigPath).WriteBool(kConfigSection, "HideSysPatch", HideSysPatchFlag);
    FillProgramList();
}

void TMainForm::ActionHideScrExecute(TObject*) {
    ActionHideScr->SetChecked(!ActionHideScr->GetChecked());
    HideScreenSaverFlag = ActionHideScr->GetChecked();
    TIniFile(ConfigPath).WriteBool(kConfigSection, "HideScreenSaver", HideScreenSaverFlag);
    FillProgramList();
}

void TMainForm::SetViewStyleChecks(TViewStyle style) {
    lsvProgramList->SetViewStyle(style);
    mItemViewIcon->SetChecked(style == vsIcon);
    mItemIcon->SetChecked(style == vsIcon);
    mItemViewList->SetChecked(style == vsList);
    mItemList->SetChecked(style == vsList);
    mItemViewReport->SetChecked(style == vsReport);
    mItemReport->SetChecked(style == vsReport);
}

void TMainForm::ActionViewIconExecute(TObject*) { SetViewStyleChecks(vsIcon); }

void TMainForm::ActionViewListExecute(TObject*) { SetViewStyleChecks(vsList); }

void TMainForm::ActionViewReportExecute(TObject*) { SetViewStyleChecks(vsReport); }

void TMainForm::ActionGridExecute(TObject*) {
    ActionGrid->SetChecked(!ActionGrid->GetChecked());
    lsvProgramList->SetGridLines(ActionGrid->GetChecked());
    lsvStartupList->SetGridLines(ActionGrid->GetChecked());
}

void TMainForm::ActionInfoTipsExecute(TObject*) {
    ActionInfoTips->SetChecked(!ActionInfoTips->GetChecked());
    lsvProgramList->SetShowHint(ActionInfoTips->GetChecked());
}

void TMainForm::ActionRefreshExecute(TObject*) {
    switch (PageControl->GetActivePageIndex()) {
    case 0: FillProgramList(); break;
    case 1: FillStartupList(); break;
    default: break;
    }
}
