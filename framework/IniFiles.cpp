#include "framework/IniFiles.h"
#include "framework/Classes.h"
#include <algorithm>

namespace {

// Stands in for the caller's default, so that the default comes back exactly: the profile
// API would strip its trailing blanks ("Programs: ").
constexpr char kMissing[] = "\x01VelmoraNoValue\x02";

// The profile API returns size - 1 (or size - 2 for lists) when the buffer was too small,
// without saying how much it needs; grow until the text fits.
template <class Call>
std::string ProfileRead(Call call, DWORD slack) {
    std::string buf(2048, '\0');
    for (;;) {
        DWORD n = call(buf.data(), static_cast<DWORD>(buf.size()));
        if (n + slack < buf.size() || buf.size() >= (64u << 20)) {
            buf.resize(std::min<size_t>(n, buf.size()));
            return buf;
        }
        buf.assign(buf.size() * 2, '\0');
    }
}

std::vector<std::string> SplitNullList(const std::string& list) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\0', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

}  // namespace

TIniFile::TIniFile(const std::string& fileName) : fileName_(ExpandFileName(fileName)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident, const std::string& def) const {
    std::string value = ProfileRead(
        [&](char* buf, DWORD size) {
            return GetPrivateProfileStringA(section.c_str(), ident.c_str(), kMissing, buf, size, fileName_.c_str());
        },
        1);
    return value == kMissing ? def : value;
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    if (!WritePrivateProfileStringA(section.c_str(), ident.c_str(), value.c_str(), fileName_.c_str())) WriteError();
}

int TIniFile::ReadInteger(const std::string& section, const std::string& ident, int def) const {
    return StrToIntDef(ReadString(section, ident, ""), def);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
    WriteString(section, ident, IntToStr(value));
}

bool TIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) const {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

std::vector<std::string> TIniFile::KeyNames(const char* section) const {
    return SplitNullList(ProfileRead(
        [&](char* buf, DWORD size) {
            return GetPrivateProfileStringA(section, nullptr, "", buf, size, fileName_.c_str());
        },
        2));
}

bool TIniFile::SectionExists(const std::string& section) const { return !KeyNames(section.c_str()).empty(); }

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) const {
    for (const auto& key : KeyNames(section.c_str()))
        if (SameText(Trim(key), Trim(ident))) return true;
    return false;
}

void TIniFile::ReadSection(const std::string& section, TStrings& strings) const {
    strings.SetStrings(KeyNames(section.c_str()));
}

void TIniFile::ReadSections(TStrings& strings) const { strings.SetStrings(KeyNames(nullptr)); }

void TIniFile::ReadSectionValues(const std::string& section, TStrings& strings) const {
    std::vector<std::string> lines;
    for (const auto& key : KeyNames(section.c_str())) lines.push_back(key + "=" + ReadString(section, key, ""));
    strings.SetStrings(lines);
}

void TIniFile::EraseSection(const std::string& section) {
    if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, fileName_.c_str())) WriteError();
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    // Deleting what is not there is not an error worth reporting.
    WritePrivateProfileStringA(section.c_str(), ident.c_str(), nullptr, fileName_.c_str());
}

void TIniFile::UpdateFile() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str()); }

void TIniFile::WriteError() const { throw EIniFileException("Unable to write to " + fileName_); }
