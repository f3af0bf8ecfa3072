// Image lists: a component over a common-controls HIMAGELIST, change links for the
// controls that show its images, and access to the shell's system image lists.
#pragma once
#include "framework/Graphics.h"

#include <vector>

class TCustomImageList;

enum class TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
DECLARE_ENUM_NAMES(TDrawingStyle, "dsFocus", "dsSelected", "dsNormal", "dsTransparent");
using enum TDrawingStyle;

enum class TImageType { itImage, itMask };
DECLARE_ENUM_NAMES(TImageType, "itImage", "itMask");
using enum TImageType;

// Lets a control hear of changes of an image list it shows; several controls may watch
// one list. The link unregisters itself when destroyed, and the list clears Sender when
// it goes first.
class TChangeLink : public TObject {
    DECLARE_CLASS(TChangeLink, TObject)
    TChangeLink() = default;
    ~TChangeLink() override;
    TCustomImageList* Sender() const { return sender_; }
    void SetSender(TCustomImageList* value) { sender_ = value; }
    virtual void Change();
    TNotifyEvent OnChange;
private:
    TCustomImageList* sender_ = nullptr;
};

class TCustomImageList : public TComponent {
    DECLARE_CLASS(TCustomImageList, TComponent)
    explicit TCustomImageList(TComponent* AOwner);
    TCustomImageList(TComponent* AOwner, int width, int height);
    ~TCustomImageList() override;
    void Assign(TPersistent* Source) override;

    // Created on first use with the current Width, Height and Masked.
    HIMAGELIST Handle();
    bool HandleAllocated() const { return static_cast<bool>(handle_); }
    // Takes a foreign list; it is destroyed with this one unless ShareImages is set.
    // Width and Height follow the list's image size.
    void SetHandle(HIMAGELIST value);
    // Hands the list to the caller; this one becomes empty.
    HIMAGELIST ReleaseHandle();
    bool GetShareImages() const { return shareImages_; }
    void SetShareImages(bool value) { shareImages_ = value; }

    int GetWidth() const { return width_; }
    void SetWidth(int value);
    int GetHeight() const { return height_; }
    void SetHeight(int value);
    // Changing the size or Masked drops every image, as the list is made again.
    void SetSize(int width, int height);
    bool GetMasked() const { return masked_; }
    void SetMasked(bool value);
    int Count() const;

    // A strip wider than Width adds one image per Width pixels; returns the first index
    // (-1 when nothing was added). mask may be null; white pixels of a mask are
    // transparent.
    int Add(TBitmap* image, TBitmap* mask);
    // Pixels of maskColor become transparent (clDefault: the image's TransparentColor).
    // The bitmap itself is not changed.
    int AddMasked(TBitmap* image, TColor maskColor);
    int AddIcon(TIcon* icon);
    void Replace(int index, TBitmap* image, TBitmap* mask);
    void Delete(int index);
    void Clear();

    // Nothing for an index out of range. Disabled images are drawn embossed in
    // clBtnHighlight and clBtnShadow.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);
    void Draw(TCanvas& canvas, int x, int y, int index, TDrawingStyle style, TImageType type, bool enabled = true);
    // image becomes Width x Height with the image drawn on black.
    void GetBitmap(int index, TBitmap* image);
    void GetIcon(int index, TIcon* icon);

    TColor GetBkColor() const { return bkColor_; }
    void SetBkColor(TColor value);
    TColor GetBlendColor() const { return blendColor_; }
    void SetBlendColor(TColor value);
    TDrawingStyle GetDrawingStyle() const { return drawingStyle_; }
    void SetDrawingStyle(TDrawingStyle value);
    TImageType GetImageType() const { return imageType_; }
    void SetImageType(TImageType value);

    void BeginUpdate();
    void EndUpdate();
    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    TNotifyEvent OnChange;

    // Stored images: "Bitmap" holds, little-endian,
    //   "VIL1", uint16 width, uint16 height, uint16 count, uint16 flags (1: masked),
    //   uint32 n, n bytes of a 32-bit BMP strip of the images side by side,
    //   when masked: uint32 n, n bytes of a BMP strip of the masks (white = transparent).
    // Malformed data raises EInvalidGraphic "Image list data is not valid" and keeps
    // the current images.
    void DefineProperties(TFiler& Filer) override;
    void ReadData(TStream& stream);
    void WriteData(TStream& stream);

    static void Publish(TClassBuilder<TCustomImageList>& b);

protected:
    virtual void Change();
private:
    void CreateList();
    void DropList();
    UINT DrawFlags(TDrawingStyle style, TImageType type) const;
    void DrawDisabled(HDC dc, int x, int y, int index);
    TImageListHandle handle_;
    bool shareImages_ = false;
    int width_ = 16;
    int height_ = 16;
    bool masked_ = true;
    TColor bkColor_ = clNone;
    TColor blendColor_ = clNone;
    TDrawingStyle drawingStyle_ = dsNormal;
    TImageType imageType_ = itImage;
    int updateCount_ = 0;
    bool changed_ = false;
    std::vector<TChangeLink*> links_;
};

class TImageList : public TCustomImageList {
    DECLARE_CLASS(TImageList, TCustomImageList)
    using TCustomImageList::TCustomImageList;
};

// Points a component's image list reference at value, moving the component's change link
// and free notification from the old list to the new one. False when it already pointed there.
bool ReplaceImageList(TCustomImageList*& field, TCustomImageList* value, TChangeLink* link, TComponent* owner);

// The shell's image list of file icons (small or large). It belongs to the system:
// give it to an image list with ShareImages set, never destroy it.
HIMAGELIST GetSystemImageList(bool small);
