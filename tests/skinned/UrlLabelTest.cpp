// The hyperlink label: which addresses it opens, its click, and its hover colours.
#include "common/Screenshot.h"
#include "controls/skinned/SkURLLabel.h"
#include "skinned/PictureTesting.h"
#include <gtest/gtest.h>

namespace {

// Records what the label asks the shell to open, for the scope.
struct TOpenRecorder {
    std::vector<std::string> Opened;
    TURLOpener Previous;
    TOpenRecorder() {
        Previous = SetURLOpener([this](const std::string& url) { Opened.push_back(url); });
    }
    ~TOpenRecorder() { SetURLOpener(std::move(Previous)); }
};

}  // namespace

TEST(UrlLabel, OpensOnlyWebFileTransferAndMailAddresses) {
    for (const char* url : {"http://example.org/a?b=c", "HTTPS://Example.org", "ftp://files.example.org/x",
                            "mailto:support@example.org", "  https://example.org/  "})
        EXPECT_TRUE(IsOpenableURL(url)) << url;
    for (const char* url : {"", "   ", "C:\\Windows\\notepad.exe", "notepad.exe", "file:///C:/Windows/notepad.exe",
                            "\\\\server\\share\\setup.exe", "javascript:alert(1)", "http:", "http://", "https:/x",
                            "shell:startup", "ms-settings:", "httpx://example.org"})
        EXPECT_FALSE(IsOpenableURL(url)) << url;
}

TEST(UrlLabel, ClickOpensTheTrimmedAddressAndAlwaysFiresOnClick) {
    TOpenRecorder opens;
    TFreeGuard<TskURLLabel> label(TskURLLabel::Create(nullptr));
    int clicks = 0;
    label->OnClick = [&](TObject*) { ++clicks; };

    label->SetURL("  http://example.org/help  ");
    label->Click();
    label->SetURL("   ");
    label->Click();
    label->SetURL("C:\\Program Files\\Vendor\\uninstall.exe");
    label->Click();
    EXPECT_EQ(opens.Opened, (std::vector<std::string>{"http://example.org/help"}));
    EXPECT_EQ(clicks, 3);
}

TEST(UrlLabel, HoverAndLinkColoursFollowTheMouse) {
    auto form = NewTestForm(200, 80);
    form->SetColor(clWhite);
    auto* label = TskURLLabel::Create(form.get());
    label->SetParent(form.get());
    label->SetLeft(10);
    label->SetTop(10);
    label->SetCaption("Visit the web site");
    label->SetFontHoverColor(clRed);
    label->SetFontLinkColor(clGreen);
    EXPECT_GT(label->Width(), 40);   // sized to its caption
    form->Show();
    PumpIdle();

    auto textPixels = [&](TColor colour) {
        TBitmap shot;
        Render(form.get(), shot);
        return CountPixels(shot, colour, label->BoundsRect());
    };
    EXPECT_GT(textPixels(clGreen), 10);
    PostMouseMove(form->Handle(), 15, 15);
    ASSERT_TRUE(PumpUntil([&] { return label->Font()->GetColor() == clRed; }));
    EXPECT_GT(textPixels(clRed), 10);
    EXPECT_EQ(textPixels(clGreen), 0);
    PostMouseMove(form->Handle(), 150, 60);
    ASSERT_TRUE(PumpUntil([&] { return label->Font()->GetColor() == clGreen; }));
}
