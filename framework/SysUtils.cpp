#include "framework/SysUtils.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

void Abort() { throw EAbort("Operation aborted"); }

// ---- Format settings ----------------------------------------------------------------------

namespace {

std::string LocaleText(LCTYPE type, const char* fallback) {
    char buf[64] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf) <= 1) return fallback;
    return buf;
}

int LocaleInt(LCTYPE type, int fallback, int maxValue) {
    int v = 0;
    return TryStrToInt(LocaleText(type, ""), v) && v >= 0 && v <= maxValue ? v : fallback;
}

}  // namespace

TFormatSettings TFormatSettings::FromLocale() {
    TFormatSettings s;
    std::string t = LocaleText(LOCALE_SDECIMAL, ".");
    s.DecimalSeparator = t.empty() ? '.' : t[0];
    t = LocaleText(LOCALE_STHOUSAND, ",");
    s.ThousandSeparator = t.empty() ? ',' : t[0];
    s.CurrencyString = LocaleText(LOCALE_SCURRENCY, "$");
    s.CurrencyFormat = LocaleInt(LOCALE_ICURRENCY, 0, 3);
    s.NegCurrFormat = LocaleInt(LOCALE_INEGCURR, 0, 15);
    s.CurrencyDecimals = LocaleInt(LOCALE_ICURRDIGITS, 2, 18);
    return s;
}

TFormatSettings FormatSettings = TFormatSettings::FromLocale();

// ---- Number text ----------------------------------------------------------------------------

namespace {

// A finite double as 0.Digits x 10^Exponent, Digits without trailing zeros ("" for zero).
struct TDecimal {
    bool Negative = false;
    std::string Digits;
    int Exponent = 0;
};

// 15 significant digits, as a double holds reliably: 1.005 reads back as 1.005 and then
// rounds the way a user reading it expects.
constexpr int kDoubleDigits = 15;

TDecimal ToDecimal(double v, int precision = kDoubleDigits) {
    TDecimal d;
    d.Negative = std::signbit(v);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1, std::fabs(v));
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') d.Digits += *p;
    int exp10 = *p == 'e' ? std::atoi(p + 1) : 0;
    d.Exponent = exp10 + 1;
    while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
    if (d.Digits.empty()) d.Exponent = 0;
    return d;
}

// Keeps `keep` leading digits, rounding half away from zero on the decimal digits.
void RoundDigits(TDecimal& d, int keep) {
    if (keep >= static_cast<int>(d.Digits.size())) return;
    if (keep < 0) { d.Digits.clear(); d.Exponent = 0; return; }
    bool up = d.Digits[keep] >= '5';
    d.Digits.resize(keep);
    if (up) {
        int i = keep - 1;
        for (; i >= 0; --i) {
            if (d.Digits[i] == '9') { d.Digits[i] = '0'; continue; }
            ++d.Digits[i];
            break;
        }
        if (i < 0) { d.Digits.insert(d.Digits.begin(), '1'); ++d.Exponent; }
    }
    while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
    if (d.Digits.empty()) d.Exponent = 0;
}

char DigitAt(const TDecimal& d, int i) {
    return i >= 0 && i < static_cast<int>(d.Digits.size()) ? d.Digits[i] : '0';
}

const char* SpecialText(double v) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    return nullptr;
}

std::string GroupThousands(const std::string& intPart, char sep) {
    std::string r;
    int n = static_cast<int>(intPart.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) r += sep;
        r += intPart[i];
    }
    return r;
}

// Unsigned text of a fixed-point value; the caller places the sign.
std::string FixedDigits(TDecimal d, int decimals, const TFormatSettings& fs, bool thousands, bool& isZero) {
    RoundDigits(d, d.Exponent + decimals);
    isZero = d.Digits.empty();
    std::string intPart;
    for (int i = 0; i < d.Exponent; ++i) intPart += DigitAt(d, i);
    if (intPart.empty()) intPart = "0";
    std::string r = thousands ? GroupThousands(intPart, fs.ThousandSeparator) : intPart;
    if (decimals > 0) {
        r += fs.DecimalSeparator;
        for (int i = 0; i < decimals; ++i) r += DigitAt(d, d.Exponent + i);
    }
    return r;
}

std::string ExponentText(int e, bool alwaysSign, int minDigits) {
    std::string digits = std::to_string(e < 0 ? -e : e);
    while (static_cast<int>(digits.size()) < minDigits) digits.insert(digits.begin(), '0');
    return std::string("E") + (e < 0 ? "-" : alwaysSign ? "+" : "") + digits;
}

std::string ScientificText(double v, int precision, const TFormatSettings& fs) {
    if (const char* s = SpecialText(v)) return s;
    precision = std::clamp(precision, 1, 18);
    TDecimal d = ToDecimal(v, std::min(precision, kDoubleDigits));
    std::string r = d.Negative && !d.Digits.empty() ? "-" : "";
    r += DigitAt(d, 0);
    if (precision > 1) {
        r += fs.DecimalSeparator;
        for (int i = 1; i < precision; ++i) r += DigitAt(d, i);
    }
    return r + ExponentText(d.Digits.empty() ? 0 : d.Exponent - 1, true, 3);
}

std::string FixedText(double v, int decimals, const TFormatSettings& fs, bool thousands) {
    if (const char* s = SpecialText(v)) return s;
    decimals = std::clamp(decimals, 0, 18);
    TDecimal d = ToDecimal(v);
    // Beyond 18 integer digits a fixed layout would only print invented zeros.
    if (d.Exponent > 18) return ScientificText(v, kDoubleDigits, fs);
    bool zero = false;
    std::string body = FixedDigits(d, decimals, fs, thousands, zero);
    return (d.Negative && !zero ? "-" : "") + body;
}

std::string GeneralText(double v, int precision, const TFormatSettings& fs) {
    if (const char* s = SpecialText(v)) return s;
    precision = std::clamp(precision, 1, kDoubleDigits);
    TDecimal d = ToDecimal(v, precision);
    if (d.Digits.empty()) return "0";
    std::string r = d.Negative ? "-" : "";
    int n = static_cast<int>(d.Digits.size());
    if (d.Exponent > precision || d.Exponent < -4) {
        r += d.Digits[0];
        if (n > 1) r += fs.DecimalSeparator + d.Digits.substr(1);
        return r + ExponentText(d.Exponent - 1, false, 0);
    }
    if (d.Exponent <= 0) {
        r += '0';
        r += fs.DecimalSeparator;
        r += std::string(-d.Exponent, '0') + d.Digits;
        return r;
    }
    for (int i = 0; i < d.Exponent; ++i) r += DigitAt(d, i);
    if (n > d.Exponent) r += fs.DecimalSeparator + d.Digits.substr(d.Exponent);
    return r;
}

std::string MoneyText(double v, int decimals, const TFormatSettings& fs) {
    if (const char* s = SpecialText(v)) return s;
    decimals = std::clamp(decimals, 0, 18);
    TDecimal d = ToDecimal(v);
    if (d.Exponent > 18) return ScientificText(v, kDoubleDigits, fs);
    bool zero = false;
    std::string number = FixedDigits(d, decimals, fs, true, zero);
    // '$' stands for the currency text, '1' for the number.
    static const char* const positive[] = {"$1", "1$", "$ 1", "1 $"};
    static const char* const negative[] = {"($1)", "-$1", "$-1", "$1-", "(1$)", "-1$", "1-$", "1$-",
                                           "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
    const char* layout = d.Negative && !zero ? negative[std::clamp(fs.NegCurrFormat, 0, 15)]
                                             : positive[std::clamp(fs.CurrencyFormat, 0, 3)];
    std::string r;
    for (const char* p = layout; *p; ++p) {
        if (*p == '$') r += fs.CurrencyString;
        else if (*p == '1') r += number;
        else r += *p;
    }
    return r;
}

std::string UnsignedText(uint64_t v, int base) {
    if (v == 0) return "0";
    static const char digits[] = "0123456789ABCDEF";
    std::string r;
    for (; v; v /= base) r.insert(r.begin(), digits[v % base]);
    return r;
}

std::string MinDigits(std::string digits, int precision) {
    if (static_cast<int>(digits.size()) < precision) digits.insert(0, precision - digits.size(), '0');
    return digits;
}

[[noreturn]] void InvalidFormat(const std::string& fmt) {
    throw EConvertError("Format '" + fmt + "' invalid or incompatible with argument");
}

[[noreturn]] void ArgumentMissing(const std::string& fmt) {
    throw EConvertError("No argument for format '" + fmt + "'");
}

bool IsIntegerKind(const TVarRec& a) {
    return a.Kind == TVarRec::vtInteger || a.Kind == TVarRec::vtInt64 || a.Kind == TVarRec::vtUnsigned;
}

// A translated text may ask for any width; refuse absurd ones instead of allocating them.
constexpr int kMaxWidth = 1 << 16;

// One conversion of a format string: %[index:][-][width][.precision]type.
struct TFormatSpec {
    bool LeftAlign = false;
    int Width = 0;
    int Precision = -1;   // none given
    char Type = 0;        // lower case
};

// Walks a format string and hands out its arguments in order (or from an index's place).
class TFormatReader {
public:
    TFormatReader(const std::string& fmt, const TVarRec* args, size_t count) : fmt_(fmt), args_(args), count_(count) {}

    bool AtEnd() const { return i_ >= fmt_.size(); }

    // The text up to the next conversion, with "%%" read as '%'; stops at a conversion's type.
    std::string ReadLiteral() {
        std::string out;
        while (i_ < fmt_.size()) {
            if (fmt_[i_] != '%') {
                out += fmt_[i_++];
                continue;
            }
            if (i_ + 1 >= fmt_.size()) InvalidFormat(fmt_);
            if (fmt_[i_ + 1] != '%') break;
            out += '%';
            i_ += 2;
        }
        return out;
    }

    // Reads a conversion's flags, width, precision and type, after its '%'.
    TFormatSpec ReadSpec() {
        ++i_;
        TFormatSpec spec;
        int64_t number = ReadNumber();
        if (i_ < fmt_.size() && fmt_[i_] == ':') {
            ++i_;
            if (number < 0) InvalidFormat(fmt_);
            argIndex_ = static_cast<size_t>(number);
            number = kNone;
        }
        if (number == kNone) {
            if (i_ < fmt_.size() && fmt_[i_] == '-') {
                spec.LeftAlign = true;
                ++i_;
            }
            number = ReadNumber();
        }
        if (number != kNone && number < 0) {   // a negative width from '*' aligns left, as in C
            spec.LeftAlign = true;
            number = -number;
        }
        spec.Width = number == kNone ? 0 : static_cast<int>(number);
        if (i_ < fmt_.size() && fmt_[i_] == '.') {
            ++i_;
            int64_t p = ReadNumber();
            // "%.f" means no decimals; a negative precision from '*' means none given.
            spec.Precision = p == kNone ? 0 : p < 0 ? -1 : static_cast<int>(p);
        }
        if (i_ >= fmt_.size()) InvalidFormat(fmt_);
        spec.Type = static_cast<char>(fmt_[i_] >= 'A' && fmt_[i_] <= 'Z' ? fmt_[i_] + 32 : fmt_[i_]);
        ++i_;
        return spec;
    }

    const TVarRec& NextArg() {
        if (argIndex_ >= count_) ArgumentMissing(fmt_);
        return args_[argIndex_++];
    }

    [[noreturn]] void Invalid() const { InvalidFormat(fmt_); }

private:
    // A run of digits or '*'; kNone when neither is there.
    static constexpr int64_t kNone = INT64_MIN;

    int64_t ReadNumber() {
        if (i_ < fmt_.size() && fmt_[i_] == '*') {
            ++i_;
            const TVarRec& a = NextArg();
            int64_t v = a.Kind == TVarRec::vtInteger ? a.VInteger
                      : a.Kind == TVarRec::vtInt64 ? a.VInt64
                      : a.Kind == TVarRec::vtUnsigned && a.VUnsigned <= kMaxWidth ? static_cast<int64_t>(a.VUnsigned)
                      : kNone;
            if (v == kNone || v > kMaxWidth || v < -kMaxWidth) InvalidFormat(fmt_);
            return v;
        }
        if (i_ >= fmt_.size() || fmt_[i_] < '0' || fmt_[i_] > '9') return kNone;
        int64_t v = 0;
        while (i_ < fmt_.size() && fmt_[i_] >= '0' && fmt_[i_] <= '9') {
            v = v * 10 + (fmt_[i_++] - '0');
            if (v > kMaxWidth) InvalidFormat(fmt_);
        }
        return v;
    }

    const std::string& fmt_;
    const TVarRec* args_;
    size_t count_;
    size_t argIndex_ = 0;
    size_t i_ = 0;
};

// %d, %u and %x.
std::string IntegerArgText(const TFormatSpec& spec, const TVarRec& a, TFormatReader& reader) {
    if (!IsIntegerKind(a)) reader.Invalid();
    bool negative = false;
    uint64_t magnitude = 0;
    if (spec.Type == 'd') {
        if (a.Kind == TVarRec::vtUnsigned) {
            magnitude = a.VUnsigned;
        } else {
            int64_t v = a.Kind == TVarRec::vtInteger ? a.VInteger : a.VInt64;
            negative = v < 0;
            magnitude = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        }
    } else {
        // u and x read the bits: -1 as a 32-bit argument is FFFFFFFF.
        magnitude = a.Kind == TVarRec::vtInteger ? static_cast<uint32_t>(a.VInteger)
                  : a.Kind == TVarRec::vtInt64 ? static_cast<uint64_t>(a.VInt64) : a.VUnsigned;
    }
    std::string text = MinDigits(UnsignedText(magnitude, spec.Type == 'x' ? 16 : 10), spec.Precision);
    if (negative) text.insert(text.begin(), '-');
    return text;
}

// %e, %f, %g, %n and %m.
std::string FloatArgText(const TFormatSpec& spec, const TVarRec& a, TFormatReader& reader, const TFormatSettings& fs) {
    if (a.Kind != TVarRec::vtExtended) reader.Invalid();
    double v = a.VExtended;
    int precision = spec.Precision;
    switch (spec.Type) {
    case 'e': return ScientificText(v, precision < 0 ? kDoubleDigits : precision, fs);
    case 'f': return FixedText(v, precision < 0 ? 2 : precision, fs, false);
    case 'g': return GeneralText(v, precision < 0 ? kDoubleDigits : precision, fs);
    case 'n': return FixedText(v, precision < 0 ? 2 : precision, fs, true);
    default: return MoneyText(v, precision < 0 ? fs.CurrencyDecimals : precision, fs);
    }
}

// %s: a precision cuts the text.
std::string StringArgText(const TFormatSpec& spec, const TVarRec& a, TFormatReader& reader) {
    std::string text;
    if (a.Kind == TVarRec::vtString) text.assign(a.VString.data(), a.VString.size());
    else if (a.Kind == TVarRec::vtChar) text.assign(1, a.VChar);
    else reader.Invalid();
    if (spec.Precision >= 0 && static_cast<size_t>(spec.Precision) < text.size()) text.resize(spec.Precision);
    return text;
}

// %c: a character, or a number that is one.
std::string CharArgText(const TVarRec& a, TFormatReader& reader) {
    if (a.Kind == TVarRec::vtChar) return std::string(1, a.VChar);
    if (a.Kind == TVarRec::vtInteger && a.VInteger >= 0 && a.VInteger <= 255)
        return std::string(1, static_cast<char>(a.VInteger));
    reader.Invalid();
}

// %p: all the pointer's hex digits.
std::string PointerArgText(const TVarRec& a, TFormatReader& reader) {
    if (a.Kind != TVarRec::vtPointer) reader.Invalid();
    return MinDigits(UnsignedText(reinterpret_cast<uintptr_t>(a.VPointer), 16), static_cast<int>(sizeof(void*) * 2));
}

// The text of one conversion, before padding; takes its argument from the reader.
std::string ConversionText(const TFormatSpec& spec, TFormatReader& reader, const TFormatSettings& fs) {
    switch (spec.Type) {
    case 'd': case 'u': case 'x': return IntegerArgText(spec, reader.NextArg(), reader);
    case 'e': case 'f': case 'g': case 'n': case 'm': return FloatArgText(spec, reader.NextArg(), reader, fs);
    case 's': return StringArgText(spec, reader.NextArg(), reader);
    case 'c': return CharArgText(reader.NextArg(), reader);
    case 'p': return PointerArgText(reader.NextArg(), reader);
    default: reader.Invalid();
    }
}

void PadToWidth(std::string& text, const TFormatSpec& spec) {
    if (spec.Width <= static_cast<int>(text.size())) return;
    if (spec.LeftAlign) text.append(spec.Width - text.size(), ' ');
    else text.insert(0, spec.Width - text.size(), ' ');
}

}  // namespace

std::string FormatBuf(const std::string& fmt, const TVarRec* args, size_t count, const TFormatSettings& fs) {
    TFormatReader reader(fmt, args, count);
    std::string out;
    for (;;) {
        out += reader.ReadLiteral();
        if (reader.AtEnd()) return out;
        TFormatSpec spec = reader.ReadSpec();
        std::string text = ConversionText(spec, reader, fs);
        PadToWidth(text, spec);
        out += text;
    }
}

std::string Format(const std::string& fmt, std::initializer_list<TVarRec> args) {
    return FormatBuf(fmt, args.begin(), args.size(), FormatSettings);
}

std::string Format(const std::string& fmt, std::initializer_list<TVarRec> args, const TFormatSettings& settings) {
    return FormatBuf(fmt, args.begin(), args.size(), settings);
}

// ---- Conversions --------------------------------------------------------------------------

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHex(int64_t value, int digits) {
    return MinDigits(UnsignedText(static_cast<uint64_t>(value), 16), digits);
}

namespace {
// Hex texts may spell a full bit pattern ($FFFFFFFF is -1 as a 32-bit value); decimal ones
// must stay within the signed range.
bool ParseInteger(const std::string& s, int64_t& value, bool& hex) {
    size_t i = 0;
    const size_t n = s.size();
    while (i < n && s[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    hex = false;
    if (i < n && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n) return false;
    const unsigned base = hex ? 16 : 10;
    const uint64_t limit = hex ? UINT64_MAX : negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    uint64_t v = 0;
    for (; i < n; ++i) {
        char c = s[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        if (v > (limit - digit) / base) return false;
        v = v * base + digit;
    }
    value = negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
    return true;
}
}  // namespace

bool TryStrToInt64(const std::string& s, int64_t& value) {
    bool hex = false;
    return ParseInteger(s, value, hex);
}

bool TryStrToInt(const std::string& s, int& value) {
    int64_t v = 0;
    bool hex = false;
    if (!ParseInteger(s, v, hex)) return false;
    if (hex && v >= 0 && v <= static_cast<int64_t>(UINT32_MAX)) {
        value = static_cast<int32_t>(static_cast<uint32_t>(v));
        return true;
    }
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

int StrToInt(const std::string& s) {
    int v = 0;
    if (!TryStrToInt(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
    return v;
}

int64_t StrToInt64(const std::string& s) {
    int64_t v = 0;
    if (!TryStrToInt64(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
    return v;
}

int StrToIntDef(const std::string& s, int def) {
    int v = 0;
    return TryStrToInt(s, v) ? v : def;
}

std::string FloatToStr(double value) { return GeneralText(value, kDoubleDigits, FormatSettings); }
std::string FloatToStr(double value, const TFormatSettings& settings) {
    return GeneralText(value, kDoubleDigits, settings);
}

// ---- Strings ------------------------------------------------------------------------------

std::string TrimLeft(const std::string& s) {
    size_t b = 0;
    while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    return s.substr(b);
}

std::string TrimRight(const std::string& s) {
    size_t e = s.size();
    while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(0, e);
}

std::string Trim(const std::string& s) { return TrimLeft(TrimRight(s)); }

namespace {
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
}  // namespace

std::string UpperCase(const std::string& s) {
    std::string r = s;
    std::transform(r.begin(), r.end(), r.begin(), AsciiUpper);
    return r;
}

std::string LowerCase(const std::string& s) {
    std::string r = s;
    std::transform(r.begin(), r.end(), r.begin(), AsciiLower);
    return r;
}

std::string AnsiUpperCase(const std::string& s) {
    std::string r = s;
    if (!r.empty()) CharUpperBuffA(r.data(), static_cast<DWORD>(r.size()));
    return r;
}

std::string AnsiLowerCase(const std::string& s) {
    std::string r = s;
    if (!r.empty()) CharLowerBuffA(r.data(), static_cast<DWORD>(r.size()));
    return r;
}

int CompareText(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = static_cast<unsigned char>(AsciiUpper(a[i]));
        int cb = static_cast<unsigned char>(AsciiUpper(b[i]));
        if (ca != cb) return ca - cb;
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

int CompareStr(const std::string& a, const std::string& b) {
    int r = a.compare(b);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

namespace {
int LocaleCompare(const std::string& a, const std::string& b, DWORD flags) {
    int r = CompareStringA(LOCALE_USER_DEFAULT, flags, a.data(), static_cast<int>(a.size()), b.data(),
                           static_cast<int>(b.size()));
    return r == 0 ? CompareStr(a, b) : r - CSTR_EQUAL;
}
}  // namespace

int AnsiCompareText(const std::string& a, const std::string& b) { return LocaleCompare(a, b, NORM_IGNORECASE); }
int AnsiCompareStr(const std::string& a, const std::string& b) { return LocaleCompare(a, b, 0); }
bool AnsiSameText(const std::string& a, const std::string& b) { return AnsiCompareText(a, b) == 0; }

std::string StringReplace(const std::string& s, const std::string& oldPattern, const std::string& newPattern,
                          TReplaceFlags flags) {
    if (oldPattern.empty()) return s;
    const bool ignoreCase = flags & rfIgnoreCase;
    // Upper-casing in the single-byte code page keeps every offset, so matches found in the
    // folded copy index the original.
    const std::string hay = ignoreCase ? AnsiUpperCase(s) : s;
    const std::string needle = ignoreCase ? AnsiUpperCase(oldPattern) : oldPattern;
    std::string r;
    size_t from = 0;
    for (;;) {
        size_t at = hay.find(needle, from);
        if (at == std::string::npos) break;
        r.append(s, from, at - from);
        r += newPattern;
        from = at + needle.size();
        if (!(flags & rfReplaceAll)) break;
    }
    r.append(s, from, std::string::npos);
    return r;
}

// ---- Paths and files ----------------------------------------------------------------------

namespace {
bool IsPathDelim(char c) { return c == '\\' || c == '/'; }

// Index of the last folder or drive delimiter, or npos.
size_t LastPathDelimiter(const std::string& s) { return s.find_last_of("\\/:"); }
}  // namespace

std::string ExtractFilePath(const std::string& fileName) {
    size_t i = LastPathDelimiter(fileName);
    return i == std::string::npos ? std::string() : fileName.substr(0, i + 1);
}

std::string ExtractFileDir(const std::string& fileName) {
    size_t i = LastPathDelimiter(fileName);
    if (i == std::string::npos) return std::string();
    // "C:\x" keeps "C:\"; "\x" keeps "\"; "C:\a\b" gives "C:\a".
    if (i > 0 && IsPathDelim(fileName[i]) && !IsPathDelim(fileName[i - 1]) && fileName[i - 1] != ':') --i;
    return fileName.substr(0, i + 1);
}

std::string ExtractFileName(const std::string& fileName) {
    size_t i = LastPathDelimiter(fileName);
    return i == std::string::npos ? fileName : fileName.substr(i + 1);
}

std::string ExtractFileExt(const std::string& fileName) {
    size_t i = fileName.find_last_of(".\\/:");
    return i != std::string::npos && fileName[i] == '.' ? fileName.substr(i) : std::string();
}

std::string ExtractFileDrive(const std::string& fileName) {
    if (fileName.size() >= 2 && fileName[1] == ':') return fileName.substr(0, 2);
    if (fileName.size() >= 2 && IsPathDelim(fileName[0]) && IsPathDelim(fileName[1])) {
        // "\\server\share"
        size_t server = fileName.find_first_of("\\/", 2);
        if (server == std::string::npos) return fileName;
        size_t share = fileName.find_first_of("\\/", server + 1);
        return share == std::string::npos ? fileName : fileName.substr(0, share);
    }
    return std::string();
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
    size_t i = fileName.find_last_of(".\\/:");
    if (i == std::string::npos || fileName[i] != '.') return fileName + extension;
    return fileName.substr(0, i) + extension;
}

std::string IncludeTrailingBackslash(const std::string& s) {
    return !s.empty() && s.back() == '\\' ? s : s + '\\';
}

std::string ExcludeTrailingBackslash(const std::string& s) {
    return !s.empty() && s.back() == '\\' ? s.substr(0, s.size() - 1) : s;
}

std::string IncludeTrailingPathDelimiter(const std::string& s) { return IncludeTrailingBackslash(s); }
std::string ExcludeTrailingPathDelimiter(const std::string& s) { return ExcludeTrailingBackslash(s); }

std::string ExpandFileName(const std::string& fileName) {
    if (fileName.empty()) return fileName;
    std::string buf(MAX_PATH, '\0');
    for (;;) {
        DWORD n = GetFullPathNameA(fileName.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
        if (n == 0) return fileName;
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.assign(n, '\0');
    }
}

bool FileExists(const std::string& fileName) {
    DWORD a = GetFileAttributesA(fileName.c_str());
    return !fileName.empty() && a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& dir) {
    DWORD a = GetFileAttributesA(dir.c_str());
    return !dir.empty() && a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& dir) {
    if (dir.empty()) return false;
    std::string full = ExcludeTrailingBackslash(ExpandFileName(dir));
    if (full.empty()) return false;
    if (DirectoryExists(full)) return true;
    std::string parent = ExtractFileDir(full);
    // Reached a root ("C:\", "\\server\share") that doesn't exist: nothing to create it from.
    if (parent.empty() || parent == full || ExcludeTrailingBackslash(parent) == full) return false;
    if (!ForceDirectories(parent)) return false;
    return CreateDir(full) || DirectoryExists(full);
}

bool CreateDir(const std::string& dir) { return CreateDirectoryA(dir.c_str(), nullptr) != FALSE; }
bool RemoveDir(const std::string& dir) { return RemoveDirectoryA(dir.c_str()) != FALSE; }
bool DeleteFile(const std::string& fileName) { return DeleteFileA(fileName.c_str()) != FALSE; }
bool RenameFile(const std::string& oldName, const std::string& newName) {
    return MoveFileA(oldName.c_str(), newName.c_str()) != FALSE;
}

std::string GetCurrentDir() {
    DWORD n = GetCurrentDirectoryA(0, nullptr);
    if (n == 0) return std::string();
    std::string buf(n, '\0');
    n = GetCurrentDirectoryA(n, buf.data());
    buf.resize(n);
    return buf;
}

bool SetCurrentDir(const std::string& dir) { return SetCurrentDirectoryA(dir.c_str()) != FALSE; }

namespace {
constexpr int kSpecialAttributes = faHidden | faSysFile | faVolumeID | faDirectory;

// Skips entries whose special attributes the mask excludes; 0 or the Win32 error.
int FindMatching(TSearchRec& f) {
    while (static_cast<int>(f.FindData.dwFileAttributes) & f.ExcludeAttr) {
        if (!FindNextFileA(f.FindHandle.Get(), &f.FindData)) return static_cast<int>(GetLastError());
    }
    f.Size = (static_cast<int64_t>(f.FindData.nFileSizeHigh) << 32) | f.FindData.nFileSizeLow;
    f.Attr = static_cast<int>(f.FindData.dwFileAttributes);
    f.Name = f.FindData.cFileName;
    f.Time = f.FindData.ftLastWriteTime;
    return 0;
}
}  // namespace

int FindFirst(const std::string& path, int attr, TSearchRec& f) {
    f.ExcludeAttr = ~attr & kSpecialAttributes;
    f.FindHandle.Reset(FindFirstFileA(path.c_str(), &f.FindData));
    if (!f.FindHandle) return static_cast<int>(GetLastError());
    int r = FindMatching(f);
    if (r != 0) f.FindHandle.Reset();
    return r;
}

int FindNext(TSearchRec& f) {
    if (!f.FindHandle) return ERROR_NO_MORE_FILES;
    if (!FindNextFileA(f.FindHandle.Get(), &f.FindData)) return static_cast<int>(GetLastError());
    return FindMatching(f);
}

void FindClose(TSearchRec& f) { f.FindHandle.Reset(); }

// ---- Operating-system errors ----------------------------------------------------------

std::string SysErrorMessage(DWORD errorCode) {
    char* buf = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, errorCode, 0, reinterpret_cast<char*>(&buf), 0, nullptr);
    std::string text = n && buf ? std::string(buf, n) : std::string();
    if (buf) LocalFree(buf);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
    return text;
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void RaiseLastOSError(DWORD errorCode) {
    if (errorCode == 0) throw EOSError("A call to an OS function failed", 0);
    throw EOSError("System Error.  Code: " + std::to_string(errorCode) + ".\r\n" + SysErrorMessage(errorCode),
                   errorCode);
}

bool Win32Check(BOOL ok) {
    if (!ok) RaiseLastOSError();
    return true;
}

// ---- Date and time ----------------------------------------------------------------------

namespace {
bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Days from 1 January of year 1 to the given date (proleptic Gregorian).
int64_t DaysFromCivil(int y, int m, int d) {
    static const int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    int64_t yy = y - 1;
    int64_t days = yy * 365 + yy / 4 - yy / 100 + yy / 400 + before[m - 1] + d - 1;
    if (m > 2 && IsLeapYear(y)) ++days;
    return days;
}

const int64_t kDelta = DaysFromCivil(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
}  // namespace

TDateTime EncodeDate(int year, int month, int day) {
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > lengths[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0))
        throw EConvertError("Invalid argument to date encode");
    return static_cast<double>(DaysFromCivil(year, month, day) - kDelta);
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        throw EConvertError("Invalid argument to time encode");
    return (((hour * 60 + min) * 60 + sec) * 1000 + msec) / kMsPerDay;
}

TDateTime SystemTimeToDateTime(const SYSTEMTIME& st) {
    TDateTime date = EncodeDate(st.wYear, st.wMonth, st.wDay);
    TDateTime time = EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
    // Before 1899-12-30 the day counts down while the time fraction still counts up.
    return date >= 0 ? date + time : date - time;
}

SYSTEMTIME DateTimeToSystemTime(TDateTime dt) {
    int64_t ms = std::llround(std::fabs(dt) * kMsPerDay);
    int64_t days = ms / 86400000;
    int64_t msOfDay = ms % 86400000;
    if (dt < 0) days = -days;
    int64_t n = days + kDelta;   // days since 0001-01-01
    // Civil date from a day count (400-year cycles).
    int y = static_cast<int>(n / 146097) * 400 + 1;
    n %= 146097;
    int c = static_cast<int>(std::min<int64_t>(n / 36524, 3));
    y += c * 100;
    n -= c * 36524;
    y += static_cast<int>(n / 1461) * 4;
    n %= 1461;
    int yy = static_cast<int>(std::min<int64_t>(n / 365, 3));
    y += yy;
    n -= yy * 365;
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int m = 0;
    for (; m < 12; ++m) {
        int len = lengths[m] + (m == 1 && IsLeapYear(y) ? 1 : 0);
        if (n < len) break;
        n -= len;
    }
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m + 1);
    st.wDay = static_cast<WORD>(n + 1);
    st.wDayOfWeek = static_cast<WORD>((days + kDelta + 1) % 7);   // 0001-01-01 was a Monday
    st.wHour = static_cast<WORD>(msOfDay / 3600000);
    st.wMinute = static_cast<WORD>(msOfDay / 60000 % 60);
    st.wSecond = static_cast<WORD>(msOfDay / 1000 % 60);
    st.wMilliseconds = static_cast<WORD>(msOfDay % 1000);
    return st;
}

TDateTime Now() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return SystemTimeToDateTime(st);
}

std::string DateToStr(TDateTime dt) {
    SYSTEMTIME st = DateTimeToSystemTime(dt);
    char buf[128] = {};
    return GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, sizeof buf) ? buf : "";
}

std::string TimeToStr(TDateTime dt) {
    SYSTEMTIME st = DateTimeToSystemTime(dt);
    char buf[128] = {};
    return GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, sizeof buf) ? buf : "";
}

std::string DateTimeToStr(TDateTime dt) { return DateToStr(dt) + " " + TimeToStr(dt); }

bool Is64BitWindows() {
    if constexpr (sizeof(void*) == 8) {
        return true;
    } else {
        // A 32-bit process is on 64-bit Windows exactly when it runs under WOW64.
        static const bool wow64 = [] {
            BOOL under = FALSE;
            return IsWow64Process(GetCurrentProcess(), &under) && under;
        }();
        return wow64;
    }
}

bool RunsUnderWow64() { return sizeof(void*) == 4 && Is64BitWindows(); }

std::wstring WideUpperCase(std::wstring s) {
    if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

bool WideSameText(const std::wstring& a, const std::wstring& b) { return WideUpperCase(a) == WideUpperCase(b); }

bool WideStartsText(const std::wstring& text, const std::wstring& head) {
    return text.size() >= head.size() && WideSameText(text.substr(0, head.size()), head);
}
