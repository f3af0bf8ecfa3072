#include "app/frmMain.h"
#include "app/QuorbelLib_TLB.h"
#include "app/StartupList.h"
#include "app/funUtils.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "app/multiSkins.h"
#include "controls/framed/FcPanel.h"
#include "controls/framed/FcRadChk.h"
#include "controls/framed/FcSplit.h"
#include "controls/framed/FcTabs.h"
#include "controls/skinned/ArButton.h"
#include "controls/skinned/SkImagePanel.h"
#include "controls/skinned/SkPopupMenu.h"
#include "controls/skinned/SkURLLabel.h"
#include "framework/IniFiles.h"

#include <shellapi.h>

IMPLEMENT_CLASS(TMainForm);

TMainForm* MainFormInstance = nullptr;
bool ProgramListNarrow = true;
bool StartupListNarrow = true;
bool DisableAllNext = true;
TDetailsForm* DetailsFormInstance = nullptr;

namespace {

const char* const kConfigSection = "config";

TShellOpener& ShellOpener() {
    static TShellOpener opener;
    return opener;
}

// Bounds a status-line label is laid out after.
int RightOf(const TControl* control) { return control->Left() + control->Width(); }

} // namespace

TShellOpener SetShellOpener(TShellOpener opener) {
    TShellOpener previous = std::move(ShellOpener());
    ShellOpener() = std::move(opener);
    return previous;
}

void ShellOpen(HWND owner, const std::wstring& file, const std::wstring& parameters, int show) {
    if (ShellOpener()) {
        ShellOpener()(owner, file, parameters, show);
        return;
    }
    // What the shell answers is not looked at: nothing is reported when a program or document
    // can't be opened.
    ShellExecuteW(owner, L"open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr, show);
}

std::vector<TLanguageChoice> ListLanguageFiles(const std::string& dir, const std::string& currentLanguagePath) {
    std::vector<TLanguageChoice> choices;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "*.ini").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return choices;
    const std::string current = ExtractFileName(currentLanguagePath);
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string name = found.cFileName;
        choices.push_back({name.substr(0, name.find('.')), AnsiSameText(name, current)});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return choices;
}

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner) {}

TMainForm::~TMainForm() = default;

// ---- Publishing -------------------------------------------------------------------------

void TMainForm::Publish(TClassBuilder<TMainForm>& b) {
    PublishControls(b);
    PublishActions(b);
    PublishMenus(b);
    PublishHandlers(b);
}

void TMainForm::PublishControls(TClassBuilder<TMainForm>& b) {
    b.Component("imgBackGround", &TMainForm::imgBackGround);
    b.Component("btnHelpContent", &TMainForm::btnHelpContent);
    b.Component("btnMin", &TMainForm::btnMin);
    b.Component("btnClose", &TMainForm::btnClose);
    b.Component("btnFile", &TMainForm::btnFile);
    b.Component("btnView", &TMainForm::btnView);
    b.Component("btnTools", &TMainForm::btnTools);
    b.Component("btnHelp", &TMainForm::btnHelp);
    b.Component("btnProgramList", &TMainForm::btnProgramList);
    b.Component("btnStartupItemList", &TMainForm::btnStartupItemList);
    b.Component("PageControl", &TMainForm::PageControl);
    b.Component("tsProgramList", &TMainForm::tsProgramList);
    b.Component("lsvProgramList", &TMainForm::lsvProgramList);
    b.Component("SizePanelPL", &TMainForm::SizePanelPL);
    b.Component("imgPanelP", &TMainForm::imgPanelP);
    b.Component("btnUninstall", &TMainForm::btnUninstall);
    b.Component("btnShowDetails", &TMainForm::btnShowDetails);
    b.Component("btnRefresh", &TMainForm::btnRefresh);
    b.Component("grbSearch", &TMainForm::grbSearch);
    b.Component("lblSearchTitle", &TMainForm::lblSearchTitle);
    b.Component("txtSearchInfo", &TMainForm::txtSearchInfo);
    b.Component("btnSearch", &TMainForm::btnSearch);
    b.Component("ckbHidePatch", &TMainForm::ckbHidePatch);
    b.Component("ckbHideScr", &TMainForm::ckbHideScr);
    b.Component("tsStartupItems", &TMainForm::tsStartupItems);
    b.Component("lsvStartupList", &TMainForm::lsvStartupList);
    b.Component("SizePanelSI", &TMainForm::SizePanelSI);
    b.Component("imgPanelS", &TMainForm::imgPanelS);
    b.Component("btnSelectAll", &TMainForm::btnSelectAll);
    b.Component("btnDelete", &TMainForm::btnDelete);
    b.Component("btnApply", &TMainForm::btnApply);
    b.Component("grbItemInfo", &TMainForm::grbItemInfo);
    b.Component("lblPublisher", &TMainForm::lblPublisher);
    b.Component("lblPublisherValue", &TMainForm::lblPublisherValue);
    b.Component("lblVersion", &TMainForm::lblVersion);
    b.Component("lblVersionValue", &TMainForm::lblVersionValue);
    b.Component("lblDes", &TMainForm::lblDes);
    b.Component("lblDescription", &TMainForm::lblDescription);
    b.Component("lblPrograms", &TMainForm::lblPrograms);
    b.Component("lblProgramCounts", &TMainForm::lblProgramCounts);
    b.Component("lblRegName", &TMainForm::lblRegName);
    b.Component("lblRegistryName", &TMainForm::lblRegistryName);
    b.Component("lblProgramURL", &TMainForm::lblProgramURL);
    b.Component("txtHide", &TMainForm::txtHide);
    b.Component("ProgramList", &TMainForm::ProgramList);
    b.Component("SaveDialog", &TMainForm::SaveDialog);
    b.Component("OpenDialog", &TMainForm::OpenDialog);
}

void TMainForm::PublishActions(TClassBuilder<TMainForm>& b) {
    b.Component("ActionList", &TMainForm::ActionList);
    b.Component("ActionHelpContent", &TMainForm::ActionHelpContent);
    b.Component("ActionMin", &TMainForm::ActionMin);
    b.Component("ActionExit", &TMainForm::ActionExit);
    b.Component("ActionOnlineRes", &TMainForm::ActionOnlineRes);
    b.Component("ActionContact", &TMainForm::ActionContact);
    b.Component("ActionAbout", &TMainForm::ActionAbout);
    b.Component("ActionTabProgramList", &TMainForm::ActionTabProgramList);
    b.Component("ActionTabStartupItems", &TMainForm::ActionTabStartupItems);
    b.Component("ActionAddNew", &TMainForm::ActionAddNew);
    b.Component("ActionExportReg", &TMainForm::ActionExportReg);
    b.Component("ActionReloadReg", &TMainForm::ActionReloadReg);
    b.Component("ActionCreateBackup", &TMainForm::ActionCreateBackup);
    b.Component("ActionExporetList", &TMainForm::ActionExporetList);
    b.Component("ActionGrid", &TMainForm::ActionGrid);
    b.Component("ActionInfoTips", &TMainForm::ActionInfoTips);
    b.Component("ActionViewIcon", &TMainForm::ActionViewIcon);
    b.Component("ActionViewList", &TMainForm::ActionViewList);
    b.Component("ActionViewReport", &TMainForm::ActionViewReport);
    b.Component("ActionRefresh", &TMainForm::ActionRefresh);
    b.Component("ActionComment", &TMainForm::ActionComment);
    b.Component("ActionRegedit", &TMainForm::ActionRegedit);
    b.Component("ActionWinUpdate", &TMainForm::ActionWinUpdate);
    b.Component("ActionWinServices", &TMainForm::ActionWinServices);
    b.Component("ActionWinComponents", &TMainForm::ActionWinComponents);
    b.Component("ActionUninstall", &TMainForm::ActionUninstall);
    b.Component("ActionDeleteScr", &TMainForm::ActionDeleteScr);
    b.Component("ActionClearIt", &TMainForm::ActionClearIt);
    b.Component("ActionShowDetails", &TMainForm::ActionShowDetails);
    b.Component("ActionSearch", &TMainForm::ActionSearch);
    b.Component("ActionHideSysPatch", &TMainForm::ActionHideSysPatch);
    b.Component("ActionHideScr", &TMainForm::ActionHideScr);
    b.Component("ActionApply", &TMainForm::ActionApply);
    b.Component("ActionDelete", &TMainForm::ActionDelete);
    b.Component("ActionSelectAll", &TMainForm::ActionSelectAll);
    b.Component("ActionAddItem", &TMainForm::ActionAddItem);
}

void TMainForm::PublishMenus(TClassBuilder<TMainForm>& b) {
    b.Component("pmFile", &TMainForm::pmFile);
    b.Component("mItemAddProgram", &TMainForm::mItemAddProgram);
    b.Component("mItemExportRegInfo", &TMainForm::mItemExportRegInfo);
    b.Component("mItemReloadReg", &TMainForm::mItemReloadReg);
    b.Component("mItemBackup", &TMainForm::mItemBackup);
    b.Component("mItemExportList", &TMainForm::mItemExportList);
    b.Component("mItemExit", &TMainForm::mItemExit);
    b.Component("pmView", &TMainForm::pmView);
    b.Component("mItemGrid", &TMainForm::mItemGrid);
    b.Component("mItemInfoTips", &TMainForm::mItemInfoTips);
    b.Component("mItemViewIcon", &TMainForm::mItemViewIcon);
    b.Component("mItemViewList", &TMainForm::mItemViewList);
    b.Component("mItemViewReport", &TMainForm::mItemViewReport);
    b.Component("mItemRefresh", &TMainForm::mItemRefresh);
    b.Component("mItemLanguages", &TMainForm::mItemLanguages);
    b.Component("pmTools", &TMainForm::pmTools);
    b.Component("mItemComment", &TMainForm::mItemComment);
    b.Component("mItemRegedit", &TMainForm::mItemRegedit);
    b.Component("mItemUpdates", &TMainForm::mItemUpdates);
    b.Component("mItemServices", &TMainForm::mItemServices);
    b.Component("mItemComponents", &TMainForm::mItemComponents);
    b.Component("pmHelp", &TMainForm::pmHelp);
    b.Component("mItemHelpContent", &TMainForm::mItemHelpContent);
    b.Component("mItemOnlineRes", &TMainForm::mItemOnlineRes);
    b.Component("mItemContact", &TMainForm::mItemContact);
    b.Component("mItemAbout", &TMainForm::mItemAbout);
    b.Component("pmPLRightClick", &TMainForm::pmPLRightClick);
    b.Component("mItemUninstall", &TMainForm::mItemUninstall);
    b.Component("mItemAddComments", &TMainForm::mItemAddComments);
    b.Component("mItemEditEntryReg", &TMainForm::mItemEditEntryReg);
    b.Component("mItemExportReg", &TMainForm::mItemExportReg);
    b.Component("mItemShowDetails", &TMainForm::mItemShowDetails);
    b.Component("mItemView", &TMainForm::mItemView);
    b.Component("mItemIcon", &TMainForm::mItemIcon);
    b.Component("mItemList", &TMainForm::mItemList);
    b.Component("mItemReport", &TMainForm::mItemReport);
    b.Component("pmSLRightClick", &TMainForm::pmSLRightClick);
    b.Component("mItemAddEntry", &TMainForm::mItemAddEntry);
    b.Component("mItemDeleteEntry", &TMainForm::mItemDeleteEntry);
    b.Component("mItemRefreshSI", &TMainForm::mItemRefreshSI);
}

void TMainForm::PublishHandlers(TClassBuilder<TMainForm>& b) {
    b.Handler("FormCreate", &TMainForm::FormCreate);
    b.Handler("btnFileClick", &TMainForm::btnFileClick);
    b.Handler("imgBackGroundMouseDown", &TMainForm::imgBackGroundMouseDown);
    b.Handler("SizePanelPLHotSpotClick", &TMainForm::SizePanelPLHotSpotClick);
    b.Handler("SizePanelSIHotSpotClick", &TMainForm::SizePanelSIHotSpotClick);
    b.Handler("ActionExitExecute", &TMainForm::ActionExitExecute);
    b.Handler("ActionMinExecute", &TMainForm::ActionMinExecute);
    b.Handler("ActionTabProgramListExecute", &TMainForm::ActionTabProgramListExecute);
    b.Handler("ActionTabStartupItemsExecute", &TMainForm::ActionTabStartupItemsExecute);
    b.Handler("ActionAddNewExecute", &TMainForm::ActionAddNewExecute);
    b.Handler("ActionWinServicesExecute", &TMainForm::ActionWinServicesExecute);
    b.Handler("ActionWinComponentsExecute", &TMainForm::ActionWinComponentsExecute);
    b.Handler("ActionWinUpdateExecute", &TMainForm::ActionWinUpdateExecute);
    b.Handler("ActionHelpContentExecute", &TMainForm::ActionHelpContentExecute);
    b.Handler("ActionOnlineResExecute", &TMainForm::ActionOnlineResExecute);
    b.Handler("ActionContactExecute", &TMainForm::ActionContactExecute);
    b.Handler("lsvProgramListCustomDrawSubItem", &TMainForm::lsvProgramListCustomDrawSubItem);
    b.Handler("lsvProgramListMouseMove", &TMainForm::lsvProgramListMouseMove);
    b.Handler("lsvProgramListMouseDown", &TMainForm::lsvProgramListMouseDown);
    b.Handler("lsvProgramListInfoTip", &TMainForm::lsvProgramListInfoTip);
    b.Handler("lsvProgramListColumnClick", &TMainForm::lsvProgramListColumnClick);
    b.Handler("lsvProgramListSelectItem", &TMainForm::lsvProgramListSelectItem);
    b.Handler("ActionSearchExecute", &TMainForm::ActionSearchExecute);
    b.Handler("txtSearchInfoChange", &TMainForm::txtSearchInfoChange);
    b.Handler("ActionHideSysPatchExecute", &TMainForm::ActionHideSysPatchExecute);
    b.Handler("ActionHideScrExecute", &TMainForm::ActionHideScrExecute);
    b.Handler("ActionViewIconExecute", &TMainForm::ActionViewIconExecute);
    b.Handler("ActionViewListExecute", &TMainForm::ActionViewListExecute);
    b.Handler("ActionViewReportExecute", &TMainForm::ActionViewReportExecute);
    b.Handler("ActionGridExecute", &TMainForm::ActionGridExecute);
    b.Handler("ActionInfoTipsExecute", &TMainForm::ActionInfoTipsExecute);
    b.Handler("ActionRefreshExecute", &TMainForm::ActionRefreshExecute);
    PublishStartupHandlers(b);
    PublishCommandHandlers(b);
    PublishUninstallHandlers(b);
}

// ---- Window creation ----------------------------------------------------------------------

void TMainForm::FormCreate(TObject*) {
    ProgramListNarrow = true;
    StartupListNarrow = true;
    DisableAllNext = true;
    SearchStartIndex = 0;
    lblProgramURL->SetCaption("");
    lblProgramURL->SetURL("");
    lblProgramURL->SetFontHoverColor(clBtnFace);
    lblProgramURL->SetFontLinkColor(clAqua);
    PageControl->SetActivePageIndex(0);
    CreateDetailsWindow();
    UseSystemImageLists();
    StartupList = std::make_unique<TStartupList>(lsvStartupList);
    SetupListColumns();
    BuildLanguageMenu();
    ApplySkinToMainForm();
    ApplyLanguageToMainForm();
    FillProgramList();
    FillStartupList();
    CheckHideActionsFromFlags();
    TrimWorkingSet();
}

// The component's icon numbers index the system's image lists.
void TMainForm::UseSystemImageLists() {
    const std::string folder = GetWindowsFolder();
    SHFILEINFOA info{};
    auto small = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA(folder.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    auto large = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(folder.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX));
    HWND list = lsvProgramList->Handle();
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
}

void TMainForm::CheckHideActionsFromFlags() {
    if (HideSysPatchFlag) ActionHideSysPatch->SetChecked(true);
    if (HideScreenSaverFlag) ActionHideScr->SetChecked(true);
}

void TMainForm::TrimWorkingSet() {
    // The high bit of the version is set on the old non-NT systems only.
    if ((GetVersion() & 0x80000000u) == 0)
        SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    Application->ProcessMessages();
}

// ---- The language menu -------------------------------------------------------------------

void TMainForm::BuildLanguageMenu() {
    for (const TLanguageChoice& choice : ListLanguageFiles(LangsDir, LanguagePath)) {
        auto* item = new TMenuItem(this);
        item->SetCaption(choice.Caption);
        // The caption is the file name's stem exactly: SelectLanguage makes the name from it.
        item->SetAutoHotkeys(maManual);
        item->SetChecked(choice.Checked);
        item->OnClick = [this](TObject* sender) { SelectLanguage(sender); };
        mItemLanguages->Add(item);
    }
}

void TMainForm::SelectLanguage(TObject* Sender) {
    try {
        auto* chosen = dynamic_cast<TMenuItem*>(Sender);
        if (!chosen) return;
        const std::string name = chosen->GetCaption() + ".ini";
        if (!FileExists(LangsDir + name)) return;
        LanguagePath = LangsDir + name;
        for (int i = 0; i < mItemLanguages->Count(); ++i) mItemLanguages->Items(i)->SetChecked(false);
        chosen->SetChecked(true);
        TIniFile(ConfigPath).WriteString(kConfigSection, "LanguageFile", name);
        LoadLanguage();
        ApplyLanguageToMainForm();
        LayoutStatusLine();
    } catch (...) {
        // A language that can't be switched to leaves the window as it was.
    }
}

void TMainForm::LayoutStatusLine() {
    lblProgramCounts->SetLeft(RightOf(lblPrograms) + 5);
    lblRegName->SetLeft(RightOf(lblProgramCounts) + 10);
    lblRegistryName->SetLeft(RightOf(lblRegName) + 5);
    lblProgramURL->SetLeft(RightOf(lblRegistryName) + 10);
}

// ---- The frame ------------------------------------------------------------------------------

void TMainForm::btnFileClick(TObject* Sender) {
    auto* button = dynamic_cast<TControl*>(Sender);
    if (!button) return;
    TPoint corner = ClientToScreen(TPoint(button->Left(), button->Top() + button->Height()));
    if (auto* menu = dynamic_cast<TPopupMenu*>(button->GetPopupMenu())) menu->PopupFor(button, corner.X, corner.Y);
    // The click moves the focus off the menu button, which would otherwise stay pressed.
    if (txtHide->HandleAllocated()) {
        PostMessageA(txtHide->WindowHandle(), WM_LBUTTONDOWN, 0, 0);
        PostMessageA(txtHide->WindowHandle(), WM_LBUTTONUP, 0, 0);
    }
}

void TMainForm::imgBackGroundMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    ReleaseCapture();
    // SC_MOVE with HTCAPTION: the system's own move loop, as a drag of a caption would start.
    SendMessageA(Handle(), WM_SYSCOMMAND, 0xF012, 0);
}

void TMainForm::SizePanelPLHotSpotClick(TObject*) {
    ApplyRectText(lsvProgramList, ProgramListNarrow ? SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_FullPos
                                                    : SK_MAINFORM_PAGE1_LISTVIEW_ProgramList_Pos);
    ProgramListNarrow = !ProgramListNarrow;
}

void TMainForm::SizePanelSIHotSpotClick(TObject*) {
    ApplyRectText(lsvStartupList, StartupListNarrow ? SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_FullPos
                                                    : SK_MAINFORM_PAGE2_LISTVIEW_StartupItemsList_Pos);
    StartupListNarrow = !StartupListNarrow;
}

void TMainForm::ActionExitExecute(TObject*) {
    try {
        TIniFile ini(ConfigPath);
        ini.WriteBool(kConfigSection, "HideSysPatch", ckbHidePatch->GetChecked());
        ini.WriteBool(kConfigSection, "HideScreenSaver", ckbHideScr->GetChecked());
    } catch (...) {
        // Said, then closed all the same: a window that can't be closed helps nobody.
        Application->HandleException(this);
    }
    Close();
}

void TMainForm::ActionMinExecute(TObject*) { Application->Minimize(); }

// ---- The pages ------------------------------------------------------------------------------

void TMainForm::ActionTabProgramListExecute(TObject*) {
    PageControl->SetActivePageIndex(0);
    lblPrograms->SetCaption(IDS_STATUSBAR_LABEL_Programs);
    lblProgramCounts->SetLeft(RightOf(lblPrograms) + 5);
    lblProgramCounts->SetCaption(ProgramCountText);
    btnProgramList->SetEnabled(false);
    btnStartupItemList->SetEnabled(true);
    lblProgramCounts->Show();
    lblPrograms->Show();
    for (TMenuItem* item : {mItemViewIcon, mItemViewList, mItemViewReport, mItemExportRegInfo}) item->SetVisible(true);
}

void TMainForm::ActionTabStartupItemsExecute(TObject*) {
    FillStartupList();
    PageControl->SetActivePageIndex(1);
    for (TControl* label : std::initializer_list<TControl*>{lblProgramURL, lblRegName, lblRegistryName,
                                                            lblProgramCounts, lblPrograms})
        label->Hide();
    for (TMenuItem* item : {mItemViewIcon, mItemViewList, mItemViewReport, mItemExportRegInfo}) item->SetVisible(false);
    // The last row decides; an empty list leaves the button as it was.
    TListItems* rows = lsvStartupList->Items();
    for (int i = 0; i < rows->Count(); ++i) {
        DisableAllNext = rows->Item(i)->Checked();
        btnSelectAll->SetCaption(DisableAllNext ? IDS_SIDEBAR_BUTTON_UnSelectAll : IDS_SIDEBAR_BUTTON_SelectAll);
    }
    btnDelete->SetEnabled(false);
    btnStartupItemList->SetEnabled(false);
    btnProgramList->SetEnabled(true);
    mItemComment->SetEnabled(false);
    mItemRegedit->SetEnabled(false);
}

// ---- Commands that start other programs -----------------------------------------------------

void TMainForm::ActionAddNewExecute(TObject*) {
    try {
        // The shell's Run dialog is exported by ordinal only.
        using TRunFileDlg = void(WINAPI*)(HWND, HICON, LPCWSTR, LPCWSTR, LPCWSTR, UINT);
        HMODULE shell = GetModuleHandleA("shell32.dll");
        if (!shell) return;
        auto run = reinterpret_cast<TRunFileDlg>(reinterpret_cast<void*>(GetProcAddress(shell, MAKEINTRESOURCEA(61))));
        if (!run) return;
        HICON icon = Icon()->Empty() ? nullptr : Icon()->Handle();
        const std::wstring title = ToWide(IDS_MAINFORM_MENU_FILE_NewProgram);
        run(Handle(), icon, nullptr, title.c_str(), nullptr, 2);
    } catch (...) {
        // Like a shell without the dialog: the command offers the shell's window or nothing.
    }
}

void TMainForm::ActionWinServicesExecute(TObject*) { ShellOpen(Handle(), L"Services.msc", L"", SW_SHOW); }

void TMainForm::ActionWinComponentsExecute(TObject*) { ShellOpen(Handle(), L"control.exe", L"Appwiz.cpl ,2", SW_SHOW); }

void TMainForm::ActionWinUpdateExecute(TObject*) { ShellOpen(Handle(), L"control.exe", L"Appwiz.cpl ,1", SW_SHOW); }

void TMainForm::ActionHelpContentExecute(TObject*) { ShellOpen(Handle(), ToWide(HelpPath), L"", SW_SHOWNORMAL); }

void TMainForm::ActionOnlineResExecute(TObject*) { ShellOpen(Handle(), ToWide(ProductUrl), L"", SW_SHOWNORMAL); }

void TMainForm::ActionContactExecute(TObject*) { ShellOpen(Handle(), ToWide("mailto:" + SupportEmail), L"", SW_SHOWNORMAL); }

// ---- Messages -------------------------------------------------------------------------------

void TMainForm::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case UninstallDoneMessage: WMUninstallDone(Message); return;
    default: TForm::WndProc(Message); return;
    }
}
