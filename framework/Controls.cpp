#include "framework/ControlsShared.h"
#include "framework/Forms.h"
#include "framework/Guards.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

using namespace controls_detail;

// ---------------------------------------------------------------------------------------
// Cursors by name

namespace {
struct TCursorName { int Value; const char* Name; };
constexpr TCursorName kCursorNames[] = {
    {crDefault, "crDefault"}, {crNone, "crNone"}, {crArrow, "crArrow"}, {crCross, "crCross"},
    {crIBeam, "crIBeam"}, {crSizeNESW, "crSizeNESW"}, {crSizeNS, "crSizeNS"}, {crSizeNWSE, "crSizeNWSE"},
    {crSizeWE, "crSizeWE"}, {crUpArrow, "crUpArrow"}, {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"}, {crHSplit, "crHSplit"}, {crVSplit, "crVSplit"}, {crMultiDrag, "crMultiDrag"},
    {crSQLWait, "crSQLWait"}, {crNo, "crNo"}, {crAppStart, "crAppStart"}, {crHelp, "crHelp"},
    {crHandPoint, "crHandPoint"}, {crSizeAll, "crSizeAll"}, {crSizeAll, "crSize"},
};
} // namespace

bool CursorToIdent(int cursor, std::string& ident) {
    for (auto& c : kCursorNames)
        if (c.Value == cursor) { ident = c.Name; return true; }
    return false;
}

bool IdentToCursor(const std::string& ident, int& cursor) {
    for (auto& c : kCursorNames)
        if (SameText(ident, c.Name)) { cursor = c.Value; return true; }
    return false;
}

// ---------------------------------------------------------------------------------------
// Shift states

TShiftState KeysToShiftState(WPARAM keys) {
    TShiftState s;
    if (keys & MK_SHIFT) s.Include(ssShift);
    if (keys & MK_CONTROL) s.Include(ssCtrl);
    if (keys & MK_LBUTTON) s.Include(ssLeft);
    if (keys & MK_RBUTTON) s.Include(ssRight);
    if (keys & MK_MBUTTON) s.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
    return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
    if (keyData & 0x20000000) s.Include(ssAlt);
    return s;
}

TShiftState GetShiftState() {
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
    if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
    if (GetKeyState(VK_LBUTTON) < 0) s.Include(ssLeft);
    if (GetKeyState(VK_RBUTTON) < 0) s.Include(ssRight);
    if (GetKeyState(VK_MBUTTON) < 0) s.Include(ssMiddle);
    return s;
}

// ---------------------------------------------------------------------------------------
// Utility windows

namespace {
constexpr const char* kUtilClass = "VelmoraUtilWindow";

// Our windows and their controls, looked up for every message the window procedure gets.
// Kept in the process rather than in a window property: Wine answers every property read
// with a round trip to its server, which made a list view's inserts (a handful of messages
// each) cost more than reading the registry they came from. A window is in the table
// from its first message to WM_NCDESTROY (or until its control lets go of it), so a handle
// the system hands out again later is never taken for an old control; windows of other
// processes are never in it.
class TControlTable {
public:
    TWinControl* Find(HWND wnd) {
        AcquireSRWLockShared(&lock_);
        auto found = controls_.find(wnd);
        TWinControl* control = found == controls_.end() ? nullptr : found->second;
        ReleaseSRWLockShared(&lock_);
        return control;
    }
    // Called from the window procedure: out of memory leaves the window without its control
    // (it gets the system's default handling) rather than throwing across the system.
    void Set(HWND wnd, TWinControl* control) noexcept {
        AcquireSRWLockExclusive(&lock_);
        try {
            controls_[wnd] = control;
        } catch (...) {
        }
        ReleaseSRWLockExclusive(&lock_);
    }
    void Remove(HWND wnd) {
        AcquireSRWLockExclusive(&lock_);
        controls_.erase(wnd);
        ReleaseSRWLockExclusive(&lock_);
    }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::unordered_map<HWND, TWinControl*> controls_;
};

// Never destroyed: a window may go after static destruction has begun.
TControlTable& ControlTable() {
    static TControlTable* table = new TControlTable;
    return *table;
}

LRESULT CALLBACK UtilWndProc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
    auto* holder = reinterpret_cast<std::shared_ptr<TWndMethod>*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!holder) return DefWindowProcA(wnd, msg, w, l);
    // The method may deallocate this window (and its holder) while it runs.
    std::shared_ptr<TWndMethod> method = *holder;
    TMessage m{msg, w, l, 0};
    bool handled = Guard([&] {
        (*method)(m);
    });
    if (!handled) return 0;
    return m.Result;
}

void RegisterUtilClass() {
    static bool done = false;
    if (done) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = UtilWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kUtilClass;
    RegisterClassExA(&wc);
    done = true;
}
} // namespace

HWND AllocateHWnd(TWndMethod method) {
    RegisterUtilClass();
    HWND wnd = CreateWindowExA(WS_EX_TOOLWINDOW, kUtilClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (!wnd) throw EOSError("Cannot create a utility window", GetLastError());
    auto* holder = new std::shared_ptr<TWndMethod>(std::make_shared<TWndMethod>(std::move(method)));
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(holder));
    return wnd;
}

void DeallocateHWnd(HWND wnd) {
    if (!wnd) return;
    auto* holder = reinterpret_cast<std::shared_ptr<TWndMethod>*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    DestroyWindow(wnd);
    delete holder;
}

void SetRedraw(HWND wnd, bool on) {
    if (!wnd) return;
    SendMessageA(wnd, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    if (on) ::InvalidateRect(wnd, nullptr, TRUE);
}

// ---------------------------------------------------------------------------------------
// Actions

IMPLEMENT_CLASS(TBasicAction);
IMPLEMENT_CLASS(TBasicActionLink);
IMPLEMENT_CLASS(TActionLink);
IMPLEMENT_CLASS(TControlActionLink);

void TBasicAction::Publish(TClassBuilder<TBasicAction>& b) {
    b.Event("OnExecute", &TBasicAction::OnExecute);
    b.Event("OnUpdate", &TBasicAction::OnUpdate);
}

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

TBasicAction::~TBasicAction() {
    for (auto* link : clients_) link->action_ = nullptr;
    clients_.clear();
}

void TBasicAction::Destroying() {
    TComponent::Destroying();
    // Clients drop their link while the action is still whole.
    auto clients = clients_;
    for (auto* link : clients) link->SetAction(nullptr);
}

bool TBasicAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

bool TBasicAction::Update() {
    if (!OnUpdate) return false;
    OnUpdate(this);
    return true;
}

void TBasicAction::RegisterChanges(TBasicActionLink* link) {
    if (std::find(clients_.begin(), clients_.end(), link) == clients_.end()) clients_.push_back(link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link) {
    clients_.erase(std::remove(clients_.begin(), clients_.end(), link), clients_.end());
}

void TBasicAction::Change() {
    if (OnChange) OnChange(this);
    auto clients = clients_;
    for (auto* link : clients) link->Change();
}

TBasicActionLink::TBasicActionLink(TObject* Client) { (void)Client; }

TBasicActionLink::~TBasicActionLink() {
    if (action_) action_->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* value) {
    if (value == action_) return;
    if (action_) action_->UnRegisterChanges(this);
    action_ = value;
    if (action_) action_->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* AComponent) {
    if (!action_) return false;
    TBasicAction* action = action_;
    action->ActionComponent = AComponent;
    TScopeExit reset([action] { action->ActionComponent = nullptr; });
    return action->Execute();
}

bool TBasicActionLink::Update() { return action_ && action_->Update(); }

void TBasicActionLink::Change() {
    if (OnChange) OnChange(action_);
}

TControlActionLink::TControlActionLink(TObject* Client) : TActionLink(Client) { AssignClient(Client); }

void TControlActionLink::AssignClient(TObject* Client) { client_ = dynamic_cast<TControl*>(Client); }

bool TControlActionLink::IsCaptionLinked() const {
    return TActionLink::IsCaptionLinked() && client_ && client_->GetCaption() == action_->GetCaption();
}
bool TControlActionLink::IsEnabledLinked() const {
    return TActionLink::IsEnabledLinked() && client_ && client_->GetEnabled() == action_->GetEnabled();
}
bool TControlActionLink::IsVisibleLinked() const {
    return TActionLink::IsVisibleLinked() && client_ && client_->GetVisible() == action_->GetVisible();
}
bool TControlActionLink::IsHintLinked() const {
    return TActionLink::IsHintLinked() && client_ && client_->GetHint() == action_->GetHint();
}
void TControlActionLink::SetCaption(const std::string& value) { if (IsCaptionLinked()) client_->SetCaption(value); }
void TControlActionLink::SetEnabled(bool value) { if (IsEnabledLinked()) client_->SetEnabled(value); }
void TControlActionLink::SetVisible(bool value) { if (IsVisibleLinked()) client_->SetVisible(value); }
void TControlActionLink::SetHint(const std::string& value) { if (IsHintLinked()) client_->SetHint(value); }

// ---------------------------------------------------------------------------------------
// Size constraints

IMPLEMENT_CLASS(TSizeConstraints);

void TSizeConstraints::Publish(TClassBuilder<TSizeConstraints>& b) {
    b.Prop("MaxHeight", &TSizeConstraints::GetMaxHeight, &TSizeConstraints::SetMaxHeight).Default = TValue::MakeInt(0);
    b.Prop("MaxWidth", &TSizeConstraints::GetMaxWidth, &TSizeConstraints::SetMaxWidth).Default = TValue::MakeInt(0);
    b.Prop("MinHeight", &TSizeConstraints::GetMinHeight, &TSizeConstraints::SetMinHeight).Default = TValue::MakeInt(0);
    b.Prop("MinWidth", &TSizeConstraints::GetMinWidth, &TSizeConstraints::SetMinWidth).Default = TValue::MakeInt(0);
}

void TSizeConstraints::SetMinWidth(int v) { if (v != minWidth_) { minWidth_ = v; Changed(); } }
void TSizeConstraints::SetMinHeight(int v) { if (v != minHeight_) { minHeight_ = v; Changed(); } }
void TSizeConstraints::SetMaxWidth(int v) { if (v != maxWidth_) { maxWidth_ = v; Changed(); } }
void TSizeConstraints::SetMaxHeight(int v) { if (v != maxHeight_) { maxHeight_ = v; Changed(); } }
TPersistent* TSizeConstraints::GetOwner() const { return control_; }

void TSizeConstraints::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TSizeConstraints*>(Source)) {
        minWidth_ = s->minWidth_; minHeight_ = s->minHeight_;
        maxWidth_ = s->maxWidth_; maxHeight_ = s->maxHeight_;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TSizeConstraints::Apply(int& width, int& height) const {
    if (maxWidth_ > 0 && width > maxWidth_) width = maxWidth_;
    if (minWidth_ > 0 && width < minWidth_) width = minWidth_;
    if (maxHeight_ > 0 && height > maxHeight_) height = maxHeight_;
    if (minHeight_ > 0 && height < minHeight_) height = minHeight_;
}

void TSizeConstraints::Changed() {
    if (control_ && !control_->IsLoading())
        control_->SetBounds(control_->Left(), control_->Top(), control_->Width(), control_->Height());
}

// ---------------------------------------------------------------------------------------
// Mouse tracking shared by all windows

namespace controls_detail {
TControl* gCaptureControl = nullptr;
TControl* gMouseControl = nullptr;
}  // namespace controls_detail

namespace {

void SetMouseControl(TControl* c) {
    if (c == gMouseControl) return;
    TControl* old = gMouseControl;
    gMouseControl = c;
    if (old) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
    // The leave handler may have moved the pointer's owner on.
    if (c && gMouseControl == c) c->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(c));
}

// The mouse went to another window or control while c held it: the press c started cannot
// end in a click on it (a button-up without its button-down is no click). c's CM_CANCELMODE
// handler may free anything.
void CaptureLost(TControl* c) {
    c->ControlState.Exclude(csClicked);
    c->ControlState.Exclude(csLButtonDown);
    c->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(c));
}

int gNextChildId = 0x100;
int NextChildId() {
    if (++gNextChildId >= 0xF000) gNextChildId = 0x100;
    return gNextChildId;
}

thread_local TWinControl* tCreatingControl = nullptr;
thread_local HWND tKeyWindow = nullptr;

// The dialog code of the window a key message is for: a window inside one of ours (the
// edit of a combo box) answers for itself.
LRESULT DialogCode(TWinControl* control, WPARAM key) {
    HWND target = tKeyWindow;
    if (target && target != control->WindowHandle() && control->WindowHandle() &&
        IsChild(control->WindowHandle(), target) && !FindControl(target))
        return SendMessageA(target, WM_GETDLGCODE, key, 0);
    return control->Perform(WM_GETDLGCODE, 0, 0);
}

// Our window classes: name (lower case) → the procedure messages default to.
std::map<std::string, WNDPROC>& ClassTable() {
    static std::map<std::string, WNDPROC> table;
    return table;
}

std::string Lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
} // namespace

TControl* GetCaptureControl() {
    if (gCaptureControl) {
        // A capture lost to another window (a message box, a drag) is not ours any more.
        HWND cap = GetCapture();
        TWinControl* holder = dynamic_cast<TWinControl*>(gCaptureControl);
        if (!holder) holder = gCaptureControl->Parent();
        if (!holder || !holder->HandleAllocated() || cap != holder->WindowHandle()) gCaptureControl = nullptr;
    }
    return gCaptureControl;
}

void SetCaptureControl(TControl* control) {
    TControl* previous = GetCaptureControl();
    gCaptureControl = nullptr;
    if (!control) {
        if (GetCapture()) ReleaseCapture();
        return;
    }
    TComponentWatch watch(control);
    // The control that held the mouse is told here: between controls of one window no
    // WM_CAPTURECHANGED comes, and the one that does finds no control of ours any more.
    if (previous && previous != control) CaptureLost(previous);
    if (watch.Freed()) return;
    TWinControl* holder = dynamic_cast<TWinControl*>(control);
    if (!holder) holder = control->Parent();
    if (!holder) return;
    HWND wnd = holder->Handle();
    SetCapture(wnd);
    // The window that lost the mouse was told so, and its handlers may have freed control:
    // then nothing of ours holds the mouse.
    if (watch.Freed()) {
        if (GetCapture() == wnd) ReleaseCapture();
        return;
    }
    if (GetCapture() == wnd) gCaptureControl = control;
}

TControl* MouseControl() { return gMouseControl; }

void SetKeyMessageWindow(HWND wnd) { tKeyWindow = wnd; }

TWinControl* FindControl(HWND wnd) { return wnd ? ControlTable().Find(wnd) : nullptr; }

TControl* ControlAtScreenPos(TPoint screenPos, bool allowDisabled) {
    HWND wnd = WindowFromPoint(POINT(screenPos));
    // WindowFromPoint skips disabled windows; look into them through their parent.
    TWinControl* w = nullptr;
    while (wnd && !(w = FindControl(wnd))) wnd = GetParent(wnd);
    if (!w) return nullptr;
    if (allowDisabled) {
        for (;;) {
            TPoint p = w->ScreenToClient(screenPos);
            TControl* c = w->ControlAtPos(p, true, true);
            auto* inner = dynamic_cast<TWinControl*>(c);
            if (!inner) return c ? c : w;
            w = inner;
        }
    }
    TControl* c = w->ControlAtPos(w->ScreenToClient(screenPos), false);
    return c ? c : w;
}

TControl* FindDragTarget(TPoint screenPos, bool allowDisabled) { return ControlAtScreenPos(screenPos, allowDisabled); }

// ---------------------------------------------------------------------------------------
// TWinControl

IMPLEMENT_CLASS(TWinControl);

void TWinControl::Publish(TClassBuilder<TWinControl>& b) {
    b.Prop("DoubleBuffered", &TWinControl::GetDoubleBuffered, &TWinControl::SetDoubleBuffered);
    b.Prop("ParentBackground", &TWinControl::GetParentBackground, &TWinControl::SetParentBackground);
    b.Prop("TabOrder", &TWinControl::GetTabOrder, &TWinControl::SetTabOrder);
    b.Prop("TabStop", &TWinControl::GetTabStop, &TWinControl::SetTabStop);
    b.Event("OnEnter", &TWinControl::OnEnter);
    b.Event("OnExit", &TWinControl::OnExit);
    b.Event("OnKeyDown", &TWinControl::OnKeyDown);
    b.Event("OnKeyPress", &TWinControl::OnKeyPress);
    b.Event("OnKeyUp", &TWinControl::OnKeyUp);
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    // Children without an owner that freed them go with their parent.
    while (!controls_.empty()) {
        TControl* c = controls_.back();
        RemoveControl(c);
        c->Free();
    }
    if (parent_) parent_->RemoveControl(this);
    if (handle_) DestroyWindowHandle();
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded() {
    if (handle_) return;
    if (parent_) parent_->HandleNeeded();
    if (!handle_) CreateHandle();
}

void TWinControl::CreateHandle() {
    if (handle_) return;
    CreateWnd();
    // Children's windows follow in z-order (first child at the bottom).
    for (auto* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            w->HandleNeeded();
            SetWindowPos(w->handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    if (alignPending_ || controls_.size()) Realign();
}

void TWinControl::CreateParams(TCreateParams& Params) {
    Params.Caption = text_;
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (ControlStyle.Contains(csAcceptsControls)) Params.Style |= WS_CLIPCHILDREN;
    if (visible_) Params.Style |= WS_VISIBLE;
    if (!enabled_) Params.Style |= WS_DISABLED;
    if (tabStop_) Params.Style |= WS_TABSTOP;
    Params.X = left_;
    Params.Y = top_;
    Params.Width = width_;
    Params.Height = height_;
    Params.WndParent = parent_ ? parent_->handle_ : parentWindow_;
    Params.WinClassName = ClassName();
    Params.ClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    // Asked for often (a handle-less control's client rectangle is worked out from these),
    // and each load is a round trip to the server under Wine; the system's own cursor is
    // shared and never freed.
    static const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    Params.ClassCursor = arrow;
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ClassName) {
    Params.BaseClassName = ClassName;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExA(nullptr, ClassName, &wc)) {
        Params.ClassStyle = wc.style & ~CS_GLOBALCLASS;
        Params.ClassCursor = wc.hCursor;
        Params.ClassBackground = wc.hbrBackground;
    }
}

LRESULT CALLBACK ControlWndProc(HWND wnd, UINT msg, WPARAM w, LPARAM l);

namespace {
WNDPROC RegisterControlClass(const TCreateParams& p) {
    auto key = Lower(p.WinClassName);
    auto& table = ClassTable();
    if (auto it = table.find(key); it != table.end()) return it->second;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    WNDPROC def = DefWindowProcA;
    if (!p.BaseClassName.empty()) {
        if (!GetClassInfoExA(nullptr, p.BaseClassName.c_str(), &wc))
            throw EOSError("Window class " + p.BaseClassName + " not found", GetLastError());
        def = wc.lpfnWndProc;
        wc.cbSize = sizeof(wc);
    }
    wc.style = p.ClassStyle;
    wc.lpfnWndProc = ControlWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = p.WinClassName.c_str();
    wc.hCursor = p.ClassCursor;
    wc.hbrBackground = p.ClassBackground;
    wc.lpszMenuName = nullptr;
    // The program's icon, when it has one, for every window in the taskbar and Alt+Tab;
    // looked up once for all the classes (shared resource icons: never destroyed).
    static const HICON icon = static_cast<HICON>(
        LoadImageA(wc.hInstance, "MAINICON", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    static const HICON smallIcon = static_cast<HICON>(LoadImageA(
        wc.hInstance, "MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw EOSError("Cannot register window class " + p.WinClassName, GetLastError());
    table[key] = def;
    return def;
}
} // namespace

void TWinControl::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    if ((p.Style & WS_CHILD) && !p.WndParent)
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    defWndProc_ = RegisterControlClass(p);
    if ((p.Style & WS_CHILD) && !p.Menu) p.Menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextChildId()));
    {
        ControlState.Include(csCreating);
        TScopeExit created([this] { ControlState.Exclude(csCreating); });
        CreateWindowHandle(p);
    }
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
    UpdateBounds();
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
    tCreatingControl = this;
    HWND wnd = CreateWindowExA(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(), Params.Style,
                               Params.X, Params.Y, Params.Width, Params.Height, Params.WndParent, Params.Menu,
                               GetModuleHandleA(nullptr), Params.Param);
    DWORD err = GetLastError();
    tCreatingControl = nullptr;
    if (!wnd) {
        handle_ = nullptr;
        throw EOSError("Error creating window " + Params.WinClassName, err);
    }
    handle_ = wnd;
}

void TWinControl::DestroyHandle() {
    if (!handle_) return;
    for (auto* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    DestroyWnd();
}

void TWinControl::DestroyWnd() {
    if (!handle_) return;
    text_ = GetTextValue();
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
    if (!handle_) return;
    ControlState.Include(csDestroyingHandle);
    HWND wnd = handle_;
    DestroyWindow(wnd);
    // A window that failed to go (another thread's) is still detached from us.
    if (handle_ == wnd) {
        ControlTable().Remove(wnd);
        handle_ = nullptr;
    }
    ControlState.Exclude(csDestroyingHandle);
}

void TWinControl::RecreateWnd() {
    if (!handle_) return;
    bool focused = Focused();
    DestroyHandle();
    HandleNeeded();
    if (focused && handle_) ::SetFocus(handle_);
    // Hooks that adjust the window after it is made (styles, regions) do it again.
    if (handle_) Perform(CM_RECREATEWND);
}

void TWinControl::SetParentWindow(HWND value) {
    if (value == parentWindow_) return;
    if (parent_) return;
    DestroyHandle();
    parentWindow_ = value;
}

LRESULT CALLBACK ControlWndProc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
    TWinControl* c = ControlTable().Find(wnd);
    if (!c) {
        c = tCreatingControl;
        if (!c) return DefWindowProcA(wnd, msg, w, l);
        tCreatingControl = nullptr;
        c->handle_ = wnd;
        ControlTable().Set(wnd, c);
    }
    TMessage m{msg, w, l, 0};
    // A handler may free the control before it throws: then there is no sender to name.
    TControlWatch watch(c);
    try {
        c->WindowProc(m);
    } catch (...) {
        ApplicationHandleException(watch.Freed() ? nullptr : c);
    }
    if (msg == WM_NCDESTROY) {
        ControlTable().Remove(wnd);
        if (!watch.Freed() && c->handle_ == wnd) c->handle_ = nullptr;
    }
    return m.Result;
}

void TWinControl::DefaultHandler(TMessage& Message) {
    if (Message.Msg >= CM_BASE && Message.Msg < CN_BASE + 0x1000) {
        // Our own messages never reach a window procedure.
        if (Message.Msg >= CN_CTLCOLOREDIT && Message.Msg <= CN_BASE + WM_CTLCOLORSTATIC) CNCtlColor(Message);
        return;
    }
    if (!handle_) return;
    Message.Result = CallWindowProcA(defWndProc_ ? defWndProc_ : DefWindowProcA, handle_, Message.Msg,
                                     Message.WParam, Message.LParam);
}

void TWinControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); return;
    case WM_PRINTCLIENT: WMPrintClient(Message); return;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case WM_SETCURSOR: WMSetCursor(Message); return;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); return;
    case WM_CONTEXTMENU: WMContextMenu(Message); return;
    case WM_MOUSEMOVE: case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_LBUTTONUP:
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: case WM_RBUTTONUP:
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: case WM_MBUTTONUP: HandleWinMouse(Message); return;
    case WM_MOUSELEAVE: WMMouseLeave(Message); return;
    case WM_CAPTURECHANGED: WMCaptureChanged(Message); return;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: WMKeyDown(Message); return;
    case WM_KEYUP: case WM_SYSKEYUP: WMKeyUp(Message); return;
    case WM_CHAR: WMChar(Message); return;
    case WM_SETFOCUS: WMSetFocus(Message); return;
    case CN_KEYDOWN: case CN_SYSKEYDOWN: CNKeyDown(Message); return;
    case CN_CHAR: case CN_SYSCHAR: CNChar(Message); return;
    case CN_KEYUP: Message.Result = 0; return;
    case CM_DIALOGKEY: case CM_DIALOGCHAR: Broadcast(Message, true); return;
    case CM_ENTER: DoEnter(); return;
    case CM_EXIT: DoExit(); return;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); return;
    case CM_VISIBLECHANGED: UpdateShowing(); return;
    case CM_FONTCHANGED: CMFontChanged(Message); return;
    case CM_COLORCHANGED: CMColorChanged(Message); return;
    case CM_SHOWHINTCHANGED: NotifyControls(CM_PARENTSHOWHINTCHANGED); return;
    case CM_SYSCOLORCHANGE: case CM_FOCUSCHANGED: Broadcast(Message); return;
    case WM_SYSCOLORCHANGE: WMSysColorChange(Message); return;
    case WM_COMMAND: case WM_NOTIFY: case WM_DRAWITEM: case WM_MEASUREITEM: case WM_DELETEITEM:
    case WM_COMPAREITEM: case WM_HSCROLL: case WM_VSCROLL:
    case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN: case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORDLG: case WM_CTLCOLORMSGBOX: WMReflectable(Message); return;
    case WM_NCDESTROY: WMNCDestroy(Message); return;
    default: TControl::WndProc(Message); return;
    }
}

// --- message handlers

void TWinControl::WMPrintClient(TMessage& Message) {
    if (Message.LParam & PRF_ERASEBKGND) Perform(WM_ERASEBKGND, Message.WParam, 0);
    if (ControlState.Contains(csCustomPaint)) {
        PaintHandler(Message);
        return;
    }
    DefaultHandler(Message);
    PaintControls(reinterpret_cast<HDC>(Message.WParam), nullptr);
}

void TWinControl::WMMouseLeave(TMessage& Message) {
    // The leave handler may free this window (a pop-up panel that closes when left).
    TControlWatch watch(this);
    // Leaving for a child window is not leaving: that window's moves take over.
    TControl* mc = gMouseControl;
    if (mc == this || (mc && mc->parent_ == this && !dynamic_cast<TWinControl*>(mc))) SetMouseControl(nullptr);
    if (Application) Application->CancelHint();
    if (!watch.Freed()) DefaultHandler(Message);
}

void TWinControl::WMCaptureChanged(TMessage& Message) {
    // The end of a drag and a cancel run handlers that may free this window.
    TControlWatch watch(this);
    // A drag ends when its window loses the mouse to another one.
    if (TDragManager::Active() && TDragManager::started && reinterpret_cast<HWND>(Message.LParam) != handle_)
        TDragManager::Cancel();
    if (watch.Freed()) return;
    if (gCaptureControl && reinterpret_cast<HWND>(Message.LParam) != handle_ &&
        (gCaptureControl == this || gCaptureControl->parent_ == this)) {
        TControl* lost = gCaptureControl;
        gCaptureControl = nullptr;
        CaptureLost(lost);
        if (watch.Freed()) return;
    }
    DefaultHandler(Message);
}

// A key the OnKey* handlers leave goes on to the window.
void TWinControl::WMKeyDown(TMessage& Message) {
    // Esc cancels a running drag, whichever window has the focus.
    if (Message.WParam == VK_ESCAPE && TDragManager::Active() && TDragManager::started) {
        TDragManager::Cancel();
        return;
    }
    if (!DoKeyDown(Message)) TControl::WndProc(Message);
}

void TWinControl::WMKeyUp(TMessage& Message) {
    if (!DoKeyUp(Message)) TControl::WndProc(Message);
}

void TWinControl::WMChar(TMessage& Message) {
    if (!DoKeyPress(Message)) TControl::WndProc(Message);
}

void TWinControl::WMSetFocus(TMessage& Message) {
    if (auto* f = GetParentForm()) {
        if (f != this) f->SetFocusedControl(this);
    }
    DefaultHandler(Message);
}

// Result 1: the key was a shortcut or a dialog key the form used, and the message loop drops
// it; 0: the key goes to the window.
void TWinControl::CNKeyDown(TMessage& Message) {
    Message.Result = 1;
    auto* form = GetParentForm();
    WORD key = static_cast<WORD>(Message.WParam);
    if (form && form->IsShortCut(key, KeyDataToShiftState(Message.LParam))) return;
    if (Message.Msg == CN_KEYDOWN) {
        UINT mask = 0;
        switch (key) {
        case VK_TAB: mask = DLGC_WANTTAB; break;
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
        case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
        }
        if (mask && Perform(CM_WANTSPECIALKEY, key, Message.LParam) == 0 &&
            (DialogCode(this, key) & mask) == 0 && form &&
            form->Perform(CM_DIALOGKEY, key, Message.LParam) != 0)
            return;
    }
    Message.Result = 0;
}

// CN_CHAR and CN_SYSCHAR: a character the control does not want (any Alt+character but the
// space that opens the system menu) is offered to the form as a mnemonic. Result 1 when the
// form used it.
void TWinControl::CNChar(TMessage& Message) {
    Message.Result = 0;
    bool offer = Message.Msg == CN_CHAR ? (DialogCode(this, Message.WParam) & DLGC_WANTCHARS) == 0
                                        : Message.WParam != VK_SPACE;
    if (!offer) return;
    if (auto* form = GetParentForm()) {
        if (form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0) Message.Result = 1;
    }
}

void TWinControl::CMEnabledChanged(TMessage&) {
    if (handle_) EnableWindow(handle_, enabled_);
    Invalidate();
}

void TWinControl::CMFontChanged(TMessage&) {
    if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
    NotifyControls(CM_PARENTFONTCHANGED);
    AdjustSize();
    Invalidate();
}

void TWinControl::CMColorChanged(TMessage&) {
    UpdateBrush();
    Invalidate();
    NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::WMSysColorChange(TMessage& Message) {
    NotifyControls(CM_SYSCOLORCHANGE);
    UpdateBrush();
    DefaultHandler(Message);
}

// Notifications and colour requests go to the child they are about (as CN_*), else on.
void TWinControl::WMReflectable(TMessage& Message) {
    if (!ReflectToChild(Message)) DefaultHandler(Message);
}

void TWinControl::WMNCDestroy(TMessage& Message) {
    if (gCaptureControl && (gCaptureControl == this || gCaptureControl->parent_ == this)) gCaptureControl = nullptr;
    DefaultHandler(Message);
}

bool TWinControl::ReflectToChild(TMessage& Message) {
    HWND child = nullptr;
    switch (Message.Msg) {
    case WM_COMMAND: case WM_HSCROLL: case WM_VSCROLL:
    case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN: case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR:
        child = reinterpret_cast<HWND>(Message.LParam);
        break;
    case WM_NOTIFY:
        if (Message.LParam) child = reinterpret_cast<NMHDR*>(Message.LParam)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        if (d && d->CtlType != ODT_MENU) child = d->hwndItem;
        break;
    }
    case WM_MEASUREITEM: {
        auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        if (mi && mi->CtlType != ODT_MENU && handle_) child = GetDlgItem(handle_, static_cast<int>(mi->CtlID));
        break;
    }
    case WM_DELETEITEM:
        if (Message.LParam) child = reinterpret_cast<DELETEITEMSTRUCT*>(Message.LParam)->hwndItem;
        break;
    case WM_COMPAREITEM:
        if (Message.LParam) child = reinterpret_cast<COMPAREITEMSTRUCT*>(Message.LParam)->hwndItem;
        break;
    }
    if (!child || child == handle_) return false;
    TWinControl* c = FindControl(child);
    if (!c) return false;
    Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
    return true;
}

void TWinControl::CNCtlColor(TMessage& Message) {
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    SetTextColor(dc, ColorToColorRef(Font()->GetColor()));
    SetBkColor(dc, ColorToColorRef(GetColor()));
    Message.Result = reinterpret_cast<LRESULT>(BrushHandle());
}

HBRUSH TWinControl::BrushHandle() {
    if (!brush_ || brushColor_ != GetColor()) UpdateBrush();
    return static_cast<HBRUSH>(brush_.Get());
}

void TWinControl::UpdateBrush() {
    brushColor_ = GetColor();
    if (brushColor_ == clNone || brushColor_ == clDefault) brush_.Reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    else brush_.Reset(CreateSolidBrush(ColorToColorRef(brushColor_)));
}

void TWinControl::SetParentBackground(bool v) {
    if (v == GetParentBackground()) return;
    if (v) ControlStyle.Include(csParentBackground);
    else ControlStyle.Exclude(csParentBackground);
    Invalidate();
}

// --- mouse

void TWinControl::HandleWinMouse(TMessage& Message) {
    if (TDragManager::Mouse(this, Message)) return;
    TPoint p(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
    TRestore<std::optional<TPoint>> at(tMouseMessagePos, handle_ ? std::optional<TPoint>(ClientToScreen(p)) : std::nullopt);
    TControl* capture = GetCaptureControl();
    TControl* target = nullptr;
    if (capture && capture->parent_ == this && !dynamic_cast<TWinControl*>(capture)) target = capture;
    else if (!capture || capture == this) target = ControlAtPos(p, false);
    std::optional<TControlWatch> targetWatch;
    if (target) targetWatch.emplace(target);

    if (Message.Msg == WM_MOUSEMOVE) {
        if (!TrackMouseMove(p, capture)) return;
    } else if (Message.Msg != WM_LBUTTONUP && Message.Msg != WM_RBUTTONUP && Message.Msg != WM_MBUTTONUP) {
        if (Application) Application->CancelHint();
    }

    if (target) {
        // The move was for a control that went with an enter, leave or hint handler.
        if (targetWatch->Freed()) return;
        TMessage m = Message;
        m.LParam = MAKELPARAM(static_cast<WORD>(p.X - target->left_), static_cast<WORD>(p.Y - target->top_));
        if (Message.Msg == WM_LBUTTONDBLCLK && !target->ControlStyle.Contains(csDoubleClicks)) m.Msg = WM_LBUTTONDOWN;
        target->WindowProc(m);
        Message.Result = m.Result;
        return;
    }
    if ((Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) && tabStop_ && !Focused() &&
        CanFocus() && defWndProc_ == DefWindowProcA)
        ::SetFocus(handle_);
    if (Message.Msg == WM_LBUTTONDBLCLK && !ControlStyle.Contains(csDoubleClicks)) Message.Msg = WM_LBUTTONDOWN;
    TControl::WndProc(Message);
}

bool TWinControl::TrackMouseMove(TPoint p, TControl* capture) {
    TControlWatch self(this);
    TControl* under = ControlAtPos(p, true);
    if (!under) under = this;
    if (!GetClientRect().Contains(p) && capture) under = nullptr;
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, handle_, 0};
    if (handle_) TrackMouseEvent(&tme);
    std::optional<TControlWatch> underWatch;
    if (under) underWatch.emplace(under);
    SetMouseControl(under);
    if (self.Freed()) return false;
    if (Application && under && !underWatch->Freed()) Application->HintMouseMessage(under, ClientToScreen(p));
    return !self.Freed();
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        bool windowed = dynamic_cast<TWinControl*>(c) != nullptr;
        if (windowed && !allowWinControls) continue;
        if (!c->visible_ || (!c->enabled_ && !allowDisabled)) continue;
        if (c->BoundsRect().Contains(p)) return c;
    }
    return nullptr;
}

void TWinControl::WMSetCursor(TMessage& Message) {
    if (reinterpret_cast<HWND>(Message.WParam) == handle_ && LOWORD(Message.LParam) == HTCLIENT) {
        TCursor cursor = Screen ? Screen->GetCursor() : crDefault;
        if (cursor == crDefault) {
            POINT sp;
            GetCursorPos(&sp);
            TPoint p = ScreenToClient(TPoint(sp));
            TControl* c = GetCaptureControl();
            if (!c || (c != this && c->parent_ != this)) c = ControlAtPos(p, true);
            if (!c) c = this;
            cursor = c->cursor_;
        }
        if (cursor != crDefault && Screen) {
            ::SetCursor(Screen->Cursors(cursor));
            Message.Result = 1;
            return;
        }
    }
    DefaultHandler(Message);
}

void TWinControl::WMContextMenu(TMessage& Message) {
    int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
    bool keyboard = x == -1 && y == -1;
    TPoint screen(x, y);
    TControl* c = this;
    if (keyboard) {
        screen = ClientToScreen(TPoint(0, 0));
    } else {
        if (TControl* g = ControlAtPos(ScreenToClient(screen), false)) c = g;
    }
    bool handled = false;
    // The handler may free the control it was asked for, or this window: then it was handled.
    TControlWatch self(this), asked(c);
    c->DoContextPopup(keyboard ? TPoint(-1, -1) : c->ScreenToClient(screen), handled);
    if (handled || self.Freed() || asked.Freed()) {
        Message.Result = 1;
        return;
    }
    for (TControl* x2 = c; x2 && x2 != parent_; x2 = x2->parent_) {
        if (x2->popupIntf_ && x2->popupIntf_->AutoPopup()) {
            SendCancelMode(nullptr);
            x2->popupIntf_->PopupFor(x2, screen.X, screen.Y);
            Message.Result = 1;
            return;
        }
        if (x2 == this) break;
    }
    DefaultHandler(Message);
}

// --- painting

void TWinControl::WMPaint(TMessage& Message) {
    if (Message.WParam || ControlState.Contains(csCustomPaint) ||
        std::any_of(controls_.begin(), controls_.end(), [](TControl* c) { return !dynamic_cast<TWinControl*>(c); }))
        PaintHandler(Message);
    else
        DefaultHandler(Message);
}

void TWinControl::PaintHandler(TMessage& Message) {
    TPaintDC dc(handle_, Message.WParam);
    if (!dc) return;
    TSaveDC saved(dc.Get());
    PaintWindow(dc.Get());
    PaintControls(dc.Get(), nullptr);
}

void TWinControl::PaintWindow(HDC DC) {
    TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
    DefaultHandler(m);
}

void TWinControl::PaintControls(HDC dc, TControl* First) {
    auto start = controls_.begin();
    if (First) start = std::find(controls_.begin(), controls_.end(), First);
    RECT clip;
    int clipKind = GetClipBox(dc, &clip);
    for (auto it = start; it != controls_.end(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c) || !c->visible_) continue;
        TRect r = c->BoundsRect(), overlap;
        if (clipKind != NULLREGION && clipKind != ERROR && !IntersectRect(overlap, r, TRect(clip))) continue;
        TSaveDC saved(dc);
        // Relative moves, so that painting nested into another control's DC adds up.
        OffsetViewportOrgEx(dc, c->left_, c->top_, nullptr);
        IntersectClipRect(dc, 0, 0, c->width_, c->height_);
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    }
}

void TWinControl::WMEraseBkgnd(TMessage& Message) {
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    if (GetParentBackground() && parent_ && parent_->HandleAllocated()) {
        int saved = SaveDC(dc);
        OffsetViewportOrgEx(dc, -left_, -top_, nullptr);
        TRect pr = parent_->GetClientRect();
        IntersectClipRect(dc, 0, 0, pr.Width(), pr.Height());
        parent_->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        parent_->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        RestoreDC(dc, saved);
        Message.Result = 1;
        return;
    }
    RECT r = GetClientRect();
    FillRect(dc, &r, BrushHandle());
    Message.Result = 1;
}

void TWinControl::Invalidate() { InvalidateRect(nullptr, !ControlStyle.Contains(csOpaque)); }

void TWinControl::InvalidateRect(const TRect* r, bool erase) {
    if (!handle_) return;
    if (r) {
        RECT rr = *r;
        ::InvalidateRect(handle_, &rr, erase);
    } else {
        ::InvalidateRect(handle_, nullptr, erase);
    }
}

void TWinControl::Update() {
    if (handle_) UpdateWindow(handle_);
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

// --- bounds

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    Constraints()->Apply(AWidth, AHeight);
    if (AWidth < 0) AWidth = 0;
    if (AHeight < 0) AHeight = 0;
    if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
    if (handle_ && !IsIconic(handle_)) {
        // WM_WINDOWPOSCHANGED brings the new bounds in and realigns.
        SetWindowPos(handle_, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        bool sized = AWidth != width_ || AHeight != height_;
        left_ = ALeft;
        top_ = ATop;
        width_ = AWidth;
        height_ = AHeight;
        if (sized) {
            Realign();
            Resize();
        }
    }
    if (!anchoring_) UpdateAnchorRules();
    RequestAlign();
}

void TWinControl::BoundsChanged() {}

void TWinControl::UpdateBounds() {
    if (!handle_ || IsIconic(handle_)) return;
    RECT r;
    GetWindowRect(handle_, &r);
    if (GetWindowLongPtrA(handle_, GWL_STYLE) & WS_CHILD) {
        if (HWND p = GetParent(handle_)) MapWindowPoints(nullptr, p, reinterpret_cast<POINT*>(&r), 2);
    }
    left_ = r.left;
    top_ = r.top;
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
}

void TWinControl::WMWindowPosChanged(TMessage& Message) {
    auto* wp = reinterpret_cast<WINDOWPOS*>(Message.LParam);
    if (wp && (wp->flags & (SWP_NOSIZE | SWP_NOMOVE)) != (SWP_NOSIZE | SWP_NOMOVE)) {
        int oldW = width_, oldH = height_;
        UpdateBounds();
        if (width_ != oldW || height_ != oldH) {
            Realign();
            Resize();
        }
    }
    DefaultHandler(Message);
}

TRect TWinControl::GetClientRect() const {
    if (handle_) {
        RECT r;
        ::GetClientRect(handle_, &r);
        return r;
    }
    TCreateParams p;
    const_cast<TWinControl*>(this)->CreateParams(p);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, p.Style & ~WS_VISIBLE, FALSE, p.ExStyle);
    return TRect(0, 0, std::max<int>(0, width_ - (frame.right - frame.left)), std::max<int>(0, height_ - (frame.bottom - frame.top)));
}

void TWinControl::SetClientSize(int w, int h) {
    TRect r = GetClientRect();
    SetBounds(left_, top_, width_ - r.Width() + w, height_ - r.Height() + h);
}

TPoint TWinControl::GetClientOrigin() const {
    if (handle_) {
        POINT p{0, 0};
        ::ClientToScreen(handle_, &p);
        return TPoint(p);
    }
    TCreateParams p;
    const_cast<TWinControl*>(this)->CreateParams(p);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, p.Style & ~WS_VISIBLE, FALSE, p.ExStyle);
    TPoint o = parent_ ? parent_->GetClientOrigin() : TPoint(0, 0);
    return TPoint(o.X + left_ - frame.left, o.Y + top_ - frame.top);
}

bool TWinControl::Showing() const {
    if (handle_) return IsWindowVisible(handle_) != 0;
    return false;
}

void TWinControl::UpdateShowing() {
    if (!handle_) return;
    bool shown = (GetWindowLongPtrA(handle_, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown == visible_) return;
    ShowWindow(handle_, visible_ ? SW_SHOWNOACTIVATE : SW_HIDE);
    if (!visible_) {
        if (auto* f = GetParentForm(); f && f != this) f->DefocusControl(this, false);
    }
}

// --- text

std::string TWinControl::GetTextValue() const {
    if (!handle_) return text_;
    int n = GetWindowTextLengthA(handle_);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(handle_, s.data(), n + 1);
    s.resize(static_cast<size_t>(std::max(0, n)));
    return s;
}

void TWinControl::SetTextValue(const std::string& v) {
    if (v == GetTextValue()) return;
    text_ = v;
    if (handle_) SetWindowTextA(handle_, v.c_str());
    Perform(CM_TEXTCHANGED);
}

// --- children (the rest in ControlsAlign.cpp)

// Also lets go of the mouse tracking and capture the control or one inside it held.
void TWinControl::RemoveControl(TControl* c) {
    auto it = std::find(controls_.begin(), controls_.end(), c);
    if (it == controls_.end()) return;
    if (auto* f = GetParentForm()) {
        if (auto* w = dynamic_cast<TWinControl*>(c)) f->DefocusControl(w, true);
    }
    auto within = [c](TControl* x) {
        for (; x; x = x->parent_)
            if (x == c) return true;
        return false;
    };
    if (within(gMouseControl)) gMouseControl = nullptr;
    if (within(gCaptureControl)) SetCaptureControl(nullptr);
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        if (!IsDestroying()) w->DestroyHandle();
        else if (w->handle_) w->DestroyWindowHandle();
        tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
        for (size_t i = 0; i < tabList_.size(); ++i) tabList_[i]->tabOrder_ = static_cast<int>(i);
    } else {
        c->Invalidate();
    }
    controls_.erase(std::find(controls_.begin(), controls_.end(), c));
    c->parent_ = nullptr;
    if (c->align_ != alNone && !IsDestroying()) Realign();
    if (!IsDestroying()) Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(c), 0);
}

// --- keys

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}
void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}
void TWinControl::KeyPress(char& Key) {
    if (OnKeyPress) OnKeyPress(this, Key);
}

template <class Key, class Handler>
bool TWinControl::DispatchKey(TMessage& Message, bool (TWinControl::*Preview)(TMessage&), Handler&& handle) {
    // A handler that frees this control leaves nothing to hand the key on to.
    TControlWatch watch(this);
    auto* form = GetParentForm();
    if (form && form != this && form->GetKeyPreview() && (form->*Preview)(Message)) return true;
    if (watch.Freed()) return true;
    Key key = static_cast<Key>(Message.WParam);
    handle(key);
    if (watch.Freed() || key == 0) return true;
    Message.WParam = static_cast<std::make_unsigned_t<Key>>(key);
    return false;
}

bool TWinControl::DoKeyDown(TMessage& Message) {
    return DispatchKey<WORD>(Message, &TWinControl::DoKeyDown,
                             [&](WORD& key) { KeyDown(key, KeyDataToShiftState(Message.LParam)); });
}

bool TWinControl::DoKeyUp(TMessage& Message) {
    return DispatchKey<WORD>(Message, &TWinControl::DoKeyUp,
                             [&](WORD& key) { KeyUp(key, KeyDataToShiftState(Message.LParam)); });
}

bool TWinControl::DoKeyPress(TMessage& Message) {
    return DispatchKey<char>(Message, &TWinControl::DoKeyPress, [this](char& key) { KeyPress(key); });
}

// ---------------------------------------------------------------------------------------
// TControlCanvas

IMPLEMENT_CLASS(TControlCanvas);

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* value) {
    if (value == control_) return;
    FreeHandle();
    control_ = value;
}

void TControlCanvas::FreeHandle() {
    if (!ownDC_) return;
    SetHandle(nullptr);
    ReleaseDC(ownWnd_, ownDC_);
    ownDC_ = nullptr;
    ownWnd_ = nullptr;
}

void TControlCanvas::SetPaintDC(HDC dc) {
    FreeHandle();
    SetHandle(dc);
}

void TControlCanvas::CreateHandle() {
    if (!control_) return;
    if (auto* w = dynamic_cast<TWinControl*>(control_)) {
        ownWnd_ = w->Handle();
        ownDC_ = GetDCEx(ownWnd_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    } else if (auto* p = control_->Parent()) {
        ownWnd_ = p->Handle();
        ownDC_ = GetDCEx(ownWnd_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
        if (ownDC_) {
            SetViewportOrgEx(ownDC_, control_->Left(), control_->Top(), nullptr);
            IntersectClipRect(ownDC_, 0, 0, control_->Width(), control_->Height());
        }
    }
    if (ownDC_) SetHandle(ownDC_);
}

// ---------------------------------------------------------------------------------------
// TGraphicControl

IMPLEMENT_CLASS(TGraphicControl);

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), canvas_(std::make_unique<TControlCanvas>()) {
    canvas_->SetControl(this);
}

TGraphicControl::~TGraphicControl() { canvas_->FreeHandle(); }

void TGraphicControl::WndProc(TMessage& Message) {
    if (Message.Msg == WM_PAINT && Message.WParam) {
        PaintOnCanvas(*canvas_, reinterpret_cast<HDC>(Message.WParam), *this, [this] { Paint(); });
        return;
    }
    TControl::WndProc(Message);
}

// ---------------------------------------------------------------------------------------
// TCustomControl

IMPLEMENT_CLASS(TCustomControl);

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TControlCanvas>()) {
    canvas_->SetControl(this);
    ControlState.Include(csCustomPaint);
}

TCustomControl::~TCustomControl() { canvas_->FreeHandle(); }

void TCustomControl::PaintWindow(HDC DC) {
    PaintOnCanvas(*canvas_, DC, *this, [this] { Paint(); });
}

// ---------------------------------------------------------------------------------------
// THintWindow

IMPLEMENT_CLASS(THintWindow);

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    color_ = clInfoBk;
    SetParentColor(false);
    Font()->SetColor(clInfoText);
    visible_ = false;
}

void THintWindow::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    Params.ClassStyle |= CS_SAVEBITS;
    Params.WndParent = nullptr;
}

bool THintWindow::IsHintShowing() const { return handle_ && IsWindowVisible(handle_); }

TRect THintWindow::CalcHintRect(int MaxWidth, const std::string& AHint) {
    TRect r(0, 0, MaxWidth, 0);
    // Making the font may throw: the screen DC must go back all the same.
    TWindowDC screen(nullptr);
    HDC dc = screen.Get();
    TSelectObject font(dc, Font()->Handle());
    RECT rr = r;
    DrawTextA(dc, AHint.c_str(), static_cast<int>(AHint.size()), &rr, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    r = TRect(rr);
    r.Right += 6 + 2;
    r.Bottom += 2 + 2;
    return r;
}

void THintWindow::ActivateHint(TRect Rect, const std::string& AHint) {
    text_ = AHint;
    HandleNeeded();
    if (handle_) SetWindowTextA(handle_, AHint.c_str());
    // Keep the tip on the screen.
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (Rect.Right > work.right) Rect.Offset(work.right - Rect.Right, 0);
    if (Rect.Left < work.left) Rect.Offset(work.left - Rect.Left, 0);
    if (Rect.Bottom > work.bottom) Rect.Offset(0, work.bottom - Rect.Bottom);
    if (Rect.Top < work.top) Rect.Offset(0, work.top - Rect.Top);
    SetWindowPos(handle_, HWND_TOPMOST, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    visible_ = true;
    UpdateBounds();
    ::InvalidateRect(handle_, nullptr, TRUE);
}

void THintWindow::Paint() {
    TRect r = GetClientRect();
    Canvas()->Brush()->SetColor(GetColor());
    Canvas()->FillRect(r);
    r.Inflate(-2, -1);
    r.Left += 1;
    Canvas()->Brush()->SetStyle(bsClear);
    Canvas()->Font()->SetColor(Font()->GetColor());
    Canvas()->DrawText(text_, r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

void THintWindow::WndProc(TMessage& Message) {
    if (Message.Msg == WM_NCHITTEST) {
        Message.Result = HTTRANSPARENT;
        return;
    }
    if (Message.Msg == WM_MOUSEACTIVATE) {
        Message.Result = MA_NOACTIVATE;
        return;
    }
    TCustomControl::WndProc(Message);
}

// ---------------------------------------------------------------------------------------
// TWindowProcHook

struct TWindowProcHook::TLink {
    TControl* Control = nullptr;
    TComponentWatch Watch;
    THandler Handler;
    TWndMethod Next;
    bool Active = true;
};

// What the chain holds for one hook; recognised by type when a hook is unlinked.
struct TWindowProcHook::TCall {
    std::shared_ptr<TLink> Link;
    void operator()(TMessage& m) const {
        // The chain may be rewritten while the message is handled: hold the link.
        std::shared_ptr<TLink> link = Link;
        if (link->Active) link->Handler(m, link->Next);
        else if (link->Next) link->Next(m);
    }
};

TWindowProcHook::TWindowProcHook(TControl* Control, THandler Handler)
    : link_(std::make_shared<TLink>(TLink{Control, TComponentWatch(Control), std::move(Handler), {}, true})) {
    link_->Next = Control->WindowProc;
    Control->WindowProc = TCall{link_};
}

TWindowProcHook::~TWindowProcHook() { Remove(); }

bool TWindowProcHook::Installed() const { return link_->Active && !link_->Watch.Freed(); }

void TWindowProcHook::Remove() {
    if (!link_->Active) return;
    link_->Active = false;
    if (link_->Watch.Freed()) return;
    // Walk the chain of hooks from the control's end to find the slot that holds this one.
    TWndMethod* slot = &link_->Control->WindowProc;
    while (const TCall* call = slot->target<TCall>()) {
        if (call->Link == link_) {
            TWndMethod next = link_->Next;
            *slot = std::move(next);
            return;
        }
        slot = &call->Link->Next;
    }
}
