#include "app/multiLangs.h"
#include "app/funUtils.h"
#include "app/globals.h"
#include "framework/IniFiles.h"

#define VELMORA_DEFINE_PLAIN(id, def) std::string id = def;
#define VELMORA_DEFINE_KEYED(id, readKey, writeKey, def, escaped) std::string id = def;
VELMORA_LANGUAGE_TABLE(VELMORA_DEFINE_PLAIN, VELMORA_DEFINE_PLAIN, VELMORA_DEFINE_KEYED)
#undef VELMORA_DEFINE_PLAIN
#undef VELMORA_DEFINE_KEYED

namespace {

#define VELMORA_PLAIN_ENTRY(id, def) {#id, #id, &id, def, false},
#define VELMORA_ESCAPED_ENTRY(id, def) {#id, #id, &id, def, true},
#define VELMORA_KEYED_ENTRY(id, readKey, writeKey, def, escaped) {readKey, writeKey, &id, def, escaped},
const TLanguageEntry kLanguageTable[] = {
    VELMORA_LANGUAGE_TABLE(VELMORA_PLAIN_ENTRY, VELMORA_ESCAPED_ENTRY, VELMORA_KEYED_ENTRY)
};
#undef VELMORA_PLAIN_ENTRY
#undef VELMORA_ESCAPED_ENTRY
#undef VELMORA_KEYED_ENTRY

}  // namespace

TLoadErrorBox LanguageErrorBox = [](const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), ProductTitle.c_str(), MB_ICONERROR | MB_OK);
};

std::span<const TLanguageEntry> LanguageEntries() { return kLanguageTable; }

bool LoadIniTexts(const std::string& path, bool (*writeDefault)(), const TLoadErrorBox& errorBox,
                  const std::function<void(TIniFile&)>& read) {
    if (!FileExists(path) && !writeDefault()) {
        if (errorBox)
            errorBox(FormatLang(IDS_MESSAGEBOX_WARNING_SaveFileFailed, DefaultOf(IDS_MESSAGEBOX_WARNING_SaveFileFailed),
                                path));
        return false;
    }
    try {
        TIniFile ini(path);
        read(ini);
    } catch (const std::exception&) {
        // A bad value shows where it is applied, and the program goes on with the texts it
        // has: a failed read is not worth a message.
        return false;
    }
    return true;
}

bool WriteIniTexts(const std::string& path, const std::function<void(TIniFile&)>& write) {
    try {
        TIniFile ini(path);
        write(ini);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool LoadLanguage() {
    return LoadIniTexts(LanguagePath, WriteDefaultLanguage, LanguageErrorBox, [](TIniFile& ini) {
        for (const auto& e : kLanguageTable) {
            std::string value = ini.ReadString(LanguageSection, e.ReadKey, *e.Text);
            *e.Text = e.Escaped ? EscapeLineBreaks(value, true) : std::move(value);
        }
    });
}

bool WriteDefaultLanguage() {
    return WriteIniTexts(LanguagePath, [](TIniFile& ini) {
        for (const auto& e : kLanguageTable)
            ini.WriteString(LanguageSection, e.WriteKey, e.Escaped ? EscapeLineBreaks(*e.Text, false) : *e.Text);
    });
}

void ResetLanguageDefaults() {
    for (const auto& e : kLanguageTable) *e.Text = e.Default;
}

std::string DefaultOf(const std::string& languageString) {
    for (const auto& e : kLanguageTable)
        if (e.Text == &languageString) return e.Default;
    return languageString;
}
