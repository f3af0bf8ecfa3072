// A label that acts as a hyperlink: link and hover colours, a hand cursor, and a click
// that asks the shell to open its address.
#pragma once
#include "framework/StdCtrls.h"

#include <functional>
#include <string>

class TskURLLabel : public TCustomLabel {
    DECLARE_CLASS(TskURLLabel, TCustomLabel)
    explicit TskURLLabel(TComponent* AOwner);

    const std::string& GetURL() const { return url_; }
    void SetURL(const std::string& v);
    TColor GetFontLinkColor() const { return fontLinkColor_; }
    void SetFontLinkColor(TColor v);
    TColor GetFontHoverColor() const { return fontHoverColor_; }
    void SetFontHoverColor(TColor v) { fontHoverColor_ = v; }

    // Opens the address (when it is one the label may open), then OnClick.
    void Click() override;
    void WndProc(TMessage& Message) override;
    static void Publish(TClassBuilder<TskURLLabel>& b);

protected:
    void Paint() override;

private:
    // Entering or leaving: the font takes the colour of that state.
    void MouseOver(const TMessage& Message, TColor fontColor);
    std::string url_;
    TColor fontLinkColor_ = clBlue;
    TColor fontHoverColor_ = clRed;
};

// Only web, file-transfer and mail addresses open: the address of an installed program's
// entry is anybody's text, and a local path or program there must not run on a click.
bool IsOpenableURL(const std::string& url);

// How the label asks the shell to open an address (ShellExecute "open" by default); an
// empty one restores the default. Tests answer it themselves.
using TURLOpener = std::function<void(const std::string& url)>;
TURLOpener SetURLOpener(TURLOpener opener);
