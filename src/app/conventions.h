#pragma once
// The classic run-time's text and number conventions: how numbers become
// text (and back), the Format patterns the program uses, rounding to
// integers, and the character-based string helpers. Strings hold UTF-8 and
// every count or position is in characters (code points), never bytes.
// Nothing here depends on the locale: "." is always the decimal point.
#include <concepts>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>

namespace conv {

// ---- numbers to text -------------------------------------------------------

// Decimal digits, "-" before a negative value, no blank.
std::string IntText(std::int64_t value);
template <std::floating_point T>
std::string IntText(T) = delete;   // a floating value wants DoubleText

// Up to 15 significant digits (Single: 7), trailing zeros and point dropped,
// no leading zero before the point (".5", "-.25"), no blank. Fixed notation
// while 1E-04 <= |x| < 1E+15 (Single: 1E+07) after rounding to those digits;
// otherwise exponent form: "1E+16", "1.5E-05". -0 shows as "0"; values that
// cannot arise in the classic run-time show as "NaN", "Inf", "-Inf".
std::string DoubleText(double value);
std::string SingleText(float value);

// The same texts with a sign place: a blank before a value that is not
// negative (" 4", "-4", " .5"). A float keeps its 7-digit text.
std::string SignText(double value);
std::string SignText(float value);
template <std::integral T>
std::string SignText(T value)
{
    std::string text = IntText(static_cast<std::int64_t>(value));
    if (!std::cmp_less(value, 0)) text.insert(text.begin(), ' ');
    return text;
}

// Upper-case hexadecimal, no leading zeros; a negative value shows its
// two's complement at its own width (Int16 -1 "FFFF", Int32 -1 "FFFFFFFF").
std::string HexText(std::int16_t value);
std::string HexText(std::int32_t value);
std::string HexText(std::int64_t value);

// ---- Format patterns -------------------------------------------------------

// "@" repeated n times: text right-aligned in n characters by blanks on its
// left; a longer text is shown whole. Pass the value's text (IntText...).
std::string FormatAt(std::string_view text, int n);

// "0.0": one digit after the point, at least one before it, half away from
// zero on the decimal text of the value (112.35 -> "112.4", 0.25 -> "0.3",
// -0.05 -> "-0.1"). A value that rounds to zero is "0.0", never "-0.0".
// A float is rounded from its 7-digit text, a double from its 15-digit text.
std::string FormatFixed1(double value);
std::string FormatFixed1(float value);
template <std::integral T>
std::string FormatFixed1(T value) { return FormatFixed1(static_cast<double>(value)); }

// "######": rounded to a whole number (half away from zero), digits only,
// no filler; a value that rounds to zero gives "".
std::string FormatHashes(double value);
std::string FormatHashes(float value);
template <std::integral T>
std::string FormatHashes(T value) { return FormatHashes(static_cast<double>(value)); }

// ---- text and floating values to integers ----------------------------------

// Val: blanks, tabs and line feeds are ignored wherever they stand, then the
// longest leading decimal number is read: sign, digits, "." fraction,
// exponent (E or D, either case, with sign). No number gives 0. The "&H"/"&O"
// prefixes are not supported. A value beyond Double raises overflow (6).
double Val(std::string_view text);

// CLng/CInt: nearest integer, ties to the even one (2.5 -> 2, 3.5 -> 4).
// A result out of range, or NaN, raises overflow (6).
std::int32_t ToInt32(double value);
std::int16_t ToInt16(double value);

// The "\" operator: truncates toward zero (-7 \ 2 = -3); zero divisor raises
// division by zero (11). The classic operator rounds floating operands to
// integers first: pass them through ToInt32.
std::int64_t IntDiv(std::int64_t a, std::int64_t b);

// ---- text helpers (characters, not bytes) ----------------------------------

// Only U+0020 blanks are removed; tabs and U+3000 stay.
std::string Trim(std::string_view s);
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);

// A negative count or a start below 1 raises invalid procedure call (5).
int Len(std::string_view s);
std::string Left(std::string_view s, int n);
std::string Right(std::string_view s, int n);
std::string Mid(std::string_view s, int start);
std::string Mid(std::string_view s, int start, int length);

// 1-based character position of needle at or after start, or 0. Exact
// comparison. An empty haystack or a start past its end gives 0; otherwise
// an empty needle gives start.
int InStr(int start, std::string_view haystack, std::string_view needle);
int InStr(std::string_view haystack, std::string_view needle);

// ASCII letters only; every other character passes unchanged.
std::string UCase(std::string_view s);
std::string LCase(std::string_view s);

std::string Space(int n);
std::string String(int n, char32_t ch);
std::string String(int n, std::string_view ch);   // first character of ch

// ---- dates and times -------------------------------------------------------

// "MM-DD-YYYY", e.g. "12-06-2026".
std::string DateText(int year, int month, int day);
std::string DateText(const std::tm& t);
// "HH:MM:SS", hours 00-23.
std::string TimeText(int hour, int minute, int second);
std::string TimeText(const std::tm& t);

// The local date and time now; take one LocalNow() when both texts must
// describe the same instant.
std::tm LocalNow();
std::string NowDateText();
std::string NowTimeText();

} // namespace conv
