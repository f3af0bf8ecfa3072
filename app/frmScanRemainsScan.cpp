// The leftover scan's engine: the registry search, the folder listing, and deleting what is
// checked.
#include "app/frmScanRemains.h"
#include "app/funUtils.h"
#include "framework/Registry.h"
#include "framework/SysUtils.h"

#include <cstring>
#include <cwchar>
#include <string_view>
#include <vector>

namespace {

// Shared branches that are never searched, with everything below them; compared with the
// path exactly as it is built (case counts). The 32-bit view's spelling, below WOW6432Node,
// is skipped alike.
constexpr std::wstring_view kSkippedPaths[] = {
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components",
    L"SOFTWARE\\Classes",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SideBySide",
    L"SOFTWARE\\Microsoft",
};

bool IsSkipped(std::wstring_view path) {
    for (auto skipped : kSkippedPaths)
        if (path == skipped) return true;
    // "SOFTWARE\WOW6432Node\Microsoft" is the 32-bit view's "SOFTWARE\Microsoft"; the
    // system spells that one key's name in more than one case.
    constexpr std::wstring_view software = L"SOFTWARE\\", wow = L"WOW6432NODE\\";
    if (path.size() <= software.size() + wow.size() || path.substr(0, software.size()) != software ||
        !WideStartsText(std::wstring(path.substr(software.size())), std::wstring(wow)))
        return false;
    std::wstring plain(software);
    plain.append(path.substr(software.size() + wow.size()));
    for (auto skipped : kSkippedPaths)
        if (plain == skipped) return true;
    return false;
}

const struct { HKEY Root; const char* Name; } kRootNames[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
};

// A node's text in the code page, and the exact text shown instead where the code page
// can't hold it.
TTreeNode* AddNode(TTreeNodes* tree, TTreeNode* parent, const std::wstring& text, TScanItem* item) {
    const std::string shown = FromWide(text);
    TTreeNode* node = tree->AddChildObject(parent, shown, item);
    if (ToWide(shown) != text) node->SetShownText(text);
    node->SetStateIndex(csChecked);
    return node;
}

// The view every registry access of the scan names: on 64-bit Windows the 64-bit one, in
// which the 32-bit keys are the ones below WOW6432Node, so each key has one name.
REGSAM ScanView() { return Is64BitWindows() ? KEY_WOW64_64KEY : 0; }

} // namespace

std::string RootKeyName(HKEY root) {
    for (auto& r : kRootNames)
        if (r.Root == root) return r.Name;
    return {};
}

HKEY RootKeyFromName(const std::string& name) {
    for (auto& r : kRootNames)
        if (name == r.Name) return r.Root;
    return nullptr;
}

// ---- The scan ------------------------------------------------------------------------------------

TLeftoverScan::TLeftoverScan(TTreeNodes* regTree, TTreeNodes* fileTree) : regTree_(regTree), fileTree_(fileTree) {}

TScanItem* TLeftoverScan::NewItem(TScanItem item) {
    items_.push_back(std::move(item));
    return &items_.back();
}

template <class F>
bool TLeftoverScan::Step(F describe) {
    if (stopped_) return false;
    if (!OnStep) return true;
    // Kept even when not shown, so that the last place can be shown when the scan ends.
    describe(place_);
    placeShown_ = false;
    DWORD now = GetTickCount();
    if (StepIntervalMs > 0 && now - lastStep_ < static_cast<DWORD>(StepIntervalMs)) return true;
    return ShowPlace(now);
}

bool TLeftoverScan::ShowPlace(DWORD now) {
    lastStep_ = now;
    placeShown_ = true;
    if (!OnStep(FromWide(place_))) stopped_ = true;
    return !stopped_;
}

void TLeftoverScan::Run(const TUninstallTarget& target) {
    RunBranches(target);
    if (!stopped_ && !placeShown_ && OnStep) ShowPlace(GetTickCount());
}

void TLeftoverScan::RunBranches(const TUninstallTarget& target) {
    if (IsScannableRegistryName(target.RegistryName)) {
        ScanRegistryBranch(HKEY_CLASSES_ROOT, L"Installer\\Products", target.RegistryName);
        ScanRegistryBranch(HKEY_CURRENT_USER, L"SOFTWARE", target.RegistryName);
        ScanRegistryBranch(HKEY_LOCAL_MACHINE, L"SOFTWARE", target.RegistryName);
        ScanRegistryBranch(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows", target.RegistryName);
        if (ScanView()) ScanRegistryBranch(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows", target.RegistryName);
    }
    std::wstring folder;
    if (stopped_ || CheckInstallFolder(target.InstallFolder, &folder, target.RegistryName) != TFolderVerdict::fvAllowed)
        return;
    TScanItem item;
    item.Kind = TScanItemKind::skFolder;
    item.Path = folder;
    TTreeNode* top = AddNode(fileTree_, nullptr, target.InstallFolder, NewItem(std::move(item)));
    try {
        ScanFolder(folder, top);
    } catch (...) {
        // What was listed stays listed (and is deleted only as listed); the rest of the
        // folder is not offered.
    }
}

void TLeftoverScan::ScanRegistryBranch(HKEY root, const std::wstring& path, const std::wstring& name) {
    root_ = root;
    view_ = ScanView();
    rootName_ = ToWide(RootKeyName(root));
    name_ = name;
    path_ = path;
    if (!path_.empty() && path_.back() == L'\\') path_.pop_back();
    try {
        ScanKey(root, path_.c_str());
    } catch (...) {
        // An error ends this branch; the keys found so far stay.
    }
}

// On entry path_ is the path of the key to open; it is the same again on return. The key is
// opened relative to its parent's open handle, which spares the registry a walk from the root
// for every key.
void TLeftoverScan::ScanKey(HKEY parent, const wchar_t* subKey) {
    if (stopped_ || IsSkipped(path_)) return;
    TKeyHandle key;
    if (RegOpenKeyExW(parent, subKey, 0, KEY_ENUMERATE_SUB_KEYS | view_, key.Put()) != ERROR_SUCCESS) return;
    path_ += L'\\';
    const size_t base = path_.size();
    wchar_t sub[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        LONG r = RegEnumKeyExW(key.Get(), i, sub, &len, nullptr, nullptr, nullptr, nullptr);
        // A name too long for any key is passed over; any other failure ends this key.
        if (r == ERROR_MORE_DATA) continue;
        if (r != ERROR_SUCCESS) break;
        if (!Step([&](std::wstring& place) {
                place.assign(rootName_).append(1, L'\\').append(path_, 0, base).append(sub, len);
            }))
            break;
        path_.resize(base);
        path_.append(sub, len);
        if (len == name_.size() && std::wmemcmp(sub, name_.data(), len) == 0) AddKeyNode(key.Get(), path_.substr(base));
        ScanKey(key.Get(), sub);
    }
    path_.resize(base - 1);
}

// path_ is the matching key's path here. A key the user may not delete is not offered.
void TLeftoverScan::AddKeyNode(HKEY parent, const std::wstring& name) {
    TKeyHandle opened;
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS | view_, opened.Put()) != ERROR_SUCCESS) return;
    const std::wstring text = rootName_ + L"\\" + path_;
    TScanItem key;
    key.Kind = TScanItemKind::skRegKey;
    key.Root = root_;
    key.View = view_;
    key.Key = path_;
    TTreeNode* node = AddNode(regTree_, nullptr, text, NewItem(std::move(key)));
    std::vector<wchar_t> value(16384);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(value.size());
        LONG r = RegEnumValueW(opened.Get(), i, value.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_MORE_DATA) continue;
        if (r != ERROR_SUCCESS) break;
        TScanItem item;
        item.Kind = TScanItemKind::skRegValue;
        item.Root = root_;
        item.View = view_;
        item.Key = path_;
        item.Value.assign(value.data(), len);
        const std::wstring childText = text + L"\\" + item.Value;
        AddNode(regTree_, node, childText, NewItem(std::move(item)));
    }
}

void TLeftoverScan::ScanFolder(const std::wstring& folder, TTreeNode* parent) {
    const std::wstring dir = folder.empty() || folder.back() != L'\\' ? folder + L"\\" : folder;
    WIN32_FIND_DATAW found;
    // The folder's own listing: "*" is the only pattern, and it names no file.
    TFindHandle find(FindFirstFileExW(LongApiPath(dir + L"*").c_str(), FindExInfoBasic, &found,
                                      FindExSearchNameMatch, nullptr, 0));
    if (!find) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        TScanItem item;
        item.Path = dir + name;
        const DWORD attributes = found.dwFileAttributes;
        const bool isDir = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // A link's target belongs to someone else: it is listed, never entered.
        const bool isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (!isDir || isLink) {
            if (!Step([&](std::wstring& place) { place = item.Path; })) break;
        }
        item.Kind = isLink ? TScanItemKind::skLink : isDir ? TScanItemKind::skFolder : TScanItemKind::skFile;
        const std::wstring path = item.Path;
        TTreeNode* node = AddNode(fileTree_, parent, path, NewItem(std::move(item)));
        if (isDir && !isLink) ScanFolder(path, node);
    } while (!stopped_ && FindNextFileW(find.Get(), &found));
}

// ---- Deleting ------------------------------------------------------------------------------------

namespace {

bool FullyChecked(const TTreeNode* node) {
    if (node->StateIndex() != csChecked) return false;
    for (int i = 0; i < node->Count(); ++i)
        if (!FullyChecked(node->Item(i))) return false;
    return true;
}

bool IsGoneError(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

DWORD AttributesOf(const std::wstring& path) { return GetFileAttributesW(LongApiPath(path).c_str()); }

// Whether the key, value or file of item is still there. Anything but "not found" counts as
// there, so a key we may not open is not taken for deleted.
bool StillThere(const TScanItem& item) {
    switch (item.Kind) {
    case TScanItemKind::skRegKey:
    case TScanItemKind::skRegValue: {
        TKeyHandle key;
        LONG r = RegOpenKeyExW(item.Root, item.Key.c_str(), 0, KEY_QUERY_VALUE | item.View, key.Put());
        if (r != ERROR_SUCCESS) return !IsGoneError(static_cast<DWORD>(r));
        if (item.Kind == TScanItemKind::skRegKey) return true;
        r = RegQueryValueExW(key.Get(), item.Value.c_str(), nullptr, nullptr, nullptr, nullptr);
        return !IsGoneError(static_cast<DWORD>(r));
    }
    default:
        if (AttributesOf(item.Path) != INVALID_FILE_ATTRIBUTES) return true;
        return !IsGoneError(GetLastError());
    }
}

std::vector<TTreeNode*> TopNodes(TTreeNodes* tree) {
    std::vector<TTreeNode*> nodes;
    for (int i = 0, n = tree->Count(); i < n; ++i)
        if (!tree->Item(i)->Parent()) nodes.push_back(tree->Item(i));
    return nodes;
}

// Removes the nodes whose object is gone (children first) and recomputes what remains.
void PruneNode(TTreeNodes* tree, TTreeNode* node) {
    for (int i = node->Count() - 1; i >= 0; --i) PruneNode(tree, node->Item(i));
    const TScanItem* item = ScanItemOf(node);
    if (item && !StillThere(*item)) {
        tree->Delete(node);
        return;
    }
    RecomputeCheck(node);
}

int CountChecked(const TTreeNode* node) {
    int n = node->StateIndex() == csChecked ? 1 : 0;
    for (int i = 0; i < node->Count(); ++i) n += CountChecked(node->Item(i));
    return n;
}

int PruneAndCount(TTreeNodes* tree) {
    auto tops = TopNodes(tree);
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) PruneNode(tree, *it);
    int failed = 0;
    for (TTreeNode* node : TopNodes(tree)) failed += CountChecked(node);
    return failed;
}

bool SameKeyText(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

// Whether an item that stays (unchecked or partly checked) lies in key or below it.
bool KeepsSomethingIn(const std::vector<const TScanItem*>& kept, const TScanItem& key) {
    const std::wstring below = key.Key + L"\\";
    for (const TScanItem* k : kept) {
        if (k->Root != key.Root) continue;
        if (SameKeyText(k->Key, key.Key) ||
            (k->Key.size() > below.size() && SameKeyText(k->Key.substr(0, below.size()), below)))
            return true;
    }
    return false;
}

void DeleteRegistryKey(const TScanItem& key) {
    size_t slash = key.Key.rfind(L'\\');
    if (slash == std::wstring::npos) return;
    TRegistry reg(KEY_ALL_ACCESS | key.View);
    reg.SetRootKey(key.Root);
    if (reg.OpenKeyW(key.Key.substr(0, slash), false)) reg.DeleteKeyW(key.Key.substr(slash + 1));
}

void DeleteRegistryValue(const TScanItem& value) {
    TRegistry reg(KEY_ALL_ACCESS | value.View);
    reg.SetRootKey(value.Root);
    if (reg.OpenKeyW(value.Key, false)) reg.DeleteValueW(value.Value);
}

// Runs remove on path; a read-only entry goes as well, as it does when a folder is deleted
// whole: its read-only flag is taken off and remove tried again.
bool RemoveEvenReadOnly(const std::wstring& path, BOOL(WINAPI* remove)(LPCWSTR)) {
    const std::wstring api = LongApiPath(path);
    if (remove(api.c_str())) return true;
    DWORD attributes = GetFileAttributesW(api.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           SetFileAttributesW(api.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) && remove(api.c_str());
}

bool DeleteOneFile(const std::wstring& path) { return RemoveEvenReadOnly(path, DeleteFileW); }

// The link itself, never what it leads to: a link to a folder is removed as a folder, which
// takes nothing of the target with it.
bool DeleteLink(const std::wstring& path) {
    const std::wstring api = LongApiPath(path);
    const DWORD attributes = GetFileAttributesW(api.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    // Nothing that opens the link by a handle: where a system can't open the link itself,
    // such a handle is its target's.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(api.c_str()) != FALSE;
    return DeleteOneFile(path);
}

bool RemoveEmptyFolder(const std::wstring& path) { return RemoveEvenReadOnly(path, RemoveDirectoryW); }

// Deletes what a node stands for, by its exact path: checked files and links, then the
// checked entries of a folder one by one, and the folder itself when everything in it was
// checked (it goes only when it is empty then, so nothing listed after the scan goes with it).
void DeleteFileNode(TTreeNode* node) {
    const TScanItem* item = ScanItemOf(node);
    if (!item || node->StateIndex() == csUnchecked) return;
    switch (item->Kind) {
    case TScanItemKind::skFile:
        if (node->StateIndex() == csChecked) {
            // A file that became a link since the scan is removed as a link.
            const DWORD attributes = AttributesOf(item->Path);
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) DeleteLink(item->Path);
            else DeleteOneFile(item->Path);
        }
        return;
    case TScanItemKind::skLink:
        if (node->StateIndex() == csChecked) DeleteLink(item->Path);
        return;
    default: {
        // A folder turned into a link since the scan: its entries are somebody else's now.
        const DWORD attributes = AttributesOf(item->Path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            if (FullyChecked(node)) DeleteLink(item->Path);
            return;
        }
        for (int i = node->Count() - 1; i >= 0; --i) DeleteFileNode(node->Item(i));
        if (FullyChecked(node)) RemoveEmptyFolder(item->Path);
        return;
    }
    }
}

bool DeleteTreeEntries(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    TFindHandle find(FindFirstFileExW(LongApiPath(dir + L"\\*").c_str(), FindExInfoBasic, &found,
                                      FindExSearchNameMatch, nullptr, 0));
    if (!find) return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool all = true;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = dir + L"\\" + name;
        const DWORD attributes = found.dwFileAttributes;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) all &= DeleteLink(path);
        else if (attributes & FILE_ATTRIBUTE_DIRECTORY) all &= DeleteTreeEntries(path) && RemoveEmptyFolder(path);
        else all &= DeleteOneFile(path);
    } while (FindNextFileW(find.Get(), &found));
    return all;
}

} // namespace

std::wstring LongApiPath(const std::wstring& path) {
    // Past MAX_PATH the file calls take a full drive path only with the "\\?\" prefix.
    const bool drive = path.size() > 3 && path[1] == L':' && path[2] == L'\\';
    return drive && path.size() >= MAX_PATH - 12 ? L"\\\\?\\" + path : path;
}

bool DeleteFolderTree(const std::wstring& path) {
    std::wstring dir = path;
    if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
    // Only a full path below a root: "C:" would name the drive's current folder, and a
    // relative path the program's.
    const bool belowDrive = dir.size() > 3 && dir[1] == L':' && dir[2] == L'\\';
    const bool network = dir.size() > 2 && dir[0] == L'\\' && dir[1] == L'\\' && dir[2] != L'?' && dir[2] != L'.';
    if (!belowDrive && !network) return false;
    const DWORD attributes = AttributesOf(dir);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return DeleteLink(dir);
    DeleteTreeEntries(dir);
    return RemoveEmptyFolder(dir);
}

bool DeleteFolderTree(const std::string& path) { return DeleteFolderTree(ToWide(path)); }

int DeleteCheckedRegistry(TTreeNodes* tree) {
    std::vector<const TScanItem*> kept;
    for (int i = 0, n = tree->Count(); i < n; ++i) {
        TTreeNode* node = tree->Item(i);
        if (node->StateIndex() != csChecked && ScanItemOf(node)) kept.push_back(ScanItemOf(node));
    }
    auto tops = TopNodes(tree);
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        TTreeNode* node = *it;
        const TScanItem* key = ScanItemOf(node);
        if (!key || node->StateIndex() == csUnchecked) continue;
        // A matching key can lie inside another one: the outer key goes whole only when
        // nothing the user kept is inside it.
        if (FullyChecked(node) && !KeepsSomethingIn(kept, *key)) {
            DeleteRegistryKey(*key);
            continue;
        }
        for (int i = node->Count() - 1; i >= 0; --i) {
            const TScanItem* value = ScanItemOf(node->Item(i));
            if (value && node->Item(i)->StateIndex() == csChecked) DeleteRegistryValue(*value);
        }
    }
    return PruneAndCount(tree);
}

int DeleteCheckedFiles(TTreeNodes* tree) {
    auto tops = TopNodes(tree);
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) DeleteFileNode(*it);
    return PruneAndCount(tree);
}
