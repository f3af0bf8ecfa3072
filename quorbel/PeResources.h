// The resources of a program file, read as plain bytes. Screen savers are files that anyone
// can drop into the Windows folder, so nothing here maps or loads them: every offset and
// length the file states is checked against the bytes it really has, and what does not fit
// is treated as absent.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace quorbel {

// An open file read at offsets, for its size at opening.
class TFileBytes {
public:
    explicit TFileBytes(const std::wstring& path);
    ~TFileBytes();
    TFileBytes(const TFileBytes&) = delete;
    TFileBytes& operator=(const TFileBytes&) = delete;

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    ULONGLONG Size() const { return size_; }
    // False unless all size bytes at offset lie inside the file and were read.
    bool ReadAt(ULONGLONG offset, void* out, size_t size) const;
    template <class T>
    bool Read(ULONGLONG offset, T& out) const { return ReadAt(offset, &out, sizeof out); }

private:
    HANDLE handle_;
    ULONGLONG size_ = 0;
};

// The data of the resource type/name (numeric identifiers), neutral language first, else
// the first language listed. Empty when the file is no PE file, lacks the resource, or the
// resource does not lie whole inside the file; never more than maxBytes.
std::vector<BYTE> ReadResource(const TFileBytes& file, WORD type, WORD name, size_t maxBytes);

// String number index (0-15) of a string-table block.
std::wstring StringFromBlock(const std::vector<BYTE>& block, unsigned index);

// CompanyName of a version resource, in the language its Translation names, else US
// English, else the first string table that has one. Empty when there is none.
std::wstring VersionCompanyName(const std::vector<BYTE>& version);

} // namespace quorbel
