// The startup items page of the main window against entries planted in the test prefix:
// what the page lists, the details of a selected row, Apply through the page's check boxes
// and Delete, for names and data outside the code page and for both registry views.
#include "MainFormTesting.h"
#include "StartupTesting.h"
#include "controls/framed/FcPanel.h"
#include "app/StartupList.h"
#include "controls/skinned/ArButton.h"

using namespace mainform;

namespace {

class MainFormStartup : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        if (IsSkipped()) return;
        // (Built by append: GCC 12 warns falsely of an overlap in "x" + std::string + "y".)
        command_ = std::string("\"").append(Application->ExeName()).append("\" /minimized");
        box_.SetString(kUser, "Run", box_.Name("On"), command_);
        box_.SetString(kUser, "Run\\Run_Disable", box_.Name("Off"), "C:\\Tools\\off.exe");
        box_.PlantFile(TStartupSandbox::Folder(CSIDL_STARTUP), box_.Name("Notes.txt"), "notes");
    }

    // The page's row of a planted entry.
    TListItem* StartupRow(const std::string& base) {
        TListItems* rows = Form().lsvStartupList->Items();
        for (int i = 0; i < rows->Count(); ++i)
            if (rows->Item(i)->Caption() == box_.Name(base)) return rows->Item(i);
        return nullptr;
    }

    // The row of the entry of this exact name (in this view, when one is given).
    TListItem* ExactRow(const std::wstring& name, std::optional<REGSAM> view = std::nullopt) {
        TListItems* rows = Form().lsvStartupList->Items();
        for (int i = 0; i < rows->Count(); ++i) {
            const TStartupItem* item = Form().StartupList->ItemOf(rows->Item(i));
            if (item && item->ExactName == name && (!view || item->View == *view)) return rows->Item(i);
        }
        return nullptr;
    }

    TStartupSandbox box_;
    std::string command_;
};

// A planted value as it must still be: found under its exact name with its type and bytes.
void ExpectValue(const TRunRoot& where, const std::string& run, const std::wstring& name, DWORD type,
                 const std::vector<uint8_t>& bytes) {
    SCOPED_TRACE(run + " " + FromWide(name));
    DWORD found = REG_NONE;
    std::vector<uint8_t> data;
    ASSERT_TRUE(TStartupSandbox::GetValueW(where, run, name, found, data));
    EXPECT_EQ(found, type);
    EXPECT_EQ(data, bytes);
}

} // namespace

TEST_F(MainFormStartup, PageListsEachKindAndShowsTheSelectedRowsProgram) {
    TMainForm& form = Form(true);
    form.ActionTabStartupItems->Execute();
    PumpIdle();
    TListItem* on = StartupRow("On");
    TListItem* off = StartupRow("Off");
    TListItem* file = StartupRow("Notes.txt");
    ASSERT_TRUE(on && off && file);
    EXPECT_TRUE(on->Checked() && file->Checked());
    EXPECT_FALSE(off->Checked());
    EXPECT_EQ(on->SubItems()->Get(0), command_);

    on->SetSelected(true);
    PumpIdle();
    EXPECT_TRUE(form.grbItemInfo->GetVisible() && form.btnDelete->GetEnabled());
    EXPECT_EQ(form.lblPublisherValue->GetCaption(), "Velmora Test Publisher");
    EXPECT_EQ(form.lblVersionValue->GetCaption(), "4.3.2.1");
    off->SetSelected(true);
    PumpIdle();
    EXPECT_FALSE(form.grbItemInfo->GetVisible()) << "no program there to describe";
}

TEST_F(MainFormStartup, ApplyDisablesThenEnablesAnEntryThroughItsCheckBox) {
    TMainForm& form = Form(true);
    form.ActionTabStartupItems->Execute();
    ASSERT_TRUE(StartupRow("On"));
    StartupRow("On")->SetChecked(false);
    form.ActionApply->Execute();
    EXPECT_FALSE(TStartupSandbox::HasValue(kUser, "Run", box_.Name("On")));
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run\\Run_Disable", box_.Name("On")), command_);

    form.ActionRefresh->Execute();   // F5: the page's rows read again
    ASSERT_TRUE(StartupRow("On"));
    EXPECT_FALSE(StartupRow("On")->Checked());
    StartupRow("On")->SetChecked(true);
    form.ActionApply->Execute();
    EXPECT_EQ(TStartupSandbox::GetString(kUser, "Run", box_.Name("On")), command_);
    EXPECT_FALSE(TStartupSandbox::HasValue(kUser, "Run\\Run_Disable", box_.Name("On")));
}

TEST_F(MainFormStartup, RunValuesOutsideTheCodePageKeepNameTypeAndBytesThroughDisableAndEnable) {
    struct TPlanted {
        std::wstring Name;
        DWORD Type;
        std::vector<uint8_t> Bytes;
    };
    std::vector<TPlanted> planted;
    for (auto [base, text, type] : {std::tuple{L"Тест", L"%ProgramFiles%\\Тест\\app.exe /min", REG_EXPAND_SZ},
                                    {L"東京", L"\"C:\\アプリ\\起動.exe\" /s", REG_SZ}}) {
        std::wstring name = box_.NameW(base);
        planted.push_back({name, DWORD(type), box_.SetStringW(kUser, "Run", name, text, type)});
    }
    TBoxRecorder boxes;
    TMainForm& form = Form(true);
    form.ActionTabStartupItems->Execute();
    for (const auto& p : planted) {
        ASSERT_TRUE(ExactRow(p.Name)) << FromWide(p.Name);
        ExactRow(p.Name)->SetChecked(false);
    }
    form.ActionApply->Execute();
    for (const auto& p : planted) {
        ExpectValue(kUser, "Run\\Run_Disable", p.Name, p.Type, p.Bytes);
        EXPECT_FALSE(TStartupSandbox::HasValueW(kUser, "Run", p.Name));
    }

    form.ActionRefresh->Execute();
    for (const auto& p : planted) {
        ASSERT_TRUE(ExactRow(p.Name));
        EXPECT_FALSE(ExactRow(p.Name)->Checked());
        ExactRow(p.Name)->SetChecked(true);
    }
    form.ActionApply->Execute();
    for (const auto& p : planted) {
        ExpectValue(kUser, "Run", p.Name, p.Type, p.Bytes);
        EXPECT_FALSE(TStartupSandbox::HasValueW(kUser, "Run\\Run_Disable", p.Name));
    }
    EXPECT_TRUE(boxes.Boxes.empty()) << boxes.Boxes[0].Text;
}

TEST_F(MainFormStartup, RunValuesOutsideTheCodePageAreDeletedByTheirExactNames) {
    const std::wstring cyrillic = box_.NameW(L"Тест"), cjk = box_.NameW(L"東京");
    box_.SetStringW(kUser, "Run", cyrillic, L"C:\\Тест\\a.exe", REG_EXPAND_SZ);
    box_.SetStringW(kUser, "Run\\Run_Disable", cjk, L"C:\\東京\\b.exe");
    // The names as the code page shows them: what a deletion through the rows' captions
    // would reach instead.
    std::vector<std::pair<std::wstring, std::vector<uint8_t>>> canaries;
    for (const auto& name : {cyrillic, cjk}) {
        std::wstring shown = ToWide(FromWide(name));
        ASSERT_NE(shown, name);
        canaries.emplace_back(shown, box_.SetStringW(kUser, "Run", shown, L"canary.exe"));
    }
    TMainForm& form = Form(true);
    form.ActionTabStartupItems->Execute();
    ASSERT_TRUE(ExactRow(cyrillic) && ExactRow(cjk));
    ExactRow(cyrillic)->SetSelected(true);
    ExactRow(cjk)->SetSelected(true);
    TBoxRecorder yes(IDYES);
    form.ActionDelete->Execute();

    ASSERT_EQ(yes.Boxes.size(), 1u) << "the question only";
    EXPECT_FALSE(TStartupSandbox::HasValueW(kUser, "Run", cyrillic));
    EXPECT_FALSE(TStartupSandbox::HasValueW(kUser, "Run\\Run_Disable", cjk));
    EXPECT_FALSE(ExactRow(cyrillic) || ExactRow(cjk));
    for (const auto& [name, bytes] : canaries) {
        ExpectValue(kUser, "Run", name, REG_SZ, bytes);
        EXPECT_TRUE(ExactRow(name));
    }
}

TEST_F(MainFormStartup, AStartupShortcutWithACjkNameIsBackedUpAndRemovedExactly) {
    const std::string folder = TStartupSandbox::Folder(CSIDL_STARTUP);
    const std::wstring name = box_.NameW(L"東京.lnk");
    const std::wstring path = box_.PlantFileW(folder, name, "first link");
    // A name that "?" wildcards in place of the two characters would match.
    const std::string canary = box_.PlantFile(folder, box_.Name("ab.lnk"), "canary");
    TBoxRecorder yes(IDYES);
    TMainForm& form = Form(true);
    form.ActionTabStartupItems->Execute();
    ASSERT_TRUE(ExactRow(name));
    EXPECT_EQ(ExactRow(name)->SubItems()->Get(0), FromWide(path));

    ExactRow(name)->SetChecked(false);
    form.ActionApply->Execute();
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    const std::wstring backup = ToWide(box_.BackupDir());
    EXPECT_EQ(TStartupSandbox::ReadFile(backup + name), "first link");
    EXPECT_FALSE(ExactRow(name));

    box_.PlantFileW(folder, name, "second link");
    form.ActionRefresh->Execute();
    ASSERT_TRUE(ExactRow(name));
    ExactRow(name)->SetSelected(true);
    form.ActionDelete->Execute();
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(TStartupSandbox::ReadFile(backup + box_.NameW(L"東京 (2).lnk")), "second link");
    EXPECT_EQ(TStartupSandbox::ReadFile(canary), "canary");
    EXPECT_EQ(box_.BackupFiles().size(), 2u);
    ASSERT_EQ(yes.Boxes.size(), 1u) << "the question only, no failure";
}

TEST_F(MainFormStartup, RunValuesOfEachViewAreDisabledAndEnabledInTheirOwnView) {
    ASSERT_TRUE(Is64BitWindows()) << "the tests' prefix is a 64-bit one";
    const std::wstring both = box_.NameW(L"Both"), only32 = box_.NameW(L"Only32");
    auto both64 = box_.SetStringW(kMachine64, "Run", both, L"C:\\x64\\both.exe");
    auto both32 = box_.SetStringW(kMachine32, "Run", both, L"C:\\x86\\both.exe");
    auto only = box_.SetStringW(kMachine32, "Run", only32, L"%SystemRoot%\\only.exe", REG_EXPAND_SZ);
    TBoxRecorder boxes;
    TMainForm& form = Form(true);
    form.ActionTabStartupItems->Execute();
    ASSERT_TRUE(ExactRow(both, KEY_WOW64_64KEY) && ExactRow(both, KEY_WOW64_32KEY));
    ASSERT_TRUE(ExactRow(only32, KEY_WOW64_32KEY));
    EXPECT_FALSE(ExactRow(only32, KEY_WOW64_64KEY));
    EXPECT_EQ(ExactRow(both, KEY_WOW64_64KEY)->SubItems()->Get(0), "C:\\x64\\both.exe");
    EXPECT_EQ(ExactRow(both, KEY_WOW64_64KEY)->SubItems()->Get(1), "HKLM\\" + TStartupSandbox::KeyPath("Run"));
    EXPECT_EQ(ExactRow(both, KEY_WOW64_32KEY)->SubItems()->Get(0), "C:\\x86\\both.exe");
    EXPECT_EQ(ExactRow(both, KEY_WOW64_32KEY)->SubItems()->Get(1),
              "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run");

    ExactRow(both, KEY_WOW64_32KEY)->SetChecked(false);
    ExactRow(only32, KEY_WOW64_32KEY)->SetChecked(false);
    form.ActionApply->Execute();
    ExpectValue(kMachine32, "Run\\Run_Disable", both, REG_SZ, both32);
    ExpectValue(kMachine32, "Run\\Run_Disable", only32, REG_EXPAND_SZ, only);
    EXPECT_FALSE(TStartupSandbox::HasValueW(kMachine32, "Run", both));
    ExpectValue(kMachine64, "Run", both, REG_SZ, both64);
    EXPECT_FALSE(TStartupSandbox::HasValueW(kMachine64, "Run\\Run_Disable", both));

    form.ActionRefresh->Execute();
    ASSERT_TRUE(ExactRow(both, KEY_WOW64_64KEY) && ExactRow(both, KEY_WOW64_32KEY) &&
                ExactRow(only32, KEY_WOW64_32KEY));
    EXPECT_TRUE(ExactRow(both, KEY_WOW64_64KEY)->Checked());
    ExactRow(both, KEY_WOW64_32KEY)->SetChecked(true);
    ExactRow(only32, KEY_WOW64_32KEY)->SetChecked(true);
    form.ActionApply->Execute();
    ExpectValue(kMachine32, "Run", both, REG_SZ, both32);
    ExpectValue(kMachine32, "Run", only32, REG_EXPAND_SZ, only);
    ExpectValue(kMachine64, "Run", both, REG_SZ, both64);
    for (const TRunRoot& where : {kMachine32, kMachine64}) {
        EXPECT_FALSE(TStartupSandbox::HasValueW(where, "Run\\Run_Disable", both));
        EXPECT_FALSE(TStartupSandbox::HasValueW(where, "Run\\Run_Disable", only32));
    }
    EXPECT_FALSE(TStartupSandbox::HasValueW(kMachine64, "Run", only32));
    EXPECT_TRUE(boxes.Boxes.empty()) << boxes.Boxes[0].Text;
}
