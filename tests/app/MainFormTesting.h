// The main window created from its layout in a sandbox: its own folder (Config.ini, Langs),
// the default skin's pictures from the source tree, and uninstall entries and screen savers
// planted in the test prefix for Quorbel.dll to list.
#pragma once
#include "app/QuorbelLib_TLB.h"
#include "app/frmMain.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "app/multiSkins.h"
#include "common/HostileInput.h"
#include "framework/FormTesting.h"
#include "framework/Guards.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace mainform {

inline std::string SourceSkins() {
    std::string skins = std::string("Z:") + VELMORA_SOURCE_DIR + "/resources/dist/Skins/";
    std::replace(skins.begin(), skins.end(), '/', '\\');
    return skins;
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A screen saver file whose string table names it (no table: it is listed by file name).
inline hostile::TScreenSaverFile ScreenSaverFile(const std::wstring& fileName, const std::wstring& displayName) {
    std::vector<hostile::TResource> resources;
    if (!displayName.empty()) resources.push_back({6, 1, LANG_NEUTRAL, hostile::NameBlock(displayName)});
    return {fileName, hostile::PeFile(resources).Bytes, displayName, L""};
}

class MainFormTest : public ::testing::Test {
protected:
    static constexpr wchar_t kPrefix[] = L"VelmoraMainForm_";
    // The registry view the entries are planted in: the 32-bit one, where 32-bit installers
    // write (on 32-bit Windows the one view).
    static constexpr REGSAM kEntriesView = KEY_WOW64_32KEY;

    void SetUp() override {
        const std::string dll = ExtractFilePath(Application->ExeName()) + "Quorbel.dll";
        if (!FileExists(dll)) GTEST_SKIP() << "Quorbel.dll is not built beside the tests";
        RegisterComServer(dll);
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir_ = std::string(tmp) + "vm_main_" + std::to_string(GetCurrentProcessId()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        ASSERT_TRUE(ForceDirectories(dir_ + "Langs"));
        ASSERT_TRUE(ForceDirectories(dir_ + "Folder"));
        paths_.emplace_back(AppDir, dir_);
        paths_.emplace_back(ConfigPath, dir_ + "Config.ini");
        paths_.emplace_back(LangsDir, dir_ + "Langs\\");
        paths_.emplace_back(LanguagePath, dir_ + "Langs\\English.ini");
        paths_.emplace_back(HelpPath, dir_ + "Langs\\Help.Chm");
        paths_.emplace_back(SkinsDir, SourceSkins());
        paths_.emplace_back(SkinPath, dir_ + "Default.ini");
        flags_.emplace_back(HideSysPatchFlag, false);
        flags_.emplace_back(HideScreenSaverFlag, false);
        SortAscending = true;
        SortColumn = 0;
        PlantEntries();
    }

    void TearDown() override {
        form_.reset();
        ResetLanguageDefaults();
        ResetSkinDefaults();
        // Last set, first put back: a test may set a path the fixture set before it.
        while (!flags_.empty()) flags_.pop_back();
        while (!paths_.empty()) paths_.pop_back();
        std::error_code ec;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
    }

    // Three programs (one named with a bracket), two patches of the first and two screen
    // savers, one without a name of its own.
    void PlantEntries() {
        const std::wstring folder = ToWide(dir_ + "Folder");
        auto program = [&](const std::wstring& key, const std::wstring& name, const std::wstring& publisher,
                           const std::wstring& location, const std::wstring& link) {
            entries_.Add(key, [&](HKEY k) {
                hostile::SetText(k, L"DisplayName", name);
                hostile::SetText(k, L"Publisher", publisher);
                hostile::SetText(k, L"InstallLocation", location);
                hostile::SetText(k, L"UninstallString", L"C:\\unins.exe /x " + key);
                if (!link.empty()) hostile::SetText(k, L"URLInfoAbout", link);
            });
        };
        program(L"Alpha", L"Velmora Test Alpha", L"Aardvarks", folder, L"https://alpha.example/");
        program(L"Beta", L"Velmora Test Beta", L"Zed", L"C:\\windows\\notepad.exe", L"");
        program(L"Gamma", L"[Velmora Test] Gamma", L"Mid", L"", L"");
        for (const wchar_t* kb : {L"KB1000001", L"KB1000002"}) {
            entries_.Add(kb, [&](HKEY k) {
                hostile::SetText(k, L"DisplayName", std::wstring(L"Velmora Test Patch ") + kb);
                hostile::SetText(k, L"UninstallString", L"C:\\unins.exe");
                hostile::SetText(k, L"ParentKeyName", std::wstring(kPrefix) + L"Alpha");
                hostile::SetText(k, L"ReleaseType", L"Update");
            });
        }
        savers_.emplace(std::vector<hostile::TScreenSaverFile>{ScreenSaverFile(L"VelmoraMainA.scr", L"Velmora Starfield"),
                                                               ScreenSaverFile(L"VelmoraMainB.scr", L"")});
        ASSERT_TRUE(savers_->Ok());
    }

    // The form as the program creates it (FormCreate fills it), shown when asked.
    TMainForm& Form(bool show = false) {
        if (!form_) form_.reset(TMainForm::Create(nullptr));
        if (show && !form_->GetVisible()) {
            form_->Show();
            PumpIdle();
        }
        return *form_;
    }

    TListItem* Row(const std::string& caption) {
        TListItems* rows = Form().lsvProgramList->Items();
        for (int i = 0; i < rows->Count(); ++i)
            if (rows->Item(i)->Caption() == caption) return rows->Item(i);
        return nullptr;
    }

    // The row of caption whose Directory cell names folder.
    TListItem* RowIn(const std::string& caption, const std::string& folder) {
        TListItems* rows = Form().lsvProgramList->Items();
        for (int i = 0; i < rows->Count(); ++i)
            if (rows->Item(i)->Caption() == caption && rows->Item(i)->SubItems()->Get(1) == folder) return rows->Item(i);
        return nullptr;
    }

    // Captions of our planted rows, in list order.
    std::vector<std::string> OurRows() {
        std::vector<std::string> ours;
        TListItems* rows = Form().lsvProgramList->Items();
        for (int i = 0; i < rows->Count(); ++i)
            if (rows->Item(i)->Caption().find("Velmora") != std::string::npos) ours.push_back(rows->Item(i)->Caption());
        return ours;
    }

    std::string dir_;
    std::deque<TRestore<std::string>> paths_;
    std::deque<TRestore<bool>> flags_;
    hostile::TPlantedEntries entries_{kPrefix, kEntriesView};
    std::optional<hostile::TPlantedFiles> savers_;
    TFreeGuard<TMainForm> form_;
};

} // namespace mainform
