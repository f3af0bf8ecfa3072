#include "app/frmComment.h"
#include "app/QuorbelLib_TLB.h"
#include "app/multiLangs.h"

IMPLEMENT_CLASS(TCommentForm);

void TCommentForm::Publish(TClassBuilder<TCommentForm>& b) {
    b.Component("lblProgramName", &TCommentForm::lblProgramName);
    b.Component("lblTitle", &TCommentForm::lblTitle);
    b.Component("txtComment", &TCommentForm::txtComment);
    b.Component("btnOk", &TCommentForm::btnOk);
    b.Component("btnCancel", &TCommentForm::btnCancel);
    b.Handler("FormShow", &TCommentForm::FormShow);
}

void TCommentForm::FormShow(TObject*) {
    SetCaption(IDS_COMMENTFORM_Title);
    lblTitle->SetCaption(IDS_COMMENTFORM_LABEL_TITLE);
    btnOk->SetCaption(IDS_COMMENTFORM_BUTTON_Ok);
    btnCancel->SetCaption(IDS_COMMENTFORM_BUTTON_Cancel);
}

bool CommentOnEntry(IProgramItem* entry) {
    if (!entry) return false;
    std::string comment;
    try {
        TFreeGuard<TCommentForm> form(TCommentForm::Create(Application));
        form->lblProgramName->SetCaption(ItemText(entry, &IProgramItem::DisplayName));
        if (form->ShowModal() != mrOk) return false;
        comment = form->txtComment->GetText();
    } catch (const std::exception&) {
        return false;
    }
    try {
        SetItemComment(entry, comment);
    } catch (const Exception& e) {
        Application->MessageBox(FormatLang(IDS_MESSAGEBOX_WARNING_CommentFailed,
                                           DefaultOf(IDS_MESSAGEBOX_WARNING_CommentFailed), e.Message()),
                                Application->GetTitle(), MB_ICONERROR | MB_OK);
        return false;
    }
    return true;
}
