#include "framework/ComCtrlsShared.h"

#include <algorithm>
#include <cstring>

using namespace comctrls_detail;

namespace {

// Copies text into a notification's buffer of cch characters, cut to fit.
void CopyToBuffer(char* buffer, int cch, const std::string& text) {
    if (!buffer || cch <= 0) return;
    size_t n = std::min(text.size(), static_cast<size_t>(cch - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

void CopyToBuffer(wchar_t* buffer, int cch, const std::string& text) {
    if (!buffer || cch <= 0) return;
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, buffer, cch);
    if (n == 0) buffer[cch - 1] = L'\0';   // too long: the converted part, cut
}

int CompareTextAnsi(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) - CSTR_EQUAL;
}

constexpr UINT kItemStateMask = LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT | LVIS_DROPHILITED | LVIS_STATEIMAGEMASK;

} // namespace


// ---------------------------------------------------------------------------------------
// TListColumn

IMPLEMENT_CLASS(TListColumn);
IMPLEMENT_CLASS(TListColumns);

void TListColumn::Publish(TClassBuilder<TListColumn>& b) {
    b.Prop("Alignment", &TListColumn::GetAlignment, &TListColumn::SetAlignment);
    b.Prop("AutoSize", &TListColumn::GetAutoSize, &TListColumn::SetAutoSize);
    b.Prop("Caption", &TListColumn::GetCaption, &TListColumn::SetCaption);
    b.Prop("ImageIndex", &TListColumn::GetImageIndex, &TListColumn::SetImageIndex);
    b.Prop("MaxWidth", &TListColumn::GetMaxWidth, &TListColumn::SetMaxWidth);
    b.Prop("MinWidth", &TListColumn::GetMinWidth, &TListColumn::SetMinWidth);
    b.Prop("Width", &TListColumn::GetWidth, &TListColumn::SetWidth);
}

TListColumn::TListColumn(TCollection* collection) : TCollectionItem(collection), serial_(NextSerial()) {}

void TListColumn::Assign(TPersistent* Source) {
    if (auto* c = dynamic_cast<TListColumn*>(Source)) {
        caption_ = c->caption_;
        width_ = c->GetWidth();
        alignment_ = c->alignment_;
        imageIndex_ = c->imageIndex_;
        autoSize_ = c->autoSize_;
        minWidth_ = c->minWidth_;
        maxWidth_ = c->maxWidth_;
        Changed(false);
        return;
    }
    TCollectionItem::Assign(Source);
}

std::string TListColumn::DisplayName() const { return caption_.empty() ? ClassName() : caption_; }

TCustomListView* TListColumn::ListView() const {
    auto* cols = dynamic_cast<TListColumns*>(Collection());
    return cols ? cols->Owner() : nullptr;
}

int TListColumn::Clamp(int width) const {
    if (width < 0) return width;
    if (minWidth_ > 0 && width < minWidth_) width = minWidth_;
    if (maxWidth_ > 0 && width > maxWidth_) width = maxWidth_;
    return width;
}

void TListColumn::SetCaption(const std::string& value) {
    if (value == caption_) return;
    caption_ = value;
    Changed(false);
}

int TListColumn::GetWidth() const {
    TCustomListView* lv = ListView();
    int i = Index();
    if (lv && lv->HandleAllocated() && i >= 0 && static_cast<size_t>(i) < lv->columns_->shown_.size() &&
        lv->columns_->shown_[static_cast<size_t>(i)] == serial_)
        return static_cast<int>(SendMessageA(lv->WindowHandle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
    return width_;
}

void TListColumn::SetWidth(int value) {
    value = Clamp(value);
    if (value == width_ && value == GetWidth()) return;
    width_ = value;
    // The width goes straight to the window: a full column update would also reset the
    // widths the user dragged.
    TCustomListView* lv = ListView();
    int i = Index();
    if (lv && lv->HandleAllocated() && i >= 0 && static_cast<size_t>(i) < lv->columns_->shown_.size() &&
        lv->columns_->shown_[static_cast<size_t>(i)] == serial_)
        SendMessageA(lv->WindowHandle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), MAKELPARAM(value, 0));
}

void TListColumn::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Changed(false);
}

void TListColumn::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    Changed(false);
}

void TListColumn::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    if (auto* lv = ListView()) lv->AutoSizeColumns();
}

void TListColumn::SetMinWidth(int value) {
    if (value == minWidth_) return;
    minWidth_ = std::max(0, value);
    SetWidth(GetWidth());
}

void TListColumn::SetMaxWidth(int value) {
    if (value == maxWidth_) return;
    maxWidth_ = std::max(0, value);
    SetWidth(GetWidth());
}

TListColumns::TListColumns(TCustomListView* owner)
    : TCollection([](TCollection* c) -> TCollectionItem* { return new TListColumn(c); }), owner_(owner) {}

TPersistent* TListColumns::GetOwner() const { return owner_; }

void TListColumns::Update(TCollectionItem* item) {
    if (!owner_ || !owner_->HandleAllocated()) return;
    auto* col = static_cast<TListColumn*>(item);
    int i = col ? col->Index() : -1;
    if (col && i >= 0 && static_cast<size_t>(i) < shown_.size() && shown_[static_cast<size_t>(i)] == col->serial_)
        owner_->PushColumn(col, i, false);
    else
        owner_->SyncColumns();
    owner_->AutoSizeColumns();
}

// ---------------------------------------------------------------------------------------
// TSubItems

IMPLEMENT_CLASS(TSubItems);

void TSubItems::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

std::string TSubItems::Get(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].Text;
}

void TSubItems::Put(int index, const std::string& s) {
    CheckIndex(index);
    items_[static_cast<size_t>(index)].Text = s;
    owner_->PushText(index + 1, s);
}

TObject* TSubItems::GetObject(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].Obj;
}

void TSubItems::PutObject(int index, TObject* obj) {
    CheckIndex(index);
    items_[static_cast<size_t>(index)].Obj = obj;
}

void TSubItems::Insert(int index, const std::string& s) {
    if (index < 0 || index > Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, Entry{s, nullptr});
    PushFrom(index, 0);
}

void TSubItems::Delete(int index) {
    CheckIndex(index);
    items_.erase(items_.begin() + index);
    PushFrom(index, 1);
}

void TSubItems::Clear() {
    int n = Count();
    items_.clear();
    PushFrom(0, n);
}

void TSubItems::PushFrom(int from, int clearedCount) {
    if (!owner_->HasWindow()) return;
    for (int i = from; i < Count(); ++i) owner_->PushText(i + 1, items_[static_cast<size_t>(i)].Text);
    for (int k = 0; k < clearedCount; ++k) owner_->PushText(Count() + 1 + k, std::string());
}

// ---------------------------------------------------------------------------------------
// TListItem

IMPLEMENT_CLASS(TListItem);

TListItem::TListItem(TListItems* owner) : owner_(owner), subItems_(std::make_unique<TSubItems>(this)) {}

TListItem::~TListItem() = default;

void TListItem::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TListItem*>(Source)) {
        SetCaption(src->Caption());
        SetImageIndex(src->ImageIndex());
        SetIndent(src->Indent());
        SetData(src->Data());
        subItems_->Assign(src->SubItems());
        SetState(LVIS_CUT | LVIS_STATEIMAGEMASK, src->GetState(LVIS_CUT | LVIS_STATEIMAGEMASK));
        return;
    }
    TPersistent::Assign(Source);
}

TCustomListView* TListItem::ListView() const { return owner_ ? owner_->Owner() : nullptr; }

int TListItem::Index() const { return index_; }

bool TListItem::HasWindow() const {
    TCustomListView* lv = ListView();
    return lv && lv->HandleAllocated() && index_ >= 0;
}

HWND TListItem::Wnd() const { return ListView()->WindowHandle(); }

UINT TListItem::GetState(UINT mask) const {
    if (HasWindow())
        return static_cast<UINT>(SendMessageA(Wnd(), LVM_GETITEMSTATE, static_cast<WPARAM>(index_), mask)) & mask;
    return state_ & mask;
}

void TListItem::SetState(UINT mask, UINT value) {
    state_ = (state_ & ~mask) | (value & mask);
    if (!HasWindow()) return;
    LVITEMA it{};
    it.stateMask = mask;
    it.state = value & mask;
    SendMessageA(Wnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&it));
}

void TListItem::PushText(int subItem, const std::string& text) const {
    if (!HasWindow()) return;
    LVITEMA it{};
    it.iSubItem = subItem;
    it.pszText = const_cast<char*>(text.c_str());
    SendMessageA(Wnd(), LVM_SETITEMTEXTA, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&it));
}

void TListItem::SetCaption(const std::string& value) {
    if (value == caption_) return;
    caption_ = value;
    PushText(0, value);
    if (auto* lv = ListView(); lv && (lv->sortType_ == stText || lv->sortType_ == stBoth)) lv->SortIfNeeded();
}

void TListItem::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    if (!HasWindow()) return;
    LVITEMA it{};
    it.mask = LVIF_IMAGE;
    it.iItem = index_;
    it.iImage = value;
    SendMessageA(Wnd(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

void TListItem::SetIndent(int value) {
    if (value == indent_) return;
    indent_ = value;
    if (!HasWindow()) return;
    LVITEMA it{};
    it.mask = LVIF_INDENT;
    it.iItem = index_;
    it.iIndent = value;
    SendMessageA(Wnd(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

int TListItem::StateIndex() const { return static_cast<int>(GetState(LVIS_STATEIMAGEMASK) >> 12) - 1; }

void TListItem::SetStateIndex(int value) {
    SetState(LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(static_cast<UINT>(value < 0 ? 0 : value + 1)));
}

bool TListItem::Checked() const { return (GetState(LVIS_STATEIMAGEMASK) >> 12) == 2; }
void TListItem::SetChecked(bool value) { SetState(LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(value ? 2u : 1u)); }
bool TListItem::Selected() const { return GetState(LVIS_SELECTED) != 0; }
void TListItem::SetSelected(bool value) { SetState(LVIS_SELECTED, value ? LVIS_SELECTED : 0); }
bool TListItem::Focused() const { return GetState(LVIS_FOCUSED) != 0; }
void TListItem::SetFocused(bool value) { SetState(LVIS_FOCUSED, value ? LVIS_FOCUSED : 0); }
bool TListItem::Cut() const { return GetState(LVIS_CUT) != 0; }
void TListItem::SetCut(bool value) { SetState(LVIS_CUT, value ? LVIS_CUT : 0); }
bool TListItem::DropTarget() const { return GetState(LVIS_DROPHILITED) != 0; }
void TListItem::SetDropTarget(bool value) { SetState(LVIS_DROPHILITED, value ? LVIS_DROPHILITED : 0); }

TRect TListItem::DisplayRect(TDisplayCode Code) const {
    if (!HasWindow()) return {};
    RECT r{};
    r.left = static_cast<LONG>(Code);
    if (!SendMessageA(Wnd(), LVM_GETITEMRECT, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&r))) return {};
    return r;
}

TRect TListItem::DisplayRectSubItem(int SubItem, TDisplayCode Code) const {
    if (!HasWindow()) return {};
    RECT r{};
    r.top = SubItem;
    r.left = Code == drSelectBounds ? LVIR_BOUNDS : static_cast<LONG>(Code);
    if (!SendMessageA(Wnd(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&r)))
        return {};
    return r;
}

TPoint TListItem::GetPosition() const {
    if (!HasWindow()) return {};
    POINT p{};
    SendMessageA(Wnd(), LVM_GETITEMPOSITION, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&p));
    return p;
}

void TListItem::SetPosition(TPoint value) {
    if (!HasWindow()) return;
    POINT p = value;
    SendMessageA(Wnd(), LVM_SETITEMPOSITION32, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&p));
}

void TListItem::Delete() { owner_->Delete(index_); }

void TListItem::MakeVisible(bool PartialOK) {
    if (HasWindow()) SendMessageA(Wnd(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(index_), PartialOK);
}

void TListItem::Update() {
    if (HasWindow()) SendMessageA(Wnd(), LVM_UPDATE, static_cast<WPARAM>(index_), 0);
}

bool TListItem::EditCaption() {
    if (!HasWindow()) return false;
    ::SetFocus(Wnd());
    return SendMessageA(Wnd(), LVM_EDITLABELA, static_cast<WPARAM>(index_), 0) != 0;
}

void TListItem::CancelEdit() {
    if (!HasWindow()) return;
    if (HWND edit = reinterpret_cast<HWND>(SendMessageA(Wnd(), LVM_GETEDITCONTROL, 0, 0)))
        SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
}

// ---------------------------------------------------------------------------------------
// TListItems

IMPLEMENT_CLASS(TListItems);

TListItems::TListItems(TCustomListView* owner) : owner_(owner) {}

TListItems::~TListItems() = default;

TPersistent* TListItems::GetOwner() const { return owner_; }

void TListItems::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TListItems*>(Source)) {
        TUpdateLock lock(*this);
        Clear();
        for (auto& it : src->items_) Add()->Assign(it.get());
        return;
    }
    TPersistent::Assign(Source);
}

TListItem* TListItems::Item(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<size_t>(index)].get();
}

int TListItems::IndexOf(const TListItem* item) const { return item && item->owner_ == this ? item->index_ : -1; }

void TListItems::Renumber(int from) {
    for (size_t i = static_cast<size_t>(std::max(0, from)); i < items_.size(); ++i) items_[i]->index_ = static_cast<int>(i);
}

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::Insert(int index) {
    index = std::clamp(index, 0, Count());
    auto owned = std::make_unique<TListItem>(this);
    TListItem* item = owned.get();
    items_.insert(items_.begin() + index, std::move(owned));
    Renumber(index);
    InsertIntoWindow(item);
    owner_->InsertItem(item);
    return item;
}

TListItem* TListItems::AddItem(std::unique_ptr<TListItem> Item, int Index) {
    if (!Item || Item->owner_ != this || Item->index_ >= 0)
        throw EListError("The item does not belong to this list or is in it already");
    Index = Index < 0 ? Count() : std::min(Index, Count());
    TListItem* item = Item.get();
    items_.insert(items_.begin() + Index, std::move(Item));
    Renumber(Index);
    InsertIntoWindow(item);
    owner_->InsertItem(item);
    return item;
}

void TListItems::InsertIntoWindow(TListItem* item) const {
    if (!owner_->HandleAllocated()) return;
    LVITEMA it{};
    it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_INDENT | LVIF_STATE;
    it.iItem = item->index_;
    it.pszText = const_cast<char*>(item->caption_.c_str());
    it.iImage = item->imageIndex_;
    it.iIndent = item->indent_;
    it.lParam = reinterpret_cast<LPARAM>(item);
    it.state = item->state_;
    // Without a state image of its own the item gets the list view's (the check box's).
    it.stateMask = LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT | LVIS_DROPHILITED |
                   ((item->state_ & LVIS_STATEIMAGEMASK) ? LVIS_STATEIMAGEMASK : 0);
    int index = static_cast<int>(SendMessageA(owner_->WindowHandle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)));
    // A list view with check boxes gives new items its unchecked box whatever they bring.
    if (index >= 0 && (item->state_ & LVIS_STATEIMAGEMASK)) {
        LVITEMA st{};
        st.stateMask = LVIS_STATEIMAGEMASK;
        st.state = item->state_ & LVIS_STATEIMAGEMASK;
        SendMessageA(owner_->WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&st));
    }
    for (int k = 0; k < item->subItems_->Count(); ++k) item->PushText(k + 1, item->subItems_->Get(k));
}

void TListItems::Delete(int index) {
    TListItem* item = Item(index);
    owner_->Delete(item);
    // The event may have deleted items itself.
    index = item->index_;
    if (index < 0 || index >= Count() || items_[static_cast<size_t>(index)].get() != item) return;
    if (owner_->HandleAllocated()) SendMessageA(owner_->WindowHandle(), LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
    items_.erase(items_.begin() + index);
    Renumber(index);
}

void TListItems::Clear() {
    if (items_.empty()) return;
    TUpdateLock lock(*this);
    for (size_t i = 0; i < items_.size(); ++i) owner_->Delete(items_[i].get());
    if (owner_->HandleAllocated()) SendMessageA(owner_->WindowHandle(), LVM_DELETEALLITEMS, 0, 0);
    items_.clear();
}

void TListItems::BeginUpdate() {
    if (updateCount_++ == 0) SetRedraw(owner_->WindowHandle(), false);
}

void TListItems::EndUpdate() {
    if (updateCount_ == 0 || --updateCount_ > 0) return;
    SetRedraw(owner_->WindowHandle(), true);
    if (owner_->sortPending_) owner_->SortIfNeeded();
}

// ---------------------------------------------------------------------------------------
// TCustomListView

IMPLEMENT_CLASS(TCustomListView);
IMPLEMENT_CLASS(TListView);

void TCustomListView::Publish(TClassBuilder<TCustomListView>& b) {
    b.Prop("BorderStyle", &TCustomListView::GetBorderStyle, &TCustomListView::SetBorderStyle);
    b.Prop("Checkboxes", &TCustomListView::GetCheckboxes, &TCustomListView::SetCheckboxes);
    b.Prop("ColumnClick", &TCustomListView::GetColumnClick, &TCustomListView::SetColumnClick);
    b.Prop("Columns", &TCustomListView::Columns);
    b.Prop("GridLines", &TCustomListView::GetGridLines, &TCustomListView::SetGridLines);
    b.Prop("HideSelection", &TCustomListView::GetHideSelection, &TCustomListView::SetHideSelection);
    b.Prop("HotTrack", &TCustomListView::GetHotTrack, &TCustomListView::SetHotTrack);
    b.Prop("LargeImages", &TCustomListView::GetLargeImages, &TCustomListView::SetLargeImages);
    b.Prop("MultiSelect", &TCustomListView::GetMultiSelect, &TCustomListView::SetMultiSelect);
    b.Prop("ReadOnly", &TCustomListView::GetReadOnly, &TCustomListView::SetReadOnly);
    b.Prop("RowSelect", &TCustomListView::GetRowSelect, &TCustomListView::SetRowSelect);
    b.Prop("ShowColumnHeaders", &TCustomListView::GetShowColumnHeaders, &TCustomListView::SetShowColumnHeaders);
    b.Prop("SmallImages", &TCustomListView::GetSmallImages, &TCustomListView::SetSmallImages);
    b.Prop("SortType", &TCustomListView::GetSortType, &TCustomListView::SetSortType);
    b.Prop("StateImages", &TCustomListView::GetStateImages, &TCustomListView::SetStateImages);
    b.Prop("ViewStyle", &TCustomListView::GetViewStyle, &TCustomListView::SetViewStyle);
    b.Event("OnChange", &TCustomListView::OnChange);
    b.Event("OnChanging", &TCustomListView::OnChanging);
    b.Event("OnColumnClick", &TCustomListView::OnColumnClick);
    b.Event("OnCompare", &TCustomListView::OnCompare);
    b.Event("OnCustomDraw", &TCustomListView::OnCustomDraw);
    b.Event("OnCustomDrawItem", &TCustomListView::OnCustomDrawItem);
    b.Event("OnCustomDrawSubItem", &TCustomListView::OnCustomDrawSubItem);
    b.Event("OnDeletion", &TCustomListView::OnDeletion);
    b.Event("OnEdited", &TCustomListView::OnEdited);
    b.Event("OnEditing", &TCustomListView::OnEditing);
    b.Event("OnInfoTip", &TCustomListView::OnInfoTip);
    b.Event("OnInsert", &TCustomListView::OnInsert);
    b.Event("OnSelectItem", &TCustomListView::OnSelectItem);
}

TCustomListView::TCustomListView(TComponent* AOwner)
    : TWinControl(AOwner),
      items_(std::make_unique<TListItems>(this)),
      columns_(std::make_unique<TListColumns>(this)),
      canvas_(std::make_unique<TControlCanvas>()),
      itemFont_(std::make_unique<TFont>()) {
    InitCommonClasses();
    // The list view tracks the mouse itself (a drag-detect loop that may eat the button-up),
    // so clicks come from its NM_CLICK.
    ControlStyle.Exclude(csCaptureMouse);
    ControlStyle.Exclude(csClickEvents);
    canvas_->SetControl(this);
    for (int i = 0; i < 3; ++i) {
        imageLinks_[i] = std::make_unique<TChangeLink>();
        imageLinks_[i]->OnChange = [this, i](TObject*) { ApplyImageList(i); };
    }
    SetTabStop(true);
    SetBounds(0, 0, 250, 150);
}

TCustomListView::~TCustomListView() {
    // While the items still exist: the window's last notifications may name them.
    if (HandleAllocated()) DestroyHandle();
    SetSmallImages(nullptr);
    SetLargeImages(nullptr);
    SetStateImages(nullptr);
}

HWND TCustomListView::GetHeaderHandle() {
    if (!HandleAllocated()) return nullptr;
    return reinterpret_cast<HWND>(SendMessageA(handle_, LVM_GETHEADER, 0, 0));
}

DWORD TCustomListView::ListStyles() const {
    static constexpr DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    DWORD s = LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE | views[static_cast<int>(viewStyle_)];
    if (!hideSelection_) s |= LVS_SHOWSELALWAYS;
    if (!multiSelect_) s |= LVS_SINGLESEL;
    if (!readOnly_) s |= LVS_EDITLABELS;
    if (!showColumnHeaders_) s |= LVS_NOCOLUMNHEADER;
    if (!columnClick_) s |= LVS_NOSORTHEADER;
    return s;
}

DWORD TCustomListView::ListExStyles() const {
    DWORD s = 0;
    if (rowSelect_) s |= LVS_EX_FULLROWSELECT;
    if (gridLines_) s |= LVS_EX_GRIDLINES;
    if (checkboxes_) s |= LVS_EX_CHECKBOXES;
    if (hotTrack_) s |= LVS_EX_TRACKSELECT;
    if (EffectiveShowHint()) s |= LVS_EX_INFOTIP;
    return s;
}

void TCustomListView::UpdateStyles() {
    if (!HandleAllocated()) return;
    constexpr DWORD managed = LVS_TYPEMASK | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_EDITLABELS |
                              LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER | LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE;
    ReplaceStyle(handle_, managed, ListStyles());
    if (HWND header = GetHeaderHandle()) ReplaceStyle(header, HDS_BUTTONS, columnClick_ ? HDS_BUTTONS : 0);
}

void TCustomListView::UpdateExStyles() {
    if (!HandleAllocated()) return;
    constexpr DWORD managed =
        LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_TRACKSELECT | LVS_EX_INFOTIP;
    SendMessageA(handle_, LVM_SETEXTENDEDLISTVIEWSTYLE, managed, ListExStyles());
}

void TCustomListView::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, WC_LISTVIEWA);
    Params.Style |= ListStyles();
    if (borderStyle_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListView::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateExStyles();
    ApplyColors();
    TCustomImageList* lists[3] = {largeImages_, smallImages_, stateImages_};
    for (int i = 0; i < 3; ++i) {
        HIMAGELIST h = lists[i] ? lists[i]->Handle() : savedLists_[i];
        if (h) SendMessageA(handle_, LVM_SETIMAGELIST, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(h));
        savedLists_[i] = nullptr;
    }
    columns_->shown_.clear();
    SyncColumns();
    {
        TRestore restoring(restoring_, true);
        SendMessageA(handle_, LVM_SETITEMCOUNT, static_cast<WPARAM>(items_->Count()), 0);
        for (auto& it : items_->items_) items_->InsertIntoWindow(it.get());
    }
    if (items_->updateCount_ > 0) SetRedraw(handle_, false);
    AutoSizeColumns();
}

void TCustomListView::DestroyWnd() {
    if (HandleAllocated() && !IsDestroying()) {
        for (auto& it : items_->items_)
            it->state_ = static_cast<UINT>(
                SendMessageA(handle_, LVM_GETITEMSTATE, static_cast<WPARAM>(it->index_), kItemStateMask));
        for (int i = 0; i < columns_->Count(); ++i) {
            TListColumn* c = columns_->Items(i);
            c->width_ = c->GetWidth();
        }
        // Lists set by raw messages (the system's) come back with the new window.
        TCustomImageList* lists[3] = {largeImages_, smallImages_, stateImages_};
        for (int i = 0; i < 3; ++i)
            if (!lists[i])
                savedLists_[i] = reinterpret_cast<HIMAGELIST>(SendMessageA(handle_, LVM_GETIMAGELIST, static_cast<WPARAM>(i), 0));
    }
    TWinControl::DestroyWnd();
    columns_->shown_.clear();
}

void TCustomListView::ApplyColors() {
    if (!HandleAllocated()) return;
    COLORREF bk = ColorToColorRef(GetColor());
    SendMessageA(handle_, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(bk));
    SendMessageA(handle_, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(bk));
    SendMessageA(handle_, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToColorRef(Font()->GetColor())));
}

void TCustomListView::SetViewStyle(TViewStyle value) {
    if (value == viewStyle_) return;
    viewStyle_ = value;
    UpdateStyles();
    if (value == vsReport) AutoSizeColumns();
}

void TCustomListView::SetRowSelect(bool value) {
    if (value == rowSelect_) return;
    rowSelect_ = value;
    UpdateExStyles();
}

void TCustomListView::SetGridLines(bool value) {
    if (value == gridLines_) return;
    gridLines_ = value;
    UpdateExStyles();
}

void TCustomListView::SetCheckboxes(bool value) {
    if (value == checkboxes_) return;
    checkboxes_ = value;
    UpdateExStyles();
}

void TCustomListView::SetHotTrack(bool value) {
    if (value == hotTrack_) return;
    hotTrack_ = value;
    UpdateExStyles();
}

void TCustomListView::SetHideSelection(bool value) {
    if (value == hideSelection_) return;
    hideSelection_ = value;
    UpdateStyles();
}

void TCustomListView::SetMultiSelect(bool value) {
    if (value == multiSelect_) return;
    multiSelect_ = value;
    UpdateStyles();
}

void TCustomListView::SetReadOnly(bool value) {
    if (value == readOnly_) return;
    readOnly_ = value;
    UpdateStyles();
}

void TCustomListView::SetShowColumnHeaders(bool value) {
    if (value == showColumnHeaders_) return;
    showColumnHeaders_ = value;
    UpdateStyles();
}

void TCustomListView::SetColumnClick(bool value) {
    if (value == columnClick_) return;
    columnClick_ = value;
    UpdateStyles();
}

void TCustomListView::SetBorderStyle(TBorderStyle value) {
    if (value != bsNone) value = bsSingle;
    if (value == borderStyle_) return;
    borderStyle_ = value;
    if (HandleAllocated()) SetExStyle(handle_, WS_EX_CLIENTEDGE, value == bsSingle);
}

void TCustomListView::SetSortType(TSortType value) {
    if (value == sortType_) return;
    sortType_ = value;
    SortIfNeeded();
}

void TCustomListView::SetImageList(TCustomImageList*& field, TCustomImageList* value, int which) {
    if (ReplaceImageList(field, value, imageLinks_[which].get(), this)) ApplyImageList(which);
}

void TCustomListView::SetLargeImages(TCustomImageList* value) { SetImageList(largeImages_, value, LVSIL_NORMAL); }
void TCustomListView::SetSmallImages(TCustomImageList* value) { SetImageList(smallImages_, value, LVSIL_SMALL); }
void TCustomListView::SetStateImages(TCustomImageList* value) { SetImageList(stateImages_, value, LVSIL_STATE); }

void TCustomListView::ApplyImageList(int which) {
    if (!HandleAllocated() || IsDestroying()) return;
    TCustomImageList* lists[3] = {largeImages_, smallImages_, stateImages_};
    HIMAGELIST h = lists[which] ? lists[which]->Handle() : nullptr;
    SendMessageA(handle_, LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(h));
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove) return;
    if (AComponent == largeImages_) SetLargeImages(nullptr);
    if (AComponent == smallImages_) SetSmallImages(nullptr);
    if (AComponent == stateImages_) SetStateImages(nullptr);
}

// --- columns

void TCustomListView::PushColumn(TListColumn* column, int index, bool insert) {
    static constexpr int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
    LVCOLUMNA c{};
    c.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM;
    c.fmt = formats[static_cast<int>(column->alignment_)];
    c.pszText = const_cast<char*>(column->caption_.c_str());
    c.iSubItem = index;
    if (column->imageIndex_ >= 0) {
        c.mask |= LVCF_IMAGE;
        c.fmt |= LVCFMT_IMAGE;
        c.iImage = column->imageIndex_;
    }
    if (insert) {
        c.mask |= LVCF_WIDTH;
        c.cx = column->width_ >= 0 ? column->width_ : 50;
    }
    SendMessageA(handle_, insert ? LVM_INSERTCOLUMNA : LVM_SETCOLUMNA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&c));
    if (insert && column->width_ < 0)
        SendMessageA(handle_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index), MAKELPARAM(column->width_, 0));
}

void TCustomListView::SyncColumns() {
    if (!HandleAllocated()) return;
    auto& shown = columns_->shown_;
    auto cols = CollectionItems<TListColumn>(*columns_);
    // Widths the user dragged survive a column moving or one being removed.
    for (auto* c : cols) {
        auto at = std::find(shown.begin(), shown.end(), c->serial_);
        if (at != shown.end())
            c->width_ = static_cast<int>(SendMessageA(handle_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(at - shown.begin()), 0));
    }
    SyncShown(
        shown, cols, [this](int i, TListColumn* c) { PushColumn(c, i, true); },
        [this](int j) { SendMessageA(handle_, LVM_DELETECOLUMN, static_cast<WPARAM>(j), 0); });
}

void TCustomListView::AutoSizeColumns() {
    if (!HandleAllocated() || autoSizing_ || viewStyle_ != vsReport) return;
    auto cols = CollectionItems<TListColumn>(*columns_);
    int autoCount = 0, fixed = 0;
    for (auto* c : cols) {
        if (c->autoSize_) ++autoCount;
        else fixed += std::max(0, c->GetWidth());
    }
    if (autoCount == 0) return;
    autoSizing_ = true;
    int share = std::max(0, (GetClientWidth() - fixed) / autoCount);
    for (auto* c : cols)
        if (c->autoSize_) c->SetWidth(share);
    autoSizing_ = false;
}

void TCustomListView::Resize() {
    TWinControl::Resize();
    AutoSizeColumns();
}

void TCustomListView::HeaderNotify(NMHDR* hdr, bool& clamped) {
    if (hdr->code != HDN_ITEMCHANGINGA && hdr->code != HDN_ITEMCHANGINGW) return;
    auto* nm = reinterpret_cast<NMHEADERA*>(hdr);
    if (!nm->pitem || !(nm->pitem->mask & HDI_WIDTH) || nm->iItem < 0 || nm->iItem >= columns_->Count()) return;
    TListColumn* c = columns_->Items(nm->iItem);
    // HDITEMA and HDITEMW agree up to the width.
    clamped = c->Clamp(nm->pitem->cxy) != nm->pitem->cxy;
}

// --- selection and geometry

TListItem* TCustomListView::ItemFromIndex(int index) const {
    if (index < 0 || index >= items_->Count()) return nullptr;
    return items_->items_[static_cast<size_t>(index)].get();
}

TListItem* TCustomListView::GetNextItem(TListItem* StartItem, TSearchDirection Direction, TItemStates States) const {
    int start = StartItem ? StartItem->index_ : -1;
    UINT flags = 0;
    switch (Direction) {
    case sdAbove: flags = LVNI_ABOVE; break;
    case sdBelow: flags = LVNI_BELOW; break;
    case sdLeft: flags = LVNI_TOLEFT; break;
    case sdRight: flags = LVNI_TORIGHT; break;
    case sdAll: flags = LVNI_ALL; break;
    }
    if (States.Contains(isCut)) flags |= LVNI_CUT;
    if (States.Contains(isDropHilited)) flags |= LVNI_DROPHILITED;
    if (States.Contains(isFocused)) flags |= LVNI_FOCUSED;
    if (States.Contains(isSelected)) flags |= LVNI_SELECTED;
    if (HandleAllocated())
        return ItemFromIndex(static_cast<int>(SendMessageA(handle_, LVM_GETNEXTITEM, static_cast<WPARAM>(start), flags)));
    // Without a window only the order of the items is known.
    UINT want = (flags & LVNI_CUT ? LVIS_CUT : 0) | (flags & LVNI_DROPHILITED ? LVIS_DROPHILITED : 0) |
                (flags & LVNI_FOCUSED ? LVIS_FOCUSED : 0) | (flags & LVNI_SELECTED ? LVIS_SELECTED : 0);
    for (int i = start + 1; i < items_->Count(); ++i) {
        TListItem* it = ItemFromIndex(i);
        if ((it->state_ & want) == want) return it;
    }
    return nullptr;
}

TListItem* TCustomListView::Selected() const { return GetNextItem(nullptr, sdAll, {isSelected}); }

void TCustomListView::SetSelected(TListItem* value) {
    ClearSelection();
    if (!value) return;
    value->SetSelected(true);
    value->SetFocused(true);
}

TListItem* TCustomListView::ItemFocused() const { return GetNextItem(nullptr, sdAll, {isFocused}); }

void TCustomListView::SetItemFocused(TListItem* value) {
    if (value) value->SetFocused(true);
    else if (TListItem* f = ItemFocused()) f->SetFocused(false);
}

int TCustomListView::SelCount() const {
    if (HandleAllocated()) return static_cast<int>(SendMessageA(handle_, LVM_GETSELECTEDCOUNT, 0, 0));
    return static_cast<int>(std::count_if(items_->items_.begin(), items_->items_.end(),
                                          [](auto& it) { return (it->state_ & LVIS_SELECTED) != 0; }));
}

void TCustomListView::ClearSelection() {
    // One item at a time, so OnSelectItem names every item that lost the selection.
    while (TListItem* it = Selected()) it->SetSelected(false);
}

void TCustomListView::SelectAll() {
    if (!multiSelect_) return;
    for (auto& it : items_->items_) it->SetSelected(true);
}

TListItem* TCustomListView::GetItemAt(int X, int Y) const {
    if (!HandleAllocated()) return nullptr;
    LVHITTESTINFO h{};
    h.pt = POINT{X, Y};
    // The sub-item hit test finds the row from any of its cells.
    UINT msg = viewStyle_ == vsReport ? LVM_SUBITEMHITTEST : LVM_HITTEST;
    int i = static_cast<int>(SendMessageA(handle_, msg, 0, reinterpret_cast<LPARAM>(&h)));
    if (i < 0 || !(h.flags & LVHT_ONITEM)) return nullptr;
    return ItemFromIndex(i);
}

TListItem* TCustomListView::TopItem() const {
    if (!HandleAllocated()) return nullptr;
    return ItemFromIndex(static_cast<int>(SendMessageA(handle_, LVM_GETTOPINDEX, 0, 0)));
}

int TCustomListView::VisibleRowCount() const {
    if (!HandleAllocated()) return 0;
    return static_cast<int>(SendMessageA(handle_, LVM_GETCOUNTPERPAGE, 0, 0));
}

void TCustomListView::Scroll(int DX, int DY) {
    if (HandleAllocated()) SendMessageA(handle_, LVM_SCROLL, static_cast<WPARAM>(DX), DY);
}

bool TCustomListView::IsEditing() const {
    return HandleAllocated() && SendMessageA(handle_, LVM_GETEDITCONTROL, 0, 0) != 0;
}

// --- sorting

namespace {
struct TSortContext {
    TCustomListView* View;
    const TLVCompare* Compare;
    intptr_t Data;
    std::exception_ptr Error;
};
} // namespace

int CALLBACK TCustomListView::SortProc(LPARAM Item1, LPARAM Item2, LPARAM Context) {
    auto* ctx = reinterpret_cast<TSortContext*>(Context);
    // After a failure the remaining comparisons only let the list view finish.
    if (ctx->Error) return 0;
    try {
        auto* a = reinterpret_cast<TListItem*>(Item1);
        auto* b = reinterpret_cast<TListItem*>(Item2);
        if (ctx->Compare && *ctx->Compare) return (*ctx->Compare)(a, b, ctx->Data);
        return ctx->View->DoCompare(a, b, ctx->Data);
    } catch (...) {
        ctx->Error = std::current_exception();
        return 0;
    }
}

int TCustomListView::DoCompare(TListItem* Item1, TListItem* Item2, intptr_t Data) {
    int result = 0;
    if (OnCompare) {
        OnCompare(this, Item1, Item2, Data, result);
        return result;
    }
    auto byData = [&] { return Item1->Data() < Item2->Data() ? -1 : Item1->Data() > Item2->Data() ? 1 : 0; };
    switch (sortType_) {
    case stData: return byData();
    case stBoth: result = CompareTextAnsi(Item1->Caption(), Item2->Caption()); return result ? result : byData();
    default: return CompareTextAnsi(Item1->Caption(), Item2->Caption());
    }
}

bool TCustomListView::CustomSort(const TLVCompare& compare, intptr_t Data) {
    sortPending_ = false;
    if (!HandleAllocated()) {
        std::vector<TListItem*> order;
        for (auto& it : items_->items_) order.push_back(it.get());
        auto less = [&](TListItem* a, TListItem* b) {
            return (compare ? compare(a, b, Data) : DoCompare(a, b, Data)) < 0;
        };
        std::stable_sort(order.begin(), order.end(), less);
        for (auto& it : items_->items_) (void)it.release();
        for (size_t i = 0; i < order.size(); ++i) items_->items_[i].reset(order[i]);
        items_->Renumber(0);
        return true;
    }
    TSortContext ctx{this, &compare, Data, nullptr};
    bool ok = SendMessageA(handle_, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&ctx),
                           reinterpret_cast<LPARAM>(&TCustomListView::SortProc)) != 0;
    ReadOrderFromWindow();
    if (ctx.Error) std::rethrow_exception(ctx.Error);
    return ok;
}

void TCustomListView::ReadOrderFromWindow() {
    auto& items = items_->items_;
    int n = static_cast<int>(SendMessageA(handle_, LVM_GETITEMCOUNT, 0, 0));
    if (n != static_cast<int>(items.size())) return;
    std::unordered_map<const TListItem*, size_t> where;
    for (size_t i = 0; i < items.size(); ++i) where.emplace(items[i].get(), i);
    std::vector<size_t> from(items.size());
    std::vector<bool> used(items.size(), false);
    for (int i = 0; i < n; ++i) {
        LVITEMA it{};
        it.mask = LVIF_PARAM;
        it.iItem = i;
        if (!SendMessageA(handle_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it))) return;
        auto at = where.find(reinterpret_cast<const TListItem*>(it.lParam));
        if (at == where.end() || used[at->second]) return;   // not the items we inserted
        used[at->second] = true;
        from[static_cast<size_t>(i)] = at->second;
    }
    std::vector<std::unique_ptr<TListItem>> sorted(items.size());
    for (size_t i = 0; i < from.size(); ++i) sorted[i] = std::move(items[from[i]]);
    items = std::move(sorted);
    items_->Renumber(0);
}

void TCustomListView::SortIfNeeded() {
    if (sortType_ == stNone) return;
    if (items_->updateCount_ > 0) {
        sortPending_ = true;
        return;
    }
    AlphaSort();
}

// --- events

void TCustomListView::ColClick(TListColumn* Column) {
    if (OnColumnClick) OnColumnClick(this, Column);
}

void TCustomListView::DoSelectItem(TListItem* Item, bool Selected) {
    if (OnSelectItem) OnSelectItem(this, Item, Selected);
}

void TCustomListView::Change(TListItem* Item, TItemChange Change) {
    if (OnChange) OnChange(this, Item, Change);
}

bool TCustomListView::CanChange(TListItem* Item, TItemChange Change) {
    bool allow = true;
    if (OnChanging) OnChanging(this, Item, Change, allow);
    return allow;
}

void TCustomListView::Delete(TListItem* Item) {
    if (OnDeletion && !IsDestroying()) OnDeletion(this, Item);
}

void TCustomListView::InsertItem(TListItem* Item) {
    if (OnInsert) OnInsert(this, Item);
}

bool TCustomListView::CanEdit(TListItem* Item) {
    bool allow = true;
    if (OnEditing) OnEditing(this, Item, allow);
    return allow;
}

void TCustomListView::Edit(TListItem* Item, std::string& S) {
    if (OnEdited) OnEdited(this, Item, S);
}

void TCustomListView::DoInfoTip(TListItem* Item, std::string& InfoTip) {
    if (OnInfoTip) OnInfoTip(this, Item, InfoTip);
}

// --- custom draw

bool TCustomListView::IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage) {
    if (Stage != cdPrePaint) return false;
    switch (Target) {
    case dtControl: return static_cast<bool>(OnCustomDraw);
    case dtItem: return static_cast<bool>(OnCustomDrawItem);
    case dtSubItem: return static_cast<bool>(OnCustomDrawSubItem);
    }
    return false;
}

bool TCustomListView::CustomDraw(const TRect& ARect, TCustomDrawStage Stage) {
    bool defaultDraw = true;
    if (Stage == cdPrePaint && OnCustomDraw) OnCustomDraw(this, ARect, defaultDraw);
    return defaultDraw;
}

bool TCustomListView::CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage) {
    bool defaultDraw = true;
    if (Stage == cdPrePaint && OnCustomDrawItem) OnCustomDrawItem(this, Item, State, defaultDraw);
    return defaultDraw;
}

bool TCustomListView::CustomDrawSubItem(TListItem* Item, int SubItem, TCustomDrawState State, TCustomDrawStage Stage) {
    bool defaultDraw = true;
    if (Stage == cdPrePaint && OnCustomDrawSubItem) OnCustomDrawSubItem(this, Item, SubItem, State, defaultDraw);
    return defaultDraw;
}

void TCustomListView::BeginCellDraw(HDC dc, TFont* font) {
    // A font the canvas is about to change must not be the one selected in the DC.
    SelectObject(dc, font->Handle());
    canvas_->SetPaintDC(dc);
    canvas_->Font()->Assign(font);
    canvas_->Brush()->SetColor(GetColor());
    canvas_->Brush()->SetStyle(bsSolid);
    TFont* f = canvas_->Font();
    cellStart_ = {f->GetName(), f->GetHeight(), f->GetStyle(), f->GetColor(), canvas_->Brush()->GetColor()};
}

bool TCustomListView::CellFontChanged() const {
    TFont* f = canvas_->Font();
    return f->GetName() != cellStart_.FontName || f->GetHeight() != cellStart_.FontHeight ||
           f->GetStyle() != cellStart_.FontStyle;
}

LRESULT TCustomListView::EndCellDraw(HDC dc, NMLVCUSTOMDRAW* cd, bool defaultDraw, HFONT baseFont) {
    TFont* f = canvas_->Font();
    bool fontChanged = CellFontChanged();
    bool textChanged = f->GetColor() != cellStart_.FontColor;
    bool bkChanged = canvas_->Brush()->GetColor() != cellStart_.BrushColor;
    canvas_->SetPaintDC(nullptr);
    if (!defaultDraw) return CDRF_SKIPDEFAULT;
    SelectObject(dc, fontChanged ? f->Handle() : baseFont);
    if (textChanged) cd->clrText = ColorToColorRef(f->GetColor());
    if (bkChanged) cd->clrTextBk = ColorToColorRef(canvas_->Brush()->GetColor());
    return CDRF_NEWFONT;
}

void TCustomListView::CNCustomDraw(NMLVCUSTOMDRAW* cd, LRESULT& result) {
    result = CDRF_DODEFAULT;
    switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: result = CustomDrawPrePaint(cd); return;
    case CDDS_POSTPAINT: CustomDrawPostPaint(cd); return;
    case CDDS_ITEMPREPAINT: result = CustomDrawItemPrePaint(cd); return;
    case CDDS_ITEMPOSTPAINT: CustomDrawItemPostPaint(cd); return;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: result = CustomDrawSubItemPrePaint(cd); return;
    case CDDS_ITEMPOSTPAINT | CDDS_SUBITEM: CustomDrawSubItemPostPaint(cd); return;
    default: return;
    }
}

bool TCustomListView::DrawWhole(NMLVCUSTOMDRAW* cd, TCustomDrawStage Stage) {
    canvas_->SetPaintDC(cd->nmcd.hdc);
    TScopeExit detach([this] { canvas_->SetPaintDC(nullptr); });
    return CustomDraw(TRect(cd->nmcd.rc), Stage);
}

template <class F>
LRESULT TCustomListView::DrawCell(NMLVCUSTOMDRAW* cd, TFont* startFont, HFONT baseFont, F&& draw) {
    HDC dc = cd->nmcd.hdc;
    BeginCellDraw(dc, startFont);
    // A handler that fails leaves the DC with the font the cell started from.
    TScopeExit failed([&] {
        canvas_->SetPaintDC(nullptr);
        SelectObject(dc, baseFont);
    });
    bool defaultDraw = draw();
    failed.Dismiss();
    return EndCellDraw(dc, cd, defaultDraw, baseFont);
}

TListItem* TCustomListView::DrawnItem(const NMLVCUSTOMDRAW* cd) const {
    return ItemFromIndex(static_cast<int>(cd->nmcd.dwItemSpec));
}

TCustomDrawState TCustomListView::DrawnState(const NMLVCUSTOMDRAW* cd) {
    return TCustomDrawState::FromBits(cd->nmcd.uItemState & 0x1FF);
}

LRESULT TCustomListView::CustomDrawPrePaint(NMLVCUSTOMDRAW* cd) {
    if (IsCustomDrawn(dtControl, cdPrePaint) && !DrawWhole(cd, cdPrePaint)) return CDRF_SKIPDEFAULT;
    LRESULT result = CDRF_DODEFAULT;
    if (IsCustomDrawn(dtItem, cdPrePaint) || IsCustomDrawn(dtItem, cdPostPaint) ||
        IsCustomDrawn(dtSubItem, cdPrePaint) || IsCustomDrawn(dtSubItem, cdPostPaint))
        result |= CDRF_NOTIFYITEMDRAW;
    if (IsCustomDrawn(dtControl, cdPostPaint)) result |= CDRF_NOTIFYPOSTPAINT;
    return result;
}

void TCustomListView::CustomDrawPostPaint(NMLVCUSTOMDRAW* cd) {
    if (IsCustomDrawn(dtControl, cdPostPaint)) DrawWhole(cd, cdPostPaint);
}

LRESULT TCustomListView::CustomDrawItemPrePaint(NMLVCUSTOMDRAW* cd) {
    TListItem* item = DrawnItem(cd);
    if (!item) return CDRF_DODEFAULT;
    LRESULT result = CDRF_DODEFAULT;
    itemFontSet_ = false;
    if (IsCustomDrawn(dtItem, cdPrePaint)) {
        result = DrawCell(cd, Font(), Font()->Handle(),
                          [&] { return CustomDrawItem(item, DrawnState(cd), cdPrePaint); });
        if (result & CDRF_SKIPDEFAULT) return result;
        if (CellFontChanged()) {
            itemFont_->Assign(canvas_->Font());
            itemFontSet_ = true;
            SelectObject(cd->nmcd.hdc, itemFont_->Handle());
        }
    }
    // The item's colours, so that every cell starts from them.
    itemText_ = cd->clrText;
    itemTextBk_ = cd->clrTextBk;
    if (IsCustomDrawn(dtSubItem, cdPrePaint) || IsCustomDrawn(dtSubItem, cdPostPaint))
        result |= CDRF_NOTIFYSUBITEMDRAW;
    if (IsCustomDrawn(dtItem, cdPostPaint)) result |= CDRF_NOTIFYPOSTPAINT;
    return result;
}

void TCustomListView::CustomDrawItemPostPaint(NMLVCUSTOMDRAW* cd) {
    TListItem* item = DrawnItem(cd);
    if (!item || !IsCustomDrawn(dtItem, cdPostPaint)) return;
    DrawCell(cd, Font(), Font()->Handle(), [&] { return CustomDrawItem(item, DrawnState(cd), cdPostPaint); });
}

LRESULT TCustomListView::CustomDrawSubItemPrePaint(NMLVCUSTOMDRAW* cd) {
    TListItem* item = DrawnItem(cd);
    if (!item) return CDRF_DODEFAULT;
    // Every cell starts from the item's look, not from what the previous cell chose.
    cd->clrText = itemText_;
    cd->clrTextBk = itemTextBk_;
    TFont* startFont = itemFontSet_ ? itemFont_.get() : Font();
    HFONT baseFont = startFont->Handle();
    LRESULT result = CDRF_NEWFONT;
    if (IsCustomDrawn(dtSubItem, cdPrePaint)) {
        result = DrawCell(cd, startFont, baseFont,
                          [&] { return CustomDrawSubItem(item, cd->iSubItem, DrawnState(cd), cdPrePaint); });
    } else {
        SelectObject(cd->nmcd.hdc, baseFont);
    }
    if (IsCustomDrawn(dtSubItem, cdPostPaint) && !(result & CDRF_SKIPDEFAULT)) result |= CDRF_NOTIFYPOSTPAINT;
    return result;
}

void TCustomListView::CustomDrawSubItemPostPaint(NMLVCUSTOMDRAW* cd) {
    TListItem* item = DrawnItem(cd);
    if (!item || !IsCustomDrawn(dtSubItem, cdPostPaint)) return;
    DrawCell(cd, Font(), Font()->Handle(),
             [&] { return CustomDrawSubItem(item, cd->iSubItem, DrawnState(cd), cdPostPaint); });
}

// --- notifications

void TCustomListView::CNNotify(TMessage& Message) {
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    Message.Result = 0;
    if (!hdr || ControlState.Contains(csDestroyingHandle) || IsDestroying()) return;
    switch (hdr->code) {
    case NM_CUSTOMDRAW: CNCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(hdr), Message.Result); return;
    case NM_CLICK: Click(); return;
    // No LVN_DELETEITEM per item: the items report their own deletion.
    case LVN_DELETEALLITEMS: Message.Result = TRUE; return;
    case LVN_ITEMCHANGING: Message.Result = LVNItemChanging(*reinterpret_cast<NMLISTVIEW*>(hdr)); return;
    case LVN_ITEMCHANGED: LVNItemChanged(*reinterpret_cast<NMLISTVIEW*>(hdr)); return;
    case LVN_COLUMNCLICK: LVNColumnClick(*reinterpret_cast<NMLISTVIEW*>(hdr)); return;
    // The wide forms differ only in where their texts point.
    case LVN_BEGINLABELEDITA:
    case LVN_BEGINLABELEDITW: Message.Result = LVNBeginLabelEdit(*reinterpret_cast<NMLVDISPINFOA*>(hdr)); return;
    case LVN_ENDLABELEDITA:
    case LVN_ENDLABELEDITW: Message.Result = LVNEndLabelEdit(*reinterpret_cast<NMLVDISPINFOA*>(hdr)); return;
    case LVN_GETINFOTIPA: LVNGetInfoTip(*reinterpret_cast<NMLVGETINFOTIPA*>(hdr)); return;
    case LVN_GETINFOTIPW: LVNGetInfoTip(*reinterpret_cast<NMLVGETINFOTIPW*>(hdr)); return;
    default: return;
    }
}

// TRUE refuses the change.
LRESULT TCustomListView::LVNItemChanging(const NMLISTVIEW& nm) {
    if (restoring_) return FALSE;
    TListItem* item = ItemFromIndex(nm.iItem);
    if (!item) return FALSE;
    TItemChange change = (nm.uChanged & LVIF_TEXT) ? ctText : (nm.uChanged & LVIF_IMAGE) ? ctImage : ctState;
    return CanChange(item, change) ? FALSE : TRUE;
}

void TCustomListView::LVNItemChanged(const NMLISTVIEW& nm) {
    if (restoring_) return;
    TListItem* item = ItemFromIndex(nm.iItem);
    if (nm.uChanged & LVIF_STATE) {
        // iItem -1 (every item at once) reports a null item.
        if ((nm.uOldState ^ nm.uNewState) & LVIS_SELECTED) DoSelectItem(item, (nm.uNewState & LVIS_SELECTED) != 0);
        if (item) Change(item, ctState);
    }
    if (item && (nm.uChanged & LVIF_TEXT)) Change(item, ctText);
    if (item && (nm.uChanged & LVIF_IMAGE)) Change(item, ctImage);
}

void TCustomListView::LVNColumnClick(const NMLISTVIEW& nm) {
    if (columnClick_ && nm.iSubItem >= 0 && nm.iSubItem < columns_->Count()) ColClick(Column(nm.iSubItem));
}

// TRUE refuses the edit.
LRESULT TCustomListView::LVNBeginLabelEdit(const NMLVDISPINFOA& nm) {
    TListItem* item = ItemFromIndex(nm.item.iItem);
    return readOnly_ || !item || !CanEdit(item) ? TRUE : FALSE;
}

LRESULT TCustomListView::LVNEndLabelEdit(const NMLVDISPINFOA& nm) {
    TListItem* item = ItemFromIndex(nm.item.iItem);
    if (!item || !nm.item.pszText) return FALSE;
    TEditedLabel label =
        EndLabelEdit(&nm.hdr, LVN_ENDLABELEDITA, nm.item.pszText, [&](std::string& s) { Edit(item, s); });
    item->caption_ = label.Text;
    if (label.AsTyped) return TRUE;
    item->PushText(0, label.Text);
    return FALSE;
}

bool TCustomListView::ChangeInfoTip(int index, std::string& text) {
    TListItem* item = ItemFromIndex(index);
    if (!item) return false;
    std::string proposed = text;
    DoInfoTip(item, text);
    return text != proposed;
}

void TCustomListView::LVNGetInfoTip(NMLVGETINFOTIPA& tip) {
    if (!tip.pszText || tip.cchTextMax <= 0) return;
    std::string text(tip.pszText, strnlen(tip.pszText, static_cast<size_t>(tip.cchTextMax)));
    if (ChangeInfoTip(tip.iItem, text)) CopyToBuffer(tip.pszText, tip.cchTextMax, text);
}

void TCustomListView::LVNGetInfoTip(NMLVGETINFOTIPW& tip) {
    if (!tip.pszText || tip.cchTextMax <= 0) return;
    std::wstring w(tip.pszText, wcsnlen(tip.pszText, static_cast<size_t>(tip.cchTextMax)));
    std::string text = WideToAnsi(w.c_str());
    if (ChangeInfoTip(tip.iItem, text)) CopyToBuffer(tip.pszText, tip.cchTextMax, text);
}

void TCustomListView::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_NOTIFY:
        CNNotify(Message);
        return;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
        if (hdr && HandleAllocated() && hdr->hwndFrom == GetHeaderHandle()) {
            bool clamped = false;
            HeaderNotify(hdr, clamped);
            if (clamped) {
                Message.Result = TRUE;
                return;
            }
        }
        break;
    }
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
        TWinControl::WndProc(Message);
        ApplyColors();
        return;
    case CM_SHOWHINTCHANGED:
    case CM_PARENTSHOWHINTCHANGED:
        UpdateExStyles();
        break;
    default:
        break;
    }
    TWinControl::WndProc(Message);
}
