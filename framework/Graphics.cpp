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
