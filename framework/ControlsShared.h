// What the Controls*.cpp files share: who holds the mouse, and the one drag that may run.
#pragma once
#include "framework/Controls.h"

#include <optional>

namespace controls_detail {

// The control holding the mouse capture, and the one the pointer is over.
extern TControl* gCaptureControl;
extern TControl* gMouseControl;

// The screen position of the mouse message being handled (a drag starts from there).
extern thread_local std::optional<TPoint> tMouseMessagePos;

}  // namespace controls_detail

// Dragging: one drag at a time. The source keeps the mouse capture, so the mouse messages
// of the drag reach its window (its parent's for a graphic control), which hands them here
// before its own handling.
struct TDragManager {
    static TControl* source;
    static std::optional<TComponentWatch> sourceWatch;
    static bool started;
    static TPoint start;
    static int threshold;
    static TControl* target;
    static std::optional<TComponentWatch> targetWatch;
    static bool accepted;

    static bool Active();
    static void Reset();
    static TControl* LiveTarget();

    static void Begin(TControl* control, bool immediate, int distance);
    static void Start(TPoint screen);
    static void Move(TPoint screen);
    static bool Ask(TControl* c, TPoint screen, TDragState state);
    static void Finish(bool drop, TPoint screen);

    static bool Mouse(TWinControl* w, const TMessage& m);
    static void Cancel();
};
