// The size panel: a framed panel with its own splitter, a size bar along one edge that the
// user drags to resize the panel, and an optional hot spot on the bar that collapses the
// panel to the bar and restores it.
#pragma once
#include "controls/framed/FcPanel.h"

enum class TSplitterStyle { ssStandard, ssGroove, ssBump, ssGroupBar };
DECLARE_ENUM_NAMES(TSplitterStyle, "ssStandard", "ssGroove", "ssBump", "ssGroupBar");
using enum TSplitterStyle;

// At least 1.
using TSizeBarWidth = int;

class TFcCustomSizePanel : public TFcCustomPanel {
    DECLARE_CLASS(TFcCustomSizePanel, TFcCustomPanel)
    explicit TFcCustomSizePanel(TComponent* AOwner);
    ~TFcCustomSizePanel() override;

    // Which edge holds the size bar (from Align, or from Side for alNone and alCustom).
    enum class TBarEdge { Right, Bottom, Left, Top, None };

    void SetAlign(TAlign Value) override;
    TSide GetSide() const { return side_; }
    virtual void SetSide(TSide Value);
    TSizeBarWidth GetSizeBarWidth() const { return sizeBarWidth_; }
    virtual void SetSizeBarWidth(TSizeBarWidth Value);
    TSplitterStyle GetSizeBarStyle() const { return sizeBarStyle_; }
    virtual void SetSizeBarStyle(TSplitterStyle Value);
    bool GetLockBar() const { return lockBar_; }
    void SetLockBar(bool Value) { lockBar_ = Value; }
    bool GetRealTimeDrag() const { return realTimeDrag_; }
    void SetRealTimeDrag(bool Value) { realTimeDrag_ = Value; }
    int GetMarginMin() const { return marginMin_; }
    virtual void SetMarginMin(int Value);
    int GetMarginMax() const { return marginMax_; }
    virtual void SetMarginMax(int Value);
    bool GetHotSpotVisible() const { return hotSpotVisible_; }
    virtual void SetHotSpotVisible(bool Value);
    int GetHotSpotSizePercent() const { return hotSpotSizePercent_; }
    virtual void SetHotSpotSizePercent(int Value);
    bool GetHotSpotIgnoreMargins() const { return hotSpotIgnoreMargins_; }
    void SetHotSpotIgnoreMargins(bool Value) { hotSpotIgnoreMargins_ = Value; }
    TColor GetHotSpotColor() const { return hotSpotColor_; }
    void SetHotSpotColor(TColor Value);
    TColor GetHotSpotHighlight() const { return hotSpotHighlight_; }
    virtual void SetHotSpotHighlight(TColor Value);
    TColor GetHotSpotDotColor() const { return hotSpotDotColor_; }
    void SetHotSpotDotColor(TColor Value);
    TColor GetHotSpotFrameColor() const { return hotSpotFrameColor_; }
    void SetHotSpotFrameColor(TColor Value);
    int GetGradientColorAdjustment() const { return gradientColorAdjustment_; }
    virtual void SetGradientColorAdjustment(int Value);
    TFcGroupBarGradientPath GetGradientPath() const { return gradientPath_; }
    virtual void SetGradientPath(TFcGroupBarGradientPath Value);

    // Collapsed by the hot spot; the size it had before (restored by the next hot-spot click).
    bool HotSpotClosed() const { return collapsed_; }
    int HotSpotPosition() const { return storedSize_; }
    virtual void ClearHotSpotClosed() { collapsed_ = false; }
    bool Resizing() const { return resizing_; }

    TBarEdge BarEdge() const;
    virtual bool IsHorizontalBar() const;
    // The panel grows when its bar moves right or down.
    bool IsStartSide() const;
    // Computes the size-bar rectangle and, from it, the hot spot.
    virtual void SizeBarRect(TRect& Rect);
    TRect HotSpotRect() const { return hotSpotRect_; }
    virtual void CalcHotSpotRect(const TRect& BarRect);
    // The parent's client area less its aligned children; "No parent specified" without one.
    virtual void ParentFreeArea(TRect& Rect) const;
    virtual void ClampBarPosition(int& Position) const;
    virtual int MaxPanelSize() const;

    void FaceRect(TRect& Rect) const override;
    void InsetByBorders(TRect& Rect, bool WithBorderWidth) const override;
    void WndProc(TMessage& Message) override;
    void DefineProperties(TFiler& Filer) override;
    static void Publish(TClassBuilder<TFcCustomSizePanel>& b);

    TNotifyEvent OnHotSpotClick;

protected:
    friend class TFcSizePanelDockManager;
    std::unique_ptr<TFcPanelDockManager> CreateDockManager() override;
    virtual void PaintDragLine(int Position);
    virtual void TrackHotSpotHover();
    virtual void PaintHotSpot(bool Highlighted);
    virtual void PaintSizeBar();
    virtual void DoHotSpotClick();
    void Paint() override;
    void AdjustClientRect(TRect& Rect) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;

private:
    // The surface the drag line is drawn on, with the pattern brush selected.
    class TDragSurface {
    public:
        ~TDragSurface() { Release(); }
        void Acquire(HWND window, bool withPattern);
        void Release();
        HDC DC() const { return dc_; }
    private:
        HWND window_ = nullptr;
        HDC dc_ = nullptr;
        HGDIOBJ displaced_ = nullptr;
        TGdiHandle pattern_;
    };

    void WMSetCursor(TMessage& Message);
    void WMPaint(TMessage& Message);
    void WMWindowPosChanged(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void WMCaptureChanged(TMessage& Message);
    // Ends a press without applying anything (Esc, a lost capture).
    void CancelDrag();
    bool CursorInHotSpot() const;
    int CurrentSize() const;
    void ApplySize(int size);
    void ToggleCollapsed();
    void LoadCursors();
    template <class T> void Change(T& field, const T& value);

    TSide side_ = TSide::sdLeft;
    TSizeBarWidth sizeBarWidth_ = 4;
    TSplitterStyle sizeBarStyle_ = ssStandard;
    bool lockBar_ = false;
    bool realTimeDrag_ = false;
    int marginMin_ = 0, marginMax_ = 0;
    bool hotSpotVisible_ = false;
    int hotSpotSizePercent_ = 40;
    bool hotSpotIgnoreMargins_ = false;
    TColor hotSpotColor_ = clBtnFace;
    TColor hotSpotHighlight_ = clWindow;
    TColor hotSpotDotColor_ = clHighlight;
    TColor hotSpotFrameColor_ = clBtnShadow;
    int gradientColorAdjustment_ = 30;
    TFcGroupBarGradientPath gradientPath_ = gpTopToBottom;
    const int marginOffset_ = 1;

    bool collapsed_ = false;
    int storedSize_ = 100;
    TRect hotSpotRect_;
    bool resizing_ = false;
    bool hotSpotPress_ = false;
    bool outsideHotSpot_ = true;
    bool refreshHotSpot_ = false;
    int startPos_ = 0, pressWidth_ = 0, pressHeight_ = 0, lastPos_ = 0, pressOffset_ = 0;
    TDragSurface surface_;
    // FCSPLIT_HORZ, FCSPLIT_HORZHOTSPOT, FCSPLIT_VERT, FCSPLIT_VERTHOTSPOT (owned when loaded).
    HCURSOR cursors_[4] = {};
    bool ownCursor_[4] = {};
};

// The size panel's dock manager: its clients share the room beside the bar, and nothing is
// drawn while the panel is collapsed.
class TFcSizePanelDockManager : public TFcPanelDockManager {
public:
    explicit TFcSizePanelDockManager(TFcCustomSizePanel* Panel) : TFcPanelDockManager(Panel), sizePanel_(Panel) {}
    void PaintSite(TCanvas* Canvas) override;
private:
    TFcCustomSizePanel* sizePanel_;
};

class TFcSizePanel : public TFcCustomSizePanel {
    DECLARE_CLASS(TFcSizePanel, TFcCustomSizePanel)
    using TFcCustomSizePanel::TFcCustomSizePanel;
};
