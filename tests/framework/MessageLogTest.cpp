// The message log of the tests: recording from controls and plain windows, and matching
// against sequences with optional entries.
#include "FormTesting.h"
#include "common/MessageLog.h"
#include "framework/StdCtrls.h"

#include <gtest/gtest.h>

namespace {

TFormGuard<TForm> NewLogForm() {
    TFormGuard<TForm> form(TForm::Create(nullptr, false));
    form->SetBounds(0, 0, 300, 200);
    return form;
}

bool Mentions(const ::testing::AssertionResult& r, const std::string& text) {
    return std::string(r.message()).find(text) != std::string::npos;
}

} // namespace

TEST(MessageLogTest, OptionalEntriesMayBeThereOrNot) {
    TMessageLog log;
    log.Add(WM_SETREDRAW, FALSE);
    log.Add(WM_SIZE);
    log.Add(WM_SETREDRAW, TRUE);
    EXPECT_TRUE(log.Matches({Msg(WM_SETREDRAW).WParam(FALSE), Msg(WM_MOVE).Optional(), Msg(WM_SIZE).Optional(),
                             Msg(WM_SETREDRAW).WParam(TRUE), Msg(WM_PAINT).Optional()}));
    log.Clear();
    EXPECT_TRUE(log.Matches({Msg(WM_PAINT).Optional()}));
}

TEST(MessageLogTest, AMismatchNamesTheMessagesAndWhereTheyDiffer) {
    TMessageLog log;
    log.Add(WM_SETREDRAW, FALSE);
    log.Add(CM_MOUSEENTER);
    auto wrongParam = log.Matches({Msg(WM_SETREDRAW).WParam(TRUE), CM_MOUSEENTER});
    EXPECT_FALSE(wrongParam);
    EXPECT_TRUE(Mentions(wrongParam, "message 1: expected WM_SETREDRAW w 0x1, got WM_SETREDRAW"))
        << wrongParam.message();

    auto missing = log.Matches({WM_SETREDRAW, CM_MOUSEENTER, CM_MOUSELEAVE});
    EXPECT_FALSE(missing);
    EXPECT_TRUE(Mentions(missing, "expected CM_MOUSELEAVE, got nothing more")) << missing.message();

    auto extra = log.Matches({WM_SETREDRAW});
    EXPECT_FALSE(extra);
    EXPECT_TRUE(Mentions(extra, "got CM_MOUSEENTER")) << extra.message();
    EXPECT_TRUE(Mentions(extra, "after the expected end")) << extra.message();
}

TEST(MessageLogTest, NotificationCodesAreReadOnArrival) {
    TMessageLog log;
    NMHDR hdr{nullptr, 7, static_cast<UINT>(NM_CLICK)};
    log.Add(CN_NOTIFY, 7, reinterpret_cast<LPARAM>(&hdr));
    hdr.code = static_cast<UINT>(NM_DBLCLK);   // the structure is reused after the message
    log.Add(WM_COMMAND, MAKEWPARAM(3, BN_CLICKED), 0);
    EXPECT_TRUE(log.Matches({Msg(CN_NOTIFY).Code(static_cast<UINT>(NM_CLICK)), Msg(WM_COMMAND).Code(BN_CLICKED)}));
    EXPECT_FALSE(log.Matches({Msg(CN_NOTIFY).Code(static_cast<UINT>(NM_DBLCLK)), WM_COMMAND}));
}

TEST(MessageLogTest, WatchingAControlRecordsTheChosenMessagesUntilStopped) {
    auto form = NewLogForm();
    auto* button = TButton::Create(form.get());
    button->SetParent(form.get());
    auto* other = TButton::Create(form.get());
    other->SetParent(form.get());
    int handled = 0;
    button->OnClick = [&](TObject*) { ++handled; };
    TMessageLog log;
    log.Watch(button, {CM_ENABLEDCHANGED, CM_TEXTCHANGED});
    log.Watch(other, {CM_TEXTCHANGED});
    button->SetCaption("Go");
    button->SetEnabled(false);
    other->SetCaption("Other");
    button->SetEnabled(true);
    button->Click();
    EXPECT_EQ(handled, 1);   // the control still handles what is recorded
    EXPECT_TRUE(log.Matches({Msg(CM_TEXTCHANGED).To(button), Msg(CM_ENABLEDCHANGED).To(button),
                             Msg(CM_TEXTCHANGED).To(other), Msg(CM_ENABLEDCHANGED).To(button)}));
    log.Stop();
    button->SetCaption("Stop");
    EXPECT_EQ(log.Entries().size(), 4u);
    EXPECT_EQ(log.Count(CM_ENABLEDCHANGED), 2);
}

TEST(MessageLogTest, AControlFreedWhileWatchedIsLeftAlone) {
    auto form = NewLogForm();
    auto* button = TButton::Create(form.get());
    button->SetParent(form.get());
    TMessageLog log;
    log.Watch(button, {CM_TEXTCHANGED});
    button->SetCaption("x");
    button->Free();
    log.Stop();
    EXPECT_EQ(log.Count(CM_TEXTCHANGED), 1);
}

TEST(MessageLogTest, WatchingAPlainWindowRecordsThroughASubclass) {
    auto form = NewLogForm();
    HWND wnd = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 10, 10, form->Handle(), nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    TMessageLog log;
    log.Watch(wnd, {WM_SETTEXT, WM_NCDESTROY});
    SetWindowTextA(wnd, "one");
    char text[8] = {};
    GetWindowTextA(wnd, text, sizeof text);
    EXPECT_STREQ(text, "one");   // the window still handles what is recorded
    DestroyWindow(wnd);
    EXPECT_TRUE(log.Matches({Msg(WM_SETTEXT).To(wnd), Msg(WM_NCDESTROY).To(wnd)}));
}
