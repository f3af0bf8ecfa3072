// Installed programs as the Uninstall key of HKEY_LOCAL_MACHINE records them, and the
// screen savers of the Windows and system folders.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include <vector>

namespace quorbel {

inline constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr wchar_t kArpCacheKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";
inline constexpr wchar_t kCommentsKey[] = L"Software\\Velmora\\Quorbel\\Comments";

struct RawValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// Everything is read when the entry is listed, so its answers stay the same however often
// the program asks; only the icon is looked up late, because that costs a shell call.
struct ProgramEntry {
    std::wstring registryName;
    std::vector<RawValue> values;  // in the key's enumeration order
    bool isPatch = false;
    ULONG usageCount = 0;
    std::wstring lastUsed;
    mutable bool iconKnown = false;
    mutable LONG iconIndex = -1;
};

enum class FieldState { Absent, Text, WrongType };

// A named value as text. REG_EXPAND_SZ comes back expanded, since its readers use it as a
// command line or a folder; any other non-text type is WrongType with its type in *type.
FieldState ReadTextField(const ProgramEntry& e, const wchar_t* name, std::wstring& text, DWORD* type = nullptr);
const RawValue* FindValue(const ProgramEntry& e, const wchar_t* name);

std::wstring ValueAsText(const RawValue& v);
std::wstring RegTypeName(DWORD type);

// Reads one sub-key of the Uninstall key; false when it cannot be opened.
bool ReadProgramEntry(const std::wstring& registryName, ProgramEntry& out);
bool IsListedProgram(const ProgramEntry& e);
bool IsSystemPatch(const ProgramEntry& e);
std::vector<std::shared_ptr<const ProgramEntry>> ScanPrograms();

// The file whose icon stands for an entry: DisplayIcon without quotes and ",N", else the
// program that the uninstall command runs.
std::wstring IconSourcePath(const std::wstring& displayIcon, const std::wstring& uninstallString);
LONG SystemIconIndex(const std::wstring& path);
LONG ProgramIconIndex(const ProgramEntry& e);

// The usage record of the classic Add/Remove Programs cache (SlowInfoCache).
bool ParseSlowInfoCache(const BYTE* data, size_t size, ULONG& usageCount, FILETIME& lastUsed);
// Local time as "YYYY-MM-DD HH:MM"; empty for a time that was never set.
std::wstring FormatFileTime(const FILETIME& ft);

// Comments live per user, keyed by registry name; an empty comment removes the value.
LONG StoreComment(const std::wstring& registryName, const std::wstring& comment);
std::wstring LoadComment(const std::wstring& registryName);

bool SameName(const std::wstring& a, const std::wstring& b);

struct ScreenSaver {
    std::wstring fileName;
    std::wstring directory;  // with a trailing backslash
    std::wstring displayName;
    std::wstring publisher;
    std::wstring lastUsed;
    ULONG size = 0;
    mutable bool iconKnown = false;
    mutable LONG iconIndex = -1;
};

std::vector<ScreenSaver> ScanScreenSavers();
LONG ScreenSaverIconIndex(const ScreenSaver& s);
// String resource 1 of a module, read as data so that nothing of the file runs.
std::wstring ModuleString1(const std::wstring& path);
std::wstring FileCompanyName(const std::wstring& path);

} // namespace quorbel
