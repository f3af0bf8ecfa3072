#include "framework/ActnList.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------
// TContainedAction

IMPLEMENT_CLASS(TContainedAction);

void TContainedAction::Publish(TClassBuilder<TContainedAction>& b) {
    b.Prop("Category", &TContainedAction::GetCategory, &TContainedAction::SetCategory);
}

TContainedAction::TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}

TContainedAction::~TContainedAction() { SetActionList(nullptr); }

void TContainedAction::Destroying() {
    SetActionList(nullptr);
    TBasicAction::Destroying();
}

void TContainedAction::SetActionList(TCustomActionList* Value) {
    if (Value == actionList_) return;
    if (actionList_) {
        auto& list = actionList_->actions_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        actionList_->Change();
    }
    actionList_ = Value;
    if (actionList_) {
        actionList_->actions_.push_back(this);
        actionList_->Change();
    }
}

void TContainedAction::SetCategory(const std::string& Value) {
    if (Value == category_) return;
    category_ = Value;
    if (actionList_) actionList_->Change();
}

int TContainedAction::GetIndex() const { return actionList_ ? actionList_->IndexOf(this) : -1; }

void TContainedAction::SetIndex(int Value) {
    if (!actionList_) return;
    auto& list = actionList_->actions_;
    int current = GetIndex();
    Value = std::clamp(Value, 0, static_cast<int>(list.size()) - 1);
    if (Value == current) return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + Value, this);
    actionList_->Change();
}

TComponent* TContainedAction::GetParentComponent() const { return actionList_; }

void TContainedAction::SetParentComponent(TComponent* Value) {
    if (auto* list = dynamic_cast<TCustomActionList*>(Value)) SetActionList(list);
    else if (!Value) SetActionList(nullptr);
    else throw EComponentError("An action can only be placed in an action list");
}

bool TContainedAction::Execute() {
    if (actionList_ && actionList_->ExecuteAction(this)) return true;
    return TBasicAction::Execute();
}

bool TContainedAction::Update() {
    if (actionList_ && actionList_->UpdateAction(this)) return true;
    return TBasicAction::Update();
}

// ---------------------------------------------------------------------------------------
// TCustomAction

IMPLEMENT_CLASS(TCustomAction);
IMPLEMENT_CLASS(TAction);

TCustomAction::TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}

template <class F>
void TCustomAction::ForEachLink(F&& f) {
    // A client may re-bind itself while it takes the value.
    std::vector<TBasicActionLink*> links;
    for (int i = 0; i < ClientCount(); ++i) links.push_back(Clients(i));
    for (auto* link : links) {
        bool stillLinked = false;
        for (int i = 0; i < ClientCount() && !stillLinked; ++i) stillLinked = Clients(i) == link;
        if (stillLinked) f(link);
    }
}

template <class T, class Link, class Arg>
void TCustomAction::SetLinked(T& field, const T& Value, void (Link::*setOnLink)(Arg)) {
    if (Value == field) return;
    ForEachLink([&](TBasicActionLink* l) { if (auto* link = dynamic_cast<Link*>(l)) (link->*setOnLink)(Value); });
    field = Value;
    Change();
}

void TCustomAction::SetCaption(const std::string& Value) { SetLinked(caption_, Value, &TActionLink::SetCaption); }

void TCustomAction::SetChecked(bool Value) {
    if (checking_ || Value == checked_) return;
    {
        TRestore checking(checking_, true);
        // The links compare the client with the value still stored, so store last.
        ForEachLink([&](TBasicActionLink* l) { if (auto* a = dynamic_cast<TActionLink*>(l)) a->SetChecked(Value); });
        checked_ = Value;
        if (Value && groupIndex_ > 0 && GetActionList()) {
            TCustomActionList* list = GetActionList();
            for (int i = 0; i < list->ActionCount(); ++i) {
                auto* other = dynamic_cast<TCustomAction*>(list->Actions(i));
                if (other && other != this && other->groupIndex_ == groupIndex_) other->SetChecked(false);
            }
        }
    }
    Change();
}

void TCustomAction::SetEnabled(bool Value) { SetLinked(enabled_, Value, &TActionLink::SetEnabled); }

void TCustomAction::SetVisible(bool Value) { SetLinked(visible_, Value, &TActionLink::SetVisible); }

void TCustomAction::SetHint(const std::string& Value) { SetLinked(hint_, Value, &TActionLink::SetHint); }

void TCustomAction::SetImageIndex(int Value) { SetLinked(imageIndex_, Value, &TActionLink::SetImageIndex); }

void TCustomAction::SetHelpContext(int Value) { SetLinked(helpContext_, Value, &TActionLink::SetHelpContext); }

void TCustomAction::SetShortCut(TShortCut Value) { SetLinked(shortCut_, Value, &TMenuActionLink::SetShortCut); }

void TCustomAction::SetGroupIndex(int Value) { SetLinked(groupIndex_, Value, &TMenuActionLink::SetGroupIndex); }

void TCustomAction::SetAutoCheck(bool Value) { SetLinked(autoCheck_, Value, &TMenuActionLink::SetAutoCheck); }

bool TCustomAction::Execute() {
    Update();
    if (!enabled_) return false;
    // A grouped action is a choice among several: executing it again keeps it on.
    if (autoCheck_ && (!checked_ || groupIndex_ == 0)) SetChecked(!checked_);
    return TContainedAction::Execute();
}

void TAction::Publish(TClassBuilder<TAction>& b) {
    b.Prop("AutoCheck", &TAction::GetAutoCheck, &TAction::SetAutoCheck);
    b.Prop("Caption", &TAction::GetCaption, &TAction::SetCaption);
    b.Prop("Checked", &TAction::GetChecked, &TAction::SetChecked);
    b.Prop("Enabled", &TAction::GetEnabled, &TAction::SetEnabled);
    b.Prop("GroupIndex", &TAction::GetGroupIndex, &TAction::SetGroupIndex);
    b.Prop("HelpContext", &TAction::GetHelpContext, &TAction::SetHelpContext);
    b.Prop("Hint", &TAction::GetHint, &TAction::SetHint);
    b.Prop("ImageIndex", &TAction::GetImageIndex, &TAction::SetImageIndex);
    b.Prop("ShortCut", &TAction::GetShortCut, &TAction::SetShortCut);
    b.Prop("Visible", &TAction::GetVisible, &TAction::SetVisible);
}

// ---------------------------------------------------------------------------------------
// TCustomActionList

IMPLEMENT_CLASS(TCustomActionList);
IMPLEMENT_CLASS(TActionList);

void TCustomActionList::Publish(TClassBuilder<TCustomActionList>& b) {
    b.Prop("Images", &TCustomActionList::GetImages, &TCustomActionList::SetImages);
    b.Event("OnChange", &TCustomActionList::OnChange);
    b.Event("OnExecute", &TCustomActionList::OnExecute);
    b.Event("OnUpdate", &TCustomActionList::OnUpdate);
}

TCustomActionList::TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {
    imageLink_ = std::make_unique<TChangeLink>();
    imageLink_->OnChange = [this](TObject*) { Change(); };
}

TCustomActionList::~TCustomActionList() {
    for (auto* a : actions_) a->actionList_ = nullptr;
}

void TCustomActionList::Destroying() {
    TComponent::Destroying();
    // The list's actions go with it.
    while (!actions_.empty()) {
        TContainedAction* a = actions_.back();
        actions_.pop_back();
        a->actionList_ = nullptr;
        a->Free();
    }
}

TContainedAction* TCustomActionList::Actions(int Index) const {
    if (Index < 0 || Index >= ActionCount())
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return actions_[static_cast<size_t>(Index)];
}

int TCustomActionList::IndexOf(const TContainedAction* Action) const {
    auto it = std::find(actions_.begin(), actions_.end(), Action);
    return it == actions_.end() ? -1 : static_cast<int>(it - actions_.begin());
}

void TCustomActionList::AddAction(TContainedAction* Action) {
    if (Action) Action->SetActionList(this);
}

void TCustomActionList::RemoveAction(TContainedAction* Action) {
    if (Action && Action->GetActionList() == this) Action->SetActionList(nullptr);
}

void TCustomActionList::SetImages(TCustomImageList* Value) {
    if (ReplaceImageList(images_, Value, imageLink_.get(), this)) Change();
}

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove) return;
    if (AComponent == images_) images_ = nullptr;
    if (auto* a = dynamic_cast<TContainedAction*>(AComponent); a && a->GetActionList() == this) RemoveAction(a);
}

void TCustomActionList::Change() {
    if (OnChange && !IsLoading() && !IsDestroying()) OnChange(this);
}

bool TCustomActionList::ExecuteAction(TBasicAction* Action) {
    if (!OnExecute) return false;
    bool handled = false;
    OnExecute(Action, handled);
    return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* Action) {
    if (!OnUpdate) return false;
    bool handled = false;
    OnUpdate(Action, handled);
    return handled;
}

void TCustomActionList::UpdateActions() {
    auto actions = actions_;
    for (auto* a : actions)
        if (IndexOf(a) >= 0) a->Update();
}

bool TCustomActionList::IsShortCut(TShortCut AShortCut) {
    if (AShortCut == scNone) return false;
    auto actions = actions_;
    for (auto* a : actions) {
        auto* ca = dynamic_cast<TCustomAction*>(a);
        if (!ca || ca->GetShortCut() != AShortCut || IndexOf(ca) < 0) continue;
        ca->Update();
        // A disabled action leaves the key to whoever else wants it.
        if (!ca->GetEnabled()) continue;
        ca->Execute();
        return true;
    }
    return false;
}

bool TCustomActionList::IsShortCut(const TMessage& Message) { return IsShortCut(ShortCutFromMessage(Message)); }

bool TCustomActionList::IsShortCut(WORD Key, TShiftState Shift) { return IsShortCut(ShortCut(Key, Shift)); }
