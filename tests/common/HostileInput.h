// Input for the program-list component as a hostile user would plant it in the prefix:
// malformed screen saver files and badly typed Uninstall values.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace hostile {

// ---- Program files --------------------------------------------------------------------------

struct TResource {
    WORD Type;
    WORD Name;
    WORD Language;
    std::vector<BYTE> Data;
    DWORD DeclaredSize = 0;  // what the file states; 0: the data's real size
};

struct TPeFile {
    std::vector<BYTE> Bytes;
    std::vector<size_t> DataOffsets;  // where each resource's data starts in Bytes
};

// A 32-bit PE file without code whose only section holds the resources given.
TPeFile PeFile(const std::vector<TResource>& resources);

// String-table block 1: string 1 is text, stored with length declaredLength when given.
std::vector<BYTE> NameBlock(const std::wstring& text, int declaredLength = -1);

// A version resource whose string table (Language, code page 1200) holds CompanyName.
struct TVersionShape {
    WORD Language = 0x0409;
    WORD TranslationLanguage = 0;  // what Translation names; 0: Language
    int TranslationLength = -1;    // the stated value lengths, when not the real ones
    int CompanyLength = -1;
    bool CompanyLast = false;      // the company text ends the resource, unterminated
    // A second table, company "Decoy Corp", that only the bytes after the resource's end
    // name as a translation: a reader going past Translation finds it.
    WORD DecoyLanguage = 0;
};
std::vector<BYTE> VersionResource(const std::wstring& company, const TVersionShape& shape = {});

bool WriteFileBytes(const std::wstring& path, const std::vector<BYTE>& bytes);

// The malformed screen savers, each named after its fault, with what a reading bounded by
// the file gives for them.
struct TScreenSaverFile {
    std::wstring FileName;
    std::vector<BYTE> Bytes;
    std::wstring DisplayName;
    std::wstring Publisher;
};
std::vector<TScreenSaverFile> MalformedScreenSavers();

// Writes files into the Windows folder for the object's lifetime.
class TPlantedFiles {
public:
    explicit TPlantedFiles(const std::vector<TScreenSaverFile>& files);
    ~TPlantedFiles();
    TPlantedFiles(const TPlantedFiles&) = delete;
    TPlantedFiles& operator=(const TPlantedFiles&) = delete;
    bool Ok() const { return ok_; }
    static std::wstring Folder();

private:
    std::vector<std::wstring> paths_;
    bool ok_ = true;
};

// ---- Uninstall entries ------------------------------------------------------------------------

extern const wchar_t kUninstallKey[];
extern const wchar_t kArpCacheKey[];

void SetText(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ);
void SetBytes(HKEY key, const wchar_t* name, DWORD type, const void* data, size_t size);
void SetDword(HKEY key, const wchar_t* name, DWORD value);

// The registry view a program of this build reads when it names none, as a KEY_WOW64_* flag
// (ignored on 32-bit Windows, which has one view).
constexpr REGSAM kOwnView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

// Sub-keys of HKLM's Uninstall key (and of the usage cache) whose names begin with a
// prefix, in the registry view that view (a KEY_WOW64_* flag) names, removed from it at
// construction and destruction. The benchmarks plant theirs with it too.
class TPlantedEntries {
public:
    TPlantedEntries(std::wstring prefix, REGSAM view);
    ~TPlantedEntries();
    TPlantedEntries(const TPlantedEntries&) = delete;
    TPlantedEntries& operator=(const TPlantedEntries&) = delete;

    // Creates prefix + name and fills it; false when the key can't be created.
    bool Add(const std::wstring& name, const std::function<void(HKEY)>& fill);
    // A usage record (SlowInfoCache) for prefix + name.
    bool AddUsage(const std::wstring& name, ULONG count, ULONGLONG lastUsed);
    void RemoveAll();
    const std::wstring& Prefix() const { return prefix_; }
    REGSAM View() const { return view_; }

private:
    std::wstring prefix_;
    REGSAM view_;
};

// Each fault the listing stumbled over once, in entries listed in name order between
// "A_First" and "Z_Last". Every entry has a display name and an uninstall command.
void PlantMalformedEntries(TPlantedEntries& entries);
// The registry name of the entry outside the ANSI code page.
std::wstring WideEntryName(const TPlantedEntries& entries);
// The variable the expandable entry's InstallLocation names twice: set for the process,
// its expansion passes the system's 32K limit.
inline constexpr wchar_t kLongVariable[] = L"VELMORA_HOSTILE_LONG";
void SetLongVariable();
// The InstallLocation of the expandable entry as stored.
std::wstring LongExpandText();

} // namespace hostile
