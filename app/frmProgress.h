// The registry backup: every sub-key of the machine's Uninstall key exported by the registry
// editor into a .reg file of its own, and the window that shows it happening.
#pragma once
#include "app/RegistryViews.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class TskProgressBar;

// The machine's uninstall entries, below HKEY_LOCAL_MACHINE.
extern const char* const UninstallKeyPath;

// The file name (no folder) that the export of a key gets, made from its exact name:
// characters that file names forbid become "_", and a device name ("CON", "LPT1", ...)
// gets a "_" so that it names a file.
std::wstring BackupFileNameOf(const std::wstring& keyName);
// The same for a key of view: a 32-bit view's file of 64-bit Windows is "<name> (32-bit).reg",
// beside the 64-bit view's file of the same name.
std::wstring BackupFileNameOf(const std::wstring& keyName, TRegistryView view);

// The registry editor's parameters that export the key editorKey (written in full, as
// EditorKeyText gives it) into fileName; both are quoted, so blanks and the characters a
// key name may hold stay inside them.
std::wstring ExportParameters(const std::wstring& fileName, const std::wstring& editorKey);

enum class TBackupEnd { beDone, beStopped, beNoUninstallKey, beNoEntries, beFolderFailed };
using enum TBackupEnd;

enum class TBackupFailure { bfQuoteRefused, bfNotStarted, bfNotWritten };
using enum TBackupFailure;

struct TBackupFailed {
    std::string KeyName;   // as the window shows it; a 32-bit entry of 64-bit Windows says so
    TBackupFailure Reason;
};

struct TBackupResult {
    TBackupEnd End = beDone;
    int Total = 0;   // sub-keys found
    int Saved = 0;   // exports written and found on disk
    std::vector<TBackupFailed> Failed;
    bool Succeeded() const { return End == beDone && Failed.empty() && Saved == Total && Total > 0; }
};

// Exports the sub-keys of KeyPath in every registry view, a few at a time, each export
// waited for (the program's windows keep handling messages meanwhile) and checked on disk.
// On 64-bit Windows the 32-bit view's files are named "<name> (32-bit).reg", and names that
// still meet get " (2)", " (3)", ... An earlier backup of a key is kept aside while its new export runs
// and put back when the export fails, so a failure never leaves an old file that looks like
// a new one, nor loses it.
class TUninstallKeyBackup {
public:
    std::string KeyPath = UninstallKeyPath;   // below HKEY_LOCAL_MACHINE
    std::string Folder;                       // with a trailing backslash
    // An export that hasn't ended after this long counts as failed (the editor may be
    // waiting for someone to answer a box of its own).
    unsigned ExportTimeoutMs = 120000;
    // Registry editors at work at once: each export is a process that spends most of its
    // life starting and ending, which others can overlap. At least 1, at most 63.
    size_t ParallelExports = 4;
    // After each key, exported or not: keys dealt with so far and their number.
    std::function<void(int done, int total)> OnProgress;
    // Asked before each key's export starts; true ends the backup once the exports under
    // way have ended.
    std::function<bool()> Stopping;

    TBackupResult Run();

private:
    struct TExport;
    // Starts the export of one key into path, putting an earlier file aside; the failure
    // when it could not start.
    std::optional<TBackupFailure> StartExport(TExport& e, const std::wstring& editorKey) const;
    // The export's outcome once its editor has ended, timed out or failed to start: the new
    // file is kept, or the earlier one goes back in its place.
    std::optional<TBackupFailure> FinishExport(TExport& e) const;
    // Waits until one of the exports ends or times out, letting messages through; its index.
    size_t WaitForAnExport(std::vector<TExport>& running) const;
};

// The message that ends a backup: the plain success text only when every key was saved;
// otherwise what happened, the count, and the keys that failed with why (the first ten).
std::string BackupSummary(const TBackupResult& result, const std::string& folder, const std::string& keyPath);

class TProgressForm : public TForm {
    DECLARE_CLASS(TProgressForm, TForm)
    explicit TProgressForm(TComponent* AOwner) : TForm(AOwner) {}

    TImage* ImageBK = nullptr;
    TLabel* lblInfo = nullptr;
    TskProgressBar* ProgressBar = nullptr;
    TTimer* TimerBackup = nullptr;

    // The key backed up (tests point it at a sandbox) and what the last backup gave.
    std::string KeyPath = UninstallKeyPath;
    TBackupResult LastResult;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void TimerBackupTimer(TObject* Sender);
    void BackupUninstallKeys();

    static void Publish(TClassBuilder<TProgressForm>& b);
};

// Creates the backup window owned by owner, shows it modally (it backs up, reports and closes
// itself) and frees it; returns what the backup gave.
TBackupResult ShowBackupWindow(TComponent* owner);
