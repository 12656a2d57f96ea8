// The timed tests' frame, indices, random source and rank; the HDD test on
// real folders. Whatever could block or needs another user runs in a child
// with a time limit, so a regression fails instead of hanging.
#include "fake_clock.h"
#include "private_mount.h"
#include "temp_folder.h"
#include "analyze/analyze.h"
#include "analyze/random.h"
#include "analyze/rank.h"
#include "analyze/timed_frame.h"
#include "analyze/units.h"
#include "platform/files.h"
#include "platform/signals.h"
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <new>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Runs `body` in a child process and says how it ended: "exit N" or
// "signal N". The child is killed after `seconds`. With `asNobody` and this
// process root, the child first becomes the ordinary user nobody.
std::string InChild(const std::function<int()>& body, unsigned seconds, bool asNobody = false)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(seconds);
        if (asNobody && ::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
    return "signal " + std::to_string(WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

// The HDD passes on the instant clock, 50 units a pass: 0 or the index.
int QuickHdd(const fs::path& scratch)
{
    FakeClock clock;
    clock.step = 10;
    return analyze::RunHddPasses(scratch.string());
}

// The free bytes of the filesystem at `folder`, or its size.
std::uint64_t Bytes(const fs::path& folder, bool free)
{
    struct statvfs v {};
    ::statvfs(folder.c_str(), &v);
    return std::uint64_t(free ? v.f_bavail : v.f_blocks) * v.f_frsize;
}

// The level and title a score is certified with; the score stays as it was.
std::string Certified(std::int32_t score)
{
    std::string level = "previous text";
    const std::int32_t before = score;
    const std::string title = CertifyRank(score, level);
    EXPECT_EQ(score, before);
    return level + " " + title;
}

} // namespace

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

    // A unit that outlasts the pass still runs once in each.
    int units = 0;
    auto slowUnit = [&] { ++units; clock.now += 2000; };
    EXPECT_EQ(kv::TimedPasses<kv::GetTickCount>(3, 500, slowUnit, [](std::int32_t c) { return c * 10.0; }), 30.0);
    EXPECT_EQ(units, 3);

    // 256 ms before the 32-bit counter wraps: the pass still ends after 500.
    clock.now = 0xFFFFFF00u;
    clock.step = 1;
    EXPECT_EQ(kv::TimedPass<kv::timeGetTime>(500, [] {}), 500);
    EXPECT_LT(clock.now, 0x00001000u);
}

TEST(AnalyzeIndex, RoundingFormulasAndWholeTestsOnTheFakeClock)
{
    // Ties to even; out of range saturates.
    for (auto [x, index] : {std::pair{2.5, 2}, {3.5, 4}, {2147483648.0, INT32_MAX}, {-1e300, INT32_MIN}, {std::nan(""), 0}})
        EXPECT_EQ(kv::RoundToIndex(x), index) << x;
    // 300 units: 50 x 8.17 = 408.5, to even; of 301 the sixth is truncated first.
    for (auto [units, index] : {std::pair{605, 817}, {300, 408}, {301, 408}, {5, 0}})
        EXPECT_EQ(analyze::HddIndex(units), index) << units;

    FakeClock clock;   // 1 ms per reading: 500 units per 500 ms pass
    EXPECT_EQ(AnalyzeCpu(), 100);      // 3 x 500 / 5 / 3
    EXPECT_EQ(clock.slept, 1000u);
    EXPECT_EQ(AnalyzeCalc(), 1155);    // 300 / 3 / 2.9 x 10 x 3.35 = 1155.17
    clock.slept = 0;
    clock.step = 10;                   // 100 strings per 1000 ms pass
    EXPECT_EQ(AnalyzeMem(), 23400);    // 300 / 3 x 30 x 7.8
    EXPECT_EQ(clock.slept, 0u);

    // Memory running out part-way gives zero.
    static int calls;
    calls = 0;
    const auto failing = [](kv::units::MemString& held) { if (++calls == 3) throw std::bad_alloc(); kv::units::MemUnit(held); };
    EXPECT_EQ(analyze::RunMemTest(failing), 0);
    EXPECT_EQ(calls, 3);
}

// The real clock sources, one test each so they run side by side.
TEST(AnalyzeRealClock, CpuGivesAPositiveIndex) { EXPECT_GT(AnalyzeCpu(), 0); }
TEST(AnalyzeRealClock, CalcGivesAPositiveIndex) { EXPECT_GT(AnalyzeCalc(), 0); }
TEST(AnalyzeRealClock, MemGivesAPositiveIndex) { EXPECT_GT(AnalyzeMem(), 0); }

TEST(Random, FreshSourcesDrawTheSameSequenceInZeroToOne)
{
    kv::RandomSource a, b;
    int buckets[10] = {};
    constexpr int kDraws = 200000;
    for (int i = 0; i < kDraws; ++i) {
        const float x = a.Next();
        ASSERT_TRUE(x == b.Next() && x >= 0.0f && x < 1.0f) << "draw " << i << ": " << x;
        ++buckets[static_cast<int>(x * 10)];
    }
    for (int n : buckets)   // uniform: each tenth gets its share within 3 %
        EXPECT_TRUE(n > kDraws / 10 * 97 / 100 && n < kDraws / 10 * 103 / 100) << n;
}

TEST(Rank, EveryThresholdAndItsNeighboursAndKnownTexts)
{
    for (std::size_t i = 0; i + 1 < RankTable.size(); ++i) {
        const RankRow &row = RankTable[i], &below = RankTable[i + 1];
        for (std::int32_t score : {row.threshold, row.threshold + 1, row.threshold - 1}) {
            const RankRow& want = score < row.threshold ? below : row;
            EXPECT_EQ(Certified(score), std::string(want.levelText) + " " + want.title) << score;
        }
    }
    const std::pair<std::int32_t, const char*> known[] = {
        {INT32_MAX, "１０段(LEVEL \?\?) 摩訶不思議"}, {999999, "\u3000９段(LEVEL 20) 神王"},
        {200000, "  ３段(LEVEL 14) 名人"}, {50000, "\u3000初段(LEVEL 12) 芸達者"}, {300, "１０級(LEVEL 2) ゴミ"},
        {-1, "破門(LEVEL 0) なめてる\uFF1F"}, {INT32_MIN, "破門(LEVEL 0) なめてる\uFF1F"},
    };
    for (const auto& [score, text] : known) EXPECT_EQ(Certified(score), text) << score;
}

TEST(AnalyzeHdd, AnOldFileIsAppendedToThenDeletedAndAFailedDeleteGivesZero)
{
    TempFolder dir;
    const fs::path scratch = dir.path / "kv_test1.txt";
    WriteFile(scratch, "old");
    FakeClock clock;
    clock.step = 10;   // 6 passes x (1 + 50) readings
    std::uintmax_t sizeAfterFirstUnit = 0;
    clock.onRead = [&] { if (clock.reads == 1) sizeAfterFirstUnit = fs::file_size(scratch); };
    EXPECT_EQ(analyze::RunHddPasses(scratch.string()), 408);
    EXPECT_EQ(sizeAfterFirstUnit, 3u + 1024u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(scratch)));

    clock.reads = 0;
    clock.onRead = [&] { if (clock.reads == 6 * 51 - 1) fs::remove(scratch); };   // before the very last reading
    EXPECT_EQ(analyze::RunHddPasses(scratch.string()), 0);
    EXPECT_EQ(clock.reads, 6u * 51u);
}

TEST(HddHostile, AnythingButAPlainFileAtTheNameGivesZeroAndIsLeftAlone)
{
    TempFolder dir;
    const fs::path scratch = dir.path / "kv_test1.txt", precious = dir.path / "precious";
    WriteFile(precious, "keep me");

    // A FIFO nobody reads would block the open for ever; one somebody reads
    // would swallow the blocks. A second name (appending would grow someone
    // else's file), a link to a file or to nothing (which must not be
    // created), a folder.
    int reader = -1;
    const std::function<void()> hostile[] = {
        [&] { ASSERT_EQ(::mkfifo(scratch.c_str(), 0644), 0); },
        [&] { ASSERT_EQ(::mkfifo(scratch.c_str(), 0644), 0); reader = ::open(scratch.c_str(), O_RDONLY | O_NONBLOCK); },
        [&] { fs::create_hard_link(precious, scratch); },
        [&] { fs::create_symlink(precious, scratch); },
        [&] { fs::create_symlink(dir.path / "nowhere", scratch); },
        [&] { fs::create_directory(scratch); },
    };
    for (const auto& make : hostile) {
        make();
        const fs::file_type before = fs::symlink_status(scratch).type();
        EXPECT_EQ(InChild([&] { return int(QuickHdd(scratch) != 0); }, 10), "exit 0");
        EXPECT_EQ(fs::symlink_status(scratch).type(), before);
        fs::remove(scratch);
    }
    char c;
    EXPECT_EQ(::read(reader, &c, 1), 0);   // nothing was written into the FIFO
    ::close(reader);
    // No folder to hold it, or a file where the folder should be.
    EXPECT_EQ(QuickHdd(dir.path / "no-such-folder" / "kv_test1.txt"), 0);
    EXPECT_EQ(QuickHdd(precious / "kv_test1.txt"), 0);

    EXPECT_EQ(ReadFile(precious), "keep me");
    EXPECT_EQ(FilesIn(dir.path), 1);   // nothing made anywhere
}

TEST(HddHostile, OnlyAFileThisRunCreatedOrWroteToIsRemovedOnTheErrorRoad)
{
    TempFolder dir;
    const fs::path scratch = dir.path / "kv_test1.txt";

    // Another user's file, or a read-only one, stays. As root the test drops to
    // an ordinary user, whom the folder lets delete but the file not write.
    fs::permissions(dir.path, fs::perms::all);
    WriteFile(scratch, "someone else's");
    fs::permissions(scratch, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto asAnOrdinaryUser = [&] {
        if (::access(dir.path.c_str(), W_OK | X_OK) != 0) return 101;   // the case would not arise
        if (::access(scratch.c_str(), W_OK) == 0) return 102;
        return int(QuickHdd(scratch) != 0);
    };
    EXPECT_EQ(InChild(asAnOrdinaryUser, 10, true), "exit 0");
    EXPECT_EQ(ReadFile(scratch), "someone else's");

    // A file-size limit, which binds even root, stands in for a full drive; the
    // file, new or appended to, goes. The child exits with its clock readings.
    fs::remove(scratch);
    for (const bool old : {false, true}) {
        if (old) WriteFile(scratch, "old");
        EXPECT_EQ(InChild([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{10 * 1024, 10 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &small);
            FakeClock clock;
            clock.step = 10;
            return analyze::RunHddPasses(scratch.string()) != 0 ? 255 : int(clock.reads);
        }, 10), old ? "exit 10" : "exit 11");
        EXPECT_FALSE(fs::exists(fs::symlink_status(scratch)));
    }
}

TEST(HddHostile, ThePassesNeverTakeTheDrivesLastFivePercent)
{
    TempFolder dir;
    PrivateMount small(dir.path / "small", "tmpfs", "size=2m"), roomy(dir.path / "roomy", "tmpfs", "size=8m");
    if (!small.mounted || !roomy.mounted) GTEST_SKIP() << "no tmpfs of the test's own: " << PrivateMountsUnavailable();
    // 3000 units of 1 KiB: more than a 2 MiB drive holds, well within an 8 MiB one.
    FakeClock clock;
    std::uint64_t leastFree = Bytes(small.at, true);
    clock.onRead = [&] { leastFree = std::min(leastFree, Bytes(small.at, true)); };
    EXPECT_EQ(analyze::RunHddPasses((small.at / "kv_test1.txt").string()), 0);
    EXPECT_GE(leastFree, Bytes(small.at, false) / 20);
    EXPECT_TRUE(fs::is_empty(small.at));
    clock.onRead = nullptr;
    EXPECT_EQ(analyze::RunHddPasses((roomy.at / "kv_test1.txt").string()), analyze::HddIndex(3000));
}

TEST(HddHostile, ASignalOrEndThatEndsTheProgramRemovesTheScratchFileFirst)
{
    TempFolder dir;
    const fs::path scratch = dir.path / "kv_test1.txt", untouched = dir.path / "old.txt";
    WriteFile(untouched, "old");
    const std::string block(1024, ' ');
    // A child begins the scratch file at `name`, maybe writes, then is ended.
    const auto endedWhileWriting = [&](const fs::path& name, bool write, void (*end)()) {
        return InChild([&] {
            kv::InstallEndSignalCleanup();
            kv::ScratchFile file(name.string());
            if (!file.Begin()) return 1;
            if (write) kv::AppendBlock(file.Path(), block.data(), block.size());
            end();
            return 2;
        }, 10);
    };

    // Ended by the signal itself, or by END with status 0; the file it wrote gone.
    const std::pair<void (*)(), std::string> ends[] = {
        {[] { ::raise(SIGTERM); }, "signal 15"}, {[] { ::raise(SIGINT); }, "signal 2"},
        {[] { ::raise(SIGHUP); }, "signal 1"}, {kv::EndProgram, "exit 0"}};
    for (const auto& [end, how] : ends) {
        EXPECT_EQ(endedWhileWriting(scratch, how != "exit 0", end), how);
        EXPECT_FALSE(fs::exists(fs::symlink_status(scratch)));
    }
    // A file it has not written to yet is not its to remove.
    EXPECT_EQ(endedWhileWriting(untouched, false, [] { ::raise(SIGTERM); }), "signal 15");
    EXPECT_EQ(ReadFile(untouched), "old");

    // A signal the program was started to ignore stays ignored.
    EXPECT_EQ(InChild([] { std::signal(SIGHUP, SIG_IGN); kv::InstallEndSignalCleanup(); return ::raise(SIGHUP); }, 10),
              "exit 0");
}

TEST(HddHostile, ASignalDuringASaveLeavesTheOldFileAndNoTemporary)
{
    TempFolder dir;
    const fs::path file = dir.path / "a.kvd";
    WriteFile(file, "old");
    // A file-size limit stops the write half-way; the signal it raises
    // stands in for a TERM that arrives just then.
    EXPECT_EQ(InChild([&] {
        kv::InstallEndSignalCleanup();
        std::signal(SIGXFSZ, [](int) { ::raise(SIGTERM); });
        const rlimit small{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &small);
        kv::ReplaceFileAtomically(file.string(), std::string(65536, 'x'));
        return 2;
    }, 10), "signal 15");
    EXPECT_EQ(ReadFile(file), "old");
    EXPECT_EQ(FilesIn(dir.path), 1);
}
