#pragma once
// The program's one pseudo-random source. It is never seeded, so every start
// of the program draws the same sequence.
#include <cstdint>

namespace kv {

// A 64-bit linear congruential generator; each draw keeps the top 24 bits of
// the state, which fill a float's mantissa exactly: values k / 2^24, uniform
// in [0, 1) and never 1.0.
class RandomSource {
public:
    static constexpr std::uint64_t kStartState = 0x2545F4914F6CDD1DULL;

    float Next()
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<float>(state_ >> 40) * 0x1p-24f;
    }

private:
    std::uint64_t state_ = kStartState;
};

} // namespace kv

// The next number of the program-wide sequence, in [0, 1).
float Rnd();

// Back to the start of the sequence, as at a fresh start (tests only).
void ResetRndForTest();
