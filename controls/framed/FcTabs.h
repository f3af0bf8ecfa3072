// The framed tab control and the page control built on it: tab data and colour sets, the
// region cache, tab geometry and row layout, off-screen painting, selection, hot tracking,
// tab dragging, the scroller and the close and menu buttons, and the pages.
//
// The unit is split by concern over FcTabs.cpp (data, properties, events, messages, keys),
// FcTabsGeometry.cpp, FcTabsLayout.cpp, FcTabsPaint.cpp, FcTabsMouse.cpp,
// FcTabsButtons.cpp and FcTabsPages.cpp.
#pragma once
#include "controls/framed/FcCommon.h"
#include "controls/framed/FcGrafx.h"
#include "framework/Controls.h"
#include "framework/ExtCtrls.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TFcCustomTabControl;
class TFcPageControl;

// ---------------------------------------------------------------------------------------
// Enumerations

enum class TFcTabStyle { tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners, tsBackSlant, tsSquareCorners };
DECLARE_ENUM_NAMES(TFcTabStyle, "tsSingleSlant", "tsDoubleSlant", "tsCutCorner", "tsRoundCorners", "tsBackSlant",
                   "tsSquareCorners");
using enum TFcTabStyle;

enum class TFcTabSequence { tsStandard, tsReverse };
DECLARE_ENUM_NAMES(TFcTabSequence, "tsStandard", "tsReverse");
using enum TFcTabSequence;

enum class TFcTabOrientation { toTop, toLeft, toBottom, toRight };
DECLARE_ENUM_NAMES(TFcTabOrientation, "toTop", "toLeft", "toBottom", "toRight");
using enum TFcTabOrientation;

enum class TFcImagePosition { ipLeft, ipTop, ipRight, ipBottom, ipBack, ipStretch };
DECLARE_ENUM_NAMES(TFcImagePosition, "ipLeft", "ipTop", "ipRight", "ipBottom", "ipBack", "ipStretch");
using enum TFcImagePosition;

enum class TFcHorizontalAlignment { haLeft, haCenter, haRight };
DECLARE_ENUM_NAMES(TFcHorizontalAlignment, "haLeft", "haCenter", "haRight");
using enum TFcHorizontalAlignment;

enum class TFcVerticalAlignment { vaTop, vaCenter, vaBottom };
DECLARE_ENUM_NAMES(TFcVerticalAlignment, "vaTop", "vaCenter", "vaBottom");
using enum TFcVerticalAlignment;

// The state in which a caption is drawn (handed to OnGetTextColor).
enum class TFcTextStyle { tsHotTrack, tsSelected, tsUnselected, tsDisabled };
DECLARE_ENUM_NAMES(TFcTextStyle, "tsHotTrack", "tsSelected", "tsUnselected", "tsDisabled");
using enum TFcTextStyle;

enum class TFcTabHotTrackStyle { htsTab, htsText, htsTabBar };
DECLARE_ENUM_NAMES(TFcTabHotTrackStyle, "htsTab", "htsText", "htsTabBar");
using enum TFcTabHotTrackStyle;

enum class TFcTabHotTrackColorSource { htcsTabColor, htcsHotTrackColorProp };
DECLARE_ENUM_NAMES(TFcTabHotTrackColorSource, "htcsTabColor", "htcsHotTrackColorProp");
using enum TFcTabHotTrackColorSource;

// ---------------------------------------------------------------------------------------
// Errors and events

VELMORA_EXCEPTION(EFcTabControlError, Exception);

inline constexpr const char* SFcRegionCacheCapacity = "Capacity must be -1 (to cache all regions) or > 0";
inline constexpr const char* SFcErrorCreatingRegion = "Error creating region";
inline constexpr const char* SFcErrorSavingDC = "Error saving device context";
inline constexpr const char* SFcBadTabShapePoints = "Incorrect number of points in tab shape";
inline constexpr const char* SFcPageVisible = "You cannot change the Visible property of a page";
inline constexpr const char* SFcInvalidPageIndex =
    "%d is an invalid PageIndex value. PageIndex must be between 0 and %d";

using TFcTabChangingEvent = std::function<void(TObject* Sender, int NewIndex, bool& AllowChange)>;
using TFcTabCloseEvent = std::function<void(TObject* Sender, bool& AllowClose)>;
using TFcGetTextColorEvent =
    std::function<void(TObject* Sender, int ATabIndex, TFcTextStyle AStyle, TColor& AColor, bool& Handled)>;
using TFcPaintBackgroundEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool& Handled)>;
using TFcPaintCardBackgroundEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, int ARow, const TRect& ARect, bool& Handled)>;
using TFcPaintTabBackgroundEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, int ATabIndex, const TRect& ARect, bool& Handled)>;
using TFcTabOrderChangeEvent = std::function<void(TObject* Sender, int OldIndex, int NewIndex)>;

// ---------------------------------------------------------------------------------------
// Colour sets

// The colours of the tab bodies; every change repaints the owning control.
class TFcTabColors : public TPersistent {
    DECLARE_CLASS(TFcTabColors, TPersistent)
    explicit TFcTabColors(TFcCustomTabControl* AOwner) : owner_(AOwner) {}
    TColor GetHighlightBar() const { return highlightBar_; }
    virtual void SetHighlightBar(TColor Value);
    TColor GetShadow() const { return shadow_; }
    virtual void SetShadow(TColor Value);
    TColor GetUnselected() const { return unselected_; }
    virtual void SetUnselected(TColor Value);
    void Assign(TPersistent* Source) override;
    static void Publish(TClassBuilder<TFcTabColors>& b);
private:
    void Changed();
    TFcCustomTabControl* owner_;
    TColor highlightBar_ = clHighlight;
    TColor shadow_ = clBtnFace;
    TColor unselected_ = clWindow;
};

// The caption colours.
class TFcTextColors : public TPersistent {
    DECLARE_CLASS(TFcTextColors, TPersistent)
    explicit TFcTextColors(TFcCustomTabControl* AOwner) : owner_(AOwner) {}
    TColor GetDisabled() const { return disabled_; }
    virtual void SetDisabled(TColor Value);
    TColor GetSelected() const { return selected_; }
    virtual void SetSelected(TColor Value);
    TColor GetUnselected() const { return unselected_; }
    virtual void SetUnselected(TColor Value);
    void Assign(TPersistent* Source) override;
    static void Publish(TClassBuilder<TFcTextColors>& b);
private:
    void Changed();
    TFcCustomTabControl* owner_;
    TColor disabled_ = clGrayText;
    TColor selected_ = clBtnText;
    TColor unselected_ = clBtnText;
};

// ---------------------------------------------------------------------------------------
// Tab data

// One tab. TabRect and Row are computed by the layout (layout coordinates).
class TFcTabData : public TPersistent {
    DECLARE_CLASS(TFcTabData, TPersistent)
    TFcTabData() = default;
    // Copies everything but TabRect and Row from another tab.
    void Assign(TPersistent* Source) override;

    std::string Caption;
    TColor Color = clBtnFace;
    int DisabledImageIndex = -1;
    bool Enabled = true;
    std::string Hint;
    int ImageIndex = -1;
    TRect TabRect;
    bool Visible = true;
    int Row = 0;
};

// The ordered tabs of a control; owns its items.
class TFcTabDataList : public TPersistent {
    DECLARE_CLASS(TFcTabDataList, TPersistent)
    TFcTabDataList() = default;
    ~TFcTabDataList() override { Clear(); }
    // Takes ownership.
    void Add(TFcTabData* Item);
    void Clear();
    // Clears, then appends a fresh copy of every item of Source.
    void Assign(TPersistent* Source) override;
    virtual int Count() const { return static_cast<int>(items_.size()); }
    // EListError for an index out of range.
    virtual TFcTabData* Items(int Index) const;
    // Frees the item at Index and takes Item in its place.
    virtual void Replace(int Index, TFcTabData* Item);
    bool ValidIndex(int Index) const { return Index >= 0 && Index < Count(); }
private:
    std::vector<std::unique_ptr<TFcTabData>> items_;
};

// ---------------------------------------------------------------------------------------
// Region cache: the clip regions of tab outlines, keyed by the tab's rectangle, most
// recently used first.

class TFcTabRegionCacheItem : public TObject {
    DECLARE_CLASS(TFcTabRegionCacheItem, TObject)
    TFcTabRegionCacheItem() = default;
    TRect Rect{-1, -1, -1, -1};
    HRGN Region() const { return region_.Get(); }
    // Deletes the region held before (unless it is the same one).
    virtual void SetRegion(HRGN Value) { region_.Reset(Value); }
private:
    TRegionHandle region_;
};

class TFcTabRegionCache : public TObject {
    DECLARE_CLASS(TFcTabRegionCache, TObject)
    TFcTabRegionCache() = default;
    // The cached region of Rect, or nullptr. A hit becomes the most recent item.
    HRGN Lookup(const TRect& Rect);
    // Takes Region over, unless Rect is cached already: then that item becomes the most
    // recent and the offered region is deleted (the cache keeps the one it has).
    void Store(const TRect& Rect, HRGN Region);
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    const TFcTabRegionCacheItem& Items(int Index) const { return *items_.at(static_cast<size_t>(Index)); }
    int Capacity() const { return capacity_; }
    // -1 keeps everything; 0 and values below -1 raise EFcTabControlError.
    void SetCapacity(int Value);
private:
    void Trim();
    std::vector<std::unique_ptr<TFcTabRegionCacheItem>> items_;
    int capacity_ = 1;
};

// ---------------------------------------------------------------------------------------
// Outline command list: outlines are built as a flat list of integers and drawn by one
// interpreter. Commands 0 and 1 stand alone; 2 to 6 carry two integers.

class TFcOutline {
public:
    enum : int { cmColor = 0, cmNone = 1, cmBegin = 2, cmMove = 3, cmLine = 4, cmDarkShadow = 5, cmLightShadow = 6 };
    void Clear() { commands_.clear(); }
    void Begin(int Kind, int Index) { Add(cmBegin, Kind, Index); }
    void Color() { commands_.push_back(cmColor); }
    void MoveTo(TPoint p) { Add(cmMove, p.X, p.Y); }
    void LineTo(TPoint p) { Add(cmLine, p.X, p.Y); }
    void DarkShadowTo(TPoint p) { Add(cmDarkShadow, p.X, p.Y); }
    void LightShadowTo(TPoint p) { Add(cmLightShadow, p.X, p.Y); }
    bool HasShadow() const;
    const std::vector<int>& Commands() const { return commands_; }
    // Draws the list on Canvas with lines in OutlineColor; shadow commands mix black into
    // the pixels of Background (the parent's picture under the control; may be null
    // when the list has no shadow commands).
    void Draw(TCanvas& Canvas, TColor OutlineColor, TBitmap* Background) const;
private:
    void Add(int cmd, int x, int y) {
        commands_.push_back(cmd);
        commands_.push_back(x);
        commands_.push_back(y);
    }
    std::vector<int> commands_;
};

// The outline points of a tab in layout coordinates, in drawing order (the side from the
// last point back to the first lies on the card).
std::vector<TPoint> TabShapePoints(TFcTabStyle Style, bool SoftCorners, int CutCornerSize, const TRect& R);
// The number of points each style's outline must have.
int TabShapePointCount(TFcTabStyle Style, bool SoftCorners);

// ---------------------------------------------------------------------------------------
// Drag and drop of tabs needs the framework's drag events; the control is its own source.

class TFcTabScroller;
class TFcTabControlCloseButton;
class TFcActiveTabCloseButton;
class TFcTabMenuButton;

// ---------------------------------------------------------------------------------------
// TFcCustomTabControl

class TFcCustomTabControl : public TCustomControl {
    DECLARE_CLASS(TFcCustomTabControl, TCustomControl)
    explicit TFcCustomTabControl(TComponent* AOwner);
    ~TFcCustomTabControl() override;

    // --- tab data (the page control fills it from its pages)
    TFcTabDataList* Tabs() const { return tabs_.get(); }
    int TabCount() const { return tabs_->Count(); }
    TFcTabRegionCache* RegionCache() const { return regionCache_.get(); }
    int GetRegionCacheCapacity() const { return regionCacheCapacity_; }
    virtual void SetRegionCacheCapacity(int Value);

    // --- published properties (the page control publishes them)
    bool GetAlignTabs() const { return alignTabs_; }
    virtual void SetAlignTabs(bool Value);
    bool AllowTabDragging = false;
    TColor GetBackgroundColor() const { return backgroundColor_; }
    virtual void SetBackgroundColor(TColor Value);
    bool GetBoldCurrentTab() const { return boldCurrentTab_; }
    virtual void SetBoldCurrentTab(bool Value);
    int GetCutCornerSize() const { return cutCornerSize_; }
    virtual void SetCutCornerSize(int Value);
    TColor GetFlatColor() const { return flatColor_; }
    virtual void SetFlatColor(TColor Value);
    int GetFlatColorAdjustment() const { return flatColorAdjustment_; }
    virtual void SetFlatColorAdjustment(int Value);
    bool GetHotTrack() const { return hotTrack_; }
    virtual void SetHotTrack(bool Value);
    TColor GetHotTrackColor() const { return hotTrackColor_; }
    virtual void SetHotTrackColor(TColor Value);
    TFcTabHotTrackColorSource GetHotTrackColorSource() const { return hotTrackColorSource_; }
    virtual void SetHotTrackColorSource(TFcTabHotTrackColorSource Value);
    TFcHotTrackColorType GetHotTrackColorType() const { return hotTrackColorType_; }
    virtual void SetHotTrackColorType(TFcHotTrackColorType Value);
    TFcTabHotTrackStyle GetHotTrackStyle() const { return hotTrackStyle_; }
    virtual void SetHotTrackStyle(TFcTabHotTrackStyle Value);
    TFcHorizontalAlignment GetImageAlignment() const { return imageAlignment_; }
    virtual void SetImageAlignment(TFcHorizontalAlignment Value);
    TFcVerticalAlignment GetImageAlignmentVertical() const { return imageAlignmentVertical_; }
    virtual void SetImageAlignmentVertical(TFcVerticalAlignment Value);
    int GetImageMargin() const { return imageMargin_; }
    virtual void SetImageMargin(int Value);
    TFcImagePosition GetImagePosition() const { return imagePosition_; }
    virtual void SetImagePosition(TFcImagePosition Value);
    TCustomImageList* GetImages() const { return images_; }
    virtual void SetImages(TCustomImageList* Value);
    int GetMargin() const { return margin_; }
    virtual void SetMargin(int Value);
    bool GetMultiLine() const { return multiLine_; }
    virtual void SetMultiLine(bool Value);
    bool GetParentBackgroundColor() const { return parentBackgroundColor_; }
    virtual void SetParentBackgroundColor(bool Value);
    int GetRowIndent() const { return rowIndent_; }
    virtual void SetRowIndent(int Value);
    int GetRowOverlap() const { return rowOverlap_; }
    virtual void SetRowOverlap(int Value);
    bool GetShowCardFrame() const { return showCardFrame_; }
    virtual void SetShowCardFrame(bool Value);
    bool GetShowCloseButton() const { return showCloseButton_; }
    virtual void SetShowCloseButton(bool Value);
    bool GetShowCloseButtonOnActiveTab() const { return showCloseButtonOnActiveTab_; }
    virtual void SetShowCloseButtonOnActiveTab(bool Value);
    bool GetShowFocusRect() const { return showFocusRect_; }
    virtual void SetShowFocusRect(bool Value);
    bool GetShowFullFrame() const { return showFullFrame_; }
    virtual void SetShowFullFrame(bool Value);
    bool GetShowMenuButton() const { return showMenuButton_; }
    virtual void SetShowMenuButton(bool Value);
    bool GetShowShadow() const { return showShadow_; }
    virtual void SetShowShadow(bool Value);
    bool GetSoftCorners() const { return softCorners_; }
    virtual void SetSoftCorners(bool Value);
    TFcTabColors* GetTabColors() const { return tabColors_.get(); }
    virtual void SetTabColors(TFcTabColors* Value);
    int GetTabHeight() const { return tabHeight_; }
    virtual void SetTabHeight(int Value);
    bool GetTabHints() const { return tabHints_; }
    virtual void SetTabHints(bool Value);
    int GetTabIndex() const { return tabIndex_; }
    virtual void SetTabIndex(int Value);
    TFcTabOrientation GetTabOrientation() const { return tabOrientation_; }
    virtual void SetTabOrientation(TFcTabOrientation Value);
    int GetTabOverlap() const { return tabOverlap_; }
    virtual void SetTabOverlap(int Value);
    TFcTabSequence GetTabSequence() const { return tabSequence_; }
    virtual void SetTabSequence(TFcTabSequence Value);
    TFcTabStyle GetTabStyle() const { return tabStyle_; }
    virtual void SetTabStyle(TFcTabStyle Value);
    int GetTabWidth() const { return tabWidth_; }
    virtual void SetTabWidth(int Value);
    TFcHorizontalAlignment GetTextAlignment() const { return textAlignment_; }
    virtual void SetTextAlignment(TFcHorizontalAlignment Value);
    TFcVerticalAlignment GetTextAlignmentVertical() const { return textAlignmentVertical_; }
    virtual void SetTextAlignmentVertical(TFcVerticalAlignment Value);
    TFcTextColors* GetTextColors() const { return textColors_.get(); }
    virtual void SetTextColors(TFcTextColors* Value);
    TOrientation GetTextOrientation() const { return textOrientation_; }
    virtual void SetTextOrientation(TOrientation Value);
    bool GetTransparent() const { return transparent_; }
    virtual void SetTransparent(bool Value);
    bool GetUseColoredTabs() const { return useColoredTabs_; }
    virtual void SetUseColoredTabs(bool Value);
    bool GetUseGradients() const { return useGradients_; }
    virtual void SetUseGradients(bool Value);

    // --- unpublished state
    int GetFixedDimension() const { return fixedDimension_; }
    void SetFixedDimension(int Value) { fixedDimension_ = Value; }
    int RowCount() const { return rowCount_; }
    int FirstVisibleTab() const { return firstVisibleTab_; }
    int HotTab() const { return hotTab_; }
    bool ScrollerNeeded() const { return scrollerNeeded_; }
    bool LayoutDirty() const { return layoutDirty_; }
    virtual void SetShowCard(bool Value);
    TRect PageRect() const { return pageRect_; }
    TFcTabScroller* Scroller() const { return scroller_; }
    TFcTabControlCloseButton* CloseButton() const { return closeButton_; }
    TFcActiveTabCloseButton* ActiveTabCloseButton() const { return activeCloseButton_; }
    TFcTabMenuButton* MenuButton() const { return menuButton_; }
    TBitmap* OffscreenBitmap() const { return bitmap_.get(); }

    // --- geometry (client pixels; pure computations over the fields)
    bool HorizontalTabs() const { return tabOrientation_ == toTop || tabOrientation_ == toBottom; }
    // (0, 0, client width - 1, client height - 1); Width and Height before the window exists.
    TRect DrawingRect() const;
    int TabAreaDepth() const;
    TRect TabAreaRect() const;
    int TabAreaLength() const;
    TRect CardRect(int Row) const;
    // The area the children (the pages) fill.
    TRect CalcPageRect() const;
    // The layout x that lands at the start of the tab area.
    int ScrollOffset() const;
    TPoint LayoutToClient(TPoint P) const;
    TRect LayoutToClient(const TRect& R) const;
    TRect TabLayoutRect(int Index) const;
    TRect TabRect(int Index) const;
    std::vector<TPoint> TabOutline(int Index) const;
    // The tab's clip region, owned by the region cache; nullptr when it has none.
    HRGN TabRegion(int Index);
    int FirstNonHiddenTab() const;
    int LastNonHiddenTab() const;
    // The tab at a client point, or -1.
    int HitTest(TPoint P);
    // The size of the close and menu buttons along the tab edge (E) and across it (D).
    int ButtonExtent() const;
    int ButtonDepth() const;
    int CloseButtonExtent() const;
    int MenuButtonExtent() const;
    // Sets the scroller-needed flag from the current layout.
    void UpdateScrollerNeeded();

    // --- sizing and layout
    int Overlap(int Length) const;
    // The extent of a caption (lines split at CR LF, accelerator marks left out) with the
    // tab font; Horizontal stacks the lines downwards.
    TSize CaptionExtent(const std::string& Caption, bool Horizontal) const;
    TSize ImageSize(int Index) const;
    TSize ContentSize(int Index) const;
    TSize MinimumContentSize() const;
    TSize TabSizeFromContent(TSize Content) const;
    TRect ContentRect(const TRect& R) const;
    // Recomputes the row depth, the rows and the tab rectangles.
    void ComputeLayout();
    bool IsTabFullyShown(int Index) const;
    // One tab towards later (Forwards) or earlier tabs; false when nothing moved.
    bool ScrollTabs(bool Forwards);
    // The layout pass of painting: the layout when dirty, the first visible tab, the
    // selected tab's validity, and the children's alignment.
    void UpdateLayout();

    // --- drawing of one outline (Outline holds the commands); the parent's background is
    // copied under the control first when the list has shadow commands.
    void DrawOutline(TCanvas& Canvas);
    TFcOutline& Outline() { return outline_; }
    void BuildTabOutline(int Index);
    void BuildCardOutline(int Row);
    // Where the active-tab close button sits inside a content rectangle.
    TRect ActiveCloseButtonRect(const TRect& Content) const;
    // The drop marker's rectangle for a drag over tab Target.
    TRect DropMarkerRect(int Target) const;

    // --- requests
    // Asks OnClose, then closes the selected tab (the page control frees its page).
    void CloseRequest();
    // Whether tab Index may be selected (visible, enabled, and OnChanging agrees).
    bool MayChange(int Index);
    void InvalidateTabArea();

    // --- events
    TNotifyEvent OnChange;
    TFcTabChangingEvent OnChanging;
    TFcTabCloseEvent OnClose;
    TFcGetTextColorEvent OnGetTextColor;
    TNotifyEvent OnPageChange;
    TFcPaintBackgroundEvent OnPaintBackground;
    TFcPaintCardBackgroundEvent OnPaintCardBackground;
    TFcPaintTabBackgroundEvent OnPaintTabBackground;
    TNotifyEvent OnTabClick;
    TFcTabOrderChangeEvent OnTabOrderChange;
    TNotifyEvent OnScrolledTabs;

    void WndProc(TMessage& Message) override;
    void DefineProperties(TFiler& Filer) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // The published properties of the tab control, for the classes that publish them.
    template <class C>
    static void PublishTabProperties(TClassBuilder<C>& b);

    // --- operations the page control gives meaning (public so the buttons reach them)
    virtual void DoChanging(int NewIndex, bool& AllowChange);
    virtual void DoGetTextColor(int ATabIndex, TFcTextStyle AStyle, TColor& AColor, bool& Handled);
    virtual void TabsChanged();
    virtual void DoTabClick();
    virtual void InvalidateTabs();
    virtual void DoPaintBackground(TCanvas* ACanvas, const TRect& ARect, bool& Handled);
    virtual void DoPaintCardBackground(TCanvas* ACanvas, int ARow, const TRect& ARect, bool& Handled);
    virtual void DoPaintTabBackground(TCanvas* ACanvas, int ATabIndex, const TRect& ARect, bool& Handled);
    virtual void DrawDropMarker(const TRect& R);
    virtual void CloseActiveTab() {}
    virtual void MoveActiveTab(int NewIndex) { (void)NewIndex; }
    virtual bool SuppressTabChange() { return false; }
    virtual void SetLayoutDirty(bool Value);
    virtual void SetRowCount(int Value) { rowCount_ = Value; }
    virtual void DoOnChange();
    virtual void DoPageChange();
    virtual void DoTabOrderChange(int OldIndex, int NewIndex);
    virtual bool CanCloseTab();
    virtual void HideAllPages() {}
    virtual void ShowAllPages() {}

protected:
    void CreateParams(TCreateParams& Params) override;
    void AdjustClientRect(TRect& Rect) override;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
    void DragDrop(TObject* Source, int X, int Y) override;
    void DoEndDrag(TObject* Target, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;

    // The extent of one line of text in the font selected into the off-screen DC
    // (0 by 0 when it cannot be measured). Tests measure with their own metrics.
    virtual TSize MeasureText(const std::string& Text) const;
    // The absolute height of the tab font, the minimum depth of a caption.
    virtual int TabFontHeight() const;

    // Selects the tab font (rotated for vertical text) into the off-screen DC for a
    // scope; nests. Bold adds bold to the font's style; Underline adds underline.
    class TTabFontScope {
    public:
        TTabFontScope(const TFcCustomTabControl& Control, bool Bold = false, bool Underline = false);
        ~TTabFontScope();
        TTabFontScope(const TTabFontScope&) = delete;
        TTabFontScope& operator=(const TTabFontScope&) = delete;
    private:
        const TFcCustomTabControl& control_;
        HDC dc_;
        int saved_;
    };
    HDC OffscreenDC() const;

    // The buttons, made on first use.
    TFcTabScroller* EnsureScroller();
    TFcTabControlCloseButton* EnsureCloseButton();
    TFcActiveTabCloseButton* EnsureActiveCloseButton();
    TFcTabMenuButton* EnsureMenuButton();
    TColor ButtonFrameColor() const;
    // The height of "A" in the tab font plus the buttons' padding.
    int ButtonTextHeight() const;
    void PlaceButtons();
    void ScrollerClick(bool UpRight);

    bool changeAllowed_ = false;
    bool hotTrackOnly_ = false;

private:
    friend class TTabFontScope;
    // --- messages
    void WMEraseBkgnd(TMessage& Message);
    void WMGetDlgCode(TMessage& Message);
    void CMFontChanged(TMessage& Message);
    void WMSize(TMessage& Message);
    void WMFocusChanged(TMessage& Message);
    void CMParentColorChanged(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    void CMDialogChar(TMessage& Message);
    void WMTimer(TMessage& Message);

    // --- layout steps
    TRect SlantContentRect(const TRect& R) const;
    TRect CutCornerContentRect(const TRect& R) const;
    TSize RowTabSize(TSize Content, TSize LargestContent) const;
    int ClipToRoom(int Length, int Room) const;
    int CountRows(const std::vector<int>& Lengths);
    void PlaceRows(const std::vector<int>& Lengths);
    void StretchRows();
    void BringRowToCard(int Index);
    int RowPlacementRoom();
    int FullyShownRoom() const;
    void FixFirstVisibleTab(int Remembered);
    void FixTabIndex();

    // --- painting steps
    void PaintBackground(TCanvas& Canvas);
    void DrawTabsAndCards(TCanvas& Canvas);
    void DrawTab(TCanvas& Canvas, int Index);
    void DrawCard(TCanvas& Canvas, int Row);
    void DrawTabBackground(TCanvas& Canvas, int Index, const TRect& R);
    void DrawTabContents(TCanvas& Canvas, int Index, const TRect& R);
    void DrawTabImage(TCanvas& Canvas, int Index, TRect ImageRect, TSize ImageSize);
    TColor CaptionColor(TCanvas& Canvas, int Index, const TRect& R);
    void DrawTabBar(TCanvas& Canvas, const TRect& R, TColor Color);
    void DrawCaption(int Index, TRect TextRect, TColor Color);
    void DrawCaptionLine(const std::string& Line, int X, int Y, TColor Color, bool Bold);
    void DrawFocusRectangle(TCanvas& Canvas, TRect TextRect);
    void AddCardOutlineTop(const TRect& C, bool Gap, TPoint GA, TPoint GB);
    void AddCardOutlineTopBoxed(const TRect& C, TPoint GA, TPoint GB);
    void AddCardOutlineSide(const TRect& C, bool Gap, TPoint GA, TPoint GB);
    void AddCardShadow(const TRect& C);

    // --- mouse, hover and drag
    void LeaveHotTab();
    void StartHoverTimer();
    void StopHoverTimer();
    void HoverTick();
    void DragScrollTick(TObject* Sender);
    void EraseDropMarker();

    // --- keyboard
    void StepSelection(bool Forwards);
    void JumpSelection(bool FromStart);
    bool TrySelectByKey(int Index);

    void ImageListChange(TObject* Sender);
    void UpdateButtonColors();
    void RenameFontIfNotTrueType();

    // --- properties
    bool alignTabs_ = false;
    TColor backgroundColor_ = clBtnFace;
    bool boldCurrentTab_ = false;
    int cutCornerSize_ = 6;
    TColor flatColor_ = clBtnShadow;
    int flatColorAdjustment_ = 0;
    bool hotTrack_ = true;
    TColor hotTrackColor_ = MakeColor(1350640);
    TFcTabHotTrackColorSource hotTrackColorSource_ = htcsTabColor;
    TFcHotTrackColorType hotTrackColorType_ = htctActual;
    TFcTabHotTrackStyle hotTrackStyle_ = htsTab;
    TFcHorizontalAlignment imageAlignment_ = haCenter;
    TFcVerticalAlignment imageAlignmentVertical_ = vaCenter;
    int imageMargin_ = 2;
    TFcImagePosition imagePosition_ = ipLeft;
    TCustomImageList* images_ = nullptr;
    int margin_ = 0;
    bool multiLine_ = false;
    bool parentBackgroundColor_ = true;
    int rowIndent_ = 5;
    int rowOverlap_ = 5;
    bool showCardFrame_ = true;
    bool showCloseButton_ = false;
    bool showCloseButtonOnActiveTab_ = false;
    bool showFocusRect_ = true;
    bool showFullFrame_ = true;
    bool showMenuButton_ = false;
    bool showShadow_ = true;
    bool softCorners_ = false;
    std::unique_ptr<TFcTabColors> tabColors_;
    int tabHeight_ = 0;
    bool tabHints_ = false;
    int tabIndex_ = -1;
    TFcTabOrientation tabOrientation_ = toTop;
    int tabOverlap_ = -1;
    TFcTabSequence tabSequence_ = tsStandard;
    TFcTabStyle tabStyle_ = tsSingleSlant;
    int tabWidth_ = 0;
    TFcHorizontalAlignment textAlignment_ = haCenter;
    TFcVerticalAlignment textAlignmentVertical_ = vaCenter;
    std::unique_ptr<TFcTextColors> textColors_;
    TOrientation textOrientation_ = orHorizontal;
    bool transparent_ = false;
    bool useColoredTabs_ = false;
    bool useGradients_ = true;

    // --- state
    std::unique_ptr<TBitmap> bitmap_;
    bool layoutDirty_ = false;
    TFcOutline outline_;
    int firstVisibleTab_ = 0;
    int fixedDimension_ = 0;
    int hotTab_ = -1;
    std::string savedHint_;
    TRect pageRect_;
    TRect alignedPageRect_{-1, -1, -1, -1};
    int rowCount_ = 1;
    TFcTabScroller* scroller_ = nullptr;
    bool scrollerNeeded_ = false;
    std::unique_ptr<TFcTabDataList> tabs_;
    std::unique_ptr<TFcTabRegionCache> regionCache_;
    int regionCacheCapacity_ = 1;
    TFcTabControlCloseButton* closeButton_ = nullptr;
    TFcActiveTabCloseButton* activeCloseButton_ = nullptr;
    TFcTabMenuButton* menuButton_ = nullptr;
    std::unique_ptr<TFont> tabFont_;
    mutable std::vector<TGdiHandle> fontStack_;
    mutable int buttonTextHeight_ = -1;
    bool hoverTimerRunning_ = false;
    TTimer* dragScrollTimer_ = nullptr;
    bool showCard_ = true;
    std::unique_ptr<TChangeLink> imageChangeLink_;
    int loadedTabIndex_ = 0;
    int pressedTab_ = 0;
    TRect markerRect_;
    bool markerShown_ = false;
    int lastDragOverTab_ = 0;
};

// ---------------------------------------------------------------------------------------
// The small buttons of the tab control

// The face shared by the tab buttons: a gradient (or flat) body and a frame.
void PaintTabButtonFace(TCanvas& Canvas, const TRect& R, TFcCustomTabControl& Tabs, bool Pressed, bool Hot,
                        TColor FrameColor);

// The tab indexes the tab menu lists, sorted by caption ignoring case; a caption equal
// (ignoring case) to one already listed is listed once, for the lowest index.
std::vector<int> TabMenuEntries(const TFcTabDataList& Tabs);

// What the windowed tab buttons share: frame colour, hot and pressed tracking.
class TFcTabButton : public TCustomControl {
    DECLARE_CLASS(TFcTabButton, TCustomControl)
    explicit TFcTabButton(TFcCustomTabControl* ATabControl);
    TColor GetFrameColor() const { return frameColor_; }
    virtual void SetFrameColor(TColor Value);
    bool Hot() const { return hot_; }
    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TFcTabButton>& b);
protected:
    // Whether a client point lies in the part that was pressed.
    virtual bool InPressedPart(int X, int Y) const;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // A release inside the pressed part.
    virtual void Released() {}
    void TrackHot();
    TFcCustomTabControl* tabControl_;
    TColor frameColor_ = clBtnShadow;
    bool hot_ = false;
    bool pressed_ = false;
    bool pressedInside_ = false;
private:
    void WMEraseBkgnd(TMessage& Message);
    void CMMouseEnterLeave(TMessage& Message);
};

class TFcTabScroller : public TFcTabButton {
    DECLARE_CLASS(TFcTabScroller, TFcTabButton)
    explicit TFcTabScroller(TFcCustomTabControl* ATabControl);
    TOrientation GetOrientation() const { return orientation_; }
    virtual void SetOrientation(TOrientation Value);
    // 0: the left or lower half; 1: the right or upper half.
    int HalfAt(int X, int Y) const;
    // The arrows' enabled look: the first half (left or lower) and the second.
    bool FirstHalfEnabled() const;
    bool SecondHalfEnabled() const;
    TTimer* RepeatTimer() const { return timer_; }
    TNotifyEvent OnUpRightClick;
    TNotifyEvent OnDownLeftClick;
protected:
    void Paint() override;
    bool InPressedPart(int X, int Y) const override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Released() override;
private:
    void FireHalf();
    void TimerTick(TObject* Sender);
    TOrientation orientation_ = orHorizontal;
    int pressedHalf_ = 0;
    TTimer* timer_ = nullptr;
};

class TFcTabControlCloseButton : public TFcTabButton {
    DECLARE_CLASS(TFcTabControlCloseButton, TFcTabButton)
    explicit TFcTabControlCloseButton(TFcCustomTabControl* ATabControl) : TFcTabButton(ATabControl) {}
    TNotifyEvent OnClose;
protected:
    void Paint() override;
    void Released() override;
};

class TFcTabMenuButton : public TFcTabButton {
    DECLARE_CLASS(TFcTabMenuButton, TFcTabButton)
    explicit TFcTabMenuButton(TFcCustomTabControl* ATabControl);
    TPopupMenu* Menu() const { return menu_; }
    // Fills the menu with the visible tabs and pops it up beside the button.
    void ShowMenu();
protected:
    void Paint() override;
    void Released() override;
private:
    void ItemClick(TObject* Sender);
    TPopupMenu* menu_;
};

// Drawn on the selected tab itself; no window of its own.
class TFcActiveTabCloseButton : public TGraphicControl {
    DECLARE_CLASS(TFcActiveTabCloseButton, TGraphicControl)
    explicit TFcActiveTabCloseButton(TFcCustomTabControl* ATabControl);
    TColor GetFrameColor() const { return frameColor_; }
    virtual void SetFrameColor(TColor Value);
    bool Hot() const { return hot_; }
    TNotifyEvent OnClose;
    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TFcActiveTabCloseButton>& b);
protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
private:
    void TrackHot();
    void CMMouseEnterLeave(TMessage& Message);
    TFcCustomTabControl* tabControl_;
    TColor frameColor_ = clBtnShadow;
    bool hot_ = false;
    bool pressed_ = false;
    bool pressedInside_ = false;
};

// ---------------------------------------------------------------------------------------
// Pages

class TFcTabSheet : public TCustomControl {
    DECLARE_CLASS(TFcTabSheet, TCustomControl)
    explicit TFcTabSheet(TComponent* AOwner);

    virtual void SetPageControl(TFcPageControl* Value);
    int GetImageIndex() const { return imageIndex_; }
    virtual void SetImageIndex(int Value);
    int GetDisabledIndex() const { return disabledIndex_; }
    virtual void SetDisabledIndex(int Value);
    bool GetTabEnabled() const { return tabEnabled_; }
    virtual void SetTabEnabled(bool Value);
    bool GetTabVisible() const { return tabVisible_; }
    virtual void SetTabVisible(bool Value);
    virtual int GetPageIndex() const;
    virtual void SetPageIndex(int Value);
    // -1 without a tab; else the number of pages before it that have one.
    virtual int VisibleTabIndex() const;
    void SetColor(TColor Value) override;
    // Pages are shown and hidden by their page control only: always raises.
    void SetVisible(bool Value) override;

    TFcPaintBackgroundEvent OnPaintBackground;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

    void WndProc(TMessage& Message) override;
    void ReadState() override;
    static void Publish(TClassBuilder<TFcTabSheet>& b);

protected:
    friend class TFcPageControl;
    void Destroying() override;
    void AssignTo(TPersistent* Dest) override;
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    // Shows or hides the page through the framework's visibility.
    void SetShown(bool Value) { TCustomControl::SetVisible(Value); }
    void Rebuild();

private:
    void WMEraseBkgnd(TMessage& Message);
    void CMTextChanged(TMessage& Message);
    void CMShowingChanged(TMessage& Message);
    TFcPageControl* pageControl_ = nullptr;
    int imageIndex_ = -1;
    int disabledIndex_ = -1;
    bool tabEnabled_ = true;
    bool tabVisible_ = true;
    bool wasShowing_ = false;
};

class TFcPageControl : public TFcCustomTabControl {
    DECLARE_CLASS(TFcPageControl, TFcCustomTabControl)
    explicit TFcPageControl(TComponent* AOwner);
    ~TFcPageControl() override;

    // EListError for an index out of range.
    virtual TFcTabSheet* Pages(int Index) const;
    virtual int PageCount() const { return static_cast<int>(pages_.size()); }
    TFcTabSheet* GetActivePage() const { return activePage_; }
    virtual void SetActivePage(TFcTabSheet* Value);
    TFcTabSheet* GetActivePageDefault() const { return activePageDefault_; }
    void SetActivePageDefault(TFcTabSheet* Value);
    virtual int GetActivePageIndex() const;
    // Out of range: the tab selection is cleared and the active page stays.
    virtual void SetActivePageIndex(int Index);
    bool GetSaveResources() const { return saveResources_; }
    virtual void SetSaveResources(bool Value);
    bool GetDblClickUndocks() const { return dblClickUndocks_; }
    void SetDblClickUndocks(bool Value) { dblClickUndocks_ = Value; }
    // The next page from Current (none: from an end) with a visible tab when asked.
    TFcTabSheet* FindNextPage(TFcTabSheet* Current, bool GoForward, bool CheckTabVisible) const;
    void SelectNextPage(bool GoForward);
    int IndexOfPage(const TFcTabSheet* Page) const;

    void SetUseColoredTabs(bool Value) override;
    void TabsChanged() override;
    void DoChanging(int NewIndex, bool& AllowChange) override;
    void DoPaintCardBackground(TCanvas* ACanvas, int ARow, const TRect& ARect, bool& Handled) override;
    void CloseActiveTab() override;
    void MoveActiveTab(int NewIndex) override;
    void DoOnChange() override;
    void DoPageChange() override;
    void HideAllPages() override;
    void ShowAllPages() override;

    void WndProc(TMessage& Message) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    static void Publish(TClassBuilder<TFcPageControl>& b);

protected:
    friend class TFcTabSheet;
    void Destroying() override;
    void CreateParams(TCreateParams& Params) override;
    void InsertPage(TFcTabSheet* Page);
    void RemovePage(TFcTabSheet* Page);
    void MovePage(TFcTabSheet* Page, int NewIndex);
    // The common step of every page switch.
    void ChangeActivePage(TFcTabSheet* Page);
    TFcTabSheet* PageForTab(int TabIndex) const;

private:
    void CMDialogKey(TMessage& Message);
    void WMSetFocus(TMessage& Message);
    void CMColorChanged(TMessage& Message);
    std::vector<TFcTabSheet*> pages_;
    TFcTabSheet* activePage_ = nullptr;
    TFcTabSheet* activePageDefault_ = nullptr;
    bool saveResources_ = false;
    bool dblClickUndocks_ = true;
    bool loadingPages_ = false;
};

// ---------------------------------------------------------------------------------------

template <class C>
void TFcCustomTabControl::PublishTabProperties(TClassBuilder<C>& b) {
    using T = TFcCustomTabControl;
    b.Prop("AlignTabs", &T::GetAlignTabs, &T::SetAlignTabs);
    b.Field("AllowTabDragging", &T::AllowTabDragging);
    b.Prop("BackgroundColor", &T::GetBackgroundColor, &T::SetBackgroundColor);
    b.Prop("BoldCurrentTab", &T::GetBoldCurrentTab, &T::SetBoldCurrentTab);
    b.Prop("CutCornerSize", &T::GetCutCornerSize, &T::SetCutCornerSize);
    b.Prop("FlatColor", &T::GetFlatColor, &T::SetFlatColor);
    b.Prop("FlatColorAdjustment", &T::GetFlatColorAdjustment, &T::SetFlatColorAdjustment);
    b.Prop("HotTrack", &T::GetHotTrack, &T::SetHotTrack);
    b.Prop("HotTrackColor", &T::GetHotTrackColor, &T::SetHotTrackColor);
    b.Prop("HotTrackColorSource", &T::GetHotTrackColorSource, &T::SetHotTrackColorSource);
    b.Prop("HotTrackColorType", &T::GetHotTrackColorType, &T::SetHotTrackColorType);
    b.Prop("HotTrackStyle", &T::GetHotTrackStyle, &T::SetHotTrackStyle);
    b.Prop("ImageAlignment", &T::GetImageAlignment, &T::SetImageAlignment);
    b.Prop("ImageAlignmentVertical", &T::GetImageAlignmentVertical, &T::SetImageAlignmentVertical);
    b.Prop("ImageMargin", &T::GetImageMargin, &T::SetImageMargin);
    b.Prop("ImagePosition", &T::GetImagePosition, &T::SetImagePosition);
    b.Prop("Images", &T::GetImages, &T::SetImages);
    b.Prop("Margin", &T::GetMargin, &T::SetMargin);
    b.Prop("MultiLine", &T::GetMultiLine, &T::SetMultiLine);
    b.Prop("ParentBackgroundColor", &T::GetParentBackgroundColor, &T::SetParentBackgroundColor);
    b.Prop("RowIndent", &T::GetRowIndent, &T::SetRowIndent);
    b.Prop("RowOverlap", &T::GetRowOverlap, &T::SetRowOverlap);
    b.Prop("ShowCardFrame", &T::GetShowCardFrame, &T::SetShowCardFrame);
    b.Prop("ShowCloseButton", &T::GetShowCloseButton, &T::SetShowCloseButton);
    b.Prop("ShowCloseButtonOnActiveTab", &T::GetShowCloseButtonOnActiveTab, &T::SetShowCloseButtonOnActiveTab);
    b.Prop("ShowFocusRect", &T::GetShowFocusRect, &T::SetShowFocusRect);
    b.Prop("ShowFullFrame", &T::GetShowFullFrame, &T::SetShowFullFrame);
    b.Prop("ShowMenuButton", &T::GetShowMenuButton, &T::SetShowMenuButton);
    b.Prop("ShowShadow", &T::GetShowShadow, &T::SetShowShadow);
    b.Prop("SoftCorners", &T::GetSoftCorners, &T::SetSoftCorners);
    b.Prop("TabColors", &T::GetTabColors, &T::SetTabColors);
    b.Prop("TabHeight", &T::GetTabHeight, &T::SetTabHeight);
    b.Prop("TabHints", &T::GetTabHints, &T::SetTabHints);
    b.Prop("TabIndex", &T::GetTabIndex, &T::SetTabIndex);
    b.Prop("TabOrientation", &T::GetTabOrientation, &T::SetTabOrientation);
    b.Prop("TabOverlap", &T::GetTabOverlap, &T::SetTabOverlap);
    b.Prop("TabSequence", &T::GetTabSequence, &T::SetTabSequence);
    b.Prop("TabStyle", &T::GetTabStyle, &T::SetTabStyle);
    b.Prop("TabWidth", &T::GetTabWidth, &T::SetTabWidth);
    b.Prop("TextAlignment", &T::GetTextAlignment, &T::SetTextAlignment);
    b.Prop("TextAlignmentVertical", &T::GetTextAlignmentVertical, &T::SetTextAlignmentVertical);
    b.Prop("TextColors", &T::GetTextColors, &T::SetTextColors);
    b.Prop("TextOrientation", &T::GetTextOrientation, &T::SetTextOrientation);
    b.Prop("Transparent", &T::GetTransparent, &T::SetTransparent);
    b.Prop("UseColoredTabs", &T::GetUseColoredTabs, &T::SetUseColoredTabs);
    b.Prop("UseGradients", &T::GetUseGradients, &T::SetUseGradients);
    b.Event("OnChange", &T::OnChange);
    b.Event("OnChanging", &T::OnChanging);
    b.Event("OnClose", &T::OnClose);
    b.Event("OnGetTextColor", &T::OnGetTextColor);
    b.Event("OnPageChange", &T::OnPageChange);
    b.Event("OnPaintBackground", &T::OnPaintBackground);
    b.Event("OnPaintCardBackground", &T::OnPaintCardBackground);
    b.Event("OnPaintTabBackground", &T::OnPaintTabBackground);
    b.Event("OnTabClick", &T::OnTabClick);
    b.Event("OnTabOrderChange", &T::OnTabOrderChange);
    b.Event("OnScrolledTabs", &T::OnScrolledTabs);
}
