// Skin and language carried into the main window: the skin's bounds and pictures, where a bad
// value stops it, and a language switch re-captioning every control that has a text.
#include "MainFormTesting.h"
#include "common/Screenshot.h"
#include "controls/framed/FcPanel.h"
#include "controls/framed/FcRadChk.h"
#include "controls/framed/FcTabs.h"
#include "controls/skinned/ArButton.h"
#include "controls/skinned/SkURLLabel.h"
#include "framework/IniFiles.h"

#include <set>

using namespace mainform;

namespace {

class MainFormSkin : public MainFormTest {
protected:
    // A skin folder of our own: the default pictures, then whatever a test breaks in it.
    void UseSandboxSkins() {
        std::string skins = dir_ + "Skins\\";
        ASSERT_TRUE(ForceDirectories(skins));
        for (const auto& file : std::filesystem::directory_iterator(SourceSkins()))
            std::filesystem::copy_file(file.path(), skins + file.path().filename().string());
        paths_.emplace_back(SkinsDir, skins);
    }
};

// Every language string as "<mark>key", so a text left from the previous language shows.
void WriteMarkedLanguage(const std::string& path, const std::string& mark) {
    TIniFile ini(path);
    for (const TLanguageEntry& e : LanguageEntries()) ini.WriteString(LanguageSection, e.WriteKey, mark + Trim(e.ReadKey));
}

bool Marked(const std::string& text, const std::string& mark) { return text.rfind(mark, 0) == 0; }

// Every text of the window that the language covers carries the mark; the value labels,
// the title-bar buttons, the tab buttons' captions and the language items are not its.
void ExpectEveryTextMarked(TMainForm& form, const std::string& mark) {
    const std::set<TComponent*> notLanguage = {
        form.btnMin, form.btnHelpContent, form.btnClose, form.btnProgramList, form.btnStartupItemList,
        form.lblProgramCounts, form.lblRegistryName, form.lblPublisherValue, form.lblVersionValue,
        form.lblDescription, form.lblProgramURL};
    int checked = 0;
    for (int i = 0; i < form.ComponentCount(); ++i) {
        TComponent* c = form.Components(i);
        std::string text;
        if (notLanguage.count(c)) continue;
        if (auto* item = dynamic_cast<TMenuItem*>(c)) {
            if (item->GetCaption() == "-" || item->Owner() != &form || item->Name().empty()) continue;
            text = item->GetCaption();
        } else if (dynamic_cast<TArButton*>(c) || dynamic_cast<TLabel*>(c) || dynamic_cast<TFcGroupBox*>(c) ||
                   dynamic_cast<TFcCheckBox*>(c)) {
            text = static_cast<TControl*>(c)->GetCaption();
        } else {
            continue;
        }
        EXPECT_TRUE(Marked(text, mark)) << c->Name() << ": " << text;
        ++checked;
    }
    EXPECT_EQ(checked, 55) << "menu items, buttons, labels, group boxes and check boxes";
    for (TListView* list : {form.lsvProgramList, form.lsvStartupList})
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(Marked(list->Column(i)->GetCaption(), mark)) << list->Name() << i;
    EXPECT_TRUE(Marked(form.btnProgramList->GetHint(), mark));
    EXPECT_TRUE(Marked(form.btnStartupItemList->GetHint(), mark));
    EXPECT_EQ(form.btnProgramList->GetCaption(), "Program List") << "a tab button takes the text as its hint only";
}

TMenuItem* LanguageItem(TMainForm& form, const std::string& caption) {
    for (int i = 0; i < form.mItemLanguages->Count(); ++i)
        if (form.mItemLanguages->Items(i)->GetCaption() == caption) return form.mItemLanguages->Items(i);
    return nullptr;
}

} // namespace

TEST_F(MainFormSkin, DefaultSkinPlacesThePageControlAndKeepsTheWindowSize) {
    TMainForm& form = Form();
    EXPECT_EQ(form.PageControl->BoundsRect(), Bounds(11, 116, 741, 381));
    EXPECT_EQ(form.Width(), 763);
    EXPECT_EQ(form.Height(), 538);
    EXPECT_EQ(form.btnFile->BoundsRect(), Bounds(275, 34, 107, 43));
    EXPECT_GT(form.btnUninstall->GetPicDisabled()->Width(), 0);
}

TEST_F(MainFormSkin, ARectangleOfThreeNumbersIsSkippedAndTheRestApplies) {
    SK_MAINFORM_BUTTON_File_Pos = "1, 2, 3";
    SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HidePatch_Pos = "15, 300, 120, 20";
    SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HideScr_Pos = "16, 330, 121, 21";
    TMainForm& form = Form();
    EXPECT_EQ(form.btnFile->BoundsRect(), Bounds(275, 33, 107, 43)) << "as the layout has it";
    EXPECT_GT(form.btnFile->GetPicNormal()->Width(), 0);
    EXPECT_EQ(form.btnView->BoundsRect(), Bounds(397, 34, 107, 43));
    // The check boxes size themselves to their captions; their places tell the keys apart.
    EXPECT_EQ(form.ckbHidePatch->BoundsRect().TopLeft(), TPoint(15, 300));
    EXPECT_EQ(form.ckbHideScr->BoundsRect().TopLeft(), TPoint(16, 330));
}

TEST_F(MainFormSkin, AWordInARectangleStopsTheSkinAtThatControl) {
    SK_MAINFORM_PAGECONTROL_Pos = "11, top, 741, 381";
    TMainForm& form = Form(true);
    EXPECT_EQ(form.btnHelp->BoundsRect(), Bounds(641, 34, 107, 43));
    EXPECT_GT(form.btnStartupItemList->GetPicNormal()->Width(), 0);
    EXPECT_EQ(form.PageControl->BoundsRect(), Bounds(11, 128, 741, 369));
    EXPECT_EQ(form.btnUninstall->GetPicNormal()->Width(), 0) << "the side bar keeps the layout's (no) pictures";
    EXPECT_EQ(form.btnFile->GetCaption(), IDS_MAINFORM_MENU_File) << "the language is applied all the same";
}

TEST_F(MainFormSkin, AnUnreadablePictureStopsTheSkinAndAMissingOneIsPassedOver) {
    UseSandboxSkins();
    SK_MAINFORM_BUTTON_File_PicNormal = "missing.png";
    WriteText(SkinsDir + SK_MAINFORM_BUTTON_View_PicMouseHover, "not a picture");
    TMainForm& form = Form(true);
    EXPECT_EQ(form.btnFile->GetPicNormal()->Width(), 0);
    EXPECT_GT(form.btnFile->GetPicMouseHover()->Width(), 0);
    EXPECT_EQ(form.btnView->BoundsRect(), Bounds(397, 34, 107, 43)) << "bounds come before the pictures";
    EXPECT_EQ(form.btnTools->BoundsRect(), Bounds(519, 33, 107, 43)) << "not skinned after the bad picture";
    // A button without pictures shows the window's background under its caption, not a hole
    // of the key colour through which the desktop shows.
    PumpIdle();
    TBitmap shot;
    ASSERT_TRUE(CaptureWindow(form.WindowHandle(), shot));
    for (TArButton* button : {form.btnTools, form.btnHelp, form.btnSearch, form.btnRefresh}) {
        TPoint at = form.ScreenToClient(button->Parent()->ClientToScreen(TPoint(button->Left() + 4, button->Top() + 4)));
        EXPECT_NE(PixelAt(shot, at.X, at.Y), clBlack) << button->Name();
    }
}

TEST_F(MainFormSkin, SwitchingLanguageRecaptionsEveryTextAndTheSecondSwitchWins) {
    WriteMarkedLanguage(LangsDir + "First.ini", "1:");
    WriteMarkedLanguage(LangsDir + "Second.ini", "2:");
    const char broken[] = "\x00\xff[Language\r\nIDS_MAINFORM_MENU_File";
    WriteText(LangsDir + "Broken.ini", std::string(broken, sizeof broken - 1));
    TMainForm& form = Form();
    for (const char* name : {"First", "Second"}) {
        TMenuItem* item = LanguageItem(form, name);
        ASSERT_TRUE(item) << name;
        item->Click();
    }
    ExpectEveryTextMarked(form, "2:");
    EXPECT_EQ(form.lblProgramCounts->Left(), form.lblPrograms->Left() + form.lblPrograms->Width() + 5);
    EXPECT_TRUE(LanguageItem(form, "Second")->GetChecked());
    EXPECT_FALSE(LanguageItem(form, "First")->GetChecked());
    EXPECT_EQ(TIniFile(ConfigPath).ReadString("config", "LanguageFile", ""), "Second.ini");
    // Toggling an option keeps the check box's caption in the language shown.
    form.ActionHideScr->Execute();
    EXPECT_EQ(form.ckbHideScr->GetCaption(), "2:IDS_SIDEBAR_CHECKBOX_HideScr");
    // A broken file changes what it can and leaves the window standing.
    LanguageItem(form, "Broken")->Click();
    EXPECT_EQ(LanguagePath, LangsDir + "Broken.ini");
    EXPECT_EQ(form.btnView->GetCaption(), "2:IDS_MAINFORM_MENU_View");
}

TEST_F(MainFormSkin, LanguageMenuListsFileStemsAndANameWithTwoDotsLoadsNothing) {
    WriteText(LangsDir + "english.ini", "");
    WriteText(LangsDir + "Two.dots.ini", "[Language]\r\nIDS_MAINFORM_MENU_File=Datei\r\n");
    ASSERT_TRUE(ForceDirectories(LangsDir + "Folder.ini"));
    TMainForm& form = Form();
    std::set<std::string> captions;
    for (int i = 0; i < form.mItemLanguages->Count(); ++i) captions.insert(form.mItemLanguages->Items(i)->GetCaption());
    EXPECT_EQ(captions, (std::set<std::string>{"english", "Two"}));
    EXPECT_TRUE(LanguageItem(form, "english")->GetChecked()) << "English.ini in use, compared without case";
    LanguageItem(form, "Two")->Click();
    EXPECT_EQ(LanguagePath, LangsDir + "English.ini");
    EXPECT_EQ(form.btnFile->GetCaption(), "File");
}
