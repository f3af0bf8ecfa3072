#include "framework/Classes.h"
#include "framework/IniFiles.h"
#include <gtest/gtest.h>
#include <fstream>
#include <sstream>

namespace {

class IniFile : public ::testing::Test {
protected:
    void SetUp() override {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir_ = std::string(tmp) + "vm_ini_" + std::to_string(GetCurrentProcessId()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(ForceDirectories(dir_));
        path_ = dir_ + "\\Config.ini";
    }
    void TearDown() override {
        DeleteFile(path_);
        RemoveDir(dir_);
    }
    void WriteRaw(const std::string& text) {
        std::ofstream(path_, std::ios::binary) << text;
    }
    std::string ReadRaw() {
        std::ifstream f(path_, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    std::string dir_, path_;
};

}  // namespace

TEST_F(IniFile, MissingFileOrKeyGivesTheDefaultUntouched) {
    TIniFile ini(path_);
    EXPECT_FALSE(FileExists(path_)) << "opening must not touch the disk";
    EXPECT_EQ(ini.ReadString("Language", "IDS_X", "Programs: "), "Programs: ");
    EXPECT_EQ(ini.ReadInteger("Main", "Width", 640), 640);
    EXPECT_TRUE(ini.ReadBool("Main", "Grid", true));
    EXPECT_FALSE(ini.SectionExists("Main"));
    EXPECT_FALSE(ini.ValueExists("Main", "Width"));
    EXPECT_FALSE(FileExists(path_));
}

TEST_F(IniFile, ReadsTrimmedCaseInsensitiveAndUnquoted) {
    WriteRaw("[Main]\r\nKey1 =  spaced value  \r\nQuoted=\"in quotes\"\r\nEmpty=\r\n"
             "Num= 42\r\nHex=0x1F\r\nBad=4x\r\nOn=7\r\nOff=0\r\n");
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("MAIN", "key1", "d"), "spaced value");
    EXPECT_EQ(ini.ReadString("Main", "Quoted", "d"), "in quotes");
    EXPECT_EQ(ini.ReadString("Main", "Empty", "d"), "") << "a present empty value is not the default";
    EXPECT_EQ(ini.ReadInteger("Main", "Num", -1), 42);
    EXPECT_EQ(ini.ReadInteger("Main", "Hex", -1), 31);
    EXPECT_EQ(ini.ReadInteger("Main", "Bad", -1), -1);
    EXPECT_TRUE(ini.ReadBool("Main", "On", false));
    EXPECT_FALSE(ini.ReadBool("Main", "Off", true));
    EXPECT_TRUE(ini.ReadBool("Main", "Bad", true));
    EXPECT_FALSE(ini.ReadBool("Main", "Bad", false));
    EXPECT_TRUE(ini.ValueExists("main", "NUM"));
    EXPECT_TRUE(ini.SectionExists("main"));
}

TEST_F(IniFile, LongValuesAreNotTruncated) {
    std::string value(5000, 'v');
    value += "end";
    TIniFile ini(path_);
    ini.WriteString("S", "Long", value);
    EXPECT_EQ(ini.ReadString("S", "Long", ""), value);
    // A value of exactly the first buffer's size must not be mistaken for a truncated one.
    std::string edge(2047, 'e');
    ini.WriteString("S", "Edge", edge);
    EXPECT_EQ(ini.ReadString("S", "Edge", ""), edge);
}

TEST_F(IniFile, WritesInOrderAndRoundTrips) {
    {
        TIniFile ini(path_);
        ini.WriteString("Main", "Skin", "Default");
        ini.WriteInteger("Main", "Left", -20);
        ini.WriteBool("Main", "Grid", true);
        ini.WriteBool("Main", "Tips", false);
        ini.WriteString("Other", "A", "1");
        ini.UpdateFile();
    }
    std::string raw = ReadRaw();
    EXPECT_LT(raw.find("[Main]"), raw.find("Skin=Default"));
    EXPECT_LT(raw.find("Skin=Default"), raw.find("Left=-20"));
    EXPECT_NE(raw.find("Grid=1"), std::string::npos);
    EXPECT_NE(raw.find("Tips=0"), std::string::npos);
    EXPECT_LT(raw.find("Tips=0"), raw.find("[Other]"));

    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadInteger("Main", "Left", 0), -20);
    ini.WriteString("main", "SKIN", "Blue");
    EXPECT_EQ(ini.ReadString("Main", "Skin", ""), "Blue");
    EXPECT_EQ(ReadRaw().find("SKIN="), std::string::npos) << "an existing key is updated, not added";
}

TEST_F(IniFile, SectionListingsAndDeletion) {
    WriteRaw("[A]\r\nk1=v1\r\nK2 = v2 \r\n[B]\r\nx=y\r\n");
    TIniFile ini(path_);
    TStringList keys;
    keys.Add("stale");
    ini.ReadSection("a", keys);
    ASSERT_EQ(keys.Count(), 2);
    EXPECT_EQ(keys[0], "k1");
    EXPECT_EQ(Trim(keys[1]), "K2");
    TStringList values;
    ini.ReadSectionValues("A", values);
    ASSERT_EQ(values.Count(), 2);
    EXPECT_EQ(values[0], "k1=v1");
    EXPECT_EQ(values.Values("k1"), "v1");
    TStringList sections;
    ini.ReadSections(sections);
    ASSERT_EQ(sections.Count(), 2);
    EXPECT_EQ(sections[1], "B");

    ini.DeleteKey("A", "K1");
    EXPECT_FALSE(ini.ValueExists("A", "k1"));
    EXPECT_TRUE(ini.ValueExists("A", "k2"));
    ini.DeleteKey("A", "nothing-here");
    ini.EraseSection("B");
    EXPECT_FALSE(ini.SectionExists("B"));
    ini.ReadSection("Missing", keys);
    EXPECT_EQ(keys.Count(), 0);
}

TEST_F(IniFile, FailedWriteRaisesNamingTheFile) {
    std::string blocked = dir_ + "\\NoSuchFolder\\Config.ini";
    TIniFile ini(blocked);
    try {
        ini.WriteString("Main", "Key", "v");
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + blocked);
    }
    EXPECT_THROW(ini.WriteBool("Main", "Key", true), EIniFileException);
    EXPECT_THROW(ini.WriteInteger("Main", "Key", 1), EIniFileException);
}

TEST_F(IniFile, RelativeNameIsTakenFromTheCurrentFolder) {
    std::string old = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(dir_));
    TIniFile ini("Config.ini");
    SetCurrentDir(old);
    EXPECT_EQ(ini.FileName(), path_);
    ini.WriteString("S", "K", "v");
    EXPECT_TRUE(FileExists(path_));
}
