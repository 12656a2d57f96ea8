#pragma once
// The overall score ("Fighting Capacity"): the six test indices merged with
// facts about the machine into one number, never negative.
#include <array>
#include <cstdint>

// Refreshes all system information (the five information routines, showing
// nothing) and computes the score from the shared state.
std::int32_t CalcFightingCapacity();

// The score from the shared state as it stands: the average and the lowest
// index (capped at 999999), then the processor, memory, drive, screen,
// resource and disk factors, each rounded to the nearest integer (ties to
// even) as it is applied; the floor at 0 comes only at the end.
std::int32_t ScoreFromSharedState();

// Test hook: the five routines in the order they are called (OS, CPU, disk,
// screen, memory); nullptr restores the real ones.
using InfoRoutine = void (*)(std::int32_t& InfoMode);
void SetInfoRoutinesForTest(const std::array<InfoRoutine, 5>* routines);
