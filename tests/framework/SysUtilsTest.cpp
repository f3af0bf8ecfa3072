#include "framework/SysUtils.h"
#include <gtest/gtest.h>
#include <cmath>

namespace {

TFormatSettings English() {
    TFormatSettings s;
    s.DecimalSeparator = '.';
    s.ThousandSeparator = ',';
    s.CurrencyString = "$";
    s.CurrencyFormat = 0;
    s.NegCurrFormat = 1;
    s.CurrencyDecimals = 2;
    return s;
}

std::string Fmt(const std::string& f, std::initializer_list<TVarRec> args) { return Format(f, args, English()); }

// A unique scratch folder inside the test prefix, removed with everything in it.
struct TScratch {
    std::string Dir;
    TScratch() {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        Dir = std::string(tmp) + "vm_sysutils_" + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(GetTickCount());
    }
    ~TScratch() {
        std::string from = Dir + '\0';
        SHFILEOPSTRUCTA op{};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
        SHFileOperationA(&op);
    }
};

void Touch(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    CloseHandle(h);
}

}  // namespace

// ---- Format ----

TEST(Format, TheProgramsOwnPatterns) {
    EXPECT_EQ(Fmt("[%s]%s", {"x", "y"}), "[x]y");
    EXPECT_EQ(Fmt("%d (%s: %d, %s: %d)", {5, "Programs", 3, "Savers", 2}), "5 (Programs: 3, Savers: 2)");
    EXPECT_EQ(Fmt("Size:  %.2f M", {12.345}), "Size:  12.35 M");
    EXPECT_EQ(Fmt("%.2f MB", {0.0}), "0.00 MB");
    EXPECT_EQ(Fmt("%10s|", {"abc"}), "       abc|");
    EXPECT_EQ(Fmt("%d - %s", {12, "[Saver"}), "12 - [Saver");
    EXPECT_EQ(Fmt("/e \"%s%s.reg\" \"HKEY_LOCAL_MACHINE\\%s\"", {"C:\\b\\", "App", "App"}),
              "/e \"C:\\b\\App.reg\" \"HKEY_LOCAL_MACHINE\\App\"");
}

TEST(Format, VariadicFormUsesTheSameChecks) {
    std::string name = "Tool";
    EXPECT_EQ(Format("%s %d %u", name, 7, 8u), "Tool 7 8");
    EXPECT_EQ(Format("100%%"), "100%");
    EXPECT_THROW(Format("%s"), EConvertError);
}

TEST(Format, MismatchedOrMissingArgumentsRaiseConvertError) {
    try {
        Fmt("Size: %d M", {1.5});
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Format 'Size: %d M' invalid or incompatible with argument");
    }
    EXPECT_THROW(Fmt("%s", {42}), EConvertError);
    EXPECT_THROW(Fmt("%f", {42}), EConvertError);
    EXPECT_THROW(Fmt("%d", {"42"}), EConvertError);
    EXPECT_THROW(Fmt("%p", {1}), EConvertError);
    EXPECT_THROW(Fmt("%s %s", {"one"}), EConvertError);
    EXPECT_THROW(Fmt("%", {}), EConvertError);
    EXPECT_THROW(Fmt("%5", {1}), EConvertError);
    EXPECT_THROW(Fmt("%z", {1}), EConvertError);
    EXPECT_THROW(Fmt("%*d", {"x", 1}), EConvertError);
    EXPECT_THROW(Fmt("%999999999s", {"x"}), EConvertError);
    EXPECT_EQ(Fmt("%s", {"used", "ignored", 3}), "used");
}

TEST(Format, PrintfDirectivesInTranslatedTextAreNotInterpreted) {
    // What would crash or leak stack memory in printf is just an invalid format here.
    EXPECT_THROW(Fmt("%n%n%n", {}), EConvertError);
    EXPECT_THROW(Fmt("%hs %ls", {"a", "b"}), EConvertError);
    EXPECT_EQ(Fmt("%s", {"%n%s%x"}), "%n%s%x");
}

TEST(Format, IndexWidthPrecisionAndAlignment) {
    EXPECT_EQ(Fmt("%1:s %0:s %s", {"a", "b", "c"}), "b a b");
    EXPECT_EQ(Fmt("%-5s|%5s|", {"ab", "cd"}), "ab   |   cd|");
    EXPECT_EQ(Fmt("%*d|%-*d|", {4, 7, 3, 8}), "   7|8  |");
    EXPECT_EQ(Fmt("%*d|", {-3, 5}), "5  |");
    EXPECT_EQ(Fmt("%.3s", {"abcdef"}), "abc");
    EXPECT_EQ(Fmt("%.*f", {1, 2.25}), "2.3");
    EXPECT_EQ(Fmt("%.5d|%.3d", {-42, 12345}), "-00042|12345");
    EXPECT_EQ(Fmt("%2s", {"long"}), "long");
}

TEST(Format, IntegerKinds) {
    EXPECT_EQ(Fmt("%d", {-2147483647 - 1}), "-2147483648");
    EXPECT_EQ(Fmt("%d", {int64_t(-9000000000)}), "-9000000000");
    EXPECT_EQ(Fmt("%u", {-1}), "4294967295");
    EXPECT_EQ(Fmt("%x %X %.4x", {255, 48879, 10}), "FF BEEF 000A");
    EXPECT_EQ(Fmt("%x", {-1}), "FFFFFFFF");
    EXPECT_EQ(Fmt("%D", {3}), "3");
    EXPECT_EQ(Fmt("%c%c", {'o', 75}), "oK");
    EXPECT_EQ(Fmt("%s", {'q'}), "q");
    int x = 0;
    EXPECT_EQ(Fmt("%p", {static_cast<const void*>(&x)}).size(), sizeof(void*) * 2);
    EXPECT_EQ(Fmt("%p", {nullptr}), std::string(sizeof(void*) * 2, '0'));
}

TEST(Format, FloatKinds) {
    EXPECT_EQ(Fmt("%f", {1.0}), "1.00");
    EXPECT_EQ(Fmt("%.2f", {1.005}), "1.01");
    EXPECT_EQ(Fmt("%.2f", {-0.001}), "0.00");
    EXPECT_EQ(Fmt("%.0f", {2.5}), "3");
    EXPECT_EQ(Fmt("%.1f", {9.96}), "10.0");
    EXPECT_EQ(Fmt("%.3f", {-0.0625}), "-0.063");
    EXPECT_EQ(Fmt("%e", {1234.5}), "1.23450000000000E+003");
    EXPECT_EQ(Fmt("%.3e", {-0.000123}), "-1.23E-004");
    EXPECT_EQ(Fmt("%g", {1234.5}), "1234.5");
    EXPECT_EQ(Fmt("%g", {0.5}), "0.5");
    EXPECT_EQ(Fmt("%g", {1e20}), "1E20");
    EXPECT_EQ(Fmt("%n", {1234567.891}), "1,234,567.89");
    EXPECT_EQ(Fmt("%.0n", {-999.5}), "-1,000");
    EXPECT_EQ(Fmt("%m", {1234.5}), "$1,234.50");
    EXPECT_EQ(Fmt("%m", {-2.0}), "-$2.00");
    EXPECT_EQ(Fmt("%f", {1e300}).substr(0, 4), "1.00");   // scientific, not 300 digits
    EXPECT_EQ(Fmt("%f", {HUGE_VAL}), "INF");
}

TEST(Format, UsesTheGivenSeparators) {
    TFormatSettings de = English();
    de.DecimalSeparator = ',';
    de.ThousandSeparator = '.';
    de.CurrencyString = "EUR";
    de.CurrencyFormat = 3;
    de.NegCurrFormat = 8;
    EXPECT_EQ(Format("%.2f", {3.5}, de), "3,50");
    EXPECT_EQ(Format("%n", {1234.5}, de), "1.234,50");
    EXPECT_EQ(Format("%m|%m", {7.0, -7.0}, de), "7,00 EUR|-7,00 EUR");
}

// ---- Conversions ----

TEST(Conversions, StrToIntAcceptsLeadingBlanksAndHexOnly) {
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("  -17"), -17);
    EXPECT_EQ(StrToInt("+5"), 5);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    for (const char* bad : {"", " ", "abc", "12 ", "1.5", "2147483648", "$", "-", "1e3", "$100000000"})
        EXPECT_THROW(StrToInt(bad), EConvertError) << '"' << bad << '"';
    try {
        StrToInt("abc");
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
    }
    EXPECT_EQ(StrToIntDef("x", -9), -9);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
}

TEST(Conversions, IntAndFloatText) {
    EXPECT_EQ(IntToHex(0x1A, 4), "001A");
    EXPECT_EQ(IntToHex(0x12345, 2), "12345");
    EXPECT_EQ(FloatToStr(0.1, English()), "0.1");
    EXPECT_EQ(FloatToStr(-2.5, English()), "-2.5");
    EXPECT_EQ(FloatToStr(100.0, English()), "100");
    EXPECT_EQ(FloatToStr(1.0 / 3.0, English()), "0.333333333333333");
}

// ---- Strings ----

TEST(Strings, TrimRemovesBlanksAndControlCharacters) {
    EXPECT_EQ(Trim(" \t\r\n x y \x01"), "x y");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a \n"), "  a");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim("\xE9 "), "\xE9");   // bytes above 127 are text, not blanks
}

TEST(Strings, CaseHandling) {
    EXPECT_EQ(UpperCase("C:\\Windows\\caf\xE9"), "C:\\WINDOWS\\CAF\xE9");
    EXPECT_EQ(AnsiUpperCase("caf\xE9"), "CAF\xC9");
    EXPECT_EQ(AnsiLowerCase("CAF\xC9"), "caf\xE9");
    EXPECT_TRUE(SameText("CurrentVersion", "CURRENTVERSION"));
    EXPECT_FALSE(SameText("abc", "abcd"));
    EXPECT_LT(CompareText("apple", "Banana"), 0);
    EXPECT_GT(CompareText("b", "A"), 0);
    EXPECT_LT(CompareText("ab", "ABC"), 0);
    EXPECT_EQ(AnsiCompareText("caf\xE9", "CAF\xC9"), 0);
    EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);
    EXPECT_NE(AnsiCompareStr("a", "A"), 0);
}

TEST(Strings, StringReplace) {
    EXPECT_EQ(StringReplace("a\"b\"c", "\"", "", rfReplaceAll), "abc");
    EXPECT_EQ(StringReplace("a-b-c", "-", "+", 0), "a+b-c");
    EXPECT_EQ(StringReplace("Line\r\nNext", "\r\n", "\\n", rfReplaceAll), "Line\\nNext");
    EXPECT_EQ(StringReplace("xXx", "x", "y", rfReplaceAll | rfIgnoreCase), "yyy");
    EXPECT_EQ(StringReplace("xXx", "X", "y", rfReplaceAll), "xyx");
    EXPECT_EQ(StringReplace("aaa", "a", "aa", rfReplaceAll), "aaaaaa");   // no re-scan of output
    EXPECT_EQ(StringReplace("abc", "", "z", rfReplaceAll), "abc");
}

// ---- Paths ----

TEST(Paths, Splitting) {
    EXPECT_EQ(ExtractFilePath("C:\\Program Files\\App\\app.exe"), "C:\\Program Files\\App\\");
    EXPECT_EQ(ExtractFilePath("app.exe"), "");
    EXPECT_EQ(ExtractFilePath("C:app.exe"), "C:");
    EXPECT_EQ(ExtractFileDir("C:\\Program Files\\App\\app.exe"), "C:\\Program Files\\App");
    EXPECT_EQ(ExtractFileDir("C:\\windows"), "C:\\");
    EXPECT_EQ(ExtractFileDir("\\file"), "\\");
    EXPECT_EQ(ExtractFileName("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(ExtractFileName("C:\\a\\"), "");
    EXPECT_EQ(ExtractFileExt("C:\\a.b\\c"), "");
    EXPECT_EQ(ExtractFileExt("C:\\a\\c.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileDrive("C:\\a"), "C:");
    EXPECT_EQ(ExtractFileDrive("\\\\srv\\share\\x"), "\\\\srv\\share");
    EXPECT_EQ(ChangeFileExt("C:\\a\\Lang.ini", ".lnk"), "C:\\a\\Lang.lnk");
    EXPECT_EQ(ChangeFileExt("C:\\a.d\\Lang", ".lnk"), "C:\\a.d\\Lang.lnk");
    EXPECT_EQ(ChangeFileExt("C:\\a\\Lang.ini", ""), "C:\\a\\Lang");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\a\\"), "C:\\a");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\a"), "C:\\a");
}

TEST(Paths, ExpandFileNameIsRelativeToTheCurrentFolder) {
    std::string cur = GetCurrentDir();
    EXPECT_EQ(ExpandFileName("x.txt"), IncludeTrailingBackslash(cur) + "x.txt");
    EXPECT_EQ(ExpandFileName("C:\\a\\..\\b\\.\\c"), "C:\\b\\c");
}

TEST(Files, ExistenceTellsFilesFromFolders) {
    TScratch s;
    ASSERT_TRUE(CreateDir(s.Dir));
    std::string file = s.Dir + "\\f.txt";
    Touch(file);
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(s.Dir));
    EXPECT_TRUE(DirectoryExists(s.Dir));
    EXPECT_TRUE(DirectoryExists(s.Dir + "\\"));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(DirectoryExists(""));
    EXPECT_TRUE(RenameFile(file, s.Dir + "\\g.txt"));
    EXPECT_FALSE(FileExists(file));
    Touch(file);
    EXPECT_FALSE(RenameFile(file, s.Dir + "\\g.txt")) << "a rename never replaces an existing file";
    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(DeleteFile(file));
}

TEST(Files, ForceDirectoriesCreatesEveryLevelAndReportsFailure) {
    TScratch s;
    std::string deep = s.Dir + "\\a\\b\\c\\";
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(s.Dir + "\\a\\b\\c"));
    EXPECT_TRUE(ForceDirectories(deep)) << "an existing folder is success";
    // A file standing where a folder level should be blocks the path.
    Touch(s.Dir + "\\a\\blocker");
    EXPECT_FALSE(ForceDirectories(s.Dir + "\\a\\blocker\\sub"));
    EXPECT_FALSE(ForceDirectories(""));
    EXPECT_FALSE(RemoveDir(s.Dir + "\\a")) << "not empty";
    EXPECT_TRUE(RemoveDir(s.Dir + "\\a\\b\\c"));
}

TEST(Files, FindFirstHonoursTheAttributeMask) {
    TScratch s;
    ASSERT_TRUE(ForceDirectories(s.Dir + "\\sub"));
    Touch(s.Dir + "\\plain.txt");
    Touch(s.Dir + "\\hidden.txt");
    ASSERT_TRUE(SetFileAttributesA((s.Dir + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));

    auto list = [&](int attr) {
        std::string names;
        TSearchRec sr;
        for (int r = FindFirst(s.Dir + "\\*.*", attr, sr); r == 0; r = FindNext(sr))
            if (sr.Name[0] != '.') names += sr.Name + ";";
        FindClose(sr);
        return names;
    };
    std::string all = list(faAnyFile);
    EXPECT_NE(all.find("plain.txt;"), std::string::npos);
    EXPECT_NE(all.find("hidden.txt;"), std::string::npos);
    EXPECT_NE(all.find("sub;"), std::string::npos);
    std::string noHidden = list(faAnyFile & ~faHidden);   // 61
    EXPECT_EQ(noHidden.find("hidden.txt"), std::string::npos);
    EXPECT_NE(noHidden.find("sub;"), std::string::npos);
    std::string filesOnly = list(faArchive);
    EXPECT_EQ(filesOnly, "plain.txt;");

    TSearchRec none;
    EXPECT_NE(FindFirst(s.Dir + "\\*.none", faAnyFile, none), 0);
}

// ---- OS errors ----

TEST(OSErrors, MessagesAreTrimmedAndCarryTheCode) {
    std::string text = SysErrorMessage(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_NE(text.back(), '\n');
    try {
        SetLastError(ERROR_ACCESS_DENIED);
        Win32Check(FALSE);
        FAIL() << "no exception";
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode, DWORD(ERROR_ACCESS_DENIED));
        EXPECT_NE(e.Message().find(SysErrorMessage(ERROR_ACCESS_DENIED)), std::string::npos);
        EXPECT_NE(e.Message().find("Code: 5."), std::string::npos);
    }
    EXPECT_TRUE(Win32Check(TRUE));
}

// ---- Date and time ----

TEST(DateTime, EncodingMatchesTheDayCountAndRoundTrips) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(1900, 3, 1), 61.0);
    EXPECT_THROW(EncodeDate(2001, 2, 29), EConvertError);
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
    SYSTEMTIME st{};
    st.wYear = 2024; st.wMonth = 2; st.wDay = 29; st.wHour = 13; st.wMinute = 5; st.wSecond = 59;
    st.wMilliseconds = 123;
    SYSTEMTIME back = DateTimeToSystemTime(SystemTimeToDateTime(st));
    EXPECT_EQ(back.wYear, 2024); EXPECT_EQ(back.wMonth, 2); EXPECT_EQ(back.wDay, 29);
    EXPECT_EQ(back.wHour, 13); EXPECT_EQ(back.wMinute, 5); EXPECT_EQ(back.wSecond, 59);
    EXPECT_EQ(back.wMilliseconds, 123);
    EXPECT_EQ(back.wDayOfWeek, 4);   // a Thursday
    SYSTEMTIME old = DateTimeToSystemTime(-1.25);
    EXPECT_EQ(old.wDay, 29); EXPECT_EQ(old.wMonth, 12); EXPECT_EQ(old.wYear, 1899); EXPECT_EQ(old.wHour, 6);
}
