// The overall score, the overall-result window, and the ALL and
// missing-tests sequences.
#include "fake_clock.h"
#include "gui_support.h"

#include "platform/errors.h"
#include "platform/sound.h"
#include "results/kv_common.h"
#include "results/report.h"
#include "runs/all_runs.h"
#include "runs/row_run.h"
#include "sysinfo/capacity.h"
#include "sysinfo/f_capacity.h"

#include <QTimer>

#include <climits>
#include <cstdio>
#include <tuple>

namespace {

// A machine whose facts change nothing: the score is the starting score.
void NeutralFacts()
{
    global::CpuLevel = 6;
    global::TotalMemMB = 500;
    global::HasRemoteDrive = 0;
    global::HasRamDrive = 0;
    global::ScreenWidth = 1280;
    global::ScreenHeight = 1024;
    global::UserResFree = "50";
    global::GdiResFree = "50";
    global::DiskTotalMB = 20480;
}

std::int32_t ScoreOf(std::array<std::int32_t, TestCount> indices)
{
    global::TestIndex = indices;
    return ScoreFromSharedState();
}

std::int32_t NeutralScoreAfter(std::int32_t start, void (*change)())
{
    NeutralFacts();
    change();
    return ScoreOf({start, start, start, start, start, start});
}

TEST(OverallScore, TheTwoWorkedMachines)
{
    global::ResetAll();
    // Facts 1: a 1024 x 768 screen, 256 MB, a 30000 MB disk.
    NeutralFacts();
    EXPECT_EQ(ScoreOf({30000, 25000, 40000, 20000, 15000, 35000}), 21250);   // average and low value
    global::TotalMemMB = 256;
    EXPECT_EQ(ScoreFromSharedState(), 20762);
    global::ScreenWidth = 1024;
    EXPECT_EQ(ScoreFromSharedState(), 19724);
    global::ScreenHeight = 768;
    EXPECT_EQ(ScoreFromSharedState(), 18738);
    global::UserResFree = "85";
    global::GdiResFree = "90";
    global::DiskTotalMB = 30000;
    EXPECT_EQ(ScoreFromSharedState(), 18748);

    // Facts 2: a slow machine whose running score goes negative on the way;
    // later factors still apply to it and only the result is floored.
    NeutralFacts();
    EXPECT_EQ(ScoreOf({1200, 900, 1500, 800, 700, 1000}), 858);   // 858.5 to even
    global::CpuLevel = 5;
    EXPECT_EQ(ScoreFromSharedState(), 601);
    global::TotalMemMB = 64;
    global::ScreenWidth = 800;
    global::ScreenHeight = 600;
    global::UserResFree = "85";
    global::GdiResFree = "90";
    global::DiskTotalMB = 2000;
    EXPECT_EQ(ScoreFromSharedState(), 0);
    global::DiskTotalMB = 2000 + 262480;   // -262 + 262.48: the floor came only at the end
    EXPECT_EQ(ScoreFromSharedState(), 0);
    global::DiskTotalMB = 2000 + 263000;
    EXPECT_EQ(ScoreFromSharedState(), 1);
}

TEST(OverallScore, EachFactorOnItsOwnWithTiesToEven)
{
    global::ResetAll();
    NeutralFacts();
    EXPECT_EQ(ScoreOf({2000000, 2000000, 2000000, 2000000, 2000000, 2000000}), 1500000);   // low capped
    EXPECT_EQ(ScoreOf({INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}),
              static_cast<std::int32_t>((std::int64_t{INT32_MAX} + 999999) / 2));

    EXPECT_EQ(NeutralScoreAfter(15, [] { global::CpuLevel = 5; }), 10);     // 10.5
    EXPECT_EQ(NeutralScoreAfter(30, [] { global::ScreenWidth = 1600; }), 32);   // 31.5
    const std::pair<std::int32_t, std::int32_t> levels[] = {{3, 1000}, {4, 200}, {5, 700}, {6, 1000}, {7, 1100},
                                                            {15, 1100}, {0, 1000}, {-1, 1000}};
    for (auto [level, score] : levels) {
        NeutralFacts();
        global::CpuLevel = level;
        EXPECT_EQ(ScoreOf({1000, 1000, 1000, 1000, 1000, 1000}), score) << "level " << level;
    }
    EXPECT_EQ(NeutralScoreAfter(1000, [] { global::TotalMemMB = 499; }), 998);
    EXPECT_EQ(NeutralScoreAfter(1000, [] { global::TotalMemMB = 501; }), 1003);
    const std::pair<std::int32_t, std::int32_t> widths[] = {{1279, 950}, {1280, 1000}, {1599, 1000}, {1600, 1050}};
    for (auto [w, score] : widths) {
        NeutralFacts();
        global::ScreenWidth = w;
        EXPECT_EQ(ScoreOf({1000, 1000, 1000, 1000, 1000, 1000}), score) << "width " << w;
    }
    const std::pair<std::int32_t, std::int32_t> heights[] = {{1023, 950}, {1024, 1000}, {1279, 1000}, {1280, 1050}};
    for (auto [h, score] : heights) {
        NeutralFacts();
        global::ScreenHeight = h;
        EXPECT_EQ(ScoreOf({1000, 1000, 1000, 1000, 1000, 1000}), score) << "height " << h;
    }
    EXPECT_EQ(NeutralScoreAfter(1000, [] { global::UserResFree = "49"; }), 950);
    EXPECT_EQ(NeutralScoreAfter(1000, [] { global::GdiResFree = ""; }), 950);
    EXPECT_EQ(NeutralScoreAfter(1000, [] { global::UserResFree = "  49"; global::GdiResFree = "x"; }), 902);
    EXPECT_EQ(NeutralScoreAfter(1000, [] { global::HasRemoteDrive = 1; global::HasRamDrive = 1; }), 1102);   // 1102.5
    EXPECT_EQ(NeutralScoreAfter(1000, [] { global::HasRemoteDrive = 2; }), 1000);
    EXPECT_EQ(NeutralScoreAfter(1000, [] { global::DiskTotalMB = 21980; }), 1002);   // 1001.5 to even
}

// --- the five routines as the score calls them --------------------------------------

std::vector<std::pair<char, std::int32_t>> g_calls;

template <char Name>
void Routine(std::int32_t& InfoMode)
{
    g_calls.emplace_back(Name, InfoMode);
    InfoMode = 1;   // the next routine must still get 0
    if (Name == 'M') NeutralFacts();
}

TEST(OverallScore, RefreshesTheFiveRoutinesInOrderEachWithModeZero)
{
    global::ResetAll();
    const std::array<InfoRoutine, 5> fakes = {Routine<'O'>, Routine<'C'>, Routine<'D'>, Routine<'S'>,
                                              Routine<'M'>};
    SetInfoRoutinesForTest(&fakes);
    g_calls.clear();
    global::TestIndex = {1000, 1000, 1000, 1000, 1000, 1000};
    EXPECT_EQ(CalcFightingCapacity(), 1000);
    SetInfoRoutinesForTest(nullptr);
    EXPECT_EQ(g_calls, (std::vector<std::pair<char, std::int32_t>>{{'O', 0}, {'C', 0}, {'D', 0}, {'S', 0}, {'M', 0}}));
}

// --- the overall-result window ------------------------------------------------------

constexpr kv::Color Unlit = 0x00000000;

struct WindowSeen {
    bool shown = false, enabled = true, report = true;
    std::string score;
};
WindowSeen g_seen;
std::int32_t g_score = 0;

// The last routine: sets a machine whose score is g_score, and looks at the
// window in the middle of its computation.
void ScoreSetter(std::int32_t&)
{
    NeutralFacts();
    global::TestIndex.fill(0);
    global::DiskTotalMB = 20480 + 1000.0 * g_score;   // the disk term alone makes the score
    FCapacityForm& f = F_capacity.Get();
    g_seen = {f.Shown(), f.Enabled(), f.Command14.Visible(), f.Label1.Caption()};
}

void Nothing(std::int32_t&) {}

class OverallWindow : public GuiTest {
protected:
    FakeClock clock;
    const std::array<InfoRoutine, 5> fakes = {Nothing, Nothing, Nothing, Nothing, ScoreSetter};

    void SetUp() override
    {
        GuiTest::SetUp();
        WriteSettings("C:\\prog\r\nC:\\data\r\n");
        Main1.Load();
        SetInfoRoutinesForTest(&fakes);
        kv::SetSoundPlayerForTest([](const std::string&) {});
    }
    void TearDown() override
    {
        SetInfoRoutinesForTest(nullptr);
        for (int t = 0; t < TestCount; ++t) SetRowTestForTest(static_cast<TestKind>(t), {});
        kv::SetSoundPlayerForTest({});
        GuiTest::TearDown();
    }

    FCapacityForm& Open(std::int32_t score)
    {
        F_capacity.Unload();
        g_score = score;
        clock.slept = 0;
        F_capacity.Load();
        return F_capacity.Get();
    }
};

TEST_F(OverallWindow, GaugeLightsUpwardsInItsOwnColoursAndNeverBarSixtyFour)
{
    struct Case { std::int32_t score; int lit; kv::Color last; };
    const Case cases[] = {
        {0, 0, 0}, {160, 0, 0}, {10000, 31, 0x0000F7FF}, {10400, 32, 0x0000FFFF}, {10401, 33, 0x0000FFF8},
        {18748, 59, 0x0000FF28}, {19999, 62, 0x0000FF10}, {20000, 51, 0x0000FF68}, {6460000, 64, 0x0000FF00},
        {INT32_MAX, 64, 0x0000FF00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.score);
        FCapacityForm& f = Open(c.score);
        int lit = 0;
        for (int i = 0; i < 65; ++i) lit += f.Line1[i].BorderColor() != Unlit;
        EXPECT_EQ(lit, c.lit);
        for (int i = 0; i < c.lit; ++i) EXPECT_NE(f.Line1[i].BorderColor(), Unlit) << i;
        if (c.lit) {
            EXPECT_EQ(f.Line1[c.lit - 1].BorderColor(), c.last);
        }
        EXPECT_EQ(f.Line1[64].BorderColor(), Unlit);
        EXPECT_EQ(clock.slept, 30u * static_cast<std::uint32_t>(c.lit));
        EXPECT_EQ(f.Label1.Caption(), std::to_string(c.score));
        EXPECT_EQ(global::FightingCapacity, c.score);
    }
    FCapacityForm& f = Open(10400);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(f.Line1[i].BorderColor(), 2047u + 2048u * static_cast<unsigned>(i)) << i;
    // The load stacks bars 1 to 64 upwards; bar 0 stays where it was designed.
    EXPECT_EQ(f.Line1[0].Y1(), 6330);
    EXPECT_EQ(f.Line1[1].Y1(), 4280);
    EXPECT_EQ(f.Line1[63].Y2(), -60);
    EXPECT_EQ(f.Line1[64].Y1(), -130);
}

TEST_F(OverallWindow, WaitsDisabledThenShowsScoreLevelTitleAndReport)
{
    FCapacityForm& f = Open(18748);
    EXPECT_TRUE(g_seen.shown);
    EXPECT_FALSE(g_seen.enabled);
    EXPECT_FALSE(g_seen.report);
    EXPECT_EQ(g_seen.score, "waiting ......");

    EXPECT_EQ(f.Label1.Caption(), "18748");
    EXPECT_EQ(f.Label2.Caption(), "　２級(LEVEL 10)");
    EXPECT_EQ(f.Label3.Caption(), "半凡人");
    EXPECT_EQ(global::LevelText, "　２級(LEVEL 10)");
    EXPECT_EQ(global::RankTitle, "半凡人");
    EXPECT_TRUE(f.Command14.Visible());
    EXPECT_TRUE(f.Enabled());
}

TEST_F(OverallWindow, OkAndTheCloseBoxGoBackToTheMainWindowReportOnToTheCertificate)
{
    Main1->Visible(false);
    Open(18748).Command14.Click();
    EXPECT_FALSE(F_capacity.Loaded());
    ASSERT_TRUE(Report.Loaded());
    EXPECT_TRUE(Report->Shown());
    EXPECT_FALSE(Main1->Shown());
    EXPECT_EQ(Report->Label3.Caption(), "　２級(LEVEL 10)  半凡人");
    Report->Command2.Click();
    EXPECT_TRUE(Main1->Shown());

    Main1->Visible(false);
    Open(1000).Command1.Click();
    EXPECT_FALSE(F_capacity.Loaded());
    EXPECT_TRUE(Main1->Shown());

    Main1->Visible(false);
    Open(1000).PressCloseBox();
    EXPECT_FALSE(F_capacity.Loaded());
    EXPECT_TRUE(Main1->Shown());
}

// --- the sequences ------------------------------------------------------------------

class Sequences : public OverallWindow {
protected:
    std::vector<int> ran;

    // Each row's test records its turn and what the path looked like then.
    struct Look { kv::Color label4, band, bar; std::array<kv::Color, 6> marks; bool allEnabled, mainShown; };
    std::vector<Look> looks;

    Look LookNow()
    {
        Main1Form& m = Main1.Get();
        return {m.Label4.ForeColor(), m.Shape4.FillColor(), m.Shape1.FillColor(),
                {m.Shape2[0].FillColor(), m.Shape3.FillColor(), m.Shape2[1].FillColor(), m.Shape2[2].FillColor(),
                 m.Shape2[3].FillColor(), m.Shape2[4].FillColor()},
                m.Command8.Enabled(), m.Shown()};
    }

    // Whether the message pump ran since the previous test: each test posts
    // a message, and a pump in between handles it.
    std::vector<bool> pumpedBefore;
    bool posted = false;

    // The default index lights no bar, so the row run itself pumps nothing.
    void ReplaceTests(std::int32_t index = 100)
    {
        for (int t = 0; t < TestCount; ++t)
            SetRowTestForTest(static_cast<TestKind>(t), [this, t, index] {
                pumpedBefore.push_back(!posted);
                posted = true;
                QTimer::singleShot(0, [this] { posted = false; });
                ran.push_back(t);
                looks.push_back(LookNow());
                return index;
            });
    }

    void ExpectAtRest()
    {
        const Look l = LookNow();
        EXPECT_EQ(l.label4, 0x000000C0u);
        EXPECT_EQ(l.band, 0x0000C0C0u);
        EXPECT_EQ(l.bar, 0x0000C0C0u);
        for (kv::Color c : l.marks) EXPECT_EQ(c, 0x0000C0C0u);
        EXPECT_TRUE(l.allEnabled);
        EXPECT_TRUE(Main1->Enabled());
    }

    void Scramble()
    {
        Main1Form& m = Main1.Get();
        m.Label4.ForeColor(0x123456);
        m.Shape4.FillColor(0x654321);
        m.Shape3.FillColor(0x111111);
        m.Shape2[4].FillColor(0x222222);
        m.Command8.Enabled(false);
    }
};

TEST_F(Sequences, AllRunsEverySixInOrderWithThePathLitRowByRowAndPumpsAfterEach)
{
    Main1Form& m = Main1.Get();
    global::TestIndex = {5, 5, 5, 5, 5, 5};   // measured already: ALL runs them anyway
    ReplaceTests();
    Scramble();
    m.Command8.Enabled(true);
    m.Command8.Click();
    kv::DoEvents();

    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(pumpedBefore, std::vector<bool>(6, true));
    for (std::size_t i = 0; i < looks.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(looks[i].label4, 0x000000FFu);
        EXPECT_EQ(looks[i].band, 0x0080FFFFu);
        EXPECT_EQ(looks[i].bar, 0x0080FFFFu);
        EXPECT_FALSE(looks[i].allEnabled);
        for (std::size_t mark = 0; mark < 6; ++mark)
            EXPECT_EQ(looks[i].marks[mark] == 0x0080FFFFu, mark <= i) << "mark " << mark;
    }
    for (int t = 0; t < TestCount; ++t) EXPECT_EQ(global::TestIndex[t], 100);
    ExpectAtRest();
}

TEST_F(Sequences, MissingRunTakesOnlyMinusOneAndPumpsNothingBetween)
{
    global::TestIndex = {NotMeasured, 0, NotMeasured, -5, 7, NotMeasured};
    ReplaceTests();
    Scramble();
    EXPECT_TRUE(RunMissingTests());
    EXPECT_EQ(ran, (std::vector<int>{Cpu, Mem, Graph}));
    EXPECT_EQ(pumpedBefore, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(global::TestIndex[Calc], 0);
    EXPECT_EQ(global::TestIndex[Hdd], -5);
    ExpectAtRest();   // the ALL button comes back, although this run never disabled it
    kv::DoEvents();
}

TEST_F(Sequences, OnlyHddMissingLightsTheMarksDownToItBeforeItRuns)
{
    global::TestIndex = {1, 1, 1, NotMeasured, 1, 1};
    ReplaceTests();
    EXPECT_TRUE(RunMissingTests());
    ASSERT_EQ(looks.size(), 1u);
    const std::array<kv::Color, 6> lit = {0x0080FFFF, 0x0080FFFF, 0x0080FFFF, 0x0080FFFF, 0x0000C0C0, 0x0000C0C0};
    EXPECT_EQ(looks[0].marks, lit);
    EXPECT_TRUE(looks[0].allEnabled);
    ExpectAtRest();

    // With everything measured nothing runs and nothing stays lit.
    ran.clear();
    EXPECT_TRUE(RunMissingTests());
    EXPECT_TRUE(ran.empty());
    ExpectAtRest();
}

TEST_F(Sequences, FightingCapacityHidesTheMainWindowOnlyAfterTheLastTest)
{
    Main1Form& m = Main1.Get();
    global::TestIndex = {1, 1, 1, 1, NotMeasured, NotMeasured};
    ReplaceTests(2000);
    m.Command9.Click();
    ASSERT_EQ(looks.size(), 2u);
    EXPECT_TRUE(looks[1].mainShown);
    EXPECT_FALSE(Main1->Shown());
    ASSERT_TRUE(F_capacity.Loaded());
    EXPECT_TRUE(F_capacity->Shown());
    F_capacity->Command1.Click();
    EXPECT_TRUE(Main1->Shown());
}

TEST_F(Sequences, AFailingRowEndsTheSequenceAndGivesTheWindowBack)
{
    Main1Form& m = Main1.Get();
    SetRowTestForTest(Mem, [] { return 1000; });
    m.Command4.Click();
    ReplaceTests();
    SetRowTestForTest(Mem, []() -> std::int32_t { throw kv::RuntimeError(kv::ErrOutOfMemory, "no memory"); });
    m.Command8.Click();
    EXPECT_EQ(ran, (std::vector<int>{Cpu, Calc}));
    ExpectAtRest();
    EXPECT_TRUE(Main1->Shown());
    // The failed row shows its earlier result again.
    EXPECT_EQ(std::tuple(m.Label12.ForeColor(), m.Label13.Caption(), m.Label15.Caption(), global::TestIndex[Mem]),
              std::tuple(0x0000C0C0u, "10", "　８級(LEVEL 4)", 1000));
    EXPECT_EQ(responder.notices, std::vector<std::string>{"エラーの為、処理を中止しました。(Err=7)"});

    // Neither Save nor "Fighting Capacity" goes on after a failed
    // missing-tests run: the window each would open stays closed.
    const std::pair<kv::CommandButton*, kv::FormRefBase*> roads[] = {{&m.Command15, &KV_Common},
                                                                     {&m.Command9, &F_capacity}};
    for (auto [button, window] : roads) {
        global::TestIndex.fill(NotMeasured);
        ran.clear();
        button->Click();
        EXPECT_EQ(ran, (std::vector<int>{Cpu, Calc}));
        EXPECT_FALSE(window->Loaded());
        EXPECT_TRUE(Main1->Shown());
        ExpectAtRest();
    }
}

// END handled in the pump after the first or the fourth test ends the program
// there: status 0, and no row runs after it (the next one would load a second
// main window into a run that holds the first).
TEST_F(Sequences, EndBetweenTwoTestsEndsTheProgramAtOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (bool all : {true, false})
        for (int end : {Cpu, Hdd}) {
            for (int t = 0; t < TestCount; ++t)
                SetRowTestForTest(static_cast<TestKind>(t), [t, end] {
                    kv::DoEvents();   // as a test's prologue: the missing-tests run's only pump
                    std::fprintf(stderr, "row %d\n", t);
                    if (t == end) QTimer::singleShot(0, [] { Main1->Command2_Click(); });
                    return 100;
                });
            EXPECT_EXIT(
                {
                    // The real end, after which this process never gets to its tear-down.
                    kv::SetEndHandler(nullptr);
                    std::filesystem::remove_all(home);
                    all ? RunAllTests() : void(RunMissingTests());
                },
                testing::ExitedWithCode(0), "row " + std::to_string(end) + "\n$")
                << (all ? "ALL" : "missing tests") << ", END after row " << end;
        }
}

} // namespace
