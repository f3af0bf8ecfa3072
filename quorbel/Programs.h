// Installed programs as the Uninstall key of HKEY_LOCAL_MACHINE records them, and the
// screen savers of the Windows and system folders.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorbel {

inline constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr wchar_t kArpCacheKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";
inline constexpr wchar_t kCommentsKey[] = L"Software\\Velmora\\Quorbel\\Comments";

// Registry data past these bounds is not read: no installer writes such values, and a
// planted one must not cost the listing its memory.
inline constexpr DWORD kMaxValueBytes = 1u << 20;
inline constexpr size_t kMaxValueCount = 16384;

// The registry view an entry was read from, named by the width of the programs it serves.
// 64-bit Windows keeps two views of HKLM\SOFTWARE; 32-bit Windows has only the 32-bit one.
enum class RegistryView : LONG { Bits32 = 32, Bits64 = 64 };

bool Is64BitWindows();
// A 32-bit process on 64-bit Windows: its system folder and the 64-bit view's paths are
// redirected.
bool RunsUnderWow64();
// The view this process sees when it names none: the one its own width is given.
RegistryView OwnView();
// The views entries are listed from, the system's own first.
std::vector<RegistryView> ListedViews();
// The access flag that opens a key in view (none on 32-bit Windows).
REGSAM ViewAccess(RegistryView view);
// 32 or 64 as a view; false for anything else.
bool ViewFromNumber(LONG number, RegistryView& view);

// A folder as the system names it through get (GetWindowsDirectoryW and its siblings), with
// a trailing backslash; empty when it can't be told.
std::wstring SystemNamedFolder(UINT (WINAPI *get)(LPWSTR, UINT));
// The system folder that holds the system's own programs, as this process reaches it, with a
// trailing backslash (empty when it can't be told). A 32-bit process on 64-bit Windows is
// shown SysWOW64 under the system folder's name; the real one it reaches through the alias
// Sysnative, which exists for such processes only.
std::wstring NativeSystemFolder();
// True where a 64-bit entry's paths and variables don't mean for this process what they mean
// for the program that wrote them: a 32-bit process reading the 64-bit view.
bool IsRedirectedView(RegistryView view);
// path as this process reaches the file that a 64-bit program means by it: a path in the
// system folder goes through NativeSystemFolder. Any other path stays as it is.
std::wstring NativeSystemPath(const std::wstring& path);
// The other way round: a path through NativeSystemFolder's alias named by the system
// folder's usual name, which a thread of this process reaches as that file only inside a
// TRealSystemFolder. Any other path stays as it is.
std::wstring ShownSystemPath(const std::wstring& path);

// A 32-bit process on 64-bit Windows sees the real system folder by its usual name while
// this lives (file-system redirection off for the thread), when wanted. For one call that
// can't be given the alias; nothing may be loaded meanwhile.
class TRealSystemFolder {
public:
    explicit TRealSystemFolder(bool wanted = true);
    ~TRealSystemFolder();
    TRealSystemFolder(const TRealSystemFolder&) = delete;
    TRealSystemFolder& operator=(const TRealSystemFolder&) = delete;

private:
    void* old_ = nullptr;
    bool off_ = false;
};

struct RawValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;  // empty for a value larger than kMaxValueBytes
};

struct ProgramUsage {
    ULONG count = 0;
    std::wstring lastUsed;
};

// One entry of a snapshot. What the list fill shows is read when the entry is listed;
// the rest (the key's values, usage) is read when first asked for and then kept, so an
// entry's answers stay the same however often the program asks.
class ProgramEntry {
public:
    std::wstring registryName;
    RegistryView view = OwnView();
    std::wstring displayName;
    std::wstring uninstallString;
    std::wstring publisher;
    std::wstring installLocation;
    std::wstring iconKey;  // see IconKey
    bool isPatch = false;

    const std::vector<RawValue>& Values() const;
    const ProgramUsage& Usage() const;
    // Text of a named value (REG_SZ, or REG_EXPAND_SZ expanded); empty for any other type.
    std::wstring DetailText(const wchar_t* name) const;
    // EstimatedSize in bytes; 0 when it is absent or not a number.
    float SizeInBytes() const;

private:
    mutable std::unique_ptr<const std::vector<RawValue>> values_;
    mutable std::unique_ptr<const ProgramUsage> usage_;
};

using ProgramSnapshot = std::vector<std::shared_ptr<const ProgramEntry>>;

// The listed entries of every view, view by view in ListedViews' order, each in the key's
// order and each registry name once per view.
ProgramSnapshot ScanPrograms();
// Reads one sub-key of a view whatever it holds, all of it at once; null when it cannot be
// opened.
std::shared_ptr<const ProgramEntry> ReadWholeEntry(const std::wstring& registryName, RegistryView view);

std::wstring ValueAsText(const RawValue& v);

// The usage record of the classic Add/Remove Programs cache (SlowInfoCache).
bool ParseSlowInfoCache(const BYTE* data, size_t size, ULONG& usageCount, FILETIME& lastUsed);
// Local time as "YYYY-MM-DD HH:MM"; empty for a time never set or not a date.
std::wstring FormatFileTime(const FILETIME& ft);
// REG_EXPAND_SZ text expanded, or as stored when the system cannot expand it whole.
std::wstring ExpandText(const std::wstring& s);
// A 64-bit entry's text as a 32-bit process on 64-bit Windows must expand it: there the
// program-folder variables name the 32-bit folders, so they become the ones that name the
// 64-bit folders (With64BitFolderVariables). Any other entry's text, or any text read by a
// 64-bit process, stays as it is.
std::wstring WithViewVariables(const std::wstring& text, RegistryView view);
// %ProgramFiles% -> %ProgramW6432%, %CommonProgramFiles% -> %CommonProgramW6432%, in any case.
std::wstring With64BitFolderVariables(const std::wstring& text);

// Comments live per user, keyed by view and registry name; an empty comment removes the
// value. Comments stored before entries had views belong to the process's own view and are
// still read for it until a new comment replaces them.
LONG StoreComment(const std::wstring& registryName, RegistryView view, const std::wstring& comment);
std::wstring LoadComment(const std::wstring& registryName, RegistryView view);

bool SameName(const std::wstring& a, const std::wstring& b);
// a equals b, or what b becomes after a trip through the system's 8-bit code page (the
// program keeps registry names as 8-bit text and hands them back that way).
bool SameNameOrAnsiTrip(const std::wstring& a, const std::wstring& b);
std::wstring Trim(const std::wstring& s);

// ---- Icons ----------------------------------------------------------------------------------

// What an entry's icon is taken from: "I" + DisplayIcon, else "U" + the file that the
// uninstall command runs, and before that "N" for an entry of a redirected view
// (IsRedirectedView), whose files are looked for where its own program sees them. Entries
// with equal keys have the same icon.
std::wstring IconKey(const std::wstring& displayIcon, const std::wstring& uninstallString, RegistryView view);
// Index into the system image list of a file's own icon.
LONG SystemIconIndex(const std::wstring& path);
// Of the icon that the key names: for DisplayIcon "file,N" icon number N of the file.
LONG IconIndexForKey(const std::wstring& iconKey);

// Icon indexes by key, kept across refreshes for keys that are still listed: the system
// image list keeps its icons for the process's lifetime, so an index stays good.
class TIconCache {
public:
    template <class Lookup>
    LONG Get(const std::wstring& key, Lookup lookup) {
        auto found = icons_.find(key);
        if (found != icons_.end()) return found->second;
        LONG index = lookup();
        icons_.emplace(key, index);
        return index;
    }
    template <class List, class KeyOf>
    void KeepOnly(const List& list, KeyOf keyOf) {
        std::unordered_map<std::wstring, LONG> kept;
        for (const auto& item : list) {
            auto found = icons_.find(keyOf(item));
            if (found != icons_.end()) kept.insert(*found);
        }
        icons_.swap(kept);
    }

private:
    std::unordered_map<std::wstring, LONG> icons_;
};

// ---- Screen savers --------------------------------------------------------------------------

struct ScreenSaver {
    std::wstring fileName;
    std::wstring directory;  // with a trailing backslash
    std::wstring displayName;
    std::wstring publisher;
    std::wstring lastUsed;
    FILETIME lastAccess{};   // as found, put back after the component has read the file
    ULONG size = 0;
};

std::vector<ScreenSaver> ScanScreenSavers();
LONG ScreenSaverIconIndex(const ScreenSaver& s, TIconCache& cache);

} // namespace quorbel
