// The skinned frame's geometry and painting: client rectangle, window shape, maximised
// bounds, the border over the window's edge, the background and the menu bar's look.
#include "controls/skinned/SkForm.h"

#include "controls/skinned/SkMenu.h"
#include "controls/skinned/SkPublic.h"
#include "framework/Guards.h"

#include <algorithm>

namespace {

constexpr TColor kDisabledMenuText = MakeColor(0x808080);

// A scratch strip: its size, then pictures drawn into it, then the strip onto the window.
class TStrip {
public:
    bool Resize(int w, int h) {
        if (w <= 0 || h <= 0) return false;
        bitmap_.SetSize(w, h);
        return true;
    }
    TCanvas& Canvas() { return *bitmap_.Canvas(); }
    int Width() const { return bitmap_.Width(); }
    void DrawOn(TCanvas& canvas, int x, int y) { canvas.Draw(x, y, &bitmap_); }
private:
    TBitmap bitmap_;
};

void Fill(TCanvas& c, const TRect& r, TColor color) {
    if (r.IsEmpty()) return;
    c.Brush()->SetStyle(bsSolid);
    c.Brush()->SetColor(color);
    c.FillRect(r);
}

bool HasPicture(const TGraphic* g) { return g && !g->Empty(); }

void PaintPlainBorder(TCanvas& c, const TskFrameBorder& b) {
    const int W = b.Width, H = b.Height, bw = b.BorderWidth;
    const int T = b.TitleVisible ? b.TitleHeight : 0;
    Fill(c, TRect(0, 0, bw, H), b.BorderColor);
    Fill(c, TRect(0, H - bw, W, H), b.BorderColor);
    Fill(c, TRect(W - bw, 0, W, H), b.BorderColor);
    if (bw < 4) {
        Fill(c, TRect(bw, T, 3, H - bw), b.Color);
        Fill(c, TRect(bw, H - 3, W - bw, H - bw), b.Color);
        Fill(c, TRect(W - 3, T, W - bw, H - bw), b.Color);
        if (b.MenuBarVisible) {
            const int top = b.TitleHeight + 3, bottom = top + b.MenuBarHeight;
            Fill(c, TRect(bw, top, 3, bottom), b.MenuBarColor);
            Fill(c, TRect(W - 3, top, W - bw, bottom), b.MenuBarColor);
        }
    }
    const bool pictures = HasPicture(b.Left) && HasPicture(b.Client) && HasPicture(b.Right);
    if (b.TitleVisible && pictures && bw < 4) {
        TStrip g;
        // Three pixels less the border: nothing to draw when the border is three wide.
        if (g.Resize(3 - bw, b.Left->Height())) {
            g.Canvas().Draw(0, 0, b.Left);
            g.DrawOn(c, bw, 0);
            if (b.Right->Width() < 3) g.Canvas().StretchDraw(TRect(0, 0, g.Width(), b.Left->Height()), b.Right);
            else g.Canvas().Draw(2 - b.Right->Width(), 0, b.Right);
            g.DrawOn(c, W - 3, 0);
        }
        if (g.Resize(W - 5, 3)) {
            const int rightX = g.Width() - b.Right->Width() + 3;
            g.Canvas().Draw(-2, 0, b.Left);
            g.Canvas().Draw(rightX, 0, b.Right);
            g.Canvas().StretchDraw(TRect(b.Left->Width() - 2, 0, rightX, b.Client->Height()), b.Client);
            g.DrawOn(c, 2, 0);
        }
        if (bw == 1 && b.RoundCorner == 11) {
            const int rc = b.RoundCorner;
            c.Pen()->SetColor(b.BorderColor);
            c.Arc(W - 2 * rc + 1, -1, W + 1, 2 * rc - 1, W + 1, rc - 1, W - rc + 1, -1);
            c.Arc(-1, -1, 2 * rc - 1, 2 * rc - 1, rc - 1, -1, -1, rc - 1);
        }
    } else if (!b.TitleVisible) {
        Fill(c, TRect(0, 0, W, 1), b.BorderColor);
        Fill(c, TRect(bw, 1, W - bw, 3), b.Color);
    }
}

void PaintPictureBorder(TCanvas& c, const TskFrameBorder& b) {
    const int W = b.Width, H = b.Height, p = b.RightBorder->Width();
    const int T = b.TitleVisible ? b.TitleHeight : 0;
    int D = 0;
    if (b.BottomBorder && !b.BottomBorder->Empty()) {
        D = b.BottomBorder->Height();
        DrawThreeSliceBitmap(b.BottomBorder, c, TRect(0, H - D, W, H), true, false);
    }
    if (b.LeftBorder && !b.LeftBorder->Empty()) c.StretchDraw(TRect(0, T, p, H - D), b.LeftBorder);
    c.StretchDraw(TRect(W - p, T, W, H - D), b.RightBorder);
    Fill(c, TRect(p, T, p + 1, H - D), b.Color);
    Fill(c, TRect(p + 1, H - D - 1, W - p - 1, H - D), b.Color);
    Fill(c, TRect(W - p - 1, T, W - p, H - D), b.Color);
    if (b.MenuBarVisible) {
        Fill(c, TRect(p, T, p + 1, T + b.MenuBarHeight + 3), b.MenuBarColor);
        Fill(c, TRect(W - p - 1, T + 3, W - p, T + b.MenuBarHeight + 3), b.MenuBarColor);
    }
    if (b.TitleVisible && HasPicture(b.Left) && HasPicture(b.Client) && HasPicture(b.Right)) {
        TStrip g;
        if (g.Resize(p + 2, b.Left->Height())) {
            g.Canvas().Draw(0, 0, b.Left);
            g.DrawOn(c, 0, 0);
            if (b.Right->Width() < g.Width()) g.Canvas().StretchDraw(TRect(0, 0, g.Width(), b.Left->Height()), b.Right);
            else g.Canvas().Draw(g.Width() - b.Right->Width(), 0, b.Right);
            g.DrawOn(c, W - g.Width(), 0);
        }
        if (g.Resize(W - 2 * p, 3)) {
            const int rightX = g.Width() + p - b.Right->Width();
            g.Canvas().Draw(1 - p, 0, b.Left);
            g.Canvas().Draw(rightX, 0, b.Right);
            g.Canvas().StretchDraw(TRect(b.Left->Width() - p, 0, rightX, b.Client->Height()), b.Client);
            g.DrawOn(c, p, 0);
        }
    } else {
        Fill(c, TRect(p, 0, W - p, 3), b.MenuBarVisible ? b.MenuBarColor : b.Color);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Geometry

TRect SkFormClientRect(const TRect& window, int rightBorderWidth, int bottomHeight) {
    const int side = rightBorderWidth > 0 ? std::max(0, rightBorderWidth - 2) : 0;
    TRect client(window.Left + side, window.Top, window.Right - side, window.Bottom - bottomHeight + 2);
    // The bottom picture's overlap must not reach past the window.
    client.Bottom = std::clamp(client.Bottom, client.Top, window.Bottom);
    client.Right = std::max(client.Right, client.Left);
    return client;
}

TGdiHandle CreateSkFormRegion(int width, int height, int roundCorner, int roundCornerBottom) {
    const int half = height / 2;
    const int top = std::max(0, roundCorner), bottom = std::max(0, roundCornerBottom);
    // Each half is a rounded rectangle reaching past the middle, cut at the middle, so the
    // corners there stay square.
    TGdiHandle upper(CreateRoundRectRgn(0, 0, width + 1, half + top + 1, top, top));
    TGdiHandle upperCut(CreateRectRgn(0, 0, width, half));
    CombineRgn(static_cast<HRGN>(upper.Get()), static_cast<HRGN>(upper.Get()), static_cast<HRGN>(upperCut.Get()), RGN_AND);
    TGdiHandle lower(CreateRoundRectRgn(0, half - bottom, width + 1, height + 1, bottom, bottom));
    TGdiHandle lowerCut(CreateRectRgn(0, half, width, height));
    CombineRgn(static_cast<HRGN>(lower.Get()), static_cast<HRGN>(lower.Get()), static_cast<HRGN>(lowerCut.Get()), RGN_AND);
    CombineRgn(static_cast<HRGN>(upper.Get()), static_cast<HRGN>(upper.Get()), static_cast<HRGN>(lower.Get()), RGN_OR);
    return upper;
}

TRect SkFormMaximizedRect(const TRect& workArea) {
    return TRect(workArea.Left - 4, workArea.Top - 4, workArea.Right + 4, workArea.Bottom - 1);
}

void PaintSkFormBorder(TCanvas& canvas, const TskFrameBorder& border) {
    if (border.Width <= 0 || border.Height <= 0) return;
    if (border.RightBorder && !border.RightBorder->Empty()) PaintPictureBorder(canvas, border);
    else PaintPlainBorder(canvas, border);
}

// ---------------------------------------------------------------------------------------
// TskForm painting

TskFrameBorder TskForm::BorderParams() const {
    TskFrameBorder b;
    RECT wr{};
    GetWindowRect(form_->WindowHandle(), &wr);
    b.Width = wr.right - wr.left;
    b.Height = wr.bottom - wr.top;
    b.BorderWidth = borderWidth_;
    b.BorderColor = borderColor_;
    b.Color = color_;
    b.TitleVisible = titleBarVisible_ && titleBar_ && titleBar_->GetVisible();
    b.TitleHeight = titleBar_ ? titleBar_->Height() : 0;
    b.MenuBarVisible = menuBar_ && menuBar_->GetVisible();
    b.MenuBarHeight = menuBar_ ? menuBar_->Height() : 0;
    b.MenuBarColor = menuBar_ ? menuBar_->GetColor() : menuBarColor_;
    b.RoundCorner = titleBar_ ? titleBar_->GetRoundCorner() : 0;
    if (titleBar_ && titleBar_->GetSections()->Count() == 3) {
        b.Left = titleBar_->GetSections()->Items(0)->GetPicture()->Graphic();
        b.Right = titleBar_->GetSections()->Items(1)->GetPicture()->Graphic();
        b.Client = titleBar_->GetSections()->Items(2)->GetPicture()->Graphic();
    }
    b.RightBorder = rightBorder_.get();
    return b;
}

// Drawn over the window's outermost pixels, children included: the frame's own margin
// lies under it.
void TskForm::PaintNonClient() {
    if (!form_ || !form_->HandleAllocated() || destroying_ || !titleBar_) return;
    HWND wnd = form_->WindowHandle();
    if (IsIconic(wnd)) return;
    HDC dc = GetDCEx(wnd, nullptr, DCX_WINDOW | DCX_CACHE);
    if (!dc) return;
    TScopeExit release([&] { ReleaseDC(wnd, dc); });
    TCanvas canvas;
    canvas.SetHandle(dc);
    TScopeExit detach([&] { canvas.SetHandle(nullptr); });
    TskFrameBorder border = BorderParams();
    // The theme's border pictures are read again for each paint, as the theme may change.
    TBitmap left, bottom;
    if (rightBorder_ && fileTheme_) {
        fileTheme_->ReadKeyBitmap(SkKey::FormLeftBorderImage, &left);
        fileTheme_->ReadKeyBitmap(SkKey::FormBottomBorderImage, &bottom);
        border.LeftBorder = &left;
        border.BottomBorder = &bottom;
    }
    PaintSkFormBorder(canvas, border);
}

void TskForm::UpdateRegion() {
    if (!form_ || !form_->HandleAllocated() || destroying_) return;
    HWND wnd = form_->WindowHandle();
    RECT wr{};
    GetWindowRect(wnd, &wr);
    TGdiHandle region = CreateSkFormRegion(wr.right - wr.left, wr.bottom - wr.top, GetRoundCorner(), GetRoundCornerBottom());
    // The window owns the region from here on.
    if (SetWindowRgn(wnd, static_cast<HRGN>(region.Get()), TRUE)) region.Release();
}

void TskForm::Paint() {
    const TRect r = GetClientRect();
    TCanvas* c = Canvas();
    const TskResolvedStyle resolved = ResolveUIStyle(fileTheme_, uiStyle_);
    const char* tile = nullptr;
    if (!resolved.FromFile && resolved.Style == MacOS) tile = "MACOS_FORM_BACKGROUND";
    if (!resolved.FromFile && resolved.Style == Protein) tile = "PROTEIN_FORM_BACKGROUND";
    if (tile && !r.IsEmpty()) {
        TBitmap pattern, buffer(r.Width(), r.Height());
        LoadStyleBitmapResource(tile, pattern);
        TilePicture(*buffer.Canvas(), &pattern, r);
        c->Draw(0, 0, &buffer);
    } else {
        c->Brush()->SetColor(color_);
        c->FillRect(r);
    }
    PaintNonClient();
}

// ---------------------------------------------------------------------------------------
// The menu bar's look: the menu's style and font when it is a skinned main menu.

void TskForm::MenuBarDrawButton(TToolBar*, TToolButton* Button, TCanvas* Canvas, TCustomDrawState State,
                                bool& DefaultDraw) {
    DefaultDraw = false;
    TskMainMenu* menu = SkinnedMenu();
    const TskStyleReader style(menu ? menu->GetFileTheme() : fileTheme_, menu ? menu->GetUIStyle() : uiStyle_);
    TCanvas& c = *Canvas;
    if (menu && menu->GetUseSystemFont()) {
        SetSystemMenuFont(c.Font());
    } else if (menu) {
        c.Font()->SetName(menu->GetFontName());
        c.Font()->SetSize(menu->GetFontSize());
        c.Font()->SetCharset(menu->GetFontCharset());
        c.Font()->SetColor(menu->GetFontColor());
    } else {
        c.Font()->Assign(Button->Font());
    }
    const std::string caption = Button->GetCaption();
    const UINT centred = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
    TRect r(0, 0, Button->Width(), Button->Height());
    const bool pressed = State.Contains(cdsSelected);
    c.Brush()->SetStyle(bsClear);
    if (State.Contains(cdsHot) || pressed) {
        if (!style.Resolved().FromFile && style.Resolved().Style == MacOS) {
            TBitmap face(r.Width(), r.Height()), band;
            LoadStyleBitmapResource("MACOS_MENU_SELECT", band);
            face.Canvas()->StretchDraw(r, &band);
            face.Canvas()->Font()->Assign(c.Font());
            face.Canvas()->Font()->SetColor(style.Color(SkKey::MenuSelectedFontColor));
            face.Canvas()->Brush()->SetStyle(bsClear);
            TRect tr(r.Left, r.Top, r.Right, r.Bottom + 2);
            face.Canvas()->DrawText(caption, tr, centred);
            c.Draw(0, 0, &face);
            return;
        }
        if (pressed) r.Right -= 2;
        Fill(c, r, style.Color(SkKey::MenuSelectedBackgroundColor));
        c.Brush()->SetColor(style.Color(SkKey::MenuSelectedBorderColor));
        c.FrameRect(r);
        TRect tr = r;
        if (pressed) tr.Offset(2, 0);
        tr.Offset(0, 2);
        c.Font()->SetColor(style.Color(SkKey::MenuSelectedFontColor));
        c.Brush()->SetStyle(bsClear);
        c.DrawText(caption, tr, centred);
        return;
    }
    TColor color = style.Color(SkKey::MenuFontColor);
    if (style.Resolved().FromFile && static_cast<uint32_t>(style.Color(SkKey::ControlFontColor)) == 0x30000) color = clWhite;
    if (!Button->GetEnabled()) color = kDisabledMenuText;
    c.Font()->SetColor(color);
    TRect tr = r;
    tr.Offset(0, 2);
    c.DrawText(caption, tr, centred);
}

void TskForm::MenuBarDraw(TToolBar* Sender, const TRect& ARect, bool& DefaultDraw) {
    TskMainMenu* menu = SkinnedMenu();
    const TskResolvedStyle resolved = ResolveUIStyle(menu ? menu->GetFileTheme() : fileTheme_, menu ? menu->GetUIStyle() : uiStyle_);
    if (resolved.FromFile || resolved.Style != MacOS) return;
    TBitmap band;
    LoadStyleBitmapResource("MACOS_MENU_BAR", band);
    Sender->Canvas()->StretchDraw(ARect, &band);
    DefaultDraw = false;
}
