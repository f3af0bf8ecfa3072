#include "Programs.h"
#include <shellapi.h>
#include <algorithm>
#include <cwctype>

namespace quorbel {

namespace {

struct KeyOwner {
    HKEY h = nullptr;
    ~KeyOwner() { if (h) RegCloseKey(h); }
};

// Registry strings need not be terminated and may have an odd byte count.
std::wstring DecodeString(const std::vector<BYTE>& data) {
    size_t n = data.size() / sizeof(wchar_t);
    std::wstring s(n, L'\0');
    if (n) memcpy(s.data(), data.data(), n * sizeof(wchar_t));
    size_t end = s.find(L'\0');
    if (end != std::wstring::npos) s.resize(end);
    return s;
}

std::wstring DecodeMultiString(const std::vector<BYTE>& data) {
    size_t n = data.size() / sizeof(wchar_t);
    std::wstring all(n, L'\0');
    if (n) memcpy(all.data(), data.data(), n * sizeof(wchar_t));
    std::wstring out;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find(L'\0', pos);
        if (end == std::wstring::npos) end = all.size();
        if (end == pos) break;  // the empty string ends the list
        if (!out.empty()) out += L", ";
        out.append(all, pos, end - pos);
        pos = end + 1;
    }
    return out;
}

std::wstring HexBytes(const BYTE* p, size_t n) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring s;
    s.reserve(n * 3);
    for (size_t i = 0; i < n; ++i) {
        if (i) s += L' ';
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::wstring Expand(const std::wstring& s) {
    if (s.find(L'%') == std::wstring::npos) return s;
    DWORD need = ExpandEnvironmentStringsW(s.c_str(), nullptr, 0);
    if (need == 0) return s;
    std::wstring out(need, L'\0');
    DWORD got = ExpandEnvironmentStringsW(s.c_str(), out.data(), need);
    if (got == 0 || got > need) return s;
    out.resize(got - 1);
    return out;
}

std::wstring Trim(const std::wstring& s) {
    size_t b = s.find_first_not_of(L" \t");
    if (b == std::wstring::npos) return std::wstring();
    size_t e = s.find_last_not_of(L" \t");
    return s.substr(b, e - b + 1);
}

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

bool ReadValues(HKEY key, std::vector<RawValue>& out) {
    DWORD count = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName,
                         &maxData, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> name(maxName + 1);
    std::vector<BYTE> data(maxData ? maxData : 1);
    out.clear();
    out.reserve(count);
    int retries = 0;
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        DWORD dataLen = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG rc = RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
        if (rc == ERROR_MORE_DATA && ++retries < 8) {
            // The key changed since RegQueryInfoKey; grow and read the same index again.
            name.resize(std::max<size_t>(name.size() * 2, 16384 + 1));
            data.resize(std::max<size_t>(data.size() * 2, dataLen));
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        retries = 0;
        RawValue v;
        v.name.assign(name.data(), nameLen);
        v.type = type;
        v.data.assign(data.begin(), data.begin() + std::min<size_t>(dataLen, data.size()));
        out.push_back(std::move(v));
    }
    return true;
}

void ReadUsage(ProgramEntry& e) {
    KeyOwner key;
    std::wstring path = std::wstring(kArpCacheKey) + L"\\" + e.registryName;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key.h) != ERROR_SUCCESS) return;
    BYTE buf[1024];
    DWORD size = sizeof buf, type = 0;
    if (RegQueryValueExW(key.h, L"SlowInfoCache", nullptr, &type, buf, &size) != ERROR_SUCCESS) return;
    if (type != REG_BINARY) return;
    FILETIME last{};
    ULONG count = 0;
    if (ParseSlowInfoCache(buf, size, count, last)) {
        e.usageCount = count;
        e.lastUsed = FormatFileTime(last);
    }
}

bool LooksLikeKbNumber(const std::wstring& name) {
    // "KB123456", "KB123456-v2", "{GUID}.KB123456" and the old "Q123456" hotfixes.
    std::wstring s = Lower(name);
    for (size_t pos = 0; pos < s.size(); ++pos) {
        size_t digits = 0;
        if (s.compare(pos, 2, L"kb") == 0) digits = pos + 2;
        else if (pos == 0 && s[0] == L'q') digits = 1;
        else continue;
        if (pos > 0 && std::iswalnum(s[pos - 1])) continue;
        size_t n = 0;
        while (digits + n < s.size() && std::iswdigit(s[digits + n])) ++n;
        if (n >= 5) return true;
    }
    return false;
}

bool IsUpdateReleaseType(const std::wstring& releaseType) {
    static const wchar_t* const kinds[] = {L"update", L"hotfix", L"security update", L"service pack",
                                           L"update rollup", L"critical update", L"feature pack"};
    std::wstring t = Lower(Trim(releaseType));
    return std::any_of(std::begin(kinds), std::end(kinds), [&](const wchar_t* k) { return t == k; });
}

// The file part of a command line: a quoted path, an unquoted path up to ".exe", or the
// first word.
std::wstring CommandFile(const std::wstring& command) {
    std::wstring s = Trim(command);
    if (s.empty()) return s;
    if (s[0] == L'"') {
        size_t end = s.find(L'"', 1);
        return s.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
    }
    std::wstring low = Lower(s);
    size_t exe = low.find(L".exe");
    if (exe != std::wstring::npos) {
        size_t end = exe + 4;
        if (end == s.size() || s[end] == L' ' || s[end] == L'/' || s[end] == L'\t') return s.substr(0, end);
    }
    return s.substr(0, s.find(L' '));
}

std::wstring ResolveOnPath(const std::wstring& file) {
    if (file.empty() || file.find_first_of(L"\\/:") != std::wstring::npos) return file;
    wchar_t buf[MAX_PATH];
    DWORD n = SearchPathW(nullptr, file.c_str(), nullptr, MAX_PATH, buf, nullptr);
    return (n > 0 && n < MAX_PATH) ? std::wstring(buf, n) : file;
}

} // namespace

bool SameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

const RawValue* FindValue(const ProgramEntry& e, const wchar_t* name) {
    std::wstring n(name);
    for (const auto& v : e.values)
        if (SameName(v.name, n)) return &v;
    return nullptr;
}

FieldState ReadTextField(const ProgramEntry& e, const wchar_t* name, std::wstring& text, DWORD* type) {
    text.clear();
    const RawValue* v = FindValue(e, name);
    if (!v) return FieldState::Absent;
    if (type) *type = v->type;
    if (v->type == REG_SZ) {
        text = DecodeString(v->data);
    } else if (v->type == REG_EXPAND_SZ) {
        text = Expand(DecodeString(v->data));
    } else {
        return FieldState::WrongType;
    }
    return FieldState::Text;
}

std::wstring RegTypeName(DWORD type) {
    switch (type) {
    case REG_NONE: return L"REG_NONE";
    case REG_SZ: return L"REG_SZ";
    case REG_EXPAND_SZ: return L"REG_EXPAND_SZ";
    case REG_BINARY: return L"REG_BINARY";
    case REG_DWORD: return L"REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return L"REG_DWORD_BIG_ENDIAN";
    case REG_LINK: return L"REG_LINK";
    case REG_MULTI_SZ: return L"REG_MULTI_SZ";
    case REG_QWORD: return L"REG_QWORD";
    default: return L"type " + std::to_wstring(type);
    }
}

std::wstring ValueAsText(const RawValue& v) {
    const auto& d = v.data;
    switch (v.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_LINK:
        return DecodeString(d);
    case REG_MULTI_SZ:
        return DecodeMultiString(d);
    case REG_DWORD:
        if (d.size() == 4) {
            DWORD x;
            memcpy(&x, d.data(), 4);
            return std::to_wstring(x);
        }
        break;
    case REG_DWORD_BIG_ENDIAN:
        if (d.size() == 4) return std::to_wstring((DWORD(d[0]) << 24) | (DWORD(d[1]) << 16) | (DWORD(d[2]) << 8) | d[3]);
        break;
    case REG_QWORD:
        if (d.size() == 8) {
            ULONGLONG x;
            memcpy(&x, d.data(), 8);
            return std::to_wstring(x);
        }
        break;
    default:
        break;
    }
    // Binary data, unknown types and numbers of the wrong length: the bytes themselves.
    return HexBytes(d.data(), d.size());
}

bool IsSystemPatch(const ProgramEntry& e) {
    std::wstring parent, releaseType;
    if (ReadTextField(e, L"ParentKeyName", parent) != FieldState::Text || Trim(parent).empty()) return false;
    if (ReadTextField(e, L"ReleaseType", releaseType) == FieldState::Text && IsUpdateReleaseType(releaseType))
        return true;
    return LooksLikeKbNumber(e.registryName);
}

// A name or command stored as a number cannot be shown or run: such an entry is left out
// rather than listed with readers that fail while the list is filled.
bool IsListedProgram(const ProgramEntry& e) {
    std::wstring name, uninstall;
    if (ReadTextField(e, L"DisplayName", name) != FieldState::Text || Trim(name).empty()) return false;
    if (ReadTextField(e, L"UninstallString", uninstall) != FieldState::Text || Trim(uninstall).empty()) return false;
    const RawValue* system = FindValue(e, L"SystemComponent");
    if (system && system->type == REG_DWORD && system->data.size() == 4) {
        DWORD x;
        memcpy(&x, system->data.data(), 4);
        if (x == 1) return false;
    }
    return true;
}

bool ReadProgramEntry(const std::wstring& registryName, ProgramEntry& out) {
    KeyOwner key;
    std::wstring path = std::wstring(kUninstallKey) + L"\\" + registryName;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key.h) != ERROR_SUCCESS) return false;
    out = ProgramEntry();
    out.registryName = registryName;
    if (!ReadValues(key.h, out.values)) return false;
    out.isPatch = IsSystemPatch(out);
    ReadUsage(out);
    return true;
}

std::vector<std::shared_ptr<const ProgramEntry>> ScanPrograms() {
    std::vector<std::shared_ptr<const ProgramEntry>> list;
    KeyOwner root;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &root.h) != ERROR_SUCCESS) return list;
    DWORD maxSubKey = 0;
    RegQueryInfoKeyW(root.h, nullptr, nullptr, nullptr, nullptr, &maxSubKey, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    std::vector<wchar_t> name(std::max<DWORD>(maxSubKey, 255) + 1);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(name.size());
        LONG rc = RegEnumKeyExW(root.h, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA && name.size() < 65536) {
            name.resize(name.size() * 2);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        auto entry = std::make_shared<ProgramEntry>();
        if (ReadProgramEntry(std::wstring(name.data(), len), *entry) && IsListedProgram(*entry))
            list.push_back(std::move(entry));
    }
    return list;
}

std::wstring IconSourcePath(const std::wstring& displayIcon, const std::wstring& uninstallString) {
    std::wstring s = Trim(displayIcon);
    if (!s.empty()) {
        if (s[0] == L'"') {
            size_t end = s.find(L'"', 1);
            s = s.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
        } else {
            size_t comma = s.rfind(L',');
            if (comma != std::wstring::npos) {
                std::wstring index = Trim(s.substr(comma + 1));
                size_t start = (!index.empty() && index[0] == L'-') ? 1 : 0;
                if (index.size() > start &&
                    std::all_of(index.begin() + start, index.end(), [](wchar_t c) { return std::iswdigit(c); }))
                    s.resize(comma);
            }
        }
        s = Trim(s);
    } else {
        s = CommandFile(uninstallString);
    }
    return ResolveOnPath(Expand(s));
}

LONG SystemIconIndex(const std::wstring& path) {
    if (path.empty()) return -1;
    SHFILEINFOW info{};
    DWORD_PTR list = SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    return list ? info.iIcon : -1;
}

LONG ProgramIconIndex(const ProgramEntry& e) {
    if (!e.iconKnown) {
        std::wstring icon, uninstall;
        ReadTextField(e, L"DisplayIcon", icon);
        ReadTextField(e, L"UninstallString", uninstall);
        e.iconIndex = SystemIconIndex(IconSourcePath(icon, uninstall));
        e.iconKnown = true;
    }
    return e.iconIndex;
}

bool ParseSlowInfoCache(const BYTE* data, size_t size, ULONG& usageCount, FILETIME& lastUsed) {
    // DWORD cbSize, DWORD HasName, INT64 InstallSize, FILETIME LastUsed, INT Frequency, WCHAR Name[262]
    constexpr size_t kHeader = 28;
    if (!data || size < kHeader) return false;
    DWORD cbSize;
    memcpy(&cbSize, data, 4);
    if (cbSize < kHeader || cbSize > size) return false;
    memcpy(&lastUsed, data + 16, sizeof lastUsed);
    LONG frequency;
    memcpy(&frequency, data + 24, 4);
    usageCount = frequency > 0 ? static_cast<ULONG>(frequency) : 0;
    return true;
}

std::wstring FormatFileTime(const FILETIME& ft) {
    if ((ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0) ||
        (ft.dwLowDateTime == 0xFFFFFFFF && ft.dwHighDateTime == 0xFFFFFFFF))
        return std::wstring();
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToSystemTime(&local, &st)) return std::wstring();
    wchar_t buf[32];
    swprintf(buf, 32, L"%04u-%02u-%02u %02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
    return buf;
}

LONG StoreComment(const std::wstring& registryName, const std::wstring& comment) {
    KeyOwner key;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, kCommentsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key.h, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    if (comment.empty()) {
        rc = RegDeleteValueW(key.h, registryName.c_str());
        return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
    }
    size_t bytes = (comment.size() + 1) * sizeof(wchar_t);
    if (bytes > 0x7FFFFFFF) return ERROR_INVALID_PARAMETER;
    return RegSetValueExW(key.h, registryName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(comment.c_str()),
                          static_cast<DWORD>(bytes));
}

std::wstring LoadComment(const std::wstring& registryName) {
    KeyOwner key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kCommentsKey, 0, KEY_QUERY_VALUE, &key.h) != ERROR_SUCCESS)
        return std::wstring();
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.h, registryName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(key.h, registryName.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return std::wstring();
    data.resize(size);
    return DecodeString(data);
}

} // namespace quorbel
