#include "app/globals.h"
#include "app/multiLangs.h"
#include "framework/Forms.h"
#include "framework/IniFiles.h"
#include "framework/SysUtils.h"

std::string AppDir;
std::string ConfigPath;
std::string LangsDir;
std::string HelpPath;
std::string LanguagePath;
std::string SkinsDir;
std::string SkinPath;
std::string BackupRegDir;
std::string BackupScrDir;
std::string BackupStartupDir;

bool HideScreenSaverFlag = true;
bool HideSysPatchFlag = false;

const std::string ProductTitle = "Velmora Uninstaller";
const std::string ProductVersion = "1.0";
const std::string ProductUrl = "https://velmora.example.org/";
const std::string SupportEmail = "support@velmora.example.org";

namespace {
const char* const kSection = "config";
}

bool WriteDefaultConfig() {
    try {
        TIniFile ini(ConfigPath);
        ini.WriteString(kSection, "SkinFile", "Default.ini");
        ini.WriteString(kSection, "LanguageFile", "English.ini");
        ini.WriteBool(kSection, "HideScreenSaver", HideScreenSaverFlag);
        ini.WriteBool(kSection, "HideSysPatch", HideSysPatchFlag);
        return true;
    } catch (...) {
        return false;
    }
}

bool LoadStartupConfig() { return LoadStartupConfigIn(ExtractFilePath(Application->ExeName())); }

bool LoadStartupConfigIn(const std::string& appDir) {
    AppDir = appDir;
    ConfigPath = AppDir + "Config.ini";
    // The box below has no owner and the framework's default title: no window exists yet.
    if (!FileExists(ConfigPath) && !WriteDefaultConfig()) {
        std::string text = FormatLang(IDS_MESSAGEBOX_WARNING_SaveFileFailed,
                                      DefaultOf(IDS_MESSAGEBOX_WARNING_SaveFileFailed), ConfigPath);
        ShowMessageBox(nullptr, text, Application->GetTitle(), MB_ICONERROR | MB_OK);
        return false;
    }
    std::string failedPath;
    try {
        TIniFile ini(ConfigPath);
        LangsDir = AppDir + "Langs\\";
        HelpPath = LangsDir + "Help.Chm";
        LanguagePath = LangsDir + ini.ReadString(kSection, "LanguageFile", "English.ini");
        SkinsDir = AppDir + "Skins\\";
        SkinPath = SkinsDir + ini.ReadString(kSection, "SkinFile", "Default.ini");
        HideScreenSaverFlag = ini.ReadBool(kSection, "HideScreenSaver", HideScreenSaverFlag);
        HideSysPatchFlag = ini.ReadBool(kSection, "HideSysPatch", HideSysPatchFlag);
        BackupRegDir = AppDir + "Back up\\reg\\";
        BackupScrDir = AppDir + "Back up\\scr\\";
        BackupStartupDir = AppDir + "Back up\\startup\\";
        for (const std::string* dir : {&LangsDir, &SkinsDir}) {
            if (!DirectoryExists(*dir) && !ForceDirectories(*dir)) {
                failedPath = *dir;
                break;
            }
        }
    } catch (...) {
        failedPath = ConfigPath;
    }
    if (!failedPath.empty()) {
        // Ending without a word would leave the user guessing: name what could not be used.
        ShowMessageBox(nullptr, Format("Velmora cannot start: \"%s\" could not be read or created.", failedPath),
                       Application->GetTitle(), MB_ICONERROR | MB_OK);
        return false;
    }
    Application->SetTitle(ProductTitle);
    return true;
}
