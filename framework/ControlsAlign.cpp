// TWinControl: its children, their alignment, tab order and focus.
#include "framework/Controls.h"
#include "framework/Forms.h"
#include "framework/Guards.h"

#include <algorithm>

// --- children

int TWinControl::ControlIndex(const TControl* c) const {
    auto it = std::find(controls_.begin(), controls_.end(), c);
    return it == controls_.end() ? -1 : static_cast<int>(it - controls_.begin());
}

bool TWinControl::ContainsControl(const TControl* c) const {
    for (; c; c = c->parent_)
        if (c == this) return true;
    return false;
}

void TWinControl::InsertControl(TControl* c) {
    controls_.push_back(c);
    c->parent_ = this;
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        tabList_.push_back(w);
        w->tabOrder_ = static_cast<int>(tabList_.size()) - 1;
    }
    if (c->parentFont_) c->ParentFontChanged();
    if (c->parentColor_) c->ParentColorChanged();
    if (c->parentShowHint_) c->showHint_ = EffectiveShowHint();
    c->UpdateAnchorRules();
    if (auto* w = dynamic_cast<TWinControl*>(c); w && handle_) {
        w->HandleNeeded();
    } else if (!dynamic_cast<TWinControl*>(c)) {
        c->Invalidate();
    }
    if (c->align_ != alNone) AlignControl(c);
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(c), 1);
}

void TWinControl::Broadcast(TMessage& Message, bool stopWhenHandled) {
    auto list = controls_;
    for (auto* c : list) {
        if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) continue;
        c->WindowProc(Message);
        if (stopWhenHandled && Message.Result != 0) return;
    }
}

void TWinControl::NotifyControls(UINT Msg) {
    TMessage m{Msg, 0, 0, 0};
    Broadcast(m);
}

// --- align engine

void TWinControl::DisableAlign() { ++alignLevel_; }

void TWinControl::EnableAlign() {
    if (alignLevel_ > 0) --alignLevel_;
    if (alignLevel_ == 0 && alignPending_) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
    if (aligning_ || alignLevel_ > 0 || IsLoading() || IsDestroying()) {
        alignPending_ = true;
        return;
    }
    alignPending_ = false;
    {
        TRestore aligning(aligning_, true);
        TRect r = GetClientRect();
        AdjustClientRect(r);
        AlignControls(AControl, r);
    }
    if (autoSize_) AdjustSize();
}

void TWinControl::AdjustClientRect(TRect& Rect) { (void)Rect; }

void TWinControl::CustomAlignPosition(TControl* Control, int& NewLeft, int& NewTop, int& NewWidth, int& NewHeight,
                                      TRect& AlignRect) {
    (void)Control; (void)NewLeft; (void)NewTop; (void)NewWidth; (void)NewHeight; (void)AlignRect;
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
    static constexpr TAlign kOrder[] = {alTop, alBottom, alLeft, alRight, alClient, alCustom};
    for (TAlign kind : kOrder) {
        std::vector<TControl*> list;
        for (auto* c : controls_)
            if (c->align_ == kind && c->visible_) list.push_back(c);
        if (list.empty()) continue;
        auto key = [kind](TControl* c) {
            switch (kind) {
            case alTop: return c->top_;
            case alBottom: return -(c->top_ + c->height_);
            case alLeft: return c->left_;
            case alRight: return -(c->left_ + c->width_);
            default: return 0;
            }
        };
        // The control that asked keeps its place in front of others at the same position.
        std::stable_sort(list.begin(), list.end(), [&](TControl* a, TControl* b) {
            int ka = key(a), kb = key(b);
            if (ka != kb) return ka < kb;
            return a == AControl && b != AControl;
        });
        for (auto* c : list) {
            int l = c->left_, t = c->top_, w = c->width_, h = c->height_;
            switch (kind) {
            case alTop: l = Rect.Left; t = Rect.Top; w = Rect.Width(); break;
            case alBottom: l = Rect.Left; t = Rect.Bottom - h; w = Rect.Width(); break;
            case alLeft: l = Rect.Left; t = Rect.Top; h = Rect.Height(); break;
            case alRight: l = Rect.Right - w; t = Rect.Top; h = Rect.Height(); break;
            case alClient: l = Rect.Left; t = Rect.Top; w = Rect.Width(); h = Rect.Height(); break;
            case alCustom: CustomAlignPosition(c, l, t, w, h, Rect); break;
            default: break;
            }
            c->SetAlignedBounds(l, t, std::max(0, w), std::max(0, h));
            switch (kind) {
            case alTop: Rect.Top += c->height_; break;
            case alBottom: Rect.Bottom -= c->height_; break;
            case alLeft: Rect.Left += c->width_; break;
            case alRight: Rect.Right -= c->width_; break;
            default: break;
            }
        }
    }
    // Anchored controls keep their distances to the right and bottom edges.
    TRect cr = GetClientRect();
    for (auto* c : controls_) {
        if (c->align_ != alNone) continue;
        TAnchors a = c->anchors_;
        if (!a.Contains(akRight) && !a.Contains(akBottom)) continue;
        int l = c->left_, t = c->top_, w = c->width_, h = c->height_;
        if (a.Contains(akRight)) {
            if (a.Contains(akLeft)) w = cr.Width() - c->anchorRight_ - l;
            else l = cr.Width() - c->anchorRight_ - w;
        }
        if (a.Contains(akBottom)) {
            if (a.Contains(akTop)) h = cr.Height() - c->anchorBottom_ - t;
            else t = cr.Height() - c->anchorBottom_ - h;
        }
        TRestore anchoring(c->anchoring_, true);
        c->SetBounds(l, t, std::max(0, w), std::max(0, h));
    }
}

void TWinControl::AdjustSize() {
    if (!autoSize_ || controls_.empty()) return;
    int right = 0, bottom = 0;
    for (auto* c : controls_) {
        if (!c->visible_ || c->align_ != alNone) continue;
        right = std::max(right, c->left_ + c->width_);
        bottom = std::max(bottom, c->top_ + c->height_);
    }
    if (right > 0 && bottom > 0 && (right != GetClientWidth() || bottom != GetClientHeight())) SetClientSize(right, bottom);
}

void TWinControl::Loaded() {
    TControl::Loaded();
    for (size_t i = 0; i < tabList_.size(); ++i) tabList_[i]->tabOrder_ = static_cast<int>(i);
    Realign();
}

// --- focus

int TWinControl::GetTabOrder() const { return parent_ ? tabOrder_ : -1; }

void TWinControl::SetTabOrder(int v) {
    if (!parent_) {
        tabOrder_ = v;
        return;
    }
    UpdateTabOrder(v);
}

void TWinControl::UpdateTabOrder(int value) {
    auto& list = parent_->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    if (IsLoading()) {
        // Later controls of a layout may claim lower numbers: order by the stored numbers
        // now, number them when the parent has loaded.
        tabOrder_ = value;
        auto pos = std::find_if(list.begin(), list.end(), [&](TWinControl* w) { return w->tabOrder_ > value; });
        list.insert(pos, this);
        return;
    }
    value = std::clamp(value, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + value, this);
    for (size_t i = 0; i < list.size(); ++i) list[i]->tabOrder_ = static_cast<int>(i);
}

void TWinControl::SetTabStop(bool v) {
    if (v == tabStop_) return;
    tabStop_ = v;
    if (handle_) {
        LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
        SetWindowLongPtrA(handle_, GWL_STYLE, v ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP)));
    }
}

bool TWinControl::CanFocus() const {
    auto* form = GetParentForm();
    if (!form) return false;
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->visible_ || !c->enabled_) return false;
    return true;
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

void TWinControl::SetFocus() {
    auto* form = GetParentForm();
    if (!form) throw EInvalidOperation("Cannot focus a window that is not on a form");
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    form->FocusControl(this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (auto* w : tabList_) {
        list.push_back(w);
        w->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    int n = static_cast<int>(list.size());
    int start = -1;
    auto it = std::find(list.begin(), list.end(), CurControl);
    if (it != list.end()) start = static_cast<int>(it - list.begin());
    int i = start;
    for (int step = 0; step < n; ++step) {
        if (GoForward) i = (i + 1) % n;
        else i = (i <= 0 ? n : i) - 1;
        TWinControl* c = list[static_cast<size_t>(i)];
        if (c == CurControl) break;
        if (!c->CanFocus()) continue;
        if (CheckTabStop && !c->tabStop_) continue;
        if (CheckParent && c->parent_ != this) continue;
        // A container that takes no focus itself is passed through to its children.
        if (!c->tabStop_ && !c->controls_.empty() && CheckTabStop) continue;
        return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
    if (TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop)) next->SetFocus();
}

void TWinControl::SelectFirst() {
    if (auto* f = GetParentForm()) {
        TWinControl* c = f->FindNextControl(nullptr, true, true, false);
        if (c) c->SetFocus();
    }
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}
