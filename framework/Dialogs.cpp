#include "framework/Dialogs.h"
#include "framework/Printers.h"

#include <algorithm>

namespace {

TDialogHandler& DialogHandler() {
    static TDialogHandler handler;
    return handler;
}

} // namespace

TDialogHandler SetDialogHandler(TDialogHandler Handler) {
    TDialogHandler previous = std::move(DialogHandler());
    DialogHandler() = std::move(Handler);
    return previous;
}

HWND DialogOwnerWindow() {
    TCustomForm* form = Screen ? Screen->ActiveForm() : nullptr;
    if (!form && Application) form = Application->MainForm();
    if (form && form->HandleAllocated()) return form->WindowHandle();
    return GetActiveWindow();
}

// ---------------------------------------------------------------------------------------
// TCommonDialog

IMPLEMENT_CLASS(TCommonDialog);

void TCommonDialog::Publish(TClassBuilder<TCommonDialog>& b) {
    b.Event("OnShow", &TCommonDialog::OnShow);
    b.Event("OnClose", &TCommonDialog::OnClose);
}

bool TCommonDialog::Execute() {
    if (DialogHandler()) {
        // Copy: the handler may install another one while it runs.
        TDialogHandler handler = DialogHandler();
        if (std::optional<bool> answer = handler(*this)) {
            if (*answer) SeamConfirmed();
            return *answer;
        }
    }
    if (OnShow) OnShow(this);
    bool result = ShowSystemDialog(DialogOwnerWindow());
    if (OnClose) OnClose(this);
    return result;
}

// ---------------------------------------------------------------------------------------
// TOpenDialog

IMPLEMENT_CLASS(TOpenDialog);
IMPLEMENT_CLASS(TSaveDialog);

void TOpenDialog::Publish(TClassBuilder<TOpenDialog>& b) {
    b.Prop("DefaultExt", &TOpenDialog::GetDefaultExt, &TOpenDialog::SetDefaultExt);
    b.Prop("FileName", &TOpenDialog::GetFileName, &TOpenDialog::SetFileName);
    b.Prop("Filter", &TOpenDialog::GetFilter, &TOpenDialog::SetFilter);
    b.Prop("FilterIndex", &TOpenDialog::GetFilterIndex, &TOpenDialog::SetFilterIndex);
    b.Prop("InitialDir", &TOpenDialog::GetInitialDir, &TOpenDialog::SetInitialDir);
    b.Prop("Options", &TOpenDialog::GetOptions, &TOpenDialog::SetOptions);
    b.Prop("Title", &TOpenDialog::GetTitle, &TOpenDialog::SetTitle);
}

DWORD TOpenDialog::OptionFlags() const {
    static constexpr std::pair<TOpenOption, DWORD> kFlags[] = {
        {ofReadOnly, OFN_READONLY}, {ofOverwritePrompt, OFN_OVERWRITEPROMPT}, {ofHideReadOnly, OFN_HIDEREADONLY},
        {ofNoChangeDir, OFN_NOCHANGEDIR}, {ofShowHelp, OFN_SHOWHELP}, {ofNoValidate, OFN_NOVALIDATE},
        {ofAllowMultiSelect, OFN_ALLOWMULTISELECT}, {ofExtensionDifferent, OFN_EXTENSIONDIFFERENT},
        {ofPathMustExist, OFN_PATHMUSTEXIST}, {ofFileMustExist, OFN_FILEMUSTEXIST},
        {ofCreatePrompt, OFN_CREATEPROMPT}, {ofShareAware, OFN_SHAREAWARE},
        {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN}, {ofNoTestFileCreate, OFN_NOTESTFILECREATE},
        {ofNoNetworkButton, OFN_NONETWORKBUTTON}, {ofNoLongNames, OFN_NOLONGNAMES},
        {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS}, {ofEnableIncludeNotify, OFN_ENABLEINCLUDENOTIFY},
        {ofEnableSizing, OFN_ENABLESIZING}, {ofDontAddToRecent, OFN_DONTADDTORECENT},
        {ofForceShowHidden, OFN_FORCESHOWHIDDEN},
    };
    DWORD flags = options_.Contains(ofOldStyleDialog) ? 0 : OFN_EXPLORER;
    for (auto [option, flag] : kFlags)
        if (options_.Contains(option)) flags |= flag;
    return flags;
}

std::string TOpenDialog::SystemFilter() const {
    if (filter_.empty()) return {};
    std::string r = filter_;
    std::replace(r.begin(), r.end(), '|', '\0');
    // Each part ends with NUL and the list with one more; std::string adds the last.
    r.push_back('\0');
    return r;
}

bool TOpenDialog::ShowSystemDialog(HWND Owner) {
    bool multi = options_.Contains(ofAllowMultiSelect);
    std::vector<char> buffer(multi ? 0x10000 : MAX_PATH + 1, '\0');
    std::copy_n(fileName_.begin(), std::min(fileName_.size(), buffer.size() - 1), buffer.begin());
    std::string filter = SystemFilter();
    std::string ext = defaultExt_;
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = Owner;
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(std::max(filterIndex_, 0));
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
    ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = OptionFlags();

    BOOL ok = IsSaveDialog() ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok) {
        if (DWORD error = CommDlgExtendedError())
            throw EOSError("The file dialog failed (error " + std::to_string(error) + ")", error);
        return false;
    }
    filterIndex_ = static_cast<int>(ofn.nFilterIndex);
    files_.clear();
    // Several files come as the folder, then each name, NUL-separated.
    const char* p = buffer.data();
    std::string first = p;
    p += first.size() + 1;
    if (multi && *p) {
        std::string dir = first;
        if (!dir.empty() && dir.back() != '\\') dir += '\\';
        for (; *p; p += std::string_view(p).size() + 1) files_.push_back(dir + p);
        fileName_ = files_.front();
    } else {
        fileName_ = first;
        files_.push_back(first);
    }
    if (ofn.Flags & OFN_READONLY) options_.Include(ofReadOnly);
    else options_.Exclude(ofReadOnly);
    return true;
}

// ---------------------------------------------------------------------------------------
// TPrintDialog

IMPLEMENT_CLASS(TPrintDialog);

void TPrintDialog::Publish(TClassBuilder<TPrintDialog>& b) {
    b.Prop("Copies", &TPrintDialog::GetCopies, &TPrintDialog::SetCopies);
    b.Prop("Options", &TPrintDialog::GetOptions, &TPrintDialog::SetOptions);
}

bool TPrintDialog::ShowSystemDialog(HWND Owner) {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = Owner;
    pd.nCopies = static_cast<WORD>(std::clamp(copies_, 1, 0xFFFF));
    pd.Flags = PD_USEDEVMODECOPIESANDCOLLATE | PD_NOPAGENUMS | PD_NOSELECTION;
    if (!options_.Contains(poWarning)) pd.Flags |= PD_NOWARNING;
    if (options_.Contains(poPageNums)) pd.Flags &= ~static_cast<DWORD>(PD_NOPAGENUMS);
    if (options_.Contains(poSelection)) pd.Flags &= ~static_cast<DWORD>(PD_NOSELECTION);
    if (!options_.Contains(poPrintToFile)) pd.Flags |= PD_HIDEPRINTTOFILE;
    if (options_.Contains(poDisablePrintToFile)) pd.Flags |= PD_DISABLEPRINTTOFILE;
    if (options_.Contains(poHelp)) pd.Flags |= PD_SHOWHELP;
    BOOL ok = PrintDlgA(&pd);
    TGlobalHandle names(pd.hDevNames), mode(pd.hDevMode);
    if (!ok) {
        if (DWORD error = CommDlgExtendedError())
            throw EOSError("The print dialog failed (error " + std::to_string(error) + ")", error);
        return false;
    }
    copies_ = pd.nCopies;
    std::string device;
    if (names.Get()) {
        if (auto* dn = static_cast<DEVNAMES*>(GlobalLock(names.Get()))) {
            device = reinterpret_cast<const char*>(dn) + dn->wDeviceOffset;
            GlobalUnlock(names.Get());
        }
    }
    deviceName_ = device;
    auto* dm = mode.Get() ? static_cast<DEVMODEA*>(GlobalLock(mode.Get())) : nullptr;
    Printer()->SetDevice(device, dm);
    if (dm) GlobalUnlock(mode.Get());
    return true;
}

void TPrintDialog::SeamConfirmed() {
    if (!deviceName_.empty()) Printer()->SetDevice(deviceName_, nullptr);
}

// ---------------------------------------------------------------------------------------
// Message dialogs

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
    (void)HelpCtx;
    UINT flags = MB_OK;
    if (Buttons.Contains(mbYes) && Buttons.Contains(mbNo))
        flags = Buttons.Contains(mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
    else if (Buttons.Contains(mbAbort) || Buttons.Contains(mbIgnore))
        flags = MB_ABORTRETRYIGNORE;
    else if (Buttons.Contains(mbRetry))
        flags = MB_RETRYCANCEL;
    else if (Buttons.Contains(mbCancel))
        flags = MB_OKCANCEL;
    std::string caption;
    switch (DlgType) {
    case mtWarning: flags |= MB_ICONWARNING; caption = "Warning"; break;
    case mtError: flags |= MB_ICONERROR; caption = "Error"; break;
    case mtInformation: flags |= MB_ICONINFORMATION; caption = "Information"; break;
    case mtConfirmation: flags |= MB_ICONQUESTION; caption = "Confirm"; break;
    case mtCustom: caption = Application ? Application->GetTitle() : std::string(); break;
    }
    return ShowMessageBox(DialogOwnerWindow(), Msg, caption, flags);
}
