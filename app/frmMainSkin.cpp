// The skin's bounds and pictures and the language's texts carried into the main window.
#include "app/StartupList.h"
#include "app/frmMain.h"
#include "app/funUtils.h"
#include "app/multiLangs.h"
#include "app/multiSkins.h"
#include "controls/framed/FcPanel.h"
#include "controls/framed/FcRadChk.h"
#include "controls/framed/FcSplit.h"
#include "controls/framed/FcTabs.h"
#include "controls/skinned/ArButton.h"
#include "controls/skinned/SkImagePanel.h"

namespace {

// A picture button's bounds and its four state pictures.
void SkinButton(TArButton* button, const std::string& bounds, const std::string& normal, const std::string& hover,
                const std::string& down, const std::string& disabled) {
    ApplyRectText(button, bounds);
    LoadSkinPicNormal(button, normal);
    LoadSkinPicMouseHover(button, hover);
    LoadSkinPicMouseDown(button, down);
    LoadSkinPicDisabled(button, disabled);
}

// A client of an action that toggles its Checked takes the action's caption again at every
// toggle: the action carries the same text, so the caption stays in the current language.
template <class TClient>
void CaptionWithAction(TClient* client, TAction* action, const std::string& text) {
    action->SetCaption(text);
    client->SetCaption(text);
}

} // namespace

void TMainForm::ApplySkinToMainForm() {
    try {
        ApplyRectText(this, SK_MAINFORM_Pos);
        LoadSkinPicture(imgBackGround->Picture(), SK_MAINFORM_PicBackGround);
        SkinButton(btnMin, SK_MAINFORM_BUTTON_Min_Pos, SK_MAINFORM_BUTTON_Min_PicNormal,
                   SK_MAINFORM_BUTTON_Min_PicMouseHover, SK_MAINFORM_BUTTON_Min_PicMouseDown,
                   SK_MAINFORM_BUTTON_Min_PicDisabled);
        SkinButton(btnHelpContent, SK_MAINFORM_BUTTON_HelpContent_Pos, SK_MAINFORM_BUTTON_HelpContent_PicNormal,
                   SK_MAINFORM_BUTTON_HelpContent_PicMouseHover, SK_MAINFORM_BUTTON_HelpContent_PicMouseDown,
                   SK_MAINFORM_BUTTON_HelpContent_PicDisabled);
        SkinButton(btnClose, SK_MAINFORM_BUTTON_Close_Pos, SK_MAINFORM_BUTTON_Close_PicNormal,
                   SK_MAINFORM_BUTTON_Close_PicMouseHover, SK_MAINFORM_BUTTON_Close_PicMouseDown,
                   SK_MAINFORM_BUTTON_Close_PicDisabled);
        SkinButton(btnFile, SK_MAINFORM_BUTTON_File_Pos, SK_MAINFORM_BUTTON_File_PicNormal,
                   SK_MAINFORM_BUTTON_File_PicMouseHover, SK_MAINFORM_BUTTON_File_PicMouseDown,
                   SK_MAINFORM_BUTTON_File_PicDisabled);
        SkinButton(btnView, SK_MAINFORM_BUTTON_View_Pos, SK_MAINFORM_BUTTON_View_PicNormal,
                   SK_MAINFORM_BUTTON_View_PicMouseHover, SK_MAINFORM_BUTTON_View_PicMouseDown,
                   SK_MAINFORM_BUTTON_View_PicDisabled);
        SkinButton(btnTools, SK_MAINFORM_BUTTON_Tools_Pos, SK_MAINFORM_BUTTON_Tools_PicNormal,
                   SK_MAINFORM_BUTTON_Tools_PicMouseHover, SK_MAINFORM_BUTTON_Tools_PicMouseDown,
                   SK_MAINFORM_BUTTON_Tools_PicDisabled);
        SkinButton(btnHelp, SK_MAINFORM_BUTTON_Help_Pos, SK_MAINFORM_BUTTON_Help_PicNormal,
                   SK_MAINFORM_BUTTON_Help_PicMouseHover, SK_MAINFORM_BUTTON_Help_PicMouseDown,
                   SK_MAINFORM_BUTTON_Help_PicDisabled);
        SkinButton(btnProgramList, SK_MAINFORM_BUTTON_ProgramList_Pos, SK_MAINFORM_BUTTON_ProgramList_PicNormal,
                   SK_MAINFORM_BUTTON_ProgramList_PicMouseHover, SK_MAINFORM_BUTTON_ProgramList_PicMouseDown,
                   SK_MAINFORM_BUTTON_ProgramList_PosDisabled);
        SkinButton(btnStartupItemList, SK_MAINFORM_BUTTON_StartupItems_Pos, SK_MAINFORM_BUTTON_StartupItems_PicNormal,
                   SK_MAINFORM_BUTTON_StartupItems_PicMouseHover, SK_MAINFORM_BUTTON_StartupItems_PicMouseDown,
                   SK_MAINFORM_BUTTON_StartupItems_PosDisabled);
        SkinProgramListPage();
        SkinStartupItemsPage();
    } catch (...) {
        // A bad value ends the skin where it stands: what was applied stays, and the window
        // goes on with the layout's bounds and pictures for the rest.
    }
}

void TMainForm::SkinProgramListPage() {
    ApplyRectText(PageControl, SK_MAINFORM_PAGECONTROL_Pos);
    ApplyRectText(tsProgramList, SK_MAINFORM_PAGE1_Pos);
    ApplyRectText(lsvProgramList, SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos);
    ApplyRectText(SizePanelPL, SK_MAINFORM_PAGE1_SizePanel_Pos);
    ApplyRectText(imgPanelP, SK_MAINFORM_PAGE1_ImgPanel_Pos);
    LoadSkinPicture(imgPanelP->GetPicture(), SK_MAINFORM_PAGE1_ImgPanel_Pic);
    SkinButton(btnUninstall, SK_MAINFORM_PAGE1_BUTTON_Uninstall_Pos, SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicNormal,
               SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicMouseHover, SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicMouseDown,
               SK_MAINFORM_PAGE1_BUTTON_Uninstall_PicDisabled);
    SkinButton(btnShowDetails, SK_MAINFORM_PAGE1_BUTTON_ShowDetails_Pos, SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicNormal,
               SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseHover, SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicMouseDown,
               SK_MAINFORM_PAGE1_BUTTON_ShowDetails_PicDisabled);
    SkinButton(btnRefresh, SK_MAINFORM_PAGE1_BUTTON_Refresh_Pos, SK_MAINFORM_PAGE1_BUTTON_Refresh_PicNormal,
               SK_MAINFORM_PAGE1_BUTTON_Refresh_PicMouseHover, SK_MAINFORM_PAGE1_BUTTON_Refresh_PicMouseDown,
               SK_MAINFORM_PAGE1_BUTTON_Refresh_PicDisabled);
    ApplyRectText(grbSearch, SK_MAINFORM_PAGE1_GROUPBOX_GrbSearch_Pos);
    ApplyRectText(lblSearchTitle, SK_MAINFORM_PAGE1_GROUPBOX_LABEL_Title_Pos);
    ApplyRectText(txtSearchInfo, SK_MAINFORM_PAGE1_GROUPBOX_TEXT_KeyWorld_Pos);
    SkinButton(btnSearch, SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_Pos, SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicNormal,
               SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicMouseHover,
               SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicMouseDown,
               SK_MAINFORM_PAGE1_GROUPBOX_BUTTON_Search_PicDisabled);
    ApplyRectText(ckbHidePatch, SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HidePatch_Pos);
    ApplyRectText(ckbHideScr, SK_MAINFORM_PAGE1_GROUPBOX_CHECKBOX_HideScr_Pos);
}

void TMainForm::SkinStartupItemsPage() {
    ApplyRectText(tsStartupItems, SK_MAINFORM_PAGE2_Pos);
    ApplyRectText(lsvStartupList, SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos);
    ApplyRectText(SizePanelSI, SK_MAINFORM_PAGE2_SizePanel_Pos);
    ApplyRectText(imgPanelS, SK_MAINFORM_PAGE2_ImgPanel_Pos);
    LoadSkinPicture(imgPanelS->GetPicture(), SK_MAINFORM_PAGE2_ImgPanel_Pic);
    ApplyRectText(grbItemInfo, SK_MAINFORM_PAGE2_GROUPBOX_grbItemInfo_Pos);
    ApplyRectText(lblPublisher, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Publisher_Pos);
    ApplyRectText(lblPublisherValue, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_PublisherValue_Pos);
    ApplyRectText(lblVersion, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Version_Pos);
    ApplyRectText(lblVersionValue, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_VersionValue_Pos);
    ApplyRectText(lblDes, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Des_Pos);
    ApplyRectText(lblDescription, SK_MAINFORM_PAGE2_GROUPBOX_LABEL_Description_Pos);
    SkinButton(btnSelectAll, SK_MAINFORM_PAGE2_BUTTON_SelectAll_Pos, SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicNormal,
               SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseHover, SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicMouseDown,
               SK_MAINFORM_PAGE2_BUTTON_SelectAll_PicDisabled);
    SkinButton(btnDelete, SK_MAINFORM_PAGE2_BUTTON_Delete_Pos, SK_MAINFORM_PAGE2_BUTTON_Delete_PicNormal,
               SK_MAINFORM_PAGE2_BUTTON_Delete_PicMouseHover, SK_MAINFORM_PAGE2_BUTTON_Delete_PicMouseDown,
               SK_MAINFORM_PAGE2_BUTTON_Delete_PicDisabled);
    SkinButton(btnApply, SK_MAINFORM_PAGE2_BUTTON_Apply_Pos, SK_MAINFORM_PAGE2_BUTTON_Apply_PicNormal,
               SK_MAINFORM_PAGE2_BUTTON_Apply_PicMouseHover, SK_MAINFORM_PAGE2_BUTTON_Apply_PicMouseDown,
               SK_MAINFORM_PAGE2_BUTTON_Apply_PicDisabled);
}

void TMainForm::ApplyLanguageToMainForm() {
    ApplyLanguageToMenus();
    ApplyLanguageToProgramListPage();
    ApplyLanguageToStartupItemsPage();
}

// The four menu buttons and their menus.
void TMainForm::ApplyLanguageToMenus() {
    btnFile->SetCaption(IDS_MAINFORM_MENU_File);
    mItemAddProgram->SetCaption(IDS_MAINFORM_MENU_FILE_NewProgram);
    mItemExportRegInfo->SetCaption(IDS_MAINFORM_MENU_FILE_ExportRegInfo);
    mItemReloadReg->SetCaption(IDS_MAINFORM_MENU_FILE_ReloadRegInfo);
    mItemBackup->SetCaption(IDS_MAINFORM_MENU_FILE_CreateBackup);
    mItemExportList->SetCaption(IDS_MAINFORM_MENU_FILE_ExportPrmList);
    mItemExit->SetCaption(IDS_MAINFORM_MENU_FILE_Exit);
    btnView->SetCaption(IDS_MAINFORM_MENU_View);
    CaptionWithAction(mItemGrid, ActionGrid, IDS_MAINFORM_MENU_VIEW_Grid);
    CaptionWithAction(mItemInfoTips, ActionInfoTips, IDS_MAINFORM_MENU_VIEW_Tips);
    mItemViewIcon->SetCaption(IDS_MAINFORM_MENU_VIEW_Icon);
    mItemViewList->SetCaption(IDS_MAINFORM_MENU_VIEW_List);
    mItemViewReport->SetCaption(IDS_MAINFORM_MENU_VIEW_Report);
    mItemRefresh->SetCaption(IDS_MAINFORM_MENU_VIEW_Refresh);
    mItemLanguages->SetCaption(IDS_MAINFORM_MENU_VIEW_Languages);
    btnTools->SetCaption(IDS_MAINFORM_MENU_Tools);
    mItemRegedit->SetCaption(IDS_MAINFORM_MENU_TOOLS_Regedit);
    mItemComment->SetCaption(IDS_MAINFORM_MENU_TOOLS_CommentEntry);
    mItemUpdates->SetCaption(IDS_MAINFORM_MENU_TOOLS_WindowsUpdate);
    mItemServices->SetCaption(IDS_MAINFORM_MENU_TOOLS_WindowsServices);
    mItemComponents->SetCaption(IDS_MAINFORM_MENU_TOOLS_WindowsComponents);
    btnHelp->SetCaption(IDS_MAINFORM_MENU_Help);
    mItemHelpContent->SetCaption(IDS_MAINFORM_MENU_HELP_HelpContent);
    mItemOnlineRes->SetCaption(IDS_MAINFORM_MENU_HELP_OnlineRes);
    mItemContact->SetCaption(IDS_MAINFORM_MENU_HELP_Contact);
    mItemAbout->SetCaption(IDS_MAINFORM_MENU_HELP_About);
}

// The program list's tab button, columns, context menu, status line and side bar.
void TMainForm::ApplyLanguageToProgramListPage() {
    btnProgramList->SetHint(IDS_PAGECONTROL_TABSHEETPL_Title);
    lsvProgramList->Column(0)->SetCaption(IDS_LISTVIEW_COLUMNS_Descriptions);
    lsvProgramList->Column(1)->SetCaption(IDS_LISTVIEW_COLUMNS_Publisher);
    lsvProgramList->Column(2)->SetCaption(IDS_LISTVIEW_COLUMNS_Directory);
    mItemUninstall->SetCaption(IDS_LISTVIEW_RIGHTCLICK_Uninstall);
    mItemAddComments->SetCaption(IDS_LISTVIEW_RIGHTCLICK_CommentEntry);
    mItemEditEntryReg->SetCaption(IDS_LISTVIEW_RIGHTCLICK_RegistryEditor);
    mItemExportReg->SetCaption(IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo);
    mItemShowDetails->SetCaption(IDS_LISTVIEW_RIGHTCLICK_ShowDetails);
    mItemView->SetCaption(IDS_LISTVIEW_RIGHTCLICK_View);
    mItemIcon->SetCaption(IDS_LISTVIEW_RIGHTCLICK_ViewIcon);
    mItemList->SetCaption(IDS_LISTVIEW_RIGHTCLICK_ViewList);
    mItemReport->SetCaption(IDS_LISTVIEW_RIGHTCLICK_ViewReport);
    lblPrograms->SetCaption(IDS_STATUSBAR_LABEL_Programs);
    lblRegName->SetCaption(IDS_STATUSBAR_LABEL_RegistryName);
    btnUninstall->SetCaption(IDS_SIDEBAR_BUTTON_Uninstall);
    btnShowDetails->SetCaption(IDS_SIDEBAR_BUTTON_SHOWDETAILS);
    btnRefresh->SetCaption(IDS_SIDEBAR_BUTTON_Refresh);
    grbSearch->SetCaption(IDS_SIDEBAR_GROUPBOX_TITLE_Search);
    lblSearchTitle->SetCaption(IDS_SIDEBAR_GROUPBOX_LABEL_Info);
    btnSearch->SetCaption(IDS_SIDEBAR_GROUPBOX_BUTTON_Search);
    CaptionWithAction(ckbHidePatch, ActionHideSysPatch, IDS_SIDEBAR_CHECKBOX_HideSysPatch);
    CaptionWithAction(ckbHideScr, ActionHideScr, IDS_SIDEBAR_CHECKBOX_HideScr);
}

// The startup list's tab button, columns, context menu and side bar.
void TMainForm::ApplyLanguageToStartupItemsPage() {
    btnStartupItemList->SetHint(IDS_PAGECONTROL_TABSHEETSIL_Title);
    StartupList->SetupColumns();
    mItemAddEntry->SetCaption(IDS_LISTVIEW_RIGHTCLICK_AddItem);
    mItemDeleteEntry->SetCaption(IDS_LISTVIEW_RIGHTCLICK_DeleteItem);
    mItemRefreshSI->SetCaption(IDS_LISTVIEW_RIGHTCLICK_Refresh);
    btnSelectAll->SetCaption(IDS_SIDEBAR_BUTTON_UnSelectAll);
    btnDelete->SetCaption(IDS_SIDEBAR_BUTTON_Delete);
    btnApply->SetCaption(IDS_SIDEBAR_BUTTON_Apply);
    grbItemInfo->SetCaption(IDS_SIDEBAR_GROUPBOX_TITLE_ItemInfo);
    lblPublisher->SetCaption(IDS_SIDEBAR_GROUPBOX_LABEL_Publisher);
    lblVersion->SetCaption(IDS_SIDEBAR_GROUPBOX_LABEL_Version);
    lblDes->SetCaption(IDS_SIDEBAR_GROUPBOX_LABEL_Description);
}
