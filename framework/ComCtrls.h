// Common controls: the list view (columns and items kept as our own objects), the tree
// view (nodes kept as our own tree), the picture combo box and a tool bar of caption
// buttons (ComCtrlsToolBar.cpp). The windows are
// superclasses of the system's classes, so subclasses see every message from creation on.
#pragma once
#include "framework/Controls.h"
#include "framework/ImgList.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TCustomListView;
class TListItems;
class TListItem;
class TListColumns;
class TCustomTreeView;
class TTreeNodes;
class TTreeNode;
class TCustomComboBoxEx;
class TMenu;
class TMenuItem;
class TToolBar;

// ---------------------------------------------------------------------------------------
// Shared enumerations

enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
DECLARE_ENUM_NAMES(TViewStyle, "vsIcon", "vsSmallIcon", "vsList", "vsReport");
using enum TViewStyle;

enum class TSortType { stNone, stData, stText, stBoth };
DECLARE_ENUM_NAMES(TSortType, "stNone", "stData", "stText", "stBoth");
using enum TSortType;

// The parts of an item DisplayRect measures (the list view's LVIR_* order).
enum class TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };
DECLARE_ENUM_NAMES(TDisplayCode, "drBounds", "drIcon", "drLabel", "drSelectBounds");
using enum TDisplayCode;

enum class TItemState { isNone, isCut, isDropHilited, isFocused, isSelected, isActivating };
DECLARE_ENUM_NAMES(TItemState, "isNone", "isCut", "isDropHilited", "isFocused", "isSelected", "isActivating");
using enum TItemState;
using TItemStates = TSet<TItemState>;

enum class TSearchDirection { sdLeft, sdRight, sdAbove, sdBelow, sdAll };
DECLARE_ENUM_NAMES(TSearchDirection, "sdLeft", "sdRight", "sdAbove", "sdBelow", "sdAll");
using enum TSearchDirection;

enum class TItemChange { ctText, ctImage, ctState };
DECLARE_ENUM_NAMES(TItemChange, "ctText", "ctImage", "ctState");
using enum TItemChange;

enum class TCustomDrawTarget { dtControl, dtItem, dtSubItem };
DECLARE_ENUM_NAMES(TCustomDrawTarget, "dtControl", "dtItem", "dtSubItem");
using enum TCustomDrawTarget;

enum class TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };
DECLARE_ENUM_NAMES(TCustomDrawStage, "cdPrePaint", "cdPostPaint", "cdPreErase", "cdPostErase");
using enum TCustomDrawStage;

enum class TCustomDrawStateFlag {
    cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused, cdsDefault, cdsHot, cdsMarked, cdsIndeterminate
};
DECLARE_ENUM_NAMES(TCustomDrawStateFlag, "cdsSelected", "cdsGrayed", "cdsDisabled", "cdsChecked", "cdsFocused",
                   "cdsDefault", "cdsHot", "cdsMarked", "cdsIndeterminate");
using enum TCustomDrawStateFlag;
using TCustomDrawState = TSet<TCustomDrawStateFlag>;

// Column widths that ask the list view to size the column.
constexpr int ColumnTextWidth = LVSCW_AUTOSIZE;
constexpr int ColumnHeaderWidth = LVSCW_AUTOSIZE_USEHEADER;

// ---------------------------------------------------------------------------------------
// List view columns

class TListColumn : public TCollectionItem {
    DECLARE_CLASS(TListColumn, TCollectionItem)
    explicit TListColumn(TCollection* collection);
    void Assign(TPersistent* Source) override;
    std::string DisplayName() const override;

    const std::string& GetCaption() const { return caption_; }
    void SetCaption(const std::string& value);
    // The width the user gave the column, while the window shows it.
    int GetWidth() const;
    void SetWidth(int value);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    int GetImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    // Auto-sized columns share the client width the fixed columns leave.
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    int GetMinWidth() const { return minWidth_; }
    void SetMinWidth(int value);
    int GetMaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int value);
    // Identifies the column to the window's list (addresses are reused).
    uint64_t Serial() const { return serial_; }

    static void Publish(TClassBuilder<TListColumn>& b);

private:
    friend class TListColumns;
    friend class TCustomListView;
    TCustomListView* ListView() const;
    int Clamp(int width) const;
    std::string caption_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    int imageIndex_ = -1;
    bool autoSize_ = false;
    int minWidth_ = 0;
    int maxWidth_ = 0;
    uint64_t serial_;
};

class TListColumns : public TCollection {
    DECLARE_CLASS(TListColumns, TCollection)
    explicit TListColumns(TCustomListView* owner);
    TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
    TListColumn* Items(int index) const { return static_cast<TListColumn*>(TCollection::Items(index)); }
    TListColumn* operator[](int index) const { return Items(index); }
    TCustomListView* Owner() const { return owner_; }
    TPersistent* GetOwner() const override;

protected:
    void Update(TCollectionItem* item) override;

private:
    friend class TCustomListView;
    friend class TListColumn;
    TCustomListView* owner_;
    std::vector<uint64_t> shown_;   // the columns the window holds, in its order
};

// ---------------------------------------------------------------------------------------
// List view items

// The sub-item texts of an item: sub-item k is column k + 1. Writes go to the window.
class TSubItems : public TStrings {
    DECLARE_CLASS(TSubItems, TStrings)
    explicit TSubItems(TListItem* owner) : owner_(owner) {}
    int Count() const override { return static_cast<int>(items_.size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* obj) override;
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
    void Clear() override;

private:
    friend class TListItem;
    struct Entry { std::string Text; TObject* Obj = nullptr; };
    void CheckIndex(int index) const;
    // Pushes sub-items from..Count and clears the column after the last.
    void PushFrom(int from, int clearedCount);
    TListItem* owner_;
    std::vector<Entry> items_;
};

class TListItem : public TPersistent {
    DECLARE_CLASS(TListItem, TPersistent)
    explicit TListItem(TListItems* owner);
    ~TListItem() override;
    void Assign(TPersistent* Source) override;

    TListItems* Owner() const { return owner_; }
    TCustomListView* ListView() const;
    int Index() const;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    TStrings* SubItems() const { return subItems_.get(); }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    // The state image, 0-based (the window's state image index - 1); -1 for none.
    int StateIndex() const;
    void SetStateIndex(int value);
    int Indent() const { return indent_; }
    void SetIndent(int value);
    intptr_t Data() const { return data_; }
    void SetData(intptr_t value) { data_ = value; }

    // The check box state (state image 2 checked, 1 unchecked).
    bool Checked() const;
    void SetChecked(bool value);
    bool Selected() const;
    void SetSelected(bool value);
    bool Focused() const;
    void SetFocused(bool value);
    bool Cut() const;
    void SetCut(bool value);
    bool DropTarget() const;
    void SetDropTarget(bool value);

    // In client coordinates; an empty rectangle while the window does not exist.
    TRect DisplayRect(TDisplayCode Code) const;
    // A cell of the report view (SubItem 0 is the caption's column).
    TRect DisplayRectSubItem(int SubItem, TDisplayCode Code) const;
    TPoint GetPosition() const;
    void SetPosition(TPoint value);
    void Delete();
    void MakeVisible(bool PartialOK);
    // Redraws the item.
    void Update();
    bool EditCaption();
    void CancelEdit();

private:
    friend class TListItems;
    friend class TSubItems;
    friend class TCustomListView;
    bool HasWindow() const;
    HWND Wnd() const;
    UINT GetState(UINT mask) const;
    void SetState(UINT mask, UINT value);
    void PushText(int subItem, const std::string& text) const;

    TListItems* owner_;
    int index_ = -1;
    std::string caption_;
    std::unique_ptr<TSubItems> subItems_;
    int imageIndex_ = -1;
    int indent_ = 0;
    intptr_t data_ = 0;
    // Selection, focus, cut, drop highlight and the state image while there is no window.
    UINT state_ = 0;
};

class TListItems : public TPersistent {
    DECLARE_CLASS(TListItems, TPersistent)
    explicit TListItems(TCustomListView* owner);
    ~TListItems() override;
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override;

    TCustomListView* Owner() const { return owner_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TListItem* Item(int index) const;
    TListItem* operator[](int index) const { return Item(index); }
    int IndexOf(const TListItem* item) const;

    TListItem* Add();
    TListItem* Insert(int index);
    // Puts an item made beforehand for this list (its caption, sub-items, image and data
    // already set) at index (-1: the end) with one insertion into the window, where Add and
    // the setters would send a message per property. EListError for an item of another
    // list or one already in a list.
    TListItem* AddItem(std::unique_ptr<TListItem> Item, int Index = -1);
    void Delete(int index);
    void Clear();
    // Nested; the window is not redrawn and automatic sorting waits until the last end.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

private:
    friend class TListItem;
    friend class TCustomListView;
    void Renumber(int from);
    void InsertIntoWindow(TListItem* item) const;
    TCustomListView* owner_;
    std::vector<std::unique_ptr<TListItem>> items_;
    int updateCount_ = 0;
};

// ---------------------------------------------------------------------------------------
// The list view

using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVChangingEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change, bool& AllowChange)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, std::string& S)>;
using TLVInfoTipEvent = std::function<void(TObject* Sender, TListItem* Item, std::string& InfoTip)>;
using TLVCompareEvent = std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, intptr_t Data, int& Compare)>;
using TLVCustomDrawEvent = std::function<void(TCustomListView* Sender, const TRect& ARect, bool& DefaultDraw)>;
using TLVCustomDrawItemEvent =
    std::function<void(TCustomListView* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw)>;
using TLVCustomDrawSubItemEvent = std::function<void(TCustomListView* Sender, TListItem* Item, int SubItem,
                                                     TCustomDrawState State, bool& DefaultDraw)>;
// A comparison for CustomSort: negative, zero or positive as Item1 sorts before, with or after Item2.
using TLVCompare = std::function<int(TListItem* Item1, TListItem* Item2, intptr_t Data)>;

class TCustomListView : public TWinControl {
    DECLARE_CLASS(TCustomListView, TWinControl)
    explicit TCustomListView(TComponent* AOwner);
    ~TCustomListView() override;

    TListItems* Items() const { return items_.get(); }
    TListColumns* Columns() const { return columns_.get(); }
    TListColumn* Column(int index) const { return columns_->Items(index); }
    TCanvas* Canvas() const { return canvas_.get(); }
    // The header of the report view (created by the list view with its window).
    HWND GetHeaderHandle();

    TViewStyle GetViewStyle() const { return viewStyle_; }
    // Switched in place: the window and the image lists it holds stay.
    virtual void SetViewStyle(TViewStyle value);
    bool GetRowSelect() const { return rowSelect_; }
    void SetRowSelect(bool value);
    bool GetGridLines() const { return gridLines_; }
    void SetGridLines(bool value);
    bool GetCheckboxes() const { return checkboxes_; }
    void SetCheckboxes(bool value);
    bool GetHotTrack() const { return hotTrack_; }
    void SetHotTrack(bool value);
    bool GetHideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    bool GetMultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool GetShowColumnHeaders() const { return showColumnHeaders_; }
    void SetShowColumnHeaders(bool value);
    bool GetColumnClick() const { return columnClick_; }
    void SetColumnClick(bool value);
    TBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    TSortType GetSortType() const { return sortType_; }
    void SetSortType(TSortType value);

    TCustomImageList* GetSmallImages() const { return smallImages_; }
    void SetSmallImages(TCustomImageList* value);
    TCustomImageList* GetLargeImages() const { return largeImages_; }
    void SetLargeImages(TCustomImageList* value);
    TCustomImageList* GetStateImages() const { return stateImages_; }
    void SetStateImages(TCustomImageList* value);

    // The first selected item, or nullptr.
    TListItem* Selected() const;
    void SetSelected(TListItem* value);
    TListItem* ItemFocused() const;
    void SetItemFocused(TListItem* value);
    int SelCount() const;
    void ClearSelection();
    void SelectAll();
    // The next item from StartItem (nullptr: from the start) in Direction with all of States.
    TListItem* GetNextItem(TListItem* StartItem, TSearchDirection Direction, TItemStates States) const;
    // The item at a client point (any cell of its row in the report view), or nullptr.
    TListItem* GetItemAt(int X, int Y) const;
    TListItem* TopItem() const;
    int VisibleRowCount() const;
    void Scroll(int DX, int DY);
    bool IsEditing() const;

    // Sorts through the window with compare (nullptr: OnCompare, else by SortType).
    // An exception from the comparison ends the sort and is raised again here, after the
    // list view has returned.
    bool CustomSort(const TLVCompare& compare, intptr_t Data);
    bool AlphaSort() { return CustomSort(nullptr, 0); }

    TLVColumnClickEvent OnColumnClick;
    TLVSelectItemEvent OnSelectItem;
    TLVChangeEvent OnChange;
    TLVChangingEvent OnChanging;
    TLVDeletedEvent OnDeletion;
    TLVDeletedEvent OnInsert;
    TLVEditingEvent OnEditing;
    TLVEditedEvent OnEdited;
    TLVInfoTipEvent OnInfoTip;
    TLVCompareEvent OnCompare;
    TLVCustomDrawEvent OnCustomDraw;
    TLVCustomDrawItemEvent OnCustomDrawItem;
    TLVCustomDrawSubItemEvent OnCustomDrawSubItem;

    static void Publish(TClassBuilder<TCustomListView>& b);
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Resize() override;

    // Whether the control wants the custom-draw calls of Target at Stage; the events'
    // presence by default (pre-paint only).
    virtual bool IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage);
    // Each returns DefaultDraw. Changes of Canvas->Font and Canvas->Brush->Color made
    // in them are applied to the item (or cell) the list view draws next.
    virtual bool CustomDraw(const TRect& ARect, TCustomDrawStage Stage);
    virtual bool CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage);
    virtual bool CustomDrawSubItem(TListItem* Item, int SubItem, TCustomDrawState State, TCustomDrawStage Stage);

    virtual void ColClick(TListColumn* Column);
    virtual void DoSelectItem(TListItem* Item, bool Selected);
    virtual void Change(TListItem* Item, TItemChange Change);
    virtual bool CanChange(TListItem* Item, TItemChange Change);
    virtual void Delete(TListItem* Item);
    virtual void InsertItem(TListItem* Item);
    virtual bool CanEdit(TListItem* Item);
    virtual void Edit(TListItem* Item, std::string& S);
    virtual void DoInfoTip(TListItem* Item, std::string& InfoTip);
    virtual int DoCompare(TListItem* Item1, TListItem* Item2, intptr_t Data);

    // The list view's window styles and extended styles from the properties.
    DWORD ListStyles() const;
    DWORD ListExStyles() const;
    // Applies a style change to the live window.
    void UpdateStyles();
    void UpdateExStyles();

    // The item behind a notification's index (nullptr when out of range).
    TListItem* ItemFromIndex(int index) const;

private:
    friend class TListItems;
    friend class TListItem;
    friend class TListColumns;
    friend class TListColumn;
    void CNNotify(TMessage& Message);
    LRESULT LVNItemChanging(const NMLISTVIEW& nm);
    void LVNItemChanged(const NMLISTVIEW& nm);
    void LVNColumnClick(const NMLISTVIEW& nm);
    LRESULT LVNBeginLabelEdit(const NMLVDISPINFOA& nm);
    LRESULT LVNEndLabelEdit(const NMLVDISPINFOA& nm);
    void LVNGetInfoTip(NMLVGETINFOTIPA& tip);
    void LVNGetInfoTip(NMLVGETINFOTIPW& tip);
    // Lets OnInfoTip change text for the item at index; true when it did.
    bool ChangeInfoTip(int index, std::string& text);
    // result: the CDRF_* answer for the stage.
    void CNCustomDraw(NMLVCUSTOMDRAW* cd, LRESULT& result);
    LRESULT CustomDrawPrePaint(NMLVCUSTOMDRAW* cd);
    void CustomDrawPostPaint(NMLVCUSTOMDRAW* cd);
    LRESULT CustomDrawItemPrePaint(NMLVCUSTOMDRAW* cd);
    void CustomDrawItemPostPaint(NMLVCUSTOMDRAW* cd);
    LRESULT CustomDrawSubItemPrePaint(NMLVCUSTOMDRAW* cd);
    void CustomDrawSubItemPostPaint(NMLVCUSTOMDRAW* cd);
    TListItem* DrawnItem(const NMLVCUSTOMDRAW* cd) const;
    static TCustomDrawState DrawnState(const NMLVCUSTOMDRAW* cd);
    // The whole control's custom draw at Stage; false skips the default drawing.
    bool DrawWhole(NMLVCUSTOMDRAW* cd, TCustomDrawStage Stage);
    // One cell (an item or a sub-item) drawn by draw, from startFont; see BeginCellDraw.
    template <class F>
    LRESULT DrawCell(NMLVCUSTOMDRAW* cd, TFont* startFont, HFONT baseFont, F&& draw);
    void HeaderNotify(NMHDR* hdr, bool& clamped);
    void SyncColumns();
    void PushColumn(TListColumn* column, int index, bool insert);
    void AutoSizeColumns();
    void SetImageList(TCustomImageList*& field, TCustomImageList* value, int which);
    void ApplyImageList(int which);
    void ApplyColors();
    void SortIfNeeded();
    void ReadOrderFromWindow();
    // A cell starts from font (the control's or the item's) and brush colour; the end
    // selects what the handler left into the DC and sets the cell's colours.
    void BeginCellDraw(HDC dc, TFont* font);
    LRESULT EndCellDraw(HDC dc, NMLVCUSTOMDRAW* cd, bool defaultDraw, HFONT baseFont);
    bool CellFontChanged() const;
    static int CALLBACK SortProc(LPARAM Item1, LPARAM Item2, LPARAM Context);

    std::unique_ptr<TListItems> items_;
    std::unique_ptr<TListColumns> columns_;
    std::unique_ptr<TControlCanvas> canvas_;
    // One per list (LVSIL_NORMAL, LVSIL_SMALL, LVSIL_STATE): a link has one sender.
    std::unique_ptr<TChangeLink> imageLinks_[3];
    TViewStyle viewStyle_ = vsIcon;
    bool rowSelect_ = false;
    bool gridLines_ = false;
    bool checkboxes_ = false;
    bool hotTrack_ = false;
    bool hideSelection_ = true;
    bool multiSelect_ = false;
    bool readOnly_ = false;
    bool showColumnHeaders_ = true;
    bool columnClick_ = true;
    TBorderStyle borderStyle_ = bsSingle;
    TSortType sortType_ = stNone;
    bool sortPending_ = false;
    TCustomImageList* smallImages_ = nullptr;
    TCustomImageList* largeImages_ = nullptr;
    TCustomImageList* stateImages_ = nullptr;
    // Image lists the window held when it was destroyed (set by raw messages, too).
    HIMAGELIST savedLists_[3] = {nullptr, nullptr, nullptr};
    bool autoSizing_ = false;
    // Custom draw: the canvas snapshot a cell starts from, to see what a handler changed.
    struct TCellStart { std::string FontName; int FontHeight; TFontStyles FontStyle; TColor FontColor; TColor BrushColor; };
    TCellStart cellStart_{};
    COLORREF itemText_ = CLR_DEFAULT, itemTextBk_ = CLR_DEFAULT;
    // The font an item handler chose, kept for the item's cells.
    std::unique_ptr<TFont> itemFont_;
    bool itemFontSet_ = false;
    // Items are put back into a new window: no change events for that.
    bool restoring_ = false;
};

class TListView : public TCustomListView {
    DECLARE_CLASS(TListView, TCustomListView)
    using TCustomListView::TCustomListView;
};

// ---------------------------------------------------------------------------------------
// Tree view nodes

enum class TNodeAttachMode { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };
DECLARE_ENUM_NAMES(TNodeAttachMode, "naAdd", "naAddFirst", "naAddChild", "naAddChildFirst", "naInsert");
using enum TNodeAttachMode;

class TTreeNode : public TPersistent {
    DECLARE_CLASS(TTreeNode, TPersistent)
    explicit TTreeNode(TTreeNodes* owner);
    ~TTreeNode() override;
    void Assign(TPersistent* Source) override;

    TTreeNodes* Owner() const { return owner_; }
    TCustomTreeView* TreeView() const;
    HTREEITEM ItemId() const { return item_; }

    const std::string& Text() const { return text_; }
    void SetText(const std::string& value);
    // Shows value exactly (the tree itself holds any characters); Text() becomes its
    // code-page form. For names the code page can't hold; SetText shows 8-bit text again.
    void SetShownText(const std::wstring& value);
    void* Data() const { return data_; }
    void SetData(void* value) { data_ = value; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    void SetSelectedIndex(int value);
    // The state image index as the window keeps it (0: none).
    int StateIndex() const { return stateIndex_; }
    void SetStateIndex(int value);

    TTreeNode* Parent() const { return parent_; }
    int Count() const { return static_cast<int>(children_.size()); }
    TTreeNode* Item(int index) const;
    bool HasChildren() const;
    void SetHasChildren(bool value);
    TTreeNode* getFirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    // Depth first: the first child, else the next sibling of this or of an ancestor.
    TTreeNode* GetNext() const;
    TTreeNode* GetPrev() const;
    int Level() const;
    // Among its siblings.
    int Index() const;
    // In depth-first order over the whole tree.
    int AbsoluteIndex() const;
    bool HasAsParent(const TTreeNode* node) const;

    bool Expanded() const;
    void SetExpanded(bool value);
    void Expand(bool Recurse);
    void Collapse(bool Recurse);
    bool Selected() const;
    void SetSelected(bool value);
    // Selected while the tree has the focus.
    bool Focused() const;
    bool IsVisible() const;
    void MakeVisible();
    // The node's row, or only its text; empty while the window does not exist.
    TRect DisplayRect(bool TextOnly) const;
    bool EditText();
    void EndEdit(bool Cancel);
    void Delete();
    void DeleteChildren();

private:
    friend class TTreeNodes;
    friend class TCustomTreeView;
    bool HasWindow() const;
    HWND Wnd() const;
    void PushItem(UINT mask) const;

    TTreeNodes* owner_;
    TTreeNode* parent_ = nullptr;
    std::vector<std::unique_ptr<TTreeNode>> children_;
    HTREEITEM item_ = nullptr;
    std::string text_;
    std::wstring shownText_;   // what the window shows instead of text_, when set
    void* data_ = nullptr;
    int imageIndex_ = -1;
    int selectedIndex_ = -1;
    int stateIndex_ = -1;
    bool expanded_ = false;
    bool hasChildren_ = false;
    int absIndex_ = -1;
};

class TTreeNodes : public TPersistent {
    DECLARE_CLASS(TTreeNodes, TPersistent)
    explicit TTreeNodes(TCustomTreeView* owner);
    ~TTreeNodes() override;
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override;
    TCustomTreeView* Owner() const { return owner_; }

    // Every node of the tree.
    int Count() const;
    // By depth-first position.
    TTreeNode* Item(int index) const;
    TTreeNode* operator[](int index) const { return Item(index); }
    TTreeNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
    int RootCount() const { return static_cast<int>(roots_.size()); }
    TTreeNode* GetNodeFromItem(HTREEITEM item) const;

    // Last among Sibling's siblings (top level when Sibling is nullptr).
    TTreeNode* Add(TTreeNode* Sibling, const std::string& S);
    TTreeNode* AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr);
    TTreeNode* AddFirst(TTreeNode* Sibling, const std::string& S);
    TTreeNode* AddObjectFirst(TTreeNode* Sibling, const std::string& S, void* Ptr);
    // Last child of Parent (top level when Parent is nullptr).
    TTreeNode* AddChild(TTreeNode* Parent, const std::string& S);
    TTreeNode* AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr);
    TTreeNode* AddChildFirst(TTreeNode* Parent, const std::string& S);
    TTreeNode* AddChildObjectFirst(TTreeNode* Parent, const std::string& S, void* Ptr);
    // Before Sibling (last at the top level when Sibling is nullptr).
    TTreeNode* Insert(TTreeNode* Sibling, const std::string& S);
    TTreeNode* InsertObject(TTreeNode* Sibling, const std::string& S, void* Ptr);
    // Deletes node with its subtree.
    void Delete(TTreeNode* Node);
    void Clear();
    void BeginUpdate();
    void EndUpdate();

private:
    friend class TTreeNode;
    friend class TCustomTreeView;
    TTreeNode* InternalAdd(TTreeNode* parent, int position, const std::string& S, void* Ptr);
    using TNodeList = std::vector<std::unique_ptr<TTreeNode>>;
    TNodeList& SiblingsOf(const TTreeNode* parent) const {
        return parent ? const_cast<TTreeNode*>(parent)->children_ : const_cast<TNodeList&>(roots_);
    }
    void InsertIntoWindow(TTreeNode* node, bool withChildren);
    void ForgetWindow(TTreeNode* node);
    void FireDeletion(TTreeNode* node);
    void Changed() { flatDirty_ = true; }
    void BuildFlat() const;

    TCustomTreeView* owner_;
    TNodeList roots_;
    std::unordered_map<HTREEITEM, TTreeNode*> byItem_;
    mutable std::vector<TTreeNode*> flat_;
    mutable bool flatDirty_ = true;
    int updateCount_ = 0;
};

// ---------------------------------------------------------------------------------------
// The tree view

enum class THitTest {
    htAbove, htBelow, htNowhere, htOnItem, htOnButton, htOnIcon, htOnIndent, htOnLabel, htOnRight,
    htOnStateIcon, htToLeft, htToRight
};
DECLARE_ENUM_NAMES(THitTest, "htAbove", "htBelow", "htNowhere", "htOnItem", "htOnButton", "htOnIcon", "htOnIndent",
                   "htOnLabel", "htOnRight", "htOnStateIcon", "htToLeft", "htToRight");
using enum THitTest;
using THitTests = TSet<THitTest>;

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, std::string& S)>;

class TCustomTreeView : public TWinControl {
    DECLARE_CLASS(TCustomTreeView, TWinControl)
    explicit TCustomTreeView(TComponent* AOwner);
    ~TCustomTreeView() override;

    TTreeNodes* Items() const { return items_.get(); }
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* value);
    TTreeNode* TopItem() const;
    TTreeNode* GetNodeAt(int X, int Y) const;
    THitTests GetHitTestInfoAt(int X, int Y) const;
    void FullExpand();
    void FullCollapse();
    bool IsEditing() const;
    void BeginUpdate() { items_->BeginUpdate(); }
    void EndUpdate() { items_->EndUpdate(); }

    TCustomImageList* GetImages() const { return images_; }
    void SetImages(TCustomImageList* value);
    TCustomImageList* GetStateImages() const { return stateImages_; }
    void SetStateImages(TCustomImageList* value);
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool GetShowLines() const { return showLines_; }
    void SetShowLines(bool value);
    bool GetShowRoot() const { return showRoot_; }
    void SetShowRoot(bool value);
    bool GetShowButtons() const { return showButtons_; }
    void SetShowButtons(bool value);
    bool GetHideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    bool GetRowSelect() const { return rowSelect_; }
    void SetRowSelect(bool value);
    bool GetHotTrack() const { return hotTrack_; }
    void SetHotTrack(bool value);
    int GetIndent() const;
    void SetIndent(int value);
    TBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);

    TTVChangedEvent OnChange;
    TTVChangingEvent OnChanging;
    TTVExpandingEvent OnExpanding;
    TTVCollapsingEvent OnCollapsing;
    TTVExpandedEvent OnExpanded;
    TTVExpandedEvent OnCollapsed;
    TTVExpandedEvent OnDeletion;
    TTVEditingEvent OnEditing;
    TTVEditedEvent OnEdited;

    static void Publish(TClassBuilder<TCustomTreeView>& b);
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    DWORD TreeStyles() const;
    void UpdateStyles();

    virtual bool CanChange(TTreeNode* Node);
    virtual void Change(TTreeNode* Node);
    virtual bool CanExpand(TTreeNode* Node);
    virtual bool CanCollapse(TTreeNode* Node);
    virtual void Expanded(TTreeNode* Node);
    virtual void Collapsed(TTreeNode* Node);
    virtual void Delete(TTreeNode* Node);
    virtual bool CanEdit(TTreeNode* Node);
    virtual void Edit(TTreeNode* Node, std::string& S);

private:
    friend class TTreeNodes;
    friend class TTreeNode;
    void CNNotify(TMessage& Message);
    void SetImageList(TCustomImageList*& field, TCustomImageList* value, int which);
    void ApplyImageList(int which);
    void ApplyColors();
    TTreeNode* NodeFromItem(HTREEITEM item) const { return items_->GetNodeFromItem(item); }

    std::unique_ptr<TTreeNodes> items_;
    std::unique_ptr<TChangeLink> imageLinks_[2];   // Images, StateImages
    TCustomImageList* images_ = nullptr;
    TCustomImageList* stateImages_ = nullptr;
    HIMAGELIST savedLists_[2] = {nullptr, nullptr};
    bool readOnly_ = false;
    bool showLines_ = true;
    bool showRoot_ = true;
    bool showButtons_ = true;
    bool hideSelection_ = true;
    bool rowSelect_ = false;
    bool hotTrack_ = false;
    int indent_ = 0;   // 0: the window's own
    TBorderStyle borderStyle_ = bsSingle;
    TTreeNode* savedSelected_ = nullptr;
};

class TTreeView : public TCustomTreeView {
    DECLARE_CLASS(TTreeView, TCustomTreeView)
    using TCustomTreeView::TCustomTreeView;
};

// ---------------------------------------------------------------------------------------
// The picture combo box

enum class TComboBoxExStyle { csExDropDown, csExSimple, csExDropDownList };
DECLARE_ENUM_NAMES(TComboBoxExStyle, "csExDropDown", "csExSimple", "csExDropDownList");
using enum TComboBoxExStyle;

class TComboExItem : public TCollectionItem {
    DECLARE_CLASS(TComboExItem, TCollectionItem)
    explicit TComboExItem(TCollection* collection);
    void Assign(TPersistent* Source) override;
    std::string DisplayName() const override { return caption_; }

    const std::string& GetCaption() const { return caption_; }
    void SetCaption(const std::string& value);
    int GetImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    int GetSelectedImageIndex() const { return selectedImageIndex_; }
    void SetSelectedImageIndex(int value);
    int GetOverlayImageIndex() const { return overlayImageIndex_; }
    void SetOverlayImageIndex(int value);
    int GetIndent() const { return indent_; }
    void SetIndent(int value);
    intptr_t GetData() const { return data_; }
    void SetData(intptr_t value);
    uint64_t Serial() const { return serial_; }

    static void Publish(TClassBuilder<TComboExItem>& b);

private:
    friend class TComboExItems;
    std::string caption_;
    int imageIndex_ = -1;
    int selectedImageIndex_ = -1;
    int overlayImageIndex_ = -1;
    int indent_ = 0;
    intptr_t data_ = 0;
    uint64_t serial_;
};

class TComboExItems : public TCollection {
    DECLARE_CLASS(TComboExItems, TCollection)
    explicit TComboExItems(TCustomComboBoxEx* owner);
    TComboExItem* Add() { return static_cast<TComboExItem*>(TCollection::Add()); }
    TComboExItem* AddItem(const std::string& Caption, int ImageIndex, int SelectedImageIndex, int OverlayImageIndex,
                          int Indent, intptr_t Data);
    TComboExItem* Items(int index) const { return static_cast<TComboExItem*>(TCollection::Items(index)); }
    TComboExItem* operator[](int index) const { return Items(index); }
    TPersistent* GetOwner() const override;

protected:
    void Update(TCollectionItem* item) override;

private:
    friend class TCustomComboBoxEx;
    void Sync();
    void Push(TComboExItem* item, int index, bool insert) const;
    TCustomComboBoxEx* owner_;
    std::vector<uint64_t> shown_;
};

// The captions of ItemsEx as a string list.
class TComboExStrings : public TStrings {
    DECLARE_CLASS(TComboExStrings, TStrings)
    explicit TComboExStrings(TComboExItems* items) : items_(items) {}
    int Count() const override { return items_->Count(); }
    std::string Get(int index) const override { return items_->Items(index)->GetCaption(); }
    void Put(int index, const std::string& s) override { items_->Items(index)->SetCaption(s); }
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* obj) override;
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override { items_->Delete(index); }
    void Clear() override { items_->Clear(); }
private:
    TComboExItems* items_;
};

class TCustomComboBoxEx : public TWinControl {
    DECLARE_CLASS(TCustomComboBoxEx, TWinControl)
    explicit TCustomComboBoxEx(TComponent* AOwner);
    ~TCustomComboBoxEx() override;

    TComboExItems* GetItemsEx() const { return itemsEx_.get(); }
    TStrings* Items() const { return strings_.get(); }
    // The inner combo box and its edit (the drop-down style's).
    HWND ComboHandle();
    HWND EditHandle();

    TComboBoxExStyle GetStyle() const { return style_; }
    void SetStyle(TComboBoxExStyle value);
    TCustomImageList* GetImages() const { return images_; }
    void SetImages(TCustomImageList* value);
    int GetItemHeight() const;
    void SetItemHeight(int value);
    int GetDropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int value);
    // Setting it by code never runs OnChange.
    int GetItemIndex() const;
    void SetItemIndex(int value);
    bool GetDroppedDown() const;
    void SetDroppedDown(bool value);

    void Clear();
    void AddItem(const std::string& Caption, intptr_t Data);

    // A choice of the user (CBN_SELCHANGE), and edits of the text in the drop-down style.
    TNotifyEvent OnChange;
    // A choice of the user; when assigned, OnChange is left to text edits.
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

    static void Publish(TClassBuilder<TCustomComboBoxEx>& b);
    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void Change();
    virtual void Select();

private:
    friend class TComboExItems;
    void ApplyImages();
    std::unique_ptr<TComboExItems> itemsEx_;
    std::unique_ptr<TComboExStrings> strings_;
    std::unique_ptr<TChangeLink> imageChangeLink_;
    TComboBoxExStyle style_ = csExDropDown;
    bool settingIndex_ = false;
    TCustomImageList* images_ = nullptr;
    int itemHeight_ = 0;   // 0: the window's own
    int dropDownCount_ = 8;
    int itemIndex_ = -1;   // while there is no window
};

class TComboBoxEx : public TCustomComboBoxEx {
    DECLARE_CLASS(TComboBoxEx, TCustomComboBoxEx)
    using TCustomComboBoxEx::TCustomComboBoxEx;
};

// ---------------------------------------------------------------------------------------
// Tool bar: a row of flat caption buttons, painted by the bar (and its custom-draw
// events). A button bound to a menu item drops the item's sub-menu down below itself, so a
// bar of such buttons serves as a window's menu bar.

class TToolButton : public TGraphicControl {
    DECLARE_CLASS(TToolButton, TGraphicControl)
    explicit TToolButton(TComponent* AOwner);
    ~TToolButton() override;

    TToolBar* ToolBar() const;
    bool GetGrouped() const { return grouped_; }
    void SetGrouped(bool v) { grouped_ = v; }
    TMenuItem* GetMenuItem() const { return menuItem_; }
    // Takes the item's caption and enabled state; pressing the button then drops the
    // item's sub-menu down, or clicks an item that has none.
    void SetMenuItem(TMenuItem* v);
    // Sized to the caption (the bar's ButtonHeight high).
    void SetAutoSize(bool v) override;
    bool Hot() const;
    bool Pressed() const;
    void Click() override;

    static void Publish(TClassBuilder<TToolButton>& b);
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WndProc(TMessage& Message) override;

protected:
    void Paint() override;
    void AdjustSize() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    friend class TToolBar;
    bool grouped_ = false;
    TMenuItem* menuItem_ = nullptr;
};

using TTBCustomDrawEvent = std::function<void(TToolBar* Sender, const TRect& ARect, bool& DefaultDraw)>;
// Canvas has its origin at the button's top-left corner.
using TTBCustomDrawBtnEvent = std::function<void(TToolBar* Sender, TToolButton* Button, TCanvas* Canvas,
                                                 TCustomDrawState State, bool& DefaultDraw)>;

class TToolBar : public TCustomControl {
    DECLARE_CLASS(TToolBar, TCustomControl)
    explicit TToolBar(TComponent* AOwner);
    ~TToolBar() override;

    // The buttons in the order the bar shows them.
    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TToolButton* Buttons(int index) const { return buttons_.at(static_cast<size_t>(index)); }
    int GetButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int v);
    bool GetShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool v);
    // Buttons that don't fit the width go on to another row.
    bool GetWrapable() const { return wrapable_; }
    void SetWrapable(bool v);
    // The bar's height follows its rows of buttons.
    void SetAutoSize(bool v) override;
    // The button whose menu is down, or nullptr.
    TToolButton* DroppedButton() const { return dropped_; }
    // Drops the button's sub-menu down and returns when the menu has closed (after the
    // chosen item's click). Moving the pointer onto another menu button, or Left and Right
    // on the top level, switches to that button's menu.
    void DropDown(TToolButton* Button);
    TToolButton* ButtonAtScreen(TPoint ScreenPos) const;

    TTBCustomDrawEvent OnCustomDraw;
    TTBCustomDrawBtnEvent OnCustomDrawButton;

    // Called once while a dropped-down menu waits for the user, with the menu's window; a
    // test answers the menu through it. Returns the previous hook.
    using TDropDownHook = std::function<void(TToolBar& Bar, HWND MenuWindow)>;
    static TDropDownHook SetDropDownHook(TDropDownHook Hook);

    static void Publish(TClassBuilder<TToolBar>& b);
    void WndProc(TMessage& Message) override;

protected:
    friend class TToolButton;
    void Paint() override;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void CustomAlignPosition(TControl* Control, int& NewLeft, int& NewTop, int& NewWidth, int& NewHeight,
                             TRect& AlignRect) override;
    // The default look of a button: a flat frame while hot or pressed, the caption centred.
    virtual void DrawButton(TToolButton* Button, TCanvas& Canvas);

public:
    // The menu loop's message filter reaches the bar that is dropping a menu through these.
    struct TTracking;
    // A message of the menu loop; true when it was used.
    bool MenuLoopMessage(const MSG& Msg);

private:
    void ButtonInserted(TToolButton* Button);
    void ButtonRemoved(TToolButton* Button);
    TToolButton* NeighbourMenuButton(TToolButton* From, int Step) const;
    std::vector<TToolButton*> buttons_;
    std::vector<std::pair<TToolButton*, TRect>> layout_;
    int buttonHeight_ = 22;
    bool showCaptions_ = false;
    bool wrapable_ = true;
    TToolButton* dropped_ = nullptr;
    TToolButton* next_ = nullptr;         // the menu to drop down when this one closes
    TMenu* droppedMenu_ = nullptr;
    HMENU selectedMenu_ = nullptr;        // where the menu loop's selection is
    bool selectedHasPopup_ = false;
};
