#include "app/globals.h"

std::string AppDir;
std::string ConfigPath;
std::string LangsDir;
std::string HelpPath;
std::string LanguagePath;
std::string SkinsDir;
std::string SkinPath;
std::string BackupRegDir;
std::string BackupScrDir;

bool HideScreenSaverFlag = true;
bool HideSysPatchFlag = false;

const std::string ProductTitle = "Velmora Uninstaller";
const std::string ProductVersion = "1.0";
const std::string ProductUrl = "https://velmora.example.org/";
const std::string SupportEmail = "support@velmora.example.org";
