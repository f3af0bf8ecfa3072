// The comment window with the real component behind it, and the about window with its skin
// picture; both shown on the test display and photographed.
#include "app/frmAbout.h"
#include "app/frmComment.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "app/multiSkins.h"
#include "app/EntryTesting.h"
#include "common/Screenshot.h"
#include "framework/FormTesting.h"
#include "skinned/PictureTesting.h"
#include "skinned/PngTestData.h"
#include <gtest/gtest.h>

using namespace entrytest;

namespace {

// The registry view the entry is planted in: this process's own, as the component numbers
// views and as a KEY_WOW64_* flag names it.
constexpr LONG kOwnView = sizeof(void*) * 8;
constexpr REGSAM kOwnViewFlag = kOwnView == 64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

// The comment a new instance of the component has for a registry name.
std::string StoredComment(const std::string& registryName) {
    TFreeGuard<TProgramList> list(TProgramList::Create(nullptr));
    BStr comment;
    OleCheck(list->GetDefaultInterface()->GetComment(StringToBStr(registryName).Get(), kOwnView, comment.Put()));
    return FromWide(comment.Str());
}

} // namespace

TEST(CommentWindow, OnlyOkStoresAndTheCommentOutlivesTheComponent) {
    const std::string dll = ExtractFilePath(Application->ExeName()) + "Quorbel.dll";
    if (!FileExists(dll)) GTEST_SKIP() << "Quorbel.dll is not built beside the tests";
    TComInit com;
    RegisterComServer(dll);
    TPlantedKey key("Velmora Comment Entry", kOwnViewFlag);
    ComPtr<IProgramItem> entry;
    {
        TFreeGuard<TProgramList> list(TProgramList::Create(nullptr));
        list->RefreshPrograms();
        LONG index = -1;
        OleCheck(list->GetDefaultInterface()->ProgramIndexOf(StringToBStr(key.Name).Get(), kOwnView, &index));
        list->Item(index, entry);
        ASSERT_TRUE(entry);
        SetItemComment(entry.Get(), "");
    }
    {
        auto hand = WhenActive<TCommentForm>([](TCommentForm& form) {
            form.txtComment->SetText("not wanted after all");
            PostClick(form.btnCancel->Handle(), 10, 10);
        });
        EXPECT_FALSE(CommentOnEntry(entry.Get()));
    }
    const std::string text = "Licence runs to May, caf\xE9 edition";
    std::string shownName;
    {
        auto hand = WhenActive<TCommentForm>([&](TCommentForm& form) {
            shownName = form.lblProgramName->GetCaption();
            form.txtComment->SetText(text);
            PostClick(form.btnOk->Handle(), 10, 10);
        });
        EXPECT_TRUE(CommentOnEntry(entry.Get()));
    }
    EXPECT_EQ(shownName, "Planted Velmora Comment Entry");
    entry.Reset();
    CoFreeUnusedLibraries();
    EXPECT_EQ(StoredComment(key.Name), text);
    const std::string comments = kOwnView == 64 ? "Software\\Velmora\\Quorbel\\Comments\\64-bit"
                                                : "Software\\Velmora\\Quorbel\\Comments\\32-bit";
    RegDeleteKeyValueA(HKEY_CURRENT_USER, comments.c_str(), key.Name.c_str());
}

TEST(CommentWindow, FailedStoreIsToldNotLost) {
    TEntryData data;
    data.DisplayName = L"Read-only Suite";
    data.SetCommentResult = E_ACCESSDENIED;
    TFakeEntry entry(data);
    TBoxRecorder boxes;
    auto hand = WhenActive<TCommentForm>([](TCommentForm& form) {
        form.txtComment->SetText("worth keeping");
        PostClick(form.btnOk->Handle(), 10, 10);
    });
    EXPECT_FALSE(CommentOnEntry(&entry));
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text.rfind("The comment could not be stored: ", 0), 0u) << boxes.Boxes[0].Text;
    EXPECT_EQ(entry.Refs, 0);
}

TEST(CommentWindow, CaptionsComeFromTheLanguageAndTheEditTakes250Characters) {
    TRestore<std::string> title(IDS_COMMENTFORM_Title, "Kommentar");
    TFreeGuard<TCommentForm> form(TCommentForm::Create(nullptr));
    form->lblProgramName->SetCaption("Velmora Sample Suite 2026 & Friends");
    form->Show();
    EXPECT_EQ(form->GetCaption(), "Kommentar");
    HWND edit = form->txtComment->Handle();
    for (int i = 0; i < 260; ++i) SendMessageA(edit, WM_CHAR, 'a' + i % 26, 0);
    EXPECT_EQ(form->txtComment->GetText().size(), 250u);
    PumpIdle();
    EXPECT_TRUE(SaveWindowPng(form->Handle(), "comment-window.png"));
}

namespace {

// The window shown clear of the display's pointer, which rests mid-screen: a link under it
// would show its hover colour.
TFreeGuard<TAboutForm> ShowAbout() {
    TFreeGuard<TAboutForm> form(TAboutForm::Create(nullptr));
    form->SetPosition(poDesigned);
    form->SetBounds(8, 8, form->Width(), form->Height());
    form->Show();
    PumpIdle();
    return form;
}

} // namespace

TEST(AboutWindow, ShowsTheTitleVersionAndAddressesOfTheProduct) {
    TRestore<std::string> skins(SkinsDir, std::string("Z:") + VELMORA_SOURCE_DIR + "\\resources\\dist\\Skins\\");
    auto form = ShowAbout();
    EXPECT_EQ(form->lblProductTitle->GetCaption(), Application->GetTitle() + " " + ProductVersion);
    EXPECT_EQ(form->lnkWebOnline->GetURL(), ProductUrl);
    EXPECT_EQ(form->lnkSupportEmail->GetCaption(), SupportEmail);
    EXPECT_EQ(form->lnkSupportEmail->GetURL(), "mailto:" + SupportEmail);
    EXPECT_EQ(form->lblWarning->GetCaption(), IDS_ABOUTFORM_LABEL_Warning);
    EXPECT_TRUE(SaveWindowPng(form->Handle(), "about-window.png"));
}

TEST(AboutWindow, SkinPictureReplacesTheLayoutsOnlyWhenItDecodes) {
    TTempDir dir;
    TRestore<std::string> skins(SkinsDir, dir.Dir);
    TRestore<std::string> picture(SK_ABOUTFORM_IMGABOUT_Pic, "about-alt.png");
    TRestore<std::string> position(SK_ABOUTFORM_IMGABOUT_POS, "14, 20, 100, 200");
    TBoxRecorder boxes;
    EXPECT_EQ(ShowAbout()->ImgAbout->Picture()->Width(), 125) << "no such file: the layout's picture";
    dir.Write("about-alt.png", "not a picture");
    EXPECT_EQ(ShowAbout()->ImgAbout->Picture()->Width(), 125);
    dir.Write("about-alt.png", pngtest::SolidPng(100, 200, 0xFF204080));
    auto form = ShowAbout();
    EXPECT_EQ(form->ImgAbout->Picture()->Width(), 100);
    EXPECT_EQ(form->ImgAbout->BoundsRect(), TRect(14, 20, 114, 220));
    SK_ABOUTFORM_IMGABOUT_POS = "ten, 11, 125, 278";
    EXPECT_EQ(ShowAbout()->ImgAbout->Left(), 10) << "not a position: the layout's";
    EXPECT_TRUE(boxes.Boxes.empty());
}
