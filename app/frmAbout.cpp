#include "app/frmAbout.h"
#include "app/funUtils.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "app/multiSkins.h"

IMPLEMENT_CLASS(TAboutForm);

void TAboutForm::Publish(TClassBuilder<TAboutForm>& b) {
    b.Component("ImgAbout", &TAboutForm::ImgAbout);
    b.Component("lblProductTitle", &TAboutForm::lblProductTitle);
    b.Component("lblCopyright", &TAboutForm::lblCopyright);
    b.Component("lnkWebOnline", &TAboutForm::lnkWebOnline);
    b.Component("lnkSupportEmail", &TAboutForm::lnkSupportEmail);
    b.Component("lblWarning", &TAboutForm::lblWarning);
    b.Component("btnOK", &TAboutForm::btnOK);
    b.Handler("FormShow", &TAboutForm::FormShow);
}

void TAboutForm::FormShow(TObject*) {
    SetCaption(IDS_ABOUTFORM_Title);
    lblWarning->SetCaption(IDS_ABOUTFORM_LABEL_Warning);
    btnOK->SetCaption(IDS_ABOUTFORM_BUTTON_Ok);
    lblCopyright->SetCaption(IDS_ABOUTFORM_LABEL_CopyRight);
    lblProductTitle->SetCaption(Format("%s %s", Application->GetTitle(), ProductVersion));
    lnkWebOnline->SetCaption(ProductUrl);
    lnkWebOnline->SetURL(ProductUrl);
    lnkSupportEmail->SetCaption(SupportEmail);
    lnkSupportEmail->SetURL("mailto:" + SupportEmail);
    ShowSkinPicture();
}

void TAboutForm::ShowSkinPicture() {
    // A skin's picture that doesn't decode, or a position that isn't one, leaves what the
    // layout has: the window is still worth showing.
    try {
        LoadSkinPicture(ImgAbout->Picture(), SK_ABOUTFORM_IMGABOUT_Pic);
    } catch (const Exception&) {
    }
    try {
        ApplyRectText(ImgAbout, SK_ABOUTFORM_IMGABOUT_POS);
    } catch (const EConvertError&) {
    }
}

void ShowAboutBox(TComponent* owner) {
    TFreeGuard<TAboutForm> form(TAboutForm::Create(owner));
    form->SetPosition(poScreenCenter);
    form->ShowModal();
}
