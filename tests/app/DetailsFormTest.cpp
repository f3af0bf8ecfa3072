// The details window: the rows it composes for an entry, its selector with system patches
// left out, switching programs in place, and the window on screen.
#include "app/frmDetails.h"
#include "app/multiLangs.h"
#include "app/EntryTesting.h"
#include "common/Screenshot.h"
#include "framework/FormTesting.h"
#include <gtest/gtest.h>

using namespace entrytest;
using TRows = std::vector<TDetailRow>;

TEST(DetailRows, FullEntryGivesEveryRowInOrder) {
    TEntryDetails d{1572864.0, "20240131", 7, "2026-11-30", "C:\\Alpha", "4.2.1", "Alpha Works", "help", "about",
                    "update"};
    EXPECT_EQ(ComposeDetailRows(d),
              (TRows{{"Programs Size", "1.50 MB"}, {"Install Date", "20240131"}, {"Used Frequency", "Occasionally"},
                     {"Last Access Date", "2026-11-30"}, {"Install Location", "C:\\Alpha"},
                     {"Program Version", "4.2.1"}, {"Publisher", "Alpha Works"}, {"Help Info", "help"},
                     {"About Link", "about"}, {"Update Link", "update"}}));
}

TEST(DetailRows, RowsWithoutAValueAreLeftOutButUsage) {
    EXPECT_EQ(ComposeDetailRows(TEntryDetails{}), (TRows{{"Used Frequency", "Rarely"}}));
    TEntryDetails d;
    d.Size = 1024;   // small, but a size
    d.UsageCount = 11;
    d.AboutLink = "https://beta.example/";
    EXPECT_EQ(ComposeDetailRows(d), (TRows{{"Programs Size", "0.00 MB"}, {"Used Frequency", "Frequently"},
                                           {"About Link", "https://beta.example/"}}));
    EXPECT_EQ(UsedFrequencyWord(2), "Rarely");
    EXPECT_EQ(UsedFrequencyWord(3), "Occasionally");
    EXPECT_EQ(UsedFrequencyWord(10), "Occasionally");
}

namespace {

TEntryData Entry(const wchar_t* name, bool patch = false) {
    TEntryData d;
    d.DisplayName = d.RegistryName = name;
    d.IsPatch = patch;
    return d;
}

TEntryData FullEntry() {
    TEntryData d = Entry(L"Alpha Editor");
    d.Publisher = L"Alpha Works";
    d.InstallLocation = L"C:\\Program Files\\Alpha";
    d.Version = L"4.2.1";
    d.AboutLink = L"https://alpha.example/";
    d.UsageCount = 7;
    d.Size = 1572864.0f;
    d.Values = {{L"DisplayName", L"Alpha Editor"}, {L"UninstallString", L"C:\\Program Files\\Alpha\\unins.exe"},
                {L"EstimatedSize", L"1536"}};
    return d;
}

TRows Rows(TFcListView* list) {
    TRows rows;
    for (int i = 0; i < list->Items()->Count(); ++i)
        rows.push_back({list->Items()->Item(i)->Caption(), list->Items()->Item(i)->SubItems()->Get(0)});
    return rows;
}

// Five entries, two of them system patches, behind the window as the main window sets it up.
class DetailsWindow : public testing::Test {
protected:
    void SetUp() override {
        binding_->ConnectTo(&list_);
        form_->SetProgramList(binding_.get());
    }
    // The selector as the main window's list fill leaves it.
    void FillSelector(bool hidePatches) {
        form_->ClearPrograms();
        for (size_t i = 0; i < list_.Entries.size(); ++i)
            if (!hidePatches || !list_.Entries[i]->D.IsPatch)
                form_->AddProgram(FromWide(list_.Entries[i]->D.DisplayName), 0, static_cast<int>(i));
    }
    std::string Chosen() const {
        int i = form_->cmbPrograms->GetItemIndex();
        return i < 0 ? "<none>" : form_->cmbPrograms->GetItemsEx()->Items(i)->GetCaption();
    }

    TComInit com_;
    TFakeEntries list_{{FullEntry(), Entry(L"KB100 Update", true), Entry(L"Beta Player"), Entry(L"KB200 Update", true),
                        Entry(L"Gamma Tools")}};
    TFreeGuard<TProgramList> binding_{TProgramList::Create(nullptr)};
    TFreeGuard<TDetailsForm> form_{TDetailsForm::Create(nullptr)};
};

} // namespace

TEST_F(DetailsWindow, SelectorFindsTheEntryWithPatchesHidden) {
    FillSelector(true);
    form_->ShowEntryDetails(4);
    EXPECT_EQ(form_->cmbPrograms->GetItemIndex(), 2);
    EXPECT_EQ(Chosen(), "Gamma Tools");
    form_->ShowEntryDetails(0);   // every patch comes after it
    EXPECT_EQ(Chosen(), "Alpha Editor");
    FillSelector(false);
    form_->ShowEntryDetails(4);
    EXPECT_EQ(form_->cmbPrograms->GetItemIndex(), 4);
}

TEST_F(DetailsWindow, EntryFillsBothListsAndAFailingOneChangesNothing) {
    FillSelector(false);
    form_->ShowEntryDetails(2);
    EXPECT_EQ(Rows(form_->lsvProgramInfo), (TRows{{"Used Frequency", "Rarely"}}));
    EXPECT_EQ(form_->lsvRegistryInfo->Items()->Count(), 0) << "a key without values";
    form_->ShowEntryDetails(0);
    EXPECT_EQ(list_.Entries[0]->DetailsLoadedFor, L"Alpha Editor");
    EXPECT_EQ(Rows(form_->lsvProgramInfo), ComposeDetailRows(ReadEntryDetails(list_.Entries[0].get())));
    EXPECT_EQ(Rows(form_->lsvRegistryInfo), (TRows{{"DisplayName", "Alpha Editor"},
                                                   {"UninstallString", "C:\\Program Files\\Alpha\\unins.exe"},
                                                   {"EstimatedSize", "1536"}}));
    // No name is cut, whatever the font: the name column grows from its 100 pixels to fit.
    TFcListView* info = form_->lsvProgramInfo;
    const int nameWidth = info->Column(0)->GetWidth();
    EXPECT_GE(nameWidth, 100);
    EXPECT_LE(nameWidth, std::max(100, info->GetClientWidth() / 2));
    for (int i = 0; i < info->Items()->Count(); ++i) {
        const std::string& name = info->Items()->Item(i)->Caption();
        EXPECT_LE(SendMessageA(info->Handle(), LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(name.c_str())) + 12,
                  nameWidth) << name;
    }
    EXPECT_THROW(form_->ShowEntryDetails(17), EOleSysError);
    EXPECT_EQ(Chosen(), "Alpha Editor");
    EXPECT_EQ(form_->lsvRegistryInfo->Items()->Count(), 3);
}

TEST_F(DetailsWindow, ChoosingAnotherProgramRefillsTheOpenWindow) {
    TRestore<std::string> key(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Key, "Schl\xFCssel");
    FillSelector(true);
    form_->ShowEntryDetails(0);
    form_->SetPosition(poDesigned);
    form_->Show();
    PumpIdle();
    EXPECT_EQ(form_->lsvRegistryInfo->Column(0)->GetCaption(), "Schl\xFCssel") << "captions again at each show";
    EXPECT_EQ(form_->lsvRegistryInfo->Columns()->Count(), 2);
    EXPECT_TRUE(SaveWindowPng(form_->Handle(), "details-window-properties.png"));

    // What the drop-down list does when the user picks a row: select it, then tell the parent.
    HWND combo = form_->cmbPrograms->Handle();
    SendMessageA(combo, CB_SETCURSEL, 2, 0);
    PostMessageA(form_->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    ASSERT_TRUE(PumpUntil([&] { return form_->lsvRegistryInfo->Items()->Count() == 0; }));
    EXPECT_EQ(list_.Entries[4]->DetailsLoadedFor, L"Gamma Tools");
    EXPECT_TRUE(IsWindowVisible(form_->Handle()));

    form_->ShowEntryDetails(0);
    form_->pcProgramDetails->SetActivePageIndex(1);
    PumpIdle();
    EXPECT_TRUE(SaveWindowPng(form_->Handle(), "details-window-registry.png"));
}

TEST_F(DetailsWindow, SelectorSharesTheSystemImageList) {
    HIMAGELIST system = GetSystemImageList(true);
    EXPECT_EQ(form_->CmbImageList->Handle(), system);
    int count = ImageList_GetImageCount(system);
    form_.reset();
    EXPECT_EQ(ImageList_GetImageCount(system), count) << "still alive for the other windows";
}
