// A scratch folder for one test.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <string>

// A fresh folder in the prefix's temp folder (Dir, with a trailing backslash), removed with
// everything in it afterwards.
struct TTempDir {
    std::string Dir;
    TTempDir() {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        static int n = 0;
        Dir = std::string(temp) + "velmora-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++n) +
              "\\";
        CreateDirectoryA(Dir.c_str(), nullptr);
    }
    ~TTempDir() {
        std::string from = Dir.substr(0, Dir.size() - 1) + '\0';
        SHFILEOPSTRUCTA op{};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        SHFileOperationA(&op);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    // Writes the file with exactly these bytes; its full path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Dir + name, std::ios::binary) << bytes;
        return Dir + name;
    }
};
