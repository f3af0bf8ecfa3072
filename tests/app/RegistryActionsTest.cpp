// Exporting an entry's uninstall key, reloading a registry file and opening the registry
// editor at the key, against keys planted in the test prefix and its own registry editor.
#include "app/RegistryActions.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "app/EntryTesting.h"
#include "framework/Dialogs.h"
#include "framework/FormTesting.h"
#include "framework/Guards.h"
#include <gtest/gtest.h>
#include <fstream>
#include <optional>

using entrytest::TPlantedKey;

namespace {

const char* const kEntry = "Velmora Export Entry";

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The editor writes UTF-16LE; the keys and values of these tests are ASCII.
std::string Utf16ToAscii(const std::string& bytes) {
    std::string text;
    for (size_t i = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE' ? 2 : 0; i + 1 < bytes.size(); i += 2)
        text += bytes[i];
    return text;
}

// Starts the prefix's registry editor as the command asked and waits for it to finish.
bool RunAndWait(const TRegeditStart& start) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = start.Verb.c_str();
    info.lpFile = "regedit";
    info.lpParameters = start.Parameters.empty() ? nullptr : start.Parameters.c_str();
    info.nShow = SW_HIDE;
    if (!ShellExecuteExA(&info) || !info.hProcess) return false;
    TKernelHandle process(info.hProcess);
    return WaitForSingleObject(process.Get(), 30000) == WAIT_OBJECT_0;
}

class RegistryActions : public testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "VelmoraRegActions" + std::to_string(GetCurrentProcessId()) + "\\";
        ASSERT_TRUE(ForceDirectories(folder_));
        previousStarter_ = SetRegeditStarter([this](const TRegeditStart& s) { Started.push_back(s); });
        previousDialogs_ = SetDialogHandler([this](TCommonDialog& d) -> std::optional<bool> {
            auto& dialog = dynamic_cast<TOpenDialog&>(d);
            Asked.push_back({dialog.GetInitialDir(), dialog.GetFileName(), dialog.GetDefaultExt()});
            if (Answer.empty()) return false;
            dialog.SetFileName(Answer);
            return true;
        });
    }
    void TearDown() override {
        SetRegeditStarter(std::move(previousStarter_));
        SetDialogHandler(std::move(previousDialogs_));
        SHFILEOPSTRUCTA op{};
        std::string from = ExcludeTrailingBackslash(folder_) + std::string(1, '\0');
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
        SHFileOperationA(&op);
    }

    struct TAsked { std::string InitialDir, FileName, DefaultExt; };
    std::string folder_;
    std::string Answer;   // the file the dialog answers with; empty: cancelled
    std::vector<TAsked> Asked;
    std::vector<TRegeditStart> Started;
    TBoxRecorder Boxes;
    TSaveDialog* Save = TSaveDialog::Create(nullptr);
    TOpenDialog* Open = TOpenDialog::Create(nullptr);
    TFreeGuard<TSaveDialog> saveGuard_{Save};
    TFreeGuard<TOpenDialog> openGuard_{Open};

private:
    TRegeditStarter previousStarter_;
    TDialogHandler previousDialogs_;
};

} // namespace

TEST_F(RegistryActions, ExportHandsTheEditorTheChosenFileAndTheFullKeyQuoted) {
    TPlantedKey key(kEntry);
    ASSERT_TRUE(key.Planted);
    TRestore<std::string> noBackupFolder(BackupRegDir, folder_ + "Back up\\reg\\");
    Answer = folder_ + "picked.reg";
    ASSERT_TRUE(ExportEntryKey(*Save, kEntry, nullptr));

    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].FileName, std::string(kEntry) + ".reg");
    EXPECT_EQ(Asked[0].DefaultExt, ".reg");
    EXPECT_EQ(Asked[0].InitialDir, "") << "no backup folder yet: the dialog's own folder";
    ASSERT_EQ(Started.size(), 1u);
    EXPECT_EQ(Started[0].Verb, "open");
    EXPECT_EQ(Started[0].Parameters, "/e \"" + Answer +
                                         "\" \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                                         "Uninstall\\Velmora Export Entry\"");
    EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(RegistryActions, ExportedFileHoldsTheKeyAndReloadsAfterTheKeyWasDeleted) {
    auto key = std::make_unique<TPlantedKey>(kEntry);
    {
        TRegistry reg;
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(reg.OpenKey(key->Path(), false));
        reg.WriteInteger("EstimatedSize", 4321);
    }
    ASSERT_TRUE(ForceDirectories(folder_ + "Back up\\reg\\"));
    TRestore<std::string> backupFolder(BackupRegDir, folder_ + "Back up\\reg\\");
    Answer = folder_ + "Back up\\reg\\" + kEntry + ".reg";
    ASSERT_TRUE(ExportEntryKey(*Save, kEntry, nullptr));
    EXPECT_EQ(Asked.at(0).InitialDir, BackupRegDir);
    ASSERT_TRUE(RunAndWait(Started.at(0)));

    std::string text = Utf16ToAscii(ReadBytes(Answer));
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00", 0), 0u) << text;
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmora "
                        "Export Entry]"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"DisplayName\"=\"Planted Velmora Export Entry\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"EstimatedSize\"=dword:000010e1"), std::string::npos) << text;

    key->Remove();
    ASSERT_TRUE(ReloadRegFile(*Open, nullptr));
    ASSERT_EQ(Started.size(), 2u);
    EXPECT_EQ(Started[1].Parameters, "\"" + Answer + "\"");
    ASSERT_TRUE(RunAndWait(Started[1]));
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly(key->Path()));
    EXPECT_EQ(reg.ReadString("DisplayName"), "Planted Velmora Export Entry");
    EXPECT_EQ(reg.ReadInteger("EstimatedSize"), 4321);
}

TEST_F(RegistryActions, ProposedFileNameReplacesWhatFileNamesForbid) {
    EXPECT_EQ(RegFileNameOf("Tool/Kit: <Pro> *|?"), "Tool_Kit_ _Pro_ ___.reg");
    EXPECT_EQ(RegFileNameOf("{5A7B-11}\t.1"), "{5A7B-11}_.1.reg");
    TPlantedKey key("Velmora Tool/Kit");
    EXPECT_FALSE(ExportEntryKey(*Save, key.Name, nullptr));   // cancelled once the name was proposed
    EXPECT_EQ(Asked.at(0).FileName, "Velmora Tool_Kit.reg");
}

TEST_F(RegistryActions, NameWithADoubleQuoteIsRefusedBeforeAnyDialog) {
    TPlantedKey key("Velmora \"Quoted\" Entry");
    ASSERT_TRUE(key.Planted);
    Answer = folder_ + "quoted.reg";
    EXPECT_FALSE(ExportEntryKey(*Save, key.Name, nullptr));
    EXPECT_TRUE(Asked.empty());
    EXPECT_TRUE(Started.empty());
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_NE(Boxes.Boxes[0].Text.find("Velmora \"Quoted\" Entry"), std::string::npos);
    EXPECT_EQ(Boxes.Boxes[0].Caption, Application->GetTitle());
}

TEST_F(RegistryActions, VanishedKeyIsToldAndNothingIsWrittenOrStarted) {
    const std::string gone = "Velmora Entry Removed Meanwhile";
    Answer = folder_ + "gone.reg";
    EXPECT_FALSE(ExportEntryKey(*Save, gone, nullptr));
    RegDeleteTreeA(HKEY_CURRENT_USER, RegeditAppletKey);
    EXPECT_FALSE(OpenRegeditAtEntry(gone, nullptr));
    EXPECT_FALSE(OpenRegeditAtEntry("", nullptr)) << "an empty name would name the whole Uninstall key";

    EXPECT_TRUE(Asked.empty());
    EXPECT_TRUE(Started.empty());
    EXPECT_FALSE(FileExists(Answer));
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.KeyExists(RegeditAppletKey));
    ASSERT_EQ(Boxes.Boxes.size(), 3u);
    EXPECT_EQ(Boxes.Boxes[0].Text, "The registry key " + UninstallKeyText(gone) + " no longer exists.");
}

TEST_F(RegistryActions, CancelledDialogsChangeNothing) {
    TPlantedKey key(kEntry);
    EXPECT_FALSE(ExportEntryKey(*Save, kEntry, nullptr));
    EXPECT_FALSE(ReloadRegFile(*Open, nullptr));
    EXPECT_EQ(Asked.size(), 2u);
    EXPECT_TRUE(Started.empty());
    EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(RegistryActions, FileThatIsNotARegistryFileIsNotImported) {
    Answer = folder_ + "notes.reg";
    WriteBytes(Answer, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Evil]\r\n\"x\"=\"y\"\r\n");
    EXPECT_FALSE(ReloadRegFile(*Open, nullptr));
    Answer = folder_ + "missing.reg";
    EXPECT_FALSE(ReloadRegFile(*Open, nullptr));
    EXPECT_TRUE(Started.empty());
    ASSERT_EQ(Boxes.Boxes.size(), 2u);
    EXPECT_EQ(Boxes.Boxes[0].Text, folder_ + "notes.reg is not a registry file; nothing was imported.");
}

TEST_F(RegistryActions, RegistryFilesAreKnownByTheirFirstLine) {
    const std::string v5 = "Windows Registry Editor Version 5.00";
    const std::pair<std::string, bool> cases[] = {
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\x]\r\n", true},
        {"\xEF\xBB\xBF" + v5 + "\r\n", true},
        {v5 + "\n", true},
        {"Windows Registry Editor", false},
        {"", false},
        {std::string("\xFF\xFE" "R\0E\0G\0", 8), false},
        {"regedit4 in lower case\r\n", false},
    };
    int n = 0;
    for (const auto& [bytes, isReg] : cases) {
        std::string path = folder_ + "case" + std::to_string(n++) + ".reg";
        WriteBytes(path, bytes);
        EXPECT_EQ(LooksLikeRegFile(path), isReg) << bytes;
    }
    EXPECT_FALSE(LooksLikeRegFile(folder_ + "absent.reg"));
}

TEST_F(RegistryActions, LastKeyIsWrittenBeforeTheEditorStarts) {
    TPlantedKey key(kEntry);
    // A fresh prefix, like a machine where the editor never ran, has no settings key.
    RegDeleteTreeA(HKEY_CURRENT_USER, RegeditAppletKey);
    std::string lastKeyAtStart;
    SetRegeditStarter([&](const TRegeditStart& s) {
        Started.push_back(s);
        TRegistry reg(KEY_READ);
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (reg.OpenKeyReadOnly(RegeditAppletKey)) lastKeyAtStart = reg.ReadString(RegeditLastKeyValue);
    });
    ASSERT_TRUE(OpenRegeditAtEntry(kEntry, nullptr));
    ASSERT_EQ(Started.size(), 1u);
    EXPECT_EQ(Started[0].Verb, "Open");
    EXPECT_EQ(Started[0].Parameters, "");
    EXPECT_EQ(lastKeyAtStart,
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velmora Export Entry");
}

TEST_F(RegistryActions, LastKeyOfAnotherTypeIsReplacedByTheKey) {
    TPlantedKey key(kEntry);
    {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        ASSERT_TRUE(reg.OpenKey(RegeditAppletKey, true));
        reg.WriteInteger(RegeditLastKeyValue, 7);
    }
    ASSERT_TRUE(OpenRegeditAtEntry(kEntry, nullptr));
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKeyReadOnly(RegeditAppletKey));
    EXPECT_EQ(reg.GetDataType(RegeditLastKeyValue), rdString);
    EXPECT_EQ(reg.ReadString(RegeditLastKeyValue), UninstallKeyText(kEntry));
    EXPECT_EQ(Started.size(), 1u);
}
