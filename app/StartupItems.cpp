#include "app/StartupItems.h"
#include "app/RegistryViews.h"
#include "app/funUtils.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "framework/Classes.h"
#include "framework/Registry.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>

namespace {

// In the order the startup list shows them.
const char* const kRunKeys[] = {"Run", "RunServicesOnce", "RunServices", "RunOnce", "RunOnce\\Setup", "RunOnceEx"};

// Version blocks are a few kilobytes; anything near this size is not one.
constexpr DWORD kMaxVersionBlock = 1024 * 1024;

std::string RootPrefix(HKEY root) { return root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU"; }

// The key as the system's own registry editor names it: on 64-bit Windows the 32-bit view of
// HKLM\SOFTWARE lies below SOFTWARE\WOW6432Node.
std::string KeyLocation(HKEY root, const std::string& keyPath, REGSAM view) {
    std::string path = keyPath;
    const std::string software = "SOFTWARE\\";
    if (root == HKEY_LOCAL_MACHINE && view == KEY_WOW64_32KEY && Is64BitWindows() &&
        SameText(path.substr(0, software.size()), software))
        path.insert(software.size(), "WOW6432Node\\");
    return RootPrefix(root) + "\\" + path;
}

std::string KeyLocation(const TStartupItem& item, const std::string& keyPath) {
    return KeyLocation(item.Root, keyPath, item.View);
}

std::string DisabledPath(const std::string& keyPath) { return keyPath + "\\" + RunDisableKey; }

// A registry object for one view of root, with full access.
void OpenRoot(TRegistry& reg, HKEY root, REGSAM view) {
    reg.SetAccess(KEY_ALL_ACCESS | view);
    reg.SetRootKey(root);
}

// The data of a string value as UTF-16 text: up to its first NUL, and never past the bytes
// stored. False for a value of another type, one too long, or one that can't be read.
bool ReadStartupCommand(const TRegistry& reg, const std::wstring& name, std::wstring& text) {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    if (!reg.ReadRawValueW(name, type, data, MaxStartupValueSize)) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    text.assign(data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    text.resize(std::min(text.size(), text.find(L'\0')));
    return true;
}

void AddValues(const TRegistry& reg, HKEY root, REGSAM view, const std::string& keyPath, bool enabled,
               std::vector<TStartupItem>& items) {
    for (std::wstring& name : reg.GetValueNamesW()) {
        TStartupItem item;
        if (!ReadStartupCommand(reg, name, item.ExactCommand)) continue;
        item.Kind = skRegistryValue;
        item.ExactName = std::move(name);
        item.Name = FromWide(item.ExactName);
        item.Command = FromWide(item.ExactCommand);
        item.Location = KeyLocation(root, keyPath, view);
        item.Enabled = enabled;
        item.Root = root;
        item.KeyPath = keyPath;
        item.View = view;
        items.push_back(std::move(item));
    }
}

// The full path of a file name given relative to the current folder, exactly.
std::wstring FullPath(const std::wstring& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    DWORD got = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (got == 0 || got >= size) return path;
    full.resize(got);
    return full;
}

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The folder part of a path, with its trailing backslash.
std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\:");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring WithTrailingBackslashW(const std::wstring& path) {
    return !path.empty() && path.back() == L'\\' ? path : path + L'\\';
}

// A free name for fileName in dir: its own, else "name (2).ext", "name (3).ext", ...; when
// every one is taken, a taken one, which the copy then refuses to overwrite.
std::wstring FreeBackupName(const std::wstring& dir, const std::wstring& fileName) {
    const std::filesystem::path name(fileName);
    const std::wstring stem = name.stem().wstring();
    const std::wstring ext = name.extension().wstring();
    std::wstring path = dir + fileName;
    for (int n = 2; n < 10000 && PathExists(path); ++n) path = dir + stem + L" (" + std::to_wstring(n) + L")" + ext;
    return path;
}

// A Startup-folder file leaves only after a copy of it is safe in the backup folder; a file
// that can't be removed takes its copy back.
TStartupResult BackUpAndRemove(const std::wstring& path) {
    const std::string shown = FromWide(path);
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {seEntryMissing, FromWide(FolderOf(path)), GetLastError()};
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {seIsFolder, shown};
    if (BackupStartupDir.empty()) return {seBackupFailed, "Back up\\startup\\"};
    if (!DirectoryExists(BackupStartupDir) && !ForceDirectories(BackupStartupDir))
        return {seBackupFailed, BackupStartupDir, GetLastError()};
    const std::wstring backupDir = WithTrailingBackslashW(ToWide(BackupStartupDir));
    std::wstring copy = FreeBackupName(backupDir, path.substr(FolderOf(path).size()));
    if (!CopyFileW(path.c_str(), copy.c_str(), TRUE)) return {seBackupFailed, BackupStartupDir, GetLastError()};
    if (!DeleteFileW(path.c_str())) {
        DWORD error = GetLastError();
        SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(copy.c_str());
        return {seFileFailed, shown, error};
    }
    return {};
}

// Opens a key where an entry was found: one that is gone now is a missing entry, one that
// is there but refused is a key failure.
TStartupResult OpenExisting(TRegistry& reg, const TStartupItem& item, const std::string& path) {
    if (reg.OpenKey(path, false)) return {};
    return {reg.KeyExists(path) ? seKeyFailed : seEntryMissing, KeyLocation(item, path)};
}

TStartupResult MoveValue(TStartupItem& item, bool enabled) {
    const std::string keyLocation = KeyLocation(item, item.KeyPath);
    const std::string disabledPath = DisabledPath(item.KeyPath);
    const std::string disabledLocation = KeyLocation(item, disabledPath);
    TRegistry key, disabled;
    OpenRoot(key, item.Root, item.View);
    OpenRoot(disabled, item.Root, item.View);
    if (TStartupResult opened = OpenExisting(key, item, item.KeyPath); !opened.Ok()) return opened;
    TRegistry& from = enabled ? disabled : key;
    TRegistry& to = enabled ? key : disabled;
    const std::string& fromLocation = enabled ? disabledLocation : keyLocation;
    const std::string& toLocation = enabled ? keyLocation : disabledLocation;

    // The source is read before anything is created, so a refusal leaves no trace.
    if (enabled) {
        if (TStartupResult opened = OpenExisting(disabled, item, disabledPath); !opened.Ok()) return opened;
    }
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    if (!from.ReadRawValueW(item.ExactName, type, data, MaxStartupValueSize)) return {seEntryMissing, fromLocation};
    bool created = false;
    if (!enabled) {
        created = !disabled.KeyExists(disabledPath);
        if (!disabled.OpenKey(disabledPath, true)) return {seKeyFailed, disabledLocation};
    }
    auto undoCreated = [&] {
        if (created) key.DeleteKey(RunDisableKey);
    };
    if (to.ValueExistsW(item.ExactName)) return {seNameTaken, toLocation};
    try {
        to.WriteRawValueW(item.ExactName, type, data);
    } catch (const ERegistryException&) {
        undoCreated();
        return {seKeyFailed, toLocation};
    }
    if (!from.DeleteValueW(item.ExactName)) {
        to.DeleteValueW(item.ExactName);
        undoCreated();
        return {seKeyFailed, fromLocation};
    }
    item.Enabled = enabled;
    return {};
}

} // namespace

std::string TStartupResult::Text() const {
    auto lang = [](const std::string& text, const auto&... args) { return FormatLang(text, DefaultOf(text), args...); };
    switch (Error) {
    case seNone: return {};
    case seNameTaken: return lang(IDS_MESSAGEBOX_WARNING_StartupNameTaken, Where);
    case seKeyFailed: return lang(IDS_MESSAGEBOX_WARNING_StartupKeyFailed, Where);
    case seEntryMissing: return lang(IDS_MESSAGEBOX_WARNING_StartupEntryMissing, Where);
    case seBackupFailed: return lang(IDS_MESSAGEBOX_WARNING_StartupBackupFailed, Where);
    case seFileFailed: return lang(IDS_MESSAGEBOX_WARNING_StartupFileFailed, Where, SysErrorMessage(SystemError));
    case seIsFolder: return lang(IDS_MESSAGEBOX_WARNING_StartupIsFolder, Where);
    }
    return {};
}

std::vector<REGSAM> StartupRegistryViews() {
    if (!Is64BitWindows()) return {0};
    return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
}

REGSAM NativeRegistryView() { return Is64BitWindows() ? KEY_WOW64_64KEY : 0; }

std::vector<TStartupItem> LoadStartupItems(HKEY root, REGSAM view) {
    std::vector<TStartupItem> items;
    for (const char* run : kRunKeys) {
        std::string keyPath = std::string(CurrentVersionKey) + run;
        TRegistry reg;
        OpenRoot(reg, root, view);
        if (!reg.OpenKey(keyPath, false)) continue;
        AddValues(reg, root, view, keyPath, true, items);
        if (reg.OpenKey(RunDisableKey, false)) AddValues(reg, root, view, keyPath, false, items);
    }
    return items;
}

std::vector<TStartupItem> LoadStartupFolder(const std::wstring& folder) {
    std::vector<TStartupItem> items;
    // An unknown folder must not turn into "\", the root of the current drive.
    if (folder.empty()) return items;
    const std::wstring dir = WithTrailingBackslashW(folder);
    const std::string shownDir = FromWide(dir);
    WIN32_FIND_DATAW found{};
    TFindHandle search(FindFirstFileExW((dir + L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                        nullptr, 0));
    for (bool more = bool(search); more; more = FindNextFileW(search.Get(), &found)) {
        const std::wstring name(found.cFileName, wcsnlen(found.cFileName, MAX_PATH));
        if (name.empty() || name[0] == L'.' || (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) continue;
        TStartupItem item;
        item.Kind = skFolderEntry;
        item.ExactName = name;
        item.ExactCommand = dir + name;
        item.Name = FromWide(name);
        item.Command = FromWide(item.ExactCommand);
        item.Location = shownDir;
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<TStartupItem> LoadStartupFolder() {
    std::vector<TStartupItem> items = LoadStartupFolder(GetSpecialFolderW(CSIDL_STARTUP));
    std::vector<TStartupItem> common = LoadStartupFolder(GetSpecialFolderW(CSIDL_COMMON_STARTUP));
    items.insert(items.end(), std::make_move_iterator(common.begin()), std::make_move_iterator(common.end()));
    return items;
}

std::vector<TStartupItem> ListStartupItems() {
    std::vector<TStartupItem> items = LoadStartupItems(HKEY_CURRENT_USER, NativeRegistryView());
    auto append = [&items](std::vector<TStartupItem> part) {
        items.insert(items.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    };
    for (REGSAM view : StartupRegistryViews()) append(LoadStartupItems(HKEY_LOCAL_MACHINE, view));
    append(LoadStartupFolder());
    return items;
}

TStartupResult SetStartupItemEnabled(TStartupItem& item, bool enabled) {
    if (enabled == item.Enabled) return {};
    if (item.Kind == skFolderEntry) {
        // A folder entry is enabled by being there; one that was removed stays removed.
        if (enabled) return {seEntryMissing, item.Location};
        TStartupResult removed = BackUpAndRemove(item.ExactCommand);
        if (removed.Ok()) item.Enabled = false;
        return removed;
    }
    return MoveValue(item, enabled);
}

TStartupResult DeleteStartupItem(const TStartupItem& item) {
    if (item.Kind == skFolderEntry) return BackUpAndRemove(item.ExactCommand);
    TRegistry reg;
    OpenRoot(reg, item.Root, item.View);
    std::string path = item.Enabled ? item.KeyPath : DisabledPath(item.KeyPath);
    if (TStartupResult opened = OpenExisting(reg, item, path); !opened.Ok()) return opened;
    std::string location = KeyLocation(item, path);
    if (!reg.ValueExistsW(item.ExactName)) return {seEntryMissing, location};
    if (!reg.DeleteValueW(item.ExactName)) return {seKeyFailed, location};
    return {};
}

TStartupResult AddStartupShortcut(const std::wstring& target, int csidl) {
    std::wstring folder = GetSpecialFolderW(csidl);
    if (folder.empty()) return {seKeyFailed, "CSIDL " + std::to_string(csidl)};
    folder = WithTrailingBackslashW(folder);
    std::wstring link = folder + std::filesystem::path(target).stem().wstring() + L".lnk";
    if (PathExists(link)) return {seNameTaken, FromWide(folder)};
    bool saved = false;
    try {
        saved = CreateShortcutW(FullPath(target), link);
    } catch (const Exception&) {
    }
    if (!saved) return {seKeyFailed, FromWide(link)};
    return {};
}

TStartupResult AddStartupRunValue(const std::wstring& target, HKEY root) {
    const REGSAM view = NativeRegistryView();
    std::string keyPath = std::string(CurrentVersionKey) + "Run";
    std::string location = KeyLocation(root, keyPath, view);
    TRegistry reg;
    OpenRoot(reg, root, view);
    if (!reg.OpenKey(keyPath, false)) return {seKeyFailed, location};
    const std::wstring name = std::filesystem::path(target).stem().wstring();
    if (reg.ValueExistsW(name)) return {seNameTaken, location};
    const std::wstring path = FullPath(target);
    const auto* bytes = reinterpret_cast<const uint8_t*>(path.c_str());
    try {
        reg.WriteRawValueW(name, REG_SZ, std::vector<uint8_t>(bytes, bytes + (path.size() + 1) * sizeof(wchar_t)));
    } catch (const ERegistryException&) {
        return {seKeyFailed, location};
    }
    return {};
}

bool ReadVersionInfo(const std::wstring& path, TVersionTexts& texts, const std::string& extraKey) {
    texts = TVersionTexts{};
    std::vector<uint8_t> block;
    {
        // The file the 64-bit shell would start: for a 32-bit process the system folder is
        // redirected to the 32-bit one, which may hold another program or none of that name.
        TFsRedirectionOff native;
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        if (size == 0 || size > kMaxVersionBlock) return false;
        block.resize(size);
        if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return false;
    }

    // What VerQueryValue finds, bounded by the length it gives (in characters for a text) and
    // by the block's end.
    auto query = [&](const std::wstring& sub, UINT& length, size_t unit) -> const uint8_t* {
        void* found = nullptr;
        length = 0;
        if (!VerQueryValueW(block.data(), sub.c_str(), &found, &length) || !found) return nullptr;
        auto* p = static_cast<const uint8_t*>(found);
        if (p < block.data() || p >= block.data() + block.size()) return nullptr;
        length = static_cast<UINT>(std::min<size_t>(length, (block.data() + block.size() - p) / unit));
        return p;
    };
    std::wstring prefix;
    UINT length = 0;
    if (const uint8_t* p = query(L"\\VarFileInfo\\Translation", length, 1); p && length >= 4) {
        WORD language = 0, codePage = 0;
        std::memcpy(&language, p, 2);
        std::memcpy(&codePage, p + 2, 2);
        prefix = ToWide("\\StringFileInfo\\" + IntToHex(language, 4) + IntToHex(codePage, 4) + "\\");
    }
    auto text = [&](const std::string& name) -> std::string {
        UINT n = 0;
        const uint8_t* p = prefix.empty() ? nullptr : query(prefix + ToWide(name), n, sizeof(wchar_t));
        if (!p || n == 0) return {};
        std::wstring s(n, L'\0');
        std::memcpy(s.data(), p, n * sizeof(wchar_t));
        return FromWide(s.substr(0, s.find(L'\0')));
    };
    texts.CompanyName = text("CompanyName");
    texts.FileDescription = text("FileDescription");
    texts.FileVersion = text("FileVersion");
    texts.InternalName = text("InternalName");
    texts.LegalCopyright = text("LegalCopyright");
    texts.LegalTrademarks = text("LegalTrademarks");
    texts.OriginalFileName = text("OriginalFileName");
    texts.ProductName = text("ProductName");
    texts.ProductVersion = text("ProductVersion");
    texts.Comments = text("Comments");
    if (const uint8_t* p = query(L"\\", length, 1); p && length >= sizeof(VS_FIXEDFILEINFO))
        std::memcpy(&texts.FixedInfo, p, sizeof(VS_FIXEDFILEINFO));
    if (!extraKey.empty()) texts.Extra = text(extraKey);
    return true;
}

std::wstring StartupCommandPath(const std::wstring& command) {
    std::wstring path = command.substr(0, command.find(L'/'));
    path.erase(std::remove(path.begin(), path.end(), L'"'), path.end());
    auto blank = [](wchar_t c) { return c <= L' '; };
    auto first = std::find_if_not(path.begin(), path.end(), blank);
    auto last = std::find_if_not(path.rbegin(), path.rend(), blank).base();
    return first < last ? std::wstring(first, last) : std::wstring();
}

bool ReadStartupDetails(const TStartupItem& item, TStartupDetails& details) {
    details = TStartupDetails{};
    details.Command = item.Command;
    details.Location = item.Location;
    TVersionTexts texts;
    if (!ReadVersionInfo(StartupCommandPath(item.ExactCommand), texts)) return false;
    details.Publisher = texts.CompanyName;
    details.Version = texts.FileVersion;
    details.Description = texts.FileDescription;
    return true;
}
