// What the leftover scan may touch: the install-folder guard and the registry-name guard.
#include "app/frmScanRemains.h"
#include "app/globals.h"
#include "framework/SysUtils.h"

#include <shlobj.h>
#include <vector>

namespace {

// An absolute path: its root ("C:" or "\\server\share") and its components as written, and
// the same upper-cased for comparing.
struct TAbsPath {
    std::string Root;
    std::vector<std::string> Parts;
    std::vector<std::string> Keys;   // Root, then each part, upper-cased

    std::string Text() const {
        std::string s = Root + "\\";
        for (size_t i = 0; i < Parts.size(); ++i) s += (i ? "\\" : "") + Parts[i];
        return s;
    }
    // This path is base or lies inside it.
    bool WithinOrEqual(const TAbsPath& base) const {
        if (Keys.size() < base.Keys.size()) return false;
        for (size_t i = 0; i < base.Keys.size(); ++i)
            if (Keys[i] != base.Keys[i]) return false;
        return true;
    }
};

bool IsDriveRooted(const std::string& s) {
    const char d = s.empty() ? 0 : s[0];
    return s.size() >= 3 && ((d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z')) && s[1] == ':' && s[2] == '\\';
}

// "\\server\share\...", but not the device forms "\\?\" and "\\.\".
bool IsUncRooted(const std::string& s) {
    return s.size() > 2 && s[0] == '\\' && s[1] == '\\' && s[2] != '?' && s[2] != '.' && s[2] != '\\';
}

// Strips blanks and one pair of surrounding quotes (install locations are often stored quoted)
// and turns slashes into backslashes.
std::string CleanText(const std::string& folder) {
    std::string s = Trim(folder);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = Trim(s.substr(1, s.size() - 2));
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

// The absolute path of text as the system resolves it: relative parts taken out, empty
// components dropped, trailing dots and blanks of each component ignored (the file system
// ignores them too). False when text is not absolute.
bool ParseAbsolute(const std::string& text, TAbsPath& out) {
    if (!IsDriveRooted(text) && !IsUncRooted(text)) return false;
    std::string full = ExpandFileName(text);
    if (!IsDriveRooted(full) && !IsUncRooted(full)) return false;
    std::vector<std::string> parts;
    size_t start = IsUncRooted(full) ? 2 : 3;
    std::string root = IsUncRooted(full) ? "\\\\" : full.substr(0, 2);
    for (size_t pos = start; pos <= full.size();) {
        size_t next = full.find('\\', pos);
        if (next == std::string::npos) next = full.size();
        std::string part = full.substr(pos, next - pos);
        pos = next + 1;
        if (part == "." || part.empty()) continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        size_t keep = part.find_last_not_of(". ");
        if (keep == std::string::npos) continue;
        parts.push_back(part.substr(0, keep + 1));
    }
    if (root == "\\\\") {
        // The server and the share are the root of a network path.
        if (parts.size() < 2) return false;
        root += parts[0] + "\\" + parts[1];
        parts.erase(parts.begin(), parts.begin() + 2);
    }
    out.Root = root;
    out.Parts = parts;
    out.Keys.assign(1, AnsiUpperCase(root));
    for (auto& p : parts) out.Keys.push_back(AnsiUpperCase(p));
    return true;
}

std::string LongPathOf(const std::string& path) {
    char buf[MAX_PATH * 4];
    DWORD n = GetLongPathNameA(path.c_str(), buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : path;
}

// The folder a path really leads to, links and junctions followed; "" when unknown.
std::string FinalPathOf(const std::string& path) {
    TFileHandle dir(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!dir) return {};
    char buf[MAX_PATH * 4];
    DWORD n = GetFinalPathNameByHandleA(dir.Get(), buf, sizeof buf, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= sizeof buf) return {};
    std::string s(buf, n);
    if (s.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + s.substr(8);
    if (s.rfind("\\\\?\\", 0) == 0) return s.substr(4);
    return s;
}

// Folders kept out of the scan, made comparable the same way as the folder under test.
struct TProtectedFolders {
    std::vector<TAbsPath> Windows;        // and everything in them
    std::vector<TAbsPath> ProgramRoots;   // and their ancestors
    std::vector<TAbsPath> Special;        // and their ancestors

    static void Add(std::vector<TAbsPath>& list, const std::string& path) {
        TAbsPath p;
        std::string clean = CleanText(path);
        if (clean.empty() || !ParseAbsolute(clean, p)) return;
        list.push_back(p);
        TAbsPath longForm;
        if (ParseAbsolute(LongPathOf(p.Text()), longForm)) list.push_back(longForm);
    }
    static std::string Env(const char* name) {
        char buf[MAX_PATH * 2];
        DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
        return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
    }
    static std::string Csidl(int csidl) {
        char buf[MAX_PATH + 1] = {};
        return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf)) ? std::string(buf) : std::string();
    }

    // The system's folders do not move while the program runs: they are gathered once. The
    // program's own folder is asked each time (AppDir is set at start-up).
    static const TProtectedFolders& System() {
        static const TProtectedFolders folders;
        return folders;
    }

    TProtectedFolders() {
        char buf[MAX_PATH + 1];
        UINT n = GetWindowsDirectoryA(buf, sizeof buf);
        if (n > 0 && n < sizeof buf) Add(Windows, std::string(buf, n));
        n = GetSystemWindowsDirectoryA(buf, sizeof buf);
        if (n > 0 && n < sizeof buf) Add(Windows, std::string(buf, n));
        for (const char* v : {"SystemRoot", "windir"}) Add(Windows, Env(v));
        Add(Windows, Csidl(CSIDL_WINDOWS));

        for (int c : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
                      CSIDL_PROGRAM_FILES_COMMONX86})
            Add(ProgramRoots, Csidl(c));
        for (const char* v : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "CommonProgramFiles",
                              "CommonProgramFiles(x86)", "CommonProgramW6432"})
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
        for (const char* v : {"USERPROFILE", "ALLUSERSPROFILE", "PUBLIC", "APPDATA", "LOCALAPPDATA", "TEMP", "TMP"})
            Add(Special, Env(v));
        n = GetTempPathA(sizeof buf, buf);
        if (n > 0 && n < sizeof buf) Add(Special, std::string(buf, n));
    }

    static std::vector<TAbsPath> OwnFolder() {
        std::vector<TAbsPath> own;
        std::string dir = AppDir;
        if (dir.empty()) {
            char buf[MAX_PATH + 1];
            DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
            if (n > 0 && n < sizeof buf) dir = ExtractFilePath(std::string(buf, n));
        }
        Add(own, dir);
        return own;
    }

    // The named reasons first, so that "C:\Windows" is refused as the Windows folder rather
    // than as a folder right below a root.
    TFolderVerdict Judge(const TAbsPath& p, const std::vector<TAbsPath>& own) const {
        if (p.Parts.empty()) return TFolderVerdict::fvTooShallow;
        for (auto& w : Windows)
            if (p.WithinOrEqual(w)) return TFolderVerdict::fvWindows;
        for (auto& r : ProgramRoots)
            if (r.WithinOrEqual(p)) return TFolderVerdict::fvProgramFiles;
        for (auto& s : Special)
            if (s.WithinOrEqual(p)) return TFolderVerdict::fvSpecialFolder;
        for (auto& o : own)
            if (o.WithinOrEqual(p) || p.WithinOrEqual(o)) return TFolderVerdict::fvOwnFolder;
        return p.Parts.size() < 2 ? TFolderVerdict::fvTooShallow : TFolderVerdict::fvAllowed;
    }
};

} // namespace

TFolderVerdict CheckInstallFolder(const std::string& folder, std::string* normalised) {
    std::string text = CleanText(folder);
    if (text.empty()) return TFolderVerdict::fvEmpty;
    TAbsPath path;
    if (!ParseAbsolute(text, path)) return TFolderVerdict::fvRelative;
    const TProtectedFolders& guard = TProtectedFolders::System();
    const std::vector<TAbsPath> own = TProtectedFolders::OwnFolder();
    // Every spelling is judged: the text as given (so that a missing folder inside a protected
    // one is named for what it is), then, once it exists, the long and the final forms the
    // file system resolves. A named reason wins over "too shallow", which a short name of a
    // protected root would otherwise get.
    TFolderVerdict shallow = TFolderVerdict::fvAllowed;
    auto judge = [&](const TAbsPath& p) {
        TFolderVerdict v = guard.Judge(p, own);
        if (v == TFolderVerdict::fvTooShallow) shallow = v;
        return v == TFolderVerdict::fvTooShallow ? TFolderVerdict::fvAllowed : v;
    };
    if (auto v = judge(path); v != TFolderVerdict::fvAllowed) return v;
    std::string plain = path.Text();
    if (!DirectoryExists(plain)) return shallow == TFolderVerdict::fvAllowed ? TFolderVerdict::fvMissing : shallow;
    std::string longPath = LongPathOf(plain);
    for (const std::string& form : {longPath, FinalPathOf(plain)}) {
        TAbsPath resolved;
        if (form.empty() || !ParseAbsolute(form, resolved)) continue;
        if (auto v = judge(resolved); v != TFolderVerdict::fvAllowed) return v;
    }
    if (shallow != TFolderVerdict::fvAllowed) return shallow;
    if (normalised) *normalised = ExcludeTrailingBackslash(longPath);
    return TFolderVerdict::fvAllowed;
}

bool IsScannableRegistryName(const std::string& name) {
    static const char* const shared[] = {
        "Microsoft", "Windows", "Windows NT", "Classes", "Policies", "Wow6432Node", "Clients", "Setup", "Update",
        "Updates", "Installer", "Software", "CurrentVersion", "Uninstall", "Run", "RunOnce", "Explorer", "Shell",
        "Products", "Components", "Features", "UserData", "Common", "Common Files", "Program Files", "System",
        "Control", "Services", "Default", "Settings", "Options", "Config", "Environment", "Applets", "App Paths",
        "Internet Explorer", "ODBC", "Wine", "Users", "Printers", "Network", "Console", "SharedDLLs", "Help",
        "Tools", "Plugins", "Shared", "Uninstaller",
    };
    std::string trimmed = Trim(name);
    if (trimmed.empty()) return false;
    for (const char* s : shared)
        if (SameText(trimmed, s)) return false;
    return true;
}
