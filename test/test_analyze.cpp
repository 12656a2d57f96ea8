// The timed tests (frame, indices, HDD scratch file), the random source and
// rank certification.
#include "fake_clock.h"
#include "temp_folder.h"
#include "analyze/analyze.h"
#include "analyze/random.h"
#include "analyze/rank.h"
#include "analyze/timed_frame.h"
#include "analyze/units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

// ---- The frame ----

TEST(AnalyzeFrame, CountsTheUnitThatCrossesTheLimitWithOneClockReadPerUnit)
{
    FakeClock clock;
    clock.step = 3;
    std::uint32_t expectedReads = 1;   // the pass's start reading, then one per unit
    auto unit = [&] { EXPECT_EQ(clock.reads, expectedReads++); };
    // 166 units reach 498 ms; the 167th crosses 500 and still counts.
    EXPECT_EQ(kv::TimedPass<kv::GetTickCount>(500, unit), 167);
    EXPECT_EQ(clock.reads, 168u);
    EXPECT_EQ(clock.slept, 0u);
}

TEST(AnalyzeFrame, EveryPassRunsAtLeastOneUnit)
{
    FakeClock clock;
    int units = 0;
    auto slowUnit = [&] { ++units; clock.now += 2000; };   // one unit outlasts the pass
    const double sum = kv::TimedPasses<kv::GetTickCount>(
        3, 500, slowUnit, [](std::int32_t c) { return c * 10.0; });
    EXPECT_EQ(units, 3);
    EXPECT_EQ(sum, 30.0);
}

TEST(AnalyzeFrame, PassAcrossTheClockWrapEndsAfterTheLimit)
{
    FakeClock clock;
    clock.now = 0xFFFFFF00u;   // 256 ms before the 32-bit counter wraps
    auto unit = [] {};
    EXPECT_EQ(kv::TimedPass<kv::timeGetTime>(500, unit), 500);
    EXPECT_LT(clock.now, 0x00001000u);
}

TEST(AnalyzeFrame, IndexRoundsTiesToEvenAndSaturates)
{
    EXPECT_EQ(kv::RoundToIndex(2.5), 2);
    EXPECT_EQ(kv::RoundToIndex(3.5), 4);
    EXPECT_EQ(kv::RoundToIndex(2147483648.0), INT32_MAX);
    EXPECT_EQ(kv::RoundToIndex(-1e300), INT32_MIN);
    EXPECT_EQ(kv::RoundToIndex(std::nan("")), 0);
}

// ---- Index formulas and the tests under the fake clock ----

TEST(AnalyzeIndex, FormulasOnKnownPassCounts)
{
    auto sum3 = [](double (*term)(std::int32_t), std::int32_t c) {
        return term(c) + term(c) + term(c);
    };
    EXPECT_EQ(analyze::CpuIndex(sum3(analyze::CpuTerm, 10000)), 2000);
    EXPECT_EQ(analyze::CalcIndex(sum3(analyze::CalcTerm, 100)), 231);
    EXPECT_EQ(analyze::MemIndex(sum3(analyze::MemTerm, 50)), 11700);

    EXPECT_EQ(analyze::HddIndex(605), 817);
    EXPECT_EQ(analyze::HddIndex(300), 408);   // 50 x 8.17 = 408.5, to even
    EXPECT_EQ(analyze::HddIndex(301), 408);   // the sixth is truncated first
    EXPECT_EQ(analyze::HddIndex(5), 0);
}

TEST(AnalyzeIndex, WholeTestsOnTheFakeClock)
{
    FakeClock clock;   // 1 ms per reading: 500 units per 500 ms pass
    EXPECT_EQ(AnalyzeCpu(), 100);      // 3 x 500 / 5 / 3
    EXPECT_EQ(clock.slept, 1000u);
    EXPECT_EQ(AnalyzeCalc(), 1155);    // 300 / 3 / 2.9 x 10 x 3.35 = 1155.17
    clock.slept = 0;
    clock.step = 10;                   // 100 strings per 1000 ms pass
    EXPECT_EQ(AnalyzeMem(), 23400);    // 300 / 3 x 30 x 7.8
    EXPECT_EQ(clock.slept, 0u);
}

TEST(AnalyzeIndex, MemAllocationFailureGivesZero)
{
    FakeClock clock;
    static int calls;
    calls = 0;
    auto failingUnit = [](kv::units::MemString& held) {
        if (++calls == 3)
            throw std::bad_alloc();
        kv::units::MemUnit(held);
    };
    EXPECT_EQ(analyze::RunMemTest(failingUnit), 0);
    EXPECT_EQ(calls, 3);
}

// ---- HDD on real folders ----

TEST(AnalyzeHdd, ExistingScratchFileIsAppendedToThenDeleted)
{
    TempFolder dir;
    const fs::path scratch = dir.path / "kv_test1.txt";
    WriteFile(scratch, "old");

    FakeClock clock;
    clock.step = 10;   // 50 units per pass, 300 in all
    std::uintmax_t sizeAfterFirstUnit = 0;
    clock.onRead = [&] {
        if (clock.reads == 1)   // the reading after the first unit
            sizeAfterFirstUnit = fs::file_size(scratch);
    };
    EXPECT_EQ(analyze::RunHddPasses(scratch.string()), 408);
    EXPECT_EQ(sizeAfterFirstUnit, 3u + 1024u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(scratch)));
}

TEST(AnalyzeHdd, UnwritablePlaceGivesZeroAndLeavesNothing)
{
    FakeClock clock;
    clock.step = 100;
    TempFolder dir;

    const fs::path missing = dir.path / "no-such-folder" / "kv_test1.txt";
    EXPECT_EQ(analyze::RunHddPasses(missing.string()), 0);
    EXPECT_FALSE(fs::exists(dir.path / "no-such-folder"));

    WriteFile(dir.path / "plain", "x");   // a file where a folder should be
    EXPECT_EQ(analyze::RunHddPasses((dir.path / "plain" / "kv_test1.txt").string()), 0);
    EXPECT_EQ(ReadFile(dir.path / "plain"), "x");

    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
}

TEST(AnalyzeHdd, SymbolicLinkAtTheScratchNameIsNeitherFollowedNorRemoved)
{
    FakeClock clock;
    clock.step = 100;
    TempFolder dir;
    const fs::path scratch = dir.path / "kv_test1.txt";

    const fs::path target = dir.path / "precious";
    WriteFile(target, "keep me");
    fs::create_symlink(target, scratch);
    EXPECT_EQ(analyze::RunHddPasses(scratch.string()), 0);
    EXPECT_TRUE(fs::is_symlink(scratch));
    EXPECT_EQ(ReadFile(target), "keep me");

    // A dangling link must not create its target either.
    fs::remove(scratch);
    const fs::path nowhere = dir.path / "nowhere";
    fs::create_symlink(nowhere, scratch);
    EXPECT_EQ(analyze::RunHddPasses(scratch.string()), 0);
    EXPECT_TRUE(fs::is_symlink(scratch));
    EXPECT_FALSE(fs::exists(nowhere));
}

TEST(AnalyzeHdd, WriteFailurePartWayGivesZeroAndRemovesTheScratchFile)
{
    // A file-size limit makes the eleventh append fail, even for root.
    TempFolder dir;
    const fs::path scratch = dir.path / "kv_test1.txt";
    FakeClock clock;
    clock.step = 10;

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small{10 * 1024, saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::int32_t index = analyze::RunHddPasses(scratch.string());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(index, 0);
    EXPECT_EQ(clock.reads, 1u + 10u);   // ten units read the clock; the eleventh failed
    EXPECT_FALSE(fs::exists(fs::symlink_status(scratch)));
}

TEST(AnalyzeHdd, FailedDeleteTurnsTheIndexIntoZero)
{
    TempFolder dir;
    const fs::path scratch = dir.path / "kv_test1.txt";
    FakeClock clock;
    clock.step = 10;   // 6 passes x (1 + 50) readings
    clock.onRead = [&] {
        if (clock.reads == 6 * 51 - 1)   // before the very last reading
            fs::remove(scratch);
    };
    EXPECT_EQ(analyze::RunHddPasses(scratch.string()), 0);
    EXPECT_EQ(clock.reads, 6u * 51u);
}

// ---- The four tests on the real clock (about 1.5 to 3 s each) ----

TEST(AnalyzeRealClock, CpuGivesAPositiveIndex) { EXPECT_GT(AnalyzeCpu(), 0); }
TEST(AnalyzeRealClock, CalcGivesAPositiveIndex) { EXPECT_GT(AnalyzeCalc(), 0); }
TEST(AnalyzeRealClock, MemGivesAPositiveIndex) { EXPECT_GT(AnalyzeMem(), 0); }
TEST(AnalyzeRealClock, HddGivesAPositiveIndexAndRemovesItsFile)
{
    TempFolder dir;
    const fs::path scratch = dir.path / "kv_test1.txt";
    EXPECT_GT(analyze::RunHddPasses(scratch.string()), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(scratch)));
}

// ---- Random source (Rnd() draws from one such source) ----

TEST(Random, FreshSourcesDrawTheSameSequenceInZeroToOne)
{
    kv::RandomSource a, b;
    int buckets[10] = {};
    constexpr int kDraws = 200000;
    for (int i = 0; i < kDraws; ++i) {
        const float x = a.Next();
        ASSERT_EQ(x, b.Next()) << "draw " << i;
        ASSERT_GE(x, 0.0f);
        ASSERT_LT(x, 1.0f);
        ++buckets[static_cast<int>(x * 10)];
    }
    for (int n : buckets) {   // uniform: each tenth gets its share within 3 %
        EXPECT_GT(n, kDraws / 10 * 97 / 100);
        EXPECT_LT(n, kDraws / 10 * 103 / 100);
    }
}

// ---- Rank certification ----

namespace {
struct Rank { std::string level, title; };
Rank Certify(std::int32_t score)
{
    std::string level = "previous text";
    const std::int32_t before = score;
    std::string title = CertifyRank(score, level);
    EXPECT_EQ(score, before);
    return {level, title};
}
} // namespace

TEST(Rank, EveryThresholdAndItsNeighbours)
{
    ASSERT_EQ(RankTable.size(), 21u);
    for (std::size_t i = 0; i + 1 < RankTable.size(); ++i) {
        const RankRow& row = RankTable[i];
        const RankRow& below = RankTable[i + 1];
        ASSERT_GT(row.threshold, below.threshold);
        for (std::int32_t score : {row.threshold, row.threshold + 1}) {
            const Rank r = Certify(score);
            EXPECT_EQ(r.level, row.levelText) << score;
            EXPECT_EQ(r.title, row.title) << score;
        }
        const Rank r = Certify(row.threshold - 1);
        EXPECT_EQ(r.level, below.levelText) << row.threshold - 1;
        EXPECT_EQ(r.title, below.title) << row.threshold - 1;
    }
}

TEST(Rank, KnownScoresGiveTheirExactTexts)
{
    struct Case { std::int32_t score; const char* level; const char* title; };
    const Case cases[] = {
        {INT32_MAX, "１０段(LEVEL \?\?)", "摩訶不思議"},
        {999999, "\u3000９段(LEVEL 20)", "神王"},
        {600000, "\u3000６段(LEVEL 17)", "仙人"},
        {200000, "  ３段(LEVEL 14)", "名人"},
        {50000, "\u3000初段(LEVEL 12)", "芸達者"},
        {300, "１０級(LEVEL 2)", "ゴミ"},
        {-1, "破門(LEVEL 0)", "なめてる\uFF1F"},
        {INT32_MIN, "破門(LEVEL 0)", "なめてる\uFF1F"},
    };
    for (const Case& c : cases) {
        const Rank r = Certify(c.score);
        EXPECT_EQ(r.level, c.level) << c.score;
        EXPECT_EQ(r.title, c.title) << c.score;
    }
}
