// Another process's controls driven from outside: its list and tree views read and set
// through structures placed in its memory, its child windows found by class and text, and
// the clicks, keys and waits a user's input amounts to.
#pragma once
#include "e2e/Harness.h"
#include "framework/FormTesting.h"

#include <algorithm>
#include <commctrl.h>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// Structures for another process's controls, copied into its memory for the message and
// read back afterwards, with room for a text after them.
class TRemoteMemory {
public:
    explicit TRemoteMemory(DWORD pid)
        : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid)) {}

    // Sends msg with data; text, when given, is the field that points at the text buffer,
    // whose contents come back in *read.
    template <class T>
    LRESULT Send(HWND window, UINT msg, WPARAM wParam, T& data, LPSTR T::*text = nullptr, std::string* read = nullptr) {
        char* at = static_cast<char*>(
            VirtualAllocEx(process_.Get(), nullptr, sizeof(T) + kText, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!at) return 0;
        T copy = data;
        if (text) {
            copy.*text = at + sizeof(T);
            WriteProcessMemory(process_.Get(), at + sizeof(T), "", 1, nullptr);
        }
        WriteProcessMemory(process_.Get(), at, &copy, sizeof copy, nullptr);
        LRESULT result = SendMessageA(window, msg, wParam, reinterpret_cast<LPARAM>(at));
        ReadProcessMemory(process_.Get(), at, &copy, sizeof copy, nullptr);
        if (read) {
            std::string buffer(kText, '\0');
            ReadProcessMemory(process_.Get(), at + sizeof(T), buffer.data(), kText, nullptr);
            *read = buffer.substr(0, buffer.find('\0'));
        }
        if (text) copy.*text = data.*text;
        data = copy;
        VirtualFreeEx(process_.Get(), at, 0, MEM_RELEASE);
        return result;
    }

    // The room for a text.
    static constexpr int kText = 512;

private:
    TKernelHandle process_;
};

// A list view of another process.
class TRemoteList {
public:
    TRemoteList(TRemoteMemory& remote, HWND list) : remote_(remote), list_(list) {}

    HWND Handle() const { return list_; }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int i = 0; i < static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); ++i) {
            LVITEMA lvi{};
            lvi.iSubItem = column;
            lvi.cchTextMax = TRemoteMemory::kText;
            texts.emplace_back();
            remote_.Send(list_, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), lvi, &LVITEMA::pszText, &texts.back());
        }
        return texts;
    }
    std::vector<std::string> Captions() const { return Column(0); }
    // The first row with this caption; -1 for none.
    int IndexOf(const std::string& caption) const {
        auto captions = Captions();
        auto it = std::find(captions.begin(), captions.end(), caption);
        return it == captions.end() ? -1 : static_cast<int>(it - captions.begin());
    }
    void Select(int item) const {
        LVITEMA lvi{};
        lvi.stateMask = lvi.state = LVIS_SELECTED | LVIS_FOCUSED;
        remote_.Send(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(item), lvi);
    }
    // The row's bounds in the list's client area.
    RECT ItemRect(int item) const {
        RECT rect{LVIR_BOUNDS, 0, 0, 0};
        remote_.Send(list_, LVM_GETITEMRECT, static_cast<WPARAM>(item), rect);
        return rect;
    }
    // The row's check box, as a click on it sets it (state image 2 checked, 1 unchecked).
    bool Checked(int item) const {
        return (SendMessageA(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK) >> 12) == 2;
    }
    void SetChecked(int item, bool checked) const {
        LVITEMA lvi{};
        lvi.stateMask = LVIS_STATEIMAGEMASK;
        lvi.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
        remote_.Send(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(item), lvi);
    }

private:
    TRemoteMemory& remote_;
    HWND list_;
};

// A tree view of another process.
class TRemoteTree {
public:
    TRemoteTree(TRemoteMemory& remote, HWND tree) : remote_(remote), tree_(tree) {}

    HWND Handle() const { return tree_; }
    // Every node with its text, parents before children.
    std::vector<std::pair<HTREEITEM, std::string>> Nodes() const {
        std::vector<std::pair<HTREEITEM, std::string>> nodes;
        std::function<void(HTREEITEM)> walk = [&](HTREEITEM item) {
            for (; item; item = Next(TVGN_NEXT, item)) {
                TVITEMA tvi{};
                tvi.mask = TVIF_TEXT;
                tvi.hItem = item;
                tvi.cchTextMax = TRemoteMemory::kText;
                nodes.emplace_back(item, "");
                remote_.Send(tree_, TVM_GETITEMA, 0, tvi, &TVITEMA::pszText, &nodes.back().second);
                walk(Next(TVGN_CHILD, item));
            }
        };
        walk(Next(TVGN_ROOT));
        return nodes;
    }
    // The nodes' texts, sorted.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& node : Nodes()) texts.push_back(node.second);
        std::sort(texts.begin(), texts.end());
        return texts;
    }
    // The node's state image: 1 unchecked, 2 checked.
    int CheckState(HTREEITEM item) const {
        return static_cast<int>(
            SendMessageA(tree_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK) >> 12);
    }
    // A point on the node's check picture, found by asking the tree, left of the node's text.
    std::optional<POINT> StateIconPoint(HTREEITEM item) const {
        SendMessageA(tree_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        RECT rect{};
        // The message takes the node in the rectangle's place.
        std::memcpy(&rect, &item, sizeof item);
        if (!remote_.Send(tree_, TVM_GETITEMRECT, TRUE, rect)) return std::nullopt;
        for (int x = rect.left - 1; x >= 0; --x) {
            TVHITTESTINFO hit{};
            hit.pt = {x, (rect.top + rect.bottom) / 2};
            remote_.Send(tree_, TVM_HITTEST, 0, hit);
            if (hit.hItem == item && (hit.flags & TVHT_ONITEMSTATEICON)) return hit.pt;
        }
        return std::nullopt;
    }

private:
    HTREEITEM Next(UINT relation, HTREEITEM item = nullptr) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(tree_, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    }
    TRemoteMemory& remote_;
    HWND tree_;
};

// The first visible descendant of that class (any class when empty) and, when given, that
// text.
inline HWND Child(HWND parent, const std::string& cls, const std::string& text = {}) {
    for (HWND child : ChildrenOf(parent)) {
        char caption[256] = {};
        GetWindowTextA(child, caption, sizeof caption);
        if ((cls.empty() || ClassOf(child) == cls) && (text.empty() || text == caption) && IsWindowVisible(child))
            return child;
    }
    return nullptr;
}

inline bool Contains(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

inline void Click(HWND window, int x = 10, int y = 10) { PostClick(window, x, y); }

inline void PressKey(HWND window, WORD key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

// What a push button sends its parent when clicked; needs no focus, which a desktop without
// a window manager does not reliably give.
inline void PressButton(HWND button) {
    PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

// Polls done() until it holds or a step's time is up; returns done().
inline bool WaitFor(const std::function<bool()>& done) { return PollUntil(done); }

}  // namespace e2e
