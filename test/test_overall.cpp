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
    using namespace global;
    CpuLevel = 6, TotalMemMB = 500, HasRemoteDrive = HasRamDrive = 0;
    ScreenWidth = 1280, ScreenHeight = 1024, DiskTotalMB = 20480;
    UserResFree = GdiResFree = "50";
}

template <class T, class V>
std::function<void()> Set(T& fact, V value) { return [&fact, value] { fact = value; }; }

TEST(OverallScore, TheWorkedMachinesAndEachFactorOnItsOwnWithTiesToEven)
{
    using namespace global;
    using Six = std::array<std::int32_t, TestCount>;
    const auto all = [](std::int32_t v) { return Six{v, v, v, v, v, v}; };
    const Six fast = {30000, 25000, 40000, 20000, 15000, 35000}, slow = {1200, 900, 1500, 800, 700, 1000};
    const auto machine = [](int cpu, int mb, int width, int height, double disk) -> std::function<void()> {
        return [=] {
            CpuLevel = cpu; TotalMemMB = mb; ScreenWidth = width; ScreenHeight = height; DiskTotalMB = disk;
            UserResFree = "85"; GdiResFree = "90";
        };
    };
    struct Case { std::function<void()> change; std::int32_t score; Six indices = {1000, 1000, 1000, 1000, 1000, 1000}; };
    const Case cases[] = {
        {{}, 21250, fast},   // the average and the low value
        {machine(6, 256, 1024, 768, 30000), 18748, fast},
        {{}, 858, slow},     // 858.5 to even
        // The running score goes negative on the way; later factors still
        // apply to it and only the result is floored.
        {machine(5, 64, 800, 600, 2000), 0, slow}, {machine(5, 64, 800, 600, 2000 + 262480), 0, slow},
        {machine(5, 64, 800, 600, 2000 + 263000), 1, slow},
        {{}, 1500000, all(2000000)},   // the low value capped
        {{}, static_cast<std::int32_t>((std::int64_t{INT32_MAX} + 999999) / 2), all(INT32_MAX)},
        {Set(CpuLevel, 5), 10, all(15)},   // 10.5
        {Set(CpuLevel, 3), 1000}, {Set(CpuLevel, 4), 200}, {Set(CpuLevel, 5), 700}, {Set(CpuLevel, 7), 1100},
        {Set(CpuLevel, 15), 1100}, {Set(TotalMemMB, 499), 998}, {Set(TotalMemMB, 501), 1003},
        {Set(ScreenWidth, 1600), 32, all(30)},   // 31.5
        {Set(ScreenWidth, 1279), 950}, {Set(ScreenWidth, 1599), 1000}, {Set(ScreenHeight, 1023), 950},
        {Set(ScreenHeight, 1279), 1000}, {Set(ScreenHeight, 1280), 1050}, {Set(UserResFree, "49"), 950},
        {Set(GdiResFree, ""), 950}, {[] { Set(UserResFree, "  49")(), Set(GdiResFree, "x")(); }, 902},
        {[] { HasRemoteDrive = HasRamDrive = 1; }, 1102},   // 1102.5
        {Set(HasRemoteDrive, 2), 1000}, {Set(DiskTotalMB, 21980), 1002},   // 1001.5 to even
    };
    ResetAll();
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        NeutralFacts();
        if (c.change) c.change();
        TestIndex = c.indices;
        EXPECT_EQ(ScoreFromSharedState(), c.score);
    }
}

constexpr kv::Color Unlit = 0x00000000;

// The five routines the score refreshes first, each with its letter and the
// mode it was given.
std::vector<std::pair<char, std::int32_t>> g_calls;

template <char Name>
void Routine(std::int32_t& InfoMode)
{
    g_calls.emplace_back(Name, InfoMode);
    InfoMode = 1;   // the next routine must still get 0
}

std::tuple<bool, bool, bool, std::string> g_seen;   // shown, enabled, Report visible, score
std::int32_t g_score = 0;

// The last routine also sets a machine whose score is g_score, and looks at
// the window in the middle of its computation.
void ScoreSetter(std::int32_t& InfoMode)
{
    Routine<'M'>(InfoMode);
    NeutralFacts();
    global::TestIndex.fill(0);
    global::DiskTotalMB = 20480 + 1000.0 * g_score;   // the disk term alone makes the score
    FCapacityForm& f = F_capacity.Get();
    g_seen = std::tuple(f.Shown(), f.Enabled(), f.Command14.Visible(), f.Label1.Caption());
}

class OverallWindow : public GuiTest {
protected:
    FakeClock clock;
    const std::array<InfoRoutine, 5> fakes = {Routine<'O'>, Routine<'C'>, Routine<'D'>, Routine<'S'>, ScoreSetter};

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
        g_calls.clear();
        g_score = score;
        clock.slept = 0;
        F_capacity.Load();
        return F_capacity.Get();
    }
};

TEST_F(OverallWindow, GaugeLightsUpwardsInItsOwnColoursAndNeverBarSixtyFour)
{
    // Red to yellow over bars 0 to 31, then 8 less red a bar from 0xFFF8.
    auto colour = [](int i) { return i < 32 ? 2047u + 2048u * unsigned(i) : 0xFFF8u - 8u * unsigned(i - 32); };
    const std::pair<std::int32_t, int> cases[] = {
        {0, 0}, {160, 0}, {161, 1}, {10000, 31}, {10400, 32}, {10401, 33}, {18748, 59}, {19999, 62}, {20000, 51},
        {6460000, 64}, {INT32_MAX, 64},
    };
    for (auto [score, lit] : cases) {
        SCOPED_TRACE(score);
        FCapacityForm& f = Open(score);
        for (int i = 0; i < 65; ++i) EXPECT_EQ(f.Line1[i].BorderColor(), i < lit ? colour(i) : Unlit) << i;
        EXPECT_EQ(clock.slept, 30u * static_cast<std::uint32_t>(lit));
        EXPECT_EQ(f.Label1.Caption(), std::to_string(score));
        EXPECT_EQ(global::FightingCapacity, score);
    }
    // The load stacks bars 1 to 64 upwards; bar 0 stays where it was designed.
    const FCapacityForm& f = F_capacity.Get();
    EXPECT_EQ(std::tuple(f.Line1[0].Y1(), f.Line1[1].Y1(), f.Line1[63].Y2(), f.Line1[64].Y1()),
              std::tuple(6330, 4280, -60, -130));
}

TEST_F(OverallWindow, WaitsDisabledThenShowsTheRankAndGoesOnToTheCertificateOrBack)
{
    Main1->Visible(false);
    FCapacityForm& f = Open(18748);
    EXPECT_EQ(g_calls, (std::vector<std::pair<char, std::int32_t>>{{'O', 0}, {'C', 0}, {'D', 0}, {'S', 0}, {'M', 0}}));
    EXPECT_EQ(g_seen, std::tuple(true, false, false, "waiting ......"));
    EXPECT_EQ(std::tuple(f.Label2.Caption(), f.Label3.Caption(), global::LevelText, global::RankTitle),
              std::tuple("　２級(LEVEL 10)", "半凡人", "　２級(LEVEL 10)", "半凡人"));
    EXPECT_TRUE(f.Command14.Visible() && f.Enabled());

    f.Command14.Click();   // on to the certificate, the main window still hidden
    EXPECT_FALSE(F_capacity.Loaded());
    EXPECT_TRUE(Report.Loaded() && Report->Shown());
    EXPECT_FALSE(Main1->Shown());
    Report.Unload();
    Open(1000).PressCloseBox();   // the close box is OK (OK itself: smoke_overall.sh)
    EXPECT_FALSE(F_capacity.Loaded());
    EXPECT_TRUE(Main1->Shown());
}

constexpr kv::Color Lit = 0x0080FFFF, Rest = 0x0000C0C0;

// The path's colours: ALL's label, the band, the bar joining the marks and
// the six rows' marks, of which the first `marks` are lit.
std::vector<kv::Color> LitPath(int marks)
{
    std::vector<kv::Color> path = {0x000000FF, Lit, Lit};
    for (int i = 0; i < TestCount; ++i) path.push_back(i < marks ? Lit : Rest);
    return path;
}
const std::vector<kv::Color> PathAtRest = {0x000000C0, Rest, Rest, Rest, Rest, Rest, Rest, Rest, Rest};

class Sequences : public OverallWindow {
protected:
    std::vector<int> ran;
    struct Look { std::vector<kv::Color> path; bool allEnabled, mainShown; };
    std::vector<Look> looks;   // as each row's test saw the window

    Look LookNow()
    {
        Main1Form& m = Main1.Get();
        return {{m.Label4.ForeColor(), m.Shape4.FillColor(), m.Shape1.FillColor(), m.Shape2[0].FillColor(),
                 m.Shape3.FillColor(), m.Shape2[1].FillColor(), m.Shape2[2].FillColor(), m.Shape2[3].FillColor(),
                 m.Shape2[4].FillColor()},
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
        EXPECT_EQ(l.path, PathAtRest);
        EXPECT_TRUE(l.allEnabled);
        EXPECT_TRUE(Main1->Enabled());
    }
};

TEST_F(Sequences, AllRunsEverySixInOrderWithThePathLitRowByRowAndPumpsAfterEach)
{
    global::TestIndex = {5, 5, 5, 5, 5, 5};   // measured already: ALL runs them anyway
    ReplaceTests();
    Main1->Command8.Click();
    kv::DoEvents();
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(pumpedBefore, std::vector<bool>(6, true));
    for (std::size_t i = 0; i < looks.size(); ++i) {
        EXPECT_EQ(looks[i].path, LitPath(int(i) + 1)) << i;
        EXPECT_FALSE(looks[i].allEnabled) << i;
    }
    for (int t = 0; t < TestCount; ++t) EXPECT_EQ(global::TestIndex[t], 100);
    ExpectAtRest();
}

TEST_F(Sequences, MissingRunTakesOnlyMinusOneLitDownToItPumpsNothingBetweenAndHidesForTheScoreOnlyAfter)
{
    global::TestIndex = {NotMeasured, 0, NotMeasured, -5, 7, NotMeasured};
    ReplaceTests();
    Main1Form& m = Main1.Get();   // wrong colours, which the sequence's end must put right
    m.Label4.ForeColor(0x123456), m.Shape4.FillColor(0x654321), m.Shape3.FillColor(1), m.Shape2[4].FillColor(2);
    m.Command8.Enabled(false);
    EXPECT_TRUE(RunMissingTests());
    EXPECT_EQ(ran, (std::vector<int>{Cpu, Mem, Graph}));
    EXPECT_EQ(pumpedBefore, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(global::TestIndex[Calc], 0);
    EXPECT_EQ(global::TestIndex[Hdd], -5);
    ExpectAtRest();   // the ALL button comes back, although this run never disabled it
    kv::DoEvents();

    // Only HDD missing: the marks down to it are lit before it runs.
    global::TestIndex = {1, 1, 1, NotMeasured, 1, 1};
    looks.clear();
    EXPECT_TRUE(RunMissingTests());
    ASSERT_EQ(looks.size(), 1u);
    EXPECT_EQ(looks[0].path, LitPath(4));
    EXPECT_TRUE(looks[0].allEnabled);
    ExpectAtRest();

    // With everything measured nothing runs and nothing stays lit.
    ran.clear();
    EXPECT_TRUE(RunMissingTests());
    EXPECT_TRUE(ran.empty());
    ExpectAtRest();

    // "Fighting Capacity" hides the main window only after the last test.
    global::TestIndex[Text] = global::TestIndex[Graph] = NotMeasured;
    ReplaceTests(2000);
    looks.clear();
    m.Command9.Click();
    ASSERT_EQ(looks.size(), 2u);
    EXPECT_TRUE(looks[1].mainShown);
    EXPECT_FALSE(Main1->Shown());
    EXPECT_TRUE(F_capacity.Loaded() && F_capacity->Shown());
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
    const std::pair<kv::CommandButton*, kv::FormRefBase*> roads[] = {{&m.Command15, &KV_Common}, {&m.Command9, &F_capacity}};
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
