// The picture button with its four state pictures: normal, mouse over, pressed, disabled.
#pragma once
#include "controls/skinned/ArCustomButton.h"

#include <memory>

class TArButton : public TArCustomButton {
    DECLARE_CLASS(TArButton, TArCustomButton)
    explicit TArButton(TComponent* AOwner);
    ~TArButton() override;

    // The writers copy the picture in. Loading a file into one of them directly shows at
    // the next paint: no change handler is attached.
    TPicture* GetPicNormal() const { return picNormal_.get(); }
    void SetPicNormal(TPicture* v);
    TPicture* GetPicMouseHover() const { return picMouseHover_.get(); }
    void SetPicMouseHover(TPicture* v);
    TPicture* GetPicMouseDown() const { return picMouseDown_.get(); }
    void SetPicMouseDown(TPicture* v);
    TPicture* GetPicDisabled() const { return picDisabled_.get(); }
    void SetPicDisabled(TPicture* v);

    static void Publish(TClassBuilder<TArButton>& b);

protected:
    // Disabled, else pressed, else hover, else normal; an empty choice falls back to the
    // normal picture, and none is drawn when that is empty too.
    bool GetStatePicture(TPicture*& picture) override;

private:
    void StorePicture(TPicture& target, TPicture* value);
    std::unique_ptr<TPicture> picDisabled_;
    std::unique_ptr<TPicture> picNormal_;
    std::unique_ptr<TPicture> picMouseDown_;
    std::unique_ptr<TPicture> picMouseHover_;
};
