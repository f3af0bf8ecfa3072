#include "ComSupport.h"
#include <vector>

namespace quorbel {

HMODULE g_module = nullptr;

namespace {
LONG g_objects = 0;
LONG g_locks = 0;
ITypeLib* g_typeLib = nullptr;
}

std::wstring ModulePath() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(g_module, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::wstring();
        if (n < buf.size()) return std::wstring(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

void ObjectCreated() noexcept { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() noexcept { InterlockedDecrement(&g_objects); }
void ServerLock(bool lock) noexcept {
    if (lock) InterlockedIncrement(&g_locks);
    else InterlockedDecrement(&g_locks);
}
bool ServerInUse() noexcept { return g_objects > 0 || g_locks > 0; }

HRESULT GetTypeLib(ITypeLib** out) noexcept {
    *out = nullptr;
    if (!g_typeLib) {
        try {
            std::wstring path = ModulePath();
            if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
            HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &g_typeLib);
            if (FAILED(hr)) return hr;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    g_typeLib->AddRef();
    *out = g_typeLib;
    return S_OK;
}

void DropTypeLib() noexcept {
    if (g_typeLib) {
        g_typeLib->Release();
        g_typeLib = nullptr;
    }
}

HRESULT Fail(HRESULT hr, REFIID iid, const std::wstring& text) noexcept {
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        create->SetGUID(iid);
        create->SetSource(const_cast<LPOLESTR>(L"Quorbel.ProgramList"));
        create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
            SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return hr;
}

HRESULT ToBstr(const std::wstring& s, BSTR* out) noexcept {
    if (s.size() > 0x3FFFFFFF) return E_OUTOFMEMORY;
    *out = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

std::wstring FromBstr(BSTR b) {
    return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

} // namespace quorbel
