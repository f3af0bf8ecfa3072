// Where everything of the tab control lies: the tab area, the stacked cards, the page
// area, the mapping from layout coordinates to the control's, tab outlines and regions,
// the places of the scroller and the buttons, and the hit test.
#include "controls/framed/FcTabs.h"

#include <algorithm>

namespace {
bool BoxedStyle(TFcTabStyle s) { return s == tsRoundCorners || s == tsSquareCorners; }

TRect Ordered(TPoint a, TPoint b) {
    return TRect(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y));
}
} // namespace

// ---------------------------------------------------------------------------------------
// Tab shapes

std::vector<TPoint> TabShapePoints(TFcTabStyle Style, bool SoftCorners, int CutCornerSize, const TRect& R) {
    const int L = R.Left, T = R.Top, Rt = R.Right, B = R.Bottom, H = R.Bottom - R.Top;
    switch (Style) {
    case tsSingleSlant:
        if (SoftCorners) return {{L, B}, {L, T + 2}, {L + 2, T}, {Rt - H - 4, T}, {Rt - H + 2, T + 2}, {Rt, B}};
        return {{L, B}, {L, T + 2}, {L + 2, T}, {Rt - H, T}, {Rt, B}};
    case tsDoubleSlant:
        if (SoftCorners) return {{L, B}, {L + H - 2, T + 2}, {L + H + 4, T}, {Rt - H - 4, T}, {Rt - H + 2, T + 2}, {Rt, B}};
        return {{L, B}, {L + H, T}, {Rt - H, T}, {Rt, B}};
    case tsCutCorner:
        return {{L, B}, {L, T}, {Rt - CutCornerSize, T}, {Rt, T + CutCornerSize}, {Rt, B}};
    case tsRoundCorners:
        return {{L, B}, {L, T + 2}, {L + 2, T}, {Rt - 2, T}, {Rt, T + 2}, {Rt, B}};
    case tsBackSlant:
        if (SoftCorners) return {{L, B}, {L + H - 2, T + 2}, {L + H + 4, T}, {Rt - 2, T}, {Rt, T + 2}, {Rt, B}};
        return {{L, B}, {L + H, T}, {Rt - 2, T}, {Rt, T + 2}, {Rt, B}};
    case tsSquareCorners:
        return {{L, B}, {L, T}, {Rt, T}, {Rt, B}};
    }
    return {};
}

int TabShapePointCount(TFcTabStyle Style, bool SoftCorners) {
    switch (Style) {
    case tsSingleSlant: case tsBackSlant: return SoftCorners ? 6 : 5;
    case tsDoubleSlant: return SoftCorners ? 6 : 4;
    case tsCutCorner: return 5;
    case tsRoundCorners: return 6;
    case tsSquareCorners: return 4;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// The tab area and the cards

TRect TFcCustomTabControl::DrawingRect() const {
    int w = Width(), h = Height();
    if (HandleAllocated()) {
        TRect c = GetClientRect();
        w = c.Width();
        h = c.Height();
    }
    return TRect(0, 0, w - 1, h - 1);
}

int TFcCustomTabControl::TabAreaDepth() const {
    if (!showCard_) return HorizontalTabs() ? DrawingRect().Bottom : DrawingRect().Right;
    int extra = BoxedStyle(tabStyle_) ? 3 : 0;
    return extra + fixedDimension_ + (fixedDimension_ - rowOverlap_) * (rowCount_ - 1);
}

TRect TFcCustomTabControl::TabAreaRect() const {
    TRect R = DrawingRect();
    int d = TabAreaDepth();
    switch (tabOrientation_) {
    case toTop: return TRect(0, 0, R.Right - (showShadow_ && tabSequence_ == tsStandard ? 2 : 0), d);
    case toBottom: return TRect(0, R.Bottom - d, R.Right, R.Bottom);
    case toLeft: return TRect(0, 0, d, R.Bottom);
    case toRight: return TRect(R.Right - d, 0, R.Right, R.Bottom);
    }
    return TRect();
}

int TFcCustomTabControl::TabAreaLength() const {
    TRect a = TabAreaRect();
    return HorizontalTabs() ? a.Width() : a.Height();
}

TRect TFcCustomTabControl::CardRect(int Row) const {
    TRect R = DrawingRect();
    if (tabs_->Count() == 0 && showCard_) return R;
    const int d = TabAreaDepth();
    const int c = Row * rowIndent_;
    const int s = Row * (fixedDimension_ - rowOverlap_);
    const int b = d - s;
    const int i = rowIndent_ * (rowCount_ - Row - 1);
    const bool standard = tabSequence_ == tsStandard;
    TRect r;
    switch (tabOrientation_) {
    case toTop:
        r = standard ? TRect(R.Left + c, R.Top + b, R.Right - i, R.Bottom - s)
                     : TRect(R.Left + i, R.Top + b, R.Right - c, R.Bottom - s);
        break;
    case toBottom:
        r = standard ? TRect(R.Left + c, R.Top + s, R.Right - i, R.Bottom - b)
                     : TRect(R.Left + i, R.Top + s, R.Right - c, R.Bottom - b);
        break;
    case toLeft:
        r = standard ? TRect(R.Left + b, R.Top + i, R.Right - s, R.Bottom - c)
                     : TRect(R.Left + b, R.Top + c, R.Right - s, R.Bottom - i);
        break;
    case toRight:
        r = standard ? TRect(R.Left + s, R.Top + c, R.Right - b, R.Bottom - i)
                     : TRect(R.Left + s, R.Top + i, R.Right - b, R.Bottom - c);
        break;
    }
    if (r.Right < r.Left || r.Bottom < r.Top) r = TRect();
    if (!showCard_) {
        // A bare strip shows only the card's edge along its tabs.
        switch (tabOrientation_) {
        case toTop: r.Left = R.Left - 3; r.Right = R.Right + 3; r.Bottom = R.Bottom + 3; break;
        case toBottom: r.Left -= 3; r.Right += 3; r.Top = R.Top - 3; break;
        case toLeft: r.Right += 3; r.Top -= 3; r.Bottom += 3; break;
        case toRight: r.Left -= 3; r.Top -= 3; r.Bottom += 3; break;
        }
    }
    return r;
}

TRect TFcCustomTabControl::CalcPageRect() const {
    if (!showCard_) return TRect(-2, -2, -1, -1);
    TRect r = CardRect(0);
    if (showCardFrame_ && showFullFrame_) {
        r.Left += 1;
        r.Top += 1;
        if (tabOrientation_ == toTop && tabSequence_ == tsStandard && showShadow_) {
            r.Right -= 2;
            r.Bottom -= 2;
        }
    } else if (showCardFrame_) {
        if (tabOrientation_ == toTop) r.Top += 1;
        r.Right += 1;
        r.Bottom += 1;
    } else {
        if (!showFullFrame_) {
            switch (tabOrientation_) {
            case toLeft: r.Left -= 1; break;
            case toBottom: r.Bottom += 1; break;
            case toRight: r.Right += 1; break;
            case toTop: break;
            }
        }
        r.Right += 1;
        r.Bottom += 1;
    }
    return r;
}

void TFcCustomTabControl::AdjustClientRect(TRect& Rect) { Rect = CalcPageRect(); }

void TFcCustomTabControl::AlignControls(TControl* AControl, TRect& Rect) {
    PlaceButtons();
    pageRect_ = Rect;
    alignedPageRect_ = Rect;
    TCustomControl::AlignControls(AControl, Rect);
}

// ---------------------------------------------------------------------------------------
// Layout coordinates to client coordinates

int TFcCustomTabControl::ScrollOffset() const {
    if (firstVisibleTab_ < 0 || !tabs_->ValidIndex(firstVisibleTab_)) return 0;
    const int e = BoxedStyle(tabStyle_) ? 2 : 0;
    const TRect& r = tabs_->Items(firstVisibleTab_)->TabRect;
    if (tabSequence_ == tsStandard) return r.Left - e - margin_;
    return e + margin_ + r.Right;
}

TPoint TFcCustomTabControl::LayoutToClient(TPoint P) const {
    const TRect A = TabAreaRect();
    const int o = ScrollOffset();
    const bool standard = tabSequence_ == tsStandard;
    const int x = P.X, y = P.Y;
    switch (tabOrientation_) {
    case toTop: return standard ? TPoint(A.Left + x - o, A.Top + y) : TPoint(A.Right - (o - x), A.Top + y);
    case toBottom: return standard ? TPoint(A.Left + x - o, A.Bottom - y) : TPoint(A.Right - (o - x), A.Bottom - y);
    case toLeft: return standard ? TPoint(A.Left + y, A.Bottom - (x - o)) : TPoint(A.Left + y, A.Top + (o - x));
    case toRight: return standard ? TPoint(A.Right - y, A.Top + (x - o)) : TPoint(A.Right - y, A.Bottom - (o - x));
    }
    return P;
}

TRect TFcCustomTabControl::LayoutToClient(const TRect& R) const {
    return Ordered(LayoutToClient(R.TopLeft()), LayoutToClient(R.BottomRight()));
}

TRect TFcCustomTabControl::TabLayoutRect(int Index) const {
    const TFcTabData* tab = tabs_->Items(Index);
    TRect r = tab->TabRect;
    if (tab->Row > 0) r.Offset(tabSequence_ == tsStandard ? tab->Row * rowIndent_ : -tab->Row * rowIndent_, 0);
    if (BoxedStyle(tabStyle_) && Index == tabIndex_) {
        // The selected tab stands larger than its neighbours.
        r.Left -= 2;
        r.Right += 2;
        r.Top -= 2;
    }
    return r;
}

TRect TFcCustomTabControl::TabRect(int Index) const { return LayoutToClient(TabLayoutRect(Index)); }

std::vector<TPoint> TFcCustomTabControl::TabOutline(int Index) const {
    std::vector<TPoint> points = TabShapePoints(tabStyle_, softCorners_, cutCornerSize_, TabLayoutRect(Index));
    for (auto& p : points) p = LayoutToClient(p);
    return points;
}

HRGN TFcCustomTabControl::TabRegion(int Index) {
    TRect r = TabRect(Index);
    if (HRGN cached = regionCache_->Lookup(r)) return cached;
    std::vector<TPoint> points = TabOutline(Index);
    if (points.size() < 3) return nullptr;
    std::vector<POINT> raw(points.begin(), points.end());
    HRGN region = CreatePolygonRgn(raw.data(), static_cast<int>(raw.size()), ALTERNATE);
    if (!region) throw EFcTabControlError(SFcErrorCreatingRegion);
    regionCache_->Store(r, region);
    return region;
}

// ---------------------------------------------------------------------------------------
// Overflow and buttons

int TFcCustomTabControl::FirstNonHiddenTab() const {
    for (int i = 0; i < tabs_->Count(); ++i)
        if (tabs_->Items(i)->Visible) return i;
    return -1;
}

int TFcCustomTabControl::LastNonHiddenTab() const {
    for (int i = tabs_->Count() - 1; i >= 0; --i)
        if (tabs_->Items(i)->Visible) return i;
    return -1;
}

void TFcCustomTabControl::UpdateScrollerNeeded() {
    scrollerNeeded_ = false;
    if (multiLine_ || FirstNonHiddenTab() < 0) return;
    int room = TabAreaLength() - 2 * margin_;
    if (showCloseButton_) room -= CloseButtonExtent() + 2;
    if (showMenuButton_) room -= MenuButtonExtent() + 2;
    int edge = tabSequence_ == tsStandard ? LastNonHiddenTab() : FirstNonHiddenTab();
    scrollerNeeded_ = tabs_->Items(edge)->TabRect.Right > room;
}

int TFcCustomTabControl::ButtonTextHeight() const {
    if (buttonTextHeight_ < 0) {
        TTabFontScope font(*this);
        buttonTextHeight_ = CaptionExtent("A", true).cy + (textOrientation_ == orVertical ? 2 : 4);
    }
    return buttonTextHeight_;
}

int TFcCustomTabControl::ButtonExtent() const {
    const bool vertical = textOrientation_ == orVertical;
    int v = ButtonTextHeight();
    bool fixed = HorizontalTabs() ? (!vertical && tabHeight_ > 0) : (vertical && tabWidth_ > 0);
    if (fixed) v = std::max(v, fixedDimension_ - 2);
    return v;
}

int TFcCustomTabControl::ButtonDepth() const {
    const bool vertical = textOrientation_ == orVertical;
    int v = ButtonTextHeight();
    bool along = HorizontalTabs() ? !vertical : vertical;
    int limit = HorizontalTabs() ? tabHeight_ : tabWidth_;
    if (along && v <= limit) return std::max(v, fixedDimension_ - 2);
    return std::min(v, fixedDimension_ - 2);
}

int TFcCustomTabControl::CloseButtonExtent() const {
    return showCloseButton_ && tabs_->Count() > 0 ? ButtonExtent() : 0;
}

int TFcCustomTabControl::MenuButtonExtent() const {
    return showMenuButton_ && tabs_->Count() > 0 ? ButtonExtent() : 0;
}

void TFcCustomTabControl::PlaceButtons() {
    if (IsLoading()) return;
    const TRect A = TabAreaRect();
    const bool horizontal = HorizontalTabs();
    const bool standard = tabSequence_ == tsStandard;
    const int E = ButtonExtent();
    const int D = ButtonDepth();
    auto place = [&](TControl* button, int length, int k) {
        int w = horizontal ? length : D;
        int h = horizontal ? D : length;
        int x = 0, y = 0;
        switch (tabOrientation_) {
        case toTop:
            if (standard) { x = A.Right - w - k + (showShadow_ ? -1 : 1); y = A.Bottom - h - 2; }
            else { x = A.Left + k; y = A.Bottom - h - 2; }
            break;
        case toBottom:
            if (standard) { x = A.Right - w - k + 1; y = A.Top + 2; }
            else { x = A.Left + k; y = A.Top + 2; }
            break;
        case toLeft:
            if (standard) { x = A.Right - w - 2; y = A.Top + k; }
            else { x = A.Right - w - 2; y = A.Bottom - h - k + 1; }
            break;
        case toRight:
            if (standard) { x = A.Left + 2; y = A.Bottom - h - k + 1; }
            else { x = A.Left + 2; y = A.Top + k; }
            break;
        }
        button->SetBounds(x, y, w, h);
        button->SetVisible(true);
    };
    int k = margin_;
    if (showCloseButton_) {
        place(EnsureCloseButton(), E, k);
        k += CloseButtonExtent() + 2;
    }
    if (showMenuButton_) {
        place(EnsureMenuButton(), E, k);
        k += MenuButtonExtent() + 2;
    }
    if (scrollerNeeded_) {
        TFcTabScroller* s = EnsureScroller();
        s->SetOrientation(horizontal ? orHorizontal : orVertical);
        place(s, 2 * E - 1, k);
    } else if (scroller_) {
        scroller_->SetBounds(-1 - scroller_->Width(), -1 - scroller_->Height(), scroller_->Width(), scroller_->Height());
    }
}

// ---------------------------------------------------------------------------------------
// Hit test

int TFcCustomTabControl::HitTest(TPoint P) {
    const int n = tabs_->Count();
    if (n == 0 || firstVisibleTab_ < 0) return -1;
    auto hits = [&](int t) {
        if (!IsTabFullyShown(t) || !TabRect(t).Contains(P)) return false;
        HRGN region = TabRegion(t);
        return region && PtInRegion(region, P.X, P.Y);
    };
    // The selected tab is drawn on top of its neighbours.
    if (tabs_->ValidIndex(tabIndex_) && hits(tabIndex_)) return tabIndex_;
    const int start = std::min(firstVisibleTab_, n - 1);
    int t = start;
    do {
        if (t != tabIndex_ && hits(t)) return t;
        t = (t + 1) % n;
    } while (t != start);
    return -1;
}
