// Controls that show a small state glyph beside their caption: the glyph button, the
// three-state check box, and the action link that keeps a box and its action's Checked in step.
#pragma once
#include "controls/framed/FcButton.h"

#include "framework/ImgList.h"
#include "framework/StdCtrls.h"

#include <memory>

class TFcCustomGlyphButton;

// Follows the action's Checked only while the box shows the action's value, and never
// lets that following click the action again.
class TFcCheckedActionLink : public TControlActionLink {
    DECLARE_CLASS(TFcCheckedActionLink, TControlActionLink)
    explicit TFcCheckedActionLink(TObject* Client);
    bool IsCheckedLinked() const override;
    void SetChecked(bool Value) override;
protected:
    void AssignClient(TObject* Client) override;
private:
    TFcCustomGlyphButton* button_ = nullptr;
};

class TFcCustomGlyphButton : public TFcCustomButton, public IFrameSettingsClient {
    DECLARE_CLASS(TFcCustomGlyphButton, TFcCustomButton)
    explicit TFcCustomGlyphButton(TComponent* AOwner);
    ~TFcCustomGlyphButton() override;

    TLeftRight GetAlignment() const { return alignment_; }
    virtual void SetAlignment(TLeftRight Value);
    virtual bool GetChecked() const { return false; }
    virtual void SetChecked(bool Value) { (void)Value; }
    TPicture* GetCustomGlyphs() const { return customGlyphs_.get(); }
    TCustomImageList* GetCustomGlyphImages() const { return customGlyphImages_; }
    virtual void SetCustomGlyphImages(TCustomImageList* Value);
    bool GetUseCustomGlyphs() const { return useCustomGlyphs_; }
    virtual void SetUseCustomGlyphs(bool Value);
    TColor GetFillColor() const { return fillColor_; }
    virtual void SetFillColor(TColor Value);
    TColor GetFocusColor() const { return focusColor_; }
    virtual void SetFocusColor(TColor Value);
    TColor GetFrameColor() const { return frameColor_; }
    virtual void SetFrameColor(TColor Value);
    TColor GetDisabledColor() const { return disabledColor_; }
    virtual void SetDisabledColor(TColor Value);
    bool GetReadOnly() const { return readOnly_; }
    virtual void SetReadOnly(bool Value);
    TColor GetReadOnlyColor() const { return readOnlyColor_; }
    virtual void SetReadOnlyColor(TColor Value);
    bool GetReadOnlyColorOnFocus() const { return readOnlyColorOnFocus_; }
    void SetReadOnlyColorOnFocus(bool Value);
    TColor GetTransparentColor() const { return transparentColor_; }
    virtual void SetTransparentColor(TColor Value);
    TColor GetWinMaskColor() const { return winMaskColor_; }
    virtual void SetWinMaskColor(TColor Value);
    TFcButtonHotTrackStyle GetHotTrackStyle() const { return hotTrackStyle_; }
    void SetHotTrackStyle(TFcButtonHotTrackStyle Value);
    bool GetTabOnEnter() const { return tabOnEnter_; }
    void SetTabOnEnter(bool Value) { tabOnEnter_ = Value; }
    TFcFrameController* GetFrameController() const { return frameController_; }
    virtual void SetFrameController(TFcFrameController* Value);
    TFcFrameControllerNotifications GetFrameControllerNotifications() const { return notifications_; }
    void SetFrameControllerNotifications(TFcFrameControllerNotifications Value) { notifications_ = Value; }
    void SetTransparent(bool Value) override;

    int GlyphWidth() const { return glyphWidth_; }
    int GlyphHeight() const { return glyphHeight_; }
    // Where the glyph sits in the control.
    TRect GlyphRect() const;
    // The part beside the glyph that holds the caption.
    TRect CaptionRect() const;
    // State changes fire no click meanwhile (the action link sets it).
    bool ClicksDisabled() const { return clicksDisabled_; }
    void SetClicksDisabled(bool Value) { clicksDisabled_ = Value; }

    void ApplyFrameSettings() override;
    // Draws the glyph at its place on Canvas (the control's own canvas when null).
    virtual void DrawGlyph(TCanvas* Canvas = nullptr);

    void WndProc(TMessage& Message) override;
    void DefineProperties(TFiler& Filer) override;
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    static void Publish(TClassBuilder<TFcCustomGlyphButton>& b);

protected:
    // Draws the glyph for the current state into Bitmap (glyph size).
    virtual void GetGlyphBitmap(TBitmap* Bitmap) = 0;
    virtual void PostProcessTransparentGlyph(TBitmap* Glyph) { (void)Glyph; }
    // Cell Index of a strip of Width x Height cells into Target.
    virtual void ExtractGlyph(int Index, TBitmap* Target, TBitmap* Source, int Width, int Height);
    // A strip that can give glyph-count cells.
    bool CustomStripUsable() const;
    // Images of CustomGlyphImages are usable (a list with a size and at least one image).
    bool ImageListUsable() const;

    void Paint() override;
    void CreateWnd() override;
    void AdjustSize() override;
    void PaintTransparentBackground(HDC DC) override;
    void RepaintState() override { Repaint(); }
    void RepaintFocus() override { Repaint(); }
    void GetHotRect(TRect& Rect) override { Rect = GlyphRect(); }
    TControlActionLink* CreateActionLink() override;
    void ActionChange(TObject* Sender, bool CheckDefaults) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyUp(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

    int glyphCount_ = 2;
    bool mouseOperated_ = false;
    bool keyToggle_ = false;

private:
    void GlyphSourceChanged();
    void CMDialogChar(TMessage& Message);
    void CMWantSpecialKey(TMessage& Message);
    void WMKillFocus(TMessage& Message);
    void NeedsBackground(TMessage& Message);
    void RebuildBackground();
    template <class T> void Change(T& field, const T& value);

    TLeftRight alignment_ = TLeftRight::taRightJustify;
    int glyphWidth_ = 13, glyphHeight_ = 13;
    std::unique_ptr<TPicture> customGlyphs_;
    TCustomImageList* customGlyphImages_ = nullptr;
    std::unique_ptr<TChangeLink> imageLink_;
    bool useCustomGlyphs_ = false;
    bool tabOnEnter_ = false;
    TFcFrameController* frameController_ = nullptr;
    TFcFrameControllerNotifications notifications_ = AllFrameNotifications;
    TColor frameColor_ = clBtnShadow;
    TColor disabledColor_ = clBtnFace;
    TColor transparentColor_ = MakeColor(0x008080);
    TColor winMaskColor_ = MakeColor(0x00FF00);
    TColor focusColor_ = clWindow;
    TColor fillColor_ = clWindow;
    bool readOnly_ = false;
    TColor readOnlyColor_ = clInfoBk;
    bool readOnlyColorOnFocus_ = false;
    TFcButtonHotTrackStyle hotTrackStyle_ = htsInterior;
    std::unique_ptr<TBitmap> background_;
    bool backgroundStale_ = true;
    bool clicksDisabled_ = false;
    bool autoSizing_ = false;
};

class TFcCustomCheckBox : public TFcCustomGlyphButton {
    DECLARE_CLASS(TFcCustomCheckBox, TFcCustomGlyphButton)
    explicit TFcCustomCheckBox(TComponent* AOwner);

    TCheckBoxState GetState() const { return state_; }
    virtual void SetState(TCheckBoxState Value);
    bool GetAllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool Value) { allowGrayed_ = Value; }
    // A grayed box reads False.
    bool GetChecked() const override { return state_ == cbChecked; }
    void SetChecked(bool Value) override;

    // The cell of the custom glyphs (strip or image list) for the current state.
    int GlyphIndex() const;

    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TFcCustomCheckBox>& b);

protected:
    void ChangeState() override;
    void GetGlyphBitmap(TBitmap* Bitmap) override;

private:
    int ThemeState() const;
    void PaintOwnGlyph(TBitmap* Bitmap);
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
};

class TFcCheckBox : public TFcCustomCheckBox {
    DECLARE_CLASS(TFcCheckBox, TFcCustomCheckBox)
    using TFcCustomCheckBox::TFcCustomCheckBox;
};
