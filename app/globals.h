// Start-up configuration: the path settings, the option flags and the product constants.
#pragma once
#include <string>

// Folders end with a backslash. Set once by LoadStartupConfig; LanguagePath changes when
// the user picks another language.
extern std::string AppDir;
extern std::string ConfigPath;
extern std::string LangsDir;
extern std::string HelpPath;
extern std::string LanguagePath;
extern std::string SkinsDir;
extern std::string SkinPath;
extern std::string BackupRegDir;
extern std::string BackupScrDir;
// Startup-folder files are copied here before they are removed.
extern std::string BackupStartupDir;

extern bool HideScreenSaverFlag;   // starts true
extern bool HideSysPatchFlag;      // starts false

extern const std::string ProductTitle;
extern const std::string ProductVersion;
extern const std::string ProductUrl;
extern const std::string SupportEmail;

// Reads Config.ini (writing a default one first when it is missing) and derives the paths.
// False when the program must end.
bool LoadStartupConfig();
// The same for a program folder given with its trailing backslash (tests use a sandbox).
bool LoadStartupConfigIn(const std::string& appDir);
// Writes a new Config.ini; false when any write failed.
bool WriteDefaultConfig();
