// Action lists and actions: commands with a caption, state and shortcut that menu items
// and controls show and run through their action links.
#pragma once
#include "framework/Menus.h"

#include <functional>
#include <string>
#include <vector>

class TCustomActionList;

using TActionEvent = std::function<void(TBasicAction* Action, bool& Handled)>;

// ---------------------------------------------------------------------------------------
// An action kept in an action list.

class TContainedAction : public TBasicAction {
    DECLARE_CLASS(TContainedAction, TBasicAction)
    explicit TContainedAction(TComponent* AOwner);
    ~TContainedAction() override;

    TCustomActionList* GetActionList() const { return actionList_; }
    void SetActionList(TCustomActionList* Value);
    const std::string& GetCategory() const { return category_; }
    void SetCategory(const std::string& Value);
    // The position in the action list; -1 outside one.
    int GetIndex() const;
    void SetIndex(int Value);

    // The list's OnExecute may handle the action first; then the action's own OnExecute.
    bool Execute() override;
    bool Update() override;

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;
    static void Publish(TClassBuilder<TContainedAction>& b);

protected:
    void Destroying() override;

private:
    friend class TCustomActionList;
    TCustomActionList* actionList_ = nullptr;
    std::string category_;
};

// ---------------------------------------------------------------------------------------
// An action with the properties its clients show. Every writer first offers the new value
// to each client link (which passes it on while the client still shows the old value),
// then stores it, then tells the clients that the action changed.

class TCustomAction : public TContainedAction {
    DECLARE_CLASS(TCustomAction, TContainedAction)
    explicit TCustomAction(TComponent* AOwner);

    bool HasClientProperties() const override { return true; }
    std::string GetCaption() const override { return caption_; }
    void SetCaption(const std::string& Value);
    bool GetChecked() const override { return checked_; }
    void SetChecked(bool Value);
    bool GetEnabled() const override { return enabled_; }
    void SetEnabled(bool Value);
    bool GetVisible() const override { return visible_; }
    void SetVisible(bool Value);
    std::string GetHint() const override { return hint_; }
    void SetHint(const std::string& Value);
    int GetImageIndex() const override { return imageIndex_; }
    void SetImageIndex(int Value);
    int GetHelpContext() const override { return helpContext_; }
    void SetHelpContext(int Value);
    TShortCut GetShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut Value);
    // Checked actions with the same non-zero GroupIndex in one list exclude each other.
    int GetGroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int Value);
    // Executing toggles Checked (a grouped action only turns itself on).
    bool GetAutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool Value);

    // Nothing runs while the action is disabled; returns whether a handler ran.
    bool Execute() override;

protected:
    template <class F> void ForEachLink(F&& f);

private:
    // Gives Value to the links of type Link first (they compare their client with the value
    // still stored), then stores it in field and reports the change.
    template <class T, class Link, class Arg>
    void SetLinked(T& field, const T& Value, void (Link::*setOnLink)(Arg));

private:
    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    std::string hint_;
    int imageIndex_ = -1;
    int helpContext_ = 0;
    TShortCut shortCut_ = scNone;
    int groupIndex_ = 0;
    bool autoCheck_ = false;
    bool checking_ = false;
};

class TAction : public TCustomAction {
    DECLARE_CLASS(TAction, TCustomAction)
    explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
    static void Publish(TClassBuilder<TAction>& b);
};

// ---------------------------------------------------------------------------------------
// Action lists

class TCustomActionList : public TComponent, public IShortCutHandler {
    DECLARE_CLASS(TCustomActionList, TComponent)
    explicit TCustomActionList(TComponent* AOwner);
    ~TCustomActionList() override;

    int ActionCount() const { return static_cast<int>(actions_.size()); }
    TContainedAction* Actions(int Index) const;
    int IndexOf(const TContainedAction* Action) const;
    void AddAction(TContainedAction* Action);
    void RemoveAction(TContainedAction* Action);

    TCustomImageList* GetImages() const { return images_; }
    void SetImages(TCustomImageList* Value);

    // Runs the first enabled action whose ShortCut the key message (or shortcut) is; false
    // when no action of the list has it.
    bool IsShortCut(const TMessage& Message);
    bool IsShortCut(TShortCut AShortCut);
    bool IsShortCut(WORD Key, TShiftState Shift) override;
    // The list's OnExecute / OnUpdate for one of its actions: true when handled.
    virtual bool ExecuteAction(TBasicAction* Action);
    virtual bool UpdateAction(TBasicAction* Action);
    // Runs OnUpdate of every action (the application calls it when idle).
    void UpdateActions();

    TActionEvent OnExecute;
    TActionEvent OnUpdate;
    TNotifyEvent OnChange;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    static void Publish(TClassBuilder<TCustomActionList>& b);

protected:
    virtual void Change();
    void Destroying() override;

private:
    friend class TContainedAction;
    std::vector<TContainedAction*> actions_;
    TCustomImageList* images_ = nullptr;
    std::unique_ptr<TChangeLink> imageLink_;
};

class TActionList : public TCustomActionList {
    DECLARE_CLASS(TActionList, TCustomActionList)
    explicit TActionList(TComponent* AOwner) : TCustomActionList(AOwner) {}
};
