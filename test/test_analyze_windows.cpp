// The TEXT and Graph tests in their windows, with the test clock.
#include "gui_support.h"

#include "fake_clock.h"
#include "analyze/analyze.h"
#include "analyze/random.h"
#include "analyze/test_windows.h"

#include <cmath>
#include <map>

namespace {

class WindowTests : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        WriteSettings("C:\\A\r\nD:\\B\r\n");
        Main1.Load();
    }
};

TEST_F(WindowTests, TextAddsItemsAtTheEndAndHidesTheMainWindowMeanwhile)
{
    FakeClock clock;
    clock.step = 100;  // 20 units per 2000 ms pass
    bool mainShownDuring = true, windowShownDuring = false;
    std::map<int, std::string> texts;
    clock.onRead = [&] {
        if (!TextTest.Loaded()) return;
        mainShownDuring = mainShownDuring && Main1->Shown();
        windowShownDuring = TextTest->Shown();
        const int n = TextTest->ListView1.Count();
        if (n == 1 || n == 20 || n == 21 || n == 40) texts[n] = TextTest->ListView1.ItemText(n);
    };
    const std::int32_t index = AnalyzeText();
    EXPECT_EQ(index, 4000);  // (20 + 20) / 3 x 300
    EXPECT_FALSE(mainShownDuring);
    EXPECT_TRUE(windowShownDuring);
    EXPECT_FALSE(TextTest.Loaded());
    EXPECT_TRUE(Main1->Shown());
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[1], "1234567890\r\n");
    EXPECT_EQ(texts[20], "1234567890\r\n");
    EXPECT_EQ(texts[21], "12345678901234567890\r\n");  // the first item of pass 2 follows pass 1's
    EXPECT_EQ(texts[40], "12345678901234567890\r\n");
    EXPECT_EQ(clock.slept, 1000u);
}

TEST_F(WindowTests, GraphDrawsTheRandomSequenceWithinItsBounds)
{
    FakeClock clock;
    clock.step = 100;  // 5 circles per pass; a box also sleeps 1 ms: 5 per pass
    std::vector<kv::DrawCall> drawn;
    kv::RecordDrawingForTest(&drawn);
    ResetRndForTest();
    bool mainShownDuring = true;
    clock.onRead = [&] { if (GraphTest.Loaded()) mainShownDuring = mainShownDuring && Main1->Shown(); };
    const std::int32_t index = AnalyzeGraph();
    kv::RecordDrawingForTest(nullptr);

    EXPECT_EQ(index, 26);  // 30 / 3 x 2.56 = 25.6
    EXPECT_FALSE(mainShownDuring);
    EXPECT_FALSE(GraphTest.Loaded());
    EXPECT_TRUE(Main1->Shown());
    ASSERT_EQ(drawn.size(), 30u);

    // The same sequence a fresh start draws, in the order colour, radius.
    kv::RandomSource replay;
    auto component = [&] { return static_cast<kv::Color>(std::nearbyint(replay.Next() * 255.0f)); };
    const float w = 8235, h = 8310;
    for (size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(i);
        const kv::DrawCall& d = drawn[i];
        const kv::Color r = component(), g = component(), b = component();
        EXPECT_EQ(d.color, r + 256 * g + 65536 * b);
        EXPECT_LE(d.color, 0x00FFFFFFu);
        if (i < 15) {
            EXPECT_EQ(d.kind, 'C');
            EXPECT_FLOAT_EQ(d.x1, w / 2);
            EXPECT_FLOAT_EQ(d.y1, h / 2);
            EXPECT_FLOAT_EQ(d.x2, static_cast<float>(replay.Next() * (0.9 * (h / 2) + 1)));
            EXPECT_GE(d.x2, 0.0f);
            EXPECT_LT(d.x2, 0.9f * h / 2 + 1);
        } else {
            EXPECT_EQ(d.kind, 'B');
            EXPECT_FLOAT_EQ(d.x1, w / 5);
            EXPECT_FLOAT_EQ(d.y1, h / 5);
            EXPECT_FLOAT_EQ(d.x2, w * 0.8f);
            EXPECT_FLOAT_EQ(d.y2, h * 0.8f);
        }
    }
}

TEST_F(WindowTests, ClosingATestWindowDuringItsTestIsIgnored)
{
    FakeClock clock;
    clock.step = 250;
    bool closed = false;
    clock.onRead = [&] {
        if (TextTest.Loaded() && !closed) {
            closed = true;
            TextTest->PressCloseBox();
        }
    };
    AnalyzeText();
    EXPECT_TRUE(closed);
    EXPECT_EQ(clock.reads, 2u * (1u + 8u));  // both passes ran to their end
}

} // namespace
