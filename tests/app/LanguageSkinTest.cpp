#include "app/globals.h"
#include "app/multiLangs.h"
#include "app/multiSkins.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

struct IniLine {
    std::string Key, Value;
};
using IniText = std::vector<std::pair<std::string, std::vector<IniLine>>>;

// Parsed by hand, not through the profile API that wrote it, so that order and the exact key
// text show.
IniText ParseIni(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    IniText sections;
    for (std::string line; std::getline(f, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with('[')) sections.push_back({line.substr(1, line.find(']') - 1), {}});
        else if (!line.empty() && !sections.empty())
            sections.back().second.push_back({line.substr(0, line.find('=')), line.substr(line.find('=') + 1)});
    }
    return sections;
}

std::string ReadRaw(const std::string& path) {
    std::stringstream ss;
    ss << std::ifstream(path, std::ios::binary).rdbuf();
    return ss.str();
}

class LanguageSkin : public ::testing::Test {
protected:
    void SetUp() override {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir_ = std::string(tmp) + "vm_lang_" + std::to_string(GetCurrentProcessId()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        ASSERT_TRUE(ForceDirectories(dir_ + "Langs")) << dir_;
        ASSERT_TRUE(ForceDirectories(dir_ + "Skins"));
        LanguagePath = dir_ + "Langs\\English.ini";
        SkinPath = dir_ + "Skins\\Default.ini";
        saved_ = {LanguageErrorBox, SkinErrorBox};
        LanguageErrorBox = [this](const std::string& text) { langBoxes_.push_back(text); };
        SkinErrorBox = [this](const std::string& text) { skinBoxes_.push_back(text); };
    }
    void TearDown() override {
        std::tie(LanguageErrorBox, SkinErrorBox) = saved_;
        ResetLanguageDefaults();
        ResetSkinDefaults();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string dir_;
    std::vector<std::string> langBoxes_, skinBoxes_;
    std::pair<TLoadErrorBox, TLoadErrorBox> saved_;
};

}  // namespace

TEST_F(LanguageSkin, MissingLanguageFileIsWrittenCompleteAndReadBack) {
    ASSERT_TRUE(LoadLanguage());
    EXPECT_TRUE(langBoxes_.empty());
    IniText file = ParseIni(LanguagePath);
    ASSERT_EQ(file.size(), 1u);
    EXPECT_EQ(file[0].first, "Language");
    const auto& lines = file[0].second;
    // 141 keys, then the ten backup messages, the nine startup-item messages, the five
    // messages of the entry commands and the two of the leftover scan added after them.
    ASSERT_EQ(lines.size(), 167u) << "a duplicate key would merge two lines";
    auto entries = LanguageEntries();
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto& e = entries[i];
        EXPECT_EQ(Trim(lines[i].Key), Trim(e.WriteKey));
        EXPECT_EQ(lines[i].Value, Trim(e.Default)) << e.WriteKey;
        EXPECT_EQ(*e.Text, e.Escaped ? StringReplace(e.Default, "#13", "\r\n", rfReplaceAll) : Trim(e.Default))
            << e.ReadKey;
    }
    EXPECT_EQ(lines[136].Key, "IDS_MESSAGEBOX_WARNING_NoRemains");
    EXPECT_EQ(lines[140].Key, "IDS_MESSAGEBOX_WARNING_SaveFileFailed");
    EXPECT_EQ(lines[141].Key, "IDS_MESSAGEBOX_MESSAGE_BackupCount");
    EXPECT_EQ(lines[160].Key, "IDS_MESSAGEBOX_WARNING_RegKeyMissing");
    EXPECT_EQ(lines[164].Key, "IDS_MESSAGEBOX_WARNING_CommentFailed");
    EXPECT_EQ(lines[165].Key, "IDS_MESSAGEBOX_WARNING_CleanFailed");
    EXPECT_EQ(lines[166].Key, "IDS_MESSAGEBOX_WARNING_DeleteScrFailed");
    EXPECT_EQ(IDS_LISTVIEW_RIGHTCLICK_Uninstall, "Uninstall") << "key with two trailing blanks";
    EXPECT_EQ(IDS_SIDEBAR_GROUPBOX_LABEL_Publisher, "Publisher:");
    EXPECT_EQ(DefaultOf(IDS_SIDEBAR_GROUPBOX_LABEL_Publisher), "Publisher: ");
    EXPECT_NE(IDS_MESSAGEBOX_WARNING_UninstallFailed.find("want to \r\nclear up"), std::string::npos);
}

TEST_F(LanguageSkin, PartialLanguageFileChangesOnlyItsKeys) {
    IDS_MAINFORM_MENU_Tools = "Werkzeuge";  // left by the language loaded before
    const std::string text =
        "[Language]\r\n"
        "IDS_MAINFORM_MENU_File=Datei\r\n"
        "IDS_MESSAGEBOX_WARNING_NOREMAINS=Nichts mehr da\r\n"
        "IDS_LISTVIEW_RIGHTCLICK_Uninstall=Entfernen\r\n"
        "IDS_MAINFORM_MENU_View=An#13sicht\r\n"
        "IDS_MESSAGEBOX_WARNING_ScanRemains=  Zeile eins#13Zeile zwei  \r\n";
    std::ofstream(LanguagePath, std::ios::binary) << text;

    ASSERT_TRUE(LoadLanguage());
    EXPECT_EQ(IDS_MAINFORM_MENU_File, "Datei");
    EXPECT_EQ(IDS_MESSAGEBOX_WARNING_Noremains, "Nichts mehr da");
    EXPECT_EQ(IDS_LISTVIEW_RIGHTCLICK_Uninstall, "Entfernen");
    EXPECT_EQ(IDS_MAINFORM_MENU_View, "An#13sicht") << "only the four multi-line keys are decoded";
    EXPECT_EQ(IDS_MESSAGEBOX_WARNING_ScanRemains, "Zeile eins\r\nZeile zwei");
    EXPECT_EQ(IDS_MAINFORM_MENU_Tools, "Werkzeuge");
    EXPECT_EQ(IDS_MAINFORM_MENU_Help, "Help");
    EXPECT_EQ(ReadRaw(LanguagePath), text) << "an existing file is never rewritten";
}

TEST_F(LanguageSkin, TranslatedMultiLineTextRoundTrips) {
    IDS_MESSAGEBOX_WARNING_DeleteScr = " Erste\r\nZweite\nDritte\rVierte ";
    ASSERT_TRUE(LoadLanguage());
    std::string raw = ReadRaw(LanguagePath);
    EXPECT_NE(raw.find("=Erste#13Zweite#13Dritte#13Vierte\r\n"), std::string::npos) << raw;
    EXPECT_EQ(IDS_MESSAGEBOX_WARNING_DeleteScr, "Erste\r\nZweite\r\nDritte\r\nVierte");
}

TEST_F(LanguageSkin, UnwritableFilesShowOneBoxEachAndKeepTheTexts) {
    ASSERT_TRUE(CreateDir(SkinPath));  // a folder where the file should go
    EXPECT_FALSE(LoadSkin());
    ASSERT_EQ(skinBoxes_.size(), 1u);
    EXPECT_EQ(skinBoxes_[0], "Save file " + SkinPath + " failed!");
    EXPECT_EQ(SK_MAINFORM_Pos, "0, 0, 763, 538");

    ASSERT_TRUE(CreateDir(LanguagePath));
    IDS_MAINFORM_MENU_File = "Datei";
    EXPECT_FALSE(LoadLanguage());
    ASSERT_EQ(langBoxes_.size(), 1u);
    EXPECT_EQ(langBoxes_[0], "Save file " + LanguagePath + " failed!");
    EXPECT_EQ(IDS_MAINFORM_MENU_File, "Datei");
    EXPECT_EQ(IDS_SPLASHFORM_LABEL_Copyright, DefaultOf(IDS_SPLASHFORM_LABEL_Copyright)) << "still with #13";

    IDS_MESSAGEBOX_WARNING_SaveFileFailed = "Datei %d nicht gespeichert";
    EXPECT_FALSE(LoadLanguage());
    ASSERT_EQ(langBoxes_.size(), 2u);
    EXPECT_EQ(langBoxes_[1], "Save file " + LanguagePath + " failed!") << "a broken translation falls back";
    EXPECT_EQ(skinBoxes_.size(), 1u);
}

TEST_F(LanguageSkin, MissingSkinFileIsWrittenInTwoSectionsAndReadBack) {
    ASSERT_TRUE(LoadSkin());
    EXPECT_TRUE(skinBoxes_.empty());
    IniText file = ParseIni(SkinPath);
    ASSERT_EQ(file.size(), 2u);
    EXPECT_EQ(file[0].first, "MainForm");
    EXPECT_EQ(file[1].first, "RegistryForm");
    ASSERT_EQ(file[0].second.size(), 108u);
    ASSERT_EQ(file[1].second.size(), 13u);
    auto entries = SkinEntries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const IniLine& line = i < 108 ? file[0].second[i] : file[1].second[i - 108];
        EXPECT_EQ(line.Key, entries[i].Key);
        EXPECT_EQ(line.Value, entries[i].Default);
        EXPECT_EQ(*entries[i].Text, entries[i].Default) << entries[i].Key;
    }
    EXPECT_EQ(SK_ABOUTFORM_LABEL_ProductTitle_Pos, "152,11, 312, 33");
}

TEST_F(LanguageSkin, SkinValuesAreStoredAsReadFromTheirOwnSection) {
    std::ofstream(SkinPath, std::ios::binary) << "[MainForm]\r\n"
                                                 "SK_MAINFORM_Pos= 1,2 ,  3, 4 \r\n"
                                                 "sk_mainform_button_min_picnormal=my min#13.png\r\n"
                                                 "SK_ABOUTFORM_IMGABOUT_Pic=wrong section.png\r\n"
                                                 "[RegistryForm]\r\n"
                                                 "SK_SPLASHFORM_IMAGE_CHARGE=splash.png\r\n";
    ASSERT_TRUE(LoadSkin());
    EXPECT_EQ(SK_MAINFORM_Pos, "1,2 ,  3, 4");
    EXPECT_EQ(SK_MAINFORM_BUTTON_Min_PicNormal, "my min#13.png");
    EXPECT_EQ(SK_ABOUTFORM_IMGABOUT_Pic, "img_About.png");
    EXPECT_EQ(SK_SPLASHFORM_IMAGE_CHARGE, "splash.png");
    EXPECT_EQ(SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseDown, "btbtnEnableAll_Down.png");
}
