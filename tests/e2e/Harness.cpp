#include "e2e/Harness.h"
#include "common/Screenshot.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace e2e {

namespace {

// Short enough to see a window that shows for a fraction of a second, long enough not to
// starve the program of the processor it shares with us under Wine.
constexpr DWORD kPollMs = 15;

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string WithBackslash(std::string s) {
    if (!s.empty() && s.back() != '\\') s += '\\';
    return s;
}

// The long form: the program derives its paths from GetModuleFileName, which gives the
// name as it was started, and an 8.3 temp folder would make every path comparison fail.
std::string LongPath(const std::string& path) {
    char buf[MAX_PATH * 2] = {};
    DWORD n = GetLongPathNameA(path.c_str(), buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : path;
}

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

void MakeFolders(const std::string& dir) {
    // CreateDirectoryA creates one level; walk down from the root.
    for (size_t i = 3; i <= dir.size(); ++i) {
        if (i < dir.size() && dir[i] != '\\') continue;
        std::string part = dir.substr(0, i);
        if (GetFileAttributesA(part.c_str()) == INVALID_FILE_ATTRIBUTES && !CreateDirectoryA(part.c_str(), nullptr))
            Fail("cannot create folder " + part);
    }
}

bool RemoveTree(const std::string& dir) {
    bool ok = true;
    WIN32_FIND_DATAA fd{};
    TFindHandle find(FindFirstFileA((WithBackslash(dir) + "*").c_str(), &fd));
    if (find) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = WithBackslash(dir) + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                ok = RemoveTree(path) && ok;
            else
                ok = DeleteFileA(path.c_str()) && ok;
        } while (FindNextFileA(find.Get(), &fd));
    }
    return RemoveDirectoryA(dir.c_str()) && ok;
}

void CopyInto(const std::string& from, const std::string& to) {
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) Fail("cannot copy " + from + " to " + to);
}

std::string TextOf(HWND wnd) {
    // WM_GETTEXT reaches the control itself, across processes too; a hung program must
    // not hang the test, hence the timeout.
    char buf[4096] = {};
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000,
                            &copied))
        return std::string(buf, std::min<size_t>(copied, sizeof buf - 1));
    int n = GetWindowTextA(wnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

BOOL CALLBACK CollectChild(HWND wnd, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(wnd);
    return TRUE;
}

struct TProcessWindows {
    DWORD Pid;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectProcessWindow(HWND wnd, LPARAM param) {
    auto* s = reinterpret_cast<TProcessWindows*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid == s->Pid && IsWindowVisible(wnd)) s->Found.push_back(wnd);
    return TRUE;
}

std::string ExcludeTrailing(const std::string& dir) {
    return !dir.empty() && dir.back() == '\\' ? dir.substr(0, dir.size() - 1) : dir;
}

std::string Trim(const std::string& s) {
    auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

}  // namespace

std::string ClassOf(HWND wnd) {
    char buf[256] = {};
    int n = GetClassNameA(wnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> out;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&out));
    return out;
}

std::string BuildBinDir() {
    char exe[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    return LongPath(FolderOf(exe));
}

std::string SystemErrorText(DWORD code) {
    char* buf = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<LPSTR>(&buf), 0, nullptr);
    std::string text = n && buf ? std::string(buf, n) : std::string();
    if (buf) LocalFree(buf);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
    return text;
}

// ---- TSandbox ----------------------------------------------------------------------------

TSandbox::TSandbox(TQuorbel quorbel) {
    Create();
    if (quorbel == TQuorbel::Built) AddQuorbel(BuildBinDir() + "Quorbel.dll");
}

TSandbox::TSandbox(const std::string& standInDll) {
    Create();
    AddQuorbel(standInDll);
}

void TSandbox::AddQuorbel(const std::string& from) {
    // The destructor does not run for a constructor that throws.
    try {
        CopyInto(from, Path("Quorbel.dll"));
    } catch (...) {
        RemoveTree(ExcludeTrailing(dir_));
        throw;
    }
}

void TSandbox::Create() {
    static std::atomic<int> counter{0};
    char temp[MAX_PATH] = {};
    if (!GetTempPathA(sizeof temp, temp)) Fail("no temp folder");
    std::string base = WithBackslash(LongPath(temp)) + "velmora-e2e-" + std::to_string(GetCurrentProcessId()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string dir = base + std::to_string(++counter);
        if (CreateDirectoryA(dir.c_str(), nullptr)) {
            dir_ = WithBackslash(LongPath(dir));
            try {
                CopyInto(BuildBinDir() + "Velmora.exe", ExePath());
            } catch (...) {
                RemoveTree(dir);
                throw;
            }
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    Fail("cannot create a sandbox under " + base);
}

TSandbox::~TSandbox() {
    // A program that was just killed may hold its files for a moment longer.
    PollUntil([&] { return RemoveTree(ExcludeTrailing(dir_)) || GetFileAttributesA(dir_.c_str()) == INVALID_FILE_ATTRIBUTES; },
              2000);
}

bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(kPollMs))
        if (done()) return true;
    return done();
}

namespace {

BOOL CALLBACK AnyToPaint(HWND child, LPARAM found) {
    if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) *reinterpret_cast<bool*>(found) = true;
    return !*reinterpret_cast<bool*>(found);
}

} // namespace

bool WaitUntilPainted(HWND window, DWORD timeoutMs) {
    return PollUntil([&] {
        if (!IsWindow(window)) return true;
        bool found = GetUpdateRect(window, nullptr, FALSE) != FALSE;
        if (!found) EnumChildWindows(window, AnyToPaint, reinterpret_cast<LPARAM>(&found));
        return !found;
    }, timeoutMs);
}

void TSandbox::WriteFile(const std::string& relative, const std::string& bytes) const {
    std::string path = Path(relative);
    MakeFolders(FolderOf(path));
    TFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail("cannot create " + path);
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        Fail("cannot write " + path);
}

std::string TSandbox::ReadFile(const std::string& relative) const {
    TFileHandle file(CreateFileA(Path(relative).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    std::string bytes;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(file.Get(), buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
    return bytes;
}

bool TSandbox::FileExists(const std::string& relative) const {
    DWORD a = GetFileAttributesA(Path(relative).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool TSandbox::FolderExists(const std::string& relative) const {
    DWORD a = GetFileAttributesA(Path(relative).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void TSandbox::BlockFile(const std::string& relative) const {
    MakeFolders(WithBackslash(Path(relative)));
}

std::vector<std::string> TSandbox::List(const std::string& relative) const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd{};
    TFindHandle find(FindFirstFileA((WithBackslash(Path(relative)) + "*").c_str(), &fd));
    if (!find) return names;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        names.push_back((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? name + "\\" : name);
    } while (FindNextFileA(find.Get(), &fd));
    std::sort(names.begin(), names.end());
    return names;
}

// ---- windows and message boxes -------------------------------------------------------------

bool TWindowInfo::HasFrame() const {
    return (Style & (WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) != 0 ||
           (ExStyle & (WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) != 0;
}

bool TWindowInfo::IsCentredOnScreen() const {
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    // Twice the centre, so that odd sizes need no rounding: (left + right) vs the screen width.
    return std::abs((Bounds.left + Bounds.right) - cx) <= 4 && std::abs((Bounds.top + Bounds.bottom) - cy) <= 4;
}

std::string TWindowInfo::Describe() const {
    char buf[160];
    snprintf(buf, sizeof buf, " at %ld,%ld %dx%d style %08lx ex %08lx, seen %lu-%lu ms", Bounds.left, Bounds.top,
             Width(), Height(), static_cast<unsigned long>(Style), static_cast<unsigned long>(ExStyle),
             static_cast<unsigned long>(FirstSeenMs), static_cast<unsigned long>(LastSeenMs));
    return ClassName + " \"" + Caption + "\"" + buf;
}

bool TMessageBox::HasButton(int id) const {
    return std::any_of(Buttons.begin(), Buttons.end(), [id](const auto& b) { return b.first == id; });
}

std::string TMessageBox::Describe() const {
    std::string s = "message box \"" + Caption + "\": \"" + Text + "\", buttons:";
    for (const auto& [id, text] : Buttons) {
        s += ' ';
        s += std::to_string(id);
        s += '=';
        s += text;
    }
    return s;
}

// ---- TProgramRun ---------------------------------------------------------------------------

TProgramRun::TProgramRun(const TSandbox& sandbox, const std::string& arguments) {
    std::string commandLine = "\"" + sandbox.ExePath() + "\"";
    if (!arguments.empty()) commandLine += " " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    startTick_ = GetTickCount();
    if (!CreateProcessA(sandbox.ExePath().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        sandbox.Dir().c_str(), &si, &pi))
        Fail("cannot start " + sandbox.ExePath());
    CloseHandle(pi.hThread);
    process_.Reset(pi.hProcess);
    pid_ = pi.dwProcessId;
}

TProgramRun::~TProgramRun() { Kill(); }

DWORD TProgramRun::Elapsed() const { return GetTickCount() - startTick_; }

bool TProgramRun::Running() const {
    return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

DWORD TProgramRun::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_) GetExitCodeProcess(process_.Get(), &code);
    return code;
}

std::vector<TWindowInfo> TProgramRun::Snapshot() const {
    TProcessWindows search{pid_, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    std::vector<TWindowInfo> out;
    DWORD now = Elapsed();
    for (HWND wnd : search.Found) {
        TWindowInfo w;
        w.Handle = wnd;
        if (!GetWindowRect(wnd, &w.Bounds) || w.Width() <= 0 || w.Height() <= 0) continue;
        w.ClassName = ClassOf(wnd);
        char caption[512] = {};
        int n = GetWindowTextA(wnd, caption, sizeof caption);
        w.Caption.assign(caption, n > 0 ? n : 0);
        w.Style = GetWindowLongPtrA(wnd, GWL_STYLE);
        w.ExStyle = GetWindowLongPtrA(wnd, GWL_EXSTYLE);
        w.FirstSeenMs = w.LastSeenMs = now;
        out.push_back(std::move(w));
    }
    return out;
}

std::vector<TWindowInfo> TProgramRun::Poll() {
    std::vector<TWindowInfo> now = Snapshot();
    for (const auto& w : now) {
        auto known = std::find_if(seen_.begin(), seen_.end(), [&](const TWindowInfo& s) { return s.Handle == w.Handle; });
        if (known == seen_.end()) {
            seen_.push_back(w);
        } else {
            // Keep when it first showed, but the latest look: a form may move when shown.
            DWORD first = known->FirstSeenMs;
            *known = w;
            known->FirstSeenMs = first;
        }
    }
    return now;
}

std::vector<TWindowInfo> TProgramRun::Windows() { return Poll(); }

std::optional<TWindowInfo> TProgramRun::WaitForWindow(const std::function<bool(const TWindowInfo&)>& match,
                                                      DWORD timeoutMs) {
    std::optional<TWindowInfo> found;
    bool ended = false;
    PollUntil([&] {
        ended = !Running();
        for (const auto& w : Poll())
            if (match(w)) return found = w, true;
        // One last look after the end: the process may have shown its window and gone.
        return ended;
    }, timeoutMs);
    return found;
}

std::optional<TWindowInfo> TProgramRun::WaitForWindowClass(const std::string& className, DWORD timeoutMs) {
    return WaitForWindow([&](const TWindowInfo& w) { return w.ClassName == className; }, timeoutMs);
}

bool TProgramRun::WaitUntilHidden(HWND window, DWORD timeoutMs) {
    return PollUntil([&] {
        Poll();
        return !IsWindow(window) || !IsWindowVisible(window);
    }, timeoutMs);
}

std::optional<TMessageBox> TProgramRun::WaitForMessageBox(DWORD timeoutMs) {
    auto found = WaitForWindow([](const TWindowInfo& w) { return w.IsMessageBox(); }, timeoutMs);
    if (!found) return std::nullopt;
    TMessageBox box;
    box.Handle = found->Handle;
    box.Caption = found->Caption;
    // The box's text is the static with ID 0xFFFF; should a system number it otherwise,
    // the longest text of a static that is not the icon is the message.
    std::string longest;
    for (HWND child : ChildrenOf(box.Handle)) {
        std::string cls = ClassOf(child);
        int id = static_cast<int>(GetWindowLongPtrA(child, GWLP_ID));
        if (lstrcmpiA(cls.c_str(), "Button") == 0) {
            box.Buttons.emplace_back(id, TextOf(child));
        } else if (lstrcmpiA(cls.c_str(), "Static") == 0) {
            if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
            std::string text = TextOf(child);
            if ((id & 0xFFFF) == 0xFFFF && !text.empty()) box.Text = text;
            if (text.size() > longest.size()) longest = text;
        }
    }
    if (box.Text.empty()) box.Text = longest;
    return box;
}

bool TProgramRun::Answer(const TMessageBox& box, int buttonId) {
    if (!box.HasButton(buttonId)) return false;
    // WM_COMMAND is what the button itself sends its dialog when clicked; unlike BM_CLICK it
    // needs neither focus nor an active window, which a desktop without a window manager
    // does not reliably give.
    HWND button = GetDlgItem(box.Handle, buttonId);
    return PostMessageA(box.Handle, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

bool TProgramRun::Close(HWND window) { return PostMessageA(window, WM_CLOSE, 0, 0); }

bool TProgramRun::WaitForExit(DWORD timeoutMs) {
    if (!process_) return true;
    DWORD start = GetTickCount();
    // Polling rather than a plain wait keeps the record of windows going while it closes.
    for (;;) {
        if (WaitForSingleObject(process_.Get(), kPollMs) == WAIT_OBJECT_0) return true;
        Poll();
        if (GetTickCount() - start > timeoutMs) return false;
    }
}

void TProgramRun::Kill() {
    if (!Running()) return;
    TerminateProcess(process_.Get(), 255);
    WaitForSingleObject(process_.Get(), 5000);
}

std::string TProgramRun::Describe() const {
    std::string s = "Velmora.exe (pid " + std::to_string(pid_) + ") ";
    s += Running() ? "still running" : "ended with exit code " + std::to_string(ExitCode());
    s += " after " + std::to_string(Elapsed()) + " ms; windows seen:";
    if (seen_.empty()) s += " none";
    for (const auto& w : seen_) s += "\n  " + w.Describe();
    return s;
}

std::string SaveScreenshot(HWND window, const std::string& fileName) {
    std::string path = TestOutputDir() + fileName;
    return SaveWindowPng(window, path) ? path : std::string();
}

// ---- INI text ------------------------------------------------------------------------------

std::vector<std::string> TIniSection::Keys() const {
    std::vector<std::string> keys;
    for (const auto& e : Entries) keys.push_back(e.first);
    return keys;
}

std::optional<std::string> TIniSection::Value(const std::string& key) const {
    for (const auto& e : Entries)
        if (e.first == key) return e.second;
    return std::nullopt;
}

std::vector<TIniSection> ParseIni(const std::string& text) {
    std::vector<TIniSection> sections;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            auto close = line.find(']');
            sections.push_back({Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
            continue;
        }
        if (sections.empty()) sections.push_back({});
        auto eq = line.find('=');
        if (eq == std::string::npos)
            sections.back().Entries.emplace_back(line, "");
        else
            sections.back().Entries.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
    return sections;
}

std::optional<TIniSection> FindSection(const std::vector<TIniSection>& ini, const std::string& name) {
    for (const auto& s : ini)
        if (lstrcmpiA(s.Name.c_str(), name.c_str()) == 0) return s;
    return std::nullopt;
}

}  // namespace e2e
