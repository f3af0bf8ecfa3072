#include "framework/Menus.h"
#include "framework/ActnList.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

// ---------------------------------------------------------------------------------------
// Shortcuts

namespace {

struct TKeyName { WORD Key; const char* Name; };

constexpr TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"}, {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"}, {VK_HOME, "Home"}, {VK_LEFT, "Left"},
    {VK_UP, "Up"}, {VK_RIGHT, "Right"}, {VK_DOWN, "Down"}, {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
    {VK_PAUSE, "Pause"}, {VK_APPS, "Apps"}, {VK_MULTIPLY, "Num *"}, {VK_ADD, "Num +"},
    {VK_SUBTRACT, "Num -"}, {VK_DECIMAL, "Num ."}, {VK_DIVIDE, "Num /"},
};

std::string KeyName(WORD key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
    if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) return "Num " + std::to_string(key - VK_NUMPAD0);
    for (auto& k : kKeyNames)
        if (k.Key == key) return k.Name;
    return {};
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string StripAccel(const std::string& caption) {
    std::string r;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') r += '&', ++i;
            continue;
        }
        r += caption[i];
    }
    return r;
}

} // namespace

TShortCut ShortCut(WORD Key, TShiftState Shift) {
    if (Key & 0xFF00) return scNone;
    TShortCut r = Key;
    if (Shift.Contains(ssShift)) r |= scShift;
    if (Shift.Contains(ssCtrl)) r |= scCtrl;
    if (Shift.Contains(ssAlt)) r |= scAlt;
    return r;
}

void ShortCutToKey(TShortCut AShortCut, WORD& Key, TShiftState& Shift) {
    Key = AShortCut & 0xFF;
    Shift = {};
    if (AShortCut & scShift) Shift.Include(ssShift);
    if (AShortCut & scCtrl) Shift.Include(ssCtrl);
    if (AShortCut & scAlt) Shift.Include(ssAlt);
}

std::string ShortCutToText(TShortCut AShortCut) {
    std::string name = KeyName(AShortCut & 0xFF);
    if (name.empty()) return {};
    std::string r;
    if (AShortCut & scShift) r += "Shift+";
    if (AShortCut & scCtrl) r += "Ctrl+";
    if (AShortCut & scAlt) r += "Alt+";
    return r + name;
}

TShortCut TextToShortCut(const std::string& Text) {
    std::string_view rest = Text;
    TShortCut mods = 0;
    for (bool more = true; more;) {
        more = false;
        static constexpr std::pair<const char*, TShortCut> kModifiers[] = {
            {"Shift+", scShift}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}};
        for (auto [prefix, bit] : kModifiers) {
            if (StartsWithNoCase(rest, prefix)) {
                mods |= bit;
                rest.remove_prefix(std::string_view(prefix).size());
                more = true;
            }
        }
    }
    if (rest.empty()) return scNone;
    for (WORD key = 1; key < 0xFF; ++key) {
        std::string name = KeyName(key);
        if (!name.empty() && name.size() == rest.size() && StartsWithNoCase(rest, name)) return key | mods;
    }
    return scNone;
}

TShortCut ShortCutFromMessage(const TMessage& Message) {
    if (Message.Msg != WM_KEYDOWN && Message.Msg != WM_SYSKEYDOWN) return scNone;
    return ShortCut(static_cast<WORD>(Message.WParam), KeyDataToShiftState(Message.LParam));
}

// ---------------------------------------------------------------------------------------
// Command identifiers: WM_COMMAND carries 16 bits, so freed ones are used again.

namespace {

std::vector<UINT>& FreeCommands() {
    static std::vector<UINT> free;
    return free;
}
UINT nextCommand = 1;

UINT AllocateCommand() {
    auto& free = FreeCommands();
    if (!free.empty()) {
        UINT id = free.back();
        free.pop_back();
        return id;
    }
    if (nextCommand > 0xFFFF) throw EMenuError("Too many menu items");
    return nextCommand++;
}

void ReleaseCommand(UINT id) {
    if (id) FreeCommands().push_back(id);
}

} // namespace

// ---------------------------------------------------------------------------------------
// TMenuActionLink

IMPLEMENT_CLASS(TMenuActionLink);

TMenuActionLink::TMenuActionLink(TObject* Client) : TActionLink(Client) { AssignClient(Client); }

void TMenuActionLink::AssignClient(TObject* Client) { client_ = dynamic_cast<TMenuItem*>(Client); }

namespace {
TCustomAction* AsCustomAction(TBasicAction* a) { return dynamic_cast<TCustomAction*>(a); }
}

bool TMenuActionLink::IsCaptionLinked() const {
    return TActionLink::IsCaptionLinked() && client_ && client_->GetCaption() == action_->GetCaption();
}
bool TMenuActionLink::IsCheckedLinked() const {
    return TActionLink::IsCheckedLinked() && client_ && client_->GetChecked() == action_->GetChecked();
}
bool TMenuActionLink::IsEnabledLinked() const {
    return TActionLink::IsEnabledLinked() && client_ && client_->GetEnabled() == action_->GetEnabled();
}
bool TMenuActionLink::IsHintLinked() const {
    return TActionLink::IsHintLinked() && client_ && client_->GetHint() == action_->GetHint();
}
bool TMenuActionLink::IsVisibleLinked() const {
    return TActionLink::IsVisibleLinked() && client_ && client_->GetVisible() == action_->GetVisible();
}
bool TMenuActionLink::IsImageIndexLinked() const {
    return TActionLink::IsImageIndexLinked() && client_ && client_->GetImageIndex() == action_->GetImageIndex();
}
bool TMenuActionLink::IsHelpLinked() const {
    return TActionLink::IsHelpLinked() && client_ && client_->GetHelpContext() == action_->GetHelpContext();
}
bool TMenuActionLink::IsOnExecuteLinked() const {
    // The item's own OnClick takes the click from the action.
    return TActionLink::IsOnExecuteLinked() && client_ && !client_->OnClick;
}
bool TMenuActionLink::IsShortCutLinked() const {
    auto* a = AsCustomAction(action_);
    return a && client_ && client_->GetShortCut() == a->GetShortCut();
}
bool TMenuActionLink::IsGroupIndexLinked() const {
    auto* a = AsCustomAction(action_);
    return a && client_ && client_->GetGroupIndex() == a->GetGroupIndex();
}
bool TMenuActionLink::IsAutoCheckLinked() const {
    auto* a = AsCustomAction(action_);
    return a && client_ && client_->GetAutoCheck() == a->GetAutoCheck();
}

void TMenuActionLink::SetCaption(const std::string& value) { if (IsCaptionLinked()) client_->SetCaption(value); }
void TMenuActionLink::SetChecked(bool value) { if (IsCheckedLinked()) client_->SetChecked(value); }
void TMenuActionLink::SetEnabled(bool value) { if (IsEnabledLinked()) client_->SetEnabled(value); }
void TMenuActionLink::SetHint(const std::string& value) { if (IsHintLinked()) client_->SetHint(value); }
void TMenuActionLink::SetVisible(bool value) { if (IsVisibleLinked()) client_->SetVisible(value); }
void TMenuActionLink::SetImageIndex(int value) { if (IsImageIndexLinked()) client_->SetImageIndex(value); }
void TMenuActionLink::SetHelpContext(int value) { if (IsHelpLinked()) client_->SetHelpContext(value); }
void TMenuActionLink::SetShortCut(TShortCut value) { if (IsShortCutLinked()) client_->SetShortCut(value); }
void TMenuActionLink::SetGroupIndex(int value) { if (IsGroupIndexLinked()) client_->SetGroupIndex(value); }
void TMenuActionLink::SetAutoCheck(bool value) { if (IsAutoCheckLinked()) client_->SetAutoCheck(value); }

// ---------------------------------------------------------------------------------------
// TMenuItem

IMPLEMENT_CLASS(TMenuItem);

void TMenuItem::Publish(TClassBuilder<TMenuItem>& b) {
    b.Prop("Action", &TMenuItem::GetAction, &TMenuItem::SetAction);
    b.Prop("AutoCheck", &TMenuItem::GetAutoCheck, &TMenuItem::SetAutoCheck);
    b.Prop("AutoHotkeys", &TMenuItem::GetAutoHotkeys, &TMenuItem::SetAutoHotkeys);
    b.Prop("Caption", &TMenuItem::GetCaption, &TMenuItem::SetCaption);
    b.Prop("Checked", &TMenuItem::GetChecked, &TMenuItem::SetChecked);
    b.Prop("Default", &TMenuItem::GetDefault, &TMenuItem::SetDefault);
    b.Prop("Enabled", &TMenuItem::GetEnabled, &TMenuItem::SetEnabled);
    b.Prop("GroupIndex", &TMenuItem::GetGroupIndex, &TMenuItem::SetGroupIndex);
    b.Prop("HelpContext", &TMenuItem::GetHelpContext, &TMenuItem::SetHelpContext);
    b.Prop("Hint", &TMenuItem::GetHint, &TMenuItem::SetHint);
    b.Prop("ImageIndex", &TMenuItem::GetImageIndex, &TMenuItem::SetImageIndex);
    b.Prop("RadioItem", &TMenuItem::GetRadioItem, &TMenuItem::SetRadioItem);
    b.Prop("ShortCut", &TMenuItem::GetShortCut, &TMenuItem::SetShortCut);
    b.Prop("Visible", &TMenuItem::GetVisible, &TMenuItem::SetVisible);
    b.Event("OnClick", &TMenuItem::OnClick);
    b.Event("OnMeasureItem", &TMenuItem::OnMeasureItem);
    b.Event("OnDrawItem", &TMenuItem::OnDrawItem);
    b.Event("OnAdvancedDrawItem", &TMenuItem::OnAdvancedDrawItem);
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), command_(AllocateCommand()) {}

TMenuItem::~TMenuItem() {
    // Deleted without Free: Destroying has not run.
    if (!IsDestroying()) Destroying();
    ReleaseCommand(command_);
}

void TMenuItem::Destroying() {
    TComponent::Destroying();
    while (!items_.empty()) {
        TMenuItem* item = items_.back();
        items_.pop_back();
        item->parent_ = nullptr;
        item->Free();
    }
    if (parent_) parent_->Remove(this);
    if (auto* a = GetAction()) a->RemoveFreeNotification(this);
    actionLink_.reset();
    ReleaseHandle();
}

TMenuItem* TMenuItem::Items(int Index) const {
    if (Index < 0 || Index >= Count()) throw EMenuError("Menu index out of range (" + std::to_string(Index) + ")");
    return items_[static_cast<size_t>(Index)];
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
    if (!Item) return;
    if (Item->parent_) throw EMenuError("Menu inserted twice");
    for (TMenuItem* p = this; p; p = p->parent_)
        if (p == Item) throw EMenuError("A menu item cannot contain itself");
    Index = std::clamp(Index, 0, Count());
    items_.insert(items_.begin() + Index, Item);
    Item->parent_ = this;
    MenuChanged(true);
}

void TMenuItem::Delete(int Index) {
    TMenuItem* item = Items(Index);
    Remove(item);
    item->Free();
}

void TMenuItem::Remove(TMenuItem* Item) {
    auto it = std::find(items_.begin(), items_.end(), Item);
    if (it == items_.end()) throw EMenuError("Menu item not found");
    items_.erase(it);
    Item->parent_ = nullptr;
    // The Win32 menu must not keep the removed item's sub-menu: it may be destroyed
    // before this menu is built again.
    if (handle_) {
        for (int i = GetMenuItemCount(handle_) - 1; i >= 0; --i) {
            if (GetMenuItemID(handle_, i) == Item->command_ ||
                (Item->handle_ && GetSubMenu(handle_, i) == Item->handle_))
                RemoveMenu(handle_, static_cast<UINT>(i), MF_BYPOSITION);
        }
    }
    MenuChanged(true);
}

void TMenuItem::Clear() {
    while (!items_.empty()) Delete(Count() - 1);
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
    auto it = std::find(items_.begin(), items_.end(), Item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem* TMenuItem::Find(const std::string& ACaption) const {
    std::string wanted = StripAccel(ACaption);
    for (auto* item : items_)
        if (SameText(StripAccel(item->caption_), wanted)) return item;
    return nullptr;
}

int TMenuItem::MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }

TMenuItem* TMenuItem::Top() {
    TMenuItem* t = this;
    while (t->parent_) t = t->parent_;
    return t;
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* t = this;
    while (t->parent_) t = t->parent_;
    return t->menu_;
}

TComponent* TMenuItem::GetParentComponent() const {
    if (parent_ && parent_->menu_) return parent_->menu_;
    return parent_;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
    if (parent_) parent_->Remove(this);
    if (!Value) return;
    if (auto* menu = dynamic_cast<TMenu*>(Value)) menu->Items()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(Value)) item->Add(this);
    else throw EMenuError("A menu item can only be placed in a menu or another menu item");
}

void TMenuItem::MenuChanged(bool Rebuild) {
    TMenuItem* top = Top();
    top->dirty_ = true;
    if (top->menu_ && !top->menu_->IsDestroying()) top->menu_->MenuChanged(top->menu_, this, Rebuild);
}

HMENU TMenuItem::Handle() {
    TMenuItem* top = Top();
    if (top->dirty_ || !top->handle_) {
        top->RebuildHandle();
        top->dirty_ = false;
        if (top->menu_) top->menu_->HandleRebuilt();
    }
    return handle_;
}

bool TMenuItem::UsesOwnerDraw() const {
    TMenu* menu = GetParentMenu();
    return HasDrawEvents() || (menu && menu->IsOwnerDraw());
}

void TMenuItem::RebuildHandle() {
    if (!handle_) {
        handle_ = (menu_ && !parent_) ? menu_->CreateMenuHandle() : CreatePopupMenu();
        if (!handle_) throw EOSError("Cannot create a menu", GetLastError());
    }
    while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
    bool menuBar = !parent_ && menu_ && menu_->IsMenuBar();
    UINT pos = 0;
    for (TMenuItem* item : items_) {
        if (!item->visible_) continue;
        HMENU sub = nullptr;
        if (item->Count() > 0) {
            item->RebuildHandle();
            sub = item->handle_;
        } else {
            item->ReleaseHandle();
        }
        std::string text = item->caption_;
        if (item->shortCut_ != scNone && !menuBar) {
            std::string sc = ShortCutToText(item->shortCut_);
            if (!sc.empty()) text += "\t" + sc;
        }
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU;
        if (item->IsLine()) {
            mii.fType = MFT_SEPARATOR;
        } else {
            mii.fMask |= MIIM_STRING;
            mii.fType = MFT_STRING;
            mii.dwTypeData = text.data();
            mii.cch = static_cast<UINT>(text.size());
            if (item->radioItem_) mii.fType |= MFT_RADIOCHECK;
        }
        if (item->UsesOwnerDraw()) mii.fType |= MFT_OWNERDRAW;
        if (item->checked_) mii.fState |= MFS_CHECKED;
        if (!item->enabled_) mii.fState |= MFS_DISABLED | MFS_GRAYED;
        if (item->default_) mii.fState |= MFS_DEFAULT;
        mii.wID = item->command_;
        mii.dwItemData = item->command_;
        mii.hSubMenu = sub;
        if (!InsertMenuItemA(handle_, pos, TRUE, &mii)) throw EOSError("Cannot build a menu", GetLastError());
        ++pos;
    }
}

void TMenuItem::ReleaseHandle() {
    if (!handle_) return;
    // Sub-menus belong to their own items: take them out before the menu is destroyed.
    while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
    DestroyMenu(handle_);
    handle_ = nullptr;
}

void TMenuItem::SetCaption(const std::string& Value) {
    if (Value == caption_) return;
    caption_ = Value;
    MenuChanged(true);
}

void TMenuItem::TurnSiblingsOff() {
    if (!parent_ || groupIndex_ == 0) return;
    for (TMenuItem* item : parent_->items_)
        if (item != this && item->radioItem_ && item->groupIndex_ == groupIndex_) item->SetChecked(false);
}

void TMenuItem::SetChecked(bool Value) {
    if (Value == checked_) return;
    checked_ = Value;
    if (Value && radioItem_) TurnSiblingsOff();
    MenuChanged(true);
}

void TMenuItem::SetRadioItem(bool Value) {
    if (Value == radioItem_) return;
    radioItem_ = Value;
    if (checked_ && radioItem_) TurnSiblingsOff();
    MenuChanged(true);
}

void TMenuItem::SetGroupIndex(int Value) {
    if (Value == groupIndex_) return;
    groupIndex_ = Value;
    if (checked_ && radioItem_) TurnSiblingsOff();
    MenuChanged(true);
}

void TMenuItem::SetEnabled(bool Value) {
    if (Value == enabled_) return;
    enabled_ = Value;
    MenuChanged(true);
}

void TMenuItem::SetVisible(bool Value) {
    if (Value == visible_) return;
    visible_ = Value;
    MenuChanged(true);
}

void TMenuItem::SetDefault(bool Value) {
    if (Value == default_) return;
    if (Value && parent_)
        for (TMenuItem* item : parent_->items_)
            if (item != this) item->default_ = false;
    default_ = Value;
    MenuChanged(true);
}

void TMenuItem::SetAutoCheck(bool Value) { autoCheck_ = Value; }

void TMenuItem::SetShortCut(TShortCut Value) {
    if (Value == shortCut_) return;
    shortCut_ = Value;
    MenuChanged(true);
}

void TMenuItem::SetImageIndex(int Value) {
    if (Value == imageIndex_) return;
    imageIndex_ = Value;
    MenuChanged(true);
}

void TMenuItem::SetHint(const std::string& Value) { hint_ = Value; }

TBasicAction* TMenuItem::GetAction() const { return actionLink_ ? actionLink_->Action() : nullptr; }

TMenuActionLink* TMenuItem::CreateActionLink() { return new TMenuActionLink(this); }

void TMenuItem::SetAction(TBasicAction* Value) {
    if (Value == GetAction()) return;
    if (auto* old = GetAction()) old->RemoveFreeNotification(this);
    if (!Value) {
        actionLink_.reset();
        return;
    }
    if (!actionLink_) {
        actionLink_.reset(CreateActionLink());
        actionLink_->OnChange = [this](TObject* s) { DoActionChange(s); };
    }
    actionLink_->SetAction(Value);
    // While a layout is read the item's stored values win over the action's.
    ActionChange(Value, IsLoading() || Value->IsLoading());
    Value->FreeNotification(this);
}

void TMenuItem::DoActionChange(TObject* Sender) {
    if (Sender == GetAction()) ActionChange(Sender, false);
}

void TMenuItem::ActionChange(TObject* Sender, bool CheckDefaults) {
    auto* a = dynamic_cast<TBasicAction*>(Sender);
    if (!a || !a->HasClientProperties()) return;
    if (!CheckDefaults || caption_.empty()) SetCaption(a->GetCaption());
    if (!CheckDefaults || !checked_) SetChecked(a->GetChecked());
    if (!CheckDefaults || enabled_) SetEnabled(a->GetEnabled());
    if (!CheckDefaults || hint_.empty()) SetHint(a->GetHint());
    if (!CheckDefaults || imageIndex_ == -1) SetImageIndex(a->GetImageIndex());
    if (!CheckDefaults || visible_) SetVisible(a->GetVisible());
    if (!CheckDefaults || helpContext_ == 0) SetHelpContext(a->GetHelpContext());
    if (auto* ca = AsCustomAction(a)) {
        if (!CheckDefaults || shortCut_ == scNone) SetShortCut(ca->GetShortCut());
        if (!CheckDefaults || groupIndex_ == 0) SetGroupIndex(ca->GetGroupIndex());
        if (!CheckDefaults || !autoCheck_) SetAutoCheck(ca->GetAutoCheck());
    }
}

void TMenuItem::InitiateAction() {
    if (actionLink_) actionLink_->Update();
}

void TMenuItem::Click() {
    if (!enabled_) return;
    if (autoCheck_ && !(actionLink_ && actionLink_->IsAutoCheckLinked())) SetChecked(!checked_);
    if (OnClick) OnClick(this);
    else if (actionLink_) actionLink_->Execute(this);
}

void TMenuItem::Loaded() {
    TComponent::Loaded();
    if (auto* a = GetAction()) ActionChange(a, true);
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && actionLink_ && AComponent == actionLink_->Action()) actionLink_.reset();
}

void TMenuItem::MeasureItem(TCanvas* ACanvas, int& Width, int& Height) {
    if (OnMeasureItem) {
        OnMeasureItem(this, ACanvas, Width, Height);
        return;
    }
    if (IsLine()) {
        Height = GetSystemMetrics(SM_CYMENU) / 2;
        return;
    }
    std::string text = StripAccel(caption_);
    Width = ACanvas->TextWidth(text.empty() ? " " : text);
    if (shortCut_ != scNone) Width += ACanvas->TextWidth("MM" + ShortCutToText(shortCut_));
    Height = std::max(ACanvas->TextHeight("Wg") + 6, GetSystemMetrics(SM_CYMENU));
    if (TMenu* menu = GetParentMenu(); menu && menu->GetImages()) {
        Width += menu->GetImages()->GetWidth() + 6;
        Height = std::max(Height, menu->GetImages()->GetHeight() + 4);
    }
}

void TMenuItem::DrawItem(TCanvas* ACanvas, const TRect& ARect, bool Selected) {
    if (OnDrawItem) {
        OnDrawItem(this, ACanvas, ARect, Selected);
        return;
    }
    TOwnerDrawState state;
    if (Selected) state.Include(odSelected);
    if (!enabled_) state.Include(odDisabled);
    if (checked_) state.Include(odChecked);
    if (default_) state.Include(odDefault);
    TMenu* menu = GetParentMenu();
    bool topLevel = parent_ && !parent_->parent_ && menu && menu->IsMenuBar();
    DrawStandard(ACanvas, ARect, state, topLevel);
}

void TMenuItem::AdvancedDrawItem(TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State, bool TopLevel) {
    if (OnAdvancedDrawItem) {
        OnAdvancedDrawItem(this, ACanvas, ARect, State);
        return;
    }
    if (OnDrawItem) {
        OnDrawItem(this, ACanvas, ARect, State.Contains(odSelected));
        return;
    }
    DrawStandard(ACanvas, ARect, State, TopLevel);
}

void TMenuItem::DrawStandard(TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State, bool TopLevel) {
    bool selected = State.Contains(odSelected);
    ACanvas->Brush()->SetColor(selected ? clHighlight : (TopLevel ? clMenuBar : clMenu));
    ACanvas->FillRect(ARect);
    if (IsLine()) {
        RECT r = TRect(ARect.Left, ARect.Top + ARect.Height() / 2 - 1, ARect.Right, ARect.Bottom);
        DrawEdge(ACanvas->Handle(), &r, EDGE_ETCHED, BF_TOP);
        return;
    }
    TColor textColor = selected ? clHighlightText : clMenuText;
    if (State.Contains(odDisabled) || State.Contains(odGrayed)) textColor = clGrayText;
    int gutter = TopLevel ? 6 : GetSystemMetrics(SM_CXMENUCHECK) + 6;
    TMenu* menu = GetParentMenu();
    TCustomImageList* images = menu ? menu->GetImages() : nullptr;
    if (!TopLevel && images) gutter = std::max(gutter, images->GetWidth() + 6);
    if (!TopLevel) {
        if (images && imageIndex_ >= 0 && imageIndex_ < images->Count()) {
            images->Draw(*ACanvas, ARect.Left + 3, ARect.Top + (ARect.Height() - images->GetHeight()) / 2, imageIndex_,
                         enabled_);
        } else if (checked_) {
            int size = GetSystemMetrics(SM_CXMENUCHECK);
            RECT cr = Bounds(ARect.Left + 3, ARect.Top + (ARect.Height() - size) / 2, size, size);
            DrawFrameControl(ACanvas->Handle(), &cr, DFC_MENU, radioItem_ ? DFCS_MENUBULLET : DFCS_MENUCHECK);
        }
    }
    TFont* font = ACanvas->Font();
    font->SetColor(textColor);
    if (State.Contains(odDefault)) font->SetStyle(font->GetStyle() + TFontStyles{fsBold});
    ACanvas->Brush()->SetStyle(bsClear);
    TRect tr(ARect.Left + gutter, ARect.Top, ARect.Right - 6, ARect.Bottom);
    std::string caption = caption_;
    UINT flags = DT_SINGLELINE | DT_VCENTER | (State.Contains(odNoAccel) ? DT_HIDEPREFIX : 0);
    ACanvas->DrawText(caption, tr, flags | DT_LEFT);
    if (shortCut_ != scNone && !TopLevel) {
        TRect sr = tr;
        ACanvas->DrawText(ShortCutToText(shortCut_), sr, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    }
    ACanvas->Brush()->SetStyle(bsSolid);
}

// ---------------------------------------------------------------------------------------
// TMenu

IMPLEMENT_CLASS(TMenu);

void TMenu::Publish(TClassBuilder<TMenu>& b) {
    b.Prop("AutoHotkeys", &TMenu::GetAutoHotkeys, &TMenu::SetAutoHotkeys);
    b.Prop("BiDiMode", &TMenu::GetBiDiMode, &TMenu::SetBiDiMode);
    b.Prop("Images", &TMenu::GetImages, &TMenu::SetImages);
    b.Prop("OwnerDraw", &TMenu::GetOwnerDraw, &TMenu::SetOwnerDraw);
}

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner) {
    items_ = TMenuItem::Create(this);
    items_->menu_ = this;
    imageLink_ = std::make_unique<TChangeLink>();
    imageLink_->OnChange = [this](TObject*) { MenuChanged(this, nullptr, true); };
}

TMenu::~TMenu() = default;

HMENU TMenu::Handle() {
    if (!items_) throw EMenuError("The menu has no items");
    return items_->Handle();
}

bool TMenu::HandleAllocated() const { return items_ && items_->handle_; }

HMENU TMenu::AllocatedHandle() const { return items_ ? items_->handle_ : nullptr; }

void TMenu::SetImages(TCustomImageList* Value) {
    if (ReplaceImageList(images_, Value, imageLink_.get(), this)) MenuChanged(this, nullptr, true);
}

void TMenu::SetOwnerDraw(bool Value) {
    if (Value == ownerDraw_) return;
    ownerDraw_ = Value;
    MenuChanged(this, nullptr, true);
}

void TMenu::SetBiDiMode(TBiDiMode Value) {
    if (Value == bidiMode_) return;
    bidiMode_ = Value;
    MenuChanged(this, nullptr, true);
}

bool TMenu::IsOwnerDraw() const { return ownerDraw_; }

void TMenu::MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) {
    if (items_) items_->dirty_ = true;
    if (IsLoading() || IsDestroying()) return;
    if (OnChange) OnChange(Sender, Source, Rebuild);
}

HMENU TMenu::CreateMenuHandle() { return CreatePopupMenu(); }

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove) return;
    if (AComponent == items_) items_ = nullptr;
    if (AComponent == images_) {
        images_ = nullptr;
        MenuChanged(this, nullptr, true);
    }
}

void TMenu::Loaded() {
    TComponent::Loaded();
    MenuChanged(this, nullptr, true);
}

TMenuItem* TMenu::FindItem(UINT_PTR Value, TFindItemKind Kind) const {
    if (!items_) return nullptr;
    std::vector<TMenuItem*> stack{items_};
    while (!stack.empty()) {
        TMenuItem* item = stack.back();
        stack.pop_back();
        if (item != items_) {
            switch (Kind) {
            case TFindItemKind::fkCommand: if (item->command_ == Value) return item; break;
            case TFindItemKind::fkHandle:
                if (item->handle_ && reinterpret_cast<UINT_PTR>(item->handle_) == Value) return item;
                break;
            case TFindItemKind::fkShortCut: if (item->shortCut_ == Value) return item; break;
            }
        } else if (Kind == TFindItemKind::fkHandle && item->handle_ &&
                   reinterpret_cast<UINT_PTR>(item->handle_) == Value) {
            return item;
        }
        for (auto it = item->items_.rbegin(); it != item->items_.rend(); ++it) stack.push_back(*it);
    }
    return nullptr;
}

bool TMenu::DispatchCommand(WORD ACommand) {
    TMenuItem* item = FindItem(ACommand, TFindItemKind::fkCommand);
    if (!item) return false;
    item->Click();
    return true;
}

bool TMenu::DispatchPopup(HMENU AHandle) {
    if (!items_) return false;
    TMenuItem* item = nullptr;
    std::vector<TMenuItem*> stack{items_};
    while (!stack.empty() && !item) {
        TMenuItem* i = stack.back();
        stack.pop_back();
        if (i->handle_ == AHandle) item = i;
        for (auto* c : i->items_) stack.push_back(c);
    }
    if (!item) return false;
    for (auto* c : item->items_) c->InitiateAction();
    if (item != items_ && item->OnClick) {
        TComponentWatch watch(item);
        item->OnClick(item);
        // A handler may free the item (or its menu): nothing of it may be touched then.
        if (watch.Freed()) return true;
        // What the handler added or changed shows in the sub-menu that is opening.
        if (item->handle_) item->RebuildHandle();
    }
    return true;
}

bool TMenu::IsShortCut(TShortCut AShortCut) {
    if (AShortCut == scNone) return false;
    TMenuItem* item = FindItem(AShortCut, TFindItemKind::fkShortCut);
    if (!item) return false;
    item->InitiateAction();
    for (TMenuItem* p = item; p && p != items_; p = p->parent_)
        if (!p->enabled_ || !p->visible_) return false;
    item->Click();
    return true;
}

bool TMenu::IsShortCut(const TMessage& Message) { return IsShortCut(ShortCutFromMessage(Message)); }

void TMenu::GetMenuFont(TFont* Font) const {
    NONCLIENTMETRICSA ncm{};
    // The size without the padded border field, which older systems reject.
    ncm.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0)) Font->SetLogFont(ncm.lfMenuFont);
    Font->SetColor(clMenuText);
}

void TMenu::MeasureMenuItem(TMenuItem* Item, TCanvas* ACanvas, int& Width, int& Height) {
    Item->MeasureItem(ACanvas, Width, Height);
}

void TMenu::DrawMenuItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) {
    bool topLevel = IsMenuBar() && Item->parent_ == items_;
    Item->AdvancedDrawItem(ACanvas, ARect, State, topLevel);
}

void TMenu::MeasureMessage(MEASUREITEMSTRUCT& mis) {
    TMenuItem* item = FindItem(static_cast<UINT>(mis.itemData), TFindItemKind::fkCommand);
    if (!item) return;
    TMemDCHandle dc;
    {
        TWindowDC screen(nullptr);
        dc.Reset(CreateCompatibleDC(screen.Get()));
    }
    if (!dc) throw EOutOfResources("Out of system resources");
    // Made after the DC, the canvas goes first and gives the DC its own objects back.
    TCanvas canvas;
    canvas.SetHandle(dc.Get());
    GetMenuFont(canvas.Font());
    int w = static_cast<int>(mis.itemWidth), h = static_cast<int>(mis.itemHeight);
    MeasureMenuItem(item, &canvas, w, h);
    mis.itemWidth = static_cast<UINT>(std::max(w, 0));
    mis.itemHeight = static_cast<UINT>(std::max(h, 0));
}

void TMenu::DrawMessage(DRAWITEMSTRUCT& dis) {
    TMenuItem* item = FindItem(static_cast<UINT>(dis.itemData), TFindItemKind::fkCommand);
    if (!item) return;
    TOwnerDrawState state;
    if (dis.itemState & ODS_SELECTED) state.Include(odSelected);
    if (dis.itemState & ODS_GRAYED) state.Include(odGrayed);
    if (dis.itemState & ODS_DISABLED) state.Include(odDisabled);
    if (dis.itemState & ODS_CHECKED) state.Include(odChecked);
    if (dis.itemState & ODS_FOCUS) state.Include(odFocused);
    if (dis.itemState & ODS_DEFAULT) state.Include(odDefault);
    if (dis.itemState & ODS_HOTLIGHT) state.Include(odHotLight);
    if (dis.itemState & ODS_INACTIVE) state.Include(odInactive);
    if (dis.itemState & ODS_NOACCEL) state.Include(odNoAccel);
    TSaveDC saved(dis.hDC);
    TCanvas canvas;
    canvas.SetHandle(dis.hDC);
    GetMenuFont(canvas.Font());
    DrawMenuItem(item, &canvas, TRect(dis.rcItem), state);
}

bool TMenu::HandleMenuMessage(TMessage& Message) {
    switch (Message.Msg) {
    case WM_COMMAND: {
        if (HIWORD(Message.WParam) != 0 || Message.LParam != 0) return false;
        WORD id = LOWORD(Message.WParam);
        if (!FindItem(id, TFindItemKind::fkCommand)) return false;
        Guard([&] { DispatchCommand(id); }, this);
        Message.Result = 0;
        return true;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        if (!mis || mis->CtlType != ODT_MENU || !FindItem(static_cast<UINT>(mis->itemData), TFindItemKind::fkCommand))
            return false;
        Guard([&] { MeasureMessage(*mis); }, this);
        Message.Result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        if (!dis || dis->CtlType != ODT_MENU || !FindItem(static_cast<UINT>(dis->itemData), TFindItemKind::fkCommand))
            return false;
        Guard([&] { DrawMessage(*dis); }, this);
        Message.Result = TRUE;
        return true;
    }
    case WM_INITMENUPOPUP: {
        auto menu = reinterpret_cast<HMENU>(Message.WParam);
        if (!FindItem(reinterpret_cast<UINT_PTR>(menu), TFindItemKind::fkHandle)) return false;
        Guard([&] { DispatchPopup(menu); }, this);
        Message.Result = 0;
        return true;
    }
    case WM_MENUSELECT: {
        UINT flags = HIWORD(Message.WParam);
        auto menu = reinterpret_cast<HMENU>(Message.LParam);
        if (flags == 0xFFFF && !menu) return false;   // the menu closed
        TMenuItem* item = nullptr;
        if (flags & MF_POPUP) {
            HMENU sub = GetSubMenu(menu, LOWORD(Message.WParam));
            if (sub) item = FindItem(reinterpret_cast<UINT_PTR>(sub), TFindItemKind::fkHandle);
        } else {
            item = FindItem(LOWORD(Message.WParam), TFindItemKind::fkCommand);
        }
        if (!item) return false;
        Guard([&] { if (Application) Application->SetHint(item->GetHint()); }, this);
        Message.Result = 0;
        return true;
    }
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------
// TMainMenu

IMPLEMENT_CLASS(TMainMenu);

struct TMainMenu::THook {
    TMainMenu* Menu = nullptr;
};

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

HMENU TMainMenu::CreateMenuHandle() { return CreateMenu(); }

void TMainMenu::HandleRebuilt() {
    if (window_ && IsWindow(window_)) DrawMenuBar(window_);
}

void TMainMenu::SetWindowMenu(HWND Wnd) {
    if (Wnd == window_) return;
    if (window_ && IsWindow(window_) && HandleAllocated() && GetMenu(window_) == AllocatedHandle())
        SetMenu(window_, nullptr);
    if (hook_) hook_->Menu = nullptr;
    hook_.reset();
    if (control_) control_->RemoveFreeNotification(this);
    control_ = nullptr;
    window_ = Wnd;
    if (!Wnd) return;
    if (TWinControl* control = FindControl(Wnd)) {
        // Chained in front of the control's handler; it passes everything through once
        // the menu is gone or attached elsewhere.
        control_ = control;
        control->FreeNotification(this);
        hook_ = std::make_shared<THook>();
        hook_->Menu = this;
        auto hook = hook_;
        TWndMethod previous = control->WindowProc;
        control->WindowProc = [hook, previous](TMessage& m) {
            if (hook->Menu && hook->Menu->HandleMenuMessage(m)) return;
            previous(m);
        };
    }
    SetMenu(Wnd, Handle());
    DrawMenuBar(Wnd);
}

void TMainMenu::MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) {
    TMenu::MenuChanged(Sender, Source, Rebuild);
    if (window_ && HandleAllocated() && !IsLoading() && !IsDestroying()) Handle();
}

bool TMainMenu::IsShortCut(WORD Key, TShiftState Shift) { return TMenu::IsShortCut(ShortCut(Key, Shift)); }

void TMainMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TMenu::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == control_) {
        if (hook_) hook_->Menu = nullptr;
        hook_.reset();
        control_ = nullptr;
        window_ = nullptr;
    }
}

void TMainMenu::Destroying() {
    SetWindowMenu(nullptr);
    TMenu::Destroying();
}

// ---------------------------------------------------------------------------------------
// TPopupMenu and the window that owns shown popup menus

IMPLEMENT_CLASS(TPopupMenu);

namespace {

std::vector<TPopupMenu*>& LivePopups() {
    static std::vector<TPopupMenu*> list;
    return list;
}

struct TTrackState {
    TPopupMenu* Menu = nullptr;
    bool HookCalled = false;
};
TTrackState* tracking = nullptr;
TPopupMenu::TOpenMenuHook& OpenMenuHook() {
    static TPopupMenu::TOpenMenuHook hook;
    return hook;
}

constexpr UINT_PTR kHookTimer = 1;
constexpr UINT_PTR kWatchdogTimer = 2;
HWND popupWindow = nullptr;

void CallOpenMenuHook(HWND menuWindow) {
    // The menu may have been freed while it was tracked.
    if (!tracking || !tracking->Menu || tracking->HookCalled || !OpenMenuHook()) return;
    tracking->HookCalled = true;
    OpenMenuHook()(*tracking->Menu, menuWindow);
}

void PopupWindowProc(TMessage& m) {
    switch (m.Msg) {
    case WM_COMMAND: case WM_MEASUREITEM: case WM_DRAWITEM: case WM_INITMENUPOPUP: case WM_MENUSELECT: {
        // A menu may free others while it handles its message.
        auto menus = LivePopups();
        for (TPopupMenu* menu : menus) {
            if (std::find(LivePopups().begin(), LivePopups().end(), menu) == LivePopups().end()) continue;
            if (menu->HandleMenuMessage(m)) return;
        }
        break;
    }
    case WM_ENTERIDLE:
        if (m.WParam == MSGF_MENU) {
            CallOpenMenuHook(reinterpret_cast<HWND>(m.LParam));
            return;
        }
        break;
    case WM_TIMER:
        if (m.WParam == kHookTimer) {
            KillTimer(popupWindow, kHookTimer);
            CallOpenMenuHook(FindWindowA("#32768", nullptr));
            return;
        }
        if (m.WParam == kWatchdogTimer) {
            // A test hook that failed to close the menu must not leave the test waiting.
            KillTimer(popupWindow, kWatchdogTimer);
            EndMenu();
            return;
        }
        break;
    default:
        break;
    }
    m.Result = DefWindowProcA(popupWindow, m.Msg, m.WParam, m.LParam);
}

} // namespace

const std::vector<TPopupMenu*>& PopupMenus() { return LivePopups(); }

HWND TPopupMenu::PopupWindow() {
    if (!popupWindow) popupWindow = AllocateHWnd(PopupWindowProc);
    return popupWindow;
}

TPopupMenu::TOpenMenuHook TPopupMenu::SetOpenMenuHook(TOpenMenuHook Hook) {
    TOpenMenuHook previous = std::move(OpenMenuHook());
    OpenMenuHook() = std::move(Hook);
    return previous;
}

void TPopupMenu::Publish(TClassBuilder<TPopupMenu>& b) {
    b.Prop("Alignment", &TPopupMenu::GetAlignment, &TPopupMenu::SetAlignment);
    b.Prop("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup);
    b.Event("OnPopup", &TPopupMenu::OnPopup);
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) { LivePopups().push_back(this); }

TPopupMenu::~TPopupMenu() {
    auto& list = LivePopups();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (tracking && tracking->Menu == this) tracking->Menu = nullptr;
}

void TPopupMenu::DoPopup(TObject* Sender) {
    if (OnPopup) OnPopup(Sender);
}

UINT TPopupMenu::TrackFlags() const {
    UINT flags = TPM_RIGHTBUTTON | TPM_RETURNCMD;
    switch (alignment_) {
    case paLeft: flags |= TPM_LEFTALIGN; break;
    case paRight: flags |= TPM_RIGHTALIGN; break;
    case paCenter: flags |= TPM_CENTERALIGN; break;
    }
    return flags;
}

void TPopupMenu::PopupFor(TControl* Control, int X, int Y) {
    PopupComponent = Control;
    Popup(X, Y);
}

void TPopupMenu::Popup(int X, int Y) {
    TComponentWatch watch(this);
    DoPopup(this);
    if (watch.Freed() || !items_) return;   // OnPopup may free the menu
    for (int i = 0; i < items_->Count(); ++i) items_->Items(i)->InitiateAction();
    HMENU menu = Handle();
    HWND wnd = PopupWindow();
    TTrackState state{this, false};
    TTrackState* outer = tracking;
    tracking = &state;
    if (OpenMenuHook()) {
        SetTimer(wnd, kHookTimer, 100, nullptr);
        SetTimer(wnd, kWatchdogTimer, 10000, nullptr);
    }
    UINT command = static_cast<UINT>(TrackPopupMenu(menu, TrackFlags(), X, Y, 0, wnd, nullptr));
    KillTimer(wnd, kHookTimer);
    KillTimer(wnd, kWatchdogTimer);
    tracking = outer;
    // The choice runs as the WM_COMMAND it stands for, before Popup returns.
    if (command) SendMessageA(wnd, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}
