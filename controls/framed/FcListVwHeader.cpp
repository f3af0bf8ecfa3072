// FcListVw: the header hook, the header formats and the header items the control draws.
#include "controls/framed/FcListVw.h"

#include "framework/Guards.h"
#include "framework/ImgList.h"

#include <vssym32.h>

namespace {
constexpr const char* kHeaderOwner = "VelmoraFcListView";
}

// The header's window procedure while it is hooked; the list view it belongs to is kept
// in a window property of the header.
LRESULT CALLBACK FcHeaderProc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
    auto* list = static_cast<TFcCustomListView*>(GetPropA(wnd, kHeaderOwner));
    if (!list) return DefWindowProcA(wnd, msg, w, l);
    LRESULT result = 0;
    Guard([&] { result = list->HeaderWndProc(wnd, msg, w, l); }, list);
    return result;
}

LRESULT TFcCustomListView::HeaderWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    WNDPROC next = headerProc_;
    bool unicode = headerUnicode_;
    switch (Msg) {
    case WM_NCDESTROY:
        UnhookHeader();
        break;
    case WM_MOUSEMOVE:
        if (ThemesEnabled() && !sectionPressed_) {
            HDHITTESTINFO hit{};
            hit.pt = POINT{GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
            int section = static_cast<int>(
                (unicode ? CallWindowProcW : CallWindowProcA)(next, Wnd, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
            if (section != hotSection_) {
                hotSection_ = section;
                ::InvalidateRect(Wnd, nullptr, FALSE);
            }
        }
        break;
    case WM_LBUTTONDOWN: sectionPressed_ = true; break;
    case WM_LBUTTONUP: sectionPressed_ = false; break;
    default: break;
    }
    return (unicode ? CallWindowProcW : CallWindowProcA)(next, Wnd, Msg, WParam, LParam);
}

void TFcCustomListView::HookHeader() {
    HWND h = GetHeaderHandle();
    if (!h || h == header_) return;
    UnhookHeader();
    header_ = h;
    headerUnicode_ = IsWindowUnicode(h) != 0;
    SetPropA(h, kHeaderOwner, this);
    LONG_PTR proc = reinterpret_cast<LONG_PTR>(&FcHeaderProc);
    headerProc_ = reinterpret_cast<WNDPROC>(headerUnicode_ ? SetWindowLongPtrW(h, GWLP_WNDPROC, proc)
                                                           : SetWindowLongPtrA(h, GWLP_WNDPROC, proc));
}

void TFcCustomListView::UnhookHeader() {
    if (!header_) return;
    if (IsWindow(header_)) {
        auto current = headerUnicode_ ? GetWindowLongPtrW(header_, GWLP_WNDPROC) : GetWindowLongPtrA(header_, GWLP_WNDPROC);
        // Put the procedure back only while ours is the one in place.
        if (current == reinterpret_cast<LONG_PTR>(&FcHeaderProc)) {
            auto old = reinterpret_cast<LONG_PTR>(headerProc_);
            if (headerUnicode_) SetWindowLongPtrW(header_, GWLP_WNDPROC, old);
            else SetWindowLongPtrA(header_, GWLP_WNDPROC, old);
            RemovePropA(header_, kHeaderOwner);
        }
    }
    header_ = nullptr;
    headerProc_ = nullptr;
    hotSection_ = -1;
    sectionPressed_ = false;
}

void TFcCustomListView::RefreshHeaderFormats() {
    if (!HandleAllocated() || GetViewStyle() != vsReport || formatRefreshDepth_ > 0) return;
    HWND h = GetHeaderHandle();
    if (!h) return;
    TRestore depth(formatRefreshDepth_, formatRefreshDepth_ + 1);
    int count = static_cast<int>(SendMessageA(h, HDM_GETITEMCOUNT, 0, 0));
    for (int i = count - 1; i >= 0; --i) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        if (!SendMessageA(h, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) continue;
        int fmt = item.fmt & HDF_JUSTIFYMASK;
        if (sortDisplayMode_ != hsdmNone) {
            fmt |= HDF_OWNERDRAW;
        } else {
            fmt |= HDF_STRING;
            if (i < Columns()->Count() && Column(i)->GetImageIndex() >= 0 && GetSmallImages()) fmt |= HDF_IMAGE;
        }
        if (fmt == item.fmt) continue;
        item.fmt = fmt;
        SendMessageA(h, HDM_SETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    ::InvalidateRect(h, nullptr, TRUE);
}

void TFcCustomListView::InvalidateHeaderSection(int Index) {
    if (!header_ || Index < 0) return;
    RECT r{};
    if (SendMessageA(header_, HDM_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r)))
        ::InvalidateRect(header_, &r, FALSE);
}

void TFcCustomListView::HeaderNotification(UINT Code) {
    switch (Code) {
    case HDN_BEGINTRACKA: case HDN_BEGINTRACKW:
    case HDN_ITEMCHANGEDA: case HDN_ITEMCHANGEDW:
        RefreshHeaderFormats();
        if (frameVisible_) InvalidateFrameArea();
        return;
    case HDN_ENDTRACKA: case HDN_ENDTRACKW:
        RefreshHeaderFormats();
        if (frameVisible_) InvalidateFrameArea();
        FitLastColumn();
        return;
    case HDN_DIVIDERDBLCLICKA: case HDN_DIVIDERDBLCLICKW:
        FitLastColumn();
        return;
    default: return;
    }
}

// DRAWITEMSTRUCT* in LParam; answered 1 for the header's items.
void TFcCustomListView::WMDrawItem(TMessage& Message) {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
    if (!d || d->CtlType != ODT_HEADER || (header_ && d->hwndItem != header_)) {
        TCustomListView::WndProc(Message);
        return;
    }
    TSaveDC saved(d->hDC);
    headerCanvas_->SetHandle(d->hDC);
    TScopeExit detach([this] { headerCanvas_->SetHandle(nullptr); });
    DrawHeaderItem(headerCanvas_.get(), static_cast<int>(d->itemID), d->rcItem);
    Message.Result = 1;
}

// --- drawing

TRect TFcCustomListView::ArrowBox(const TRect& Text) {
    int s = (Text.Top + Text.Bottom) / 2 - 1;
    int y = (Text.Top + Text.Bottom - s) / 2 - 1;
    return TRect(Text.Left, y, Text.Left + s + 1, y + s);
}

void TFcCustomListView::PaintSortArrow(TCanvas* Canvas, const TRect& Box, bool Descending) {
    int h = Box.Height() * 3 / 4, w = 2 * h - 1, x = Box.Left, y = Box.Bottom - h;
    if (h <= 0) return;
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetColor(clBtnShadow);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(clBtnShadow);
    if (Descending) {
        const TPoint p[] = {{x + w / 2, y + h - 1}, {x, y}, {x + w - 1, y}};
        Canvas->Polygon(p);
    } else {
        const TPoint p[] = {{x + w / 2, y}, {x, y + h - 1}, {x + w - 1, y + h - 1}};
        Canvas->Polygon(p);
    }
}

void TFcCustomListView::DrawHeaderText(TCanvas* Canvas, int Index, TRect& Text) {
    if (Index < 0 || Index >= Columns()->Count()) return;
    TListColumn* column = Column(Index);
    if (TCustomImageList* images = GetSmallImages(); images && column->GetImageIndex() >= 0) {
        images->Draw(*Canvas, Text.Left, Text.Top, column->GetImageIndex(), true);
        Text.Left += images->GetWidth() + 4;
    }
    bool themed = ThemeHandle(TFcThemeClass::Header) != nullptr;
    // A colour makes a clear brush solid: the style goes last.
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->Brush()->SetStyle(themed ? bsClear : bsSolid);
    UINT justify = column->GetAlignment() == taRightJustify ? DT_RIGHT
                   : column->GetAlignment() == taCenter    ? DT_CENTER
                                                           : DT_LEFT;
    TRect r = Text;
    DrawTextIn(Canvas, column->GetCaption(), r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_VCENTER | justify);
}

void TFcCustomListView::DrawHeaderItem(TCanvas* Canvas, int Index, const TRect& Rect) {
    TRestore current(drawCanvas_, Canvas);
    HDC dc = Canvas->Handle();
    TSaveDC saved(dc);
    Canvas->Font()->Assign(Font());
    Canvas->Font()->SetColor(clBtnText);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(clBtnFace);
    HTHEME theme = ThemeHandle(TFcThemeClass::Header);
    TRect r = Rect;
    if (!theme) {
        Canvas->FillRect(r);
        r.Inflate(-2, -2);
    }
    if (!headerDefaultDrawing_) {
        DoDrawHeader(Index, r);
        return;
    }
    if (theme) {
        int state = HIS_NORMAL;
        if (Index == hotSection_) state = sectionPressed_ ? HIS_PRESSED : HIS_HOT;
        RECT tr = r;
        DrawThemeBackground(theme, dc, HP_HEADERITEM, state, &tr, nullptr);
    }
    TRect t = r;
    if (theme) t.Inflate(-2, -2);
    t.Left += 4;
    t.Right -= 4;
    IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
    bool sorted = Index == sortArrowColumn_ && Index >= 0 && Index < Columns()->Count();
    int columnWidth = Index >= 0 && Index < Columns()->Count() ? Column(Index)->GetWidth() : 0;
    auto arrow = [&](const TRect& box) {
        if (sorted && box.Width() * 2 < columnWidth) PaintSortArrow(Canvas, box, sortArrowDescending_);
    };
    auto atRightEnd = [](TRect box, const TRect& text) {
        box.Offset(text.Right - 5 - box.Right, 0);
        return box;
    };
    TAlignment justify = Index >= 0 && Index < Columns()->Count() ? Column(Index)->GetAlignment() : taLeftJustify;
    switch (sortDisplayMode_) {
    case hsdmNone: break;
    case hsdmLeftAlign:
        if (sorted && columnWidth > 15) {
            TRect box = ArrowBox(t);
            arrow(box);
            t.Left = box.Right + 5;
        }
        break;
    case hsdmRightOfText:
        if (justify == taLeftJustify) {
            DrawHeaderText(Canvas, Index, t);
            TSize extent = Canvas->TextExtent(Index < Columns()->Count() ? Column(Index)->GetCaption() : "");
            TRect text(t.Left, t.Top, t.Left + extent.cx, t.Top + extent.cy);
            text.Offset(text.Width() + 5, 0);
            arrow(ArrowBox(text));
            return;
        }
        if (sorted) {
            t.Bottom = std::min(t.Bottom, t.Top + Canvas->TextHeight("Yy"));
            TRect box = atRightEnd(ArrowBox(t), t);
            arrow(box);
            if (justify == taRightJustify) {
                t.Right = box.Left - 5;
            } else {
                t.Left += box.Width() + 5;
                t.Right -= box.Width() + 5;
            }
        }
        break;
    case hsdmRightAlign: {
        TRect box = atRightEnd(ArrowBox(t), t);
        arrow(box);
        if (sorted) t.Right = box.Left - 5;
        break;
    }
    }
    DrawHeaderText(Canvas, Index, t);
}

void TFcCustomListView::DoDrawHeader(int Index, const TRect& Rect) {
    if (OnDrawHeader) OnDrawHeader(this, drawCanvas_ ? drawCanvas_ : headerCanvas_.get(), Index, Rect);
}
