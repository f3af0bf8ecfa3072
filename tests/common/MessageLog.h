// Records the messages controls and windows receive and compares them with a declared
// sequence, in which entries may be optional:
//
//   TMessageLog log;
//   log.Watch(listView, {CN_NOTIFY, WM_SETREDRAW});     // only these; no list: every message
//   ... act ...
//   EXPECT_TRUE(log.Matches({Msg(WM_SETREDRAW).WParam(FALSE),
//                            Msg(CN_NOTIFY).Code(LVN_ITEMCHANGING),
//                            Msg(WM_PAINT).Optional(),
//                            Msg(WM_SETREDRAW).WParam(TRUE)}));
//
// A failed match lists both sequences by message name and marks the first difference; the
// EXPECT around it names the test's line.
#pragma once
#include "framework/Controls.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// A message as it arrived. Code is the notification code: NMHDR::code of a WM_NOTIFY or
// CN_NOTIFY, HIWORD(WParam) of a WM_COMMAND or CN_COMMAND (read on arrival, while the
// notification's structure is alive); 0 for other messages.
struct TLoggedMsg {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    UINT Code = 0;
    const void* Target = nullptr;   // the control or window it went to
};

// One entry of a declared sequence: the message, and whatever else is set here.
class TExpectedMsg {
public:
    TExpectedMsg(UINT msg) : msg_(msg) {}   // a bare message in a sequence checks only that
    // May be missing: a message some systems send and others do not.
    TExpectedMsg Optional() const { TExpectedMsg e = *this; e.optional_ = true; return e; }
    TExpectedMsg WParam(WPARAM w) const { TExpectedMsg e = *this; e.wparam_ = w; e.checkW_ = true; return e; }
    TExpectedMsg LParam(LPARAM l) const { TExpectedMsg e = *this; e.lparam_ = l; e.checkL_ = true; return e; }
    TExpectedMsg Code(UINT code) const { TExpectedMsg e = *this; e.code_ = code; e.checkCode_ = true; return e; }
    // The control (or window) it must have gone to.
    TExpectedMsg To(const void* target) const { TExpectedMsg e = *this; e.target_ = target; return e; }

    bool IsOptional() const { return optional_; }
    bool Fits(const TLoggedMsg& m) const;
    std::string Describe() const;

private:
    UINT msg_;
    bool optional_ = false;
    bool checkW_ = false, checkL_ = false, checkCode_ = false;
    WPARAM wparam_ = 0;
    LPARAM lparam_ = 0;
    UINT code_ = 0;
    const void* target_ = nullptr;
};

inline TExpectedMsg Msg(UINT msg) { return TExpectedMsg(msg); }

// WM_PAINT, CM_MOUSEENTER, CN_NOTIFY, ...; an unknown message as its number in hex.
std::string MessageName(UINT msg);

class TMessageLog {
public:
    TMessageLog();
    ~TMessageLog();
    TMessageLog(const TMessageLog&) = delete;
    TMessageLog& operator=(const TMessageLog&) = delete;

    // Records what control's WindowProc is given (the messages in only, or all when empty),
    // before the control handles it. A hook set on the same control later than this one must
    // be taken off first.
    void Watch(TControl* control, std::initializer_list<UINT> only = {});
    // The same for any window, through a subclass (for windows that are not our controls).
    void Watch(HWND wnd, std::initializer_list<UINT> only = {});
    // Takes every hook off (the destructor does too); controls freed meanwhile are left alone.
    void Stop();

    // Records a message by hand, from a handler of the test's own.
    void Add(const TMessage& m, const void* target = nullptr);
    void Add(UINT msg, WPARAM w = 0, LPARAM l = 0, const void* target = nullptr);

    const std::vector<TLoggedMsg>& Entries() const { return entries_; }
    int Count(UINT msg) const;
    void Clear() { entries_.clear(); }

    // Whether the messages recorded are the expected ones in order; optional entries may be
    // missing. Nothing recorded may be left over.
    ::testing::AssertionResult Matches(std::initializer_list<TExpectedMsg> expected) const;

private:
    struct THook;
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR data);
    static bool Wanted(const std::vector<UINT>& only, UINT msg);

    std::vector<TLoggedMsg> entries_;
    std::vector<std::unique_ptr<THook>> hooks_;
};
