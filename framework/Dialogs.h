// Common dialogs (open, save, print) and message dialogs. Every dialog goes through one
// seam, so tests answer them without a person.
#pragma once
#include "framework/Forms.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class TCommonDialog;

// When installed, the handler is asked instead of showing a system dialog: it may fill
// the dialog's results (FileName, ...) and returns what Execute returns; std::nullopt lets
// the system dialog show after all. Returns the previous handler.
using TDialogHandler = std::function<std::optional<bool>(TCommonDialog& Dialog)>;
TDialogHandler SetDialogHandler(TDialogHandler Handler);

// The window that owns a dialog or box shown now: the active form, else the main form.
HWND DialogOwnerWindow();

class TCommonDialog : public TComponent {
    DECLARE_CLASS(TCommonDialog, TComponent)
    explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
    // Shows the dialog (or asks the seam); true when the user confirmed it.
    bool Execute();
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;
    static void Publish(TClassBuilder<TCommonDialog>& b);
protected:
    // Shows the system dialog owned by Owner.
    virtual bool ShowSystemDialog(HWND Owner) = 0;
    // After a confirmed answer of the seam (a print dialog selects the printer).
    virtual void SeamConfirmed() {}
};

// ---------------------------------------------------------------------------------------
// Open and save dialogs

enum class TOpenOption {
    ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
    ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
    ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
    ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing,
    ofDontAddToRecent, ofForceShowHidden
};
DECLARE_ENUM_NAMES(TOpenOption, "ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir",
                   "ofShowHelp", "ofNoValidate", "ofAllowMultiSelect", "ofExtensionDifferent",
                   "ofPathMustExist", "ofFileMustExist", "ofCreatePrompt", "ofShareAware",
                   "ofNoReadOnlyReturn", "ofNoTestFileCreate", "ofNoNetworkButton", "ofNoLongNames",
                   "ofOldStyleDialog", "ofNoDereferenceLinks", "ofEnableIncludeNotify", "ofEnableSizing",
                   "ofDontAddToRecent", "ofForceShowHidden");
using enum TOpenOption;
using TOpenOptions = TSet<TOpenOption>;

class TOpenDialog : public TCommonDialog {
    DECLARE_CLASS(TOpenDialog, TCommonDialog)
    explicit TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}

    const std::string& GetFileName() const { return fileName_; }
    void SetFileName(const std::string& Value) { fileName_ = Value; }
    // With ofAllowMultiSelect: every chosen file with its full path (else FileName alone).
    const std::vector<std::string>& Files() const { return files_; }
    // "Text files|*.txt|All|*.*": description and pattern pairs.
    const std::string& GetFilter() const { return filter_; }
    void SetFilter(const std::string& Value) { filter_ = Value; }
    // 1-based; the dialog sets it to the filter the user chose.
    int GetFilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int Value) { filterIndex_ = Value; }
    // Appended to a typed name without extension; a leading dot is allowed.
    const std::string& GetDefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& Value) { defaultExt_ = Value; }
    const std::string& GetInitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& Value) { initialDir_ = Value; }
    const std::string& GetTitle() const { return title_; }
    void SetTitle(const std::string& Value) { title_ = Value; }
    TOpenOptions GetOptions() const { return options_; }
    void SetOptions(TOpenOptions Value) { options_ = Value; }

    // The system's flags (OFN_*) the options stand for.
    DWORD OptionFlags() const;
    // The filter in the system's form: pairs separated and ended by NUL, then one more NUL.
    std::string SystemFilter() const;
    virtual bool IsSaveDialog() const { return false; }

    static void Publish(TClassBuilder<TOpenDialog>& b);

protected:
    bool ShowSystemDialog(HWND Owner) override;

private:
    std::string fileName_;
    std::vector<std::string> files_;
    std::string filter_;
    int filterIndex_ = 1;
    std::string defaultExt_;
    std::string initialDir_;
    std::string title_;
    TOpenOptions options_ = {ofHideReadOnly, ofEnableSizing};
};

class TSaveDialog : public TOpenDialog {
    DECLARE_CLASS(TSaveDialog, TOpenDialog)
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
    bool IsSaveDialog() const override { return true; }
};

// ---------------------------------------------------------------------------------------
// Print dialog: on OK the chosen printer becomes the one Printer() prints on.

enum class TPrintDialogOption { poPrintToFile, poPageNums, poSelection, poWarning, poHelp, poDisablePrintToFile };
DECLARE_ENUM_NAMES(TPrintDialogOption, "poPrintToFile", "poPageNums", "poSelection", "poWarning", "poHelp",
                   "poDisablePrintToFile");
using enum TPrintDialogOption;
using TPrintDialogOptions = TSet<TPrintDialogOption>;

class TPrintDialog : public TCommonDialog {
    DECLARE_CLASS(TPrintDialog, TCommonDialog)
    explicit TPrintDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    TPrintDialogOptions GetOptions() const { return options_; }
    void SetOptions(TPrintDialogOptions Value) { options_ = Value; }
    int GetCopies() const { return copies_; }
    void SetCopies(int Value) { copies_ = Value; }
    // The printer chosen (a seam answering the dialog may set it; empty keeps the current).
    void SetDeviceName(const std::string& Value) { deviceName_ = Value; }
    static void Publish(TClassBuilder<TPrintDialog>& b);
protected:
    bool ShowSystemDialog(HWND Owner) override;
    void SeamConfirmed() override;
private:
    TPrintDialogOptions options_;
    int copies_ = 1;
    std::string deviceName_;
};

// ---------------------------------------------------------------------------------------
// Message dialogs (shown through the application's message-box seam)

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
DECLARE_ENUM_NAMES(TMsgDlgType, "mtWarning", "mtError", "mtInformation", "mtConfirmation", "mtCustom");
using enum TMsgDlgType;

enum class TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using enum TMsgDlgBtn;
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
inline constexpr TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// A box with the type's caption and icon and the nearest system set of buttons; returns
// the modal result of the button (mrYes, mrOk, ...).
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx = 0);
