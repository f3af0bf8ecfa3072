#include "Programs.h"
#include <shellapi.h>
#include <algorithm>

namespace quorbel {

namespace {

std::wstring WithBackslash(std::wstring dir) {
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    return dir;
}

std::wstring WindowsFolder() {
    wchar_t buf[MAX_PATH];
    UINT n = GetWindowsDirectoryW(buf, MAX_PATH);
    return (n > 0 && n < MAX_PATH) ? WithBackslash(std::wstring(buf, n)) : std::wstring();
}

std::wstring SystemFolder() {
    wchar_t buf[MAX_PATH];
    UINT n = GetSystemDirectoryW(buf, MAX_PATH);
    return (n > 0 && n < MAX_PATH) ? WithBackslash(std::wstring(buf, n)) : std::wstring();
}

bool HasScrExtension(const std::wstring& name) {
    // "*.scr" also matches longer extensions through their short names.
    return name.size() > 4 && SameName(name.substr(name.size() - 4), L".scr");
}

std::wstring Canonical(const std::wstring& path) {
    wchar_t buf[MAX_PATH];
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, buf, nullptr);
    return (n > 0 && n < MAX_PATH) ? std::wstring(buf, n) : path;
}

void ScanFolder(const std::wstring& dir, std::vector<ScreenSaver>& out) {
    if (dir.empty()) return;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileExW((dir + L"*.scr").c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<ScreenSaver> found;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::wstring name = fd.cFileName;
        if (!HasScrExtension(name)) continue;
        ScreenSaver s;
        s.fileName = name;
        s.directory = dir;
        s.size = fd.nFileSizeHigh ? 0xFFFFFFFFu : fd.nFileSizeLow;
        s.lastUsed = FormatFileTime(fd.ftLastAccessTime);
        found.push_back(std::move(s));
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    std::sort(found.begin(), found.end(), [](const ScreenSaver& a, const ScreenSaver& b) {
        return CompareStringOrdinal(a.fileName.c_str(), -1, b.fileName.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    });
    for (auto& s : found) out.push_back(std::move(s));
}

} // namespace

std::wstring ModuleString1(const std::wstring& path) {
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return std::wstring();
    std::wstring text;
    // String 1 is the second entry of block 1; each entry is a length word and that many
    // characters. The block's size bounds every read, since the file may be junk.
    if (HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(6) /* RT_STRING */)) {
        DWORD size = SizeofResource(module, res);
        HGLOBAL mem = LoadResource(module, res);
        const BYTE* p = mem ? static_cast<const BYTE*>(LockResource(mem)) : nullptr;
        if (p) {
            size_t pos = 0;
            for (int entry = 0; entry <= 1 && pos + 2 <= size; ++entry) {
                WORD len;
                memcpy(&len, p + pos, 2);
                pos += 2;
                size_t bytes = size_t(len) * sizeof(wchar_t);
                if (pos + bytes > size) break;
                if (entry == 1) {
                    text.resize(len);
                    if (len) memcpy(text.data(), p + pos, bytes);
                }
                pos += bytes;
            }
        }
    }
    FreeLibrary(module);
    return text;
}

std::wstring FileCompanyName(const std::wstring& path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return std::wstring();
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::wstring();
    std::vector<std::wstring> languages;
    struct LangCp { WORD lang, cp; };
    LangCp* pairs = nullptr;
    UINT bytes = 0;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pairs), &bytes) && pairs) {
        for (UINT i = 0; i < bytes / sizeof(LangCp); ++i) {
            wchar_t buf[16];
            swprintf(buf, 16, L"%04x%04x", pairs[i].lang, pairs[i].cp);
            languages.push_back(buf);
        }
    }
    // Files whose translation table is missing or wrong usually carry US English.
    languages.push_back(L"040904b0");
    languages.push_back(L"040904e4");
    for (const auto& lang : languages) {
        wchar_t* value = nullptr;
        UINT len = 0;
        std::wstring query = L"\\StringFileInfo\\" + lang + L"\\CompanyName";
        if (VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &len) && value && len) {
            std::wstring s(value, len);
            size_t end = s.find(L'\0');
            if (end != std::wstring::npos) s.resize(end);
            return s;
        }
    }
    return std::wstring();
}

std::vector<ScreenSaver> ScanScreenSavers() {
    std::vector<ScreenSaver> list;
    std::wstring windows = WindowsFolder(), system = SystemFolder();
    ScanFolder(windows, list);
    if (!SameName(Canonical(system), Canonical(windows))) ScanFolder(system, list);
    for (auto& s : list) {
        std::wstring path = s.directory + s.fileName;
        s.displayName = ModuleString1(path);
        s.publisher = FileCompanyName(path);
    }
    return list;
}

LONG ScreenSaverIconIndex(const ScreenSaver& s) {
    if (!s.iconKnown) {
        s.iconIndex = SystemIconIndex(s.directory + s.fileName);
        s.iconKnown = true;
    }
    return s.iconIndex;
}

} // namespace quorbel
