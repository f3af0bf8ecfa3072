// TTreeNode, TTreeNodes and TCustomTreeView.
#include "framework/ComCtrlsShared.h"

#include <cstring>

using namespace comctrls_detail;

namespace {

// TVM_GETITEMRECT takes the item in the rectangle it fills.
RECT ItemRectRequest(HTREEITEM item) {
    RECT r{};
    std::memcpy(&r, &item, sizeof(item));
    return r;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TTreeNode

IMPLEMENT_CLASS(TTreeNode);
IMPLEMENT_CLASS(TTreeNodes);

TTreeNode::TTreeNode(TTreeNodes* owner) : owner_(owner) {}

TTreeNode::~TTreeNode() = default;

void TTreeNode::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TTreeNode*>(Source)) {
        if (src->shownText_.empty()) SetText(src->text_);
        else SetShownText(src->shownText_);
        data_ = src->data_;
        SetImageIndex(src->imageIndex_);
        SetSelectedIndex(src->selectedIndex_);
        SetStateIndex(src->stateIndex_);
        return;
    }
    TPersistent::Assign(Source);
}

TCustomTreeView* TTreeNode::TreeView() const { return owner_ ? owner_->Owner() : nullptr; }

bool TTreeNode::HasWindow() const {
    TCustomTreeView* tv = TreeView();
    return item_ && tv && tv->HandleAllocated();
}

HWND TTreeNode::Wnd() const { return TreeView()->WindowHandle(); }

void TTreeNode::PushItem(UINT mask) const {
    if (!HasWindow()) return;
    TVITEMA it{};
    it.hItem = item_;
    it.mask = mask;
    it.pszText = const_cast<char*>(text_.c_str());
    it.iImage = imageIndex_;
    it.iSelectedImage = selectedIndex_;
    it.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(std::max(0, stateIndex_)));
    it.stateMask = TVIS_STATEIMAGEMASK;
    it.cChildren = hasChildren_ ? 1 : 0;
    // The A and W items differ only in the text's type.
    const bool wide = !shownText_.empty() && (mask & TVIF_TEXT);
    if (wide) it.pszText = reinterpret_cast<char*>(const_cast<wchar_t*>(shownText_.c_str()));
    SendMessageA(Wnd(), wide ? TVM_SETITEMW : TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

void TTreeNode::SetText(const std::string& value) {
    if (value == text_ && shownText_.empty()) return;
    text_ = value;
    shownText_.clear();
    PushItem(TVIF_TEXT);
}

void TTreeNode::SetShownText(const std::wstring& value) {
    text_ = FromWide(value);
    shownText_ = value;
    PushItem(TVIF_TEXT);
}

void TTreeNode::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    PushItem(TVIF_IMAGE);
}

void TTreeNode::SetSelectedIndex(int value) {
    if (value == selectedIndex_) return;
    selectedIndex_ = value;
    PushItem(TVIF_SELECTEDIMAGE);
}

void TTreeNode::SetStateIndex(int value) {
    if (value == stateIndex_) return;
    stateIndex_ = value;
    PushItem(TVIF_STATE);
}

TTreeNode* TTreeNode::Item(int index) const {
    if (index < 0 || index >= Count()) throw EListError("Tree node index out of bounds (" + std::to_string(index) + ")");
    return children_[static_cast<size_t>(index)].get();
}

bool TTreeNode::HasChildren() const { return !children_.empty() || hasChildren_; }

void TTreeNode::SetHasChildren(bool value) {
    hasChildren_ = value;
    PushItem(TVIF_CHILDREN);
}

int TTreeNode::Index() const {
    auto& sib = owner_->SiblingsOf(parent_);
    for (size_t i = 0; i < sib.size(); ++i)
        if (sib[i].get() == this) return static_cast<int>(i);
    return -1;
}

TTreeNode* TTreeNode::GetNextSibling() const {
    auto& sib = owner_->SiblingsOf(parent_);
    int i = Index();
    return i >= 0 && static_cast<size_t>(i) + 1 < sib.size() ? sib[static_cast<size_t>(i) + 1].get() : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
    auto& sib = owner_->SiblingsOf(parent_);
    int i = Index();
    return i > 0 ? sib[static_cast<size_t>(i) - 1].get() : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
    if (!children_.empty()) return children_.front().get();
    for (const TTreeNode* n = this; n; n = n->parent_)
        if (TTreeNode* s = n->GetNextSibling()) return s;
    return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
    TTreeNode* p = GetPrevSibling();
    if (!p) return parent_;
    while (!p->children_.empty()) p = p->children_.back().get();
    return p;
}

int TTreeNode::Level() const {
    int level = 0;
    for (TTreeNode* p = parent_; p; p = p->parent_) ++level;
    return level;
}

int TTreeNode::AbsoluteIndex() const {
    owner_->BuildFlat();
    return absIndex_;
}

bool TTreeNode::HasAsParent(const TTreeNode* node) const {
    for (TTreeNode* p = parent_; p; p = p->parent_)
        if (p == node) return true;
    return false;
}

bool TTreeNode::Expanded() const {
    if (HasWindow())
        return (SendMessageA(Wnd(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item_), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    return expanded_;
}

void TTreeNode::SetExpanded(bool value) {
    if (value) Expand(false);
    else Collapse(false);
}

void TTreeNode::Expand(bool Recurse) {
    expanded_ = true;
    if (HasWindow()) SendMessageA(Wnd(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item_));
    if (Recurse)
        for (auto& c : children_) c->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
    expanded_ = false;
    if (HasWindow()) SendMessageA(Wnd(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(item_));
    if (Recurse)
        for (auto& c : children_) c->Collapse(true);
}

bool TTreeNode::Selected() const {
    TCustomTreeView* tv = TreeView();
    return tv && tv->Selected() == this;
}

void TTreeNode::SetSelected(bool value) {
    TCustomTreeView* tv = TreeView();
    if (!tv) return;
    if (value) tv->SetSelected(this);
    else if (Selected()) tv->SetSelected(nullptr);
}

bool TTreeNode::Focused() const {
    TCustomTreeView* tv = TreeView();
    return tv && tv->Focused() && Selected();
}

bool TTreeNode::IsVisible() const {
    if (HasWindow()) {
        RECT r = ItemRectRequest(item_);
        return SendMessageA(Wnd(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)) != 0;
    }
    for (TTreeNode* p = parent_; p; p = p->parent_)
        if (!p->expanded_) return false;
    return true;
}

void TTreeNode::MakeVisible() {
    if (HasWindow()) SendMessageA(Wnd(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item_));
}

TRect TTreeNode::DisplayRect(bool TextOnly) const {
    if (!HasWindow()) return {};
    RECT r = ItemRectRequest(item_);
    if (!SendMessageA(Wnd(), TVM_GETITEMRECT, TextOnly, reinterpret_cast<LPARAM>(&r))) return {};
    return r;
}

bool TTreeNode::EditText() {
    if (!HasWindow()) return false;
    ::SetFocus(Wnd());
    return SendMessageA(Wnd(), TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item_)) != 0;
}

void TTreeNode::EndEdit(bool Cancel) {
    if (HasWindow()) SendMessageA(Wnd(), TVM_ENDEDITLABELNOW, Cancel, 0);
}

void TTreeNode::Delete() { owner_->Delete(this); }

void TTreeNode::DeleteChildren() {
    while (!children_.empty()) owner_->Delete(children_.back().get());
}

// ---------------------------------------------------------------------------------------
// TTreeNodes

TTreeNodes::TTreeNodes(TCustomTreeView* owner) : owner_(owner) {}

TTreeNodes::~TTreeNodes() = default;

TPersistent* TTreeNodes::GetOwner() const { return owner_; }

void TTreeNodes::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TTreeNodes*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    TUpdateLock lock(*this);
    Clear();
    std::function<void(const TTreeNode*, TTreeNode*)> copy = [&](const TTreeNode* from, TTreeNode* parent) {
        TTreeNode* n = AddChildObject(parent, from->text_, from->data_);
        if (!from->shownText_.empty()) n->SetShownText(from->shownText_);
        n->Assign(const_cast<TTreeNode*>(from));
        for (auto& c : from->children_) copy(c.get(), n);
    };
    for (auto& r : src->roots_) copy(r.get(), nullptr);
}

void TTreeNodes::BuildFlat() const {
    if (!flatDirty_) return;
    flat_.clear();
    std::function<void(const TNodeList&)> walk = [&](const TNodeList& list) {
        for (auto& n : list) {
            n->absIndex_ = static_cast<int>(flat_.size());
            flat_.push_back(n.get());
            walk(n->children_);
        }
    };
    walk(roots_);
    flatDirty_ = false;
}

int TTreeNodes::Count() const {
    BuildFlat();
    return static_cast<int>(flat_.size());
}

TTreeNode* TTreeNodes::Item(int index) const {
    BuildFlat();
    if (index < 0 || index >= static_cast<int>(flat_.size()))
        throw EListError("Tree node index out of bounds (" + std::to_string(index) + ")");
    return flat_[static_cast<size_t>(index)];
}

TTreeNode* TTreeNodes::GetNodeFromItem(HTREEITEM item) const {
    auto at = byItem_.find(item);
    return at == byItem_.end() ? nullptr : at->second;
}

TTreeNode* TTreeNodes::InternalAdd(TTreeNode* parent, int position, const std::string& S, void* Ptr) {
    auto& sib = SiblingsOf(parent);
    position = std::clamp(position, 0, static_cast<int>(sib.size()));
    auto owned = std::make_unique<TTreeNode>(this);
    TTreeNode* node = owned.get();
    node->parent_ = parent;
    node->text_ = S;
    node->data_ = Ptr;
    sib.insert(sib.begin() + position, std::move(owned));
    Changed();
    if (owner_->HandleAllocated() && (!parent || parent->item_)) InsertIntoWindow(node, false);
    return node;
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const std::string& S) { return AddObject(Sibling, S, nullptr); }
TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr) {
    TTreeNode* parent = Sibling ? Sibling->parent_ : nullptr;
    return InternalAdd(parent, static_cast<int>(SiblingsOf(parent).size()), S, Ptr);
}
TTreeNode* TTreeNodes::AddFirst(TTreeNode* Sibling, const std::string& S) { return AddObjectFirst(Sibling, S, nullptr); }
TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* Sibling, const std::string& S, void* Ptr) {
    return InternalAdd(Sibling ? Sibling->parent_ : nullptr, 0, S, Ptr);
}
TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::string& S) { return AddChildObject(Parent, S, nullptr); }
TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr) {
    return InternalAdd(Parent, static_cast<int>(SiblingsOf(Parent).size()), S, Ptr);
}
TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* Parent, const std::string& S) {
    return AddChildObjectFirst(Parent, S, nullptr);
}
TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* Parent, const std::string& S, void* Ptr) {
    return InternalAdd(Parent, 0, S, Ptr);
}
TTreeNode* TTreeNodes::Insert(TTreeNode* Sibling, const std::string& S) { return InsertObject(Sibling, S, nullptr); }
TTreeNode* TTreeNodes::InsertObject(TTreeNode* Sibling, const std::string& S, void* Ptr) {
    if (!Sibling) return AddObject(nullptr, S, Ptr);
    return InternalAdd(Sibling->parent_, Sibling->Index(), S, Ptr);
}

void TTreeNodes::InsertIntoWindow(TTreeNode* node, bool withChildren) {
    TVINSERTSTRUCTA is{};
    is.hParent = node->parent_ ? node->parent_->item_ : TVI_ROOT;
    TTreeNode* prev = node->GetPrevSibling();
    is.hInsertAfter = !prev ? TVI_FIRST : prev->item_ ? prev->item_ : TVI_LAST;
    is.itemex.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
    if (node->hasChildren_) {
        is.itemex.mask |= TVIF_CHILDREN;
        is.itemex.cChildren = 1;
    }
    is.itemex.pszText = const_cast<char*>(node->text_.c_str());
    const bool wide = !node->shownText_.empty();
    if (wide) is.itemex.pszText = reinterpret_cast<char*>(const_cast<wchar_t*>(node->shownText_.c_str()));
    is.itemex.iImage = node->imageIndex_;
    is.itemex.iSelectedImage = node->selectedIndex_;
    is.itemex.lParam = reinterpret_cast<LPARAM>(node);
    is.itemex.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(std::max(0, node->stateIndex_)));
    is.itemex.stateMask = TVIS_STATEIMAGEMASK;
    node->item_ = reinterpret_cast<HTREEITEM>(
        SendMessageA(owner_->WindowHandle(), wide ? TVM_INSERTITEMW : TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&is)));
    if (node->item_) byItem_[node->item_] = node;
    if (!withChildren) return;
    for (auto& c : node->children_) InsertIntoWindow(c.get(), true);
    if (node->expanded_ && node->item_)
        SendMessageA(owner_->WindowHandle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node->item_));
}

void TTreeNodes::ForgetWindow(TTreeNode* node) {
    if (node->item_) byItem_.erase(node->item_);
    node->item_ = nullptr;
    for (auto& c : node->children_) ForgetWindow(c.get());
}

void TTreeNodes::FireDeletion(TTreeNode* node) {
    for (auto& c : node->children_) FireDeletion(c.get());
    owner_->Delete(node);
}

void TTreeNodes::Delete(TTreeNode* Node) {
    if (!Node || Node->owner_ != this) return;
    FireDeletion(Node);
    if (owner_->savedSelected_ && (owner_->savedSelected_ == Node || owner_->savedSelected_->HasAsParent(Node)))
        owner_->savedSelected_ = nullptr;
    if (Node->HasWindow())
        SendMessageA(owner_->WindowHandle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(Node->item_));
    ForgetWindow(Node);
    auto& sib = SiblingsOf(Node->parent_);
    auto at = std::find_if(sib.begin(), sib.end(), [Node](auto& p) { return p.get() == Node; });
    if (at != sib.end()) sib.erase(at);
    Changed();
}

void TTreeNodes::Clear() {
    if (roots_.empty()) return;
    TUpdateLock lock(*this);
    for (auto& r : roots_) FireDeletion(r.get());
    owner_->savedSelected_ = nullptr;
    if (owner_->HandleAllocated()) SendMessageA(owner_->WindowHandle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    byItem_.clear();
    roots_.clear();
    Changed();
}

void TTreeNodes::BeginUpdate() {
    if (updateCount_++ == 0) SetRedraw(owner_->WindowHandle(), false);
}

void TTreeNodes::EndUpdate() {
    if (updateCount_ == 0 || --updateCount_ > 0) return;
    SetRedraw(owner_->WindowHandle(), true);
}

// ---------------------------------------------------------------------------------------
// TCustomTreeView

IMPLEMENT_CLASS(TCustomTreeView);
IMPLEMENT_CLASS(TTreeView);

void TCustomTreeView::Publish(TClassBuilder<TCustomTreeView>& b) {
    b.Prop("BorderStyle", &TCustomTreeView::GetBorderStyle, &TCustomTreeView::SetBorderStyle);
    b.Prop("HideSelection", &TCustomTreeView::GetHideSelection, &TCustomTreeView::SetHideSelection);
    b.Prop("HotTrack", &TCustomTreeView::GetHotTrack, &TCustomTreeView::SetHotTrack);
    b.Prop("Images", &TCustomTreeView::GetImages, &TCustomTreeView::SetImages);
    b.Prop("Indent", &TCustomTreeView::GetIndent, &TCustomTreeView::SetIndent);
    b.Prop("ReadOnly", &TCustomTreeView::GetReadOnly, &TCustomTreeView::SetReadOnly);
    b.Prop("RowSelect", &TCustomTreeView::GetRowSelect, &TCustomTreeView::SetRowSelect);
    b.Prop("ShowButtons", &TCustomTreeView::GetShowButtons, &TCustomTreeView::SetShowButtons);
    b.Prop("ShowLines", &TCustomTreeView::GetShowLines, &TCustomTreeView::SetShowLines);
    b.Prop("ShowRoot", &TCustomTreeView::GetShowRoot, &TCustomTreeView::SetShowRoot);
    b.Prop("StateImages", &TCustomTreeView::GetStateImages, &TCustomTreeView::SetStateImages);
    b.Event("OnChange", &TCustomTreeView::OnChange);
    b.Event("OnChanging", &TCustomTreeView::OnChanging);
    b.Event("OnCollapsed", &TCustomTreeView::OnCollapsed);
    b.Event("OnCollapsing", &TCustomTreeView::OnCollapsing);
    b.Event("OnDeletion", &TCustomTreeView::OnDeletion);
    b.Event("OnEdited", &TCustomTreeView::OnEdited);
    b.Event("OnEditing", &TCustomTreeView::OnEditing);
    b.Event("OnExpanded", &TCustomTreeView::OnExpanded);
    b.Event("OnExpanding", &TCustomTreeView::OnExpanding);
}

TCustomTreeView::TCustomTreeView(TComponent* AOwner) : TWinControl(AOwner), items_(std::make_unique<TTreeNodes>(this)) {
    InitCommonClasses();
    // The tree view tracks a press itself and eats the button-up; clicks come from NM_CLICK.
    ControlStyle.Exclude(csCaptureMouse);
    ControlStyle.Exclude(csClickEvents);
    for (int i = 0; i < 2; ++i) {
        imageLinks_[i] = std::make_unique<TChangeLink>();
        imageLinks_[i]->OnChange = [this, i](TObject*) { ApplyImageList(i); };
    }
    SetTabStop(true);
    SetBounds(0, 0, 121, 97);
}

TCustomTreeView::~TCustomTreeView() {
    if (HandleAllocated()) DestroyHandle();
    SetImages(nullptr);
    SetStateImages(nullptr);
}

DWORD TCustomTreeView::TreeStyles() const {
    DWORD s = 0;
    if (showLines_) s |= TVS_HASLINES;
    if (showRoot_) s |= TVS_LINESATROOT;
    if (showButtons_) s |= TVS_HASBUTTONS;
    if (!hideSelection_) s |= TVS_SHOWSELALWAYS;
    if (rowSelect_) s |= TVS_FULLROWSELECT;
    if (hotTrack_) s |= TVS_TRACKSELECT;
    if (!readOnly_) s |= TVS_EDITLABELS;
    return s;
}

void TCustomTreeView::UpdateStyles() {
    if (!HandleAllocated()) return;
    constexpr DWORD managed = TVS_HASLINES | TVS_LINESATROOT | TVS_HASBUTTONS | TVS_SHOWSELALWAYS |
                              TVS_FULLROWSELECT | TVS_TRACKSELECT | TVS_EDITLABELS;
    ReplaceStyle(handle_, managed, TreeStyles());
}

void TCustomTreeView::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, WC_TREEVIEWA);
    Params.Style |= TreeStyles();
    if (borderStyle_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomTreeView::CreateWnd() {
    TWinControl::CreateWnd();
    ApplyColors();
    TCustomImageList* lists[2] = {images_, stateImages_};
    static constexpr int which[2] = {TVSIL_NORMAL, TVSIL_STATE};
    for (int i = 0; i < 2; ++i) {
        HIMAGELIST h = lists[i] ? lists[i]->Handle() : savedLists_[i];
        if (h) SendMessageA(handle_, TVM_SETIMAGELIST, static_cast<WPARAM>(which[i]), reinterpret_cast<LPARAM>(h));
        savedLists_[i] = nullptr;
    }
    if (indent_ > 0) SendMessageA(handle_, TVM_SETINDENT, static_cast<WPARAM>(indent_), 0);
    items_->byItem_.clear();
    for (auto& r : items_->roots_) items_->InsertIntoWindow(r.get(), true);
    if (savedSelected_) SendMessageA(handle_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(savedSelected_->item_));
    savedSelected_ = nullptr;
    if (items_->updateCount_ > 0) SetRedraw(handle_, false);
}

void TCustomTreeView::DestroyWnd() {
    if (HandleAllocated() && !IsDestroying()) {
        for (int i = 0; i < items_->Count(); ++i) {
            TTreeNode* n = items_->Item(i);
            n->expanded_ = n->Expanded();
        }
        savedSelected_ = Selected();
        indent_ = GetIndent();
        TCustomImageList* lists[2] = {images_, stateImages_};
        static constexpr int which[2] = {TVSIL_NORMAL, TVSIL_STATE};
        for (int i = 0; i < 2; ++i)
            if (!lists[i])
                savedLists_[i] = reinterpret_cast<HIMAGELIST>(SendMessageA(handle_, TVM_GETIMAGELIST, static_cast<WPARAM>(which[i]), 0));
    }
    TWinControl::DestroyWnd();
    for (auto& r : items_->roots_) items_->ForgetWindow(r.get());
    items_->byItem_.clear();
}

void TCustomTreeView::ApplyColors() {
    if (!HandleAllocated()) return;
    SendMessageA(handle_, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToColorRef(GetColor())));
    SendMessageA(handle_, TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToColorRef(Font()->GetColor())));
}

void TCustomTreeView::SetImageList(TCustomImageList*& field, TCustomImageList* value, int which) {
    if (ReplaceImageList(field, value, imageLinks_[which].get(), this)) ApplyImageList(which);
}

void TCustomTreeView::SetImages(TCustomImageList* value) { SetImageList(images_, value, 0); }
void TCustomTreeView::SetStateImages(TCustomImageList* value) { SetImageList(stateImages_, value, 1); }

void TCustomTreeView::ApplyImageList(int which) {
    if (!HandleAllocated() || IsDestroying()) return;
    TCustomImageList* list = which == 0 ? images_ : stateImages_;
    SendMessageA(handle_, TVM_SETIMAGELIST, which == 0 ? TVSIL_NORMAL : TVSIL_STATE,
                 reinterpret_cast<LPARAM>(list ? list->Handle() : nullptr));
}

void TCustomTreeView::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove) return;
    if (AComponent == images_) SetImages(nullptr);
    if (AComponent == stateImages_) SetStateImages(nullptr);
}

void TCustomTreeView::SetReadOnly(bool value) {
    if (value == readOnly_) return;
    readOnly_ = value;
    UpdateStyles();
}
void TCustomTreeView::SetShowLines(bool value) {
    if (value == showLines_) return;
    showLines_ = value;
    UpdateStyles();
}
void TCustomTreeView::SetShowRoot(bool value) {
    if (value == showRoot_) return;
    showRoot_ = value;
    UpdateStyles();
}
void TCustomTreeView::SetShowButtons(bool value) {
    if (value == showButtons_) return;
    showButtons_ = value;
    UpdateStyles();
}
void TCustomTreeView::SetHideSelection(bool value) {
    if (value == hideSelection_) return;
    hideSelection_ = value;
    UpdateStyles();
}
void TCustomTreeView::SetRowSelect(bool value) {
    if (value == rowSelect_) return;
    rowSelect_ = value;
    UpdateStyles();
}
void TCustomTreeView::SetHotTrack(bool value) {
    if (value == hotTrack_) return;
    hotTrack_ = value;
    UpdateStyles();
}

int TCustomTreeView::GetIndent() const {
    if (HandleAllocated()) return static_cast<int>(SendMessageA(handle_, TVM_GETINDENT, 0, 0));
    return indent_;
}

void TCustomTreeView::SetIndent(int value) {
    if (value == GetIndent()) return;
    indent_ = value;
    if (HandleAllocated()) SendMessageA(handle_, TVM_SETINDENT, static_cast<WPARAM>(value), 0);
}

void TCustomTreeView::SetBorderStyle(TBorderStyle value) {
    if (value != bsNone) value = bsSingle;
    if (value == borderStyle_) return;
    borderStyle_ = value;
    if (HandleAllocated()) SetExStyle(handle_, WS_EX_CLIENTEDGE, value == bsSingle);
}

TTreeNode* TCustomTreeView::Selected() const {
    if (!HandleAllocated()) return savedSelected_;
    return NodeFromItem(reinterpret_cast<HTREEITEM>(SendMessageA(handle_, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TCustomTreeView::SetSelected(TTreeNode* value) {
    if (value && value->owner_ != items_.get()) return;
    if (!HandleAllocated()) {
        savedSelected_ = value;
        return;
    }
    SendMessageA(handle_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(value ? value->item_ : nullptr));
}

TTreeNode* TCustomTreeView::TopItem() const {
    if (!HandleAllocated()) return items_->GetFirstNode();
    return NodeFromItem(reinterpret_cast<HTREEITEM>(SendMessageA(handle_, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

TTreeNode* TCustomTreeView::GetNodeAt(int X, int Y) const {
    if (!HandleAllocated()) return nullptr;
    TVHITTESTINFO h{};
    h.pt = POINT{X, Y};
    return NodeFromItem(reinterpret_cast<HTREEITEM>(SendMessageA(handle_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&h))));
}

THitTests TCustomTreeView::GetHitTestInfoAt(int X, int Y) const {
    THitTests result;
    if (!HandleAllocated()) return result;
    TVHITTESTINFO h{};
    h.pt = POINT{X, Y};
    SendMessageA(handle_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&h));
    static constexpr struct { UINT Flag; THitTest Test; } map[] = {
        {TVHT_ABOVE, htAbove}, {TVHT_BELOW, htBelow}, {TVHT_NOWHERE, htNowhere},
        {TVHT_ONITEMBUTTON, htOnButton}, {TVHT_ONITEMICON, htOnIcon}, {TVHT_ONITEMINDENT, htOnIndent},
        {TVHT_ONITEMLABEL, htOnLabel}, {TVHT_ONITEMRIGHT, htOnRight}, {TVHT_ONITEMSTATEICON, htOnStateIcon},
        {TVHT_TOLEFT, htToLeft}, {TVHT_TORIGHT, htToRight},
    };
    for (auto& m : map)
        if (h.flags & m.Flag) result.Include(m.Test);
    if (h.flags & TVHT_ONITEM) result.Include(htOnItem);
    return result;
}

void TCustomTreeView::FullExpand() {
    for (auto& r : items_->roots_) r->Expand(true);
}

void TCustomTreeView::FullCollapse() {
    for (auto& r : items_->roots_) r->Collapse(true);
}

bool TCustomTreeView::IsEditing() const {
    return HandleAllocated() && SendMessageA(handle_, TVM_GETEDITCONTROL, 0, 0) != 0;
}

bool TCustomTreeView::CanChange(TTreeNode* Node) {
    bool allow = true;
    if (OnChanging) OnChanging(this, Node, allow);
    return allow;
}

void TCustomTreeView::Change(TTreeNode* Node) {
    if (OnChange) OnChange(this, Node);
}

bool TCustomTreeView::CanExpand(TTreeNode* Node) {
    bool allow = true;
    if (OnExpanding) OnExpanding(this, Node, allow);
    return allow;
}

bool TCustomTreeView::CanCollapse(TTreeNode* Node) {
    bool allow = true;
    if (OnCollapsing) OnCollapsing(this, Node, allow);
    return allow;
}

void TCustomTreeView::Expanded(TTreeNode* Node) {
    if (OnExpanded) OnExpanded(this, Node);
}

void TCustomTreeView::Collapsed(TTreeNode* Node) {
    if (OnCollapsed) OnCollapsed(this, Node);
}

void TCustomTreeView::Delete(TTreeNode* Node) {
    if (OnDeletion && !IsDestroying()) OnDeletion(this, Node);
}

bool TCustomTreeView::CanEdit(TTreeNode* Node) {
    bool allow = true;
    if (OnEditing) OnEditing(this, Node, allow);
    return allow;
}

void TCustomTreeView::Edit(TTreeNode* Node, std::string& S) {
    if (OnEdited) OnEdited(this, Node, S);
}

void TCustomTreeView::CNNotify(TMessage& Message) {
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    Message.Result = 0;
    if (!hdr || ControlState.Contains(csDestroyingHandle) || IsDestroying()) return;
    // NMTREEVIEWA and NMTREEVIEWW differ only in where the texts point.
    auto* nm = reinterpret_cast<NMTREEVIEWA*>(hdr);
    switch (hdr->code) {
    case NM_CLICK:
        Click();
        return;
    case TVN_SELCHANGINGA:
    case TVN_SELCHANGINGW:
        if (!CanChange(NodeFromItem(nm->itemNew.hItem))) Message.Result = TRUE;
        return;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
        Change(NodeFromItem(nm->itemNew.hItem));
        return;
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        TTreeNode* node = NodeFromItem(nm->itemNew.hItem);
        if (!node) return;
        bool allow = (nm->action & TVE_EXPAND) ? CanExpand(node) : (nm->action & TVE_COLLAPSE) ? CanCollapse(node) : true;
        if (!allow) Message.Result = TRUE;
        return;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: {
        TTreeNode* node = NodeFromItem(nm->itemNew.hItem);
        if (!node) return;
        if (nm->action & TVE_EXPAND) {
            node->expanded_ = true;
            Expanded(node);
        } else if (nm->action & TVE_COLLAPSE) {
            node->expanded_ = false;
            Collapsed(node);
        }
        return;
    }
    case TVN_BEGINLABELEDITA:
    case TVN_BEGINLABELEDITW: {
        auto* d = reinterpret_cast<NMTVDISPINFOA*>(hdr);
        TTreeNode* node = NodeFromItem(d->item.hItem);
        if (readOnly_ || !node || !CanEdit(node)) Message.Result = TRUE;
        return;
    }
    case TVN_ENDLABELEDITA:
    case TVN_ENDLABELEDITW: {
        auto* d = reinterpret_cast<NMTVDISPINFOA*>(hdr);
        TTreeNode* node = NodeFromItem(d->item.hItem);
        if (!node || !d->item.pszText) return;
        TEditedLabel label =
            EndLabelEdit(hdr, TVN_ENDLABELEDITA, d->item.pszText, [&](std::string& s) { Edit(node, s); });
        node->text_ = label.Text;
        node->shownText_.clear();
        if (label.AsTyped) Message.Result = TRUE;
        else node->PushItem(TVIF_TEXT);
        return;
    }
    default:
        return;
    }
}

void TCustomTreeView::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_NOTIFY:
        CNNotify(Message);
        return;
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
        TWinControl::WndProc(Message);
        ApplyColors();
        return;
    default:
        break;
    }
    TWinControl::WndProc(Message);
}
