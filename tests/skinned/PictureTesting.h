// Helpers of the picture tests: a scratch folder, and putting GDI+ back after a test took
// it away.
#pragma once
#include "controls/skinned/pxGDIPlusClasses.h"
#include "framework/SysUtils.h"

#include <fstream>
#include <string>

// A fresh folder in the prefix's temp folder, removed with everything in it afterwards.
struct TTempDir {
    std::string Dir;
    TTempDir() {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        static int n = 0;
        Dir = std::string(temp) + "velmora-skinned-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(++n) + "\\";
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
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Dir + name, std::ios::binary) << bytes;
        return Dir + name;
    }
};

// GDI+ bound and started again with the real functions, and the PNG class registered.
inline void RestoreGdiPlus() {
    SetGdiPlusProcResolver({});
    LoadGdiPlus();
    RegisterPng();
}

// Restores GDI+ at scope end, whatever the test did to it.
struct TGdiPlusRestorer {
    TGdiPlusRestorer() = default;
    ~TGdiPlusRestorer() { RestoreGdiPlus(); }
    TGdiPlusRestorer(const TGdiPlusRestorer&) = delete;
    TGdiPlusRestorer& operator=(const TGdiPlusRestorer&) = delete;
};

// Shuts GDI+ down and binds it again through resolver.
inline void ReloadGdiPlusWith(TGdiPlusProcResolver resolver) {
    UnregisterPng();
    GdiPlusUnload();
    SetGdiPlusProcResolver(std::move(resolver));
    LoadGdiPlus();
    RegisterPng();
}
