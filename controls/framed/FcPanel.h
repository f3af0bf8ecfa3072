// The framed panel (borders chosen per side, flat or gradient face, aligned caption, grid,
// transparency, frame settings) and the group box with its six group styles.
#pragma once
#include "controls/framed/FcCommon.h"

#include "framework/DockTree.h"
#include "framework/ExtCtrls.h"

#include <map>
#include <memory>

class TFcPanelDockManager;

class TFcCustomPanel : public TCustomPanel, public IFrameSettingsClient {
    DECLARE_CLASS(TFcCustomPanel, TCustomPanel)
    explicit TFcCustomPanel(TComponent* AOwner);
    ~TFcCustomPanel() override;

    TFrameStyleEx GetBorderOuter() const { return borderOuter_; }
    virtual void SetBorderOuter(TFrameStyleEx Value);
    TFrameStyleEx GetBorderInner() const { return borderInner_; }
    virtual void SetBorderInner(TFrameStyleEx Value);
    TSides GetBorderSides() const { return borderSides_; }
    virtual void SetBorderSides(TSides Value);
    TColor GetBorderColor() const { return borderColor_; }
    virtual void SetBorderColor(TColor Value);
    TColor GetBorderHighlight() const { return borderHighlight_; }
    virtual void SetBorderHighlight(TColor Value);
    TColor GetBorderShadow() const { return borderShadow_; }
    virtual void SetBorderShadow(TColor Value);
    TColor GetFlatColor() const { return flatColor_; }
    virtual void SetFlatColor(TColor Value);
    int GetFlatColorAdjustment() const { return flatColorAdjustment_; }
    virtual void SetFlatColorAdjustment(int Value);
    TFcVisualStyle GetVisualStyle() const { return visualStyle_; }
    virtual void SetVisualStyle(TFcVisualStyle Value);
    TFcGradientColorStyle GetGradientColorStyle() const { return gradientColorStyle_; }
    virtual void SetGradientColorStyle(TFcGradientColorStyle Value);
    TColor GetGradientColorStart() const { return gradientColorStart_; }
    virtual void SetGradientColorStart(TColor Value);
    TColor GetGradientColorStop() const { return gradientColorStop_; }
    virtual void SetGradientColorStop(TColor Value);
    TGradientDirection GetGradientDirection() const { return gradientDirection_; }
    virtual void SetGradientDirection(TGradientDirection Value);
    TAlignmentVertical GetAlignmentVertical() const { return alignmentVertical_; }
    virtual void SetAlignmentVertical(TAlignmentVertical Value);
    bool GetTransparent() const { return transparent_; }
    virtual void SetTransparent(bool Value);
    TFcFrameController* GetFrameController() const { return frameController_; }
    virtual void SetFrameController(TFcFrameController* Value);
    TFcFrameControllerNotifications GetFrameControllerNotifications() const { return notifications_; }
    void SetFrameControllerNotifications(TFcFrameControllerNotifications Value) { notifications_ = Value; }
    bool GetShowDockClientCaptions() const { return showDockClientCaptions_; }
    void SetShowDockClientCaptions(bool Value) { showDockClientCaptions_ = Value; }
    // Controls dock in the panel while it is a dock site; the panel's dock manager (made
    // when UseDockManager is set too) places them and draws their frames.
    bool GetDockSite() const { return dockSite_; }
    void SetDockSite(bool Value);
    bool GetUseDockManager() const { return useDockManager_; }
    void SetUseDockManager(bool Value);
    TFcPanelDockManager* DockManager() const { return dockManager_.get(); }
    // Docks Control in the panel (nothing without a dock manager).
    void DockControl(TControl* Control);

    // Settings without a published property.
    virtual void SetGridVisible(bool Value);
    virtual void SetGridPenColor(TColor Value);
    // 0 dots, 1 dotted lines, 2 solid lines.
    virtual void SetGridKind(int Value);
    virtual void SetGridStepX(uint16_t Value);
    virtual void SetGridStepY(uint16_t Value);
    virtual void SetFillFace(bool Value);
    virtual void SetCaptionMargin(int Value);
    virtual void SetCaptionMarginVertical(int Value);
    virtual void SetCaptionWrap(bool Value);

    // The cursor position in client coordinates.
    virtual void CursorClientPos(TPoint& P) const;
    // Shrinks Rect by the borders on their sides (and by BorderWidth when asked).
    virtual void InsetByBorders(TRect& Rect, bool WithBorderWidth) const;
    // The area painted as face and borders.
    virtual void FaceRect(TRect& Rect) const;
    virtual void InvalidationMargin(TPoint& P) const { P = TPoint(1, 1); }
    virtual void GradientColors(TColor& Start, TColor& Stop) const;
    virtual void FlatColors(TColor& Color, int& Adjustment) const;

    void ApplyFrameSettings() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void WndProc(TMessage& Message) override;
    void DefineProperties(TFiler& Filer) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    static void Publish(TClassBuilder<TFcCustomPanel>& b);

    TNotifyEvent OnPaint;

protected:
    virtual void DrawCaption(TRect Rect);
    virtual void DrawGrid(const TRect& Rect);
    void Paint() override;
    void AdjustClientRect(TRect& Rect) override;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    virtual std::unique_ptr<TFcPanelDockManager> CreateDockManager();
    // The parent's colour (the panel's corners show it).
    TColor ParentColorValue() const;
    // Repaints the panel and every child.
    void InvalidateAll();

private:
    void WMWindowPosChanged(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void WMThemeChanged(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMControlChange(TMessage& Message);
    template <class T> void Change(T& field, const T& value);
    template <class T> void ChangeBorders(T& field, const T& value);

    TFrameStyleEx borderOuter_ = fsRaised;
    TFrameStyleEx borderInner_ = fsNone;
    TSides borderSides_ = AllSides;
    TColor borderColor_ = clBtnFace;
    TColor borderHighlight_ = clBtnHighlight;
    TColor borderShadow_ = clBtnShadow;
    TColor flatColor_ = clBtnShadow;
    int flatColorAdjustment_ = 30;
    TFcVisualStyle visualStyle_ = vsWinXP;
    TFcGradientColorStyle gradientColorStyle_ = gcsSystem;
    TColor gradientColorStart_ = clWhite;
    TColor gradientColorStop_ = clBtnFace;
    TGradientDirection gradientDirection_ = gdHorizontalEnd;
    TAlignmentVertical alignmentVertical_ = avCenter;
    bool transparent_ = false;
    TFcFrameController* frameController_ = nullptr;
    TFcFrameControllerNotifications notifications_ = AllFrameNotifications;
    bool showDockClientCaptions_ = true;
    bool gridVisible_ = false;
    TColor gridPenColor_ = clBtnShadow;
    int gridKind_ = 0;
    uint16_t gridStepX_ = 8, gridStepY_ = 8;
    bool fillFace_ = true;
    int captionMargin_ = 0, captionMarginVertical_ = 0;
    bool captionWrap_ = true;
    // The children's Enabled while the panel is disabled; children removed meanwhile leave it.
    std::map<TControl*, bool> childEnabledStates_;
    bool dockSite_ = false;
    bool useDockManager_ = false;
    std::unique_ptr<TFcPanelDockManager> dockManager_;
    friend class TFcPanelDockManager;
    void UpdateDockManager();
};

// Places the controls docked in a framed panel and draws their frames: a caption strip
// with the client's caption and a close glyph when the panel shows dock client captions.
class TFcPanelDockManager : public TDockTree {
public:
    explicit TFcPanelDockManager(TFcCustomPanel* Panel);
    ~TFcPanelDockManager() override;
    TFcCustomPanel* Panel() const { return panel_; }
    void PaintDockFrame(TCanvas* Canvas, TControl* Control, const TRect& ARect) override;

protected:
    // alTop and alBottom panels lay their clients side by side, grabbers at the left.
    bool ZonesInARow() const override;
    TRect DockArea() const override;
    // The caption strip of a client's zone.
    virtual TRect CaptionStrip(const TRect& Zone) const;

private:
    TFcCustomPanel* panel_;
    TWndMethod previousProc_;
    std::unique_ptr<TFont> captionFont_;
    std::unique_ptr<TFont> closeFont_;
};

enum class TFcGroupBoxStyle { gsStandard, gsCustom, gsTopLine, gsFlat, gsBanner, gsUnderline };
DECLARE_ENUM_NAMES(TFcGroupBoxStyle, "gsStandard", "gsCustom", "gsTopLine", "gsFlat", "gsBanner", "gsUnderline");
using enum TFcGroupBoxStyle;

class TFcCustomGroupBox : public TFcCustomPanel {
    DECLARE_CLASS(TFcCustomGroupBox, TFcCustomPanel)
    explicit TFcCustomGroupBox(TComponent* AOwner);

    TFcGroupBoxStyle GetGroupStyle() const { return groupStyle_; }
    virtual void SetGroupStyle(TFcGroupBoxStyle Value);
    int GetBannerHeight() const { return bannerHeight_; }
    virtual void SetBannerHeight(int Value);

    // The caption's rectangle for the current style (empty without a caption and in gsCustom).
    TRect CaptionRect();
    void ApplyFrameSettings() override;
    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TFcCustomGroupBox>& b);

protected:
    void Paint() override;
    void AdjustClientRect(TRect& Rect) override;

private:
    bool UsesThemedFrame();
    void PaintThemed(const TRect& caption);
    void PaintFrame(const TRect& caption);
    void PaintBanner(const TRect& caption);
    void PaintCaption(TRect caption);
    void CMDialogChar(TMessage& Message);
    TFcGroupBoxStyle groupStyle_ = gsFlat;
    int bannerHeight_ = 0;
};

class TFcGroupBox : public TFcCustomGroupBox {
    DECLARE_CLASS(TFcGroupBox, TFcCustomGroupBox)
    using TFcCustomGroupBox::TFcCustomGroupBox;
};
