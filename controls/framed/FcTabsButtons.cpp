// The tab control's small buttons: the scroller, the close button at the end of the row,
// the close button on the selected tab, and the menu of all tabs.
#include "controls/framed/FcTabs.h"

#include "framework/Guards.h"

#include <algorithm>
#include <cctype>

IMPLEMENT_CLASS(TFcTabButton);
IMPLEMENT_CLASS(TFcTabScroller);
IMPLEMENT_CLASS(TFcTabControlCloseButton);
IMPLEMENT_CLASS(TFcTabMenuButton);
IMPLEMENT_CLASS(TFcActiveTabCloseButton);

namespace {
constexpr unsigned kRepeatFirstDelay = 400;
constexpr unsigned kRepeatDelay = 100;

int CompareNoCase(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// Whether this control is the one under the cursor, disabled controls included.
bool UnderCursor(const TControl* control) {
    POINT p;
    GetCursorPos(&p);
    return ControlAtScreenPos(TPoint(p), true) == control;
}
} // namespace

void PaintTabButtonFace(TCanvas& Canvas, const TRect& R, TFcCustomTabControl& Tabs, bool Pressed, bool Hot,
                        TColor FrameColor) {
    const TColor light = Tabs.GetTabColors()->GetUnselected();
    const TColor dark = Tabs.GetTabColors()->GetShadow();
    Canvas.Pen()->SetColor(FrameColor);
    Canvas.Pen()->SetStyle(psSolid);
    if (!Tabs.GetUseGradients()) {
        Canvas.Brush()->SetColor(light);
        Canvas.Rectangle(R);
        return;
    }
    TColor top = light, bottom = dark;
    if (Pressed) {
        top = DarkenColor(dark, 30);
        bottom = DarkenColor(light, 30);
    } else if (Hot) {
        top = LightenColor(light, 30);
        bottom = LightenColor(dark, 30);
    }
    TRect inner = R;
    inner.Inflate(-1, -1);
    FillGradient(&Canvas, inner, gdHorizontalEnd, top, bottom, 1);
    Canvas.Brush()->SetStyle(bsClear);
    Canvas.Rectangle(R);
    Canvas.Brush()->SetStyle(bsSolid);
}

std::vector<int> TabMenuEntries(const TFcTabDataList& Tabs) {
    std::vector<int> entries;
    for (int i = 0; i < Tabs.Count(); ++i) {
        const TFcTabData* tab = Tabs.Items(i);
        if (!tab->Visible) continue;
        auto at = std::lower_bound(entries.begin(), entries.end(), tab->Caption, [&](int e, const std::string& c) {
            return CompareNoCase(Tabs.Items(e)->Caption, c) < 0;
        });
        // A caption already listed (ignoring case) is listed once, for the lowest index.
        if (at != entries.end() && CompareNoCase(Tabs.Items(*at)->Caption, tab->Caption) == 0) continue;
        entries.insert(at, i);
    }
    return entries;
}

// ---------------------------------------------------------------------------------------
// The windowed buttons' common part

void TFcTabButton::Publish(TClassBuilder<TFcTabButton>& b) {
    b.Prop("FrameColor", &TFcTabButton::GetFrameColor, &TFcTabButton::SetFrameColor);
}

TFcTabButton::TFcTabButton(TFcCustomTabControl* ATabControl) : TCustomControl(ATabControl), tabControl_(ATabControl) {}

void TFcTabButton::SetFrameColor(TColor Value) {
    if (Value == frameColor_) return;
    frameColor_ = Value;
    Repaint();
}

void TFcTabButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case CM_MOUSEENTER: case CM_MOUSELEAVE: CMMouseEnterLeave(Message); break;
    default: break;
    }
    TCustomControl::WndProc(Message);
}

// Painting covers the whole button.
void TFcTabButton::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void TFcTabButton::CMMouseEnterLeave(TMessage& Message) {
    if (Message.LParam != reinterpret_cast<LPARAM>(this)) return;
    hot_ = Message.Msg == CM_MOUSEENTER;
    Repaint();
}

bool TFcTabButton::InPressedPart(int X, int Y) const { return GetClientRect().Contains(TPoint(X, Y)); }

void TFcTabButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TControlWatch watch(this);
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (watch.Freed()) return;
    pressed_ = true;
    pressedInside_ = true;
    Repaint();
    SetMouseCapture(true);
}

void TFcTabButton::MouseMove(TShiftState Shift, int X, int Y) {
    TControlWatch watch(this);
    TCustomControl::MouseMove(Shift, X, Y);
    if (watch.Freed()) return;
    if (pressed_) {
        const bool inside = InPressedPart(X, Y);
        if (inside != pressedInside_) {
            pressedInside_ = inside;
            Repaint();
        }
    } else if (!hot_) {
        TrackHot();
    }
}

void TFcTabButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TControlWatch watch(this);
    SetMouseCapture(false);
    pressed_ = false;
    if (pressedInside_) {
        pressedInside_ = false;
        Released();
        if (watch.Freed()) return;
        Repaint();
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TFcTabButton::TrackHot() {
    if (!GetEnabled()) return;
    const bool under = UnderCursor(this);
    if (under == hot_) return;
    hot_ = under;
    Repaint();
}

// ---------------------------------------------------------------------------------------
// Scroller

TFcTabScroller::TFcTabScroller(TFcCustomTabControl* ATabControl) : TFcTabButton(ATabControl) {}

void TFcTabScroller::SetOrientation(TOrientation Value) {
    if (Value == orientation_) return;
    orientation_ = Value;
    Repaint();
}

int TFcTabScroller::HalfAt(int X, int Y) const {
    if (orientation_ == orHorizontal) return X >= Width() / 2 ? 1 : 0;
    return Y <= Height() / 2 ? 1 : 0;
}

bool TFcTabScroller::InPressedPart(int X, int Y) const {
    return GetClientRect().Contains(TPoint(X, Y)) && HalfAt(X, Y) == pressedHalf_;
}

namespace {
// Which arrow points at the start of the tabs: the first (left or lower) half's for the
// standard sequence, except on the right, where the tabs run downwards.
bool FirstHalfShowsStart(const TFcCustomTabControl& t) {
    const bool standard = t.GetTabSequence() == tsStandard;
    const bool onRight = t.GetTabOrientation() == toRight;
    return standard != onRight;
}
bool AtStart(const TFcCustomTabControl& t) { return t.FirstVisibleTab() == 0; }
bool AtEnd(const TFcCustomTabControl& t) {
    const int last = t.LastNonHiddenTab();
    return last < 0 || t.IsTabFullyShown(last);
}
} // namespace

bool TFcTabScroller::FirstHalfEnabled() const {
    return FirstHalfShowsStart(*tabControl_) ? !AtStart(*tabControl_) : !AtEnd(*tabControl_);
}

bool TFcTabScroller::SecondHalfEnabled() const {
    return FirstHalfShowsStart(*tabControl_) ? !AtEnd(*tabControl_) : !AtStart(*tabControl_);
}

void TFcTabScroller::Paint() {
    TCanvas& c = *Canvas();
    const TColor face = LightenColor(GetFrameColor(), 30);
    const int W = Width(), H = Height();
    const bool horizontal = orientation_ == orHorizontal;
    const TRect first = horizontal ? TRect(0, 0, W / 2 + 1, H) : TRect(0, H - H / 2 - 1, W, H);
    const TRect second = horizontal ? TRect(W - W / 2 - 1, 0, W, H) : TRect(0, 0, W, H / 2 + 1);
    PaintTabButtonFace(c, first, *tabControl_, pressedInside_ && pressedHalf_ == 0, hot_, face);
    PaintArrow(&c, first, false, horizontal ? TFcArrowDirection::adLeft : TFcArrowDirection::adDown, FirstHalfEnabled());
    PaintTabButtonFace(c, second, *tabControl_, pressedInside_ && pressedHalf_ == 1, hot_, face);
    PaintArrow(&c, second, false, horizontal ? TFcArrowDirection::adRight : TFcArrowDirection::adUp, SecondHalfEnabled());
}

void TFcTabScroller::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    pressedHalf_ = HalfAt(X, Y);
    TControlWatch watch(this);
    TFcTabButton::MouseDown(Button, Shift, X, Y);
    if (watch.Freed()) return;
    if (!timer_) {
        timer_ = TTimer::Create(this);
        timer_->SetEnabled(false);
        timer_->OnTimer = [this](TObject* s) { TimerTick(s); };
    }
    timer_->SetInterval(kRepeatFirstDelay);
    timer_->SetEnabled(true);
}

void TFcTabScroller::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (timer_) timer_->SetEnabled(false);
    TFcTabButton::MouseUp(Button, Shift, X, Y);
}

void TFcTabScroller::Released() { FireHalf(); }

void TFcTabScroller::FireHalf() {
    const TNotifyEvent& event = pressedHalf_ == 0 ? OnDownLeftClick : OnUpRightClick;
    if (TNotifyEvent run = event) run(this);
}

void TFcTabScroller::TimerTick(TObject*) {
    timer_->SetInterval(kRepeatDelay);
    if (!pressedInside_ || !MouseCapture()) return;
    // A failing scroll stops the repeat; the error goes on to the application.
    TScopeExit stop([this] { timer_->SetEnabled(false); });
    FireHalf();
    stop.Dismiss();
}

// ---------------------------------------------------------------------------------------
// Close button at the end of the row

void TFcTabControlCloseButton::Paint() {
    TCanvas& c = *Canvas();
    const TRect r = GetClientRect();
    PaintTabButtonFace(c, r, *tabControl_, pressedInside_, hot_, LightenColor(GetFrameColor(), 30));
    PaintCloseCross(&c, r, false, true);
}

void TFcTabControlCloseButton::Released() {
    if (TNotifyEvent run = OnClose) run(this);
}

// ---------------------------------------------------------------------------------------
// Menu button

TFcTabMenuButton::TFcTabMenuButton(TFcCustomTabControl* ATabControl)
    : TFcTabButton(ATabControl), menu_(TPopupMenu::Create(this)) {}

void TFcTabMenuButton::Paint() {
    TCanvas& c = *Canvas();
    const TRect r = GetClientRect();
    PaintTabButtonFace(c, r, *tabControl_, pressedInside_, hot_, LightenColor(GetFrameColor(), 30));
    TFcArrowDirection towardsCard = TFcArrowDirection::adDown;
    switch (tabControl_->GetTabOrientation()) {
    case toTop: towardsCard = TFcArrowDirection::adDown; break;
    case toLeft: towardsCard = TFcArrowDirection::adRight; break;
    case toBottom: towardsCard = TFcArrowDirection::adUp; break;
    case toRight: towardsCard = TFcArrowDirection::adLeft; break;
    }
    PaintArrow(&c, r, false, towardsCard, true);
}

void TFcTabMenuButton::Released() { ShowMenu(); }

void TFcTabMenuButton::ShowMenu() {
    TMenuItem* root = menu_->Items();
    while (root->Count() > 0) root->Delete(root->Count() - 1);
    menu_->SetImages(tabControl_->GetImages());
    const TFcTabDataList& tabs = *tabControl_->Tabs();
    TComponent* itemOwner = tabControl_->Owner() ? tabControl_->Owner() : static_cast<TComponent*>(menu_);
    for (int index : TabMenuEntries(tabs)) {
        if (!tabs.ValidIndex(index) || !tabs.Items(index)->Visible) continue;
        const TFcTabData* tab = tabs.Items(index);
        TMenuItem* item = TMenuItem::Create(itemOwner);
        item->SetCaption(tab->Caption);
        item->SetEnabled(tab->Enabled);
        item->SetChecked(index == tabControl_->GetTabIndex());
        item->SetImageIndex(!tab->Enabled && tab->DisabledImageIndex != -1 ? tab->DisabledImageIndex : tab->ImageIndex);
        item->SetTag(index);
        item->OnClick = [this](TObject* s) { ItemClick(s); };
        root->Add(item);
    }
    const bool standard = tabControl_->GetTabSequence() == tsStandard;
    const int W = Width(), H = Height();
    TPoint at;
    TPopupAlignment align = paLeft;
    switch (tabControl_->GetTabOrientation()) {
    case toTop: at = standard ? TPoint(W, H) : TPoint(0, H); align = standard ? paRight : paLeft; break;
    case toBottom: at = standard ? TPoint(W, 0) : TPoint(0, 0); align = standard ? paRight : paLeft; break;
    case toLeft: at = TPoint(W, 0); align = paLeft; break;
    case toRight: at = TPoint(0, 0); align = paRight; break;
    }
    at = ClientToScreen(at);
    menu_->SetAlignment(align);
    menu_->Popup(at.X, at.Y);
}

void TFcTabMenuButton::ItemClick(TObject* Sender) {
    if (auto* item = dynamic_cast<TMenuItem*>(Sender)) tabControl_->SetTabIndex(static_cast<int>(item->GetTag()));
}

// ---------------------------------------------------------------------------------------
// Close button on the selected tab

void TFcActiveTabCloseButton::Publish(TClassBuilder<TFcActiveTabCloseButton>& b) {
    b.Prop("FrameColor", &TFcActiveTabCloseButton::GetFrameColor, &TFcActiveTabCloseButton::SetFrameColor);
}

TFcActiveTabCloseButton::TFcActiveTabCloseButton(TFcCustomTabControl* ATabControl)
    : TGraphicControl(ATabControl), tabControl_(ATabControl) {}

void TFcActiveTabCloseButton::SetFrameColor(TColor Value) {
    if (Value == frameColor_) return;
    frameColor_ = Value;
    Repaint();
}

void TFcActiveTabCloseButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_MOUSEENTER: case CM_MOUSELEAVE: CMMouseEnterLeave(Message); break;
    default: break;
    }
    TGraphicControl::WndProc(Message);
}

void TFcActiveTabCloseButton::CMMouseEnterLeave(TMessage& Message) {
    if (Message.LParam != reinterpret_cast<LPARAM>(this)) return;
    hot_ = Message.Msg == CM_MOUSEENTER;
    Repaint();
}

void TFcActiveTabCloseButton::Paint() {
    TCanvas& c = *Canvas();
    const TRect r = GetClientRect();
    if (hot_) {
        PaintTabButtonFace(c, r, *tabControl_, pressedInside_, true, frameColor_);
        PaintCrossGlyph(&c, r, tabControl_->GetTabColors()->GetHighlightBar());
    } else {
        PaintCrossGlyph(&c, r, frameColor_);
    }
}

void TFcActiveTabCloseButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TControlWatch watch(this);
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (watch.Freed() || Button != mbLeft) return;
    pressed_ = true;
    pressedInside_ = true;
    Repaint();
}

void TFcActiveTabCloseButton::MouseMove(TShiftState Shift, int X, int Y) {
    TControlWatch watch(this);
    TGraphicControl::MouseMove(Shift, X, Y);
    if (watch.Freed()) return;
    if (pressed_) {
        const bool inside = GetClientRect().Contains(TPoint(X, Y));
        if (inside != pressedInside_) {
            pressedInside_ = inside;
            Repaint();
        }
    } else if (!hot_) {
        TrackHot();
    }
}

void TFcActiveTabCloseButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TControlWatch watch(this);
    pressed_ = false;
    if (pressedInside_) {
        pressedInside_ = false;
        if (TNotifyEvent run = OnClose) run(this);
        if (watch.Freed()) return;
        Repaint();
        TrackHot();
    }
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TFcActiveTabCloseButton::TrackHot() {
    if (!GetEnabled()) return;
    const bool under = UnderCursor(this);
    if (under == hot_) return;
    hot_ = under;
    Repaint();
}
