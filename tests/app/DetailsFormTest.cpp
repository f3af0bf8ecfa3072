// The details window: the rows it composes for an entry, its selector with system patches
// left out, switching programs in place, and the window on screen.
#include "app/frmDetails.h"
#include "app/multiLangs.h"
#include "app/EntryTesting.h"
#include "common/Screenshot.h"
#include "framework/FormTesting.h"
#include "framework/Guards.h"
#include <gtest/gtest.h>

using namespace entrytest;

namespace {

TEntryData FullEntry() {
    TEntryData d;
    d.DisplayName = L"Alpha Editor";
    d.RegistryName = L"AlphaEditor";
    d.Publisher = L"Alpha Works";
    d.InstallLocation = L"C:\\Program Files\\Alpha";
    d.LastUsed = L"2026-11-30";
    d.InstallDate = L"20240131";
    d.Version = L"4.2.1";
    d.HelpLink = L"https://alpha.example/help";
    d.AboutLink = L"https://alpha.example/";
    d.UpdateLink = L"https://alpha.example/update";
    d.UsageCount = 7;
    d.Size = 1572864.0f;
    d.Values = {{L"DisplayName", L"Alpha Editor"}, {L"UninstallString", L"C:\\Program Files\\Alpha\\unins.exe"},
                {L"EstimatedSize", L"1536"}};
    return d;
}

TEntryData Named(const wchar_t* name, bool patch) {
    TEntryData d;
    d.DisplayName = name;
    d.RegistryName = name;
    d.IsPatch = patch;
    return d;
}

std::vector<TDetailRow> Rows(TFcListView* list) {
    std::vector<TDetailRow> rows;
    for (int i = 0; i < list->Items()->Count(); ++i) {
        TListItem* item = list->Items()->Item(i);
        rows.push_back({item->Caption(), item->SubItems()->Count() > 0 ? item->SubItems()->Get(0) : "<none>"});
    }
    return rows;
}

} // namespace

// ---- The rows ---------------------------------------------------------------------------

TEST(DetailRows, FullEntryGivesEveryRowInOrder) {
    TEntryDetails d;
    d.Size = 1572864.0;
    d.InstallDate = "20240131";
    d.UsageCount = 7;
    d.LastUsed = "2026-11-30";
    d.InstallLocation = "C:\\Program Files\\Alpha";
    d.Version = "4.2.1";
    d.Publisher = "Alpha Works";
    d.HelpLink = "help";
    d.AboutLink = "about";
    d.UpdateLink = "update";
    const std::vector<TDetailRow> expected = {
        {"Programs Size", "1.50 MB"}, {"Install Date", "20240131"},   {"Used Frequency", "Occasionally"},
        {"Last Access Date", "2026-11-30"}, {"Install Location", "C:\\Program Files\\Alpha"},
        {"Program Version", "4.2.1"},  {"Publisher", "Alpha Works"}, {"Help Info", "help"},
        {"About Link", "about"},       {"Update Link", "update"}};
    EXPECT_EQ(ComposeDetailRows(d), expected);
}

TEST(DetailRows, RowsWithoutAValueAreLeftOutButUsage) {
    EXPECT_EQ(ComposeDetailRows(TEntryDetails{}), (std::vector<TDetailRow>{{"Used Frequency", "Rarely"}}));
    TEntryDetails d;
    d.Size = 1024;   // small, but a size
    d.UsageCount = 40;
    d.AboutLink = "https://beta.example/";
    EXPECT_EQ(ComposeDetailRows(d), (std::vector<TDetailRow>{{"Programs Size", "0.00 MB"},
                                                             {"Used Frequency", "Frequently"},
                                                             {"About Link", "https://beta.example/"}}));
}

TEST(DetailRows, UsageWordChangesAtThreeAndEleven) {
    EXPECT_EQ(UsedFrequencyWord(2), "Rarely");
    EXPECT_EQ(UsedFrequencyWord(3), "Occasionally");
    EXPECT_EQ(UsedFrequencyWord(10), "Occasionally");
    EXPECT_EQ(UsedFrequencyWord(11), "Frequently");
    EXPECT_EQ(UsedFrequencyWord(4000000000u), "Frequently");
}

// ---- The window -------------------------------------------------------------------------

namespace {

// Five entries, two of them system patches, behind the window as the main window sets it up.
class DetailsWindow : public testing::Test {
protected:
    void SetUp() override {
        binding_->ConnectTo(&list_);
        form_->SetProgramList(binding_.get());
    }
    // The selector as the main window's fill leaves it.
    void FillSelector(bool hidePatches) {
        form_->ClearPrograms();
        for (size_t i = 0; i < list_.Entries.size(); ++i) {
            const TEntryData& d = list_.Entries[i]->D;
            if (hidePatches && d.IsPatch) continue;
            form_->AddProgram(FromWide(d.DisplayName), d.IconIndex, static_cast<int>(i));
        }
    }
    std::string Chosen() const {
        int i = form_->cmbPrograms->GetItemIndex();
        return i < 0 ? "<none>" : form_->cmbPrograms->GetItemsEx()->Items(i)->GetCaption();
    }
    void ShowOnScreen() {
        // Clear of the display's pointer, which rests in the middle of the screen.
        form_->SetPosition(poDesigned);
        form_->SetBounds(8, 8, form_->Width(), form_->Height());
        form_->Show();
        PumpFor(100);
    }

    TComInit com_;
    TFakeEntries list_{{FullEntry(), Named(L"KB100 Security Update", true), Named(L"Beta Player", false),
                        Named(L"KB200 Security Update", true), Named(L"Gamma Tools", false)}};
    TFreeGuard<TProgramList> binding_{TProgramList::Create(nullptr)};
    TFreeGuard<TDetailsForm> form_{TDetailsForm::Create(nullptr)};
};

} // namespace

TEST_F(DetailsWindow, SelectorFindsTheEntryWithPatchesHidden) {
    FillSelector(true);
    ASSERT_EQ(form_->cmbPrograms->GetItemsEx()->Count(), 3);
    form_->ShowEntryDetails(4);
    EXPECT_EQ(form_->cmbPrograms->GetItemIndex(), 2);
    EXPECT_EQ(Chosen(), "Gamma Tools");
    form_->ShowEntryDetails(2);
    EXPECT_EQ(Chosen(), "Beta Player");
    form_->ShowEntryDetails(0);   // every patch comes after it
    EXPECT_EQ(form_->cmbPrograms->GetItemIndex(), 0);

    FillSelector(false);
    form_->ShowEntryDetails(4);
    EXPECT_EQ(form_->cmbPrograms->GetItemIndex(), 4);
}

TEST_F(DetailsWindow, ShowingAnEntryFillsBothListsFromTheComponent) {
    FillSelector(false);
    form_->ShowEntryDetails(0);
    EXPECT_EQ(list_.Entries[0]->DetailsLoadedFor, L"AlphaEditor");
    EXPECT_EQ(Rows(form_->lsvProgramInfo), ComposeDetailRows(ReadEntryDetails(list_.Entries[0].get())));
    EXPECT_EQ(form_->lsvProgramInfo->Items()->Count(), 10);
    EXPECT_EQ(Rows(form_->lsvRegistryInfo),
              (std::vector<TDetailRow>{{"DisplayName", "Alpha Editor"},
                                       {"UninstallString", "C:\\Program Files\\Alpha\\unins.exe"},
                                       {"EstimatedSize", "1536"}}));

    form_->ShowEntryDetails(2);
    EXPECT_EQ(Rows(form_->lsvProgramInfo), (std::vector<TDetailRow>{{"Used Frequency", "Rarely"}}));
    EXPECT_EQ(form_->lsvRegistryInfo->Items()->Count(), 0) << "a key without values";
}

TEST_F(DetailsWindow, FailingEntryChangesNothing) {
    FillSelector(false);
    form_->ShowEntryDetails(0);
    EXPECT_THROW(form_->ShowEntryDetails(17), EOleSysError);
    EXPECT_EQ(Chosen(), "Alpha Editor");
    EXPECT_EQ(form_->lsvRegistryInfo->Items()->Count(), 3);
    for (auto& e : list_.Entries) EXPECT_EQ(e->Refs, 0);
}

TEST_F(DetailsWindow, ChoosingAnotherProgramRefillsTheOpenWindow) {
    FillSelector(true);
    form_->ShowEntryDetails(0);
    ShowOnScreen();
    EXPECT_TRUE(SaveWindowPng(form_->Handle(), "details-window-properties.png"));

    // What the drop-down list does when the user picks a row: select it, then tell the parent.
    HWND combo = form_->cmbPrograms->Handle();
    SendMessageA(combo, CB_SETCURSEL, 2, 0);
    PostMessageA(form_->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    ASSERT_TRUE(PumpUntil([&] { return form_->lsvRegistryInfo->Items()->Count() == 0; }));
    EXPECT_EQ(list_.Entries[4]->DetailsLoadedFor, L"Gamma Tools");
    EXPECT_EQ(Rows(form_->lsvProgramInfo), (std::vector<TDetailRow>{{"Used Frequency", "Rarely"}}));
    EXPECT_TRUE(IsWindowVisible(form_->Handle()));

    form_->ShowEntryDetails(0);
    form_->pcProgramDetails->SetActivePageIndex(1);
    PumpFor(100);
    EXPECT_TRUE(SaveWindowPng(form_->Handle(), "details-window-registry.png"));
}

TEST_F(DetailsWindow, CaptionsComeFromTheLanguageWhenShown) {
    ASSERT_EQ(form_->lsvRegistryInfo->Columns()->Count(), 2);
    EXPECT_EQ(form_->lsvProgramInfo->Column(0)->GetWidth(), 100);
    EXPECT_EQ(form_->lsvRegistryInfo->Column(0)->GetWidth(), 160);
    TRestore<std::string> key(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Key, "Schl\xFCssel");
    TRestore<std::string> page(IDS_DETAILSFORM_TABSHEETPP_TITLE, "Eigenschaften");
    TRestore<std::string> title(IDS_DETAILSFORM_Title, "Details");
    ShowOnScreen();
    EXPECT_EQ(form_->GetCaption(), "Details");
    EXPECT_EQ(form_->tsProgramInfo->GetCaption(), "Eigenschaften");
    EXPECT_EQ(form_->lsvRegistryInfo->Column(0)->GetCaption(), "Schl\xFCssel");
    EXPECT_EQ(form_->lsvRegistryInfo->Columns()->Count(), 2) << "made once";
}

TEST_F(DetailsWindow, SelectorSharesTheSystemImageList) {
    HIMAGELIST system = GetSystemImageList(true);
    EXPECT_EQ(form_->CmbImageList->Handle(), system);
    EXPECT_TRUE(form_->CmbImageList->GetShareImages());
    int count = ImageList_GetImageCount(system);
    form_.reset();
    EXPECT_EQ(ImageList_GetImageCount(system), count) << "still alive for the other windows";
}
