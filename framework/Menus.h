// Menus: menu items as components, the Win32 menus built from them, main menus, popup
// menus shown with TrackPopupMenu, owner drawing, and keyboard shortcuts.
#pragma once
#include "framework/Forms.h"
#include "framework/ImgList.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TMenu;
class TMenuItem;
class TPopupMenu;

VELMORA_EXCEPTION(EMenuError, Exception);

// ---------------------------------------------------------------------------------------
// Shortcuts: a virtual key in the low byte plus modifier bits.

using TShortCut = WORD;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

TShortCut ShortCut(WORD Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift);
// "F5", "Ctrl+X", "Shift+Del"; empty for scNone.
std::string ShortCutToText(TShortCut ShortCut);
// The reverse of ShortCutToText, ignoring case; scNone when the text is not a shortcut.
TShortCut TextToShortCut(const std::string& Text);
// The shortcut a WM_KEYDOWN / WM_SYSKEYDOWN stands for (modifiers from the keyboard now,
// Alt also from the key data); scNone for other messages.
TShortCut ShortCutFromMessage(const TMessage& Message);

// ---------------------------------------------------------------------------------------
// Owner drawing

enum class TOwnerDrawStateFlag {
    odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive,
    odNoAccel, odNoFocusRect
};
using enum TOwnerDrawStateFlag;
using TOwnerDrawState = TSet<TOwnerDrawStateFlag>;

using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State)>;
using TMenuChangeEvent = std::function<void(TObject* Sender, TMenuItem* Source, bool Rebuild)>;

// Access keys are only ever the ones the captions carry; the setting is kept for layouts.
enum class TMenuAutoFlag { maAutomatic, maManual, maParent };
DECLARE_ENUM_NAMES(TMenuAutoFlag, "maAutomatic", "maManual", "maParent");
using enum TMenuAutoFlag;

// ---------------------------------------------------------------------------------------
// The link between a menu item and its action. A property is linked while the item still
// holds the action's value, so a value the program wrote into the item itself wins.

class TMenuActionLink : public TActionLink {
    DECLARE_CLASS(TMenuActionLink, TActionLink)
    explicit TMenuActionLink(TObject* Client);
    TMenuItem* Client() const { return client_; }

    bool IsCaptionLinked() const override;
    bool IsCheckedLinked() const override;
    bool IsEnabledLinked() const override;
    bool IsHintLinked() const override;
    bool IsVisibleLinked() const override;
    bool IsImageIndexLinked() const override;
    bool IsHelpLinked() const override;
    bool IsOnExecuteLinked() const override;
    virtual bool IsShortCutLinked() const;
    virtual bool IsGroupIndexLinked() const;
    virtual bool IsAutoCheckLinked() const;

    void SetCaption(const std::string& value) override;
    void SetChecked(bool value) override;
    void SetEnabled(bool value) override;
    void SetHint(const std::string& value) override;
    void SetVisible(bool value) override;
    void SetImageIndex(int value) override;
    void SetHelpContext(int value) override;
    virtual void SetShortCut(TShortCut value);
    virtual void SetGroupIndex(int value);
    virtual void SetAutoCheck(bool value);

protected:
    void AssignClient(TObject* Client) override;
    TMenuItem* client_ = nullptr;
};

// ---------------------------------------------------------------------------------------
// TMenuItem: an entry of a menu; the items under it make its sub-menu. An item owned by a
// form is placed in its menu (or parent item) by the layout reader; an item the program
// creates is placed with Add or Insert. A parent frees the items still under it.

class TMenuItem : public TComponent {
    DECLARE_CLASS(TMenuItem, TComponent)
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    // --- the tree
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int Index) const;
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    // Removes and frees the item at Index.
    void Delete(int Index);
    // Takes Item out of this item without freeing it.
    void Remove(TMenuItem* Item);
    // Frees every sub-item.
    void Clear();
    int IndexOf(const TMenuItem* Item) const;
    // The sub-item whose caption, without access-key marks, equals Caption (ignoring case).
    TMenuItem* Find(const std::string& ACaption) const;
    TMenuItem* Parent() const { return parent_; }
    int MenuIndex() const;
    // The menu the item belongs to, through its parents; nullptr when it hangs free.
    TMenu* GetParentMenu() const;
    bool IsLine() const { return caption_ == "-"; }

    // --- the Win32 side
    // The item's sub-menu (built on demand); nullptr for an item without sub-items.
    HMENU Handle();
    // The WM_COMMAND identifier of the item.
    UINT Command() const { return command_; }

    // --- properties
    const std::string& GetCaption() const { return caption_; }
    void SetCaption(const std::string& Value);
    bool GetChecked() const { return checked_; }
    void SetChecked(bool Value);
    bool GetRadioItem() const { return radioItem_; }
    void SetRadioItem(bool Value);
    int GetGroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int Value);
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool Value);
    bool GetVisible() const { return visible_; }
    void SetVisible(bool Value);
    bool GetDefault() const { return default_; }
    void SetDefault(bool Value);
    bool GetAutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool Value);
    TShortCut GetShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut Value);
    int GetImageIndex() const { return imageIndex_; }
    void SetImageIndex(int Value);
    const std::string& GetHint() const { return hint_; }
    void SetHint(const std::string& Value);
    int GetHelpContext() const { return helpContext_; }
    void SetHelpContext(int Value) { helpContext_ = Value; }
    TMenuAutoFlag GetAutoHotkeys() const { return autoHotkeys_; }
    void SetAutoHotkeys(TMenuAutoFlag Value) { autoHotkeys_ = Value; }
    TBasicAction* GetAction() const;
    void SetAction(TBasicAction* Value);
    TMenuActionLink* ActionLink() const { return actionLink_.get(); }

    // Fires OnClick, or executes the action; AutoCheck toggles Checked first.
    virtual void Click();
    // Runs the action's update (OnUpdate) so the item shows its state.
    void InitiateAction();

    TNotifyEvent OnClick;
    TMenuMeasureItemEvent OnMeasureItem;
    TMenuDrawItemEvent OnDrawItem;
    TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

    // --- owner drawing (the menu calls these for an owner-drawn item)
    // Default: OnMeasureItem, else the caption and shortcut text in the canvas's font.
    virtual void MeasureItem(TCanvas* ACanvas, int& Width, int& Height);
    // Default: OnDrawItem, else the standard look.
    virtual void DrawItem(TCanvas* ACanvas, const TRect& ARect, bool Selected);
    // Default: OnAdvancedDrawItem, else DrawItem.
    virtual void AdvancedDrawItem(TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State, bool TopLevel);
    // True when the item draws itself through one of its draw events.
    bool HasDrawEvents() const { return OnMeasureItem || OnDrawItem || OnAdvancedDrawItem; }

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* Value) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    static void Publish(TClassBuilder<TMenuItem>& b);

protected:
    friend class TMenu;
    virtual void ActionChange(TObject* Sender, bool CheckDefaults);
    virtual TMenuActionLink* CreateActionLink();
    void DoActionChange(TObject* Sender);
    // Tells the menu that the item (or, with Rebuild, the tree) changed.
    void MenuChanged(bool Rebuild);
    void Destroying() override;

private:
    TMenuItem* Top();
    bool UsesOwnerDraw() const;
    // Fills handle_ again from the visible sub-items, recursively.
    void RebuildHandle();
    void ReleaseHandle();
    void TurnSiblingsOff();
    void DrawStandard(TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State, bool TopLevel);

    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr;         // set on a menu's root item
    HMENU handle_ = nullptr;
    bool dirty_ = true;             // meaningful on the root of a tree
    UINT command_ = 0;
    std::string caption_;
    bool checked_ = false;
    bool radioItem_ = false;
    int groupIndex_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    bool default_ = false;
    bool autoCheck_ = false;
    TShortCut shortCut_ = scNone;
    int imageIndex_ = -1;
    std::string hint_;
    int helpContext_ = 0;
    TMenuAutoFlag autoHotkeys_ = maParent;
    std::unique_ptr<TMenuActionLink> actionLink_;
};

// ---------------------------------------------------------------------------------------
// TMenu: a tree of items behind one Win32 menu.

enum class TFindItemKind { fkCommand, fkHandle, fkShortCut };

class TMenu : public TComponent {
    DECLARE_CLASS(TMenu, TComponent)
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;

    // The root item; its sub-items are the menu's entries.
    TMenuItem* Items() const { return items_; }
    // The Win32 menu, rebuilt from the items when they changed since it was last built.
    HMENU Handle();
    bool HandleAllocated() const;

    TCustomImageList* GetImages() const { return images_; }
    void SetImages(TCustomImageList* Value);
    bool GetOwnerDraw() const { return ownerDraw_; }
    virtual void SetOwnerDraw(bool Value);
    TMenuAutoFlag GetAutoHotkeys() const { return autoHotkeys_; }
    void SetAutoHotkeys(TMenuAutoFlag Value) { autoHotkeys_ = Value; }
    TBiDiMode GetBiDiMode() const { return bidiMode_; }
    void SetBiDiMode(TBiDiMode Value);

    TMenuItem* FindItem(UINT_PTR Value, TFindItemKind Kind) const;
    // Clicks the item with this command id; false when the menu has none.
    bool DispatchCommand(WORD ACommand);
    // A sub-menu opens: its item's OnClick runs, so the program can fill it.
    bool DispatchPopup(HMENU AHandle);
    // Runs the enabled item whose ShortCut the key message is; false when none is.
    bool IsShortCut(const TMessage& Message);
    bool IsShortCut(TShortCut AShortCut);
    // The messages a menu sends to the window that shows it (WM_COMMAND, WM_MEASUREITEM,
    // WM_DRAWITEM, WM_MENUSELECT, WM_INITMENUPOPUP) when they concern this menu's items:
    // handles them inside the exception barrier and returns true.
    bool HandleMenuMessage(TMessage& Message);

    // Told when an item was added, removed or changed.
    TMenuChangeEvent OnChange;

    // Owner drawing hooks: every owner-drawn item of this menu is measured and drawn
    // here, so a derived menu draws all its items in its own style.
    virtual void MeasureMenuItem(TMenuItem* Item, TCanvas* ACanvas, int& Width, int& Height);
    virtual void DrawMenuItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State);
    // Whether the items are built as owner-drawn (OwnerDraw, or an item with draw events).
    virtual bool IsOwnerDraw() const;
    // The font owner-drawn items are measured and drawn with (the system menu font).
    virtual void GetMenuFont(TFont* Font) const;
    // Whether the top level of this menu is a menu bar (owner drawing differs there).
    virtual bool IsMenuBar() const { return false; }

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;
    static void Publish(TClassBuilder<TMenu>& b);

protected:
    friend class TMenuItem;
    // Root item changed: marks the Win32 menu for rebuilding and fires OnChange.
    virtual void MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild);
    // Creates the empty Win32 menu of the root (a popup menu or a menu bar).
    virtual HMENU CreateMenuHandle();
    // After a rebuild (a main menu redraws its bar).
    virtual void HandleRebuilt() {}
    // The Win32 menu as built last (nullptr before the first build); never rebuilds.
    HMENU AllocatedHandle() const;
    TMenuItem* items_ = nullptr;

private:
    void MeasureMessage(MEASUREITEMSTRUCT& mis);
    void DrawMessage(DRAWITEMSTRUCT& dis);
    TCustomImageList* images_ = nullptr;
    std::unique_ptr<TChangeLink> imageLink_;
    bool ownerDraw_ = false;
    TMenuAutoFlag autoHotkeys_ = maAutomatic;
    TBiDiMode bidiMode_ = bdLeftToRight;
};

// ---------------------------------------------------------------------------------------
// TMainMenu: the menu bar of a window.

class TMainMenu : public TMenu, public IShortCutHandler {
    DECLARE_CLASS(TMainMenu, TMenu)
    explicit TMainMenu(TComponent* AOwner);
    // Shows this menu as the bar of Wnd (nullptr detaches it). When Wnd is one of our
    // controls, its menu messages come here through its WindowProc; a foreign window must
    // pass them to HandleMenuMessage itself.
    void SetWindowMenu(HWND Wnd);
    HWND WindowMenuHandle() const { return window_; }
    bool IsMenuBar() const override { return true; }
    using TMenu::IsShortCut;
    bool IsShortCut(WORD Key, TShiftState Shift) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
protected:
    // The bar a window shows is rebuilt at once.
    void MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) override;
    HMENU CreateMenuHandle() override;
    void HandleRebuilt() override;
    void Destroying() override;
private:
    struct THook;
    HWND window_ = nullptr;
    TWinControl* control_ = nullptr;
    std::shared_ptr<THook> hook_;
};

// ---------------------------------------------------------------------------------------
// TPopupMenu

enum class TPopupAlignment { paLeft, paRight, paCenter };
DECLARE_ENUM_NAMES(TPopupAlignment, "paLeft", "paRight", "paCenter");
using enum TPopupAlignment;

class TPopupMenu : public TMenu, public IPopupMenu {
    DECLARE_CLASS(TPopupMenu, TMenu)
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    // Shows the menu at a screen point and returns when it has closed; the chosen item's
    // click has run by then.
    virtual void Popup(int X, int Y);
    void PopupFor(TControl* Control, int X, int Y) override;
    bool AutoPopup() const override { return autoPopup_; }
    void SetAutoPopup(bool Value) { autoPopup_ = Value; }
    TPopupAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment Value) { alignment_ = Value; }
    // The component the menu was last popped up for.
    TComponent* PopupComponent = nullptr;
    TNotifyEvent OnPopup;

    // The hidden window that owns shown popup menus and passes their messages back.
    static HWND PopupWindow();

    // Called once while a popup menu is open and waiting for the user, with the menu's
    // window; a test answers the menu through it (keys posted to the menu window, or
    // EndMenu). Returns the previous hook. Without a hook nobody is asked.
    using TOpenMenuHook = std::function<void(TPopupMenu& Menu, HWND MenuWindow)>;
    static TOpenMenuHook SetOpenMenuHook(TOpenMenuHook Hook);

    static void Publish(TClassBuilder<TPopupMenu>& b);

protected:
    virtual void DoPopup(TObject* Sender);
    UINT TrackFlags() const;

private:
    bool autoPopup_ = true;
    TPopupAlignment alignment_ = paLeft;
};

// The popup menus alive now (the popup window dispatches to them).
const std::vector<TPopupMenu*>& PopupMenus();
