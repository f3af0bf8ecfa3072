// The windowed base of the framed button-like controls: hover and pressed tracking, the
// caption in four text styles, transparency hooks and the choice of visual styles.
#pragma once
#include "controls/framed/FcCommon.h"

class TFcCustomButton : public TCustomControl {
    DECLARE_CLASS(TFcCustomButton, TCustomControl)
    explicit TFcCustomButton(TComponent* AOwner);

    TAlignmentVertical GetAlignmentVertical() const { return alignmentVertical_; }
    virtual void SetAlignmentVertical(TAlignmentVertical Value);
    bool GetHotTrack() const { return hotTrack_; }
    virtual void SetHotTrack(bool Value);
    TColor GetHighlightColor() const { return highlightColor_; }
    virtual void SetHighlightColor(TColor Value);
    TColor GetHotTrackColor() const { return hotTrackColor_; }
    void SetHotTrackColor(TColor Value) { hotTrackColor_ = Value; }
    TFcHotTrackColorType GetHotTrackColorType() const { return hotTrackColorType_; }
    void SetHotTrackColorType(TFcHotTrackColorType Value) { hotTrackColorType_ = Value; }
    bool GetLightTextStyle() const { return lightTextStyle_; }
    virtual void SetLightTextStyle(bool Value);
    TTextStyle GetTextStyle() const { return textStyle_; }
    virtual void SetTextStyle(TTextStyle Value);
    TColor GetTextHighlightColor() const { return textHighlightColor_; }
    virtual void SetTextHighlightColor(TColor Value);
    TColor GetTextShadowColor() const { return textShadowColor_; }
    virtual void SetTextShadowColor(TColor Value);
    int GetTextShadowDepth() const { return textShadowDepth_; }
    virtual void SetTextShadowDepth(int Value);
    bool GetThemeAware() const { return themeAware_; }
    virtual void SetThemeAware(bool Value);
    bool GetTransparent() const { return transparent_; }
    virtual void SetTransparent(bool Value);

    // The pointer is over the control; a left press inside is being tracked; the pressed
    // appearance is on.
    bool Hovered() const { return hover_; }
    bool PressedTracking() const { return pressedTracking_; }
    bool PressedLook() const { return pressedLook_; }
    // Visual styles are allowed (ThemeAware) and on.
    virtual bool ThemesInUse() const;
    // The caption in Rect with the text style, vertical placement and DrawText Flags.
    virtual void DrawCaption(TCanvas* Canvas, const TRect& Rect, UINT Flags);

    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TFcCustomButton>& b);

protected:
    // Called while a transparent control's background is erased.
    virtual void PaintTransparentBackground(HDC DC) { (void)DC; }
    virtual void RepaintState() {}
    virtual void RepaintFocus() { Repaint(); }
    // The part to invalidate when the pointer enters or leaves.
    virtual void GetHotRect(TRect& Rect) { Rect = GetClientRect(); }
    // What a completed click does to the control's state.
    virtual void ChangeState() = 0;

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

    bool pressedLook_ = false;

private:
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMEnabledChanged(TMessage& Message);
    void CMTextChanged(TMessage& Message);
    void WMFocusChanged(TMessage& Message);
    void WMEraseBkgnd(TMessage& Message);
    void InvalidateHotRect();
    template <class T> void Change(T& field, const T& value);

    TAlignmentVertical alignmentVertical_ = avCenter;
    bool hotTrack_ = false;
    TColor highlightColor_ = clHighlight;
    TColor hotTrackColor_ = MakeColor(0x149BF0);
    TFcHotTrackColorType hotTrackColorType_ = htctActual;
    bool lightTextStyle_ = false;
    TTextStyle textStyle_ = tsNormal;
    TColor textHighlightColor_ = clBtnHighlight;
    TColor textShadowColor_ = clBtnShadow;
    int textShadowDepth_ = 2;
    bool themeAware_ = true;
    bool transparent_ = false;
    bool pressedTracking_ = false;
    bool hover_ = false;
};
