#include "controls/skinned/SkThemeFile.h"

#include <cstring>
#include <unordered_set>

namespace {

constexpr char kMagic[] = "SkinPack_TB";
constexpr size_t kMagicField = 12;
constexpr size_t kHeaderSize = 24;
constexpr size_t kEntrySize = 77;
constexpr size_t kNameField = 64;

enum TEntryKind : uint8_t { ekPicture = 0, ekInteger = 1, ekByte = 2, ekString = 3 };

uint32_t Rd32(const char* p) {
    auto b = reinterpret_cast<const uint8_t*>(p);
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

bool HasMagic(const char* field) {
    // The text up to the first zero byte of the field, which need not hold one.
    size_t len = strnlen(field, kMagicField);
    return len == sizeof kMagic - 1 && std::memcmp(field, kMagic, len) == 0;
}

[[noreturn]] void Invalid(const std::string& why) { throw EReadError("Theme file is not valid: " + why); }

// Whether [offset, offset + size) lies inside a file of fileSize bytes.
bool Inside(uint64_t offset, uint64_t size, uint64_t fileSize) { return offset <= fileSize && size <= fileSize - offset; }

}  // namespace

bool IsThemeFile(const std::string& path) {
    if (!FileExists(path)) return false;
    TFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char field[kMagicField];
    DWORD got = 0;
    if (!ReadFile(file.Get(), field, sizeof field, &got, nullptr) || got != sizeof field) return false;
    return HasMagic(field);
}

struct TskThemeFileReader::TEntry {
    std::string Name;
    uint8_t Kind = 0;
    uint32_t DataOffset = 0;
    uint32_t DataSize = 0;
    uint32_t Next = 0;
};

TskThemeFileReader::TskThemeFileReader(const std::string& path) {
    TFileStream file(path, TFileMode::fmOpenRead);
    const int64_t size = file.Size();
    if (size < static_cast<int64_t>(kHeaderSize)) Invalid("shorter than its header");
    if (size > kMaxThemeFileSize) Invalid("larger than a theme file can be");
    std::string data(static_cast<size_t>(size), '\0');
    file.ReadBuffer(data.data(), size);
    Parse(data);
}

TskThemeFileReader::~TskThemeFileReader() = default;

void TskThemeFileReader::Parse(const std::string& data) {
    const uint64_t fileSize = data.size();
    if (!HasMagic(data.data())) Invalid("no SkinPack_TB magic");
    // The header may claim to be longer than 24 bytes; only those 24 carry anything.
    const uint32_t headerLength = Rd32(data.data() + 12);
    if (headerLength < kHeaderSize) Invalid("header length below 24");
    if (headerLength > fileSize) Invalid("header longer than the file");
    uint32_t offset = Rd32(data.data() + 20);
    // Every entry is read once: a chain that comes back to an entry is not a container.
    std::unordered_set<uint32_t> visited;
    // Copied picture and string data may not add up to more than the file holds, so
    // entries sharing one huge data block can't multiply the memory used.
    uint64_t budget = fileSize;
    for (;;) {
        if (!visited.insert(offset).second) Invalid("its entry chain loops");
        if (!Inside(offset, kEntrySize, fileSize)) Invalid("an entry lies past the end");
        const char* p = data.data() + offset;
        TEntry e;
        e.Name.assign(p, strnlen(p, kNameField));
        e.Kind = static_cast<uint8_t>(p[64]);
        e.DataOffset = Rd32(p + 65);
        e.DataSize = Rd32(p + 69);
        e.Next = Rd32(p + 73);
        if (e.Next == 0) break;
        AddEntry(data, e, budget);
        offset = e.Next;
    }
}

void TskThemeFileReader::AddEntry(const std::string& data, const TEntry& e, uint64_t& budget) {
    const uint64_t fileSize = data.size();
    auto checkData = [&](uint64_t size) {
        if (!Inside(e.DataOffset, size, fileSize)) Invalid("the data of " + e.Name + " lies past the end");
    };
    const char* p = data.data() + std::min<uint64_t>(e.DataOffset, fileSize);
    switch (e.Kind) {
    case ekPicture: {
        checkData(e.DataSize);
        if (e.DataSize == 0) return;   // no picture: the key stays absent
        if (e.DataSize > budget) Invalid("its entries share more data than the file holds");
        budget -= e.DataSize;
        auto stream = std::make_unique<TMemoryStream>();
        stream->WriteBuffer(p, e.DataSize);
        stream->SetPosition(0);
        pictures_.AddObject(e.Name, stream.get());
        streams_.push_back(std::move(stream));
        return;
    }
    case ekInteger: {
        // A shorter entry would read into whatever follows it.
        if (e.DataSize < 4) return;
        checkData(4);
        integers_.Add(e.Name + "=" + std::to_string(static_cast<int32_t>(Rd32(p))));
        return;
    }
    case ekByte:
        if (e.DataSize < 1) return;
        checkData(1);
        bytes_.Add(e.Name + "=" + std::to_string(static_cast<uint8_t>(*p)));
        return;
    case ekString:
        checkData(e.DataSize);
        if (e.DataSize > budget) Invalid("its entries share more data than the file holds");
        budget -= e.DataSize;
        strings_.Add(e.Name + "=" + std::string(p, e.DataSize));
        return;
    default:
        return;
    }
}

TMemoryStream* TskThemeFileReader::FindStream(const std::string& name) const {
    int i = pictures_.IndexOf(name);
    if (i < 0) return nullptr;
    auto* stream = static_cast<TMemoryStream*>(pictures_.GetObject(i));
    stream->SetPosition(0);
    return stream;
}

bool TskThemeFileReader::TryFindInt(const std::string& name, int& value) const {
    int i = integers_.IndexOfName(name);
    return i >= 0 && TryStrToInt(integers_.ValueFromIndex(i), value);
}

int TskThemeFileReader::FindInt(const std::string& name) const {
    int value = 0;
    return TryFindInt(name, value) ? value : -1;
}

bool TskThemeFileReader::FindBool(const std::string& name) const {
    int i = bytes_.IndexOfName(name);
    int value = 0;
    return i >= 0 && TryStrToInt(bytes_.ValueFromIndex(i), value) && value != 0;
}
