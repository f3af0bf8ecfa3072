#include "controls/skinned/SkForm.h"

#include "controls/skinned/SkImagePanel.h"
#include "controls/skinned/SkMenu.h"
#include "controls/skinned/SkPublic.h"
#include "framework/Guards.h"

#include <algorithm>

namespace {

const char* const kOneFramePerForm = "Sorry, You can create only one TskForm component in one form!";
const char* const kFrameAsFormPanel = "Sorry, you can't select the Form assign to FormPanel property";

// The frame's own margin: its children start this far in, the border is painted there.
constexpr int kFrameMargin = 3;

// The key-48 fallback of theme files without a menu-bar colour, by their control font colour.
TColor ThemeMenuBarColor(const TskFileTheme& theme, TColor formColor) {
    int stored = 0;
    if (theme.Manager().TryIntByKey(SkKey::MenuMenuBarColor, stored)) return MakeColor(static_cast<uint32_t>(stored));
    switch (static_cast<uint32_t>(theme.ReadKeyColor(SkKey::ControlFontColor))) {
    case 0x20000: return MakeColor(0xAC5B3B);
    case 0x30000: return MakeColor(0x996733);
    default: return formColor;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TskMenuBar

IMPLEMENT_CLASS(TskMenuBar);

TskMenuBar::TskMenuBar(TComponent* AOwner) : TToolBar(AOwner) {}

// ---------------------------------------------------------------------------------------
// TskForm: construction and removal

IMPLEMENT_CLASS(TskForm);

void TskForm::Publish(TClassBuilder<TskForm>& b) {
    b.Prop("TitleBarCustom", &TskForm::GetTitleBarCustom, &TskForm::SetTitleBarCustom);
    b.Prop("FileTheme", &TskForm::GetFileTheme, &TskForm::SetFileTheme);
    b.Prop("UIStyle", &TskForm::GetUIStyle, &TskForm::SetUIStyle);
    b.Prop("UIStyleAutoUpdateSub", &TskForm::GetUIStyleAutoUpdateSub, &TskForm::SetUIStyleAutoUpdateSub);
    b.Prop("BorderColor", &TskForm::GetBorderColor, &TskForm::SetBorderColor);
    b.Prop("BorderWidth", &TskForm::GetFrameBorderWidth, &TskForm::SetFrameBorderWidth);
    b.Prop("TitleBarVisible", &TskForm::GetTitleBarVisible, &TskForm::SetTitleBarVisible);
    b.Prop("Caption", &TskForm::GetFrameCaption, &TskForm::SetFrameCaption);
    b.Prop("FormPanel", &TskForm::GetFormPanel, &TskForm::SetFormPanel);
    b.Prop("TitleBarButtons", &TskForm::GetTitleBarButtons, &TskForm::SetTitleBarButtons);
    b.Prop("TitleBarSections", &TskForm::GetTitleBarSections, &TskForm::SetTitleBarSections);
    b.Prop("TitleBarDrawAppIcon", &TskForm::GetTitleBarDrawAppIcon, &TskForm::SetTitleBarDrawAppIcon);
    b.Prop("Font", &TskForm::GetTitleBarFont, &TskForm::SetTitleBarFont);
    b.Prop("Menu", &TskForm::GetMenu, &TskForm::SetMenu);
    b.Prop("MenuBarColor", &TskForm::GetMenuBarColor, &TskForm::SetMenuBarColor);
    b.Prop("MenuBarHeight", &TskForm::GetMenuBarHeight, &TskForm::SetMenuBarHeight);
    b.Prop("RoundCorner", &TskForm::GetRoundCorner, &TskForm::SetRoundCorner);
    b.Prop("RoundCornerBottom", &TskForm::GetRoundCornerBottom, &TskForm::SetRoundCornerBottom);
    b.Prop("Version", &TskForm::GetVersion, &TskForm::SetVersion);
    b.Event("OnTitleBarCustomBtnsClick", &TskForm::OnTitleBarCustomBtnsClick);
    b.Event("OnTitleBarHelpBtnClick", &TskForm::OnTitleBarHelpBtnClick);
}

TskForm::TskForm(TComponent* AOwner) : TCustomPanel(AOwner) {
    form_ = dynamic_cast<TCustomForm*>(AOwner);
    if (!form_) throw EComponentError("A skinned frame belongs on a form");
    for (int i = 0; i < form_->ControlCount(); ++i)
        if (dynamic_cast<TskForm*>(form_->Controls(i))) throw Exception(kOneFramePerForm);

    savedMinWidth_ = form_->Constraints()->GetMinWidth();
    savedMinHeight_ = form_->Constraints()->GetMinHeight();
    for (TControl* c : {static_cast<TControl*>(form_), static_cast<TControl*>(this)}) {
        c->Constraints()->SetMinHeight(50);
        c->Constraints()->SetMinWidth(125);
    }
    savedBounds_ = form_->BoundsRect();
    wasMaximized_ = form_->GetWindowState() == wsMaximized;

    SetParent(form_);
    titleBar_ = TskTitleBar::Create(this);
    titleBar_->SetParent(this);
    titleBar_->OnCustomBtnsClick = [this](TObject* s, int i) {
        if (OnTitleBarCustomBtnsClick) OnTitleBarCustomBtnsClick(s, i);
    };
    titleBar_->OnHelpBtnClick = [this](TObject* s, int i) {
        if (OnTitleBarHelpBtnClick) OnTitleBarHelpBtnClick(s, i);
    };
    menuBarColor_ = GetColor();
    SetUIStyle(DeepBlue);

    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    SetAlign(alClient);
    titleBar_->SetCaption(form_->GetCaption());
    titleBar_->SetVisible(true);
    TControl::SetCaption(" ");

    form_->SetScaled(false);
    savedBorderStyle_ = form_->GetBorderStyle();
    switch (savedBorderStyle_) {
    case bsNone: case bsSingle: case bsToolWindow: form_->SetBorderStyle(bsDialog); break;
    default: break;
    }
    hook_ = std::make_unique<TWindowProcHook>(form_, [this](TMessage& m, const TWndMethod& next) {
        FormWndProc(m, next);
    });
    appEvents_ = TApplicationEvents::Create(this);
    appEvents_->OnMessage = [this](MSG& msg, bool& handled) { AppMessage(msg, handled); };
    RemoveCaption();
    FrameChanged();
}

TskForm::~TskForm() = default;

// The form gets back its handler, its caption, its border and its plain shape.
void TskForm::Destroying() {
    if (auto* menu = SkinnedMenu()) menu->SetFrame(nullptr);
    destroying_ = true;
    if (hook_) hook_->Remove();
    if (form_ && !form_->IsDestroying()) {
        form_->Constraints()->SetMinWidth(savedMinWidth_);
        form_->Constraints()->SetMinHeight(savedMinHeight_);
        if (form_->HandleAllocated()) {
            HWND wnd = form_->WindowHandle();
            SetWindowRgn(wnd, nullptr, TRUE);
            if (form_->GetBorderStyle() != savedBorderStyle_) {
                // The window made again keeps its place and size, not the client size.
                const TRect bounds = form_->BoundsRect();
                form_->SetBorderStyle(savedBorderStyle_);
                form_->SetBoundsRect(bounds);
            } else {
                SetWindowLongPtrA(wnd, GWL_STYLE, GetWindowLongPtrA(wnd, GWL_STYLE) | savedCaptionBits_);
                FrameChanged();
            }
        } else {
            form_->SetBorderStyle(savedBorderStyle_);
        }
    }
    TCustomPanel::Destroying();
}

void TskForm::RemoveCaption() {
    if (!form_->HandleAllocated()) {
        savedCaptionBits_ = WS_CAPTION;
        return;
    }
    HWND wnd = form_->WindowHandle();
    const LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE);
    if (!(style & WS_CAPTION)) return;
    savedCaptionBits_ = style & WS_CAPTION;
    SetWindowLongPtrA(wnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION));
}

void TskForm::FrameChanged() {
    if (form_->HandleAllocated())
        SetWindowPos(form_->WindowHandle(), nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------------------------------
// Properties

bool TskForm::GetTitleBarCustom() const { return titleBar_->GetCustom(); }
void TskForm::SetTitleBarCustom(bool v) { titleBar_->SetCustom(v); }

// Also when it is the same theme: a theme whose file has just loaded gives itself to its
// users again, and the frame must take the file's colours and borders then.
void TskForm::SetFileTheme(TskFileTheme* v) {
    if (v != fileTheme_) {
        if (fileTheme_) fileTheme_->RemoveFreeNotification(this);
        if (v) v->FreeNotification(this);
    }
    fileTheme_ = v;
    SetUIStyle(uiStyle_);
}

void TskForm::SetUIStyle(TskUIStyle v) {
    uiStyle_ = v;
    TskStyleReader style(fileTheme_, v);
    // Missing or negative theme numbers must not make negative borders or corners.
    borderColor_ = style.Color(SkKey::FormBorderColor);
    borderWidth_ = std::max(0, style.Int(SkKey::FormBorderWidthInt));
    color_ = style.Color(SkKey::FormBackgroundColor);
    if (style.Resolved().FromFile) {
        if (menuBar_) SetMenuBarColor(ThemeMenuBarColor(*fileTheme_, color_));
    } else {
        SetMenuBarColor(color_);
    }
    titleBar_->SetRoundCorner(std::max(0, style.Int(SkKey::FormRoundCornerInt)));
    titleBar_->SetRoundCornerBottom(style.Resolved().FromFile ? std::max(0, style.Int(SkKey::FormBottomRoundCornerInt)) : 0);
    ReadThemeBorders(style);

    titleBar_->SetFileTheme(fileTheme_);
    titleBar_->SetUIStyle(v);
    if (auto* menu = SkinnedMenu()) {
        menu->SetUIStyle(v);
        menu->SetFileTheme(fileTheme_);
    }
    if (autoUpdateSub_) ApplyThemeToChildren(this, v, fileTheme_);
    FrameChanged();
    UpdateRegion();
    Invalidate();
    PaintNonClient();
}

void TskForm::ReadThemeBorders(const TskStyleReader& style) {
    rightBorder_.reset();
    bottomBorderHeight_ = 0;
    if (!style.Resolved().FromFile) return;
    auto left = std::make_unique<TBitmap>();
    fileTheme_->ReadKeyBitmap(SkKey::FormLeftBorderImage, left.get());
    if (!left->Empty()) {
        RotateBitmap180(left.get());
        rightBorder_ = std::move(left);
    }
    TBitmap bottom;
    fileTheme_->ReadKeyBitmap(SkKey::FormBottomBorderImage, &bottom);
    bottomBorderHeight_ = bottom.Height();
}

void TskForm::SetBorderColor(TColor v) {
    borderColor_ = v;
    PaintNonClient();
}

void TskForm::SetFrameBorderWidth(int v) {
    borderWidth_ = std::max(0, v);
    PaintNonClient();
}

void TskForm::SetTitleBarVisible(bool v) {
    if (v == titleBarVisible_) return;
    titleBarVisible_ = v;
    titleBar_->SetVisible(v);
    titleBar_->SetTop(0);
    Realign();
    UpdateRegion();
    PaintNonClient();
}

std::string TskForm::GetFrameCaption() const { return titleBar_->GetCaption(); }

void TskForm::SetFrameCaption(const std::string& v) {
    titleBar_->SetCaption(v);
    form_->SetCaption(v);
}

void TskForm::SetFormPanel(TCustomPanel* v) {
    if (v == this) {
        if (Application) Application->MessageBox(kFrameAsFormPanel, "", MB_OK | MB_ICONERROR);
        return;
    }
    if (formPanel_) formPanel_->RemoveFreeNotification(this);
    formPanel_ = v;
    if (!v) return;
    v->FreeNotification(this);
    v->SetAlign(alClient);
    if (dynamic_cast<TskImagePanel*>(v)) {
        v->SetCaption("");
    } else {
        v->SetBevelInner(bvNone);
        v->SetBevelOuter(bvNone);
        v->SetBorderStyle(bsNone);
        v->SetCaption("");
    }
}

TskTitleBarButtons* TskForm::GetTitleBarButtons() const { return titleBar_->GetButtons(); }
void TskForm::SetTitleBarButtons(TskTitleBarButtons* v) { titleBar_->SetButtons(v); }
TskTitleBarSections* TskForm::GetTitleBarSections() const { return titleBar_->GetSections(); }
void TskForm::SetTitleBarSections(TskTitleBarSections* v) { titleBar_->SetSections(v); }
bool TskForm::GetTitleBarDrawAppIcon() const { return titleBar_->GetDrawAppIcon(); }
void TskForm::SetTitleBarDrawAppIcon(bool v) { titleBar_->SetDrawAppIcon(v); }
TFont* TskForm::GetTitleBarFont() const { return titleBar_->Font(); }
void TskForm::SetTitleBarFont(TFont* v) { titleBar_->SetFont(v); }

void TskForm::SetMenuBarColor(TColor v) {
    menuBarColor_ = v;
    if (menuBar_) menuBar_->SetColor(v);
}

void TskForm::SetMenuBarHeight(int v) {
    menuBarHeight_ = v;
    if (!menuBar_) return;
    menuBar_->SetButtonHeight(v);
    menuBar_->SetHeight(v);
}

int TskForm::GetRoundCorner() const { return titleBarVisible_ ? titleBar_->GetRoundCorner() : 0; }

void TskForm::SetRoundCorner(int v) {
    titleBar_->SetRoundCorner(v);
    UpdateRegion();
}

int TskForm::GetRoundCornerBottom() const { return titleBarVisible_ ? titleBar_->GetRoundCornerBottom() : 0; }

void TskForm::SetRoundCornerBottom(int v) {
    titleBar_->SetRoundCornerBottom(v);
    UpdateRegion();
}

int TskForm::TitleBarHeight() const { return titleBarVisible_ && titleBar_->GetVisible() ? titleBar_->Height() : 0; }

int TskForm::RightBorderWidth() const { return rightBorder_ ? rightBorder_->Width() : 0; }

void TskForm::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove || !AComponent) return;
    if (AComponent == titleBar_) titleBar_ = nullptr;
    if (AComponent == appEvents_) appEvents_ = nullptr;
    if (AComponent == menuBar_) menuBar_ = nullptr;
    if (AComponent == formPanel_) formPanel_ = nullptr;
    if (AComponent == menu_) {
        menu_ = nullptr;
        RemoveMenuBar();
    }
    if (AComponent == fileTheme_) {
        fileTheme_ = nullptr;
        ApplyThemeToChildren(this, DeepBlue, nullptr);
        if (titleBar_) SetUIStyle(DeepBlue);
    }
}

// ---------------------------------------------------------------------------------------
// Menu bar

void TskForm::SetMenu(TMainMenu* v) {
    if (auto* old = SkinnedMenu(); old && old != v) old->SetFrame(nullptr);
    if (menu_ && menu_ != v) menu_->RemoveFreeNotification(this);
    menu_ = v;
    if (!v) {
        RemoveMenuBar();
        return;
    }
    v->FreeNotification(this);
    if (auto* menu = SkinnedMenu()) menu->SetFrame(this);
    CreateMenuBar();
    RebuildMenuBar();
}

void TskForm::CreateMenuBar() {
    if (menuBar_) return;
    menuBar_ = TskMenuBar::Create(this);
    menuBar_->SetFrame(this);
    // Below the title bar: the align engine keeps top-aligned controls in the order of their tops.
    menuBar_->SetTop(titleBar_->Top() + titleBar_->Height() + 1);
    menuBar_->SetParent(this);
    menuBar_->SetShowCaptions(true);
    menuBar_->SetButtonHeight(menuBarHeight_);
    menuBar_->SetHeight(menuBarHeight_);
    menuBar_->SetColor(menuBarColor_);
    menuBar_->SetWrapable(true);
    menuBar_->SetAutoSize(true);
    menuBar_->OnCustomDrawButton = [this](TToolBar* s, TToolButton* b, TCanvas* c, TCustomDrawState st, bool& d) {
        MenuBarDrawButton(s, b, c, st, d);
    };
    menuBar_->OnCustomDraw = [this](TToolBar* s, const TRect& r, bool& d) { MenuBarDraw(s, r, d); };
    titleBar_->SetTop(0);
    ApplyMenuFont();
    Realign();
}

void TskForm::RemoveMenuBar() {
    if (menuBar_) {
        TskMenuBar* bar = menuBar_;
        menuBar_ = nullptr;
        bar->Free();
    }
    if (menu_) {
        if (auto* menu = SkinnedMenu()) menu->SetFrame(nullptr);
        menu_->RemoveFreeNotification(this);
        menu_ = nullptr;
    }
    PaintNonClient();
}

void TskForm::RebuildMenuBar() {
    if (!menu_) {
        RemoveMenuBar();
        return;
    }
    if (!menuBar_) return;
    menuBar_->SetAutoSize(false);
    while (menuBar_->ButtonCount() > 0) menuBar_->Buttons(menuBar_->ButtonCount() - 1)->Free();
    TMenuItem* items = menu_->Items();
    for (int i = items ? items->Count() - 1 : -1; i >= 0; --i) {
        TToolButton* button = TToolButton::Create(menuBar_);
        button->SetParent(menuBar_);
        button->SetGrouped(true);
        button->SetMenuItem(items->Items(i));
        button->SetAutoSize(true);
    }
    menuBar_->SetAutoSize(true);
    Realign();
    PaintNonClient();
}

// Top-level items added or removed at run time get their buttons too.
void TskForm::RefreshMenuBar() {
    if (!menuBar_ || !menu_) return;
    TMenuItem* items = menu_->Items();
    bool same = items && items->Count() == menuBar_->ButtonCount();
    for (int i = 0; same && i < items->Count(); ++i) same = menuBar_->Buttons(i)->GetMenuItem() == items->Items(i);
    if (!same) {
        RebuildMenuBar();
        return;
    }
    for (int i = 0; i < menuBar_->ButtonCount(); ++i) {
        TToolButton* button = menuBar_->Buttons(i);
        if (TMenuItem* item = button->GetMenuItem()) {
            button->SetCaption(item->GetCaption());
            button->SetEnabled(item->GetEnabled());
        }
    }
}

void TskForm::ApplyMenuFont() {
    auto* menu = SkinnedMenu();
    if (!menuBar_ || !menu) return;
    TFont* font = menuBar_->Font();
    if (menu->GetUseSystemFont()) {
        SetSystemMenuFont(font);
    } else {
        font->SetName(menu->GetFontName());
        font->SetSize(menu->GetFontSize());
        font->SetCharset(menu->GetFontCharset());
    }
    menuBar_->Invalidate();
}

// ---------------------------------------------------------------------------------------
// The frame's own window

void TskForm::AdjustClientRect(TRect& Rect) {
    TCustomPanel::AdjustClientRect(Rect);
    Rect.Inflate(-kFrameMargin, -kFrameMargin);
}

void TskForm::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_SIZE:
        TCustomPanel::WndProc(Message);
        if (titleBar_) titleBar_->SetTop(0);
        return;
    default: TCustomPanel::WndProc(Message); return;
    }
}

// ---------------------------------------------------------------------------------------
// The form's messages

void TskForm::FormWndProc(TMessage& Message, const TWndMethod& Next) {
    if (destroying_) {
        Next(Message);
        return;
    }
    switch (Message.Msg) {
    case WM_NCCALCSIZE: WMNCCalcSize(Message); return;
    case SKM_RIGHTBORDERWIDTH: Message.Result = RightBorderWidth(); return;
    case WM_NCPAINT: WMNCPaint(Message, Next); return;
    default: break;
    }
    Next(Message);
    if (destroying_) return;
    switch (Message.Msg) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN: MenuShortCut(Message); break;
    case WM_SHOWWINDOW: WMShowWindow(); break;
    case WM_ACTIVATE: WMActivate(Message); break;
    case WM_CREATE: case CM_RECREATEWND: case CM_BORDERCHANGED: FrameStyleChanged(); break;
    case WM_SIZE: WMSize(); break;
    default: break;
    }
}

// The whole window is client area, less the theme's border pictures.
void TskForm::WMNCCalcSize(TMessage& Message) {
    if (!Message.WParam) {
        Message.Result = 0;
        return;
    }
    auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam);
    const TRect client = SkFormClientRect(TRect(params->rgrc[0]), RightBorderWidth(), bottomBorderHeight_);
    params->rgrc[0] = RECT{client.Left, client.Top, client.Right, client.Bottom};
    params->rgrc[1] = params->rgrc[0];
    Message.Result = WVR_VALIDRECTS;
}

void TskForm::WMNCPaint(TMessage& Message, const TWndMethod& Next) {
    if (form_->HandleAllocated() && IsIconic(form_->WindowHandle())) {
        Next(Message);
        return;
    }
    PaintNonClient();
    Message.Result = 0;
}

void TskForm::WMShowWindow() {
    form_->SetMenu(nullptr);
    if (form_->HandleAllocated()) ::SetMenu(form_->WindowHandle(), nullptr);
}

void TskForm::WMActivate(TMessage& Message) {
    if (titleBar_) titleBar_->SetFormActive(LOWORD(Message.WParam) != WA_INACTIVE);
}

// A new window or border brings the caption back.
void TskForm::FrameStyleChanged() {
    if (!form_->HandleAllocated()) return;
    HWND wnd = form_->WindowHandle();
    if (!(GetWindowLongPtrA(wnd, GWL_STYLE) & WS_CAPTION)) return;
    RemoveCaption();
    FrameChanged();
    UpdateRegion();
}

void TskForm::WMSize() {
    if (sizing_ || !form_->HandleAllocated()) return;
    TRestore sizing(sizing_, true);
    HWND wnd = form_->WindowHandle();
    const bool maximized = IsZoomed(wnd) != 0;
    if (wasMaximized_) {
        // A form that was maximised when the frame came keeps that state through the first
        // sizes of its showing, and gets its saved bounds back once it is restored.
        if (maximized) {
            if (maximizedSizes_ < 2) ++maximizedSizes_;
            else form_->SetWindowState(wsMaximized);
        } else {
            form_->SetBoundsRect(savedBounds_);
            wasMaximized_ = false;
        }
    }
    if (maximized) {
        const TRect r = SkFormMaximizedRect(GetWorkArea());
        SetWindowPos(wnd, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    PaintNonClient();
    if (titleBar_) titleBar_->RefreshMaxButton();
    UpdateRegion();
}

// ---------------------------------------------------------------------------------------
// Keys: the frame's menu and window menu answer only while its form is the active one.

bool TskForm::MenuShortCut(const TMessage& Message) {
    return IsFormActive(form_) && form_->Active() && menu_ && menu_->IsShortCut(Message);
}

void TskForm::AppMessage(MSG& Msg, bool& Handled) {
    if (destroying_) return;
    if (Msg.message == WM_SYSCHAR && Msg.wParam == VK_SPACE) {
        if (!IsFormActive(form_) || !form_->Active() || !titleBar_ || !titleBar_->PopupMenu()) return;
        RECT r{};
        if (form_->HandleAllocated()) GetWindowRect(form_->WindowHandle(), &r);
        Handled = true;
        titleBar_->PopupMenu()->Popup(r.left, r.top + TitleBarHeight());
        return;
    }
    if (Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN) {
        const TMessage m{Msg.message, Msg.wParam, Msg.lParam, 0};
        if (MenuShortCut(m)) Handled = true;
    }
}
