// A progress bar drawn from a style picture, with a percentage caption and a border.
#pragma once
#include "controls/skinned/SkMgr.h"
#include "framework/ExtCtrls.h"

#include <cstdint>
#include <memory>
#include <string>

enum class TskProgressBarOrientation { skHorizontal, skVertical };
DECLARE_ENUM_NAMES(TskProgressBarOrientation, "skHorizontal", "skVertical");
using enum TskProgressBarOrientation;

// The filled part of length pixels: nothing below or at Min (or for an empty range), all of
// it above Max. Products are 64-bit, so wide ranges neither wrap nor go negative.
int ProgressBarExtent(int length, int min, int max, int position);
// (position - min) * 100 / (max - min), truncated and not limited to 0..100; 0 when the
// range is empty.
int64_t ProgressBarPercent(int min, int max, int position);

class TskProgressBar : public TCustomPanel {
    DECLARE_CLASS(TskProgressBar, TCustomPanel)
    explicit TskProgressBar(TComponent* AOwner);
    ~TskProgressBar() override;

    int GetMin() const { return min_; }
    void SetMin(int v);
    int GetMax() const { return max_; }
    void SetMax(int v);
    int GetPosition() const { return position_; }
    void SetPosition(int v);
    TskProgressBarOrientation GetOrientation() const { return orientation_; }
    void SetOrientation(TskProgressBarOrientation v);
    TPicture* GetPicture() const { return picture_.get(); }
    void SetPicture(TPicture* v);
    TColor GetBorderColor() const { return borderColor_; }
    void SetBorderColor(TColor v);
    TColor GetCaptionColor() const { return captionColor_; }
    void SetCaptionColor(TColor v);
    bool GetShowCaption() const { return showCaption_; }
    void SetShowCaption(bool v);
    bool GetSmartShowCaption() const { return smartShowCaption_; }
    void SetSmartShowCaption(bool v);
    // Overwrites the picture and the colours with the style's.
    TskUIStyle GetUIStyle() const { return uiStyle_; }
    void SetUIStyle(TskUIStyle v);
    TskFileTheme* GetFileTheme() const { return fileTheme_; }
    void SetFileTheme(TskFileTheme* v);

    int BarExtent(int length) const { return ProgressBarExtent(length, min_, max_, position_); }

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TskProgressBar>& b);

protected:
    void Paint() override;

private:
    void ApplyStyle();
    void UpdateCaption();
    void PaintHorizontal(TCanvas& canvas, int w, int h);
    void PaintVertical(TCanvas& canvas, int w, int h);

    int min_ = 0;
    int max_ = 100;
    int position_ = 50;
    TskProgressBarOrientation orientation_ = skHorizontal;
    std::unique_ptr<TPicture> picture_;
    TColor borderColor_ = clBlack;
    TColor captionColor_ = clBlack;
    bool showCaption_ = true;
    bool smartShowCaption_ = false;
    TskUIStyle uiStyle_ = DeepBlue;
    TskFileTheme* fileTheme_ = nullptr;
};
