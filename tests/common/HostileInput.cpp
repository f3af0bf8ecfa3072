#include "HostileInput.h"
#include <map>

namespace hostile {

namespace {

constexpr DWORD kSectionRva = 0x1000;
constexpr DWORD kFileAlignment = 0x200;
constexpr WORD kStringTable = 6;
constexpr WORD kVersion = 16;

DWORD AlignUp(size_t n, DWORD to) { return static_cast<DWORD>((n + to - 1) / to * to); }

template <class T>
void Put(std::vector<BYTE>& out, size_t at, T value) {
    if (out.size() < at + sizeof value) out.resize(at + sizeof value);
    memcpy(&out[at], &value, sizeof value);
}

void Pad4(std::vector<BYTE>& out) { out.resize(AlignUp(out.size(), 4)); }

void PutDirectory(std::vector<BYTE>& out, size_t at, size_t entries) {
    IMAGE_RESOURCE_DIRECTORY dir{};
    dir.NumberOfIdEntries = static_cast<WORD>(entries);
    Put(out, at, dir);
}

void PutEntry(std::vector<BYTE>& out, size_t at, WORD id, DWORD target) {
    Put<DWORD>(out, at, id);
    Put<DWORD>(out, at + 4, target);
}

// The resource section: the three directory levels, the data entries, then the data.
std::vector<BYTE> ResourceSection(const std::vector<TResource>& resources, std::vector<size_t>& dataOffsets) {
    std::map<WORD, std::map<WORD, std::map<WORD, size_t>>> tree;
    for (size_t i = 0; i < resources.size(); ++i)
        tree[resources[i].Type][resources[i].Name][resources[i].Language] = i;
    std::vector<BYTE> out;
    size_t next = 16 + 8 * tree.size();
    std::map<WORD, size_t> nameDirs;
    std::map<std::pair<WORD, WORD>, size_t> languageDirs;
    for (const auto& [type, names] : tree) {
        nameDirs[type] = next;
        next += 16 + 8 * names.size();
    }
    for (const auto& [type, names] : tree)
        for (const auto& [name, languages] : names) {
            languageDirs[{type, name}] = next;
            next += 16 + 8 * languages.size();
        }
    std::vector<size_t> dataEntries(resources.size());
    for (const auto& [type, names] : tree)
        for (const auto& [name, languages] : names)
            for (const auto& [language, index] : languages) {
                dataEntries[index] = next;
                next += sizeof(IMAGE_RESOURCE_DATA_ENTRY);
            }
    dataOffsets.assign(resources.size(), 0);
    for (size_t i = 0; i < resources.size(); ++i) {
        next = AlignUp(next, 4);
        dataOffsets[i] = next;
        next += resources[i].Data.size();
    }
    out.resize(next);

    PutDirectory(out, 0, tree.size());
    size_t slot = 16;
    for (const auto& [type, names] : tree) {
        PutEntry(out, slot, type, 0x80000000u | static_cast<DWORD>(nameDirs[type]));
        slot += 8;
        PutDirectory(out, nameDirs[type], names.size());
        size_t nameSlot = nameDirs[type] + 16;
        for (const auto& [name, languages] : names) {
            const size_t dir = languageDirs[{type, name}];
            PutEntry(out, nameSlot, name, 0x80000000u | static_cast<DWORD>(dir));
            nameSlot += 8;
            PutDirectory(out, dir, languages.size());
            size_t languageSlot = dir + 16;
            for (const auto& [language, index] : languages) {
                PutEntry(out, languageSlot, language, static_cast<DWORD>(dataEntries[index]));
                languageSlot += 8;
                const TResource& r = resources[index];
                IMAGE_RESOURCE_DATA_ENTRY data{};
                data.OffsetToData = kSectionRva + static_cast<DWORD>(dataOffsets[index]);
                data.Size = r.DeclaredSize ? r.DeclaredSize : static_cast<DWORD>(r.Data.size());
                Put(out, dataEntries[index], data);
            }
        }
    }
    for (size_t i = 0; i < resources.size(); ++i)
        if (!resources[i].Data.empty()) memcpy(&out[dataOffsets[i]], resources[i].Data.data(), resources[i].Data.size());
    return out;
}

void PutWide(std::vector<BYTE>& out, const std::wstring& text, bool terminated) {
    const size_t at = out.size();
    out.resize(at + (text.size() + (terminated ? 1 : 0)) * 2);
    if (!text.empty()) memcpy(&out[at], text.data(), text.size() * 2);
}

// One block of a version resource: length, value length, type, key, value, children.
std::vector<BYTE> VersionBlock(const std::wstring& key, WORD type, const std::vector<BYTE>& value, WORD valueLength,
                               const std::vector<std::vector<BYTE>>& children) {
    std::vector<BYTE> out(6);
    PutWide(out, key, true);
    Pad4(out);
    out.insert(out.end(), value.begin(), value.end());
    for (const auto& child : children) {
        Pad4(out);
        out.insert(out.end(), child.begin(), child.end());
    }
    Put<WORD>(out, 0, static_cast<WORD>(out.size()));
    Put<WORD>(out, 2, valueLength);
    Put<WORD>(out, 4, type);
    return out;
}

} // namespace

TPeFile PeFile(const std::vector<TResource>& resources) {
    TPeFile pe;
    std::vector<BYTE> section = ResourceSection(resources, pe.DataOffsets);
    const DWORD rawSize = AlignUp(section.size(), kFileAlignment);

    IMAGE_DOS_HEADER dos{};
    dos.e_magic = IMAGE_DOS_SIGNATURE;
    dos.e_lfanew = sizeof dos;
    IMAGE_NT_HEADERS32 nt{};
    nt.Signature = IMAGE_NT_SIGNATURE;
    nt.FileHeader.Machine = IMAGE_FILE_MACHINE_I386;
    nt.FileHeader.NumberOfSections = 1;
    nt.FileHeader.SizeOfOptionalHeader = sizeof nt.OptionalHeader;
    nt.FileHeader.Characteristics = IMAGE_FILE_EXECUTABLE_IMAGE | IMAGE_FILE_32BIT_MACHINE | IMAGE_FILE_DLL;
    auto& opt = nt.OptionalHeader;
    opt.Magic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
    opt.ImageBase = 0x10000000;
    opt.SectionAlignment = kSectionRva;
    opt.FileAlignment = kFileAlignment;
    opt.MajorOperatingSystemVersion = 4;
    opt.MajorSubsystemVersion = 4;
    opt.SizeOfImage = kSectionRva + AlignUp(section.size(), kSectionRva);
    opt.SizeOfHeaders = kFileAlignment;
    opt.Subsystem = IMAGE_SUBSYSTEM_WINDOWS_GUI;
    opt.SizeOfStackReserve = 0x100000;
    opt.SizeOfStackCommit = 0x1000;
    opt.SizeOfHeapReserve = 0x100000;
    opt.SizeOfHeapCommit = 0x1000;
    opt.NumberOfRvaAndSizes = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;
    opt.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE] = {kSectionRva, static_cast<DWORD>(section.size())};
    IMAGE_SECTION_HEADER header{};
    memcpy(header.Name, ".rsrc", 5);
    header.Misc.VirtualSize = static_cast<DWORD>(section.size());
    header.VirtualAddress = kSectionRva;
    header.SizeOfRawData = rawSize;
    header.PointerToRawData = kFileAlignment;
    header.Characteristics = IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ;

    pe.Bytes.assign(kFileAlignment + rawSize, 0);
    Put(pe.Bytes, 0, dos);
    Put(pe.Bytes, sizeof dos, nt);
    Put(pe.Bytes, sizeof dos + sizeof nt, header);
    memcpy(&pe.Bytes[kFileAlignment], section.data(), section.size());
    for (auto& offset : pe.DataOffsets) offset += kFileAlignment;
    return pe;
}

std::vector<BYTE> NameBlock(const std::wstring& text, int declaredLength) {
    std::vector<BYTE> out;
    for (int i = 0; i < 16; ++i) {
        if (i != 1) {
            Put<WORD>(out, out.size(), 0);
            continue;
        }
        Put<WORD>(out, out.size(), static_cast<WORD>(declaredLength >= 0 ? declaredLength : int(text.size())));
        PutWide(out, text, false);
    }
    return out;
}

std::vector<BYTE> VersionResource(const std::wstring& company, const TVersionShape& shape) {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
    std::vector<BYTE> fixedBytes(sizeof fixed);
    memcpy(fixedBytes.data(), &fixed, sizeof fixed);

    const WORD pair[2] = {shape.TranslationLanguage ? shape.TranslationLanguage : shape.Language, 1200};
    std::vector<BYTE> translation(sizeof pair);
    memcpy(translation.data(), pair, sizeof pair);
    auto var = VersionBlock(L"Translation", 0, translation,
                            static_cast<WORD>(shape.TranslationLength >= 0 ? shape.TranslationLength : 4), {});
    auto varInfo = VersionBlock(L"VarFileInfo", 1, {}, 0, {var});

    std::vector<BYTE> text;
    PutWide(text, company, !shape.CompanyLast);
    const WORD companyLength =
        static_cast<WORD>(shape.CompanyLength >= 0 ? shape.CompanyLength : int(company.size()) + 1);
    auto table = [](WORD language, const std::vector<BYTE>& company, WORD length) {
        wchar_t key[16];
        swprintf(key, 16, L"%04x04b0", language);
        return VersionBlock(key, 1, {}, 0, {VersionBlock(L"CompanyName", 1, company, length, {})});
    };
    std::vector<std::vector<BYTE>> tables = {table(shape.Language, text, companyLength)};
    std::vector<BYTE> trailing;
    if (shape.DecoyLanguage) {
        std::vector<BYTE> decoy;
        PutWide(decoy, L"Decoy Corp", true);
        tables.push_back(table(shape.DecoyLanguage, decoy, 11));
        const WORD decoyPair[2] = {shape.DecoyLanguage, 1200};
        trailing.assign(4, 0);  // where the system's reader leaves its own signature
        trailing.insert(trailing.end(), reinterpret_cast<const BYTE*>(decoyPair),
                        reinterpret_cast<const BYTE*>(decoyPair) + sizeof decoyPair);
    }
    auto stringInfo = VersionBlock(L"StringFileInfo", 1, {}, 0, tables);

    std::vector<std::vector<BYTE>> children = {stringInfo, varInfo};
    if (shape.CompanyLast) std::swap(children[0], children[1]);
    auto resource = VersionBlock(L"VS_VERSION_INFO", 0, fixedBytes, sizeof fixed, children);
    resource.insert(resource.end(), trailing.begin(), trailing.end());
    return resource;
}

bool WriteFileBytes(const std::wstring& path, const std::vector<BYTE>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::vector<TScreenSaverFile> MalformedScreenSavers() {
    std::vector<TScreenSaverFile> files;

    // The name's string states 30,000 characters; the file ends eight bytes into the block.
    TPeFile cut = PeFile({{kStringTable, 1, LANG_NEUTRAL, NameBlock(std::wstring(30000, L'x'))}});
    cut.Bytes.resize(cut.DataOffsets[0] + 8);
    files.push_back({L"VelmoraHostileCut.scr", cut.Bytes, L"", L""});

    // Translation names a table the file lacks and states 0xFFFF bytes.
    TVersionShape translation;
    translation.TranslationLanguage = 0x0411;
    translation.TranslationLength = 0xFFFF;
    translation.DecoyLanguage = 0x0407;
    files.push_back({L"VelmoraHostileTranslation.scr",
                     PeFile({{kStringTable, 1, LANG_NEUTRAL, NameBlock(L"Hostile translation")},
                             {kVersion, 1, 0x0409, VersionResource(L"Hostile Corp", translation)}})
                         .Bytes,
                     L"Hostile translation", L"Hostile Corp"});

    // CompanyName states 0xFFFF characters and ends the resource without a terminator.
    TVersionShape company;
    company.CompanyLength = 0xFFFF;
    company.CompanyLast = true;
    files.push_back({L"VelmoraHostileCompany.scr",
                     PeFile({{kStringTable, 1, LANG_NEUTRAL, NameBlock(L"Hostile company")},
                             {kVersion, 1, 0x0409, VersionResource(L"Hostile Corp", company)}})
                         .Bytes,
                     L"Hostile company", L"Hostile Corp"});

    // The version resource states nearly 4 GB.
    TResource huge{kVersion, 1, 0x0409, VersionResource(L"Hostile Corp"), 0xFFFFFFF0u};
    files.push_back({L"VelmoraHostileHuge.scr",
                     PeFile({{kStringTable, 1, LANG_NEUTRAL, NameBlock(L"Hostile size")}, huge}).Bytes,
                     L"Hostile size", L"Hostile Corp"});
    return files;
}

std::wstring TPlantedFiles::Folder() {
    wchar_t buf[MAX_PATH];
    UINT n = GetWindowsDirectoryW(buf, MAX_PATH);
    std::wstring dir(buf, n);
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    return dir;
}

TPlantedFiles::TPlantedFiles(const std::vector<TScreenSaverFile>& files) {
    // A run that crashed left its files behind.
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((Folder() + L"VelmoraHostile*.scr").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileW((Folder() + found.cFileName).c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    for (const auto& f : files) {
        paths_.push_back(Folder() + f.FileName);
        ok_ = WriteFileBytes(paths_.back(), f.Bytes) && ok_;
    }
}

TPlantedFiles::~TPlantedFiles() {
    for (const auto& path : paths_) DeleteFileW(path.c_str());
}

// ---- Uninstall entries ------------------------------------------------------------------------

const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const wchar_t kArpCacheKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\";

void SetText(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type) {
    RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetBytes(HKEY key, const wchar_t* name, DWORD type, const void* data, size_t size) {
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

void SetDword(HKEY key, const wchar_t* name, DWORD value) { SetBytes(key, name, REG_DWORD, &value, sizeof value); }

TPlantedEntries::TPlantedEntries(std::wstring prefix, REGSAM view) : prefix_(std::move(prefix)), view_(view) {
    RemoveAll();
}

TPlantedEntries::~TPlantedEntries() { RemoveAll(); }

bool TPlantedEntries::Add(const std::wstring& name, const std::function<void(HKEY)>& fill) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kUninstallKey + prefix_ + name).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS | view_, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    fill(key);
    RegCloseKey(key);
    return true;
}

bool TPlantedEntries::AddUsage(const std::wstring& name, ULONG count, ULONGLONG lastUsed) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kArpCacheKey + prefix_ + name).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS | view_, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    // DWORD cbSize, DWORD HasName, INT64 InstallSize, FILETIME LastUsed, INT Frequency, WCHAR Name[262]
    BYTE record[0x228] = {};
    const DWORD size = sizeof record;
    memcpy(record, &size, 4);
    memcpy(record + 16, &lastUsed, 8);
    memcpy(record + 24, &count, 4);
    SetBytes(key, L"SlowInfoCache", REG_BINARY, record, sizeof record);
    RegCloseKey(key);
    return true;
}

void TPlantedEntries::RemoveAll() {
    for (const wchar_t* root : {kUninstallKey, kArpCacheKey}) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root, 0, KEY_ALL_ACCESS | view_, &key) != ERROR_SUCCESS) continue;
        std::vector<std::wstring> ours;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD len = 256;
            if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (std::wstring(name, len).rfind(prefix_, 0) == 0) ours.emplace_back(name, len);
        }
        for (const auto& n : ours) RegDeleteTreeW(key, n.c_str());
        RegCloseKey(key);
    }
}

void PlantMalformedEntries(TPlantedEntries& entries) {
    auto listed = [](HKEY k, const std::wstring& name) {
        SetText(k, L"DisplayName", L"Velmora Hostile " + name);
        SetText(k, L"UninstallString", L"hostile.exe /x " + name);
    };
    entries.Add(L"A_First", [&](HKEY k) {
        listed(k, L"First");
        SetText(k, L"Publisher", L"First Publisher");
    });
    entries.Add(L"B_Numbers", [&](HKEY k) {
        listed(k, L"Numbers");
        for (const wchar_t* name : {L"Publisher", L"InstallLocation", L"InstallDate", L"DisplayVersion", L"HelpLink"})
            SetDword(k, name, 20260101);
        const BYTE blob[] = {0x68, 0x00, 0x74};
        SetBytes(k, L"URLInfoAbout", REG_BINARY, blob, sizeof blob);
        const wchar_t several[] = L"http://a/\0http://b/\0";
        SetBytes(k, L"URLUpdateInfo", REG_MULTI_SZ, several, sizeof several);
        SetText(k, L"EstimatedSize", L"lots");
    });
    entries.Add(L"C_OneByte", [&](HKEY k) {
        listed(k, L"OneByte");
        const BYTE one = 7;
        SetBytes(k, L"EstimatedSize", REG_BINARY, &one, 1);
        SetBytes(k, L"Publisher", REG_BINARY, &one, 1);
    });
    entries.Add(L"D_ShortDword", [&](HKEY k) {
        listed(k, L"ShortDword");
        const BYTE two[] = {1, 2};
        SetBytes(k, L"EstimatedSize", REG_DWORD, two, sizeof two);
        const ULONGLONG folder = 42;
        SetBytes(k, L"InstallLocation", REG_QWORD, &folder, sizeof folder);
    });
    entries.Add(L"E_BadDate", [&](HKEY k) { listed(k, L"BadDate"); });
    entries.AddUsage(L"E_BadDate", 5, 0x7FFFFFFFFFFFFFFFULL);
    entries.Add(L"F_LongExpand", [&](HKEY k) {
        listed(k, L"LongExpand");
        SetText(k, L"InstallLocation", LongExpandText(), REG_EXPAND_SZ);
        SetText(k, L"HelpLink", LongExpandText(), REG_EXPAND_SZ);
    });
    entries.Add(L"W_\u03A9mega \u4E2D\u6587 caf\u00E9", [&](HKEY k) {
        listed(k, L"Wide");
        SetText(k, L"DisplayVersion", L"1.0");
    });
    entries.Add(L"Z_Last", [&](HKEY k) {
        listed(k, L"Last");
        SetText(k, L"Publisher", L"Last Publisher");
    });
}

std::wstring WideEntryName(const TPlantedEntries& entries) {
    return entries.Prefix() + L"W_\u03A9mega \u4E2D\u6587 caf\u00E9";
}

void SetLongVariable() { SetEnvironmentVariableW(kLongVariable, std::wstring(20000, L'v').c_str()); }

std::wstring LongExpandText() {
    const std::wstring variable = std::wstring(L"%") + kLongVariable + L"%";
    return L"C:\\" + variable + L"\\" + variable;
}

} // namespace hostile
