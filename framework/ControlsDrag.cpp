// Dragging: the drag manager and the TControl drag methods.
#include "framework/ControlsShared.h"
#include "framework/Forms.h"

#include <algorithm>
#include <cstdlib>

namespace controls_detail {

thread_local std::optional<TPoint> tMouseMessagePos;

}  // namespace controls_detail

using namespace controls_detail;

TControl* TDragManager::source = nullptr;
std::optional<TComponentWatch> TDragManager::sourceWatch;
bool TDragManager::started = false;
TPoint TDragManager::start;
int TDragManager::threshold = 0;
TControl* TDragManager::target = nullptr;
std::optional<TComponentWatch> TDragManager::targetWatch;
bool TDragManager::accepted = false;

bool TDragManager::Active() {
    if (source && sourceWatch && sourceWatch->Freed()) Reset();
    return source != nullptr;
}

void TDragManager::Reset() {
    source = nullptr;
    sourceWatch.reset();
    started = false;
    target = nullptr;
    targetWatch.reset();
    accepted = false;
}

TControl* TDragManager::LiveTarget() { return target && targetWatch && !targetWatch->Freed() ? target : nullptr; }

void TDragManager::Begin(TControl* control, bool immediate, int distance) {
    if (Active()) return;
    source = control;
    sourceWatch.emplace(control);
    if (tMouseMessagePos) {
        start = *tMouseMessagePos;
    } else {
        POINT p;
        GetCursorPos(&p);
        start = TPoint(p);
    }
    threshold = distance >= 0 ? distance : std::max(GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG));
    if (!control->MouseCapture()) control->SetMouseCapture(true);
    if (immediate) Start(start);
}

void TDragManager::Start(TPoint screen) {
    started = true;
    Move(screen);
}

// Asks the control under screen (itself included) whether it takes the drop.
void TDragManager::Move(TPoint screen) {
    TControl* under = FindDragTarget(screen, false);
    TControl* old = LiveTarget();
    if (under != old) {
        std::optional<TComponentWatch> underWatch;
        if (under) underWatch.emplace(under);
        if (old) Ask(old, screen, dsDragLeave);
        // The old target's handler may have freed the new one.
        if (underWatch && underWatch->Freed()) under = nullptr;
        target = under;
        if (under) targetWatch.emplace(under);
        else targetWatch.reset();
        accepted = false;
        if (Active() && LiveTarget()) accepted = Ask(under, screen, dsDragEnter);
    } else if (old) {
        accepted = Ask(old, screen, dsDragMove);
    }
    if (Active() && Screen) ::SetCursor(Screen->Cursors(LiveTarget() && accepted ? crDrag : crNoDrop));
}

bool TDragManager::Ask(TControl* c, TPoint screen, TDragState state) {
    TPoint p = c->ScreenToClient(screen);
    bool accept = false;
    c->DragOver(source, p.X, p.Y, state, accept);
    return accept;
}

void TDragManager::Finish(bool drop, TPoint screen) {
    TControl* src = source;
    TComponentWatch watch(src);
    TControl* to = started ? LiveTarget() : nullptr;
    bool take = drop && to && accepted;
    std::optional<TComponentWatch> toWatch;
    if (to) toWatch.emplace(to);
    Reset();
    src->ControlState.Exclude(csLButtonDown);
    src->ControlState.Exclude(csClicked);
    if (src->MouseCapture()) src->SetMouseCapture(false);
    TPoint p = to ? to->ScreenToClient(screen) : TPoint();
    if (take) {
        to->DragDrop(src, p.X, p.Y);
    } else if (to) {
        bool ignored = false;
        to->DragOver(src, p.X, p.Y, dsDragLeave, ignored);
    }
    if (watch.Freed()) return;
    TPoint sp = src->ScreenToClient(screen);
    src->DoEndDrag(take && toWatch && !toWatch->Freed() ? to : nullptr, sp.X, sp.Y);
}

// A mouse message of window w while a drag may run; true when the drag took it.
bool TDragManager::Mouse(TWinControl* w, const TMessage& m) {
    if (!Active()) return false;
    POINT sp{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    if (w->HandleAllocated()) ::ClientToScreen(w->WindowHandle(), &sp);
    TPoint screen(sp);
    switch (m.Msg) {
    case WM_MOUSEMOVE:
        if (!started) {
            if (std::abs(screen.X - start.X) <= threshold && std::abs(screen.Y - start.Y) <= threshold) return false;
            Start(screen);
            return true;
        }
        Move(screen);
        return true;
    case WM_LBUTTONUP:
        if (!started) {
            Reset();
            return false;
        }
        Finish(true, screen);
        return true;
    case WM_RBUTTONDOWN:
        if (started) {
            Finish(false, screen);
            return true;
        }
        Reset();
        return false;
    default:
        return started;
    }
}

void TDragManager::Cancel() {
    if (!Active()) return;
    if (!started) {
        Reset();
        return;
    }
    POINT p;
    GetCursorPos(&p);
    Finish(false, TPoint(p));
}

void TControl::BeginDrag(bool Immediate, int Threshold) { TDragManager::Begin(this, Immediate, Threshold); }

void TControl::EndDrag(bool Drop) {
    if (!TDragManager::Active() || TDragManager::source != this) return;
    if (!TDragManager::started) {
        TDragManager::Reset();
        return;
    }
    POINT p;
    GetCursorPos(&p);
    TDragManager::Finish(Drop, TPoint(p));
}

bool TControl::Dragging() const { return TDragManager::Active() && TDragManager::source == this && TDragManager::started; }

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
    Accept = static_cast<bool>(OnDragOver);
    if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
    if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
    if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}
