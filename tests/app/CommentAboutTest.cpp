// The comment window with the real component behind it, and the about window with its skin
// picture; both shown under the test display and photographed.
#include "app/frmAbout.h"
#include "app/frmComment.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "app/multiSkins.h"
#include "app/EntryTesting.h"
#include "common/Screenshot.h"
#include "framework/FormTesting.h"
#include "framework/Guards.h"
#include "skinned/PictureTesting.h"
#include "skinned/PngTestData.h"
#include <gtest/gtest.h>

using namespace entrytest;

namespace {

std::string ExeFolder() {
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string path(buf, n);
    return path.substr(0, path.rfind('\\') + 1);
}

std::string SourceSkins() {
    std::string path = std::string("Z:") + VELMORA_SOURCE_DIR + "/resources/dist/Skins/";
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// The comment a fresh instance of the component has for a registry name.
std::string StoredComment(const std::string& registryName) {
    TFreeGuard<TProgramList> list(TProgramList::Create(nullptr));
    BStr name = StringToBStr(registryName);
    BStr comment;
    OleCheck(list->GetDefaultInterface()->GetComment(name.Get(), comment.Put()));
    return FromWide(comment.Str());
}

// An entry of the real component, planted in the test prefix.
class CommentWindow : public testing::Test {
protected:
    void SetUp() override {
        const std::string dll = ExeFolder() + "Quorbel.dll";
        if (!FileExists(dll)) GTEST_SKIP() << "Quorbel.dll is not built beside the tests";
        RegisterComServer(dll);
        ASSERT_TRUE(key_.Planted);
        binding_.reset(TProgramList::Create(nullptr));
        binding_->RefreshPrograms();
        BStr name = StringToBStr(key_.Name);
        LONG index = -1;
        OleCheck(binding_->GetDefaultInterface()->ProgramIndexOf(name.Get(), &index));
        ASSERT_GE(index, 0);
        binding_->Item(index, entry_);
        ASSERT_TRUE(entry_);
        SetItemComment(entry_.Get(), "");
    }
    void TearDown() override {
        if (entry_) SetItemComment(entry_.Get(), "");
    }

    TComInit com_;
    TPlantedKey key_{"Velmora Comment Entry"};
    TFreeGuard<TProgramList> binding_;
    ComPtr<IProgramItem> entry_;
};

} // namespace

TEST_F(CommentWindow, CommentIsThereForTheNextInstanceOfTheComponent) {
    const std::string text = "Keep: licence runs to May, caf\xE9 edition";
    std::string shownName;
    TModalHand<TCommentForm> hand([&](TCommentForm& form) {
        shownName = form.lblProgramName->GetCaption();
        form.txtComment->SetText(text);
        PostClick(form.btnOk->Handle(), 10, 10);
    });
    EXPECT_TRUE(CommentOnEntry(entry_.Get()));
    EXPECT_TRUE(hand.Worked());
    EXPECT_EQ(shownName, "Planted Velmora Comment Entry");

    entry_.Reset();
    binding_.reset();
    CoFreeUnusedLibraries();
    EXPECT_EQ(StoredComment(key_.Name), text);
}

TEST_F(CommentWindow, CancelStoresNothing) {
    TModalHand<TCommentForm> hand([](TCommentForm& form) {
        form.txtComment->SetText("not wanted after all");
        PostClick(form.btnCancel->Handle(), 10, 10);
    });
    EXPECT_FALSE(CommentOnEntry(entry_.Get()));
    EXPECT_TRUE(hand.Worked());
    EXPECT_EQ(StoredComment(key_.Name), "");
}

TEST(CommentStore, FailureIsToldWithTheComponentsText) {
    TEntryData data;
    data.DisplayName = L"Read-only Suite";
    data.SetCommentResult = E_ACCESSDENIED;
    TFakeEntry entry(data);
    TBoxRecorder boxes;
    TModalHand<TCommentForm> hand([](TCommentForm& form) {
        form.txtComment->SetText("lost unless told");
        PostClick(form.btnOk->Handle(), 10, 10);
    });
    EXPECT_FALSE(CommentOnEntry(&entry));
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text.rfind("The comment could not be stored: ", 0), 0u) << boxes.Boxes[0].Text;
    EXPECT_EQ(boxes.Boxes[0].Flags, static_cast<UINT>(MB_ICONERROR | MB_OK));
    EXPECT_EQ(entry.Refs, 0);
}

TEST(CommentWindowShown, CaptionsComeFromTheLanguageAndTheEditTakes250Characters) {
    TRestore<std::string> title(IDS_COMMENTFORM_Title, "Kommentar");
    TFreeGuard<TCommentForm> form(TCommentForm::Create(nullptr));
    form->lblProgramName->SetCaption("Velmora Sample Suite 2026 & Friends");
    form->Show();
    EXPECT_EQ(form->GetCaption(), "Kommentar");
    EXPECT_EQ(form->btnCancel->GetCaption(), "Cancel");
    EXPECT_EQ(form->ClientWidth(), 300);
    EXPECT_EQ(form->ClientHeight(), 175);

    HWND edit = form->txtComment->Handle();
    SetFocus(edit);
    for (int i = 0; i < 260; ++i) SendMessageA(edit, WM_CHAR, 'a' + i % 26, 0);
    EXPECT_EQ(form->txtComment->GetText().size(), 250u);
    PumpFor(100);
    EXPECT_TRUE(SaveWindowPng(form->Handle(), "comment-window.png"));
}

// ---- The about window -------------------------------------------------------------------

namespace {

class AboutWindow : public testing::Test {
protected:
    void ShowIt() {
        form_.reset(TAboutForm::Create(nullptr));
        // Clear of the display's pointer, which rests in the middle of the screen: a link
        // under it would show its hover colour.
        form_->SetPosition(poDesigned);
        form_->SetBounds(8, 8, form_->Width(), form_->Height());
        form_->Show();
        PumpFor(50);
    }
    TTempDir skins_;
    TRestore<std::string> skinsDir_{SkinsDir, skins_.Dir};
    TRestore<std::string> picture_{SK_ABOUTFORM_IMGABOUT_Pic};
    TRestore<std::string> position_{SK_ABOUTFORM_IMGABOUT_POS};
    TFreeGuard<TAboutForm> form_;
};

} // namespace

TEST_F(AboutWindow, ShowsTheTitleVersionAndAddressesOfTheProduct) {
    TRestore<std::string> skins(SkinsDir, SourceSkins());
    ShowIt();
    EXPECT_EQ(form_->lblProductTitle->GetCaption(), Application->GetTitle() + " " + ProductVersion);
    EXPECT_EQ(form_->lnkWebOnline->GetCaption(), ProductUrl);
    EXPECT_EQ(form_->lnkWebOnline->GetURL(), ProductUrl);
    EXPECT_EQ(form_->lnkSupportEmail->GetCaption(), SupportEmail);
    EXPECT_EQ(form_->lnkSupportEmail->GetURL(), "mailto:" + SupportEmail);
    EXPECT_EQ(form_->lblWarning->GetCaption(), IDS_ABOUTFORM_LABEL_Warning);
    EXPECT_TRUE(SaveWindowPng(form_->Handle(), "about-window.png"));
}

TEST_F(AboutWindow, SkinPictureIsShownAtTheSkinsPosition) {
    skins_.Write("about-alt.png", pngtest::SolidPng(100, 200, 0xFF204080));
    SK_ABOUTFORM_IMGABOUT_Pic = "about-alt.png";
    SK_ABOUTFORM_IMGABOUT_POS = "14, 20, 100, 200";
    ShowIt();
    EXPECT_EQ(form_->ImgAbout->Picture()->Width(), 100);
    EXPECT_EQ(form_->ImgAbout->BoundsRect(), TRect(14, 20, 114, 220));
}

TEST_F(AboutWindow, SkinWithoutThePictureKeepsTheLayoutsOneAtTheSkinsPosition) {
    SK_ABOUTFORM_IMGABOUT_POS = "12, 13, 125, 278";
    ShowIt();
    EXPECT_EQ(form_->ImgAbout->Picture()->Width(), 125) << "the layout's picture";
    EXPECT_EQ(form_->ImgAbout->Left(), 12);
    EXPECT_EQ(form_->ImgAbout->Top(), 13);
}

TEST_F(AboutWindow, PictureThatDoesNotDecodeOrABadPositionLeavesTheLayoutAsItIs) {
    skins_.Write("img_About.png", "not a picture");
    SK_ABOUTFORM_IMGABOUT_Pic = "img_About.png";
    SK_ABOUTFORM_IMGABOUT_POS = "ten, 11, 125, 278";
    TBoxRecorder boxes;
    ShowIt();
    EXPECT_TRUE(boxes.Boxes.empty());
    EXPECT_EQ(form_->ImgAbout->Picture()->Width(), 125);
    EXPECT_EQ(form_->ImgAbout->Left(), 10);
}
