// Process-wide path settings and product constants, set at start-up.
#pragma once
#include <string>

// Every folder ends in a backslash.
extern std::string AppDir, LangsDir, LanguagePath, SkinsDir, SkinPath;

// Caption of every message box of the program.
extern const std::string ProductTitle;
