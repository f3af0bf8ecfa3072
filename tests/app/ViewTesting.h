// The registry views a test plants uninstall entries in, each with the names that view gives
// a key, so that a test says where it plants and expects what that view shows whatever this
// process's width. 32-bit Windows has one view: the KEY_WOW64_* flags are ignored there and
// its keys have their plain names.
#pragma once
#include "app/RegistryViews.h"

#include <optional>
#include <string>
#include <vector>

namespace viewtest {

struct TPlantView {
    const char* Name;       // for traces
    REGSAM Flag;            // plants and reads in the view
    TRegistryView View;     // the view as the program names it on this Windows
    std::string Software;   // HKEY_LOCAL_MACHINE\SOFTWARE\ as the 64-bit registry editor names it there
    std::string Tag;        // what the backup adds to a key's name in its file and its summary
};

// The 64-bit view; on 32-bit Windows the one view.
inline TPlantView SixtyFour() {
    if (!Is64BitWindows()) return {"the only view", KEY_WOW64_64KEY, rv32, "HKEY_LOCAL_MACHINE\\SOFTWARE\\", ""};
    return {"64-bit view", KEY_WOW64_64KEY, rv64, "HKEY_LOCAL_MACHINE\\SOFTWARE\\", ""};
}

// The 32-bit view, whose keys the 64-bit editor shows below WOW6432Node; on 32-bit Windows
// the one view.
inline TPlantView ThirtyTwo() {
    if (!Is64BitWindows()) return {"the only view", KEY_WOW64_32KEY, rv32, "HKEY_LOCAL_MACHINE\\SOFTWARE\\", ""};
    return {"32-bit view", KEY_WOW64_32KEY, rv32, "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\", " (32-bit)"};
}

// Every view of this Windows, the 64-bit one first.
inline std::vector<TPlantView> EveryView() {
    if (!Is64BitWindows()) return {ThirtyTwo()};
    return {SixtyFour(), ThirtyTwo()};
}

// The string value of HKEY_LOCAL_MACHINE\path in the view flag names; nothing when the key or
// the value is missing.
inline std::optional<std::wstring> MachineText(const std::wstring& path, const wchar_t* value, REGSAM flag) {
    TKeyHandle key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | flag, key.Put()) != ERROR_SUCCESS) return {};
    wchar_t text[256] = {};
    DWORD type = 0, size = sizeof text - sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), value, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return std::wstring(text);
}

inline bool MachineKeyExists(const std::wstring& path, REGSAM flag) {
    TKeyHandle key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | flag, key.Put()) == ERROR_SUCCESS;
}

}  // namespace viewtest
