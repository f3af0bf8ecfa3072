// The look of the windows (control bounds and picture file names) as process-wide strings
// that start out as the built-in defaults and are replaced once, at start-up, from the skin
// file in SkinsDir.
#pragma once
#include "app/multiLangs.h"
#include <span>
#include <string>

// Section "MainForm" of the skin file, in file order.
#define VELMORA_SKIN_MAINFORM(S) \
    S(SK_MAINFORM_Pos, "0, 0, 763, 538") \
    S(SK_MAINFORM_PicBackGround, "img_Main.png") \
    S(SK_MAINFORM_BUTTON_Min_Pos, "703, 8, 22, 21") \
    S(SK_MAINFORM_BUTTON_Min_PicNormal, "btnMin_Normal.png") \
    S(SK_MAINFORM_BUTTON_Min_PicMouseHover, "btnMin_Hover.png") \
    S(SK_MAINFORM_BUTTON_Min_PicMouseDown, "btnMin_Down.png") \
    S(SK_MAINFORM_BUTTON_Min_PicDisabled, "btnMin_Disabled.png") \
    S(SK_MAINFORM_BUTTON_HelpContent_Pos, "668, 8, 27, 22") \
    S(SK_MAINFORM_BUTTON_HelpContent_PicNormal, "btnHelpContent_Normal.png") \
    S(SK_MAINFORM_BUTTON_HelpContent_PicMouseHover, "btnHelpContent_Hover.png") \
    S(SK_MAINFORM_BUTTON_HelpContent_PicMouseDown, "btnHelpContent_Down.png") \
    S(SK_MAINFORM_BUTTON_HelpContent_PicDisabled, "btnHelpContent_Disabled.png") \
    S(SK_MAINFORM_BUTTON_Close_Pos, "728, 8, 22, 21") \
    S(SK_MAINFORM_BUTTON_Close_PicNormal, "btnClose_Normal.png") \
    S(SK_MAINFORM_BUTTON_Close_PicMouseHover, "btnClose_Hover.png") \
    S(SK_MAINFORM_BUTTON_Close_PicMouseDown, "btnClose_Down.png") \
    S(SK_MAINFORM_BUTTON_Close_PicDisabled, "btnClose_Disabled.png") \
    S(SK_MAINFORM_BUTTON_File_Pos, "275, 34, 107, 43") \
    S(SK_MAINFORM_BUTTON_File_PicNormal, "btnFile_Normal.png") \
    S(SK_MAINFORM_BUTTON_File_PicMouseHover, "btnFile_Hover.png") \
    S(SK_MAINFORM_BUTTON_File_PicMouseDown, "btnFile_Down.png") \
    S(SK_MAINFORM_BUTTON_File_PicDisabled, "btnFile_Disabled.png") \
    S(SK_MAINFORM_BUTTON_View_Pos, "397, 34, 107, 43") \
    S(SK_MAINFORM_BUTTON_View_PicNormal, "btnView_Normal.png") \
    S(SK_MAINFORM_BUTTON_View_PicMouseHover, "btnView_Hover.png") \
    S(SK_MAINFORM_BUTTON_View_PicMouseDown, "btnView_Down.png") \
    S(SK_MAINFORM_BUTTON_View_PicDisabled, "btnView_Disabled.png") \
    S(SK_MAINFORM_BUTTON_Tools_Pos, "519, 34, 107, 43") \
    S(SK_MAINFORM_BUTTON_Tools_PicNormal, "btnTools_Normal.png") \
    S(SK_MAINFORM_BUTTON_Tools_PicMouseHover, "btnTools_Hover.png") \
    S(SK_MAINFORM_BUTTON_Tools_PicMouseDown, "btnTools_Down.png") \
    S(SK_MAINFORM_BUTTON_Tools_PicDisabled, "btnTools_Disabled.png") \
    S(SK_MAINFORM_BUTTON_Help_Pos, "641, 34, 107, 43") \
    S(SK_MAINFORM_BUTTON_Help_PicNormal, "btnHelp_Normal.png") \
    S(SK_MAINFORM_BUTTON_Help_PicMouseHover, "btnHelp_Hover.png") \
    S(SK_MAINFORM_BUTTON_Help_PicMouseDown, "btnHelp_Down.png") \
    S(SK_MAINFORM_BUTTON_Help_PicDisabled, "btnHelp_Disabled.png") \
    S(SK_MAINFORM_BUTTON_ProgramList_Pos, "4, 82, 170, 31") \
    S(SK_MAINFORM_BUTTON_ProgramList_PicNormal, "btnProgramList_Normal.png") \
    S(SK_MAINFORM_BUTTON_ProgramList_PicMouseHover, "btnProgramList_Hover.png") \
    S(SK_MAINFORM_BUTTON_ProgramList_PicMouseDown, "btnProgramList_Down.png") \
    S(SK_MAINFORM_BUTTON_ProgramList_PosDisabled, "btnProgramList_Disabled.png") \
    S(SK_MAINFORM_BUTTON_StartupItems_Pos, "174, 82, 170, 31") \
    S(SK_MAINFORM_BUTTON_StartupItems_PicNormal, "btnProgramList_Normal.png") \
    S(SK_MAINFORM_BUTTON_StartupItems_PicMouseHover, "btnProgramList_Hover.png") \
    S(SK_MAINFORM_BUTTON_StartupItems_PicMouseDown, "btnProgramList_Down.png") \
    S(SK_MAINFORM_BUTTON_StartupItems_PosDisabled, "btnProgramList_Disabled.png") \
    S(SK_MAINFORM_PAGECONTROL_Pos, "11, 116, 741, 381") \
    S(SK_MAINFORM_PAGE1_Pos, "0, 0, 750, 394") \
    S(SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos, "0, 0, 572, 394") \
    S(SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_FullPos, "0, 0, 742, 394") \
    S(SK_MAINFORM_PAGE1_SizePanel_Pos, "565, 0, 169, 394") \
    S(SK_MAINFORM_PAGE1_ImgPanel_Pos, "8, 0, 160, 394") \
    S(SK_MAINFORM_PAGE1_ImgPanel_Pic, "img_SizePanel.png") \
    S(SK_MAINFORM_PAGE1_BUTTON_Uninstall_Pos, "15, 16, 135, 41") \
    S(SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicNormal, "btnUninstall_Normal.png") \
    S(SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicMouseHover, "btnUninstall_Hover.png") \
    S(SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicMouseDown, "btnUninstall_Down.png") \
    S(SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicDisabled, "btnUninstall_Disabled.png") \
    S(SK_MAINFORM_PAGE1_BUTTON_ShowDetails_Pos, "15, 64, 135, 41") \
    S(SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicNormal, "btnDetails_Normal.png") \
    S(SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseHover, "btnDetails_Hover.png") \
    S(SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseDown, "btnDetails_Down.png") \
    S(SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicDisabled, "btnDetails_Disabled.png") \
    S(SK_MAINFORM_PAGE1_BUTTON_Refresh_Pos, "15, 112, 135, 41") \
    S(SK_MAINFORM_PAGE1_BUTTON_Refresh_PicNormal, "btnRefresh_Normal.png") \
    S(SK_MAINFORM_PAGE1_BUTTON_Refresh_PicMouseHover, "btnRefresh_Hover.png") \
    S(SK_MAINFORM_PAGE1_BUTTON_Refresh_PicMouseDown, "btnRefresh_Down.png") \
    S(SK_MAINFORM_PAGE1_BUTTON_Refresh_PicDisabled, "btnRefresh_Disabled.png") \
    S(SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos, "15, 168, 145, 137") \
    S(SK_MAINFORM_PAGE1_GROUPBOX_LABEL_Title_Pos, "0, 22, 137, 43") \
    S(SK_MAINFORM_PAGE1_GROUPBOX_TEXT_KeyWorld_Pos, "0, 67, 129, 21") \
    S(SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_Pos, "0, 96, 135, 41") \
    S(SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicNormal, "btnSearch_Normal.png") \
    S(SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicMouseHover, "btnSearch_Hover.png") \
    S(SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicMouseDown, "btnSearch_Down.png") \
    S(SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicDisabled, "btnSearch_Disabled.png") \
    S(SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HidePatch_Pos, "15, 316, 128, 26") \
    S(SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HideScr_Pos, "15, 343, 128, 26") \
    S(SK_MAINFORM_PAGE2_Pos, "0, 1, 750, 394") \
    S(SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos, "0, 0, 572, 394") \
    S(SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_FullPos, "0, 0, 742, 394") \
    S(SK_MAINFORM_PAGE2_SizePanel_Pos, "565, 0, 169, 394") \
    S(SK_MAINFORM_PAGE2_ImgPanel_Pos, "8, 0, 160, 394") \
    S(SK_MAINFORM_PAGE2_ImgPanel_Pic, "img_SizePanel.png") \
    S(SK_MAINFORM_PAGE2_GROUPBOX_grbItemInfo_Pos, "15, 169, 143, 185") \
    S(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Publisher_Pos, "0, 25, 128, 13") \
    S(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_PublisherValue_Pos, "0, 42, 128, 31") \
    S(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Version_Pos, "0, 76, 128, 13") \
    S(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_VersionValue_Pos, "0, 92, 128, 31") \
    S(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Des_Pos, "0, 125, 128, 13") \
    S(SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Description_Pos, "0, 141, 128, 42") \
    S(SK_MAINFORM_PAGE2_BUTTON_SelectAll_Pos, "15, 16, 135, 41") \
    S(SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicNormal, "btnEnableAll_Normal.png") \
    S(SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseHover, "btnEnableAll_Hover.png") \
    S(SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseDown, "btbtnEnableAll_Down.png") \
    S(SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicDisabled, "btnEnableAll_Disabled.png") \
    S(SK_MAINFORM_PAGE2_BUTTON_Delete_Pos, "15, 64, 135, 41") \
    S(SK_MAINFORM_PAGE2_BUTTON_Delete_PicNormal, "btnDelete_Normal.png") \
    S(SK_MAINFORM_PAGE2_BUTTON_Delete_PicMouseHover, "btnDelete_Hover.png") \
    S(SK_MAINFORM_PAGE2_BUTTON_Delete_PicMouseDown, "btnDelete_Down.png") \
    S(SK_MAINFORM_PAGE2_BUTTON_Delete_PicDisabled, "btnDelete_Disabled.png") \
    S(SK_MAINFORM_PAGE2_BUTTON_Apply_Pos, "15, 112, 135, 41") \
    S(SK_MAINFORM_PAGE2_BUTTON_Apply_PicNormal, "btnApply_Normal.png") \
    S(SK_MAINFORM_PAGE2_BUTTON_Apply_PicMouseHover, "btnApply_Hover.png") \
    S(SK_MAINFORM_PAGE2_BUTTON_Apply_PicMouseDown, "btnApply_Down.png") \
    S(SK_MAINFORM_PAGE2_BUTTON_Apply_PicDisabled, "btnApply_Disabled.png") \
    S(SK_PROGRESSFORM_ImageBG_Pic, "img_ProgressBar.png")

// Section "RegistryForm", after "MainForm".
#define VELMORA_SKIN_REGISTRYFORM(S) \
    S(SK_ABOUTFORM_IMGABOUT_POS, "10, 11, 125, 278") \
    S(SK_ABOUTFORM_IMGABOUT_Pic, "img_About.png") \
    S(SK_ABOUTFORM_LABEL_ProductTitle_Pos, "152,11, 312, 33") \
    S(SK_ABOUTFORM_LABLE_CopyRight_Pos, "152,40,280,16") \
    S(SK_ABOUTFORM_LINKLABEL_WebOnline_Pos, "152,162,280,13") \
    S(SK_ABOUTFORM_LINKLABEL_SupportEmail_Pos, "152,184,280,13") \
    S(SK_ABOUTFORM_LABEL_Warning_Pos, "152,206,288,100") \
    S(SK_ABOUTFORM_PANEL_AboutH1_Pos, "152,68,280,2") \
    S(SK_ABOUTFORM_PANEL_AboutH2_Pos, "152,150,280,2") \
    S(SK_ABOUTFORM_PANEL_AboutH3_Pos, "12,308,452,2") \
    S(SK_ABOUTFORM_BUTTON_Ok_Pos, "344,316,98,25") \
    S(SK_SPLASHFORM_LABEL_CopyrightInfo_Pos, "147, 152, 350, 65") \
    S(SK_SPLASHFORM_IMAGE_CHARGE, "img_Splash.png")

#define VELMORA_DECLARE_STRING(id, ...) extern std::string id;
VELMORA_SKIN_MAINFORM(VELMORA_DECLARE_STRING)
VELMORA_SKIN_REGISTRYFORM(VELMORA_DECLARE_STRING)
#undef VELMORA_DECLARE_STRING

struct TSkinEntry {
    const char* Section;
    const char* Key;
    std::string* Text;
    const char* Default;
};

// Both sections' keys in file order, "MainForm" first.
std::span<const TSkinEntry> SkinEntries();

// Reads SkinPath into the strings as stored (neither trimmed nor decoded by us); a missing
// file is first written from the defaults. False when the file could not be written or read.
bool LoadSkin();
// Writes every key with the current text into SkinPath; false at the first failed write.
bool WriteDefaultSkin();

// Like ResetLanguageDefaults, for tests.
void ResetSkinDefaults();

// How a failed write of the missing skin file reaches the user. Start-up points it at the
// application object's message box (application title, error icon, OK); until then it is
// the same system message box as LanguageErrorBox. The text is always the built-in English
// one, since the skin is read before any language file.
extern TLoadErrorBox SkinErrorBox;
