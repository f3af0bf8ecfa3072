// Exceptions, checked formatting, conversions, and file and path routines.
#pragma once
#include "framework/Win.h"
#include "framework/Handles.h"
#include <cstddef>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

// The base of every error the program raises. The message is what the error box shows.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }
private:
    std::string message_;
};

#define VELMORA_EXCEPTION(Name, Base) \
    class Name : public Base { public: using Base::Base; }

VELMORA_EXCEPTION(EConvertError, Exception);
VELMORA_EXCEPTION(EAbort, Exception);
VELMORA_EXCEPTION(EInvalidOperation, Exception);
VELMORA_EXCEPTION(EInvalidPointer, Exception);
VELMORA_EXCEPTION(EListError, Exception);
VELMORA_EXCEPTION(EStreamError, Exception);
VELMORA_EXCEPTION(EFCreateError, EStreamError);
VELMORA_EXCEPTION(EFOpenError, EStreamError);
VELMORA_EXCEPTION(EReadError, EStreamError);
VELMORA_EXCEPTION(EClassNotFound, Exception);
VELMORA_EXCEPTION(EComponentError, Exception);
VELMORA_EXCEPTION(EPropertyError, Exception);
VELMORA_EXCEPTION(EInvalidGraphic, Exception);
VELMORA_EXCEPTION(EOutOfResources, Exception);
VELMORA_EXCEPTION(EInOutError, Exception);
VELMORA_EXCEPTION(ERegistryException, Exception);
VELMORA_EXCEPTION(EIniFileException, Exception);
VELMORA_EXCEPTION(EPrinter, Exception);
VELMORA_EXCEPTION(EOleError, Exception);
VELMORA_EXCEPTION(EThread, Exception);

// A failed operating-system call; ErrorCode is the Win32 error.
class EOSError : public Exception {
public:
    EOSError(std::string message, DWORD errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    DWORD ErrorCode;
};

// A failed COM call; ErrorCode is the HRESULT.
class EOleSysError : public EOleError {
public:
    EOleSysError(std::string message, HRESULT errorCode) : EOleError(std::move(message)), ErrorCode(errorCode) {}
    HRESULT ErrorCode;
};

[[noreturn]] void Abort();

// ---- Checked formatting -----------------------------------------------------------------

// One argument of Format. String arguments are held by view: they must outlive the call,
// which a braced list of temporaries does.
struct TVarRec {
    enum TKind { vtInteger, vtInt64, vtUnsigned, vtExtended, vtString, vtChar, vtPointer };
    TKind Kind;
    union {
        int32_t VInteger;
        int64_t VInt64;
        uint64_t VUnsigned;
        double VExtended;
        char VChar;
        const void* VPointer;
    };
    std::string_view VString;

    TVarRec(int v) : Kind(vtInteger), VInteger(v) {}
    TVarRec(long v) : Kind(vtInt64), VInt64(v) {}
    TVarRec(long long v) : Kind(vtInt64), VInt64(v) {}
    TVarRec(unsigned v) : Kind(vtUnsigned), VUnsigned(v) {}
    TVarRec(unsigned long v) : Kind(vtUnsigned), VUnsigned(v) {}
    TVarRec(unsigned long long v) : Kind(vtUnsigned), VUnsigned(v) {}
    TVarRec(double v) : Kind(vtExtended), VExtended(v) {}
    TVarRec(char v) : Kind(vtChar), VChar(v) {}
    TVarRec(const char* v) : Kind(vtString), VInt64(0), VString(v ? v : "") {}
    TVarRec(const std::string& v) : Kind(vtString), VInt64(0), VString(v) {}
    TVarRec(std::string_view v) : Kind(vtString), VInt64(0), VString(v) {}
    TVarRec(const void* v) : Kind(vtPointer), VPointer(v) {}
    TVarRec(std::nullptr_t) : Kind(vtPointer), VPointer(nullptr) {}
};

// Separators and currency layout used by Format's n, m, f, e and g and by FloatToStr.
// The global instance is read from the user's locale at start-up.
struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    std::string CurrencyString = "$";
    int CurrencyFormat = 0;     // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    int NegCurrFormat = 0;      // the system's 16 negative layouts, 0 "($1)" ... 15 "(1 $)"
    int CurrencyDecimals = 2;
    static TFormatSettings FromLocale();
};
extern TFormatSettings FormatSettings;

// %[index:][-][width][.prec]type with types d u x e f g n m s p c (case-insensitive; hex
// digits are upper case), '*' taking width or precision from the arguments, %% for '%'.
// A placeholder that does not fit its argument, or has none, raises EConvertError naming
// the format text; surplus arguments are ignored. Format texts come from translators, so
// nothing here ever hands them to the C library as a format.
std::string Format(const std::string& fmt, std::initializer_list<TVarRec> args);
std::string Format(const std::string& fmt, std::initializer_list<TVarRec> args, const TFormatSettings& settings);
std::string FormatBuf(const std::string& fmt, const TVarRec* args, size_t count, const TFormatSettings& settings);
template <class... A>
std::string Format(const std::string& fmt, const A&... args) {
    if constexpr (sizeof...(A) == 0) {
        return FormatBuf(fmt, nullptr, 0, FormatSettings);
    } else {
        const TVarRec list[] = {TVarRec(args)...};
        return FormatBuf(fmt, list, sizeof...(A), FormatSettings);
    }
}

// ---- Conversions --------------------------------------------------------------------------

std::string IntToStr(int64_t value);
std::string IntToHex(int64_t value, int digits);
// Leading blanks, a sign and a '$' or "0x" hex prefix are accepted; anything else,
// trailing blanks included, raises EConvertError.
int StrToInt(const std::string& s);
int64_t StrToInt64(const std::string& s);
int StrToIntDef(const std::string& s, int def);
bool TryStrToInt(const std::string& s, int& value);
bool TryStrToInt64(const std::string& s, int64_t& value);
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& settings);

// ---- Strings ------------------------------------------------------------------------------

// Trimming removes blanks and control characters (everything up to ' ').
std::string Trim(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);
// UpperCase/LowerCase/SameText/CompareText touch ASCII letters only; the Ansi forms use the
// system code page and the user's collation.
std::string UpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
std::string AnsiUpperCase(const std::string& s);
// Upper case by the system's rules for UTF-16 text (any letter, not only the code page's),
// and texts and a prefix compared that way.
std::wstring WideUpperCase(std::wstring s);
bool WideSameText(const std::wstring& a, const std::wstring& b);
bool WideStartsText(const std::wstring& text, const std::wstring& head);
std::string AnsiLowerCase(const std::string& s);
bool SameText(const std::string& a, const std::string& b);
int CompareText(const std::string& a, const std::string& b);
int CompareStr(const std::string& a, const std::string& b);
int AnsiCompareText(const std::string& a, const std::string& b);
int AnsiCompareStr(const std::string& a, const std::string& b);
bool AnsiSameText(const std::string& a, const std::string& b);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = unsigned;
std::string StringReplace(const std::string& s, const std::string& oldPattern, const std::string& newPattern,
                          TReplaceFlags flags);

// ---- Paths and files ----------------------------------------------------------------------

std::string ExtractFilePath(const std::string& fileName);   // keeps the trailing backslash
std::string ExtractFileDir(const std::string& fileName);    // drops it, except after a root
std::string ExtractFileName(const std::string& fileName);
std::string ExtractFileExt(const std::string& fileName);    // with the dot
std::string ExtractFileDrive(const std::string& fileName);
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
std::string IncludeTrailingBackslash(const std::string& s);
std::string ExcludeTrailingBackslash(const std::string& s);
std::string IncludeTrailingPathDelimiter(const std::string& s);
std::string ExcludeTrailingPathDelimiter(const std::string& s);
std::string ExpandFileName(const std::string& fileName);

bool FileExists(const std::string& fileName);               // false for a folder
bool DirectoryExists(const std::string& dir);
bool ForceDirectories(const std::string& dir);              // every missing level
bool CreateDir(const std::string& dir);
bool RemoveDir(const std::string& dir);
bool DeleteFile(const std::string& fileName);
bool RenameFile(const std::string& oldName, const std::string& newName);
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& dir);

// Attribute masks for FindFirst. Entries that are hidden, system, volume labels or folders
// are listed only when the mask asks for that attribute; all other entries always are.
enum : int {
    faReadOnly = 0x01, faHidden = 0x02, faSysFile = 0x04, faVolumeID = 0x08,
    faDirectory = 0x10, faArchive = 0x20, faAnyFile = 0x3F
};

struct TSearchRec {
    int64_t Size = 0;
    int Attr = 0;
    std::string Name;
    FILETIME Time{};
    int ExcludeAttr = 0;
    TFindHandle FindHandle;
    WIN32_FIND_DATAA FindData{};
};
// 0 when an entry was found, else the Win32 error (ERROR_FILE_NOT_FOUND, ERROR_NO_MORE_FILES, ...).
int FindFirst(const std::string& path, int attr, TSearchRec& f);
int FindNext(TSearchRec& f);
void FindClose(TSearchRec& f);

// ---- The system -------------------------------------------------------------------------

// True on 64-bit Windows, for the 64-bit build and for the 32-bit one under WOW64: the
// registry then has a 64-bit and a 32-bit view of HKEY_LOCAL_MACHINE\SOFTWARE, and the
// system folder a 32-bit twin.
bool Is64BitWindows();
// True for the 32-bit build on 64-bit Windows: its system folder is redirected to SysWOW64
// and HKEY_LOCAL_MACHINE\SOFTWARE shows it the 32-bit view.
bool RunsUnderWow64();

// ---- Operating-system errors ----------------------------------------------------------

// The system's text for a Win32 error, without the trailing line break and full stop.
std::string SysErrorMessage(DWORD errorCode);
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(DWORD errorCode);
bool Win32Check(BOOL ok);

// ---- Date and time ----------------------------------------------------------------------

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;
TDateTime Now();
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
TDateTime SystemTimeToDateTime(const SYSTEMTIME& st);
SYSTEMTIME DateTimeToSystemTime(TDateTime dt);
// In the user's short date and long time format, as the system writes them.
std::string DateToStr(TDateTime dt);
std::string TimeToStr(TDateTime dt);
std::string DateTimeToStr(TDateTime dt);
