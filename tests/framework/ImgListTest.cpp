#include "framework/ImgList.h"
#include "common/Screenshot.h"

#include <gtest/gtest.h>

namespace {

// Three 16x16 squares side by side: red, green, blue, each with a fuchsia top-left pixel.
void MakeStrip(TBitmap& strip) {
    FillBitmap(strip, 48, 16, clRed);
    strip.Canvas()->Brush()->SetColor(clLime);
    strip.Canvas()->FillRect(Rect(16, 0, 32, 16));
    strip.Canvas()->Brush()->SetColor(clBlue);
    strip.Canvas()->FillRect(Rect(32, 0, 48, 16));
    for (int i = 0; i < 3; ++i) strip.Canvas()->SetPixels(16 * i, 0, clFuchsia);
}

std::string ListData(TCustomImageList& list) {
    TMemoryStream ms;
    list.WriteData(ms);
    return std::string(reinterpret_cast<const char*>(ms.Memory()), ms.Size());
}

void ReadList(TCustomImageList& list, const std::string& data) {
    TMemoryStream ms;
    ms.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    ms.SetPosition(0);
    list.ReadData(ms);
}

class TListHolder : public TComponent {
    DECLARE_CLASS(TListHolder, TComponent)
    explicit TListHolder(TComponent* owner) : TComponent(owner) {}
};
IMPLEMENT_CLASS(TListHolder);

}  // namespace

TEST(ImageList, AddDrawAndCount) {
    TFreeGuard<TImageList> list(TImageList::Create(nullptr));
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->GetWidth(), 16);
    TBitmap strip;
    MakeStrip(strip);
    EXPECT_EQ(list->AddMasked(&strip, clFuchsia), 0);
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(PixelAt(strip, 0, 0), clFuchsia);   // the caller's bitmap is not blackened

    TBitmap canvas;
    FillBitmap(canvas, 40, 20, clWhite);
    list->Draw(*canvas.Canvas(), 2, 2, 1);
    EXPECT_EQ(PixelAt(canvas, 2, 2), clWhite);   // the masked pixel shows the background
    EXPECT_EQ(PixelAt(canvas, 10, 10), clLime);
    EXPECT_EQ(PixelAt(canvas, 18, 10), clWhite);
    list->Draw(*canvas.Canvas(), 20, 0, 7);   // out of range: nothing
    EXPECT_EQ(PixelAt(canvas, 25, 5), clWhite);

    TBitmap plain;
    FillBitmap(plain, 16, 16, clYellow);
    EXPECT_EQ(list->Add(&plain, nullptr), 3);
    TIcon icon;
    list->GetIcon(2, &icon);
    ASSERT_FALSE(icon.Empty());
    EXPECT_EQ(list->AddIcon(&icon), 4);
    EXPECT_EQ(list->Count(), 5);

    TBitmap image;
    list->GetBitmap(4, &image);
    EXPECT_EQ(image.Width(), 16);
    EXPECT_EQ(PixelAt(image, 8, 8), clBlue);

    list->Delete(0);
    EXPECT_EQ(list->Count(), 4);
    EXPECT_THROW(list->Delete(4), EInvalidOperation);
    list->Clear();
    EXPECT_EQ(list->Count(), 0);
}

TEST(ImageList, DisabledImagesAreGreyedInTheirShape) {
    TFreeGuard<TImageList> list(TImageList::Create(nullptr));
    TBitmap strip;
    MakeStrip(strip);
    list->AddMasked(&strip, clFuchsia);
    TBitmap canvas;
    FillBitmap(canvas, 20, 20, clWhite);
    list->Draw(*canvas.Canvas(), 0, 0, 0, false);
    EXPECT_EQ(PixelAt(canvas, 5, 5), ColorToRGB(clBtnShadow));
    EXPECT_EQ(PixelAt(canvas, 0, 0), clWhite);   // transparent stays untouched
    EXPECT_EQ(CountPixels(canvas, clRed, Rect(0, 0, 20, 20)), 0);
    EXPECT_EQ(PixelAt(canvas, 19, 19), clWhite);
}

TEST(ImageList, ChangeNotificationAndLinks) {
    TFreeGuard<TImageList> list(TImageList::Create(nullptr));
    int changes = 0, linked = 0;
    list->OnChange = [&](TObject*) { ++changes; };
    auto link = std::make_unique<TChangeLink>();
    link->OnChange = [&](TObject* sender) { EXPECT_EQ(sender, list.get()); ++linked; };
    list->RegisterChanges(link.get());
    EXPECT_EQ(link->Sender(), list.get());

    TBitmap plain;
    FillBitmap(plain, 16, 16, clYellow);
    list->Add(&plain, nullptr);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(linked, 1);

    list->BeginUpdate();
    list->Add(&plain, nullptr);
    list->Add(&plain, nullptr);
    list->EndUpdate();
    EXPECT_EQ(changes, 2);

    // Changing the size drops the images.
    list->SetSize(24, 24);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->GetHeight(), 24);

    link.reset();   // unregisters itself
    list->Clear();
    list->Add(&plain, nullptr);
    EXPECT_EQ(linked, 3);

    // The list going first leaves the link without a sender.
    TChangeLink survivor;
    list->RegisterChanges(&survivor);
    list.reset();
    EXPECT_EQ(survivor.Sender(), nullptr);
}

TEST(ImageList, StoredImagesRoundTripAndLayouts) {
    TFreeGuard<TImageList> list(TImageList::Create(nullptr));
    TBitmap strip;
    MakeStrip(strip);
    list->AddMasked(&strip, clFuchsia);
    std::string data = ListData(*list);

    TFreeGuard<TImageList> copy(TImageList::Create(nullptr));
    ReadList(*copy, data);
    EXPECT_EQ(copy->Count(), 3);
    TBitmap canvas;
    FillBitmap(canvas, 16, 16, clWhite);
    copy->Draw(*canvas.Canvas(), 0, 0, 2);
    EXPECT_EQ(PixelAt(canvas, 0, 0), clWhite);   // the mask survived
    EXPECT_EQ(PixelAt(canvas, 8, 8), clBlue);
    EXPECT_EQ(ListData(*copy), data);

    // Malformed data keeps what the list holds.
    for (std::string bad : {std::string("VIL2"), data.substr(0, 30), std::string(data).replace(8, 2, "\x09\x00", 2)}) {
        EXPECT_THROW(ReadList(*copy, bad), EInvalidGraphic);
        EXPECT_EQ(copy->Count(), 3);
    }

    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : data) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    TFreeGuard<TListHolder> root(TListHolder::Create(nullptr));
    ReadLayout(root.get(),
               "object Holder: TListHolder\n  object Images: TImageList\n    BkColor = clNone\n"
               "    Bitmap = {" + hex + "}\n  end\nend\n",
               "test");
    auto* images = dynamic_cast<TImageList*>(root->FindComponent("Images"));
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->Count(), 3);
    EXPECT_EQ(images->GetWidth(), 16);
}

TEST(ImageList, SystemImageListIsShared) {
    HIMAGELIST sys = GetSystemImageList(true);
    ASSERT_NE(sys, nullptr);
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(sys, &cx, &cy));
    {
        TFreeGuard<TImageList> list(TImageList::Create(nullptr));
        list->SetShareImages(true);
        list->SetHandle(sys);
        EXPECT_EQ(list->Handle(), sys);
        EXPECT_EQ(list->GetWidth(), cx);
        EXPECT_EQ(list->Count(), ImageList_GetImageCount(sys));
    }
    int cx2 = 0, cy2 = 0;
    EXPECT_TRUE(ImageList_GetIconSize(sys, &cx2, &cy2));   // still alive
    EXPECT_EQ(GetSystemImageList(true), sys);
    EXPECT_NE(GetSystemImageList(false), nullptr);
}
