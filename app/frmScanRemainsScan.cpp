// The leftover scan's engine: the registry search, the folder listing, and deleting what is
// checked.
#include "app/frmScanRemains.h"
#include "app/funUtils.h"
#include "framework/Registry.h"
#include "framework/SysUtils.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace {

// Shared branches that are never searched, with everything below them; compared with the
// path exactly as it is built (case counts).
constexpr std::string_view kSkippedPaths[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components",
    "SOFTWARE\\Classes",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SideBySide",
    "SOFTWARE\\Microsoft",
};

bool IsSkipped(std::string_view path) {
    for (auto skipped : kSkippedPaths)
        if (path == skipped) return true;
    return false;
}

const struct { HKEY Root; const char* Name; } kRootNames[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
};

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
    if (!OnStep(place_)) stopped_ = true;
    return !stopped_;
}

void TLeftoverScan::Run(const TUninstallTarget& target) {
    RunBranches(target);
    if (!stopped_ && !placeShown_ && OnStep) ShowPlace(GetTickCount());
}

void TLeftoverScan::RunBranches(const TUninstallTarget& target) {
    if (IsScannableRegistryName(target.RegistryName)) {
        ScanRegistryBranch(HKEY_CLASSES_ROOT, "Installer\\Products", target.RegistryName);
        ScanRegistryBranch(HKEY_CURRENT_USER, "SOFTWARE", target.RegistryName);
        ScanRegistryBranch(HKEY_LOCAL_MACHINE, "SOFTWARE", target.RegistryName);
        ScanRegistryBranch(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows", target.RegistryName);
    }
    std::string folder;
    if (stopped_ || CheckInstallFolder(target.InstallFolder, &folder) != TFolderVerdict::fvAllowed) return;
    TScanItem item;
    item.Kind = TScanItemKind::skFolder;
    item.Path = folder;
    TTreeNode* top = fileTree_->AddChildObject(nullptr, target.InstallFolder, NewItem(std::move(item)));
    top->SetStateIndex(csChecked);
    try {
        ScanFolder(folder, top);
    } catch (...) {
        // What was listed stays listed; the rest of the folder is not offered.
    }
}

void TLeftoverScan::ScanRegistryBranch(HKEY root, const std::string& path, const std::string& name) {
    root_ = root;
    rootName_ = RootKeyName(root);
    name_ = name;
    path_ = path;
    if (!path_.empty() && path_.back() == '\\') path_.pop_back();
    try {
        ScanKey(root, path_.c_str());
    } catch (...) {
        // An error ends this branch; the keys found so far stay.
    }
}

// On entry path_ is the path of the key to open; it is the same again on return. The key is
// opened relative to its parent's open handle, which spares the registry a walk from the root
// for every key.
void TLeftoverScan::ScanKey(HKEY parent, const char* subKey) {
    if (stopped_ || IsSkipped(path_)) return;
    TKeyHandle key;
    if (RegOpenKeyExA(parent, subKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return;
    path_ += '\\';
    const size_t base = path_.size();
    char sub[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof sub;
        LONG r = RegEnumKeyExA(key.Get(), i, sub, &len, nullptr, nullptr, nullptr, nullptr);
        // A name too long for any key is passed over; any other failure ends this key.
        if (r == ERROR_MORE_DATA) continue;
        if (r != ERROR_SUCCESS) break;
        if (!Step([&](std::string& place) {
                place.assign(rootName_).append(1, '\\').append(path_, 0, base).append(sub, len);
            }))
            break;
        path_.resize(base);
        path_.append(sub, len);
        if (len == name_.size() && std::memcmp(sub, name_.data(), len) == 0) AddKeyNode(key.Get(), path_.substr(base));
        ScanKey(key.Get(), sub);
    }
    path_.resize(base - 1);
}

// path_ is the matching key's path here.
void TLeftoverScan::AddKeyNode(HKEY parent, const std::string& name) {
    const std::string text = RootKeyName(root_) + "\\" + path_;
    TScanItem key;
    key.Kind = TScanItemKind::skRegKey;
    key.Root = root_;
    key.Key = path_;
    TTreeNode* node = regTree_->AddChildObject(nullptr, text, NewItem(std::move(key)));
    node->SetStateIndex(csChecked);
    TKeyHandle opened;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_QUERY_VALUE, opened.Put()) != ERROR_SUCCESS) return;
    std::vector<char> value(16384);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(value.size());
        LONG r = RegEnumValueA(opened.Get(), i, value.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_MORE_DATA) continue;
        if (r != ERROR_SUCCESS) break;
        TScanItem item;
        item.Kind = TScanItemKind::skRegValue;
        item.Root = root_;
        item.Key = path_;
        item.Value.assign(value.data(), len);
        std::string childText = text + "\\" + item.Value;
        regTree_->AddChildObject(node, childText, NewItem(std::move(item)))->SetStateIndex(csChecked);
    }
}

void TLeftoverScan::ScanFolder(const std::string& folder, TTreeNode* parent) {
    const std::string dir = IncludeTrailingBackslash(folder);
    TSearchRec rec;
    for (int r = FindFirst(dir + "*.*", faAnyFile, rec); r == 0 && !stopped_; r = FindNext(rec)) {
        if (rec.Name == "." || rec.Name == "..") continue;
        TScanItem item;
        item.Path = dir + rec.Name;
        const bool isDir = (rec.Attr & faDirectory) != 0;
        // A link's target belongs to someone else: it is listed, never entered.
        const bool isLink = isDir && (rec.FindData.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (!isDir || isLink) {
            if (!Step([&](std::string& place) { place = item.Path; })) break;
        }
        item.Kind = isLink ? TScanItemKind::skLink : isDir ? TScanItemKind::skFolder : TScanItemKind::skFile;
        std::string text = item.Path;
        TTreeNode* node = fileTree_->AddChildObject(parent, text, NewItem(std::move(item)));
        node->SetStateIndex(csChecked);
        if (isDir && !isLink) ScanFolder(text, node);
    }
    FindClose(rec);
}

// ---- Deleting ------------------------------------------------------------------------------------

namespace {

bool FullyChecked(const TTreeNode* node) {
    if (node->StateIndex() != csChecked) return false;
    for (int i = 0; i < node->Count(); ++i)
        if (!FullyChecked(node->Item(i))) return false;
    return true;
}

bool HasLinkBelow(const TTreeNode* node) {
    for (int i = 0; i < node->Count(); ++i) {
        const TScanItem* item = ScanItemOf(node->Item(i));
        if ((item && item->Kind == TScanItemKind::skLink) || HasLinkBelow(node->Item(i))) return true;
    }
    return false;
}

bool IsGoneError(LONG error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Whether the key, value or file of item is still there. Anything but "not found" counts as
// there, so a key we may not open is not taken for deleted.
bool StillThere(const TScanItem& item) {
    switch (item.Kind) {
    case TScanItemKind::skRegKey:
    case TScanItemKind::skRegValue: {
        TKeyHandle key;
        LONG r = RegOpenKeyExA(item.Root, item.Key.c_str(), 0, KEY_QUERY_VALUE, key.Put());
        if (r != ERROR_SUCCESS) return !IsGoneError(r);
        if (item.Kind == TScanItemKind::skRegKey) return true;
        return !IsGoneError(RegQueryValueExA(key.Get(), item.Value.c_str(), nullptr, nullptr, nullptr, nullptr));
    }
    default:
        if (GetFileAttributesA(item.Path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        return !IsGoneError(static_cast<LONG>(GetLastError()));
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

// Whether an item that stays (unchecked or partly checked) lies in key or below it.
bool KeepsSomethingIn(const std::vector<const TScanItem*>& kept, const TScanItem& key) {
    const std::string below = key.Key + "\\";
    for (const TScanItem* k : kept) {
        if (k->Root != key.Root) continue;
        if (SameText(k->Key, key.Key) || (k->Key.size() > below.size() && SameText(k->Key.substr(0, below.size()), below)))
            return true;
    }
    return false;
}

void DeleteRegistryKey(const TScanItem& key) {
    size_t slash = key.Key.rfind('\\');
    if (slash == std::string::npos) return;
    TRegistry reg;
    reg.SetRootKey(key.Root);
    if (reg.OpenKey(key.Key.substr(0, slash), false)) reg.DeleteKey(key.Key.substr(slash + 1));
}

void DeleteRegistryValue(const TScanItem& value) {
    TRegistry reg;
    reg.SetRootKey(value.Root);
    if (reg.OpenKey(value.Key, false)) reg.DeleteValue(value.Value);
}

// A read-only file goes as well, as it does when the shell deletes its folder.
void DeleteOneFile(const std::string& path) {
    if (DeleteFileA(path.c_str())) return;
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        DeleteFileA(path.c_str());
}

void DeleteFileNode(TTreeNode* node) {
    const TScanItem* item = ScanItemOf(node);
    if (!item || node->StateIndex() == csUnchecked) return;
    if (item->Kind == TScanItemKind::skFile) {
        if (node->StateIndex() == csChecked) DeleteOneFile(item->Path);
        return;
    }
    if (item->Kind == TScanItemKind::skLink) {
        // The link itself, never what it leads to.
        if (node->StateIndex() == csChecked && !RemoveDirectoryA(item->Path.c_str())) DeleteOneFile(item->Path);
        return;
    }
    // The shell would follow a link inside the folder: such a folder goes entry by entry.
    if (FullyChecked(node) && !HasLinkBelow(node)) {
        DeleteFolderTree(item->Path);
        return;
    }
    for (int i = node->Count() - 1; i >= 0; --i) DeleteFileNode(node->Item(i));
    if (FullyChecked(node)) RemoveDirectoryA(item->Path.c_str());
}

} // namespace

bool DeleteFolderTree(const std::string& path) {
    std::string from = path;
    if (!from.empty() && from.back() == '\\') from.pop_back();
    // Only a full path below a root: "C:" would name the drive's current folder, and a
    // relative path the program's.
    const bool belowDrive = from.size() > 3 && from[1] == ':' && from[2] == '\\';
    const bool network = from.size() > 2 && from[0] == '\\' && from[1] == '\\';
    if (!belowDrive && !network) return false;
    from.push_back('\0');   // the list ends with an empty entry
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    // No progress, no questions, not to the recycle bin, and no error box of the shell's:
    // what could not be deleted is counted and reported by the caller.
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    return SHFileOperationA(&op) == 0 && !op.fAnyOperationsAborted;
}

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
