#include "app/multiSkins.h"
#include "app/globals.h"
#include "framework/IniFiles.h"

#define VELMORA_DEFINE_STRING(id, def) std::string id = def;
VELMORA_SKIN_MAINFORM(VELMORA_DEFINE_STRING)
VELMORA_SKIN_REGISTRYFORM(VELMORA_DEFINE_STRING)
#undef VELMORA_DEFINE_STRING

namespace {

#define VELMORA_MAINFORM_ENTRY(id, def) {"MainForm", #id, &id, def},
#define VELMORA_REGISTRYFORM_ENTRY(id, def) {"RegistryForm", #id, &id, def},
const TSkinEntry kSkinTable[] = {
    VELMORA_SKIN_MAINFORM(VELMORA_MAINFORM_ENTRY)
    VELMORA_SKIN_REGISTRYFORM(VELMORA_REGISTRYFORM_ENTRY)
};
#undef VELMORA_MAINFORM_ENTRY
#undef VELMORA_REGISTRYFORM_ENTRY

}  // namespace

TLoadErrorBox SkinErrorBox = [](const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), ProductTitle.c_str(), MB_ICONERROR | MB_OK);
};

std::span<const TSkinEntry> SkinEntries() { return kSkinTable; }

bool LoadSkin() {
    return LoadIniTexts(SkinPath, WriteDefaultSkin, SkinErrorBox, [](TIniFile& ini) {
        for (const auto& e : kSkinTable) *e.Text = ini.ReadString(e.Section, e.Key, *e.Text);
    });
}

bool WriteDefaultSkin() {
    return WriteIniTexts(SkinPath, [](TIniFile& ini) {
        for (const auto& e : kSkinTable) ini.WriteString(e.Section, e.Key, *e.Text);
    });
}

void ResetSkinDefaults() {
    for (const auto& e : kSkinTable) *e.Text = e.Default;
}
