// Exporting an entry's uninstall key, reloading a registry file and opening the registry
// editor at the key, against keys planted in the test prefix and the prefix's own editor.
#include "app/RegistryActions.h"
#include "app/globals.h"
#include "app/EntryTesting.h"
#include "framework/Dialogs.h"
#include "framework/FormTesting.h"
#include "skinned/PictureTesting.h"
#include <gtest/gtest.h>

using entrytest::TPlantedKey;

namespace {

const char* const kEntry = "Velmora Export/Entry";   // a name no file may carry

// The editor writes UTF-16LE; these keys and values are ASCII.
std::string ReadUtf16AsAscii(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {}), text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) text += bytes[i];
    return text;
}

// Runs the prefix's registry editor as the command asked and waits for it.
bool RunAndWait(const TRegeditStart& start) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = start.Verb.c_str();
    info.lpFile = "regedit";
    info.lpParameters = start.Parameters.c_str();
    if (!ShellExecuteExA(&info) || !info.hProcess) return false;
    TKernelHandle process(info.hProcess);
    return WaitForSingleObject(process.Get(), 30000) == WAIT_OBJECT_0;
}

// (Built by append: GCC 12 warns falsely of an overlap in "x" + std::string + "y".)
std::string Enclosed(char open, const std::string& text, char close) {
    return std::string(1, open).append(text).append(1, close);
}

std::string LastKey() {
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_CURRENT_USER);
    return reg.OpenKeyReadOnly(RegeditAppletKey) ? reg.ReadString(RegeditLastKeyValue) : "<no key>";
}

// The dialogs answer with Answer (empty: cancelled); the editor's starts are recorded.
class RegistryActions : public testing::Test {
protected:
    void SetUp() override {
        previousStarter_ = SetRegeditStarter([this](const TRegeditStart& s) {
            Started.push_back(s);
            LastKeyAtStart = LastKey();
        });
        previousDialogs_ = SetDialogHandler([this](TCommonDialog& d) -> std::optional<bool> {
            auto& dialog = dynamic_cast<TOpenDialog&>(d);
            Asked.push_back(dialog.GetInitialDir() + "|" + dialog.GetFileName() + "|" + dialog.GetDefaultExt());
            dialog.SetFileName(Answer);
            return !Answer.empty();
        });
    }
    void TearDown() override {
        SetRegeditStarter(std::move(previousStarter_));
        SetDialogHandler(std::move(previousDialogs_));
    }

    TTempDir temp_;
    std::string Answer;
    std::vector<std::string> Asked;
    std::vector<TRegeditStart> Started;
    std::string LastKeyAtStart;
    TBoxRecorder Boxes;
    TFreeGuard<TSaveDialog> Save{TSaveDialog::Create(nullptr)};
    TFreeGuard<TOpenDialog> Open{TOpenDialog::Create(nullptr)};
    TRestore<std::string> backupDir_{BackupRegDir, temp_.Dir};

private:
    TRegeditStarter previousStarter_;
    TDialogHandler previousDialogs_;
};

} // namespace

TEST_F(RegistryActions, ExportedFileHoldsTheKeyAndReloadsItOnceDeleted) {
    TPlantedKey key(kEntry);
    ASSERT_TRUE(key.Planted);
    Answer = temp_.Dir + "chosen.reg";
    ASSERT_TRUE(ExportEntryKey(*Save, kEntry, nullptr));
    EXPECT_EQ(Asked.at(0), temp_.Dir + "|Velmora Export_Entry.reg|.reg");
    ASSERT_EQ(Started.size(), 1u);
    EXPECT_EQ(Started[0].Verb, "open");
    EXPECT_EQ(Started[0].Parameters, "/e \"" + Answer + "\" \"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
                                                           "CurrentVersion\\Uninstall\\Velmora Export/Entry\"");
    ASSERT_TRUE(RunAndWait(Started[0]));
    const std::string text = ReadUtf16AsAscii(Answer);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00", 0), 0u) << text;
    EXPECT_NE(text.find(Enclosed('[', UninstallKeyText(kEntry), ']')), std::string::npos) << text;
    EXPECT_NE(text.find("\"DisplayName\"=\"Planted Velmora Export/Entry\""), std::string::npos) << text;

    key.Remove();
    ASSERT_TRUE(ReloadRegFile(*Open, nullptr));
    ASSERT_EQ(Started.size(), 2u);
    EXPECT_EQ(Started[1].Parameters, Enclosed('"', Answer, '"'));
    ASSERT_TRUE(RunAndWait(Started[1]));
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly(key.Path()));
    EXPECT_EQ(reg.ReadString("UninstallString"), "C:\\Planted\\unins.exe");
    EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(RegistryActions, NothingStartsForAQuoteAVanishedKeyAForeignFileOrACancel) {
    TPlantedKey quoted("Velmora \"Quoted\" Entry");
    TRestore<std::string> noBackups(BackupRegDir, temp_.Dir + "none\\");
    EXPECT_FALSE(ExportEntryKey(*Save, quoted.Name, nullptr));
    EXPECT_FALSE(ExportEntryKey(*Save, "Velmora Entry Gone", nullptr));
    RegDeleteTreeA(HKEY_CURRENT_USER, RegeditAppletKey);
    EXPECT_FALSE(OpenRegeditAtEntry("Velmora Entry Gone", nullptr));
    EXPECT_FALSE(OpenRegeditAtEntry("", nullptr)) << "an empty name would be the whole Uninstall key";
    EXPECT_EQ(LastKey(), "<no key>");
    Answer = temp_.Write("notes.reg", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Evil]\r\n\"x\"=\"y\"\r\n");
    EXPECT_FALSE(ReloadRegFile(*Open, nullptr));
    ASSERT_EQ(Boxes.Boxes.size(), 5u);
    EXPECT_NE(Boxes.Boxes[0].Text.find("Velmora \"Quoted\" Entry"), std::string::npos);
    EXPECT_EQ(Boxes.Boxes[1].Text, "The registry key " + UninstallKeyText("Velmora Entry Gone") + " no longer exists.");
    EXPECT_EQ(Boxes.Boxes[4].Text, Answer + " is not a registry file; nothing was imported.");
    EXPECT_EQ(Boxes.Boxes[4].Caption, Application->GetTitle());

    TPlantedKey key(kEntry);
    Answer.clear();
    EXPECT_FALSE(ExportEntryKey(*Save, kEntry, nullptr));
    EXPECT_FALSE(ReloadRegFile(*Open, nullptr));
    ASSERT_EQ(Asked.size(), 3u);
    EXPECT_EQ(Asked[1], "|Velmora Export_Entry.reg|.reg") << "no backup folder: the dialog's own";
    EXPECT_TRUE(Started.empty());
    EXPECT_EQ(Boxes.Boxes.size(), 5u);
}

TEST_F(RegistryActions, RegistryFilesAreKnownByTheirHead) {
    const std::string v5 = "Windows Registry Editor Version 5.00\r\n";
    EXPECT_TRUE(LooksLikeRegFile(temp_.Write("a.reg", "REGEDIT4\r\n")));
    EXPECT_TRUE(LooksLikeRegFile(temp_.Write("b.reg", "\xEF\xBB\xBF" + v5)));
    EXPECT_FALSE(LooksLikeRegFile(temp_.Write("c.reg", "Windows Registry Editor")));
    EXPECT_FALSE(LooksLikeRegFile(temp_.Write("d.reg", "")));
    EXPECT_FALSE(LooksLikeRegFile(temp_.Dir + "absent.reg"));
}

TEST_F(RegistryActions, LastKeyIsWrittenBeforeTheEditorStartsWhateverWasThere) {
    TPlantedKey key(kEntry);
    // A fresh prefix, like a machine where the editor never ran, has no settings key.
    RegDeleteTreeA(HKEY_CURRENT_USER, RegeditAppletKey);
    ASSERT_TRUE(OpenRegeditAtEntry(kEntry, nullptr));
    EXPECT_EQ(LastKeyAtStart, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                              "Velmora Export/Entry");
    EXPECT_EQ(Started.at(0).Verb, "Open");
    EXPECT_EQ(Started.at(0).Parameters, "");

    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(RegeditAppletKey, false));
    reg.WriteInteger(RegeditLastKeyValue, 7);
    ASSERT_TRUE(OpenRegeditAtEntry(kEntry, nullptr));
    EXPECT_EQ(reg.GetDataType(RegeditLastKeyValue), rdString);
    EXPECT_EQ(LastKeyAtStart, UninstallKeyText(kEntry));
}
