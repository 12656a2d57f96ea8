#pragma once
// What every line of korvel-bench shares: slices of units timed side by side,
// program against raw, in ABBA order, and the median of the pair ratios.
#include "analyze/timed_frame.h"
#include "platform/clock.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <time.h>
#include <vector>

namespace bench {

inline std::int64_t NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// The raw loops' clock: the same reading and the same millisecond value as
// the program's tick clock, without its replaceable source.
inline std::uint32_t RawMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u
                                      + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
}

struct Slice {
    std::int64_t units = 0;
    std::int64_t ns = 0;
    double Rate() const { return ns > 0 ? units * 1e9 / static_cast<double>(ns) : 0.0; }
};

// Program side: one pass of the tests' own frame with the tests' own unit,
// timed by the test's own clock.
template <std::uint32_t (*Clock)() = kv::GetTickCount, class Unit>
Slice ProgramSlice(std::uint32_t ms, Unit& unit)
{
    const std::int64_t start = NowNs();
    const std::int32_t count = kv::TimedPass<Clock>(ms, unit);
    return {count, NowNs() - start};
}

// ---- Side by side ----

struct Result {
    double programRate = 0;
    double rawRate = 0;
    double ratio = 0;
};

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

// `between` runs outside the timed slices (HDD empties its scratch file there).
inline Result Compare(int pairs, const std::function<Slice()>& program,
               const std::function<Slice()>& raw, const std::function<void()>& between)
{
    between();
    program();   // warm caches, the allocator and the file system
    between();
    raw();
    Slice progTotal, rawTotal;
    std::vector<double> ratios;
    for (int i = 0; i < pairs; ++i) {
        Slice a, b;
        if (i % 2 == 0) {
            between(); a = program();
            between(); b = raw();
        } else {
            between(); b = raw();
            between(); a = program();
        }
        progTotal.units += a.units; progTotal.ns += a.ns;
        rawTotal.units += b.units; rawTotal.ns += b.ns;
        if (b.Rate() > 0)
            ratios.push_back(a.Rate() / b.Rate());
    }
    return {progTotal.Rate(), rawTotal.Rate(), ratios.empty() ? 0.0 : Median(ratios)};
}

inline void Print(const char* name, const Result& r)
{
    std::printf("%s %.0f %.0f %.3f\n", name, r.programRate, r.rawRate, r.ratio);
    std::fflush(stdout);
}

// The TEXT and Graph lines, on a real X server (bench_ui.cpp); 0 when they
// ran or were skipped with the reason printed.
int BenchUi(bool shortRun);

} // namespace bench
