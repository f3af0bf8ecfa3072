#include "PeResources.h"
#include "Programs.h"
#include <algorithm>

namespace quorbel {

namespace {

constexpr WORD kStringTable = 6;     // RT_STRING
constexpr WORD kVersionResource = 16;  // RT_VERSION
// Strings 0 and 1 of a block at their longest; the name is string 1.
constexpr size_t kNameBlockBytes = 2 * (2 + 0xFFFF * 2);
// A version resource states its length in a WORD.
constexpr size_t kVersionBytes = 0xFFFF;

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
        s.lastAccess = fd.ftLastAccessTime;
        s.lastUsed = FormatFileTime(fd.ftLastAccessTime);
        found.push_back(std::move(s));
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    std::sort(found.begin(), found.end(), [](const ScreenSaver& a, const ScreenSaver& b) {
        return CompareStringOrdinal(a.fileName.c_str(), -1, b.fileName.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    });
    for (auto& s : found) out.push_back(std::move(s));
}

// The last access is all that tells when a screen saver last ran, and reading the file
// moves it: put it back as found, so that the next listing does not report this one.
void RestoreLastAccess(const std::wstring& path, const FILETIME& found) {
    if (found.dwLowDateTime == 0 && found.dwHighDateTime == 0) return;
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;  // not ours to change: the time moves, nothing else
    SetFileTime(file, nullptr, &found, nullptr);
    CloseHandle(file);
}

} // namespace

std::vector<ScreenSaver> ScanScreenSavers() {
    std::vector<ScreenSaver> list;
    // A folder named twice (a system folder that is the Windows folder) is listed once.
    std::vector<std::wstring> scanned;
    // The Windows folder, the real system folder, and SysWOW64 (none on 32-bit Windows).
    for (const std::wstring& folder : {SystemNamedFolder(GetWindowsDirectoryW), NativeSystemFolder(),
                                       SystemNamedFolder(GetSystemWow64DirectoryW)}) {
        if (folder.empty()) continue;
        const std::wstring canonical = Canonical(folder);
        if (std::any_of(scanned.begin(), scanned.end(), [&](const std::wstring& s) { return SameName(s, canonical); }))
            continue;
        scanned.push_back(canonical);
        ScanFolder(folder, list);
    }
    for (auto& s : list) {
        const std::wstring path = s.directory + s.fileName;
        {
            TFileBytes file(path);
            s.displayName = StringFromBlock(ReadResource(file, kStringTable, 1, kNameBlockBytes), 1);
            s.publisher = VersionCompanyName(ReadResource(file, kVersionResource, 1, kVersionBytes));
        }
        RestoreLastAccess(path, s.lastAccess);
    }
    return list;
}

LONG ScreenSaverIconIndex(const ScreenSaver& s, TIconCache& cache) {
    const std::wstring path = s.directory + s.fileName;
    return cache.Get(path, [&] {
        LONG icon = SystemIconIndex(path);
        RestoreLastAccess(path, s.lastAccess);
        return icon;
    });
}

} // namespace quorbel
