// The tab control's data: colour sets, tab data, the region cache, construction, loading
// and destruction, the property writers, the event firers and the messages and keys.
#include "controls/framed/FcTabs.h"

#include "framework/Forms.h"
#include "framework/Guards.h"

#include <algorithm>

IMPLEMENT_CLASS(TFcTabColors);
IMPLEMENT_CLASS(TFcTextColors);
IMPLEMENT_CLASS(TFcTabData);
IMPLEMENT_CLASS(TFcTabDataList);
IMPLEMENT_CLASS(TFcTabRegionCacheItem);
IMPLEMENT_CLASS(TFcTabRegionCache);
IMPLEMENT_CLASS(TFcCustomTabControl);

namespace {
// The hover check's window timer.
constexpr UINT_PTR kHoverTimer = 1;
constexpr UINT kHoverInterval = 60;
} // namespace

// ---------------------------------------------------------------------------------------
// Colour sets

void TFcTabColors::Publish(TClassBuilder<TFcTabColors>& b) {
    b.Prop("HighlightBar", &TFcTabColors::GetHighlightBar, &TFcTabColors::SetHighlightBar);
    b.Prop("Shadow", &TFcTabColors::GetShadow, &TFcTabColors::SetShadow);
    b.Prop("Unselected", &TFcTabColors::GetUnselected, &TFcTabColors::SetUnselected);
}

void TFcTabColors::Changed() {
    if (owner_) owner_->InvalidateTabs();
}

void TFcTabColors::SetHighlightBar(TColor Value) {
    if (Value == highlightBar_) return;
    highlightBar_ = Value;
    Changed();
}

void TFcTabColors::SetShadow(TColor Value) {
    if (Value == shadow_) return;
    shadow_ = Value;
    Changed();
}

void TFcTabColors::SetUnselected(TColor Value) {
    if (Value == unselected_) return;
    unselected_ = Value;
    Changed();
}

void TFcTabColors::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TFcTabColors*>(Source)) {
        SetHighlightBar(src->highlightBar_);
        SetShadow(src->shadow_);
        SetUnselected(src->unselected_);
        return;
    }
    TPersistent::Assign(Source);
}

void TFcTextColors::Publish(TClassBuilder<TFcTextColors>& b) {
    b.Prop("Disabled", &TFcTextColors::GetDisabled, &TFcTextColors::SetDisabled);
    b.Prop("Selected", &TFcTextColors::GetSelected, &TFcTextColors::SetSelected);
    b.Prop("Unselected", &TFcTextColors::GetUnselected, &TFcTextColors::SetUnselected);
}

void TFcTextColors::Changed() {
    if (owner_) owner_->InvalidateTabs();
}

void TFcTextColors::SetDisabled(TColor Value) {
    if (Value == disabled_) return;
    disabled_ = Value;
    Changed();
}

void TFcTextColors::SetSelected(TColor Value) {
    if (Value == selected_) return;
    selected_ = Value;
    Changed();
}

void TFcTextColors::SetUnselected(TColor Value) {
    if (Value == unselected_) return;
    unselected_ = Value;
    Changed();
}

void TFcTextColors::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TFcTextColors*>(Source)) {
        SetDisabled(src->disabled_);
        SetSelected(src->selected_);
        SetUnselected(src->unselected_);
        return;
    }
    TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------------------
// Tab data

void TFcTabData::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TFcTabData*>(Source)) {
        Caption = src->Caption;
        Color = src->Color;
        DisabledImageIndex = src->DisabledImageIndex;
        Enabled = src->Enabled;
        Hint = src->Hint;
        ImageIndex = src->ImageIndex;
        Visible = src->Visible;
        return;
    }
    TPersistent::Assign(Source);
}

void TFcTabDataList::Add(TFcTabData* Item) { items_.emplace_back(Item); }

void TFcTabDataList::Clear() { items_.clear(); }

TFcTabData* TFcTabDataList::Items(int Index) const {
    if (!ValidIndex(Index)) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return items_[static_cast<size_t>(Index)].get();
}

void TFcTabDataList::Replace(int Index, TFcTabData* Item) {
    std::unique_ptr<TFcTabData> owned(Item);
    if (!ValidIndex(Index)) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    items_[static_cast<size_t>(Index)] = std::move(owned);
}

void TFcTabDataList::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TFcTabDataList*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    if (src == this) return;
    Clear();
    for (int i = 0; i < src->Count(); ++i) {
        auto copy = std::make_unique<TFcTabData>();
        copy->Assign(src->Items(i));
        items_.push_back(std::move(copy));
    }
}

// ---------------------------------------------------------------------------------------
// Region cache

HRGN TFcTabRegionCache::Lookup(const TRect& Rect) {
    auto it = std::find_if(items_.begin(), items_.end(), [&](auto& item) { return item->Rect == Rect; });
    if (it == items_.end()) return nullptr;
    std::rotate(items_.begin(), it, it + 1);
    return items_.front()->Region();
}

void TFcTabRegionCache::Store(const TRect& Rect, HRGN Region) {
    auto it = std::find_if(items_.begin(), items_.end(), [&](auto& item) { return item->Rect == Rect; });
    if (it != items_.end()) {
        // Callers store only after a failed lookup; an offered duplicate would leak.
        if (Region && Region != (*it)->Region()) DeleteObject(Region);
        std::rotate(items_.begin(), it, it + 1);
    } else {
        auto item = std::make_unique<TFcTabRegionCacheItem>();
        item->Rect = Rect;
        item->SetRegion(Region);
        items_.insert(items_.begin(), std::move(item));
    }
    Trim();
}

void TFcTabRegionCache::SetCapacity(int Value) {
    if (Value < -1 || Value == 0) throw EFcTabControlError(SFcRegionCacheCapacity);
    if (Value == capacity_) return;
    capacity_ = Value;
    Trim();
}

void TFcTabRegionCache::Trim() {
    if (capacity_ == -1) return;
    while (static_cast<int>(items_.size()) > capacity_) items_.pop_back();
}

// ---------------------------------------------------------------------------------------
// Construction, loading and destruction

TFcCustomTabControl::TFcCustomTabControl(TComponent* AOwner) : TCustomControl(AOwner) {
    // Sizing aligns the children, which asks for the page area: the data comes first.
    tabs_ = std::make_unique<TFcTabDataList>();
    tabFont_ = std::make_unique<TFont>();
    tabFont_->Assign(Font());
    tabColors_ = std::make_unique<TFcTabColors>(this);
    textColors_ = std::make_unique<TFcTextColors>(this);
    imageChangeLink_ = std::make_unique<TChangeLink>();
    imageChangeLink_->OnChange = [this](TObject* s) { ImageListChange(s); };
    regionCache_ = std::make_unique<TFcTabRegionCache>();
    regionCache_->SetCapacity(regionCacheCapacity_);
    bitmap_ = std::make_unique<TBitmap>(300, 100);
    SetBounds(Left(), Top(), 300, 100);
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks};
    SetTabStop(true);
    SetLayoutDirty(true);
}

TFcCustomTabControl::~TFcCustomTabControl() {
    StopHoverTimer();
    if (images_) images_->UnRegisterChanges(imageChangeLink_.get());
}

void TFcCustomTabControl::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    // A resize must not repaint the whole window: painting covers what changed.
    Params.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TFcCustomTabControl::DefineProperties(TFiler& Filer) {
    TCustomControl::DefineProperties(Filer);
    Filer.DefineProperty("FixedDimension", [this](const TValue& v) { fixedDimension_ = static_cast<int>(ValueToInteger(v)); });
}

void TFcCustomTabControl::Loaded() {
    TCustomControl::Loaded();
    savedHint_ = GetHint();
    SetLayoutDirty(true);
    if (tabIndex_ != loadedTabIndex_) tabIndex_ = loadedTabIndex_;
    if (textOrientation_ == orVertical) RenameFontIfNotTrueType();
    SetTabIndex(tabIndex_);
}

void TFcCustomTabControl::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent && AComponent == images_) SetImages(nullptr);
}

void TFcCustomTabControl::RenameFontIfNotTrueType() {
    // Only outline fonts turn: a vertical caption needs one.
    if (!FontIsTrueType(Font())) Font()->SetName("Verdana");
}

void TFcCustomTabControl::ImageListChange(TObject*) { InvalidateTabs(); }

// ---------------------------------------------------------------------------------------
// Invalidation

void TFcCustomTabControl::InvalidateTabs() {
    hotTrackOnly_ = false;
    Invalidate();
}

void TFcCustomTabControl::InvalidateTabArea() {
    if (!HandleAllocated()) return;
    TRect r = TabAreaRect();
    r.Right += 1;
    r.Bottom += 1;
    InvalidateRect(&r, false);
}

void TFcCustomTabControl::SetLayoutDirty(bool Value) {
    bool was = layoutDirty_;
    if (Value) buttonTextHeight_ = -1;
    layoutDirty_ = Value;
    if (Value && !was) InvalidateTabs();
}

void TFcCustomTabControl::TabsChanged() { SetLayoutDirty(true); }

void TFcCustomTabControl::SetShowCard(bool Value) {
    if (Value == showCard_) return;
    showCard_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetRegionCacheCapacity(int Value) {
    if (Value == regionCacheCapacity_ || (Value != -1 && Value <= 0)) return;
    regionCacheCapacity_ = Value;
    regionCache_->SetCapacity(Value);
}

// ---------------------------------------------------------------------------------------
// Writers of shape and orientation

void TFcCustomTabControl::SetCutCornerSize(int Value) {
    if (Value < 0 || Value == cutCornerSize_) return;
    cutCornerSize_ = Value;
    if (tabStyle_ == tsCutCorner) TabsChanged();
}

void TFcCustomTabControl::SetSoftCorners(bool Value) {
    if (Value == softCorners_) return;
    softCorners_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetTabOverlap(int Value) {
    if (Value == tabOverlap_) return;
    tabOverlap_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetTabStyle(TFcTabStyle Value) {
    if (Value == tabStyle_) return;
    tabStyle_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetTabSequence(TFcTabSequence Value) {
    if (Value == tabSequence_) return;
    tabSequence_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetTabOrientation(TFcTabOrientation Value) {
    if (Value == tabOrientation_) return;
    tabOrientation_ = Value;
    if (!IsLoading() && !IsReading()) TabsChanged();
}

void TFcCustomTabControl::SetTextOrientation(TOrientation Value) {
    if (Value == textOrientation_) return;
    textOrientation_ = Value;
    if (!IsLoading()) RenameFontIfNotTrueType();
    TabsChanged();
}

void TFcCustomTabControl::SetTabHeight(int Value) {
    if (Value < 0 || Value == tabHeight_) return;
    tabHeight_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetTabWidth(int Value) {
    if (Value < 0 || Value == tabWidth_) return;
    tabWidth_ = Value;
    TabsChanged();
}

// ---------------------------------------------------------------------------------------
// Writers that mark the layout dirty

void TFcCustomTabControl::SetMultiLine(bool Value) {
    if (Value == multiLine_) return;
    multiLine_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetImageAlignment(TFcHorizontalAlignment Value) {
    if (Value == imageAlignment_) return;
    imageAlignment_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetImageAlignmentVertical(TFcVerticalAlignment Value) {
    if (Value == imageAlignmentVertical_) return;
    imageAlignmentVertical_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetTextAlignment(TFcHorizontalAlignment Value) {
    if (Value == textAlignment_) return;
    textAlignment_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetTextAlignmentVertical(TFcVerticalAlignment Value) {
    if (Value == textAlignmentVertical_) return;
    textAlignmentVertical_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetImagePosition(TFcImagePosition Value) {
    if (Value == imagePosition_) return;
    imagePosition_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetShowCardFrame(bool Value) {
    if (Value == showCardFrame_) return;
    showCardFrame_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetBoldCurrentTab(bool Value) {
    if (Value == boldCurrentTab_) return;
    boldCurrentTab_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetMargin(int Value) {
    if (Value < 0 || Value == margin_) return;
    margin_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetImageMargin(int Value) {
    if (Value < 0 || Value == imageMargin_) return;
    imageMargin_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetRowIndent(int Value) {
    if (Value < 0 || Value == rowIndent_) return;
    rowIndent_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetRowOverlap(int Value) {
    if (Value < 0 || Value == rowOverlap_) return;
    rowOverlap_ = Value;
    TabsChanged();
}

void TFcCustomTabControl::SetAlignTabs(bool Value) {
    if (Value == alignTabs_) return;
    alignTabs_ = Value;
    if (multiLine_) TabsChanged();
}

void TFcCustomTabControl::SetImages(TCustomImageList* Value) {
    ReplaceImageList(images_, Value, imageChangeLink_.get(), this);
    TabsChanged();
}

void TFcCustomTabControl::SetShowCloseButton(bool Value) {
    if (Value == showCloseButton_) return;
    showCloseButton_ = Value;
    EnsureCloseButton()->SetVisible(Value);
    TabsChanged();
    InvalidateTabs();
}

void TFcCustomTabControl::SetShowCloseButtonOnActiveTab(bool Value) {
    if (Value == showCloseButtonOnActiveTab_) return;
    showCloseButtonOnActiveTab_ = Value;
    EnsureActiveCloseButton()->SetVisible(Value && tabIndex_ >= 0);
    TabsChanged();
    InvalidateTabs();
}

void TFcCustomTabControl::SetShowMenuButton(bool Value) {
    if (Value == showMenuButton_) return;
    showMenuButton_ = Value;
    EnsureMenuButton()->SetVisible(Value);
    TabsChanged();
    InvalidateTabs();
}

void TFcCustomTabControl::SetShowShadow(bool Value) {
    if (Value == showShadow_) return;
    showShadow_ = Value;
    if (Value) showFullFrame_ = true;
    TabsChanged();
    InvalidateTabs();
}

void TFcCustomTabControl::SetShowFullFrame(bool Value) {
    if (Value == showFullFrame_) return;
    showFullFrame_ = Value;
    if (!Value) showShadow_ = false;
    TabsChanged();
}

// ---------------------------------------------------------------------------------------
// Writers that repaint

void TFcCustomTabControl::SetShowFocusRect(bool Value) {
    if (Value == showFocusRect_) return;
    showFocusRect_ = Value;
    InvalidateTabs();
}

void TFcCustomTabControl::SetTransparent(bool Value) {
    if (Value == transparent_) return;
    transparent_ = Value;
    InvalidateTabs();
}

void TFcCustomTabControl::SetUseGradients(bool Value) {
    if (Value == useGradients_) return;
    useGradients_ = Value;
    InvalidateTabs();
}

void TFcCustomTabControl::SetUseColoredTabs(bool Value) {
    if (Value == useColoredTabs_) return;
    useColoredTabs_ = Value;
    InvalidateTabs();
}

void TFcCustomTabControl::SetHotTrackColor(TColor Value) {
    if (Value == hotTrackColor_) return;
    hotTrackColor_ = Value;
    InvalidateTabs();
}

void TFcCustomTabControl::SetHotTrackColorSource(TFcTabHotTrackColorSource Value) {
    if (Value == hotTrackColorSource_) return;
    hotTrackColorSource_ = Value;
    InvalidateTabs();
}

void TFcCustomTabControl::SetHotTrackColorType(TFcHotTrackColorType Value) {
    if (Value == hotTrackColorType_) return;
    hotTrackColorType_ = Value;
    InvalidateTabs();
}

void TFcCustomTabControl::SetHotTrackStyle(TFcTabHotTrackStyle Value) {
    if (Value == hotTrackStyle_) return;
    hotTrackStyle_ = Value;
    InvalidateTabs();
}

TColor TFcCustomTabControl::ButtonFrameColor() const { return ShiftColor(flatColor_, flatColorAdjustment_); }

void TFcCustomTabControl::UpdateButtonColors() {
    TColor c = ButtonFrameColor();
    if (scroller_) scroller_->SetFrameColor(c);
    if (closeButton_) closeButton_->SetFrameColor(c);
    if (activeCloseButton_) activeCloseButton_->SetFrameColor(c);
    if (menuButton_) menuButton_->SetFrameColor(c);
}

void TFcCustomTabControl::SetFlatColor(TColor Value) {
    if (Value == flatColor_) return;
    flatColor_ = Value;
    UpdateButtonColors();
    InvalidateTabs();
}

void TFcCustomTabControl::SetFlatColorAdjustment(int Value) {
    if (Value == flatColorAdjustment_) return;
    flatColorAdjustment_ = Value;
    UpdateButtonColors();
    InvalidateTabs();
}

void TFcCustomTabControl::SetTabColors(TFcTabColors* Value) { tabColors_->Assign(Value); }

void TFcCustomTabControl::SetTextColors(TFcTextColors* Value) { textColors_->Assign(Value); }

void TFcCustomTabControl::SetBackgroundColor(TColor Value) {
    if (Value == backgroundColor_) return;
    backgroundColor_ = Value;
    parentBackgroundColor_ = false;
    InvalidateTabs();
}

void TFcCustomTabControl::SetParentBackgroundColor(bool Value) {
    if (Value == parentBackgroundColor_) return;
    parentBackgroundColor_ = Value;
    if (Parent()) Perform(CM_PARENTCOLORCHANGED);
}

void TFcCustomTabControl::SetHotTrack(bool Value) {
    if (Value == hotTrack_) return;
    if (!Value && !tabHints_) StopHoverTimer();
    hotTrack_ = Value;
}

void TFcCustomTabControl::SetTabHints(bool Value) {
    if (Value == tabHints_) return;
    if (!Value && !hotTrack_) StopHoverTimer();
    tabHints_ = Value;
}

// ---------------------------------------------------------------------------------------
// Events

void TFcCustomTabControl::DoChanging(int NewIndex, bool& AllowChange) {
    if (OnChanging) OnChanging(this, NewIndex, AllowChange);
}

void TFcCustomTabControl::DoGetTextColor(int ATabIndex, TFcTextStyle AStyle, TColor& AColor, bool& Handled) {
    if (OnGetTextColor) OnGetTextColor(this, ATabIndex, AStyle, AColor, Handled);
}

void TFcCustomTabControl::DoTabClick() {
    if (OnTabClick) OnTabClick(this);
}

void TFcCustomTabControl::DoPaintBackground(TCanvas* ACanvas, const TRect& ARect, bool& Handled) {
    if (OnPaintBackground) OnPaintBackground(this, ACanvas, ARect, Handled);
}

void TFcCustomTabControl::DoPaintCardBackground(TCanvas* ACanvas, int ARow, const TRect& ARect, bool& Handled) {
    if (OnPaintCardBackground) OnPaintCardBackground(this, ACanvas, ARow, ARect, Handled);
}

void TFcCustomTabControl::DoPaintTabBackground(TCanvas* ACanvas, int ATabIndex, const TRect& ARect, bool& Handled) {
    if (OnPaintTabBackground) OnPaintTabBackground(this, ACanvas, ATabIndex, ARect, Handled);
}

void TFcCustomTabControl::DoOnChange() {
    if (OnChange) OnChange(this);
}

void TFcCustomTabControl::DoPageChange() {
    if (OnPageChange) OnPageChange(this);
}

void TFcCustomTabControl::DoTabOrderChange(int OldIndex, int NewIndex) {
    if (OnTabOrderChange) OnTabOrderChange(this, OldIndex, NewIndex);
}

bool TFcCustomTabControl::CanCloseTab() {
    bool allow = false;
    if (OnClose) OnClose(this, allow);
    return allow;
}

bool TFcCustomTabControl::MayChange(int Index) {
    bool allowed = tabs_->ValidIndex(Index) && tabs_->Items(Index)->Visible &&
                   (tabs_->Items(Index)->Enabled || IsDesigning());
    if (allowed && Index != tabIndex_) DoChanging(Index, allowed);
    return allowed;
}

void TFcCustomTabControl::CloseRequest() {
    if (tabIndex_ != -1 && CanCloseTab()) CloseActiveTab();
}

// ---------------------------------------------------------------------------------------
// Tab buttons, made on first use

TFcTabScroller* TFcCustomTabControl::EnsureScroller() {
    if (!scroller_) {
        scroller_ = TFcTabScroller::Create(this);
        scroller_->ControlStyle.Include(csNoDesignVisible);
        scroller_->SetFrameColor(ButtonFrameColor());
        scroller_->OnUpRightClick = [this](TObject*) { ScrollerClick(true); };
        scroller_->OnDownLeftClick = [this](TObject*) { ScrollerClick(false); };
        scroller_->SetParent(this);
    }
    return scroller_;
}

TFcTabControlCloseButton* TFcCustomTabControl::EnsureCloseButton() {
    if (!closeButton_) {
        closeButton_ = TFcTabControlCloseButton::Create(this);
        closeButton_->ControlStyle.Include(csNoDesignVisible);
        closeButton_->SetFrameColor(ButtonFrameColor());
        closeButton_->OnClose = [this](TObject*) { CloseRequest(); };
        closeButton_->SetVisible(false);
        closeButton_->SetParent(this);
    }
    return closeButton_;
}

TFcActiveTabCloseButton* TFcCustomTabControl::EnsureActiveCloseButton() {
    if (!activeCloseButton_) {
        activeCloseButton_ = TFcActiveTabCloseButton::Create(this);
        activeCloseButton_->ControlStyle.Include(csNoDesignVisible);
        activeCloseButton_->SetFrameColor(ButtonFrameColor());
        activeCloseButton_->OnClose = [this](TObject*) { CloseRequest(); };
        activeCloseButton_->SetVisible(false);
        activeCloseButton_->SetParent(this);
    }
    return activeCloseButton_;
}

TFcTabMenuButton* TFcCustomTabControl::EnsureMenuButton() {
    if (!menuButton_) {
        menuButton_ = TFcTabMenuButton::Create(this);
        menuButton_->ControlStyle.Include(csNoDesignVisible);
        menuButton_->SetFrameColor(ButtonFrameColor());
        menuButton_->SetVisible(false);
        menuButton_->SetParent(this);
    }
    return menuButton_;
}

// ---------------------------------------------------------------------------------------
// Messages

void TFcCustomTabControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case WM_GETDLGCODE: WMGetDlgCode(Message); return;
    case CM_FONTCHANGED: CMFontChanged(Message); return;
    case WM_SIZE: WMSize(Message); return;
    case WM_SETFOCUS: case WM_KILLFOCUS: WMFocusChanged(Message); return;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); return;
    case CM_COLORCHANGED: CMColorChanged(Message); return;
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case WM_TIMER: WMTimer(Message); return;
    default: break;
    }
    TCustomControl::WndProc(Message);
}

// Painting covers the whole control from the off-screen bitmap.
void TFcCustomTabControl::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TFcCustomTabControl::WMGetDlgCode(TMessage& Message) { Message.Result = DLGC_WANTARROWS; }

void TFcCustomTabControl::CMFontChanged(TMessage& Message) {
    tabFont_->Assign(Font());
    TabsChanged();
    TCustomControl::WndProc(Message);
}

void TFcCustomTabControl::WMSize(TMessage& Message) {
    TCustomControl::WndProc(Message);
    TabsChanged();
}

void TFcCustomTabControl::WMFocusChanged(TMessage& Message) {
    InvalidateTabs();
    TCustomControl::WndProc(Message);
}

void TFcCustomTabControl::CMParentColorChanged(TMessage& Message) {
    TCustomControl::WndProc(Message);
    if (parentBackgroundColor_ && Parent()) {
        SetBackgroundColor(Parent()->GetColor());
        parentBackgroundColor_ = true;
    }
}

void TFcCustomTabControl::CMColorChanged(TMessage& Message) {
    if (useColoredTabs_) {
        NotifyControls(CM_PARENTCOLORCHANGED);
        return;
    }
    TCustomControl::WndProc(Message);
    InvalidateTabs();
}

void TFcCustomTabControl::CMDialogChar(TMessage& Message) {
    char ch = static_cast<char>(Message.WParam);
    if (CanFocus()) {
        for (int i = 0; i < tabs_->Count(); ++i) {
            TFcTabData* tab = tabs_->Items(i);
            if (!tab->Visible || !tab->Enabled || !IsAccel(ch, tab->Caption)) continue;
            Message.Result = 1;
            TControlWatch watch(this);
            SetFocus();
            if (watch.Freed() || !Focused()) return;
            SetTabIndex(i);
            if (!watch.Freed() && tabIndex_ == i) DoTabClick();
            return;
        }
    }
    TCustomControl::WndProc(Message);
}

void TFcCustomTabControl::WMTimer(TMessage& Message) {
    if (Message.WParam == kHoverTimer) {
        HoverTick();
        return;
    }
    TCustomControl::WndProc(Message);
}

void TFcCustomTabControl::StartHoverTimer() {
    if (hoverTimerRunning_ || !HandleAllocated()) return;
    if (SetTimer(WindowHandle(), kHoverTimer, kHoverInterval, nullptr)) hoverTimerRunning_ = true;
}

void TFcCustomTabControl::StopHoverTimer() {
    if (!hoverTimerRunning_) return;
    hoverTimerRunning_ = false;
    if (HandleAllocated()) KillTimer(WindowHandle(), kHoverTimer);
}

// ---------------------------------------------------------------------------------------
// Keys

void TFcCustomTabControl::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (tabs_->Count() == 0) return;
    bool onLeft = tabOrientation_ == toLeft;
    bool standard = tabSequence_ == tsStandard;
    switch (Key) {
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN: {
        bool leftUp = Key == VK_LEFT || Key == VK_UP;
        // Tabs on the left run upwards in the standard sequence.
        bool next = onLeft ? (standard == leftUp) : (standard != leftUp);
        StepSelection(next);
        break;
    }
    case VK_HOME: case VK_END: {
        bool flipped = onLeft == standard;
        bool home = Key == VK_HOME;
        JumpSelection(home != flipped);
        break;
    }
    default:
        break;
    }
}

bool TFcCustomTabControl::TrySelectByKey(int Index) {
    if (!MayChange(Index)) return false;
    TControlWatch watch(this);
    {
        TRestore<bool> allowed(changeAllowed_, true);
        SetTabIndex(Index);
    }
    if (!watch.Freed() && tabIndex_ == Index) DoTabClick();
    return true;
}

void TFcCustomTabControl::StepSelection(bool Forwards) {
    int n = tabs_->Count();
    int i = tabIndex_;
    for (int step = 0; step < n; ++step) {
        i = Forwards ? (i + 1) % n : (i <= 0 ? n - 1 : i - 1);
        if (i == tabIndex_) return;
        if (TrySelectByKey(i)) return;
    }
}

void TFcCustomTabControl::JumpSelection(bool FromStart) {
    int n = tabs_->Count();
    for (int k = 0; k < n; ++k) {
        int i = FromStart ? k : n - 1 - k;
        if (i == tabIndex_) return;
        if (TrySelectByKey(i)) return;
    }
}
