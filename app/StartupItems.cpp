#include "app/StartupItems.h"
#include "app/funUtils.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "framework/Classes.h"
#include "framework/Registry.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

// In the order the startup list shows them.
const char* const kRunKeys[] = {"Run", "RunServicesOnce", "RunServices", "RunOnce", "RunOnce\\Setup", "RunOnceEx"};

// Version blocks are a few kilobytes; anything near this size is not one.
constexpr DWORD kMaxVersionBlock = 1024 * 1024;

std::string RootPrefix(HKEY root) { return root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU"; }

std::string KeyLocation(HKEY root, const std::string& keyPath) { return RootPrefix(root) + "\\" + keyPath; }

std::string DisabledPath(const std::string& keyPath) { return keyPath + "\\" + RunDisableKey; }

// The data of a string value as text: up to its first NUL, and never past the bytes stored.
// False for a value of another type, one too long, or one that can't be read.
bool ReadStartupCommand(const TRegistry& reg, const std::string& name, std::string& text) {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    if (!reg.ReadRawValue(name, type, data, MaxStartupValueSize)) return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    const char* p = reinterpret_cast<const char*>(data.data());
    text.assign(p, data.empty() ? 0 : strnlen(p, data.size()));
    return true;
}

void AddValues(const TRegistry& reg, HKEY root, const std::string& keyPath, bool enabled,
               std::vector<TStartupItem>& items) {
    TStringList names;
    reg.GetValueNames(names);
    for (int i = 0; i < names.Count(); ++i) {
        TStartupItem item;
        item.Kind = skRegistryValue;
        item.Name = names[i];
        if (!ReadStartupCommand(reg, item.Name, item.Command)) continue;
        item.Location = KeyLocation(root, keyPath);
        item.Enabled = enabled;
        item.Root = root;
        item.KeyPath = keyPath;
        items.push_back(std::move(item));
    }
}

// A free name for fileName in dir: its own, else "name (2).ext", "name (3).ext", ...; when
// every one is taken, a taken one, which the copy then refuses to overwrite.
std::string FreeBackupName(const std::string& dir, const std::string& fileName) {
    std::string path = dir + fileName;
    std::string ext = ExtractFileExt(fileName);
    std::string stem = fileName.substr(0, fileName.size() - ext.size());
    for (int n = 2; n < 10000 && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        path = dir + stem + " (" + std::to_string(n) + ")" + ext;
    return path;
}

// A Startup-folder file leaves only after a copy of it is safe in the backup folder; a file
// that can't be removed takes its copy back.
TStartupResult BackUpAndRemove(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {seEntryMissing, ExtractFilePath(path), GetLastError()};
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {seIsFolder, path};
    if (BackupStartupDir.empty()) return {seBackupFailed, "Back up\\startup\\"};
    if (!DirectoryExists(BackupStartupDir) && !ForceDirectories(BackupStartupDir))
        return {seBackupFailed, BackupStartupDir, GetLastError()};
    std::string copy = FreeBackupName(BackupStartupDir, ExtractFileName(path));
    if (!CopyFileA(path.c_str(), copy.c_str(), TRUE)) return {seBackupFailed, BackupStartupDir, GetLastError()};
    if (!DeleteFileA(path.c_str())) {
        DWORD error = GetLastError();
        SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(copy.c_str());
        return {seFileFailed, path, error};
    }
    return {};
}

// Opens a key where an entry was found: one that is gone now is a missing entry, one that
// is there but refused is a key failure.
TStartupResult OpenExisting(TRegistry& reg, HKEY root, const std::string& path) {
    if (reg.OpenKey(path, false)) return {};
    return {reg.KeyExists(path) ? seKeyFailed : seEntryMissing, KeyLocation(root, path)};
}

TStartupResult MoveValue(TStartupItem& item, bool enabled) {
    const std::string keyLocation = KeyLocation(item.Root, item.KeyPath);
    const std::string disabledPath = DisabledPath(item.KeyPath);
    const std::string disabledLocation = KeyLocation(item.Root, disabledPath);
    TRegistry key, disabled;
    key.SetRootKey(item.Root);
    disabled.SetRootKey(item.Root);
    if (TStartupResult opened = OpenExisting(key, item.Root, item.KeyPath); !opened.Ok()) return opened;
    TRegistry& from = enabled ? disabled : key;
    TRegistry& to = enabled ? key : disabled;
    const std::string& fromLocation = enabled ? disabledLocation : keyLocation;
    const std::string& toLocation = enabled ? keyLocation : disabledLocation;

    // The source is read before anything is created, so a refusal leaves no trace.
    if (enabled) {
        if (TStartupResult opened = OpenExisting(disabled, item.Root, disabledPath); !opened.Ok()) return opened;
    }
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    if (!from.ReadRawValue(item.Name, type, data, MaxStartupValueSize)) return {seEntryMissing, fromLocation};
    bool created = false;
    if (!enabled) {
        created = !disabled.KeyExists(disabledPath);
        if (!disabled.OpenKey(disabledPath, true)) return {seKeyFailed, disabledLocation};
    }
    auto undoCreated = [&] {
        if (created) key.DeleteKey(RunDisableKey);
    };
    if (to.ValueExists(item.Name)) return {seNameTaken, toLocation};
    try {
        to.WriteRawValue(item.Name, type, data);
    } catch (const ERegistryException&) {
        undoCreated();
        return {seKeyFailed, toLocation};
    }
    if (!from.DeleteValue(item.Name)) {
        to.DeleteValue(item.Name);
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

std::vector<TStartupItem> LoadStartupItems(HKEY root) {
    std::vector<TStartupItem> items;
    for (const char* run : kRunKeys) {
        std::string keyPath = std::string(CurrentVersionKey) + run;
        TRegistry reg;
        reg.SetRootKey(root);
        if (!reg.OpenKey(keyPath, false)) continue;
        AddValues(reg, root, keyPath, true, items);
        if (reg.OpenKey(RunDisableKey, false)) AddValues(reg, root, keyPath, false, items);
    }
    return items;
}

std::vector<TStartupItem> LoadStartupFolder(const std::string& folder) {
    std::vector<TStartupItem> items;
    // An unknown folder must not turn into "\", the root of the current drive.
    if (folder.empty()) return items;
    std::string dir = WithTrailingBackslash(folder);
    TSearchRec found;
    constexpr int kListed = faReadOnly | faSysFile | faVolumeID | faDirectory | faArchive;
    for (int r = FindFirst(dir + "*.*", kListed, found); r == 0; r = FindNext(found)) {
        if (found.Name.empty() || found.Name[0] == '.') continue;
        TStartupItem item;
        item.Kind = skFolderEntry;
        item.Name = found.Name;
        item.Command = dir + found.Name;
        item.Location = dir;
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<TStartupItem> LoadStartupFolder() {
    std::vector<TStartupItem> items = LoadStartupFolder(GetSpecialFolder(CSIDL_STARTUP));
    std::vector<TStartupItem> common = LoadStartupFolder(GetSpecialFolder(CSIDL_COMMON_STARTUP));
    items.insert(items.end(), std::make_move_iterator(common.begin()), std::make_move_iterator(common.end()));
    return items;
}

std::vector<TStartupItem> ListStartupItems() {
    std::vector<TStartupItem> items = LoadStartupItems(HKEY_CURRENT_USER);
    auto append = [&items](std::vector<TStartupItem> part) {
        items.insert(items.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    };
    append(LoadStartupItems(HKEY_LOCAL_MACHINE));
    append(LoadStartupFolder());
    return items;
}

TStartupResult SetStartupItemEnabled(TStartupItem& item, bool enabled) {
    if (enabled == item.Enabled) return {};
    if (item.Kind == skFolderEntry) {
        // A folder entry is enabled by being there; one that was removed stays removed.
        if (enabled) return {seEntryMissing, item.Location};
        TStartupResult removed = BackUpAndRemove(item.Command);
        if (removed.Ok()) item.Enabled = false;
        return removed;
    }
    return MoveValue(item, enabled);
}

TStartupResult DeleteStartupItem(const TStartupItem& item) {
    if (item.Kind == skFolderEntry) return BackUpAndRemove(item.Command);
    TRegistry reg;
    reg.SetRootKey(item.Root);
    std::string path = item.Enabled ? item.KeyPath : DisabledPath(item.KeyPath);
    if (TStartupResult opened = OpenExisting(reg, item.Root, path); !opened.Ok()) return opened;
    std::string location = KeyLocation(item.Root, path);
    if (!reg.ValueExists(item.Name)) return {seEntryMissing, location};
    if (!reg.DeleteValue(item.Name)) return {seKeyFailed, location};
    return {};
}

TStartupResult AddStartupShortcut(const std::string& target, int csidl) {
    std::string folder = GetSpecialFolder(csidl);
    if (folder.empty()) return {seKeyFailed, "CSIDL " + std::to_string(csidl)};
    folder = WithTrailingBackslash(folder);
    std::string link = ChangeFileExt(folder + ExtractFileName(target), ".lnk");
    if (GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES) return {seNameTaken, folder};
    bool saved = false;
    try {
        saved = CreateShortcut(ExpandFileName(target), link);
    } catch (const Exception&) {
    }
    if (!saved) return {seKeyFailed, link};
    return {};
}

TStartupResult AddStartupRunValue(const std::string& target, HKEY root) {
    std::string keyPath = std::string(CurrentVersionKey) + "Run";
    std::string location = KeyLocation(root, keyPath);
    TRegistry reg;
    reg.SetRootKey(root);
    if (!reg.OpenKey(keyPath, false)) return {seKeyFailed, location};
    std::string name = ChangeFileExt(ExtractFileName(target), "");
    if (reg.ValueExists(name)) return {seNameTaken, location};
    try {
        reg.WriteString(name, ExpandFileName(target));
    } catch (const ERegistryException&) {
        return {seKeyFailed, location};
    }
    return {};
}

bool ReadVersionInfo(const std::string& path, TVersionTexts& texts, const std::string& extraKey) {
    texts = TVersionTexts{};
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0 || size > kMaxVersionBlock) return false;
    std::vector<uint8_t> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;

    // What VerQueryValue finds, bounded by the length it gives and by the block's end.
    auto query = [&](const std::string& sub, UINT& length) -> const uint8_t* {
        void* found = nullptr;
        length = 0;
        if (!VerQueryValueA(block.data(), sub.c_str(), &found, &length) || !found) return nullptr;
        auto* p = static_cast<const uint8_t*>(found);
        if (p < block.data() || p >= block.data() + block.size()) return nullptr;
        length = static_cast<UINT>(std::min<size_t>(length, block.data() + block.size() - p));
        return p;
    };
    std::string prefix;
    UINT length = 0;
    if (const uint8_t* p = query("\\VarFileInfo\\Translation", length); p && length >= 4) {
        WORD language = 0, codePage = 0;
        std::memcpy(&language, p, 2);
        std::memcpy(&codePage, p + 2, 2);
        prefix = "\\StringFileInfo\\" + IntToHex(language, 4) + IntToHex(codePage, 4) + "\\";
    }
    auto text = [&](const std::string& name) -> std::string {
        UINT n = 0;
        const uint8_t* p = prefix.empty() ? nullptr : query(prefix + name, n);
        if (!p || n == 0) return {};
        const char* s = reinterpret_cast<const char*>(p);
        return std::string(s, strnlen(s, n));
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
    if (const uint8_t* p = query("\\", length); p && length >= sizeof(VS_FIXEDFILEINFO))
        std::memcpy(&texts.FixedInfo, p, sizeof(VS_FIXEDFILEINFO));
    if (!extraKey.empty()) texts.Extra = text(extraKey);
    return true;
}

std::string StartupCommandPath(const std::string& command) {
    std::string path = command.substr(0, command.find('/'));
    path.erase(std::remove(path.begin(), path.end(), '"'), path.end());
    return Trim(path);
}

bool ReadStartupDetails(const TStartupItem& item, TStartupDetails& details) {
    details = TStartupDetails{};
    details.Command = item.Command;
    details.Location = item.Location;
    TVersionTexts texts;
    if (!ReadVersionInfo(StartupCommandPath(item.Command), texts)) return false;
    details.Publisher = texts.CompanyName;
    details.Version = texts.FileVersion;
    details.Description = texts.FileDescription;
    return true;
}
