#include "controls/skinned/SkURLLabel.h"

#include "framework/Guards.h"

IMPLEMENT_CLASS(TskURLLabel);

namespace {
TURLOpener& Opener() {
    static TURLOpener opener;
    return opener;
}

void ShellOpen(const std::string& url) {
    ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOW);
}
}  // namespace

TURLOpener SetURLOpener(TURLOpener opener) {
    TURLOpener previous = std::move(Opener());
    Opener() = std::move(opener);
    return previous;
}

bool IsOpenableURL(const std::string& url) {
    std::string u = Trim(url);
    size_t colon = u.find(':');
    if (colon == std::string::npos || colon + 1 >= u.size()) return false;
    std::string scheme = LowerCase(u.substr(0, colon));
    if (scheme == "mailto") return true;
    if (scheme != "http" && scheme != "https" && scheme != "ftp") return false;
    return u.compare(colon, 3, "://") == 0 && u.size() > colon + 3;
}

void TskURLLabel::Publish(TClassBuilder<TskURLLabel>& b) {
    b.Prop("URL", &TskURLLabel::GetURL, &TskURLLabel::SetURL);
    b.Prop("FontLinkColor", &TskURLLabel::GetFontLinkColor, &TskURLLabel::SetFontLinkColor);
    b.Prop("FontHoverColor", &TskURLLabel::GetFontHoverColor, &TskURLLabel::SetFontHoverColor);
}

TskURLLabel::TskURLLabel(TComponent* AOwner) : TCustomLabel(AOwner) {
    Font()->SetStyle({fsUnderline});
    Font()->SetColor(fontLinkColor_);
    SetCursor(crHandPoint);
    SetAutoSize(true);
    SetCaption("");
}

void TskURLLabel::SetURL(const std::string& v) {
    if (v != url_) url_ = v;
}

void TskURLLabel::SetFontLinkColor(TColor v) {
    fontLinkColor_ = v;
    Font()->SetColor(v);
}

void TskURLLabel::Click() {
    std::string url = Trim(url_);
    if (!url.empty() && IsOpenableURL(url)) {
        if (Opener()) Opener()(url);
        else ShellOpen(url);
    }
    TCustomLabel::Click();
}

void TskURLLabel::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_MOUSEENTER: MouseOver(Message, fontHoverColor_); break;
    case CM_MOUSELEAVE: MouseOver(Message, fontLinkColor_); break;
    }
    TCustomLabel::WndProc(Message);
}

// Message.LParam: the control the mouse entered or left.
void TskURLLabel::MouseOver(const TMessage& Message, TColor fontColor) {
    if (Message.LParam == reinterpret_cast<LPARAM>(this)) Font()->SetColor(fontColor);
}

void TskURLLabel::Paint() {
    // Drawn off-screen over a copy of what lies beneath, then copied in one step.
    const int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    TCanvas* canvas = Canvas();
    HDC target = canvas->Handle();
    TBitmap buffer(w, h);
    HDC off = buffer.Canvas()->Handle();
    BitBlt(off, 0, 0, w, h, target, 0, 0, SRCCOPY);
    canvas->SetHandle(off);
    {
        TScopeExit back([&] { canvas->SetHandle(target); });
        TCustomLabel::Paint();
    }
    BitBlt(target, 0, 0, w, h, off, 0, 0, SRCCOPY);
}
