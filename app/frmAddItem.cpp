#include "app/frmAddItem.h"
#include "app/StartupItems.h"
#include "app/multiLangs.h"

IMPLEMENT_CLASS(TAddItemForm);

namespace {
// Indexes of cmbSection.
enum { kUserFolder, kCommonFolder, kUserRun, kMachineRun };
}

void TAddItemForm::Publish(TClassBuilder<TAddItemForm>& b) {
    b.Component("txtTarget", &TAddItemForm::txtTarget);
    b.Component("btnBrowse", &TAddItemForm::btnBrowse);
    b.Component("cmbSection", &TAddItemForm::cmbSection);
    b.Component("btnOK", &TAddItemForm::btnOK);
    b.Component("btnCancel", &TAddItemForm::btnCancel);
    b.Component("OpenDialog", &TAddItemForm::OpenDialog);
    b.Component("lblTarget", &TAddItemForm::lblTarget);
    b.Component("lblSection", &TAddItemForm::lblSection);
    b.Handler("FormCreate", &TAddItemForm::FormCreate);
    b.Handler("FormShow", &TAddItemForm::FormShow);
    b.Handler("btnBrowseClick", &TAddItemForm::btnBrowseClick);
    b.Handler("btnCancelClick", &TAddItemForm::btnCancelClick);
    b.Handler("btnOKClick", &TAddItemForm::btnOKClick);
}

void TAddItemForm::FormCreate(TObject*) {
    TStrings* items = cmbSection->Items();
    items->Clear();
    for (const std::string* text : {&IDS_ADDITEMFORM_COMBOBOX_Items1, &IDS_ADDITEMFORM_COMBOBOX_Items2,
                                    &IDS_ADDITEMFORM_COMBOBOX_Items3, &IDS_ADDITEMFORM_COMBOBOX_Items4})
        items->Add(*text);
    cmbSection->SetItemIndex(kUserRun);
}

void TAddItemForm::FormShow(TObject*) {
    SetCaption(IDS_ADDITEMFORM_Title);
    lblTarget->SetCaption(IDS_ADDITEMFORM_LABEL_Target);
    lblSection->SetCaption(IDS_ADDITEMFORM_LABEL_Section);
    btnBrowse->SetCaption(IDS_ADDITEMFORM_BUTTON_Browse);
    btnOK->SetCaption(IDS_ADDITEMFORM_BUTTON_Ok);
    btnCancel->SetCaption(IDS_ADDITEMFORM_BUTTON_Cancel);
}

void TAddItemForm::btnBrowseClick(TObject*) {
    try {
        if (OpenDialog->Execute()) txtTarget->SetText(OpenDialog->GetFileName());
    } catch (const std::exception&) {
        // A dialog that fails to show leaves the target as it was.
    }
}

void TAddItemForm::btnCancelClick(TObject*) { Close(); }

void TAddItemForm::btnOKClick(TObject*) {
    std::string target = txtTarget->GetText();
    if (!FileExists(target)) {
        Application->MessageBox("The specified target file can't be found, please reset!", Application->GetTitle(),
                                MB_OK);
        txtTarget->Clear();
        return;
    }
    // Handed on as wide text, so the value and the shortcut hold exactly what the target names.
    const std::wstring exact = ToWide(target);
    TStartupResult result;
    switch (cmbSection->GetItemIndex()) {
    case kUserFolder: result = AddStartupShortcut(exact, CSIDL_STARTUP); break;
    case kCommonFolder: result = AddStartupShortcut(exact, CSIDL_COMMON_STARTUP); break;
    case kUserRun: result = AddStartupRunValue(exact, HKEY_CURRENT_USER); break;
    case kMachineRun: result = AddStartupRunValue(exact, HKEY_LOCAL_MACHINE); break;
    default: return;
    }
    if (!result.Ok()) {
        Application->MessageBox(IDS_MESSAGEBOX_WARNING_StartupAddFailed + "\r\n\r\n" + result.Text(),
                                Application->GetTitle(), MB_OK | MB_ICONWARNING);
        return;
    }
    if (IsModal())
        SetModalResult(mrOk);
    else
        Close();
}
