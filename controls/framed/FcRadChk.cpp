#include "controls/framed/FcRadChk.h"
#include "controls/framed/FcGrafx.h"

#include "framework/ActnList.h"
#include "framework/Forms.h"
#include "framework/Guards.h"

#include <algorithm>

#include <vssym32.h>

// ---------------------------------------------------------------------------------------
// TFcCheckedActionLink

IMPLEMENT_CLASS(TFcCheckedActionLink);

TFcCheckedActionLink::TFcCheckedActionLink(TObject* Client) : TControlActionLink(Client) {
    // The base constructor cannot reach our override.
    AssignClient(Client);
}

void TFcCheckedActionLink::AssignClient(TObject* Client) {
    TControlActionLink::AssignClient(Client);
    button_ = dynamic_cast<TFcCustomGlyphButton*>(Client);
}

bool TFcCheckedActionLink::IsCheckedLinked() const {
    return TControlActionLink::IsCheckedLinked() && button_ && button_->GetChecked() == Action()->GetChecked();
}

void TFcCheckedActionLink::SetChecked(bool Value) {
    if (!IsCheckedLinked()) return;
    bool was = button_->ClicksDisabled();
    button_->SetClicksDisabled(true);
    TScopeExit restore([this, was] { button_->SetClicksDisabled(was); });
    button_->SetChecked(Value);
}

// ---------------------------------------------------------------------------------------
// TFcCustomGlyphButton

IMPLEMENT_CLASS(TFcCustomGlyphButton);

void TFcCustomGlyphButton::Publish(TClassBuilder<TFcCustomGlyphButton>& b) {
    using C = TFcCustomGlyphButton;
    b.Prop("Alignment", &C::GetAlignment, &C::SetAlignment);
    b.Prop("AutoSize", &C::GetAutoSize, &C::SetAutoSize).Default = TValue::MakeIdent("True");
    b.Prop("CustomGlyphs", &C::GetCustomGlyphs);
    b.Prop("CustomGlyphImages", &C::GetCustomGlyphImages, &C::SetCustomGlyphImages);
    b.Prop("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor);
    b.Prop("FillColor", &C::GetFillColor, &C::SetFillColor);
    b.Prop("FocusColor", &C::GetFocusColor, &C::SetFocusColor);
    b.Prop("FrameColor", &C::GetFrameColor, &C::SetFrameColor);
    b.Prop("FrameController", &C::GetFrameController, &C::SetFrameController);
    b.Prop("FrameControllerNotifications", &C::GetFrameControllerNotifications, &C::SetFrameControllerNotifications);
    b.Prop("HotTrackStyle", &C::GetHotTrackStyle, &C::SetHotTrackStyle);
    b.Prop("ReadOnly", &C::GetReadOnly, &C::SetReadOnly);
    b.Prop("ReadOnlyColor", &C::GetReadOnlyColor, &C::SetReadOnlyColor);
    b.Prop("ReadOnlyColorOnFocus", &C::GetReadOnlyColorOnFocus, &C::SetReadOnlyColorOnFocus);
    b.Prop("TabOnEnter", &C::GetTabOnEnter, &C::SetTabOnEnter);
    b.Prop("TransparentColor", &C::GetTransparentColor, &C::SetTransparentColor);
    b.Prop("UseCustomGlyphs", &C::GetUseCustomGlyphs, &C::SetUseCustomGlyphs);
    b.Prop("WinMaskColor", &C::GetWinMaskColor, &C::SetWinMaskColor);
}

TFcCustomGlyphButton::TFcCustomGlyphButton(TComponent* AOwner)
    : TFcCustomButton(AOwner), customGlyphs_(std::make_unique<TPicture>(this)),
      imageLink_(std::make_unique<TChangeLink>()), background_(std::make_unique<TBitmap>()) {
    autoSize_ = true;
    customGlyphs_->OnChange = [this](TObject*) {
        backgroundStale_ = true;
        GlyphSourceChanged();
    };
    imageLink_->OnChange = [this](TObject*) { GlyphSourceChanged(); };
}

TFcCustomGlyphButton::~TFcCustomGlyphButton() {
    SetFrameControllerOf(this, frameController_, nullptr);
    if (customGlyphImages_) customGlyphImages_->UnRegisterChanges(imageLink_.get());
    customGlyphs_->OnChange = nullptr;
}

template <class T>
void TFcCustomGlyphButton::Change(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Invalidate();
}

void TFcCustomGlyphButton::SetAlignment(TLeftRight Value) {
    if (Value == alignment_) return;
    alignment_ = Value;
    AdjustSize();
    Invalidate();
}

void TFcCustomGlyphButton::SetFillColor(TColor Value) { Change(fillColor_, Value); }
void TFcCustomGlyphButton::SetFocusColor(TColor Value) { Change(focusColor_, Value); }
void TFcCustomGlyphButton::SetFrameColor(TColor Value) { Change(frameColor_, Value); }
void TFcCustomGlyphButton::SetDisabledColor(TColor Value) { Change(disabledColor_, Value); }
void TFcCustomGlyphButton::SetReadOnly(bool Value) { Change(readOnly_, Value); }
void TFcCustomGlyphButton::SetReadOnlyColor(TColor Value) { Change(readOnlyColor_, Value); }
void TFcCustomGlyphButton::SetReadOnlyColorOnFocus(bool Value) { Change(readOnlyColorOnFocus_, Value); }
void TFcCustomGlyphButton::SetTransparentColor(TColor Value) { Change(transparentColor_, Value); }
void TFcCustomGlyphButton::SetWinMaskColor(TColor Value) { Change(winMaskColor_, Value); }
void TFcCustomGlyphButton::SetHotTrackStyle(TFcButtonHotTrackStyle Value) { Change(hotTrackStyle_, Value); }

void TFcCustomGlyphButton::SetTransparent(bool Value) {
    if (Value == GetTransparent()) return;
    backgroundStale_ = true;
    TFcCustomButton::SetTransparent(Value);
}

void TFcCustomGlyphButton::SetCustomGlyphImages(TCustomImageList* Value) {
    ReplaceImageList(customGlyphImages_, Value, imageLink_.get(), this);
    backgroundStale_ = true;
    GlyphSourceChanged();
}

void TFcCustomGlyphButton::SetFrameController(TFcFrameController* Value) {
    SetFrameControllerOf(this, frameController_, Value);
}

bool TFcCustomGlyphButton::ImageListUsable() const {
    return customGlyphImages_ && customGlyphImages_->GetWidth() > 0 && customGlyphImages_->GetHeight() > 0 &&
           customGlyphImages_->Count() > 0;
}

bool TFcCustomGlyphButton::CustomStripUsable() const {
    auto* strip = dynamic_cast<TBitmap*>(customGlyphs_->Graphic());
    // A strip narrower than one pixel per cell would give glyphs of no width.
    return strip && !strip->Empty() && glyphCount_ > 0 && strip->Width() / glyphCount_ > 0;
}

void TFcCustomGlyphButton::GlyphSourceChanged() {
    SetUseCustomGlyphs(ImageListUsable() || CustomStripUsable());
}

void TFcCustomGlyphButton::SetUseCustomGlyphs(bool Value) {
    useCustomGlyphs_ = Value;
    glyphWidth_ = glyphHeight_ = 13;
    if (Value && ImageListUsable()) {
        glyphWidth_ = customGlyphImages_->GetWidth();
        glyphHeight_ = customGlyphImages_->GetHeight();
    } else if (Value && CustomStripUsable()) {
        glyphWidth_ = customGlyphs_->Width() / glyphCount_;
        glyphHeight_ = customGlyphs_->Height();
    }
    Invalidate();
}

// --- layout

TRect TFcCustomGlyphButton::GlyphRect() const {
    bool right = UseRightToLeftAlignment() ? alignment_ == TLeftRight::taRightJustify
                                           : alignment_ == TLeftRight::taLeftJustify;
    int x = right ? Width() - glyphWidth_ : 0;
    int y = 2;
    if (GetAlignmentVertical() == avCenter) y = (Height() - glyphHeight_) / 2;
    else if (GetAlignmentVertical() == avBottom) y = Height() - glyphHeight_ - 2;
    return Bounds(x, y, glyphWidth_, glyphHeight_);
}

TRect TFcCustomGlyphButton::CaptionRect() const {
    TRect r = GetClientRect();
    r.Inflate(-1, -1);
    if (GlyphRect().Left > 0) r.Right -= glyphWidth_ + 4;
    else r.Left += glyphWidth_ + 4;
    return r;
}

void TFcCustomGlyphButton::AdjustSize() {
    if (!autoSize_ || autoSizing_ || !HandleAllocated() || IsReading() || IsDestroying()) return;
    TRestore busy(autoSizing_, true);
    TRect r = GetClientRect();
    r.Inflate(-1, -1);
    r.Right -= glyphWidth_ + 4;
    if (r.Width() < 2) r.Right = r.Left + 2;
    TWindowDC screen(nullptr);
    TCanvas canvas;
    canvas.SetHandle(screen.Get());
    TScopeExit detach([&canvas] { canvas.SetHandle(nullptr); });
    canvas.Font()->Assign(Font());
    int textHeight = DrawTextIn(&canvas, GetCaption(), r, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    int h = std::max(glyphHeight_ + 2, textHeight + 2);
    int w = r.Width() + glyphWidth_ + 6;
    int left = GlyphRect().Left > 0 ? Left() + Width() - w : Left();
    SetBounds(left, Top(), w, h);
}

void TFcCustomGlyphButton::CreateWnd() {
    TFcCustomButton::CreateWnd();
    AdjustSize();
}

void TFcCustomGlyphButton::Loaded() {
    TFcCustomButton::Loaded();
    AdjustSize();
}

// --- painting

void TFcCustomGlyphButton::RebuildBackground() {
    background_->SetSize(Width(), Height());
    if (GetTransparent()) {
        // The parent is painted into the picture rather than read back from the screen,
        // where another window may cover the control.
        CopyParentBackground(this, background_->Canvas(), false);
    } else {
        background_->Canvas()->Brush()->SetStyle(bsSolid);
        background_->Canvas()->Brush()->SetColor(GetColor());
        background_->Canvas()->FillRect(TRect(0, 0, Width(), Height()));
    }
    backgroundStale_ = false;
}

void TFcCustomGlyphButton::Paint() {
    if (IsDestroying() || Width() <= 0 || Height() <= 0) return;
    TBitmap off(Width(), Height());
    TCanvas* oc = off.Canvas();
    oc->Font()->Assign(Font());
    oc->Brush()->SetColor(GetColor());
    if (backgroundStale_ || background_->Width() != Width() || background_->Height() != Height())
        RebuildBackground();
    BitBlt(oc->Handle(), 0, 0, Width(), Height(), background_->Canvas()->Handle(), 0, 0, SRCCOPY);
    DrawGlyph(oc);
    TRect caption = CaptionRect();
    UINT flags = DT_WORDBREAK | DT_EXPANDTABS;
    if (UseRightToLeftAlignment()) flags |= DT_RIGHT;
    DrawCaption(oc, caption, flags);
    if (Focused() && !GetCaption().empty()) {
        caption.Inflate(1, 1);
        PaintDottedFocusBorder(oc, caption);
    }
    Canvas()->Draw(0, 0, &off);
}

void TFcCustomGlyphButton::DrawGlyph(TCanvas* Target) {
    TCanvas* c = Target ? Target : Canvas();
    if (glyphWidth_ <= 0 || glyphHeight_ <= 0) return;
    TRect g = GlyphRect(), d(0, 0, glyphWidth_, glyphHeight_);
    TBitmap a(glyphWidth_, glyphHeight_), b(glyphWidth_, glyphHeight_);
    bool themes = ThemesInUse(), transparent = GetTransparent();
    if (transparent && themes) {
        a.Canvas()->CopyRect(d, c, g);
        GetGlyphBitmap(&a);
        b.Canvas()->CopyRect(d, a.Canvas(), d);
    } else if (transparent) {
        b.Canvas()->CopyRect(d, c, g);
        GetGlyphBitmap(&a);
        PaintTransparentBitmap(b.Canvas(), &a, d, transparentColor_, d);
    } else {
        GetGlyphBitmap(&a);
        b.Canvas()->Brush()->SetColor(GetColor());
        b.Canvas()->BrushCopy(d, &a, d, transparentColor_);
    }
    TBitmap* result = &b;
    TBitmap masked;
    if (useCustomGlyphs_) {
        masked.SetSize(glyphWidth_, glyphHeight_);
        masked.Canvas()->Brush()->SetColor(clWindow);
        masked.Canvas()->BrushCopy(d, &b, d, winMaskColor_);
        result = &masked;
    } else if (!themes && transparent) {
        PostProcessTransparentGlyph(&b);
    }
    BitBlt(c->Handle(), g.Left, g.Top, glyphWidth_, glyphHeight_, result->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TFcCustomGlyphButton::ExtractGlyph(int Index, TBitmap* Target, TBitmap* Source, int Width, int Height) {
    Target->SetSize(Width, Height);
    Target->Canvas()->CopyRect(TRect(0, 0, Width, Height), Source->Canvas(),
                               TRect(Index * Width, 0, (Index + 1) * Width, Height));
}

void TFcCustomGlyphButton::PaintTransparentBackground(HDC DC) { CopyParentBackground(this, DC, true); }

// --- frame settings, actions, streaming

void TFcCustomGlyphButton::ApplyFrameSettings() {
    if (!frameController_ || !frameController_->GetFrameVisible()) return;
    TFcFrameController* f = frameController_;
    SetHotTrack(true);
    auto takes = [this](TFcFrameControllerProperty p) { return notifications_.Contains(p); };
    if (takes(fcpColor)) fillColor_ = f->GetColor();
    if (takes(fcpFrameColor)) frameColor_ = f->GetFrameColor();
    if (takes(fcpFocusColor)) focusColor_ = f->GetFocusColor();
    if (takes(fcpDisabledColor)) disabledColor_ = f->GetDisabledColor();
    if (takes(fcpReadOnlyColor)) readOnlyColor_ = f->GetReadOnlyColor();
    if (takes(fcpReadOnlyColorOnFocus)) readOnlyColorOnFocus_ = f->GetReadOnlyColorOnFocus();
    if (takes(fcpFrameHotTrack)) hotTrackStyle_ = f->GetFrameHotTrack() ? htsFrame : htsInterior;
    if (takes(fcpFrameHotColor) && hotTrackStyle_ == htsFrame) SetHotTrackColor(f->GetFrameHotColor());
    Invalidate();
}

TControlActionLink* TFcCustomGlyphButton::CreateActionLink() { return new TFcCheckedActionLink(this); }

void TFcCustomGlyphButton::ActionChange(TObject* Sender, bool CheckDefaults) {
    TFcCustomButton::ActionChange(Sender, CheckDefaults);
    auto* action = dynamic_cast<TBasicAction*>(Sender);
    if (!action || !dynamic_cast<TCustomAction*>(action)) return;
    if (CheckDefaults && GetChecked()) return;
    // Taking the action's state over must not run the action.
    TRestore quiet(clicksDisabled_, true);
    SetChecked(action->GetChecked());
}

void TFcCustomGlyphButton::DefineProperties(TFiler& Filer) {
    TFcCustomButton::DefineProperties(Filer);
    Filer.DefineProperty("Flat", [this](const TValue& v) { SetHotTrack(TPropType<bool>::FromValue(v)); });
}

void TFcCustomGlyphButton::Notification(TComponent* AComponent, TOperation Operation) {
    TFcCustomButton::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove) return;
    if (AComponent == customGlyphImages_) SetCustomGlyphImages(nullptr);
    if (AComponent == frameController_) frameController_ = nullptr;
}

// --- keyboard and mouse

void TFcCustomGlyphButton::KeyDown(WORD& Key, TShiftState Shift) {
    TFcCustomButton::KeyDown(Key, Shift);
    if (Key == VK_RETURN && tabOnEnter_) {
        Key = 0;
        if (HandleAllocated()) PostMessageA(WindowHandle(), WM_KEYDOWN, VK_TAB, 0);
        return;
    }
    if (readOnly_) return;
    if (Key == VK_SPACE) {
        keyToggle_ = true;
        pressedLook_ = true;
        Repaint();
    } else if (Key == VK_ESCAPE && keyToggle_) {
        keyToggle_ = false;
        pressedLook_ = false;
        Repaint();
    }
}

void TFcCustomGlyphButton::KeyUp(WORD& Key, TShiftState Shift) {
    TFcCustomButton::KeyUp(Key, Shift);
    if (Key != VK_SPACE || readOnly_) return;
    pressedLook_ = false;
    TControlWatch watch(this);
    if (keyToggle_) {
        keyToggle_ = false;
        ChangeState();
    }
    if (!watch.Freed()) Repaint();
}

void TFcCustomGlyphButton::KeyPress(char& Key) {
    // Enter moved the focus on; it is no character for the control's handlers.
    if (Key == '\r' && tabOnEnter_) {
        Key = 0;
        return;
    }
    TFcCustomButton::KeyPress(Key);
}

void TFcCustomGlyphButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    mouseOperated_ = true;
    TFcCustomButton::MouseDown(Button, Shift, X, Y);
}

void TFcCustomGlyphButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TControlWatch watch(this);
    TFcCustomButton::MouseUp(Button, Shift, X, Y);
    if (!watch.Freed()) mouseOperated_ = false;
}

void TFcCustomGlyphButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case CM_WANTSPECIALKEY: CMWantSpecialKey(Message); return;
    case WM_KILLFOCUS: WMKillFocus(Message); return;
    case WM_ERASEBKGND:
    case WM_SIZE:
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_PARENTCOLORCHANGED: NeedsBackground(Message); return;
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
        TFcCustomButton::WndProc(Message);
        AdjustSize();
        return;
    default: TFcCustomButton::WndProc(Message); return;
    }
}

void TFcCustomGlyphButton::NeedsBackground(TMessage& Message) {
    backgroundStale_ = true;
    TFcCustomButton::WndProc(Message);
}

void TFcCustomGlyphButton::CMDialogChar(TMessage& Message) {
    if (!IsAccel(static_cast<char>(Message.WParam), GetCaption()) || !CanFocus()) {
        TFcCustomButton::WndProc(Message);
        return;
    }
    SetFocus();
    TControlWatch watch(this);
    if (Focused() && !readOnly_) {
        ChangeState();
        if (!watch.Freed()) Repaint();
    }
    Message.Result = 1;
}

void TFcCustomGlyphButton::CMWantSpecialKey(TMessage& Message) {
    if ((Message.WParam == VK_RETURN && tabOnEnter_) || (Message.WParam == VK_ESCAPE && keyToggle_))
        Message.Result = 1;
    else
        TFcCustomButton::WndProc(Message);
}

void TFcCustomGlyphButton::WMKillFocus(TMessage& Message) {
    pressedLook_ = false;
    keyToggle_ = false;
    mouseOperated_ = false;
    TFcCustomButton::WndProc(Message);
}

// ---------------------------------------------------------------------------------------
// TFcCustomCheckBox

IMPLEMENT_CLASS(TFcCustomCheckBox);
IMPLEMENT_CLASS(TFcCheckBox);

void TFcCustomCheckBox::Publish(TClassBuilder<TFcCustomCheckBox>& b) {
    b.Prop("AllowGrayed", &TFcCustomCheckBox::GetAllowGrayed, &TFcCustomCheckBox::SetAllowGrayed);
    b.Prop("Checked", &TFcCustomCheckBox::GetChecked, &TFcCustomCheckBox::SetChecked);
    b.Prop("State", &TFcCustomCheckBox::GetState, &TFcCustomCheckBox::SetState);
}

TFcCustomCheckBox::TFcCustomCheckBox(TComponent* AOwner) : TFcCustomGlyphButton(AOwner) {
    SetAlignmentVertical(avTop);
    glyphCount_ = 9;
}

void TFcCustomCheckBox::SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }

void TFcCustomCheckBox::SetState(TCheckBoxState Value) {
    if (Value == state_) return;
    state_ = Value;
    TControlWatch watch(this);
    Repaint();
    // Reading a layout is no click of the user's.
    if (!watch.Freed() && !ClicksDisabled() && !IsLoading()) Click();
}

void TFcCustomCheckBox::ChangeState() {
    if (mouseOperated_ && GetReadOnly()) return;
    switch (state_) {
    case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
}

void TFcCustomCheckBox::WndProc(TMessage& Message) {
    if (Message.Msg == BM_GETCHECK) {
        Message.Result = static_cast<LRESULT>(state_);
        return;
    }
    TFcCustomGlyphButton::WndProc(Message);
}

int TFcCustomCheckBox::GlyphIndex() const {
    int state = static_cast<int>(state_);
    if (!GetEnabled()) return 6 + state;
    if (PressedLook()) return 3 + state;
    // Hover glyphs come only from an image list, and only when it holds them (a list of
    // 10 images has no 11th).
    int hoverIndex = 9 + state;
    bool hoverWanted = Hovered() && (state_ == cbGrayed || GetHotTrack());
    if (hoverWanted && ImageListUsable() && hoverIndex < GetCustomGlyphImages()->Count()) return hoverIndex;
    return state;
}

int TFcCustomCheckBox::ThemeState() const {
    // CBS_UNCHECKEDNORMAL .. CBS_MIXEDDISABLED: four states for each of the three values.
    int base = 1 + 4 * static_cast<int>(state_);
    if (!GetEnabled()) return base + 3;
    if (PressedLook()) return base + 2;
    if (Hovered()) return base + 1;
    return base;
}

void TFcCustomCheckBox::GetGlyphBitmap(TBitmap* Bitmap) {
    TRect d(0, 0, GlyphWidth(), GlyphHeight());
    TCanvas* c = Bitmap->Canvas();
    if (GetUseCustomGlyphs() && ImageListUsable()) {
        c->Brush()->SetColor(GetTransparentColor());
        c->FillRect(d);
        GetCustomGlyphImages()->Draw(*c, 0, 0, GlyphIndex(), true);
        return;
    }
    if (GetUseCustomGlyphs() && CustomStripUsable()) {
        auto* strip = dynamic_cast<TBitmap*>(GetCustomGlyphs()->Graphic());
        ExtractGlyph(GlyphIndex(), Bitmap, strip, GlyphWidth(), GlyphHeight());
        return;
    }
    if (ThemesInUse()) {
        if (HTHEME theme = ThemeHandle(TFcThemeClass::Button)) {
            c->Brush()->SetColor(GetColor());
            c->FillRect(d);
            RECT r = d;
            DrawThemeBackground(theme, c->Handle(), BP_CHECKBOX, ThemeState(), &r, nullptr);
            return;
        }
    }
    PaintOwnGlyph(Bitmap);
}

void TFcCustomCheckBox::PaintOwnGlyph(TBitmap* Bitmap) {
    TRect d(0, 0, GlyphWidth(), GlyphHeight());
    TCanvas* c = Bitmap->Canvas();
    if (GetHotTrack()) {
        TFcCheckGlyph g;
        if (GetHotTrackColorType() == htctActual) {
            g.HotColor = GetHotTrackColor();
            g.HotLightColor = MixColors(clWhite, GetHotTrackColor(), 190);
        } else {
            g.HotLightColor = OppositeHueColor(GetHotTrackColor(), 180);
            g.HotColor = DarkenColor(g.HotLightColor, 30);
        }
        g.State = static_cast<int>(state_);
        g.DrawState = !GetEnabled() ? 3 : PressedLook() ? 1 : Hovered() ? 2 : 0;
        g.Focused = Focused();
        g.HotTrackStyle = GetHotTrackStyle();
        g.FrameColor = GetFrameColor();
        g.MarkColor = GetHighlightColor();
        g.FillColor = GetFillColor();
        g.FocusColor = GetFocusColor();
        g.DisabledColor = GetDisabledColor();
        g.ReadOnly = GetReadOnly();
        g.ReadOnlyColorOnFocus = GetReadOnlyColorOnFocus();
        g.ReadOnlyColor = GetReadOnlyColor();
        PaintCheckGlyph(c, d, g);
        return;
    }
    UINT flags = DFCS_BUTTONCHECK;
    if (state_ == cbChecked) flags |= DFCS_CHECKED;
    else if (state_ == cbGrayed) flags |= DFCS_BUTTON3STATE | DFCS_CHECKED;
    if (PressedLook()) flags |= DFCS_PUSHED;
    if (!GetEnabled()) flags |= DFCS_INACTIVE;
    RECT r = d;
    DrawFrameControl(c->Handle(), &r, DFC_BUTTON, flags);
}
