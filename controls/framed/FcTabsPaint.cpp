// Painting: the picture is composed in the off-screen bitmap (background, cards, tabs
// clipped to their shapes, outlines from the command list) and copied in one step.
#include "controls/framed/FcTabs.h"

#include "framework/Guards.h"

#include <algorithm>

namespace {
bool BoxedStyle(TFcTabStyle s) { return s == tsRoundCorners || s == tsSquareCorners; }
bool SlantedOrCut(TFcTabStyle s) { return !BoxedStyle(s); }

TPoint Shift(TPoint p, int dx, int dy) { return TPoint(p.X + dx, p.Y + dy); }

constexpr uint8_t kDarkShadow = 30;
constexpr uint8_t kLightShadow = 15;
} // namespace

// ---------------------------------------------------------------------------------------
// The outline interpreter

bool TFcOutline::HasShadow() const {
    for (size_t i = 0; i < commands_.size();) {
        int cmd = commands_[i];
        if (cmd == cmDarkShadow || cmd == cmLightShadow) return true;
        i += cmd >= cmBegin ? 3 : 1;
    }
    return false;
}

void TFcOutline::Draw(TCanvas& Canvas, TColor OutlineColor, TBitmap* Background) const {
    TColor current = OutlineColor;
    TPoint pen;
    auto shadowLine = [&](TPoint to, uint8_t strength) {
        auto mixAt = [&](int x, int y) {
            TColor under = clBtnFace;
            if (Background && x >= 0 && y >= 0 && x < Background->Width() && y < Background->Height()) {
                // Bitmap pixels are 0x00RRGGBB.
                const uint32_t v = Background->ScanLine(y)[x];
                under = RGBToColor(static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v));
            }
            Canvas.SetPixels(x, y, MixColors(clBlack, under, strength));
        };
        if (pen.X == to.X) {
            for (int y = std::min(pen.Y, to.Y); y <= std::max(pen.Y, to.Y); ++y) mixAt(pen.X, y);
        } else {
            const int y = pen.X < to.X ? pen.Y : to.Y;
            for (int x = std::min(pen.X, to.X); x <= std::max(pen.X, to.X); ++x) mixAt(x, y);
        }
        pen = to;
        Canvas.MoveTo(to.X, to.Y);
    };
    for (size_t i = 0; i < commands_.size();) {
        const int cmd = commands_[i];
        if (cmd < cmBegin) {
            if (cmd == cmColor) Canvas.Pen()->SetColor(current);
            ++i;
            continue;
        }
        if (i + 2 >= commands_.size()) break;
        const TPoint p(commands_[i + 1], commands_[i + 2]);
        i += 3;
        switch (cmd) {
        case cmBegin: current = OutlineColor; break;
        case cmMove: pen = p; Canvas.MoveTo(p.X, p.Y); break;
        case cmLine: pen = p; Canvas.LineTo(p.X, p.Y); break;
        case cmDarkShadow: shadowLine(p, kDarkShadow); break;
        case cmLightShadow: shadowLine(p, kLightShadow); break;
        default: break;
        }
    }
}

void TFcCustomTabControl::DrawOutline(TCanvas& Canvas) {
    std::unique_ptr<TBitmap> background;
    if (outline_.HasShadow()) {
        // The shadow darkens what lies under the control.
        background = std::make_unique<TBitmap>(std::max(1, Width()), std::max(1, Height()));
        CopyParentBackground(this, background->Canvas()->Handle(), false);
    }
    outline_.Draw(Canvas, ButtonFrameColor(), background.get());
}

// ---------------------------------------------------------------------------------------
// Outlines of tabs and cards

void TFcCustomTabControl::BuildTabOutline(int Index) {
    outline_.Clear();
    outline_.Begin(0, Index);
    std::vector<TPoint> points = TabOutline(Index);
    if (static_cast<int>(points.size()) != TabShapePointCount(tabStyle_, softCorners_))
        throw EFcTabControlError(SFcBadTabShapePoints);
    outline_.Color();
    outline_.MoveTo(points.front());
    for (size_t k = 1; k < points.size(); ++k) outline_.LineTo(points[k]);
}

void TFcCustomTabControl::BuildCardOutline(int Row) {
    outline_.Clear();
    outline_.Begin(1, Row);
    outline_.Color();
    const TRect C = CardRect(Row);
    const bool gap = Row == 0 && tabs_->ValidIndex(tabIndex_) && IsTabFullyShown(tabIndex_);
    TPoint GA, GB;
    if (gap) {
        // The selected tab opens into the card between its first and last outline points.
        const TRect t = TabLayoutRect(tabIndex_);
        GA = LayoutToClient(TPoint(t.Left + 1, t.Bottom));
        GB = LayoutToClient(TPoint(t.Right, t.Bottom));
    }
    if (tabOrientation_ == toTop) AddCardOutlineTop(C, gap, GA, GB);
    else AddCardOutlineSide(C, gap, GA, GB);
}

void TFcCustomTabControl::AddCardShadow(const TRect& C) {
    if (hotTrackOnly_) return;
    const TPoint C1(C.Right, C.Top), C2(C.Right, C.Bottom), C3(C.Left, C.Bottom);
    outline_.MoveTo(Shift(C1, -1, 1));
    outline_.DarkShadowTo(Shift(C2, -1, -1));
    outline_.DarkShadowTo(Shift(C3, 0, -1));
    outline_.MoveTo(Shift(C1, -1, 0));
    outline_.LightShadowTo(C1);
    outline_.LightShadowTo(C2);
    outline_.LightShadowTo(C3);
    outline_.LightShadowTo(Shift(C3, 0, -1));
}

void TFcCustomTabControl::AddCardOutlineTop(const TRect& C, bool Gap, TPoint GA, TPoint GB) {
    const TPoint C0(C.Left, C.Top), C1(C.Right, C.Top), C2(C.Right, C.Bottom), C3(C.Left, C.Bottom);
    const bool shadow = tabSequence_ == tsStandard && showShadow_;
    auto& o = outline_;
    if (!Gap) {
        o.MoveTo(C0);
        if (shadow) {
            o.LineTo(Shift(C1, -2, 0));
            o.LineTo(Shift(C2, -2, -2));
            o.LineTo(Shift(C3, 0, -2));
            o.LineTo(C0);
            AddCardShadow(C);
        } else {
            o.LineTo(C1);
            if (showFullFrame_) {
                o.LineTo(C2);
                o.LineTo(C3);
                o.LineTo(C0);
            }
        }
        return;
    }
    if (SlantedOrCut(tabStyle_)) {
        o.MoveTo(C0);
        o.LineTo(GA);
        o.MoveTo(GB);
        if (shadow) {
            o.LineTo(Shift(C1, -2, 0));
            o.LineTo(Shift(C2, -2, -2));
            o.LineTo(Shift(C3, 0, -2));
            o.LineTo(Shift(C0, 0, -1));
            AddCardShadow(C);
        } else if (!showFullFrame_) {
            o.LineTo(Shift(C1, 1, 0));
        } else {
            o.LineTo(C1);
            o.LineTo(C2);
            o.LineTo(C3);
            o.LineTo(C0);
        }
        return;
    }
    AddCardOutlineTopBoxed(C, GA, GB);
}

void TFcCustomTabControl::AddCardOutlineTopBoxed(const TRect& C, TPoint GA, TPoint GB) {
    const TPoint C0(C.Left, C.Top), C1(C.Right, C.Top), C2(C.Right, C.Bottom), C3(C.Left, C.Bottom);
    auto& o = outline_;
    if (tabSequence_ == tsStandard && showShadow_) {
        o.MoveTo(Shift(C3, 0, -2));
        o.LineTo(C0);
        o.LineTo(GA);
        o.MoveTo(GB);
        o.LineTo(Shift(C1, -2, 0));
        o.LineTo(Shift(C2, -2, -2));
        o.LineTo(Shift(C3, -1, -2));
        AddCardShadow(C);
    } else if (!showFullFrame_) {
        o.MoveTo(C0);
        o.LineTo(GA);
        o.MoveTo(GB);
        o.LineTo(Shift(C1, 1, 0));
    } else {
        o.MoveTo(C3);
        o.LineTo(C0);
        o.LineTo(GA);
        o.MoveTo(GB);
        o.LineTo(C1);
        o.LineTo(C2);
        o.LineTo(Shift(C3, -1, 0));
    }
    // The corner pixels where the selected tab meets the card are drawn last.
    o.MoveTo(GB);
    o.LineTo(GB);
    o.LineTo(Shift(GB, 1, 0));
}

void TFcCustomTabControl::AddCardOutlineSide(const TRect& C, bool Gap, TPoint GA, TPoint GB) {
    const TPoint C0(C.Left, C.Top), C1(C.Right, C.Top), C2(C.Right, C.Bottom), C3(C.Left, C.Bottom);
    auto& o = outline_;
    if (!Gap) {
        o.MoveTo(C0);
        o.LineTo(C1);
        if (showFullFrame_) {
            o.LineTo(C2);
            o.LineTo(C3);
            o.LineTo(C0);
        }
        return;
    }
    // Point sequences: the first point of each run is a move, the others lines.
    auto run = [&](std::initializer_list<TPoint> points) {
        bool first = true;
        for (TPoint p : points) {
            if (first) o.MoveTo(p);
            else o.LineTo(p);
            first = false;
        }
    };
    const bool boxed = BoxedStyle(tabStyle_);
    const bool full = showFullFrame_;
    switch (tabOrientation_) {
    case toLeft:
        if (full && !boxed) { run({C0, C1, C2, C3, GA}); run({GB, C0}); }
        else if (full) { run({C3, GA}); run({GB, C0, C1, C2, Shift(C3, -1, 0)}); }
        else if (!boxed) { run({Shift(C3, -1, 0), Shift(GA, -1, 0)}); run({Shift(GB, -1, 0), Shift(C0, -1, -1)}); }
        else { run({Shift(C3, -1, 0), Shift(GA, -1, 0)}); run({Shift(GB, -1, 0), Shift(C0, -1, 0)}); }
        break;
    case toBottom:
        if (full && !boxed) { run({C0, C1, C2, Shift(GB, -1, 0)}); run({TPoint(GA.X - 1, GB.Y), C3, C0}); }
        else if (full) { run({C3, C0, C1, C2, Shift(GB, -1, 0)}); run({Shift(GA, -1, 0), C3}); }
        else { run({Shift(C2, 0, 1), Shift(GB, -1, 1)}); run({TPoint(GA.X - 1, GB.Y + 1), Shift(C3, -1, 1)}); }
        break;
    case toRight:
        if (full && !boxed) { run({C0, C1, GA}); run({GB, C2, C3, C0}); }
        else if (full) { run({C3, C0, Shift(C1, 1, 0)}); run({C1, GA}); run({GB, C2, Shift(C3, -1, 0)}); }
        else { run({Shift(C1, 1, 0), Shift(GA, 1, 0)}); run({Shift(GB, 1, 0), Shift(C2, 1, 1)}); }
        break;
    case toTop:
        break;
    }
}

// ---------------------------------------------------------------------------------------
// Paint

void TFcCustomTabControl::Paint() {
    // A drop marker shown now would be overwritten in part: it is taken off the screen
    // first and put back afterwards, so that the XOR pair stays balanced.
    const bool marker = markerShown_;
    if (marker) DrawDropMarker(markerRect_);
    TScopeExit remark([&] {
        if (marker && markerShown_) DrawDropMarker(markerRect_);
    });
    UpdateLayout();
    if (bitmap_->Width() != Width() || bitmap_->Height() != Height()) bitmap_->SetSize(Width(), Height());
    TCanvas& canvas = *bitmap_->Canvas();
    canvas.Brush()->SetColor(clBlack);
    canvas.Brush()->SetStyle(bsSolid);
    PaintBackground(canvas);
    PlaceButtons();
    if (closeButton_ && showCloseButton_) closeButton_->Invalidate();
    if (menuButton_ && showMenuButton_) menuButton_->Invalidate();
    if (scroller_) scroller_->Invalidate();
    DrawTabsAndCards(canvas);
    TRect r = GetClientRect();
    Canvas()->CopyRect(r, &canvas, r);
    hotTrackOnly_ = false;
}

void TFcCustomTabControl::PaintBackground(TCanvas& Canvas) {
    TRect r = GetClientRect();
    bool handled = false;
    DoPaintBackground(&Canvas, r, handled);
    if (handled) return;
    if (transparent_) {
        CopyParentBackground(this, Canvas.Handle(), false);
        Canvas.Refresh();
        return;
    }
    Canvas.Brush()->SetColor(backgroundColor_);
    Canvas.FillRect(r);
}

void TFcCustomTabControl::DrawTabsAndCards(TCanvas& Canvas) {
    const int n = tabs_->Count();
    if (n > 0) {
        int s = 0;
        for (int i = 0; i < n; ++i)
            if (tabs_->Items(i)->Visible && tabs_->Items(i)->Row == 0) {
                s = i;
                break;
            }
        // Back to front: the rows behind first, each row's tabs from the last one drawn
        // under their left neighbours.
        int card = rowCount_ - 1;
        int i = s == 0 ? n - 1 : s - 1;
        for (int visited = 0; visited < n; ++visited) {
            if (i >= tabs_->Count()) break;
            const TFcTabData* tab = tabs_->Items(i);
            if (tab->Visible && IsTabFullyShown(i) && i >= firstVisibleTab_ && i != tabIndex_) {
                if (tab->Row < card && card > 0) {
                    DrawCard(Canvas, card);
                    card = tab->Row;
                }
                DrawTab(Canvas, i);
            }
            i = i == 0 ? n - 1 : i - 1;
        }
        if (card == 1) DrawCard(Canvas, 1);
        if (tabs_->ValidIndex(tabIndex_) && tabIndex_ >= firstVisibleTab_ && IsTabFullyShown(tabIndex_))
            DrawTab(Canvas, tabIndex_);
    }
    DrawCard(Canvas, 0);
}

void TFcCustomTabControl::DrawTab(TCanvas& Canvas, int Index) {
    const TRect r = TabRect(Index);
    TRect overlap;
    if (!IntersectRect(overlap, r, Canvas.ClipRect())) return;
    if (HRGN region = TabRegion(Index)) {
        HDC dc = Canvas.Handle();
        const int saved = SaveDC(dc);
        if (!saved) throw EFcTabControlError(SFcErrorSavingDC);
        TScopeExit restore([&] {
            RestoreDC(dc, saved);
            Canvas.Refresh();
        });
        SelectClipRgn(dc, region);
        DrawTabBackground(Canvas, Index, r);
        DrawTabContents(Canvas, Index, r);
    }
    BuildTabOutline(Index);
    DrawOutline(Canvas);
}

void TFcCustomTabControl::DrawCard(TCanvas& Canvas, int Row) {
    TRect r = CardRect(Row);
    if (r == TRect()) return;
    if (showCard_) {
        r.Right += 1;
        r.Bottom += 1;
    }
    bool handled = false;
    DoPaintCardBackground(&Canvas, Row, r, handled);
    if (!handled) {
        const bool colored = useColoredTabs_ && tabs_->ValidIndex(tabIndex_);
        Canvas.Brush()->SetColor(colored ? tabs_->Items(tabIndex_)->Color : GetColor());
        Canvas.FillRect(r);
    }
    if (showCardFrame_) {
        BuildCardOutline(Row);
        DrawOutline(Canvas);
    }
}

// ---------------------------------------------------------------------------------------
// One tab: background, image, caption, bars, focus

void TFcCustomTabControl::DrawTabBackground(TCanvas& Canvas, int Index, const TRect& R) {
    bool handled = false;
    DoPaintTabBackground(&Canvas, Index, R, handled);
    if (handled) return;
    const TFcTabData* tab = tabs_->Items(Index);
    TColor base, light, dark;
    if (useColoredTabs_) {
        base = tab->Color;
        light = LightenColor(base, 20);
        dark = ColorsClose(light, clWhite) ? clBtnFace : DarkenColor(base, 40);
    } else {
        base = GetColor();
        light = tabColors_->GetUnselected();
        dark = tabColors_->GetShadow();
    }
    if (hotTrack_ && hotTrackStyle_ == htsTab && Index == hotTab_) {
        if (hotTrackColorSource_ == htcsTabColor) {
            dark = DarkenColor(dark, 30);
        } else if (hotTrackColorType_ == htctActual) {
            light = LightenColor(hotTrackColor_, 60);
            dark = hotTrackColor_;
        } else {
            dark = OppositeHueColor(hotTrackColor_, 140);
            light = LightenColor(dark, 60);
        }
    }
    if (Index == tabIndex_) {
        Canvas.Brush()->SetColor(base);
        Canvas.FillRect(R);
    } else if (useGradients_ && IsFullColorDisplay()) {
        // The light colour lies on the tab's outer side.
        switch (tabOrientation_) {
        case toTop: FillGradient(&Canvas, R, gdHorizontalEnd, light, dark, 1); break;
        case toBottom: FillGradient(&Canvas, R, gdHorizontalEnd, dark, light, 1); break;
        case toLeft: FillGradient(&Canvas, R, gdVerticalEnd, light, dark, 1); break;
        case toRight: FillGradient(&Canvas, R, gdVerticalEnd, dark, light, 1); break;
        }
    } else {
        Canvas.Brush()->SetColor(light);
        Canvas.FillRect(R);
    }
}

void TFcCustomTabControl::DrawTabContents(TCanvas& Canvas, int Index, const TRect& R) {
    const TRect CR = ContentRect(R);
    const TSize image = ImageSize(Index);
    const int iw = image.cx, ih = image.cy;
    const TFcTabData* tab = tabs_->Items(Index);
    const int m = tab->ImageIndex != -1 ? imageMargin_ : 0;
    TRect TR = CR;
    switch (imagePosition_) {
    case ipLeft: TR.Left = CR.Left + m + iw; break;
    case ipTop: TR.Top = CR.Top + m + ih; break;
    case ipRight: TR.Right = CR.Right - iw - m; break;
    case ipBottom: TR.Bottom = CR.Bottom - ih - m; break;
    default: break;
    }
    const bool standard = tabSequence_ == tsStandard;
    const bool alongTab = HorizontalTabs() == (textOrientation_ == orHorizontal);
    const bool closeOnTab = showCloseButtonOnActiveTab_ && Index == tabIndex_ && alongTab;
    if (closeOnTab) {
        // Room for the close button at the end of the caption.
        if (HorizontalTabs()) (standard ? TR.Right -= 20 : TR.Left += 20);
        else if (tabOrientation_ == toLeft) (standard ? TR.Top += 20 : TR.Bottom -= 20);
        else (standard ? TR.Bottom -= 20 : TR.Top += 20);
    }
    TRect IR = CR;
    switch (imagePosition_) {
    case ipLeft: IR.Right = CR.Left + iw; break;
    case ipTop: IR.Bottom = CR.Top + ih; break;
    case ipRight: IR.Left = CR.Right - iw; break;
    case ipBottom: IR.Top = CR.Bottom - ih; break;
    default: break;
    }
    if (closeOnTab && (iw != 0 || ih != 0)) {
        const bool onLeft = tabOrientation_ == toLeft, onRight = tabOrientation_ == toRight;
        if (imagePosition_ == ipLeft && HorizontalTabs() && !standard) IR.Offset(20, 0);
        else if (imagePosition_ == ipRight && HorizontalTabs() && standard) IR.Offset(-20, 0);
        else if (imagePosition_ == ipTop && ((onLeft && standard) || (onRight && !standard))) IR.Offset(0, 20);
        else if (imagePosition_ == ipBottom && ((onLeft && !standard) || (onRight && standard))) IR.Offset(0, -20);
    }
    if (images_ && tab->ImageIndex != -1) DrawTabImage(Canvas, Index, IR, image);
    const TColor color = CaptionColor(Canvas, Index, R);
    if (!tabs_->Items(Index)->Caption.empty()) DrawCaption(Index, TR, color);
    if (closeOnTab && activeCloseButton_) activeCloseButton_->SetBoundsRect(ActiveCloseButtonRect(CR));
    if (showFocusRect_ && Index == tabIndex_ && Focused()) DrawFocusRectangle(Canvas, TR);
}

void TFcCustomTabControl::DrawTabImage(TCanvas& Canvas, int Index, TRect IR, TSize Image) {
    const TFcTabData* tab = tabs_->Items(Index);
    if (imagePosition_ != ipStretch) {
        int x = IR.Left, y = IR.Top;
        if (imageAlignment_ == haCenter) x += (IR.Width() - Image.cx) / 2;
        else if (imageAlignment_ == haRight) x = IR.Right - Image.cx;
        if (imageAlignmentVertical_ == vaCenter) y += (IR.Height() - Image.cy) / 2;
        else if (imageAlignmentVertical_ == vaBottom) y = IR.Bottom - Image.cy;
        IR = Bounds(x, y, Image.cx, Image.cy);
    }
    if (tab->DisabledImageIndex == -1) {
        images_->Draw(Canvas, IR.Left, IR.Top, tab->ImageIndex, tab->Enabled);
    } else {
        const int index = tab->Enabled ? tab->ImageIndex : tab->DisabledImageIndex;
        if (index != -1) images_->Draw(Canvas, IR.Left, IR.Top, index, true);
    }
}

TColor TFcCustomTabControl::CaptionColor(TCanvas& Canvas, int Index, const TRect& R) {
    const TFcTabData* tab = tabs_->Items(Index);
    const bool hot = hotTrack_ && Index == hotTab_;
    TFcTextStyle style;
    TColor color;
    if (tab->Enabled && hot) {
        style = tsHotTrack;
        if (hotTrackStyle_ == htsText && hotTrackColorType_ == htctActual) color = hotTrackColor_;
        else if (hotTrackStyle_ == htsText) color = OppositeHueColor(hotTrackColor_, 140);
        else color = textColors_->GetSelected();
        if (hotTrackStyle_ == htsTabBar) {
            TColor bar = hotTrackColorSource_ == htcsTabColor ? DarkenColor(tab->Color, 40)
                         : hotTrackColorType_ == htctActual   ? hotTrackColor_
                                                              : OppositeHueColor(hotTrackColor_, 140);
            DrawTabBar(Canvas, R, bar);
        }
    } else if (tab->Enabled && Index == tabIndex_) {
        style = tsSelected;
        color = textColors_->GetSelected();
        if (hotTrack_ && hotTrackStyle_ == htsTabBar) DrawTabBar(Canvas, R, tabColors_->GetHighlightBar());
    } else if (tab->Enabled) {
        style = tsUnselected;
        color = textColors_->GetUnselected();
    } else {
        style = tsDisabled;
        color = textColors_->GetDisabled();
    }
    TColor chosen = color;
    bool handled = false;
    DoGetTextColor(Index, style, chosen, handled);
    return handled ? chosen : color;
}

void TFcCustomTabControl::DrawTabBar(TCanvas& Canvas, const TRect& R, TColor Color) {
    TRect bar = R;
    bar.Inflate(1, 1);
    switch (tabOrientation_) {
    case toTop: bar.Bottom = bar.Top + 6; break;
    case toLeft: bar.Right = bar.Left + 6; break;
    case toBottom: bar.Top = bar.Bottom - 4; break;
    case toRight: bar.Left = bar.Right - 4; break;
    }
    const TColor old = Canvas.Brush()->GetColor();
    Canvas.Brush()->SetColor(Color);
    Canvas.FillRect(bar);
    Canvas.Brush()->SetColor(old);
}

void TFcCustomTabControl::DrawCaption(int Index, TRect TR, TColor Color) {
    const std::string& caption = tabs_->Items(Index)->Caption;
    const bool bold = Index == tabIndex_ && boldCurrentTab_;
    const bool horizontalText = textOrientation_ == orHorizontal;
    const bool onRight = tabOrientation_ == toRight;
    TTabFontScope font(*this, bold);
    const TSize block = CaptionExtent(caption, horizontalText);
    if (horizontalText) {
        if (textAlignmentVertical_ == vaCenter) {
            const int d = (TR.Height() - block.cy) / 2;
            TR.Top += d;
            TR.Bottom -= d;
        } else if (textAlignmentVertical_ == vaBottom) {
            TR.Top = TR.Bottom - block.cy;
        }
    } else if (onRight) {
        if (textAlignment_ == haLeft) TR.Right = TR.Left + block.cx;
        else if (textAlignment_ == haCenter) TR.Inflate(-(TR.Width() - block.cx) / 2, 0);
    } else {
        if (textAlignment_ == haCenter) TR.Inflate(-(TR.Width() - block.cx) / 2, 0);
        else if (textAlignment_ == haRight) TR.Left = TR.Right - block.cx;
    }
    int u = 0, v = 0;
    size_t start = 0;
    for (;;) {
        size_t at = caption.find("\r\n", start);
        const std::string line = caption.substr(start, at == std::string::npos ? std::string::npos : at - start);
        const TSize sz = CaptionExtent(line, horizontalText);
        int x, y;
        auto offset = [](int align, int room) { return align == 0 ? 0 : align == 1 ? room / 2 : room; };
        if (horizontalText) {
            x = TR.Left + offset(static_cast<int>(textAlignment_), TR.Width() - sz.cx);
            y = TR.Top + v;
            v += sz.cy;
        } else if (onRight) {
            y = TR.Top + offset(static_cast<int>(textAlignmentVertical_), TR.Height() - sz.cy);
            x = TR.Right - u;
            u += sz.cx;
        } else {
            const int room = TR.Height() - sz.cy;
            y = TR.Bottom - (textAlignmentVertical_ == vaTop ? room : textAlignmentVertical_ == vaCenter ? room / 2 : 0);
            x = TR.Left + u;
            u += sz.cx;
        }
        DrawCaptionLine(line, x, y, Color, bold);
        if (at == std::string::npos) break;
        start = at + 2;
    }
}

void TFcCustomTabControl::DrawCaptionLine(const std::string& Line, int X, int Y, TColor Color, bool Bold) {
    struct TPart {
        std::string Text;
        bool Accelerator;
    };
    std::vector<TPart> parts;
    const size_t at = Line.find('&');
    if (at == std::string::npos) {
        parts.push_back({Line, false});
    } else if (at + 1 < Line.size() && Line[at + 1] == '&') {
        parts.push_back({Line.substr(0, at + 1), false});
        parts.push_back({Line.substr(at + 2), false});
    } else {
        parts.push_back({Line.substr(0, at), false});
        parts.push_back({at + 1 < Line.size() ? Line.substr(at + 1, 1) : std::string(), true});
        parts.push_back({at + 2 < Line.size() ? Line.substr(at + 2) : std::string(), false});
    }
    const bool horizontalText = textOrientation_ == orHorizontal;
    HDC dc = OffscreenDC();
    for (const TPart& part : parts) {
        TTabFontScope font(*this, Bold, part.Accelerator);
        SetTextColor(dc, ColorToColorRef(Color));
        SetBkMode(dc, TRANSPARENT);
        TextOutA(dc, X, Y, part.Text.c_str(), static_cast<int>(part.Text.size()));
        if (parts.size() > 1 && !part.Text.empty()) {
            const TSize sz = CaptionExtent(part.Text, horizontalText);
            if (horizontalText) X += sz.cx;
            else if (tabOrientation_ == toRight) Y += sz.cy;
            else Y -= sz.cy;
        }
    }
}

void TFcCustomTabControl::DrawFocusRectangle(TCanvas& Canvas, TRect TR) {
    if (HorizontalTabs()) {
        TR.Left -= 1;
        TR.Right += 1;
        TR.Bottom += 1;
    } else {
        TR.Top -= 1;
        TR.Bottom += 1;
    }
    if (BoxedStyle(tabStyle_)) {
        switch (tabOrientation_) {
        case toTop: TR.Top += 1; break;
        case toLeft: TR.Left += 2; break;
        case toBottom: TR.Bottom -= 1; break;
        case toRight: TR.Right -= 2; break;
        }
    }
    Canvas.DrawFocusRect(TR);
}

TRect TFcCustomTabControl::ActiveCloseButtonRect(const TRect& CR) const {
    const bool standard = tabSequence_ == tsStandard;
    if (HorizontalTabs()) {
        const bool big = CR.Height() > 12;
        const int w = big ? 15 : 10, h = big ? 13 : 9;
        const int top = CR.Top + CR.Height() / 2 - 6 + (CR.Height() < 13 ? 2 : 0);
        return standard ? TRect(CR.Right - w, top, CR.Right, top + h) : TRect(CR.Left, top, CR.Left + w, top + h);
    }
    const bool big = CR.Width() > 14;
    const int w = big ? 15 : 10, h = big ? 13 : 9;
    const int left = CR.Left + CR.Width() / 2 - (big ? 7 : 5);
    const bool atTop = tabOrientation_ == toLeft ? standard : !standard;
    return atTop ? TRect(left, CR.Top, left + w, CR.Top + h) : TRect(left, CR.Bottom - h, left + w, CR.Bottom);
}
