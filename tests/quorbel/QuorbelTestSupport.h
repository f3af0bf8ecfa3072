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

// True for a 32-bit process on 64-bit Windows, whose file and registry accesses are
// redirected unless they name the real folder or view.
inline bool IsWow64() {
    BOOL wow64 = FALSE;
    return sizeof(void*) == 4 && IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

inline bool Is64BitWindows() { return sizeof(void*) == 8 || IsWow64(); }

// The registry views of this Windows, as the component numbers them: 64 and 32 on 64-bit
// Windows, 32 alone on 32-bit Windows.
inline std::vector<LONG> RegistryViews() { return Is64BitWindows() ? std::vector<LONG>{64, 32} : std::vector<LONG>{32}; }

// The flag that names view in a registry call (none on 32-bit Windows, which has one view).
inline REGSAM ViewFlag(LONG view) {
    if (!Is64BitWindows()) return 0;
    return view == 64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

// A folder as the system names it through get, with a trailing backslash.
inline std::wstring FolderOf(UINT (WINAPI *get)(LPWSTR, UINT)) {
    wchar_t buf[MAX_PATH];
    UINT n = get(buf, MAX_PATH);
    std::wstring dir(buf, n < MAX_PATH ? n : 0);
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    return dir;
}

// The real system folder as this process reaches it: a 32-bit process on 64-bit Windows is
// shown SysWOW64 by the system folder's name, and reaches the real one through Sysnative.
inline std::wstring RealSystemFolder() {
    return IsWow64() ? FolderOf(GetSystemWindowsDirectoryW) + L"Sysnative\\" : FolderOf(GetSystemDirectoryW);
}

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

// Icon number n of a file in the system image list, as the shell itself answers.
inline LONG ShellIconIndex(const wchar_t* path, int n) {
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    FARPROC p = GetProcAddress(shell, "Shell_GetCachedImageIndexW");
    if (!p) p = GetProcAddress(shell, MAKEINTRESOURCEA(72));
    return p ? reinterpret_cast<int(WINAPI*)(LPCWSTR, int, UINT)>(reinterpret_cast<void*>(p))(path, n, 0) : -1;
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
