// Exporting an entry's uninstall key, reloading a registry file and opening the registry
// editor at the key, against keys planted in the test prefix and the prefix's own editor.
#include "app/RegistryActions.h"
#include "app/globals.h"
#include "app/BackupTesting.h"
#include "app/EntryTesting.h"
#include "app/ViewTesting.h"
#include "common/HostileInput.h"
#include "framework/Dialogs.h"
#include "framework/FormTesting.h"
#include "skinned/PictureTesting.h"
#include <gtest/gtest.h>

using entrytest::TPlantedKey;
using namespace viewtest;

namespace {

const char* const kEntry = "Velmora Export/Entry";   // a name no file may carry
const std::wstring kWideEntry = L"Velmora Export/Entry";
const std::string kBelowSoftware = "Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Uninstall entries of the view a KEY_WOW64_* flag names, each with a "Marker" value that
// tells it from its namesake in the other view.
struct TViewEntries : hostile::TPlantedEntries {
    explicit TViewEntries(REGSAM view) : TPlantedEntries(L"VelmoraActions_", view) {}
    bool Add(const std::wstring& name, const std::wstring& marker) {
        return TPlantedEntries::Add(name, [&](HKEY k) {
            hostile::SetText(k, L"DisplayName", L"Planted " + marker);
            hostile::SetText(k, L"Marker", marker);
        });
    }
};

// Runs the registry editor as the command asked and waits for it.
bool RunAndWait(const TRegeditStart& start) {
    TKernelHandle process = StartRegistryEditor(start.Parameters);
    return process && WaitForSingleObject(process.Get(), 30000) == WAIT_OBJECT_0;
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

// Each view's entry goes out and comes back in its own view, which takes the 64-bit editor:
// the 32-bit one reads a plain path in the 32-bit view and imports a WOW6432Node path below
// the 32-bit view's own WOW6432Node (Wine's does both).
TEST_F(RegistryActions, ExportedFileHoldsTheKeyAndReloadsItOnceDeleted) {
    for (const TPlantView& v : EveryView()) {
        SCOPED_TRACE(v.Name);
        TPlantedKey key(kEntry, v.Flag);
        ASSERT_TRUE(key.Planted);
        Asked.clear();
        Started.clear();
        Answer = temp_.Dir + "chosen" + IntToStr(static_cast<int>(v.View)) + ".reg";
        ASSERT_TRUE(ExportEntryKey(*Save, kWideEntry, v.View));
        EXPECT_EQ(Asked.at(0), temp_.Dir + "|Velmora Export_Entry" + v.Tag + ".reg|.reg");
        const std::string editorKey = v.Software + kBelowSoftware + kEntry;
        ASSERT_EQ(Started.size(), 1u);
        EXPECT_EQ(Started[0].Parameters, ToWide("/e \"" + Answer + "\" \"" + editorKey + "\""));
        ASSERT_TRUE(RunAndWait(Started[0]));
        const std::string text = backuptest::ReadRegFileText(Answer);
        EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00", 0), 0u) << text;
        EXPECT_NE(text.find(Enclosed('[', editorKey, ']')), std::string::npos) << text;
        EXPECT_NE(text.find("\"DisplayName\"=\"Planted Velmora Export/Entry\""), std::string::npos) << text;

        key.Remove();
        ASSERT_TRUE(ReloadRegFile(*Open));
        ASSERT_EQ(Started.size(), 2u);
        EXPECT_EQ(Started[1].Parameters, ToWide(Enclosed('"', Answer, '"')));
        ASSERT_TRUE(RunAndWait(Started[1]));
        EXPECT_EQ(MachineText(ToWide(key.Path()), L"UninstallString", v.Flag), L"C:\\Planted\\unins.exe");
        for (const TPlantView& other : EveryView()) {
            if (other.Flag == v.Flag) continue;
            EXPECT_FALSE(MachineKeyExists(ToWide(key.Path()), other.Flag)) << other.Name;
        }
    }
    EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(RegistryActions, NothingStartsForAQuoteAVanishedKeyAForeignFileOrACancel) {
    const TPlantView v = SixtyFour();
    TPlantedKey quoted("Velmora \"Quoted\" Entry", v.Flag);
    TRestore<std::string> noBackups(BackupRegDir, temp_.Dir + "none\\");
    EXPECT_FALSE(ExportEntryKey(*Save, ToWide(quoted.Name), v.View));
    EXPECT_FALSE(ExportEntryKey(*Save, L"Velmora Entry Gone", v.View));
    RegDeleteTreeA(HKEY_CURRENT_USER, RegeditAppletKey);
    EXPECT_FALSE(OpenRegeditAtEntry(L"Velmora Entry Gone", v.View));
    EXPECT_FALSE(OpenRegeditAtEntry(L"", v.View)) << "an empty name would be the whole Uninstall key";
    EXPECT_EQ(LastKey(), "<no key>");
    Answer = temp_.Write("notes.reg", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Evil]\r\n\"x\"=\"y\"\r\n");
    EXPECT_FALSE(ReloadRegFile(*Open));
    ASSERT_EQ(Boxes.Boxes.size(), 5u);
    EXPECT_NE(Boxes.Boxes[0].Text.find("Velmora \"Quoted\" Entry"), std::string::npos);
    EXPECT_EQ(Boxes.Boxes[1].Text,
              "The registry key " + v.Software + kBelowSoftware + "Velmora Entry Gone no longer exists.");
    EXPECT_EQ(Boxes.Boxes[4].Text, Answer + " is not a registry file; nothing was imported.");
    EXPECT_EQ(Boxes.Boxes[4].Caption, Application->GetTitle());

    TPlantedKey key(kEntry, v.Flag);
    Answer.clear();
    EXPECT_FALSE(ExportEntryKey(*Save, kWideEntry, v.View));
    EXPECT_FALSE(ReloadRegFile(*Open));
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
    const TPlantView v = ThirtyTwo();
    TPlantedKey key(kEntry, v.Flag);
    const std::string editorKey = v.Software + kBelowSoftware + kEntry;
    // A fresh prefix, like a machine where the editor never ran, has no settings key.
    RegDeleteTreeA(HKEY_CURRENT_USER, RegeditAppletKey);
    ASSERT_TRUE(OpenRegeditAtEntry(kWideEntry, v.View));
    EXPECT_EQ(LastKeyAtStart, editorKey);
    EXPECT_EQ(Started.at(0).Parameters, L"");

    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(RegeditAppletKey, false));
    reg.WriteInteger(RegeditLastKeyValue, 7);
    ASSERT_TRUE(OpenRegeditAtEntry(kWideEntry, v.View));
    EXPECT_EQ(reg.GetDataType(RegeditLastKeyValue), rdString);
    EXPECT_EQ(LastKeyAtStart, editorKey);
}

// ---- Both registry views and names outside the code page ------------------------------------

class RegistryActionsViews : public RegistryActions {
protected:
    void SetUp() override {
        if (!Is64BitWindows()) GTEST_SKIP() << "one registry view on 32-bit Windows";
        RegistryActions::SetUp();
    }
};

// One name in both views: each export proposes its own view's backup file and writes its
// own view's key.
TEST_F(RegistryActionsViews, EachViewsEntryExportsItsOwnKey) {
    const std::wstring name = L"VelmoraActions_Both";
    TViewEntries wide(KEY_WOW64_64KEY), narrow(KEY_WOW64_32KEY);
    ASSERT_TRUE(wide.Add(L"Both", L"sixty-four") && narrow.Add(L"Both", L"thirty-two"));
    const std::wstring below = L"Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
    const struct {
        TRegistryView View;
        std::wstring Key, Marker;
        std::string Proposed;
    } cases[] = {{rv64, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\" + below, L"sixty-four", "VelmoraActions_Both.reg"},
                 {rv32, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\" + below, L"thirty-two",
                  "VelmoraActions_Both (32-bit).reg"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.View));
        Answer = temp_.Dir + "view" + IntToStr(static_cast<int>(c.View)) + ".reg";
        Asked.clear();
        Started.clear();
        ASSERT_TRUE(ExportEntryKey(*Save, name, c.View));
        EXPECT_EQ(Asked.at(0), temp_.Dir + "|" + c.Proposed + "|.reg");
        ASSERT_EQ(Started.size(), 1u);
        ASSERT_TRUE(RunAndWait(Started[0]));
        const std::wstring text = backuptest::ReadRegFileTextW(ToWide(Answer));
        EXPECT_NE(text.find(L"\r\n[" + c.Key + L"]\r\n"), std::wstring::npos) << FromWide(text);
        EXPECT_NE(text.find(L"\"Marker\"=\"" + c.Marker + L"\""), std::wstring::npos) << FromWide(text);
    }
}

TEST_F(RegistryActionsViews, EditorOpensAtTheKeyOfTheEntrysOwnView) {
    TViewEntries narrow(KEY_WOW64_32KEY);
    ASSERT_TRUE(narrow.Add(L"Only32", L"thirty-two"));
    EXPECT_FALSE(OpenRegeditAtEntry(L"VelmoraActions_Only32", rv64)) << "no such key in the 64-bit view";
    ASSERT_TRUE(OpenRegeditAtEntry(L"VelmoraActions_Only32", rv32));
    EXPECT_EQ(LastKeyAtStart, "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\"
                              "Uninstall\\VelmoraActions_Only32");
}

TEST_F(RegistryActions, KeyNamedOutsideTheCodePageExportsAndImportsBack) {
    const std::wstring cyrillic = L"\u0422\u0435\u0441\u0442 \u041a\u043b\u044e\u0447", marker = L"\u043c\u0435\u0442\u043a\u0430";
    const std::wstring name = L"VelmoraActions_" + cyrillic;
    const std::wstring below = ToWide(kBelowSoftware) + name, path = L"SOFTWARE\\" + below;
    for (const TPlantView& v : EveryView()) {
        SCOPED_TRACE(v.Name);
        TViewEntries entries(v.Flag);
        ASSERT_TRUE(entries.Add(cyrillic, marker));
        Answer = temp_.Dir + "cyrillic" + IntToStr(static_cast<int>(v.View)) + ".reg";
        Asked.clear();
        Started.clear();
        ASSERT_TRUE(ExportEntryKey(*Save, name, v.View));
        EXPECT_EQ(Asked.at(0), temp_.Dir + "|VelmoraActions_____ ____" + v.Tag + ".reg|.reg")
            << "the dialog is given the name's characters it can show, never a \"?\"";
        ASSERT_EQ(Started.size(), 1u);
        ASSERT_TRUE(RunAndWait(Started[0]));
        EXPECT_NE(backuptest::ReadRegFileTextW(ToWide(Answer)).find(L"[" + ToWide(v.Software) + below + L"]"),
                  std::wstring::npos);

        entries.RemoveAll();
        ASSERT_FALSE(MachineKeyExists(path, v.Flag));
        ASSERT_TRUE(RunAndWait({L"/s \"" + ToWide(Answer) + L"\""}));
        EXPECT_EQ(MachineText(path, L"Marker", v.Flag), marker);
    }
}
