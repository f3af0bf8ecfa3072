#include "app/funUtils.h"
#include "app/globals.h"
#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/Handles.h"

std::string WithTrailingBackslash(const std::string& text) {
    if (!text.empty() && text.back() == '\\') return text;
    return text + "\\";
}

std::unique_ptr<TStringList> SplitToList(const std::string& text, const std::string& separator, bool trim) {
    auto list = std::make_unique<TStringList>();
    std::string rest = text;
    if (!separator.empty()) {
        for (size_t pos; (pos = rest.find(separator)) != std::string::npos;) {
            std::string part = rest.substr(0, pos);
            list->Add(trim ? Trim(part) : part);
            rest = rest.substr(pos + separator.size());
        }
    }
    list->Add(rest);
    return list;
}

bool ParseRectText(const std::string& text, int& left, int& top, int& width, int& height) {
    auto parts = SplitToList(text, ",", true);
    if (parts->Count() < 4) return false;
    int values[4];
    for (int i = 0; i < 4; ++i) values[i] = StrToInt(parts->Get(i));
    left = values[0];
    top = values[1];
    width = values[2];
    height = values[3];
    return true;
}

bool ApplyRectText(TControl* control, const std::string& text) {
    if (!control || text.empty()) return false;
    int left, top, width, height;
    if (!ParseRectText(text, left, top, width, height)) return false;
    control->SetLeft(left);
    control->SetTop(top);
    control->SetWidth(width);
    control->SetHeight(height);
    return true;
}

bool LoadSkinPicture(TPicture* picture, const std::string& fileName) {
    std::string path = SkinsDir + fileName;
    if (!picture || !FileExists(path)) return false;
    picture->LoadFromFile(path);
    return true;
}

std::string EscapeLineBreaks(const std::string& text, bool decode) {
    std::string s = Trim(text);
    if (decode) return StringReplace(s, "#13", "\r\n", rfReplaceAll);
    s = StringReplace(s, "\r\n", "#13", rfReplaceAll);
    s = StringReplace(s, "\n", "#13", rfReplaceAll);
    return StringReplace(s, "\r", "#13", rfReplaceAll);
}

namespace {
ComPtr<IShellLinkA> NewShellLink() {
    ComPtr<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid());
    if (FAILED(hr)) throw EOleSysError(SysErrorMessage(static_cast<DWORD>(hr)), hr);
    return link;
}
} // namespace

std::string ResolveShortcut(const std::string& shortcutPath) {
    ComPtr<IShellLinkA> link = NewShellLink();
    ComPtr<IPersistFile> file;
    HRESULT hr = link.As(IID_IPersistFile, file);
    if (FAILED(hr)) throw EOleSysError(SysErrorMessage(static_cast<DWORD>(hr)), hr);
    std::string result = "unable to resolve link";
    if (SUCCEEDED(file->Load(ToWide(shortcutPath).c_str(), STGM_READ)) &&
        SUCCEEDED(link->Resolve(GetActiveWindow(), SLR_UPDATE | SLR_NO_UI))) {
        char target[MAX_PATH + 1] = {};
        if (SUCCEEDED(link->GetPath(target, MAX_PATH + 1, nullptr, SLGP_UNCPRIORITY))) result = target;
    }
    return result;
}

bool CreateShortcut(const std::string& target, const std::string& shortcutPath) {
    std::string name = ChangeFileExt(shortcutPath.empty() ? ExtractFileName(target) : shortcutPath, ".lnk");
    return CreateShortcutW(ToWide(target), ToWide(name));
}

bool CreateShortcutW(const std::wstring& target, const std::wstring& shortcutPath) {
    ComPtr<IShellLinkW> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid());
    if (FAILED(hr)) throw EOleSysError(SysErrorMessage(static_cast<DWORD>(hr)), hr);
    link->SetPath(target.c_str());
    size_t slash = target.find_last_of(L"\\:");
    link->SetWorkingDirectory(slash == std::wstring::npos ? L"" : target.substr(0, slash + 1).c_str());
    ComPtr<IPersistFile> file;
    if (FAILED(link.As(IID_IPersistFile, file))) return false;
    return SUCCEEDED(file->Save(shortcutPath.c_str(), FALSE));
}

std::string GetSpecialFolder(int csidl) { return FromWide(GetSpecialFolderW(csidl)); }

std::wstring GetSpecialFolderW(int csidl) {
    TPidlHandle pidl;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, pidl.Put())) || !pidl) return {};
    wchar_t path[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListW(pidl.Get(), path)) return {};
    return path;
}

std::string GetWindowsFolder() {
    char buf[256] = {};
    UINT n = GetWindowsDirectoryA(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string GetSystemFolder() {
    char buf[256] = {};
    UINT n = GetSystemDirectoryA(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::wstring SystemNamedFolder(UINT (WINAPI *get)(LPWSTR, UINT)) {
    wchar_t buf[MAX_PATH];
    UINT n = get(buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    std::wstring folder(buf, n);
    if (folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring GetNativeSystemFolder() {
    if (!RunsUnderWow64()) return SystemNamedFolder(GetSystemDirectoryW);
    const std::wstring windows = SystemNamedFolder(GetSystemWindowsDirectoryW);
    return windows.empty() ? std::wstring() : windows + L"Sysnative\\";
}

std::wstring GetWow64SystemFolder() {
    return Is64BitWindows() ? SystemNamedFolder(GetSystemWow64DirectoryW) : std::wstring();
}

std::wstring ShellFolderName(const std::wstring& folder) {
    if (!RunsUnderWow64()) return folder;
    const std::wstring native = GetNativeSystemFolder(), named = SystemNamedFolder(GetSystemDirectoryW);
    if (native.empty() || named.empty()) return folder;
    const std::wstring bare = native.substr(0, native.size() - 1);
    if (WideSameText(folder, bare)) return named.substr(0, named.size() - 1);
    if (!WideStartsText(folder, native)) return folder;
    return named + folder.substr(native.size());
}
