#include "framework/Graphics.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>

// ---------------------------------------------------------------------------------------
// Colours

namespace {

struct TColorIdent {
    TColor Value;
    const char* Name;
};

// The first name of a value is the one written (clSilver, not clLtGray).
constexpr TColorIdent kColorIdents[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"},
    {clMedGray, "clMedGray"}, {clLtGray, "clLtGray"}, {clDkGray, "clDkGray"},
    {clNone, "clNone"}, {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"}, {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"}, {clMenu, "clMenu"}, {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"}, {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"}, {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"}, {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"}, {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"}, {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"}, {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"}, {clHotLight, "clHotLight"}, {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"}, {clMenuHighlight, "clMenuHighlight"},
    {clMenuBar, "clMenuBar"},
};

bool SameAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// DIB pixels are 0x00RRGGBB; colours are 0x00BBGGRR.
constexpr uint32_t ColorToPixel(TColor c) {
    uint32_t v = static_cast<uint32_t>(c);
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}
constexpr TColor PixelToColor(uint32_t p) {
    return MakeColor(((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF));
}

}  // namespace

TColor ColorToRGB(TColor color) {
    if (IsSystemColor(color)) return MakeColor(GetSysColor(static_cast<int>(static_cast<uint32_t>(color) & 0xFF)));
    return color;
}

bool ColorToIdent(int32_t color, std::string& ident) {
    for (auto& e : kColorIdents)
        if (static_cast<int32_t>(e.Value) == color) {
            ident = e.Name;
            return true;
        }
    return false;
}

bool IdentToColor(const std::string& ident, int32_t& color) {
    for (auto& e : kColorIdents)
        if (SameAscii(e.Name, ident)) {
            color = static_cast<int32_t>(e.Value);
            return true;
        }
    return false;
}

std::string ColorToString(TColor color) {
    std::string s;
    if (ColorToIdent(color, s)) return s;
    return "$" + IntToHex(static_cast<uint32_t>(color), 8);
}

TColor StringToColor(const std::string& s) {
    int32_t c = 0;
    if (IdentToColor(s, c)) return MakeColor(static_cast<uint32_t>(c));
    int v = 0;
    if (TryStrToInt(s, v)) return MakeColor(static_cast<uint32_t>(v));
    throw EConvertError("'" + s + "' is not a valid colour");
}

TValue TPropType<TColor>::ToValue(TColor v) {
    std::string ident;
    if (ColorToIdent(v, ident)) return TValue::MakeIdent(ident);
    return TValue::MakeInt(static_cast<int32_t>(v));
}

TColor TPropType<TColor>::FromValue(const TValue& v) {
    if (v.Kind == TValueKind::Ident) {
        int32_t c = 0;
        if (IdentToColor(v.Str, c)) return MakeColor(static_cast<uint32_t>(c));
    } else if (v.Kind == TValueKind::Integer && v.Int >= INT32_MIN && v.Int <= int64_t(UINT32_MAX)) {
        return MakeColor(static_cast<uint32_t>(v.Int));
    }
    RaiseInvalidPropertyValue(v);
}

// ---------------------------------------------------------------------------------------
// Graphics objects

IMPLEMENT_CLASS(TGraphicsObject);
IMPLEMENT_CLASS(TFont);
IMPLEMENT_CLASS(TPen);
IMPLEMENT_CLASS(TBrush);

void TGraphicsObject::Changed() {
    // The old object must outlive the listeners, which select it out of their DCs.
    TGdiHandle old = std::move(handle_);
    if (OnChange) OnChange(this);
}

HGDIOBJ TGraphicsObject::GetGdiHandle() const {
    if (!handle_) {
        handle_.Reset(CreateGdiObject());
        if (!handle_) throw EOutOfResources("Out of system resources");
    }
    return handle_.Get();
}

void TGraphicsObject::ChangeHandle(HGDIOBJ h) {
    TGdiHandle old = std::move(handle_);
    handle_.Reset(h);
    if (OnChange) OnChange(this);
}

int ScreenPixelsPerInch() {
    static const int ppi = [] {
        TWindowDC dc(nullptr);
        int v = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 0;
        return v > 0 ? v : 96;
    }();
    return ppi;
}

TFont::TFont() : name_("MS Sans Serif"), height_(-MulDiv(8, ScreenPixelsPerInch(), 72)) {}

void TFont::Publish(TClassBuilder<TFont>& b) {
    b.Prop("Charset", &TFont::GetCharset, &TFont::SetCharset);
    b.Prop("Color", &TFont::GetColor, &TFont::SetColor);
    b.Prop("Height", &TFont::GetHeight, &TFont::SetHeight);
    b.Prop("Name", &TFont::GetName, &TFont::SetName);
    b.Prop("Orientation", &TFont::GetOrientation, &TFont::SetOrientation);
    b.Prop("Pitch", &TFont::GetPitch, &TFont::SetPitch);
    b.Prop("Size", &TFont::GetSize, &TFont::SetSize);
    b.Prop("Style", &TFont::GetStyle, &TFont::SetStyle);
}

void TFont::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TFont*>(Source)) {
        if (f == this) return;
        int height = f->height_;
        if (f->Ppi() != Ppi()) height = MulDiv(height, Ppi(), f->Ppi());
        if (name_ == f->name_ && height_ == height && color_ == f->color_ && style_ == f->style_ &&
            charset_ == f->charset_ && pitch_ == f->pitch_ && orientation_ == f->orientation_)
            return;
        name_ = f->name_;
        height_ = height;
        color_ = f->color_;
        style_ = f->style_;
        charset_ = f->charset_;
        pitch_ = f->pitch_;
        orientation_ = f->orientation_;
        Changed();
        return;
    }
    inherited::Assign(Source);
}

int TFont::Ppi() const { return pixelsPerInch_ > 0 ? pixelsPerInch_ : ScreenPixelsPerInch(); }

void TFont::SetName(const std::string& value) {
    if (value.empty() || value == name_) return;
    name_ = value;
    Changed();
}

void TFont::SetHeight(int value) {
    if (value == height_) return;
    height_ = value;
    Changed();
}

int TFont::GetSize() const { return -MulDiv(height_, 72, Ppi()); }

void TFont::SetSize(int value) { SetHeight(-MulDiv(value, Ppi(), 72)); }

void TFont::SetColor(TColor value) {
    if (value == color_) return;
    color_ = value;
    // The colour is not part of the GDI font: listeners only need to know.
    if (OnChange) OnChange(this);
}

void TFont::SetStyle(TFontStyles value) {
    if (value == style_) return;
    style_ = value;
    Changed();
}

void TFont::SetCharset(TFontCharset value) {
    if (value == charset_) return;
    charset_ = value;
    Changed();
}

void TFont::SetPitch(TFontPitch value) {
    if (value == pitch_) return;
    pitch_ = value;
    Changed();
}

void TFont::SetOrientation(int value) {
    if (value == orientation_) return;
    orientation_ = value;
    Changed();
}

LOGFONTA TFont::GetLogFont() const {
    LOGFONTA lf{};
    lf.lfHeight = height_;
    lf.lfEscapement = orientation_;
    lf.lfOrientation = orientation_;
    lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = style_.Contains(fsItalic);
    lf.lfUnderline = style_.Contains(fsUnderline);
    lf.lfStrikeOut = style_.Contains(fsStrikeOut);
    lf.lfCharSet = charset_;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = pitch_ == fpFixed ? FIXED_PITCH : pitch_ == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    strncpy(lf.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
    return lf;
}

static void ReadLogFont(const LOGFONTA& lf, std::string& name, int& height, TFontStyles& style,
                        TFontCharset& charset, TFontPitch& pitch, int& orientation) {
    name.assign(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
    height = lf.lfHeight;
    style = {};
    if (lf.lfWeight >= FW_BOLD) style.Include(fsBold);
    if (lf.lfItalic) style.Include(fsItalic);
    if (lf.lfUnderline) style.Include(fsUnderline);
    if (lf.lfStrikeOut) style.Include(fsStrikeOut);
    charset = lf.lfCharSet;
    int p = lf.lfPitchAndFamily & 3;
    pitch = p == FIXED_PITCH ? fpFixed : p == VARIABLE_PITCH ? fpVariable : fpDefault;
    orientation = lf.lfEscapement;
}

void TFont::SetLogFont(const LOGFONTA& lf) {
    ReadLogFont(lf, name_, height_, style_, charset_, pitch_, orientation_);
    Changed();
}

void TFont::SetHandle(HFONT value) {
    if (!value || value == Handle()) return;
    LOGFONTA lf{};
    if (!GetObjectA(value, sizeof lf, &lf)) throw EInvalidGraphic("Invalid font handle");
    ReadLogFont(lf, name_, height_, style_, charset_, pitch_, orientation_);
    ChangeHandle(value);
}

HGDIOBJ TFont::CreateGdiObject() const {
    LOGFONTA lf = GetLogFont();
    return CreateFontIndirectA(&lf);
}

int PenModeToROP2(TPenMode mode) {
    static constexpr int rop2[] = {R2_BLACK,       R2_WHITE,       R2_NOP,         R2_NOT,
                                   R2_COPYPEN,     R2_NOTCOPYPEN,  R2_MERGEPENNOT, R2_MASKPENNOT,
                                   R2_MERGENOTPEN, R2_MASKNOTPEN,  R2_MERGEPEN,    R2_NOTMERGEPEN,
                                   R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,      R2_NOTXORPEN};
    return rop2[static_cast<int>(mode)];
}

void TPen::Publish(TClassBuilder<TPen>& b) {
    b.Prop("Color", &TPen::GetColor, &TPen::SetColor);
    b.Prop("Mode", &TPen::GetMode, &TPen::SetMode);
    b.Prop("Style", &TPen::GetStyle, &TPen::SetStyle);
    b.Prop("Width", &TPen::GetWidth, &TPen::SetWidth);
}

void TPen::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TPen*>(Source)) {
        if (p == this) return;
        if (color_ == p->color_ && width_ == p->width_ && style_ == p->style_ && mode_ == p->mode_) return;
        color_ = p->color_;
        width_ = p->width_;
        style_ = p->style_;
        mode_ = p->mode_;
        Changed();
        return;
    }
    inherited::Assign(Source);
}

void TPen::SetColor(TColor value) {
    if (value == color_) return;
    color_ = value;
    Changed();
}

void TPen::SetWidth(int value) {
    if (value < 0) value = 0;
    if (value == width_) return;
    width_ = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value) {
    if (value == style_) return;
    style_ = value;
    Changed();
}

void TPen::SetMode(TPenMode value) {
    if (value == mode_) return;
    mode_ = value;
    if (OnChange) OnChange(this);
}

HGDIOBJ TPen::CreateGdiObject() const {
    // TPenStyle follows PS_SOLID .. PS_INSIDEFRAME.
    return CreatePen(static_cast<int>(style_), width_, ColorToColorRef(color_));
}

TBrush::~TBrush() = default;

void TBrush::Publish(TClassBuilder<TBrush>& b) {
    b.Prop("Color", &TBrush::GetColor, &TBrush::SetColor);
    b.Prop("Style", &TBrush::GetStyle, &TBrush::SetStyle);
}

void TBrush::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TBrush*>(Source)) {
        if (s == this) return;
        if (color_ == s->color_ && style_ == s->style_ && bitmap_ == s->bitmap_) return;
        color_ = s->color_;
        style_ = s->style_;
        bitmap_ = s->bitmap_;
        Changed();
        return;
    }
    inherited::Assign(Source);
}

void TBrush::SetColor(TColor value) {
    // Giving a clear brush a colour makes it solid, so "Brush.Color := x" always paints.
    if (value == color_ && style_ != bsClear) return;
    color_ = value;
    if (style_ == bsClear) style_ = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle value) {
    if (value == style_ && !bitmap_) return;
    style_ = value;
    bitmap_ = nullptr;
    Changed();
}

void TBrush::SetBitmap(TBitmap* value) {
    if (value == bitmap_) return;
    bitmap_ = value;
    Changed();
}

HGDIOBJ TBrush::CreateGdiObject() const {
    if (bitmap_ && !bitmap_->Empty()) return CreatePatternBrush(bitmap_->Handle());
    switch (style_) {
    case bsSolid: return CreateSolidBrush(ColorToColorRef(color_));
    case bsClear: {
        LOGBRUSH lb{BS_NULL, 0, 0};
        return CreateBrushIndirect(&lb);
    }
    default:
        // bsHorizontal .. bsDiagCross follow HS_HORIZONTAL .. HS_DIAGCROSS.
        return CreateHatchBrush(static_cast<int>(style_) - static_cast<int>(bsHorizontal), ColorToColorRef(color_));
    }
}

// ---------------------------------------------------------------------------------------
// Canvas

IMPLEMENT_CLASS(TCanvas);

namespace {
using enum TCanvasStates;
constexpr TCanvasState kDrawState{csHandleValid, csPenValid, csBrushValid};
}

TCanvas::TCanvas() : font_(new TFont), pen_(new TPen), brush_(new TBrush) {
    font_->OnChange = [this](TObject*) { ObjectChanged(csFontValid, SYSTEM_FONT); };
    pen_->OnChange = [this](TObject*) { ObjectChanged(csPenValid, BLACK_PEN); };
    brush_->OnChange = [this](TObject*) { ObjectChanged(csBrushValid, WHITE_BRUSH); };
}

TCanvas::~TCanvas() {
    if (dc_) DeselectHandles();
}

HDC TCanvas::Handle() {
    RequiredState({csHandleValid});
    return dc_;
}

void TCanvas::SetHandle(HDC value) {
    if (value == dc_) return;
    if (dc_) DeselectHandles();
    dc_ = value;
    state_ = value ? TCanvasState{csHandleValid} : TCanvasState{};
}

void TCanvas::Refresh() { DeselectHandles(); }

void TCanvas::DeselectHandles() {
    if (!dc_) return;
    // Only our own objects are replaced: an outside selection stays where it is.
    if (font_->HandleAllocated() && GetCurrentObject(dc_, OBJ_FONT) == font_->Handle())
        SelectObject(dc_, GetStockObject(SYSTEM_FONT));
    if (pen_->HandleAllocated() && GetCurrentObject(dc_, OBJ_PEN) == pen_->Handle())
        SelectObject(dc_, GetStockObject(BLACK_PEN));
    if (brush_->HandleAllocated() && GetCurrentObject(dc_, OBJ_BRUSH) == brush_->Handle())
        SelectObject(dc_, GetStockObject(WHITE_BRUSH));
    state_ = state_ * TCanvasState{csHandleValid};
}

void TCanvas::RequiredState(TCanvasState required) {
    if (!dc_) {
        CreateHandle();
        if (!dc_) throw EInvalidOperation("Canvas does not allow drawing");
        state_.Include(csHandleValid);
    }
    // The DC is asked what it holds, so a RestoreDC or an outside SelectObject is noticed.
    if (required.Contains(csFontValid)) {
        HFONT f = font_->Handle();
        if (GetCurrentObject(dc_, OBJ_FONT) != f) SelectObject(dc_, f);
        SetTextColor(dc_, ColorToColorRef(font_->GetColor()));
        state_.Include(csFontValid);
    }
    if (required.Contains(csPenValid)) {
        HPEN p = pen_->Handle();
        if (GetCurrentObject(dc_, OBJ_PEN) != p) SelectObject(dc_, p);
        SetROP2(dc_, PenModeToROP2(pen_->GetMode()));
        state_.Include(csPenValid);
    }
    if (required.Contains(csBrushValid)) {
        HBRUSH b = brush_->Handle();
        if (GetCurrentObject(dc_, OBJ_BRUSH) != b) {
            UnrealizeObject(b);
            SelectObject(dc_, b);
        }
        if (brush_->GetStyle() == bsSolid || brush_->GetBitmap()) {
            SetBkColor(dc_, ColorToColorRef(brush_->GetColor()));
            SetBkMode(dc_, OPAQUE);
        } else {
            SetBkColor(dc_, ~ColorToColorRef(brush_->GetColor()) & 0xFFFFFF);
            SetBkMode(dc_, TRANSPARENT);
        }
        state_.Include(csBrushValid);
    }
}

void TCanvas::ObjectChanged(TCanvasStates valid, int stockObject) {
    if (dc_ && state_.Contains(valid)) {
        SelectObject(dc_, GetStockObject(stockObject));
        state_.Exclude(valid);
    }
}

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

TPoint TCanvas::PenPos() {
    RequiredState({csHandleValid});
    POINT p{};
    GetCurrentPositionEx(dc_, &p);
    return p;
}

void TCanvas::MoveTo(int x, int y) {
    RequiredState({csHandleValid});
    MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
    Changing();
    RequiredState(kDrawState);
    ::LineTo(dc_, x, y);
    Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    Changing();
    RequiredState(kDrawState);
    ::Rectangle(dc_, x1, y1, x2, y2);
    Changed();
}

void TCanvas::FillRect(const TRect& r) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    RECT rc = r;
    ::FillRect(dc_, &rc, brush_->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& r) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    RECT rc = r;
    ::FrameRect(dc_, &rc, brush_->Handle());
    Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    Changing();
    RequiredState(kDrawState);
    ::Ellipse(dc_, x1, y1, x2, y2);
    Changed();
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int cx, int cy) {
    Changing();
    RequiredState(kDrawState);
    ::RoundRect(dc_, x1, y1, x2, y2, cx, cy);
    Changed();
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    Changing();
    RequiredState(kDrawState);
    ::Arc(dc_, x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    Changing();
    RequiredState(kDrawState);
    ::Pie(dc_, x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

static std::vector<POINT> ToPoints(std::span<const TPoint> points) {
    std::vector<POINT> pts;
    pts.reserve(points.size());
    for (auto& p : points) pts.push_back(POINT{p.X, p.Y});
    return pts;
}

void TCanvas::Polygon(std::span<const TPoint> points) {
    if (points.empty()) return;
    Changing();
    RequiredState(kDrawState);
    auto pts = ToPoints(points);
    ::Polygon(dc_, pts.data(), static_cast<int>(pts.size()));
    Changed();
}

void TCanvas::Polyline(std::span<const TPoint> points) {
    if (points.empty()) return;
    Changing();
    RequiredState(kDrawState);
    auto pts = ToPoints(points);
    ::Polyline(dc_, pts.data(), static_cast<int>(pts.size()));
    Changed();
}

void TCanvas::FloodFill(int x, int y, TColor color, bool surface) {
    Changing();
    RequiredState(kDrawState);
    ExtFloodFill(dc_, x, y, ColorToColorRef(color), surface ? FLOODFILLSURFACE : FLOODFILLBORDER);
    Changed();
}

TColor TCanvas::Pixels(int x, int y) {
    RequiredState({csHandleValid});
    return MakeColor(GetPixel(dc_, x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color) {
    Changing();
    RequiredState({csHandleValid, csPenValid});
    SetPixelV(dc_, x, y, ColorToColorRef(color));
    Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    TextOutA(dc_, x, y, text.data(), static_cast<int>(text.size()));
    SIZE sz{};
    if (!GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &sz)) sz = {};
    MoveToEx(dc_, x + sz.cx, y, nullptr);
    Changed();
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    UINT options = ETO_CLIPPED;
    if (brush_->GetStyle() != bsClear) options |= ETO_OPAQUE;
    RECT rc = r;
    ExtTextOutA(dc_, x, y, options, &rc, text.data(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

TSize TCanvas::TextExtent(const std::string& text) {
    RequiredState({csHandleValid, csFontValid});
    SIZE sz{};
    if (!GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &sz)) return {};
    return {static_cast<int>(sz.cx), static_cast<int>(sz.cy)};
}

int TCanvas::DrawText(const std::string& text, TRect& r, UINT format) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    RECT rc = r;
    int result = DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &rc, format);
    r = rc;
    Changed();
    return result;
}

void TCanvas::DrawFocusRect(const TRect& r) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    RECT rc = r;
    ::DrawFocusRect(dc_, &rc);
    Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    Changing();
    RequiredState({csHandleValid});
    graphic->Draw(*this, Bounds(x, y, graphic->Width(), graphic->Height()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    Changing();
    RequiredState({csHandleValid});
    graphic->Draw(*this, r);
    Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& src) {
    if (!source) return;
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    source->RequiredState({csHandleValid, csFontValid, csBrushValid});
    StretchBlt(dc_, dest.Left, dest.Top, dest.Width(), dest.Height(), source->dc_, src.Left, src.Top, src.Width(),
               src.Height(), copyMode_);
    Changed();
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap* source, const TRect& src, TColor color) {
    if (!source || source->Empty()) return;
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    TGdiHandle mask = source->CreateMask(color);
    TMemDCHandle maskDC(CreateCompatibleDC(dc_));
    TSelectObject selMask(maskDC.Get(), mask.Get());
    HDC srcDC = source->Canvas()->Handle();
    int dw = dest.Width(), dh = dest.Height(), sw = src.Width(), sh = src.Height();
    // A monochrome source becomes text colour (0) and background colour (1) on a colour
    // DC: black and white make the mask usable as an AND/OR operand.
    COLORREF oldText = SetTextColor(dc_, RGB(0, 0, 0));
    COLORREF oldBk = SetBkColor(dc_, RGB(255, 255, 255));
    int oldMode = SetStretchBltMode(dc_, COLORONCOLOR);
    StretchBlt(dc_, dest.Left, dest.Top, dw, dh, srcDC, src.Left, src.Top, sw, sh, SRCCOPY);
    StretchBlt(dc_, dest.Left, dest.Top, dw, dh, maskDC.Get(), src.Left, src.Top, sw, sh, 0x00220326);  // D & ~S
    StretchBlt(dc_, dest.Left, dest.Top, dw, dh, maskDC.Get(), src.Left, src.Top, sw, sh, 0x00EA02E9);  // D | (P & S)
    SetStretchBltMode(dc_, oldMode);
    SetBkColor(dc_, oldBk);
    SetTextColor(dc_, oldText);
    Changed();
}

TRect TCanvas::ClipRect() {
    RequiredState({csHandleValid});
    RECT rc{};
    GetClipBox(dc_, &rc);
    return rc;
}

void TCanvas::Lock() {
    lock_.lock();
    ++lockCount_;
}

bool TCanvas::TryLock() {
    if (!lock_.try_lock()) return false;
    ++lockCount_;
    return true;
}

void TCanvas::Unlock() {
    --lockCount_;
    lock_.unlock();
}

// ---------------------------------------------------------------------------------------
// TGraphic

IMPLEMENT_CLASS(TGraphic);

void TGraphic::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Changed();
}

void TGraphic::SetModified(bool value) {
    if (value) Changed();
    else modified_ = false;
}

void TGraphic::Changed() {
    modified_ = true;
    if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream fs(fileName, TFileMode::fmOpenRead);
    LoadFromStream(fs);
}

void TGraphic::SaveToFile(const std::string& fileName) {
    TFileStream fs(fileName, TFileMode::fmCreate);
    SaveToStream(fs);
}

void TGraphic::Assign(TPersistent* Source) {
    auto* g = dynamic_cast<TGraphic*>(Source);
    if (g && &g->ClassInfo() == &ClassInfo()) {
        if (g == this) return;
        TMemoryStream ms;
        g->SaveToStream(ms);
        ms.SetPosition(0);
        LoadFromStream(ms);
        return;
    }
    inherited::Assign(Source);
}

void TGraphic::AssignTo(TPersistent* Dest) {
    if (auto* bmp = dynamic_cast<TBitmap*>(Dest)) {
        bmp->SetSize(0, 0);
        bmp->SetSize(Width(), Height());
        if (!Empty()) Draw(*bmp->Canvas(), Rect(0, 0, Width(), Height()));
        return;
    }
    inherited::AssignTo(Dest);
}

// ---------------------------------------------------------------------------------------
// BMP data

namespace {

const char kBitmapInvalid[] = "Bitmap image is not valid";

constexpr int kMaxBitmapSide = 32768;
constexpr uint64_t kMaxBitmapPixels = uint64_t(1) << 26;   // 256 MB of 32-bit pixels

uint16_t Rd16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Rd32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
void Wr16(std::string& s, uint16_t v) { s += static_cast<char>(v & 0xFF); s += static_cast<char>(v >> 8); }
void Wr32(std::string& s, uint32_t v) { for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF); }

struct TDecodedImage {
    int Width = 0, Height = 0;
    TPixelFormat Format = pfDevice;
    std::vector<uint32_t> Pixels;   // top-down 0xAARRGGBB
};

// A channel described by a bit mask, scaled to 8 bits.
struct TChannel {
    uint32_t Mask = 0;
    int Shift = 0;
    uint32_t Max = 0;
    explicit TChannel(uint32_t mask) : Mask(mask) {
        if (!mask) return;
        Shift = std::countr_zero(mask);
        int bits = std::popcount(mask >> Shift);
        Max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    }
    uint32_t Get(uint32_t v) const {
        if (!Mask || !Max) return 0;
        return static_cast<uint32_t>((uint64_t((v & Mask) >> Shift) * 255 + Max / 2) / Max);
    }
};

// Decodes a DIB (info header, masks, palette, pixels) of size n. bitsOffset is where the
// pixels start, relative to dib; 0 means right after the colour table.
bool DecodeDib(const uint8_t* dib, size_t n, size_t bitsOffset, TDecodedImage& out) {
    if (n < 12) return false;
    const uint32_t hs = Rd32(dib);
    if (hs != 12 && hs != 40 && hs != 52 && hs != 56 && hs != 64 && hs != 108 && hs != 124) return false;
    if (hs > n) return false;
    const bool core = hs == 12;
    int64_t w, h;
    unsigned planes, bpp;
    uint32_t compression = BI_RGB, clrUsed = 0;
    if (core) {
        w = Rd16(dib + 4);
        h = Rd16(dib + 6);
        planes = Rd16(dib + 8);
        bpp = Rd16(dib + 10);
    } else {
        w = static_cast<int32_t>(Rd32(dib + 4));
        h = static_cast<int32_t>(Rd32(dib + 8));
        planes = Rd16(dib + 12);
        bpp = Rd16(dib + 14);
        compression = Rd32(dib + 16);
        clrUsed = Rd32(dib + 32);
    }
    if (hs == 64) return false;   // OS/2 2.x headers are not supported
    if (planes != 1) return false;
    const bool topDown = h < 0;
    if (topDown) h = -h;
    if (w <= 0 || h <= 0 || w > kMaxBitmapSide || h > kMaxBitmapSide) return false;
    if (uint64_t(w) * uint64_t(h) > kMaxBitmapPixels) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    switch (compression) {
    case BI_RGB: break;
    case BI_BITFIELDS: if (bpp != 16 && bpp != 32) return false; break;
    case BI_RLE8: if (bpp != 8 || topDown) return false; break;
    case BI_RLE4: if (bpp != 4 || topDown) return false; break;
    default: return false;
    }

    size_t pos = hs;
    uint32_t masks[4] = {0, 0, 0, 0};
    if (compression == BI_BITFIELDS) {
        if (hs == 40) {
            if (pos + 12 > n) return false;
            for (int i = 0; i < 3; ++i) masks[i] = Rd32(dib + pos + 4 * i);
            pos += 12;
        } else {
            for (int i = 0; i < 3; ++i) masks[i] = Rd32(dib + 40 + 4 * i);
        }
        if (hs >= 56) masks[3] = Rd32(dib + 52);
    } else if (bpp == 16) {
        masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F;
    }

    std::vector<uint32_t> palette;
    if (bpp <= 8) {
        uint32_t maxColors = 1u << bpp;
        if (clrUsed > maxColors) return false;
        uint32_t count = clrUsed ? clrUsed : maxColors;
        size_t entry = core ? 3 : 4;
        if (pos + size_t(count) * entry > n) return false;
        palette.resize(maxColors, 0);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* e = dib + pos + i * entry;
            palette[i] = uint32_t(e[0]) | (uint32_t(e[1]) << 8) | (uint32_t(e[2]) << 16);
        }
        pos += size_t(count) * entry;
    }

    if (bitsOffset == 0) bitsOffset = pos;
    if (bitsOffset < pos || bitsOffset >= n) return false;
    const uint8_t* bits = dib + bitsOffset;
    const size_t avail = n - bitsOffset;
    const int W = static_cast<int>(w), H = static_cast<int>(h);

    TDecodedImage img;
    img.Width = W;
    img.Height = H;
    img.Pixels.assign(size_t(W) * size_t(H), 0);
    auto row = [&](int y) { return img.Pixels.data() + size_t(topDown ? y : H - 1 - y) * size_t(W); };

    if (compression == BI_RLE8 || compression == BI_RLE4) {
        // y counts from the bottom row, as the data does.
        const bool four = compression == BI_RLE4;
        int x = 0, y = 0;
        size_t i = 0;
        // x never passes the row's end, however long the runs: pixels beyond it are dropped
        // (and a counter that kept growing would overflow into the image).
        auto put = [&](uint32_t index) {
            if (x >= W) return;
            if (y < H) row(y)[x] = palette[index & 0xFF];
            ++x;
        };
        while (i + 1 < avail && y < H) {
            uint8_t count = bits[i], value = bits[i + 1];
            i += 2;
            if (count) {
                for (int k = 0; k < count && x < W; ++k) put(four ? ((k & 1) ? value & 15 : value >> 4) : value);
            } else if (value == 0) {
                x = 0;
                ++y;
            } else if (value == 1) {
                break;
            } else if (value == 2) {
                if (i + 2 > avail) return false;
                x = std::min(x + bits[i], W);
                y += bits[i + 1];
                i += 2;
            } else {
                size_t bytes = four ? (value + 1) / 2 : value;
                if (i + bytes > avail) return false;
                for (int k = 0; k < value; ++k) {
                    uint8_t b = bits[i + (four ? k / 2 : k)];
                    put(four ? ((k & 1) ? b & 15 : b >> 4) : b);
                }
                i += (bytes + 1) & ~size_t(1);
            }
        }
    } else {
        const uint64_t stride = ((uint64_t(W) * bpp + 31) / 32) * 4;
        if (stride * uint64_t(H) > avail) return false;
        TChannel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
        for (int y = 0; y < H; ++y) {
            // Rows are stored bottom-up unless the height was negative.
            const uint8_t* src = bits + size_t(stride) * size_t(topDown ? y : H - 1 - y);
            uint32_t* dst = img.Pixels.data() + size_t(y) * size_t(W);
            for (int x = 0; x < W; ++x) {
                uint32_t p = 0;
                switch (bpp) {
                case 1: p = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
                case 4: p = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
                case 8: p = palette[src[x]]; break;
                case 16: {
                    uint32_t v = Rd16(src + 2 * x);
                    p = (r.Get(v) << 16) | (g.Get(v) << 8) | b.Get(v) | (a.Get(v) << 24);
                    break;
                }
                case 24: p = uint32_t(src[3 * x]) | (uint32_t(src[3 * x + 1]) << 8) | (uint32_t(src[3 * x + 2]) << 16); break;
                case 32:
                    if (compression == BI_RGB) {
                        p = Rd32(src + 4 * x);
                    } else {
                        uint32_t v = Rd32(src + 4 * x);
                        p = (r.Get(v) << 16) | (g.Get(v) << 8) | b.Get(v) | (a.Get(v) << 24);
                    }
                    break;
                }
                dst[x] = p;
            }
        }
    }
    switch (bpp) {
    case 1: img.Format = pf1bit; break;
    case 4: img.Format = pf4bit; break;
    case 8: img.Format = pf8bit; break;
    case 16: img.Format = compression == BI_RGB || masks[1] == 0x03E0 ? pf15bit : pf16bit; break;
    case 24: img.Format = pf24bit; break;
    default: img.Format = pf32bit; break;
    }
    out = std::move(img);
    return true;
}

bool DecodeBmpFile(const uint8_t* p, size_t n, TDecodedImage& out) {
    if (n < 14 + 12 || p[0] != 'B' || p[1] != 'M') return false;
    const uint32_t offBits = Rd32(p + 10);
    if (offBits < 14 + 12 || offBits >= n) return false;
    return DecodeDib(p + 14, n - 14, offBits - 14, out);
}

std::string ReadRest(TStream& stream) {
    int64_t size = stream.Size() - stream.Position();
    if (size <= 0) return {};
    if (size > int64_t(1) << 30) throw EInvalidGraphic(kBitmapInvalid);
    std::string data(static_cast<size_t>(size), '\0');
    stream.ReadBuffer(data.data(), size);
    return data;
}

TGdiHandle CreateDib32(int width, int height, uint32_t*& bits) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    TGdiHandle h(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &p, nullptr, 0));
    if (!h || !p) throw EOutOfResources("Out of system resources");
    bits = static_cast<uint32_t*>(p);
    return h;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TBitmap

IMPLEMENT_CLASS(TBitmap);

// The bitmap's canvas owns a memory DC with the bitmap selected, made when first needed
// and freed whenever the bitmap's DIB section is replaced.
class TBitmap::TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* owner) : owner_(owner) {}
    ~TBitmapCanvas() override { FreeContext(); }
    void FreeContext() {
        if (!HandleAllocated()) return;
        HDC dc = Handle();
        SetHandle(nullptr);
        if (oldBitmap_) SelectObject(dc, oldBitmap_);
        oldBitmap_ = nullptr;
        DeleteDC(dc);
    }
protected:
    void CreateHandle() override {
        HDC dc = CreateCompatibleDC(nullptr);
        if (!dc) throw EOutOfResources("Out of system resources");
        if (owner_->dib_) oldBitmap_ = SelectObject(dc, owner_->dib_.Get());
        SetHandle(dc);
    }
private:
    TBitmap* owner_;
    HGDIOBJ oldBitmap_ = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height) { SetSize(width, height); }

TBitmap::~TBitmap() {
    canvas_.reset();
}

void TBitmap::Publish(TClassBuilder<TBitmap>&) {}

TCanvas* TBitmap::Canvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TBitmapCanvas>(this);
        canvas_->OnChange = [this](TObject*) { Changed(); };
    }
    return canvas_.get();
}

void TBitmap::Dormant() {
    if (canvas_) static_cast<TBitmapCanvas*>(canvas_.get())->FreeContext();
}

void TBitmap::Changed() {
    mask_.Reset();
    TGraphic::Changed();
}

void TBitmap::NewImage(int width, int height, TGdiHandle dib, void* bits) {
    Dormant();
    dib_ = std::move(dib);
    bits_ = static_cast<uint32_t*>(bits);
    width_ = width;
    height_ = height;
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) return;
    if (width == 0 || height == 0) {
        NewImage(width, height, TGdiHandle(), nullptr);
    } else {
        uint32_t* bits = nullptr;
        TGdiHandle dib = CreateDib32(width, height, bits);
        if (bits_) {
            GdiFlush();
            int cw = std::min(width, width_), ch = std::min(height, height_);
            for (int y = 0; y < ch; ++y)
                std::memcpy(bits + size_t(y) * width, bits_ + size_t(y) * width_, size_t(cw) * 4);
        }
        NewImage(width, height, std::move(dib), bits);
    }
    Changed();
}

uint32_t* TBitmap::ScanLine(int y) {
    if (!bits_ || y < 0 || y >= height_) throw EInvalidGraphic("Scan line index out of range");
    GdiFlush();
    return bits_ + size_t(y) * width_;
}

const uint32_t* TBitmap::ScanLine(int y) const { return const_cast<TBitmap*>(this)->ScanLine(y); }

void TBitmap::SetPixelFormat(TPixelFormat value) {
    if (value == pixelFormat_) return;
    pixelFormat_ = value;
    Changed();
}

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
    if (!bits_) return clNone;
    return PixelToColor(ScanLine(height_ - 1)[0] & 0xFFFFFF);
}

void TBitmap::SetTransparentColor(TColor value) {
    if (value == transparentColor_) return;
    transparentColor_ = value;
    transparentMode_ = value == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
    if (value == transparentMode_) return;
    transparentMode_ = value;
    if (value == tmAuto) transparentColor_ = clDefault;
    else if (transparentColor_ == clDefault) transparentColor_ = TransparentColor();
    Changed();
}

TGdiHandle TBitmap::CreateMask(TColor transparent) const {
    if (!bits_) return {};
    const uint32_t key = ColorToPixel(ColorToRGB(transparent)) & 0xFFFFFF;
    // CreateBitmap rows are word aligned; 1 is white.
    const size_t stride = ((size_t(width_) + 15) / 16) * 2;
    std::vector<uint8_t> data(stride * size_t(height_), 0);
    for (int y = 0; y < height_; ++y) {
        const uint32_t* row = ScanLine(y);
        for (int x = 0; x < width_; ++x)
            if ((row[x] & 0xFFFFFF) == key) data[size_t(y) * stride + size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
    }
    TGdiHandle mask(CreateBitmap(width_, height_, 1, 1, data.data()));
    if (!mask) throw EOutOfResources("Out of system resources");
    return mask;
}

HBITMAP TBitmap::MaskHandle() {
    if (!mask_) mask_ = CreateMask(TransparentColor());
    return static_cast<HBITMAP>(mask_.Get());
}

void TBitmap::LoadFromBitmapHandle(HBITMAP value) {
    BITMAP bm{};
    if (!GetObjectA(value, sizeof bm, &bm)) throw EInvalidGraphic("Invalid bitmap handle");
    int w = bm.bmWidth, h = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    if (w <= 0 || h <= 0) {
        NewImage(0, 0, TGdiHandle(), nullptr);
        return;
    }
    uint32_t* bits = nullptr;
    TGdiHandle dib = CreateDib32(w, h, bits);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    TWindowDC screen(nullptr);
    if (GetDIBits(screen.Get(), value, 0, h, bits, &bmi, DIB_RGB_COLORS) != h) {
        // A bitmap still selected in a DC cannot be read by GetDIBits; copy it instead.
        TMemDCHandle src(CreateCompatibleDC(nullptr)), dst(CreateCompatibleDC(nullptr));
        TSelectObject s1(src.Get(), value), s2(dst.Get(), dib.Get());
        BitBlt(dst.Get(), 0, 0, w, h, src.Get(), 0, 0, SRCCOPY);
        GdiFlush();
    }
    NewImage(w, h, std::move(dib), bits);
    pixelFormat_ = bm.bmBitsPixel == 32 ? pf32bit : bm.bmBitsPixel == 24 ? pf24bit : pfDevice;
}

void TBitmap::SetHandle(HBITMAP value) {
    if (value == Handle()) return;
    if (!value) {
        NewImage(0, 0, TGdiHandle(), nullptr);
    } else {
        TGdiHandle owned(value);
        LoadFromBitmapHandle(value);
    }
    Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
    Dormant();
    HBITMAP h = static_cast<HBITMAP>(dib_.Release());
    NewImage(0, 0, TGdiHandle(), nullptr);
    Changed();
    return h;
}

void TBitmap::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        if (b == this) return;
        if (b->bits_) {
            uint32_t* bits = nullptr;
            TGdiHandle dib = CreateDib32(b->width_, b->height_, bits);
            GdiFlush();
            std::memcpy(bits, b->bits_, size_t(b->width_) * size_t(b->height_) * 4);
            NewImage(b->width_, b->height_, std::move(dib), bits);
        } else {
            NewImage(b->width_, b->height_, TGdiHandle(), nullptr);
        }
        pixelFormat_ = b->pixelFormat_;
        transparentColor_ = b->transparentColor_;
        transparentMode_ = b->transparentMode_;
        if (Transparent() != b->Transparent()) TGraphic::SetTransparent(b->Transparent());
        Changed();
        return;
    }
    if (!Source) {
        NewImage(0, 0, TGdiHandle(), nullptr);
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
    if (!bits_) return;
    HDC dst = canvas.Handle();
    HDC src = Canvas()->Handle();
    int oldMode = SetStretchBltMode(dst, COLORONCOLOR);
    if (Transparent()) {
        TransparentBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, width_, height_,
                       ColorToColorRef(TransparentColor()));
    } else {
        StretchBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, width_, height_,
                   canvas.CopyMode());
    }
    SetStretchBltMode(dst, oldMode);
}

void TBitmap::LoadFromStream(TStream& stream) {
    std::string data = ReadRest(stream);
    if (data.empty()) {
        NewImage(0, 0, TGdiHandle(), nullptr);
        Changed();
        return;
    }
    TDecodedImage img;
    if (!DecodeBmpFile(reinterpret_cast<const uint8_t*>(data.data()), data.size(), img))
        throw EInvalidGraphic(kBitmapInvalid);
    uint32_t* bits = nullptr;
    TGdiHandle dib = CreateDib32(img.Width, img.Height, bits);
    std::memcpy(bits, img.Pixels.data(), img.Pixels.size() * 4);
    NewImage(img.Width, img.Height, std::move(dib), bits);
    pixelFormat_ = img.Format;
    Changed();
}

void TBitmap::ReadData(TStream& stream) {
    int64_t rest = stream.Size() - stream.Position();
    if (rest >= 2) {
        char sig[2];
        stream.ReadBuffer(sig, 2);
        stream.Seek(-2, TSeekOrigin::soCurrent);
        if (sig[0] == 'B' && sig[1] == 'M') {
            LoadFromStream(stream);
            return;
        }
    }
    if (rest < 4) {
        if (rest <= 0) LoadFromStream(stream);
        else throw EInvalidGraphic(kBitmapInvalid);
        return;
    }
    uint8_t len[4];
    stream.ReadBuffer(len, 4);
    uint32_t size = Rd32(len);
    if (size > uint64_t(rest - 4)) throw EInvalidGraphic(kBitmapInvalid);
    TMemoryStream ms;
    if (size) ms.CopyFrom(stream, size);
    ms.SetPosition(0);
    LoadFromStream(ms);
}

void TBitmap::SaveToStream(TStream& stream) {
    if (!bits_) return;
    const bool alpha = pixelFormat_ == pf32bit;
    const uint32_t bpp = alpha ? 32 : 24;
    const uint32_t stride = ((uint32_t(width_) * bpp + 31) / 32) * 4;
    const uint32_t imageSize = stride * uint32_t(height_);
    std::string out;
    out.reserve(54 + imageSize);
    out += "BM";
    Wr32(out, 54 + imageSize);
    Wr32(out, 0);
    Wr32(out, 54);
    Wr32(out, 40);
    Wr32(out, uint32_t(width_));
    Wr32(out, uint32_t(height_));
    Wr16(out, 1);
    Wr16(out, static_cast<uint16_t>(bpp));
    Wr32(out, BI_RGB);
    Wr32(out, imageSize);
    Wr32(out, 0);
    Wr32(out, 0);
    Wr32(out, 0);
    Wr32(out, 0);
    GdiFlush();
    std::string row(stride, '\0');
    for (int y = height_ - 1; y >= 0; --y) {
        const uint32_t* src = bits_ + size_t(y) * width_;
        for (int x = 0; x < width_; ++x) {
            uint32_t p = src[x];
            if (alpha) {
                for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<char>((p >> (8 * i)) & 0xFF);
            } else {
                for (int i = 0; i < 3; ++i) row[3 * x + i] = static_cast<char>((p >> (8 * i)) & 0xFF);
            }
        }
        out += row;
    }
    stream.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
    HRSRC res = FindResourceA(instance, name.c_str(), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!res) throw EInvalidGraphic("Resource " + name + " not found");
    HGLOBAL mem = LoadResource(instance, res);
    const auto* p = static_cast<const uint8_t*>(mem ? LockResource(mem) : nullptr);
    DWORD size = SizeofResource(instance, res);
    TDecodedImage img;
    if (!p || !DecodeDib(p, size, 0, img)) throw EInvalidGraphic(kBitmapInvalid);
    uint32_t* bits = nullptr;
    TGdiHandle dib = CreateDib32(img.Width, img.Height, bits);
    std::memcpy(bits, img.Pixels.data(), img.Pixels.size() * 4);
    NewImage(img.Width, img.Height, std::move(dib), bits);
    pixelFormat_ = img.Format;
    Changed();
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int id) {
    HRSRC res = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
    if (!res) throw EInvalidGraphic("Resource " + std::to_string(id) + " not found");
    LoadFromResourceName(instance, "#" + std::to_string(id));
}

// ---------------------------------------------------------------------------------------
// TIcon

IMPLEMENT_CLASS(TIcon);

namespace {

const char kIconInvalid[] = "Icon image is not valid";

TSize IconSize(HICON icon) {
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) return {};
    TGdiHandle color(ii.hbmColor), mask(ii.hbmMask);
    BITMAP bm{};
    if (color && GetObjectA(color.Get(), sizeof bm, &bm)) return {bm.bmWidth, std::abs(bm.bmHeight)};
    if (mask && GetObjectA(mask.Get(), sizeof bm, &bm)) return {bm.bmWidth, std::abs(bm.bmHeight) / 2};
    return {};
}

// Reads rows of a bitmap top-down at the given bit count.
bool ReadBits(HBITMAP bmp, int w, int h, int bpp, std::vector<uint8_t>& out) {
    struct { BITMAPINFOHEADER h; RGBQUAD pal[2]; } bi{};
    bi.h.biSize = sizeof(BITMAPINFOHEADER);
    bi.h.biWidth = w;
    bi.h.biHeight = -h;
    bi.h.biPlanes = 1;
    bi.h.biBitCount = static_cast<WORD>(bpp);
    bi.h.biCompression = BI_RGB;
    size_t stride = ((size_t(w) * bpp + 31) / 32) * 4;
    out.assign(stride * size_t(h), 0);
    TWindowDC screen(nullptr);
    return GetDIBits(screen.Get(), bmp, 0, h, out.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS) == h;
}

// .ico data for one 32-bit image made from an icon handle.
std::string IconToIco(HICON icon) {
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) throw EInvalidGraphic(kIconInvalid);
    TGdiHandle colorBmp(ii.hbmColor), maskBmp(ii.hbmMask);
    TSize sz = IconSize(icon);
    const int w = sz.cx, h = sz.cy;
    if (w <= 0 || h <= 0) throw EInvalidGraphic(kIconInvalid);
    std::vector<uint8_t> mask, color;
    // A monochrome icon's mask holds the AND half above the XOR half.
    const bool mono = !colorBmp;
    if (!ReadBits(static_cast<HBITMAP>(maskBmp.Get()), w, mono ? 2 * h : h, 1, mask))
        throw EInvalidGraphic(kIconInvalid);
    const size_t maskStride = ((size_t(w) + 31) / 32) * 4;
    std::vector<uint32_t> pixels(size_t(w) * h);
    if (!mono) {
        if (!ReadBits(static_cast<HBITMAP>(colorBmp.Get()), w, h, 32, color)) throw EInvalidGraphic(kIconInvalid);
        std::memcpy(pixels.data(), color.data(), pixels.size() * 4);
    } else {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                bool bit = (mask[(size_t(h) + y) * maskStride + (x >> 3)] >> (7 - (x & 7))) & 1;
                pixels[size_t(y) * w + x] = bit ? 0xFFFFFF : 0;
            }
    }
    bool anyAlpha = std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return (p >> 24) != 0; });
    if (!anyAlpha) {
        // Without alpha the mask decides what shows; newer loaders read alpha first.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                bool transparent = (mask[size_t(y) * maskStride + (x >> 3)] >> (7 - (x & 7))) & 1;
                if (!transparent) pixels[size_t(y) * w + x] |= 0xFF000000u;
            }
    }
    const uint32_t xorSize = uint32_t(w) * uint32_t(h) * 4;
    const uint32_t andSize = uint32_t(maskStride) * uint32_t(h);
    std::string out;
    Wr16(out, 0);
    Wr16(out, 1);
    Wr16(out, 1);
    out += static_cast<char>(w >= 256 ? 0 : w);
    out += static_cast<char>(h >= 256 ? 0 : h);
    out += '\0';
    out += '\0';
    Wr16(out, 1);
    Wr16(out, 32);
    Wr32(out, 40 + xorSize + andSize);
    Wr32(out, 6 + 16);
    Wr32(out, 40);
    Wr32(out, uint32_t(w));
    Wr32(out, uint32_t(2 * h));
    Wr16(out, 1);
    Wr16(out, 32);
    Wr32(out, BI_RGB);
    Wr32(out, xorSize + andSize);
    for (int i = 0; i < 4; ++i) Wr32(out, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) Wr32(out, pixels[size_t(y) * w + x]);
    for (int y = h - 1; y >= 0; --y)
        out.append(reinterpret_cast<const char*>(mask.data()) + size_t(y) * maskStride, maskStride);
    return out;
}

}  // namespace

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::SetIcon(TIconHandle icon, std::string data) {
    icon_ = std::move(icon);
    data_ = std::move(data);
    TSize sz = icon_ ? IconSize(icon_.Get()) : TSize{};
    width_ = sz.cx;
    height_ = sz.cy;
    Changed();
}

void TIcon::SetHandle(HICON value) {
    if (value == icon_.Get()) return;
    SetIcon(TIconHandle(value), {});
}

HICON TIcon::ReleaseHandle() {
    HICON h = icon_.Release();
    SetIcon(TIconHandle(), {});
    return h;
}

void TIcon::Assign(TPersistent* Source) {
    if (auto* i = dynamic_cast<TIcon*>(Source)) {
        if (i == this) return;
        TIconHandle copy(i->icon_ ? CopyIcon(i->icon_.Get()) : nullptr);
        if (i->icon_ && !copy) throw EOutOfResources("Out of system resources");
        SetIcon(std::move(copy), i->data_);
        return;
    }
    if (!Source) {
        SetIcon(TIconHandle(), {});
        return;
    }
    TGraphic::Assign(Source);
}

void TIcon::LoadFromStream(TStream& stream) {
    std::string data = ReadRest(stream);
    if (data.empty()) {
        SetIcon(TIconHandle(), {});
        return;
    }
    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    const size_t n = data.size();
    if (n < 6 || Rd16(p) != 0 || Rd16(p + 2) != 1) throw EInvalidGraphic(kIconInvalid);
    const unsigned count = Rd16(p + 4);
    if (count == 0 || 6 + size_t(count) * 16 > n) throw EInvalidGraphic(kIconInvalid);
    const int want = GetSystemMetrics(SM_CXICON);
    int best = -1, bestScore = -1;
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t* e = p + 6 + i * 16;
        uint32_t bytes = Rd32(e + 8), offset = Rd32(e + 12);
        if (bytes < 40 || offset > n || bytes > n - offset) throw EInvalidGraphic(kIconInvalid);
        int w = e[0] ? e[0] : 256;
        int bpp = Rd16(e + 6);
        // The system size first, then the largest, then the deepest colour.
        int score = (w == want ? 1 << 20 : 0) + w * 64 + std::min(bpp, 63);
        if (score > bestScore) { best = static_cast<int>(i); bestScore = score; }
    }
    const uint8_t* e = p + 6 + best * 16;
    uint32_t bytes = Rd32(e + 8), offset = Rd32(e + 12);
    const uint8_t* img = p + offset;
    static const uint8_t pngSig[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    if (std::memcmp(img, pngSig, 8) != 0) {
        uint32_t hs = Rd32(img);
        if (hs != 40 && hs != 108 && hs != 124) throw EInvalidGraphic(kIconInvalid);
        if (hs > bytes) throw EInvalidGraphic(kIconInvalid);
        int32_t w = static_cast<int32_t>(Rd32(img + 4)), h2 = static_cast<int32_t>(Rd32(img + 8));
        if (w <= 0 || w > 1024 || h2 <= 0 || h2 > 2048) throw EInvalidGraphic(kIconInvalid);
    }
    TIconHandle icon(CreateIconFromResourceEx(const_cast<uint8_t*>(img), bytes, TRUE, 0x00030000, 0, 0,
                                              LR_DEFAULTCOLOR));
    if (!icon) throw EInvalidGraphic(kIconInvalid);
    SetIcon(std::move(icon), std::move(data));
}

void TIcon::SaveToStream(TStream& stream) {
    if (!data_.empty()) {
        stream.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
        return;
    }
    if (!icon_) return;
    std::string ico = IconToIco(icon_.Get());
    stream.WriteBuffer(ico.data(), static_cast<int64_t>(ico.size()));
}

void TIcon::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
    HICON h = static_cast<HICON>(LoadImageA(instance, name.c_str(), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    if (!h) throw EInvalidGraphic("Resource " + name + " not found");
    SetIcon(TIconHandle(h), {});
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) {
    if (!icon_) return;
    DrawIconEx(canvas.Handle(), rect.Left, rect.Top, icon_.Get(), rect.Width(), rect.Height(), 0, nullptr, DI_NORMAL);
}

// ---------------------------------------------------------------------------------------
// TPicture and the picture loader

IMPLEMENT_CLASS(TPicture);

namespace {

std::vector<TFileFormat>& FormatList() {
    static std::vector<TFileFormat> list = {
        {"bmp", "Bitmaps", &TBitmap::StaticClassInfo(), []() -> TGraphic* { return new TBitmap; }},
        {"ico", "Icons", &TIcon::StaticClassInfo(), []() -> TGraphic* { return new TIcon; }},
    };
    return list;
}

std::string NormalExt(const std::string& ext) {
    std::string e = LowerAscii(ext);
    if (!e.empty() && e[0] == '.') e.erase(0, 1);
    return e;
}

}  // namespace

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const TClassInfo& graphicClass, TGraphicFactory factory) {
    auto& list = FormatList();
    std::string ext = NormalExt(extension);
    for (auto& f : list)
        if (f.Extension == ext) {
            f = {ext, description, &graphicClass, factory};
            return;
        }
    list.push_back({ext, description, &graphicClass, factory});
}

void TPicture::UnregisterGraphicClass(const TClassInfo& graphicClass) {
    auto& list = FormatList();
    std::erase_if(list, [&](const TFileFormat& f) { return f.GraphicClass == &graphicClass; });
}

std::vector<TFileFormat> TPicture::FileFormats() { return FormatList(); }

const TFileFormat* TPicture::FindFileFormat(const std::string& extension) {
    std::string ext = NormalExt(extension);
    for (auto& f : FormatList())
        if (f.Extension == ext) return &f;
    return nullptr;
}

TGraphic* TPicture::CreateGraphic(const TClassInfo& graphicClass) {
    for (auto& f : FormatList())
        if (f.GraphicClass == &graphicClass && f.Factory) return f.Factory();
    return nullptr;
}

std::string TPicture::GraphicFilter(const TClassInfo& graphicClass) {
    std::string all, each, masks;
    for (auto& f : FormatList()) {
        if (!f.GraphicClass->InheritsFrom(graphicClass)) continue;
        std::string mask = "*." + f.Extension;
        masks += (masks.empty() ? "" : ";") + mask;
        each += "|" + f.Description + " (" + mask + ")|" + mask;
    }
    if (masks.empty()) return {};
    return "All (" + masks + ")|" + masks + each;
}

TPicture::TPicture(TPersistent* owner) : owner_(owner) {}

TPicture::~TPicture() {
    if (graphic_) graphic_->OnChange = nullptr;
}

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

void TPicture::SetGraphicOwned(std::unique_ptr<TGraphic> g) {
    if (graphic_) graphic_->OnChange = nullptr;
    graphic_ = std::move(g);
    if (graphic_) graphic_->OnChange = [this](TObject*) { Changed(); };
    Changed();
}

void TPicture::SetGraphic(TGraphic* value) {
    if (value == graphic_.get()) return;
    if (!value) {
        SetGraphicOwned(nullptr);
        return;
    }
    std::unique_ptr<TGraphic> g(CreateGraphic(value->ClassInfo()));
    if (!g) throw EInvalidGraphic("Unknown picture format " + value->ClassName());
    g->Assign(value);
    SetGraphicOwned(std::move(g));
}

template <class G>
G* TPicture::ForceGraphic() {
    if (auto* g = dynamic_cast<G*>(graphic_.get())) return g;
    auto g = std::make_unique<G>();
    G* raw = g.get();
    SetGraphicOwned(std::move(g));
    return raw;
}

TBitmap* TPicture::Bitmap() { return ForceGraphic<TBitmap>(); }
TIcon* TPicture::Icon() { return ForceGraphic<TIcon>(); }

void TPicture::LoadFromFile(const std::string& fileName) {
    std::string ext = LowerAscii(ExtractFileExt(fileName));
    const TFileFormat* f = FindFileFormat(ext);
    if (!f || !f->Factory) throw EInvalidGraphic("Unknown picture file extension (" + ext + ")");
    std::unique_ptr<TGraphic> g(f->Factory());
    g->LoadFromFile(fileName);
    SetGraphicOwned(std::move(g));
}

void TPicture::SaveToFile(const std::string& fileName) {
    if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::Assign(TPersistent* Source) {
    if (!Source) {
        SetGraphic(nullptr);
    } else if (auto* p = dynamic_cast<TPicture*>(Source)) {
        if (p != this) SetGraphic(p->Graphic());
    } else if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(g);
    } else {
        inherited::Assign(Source);
    }
}

void TPicture::AssignTo(TPersistent* Dest) {
    if (auto* g = dynamic_cast<TGraphic*>(Dest); g && graphic_) {
        g->Assign(graphic_.get());
        return;
    }
    inherited::AssignTo(Dest);
}

void TPicture::DefineProperties(TFiler& Filer) {
    Filer.DefineProperty(
        "Data",
        [this](const TValue& v) {
            if (v.Kind != TValueKind::Binary) RaiseInvalidPropertyValue(v);
            TMemoryStream ms;
            if (!v.Str.empty()) ms.WriteBuffer(v.Str.data(), static_cast<int64_t>(v.Str.size()));
            ms.SetPosition(0);
            ReadData(ms);
        },
        graphic_ != nullptr);
}

void TPicture::ReadData(TStream& stream) {
    if (stream.Size() - stream.Position() <= 0) {
        SetGraphic(nullptr);
        return;
    }
    uint8_t len = 0;
    stream.ReadBuffer(&len, 1);
    std::string name(len, '\0');
    if (len) stream.ReadBuffer(name.data(), len);
    if (name.empty()) {
        SetGraphic(nullptr);
        return;
    }
    const TClassInfo& info = FindClass(name);
    if (!info.InheritsFrom(TGraphic::StaticClassInfo()))
        throw EInvalidGraphic("Class " + name + " is not a picture format");
    std::unique_ptr<TGraphic> g(CreateGraphic(info));
    if (!g) throw EInvalidGraphic("Unknown picture format " + name);
    // The graphic gets a stream of its own data only, from position 0, so a reader that
    // goes by the stream's size reads nothing of the class name.
    TMemoryStream rest;
    int64_t n = stream.Size() - stream.Position();
    if (n > 0) rest.CopyFrom(stream, n);
    rest.SetPosition(0);
    g->ReadData(rest);
    SetGraphicOwned(std::move(g));
}

void TPicture::WriteData(TStream& stream) const {
    std::string name = graphic_ ? graphic_->ClassName() : std::string();
    if (name.size() > 255) throw EInvalidGraphic("Class name too long: " + name);
    uint8_t len = static_cast<uint8_t>(name.size());
    stream.WriteBuffer(&len, 1);
    if (len) stream.WriteBuffer(name.data(), len);
    if (graphic_) graphic_->WriteData(stream);
}

// ---------------------------------------------------------------------------------------
// Helpers

TBitmap* AllocPatternBitmap(TColor bk, TColor fg) {
    static std::map<std::pair<int32_t, int32_t>, std::unique_ptr<TBitmap>> cache;
    auto& slot = cache[{static_cast<int32_t>(bk), static_cast<int32_t>(fg)}];
    if (!slot) {
        auto bmp = std::make_unique<TBitmap>(8, 8);
        uint32_t b = ColorToPixel(ColorToRGB(bk)), f = ColorToPixel(ColorToRGB(fg));
        for (int y = 0; y < 8; ++y) {
            uint32_t* row = bmp->ScanLine(y);
            for (int x = 0; x < 8; ++x) row[x] = ((x + y) & 1) ? f : b;
        }
        slot = std::move(bmp);
    }
    return slot.get();
}

void DrawTransparentBitmap(HDC dc, const TRect& dest, TBitmap& source, const TRect& src, TColor transparent) {
    if (source.Empty()) return;
    TransparentBlt(dc, dest.Left, dest.Top, dest.Width(), dest.Height(), source.Canvas()->Handle(), src.Left,
                   src.Top, src.Width(), src.Height(), ColorToColorRef(transparent));
}
