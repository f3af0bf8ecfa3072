#include "framework/Registry.h"
#include "framework/Classes.h"
#include <algorithm>
#include <cstring>

namespace {

constexpr REGSAM kViewFlags = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

std::wstring TrimBackslashes(const std::wstring& key) {
    size_t b = key.find_first_not_of(L'\\');
    if (b == std::wstring::npos) return {};
    size_t e = key.find_last_not_of(L'\\');
    return key.substr(b, e - b + 1);
}

// The A and W calls of one registry operation, so that each routine below is written once
// for both widths (keys are opened, made and deleted by wide names only).
template <class C> struct TRegCalls;
template <> struct TRegCalls<char> {
    static LONG EnumValue(HKEY k, DWORD i, char* n, DWORD* l) { return RegEnumValueA(k, i, n, l, nullptr, nullptr, nullptr, nullptr); }
    static LONG EnumKey(HKEY k, DWORD i, char* n, DWORD* l) { return RegEnumKeyExA(k, i, n, l, nullptr, nullptr, nullptr, nullptr); }
    static LONG Query(HKEY k, const char* n, DWORD* t, BYTE* d, DWORD* s) { return RegQueryValueExA(k, n, nullptr, t, d, s); }
};
template <> struct TRegCalls<wchar_t> {
    static LONG EnumValue(HKEY k, DWORD i, wchar_t* n, DWORD* l) { return RegEnumValueW(k, i, n, l, nullptr, nullptr, nullptr, nullptr); }
    static LONG EnumKey(HKEY k, DWORD i, wchar_t* n, DWORD* l) { return RegEnumKeyExW(k, i, n, l, nullptr, nullptr, nullptr, nullptr); }
    static LONG Open(HKEY k, const wchar_t* s, REGSAM a, HKEY* r) { return RegOpenKeyExW(k, s, 0, a, r); }
    static LONG Create(HKEY k, const wchar_t* s, REGSAM a, HKEY* r) {
        return RegCreateKeyExW(k, s, 0, nullptr, REG_OPTION_NON_VOLATILE, a, nullptr, r, nullptr);
    }
    // The view matters for a 32-bit process on 64-bit Windows: the key goes in the view its
    // parent was opened in.
    static LONG Delete(HKEY k, const wchar_t* s, REGSAM view) { return RegDeleteKeyExW(k, s, view, 0); }
    static LONG Query(HKEY k, const wchar_t* n, DWORD* t, BYTE* d, DWORD* s) { return RegQueryValueExW(k, n, nullptr, t, d, s); }
};

// Names are snapshot before the caller acts on them: deleting while enumerating by index
// would skip entries.
template <class C = char>
std::vector<std::basic_string<C>> EnumNames(HKEY key, bool values) {
    using R = TRegCalls<C>;
    std::vector<std::basic_string<C>> names;
    if (!key) return names;
    DWORD maxKeyLen = 0, maxValueLen = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &maxKeyLen, nullptr, nullptr, &maxValueLen,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::basic_string<C> buf(std::max<DWORD>(values ? maxValueLen : maxKeyLen, 255) + 1, C(0));
    for (DWORD i = 0;;) {
        DWORD len = static_cast<DWORD>(buf.size());
        LONG r = values ? R::EnumValue(key, i, buf.data(), &len) : R::EnumKey(key, i, buf.data(), &len);
        if (r == ERROR_MORE_DATA && buf.size() < 65536) {   // grew since we asked
            buf.assign(buf.size() * 2, C(0));
            continue;
        }
        if (r != ERROR_SUCCESS) break;
        names.emplace_back(buf.data(), len);
        ++i;
    }
    return names;
}

template <class C>
bool DeleteTree(HKEY parent, const std::basic_string<C>& subKey, REGSAM view) {
    using R = TRegCalls<C>;
    {
        TKeyHandle key;
        if (R::Open(parent, subKey.c_str(), KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view, key.Put()) == ERROR_SUCCESS) {
            for (const auto& name : EnumNames<C>(key.Get(), false))
                if (!name.empty()) DeleteTree(key.Get(), name, view);
        }
    }
    return R::Delete(parent, subKey.c_str(), view) == ERROR_SUCCESS;
}

// Raw value bytes and type; false when the value can't be read or outgrows maxSize.
template <class C>
bool QueryRaw(HKEY key, const C* name, DWORD& type, std::vector<uint8_t>& data, size_t maxSize) {
    using R = TRegCalls<C>;
    if (!key) return false;
    DWORD size = 0;
    if (R::Query(key, name, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    // Another writer may make the value grow between the two calls.
    for (;;) {
        if (size > maxSize) return false;
        data.assign(size + sizeof(C), 0);
        DWORD got = size;
        LONG r = R::Query(key, name, &type, data.data(), &got);
        if (r == ERROR_SUCCESS) {
            data.resize(got);
            return true;
        }
        if (r != ERROR_MORE_DATA) return false;
        size = got > size ? got : size * 2 + 16;
    }
}

TRegDataType DataTypeOf(DWORD type) {
    switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
    }
}

[[noreturn]] void ReadError(const std::string& name) {
    throw ERegistryException("Invalid data type for '" + name + "'");
}

}  // namespace

TRegistry::TRegistry(REGSAM access) : access_(access) {}

void TRegistry::SetRootKey(HKEY value) {
    if (value == rootKey_) return;
    CloseKey();
    rootKey_ = value;
}

void TRegistry::CloseKey() {
    currentKey_.Reset();
    currentPath_.clear();
}

// The 8-bit names go through the wide calls, which is what the system's A calls do too.
bool TRegistry::Open(const std::string& key, bool canCreate, REGSAM access) { return OpenW(ToWide(key), canCreate, access); }

bool TRegistry::OpenKey(const std::string& key, bool canCreate) { return Open(key, canCreate, access_); }

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    REGSAM view = access_ & kViewFlags;
    return Open(key, false, KEY_READ | view) || Open(key, false, KEY_QUERY_VALUE | view);
}

bool TRegistry::CreateKey(const std::string& key) {
    std::wstring subKey;
    bool relative = false;
    HKEY base = BaseKeyW(ToWide(key), subKey, relative);
    TKeyHandle created;
    if (subKey.empty() || TRegCalls<wchar_t>::Create(base, subKey.c_str(), access_, created.Put()) != ERROR_SUCCESS)
        throw ERegistryException("Failed to create key " + key);
    return true;
}

bool TRegistry::DeleteKey(const std::string& key) { return DeleteKeyW(ToWide(key)); }
bool TRegistry::KeyExists(const std::string& key) { return KeyExistsW(ToWide(key)); }
bool TRegistry::ValueExists(const std::string& name) const { return ValueExistsW(ToWide(name)); }
bool TRegistry::DeleteValue(const std::string& name) { return DeleteValueW(ToWide(name)); }

void TRegistry::GetKeyNames(TStrings& strings) const { strings.SetStrings(EnumNames(currentKey_.Get(), false)); }
void TRegistry::GetValueNames(TStrings& strings) const { strings.SetStrings(EnumNames(currentKey_.Get(), true)); }

bool TRegistry::HasSubKeys() const {
    DWORD subKeys = 0;
    return currentKey_ &&
           RegQueryInfoKeyA(currentKey_.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys > 0;
}

bool TRegistry::GetDataInfo(const std::string& name, TRegDataInfo& info) const {
    DWORD type = 0, size = 0;
    info = TRegDataInfo{};
    if (!currentKey_ ||
        RegQueryValueExA(currentKey_.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    info.RegData = DataTypeOf(type);
    info.DataSize = static_cast<int>(size);
    return true;
}

TRegDataType TRegistry::GetDataType(const std::string& name) const {
    TRegDataInfo info;
    return GetDataInfo(name, info) ? info.RegData : rdUnknown;
}

int TRegistry::GetDataSize(const std::string& name) const {
    TRegDataInfo info;
    return GetDataInfo(name, info) ? info.DataSize : -1;
}

bool TRegistry::QueryValue(const std::string& name, DWORD& type, std::vector<uint8_t>& data, size_t maxSize) const {
    return QueryRaw(currentKey_.Get(), name.c_str(), type, data, maxSize);
}

std::string TRegistry::ReadString(const std::string& name) const {
    DWORD type = 0;
    std::vector<uint8_t> data;
    if (!QueryValue(name, type, data)) return std::string();
    if (type != REG_SZ && type != REG_EXPAND_SZ) ReadError(name);
    // Stored strings need not end with a NUL, and may hold garbage after one.
    const char* p = reinterpret_cast<const char*>(data.data());
    return std::string(p, strnlen(p, data.size()));
}

int TRegistry::ReadInteger(const std::string& name) const {
    DWORD type = 0;
    std::vector<uint8_t> data;
    if (!QueryValue(name, type, data)) throw ERegistryException("Failed to get data for '" + name + "'");
    if (type != REG_DWORD || data.size() < sizeof(int32_t)) ReadError(name);
    int32_t v = 0;
    std::memcpy(&v, data.data(), sizeof v);
    return v;
}

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int bufSize) const {
    DWORD type = 0;
    std::vector<uint8_t> data;
    if (!QueryValue(name, type, data)) return 0;
    TRegDataType kind = DataTypeOf(type);
    if ((kind != rdBinary && kind != rdUnknown) || data.size() > static_cast<size_t>(std::max(bufSize, 0)))
        ReadError(name);
    if (!data.empty()) std::memcpy(buffer, data.data(), data.size());
    return static_cast<int>(data.size());
}

std::vector<uint8_t> TRegistry::ReadBinaryData(const std::string& name) const {
    DWORD type = 0;
    std::vector<uint8_t> data;
    if (!QueryValue(name, type, data)) return {};
    TRegDataType kind = DataTypeOf(type);
    if (kind != rdBinary && kind != rdUnknown) ReadError(name);
    return data;
}

bool TRegistry::ReadRawValue(const std::string& name, DWORD& type, std::vector<uint8_t>& data,
                             size_t maxSize) const {
    if (QueryValue(name, type, data, maxSize) && data.size() <= maxSize) return true;
    type = REG_NONE;
    data.clear();
    return false;
}

void TRegistry::PutData(const std::string& name, DWORD type, const void* data, DWORD size) {
    if (!currentKey_ || RegSetValueExA(currentKey_.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                                       size) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + name + "'");
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    PutData(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
    PutData(name, REG_EXPAND_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    DWORD v = static_cast<DWORD>(value);
    PutData(name, REG_DWORD, &v, sizeof v);
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int bufSize) {
    PutData(name, REG_BINARY, buffer, static_cast<DWORD>(std::max(bufSize, 0)));
}

void TRegistry::WriteRawValue(const std::string& name, DWORD type, const std::vector<uint8_t>& data) {
    PutData(name, type, data.data(), static_cast<DWORD>(data.size()));
}

// ---- Wide siblings -------------------------------------------------------------------------

HKEY TRegistry::BaseKeyW(const std::wstring& key, std::wstring& subKey, bool& relative) const {
    relative = key.empty() || key[0] != L'\\';
    subKey = TrimBackslashes(key);
    return relative && currentKey_ ? currentKey_.Get() : rootKey_;
}

bool TRegistry::OpenKeyW(const std::wstring& key, bool canCreate) { return OpenW(key, canCreate, access_); }

bool TRegistry::OpenW(const std::wstring& key, bool canCreate, REGSAM access) {
    std::wstring subKey;
    bool relative = false;
    HKEY base = BaseKeyW(key, subKey, relative);
    TKeyHandle opened;
    using R = TRegCalls<wchar_t>;
    LONG r = canCreate ? R::Create(base, subKey.c_str(), access, opened.Put()) : R::Open(base, subKey.c_str(), access, opened.Put());
    if (r != ERROR_SUCCESS) return false;
    const std::string shown = FromWide(subKey);
    if (relative && currentKey_ && !currentPath_.empty())
        currentPath_ = shown.empty() ? currentPath_ : currentPath_ + "\\" + shown;
    else
        currentPath_ = shown;
    currentKey_ = std::move(opened);
    return true;
}

bool TRegistry::DeleteKeyW(const std::wstring& key) {
    std::wstring subKey;
    bool relative = false;
    HKEY base = BaseKeyW(key, subKey, relative);
    if (subKey.empty()) return false;
    return DeleteTree(base, subKey, access_ & kViewFlags);
}

bool TRegistry::KeyExistsW(const std::wstring& key) {
    std::wstring subKey;
    bool relative = false;
    HKEY base = BaseKeyW(key, subKey, relative);
    TKeyHandle probe;
    LONG r = RegOpenKeyExW(base, subKey.c_str(), 0, KEY_QUERY_VALUE | (access_ & kViewFlags), probe.Put());
    return r == ERROR_SUCCESS || r == ERROR_ACCESS_DENIED;
}

bool TRegistry::ValueExistsW(const std::wstring& name) const {
    DWORD type = 0, size = 0;
    return currentKey_ &&
           RegQueryValueExW(currentKey_.Get(), name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValueW(const std::wstring& name) {
    return currentKey_ && RegDeleteValueW(currentKey_.Get(), name.c_str()) == ERROR_SUCCESS;
}

std::vector<std::wstring> TRegistry::GetKeyNamesW() const { return EnumNames<wchar_t>(currentKey_.Get(), false); }
std::vector<std::wstring> TRegistry::GetValueNamesW() const { return EnumNames<wchar_t>(currentKey_.Get(), true); }

bool TRegistry::QueryValueW(const std::wstring& name, DWORD& type, std::vector<uint8_t>& data, size_t maxSize) const {
    return QueryRaw(currentKey_.Get(), name.c_str(), type, data, maxSize);
}

std::wstring TRegistry::ReadStringW(const std::wstring& name) const {
    DWORD type = 0;
    std::vector<uint8_t> data;
    if (!QueryValueW(name, type, data, SIZE_MAX)) return std::wstring();
    if (type != REG_SZ && type != REG_EXPAND_SZ) ReadError(FromWide(name));
    // Whole characters only, up to the first NUL (stored strings need not end with one).
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

bool TRegistry::ReadRawValueW(const std::wstring& name, DWORD& type, std::vector<uint8_t>& data,
                              size_t maxSize) const {
    if (QueryValueW(name, type, data, maxSize) && data.size() <= maxSize) return true;
    type = REG_NONE;
    data.clear();
    return false;
}

void TRegistry::WriteRawValueW(const std::wstring& name, DWORD type, const std::vector<uint8_t>& data) {
    if (!currentKey_ || RegSetValueExW(currentKey_.Get(), name.c_str(), 0, type, data.data(),
                                       static_cast<DWORD>(data.size())) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + FromWide(name) + "'");
}
