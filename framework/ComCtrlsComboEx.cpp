// TComboExItem, its collection and TCustomComboBoxEx.
#include "framework/ComCtrlsShared.h"

using namespace comctrls_detail;

// ---------------------------------------------------------------------------------------
// TComboExItem

IMPLEMENT_CLASS(TComboExItem);
IMPLEMENT_CLASS(TComboExItems);
IMPLEMENT_CLASS(TComboExStrings);

void TComboExItem::Publish(TClassBuilder<TComboExItem>& b) {
    b.Prop("Caption", &TComboExItem::GetCaption, &TComboExItem::SetCaption);
    b.Prop("ImageIndex", &TComboExItem::GetImageIndex, &TComboExItem::SetImageIndex);
    b.Prop("Indent", &TComboExItem::GetIndent, &TComboExItem::SetIndent);
    b.Prop("OverlayImageIndex", &TComboExItem::GetOverlayImageIndex, &TComboExItem::SetOverlayImageIndex);
    b.Prop("SelectedImageIndex", &TComboExItem::GetSelectedImageIndex, &TComboExItem::SetSelectedImageIndex);
}

TComboExItem::TComboExItem(TCollection* collection) : TCollectionItem(collection), serial_(NextSerial()) {}

void TComboExItem::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TComboExItem*>(Source)) {
        caption_ = s->caption_;
        imageIndex_ = s->imageIndex_;
        selectedImageIndex_ = s->selectedImageIndex_;
        overlayImageIndex_ = s->overlayImageIndex_;
        indent_ = s->indent_;
        data_ = s->data_;
        Changed(false);
        return;
    }
    TCollectionItem::Assign(Source);
}

void TComboExItem::SetCaption(const std::string& value) {
    if (value == caption_) return;
    caption_ = value;
    Changed(false);
}
void TComboExItem::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    Changed(false);
}
void TComboExItem::SetSelectedImageIndex(int value) {
    if (value == selectedImageIndex_) return;
    selectedImageIndex_ = value;
    Changed(false);
}
void TComboExItem::SetOverlayImageIndex(int value) {
    if (value == overlayImageIndex_) return;
    overlayImageIndex_ = value;
    Changed(false);
}
void TComboExItem::SetIndent(int value) {
    if (value == indent_) return;
    indent_ = value;
    Changed(false);
}
void TComboExItem::SetData(intptr_t value) {
    if (value == data_) return;
    data_ = value;
    Changed(false);
}

// ---------------------------------------------------------------------------------------
// TComboExItems

TComboExItems::TComboExItems(TCustomComboBoxEx* owner)
    : TCollection([](TCollection* c) -> TCollectionItem* { return new TComboExItem(c); }), owner_(owner) {}

TPersistent* TComboExItems::GetOwner() const { return owner_; }

TComboExItem* TComboExItems::AddItem(const std::string& Caption, int ImageIndex, int SelectedImageIndex,
                                     int OverlayImageIndex, int Indent, intptr_t Data) {
    TComboExItem* item = nullptr;
    {
        TUpdateLock lock(*this);
        item = Add();
        item->caption_ = Caption;
        item->imageIndex_ = ImageIndex;
        item->selectedImageIndex_ = SelectedImageIndex;
        item->overlayImageIndex_ = OverlayImageIndex;
        item->indent_ = Indent;
        item->data_ = Data;
    }
    return item;
}

void TComboExItems::Push(TComboExItem* item, int index, bool insert) const {
    COMBOBOXEXITEMA it{};
    it.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_INDENT | CBEIF_LPARAM;
    it.iItem = index;
    it.pszText = const_cast<char*>(item->caption_.c_str());
    it.iImage = item->imageIndex_;
    // Without an image of its own the chosen item shows its list image in the edit field.
    it.iSelectedImage = item->selectedImageIndex_ >= 0 ? item->selectedImageIndex_ : item->imageIndex_;
    it.iIndent = item->indent_;
    it.lParam = static_cast<LPARAM>(item->data_);
    if (item->overlayImageIndex_ >= 0) {
        it.mask |= CBEIF_OVERLAY;
        it.iOverlay = item->overlayImageIndex_;
    }
    SendMessageA(owner_->WindowHandle(), insert ? CBEM_INSERTITEMA : CBEM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

void TComboExItems::Sync() {
    if (!owner_ || !owner_->HandleAllocated()) return;
    HWND wnd = owner_->WindowHandle();
    SyncShown(
        shown_, CollectionItems<TComboExItem>(*this), [this](int i, TComboExItem* item) { Push(item, i, true); },
        [wnd](int j) { SendMessageA(wnd, CBEM_DELETEITEM, static_cast<WPARAM>(j), 0); });
}

void TComboExItems::Update(TCollectionItem* item) {
    if (!owner_ || !owner_->HandleAllocated()) return;
    auto* ci = static_cast<TComboExItem*>(item);
    int i = ci ? ci->Index() : -1;
    if (ci && i >= 0 && static_cast<size_t>(i) < shown_.size() && shown_[static_cast<size_t>(i)] == ci->serial_)
        Push(ci, i, false);
    else
        Sync();
}

TObject* TComboExStrings::GetObject(int index) const {
    return reinterpret_cast<TObject*>(items_->Items(index)->GetData());
}

void TComboExStrings::PutObject(int index, TObject* obj) {
    items_->Items(index)->SetData(reinterpret_cast<intptr_t>(obj));
}

void TComboExStrings::Insert(int index, const std::string& s) {
    TUpdateLock lock(*items_);
    TCollectionItem* item = items_->Insert(index);
    static_cast<TComboExItem*>(item)->SetCaption(s);
}

// ---------------------------------------------------------------------------------------
// TCustomComboBoxEx

IMPLEMENT_CLASS(TCustomComboBoxEx);
IMPLEMENT_CLASS(TComboBoxEx);

void TCustomComboBoxEx::Publish(TClassBuilder<TCustomComboBoxEx>& b) {
    b.Prop("DropDownCount", &TCustomComboBoxEx::GetDropDownCount, &TCustomComboBoxEx::SetDropDownCount);
    b.Prop("Images", &TCustomComboBoxEx::GetImages, &TCustomComboBoxEx::SetImages);
    b.Prop("ItemHeight", &TCustomComboBoxEx::GetItemHeight, &TCustomComboBoxEx::SetItemHeight);
    b.Prop("ItemsEx", &TCustomComboBoxEx::GetItemsEx);
    b.Prop("ItemIndex", &TCustomComboBoxEx::GetItemIndex, &TCustomComboBoxEx::SetItemIndex);
    b.Prop("Style", &TCustomComboBoxEx::GetStyle, &TCustomComboBoxEx::SetStyle);
    b.Event("OnChange", &TCustomComboBoxEx::OnChange);
    b.Event("OnCloseUp", &TCustomComboBoxEx::OnCloseUp);
    b.Event("OnDropDown", &TCustomComboBoxEx::OnDropDown);
    b.Event("OnSelect", &TCustomComboBoxEx::OnSelect);
}

TCustomComboBoxEx::TCustomComboBoxEx(TComponent* AOwner)
    : TWinControl(AOwner),
      itemsEx_(std::make_unique<TComboExItems>(this)),
      strings_(std::make_unique<TComboExStrings>(itemsEx_.get())),
      imageChangeLink_(std::make_unique<TChangeLink>()) {
    InitCommonClasses();
    ControlStyle.Exclude(csClickEvents);
    imageChangeLink_->OnChange = [this](TObject*) { ApplyImages(); };
    SetTabStop(true);
    SetBounds(0, 0, 145, 22);
}

TCustomComboBoxEx::~TCustomComboBoxEx() {
    if (HandleAllocated()) DestroyHandle();
    SetImages(nullptr);
}

HWND TCustomComboBoxEx::ComboHandle() {
    return HandleAllocated() ? reinterpret_cast<HWND>(SendMessageA(handle_, CBEM_GETCOMBOCONTROL, 0, 0)) : nullptr;
}

HWND TCustomComboBoxEx::EditHandle() {
    return HandleAllocated() ? reinterpret_cast<HWND>(SendMessageA(handle_, CBEM_GETEDITCONTROL, 0, 0)) : nullptr;
}

void TCustomComboBoxEx::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "ComboBoxEx32");
    static constexpr DWORD styles[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST};
    Params.Style |= styles[static_cast<int>(style_)] | WS_VSCROLL;
    // The window's height at creation is the height of the dropped list.
    if (style_ != csExSimple) Params.Height = height_ + std::max(16, itemHeight_) * dropDownCount_;
}

void TCustomComboBoxEx::CreateWnd() {
    TWinControl::CreateWnd();
    ApplyImages();
    if (itemHeight_ > 0) SendMessageA(handle_, CB_SETITEMHEIGHT, 0, itemHeight_);
    itemsEx_->shown_.clear();
    itemsEx_->Sync();
    if (itemIndex_ >= 0) SetItemIndex(itemIndex_);
}

void TCustomComboBoxEx::DestroyWnd() {
    if (HandleAllocated() && !IsDestroying()) itemIndex_ = GetItemIndex();
    TWinControl::DestroyWnd();
    itemsEx_->shown_.clear();
}

void TCustomComboBoxEx::SetStyle(TComboBoxExStyle value) {
    if (value == style_) return;
    style_ = value;
    // The combo box reads its style only at creation.
    RecreateWndIfAllocated();
}

void TCustomComboBoxEx::SetImages(TCustomImageList* value) {
    if (ReplaceImageList(images_, value, imageChangeLink_.get(), this)) ApplyImages();
}

void TCustomComboBoxEx::ApplyImages() {
    if (!HandleAllocated() || IsDestroying()) return;
    SendMessageA(handle_, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
}

void TCustomComboBoxEx::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == images_) SetImages(nullptr);
}

int TCustomComboBoxEx::GetItemHeight() const {
    if (HandleAllocated()) return static_cast<int>(SendMessageA(handle_, CB_GETITEMHEIGHT, 0, 0));
    return itemHeight_;
}

void TCustomComboBoxEx::SetItemHeight(int value) {
    if (value <= 0 || value == itemHeight_) return;
    itemHeight_ = value;
    if (HandleAllocated()) SendMessageA(handle_, CB_SETITEMHEIGHT, 0, value);
}

void TCustomComboBoxEx::SetDropDownCount(int value) { dropDownCount_ = std::max(1, value); }

int TCustomComboBoxEx::GetItemIndex() const {
    if (HandleAllocated()) return static_cast<int>(SendMessageA(handle_, CB_GETCURSEL, 0, 0));
    return itemIndex_;
}

void TCustomComboBoxEx::SetItemIndex(int value) {
    if (value < -1 || value >= itemsEx_->Count()) value = -1;
    itemIndex_ = value;
    if (!HandleAllocated()) return;
    // A selection made by code is no choice of the user's.
    settingIndex_ = true;
    SendMessageA(handle_, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
    settingIndex_ = false;
}

bool TCustomComboBoxEx::GetDroppedDown() const {
    return HandleAllocated() && SendMessageA(handle_, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBoxEx::SetDroppedDown(bool value) {
    if (HandleAllocated()) SendMessageA(handle_, CB_SHOWDROPDOWN, value, 0);
}

void TCustomComboBoxEx::Clear() {
    itemsEx_->Clear();
    itemIndex_ = -1;
}

void TCustomComboBoxEx::AddItem(const std::string& Caption, intptr_t Data) {
    itemsEx_->AddItem(Caption, -1, -1, -1, 0, Data);
}

void TCustomComboBoxEx::Change() {
    if (OnChange) OnChange(this);
}

void TCustomComboBoxEx::Select() {
    if (OnSelect) OnSelect(this);
    else Change();
}

void TCustomComboBoxEx::WndProc(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        // The keys reach the inner combo box and its edit, but the form asks us whether
        // arrows and characters are ours or its dialog keys.
        LRESULT code = DLGC_WANTARROWS;
        for (HWND inner : {ComboHandle(), EditHandle()})
            if (inner) code |= SendMessageA(inner, WM_GETDLGCODE, Message.WParam, Message.LParam);
        Message.Result = code;
        return;
    }
    if (Message.Msg == CN_COMMAND) {
        Message.Result = 0;
        if (IsDestroying() || ControlState.Contains(csDestroyingHandle)) return;
        switch (HIWORD(Message.WParam)) {
        case CBN_SELCHANGE:
            if (!settingIndex_) Select();
            return;
        case CBN_EDITCHANGE:
            // Selecting by code also rewrites the edit of the drop-down style.
            if (!settingIndex_) Change();
            return;
        case CBN_DROPDOWN:
            if (HWND combo = ComboHandle()) {
                // The list drops to DropDownCount items whatever height the window was given.
                RECT r;
                GetWindowRect(combo, &r);
                int item = static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
                int edit = static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
                int count = std::max(1, std::min(dropDownCount_, itemsEx_->Count()));
                SetWindowPos(combo, nullptr, 0, 0, r.right - r.left, edit + 8 + item * count,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            if (OnDropDown) OnDropDown(this);
            return;
        case CBN_CLOSEUP:
            if (OnCloseUp) OnCloseUp(this);
            return;
        default:
            return;
        }
    }
    TWinControl::WndProc(Message);
}
