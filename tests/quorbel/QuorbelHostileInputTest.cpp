// What anyone can write (screen saver files, Uninstall values) read through the component.
#include "QuorbelTestSupport.h"
#include "common/HostileInput.h"
#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

namespace qtest {

namespace {

std::wstring ListText(IProgramList* list, HRESULT (STDMETHODCALLTYPE IProgramList::*get)(LONG, BSTR*), LONG index) {
    BStr s;
    EXPECT_EQ((list->*get)(index, s.Put()), S_OK);
    return s.Str();
}

std::wstring ItemText(IProgramItem* item, HRESULT (STDMETHODCALLTYPE IProgramItem::*get)(BSTR*)) {
    BStr s;
    EXPECT_EQ((item->*get)(s.Put()), S_OK);
    EXPECT_NE(s.Get(), nullptr);
    return s.Str();
}

LONG SaverIndex(IProgramList* list, const std::wstring& file) {
    BStr name(file);
    LONG index = -2;
    EXPECT_EQ(list->ScreenSaverIndexOf(name.Get(), &index), S_OK);
    return index;
}

// ---- Screen savers ------------------------------------------------------------------------

class QuorbelMalformedScreenSaver : public testing::TestWithParam<size_t> {};

TEST_P(QuorbelMalformedScreenSaver, IsListedWithWhatItsBytesHold) {
    const hostile::TScreenSaverFile file = hostile::MalformedScreenSavers()[GetParam()];
    hostile::TPlantedFiles planted({file});
    ASSERT_TRUE(planted.Ok());
    auto list = NewList();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->RefreshScreenSavers(), S_OK);
    LONG index = SaverIndex(list.Get(), file.FileName);
    ASSERT_GE(index, 0);
    EXPECT_EQ(ListText(list.Get(), &IProgramList::ScreenSaverDisplayName, index), file.DisplayName);
    EXPECT_EQ(ListText(list.Get(), &IProgramList::ScreenSaverPublisher, index), file.Publisher);
    ULONG size = 0;
    ASSERT_EQ(list->ScreenSaverSize(index, &size), S_OK);
    EXPECT_EQ(size, file.Bytes.size());
    LONG icon = -2;
    EXPECT_EQ(list->ScreenSaverIconIndex(index, &icon), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Faults, QuorbelMalformedScreenSaver, testing::Range<size_t>(0, 4),
                         [](const testing::TestParamInfo<size_t>& info) {
                             std::string name = FromWide(hostile::MalformedScreenSavers()[info.param].FileName);
                             return name.substr(0, name.find('.'));
                         });

FILETIME FileTimeOf(const SYSTEMTIME& utc) {
    FILETIME ft{};
    SystemTimeToFileTime(&utc, &ft);
    return ft;
}

std::wstring LocalText(const FILETIME& utc) {
    FILETIME local;
    SYSTEMTIME st;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &st);
    wchar_t buf[32];
    swprintf(buf, 32, L"%04u-%02u-%02u %02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
    return buf;
}

TEST(QuorbelScreenSaverUse, ListingTwiceReportsTheLastUseFoundBeforeTheFirst) {
    const std::wstring path = hostile::TPlantedFiles::Folder() + L"VelmoraTestUsed.scr";
    ASSERT_TRUE(CopyFileW(DllPath().c_str(), path.c_str(), FALSE));
    const FILETIME used = FileTimeOf({2020, 1, 0, 2, 3, 4, 5, 0});
    FILETIME written{};
    {
        TFileHandle f(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(f);
        ASSERT_TRUE(SetFileTime(f.Get(), nullptr, &used, nullptr));
        ASSERT_TRUE(GetFileTime(f.Get(), nullptr, nullptr, &written));
    }
    for (int listing = 0; listing < 2; ++listing) {
        auto list = NewList();  // a new list each time: no icon kept from the last one
        ASSERT_TRUE(list);
        ASSERT_EQ(list->RefreshScreenSavers(), S_OK);
        LONG index = SaverIndex(list.Get(), L"VelmoraTestUsed.scr");
        ASSERT_GE(index, 0);
        LONG icon = -2;
        ASSERT_EQ(list->ScreenSaverIconIndex(index, &icon), S_OK);
        EXPECT_EQ(ListText(list.Get(), &IProgramList::ScreenSaverLastUsed, index), LocalText(used)) << "listing " << listing;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &written), 0) << "the file's contents time is left alone";
    DeleteFileW(path.c_str());
}

// ---- Uninstall entries ----------------------------------------------------------------------

class QuorbelHostileEntries : public testing::Test {
protected:
    void SetUp() override {
        hostile::SetLongVariable();
        hostile::PlantMalformedEntries(entries_);
        list_ = NewList();
        ASSERT_TRUE(list_);
        ASSERT_EQ(list_->RefreshPrograms(), S_OK);
    }

    ComPtr<IProgramItem> Item(const std::wstring& name) {
        BStr full(entries_.Prefix() + name);
        LONG index = -1;
        EXPECT_EQ(list_->ProgramIndexOf(full.Get(), kOwnView, &index), S_OK);
        ComPtr<IProgramItem> item;
        EXPECT_GE(index, 0) << FromWide(name) << " is not listed";
        if (index >= 0) {
            EXPECT_EQ(list_->Item(index, item.Put()), S_OK);
        }
        return item;
    }

    hostile::TPlantedEntries entries_{L"VelmoraQHostile_", hostile::kOwnView};
    ComPtr<IProgramList> list_;
};

TEST_F(QuorbelHostileEntries, BadlyTypedOptionalValuesReadAsAbsent) {
    using Reader = HRESULT (STDMETHODCALLTYPE IProgramItem::*)(BSTR*);
    const Reader readers[] = {&IProgramItem::Publisher, &IProgramItem::InstallLocation, &IProgramItem::InstallDate,
                              &IProgramItem::Version,   &IProgramItem::HelpLink,        &IProgramItem::AboutLink,
                              &IProgramItem::UpdateLink};
    for (const wchar_t* name : {L"B_Numbers", L"C_OneByte", L"D_ShortDword"}) {
        SCOPED_TRACE(FromWide(name));
        auto item = Item(name);
        ASSERT_TRUE(item);
        for (Reader read : readers) EXPECT_EQ(ItemText(item.Get(), read), L"");
        FLOAT size = -1;
        EXPECT_EQ(item->Size(&size), S_OK);
        EXPECT_EQ(size, 0.0f);
    }
    // The values list still shows what is stored.
    auto numbers = Item(L"B_Numbers");
    ASSERT_TRUE(numbers);
    ULONG count = 0;
    ASSERT_EQ(numbers->RegistryValueCount(&count), S_OK);
    std::set<std::wstring> shown;
    for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
        BStr name, data;
        ASSERT_EQ(numbers->RegistryValueName(i, name.Put()), S_OK);
        ASSERT_EQ(numbers->RegistryValueData(i, data.Put()), S_OK);
        shown.insert(name.Str() + L"=" + data.Str());
    }
    EXPECT_TRUE(shown.count(L"Publisher=20260101"));
    EXPECT_TRUE(shown.count(L"EstimatedSize=lots"));
}

TEST_F(QuorbelHostileEntries, FillReadersAnswerForEveryEntryUpToTheLast) {
    ULONG count = 0;
    ASSERT_EQ(list_->ProgramCount(&count), S_OK);
    std::set<std::wstring> ours;
    for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
        ComPtr<IProgramItem> item;
        ASSERT_EQ(list_->Item(i, item.Put()), S_OK);
        LONG patch = -1, icon = -2;
        ASSERT_EQ(item->IsSystemPatch(&patch), S_OK);
        std::wstring caption = ItemText(item.Get(), &IProgramItem::DisplayName);
        ItemText(item.Get(), &IProgramItem::Publisher);
        ItemText(item.Get(), &IProgramItem::InstallLocation);
        ASSERT_EQ(item->IconIndex(&icon), S_OK);
        if (caption.rfind(L"Velmora Hostile ", 0) == 0) ours.insert(caption.substr(16));
    }
    EXPECT_EQ(ours, (std::set<std::wstring>{L"First", L"Numbers", L"OneByte", L"ShortDword", L"BadDate", L"LongExpand",
                                            L"Wide", L"Last"}));
}

TEST_F(QuorbelHostileEntries, LoadDetailsFindsItsEntryAfterAnAnsiRoundTrip) {
    const std::wstring wide = hostile::WideEntryName(entries_);
    const std::wstring tripped = ToWide(FromWide(wide));
    ASSERT_NE(tripped, wide) << "the name must lie outside the code page";
    BStr full(wide);
    LONG index = -1;
    ASSERT_EQ(list_->ProgramIndexOf(full.Get(), kOwnView, &index), S_OK);
    ComPtr<IProgramItem> item;
    ASSERT_EQ(list_->Item(index, item.Put()), S_OK);
    EXPECT_EQ(ItemText(item.Get(), &IProgramItem::RegistryName), wide);
    {
        TKeyHandle key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (hostile::kUninstallKey + wide).c_str(), 0, KEY_SET_VALUE, key.Put()),
                  ERROR_SUCCESS);
        SetText(key.Get(), L"DisplayVersion", L"2.0");
    }
    BStr asHandedBack(tripped);
    ASSERT_EQ(item->LoadDetails(asHandedBack.Get()), S_OK) << FromWide(TakeErrorText());
    EXPECT_EQ(ItemText(item.Get(), &IProgramItem::Version), L"2.0");

    BStr other(entries_.Prefix() + L"Z_Last");
    EXPECT_EQ(item->LoadDetails(other.Get()), E_INVALIDARG) << "another entry's name is still refused";
}

TEST_F(QuorbelHostileEntries, UsageDateThatIsNoDateIsEmpty) {
    auto item = Item(L"E_BadDate");
    ASSERT_TRUE(item);
    EXPECT_EQ(ItemText(item.Get(), &IProgramItem::LastUsed), L"");
    ULONG usage = 0;
    ASSERT_EQ(item->UsageCount(&usage), S_OK);
    EXPECT_EQ(usage, 5u);
}

TEST_F(QuorbelHostileEntries, ExpansionPastTheSystemLimitComesBackWithoutNuls) {
    auto item = Item(L"F_LongExpand");
    ASSERT_TRUE(item);
    const std::wstring stored = hostile::LongExpandText();
    const std::wstring variable(20000, L'v');
    const std::wstring expanded = L"C:\\" + variable + L"\\" + variable;
    for (auto read : {&IProgramItem::InstallLocation, &IProgramItem::HelpLink}) {
        std::wstring text = ItemText(item.Get(), read);
        EXPECT_EQ(text.find(L'\0'), std::wstring::npos);
        EXPECT_TRUE(text == stored || text == expanded) << text.size() << " characters";
    }
}

TEST_F(QuorbelHostileEntries, DisplayIconNumberPicksThatIconOfTheFile) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring shell32 = std::wstring(system) + L"\\shell32.dll";
    entries_.Add(L"G_IconOwn", [&](HKEY k) {
        hostile::SetText(k, L"DisplayName", L"Velmora Hostile IconOwn");
        hostile::SetText(k, L"UninstallString", L"own.exe");
        hostile::SetText(k, L"DisplayIcon", L"shell32.dll");
    });
    entries_.Add(L"G_IconThird", [&](HKEY k) {
        hostile::SetText(k, L"DisplayName", L"Velmora Hostile IconThird");
        hostile::SetText(k, L"UninstallString", L"third.exe");
        hostile::SetText(k, L"DisplayIcon", L"shell32.dll,3");
    });
    entries_.Add(L"G_IconQuoted", [&](HKEY k) {
        hostile::SetText(k, L"DisplayName", L"Velmora Hostile IconQuoted");
        hostile::SetText(k, L"UninstallString", L"quoted.exe");
        hostile::SetText(k, L"DisplayIcon", L"\"" + shell32 + L"\", 3");
    });
    ASSERT_EQ(list_->RefreshPrograms(), S_OK);
    auto icon = [&](const wchar_t* name) {
        LONG index = -2;
        auto item = Item(name);
        EXPECT_TRUE(item);
        if (item) {
            EXPECT_EQ(item->IconIndex(&index), S_OK);
        }
        return index;
    };
    const LONG third = ShellIconIndex(shell32.c_str(), 3);
    ASSERT_GE(third, 0);
    ASSERT_NE(third, ShellIconIndex(shell32.c_str(), 0));
    EXPECT_EQ(icon(L"G_IconThird"), third);
    EXPECT_EQ(icon(L"G_IconQuoted"), third);
    EXPECT_NE(icon(L"G_IconOwn"), third);
}

TEST_F(QuorbelHostileEntries, KeysDeletedAndCreatedDuringARefreshAreListedOnce) {
    for (int i = 0; i < 300; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"M_%03d", i);
        entries_.Add(name, [&](HKEY k) {
            hostile::SetText(k, L"DisplayName", std::wstring(L"Velmora Hostile Many ") + name);
            hostile::SetText(k, L"UninstallString", L"many.exe");
        });
    }
    // A key sorting before the others comes and goes: by index, every key after it moves.
    std::atomic<bool> stop{false};
    std::thread churn([&] {
        const std::wstring key = std::wstring(hostile::kUninstallKey) + entries_.Prefix() + L"0_Churn";
        while (!stop) {
            HKEY k = nullptr;
            if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | entries_.View(),
                                nullptr, &k, nullptr) ==
                ERROR_SUCCESS) {
                hostile::SetText(k, L"DisplayName", L"Velmora Hostile Churn");
                hostile::SetText(k, L"UninstallString", L"churn.exe");
                RegCloseKey(k);
            }
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), entries_.View(), 0);
        }
    });
    int worst = 0;
    for (int refresh = 0; refresh < 10; ++refresh) {
        ASSERT_EQ(list_->RefreshPrograms(), S_OK);
        ULONG count = 0;
        ASSERT_EQ(list_->ProgramCount(&count), S_OK);
        std::set<std::wstring> names;
        int twice = 0;
        for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
            ComPtr<IProgramItem> item;
            ASSERT_EQ(list_->Item(i, item.Put()), S_OK);
            std::wstring name = ItemText(item.Get(), &IProgramItem::RegistryName);
            CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
            if (!names.insert(name).second) ++twice;
        }
        worst = std::max(worst, twice);
    }
    stop = true;
    churn.join();
    EXPECT_EQ(worst, 0) << "registry names listed twice in one snapshot";
}

} // namespace

} // namespace qtest
