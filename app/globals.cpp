#include "app/globals.h"

std::string AppDir, LangsDir, LanguagePath, SkinsDir, SkinPath;

const std::string ProductTitle = "Velmora";
