// Helpers of the skinned-control tests: theme files made on the spot, and stand-ins for
// the skinned controls that read a theme.
#pragma once
#include "common/Screenshot.h"
#include "controls/skinned/SkMgr.h"
#include "framework/ExtCtrls.h"

#include <cstdint>
#include <string>
#include <vector>

// Builds a theme container: the 24-byte header, the data blocks, then the chain of
// 77-byte entries ending with the terminator.
class TThemeFileBuilder {
public:
    TThemeFileBuilder& Add(const std::string& name, uint8_t kind, const std::string& data) {
        entries_.push_back({name, kind, data});
        return *this;
    }
    TThemeFileBuilder& Int(const std::string& name, int32_t v) { return Add(name, 1, Le32(static_cast<uint32_t>(v))); }
    TThemeFileBuilder& Byte(const std::string& name, uint8_t v) { return Add(name, 2, std::string(1, char(v))); }
    TThemeFileBuilder& Str(const std::string& name, const std::string& text) { return Add(name, 3, text); }
    TThemeFileBuilder& Picture(const std::string& name, TBitmap& bitmap) {
        TMemoryStream ms;
        bitmap.SaveToStream(ms);
        return Add(name, 0, std::string(reinterpret_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size())));
    }

    std::string Build() {
        std::string file(24, '\0');
        file.replace(0, 11, "SkinPack_TB");
        Put32(file, 12, 24);
        std::vector<uint32_t> dataAt;
        for (auto& e : entries_) {
            dataAt.push_back(static_cast<uint32_t>(file.size()));
            file += e.Data;
        }
        entryAt_.clear();
        const uint32_t first = static_cast<uint32_t>(file.size());
        Put32(file, 20, first);
        for (size_t i = 0; i <= entries_.size(); ++i) {
            entryAt_.push_back(static_cast<uint32_t>(file.size()));
            std::string entry(77, '\0');
            if (i < entries_.size()) {
                entry.replace(0, std::min<size_t>(entries_[i].Name.size(), 64), entries_[i].Name.substr(0, 64));
                entry[64] = char(entries_[i].Kind);
                Put32(entry, 65, dataAt[i]);
                Put32(entry, 69, static_cast<uint32_t>(entries_[i].Data.size()));
                Put32(entry, 73, first + 77 * static_cast<uint32_t>(i + 1));
            }
            file += entry;
        }
        return file;
    }
    // Offset of entry i of the last Build (entries_.size() is the terminator).
    uint32_t EntryAt(size_t i) const { return entryAt_.at(i); }

    static std::string Le32(uint32_t v) {
        std::string s(4, '\0');
        Put32(s, 0, v);
        return s;
    }
    static void Put32(std::string& s, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
    }

private:
    struct TEntry { std::string Name; uint8_t Kind; std::string Data; };
    std::vector<TEntry> entries_;
    std::vector<uint32_t> entryAt_;
};

// Writes bytes to a file under the tests' output folder and returns its full path.
std::string WriteTestFile(const std::string& name, const std::string& bytes);
// The folder of the running test executable, with a trailing backslash.
std::string TestExeFolder();

// A stand-in for a skinned control: publishes FileTheme and UIStyle and records every
// write, in order ("FileTheme", "UIStyle:MacOS"). Its class name begins with "Tsk".
class TskThemeProbe : public TCustomControl {
    DECLARE_CLASS(TskThemeProbe, TCustomControl)
    explicit TskThemeProbe(TComponent* AOwner) : TCustomControl(AOwner) {}
    TskFileTheme* GetFileTheme() const { return theme_; }
    void SetFileTheme(TskFileTheme* v);
    TskUIStyle GetUIStyle() const { return style_; }
    void SetUIStyle(TskUIStyle v);
    static void Publish(TClassBuilder<TskThemeProbe>& b);
    std::vector<std::string> Writes;
private:
    TskFileTheme* theme_ = nullptr;
    TskUIStyle style_ = DeepBlue;
};

// The same, under a class name that does not begin with "Tsk".
class TThemedPlainProbe : public TskThemeProbe {
    DECLARE_CLASS(TThemedPlainProbe, TskThemeProbe)
    using TskThemeProbe::TskThemeProbe;
};
