// The arrangement of the controls docked in a dock site: each docked control (a client)
// gets a zone of the site's dock area, the zones following one another in the site's
// direction, and the tree draws a frame with a grabber around each client. Sites and
// their managers derive from it to draw their own frames and captions.
#pragma once
#include "framework/Controls.h"

#include <vector>

class TDockTree {
public:
    explicit TDockTree(TWinControl* DockSite);
    virtual ~TDockTree() = default;
    TDockTree(const TDockTree&) = delete;
    TDockTree& operator=(const TDockTree&) = delete;

    TWinControl* DockSite() const { return site_; }
    int ClientCount() const { return static_cast<int>(clients_.size()); }
    TControl* Clients(int Index) const { return clients_.at(static_cast<size_t>(Index)); }
    bool IsClient(const TControl* Control) const;

    // Makes Control a child of the site and gives it the last zone.
    virtual void InsertControl(TControl* Control);
    // Forgets Control (it stays where it is); the other zones share its room.
    virtual void RemoveControl(TControl* Control);
    // The zone of a visible client; empty for anything else.
    virtual TRect ZoneRect(const TControl* Control) const;
    // Where a client sits inside its zone: the zone less its frame (the grabber).
    virtual void AdjustDockRect(TControl* Control, TRect& ARect);
    // Sets every visible client's bounds from its zone.
    virtual void ResetBounds();
    // Draws every visible client's frame on the site's canvas.
    virtual void PaintSite(TCanvas* Canvas);
    // The frame of one client around its zone ARect: a grabber strip with two ridges.
    virtual void PaintDockFrame(TCanvas* Canvas, TControl* Control, const TRect& ARect);

    // Thickness of the grabber strip.
    int GrabberSize = 12;

protected:
    // The area the zones share: the site's client rectangle.
    virtual TRect DockArea() const;
    // True when zones follow one another left to right (else top to bottom).
    virtual bool ZonesInARow() const { return false; }
    // The strip of ARect the grabber takes.
    virtual TRect GrabberRect(const TRect& ARect) const;

private:
    std::vector<TControl*> VisibleClients() const;
    TWinControl* site_;
    std::vector<TControl*> clients_;
};
