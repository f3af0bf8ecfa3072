#include "app/frmSplash.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "app/multiSkins.h"

IMPLEMENT_CLASS(TSplashForm);

void TSplashForm::Publish(TClassBuilder<TSplashForm>& b) {
    b.Component("imgBackground", &TSplashForm::imgBackground);
    b.Component("lblCopyrightInfo", &TSplashForm::lblCopyrightInfo);
    b.Component("tmrShow", &TSplashForm::tmrShow);
    b.Handler("FormCreate", &TSplashForm::FormCreate);
    b.Handler("tmrShowTimer", &TSplashForm::tmrShowTimer);
}

void TSplashForm::FormCreate(TObject*) {
    tmrShow->SetEnabled(true);
    imgBackground->SetAutoSize(true);
    std::string picture = SkinsDir + SK_SPLASHFORM_IMAGE_CHARGE;
    if (FileExists(picture)) imgBackground->Picture()->LoadFromFile(picture);
    lblCopyrightInfo->SetCaption(IDS_SPLASHFORM_LABEL_Copyright);
}

void TSplashForm::tmrShowTimer(TObject*) {
    tmrShow->SetEnabled(false);
    Close();
}
