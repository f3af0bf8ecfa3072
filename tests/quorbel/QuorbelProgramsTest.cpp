#include "QuorbelTestSupport.h"
#include "framework/Guards.h"
#include <map>
#include <regex>

namespace qtest {

namespace {

const std::wstring kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::wstring kArpCache = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\";
const std::wstring kComments = L"Software\\Velmora\\Quorbel\\Comments";
const std::wstring kPrefix = L"VelmoraQTest_";

std::wstring Text(HRESULT (STDMETHODCALLTYPE IProgramItem::*get)(BSTR*), IProgramItem* item) {
    BStr s;
    HRESULT hr = (item->*get)(s.Put());
    EXPECT_EQ(hr, S_OK);
    EXPECT_NE(s.Get(), nullptr) << "a successful text result is never a null BSTR";
    return s.Str();
}

// Removes our keys below the Uninstall and usage keys of every registry view: when a test
// begins (what a run that crashed left) and when it ends, however it ends.
class TOurEntries {
public:
    TOurEntries() { RemoveAll(); }
    ~TOurEntries() { RemoveAll(); }
    TOurEntries(const TOurEntries&) = delete;
    TOurEntries& operator=(const TOurEntries&) = delete;

private:
    static void RemoveAll() {
        for (LONG view : RegistryViews())
            for (const std::wstring& root : {kUninstall, kArpCache}) RemoveOurs(root, view);
    }
    static void RemoveOurs(const std::wstring& root, LONG view) {
        TKeyHandle key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root.c_str(), 0, KEY_ALL_ACCESS | ViewFlag(view), key.Put()) !=
            ERROR_SUCCESS)
            return;
        std::vector<std::wstring> ours;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD len = 256;
            if (RegEnumKeyExW(key.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (std::wstring(name, len).rfind(kPrefix, 0) == 0) ours.emplace_back(name, len);
        }
        for (const auto& n : ours) RegDeleteTreeW(key.Get(), n.c_str());
    }
};

// Uninstall entries in the prefix's HKLM, one per case the listing must tell apart, planted
// in this process's own view unless a test names another.
class QuorbelPrograms : public testing::Test {
protected:
    void SetUp() override {
        Entry(L"Full", kOwnView, [](HKEY k) {
            SetText(k, L"DisplayName", L"Velmora Test Full");
            SetText(k, L"UninstallString", L"\"C:\\Program Files\\Velmora Test\\unins000.exe\" /x");
            SetText(k, L"Publisher", L"Velmora Testers");
            SetText(k, L"InstallLocation", L"%SystemRoot%\\VelmoraTest", REG_EXPAND_SZ);
            SetText(k, L"DisplayVersion", L"1.2.3");
            SetText(k, L"HelpLink", L"http://help.example/");
            SetText(k, L"URLInfoAbout", L"http://about.example/");
            SetText(k, L"URLUpdateInfo", L"http://update.example/");
            SetText(k, L"InstallDate", L"20261208");
            SetText(k, L"DisplayIcon", L"C:\\windows\\system32\\notepad.exe,0");
            SetDword(k, L"EstimatedSize", 2048);
            const BYTE bytes[] = {0x01, 0x02, 0xab};
            SetBytes(k, L"Blob", REG_BINARY, bytes, sizeof bytes);
            const wchar_t multi[] = L"first\0second\0";
            SetBytes(k, L"Several", REG_MULTI_SZ, multi, sizeof multi);
            ULONGLONG big = 1234567890123ULL;
            SetBytes(k, L"Big", REG_QWORD, &big, sizeof big);
        });
        Entry(L"Hidden", kOwnView, [](HKEY k) {
            SetText(k, L"DisplayName", L"Velmora Test Hidden");
            SetText(k, L"UninstallString", L"hidden.exe");
            SetDword(k, L"SystemComponent", 1);
        });
        Entry(L"NoName", kOwnView, [](HKEY k) { SetText(k, L"UninstallString", L"noname.exe"); });
        Entry(L"NoUninstall", kOwnView, [](HKEY k) { SetText(k, L"DisplayName", L"Velmora Test NoUninstall"); });
        Entry(L"NumberName", kOwnView, [](HKEY k) {
            SetDword(k, L"DisplayName", 7);
            SetText(k, L"UninstallString", L"number.exe");
        });
        Entry(L"Update", kOwnView, [](HKEY k) {
            SetText(k, L"DisplayName", L"Security Update for Velmora Test Full");
            SetText(k, L"UninstallString", L"update.exe /remove");
            SetText(k, L"ParentKeyName", kPrefix + L"Full");
            SetText(k, L"ReleaseType", L"Security Update");
        });
        Entry(L"KB123456", kOwnView, [](HKEY k) {
            SetText(k, L"DisplayName", L"Hotfix for Windows (KB123456)");
            SetText(k, L"UninstallString", L"kb.exe");
            SetText(k, L"ParentKeyName", L"OperatingSystem");
        });
        Entry(L"Plugin", kOwnView, [](HKEY k) {
            SetText(k, L"DisplayName", L"Velmora Test Plugin");
            SetText(k, L"UninstallString", L"plugin.exe");
            SetText(k, L"ParentKeyName", kPrefix + L"Full");
            SetText(k, L"ReleaseType", L"Plugin");
        });
        Entry(L"Junk", kOwnView, [](HKEY k) {
            SetText(k, L"DisplayName", L"Velmora Test Junk");
            SetText(k, L"UninstallString", L"junk.exe");
            SetDword(k, L"Publisher", 99);
            SetText(k, L"EstimatedSize", L"lots");
            SetText(k, L"Comments", std::wstring(100000, L'x'));
            std::vector<BYTE> junk(5000);
            for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<BYTE>(i * 37);
            SetBytes(k, L"Junk", REG_BINARY, junk.data(), junk.size());
            const BYTE shortDword[] = {1, 2};
            SetBytes(k, L"ShortDword", REG_DWORD, shortDword, sizeof shortDword);
            const BYTE oddString[] = {'a', 0, 'b'};  // no terminator, odd length
            SetBytes(k, L"OddString", REG_SZ, oddString, sizeof oddString);
        });

        // The usage record the system's Add/Remove Programs cache keeps for "Full".
        Entry(L"Full", kOwnView, [](HKEY k) {
            BYTE slow[0x228] = {};
            DWORD cb = sizeof slow;
            SYSTEMTIME when{2025, 6, 0, 15, 12, 0, 0, 0};
            FILETIME lastUsed;
            SystemTimeToFileTime(&when, &lastUsed);
            LONG frequency = 12;
            memcpy(slow, &cb, 4);
            memcpy(slow + 16, &lastUsed, 8);
            memcpy(slow + 24, &frequency, 4);
            SetBytes(k, L"SlowInfoCache", REG_BINARY, slow, sizeof slow);
        }, kArpCache);

        list_ = NewList();
        ASSERT_TRUE(list_);
        ASSERT_EQ(list_->RefreshPrograms(), S_OK);
    }

    void TearDown() override { list_.Reset(); }

    // Creates our entry name in view (32 or 64, as the component numbers views) below under.
    template <class Fill>
    void Entry(const wchar_t* name, LONG view, Fill fill, const std::wstring& under = kUninstall) {
        TKeyHandle key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (under + kPrefix + name).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS | ViewFlag(view), nullptr, key.Put(), nullptr), ERROR_SUCCESS);
        fill(key.Get());
    }

    // Our uninstall key name in view, opened for access.
    static LONG OpenEntry(const wchar_t* name, LONG view, REGSAM access, TKeyHandle& key) {
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kUninstall + kPrefix + name).c_str(), 0, access | ViewFlag(view),
                             key.Put());
    }

    LONG IndexOf(const std::wstring& shortName) {
        BStr name(kPrefix + shortName);
        LONG index = -2;
        EXPECT_EQ(list_->ProgramIndexOf(name.Get(), kOwnView, &index), S_OK);
        return index;
    }

    ComPtr<IProgramItem> Item(const std::wstring& shortName) {
        ComPtr<IProgramItem> item;
        LONG index = IndexOf(shortName);
        EXPECT_GE(index, 0) << FromWide(shortName) << " is not listed";
        if (index >= 0) {
            EXPECT_EQ(list_->Item(index, item.Put()), S_OK);
        }
        return item;
    }

    std::map<std::wstring, std::wstring> Values(IProgramItem* item) {
        std::map<std::wstring, std::wstring> values;
        ULONG count = 0;
        EXPECT_EQ(item->RegistryValueCount(&count), S_OK);
        for (ULONG i = 0; i < count; ++i) {
            BStr name, data;
            EXPECT_EQ(item->RegistryValueName(static_cast<LONG>(i), name.Put()), S_OK);
            EXPECT_EQ(item->RegistryValueData(static_cast<LONG>(i), data.Put()), S_OK);
            values[name.Str()] = data.Str();
        }
        return values;
    }

    TOurEntries entries_;
    ComPtr<IProgramList> list_;
};

} // namespace

TEST_F(QuorbelPrograms, ListsEntriesWithNameAndUninstallerButNoSystemComponents) {
    for (const wchar_t* listed : {L"Full", L"Update", L"KB123456", L"Plugin", L"Junk"}) EXPECT_GE(IndexOf(listed), 0) << FromWide(listed);
    for (const wchar_t* left : {L"Hidden", L"NoName", L"NoUninstall", L"NumberName"}) EXPECT_EQ(IndexOf(left), -1) << FromWide(left);

    ULONG count = 0;
    ASSERT_EQ(list_->ProgramCount(&count), S_OK);
    LONG full = IndexOf(L"Full");
    ASSERT_LT(static_cast<ULONG>(full), count);
    ComPtr<IProgramItem> item;
    ASSERT_EQ(list_->Item(full, item.Put()), S_OK);
    EXPECT_EQ(Text(&IProgramItem::RegistryName, item.Get()), kPrefix + L"Full");

    LONG patch = -1;
    for (const wchar_t* name : {L"Update", L"KB123456", L"Plugin", L"Full"}) {
        ASSERT_EQ(Item(name)->IsSystemPatch(&patch), S_OK);
        bool expected = std::wstring(name) == L"Update" || std::wstring(name) == L"KB123456";
        EXPECT_EQ(patch, expected ? 1 : 0) << FromWide(name);
    }
}

TEST_F(QuorbelPrograms, ReadersAnswerWithoutLoadDetails) {
    auto item = Item(L"Full");
    ASSERT_TRUE(item);
    IProgramItem* p = item.Get();
    EXPECT_EQ(Text(&IProgramItem::DisplayName, p), L"Velmora Test Full");
    EXPECT_EQ(Text(&IProgramItem::DisplayName, p), L"Velmora Test Full") << "answers are stable";
    EXPECT_EQ(Text(&IProgramItem::UninstallString, p), L"\"C:\\Program Files\\Velmora Test\\unins000.exe\" /x");
    EXPECT_EQ(Text(&IProgramItem::Publisher, p), L"Velmora Testers");
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(Text(&IProgramItem::InstallLocation, p), std::wstring(windows) + L"\\VelmoraTest");
    EXPECT_EQ(Text(&IProgramItem::Version, p), L"1.2.3");
    EXPECT_EQ(Text(&IProgramItem::HelpLink, p), L"http://help.example/");
    EXPECT_EQ(Text(&IProgramItem::AboutLink, p), L"http://about.example/");
    EXPECT_EQ(Text(&IProgramItem::UpdateLink, p), L"http://update.example/");
    EXPECT_EQ(Text(&IProgramItem::InstallDate, p), L"20261208");
    FLOAT size = 0;
    ASSERT_EQ(p->Size(&size), S_OK);
    EXPECT_FLOAT_EQ(size, 2048.0f * 1024.0f);
    LONG icon = -2;
    ASSERT_EQ(p->IconIndex(&icon), S_OK);
    EXPECT_GE(icon, 0) << "DisplayIcon names an existing file";

    ULONG usage = 0;
    ASSERT_EQ(p->UsageCount(&usage), S_OK);
    EXPECT_EQ(usage, 12u);
    std::wstring lastUsed = Text(&IProgramItem::LastUsed, p);
    EXPECT_TRUE(std::regex_match(lastUsed, std::wregex(L"2025-06-1[456] \\d\\d:\\d\\d"))) << FromWide(lastUsed);

    auto values = Values(p);
    EXPECT_EQ(values[L"DisplayName"], L"Velmora Test Full");
    EXPECT_EQ(values[L"InstallLocation"], L"%SystemRoot%\\VelmoraTest") << "the listing shows what is stored";
    EXPECT_EQ(values[L"EstimatedSize"], L"2048");
    EXPECT_EQ(values[L"Blob"], L"01 02 ab");
    EXPECT_EQ(values[L"Several"], L"first, second");
    EXPECT_EQ(values[L"Big"], L"1234567890123");
    EXPECT_EQ(values.size(), 14u);

    // No usage record, no size: zero and empty rather than a failure.
    auto plain = Item(L"Plugin");
    ASSERT_TRUE(plain);
    ASSERT_EQ(plain->UsageCount(&usage), S_OK);
    EXPECT_EQ(usage, 0u);
    EXPECT_EQ(Text(&IProgramItem::LastUsed, plain.Get()), L"");
    EXPECT_EQ(Text(&IProgramItem::Publisher, plain.Get()), L"");
    ASSERT_EQ(plain->Size(&size), S_OK);
    EXPECT_EQ(size, 0.0f);
}

TEST_F(QuorbelPrograms, BadIndexesFailWithErrorTextAndBadValuesReadAsAbsent) {
    auto junk = Item(L"Junk");
    ASSERT_TRUE(junk);
    ComPtr<ISupportErrorInfo> sei;
    ASSERT_EQ(junk.As(IID_ISupportErrorInfo, sei), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IProgramItem), S_OK);

    // A publisher stored as a number and a size stored as text are no publisher and no
    // size: the list fill must go on past them.
    BStr text(L"stale");
    EXPECT_EQ(junk->Publisher(text.Put()), S_OK);
    ASSERT_NE(text.Get(), nullptr);
    EXPECT_EQ(text.Str(), L"");
    FLOAT size = -1;
    EXPECT_EQ(junk->Size(&size), S_OK);
    EXPECT_EQ(size, 0.0f);
    EXPECT_EQ(Text(&IProgramItem::DisplayName, junk.Get()), L"Velmora Test Junk") << "other readers still work";

    auto values = Values(junk.Get());
    EXPECT_EQ(values[L"Comments"].size(), 100000u);
    EXPECT_EQ(values[L"Junk"].size(), 5000u * 3 - 1);
    EXPECT_EQ(values[L"ShortDword"], L"01 02");
    EXPECT_EQ(values[L"OddString"], L"a");
    EXPECT_EQ(values[L"Publisher"], L"99");

    ULONG valueCount = 0;
    ASSERT_EQ(junk->RegistryValueCount(&valueCount), S_OK);
    for (LONG bad : {-1L, static_cast<LONG>(valueCount)}) {
        EXPECT_EQ(junk->RegistryValueName(bad, text.Put()), DISP_E_BADINDEX);
        EXPECT_EQ(text.Get(), nullptr);
        EXPECT_NE(TakeErrorText(), L"");
        EXPECT_EQ(junk->RegistryValueData(bad, text.Put()), DISP_E_BADINDEX);
        EXPECT_NE(TakeErrorText(), L"");
    }

    ULONG count = 0;
    ASSERT_EQ(list_->ProgramCount(&count), S_OK);
    for (LONG bad : {-1L, static_cast<LONG>(count), LONG(0x7FFFFFFF)}) {
        ComPtr<IProgramItem> none;
        EXPECT_EQ(list_->Item(bad, none.Put()), DISP_E_BADINDEX);
        EXPECT_FALSE(none);
        EXPECT_NE(TakeErrorText().find(L"out of range"), std::wstring::npos);
    }
    ULONG savers = 0;
    ASSERT_EQ(list_->ScreenSaverCount(&savers), S_OK);
    EXPECT_EQ(list_->ScreenSaverFileName(static_cast<LONG>(savers), text.Put()), DISP_E_BADINDEX);
    LONG icon = 0;
    EXPECT_EQ(list_->ScreenSaverIconIndex(-1, &icon), DISP_E_BADINDEX);

    EXPECT_EQ(list_->ProgramCount(nullptr), E_POINTER);
    EXPECT_EQ(list_->Item(0, nullptr), E_POINTER);
    EXPECT_EQ(junk->DisplayName(nullptr), E_POINTER);
    EXPECT_EQ(junk->Size(nullptr), E_POINTER);
    EXPECT_EQ(list_->Reserved19(), E_NOTIMPL);
    LONG view = 0;
    EXPECT_EQ(list_->ProgramView(-1, &view), DISP_E_BADINDEX);
    EXPECT_EQ(list_->ProgramIndexOf(BStr(L"x").Get(), 48, &view), E_INVALIDARG);
}

TEST_F(QuorbelPrograms, ItemKeepsItsSnapshotUntilLoadDetails) {
    auto item = Item(L"Full");
    ASSERT_TRUE(item);
    // Details are read when first asked for; from then on the entry answers the same.
    EXPECT_EQ(Text(&IProgramItem::Version, item.Get()), L"1.2.3");
    {
        TKeyHandle key;
        ASSERT_EQ(OpenEntry(L"Full", kOwnView, KEY_SET_VALUE, key), ERROR_SUCCESS);
        SetText(key.Get(), L"DisplayVersion", L"2.0");
    }
    EXPECT_EQ(Text(&IProgramItem::Version, item.Get()), L"1.2.3");
    ASSERT_EQ(list_->RefreshPrograms(), S_OK);
    EXPECT_EQ(Text(&IProgramItem::Version, item.Get()), L"1.2.3") << "a refresh does not change entries already handed out";

    BStr other(kPrefix + L"Junk");
    EXPECT_EQ(item->LoadDetails(other.Get()), E_INVALIDARG);
    EXPECT_NE(TakeErrorText(), L"");
    BStr own(kPrefix + L"Full");
    ASSERT_EQ(item->LoadDetails(own.Get()), S_OK);
    EXPECT_EQ(Text(&IProgramItem::Version, item.Get()), L"2.0");

    // An entry uninstalled meanwhile still answers from what was listed.
    {
        TKeyHandle uninstall;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall.c_str(), 0, KEY_ALL_ACCESS | ViewFlag(kOwnView),
                                uninstall.Put()), ERROR_SUCCESS);
        ASSERT_EQ(RegDeleteTreeW(uninstall.Get(), (kPrefix + L"Full").c_str()), ERROR_SUCCESS);
    }
    ASSERT_EQ(item->LoadDetails(own.Get()), S_OK);
    EXPECT_EQ(Text(&IProgramItem::DisplayName, item.Get()), L"Velmora Test Full");
    ASSERT_EQ(list_->RefreshPrograms(), S_OK);
    EXPECT_EQ(IndexOf(L"Full"), -1);
}

TEST_F(QuorbelPrograms, CommentsPersistForANewInstance) {
    const std::wstring ownKey = kComments + (kOwnView == 64 ? L"\\64-bit" : L"\\32-bit");
    RegDeleteKeyValueW(HKEY_CURRENT_USER, ownKey.c_str(), (kPrefix + L"Full").c_str());
    // Characters of no 8-bit code page: the comment is kept as the user wrote it.
    const std::wstring text = L"Keep this one: \u4fdd\u7559 \u30b9\u30ad\u30e3\u30ca\u30fc \uc2a4\uce90\ub108";
    {
        auto item = Item(L"Full");
        ASSERT_TRUE(item);
        BStr comment(text);
        ASSERT_EQ(item->SetComment(comment.Get()), S_OK);
    }
    list_.Reset();
    auto fresh = NewList();
    ASSERT_TRUE(fresh);
    BStr name(kPrefix + L"Full"), stored;
    ASSERT_EQ(fresh->GetComment(name.Get(), kOwnView, stored.Put()), S_OK);
    EXPECT_EQ(stored.Str(), text);
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, ownKey, (kPrefix + L"Full").c_str()), text);

    ComPtr<IProgramItem> item;
    LONG index = -1;
    ASSERT_EQ(fresh->ProgramIndexOf(name.Get(), kOwnView, &index), S_OK);
    ASSERT_EQ(fresh->Item(index, item.Put()), S_OK);
    BStr empty(L"");
    ASSERT_EQ(item->SetComment(empty.Get()), S_OK);
    ASSERT_EQ(fresh->GetComment(name.Get(), kOwnView, stored.Put()), S_OK);
    EXPECT_EQ(stored.Str(), L"");
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, ownKey, (kPrefix + L"Full").c_str()), L"<none>");
}

TEST_F(QuorbelPrograms, CommentStoredByNameBeforeViewsStaysWithTheOwnViewsEntry) {
    const std::wstring registryName = kPrefix + L"Full";
    TKeyHandle comments;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kComments.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              comments.Put(), nullptr), ERROR_SUCCESS);
    SetText(comments.Get(), registryName.c_str(), L"written by an earlier version");
    BStr name(registryName), stored;
    ASSERT_EQ(list_->GetComment(name.Get(), kOwnView, stored.Put()), S_OK);
    EXPECT_EQ(stored.Str(), L"written by an earlier version");
    ASSERT_EQ(list_->GetComment(name.Get(), 96 - kOwnView, stored.Put()), S_OK);
    EXPECT_EQ(stored.Str(), L"") << "the other view's entry of the name is another program";

    // Replaced by a new comment, and gone for good once that is cleared.
    auto item = Item(L"Full");
    ASSERT_TRUE(item);
    ASSERT_EQ(item->SetComment(BStr(L"new").Get()), S_OK);
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kComments, registryName.c_str()), L"<none>");
    ASSERT_EQ(item->SetComment(BStr(L"").Get()), S_OK);
    ASSERT_EQ(list_->GetComment(name.Get(), kOwnView, stored.Put()), S_OK);
    EXPECT_EQ(stored.Str(), L"");
}

// ---- The two registry views of 64-bit Windows -----------------------------------------------

class QuorbelViews : public QuorbelPrograms {
protected:
    void SetUp() override {
        if (!Is64BitWindows()) GTEST_SKIP() << "one registry view on 32-bit Windows";
        QuorbelPrograms::SetUp();
        for (const LONG view : {64, 32}) {
            const std::wstring bits = std::to_wstring(view);
            Entry(L"Both", view, [&](HKEY k) {
                SetText(k, L"DisplayName", L"Velmora Both " + bits);
                SetText(k, L"UninstallString", L"C:\\Both" + bits + L"\\unins.exe");
                SetText(k, L"Publisher", L"Publisher " + bits);
                SetText(k, L"DisplayVersion", bits + L".0");
                SetText(k, L"Marker", bits);
            });
            Entry(L"Both", view, [&](HKEY k) {
                ULONG count = bits == L"64" ? 20 : 1;
                BYTE slow[0x228] = {};
                DWORD cb = sizeof slow;
                memcpy(slow, &cb, 4);
                memcpy(slow + 24, &count, 4);
                SetBytes(k, L"SlowInfoCache", REG_BINARY, slow, sizeof slow);
            }, kArpCache);
        }
        Entry(L"Only32", 32, [](HKEY k) {
            SetText(k, L"DisplayName", L"Velmora Only 32");
            SetText(k, L"UninstallString", L"only32.exe");
        });
        ASSERT_EQ(list_->RefreshPrograms(), S_OK);
    }

    LONG IndexIn(const std::wstring& shortName, LONG view) {
        LONG index = -2;
        EXPECT_EQ(list_->ProgramIndexOf(BStr(kPrefix + shortName).Get(), view, &index), S_OK);
        return index;
    }

    // A file that only the real system folder holds (a copy of shell32.dll), named by an
    // entry of each view as installers name it: the system folder's name, the file's, and
    // iconSuffix. The icon index each entry gives, 64-bit entry first; with path, where the
    // file lies as this process reaches it, and the shell's index of icon number shellIcon
    // in it, both taken while the file is there.
    struct TViewIcons {
        LONG SixtyFour = -2, ThirtyTwo = -2, Shell = -2;
    };
    TViewIcons IconsOfASystemFile(const std::wstring& shortName, const std::wstring& iconSuffix, int shellIcon) {
        TViewIcons icons;
        const std::wstring name = L"VelmoraQTest" + shortName + L".dll", real = RealSystemFolder() + name;
        wchar_t shell32[MAX_PATH];
        EXPECT_TRUE(SearchPathW(RealSystemFolder().c_str(), L"shell32.dll", nullptr, MAX_PATH, shell32, nullptr));
        TScopeExit remove([&] { DeleteFileW(real.c_str()); });
        if (!CopyFileW(shell32, real.c_str(), FALSE)) {
            ADD_FAILURE() << "could not plant " << FromWide(real);
            return icons;
        }
        for (const LONG view : {64, 32}) {
            Entry(shortName.c_str(), view, [&](HKEY k) {
                SetText(k, L"DisplayName", L"Velmora " + shortName);
                SetText(k, L"UninstallString", L"icon.exe");
                SetText(k, L"DisplayIcon", FolderOf(GetSystemDirectoryW) + name + iconSuffix);
            });
        }
        EXPECT_EQ(list_->RefreshPrograms(), S_OK);
        icons.Shell = ShellIconIndex(real.c_str(), shellIcon);
        for (const LONG view : {64, 32}) {
            ComPtr<IProgramItem> item;
            LONG index = -2;
            EXPECT_EQ(list_->Item(IndexIn(shortName, view), item.Put()), S_OK);
            if (item) {
                EXPECT_EQ(item->IconIndex(&index), S_OK);
            }
            (view == 64 ? icons.SixtyFour : icons.ThirtyTwo) = index;
        }
        return icons;
    }
};

TEST_F(QuorbelViews, ANameInBothViewsIsListedTwiceEachReadingItsOwnEntry) {
    const LONG wide = IndexIn(L"Both", 64), narrow = IndexIn(L"Both", 32);
    ASSERT_GE(wide, 0);
    ASSERT_GE(narrow, 0);
    ASSERT_NE(wide, narrow);
    EXPECT_LT(wide, narrow) << "the system's own view first";
    for (const auto& [index, bits] : {std::pair<LONG, std::wstring>{wide, L"64"}, {narrow, L"32"}}) {
        SCOPED_TRACE(FromWide(bits));
        LONG view = 0;
        ASSERT_EQ(list_->ProgramView(index, &view), S_OK);
        EXPECT_EQ(std::to_wstring(view), bits);
        ComPtr<IProgramItem> item;
        ASSERT_EQ(list_->Item(index, item.Put()), S_OK);
        EXPECT_EQ(Text(&IProgramItem::RegistryName, item.Get()), kPrefix + L"Both");
        EXPECT_EQ(Text(&IProgramItem::DisplayName, item.Get()), L"Velmora Both " + bits);
        EXPECT_EQ(Text(&IProgramItem::UninstallString, item.Get()), L"C:\\Both" + bits + L"\\unins.exe");
        EXPECT_EQ(Text(&IProgramItem::Publisher, item.Get()), L"Publisher " + bits);
        ULONG usage = 0;
        ASSERT_EQ(item->UsageCount(&usage), S_OK);
        EXPECT_EQ(usage, bits == L"64" ? 20u : 1u);
        ASSERT_EQ(item->LoadDetails(BStr(kPrefix + L"Both").Get()), S_OK);
        EXPECT_EQ(Text(&IProgramItem::Version, item.Get()), bits + L".0");
        EXPECT_EQ(Values(item.Get())[L"Marker"], bits);
    }
}

TEST_F(QuorbelViews, AnEntryOfOneViewIsNotFoundInTheOther) {
    const LONG narrow = IndexIn(L"Only32", 32);
    ASSERT_GE(narrow, 0);
    EXPECT_EQ(IndexIn(L"Only32", 64), -1);
    LONG view = 0;
    ASSERT_EQ(list_->ProgramView(narrow, &view), S_OK);
    EXPECT_EQ(view, 32);
}

TEST_F(QuorbelViews, CommentsOfOneNameAreKeptPerView) {
    const LONG narrow = IndexIn(L"Both", 32);
    ASSERT_GE(narrow, 0);
    ComPtr<IProgramItem> item;
    ASSERT_EQ(list_->Item(narrow, item.Put()), S_OK);
    ASSERT_EQ(item->SetComment(BStr(L"the 32-bit one").Get()), S_OK);
    BStr name(kPrefix + L"Both"), stored;
    ASSERT_EQ(list_->GetComment(name.Get(), 32, stored.Put()), S_OK);
    EXPECT_EQ(stored.Str(), L"the 32-bit one");
    ASSERT_EQ(list_->GetComment(name.Get(), 64, stored.Put()), S_OK);
    EXPECT_EQ(stored.Str(), L"");
    ASSERT_EQ(item->SetComment(BStr(L"").Get()), S_OK);
}

TEST_F(QuorbelViews, AnIconFileOfTheSystemFolderIsTheOneOfTheEntrysView) {
    // Named as a 64-bit installer names it; the same text in a 32-bit entry names the 32-bit
    // system folder, which lacks it.
    const TViewIcons icons = IconsOfASystemFile(L"Icons", L",3", 3);
    ASSERT_GE(icons.Shell, 0);
    EXPECT_EQ(icons.SixtyFour, icons.Shell);
    if (IsWow64()) {
        EXPECT_NE(icons.ThirtyTwo, icons.Shell) << "the 32-bit entry's file is another, which is missing";
    }
}

// Without a number the icon is the file's own, which the shell gives for the real system
// folder's file only when that folder is what it sees under the usual name.
TEST_F(QuorbelViews, AFileOfTheRealSystemFolderWithoutANumberHasItsOwnIcon) {
    const TViewIcons icons = IconsOfASystemFile(L"Plain", L"", 0);
    EXPECT_GE(icons.SixtyFour, 0) << "the 64-bit entry's file is there";
    if (IsWow64()) {
        EXPECT_EQ(icons.ThirtyTwo, -1) << "the 32-bit entry's file is another, which is missing";
    }
}

// A long list is read by several threads: each listed entry must still carry its own key's
// values, and the list must keep the registry's order whatever thread read an entry.
TEST_F(QuorbelPrograms, ALongListKeepsTheRegistryOrderAndEachEntrysOwnValues) {
    for (int i = 0; i < 700; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"Many_%04d", i);
        Entry(name, kOwnView, [i](HKEY k) {
            SetText(k, L"DisplayName", L"Velmora Many " + std::to_wstring(i));
            if (i % 3 != 0) SetText(k, L"UninstallString", L"many.exe " + std::to_wstring(i));
            SetText(k, L"Publisher", L"Publisher " + std::to_wstring(i));
        });
    }
    ASSERT_EQ(list_->RefreshPrograms(), S_OK);

    std::vector<std::wstring> expected;
    {
        TKeyHandle root;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall.c_str(), 0, KEY_READ | ViewFlag(kOwnView), root.Put()),
                  ERROR_SUCCESS);
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD len = 256;
            if (RegEnumKeyExW(root.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            std::wstring n(name, len);
            if (n.rfind(kPrefix + L"Many_", 0) == 0 && std::stoi(n.substr(n.size() - 4)) % 3 != 0) expected.push_back(n);
        }
    }
    ASSERT_EQ(expected.size(), 466u);

    ULONG count = 0;
    ASSERT_EQ(list_->ProgramCount(&count), S_OK);
    std::vector<std::wstring> listed;
    for (ULONG i = 0; i < count; ++i) {
        ComPtr<IProgramItem> item;
        ASSERT_EQ(list_->Item(static_cast<LONG>(i), item.Put()), S_OK);
        std::wstring key = Text(&IProgramItem::RegistryName, item.Get());
        if (key.rfind(kPrefix + L"Many_", 0) != 0) continue;
        const std::wstring number = std::to_wstring(std::stoi(key.substr(key.size() - 4)));
        EXPECT_EQ(Text(&IProgramItem::DisplayName, item.Get()), L"Velmora Many " + number);
        EXPECT_EQ(Text(&IProgramItem::Publisher, item.Get()), L"Publisher " + number);
        listed.push_back(key);
    }
    EXPECT_EQ(listed, expected);
}

} // namespace qtest
