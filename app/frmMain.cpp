#include "app/frmMain.h"

IMPLEMENT_CLASS(TMainForm);

TMainForm* MainFormInstance = nullptr;

void TMainForm::Publish(TClassBuilder<TMainForm>& b) {
    b.Handler("FormCreate", &TMainForm::FormCreate);
}

void TMainForm::FormCreate(TObject* Sender) {
    (void)Sender;
}
