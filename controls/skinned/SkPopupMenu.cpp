#include "controls/skinned/SkPopupMenu.h"

#include <memory>

TCustomImageList* CreateMenuCheckImages(TComponent* owner) {
    TCustomImageList* list = TCustomImageList::Create(owner, 16, 16);
    try {
        TBitmap check;
        LoadStyleBitmapResource("MENU_CHECKED", check);
        check.SetTransparent(true);
        list->AddMasked(&check, clWhite);
    } catch (const EInvalidGraphic&) {
        // No check mark to draw: checked items show their state through their images only.
    }
    return list;
}

TCustomImageList* MenuCheckImages() {
    static TFreeGuard<TCustomImageList> images(CreateMenuCheckImages(nullptr));
    return images.get();
}

IMPLEMENT_CLASS(TskPopupMenu);

void TskPopupMenu::Publish(TClassBuilder<TskPopupMenu>& b) {
    b.Prop("OwnerDraw", &TskPopupMenu::GetOwnerDraw, &TskPopupMenu::SetOwnerDraw);
    b.Prop("FileTheme", &TskPopupMenu::GetFileTheme, &TskPopupMenu::SetFileTheme);
    b.Prop("UIStyle", &TskPopupMenu::GetUIStyle, &TskPopupMenu::SetUIStyle);
    b.Prop("MenuItemHeight", &TskPopupMenu::GetMenuItemHeight, &TskPopupMenu::SetMenuItemHeight);
    b.Prop("SeparatorHeight", &TskPopupMenu::GetSeparatorHeight, &TskPopupMenu::SetSeparatorHeight);
    b.Prop("BarWidth", &TskPopupMenu::GetBarWidth, &TskPopupMenu::SetBarWidth);
    b.Prop("BarColor", &TskPopupMenu::GetBarColor, &TskPopupMenu::SetBarColor);
    b.Prop("Color", &TskPopupMenu::GetColor, &TskPopupMenu::SetColor);
    b.Prop("SeparatorColor", &TskPopupMenu::GetSeparatorColor, &TskPopupMenu::SetSeparatorColor);
    b.Prop("SelectedBorderColor", &TskPopupMenu::GetSelectedBorderColor, &TskPopupMenu::SetSelectedBorderColor);
    b.Prop("SelectedColor", &TskPopupMenu::GetSelectedColor, &TskPopupMenu::SetSelectedColor);
    b.Prop("SelectedFontColor", &TskPopupMenu::GetSelectedFontColor, &TskPopupMenu::SetSelectedFontColor);
    b.Prop("FontColor", &TskPopupMenu::GetFontColor, &TskPopupMenu::SetFontColor);
    b.Prop("BorderColor", &TskPopupMenu::GetBorderColor, &TskPopupMenu::SetBorderColor);
    b.Prop("FlatMenu", &TskPopupMenu::GetFlatMenu, &TskPopupMenu::SetFlatMenu);
    b.Prop("FontName", &TskPopupMenu::GetFontName, &TskPopupMenu::SetFontName);
    b.Prop("FontSize", &TskPopupMenu::GetFontSize, &TskPopupMenu::SetFontSize);
    b.Prop("FontCharset", &TskPopupMenu::GetFontCharset, &TskPopupMenu::SetFontCharset);
    b.Prop("UseSystemFont", &TskPopupMenu::GetUseSystemFont, &TskPopupMenu::SetUseSystemFont);
}

TskPopupMenu::TskPopupMenu(TComponent* AOwner) : TPopupMenu(AOwner) {
    TMenu::SetOwnerDraw(true);
    SetUIStyle(OwnerFormUIStyle(AOwner));
}

void TskPopupMenu::SizesChanged() { MenuChanged(this, nullptr, true); }

void TskPopupMenu::SetFileTheme(TskFileTheme* Value) {
    if (fileTheme_ != Value) {
        if (fileTheme_) fileTheme_->RemoveFreeNotification(this);
        if (Value) Value->FreeNotification(this);
    }
    fileTheme_ = Value;
    SetUIStyle(uiStyle_);
}

void TskPopupMenu::SetUIStyle(TskUIStyle Value) {
    uiStyle_ = Value;
    look_.ApplyStyle(fileTheme_, Value);
    SizesChanged();
}

void TskPopupMenu::SetMenuItemHeight(int Value) {
    if (uiStyle_ == MacOS || Value == look_.MenuItemHeight) return;
    look_.MenuItemHeight = Value;
    SizesChanged();
}

void TskPopupMenu::SetSeparatorHeight(int Value) {
    if (uiStyle_ == MacOS || Value == look_.SeparatorHeight) return;
    look_.SeparatorHeight = Value;
    SizesChanged();
}

void TskPopupMenu::SetBarWidth(int Value) {
    if (Value == look_.BarWidth) return;
    look_.BarWidth = Value;
    SizesChanged();
}

void TskPopupMenu::SetFontName(const std::string& Value) {
    if (Value == look_.FontName) return;
    look_.FontName = Value;
    SizesChanged();
}

void TskPopupMenu::SetFontSize(int Value) {
    if (Value == look_.FontSize) return;
    look_.FontSize = Value;
    SizesChanged();
}

void TskPopupMenu::SetFontCharset(TFontCharset Value) {
    if (Value == look_.FontCharset) return;
    look_.FontCharset = Value;
    SizesChanged();
}

void TskPopupMenu::SetUseSystemFont(bool Value) {
    if (Value == look_.UseSystemFont) return;
    look_.UseSystemFont = Value;
    SizesChanged();
}

void TskPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TPopupMenu::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent && AComponent == fileTheme_) {
        fileTheme_ = nullptr;
        SetUIStyle(DeepBlue);
    }
}

bool TskPopupMenu::SystemReadsRightToLeft() const { return GetSystemMetrics(SM_MIDEASTENABLED) != 0; }

bool TskPopupMenu::ReadsRightToLeft() const { return GetBiDiMode() != bdLeftToRight && SystemReadsRightToLeft(); }

void TskPopupMenu::MeasureMenuItem(TMenuItem* Item, TCanvas* ACanvas, int& Width, int& Height) {
    look_.Measure(Item, *ACanvas, Width, Height);
}

void TskPopupMenu::DrawMenuItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) {
    TskMenuLook::TItemContext context;
    context.Style = uiStyle_;
    context.LeftToRight = !ReadsRightToLeft();
    context.Images = GetImages();
    context.Checks = MenuCheckImages();
    if (look_.FlatMenu) context.FlatLineColor = TskStyleReader(fileTheme_, uiStyle_).Color(SkKey::FormBackgroundColor);
    look_.Draw(Item, *ACanvas, ARect, State, context);
}
