// Row runs from the start buttons, the gauge's bar count and animation, the
// comparison caption, and the chime player.
#include "fake_clock.h"
#include "gui_support.h"
#include "temp_folder.h"

#include "platform/errors.h"
#include "platform/sound.h"
#include "analyze/analyze.h"
#include "analyze/test_windows.h"
#include "runs/gauge.h"
#include "runs/row_run.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <climits>
#include <new>
#include <stdexcept>
#include <tuple>

namespace {

constexpr kv::Color Black = 0x00000000;
const std::filesystem::path ShippedChime =
    std::filesystem::path(__FILE__).parent_path().parent_path() / "assets" / "CHIME2.WAV";

// Bar i's colour by its closed form, independent of the running sum.
kv::Color BarColour(int i)
{
    if (i <= 32) return 0x000000FFu | static_cast<kv::Color>(7 * (i + 1) + i / 2) << 8;
    return 0x0000FF00u | static_cast<kv::Color>(248 - 8 * (i - 33));
}

// The notice of a handler ended by an error with that number.
std::string Aborted(int n) { return "エラーの為、処理を中止しました。(Err=" + std::to_string(n) + ")"; }

int LitBars(const kv::ControlArray<kv::Line, 65>& bars)
{
    int n = 0;
    for (int i = 0; i < 65; ++i) n += bars[i].BorderColor() != Black;
    return n;
}

TEST(Gauge, BarCountsInBothRegimesAndBarsLitRedToYellowToGreenEachPaced)
{
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {0, 0}, {160, 0}, {161, 1}, {480, 2}, {800, 2}, {10000, 31}, {12345, 39},
        {19999, 62}, {20000, 51}, {29999, 51}, {30000, 53}, {100000, 56}, {1000000, 61},
        {6459999, 64}, {6460000, 65}, {INT32_MAX, 77},
    };
    for (auto [value, bars] : cases) EXPECT_EQ(GaugeSegments(value), bars) << value;

    FakeClock clock;
    kv::Form form;
    kv::ControlArray<kv::Line, 65> bars{form};
    for (auto [count, lit] : {std::pair{0, 0}, {34, 34}, {77, 65}}) {
        for (int i = 0; i < 65; ++i) bars[i].BorderColor(Black);
        clock.slept = 0;
        LightGauge(bars, count);
        for (int i = 0; i < 65; ++i) EXPECT_EQ(bars[i].BorderColor(), i < lit ? BarColour(i) : Black) << count << " " << i;
        EXPECT_EQ(clock.slept, static_cast<std::uint32_t>(lit) * 30u) << count;
    }
}

TEST(ComparCaption, PercentAndSignedHundredsOrError)
{
    EXPECT_EQ(ComparCaption(11234, 10000), "112.3% (+    12)");
    EXPECT_EQ(ComparCaption(9000, 10000), "90.0% (   -10)");
    EXPECT_EQ(ComparCaption(10050, 10000), "100.5% (     0)");
    EXPECT_EQ(ComparCaption(9950, 10000), "99.5% (     0)");
    // Past seven digits a Single's text takes the exponent form.
    EXPECT_EQ(ComparCaption(2147483647, 1), "214748400000.0% (+2.147484E+07)");
    EXPECT_EQ(ComparCaption(0, 2147483647), "0.0% (-2.147484E+07)");
    EXPECT_EQ(ComparCaption(12345, 0), "Error");
    EXPECT_EQ(ComparCaption(12345, -1), "Error");
}

TEST(Chime, TheShippedChimeParsesAnythingElseIsTheDefaultDingAndNoDeviceHoldsUpOrSpeaks)
{
    const kv::PcmSound chime = kv::SoundForFile(ShippedChime);
    EXPECT_EQ(std::tuple(chime.channels, chime.bits, chime.rate, chime.samples.size()),
              std::tuple(1u, 16u, 22050u, std::size_t{44100}));
    TempFolder dir;
    std::string floats = ReadFile(ShippedChime);
    floats[20] = 3;   // IEEE floating-point samples: a WAV file this player cannot play
    WriteFile(dir.path / "floats.wav", floats);
    WriteFile(dir.path / "garbage.wav", "not a sound at all");
    for (const char* name : {"missing.wav", "garbage.wav", "floats.wav"})
        EXPECT_EQ(kv::SoundForFile((dir.path / name).string()), kv::DefaultSound()) << name;
    EXPECT_EQ(kv::SoundForFile(""), kv::DefaultSound());

    // Without a sound device a request returns at once and says nothing: a
    // default device on a card that is not there, whatever this machine has
    // (the sound library reports it on stderr unless told not to).
    WriteFile(dir.path / "alsa.conf", "pcm.!default { type hw card \"kvnone\" }\n");
    setenv("ALSA_CONFIG_PATH", (dir.path / "alsa.conf").c_str(), 1);
    testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    kv::PlaySoundAsync("Q:\\no drive\\CHIME2.WAV");
    kv::PlaySoundAsync(ShippedChime.string());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(kv::WaitUntilSoundIdleForTest(10000));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    unsetenv("ALSA_CONFIG_PATH");
}

class RowRun : public GuiTest {
protected:
    FakeClock clock;
    std::vector<std::string> chimes;

    void SetUp() override
    {
        GuiTest::SetUp();
        WriteSettings("C:\\prog\r\nC:\\data\r\n");
        Main1.Load();
        kv::SetSoundPlayerForTest([this](const std::string& path) { chimes.push_back(path); });
    }

    void TearDown() override
    {
        for (int t = 0; t < TestCount; ++t) SetRowTestForTest(static_cast<TestKind>(t), {});
        kv::SetSoundPlayerForTest({});
        GuiTest::TearDown();
    }
};

TEST_F(RowRun, EachButtonRunsItsOwnRowLockedAndLitMeanwhile)
{
    Main1Form& m = Main1.Get();
    // Indices of six different levels and bar counts, so a crossed label shows.
    struct Row {
        TestKind test; std::int32_t index; int bars; const char* value; const char* level;
        kv::CommandButton& button; kv::ControlArray<kv::Line, 65>& gauge;
        kv::Label& name; kv::Label& valueLabel; kv::Label& comment;
    } rows[] = {
        {Cpu, 12345, 39, "123", "　２級(LEVEL 10)", m.Command1, m.Line1, m.Label8, m.Label3, m.Label5},
        {Calc, 2000, 6, "20", "　７級(LEVEL 5)", m.Command3, m.Line2, m.Label9, m.Label7, m.Label11},
        {Mem, 3000, 9, "30", "　６級(LEVEL 6)", m.Command4, m.Line3, m.Label12, m.Label13, m.Label15},
        {Hdd, 5000, 16, "50", "　５級(LEVEL 7)", m.Command5, m.Line4, m.Label16, m.Label19, m.Label25},
        {Text, 7000, 22, "70", "　４級(LEVEL 8)", m.Command6, m.Line5, m.Label17, m.Label20, m.Label26},
        {Graph, 9000, 28, "90", "　３級(LEVEL 9)", m.Command7, m.Line6, m.Label18, m.Label21, m.Label27},
    };
    for (Row& r : rows) {
        SCOPED_TRACE(r.test);
        for (int i = 0; i < 65; ++i) r.gauge[i].BorderColor(0x00FFFFFF);   // lit by an earlier run
        std::tuple<bool, kv::Color, std::string, std::string, int, std::size_t> during;
        SetRowTestForTest(r.test, [&] {
            during = std::tuple(m.Enabled(), r.name.ForeColor(), r.valueLabel.Caption(), r.comment.Caption(),
                                LitBars(r.gauge), chimes.size());
            return r.index;
        });
        r.button.Click();
        // Locked, the name yellow, the whole gauge blanked, and the chime started.
        EXPECT_EQ(during, std::tuple(false, 0x0000FFFFu, "...", "", 0, r.test + 1u));
    }
    for (Row& r : rows) {
        SCOPED_TRACE(r.test);
        EXPECT_EQ(std::tuple(r.name.ForeColor(), global::TestIndex[r.test], r.valueLabel.Caption(), r.comment.Caption(),
                             global::TestLevel[r.test]),
                  std::tuple(0x0000C0C0u, r.index, r.value, r.level, r.level));
        for (int i = 0; i < 65; ++i) EXPECT_EQ(r.gauge[i].BorderColor(), i < r.bars ? BarColour(i) : Black) << i;
    }
    EXPECT_TRUE(m.Enabled());
    EXPECT_EQ(chimes, std::vector<std::string>(6, "C:\\prog\\CHIME2.WAV"));
}

// What a user can do to the main window: press Space on the focused button,
// click a start button through the window (as the window system delivers
// it) and straight at the button, and turn the wheel over the drive list.
void PokeMainWindow(Main1Form& m)
{
    auto click = [](QObject* target, QPointF at) {
        for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(type, at, at, Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &e);
        }
    };
    QWindow* window = m.Widget()->windowHandle();
    for (auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent key(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(window, &key);
    }
    auto middle = [&m](kv::Windowed& c) { return QPointF(c.Widget()->mapTo(m.Widget(), c.Widget()->rect().center())); };
    click(window, middle(m.Command3));
    click(m.Command4.Widget(), m.Command4.Widget()->rect().center());
    QWheelEvent wheel(middle(m.Drive1), middle(m.Drive1), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window, &wheel);
}

// The close box too is ignored during the run, not remembered for later.
TEST_F(RowRun, TheLockedWindowTakesNoInput)
{
    Main1Form& m = Main1.Get();
    m.Command5.SetFocus();   // Space would press HDD's start button
    std::vector<TestKind> ran;
    for (TestKind t : {Calc, Mem, Hdd})
        SetRowTestForTest(t, [&ran, t] { ran.push_back(t); return 1000; });
    bool focusKept = false;
    SetRowTestForTest(Cpu, [&] {
        PokeMainWindow(m);
        m.PressCloseBox();
        m.Command7.Click();
        kv::DoEvents();
        focusKept = m.Widget()->focusWidget() == m.Command5.Widget();   // no click took it
        return 12345;
    });
    m.Command1.Click();
    EXPECT_TRUE(focusKept);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(global::TestIndex[Graph], NotMeasured);
    EXPECT_EQ(global::TestDrive, "");
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(m.Shown());

    // The same input once the run is over does all of it.
    PokeMainWindow(m);
    EXPECT_EQ(ran, (std::vector<TestKind>{Hdd, Calc, Mem}));
    EXPECT_EQ(global::TestDrive, "d:");
    m.PressCloseBox();
    EXPECT_EQ(ended, 1);
}

TEST_F(RowRun, HddRowWhoseTestFailsShowsZeroNoBarAndTheLowestLevel)
{
    clock.step = 100;
    Main1Form& m = Main1.Get();
    // The test takes the drive from the list, not from a TestDrive left
    // over: on D: the scratch name is a folder, so nothing can be written.
    std::filesystem::create_directories(home / "d" / "kv_test1.txt");
    m.Drive1.Drive("d:");
    global::TestDrive = "c:";
    m.Command5.Click();
    EXPECT_EQ(global::TestDrive, "d:");
    EXPECT_EQ(std::tuple(global::TestIndex[Hdd], LitBars(m.Line4), m.Label19.Caption(), m.Label25.Caption()),
              std::tuple(0, 0, "0", "破門(LEVEL 0)"));
    EXPECT_TRUE(std::filesystem::is_directory(home / "d" / "kv_test1.txt"));
    EXPECT_TRUE(m.Enabled());
}

TEST_F(RowRun, TextAndGraphGiveTheWindowBackVisibleButLockedUntilTheRunEnds)
{
    Main1Form& m = Main1.Get();
    clock.step = 100;
    for (TestKind t : {Text, Graph}) {
        SCOPED_TRACE(t);
        bool hiddenDuring = false;
        clock.onRead = [&] { hiddenDuring = hiddenDuring || !m.Shown(); };
        struct { bool shown, enabled; } after{};
        SetRowTestForTest(t, [&, t] {
            const std::int32_t index = t == Text ? AnalyzeText() : AnalyzeGraph();
            after = {m.Shown(), m.Enabled()};
            return index;
        });
        (t == Text ? m.Command6 : m.Command7).Click();
        clock.onRead = nullptr;
        EXPECT_TRUE(hiddenDuring);
        EXPECT_TRUE(after.shown && !after.enabled);
        EXPECT_TRUE(m.Shown() && m.Enabled());
        EXPECT_GT(global::TestIndex[t], 0);
    }
}

// The one guard between the handlers and the window system.
TEST_F(GuiTest, WhateverEscapesAHandlerBecomesTheRunTimeErrorNotice)
{
    QTimer::singleShot(0, [] { throw kv::RuntimeError(kv::ErrPathNotFound, "gone"); });
    QTimer::singleShot(0, [] { throw std::bad_alloc(); });
    QTimer::singleShot(0, [] { throw std::logic_error("a fault of the program"); });
    kv::DoEvents();
    EXPECT_EQ(responder.notices, (std::vector<std::string>{Aborted(76), Aborted(7), Aborted(0)}));
}

TEST_F(RowRun, AFailedRunPutsTheRowAndTheWindowsBackAndSaysWhy)
{
    Main1Form& m = Main1.Get();
    struct Row {
        TestKind test; kv::CommandButton& button; kv::ControlArray<kv::Line, 65>& bars;
        kv::Label& name; kv::Label& value; kv::Label& comment;
    } rows[] = {{Cpu, m.Command1, m.Line1, m.Label8, m.Label3, m.Label5},
                {Text, m.Command6, m.Line5, m.Label17, m.Label20, m.Label26}};
    for (Row& r : rows) {
        SCOPED_TRACE(r.test);
        SetRowTestForTest(r.test, [] { return 1000; });
        r.button.Click();
        // CPU's test fails on its own; the real TEXT test fails with its window open.
        SetRowTestForTest(r.test, r.test == Text ? std::function<std::int32_t()>() : []() -> std::int32_t {
            throw kv::RuntimeError(kv::ErrDiskFull, "full");
        });
        clock.onRead = [] { throw std::bad_alloc(); };
        r.button.Click();
        clock.onRead = nullptr;
        EXPECT_EQ(std::tuple(r.name.ForeColor(), r.value.Caption(), r.comment.Caption(), LitBars(r.bars),
                             global::TestIndex[r.test]),
                  std::tuple(0x0000C0C0u, "10", "　８級(LEVEL 4)", 3, 1000));
        EXPECT_TRUE(m.Enabled() && m.Shown());
    }
    EXPECT_FALSE(TextTest.Loaded());
    EXPECT_EQ(responder.notices, (std::vector<std::string>{Aborted(61), Aborted(7)}));
}

} // namespace
