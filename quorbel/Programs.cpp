#include "Programs.h"
#include <algorithm>
#include <cwctype>
#include <exception>
#include <process.h>
#include <unordered_set>

namespace quorbel {

namespace {

struct KeyOwner {
    HKEY h = nullptr;
    ~KeyOwner() { if (h) RegCloseKey(h); }
};

std::wstring SubKeyPath(const wchar_t* parent, const std::wstring& name) {
    return std::wstring(parent) + L"\\" + name;
}

// Registry strings need not be terminated and may have an odd byte count.
std::wstring DecodeString(const BYTE* data, size_t size) {
    std::wstring s(size / sizeof(wchar_t), L'\0');
    if (!s.empty()) memcpy(s.data(), data, s.size() * sizeof(wchar_t));
    size_t end = s.find(L'\0');
    if (end != std::wstring::npos) s.resize(end);
    return s;
}

std::wstring DecodeMultiString(const std::vector<BYTE>& data) {
    std::wstring all(data.size() / sizeof(wchar_t), L'\0');
    if (!all.empty()) memcpy(all.data(), data.data(), all.size() * sizeof(wchar_t));
    std::wstring out;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find(L'\0', pos);
        if (end == std::wstring::npos) end = all.size();
        if (end == pos) break;  // the empty string ends the list
        if (!out.empty()) out += L", ";
        out.append(all, pos, end - pos);
        pos = end + 1;
    }
    return out;
}

std::wstring HexBytes(const BYTE* p, size_t n) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring s;
    s.reserve(n * 3);
    for (size_t i = 0; i < n; ++i) {
        if (i) s += L' ';
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

// Reads single values of one key after another through one buffer. A value of a type that
// can't be read as the field asked for counts as absent: one badly typed optional value
// must not cost the entry, let alone the list.
class TValueReader {
public:
    // The view of the key read, whose variables an expansion uses.
    RegistryView View = OwnView();

    // REG_SZ as stored, REG_EXPAND_SZ expanded.
    bool Text(HKEY key, const wchar_t* name, std::wstring& out) {
        out.clear();
        DWORD type = REG_NONE, size = 0;
        if (!Query(key, name, type, size) || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
        out = DecodeString(buffer_.data(), size);
        if (type == REG_EXPAND_SZ) out = ExpandText(WithViewVariables(out, View));
        return true;
    }
    bool Dword(HKEY key, const wchar_t* name, DWORD& out) {
        DWORD type = REG_NONE, size = 0;
        if (!Query(key, name, type, size) || type != REG_DWORD || size != sizeof out) return false;
        memcpy(&out, buffer_.data(), sizeof out);
        return true;
    }

private:
    bool Query(HKEY key, const wchar_t* name, DWORD& type, DWORD& size) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            size = static_cast<DWORD>(buffer_.size());
            LONG rc = RegQueryValueExW(key, name, nullptr, &type, buffer_.data(), &size);
            if (rc == ERROR_SUCCESS) {
                size = std::min<DWORD>(size, static_cast<DWORD>(buffer_.size()));
                return true;
            }
            if (rc != ERROR_MORE_DATA || size > kMaxValueBytes || size <= buffer_.size()) return false;
            buffer_.resize(size);
        }
        return false;
    }
    std::vector<BYTE> buffer_ = std::vector<BYTE>(4096);
};

std::vector<RawValue> ReadValues(HKEY key) {
    std::vector<RawValue> out;
    std::vector<wchar_t> name(16384);  // the longest value name the registry allows, and its end
    std::vector<BYTE> data(4096);
    for (DWORD i = 0; out.size() < kMaxValueCount;) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        DWORD dataLen = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG rc = RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
        if (rc == ERROR_MORE_DATA) {
            if (dataLen > data.size() && dataLen <= kMaxValueBytes) {
                data.resize(dataLen);  // grown (or the value changed meanwhile): read it again
                continue;
            }
            // Too large to keep: listed by name and type only.
            nameLen = static_cast<DWORD>(name.size());
            rc = RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, nullptr, nullptr);
            dataLen = 0;
        }
        if (rc != ERROR_SUCCESS) break;
        RawValue v;
        v.name.assign(name.data(), std::min<size_t>(nameLen, name.size()));
        v.type = type;
        v.data.assign(data.begin(), data.begin() + std::min<size_t>(dataLen, data.size()));
        out.push_back(std::move(v));
        ++i;
    }
    return out;
}

ProgramUsage ReadUsage(const std::wstring& registryName, RegistryView view) {
    ProgramUsage usage;
    KeyOwner key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SubKeyPath(kArpCacheKey, registryName).c_str(), 0,
                      KEY_QUERY_VALUE | ViewAccess(view), &key.h) != ERROR_SUCCESS)
        return usage;
    BYTE buf[1024];
    DWORD size = sizeof buf, type = 0;
    if (RegQueryValueExW(key.h, L"SlowInfoCache", nullptr, &type, buf, &size) != ERROR_SUCCESS || type != REG_BINARY)
        return usage;
    FILETIME last{};
    ULONG count = 0;
    if (ParseSlowInfoCache(buf, size, count, last)) {
        usage.count = count;
        usage.lastUsed = FormatFileTime(last);
    }
    return usage;
}

bool LooksLikeKbNumber(const std::wstring& name) {
    // "KB123456", "KB123456-v2", "{GUID}.KB123456" and the old "Q123456" hotfixes.
    std::wstring s = Lower(name);
    for (size_t pos = 0; pos < s.size(); ++pos) {
        size_t digits = 0;
        if (s.compare(pos, 2, L"kb") == 0) digits = pos + 2;
        else if (pos == 0 && s[0] == L'q') digits = 1;
        else continue;
        if (pos > 0 && std::iswalnum(s[pos - 1])) continue;
        size_t n = 0;
        while (digits + n < s.size() && std::iswdigit(s[digits + n])) ++n;
        if (n >= 5) return true;
    }
    return false;
}

bool IsUpdateReleaseType(const std::wstring& releaseType) {
    static const wchar_t* const kinds[] = {L"update", L"hotfix", L"security update", L"service pack",
                                           L"update rollup", L"critical update", L"feature pack"};
    std::wstring t = Lower(Trim(releaseType));
    return std::any_of(std::begin(kinds), std::end(kinds), [&](const wchar_t* k) { return t == k; });
}

std::wstring Folded(std::wstring s) {
    if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

FILETIME LastWriteTime(HKEY key) {
    FILETIME t{};
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &t);
    return t;
}

// The sub-key names, each once. Enumeration goes by index, so keys deleted and created
// meanwhile shift the others: enumerate again while the key changes under us (a few
// times), and drop a name seen before whatever happened.
std::vector<std::wstring> SubKeyNames(HKEY root) {
    std::vector<std::wstring> names;
    std::vector<wchar_t> name(256);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const FILETIME before = LastWriteTime(root);
        names.clear();
        for (DWORD i = 0;;) {
            DWORD len = static_cast<DWORD>(name.size());
            LONG rc = RegEnumKeyExW(root, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_MORE_DATA && name.size() < 32768) {
                name.resize(name.size() * 2);
                continue;
            }
            if (rc != ERROR_SUCCESS) break;
            names.emplace_back(name.data(), std::min<size_t>(len, name.size()));
            ++i;
        }
        const FILETIME after = LastWriteTime(root);
        if (CompareFileTime(&before, &after) == 0) break;
    }
    std::unordered_set<std::wstring> seen;
    std::vector<std::wstring> unique;
    unique.reserve(names.size());
    for (auto& n : names)
        if (seen.insert(Folded(n)).second) unique.push_back(std::move(n));
    return unique;
}

// The values that the list fill shows or needs to decide whether and how an entry is
// listed. With listedOnly, false as soon as the entry turns out not to be listed: a name
// or command stored as a number cannot be shown or run, and system components are hidden.
bool ReadFillFields(HKEY key, TValueReader& reader, ProgramEntry& e, bool listedOnly) {
    reader.View = e.view;
    const bool named = reader.Text(key, L"DisplayName", e.displayName) && !Trim(e.displayName).empty();
    if (listedOnly && !named) return false;
    const bool removable = reader.Text(key, L"UninstallString", e.uninstallString) && !Trim(e.uninstallString).empty();
    if (listedOnly && !removable) return false;
    DWORD system = 0;
    if (listedOnly && reader.Dword(key, L"SystemComponent", system) && system == 1) return false;
    reader.Text(key, L"Publisher", e.publisher);
    reader.Text(key, L"InstallLocation", e.installLocation);
    std::wstring displayIcon, parent, releaseType;
    reader.Text(key, L"DisplayIcon", displayIcon);
    // A variable left in the key is expanded when the icon is looked up, in the entry's view.
    e.iconKey = IconKey(displayIcon, e.uninstallString, e.view);
    // An update hangs below the program it updates, and says so or carries a KB number.
    if (reader.Text(key, L"ParentKeyName", parent) && !Trim(parent).empty())
        e.isPatch = (reader.Text(key, L"ReleaseType", releaseType) && IsUpdateReleaseType(releaseType)) ||
                    LooksLikeKbNumber(e.registryName);
    return true;
}

// The listed entries of the sub-keys named, in the names' order. A long list is read by a
// few threads at once, each taking every n-th name: the calls of one thread wait on the
// registry (under Wine each is a round trip to its server), and those of several overlap,
// which brings a thousand entries in a fraction of the time.
class TEntryScan {
public:
    TEntryScan(HKEY root, RegistryView view, std::vector<std::wstring>& names)
        : root_(root), view_(view), names_(names), slots_(names.size()) {}

    ProgramSnapshot Run() {
        const size_t readers = std::clamp<size_t>(names_.size() / kKeysPerReader, 1, kMaxReaders);
        std::vector<TShare> shares(readers);
        std::vector<HANDLE> threads;
        for (size_t r = 0; r < readers; ++r) {
            shares[r] = {this, r, readers, nullptr};
            if (r == 0) continue;
            auto thread = _beginthreadex(nullptr, 0, &TEntryScan::ThreadMain, &shares[r], 0, nullptr);
            // A thread that can't be had leaves its share to this one.
            if (thread) threads.push_back(reinterpret_cast<HANDLE>(thread));
            else shares[r].Step = 0;
        }
        ReadShare(shares[0]);
        for (auto& share : shares)
            if (share.Step == 0) {
                share.Step = readers;
                ReadShare(share);
            }
        for (HANDLE thread : threads) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        for (auto& share : shares)
            if (share.Failure) std::rethrow_exception(share.Failure);
        ProgramSnapshot list;
        for (auto& slot : slots_)
            if (slot) list.push_back(std::move(slot));
        return list;
    }

private:
    static constexpr size_t kKeysPerReader = 128;
    static constexpr size_t kMaxReaders = 4;

    struct TShare {
        TEntryScan* Scan;
        size_t First, Step;
        std::exception_ptr Failure;
    };

    static unsigned __stdcall ThreadMain(void* p) {
        auto& share = *static_cast<TShare*>(p);
        share.Scan->ReadShare(share);
        return 0;
    }

    // Nothing escapes a thread: a failure is handed to Run, which raises it.
    void ReadShare(TShare& share) noexcept {
        try {
            TValueReader reader;
            for (size_t i = share.First; i < names_.size(); i += share.Step) {
                KeyOwner key;
                if (RegOpenKeyExW(root_, names_[i].c_str(), 0, KEY_QUERY_VALUE | ViewAccess(view_), &key.h) !=
                    ERROR_SUCCESS)
                    continue;
                auto entry = std::make_shared<ProgramEntry>();
                entry->registryName = std::move(names_[i]);
                entry->view = view_;
                if (ReadFillFields(key.h, reader, *entry, true)) slots_[i] = std::move(entry);
            }
        } catch (...) {
            share.Failure = std::current_exception();
        }
    }

    HKEY root_;
    RegistryView view_;
    std::vector<std::wstring>& names_;
    std::vector<std::shared_ptr<const ProgramEntry>> slots_;
};

std::wstring AnsiTrip(const std::wstring& s) {
    if (s.empty() || s.size() > 0x7FFFFFF) return s;
    const int wide = static_cast<int>(s.size());
    int n = WideCharToMultiByte(CP_ACP, 0, s.data(), wide, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return s;
    std::string ansi(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, s.data(), wide, ansi.data(), n, nullptr, nullptr);
    int m = MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, nullptr, 0);
    if (m <= 0) return s;
    std::wstring back(static_cast<size_t>(m), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), n, back.data(), m);
    return back;
}

} // namespace

bool RunsUnderWow64() { return sizeof(void*) == 4 && Is64BitWindows(); }

bool Is64BitWindows() {
    if constexpr (sizeof(void*) == 8) return true;
    // A 32-bit process is on 64-bit Windows exactly when it runs under WOW64. The call is
    // looked up: the first 32-bit systems don't have it.
    static const bool wow64 = [] {
        using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        auto fn = kernel ? reinterpret_cast<IsWow64ProcessFn>(
                               reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
                         : nullptr;
        BOOL under = FALSE;
        return fn && fn(GetCurrentProcess(), &under) && under;
    }();
    return wow64;
}

RegistryView OwnView() { return sizeof(void*) == 8 ? RegistryView::Bits64 : RegistryView::Bits32; }

std::vector<RegistryView> ListedViews() {
    if (!Is64BitWindows()) return {RegistryView::Bits32};
    return {RegistryView::Bits64, RegistryView::Bits32};
}

REGSAM ViewAccess(RegistryView view) {
    if (!Is64BitWindows()) return 0;
    return view == RegistryView::Bits64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

bool ViewFromNumber(LONG number, RegistryView& view) {
    if (number != 32 && number != 64) return false;
    view = static_cast<RegistryView>(number);
    return true;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

bool SameNameOrAnsiTrip(const std::wstring& a, const std::wstring& b) {
    return SameName(a, b) || SameName(a, AnsiTrip(b));
}

std::wstring Trim(const std::wstring& s) {
    size_t b = s.find_first_not_of(L" \t");
    if (b == std::wstring::npos) return std::wstring();
    size_t e = s.find_last_not_of(L" \t");
    return s.substr(b, e - b + 1);
}

std::wstring ExpandText(const std::wstring& s) {
    // The system expands at most 32K characters; past that it answers with the text cut
    // short and padded with NULs, which is no use to anyone.
    constexpr DWORD kSystemLimit = 32767;
    if (s.find(L'%') == std::wstring::npos) return s;
    DWORD need = ExpandEnvironmentStringsW(s.c_str(), nullptr, 0);
    if (need == 0 || need > kSystemLimit) return s;
    std::wstring out(need, L'\0');
    DWORD got = ExpandEnvironmentStringsW(s.c_str(), out.data(), need);
    if (got == 0 || got > need) return s;
    out.resize(got - 1);
    return out.find(L'\0') == std::wstring::npos ? out : s;
}

std::wstring With64BitFolderVariables(const std::wstring& text) {
    static const std::pair<std::wstring, std::wstring> kRenamed[] = {{L"%PROGRAMFILES%", L"%ProgramW6432%"},
                                                                     {L"%COMMONPROGRAMFILES%", L"%CommonProgramW6432%"}};
    if (text.find(L'%') == std::wstring::npos) return text;
    const std::wstring folded = Folded(text);
    std::wstring out;
    size_t pos = 0;
    while (pos < text.size()) {
        const auto* renamed = std::find_if(std::begin(kRenamed), std::end(kRenamed), [&](const auto& r) {
            return folded.compare(pos, r.first.size(), r.first) == 0;
        });
        if (renamed == std::end(kRenamed)) {
            out += text[pos++];
            continue;
        }
        out += renamed->second;
        pos += renamed->first.size();
    }
    return out;
}

bool IsRedirectedView(RegistryView view) {
    return view == RegistryView::Bits64 && RunsUnderWow64();
}

std::wstring WithViewVariables(const std::wstring& text, RegistryView view) {
    return IsRedirectedView(view) ? With64BitFolderVariables(text) : text;
}

std::wstring SystemNamedFolder(UINT (WINAPI *get)(LPWSTR, UINT)) {
    wchar_t buf[MAX_PATH];
    UINT n = get(buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    std::wstring folder(buf, n);
    if (folder.back() != L'\\') folder += L'\\';
    return folder;
}

std::wstring NativeSystemFolder() {
    if (!RunsUnderWow64()) return SystemNamedFolder(GetSystemDirectoryW);
    const std::wstring windows = SystemNamedFolder(GetSystemWindowsDirectoryW);
    return windows.empty() ? std::wstring() : windows + L"Sysnative\\";
}

namespace {

// path with its leading folder from (which has a trailing backslash, and is also matched
// without it) named to instead; any other path as it is, and all of them when either folder
// can't be told.
std::wstring Rebased(const std::wstring& path, const std::wstring& from, const std::wstring& to) {
    if (from.empty() || to.empty()) return path;
    if (SameName(path, from.substr(0, from.size() - 1))) return to;
    if (path.size() < from.size() || !SameName(path.substr(0, from.size()), from)) return path;
    return to + path.substr(from.size());
}

} // namespace

std::wstring NativeSystemPath(const std::wstring& path) {
    if (!RunsUnderWow64()) return path;
    // The system folder as this process is told it names SysWOW64 here.
    return Rebased(path, SystemNamedFolder(GetSystemDirectoryW), NativeSystemFolder());
}

std::wstring ShownSystemPath(const std::wstring& path) {
    if (!RunsUnderWow64()) return path;
    return Rebased(path, NativeSystemFolder(), SystemNamedFolder(GetSystemDirectoryW));
}

namespace {

template <class Fn>
Fn Kernel32Function(const char* name) {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

} // namespace

TRealSystemFolder::TRealSystemFolder(bool wanted) {
    if (!wanted || !RunsUnderWow64()) return;
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    static const auto disable = Kernel32Function<DisableFn>("Wow64DisableWow64FsRedirection");
    off_ = disable && disable(&old_);
}

TRealSystemFolder::~TRealSystemFolder() {
    if (!off_) return;
    using RevertFn = BOOL(WINAPI*)(PVOID);
    static const auto revert = Kernel32Function<RevertFn>("Wow64RevertWow64FsRedirection");
    if (revert) revert(old_);
}

// --- ProgramEntry ----------------------------------------------------------------------------

const std::vector<RawValue>& ProgramEntry::Values() const {
    if (!values_) {
        std::vector<RawValue> values;
        KeyOwner key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SubKeyPath(kUninstallKey, registryName).c_str(), 0,
                          KEY_QUERY_VALUE | ViewAccess(view), &key.h) == ERROR_SUCCESS)
            values = ReadValues(key.h);
        values_ = std::make_unique<const std::vector<RawValue>>(std::move(values));
    }
    return *values_;
}

const ProgramUsage& ProgramEntry::Usage() const {
    if (!usage_) usage_ = std::make_unique<const ProgramUsage>(ReadUsage(registryName, view));
    return *usage_;
}

std::wstring ProgramEntry::DetailText(const wchar_t* name) const {
    const std::wstring wanted(name);
    for (const auto& v : Values()) {
        if (!SameName(v.name, wanted)) continue;
        if (v.type == REG_SZ) return DecodeString(v.data.data(), v.data.size());
        if (v.type == REG_EXPAND_SZ)
            return ExpandText(WithViewVariables(DecodeString(v.data.data(), v.data.size()), view));
        return std::wstring();
    }
    return std::wstring();
}

float ProgramEntry::SizeInBytes() const {
    for (const auto& v : Values()) {
        if (!SameName(v.name, L"EstimatedSize")) continue;
        // Installers write kilobytes; a few write a QWORD, which is just as clear.
        if (v.type == REG_DWORD && v.data.size() == 4) {
            DWORD kb;
            memcpy(&kb, v.data.data(), 4);
            return static_cast<float>(kb) * 1024.0f;
        }
        if (v.type == REG_QWORD && v.data.size() == 8) {
            ULONGLONG kb;
            memcpy(&kb, v.data.data(), 8);
            return static_cast<float>(kb) * 1024.0f;
        }
        return 0.0f;
    }
    return 0.0f;
}

// --- Listing -------------------------------------------------------------------------------

ProgramSnapshot ScanPrograms() {
    ProgramSnapshot all;
    for (RegistryView view : ListedViews()) {
        KeyOwner root;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | ViewAccess(view), &root.h) != ERROR_SUCCESS)
            continue;
        std::vector<std::wstring> names = SubKeyNames(root.h);
        ProgramSnapshot listed = TEntryScan(root.h, view, names).Run();
        all.insert(all.end(), std::make_move_iterator(listed.begin()), std::make_move_iterator(listed.end()));
    }
    return all;
}

std::shared_ptr<const ProgramEntry> ReadWholeEntry(const std::wstring& registryName, RegistryView view) {
    KeyOwner key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SubKeyPath(kUninstallKey, registryName).c_str(), 0,
                      KEY_QUERY_VALUE | ViewAccess(view), &key.h) != ERROR_SUCCESS)
        return nullptr;
    auto entry = std::make_shared<ProgramEntry>();
    entry->registryName = registryName;
    entry->view = view;
    TValueReader reader;
    ReadFillFields(key.h, reader, *entry, false);
    entry->Values();
    entry->Usage();
    return entry;
}

std::wstring ValueAsText(const RawValue& v) {
    const auto& d = v.data;
    switch (v.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_LINK:
        return DecodeString(d.data(), d.size());
    case REG_MULTI_SZ:
        return DecodeMultiString(d);
    case REG_DWORD:
        if (d.size() == 4) {
            DWORD x;
            memcpy(&x, d.data(), 4);
            return std::to_wstring(x);
        }
        break;
    case REG_DWORD_BIG_ENDIAN:
        if (d.size() == 4) return std::to_wstring((DWORD(d[0]) << 24) | (DWORD(d[1]) << 16) | (DWORD(d[2]) << 8) | d[3]);
        break;
    case REG_QWORD:
        if (d.size() == 8) {
            ULONGLONG x;
            memcpy(&x, d.data(), 8);
            return std::to_wstring(x);
        }
        break;
    default:
        break;
    }
    // Binary data, unknown types and numbers of the wrong length: the bytes themselves.
    return HexBytes(d.data(), d.size());
}

bool ParseSlowInfoCache(const BYTE* data, size_t size, ULONG& usageCount, FILETIME& lastUsed) {
    // DWORD cbSize, DWORD HasName, INT64 InstallSize, FILETIME LastUsed, INT Frequency, WCHAR Name[262]
    constexpr size_t kHeader = 28;
    if (!data || size < kHeader) return false;
    DWORD cbSize;
    memcpy(&cbSize, data, 4);
    if (cbSize < kHeader || cbSize > size) return false;
    memcpy(&lastUsed, data + 16, sizeof lastUsed);
    LONG frequency;
    memcpy(&frequency, data + 24, 4);
    usageCount = frequency > 0 ? static_cast<ULONG>(frequency) : 0;
    return true;
}

std::wstring FormatFileTime(const FILETIME& ft) {
    // 10000-01-01 00:00 UTC: beyond it no date has four digits, and the local-time
    // conversion of values near the top of the range wraps around.
    constexpr ULONGLONG kYear10000 = 3067671ULL * 864000000000ULL;
    const ULONGLONG t = (ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    if (t == 0 || t >= kYear10000) return std::wstring();
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToSystemTime(&local, &st) || st.wYear < 1601 ||
        st.wYear > 9999)
        return std::wstring();
    wchar_t buf[32];
    swprintf(buf, 32, L"%04u-%02u-%02u %02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
    return buf;
}

// --- Comments ------------------------------------------------------------------------------

namespace {

// One key per view below the comments key; its values are named by registry name. The
// comments key's own values are the ones stored before entries had views.
std::wstring CommentsKeyOf(RegistryView view) {
    return SubKeyPath(kCommentsKey, view == RegistryView::Bits64 ? L"64-bit" : L"32-bit");
}

bool ReadCommentValue(const std::wstring& keyPath, const std::wstring& registryName, std::wstring& out) {
    KeyOwner key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key.h) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.h, registryName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size > kMaxValueBytes)
        return false;
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(key.h, registryName.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    out = DecodeString(data.data(), std::min<size_t>(size, data.size()));
    return true;
}

// Removing what isn't there succeeds, and makes no key.
LONG RemoveCommentValue(const std::wstring& keyPath, const std::wstring& registryName) {
    KeyOwner key;
    LONG rc = RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_SET_VALUE, &key.h);
    if (rc == ERROR_SUCCESS) rc = RegDeleteValueW(key.h, registryName.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

LONG WriteCommentValue(const std::wstring& keyPath, const std::wstring& registryName, const std::wstring& comment) {
    const size_t bytes = (comment.size() + 1) * sizeof(wchar_t);
    if (bytes > 0x7FFFFFFF) return ERROR_INVALID_PARAMETER;
    KeyOwner key;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key.h,
                              nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExW(key.h, registryName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(comment.c_str()),
                          static_cast<DWORD>(bytes));
}

} // namespace

LONG StoreComment(const std::wstring& registryName, RegistryView view, const std::wstring& comment) {
    const std::wstring keyPath = CommentsKeyOf(view);
    LONG rc = comment.empty() ? RemoveCommentValue(keyPath, registryName)
                              : WriteCommentValue(keyPath, registryName, comment);
    // The older comment of the same entry would come back as soon as this one is removed.
    if (rc == ERROR_SUCCESS && view == OwnView()) rc = RemoveCommentValue(kCommentsKey, registryName);
    return rc;
}

std::wstring LoadComment(const std::wstring& registryName, RegistryView view) {
    std::wstring comment;
    if (ReadCommentValue(CommentsKeyOf(view), registryName, comment)) return comment;
    if (view == OwnView() && ReadCommentValue(kCommentsKey, registryName, comment)) return comment;
    return std::wstring();
}

} // namespace quorbel
