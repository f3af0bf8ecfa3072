// Standard controls: labels, edits, memos, buttons, check boxes, combo boxes, group boxes.
#pragma once
#include "framework/Controls.h"
#include "framework/Forms.h"

#include <memory>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------
// Labels

class TCustomLabel : public TGraphicControl {
    DECLARE_CLASS(TCustomLabel, TGraphicControl)
    explicit TCustomLabel(TComponent* AOwner);

    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment v);
    TTextLayout GetLayout() const { return layout_; }
    void SetLayout(TTextLayout v);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool v);
    bool GetShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool v);
    TWinControl* GetFocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* v);
    void SetAutoSize(bool v) override;

    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;
    static void Publish(TClassBuilder<TCustomLabel>& b);

protected:
    void Paint() override;
    void AdjustSize() override;
    // Draws (or with DT_CALCRECT measures) the caption in r on the canvas.
    virtual void DoDrawText(TRect& r, UINT flags);
    virtual std::string GetLabelText() const { return GetCaption(); }
    // Sizes the label to its text, keeping the edge its alignment holds still.
    void AdjustBounds();

private:
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
    DECLARE_CLASS(TLabel, TCustomLabel)
    using TCustomLabel::TCustomLabel;
};

// ---------------------------------------------------------------------------------------
// Edits

class TCustomEdit : public TWinControl {
    DECLARE_CLASS(TCustomEdit, TWinControl)
    explicit TCustomEdit(TComponent* AOwner);

    void Clear() { SetText(""); }
    void SelectAll();
    int GetSelStart() const;
    int GetSelLength() const;
    bool GetModified() const;
    void SetModified(bool v);

    int GetMaxLength() const { return maxLength_; }
    void SetMaxLength(int v);
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v);
    // One character, or empty for none.
    std::string GetPasswordChar() const { return passwordChar_ ? std::string(1, passwordChar_) : std::string(); }
    void SetPasswordChar(const std::string& v);
    TBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle v);
    bool GetAutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool v) { autoSelect_ = v; }
    bool GetHideSelection() const { return hideSelection_; }
    void SetHideSelection(bool v);

    TNotifyEvent OnChange;

    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TCustomEdit>& b);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void Change();
    void DoEnter() override;

private:
    int maxLength_ = 0;
    bool readOnly_ = false;
    char passwordChar_ = 0;
    TBorderStyle borderStyle_ = bsSingle;
    bool autoSelect_ = true;
    bool hideSelection_ = true;
    bool modified_ = false;
};

class TEdit : public TCustomEdit {
    DECLARE_CLASS(TEdit, TCustomEdit)
    using TCustomEdit::TCustomEdit;
};

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
DECLARE_ENUM_NAMES(TScrollStyle, "ssNone", "ssHorizontal", "ssVertical", "ssBoth");
using enum TScrollStyle;

class TCustomMemo;

// The lines of a memo: read from and written to its window, or kept as its text while it
// has none. Each line is ended by CR LF in the memo's text.
class TMemoStrings : public TStrings {
    DECLARE_CLASS(TMemoStrings, TStrings)
    explicit TMemoStrings(TCustomMemo* memo) : memo_(memo) {}
    int Count() const override { return static_cast<int>(Lines().size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
    void Clear() override;
    void SetText(const std::string& text) override;
    // The memo's text changed outside these methods.
    void Invalidate() { valid_ = false; }
protected:
    void SetUpdateState(bool updating) override;
private:
    const std::vector<std::string>& Lines() const;
    void Store(const std::vector<std::string>& lines);
    TCustomMemo* memo_;
    mutable std::vector<std::string> lines_;
    mutable bool valid_ = false;
};

class TCustomMemo : public TCustomEdit {
    DECLARE_CLASS(TCustomMemo, TCustomEdit)
    explicit TCustomMemo(TComponent* AOwner);
    ~TCustomMemo() override;

    TStrings* Lines() const { return lines_.get(); }
    void SetLines(TStrings* v) { lines_->Assign(v); }
    TScrollStyle GetScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle v);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    bool GetWantReturns() const { return wantReturns_; }
    void SetWantReturns(bool v) { wantReturns_ = v; }
    bool GetWantTabs() const { return wantTabs_; }
    void SetWantTabs(bool v) { wantTabs_ = v; }
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment v);

    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TCustomMemo>& b);

protected:
    friend class TMemoStrings;
    void CreateParams(TCreateParams& Params) override;
    void Change() override;
    bool ownChange_ = false;

private:
    std::unique_ptr<TMemoStrings> lines_;
    TScrollStyle scrollBars_ = ssNone;
    bool wordWrap_ = true;
    bool wantReturns_ = true;
    bool wantTabs_ = false;
    TAlignment alignment_ = taLeftJustify;
};

class TMemo : public TCustomMemo {
    DECLARE_CLASS(TMemo, TCustomMemo)
    using TCustomMemo::TCustomMemo;
};

// ---------------------------------------------------------------------------------------
// Buttons

class TButtonControl : public TWinControl {
    DECLARE_CLASS(TButtonControl, TWinControl)
    explicit TButtonControl(TComponent* AOwner);
    // The checked state as an action sees it; buttons without one answer false.
    virtual bool GetCheckedForAction() const { return false; }
    // Takes an action's checked state without clicking (no OnClick, no action run).
    virtual void SetCheckedFromAction(bool value) { (void)value; }
protected:
    TControlActionLink* CreateActionLink() override;
    void ActionChange(TObject* Sender, bool CheckDefaults) override;
};

// Keeps a button control's checked state with its action's while the two agree.
class TButtonActionLink : public TControlActionLink {
    DECLARE_CLASS(TButtonActionLink, TControlActionLink)
    explicit TButtonActionLink(TObject* Client) : TControlActionLink(Client) {}
    bool IsCheckedLinked() const override;
    void SetChecked(bool value) override;
};

class TButton : public TButtonControl {
    DECLARE_CLASS(TButton, TButtonControl)
    explicit TButton(TComponent* AOwner);

    bool GetDefault() const { return default_; }
    void SetDefault(bool v);
    bool GetCancel() const { return cancel_; }
    void SetCancel(bool v) { cancel_ = v; }
    TModalResult GetModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult v) { modalResult_ = v; }
    // The button Enter clicks at the moment (the default one unless another has the focus).
    bool IsActive() const { return active_; }

    void Click() override;
    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TButton>& b);

protected:
    void CreateParams(TCreateParams& Params) override;
    void SetButtonStyle(bool ADefault);

private:
    bool default_ = false;
    bool cancel_ = false;
    bool active_ = false;
    TModalResult modalResult_ = mrNone;
};

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
DECLARE_ENUM_NAMES(TCheckBoxState, "cbUnchecked", "cbChecked", "cbGrayed");
using enum TCheckBoxState;

class TCustomCheckBox : public TButtonControl {
    DECLARE_CLASS(TCustomCheckBox, TButtonControl)
    explicit TCustomCheckBox(TComponent* AOwner);

    bool GetChecked() const { return state_ == cbChecked; }
    void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
    TCheckBoxState GetState() const { return state_; }
    virtual void SetState(TCheckBoxState v);
    bool GetAllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool v) { allowGrayed_ = v; }
    // taRightJustify: the text right of the box (the usual); taLeftJustify: left of it.
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment v);
    bool GetCheckedForAction() const override { return GetChecked(); }
    void SetCheckedFromAction(bool value) override;

    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TCustomCheckBox>& b);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    virtual void Toggle();

private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
    DECLARE_CLASS(TCheckBox, TCustomCheckBox)
    using TCustomCheckBox::TCustomCheckBox;
};

// ---------------------------------------------------------------------------------------
// Combo boxes

enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
DECLARE_ENUM_NAMES(TComboBoxStyle, "csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed",
                   "csOwnerDrawVariable");
using enum TComboBoxStyle;

class TCustomComboBox;

// The items of a combo box: kept in a list and mirrored into the window when it exists.
class TComboBoxStrings : public TStrings {
    DECLARE_CLASS(TComboBoxStrings, TStrings)
    explicit TComboBoxStrings(TCustomComboBox* combo) : combo_(combo) {}
    int Count() const override { return items_.Count(); }
    std::string Get(int index) const override { return items_.Get(index); }
    TObject* GetObject(int index) const override { return items_.GetObject(index); }
    void PutObject(int index, TObject* obj) override { items_.PutObject(index, obj); }
    void Insert(int index, const std::string& s) override;
    int Add(const std::string& s) override;
    void Delete(int index) override;
    void Clear() override;
    int IndexOf(const std::string& s) const override { return items_.IndexOf(s); }
protected:
    void SetUpdateState(bool updating) override;
private:
    friend class TCustomComboBox;
    TCustomComboBox* combo_;
    TStringList items_;
};

class TCustomComboBox : public TWinControl {
    DECLARE_CLASS(TCustomComboBox, TWinControl)
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;

    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* v) { items_->Assign(v); }
    int GetItemIndex() const;
    void SetItemIndex(int v);
    TComboBoxStyle GetStyle() const { return style_; }
    void SetStyle(TComboBoxStyle v);
    int GetDropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int v) { dropDownCount_ = v; }
    int GetItemHeight() const;
    void SetItemHeight(int v);
    bool GetSorted() const { return sorted_; }
    void SetSorted(bool v);
    int GetMaxLength() const { return maxLength_; }
    void SetMaxLength(int v);
    bool GetDroppedDown() const;
    void SetDroppedDown(bool v);
    void Clear();

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TCustomComboBox>& b);

protected:
    friend class TComboBoxStrings;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void SetTextValue(const std::string& v) override;
    virtual void Change();
    virtual void Select();
    int DroppedHeight() const;

private:
    std::unique_ptr<TComboBoxStrings> items_;
    int itemIndex_ = -1;
    TComboBoxStyle style_ = csDropDown;
    int dropDownCount_ = 8;
    int itemHeight_ = 16;
    bool sorted_ = false;
    int maxLength_ = 0;
};

class TComboBox : public TCustomComboBox {
    DECLARE_CLASS(TComboBox, TCustomComboBox)
    using TCustomComboBox::TCustomComboBox;
};

// ---------------------------------------------------------------------------------------
// Group boxes

class TCustomGroupBox : public TCustomControl {
    DECLARE_CLASS(TCustomGroupBox, TCustomControl)
    explicit TCustomGroupBox(TComponent* AOwner);
    void WndProc(TMessage& Message) override;
protected:
    void AdjustClientRect(TRect& Rect) override;
    void Paint() override;
};

class TGroupBox : public TCustomGroupBox {
    DECLARE_CLASS(TGroupBox, TCustomGroupBox)
    using TCustomGroupBox::TCustomGroupBox;
};
