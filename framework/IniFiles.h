// Settings files (Config.ini, language and skin files) through the system's profile API.
#pragma once
#include "framework/SysUtils.h"
#include <string>
#include <vector>

class TStrings;

// Reads and writes one INI file. Constructing touches nothing on disk; the file and a
// section are created by the first write into them, and Windows writes in call order.
// What the profile API does to values is kept, because callers rely on it: blanks around a
// value are dropped on reading, and a value written as "text" or 'text' reads back without
// the quotes. Key and section names match without regard to case.
class TIniFile {
public:
    // A relative name is taken from the current folder; the profile API itself would look
    // in the Windows folder.
    explicit TIniFile(const std::string& fileName);
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;
    virtual ~TIniFile() = default;

    const std::string& FileName() const { return fileName_; }

    // A missing key or file gives def exactly as passed; a key with an empty value gives "".
    std::string ReadString(const std::string& section, const std::string& ident, const std::string& def) const;
    // Every write raises EIniFileException "Unable to write to <file>" when the system refuses it.
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    // Decimal, "$hex" or "0xhex"; anything else gives def.
    int ReadInteger(const std::string& section, const std::string& ident, int def) const;
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    // Any integer reads as a boolean (non-zero is true); anything else gives def.
    bool ReadBool(const std::string& section, const std::string& ident, bool def) const;
    void WriteBool(const std::string& section, const std::string& ident, bool value);   // "1" or "0"

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;
    // The key names of a section, in file order.
    void ReadSection(const std::string& section, TStrings& strings) const;
    void ReadSections(TStrings& strings) const;
    // "key=value" lines.
    void ReadSectionValues(const std::string& section, TStrings& strings) const;
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& ident);
    // Flushes the system's cached copy of the file.
    void UpdateFile();

private:
    std::vector<std::string> KeyNames(const char* section) const;
    [[noreturn]] void WriteError() const;
    std::string fileName_;
};
