// The main window.
#pragma once
#include "framework/Forms.h"

class TMainForm : public TForm {
    DECLARE_CLASS(TMainForm, TForm)
    explicit TMainForm(TComponent* AOwner) : TForm(AOwner) {}

    void FormCreate(TObject* Sender);

    static void Publish(TClassBuilder<TMainForm>& b);
};

// The main window, reached by the other windows and by the uninstall thread.
extern TMainForm* MainFormInstance;
