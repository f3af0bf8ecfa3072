#include "QuorbelTestSupport.h"
#include "framework/Guards.h"
#include <regex>

namespace qtest {

namespace {

// The size of the file that path reaches; 0 when it reaches none.
DWORD SizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

// A string table block 1 whose string 1 is text: what a screen saver shows as its name.
bool AddDisplayName(const std::wstring& file, const std::wstring& text) {
    std::vector<WORD> block;
    for (int i = 0; i < 16; ++i) {
        if (i == 1) {
            block.push_back(static_cast<WORD>(text.size()));
            block.insert(block.end(), text.begin(), text.end());
        } else {
            block.push_back(0);
        }
    }
    HANDLE update = BeginUpdateResourceW(file.c_str(), FALSE);
    if (!update) return false;
    BOOL ok = UpdateResourceW(update, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(1),
                              MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), block.data(),
                              static_cast<DWORD>(block.size() * sizeof(WORD)));
    return EndUpdateResourceW(update, !ok) && ok;
}

class QuorbelScreenSavers : public testing::Test {
protected:
    void SetUp() override {
        windows_ = FolderOf(GetWindowsDirectoryW);
        // Where the system's own screen savers are, not the 32-bit folder that a 32-bit
        // process on 64-bit Windows is shown by the same name.
        system_ = RealSystemFolder();
        named_ = windows_ + L"VelmoraTestNamed.scr";
        plain_ = system_ + L"VelmoraTestPlain.scr";
        junk_ = windows_ + L"VelmoraTestJunk.scr";
        other_ = windows_ + L"VelmoraTestNot.scrx";
        // Quorbel.dll carries version information with a company name; the test exe has none.
        ASSERT_TRUE(CopyFileW(DllPath().c_str(), named_.c_str(), FALSE));
        ASSERT_TRUE(AddDisplayName(named_, L"Velmora Test Saver"));
        wchar_t exe[MAX_PATH];
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        ASSERT_TRUE(CopyFileW(exe, plain_.c_str(), FALSE));
        for (const auto& path : {junk_, other_}) {
            TFileHandle f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            ASSERT_TRUE(f);
            DWORD written = 0;
            WriteFile(f.Get(), "MZ not really a program", 23, &written, nullptr);
        }
        list_ = NewList();
        ASSERT_TRUE(list_);
        ASSERT_EQ(list_->RefreshScreenSavers(), S_OK);
    }
    void TearDown() override {
        list_.Reset();
        for (const auto& path : {named_, plain_, junk_, other_}) DeleteFileW(path.c_str());
    }

    LONG IndexOf(const wchar_t* file) {
        BStr name(file);
        LONG index = -2;
        EXPECT_EQ(list_->ScreenSaverIndexOf(name.Get(), &index), S_OK);
        return index;
    }
    std::wstring Text(HRESULT (STDMETHODCALLTYPE IProgramList::*get)(LONG, BSTR*), LONG index) {
        BStr s;
        EXPECT_EQ((list_.Get()->*get)(index, s.Put()), S_OK);
        EXPECT_NE(s.Get(), nullptr);
        return s.Str();
    }

    std::wstring windows_, system_, named_, plain_, junk_, other_;
    ComPtr<IProgramList> list_;
};

} // namespace

TEST_F(QuorbelScreenSavers, ListsTheScrFilesOfBothFoldersOnce) {
    ULONG count = 0;
    ASSERT_EQ(list_->ScreenSaverCount(&count), S_OK);
    int ours = 0;
    for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
        std::wstring name = Text(&IProgramList::ScreenSaverFileName, i);
        if (name.rfind(L"VelmoraTest", 0) == 0) ++ours;
        EXPECT_EQ(Text(&IProgramList::ScreenSaverPath, i), Text(&IProgramList::ScreenSaverDirectory, i) + name);
    }
    EXPECT_EQ(ours, 3) << "three .scr files, each once; .scrx is not a screen saver";
    EXPECT_EQ(IndexOf(L"VelmoraTestNot.scrx"), -1);

    LONG named = IndexOf(L"VelmoraTestNamed.scr");
    ASSERT_GE(named, 0);
    EXPECT_EQ(Text(&IProgramList::ScreenSaverDisplayName, named), L"Velmora Test Saver");
    EXPECT_EQ(Text(&IProgramList::ScreenSaverPublisher, named), L"Velmora");
    EXPECT_EQ(Text(&IProgramList::ScreenSaverDirectory, named), windows_);
    ULONG size = 0;
    ASSERT_EQ(list_->ScreenSaverSize(named, &size), S_OK);
    EXPECT_EQ(size, SizeOf(named_));
    std::wstring lastUsed = Text(&IProgramList::ScreenSaverLastUsed, named);
    EXPECT_TRUE(std::regex_match(lastUsed, std::wregex(L"\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d"))) << FromWide(lastUsed);
    LONG icon = -2;
    ASSERT_EQ(list_->ScreenSaverIconIndex(named, &icon), S_OK);
    EXPECT_GE(icon, 0);

    // Without a string 1 or version information, name and publisher are empty: the program
    // falls back to the file name.
    for (const wchar_t* file : {L"VelmoraTestPlain.scr", L"VelmoraTestJunk.scr"}) {
        LONG index = IndexOf(file);
        ASSERT_GE(index, 0) << FromWide(file);
        EXPECT_EQ(Text(&IProgramList::ScreenSaverDisplayName, index), L"");
        EXPECT_EQ(Text(&IProgramList::ScreenSaverPublisher, index), L"");
    }
    EXPECT_EQ(Text(&IProgramList::ScreenSaverDirectory, IndexOf(L"VelmoraTestPlain.scr")), system_);
}

TEST_F(QuorbelScreenSavers, EachSystemFolderOf64BitWindowsIsListedOnce) {
    const std::wstring wow64 = FolderOf(GetSystemWow64DirectoryW);
    if (wow64.empty()) GTEST_SKIP() << "one system folder on 32-bit Windows";
    // One file name in both, each file of its own size: two screen savers, each listed in a
    // folder through which this process reaches exactly that file.
    const std::wstring name = L"VelmoraTestTwin.scr", native = system_ + name, thirtyTwo = wow64 + name;
    TScopeExit remove([&] {
        DeleteFileW(native.c_str());
        DeleteFileW(thirtyTwo.c_str());
    });
    ASSERT_TRUE(CopyFileW(plain_.c_str(), native.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(junk_.c_str(), thirtyTwo.c_str(), FALSE));
    ASSERT_EQ(list_->RefreshScreenSavers(), S_OK);

    ULONG count = 0;
    ASSERT_EQ(list_->ScreenSaverCount(&count), S_OK);
    std::vector<std::wstring> folders;
    std::vector<DWORD> sizes;
    for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
        if (Text(&IProgramList::ScreenSaverFileName, i) != name) continue;
        folders.push_back(Text(&IProgramList::ScreenSaverDirectory, i));
        sizes.push_back(SizeOf(Text(&IProgramList::ScreenSaverPath, i)));
    }
    EXPECT_EQ(folders, (std::vector<std::wstring>{system_, wow64}));
    EXPECT_EQ(sizes, (std::vector<DWORD>{SizeOf(plain_), SizeOf(junk_)}));
}

TEST_F(QuorbelScreenSavers, ListStaysAsReadUntilRefreshed) {
    ULONG before = 0, after = 0;
    ASSERT_EQ(list_->ScreenSaverCount(&before), S_OK);
    LONG junk = IndexOf(L"VelmoraTestJunk.scr");
    ASSERT_TRUE(DeleteFileW(junk_.c_str()));
    ASSERT_EQ(list_->ScreenSaverCount(&after), S_OK);
    EXPECT_EQ(after, before);
    EXPECT_EQ(Text(&IProgramList::ScreenSaverFileName, junk), L"VelmoraTestJunk.scr");
    ASSERT_EQ(list_->RefreshScreenSavers(), S_OK);
    ASSERT_EQ(list_->ScreenSaverCount(&after), S_OK);
    EXPECT_EQ(after, before - 1);
    EXPECT_EQ(IndexOf(L"VelmoraTestJunk.scr"), -1);
}

} // namespace qtest
