// The splash window shown for about a second and a half while the program starts.
#pragma once
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

class TSplashForm : public TForm {
    DECLARE_CLASS(TSplashForm, TForm)
    explicit TSplashForm(TComponent* AOwner) : TForm(AOwner) {}

    TImage* imgBackground = nullptr;
    TLabel* lblCopyrightInfo = nullptr;
    TTimer* tmrShow = nullptr;

    void FormCreate(TObject* Sender);
    void tmrShowTimer(TObject* Sender);

    static void Publish(TClassBuilder<TSplashForm>& b);
};
