// FcCommon: the frame controller, the settings store and the readers of obsolete properties.
#include "controls/framed/FcCommon.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------
// Obsolete properties

void TFcOldPropReader::SkipBooleanValue(const TValue& Value) { (void)TPropType<bool>::FromValue(Value); }

void TFcOldPropReader::SkipIdentifierValue(const TValue& Value) {
    if (Value.Kind != TValueKind::Ident) RaiseInvalidPropertyValue(Value);
}

void TFcOldPropReader::SkipSetValue(const TValue& Value) {
    if (Value.Kind != TValueKind::Set) RaiseInvalidPropertyValue(Value);
}

void TFcOldPropReader::DefineFrameProperties(TFiler& Filer, std::function<void(bool)> SetHotTrack,
                                             std::function<void(TFrameStyle)> SetStyle,
                                             std::function<void(TFrameStyle)> SetHotStyle) {
    Filer.DefineProperty("FrameFlat", [SetHotTrack, SetStyle, SetHotStyle](const TValue& v) {
        const bool flat = TPropType<bool>::FromValue(v);
        SetHotTrack(flat);
        if (flat) {
            SetStyle(fsStatus);
            SetHotStyle(fsLowered);
        }
    });
    Filer.DefineProperty("FrameFocusStyle", [SetHotStyle](const TValue& v) {
        SkipIdentifierValue(v);
        // A name that is no frame style leaves the hot style as it was.
        if (auto style = IdentToEnum<TFrameStyle>(v.Str)) SetHotStyle(*style);
    });
    Filer.DefineProperty("FrameFlatStyle", SkipIdentifierValue);
}

// ---------------------------------------------------------------------------------------
// TFcRegIniFile

IMPLEMENT_CLASS(TFcRegIniFile);

void TFcRegIniFile::Publish(TClassBuilder<TFcRegIniFile>& b) {
    b.Prop("Path", &TFcRegIniFile::GetPath, &TFcRegIniFile::SetPath);
    b.Prop("PathType", &TFcRegIniFile::GetPathType, &TFcRegIniFile::SetPathType);
    b.Prop("RegKey", &TFcRegIniFile::GetRegKey, &TFcRegIniFile::SetRegKey);
    b.Prop("RegAccess", &TFcRegIniFile::GetRegAccess, &TFcRegIniFile::SetRegAccess);
    b.Prop("SpecialFolder", &TFcRegIniFile::GetSpecialFolder, &TFcRegIniFile::SetSpecialFolder);
}

template <class T>
void TFcRegIniFile::Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    locationChanged_ = true;
}

void TFcRegIniFile::SetPath(const std::string& Value) { Store(path_, Value); }
void TFcRegIniFile::SetPathType(TFcPathType Value) { Store(pathType_, Value); }
void TFcRegIniFile::SetRegKey(TFcRegKey Value) { Store(regKey_, Value); }
void TFcRegIniFile::SetRegAccess(TFcRegAccess Value) { Store(regAccess_, Value); }
void TFcRegIniFile::SetSpecialFolder(TFcSpecialFolder Value) { Store(specialFolder_, Value); }

// ---------------------------------------------------------------------------------------
// TFcFrameController

IMPLEMENT_CLASS(TFcFrameController);

void TFcFrameController::Publish(TClassBuilder<TFcFrameController>& b) {
    using C = TFcFrameController;
    b.Prop("Color", &C::GetColor, &C::SetColor);
    b.Prop("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor);
    b.Prop("ReadOnlyColor", &C::GetReadOnlyColor, &C::SetReadOnlyColor);
    b.Prop("ReadOnlyColorOnFocus", &C::GetReadOnlyColorOnFocus, &C::SetReadOnlyColorOnFocus);
    b.Prop("FlatButtonColor", &C::GetFlatButtonColor, &C::SetFlatButtonColor);
    b.Prop("FlatButtons", &C::GetFlatButtons, &C::SetFlatButtons);
    b.Prop("FocusColor", &C::GetFocusColor, &C::SetFocusColor);
    b.Prop("FrameColor", &C::GetFrameColor, &C::SetFrameColor);
    b.Prop("FrameHotColor", &C::GetFrameHotColor, &C::SetFrameHotColor);
    b.Prop("FrameHotStyle", &C::GetFrameHotStyle, &C::SetFrameHotStyle);
    b.Prop("FrameHotTrack", &C::GetFrameHotTrack, &C::SetFrameHotTrack);
    b.Prop("FrameSides", &C::GetFrameSides, &C::SetFrameSides);
    b.Prop("FrameStyle", &C::GetFrameStyle, &C::SetFrameStyle);
    b.Prop("FrameVisible", &C::GetFrameVisible, &C::SetFrameVisible);
    b.Prop("FramingPreference", &C::GetFramingPreference, &C::SetFramingPreference);
    b.Prop("ParentColor", &C::GetParentColor, &C::SetParentColor);
    b.Prop("RegIniFile", &C::GetRegIniFile, &C::SetRegIniFile);
}

TFcFrameController::TFcFrameController(TComponent* AOwner) : TComponent(AOwner) {}

TFcFrameController::~TFcFrameController() { controls_.reset(); }

void TFcFrameController::RegisterControl(TComponent* Control) {
    if (!Control) return;
    if (!controls_) controls_ = std::make_unique<std::vector<TComponent*>>();
    if (std::find(controls_->begin(), controls_->end(), Control) != controls_->end()) return;
    controls_->push_back(Control);
    // A control freed without unregistering must not stay in the list.
    Control->FreeNotification(this);
    ApplyToControl(Control, fcpAll);
}

void TFcFrameController::UnregisterControl(TComponent* Control) {
    if (!controls_) return;
    auto it = std::find(controls_->begin(), controls_->end(), Control);
    if (it == controls_->end()) return;
    controls_->erase(it);
    if (controls_->empty()) controls_.reset();
}

void TFcFrameController::BeginChanges() { ++updateCount_; }

void TFcFrameController::EndChanges() {
    if (--updateCount_ > 0) return;
    updateCount_ = 0;
    ApplyToControls(fcpAll);
}

void TFcFrameController::ApplyToControls(TFcFrameControllerProperty Property) {
    if (updateCount_ > 0 || !controls_) return;
    // A pushed setting may make a control leave the list.
    std::vector<TComponent*> list = *controls_;
    for (TComponent* c : list) {
        if (!controls_ || std::find(controls_->begin(), controls_->end(), c) == controls_->end()) continue;
        ApplyToControl(c, Property);
    }
}

void TFcFrameController::ApplyToControl(TComponent* Control, TFcFrameControllerProperty Property) {
    if (!dynamic_cast<TControl*>(Control)) return;
    if (auto* client = dynamic_cast<IFrameSettingsClient*>(Control)) {
        client->ApplyFrameSettings();
        return;
    }
    if (Property != fcpAll) {
        WriteByName(Control, Property);
        return;
    }
    static constexpr TFcFrameControllerProperty kOrder[] = {
        fcpParentColor, fcpColor, fcpDisabledColor, fcpReadOnlyColor, fcpReadOnlyColorOnFocus, fcpFocusColor,
        fcpFlatButtonColor, fcpFlatButtons, fcpFrameColor, fcpFrameHotColor, fcpFrameHotTrack, fcpFrameHotStyle,
        fcpFrameSides, fcpFrameStyle, fcpFrameVisible, fcpFramingPreference};
    for (auto p : kOrder) {
        if (p == fcpColor && parentColor_) continue;
        WriteByName(Control, p);
    }
}

void TFcFrameController::WriteByName(TComponent* Control, TFcFrameControllerProperty Property) {
    TFcFrameControllerNotifications accepted = AllFrameNotifications;
    if (IsPublishedProp(Control, "FrameControllerNotifications"))
        accepted = TFcFrameControllerNotifications::FromBits(
            static_cast<uint64_t>(GetOrdProp(Control, "FrameControllerNotifications")));
    if (!accepted.Contains(Property)) return;
    // The controller's own published property carries the value; its name is the
    // identifier's without the "fcp" prefix.
    std::string name = EnumToIdent(Property).substr(3);
    if (!IsPublishedProp(Control, name)) return;
    try {
        SetPropValue(Control, name, GetPropValue(this, name));
    } catch (const Exception&) {
        // A property of that name but of another kind: the control does not take this setting.
    }
}

template <class T>
void TFcFrameController::Change(T& field, const T& value, TFcFrameControllerProperty property) {
    if (field == value) return;
    field = value;
    ApplyToControls(property);
}

void TFcFrameController::SetColor(TColor Value) {
    if (Value == color_) return;
    if (focusColor_ == color_) focusColor_ = Value;
    color_ = Value;
    parentColor_ = false;
    ApplyToControls(fcpColor);
}

void TFcFrameController::SetParentColor(bool Value) {
    if (Value == parentColor_) return;
    parentColor_ = Value;
    ApplyToControls(fcpParentColor);
    if (!Value) ApplyToControls(fcpColor);
}

void TFcFrameController::SetFrameHotTrack(bool Value) {
    if (Value == frameHotTrack_) return;
    frameHotTrack_ = Value;
    if (Value) {
        SetFrameVisible(true);
        if (!IsLoading()) frameSides_ = AllSides;
    }
    ApplyToControls(fcpFrameHotTrack);
}

void TFcFrameController::SetFlatButtonColor(TColor Value) { Change(flatButtonColor_, Value, fcpFlatButtonColor); }
void TFcFrameController::SetFlatButtons(bool Value) { Change(flatButtons_, Value, fcpFlatButtons); }
void TFcFrameController::SetDisabledColor(TColor Value) { Change(disabledColor_, Value, fcpDisabledColor); }
void TFcFrameController::SetReadOnlyColor(TColor Value) { Change(readOnlyColor_, Value, fcpReadOnlyColor); }
void TFcFrameController::SetReadOnlyColorOnFocus(bool Value) {
    Change(readOnlyColorOnFocus_, Value, fcpReadOnlyColorOnFocus);
}
void TFcFrameController::SetFocusColor(TColor Value) { Change(focusColor_, Value, fcpFocusColor); }
void TFcFrameController::SetFrameColor(TColor Value) { Change(frameColor_, Value, fcpFrameColor); }
void TFcFrameController::SetFrameHotColor(TColor Value) { Change(frameHotColor_, Value, fcpFrameHotColor); }
void TFcFrameController::SetFrameHotStyle(TFrameStyle Value) { Change(frameHotStyle_, Value, fcpFrameHotStyle); }
void TFcFrameController::SetFrameSides(TSides Value) { Change(frameSides_, Value, fcpFrameSides); }
void TFcFrameController::SetFrameStyle(TFrameStyle Value) { Change(frameStyle_, Value, fcpFrameStyle); }
void TFcFrameController::SetFrameVisible(bool Value) { Change(frameVisible_, Value, fcpFrameVisible); }
void TFcFrameController::SetFramingPreference(TFramingPreference Value) {
    Change(framingPreference_, Value, fcpFramingPreference);
}

void TFcFrameController::SetRegIniFile(TFcRegIniFile* Value) {
    if (Value == regIniFile_) return;
    if (regIniFile_) regIniFile_->RemoveFreeNotification(this);
    regIniFile_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TFcFrameController::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TFcFrameController*>(Source);
    if (!other) {
        TComponent::Assign(Source);
        return;
    }
    // Copying fields cannot fail, so the counter always comes back down.
    BeginChanges();
    color_ = other->color_;
    disabledColor_ = other->disabledColor_;
    readOnlyColor_ = other->readOnlyColor_;
    readOnlyColorOnFocus_ = other->readOnlyColorOnFocus_;
    flatButtonColor_ = other->flatButtonColor_;
    flatButtons_ = other->flatButtons_;
    focusColor_ = other->focusColor_;
    frameColor_ = other->frameColor_;
    frameHotColor_ = other->frameHotColor_;
    frameHotStyle_ = other->frameHotStyle_;
    frameHotTrack_ = other->frameHotTrack_;
    frameSides_ = other->frameSides_;
    frameStyle_ = other->frameStyle_;
    frameVisible_ = other->frameVisible_;
    framingPreference_ = other->framingPreference_;
    parentColor_ = other->parentColor_;
    EndChanges();
}

void TFcFrameController::DefineProperties(TFiler& Filer) {
    TComponent::DefineProperties(Filer);
    // Into the fields: the controller pushes its settings once it is loaded.
    TFcOldPropReader::DefineFrameProperties(
        Filer, [this](bool v) { frameHotTrack_ = v; }, [this](TFrameStyle v) { frameStyle_ = v; },
        [this](TFrameStyle v) { frameHotStyle_ = v; });
}

void TFcFrameController::Loaded() {
    TComponent::Loaded();
    ApplyToControls(fcpAll);
}

void TFcFrameController::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove) return;
    if (AComponent == regIniFile_) regIniFile_ = nullptr;
    UnregisterControl(AComponent);
}

// ---------------------------------------------------------------------------------------

void SetFrameControllerOf(TComponent* Control, TFcFrameController*& Field, TFcFrameController* Value) {
    if (Field == Value) return;
    if (Field) {
        Field->UnregisterControl(Control);
        Field->RemoveFreeNotification(Control);
    }
    Field = Value;
    if (Value) {
        Value->FreeNotification(Control);
        Value->RegisterControl(Control);
    }
}
