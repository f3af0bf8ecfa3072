#include "controls/skinned/SkMainMenu.h"

#include "controls/skinned/SkForm.h"
#include "controls/skinned/SkPopupMenu.h"

IMPLEMENT_CLASS(TskMainMenu);

void TskMainMenu::Publish(TClassBuilder<TskMainMenu>& b) {
    b.Prop("Images", &TskMainMenu::GetImages, &TskMainMenu::SetImages);
    b.Prop("OwnerDraw", &TskMainMenu::GetOwnerDraw, &TskMainMenu::SetOwnerDraw);
    b.Prop("FileTheme", &TskMainMenu::GetFileTheme, &TskMainMenu::SetFileTheme);
    b.Prop("UIStyle", &TskMainMenu::GetUIStyle, &TskMainMenu::SetUIStyle);
    b.Prop("MenuItemHeight", &TskMainMenu::GetMenuItemHeight, &TskMainMenu::SetMenuItemHeight);
    b.Prop("SeparatorHeight", &TskMainMenu::GetSeparatorHeight, &TskMainMenu::SetSeparatorHeight);
    b.Prop("BarWidth", &TskMainMenu::GetBarWidth, &TskMainMenu::SetBarWidth);
    b.Prop("BarColor", &TskMainMenu::GetBarColor, &TskMainMenu::SetBarColor);
    b.Prop("Color", &TskMainMenu::GetColor, &TskMainMenu::SetColor);
    b.Prop("SeparatorColor", &TskMainMenu::GetSeparatorColor, &TskMainMenu::SetSeparatorColor);
    b.Prop("SelectedBorderColor", &TskMainMenu::GetSelectedBorderColor, &TskMainMenu::SetSelectedBorderColor);
    b.Prop("SelectedColor", &TskMainMenu::GetSelectedColor, &TskMainMenu::SetSelectedColor);
    b.Prop("SelectedFontColor", &TskMainMenu::GetSelectedFontColor, &TskMainMenu::SetSelectedFontColor);
    b.Prop("FontColor", &TskMainMenu::GetFontColor, &TskMainMenu::SetFontColor);
    b.Prop("BorderColor", &TskMainMenu::GetBorderColor, &TskMainMenu::SetBorderColor);
    b.Prop("FlatMenu", &TskMainMenu::GetFlatMenu, &TskMainMenu::SetFlatMenu);
    b.Prop("FontName", &TskMainMenu::GetFontName, &TskMainMenu::SetFontName);
    b.Prop("FontSize", &TskMainMenu::GetFontSize, &TskMainMenu::SetFontSize);
    b.Prop("FontCharset", &TskMainMenu::GetFontCharset, &TskMainMenu::SetFontCharset);
    b.Prop("UseSystemFont", &TskMainMenu::GetUseSystemFont, &TskMainMenu::SetUseSystemFont);
}

TskMainMenu::TskMainMenu(TComponent* AOwner) : TMainMenu(AOwner) {
    TMenu::SetOwnerDraw(true);
    checks_ = CreateMenuCheckImages(this);
    TMenu::SetImages(checks_);
    SetUIStyle(OwnerFormUIStyle(AOwner));
}

void TskMainMenu::AfterConstruction() {
    TMainMenu::AfterConstruction();
    auto* form = dynamic_cast<TCustomForm*>(Owner());
    if (!form) return;
    form->SetMenu(nullptr);
    for (int i = 0; i < form->ControlCount(); ++i) {
        if (auto* frame = dynamic_cast<TskForm*>(form->Controls(i))) {
            frame->SetMenu(this);
            return;
        }
    }
}

TCustomImageList* TskMainMenu::GetImages() const {
    TCustomImageList* images = TMenu::GetImages();
    return images == checks_ ? nullptr : images;
}

void TskMainMenu::SetImages(TCustomImageList* Value) { TMenu::SetImages(Value ? Value : checks_); }

void TskMainMenu::SizesChanged() { MenuChanged(this, nullptr, true); }

void TskMainMenu::SetFileTheme(TskFileTheme* Value) {
    if (fileTheme_ != Value) {
        if (fileTheme_) fileTheme_->RemoveFreeNotification(this);
        if (Value) Value->FreeNotification(this);
    }
    fileTheme_ = Value;
    SetUIStyle(uiStyle_);
}

void TskMainMenu::SetUIStyle(TskUIStyle Value) {
    uiStyle_ = Value;
    look_.ApplyStyle(fileTheme_, Value);
    SizesChanged();
}

void TskMainMenu::SetMenuItemHeight(int Value) {
    if (uiStyle_ == MacOS || Value == look_.MenuItemHeight) return;
    look_.MenuItemHeight = Value;
    SizesChanged();
}

void TskMainMenu::SetSeparatorHeight(int Value) {
    if (uiStyle_ == MacOS || Value == look_.SeparatorHeight) return;
    look_.SeparatorHeight = Value;
    SizesChanged();
}

void TskMainMenu::SetBarWidth(int Value) {
    if (Value == look_.BarWidth) return;
    look_.BarWidth = Value;
    SizesChanged();
}

void TskMainMenu::SetFontName(const std::string& Value) {
    if (Value == look_.FontName) return;
    look_.FontName = Value;
    SizesChanged();
}

void TskMainMenu::SetFontSize(int Value) {
    if (Value == look_.FontSize) return;
    look_.FontSize = Value;
    SizesChanged();
}

void TskMainMenu::SetFontCharset(TFontCharset Value) {
    if (Value == look_.FontCharset) return;
    look_.FontCharset = Value;
    SizesChanged();
}

void TskMainMenu::SetUseSystemFont(bool Value) {
    look_.UseSystemFont = Value;
    SizesChanged();
    if (frame_) frame_->ApplyMenuFont();
}

void TskMainMenu::Loaded() {
    TMainMenu::Loaded();
    if (frame_) frame_->RebuildMenuBar();
}

void TskMainMenu::MenuChanged(TObject* Sender, TMenuItem* Source, bool Rebuild) {
    TMainMenu::MenuChanged(Sender, Source, Rebuild);
    if (frame_ && dynamic_cast<TCustomForm*>(Owner()) && !IsLoading() && !IsDestroying()) frame_->RefreshMenuBar();
}

void TskMainMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TMainMenu::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove || !AComponent) return;
    if (AComponent == checks_) checks_ = nullptr;
    if (AComponent == fileTheme_) {
        fileTheme_ = nullptr;
        SetUIStyle(DeepBlue);
    }
}

bool TskMainMenu::SystemReadsRightToLeft() const { return GetSystemMetrics(SM_MIDEASTENABLED) != 0; }

void TskMainMenu::MeasureMenuItem(TMenuItem* Item, TCanvas* ACanvas, int& Width, int& Height) {
    look_.Measure(Item, *ACanvas, Width, Height);
}

void TskMainMenu::DrawMenuItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) {
    TskMenuLook::TItemContext context;
    context.Style = uiStyle_;
    context.LeftToRight = GetBiDiMode() == bdLeftToRight || !SystemReadsRightToLeft();
    context.Images = GetImages();
    context.Checks = checks_;
    if (look_.FlatMenu) context.FlatLineColor = TskStyleReader(fileTheme_, uiStyle_).Color(SkKey::FormBackgroundColor);
    look_.Draw(Item, *ACanvas, ARect, State, context);
}
