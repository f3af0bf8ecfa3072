// A panel that shows a picture (once, stretched or tiled), optionally over its parent's
// background, with a one-line caption.
#pragma once
#include "framework/ExtCtrls.h"

#include <memory>

enum class TskDrawStyle { skNormal, skStretch, skTile };
DECLARE_ENUM_NAMES(TskDrawStyle, "skNormal", "skStretch", "skTile");
using enum TskDrawStyle;

class TskCustomPanel : public TCustomPanel {
    DECLARE_CLASS(TskCustomPanel, TCustomPanel)
    explicit TskCustomPanel(TComponent* AOwner);
    ~TskCustomPanel() override;

    TPicture* GetPicture() const { return picture_.get(); }
    void SetPicture(TPicture* v);
    TskDrawStyle GetDrawStyle() const { return drawStyle_; }
    void SetDrawStyle(TskDrawStyle v);
    // Sizes the panel to its picture (the sides its Align leaves free).
    void SetAutoSize(bool v) override;
    bool GetTransparent() const { return transparent_; }
    virtual void SetTransparent(bool v);

    void WndProc(TMessage& Message) override;

protected:
    void Paint() override;
    void AdjustSize() override;
    // Sets the canvas brush to Color, and fills with it when the panel is hosted in a
    // window given by handle.
    virtual void FillBackground();
    // The picture was replaced or its graphic changed.
    virtual void PictureChanged(TObject* Sender);

private:
    // A graphic that has something to show: an empty one counts as none.
    bool HasPicture() const;
    std::unique_ptr<TPicture> picture_;
    TskDrawStyle drawStyle_ = skNormal;
    bool transparent_ = false;
};

class TskImagePanel : public TskCustomPanel {
    DECLARE_CLASS(TskImagePanel, TskCustomPanel)
    using TskCustomPanel::TskCustomPanel;
    static void Publish(TClassBuilder<TskImagePanel>& b);
};
