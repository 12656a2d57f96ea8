#pragma once
// The gauge of 65 bars: how many bars a value earns, and the paced
// animation that lights them from red through yellow to green.
#include "platform/ui.h"

#include <cstdint>

// The bar count for a value: linear up to 19999 (320 per bar), then
// logarithmic in whole blocks of 10000. The two regimes do not join (19999
// earns 62 bars, 20000 only 51); the count can exceed 65.
std::int32_t GaugeSegments(std::int32_t value);

// Lights bars 0 upwards for `count` bars (at most 65): red to yellow over bars
// 0 to 32, yellow to green over 33 to 64. Each bar costs a 30 ms pause and a
// pass of the message pump, so the user sees the gauge grow. Bars above the
// last lit one are left as they are.
void LightGauge(kv::ControlArray<kv::Line, 65>& bars, std::int32_t count);
