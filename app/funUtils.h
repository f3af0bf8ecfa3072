// Free routines of the application: the tri-state check of tree nodes, small text
// routines (trailing backslash, splitting, rectangle text, line-break escape), skin
// pictures, shell shortcuts and the shell and system folders.
#pragma once
#include "framework/Classes.h"

#include <memory>
#include <string>

// Check states carried in a tree node's state-image index.
constexpr int csUnchecked = 1;
constexpr int csChecked = 2;
constexpr int csPartlyChecked = 3;

// Gives every descendant of node the node's state, each child before its own children.
template <class TNode>
void PushCheckDown(TNode* node) {
    for (int i = 0; i < node->Count(); ++i) {
        TNode* child = node->Item(i);
        child->SetStateIndex(node->StateIndex());
        PushCheckDown(child);
    }
}

// Recomputes node from its children: checked when every child is checked, unchecked when
// every child is unchecked, partly checked otherwise. (A parent of partly checked children
// is partly checked, so deleting never takes a folder whole when anything below it was
// unchecked.) A node without children keeps its state.
template <class TNode>
void RecomputeCheck(TNode* node) {
    int count = node->Count();
    if (count == 0) return;
    int checked = 0, unchecked = 0;
    for (int i = 0; i < count; ++i) {
        int s = node->Item(i)->StateIndex();
        if (s == csChecked) ++checked;
        else if (s == csUnchecked) ++unchecked;
    }
    node->SetStateIndex(checked == count ? csChecked : unchecked == count ? csUnchecked : csPartlyChecked);
}

// RecomputeCheck on node, then on each of its ancestors.
template <class TNode>
void RecomputeCheckUp(TNode* node) {
    for (; node; node = node->Parent()) RecomputeCheck(node);
}

// A click on a node's check: unchecked and partly checked become checked, checked becomes
// unchecked; the state goes down to every descendant and the ancestors are recomputed.
// Any other state index is left alone.
template <class TNode>
void ToggleTreeCheck(TNode* node) {
    if (!node) return;
    int s = node->StateIndex();
    if (s == csUnchecked || s == csPartlyChecked) node->SetStateIndex(csChecked);
    else if (s == csChecked) node->SetStateIndex(csUnchecked);
    if (node->Count() > 0) PushCheckDown(node);
    if (node->Parent()) RecomputeCheckUp(node->Parent());
}

std::string WithTrailingBackslash(const std::string& text);

// Splits text at every occurrence of separator; the parts before a separator are trimmed
// when trim is set, the remainder is appended as it is.
std::unique_ptr<TStringList> SplitToList(const std::string& text, const std::string& separator, bool trim);

// "left, top, width, height": false (outputs untouched) with fewer than four parts;
// a part that is not an integer raises EConvertError.
bool ParseRectText(const std::string& text, int& left, int& top, int& width, int& height);

// Sets control's Left, Top, Width and Height, in that order, through its own writers from a
// rectangle text. False (bounds unchanged) for an empty text or fewer than four parts;
// a non-integer part raises EConvertError.
class TControl;
bool ApplyRectText(TControl* control, const std::string& text);

// Loads SkinsDir + fileName into picture when that file exists (the picture class follows
// the file's extension); false and the picture untouched when it does not.
class TPicture;
bool LoadSkinPicture(TPicture* picture, const std::string& fileName);
// The four state pictures of a picture button. They have no change notification: the
// button shows a new picture at its next paint.
template <class TButton> bool LoadSkinPicNormal(TButton* b, const std::string& f) { return LoadSkinPicture(b->GetPicNormal(), f); }
template <class TButton> bool LoadSkinPicMouseHover(TButton* b, const std::string& f) { return LoadSkinPicture(b->GetPicMouseHover(), f); }
template <class TButton> bool LoadSkinPicMouseDown(TButton* b, const std::string& f) { return LoadSkinPicture(b->GetPicMouseDown(), f); }
template <class TButton> bool LoadSkinPicDisabled(TButton* b, const std::string& f) { return LoadSkinPicture(b->GetPicDisabled(), f); }

// The language file keeps multi-line texts on one line, each line break written as "#13".
// Both directions trim blanks and control characters at both ends first. Encoding turns
// CR LF, then a lone LF, then a lone CR into "#13"; decoding turns every "#13" into CR LF.
std::string EscapeLineBreaks(const std::string& text, bool decode);

// The target of a shell shortcut, or "unable to resolve link".
std::string ResolveShortcut(const std::string& shortcutPath);
// Saves a shortcut to target at shortcutPath (".lnk" forced), or beside the current folder
// under the target's name when shortcutPath is empty. True when saved.
bool CreateShortcut(const std::string& target, const std::string& shortcutPath);
// The same with the exact paths, for names the code page can't hold: target is saved as it
// is, at shortcutPath as it is (the caller gives the ".lnk").
bool CreateShortcutW(const std::wstring& target, const std::wstring& shortcutPath);

std::string GetSpecialFolder(int csidl);
// The folder's exact path; "" when the system has none.
std::wstring GetSpecialFolderW(int csidl);
std::string GetWindowsFolder();   // without a trailing backslash
std::string GetSystemFolder();    // without a trailing backslash
// A folder as the system names it through get (GetSystemWindowsDirectoryW and its siblings),
// with a trailing backslash; empty when it can't be told.
std::wstring SystemNamedFolder(UINT (WINAPI *get)(LPWSTR, UINT));
// The real system folder as this program reaches it, with a trailing backslash; empty when
// it can't be told. The 32-bit program on 64-bit Windows is shown SysWOW64 by the system
// folder's name and reaches the real one through Sysnative.
std::wstring GetNativeSystemFolder();
// The 32-bit system folder of 64-bit Windows, with a trailing backslash; empty on 32-bit
// Windows.
std::wstring GetWow64SystemFolder();
// folder as the shell (whose windows are 64-bit programs on 64-bit Windows) names it: a
// folder that this program reaches through Sysnative by the system folder's name, which is
// the real one for them. Any other folder stays as it is.
std::wstring ShellFolderName(const std::wstring& folder);
