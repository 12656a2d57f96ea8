// Comparison data: the file, Save and Load through the file chooser, the
// chooser's own controls, and the mode switch that opens Load.
#include "fake_clock.h"
#include "gui_support.h"

#include "app/conventions.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/sound.h"
#include "results/compar_file.h"
#include "results/kv_common.h"
#include "runs/row_run.h"

#include <QAbstractButton>
#include <QTimer>

#include <cerrno>
#include <functional>
#include <optional>
#include <random>

namespace {

using Indices = std::array<std::int32_t, TestCount>;
const std::string Header = std::string(ComparHeader) + "\r\n";
const Indices Sentinel{-7, -7, -7, -7, -7, -7};

// Load's verdict on a text: the error number of a refusal, or -1 when taken.
int LoadNumber(const std::string& text)
{
    try {
        LoadComparisonValues(text);
        return -1;
    } catch (const kv::RuntimeError& e) {
        return e.Number();
    }
}

TEST(ComparFile, SixValuesReadAsTextToNumberOrARefusalThatChangesNothing)
{
    EXPECT_EQ(LoadNumber(Header + " 42\r\n42abc\r\n\r\nabc\r\n12.5\r\n13.5\r\n7\r\ntrailing"), -1);
    EXPECT_EQ(global::ComparIndex, (Indices{42, 42, 0, 0, 12, 14}));

    const std::string five = Header + "1\r\n2\r\n3\r\n4\r\n5\r\n";
    const std::pair<std::string, int> refused[] = {
        {"", 0},
        {std::string(ComparHeader), 0},
        {"KORVELINE 2002 V100 (C)Arlen Voskamp\n1\n2\n3\n4\n5\n6\n", 0},
        {" " + five + "6\r\n", 0},
        {"korveline 2002 v100 (c)arlen voskamp\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n", 0},
        {five + "6", 0},
        {five + "2147483648\r\n", kv::ErrOverflow},
        {Header + "-2147483649\r\n1\r\n2\r\n3\r\n4\r\n5\r\n", kv::ErrOverflow},
    };
    for (const auto& [text, number] : refused) {
        global::ComparIndex = Sentinel;
        EXPECT_EQ(LoadNumber(text), number) << text;
        EXPECT_EQ(global::ComparIndex, Sentinel) << text;
    }
}

// What a whole load must give: all six values of the seven CR LF-ended lines,
// or nothing when one is missing, the header differs or a value overflows.
std::optional<Indices> Expected(const std::string& text)
{
    std::size_t from = 0;
    Indices values{};
    for (int line = 0; line < 7; ++line) {
        const std::size_t end = text.find("\r\n", from);
        if (end == std::string::npos) return std::nullopt;
        const std::string part = text.substr(from, end - from);
        from = end + 2;
        if (line == 0 && part != ComparHeader) return std::nullopt;
        try {
            if (line > 0) values[line - 1] = conv::ToInt32(conv::Val(part));
        } catch (const kv::RuntimeError&) {
            return std::nullopt;
        }
    }
    return values;
}

TEST(ComparFile, MutatedAndRandomFilesAreTakenWholeOrChangeNothing)
{
    std::mt19937 rng(20020);
    auto below = [&](std::size_t n) { return n ? std::size_t(rng() % n) : 0; };
    const std::string valid = ComparisonFileText({123456, -20, 0, 99999, 7, 2147483647});
    const std::string alphabet = "0123456789-+.eEdD \t\r\n\r\nabcK\xE3\x81\x82";
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string t = valid;
        if (round % 10 == 0) {   // random bytes, mostly of the file's own kind
            t.resize(below(90));
            for (char& c : t) c = rng() % 4 ? alphabet[below(alphabet.size())] : char(rng());
        }
        for (int op = int(below(4)); op >= 0; --op) {
            const std::size_t at = below(t.size() + 1);
            switch (rng() % 4) {
            case 0: if (at < t.size()) t[at] = char(t[at] ^ (1 << below(8))); break;
            case 1: t.erase(at, below(8)); break;
            case 2: t.insert(at, t.substr(at, below(12))); break;
            default: {   // a CR or LF moved elsewhere
                const std::size_t eol = t.find_first_of("\r\n", below(t.size() + 1));
                if (eol == std::string::npos) break;
                const char c = t[eol];
                t.erase(eol, 1);
                t.insert(below(t.size() + 1), 1, c);
            }
            }
        }
        global::ComparIndex = Sentinel;
        const std::optional<Indices> expected = Expected(t);
        const int number = LoadNumber(t);
        accepted += number == -1;
        ASSERT_EQ(number == -1, expected.has_value()) << testing::PrintToString(t);
        ASSERT_EQ(global::ComparIndex, expected.value_or(Sentinel)) << testing::PrintToString(t);
    }
    EXPECT_GT(accepted, 1000);   // the mutations reach both outcomes
}

// --- Save and Load from the main window ---------------------------------------------

class Compar : public GuiTest {
protected:
    FakeClock clock;
    QTimer driver;
    std::deque<std::function<void(KV_CommonForm&)>> atChooser;
    std::filesystem::path data;

    void SetUp() override
    {
        GuiTest::SetUp();
        data = home / "data";
        std::filesystem::create_directories(data);
        WriteSettings("C:\\prog\r\nC:\\data\r\n");
        Main1.Load();
        kv::SetSoundPlayerForTest([](const std::string&) {});
        driver.setInterval(0);
        QObject::connect(&driver, &QTimer::timeout, [this] {
            if (global::ChooserOpen != 1 || !KV_Common.Loaded()) return;
            KV_CommonForm& chooser = KV_Common.Get();
            if (atChooser.empty()) {
                ADD_FAILURE() << "the chooser opened unexpectedly";
                chooser.Command2.Click();
                return;
            }
            const auto act = std::move(atChooser.front());
            atChooser.pop_front();
            act(chooser);
        });
        driver.start();
    }

    void TearDown() override
    {
        driver.stop();
        for (int t = 0; t < TestCount; ++t) SetRowTestForTest(static_cast<TestKind>(t), {});
        kv::SetSoundPlayerForTest({});
        GuiTest::TearDown();
    }

    // The user types `path` into the path box and presses OK.
    static std::function<void(KV_CommonForm&)> Type(const std::string& path)
    {
        return [path](KV_CommonForm& c) { c.Text1.Text(path), c.Command1.Click(); };
    }
    static void Cancel(KV_CommonForm& c) { c.Command2.Click(); }

    static std::string Bytes(const std::filesystem::path& p) { return kv::ReadWholeFile(p.string()); }
    static void Write(const std::filesystem::path& p, const std::string& b) { kv::WriteWholeFile(p.string(), b); }
};

TEST_F(Compar, SaveRunsTheMissingTestsThenWritesTheSevenLinesAndLoadRestoresThem)
{
    global::TestIndex = {NotMeasured, 0, NotMeasured, 0, 0, 0};
    SetRowTestForTest(Cpu, [] { return 20000; });
    SetRowTestForTest(Mem, [] { return 0; });
    bool hiddenWhileChoosing = false;
    atChooser.push_back([&](KV_CommonForm& c) {
        hiddenWhileChoosing = !Main1->Shown();
        EXPECT_EQ(c.Label1.Caption(), "比較用データを保存します");
        Type("C:\\data\\a.kvd")(c);
    });
    Main1->Command15.Click();
    EXPECT_TRUE(hiddenWhileChoosing);
    EXPECT_EQ(Bytes(data / "a.kvd"), Header + "20000\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
    EXPECT_EQ(responder.notices, std::vector<std::string>{"記録完了！"});
    EXPECT_TRUE(Main1->Enabled());
    EXPECT_TRUE(Main1->Shown());

    // With every test measured none runs, and the window stays locked while
    // the chooser is open.
    global::TestIndex = {-5, 1, 2, 3, 4, INT32_MAX};
    SetRowTestForTest(Cpu, [] { ADD_FAILURE() << "a measured test ran"; return 0; });
    bool lockedWhileChoosing = false;
    atChooser.push_back([&](KV_CommonForm& c) {
        lockedWhileChoosing = !Main1->Enabled();
        Type("C:\\data\\b.kvd")(c);
    });
    Main1->Command15.Click();
    EXPECT_TRUE(lockedWhileChoosing);
    atChooser.push_back([](KV_CommonForm& c) {
        EXPECT_EQ(c.Label1.Caption(), "比較用データを読み込みます");
        Type("C:\\data\\b.kvd")(c);
    });
    Main1->Command16.Click();
    EXPECT_EQ(global::ComparIndex, global::TestIndex);
    EXPECT_EQ(global::ComparLoaded, 1);
    EXPECT_EQ(responder.notices.back(), "比較用データを読み込みました");
    EXPECT_TRUE(Main1->Shown());
}

TEST_F(Compar, SaveOverAFileAsksAndReplacesItWholeOrNotAtAll)
{
    global::TestIndex = {1, 2, 3, 4, 5, 6};
    const std::string old = Header + std::string(100, '9') + "\r\n";
    Write(data / "old.kvd", old);

    atChooser = {Cancel, Type("C:\\data\\old.kvd"), Type("C:\\data\\old.kvd")};
    responder.answers = {false, true};
    Main1->Command15.Click();   // cancel: nothing asked, nothing written
    Main1->Command15.Click();   // No
    EXPECT_EQ(Bytes(data / "old.kvd"), old);
    EXPECT_TRUE(responder.notices.empty());
    EXPECT_TRUE(Main1->Enabled() && Main1->Shown());
    Main1->Command15.Click();   // Yes
    EXPECT_EQ(responder.questions, std::vector<std::string>(2, "同一のファイル名が存在します。上書きしますか？"));
    EXPECT_EQ(Bytes(data / "old.kvd"), ComparisonFileText(global::TestIndex));
}

TEST_F(Compar, AFailedSaveKeepsTheOldFileAndLeavesNoTemporary)
{
    global::TestIndex = {1, 2, 3, 4, 5, 6};
    const std::string old = ComparisonFileText({9, 9, 9, 9, 9, 9});
    Write(data / "old.kvd", old);
    responder.answers = {true, true};
    for (kv::FaultAt where : {kv::FaultAt::Write, kv::FaultAt::Rename}) {
        atChooser.push_back(Type("C:\\data\\old.kvd"));
        kv::InjectFaultForTest(where, ENOSPC);
        Main1->Command15.Click();
        kv::InjectFaultForTest(where, 0);
    }
    // A wildcard is refused before the question (it would match old.kvd).
    atChooser.push_back(Type("C:\\data\\*.kvd"));
    Main1->Command15.Click();
    EXPECT_EQ(responder.questions.size(), 2u);
    EXPECT_EQ(responder.notices, (std::vector<std::string>{"エラーの為、記録出来ませんでした(Err=61)",
                                                           "エラーの為、記録出来ませんでした(Err=61)",
                                                           "エラーの為、記録出来ませんでした(Err=52)"}));
    EXPECT_EQ(Bytes(data / "old.kvd"), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data), {}), 1);
    EXPECT_TRUE(Main1->Enabled() && Main1->Shown());
}

TEST_F(Compar, LoadRefusalsChangeNothing)
{
    Write(data / "lf.kvd", "KORVELINE 2002 V100 (C)Arlen Voskamp\n1\n2\n3\n4\n5\n6\n");
    Write(data / "big.kvd", Header + "1\r\n2\r\n3\r\n4\r\n5\r\n9999999999\r\n");
    // A header followed by 4 GiB of nothing (sparse): no value line in the
    // part that is read.
    Write(data / "huge.kvd", Header);
    std::filesystem::resize_file(data / "huge.kvd", std::uintmax_t{4} << 30);
    global::ComparIndex = Sentinel;
    atChooser = {
        [](KV_CommonForm& c) { c.Command1.Click(); },   // untouched: the data folder and "\"
        Type(""),                                       // an empty box: as cancel
        [](KV_CommonForm& c) { c.PressCloseBox(); },     // the close box: cancel
        Type("C:\\data\\lf.kvd"), Type("C:\\data\\big.kvd"), Type("C:\\data\\huge.kvd"),
        Type("C:\\data\\*.kvd"),
    };
    for (std::size_t i = atChooser.size(); i > 0; --i) {
        Main1->Command16.Click();
        EXPECT_TRUE(Main1->Shown());
    }
    EXPECT_EQ(global::ChosenPath, "C:\\data\\*.kvd");
    EXPECT_EQ(responder.notices, (std::vector<std::string>{"ファイルが見つかりません。(Err=0)",
                                                           "エラーの為、読み込めませんでした(Err=0)",
                                                           "エラーの為、読み込めませんでした(Err=6)",
                                                           "エラーの為、読み込めませんでした(Err=0)",
                                                           "ファイルが見つかりません。(Err=0)"}));
    EXPECT_EQ(global::ComparIndex, Sentinel);
    EXPECT_EQ(global::ComparLoaded, 0);
}

TEST_F(Compar, AFileWithMegabytesOfTextAfterItsSeventhLineLoads)
{
    Write(data / "tail.kvd", ComparisonFileText({1, 2, 3, 4, 5, 6}) + std::string(2 << 20, 't'));
    atChooser.push_back(Type("C:\\data\\tail.kvd"));
    Main1->Command16.Click();
    EXPECT_EQ(responder.notices, std::vector<std::string>{"比較用データを読み込みました"});
    EXPECT_EQ(global::ComparIndex, (Indices{1, 2, 3, 4, 5, 6}));
}

TEST_F(Compar, AChooserThatCannotStartIsClosedAndTheOperationSaysWhy)
{
    global::TestIndex = {1, 2, 3, 4, 5, 6};
    for (const char* folder : {"", "C:\\nowhere"}) {
        global::DataFolder = folder;
        for (kv::CommandButton* button : {&Main1->Command15, &Main1->Command16}) {
            button->Click();
            EXPECT_FALSE(KV_Common.Loaded()) << folder;
            EXPECT_TRUE(Main1->Enabled() && Main1->Shown()) << folder;
        }
    }
    const std::string save = "エラーの為、記録出来ませんでした(Err=76)", load = "エラーの為、読み込めませんでした(Err=76)";
    EXPECT_EQ(responder.notices, (std::vector<std::string>{save, load, save, load}));
}

// --- the chooser's controls ----------------------------------------------------------

std::ptrdiff_t RowOf(const std::vector<std::string>& entries, const std::string& name)
{
    const auto at = std::find(entries.begin(), entries.end(), name);
    EXPECT_NE(at, entries.end()) << name;
    return at - entries.begin();
}

TEST_F(Compar, ThePathBoxFollowsEveryEventAndOkReturnsItUnchanged)
{
    const std::filesystem::path sub = home / "d" / "sub";
    std::filesystem::create_directories(sub / "folder.kvd");
    for (const char* name : {"b.KVD", "a.kvd", "c.txt", ".hidden.kvd", "a.kvdx", "kvd"}) Write(sub / name, "");
    Write(data / "x.kvd", "");
    AddDriveWithoutFolder('E');
    std::filesystem::create_directories(home / "start");
    Write(home / "start" / "typed.kvd", ComparisonFileText({5, 4, 3, 2, 1, 0}));
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(home / "start");

    // Opened on its own, it starts at the working folder.
    KV_Common.Load();
    EXPECT_EQ(KV_Common->Caption(), "KORVEL CommonDialog1");
    EXPECT_EQ(KV_Common->Text1.Text(), "C:\\start\\");
    KV_Common.Unload();

    std::vector<std::string> boxes, listed;
    atChooser.push_back([&](KV_CommonForm& c) {
        boxes.push_back(c.Text1.Text());              // after the caller's set-up
        c.File1.ClickEntry(0);
        boxes.push_back(c.Text1.Text());
        EXPECT_EQ(c.Drive1.Drive().substr(0, 2), "c:");
        c.Drive1.Drive("e:");                         // unreadable: nothing moves
        boxes.push_back(c.Text1.Text());
        c.Drive1.Drive("d:");                         // a root: "\" twice, the name dropped
        boxes.push_back(c.Text1.Text());
        c.Dir1.OpenEntry(int(RowOf(c.Dir1.Entries(), "sub")));
        boxes.push_back(c.Text1.Text());
        listed = c.File1.Entries();
        c.File1.ClickEntry(int(RowOf(listed, "b.KVD")));
        boxes.push_back(c.Text1.Text());
        c.File1.Pattern("?.*");
        listed.push_back("|");
        for (const auto& name : c.File1.Entries()) listed.push_back(name);
        c.Drive1.Drive("c:");                         // the working folder's drive: that folder
        boxes.push_back(c.Text1.Text());
        Type("typed.kvd")(c);                         // taken from the working folder
    });
    Main1->Command16.Click();
    std::filesystem::current_path(before);

    EXPECT_EQ(boxes, (std::vector<std::string>{"C:\\data\\", "C:\\data\\x.kvd", "C:\\data\\x.kvd", "D:\\\\",
                                               "D:\\sub\\", "D:\\sub\\b.KVD", "C:\\start\\"}));
    EXPECT_EQ(listed, (std::vector<std::string>{"a.kvd", "b.KVD", "|", "a.kvd", "a.kvdx", "b.KVD", "c.txt"}));
    EXPECT_EQ(global::ChosenPath, "typed.kvd");
    EXPECT_EQ(global::ComparIndex, (Indices{5, 4, 3, 2, 1, 0}));
}

TEST_F(Compar, FoldersOfAnyNameAreListedOpenedSavedIntoAndLoadedFrom)
{
    // Blanks at either end, a twin that differs by a blank only, a name from
    // an old Latin-1 disk; and one with a "\" that no program path can hold.
    const std::string names[] = {" lead", "trail ", "caf\xe9"};
    for (const char* n : {" lead", "trail ", "trail", "caf\xe9", "back\\slash"})
        std::filesystem::create_directory(data / n);
    drives[1].label = "vieux\xe9";
    for (const std::string& name : names) {
        const std::string folder = "C:\\data\\" + name + "\\";
        global::TestIndex = {1, 2, 3, 4, 5, int(name.size())};
        atChooser.push_back([&](KV_CommonForm& c) {
            const auto entries = c.Dir1.Entries();
            EXPECT_EQ(std::count(entries.begin(), entries.end(), "back\\slash"), 0);
            EXPECT_EQ(c.Drive1.Entries()[1], "d: [vieux\xe9]");
            c.Dir1.OpenEntry(int(RowOf(entries, name)));
            EXPECT_EQ(c.Text1.Text(), folder);
            Type(c.Text1.Text() + "x.kvd")(c);
        });
        Main1->Command15.Click();
        // Loaded back with that folder as the data folder.
        global::DataFolder = folder.substr(0, folder.size() - 1);
        atChooser.push_back([&](KV_CommonForm& c) {
            EXPECT_EQ(c.Text1.Text(), folder);
            EXPECT_EQ(c.File1.Entries(), std::vector<std::string>{"x.kvd"});
            c.File1.ClickEntry(0), c.Command1.Click();
        });
        Main1->Command16.Click();
        global::DataFolder = "C:\\data";
        EXPECT_EQ(global::ComparIndex, global::TestIndex) << name;
        EXPECT_EQ(responder.notices.back(), "比較用データを読み込みました") << name;
    }
    // Started in such a folder, the chooser opens there.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(data / names[2]);
    KV_Common.Load();
    EXPECT_EQ(KV_Common->Text1.Text(), "C:\\data\\" + names[2] + "\\");
    std::filesystem::current_path(before);
}

// --- the mode switch --------------------------------------------------------------------

void Click(kv::OptionButton& option) { static_cast<QAbstractButton*>(option.Widget())->click(); }

TEST_F(Compar, EveryClickAppliesTheWholeModeAndComparOpensLoadUntilLoaded)
{
    Main1Form& m = Main1.Get();
    kv::Label* comments[] = {&m.Label5, &m.Label11, &m.Label15, &m.Label25, &m.Label26, &m.Label27};
    auto expectMode = [&](int mode, kv::Color label, const char* caption) {
        const bool normal = mode == 1;
        EXPECT_EQ(global::DisplayMode, mode);
        EXPECT_EQ(m.Label24.ForeColor(), label);
        EXPECT_EQ(m.Label24.Caption(), caption);
        EXPECT_EQ(m.Option1[0].ForeColor(), normal ? 0x0000FF00u : 0x00FFFFFFu);
        EXPECT_EQ(m.Option1[1].ForeColor(), normal ? 0x00FFFFFFu : 0x0000FF00u);
        for (kv::Label* c : comments) EXPECT_EQ(c->BackColor(), normal ? 0x00000000u : 0x00FF0000u);
        EXPECT_EQ(m.Label5.Caption(), "kept");
    };
    m.Label5.Caption("kept");
    EXPECT_EQ(m.Label24.ForeColor(), 0x00FF00FFu);
    Click(m.Option1[0]);   // already selected: applied all the same
    expectMode(1, 0x00C000C0, "Normal mode");

    atChooser.push_back(Cancel);
    Click(m.Option1[1]);
    expectMode(2, 0x000000FF, "Compar mode");
    EXPECT_TRUE(atChooser.empty());
    SetRowTestForTest(Cpu, [] { return 11234; });
    m.Command1.Click();
    EXPECT_EQ(m.Label5.Caption(), "Error");

    Write(data / "ref.kvd", ComparisonFileText({10000, 1, 1, 1, 1, 1}));
    atChooser.push_back(Type("C:\\data\\ref.kvd"));
    m.Label5.Caption("kept");
    Click(m.Option1[1]);   // still nothing loaded: Load again
    Click(m.Option1[0]);
    expectMode(1, 0x00C000C0, "Normal mode");
    Click(m.Option1[1]);   // loaded: no chooser (the driver fails if one opens)
    expectMode(2, 0x000000FF, "Compar mode");
    m.Command1.Click();
    EXPECT_EQ(m.Label5.Caption(), "112.3% (+    12)");
}

} // namespace
