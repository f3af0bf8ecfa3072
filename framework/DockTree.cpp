#include "framework/DockTree.h"

#include "framework/ExtCtrls.h"

#include <algorithm>

TDockTree::TDockTree(TWinControl* DockSite) : site_(DockSite) {}

bool TDockTree::IsClient(const TControl* Control) const {
    return std::find(clients_.begin(), clients_.end(), Control) != clients_.end();
}

void TDockTree::InsertControl(TControl* Control) {
    if (!Control || Control == site_ || IsClient(Control)) return;
    clients_.push_back(Control);
    if (Control->Parent() != site_) Control->SetParent(site_);
    ResetBounds();
    site_->Invalidate();
}

void TDockTree::RemoveControl(TControl* Control) {
    auto it = std::find(clients_.begin(), clients_.end(), Control);
    if (it == clients_.end()) return;
    clients_.erase(it);
    ResetBounds();
    site_->Invalidate();
}

std::vector<TControl*> TDockTree::VisibleClients() const {
    std::vector<TControl*> list;
    for (TControl* c : clients_)
        if (c->GetVisible()) list.push_back(c);
    return list;
}

TRect TDockTree::DockArea() const { return site_->GetClientRect(); }

TRect TDockTree::ZoneRect(const TControl* Control) const {
    auto list = VisibleClients();
    auto it = std::find(list.begin(), list.end(), Control);
    if (it == list.end()) return TRect();
    int n = static_cast<int>(list.size()), i = static_cast<int>(it - list.begin());
    TRect a = DockArea();
    // Equal shares; the last zone takes what division leaves over.
    if (ZonesInARow()) {
        int w = a.Width() / n;
        return TRect(a.Left + i * w, a.Top, i == n - 1 ? a.Right : a.Left + (i + 1) * w, a.Bottom);
    }
    int h = a.Height() / n;
    return TRect(a.Left, a.Top + i * h, a.Right, i == n - 1 ? a.Bottom : a.Top + (i + 1) * h);
}

TRect TDockTree::GrabberRect(const TRect& ARect) const {
    if (ZonesInARow()) return TRect(ARect.Left, ARect.Top, ARect.Left + GrabberSize, ARect.Bottom);
    return TRect(ARect.Left, ARect.Top, ARect.Right, ARect.Top + GrabberSize);
}

void TDockTree::AdjustDockRect(TControl* Control, TRect& ARect) {
    (void)Control;
    if (ZonesInARow()) ARect.Left += GrabberSize;
    else ARect.Top += GrabberSize;
}

void TDockTree::ResetBounds() {
    for (TControl* c : VisibleClients()) {
        TRect r = ZoneRect(c);
        AdjustDockRect(c, r);
        c->SetBounds(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
    }
}

void TDockTree::PaintSite(TCanvas* Canvas) {
    for (TControl* c : VisibleClients()) PaintDockFrame(Canvas, c, ZoneRect(c));
}

void TDockTree::PaintDockFrame(TCanvas* Canvas, TControl* Control, const TRect& ARect) {
    (void)Control;
    TRect g = GrabberRect(ARect);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->FillRect(g);
    // Two raised ridges along the strip.
    for (int k = 0; k < 2; ++k) {
        TRect ridge = ZonesInARow() ? TRect(g.Left + 3 + 3 * k, g.Top + 2, g.Left + 6 + 3 * k, g.Bottom - 2)
                                    : TRect(g.Left + 2, g.Top + 3 + 3 * k, g.Right - 2, g.Top + 6 + 3 * k);
        if (ridge.IsEmpty()) continue;
        Frame3D(Canvas, ridge, clBtnHighlight, clBtnShadow, 1);
    }
}
