// Tab sizes from captions and images, the rows of a multi-line control, the place of each
// tab in its row, scrolling a single row, and the layout pass that paints start with.
#include "controls/framed/FcTabs.h"

#include "framework/Guards.h"

#include <algorithm>
#include <cstdlib>

namespace {
bool BoxedStyle(TFcTabStyle s) { return s == tsRoundCorners || s == tsSquareCorners; }

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t at = text.find("\r\n", start);
        if (at == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
}

// Only the line's first "&" is an accelerator mark; a doubled one shows once and a
// trailing one shows as it is.
std::string WithoutAccelerator(std::string line) {
    size_t at = line.find('&');
    if (at != std::string::npos && at + 1 < line.size()) line.erase(at, 1);
    return line;
}
} // namespace

// ---------------------------------------------------------------------------------------
// The tab font

TFcCustomTabControl::TTabFontScope::TTabFontScope(const TFcCustomTabControl& Control, bool Bold, bool Underline)
    : control_(Control), dc_(Control.OffscreenDC()), saved_(SaveDC(dc_)) {
    if (!saved_) throw EFcTabControlError(SFcErrorSavingDC);
    const TFont& f = *Control.tabFont_;
    TFontStyles style = f.GetStyle();
    LOGFONTA lf{};
    lf.lfHeight = f.GetHeight();
    lf.lfWeight = Bold || style.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = style.Contains(fsItalic);
    lf.lfUnderline = Underline || style.Contains(fsUnderline);
    lf.lfStrikeOut = style.Contains(fsStrikeOut);
    lf.lfCharSet = f.GetCharset();
    lstrcpynA(lf.lfFaceName, f.GetName().c_str(), LF_FACESIZE);
    if (Control.textOrientation_ == orVertical) lf.lfEscapement = Control.tabOrientation_ == toRight ? 2700 : 900;
    HFONT font = CreateFontIndirectA(&lf);
    Control.fontStack_.emplace_back(font);
    SelectObject(dc_, font);
}

TFcCustomTabControl::TTabFontScope::~TTabFontScope() {
    RestoreDC(dc_, saved_);
    control_.fontStack_.pop_back();
}

HDC TFcCustomTabControl::OffscreenDC() const { return bitmap_->Canvas()->Handle(); }

TSize TFcCustomTabControl::MeasureText(const std::string& Text) const {
    SIZE sz{};
    if (!GetTextExtentPoint32A(OffscreenDC(), Text.c_str(), static_cast<int>(Text.size()), &sz)) return TSize{0, 0};
    return TSize{sz.cx, sz.cy};
}

int TFcCustomTabControl::TabFontHeight() const { return std::abs(tabFont_->GetHeight()); }

// ---------------------------------------------------------------------------------------
// Sizes

int TFcCustomTabControl::Overlap(int Length) const {
    switch (tabStyle_) {
    case tsSingleSlant: case tsBackSlant: return Length / 2;
    case tsDoubleSlant: return Length;
    case tsSquareCorners: return tabOverlap_ + 1;
    case tsCutCorner: case tsRoundCorners: return tabOverlap_;
    }
    return 0;
}

TSize TFcCustomTabControl::CaptionExtent(const std::string& Caption, bool Horizontal) const {
    TSize total{0, 0};
    for (const std::string& line : SplitLines(Caption)) {
        TSize sz = MeasureText(WithoutAccelerator(line));
        if (!Horizontal) std::swap(sz.cx, sz.cy);
        if (Horizontal) {
            total.cx = std::max(total.cx, sz.cx);
            total.cy += sz.cy;
        } else {
            total.cx += sz.cx;
            total.cy = std::max(total.cy, sz.cy);
        }
    }
    return total;
}

TSize TFcCustomTabControl::ImageSize(int Index) const {
    if (!images_ || tabs_->Items(Index)->ImageIndex == -1) return TSize{0, 0};
    return TSize{images_->GetWidth(), images_->GetHeight()};
}

TSize TFcCustomTabControl::MinimumContentSize() const {
    TTabFontScope font(*this, boldCurrentTab_);
    const bool horizontalText = textOrientation_ == orHorizontal;
    TSize ext = CaptionExtent(BoxedStyle(tabStyle_) ? "AAA" : "A", horizontalText);
    const int h = TabFontHeight();
    return horizontalText ? TSize{ext.cx, h} : TSize{h, ext.cy};
}

TSize TFcCustomTabControl::ContentSize(int Index) const {
    const TFcTabData* tab = tabs_->Items(Index);
    if (!tab->Visible) return TSize{0, 0};
    const bool horizontalText = textOrientation_ == orHorizontal;
    TSize text{0, 0};
    if (!tab->Caption.empty()) {
        // Every tab is measured bold when the current one is drawn bold, so it fits anywhere.
        TTabFontScope font(*this, boldCurrentTab_);
        text = CaptionExtent(tab->Caption, horizontalText);
    }
    TSize image = ImageSize(Index);
    TSize c;
    switch (imagePosition_) {
    case ipLeft: case ipRight:
        c = TSize{imageMargin_ + image.cx + text.cx, std::max(image.cy, text.cy)};
        break;
    case ipTop: case ipBottom:
        c = TSize{std::max(image.cx, text.cx), imageMargin_ + image.cy + text.cy};
        break;
    case ipBack:
        c = TSize{std::max(image.cx, text.cx), std::max(image.cy, text.cy)};
        break;
    case ipStretch:
        c = text;
        break;
    }
    TSize minimum = MinimumContentSize();
    if (tabWidth_ == 0) c.cx = std::max(c.cx, minimum.cx);
    if (tabHeight_ == 0) c.cy = std::max(c.cy, minimum.cy);
    if (showCloseButtonOnActiveTab_) {
        if (HorizontalTabs() && horizontalText) c.cx += 20;
        else if (!HorizontalTabs() && !horizontalText) c.cy += 20;
    }
    return c;
}

TSize TFcCustomTabControl::TabSizeFromContent(TSize Content) const {
    const int w2 = Content.cx + 2, h2 = Content.cy + 2;
    const bool horizontal = HorizontalTabs();
    switch (tabStyle_) {
    case tsSingleSlant: case tsBackSlant:
        if (horizontal) return TSize{w2 + 4 + 2 * Overlap(h2 + 4) + tabHeight_ / 2, h2 + 4};
        return TSize{w2 + 4, h2 + 4 + 2 * Overlap(w2 + 4) + tabHeight_ / 2};
    case tsDoubleSlant:
        if (horizontal) return TSize{w2 + 4 + 2 * Overlap(h2) + tabHeight_, h2 + 4};
        return TSize{w2 + 4, h2 + 4 + 2 * Overlap(w2) + tabHeight_};
    case tsCutCorner:
        if (textOrientation_ == orHorizontal) {
            if (horizontal) return TSize{w2 + 6 + 2 * cutCornerSize_, h2 + 5};
            return TSize{w2 + 5 + cutCornerSize_, h2 + 8};
        }
        if (horizontal) return TSize{w2 + 8, h2 + 5 + cutCornerSize_};
        return TSize{w2 + 5, h2 + 6 + 2 * cutCornerSize_};
    case tsRoundCorners: case tsSquareCorners:
        return TSize{w2 + 4, h2 + 4};
    }
    return TSize{w2, h2};
}

namespace {
// Edits of a content rectangle: shrink moves opposite edges inwards, move shifts.
struct TContentEdit {
    TRect r;
    void Shrink(int x, int y) { r.Left += x; r.Right -= x; r.Top += y; r.Bottom -= y; }
    void Move(int x, int y) { r.Offset(x, y); }
};
} // namespace

TRect TFcCustomTabControl::ContentRect(const TRect& R) const {
    TRect r;
    switch (tabStyle_) {
    case tsSingleSlant: case tsDoubleSlant: case tsBackSlant: r = SlantContentRect(R); break;
    case tsCutCorner: r = CutCornerContentRect(R); break;
    case tsRoundCorners: case tsSquareCorners: {
        TContentEdit e{R};
        if (textOrientation_ == orVertical) e.Shrink(2, 4);
        else e.Shrink(4, 2);
        r = e.r;
        break;
    }
    }
    if (showFocusRect_) r.Inflate(-1, -1);
    return r;
}

TRect TFcCustomTabControl::SlantContentRect(const TRect& R) const {
    TContentEdit e{R};
    const bool horizontal = HorizontalTabs();
    const bool onLeft = tabOrientation_ == toLeft, onRight = tabOrientation_ == toRight;
    const bool onTop = tabOrientation_ == toTop, onBottom = tabOrientation_ == toBottom;
    const int D = horizontal ? R.Height() : R.Width();
    const int slant = 2 * Overlap(D) + 2;
    // The closing steps along the side of vertical tabs and the end of horizontal ones.
    auto sideStep = [&](int d) {
        e.Move(0, d);
        if (onLeft) e.r.Left += 2;
        else e.r.Right -= 2;
        if (onRight) e.Move(1, 0);
    };
    auto endStep = [&](int d) {
        e.Move(d, 0);
        if (onTop) e.r.Top += 2;
        else e.r.Bottom -= 2;
        if (onBottom) e.Move(0, d);
    };
    switch (tabStyle_) {
    case tsSingleSlant:
        e.Shrink(1, 1);
        if (horizontal) {
            e.r.Right -= slant;
            e.Move(2, 0);
            endStep(1);
        } else {
            if (onLeft) { e.r.Top += slant; e.Move(0, -2); }
            else { e.r.Bottom -= slant; e.Move(0, 2); }
            sideStep(1);
        }
        break;
    case tsDoubleSlant:
        if (horizontal) {
            e.r.Inflate(1, -1);
            e.Shrink(Overlap(D), 0);
            endStep(1);
        } else {
            e.r.Inflate(-1, 1);
            e.Shrink(0, Overlap(D));
            e.r.Bottom += 2;
            sideStep(1);
        }
        break;
    default:   // back slant
        e.Shrink(1, 1);
        if (horizontal) {
            e.r.Left += slant;
            e.Move(-2, 0);
            endStep(-1);
        } else {
            if (onLeft) { e.r.Bottom -= slant; e.Move(0, 2); }
            else { e.r.Top += slant; e.Move(0, -2); }
            sideStep(-1);
        }
        break;
    }
    return e.r;
}

TRect TFcCustomTabControl::CutCornerContentRect(const TRect& R) const {
    TContentEdit e{R};
    const int cut = cutCornerSize_;
    const bool onLeft = tabOrientation_ == toLeft, onTop = tabOrientation_ == toTop;
    if (textOrientation_ == orVertical) {
        if (HorizontalTabs()) {
            e.Shrink(4, 1);
            if (onTop) e.r.Top += cut + 3;
            else { e.r.Bottom -= cut + 3; e.Move(0, 1); }
        } else {
            e.Shrink(1, cut + 3);
            if (onLeft) e.r.Left += 5;
            else { e.r.Right -= 5; e.Move(1, 0); }
        }
    } else {
        if (HorizontalTabs()) {
            e.Shrink(cut + 3, 1);
            if (onTop) e.r.Top += 3;
            else { e.r.Bottom -= 3; e.Move(0, 1); }
        } else {
            e.Shrink(1, 4);
            if (onLeft) e.r.Left += cut + 5;
            else { e.r.Right -= cut + 5; e.Move(1, 0); }
        }
    }
    return e.r;
}

// ---------------------------------------------------------------------------------------
// Rows

TSize TFcCustomTabControl::RowTabSize(TSize Content, TSize LargestContent) const {
    if (HorizontalTabs()) Content.cy = std::max(Content.cy, LargestContent.cy);
    else Content.cx = std::max(Content.cx, LargestContent.cx);
    TSize t = TabSizeFromContent(Content);
    if (tabWidth_ > 0) t.cx = tabWidth_;
    if (tabHeight_ > 0) t.cy = tabHeight_;
    return t;
}

int TFcCustomTabControl::ClipToRoom(int Length, int Room) const {
    int limit = Room - (BoxedStyle(tabStyle_) ? 4 : 0);
    return std::max(0, std::min(Length, limit));
}

void TFcCustomTabControl::ComputeLayout() {
    buttonTextHeight_ = -1;
    const int n = tabs_->Count();
    const bool horizontal = HorizontalTabs();
    std::vector<TSize> content(static_cast<size_t>(n), TSize{0, 0});
    TSize largestContent{0, 0}, largestTab{0, 0};
    TSize minimum = MinimumContentSize();
    for (int i = 0; i < n; ++i) {
        if (!tabs_->Items(i)->Visible) continue;
        TSize c = ContentSize(i);
        content[static_cast<size_t>(i)] = c;
        largestContent.cx = std::max(largestContent.cx, c.cx);
        largestContent.cy = std::max(largestContent.cy, c.cy);
        TSize t = TabSizeFromContent(TSize{std::max(c.cx, minimum.cx), std::max(c.cy, minimum.cy)});
        largestTab.cx = std::max(largestTab.cx, t.cx);
        largestTab.cy = std::max(largestTab.cy, t.cy);
    }
    if (tabWidth_ > 0) largestTab.cx = tabWidth_;
    if (tabHeight_ > 0) largestTab.cy = tabHeight_;
    fixedDimension_ = horizontal ? largestTab.cy : largestTab.cx;

    // Lengths along the row, before clipping to the room of a row.
    std::vector<int> lengths(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        if (!tabs_->Items(i)->Visible) continue;
        TSize t = RowTabSize(content[static_cast<size_t>(i)], largestContent);
        lengths[static_cast<size_t>(i)] = horizontal ? t.cx : t.cy;
    }
    SetRowCount(multiLine_ ? CountRows(lengths) : 1);
    PlaceRows(lengths);
    StretchRows();
}

int TFcCustomTabControl::CountRows(const std::vector<int>& Lengths) {
    std::vector<int> visible;
    for (int i = 0; i < tabs_->Count(); ++i)
        if (tabs_->Items(i)->Visible) visible.push_back(i);
    if (visible.empty()) return 1;
    const int room0 = TabAreaLength() - 2 * margin_;
    const int ov = Overlap(fixedDimension_);
    // Every tab alone in its row is as far as more rows can help.
    const int maxRows = static_cast<int>(visible.size());
    for (int rows = 1;; ++rows) {
        const int room = room0 - (rows - 1) * rowIndent_;
        int used = 1, pos = margin_, inRow = 0;
        bool again = false;
        for (size_t k = 0; k < visible.size() && !again; ++k) {
            const int s = ClipToRoom(Lengths[static_cast<size_t>(visible[k])], room);
            for (;;) {
                if (pos + s < room) {
                    pos += s - ov + 1;
                    ++inRow;
                    break;
                }
                if (used < rows) {
                    ++used;
                    pos = margin_;
                    if (inRow == 0) break;   // too long even alone: it keeps the row it had
                    inRow = 0;
                    continue;
                }
                if ((inRow > 0 || k + 1 < visible.size()) && rows < maxRows) again = true;
                break;
            }
        }
        if (!again) return used;
    }
}

int TFcCustomTabControl::RowPlacementRoom() {
    int room = TabAreaLength() - 2 * margin_;
    if (multiLine_) return room - (rowCount_ - 1) * rowIndent_;
    if (showCloseButton_) room -= CloseButtonExtent() + 2;
    if (showMenuButton_) room -= MenuButtonExtent() + 2;
    return room - (2 * ButtonExtent() + 2);
}

void TFcCustomTabControl::PlaceRows(const std::vector<int>& Lengths) {
    const int room = RowPlacementRoom();
    const int fd = fixedDimension_;
    const int ov = Overlap(fd);
    int top = TabAreaDepth() - fd;
    int row = 0;
    bool rowEmpty = true;
    const bool standard = tabSequence_ == tsStandard;
    int pos = standard ? margin_ : -margin_;
    auto nextRow = [&] {
        ++row;
        top -= fd - rowOverlap_;
        pos = standard ? margin_ : -margin_;
        rowEmpty = true;
    };
    for (int i = 0; i < tabs_->Count(); ++i) {
        TFcTabData* tab = tabs_->Items(i);
        if (!tab->Visible) continue;
        const int s = ClipToRoom(Lengths[static_cast<size_t>(i)], room);
        for (;;) {
            bool full = multiLine_ && (standard ? pos + s >= room : pos - s <= -room);
            if (full && !rowEmpty) {
                nextRow();
                continue;
            }
            tab->TabRect = standard ? TRect(pos, top, pos + s, top + fd) : TRect(pos - s, top, pos, top + fd);
            tab->Row = row;
            if (full) {
                // Too long for any row: it stands alone in this one.
                nextRow();
            } else {
                pos += standard ? s - ov + 1 : ov - s - 1;
                rowEmpty = false;
            }
            break;
        }
    }
    if (!standard) {
        // The reversed walk ran leftwards from 0.
        const int shift = multiLine_ ? Width() : std::abs(pos);
        for (int i = 0; i < tabs_->Count(); ++i)
            if (tabs_->Items(i)->Visible) tabs_->Items(i)->TabRect.Offset(shift, 0);
    }
}

void TFcCustomTabControl::StretchRows() {
    if (!multiLine_ || !alignTabs_) return;
    if (HorizontalTabs() ? tabWidth_ != 0 : tabHeight_ != 0) return;
    const bool standard = tabSequence_ == tsStandard;
    const int n = tabs_->Count();
    int i = 0;
    while (i < n) {
        if (!tabs_->Items(i)->Visible) {
            ++i;
            continue;
        }
        // The visible tabs that follow each other in one row.
        std::vector<TFcTabData*> row;
        const int r = tabs_->Items(i)->Row;
        for (; i < n; ++i) {
            TFcTabData* t = tabs_->Items(i);
            if (!t->Visible) continue;
            if (t->Row != r) break;
            row.push_back(t);
        }
        const int span = standard ? row.back()->TabRect.Right - row.front()->TabRect.Left
                                  : row.front()->TabRect.Right - row.back()->TabRect.Left;
        int free = TabAreaLength() - 2 * margin_ - (rowCount_ - 1) * rowIndent_ - span;
        if (BoxedStyle(tabStyle_)) free -= 4;
        if (free <= 0) continue;
        const int count = static_cast<int>(row.size());
        int before = 0;
        for (int k = 0; k < count; ++k) {
            const int grow = free / count + (k < free % count ? 1 : 0);
            TRect& tr = row[static_cast<size_t>(k)]->TabRect;
            if (standard) {
                tr.Left += before;
                tr.Right += before + grow;
            } else {
                tr.Right -= before;
                tr.Left -= before + grow;
            }
            before += grow;
        }
    }
}

void TFcCustomTabControl::BringRowToCard(int Index) {
    if (!multiLine_ || !tabs_->ValidIndex(Index)) return;
    int highest = 0;
    for (int i = 0; i < tabs_->Count(); ++i)
        if (tabs_->Items(i)->Visible) highest = std::max(highest, tabs_->Items(i)->Row);
    if (highest == 0) return;
    const int rows = highest + 1;
    const int selectedRow = tabs_->Items(Index)->Row;
    // The edges of each row, from the first tab that held it.
    std::vector<std::pair<int, int>> edges(static_cast<size_t>(rows), {0, 0});
    std::vector<bool> known(static_cast<size_t>(rows), false);
    for (int i = 0; i < tabs_->Count(); ++i) {
        const TFcTabData* t = tabs_->Items(i);
        if (!t->Visible || known[static_cast<size_t>(t->Row)]) continue;
        known[static_cast<size_t>(t->Row)] = true;
        edges[static_cast<size_t>(t->Row)] = {t->TabRect.Top, t->TabRect.Bottom};
    }
    for (int i = 0; i < tabs_->Count(); ++i) {
        TFcTabData* t = tabs_->Items(i);
        if (!t->Visible) continue;
        const int to = (t->Row + highest - selectedRow + 1) % rows;
        t->Row = to;
        t->TabRect.Top = edges[static_cast<size_t>(to)].first;
        t->TabRect.Bottom = edges[static_cast<size_t>(to)].second;
    }
}

// ---------------------------------------------------------------------------------------
// Scrolling a single row

int TFcCustomTabControl::FullyShownRoom() const {
    int room = TabAreaLength() - 2 * ButtonExtent() - 2 * margin_;
    if (showCloseButton_) room -= CloseButtonExtent() + 2;
    if (showMenuButton_) room -= MenuButtonExtent() + 2;
    return room;
}

bool TFcCustomTabControl::IsTabFullyShown(int Index) const {
    if (!tabs_->ValidIndex(Index) || !tabs_->Items(Index)->Visible) return false;
    if (!scrollerNeeded_) return true;
    const TRect& r = tabs_->Items(Index)->TabRect;
    const int room = FullyShownRoom();
    const int o = ScrollOffset();
    if (tabSequence_ == tsStandard) return r.Left >= o && r.Right - o <= room;
    return o >= r.Right && o - r.Left <= room;
}

bool TFcCustomTabControl::ScrollTabs(bool Forwards) {
    const int old = firstVisibleTab_;
    const int n = tabs_->Count();
    bool moved = false;
    if (Forwards) {
        if (firstVisibleTab_ < n - 1 && !IsTabFullyShown(LastNonHiddenTab())) {
            do ++firstVisibleTab_;
            while (firstVisibleTab_ < n && !IsTabFullyShown(firstVisibleTab_));
            moved = firstVisibleTab_ < n;
        }
    } else if (firstVisibleTab_ > 0 && !IsTabFullyShown(FirstNonHiddenTab())) {
        do --firstVisibleTab_;
        while (firstVisibleTab_ >= 0 && !IsTabFullyShown(firstVisibleTab_));
        moved = firstVisibleTab_ >= 0;
    }
    if (!moved) firstVisibleTab_ = old;
    else InvalidateTabs();
    if (showCloseButtonOnActiveTab_)
        EnsureActiveCloseButton()->SetVisible(tabs_->ValidIndex(tabIndex_) && IsTabFullyShown(tabIndex_));
    if (OnScrolledTabs) OnScrolledTabs(this);
    return moved;
}

void TFcCustomTabControl::ScrollerClick(bool UpRight) {
    const bool standard = tabSequence_ == tsStandard;
    const bool upRightIsForwards = tabOrientation_ == toRight ? !standard : standard;
    ScrollTabs(UpRight == upRightIsForwards);
    if (scroller_) scroller_->Invalidate();
}

// ---------------------------------------------------------------------------------------
// The layout pass

void TFcCustomTabControl::UpdateLayout() {
    if (!layoutDirty_) return;
    layoutDirty_ = false;
    ComputeLayout();
    regionCache_->Clear();
    const int remembered = firstVisibleTab_;
    UpdateScrollerNeeded();
    FixFirstVisibleTab(remembered);
    FixTabIndex();
    if (CalcPageRect() != alignedPageRect_) Realign();
}

void TFcCustomTabControl::FixFirstVisibleTab(int Remembered) {
    const int n = tabs_->Count();
    const int first = FirstNonHiddenTab();
    if (!scrollerNeeded_ || n == 0) {
        firstVisibleTab_ = first;
        return;
    }
    // Whether tab t is fully shown when it is the first one shown.
    auto shownFirst = [&](int t) {
        TRestore<int> keep(firstVisibleTab_, t);
        return IsTabFullyShown(t);
    };
    const int start = std::clamp(Remembered, 0, n - 1);
    for (int t = start; t < n; ++t)
        if (shownFirst(t)) {
            firstVisibleTab_ = t;
            return;
        }
    for (int t = start - 1; t >= 0; --t)
        if (shownFirst(t)) {
            firstVisibleTab_ = t;
            return;
        }
    firstVisibleTab_ = first;
}

void TFcCustomTabControl::FixTabIndex() {
    const int n = tabs_->Count();
    if (FirstNonHiddenTab() < 0 || tabIndex_ < 0) return;
    int found = -1;
    for (int i = tabIndex_; i < n && found < 0; ++i)
        if (MayChange(i)) found = i;
    // Pages removed since the last layout may leave the index past the end.
    for (int i = std::min(tabIndex_, n - 1); i >= 0 && found < 0; --i)
        if (MayChange(i)) found = i;
    if (found < 0 || found == tabIndex_) return;
    TRestore<bool> allowed(changeAllowed_, true);
    SetTabIndex(found);
}
