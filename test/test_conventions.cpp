#include "app/conventions.h"
#include "error_of.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <utility>

using namespace conv;

namespace {

// Every row of a table: f(input) gives exactly the output.
template <class In, class Out, class F>
void ExpectEach(F f, std::initializer_list<std::pair<In, Out>> rows)
{
    for (const auto& [in, out] : rows) EXPECT_EQ(f(in), out) << "from " << in;
}

} // namespace

TEST(Conventions, NumbersBecomeTexts)
{
    ExpectEach<std::int64_t, const char*>([](std::int64_t v) { return IntText(v); },
                                          {{0, "0"}, {-42, "-42"}, {INT64_MIN, "-9223372036854775808"}});
    ExpectEach<std::int32_t, const char*>([](std::int32_t v) { return SignText(v); },
                                          {{4, " 4"}, {0, " 0"}, {-4, "-4"}, {INT32_MIN, "-2147483648"}});
    EXPECT_EQ(HexText(255) + HexText(0) + " " + HexText(-1) + " " + HexText(std::int16_t{-1}) + " "
                  + HexText(std::int64_t{-1}), "FF0 FFFFFFFF FFFF FFFFFFFFFFFFFFFF");

    // 7 digits hide the float's binary tail.
    ExpectEach<float, const char*>(SingleText, {{12.0f, "12"}, {0.1f, ".1"}, {9999999.0f, "9999999"},
                                                {1e7f, "1E+07"}, {16777216.0f, "1.677722E+07"}});
    // Rounding to 15 digits can carry into the next power of ten.
    ExpectEach<double, const char*>(DoubleText, {{0.1 + 0.2, ".3"}, {-0.25, "-.25"}, {-0.0, "0"},
                                                 {123.456, "123.456"}, {100.0, "100"},
                                                 {999999999999999.0, "999999999999999"}, {1e15, "1E+15"},
                                                 {-1.25e100, "-1.25E+100"}, {0.0001, ".0001"},
                                                 {0.000015, "1.5E-05"}, {0.99999999999999999, "1"}});
    ExpectEach<double, const char*>([](double v) { return SignText(v); },
                                    {{0.5, " .5"}, {12.5, " 12.5"}, {-0.5, "-.5"}});
    EXPECT_EQ(SignText(0.1f), " .1");
}

TEST(Conventions, FormatPatterns)
{
    // "@@@@" pads by characters, not bytes, and never cuts.
    EXPECT_EQ(FormatAt(IntText(12), 6) + "|" + FormatAt(IntText(12345), 4) + "|" + FormatAt("日本", 4), "    12|12345|  日本");

    // "0.0" rounds the decimal text half away: binary 112.3499... gives 112.4.
    ExpectEach<double, const char*>([](double v) { return FormatFixed1(v); },
                                    {{0.04, "0.0"}, {0.25, "0.3"}, {112.34, "112.3"}, {112.35, "112.4"},
                                     {90, "90.0"}, {99.95, "100.0"}, {-0.05, "-0.1"}, {-0.04, "0.0"},
                                     {1e20, "100000000000000000000.0"}});
    // From a float, rounded from its 7-digit text ("99.95").
    EXPECT_EQ(FormatFixed1(11234.0f / 10000.0f * 100.0f) + " " + FormatFixed1(99.95f), "112.3 100.0");

    // "######" rounds half away, unlike CLng, and shows zero as nothing.
    ExpectEach<double, const char*>([](double v) { return FormatHashes(v); },
                                    {{123.6, "124"}, {0, ""}, {0.4, ""}, {-0.4, ""}, {0.5, "1"}, {2.5, "3"},
                                     {-5, "-5"}, {999.5, "1000"}});
}

TEST(Conventions, TextBecomesANumber)
{
    // Blanks anywhere are ignored; an exponent without digits is not part of the number.
    ExpectEach<const char*, double>(Val, {{" 1 2 3", 123}, {"\t-4.5\n", -4.5}, {"12abc3", 12}, {"1,000", 1},
                                          {".5", 0.5}, {"5.", 5}, {"+7", 7}, {"1.5E3", 1500}, {"2e-2", 0.02},
                                          {"3D2", 300}, {"1E", 1}, {"1e+x", 1}, {"", 0}, {"abc", 0}, {"-", 0},
                                          {".", 0}, {"--5", 0}, {"1e-400", 0}});
    EXPECT_EQ(ErrorOf([] { Val("1e400"); }), kv::ErrOverflow);
}

TEST(Conventions, ToIntegerRoundsHalfEvenAndChecksRange)
{
    ExpectEach<double, std::int32_t>(ToInt32, {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-0.4999999999999999, 0},
                                               {2.6, 3}, {2147483646.5, 2147483646}, {2147483647.0, 2147483647},
                                               {-2147483648.5, INT32_MIN}});
    for (double v : {2147483647.5, -2147483649.0, std::nan(""), HUGE_VAL})
        EXPECT_EQ(ErrorOf([v] { ToInt32(v); }), kv::ErrOverflow) << v;
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ErrorOf([] { ToInt16(32767.5); }), kv::ErrOverflow);

    EXPECT_EQ(IntDiv(-7, 2), -3);
    EXPECT_EQ(IntDiv(7, -2), -3);
    EXPECT_EQ(ErrorOf([] { IntDiv(1, 0); }), kv::ErrDivisionByZero);
    EXPECT_EQ(ErrorOf([] { IntDiv(INT64_MIN, -1); }), kv::ErrOverflow);
}

TEST(Conventions, TextHelpersCountCharacters)
{
    EXPECT_EQ(Trim("  a b  ") + Trim("   "), "a b");
    EXPECT_EQ(Trim("\t\u3000x\u3000 "), "\t\u3000x\u3000");   // only ASCII blanks go
    const std::string s = "ab日本語c";
    EXPECT_EQ(Len(s), 6);
    EXPECT_EQ(Left(s, 3) + "|" + Left(s, 99) + "|" + Right(s, 2), "ab日|ab日本語c|語c");
    EXPECT_EQ(Mid(s, 3, 2) + "|" + Mid(s, 4) + "|" + Mid(s, 9), "日本|本語c|");
    EXPECT_EQ(String(3, U'■') + String(2, "日本"), "■■■日日");
    EXPECT_EQ(ErrorOf([] { Left("a", -1); }), kv::ErrInvalidCall);
    EXPECT_EQ(ErrorOf([] { Mid("a", 0, 1); }), kv::ErrInvalidCall);

    std::tm t{};
    t.tm_year = 126;
    t.tm_mday = 6;
    EXPECT_EQ(DateText(t) + " " + TimeText(t) + " " + TimeText(0, 5, 9), "01-06-2026 00:00:00 00:05:09");
}
