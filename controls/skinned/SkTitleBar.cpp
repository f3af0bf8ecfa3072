#include "controls/skinned/SkTitleBar.h"

#include "controls/skinned/SkForm.h"
#include "controls/skinned/SkPublic.h"
#include "framework/Forms.h"
#include "framework/Guards.h"

#include <algorithm>

namespace {

const char* const kOneControlBox = "Sorry, only one button's ButtonType property can be \"skControlBox\"";
const char* const kOneClientSection = "Sorry, only one section's Align property can be \"skClient\"";

// The title-button strip: 18 frames, three per glyph (normal, mouse over, pressed).
constexpr int kStripFrames = 18;
// The reading direction of a right-to-left bar moves its menus this far right.
constexpr int kRightToLeftMenuShift = 176;

void ShowRuleMessage(const char* text) {
    if (Application) Application->MessageBox(text, "", MB_OK | MB_ICONERROR);
}

// The first frame of the glyph in the strip (1-based).
int FirstFrame(TskTitleBarBtnType type, bool maximized) {
    switch (type) {
    case skControlBox: return 1;
    case skHelp: return 4;
    case skMax: return maximized ? 10 : 7;
    case skMin: return 13;
    case skClose: return 16;
    default: return 0;
    }
}

bool IsMaximized(const TCustomForm* form) {
    return form && form->HandleAllocated() ? IsZoomed(form->WindowHandle()) != 0 : form && form->GetWindowState() == wsMaximized;
}

// Draws picture through a bitmap of its own size, leaving out its transparent colour when
// asked.
void DrawButtonPicture(TCanvas& canvas, int x, int y, TPicture* picture, bool transparent) {
    TGraphic* g = picture ? picture->Graphic() : nullptr;
    if (!g || g->Empty()) return;
    TBitmap face;
    face.Assign(g);
    if (face.Empty()) return;
    if (transparent) {
        DrawTransparentBitmap(canvas.Handle(), Bounds(x, y, face.Width(), face.Height()), face,
                              Bounds(0, 0, face.Width(), face.Height()), face.TransparentColor());
    } else {
        canvas.Draw(x, y, &face);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Geometry

std::vector<TRect> TitleBarButtonRects(int barWidth, int rightOffset, int border, int interval, int buttonTop,
                                       const std::vector<TSize>& sizes) {
    std::vector<TRect> rects;
    int x = barWidth + rightOffset + border;
    for (const TSize& s : sizes) {
        x -= s.cx + interval + 1;
        if (x + s.cx + 1 > barWidth) x = barWidth - s.cx - 1;
        rects.push_back(TRect(x, buttonTop, x + s.cx, buttonTop + s.cy));
    }
    return rects;
}

std::string ShortenCaption(const std::string& caption, int room, const std::function<int(const std::string&)>& width) {
    if (width(caption) <= room) return caption;
    // Stops at the empty rest: a room too small for "..." alone still ends.
    std::string rest = caption;
    while (!rest.empty() && width(rest + "...") > room) rest.pop_back();
    return rest + "...";
}

// ---------------------------------------------------------------------------------------
// TskTitleBarButton

IMPLEMENT_CLASS(TskTitleBarButton);

void TskTitleBarButton::Publish(TClassBuilder<TskTitleBarButton>& b) {
    b.Prop("UIStyle", &TskTitleBarButton::GetUIStyle, &TskTitleBarButton::SetUIStyle);
    b.Prop("ButtonType", &TskTitleBarButton::GetButtonType, &TskTitleBarButton::SetButtonType);
    b.Prop("Transparent", &TskTitleBarButton::GetTransparent, &TskTitleBarButton::SetTransparent);
    b.Prop("Top", &TskTitleBarButton::GetTop, &TskTitleBarButton::SetTop);
    b.Prop("ControlBoxMenu", &TskTitleBarButton::GetControlBoxMenu, &TskTitleBarButton::SetControlBoxMenu);
    b.Prop("Visible", &TskTitleBarButton::GetVisible, &TskTitleBarButton::SetVisible);
    b.Prop("PicNormal", &TskTitleBarButton::GetPicNormal, &TskTitleBarButton::SetPicNormal);
    b.Prop("PicMouseOn", &TskTitleBarButton::GetPicMouseOn, &TskTitleBarButton::SetPicMouseOn);
    b.Prop("PicMouseDown", &TskTitleBarButton::GetPicMouseDown, &TskTitleBarButton::SetPicMouseDown);
}

TskTitleBarButton::TskTitleBarButton(TCollection* collection)
    : TCollectionItem(collection), picNormal_(std::make_unique<TPicture>(this)),
      picMouseOn_(std::make_unique<TPicture>(this)), picMouseDown_(std::make_unique<TPicture>(this)) {}

TskTitleBarButton::~TskTitleBarButton() = default;

TskTitleBar* TskTitleBarButton::Bar() const {
    auto* buttons = dynamic_cast<TskTitleBarButtons*>(Collection());
    return buttons ? buttons->Bar() : nullptr;
}

void TskTitleBarButton::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TskTitleBarButton*>(Source);
    if (!src) {
        TCollectionItem::Assign(Source);
        return;
    }
    uiStyle_ = src->uiStyle_;
    buttonType_ = src->buttonType_;
    transparent_ = src->transparent_;
    top_ = src->top_;
    SetControlBoxMenu(src->controlBoxMenu_);
    visible_ = src->visible_;
    picNormal_->Assign(src->picNormal_.get());
    picMouseOn_->Assign(src->picMouseOn_.get());
    picMouseDown_->Assign(src->picMouseDown_.get());
    Changed(false);
}

void TskTitleBarButton::SetUIStyle(TskUIStyle v) {
    if (v == uiStyle_) return;
    uiStyle_ = v;
    ApplyStyle();
    Changed(false);
}

void TskTitleBarButton::SetButtonType(TskTitleBarBtnType v) {
    if (v == buttonType_) return;
    if (v == skControlBox && Collection()) {
        for (int i = 0; i < Collection()->Count(); ++i) {
            auto* other = static_cast<TskTitleBarButton*>(Collection()->Items(i));
            if (other->buttonType_ == skControlBox) {
                ShowRuleMessage(kOneControlBox);
                return;
            }
        }
    }
    buttonType_ = v;
    ApplyStyle();
    Changed(false);
}

void TskTitleBarButton::SetTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    Changed(false);
}

void TskTitleBarButton::SetTop(int v) {
    if (v == top_) return;
    top_ = v;
    Changed(false);
}

void TskTitleBarButton::SetControlBoxMenu(TPopupMenu* v) {
    if (v == controlBoxMenu_) return;
    TskTitleBar* bar = Bar();
    if (controlBoxMenu_ && bar) controlBoxMenu_->RemoveFreeNotification(bar);
    controlBoxMenu_ = v;
    // The bar clears the reference when the menu goes.
    if (v && bar) v->FreeNotification(bar);
}

void TskTitleBarButton::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    Changed(false);
}

void TskTitleBarButton::ApplyStyle() {
    TskTitleBar* bar = Bar();
    TskStyleReader style(bar ? bar->GetFileTheme() : nullptr, uiStyle_);
    transparent_ = style.Bool(SkKey::TitleBarButtonTransparentBool);
    top_ = style.Int(SkKey::TitleBarButtonTopInt);
    const int first = FirstFrame(buttonType_, bar && IsMaximized(bar->ParentFormOf()));
    if (first == 0) return;
    TBitmap* pics[] = {picNormal_->Bitmap(), picMouseOn_->Bitmap(), picMouseDown_->Bitmap()};
    for (int i = 0; i < 3; ++i) {
        style.BitmapFrame(SkKey::TitleBarButtonImage, pics[i], kStripFrames, first + i);
        // Transparent buttons leave out their corner colour.
        pics[i]->SetTransparent(transparent_);
    }
}

IMPLEMENT_CLASS(TskTitleBarButtons);

TskTitleBarButtons::TskTitleBarButtons(TskTitleBar* bar)
    : TCollection([](TCollection* c) -> TCollectionItem* { return new TskTitleBarButton(c); }), bar_(bar) {}

TPersistent* TskTitleBarButtons::GetOwner() const { return bar_; }

void TskTitleBarButtons::Update(TCollectionItem*) {
    if (bar_) bar_->Invalidate();
}

// ---------------------------------------------------------------------------------------
// TskTitleBarSection

IMPLEMENT_CLASS(TskTitleBarSection);

void TskTitleBarSection::Publish(TClassBuilder<TskTitleBarSection>& b) {
    b.Prop("AutoSize", &TskTitleBarSection::GetAutoSize, &TskTitleBarSection::SetAutoSize);
    b.Prop("Width", &TskTitleBarSection::GetWidth, &TskTitleBarSection::SetWidth);
    b.Prop("Align", &TskTitleBarSection::GetAlign, &TskTitleBarSection::SetAlign);
    b.Prop("Picture", &TskTitleBarSection::GetPicture, &TskTitleBarSection::SetPicture);
    b.Prop("Stretch", &TskTitleBarSection::GetStretch, &TskTitleBarSection::SetStretch);
}

TskTitleBarSection::TskTitleBarSection(TCollection* collection)
    : TCollectionItem(collection), picture_(std::make_unique<TPicture>(this)) {
    picture_->OnChange = [this](TObject*) { PictureChanged(); };
}

TskTitleBarSection::~TskTitleBarSection() { picture_->OnChange = nullptr; }

void TskTitleBarSection::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TskTitleBarSection*>(Source);
    if (!src) {
        TCollectionItem::Assign(Source);
        return;
    }
    autoSize_ = src->autoSize_;
    width_ = src->width_;
    align_ = src->align_;
    stretch_ = src->stretch_;
    picture_->Assign(src->picture_.get());
    Changed(false);
}

void TskTitleBarSection::PictureChanged() {
    if (autoSize_) width_ = picture_->Width();
    Changed(false);
}

void TskTitleBarSection::SetAutoSize(bool v) {
    autoSize_ = v;
    if (v) width_ = picture_->Width();
    Changed(false);
}

void TskTitleBarSection::SetWidth(int v) {
    if (v == width_) return;
    width_ = v;
    Changed(false);
}

void TskTitleBarSection::SetAlign(TskTitleBarAlign v) {
    if (v == align_) return;
    if (v == skClient && Collection()) {
        for (int i = 0; i < Collection()->Count(); ++i) {
            if (static_cast<TskTitleBarSection*>(Collection()->Items(i))->align_ == skClient) {
                ShowRuleMessage(kOneClientSection);
                return;
            }
        }
    }
    align_ = v;
    if (v == skClient) stretch_ = true;
    Changed(false);
}

void TskTitleBarSection::SetStretch(bool v) {
    if (v == stretch_) return;
    stretch_ = v;
    Changed(false);
}

IMPLEMENT_CLASS(TskTitleBarSections);

TskTitleBarSections::TskTitleBarSections(TskTitleBar* bar)
    : TCollection([](TCollection* c) -> TCollectionItem* { return new TskTitleBarSection(c); }), bar_(bar) {}

TPersistent* TskTitleBarSections::GetOwner() const { return bar_; }

void TskTitleBarSections::Update(TCollectionItem*) {
    if (bar_) bar_->Invalidate();
}

// ---------------------------------------------------------------------------------------
// TskTitleBarPopupMenu

IMPLEMENT_CLASS(TskTitleBarPopupMenu);

TskTitleBarPopupMenu::TskTitleBarPopupMenu(TComponent* AOwner) : TskPopupMenu(AOwner) {
    SetAutoHotkeys(maManual);
    auto add = [this](const char* caption, TNotifyEvent click) {
        TMenuItem* item = TMenuItem::Create(this);
        item->SetCaption(caption);
        item->OnClick = std::move(click);
        Items()->Add(item);
        return item;
    };
    minimize_ = add("Mi&nimize", [this](TObject*) {
        if (TskTitleBar* bar = Bar()) bar->MinimizeAction();
    });
    maximize_ = add("Ma&ximize/Restore", [this](TObject*) {
        TskTitleBar* bar = Bar();
        if (!bar) return;
        auto* buttons = bar->GetButtons();
        for (int i = 0; i < buttons->Count(); ++i)
            if (buttons->Items(i)->GetVisible() && buttons->Items(i)->GetButtonType() == skMax) bar->ButtonAction(i);
    });
    add("-", nullptr);
    close_ = add("&Close", [this](TObject*) {
        TskTitleBar* bar = Bar();
        if (TCustomForm* form = bar ? bar->ParentFormOf() : nullptr) form->Close();
    });
}

TskTitleBar* TskTitleBarPopupMenu::Bar() const { return dynamic_cast<TskTitleBar*>(Owner()); }

void TskTitleBarPopupMenu::Popup(int X, int Y) {
    TskTitleBar* bar = Bar();
    bool hasMin = false, hasMax = false, hasClose = false;
    if (bar) {
        if (bar->ReadsRightToLeft()) X += kRightToLeftMenuShift;
        auto* buttons = bar->GetButtons();
        for (int i = 0; i < buttons->Count(); ++i) {
            TskTitleBarButton* b = buttons->Items(i);
            if (!b->GetVisible()) continue;
            hasMin |= b->GetButtonType() == skMin;
            hasMax |= b->GetButtonType() == skMax;
            hasClose |= b->GetButtonType() == skClose;
        }
    }
    minimize_->SetEnabled(hasMin);
    maximize_->SetEnabled(hasMax);
    close_->SetEnabled(hasClose);
    TskPopupMenu::Popup(X, Y);
}

// ---------------------------------------------------------------------------------------
// TskTitleBar

IMPLEMENT_CLASS(TskTitleBar);

void TskTitleBar::Publish(TClassBuilder<TskTitleBar>& b) {
    b.Prop("Custom", &TskTitleBar::GetCustom, &TskTitleBar::SetCustom);
    b.Prop("FileTheme", &TskTitleBar::GetFileTheme, &TskTitleBar::SetFileTheme);
    b.Prop("UIStyle", &TskTitleBar::GetUIStyle, &TskTitleBar::SetUIStyle);
    b.Prop("AutoSize", &TskTitleBar::GetAutoSize, &TskTitleBar::SetAutoSize);
    b.Prop("Sections", &TskTitleBar::GetSections);
    b.Prop("Buttons", &TskTitleBar::GetButtons);
    b.Prop("ButtonInterval", &TskTitleBar::GetButtonInterval, &TskTitleBar::SetButtonInterval);
    b.Prop("FormActive", &TskTitleBar::GetFormActive, &TskTitleBar::SetFormActive);
    b.Prop("LeftBtnXOffset", &TskTitleBar::GetLeftBtnXOffset, &TskTitleBar::SetLeftBtnXOffset);
    b.Prop("RightBtnXOffset", &TskTitleBar::GetRightBtnXOffset, &TskTitleBar::SetRightBtnXOffset);
    b.Prop("DrawAppIcon", &TskTitleBar::GetDrawAppIcon, &TskTitleBar::SetDrawAppIcon);
    b.Prop("RoundCorner", &TskTitleBar::GetRoundCorner, &TskTitleBar::SetRoundCorner);
    b.Prop("RoundCornerBottom", &TskTitleBar::GetRoundCornerBottom, &TskTitleBar::SetRoundCornerBottom);
    b.Event("OnCustomBtnsClick", &TskTitleBar::OnCustomBtnsClick);
    b.Event("OnHelpBtnClick", &TskTitleBar::OnHelpBtnClick);
}

TskTitleBar::TskTitleBar(TComponent* AOwner)
    : TCustomPanel(AOwner), sections_(std::make_unique<TskTitleBarSections>(this)),
      buttons_(std::make_unique<TskTitleBarButtons>(this)) {
    ControlStyle.Exclude(csAcceptsControls);
    ControlStyle.Include(csDoubleClicks);
    SetBevelOuter(bvNone);
    popup_ = TskTitleBarPopupMenu::Create(this);
    for (TskTitleBarBtnType type : {skControlBox, skClose, skMax, skMin}) buttons_->Add()->SetButtonType(type);
    SetAlign(alTop);
    Font()->SetName("Tahoma");
    Font()->SetColor(clWhite);
    Font()->SetStyle({fsBold});
    SetUIStyle(OwnerFormUIStyle(AOwner));
}

TskTitleBar::~TskTitleBar() = default;

bool TskTitleBar::OnFormFrame() const { return dynamic_cast<TskForm*>(Parent()) != nullptr; }

int TskTitleBar::RightBorderWidth() const {
    if (!OnFormFrame()) return 0;
    TCustomForm* form = GetParentForm();
    return form ? static_cast<int>(form->Perform(SKM_RIGHTBORDERWIDTH)) : 0;
}

bool TskTitleBar::SystemReadsRightToLeft() const { return GetSystemMetrics(SM_MIDEASTENABLED) != 0; }

bool TskTitleBar::ReadsRightToLeft() const { return GetBiDiMode() != bdLeftToRight && SystemReadsRightToLeft(); }

void TskTitleBar::SetFileTheme(TskFileTheme* v) {
    if (v != fileTheme_) {
        if (fileTheme_) fileTheme_->RemoveFreeNotification(this);
        if (v) v->FreeNotification(this);
    }
    fileTheme_ = v;
    TRestore applying(applyingTheme_, true);
    SetUIStyle(uiStyle_);
}

void TskTitleBar::SetUIStyle(TskUIStyle v) {
    uiStyle_ = v;
    if (custom_) return;
    TskStyleReader style(fileTheme_, v);
    BuildSections(style);
    for (int i = 0; i < buttons_->Count(); ++i) {
        TskTitleBarButton* b = buttons_->Items(i);
        b->uiStyle_ = style.Resolved().FromFile ? FromThemeFile : style.Resolved().Style;
        b->ApplyStyle();
    }
    popup_->SetFileTheme(fileTheme_);
    popup_->SetUIStyle(style.Resolved().FromFile ? FromThemeFile : style.Resolved().Style);
    if (!applyingTheme_) ApplyCaptionColor(style);
    SetAutoSize(autoSize_);
    Invalidate();
}

void TskTitleBar::BuildSections(const TskStyleReader& style) {
    TUpdateLock lock(*sections_);
    sections_->Clear();
    struct TPiece { int Key; bool AutoSize; TskTitleBarAlign Align; };
    for (TPiece piece : {TPiece{SkKey::TitleBarLeftImage, true, skLeft}, TPiece{SkKey::TitleBarRightImage, true, skRight},
                         TPiece{SkKey::TitleBarClientImage, false, skClient}}) {
        TskTitleBarSection* s = sections_->Add();
        style.BitmapFrame(piece.Key, s->GetPicture()->Bitmap(), 0, 0);
        if (piece.AutoSize) s->SetAutoSize(true);
        s->SetAlign(piece.Align);
    }
    leftBtnXOffset_ = style.Int(SkKey::TitleBarButtonLeftOffsetInt);
    rightBtnXOffset_ = style.Int(SkKey::TitleBarButtonRightOffsetInt);
    borderColor_ = style.Color(SkKey::FormBorderColor);
    TBitmap strip;
    style.Bitmap(SkKey::TitleBarButtonImage, &strip);
    stripHeight_ = strip.Height();
    buttonTop_ = style.Int(SkKey::TitleBarButtonTopInt) - (OnFormFrame() ? 3 : 0);
    if (TCustomForm* form = GetParentForm()) form->Constraints()->SetMinWidth(style.Int(SkKey::FormMinWidthInt));
    roundCorner_ = style.Int(SkKey::FormRoundCornerInt);
    roundCornerBottom_ = style.Resolved().FromFile ? style.Int(SkKey::FormBottomRoundCornerInt) : 0;
}

void TskTitleBar::ApplyCaptionColor(const TskStyleReader& style) {
    TColor color = style.Resolved().Style == MacOS && !style.Resolved().FromFile ? clBlack : clWhite;
    if (style.Resolved().FromFile) {
        int stored = 0;
        if (fileTheme_->Manager().TryIntByKey(SkKey::TitleBarFontColor, stored)) {
            color = MakeColor(static_cast<uint32_t>(stored));
        } else {
            const uint32_t control = static_cast<uint32_t>(style.Color(SkKey::ControlFontColor));
            const bool dark = control == 0x10000 || control == 0x30000 || control == 0x40000 || control == 0x50000;
            color = dark ? clBlack : clWhite;
        }
    }
    Font()->SetColor(color);
}

void TskTitleBar::SetAutoSize(bool v) {
    autoSize_ = v;
    if (sections_->Count() == 0) {
        autoSize_ = false;
        return;
    }
    const int h = sections_->Items(0)->GetPicture()->Height() - (OnFormFrame() ? 3 : 0);
    if (h > 0) SetHeight(h);
}

void TskTitleBar::SetButtonInterval(int v) {
    if (v == buttonInterval_) return;
    buttonInterval_ = v;
    Invalidate();
}

void TskTitleBar::SetFormActive(bool v) {
    if (v == formActive_) return;
    formActive_ = v;
    Invalidate();
}

void TskTitleBar::SetLeftBtnXOffset(int v) {
    if (v == leftBtnXOffset_) return;
    leftBtnXOffset_ = v;
    Invalidate();
}

void TskTitleBar::SetRightBtnXOffset(int v) {
    if (v == rightBtnXOffset_) return;
    rightBtnXOffset_ = v;
    Invalidate();
}

void TskTitleBar::SetDrawAppIcon(bool v) {
    if (v == drawAppIcon_) return;
    drawAppIcon_ = v;
    Invalidate();
}

void TskTitleBar::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove || !AComponent) return;
    if (AComponent == popup_) popup_ = nullptr;
    for (int i = 0; i < buttons_->Count(); ++i)
        if (buttons_->Items(i)->controlBoxMenu_ == AComponent) buttons_->Items(i)->controlBoxMenu_ = nullptr;
    if (AComponent == fileTheme_) {
        fileTheme_ = nullptr;
        SetUIStyle(DeepBlue);
    }
}

int TskTitleBar::ControlBoxIndex() const {
    for (int i = 0; i < buttons_->Count(); ++i)
        if (buttons_->Items(i)->GetButtonType() == skControlBox) return i;
    return -1;
}

// ---------------------------------------------------------------------------------------
// Geometry on the bar

std::vector<TRect> TskTitleBar::ButtonRects() {
    std::vector<TRect> rects(static_cast<size_t>(buttons_->Count()));
    std::vector<TSize> sizes;
    std::vector<int> order;
    for (int i = 0; i < buttons_->Count(); ++i) {
        TskTitleBarButton* b = buttons_->Items(i);
        if (!b->GetVisible() || b->GetButtonType() == skControlBox) continue;
        sizes.push_back(TSize{b->GetPicNormal()->Width(), b->GetPicNormal()->Height()});
        order.push_back(i);
    }
    const int border = RightBorderWidth();
    const std::vector<TRect> placed =
        TitleBarButtonRects(Width(), rightBtnXOffset_, border, buttonInterval_, buttonTop_, sizes);
    for (size_t k = 0; k < order.size(); ++k) rects[static_cast<size_t>(order[k])] = placed[k];
    const int box = ControlBoxIndex();
    if (box >= 0 && buttons_->Items(box)->GetVisible()) {
        TskTitleBarButton* b = buttons_->Items(box);
        const int left = std::max(0, leftBtnXOffset_ - border + 1);
        rects[static_cast<size_t>(box)] =
            drawAppIcon_ ? Bounds(left + 3, buttonTop_, 16, 16)
                         : Bounds(left, buttonTop_ - 1, b->GetPicNormal()->Width(), b->GetPicNormal()->Height());
    }
    return rects;
}

int TskTitleBar::ButtonAt(TPoint p) {
    const std::vector<TRect> rects = ButtonRects();
    for (size_t i = 0; i < rects.size(); ++i)
        if (!rects[i].IsEmpty() && PointInRect(p, rects[i])) return static_cast<int>(i);
    return -1;
}

// ---------------------------------------------------------------------------------------
// Painting

void TskTitleBar::Paint() {
    if (Width() <= 0 || Height() <= 0) return;
    TBitmap buffer(Width(), Height());
    TCanvas* c = buffer.Canvas();
    c->Brush()->SetColor(GetColor());
    c->FillRect(Bounds(0, 0, Width(), Height()));
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(Font());
    DrawBackground(buffer);
    DrawButtonsAndCaption(buffer);
    Canvas()->Draw(0, 0, &buffer);
}

void TskTitleBar::DrawBackground(TBitmap& bitmap) {
    if (sections_->Count() < 3) return;
    TCanvas* c = bitmap.Canvas();
    int x0 = 0, y0 = 0;
    if (OnFormFrame()) {
        const int border = RightBorderWidth();
        x0 = border ? -border : -3;
        y0 = -3;
    }
    TGraphic* left = sections_->Items(0)->GetPicture()->Graphic();
    TGraphic* right = sections_->Items(1)->GetPicture()->Graphic();
    TGraphic* client = sections_->Items(2)->GetPicture()->Graphic();
    const int lw = left ? left->Width() : 0, rw = right ? right->Width() : 0;
    c->Draw(x0, y0, left);
    c->Draw(Width() - rw - x0, y0, right);
    if (client && !client->Empty()) c->StretchDraw(TRect(x0 + lw, y0, Width() - rw - x0, y0 + client->Height()), client);
}

void TskTitleBar::DrawButtonsAndCaption(TBitmap& bitmap) {
    TCanvas* c = bitmap.Canvas();
    POINT cursor{};
    GetCursorPos(&cursor);
    const TPoint mouse = HandleAllocated() ? ScreenToClient(TPoint(cursor.x, cursor.y)) : TPoint(-1, -1);
    const std::vector<TRect> rects = ButtonRects();
    hotButton_ = -1;
    int captionRight = Width() + rightBtnXOffset_ + RightBorderWidth();
    auto face = [&](int i) {
        TskTitleBarButton* b = buttons_->Items(i);
        const bool over = PointInRect(mouse, rects[static_cast<size_t>(i)]);
        if (over) hotButton_ = i;
        if (over && pressed_ && (pressedButton_ < 0 || pressedButton_ == i)) return b->GetPicMouseDown();
        return over ? b->GetPicMouseOn() : b->GetPicNormal();
    };
    for (int i = 0; i < buttons_->Count(); ++i) {
        TskTitleBarButton* b = buttons_->Items(i);
        if (!b->GetVisible() || b->GetButtonType() == skControlBox) continue;
        const TRect& r = rects[static_cast<size_t>(i)];
        DrawButtonPicture(*c, r.Left, r.Top, face(i), b->GetTransparent());
        captionRight = std::min(captionRight, r.Left);
    }

    const int border = RightBorderWidth();
    int left = std::max(0, leftBtnXOffset_ - border + 1);
    const int box = ControlBoxIndex();
    if (box >= 0 && buttons_->Items(box)->GetVisible()) {
        TskTitleBarButton* b = buttons_->Items(box);
        const TRect& r = rects[static_cast<size_t>(box)];
        if (drawAppIcon_) {
            if (PointInRect(mouse, r)) hotButton_ = box;
            HICON icon = nullptr;
            TCustomForm* form = GetParentForm();
            if (form && !form->Icon()->Empty()) icon = form->Icon()->Handle();
            if (!icon) icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, 16, 16, 0));
            if (!icon) icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
            if (icon) DrawIconEx(c->Handle(), left + 3, buttonTop_, icon, 16, 16, 0, nullptr, DI_NORMAL);
            left += 21;
        } else {
            DrawButtonPicture(*c, r.Left, r.Top, face(box), b->GetTransparent());
            left += b->GetPicNormal()->Width() + 5;
        }
    }
    if (left == 0) left = 6;

    c->Font()->Assign(Font());
    if (!formActive_) c->Font()->SetColor(clInactiveCaption);
    c->Brush()->SetStyle(bsClear);
    const std::string text = ShortenCaption(GetCaption(), captionRight - left,
                                            [c](const std::string& s) { return c->TextWidth(s); });
    const int y = buttonTop_ + (stripHeight_ - c->TextHeight(text.empty() ? "Ag" : text)) / 2;
    const int x = ReadsRightToLeft() ? captionRight - c->TextWidth(text) - 10 : left;
    c->TextOut(x, y, text);
}

// ---------------------------------------------------------------------------------------
// Actions

void TskTitleBar::MaximizeAction() {
    TCustomForm* form = GetParentForm();
    if (!form) return;
    if (IsMaximized(form)) {
        form->SetWindowState(wsNormal);
    } else {
        form->SetWindowState(wsMaximized);
        if (!OnFormFrame()) {
            TRect work = GetWorkArea();
            SetControlBounds(form, TRect(work.Left - 4, work.Top - 4, work.Right + 4, work.Bottom - 1));
        }
    }
    RefreshMaxButton();
}

void TskTitleBar::MinimizeAction() {
    TCustomForm* form = GetParentForm();
    if (!form) return;
    if (Application && Application->MainForm() == form && form->HandleAllocated())
        SendMessageA(form->WindowHandle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    else
        form->SetWindowState(wsMinimized);
}

void TskTitleBar::RefreshMaxButton() {
    for (int i = 0; i < buttons_->Count(); ++i)
        if (buttons_->Items(i)->GetButtonType() == skMax) buttons_->Items(i)->ApplyStyle();
    Invalidate();
}

void TskTitleBar::ShowControlBoxMenu(TPopupMenu* menu) {
    const int x = ReadsRightToLeft() ? kRightToLeftMenuShift : 0;
    TPoint p = ClientToScreen(TPoint(x, Height()));
    menu->Popup(std::max(0, p.X), std::max(0, p.Y));
}

void TskTitleBar::ButtonAction(int index) {
    if (index < 0 || index >= buttons_->Count()) return;
    TskTitleBarButton* b = buttons_->Items(index);
    switch (b->GetButtonType()) {
    case skMax: MaximizeAction(); break;
    case skMin: MinimizeAction(); break;
    case skClose:
        if (TCustomForm* form = GetParentForm()) form->Close();
        break;
    case skControlBox:
        if (b->GetControlBoxMenu()) ShowControlBoxMenu(b->GetControlBoxMenu());
        break;
    default: break;
    }
}

// ---------------------------------------------------------------------------------------
// Mouse

void TskTitleBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    pressed_ = true;
    pressedButton_ = ButtonAt(TPoint(X, Y));
    Repaint();
    TCustomForm* form = GetParentForm();
    // The second press of a double click maximises instead (DblClick).
    if (pressedButton_ < 0 && !Shift.Contains(ssDouble) && form && form->HandleAllocated() && !IsMaximized(form)) {
        // The system drags the window as if its caption had been pressed.
        ReleaseCapture();
        const TPoint p = ClientToScreen(TPoint(X, Y));
        SendMessageA(form->WindowHandle(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.X, p.Y));
        pressed_ = false;
        pressedButton_ = -1;
    }
}

// A button acts only when released over the button the press began on.
void TskTitleBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TComponentWatch watch(this);
    TCustomPanel::MouseUp(Button, Shift, X, Y);
    if (watch.Freed() || Button != mbLeft) return;
    const int index = ButtonAt(TPoint(X, Y));
    const bool same = pressed_ && index >= 0 && index == pressedButton_;
    pressed_ = false;
    pressedButton_ = -1;
    if (same) {
        TskTitleBarButton* b = buttons_->Items(index);
        const TskTitleBarBtnType type = b->GetButtonType();
        if (type == skControlBox && !b->GetControlBoxMenu()) {
            if (popup_) {
                const TPoint p = ClientToScreen(TPoint(0, Height()));
                popup_->Popup(p.X, p.Y);
            }
        } else {
            ButtonAction(index);
        }
        if (watch.Freed()) return;
        if (type == skCustom && OnCustomBtnsClick) OnCustomBtnsClick(this, index);
        if (type == skHelp && OnHelpBtnClick) OnHelpBtnClick(this, index);
        if (watch.Freed()) return;
    }
    Invalidate();
}

void TskTitleBar::DblClick() {
    TCustomPanel::DblClick();
    POINT cursor{};
    GetCursorPos(&cursor);
    const int index = ButtonAt(ScreenToClient(TPoint(cursor.x, cursor.y)));
    if (index < 0) {
        for (int i = 0; i < buttons_->Count(); ++i) {
            if (buttons_->Items(i)->GetVisible() && buttons_->Items(i)->GetButtonType() == skMax) {
                ButtonAction(i);
                return;
            }
        }
    } else if (buttons_->Items(index)->GetButtonType() == skControlBox) {
        if (TCustomForm* form = GetParentForm()) form->Close();
    }
}

void TskTitleBar::PassToForm(TMessage& Message) {
    TCustomForm* form = GetParentForm();
    if (form && form->HandleAllocated())
        Message.Result = SendMessageA(form->WindowHandle(), Message.Msg, Message.WParam, Message.LParam);
}

void TskTitleBar::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_NCLBUTTONDOWN: case WM_NCLBUTTONUP: case WM_NCMOUSEMOVE: PassToForm(Message); return;
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_MOUSEMOVE: case CM_MOUSELEAVE: case CM_FONTCHANGED: case CM_TEXTCHANGED: Invalidate(); break;
    default: break;
    }
    TCustomPanel::WndProc(Message);
}
