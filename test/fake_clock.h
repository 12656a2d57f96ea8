#pragma once
// A test clock: every reading moves time on by `step` ms, every sleep by its
// length, so timed loops run instantly and deterministically.
#include "platform/clock.h"

#include <functional>

struct FakeClock : kv::ClockSource {
    std::uint32_t now = 0, step = 1;   // ms
    std::uint32_t reads = 0, slept = 0;   // readings, and ms slept, so far
    std::function<void()> onRead;   // runs before each reading, if set

    FakeClock() { kv::SetClockSource(this); }
    ~FakeClock() override { kv::SetClockSource(nullptr); }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    std::uint32_t Read()
    {
        if (onRead) onRead();
        ++reads;
        now += step;
        return now;
    }
    std::uint32_t TickCount() override { return Read(); }
    std::uint32_t MmTime() override { return Read(); }
    void Sleep(std::uint32_t ms) override { now += ms; slept += ms; }
};
