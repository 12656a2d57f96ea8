// The two tests that measure the user interface: list items taken in and
// scrolled into view, and shapes drawn onto a window.
#include "app/main1.h"
#include "platform/clock.h"
#include "analyze/analyze.h"
#include "analyze/test_windows.h"
#include "analyze/timed_frame.h"
#include "analyze/ui_units.h"

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
        auto unit = [&] { kv::units::TextUnit(window.ListView1, ++n, text); };
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
    auto circle = [&] { kv::units::CircleUnit(window); };
    auto box = [&] { kv::units::BoxUnit(window); };
    for (int p = 0; p < 3; ++p) sum += kv::TimedPass<kv::timeGetTime>(500, circle);
    for (int p = 0; p < 3; ++p) sum += kv::TimedPass<kv::timeGetTime>(500, box);
    // Six passes, divided by 3.
    const std::int32_t index = kv::RoundToIndex(sum / 3 * 2.56);
    GraphTest.Unload();
    Main1->Visible(true);
    return index;
}
