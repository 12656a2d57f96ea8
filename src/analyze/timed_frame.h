#pragma once
// The frame every timed test runs in: a prologue, then passes that count how
// many units of work fit into L milliseconds, then one index.
//
// Kept header-only so each unit is inlined into its pass loop: between two
// units there must be nothing but the counter increment and one clock read.
#include "platform/clock.h"
#include "platform/pump.h"

#include <cmath>
#include <cstdint>

namespace kv {

enum class PrologueSleep { Yes, No };

// Five message pumps, then (for every test but Mem) one second of rest so the
// machine settles before the first pass.
inline void TestPrologue(PrologueSleep sleep = PrologueSleep::Yes)
{
    for (int i = 0; i < 5; ++i)
        kv::DoEvents();
    if (sleep == PrologueSleep::Yes)
        kv::Sleep(1000);
}

// One pass: units until L ms have passed since its start. The check follows
// the unit, so a pass always runs at least one unit and the unit during which
// the limit is reached is counted. Elapsed() is an unsigned difference, so a
// pass across the 2^32 ms wrap still ends on time.
template <std::uint32_t (*Clock)(), class Unit>
std::int32_t TimedPass(std::uint32_t limitMs, Unit&& unit)
{
    std::int32_t count = 0;
    const std::uint32_t t0 = Clock();
    std::uint32_t t1;
    do {
        ++count;
        unit();
        t1 = Clock();
    } while (kv::Elapsed(t0, t1) < limitMs);
    return count;
}

// P passes; returns the sum of term(count) over them, in double.
template <std::uint32_t (*Clock)(), class Unit, class Term>
double TimedPasses(int passes, std::uint32_t limitMs, Unit&& unit, Term&& term)
{
    double sum = 0.0;
    for (int p = 1; p <= passes; ++p)
        sum += term(TimedPass<Clock>(limitMs, unit));
    return sum;
}

// A test's final value to its index: nearest integer, ties to even (the
// default rounding mode). Indices are never negative in practice; a value
// beyond the 32-bit range saturates rather than being undefined, and NaN
// (which no test produces) gives 0.
inline std::int32_t RoundToIndex(double x)
{
    const double r = std::nearbyint(x);
    if (!(r == r))
        return 0;
    if (r >= 2147483648.0)
        return INT32_MAX;
    if (r < -2147483648.0)
        return INT32_MIN;
    return static_cast<std::int32_t>(r);
}

} // namespace kv
