// FcPanel: the dock manager of framed panels.
#include "controls/framed/FcPanel.h"

#include "framework/Guards.h"

TFcPanelDockManager::TFcPanelDockManager(TFcCustomPanel* Panel)
    : TDockTree(Panel), panel_(Panel), captionFont_(std::make_unique<TFont>()), closeFont_(std::make_unique<TFont>()) {
    GrabberSize = 14;
    captionFont_->SetName("Verdana");
    captionFont_->SetSize(8);
    closeFont_->SetName("Marlett");
    closeFont_->SetSize(8);
    // Commands and activation inside a docked client change what its caption shows.
    previousProc_ = panel_->WindowProc;
    panel_->WindowProc = [this](TMessage& m) {
        if (m.Msg == WM_COMMAND || m.Msg == WM_MOUSEACTIVATE) panel_->Invalidate();
        previousProc_(m);
    };
}

TFcPanelDockManager::~TFcPanelDockManager() { panel_->WindowProc = previousProc_; }

bool TFcPanelDockManager::ZonesInARow() const {
    TAlign a = panel_->GetAlign();
    return a == alTop || a == alBottom;
}

TRect TFcPanelDockManager::DockArea() const {
    TRect r = panel_->GetClientRect();
    panel_->AdjustClientRect(r);
    return r;
}

TRect TFcPanelDockManager::CaptionStrip(const TRect& Zone) const {
    if (ZonesInARow()) return TRect(Zone.Left, Zone.Top, Zone.Left + GrabberSize, Zone.Bottom);
    return TRect(Zone.Left, Zone.Top, Zone.Right, Zone.Top + GrabberSize);
}

void TFcPanelDockManager::PaintDockFrame(TCanvas* Canvas, TControl* Control, const TRect& ARect) {
    if (!panel_->GetShowDockClientCaptions()) {
        TDockTree::PaintDockFrame(Canvas, Control, ARect);
        return;
    }
    auto* windowed = dynamic_cast<TWinControl*>(Control);
    bool active = !windowed || windowed->Focused();
    TColor back = active ? clActiveCaption : clInactiveCaption;
    TColor text = active ? clCaptionText : clInactiveCaptionText;
    TRect strip = CaptionStrip(ARect);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(back);
    Canvas->FillRect(strip);
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->Font()->Assign(closeFont_.get());
    Canvas->Font()->SetColor(text);
    TRect glyph = ZonesInARow() ? TRect(strip.Left + 1, strip.Top + 1, strip.Left + 12, strip.Top + 12)
                                : TRect(strip.Right - 15, strip.Top + 1, strip.Right - 2, strip.Top + 12);
    DrawTextIn(Canvas, "r", glyph, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    std::string caption = Control->GetCaption();
    if (caption.empty()) return;
    if (!ZonesInARow()) {
        Canvas->Font()->Assign(captionFont_.get());
        Canvas->Font()->SetColor(text);
        TRect r(strip.Left + 2, strip.Top, glyph.Left - 2, strip.Bottom);
        DrawTextIn(Canvas, caption, r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        return;
    }
    // Down the strip, read from the bottom up.
    HDC dc = Canvas->Handle();
    TGdiHandle turned = CreateAngledFont(captionFont_.get(), 90);
    TSaveDC saved(dc);   // gone before the font it selected
    SelectObject(dc, turned.Get());
    SetTextAlign(dc, TA_BASELINE);
    SetTextColor(dc, ColorToColorRef(clCaptionText));
    SetBkMode(dc, TRANSPARENT);
    IntersectClipRect(dc, strip.Left, glyph.Bottom, strip.Right, strip.Bottom);
    TextOutA(dc, strip.Right - 2, strip.Bottom - 3, caption.c_str(), static_cast<int>(caption.size()));
}
