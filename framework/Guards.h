// Scope guards: the cleanup half of a try/finally, written once.
//
//   TUpdateLock lock(*Items);        // BeginUpdate now, EndUpdate at scope exit
//   TSaveDC saved(dc);               // SaveDC now, RestoreDC at scope exit
//   TPaintDC paint(hwnd, wparam);    // the DC a paint message hands in, or BeginPaint/EndPaint
//   TRestore keep(busy_, true);      // sets a variable for the scope, puts the old value back
//   TScopeExit done([&] { ... });    // anything else
//
// Every guard releases on normal exit and during unwinding. TUpdateLock and TScopeExit run code
// that may fail: like a finally block, their failure goes on to the caller after a normal exit;
// while another exception unwinds it is dropped, since two at once would end the program.
#pragma once
#include "framework/Win.h"
#include <exception>
#include <type_traits>
#include <utility>

// BeginUpdate/EndUpdate on any object that has them (string lists, list items, tree nodes, ...).
template <class T>
class TUpdateLock {
public:
    explicit TUpdateLock(T& obj) : obj_(&obj) { obj_->BeginUpdate(); }
    explicit TUpdateLock(T* obj) : obj_(obj) { if (obj_) obj_->BeginUpdate(); }
    // EndUpdate runs change handlers, which may fail.
    ~TUpdateLock() noexcept(false) {
        if (!obj_) return;
        if (std::uncaught_exceptions() == unwinding_) {
            obj_->EndUpdate();
            return;
        }
        try { obj_->EndUpdate(); } catch (...) {}
    }
    TUpdateLock(const TUpdateLock&) = delete;
    TUpdateLock& operator=(const TUpdateLock&) = delete;
private:
    T* obj_;
    int unwinding_ = std::uncaught_exceptions();
};

// SaveDC for a scope; RestoreDC puts back the clip region, origins, selected objects and modes.
class TSaveDC {
public:
    explicit TSaveDC(HDC dc) noexcept : dc_(dc), saved_(dc ? SaveDC(dc) : 0) {}
    ~TSaveDC() { if (saved_) RestoreDC(dc_, saved_); }
    TSaveDC(const TSaveDC&) = delete;
    TSaveDC& operator=(const TSaveDC&) = delete;
    HDC Get() const noexcept { return dc_; }
private:
    HDC dc_;
    int saved_;
};

// The DC to paint on for WM_PAINT/WM_PRINTCLIENT: the one handed in (WParam) when there is one,
// otherwise BeginPaint's, ended with EndPaint. Get() is null when BeginPaint failed.
class TPaintDC {
public:
    TPaintDC(HWND wnd, WPARAM handedIn) noexcept : wnd_(wnd), dc_(reinterpret_cast<HDC>(handedIn)) {
        if (!dc_) {
            dc_ = BeginPaint(wnd_, &ps_);
            own_ = true;
        }
    }
    ~TPaintDC() { if (own_) EndPaint(wnd_, &ps_); }
    TPaintDC(const TPaintDC&) = delete;
    TPaintDC& operator=(const TPaintDC&) = delete;
    HDC Get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }
    // True when this guard called BeginPaint (PaintStruct() is then valid).
    bool OwnsPaint() const noexcept { return own_; }
    const PAINTSTRUCT& PaintStruct() const noexcept { return ps_; }
private:
    HWND wnd_;
    HDC dc_;
    PAINTSTRUCT ps_{};
    bool own_ = false;
};

// Gives a variable a value for the scope and puts the previous value back.
template <class T>
class TRestore {
public:
    explicit TRestore(T& var) : var_(var), old_(var) {}
    TRestore(T& var, T value) : var_(var), old_(var) { var_ = std::move(value); }
    ~TRestore() { var_ = std::move(old_); }
    TRestore(const TRestore&) = delete;
    TRestore& operator=(const TRestore&) = delete;
private:
    T& var_;
    T old_;
};

// Runs a callable at scope exit unless dismissed; Dismiss() after the work turns it into the
// cleanup of a failure only.
template <class F>
class TScopeExit {
public:
    explicit TScopeExit(F f) noexcept(std::is_nothrow_move_constructible_v<F>) : f_(std::move(f)) {}
    ~TScopeExit() noexcept(false) {
        if (!armed_) return;
        if (std::uncaught_exceptions() == unwinding_) {
            f_();
            return;
        }
        try { f_(); } catch (...) {}
    }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;
    void Dismiss() noexcept { armed_ = false; }
private:
    F f_;
    bool armed_ = true;
    int unwinding_ = std::uncaught_exceptions();
};
