#include "common/MessageLog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>

namespace {

struct TName {
    UINT Msg;
    const char* Name;
};

const TName kWindowMessages[] = {
    {WM_CREATE, "WM_CREATE"}, {WM_DESTROY, "WM_DESTROY"}, {WM_MOVE, "WM_MOVE"}, {WM_SIZE, "WM_SIZE"},
    {WM_ACTIVATE, "WM_ACTIVATE"}, {WM_SETFOCUS, "WM_SETFOCUS"}, {WM_KILLFOCUS, "WM_KILLFOCUS"},
    {WM_ENABLE, "WM_ENABLE"}, {WM_SETREDRAW, "WM_SETREDRAW"}, {WM_SETTEXT, "WM_SETTEXT"},
    {WM_GETTEXT, "WM_GETTEXT"}, {WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"}, {WM_PAINT, "WM_PAINT"},
    {WM_CLOSE, "WM_CLOSE"}, {WM_QUERYENDSESSION, "WM_QUERYENDSESSION"}, {WM_ERASEBKGND, "WM_ERASEBKGND"},
    {WM_SYSCOLORCHANGE, "WM_SYSCOLORCHANGE"}, {WM_SHOWWINDOW, "WM_SHOWWINDOW"}, {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"},
    {WM_SETCURSOR, "WM_SETCURSOR"}, {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"}, {WM_GETMINMAXINFO, "WM_GETMINMAXINFO"},
    {WM_DRAWITEM, "WM_DRAWITEM"}, {WM_MEASUREITEM, "WM_MEASUREITEM"}, {WM_DELETEITEM, "WM_DELETEITEM"},
    {WM_SETFONT, "WM_SETFONT"}, {WM_GETFONT, "WM_GETFONT"}, {WM_COMPAREITEM, "WM_COMPAREITEM"},
    {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"}, {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
    {WM_NOTIFY, "WM_NOTIFY"}, {WM_CONTEXTMENU, "WM_CONTEXTMENU"}, {WM_NCCREATE, "WM_NCCREATE"},
    {WM_NCDESTROY, "WM_NCDESTROY"}, {WM_NCCALCSIZE, "WM_NCCALCSIZE"}, {WM_NCHITTEST, "WM_NCHITTEST"},
    {WM_NCPAINT, "WM_NCPAINT"}, {WM_NCACTIVATE, "WM_NCACTIVATE"}, {WM_GETDLGCODE, "WM_GETDLGCODE"},
    {WM_KEYDOWN, "WM_KEYDOWN"}, {WM_KEYUP, "WM_KEYUP"}, {WM_CHAR, "WM_CHAR"}, {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
    {WM_SYSKEYUP, "WM_SYSKEYUP"}, {WM_SYSCHAR, "WM_SYSCHAR"}, {WM_INITDIALOG, "WM_INITDIALOG"},
    {WM_COMMAND, "WM_COMMAND"}, {WM_SYSCOMMAND, "WM_SYSCOMMAND"}, {WM_TIMER, "WM_TIMER"},
    {WM_HSCROLL, "WM_HSCROLL"}, {WM_VSCROLL, "WM_VSCROLL"}, {WM_INITMENU, "WM_INITMENU"},
    {WM_INITMENUPOPUP, "WM_INITMENUPOPUP"}, {WM_MENUSELECT, "WM_MENUSELECT"}, {WM_ENTERIDLE, "WM_ENTERIDLE"},
    {WM_CTLCOLOREDIT, "WM_CTLCOLOREDIT"}, {WM_CTLCOLORLISTBOX, "WM_CTLCOLORLISTBOX"},
    {WM_CTLCOLORBTN, "WM_CTLCOLORBTN"}, {WM_CTLCOLORDLG, "WM_CTLCOLORDLG"},
    {WM_CTLCOLORSCROLLBAR, "WM_CTLCOLORSCROLLBAR"}, {WM_CTLCOLORSTATIC, "WM_CTLCOLORSTATIC"},
    {WM_CTLCOLORMSGBOX, "WM_CTLCOLORMSGBOX"}, {WM_MOUSEMOVE, "WM_MOUSEMOVE"}, {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
    {WM_LBUTTONUP, "WM_LBUTTONUP"}, {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"}, {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
    {WM_RBUTTONUP, "WM_RBUTTONUP"}, {WM_RBUTTONDBLCLK, "WM_RBUTTONDBLCLK"}, {WM_MBUTTONDOWN, "WM_MBUTTONDOWN"},
    {WM_MBUTTONUP, "WM_MBUTTONUP"}, {WM_MBUTTONDBLCLK, "WM_MBUTTONDBLCLK"}, {WM_MOUSEWHEEL, "WM_MOUSEWHEEL"},
    {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"}, {WM_MOUSELEAVE, "WM_MOUSELEAVE"}, {WM_PRINT, "WM_PRINT"},
    {WM_PRINTCLIENT, "WM_PRINTCLIENT"}, {WM_CANCELMODE, "WM_CANCELMODE"},
};

const char* const kControlMessages[] = {
    "CM_ACTIVATE", "CM_DEACTIVATE", "CM_MOUSEENTER", "CM_MOUSELEAVE", "CM_ENABLEDCHANGED", "CM_VISIBLECHANGED",
    "CM_TEXTCHANGED", "CM_FONTCHANGED", "CM_COLORCHANGED", "CM_PARENTFONTCHANGED", "CM_PARENTCOLORCHANGED",
    "CM_PARENTSHOWHINTCHANGED", "CM_SHOWINGCHANGED", "CM_DIALOGKEY", "CM_DIALOGCHAR", "CM_WANTSPECIALKEY",
    "CM_HINTSHOW", "CM_SYSCOLORCHANGE", "CM_ENTER", "CM_EXIT", "CM_FOCUSCHANGED", "CM_DESIGNHITTEST",
    "CM_RELEASE", "CM_BORDERCHANGED", "CM_RECREATEWND", "CM_SHOWHINTCHANGED", "CM_CONTROLCHANGE",
    "CM_CANCELMODE", "CM_INVOKEHELP",
};

const char* WindowMessageName(UINT msg) {
    for (const auto& n : kWindowMessages)
        if (n.Msg == msg) return n.Name;
    return nullptr;
}

std::string Hex(uintptr_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
    return buf;
}

std::string Describe(const TLoggedMsg& m) {
    std::string s = MessageName(m.Msg);
    if (m.Code) s += " code " + std::to_string(static_cast<int>(m.Code));
    s += " w " + Hex(m.WParam) + " l " + Hex(static_cast<uintptr_t>(m.LParam));
    return s;
}

} // namespace

std::string MessageName(UINT msg) {
    if (const char* n = WindowMessageName(msg)) return n;
    if (msg >= CM_BASE && msg - CM_BASE < std::size(kControlMessages)) return kControlMessages[msg - CM_BASE];
    if (msg >= CN_BASE && msg < CN_BASE + 0x1000) {
        if (const char* n = WindowMessageName(msg - CN_BASE)) return std::string("CN_") + (n + 3);
        return "CN_BASE + " + Hex(msg - CN_BASE);
    }
    return Hex(msg);
}

// ---- expected entries

bool TExpectedMsg::Fits(const TLoggedMsg& m) const {
    return m.Msg == msg_ && (!checkW_ || m.WParam == wparam_) && (!checkL_ || m.LParam == lparam_) &&
           (!checkCode_ || m.Code == code_) && (!target_ || m.Target == target_);
}

std::string TExpectedMsg::Describe() const {
    std::string s = MessageName(msg_);
    if (checkCode_) s += " code " + std::to_string(static_cast<int>(code_));
    if (checkW_) s += " w " + Hex(wparam_);
    if (checkL_) s += " l " + Hex(static_cast<uintptr_t>(lparam_));
    if (target_) s += " to " + Hex(reinterpret_cast<uintptr_t>(target_));
    if (optional_) s += " (optional)";
    return s;
}

// ---- recording

struct TMessageLog::THook {
    TMessageLog* Log = nullptr;
    std::vector<UINT> Only;
    TControl* Control = nullptr;
    std::optional<TComponentWatch> Alive;
    TWndMethod Previous;
    HWND Wnd = nullptr;
};

TMessageLog::TMessageLog() = default;

TMessageLog::~TMessageLog() { Stop(); }

bool TMessageLog::Wanted(const std::vector<UINT>& only, UINT msg) {
    return only.empty() || std::find(only.begin(), only.end(), msg) != only.end();
}

void TMessageLog::Watch(TControl* control, std::initializer_list<UINT> only) {
    auto hook = std::make_unique<THook>();
    THook* h = hook.get();
    h->Log = this;
    h->Only = only;
    h->Control = control;
    h->Alive.emplace(control);
    h->Previous = control->WindowProc;
    control->WindowProc = [h](TMessage& m) {
        if (Wanted(h->Only, m.Msg)) h->Log->Add(m, h->Control);
        h->Previous(m);
    };
    hooks_.push_back(std::move(hook));
}

void TMessageLog::Watch(HWND wnd, std::initializer_list<UINT> only) {
    auto hook = std::make_unique<THook>();
    hook->Log = this;
    hook->Only = only;
    hook->Wnd = wnd;
    if (!SetWindowSubclass(wnd, SubclassProc, reinterpret_cast<UINT_PTR>(hook.get()),
                           reinterpret_cast<DWORD_PTR>(hook.get()))) {
        ADD_FAILURE() << "Cannot watch window " << Hex(reinterpret_cast<uintptr_t>(wnd));
        return;
    }
    hooks_.push_back(std::move(hook));
}

LRESULT CALLBACK TMessageLog::SubclassProc(HWND wnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR data) {
    auto* h = reinterpret_cast<THook*>(data);
    if (Wanted(h->Only, msg)) h->Log->Add(TMessage{msg, w, l, 0}, wnd);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(wnd, SubclassProc, id);
        h->Wnd = nullptr;
    }
    return DefSubclassProc(wnd, msg, w, l);
}

void TMessageLog::Stop() {
    // Last hook first: each put back the procedure that was there before it.
    for (auto it = hooks_.rbegin(); it != hooks_.rend(); ++it) {
        THook& h = **it;
        if (h.Control && !h.Alive->Freed()) h.Control->WindowProc = std::move(h.Previous);
        if (h.Wnd && IsWindow(h.Wnd)) RemoveWindowSubclass(h.Wnd, SubclassProc, reinterpret_cast<UINT_PTR>(&h));
    }
    hooks_.clear();
}

void TMessageLog::Add(const TMessage& m, const void* target) {
    TLoggedMsg e{m.Msg, m.WParam, m.LParam, 0, target};
    if ((m.Msg == WM_NOTIFY || m.Msg == CN_NOTIFY) && m.LParam) e.Code = reinterpret_cast<const NMHDR*>(m.LParam)->code;
    else if (m.Msg == WM_COMMAND || m.Msg == CN_COMMAND) e.Code = HIWORD(m.WParam);
    entries_.push_back(e);
}

void TMessageLog::Add(UINT msg, WPARAM w, LPARAM l, const void* target) { Add(TMessage{msg, w, l, 0}, target); }

int TMessageLog::Count(UINT msg) const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [msg](const TLoggedMsg& e) { return e.Msg == msg; }));
}

// ---- comparing

::testing::AssertionResult TMessageLog::Matches(std::initializer_list<TExpectedMsg> expected) const {
    const TExpectedMsg* exp = expected.begin();
    size_t nExp = expected.size(), i = 0, j = 0;
    std::string problem;
    while (j < nExp && problem.empty()) {
        if (i < entries_.size() && exp[j].Fits(entries_[i])) {
            ++i;
            ++j;
        } else if (exp[j].IsOptional()) {
            ++j;
        } else {
            problem = "expected " + exp[j].Describe() + ", got " +
                      (i < entries_.size() ? Describe(entries_[i]) : std::string("nothing more"));
        }
    }
    if (problem.empty() && i < entries_.size()) problem = "got " + Describe(entries_[i]) + " after the expected end";
    if (problem.empty()) return ::testing::AssertionSuccess();

    std::ostringstream out;
    out << "message " << i + 1 << ": " << problem << "\n  recorded:";
    for (size_t k = 0; k < entries_.size(); ++k) out << (k == i ? "\n  > " : "\n    ") << Describe(entries_[k]);
    out << "\n  expected:";
    for (size_t k = 0; k < nExp; ++k) out << (k == j ? "\n  > " : "\n    ") << exp[k].Describe();
    return ::testing::AssertionFailure() << out.str();
}
