// The main window: a borderless skinned frame with menu buttons, two pages switched by the
// tab buttons (the program list and the startup items) and a status line.
//
// The code is split by concern over files sharing this header: frmMain.cpp (the frame and
// the commands that start other programs), frmMainProgramList.cpp (the program list page),
// frmMainStartup.cpp (the startup items page), frmMainCommands.cpp (details, comment,
// registry, backup, report and about commands), frmMainSkin.cpp (skin and language applied
// to the window) and frmMainUninstall.cpp (the uninstall, the screen-saver deletion and the
// leftover scan offered afterwards).
#pragma once
#include "app/frmScanRemains.h"
#include "framework/ActnList.h"
#include "framework/ComCtrls.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TArButton;
class TFcCheckBox;
class TFcGroupBox;
class TFcPageControl;
class TFcSizePanel;
class TFcTabSheet;
class TProgramList;
class TskImagePanel;
class TskPopupMenu;
class TskURLLabel;
class TDetailsForm;
class TStartupList;

// ---- Program list rows -----------------------------------------------------------------
// A row's data says what the row stands for: a program entry (its index for the component's
// Item) or a screen saver (its index for the ScreenSaver* readers). The caption's "[...]"
// prefix is only for the eye: a program may well be named "[Beta] Tool".

enum class TProgramRowKind { rkProgram, rkScreenSaver };
using enum TProgramRowKind;

struct TProgramRow {
    TProgramRowKind Kind = rkProgram;
    int Index = -1;
};

intptr_t ProgramRowData(TProgramRowKind kind, int index);
// The row a list item stands for; Index -1 for nullptr.
TProgramRow ProgramRowOf(const TListItem* item);

// ---- Pure pieces of the program list page, kept apart for tests -------------------------

// "[Screen Saver]Name": the bracketed label, then the display name or, without one, the
// file name.
std::string ScreenSaverCaption(const std::string& displayName, const std::string& fileName);
// "total (Windows Updates: patches, Screen Saver: savers)", hidden rows counted.
std::string ProgramCountTextOf(int total, int patches, int screenSavers);
// The word for how often a program is used: below 3, 3 to 10, 11 and above.
std::string UsageFrequencyWord(unsigned long usageCount);
// A cell's text as the sort compares it: right-aligned to at least 10 characters.
std::string SortPadded(const std::string& text);
// The order of two rows for column (0: captions; c > 0: sub-item c - 1, padded), case
// ignored; negated when descending.
int CompareRowTexts(const std::string& a, const std::string& b, int column, bool ascending);
// The first row from start on whose caption holds text (case ignored); -1 when none. Does
// not wrap around.
int FindRowFrom(const std::vector<std::string>& captions, int start, const std::string& text);

// A language file found in the Langs folder: the menu caption is the name up to its first
// dot, checked when the file is the one in use.
struct TLanguageChoice {
    std::string Caption;
    bool Checked = false;
};
// Every "*.ini" file of dir (folders skipped), in the order the system lists them.
std::vector<TLanguageChoice> ListLanguageFiles(const std::string& dir, const std::string& currentLanguagePath);

// How the window asks the shell to open a program, document, folder or address ("Open" verb,
// no working folder). Tests install their own to see what would be opened; an empty one
// restores the shell. Returns the previous one.
// The file and its parameters are handed on exactly (wide): a folder's name may hold what
// the code page can't.
using TShellOpener = std::function<void(HWND owner, const std::wstring& file, const std::wstring& parameters, int show)>;
TShellOpener SetShellOpener(TShellOpener opener);
void ShellOpen(HWND owner, const std::wstring& file, const std::wstring& parameters, int show);

// ---- Globals of the unit -----------------------------------------------------------------

extern unsigned long SystemPatchCount;  // entries marked as patches in the last fill, hidden or not
extern std::string ProgramCountText;    // the count text of the last fill
extern bool SortAscending;              // direction of the next column sort
extern int SortColumn;                  // column of the last sort
extern int SearchStartIndex;            // row where the next search starts
extern bool ProgramListNarrow;          // the program list has its normal width
extern bool StartupListNarrow;          // the startup list has its normal width
extern bool DisableAllNext;             // the next Disable All click unchecks every startup row
extern TDetailsForm* DetailsFormInstance;

class TMainForm : public TForm {
    DECLARE_CLASS(TMainForm, TForm)
    explicit TMainForm(TComponent* AOwner);
    ~TMainForm() override;

    // The uninstall worker's report (WParam 1: the wait ended, 0: the command did not start).
    static constexpr UINT UninstallDoneMessage = WM_USER + 100;

    // --- components of the layout
    TImage* imgBackGround = nullptr;
    TArButton* btnHelpContent = nullptr;
    TArButton* btnMin = nullptr;
    TArButton* btnClose = nullptr;
    TArButton* btnFile = nullptr;
    TArButton* btnView = nullptr;
    TArButton* btnTools = nullptr;
    TArButton* btnHelp = nullptr;
    TArButton* btnProgramList = nullptr;
    TArButton* btnStartupItemList = nullptr;
    TFcPageControl* PageControl = nullptr;
    TFcTabSheet* tsProgramList = nullptr;
    TListView* lsvProgramList = nullptr;
    TFcSizePanel* SizePanelPL = nullptr;
    TskImagePanel* imgPanelP = nullptr;
    TArButton* btnUninstall = nullptr;
    TArButton* btnShowDetails = nullptr;
    TArButton* btnRefresh = nullptr;
    TFcGroupBox* grbSearch = nullptr;
    TLabel* lblSearchTitle = nullptr;
    TEdit* txtSearchInfo = nullptr;
    TArButton* btnSearch = nullptr;
    TFcCheckBox* ckbHidePatch = nullptr;
    TFcCheckBox* ckbHideScr = nullptr;
    TFcTabSheet* tsStartupItems = nullptr;
    TListView* lsvStartupList = nullptr;
    TFcSizePanel* SizePanelSI = nullptr;
    TskImagePanel* imgPanelS = nullptr;
    TArButton* btnSelectAll = nullptr;
    TArButton* btnDelete = nullptr;
    TArButton* btnApply = nullptr;
    TFcGroupBox* grbItemInfo = nullptr;
    TLabel* lblPublisher = nullptr;
    TLabel* lblPublisherValue = nullptr;
    TLabel* lblVersion = nullptr;
    TLabel* lblVersionValue = nullptr;
    TLabel* lblDes = nullptr;
    TLabel* lblDescription = nullptr;
    TLabel* lblPrograms = nullptr;
    TLabel* lblProgramCounts = nullptr;
    TLabel* lblRegName = nullptr;
    TLabel* lblRegistryName = nullptr;
    TskURLLabel* lblProgramURL = nullptr;
    TEdit* txtHide = nullptr;

    TProgramList* ProgramList = nullptr;
    TSaveDialog* SaveDialog = nullptr;
    TOpenDialog* OpenDialog = nullptr;
    TActionList* ActionList = nullptr;
    TAction* ActionHelpContent = nullptr;
    TAction* ActionMin = nullptr;
    TAction* ActionExit = nullptr;
    TAction* ActionOnlineRes = nullptr;
    TAction* ActionContact = nullptr;
    TAction* ActionAbout = nullptr;
    TAction* ActionTabProgramList = nullptr;
    TAction* ActionTabStartupItems = nullptr;
    TAction* ActionAddNew = nullptr;
    TAction* ActionExportReg = nullptr;
    TAction* ActionReloadReg = nullptr;
    TAction* ActionCreateBackup = nullptr;
    TAction* ActionExporetList = nullptr;
    TAction* ActionGrid = nullptr;
    TAction* ActionInfoTips = nullptr;
    TAction* ActionViewIcon = nullptr;
    TAction* ActionViewList = nullptr;
    TAction* ActionViewReport = nullptr;
    TAction* ActionRefresh = nullptr;
    TAction* ActionComment = nullptr;
    TAction* ActionRegedit = nullptr;
    TAction* ActionWinUpdate = nullptr;
    TAction* ActionWinServices = nullptr;
    TAction* ActionWinComponents = nullptr;
    TAction* ActionUninstall = nullptr;
    TAction* ActionDeleteScr = nullptr;
    TAction* ActionClearIt = nullptr;
    TAction* ActionShowDetails = nullptr;
    TAction* ActionSearch = nullptr;
    TAction* ActionHideSysPatch = nullptr;
    TAction* ActionHideScr = nullptr;
    TAction* ActionApply = nullptr;
    TAction* ActionDelete = nullptr;
    TAction* ActionSelectAll = nullptr;
    TAction* ActionAddItem = nullptr;

    TskPopupMenu* pmFile = nullptr;
    TMenuItem* mItemAddProgram = nullptr;
    TMenuItem* mItemExportRegInfo = nullptr;
    TMenuItem* mItemReloadReg = nullptr;
    TMenuItem* mItemBackup = nullptr;
    TMenuItem* mItemExportList = nullptr;
    TMenuItem* mItemExit = nullptr;
    TskPopupMenu* pmView = nullptr;
    TMenuItem* mItemGrid = nullptr;
    TMenuItem* mItemInfoTips = nullptr;
    TMenuItem* mItemViewIcon = nullptr;
    TMenuItem* mItemViewList = nullptr;
    TMenuItem* mItemViewReport = nullptr;
    TMenuItem* mItemRefresh = nullptr;
    TMenuItem* mItemLanguages = nullptr;
    TskPopupMenu* pmTools = nullptr;
    TMenuItem* mItemComment = nullptr;
    TMenuItem* mItemRegedit = nullptr;
    TMenuItem* mItemUpdates = nullptr;
    TMenuItem* mItemServices = nullptr;
    TMenuItem* mItemComponents = nullptr;
    TskPopupMenu* pmHelp = nullptr;
    TMenuItem* mItemHelpContent = nullptr;
    TMenuItem* mItemOnlineRes = nullptr;
    TMenuItem* mItemContact = nullptr;
    TMenuItem* mItemAbout = nullptr;
    TskPopupMenu* pmPLRightClick = nullptr;
    TMenuItem* mItemUninstall = nullptr;
    TMenuItem* mItemAddComments = nullptr;
    TMenuItem* mItemEditEntryReg = nullptr;
    TMenuItem* mItemExportReg = nullptr;
    TMenuItem* mItemShowDetails = nullptr;
    TMenuItem* mItemView = nullptr;
    TMenuItem* mItemIcon = nullptr;
    TMenuItem* mItemList = nullptr;
    TMenuItem* mItemReport = nullptr;
    TskPopupMenu* pmSLRightClick = nullptr;
    TMenuItem* mItemAddEntry = nullptr;
    TMenuItem* mItemDeleteEntry = nullptr;
    TMenuItem* mItemRefreshSI = nullptr;

    // The details window's program selector (set with the details window); the fill keeps
    // it in step with the program rows while there is one.
    TCustomComboBoxEx* ProgramSelector = nullptr;
    // The startup page's rows and the items behind them (made by FormCreate).
    std::unique_ptr<TStartupList> StartupList;

    // --- frame and commands (frmMain.cpp)
    void FormCreate(TObject* Sender);
    void btnFileClick(TObject* Sender);
    void imgBackGroundMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void SizePanelPLHotSpotClick(TObject* Sender);
    void SizePanelSIHotSpotClick(TObject* Sender);
    void ActionExitExecute(TObject* Sender);
    void ActionMinExecute(TObject* Sender);
    void ActionTabProgramListExecute(TObject* Sender);
    void ActionTabStartupItemsExecute(TObject* Sender);
    void ActionAddNewExecute(TObject* Sender);
    void ActionWinServicesExecute(TObject* Sender);
    void ActionWinComponentsExecute(TObject* Sender);
    void ActionWinUpdateExecute(TObject* Sender);
    void ActionHelpContentExecute(TObject* Sender);
    void ActionOnlineResExecute(TObject* Sender);
    void ActionContactExecute(TObject* Sender);
    void SelectLanguage(TObject* Sender);
    void BuildLanguageMenu();
    void TrimWorkingSet();
    // Lays the status line out left to right from lblPrograms.
    void LayoutStatusLine();

    // --- the program list page (frmMainProgramList.cpp)
    void FillProgramList();
    void SetupListColumns();
    void lsvProgramListCustomDrawSubItem(TCustomListView* Sender, TListItem* Item, int SubItem, TCustomDrawState State,
                                         bool& DefaultDraw);
    void lsvProgramListMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void lsvProgramListMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void lsvProgramListInfoTip(TObject* Sender, TListItem* Item, std::string& InfoTip);
    void lsvProgramListColumnClick(TObject* Sender, TListColumn* Column);
    void lsvProgramListSelectItem(TObject* Sender, TListItem* Item, bool Selected);
    void ActionSearchExecute(TObject* Sender);
    void txtSearchInfoChange(TObject* Sender);
    void ActionHideSysPatchExecute(TObject* Sender);
    void ActionHideScrExecute(TObject* Sender);
    void ActionViewIconExecute(TObject* Sender);
    void ActionViewListExecute(TObject* Sender);
    void ActionViewReportExecute(TObject* Sender);
    void ActionGridExecute(TObject* Sender);
    void ActionInfoTipsExecute(TObject* Sender);
    void ActionRefreshExecute(TObject* Sender);
    // The next row from SearchStartIndex whose caption holds text; -1 when none.
    int FindNextProgramRow(const std::string& text);

    // --- skin and language (frmMainSkin.cpp)
    void ApplySkinToMainForm();
    void ApplyLanguageToMainForm();

    // --- the startup items page (frmMainStartup.cpp)
    void ActionApplyExecute(TObject* Sender);
    void ActionDeleteExecute(TObject* Sender);
    void ActionSelectAllExecute(TObject* Sender);
    void ActionAddItemExecute(TObject* Sender);
    void lsvStartupListSelectItem(TObject* Sender, TListItem* Item, bool Selected);
    void lsvStartupListMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    // Refills the startup list from the registry and the Startup folders.
    void FillStartupList();

    // --- commands on the selected entry and on the whole list (frmMainCommands.cpp)
    void ActionShowDetailsExecute(TObject* Sender);
    void ActionCommentExecute(TObject* Sender);
    void ActionExportRegExecute(TObject* Sender);
    void ActionReloadRegExecute(TObject* Sender);
    void ActionRegeditExecute(TObject* Sender);
    void ActionAboutExecute(TObject* Sender);
    void ActionCreateBackupExecute(TObject* Sender);
    void ActionExporetListExecute(TObject* Sender);
    // Creates the details window, kept while this window lives.
    void CreateDetailsWindow();

    // --- the uninstall and the screen-saver deletion (frmMainUninstall.cpp)
    void ActionUninstallExecute(TObject* Sender);
    void ActionDeleteScrExecute(TObject* Sender);
    void ActionClearItExecute(TObject* Sender);
    void WMUninstallDone(TMessage& Message);

    void WndProc(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    static void Publish(TClassBuilder<TMainForm>& b);

protected:
    void Destroying() override;

private:
    static void PublishControls(TClassBuilder<TMainForm>& b);
    static void PublishActions(TClassBuilder<TMainForm>& b);
    static void PublishMenus(TClassBuilder<TMainForm>& b);
    static void PublishHandlers(TClassBuilder<TMainForm>& b);
    static void PublishStartupHandlers(TClassBuilder<TMainForm>& b);
    static void PublishCommandHandlers(TClassBuilder<TMainForm>& b);
    static void PublishUninstallHandlers(TClassBuilder<TMainForm>& b);
    void UseSystemImageLists();
    void AddScreenSaverRow(LONG index);
    // Starts the uninstall of a program row's entry and hands the report's target over.
    void StartUninstall(TListItem* selected);
    // The row's folder exactly as the component gives it: the program's install folder or
    // the screen saver's folder.
    std::wstring RowFolder(const TListItem* row);
    void SkinProgramListPage();
    void SkinStartupItemsPage();
    void ApplyLanguageToMenus();
    void ApplyLanguageToProgramListPage();
    void ApplyLanguageToStartupItemsPage();
    // Each check box's action shows the flag it stands for.
    void CheckHideActionsFromFlags();
    void SetViewStyleChecks(TViewStyle style);
    void ShowProgramRowCommands(bool programRow);
    void ShowProgramEntryStatus(TListItem* item);
    // The Directory cell's rectangle of a row; empty without a window or in the icon and
    // list views.
    TRect DirectoryCell(TListItem* item) const;
    bool ShowsColumns() const;

    // Offers the leftover scan for each uninstall report, one at a time, then refills.
    TUninstallReports UninstallReports{this, [this] { FillProgramList(); }};
};

// The main window, reached by the other windows and by the uninstall thread.
extern TMainForm* MainFormInstance;
