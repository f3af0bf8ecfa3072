// Colours, fonts, pens, brushes, the canvas over a device context, and the graphics
// (bitmaps, icons, pictures and the picture loader keyed by file extension).
#pragma once
#include "framework/Classes.h"
#include "framework/Handles.h"
#include "framework/Types.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

class TCanvas;
class TGraphic;
class TBitmap;
class TIcon;
class TPicture;

// ---------------------------------------------------------------------------------------
// Colours

// RGB with red in the low byte (0x00BBGGRR), a system colour (0xFF000000 | COLOR_xxx),
// clNone or clDefault. A distinct type so that a colour property reads and writes clXxx.
enum TColor : int32_t {};

constexpr TColor MakeColor(uint32_t value) { return static_cast<TColor>(static_cast<int32_t>(value)); }
constexpr TColor RGBToColor(uint8_t r, uint8_t g, uint8_t b) {
    return MakeColor(uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16));
}
constexpr uint8_t ColorR(TColor c) { return static_cast<uint8_t>(static_cast<uint32_t>(c)); }
constexpr uint8_t ColorG(TColor c) { return static_cast<uint8_t>(static_cast<uint32_t>(c) >> 8); }
constexpr uint8_t ColorB(TColor c) { return static_cast<uint8_t>(static_cast<uint32_t>(c) >> 16); }

constexpr TColor clBlack = MakeColor(0x000000);
constexpr TColor clMaroon = MakeColor(0x000080);
constexpr TColor clGreen = MakeColor(0x008000);
constexpr TColor clOlive = MakeColor(0x008080);
constexpr TColor clNavy = MakeColor(0x800000);
constexpr TColor clPurple = MakeColor(0x800080);
constexpr TColor clTeal = MakeColor(0x808000);
constexpr TColor clGray = MakeColor(0x808080);
constexpr TColor clSilver = MakeColor(0xC0C0C0);
constexpr TColor clRed = MakeColor(0x0000FF);
constexpr TColor clLime = MakeColor(0x00FF00);
constexpr TColor clYellow = MakeColor(0x00FFFF);
constexpr TColor clBlue = MakeColor(0xFF0000);
constexpr TColor clFuchsia = MakeColor(0xFF00FF);
constexpr TColor clAqua = MakeColor(0xFFFF00);
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clWhite = MakeColor(0xFFFFFF);
constexpr TColor clMoneyGreen = MakeColor(0xC0DCC0);
constexpr TColor clSkyBlue = MakeColor(0xF0CAA6);
constexpr TColor clCream = MakeColor(0xF0FBFF);
constexpr TColor clMedGray = MakeColor(0xA4A0A0);
constexpr TColor clNone = MakeColor(0x1FFFFFFF);
constexpr TColor clDefault = MakeColor(0x20000000);

constexpr uint32_t clSystemColor = 0xFF000000;
constexpr TColor SysColor(int index) { return MakeColor(clSystemColor | static_cast<uint32_t>(index)); }
constexpr bool IsSystemColor(TColor c) { return (static_cast<uint32_t>(c) & 0xFF000000u) == clSystemColor; }

constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SysColor(COLOR_MENU);
constexpr TColor clWindow = SysColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SysColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SysColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SysColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SysColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SysColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SysColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SysColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SysColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);
constexpr TColor clHotLight = SysColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SysColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SysColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SysColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SysColor(COLOR_MENUBAR);

// System colours through GetSysColor; anything else is returned unchanged (clNone and
// clDefault included, so callers that care test for them first).
TColor ColorToRGB(TColor color);
// The same as a COLORREF for GDI calls.
inline COLORREF ColorToColorRef(TColor color) { return static_cast<COLORREF>(ColorToRGB(color)); }

// "clRed" <-> clRed; identifiers ignore case. False when the colour has no name.
bool ColorToIdent(int32_t color, std::string& ident);
bool IdentToColor(const std::string& ident, int32_t& color);
// The identifier when there is one, else "$00BBGGRR" hexadecimal.
std::string ColorToString(TColor color);
// An identifier or a number (decimal, $hex or 0xhex); EConvertError otherwise.
TColor StringToColor(const std::string& s);

template <>
struct TPropType<TColor> {
    static constexpr TTypeKind Kind = TTypeKind::Integer;
    static TValue ToValue(TColor v);
    static TColor FromValue(const TValue& v);
};

// ---------------------------------------------------------------------------------------
// Fonts, pens and brushes

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
DECLARE_ENUM_NAMES(TFontStyle, "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut");
using TFontStyles = TSet<TFontStyle>;
using enum TFontStyle;

enum class TFontPitch { fpDefault, fpVariable, fpFixed };
DECLARE_ENUM_NAMES(TFontPitch, "fpDefault", "fpVariable", "fpFixed");
using enum TFontPitch;

// A Win32 character set number (DEFAULT_CHARSET, ANSI_CHARSET, ...).
using TFontCharset = uint8_t;

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
DECLARE_ENUM_NAMES(TPenStyle, "psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear",
                   "psInsideFrame");
using enum TPenStyle;

// The binary raster operations (R2_xxx through PenModeToROP2).
enum class TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
DECLARE_ENUM_NAMES(TPenMode, "pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot",
                   "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask",
                   "pmNotMask", "pmXor", "pmNotXor");
using enum TPenMode;
int PenModeToROP2(TPenMode mode);

enum class TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
DECLARE_ENUM_NAMES(TBrushStyle, "bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                   "bsBDiagonal", "bsCross", "bsDiagCross");
using enum TBrushStyle;

// The common part of TFont, TPen and TBrush: a GDI object made on first use of Handle and
// made again after any change. OnChange fires after every change; while it runs, the
// previous GDI object still exists, so a canvas can select it out of its DC first.
class TGraphicsObject : public TPersistent {
    DECLARE_CLASS(TGraphicsObject, TPersistent)
    TNotifyEvent OnChange;
    bool HandleAllocated() const { return static_cast<bool>(handle_); }
protected:
    TGraphicsObject() = default;
    virtual void Changed();
    // Subclasses build their object here; ownership passes to TGraphicsObject.
    virtual HGDIOBJ CreateGdiObject() const = 0;
    HGDIOBJ GetGdiHandle() const;
    // Replaces the object by h (owned from now on) and fires OnChange, without a rebuild.
    void ChangeHandle(HGDIOBJ h);
private:
    mutable TGdiHandle handle_;
};

// Screen pixels per inch (LOGPIXELSY of the screen), used to convert Size and Height.
int ScreenPixelsPerInch();

// New fonts are "MS Sans Serif", 8 points (Height -11 at 96 pixels per inch), clWindowText,
// DEFAULT_CHARSET; under Wine the face resolves to a substitute.
class TFont : public TGraphicsObject {
    DECLARE_CLASS(TFont, TGraphicsObject)
    TFont();
    void Assign(TPersistent* Source) override;

    HFONT Handle() const { return static_cast<HFONT>(GetGdiHandle()); }
    // Takes the font and its ownership; Name, Height, Style, ... are read from it.
    void SetHandle(HFONT value);
    // The logical font this object describes (what Handle is created from).
    LOGFONTA GetLogFont() const;
    void SetLogFont(const LOGFONTA& lf);

    const std::string& GetName() const { return name_; }
    void SetName(const std::string& value);
    // Pixels; negative for the character height without internal leading.
    int GetHeight() const { return height_; }
    void SetHeight(int value);
    // Points, through ScreenPixelsPerInch (PixelsPerInch when set).
    int GetSize() const;
    void SetSize(int value);
    TColor GetColor() const { return color_; }
    void SetColor(TColor value);
    TFontStyles GetStyle() const { return style_; }
    void SetStyle(TFontStyles value);
    TFontCharset GetCharset() const { return charset_; }
    void SetCharset(TFontCharset value);
    TFontPitch GetPitch() const { return pitch_; }
    void SetPitch(TFontPitch value);
    // Tenths of a degree, counter-clockwise (escapement and orientation of the font).
    int GetOrientation() const { return orientation_; }
    void SetOrientation(int value);
    // 0 means the screen's; a printer font sets its own.
    int GetPixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int value) { pixelsPerInch_ = value; }

    static void Publish(TClassBuilder<TFont>& b);
protected:
    HGDIOBJ CreateGdiObject() const override;
private:
    int Ppi() const;
    std::string name_;
    int height_;
    TColor color_ = clWindowText;
    TFontStyles style_;
    TFontCharset charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
    int orientation_ = 0;
    int pixelsPerInch_ = 0;
};

class TPen : public TGraphicsObject {
    DECLARE_CLASS(TPen, TGraphicsObject)
    TPen() = default;
    void Assign(TPersistent* Source) override;

    HPEN Handle() const { return static_cast<HPEN>(GetGdiHandle()); }
    TColor GetColor() const { return color_; }
    void SetColor(TColor value);
    int GetWidth() const { return width_; }
    void SetWidth(int value);
    TPenStyle GetStyle() const { return style_; }
    void SetStyle(TPenStyle value);
    // Applied by the canvas with SetROP2 (not part of the GDI pen).
    TPenMode GetMode() const { return mode_; }
    void SetMode(TPenMode value);

    static void Publish(TClassBuilder<TPen>& b);
protected:
    HGDIOBJ CreateGdiObject() const override;
private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
};

class TBrush : public TGraphicsObject {
    DECLARE_CLASS(TBrush, TGraphicsObject)
    TBrush() = default;
    ~TBrush() override;
    void Assign(TPersistent* Source) override;

    HBRUSH Handle() const { return static_cast<HBRUSH>(GetGdiHandle()); }
    TColor GetColor() const { return color_; }
    void SetColor(TColor value);
    TBrushStyle GetStyle() const { return style_; }
    void SetStyle(TBrushStyle value);
    // A pattern: the brush is made from a copy of this bitmap's pixels (not owned; the
    // caller keeps it alive while it is set). nullptr returns to Color and Style.
    TBitmap* GetBitmap() const { return bitmap_; }
    void SetBitmap(TBitmap* value);

    static void Publish(TClassBuilder<TBrush>& b);
protected:
    HGDIOBJ CreateGdiObject() const override;
private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    TBitmap* bitmap_ = nullptr;
};

// ---------------------------------------------------------------------------------------
// Canvas

enum class TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TSet<TCanvasStates>;

// Drawing on a device context. The font, pen and brush are selected when a drawing call
// needs them and whenever the DC no longer holds them (after RestoreDC or an outside
// SelectObject), so code may push its own objects and restore the DC freely. The OnChange
// of Font, Pen and Brush belongs to the canvas (it takes a changed object out of the DC):
// copy into them with Assign rather than hooking them.
class TCanvas : public TPersistent {
    DECLARE_CLASS(TCanvas, TPersistent)
    TCanvas();
    ~TCanvas() override;

    // The DC; when none is attached, CreateHandle is asked for one (EInvalidOperation
    // "Canvas does not allow drawing" when it gives none).
    HDC Handle();
    // Attaches a foreign DC (not owned), or with nullptr detaches: our objects are
    // selected out first, so detach before the DC is released.
    void SetHandle(HDC value);
    bool HandleAllocated() const { return dc_ != nullptr; }
    // Forgets which objects are selected, so the next drawing call selects them again.
    void Refresh();

    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* value) { font_->Assign(value); }
    TPen* Pen() const { return pen_.get(); }
    TBrush* Brush() const { return brush_.get(); }
    // A raster operation (SRCCOPY, SRCINVERT, ...) used by CopyRect.
    DWORD CopyMode() const { return copyMode_; }
    void SetCopyMode(DWORD value) { copyMode_ = value; }

    TPoint PenPos();
    void MoveTo(int x, int y);
    // The end point is not drawn, as GDI does.
    void LineTo(int x, int y);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void FillRect(const TRect& r);
    void FrameRect(const TRect& r);
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int cx, int cy);
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Polygon(std::span<const TPoint> points);
    void Polyline(std::span<const TPoint> points);
    void FloodFill(int x, int y, TColor color, bool surface);
    // Pixels[x, y]: -1 (as a TColor) outside the DC's surface or clip.
    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);

    // Text with a clear brush is transparent; otherwise its background is the brush colour.
    void TextOut(int x, int y, const std::string& text);
    // Text clipped to r, starting at (x, y).
    void TextRect(const TRect& r, int x, int y, const std::string& text);
    TSize TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    // DrawTextA with the canvas's font and colours; returns its result.
    int DrawText(const std::string& text, TRect& r, UINT format);
    void DrawFocusRect(const TRect& r);

    // Nothing for a null or empty graphic.
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const TRect& r, TGraphic* graphic);
    // StretchBlt from source's src to dest with CopyMode.
    void CopyRect(const TRect& dest, TCanvas* source, const TRect& src);
    // Copies src of source to dest with every pixel of colour replaced by the brush.
    void BrushCopy(const TRect& dest, TBitmap* source, const TRect& src, TColor color);
    TRect ClipRect();

    // Serialises drawing on one canvas from several threads.
    void Lock();
    bool TryLock();
    void Unlock();

    TCanvasState State() const { return state_; }
    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    // Asked for a DC when Handle is needed and none is attached; set one with SetHandle.
    virtual void CreateHandle() {}
    // Makes sure the DC exists and holds what a drawing call needs.
    void RequiredState(TCanvasState required);
    virtual void Changing();
    virtual void Changed();
    // Selects stock objects back into the DC so ours can be deleted or changed.
    void DeselectHandles();

private:
    // A changed font, pen or brush may be remade: a stock object holds its place in the DC
    // until the next drawing call selects it again.
    void ObjectChanged(TCanvasStates valid, int stockObject);
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    HDC dc_ = nullptr;
    TCanvasState state_;
    DWORD copyMode_ = SRCCOPY;
    std::recursive_mutex lock_;
    int lockCount_ = 0;
};

// ---------------------------------------------------------------------------------------
// Graphics

// An image of some format. Subclasses (TBitmap, TIcon, the PNG picture of the skinned
// library) register with TPicture::RegisterFileFormat to be found by extension and by
// class name in layout data.
class TGraphic : public TPersistent {
    DECLARE_CLASS(TGraphic, TPersistent)
    ~TGraphic() override = default;

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    virtual bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool value);
    bool Modified() const { return modified_; }
    void SetModified(bool value);

    // Reads from the stream's position to its end.
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    virtual void LoadFromFile(const std::string& fileName);
    virtual void SaveToFile(const std::string& fileName);
    // The data a layout stores after the class name (default: the stream format).
    virtual void ReadData(TStream& stream) { LoadFromStream(stream); }
    virtual void WriteData(TStream& stream) { SaveToStream(stream); }

    // Same class: copied through the stream format (an empty source empties this);
    // otherwise the source's AssignTo decides.
    void Assign(TPersistent* Source) override;

    TNotifyEvent OnChange;
    // Sets Modified and fires OnChange.
    virtual void Changed();

protected:
    friend class TCanvas;
    TGraphic() = default;
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
    // A TBitmap destination receives this graphic drawn on a cleared bitmap of its size.
    void AssignTo(TPersistent* Dest) override;
private:
    bool transparent_ = false;
    bool modified_ = false;
};

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
DECLARE_ENUM_NAMES(TPixelFormat, "pfDevice", "pf1bit", "pf4bit", "pf8bit", "pf15bit", "pf16bit", "pf24bit",
                   "pf32bit", "pfCustom");
using enum TPixelFormat;

enum class TTransparentMode { tmAuto, tmFixed };
DECLARE_ENUM_NAMES(TTransparentMode, "tmAuto", "tmFixed");
using enum TTransparentMode;

// Pixels live in a 32-bit top-down DIB section whatever PixelFormat says; PixelFormat is
// what the bitmap was read as (or set to) and decides the bit count SaveToStream writes
// (32 for pf32bit, 24 otherwise) and whether the fourth byte means alpha.
class TBitmap : public TGraphic {
    DECLARE_CLASS(TBitmap, TGraphic)
    TBitmap();
    TBitmap(int width, int height);
    ~TBitmap() override;
    void Assign(TPersistent* Source) override;

    bool Empty() const override { return width_ <= 0 || height_ <= 0; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int value) override { SetSize(value, height_); }
    void SetHeight(int value) override { SetSize(width_, value); }
    // Keeps the overlapping top-left part; new pixels are black (zero).
    void SetSize(int width, int height);

    // A canvas on a memory DC holding the bitmap; its OnChange marks the bitmap changed.
    TCanvas* Canvas();
    bool HandleAllocated() const { return static_cast<bool>(dib_); }
    HBITMAP Handle() const { return static_cast<HBITMAP>(dib_.Get()); }
    // Copies the pixels of any bitmap (DDB or DIB, bottom-up or top-down) into our own
    // DIB section and takes ownership of value (it is deleted).
    void SetHandle(HBITMAP value);
    // Gives the DIB section to the caller; the bitmap becomes empty.
    HBITMAP ReleaseHandle();
    // Frees the canvas's memory DC (the bitmap is then selected in no DC).
    void Dormant();

    // Row y of 32-bit pixels (0x00RRGGBB as DWORD, i.e. B, G, R, A bytes), top row first.
    uint32_t* ScanLine(int y);
    const uint32_t* ScanLine(int y) const;

    TPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat value);

    // tmAuto: the bottom-left pixel; tmFixed: TransparentColor as set.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor value);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode value);
    // A monochrome mask: white where the pixel is TransparentColor, black elsewhere.
    // Owned by the bitmap and rebuilt after a change.
    HBITMAP MaskHandle();
    // The same for a given colour, owned by the caller.
    TGdiHandle CreateMask(TColor transparent) const;

    // BMP data from the stream's position; EInvalidGraphic "Bitmap image is not valid"
    // for malformed data, which leaves the bitmap as it was.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Accepts a 4-byte little-endian length before the BMP data.
    void ReadData(TStream& stream) override;
    void LoadFromResourceName(HINSTANCE instance, const std::string& name);

    static void Publish(TClassBuilder<TBitmap>& b);
    void Changed() override;

protected:
    void Draw(TCanvas& canvas, const TRect& rect) override;
private:
    class TBitmapCanvas;
    friend class TBitmapCanvas;
    void NewImage(int width, int height, TGdiHandle dib, void* bits);
    void LoadFromBitmapHandle(HBITMAP value);
    TGdiHandle dib_;
    uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    TPixelFormat pixelFormat_ = pfDevice;
    TColor transparentColor_ = clDefault;
    TTransparentMode transparentMode_ = tmAuto;
    TGdiHandle mask_;
    std::unique_ptr<TCanvas> canvas_;
};

class TIcon : public TGraphic {
    DECLARE_CLASS(TIcon, TGraphic)
    TIcon();
    ~TIcon() override;
    void Assign(TPersistent* Source) override;

    bool Empty() const override { return !icon_; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // An icon's size comes from its image: these are ignored.
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool Transparent() const override { return true; }

    HICON Handle() const { return icon_.Get(); }
    // Takes ownership of value.
    void SetHandle(HICON value);
    HICON ReleaseHandle();

    // .ico data: the image closest to the system icon size is used, the whole file kept
    // for SaveToStream. EInvalidGraphic "Icon image is not valid" for malformed data.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    void LoadFromResourceName(HINSTANCE instance, const std::string& name);

protected:
    void Draw(TCanvas& canvas, const TRect& rect) override;
private:
    void SetIcon(TIconHandle icon, std::string data);
    TIconHandle icon_;
    int width_ = 0;
    int height_ = 0;
    std::string data_;   // the .ico data it was read from; empty when made from a handle
};

// ---------------------------------------------------------------------------------------
// Pictures and the picture loader

using TGraphicFactory = TGraphic* (*)();

struct TFileFormat {
    std::string Extension;     // without the dot, lower case: "bmp"
    std::string Description;
    const TClassInfo* GraphicClass;
    TGraphicFactory Factory;
};

// Holds one graphic of any registered class.
class TPicture : public TPersistent {
    DECLARE_CLASS(TPicture, TPersistent)
    explicit TPicture(TPersistent* owner = nullptr);
    ~TPicture() override;

    TGraphic* Graphic() const { return graphic_.get(); }
    // Copies value (a new graphic of its class, then Assign); nullptr clears.
    void SetGraphic(TGraphic* value);
    // The graphic as a bitmap (an icon): any other graphic is replaced by an empty one.
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* value) { SetGraphic(value); }
    TIcon* Icon();
    void SetIcon(TIcon* value) { SetGraphic(value); }
    bool HasGraphic() const { return graphic_ != nullptr; }
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // The class is chosen by the extension, ignoring case; EInvalidGraphic "Unknown
    // picture file extension (.xyz)" when no class claims it. A failed load keeps the
    // previous graphic.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    // From a TPicture or a TGraphic; nullptr clears.
    void Assign(TPersistent* Source) override;
    // "Data": a short string (one length byte) naming the graphic's class, then the
    // class's ReadData/WriteData format.
    void DefineProperties(TFiler& Filer) override;
    void ReadData(TStream& stream);
    void WriteData(TStream& stream) const;
    TPersistent* GetOwner() const override { return owner_; }

    TNotifyEvent OnChange;

    // The picture loader. Extensions are given with or without the dot.
    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   const TClassInfo& graphicClass, TGraphicFactory factory);
    static void UnregisterGraphicClass(const TClassInfo& graphicClass);
    static std::vector<TFileFormat> FileFormats();
    // A registered class by extension ("png" or ".png"); nullptr when none.
    static const TFileFormat* FindFileFormat(const std::string& extension);
    // A new graphic of a registered class; nullptr when the class is not registered.
    static TGraphic* CreateGraphic(const TClassInfo& graphicClass);
    // "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|..." for file dialogs.
    static std::string GraphicFilter(const TClassInfo& graphicClass);

protected:
    void AssignTo(TPersistent* Dest) override;
    virtual void Changed();
private:
    void SetGraphicOwned(std::unique_ptr<TGraphic> g);
    template <class G> G* ForceGraphic();
    std::unique_ptr<TGraphic> graphic_;
    TPersistent* owner_;
};

// ---------------------------------------------------------------------------------------
// Helpers

// A shared 8x8 checker (bk and fg alternating per pixel) for pattern brushes and
// PATINVERT; owned by the unit, do not free.
TBitmap* AllocPatternBitmap(TColor bk, TColor fg);
// Copies src of source to dest on dc, leaving the destination where source has the
// colour transparent (TransparentBlt; stretches when the sizes differ).
void DrawTransparentBitmap(HDC dc, const TRect& dest, TBitmap& source, const TRect& src, TColor transparent);
