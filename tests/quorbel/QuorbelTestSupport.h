// Shared by the Quorbel suites: the DLL beside the test exe, registered once for the run,
// and small registry and COM helpers.
#pragma once
#include "framework/Handles.h"
#include "QuorbelLib.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qtest {

// The registry view this process writes to when it names none, as the component numbers views.
inline constexpr LONG kOwnView = sizeof(void*) * 8;

inline std::wstring ExeFolder() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path(buf, n);
    return path.substr(0, path.rfind(L'\\') + 1);
}

inline std::wstring DllPath() { return ExeFolder() + L"Quorbel.dll"; }

// The module the tests registered; COM loads the same file, so this is the server itself.
HMODULE QuorbelModule();
HRESULT CallExport(const char* name);

// The text of the last error object of this thread, and clears it.
inline std::wstring TakeErrorText() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) return std::wstring();
    BStr text;
    info->GetDescription(text.Put());
    return text.Str();
}

inline ComPtr<IProgramList> NewList() {
    ComPtr<IProgramList> list;
    HRESULT hr = CoCreateInstance(CLSID_ProgramList, nullptr, CLSCTX_INPROC_SERVER, IID_IProgramList, list.PutVoid());
    EXPECT_EQ(hr, S_OK);
    return list;
}

inline void SetText(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) {
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))), ERROR_SUCCESS);
}

inline void SetBytes(HKEY key, const wchar_t* name, DWORD type, const void* data, size_t size) {
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
              ERROR_SUCCESS);
}

inline void SetDword(HKEY key, const wchar_t* name, DWORD value) { SetBytes(key, name, REG_DWORD, &value, 4); }

inline std::wstring ReadText(HKEY root, const std::wstring& path, const wchar_t* name) {
    wchar_t buf[1024];
    DWORD size = sizeof buf;
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS) return L"<none>";
    return buf;
}

} // namespace qtest
