#include "app/frmDetails.h"
#include "app/QuorbelLib_TLB.h"
#include "app/multiLangs.h"
#include "framework/Guards.h"

#include <algorithm>
#include <climits>

IMPLEMENT_CLASS(TDetailsForm);

// ---- Composing the rows -----------------------------------------------------------------

const std::string& UsedFrequencyWord(unsigned long usageCount) {
    if (usageCount < 3) return IDS_ListView_Tips_UsedFrequency_Rarely;
    if (usageCount <= 10) return IDS_ListView_Tips_UsedFrequency_Occasionally;
    return IDS_ListView_Tips_UsedFrequency_Frequently;
}

std::vector<TDetailRow> ComposeDetailRows(const TEntryDetails& d) {
    std::vector<TDetailRow> rows;
    auto text = [&rows](const std::string& caption, const std::string& value) {
        if (!value.empty()) rows.push_back({caption, value});
    };
    if (d.Size != 0.0) rows.push_back({IDS_DETAILSFORM_LISTVIEW_Items_ProgramSize, Format("%.2f MB", d.Size / 1048576.0)});
    text(IDS_DETAILSFORM_LISTVIEW_Items_InstallDate, d.InstallDate);
    rows.push_back({IDS_DETAILSFORM_LISTVIEW_Items_UsedFrequency, UsedFrequencyWord(d.UsageCount)});
    text(IDS_DETAILSFORM_LISTVIEW_Items_LastAccessDate, d.LastUsed);
    text(IDS_DETAILSFORM_LISTVIEW_Items_InstallLocation, d.InstallLocation);
    text(IDS_DETAILSFORM_LISTVIEW_Items_ProgramVersion, d.Version);
    text(IDS_DETAILSFORM_LISTVIEW_Items_Publisher, d.Publisher);
    text(IDS_DETAILSFORM_LISTVIEW_Items_HelpInfo, d.HelpLink);
    text(IDS_DETAILSFORM_LISTVIEW_Items_AboutLink, d.AboutLink);
    text(IDS_DETAILSFORM_LISTVIEW_Items_UpdateLink, d.UpdateLink);
    return rows;
}

TEntryDetails ReadEntryDetails(IProgramItem* e) {
    TEntryDetails d;
    d.Size = ItemValue(e, &IProgramItem::Size);
    d.InstallDate = ItemText(e, &IProgramItem::InstallDate);
    d.UsageCount = ItemValue(e, &IProgramItem::UsageCount);
    d.LastUsed = ItemText(e, &IProgramItem::LastUsed);
    d.InstallLocation = ItemText(e, &IProgramItem::InstallLocation);
    d.Version = ItemText(e, &IProgramItem::Version);
    d.Publisher = ItemText(e, &IProgramItem::Publisher);
    d.HelpLink = ItemText(e, &IProgramItem::HelpLink);
    d.AboutLink = ItemText(e, &IProgramItem::AboutLink);
    d.UpdateLink = ItemText(e, &IProgramItem::UpdateLink);
    return d;
}

std::vector<TDetailRow> ReadRegistryValues(IProgramItem* e) {
    // The count is the component's word; the indexes it is read by are LONGs.
    const ULONG count = std::min<ULONG>(ItemValue(e, &IProgramItem::RegistryValueCount), LONG_MAX);
    std::vector<TDetailRow> rows;
    for (ULONG i = 0; i < count; ++i) {
        const LONG index = static_cast<LONG>(i);
        rows.push_back({ItemText(e, &IProgramItem::RegistryValueName, index),
                        ItemText(e, &IProgramItem::RegistryValueData, index)});
    }
    return rows;
}

// ---- The window ---------------------------------------------------------------------------

void TDetailsForm::Publish(TClassBuilder<TDetailsForm>& b) {
    b.Component("lblPrograms", &TDetailsForm::lblPrograms);
    b.Component("cmbPrograms", &TDetailsForm::cmbPrograms);
    b.Component("CmbImageList", &TDetailsForm::CmbImageList);
    b.Component("pcProgramDetails", &TDetailsForm::pcProgramDetails);
    b.Component("tsProgramInfo", &TDetailsForm::tsProgramInfo);
    b.Component("tsRegistryInfo", &TDetailsForm::tsRegistryInfo);
    b.Component("lsvProgramInfo", &TDetailsForm::lsvProgramInfo);
    b.Component("lsvRegistryInfo", &TDetailsForm::lsvRegistryInfo);
    b.Handler("FormCreate", &TDetailsForm::FormCreate);
    b.Handler("FormShow", &TDetailsForm::FormShow);
    b.Handler("cmbProgramsChange", &TDetailsForm::cmbProgramsChange);
}

void TDetailsForm::FormCreate(TObject*) {
    lsvProgramInfo->Columns()->Add()->SetWidth(kProgramNameWidth);
    lsvProgramInfo->Columns()->Add()->SetWidth(240);
    lsvRegistryInfo->Columns()->Add()->SetWidth(kRegistryNameWidth);
    lsvRegistryInfo->Columns()->Add()->SetWidth(240);
    SetColumnCaptions();
    // The shell's list lives as long as the process and is shared by every window using it.
    CmbImageList->SetShareImages(true);
    CmbImageList->SetHandle(GetSystemImageList(true));
}

void TDetailsForm::FormShow(TObject*) {
    SetCaption(IDS_DETAILSFORM_Title);
    lblPrograms->SetCaption(IDS_DETAILSFORM_LABEL_Programs);
    tsProgramInfo->SetCaption(IDS_DETAILSFORM_TABSHEETPP_TITLE);
    tsRegistryInfo->SetCaption(IDS_DETAILSFORM_TABSHEETRV_TITLE);
    SetColumnCaptions();
}

void TDetailsForm::SetColumnCaptions() {
    lsvProgramInfo->Column(0)->SetCaption(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Name);
    lsvProgramInfo->Column(1)->SetCaption(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Value);
    lsvRegistryInfo->Column(0)->SetCaption(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Key);
    lsvRegistryInfo->Column(1)->SetCaption(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Value);
}

void TDetailsForm::cmbProgramsChange(TObject*) {
    int position = cmbPrograms->GetItemIndex();
    if (position < 0 || position >= cmbPrograms->GetItemsEx()->Count()) return;
    ShowEntryDetails(static_cast<int>(cmbPrograms->GetItemsEx()->Items(position)->GetData()));
}

void TDetailsForm::SetProgramList(TProgramList* list) {
    if (programList_ == list) return;
    if (programList_) programList_->RemoveFreeNotification(this);
    programList_ = list;
    if (programList_) programList_->FreeNotification(this);
}

void TDetailsForm::Notification(TComponent* AComponent, TOperation Operation) {
    TForm::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == programList_) programList_ = nullptr;
}

void TDetailsForm::ClearPrograms() { cmbPrograms->Clear(); }

void TDetailsForm::AddProgram(const std::string& caption, int imageIndex, int entryIndex) {
    cmbPrograms->GetItemsEx()->AddItem(caption, imageIndex, imageIndex, -1, 0, entryIndex);
}

void TDetailsForm::ShowEntryDetails(int entryIndex) {
    if (!programList_) return;
    ComPtr<IProgramItem> entry;
    programList_->Item(entryIndex, entry);
    if (!entry) return;
    ItemLoadDetails(entry.Get(), ItemText(entry.Get(), &IProgramItem::RegistryName));
    // Everything is read before anything changes, so a failing entry leaves the window
    // showing one program whole rather than two halves.
    std::vector<TDetailRow> properties = ComposeDetailRows(ReadEntryDetails(entry.Get()));
    std::vector<TDetailRow> values = ReadRegistryValues(entry.Get());
    SelectProgram(entryIndex);
    FillList(lsvProgramInfo, properties);
    FillList(lsvRegistryInfo, values);
    FitNameColumn(lsvProgramInfo, kProgramNameWidth);
    FitNameColumn(lsvRegistryInfo, kRegistryNameWidth);
}

// The name column keeps its width unless a name in it (in the font of this system, in a
// translation) would be cut: then it grows to the longest, up to half the list.
void TDetailsForm::FitNameColumn(TFcListView* list, int minWidth) {
    if (list->Columns()->Count() < 1) return;
    HWND wnd = list->Handle();
    int widest = 0;
    for (int i = 0; i < list->Items()->Count(); ++i) {
        const std::string& caption = list->Items()->Item(i)->Caption();
        widest = std::max(widest, static_cast<int>(SendMessageA(wnd, LVM_GETSTRINGWIDTHA, 0,
                                                                 reinterpret_cast<LPARAM>(caption.c_str()))));
    }
    // The list's own margins around an item's text.
    constexpr int kTextMargins = 14;
    const int width = std::clamp(widest + kTextMargins, minWidth, std::max(minWidth, list->GetClientWidth() / 2));
    list->Column(0)->SetWidth(width);
}

void TDetailsForm::SelectProgram(int entryIndex) {
    TComboExItems* items = cmbPrograms->GetItemsEx();
    int position = -1;
    for (int i = 0; i < items->Count() && position < 0; ++i)
        if (items->Items(i)->GetData() == entryIndex) position = i;
    cmbPrograms->SetItemIndex(position);
}

void TDetailsForm::FillList(TFcListView* list, const std::vector<TDetailRow>& rows) {
    TUpdateLock lock(list->Items());
    list->Items()->Clear();
    for (const TDetailRow& row : rows) {
        TListItem* item = list->Items()->Add();
        item->SetCaption(row.Caption);
        item->SubItems()->Add(row.Value);
    }
}
