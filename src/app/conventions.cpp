#include "app/conventions.h"

#include "platform/errors.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <mutex>
#include <system_error>

namespace conv {
namespace {

constexpr int DoubleDigits = 15;
constexpr int SingleDigits = 7;

[[noreturn]] void InvalidCall(const char* what)
{
    throw kv::RuntimeError(kv::ErrInvalidCall, std::string("invalid procedure call: ") + what);
}

// A finite, non-zero value rounded to `significant` digits:
// value = (negative ? -1 : 1) * d0.d1d2... * 10^exponent, digits.size() == significant.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

// to_chars rounds correctly to the requested digits, so the decimal text is
// the one the classic run-time shows, not the binary value's tail.
template <class T>
Decimal Decompose(T value, int significant)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                             significant - 1);
    std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    Decimal d;
    std::size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    for (; i < text.size() && text[i] != 'e'; ++i)
        if (text[i] != '.')
            d.digits += text[i];
    ++i;   // past 'e'; the exponent is "+dd" or "-ddd"
    const bool expNegative = text[i] == '-';
    std::from_chars(text.data() + i + 1, text.data() + text.size(), d.exponent);
    if (expNegative)
        d.exponent = -d.exponent;
    return d;
}

template <class T>
std::string FloatText(T value, int significant)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-Inf" : "Inf";
    if (value == 0)
        return "0";   // also -0

    Decimal d = Decompose(value, significant);
    std::string digits = d.digits;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int e = d.exponent;
    const int count = static_cast<int>(digits.size());

    std::string out = d.negative ? "-" : "";
    if (e >= -4 && e < significant) {
        if (e < 0) {
            out += '.';
            out.append(static_cast<std::size_t>(-e - 1), '0');
            out += digits;
        } else if (count <= e + 1) {
            out += digits;
            out.append(static_cast<std::size_t>(e + 1 - count), '0');
        } else {
            out += digits.substr(0, static_cast<std::size_t>(e + 1));
            out += '.';
            out += digits.substr(static_cast<std::size_t>(e + 1));
        }
        return out;
    }

    out += digits[0];
    if (count > 1) {
        out += '.';
        out += digits.substr(1);
    }
    out += e < 0 ? "E-" : "E+";
    const int magnitude = e < 0 ? -e : e;
    if (magnitude < 10)
        out += '0';
    out += IntText(magnitude);
    return out;
}

// Adds one to a string of decimal digits ("199" -> "200", "99" -> "100").
void Increment(std::string& digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// round(|value| * 10^places), half away from zero, as a string of digits
// ("0" when it rounds to nothing). Rounds the decimal text of the value so
// 112.35 (binary 112.3499...) behaves as written.
template <class T>
std::string RoundedDigits(T value, int significant, int places, bool& negative)
{
    negative = false;
    if (value == 0)
        return "0";
    Decimal d = Decompose(value, significant);
    negative = d.negative;
    const int last = static_cast<int>(d.digits.size()) - 1;
    const int k = d.exponent + places;   // index of the last digit kept
    if (k < -1)
        return "0";
    if (k >= last)
        return d.digits + std::string(static_cast<std::size_t>(k - last), '0');
    std::string kept = d.digits.substr(0, static_cast<std::size_t>(k + 1));
    if (d.digits[static_cast<std::size_t>(k + 1)] >= '5')
        Increment(kept);
    return kept.empty() ? "0" : kept;
}

template <class T>
std::string Fixed1(T value, int significant)
{
    if (!std::isfinite(value))
        return FloatText(value, significant);
    bool negative = false;
    std::string n = RoundedDigits(value, significant, 1, negative);
    if (n.size() < 2)
        n.insert(n.begin(), '0');
    const bool zero = n.find_first_not_of('0') == std::string::npos;
    std::string out = negative && !zero ? "-" : "";
    out += n.substr(0, n.size() - 1);
    out += '.';
    out += n.back();
    return out;
}

template <class T>
std::string Hashes(T value, int significant)
{
    if (!std::isfinite(value))
        return FloatText(value, significant);
    bool negative = false;
    std::string n = RoundedDigits(value, significant, 0, negative);
    if (n == "0")
        return "";
    return (negative ? "-" : "") + n;
}

std::string Hex(std::uint64_t v)
{
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, v, 16);
    std::string out(buf, res.ptr);
    for (char& c : out)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// Rounds half to even without touching the floating-point environment.
// Working on the magnitude keeps value - floor(value) exact.
double RoundHalfEven(double value)
{
    const double magnitude = std::fabs(value);
    const double low = std::floor(magnitude);
    const double diff = magnitude - low;
    double r = low;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(low, 2.0) != 0))
        r = low + 1;
    return value < 0 ? -r : r;
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte offset where character number `chars` (0-based) starts, or s.size().
std::size_t ByteIndex(std::string_view s, long long chars)
{
    std::size_t i = 0;
    while (i < s.size() && chars > 0) {
        ++i;
        while (i < s.size() && IsContinuation(s[i]))
            ++i;
        --chars;
    }
    return i;
}

std::string Utf8(char32_t cp)
{
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

std::string Padded(int value, int width)
{
    std::string digits = IntText(value < 0 ? -static_cast<std::int64_t>(value) : value);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

// ---- numbers to text -------------------------------------------------------

std::string IntText(std::int64_t value)
{
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

std::string DoubleText(double value) { return FloatText(value, DoubleDigits); }
std::string SingleText(float value) { return FloatText(value, SingleDigits); }

namespace {
// A blank in the sign's place before a value that is not negative.
std::string WithSignPlace(bool negative, std::string text)
{
    if (!negative) text.insert(text.begin(), ' ');
    return text;
}
} // namespace

std::string SignText(double value) { return WithSignPlace(value < 0, DoubleText(value)); }
std::string SignText(float value) { return WithSignPlace(value < 0, SingleText(value)); }

std::string HexText(std::int16_t value) { return Hex(static_cast<std::uint16_t>(value)); }
std::string HexText(std::int32_t value) { return Hex(static_cast<std::uint32_t>(value)); }
std::string HexText(std::int64_t value) { return Hex(static_cast<std::uint64_t>(value)); }

// ---- Format patterns -------------------------------------------------------

std::string FormatAt(std::string_view text, int n)
{
    const int pad = n - Len(text);
    std::string out(pad > 0 ? static_cast<std::size_t>(pad) : 0, ' ');
    out += text;
    return out;
}

std::string FormatFixed1(double value) { return Fixed1(value, DoubleDigits); }
std::string FormatFixed1(float value) { return Fixed1(value, SingleDigits); }
std::string FormatHashes(double value) { return Hashes(value, DoubleDigits); }
std::string FormatHashes(float value) { return Hashes(value, SingleDigits); }

// ---- text and floating values to integers ----------------------------------

double Val(std::string_view text)
{
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n')
            s += c;

    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';

    std::string number;   // what from_chars reads: no sign, "e" exponent
    int intDigits = 0;      // integer digits from the first non-zero one
    int leadingFraction = 0;  // zeros after the point before the first non-zero
    bool nonZero = false;
    bool anyDigit = false;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        number += s[i];
        anyDigit = true;
        nonZero = nonZero || s[i] != '0';
        if (nonZero)
            ++intDigits;
    }
    if (i < s.size() && s[i] == '.') {
        number += s[i++];
        for (; i < s.size() && IsDigit(s[i]); ++i) {
            number += s[i];
            anyDigit = true;
            if (!nonZero && s[i] == '0')
                ++leadingFraction;
            nonZero = nonZero || s[i] != '0';
        }
    }
    if (!anyDigit || !nonZero)
        return 0.0;

    // The exponent counts only when at least one digit follows the letter.
    long long exponent = 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            expNegative = s[j++] == '-';
        if (j < s.size() && IsDigit(s[j])) {
            number += expNegative ? "e-" : "e";
            for (; j < s.size() && IsDigit(s[j]); ++j) {
                number += s[j];
                if (exponent < 1000000)
                    exponent = exponent * 10 + (s[j] - '0');
            }
            if (expNegative)
                exponent = -exponent;
        }
    }

    double value = 0;
    auto res = std::from_chars(number.data(), number.data() + number.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large or too small: the decimal magnitude tells which.
        const long long magnitude = (intDigits > 0 ? intDigits - 1 : -leadingFraction - 1) + exponent;
        if (magnitude > 0)
            throw kv::RuntimeError(kv::ErrOverflow, "overflow: " + std::string(text));
        return 0.0;
    }
    return negative ? -value : value;
}

std::int32_t ToInt32(double value)
{
    const double r = std::isnan(value) ? value : RoundHalfEven(value);
    if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max()))
        throw kv::RuntimeError(kv::ErrOverflow, "overflow: " + DoubleText(value));
    return static_cast<std::int32_t>(r);
}

std::int16_t ToInt16(double value)
{
    const double r = std::isnan(value) ? value : RoundHalfEven(value);
    if (!(r >= std::numeric_limits<std::int16_t>::min() && r <= std::numeric_limits<std::int16_t>::max()))
        throw kv::RuntimeError(kv::ErrOverflow, "overflow: " + DoubleText(value));
    return static_cast<std::int16_t>(r);
}

std::int64_t IntDiv(std::int64_t a, std::int64_t b)
{
    if (b == 0)
        throw kv::RuntimeError(kv::ErrDivisionByZero, "division by zero");
    if (a == std::numeric_limits<std::int64_t>::min() && b == -1)
        throw kv::RuntimeError(kv::ErrOverflow, "overflow: integer division");
    return a / b;   // C++ division already truncates toward zero
}

// ---- text helpers ----------------------------------------------------------

std::string LTrim(std::string_view s)
{
    const auto first = s.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(s.substr(first));
}

std::string RTrim(std::string_view s)
{
    const auto last = s.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string() : std::string(s.substr(0, last + 1));
}

std::string Trim(std::string_view s) { return LTrim(RTrim(s)); }

int Len(std::string_view s)
{
    int n = 0;
    for (char c : s)
        if (!IsContinuation(c))
            ++n;
    return n;
}

std::string Left(std::string_view s, int n)
{
    if (n < 0)
        InvalidCall("Left");
    return std::string(s.substr(0, ByteIndex(s, n)));
}

std::string Right(std::string_view s, int n)
{
    if (n < 0)
        InvalidCall("Right");
    const int len = Len(s);
    if (n >= len)
        return std::string(s);
    return std::string(s.substr(ByteIndex(s, len - n)));
}

std::string Mid(std::string_view s, int start)
{
    if (start < 1)
        InvalidCall("Mid");
    return std::string(s.substr(ByteIndex(s, start - 1)));
}

std::string Mid(std::string_view s, int start, int length)
{
    if (start < 1 || length < 0)
        InvalidCall("Mid");
    const std::string_view rest = s.substr(ByteIndex(s, start - 1));
    return std::string(rest.substr(0, ByteIndex(rest, length)));
}

int InStr(int start, std::string_view haystack, std::string_view needle)
{
    if (start < 1)
        InvalidCall("InStr");
    if (haystack.empty() || start > Len(haystack))
        return 0;
    if (needle.empty())
        return start;
    // A UTF-8 match can only begin on a character boundary, so a byte search is exact.
    const auto pos = haystack.find(needle, ByteIndex(haystack, start - 1));
    if (pos == std::string_view::npos)
        return 0;
    return Len(haystack.substr(0, pos)) + 1;
}

int InStr(std::string_view haystack, std::string_view needle) { return InStr(1, haystack, needle); }

std::string UCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string LCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string Space(int n)
{
    if (n < 0)
        InvalidCall("Space");
    return std::string(static_cast<std::size_t>(n), ' ');
}

std::string String(int n, char32_t ch)
{
    if (n < 0)
        InvalidCall("String");
    const std::string one = Utf8(ch);
    std::string out;
    out.reserve(one.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        out += one;
    return out;
}

std::string String(int n, std::string_view ch)
{
    if (n < 0 || ch.empty())
        InvalidCall("String");
    const std::string_view one = ch.substr(0, ByteIndex(ch, 1));
    std::string out;
    out.reserve(one.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        out += one;
    return out;
}

// ---- dates and times -------------------------------------------------------

std::string DateText(int year, int month, int day)
{
    return Padded(month, 2) + "-" + Padded(day, 2) + "-" + Padded(year, 4);
}

std::string DateText(const std::tm& t) { return DateText(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday); }

std::string TimeText(int hour, int minute, int second)
{
    return Padded(hour, 2) + ":" + Padded(minute, 2) + ":" + Padded(second, 2);
}

std::string TimeText(const std::tm& t) { return TimeText(t.tm_hour, t.tm_min, t.tm_sec); }

std::tm LocalNow()
{
    // std::localtime shares one buffer; copy it out under a lock.
    static std::mutex lock;
    const std::time_t now = std::time(nullptr);
    std::lock_guard<std::mutex> guard(lock);
    return *std::localtime(&now);
}

std::string NowDateText() { return DateText(LocalNow()); }
std::string NowTimeText() { return TimeText(LocalNow()); }

} // namespace conv
