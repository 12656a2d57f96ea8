// The two tests that measure the user interface: list items taken in and
// scrolled into view, and shapes drawn onto a window.
#include "app/main1.h"
#include "platform/clock.h"
#include "analyze/analyze.h"
#include "analyze/random.h"
#include "analyze/test_windows.h"
#include "analyze/timed_frame.h"

#include <cmath>

namespace {

// A colour component: random x 255 in single precision, rounded to even.
int Component()
{
    const float v = Rnd() * 255.0f;
    return static_cast<int>(std::nearbyint(v));
}

kv::Color RandomColour()
{
    const int r = Component();
    const int g = Component();
    const int b = Component();
    return static_cast<kv::Color>(r + 256 * g + 65536 * b);
}

} // namespace

std::int32_t AnalyzeText()
{
    Main1->Visible(false);
    TextTest.Load();
    kv::TestPrologue();

    TextTestForm& window = TextTest.Get();
    std::int32_t n = 0;
    const char* texts[] = {"1234567890\r\n", "12345678901234567890\r\n"};
    double sum = 0.0;
    for (const char* text : texts) {
        auto unit = [&] {
            ++n;
            window.ListView1.Add(n, text);
            window.ListView1.EnsureVisible(n);
            kv::DoEvents();
        };
        sum += kv::TimedPass<kv::GetTickCount>(2000, unit);
    }
    // The two passes are divided by 3, not by 2.
    const double x = sum / 3 * 300;
    TextTest.Unload();
    const std::int32_t index = kv::RoundToIndex(x);
    Main1->Visible(true);
    return index;
}

std::int32_t AnalyzeGraph()
{
    Main1->Visible(false);
    GraphTest.Load();
    kv::TestPrologue();

    GraphTestForm& window = GraphTest.Get();
    double sum = 0.0;
    auto circle = [&] {
        const kv::Color colour = RandomColour();
        const float cx = float(window.ScaleWidth()) / 2;
        const float cy = float(window.ScaleHeight()) / 2;
        const float radius = static_cast<float>(Rnd() * (0.9 * cy + 1));
        window.Circle(cx, cy, radius, colour);
    };
    auto box = [&] {
        const kv::Color colour = RandomColour();
        const float x1 = float(window.ScaleWidth()) / 5;
        const float y1 = float(window.ScaleHeight()) / 5;
        const float x2 = float(window.ScaleWidth()) * 0.8f;
        const float y2 = float(window.ScaleHeight()) * 0.8f;
        window.Box(x1, y1, x2, y2, colour);
        kv::Sleep(1);
    };
    for (int p = 0; p < 3; ++p) sum += kv::TimedPass<kv::timeGetTime>(500, circle);
    for (int p = 0; p < 3; ++p) sum += kv::TimedPass<kv::timeGetTime>(500, box);
    // Six passes, divided by 3.
    const std::int32_t index = kv::RoundToIndex(sum / 3 * 2.56);
    GraphTest.Unload();
    Main1->Visible(true);
    return index;
}
