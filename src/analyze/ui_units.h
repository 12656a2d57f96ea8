#pragma once
// The units of work of the TEXT and Graph tests. The tests and the bench call
// these same inline functions, so what the bench measures is what the tests
// count.
#include "analyze/random.h"
#include "platform/clock.h"
#include "platform/pump.h"
#include "platform/ui.h"

#include <cmath>
#include <cstdint>

namespace kv::units {

// TEXT: one item added at position n (the end of the list), fetched and
// scrolled into view, then one pass of the message pump so the list repaints.
inline void TextUnit(kv::ListView& list, std::int32_t n, const char* text)
{
    list.Add(n, text);
    list.EnsureVisible(n);
    kv::DoEvents();
}

// A colour component: random x 255 in single precision, rounded to even.
inline int ColourComponent()
{
    const float v = Rnd() * 255.0f;
    return static_cast<int>(std::nearbyint(v));
}

inline kv::Color RandomColour()
{
    const int r = ColourComponent();
    const int g = ColourComponent();
    const int b = ColourComponent();
    return static_cast<kv::Color>(r + 256 * g + 65536 * b);
}

// Graph: a circle of a random colour and radius around the middle of the
// window, whose size is read anew for every shape.
inline void CircleUnit(kv::Form& window)
{
    const kv::Color colour = RandomColour();
    const float cx = float(window.ScaleWidth()) / 2;
    const float cy = float(window.ScaleHeight()) / 2;
    const float radius = static_cast<float>(Rnd() * (0.9 * cy + 1));
    window.Circle(cx, cy, radius, colour);
}

// Graph: an outline box over the middle three fifths of the window, then a
// 1 ms pause.
inline void BoxUnit(kv::Form& window)
{
    const kv::Color colour = RandomColour();
    const float x1 = float(window.ScaleWidth()) / 5;
    const float y1 = float(window.ScaleHeight()) / 5;
    const float x2 = float(window.ScaleWidth()) * 0.8f;
    const float y2 = float(window.ScaleHeight()) * 0.8f;
    window.Box(x1, y1, x2, y2, colour);
    kv::Sleep(1);
}

} // namespace kv::units
