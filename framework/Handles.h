// Move-only owners for the Win32 handles the program holds, and COM helpers.
#pragma once
#include "framework/Win.h"
#include <string>
#include <utility>


// A generic owner: Traits::Invalid() is the empty value, Traits::Close(h) releases it.
template <class Traits>
class THandle {
public:
    using handle_type = typename Traits::Type;
    THandle() noexcept : h_(Traits::Invalid()) {}
    explicit THandle(handle_type h) noexcept : h_(h) {}
    THandle(THandle&& o) noexcept : h_(o.Release()) {}
    THandle& operator=(THandle&& o) noexcept { if (this != &o) Reset(o.Release()); return *this; }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    ~THandle() { Reset(); }

    handle_type Get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }
    handle_type Release() noexcept { handle_type h = h_; h_ = Traits::Invalid(); return h; }
    void Reset(handle_type h = Traits::Invalid()) noexcept {
        if (h_ != Traits::Invalid() && h_ != h) Traits::Close(h_);
        h_ = h;
    }
    // For APIs that return the handle through an out-parameter.
    handle_type* Put() noexcept { Reset(); return &h_; }

private:
    handle_type h_;
};

namespace handle_traits {
struct Key { using Type = HKEY; static HKEY Invalid() { return nullptr; } static void Close(HKEY h) { RegCloseKey(h); } };
struct Kernel { using Type = HANDLE; static HANDLE Invalid() { return nullptr; } static void Close(HANDLE h) { CloseHandle(h); } };
struct File { using Type = HANDLE; static HANDLE Invalid() { return INVALID_HANDLE_VALUE; } static void Close(HANDLE h) { CloseHandle(h); } };
struct FindFile { using Type = HANDLE; static HANDLE Invalid() { return INVALID_HANDLE_VALUE; } static void Close(HANDLE h) { FindClose(h); } };
struct Module { using Type = HMODULE; static HMODULE Invalid() { return nullptr; } static void Close(HMODULE h) { FreeLibrary(h); } };
struct GdiObject { using Type = HGDIOBJ; static HGDIOBJ Invalid() { return nullptr; } static void Close(HGDIOBJ h) { DeleteObject(h); } };
struct MemDC { using Type = HDC; static HDC Invalid() { return nullptr; } static void Close(HDC h) { DeleteDC(h); } };
struct Icon { using Type = HICON; static HICON Invalid() { return nullptr; } static void Close(HICON h) { DestroyIcon(h); } };
struct ImageList { using Type = HIMAGELIST; static HIMAGELIST Invalid() { return nullptr; } static void Close(HIMAGELIST h) { ImageList_Destroy(h); } };
struct Pidl { using Type = LPITEMIDLIST; static LPITEMIDLIST Invalid() { return nullptr; } static void Close(LPITEMIDLIST p) { CoTaskMemFree(p); } };
struct Menu { using Type = HMENU; static HMENU Invalid() { return nullptr; } static void Close(HMENU h) { DestroyMenu(h); } };
struct Region { using Type = HRGN; static HRGN Invalid() { return nullptr; } static void Close(HRGN h) { DeleteObject(h); } };
struct GlobalMem { using Type = HGLOBAL; static HGLOBAL Invalid() { return nullptr; } static void Close(HGLOBAL h) { GlobalFree(h); } };
}

using TKeyHandle = THandle<handle_traits::Key>;
using TKernelHandle = THandle<handle_traits::Kernel>;
using TFileHandle = THandle<handle_traits::File>;
using TFindHandle = THandle<handle_traits::FindFile>;
using TModuleHandle = THandle<handle_traits::Module>;
using TGdiHandle = THandle<handle_traits::GdiObject>;
using TMemDCHandle = THandle<handle_traits::MemDC>;
using TIconHandle = THandle<handle_traits::Icon>;
using TImageListHandle = THandle<handle_traits::ImageList>;
using TPidlHandle = THandle<handle_traits::Pidl>;
using TMenuHandle = THandle<handle_traits::Menu>;
using TRegionHandle = THandle<handle_traits::Region>;
using TGlobalHandle = THandle<handle_traits::GlobalMem>;

// A window's device context from GetDC, given back with ReleaseDC.
class TWindowDC {
public:
    explicit TWindowDC(HWND wnd) noexcept : wnd_(wnd), dc_(GetDC(wnd)) {}
    ~TWindowDC() { if (dc_) ReleaseDC(wnd_, dc_); }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const noexcept { return dc_; }
private:
    HWND wnd_;
    HDC dc_;
};

// Selects a GDI object into a DC for a scope and puts the previous one back.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    ~TSelectObject() { if (old_) SelectObject(dc_, old_); }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;
private:
    HDC dc_;
    HGDIOBJ old_;
};

// A counted COM reference.
template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    explicit ComPtr(T* p, bool addRef = true) noexcept : p_(p) { if (p_ && addRef) p_->AddRef(); }
    ComPtr(const ComPtr& o) noexcept : p_(o.p_) { if (p_) p_->AddRef(); }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }
    ~ComPtr() { if (p_) p_->Release(); }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void Reset() noexcept { if (p_) { p_->Release(); p_ = nullptr; } }
    T** Put() noexcept { Reset(); return &p_; }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    T* Detach() noexcept { return std::exchange(p_, nullptr); }
    template <class U>
    HRESULT As(const IID& iid, ComPtr<U>& out) const noexcept {
        return p_ ? p_->QueryInterface(iid, out.PutVoid()) : E_POINTER;
    }

private:
    T* p_ = nullptr;
};

// An owned BSTR.
class BStr {
public:
    BStr() noexcept = default;
    explicit BStr(const wchar_t* s) : b_(s ? SysAllocString(s) : nullptr) {}
    explicit BStr(const std::wstring& s) : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    BStr(BStr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
    BStr& operator=(BStr&& o) noexcept { if (this != &o) { Reset(); b_ = std::exchange(o.b_, nullptr); } return *this; }
    BStr(const BStr&) = delete;
    BStr& operator=(const BStr&) = delete;
    ~BStr() { Reset(); }

    BSTR Get() const noexcept { return b_; }
    BSTR* Put() noexcept { Reset(); return &b_; }
    BSTR Detach() noexcept { return std::exchange(b_, nullptr); }
    void Reset() noexcept { if (b_) { SysFreeString(b_); b_ = nullptr; } }
    std::wstring Str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

private:
    BSTR b_ = nullptr;
};

// Text conversions at the COM boundary: the program's strings are in the system code page.
std::wstring ToWide(const std::string& s);
std::string FromWide(const std::wstring& s);
std::string FromWide(const wchar_t* s);

