// The window that asks for a comment on a program entry.
#pragma once
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

struct IProgramItem;

class TCommentForm : public TForm {
    DECLARE_CLASS(TCommentForm, TForm)
    explicit TCommentForm(TComponent* AOwner) : TForm(AOwner) {}

    TLabel* lblProgramName = nullptr;   // the caller puts the program's display name here
    TLabel* lblTitle = nullptr;
    TMemo* txtComment = nullptr;
    TButton* btnOk = nullptr;
    TButton* btnCancel = nullptr;

    void FormShow(TObject* Sender);

    static void Publish(TClassBuilder<TCommentForm>& b);
};

// Asks for a comment on entry in a TCommentForm and, on OK, stores it through the component.
// The entry's failures to name itself end the command silently; a comment that could not be
// stored is told in a message box, since the user's text would otherwise be lost unnoticed.
// True when a comment was stored.
bool CommentOnEntry(IProgramItem* entry);
