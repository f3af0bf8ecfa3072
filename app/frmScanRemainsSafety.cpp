// What the leftover scan may touch: the install-folder guard and the registry-name guard.
// Paths are judged as wide text: a name the 8-bit code page can't hold would come back
// from the A calls with "?" in it, and then be another folder's name, or a pattern.
#include "app/frmScanRemains.h"
#include "app/frmProgress.h"
#include "app/globals.h"
#include "framework/Registry.h"
#include "framework/SysUtils.h"

#include <shlobj.h>
#include <shobjidl.h>
#include <knownfolders.h>

#include <algorithm>
#include <vector>

namespace {

std::wstring TrimW(const std::wstring& s) {
    size_t b = s.find_first_not_of(L" \t\r\n");
    if (b == std::wstring::npos) return {};
    return s.substr(b, s.find_last_not_of(L" \t\r\n") - b + 1);
}

// An absolute path: its root ("C:" or "\\server\share") and its components as written, and
// the same upper-cased for comparing.
struct TAbsPath {
    std::wstring Root;
    std::vector<std::wstring> Parts;
    std::vector<std::wstring> Keys;   // Root, then each part, upper-cased
    bool Network = false;

    std::wstring Text() const {
        std::wstring s = Root + L"\\";
        for (size_t i = 0; i < Parts.size(); ++i) s += (i ? L"\\" : L"") + Parts[i];
        return s;
    }
    // This path is base or lies inside it.
    bool WithinOrEqual(const TAbsPath& base) const {
        if (Keys.size() < base.Keys.size()) return false;
        for (size_t i = 0; i < base.Keys.size(); ++i)
            if (Keys[i] != base.Keys[i]) return false;
        return true;
    }
    // The Windows folder of any installation, by its name: "\WINDOWS\" anywhere in the path,
    // or at its end.
    bool NamesAWindowsFolder() const {
        return std::find(Keys.begin() + 1, Keys.end(), L"WINDOWS") != Keys.end();
    }
};

bool IsDriveRooted(const std::wstring& s) {
    const wchar_t d = s.empty() ? 0 : s[0];
    return s.size() >= 3 && ((d >= L'A' && d <= L'Z') || (d >= L'a' && d <= L'z')) && s[1] == L':' && s[2] == L'\\';
}

// "\\server\share\...", but not the device forms "\\?\" and "\\.\".
bool IsUncRooted(const std::wstring& s) {
    return s.size() > 2 && s[0] == L'\\' && s[1] == L'\\' && s[2] != L'?' && s[2] != L'.' && s[2] != L'\\';
}

// Strips blanks and one pair of surrounding quotes (install locations are often stored
// quoted), expands environment strings, turns slashes into backslashes and takes the
// long-path prefix off: "\\?\C:\x" is "C:\x", "\\?\UNC\server\share" is "\\server\share".
std::wstring CleanText(const std::wstring& folder) {
    std::wstring s = TrimW(folder);
    if (s.size() >= 2 && s.front() == L'"' && s.back() == L'"') s = TrimW(s.substr(1, s.size() - 2));
    if (s.find(L'%') != std::wstring::npos) {
        wchar_t buf[MAX_PATH * 4];
        DWORD n = ExpandEnvironmentStringsW(s.c_str(), buf, MAX_PATH * 4);
        if (n > 0 && n <= MAX_PATH * 4) s.assign(buf, n - 1);
    }
    for (wchar_t& c : s)
        if (c == L'/') c = L'\\';
    if (WideStartsText(s, L"\\\\?\\UNC\\")) return L"\\\\" + s.substr(8);
    if (s.rfind(L"\\\\?\\", 0) == 0 && IsDriveRooted(s.substr(4))) return s.substr(4);
    return s;
}

std::wstring FullPathOf(const std::wstring& path) {
    wchar_t buf[MAX_PATH * 4];
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, buf, nullptr);
    return n > 0 && n < MAX_PATH * 4 ? std::wstring(buf, n) : std::wstring();
}

// The absolute path of text as the system resolves it: relative parts taken out, empty
// components dropped, trailing dots and blanks of each component ignored (the file system
// ignores them too). False when text is not absolute.
bool ParseAbsolute(const std::wstring& text, TAbsPath& out) {
    if (!IsDriveRooted(text) && !IsUncRooted(text)) return false;
    std::wstring full = FullPathOf(text);
    if (!IsDriveRooted(full) && !IsUncRooted(full)) return false;
    const bool unc = IsUncRooted(full);
    std::vector<std::wstring> parts;
    for (size_t pos = unc ? 2 : 3; pos <= full.size();) {
        size_t next = full.find(L'\\', pos);
        if (next == std::wstring::npos) next = full.size();
        std::wstring part = full.substr(pos, next - pos);
        pos = next + 1;
        if (part == L"." || part.empty()) continue;
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        size_t keep = part.find_last_not_of(L". ");
        if (keep == std::wstring::npos) continue;
        parts.push_back(part.substr(0, keep + 1));
    }
    std::wstring root = unc ? L"\\\\" : full.substr(0, 2);
    if (unc) {
        // The server and the share are the root of a network path.
        if (parts.size() < 2) return false;
        root += parts[0] + L"\\" + parts[1];
        parts.erase(parts.begin(), parts.begin() + 2);
    }
    out.Root = root;
    out.Parts = parts;
    out.Network = unc || GetDriveTypeW((root + L"\\").c_str()) == DRIVE_REMOTE;
    out.Keys.assign(1, WideUpperCase(root));
    for (auto& p : parts) out.Keys.push_back(WideUpperCase(p));
    return true;
}

bool ParseText(const std::wstring& text, TAbsPath& out) {
    std::wstring clean = CleanText(text);
    return !clean.empty() && ParseAbsolute(clean, out);
}

std::wstring LongPathOf(const std::wstring& path) {
    wchar_t buf[MAX_PATH * 4];
    DWORD n = GetLongPathNameW(path.c_str(), buf, MAX_PATH * 4);
    return n > 0 && n < MAX_PATH * 4 ? std::wstring(buf, n) : path;
}

// The folder a path really leads to, links, junctions and substituted drives followed; ""
// when unknown.
std::wstring FinalPathOf(const std::wstring& path) {
    TFileHandle dir(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!dir) return {};
    wchar_t buf[MAX_PATH * 4];
    DWORD n = GetFinalPathNameByHandleW(dir.Get(), buf, MAX_PATH * 4, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= MAX_PATH * 4) return {};
    return CleanText(std::wstring(buf, n));
}

std::wstring Env(const wchar_t* name) {
    wchar_t buf[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableW(name, buf, MAX_PATH * 2);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(buf, n) : std::wstring();
}

std::wstring Csidl(int csidl) {
    wchar_t buf[MAX_PATH + 1] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf)) ? std::wstring(buf) : std::wstring();
}

// Every known folder of the current user, those without a CSIDL too (Downloads, Saved
// Games, Links, LocalLow, the per-user Programs folder, OneDrive, ...), whether or not it
// exists yet.
std::vector<std::wstring> KnownFolders() {
    std::vector<std::wstring> paths;
    IKnownFolderManager* manager = nullptr;
    if (FAILED(CoCreateInstance(CLSID_KnownFolderManager, nullptr, CLSCTX_INPROC_SERVER, IID_IKnownFolderManager,
                                reinterpret_cast<void**>(&manager))))
        return paths;
    KNOWNFOLDERID* ids = nullptr;
    UINT count = 0;
    if (SUCCEEDED(manager->GetFolderIds(&ids, &count)) && ids) {
        for (UINT i = 0; i < count; ++i) {
            PWSTR path = nullptr;
            if (SUCCEEDED(SHGetKnownFolderPath(ids[i], KF_FLAG_DONT_VERIFY, nullptr, &path)) && path)
                paths.emplace_back(path);
            CoTaskMemFree(path);
        }
        CoTaskMemFree(ids);
    }
    manager->Release();
    // Those the manager may not list; asked by identifier as well.
    for (const KNOWNFOLDERID* id : {&FOLDERID_Downloads, &FOLDERID_SavedGames, &FOLDERID_Links, &FOLDERID_Contacts,
                                    &FOLDERID_SavedSearches, &FOLDERID_LocalAppDataLow, &FOLDERID_UserProgramFiles,
                                    &FOLDERID_UserProgramFilesCommon, &FOLDERID_SkyDrive, &FOLDERID_PublicDownloads,
                                    &FOLDERID_Public, &FOLDERID_UserProfiles}) {
        PWSTR path = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(*id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path) paths.emplace_back(path);
        CoTaskMemFree(path);
    }
    return paths;
}

// Where any profile keeps its known folders, below the profile's root: applied to every
// profile on the machine, since another user's folders can't be asked for by name.
constexpr const wchar_t* kProfileFolders[] = {
    L"Desktop", L"Documents", L"My Documents", L"Downloads", L"Music", L"Pictures", L"Videos", L"Saved Games",
    L"Links", L"Contacts", L"Searches", L"Favorites", L"OneDrive", L"3D Objects", L"Start Menu", L"Templates",
    L"AppData", L"AppData\\Roaming", L"AppData\\Local", L"AppData\\LocalLow", L"AppData\\Local\\Programs",
    L"AppData\\Local\\Programs\\Common", L"AppData\\Local\\Temp", L"Application Data", L"Local Settings",
    L"Local Settings\\Application Data", L"Local Settings\\Temp",
    L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
};

// The profile folders on the machine: each user's the system lists, the Default and Public
// ones, every folder right inside the folder that holds them (a profile the list may not
// name), and that folder itself. Asked at each check: users come and go.
struct TProfiles {
    std::vector<std::wstring> Roots;
    std::wstring Container;
};

TProfiles SystemProfiles() {
    TProfiles profiles;
    const char* const listKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    auto readPath = [](const TRegistry& key, const wchar_t* name) {
        try {
            return key.ReadStringW(name);
        } catch (const ERegistryException&) {
            return std::wstring();   // a value of another type is no path
        }
    };
    if (reg.OpenKeyReadOnly(listKey)) {
        profiles.Container = CleanText(readPath(reg, L"ProfilesDirectory"));
        for (const wchar_t* name : {L"Default", L"Public", L"AllUsersProfile"}) profiles.Roots.push_back(readPath(reg, name));
        for (const std::wstring& sid : reg.GetKeyNamesW()) {
            TRegistry user(KEY_READ);
            user.SetRootKey(HKEY_LOCAL_MACHINE);
            if (user.OpenKeyReadOnly(listKey) && user.OpenKeyW(sid, false))
                profiles.Roots.push_back(readPath(user, L"ProfileImagePath"));
        }
    }
    for (const wchar_t* v : {L"USERPROFILE", L"ALLUSERSPROFILE", L"PUBLIC"}) profiles.Roots.push_back(Env(v));
    const std::wstring own = Csidl(CSIDL_PROFILE);
    profiles.Roots.push_back(own);
    if (profiles.Container.empty()) {
        // Without the system's word for it: the folder that holds the current profile.
        size_t slash = own.find_last_of(L'\\');
        if (slash != std::wstring::npos && slash > 2) profiles.Container = own.substr(0, slash);
    }
    if (!profiles.Container.empty()) {
        WIN32_FIND_DATAW found;
        TFindHandle find(FindFirstFileExW((profiles.Container + L"\\*").c_str(), FindExInfoBasic, &found,
                                          FindExSearchLimitToDirectories, nullptr, 0));
        if (find) {
            do {
                const std::wstring name = found.cFileName;
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
                    profiles.Roots.push_back(profiles.Container + L"\\" + name);
            } while (FindNextFileW(find.Get(), &found));
        }
    }
    return profiles;
}

// The path of the program a command line starts: the quoted part, or the text up to the
// first ".exe"; the icon file of "file,index".
std::wstring CommandFile(const std::wstring& command, bool icon) {
    std::wstring s = TrimW(command);
    if (s.empty()) return s;
    if (s[0] == L'"') {
        size_t close = s.find(L'"', 1);
        return close == std::wstring::npos ? s.substr(1) : s.substr(1, close - 1);
    }
    if (icon) {
        size_t comma = s.find_last_of(L',');
        return comma == std::wstring::npos ? s : TrimW(s.substr(0, comma));
    }
    size_t exe = WideUpperCase(s).find(L".EXE");
    return exe == std::wstring::npos ? s.substr(0, s.find(L' ')) : s.substr(0, exe + 4);
}

// The folders kept out of the scan, made comparable the same way as the folder under test.
struct TProtectedFolders {
    std::vector<TAbsPath> Windows;        // and everything in them
    std::vector<TAbsPath> ProgramRoots;   // and their ancestors
    std::vector<TAbsPath> Special;        // and their ancestors
    // Known folders below any profile's root (upper-cased components), and their ancestors.
    std::vector<std::vector<std::wstring>> KnownRelative;

    static void Add(std::vector<TAbsPath>& list, const std::wstring& path) {
        TAbsPath p;
        if (!ParseText(path, p)) return;
        list.push_back(p);
        TAbsPath other;
        if (ParseAbsolute(LongPathOf(p.Text()), other) && other.Keys != p.Keys) list.push_back(other);
        std::wstring final = FinalPathOf(p.Text());
        if (!final.empty() && ParseAbsolute(final, other) && other.Keys != p.Keys) list.push_back(other);
    }

    // The system's folders do not move while the program runs: they are gathered once. The
    // program's own folder and the other programs' files are asked each time.
    static const TProtectedFolders& System() {
        static const TProtectedFolders folders;
        return folders;
    }

    TProtectedFolders() {
        wchar_t buf[MAX_PATH + 1];
        UINT n = GetWindowsDirectoryW(buf, MAX_PATH + 1);
        if (n > 0 && n < MAX_PATH + 1) Add(Windows, std::wstring(buf, n));
        n = GetSystemWindowsDirectoryW(buf, MAX_PATH + 1);
        if (n > 0 && n < MAX_PATH + 1) Add(Windows, std::wstring(buf, n));
        for (const wchar_t* v : {L"SystemRoot", L"windir"}) Add(Windows, Env(v));
        Add(Windows, Csidl(CSIDL_WINDOWS));

        for (int c : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
                      CSIDL_PROGRAM_FILES_COMMONX86})
            Add(ProgramRoots, Csidl(c));
        for (const wchar_t* v : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"CommonProgramFiles",
                                 L"CommonProgramFiles(x86)", L"CommonProgramW6432"})
            Add(ProgramRoots, Env(v));

        for (int c : {CSIDL_PROFILE, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL,
                      CSIDL_COMMON_DOCUMENTS, CSIDL_MYMUSIC, CSIDL_COMMON_MUSIC, CSIDL_MYPICTURES,
                      CSIDL_COMMON_PICTURES, CSIDL_MYVIDEO, CSIDL_COMMON_VIDEO, CSIDL_FAVORITES,
                      CSIDL_COMMON_FAVORITES, CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU, CSIDL_PROGRAMS,
                      CSIDL_COMMON_PROGRAMS, CSIDL_STARTUP, CSIDL_COMMON_STARTUP, CSIDL_SENDTO, CSIDL_RECENT,
                      CSIDL_TEMPLATES, CSIDL_COMMON_TEMPLATES, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA,
                      CSIDL_COMMON_APPDATA, CSIDL_INTERNET_CACHE, CSIDL_COOKIES, CSIDL_HISTORY, CSIDL_NETHOOD,
                      CSIDL_PRINTHOOD, CSIDL_ADMINTOOLS, CSIDL_COMMON_ADMINTOOLS, CSIDL_CDBURN_AREA, CSIDL_FONTS,
                      CSIDL_RESOURCES})
            Add(Special, Csidl(c));
        for (const wchar_t* v : {L"USERPROFILE", L"ALLUSERSPROFILE", L"PUBLIC", L"APPDATA", L"LOCALAPPDATA", L"TEMP",
                                 L"TMP", L"OneDrive"})
            Add(Special, Env(v));
        n = GetTempPathW(MAX_PATH + 1, buf);
        if (n > 0 && n < MAX_PATH + 1) Add(Special, std::wstring(buf, n));
        const std::vector<std::wstring> known = KnownFolders();
        for (const std::wstring& k : known) Add(Special, k);

        // Where a profile keeps its known folders, relative to its root: the usual names, and
        // wherever the current user's known folders lie in the current profile.
        for (const wchar_t* rel : kProfileFolders) {
            TAbsPath p;
            if (ParseAbsolute(std::wstring(L"C:\\") + rel, p)) KnownRelative.emplace_back(p.Keys.begin() + 1, p.Keys.end());
        }
        TAbsPath own;
        if (ParseText(Csidl(CSIDL_PROFILE), own)) {
            for (const std::wstring& k : known) {
                TAbsPath kp;
                if (ParseText(k, kp) && kp.Keys.size() > own.Keys.size() && kp.WithinOrEqual(own))
                    KnownRelative.emplace_back(kp.Keys.begin() + static_cast<std::ptrdiff_t>(own.Keys.size()), kp.Keys.end());
            }
        }
    }

    static std::vector<TAbsPath> OwnFolder() {
        std::vector<TAbsPath> own;
        std::wstring dir = ToWide(AppDir);
        if (dir.empty()) {
            wchar_t buf[MAX_PATH + 1];
            DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH + 1);
            if (n > 0 && n < MAX_PATH + 1) {
                dir.assign(buf, n);
                dir.erase(dir.find_last_of(L'\\') + 1);
            }
        }
        Add(own, dir);
        return own;
    }

    // Resolving every spelling of a folder costs a handle each: the last list is kept while
    // the profiles stay the same.
    static std::vector<TAbsPath> Profiles() {
        static std::vector<std::wstring> lastRaw;
        static std::vector<TAbsPath> last;
        const TProfiles profiles = SystemProfiles();
        std::vector<std::wstring> raw = profiles.Roots;
        raw.push_back(profiles.Container);
        if (raw == lastRaw) return last;
        std::vector<TAbsPath> list;
        for (const std::wstring& root : raw) Add(list, root);
        lastRaw = std::move(raw);
        last = list;
        return list;
    }

    // The named reasons first, so that "C:\Windows" is refused as the Windows folder rather
    // than as a folder right below a root, and a Start menu as a special folder rather than
    // as a folder named Windows.
    TFolderVerdict Judge(const TAbsPath& p, const std::vector<TAbsPath>& own, const std::vector<TAbsPath>& profiles) const {
        if (p.Network) return TFolderVerdict::fvNetwork;
        if (p.Parts.empty()) return TFolderVerdict::fvTooShallow;
        for (auto& w : Windows)
            if (p.WithinOrEqual(w)) return TFolderVerdict::fvWindows;
        for (auto& r : ProgramRoots)
            if (r.WithinOrEqual(p)) return TFolderVerdict::fvProgramFiles;
        for (auto& s : Special)
            if (s.WithinOrEqual(p)) return TFolderVerdict::fvSpecialFolder;
        for (auto& profile : profiles) {
            if (profile.WithinOrEqual(p)) return TFolderVerdict::fvSpecialFolder;
            if (!p.WithinOrEqual(profile)) continue;
            // p's place in the profile: refused when a known folder lies there or below.
            const size_t depth = p.Keys.size() - profile.Keys.size();
            for (auto& known : KnownRelative)
                if (known.size() >= depth &&
                    std::equal(known.begin(), known.begin() + static_cast<std::ptrdiff_t>(depth),
                               p.Keys.begin() + static_cast<std::ptrdiff_t>(profile.Keys.size())))
                    return TFolderVerdict::fvSpecialFolder;
        }
        for (auto& o : own)
            if (o.WithinOrEqual(p) || p.WithinOrEqual(o)) return TFolderVerdict::fvOwnFolder;
        // Last, as it names fewer folders for what they are: another installation's
        // Windows folder, or one in the making.
        if (p.NamesAWindowsFolder()) return TFolderVerdict::fvWindows;
        return p.Parts.size() < 2 ? TFolderVerdict::fvTooShallow : TFolderVerdict::fvAllowed;
    }
};

// Another program lives in a folder that holds its install folder, its uninstaller or its
// icon file: every uninstall entry but the scanned program's own is asked, in every view.
struct TOtherPrograms {
    std::vector<TAbsPath> Files;

    explicit TOtherPrograms(const std::wstring& ownRegistryName) {
        const bool both = Is64BitWindows();
        const REGSAM views[] = {both ? REGSAM(KEY_WOW64_64KEY) : REGSAM(0), REGSAM(KEY_WOW64_32KEY)};
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            for (size_t v = 0; v < (both ? 2u : 1u); ++v) Read(root, views[v], ownRegistryName);
    }

    void Read(HKEY root, REGSAM view, const std::wstring& ownRegistryName) {
        TRegistry list(KEY_READ | view);
        list.SetRootKey(root);
        if (!list.OpenKeyReadOnly(UninstallKeyPath)) return;
        const std::wstring own = WideUpperCase(TrimW(ownRegistryName));
        for (const std::wstring& name : list.GetKeyNamesW()) {
            if (!own.empty() && WideUpperCase(name) == own) continue;
            TRegistry entry(KEY_READ | view);
            entry.SetRootKey(root);
            if (!entry.OpenKeyReadOnly(UninstallKeyPath) || !entry.OpenKeyW(name, false)) continue;
            AddValue(entry, L"InstallLocation", false);
            AddValue(entry, L"UninstallString", false);
            AddValue(entry, L"QuietUninstallString", false);
            AddValue(entry, L"DisplayIcon", true);
        }
    }

    void AddValue(const TRegistry& entry, const wchar_t* value, bool icon) {
        std::wstring text;
        try {
            text = entry.ReadStringW(value);
        } catch (const ERegistryException&) {
            return;   // not a string: no path
        }
        const std::wstring file = value == std::wstring(L"InstallLocation") ? text : CommandFile(text, icon);
        TAbsPath p;
        if (!ParseText(file, p)) return;
        Files.push_back(p);
        TAbsPath longForm;
        if (ParseAbsolute(LongPathOf(p.Text()), longForm) && longForm.Keys != p.Keys) Files.push_back(longForm);
    }

    bool LiveIn(const TAbsPath& folder) const {
        return std::any_of(Files.begin(), Files.end(), [&](const TAbsPath& f) { return f.WithinOrEqual(folder); });
    }
};

} // namespace

TFolderVerdict CheckInstallFolder(const std::wstring& folder, std::wstring* normalised,
                                  const std::wstring& ownRegistryName) {
    std::wstring text = CleanText(folder);
    if (text.empty()) return TFolderVerdict::fvEmpty;
    TAbsPath path;
    if (!ParseAbsolute(text, path)) return TFolderVerdict::fvRelative;
    const TProtectedFolders& guard = TProtectedFolders::System();
    const std::vector<TAbsPath> own = TProtectedFolders::OwnFolder();
    const std::vector<TAbsPath> profiles = TProtectedFolders::Profiles();
    // Every spelling is judged: the text as given (so that a missing folder inside a protected
    // one is named for what it is), then, once it exists, the long and the final forms the
    // file system resolves. A named reason wins over "too shallow", which a short name of a
    // protected root would otherwise get.
    TFolderVerdict shallow = TFolderVerdict::fvAllowed;
    auto judge = [&](const TAbsPath& p) {
        TFolderVerdict v = guard.Judge(p, own, profiles);
        if (v == TFolderVerdict::fvTooShallow) shallow = v;
        return v == TFolderVerdict::fvTooShallow ? TFolderVerdict::fvAllowed : v;
    };
    if (auto v = judge(path); v != TFolderVerdict::fvAllowed) return v;
    const std::wstring plain = path.Text();
    const DWORD attributes = GetFileAttributesW(plain.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return shallow == TFolderVerdict::fvAllowed ? TFolderVerdict::fvMissing : shallow;
    // A link leads into somebody else's folder: the program's own files are never behind one.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return TFolderVerdict::fvLink;
    const std::wstring longPath = LongPathOf(plain);
    std::vector<TAbsPath> forms{path};
    for (const std::wstring& form : {longPath, FinalPathOf(plain)}) {
        TAbsPath resolved;
        if (form.empty() || !ParseAbsolute(form, resolved)) continue;
        if (auto v = judge(resolved); v != TFolderVerdict::fvAllowed) return v;
        forms.push_back(resolved);
    }
    if (shallow != TFolderVerdict::fvAllowed) return shallow;
    const TOtherPrograms others(ownRegistryName);
    for (const TAbsPath& form : forms)
        if (others.LiveIn(form)) return TFolderVerdict::fvShared;
    if (normalised) {
        *normalised = longPath;
        while (normalised->size() > 3 && normalised->back() == L'\\') normalised->pop_back();
    }
    return TFolderVerdict::fvAllowed;
}

bool IsScannableRegistryName(const std::wstring& name) {
    static const wchar_t* const shared[] = {
        L"Microsoft", L"Windows", L"Windows NT", L"Classes", L"Policies", L"Wow6432Node", L"Clients", L"Setup",
        L"Update", L"Updates", L"Installer", L"Software", L"CurrentVersion", L"Uninstall", L"Run", L"RunOnce",
        L"Explorer", L"Shell", L"Products", L"Components", L"Features", L"UserData", L"Common", L"Common Files",
        L"Program Files", L"System", L"Control", L"Services", L"Default", L"Settings", L"Options", L"Config",
        L"Environment", L"Applets", L"App Paths", L"Internet Explorer", L"ODBC", L"Wine", L"Users", L"Printers",
        L"Network", L"Console", L"SharedDLLs", L"Help", L"Tools", L"Plugins", L"Shared", L"Uninstaller",
    };
    const std::wstring trimmed = WideUpperCase(TrimW(name));
    if (trimmed.empty()) return false;
    for (const wchar_t* s : shared)
        if (trimmed == WideUpperCase(s)) return false;
    return true;
}
