#include "controls/framed/FcPanel.h"
#include "controls/framed/FcGrafx.h"

#include "framework/Forms.h"
#include "framework/Guards.h"

#include <algorithm>

#include <vssym32.h>

namespace {

// Text measured with a font on the screen (no window needed); 0 x 0 when it fails.
TSize ScreenTextExtent(TFont* font, const std::string& text) {
    TWindowDC screen(nullptr);
    if (!screen.Get()) return {};
    TSelectObject select(screen.Get(), font->Handle());
    SIZE s{};
    if (!GetTextExtentPoint32A(screen.Get(), text.c_str(), static_cast<int>(text.size()), &s)) return {};
    return TSize{s.cx, s.cy};
}

UINT AlignmentFlag(TAlignment a) {
    switch (a) {
    case taLeftJustify: return DT_LEFT;
    case taRightJustify: return DT_RIGHT;
    default: return DT_CENTER;
    }
}

int SideInset(TFrameStyle s, int bevelWidth) {
    switch (s) {
    case fsNone: return 0;
    case fsFlat: return 1;
    case fsStatus:
    case fsPopup: return bevelWidth;
    default: return 2;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------
// TFcCustomPanel

IMPLEMENT_CLASS(TFcCustomPanel);

void TFcCustomPanel::Publish(TClassBuilder<TFcCustomPanel>& b) {
    using C = TFcCustomPanel;
    b.Prop("AlignmentVertical", &C::GetAlignmentVertical, &C::SetAlignmentVertical);
    b.Prop("BorderColor", &C::GetBorderColor, &C::SetBorderColor);
    b.Prop("BorderHighlight", &C::GetBorderHighlight, &C::SetBorderHighlight);
    b.Prop("BorderInner", &C::GetBorderInner, &C::SetBorderInner);
    b.Prop("BorderOuter", &C::GetBorderOuter, &C::SetBorderOuter);
    b.Prop("BorderShadow", &C::GetBorderShadow, &C::SetBorderShadow);
    b.Prop("BorderSides", &C::GetBorderSides, &C::SetBorderSides);
    b.Prop("DockSite", &C::GetDockSite, &C::SetDockSite);
    b.Prop("FlatColor", &C::GetFlatColor, &C::SetFlatColor);
    b.Prop("FlatColorAdjustment", &C::GetFlatColorAdjustment, &C::SetFlatColorAdjustment);
    b.Prop("FrameController", &C::GetFrameController, &C::SetFrameController);
    b.Prop("FrameControllerNotifications", &C::GetFrameControllerNotifications, &C::SetFrameControllerNotifications);
    b.Prop("GradientColorStart", &C::GetGradientColorStart, &C::SetGradientColorStart);
    b.Prop("GradientColorStop", &C::GetGradientColorStop, &C::SetGradientColorStop);
    b.Prop("GradientColorStyle", &C::GetGradientColorStyle, &C::SetGradientColorStyle);
    b.Prop("GradientDirection", &C::GetGradientDirection, &C::SetGradientDirection);
    b.Prop("ShowDockClientCaptions", &C::GetShowDockClientCaptions, &C::SetShowDockClientCaptions);
    b.Prop("Transparent", &C::GetTransparent, &C::SetTransparent);
    b.Prop("UseDockManager", &C::GetUseDockManager, &C::SetUseDockManager);
    b.Prop("VisualStyle", &C::GetVisualStyle, &C::SetVisualStyle);
    b.Event("OnPaint", &C::OnPaint);
}

TFcCustomPanel::TFcCustomPanel(TComponent* AOwner) : TCustomPanel(AOwner) {
    ControlStyle.Exclude(csSetCaption).Exclude(csParentBackground).Include(csOpaque);
    SetBevelOuter(bvNone);
}

TFcCustomPanel::~TFcCustomPanel() {
    // The manager puts the window procedure back while the panel is whole.
    dockManager_.reset();
    SetFrameControllerOf(this, frameController_, nullptr);
}

template <class T>
void TFcCustomPanel::Change(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Invalidate();
}

template <class T>
void TFcCustomPanel::ChangeBorders(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Realign();
    Invalidate();
}

void TFcCustomPanel::SetBorderOuter(TFrameStyleEx Value) { ChangeBorders(borderOuter_, Value); }
void TFcCustomPanel::SetBorderInner(TFrameStyleEx Value) { ChangeBorders(borderInner_, Value); }
void TFcCustomPanel::SetBorderSides(TSides Value) { ChangeBorders(borderSides_, Value); }
void TFcCustomPanel::SetBorderColor(TColor Value) { Change(borderColor_, Value); }
void TFcCustomPanel::SetBorderHighlight(TColor Value) { Change(borderHighlight_, Value); }
void TFcCustomPanel::SetBorderShadow(TColor Value) { Change(borderShadow_, Value); }
void TFcCustomPanel::SetFlatColor(TColor Value) { Change(flatColor_, Value); }
void TFcCustomPanel::SetFlatColorAdjustment(int Value) { Change(flatColorAdjustment_, Value); }
void TFcCustomPanel::SetVisualStyle(TFcVisualStyle Value) { Change(visualStyle_, Value); }
void TFcCustomPanel::SetGradientColorStyle(TFcGradientColorStyle Value) { Change(gradientColorStyle_, Value); }
void TFcCustomPanel::SetAlignmentVertical(TAlignmentVertical Value) { Change(alignmentVertical_, Value); }
void TFcCustomPanel::SetGridVisible(bool Value) { Change(gridVisible_, Value); }
void TFcCustomPanel::SetGridPenColor(TColor Value) { Change(gridPenColor_, Value); }
void TFcCustomPanel::SetGridKind(int Value) { Change(gridKind_, Value); }
void TFcCustomPanel::SetGridStepX(uint16_t Value) { Change(gridStepX_, Value); }
void TFcCustomPanel::SetGridStepY(uint16_t Value) { Change(gridStepY_, Value); }
void TFcCustomPanel::SetFillFace(bool Value) { Change(fillFace_, Value); }
void TFcCustomPanel::SetCaptionMargin(int Value) { Change(captionMargin_, Value); }
void TFcCustomPanel::SetCaptionMarginVertical(int Value) { Change(captionMarginVertical_, Value); }
void TFcCustomPanel::SetCaptionWrap(bool Value) { Change(captionWrap_, Value); }

void TFcCustomPanel::InvalidateAll() {
    Invalidate();
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->Invalidate();
}

void TFcCustomPanel::SetGradientColorStart(TColor Value) {
    if (Value == gradientColorStart_) return;
    gradientColorStart_ = Value;
    InvalidateAll();
}

void TFcCustomPanel::SetGradientColorStop(TColor Value) {
    if (Value == gradientColorStop_) return;
    gradientColorStop_ = Value;
    InvalidateAll();
}

void TFcCustomPanel::SetGradientDirection(TGradientDirection Value) {
    if (Value == gradientDirection_) return;
    gradientDirection_ = Value;
    InvalidateAll();
}

void TFcCustomPanel::SetTransparent(bool Value) {
    if (Value == transparent_) return;
    transparent_ = Value;
    if (Value) ControlStyle.Exclude(csOpaque);
    else ControlStyle.Include(csOpaque);
    InvalidateAll();
}

void TFcCustomPanel::SetFrameController(TFcFrameController* Value) {
    SetFrameControllerOf(this, frameController_, Value);
}

// --- geometry

void TFcCustomPanel::CursorClientPos(TPoint& P) const {
    POINT p{};
    GetCursorPos(&p);
    P = ScreenToClient(TPoint(p));
}

void TFcCustomPanel::InsetByBorders(TRect& Rect, bool WithBorderWidth) const {
    if (WithBorderWidth) Rect.Inflate(-GetBorderWidth(), -GetBorderWidth());
    for (TFrameStyle style : {borderOuter_, borderInner_}) {
        int n = SideInset(style, GetBevelWidth());
        if (borderSides_.Contains(TSide::sdLeft)) Rect.Left += n;
        if (borderSides_.Contains(TSide::sdTop)) Rect.Top += n;
        if (borderSides_.Contains(TSide::sdRight)) Rect.Right -= n;
        if (borderSides_.Contains(TSide::sdBottom)) Rect.Bottom -= n;
    }
}

void TFcCustomPanel::FaceRect(TRect& Rect) const { Rect = TRect(0, 0, Width(), Height()); }

void TFcCustomPanel::GradientColors(TColor& Start, TColor& Stop) const {
    if (gradientColorStyle_ == gcsCustom) {
        Start = gradientColorStart_;
        Stop = gradientColorStop_;
        return;
    }
    PanelGradientColors(gradientColorStyle_, Start, Stop);
}

void TFcCustomPanel::FlatColors(TColor& Color, int& Adjustment) const {
    if (visualStyle_ == vsGradient && gradientColorStyle_ != gcsCustom) {
        Color = PanelGradientFrameColor(gradientColorStyle_);
        Adjustment = 0;
        return;
    }
    Color = flatColor_;
    Adjustment = flatColorAdjustment_;
}

TColor TFcCustomPanel::ParentColorValue() const { return Parent() ? Parent()->GetColor() : clBtnFace; }

void TFcCustomPanel::AdjustClientRect(TRect& Rect) {
    TCustomPanel::AdjustClientRect(Rect);
    InsetByBorders(Rect, false);
}

void TFcCustomPanel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    // Panels docked at the right or bottom keep that edge when they change size.
    if (GetAlign() == alBottom && AHeight != Height()) ATop = Top() + Height() - AHeight;
    if (GetAlign() == alRight && AWidth != Width()) ALeft = Left() + Width() - AWidth;
    TCustomPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
}

// --- painting

void TFcCustomPanel::Paint() {
    TCanvas* c = Canvas();
    TRect r;
    FaceRect(r);
    TFcPanelBorders b;
    FlatColors(b.FlatColor, b.FlatColorAdjustment);
    b.BorderOuter = borderOuter_;
    b.BorderInner = borderInner_;
    b.BorderWidth = GetBorderWidth();
    b.BorderSides = borderSides_;
    b.BevelWidth = GetBevelWidth();
    b.BorderColor = borderColor_;
    b.BorderHighlight = borderHighlight_;
    b.BorderShadow = borderShadow_;
    b.Color = GetColor();
    b.ParentColor = ParentColorValue();
    b.Transparent = transparent_;
    r = PaintPanelBorders(c, r, b);
    if (!transparent_ && fillFace_) {
        if (visualStyle_ == vsGradient) {
            TColor start, stop;
            GradientColors(start, stop);
            FillGradient(c, r, gradientDirection_, start, stop, 1);
        } else {
            c->Brush()->SetStyle(bsSolid);
            c->Brush()->SetColor(GetColor());
            c->FillRect(r);
        }
    }
    if (gridVisible_) DrawGrid(r);
    c->Brush()->SetStyle(bsClear);
    DrawCaption(r);
    c->Brush()->SetStyle(bsSolid);
    if (dockManager_) dockManager_->PaintSite(c);
    if (OnPaint) OnPaint(this);
}

void TFcCustomPanel::DrawCaption(TRect Rect) {
    std::string caption = GetCaption();
    if (caption.empty()) return;
    TCanvas* c = Canvas();
    c->Font()->Assign(Font());
    Rect.Inflate(-captionMargin_, -captionMarginVertical_);
    UINT flags = DT_EXPANDTABS | DT_VCENTER | AlignmentFlag(GetAlignment());
    if (captionWrap_) flags |= DT_WORDBREAK;
    flags = DrawTextBiDiModeFlags(flags);
    TRect measure = Rect;
    int h = DrawTextIn(c, caption, measure, flags | DT_CALCRECT);
    switch (alignmentVertical_) {
    case avTop: Rect.Bottom = std::min(Rect.Bottom, Rect.Top + h); break;
    case avCenter:
        Rect.Top = (Rect.Top + Rect.Bottom - h) / 2;
        Rect.Bottom = std::min(Rect.Bottom, Rect.Top + h);
        break;
    case avBottom: Rect.Top = std::max(Rect.Top, Rect.Bottom - h - 1); break;
    }
    if (!GetEnabled()) c->Font()->SetColor(clGrayText);
    c->Brush()->SetStyle(bsClear);
    DrawTextIn(c, caption, Rect, flags);
}

void TFcCustomPanel::DrawGrid(const TRect& Rect) {
    TCanvas* c = Canvas();
    int nx = gridStepX_ ? Rect.Width() / gridStepX_ : 0;
    int ny = gridStepY_ ? Rect.Height() / gridStepY_ : 0;
    c->Pen()->SetColor(gridPenColor_);
    c->Pen()->SetStyle(psSolid);
    if (gridKind_ == 0) {
        for (int i = 1; i <= nx; ++i)
            for (int j = 1; j <= ny; ++j)
                c->SetPixels(Rect.Left + i * gridStepX_ - 1, Rect.Top + j * gridStepY_ - 1, gridPenColor_);
        return;
    }
    for (int i = 1; i <= nx; ++i) {
        int x = Rect.Left + i * gridStepX_ - 1;
        if (gridKind_ == 2) {
            c->MoveTo(x, Rect.Top);
            c->LineTo(x, Rect.Bottom);
        } else {
            for (int y = Rect.Top + 1; y < Rect.Bottom; y += 2) c->SetPixels(x, y, gridPenColor_);
        }
    }
    for (int j = 1; j <= ny; ++j) {
        int y = Rect.Top + j * gridStepY_ - 1;
        if (gridKind_ == 2) {
            c->MoveTo(Rect.Left, y);
            c->LineTo(Rect.Right, y);
        } else {
            for (int x = Rect.Left + 1; x < Rect.Right; x += 2) c->SetPixels(x, y, gridPenColor_);
        }
    }
}

// --- messages

void TFcCustomPanel::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); return;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case WM_THEMECHANGED: WMThemeChanged(Message); return;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); return;
    case CM_CONTROLCHANGE: CMControlChange(Message); return;
    default: TCustomPanel::WndProc(Message); return;
    }
}

// WINDOWPOS* in LParam; the old size is still in Width and Height until passed on.
void TFcCustomPanel::WMWindowPosChanged(TMessage& Message) {
    auto* wp = reinterpret_cast<WINDOWPOS*>(Message.LParam);
    if (wp && HandleAllocated() && !(wp->flags & SWP_NOSIZE)) {
        if (GetFullRepaint() || !GetCaption().empty()) {
            Invalidate();
        } else {
            TPoint margin;
            InvalidationMargin(margin);
            TRect was(0, 0, Width(), Height()), now(0, 0, wp->cx, wp->cy);
            InsetByBorders(was, true);
            InsetByBorders(now, true);
            // The borders at the moving edges: where they were and where they go.
            if (wp->cx != Width()) {
                TRect r(std::min(was.Right, now.Right) - margin.X, 0, std::max(Width(), wp->cx),
                        std::max(Height(), wp->cy));
                InvalidateRect(&r, true);
            }
            if (wp->cy != Height()) {
                TRect r(0, std::min(was.Bottom, now.Bottom) - margin.Y, std::max(Width(), wp->cx),
                        std::max(Height(), wp->cy));
                InvalidateRect(&r, true);
            }
        }
    }
    TCustomPanel::WndProc(Message);
}

void TFcCustomPanel::WMEraseBkgnd(TMessage& Message) {
    if (transparent_ && fillFace_) {
        CopyParentBackground(this, reinterpret_cast<HDC>(Message.WParam), false);
        Message.Result = 1;
        return;
    }
    TCustomPanel::WndProc(Message);
}

void TFcCustomPanel::WMThemeChanged(TMessage& Message) {
    TCustomPanel::WndProc(Message);
    ThemesChanged();
    RereadXPColorScheme();
}

void TFcCustomPanel::CMEnabledChanged(TMessage& Message) {
    TCustomPanel::WndProc(Message);
    Repaint();
    if (!GetEnabled()) {
        childEnabledStates_.clear();
        for (int i = 0; i < ControlCount(); ++i) childEnabledStates_[Controls(i)] = Controls(i)->GetEnabled();
        for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetEnabled(false);
        return;
    }
    auto states = std::move(childEnabledStates_);
    childEnabledStates_.clear();
    for (int i = 0; i < ControlCount(); ++i) {
        auto it = states.find(Controls(i));
        Controls(i)->SetEnabled(it == states.end() || it->second);
    }
}

// WParam: the child; LParam: 1 inserted, 0 removed.
void TFcCustomPanel::CMControlChange(TMessage& Message) {
    if (Message.LParam == 0) {
        auto* child = reinterpret_cast<TControl*>(Message.WParam);
        // A child that leaves must not keep its entry: another object could later take its
        // address and be held disabled.
        childEnabledStates_.erase(child);
        if (dockManager_) dockManager_->RemoveControl(child);
    }
    TCustomPanel::WndProc(Message);
}

// --- docking

void TFcCustomPanel::SetDockSite(bool Value) {
    if (Value == dockSite_) return;
    dockSite_ = Value;
    UpdateDockManager();
}

void TFcCustomPanel::SetUseDockManager(bool Value) {
    if (Value == useDockManager_) return;
    useDockManager_ = Value;
    UpdateDockManager();
}

void TFcCustomPanel::UpdateDockManager() {
    if (!dockSite_ || !useDockManager_ || dockManager_) return;
    dockManager_ = CreateDockManager();
    if (dockManager_) SetDoubleBuffered(true);
    Realign();
    Invalidate();
}

std::unique_ptr<TFcPanelDockManager> TFcCustomPanel::CreateDockManager() {
    return std::make_unique<TFcPanelDockManager>(this);
}

void TFcCustomPanel::DockControl(TControl* Control) {
    if (dockManager_ && dockSite_) dockManager_->InsertControl(Control);
}

void TFcCustomPanel::AlignControls(TControl* AControl, TRect& Rect) {
    TCustomPanel::AlignControls(AControl, Rect);
    if (dockManager_) dockManager_->ResetBounds();
}

// --- frame settings, streaming

void TFcCustomPanel::ApplyFrameSettings() {
    if (!frameController_ || !frameController_->GetFrameVisible()) return;
    TFcFrameController* f = frameController_;
    auto takes = [this](TFcFrameControllerProperty p) { return notifications_.Contains(p); };
    if (takes(fcpFrameStyle)) borderOuter_ = f->GetFrameStyle();
    if (takes(fcpFrameSides)) borderSides_ = f->GetFrameSides();
    if (takes(fcpFrameColor)) {
        flatColor_ = f->GetFrameColor();
        flatColorAdjustment_ = 0;
    }
    if (takes(fcpColor)) {
        SetColor(f->GetColor());
        borderHighlight_ = LightenColor(f->GetColor(), 100);
        borderShadow_ = DarkenColor(f->GetColor(), 50);
    }
    if (takes(fcpParentColor)) SetParentColor(f->GetParentColor());
    Realign();
    Repaint();
}

void TFcCustomPanel::DefineProperties(TFiler& Filer) {
    TCustomPanel::DefineProperties(Filer);
    Filer.DefineProperty("FrameSides", TFcOldPropReader::SkipSetValue);
    Filer.DefineProperty("ThemeAware", TFcOldPropReader::SkipBooleanValue);
    Filer.DefineProperty("UseGradients", [this](const TValue& v) {
        if (TPropType<bool>::FromValue(v)) SetVisualStyle(vsGradient);
    });
}

void TFcCustomPanel::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == frameController_) frameController_ = nullptr;
}

// ---------------------------------------------------------------------------------------
// TFcCustomGroupBox

IMPLEMENT_CLASS(TFcCustomGroupBox);
IMPLEMENT_CLASS(TFcGroupBox);

void TFcCustomGroupBox::Publish(TClassBuilder<TFcCustomGroupBox>& b) {
    b.Prop("BannerHeight", &TFcCustomGroupBox::GetBannerHeight, &TFcCustomGroupBox::SetBannerHeight);
    b.Prop("GroupStyle", &TFcCustomGroupBox::GetGroupStyle, &TFcCustomGroupBox::SetGroupStyle);
}

TFcCustomGroupBox::TFcCustomGroupBox(TComponent* AOwner) : TFcCustomPanel(AOwner) {
    ControlStyle.Include(csSetCaption).Include(csDoubleClicks);
    SetBorderOuter(fsNone);
    SetAlignmentVertical(avTop);
    SetAlignment(taLeftJustify);
    height_ = 105;
}

void TFcCustomGroupBox::SetGroupStyle(TFcGroupBoxStyle Value) {
    if (Value == groupStyle_) return;
    groupStyle_ = Value;
    Realign();
    Invalidate();
}

void TFcCustomGroupBox::SetBannerHeight(int Value) {
    if (Value == bannerHeight_) return;
    bannerHeight_ = Value;
    Realign();
    Invalidate();
}

void TFcCustomGroupBox::AdjustClientRect(TRect& Rect) {
    TFcCustomPanel::AdjustClientRect(Rect);
    int h = ScreenTextExtent(Font(), "Yy").cy;
    switch (groupStyle_) {
    case gsCustom:
        if (!GetCaption().empty()) Rect.Top += h;
        Rect.Inflate(-2, -2);
        break;
    case gsTopLine: Rect.Top += h; break;
    case gsBanner: Rect.Top += bannerHeight_ ? bannerHeight_ : h + 8; break;
    case gsUnderline: Rect.Top += h + 4; break;
    case gsStandard:
    case gsFlat: {
        int a = h / 2 - 1;
        Rect.Top += a < GetBorderWidth() ? a : h - GetBorderWidth();
        int in = groupStyle_ == gsStandard ? 2 : 1;
        Rect.Inflate(-in, -in);
        break;
    }
    }
}

bool TFcCustomGroupBox::UsesThemedFrame() {
    return GetVisualStyle() == vsWinXP && (groupStyle_ == gsStandard || groupStyle_ == gsFlat) &&
           ThemeHandle(TFcThemeClass::Button) != nullptr;
}

TRect TFcCustomGroupBox::CaptionRect() {
    std::string caption = GetCaption();
    if (caption.empty() || groupStyle_ == gsCustom) return TRect();
    std::string text = StripAccelerators(caption);
    TSize size = ScreenTextExtent(Font(), text);
    if (UsesThemedFrame()) {
        TWindowDC screen(nullptr);
        TSelectObject select(screen.Get(), Font()->Handle());
        RECT extent{};
        std::wstring wide = ToWide(text);
        if (SUCCEEDED(GetThemeTextExtent(ThemeHandle(TFcThemeClass::Button), screen.Get(), BP_GROUPBOX, GBS_NORMAL,
                                         wide.c_str(), -1, DT_LEFT, nullptr, &extent)))
            size = TSize{extent.right - extent.left, extent.bottom - extent.top};
    }
    int w = size.cx, t = size.cy, W = Width();
    bool rtl = UseRightToLeftAlignment();
    switch (groupStyle_) {
    case gsStandard:
    case gsFlat: return rtl ? TRect(W - w - 8, 0, W - 8, t) : TRect(8, 0, w + 8, t);
    case gsTopLine: return rtl ? TRect(W - w - 4, 0, W - 4, t) : TRect(0, 0, w + 4, t);
    case gsBanner: return TRect(0, 0, W, bannerHeight_ ? bannerHeight_ : t + 6);
    case gsUnderline: return TRect(0, 0, W, t + 2);
    default: return TRect();
    }
}

void TFcCustomGroupBox::Paint() {
    if (groupStyle_ == gsCustom) {
        TFcCustomPanel::Paint();
        return;
    }
    Canvas()->Font()->Assign(Font());
    TRect caption = CaptionRect();
    if (UsesThemedFrame()) PaintThemed(caption);
    else PaintFrame(caption);
    if (OnPaint) OnPaint(this);
}

void TFcCustomGroupBox::PaintThemed(const TRect& caption) {
    TCanvas* c = Canvas();
    HDC dc = c->Handle();
    HTHEME theme = ThemeHandle(TFcThemeClass::Button);
    int m = c->TextHeight("Pp") / 2 - 1;
    if (!GetTransparent()) CopyParentBackground(this, dc, false);
    int state = GetEnabled() ? GBS_NORMAL : GBS_DISABLED;
    {
        TSaveDC saved(dc);
        if (!caption.IsEmpty()) ExcludeClipRect(dc, caption.Left, caption.Top, caption.Right, caption.Bottom);
        RECT frame{0, m, Width(), Height()};
        DrawThemeBackground(theme, dc, BP_GROUPBOX, state, &frame, nullptr);
    }
    if (caption.IsEmpty()) return;
    RECT r = caption;
    std::wstring wide = ToWide(GetCaption());
    DrawThemeText(theme, dc, BP_GROUPBOX, state, wide.c_str(), -1,
                  DT_SINGLELINE | DT_VCENTER | AlignmentFlag(GetAlignment()), 0, &r);
}

void TFcCustomGroupBox::PaintFrame(const TRect& caption) {
    TCanvas* c = Canvas();
    HDC dc = c->Handle();
    int m = c->TextHeight("Pp") / 2 - 1;
    TRect client(0, 0, Width(), Height());
    if (!GetTransparent()) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(GetColor());
        c->FillRect(client);
    }
    {
        TSaveDC saved(dc);
        if (GetTransparent() && groupStyle_ != gsBanner && !caption.IsEmpty())
            ExcludeClipRect(dc, caption.Left, caption.Top, caption.Right, caption.Bottom);
        TRect f(0, m, Width(), Height());
        TColor flat = ShiftColor(GetFlatColor(), GetFlatColorAdjustment());
        TSides top;
        top.Include(TSide::sdTop);
        switch (groupStyle_) {
        case gsStandard:
            if (GetBorderOuter() == fsNone) PaintStyledSides(c, f, fsGroove, AllSides);
            else if (GetBorderOuter() == fsFlat) PaintBox(c, f, flat);
            else if (GetBorderOuter() == fsFlatBold) PaintBevel(c, f, flat, flat, 2, AllSides);
            else PaintStyledSides(c, f, GetBorderOuter(), AllSides);
            break;
        case gsTopLine:
            if (GetBorderOuter() == fsNone) {
                PaintStyledSides(c, f, fsGroove, top);
            } else if (GetBorderOuter() == fsFlat || GetBorderOuter() == fsFlatBold) {
                c->Pen()->SetColor(flat);
                c->MoveTo(f.Left + 2, f.Top);
                c->LineTo(f.Right - 2, f.Top);
                if (GetBorderOuter() == fsFlatBold) {
                    c->MoveTo(f.Left + 2, f.Top + 1);
                    c->LineTo(f.Right - 2, f.Top + 1);
                }
            } else {
                PaintStyledSides(c, f, GetBorderOuter(), top);
            }
            break;
        case gsFlat: PaintRoundedFlatSides(c, f, flat, AllSides); break;
        case gsBanner: PaintBanner(caption); break;
        case gsUnderline:
            c->Pen()->SetColor(flat);
            c->MoveTo(caption.Left, caption.Bottom);
            c->LineTo(caption.Right, caption.Bottom);
            break;
        default: break;
        }
    }
    PaintCaption(caption);
}

void TFcCustomGroupBox::PaintBanner(const TRect& caption) {
    if (caption.IsEmpty()) return;
    TCanvas* c = Canvas();
    TColor start, stop, pen;
    if (GetGradientColorStyle() == gcsCustom) {
        start = GetGradientColorStart();
        stop = GetGradientColorStop();
        pen = ShiftColor(GetFlatColor(), GetFlatColorAdjustment());
    } else {
        StatusBarGradientColors(GetGradientColorStyle(), start, stop, pen);
    }
    int L = caption.Left, T = caption.Top, R = caption.Right, B = caption.Bottom;
    c->Pen()->SetColor(pen);
    c->MoveTo(L, T + 1); c->LineTo(L, B - 1);
    c->MoveTo(L + 1, T); c->LineTo(R - 1, T);
    c->MoveTo(R - 1, T + 1); c->LineTo(R - 1, B - 1);
    c->MoveTo(L + 1, B - 1); c->LineTo(R - 1, B - 1);
    TRect inner = caption;
    inner.Inflate(-1, -1);
    FillGradient(c, inner, gdHorizontalEnd, start, stop, 1);
}

void TFcCustomGroupBox::PaintCaption(TRect caption) {
    if (caption.IsEmpty()) return;
    TCanvas* c = Canvas();
    if (!GetTransparent() && groupStyle_ != gsBanner) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(GetColor());
        c->FillRect(caption);
    }
    if (groupStyle_ == gsBanner) caption.Inflate(-4, -1);
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(Font());
    if (!GetEnabled()) c->Font()->SetColor(clGrayText);
    else if (GetVisualStyle() == vsWinXP && ThemesEnabled()) c->Font()->SetColor(ThemePartColor(6));
    UINT flags = DrawTextBiDiModeFlags(DT_SINGLELINE | DT_VCENTER | AlignmentFlag(GetAlignment()));
    DrawTextIn(c, GetCaption(), caption, flags);
    c->Brush()->SetStyle(bsSolid);
}

void TFcCustomGroupBox::ApplyFrameSettings() {
    if (groupStyle_ == gsCustom) TFcCustomPanel::ApplyFrameSettings();
}

void TFcCustomGroupBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DIALOGCHAR: CMDialogChar(Message); return;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        TFcCustomPanel::WndProc(Message);
        Realign();
        Invalidate();
        return;
    default: TFcCustomPanel::WndProc(Message); return;
    }
}

void TFcCustomGroupBox::CMDialogChar(TMessage& Message) {
    if (!IsAccel(static_cast<char>(Message.WParam), GetCaption()) || !CanFocus()) {
        TFcCustomPanel::WndProc(Message);
        return;
    }
    if (TWinControl* first = FindNextControl(nullptr, true, true, true)) first->SetFocus();
    Message.Result = 1;
}
