// The frame controller: pushes by published name and through the client interface,
// notification filters, nesting, registration, obsolete stored properties.
#include "controls/framed/FcCommon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A plain control with the sixteen settings as published properties; it records the
// order in which they are written.
class TFakeFramed : public TControl {
    DECLARE_CLASS(TFakeFramed, TControl)
    explicit TFakeFramed(TComponent* AOwner) : TControl(AOwner) {}
    ~TFakeFramed() override { SetFrameControllerOf(this, controller_, nullptr); }

    std::vector<std::string> Writes;
    TColor FocusColor = clWindow, DisabledColor = clBtnFace, ReadOnlyColor = clInfoBk, FlatButtonColor = clBtnFace,
           FrameColor = clBtnShadow, FrameHotColor = clBtnShadow, PlainColor = clWindow;
    bool ReadOnlyColorOnFocus = false, FlatButtons = false, FrameHotTrack = false, FrameVisible = false,
         PlainParentColor = false;
    TFrameStyle FrameHotStyle = fsNone, FrameStyle = fsNone;
    TSides FrameSides;
    TFramingPreference FramingPreference = fpCustomFraming;
    TFcFrameControllerNotifications Notifications = AllFrameNotifications;

    // The name as published (Color2 stands in for the inherited Color).
    static std::string Published(std::string name) {
        if (name.back() == '2') name.pop_back();
        return name;
    }
    TFcFrameController* GetFrameController() const { return controller_; }
    void SetFrameController(TFcFrameController* v) { SetFrameControllerOf(this, controller_, v); }
    void Notification(TComponent* c, TOperation op) override {
        TControl::Notification(c, op);
        if (op == TOperation::opRemove && c == controller_) controller_ = nullptr;
    }

#define FAKE_PROP(Type, Name, Field)                                  \
    Type Get##Name() const { return Field; }                          \
    void Set##Name(Type v) { Field = v; Writes.push_back(Published(#Name)); }
    FAKE_PROP(TColor, Color2, PlainColor)
    FAKE_PROP(bool, ParentColor2, PlainParentColor)
    FAKE_PROP(TColor, FocusColor, FocusColor)
    FAKE_PROP(TColor, DisabledColor, DisabledColor)
    FAKE_PROP(TColor, ReadOnlyColor, ReadOnlyColor)
    FAKE_PROP(bool, ReadOnlyColorOnFocus, ReadOnlyColorOnFocus)
    FAKE_PROP(TColor, FlatButtonColor, FlatButtonColor)
    FAKE_PROP(bool, FlatButtons, FlatButtons)
    FAKE_PROP(TColor, FrameColor, FrameColor)
    FAKE_PROP(TColor, FrameHotColor, FrameHotColor)
    FAKE_PROP(bool, FrameHotTrack, FrameHotTrack)
    FAKE_PROP(TFrameStyle, FrameHotStyle, FrameHotStyle)
    FAKE_PROP(TSides, FrameSides, FrameSides)
    FAKE_PROP(TFrameStyle, FrameStyle, FrameStyle)
    FAKE_PROP(bool, FrameVisible, FrameVisible)
    FAKE_PROP(TFramingPreference, FramingPreference, FramingPreference)
#undef FAKE_PROP
    TFcFrameControllerNotifications GetNotifications() const { return Notifications; }
    void SetNotifications(TFcFrameControllerNotifications v) { Notifications = v; }

    static void Publish(TClassBuilder<TFakeFramed>& b) {
        using C = TFakeFramed;
        b.Prop("Color", &C::GetColor2, &C::SetColor2);
        b.Prop("ParentColor", &C::GetParentColor2, &C::SetParentColor2);
        b.Prop("FocusColor", &C::GetFocusColor, &C::SetFocusColor);
        b.Prop("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor);
        b.Prop("ReadOnlyColor", &C::GetReadOnlyColor, &C::SetReadOnlyColor);
        b.Prop("ReadOnlyColorOnFocus", &C::GetReadOnlyColorOnFocus, &C::SetReadOnlyColorOnFocus);
        b.Prop("FlatButtonColor", &C::GetFlatButtonColor, &C::SetFlatButtonColor);
        b.Prop("FlatButtons", &C::GetFlatButtons, &C::SetFlatButtons);
        b.Prop("FrameColor", &C::GetFrameColor, &C::SetFrameColor);
        b.Prop("FrameHotColor", &C::GetFrameHotColor, &C::SetFrameHotColor);
        b.Prop("FrameHotTrack", &C::GetFrameHotTrack, &C::SetFrameHotTrack);
        b.Prop("FrameHotStyle", &C::GetFrameHotStyle, &C::SetFrameHotStyle);
        b.Prop("FrameSides", &C::GetFrameSides, &C::SetFrameSides);
        b.Prop("FrameStyle", &C::GetFrameStyle, &C::SetFrameStyle);
        b.Prop("FrameVisible", &C::GetFrameVisible, &C::SetFrameVisible);
        b.Prop("FramingPreference", &C::GetFramingPreference, &C::SetFramingPreference);
        b.Prop("FrameControllerNotifications", &C::GetNotifications, &C::SetNotifications);
        b.Prop("FrameController", &C::GetFrameController, &C::SetFrameController);
    }

private:
    TFcFrameController* controller_ = nullptr;
};
IMPLEMENT_CLASS(TFakeFramed);

// A control that reads the settings itself.
class TFakeClient : public TControl, public IFrameSettingsClient {
    DECLARE_CLASS(TFakeClient, TControl)
    explicit TFakeClient(TComponent* AOwner) : TControl(AOwner) {}
    void ApplyFrameSettings() override { ++Applied; }
    TFrameStyle GetFrameStyle() const { return fsNone; }
    void SetFrameStyle(TFrameStyle) { ++Written; }
    int Applied = 0, Written = 0;
    static void Publish(TClassBuilder<TFakeClient>& b) {
        b.Prop("FrameStyle", &TFakeClient::GetFrameStyle, &TFakeClient::SetFrameStyle);
    }
};
IMPLEMENT_CLASS(TFakeClient);

// A control whose "FrameStyle" is a number and which lacks everything else.
class TFakeOdd : public TControl {
    DECLARE_CLASS(TFakeOdd, TControl)
    explicit TFakeOdd(TComponent* AOwner) : TControl(AOwner) {}
    int Style = 42;
    int GetStyleNumber() const { return Style; }
    void SetStyleNumber(int v) { Style = v; }
    static void Publish(TClassBuilder<TFakeOdd>& b) {
        b.Prop("FrameStyle", &TFakeOdd::GetStyleNumber, &TFakeOdd::SetStyleNumber);
    }
};
IMPLEMENT_CLASS(TFakeOdd);

class FrameControllerTest : public ::testing::Test {
protected:
    TFreeGuard<TComponent> owner{TComponent::Create(nullptr)};
    TFcFrameController* controller = TFcFrameController::Create(owner.get());
    TFakeFramed* framed = TFakeFramed::Create(owner.get());
};

} // namespace

TEST_F(FrameControllerTest, RegisteringPushesEverySettingInTheBindingOrder) {
    framed->SetFrameController(controller);
    const std::vector<std::string> order = {
        "ParentColor", "Color", "DisabledColor", "ReadOnlyColor", "ReadOnlyColorOnFocus", "FocusColor",
        "FlatButtonColor", "FlatButtons", "FrameColor", "FrameHotColor", "FrameHotTrack", "FrameHotStyle",
        "FrameSides", "FrameStyle", "FrameVisible", "FramingPreference"};
    EXPECT_EQ(framed->Writes, order);
    EXPECT_EQ(framed->FrameSides, AllSides);
    EXPECT_EQ(framed->FrameHotStyle, fsFlatBold);
    EXPECT_EQ(framed->FramingPreference, fpXPThemes);
    EXPECT_TRUE(framed->FlatButtons);
}

TEST_F(FrameControllerTest, ParentColourHoldsBackTheColour) {
    controller->SetParentColor(true);
    framed->SetFrameController(controller);
    EXPECT_EQ(std::count(framed->Writes.begin(), framed->Writes.end(), "Color"), 0);
    EXPECT_TRUE(framed->PlainParentColor);
    framed->Writes.clear();
    controller->SetParentColor(false);
    EXPECT_EQ(framed->Writes, (std::vector<std::string>{"ParentColor", "Color"}));
}

TEST_F(FrameControllerTest, NotificationsChooseTheAcceptedSettings) {
    framed->Notifications = {fcpFrameColor, fcpFrameStyle};
    framed->SetFrameController(controller);
    EXPECT_EQ(framed->Writes, (std::vector<std::string>{"FrameColor", "FrameStyle"}));
    framed->Writes.clear();
    controller->SetFocusColor(clRed);
    controller->SetFrameColor(clRed);
    EXPECT_EQ(framed->Writes, (std::vector<std::string>{"FrameColor"}));
    EXPECT_EQ(framed->FrameColor, clRed);
}

TEST_F(FrameControllerTest, ClientsReadTheSettingsThemselves) {
    auto* client = TFakeClient::Create(owner.get());
    controller->RegisterControl(client);
    EXPECT_EQ(client->Applied, 1);
    controller->SetFrameStyle(fsRaised);
    EXPECT_EQ(client->Applied, 2);
    EXPECT_EQ(client->Written, 0);
    // Not a control: ignored.
    auto* plain = TComponent::Create(owner.get());
    EXPECT_NO_THROW(controller->RegisterControl(plain));
}

TEST_F(FrameControllerTest, MissingOrMistypedPropertiesAreSkipped) {
    auto* odd = TFakeOdd::Create(owner.get());
    EXPECT_NO_THROW(controller->RegisterControl(odd));
    EXPECT_NO_THROW(controller->SetFrameStyle(fsGroove));
    EXPECT_EQ(odd->Style, 42);
}

TEST_F(FrameControllerTest, ColourWriterMovesAnEqualFocusColourAlong) {
    framed->SetFrameController(controller);
    framed->Writes.clear();
    controller->SetColor(clWindow);
    EXPECT_TRUE(framed->Writes.empty()) << "the same colour pushes nothing";
    controller->SetParentColor(true);
    framed->Writes.clear();
    controller->SetColor(clYellow);
    EXPECT_EQ(controller->GetFocusColor(), clYellow);
    EXPECT_FALSE(controller->GetParentColor());
    EXPECT_EQ(framed->Writes, (std::vector<std::string>{"Color"}));
    controller->SetFocusColor(clRed);
    controller->SetColor(clLime);
    EXPECT_EQ(controller->GetFocusColor(), clRed);
}

TEST_F(FrameControllerTest, NestedChangesPushOnceAtTheLastEnd) {
    framed->SetFrameController(controller);
    framed->Writes.clear();
    controller->BeginChanges();
    controller->BeginChanges();
    controller->SetFrameColor(clRed);
    controller->SetFrameStyle(fsBump);
    controller->EndChanges();
    EXPECT_TRUE(framed->Writes.empty());
    controller->EndChanges();
    EXPECT_EQ(framed->Writes.size(), 16u);
    framed->Writes.clear();
    controller->EndChanges();
    EXPECT_EQ(framed->Writes.size(), 16u) << "an extra end pushes again";
    framed->Writes.clear();
    controller->SetFrameColor(clBlue);
    EXPECT_EQ(framed->Writes.size(), 1u) << "the counter stayed at zero";
}

TEST_F(FrameControllerTest, RegistrationIsOncePerControlAndTheListGoesWhenEmpty) {
    controller->RegisterControl(framed);
    controller->RegisterControl(framed);
    EXPECT_EQ(controller->ControlCount(), 1);
    EXPECT_EQ(framed->Writes.size(), 16u);
    controller->UnregisterControl(framed);
    EXPECT_FALSE(controller->HasControlList());
    framed->Writes.clear();
    controller->SetFrameColor(clRed);
    EXPECT_TRUE(framed->Writes.empty());
    controller->RegisterControl(framed);
    EXPECT_TRUE(controller->HasControlList());
}

TEST_F(FrameControllerTest, FreedControlsAndControllersForgetEachOther) {
    framed->SetFrameController(controller);
    auto* second = TFakeFramed::Create(owner.get());
    second->SetFrameController(controller);
    second->Free();
    EXPECT_EQ(controller->ControlCount(), 1);
    EXPECT_NO_THROW(controller->SetFrameColor(clRed));
    controller->Free();
    EXPECT_EQ(framed->GetFrameController(), nullptr);
}

TEST_F(FrameControllerTest, HotTrackTurnsTheFrameOnWithAllSides) {
    controller->SetFrameSides({TSide::sdTop});
    framed->SetFrameController(controller);
    framed->Writes.clear();
    controller->SetFrameHotTrack(true);
    EXPECT_TRUE(controller->GetFrameVisible());
    EXPECT_EQ(controller->GetFrameSides(), AllSides);
    EXPECT_EQ(framed->Writes, (std::vector<std::string>{"FrameVisible", "FrameHotTrack"}));
}

TEST_F(FrameControllerTest, AssignCopiesEveryThingAndPushesOnce) {
    auto* other = TFcFrameController::Create(owner.get());
    other->SetFrameStyle(fsLowered);
    other->SetColor(clAqua);
    other->SetFrameVisible(true);
    framed->SetFrameController(controller);
    framed->Writes.clear();
    controller->Assign(other);
    EXPECT_EQ(controller->GetFrameStyle(), fsLowered);
    EXPECT_EQ(controller->GetColor(), clAqua);
    EXPECT_EQ(controller->GetFocusColor(), clAqua);
    EXPECT_TRUE(controller->GetFrameVisible());
    EXPECT_EQ(framed->Writes.size(), 16u);
    EXPECT_EQ(framed->FrameStyle, fsLowered);
}

TEST(FrameControllerLayout, ObsoletePropertiesStillLoad) {
    TFreeGuard<TComponent> root(TComponent::Create(nullptr));
    ReadLayout(root.get(),
               "object Root: TComponent\n"
               "  object Store: TFcRegIniFile\n"
               "    Path = 'Settings.ini'\n"
               "    RegAccess = [keyRead, keyWrite]\n"
               "  end\n"
               "  object Frames: TFcFrameController\n"
               "    FrameFlat = True\n"
               "    FrameFlatStyle = fsButtonUp\n"
               "    RegIniFile = Store\n"
               "  end\n"
               "  object Focus: TFcFrameController\n"
               "    FrameFocusStyle = fsGroove\n"
               "  end\n"
               "  object Odd: TFcFrameController\n"
               "    FrameFocusStyle = fsNoSuchStyle\n"
               "  end\n"
               "end\n",
               "FrameLayout");
    auto* frames = dynamic_cast<TFcFrameController*>(root->FindComponent("Frames"));
    ASSERT_NE(frames, nullptr);
    EXPECT_TRUE(frames->GetFrameHotTrack());
    EXPECT_EQ(frames->GetFrameStyle(), fsStatus);
    EXPECT_EQ(frames->GetFrameHotStyle(), fsLowered);
    EXPECT_FALSE(frames->GetFrameVisible()) << "the obsolete value sets fields only";
    auto* store = dynamic_cast<TFcRegIniFile*>(root->FindComponent("Store"));
    EXPECT_EQ(frames->GetRegIniFile(), store);
    EXPECT_EQ(store->GetRegAccess(), (TFcRegAccess{keyRead, keyWrite}));
    EXPECT_EQ(dynamic_cast<TFcFrameController*>(root->FindComponent("Focus"))->GetFrameHotStyle(), fsGroove);
    EXPECT_EQ(dynamic_cast<TFcFrameController*>(root->FindComponent("Odd"))->GetFrameHotStyle(), fsFlatBold);
    store->Free();
    EXPECT_EQ(frames->GetRegIniFile(), nullptr);
}

