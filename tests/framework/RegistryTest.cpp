#include "framework/Classes.h"
#include "framework/Registry.h"
#include <gtest/gtest.h>

namespace {

// Every test works below its own HKCU key and removes it afterwards with the raw API, so a
// broken DeleteKey can't leave the prefix dirty for the next test.
class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = "Software\\VelmoraTest_" + std::to_string(GetCurrentProcessId()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, base_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                                  nullptr), ERROR_SUCCESS);
        RegCloseKey(k);
    }
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, base_.c_str());
    }
    void RawSet(const std::string& sub, const char* name, DWORD type, const void* data, DWORD size) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (base_ + sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &k, nullptr), ERROR_SUCCESS);
        RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(k);
    }
    bool RawExists(const std::string& sub) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, (base_ + sub).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
        RegCloseKey(k);
        return true;
    }
    std::string base_;
};

}  // namespace

TEST_F(Registry, DefaultsAndOpeningWithoutCreating) {
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(reg.Access(), REGSAM(KEY_ALL_ACCESS));
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_FALSE(reg.OpenKey(base_ + "\\Missing", false));
    EXPECT_FALSE(RawExists("\\Missing"));
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    // A trailing backslash names the same key.
    ASSERT_TRUE(reg.OpenKey(base_ + "\\", false));
    EXPECT_EQ(reg.CurrentPath(), base_);
    EXPECT_NE(reg.CurrentKey(), nullptr);
    reg.CloseKey();
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_EQ(reg.CurrentPath(), "");
}

TEST_F(Registry, RelativeAndAbsoluteOpen) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(base_, false));
    ASSERT_TRUE(reg.OpenKey("Run_Disable", true));
    EXPECT_TRUE(RawExists("\\Run_Disable")) << "relative to the open key";
    EXPECT_EQ(reg.CurrentPath(), base_ + "\\Run_Disable");
    reg.WriteString("Item", "C:\\x.exe");
    // A leading backslash goes back to the root.
    ASSERT_TRUE(reg.OpenKey("\\" + base_, false));
    EXPECT_EQ(reg.CurrentPath(), base_);
    EXPECT_FALSE(reg.ValueExists("Item"));
    ASSERT_TRUE(reg.OpenKey("Run_Disable", false));
    EXPECT_EQ(reg.ReadString("Item"), "C:\\x.exe");
    EXPECT_FALSE(reg.OpenKey("Nothing", false));
    EXPECT_EQ(reg.CurrentPath(), base_ + "\\Run_Disable") << "a failed open keeps the open key";

    TRegistry second;   // a second object works beside the first
    ASSERT_TRUE(second.OpenKey(base_ + "\\Run_Disable", false));
    EXPECT_EQ(second.ReadString("Item"), "C:\\x.exe");
}

TEST_F(Registry, ReadOnlyKeysRefuseWrites) {
    RawSet("", "Name", REG_SZ, "v", 2);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(base_));
    EXPECT_EQ(reg.ReadString("Name"), "v");
    try {
        reg.WriteString("Other", "x");
        FAIL() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Failed to set data for 'Other'");
    }
    TRegistry closed;
    EXPECT_THROW(closed.WriteInteger("N", 1), ERegistryException) << "no key open";
    EXPECT_EQ(closed.ReadString("N"), "");
}

TEST_F(Registry, StringReadsAcceptOnlyStringTypes) {
    RawSet("", "Plain", REG_SZ, "text", 5);
    RawSet("", "Expand", REG_EXPAND_SZ, "%SystemRoot%\\x", 15);
    RawSet("", "NoNul", REG_SZ, "abc", 3);
    DWORD dw = 7;
    RawSet("", "Dword", REG_DWORD, &dw, 4);
    RawSet("", "EmptyBin", REG_BINARY, "", 0);
    RawSet("", "Multi", REG_MULTI_SZ, "a\0b\0", 5);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(base_, false));
    EXPECT_EQ(reg.ReadString("Plain"), "text");
    EXPECT_EQ(reg.ReadString("Expand"), "%SystemRoot%\\x") << "not expanded";
    EXPECT_EQ(reg.ReadString("NoNul"), "abc");
    EXPECT_EQ(reg.ReadString("Missing"), "");
    try {
        reg.ReadString("Dword");
        FAIL() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Invalid data type for 'Dword'");
    }
    EXPECT_THROW(reg.ReadString("EmptyBin"), ERegistryException);
    EXPECT_THROW(reg.ReadString("Multi"), ERegistryException);
}

TEST_F(Registry, TypedValuesRoundTrip) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(base_, false));
    reg.WriteString("S", "caf\xE9");
    reg.WriteExpandString("E", "%TEMP%\\a");
    reg.WriteInteger("I", -5);
    reg.WriteBool("B", true);
    const uint8_t bytes[] = {0, 1, 2, 255};
    reg.WriteBinaryData("Bin", bytes, sizeof bytes);
    reg.WriteString("", "default value");

    EXPECT_EQ(reg.GetDataType("S"), rdString);
    EXPECT_EQ(reg.GetDataType("E"), rdExpandString);
    EXPECT_EQ(reg.GetDataType("I"), rdInteger);
    EXPECT_EQ(reg.GetDataType("Bin"), rdBinary);
    EXPECT_EQ(reg.GetDataType("Missing"), rdUnknown);
    EXPECT_EQ(reg.GetDataSize("S"), 5);
    EXPECT_EQ(reg.GetDataSize("Missing"), -1);

    EXPECT_EQ(reg.ReadString("S"), "caf\xE9");
    EXPECT_EQ(reg.ReadString("E"), "%TEMP%\\a");
    EXPECT_EQ(reg.ReadString(""), "default value");
    EXPECT_EQ(reg.ReadInteger("I"), -5);
    EXPECT_TRUE(reg.ReadBool("B"));
    EXPECT_THROW(reg.ReadInteger("S"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);

    uint8_t buf[4] = {};
    EXPECT_EQ(reg.ReadBinaryData("Bin", buf, sizeof buf), 4);
    EXPECT_EQ(buf[3], 255);
    uint8_t small[2];
    EXPECT_THROW(reg.ReadBinaryData("Bin", small, sizeof small), ERegistryException);
    EXPECT_THROW(reg.ReadBinaryData("S", buf, sizeof buf), ERegistryException);
    EXPECT_EQ(reg.ReadBinaryData("Missing", buf, sizeof buf), 0);
    EXPECT_EQ(reg.ReadBinaryData("Bin"), std::vector<uint8_t>(bytes, bytes + 4));

    EXPECT_TRUE(reg.DeleteValue("S"));
    EXPECT_FALSE(reg.ValueExists("S"));
    EXPECT_FALSE(reg.DeleteValue("S"));
}

TEST_F(Registry, RawValuesMoveWithTypeAndBytesUnchanged) {
    // An expandable string with bytes after its NUL, and a value of an unusual type.
    const char expand[] = "%ProgramFiles%\\x.exe\0tail";
    RawSet("", "Expand", REG_EXPAND_SZ, expand, sizeof expand);
    RawSet("", "Multi", REG_MULTI_SZ, "a\0b\0", 5);
    std::vector<uint8_t> big(5000, 'x');
    RawSet("", "Big", REG_SZ, big.data(), static_cast<DWORD>(big.size()));
    TRegistry from, to;
    ASSERT_TRUE(from.OpenKey(base_, false));
    ASSERT_TRUE(to.OpenKey(base_ + "\\Target", true));

    DWORD type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(from.ReadRawValue("Expand", type, data, 4096));
    EXPECT_EQ(type, DWORD(REG_EXPAND_SZ));
    EXPECT_EQ(data, std::vector<uint8_t>(expand, expand + sizeof expand));
    to.WriteRawValue("Moved", type, data);
    DWORD movedType = 0;
    std::vector<uint8_t> moved;
    ASSERT_TRUE(to.ReadRawValue("Moved", movedType, moved, 4096));
    EXPECT_EQ(movedType, DWORD(REG_EXPAND_SZ));
    EXPECT_EQ(moved, data);

    ASSERT_TRUE(from.ReadRawValue("Multi", type, data, 4096));
    EXPECT_EQ(type, DWORD(REG_MULTI_SZ));
    EXPECT_EQ(data.size(), 5u);

    // Over the cap, or missing: absent, and the outputs say so.
    EXPECT_FALSE(from.ReadRawValue("Big", type, data, 4096));
    EXPECT_EQ(type, DWORD(REG_NONE));
    EXPECT_TRUE(data.empty());
    EXPECT_TRUE(from.ReadRawValue("Big", type, data, 5000));
    EXPECT_FALSE(from.ReadRawValue("Missing", type, data, 4096));
    from.CloseKey();
    EXPECT_FALSE(from.ReadRawValue("Expand", type, data, 4096));
    EXPECT_THROW(from.WriteRawValue("Expand", REG_SZ, data), ERegistryException);
}

TEST_F(Registry, ListingNamesAndSubKeys) {
    RawSet("\\K1", "v", REG_SZ, "", 1);
    RawSet("\\K2\\Deeper", "v", REG_SZ, "", 1);
    RawSet("", "A", REG_SZ, "", 1);
    RawSet("", "B", REG_SZ, "", 1);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(base_, false));
    EXPECT_TRUE(reg.HasSubKeys());
    TStringList names;
    names.Add("stale");
    reg.GetKeyNames(names);
    ASSERT_EQ(names.Count(), 2);
    EXPECT_GE(names.IndexOf("K1"), 0);
    EXPECT_GE(names.IndexOf("K2"), 0);
    reg.GetValueNames(names);
    ASSERT_EQ(names.Count(), 2);
    EXPECT_GE(names.IndexOf("A"), 0);
    ASSERT_TRUE(reg.OpenKey("K1", false));
    EXPECT_FALSE(reg.HasSubKeys());
    reg.GetKeyNames(names);
    EXPECT_EQ(names.Count(), 0);
}

TEST_F(Registry, DeleteKeyRemovesTheWholeSubtreeAndNothingElse) {
    RawSet("\\App\\Sub1\\Sub2", "v", REG_SZ, "x", 2);
    RawSet("\\App\\Sub3", "v", REG_SZ, "x", 2);
    RawSet("\\App", "v", REG_SZ, "x", 2);
    RawSet("\\AppSibling", "v", REG_SZ, "x", 2);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(base_, false));
    EXPECT_TRUE(reg.KeyExists("App"));
    EXPECT_TRUE(reg.DeleteKey("App"));
    EXPECT_FALSE(RawExists("\\App"));
    EXPECT_TRUE(RawExists("\\AppSibling"));
    EXPECT_FALSE(reg.KeyExists("App"));
    EXPECT_FALSE(reg.DeleteKey("App")) << "already gone";
    // Names that would mean the open key or the root itself are refused.
    EXPECT_FALSE(reg.DeleteKey(""));
    EXPECT_FALSE(reg.DeleteKey("\\"));
    EXPECT_TRUE(RawExists(""));
    EXPECT_TRUE(RawExists("\\AppSibling"));
    // An absolute path works from any open key.
    EXPECT_TRUE(reg.DeleteKey("\\" + base_ + "\\AppSibling"));
    EXPECT_FALSE(RawExists("\\AppSibling"));
}

TEST_F(Registry, CreateKeyLeavesTheOpenKeyAndRootChangeClosesIt) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(base_, false));
    EXPECT_TRUE(reg.CreateKey("New\\Deep"));
    EXPECT_TRUE(RawExists("\\New\\Deep"));
    EXPECT_EQ(reg.CurrentPath(), base_);
    EXPECT_THROW(reg.CreateKey(""), ERegistryException);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_EQ(reg.RootKey(), HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.KeyExists(base_)) << "looked up under the new root";
}
