// The program's entry: the start-up sequence.
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "app/multiSkins.h"
#include "controls/skinned/pxGDIPlusAPI.h"
#include "framework/ComObj.h"
#include "framework/Forms.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    TComInit com;
    try {
        if (LoadStartupConfig()) {
            Application->Initialize();
            // Language and skin files that can't be written are reported like every other box.
            LanguageErrorBox = SkinErrorBox = [](const std::string& text) {
                Application->MessageBox(text, Application->GetTitle(), MB_ICONERROR | MB_OK);
            };
            // Registered at every start, from the program's own folder only.
            RegisterComServer(AppDir + "Quorbel.dll");
            LoadSkin();
            LoadLanguage();
            Application->CreateForm(MainFormInstance);
            Application->SetShowMainForm(false);
            {
                TFreeGuard<TSplashForm> splash(TSplashForm::Create(Application));
                splash->ShowModal();
            }
            Application->SetShowMainForm(true);
            Application->Run();
        }
    } catch (...) {
        // The last resort: an error box titled with the application title, then the end.
        Application->HandleException(Application);
    }
    Application->Shutdown();
    // Every form and picture is gone now: GDI+ may shut down.
    pxFinalizeGDIPlus();
    return 0;
}
