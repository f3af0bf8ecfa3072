#include "PeResources.h"
#include <algorithm>
#include <cwchar>

namespace quorbel {

namespace {

constexpr DWORD kResourceDirectoryIndex = 2;
// The loader refuses more sections than this; a file claiming more is junk.
constexpr WORD kMaxSections = 96;
// A directory level holds at most this many entries (two WORD counts).
constexpr size_t kMaxEntries = 2 * 0xFFFF;

struct Section {
    DWORD virtualAddress = 0;
    DWORD virtualSize = 0;
    DWORD rawSize = 0;
    DWORD rawOffset = 0;
};

struct PeLayout {
    std::vector<Section> sections;
    DWORD resourceRva = 0;
};

bool ReadLayout(const TFileBytes& file, PeLayout& out) {
    WORD mz = 0;
    LONG peOffset = 0;
    if (!file.Read(0, mz) || mz != IMAGE_DOS_SIGNATURE || !file.Read(0x3C, peOffset) || peOffset <= 0) return false;
    DWORD signature = 0;
    IMAGE_FILE_HEADER header{};
    const ULONGLONG at = static_cast<ULONGLONG>(peOffset);
    if (!file.Read(at, signature) || signature != IMAGE_NT_SIGNATURE || !file.Read(at + 4, header)) return false;
    const ULONGLONG optional = at + 4 + sizeof header;
    WORD magic = 0;
    if (!file.Read(optional, magic)) return false;
    // The data directories sit at different places in the 32- and 64-bit optional headers.
    ULONGLONG countAt = 0;
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) countAt = optional + offsetof(IMAGE_OPTIONAL_HEADER32, NumberOfRvaAndSizes);
    else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) countAt = optional + offsetof(IMAGE_OPTIONAL_HEADER64, NumberOfRvaAndSizes);
    else return false;
    DWORD directories = 0;
    IMAGE_DATA_DIRECTORY resources{};
    if (!file.Read(countAt, directories) || directories <= kResourceDirectoryIndex ||
        !file.Read(countAt + 4 + kResourceDirectoryIndex * sizeof resources, resources))
        return false;
    out.resourceRva = resources.VirtualAddress;
    if (out.resourceRva == 0 || header.NumberOfSections == 0 || header.NumberOfSections > kMaxSections) return false;
    const ULONGLONG table = optional + header.SizeOfOptionalHeader;
    for (WORD i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER raw{};
        if (!file.Read(table + ULONGLONG(i) * sizeof raw, raw)) return false;
        out.sections.push_back({raw.VirtualAddress, raw.Misc.VirtualSize, raw.SizeOfRawData, raw.PointerToRawData});
    }
    return true;
}

// Where the byte at rva lies in the file, and how many bytes of its section follow it there.
bool RvaToOffset(const PeLayout& pe, ULONGLONG rva, ULONGLONG& offset, ULONGLONG& available) {
    for (const auto& s : pe.sections) {
        const ULONGLONG extent = std::max(s.virtualSize, s.rawSize);
        if (rva < s.virtualAddress || rva >= ULONGLONG(s.virtualAddress) + extent) continue;
        const ULONGLONG into = rva - s.virtualAddress;
        if (into >= s.rawSize) return false;  // zero-filled in memory, absent from the file
        offset = ULONGLONG(s.rawOffset) + into;
        available = s.rawSize - into;
        return true;
    }
    return false;
}

// The entry of one resource directory whose numeric identifier is id; with id < 0 the
// neutral-language entry, else the first one. Returns the entry's OffsetToData.
bool FindEntry(const TFileBytes& file, const PeLayout& pe, DWORD directory, int id, DWORD& target) {
    ULONGLONG offset = 0, available = 0;
    IMAGE_RESOURCE_DIRECTORY dir{};
    if (!RvaToOffset(pe, ULONGLONG(pe.resourceRva) + directory, offset, available) || available < sizeof dir ||
        !file.Read(offset, dir))
        return false;
    const size_t count = std::min<size_t>(size_t(dir.NumberOfNamedEntries) + dir.NumberOfIdEntries, kMaxEntries);
    const size_t fit = static_cast<size_t>(std::min<ULONGLONG>((available - sizeof dir) / sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY), count));
    std::vector<IMAGE_RESOURCE_DIRECTORY_ENTRY> entries(fit);
    if (fit == 0 || !file.ReadAt(offset + sizeof dir, entries.data(), fit * sizeof entries[0])) return false;
    const IMAGE_RESOURCE_DIRECTORY_ENTRY* chosen = nullptr;
    for (const auto& e : entries) {
        const bool numeric = (e.Name & 0x80000000u) == 0;
        if (id >= 0 ? (numeric && e.Name == DWORD(id)) : (numeric && e.Name == LANG_NEUTRAL)) {
            chosen = &e;
            break;
        }
    }
    if (!chosen && id < 0) chosen = &entries.front();
    if (!chosen) return false;
    target = chosen->OffsetToData;
    return true;
}

size_t Align4(size_t at) { return (at + 3) & ~size_t(3); }

bool SameKey(const std::wstring& a, const wchar_t* b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

// One block of a version resource: a length, a value length, a type, a key, the value and
// the child blocks. Every part is cut to the block, and the block to its parent.
struct VersionBlock {
    size_t end = 0;
    std::wstring key;
    size_t valueStart = 0;
    size_t valueBytes = 0;
    size_t childrenStart = 0;
};

bool ParseBlock(const std::vector<BYTE>& data, size_t at, size_t limit, VersionBlock& out) {
    if (at + 6 > limit) return false;
    WORD length, valueLength, type;
    memcpy(&length, &data[at], 2);
    memcpy(&valueLength, &data[at + 2], 2);
    memcpy(&type, &data[at + 4], 2);
    if (length < 6) return false;
    out.end = std::min(at + length, limit);
    out.key.clear();
    size_t pos = at + 6;
    for (;; pos += 2) {
        if (pos + 2 > out.end) return false;
        wchar_t c;
        memcpy(&c, &data[pos], 2);
        if (c == L'\0') break;
        out.key += c;
    }
    out.valueStart = std::min(Align4(pos + 2), out.end);
    const size_t declared = type == 1 ? size_t(valueLength) * 2 : valueLength;
    out.valueBytes = std::min(declared, out.end - out.valueStart);
    out.childrenStart = std::min(Align4(out.valueStart + out.valueBytes), out.end);
    return true;
}

// Calls visit(child) for each child block of parent until it returns true.
template <class Visit>
bool ForEachChild(const std::vector<BYTE>& data, const VersionBlock& parent, Visit visit) {
    VersionBlock child;
    for (size_t at = parent.childrenStart; ParseBlock(data, at, parent.end, child); at = Align4(child.end)) {
        if (visit(child)) return true;
    }
    return false;
}

std::wstring TextValue(const std::vector<BYTE>& data, const VersionBlock& b) {
    std::wstring s(b.valueBytes / 2, L'\0');
    if (!s.empty()) memcpy(s.data(), &data[b.valueStart], s.size() * 2);
    s.resize(wcsnlen(s.c_str(), s.size()));
    return s;
}

std::vector<std::wstring> Translations(const std::vector<BYTE>& data, const VersionBlock& root) {
    std::vector<std::wstring> languages;
    ForEachChild(data, root, [&](const VersionBlock& info) {
        if (!SameKey(info.key, L"VarFileInfo")) return false;
        return ForEachChild(data, info, [&](const VersionBlock& var) {
            if (!SameKey(var.key, L"Translation")) return false;
            for (size_t at = var.valueStart; at + 4 <= var.valueStart + var.valueBytes; at += 4) {
                WORD pair[2];
                memcpy(pair, &data[at], 4);
                wchar_t text[16];
                swprintf(text, 16, L"%04x%04x", pair[0], pair[1]);
                languages.push_back(text);
            }
            return true;
        });
    });
    return languages;
}

} // namespace

TFileBytes::TFileBytes(const std::wstring& path)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    LARGE_INTEGER size{};
    if (IsOpen() && GetFileSizeEx(handle_, &size) && size.QuadPart > 0) size_ = static_cast<ULONGLONG>(size.QuadPart);
}

TFileBytes::~TFileBytes() {
    if (IsOpen()) CloseHandle(handle_);
}

bool TFileBytes::ReadAt(ULONGLONG offset, void* out, size_t size) const {
    if (!IsOpen() || offset > size_ || size > size_ - offset || size > 0x7FFFFFFF) return false;
    if (size == 0) return true;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    return ReadFile(handle_, out, static_cast<DWORD>(size), &got, &at) && got == size;
}

std::vector<BYTE> ReadResource(const TFileBytes& file, WORD type, WORD name, size_t maxBytes) {
    std::vector<BYTE> data;
    PeLayout pe;
    if (!ReadLayout(file, pe)) return data;
    // Three levels: type, name, language; the first two must be sub-directories, the last
    // a data entry. The fixed depth keeps a directory that points at itself harmless.
    DWORD entry = 0;
    if (!FindEntry(file, pe, 0, type, entry) || !(entry & 0x80000000u)) return data;
    if (!FindEntry(file, pe, entry & 0x7FFFFFFFu, name, entry) || !(entry & 0x80000000u)) return data;
    if (!FindEntry(file, pe, entry & 0x7FFFFFFFu, -1, entry) || (entry & 0x80000000u)) return data;
    ULONGLONG offset = 0, available = 0;
    IMAGE_RESOURCE_DATA_ENTRY item{};
    if (!RvaToOffset(pe, ULONGLONG(pe.resourceRva) + entry, offset, available) || available < sizeof item ||
        !file.Read(offset, item))
        return data;
    // The stated size is only a claim: read no more than the file holds, nor than asked.
    if (!RvaToOffset(pe, item.OffsetToData, offset, available) || offset >= file.Size()) return data;
    const ULONGLONG present = std::min<ULONGLONG>(available, file.Size() - offset);
    data.resize(static_cast<size_t>(std::min<ULONGLONG>({ULONGLONG(item.Size), present, ULONGLONG(maxBytes)})));
    if (!file.ReadAt(offset, data.data(), data.size())) data.clear();
    return data;
}

std::wstring StringFromBlock(const std::vector<BYTE>& block, unsigned index) {
    size_t pos = 0;
    for (unsigned i = 0; i <= index && i < 16; ++i) {
        WORD length;
        if (pos + 2 > block.size()) break;
        memcpy(&length, &block[pos], 2);
        pos += 2;
        const size_t bytes = size_t(length) * 2;
        if (bytes > block.size() - pos) break;
        if (i == index) {
            std::wstring text(length, L'\0');
            if (length) memcpy(text.data(), &block[pos], bytes);
            return text;
        }
        pos += bytes;
    }
    return std::wstring();
}

std::wstring VersionCompanyName(const std::vector<BYTE>& version) {
    VersionBlock root;
    if (!ParseBlock(version, 0, version.size(), root) || !SameKey(root.key, L"VS_VERSION_INFO")) return std::wstring();
    std::vector<std::wstring> languages = Translations(version, root);
    // Files whose translation table is missing or wrong usually carry US English.
    languages.push_back(L"040904b0");
    languages.push_back(L"040904e4");
    languages.push_back(std::wstring());  // any table
    for (const auto& language : languages) {
        std::wstring company;
        ForEachChild(version, root, [&](const VersionBlock& info) {
            if (!SameKey(info.key, L"StringFileInfo")) return false;
            return ForEachChild(version, info, [&](const VersionBlock& table) {
                if (!language.empty() && !SameKey(table.key, language.c_str())) return false;
                return ForEachChild(version, table, [&](const VersionBlock& value) {
                    if (!SameKey(value.key, L"CompanyName")) return false;
                    company = TextValue(version, value);
                    return !company.empty();
                });
            });
        });
        if (!company.empty()) return company;
    }
    return std::wstring();
}

} // namespace quorbel
