#include "controls/framed/FcSplit.h"
#include "controls/framed/FcGrafx.h"

#include "framework/Guards.h"

#include <algorithm>
#include <cmath>

IMPLEMENT_CLASS(TFcCustomSizePanel);
IMPLEMENT_CLASS(TFcSizePanel);

void TFcCustomSizePanel::Publish(TClassBuilder<TFcCustomSizePanel>& b) {
    using C = TFcCustomSizePanel;
    b.Prop("GradientColorAdjustment", &C::GetGradientColorAdjustment, &C::SetGradientColorAdjustment);
    b.Prop("GradientPath", &C::GetGradientPath, &C::SetGradientPath);
    b.Prop("HotSpotColor", &C::GetHotSpotColor, &C::SetHotSpotColor);
    b.Prop("HotSpotDotColor", &C::GetHotSpotDotColor, &C::SetHotSpotDotColor);
    b.Prop("HotSpotFrameColor", &C::GetHotSpotFrameColor, &C::SetHotSpotFrameColor);
    b.Prop("HotSpotHighlight", &C::GetHotSpotHighlight, &C::SetHotSpotHighlight);
    b.Prop("HotSpotIgnoreMargins", &C::GetHotSpotIgnoreMargins, &C::SetHotSpotIgnoreMargins);
    b.Prop("HotSpotSizePercent", &C::GetHotSpotSizePercent, &C::SetHotSpotSizePercent);
    b.Prop("HotSpotVisible", &C::GetHotSpotVisible, &C::SetHotSpotVisible);
    b.Prop("LockBar", &C::GetLockBar, &C::SetLockBar);
    b.Prop("MarginMax", &C::GetMarginMax, &C::SetMarginMax);
    b.Prop("MarginMin", &C::GetMarginMin, &C::SetMarginMin);
    b.Prop("RealTimeDrag", &C::GetRealTimeDrag, &C::SetRealTimeDrag);
    b.Prop("Side", &C::GetSide, &C::SetSide);
    b.Prop("SizeBarStyle", &C::GetSizeBarStyle, &C::SetSizeBarStyle);
    b.Prop("SizeBarWidth", &C::GetSizeBarWidth, &C::SetSizeBarWidth);
    b.Event("OnHotSpotClick", &C::OnHotSpotClick);
}

TFcCustomSizePanel::TFcCustomSizePanel(TComponent* AOwner) : TFcCustomPanel(AOwner) {
    // The panel captures the mouse itself, only for a press on its bar.
    ControlStyle.Exclude(csCaptureMouse);
    SetBorderOuter(fsNone);
    SetAlign(alLeft);
    LoadCursors();
}

TFcCustomSizePanel::~TFcCustomSizePanel() {
    for (int i = 0; i < 4; ++i)
        if (ownCursor_[i] && cursors_[i]) DestroyCursor(cursors_[i]);
}

void TFcCustomSizePanel::LoadCursors() {
    static constexpr const char* kNames[4] = {"FCSPLIT_HORZ", "FCSPLIT_HORZHOTSPOT", "FCSPLIT_VERT",
                                              "FCSPLIT_VERTHOTSPOT"};
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (int i = 0; i < 4; ++i) {
        cursors_[i] = static_cast<HCURSOR>(LoadImageA(instance, kNames[i], IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
        ownCursor_[i] = cursors_[i] != nullptr;
        // A program without our cursors still shows which way the bar moves.
        if (!cursors_[i]) cursors_[i] = LoadCursorA(nullptr, i < 2 ? IDC_SIZEWE : IDC_SIZENS);
    }
}

template <class T>
void TFcCustomSizePanel::Change(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Invalidate();
}

// --- properties

void TFcCustomSizePanel::SetAlign(TAlign Value) {
    TFcCustomPanel::SetAlign(Value);
    Realign();
}

void TFcCustomSizePanel::SetSide(TSide Value) { Change(side_, Value); }

void TFcCustomSizePanel::SetSizeBarWidth(TSizeBarWidth Value) {
    Value = std::max(Value, 1);
    if (Value == sizeBarWidth_) return;
    sizeBarWidth_ = Value;
    Realign();
    Invalidate();
}

void TFcCustomSizePanel::SetSizeBarStyle(TSplitterStyle Value) {
    if (Value == sizeBarStyle_) return;
    sizeBarStyle_ = Value;
    if (Value != ssStandard && sizeBarWidth_ < 6) SetSizeBarWidth(6);
    Invalidate();
}

void TFcCustomSizePanel::SetHotSpotVisible(bool Value) {
    if (Value == hotSpotVisible_) return;
    hotSpotVisible_ = Value;
    if (!Value) ClearHotSpotClosed();
    if (Value && sizeBarWidth_ < 7) SetSizeBarWidth(7);
    Invalidate();
}

void TFcCustomSizePanel::SetHotSpotSizePercent(int Value) { Change(hotSpotSizePercent_, Value); }
void TFcCustomSizePanel::SetHotSpotColor(TColor Value) { Change(hotSpotColor_, Value); }
void TFcCustomSizePanel::SetHotSpotHighlight(TColor Value) { Change(hotSpotHighlight_, Value); }
void TFcCustomSizePanel::SetHotSpotDotColor(TColor Value) { Change(hotSpotDotColor_, Value); }
void TFcCustomSizePanel::SetHotSpotFrameColor(TColor Value) { Change(hotSpotFrameColor_, Value); }
void TFcCustomSizePanel::SetGradientColorAdjustment(int Value) { Change(gradientColorAdjustment_, Value); }
void TFcCustomSizePanel::SetGradientPath(TFcGroupBarGradientPath Value) { Change(gradientPath_, Value); }

void TFcCustomSizePanel::SetMarginMax(int Value) {
    marginMax_ = std::max(Value, 0);
    int most = MaxPanelSize();
    if (most < marginMax_ + marginMin_) marginMax_ = most - marginMin_;
}

void TFcCustomSizePanel::SetMarginMin(int Value) {
    marginMin_ = std::max(Value, 0);
    int most = MaxPanelSize();
    if (most < marginMax_ + marginMin_) marginMin_ = most - marginMax_;
}

// --- geometry

TFcCustomSizePanel::TBarEdge TFcCustomSizePanel::BarEdge() const {
    switch (GetAlign()) {
    case alLeft: return TBarEdge::Right;
    case alTop: return TBarEdge::Bottom;
    case alRight: return TBarEdge::Left;
    case alBottom: return TBarEdge::Top;
    case alClient: return TBarEdge::None;
    default: break;
    }
    switch (side_) {
    case TSide::sdLeft: return TBarEdge::Right;
    case TSide::sdTop: return TBarEdge::Bottom;
    case TSide::sdRight: return TBarEdge::Left;
    default: return TBarEdge::Top;
    }
}

bool TFcCustomSizePanel::IsHorizontalBar() const {
    TBarEdge e = BarEdge();
    return e == TBarEdge::Bottom || e == TBarEdge::Top;
}

bool TFcCustomSizePanel::IsStartSide() const {
    TBarEdge e = BarEdge();
    return e == TBarEdge::Right || e == TBarEdge::Bottom;
}

void TFcCustomSizePanel::SizeBarRect(TRect& Rect) {
    const int d = GetDockSite() ? 1 : 0;
    int w = Width(), h = Height(), bar = sizeBarWidth_;
    switch (BarEdge()) {
    case TBarEdge::Right: Rect = TRect(w - bar - d, 0, w, h); break;
    case TBarEdge::Bottom: Rect = TRect(0, h - bar - d, w, h); break;
    case TBarEdge::Left: Rect = TRect(0, 0, d + bar, h); break;
    case TBarEdge::Top: Rect = TRect(0, 0, w, d + bar); break;
    case TBarEdge::None: Rect = TRect(); break;
    }
    CalcHotSpotRect(Rect);
}

void TFcCustomSizePanel::CalcHotSpotRect(const TRect& BarRect) {
    bool horizontal = IsHorizontalBar();
    int n = horizontal ? BarRect.Right - BarRect.Left : BarRect.Bottom - BarRect.Top;
    int s = static_cast<int>(std::nearbyint(hotSpotSizePercent_ / 100.0 * n));   // halves to even
    int half = s / 2;
    if (horizontal) {
        int c = BarRect.Left + n / 2;
        hotSpotRect_ = TRect(c - half, BarRect.Top, c + half, BarRect.Bottom);
    } else {
        int c = BarRect.Top + n / 2;
        hotSpotRect_ = TRect(BarRect.Left, c - half, BarRect.Right, c + half);
    }
}

void TFcCustomSizePanel::FaceRect(TRect& Rect) const {
    Rect = TRect(0, 0, Width(), Height());
    switch (BarEdge()) {
    case TBarEdge::Right: Rect.Right -= sizeBarWidth_; break;
    case TBarEdge::Bottom: Rect.Bottom -= sizeBarWidth_; break;
    case TBarEdge::Left: Rect.Left += sizeBarWidth_; break;
    case TBarEdge::Top: Rect.Top += sizeBarWidth_; break;
    case TBarEdge::None: break;
    }
}

void TFcCustomSizePanel::InsetByBorders(TRect& Rect, bool WithBorderWidth) const {
    // A collapsed panel is no more than its bar: its children fill it without borders.
    if (collapsed_) return;
    TFcCustomPanel::InsetByBorders(Rect, WithBorderWidth);
}

void TFcCustomSizePanel::AdjustClientRect(TRect& Rect) {
    int cut = sizeBarWidth_ + 1;
    switch (BarEdge()) {
    case TBarEdge::Right: Rect.Right -= cut; break;
    case TBarEdge::Bottom: Rect.Bottom -= cut; break;
    case TBarEdge::Left: Rect.Left += cut; break;
    case TBarEdge::Top: Rect.Top += cut; break;
    case TBarEdge::None: break;
    }
    TFcCustomPanel::AdjustClientRect(Rect);
}

void TFcCustomSizePanel::ParentFreeArea(TRect& Rect) const {
    TWinControl* parent = Parent();
    if (!parent) throw Exception("No parent specified");
    Rect = parent->GetClientRect();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        TAlign a = c->GetAlign();
        if (a == alNone || a == alCustom) {
            switch (side_) {
            case TSide::sdLeft: a = alLeft; break;
            case TSide::sdTop: a = alTop; break;
            case TSide::sdRight: a = alRight; break;
            case TSide::sdBottom: a = alBottom; break;
            }
        }
        switch (a) {
        case alTop: Rect.Top += c->Height(); break;
        case alBottom: Rect.Bottom -= c->Height(); break;
        case alLeft: Rect.Left += c->Width(); break;
        case alRight: Rect.Right -= c->Width(); break;
        default: break;
        }
    }
}

void TFcCustomSizePanel::ClampBarPosition(int& Position) const {
    TRect a;
    ParentFreeArea(a);
    int lo = 0, hi = 0;
    switch (BarEdge()) {
    case TBarEdge::Right:
        lo = marginMin_ + sizeBarWidth_ + 1;
        hi = a.Right - marginMax_ - Left();
        break;
    case TBarEdge::Bottom:
        lo = marginMin_ + sizeBarWidth_ + 1;
        hi = a.Bottom - marginMax_ - Top();
        break;
    case TBarEdge::Left:
        lo = a.Left + marginMax_ - Left();
        hi = Width() - marginMin_ - sizeBarWidth_ - 1;
        break;
    case TBarEdge::Top:
        lo = a.Top + marginMax_ - Top();
        hi = Height() - marginMin_ - sizeBarWidth_ - 1;
        break;
    case TBarEdge::None: return;
    }
    Position = std::max(Position, lo);
    Position = std::min(Position, hi);
}

int TFcCustomSizePanel::MaxPanelSize() const {
    TRect a;
    ParentFreeArea(a);
    switch (BarEdge()) {
    case TBarEdge::Right: return a.Right - Left();
    case TBarEdge::Bottom: return a.Bottom - Top();
    case TBarEdge::Left: return a.Right + Width() - a.Left;
    case TBarEdge::Top: return a.Bottom + Height() - a.Top;
    case TBarEdge::None: return 0;
    }
    return 0;
}

int TFcCustomSizePanel::CurrentSize() const { return IsHorizontalBar() ? Height() : Width(); }

void TFcCustomSizePanel::ApplySize(int size) {
    size = std::max(size, 0);
    if (IsHorizontalBar()) SetHeight(size);
    else SetWidth(size);
}

bool TFcCustomSizePanel::CursorInHotSpot() const {
    TPoint p;
    CursorClientPos(p);
    return hotSpotRect_.Contains(p);
}

// --- painting

void TFcCustomSizePanel::Paint() {
    TFcCustomPanel::Paint();
    PaintSizeBar();
}

void TFcCustomSizePanel::PaintSizeBar() {
    TCanvas* c = Canvas();
    TRect r;
    SizeBarRect(r);
    TColor fill = GetColor();
    bool groupBar = GetVisualStyle() != vsClassic && sizeBarStyle_ == ssGroupBar;
    if (groupBar) {
        switch (BarEdge()) {
        case TBarEdge::Right: r.Left -= 1; break;
        case TBarEdge::Left: r.Right += 1; break;
        case TBarEdge::Top: r.Bottom += 1; break;
        default: break;
        }
        fill = LightenColor(GetColor(), static_cast<uint8_t>(std::clamp(gradientColorAdjustment_, 0, 255)));
    }
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(fill);
    c->FillRect(r);
    if (sizeBarStyle_ == ssGroove || sizeBarStyle_ == ssBump) {
        TFrameStyle style = sizeBarStyle_ == ssGroove ? fsStatus : fsPopup;
        TRect strip;
        if (IsHorizontalBar()) {
            int m = r.Top + r.Height() / 2;
            strip = TRect(r.Left, m - 3, r.Right, m);
            PaintBorder(c, strip, style);
            strip.Offset(0, 3);
        } else {
            int m = r.Left + r.Width() / 2;
            strip = TRect(m - 3, r.Top, m, r.Bottom);
            PaintBorder(c, strip, style);
            strip.Offset(3, 0);
        }
        PaintBorder(c, strip, style);
    } else if (sizeBarStyle_ == ssGroupBar && !IsHorizontalBar()) {
        PaintGroupBarBackground(c, r, GetVisualStyle(), GetGradientColorStyle(), gradientPath_,
                                GetGradientColorStart(), GetGradientColorStop());
    }
    if (hotSpotVisible_) {
        if (refreshHotSpot_) {
            PaintHotSpot(CursorInHotSpot());
            refreshHotSpot_ = false;
        } else {
            PaintHotSpot(false);
        }
        outsideHotSpot_ = true;
    }
}

void TFcCustomSizePanel::PaintHotSpot(bool Highlighted) {
    TCanvas* c = Canvas();
    TRect h = hotSpotRect_;
    if (h.IsEmpty()) return;
    TRect inner = PaintSides(c, h, hotSpotFrameColor_, hotSpotFrameColor_, AllSides);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Highlighted ? hotSpotHighlight_ : hotSpotColor_);
    c->FillRect(inner);
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetColor(hotSpotDotColor_);
    c->Brush()->SetColor(hotSpotDotColor_);
    TAlign align = GetAlign();
    bool custom = align == alNone || align == alCustom;
    auto is = [&](TAlign a, TSide s) { return align == a || (custom && side_ == s); };
    int L = h.Left, T = h.Top, R = h.Right, B = h.Bottom;
    // The arrows point the way the next click moves the bar.
    if (IsHorizontalBar()) {
        int m = T + (B - T) / 2, a = m + 1, b = m - 1;
        bool keep = (is(alTop, TSide::sdTop) && !collapsed_) || (is(alBottom, TSide::sdBottom) && collapsed_);
        if (!keep) std::swap(a, b);
        const TPoint left[] = {{L + 6, a}, {L + 8, b}, {L + 10, a}};
        const TPoint right[] = {{R - 6, a}, {R - 8, b}, {R - 10, a}};
        c->Polygon(left);
        c->Polygon(right);
        int k = (R - L - 32) / 3;
        for (int i = 0; k >= 0 && i <= k; ++i) c->SetPixels(L + 15 + 3 * i, m, hotSpotDotColor_);
    } else {
        int m = L + (R - L) / 2, a = m + 1, b = m - 1;
        bool keep = (is(alLeft, TSide::sdLeft) && !collapsed_) || (is(alRight, TSide::sdRight) && collapsed_);
        if (!keep) std::swap(a, b);
        const TPoint top[] = {{a, T + 6}, {b, T + 8}, {a, T + 10}};
        const TPoint bottom[] = {{a, B - 6}, {b, B - 8}, {a, B - 10}};
        c->Polygon(top);
        c->Polygon(bottom);
        int k = (B - T - 32) / 3;
        for (int i = 0; k >= 0 && i <= k; ++i) c->SetPixels(m, T + 15 + 3 * i, hotSpotDotColor_);
    }
}

void TFcCustomSizePanel::TrackHotSpotHover() {
    if (!hotSpotVisible_ || !HandleAllocated()) return;
    TRect bar;
    SizeBarRect(bar);
    bool inside = CursorInHotSpot();
    if (inside == !outsideHotSpot_) return;
    PaintHotSpot(inside);
    outsideHotSpot_ = !inside;
    // Drawn outside a paint: give back the DC the canvas took.
    if (auto* canvas = dynamic_cast<TControlCanvas*>(Canvas())) canvas->FreeHandle();
}

void TFcCustomSizePanel::PaintDragLine(int Position) {
    if (realTimeDrag_ || !surface_.DC()) return;
    TRect bar;
    SizeBarRect(bar);
    bool vista = WindowsAtLeast(7);
    TPoint p = vista ? TPoint(Left(), Top()) : TPoint(0, 0);
    switch (BarEdge()) {
    case TBarEdge::Right: p.X += Position - sizeBarWidth_; break;
    case TBarEdge::Bottom: p.Y += Position - sizeBarWidth_; break;
    case TBarEdge::Left: p.X += Position + 1; break;
    case TBarEdge::Top: p.Y += Position + 1; break;
    case TBarEdge::None: return;
    }
    if (!vista) p = ClientToScreen(p);
    PatBlt(surface_.DC(), p.X, p.Y, bar.Width(), bar.Height(), PATINVERT);
}

void TFcCustomSizePanel::TDragSurface::Acquire(HWND window, bool withPattern) {
    Release();
    window_ = window;
    dc_ = window ? GetDCEx(window, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE) : GetDC(nullptr);
    if (!dc_ || !withPattern) return;
    if (!pattern_) pattern_.Reset(CreatePatternBrush(AllocPatternBitmap(clBlack, clWhite)->Handle()));
    displaced_ = SelectObject(dc_, pattern_.Get());
}

void TFcCustomSizePanel::TDragSurface::Release() {
    if (!dc_) return;
    if (displaced_) SelectObject(dc_, displaced_);
    displaced_ = nullptr;
    ReleaseDC(window_, dc_);
    dc_ = nullptr;
    window_ = nullptr;
}

// --- mouse and keys

void TFcCustomSizePanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TFcCustomPanel::MouseDown(Button, Shift, X, Y);
    TRect bar;
    SizeBarRect(bar);
    TPoint p(X, Y);
    if (Button != mbLeft || !bar.Contains(p)) return;
    bool inHotSpot = hotSpotVisible_ && hotSpotRect_.Contains(p);
    if (lockBar_ && !inHotSpot) return;
    if (!realTimeDrag_ && !Focused() && CanFocus()) SetFocus();
    SetMouseCapture(true);
    resizing_ = true;
    hotSpotPress_ = inHotSpot;
    startPos_ = IsStartSide() ? CurrentSize() : 0;
    pressOffset_ = (IsHorizontalBar() ? Y : X) - CurrentSize() / 2;
    surface_.Acquire(WindowsAtLeast(7) && Parent() ? Parent()->Handle() : nullptr, !realTimeDrag_);
    pressWidth_ = Width();
    pressHeight_ = Height();
    PaintDragLine(startPos_);
    lastPos_ = startPos_;
}

void TFcCustomSizePanel::MouseMove(TShiftState Shift, int X, int Y) {
    TFcCustomPanel::MouseMove(Shift, X, Y);
    if (!resizing_ || (hotSpotPress_ && lockBar_)) return;
    int along = IsHorizontalBar() ? Y : X;
    int half = (IsHorizontalBar() ? pressHeight_ : pressWidth_) / 2;
    int candidate = along + startPos_ - pressOffset_ - half;
    ClampBarPosition(candidate);
    if (candidate == lastPos_) return;
    bool growing = IsStartSide() ? candidate > lastPos_ : candidate < lastPos_;
    if (growing) ClearHotSpotClosed();
    hotSpotPress_ = false;
    PaintDragLine(lastPos_);
    PaintDragLine(candidate);
    if (realTimeDrag_) {
        if (IsStartSide()) ApplySize(candidate + marginOffset_);
        else ApplySize(startPos_ + CurrentSize() - candidate - marginOffset_);
    }
    lastPos_ = candidate;
}

void TFcCustomSizePanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TFcCustomPanel::MouseUp(Button, Shift, X, Y);
    if (!((resizing_ && Button == mbLeft) || hotSpotPress_)) return;
    // Both flags go before the capture does, so that losing it is not taken for a cancel.
    bool hotSpotPress = hotSpotPress_;
    resizing_ = false;
    hotSpotPress_ = false;
    SetMouseCapture(false);
    TControlWatch watch(this);
    TScopeExit done([this, &watch] {
        if (watch.Freed()) return;
        surface_.Release();
        refreshHotSpot_ = true;
    });
    if (!realTimeDrag_) {
        PaintDragLine(lastPos_);
        if (IsStartSide()) ApplySize(lastPos_ + marginOffset_ - 1);
        else ApplySize(startPos_ + CurrentSize() - lastPos_);
    }
    if (hotSpotPress && hotSpotRect_.Contains(TPoint(X, Y))) ToggleCollapsed();
}

void TFcCustomSizePanel::ToggleCollapsed() {
    collapsed_ = !collapsed_;
    if (collapsed_) {
        storedSize_ = CurrentSize();
        int size = sizeBarWidth_ + marginOffset_;
        if (!hotSpotIgnoreMargins_) size += marginMin_;
        ApplySize(size);
    } else {
        int size = storedSize_;
        if (IsStartSide()) ClampBarPosition(size);
        ApplySize(size);
    }
    Realign();
    Invalidate();
    DoHotSpotClick();
}

void TFcCustomSizePanel::DoHotSpotClick() {
    if (OnHotSpotClick) OnHotSpotClick(this);
}

void TFcCustomSizePanel::KeyDown(WORD& Key, TShiftState Shift) {
    TFcCustomPanel::KeyDown(Key, Shift);
    if (Key == VK_ESCAPE && (resizing_ || hotSpotPress_)) CancelDrag();
}

void TFcCustomSizePanel::CancelDrag() {
    bool wasResizing = resizing_;
    resizing_ = false;
    hotSpotPress_ = false;
    if (wasResizing && !realTimeDrag_) PaintDragLine(lastPos_);
    surface_.Release();
    if (MouseCapture()) SetMouseCapture(false);
    refreshHotSpot_ = true;
}

// --- messages

void TFcCustomSizePanel::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_SETCURSOR: WMSetCursor(Message); return;
    case WM_PAINT: WMPaint(Message); return;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); return;
    case WM_CAPTURECHANGED: WMCaptureChanged(Message); return;
    case CM_CANCELMODE:
        if (resizing_ || hotSpotPress_) CancelDrag();
        TFcCustomPanel::WndProc(Message);
        return;
    case CM_MOUSELEAVE: CMMouseLeave(Message); return;
    default: TFcCustomPanel::WndProc(Message); return;
    }
}

void TFcCustomSizePanel::WMSetCursor(TMessage& Message) {
    TrackHotSpotHover();
    TRect bar;
    SizeBarRect(bar);
    TPoint p;
    CursorClientPos(p);
    bool ours = reinterpret_cast<HWND>(Message.WParam) == WindowHandle() && LOWORD(Message.LParam) == HTCLIENT;
    if (!ours || lockBar_ || !bar.Contains(p)) {
        TFcCustomPanel::WndProc(Message);
        return;
    }
    bool hot = hotSpotVisible_ && hotSpotRect_.Contains(p);
    // 0 HORZ, 1 HORZHOTSPOT, 2 VERT, 3 VERTHOTSPOT: a horizontal bar moves vertically.
    int index = (IsHorizontalBar() ? 2 : 0) + (hot ? 1 : 0);
    ::SetCursor(cursors_[index]);
    Message.Result = 1;
}

// HDC in WParam when the paint is asked for into a given DC.
void TFcCustomSizePanel::WMPaint(TMessage& Message) {
    if (!GetDoubleBuffered() || Message.WParam || !HandleAllocated()) {
        TFcCustomPanel::WndProc(Message);
        return;
    }
    TPaintDC paint(WindowHandle(), 0);
    if (!paint || Width() <= 0 || Height() <= 0) return;
    TBitmap off(Width(), Height());
    HDC memory = off.Canvas()->Handle();
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
    TMessage inner{WM_PAINT, reinterpret_cast<WPARAM>(memory), 0, 0};
    TFcCustomPanel::WndProc(inner);
    BitBlt(paint.Get(), 0, 0, Width(), Height(), memory, 0, 0, SRCCOPY);
}

// WINDOWPOS* in LParam; the old size is still in Width and Height until passed on.
void TFcCustomSizePanel::WMWindowPosChanged(TMessage& Message) {
    auto* wp = reinterpret_cast<WINDOWPOS*>(Message.LParam);
    if (wp && HandleAllocated() && !(wp->flags & SWP_NOSIZE)) {
        if (GetFullRepaint() || !GetCaption().empty()) {
            Invalidate();
        } else if (GetBorderWidth() != 0) {
            if (wp->cx != Width()) {
                TRect r(wp->cx - GetBorderWidth() - 1, 0, wp->cx, wp->cy);
                InvalidateRect(&r, true);
            }
            if (wp->cy != Height()) {
                TRect r(0, wp->cy - GetBorderWidth() - 1, wp->cx, wp->cy);
                InvalidateRect(&r, true);
            }
        }
    }
    TFcCustomPanel::WndProc(Message);
}

void TFcCustomSizePanel::WMCaptureChanged(TMessage& Message) {
    // Another window took the mouse (a message box, a switch of application): the drag ends.
    if ((resizing_ || hotSpotPress_) && reinterpret_cast<HWND>(Message.LParam) != WindowHandle()) CancelDrag();
    TFcCustomPanel::WndProc(Message);
}

void TFcCustomSizePanel::CMMouseLeave(TMessage& Message) {
    TFcCustomPanel::WndProc(Message);
    if (!(hotSpotPress_ && lockBar_)) TrackHotSpotHover();
}

// --- docking

std::unique_ptr<TFcPanelDockManager> TFcCustomSizePanel::CreateDockManager() {
    return std::make_unique<TFcSizePanelDockManager>(this);
}

void TFcSizePanelDockManager::PaintSite(TCanvas* Canvas) {
    if (sizePanel_->HotSpotClosed()) return;
    sizePanel_->PaintSizeBar();
    TFcPanelDockManager::PaintSite(Canvas);
}

// --- streaming

void TFcCustomSizePanel::DefineProperties(TFiler& Filer) {
    TFcCustomPanel::DefineProperties(Filer);
    Filer.DefineProperty("HotSpotClosed", [this](const TValue& v) { collapsed_ = TPropType<bool>::FromValue(v); },
                         collapsed_);
    Filer.DefineProperty("HotSpotPosition", [this](const TValue& v) { storedSize_ = TPropType<int>::FromValue(v); },
                         collapsed_);
}
