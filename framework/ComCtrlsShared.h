// What the list view, tree view and extended combo box share (ComCtrls*.cpp only): common
// control start-up, serial numbers for collection items, style edits and label-edit endings.
#pragma once
#include "framework/ComCtrls.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace comctrls_detail {

inline void InitCommonClasses() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_USEREX_CLASSES};
        InitCommonControlsEx(&icc);
        return true;
    }();
    (void)done;
}

// Collection items are matched against the window by a serial number, never by address:
// a new item may be allocated where a deleted one was.
inline uint64_t NextSerial() {
    static std::atomic<uint64_t> serial{0};
    return ++serial;
}

// Brings the window's list (shown, by serial) in line with the collection's order with the
// fewest deletions and insertions, so appending one item costs one insertion.
template <class Item, class Insert, class Remove>
inline void SyncShown(std::vector<uint64_t>& shown, const std::vector<Item*>& items, Insert insert, Remove remove) {
    std::unordered_set<uint64_t> alive;
    for (auto* it : items) alive.insert(it->Serial());
    for (int j = static_cast<int>(shown.size()) - 1; j >= 0; --j)
        if (!alive.count(shown[static_cast<size_t>(j)])) {
            remove(j);
            shown.erase(shown.begin() + j);
        }
    for (size_t i = 0; i < items.size(); ++i) {
        uint64_t id = items[i]->Serial();
        if (i < shown.size() && shown[i] == id) continue;
        auto at = std::find(shown.begin() + static_cast<std::ptrdiff_t>(i), shown.end(), id);
        if (at != shown.end()) {
            remove(static_cast<int>(at - shown.begin()));
            shown.erase(at);
        }
        insert(static_cast<int>(i), items[i]);
        shown.insert(shown.begin() + static_cast<std::ptrdiff_t>(i), id);
    }
}

template <class Item>
inline std::vector<Item*> CollectionItems(const TCollection& c) {
    std::vector<Item*> v;
    v.reserve(static_cast<size_t>(c.Count()));
    for (int i = 0; i < c.Count(); ++i) v.push_back(static_cast<Item*>(c.Items(i)));
    return v;
}

inline void SetExStyle(HWND wnd, DWORD flag, bool on) {
    LONG_PTR ex = GetWindowLongPtrA(wnd, GWL_EXSTYLE);
    LONG_PTR nex = on ? (ex | flag) : (ex & ~static_cast<LONG_PTR>(flag));
    if (nex == ex) return;
    SetWindowLongPtrA(wnd, GWL_EXSTYLE, nex);
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

inline void ReplaceStyle(HWND wnd, DWORD mask, DWORD value) {
    LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE);
    LONG_PTR nstyle = (style & ~static_cast<LONG_PTR>(mask)) | static_cast<LONG_PTR>(value);
    if (nstyle == style) return;
    SetWindowLongPtrA(wnd, GWL_STYLE, nstyle);
    InvalidateRect(wnd, nullptr, TRUE);
}

inline std::string WideToAnsi(const wchar_t* w) {
    if (!w || !*w) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, w, -1, s.data(), n, nullptr, nullptr);
    s.resize(std::strlen(s.c_str()));
    return s;
}

// The text a label edit ended with: the wide form of the notification points at wide text.
inline std::string EditedLabel(const NMHDR* hdr, UINT ansiCode, const char* text) {
    return hdr->code == ansiCode ? std::string(text) : WideToAnsi(reinterpret_cast<const wchar_t*>(text));
}

// How a label edit ends, the same for list and tree views: the typed text after the OnEdited
// handler had its say, and whether it is still the typed one. The control shows typed text
// itself (told TRUE); text the handler changed, the view puts into the window.
struct TEditedLabel {
    std::string Text;
    bool AsTyped;
};

template <class F>
inline TEditedLabel EndLabelEdit(const NMHDR* hdr, UINT ansiCode, const char* typed, F&& onEdited) {
    std::string text = EditedLabel(hdr, ansiCode, typed);
    std::string edited = text;
    onEdited(edited);
    bool asTyped = edited == text;
    return {std::move(edited), asTyped};
}

}  // namespace comctrls_detail
