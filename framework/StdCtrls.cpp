#include "framework/StdCtrls.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------
// TCustomLabel

IMPLEMENT_CLASS(TCustomLabel);
IMPLEMENT_CLASS(TLabel);

void TCustomLabel::Publish(TClassBuilder<TCustomLabel>& b) {
    b.Prop("Alignment", &TCustomLabel::GetAlignment, &TCustomLabel::SetAlignment);
    b.Prop("AutoSize", &TCustomLabel::GetAutoSize, &TCustomLabel::SetAutoSize).Default = TValue::MakeIdent("True");
    b.Prop("FocusControl", &TCustomLabel::GetFocusControl, &TCustomLabel::SetFocusControl);
    b.Prop("Layout", &TCustomLabel::GetLayout, &TCustomLabel::SetLayout);
    b.Prop("ShowAccelChar", &TCustomLabel::GetShowAccelChar, &TCustomLabel::SetShowAccelChar);
    b.Prop("Transparent", &TCustomLabel::GetTransparent, &TCustomLabel::SetTransparent);
    b.Prop("WordWrap", &TCustomLabel::GetWordWrap, &TCustomLabel::SetWordWrap);
}

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle.Include(csOpaque);
    ControlStyle.Include(csReplicatable);
    width_ = 65;
    height_ = 17;
    autoSize_ = true;
}

void TCustomLabel::SetAlignment(TAlignment v) {
    if (v == alignment_) return;
    alignment_ = v;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout v) {
    if (v == layout_) return;
    layout_ = v;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool v) {
    if (v == wordWrap_) return;
    wordWrap_ = v;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    if (v) ControlStyle.Exclude(csOpaque);
    else ControlStyle.Include(csOpaque);
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool v) {
    if (v == showAccelChar_) return;
    showAccelChar_ = v;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* v) {
    if (v == focusControl_) return;
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = v;
    if (v) v->FreeNotification(this);
}

void TCustomLabel::SetAutoSize(bool v) {
    if (v == autoSize_) return;
    autoSize_ = v;
    AdjustBounds();
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::AdjustSize() { AdjustBounds(); }

void TCustomLabel::DoDrawText(TRect& r, UINT flags) {
    std::string text = GetLabelText();
    if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text = " ";
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    flags = DrawTextBiDiModeFlags(flags);
    TCanvas* c = Canvas();
    c->Font()->Assign(Font());
    if (!enabled_) c->Font()->SetColor(clGrayText);
    c->DrawText(text, r, flags);
}

void TCustomLabel::Paint() {
    TCanvas* c = Canvas();
    TRect r = GetClientRect();
    if (!transparent_) {
        c->Brush()->SetColor(GetColor());
        c->Brush()->SetStyle(bsSolid);
        c->FillRect(r);
    }
    c->Brush()->SetStyle(bsClear);
    UINT flags = DT_EXPANDTABS;
    if (wordWrap_) flags |= DT_WORDBREAK;
    switch (alignment_) {
    case taRightJustify: flags |= DT_RIGHT; break;
    case taCenter: flags |= DT_CENTER; break;
    default: flags |= DT_LEFT; break;
    }
    if (layout_ != tlTop) {
        TRect calc = r;
        DoDrawText(calc, flags | DT_CALCRECT);
        int offset = r.Height() - calc.Height();
        if (layout_ == tlCenter) offset /= 2;
        r.Top += offset;
    }
    DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_ || IsLoading()) return;
    std::string text = GetLabelText();
    if (text.empty() || (showAccelChar_ && text == "&")) text = " ";
    UINT flags = DT_CALCRECT | DT_EXPANDTABS;
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    RECT r{0, 0, wordWrap_ ? width_ : 0, 0};
    {
        // Making the font may throw: the screen DC must go back all the same.
        TWindowDC screen(nullptr);
        TSelectObject font(screen.Get(), Font()->Handle());
        DrawTextA(screen.Get(), text.c_str(), static_cast<int>(text.size()), &r, flags);
    }
    int w = r.right - r.left, h = r.bottom - r.top;
    if (wordWrap_) w = width_;
    int x = left_;
    if (alignment_ == taRightJustify) x = left_ + width_ - w;
    else if (alignment_ == taCenter) x = left_ + (width_ - w) / 2;
    SetBounds(x, top_, w, h);
}

void TCustomLabel::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
        Invalidate();
        AdjustBounds();
        return;
    case CM_DIALOGCHAR:
        if (focusControl_ && enabled_ && showAccelChar_ && IsAccel(static_cast<char>(Message.WParam), GetCaption()) &&
            focusControl_->CanFocus()) {
            focusControl_->SetFocus();
            Message.Result = 1;
        }
        return;
    }
    TGraphicControl::WndProc(Message);
}

// ---------------------------------------------------------------------------------------
// TCustomEdit

IMPLEMENT_CLASS(TCustomEdit);
IMPLEMENT_CLASS(TEdit);

void TCustomEdit::Publish(TClassBuilder<TCustomEdit>& b) {
    b.Prop("AutoSelect", &TCustomEdit::GetAutoSelect, &TCustomEdit::SetAutoSelect);
    b.Prop("BorderStyle", &TCustomEdit::GetBorderStyle, &TCustomEdit::SetBorderStyle);
    b.Prop("HideSelection", &TCustomEdit::GetHideSelection, &TCustomEdit::SetHideSelection);
    b.Prop("MaxLength", &TCustomEdit::GetMaxLength, &TCustomEdit::SetMaxLength);
    b.Prop("PasswordChar", &TCustomEdit::GetPasswordChar, &TCustomEdit::SetPasswordChar);
    b.Prop("ReadOnly", &TCustomEdit::GetReadOnly, &TCustomEdit::SetReadOnly);
    b.Event("OnChange", &TCustomEdit::OnChange);
}

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle = {csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight};
    width_ = 121;
    height_ = 21;
    SetTabStop(true);
    color_ = clWindow;
    SetParentColor(false);
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "EDIT");
    Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    if (readOnly_) Params.Style |= ES_READONLY;
    if (!hideSelection_) Params.Style |= ES_NOHIDESEL;
    if (borderStyle_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageA(handle_, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
    if (passwordChar_) SendMessageA(handle_, EM_SETPASSWORDCHAR, static_cast<unsigned char>(passwordChar_), 0);
    SendMessageA(handle_, EM_SETMODIFY, modified_ ? TRUE : FALSE, 0);
}

void TCustomEdit::DestroyWnd() {
    modified_ = GetModified();
    TWinControl::DestroyWnd();
}

void TCustomEdit::SelectAll() {
    if (handle_) SendMessageA(handle_, EM_SETSEL, 0, -1);
}

int TCustomEdit::GetSelStart() const {
    if (!handle_) return 0;
    DWORD start = 0, end = 0;
    SendMessageA(handle_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

int TCustomEdit::GetSelLength() const {
    if (!handle_) return 0;
    DWORD start = 0, end = 0;
    SendMessageA(handle_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

bool TCustomEdit::GetModified() const {
    return handle_ ? SendMessageA(handle_, EM_GETMODIFY, 0, 0) != 0 : modified_;
}

void TCustomEdit::SetModified(bool v) {
    modified_ = v;
    if (handle_) SendMessageA(handle_, EM_SETMODIFY, v ? TRUE : FALSE, 0);
}

void TCustomEdit::SetMaxLength(int v) {
    if (v == maxLength_) return;
    maxLength_ = v;
    if (handle_) SendMessageA(handle_, EM_LIMITTEXT, static_cast<WPARAM>(v), 0);
}

void TCustomEdit::SetReadOnly(bool v) {
    if (v == readOnly_) return;
    readOnly_ = v;
    if (handle_) SendMessageA(handle_, EM_SETREADONLY, v ? TRUE : FALSE, 0);
}

void TCustomEdit::SetPasswordChar(const std::string& v) {
    char c = v.empty() ? 0 : v[0];
    if (c == passwordChar_) return;
    passwordChar_ = c;
    if (handle_) {
        SendMessageA(handle_, EM_SETPASSWORDCHAR, static_cast<unsigned char>(c), 0);
        ::InvalidateRect(handle_, nullptr, TRUE);
    }
}

void TCustomEdit::SetBorderStyle(TBorderStyle v) {
    if (v == borderStyle_) return;
    borderStyle_ = v;
    RecreateWndIfAllocated();
}

void TCustomEdit::SetHideSelection(bool v) {
    if (v == hideSelection_) return;
    hideSelection_ = v;
    RecreateWndIfAllocated();
}

void TCustomEdit::Change() {
    if (OnChange) OnChange(this);
}

void TCustomEdit::DoEnter() {
    if (autoSelect_ && !(GetKeyState(VK_LBUTTON) < 0) &&
        !(GetWindowLongPtrA(handle_, GWL_STYLE) & ES_MULTILINE))
        SelectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::WndProc(TMessage& Message) {
    if (Message.Msg == CN_COMMAND) {
        if (HIWORD(Message.WParam) == EN_CHANGE && !ControlState.Contains(csCreating)) Change();
        return;
    }
    TWinControl::WndProc(Message);
}

// ---------------------------------------------------------------------------------------
// TMemoStrings

IMPLEMENT_CLASS(TMemoStrings);

namespace {
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (auto& l : lines) {
        text += l;
        text += "\r\n";
    }
    return text;
}
} // namespace

const std::vector<std::string>& TMemoStrings::Lines() const {
    if (!valid_) {
        lines_ = SplitLines(memo_->GetText());
        valid_ = true;
    }
    return lines_;
}

void TMemoStrings::Store(const std::vector<std::string>& lines) {
    TRestore own(memo_->ownChange_, true);
    // Text that failed to go in leaves the window's own text as the one to read.
    TScopeExit stale([this] { valid_ = false; });
    memo_->SetText(JoinLines(lines));
    stale.Dismiss();
    lines_ = lines;
    valid_ = true;
}

std::string TMemoStrings::Get(int index) const {
    auto& l = Lines();
    if (index < 0 || index >= static_cast<int>(l.size()))
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return l[static_cast<size_t>(index)];
}

void TMemoStrings::Put(int index, const std::string& s) {
    auto l = Lines();
    if (index < 0 || index >= static_cast<int>(l.size()))
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    l[static_cast<size_t>(index)] = s;
    Store(l);
}

void TMemoStrings::Insert(int index, const std::string& s) {
    const auto& cur = Lines();
    if (index < 0 || index > static_cast<int>(cur.size()))
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    HWND wnd = memo_->WindowHandle();
    if (wnd && index == static_cast<int>(cur.size())) {
        // Appending goes to the end of the window's text without copying all of it.
        int len = GetWindowTextLengthA(wnd);
        std::string add = s + "\r\n";
        if (len > 0) {
            std::string text = memo_->GetText();
            if (text.back() != '\n' && text.back() != '\r') add = "\r\n" + add;
        }
        {
            TRestore own(memo_->ownChange_, true);
            SendMessageA(wnd, EM_SETSEL, static_cast<WPARAM>(len), len);
            SendMessageA(wnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(add.c_str()));
        }
        lines_.push_back(s);
        return;
    }
    auto l = cur;
    l.insert(l.begin() + index, s);
    Store(l);
}

void TMemoStrings::Delete(int index) {
    auto l = Lines();
    if (index < 0 || index >= static_cast<int>(l.size()))
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    l.erase(l.begin() + index);
    Store(l);
}

void TMemoStrings::Clear() { Store({}); }

void TMemoStrings::SetText(const std::string& text) {
    TRestore own(memo_->ownChange_, true);
    TScopeExit reread([this] { valid_ = false; });
    memo_->SetText(text);
}

void TMemoStrings::SetUpdateState(bool updating) { SetRedraw(memo_->WindowHandle(), !updating); }

// ---------------------------------------------------------------------------------------
// TCustomMemo

IMPLEMENT_CLASS(TCustomMemo);
IMPLEMENT_CLASS(TMemo);

void TCustomMemo::Publish(TClassBuilder<TCustomMemo>& b) {
    b.Prop("Alignment", &TCustomMemo::GetAlignment, &TCustomMemo::SetAlignment);
    b.Prop("Lines", &TCustomMemo::Lines, &TCustomMemo::SetLines);
    b.Prop("ScrollBars", &TCustomMemo::GetScrollBars, &TCustomMemo::SetScrollBars);
    b.Prop("WantReturns", &TCustomMemo::GetWantReturns, &TCustomMemo::SetWantReturns);
    b.Prop("WantTabs", &TCustomMemo::GetWantTabs, &TCustomMemo::SetWantTabs);
    b.Prop("WordWrap", &TCustomMemo::GetWordWrap, &TCustomMemo::SetWordWrap);
}

TCustomMemo::TCustomMemo(TComponent* AOwner)
    : TCustomEdit(AOwner), lines_(std::make_unique<TMemoStrings>(this)) {
    width_ = 185;
    height_ = 89;
    SetAutoSelect(false);
    ControlStyle.Exclude(csFixedHeight);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::CreateParams(TCreateParams& Params) {
    TCustomEdit::CreateParams(Params);
    Params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
    Params.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
    if (!wordWrap_) Params.Style |= ES_AUTOHSCROLL;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) Params.Style |= WS_VSCROLL;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) Params.Style |= WS_HSCROLL | ES_AUTOHSCROLL;
    if (alignment_ == taRightJustify) Params.Style |= ES_RIGHT;
    else if (alignment_ == taCenter) Params.Style |= ES_CENTER;
}

void TCustomMemo::SetScrollBars(TScrollStyle v) {
    if (v == scrollBars_) return;
    scrollBars_ = v;
    RecreateWndIfAllocated();
}

void TCustomMemo::SetWordWrap(bool v) {
    if (v == wordWrap_) return;
    wordWrap_ = v;
    RecreateWndIfAllocated();
}

void TCustomMemo::SetAlignment(TAlignment v) {
    if (v == alignment_) return;
    alignment_ = v;
    RecreateWndIfAllocated();
}

void TCustomMemo::Change() {
    if (!ownChange_) lines_->Invalidate();
    TCustomEdit::Change();
}

void TCustomMemo::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        TCustomEdit::WndProc(Message);
        if (wantTabs_) Message.Result |= DLGC_WANTTAB;
        else Message.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
        if (!wantReturns_) Message.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
        return;
    case WM_SETTEXT:
        if (!ownChange_) lines_->Invalidate();
        break;
    case CM_TEXTCHANGED:
        if (!ownChange_) lines_->Invalidate();
        break;
    }
    TCustomEdit::WndProc(Message);
}

// ---------------------------------------------------------------------------------------
// Buttons

IMPLEMENT_CLASS(TButtonControl);
IMPLEMENT_CLASS(TButton);

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {}

TControlActionLink* TButtonControl::CreateActionLink() { return new TButtonActionLink(this); }

void TButtonControl::ActionChange(TObject* Sender, bool CheckDefaults) {
    TWinControl::ActionChange(Sender, CheckDefaults);
    auto* a = dynamic_cast<TBasicAction*>(Sender);
    if (!a || !a->HasClientProperties()) return;
    // A layout's stored check wins over the action's default (false) while loading.
    if (!CheckDefaults || !GetCheckedForAction()) SetCheckedFromAction(a->GetChecked());
}

IMPLEMENT_CLASS(TButtonActionLink);

bool TButtonActionLink::IsCheckedLinked() const {
    auto* button = dynamic_cast<TButtonControl*>(client_);
    return TControlActionLink::IsCheckedLinked() && button && Action() &&
           button->GetCheckedForAction() == Action()->GetChecked();
}

void TButtonActionLink::SetChecked(bool value) {
    if (!IsCheckedLinked()) return;
    if (auto* button = dynamic_cast<TButtonControl*>(client_)) button->SetCheckedFromAction(value);
}

void TButton::Publish(TClassBuilder<TButton>& b) {
    b.Prop("Cancel", &TButton::GetCancel, &TButton::SetCancel);
    b.Prop("Default", &TButton::GetDefault, &TButton::SetDefault);
    b.Prop("ModalResult", &TButton::GetModalResult, &TButton::SetModalResult);
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
    ControlStyle = {csSetCaption, csDoubleClicks};
    width_ = 75;
    height_ = 25;
    SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& Params) {
    TButtonControl::CreateParams(Params);
    CreateSubClass(Params, "BUTTON");
    Params.Style |= active_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool v) {
    if (v == default_) return;
    default_ = v;
    if (auto* f = GetParentForm()) {
        TMessage m{CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(f->FocusedControl()), 0};
        WindowProc(m);
    } else {
        SetButtonStyle(v);
    }
}

void TButton::SetButtonStyle(bool ADefault) {
    if (ADefault == active_) return;
    active_ = ADefault;
    if (handle_) SendMessageA(handle_, BM_SETSTYLE, ADefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
    if (auto* f = GetParentForm()) f->SetModalResult(modalResult_);
    TButtonControl::Click();
}

void TButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == BN_CLICKED) Click();
        return;
    case CM_DIALOGKEY: {
        WPARAM key = Message.WParam;
        if (((key == VK_RETURN && active_) || (key == VK_ESCAPE && cancel_)) &&
            KeyDataToShiftState(Message.LParam).Empty() && CanFocus()) {
            Click();
            Message.Result = 1;
        }
        return;
    }
    case CM_DIALOGCHAR:
        if (IsAccel(static_cast<char>(Message.WParam), GetCaption()) && CanFocus()) {
            Click();
            Message.Result = 1;
        }
        return;
    case CM_FOCUSCHANGED: {
        auto* focused = reinterpret_cast<TWinControl*>(Message.LParam);
        bool active = focused == this || (default_ && !dynamic_cast<TButton*>(focused));
        SetButtonStyle(active);
        return;
    }
    }
    TButtonControl::WndProc(Message);
}

// --- check boxes

IMPLEMENT_CLASS(TCustomCheckBox);
IMPLEMENT_CLASS(TCheckBox);

void TCustomCheckBox::Publish(TClassBuilder<TCustomCheckBox>& b) {
    b.Prop("Alignment", &TCustomCheckBox::GetAlignment, &TCustomCheckBox::SetAlignment);
    b.Prop("AllowGrayed", &TCustomCheckBox::GetAllowGrayed, &TCustomCheckBox::SetAllowGrayed);
    b.Prop("Checked", &TCustomCheckBox::GetChecked, &TCustomCheckBox::SetChecked);
    b.Prop("State", &TCustomCheckBox::GetState, &TCustomCheckBox::SetState);
}

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
    ControlStyle = {csSetCaption, csDoubleClicks};
    width_ = 97;
    height_ = 17;
    SetTabStop(true);
}

void TCustomCheckBox::CreateParams(TCreateParams& Params) {
    TButtonControl::CreateParams(Params);
    CreateSubClass(Params, "BUTTON");
    Params.Style |= BS_3STATE;
    if (alignment_ == taLeftJustify) Params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
    TButtonControl::CreateWnd();
    SendMessageA(handle_, BM_SETCHECK, static_cast<WPARAM>(state_), 0);
}

void TCustomCheckBox::SetState(TCheckBoxState v) {
    if (v == state_) return;
    state_ = v;
    if (handle_) SendMessageA(handle_, BM_SETCHECK, static_cast<WPARAM>(v), 0);
    if (!IsLoading()) Click();
}

void TCustomCheckBox::SetCheckedFromAction(bool value) {
    TCheckBoxState v = value ? cbChecked : cbUnchecked;
    if (v == state_) return;
    state_ = v;
    if (handle_) SendMessageA(handle_, BM_SETCHECK, static_cast<WPARAM>(v), 0);
}

void TCustomCheckBox::SetAlignment(TAlignment v) {
    if (v == alignment_) return;
    alignment_ = v;
    RecreateWndIfAllocated();
}

void TCustomCheckBox::Toggle() {
    switch (state_) {
    case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
}

void TCustomCheckBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == BN_CLICKED) Toggle();
        return;
    case CM_DIALOGCHAR:
        if (IsAccel(static_cast<char>(Message.WParam), GetCaption()) && CanFocus()) {
            SetFocus();
            if (Focused()) Toggle();
            Message.Result = 1;
        }
        return;
    }
    TButtonControl::WndProc(Message);
}

// ---------------------------------------------------------------------------------------
// Combo boxes

IMPLEMENT_CLASS(TComboBoxStrings);
IMPLEMENT_CLASS(TCustomComboBox);
IMPLEMENT_CLASS(TComboBox);

void TComboBoxStrings::Insert(int index, const std::string& s) {
    if (index < 0 || index > items_.Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    items_.Insert(index, s);
    if (HWND wnd = combo_->WindowHandle())
        SendMessageA(wnd, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.c_str()));
}

int TComboBoxStrings::Add(const std::string& s) {
    int index = items_.Count();
    if (combo_->GetSorted()) {
        while (index > 0 && CompareStrings(items_.Get(index - 1), s) > 0) --index;
    }
    Insert(index, s);
    return index;
}

void TComboBoxStrings::Delete(int index) {
    items_.Delete(index);
    if (HWND wnd = combo_->WindowHandle()) SendMessageA(wnd, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void TComboBoxStrings::Clear() {
    items_.Clear();
    // A layout stores ItemIndex before the items it indexes.
    if (!combo_->IsLoading()) combo_->itemIndex_ = -1;
    if (HWND wnd = combo_->WindowHandle()) SendMessageA(wnd, CB_RESETCONTENT, 0, 0);
}

void TComboBoxStrings::SetUpdateState(bool updating) { SetRedraw(combo_->WindowHandle(), !updating); }

void TCustomComboBox::Publish(TClassBuilder<TCustomComboBox>& b) {
    b.Prop("Style", &TCustomComboBox::GetStyle, &TCustomComboBox::SetStyle);
    b.Prop("DropDownCount", &TCustomComboBox::GetDropDownCount, &TCustomComboBox::SetDropDownCount);
    b.Prop("ItemHeight", &TCustomComboBox::GetItemHeight, &TCustomComboBox::SetItemHeight);
    b.Prop("MaxLength", &TCustomComboBox::GetMaxLength, &TCustomComboBox::SetMaxLength);
    b.Prop("Sorted", &TCustomComboBox::GetSorted, &TCustomComboBox::SetSorted);
    b.Prop("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems);
    b.Prop("ItemIndex", &TCustomComboBox::GetItemIndex, &TCustomComboBox::SetItemIndex);
    b.Event("OnChange", &TCustomComboBox::OnChange);
    b.Event("OnCloseUp", &TCustomComboBox::OnCloseUp);
    b.Event("OnDropDown", &TCustomComboBox::OnDropDown);
    b.Event("OnSelect", &TCustomComboBox::OnSelect);
}

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), items_(std::make_unique<TComboBoxStrings>(this)) {
    ControlStyle = {csCaptureMouse, csSetCaption, csDoubleClicks, csFixedHeight};
    width_ = 145;
    height_ = 21;
    SetTabStop(true);
    color_ = clWindow;
    SetParentColor(false);
}

TCustomComboBox::~TCustomComboBox() {
    if (handle_) DestroyWindowHandle();
}

int TCustomComboBox::DroppedHeight() const {
    return style_ == csSimple ? height_ : height_ + std::max(1, dropDownCount_) * itemHeight_ + 2;
}

void TCustomComboBox::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "COMBOBOX");
    Params.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
    switch (style_) {
    case csDropDown: Params.Style |= CBS_DROPDOWN; break;
    case csSimple: Params.Style |= CBS_SIMPLE; break;
    case csDropDownList: Params.Style |= CBS_DROPDOWNLIST; break;
    case csOwnerDrawFixed: Params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS; break;
    case csOwnerDrawVariable: Params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS; break;
    }
    Params.Height = DroppedHeight();
}

void TCustomComboBox::CreateWnd() {
    std::string text = text_;
    TWinControl::CreateWnd();
    auto& list = items_->items_;
    for (int i = 0; i < list.Count(); ++i)
        SendMessageA(handle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(list.Get(i).c_str()));
    if (maxLength_) SendMessageA(handle_, CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
    if (itemIndex_ >= 0) SendMessageA(handle_, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
    else if (style_ == csDropDown || style_ == csSimple) SetWindowTextA(handle_, text.c_str());
}

void TCustomComboBox::DestroyWnd() {
    if (handle_) itemIndex_ = static_cast<int>(SendMessageA(handle_, CB_GETCURSEL, 0, 0));
    TWinControl::DestroyWnd();
}

void TCustomComboBox::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (!handle_ || style_ == csSimple) {
        TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
        return;
    }
    // The window's height includes the dropped list; the closed height is the control's own.
    if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
    SetWindowPos(handle_, nullptr, ALeft, ATop, AWidth, AHeight + std::max(1, dropDownCount_) * itemHeight_ + 2,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateAnchorRules();
    RequestAlign();
}

int TCustomComboBox::GetItemIndex() const {
    if (handle_) return static_cast<int>(SendMessageA(handle_, CB_GETCURSEL, 0, 0));
    return itemIndex_;
}

void TCustomComboBox::SetItemIndex(int v) {
    if (v < -1 || v >= items_->Count()) {
        if (IsLoading()) {
            itemIndex_ = v;
            return;
        }
        v = -1;
    }
    itemIndex_ = v;
    if (handle_) SendMessageA(handle_, CB_SETCURSEL, static_cast<WPARAM>(v), 0);
    else if (v >= 0) text_ = items_->Get(v);
}

void TCustomComboBox::SetTextValue(const std::string& v) {
    if (style_ == csDropDownList || style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) {
        SetItemIndex(items_->IndexOf(v));
        Perform(CM_TEXTCHANGED);
        return;
    }
    TWinControl::SetTextValue(v);
}

void TCustomComboBox::SetStyle(TComboBoxStyle v) {
    if (v == style_) return;
    style_ = v;
    RecreateWndIfAllocated();
}

int TCustomComboBox::GetItemHeight() const {
    if (handle_) return static_cast<int>(SendMessageA(handle_, CB_GETITEMHEIGHT, 0, 0));
    return itemHeight_;
}

void TCustomComboBox::SetItemHeight(int v) {
    if (v <= 0) return;
    itemHeight_ = v;
    if (handle_) SendMessageA(handle_, CB_SETITEMHEIGHT, 0, v);
}

void TCustomComboBox::SetSorted(bool v) {
    if (v == sorted_) return;
    sorted_ = v;
    if (v) {
        items_->items_.Sort();
        RecreateWndIfAllocated();
    }
}

void TCustomComboBox::SetMaxLength(int v) {
    maxLength_ = std::max(0, v);
    if (handle_) SendMessageA(handle_, CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

bool TCustomComboBox::GetDroppedDown() const {
    return handle_ && SendMessageA(handle_, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool v) {
    if (handle_) SendMessageA(handle_, CB_SHOWDROPDOWN, v ? TRUE : FALSE, 0);
}

void TCustomComboBox::Clear() {
    items_->Clear();
    if (style_ == csDropDown || style_ == csSimple) TWinControl::SetTextValue("");
}

void TCustomComboBox::Change() {
    if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
    if (OnSelect) OnSelect(this);
    else Change();
}

void TCustomComboBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        switch (HIWORD(Message.WParam)) {
        case CBN_SELCHANGE:
            itemIndex_ = static_cast<int>(SendMessageA(handle_, CB_GETCURSEL, 0, 0));
            if (itemIndex_ >= 0 && (style_ == csDropDown || style_ == csSimple))
                SetWindowTextA(handle_, items_->Get(itemIndex_).c_str());
            Click();
            Select();
            break;
        case CBN_EDITCHANGE:
            Change();
            break;
        case CBN_DROPDOWN:
            if (OnDropDown) OnDropDown(this);
            break;
        case CBN_CLOSEUP:
            if (OnCloseUp) OnCloseUp(this);
            break;
        }
        return;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        SetTextColor(dc, ColorToColorRef(Font()->GetColor()));
        SetBkColor(dc, ColorToColorRef(GetColor()));
        Message.Result = reinterpret_cast<LRESULT>(BrushHandle());
        return;
    }
    }
    TWinControl::WndProc(Message);
}

// ---------------------------------------------------------------------------------------
// Group boxes

IMPLEMENT_CLASS(TCustomGroupBox);
IMPLEMENT_CLASS(TGroupBox);

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csReplicatable};
    width_ = 185;
    height_ = 105;
}

namespace {
int FontHeightOf(TFont* font) {
    TWindowDC screen(nullptr);
    TSelectObject selected(screen.Get(), font->Handle());   // the font may throw; the DC goes back
    TEXTMETRICA tm{};
    GetTextMetricsA(screen.Get(), &tm);
    return tm.tmHeight;
}
} // namespace

void TCustomGroupBox::AdjustClientRect(TRect& Rect) {
    TCustomControl::AdjustClientRect(Rect);
    Rect.Top += FontHeightOf(Font());
    Rect.Inflate(-1, -1);
}

void TCustomGroupBox::Paint() {
    TCanvas* c = Canvas();
    int h = FontHeightOf(Font());
    TRect r = GetClientRect();
    r.Top += h / 2;
    RECT rr = r;
    DrawEdge(c->Handle(), &rr, EDGE_ETCHED, BF_RECT);
    std::string text = GetCaption();
    if (text.empty()) return;
    c->Font()->Assign(Font());
    TRect tr(8, 0, 0, h);
    c->DrawText(text, tr, DT_CALCRECT | DT_SINGLELINE);
    tr.Right += 2;
    tr.Left -= 1;
    c->Brush()->SetColor(GetColor());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(tr);
    c->Brush()->SetStyle(bsClear);
    tr.Left += 1;
    if (!enabled_) c->Font()->SetColor(clGrayText);
    c->DrawText(text, tr, DT_SINGLELINE | DT_LEFT);
}

void TCustomGroupBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
        Invalidate();
        return;
    case CM_FONTCHANGED:
        TCustomControl::WndProc(Message);
        Realign();
        return;
    case CM_DIALOGCHAR:
        if (IsAccel(static_cast<char>(Message.WParam), GetCaption()) && CanFocus()) {
            if (TWinControl* first = FindNextControl(nullptr, true, true, false)) first->SetFocus();
            Message.Result = 1;
            return;
        }
        break;
    }
    TCustomControl::WndProc(Message);
}
