// FcListVw: properties, colours, the frame, notifications, sorting, tips and context menus.
// The header hook and header drawing live in FcListVwHeader.cpp.
#include "controls/framed/FcListVw.h"

#include "framework/Forms.h"
#include "framework/Guards.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------
// The common-controls version

namespace {

std::optional<DWORD> gComCtlOverride;

DWORD ReadFileVersionMS(const char* file) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    if (size == 0 || size > (1u << 20)) return 0;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(file, 0, size, data.data())) return 0;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &len) || !info || len < sizeof(*info))
        return 0;
    return info->dwFileVersionMS;
}

} // namespace

DWORD CommonControlsVersion() {
    if (gComCtlOverride) return *gComCtlOverride;
    static const DWORD version = ReadFileVersionMS("comctl32.dll");
    return version;
}

void OverrideCommonControlsVersion(std::optional<DWORD> Version) { gComCtlOverride = Version; }

namespace {
// Sort displays need 4.70; the header formats follow every arrow change from 6.0 on.
bool HasSortDisplays() { return CommonControlsVersion() > 0x40045; }
bool RefreshesOnArrowChange() { return CommonControlsVersion() >= 0x60000; }
} // namespace

// ---------------------------------------------------------------------------------------
// TFcCustomListView

IMPLEMENT_CLASS(TFcCustomListView);
IMPLEMENT_CLASS(TFcListView);

void TFcCustomListView::Publish(TClassBuilder<TFcCustomListView>& b) {
    using C = TFcCustomListView;
    b.Prop("AlphaSortAll", &C::GetAlphaSortAll, &C::SetAlphaSortAll);
    b.Prop("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor);
    b.Prop("EditOnRowClick", &C::GetEditOnRowClick, &C::SetEditOnRowClick);
    b.Prop("FillLastColumn", &C::GetFillLastColumn, &C::SetFillLastColumn);
    b.Prop("FocusColor", &C::GetFocusColor, &C::SetFocusColor);
    b.Prop("FrameColor", &C::GetFrameColor, &C::SetFrameColor);
    b.Prop("FrameController", &C::GetFrameController, &C::SetFrameController);
    b.Prop("FrameControllerNotifications", &C::GetFrameControllerNotifications, &C::SetFrameControllerNotifications);
    b.Prop("FrameHotColor", &C::GetFrameHotColor, &C::SetFrameHotColor);
    b.Prop("FrameHotStyle", &C::GetFrameHotStyle, &C::SetFrameHotStyle);
    b.Prop("FrameHotTrack", &C::GetFrameHotTrack, &C::SetFrameHotTrack);
    b.Prop("FrameSides", &C::GetFrameSides, &C::SetFrameSides);
    b.Prop("FrameStyle", &C::GetFrameStyle, &C::SetFrameStyle);
    b.Prop("FrameVisible", &C::GetFrameVisible, &C::SetFrameVisible);
    b.Prop("FramingPreference", &C::GetFramingPreference, &C::SetFramingPreference);
    b.Prop("HeaderDefaultDrawing", &C::GetHeaderDefaultDrawing, &C::SetHeaderDefaultDrawing);
    b.Prop("HeaderSortDisplayMode", &C::GetHeaderSortDisplayMode, &C::SetHeaderSortDisplayMode);
    b.Event("OnCheckStateChange", &C::OnCheckStateChange);
    b.Event("OnCheckStateChanging", &C::OnCheckStateChanging);
    b.Event("OnDrawHeader", &C::OnDrawHeader);
    b.Event("OnItemContextMenu", &C::OnItemContextMenu);
}

TFcCustomListView::TFcCustomListView(TComponent* AOwner)
    : TCustomListView(AOwner), headerCanvas_(std::make_unique<TCanvas>()) {
    SetParentColor(false);
    SetColor(clWindow);
}

TFcCustomListView::~TFcCustomListView() {
    UnhookHeader();
    SetFrameControllerOf(this, frameController_, nullptr);
}

// --- properties

void TFcCustomListView::SetFillLastColumn(bool Value) {
    fillLastColumn_ = Value;
    FitLastColumn();
}

void TFcCustomListView::SetHeaderSortDisplayMode(TFcLVHeaderSortDisplayMode Value) {
    if (Value == sortDisplayMode_) return;
    sortDisplayMode_ = HasSortDisplays() ? Value : hsdmNone;
    RefreshHeaderFormats();
    if (header_) ::InvalidateRect(header_, nullptr, TRUE);
}

void TFcCustomListView::SetHeaderDefaultDrawing(bool Value) {
    if (Value == headerDefaultDrawing_) return;
    headerDefaultDrawing_ = Value;
    if (header_) ::InvalidateRect(header_, nullptr, TRUE);
    Invalidate();
}

void TFcCustomListView::SetDisabledColor(TColor Value) {
    disabledColor_ = Value;
    if (!GetEnabled()) RecolorList();
}

void TFcCustomListView::SetFocusColor(TColor Value) {
    focusColor_ = Value;
    if (Focused()) RecolorList();
}

template <class T>
void TFcCustomListView::ChangeFrame(T& field, const T& value) {
    if (field == value) return;
    field = value;
    InvalidateFrameArea();
}

void TFcCustomListView::SetFrameStyle(TFrameStyle Value) { ChangeFrame(frameStyle_, Value); }
void TFcCustomListView::SetFrameHotStyle(TFrameStyle Value) { ChangeFrame(frameHotStyle_, Value); }
void TFcCustomListView::SetFrameSides(TSides Value) { ChangeFrame(frameSides_, Value); }
void TFcCustomListView::SetFrameColor(TColor Value) { ChangeFrame(frameColor_, Value); }
void TFcCustomListView::SetFrameHotColor(TColor Value) { ChangeFrame(frameHotColor_, Value); }

void TFcCustomListView::SetFrameVisible(bool Value) {
    if (Value == frameVisible_) return;
    frameVisible_ = Value;
    // The frame lives in the non-client area: having it drawn again is enough.
    if (HandleAllocated())
        SetWindowPos(WindowHandle(), nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFcCustomListView::SetFrameHotTrack(bool Value) {
    if (Value == frameHotTrack_) return;
    frameHotTrack_ = Value;
    if (Value) {
        SetFrameVisible(true);
        if (!IsLoading()) frameSides_ = AllSides;
    }
    InvalidateFrameArea();
    Invalidate();
}

void TFcCustomListView::SetFramingPreference(TFramingPreference Value) {
    if (Value == framingPreference_) return;
    framingPreference_ = Value;
    if (Value == fpCustomFraming) InvalidateFrameArea();
}

void TFcCustomListView::SetFrameController(TFcFrameController* Value) {
    SetFrameControllerOf(this, frameController_, Value);
}

void TFcCustomListView::SetSortArrowColumn(int Value) {
    if (Value == sortArrowColumn_) return;
    int old = sortArrowColumn_;
    sortArrowColumn_ = Value;
    InvalidateHeaderSection(old);
    InvalidateHeaderSection(Value);
    if (RefreshesOnArrowChange()) RefreshHeaderFormats();
}

void TFcCustomListView::SetSortArrowDescending(bool Value) {
    if (Value == sortArrowDescending_) return;
    sortArrowDescending_ = Value;
    InvalidateHeaderSection(sortArrowColumn_);
    if (RefreshesOnArrowChange()) RefreshHeaderFormats();
    if (header_) UpdateWindow(header_);
}

void TFcCustomListView::SetViewStyle(TViewStyle Value) {
    TCustomListView::SetViewStyle(Value);
    if (Value == vsReport) RefreshHeaderFormats();
}

void TFcCustomListView::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TRect before = BoundsRect();
    TCustomListView::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (header_ && BoundsRect() != before) FitLastColumn();
}

// --- colours, hover and the frame

bool TFcCustomListView::UseThemedFraming() const { return framingPreference_ == fpXPThemes && ThemesEnabled(); }

void TFcCustomListView::RecolorList() {
    if (loading_ || IsLoading()) return;
    TRestore busy(recoloring_, true);
    if (!GetEnabled()) SetColor(disabledColor_);
    else if (Focused()) SetColor(focusColor_);
    else SetColor(unfocusedColor_);
}

void TFcCustomListView::HoverFocusChanged(bool ChangeHover, bool Hover) {
    if (ChangeHover) mouseOver_ = Hover;
    if (frameHotTrack_) InvalidateFrameArea();
    RecolorList();
}

void TFcCustomListView::InvalidateFrameArea() {
    if (IsLoading() || !HandleAllocated()) return;
    RedrawWindowFrame(WindowHandle(), TRect(0, 0, Width(), Height()));
}

void TFcCustomListView::FitLastColumn() {
    int count = Columns()->Count();
    if (!fillLastColumn_ || GetViewStyle() != vsReport || IsDestroying() || count == 0) return;
    TUpdateLock lock(*Items());
    int sum = 0;
    for (int i = 0; i + 1 < count; ++i) sum += Column(i)->GetWidth();
    int available = GetClientWidth();
    // Room for the scroll bar that the first items may bring.
    if (Items()->Count() == 0 || loading_) available -= GetSystemMetrics(SM_CXVSCROLL);
    if (sum >= available) return;
    int width = available - sum;
    Column(count - 1)->SetWidth(width <= 4 ? 5 : width);
}

// --- sorting

int TFcCustomListView::CompareItems(TListItem* Item1, TListItem* Item2, int Column) {
    if (!Item1 || !Item2 || Column < 0) return 0;
    auto text = [Column](TListItem* item) -> std::string {
        if (Column == 0) return item->Caption();
        int sub = Column - 1;
        return sub < item->SubItems()->Count() ? item->SubItems()->Get(sub) : std::string();
    };
    std::string a = text(Item1), b = text(Item2);
    int r = AnsiCompareText(a, b);
    if (r > 0 && b.empty()) return -1;
    if (r < 0 && a.empty()) return 1;
    return r;
}

void TFcCustomListView::ColClick(TListColumn* Column) {
    if (alphaSortAll_ && Column) {
        int c = Column->Index();
        bool descending = c == lastSortColumn_;
        SetSortArrowColumn(c);
        SetSortArrowDescending(descending);
        int sign = descending ? -1 : 1;
        CustomSort([c, sign](TListItem* a, TListItem* b, intptr_t) { return sign * CompareItems(a, b, c); }, 0);
        lastSortColumn_ = descending ? -1 : c;
    }
    TCustomListView::ColClick(Column);
}

// --- custom draw while disabled

bool TFcCustomListView::IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage) {
    if (!GetEnabled()) return true;
    return TCustomListView::IsCustomDrawn(Target, Stage);
}

bool TFcCustomListView::CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage) {
    if (!GetEnabled()) {
        if (Stage == cdPrePaint) Canvas()->Brush()->SetColor(disabledColor_);
        return true;
    }
    return TCustomListView::CustomDrawItem(Item, State, Stage);
}

// --- mouse and keys

bool TFcCustomListView::WheelScroll(int Direction) {
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    int pixels = GetViewStyle() == vsIcon ? 32 : 16;
    Scroll(0, Direction * static_cast<int>(lines) * pixels);
    return true;
}

bool TFcCustomListView::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    TCustomListView::DoMouseWheelDown(Shift, MousePos);
    return WheelScroll(1);
}

bool TFcCustomListView::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    TCustomListView::DoMouseWheelUp(Shift, MousePos);
    return WheelScroll(-1);
}

void TFcCustomListView::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomListView::MouseMove(Shift, X, Y);
    if (ThemesEnabled() && GetViewStyle() == vsReport && hotSection_ != -1) {
        hotSection_ = -1;
        if (header_) ::InvalidateRect(header_, nullptr, FALSE);
    }
    if (OnInfoTip) ShowTip(TPoint(X, Y));
}

void TFcCustomListView::KeyDown(WORD& Key, TShiftState Shift) {
    bool shiftKeys = Shift.Contains(ssShift) || Shift.Contains(ssCtrl) || Shift.Contains(ssAlt);
    if ((Key == VK_APPS && !shiftKeys) || (Key == VK_F10 && Shift == TShiftState{ssShift})) {
        Key = 0;
        ShowKeyboardContextMenu(TPoint(0, 0));
        return;
    }
    TCustomListView::KeyDown(Key, Shift);
}

// --- tips

void TFcCustomListView::ShowTip(TPoint P) {
    TListItem* item = GetItemAt(P.X, P.Y);
    if (!item || !Application || !Application->Active()) {
        HideTip();
        return;
    }
    std::string text = item->Caption();
    DoInfoTip(item, text);
    if (text.empty()) {
        HideTip();
        return;
    }
    if (!tip_) {
        tip_ = THintWindow::Create(this);
        tip_->SetColor(Application->HintColor);
    }
    tip_->Font()->Assign(Font());
    TRect r = tip_->CalcHintRect(Screen ? Screen->Width() : 1024, text);
    TRect bounds = item->DisplayRect(drBounds);
    TPoint at = ClientToScreen(TPoint(bounds.Left + 5, bounds.Top + bounds.Height() - 3));
    r.Offset(at.X - r.Left, at.Y - r.Top);
    if (tip_->IsHintShowing() && r == tipRect_) return;
    tipRect_ = r;
    tip_->ActivateHint(r, text);
}

void TFcCustomListView::HideTip() {
    if (tip_ && tip_->IsHintShowing()) tip_->ReleaseHandle();
}

// --- context menus

void TFcCustomListView::StandardPopup(TPoint P) {
    bool handled = false;
    DoContextPopup(P, handled);
    if (handled) return;
    auto* menu = dynamic_cast<IPopupMenu*>(GetPopupMenu());
    if (!menu || !menu->AutoPopup()) return;
    SendCancelMode(this);
    TPoint s = ClientToScreen(P);
    menu->PopupFor(this, s.X, s.Y);
}

void TFcCustomListView::ShowKeyboardContextMenu(TPoint P) {
    TListItem* focused = ItemFocused();
    if (!focused || rightClicked_) {
        if (rightClicked_) ShowItemContextMenu(P);
        else StandardPopup(P);
        menuHandled_ = true;
        return;
    }
    TListItem* at = focused->Selected() ? focused : SelCount() > 0 ? Selected() : nullptr;
    if (!at) {
        StandardPopup(P);
        menuHandled_ = true;
        return;
    }
    TRect icon = at->DisplayRect(drIcon);
    ShowItemContextMenu(TPoint(icon.Left + icon.Width() / 2, icon.Top + icon.Height() / 2));
}

void TFcCustomListView::ShowItemContextMenu(TPoint P) {
    TPoint pos = P;
    TComponent* menu = GetPopupMenu();
    DoItemContextMenu(ItemFocused(), pos, menu);
    menuHandled_ = true;
    auto* popup = dynamic_cast<IPopupMenu*>(menu);
    if (!popup) return;
    TPoint s = ClientToScreen(pos);
    popup->PopupFor(this, s.X, s.Y);
}

void TFcCustomListView::DoItemContextMenu(TListItem* Item, TPoint& Pos, TComponent*& Menu) {
    if (OnItemContextMenu) OnItemContextMenu(this, Item, Pos, Menu);
}

// --- events

void TFcCustomListView::DoCheckStateChange(TListItem* Item) {
    if (OnCheckStateChange) OnCheckStateChange(this, Item);
}

bool TFcCustomListView::DoCheckStateChanging(TListItem* Item, bool ToBeChecked) {
    bool allow = true;
    if (OnCheckStateChanging) OnCheckStateChanging(this, Item, ToBeChecked, allow);
    return allow;
}

// --- window and messages

void TFcCustomListView::CreateWnd() {
    TCustomListView::CreateWnd();
    COLORREF bk = ColorToColorRef(GetColor());
    SendMessageA(WindowHandle(), LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(bk));
    SendMessageA(WindowHandle(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(bk));
    HookHeader();
    RefreshHeaderFormats();
    PostMessageA(WindowHandle(), WM_FCLV_HEADERREADY, 0, 0);
}

void TFcCustomListView::DestroyWnd() {
    HideTip();
    UnhookHeader();
    TCustomListView::DestroyWnd();
}

void TFcCustomListView::Loaded() {
    TCustomListView::Loaded();
    RecolorList();
    HoverFocusChanged(false, false);
    {
        TRestore loading(loading_, true);
        FitLastColumn();
    }
    HookHeader();
}

void TFcCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomListView::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove) return;
    if (AComponent == frameController_) frameController_ = nullptr;
    if (AComponent == tip_) tip_ = nullptr;
}

void TFcCustomListView::DefineProperties(TFiler& Filer) {
    TCustomListView::DefineProperties(Filer);
    TFcOldPropReader::DefineFrameProperties(
        Filer, [this](bool v) { SetFrameHotTrack(v); }, [this](TFrameStyle v) { SetFrameStyle(v); },
        [this](TFrameStyle v) { SetFrameHotStyle(v); });
}

void TFcCustomListView::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_FCLV_HEADERREADY: RefreshHeaderFormats(); return;
    case CN_NOTIFY: CNNotify(Message); return;
    case WM_DRAWITEM: WMDrawItem(Message); return;
    case WM_NCPAINT: WMNCPaint(Message); return;
    case WM_CONTEXTMENU: WMContextMenu(Message); return;
    case WM_RBUTTONUP: WMRButtonUp(Message); return;
    case CM_COLORCHANGED: CMColorChanged(Message); return;
    case CM_MOUSEENTER: CMMouseEnter(Message); return;
    case CM_MOUSELEAVE: CMMouseLeave(Message); return;
    case LVM_INSERTCOLUMNA: case LVM_INSERTCOLUMNW: case LVM_SETCOLUMNA: case LVM_SETCOLUMNW:
    case LVM_DELETECOLUMN: ColumnsChanged(Message); return;
    case LVM_SETCOLUMNWIDTH: ColumnWidthChanged(Message); return;
    default: break;
    }
    switch (Message.Msg) {
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
        bool fromHeader = hdr && header_ && hdr->hwndFrom == header_;
        if (fromHeader && (hdr->code == HDN_ITEMCLICKA || hdr->code == HDN_ITEMCLICKW))
            ::InvalidateRect(header_, nullptr, TRUE);
        UINT code = hdr ? hdr->code : 0;
        TCustomListView::WndProc(Message);
        if (fromHeader) HeaderNotification(code);
        return;
    }
    case WM_PARENTNOTIFY:
        // The header is made during the list's own creation: hook it as it appears.
        if (LOWORD(Message.WParam) == WM_CREATE && !header_ && HIWORD(Message.WParam) == 0) {
            TCustomListView::WndProc(Message);
            HookHeader();
            RefreshHeaderFormats();
            return;
        }
        break;
    case WM_SIZE:
        TCustomListView::WndProc(Message);
        if (frameVisible_ && !UseThemedFraming()) InvalidateFrameArea();
        return;
    case CM_ENABLEDCHANGED:
        TCustomListView::WndProc(Message);
        RecolorList();
        return;
    case CM_SYSCOLORCHANGE:
        TCustomListView::WndProc(Message);
        if (IsSystemColor(GetColor())) Perform(CM_COLORCHANGED);
        return;
    case CM_PARENTCOLORCHANGED:
        TCustomListView::WndProc(Message);
        if (GetParentColor() && frameVisible_) InvalidateFrameArea();
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The form tells of entering only when its focused control changes: a control
        // that gets the focus back after losing it hears nothing else.
        TCustomListView::WndProc(Message);
        RecolorList();
        return;
    case CM_ENTER:
        HoverFocusChanged(false, true);
        TCustomListView::WndProc(Message);
        return;
    case CM_EXIT:
        TCustomListView::WndProc(Message);
        HoverFocusChanged(false, false);
        return;
    default: break;
    }
    TCustomListView::WndProc(Message);
}

// A column was inserted, changed or removed through the window: the list view has made
// its header item a plain one again, and the widths have moved.
void TFcCustomListView::ColumnsChanged(TMessage& Message) {
    TCustomListView::WndProc(Message);
    if (IsDestroying() || ControlState.Contains(csDestroyingHandle)) return;
    RefreshHeaderFormats();
    FitLastColumn();
}

// Another column grew or shrank: the last one takes what is left (its own width set by
// FitLastColumn comes through here too, and ends here).
void TFcCustomListView::ColumnWidthChanged(TMessage& Message) {
    TCustomListView::WndProc(Message);
    if (IsDestroying() || ControlState.Contains(csDestroyingHandle)) return;
    if (static_cast<int>(Message.WParam) + 1 < Columns()->Count()) FitLastColumn();
}

void TFcCustomListView::CNNotify(TMessage& Message) {
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    if (!hdr) {
        TCustomListView::WndProc(Message);
        return;
    }
    switch (hdr->code) {
    case LVN_GETINFOTIPA:
    case LVN_GETINFOTIPW:
        // The control shows its own tips.
        Message.Result = 0;
        return;
    case LVN_ITEMCHANGED: CNItemChange(Message, false); return;
    case LVN_ITEMCHANGING: CNItemChange(Message, true); return;
    case LVN_BEGINLABELEDITA:
    case LVN_BEGINLABELEDITW: {
        if (GetRowSelect() && GetViewStyle() == vsReport && !editOnRowClick_) {
            auto* nm = reinterpret_cast<NMLVDISPINFOA*>(hdr);
            TListItem* item = ItemFromIndex(nm->item.iItem);
            POINT p{};
            GetCursorPos(&p);
            if (!item || !item->DisplayRect(drLabel).Contains(ScreenToClient(TPoint(p)))) {
                Message.Result = 1;
                return;
            }
        }
        break;
    }
    case NM_RCLICK: {
        POINT s{};
        GetCursorPos(&s);
        TPoint p = ScreenToClient(TPoint(s));
        {
            TRestore clicked(rightClicked_, GetItemAt(p.X, p.Y) != nullptr);
            ShowKeyboardContextMenu(p);
        }
        break;
    }
    default: {
        UINT code = hdr->code;
        TCustomListView::WndProc(Message);
        HeaderNotification(code);
        return;
    }
    }
    TCustomListView::WndProc(Message);
}

void TFcCustomListView::CNItemChange(TMessage& Message, bool Changing) {
    TCustomListView::WndProc(Message);
    auto* nm = reinterpret_cast<NMLISTVIEW*>(Message.LParam);
    if (!GetCheckboxes() || !(nm->uChanged & LVIF_STATE)) return;
    // Only a change of the state image is a check; selection and focus changes are not.
    if (((nm->uOldState ^ nm->uNewState) & LVIS_STATEIMAGEMASK) == 0) return;
    TListItem* item = ItemFromIndex(nm->iItem);
    if (!item) return;
    bool toBeChecked = (nm->uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    if (!Changing) {
        DoCheckStateChange(item);
        return;
    }
    if (Message.Result == 0 && !DoCheckStateChanging(item, toBeChecked)) Message.Result = 1;
}

// LParam is the update region; the result is 0.
void TFcCustomListView::WMNCPaint(TMessage& Message) {
    TCustomListView::WndProc(Message);
    Message.Result = 0;
    if (!frameVisible_ || UseThemedFraming() || !HandleAllocated()) return;
    HDC dc = GetWindowDC(WindowHandle());
    if (!dc) return;
    TScopeExit release([this, dc] { ReleaseDC(WindowHandle(), dc); });
    TCanvas canvas;
    canvas.SetHandle(dc);
    TScopeExit detach([&canvas] { canvas.SetHandle(nullptr); });
    bool hot = frameHotTrack_ && (Focused() || mouseOver_);
    PaintControlFrame(&canvas, Width(), Height(), hot ? frameHotStyle_ : frameStyle_, GetColor(),
                      hot ? frameHotColor_ : frameColor_, frameSides_, false);
}

// LParam: the screen point, or -1 from the keyboard.
void TFcCustomListView::WMContextMenu(TMessage& Message) {
    if (menuHandled_) return;
    if (SelCount() == 0 || !ItemFocused()) {
        TCustomListView::WndProc(Message);
        return;
    }
    if (Message.LParam == -1) {
        ShowKeyboardContextMenu(TPoint(0, 0));
    } else {
        TPoint s(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
        ShowItemContextMenu(ScreenToClient(s));
    }
    Message.Result = 1;
}

void TFcCustomListView::WMRButtonUp(TMessage& Message) {
    bool handled = menuHandled_;
    menuHandled_ = false;
    if (!handled) {
        TCustomListView::WndProc(Message);
        return;
    }
    // The menu was shown already: the framework must not show it again.
    TComponent* menu = GetPopupMenu();
    SetPopupMenu(nullptr);
    TScopeExit restore([this, menu] { SetPopupMenu(menu); });
    TCustomListView::WndProc(Message);
}

void TFcCustomListView::CMColorChanged(TMessage& Message) {
    TCustomListView::WndProc(Message);
    if (recoloring_) return;
    if (focusColor_ == unfocusedColor_) focusColor_ = GetColor();
    unfocusedColor_ = GetColor();
    if (frameVisible_ && !UseThemedFraming()) InvalidateFrameArea();
}

void TFcCustomListView::CMMouseEnter(TMessage& Message) {
    TCustomListView::WndProc(Message);
    HoverFocusChanged(true, true);
    if (OnInfoTip) {
        POINT s{};
        GetCursorPos(&s);
        ShowTip(ScreenToClient(TPoint(s)));
    }
}

void TFcCustomListView::CMMouseLeave(TMessage& Message) {
    TCustomListView::WndProc(Message);
    HoverFocusChanged(true, false);
    HideTip();
}
