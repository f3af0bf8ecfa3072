#include "controls/framed/FcGrafx.h"

#include "framework/Forms.h"
#include "framework/Guards.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// A 32-bit DIB pixel (0x00RRGGBB) from a colour.
uint32_t ToPixel(TColor c) {
    c = ColorToRGB(c);
    return (uint32_t(ColorR(c)) << 16) | (uint32_t(ColorG(c)) << 8) | ColorB(c);
}

// The colours of one ramp of n pixels, walked from its far end (step 0, exactly the far
// colour) toward its near end in 16.16 fixed point. Steps are gathered into bands of at
// least k + 1 pixels (and on while the colour stays the same); a band takes the colour of
// its first step.
class TRamp {
public:
    TRamp(TColor farColor, TColor nearColor, int64_t n, int k) : n_(std::max<int64_t>(n, 1)) {
        TColor f = ColorToRGB(farColor), t = ColorToRGB(nearColor);
        const uint8_t from[3] = {ColorR(f), ColorG(f), ColorB(f)};
        const uint8_t to[3] = {ColorR(t), ColorG(t), ColorB(t)};
        for (int c = 0; c < 3; ++c) {
            start_[c] = int64_t(from[c]) << 16;
            step_[c] = ((int64_t(to[c]) - from[c]) << 16) / n_;
        }
        // Bands only change colours when a band must hold more than one step.
        constexpr int64_t kMaxTable = int64_t(1) << 22;
        if (k > 0 && n_ <= kMaxTable) BuildBands(k);
    }

    uint32_t operator()(int64_t i) const {
        if (i >= 0 && i < static_cast<int64_t>(bands_.size())) return bands_[static_cast<size_t>(i)];
        return Raw(i);
    }

private:
    uint32_t Raw(int64_t i) const {
        uint32_t px = 0;
        for (int c = 0; c < 3; ++c) {
            int64_t v = std::clamp<int64_t>((start_[c] + i * step_[c]) >> 16, 0, 255);
            px = (px << 8) | static_cast<uint32_t>(v);
        }
        return px;   // R, G, B from the high byte down: 0x00RRGGBB
    }

    void BuildBands(int k) {
        bands_.resize(static_cast<size_t>(n_));
        for (int64_t i = 0; i < n_;) {
            uint32_t color = Raw(i);
            int64_t j = i + 1;
            while (j < n_ && (Raw(j) == color || j - i < k + 1)) ++j;
            std::fill(bands_.begin() + i, bands_.begin() + j, color);
            i = j;
        }
    }

    int64_t n_;
    int64_t start_[3] = {}, step_[3] = {};
    std::vector<uint32_t> bands_;
};

int BandSize(uint8_t colorStep, bool box) {
    int k = colorStep <= 8 ? colorStep - 1 : (box ? 256 / colorStep : 255 / colorStep + 1) - 1;
    return std::max(k, 0);
}

bool IsBox(TGradientDirection d) {
    return d == gdHorizontalBox || d == gdVerticalBox || d == gdSquareBox || d == gdBigSquareBox;
}

// The colour of every pixel of a gradient of w x h pixels; the painter asks only for the
// part that can be seen, so the size of the rectangle costs nothing.
class TGradient {
public:
    TGradient(TGradientDirection d, TColor start, TColor stop, int64_t w, int64_t h, uint8_t colorStep)
        : dir_(d), w_(w), h_(h), start_(ToPixel(start)) {
        int k = BandSize(colorStep, IsBox(d));
        switch (d) {
        case gdHorizontalEnd: ramps_.emplace_back(stop, start, h, k); break;
        case gdVerticalEnd: ramps_.emplace_back(stop, start, w, k); break;
        case gdHorizontalCenter:
            centre_ = h / 2;
            ramps_.emplace_back(stop, start, centre_ + 1, k);
            ramps_.emplace_back(stop, start, h - centre_, k);
            break;
        case gdVerticalCenter:
            centre_ = w / 2;
            ramps_.emplace_back(stop, start, centre_ + 1, k);
            ramps_.emplace_back(stop, start, w - centre_, k);
            break;
        case gdDiagonalUp:
        case gdDiagonalDown:
            flat_ = ToPixel(start) == ToPixel(stop);
            length_ = std::sqrt(double(w) * double(w) + double(h) * double(h));
            n_ = static_cast<int64_t>(length_) + 1;
            ramps_.emplace_back(stop, start, n_, k);
            break;
        default: SetUpBox(start, stop, k); break;
        }
    }

    uint32_t At(int64_t x, int64_t y) const {
        switch (dir_) {
        case gdHorizontalEnd: return ramps_[0](h_ - 1 - y);
        case gdVerticalEnd: return ramps_[0](w_ - 1 - x);
        case gdHorizontalCenter: return y <= centre_ ? ramps_[0](centre_ - y) : ramps_[1](y - centre_);
        case gdVerticalCenter: return x <= centre_ ? ramps_[0](centre_ - x) : ramps_[1](x - centre_);
        case gdDiagonalUp:
        case gdDiagonalDown: return Diagonal(x, y);
        default: return Box(x, y);
        }
    }

private:
    uint32_t Diagonal(int64_t x, int64_t y) const {
        if (flat_) return start_;
        // Distance of the pixel's centre from the stop corner, along the diagonal.
        double fx = double(w_) - (double(x) + 0.5);
        double fy = dir_ == gdDiagonalDown ? double(h_) - (double(y) + 0.5) : double(y) + 0.5;
        double d = (fx * double(w_) + fy * double(h_)) / length_;
        int64_t i = std::clamp<int64_t>(static_cast<int64_t>(std::floor(d)), 0, n_ - 1);
        return ramps_[0](i);
    }

    void SetUpBox(TColor start, TColor stop, int k) {
        flat_ = ToPixel(start) == ToPixel(stop) || w_ < 5 || h_ <= 4;
        hw_ = (w_ - 1) / 2;
        hh_ = (h_ - 1) / 2;
        int64_t coreX = 0, coreY = 0;
        if (dir_ == gdHorizontalBox || dir_ == gdBigSquareBox) coreX = w_ / 4;
        if (dir_ == gdVerticalBox || dir_ == gdBigSquareBox) coreY = h_ / 4;
        n_ = std::max(hw_ - coreX, hh_ - coreY) + 1;
        sx_ = (hw_ - coreX) << 16;
        sy_ = (hh_ - coreY) << 16;
        dx_ = sx_ / n_;
        dy_ = sy_ / n_;
        ramps_.emplace_back(stop, start, n_, k);
    }

    int64_t StepX(int64_t i) const { return (sx_ - i * dx_) >> 16; }
    int64_t StepY(int64_t i) const { return (sy_ - i * dy_) >> 16; }

    // Rings walk from the core toward the corner (0, 0) of the top-left quadrant; step i
    // fills what lies right of and below its position and no earlier step filled. The
    // other quadrants mirror it.
    uint32_t Box(int64_t x, int64_t y) const {
        if (flat_) return start_;
        int64_t qx = x <= hw_ ? x : w_ - 1 - x;
        int64_t qy = y <= hh_ ? y : h_ - 1 - y;
        int64_t lo = 0, hi = n_ + 2;
        while (lo < hi) {
            int64_t mid = lo + (hi - lo) / 2;
            if (StepX(mid) <= qx && StepY(mid) <= qy) hi = mid;
            else lo = mid + 1;
        }
        // A step whose position has gone negative fills nothing.
        if (StepX(lo) < 0 || StepY(lo) < 0) return start_;
        return ramps_[0](lo);
    }

    TGradientDirection dir_;
    int64_t w_, h_;
    uint32_t start_;
    std::vector<TRamp> ramps_;
    int64_t centre_ = 0;
    bool flat_ = false;
    double length_ = 0;
    int64_t n_ = 1;
    int64_t hw_ = 0, hh_ = 0, sx_ = 0, sy_ = 0, dx_ = 0, dy_ = 0;
};

// No screen is this large: a bigger visible part is a fault of the caller, not a reason
// to allocate gigabytes.
constexpr int64_t kMaxSide = 8192;

} // namespace

void FillGradient(TCanvas* Canvas, const TRect& Rect, TGradientDirection Direction, TColor StartColor,
                  TColor StopColor, uint8_t ColorStep) {
    int64_t w = std::llabs(int64_t(Rect.Right) - Rect.Left), h = std::llabs(int64_t(Rect.Bottom) - Rect.Top);
    if (w == 0 || h == 0) return;
    HDC dc = Canvas->Handle();
    // Only the part that can be seen is painted.
    int64_t left = Rect.Left, top = Rect.Top, right = left + w, bottom = top + h;
    RECT clip{};
    int kind = GetClipBox(dc, &clip);
    if (kind == NULLREGION) return;
    if (kind != ERROR) {
        left = std::max<int64_t>(left, clip.left);
        top = std::max<int64_t>(top, clip.top);
        right = std::min<int64_t>(right, clip.right);
        bottom = std::min<int64_t>(bottom, clip.bottom);
    }
    right = std::min(right, left + kMaxSide);
    bottom = std::min(bottom, top + kMaxSide);
    if (right <= left || bottom <= top) return;

    TGradient gradient(Direction, StartColor, StopColor, w, h, ColorStep);
    int vw = static_cast<int>(right - left), vh = static_cast<int>(bottom - top);
    TBitmap off(vw, vh);
    int64_t ox = left - Rect.Left, oy = top - Rect.Top;
    for (int y = 0; y < vh; ++y) {
        uint32_t* row = off.ScanLine(y);
        for (int x = 0; x < vw; ++x) row[x] = gradient.At(ox + x, oy + y);
    }
    BitBlt(dc, static_cast<int>(left), static_cast<int>(top), vw, vh, off.Canvas()->Handle(), 0, 0, SRCCOPY);
}

void PaintTransparentBitmap(TCanvas* Canvas, TBitmap* Bitmap, const TRect& DestRect, TColor TransparentColor,
                            const TRect& SourceRect) {
    if (!Bitmap || Bitmap->Empty() || DestRect.Width() <= 0 || DestRect.Height() <= 0) return;
    if (SourceRect.Width() <= 0 || SourceRect.Height() <= 0) return;
    DrawTransparentBitmap(Canvas->Handle(), TRect(0, 0, DestRect.Width(), DestRect.Height()), *Bitmap, SourceRect,
                          TransparentColor);
}

void CopyParentBackground(TControl* Control, HDC DC, bool InvalidateParent) {
    TWinControl* parent = Control ? Control->Parent() : nullptr;
    if (!parent || !DC) return;
    {
        TSaveDC saved(DC);
        // Relative to the current origin, so that copies nested in a parent's copy add up.
        OffsetViewportOrgEx(DC, -Control->Left(), -Control->Top(), nullptr);
        TRect client = parent->GetClientRect();
        IntersectClipRect(DC, 0, 0, client.Width(), client.Height());
        parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
        parent->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT);
    }
    if (InvalidateParent && !dynamic_cast<TCustomControl*>(parent) && !dynamic_cast<TCustomForm*>(parent))
        parent->Invalidate();
}

void CopyParentBackground(TControl* Control, TCanvas* Canvas, bool InvalidateParent) {
    CopyParentBackground(Control, Canvas->Handle(), InvalidateParent);
}
