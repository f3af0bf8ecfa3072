// A window read from layouts/TFramedTestForm.layout, driven as a user would: check boxes
// bound to actions on a transparent group box, a hot-tracked box, a side panel collapsed and
// restored by its hot spot beside an aligned list, and a list sorted by header clicks.
// Screenshots go to tests-output/framed/.
#include "controls/framed/FcGrafx.h"
#include "controls/framed/FcListVw.h"
#include "controls/framed/FcRadChk.h"
#include "controls/framed/FcSplit.h"
#include "PixelTesting.h"
#include "framework/FormTesting.h"

#include "framework/ActnList.h"

#include <gtest/gtest.h>

class TFramedTestForm : public TForm {
    DECLARE_CLASS(TFramedTestForm, TForm)
    explicit TFramedTestForm(TComponent* AOwner) : TForm(AOwner) {}

    TFcListView* lsvPrograms = nullptr;
    TFcSizePanel* SizePanelPL = nullptr;
    TFcGroupBox* grbSearch = nullptr;
    TFcCheckBox* ckbHidePatch = nullptr;
    TFcCheckBox* ckbHideScr = nullptr;
    TFcCheckBox* ckbHotTrack = nullptr;
    TAction* ActionHideSysPatch = nullptr;
    TAction* ActionHideScr = nullptr;
    int HotSpotClicks = 0;

    void ActionHideSysPatchExecute(TObject*) { ActionHideSysPatch->SetChecked(!ActionHideSysPatch->GetChecked()); }
    void ActionHideScrExecute(TObject*) { ActionHideScr->SetChecked(!ActionHideScr->GetChecked()); }
    void SizePanelPLHotSpotClick(TObject*) { ++HotSpotClicks; }

    static void Publish(TClassBuilder<TFramedTestForm>& b) {
        b.Handler("ActionHideSysPatchExecute", &TFramedTestForm::ActionHideSysPatchExecute);
        b.Handler("ActionHideScrExecute", &TFramedTestForm::ActionHideScrExecute);
        b.Handler("SizePanelPLHotSpotClick", &TFramedTestForm::SizePanelPLHotSpotClick);
        b.Component("lsvPrograms", &TFramedTestForm::lsvPrograms);
        b.Component("SizePanelPL", &TFramedTestForm::SizePanelPL);
        b.Component("grbSearch", &TFramedTestForm::grbSearch);
        b.Component("ckbHidePatch", &TFramedTestForm::ckbHidePatch);
        b.Component("ckbHideScr", &TFramedTestForm::ckbHideScr);
        b.Component("ckbHotTrack", &TFramedTestForm::ckbHotTrack);
        b.Component("ActionHideSysPatch", &TFramedTestForm::ActionHideSysPatch);
        b.Component("ActionHideScr", &TFramedTestForm::ActionHideScr);
    }
};
IMPLEMENT_CLASS(TFramedTestForm);

namespace {

class FramedFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.reset(TFramedTestForm::Create(nullptr));
        const char* rows[][4] = {{"Quill Editor", "Larkspur Works", "12 MB", "2024-03-02"},
                                 {"archive tool", "Bramble Labs", "", "2023-11-17"},
                                 {"Pixel Palette", "", "48 MB", "2024-01-09"},
                                 {"", "Unknown", "1 MB", ""},
                                 {"Mono Terminal", "Fernway", "3 MB", "2022-07-30"}};
        for (auto& row : rows) {
            TListItem* it = form->lsvPrograms->Items()->Add();
            it->SetCaption(row[0]);
            for (int c = 1; c < 4; ++c) it->SubItems()->Add(row[c]);
        }
        form->Show();
        PumpIdle();
    }
    void Shot(const std::string& name) {
        EXPECT_TRUE(SaveWindowPng(form->Handle(), "framed-" + name + ".png")) << name;
    }
    TPoint HotSpotCentre() {
        TRect bar;
        form->SizePanelPL->SizeBarRect(bar);
        TRect h = form->SizePanelPL->HotSpotRect();
        return TPoint(h.Left + h.Width() / 2, h.Top + h.Height() / 2);
    }
    TFormGuard<TFramedTestForm> form;
};

} // namespace

TEST_F(FramedFormTest, LayoutBuildsTheWindow) {
    EXPECT_EQ(form->lsvPrograms->Columns()->Count(), 4);
    EXPECT_EQ(form->SizePanelPL->Width(), 169);
    EXPECT_EQ(form->lsvPrograms->Width(), 640 - 169);
    EXPECT_EQ(form->ckbHidePatch->GetCaption(), "Hide system patches");
    EXPECT_FALSE(form->ckbHidePatch->GetChecked());
    EXPECT_TRUE(form->ckbHideScr->GetChecked()) << "the action's Checked";
    // The group box is transparent: the panel's gradient shows under its empty part.
    TFcSizePanel* panel = form->SizePanelPL;
    TRect face;
    panel->FaceRect(face);
    TPixelCanvas gradient(face.Width(), face.Height());
    FillGradient(gradient.Canvas(), TRect(0, 0, face.Width(), face.Height()), panel->GetGradientDirection(),
                 panel->GetGradientColorStart(), panel->GetGradientColorStop(), 1);
    TBitmap shot;
    ASSERT_TRUE(CaptureWindow(form->grbSearch->Handle(), shot));
    TPoint at = form->grbSearch->ClientToParent(TPoint(130, 120));
    EXPECT_EQ(PixelAt(shot, 130, 120), gradient.At(at.X - face.Left, at.Y - face.Top));
    // So do the transparent check boxes, between their glyph and their caption.
    TFcCheckBox* box = form->ckbHidePatch;
    ASSERT_TRUE(CaptureWindow(box->Handle(), shot));
    TPoint under = panel->ScreenToClient(box->ClientToScreen(TPoint(15, 1)));
    EXPECT_EQ(PixelAt(shot, 15, 1), gradient.At(under.X - face.Left, under.Y - face.Top));
    Shot("form");
}

TEST_F(FramedFormTest, CheckBoxesAndActionsFollowEachOther) {
    PostClick(form->ckbHidePatch->Handle(), 5, 7);
    EXPECT_TRUE(PumpUntil([&] { return form->ActionHideSysPatch->GetChecked(); }));
    EXPECT_TRUE(form->ckbHidePatch->GetChecked());
    form->ActionHideSysPatch->SetChecked(false);
    EXPECT_FALSE(form->ckbHidePatch->GetChecked());
    form->ActionHideScr->SetChecked(false);
    EXPECT_FALSE(form->ckbHideScr->GetChecked());
    PostClick(form->ckbHideScr->Handle(), 5, 7);
    EXPECT_TRUE(PumpUntil([&] { return form->ActionHideScr->GetChecked(); }));
    EXPECT_TRUE(form->ckbHideScr->GetChecked());
    PumpIdle();
    Shot("checked");
}

TEST_F(FramedFormTest, MouseMovesHotTrackTheBox) {
    TFcCheckBox* box = form->ckbHotTrack;
    TRect glyph = box->GlyphRect();
    TBitmap before;
    ASSERT_TRUE(CaptureWindow(box->Handle(), before));
    PostMouseMove(box->Handle(), glyph.Left + 5, glyph.Top + 5);
    ASSERT_TRUE(PumpUntil([&] { return box->Hovered(); }));
    PumpIdle();
    TBitmap hot;
    ASSERT_TRUE(CaptureWindow(box->Handle(), hot));
    Shot("hot");
    // The hot ring runs from a light mix of the hot colour to the hot colour itself.
    TColor hotColor = box->GetHotTrackColor();
    EXPECT_EQ(PixelAt(hot, glyph.Left + glyph.Width() - 2, glyph.Top + glyph.Height() - 2), hotColor);
    EXPECT_NE(PixelAt(before, glyph.Left + glyph.Width() - 2, glyph.Top + glyph.Height() - 2), hotColor);
    PostMouseMove(form->lsvPrograms->Handle(), 100, 100);
    EXPECT_TRUE(PumpUntil([&] { return !box->Hovered(); }));
    PumpIdle();
    TBitmap after;
    ASSERT_TRUE(CaptureWindow(box->Handle(), after));
    EXPECT_NE(PixelAt(after, glyph.Left + glyph.Width() - 2, glyph.Top + glyph.Height() - 2), hotColor);
}

TEST_F(FramedFormTest, HotSpotGivesTheSpaceToTheListAndTakesItBack) {
    TFcSizePanel* panel = form->SizePanelPL;
    TPoint c = HotSpotCentre();
    PostClick(panel->Handle(), c.X, c.Y);
    ASSERT_TRUE(PumpUntil([&] { return panel->Width() == 6; }));
    EXPECT_EQ(panel->Left(), 640 - 6);
    EXPECT_EQ(form->lsvPrograms->Width(), 640 - 6);
    EXPECT_EQ(form->HotSpotClicks, 1);
    PumpIdle();
    Shot("collapsed");
    c = HotSpotCentre();
    PostClick(panel->Handle(), c.X, c.Y);
    ASSERT_TRUE(PumpUntil([&] { return panel->Width() == 169; }));
    EXPECT_EQ(form->lsvPrograms->Width(), 640 - 169);
    EXPECT_EQ(form->HotSpotClicks, 2);
}

TEST_F(FramedFormTest, HeaderClickSortsAndShowsTheArrow) {
    TFcListView* lv = form->lsvPrograms;
    HWND header = lv->GetHeaderHandle();
    RECT section{};
    SendMessageA(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&section));
    PostClick(header, (section.left + section.right) / 2, (section.top + section.bottom) / 2);
    ASSERT_TRUE(PumpUntil([&] { return lv->GetSortArrowColumn() == 1; }));
    std::vector<std::string> publishers;
    for (int i = 0; i < lv->Items()->Count(); ++i) publishers.push_back(lv->Items()->Item(i)->SubItems()->Get(0));
    EXPECT_EQ(publishers,
              (std::vector<std::string>{"Bramble Labs", "Fernway", "Larkspur Works", "Unknown", ""}));
    PumpIdle();
    Shot("sorted");
    TBitmap shot;
    ASSERT_TRUE(CaptureWindow(header, shot));
    TRect sorted(section);
    RECT first{};
    SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    TColor arrow = ColorToRGB(clBtnShadow);
    EXPECT_GT(CountPixels(shot, arrow, sorted), 10) << "the arrow in the sorted section";
    EXPECT_LT(CountPixels(shot, arrow, TRect(first)), CountPixels(shot, arrow, sorted));
    PostClick(header, (section.left + section.right) / 2, (section.top + section.bottom) / 2);
    ASSERT_TRUE(PumpUntil([&] { return lv->GetSortArrowDescending(); }));
    EXPECT_EQ(lv->Items()->Item(0)->SubItems()->Get(0), "");
    PumpIdle();
    Shot("sorted-descending");
}
