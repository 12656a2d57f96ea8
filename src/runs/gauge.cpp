#include "runs/gauge.h"

#include "app/conventions.h"
#include "platform/clock.h"
#include "platform/pump.h"

#include <cmath>

std::int32_t GaugeSegments(std::int32_t value)
{
    double v;
    if (value < 20000) {
        v = value / 320.0;
    } else {
        // Only the whole block of 10000 counts; the argument of the
        // logarithm is therefore at least 10000.
        const double m = static_cast<double>(value - value % 10000);
        v = std::log(m - 10000) / std::log(1.62) + 32;
    }
    return conv::ToInt32(v);
}

namespace {

void LightBar(kv::Line& bar, std::int32_t colour)
{
    bar.BorderColor(static_cast<kv::Color>(colour));
    kv::Sleep(30);
    kv::DoEvents();
}

} // namespace

void LightGauge(kv::ControlArray<kv::Line, 65>& bars, std::int32_t count)
{
    // Red to orange-yellow: 7 more green per bar and one extra every second
    // bar. The start value itself is never shown.
    std::int32_t colour = 0x000000FF;
    int k = 0;
    for (int i = 0; i <= 32; ++i) {
        if (count == 0) return;
        colour += 7 * 256;
        if (k == 2) {
            colour += 256;
            k = 0;
        }
        ++k;
        LightBar(bars[i], colour);
        --count;
    }

    // Yellow to green: red falls by 8 a bar. The first step rounds
    // 65535 - 7.5 to the even 65528; from there every step is exactly 8.
    colour = 0x0000FFFF;
    for (int i = 33; i <= 64; ++i) {
        if (count == 0) return;
        colour = conv::ToInt32(colour - 7.5);
        LightBar(bars[i], colour);
        --count;
    }
}
