// Selection (the TabIndex writer every selection goes through), the mouse press, hot
// tracking and tab hints, and dragging a tab to a new place with its drop marker.
#include "controls/framed/FcTabs.h"

#include "framework/Forms.h"
#include "framework/Guards.h"

#include <algorithm>

namespace {
constexpr unsigned kDragScrollFirstDelay = 400;
constexpr unsigned kDragScrollRepeatDelay = 300;
} // namespace

// ---------------------------------------------------------------------------------------
// Selection

void TFcCustomTabControl::SetTabIndex(int Value) {
    if (IsLoading() || IsReading() || SuppressTabChange()) {
        tabIndex_ = Value;
        return;
    }
    TControlWatch watch(this);
    auto select = [&] {
        if (!tabs_->ValidIndex(Value)) {
            tabIndex_ = -1;
            InvalidateTabs();
            return;
        }
        const bool allowed = Value == tabIndex_ || changeAllowed_ || MayChange(Value);
        if (watch.Freed() || !allowed) return;
        // An OnChanging handler may have removed tabs.
        if (!tabs_->ValidIndex(Value)) {
            tabIndex_ = -1;
            InvalidateTabs();
            return;
        }
        const bool changed = Value != tabIndex_;
        bool scrolled = false;
        tabIndex_ = Value;
        if (!scrollerNeeded_) {
            BringRowToCard(Value);
        } else if (Value < firstVisibleTab_) {
            firstVisibleTab_ = Value;
            scrolled = true;
        } else {
            while (firstVisibleTab_ < Value && !IsTabFullyShown(Value)) {
                ++firstVisibleTab_;
                scrolled = true;
            }
        }
        if (scrolled || changed) {
            InvalidateTabs();
            if (scroller_) scroller_->Invalidate();
        }
        if (!changed) return;
        DoOnChange();
        if (watch.Freed()) return;
        DoPageChange();
    };
    select();
    if (watch.Freed()) return;
    if (showCloseButton_ && closeButton_) closeButton_->Invalidate();
    if (showCloseButtonOnActiveTab_) EnsureActiveCloseButton()->SetVisible(tabIndex_ >= 0);
    if (showMenuButton_ && menuButton_) menuButton_->Invalidate();
}

// ---------------------------------------------------------------------------------------
// Mouse

void TFcCustomTabControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TControlWatch watch(this);
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (watch.Freed() || !GetEnabled()) return;
    const int t = HitTest(TPoint(X, Y));
    if (t >= 0 && tabs_->Items(t)->Enabled) {
        if (GetTabStop() && t == tabIndex_) {
            if (CanFocus() && !Focused()) SetFocus();
            if (watch.Freed() || !Focused()) return;
        }
        SetTabIndex(t);
        if (watch.Freed()) return;
        if (tabIndex_ == t) DoTabClick();
        if (watch.Freed()) return;
    }
    pressedTab_ = t;
}

void TFcCustomTabControl::MouseMove(TShiftState Shift, int X, int Y) {
    const TPoint p(X, Y);
    if (hotTrack_ || tabHints_) {
        const int t = HitTest(p);
        if (t >= 0 && t != hotTab_) {
            hotTab_ = t;
            if (hotTrack_) {
                hotTrackOnly_ = true;
                InvalidateTabArea();
            }
            if (tabHints_) {
                if (Application) Application->CancelHint();
                SetHint(tabs_->Items(t)->Hint);
            }
            StartHoverTimer();
        } else if (t < 0) {
            const bool inStrip = TabAreaRect().Contains(p);
            if (tabHints_ && (hotTab_ >= 0 || inStrip) && Application) Application->CancelHint();
            LeaveHotTab();
            // Over the empty part of the strip no tab's hint and not the control's.
            if (inStrip && tabHints_) SetHint("");
        }
    }
    TControlWatch watch(this);
    TCustomControl::MouseMove(Shift, X, Y);
    if (watch.Freed()) return;
    if (AllowTabDragging && Shift.Contains(ssLeft) && tabs_->ValidIndex(pressedTab_) &&
        tabs_->Items(pressedTab_)->Enabled)
        BeginDrag(false);
}

void TFcCustomTabControl::LeaveHotTab() {
    StopHoverTimer();
    const bool wasHot = hotTab_ >= 0;
    hotTab_ = -1;
    if (wasHot) {
        hotTrackOnly_ = true;
        InvalidateTabArea();
    }
    // Only tab hints change Hint; a hint set by the program stays.
    if (tabHints_) SetHint(savedHint_);
}

void TFcCustomTabControl::HoverTick() {
    if (!hoverTimerRunning_) return;
    POINT cursor;
    GetCursorPos(&cursor);
    // The hot look goes when the mouse left the control without a move message here.
    if (HitTest(ScreenToClient(TPoint(cursor))) < 0) LeaveHotTab();
}

// ---------------------------------------------------------------------------------------
// Dragging a tab

void TFcCustomTabControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
    TCustomControl::DragOver(Source, X, Y, State, Accept);
    if (!AllowTabDragging || Source != this) return;
    const int t = HitTest(TPoint(X, Y));
    if (t == -1 && State != dsDragLeave) {
        if (!dragScrollTimer_) {
            dragScrollTimer_ = TTimer::Create(this);
            dragScrollTimer_->SetEnabled(false);
            dragScrollTimer_->OnTimer = [this](TObject* s) { DragScrollTick(s); };
        }
        dragScrollTimer_->SetInterval(kDragScrollFirstDelay);
        dragScrollTimer_->SetEnabled(true);
    }
    Accept = t != -1 && t != tabIndex_;
    if (t != lastDragOverTab_) {
        lastDragOverTab_ = t;
        EraseDropMarker();
        if (Accept) {
            markerRect_ = DropMarkerRect(t);
            DrawDropMarker(markerRect_);
            markerShown_ = true;
        }
    }
    if (State == dsDragLeave) {
        EraseDropMarker();
        lastDragOverTab_ = -1;
    }
}

void TFcCustomTabControl::DragDrop(TObject* Source, int X, int Y) {
    if (AllowTabDragging && Source == this) {
        if (dragScrollTimer_) dragScrollTimer_->SetEnabled(false);
        EraseDropMarker();
        lastDragOverTab_ = -1;
        const int t = HitTest(TPoint(X, Y));
        TControlWatch watch(this);
        if (t != -1) MoveActiveTab(t);
        if (watch.Freed()) return;
    }
    TCustomControl::DragDrop(Source, X, Y);
}

void TFcCustomTabControl::DoEndDrag(TObject* Target, int X, int Y) {
    // A cancelled drag leaves nothing running.
    if (dragScrollTimer_) dragScrollTimer_->SetEnabled(false);
    EraseDropMarker();
    lastDragOverTab_ = -1;
    TCustomControl::DoEndDrag(Target, X, Y);
}

void TFcCustomTabControl::EraseDropMarker() {
    if (!markerShown_) return;
    markerShown_ = false;
    DrawDropMarker(markerRect_);
}

void TFcCustomTabControl::DragScrollTick(TObject*) {
    dragScrollTimer_->SetInterval(kDragScrollRepeatDelay);
    if (!Dragging()) {
        dragScrollTimer_->SetEnabled(false);
        return;
    }
    POINT cursor;
    GetCursorPos(&cursor);
    const TPoint p = ScreenToClient(TPoint(cursor));
    int d = 0;
    switch (tabOrientation_) {
    case toTop: case toBottom: d = p.X < 0 ? -1 : p.X > Width() ? 1 : 0; break;
    case toLeft: d = p.Y < 0 ? 1 : p.Y > Height() ? -1 : 0; break;
    case toRight: d = p.Y < 0 ? -1 : p.Y > Height() ? 1 : 0; break;
    }
    if (tabSequence_ == tsReverse) d = -d;
    if (d == 0) return;
    // The tabs move under the marker: it is drawn again at the next drag over.
    EraseDropMarker();
    lastDragOverTab_ = -1;
    ScrollTabs(d > 0);
}

TRect TFcCustomTabControl::DropMarkerRect(int Target) const {
    const TRect r = TabRect(Target);
    const bool standard = tabSequence_ == tsStandard;
    const bool before = (Target < tabIndex_ && standard) || (Target > tabIndex_ && !standard);
    const int h = fixedDimension_ / 2;
    const int g = -fixedDimension_ / 2;
    const TFcTabStyle s = tabStyle_;
    const bool slantBack = s == tsDoubleSlant || s == tsBackSlant;
    const bool slantFront = s == tsSingleSlant || s == tsDoubleSlant;
    const bool boxedOrCut = s == tsCutCorner || s == tsRoundCorners || s == tsSquareCorners;
    int a0 = 0, a1 = 0, shift = 0;
    switch (tabOrientation_) {
    case toTop: case toBottom: {
        if (before) {
            a0 = r.Left - 8; a1 = r.Left + 7;
            if (slantBack) shift = h;
        } else {
            a0 = r.Right - 7; a1 = r.Right + 8;
            if (slantFront) shift = g;
            else if (boxedOrCut) shift = 1;
        }
        const int c0 = tabOrientation_ == toTop ? r.Top - 2 : r.Bottom - 6;
        return TRect(a0 + shift, c0, a1 + shift, c0 + 8);
    }
    case toLeft: {
        if (before) {
            a0 = r.Bottom - 7; a1 = r.Bottom + 8;
            if (slantBack) shift = g;
            else if (boxedOrCut) shift = 1;
        } else {
            a0 = r.Top - 8; a1 = r.Top + 7;
            if (slantFront) shift = h;
        }
        return TRect(r.Left - 2, a0 + shift, r.Left + 6, a1 + shift);
    }
    case toRight: {
        if (before) {
            a0 = r.Top - 8; a1 = r.Top + 7;
            if (slantBack) shift = h + 1;
        } else {
            a0 = r.Bottom - 7; a1 = r.Bottom + 8;
            if (slantFront) shift = g;
            else if (boxedOrCut) shift = 1;
        }
        return TRect(r.Right - 5, a0 + shift, r.Right + 3, a1 + shift);
    }
    }
    return r;
}

void TFcCustomTabControl::DrawDropMarker(const TRect& R) {
    if (R.IsEmpty() || !HandleAllocated()) return;
    TBitmap marker(R.Width(), R.Height());
    TCanvas& c = *marker.Canvas();
    c.Brush()->SetColor(clBtnShadow);
    c.FillRect(TRect(0, 0, R.Width(), R.Height()));
    c.Brush()->SetColor(clBlack);
    c.Pen()->SetStyle(psClear);
    // Two black triangles leave an arrowhead that points at the tab edge.
    auto triangle = [&](std::initializer_list<TPoint> pts) {
        std::vector<TPoint> v(pts);
        c.Polygon(v);
    };
    switch (tabOrientation_) {
    case toTop: triangle({{0, 0}, {8, 8}, {0, 8}}); triangle({{7, 8}, {15, 0}, {15, 8}}); break;
    case toLeft: triangle({{1, 0}, {8, 0}, {8, 8}}); triangle({{-1, 15}, {8, 7}, {8, 15}}); break;
    case toBottom: triangle({{-1, 8}, {-1, -1}, {8, -1}}); triangle({{7, -1}, {15, 0}, {15, 8}}); break;
    case toRight: triangle({{0, 0}, {7, 0}, {0, 7}}); triangle({{0, 7}, {8, 15}, {0, 15}}); break;
    }
    // XOR through the parent's DC lands in the windows' own pixels, so a second identical
    // call restores them.
    TWinControl* host = Parent() && Parent()->HandleAllocated() ? Parent() : this;
    HWND wnd = host->WindowHandle();
    HDC dc = GetDCEx(wnd, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
    if (!dc) return;
    TScopeExit release([&] { ReleaseDC(wnd, dc); });
    TPoint at = R.TopLeft();
    if (host != this) at = ClientToParent(at, host);
    BitBlt(dc, at.X, at.Y, R.Width(), R.Height(), c.Handle(), 0, 0, SRCINVERT);
}
