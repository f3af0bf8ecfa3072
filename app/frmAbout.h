// The about window: the product's title and version, copyright and warning lines, its web
// and support addresses as links, and the skin's about picture.
#pragma once
#include "controls/skinned/SkURLLabel.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

class TAboutForm : public TForm {
    DECLARE_CLASS(TAboutForm, TForm)
    explicit TAboutForm(TComponent* AOwner) : TForm(AOwner) {}

    TImage* ImgAbout = nullptr;
    TLabel* lblProductTitle = nullptr;
    TLabel* lblCopyright = nullptr;
    TskURLLabel* lnkWebOnline = nullptr;
    TskURLLabel* lnkSupportEmail = nullptr;
    TLabel* lblWarning = nullptr;
    TButton* btnOK = nullptr;

    void FormShow(TObject* Sender);

    static void Publish(TClassBuilder<TAboutForm>& b);

private:
    void ShowSkinPicture();
};

// The Help menu's About: the window owned by owner, centred on the screen, shown modally
// and freed.
void ShowAboutBox(TComponent* owner);
