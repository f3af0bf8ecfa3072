// More controls: images, bevels, panels, and timers.
#pragma once
#include "framework/Controls.h"

#include <memory>

// ---------------------------------------------------------------------------------------
// TImage

class TImage : public TGraphicControl {
    DECLARE_CLASS(TImage, TGraphicControl)
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    TPicture* Picture() const { return picture_.get(); }
    void SetPicture(TPicture* v) { picture_->Assign(v); }
    // A canvas to draw on the picture: an empty picture becomes a bitmap of the image's
    // size; EInvalidOperation when the picture holds another kind of graphic.
    TCanvas* Canvas();
    bool GetCenter() const { return center_; }
    void SetCenter(bool v);
    bool GetStretch() const { return stretch_; }
    void SetStretch(bool v);
    bool GetProportional() const { return proportional_; }
    void SetProportional(bool v);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool v);
    // Where the picture is drawn in the client area.
    TRect DestRect() const;

    void Loaded() override;
    static void Publish(TClassBuilder<TImage>& b);

protected:
    void Paint() override;
    void AdjustSize() override;
    virtual void PictureChanged(TObject* Sender);

private:
    std::unique_ptr<TPicture> picture_;
    bool center_ = false;
    bool stretch_ = false;
    bool proportional_ = false;
    bool transparent_ = false;
};

// ---------------------------------------------------------------------------------------
// TBevel

enum class TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
DECLARE_ENUM_NAMES(TBevelShape, "bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine",
                   "bsSpacer");
using enum TBevelShape;

enum class TBevelStyle { bsLowered, bsRaised };
DECLARE_ENUM_NAMES(TBevelStyle, "bsLowered", "bsRaised");
using enum TBevelStyle;

class TBevel : public TGraphicControl {
    DECLARE_CLASS(TBevel, TGraphicControl)
    explicit TBevel(TComponent* AOwner);
    TBevelShape GetShape() const { return shape_; }
    void SetShape(TBevelShape v);
    TBevelStyle GetStyle() const { return style_; }
    void SetStyle(TBevelStyle v);
    static void Publish(TClassBuilder<TBevel>& b);
protected:
    void Paint() override;
private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

// ---------------------------------------------------------------------------------------
// Panels

enum class TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
DECLARE_ENUM_NAMES(TPanelBevel, "bvNone", "bvLowered", "bvRaised", "bvSpace");
using enum TPanelBevel;

// Draws a 3D frame of width lines inside r and shrinks r by it.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

class TCustomPanel : public TCustomControl {
    DECLARE_CLASS(TCustomPanel, TCustomControl)
    explicit TCustomPanel(TComponent* AOwner);

    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment v);
    TPanelBevel GetBevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel v);
    TPanelBevel GetBevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel v);
    int GetBevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int v);
    int GetBorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int v);
    TBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle v);
    bool GetFullRepaint() const { return fullRepaint_; }
    void SetFullRepaint(bool v) { fullRepaint_ = v; }
    bool GetLocked() const { return locked_; }
    void SetLocked(bool v) { locked_ = v; }

    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TCustomPanel>& b);

protected:
    void CreateParams(TCreateParams& Params) override;
    void AdjustClientRect(TRect& Rect) override;
    void Paint() override;

private:
    void BordersChanged();
    TAlignment alignment_ = taCenter;
    TPanelBevel bevelInner_ = bvNone;
    TPanelBevel bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
    bool fullRepaint_ = true;
    bool locked_ = false;
};

class TPanel : public TCustomPanel {
    DECLARE_CLASS(TPanel, TCustomPanel)
    using TCustomPanel::TCustomPanel;
};

// ---------------------------------------------------------------------------------------
// TTimer

class TTimer : public TComponent {
    DECLARE_CLASS(TTimer, TComponent)
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool v);
    // Milliseconds; may change while the timer runs.
    unsigned GetInterval() const { return interval_; }
    void SetInterval(unsigned v);
    TNotifyEvent OnTimer;

    static void Publish(TClassBuilder<TTimer>& b);

protected:
    virtual void Timer();
    void UpdateTimer();

private:
    HWND window_ = nullptr;
    bool enabled_ = true;
    unsigned interval_ = 1000;
};
