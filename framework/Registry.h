// Registry access as the program uses it: one open key at a time per object, paths relative
// to the open key, typed reads that refuse the wrong type.
#pragma once
#include "framework/Handles.h"
#include "framework/SysUtils.h"
#include <cstdint>
#include <string>
#include <vector>

class TStrings;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    int DataSize = 0;
};

class TRegistry {
public:
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS);
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;
    virtual ~TRegistry() = default;

    HKEY RootKey() const { return rootKey_; }
    void SetRootKey(HKEY value);   // closes the open key
    HKEY CurrentKey() const { return currentKey_.Get(); }
    // The open key's path below the root, without leading or trailing backslash.
    const std::string& CurrentPath() const { return currentPath_; }
    REGSAM Access() const { return access_; }
    void SetAccess(REGSAM value) { access_ = value; }

    // A key without a leading backslash is taken relative to the open key, if there is one,
    // else to the root. On success the key becomes the open key.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();
    // Creates the key (relative like OpenKey) without opening it; raises ERegistryException
    // when it cannot be created.
    bool CreateKey(const std::string& key);
    // Deletes the key with everything below it. An empty name is refused: it would name
    // the open key or the root itself.
    bool DeleteKey(const std::string& key);
    bool KeyExists(const std::string& key);

    bool ValueExists(const std::string& name) const;
    bool DeleteValue(const std::string& name);
    // Sub-key and value names of the open key, in the order the system lists them.
    void GetKeyNames(TStrings& strings) const;
    void GetValueNames(TStrings& strings) const;
    bool HasSubKeys() const;

    bool GetDataInfo(const std::string& name, TRegDataInfo& info) const;
    TRegDataType GetDataType(const std::string& name) const;   // rdUnknown when missing
    int GetDataSize(const std::string& name) const;            // -1 when missing

    // REG_SZ or REG_EXPAND_SZ, unexpanded; "" when the value is missing. Any other type
    // raises ERegistryException "Invalid data type for '<name>'".
    std::string ReadString(const std::string& name) const;
    // REG_DWORD; a missing value or another type raises ERegistryException.
    int ReadInteger(const std::string& name) const;
    bool ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }
    // Copies REG_BINARY (or untyped) data into buffer and returns its size; data of another
    // type or larger than bufSize raises ERegistryException; a missing value gives 0.
    int ReadBinaryData(const std::string& name, void* buffer, int bufSize) const;
    std::vector<uint8_t> ReadBinaryData(const std::string& name) const;
    // The value's type and bytes exactly as stored, to move a value without changing it.
    // False (outputs emptied) when the value is missing, can't be read or holds more than
    // maxSize bytes.
    bool ReadRawValue(const std::string& name, DWORD& type, std::vector<uint8_t>& data, size_t maxSize) const;

    // Writes raise ERegistryException "Failed to set data for '<name>'".
    void WriteString(const std::string& name, const std::string& value);
    void WriteExpandString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int value);
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    void WriteBinaryData(const std::string& name, const void* buffer, int bufSize);
    // Stores the bytes under the given type (REG_*) as they are.
    void WriteRawValue(const std::string& name, DWORD type, const std::vector<uint8_t>& data);

    // Wide siblings, for names and data that must keep characters the 8-bit code page can't
    // hold: a name read with the A calls comes back with "?" in their place, and writing it
    // back would make another key or value. Same rules as their 8-bit namesakes; the open
    // key's CurrentPath is then only for showing.
    bool OpenKeyW(const std::wstring& key, bool canCreate);
    bool DeleteKeyW(const std::wstring& key);
    bool KeyExistsW(const std::wstring& key);
    bool ValueExistsW(const std::wstring& name) const;
    bool DeleteValueW(const std::wstring& name);
    std::vector<std::wstring> GetKeyNamesW() const;
    std::vector<std::wstring> GetValueNamesW() const;
    // REG_SZ or REG_EXPAND_SZ as UTF-16, unexpanded, up to its first NUL; "" when missing;
    // another type raises ERegistryException like ReadString.
    std::wstring ReadStringW(const std::wstring& name) const;
    bool ReadRawValueW(const std::wstring& name, DWORD& type, std::vector<uint8_t>& data, size_t maxSize) const;
    void WriteRawValueW(const std::wstring& name, DWORD type, const std::vector<uint8_t>& data);

private:
    // The key a path is resolved against and the path with its backslashes trimmed.
    HKEY BaseKeyW(const std::wstring& key, std::wstring& subKey, bool& relative) const;
    bool Open(const std::string& key, bool canCreate, REGSAM access);
    bool OpenW(const std::wstring& key, bool canCreate, REGSAM access);
    // Raw value bytes and type; false when the value can't be read or outgrows maxSize.
    bool QueryValue(const std::string& name, DWORD& type, std::vector<uint8_t>& data,
                    size_t maxSize = SIZE_MAX) const;
    void PutData(const std::string& name, DWORD type, const void* data, DWORD size);
    bool QueryValueW(const std::wstring& name, DWORD& type, std::vector<uint8_t>& data, size_t maxSize) const;

    HKEY rootKey_ = HKEY_CURRENT_USER;
    TKeyHandle currentKey_;
    std::string currentPath_;
    REGSAM access_;
};
