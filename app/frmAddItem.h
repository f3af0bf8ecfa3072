// The window that adds a startup entry: a shortcut in one of the two Startup folders, or a
// value in the Run key of the current user or of the machine.
#pragma once
#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

class TAddItemForm : public TForm {
    DECLARE_CLASS(TAddItemForm, TForm)
    explicit TAddItemForm(TComponent* AOwner) : TForm(AOwner) {}

    TEdit* txtTarget = nullptr;
    TButton* btnBrowse = nullptr;
    TComboBox* cmbSection = nullptr;
    TButton* btnOK = nullptr;
    TButton* btnCancel = nullptr;
    TOpenDialog* OpenDialog = nullptr;
    TLabel* lblTarget = nullptr;
    TLabel* lblSection = nullptr;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void btnBrowseClick(TObject* Sender);
    void btnCancelClick(TObject* Sender);
    // Adds the entry; a modal showing then ends with mrOk, after which the caller refills
    // its startup list. A missing target or a refused entry is reported and the window stays.
    void btnOKClick(TObject* Sender);

    static void Publish(TClassBuilder<TAddItemForm>& b);
};
