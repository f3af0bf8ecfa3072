// COM plumbing shared by the objects of Quorbel.dll: module state, error information,
// BSTR results and a dual-interface base that answers IDispatch from the type library.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <new>
#include <string>
#include "QuorbelLib.h"

namespace quorbel {

extern HMODULE g_module;

std::wstring ModulePath();

// DllCanUnloadNow answers from these counts.
void ObjectCreated() noexcept;
void ObjectDestroyed() noexcept;
void ServerLock(bool lock) noexcept;
bool ServerInUse() noexcept;

// The embedded type library, loaded once; dropped when the server may unload.
HRESULT GetTypeLib(ITypeLib** out) noexcept;
void DropTypeLib() noexcept;

// Publishes text through SetErrorInfo and returns hr, so a failure reads `return Fail(...)`.
HRESULT Fail(HRESULT hr, REFIID iid, const std::wstring& text) noexcept;

// A BSTR for the caller; *out stays null on failure.
HRESULT ToBstr(const std::wstring& s, BSTR* out) noexcept;
std::wstring FromBstr(BSTR b);

// Runs a method body; C++ exceptions must not cross the COM boundary.
template <class F>
HRESULT Guard(REFIID iid, F&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return Fail(E_OUTOFMEMORY, iid, L"Not enough memory.");
    } catch (...) {
        return Fail(E_UNEXPECTED, iid, L"Unexpected internal error.");
    }
}

// IUnknown, IDispatch and ISupportErrorInfo for one dual interface.
template <class Itf, const IID& Iid>
class TDispatchObject : public Itf, public ISupportErrorInfo {
public:
    TDispatchObject(const TDispatchObject&) = delete;
    TDispatchObject& operator=(const TDispatchObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, Iid)) {
            *ppv = static_cast<Itf*>(this);
        } else if (IsEqualIID(riid, IID_ISupportErrorInfo)) {
            *ppv = static_cast<ISupportErrorInfo*>(this);
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        typeInfo_->AddRef();
        *info = typeInfo_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        return typeInfo_->GetIDsOfNames(names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        return typeInfo_->Invoke(static_cast<Itf*>(this), id, flags, params, result, excep, argErr);
    }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return IsEqualIID(riid, Iid) ? S_OK : S_FALSE;
    }

protected:
    TDispatchObject() noexcept { ObjectCreated(); }
    virtual ~TDispatchObject() {
        if (typeInfo_) typeInfo_->Release();
        ObjectDestroyed();
    }

    HRESULT Fail(HRESULT hr, const std::wstring& text) noexcept { return quorbel::Fail(hr, Iid, text); }
    template <class F>
    HRESULT Guard(F&& body) noexcept { return quorbel::Guard(Iid, static_cast<F&&>(body)); }

    // Out-parameter conventions: E_POINTER for a null pointer, a null BSTR on failure,
    // never a null BSTR on success.
    template <class Get>
    HRESULT ReturnText(BSTR* out, Get&& get) noexcept {
        if (!out) return Fail(E_POINTER, L"The result pointer is null.");
        *out = nullptr;
        return Guard([&]() -> HRESULT {
            std::wstring text;
            HRESULT hr = get(text);
            if (FAILED(hr)) return hr;
            hr = ToBstr(text, out);
            return FAILED(hr) ? Fail(hr, L"Not enough memory.") : hr;
        });
    }
    template <class T, class Get>
    HRESULT ReturnValue(T* out, Get&& get) noexcept {
        if (!out) return Fail(E_POINTER, L"The result pointer is null.");
        *out = T();
        return Guard([&]() -> HRESULT {
            T value = T();
            HRESULT hr = get(value);
            if (SUCCEEDED(hr)) *out = value;
            return hr;
        });
    }

private:
    HRESULT EnsureTypeInfo() noexcept {
        if (typeInfo_) return S_OK;
        ITypeLib* lib = nullptr;
        HRESULT hr = GetTypeLib(&lib);
        if (FAILED(hr)) return hr;
        hr = lib->GetTypeInfoOfGuid(Iid, &typeInfo_);
        lib->Release();
        return hr;
    }

    LONG refs_ = 1;
    ITypeInfo* typeInfo_ = nullptr;
};

} // namespace quorbel
