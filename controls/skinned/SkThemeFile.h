// Theme files: a "SkinPack_TB" container of named pictures, integers, bytes and strings.
//
// Layout (unsigned 32-bit little-endian unless said otherwise):
//   header  0: 12-byte magic "SkinPack_TB" padded with zeros; 12: header length (>= 24);
//           16: unused; 20: offset of the first entry
//   entry   0: 64-byte name (ends at the first zero); 64: kind byte (0 picture, 1 integer,
//           2 byte, 3 string, anything else skipped); 65: data offset; 69: data size;
//           73: offset of the next entry, 0 for the terminator, which carries no value.
//
// A theme file is whatever the user drops in: every offset, size and chain is checked
// against the bytes present, and anything malformed rejects the whole file.
#pragma once
#include "framework/Classes.h"

#include <memory>
#include <string>
#include <vector>

// True when the file exists, opens for reading and starts with the magic; never raises.
bool IsThemeFile(const std::string& path);

// Files larger than this are not theme files (keeps a hostile file from exhausting memory).
constexpr int64_t kMaxThemeFileSize = int64_t(64) << 20;

class TskThemeFileReader {
public:
    // Reads the whole container; EReadError naming the fault when it is malformed
    // (EFOpenError when it can't be opened).
    explicit TskThemeFileReader(const std::string& path);
    ~TskThemeFileReader();
    TskThemeFileReader(const TskThemeFileReader&) = delete;
    TskThemeFileReader& operator=(const TskThemeFileReader&) = delete;

    // Names match without regard to case; when a name occurs twice the first entry of
    // the chain wins.
    // The picture's data rewound to its start; nullptr when there is none.
    TMemoryStream* FindStream(const std::string& name) const;
    // The stored byte; false when missing or not a number.
    bool FindBool(const std::string& name) const;
    // The stored integer; -1 when missing or not a number.
    int FindInt(const std::string& name) const;
    bool TryFindInt(const std::string& name, int& value) const;

    // "name=value" lines (pictures: the names, each with its stream as the object).
    const TStringList& Pictures() const { return pictures_; }
    const TStringList& Integers() const { return integers_; }
    const TStringList& Bytes() const { return bytes_; }
    const TStringList& Strings() const { return strings_; }

private:
    struct TEntry;
    void Parse(const std::string& data);
    void AddEntry(const std::string& data, const TEntry& entry, uint64_t& budget);

    TStringList pictures_;
    TStringList integers_;
    TStringList bytes_;
    TStringList strings_;
    std::vector<std::unique_ptr<TMemoryStream>> streams_;
};
