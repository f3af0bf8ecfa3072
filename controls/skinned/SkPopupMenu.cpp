#include "controls/skinned/SkPopupMenu.h"

#include "controls/skinned/SkMenu.h"

#include <memory>

namespace {

constexpr TColor kDisabledText = MakeColor(0x808080);
constexpr TColor kSeparatorGrey = MakeColor(0x848284);

}  // namespace

TCustomImageList* MenuCheckImages() {
    static TFreeGuard<TCustomImageList> images = [] {
        TFreeGuard<TCustomImageList> list(TCustomImageList::Create(nullptr, 16, 16));
        try {
            TBitmap check;
            LoadStyleBitmapResource("MENU_CHECKED", check);
            check.SetTransparent(true);
            list->AddMasked(&check, clWhite);
        } catch (const EInvalidGraphic&) {
            // No check mark to draw: checked items show their state through their images only.
        }
        return list;
    }();
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
    barWidth_ = 26;
    if (Value == MacOS) {
        menuItemHeight_ = 20;
        separatorHeight_ = 12;
        separatorColor_ = clBlack;
    } else {
        menuItemHeight_ = 21;
        separatorHeight_ = 5;
        separatorColor_ = kSeparatorGrey;
    }
    TskStyleReader style(fileTheme_, Value);
    barColor_ = style.Color(SkKey::MenuBarColor);
    color_ = style.Color(SkKey::MenuBackgroundColor);
    fontColor_ = style.Color(SkKey::MenuFontColor);
    selectedBorderColor_ = style.Color(SkKey::MenuSelectedBorderColor);
    selectedColor_ = style.Color(SkKey::MenuSelectedBackgroundColor);
    selectedFontColor_ = style.Color(SkKey::MenuSelectedFontColor);
    SizesChanged();
}

void TskPopupMenu::SetMenuItemHeight(int Value) {
    if (uiStyle_ == MacOS || Value == menuItemHeight_) return;
    menuItemHeight_ = Value;
    SizesChanged();
}

void TskPopupMenu::SetSeparatorHeight(int Value) {
    if (uiStyle_ == MacOS || Value == separatorHeight_) return;
    separatorHeight_ = Value;
    SizesChanged();
}

void TskPopupMenu::SetBarWidth(int Value) {
    if (Value == barWidth_) return;
    barWidth_ = Value;
    SizesChanged();
}

void TskPopupMenu::SetFontName(const std::string& Value) {
    if (Value == fontName_) return;
    fontName_ = Value;
    SizesChanged();
}

void TskPopupMenu::SetFontSize(int Value) {
    if (Value == fontSize_) return;
    fontSize_ = Value;
    SizesChanged();
}

void TskPopupMenu::SetFontCharset(TFontCharset Value) {
    if (Value == fontCharset_) return;
    fontCharset_ = Value;
    SizesChanged();
}

void TskPopupMenu::SetUseSystemFont(bool Value) {
    if (Value == useSystemFont_) return;
    useSystemFont_ = Value;
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

// ---------------------------------------------------------------------------------------
// Measuring and drawing

void TskPopupMenu::PrepareFont(TCanvas& canvas, const TMenuItem* item) const {
    TFont* font = canvas.Font();
    if (useSystemFont_) {
        SetSystemMenuFont(font);
    } else {
        font->SetName(fontName_);
        font->SetSize(fontSize_);
        font->SetCharset(fontCharset_);
    }
    TFontStyles style = font->GetStyle();
    font->SetStyle(item->GetDefault() ? style + TFontStyles{fsBold} : style - TFontStyles{fsBold});
}

// Measured in the font the item is drawn in, so that no caption is cut off.
void TskPopupMenu::MeasureMenuItem(TMenuItem* Item, TCanvas* ACanvas, int& Width, int& Height) {
    if (Item->IsLine()) {
        Height = separatorHeight_;
    } else {
        Height = menuItemHeight_;
    }
    PrepareFont(*ACanvas, Item);
    const std::string shortCut = ShortCutToText(Item->GetShortCut());
    Width = ACanvas->TextWidth(Item->GetCaption()) + (shortCut.empty() ? 0 : ACanvas->TextWidth(shortCut)) + barWidth_ + 40;
}

void TskPopupMenu::DrawMenuItem(TMenuItem* Item, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State) {
    TCanvas& canvas = *ACanvas;
    const bool leftToRight = !ReadsRightToLeft();
    if (flatMenu_) {
        if (HWND menuWindow = WindowFromDC(canvas.Handle()))
            DrawPopupBorder(menuWindow, clBlack, TskStyleReader(fileTheme_, uiStyle_).Color(SkKey::FormBackgroundColor));
    }
    if (Item->IsLine()) {
        DrawSeparatorItem(canvas, ARect, leftToRight);
        return;
    }
    const bool enabled = Item->GetEnabled() && !State.Contains(odDisabled) && !State.Contains(odGrayed);
    const bool selected = State.Contains(odSelected);
    DrawItemBackground(canvas, ARect, leftToRight, selected && enabled);

    PrepareFont(canvas, Item);
    canvas.Font()->SetColor(!enabled ? kDisabledText : selected ? selectedFontColor_ : fontColor_);
    canvas.Brush()->SetStyle(bsClear);
    DrawItemText(canvas, Item, ARect, leftToRight);
    DrawItemGlyph(canvas, Item, ARect, leftToRight, enabled);
}

void TskPopupMenu::DrawBarAndBackground(TCanvas& canvas, const TRect& r, bool leftToRight) const {
    TRect rest = r;
    if (barWidth_ > 0) {
        TRect bar = leftToRight ? TRect(r.Left, r.Top, r.Left + barWidth_, r.Bottom)
                                : TRect(r.Right - barWidth_, r.Top, r.Right, r.Bottom);
        FillMenuRect(canvas, bar, barColor_);
        if (leftToRight) rest.Left = bar.Right;
        else rest.Right = bar.Left;
    }
    FillMenuRect(canvas, rest, color_);
}

void TskPopupMenu::DrawSeparatorItem(TCanvas& canvas, const TRect& r, bool leftToRight) const {
    if (uiStyle_ == MacOS) {
        DrawMacSeparator(canvas, r);
        return;
    }
    DrawBarAndBackground(canvas, r, leftToRight);
    DrawMenuSeparator(canvas, r, separatorColor_, leftToRight, barWidth_);
}

// The selection band covers the bar too; a disabled item never shows it.
void TskPopupMenu::DrawItemBackground(TCanvas& canvas, const TRect& r, bool leftToRight, bool highlighted) const {
    if (highlighted) {
        if (uiStyle_ == MacOS) {
            DrawMacSelection(canvas, r);
        } else {
            FillMenuRect(canvas, r, selectedColor_);
            FrameMenuRect(canvas, r, selectedBorderColor_);
        }
    } else if (uiStyle_ == MacOS) {
        DrawMacItem(canvas, r);
    } else {
        DrawBarAndBackground(canvas, r, leftToRight);
    }
}

void TskPopupMenu::DrawItemText(TCanvas& canvas, const TMenuItem* item, const TRect& r, bool leftToRight) const {
    std::string caption = item->GetCaption();
    if (leftToRight) {
        TRect tr(r.Left + barWidth_ + 4, r.Top + 4, r.Right, r.Bottom);
        canvas.DrawText(caption, tr, DT_SINGLELINE | DT_LEFT);
    } else {
        TRect tr(r.Left, r.Top + 4, r.Right - barWidth_ - 4, r.Bottom);
        canvas.DrawText(caption, tr, DT_SINGLELINE | DT_RIGHT);
    }
    const std::string shortCut = ShortCutToText(item->GetShortCut());
    if (shortCut.empty()) return;
    const int x = leftToRight ? r.Right - canvas.TextWidth(shortCut) - 16 : r.Left + 16;
    canvas.TextOut(x, r.Top + 4, shortCut);
}

bool TskPopupMenu::HasUsableImage(const TMenuItem* item) const {
    TCustomImageList* images = GetImages();
    const int index = item->GetImageIndex();
    return images && index >= 0 && index < images->Count();
}

void TskPopupMenu::DrawItemGlyph(TCanvas& canvas, const TMenuItem* item, const TRect& r, bool leftToRight,
                                 bool enabled) const {
    const int x = leftToRight ? r.Left + 4 : r.Right - 20;
    const bool image = HasUsableImage(item);
    if (item->GetChecked()) {
        if (image) {
            // A checked item with an image shows the image on a framed box.
            FrameMenuRect(canvas, TRect(x - 2, r.Top + 1, x + 17, r.Top + 20), clBlack);
            FillMenuRect(canvas, TRect(x - 1, r.Top + 2, x + 16, r.Top + 19), selectedColor_);
        } else {
            MenuCheckImages()->Draw(canvas, x, r.Top + 3, 0, enabled);
        }
    }
    if (image) GetImages()->Draw(canvas, x, r.Top + 3, item->GetImageIndex(), enabled);
}
