// Entry points of Quorbel.dll: the class factory and self-registration.
#include "ProgramList.h"
#include <olectl.h>

namespace quorbel {

namespace {

constexpr wchar_t kProgId[] = L"Quorbel.ProgramList";
constexpr wchar_t kClassName[] = L"Quorbel ProgramList";

class TClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is a static object; references to it keep the server loaded instead.
    ULONG STDMETHODCALLTYPE AddRef() override {
        ServerLock(true);
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        ServerLock(false);
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return TProgramList::Create(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        ServerLock(lock != FALSE);
        return S_OK;
    }
};

TClassFactory g_factory;

std::wstring GuidText(REFGUID guid) {
    wchar_t buf[40];
    StringFromGUID2(guid, buf, 40);
    return buf;
}

LONG SetKeyText(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc;
}

LONG DeleteTree(const std::wstring& path) {
    LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

HRESULT RegisterClassKeys(const std::wstring& path) {
    const std::wstring clsid = L"CLSID\\" + GuidText(CLSID_ProgramList);
    struct Entry { std::wstring key; const wchar_t* name; std::wstring value; };
    const Entry entries[] = {
        {clsid, nullptr, kClassName},
        {clsid + L"\\InprocServer32", nullptr, path},
        {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsid + L"\\ProgID", nullptr, kProgId},
        {clsid + L"\\TypeLib", nullptr, GuidText(LIBID_QuorbelLib)},
        {clsid + L"\\Version", nullptr, L"1.0"},
        {kProgId, nullptr, kClassName},
        {std::wstring(kProgId) + L"\\CLSID", nullptr, GuidText(CLSID_ProgramList)},
    };
    for (const auto& e : entries)
        if (SetKeyText(e.key, e.name, e.value) != ERROR_SUCCESS) return SELFREG_E_CLASS;
    return S_OK;
}

} // namespace

} // namespace quorbel

using namespace quorbel;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_ProgramList)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() {
    if (ServerInUse()) return S_FALSE;
    DropTypeLib();
    return S_OK;
}

STDAPI DllRegisterServer() {
    try {
        std::wstring path = ModulePath();
        if (path.empty()) return SELFREG_E_CLASS;
        HRESULT hr = RegisterClassKeys(path);
        if (FAILED(hr)) return hr;
        ITypeLib* lib = nullptr;
        if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &lib))) return SELFREG_E_TYPELIB;
        lib->Release();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllUnregisterServer() {
    try {
        HRESULT result = S_OK;
        if (DeleteTree(L"CLSID\\" + GuidText(CLSID_ProgramList)) != ERROR_SUCCESS) result = SELFREG_E_CLASS;
        if (DeleteTree(kProgId) != ERROR_SUCCESS) result = SELFREG_E_CLASS;
        // Unregister with the attributes the library was registered with: widl writes the
        // system kind of the build (win32 or win64).
        ITypeLib* lib = nullptr;
        if (SUCCEEDED(LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &lib))) {
            TLIBATTR* attr = nullptr;
            if (SUCCEEDED(lib->GetLibAttr(&attr))) {
                // Unregistering what is not registered is no failure.
                BSTR registered = nullptr;
                if (SUCCEEDED(QueryPathOfRegTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                                                    &registered))) {
                    SysFreeString(registered);
                    if (FAILED(UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                                                 attr->syskind)))
                        result = SELFREG_E_TYPELIB;
                }
                lib->ReleaseTLibAttr(attr);
            }
            lib->Release();
        }
        return result;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
