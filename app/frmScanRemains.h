// The leftover scan: after an uninstaller has run, the window that lists the registry keys
// named like the program's registry key and the files of its install folder, all checked,
// and deletes what stays checked. Also the guards that keep shared keys and system folders
// out of it, and the receiver of the uninstall reports that offers the scan.
#pragma once
#include "app/WaitingThread.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/StdCtrls.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// ---- What may be scanned ---------------------------------------------------------------------

enum class TFolderVerdict {
    fvAllowed,
    fvEmpty,            // empty or blank
    fvRelative,         // not an absolute path with a drive or a server share
    fvMissing,          // no such folder
    fvTooShallow,       // a drive root or a folder right below one
    fvWindows,          // the Windows folder or anything in it, or any folder named WINDOWS
    fvProgramFiles,     // a Program Files or Common Files root
    fvSpecialFolder,    // a profile or known folder of any user, the profiles' folder, or an ancestor
    fvOwnFolder,        // this program's folder, anything in it, or an ancestor of it
    fvNetwork,          // a share, in any spelling, or a drive letter mapped to one
    fvLink,             // the folder is itself a link (junction, symbolic link, mount point)
    fvShared,           // holds another uninstall entry's folder, uninstaller or icon: another program lives there
};

// Decides whether an install folder may be listed (and so deleted). The folder is made
// absolute, its quotes, environment strings, slashes, relative parts, trailing dots and
// blanks, long-path prefix and short names resolved, and compared by whole components
// without regard to case, as given and as the file system resolves it. ownRegistryName is
// the uninstall entry the folder belongs to: every other entry's files make it shared.
// normalised, when given and the folder is allowed, receives the full long path without a
// trailing backslash.
TFolderVerdict CheckInstallFolder(const std::wstring& folder, std::wstring* normalised = nullptr,
                                  const std::wstring& ownRegistryName = L"");

// False for an empty name and for the names that many unrelated programs' keys share
// ("Microsoft", "Windows", "Classes", ...): those get no registry scan.
bool IsScannableRegistryName(const std::wstring& name);

// ---- What was found --------------------------------------------------------------------------

enum class TScanItemKind { skRegKey, skRegValue, skFolder, skFile, skLink };

// Every node of the scan trees points at one of these: deleting works from it, never from the
// node's text, which shows what the code page can show of the exact names kept here.
struct TScanItem {
    TScanItemKind Kind = TScanItemKind::skFile;
    HKEY Root = nullptr;      // registry items
    REGSAM View = 0;          // registry items: KEY_WOW64_64KEY on 64-bit Windows, where
                              // Key names a 32-bit key by its WOW6432Node path
    std::wstring Key;         // registry items: the key's path below Root (a value's own key)
    std::wstring Value;       // values: the value's name ("" is the key's default value)
    std::wstring Path;        // files, folders, links: the full path without a trailing backslash
};

inline TScanItem* ScanItemOf(const TTreeNode* node) { return node ? static_cast<TScanItem*>(node->Data()) : nullptr; }

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" and back; other roots and
// names have no counterpart ("" and nullptr).
std::string RootKeyName(HKEY root);
HKEY RootKeyFromName(const std::string& name);

// ---- The scan ----------------------------------------------------------------------------------

// Fills two node trees with what a target left behind. Every node starts checked.
class TLeftoverScan {
public:
    TLeftoverScan(TTreeNodes* regTree, TTreeNodes* fileTree);

    // Called between steps with the place the scan is at, at most once per StepIntervalMs
    // (0: at every step), and with the last place when the scan ends; false stops the scan.
    std::function<bool(const std::string& place)> OnStep;
    int StepIntervalMs = 0;

    // The four registry branches (unless the registry name is refused), then the install
    // folder (unless the folder guard refuses it).
    void Run(const TUninstallTarget& target);
    // Adds a node per key below root\path named exactly name (case counts) that can be opened
    // for full access, with a node per value; the skip list's paths and everything below
    // them are not searched. On 64-bit Windows the 64-bit view is searched, and with it the
    // 32-bit keys below WOW6432Node.
    void ScanRegistryBranch(HKEY root, const std::wstring& path, const std::wstring& name);
    // Adds a node per entry of folder (hidden and system ones too) under parent, each with its
    // exact name; sub-folders are listed with their entries, links without what they lead to.
    void ScanFolder(const std::wstring& folder, TTreeNode* parent);
    bool Stopped() const { return stopped_; }

private:
    void ScanKey(HKEY parent, const wchar_t* subKey);
    void AddKeyNode(HKEY key, const std::wstring& name);
    void RunBranches(const TUninstallTarget& target);
    // describe(place) writes where the scan is; OnStep hears of it when its time has come.
    template <class F> bool Step(F describe);
    bool ShowPlace(DWORD now);
    TScanItem* NewItem(TScanItem item);

    TTreeNodes* regTree_;
    TTreeNodes* fileTree_;
    std::deque<TScanItem> items_;
    HKEY root_ = nullptr;
    REGSAM view_ = 0;
    std::wstring rootName_;
    std::wstring name_;
    std::wstring path_;   // the key being listed, with its trailing backslash
    std::wstring place_;
    bool placeShown_ = true;
    DWORD lastStep_ = 0;
    bool stopped_ = false;
};

// ---- Deleting ----------------------------------------------------------------------------------

// Deletes what is checked in a scan tree and nothing else: a key or folder goes whole only
// when nothing below it is unchecked, otherwise its checked entries go one by one. Nodes whose
// key, value or file is gone afterwards are removed, the others stay, and the check states of
// what remains are recomputed. Both return how many checked nodes are left (the failures).
int DeleteCheckedRegistry(TTreeNodes* tree);
int DeleteCheckedFiles(TTreeNodes* tree);
// Removes a folder with its contents, permanently and without asking; one trailing
// backslash is ignored. Names are taken exactly as the folder lists them, never as patterns,
// and a link inside is removed as a link, never followed. Only a full path below a drive's
// root or a share is taken. True when the folder is gone.
bool DeleteFolderTree(const std::wstring& path);
bool DeleteFolderTree(const std::string& path);
// path as the file calls take it: with the "\\?\" prefix when it is too long without.
std::wstring LongApiPath(const std::wstring& path);

// ---- The window ----------------------------------------------------------------------------------

class TScanForm : public TForm {
    DECLARE_CLASS(TScanForm, TForm)
    explicit TScanForm(TComponent* AOwner);
    ~TScanForm() override;

    TLabel* lblScaning = nullptr;
    TLabel* lblScanInfo = nullptr;
    TLabel* lblRegInfoLeft = nullptr;
    TTreeView* tvScanRegInfo = nullptr;
    TLabel* lblFileLeft = nullptr;
    TTreeView* tvScanFiles = nullptr;
    TButton* btnDelete = nullptr;
    TButton* btnCancel = nullptr;
    TTimer* TimerStartScan = nullptr;
    TImageList* ImageList = nullptr;

    // What to scan for; set before the window is shown.
    void SetTarget(const TUninstallTarget& target) { target_ = target; }
    const TUninstallTarget& Target() const { return target_; }
    bool Scanning() const { return scanning_; }
    bool ScanDone() const { return scanDone_; }

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void TimerStartScanTimer(TObject* Sender);
    void btnDeleteClick(TObject* Sender);
    void btnCancelClick(TObject* Sender);
    void tvScanRegInfoMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void tvScanFilesMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

    static void Publish(TClassBuilder<TScanForm>& b);

private:
    void RunScan();
    bool ScanStep(const std::string& place);
    void LetMessagesThrough();
    void ShowNewNodes();
    void ToggleCheckAt(TTreeView* tree, int X, int Y);

    TUninstallTarget target_;
    std::unique_ptr<TLeftoverScan> scan_;
    // What each tree showed at the last step that let it redraw, when that ended and how long
    // it took.
    static constexpr DWORD kTreesShownEveryMs = 1000, kShowingShare = 40;
    int shownRegNodes_ = 0, shownFileNodes_ = 0;
    std::optional<DWORD> treesShownAt_;
    DWORD showingMs_ = 0;
    bool scanning_ = false;
    bool scanDone_ = false;
};

// Draws the check pictures of the scan trees into images: 0 empty, 1 unchecked, 2 checked,
// 3 partly checked.
void AddCheckStateImages(TCustomImageList* images);

// ---- Offering the scan -----------------------------------------------------------------------

// The main window's side of WM_UNINSTALL_DONE: asks whether to look for leftovers (one
// question when the uninstaller ran, another when it could not be started), shows the scan
// window modally for the report's own target on Yes, then runs refill. A report that comes
// while a question or a scan is open waits until that one is done.
class TUninstallReports {
public:
    TUninstallReports(TComponent* scanOwner, std::function<void()> refill);
    // The message's handler: takes the report and answers what the message must return.
    LRESULT Receive(WPARAM wParam, LPARAM lParam);
    int Pending() const { return static_cast<int>(pending_.size()); }

private:
    void Offer(const TUninstallReport& report);

    TComponent* scanOwner_;
    std::function<void()> refill_;
    std::deque<std::unique_ptr<TUninstallReport>> pending_;
    bool busy_ = false;
};
