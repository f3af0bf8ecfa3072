#include "framework/Registry.h"
#include "framework/Classes.h"
#include <algorithm>
#include <cstring>

namespace {

constexpr REGSAM kViewFlags = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

std::string TrimBackslashes(const std::string& key) {
    size_t b = key.find_first_not_of('\\');
    if (b == std::string::npos) return std::string();
    size_t e = key.find_last_not_of('\\');
    return key.substr(b, e - b + 1);
}

// Names are snapshot before the caller acts on them: deleting while enumerating by index
// would skip entries.
std::vector<std::string> EnumNames(HKEY key, bool values) {
    std::vector<std::string> names;
    if (!key) return names;
    DWORD maxKeyLen = 0, maxValueLen = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &maxKeyLen, nullptr, nullptr, &maxValueLen,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::string buf(std::max<DWORD>(values ? maxValueLen : maxKeyLen, 255) + 1, '\0');
    for (DWORD i = 0;;) {
        DWORD len = static_cast<DWORD>(buf.size());
        LONG r = values ? RegEnumValueA(key, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr)
                        : RegEnumKeyExA(key, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_MORE_DATA && buf.size() < 65536) {   // grew since we asked
            buf.assign(buf.size() * 2, '\0');
            continue;
        }
        if (r != ERROR_SUCCESS) break;
        names.emplace_back(buf.data(), len);
        ++i;
    }
    return names;
}

bool DeleteTree(HKEY parent, const std::string& subKey, REGSAM view) {
    {
        TKeyHandle key;
        if (RegOpenKeyExA(parent, subKey.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | view, key.Put()) ==
            ERROR_SUCCESS) {
            for (const auto& name : EnumNames(key.Get(), false))
                if (!name.empty()) DeleteTree(key.Get(), name, view);
        }
    }
    return RegDeleteKeyA(parent, subKey.c_str()) == ERROR_SUCCESS;
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

HKEY TRegistry::BaseKey(const std::string& key, std::string& subKey, bool& relative) const {
    relative = key.empty() || key[0] != '\\';
    subKey = TrimBackslashes(key);
    return relative && currentKey_ ? currentKey_.Get() : rootKey_;
}

bool TRegistry::Open(const std::string& key, bool canCreate, REGSAM access) {
    std::string subKey;
    bool relative = false;
    HKEY base = BaseKey(key, subKey, relative);
    TKeyHandle opened;
    LONG r = canCreate ? RegCreateKeyExA(base, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                         opened.Put(), nullptr)
                       : RegOpenKeyExA(base, subKey.c_str(), 0, access, opened.Put());
    if (r != ERROR_SUCCESS) return false;
    if (relative && currentKey_ && !currentPath_.empty())
        currentPath_ = subKey.empty() ? currentPath_ : currentPath_ + "\\" + subKey;
    else
        currentPath_ = subKey;
    currentKey_ = std::move(opened);
    return true;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) { return Open(key, canCreate, access_); }

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    REGSAM view = access_ & kViewFlags;
    return Open(key, false, KEY_READ | view) || Open(key, false, KEY_QUERY_VALUE | view);
}

bool TRegistry::CreateKey(const std::string& key) {
    std::string subKey;
    bool relative = false;
    HKEY base = BaseKey(key, subKey, relative);
    TKeyHandle created;
    if (subKey.empty() || RegCreateKeyExA(base, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_, nullptr,
                                          created.Put(), nullptr) != ERROR_SUCCESS)
        throw ERegistryException("Failed to create key " + key);
    return true;
}

bool TRegistry::DeleteKey(const std::string& key) {
    std::string subKey;
    bool relative = false;
    HKEY base = BaseKey(key, subKey, relative);
    if (subKey.empty()) return false;
    return DeleteTree(base, subKey, access_ & kViewFlags);
}

bool TRegistry::KeyExists(const std::string& key) {
    std::string subKey;
    bool relative = false;
    HKEY base = BaseKey(key, subKey, relative);
    TKeyHandle probe;
    LONG r = RegOpenKeyExA(base, subKey.c_str(), 0, KEY_QUERY_VALUE | (access_ & kViewFlags), probe.Put());
    // A key we may not read still exists.
    return r == ERROR_SUCCESS || r == ERROR_ACCESS_DENIED;
}

bool TRegistry::ValueExists(const std::string& name) const {
    DWORD type = 0, size = 0;
    return currentKey_ &&
           RegQueryValueExA(currentKey_.Get(), name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const std::string& name) {
    return currentKey_ && RegDeleteValueA(currentKey_.Get(), name.c_str()) == ERROR_SUCCESS;
}

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
    if (!currentKey_) return false;
    DWORD size = 0;
    if (RegQueryValueExA(currentKey_.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    // Another writer may make the value grow between the two calls.
    for (;;) {
        if (size > maxSize) return false;
        data.assign(size + 1, 0);
        DWORD got = size;
        LONG r = RegQueryValueExA(currentKey_.Get(), name.c_str(), nullptr, &type, data.data(), &got);
        if (r == ERROR_SUCCESS) {
            data.resize(got);
            return true;
        }
        if (r != ERROR_MORE_DATA) return false;
        size = got > size ? got : size * 2 + 16;
    }
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
