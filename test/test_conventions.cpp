#include "app/conventions.h"
#include "platform/errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

using namespace conv;

namespace {

// Runs f and returns the run-time error number it raised (-1: none).
template <class F>
int ErrorOf(F f)
{
    try {
        f();
    } catch (const kv::RuntimeError& e) {
        return e.Number();
    }
    return -1;
}

} // namespace

TEST(Conventions, IntegerTexts)
{
    EXPECT_EQ(IntText(0), "0");
    EXPECT_EQ(IntText(-42), "-42");
    EXPECT_EQ(IntText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
    EXPECT_EQ(IntText(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(SignText(4), " 4");
    EXPECT_EQ(SignText(0), " 0");
    EXPECT_EQ(SignText(-4), "-4");
    EXPECT_EQ(SignText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
    EXPECT_EQ(HexText(255), "FF");
    EXPECT_EQ(HexText(0), "0");
    EXPECT_EQ(HexText(-1), "FFFFFFFF");
    EXPECT_EQ(HexText(static_cast<std::int16_t>(-1)), "FFFF");
    EXPECT_EQ(HexText(std::int64_t{-1}), "FFFFFFFFFFFFFFFF");
}

TEST(Conventions, FloatingTexts)
{
    EXPECT_EQ(SingleText(12.0f), "12");
    EXPECT_EQ(SingleText(-10.0f), "-10");
    EXPECT_EQ(SingleText(0.1f), ".1");   // 7 digits hide the float's binary tail
    EXPECT_EQ(SingleText(9999999.0f), "9999999");
    EXPECT_EQ(SingleText(1e7f), "1E+07");
    EXPECT_EQ(SingleText(16777216.0f), "1.677722E+07");
    EXPECT_EQ(DoubleText(0.1 + 0.2), ".3");
    EXPECT_EQ(DoubleText(0.5), ".5");
    EXPECT_EQ(DoubleText(-0.25), "-.25");
    EXPECT_EQ(DoubleText(0.0), "0");
    EXPECT_EQ(DoubleText(-0.0), "0");
    EXPECT_EQ(DoubleText(123.456), "123.456");
    EXPECT_EQ(DoubleText(100.0), "100");
    EXPECT_EQ(DoubleText(999999999999999.0), "999999999999999");
    EXPECT_EQ(DoubleText(1e15), "1E+15");
    EXPECT_EQ(DoubleText(1e16), "1E+16");
    EXPECT_EQ(DoubleText(-1.25e100), "-1.25E+100");
    EXPECT_EQ(DoubleText(0.0001), ".0001");
    EXPECT_EQ(DoubleText(0.000015), "1.5E-05");
    // Rounding to 15 digits can carry into the next power of ten.
    EXPECT_EQ(DoubleText(0.99999999999999999), "1");
    EXPECT_EQ(SignText(0.5), " .5");
    EXPECT_EQ(SignText(12.5), " 12.5");
    EXPECT_EQ(SignText(-0.5), "-.5");
    EXPECT_EQ(SignText(0.1f), " .1");
}

TEST(Conventions, FormatAtPadsByCharacters)
{
    EXPECT_EQ(FormatAt(IntText(12), 6), "    12");
    EXPECT_EQ(FormatAt(IntText(12345), 4), "12345");
    EXPECT_EQ(FormatAt("", 3), "   ");
    EXPECT_EQ(FormatAt("日本", 4), "  日本");   // 2 characters, 6 bytes
}

TEST(Conventions, FormatFixed1RoundsDecimalTextHalfAway)
{
    EXPECT_EQ(FormatFixed1(0.04), "0.0");
    EXPECT_EQ(FormatFixed1(0.25), "0.3");
    EXPECT_EQ(FormatFixed1(112.34), "112.3");
    EXPECT_EQ(FormatFixed1(112.35), "112.4");   // binary 112.3499...
    EXPECT_EQ(FormatFixed1(90), "90.0");
    EXPECT_EQ(FormatFixed1(100.5), "100.5");
    EXPECT_EQ(FormatFixed1(99.5), "99.5");
    EXPECT_EQ(FormatFixed1(99.95), "100.0");
    EXPECT_EQ(FormatFixed1(0.0), "0.0");
    EXPECT_EQ(FormatFixed1(-0.05), "-0.1");
    EXPECT_EQ(FormatFixed1(-0.04), "0.0");
    EXPECT_EQ(FormatFixed1(1e20), "100000000000000000000.0");
    const float ratio = 11234.0f / 10000.0f * 100.0f;
    EXPECT_EQ(FormatFixed1(ratio), "112.3");
    EXPECT_EQ(FormatFixed1(99.95f), "100.0");   // rounded from the float's "99.95"
}

TEST(Conventions, FormatHashes)
{
    EXPECT_EQ(FormatHashes(123.6), "124");
    EXPECT_EQ(FormatHashes(0), "");
    EXPECT_EQ(FormatHashes(0.4), "");
    EXPECT_EQ(FormatHashes(-0.4), "");
    EXPECT_EQ(FormatHashes(0.5), "1");
    EXPECT_EQ(FormatHashes(2.5), "3");   // Format rounds half away, unlike CLng
    EXPECT_EQ(FormatHashes(-5), "-5");
    EXPECT_EQ(FormatHashes(999.5), "1000");
}

TEST(Conventions, Val)
{
    EXPECT_EQ(Val(" 1 2 3"), 123);
    EXPECT_EQ(Val("\t-4.5\n"), -4.5);
    EXPECT_EQ(Val("12abc3"), 12);
    EXPECT_EQ(Val("1,000"), 1);
    EXPECT_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val("5."), 5);
    EXPECT_EQ(Val("+7"), 7);
    EXPECT_EQ(Val("1.5E3"), 1500);
    EXPECT_EQ(Val("2e-2"), 0.02);
    EXPECT_EQ(Val("3D2"), 300);
    EXPECT_EQ(Val("1E"), 1);     // exponent without digits is not part of the number
    EXPECT_EQ(Val("1e+x"), 1);
    EXPECT_EQ(Val("0.000"), 0);
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("."), 0);
    EXPECT_EQ(Val("--5"), 0);
    EXPECT_EQ(Val("1e-400"), 0);
    EXPECT_EQ(ErrorOf([] { Val("1e400"); }), kv::ErrOverflow);
}

TEST(Conventions, ToIntegerRoundsHalfEvenAndChecksRange)
{
    EXPECT_EQ(ToInt32(2.5), 2);
    EXPECT_EQ(ToInt32(3.5), 4);
    EXPECT_EQ(ToInt32(-2.5), -2);
    EXPECT_EQ(ToInt32(-0.4999999999999999), 0);
    EXPECT_EQ(ToInt32(2.6), 3);
    EXPECT_EQ(ToInt32(2147483646.5), 2147483646);
    EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
    EXPECT_EQ(ToInt32(-2147483648.5), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ErrorOf([] { ToInt32(2147483647.5); }), kv::ErrOverflow);
    EXPECT_EQ(ErrorOf([] { ToInt32(-2147483649.0); }), kv::ErrOverflow);
    EXPECT_EQ(ErrorOf([] { ToInt32(std::nan("")); }), kv::ErrOverflow);
    EXPECT_EQ(ErrorOf([] { ToInt32(HUGE_VAL); }), kv::ErrOverflow);
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ErrorOf([] { ToInt16(32767.5); }), kv::ErrOverflow);
    EXPECT_EQ(ErrorOf([] { ToInt16(-32769); }), kv::ErrOverflow);
}

TEST(Conventions, IntDiv)
{
    EXPECT_EQ(IntDiv(-7, 2), -3);
    EXPECT_EQ(IntDiv(7, -2), -3);
    EXPECT_EQ(IntDiv(7, 2), 3);
    EXPECT_EQ(ErrorOf([] { IntDiv(1, 0); }), kv::ErrDivisionByZero);
    EXPECT_EQ(ErrorOf([] { IntDiv(std::numeric_limits<std::int64_t>::min(), -1); }), kv::ErrOverflow);
}

TEST(Conventions, TrimRemovesOnlyAsciiBlanks)
{
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim("\tx\t"), "\tx\t");
    EXPECT_EQ(Trim("\u3000x\u3000 "), "\u3000x\u3000");
    EXPECT_EQ(LTrim("  a  "), "a  ");
    EXPECT_EQ(RTrim("  a  "), "  a");
}

TEST(Conventions, StringHelpersCountCharacters)
{
    const std::string s = "ab日本語c";   // 6 characters
    EXPECT_EQ(Len(s), 6);
    EXPECT_EQ(Left(s, 3), "ab日");
    EXPECT_EQ(Left(s, 99), s);
    EXPECT_EQ(Right(s, 2), "語c");
    EXPECT_EQ(Right(s, 0), "");
    EXPECT_EQ(Mid(s, 3, 2), "日本");
    EXPECT_EQ(Mid(s, 4), "本語c");
    EXPECT_EQ(Mid(s, 9), "");
    EXPECT_EQ(InStr(s, "語"), 5);
    EXPECT_EQ(InStr(s, "c"), 6);
    EXPECT_EQ(InStr(6, s, "本"), 0);
    EXPECT_EQ(InStr(s, "B"), 0);   // exact comparison
    EXPECT_EQ(InStr(2, s, ""), 2);
    EXPECT_EQ(InStr("", ""), 0);
    EXPECT_EQ(UCase("abz日"), "ABZ日");
    EXPECT_EQ(LCase("ABZ日"), "abz日");
    EXPECT_EQ(Space(3), "   ");
    EXPECT_EQ(String(3, U'■'), "■■■");
    EXPECT_EQ(String(2, "日本"), "日日");
    EXPECT_EQ(ErrorOf([] { Left("a", -1); }), kv::ErrInvalidCall);
    EXPECT_EQ(ErrorOf([] { Mid("a", 0, 1); }), kv::ErrInvalidCall);
    EXPECT_EQ(ErrorOf([] { InStr(0, "a", "a"); }), kv::ErrInvalidCall);
}

TEST(Conventions, DateAndTimeTexts)
{
    EXPECT_EQ(DateText(2026, 12, 6), "12-06-2026");
    EXPECT_EQ(DateText(2002, 1, 31), "01-31-2002");
    EXPECT_EQ(TimeText(0, 5, 9), "00:05:09");
    EXPECT_EQ(TimeText(23, 59, 59), "23:59:59");
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 6;
    t.tm_hour = 7;
    EXPECT_EQ(DateText(t), "12-06-2026");
    EXPECT_EQ(TimeText(t), "07:00:00");
    EXPECT_EQ(NowDateText().size(), 10u);
    EXPECT_EQ(NowTimeText().size(), 8u);
}
