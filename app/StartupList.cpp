#include "app/StartupList.h"
#include "app/multiLangs.h"
#include "framework/ComCtrls.h"
#include "framework/Forms.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr int kColumnWidths[] = {130, 240, 360};

const std::string& ColumnCaption(int index) {
    switch (index) {
    case 0: return IDS_LISTVIEW_COLUMNS_StatrupItem;
    case 1: return IDS_LISTVIEW_COLUMNS_Command;
    default: return IDS_LISTVIEW_COLUMNS_Location;
    }
}

} // namespace

TStartupList::TStartupList(TCustomListView* listView) : listView_(listView) {}

void TStartupList::SetupColumns() {
    TListColumns* columns = listView_->Columns();
    while (columns->Count() < 3) {
        int index = columns->Count();
        columns->Add()->SetWidth(kColumnWidths[index]);
    }
    for (int i = 0; i < 3; ++i) columns->Items(i)->SetCaption(ColumnCaption(i));
}

void TStartupList::Fill() { Fill(ListStartupItems()); }

void TStartupList::Fill(std::vector<TStartupItem> items) {
    TListItems* rows = listView_->Items();
    TUpdateLock lock(rows);
    rows->Clear();
    items_.clear();
    for (auto& item : items) AddRow(std::make_unique<TStartupItem>(std::move(item)));
}

void TStartupList::AddRow(std::unique_ptr<TStartupItem> item) {
    TListItem* row = listView_->Items()->Add();
    row->SetCaption(item->Name);
    row->SubItems()->Add(item->Command);
    row->SubItems()->Add(item->Location);
    row->SetChecked(item->Enabled);
    row->SetData(reinterpret_cast<intptr_t>(item.get()));
    items_.push_back(std::move(item));
}

TStartupItem* TStartupList::Find(const TListItem* row) const {
    if (!row) return nullptr;
    // A row's data is trusted only when it names one of our items.
    auto it = std::find_if(items_.begin(), items_.end(),
                           [row](const auto& item) { return reinterpret_cast<intptr_t>(item.get()) == row->Data(); });
    return it == items_.end() ? nullptr : it->get();
}

const TStartupItem* TStartupList::ItemOf(const TListItem* row) const { return Find(row); }

void TStartupList::RemoveRow(TListItem* row) {
    TStartupItem* item = Find(row);
    row->Delete();
    if (item)
        items_.erase(std::find_if(items_.begin(), items_.end(), [item](const auto& p) { return p.get() == item; }));
}

void TStartupList::SetAllChecked(bool checked) {
    TListItems* rows = listView_->Items();
    for (int i = 0; i < rows->Count(); ++i) rows->Item(i)->SetChecked(checked);
}

std::optional<bool> TStartupList::LastRowChecked() const {
    TListItems* rows = listView_->Items();
    if (rows->Count() == 0) return std::nullopt;
    return rows->Item(rows->Count() - 1)->Checked();
}

bool TStartupList::Details(const TListItem* row, TStartupDetails& details) const {
    const TStartupItem* item = Find(row);
    return item && ReadStartupDetails(*item, details);
}

std::vector<TStartupFailure> TStartupList::Apply() {
    std::vector<TStartupFailure> failures;
    std::vector<TListItem*> removed;
    TListItems* rows = listView_->Items();
    for (int i = 0; i < rows->Count(); ++i) {
        TListItem* row = rows->Item(i);
        TStartupItem* item = Find(row);
        if (!item || row->Checked() == item->Enabled) continue;
        TStartupResult result = SetStartupItemEnabled(*item, row->Checked());
        if (!result.Ok()) {
            failures.push_back({item->Name, result});
            row->SetChecked(item->Enabled);
        } else if (item->Kind == skFolderEntry) {
            removed.push_back(row);
        }
    }
    for (auto it = removed.rbegin(); it != removed.rend(); ++it) RemoveRow(*it);
    ShowFailures(IDS_MESSAGEBOX_WARNING_StartupApplyFailed, failures);
    return failures;
}

std::vector<TStartupFailure> TStartupList::DeleteSelected() {
    if (Application->MessageBox(IDS_MESSAGEBOX_WARNING_DeleteStartupEntry, Application->GetTitle(),
                                MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return {};
    std::vector<TStartupFailure> failures;
    TListItems* rows = listView_->Items();
    for (int i = rows->Count() - 1; i >= 0; --i) {
        TListItem* row = rows->Item(i);
        TStartupItem* item = row->Selected() ? Find(row) : nullptr;
        if (!item) continue;
        TStartupResult result = DeleteStartupItem(*item);
        if (result.Ok())
            RemoveRow(row);
        else
            failures.push_back({item->Name, result});
    }
    std::reverse(failures.begin(), failures.end());
    ShowFailures(IDS_MESSAGEBOX_WARNING_StartupDeleteFailed, failures);
    return failures;
}

void TStartupList::ShowFailures(const std::string& header, const std::vector<TStartupFailure>& failures) {
    if (failures.empty()) return;
    std::string text = header + "\r\n";
    for (const auto& f : failures) text += "\r\n" + f.Name + ": " + f.Result.Text();
    Application->MessageBox(text, Application->GetTitle(), MB_OK | MB_ICONWARNING);
}
