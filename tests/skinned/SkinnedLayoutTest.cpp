// The skinned controls as a window layout places them: picture data stored as PNG graphics,
// references to actions and popup menus, handlers bound by name, and the hint.
#include "common/Screenshot.h"
#include "controls/skinned/ArButton.h"
#include "controls/skinned/SkImagePanel.h"
#include "controls/skinned/SkURLLabel.h"
#include "framework/ActnList.h"
#include "framework/Menus.h"
#include "skinned/PictureTesting.h"
#include <gtest/gtest.h>

class TSkinnedLayoutForm : public TForm {
    DECLARE_CLASS(TSkinnedLayoutForm, TForm)
    explicit TSkinnedLayoutForm(TComponent* AOwner) : TForm(AOwner, false) {}

    TArButton* btnRefresh = nullptr;
    TskImagePanel* imgPanelS = nullptr;
    TskURLLabel* lblProgramURL = nullptr;
    TAction* ActionRefresh = nullptr;
    TAction* ActionOther = nullptr;
    TPopupMenu* pmFile = nullptr;
    int Refreshes = 0, Repeats = 0, Exits = 0;

    void ActionRefreshExecute(TObject*) { ++Refreshes; }
    void btnRefreshRepeat(TObject*) { ++Repeats; }
    void btnRefreshExit(TObject*) { ++Exits; }

    static void Publish(TClassBuilder<TSkinnedLayoutForm>& b) {
        b.Handler("ActionRefreshExecute", &TSkinnedLayoutForm::ActionRefreshExecute);
        b.Handler("btnRefreshRepeat", &TSkinnedLayoutForm::btnRefreshRepeat);
        b.Handler("btnRefreshExit", &TSkinnedLayoutForm::btnRefreshExit);
        b.Component("btnRefresh", &TSkinnedLayoutForm::btnRefresh);
        b.Component("imgPanelS", &TSkinnedLayoutForm::imgPanelS);
        b.Component("lblProgramURL", &TSkinnedLayoutForm::lblProgramURL);
        b.Component("ActionRefresh", &TSkinnedLayoutForm::ActionRefresh);
        b.Component("ActionOther", &TSkinnedLayoutForm::ActionOther);
        b.Component("pmFile", &TSkinnedLayoutForm::pmFile);
    }
};
IMPLEMENT_CLASS(TSkinnedLayoutForm);

namespace {

std::string PngData(int w, int h, uint32_t argb) {
    static const char digits[] = "0123456789ABCDEF";
    std::string bytes = "\x0BTpxPNGImage" + pngtest::SolidPng(w, h, argb), hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return "{" + hex + "}";
}

std::string Layout() {
    return "object SkinnedLayoutForm: TSkinnedLayoutForm\n"
           "  ClientWidth = 300\n"
           "  ClientHeight = 160\n"
           "  object ActionList: TActionList\n"
           "    object ActionRefresh: TAction\n"
           "      Caption = 'Refresh'\n"
           "      OnExecute = ActionRefreshExecute\n"
           "    end\n"
           "    object ActionOther: TAction\n"
           "      Caption = 'Other'\n"
           "    end\n"
           "  end\n"
           "  object pmFile: TPopupMenu\n"
           "    object mItemExit: TMenuItem\n"
           "      Caption = 'Exit'\n"
           "    end\n"
           "  end\n"
           "  object imgPanelS: TskImagePanel\n"
           "    Left = 0\n"
           "    Top = 0\n"
           "    Width = 200\n"
           "    Height = 100\n"
           "    DrawStyle = skStretch\n"
           "    Picture.Data = " + PngData(8, 8, 0xFF204080) + "\n"
           "    object btnRefresh: TArButton\n"
           "      Left = 10\n"
           "      Top = 10\n"
           "      Width = 50\n"
           "      Height = 20\n"
           "      Action = ActionRefresh\n"
           "      Default = True\n"
           "      Hint = 'Refresh the list'\n"
           "      ShowHint = True\n"
           "      PopupMenu = pmFile\n"
           "      Transparent = True\n"
           "      TextAlign = taCenter\n"
           "      PictureAlign = paCenter\n"
           "      FontMouseHover.Color = clRed\n"
           "      PicNormal.Data = " + PngData(50, 20, 0xFF30A050) + "\n"
           "      PicMouseHover.Data = " + PngData(50, 20, 0xFF50C070) + "\n"
           "      OnMouseContinuouslyDown = btnRefreshRepeat\n"
           "      OnMouseExit = btnRefreshExit\n"
           "    end\n"
           "  end\n"
           "  object lblProgramURL: TskURLLabel\n"
           "    Left = 10\n"
           "    Top = 120\n"
           "    Caption = 'Home page'\n"
           "    URL = 'http://example.org/'\n"
           "    FontLinkColor = clNavy\n"
           "    FontHoverColor = clRed\n"
           "  end\n"
           "end\n";
}

}  // namespace

TEST(SkinnedLayout, ControlsReadWithPngPicturesReferencesAndHandlers) {
    TFormGuard<TSkinnedLayoutForm> form(TSkinnedLayoutForm::Create(nullptr));
    ReadLayout(form.get(), Layout(), "skinned");
    TArButton* b = form->btnRefresh;
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Parent(), form->imgPanelS);
    ASSERT_NE(dynamic_cast<TpxPNGImage*>(b->GetPicNormal()->Graphic()), nullptr);
    EXPECT_EQ(b->GetPicNormal()->Width(), 50);
    EXPECT_EQ(b->GetPicMouseHover()->Width(), 50);
    EXPECT_FALSE(b->GetPicDisabled()->HasGraphic());
    EXPECT_EQ(b->GetCaption(), "Refresh");
    EXPECT_EQ(b->GetAction(), form->ActionRefresh);
    EXPECT_EQ(b->GetPopupMenu(), form->pmFile);
    EXPECT_EQ(b->GetHint(), "Refresh the list");
    EXPECT_TRUE(b->GetDefault());
    EXPECT_EQ(b->GetFontMouseHover()->GetColor(), clRed);
    EXPECT_EQ(b->GetPictureAlign(), TArPicAlign::paCenter);
    EXPECT_EQ(form->imgPanelS->GetPicture()->Width(), 8);
    EXPECT_EQ(form->lblProgramURL->GetURL(), "http://example.org/");
    EXPECT_EQ(form->lblProgramURL->Font()->GetColor(), clNavy);

    form->Show();
    PumpIdle();
    TBitmap shot;
    Render(b, shot);
    EXPECT_EQ(PixelAt(shot, 25, 2), RGBToColor(0x30, 0xA0, 0x50));
    PostClick(b->Handle(), 5, 5);
    ASSERT_TRUE(PumpUntil([&] { return form->Refreshes == 1; }));
    // Re-bound to another action at run time, as the language switch does.
    b->SetAction(form->ActionOther);
    EXPECT_EQ(b->GetCaption(), "Other");
    PostClick(b->Handle(), 5, 5);
    PumpIdle();
    EXPECT_EQ(form->Refreshes, 1);

    PostMouseMove(b->Handle(), 5, 5);
    ASSERT_TRUE(PumpUntil([&] { return b->IsHover(); }));
    PostMouseMove(form->Handle(), 250, 150);
    ASSERT_TRUE(PumpUntil([&] { return form->Exits == 1; }));
}
