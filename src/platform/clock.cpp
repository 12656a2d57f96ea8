#include "platform/clock.h"

#include <cerrno>
#include <ctime>

namespace kv {
namespace {

ClockSource* g_source = nullptr;

// CLOCK_MONOTONIC, not the coarse variant: its 4 ms step would let units
// overlap a pass boundary.
std::uint32_t ReadMonotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u
                                      + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
}

void RealSleep(std::uint32_t ms)
{
    timespec req{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    timespec rem{};
    while (nanosleep(&req, &rem) == -1 && errno == EINTR)
        req = rem;
}

} // namespace

void SetClockSource(ClockSource* source) { g_source = source; }

std::uint32_t MonotonicMs() { return ReadMonotonicMs(); }

std::uint32_t GetTickCount()
{
    if (g_source) [[unlikely]]
        return g_source->TickCount();
    return ReadMonotonicMs();
}

std::uint32_t timeGetTime()
{
    if (g_source) [[unlikely]]
        return g_source->MmTime();
    return ReadMonotonicMs();
}

void Sleep(std::uint32_t ms)
{
    if (g_source) {
        g_source->Sleep(ms);
        return;
    }
    RealSleep(ms);
}

} // namespace kv
