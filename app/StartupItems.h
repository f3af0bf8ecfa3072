// What the system starts at log-on: the values of the Run-type registry keys of the current
// user and of the machine (a disabled value waits in the key's "Run_Disable" sub-key), and
// the entries of the user's and the common Startup folders. Listing, enabling and disabling,
// deleting, adding, and the version texts shown for a selected entry.
#pragma once
#include "framework/Win.h"

#include <string>
#include <vector>

enum class TStartupKind { skRegistryValue, skFolderEntry };
using enum TStartupKind;

// One startup entry: what its row shows and where the commands find it. The kind, the key,
// the view and the exact names are kept here, never re-read from the row's texts: the texts
// are in the 8-bit code page, which can't hold every character a name may have.
struct TStartupItem {
    TStartupKind Kind = skRegistryValue;
    // The value name, or the entry's file name as found, for showing.
    std::string Name;
    // The value's data as text, or the entry's full path (a shortcut's own path, never its
    // target), for showing.
    std::string Command;
    // "HKCU\<key path>" or "HKLM\<key path>" (a disabled value shows its parent key; a key of
    // the 32-bit view on 64-bit Windows shows as the 64-bit editor names it, with
    // WOW6432Node), or the folder with its trailing backslash.
    std::string Location;
    // A registry value lies in its key (true) or in the key's Run_Disable sub-key (false);
    // a folder entry is always enabled.
    bool Enabled = true;
    // Registry values: HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE, the Run-type key below it, and
    // the registry view it was read from (KEY_WOW64_64KEY, KEY_WOW64_32KEY, or 0 on 32-bit
    // Windows).
    HKEY Root = nullptr;
    std::string KeyPath;
    REGSAM View = 0;
    // What every command works from: the value name or the file name exactly, and the value's
    // data as text or the entry's full path exactly.
    std::wstring ExactName;
    std::wstring ExactCommand;
};

// Why a change was refused; nothing was changed when it was.
enum class TStartupError {
    seNone,
    seNameTaken,      // the target already holds an entry of that name
    seKeyFailed,      // a key (or a shortcut file) could not be opened or written
    seEntryMissing,   // the entry is no longer where it was listed
    seBackupFailed,   // no backup copy of a file could be made
    seFileFailed,     // the file could not be removed
    seIsFolder        // folders in a Startup folder are listed, never removed
};
using enum TStartupError;

struct TStartupResult {
    TStartupError Error = seNone;
    // The key, folder or file the error concerns.
    std::string Where;
    // The system's error code, when the system gave one.
    DWORD SystemError = 0;
    bool Ok() const { return Error == seNone; }
    // The reason in the user's language.
    std::string Text() const;
};

// The sub-key of a Run-type key that holds its disabled values, and where the Run-type keys
// lie under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
constexpr const char* RunDisableKey = "Run_Disable";
constexpr const char* CurrentVersionKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";

// Registry value data longer than this is taken for absent: a command line is far shorter.
constexpr size_t MaxStartupValueSize = 64 * 1024;

// The views of HKLM\SOFTWARE the page reads: on 64-bit Windows the 64-bit one, then the 32-bit
// one; on 32-bit Windows the only one there is (0).
std::vector<REGSAM> StartupRegistryViews();
// The view of HKCU's Run-type keys, which both views share on 64-bit Windows, and of the
// Run keys an added value goes to: the system's own view.
REGSAM NativeRegistryView();

// The values of the six Run-type keys of root (HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE) in one
// registry view, key by key ("Run", "RunServicesOnce", "RunServices", "RunOnce",
// "RunOnce\Setup", "RunOnceEx"), each key's own values first, then those of its Run_Disable
// sub-key, in the order the system lists them. A key that can't be opened is passed over; a
// value that is not a string, or is too long, is skipped.
std::vector<TStartupItem> LoadStartupItems(HKEY root, REGSAM view);
// Every entry of the user's Startup folder, then of the common one: files and sub-folders
// alike, except hidden entries and names beginning with ".".
std::vector<TStartupItem> LoadStartupFolder();
// The same for one folder (given with or without its trailing backslash).
std::vector<TStartupItem> LoadStartupFolder(const std::wstring& folder);
// All of them, in the order the startup list shows them: HKCU, HKLM in each of its views,
// the folders.
std::vector<TStartupItem> ListStartupItems();

// Moves a registry value between its key and Run_Disable, in its own view, with its name,
// type and bytes unchanged, or (disabling a folder entry) copies the file into
// BackupStartupDir and removes it. On success item.Enabled is the new state; on failure
// nothing changed.
TStartupResult SetStartupItemEnabled(TStartupItem& item, bool enabled);
// Deletes the value from where it lies now (its key, or Run_Disable when disabled), or
// copies the file into BackupStartupDir and removes it.
TStartupResult DeleteStartupItem(const TStartupItem& item);

// A shortcut to target in a Startup folder (CSIDL_STARTUP or CSIDL_COMMON_STARTUP), named
// after the target with the extension ".lnk", its working folder the target's folder.
// An existing shortcut of that name is not replaced.
TStartupResult AddStartupShortcut(const std::wstring& target, int csidl);
// A string value in root's existing Run key of the system's own view, named after the
// target's file name without its extension, with the target's full path as data. An existing
// value is not replaced.
TStartupResult AddStartupRunValue(const std::wstring& target, HKEY root);

// The texts of a file's version block, read by ReadVersionInfo.
struct TVersionTexts {
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyright;
    std::string LegalTrademarks;
    std::string OriginalFileName;
    std::string ProductName;
    std::string ProductVersion;
    std::string Comments;
    VS_FIXEDFILEINFO FixedInfo{};
    // The text of the key the caller named.
    std::string Extra;
};

// Reads the version block of path: the ten texts of the block's first translation, the
// fixed file information and, when extraKey is not empty, that text too. False when the
// file has no version block. A block without a translation gives empty texts. A path in the
// system folder names the real one, as the shell that starts the entries sees it, also in
// a 32-bit process on 64-bit Windows.
bool ReadVersionInfo(const std::wstring& path, TVersionTexts& texts, const std::string& extraKey = "");

// The program a startup command names, for its version texts: what stands before the first
// "/", without double quotes and surrounding blanks.
std::wstring StartupCommandPath(const std::wstring& command);

// The details box of a selected entry.
struct TStartupDetails {
    std::string Command;
    std::string Location;
    std::string Publisher;     // CompanyName
    std::string Version;       // FileVersion
    std::string Description;   // FileDescription
};
// False when the entry's program has no version block: the details box is then hidden.
bool ReadStartupDetails(const TStartupItem& item, TStartupDetails& details);
