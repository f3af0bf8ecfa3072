// The custom button's tracking and caption, and the framed check box: state cycle,
// keyboard, actions, glyph choice, auto size, frame settings and layouts.
#include "controls/framed/FcRadChk.h"
#include "PixelTesting.h"
#include "framework/FormTesting.h"

#include "framework/ActnList.h"

#include <gtest/gtest.h>

namespace {

TFormGuard<TForm> NewForm() {
    TFormGuard<TForm> f(TForm::Create(nullptr, false));
    f->SetBounds(60, 60, 100, 100);
    f->SetClientWidth(320);
    f->SetClientHeight(200);
    return f;
}

TFcCheckBox* AddBox(TForm* form, int left, int top, const std::string& caption = "Hide patches") {
    auto* box = TFcCheckBox::Create(form);
    box->SetParent(form);
    box->SetAutoSize(false);
    box->SetBounds(left, top, 126, 17);
    box->SetCaption(caption);
    return box;
}

void Press(TWinControl* c, UINT msg, int x, int y) {
    SendMessageA(c->Handle(), msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : msg == WM_RBUTTONDOWN ? MK_RBUTTON : 0,
                 MAKELPARAM(x, y));
}

// A visible form with the box focused.
class CheckBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        box = AddBox(form.get(), 10, 10);
        other = AddBox(form.get(), 10, 40, "Other");
        box->OnClick = [this](TObject*) { ++clicks; };
        form->Show();
        box->SetFocus();
        PumpIdle();
    }
    TFormGuard<TForm> form = NewForm();
    TFcCheckBox* box = nullptr;
    TFcCheckBox* other = nullptr;
    int clicks = 0;
};

} // namespace

// --- pressing and tracking

TEST_F(CheckBoxTest, RightPressNeitherFocusesNorPresses) {
    other->SetFocus();
    Press(box, WM_RBUTTONDOWN, 5, 5);
    EXPECT_FALSE(box->Focused());
    EXPECT_FALSE(box->PressedLook());
    Press(box, WM_RBUTTONUP, 5, 5);
    EXPECT_EQ(box->GetState(), cbUnchecked);
}

TEST_F(CheckBoxTest, PressedLookFollowsThePointerWhileHeld) {
    other->SetFocus();
    Press(box, WM_LBUTTONDOWN, 5, 5);
    EXPECT_TRUE(box->Focused());
    EXPECT_TRUE(box->PressedLook());
    EXPECT_TRUE(box->PressedTracking());
    Press(box, WM_MOUSEMOVE, 200, 5);
    EXPECT_FALSE(box->PressedLook());
    Press(box, WM_MOUSEMOVE, 6, 6);
    EXPECT_TRUE(box->PressedLook());
    Press(box, WM_LBUTTONUP, 6, 6);
    EXPECT_FALSE(box->PressedLook());
    EXPECT_FALSE(box->PressedTracking());
    EXPECT_EQ(box->GetState(), cbChecked);
    EXPECT_EQ(clicks, 1);
}

TEST_F(CheckBoxTest, ReleaseOutsideChangesNothing) {
    Press(box, WM_LBUTTONDOWN, 5, 5);
    Press(box, WM_MOUSEMOVE, -3, 5);
    Press(box, WM_LBUTTONUP, -3, 5);
    EXPECT_EQ(box->GetState(), cbUnchecked);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(box->PressedLook());
}

// --- the state

TEST_F(CheckBoxTest, WritingTheSameStateFiresNoClick) {
    box->SetState(cbUnchecked);
    EXPECT_EQ(clicks, 0);
    box->SetState(cbGrayed);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(box->GetChecked()) << "a grayed box reads unchecked";
    EXPECT_EQ(SendMessageA(box->Handle(), BM_GETCHECK, 0, 0), 2);
    box->SetChecked(false);
    EXPECT_EQ(box->GetState(), cbUnchecked);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(SendMessageA(box->Handle(), BM_GETCHECK, 0, 0), 0);
}

TEST_F(CheckBoxTest, ClicksCycleThroughGrayedWhenAllowed) {
    box->SetAllowGrayed(true);
    std::vector<TCheckBoxState> seen;
    for (int i = 0; i < 3; ++i) {
        Press(box, WM_LBUTTONDOWN, 5, 5);
        Press(box, WM_LBUTTONUP, 5, 5);
        seen.push_back(box->GetState());
    }
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
}

TEST_F(CheckBoxTest, SpaceTogglesOnRelease) {
    box->Perform(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(box->PressedLook());
    EXPECT_EQ(box->GetState(), cbUnchecked);
    box->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(box->GetState(), cbChecked);
    box->Perform(WM_KEYDOWN, VK_SPACE, 0);
    box->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(box->PressedLook());
    box->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(box->GetState(), cbChecked) << "Escape cancelled the toggle";
}

TEST_F(CheckBoxTest, ReadOnlyIgnoresTheUserButNotTheProgram) {
    box->SetReadOnly(true);
    Press(box, WM_LBUTTONDOWN, 5, 5);
    Press(box, WM_LBUTTONUP, 5, 5);
    box->Perform(WM_KEYDOWN, VK_SPACE, 0);
    box->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(box->GetState(), cbUnchecked);
    other->SetFocus();
    box->SetCaption("&Hide patches");
    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'h', 0), 1);
    EXPECT_TRUE(box->Focused());
    EXPECT_EQ(box->GetState(), cbUnchecked);
    box->SetChecked(true);
    EXPECT_EQ(box->GetState(), cbChecked);
    EXPECT_EQ(clicks, 1);
}

TEST_F(CheckBoxTest, AcceleratorFocusesAndToggles) {
    other->SetFocus();
    box->SetCaption("Hide &screen savers");
    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'S', 0), 1);
    EXPECT_TRUE(box->Focused());
    EXPECT_EQ(box->GetState(), cbChecked);
    EXPECT_EQ(form->Perform(CM_DIALOGCHAR, 'q', 0), 0);
}

TEST_F(CheckBoxTest, EnterWithTabOnEnterMovesOnAndNeverReachesKeyPress) {
    int presses = 0;
    box->SetTabOnEnter(true);
    box->OnKeyPress = [&](TObject*, char&) { ++presses; };
    PostMessageA(box->Handle(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageA(box->Handle(), WM_CHAR, '\r', 0x001C0001);
    EXPECT_TRUE(PumpUntil([&] { return other->Focused(); }));
    PumpIdle();
    EXPECT_EQ(presses, 0);
    EXPECT_EQ(box->GetState(), cbUnchecked);
}

// --- actions

TEST_F(CheckBoxTest, ActionAndBoxKeepEachOtherInStep) {
    auto* list = TActionList::Create(form.get());
    auto* action = TAction::Create(form.get());
    list->AddAction(action);
    int executed = 0;
    action->OnExecute = [&](TObject*) {
        ++executed;
        action->SetChecked(!action->GetChecked());
    };
    box->OnClick = nullptr;
    box->SetAction(action);
    action->SetChecked(true);
    EXPECT_TRUE(box->GetChecked());
    EXPECT_EQ(executed, 0) << "following the action does not run it";
    Press(box, WM_LBUTTONDOWN, 5, 5);
    Press(box, WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(executed, 1);
    EXPECT_FALSE(action->GetChecked());
    EXPECT_FALSE(box->GetChecked());
    box->SetReadOnly(true);
    action->SetChecked(true);
    EXPECT_TRUE(box->GetChecked()) << "read-only stops the user, not the action";
}

TEST_F(CheckBoxTest, BindingTakesTheActionsCheckedWithoutRunningIt) {
    auto* action = TAction::Create(form.get());
    int executed = 0;
    action->OnExecute = [&](TObject*) { ++executed; };
    action->SetChecked(true);
    box->SetAction(action);
    EXPECT_TRUE(box->GetChecked());
    EXPECT_EQ(executed, 0);
    EXPECT_EQ(clicks, 0);
}

// --- glyphs

namespace {
// Twelve solid images of distinct colours; image i's colour tells which one was drawn.
TColor ImageColor(int i) { return RGBToColor(uint8_t(20 + 15 * i), 40, 200); }

TImageList* NewGlyphList(TComponent* owner, int count) {
    auto* list = TImageList::Create(owner);
    list->SetSize(13, 13);
    for (int i = 0; i < count; ++i) {
        TBitmap b;
        FillBitmap(b, 13, 13, ImageColor(i));
        list->Add(&b, nullptr);
    }
    return list;
}

int DrawnIndex(TFcCheckBox* box) {
    TPixelCanvas p(box->Width(), box->Height());
    box->DrawGlyph(p.Canvas());
    TRect g = box->GlyphRect();
    TColor c = p.At(g.Left + 6, g.Top + 6);
    for (int i = 0; i < 12; ++i)
        if (c == ImageColor(i)) return i;
    return -1;
}
} // namespace

TEST_F(CheckBoxTest, ImageListGlyphsFollowStateAndHover) {
    box->SetHotTrack(true);
    box->SetCustomGlyphImages(NewGlyphList(form.get(), 12));
    EXPECT_TRUE(box->GetUseCustomGlyphs());
    EXPECT_EQ(DrawnIndex(box), 0);
    box->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(DrawnIndex(box), 9);
    box->SetState(cbChecked);
    EXPECT_EQ(DrawnIndex(box), 10);
    box->SetState(cbGrayed);
    box->SetHotTrack(false);
    EXPECT_EQ(DrawnIndex(box), 11) << "grayed hovers without HotTrack";
    box->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(DrawnIndex(box), 2);
    box->Perform(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(DrawnIndex(box), 5);
    box->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    box->SetEnabled(false);
    EXPECT_EQ(DrawnIndex(box), 8);
}

TEST_F(CheckBoxTest, HoverGlyphsOnlyWhenTheListHoldsThem) {
    box->SetHotTrack(true);
    box->SetCustomGlyphImages(NewGlyphList(form.get(), 9));
    box->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(box));
    EXPECT_EQ(DrawnIndex(box), 0);
    box->SetCustomGlyphImages(NewGlyphList(form.get(), 10));
    EXPECT_EQ(DrawnIndex(box), 9);
    box->SetState(cbChecked);
    EXPECT_EQ(DrawnIndex(box), 1) << "a list of 10 has no checked hover glyph";
}

TEST_F(CheckBoxTest, FreedImageListFallsBackToDrawnGlyphs) {
    auto* list = NewGlyphList(form.get(), 9);
    box->SetCustomGlyphImages(list);
    list->Free();
    EXPECT_EQ(box->GetCustomGlyphImages(), nullptr);
    EXPECT_FALSE(box->GetUseCustomGlyphs());
    EXPECT_EQ(box->GlyphWidth(), 13);
    EXPECT_NO_THROW(box->Repaint());
}

TEST_F(CheckBoxTest, NarrowGlyphStripIsNotUsed) {
    TBitmap strip;
    FillBitmap(strip, 5, 13, clRed);   // fewer pixels than the nine cells
    box->GetCustomGlyphs()->SetBitmap(&strip);
    EXPECT_FALSE(box->GetUseCustomGlyphs());
    EXPECT_EQ(box->GlyphWidth(), 13);
    FillBitmap(strip, 9 * 11, 11, clRed);
    box->GetCustomGlyphs()->SetBitmap(&strip);
    EXPECT_TRUE(box->GetUseCustomGlyphs());
    EXPECT_EQ(box->GlyphWidth(), 11);
    EXPECT_EQ(box->GlyphHeight(), 11);
}

TEST_F(CheckBoxTest, HotTrackGlyphIsTheFramedCheckGlyph) {
    OverrideThemesEnabled(false);
    box->SetHotTrack(true);
    box->SetHighlightColor(clRed);
    box->SetFillColor(clYellow);
    box->SetState(cbChecked);
    other->SetFocus();
    TPixelCanvas p(box->Width(), box->Height());
    box->DrawGlyph(p.Canvas());
    OverrideThemesEnabled(std::nullopt);
    TRect g = box->GlyphRect();
    EXPECT_EQ(p.Count(clRed, g), 21);
    EXPECT_PIXEL(p, g.Left, g.Top, clBtnShadow);
    EXPECT_PIXEL(p, g.Left + 2, g.Top + 2, clYellow);
}

// --- layout

TEST_F(CheckBoxTest, GlyphAndCaptionSides) {
    EXPECT_EQ(box->GlyphRect(), Bounds(0, 2, 13, 13));
    EXPECT_EQ(box->CaptionRect(), TRect(18, 1, 125, 16));
    box->SetAlignment(TLeftRight::taLeftJustify);
    EXPECT_EQ(box->GlyphRect(), Bounds(126 - 13, 2, 13, 13));
    EXPECT_EQ(box->CaptionRect(), TRect(1, 1, 126 - 1 - 17, 16));
    box->SetAlignmentVertical(avBottom);
    EXPECT_EQ(box->GlyphRect().Top, 17 - 13 - 2);
    box->SetAlignmentVertical(avCenter);
    EXPECT_EQ(box->GlyphRect().Top, 2);
}

TEST_F(CheckBoxTest, AutoSizeFitsTheCaptionAndKeepsTheGlyphSide) {
    box->Font()->SetHeight(-9);
    box->SetAutoSize(true);
    EXPECT_EQ(box->Height(), 13 + 2) << "a one-line caption lower than the glyph";
    int shortWidth = box->Width();
    EXPECT_GT(shortWidth, 13 + 6);
    box->SetAlignment(TLeftRight::taLeftJustify);
    int right = box->Left() + box->Width();
    box->SetCaption("Hide");
    EXPECT_LT(box->Width(), shortWidth);
    EXPECT_EQ(box->Left() + box->Width(), right);
    box->Font()->SetHeight(-30);
    EXPECT_GT(box->Height(), 30);
}

// --- frame settings

TEST_F(CheckBoxTest, FrameSettingsApplyOnlyWhenTheFrameIsVisible) {
    auto* frames = TFcFrameController::Create(form.get());
    frames->SetColor(clYellow);
    frames->SetFrameHotColor(clRed);
    frames->SetFrameHotTrack(false);
    box->SetFrameController(frames);
    EXPECT_FALSE(box->GetHotTrack());
    EXPECT_EQ(box->GetFillColor(), clWindow);
    frames->SetFrameHotTrack(true);   // also makes the frame visible
    EXPECT_TRUE(box->GetHotTrack());
    EXPECT_EQ(box->GetFillColor(), clYellow);
    EXPECT_EQ(box->GetHotTrackStyle(), htsFrame);
    EXPECT_EQ(box->GetHotTrackColor(), clRed);
    box->SetFrameControllerNotifications({fcpFrameColor});
    frames->SetColor(clAqua);
    EXPECT_EQ(box->GetFillColor(), clYellow);
    frames->Free();
    EXPECT_EQ(box->GetFrameController(), nullptr);
}

// --- caption drawing

namespace {
int RowOfFirst(TPixelCanvas& p, TColor c) {
    for (int y = 0; y < p.Bitmap().Height(); ++y)
        if (p.Count(c, TRect(0, y, p.Bitmap().Width(), y + 1)) > 0) return y;
    return -1;
}
} // namespace

TEST_F(CheckBoxTest, RaisedTextDrawsOnlyTheHighlightPassWhenLight) {
    box->Font()->SetHeight(-20);
    box->Font()->SetStyle({fsBold});
    box->Font()->SetColor(clBlack);
    box->SetTextHighlightColor(clRed);
    box->SetTextShadowColor(clBlue);
    box->SetTextStyle(tsRaised);
    box->SetLightTextStyle(true);
    TPixelCanvas light(200, 40);
    box->DrawCaption(light.Canvas(), TRect(0, 0, 200, 40), DT_WORDBREAK);
    EXPECT_GT(light.Count(clRed), 0);
    EXPECT_EQ(light.Count(clBlue), 0);
    EXPECT_GT(light.Count(clBlack), 0);
    EXPECT_LT(RowOfFirst(light, clRed), RowOfFirst(light, clBlack));

    box->SetLightTextStyle(false);
    TPixelCanvas both(200, 40);
    box->DrawCaption(both.Canvas(), TRect(0, 0, 200, 40), DT_WORDBREAK);
    EXPECT_GT(both.Count(clRed), 0);
    EXPECT_GT(both.Count(clBlue), 0);
}


TEST_F(CheckBoxTest, DisabledCaptionAvoidsAColourLikeGrayText) {
    box->Font()->SetHeight(-20);
    box->SetEnabled(false);
    box->SetColor(ColorToRGB(clGrayText));
    TPixelCanvas p(200, 40);
    box->DrawCaption(p.Canvas(), TRect(0, 0, 200, 40), DT_WORDBREAK);
    EXPECT_GT(p.Count(ColorToRGB(cl3DDkShadow)), 0);
    box->SetColor(clWhite);
    TPixelCanvas q(200, 40);
    box->DrawCaption(q.Canvas(), TRect(0, 0, 200, 40), DT_WORDBREAK);
    EXPECT_GT(q.Count(ColorToRGB(clGrayText)), 0);
}

TEST_F(CheckBoxTest, VerticalPlacementOfTheCaption) {
    box->Font()->SetHeight(-14);
    box->Font()->SetColor(clBlack);
    auto firstRow = [&](TAlignmentVertical a) {
        box->SetAlignmentVertical(a);
        TPixelCanvas p(200, 60);
        box->DrawCaption(p.Canvas(), TRect(0, 0, 200, 60), DT_WORDBREAK);
        return RowOfFirst(p, clBlack);
    };
    int top = firstRow(avTop), centre = firstRow(avCenter), bottom = firstRow(avBottom);
    EXPECT_LT(top, 6);
    EXPECT_GT(centre, top + 10);
    EXPECT_GT(bottom, centre + 10);
}

// --- layouts

namespace {
class TClickCountForm : public TForm {
    DECLARE_CLASS(TClickCountForm, TForm)
    explicit TClickCountForm(TComponent* AOwner) : TForm(AOwner, false) {}
    int Clicks = 0;
    void ckbClick(TObject*) { ++Clicks; }
    static void Publish(TClassBuilder<TClickCountForm>& b) { b.Handler("ckbClick", &TClickCountForm::ckbClick); }
};
IMPLEMENT_CLASS(TClickCountForm);
} // namespace

TEST(CheckBoxLayout, ReadingAStateIsNoClick) {
    TFormGuard<TClickCountForm> form(TClickCountForm::Create(nullptr));
    ReadLayout(form.get(),
               "object F: TClickCountForm\n"
               "  object ckb: TFcCheckBox\n"
               "    OnClick = ckbClick\n"
               "    State = cbChecked\n"
               "  end\n"
               "end\n",
               "ClickLayout");
    auto* box = dynamic_cast<TFcCheckBox*>(form->FindComponent("ckb"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->GetChecked());
    EXPECT_EQ(form->Clicks, 0);
    box->SetChecked(false);
    EXPECT_EQ(form->Clicks, 1);
}

TEST(CheckBoxLayout, MainWindowSettingsLoad) {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    ReadLayout(form.get(),
               "object F: TForm\n"
               "  object ActionList: TActionList\n"
               "    object ActionHide: TAction\n"
               "      Caption = 'Hide system patches'\n"
               "      Checked = True\n"
               "    end\n"
               "  end\n"
               "  object ckbHidePatch: TFcCheckBox\n"
               "    Left = 8\n"
               "    Top = 8\n"
               "    Width = 126\n"
               "    Height = 15\n"
               "    Action = ActionHide\n"
               "    Font.Color = clWindow\n"
               "    Font.Height = -11\n"
               "    Font.Name = 'Verdana'\n"
               "    ParentFont = False\n"
               "    State = cbUnchecked\n"
               "    TabOrder = 0\n"
               "    Transparent = True\n"
               "    Flat = True\n"
               "    FrameControllerNotifications = [fcpColor, fcpFrameColor]\n"
               "  end\n"
               "end\n",
               "CheckBoxLayout");
    auto* box = dynamic_cast<TFcCheckBox*>(form->FindComponent("ckbHidePatch"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->GetChecked()) << "the action's Checked";
    EXPECT_EQ(box->GetCaption(), "Hide system patches");
    EXPECT_TRUE(box->GetTransparent());
    EXPECT_TRUE(box->GetHotTrack());
    EXPECT_EQ(box->Font()->GetName(), "Verdana");
    EXPECT_EQ(box->GetFrameControllerNotifications(), (TFcFrameControllerNotifications{fcpColor, fcpFrameColor}));
    EXPECT_EQ(box->GetAlignmentVertical(), avTop);
}

