// The PNG picture class: a graphic of the framework's picture system that holds a GDI+
// image, with the image wrappers it is built on and its registration with the picture
// loader and the class registry.
#pragma once
#include "controls/skinned/pxGDIPlusAPI.h"
#include "framework/Graphics.h"
#include "framework/Handles.h"

#include <cstdint>
#include <memory>
#include <vector>

// Objects of the binding live on GDI+'s heap (GdipAlloc/GdipFree). One that outlives the
// GDI+ session it was made in is not handed back to the shut-down library.
class TpxGPBase {
public:
    TpxGPBase() = default;
    virtual ~TpxGPBase() = default;
    TpxGPBase(const TpxGPBase&) = delete;
    TpxGPBase& operator=(const TpxGPBase&) = delete;
    static void* operator new(size_t size);
    static void operator delete(void* p);
};

// A GDI+ image. Every operation leaves it empty when GDI+ is unavailable or refuses the
// data; an image of a past GDI+ session counts as empty.
class TpxGPImage : public TpxGPBase {
public:
    TpxGPImage() = default;
    ~TpxGPImage() override;

    // The GDI+ image, or null (empty, or made in a past session).
    GpImage* Handle() const;
    bool HasImage() const { return Handle() != nullptr; }
    // The image's size as GDI+ reports it; false and (0, 0) without an image.
    bool GetDimension(REAL& width, REAL& height) const;
    // The system stream the image was read from, held as long as the image (GDI+ may read
    // it lazily); null for images made otherwise.
    IStream* DataStream() const { return data_.Get(); }

    // Picture data from the stream's position to its end: PNG, JPEG or GIF, whatever its
    // name says, each refused when its header declares a picture larger than the limits.
    virtual void LoadFromStreamData(TStream& stream);
    // The bitmap's pixels; a 32-bit bitmap keeps its alpha unless every alpha byte is 0.
    virtual void CreateFromBitmap(TBitmap& bitmap);
    // width x height pixels 0xAARRGGBB, rows top first, alpha straight (not premultiplied);
    // without alpha every pixel is opaque.
    virtual void CreateFromPixels(int width, bool hasAlpha, const uint32_t* pixels, int height);
    // BMP data ("BM") through a framework bitmap, anything else as LoadFromStreamData.
    virtual void CreateFromStream(TStream& stream);
    // A new image of the current image class with the same picture (empty when this is).
    std::unique_ptr<TpxGPImage> Clone() const;

private:
    void SetHandle(GpImage* image);
    // Takes premultiplied pixels that the GDI+ bitmap will refer to.
    void AdoptPixels(int width, int height, std::vector<uint32_t> pixels);

    GpImage* image_ = nullptr;
    unsigned session_ = 0;
    std::vector<uint32_t> pixels_;
    int pixelWidth_ = 0;
    int pixelHeight_ = 0;
    ComPtr<IStream> data_;
};

// The image class while GDI+ is not loaded: the same operations, ordinary heap; it stays
// empty because every operation needs GDI+.
class TpxGPNullImage : public TpxGPImage {
public:
    static void* operator new(size_t size) { return ::operator new(size); }
    static void operator delete(void* p) { ::operator delete(p); }
};

// A new image of the class in use (TpxGPImage once GDI+ is loaded, TpxGPNullImage before).
std::unique_ptr<TpxGPImage> NewGPImage();

// The areas DrawScaled passes to GDI+: false when nothing is to be drawn. A source drawn
// larger than itself loses its last row and column, so that the interpolation does not
// blend the picture's edge with what lies beyond it.
struct TScaledDrawAreas {
    REAL DestLeft, DestTop, DestWidth, DestHeight;
    REAL SrcLeft, SrcTop, SrcWidth, SrcHeight;
};
bool ScaledDrawAreas(const TRect& dest, const TRect& src, TScaledDrawAreas& areas);

// Registered as "png" with the picture loader and by name with the class registry (so that
// layouts can hold PNG pictures) only when GDI+ is available. It reads what GDI+ decodes
// of a skin's pictures (JPEG, GIF and BMP data saved under a .png name too) and saves PNG.
class TpxPNGImage : public TGraphic {
    DECLARE_CLASS(TpxPNGImage, TGraphic)
    TpxPNGImage() = default;
    ~TpxPNGImage() override;

    // A bitmap becomes a new image; a PNG picture is cloned, and an empty one empties this;
    // anything else goes the framework's way.
    void Assign(TPersistent* Source) override;
    bool Empty() const override { return Width() < 1 || Height() < 1; }
    int Width() const override;
    int Height() const override;
    // A PNG picture's size is its image's.
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool Transparent() const override { return true; }

    // From the stream's position to its end; nothing left drops the image, and data that
    // fails to decode gives an empty picture.
    void LoadFromStream(TStream& stream) override;
    // PNG data; nothing without an image. EInvalidGraphic when GDI+ can't encode it.
    void SaveToStream(TStream& stream) override;
    // EInvalidGraphic for a file that does not decode (empty, truncated, not a picture,
    // too large); the picture is then left as it was.
    void LoadFromFile(const std::string& fileName) override;

    // A new 32-bit bitmap of the picture (empty without an image).
    std::unique_ptr<TBitmap> GetAsBitmap() const;
    void AssignBitmap(TBitmap& bitmap);
    void DrawAtSize(HDC dc, const TRect& dest);
    void DrawRect(HDC dc, const TRect& dest, const TRect& src);
    void DrawScaled(GpGraphics* graphics, const TRect& dest, const TRect& src);

    TpxGPImage* Image() const { return image_.get(); }

protected:
    void Draw(TCanvas& canvas, const TRect& rect) override;
    void AssignTo(TPersistent* Dest) override;

private:
    void SetImage(std::unique_ptr<TpxGPImage> image);
    std::unique_ptr<TpxGPImage> image_;
};

// Registration (run by the unit's start-up before any layout is read) and its undoing.
void RegisterPng();
void UnregisterPng();
