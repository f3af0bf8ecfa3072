#include "app/frmProgress.h"
#include "app/funUtils.h"
#include "app/globals.h"
#include "app/multiLangs.h"
#include "app/multiSkins.h"
#include "controls/skinned/SkProgressBar.h"
#include "framework/Guards.h"

IMPLEMENT_CLASS(TProgressForm);

void TProgressForm::Publish(TClassBuilder<TProgressForm>& b) {
    b.Component("ImageBK", &TProgressForm::ImageBK);
    b.Component("lblInfo", &TProgressForm::lblInfo);
    b.Component("ProgressBar", &TProgressForm::ProgressBar);
    b.Component("TimerBackup", &TProgressForm::TimerBackup);
    b.Handler("FormCreate", &TProgressForm::FormCreate);
    b.Handler("FormShow", &TProgressForm::FormShow);
    b.Handler("TimerBackupTimer", &TProgressForm::TimerBackupTimer);
}

void TProgressForm::FormCreate(TObject*) { TimerBackup->SetEnabled(true); }

void TProgressForm::FormShow(TObject*) {
    SetCaption(IDS_PROGRESSFORM_Title);
    lblInfo->SetCaption(IDS_PROGRESSFORM_LABEL_Info);
    // A skin picture that can't be read is reported as every escaping error is, and keeps
    // the layout's; the window still shows and backs up.
    Guard([this] { LoadSkinPicture(ImageBK->Picture(), SK_PROGRESSFORM_ImageBG_Pic); }, this);
}

void TProgressForm::TimerBackupTimer(TObject*) {
    // One backup per showing: a key that can't be read is reported, not retried.
    TimerBackup->SetEnabled(false);
    BackupUninstallKeys();
}

void TProgressForm::BackupUninstallKeys() {
    // Whatever happens, the window doesn't stay open with nothing left to do.
    TScopeExit close([this] { Close(); });
    TUninstallKeyBackup backup;
    backup.KeyPath = KeyPath;
    backup.Folder = BackupRegDir;
    backup.OnProgress = [this](int done, int total) {
        ProgressBar->SetPosition(static_cast<int>(static_cast<int64_t>(done) * 100 / total));
        ProgressBar->Update();
    };
    // Closing the window while it works (which ends its modal showing) stops the backup
    // after the export under way; what was done is reported before it goes.
    backup.Stopping = [this] { return GetModalResult() != mrNone; };
    LastResult = backup.Run();
    UINT icon = LastResult.Succeeded() ? 0 : MB_ICONWARNING;
    Application->MessageBox(BackupSummary(LastResult, BackupRegDir, KeyPath), ProductTitle, MB_OK | icon);
}

TBackupResult ShowBackupWindow(TComponent* owner) {
    TFreeGuard<TProgressForm> form(TProgressForm::Create(owner));
    form->ShowModal();
    return form->LastResult;
}
