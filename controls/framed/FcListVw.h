// The framed list view: a last column that fills the width, a header drawn by the control
// with a sort arrow and theme hot tracking, click-to-sort, colours that follow Enabled and
// focus, a custom frame in the non-client area, item tips, check-state events and context
// menus for keyboard and right-click.
#pragma once
#include "controls/framed/FcCommon.h"

#include "framework/ComCtrls.h"

#include <functional>
#include <memory>
#include <optional>

class TPopupMenu;

enum class TFcLVHeaderSortDisplayMode { hsdmNone, hsdmLeftAlign, hsdmRightOfText, hsdmRightAlign };
DECLARE_ENUM_NAMES(TFcLVHeaderSortDisplayMode, "hsdmNone", "hsdmLeftAlign", "hsdmRightOfText", "hsdmRightAlign");
using enum TFcLVHeaderSortDisplayMode;

using TFcLVCheckStateChanging =
    std::function<void(TObject* Sender, TListItem* Item, bool ToBeChecked, bool& AllowChange)>;
using TLVNotifyEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TFcLVDrawHeaderEvent = std::function<void(TObject* Sender, TCanvas* Canvas, int Index, const TRect& Rect)>;
using TFcLVOnItemContextMenuEvent =
    std::function<void(TObject* Sender, TListItem* Item, TPoint& Pos, TComponent*& Menu)>;

// The most significant word of comctl32.dll's file version (major in the high 16 bits),
// read once; 0 when it cannot be read.
DWORD CommonControlsVersion();
// Replaces the measured version (nullopt: measure again).
void OverrideCommonControlsVersion(std::optional<DWORD> Version);

// The message the list view posts itself after its window is made (its header exists then).
constexpr UINT WM_FCLV_HEADERREADY = WM_USER + 100;   // 1124

class TFcCustomListView : public TCustomListView {
    DECLARE_CLASS(TFcCustomListView, TCustomListView)
    explicit TFcCustomListView(TComponent* AOwner);
    ~TFcCustomListView() override;

    bool GetFillLastColumn() const { return fillLastColumn_; }
    virtual void SetFillLastColumn(bool Value);
    bool GetAlphaSortAll() const { return alphaSortAll_; }
    void SetAlphaSortAll(bool Value) { alphaSortAll_ = Value; }
    bool GetEditOnRowClick() const { return editOnRowClick_; }
    void SetEditOnRowClick(bool Value) { editOnRowClick_ = Value; }
    TFcLVHeaderSortDisplayMode GetHeaderSortDisplayMode() const { return sortDisplayMode_; }
    void SetHeaderSortDisplayMode(TFcLVHeaderSortDisplayMode Value);
    bool GetHeaderDefaultDrawing() const { return headerDefaultDrawing_; }
    void SetHeaderDefaultDrawing(bool Value);
    TColor GetDisabledColor() const { return disabledColor_; }
    virtual void SetDisabledColor(TColor Value);
    TColor GetFocusColor() const { return focusColor_; }
    virtual void SetFocusColor(TColor Value);
    bool GetFrameVisible() const { return frameVisible_; }
    virtual void SetFrameVisible(bool Value);
    TFrameStyle GetFrameStyle() const { return frameStyle_; }
    virtual void SetFrameStyle(TFrameStyle Value);
    TFrameStyle GetFrameHotStyle() const { return frameHotStyle_; }
    virtual void SetFrameHotStyle(TFrameStyle Value);
    TSides GetFrameSides() const { return frameSides_; }
    virtual void SetFrameSides(TSides Value);
    TColor GetFrameColor() const { return frameColor_; }
    virtual void SetFrameColor(TColor Value);
    TColor GetFrameHotColor() const { return frameHotColor_; }
    virtual void SetFrameHotColor(TColor Value);
    bool GetFrameHotTrack() const { return frameHotTrack_; }
    virtual void SetFrameHotTrack(bool Value);
    TFramingPreference GetFramingPreference() const { return framingPreference_; }
    virtual void SetFramingPreference(TFramingPreference Value);
    TFcFrameController* GetFrameController() const { return frameController_; }
    virtual void SetFrameController(TFcFrameController* Value);
    TFcFrameControllerNotifications GetFrameControllerNotifications() const { return notifications_; }
    void SetFrameControllerNotifications(TFcFrameControllerNotifications Value) { notifications_ = Value; }

    // The column that shows the sort arrow (-1: none) and its direction.
    int GetSortArrowColumn() const { return sortArrowColumn_; }
    void SetSortArrowColumn(int Value);
    bool GetSortArrowDescending() const { return sortArrowDescending_; }
    void SetSortArrowDescending(bool Value);

    // Visual styles are wanted for the frame and on.
    virtual bool UseThemedFraming() const;
    virtual void RecolorList();
    virtual void HoverFocusChanged(bool ChangeHover, bool Hover);
    virtual void InvalidateFrameArea();
    virtual void FitLastColumn();
    // The header items become owner-drawn (or plain again without a sort display).
    void RefreshHeaderFormats();
    HWND HookedHeader() const { return header_; }
    bool MouseOver() const { return mouseOver_; }
    // The colour the list shows while neither focused nor disabled.
    TColor UnfocusedColor() const { return unfocusedColor_; }
    // The order the header sorts by: a non-empty text before an empty one.
    static int CompareItems(TListItem* Item1, TListItem* Item2, int Column);
    // The sort arrow in Box, pointing down when descending.
    static void PaintSortArrow(TCanvas* Canvas, const TRect& Box, bool Descending);
    // The box an arrow takes in a text rectangle.
    static TRect ArrowBox(const TRect& Text);
    // Draws header item Index into Rect on Canvas the way the control does.
    void DrawHeaderItem(TCanvas* Canvas, int Index, const TRect& Rect);

    TFcLVCheckStateChanging OnCheckStateChanging;
    TLVNotifyEvent OnCheckStateChange;
    TFcLVDrawHeaderEvent OnDrawHeader;
    TFcLVOnItemContextMenuEvent OnItemContextMenu;

    void WndProc(TMessage& Message) override;
    void DefineProperties(TFiler& Filer) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetViewStyle(TViewStyle Value) override;
    static void Publish(TClassBuilder<TFcCustomListView>& b);

protected:
    virtual void DoDrawHeader(int Index, const TRect& Rect);
    virtual void DoCheckStateChange(TListItem* Item);
    virtual bool DoCheckStateChanging(TListItem* Item, bool ToBeChecked);
    virtual void ShowKeyboardContextMenu(TPoint P);
    virtual void ShowItemContextMenu(TPoint P);
    virtual void DoItemContextMenu(TListItem* Item, TPoint& Pos, TComponent*& Menu);

    void CreateWnd() override;
    void DestroyWnd() override;
    bool IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage) override;
    bool CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage) override;
    void ColClick(TListColumn* Column) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;

private:
    friend LRESULT CALLBACK FcHeaderProc(HWND, UINT, WPARAM, LPARAM);
    // Header hook (FcListVwHeader.cpp).
    void HookHeader();
    void UnhookHeader();
    LRESULT HeaderWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    void WMDrawItem(TMessage& Message);
    void HeaderNotification(UINT Code);
    void InvalidateHeaderSection(int Index);
    void DrawHeaderText(TCanvas* Canvas, int Index, TRect& Text);
    // Messages (FcListVw.cpp).
    void CNNotify(TMessage& Message);
    void CNItemChange(TMessage& Message, bool Changing);
    void WMNCPaint(TMessage& Message);
    void WMContextMenu(TMessage& Message);
    void WMRButtonUp(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void ColumnsChanged(TMessage& Message);
    void ColumnWidthChanged(TMessage& Message);
    void ShowTip(TPoint P);
    void HideTip();
    void StandardPopup(TPoint P);
    bool WheelScroll(int Direction);
    template <class T> void ChangeFrame(T& field, const T& value);

    bool fillLastColumn_ = true;
    bool alphaSortAll_ = false;
    bool editOnRowClick_ = false;
    TFcLVHeaderSortDisplayMode sortDisplayMode_ = hsdmRightOfText;
    bool headerDefaultDrawing_ = true;
    TColor disabledColor_ = clBtnFace;
    TColor focusColor_ = clWindow;
    bool frameVisible_ = false;
    TFrameStyle frameStyle_ = fsFlat;
    TFrameStyle frameHotStyle_ = fsFlatBold;
    TSides frameSides_ = AllSides;
    TColor frameColor_ = clBtnShadow;
    TColor frameHotColor_ = clBtnShadow;
    bool frameHotTrack_ = false;
    TFramingPreference framingPreference_ = fpXPThemes;
    TFcFrameController* frameController_ = nullptr;
    TFcFrameControllerNotifications notifications_ = AllFrameNotifications;

    int sortArrowColumn_ = -1;
    bool sortArrowDescending_ = false;
    TColor unfocusedColor_ = clWindow;
    int lastSortColumn_ = -1;
    bool mouseOver_ = false;
    int hotSection_ = -1;
    bool sectionPressed_ = false;
    bool rightClicked_ = false;
    bool menuHandled_ = false;
    bool recoloring_ = false;
    bool loading_ = false;
    int formatRefreshDepth_ = 0;
    HWND header_ = nullptr;
    WNDPROC headerProc_ = nullptr;
    bool headerUnicode_ = false;
    std::unique_ptr<TCanvas> headerCanvas_;
    // The canvas a header item is being drawn on (OnDrawHeader gets it).
    TCanvas* drawCanvas_ = nullptr;
    THintWindow* tip_ = nullptr;
    TRect tipRect_;
};

class TFcListView : public TFcCustomListView {
    DECLARE_CLASS(TFcListView, TFcCustomListView)
    using TFcCustomListView::TFcCustomListView;
};
