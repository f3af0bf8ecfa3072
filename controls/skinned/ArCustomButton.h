// The push button drawn from pictures, without its state pictures: caption per state, optional
// transparency over its parent, border, focus rectangle, keyboard, default and cancel keys,
// modal result, and an event that repeats while the left button is held.
#pragma once
#include "controls/skinned/ArControls.h"
#include "framework/Controls.h"
#include "framework/Forms.h"

#include <memory>
#include <string>

// Where a picture of w x h goes on a button of W x H (div truncates toward zero, so a
// picture wider than the button starts left of it).
TPoint ArPictureOrigin(TArPicAlign align, int W, int H, int w, int h, int customX, int customY);
// The DrawText flags of a caption.
UINT ArCaptionFlags(TArTextAlign align, bool multiLines);

class TArCustomButton : public TCustomControl {
    DECLARE_CLASS(TArCustomButton, TCustomControl)
    explicit TArCustomButton(TComponent* AOwner);
    ~TArCustomButton() override;

    // The caption is the control's text: an action link that changes the text changes it.
    std::string GetCaption() const { return GetText(); }
    void SetCaption(const std::string& v);
    TArTextAlign GetTextAlign() const { return textAlign_; }
    void SetTextAlign(TArTextAlign v);
    int GetTextX() const { return textX_; }
    void SetTextX(int v);
    int GetTextY() const { return textY_; }
    void SetTextY(int v);
    bool GetMultiLines() const { return multiLines_; }
    void SetMultiLines(bool v);
    TFont* GetFontMouseHover() const { return fontMouseHover_.get(); }
    void SetFontMouseHover(TFont* v);
    TFont* GetFontMouseDown() const { return fontMouseDown_.get(); }
    void SetFontMouseDown(TFont* v);
    TFont* GetFontDisabled() const { return fontDisabled_.get(); }
    void SetFontDisabled(TFont* v);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool v);
    int GetFocusedRectMargin() const { return focusedRectMargin_; }
    void SetFocusedRectMargin(int v);
    TModalResult GetModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult v);
    TArPicAlign GetPictureAlign() const { return pictureAlign_; }
    void SetPictureAlign(TArPicAlign v);
    int GetPictureX() const { return pictureX_; }
    void SetPictureX(int v);
    int GetPictureY() const { return pictureY_; }
    void SetPictureY(int v);
    bool GetStretch() const { return stretch_; }
    void SetStretch(bool v);
    bool GetDrawFocused() const { return drawFocused_; }
    void SetDrawFocused(bool v);
    bool GetDrawBorder() const { return drawBorder_; }
    void SetDrawBorder(bool v);
    TColor GetTransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor v);
    bool GetEnableTransparentColor() const { return enableTransparentColor_; }
    void SetEnableTransparentColor(bool v);
    bool GetDefault() const { return default_; }
    void SetDefault(bool v);
    bool GetCancel() const { return cancel_; }
    void SetCancel(bool v);
    void SetEnabled(bool v) override;

    // The state the button shows.
    bool IsHover() const { return hover_; }
    bool IsPressed() const { return pressed_; }
    // Enter clicks this button (it is the default one, or a focused button).
    bool IsActive() const { return active_; }
    bool RepeatTimerRunning() const { return repeating_; }

    // Frees the repeat timer and releases a pressed button, then sets the parent form's
    // ModalResult (when there is a form) and runs OnClick or the action.
    void Click() override;
    void WndProc(TMessage& Message) override;

    TNotifyEvent OnMouseExit;
    TNotifyEvent OnMouseContinuouslyDown;

    static void Publish(TClassBuilder<TArCustomButton>& b);

protected:
    void CreateWnd() override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyUp(WORD& Key, TShiftState Shift) override;

    // Each draws on the canvas of the off-screen bitmap.
    virtual void PaintPicture(TCanvas& canvas, TPicture* picture);
    virtual void PaintCaption(TCanvas& canvas, const std::string& text);
    virtual void PaintFocusRect(TCanvas& canvas);
    virtual void PaintBorder(TCanvas& canvas);
    // The picture of the current state; false when there is none to draw.
    virtual bool GetStatePicture(TPicture*& picture);

private:
    // Messages handled here, one handler each.
    void CMMouseEnter(TMessage& Message);
    void CMMouseLeave(TMessage& Message);
    void CMDialogKey(TMessage& Message);
    void CMDialogChar(TMessage& Message);
    void CMFocusChanged(TMessage& Message);
    void CMCancelMode(TMessage& Message);
    void WMTimer(TMessage& Message);
    void WMFocus(TMessage& Message);

    void SetPressed(bool v);
    void StartRepeat();
    void StopRepeat();
    // Draws the state picture over what bitmap holds, skipping the key colour when asked.
    void PaintStatePicture(TBitmap& bitmap);
    TFont* StateFont() const;
    void HookFont(TFont* font);

    std::unique_ptr<TFont> fontMouseHover_;
    std::unique_ptr<TFont> fontMouseDown_;
    std::unique_ptr<TFont> fontDisabled_;
    TArTextAlign textAlign_ = TArTextAlign::taCenter;
    int textX_ = 0;
    int textY_ = 0;
    bool multiLines_ = false;
    bool transparent_ = false;
    int focusedRectMargin_ = 2;
    TModalResult modalResult_ = mrNone;
    TArPicAlign pictureAlign_ = TArPicAlign::paTopLeft;
    int pictureX_ = 0;
    int pictureY_ = 0;
    bool stretch_ = false;
    bool drawFocused_ = true;
    bool drawBorder_ = false;
    TColor transparentColor_ = clFuchsia;
    bool enableTransparentColor_ = false;
    bool default_ = false;
    bool cancel_ = false;
    bool hover_ = false;
    bool pressed_ = false;
    bool active_ = false;
    bool repeating_ = false;
    int repeatInterval_ = 100;
};
