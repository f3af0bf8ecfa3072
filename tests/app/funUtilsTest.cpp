#include "app/funUtils.h"
#include <gtest/gtest.h>

namespace {

// A tree node with just what the check routines use.
struct TNode {
    int State = csUnchecked;
    TNode* Up = nullptr;
    std::vector<std::unique_ptr<TNode>> Kids;

    int StateIndex() const { return State; }
    void SetStateIndex(int s) { State = s; }
    int Count() const { return static_cast<int>(Kids.size()); }
    TNode* Item(int i) const { return Kids[static_cast<size_t>(i)].get(); }
    TNode* Parent() const { return Up; }
    TNode* Add(int state = csUnchecked) {
        Kids.push_back(std::make_unique<TNode>());
        Kids.back()->Up = this;
        Kids.back()->State = state;
        return Kids.back().get();
    }
};

} // namespace

TEST(TreeCheck, ToggleGoesDownAndAncestorsFollowTheirChildren) {
    TNode root;
    TNode* folder = root.Add();
    TNode* a = folder->Add();
    TNode* b = folder->Add();
    TNode* deep = b->Add();
    TNode* other = root.Add();

    ToggleTreeCheck(folder);   // checks the folder and everything below it
    EXPECT_EQ(a->State, csChecked);
    EXPECT_EQ(deep->State, csChecked);
    EXPECT_EQ(root.State, csPartlyChecked);   // one child checked, one not

    ToggleTreeCheck(deep);   // unchecking a leaf leaves every ancestor partly checked
    EXPECT_EQ(b->State, csUnchecked);
    EXPECT_EQ(folder->State, csPartlyChecked);
    EXPECT_EQ(root.State, csPartlyChecked);

    // A parent whose children are only partly checked is not checked: deleting it whole
    // would take the unchecked leaf with it.
    TNode p;
    p.Add(csPartlyChecked);
    p.Add(csPartlyChecked)->Add(csUnchecked);
    RecomputeCheckUp(&p);
    EXPECT_EQ(p.State, csPartlyChecked);

    ToggleTreeCheck(folder);   // partly checked toggles to checked
    EXPECT_EQ(folder->State, csChecked);
    EXPECT_EQ(deep->State, csChecked);
    ToggleTreeCheck(other);
    EXPECT_EQ(root.State, csChecked);
    ToggleTreeCheck(&root);
    EXPECT_EQ(deep->State, csUnchecked);

    TNode odd;
    odd.State = 7;   // not a check state: left alone
    ToggleTreeCheck(&odd);
    EXPECT_EQ(odd.State, 7);
    ToggleTreeCheck<TNode>(nullptr);
}

TEST(TextRoutines, SplitRectanglesAndBackslashes) {
    auto parts = SplitToList(" a , b,c ", ",", true);
    EXPECT_EQ(parts->ToVector(), (std::vector<std::string>{"a", "b", "c "}));   // the rest is not trimmed
    EXPECT_EQ(SplitToList("", ",", true)->Count(), 1);

    int l = -1, t = -1, w = -1, h = -1;
    EXPECT_TRUE(ParseRectText("0, 0, 763, 538", l, t, w, h));
    EXPECT_EQ((std::vector<int>{l, t, w, h}), (std::vector<int>{0, 0, 763, 538}));
    EXPECT_TRUE(ParseRectText("152,11, 312, 33, 99", l, t, w, h));   // a fifth part is ignored
    EXPECT_EQ((std::vector<int>{l, t, w, h}), (std::vector<int>{152, 11, 312, 33}));
    l = 5;
    EXPECT_FALSE(ParseRectText("1, 2, 3 4", l, t, w, h));
    EXPECT_EQ(l, 5);   // outputs untouched
    EXPECT_THROW(ParseRectText("1, x, 3, 4", l, t, w, h), EConvertError);
    EXPECT_THROW(ParseRectText("1, 2, 3, 4 ", l, t, w, h), EConvertError);   // trailing blank of the last part

    EXPECT_EQ(WithTrailingBackslash("C:\\Apps"), "C:\\Apps\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\Apps\\"), "C:\\Apps\\");
}

TEST(TextRoutines, LineBreakEscapeBothWays) {
    EXPECT_EQ(EscapeLineBreaks(" ab\r\nc\nd\re ", false), "ab#13c#13d#13e");
    EXPECT_EQ(EscapeLineBreaks("  x#13y ", true), "x\r\ny");
    EXPECT_EQ(EscapeLineBreaks(EscapeLineBreaks("one\r\ntwo", false), true), "one\r\ntwo");
}

TEST(Shell, ShortcutRoundTripAndFolders) {
    CoInitialize(nullptr);
    std::string windows = GetWindowsFolder();
    std::string system = GetSystemFolder();
    ASSERT_FALSE(windows.empty());
    EXPECT_NE(windows.back(), '\\');
    EXPECT_EQ(system.rfind(windows, 0), 0u);   // the system folder lies inside the Windows folder
    EXPECT_FALSE(GetSpecialFolder(CSIDL_STARTUP).empty());
    EXPECT_EQ(GetSpecialFolder(0x7FFF), "");

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string target = system + "\\notepad.exe";
    std::string link = std::string(temp) + "velmora-shortcut.txt";   // the extension becomes .lnk
    ASSERT_TRUE(CreateShortcut(target, link));
    std::string saved = std::string(temp) + "velmora-shortcut.lnk";
    EXPECT_EQ(GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(lstrcmpiA(ResolveShortcut(saved).c_str(), target.c_str()), 0);
    DeleteFileA(saved.c_str());
    EXPECT_EQ(ResolveShortcut(saved), "unable to resolve link");
    CoUninitialize();
}
