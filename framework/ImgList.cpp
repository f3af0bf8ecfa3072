#include "framework/ImgList.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_CLASS(TChangeLink);
IMPLEMENT_CLASS(TCustomImageList);
IMPLEMENT_CLASS(TImageList);

namespace {

const char kListInvalid[] = "Image list data is not valid";

COLORREF ListColor(TColor c) {
    if (c == clNone) return CLR_NONE;
    if (c == clDefault) return CLR_DEFAULT;
    return ColorToColorRef(c);
}

}  // namespace

TChangeLink::~TChangeLink() {
    if (sender_) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change() {
    if (OnChange) OnChange(sender_);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(TComponent* AOwner, int width, int height) : TComponent(AOwner) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* link : links_) link->SetSender(nullptr);
    links_.clear();
    DropList();
}

void TCustomImageList::Publish(TClassBuilder<TCustomImageList>& b) {
    b.Prop("BkColor", &TCustomImageList::GetBkColor, &TCustomImageList::SetBkColor);
    b.Prop("BlendColor", &TCustomImageList::GetBlendColor, &TCustomImageList::SetBlendColor);
    b.Prop("DrawingStyle", &TCustomImageList::GetDrawingStyle, &TCustomImageList::SetDrawingStyle);
    b.Prop("Height", &TCustomImageList::GetHeight, &TCustomImageList::SetHeight);
    b.Prop("ImageType", &TCustomImageList::GetImageType, &TCustomImageList::SetImageType);
    b.Prop("Masked", &TCustomImageList::GetMasked, &TCustomImageList::SetMasked);
    b.Prop("ShareImages", &TCustomImageList::GetShareImages, &TCustomImageList::SetShareImages);
    b.Prop("Width", &TCustomImageList::GetWidth, &TCustomImageList::SetWidth);
    b.Event("OnChange", &TCustomImageList::OnChange);
}

void TCustomImageList::DropList() {
    // A shared list belongs to someone else (the shell's system lists).
    if (shareImages_) handle_.Release();
    else handle_.Reset();
}

void TCustomImageList::CreateList() {
    HIMAGELIST h = ImageList_Create(width_, height_, ILC_COLOR32 | (masked_ ? ILC_MASK : 0), 4, 4);
    if (!h) throw EOutOfResources("Out of system resources");
    handle_.Reset(h);
    if (bkColor_ != clNone) ImageList_SetBkColor(h, ListColor(bkColor_));
}

HIMAGELIST TCustomImageList::Handle() {
    if (!handle_) CreateList();
    return handle_.Get();
}

void TCustomImageList::SetHandle(HIMAGELIST value) {
    if (value == handle_.Get()) return;
    DropList();
    handle_.Reset(value);
    if (value) {
        int cx = 0, cy = 0;
        if (ImageList_GetIconSize(value, &cx, &cy)) {
            width_ = cx;
            height_ = cy;
        }
    }
    Change();
}

HIMAGELIST TCustomImageList::ReleaseHandle() {
    HIMAGELIST h = handle_.Release();
    Change();
    return h;
}

void TCustomImageList::SetSize(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    if (handle_) {
        DropList();
        CreateList();
    }
    Change();
}

void TCustomImageList::SetWidth(int value) { SetSize(value, height_); }
void TCustomImageList::SetHeight(int value) { SetSize(width_, value); }

void TCustomImageList::SetMasked(bool value) {
    if (value == masked_) return;
    masked_ = value;
    if (handle_) {
        DropList();
        CreateList();
    }
    Change();
}

int TCustomImageList::Count() const {
    return handle_ ? ImageList_GetImageCount(handle_.Get()) : 0;
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
    if (!image || image->Empty()) return -1;
    HIMAGELIST h = Handle();
    // ImageList_Add selects the bitmaps into its own DCs: they must not sit in a canvas.
    image->Dormant();
    if (mask) mask->Dormant();
    int index = ImageList_Add(h, image->Handle(), mask && !mask->Empty() ? mask->Handle() : nullptr);
    if (index < 0) throw EInvalidOperation("Failed to add image to the image list");
    Change();
    return index;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
    if (!image || image->Empty()) return -1;
    if (maskColor == clDefault) maskColor = image->TransparentColor();
    // The system blackens the key colour in the bitmap it is given: give it a copy.
    TBitmap copy;
    copy.Assign(image);
    HIMAGELIST h = Handle();
    int index = ImageList_AddMasked(h, copy.Handle(), ColorToColorRef(maskColor));
    if (index < 0) throw EInvalidOperation("Failed to add image to the image list");
    Change();
    return index;
}

int TCustomImageList::AddIcon(TIcon* icon) {
    if (!icon || icon->Empty()) return -1;
    int index = ImageList_ReplaceIcon(Handle(), -1, icon->Handle());
    if (index < 0) throw EInvalidOperation("Failed to add icon to the image list");
    Change();
    return index;
}

void TCustomImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
    if (index < 0 || index >= Count()) throw EInvalidOperation("Image list index out of range");
    if (!image || image->Empty()) return;
    image->Dormant();
    if (mask) mask->Dormant();
    if (!ImageList_Replace(Handle(), index, image->Handle(), mask && !mask->Empty() ? mask->Handle() : nullptr))
        throw EInvalidOperation("Failed to replace image");
    Change();
}

void TCustomImageList::Delete(int index) {
    if (index < 0 || index >= Count()) throw EInvalidOperation("Image list index out of range");
    ImageList_Remove(handle_.Get(), index);
    Change();
}

void TCustomImageList::Clear() {
    if (handle_ && Count() > 0) {
        ImageList_Remove(handle_.Get(), -1);
        Change();
    }
}

UINT TCustomImageList::DrawFlags(TDrawingStyle style, TImageType type) const {
    UINT flags = ILD_NORMAL;
    switch (style) {
    case dsFocus: flags = ILD_FOCUS; break;
    case dsSelected: flags = ILD_SELECTED; break;
    case dsNormal: flags = ILD_NORMAL; break;
    case dsTransparent: flags = ILD_TRANSPARENT; break;
    }
    if (type == itMask) flags |= ILD_MASK;
    return flags;
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) {
    Draw(canvas, x, y, index, drawingStyle_, imageType_, enabled);
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, TDrawingStyle style, TImageType type,
                            bool enabled) {
    if (!handle_ || index < 0 || index >= Count()) return;
    HDC dc = canvas.Handle();
    if (!enabled) {
        DrawDisabled(dc, x, y, index);
        return;
    }
    ImageList_DrawEx(handle_.Get(), index, dc, x, y, 0, 0, ListColor(bkColor_), ListColor(blendColor_),
                     DrawFlags(style, type));
}

void TCustomImageList::DrawDisabled(HDC dc, int x, int y, int index) {
    // A monochrome copy: 1 where the image is transparent or white, 0 where it has ink.
    TGdiHandle mono(CreateBitmap(width_, height_, 1, 1, nullptr));
    TMemDCHandle monoDC(CreateCompatibleDC(nullptr));
    if (!mono || !monoDC) return;
    TSelectObject selMono(monoDC.Get(), mono.Get());
    PatBlt(monoDC.Get(), 0, 0, width_, height_, WHITENESS);
    ::SetBkColor(monoDC.Get(), RGB(255, 255, 255));
    ImageList_DrawEx(handle_.Get(), index, monoDC.Get(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
    // Ink (0) expands to white and background (1) to black on the colour DC, so the
    // raster operation D ^ (S & (P ^ D)) paints the brush only where the image has ink.
    COLORREF oldText = SetTextColor(dc, RGB(255, 255, 255));
    COLORREF oldBk = ::SetBkColor(dc, RGB(0, 0, 0));
    const DWORD ropDSPDxax = 0x00E20746;
    {
        TGdiHandle hi(CreateSolidBrush(ColorToColorRef(clBtnHighlight)));
        TSelectObject sel(dc, hi.Get());
        BitBlt(dc, x + 1, y + 1, width_, height_, monoDC.Get(), 0, 0, ropDSPDxax);
    }
    {
        TGdiHandle sh(CreateSolidBrush(ColorToColorRef(clBtnShadow)));
        TSelectObject sel(dc, sh.Get());
        BitBlt(dc, x, y, width_, height_, monoDC.Get(), 0, 0, ropDSPDxax);
    }
    ::SetBkColor(dc, oldBk);
    SetTextColor(dc, oldText);
}

void TCustomImageList::GetBitmap(int index, TBitmap* image) {
    if (!image) return;
    image->SetSize(0, 0);
    image->SetSize(width_, height_);
    if (handle_ && index >= 0 && index < Count())
        ImageList_DrawEx(handle_.Get(), index, image->Canvas()->Handle(), 0, 0, 0, 0, CLR_NONE, CLR_NONE,
                         ILD_TRANSPARENT);
    image->Changed();
}

void TCustomImageList::GetIcon(int index, TIcon* icon) {
    if (!icon) return;
    if (!handle_ || index < 0 || index >= Count()) {
        icon->SetHandle(nullptr);
        return;
    }
    icon->SetHandle(ImageList_GetIcon(handle_.Get(), index, ILD_NORMAL));
}

void TCustomImageList::SetBkColor(TColor value) {
    if (value == bkColor_) return;
    bkColor_ = value;
    if (handle_) ImageList_SetBkColor(handle_.Get(), ListColor(value));
    Change();
}

void TCustomImageList::SetBlendColor(TColor value) {
    if (value == blendColor_) return;
    blendColor_ = value;
    Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle value) {
    if (value == drawingStyle_) return;
    drawingStyle_ = value;
    Change();
}

void TCustomImageList::SetImageType(TImageType value) {
    if (value == imageType_) return;
    imageType_ = value;
    Change();
}

void TCustomImageList::BeginUpdate() { ++updateCount_; }

void TCustomImageList::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0 && changed_) {
        changed_ = false;
        Change();
    }
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
    if (!link) return;
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
    link->SetSender(this);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
    auto it = std::find(links_.begin(), links_.end(), link);
    if (it == links_.end()) return;
    links_.erase(it);
    link->SetSender(nullptr);
}

bool ReplaceImageList(TCustomImageList*& field, TCustomImageList* value, TChangeLink* link, TComponent* owner) {
    if (field == value) return false;
    if (field) {
        field->UnRegisterChanges(link);
        field->RemoveFreeNotification(owner);
    }
    field = value;
    if (field) {
        field->RegisterChanges(link);
        field->FreeNotification(owner);
    }
    return true;
}

void TCustomImageList::Change() {
    if (updateCount_ > 0) {
        changed_ = true;
        return;
    }
    // A link's handler may unregister links: walk a copy.
    auto links = links_;
    for (TChangeLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->Change();
    if (OnChange) OnChange(this);
}

void TCustomImageList::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TCustomImageList*>(Source)) {
        if (src == this) return;
        HIMAGELIST copy = nullptr;
        if (src->handle_) {
            copy = ImageList_Duplicate(src->handle_.Get());
            if (!copy) throw EOutOfResources("Out of system resources");
        }
        DropList();
        shareImages_ = false;
        handle_.Reset(copy);
        width_ = src->width_;
        height_ = src->height_;
        masked_ = src->masked_;
        bkColor_ = src->bkColor_;
        blendColor_ = src->blendColor_;
        drawingStyle_ = src->drawingStyle_;
        imageType_ = src->imageType_;
        Change();
        return;
    }
    inherited::Assign(Source);
}

// ---------------------------------------------------------------------------------------
// Stored images

namespace {

void Put16(TStream& s, uint16_t v) {
    uint8_t b[2] = {uint8_t(v & 0xFF), uint8_t(v >> 8)};
    s.WriteBuffer(b, 2);
}
void Put32(TStream& s, uint32_t v) {
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    s.WriteBuffer(b, 4);
}
bool Get(TStream& s, void* buf, int64_t n) { return s.Read(buf, n) == n; }
bool Get16(TStream& s, uint16_t& v) {
    uint8_t b[2];
    if (!Get(s, b, 2)) return false;
    v = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
}
bool Get32(TStream& s, uint32_t& v) {
    uint8_t b[4];
    if (!Get(s, b, 4)) return false;
    v = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
    return true;
}

void WriteStrip(TStream& s, TBitmap& bmp) {
    TMemoryStream ms;
    bmp.SaveToStream(ms);
    Put32(s, static_cast<uint32_t>(ms.Size()));
    s.WriteBuffer(ms.Memory(), ms.Size());
}

bool ReadStrip(TStream& s, TBitmap& bmp) {
    uint32_t n = 0;
    if (!Get32(s, n) || n > uint64_t(s.Size() - s.Position())) return false;
    TMemoryStream ms;
    if (n) ms.CopyFrom(s, n);
    ms.SetPosition(0);
    try {
        bmp.LoadFromStream(ms);
    } catch (const EInvalidGraphic&) {
        return false;
    }
    return true;
}

}  // namespace

void TCustomImageList::WriteData(TStream& stream) {
    const int count = Count();
    stream.WriteBuffer("VIL1", 4);
    Put16(stream, static_cast<uint16_t>(width_));
    Put16(stream, static_cast<uint16_t>(height_));
    Put16(stream, static_cast<uint16_t>(count));
    Put16(stream, masked_ ? 1 : 0);
    TBitmap strip, maskStrip;
    strip.SetPixelFormat(pf32bit);
    if (count > 0) {
        strip.SetSize(width_ * count, height_);
        HDC dc = strip.Canvas()->Handle();
        for (int i = 0; i < count; ++i)
            ImageList_DrawEx(handle_.Get(), i, dc, i * width_, 0, width_, height_, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
        if (masked_) {
            maskStrip.SetSize(width_ * count, height_);
            HDC mdc = maskStrip.Canvas()->Handle();
            // The mask is combined with what is there (AND under Wine): start from white.
            PatBlt(mdc, 0, 0, maskStrip.Width(), height_, WHITENESS);
            SetTextColor(mdc, RGB(0, 0, 0));
            ::SetBkColor(mdc, RGB(255, 255, 255));
            for (int i = 0; i < count; ++i)
                ImageList_DrawEx(handle_.Get(), i, mdc, i * width_, 0, width_, height_, CLR_DEFAULT, CLR_DEFAULT, ILD_MASK);
        }
    }
    WriteStrip(stream, strip);
    if (masked_) WriteStrip(stream, maskStrip);
}

void TCustomImageList::ReadData(TStream& stream) {
    char magic[4];
    uint16_t w = 0, h = 0, count = 0, flags = 0;
    if (!Get(stream, magic, 4) || std::memcmp(magic, "VIL1", 4) != 0 || !Get16(stream, w) || !Get16(stream, h) ||
        !Get16(stream, count) || !Get16(stream, flags) || w == 0 || h == 0 || (flags & ~1u))
        throw EInvalidGraphic(kListInvalid);
    const bool masked = flags & 1;
    TBitmap strip, maskStrip;
    if (!ReadStrip(stream, strip) || (masked && !ReadStrip(stream, maskStrip))) throw EInvalidGraphic(kListInvalid);
    if (count > 0) {
        if (strip.Width() != int(w) * count || strip.Height() != h) throw EInvalidGraphic(kListInvalid);
        if (masked && (maskStrip.Width() != strip.Width() || maskStrip.Height() != h))
            throw EInvalidGraphic(kListInvalid);
    }
    TImageListHandle list(ImageList_Create(w, h, ILC_COLOR32 | (masked ? ILC_MASK : 0), std::max<int>(count, 4), 4));
    if (!list) throw EOutOfResources("Out of system resources");
    if (count > 0) {
        strip.Dormant();
        maskStrip.Dormant();
        if (ImageList_Add(list.Get(), strip.Handle(), masked ? maskStrip.Handle() : nullptr) < 0 ||
            ImageList_GetImageCount(list.Get()) != count)
            throw EInvalidGraphic(kListInvalid);
    }
    if (bkColor_ != clNone) ImageList_SetBkColor(list.Get(), ListColor(bkColor_));
    DropList();
    shareImages_ = false;
    handle_ = std::move(list);
    width_ = w;
    height_ = h;
    masked_ = masked;
    Change();
}

void TCustomImageList::DefineProperties(TFiler& Filer) {
    Filer.DefineProperty(
        "Bitmap",
        [this](const TValue& v) {
            if (v.Kind != TValueKind::Binary) RaiseInvalidPropertyValue(v);
            TMemoryStream ms;
            if (!v.Str.empty()) ms.WriteBuffer(v.Str.data(), static_cast<int64_t>(v.Str.size()));
            ms.SetPosition(0);
            ReadData(ms);
        },
        Count() > 0);
}

HIMAGELIST GetSystemImageList(bool small) {
    char dir[MAX_PATH] = {};
    UINT n = GetWindowsDirectoryA(dir, MAX_PATH);
    std::string root = n >= 3 && n < MAX_PATH ? std::string(dir, 3) : std::string("C:\\");
    SHFILEINFOA sfi{};
    return reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(root.c_str(), 0, &sfi, sizeof sfi,
                                                       SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON)));
}
