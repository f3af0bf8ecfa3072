// The page control: one page (a tab sheet) per tab, exactly one of them shown; pages
// without a visible tab are switched by code only.
#include "controls/framed/FcTabs.h"

#include "framework/Forms.h"
#include "framework/Guards.h"

#include <algorithm>

IMPLEMENT_CLASS(TFcTabSheet);
IMPLEMENT_CLASS(TFcPageControl);

// ---------------------------------------------------------------------------------------
// TFcTabSheet

void TFcTabSheet::Publish(TClassBuilder<TFcTabSheet>& b) {
    b.Prop("DisabledIndex", &TFcTabSheet::GetDisabledIndex, &TFcTabSheet::SetDisabledIndex);
    b.Prop("ImageIndex", &TFcTabSheet::GetImageIndex, &TFcTabSheet::SetImageIndex);
    b.Prop("PageIndex", &TFcTabSheet::GetPageIndex, &TFcTabSheet::SetPageIndex);
    b.Prop("TabEnabled", &TFcTabSheet::GetTabEnabled, &TFcTabSheet::SetTabEnabled);
    b.Prop("TabVisible", &TFcTabSheet::GetTabVisible, &TFcTabSheet::SetTabVisible);
    b.Event("OnPaintBackground", &TFcTabSheet::OnPaintBackground);
    b.Event("OnShow", &TFcTabSheet::OnShow);
    b.Event("OnHide", &TFcTabSheet::OnHide);
}

TFcTabSheet::TFcTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {
    visible_ = false;
    SetAlign(alClient);
    ControlStyle = ControlStyle + TControlStyle{csAcceptsControls, csOpaque, csNoDesignVisible};
    // A page takes its control's colour when it joins it, unless it is given its own.
    color_ = clBtnFace;
}

void TFcTabSheet::Destroying() {
    // Leave the page control while the page is whole: it may switch pages.
    if (pageControl_) pageControl_->RemovePage(this);
    TCustomControl::Destroying();
}

void TFcTabSheet::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TFcTabSheet::ReadState() {
    TCustomControl::ReadState();
    if (auto* pc = dynamic_cast<TFcPageControl*>(Parent())) SetPageControl(pc);
}

void TFcTabSheet::SetPageControl(TFcPageControl* Value) {
    if (Value == pageControl_) return;
    if (pageControl_) pageControl_->RemovePage(this);
    SetParent(Value);
    if (Value) Value->InsertPage(this);
}

void TFcTabSheet::Rebuild() {
    if (pageControl_) pageControl_->TabsChanged();
}

void TFcTabSheet::SetImageIndex(int Value) {
    if (Value == imageIndex_) return;
    imageIndex_ = Value;
    Rebuild();
}

void TFcTabSheet::SetDisabledIndex(int Value) {
    if (Value == disabledIndex_) return;
    disabledIndex_ = Value;
    Rebuild();
}

void TFcTabSheet::SetTabEnabled(bool Value) {
    if (Value == tabEnabled_) return;
    tabEnabled_ = Value;
    Rebuild();
}

void TFcTabSheet::SetTabVisible(bool Value) {
    if (Value == tabVisible_) return;
    tabVisible_ = Value;
    Rebuild();
}

int TFcTabSheet::GetPageIndex() const { return pageControl_ ? pageControl_->IndexOfPage(this) : -1; }

void TFcTabSheet::SetPageIndex(int Value) {
    if (!pageControl_) return;
    const int last = pageControl_->PageCount() - 1;
    if (Value < 0 || Value > last) throw EFcTabControlError(Format(SFcInvalidPageIndex, Value, last));
    pageControl_->MovePage(this, Value);
}

int TFcTabSheet::VisibleTabIndex() const {
    if (!tabVisible_ || !pageControl_) return -1;
    int index = 0;
    for (int i = 0; i < pageControl_->PageCount(); ++i) {
        TFcTabSheet* page = pageControl_->Pages(i);
        if (page == this) return index;
        if (page->tabVisible_) ++index;
    }
    return -1;
}

void TFcTabSheet::SetColor(TColor Value) {
    if (Value == GetColor()) return;
    // A page coloured apart from its control turns coloured tabs on.
    if (pageControl_ && !pageControl_->GetUseColoredTabs() && Value != pageControl_->GetColor())
        pageControl_->SetUseColoredTabs(true);
    TCustomControl::SetColor(Value);
    Rebuild();
}

void TFcTabSheet::SetVisible(bool) { throw EFcTabControlError(SFcPageVisible); }

void TFcTabSheet::AssignTo(TPersistent* Dest) {
    if (auto* tab = dynamic_cast<TFcTabData*>(Dest)) {
        tab->Caption = GetCaption();
        tab->Color = GetColor();
        tab->Enabled = tabEnabled_;
        tab->Visible = tabVisible_;
        tab->Hint = GetHint();
        tab->ImageIndex = imageIndex_;
        tab->DisabledImageIndex = disabledIndex_;
        return;
    }
    TCustomControl::AssignTo(Dest);
}

void TFcTabSheet::Paint() {
    const TRect r(0, 0, Width(), Height());
    bool handled = false;
    if (OnPaintBackground) OnPaintBackground(this, Canvas(), r, handled);
    if (handled) return;
    Canvas()->Brush()->SetColor(GetColor());
    Canvas()->FillRect(r);
}

void TFcTabSheet::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case CM_TEXTCHANGED: CMTextChanged(Message); return;
    case CM_SHOWINGCHANGED: CMShowingChanged(Message); return;
    default: break;
    }
    TCustomControl::WndProc(Message);
}

// The page paints all of itself.
void TFcTabSheet::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TFcTabSheet::CMTextChanged(TMessage& Message) {
    TCustomControl::WndProc(Message);
    Rebuild();
}

void TFcTabSheet::CMShowingChanged(TMessage& Message) {
    TCustomControl::WndProc(Message);
    const bool showing = GetVisible();
    if (showing == wasShowing_) return;
    wasShowing_ = showing;
    // The handler's error is reported and goes no further: the page switch completes.
    const TNotifyEvent& handler = showing ? OnShow : OnHide;
    if (TNotifyEvent run = handler) Guard([&] { run(this); }, this);
}

// ---------------------------------------------------------------------------------------
// TFcPageControl

void TFcPageControl::Publish(TClassBuilder<TFcPageControl>& b) {
    PublishTabProperties(b);
    b.Prop("ActivePage", &TFcPageControl::GetActivePage, &TFcPageControl::SetActivePage);
    b.Prop("ActivePageDefault", &TFcPageControl::GetActivePageDefault, &TFcPageControl::SetActivePageDefault);
    b.Prop("DblClickUndocks", &TFcPageControl::GetDblClickUndocks, &TFcPageControl::SetDblClickUndocks);
    b.Prop("SaveResources", &TFcPageControl::GetSaveResources, &TFcPageControl::SetSaveResources);
}

TFcPageControl::TFcPageControl(TComponent* AOwner) : TFcCustomTabControl(AOwner) {
    ControlStyle = ControlStyle - TControlStyle{csAcceptsControls} + TControlStyle{csOpaque};
    SetBounds(Left(), Top(), Width(), 150);
    SetUseColoredTabs(false);
}

TFcPageControl::~TFcPageControl() {
    for (auto* page : pages_) page->pageControl_ = nullptr;
}

void TFcPageControl::Destroying() {
    // The pages are freed afterwards by their owner: they must not call back.
    for (auto* page : pages_) page->pageControl_ = nullptr;
    pages_.clear();
    activePage_ = nullptr;
    TFcCustomTabControl::Destroying();
}

void TFcPageControl::CreateParams(TCreateParams& Params) {
    TFcCustomTabControl::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN;
}

TFcTabSheet* TFcPageControl::Pages(int Index) const {
    if (Index < 0 || Index >= PageCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return pages_[static_cast<size_t>(Index)];
}

int TFcPageControl::IndexOfPage(const TFcTabSheet* Page) const {
    auto it = std::find(pages_.begin(), pages_.end(), Page);
    return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void TFcPageControl::InsertPage(TFcTabSheet* Page) {
    if (!HandleAllocated() && Parent() && !IsLoading() && !Parent()->IsLoading()) HandleNeeded();
    pages_.push_back(Page);
    Page->pageControl_ = this;
    TabsChanged();
}

void TFcPageControl::RemovePage(TFcTabSheet* Page) {
    if (Page == activePage_) SetActivePage(nullptr);
    auto it = std::find(pages_.begin(), pages_.end(), Page);
    if (it != pages_.end()) pages_.erase(it);
    TabsChanged();
    Page->pageControl_ = nullptr;
}

void TFcPageControl::MovePage(TFcTabSheet* Page, int NewIndex) {
    const int old = IndexOfPage(Page);
    if (old < 0 || old == NewIndex) return;
    pages_.erase(pages_.begin() + old);
    pages_.insert(pages_.begin() + NewIndex, Page);
    TabsChanged();
    DoTabOrderChange(old, NewIndex);
}

TFcTabSheet* TFcPageControl::PageForTab(int TabIndex) const {
    if (TabIndex < 0) return nullptr;
    for (auto* page : pages_)
        if (page->VisibleTabIndex() == TabIndex) return page;
    return nullptr;
}

// ---------------------------------------------------------------------------------------
// Switching pages

void TFcPageControl::ChangeActivePage(TFcTabSheet* Page) {
    if (Page == activePage_) return;
    TControlWatch watch(this);
    TCustomForm* form = GetParentForm();
    auto activeControl = [&] { return form ? form->GetActiveControl() : nullptr; };
    // The focus leaves the controls that are about to hide.
    if (form && activePage_ && activeControl() && activePage_->ContainsControl(activeControl()) &&
        activePage_->CanFocus())
        form->SetActiveControl(activePage_);
    if (Page) {
        Page->BringToFront();
        Page->SetShown(true);
        if (watch.Freed()) return;
        // A page whose window was given back to save resources gets a new one.
        if (HandleAllocated() && !Page->HandleAllocated()) Page->HandleNeeded();
        if (form && activePage_ && activeControl() == activePage_) {
            if (Page->CanFocus()) form->SetActiveControl(Page);
            else if (CanFocus()) form->SetActiveControl(this);
        }
    }
    if (TFcTabSheet* old = activePage_) {
        old->SetShown(false);
        if (watch.Freed()) return;
        if (saveResources_ && !IsDesigning() && pages_.end() != std::find(pages_.begin(), pages_.end(), old))
            old->DestroyHandle();
    }
    activePage_ = Page;
    if (form && Page && activeControl() == Page) {
        if (TWinControl* first = Page->FindNextControl(nullptr, true, true, false)) first->SetFocus();
    }
}

void TFcPageControl::SetActivePage(TFcTabSheet* Value) {
    if (Value && Value->pageControl_ != this) return;
    if (IsLoading() || IsReading()) {
        activePage_ = Value;
        return;
    }
    // The page shows only once the switch is allowed (inside the page switch), so a
    // refused switch leaves nothing of it visible.
    const int index = Value ? Value->VisibleTabIndex() : -1;
    TControlWatch watch(this);
    if (index < 0) {
        ChangeActivePage(Value);
        if (watch.Freed()) return;
        DoPageChange();
        if (watch.Freed()) return;
    }
    SetTabIndex(index);
}

void TFcPageControl::SetActivePageDefault(TFcTabSheet* Value) {
    if (Value == activePageDefault_) return;
    activePageDefault_ = Value;
    if (Value) Value->FreeNotification(this);
}

int TFcPageControl::GetActivePageIndex() const { return activePage_ ? activePage_->GetPageIndex() : -1; }

void TFcPageControl::SetActivePageIndex(int Index) {
    if (Index < 0 || Index >= PageCount()) {
        SetTabIndex(-1);
        return;
    }
    SetActivePage(Pages(Index));
}

void TFcPageControl::DoChanging(int NewIndex, bool& AllowChange) {
    if (!loadingPages_) TFcCustomTabControl::DoChanging(NewIndex, AllowChange);
    if (AllowChange) ChangeActivePage(PageForTab(NewIndex));
}

void TFcPageControl::DoOnChange() {
    if (!loadingPages_) TFcCustomTabControl::DoOnChange();
}

void TFcPageControl::DoPageChange() {
    if (!loadingPages_) TFcCustomTabControl::DoPageChange();
}

TFcTabSheet* TFcPageControl::FindNextPage(TFcTabSheet* Current, bool GoForward, bool CheckTabVisible) const {
    const int n = PageCount();
    if (n == 0) return nullptr;
    int i = IndexOfPage(Current);
    if (i < 0) i = GoForward ? n - 1 : 0;
    for (int step = 0; step < n; ++step) {
        i = GoForward ? (i + 1) % n : (i + n - 1) % n;
        TFcTabSheet* page = pages_[static_cast<size_t>(i)];
        if (!CheckTabVisible || page->GetTabVisible()) return page;
    }
    return nullptr;
}

void TFcPageControl::SelectNextPage(bool GoForward) {
    if (TFcTabSheet* page = FindNextPage(activePage_, GoForward, true)) SetActivePage(page);
}

// ---------------------------------------------------------------------------------------
// Tabs from pages

void TFcPageControl::TabsChanged() {
    if (IsDestroying()) return;
    Tabs()->Clear();
    for (auto* page : pages_) {
        if (!page->GetTabVisible()) continue;
        auto tab = std::make_unique<TFcTabData>();
        page->AssignTo(tab.get());
        Tabs()->Add(tab.release());
    }
    if (activePage_) {
        const int index = activePage_->VisibleTabIndex();
        if (activePage_->GetTabVisible() && index != GetTabIndex()) SetTabIndex(index);
        else if (!activePage_->GetTabVisible()) SetTabIndex(-1);
    }
    TFcCustomTabControl::TabsChanged();
}

void TFcPageControl::Loaded() {
    TFcCustomTabControl::Loaded();
    TRestore<bool> loading(loadingPages_, true);
    ComputeLayout();
    SetTabIndex(-1);
    TFcTabSheet* chosen = GetActivePage();
    if (activePageDefault_ && activePageDefault_ != chosen) {
        if (chosen) chosen->SetShown(false);
        chosen = activePageDefault_;
    }
    activePage_ = nullptr;
    TabsChanged();
    SetActivePage(chosen);
}

void TFcPageControl::Notification(TComponent* AComponent, TOperation Operation) {
    TFcCustomTabControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent && AComponent == activePageDefault_)
        activePageDefault_ = nullptr;
}

void TFcPageControl::CloseActiveTab() {
    const int old = GetTabIndex();
    TControlWatch watch(this);
    if (activePage_) activePage_->Free();
    if (watch.Freed()) return;
    SetTabIndex(std::max(old - 1, 0));
}

void TFcPageControl::MoveActiveTab(int NewIndex) {
    if (!activePage_) return;
    // The target is a tab; pages without a tab do not count among the tabs.
    TFcTabSheet* target = PageForTab(NewIndex);
    activePage_->SetPageIndex(target ? target->GetPageIndex() : NewIndex);
}

void TFcPageControl::HideAllPages() {
    for (auto* page : std::vector<TFcTabSheet*>(pages_)) page->SetTabVisible(false);
}

void TFcPageControl::ShowAllPages() {
    for (auto* page : std::vector<TFcTabSheet*>(pages_)) page->SetTabVisible(true);
}

void TFcPageControl::SetSaveResources(bool Value) {
    if (Value == saveResources_) return;
    saveResources_ = Value;
    if (!Value || IsDesigning()) return;
    for (auto* page : pages_)
        if (page != activePage_) page->DestroyHandle();
}

void TFcPageControl::SetUseColoredTabs(bool Value) {
    const bool was = GetUseColoredTabs();
    TFcCustomTabControl::SetUseColoredTabs(Value);
    if (was != Value && Parent() && !Value) Perform(CM_COLORCHANGED);
}

void TFcPageControl::DoPaintCardBackground(TCanvas* ACanvas, int ARow, const TRect& ARect, bool& Handled) {
    TFcCustomTabControl::DoPaintCardBackground(ACanvas, ARow, ARect, Handled);
    if (Handled || ARow != 0 || GetTabIndex() < 0 || !activePage_) return;
    ACanvas->Brush()->SetColor(activePage_->GetColor());
    ACanvas->FillRect(ARect);
    Handled = true;
}

// ---------------------------------------------------------------------------------------
// Messages

void TFcPageControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DIALOGKEY: CMDialogKey(Message); return;
    case WM_SETFOCUS: WMSetFocus(Message); return;
    case CM_COLORCHANGED: CMColorChanged(Message); return;
    default: break;
    }
    TFcCustomTabControl::WndProc(Message);
}

void TFcPageControl::CMDialogKey(TMessage& Message) {
    TFcCustomTabControl::WndProc(Message);
    if (Message.Result != 0 || Message.WParam != VK_TAB || GetKeyState(VK_CONTROL) >= 0) return;
    TCustomForm* form = GetParentForm();
    if (!form || !form->GetActiveControl() || !ContainsControl(form->GetActiveControl())) return;
    SelectNextPage(GetKeyState(VK_SHIFT) >= 0);
    Message.Result = 1;
}

void TFcPageControl::WMSetFocus(TMessage& Message) {
    TFcCustomTabControl::WndProc(Message);
    // A page without a tab hands the focus to its first child.
    if (!activePage_ || activePage_->GetTabVisible()) return;
    for (int i = 0; i < activePage_->ControlCount(); ++i) {
        auto* child = dynamic_cast<TWinControl*>(activePage_->Controls(i));
        if (child && child->CanFocus()) {
            child->SetFocus();
            return;
        }
    }
}

void TFcPageControl::CMColorChanged(TMessage& Message) {
    if (!GetUseColoredTabs())
        for (auto* page : std::vector<TFcTabSheet*>(pages_)) page->SetColor(GetColor());
    TFcCustomTabControl::WndProc(Message);
}
