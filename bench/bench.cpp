// korvel-bench: how close the tests' units come to the same work written
// plainly. Each unit runs in short slices exactly as a test runs it (the
// program's clock read after every unit), alternating with a raw loop that
// does the same work the most direct way and reads CLOCK_MONOTONIC after each
// unit. Slices go in ABBA order and the median of the pair ratios is taken,
// so drift of the machine's speed cancels out.
//
// CLOCK is the clock estimate's loop of a million additions, one unit each.
// TEXT and Graph run the user-interface tests' units through the program's
// windows against plain Qt widgets, on a real X server (bench_ui.cpp).
//
//   korvel-bench           about 25 s, one line per unit:
//                          name, program units/s, raw units/s, program/raw
//   korvel-bench --short   a few seconds; only shows that everything runs
#include "side_by_side.h"

#include "analyze/units.h"
#include "sysinfo/clock_loop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace bench;

namespace {

// ---- The raw references: the same work, done the most direct way. ----

// CPU (200 per unit) and CLOCK (a million per unit): additions of 1.0 with a
// floating loop variable.
template <int Additions>
Slice RawAdditions(std::uint32_t ms)
{
    const std::int64_t start = NowNs();
    double acc = 0.0;
    std::int64_t count = 0;
    const std::uint32_t t0 = RawMs();
    do {
        ++count;
        for (double i = 1.0; i <= Additions; i += 1.0)
            acc += 1.0;
        asm volatile("" : "+x"(acc));   // the sum is "used": no addition may go
    } while (RawMs() - t0 < ms);
    return {count, NowNs() - start};
}

Slice RawCalc(std::uint32_t ms)
{
    const std::int64_t start = NowNs();
    std::int64_t count = 0;
    const std::uint32_t t0 = RawMs();
    do {
        ++count;
        for (double i = 1.0; i <= 100.0; i += 1.0) {
            double a = 52635.0, b = 15263.0, c = 632.0, d = 31.0, e = 12345678.0;
            asm volatile("" : "+x"(a), "+x"(b), "+x"(c), "+x"(d), "+x"(e));
            const double rt = std::tan(a), rs = std::sin(b), rc = std::cos(c);
            const double l31 = std::log(d), lbig = std::log(e), q = lbig / l31;
            asm volatile("" : : "x"(rt), "x"(rs), "x"(rc), "x"(l31), "x"(lbig), "x"(q));
        }
    } while (RawMs() - t0 < ms);
    return {count, NowNs() - start};
}

Slice RawMem(std::uint32_t ms)
{
    constexpr std::size_t n = 1048576;
    const std::int64_t start = NowNs();
    char16_t* held = nullptr;
    std::int64_t count = 0;
    const std::uint32_t t0 = RawMs();
    do {
        ++count;
        auto* p = static_cast<char16_t*>(std::malloc(n * sizeof(char16_t)));
        if (!p)
            std::abort();
        // Unrolled like the program's fill: a one-store loop runs up to 40 %
        // slower or faster with where the code lands, which would measure
        // code placement instead of the work.
#pragma GCC unroll 4
        for (std::size_t i = 0; i < n; ++i)
            p[i] = u' ';
        asm volatile("" : : "r"(p) : "memory");   // the blanks are really stored
        std::free(held);
        held = p;
    } while (RawMs() - t0 < ms);
    std::free(held);
    return {count, NowNs() - start};
}

Slice RawHdd(std::uint32_t ms, const char* path, const char* block)
{
    const std::int64_t start = NowNs();
    std::int64_t count = 0;
    const std::uint32_t t0 = RawMs();
    do {
        ++count;
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 || ::write(fd, block, kv::units::kHddBlock)
                          != static_cast<ssize_t>(kv::units::kHddBlock))
            std::abort();
        ::close(fd);
    } while (RawMs() - t0 < ms);
    return {count, NowNs() - start};
}

} // namespace

int main(int argc, char** argv)
{
    const bool shortRun = argc > 1 && std::strcmp(argv[1], "--short") == 0;
    if (argc > 1 && !shortRun) {
        std::fprintf(stderr, "usage: korvel-bench [--short]\n");
        return 2;
    }
    const int pairs = shortRun ? 3 : 24;
    const std::uint32_t ms = shortRun ? 20 : 50;
    const auto nothing = [] {};

    {
        double acc = 0.0;
        auto unit = [&] { kv::units::CpuUnit(acc); };
        Print("CPU", Compare(pairs, [&] { return ProgramSlice(ms, unit); },
                             [&] { return RawAdditions<200>(ms); }, nothing));
    }
    {
        auto unit = [] { kv::units::CalcUnit(); };
        Print("CALC", Compare(pairs, [&] { return ProgramSlice(ms, unit); },
                              [&] { return RawCalc(ms); }, nothing));
    }
    {
        kv::units::MemString held;
        auto unit = [&] { kv::units::MemUnit(held); };
        // The last string goes between slices, as at the end of a test, so
        // both sides take turns on the same two heap blocks: which physical
        // pages a block sits on can change the fill speed by half.
        const auto release = [&] { kv::units::MemString().swap(held); };
        Print("Mem", Compare(pairs, [&] { return ProgramSlice(ms, unit); },
                             [&] { return RawMem(ms); }, release));
    }
    {
        double acc = 0.0;
        auto unit = [&] { sysinfo_detail::ClockLoop(acc); };
        Print("CLOCK", Compare(pairs, [&] { return ProgramSlice(ms, unit); },
                               [&] { return RawAdditions<1000000>(ms); }, nothing));
    }
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvel-bench-XXXXXX";
        if (!::mkdtemp(folder.data())) {
            std::perror("korvel-bench: mkdtemp");
            return 1;
        }
        const std::string scratch = folder + "/kv_test1.txt";
        const std::string block(kv::units::kHddBlock, ' ');
        const char* path = scratch.c_str();
        const char* bytes = block.data();
        // The test asks the drive for room once per pass; each unit only
        // counts it down, which is part of what is timed here.
        kv::units::HddScratch scratchUnit{path, bytes, INT64_MAX};
        auto unit = [&] { kv::units::HddUnit(scratchUnit); };
        // Every slice starts on an empty file, so the file stays small and
        // both sides append to the same kind of file.
        const auto empty = [&] { ::unlink(path); };
        Result r;
        try {
            r = Compare(pairs, [&] { return ProgramSlice(ms, unit); },
                        [&] { return RawHdd(ms, path, bytes); }, empty);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "korvel-bench: HDD: %s\n", e.what());
            ::unlink(path);
            ::rmdir(folder.c_str());
            return 1;
        }
        ::unlink(path);
        ::rmdir(folder.c_str());
        Print("HDD", r);
    }
    return BenchUi(shortRun);
}
