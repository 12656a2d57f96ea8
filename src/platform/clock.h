#pragma once
// Millisecond clocks and the pause. Both clocks are 32-bit counters that wrap
// after 2^32 ms, so elapsed time is always taken as an unsigned difference.
#include <cstdint>

namespace kv {

// A source of time that tests can replace, so timed code runs instantly.
class ClockSource {
public:
    virtual ~ClockSource() = default;
    virtual std::uint32_t TickCount() = 0;   // the general tick clock
    virtual std::uint32_t MmTime() = 0;      // the multimedia clock
    virtual void Sleep(std::uint32_t ms) = 0;
};

// Installs a replacement clock (nullptr restores the real one).
void SetClockSource(ClockSource* source);

std::uint32_t GetTickCount();
std::uint32_t timeGetTime();
void Sleep(std::uint32_t ms);

// Wrap-safe: correct across the 2^32 ms roll-over.
inline std::uint32_t Elapsed(std::uint32_t from, std::uint32_t to) { return to - from; }

// The real monotonic clock, for code that measures itself (benchmarks).
std::uint32_t MonotonicMs();

} // namespace kv
