#include "Programs.h"
#include <shellapi.h>
#include <cwctype>

namespace quorbel {

namespace {

// The file part of a command line: a quoted path, an unquoted path up to ".exe", or the
// first word.
std::wstring CommandFile(const std::wstring& command) {
    std::wstring s = Trim(command);
    if (s.empty()) return s;
    if (s[0] == L'"') {
        size_t end = s.find(L'"', 1);
        return s.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
    }
    std::wstring low = s;
    for (auto& c : low) c = static_cast<wchar_t>(std::towlower(c));
    size_t exe = low.find(L".exe");
    if (exe != std::wstring::npos) {
        size_t end = exe + 4;
        if (end == s.size() || s[end] == L' ' || s[end] == L'/' || s[end] == L'\t') return s.substr(0, end);
    }
    return s.substr(0, s.find(L' '));
}

std::wstring Searched(const wchar_t* folders, const std::wstring& file) {
    wchar_t buf[MAX_PATH];
    DWORD n = SearchPathW(folders, file.c_str(), nullptr, MAX_PATH, buf, nullptr);
    return (n > 0 && n < MAX_PATH) ? std::wstring(buf, n) : std::wstring();
}

// The file that a command or an icon location names, a bare name found where the system
// looks for programs. native: of a 64-bit program's entry, which means the real system
// folder by the system folder's name and finds bare names there first.
std::wstring ResolveOnPath(const std::wstring& file, bool native) {
    if (file.empty() || file.find_first_of(L"\\/:") != std::wstring::npos)
        return native ? NativeSystemPath(file) : file;
    if (native) {
        const std::wstring system = NativeSystemFolder();
        std::wstring found = system.empty() ? std::wstring() : Searched(system.c_str(), file);
        if (!found.empty()) return found;
    }
    std::wstring found = Searched(nullptr, file);
    if (found.empty()) return file;
    return native ? NativeSystemPath(found) : found;
}

// "3", "-101" (a resource identifier): at most nine digits, so it fits an int.
bool ParseIconNumber(const std::wstring& text, int& out) {
    size_t start = (!text.empty() && text[0] == L'-') ? 1 : 0;
    size_t digits = text.size() - start;
    if (digits == 0 || digits > 9) return false;
    int value = 0;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        value = value * 10 + (text[i] - L'0');
    }
    out = start ? -value : value;
    return true;
}

using CachedImageIndexFn = int(WINAPI*)(LPCWSTR, int, UINT);

// Exported by name from later systems on, by number 72 (wide on NT) from the first ones.
CachedImageIndexFn CachedImageIndex() {
    static CachedImageIndexFn fn = [] {
        HMODULE shell = GetModuleHandleW(L"shell32.dll");
        if (!shell) return CachedImageIndexFn();
        FARPROC p = GetProcAddress(shell, "Shell_GetCachedImageIndexW");
        if (!p) p = GetProcAddress(shell, MAKEINTRESOURCEA(72));
        return reinterpret_cast<CachedImageIndexFn>(p);
    }();
    return fn;
}

// DisplayIcon split into the file and, after a comma, the icon's number in it.
bool SplitIconLocation(const std::wstring& displayIcon, std::wstring& file, int& index) {
    std::wstring s = Trim(displayIcon);
    index = 0;
    if (!s.empty() && s[0] == L'"') {
        size_t end = s.find(L'"', 1);
        file = Trim(s.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1));
        std::wstring tail = end == std::wstring::npos ? std::wstring() : Trim(s.substr(end + 1));
        return !tail.empty() && tail[0] == L',' && ParseIconNumber(Trim(tail.substr(1)), index);
    }
    size_t comma = s.rfind(L',');
    if (comma != std::wstring::npos && ParseIconNumber(Trim(s.substr(comma + 1)), index)) {
        file = Trim(s.substr(0, comma));
        return true;
    }
    file = s;
    return false;
}

// A file that is not there has no icon, and the shell takes long to find that out: a list
// of programs whose icon files are gone asks for hundreds. Only a file the system reports
// as absent is passed over; any other failure (access denied, say) is left to the shell.
bool IsSurelyMissing(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Index into the system image list of icon number index of the file.
LONG NumberedIconIndex(const std::wstring& path, int index) {
    CachedImageIndexFn fn = CachedImageIndex();
    if (path.empty() || !fn) return -1;
    int icon = fn(path.c_str(), index, 0);
    return icon >= 0 ? icon : -1;
}

} // namespace

std::wstring IconKey(const std::wstring& displayIcon, const std::wstring& uninstallString, RegistryView view) {
    std::wstring icon = Trim(displayIcon);
    std::wstring key = icon.empty() ? L"U" + CommandFile(uninstallString) : L"I" + icon;
    return IsRedirectedView(view) ? L"N" + WithViewVariables(key, view) : key;
}

LONG SystemIconIndex(const std::wstring& path) {
    if (path.empty()) return -1;
    // The shell does not parse the Sysnative alias; it finds the real system folder's file
    // by its usual name while this thread sees that folder.
    const std::wstring shown = ShownSystemPath(path);
    TRealSystemFolder real(shown != path);
    SHFILEINFOW info{};
    DWORD_PTR list = SHGetFileInfoW(shown.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    return list ? info.iIcon : -1;
}

LONG IconIndexForKey(const std::wstring& iconKey) {
    const bool native = !iconKey.empty() && iconKey[0] == L'N';
    const std::wstring key = native ? iconKey.substr(1) : iconKey;
    if (key.empty()) return -1;
    const std::wstring body = key.substr(1);
    std::wstring file = body;
    int index = 0;
    const bool numbered = key[0] == L'I' && SplitIconLocation(body, file, index);
    const std::wstring path = ResolveOnPath(ExpandText(file), native);
    if (IsSurelyMissing(path)) return -1;
    // A number the file does not have: its own icon is still better than none.
    if (numbered) {
        LONG icon = NumberedIconIndex(path, index);
        if (icon >= 0) return icon;
    }
    return SystemIconIndex(path);
}

} // namespace quorbel
