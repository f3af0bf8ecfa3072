#include "controls/skinned/SkPublic.h"

#include "controls/skinned/SkMgr.h"
#include "framework/Forms.h"
#include "framework/Guards.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Controls whose parent is painting under them right now: a parent that paints its
// windowless children would otherwise paint a graphic control calling us from its own
// paint, which calls us again.
std::vector<const TControl*>& ParentPaints() {
    static std::vector<const TControl*> list;
    return list;
}

TColor PixelColor(const TBitmap& bitmap, int x, int y) {
    uint32_t p = bitmap.ScanLine(y)[x];
    return RGBToColor(static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p));
}

}  // namespace

void PaintParentBackground(TCanvas& canvas, TControl* control) {
    TWinControl* parent = control ? control->Parent() : nullptr;
    if (!parent) return;
    auto& active = ParentPaints();
    if (std::find(active.begin(), active.end(), control) != active.end()) return;
    active.push_back(control);
    TScopeExit done([&] { active.erase(std::find(active.begin(), active.end(), control)); });

    HDC dc = canvas.Handle();
    {
        TSaveDC saved(dc);
        // A relative move, so that a control nested in another transparent one adds up.
        OffsetViewportOrgEx(dc, -control->Left(), -control->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, parent->GetClientWidth(), parent->GetClientHeight());
        parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    }
    canvas.Refresh();
}

void TilePicture(TCanvas& canvas, TGraphic* graphic, const TRect& rect) {
    if (!graphic || graphic->Empty()) return;
    const int w = graphic->Width(), h = graphic->Height();
    if (w <= 0 || h <= 0) return;
    for (int y = 0; y < rect.Height() + h; y += h)
        for (int x = 0; x < rect.Width() + w; x += w) canvas.Draw(x, y, graphic);
}

void TilePicture(TCanvas& canvas, TPicture* picture, const TRect& rect) {
    TilePicture(canvas, picture ? picture->Graphic() : nullptr, rect);
}

bool PointInRect(TPoint point, const TRect& rect) {
    return point.X >= rect.Left && point.X <= rect.Right && point.Y >= rect.Top && point.Y <= rect.Bottom;
}

TRect GetWorkArea() {
    TCustomForm* mainForm = Application ? Application->MainForm() : nullptr;
    if (mainForm && mainForm->HandleAllocated()) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoA(MonitorFromWindow(mainForm->Handle(), MONITOR_DEFAULTTONEAREST), &info))
            return TRect(info.rcWork);
    }
    RECT r{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return TRect(r);
}

void SetControlBounds(TControl* control, const TRect& rect) {
    control->SetLeft(rect.Left);
    control->SetTop(rect.Top);
    control->SetWidth(rect.Right - rect.Left);
    control->SetHeight(rect.Bottom - rect.Top);
}

void DrawThreeSliceBitmap(TBitmap* bitmap, TCanvas& canvas, const TRect& rect, bool cornerKey, bool pixelKey) {
    if (!bitmap || bitmap->Width() < 3 || bitmap->Height() <= 0) return;
    const int sw = bitmap->Width() / 3, h = bitmap->Height();
    const TColor key = !pixelKey ? clFuchsia : PixelColor(*bitmap, 0, cornerKey ? 0 : h - 1);
    HDC dc = canvas.Handle();
    DrawTransparentBitmap(dc, Bounds(rect.Left, rect.Top, sw, h), *bitmap, Bounds(0, 0, sw, h), key);
    DrawTransparentBitmap(dc, Bounds(rect.Right - sw, rect.Top, sw, h), *bitmap, Bounds(2 * sw, 0, sw, h), key);
    TRect middle(rect.Left + sw, rect.Top, rect.Right - sw, rect.Bottom);
    if (!middle.IsEmpty()) DrawTransparentBitmap(dc, middle, *bitmap, Bounds(sw, 0, sw, h), key);
}

void RotateBitmap90(TBitmap* bitmap) {
    if (!bitmap || bitmap->Empty()) return;
    const int w = bitmap->Width(), h = bitmap->Height();
    std::vector<uint32_t> turned(size_t(w) * size_t(h));
    // Source (x, y) goes to (y, w - 1 - x) of an h-wide result.
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = bitmap->ScanLine(y);
        for (int x = 0; x < w; ++x) turned[size_t(w - 1 - x) * size_t(h) + size_t(y)] = row[x];
    }
    bitmap->SetSize(h, w);
    for (int y = 0; y < w; ++y) std::memcpy(bitmap->ScanLine(y), &turned[size_t(y) * size_t(h)], size_t(h) * 4);
    bitmap->Changed();
}

void RotateBitmap180(TBitmap* bitmap) {
    if (!bitmap || bitmap->Empty()) return;
    const int w = bitmap->Width(), h = bitmap->Height();
    for (int y = 0; y < (h + 1) / 2; ++y) {
        uint32_t* top = bitmap->ScanLine(y);
        uint32_t* bottom = bitmap->ScanLine(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            if (top == bottom && x >= w - 1 - x) break;   // the middle row turns about its centre
            std::swap(top[x], bottom[w - 1 - x]);
        }
    }
    bitmap->Changed();
}

bool HasPublishedProperty(const TObject* component, std::string_view name) {
    return component && IsPublishedProp(component, name);
}

void CutBitmapFrame(TBitmap* bitmap, TGraphic* graphic, int frameCount, int frameIndex) {
    if (!bitmap || !graphic) return;
    if (frameCount < 1) frameCount = frameIndex = 1;
    frameIndex = std::clamp(frameIndex, 1, frameCount);
    const int fw = bitmap->Width() / frameCount, h = bitmap->Height();
    const int left = (frameIndex - 1) * fw;
    auto copyInto = [&](TBitmap& dest) {
        dest.SetSize(fw, h);
        if (dest.Empty()) return;
        for (int y = 0; y < h; ++y) std::memcpy(dest.ScanLine(y), bitmap->ScanLine(y) + left, size_t(fw) * 4);
        dest.Changed();
    };
    if (auto* dest = dynamic_cast<TBitmap*>(graphic)) {
        if (dest != bitmap) {
            copyInto(*dest);
            return;
        }
    }
    TBitmap frame;
    frame.SetPixelFormat(bitmap->PixelFormat());
    copyInto(frame);
    graphic->Assign(&frame);
}

bool IsFormActive(TCustomForm* form) {
    TCustomForm* mainForm = Application ? Application->MainForm() : nullptr;
    if (!mainForm) return form && form->Active();
    const bool mdiParent = mainForm->GetFormStyle() == fsMDIForm;
    if (mdiParent && form == mainForm) return true;
    if (!Application->Active()) return false;
    if (!form || form == mainForm) return true;
    if (mdiParent && mainForm->HandleAllocated() && form->HandleAllocated()) {
        HWND client = FindWindowExA(mainForm->Handle(), nullptr, "MDICLIENT", nullptr);
        if (client && reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)) == form->Handle()) return true;
    }
    return form->Active();
}

void ApplyThemeToChildren(TWinControl* frame, TskUIStyle style, TskFileTheme* fileTheme) {
    if (!frame) return;
    for (int i = 0; i < frame->ControlCount(); ++i) {
        TControl* c = frame->Controls(i);
        if (!HasPublishedProperty(c, "FileTheme") || !HasPublishedProperty(c, "UIStyle")) continue;
        SetObjectProp(c, "FileTheme", fileTheme);
        SetPropValue(c, "UIStyle", TPropType<TskUIStyle>::ToValue(style));
    }
}
