// Comparison data: the file, Save and Load through the file chooser, the
// chooser's own controls, and Compar mode, which opens Load and shows comparisons.
#include "fake_clock.h"
#include "gui_support.h"

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

namespace {

using Indices = std::array<std::int32_t, TestCount>;
const std::string Header = std::string(ComparHeader) + "\r\n";
const Indices Sentinel{-7, -7, -7, -7, -7, -7};
const std::string Saved = "記録完了！", Loaded = "比較用データを読み込みました", NotFound = "ファイルが見つかりません。(Err=0)";
// The notice of a failed Save or Load with its error number.
std::string NotSaved(int n) { return "エラーの為、記録出来ませんでした(Err=" + std::to_string(n) + ")"; }
std::string NotLoaded(int n) { return "エラーの為、読み込めませんでした(Err=" + std::to_string(n) + ")"; }

TEST(ComparFile, SixValuesReadAsTextToNumberOrARefusalThatChangesNothing)
{
    const std::string five = Header + "1\r\n2\r\n3\r\n4\r\n5\r\n";
    // The text, and the error number of its refusal or -1 when it is taken.
    const std::pair<std::string, int> cases[] = {
        {Header + " 42\r\n42abc\r\n\r\nabc\r\n12.5\r\n13.5\r\n7\r\ntrailing", -1},
        {"", 0}, {std::string(ComparHeader), 0}, {" " + five + "6\r\n", 0},
        {"korveline 2002 v100 (c)arlen voskamp\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n", 0},
        {five + "6", 0},
        {five + "2147483648\r\n", kv::ErrOverflow},   // after five values were read
        {Header + "-2147483649\r\n1\r\n2\r\n3\r\n4\r\n5\r\n", kv::ErrOverflow},
    };
    for (const auto& [text, number] : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        global::ComparIndex = Sentinel;
        int got = -1;
        try { LoadComparisonValues(text); } catch (const kv::RuntimeError& e) { got = e.Number(); }
        EXPECT_EQ(got, number);
        EXPECT_EQ(global::ComparIndex, number == -1 ? Indices({42, 42, 0, 0, 12, 14}) : Sentinel);
    }
}

// The main window with a data folder C:\data; each time the chooser opens,
// the next action of `atChooser` answers it.
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
        QObject::connect(&driver, &QTimer::timeout, [this] {
            if (global::ChooserOpen != 1 || !KV_Common.Loaded()) return;
            if (atChooser.empty())
                atChooser.push_back([](KV_CommonForm& c) { ADD_FAILURE() << "the chooser opened unexpectedly", Cancel(c); });
            const auto act = std::move(atChooser.front());
            atChooser.pop_front();
            act(KV_Common.Get());
        });
        driver.start(0);
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
};

TEST_F(Compar, SaveRunsTheMissingTestsThenWritesTheSevenLinesAndLoadRestoresThem)
{
    global::TestIndex = {NotMeasured, 0, NotMeasured, 0, 0, 0};
    SetRowTestForTest(Cpu, [] { return 20000; });
    SetRowTestForTest(Mem, [] { return 0; });
    bool hidden = false, locked = false;
    atChooser.push_back([&](KV_CommonForm& c) {
        hidden = !Main1->Shown();
        EXPECT_EQ(c.Label1.Caption(), "比較用データを保存します");
        Type("C:\\data\\a.kvd")(c);
    });
    Main1->Command15.Click();
    EXPECT_TRUE(hidden);
    EXPECT_EQ(ReadFile(data / "a.kvd"), Header + "20000\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
    EXPECT_TRUE(Main1->Enabled() && Main1->Shown());

    // With every test measured none runs, and the window stays locked while
    // the chooser is open.
    global::TestIndex = {-5, 1, 2, 3, 4, INT32_MAX};
    SetRowTestForTest(Cpu, [] { ADD_FAILURE() << "a measured test ran"; return 0; });
    atChooser = {[&](KV_CommonForm& c) { locked = !Main1->Enabled(), Type("C:\\data\\b.kvd")(c); },
                 [](KV_CommonForm& c) {
                     EXPECT_EQ(c.Label1.Caption(), "比較用データを読み込みます");
                     Type("C:\\data\\b.kvd")(c);
                 }};
    Main1->Command15.Click();
    EXPECT_TRUE(locked);
    Main1->Command16.Click();
    EXPECT_EQ(global::ComparIndex, global::TestIndex);
    EXPECT_EQ(global::ComparLoaded, 1);
    EXPECT_EQ(responder.notices, (std::vector<std::string>{Saved, Saved, Loaded}));
    EXPECT_TRUE(Main1->Shown());
}

TEST_F(Compar, SaveOverAFileAsksAndReplacesItWholeOrNotAtAll)
{
    global::TestIndex = {1, 2, 3, 4, 5, 6};
    const std::string old = ComparisonFileText({9, 9, 9, 9, 9, 9}) + std::string(100, '9');
    WriteFile(data / "old.kvd", old);
    const auto over = Type("C:\\data\\old.kvd");
    // Cancel asks nothing; No, a failed write and a failed rename keep the
    // old file; a wildcard is refused before the question (it would match).
    atChooser = {Cancel, over, over, over, Type("C:\\data\\*.kvd"), over};
    responder.answers = {false, true, true, true};
    Main1->Command15.Click();
    Main1->Command15.Click();
    for (kv::FaultAt where : {kv::FaultAt::Write, kv::FaultAt::Rename}) {
        kv::InjectFaultForTest(where, ENOSPC);
        Main1->Command15.Click();
        kv::InjectFaultForTest(where, 0);
    }
    Main1->Command15.Click();
    EXPECT_EQ(ReadFile(data / "old.kvd"), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data), {}), 1);   // no temporary left
    EXPECT_TRUE(Main1->Enabled() && Main1->Shown());
    Main1->Command15.Click();   // Yes
    EXPECT_EQ(ReadFile(data / "old.kvd"), ComparisonFileText(global::TestIndex));
    EXPECT_EQ(responder.questions, std::vector<std::string>(4, "同一のファイル名が存在します。上書きしますか？"));
    EXPECT_EQ(responder.notices, (std::vector<std::string>{NotSaved(61), NotSaved(61), NotSaved(52), Saved}));
}

TEST_F(Compar, LoadRefusalsChangeNothing)
{
    WriteFile(data / "lf.kvd", "KORVELINE 2002 V100 (C)Arlen Voskamp\n1\n2\n3\n4\n5\n6\n");
    WriteFile(data / "big.kvd", Header + "1\r\n2\r\n3\r\n4\r\n5\r\n9999999999\r\n");
    // A header followed by 4 GiB of nothing (sparse): no value line in the
    // part that is read.
    WriteFile(data / "huge.kvd", Header);
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
    EXPECT_EQ(responder.notices, (std::vector<std::string>{NotFound, NotLoaded(0), NotLoaded(6), NotLoaded(0), NotFound}));
    EXPECT_EQ(global::ComparIndex, Sentinel);
    EXPECT_EQ(global::ComparLoaded, 0);
}

TEST_F(Compar, AFileWithMegabytesOfTextAfterItsSeventhLineLoads)
{
    WriteFile(data / "tail.kvd", ComparisonFileText({1, 2, 3, 4, 5, 6}) + std::string(2 << 20, 't'));
    atChooser.push_back(Type("C:\\data\\tail.kvd"));
    Main1->Command16.Click();
    EXPECT_EQ(responder.notices, std::vector<std::string>{Loaded});
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
    EXPECT_EQ(responder.notices, (std::vector<std::string>{NotSaved(76), NotLoaded(76), NotSaved(76), NotLoaded(76)}));
}


int RowOf(const std::vector<std::string>& entries, const std::string& name)
{
    const auto at = std::find(entries.begin(), entries.end(), name);
    EXPECT_NE(at, entries.end()) << name;
    return int(at - entries.begin());
}

// The working folder for the length of a scope.
struct InFolder {
    std::filesystem::path before = std::filesystem::current_path();
    explicit InFolder(const std::filesystem::path& p) { std::filesystem::current_path(p); }
    ~InFolder() { std::filesystem::current_path(before); }
};

TEST_F(Compar, ThePathBoxFollowsEveryEventAndOkReturnsItUnchanged)
{
    const std::filesystem::path sub = home / "d" / "sub";
    std::filesystem::create_directories(sub / "folder.kvd");
    for (const char* name : {"b.KVD", "a.kvd", "c.txt", ".hidden.kvd", "a.kvdx", "kvd"}) WriteFile(sub / name, "");
    WriteFile(data / "x.kvd", "");
    AddDriveWithoutFolder('E');
    std::filesystem::create_directories(home / "start");
    WriteFile(home / "start" / "typed.kvd", ComparisonFileText({5, 4, 3, 2, 1, 0}));
    const InFolder working(home / "start");

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
        c.Dir1.OpenEntry(RowOf(c.Dir1.Entries(), "sub"));
        boxes.push_back(c.Text1.Text());
        listed = c.File1.Entries();
        c.File1.ClickEntry(RowOf(listed, "b.KVD"));
        boxes.push_back(c.Text1.Text());
        c.File1.Pattern("?.*");
        listed.push_back("|");
        for (const auto& name : c.File1.Entries()) listed.push_back(name);
        c.Drive1.Drive("c:");                         // the working folder's drive: that folder
        boxes.push_back(c.Text1.Text());
        Type("typed.kvd")(c);                         // taken from the working folder
    });
    Main1->Command16.Click();

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
            c.Dir1.OpenEntry(RowOf(entries, name));
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
        EXPECT_EQ(responder.notices.back(), Loaded) << name;
    }
    // Opened on its own in such a folder, the chooser starts there.
    const InFolder working(data / names[2]);
    KV_Common.Load();
    EXPECT_EQ(KV_Common->Text1.Text(), "C:\\data\\" + names[2] + "\\");
}


TEST_F(Compar, ComparModeOpensLoadUntilAFileIsLoadedAndARunThenShowsTheComparisonButKeepsTheLevel)
{
    Main1Form& m = Main1.Get();
    auto click = [](kv::OptionButton& option) { static_cast<QAbstractButton*>(option.Widget())->click(); };
    WriteFile(data / "ref.kvd", ComparisonFileText({10000, 1, 1, 1, 1, 1}));
    atChooser = {Cancel, Type("C:\\data\\ref.kvd")};
    click(m.Option1[1]);   // nothing loaded: Load, here cancelled
    EXPECT_EQ(m.Label24.Caption(), "Compar mode");
    click(m.Option1[1]);   // already selected, still nothing loaded: Load again
    click(m.Option1[0]);
    EXPECT_EQ(global::DisplayMode, 1);
    EXPECT_EQ(m.Label24.Caption(), "Normal mode");
    EXPECT_EQ(m.Label5.BackColor(), 0x00000000u);
    click(m.Option1[1]);   // loaded: no chooser (the driver fails if one opens)
    EXPECT_EQ(global::DisplayMode, 2);
    EXPECT_EQ(m.Label5.BackColor(), 0x00FF0000u);
    EXPECT_TRUE(atChooser.empty());
    SetRowTestForTest(Cpu, [] { return 11234; });
    m.Command1.Click();
    EXPECT_EQ(m.Label5.Caption(), "112.3% (+    12)");
    EXPECT_EQ(global::TestLevel[Cpu], "　２級(LEVEL 10)");
}

} // namespace
