// Start-up in its three cases, the settings reader's rules and the main
// window's own handlers.
#include "gui_support.h"

#include "app/init.h"
#include "platform/files.h"

#include <cerrno>
#include <functional>
#include <sys/stat.h>

namespace {

constexpr const char* ReadFailure0 = "エラーの為、読み込めませんでした(Err=0)";

class StartUp : public GuiTest {};

TEST_F(StartUp, WithoutSettingsFileOpensSetupSilentlyWithTheMainWindowHidden)
{
    Main1.Load();
    EXPECT_TRUE(responder.notices.empty());
    ASSERT_TRUE(setup.Loaded());
    EXPECT_TRUE(setup->Shown());
    EXPECT_FALSE(Main1->Shown());
    EXPECT_EQ(setup->Text1[0].Text(), "");
    EXPECT_EQ(setup->Text1[1].Text(), "");
    EXPECT_EQ(global::SettingsMissing, 0);
    EXPECT_EQ(global::DisplayMode, 1);
    for (int i = 0; i < TestCount; ++i) EXPECT_EQ(global::TestIndex[i], -1);
    EXPECT_EQ(global::SystemFolder, (home / ".config").string());
}

TEST_F(StartUp, WellFormedSettingsShowTheMainWindowInNormalMode)
{
    WriteSettings("C:\\A\r\nD:\\B\r\nthird line\r\n");
    Main1.Load();
    EXPECT_TRUE(responder.notices.empty());
    EXPECT_FALSE(setup.Loaded());
    EXPECT_TRUE(Main1->Shown());
    EXPECT_TRUE(Main1->Enabled());
    EXPECT_EQ(global::ExeFolder, "C:\\A");
    EXPECT_EQ(global::DataFolder, "D:\\B");
    EXPECT_EQ(Main1->Label24.Caption(), "Normal mode");
    EXPECT_TRUE(Main1->Option1[0].Value());
    EXPECT_FALSE(Main1->Option1[1].Value());
    EXPECT_EQ(global::TestDrive, "");
}

TEST_F(StartUp, EmptyLinesAreEmptyFoldersWithoutNotice)
{
    WriteSettings("\r\n\r\n");
    Main1.Load();
    EXPECT_TRUE(responder.notices.empty());
    EXPECT_TRUE(Main1->Shown());
    EXPECT_EQ(global::ExeFolder, "");
    EXPECT_EQ(global::DataFolder, "");
}

TEST_F(StartUp, MalformedSettingsGiveTheNoticeAndSetupWithTheMainWindowHidden)
{
    struct Case { const char* bytes; const char* exe; };
    const Case cases[] = {
        {"", ""},                       // empty file
        {"C:\\A", ""},                  // no line end at all
        {"C:\\A\nD:\\B\n", ""},         // LF alone is no line end
        {"C:\\A\r\nD:\\B", "C:\\A"},    // second line end missing
        {"C:\\A\r\nD:\\B\n", "C:\\A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        global::ResetAll();
        responder.notices.clear();
        WriteSettings(c.bytes);
        Main1.Load();
        ASSERT_EQ(responder.notices.size(), 1u);
        EXPECT_EQ(responder.notices[0], ReadFailure0);
        ASSERT_TRUE(setup.Loaded());
        EXPECT_TRUE(setup->Shown());
        EXPECT_FALSE(Main1->Shown());
        EXPECT_EQ(setup->Text1[0].Text(), c.exe);
        EXPECT_EQ(setup->Text1[1].Text(), "");
        setup.Unload();
        Main1.Unload();
        kv::DoEvents();
    }
}

TEST_F(StartUp, UnreadableSettingsTakeTheErrorRoadWithTheReasonsNumber)
{
    // One that is there but cannot be read must pass neither for missing
    // nor for well-formed.
    WriteSettings("C:\\A\r\nD:\\B\r\n");
    kv::InjectFaultForTest(kv::FaultAt::Read, EACCES);
    Main1.Load();
    kv::InjectFaultForTest(kv::FaultAt::Read, 0);
    ASSERT_EQ(responder.notices.size(), 1u);
    EXPECT_EQ(responder.notices[0], "エラーの為、読み込めませんでした(Err=70)");
    EXPECT_TRUE(setup->Shown());
    EXPECT_FALSE(Main1->Shown());
}

TEST_F(StartUp, ASettingsFileThatIsNoSmallFileTakesTheErrorRoadWithANumber)
{
    // A huge file (sparse: 100 GB that take no room), a folder and a FIFO
    // nobody writes to: none is read whole, none blocks, and none passes for
    // a missing file that setup could then never replace.
    struct Case { const char* what; std::function<void(const std::filesystem::path&)> make; const char* notice; };
    const Case cases[] = {
        {"huge", [](const std::filesystem::path& p) {
             std::ofstream(p, std::ios::binary) << "C:\\A\r\nD:\\B\r\n";
             std::filesystem::resize_file(p, 100ull << 30);
         }, "エラーの為、読み込めませんでした(Err=7)"},
        {"folder", [](const std::filesystem::path& p) { std::filesystem::create_directory(p); },
         "エラーの為、読み込めませんでした(Err=75)"},
        {"fifo", [](const std::filesystem::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); },
         "エラーの為、読み込めませんでした(Err=75)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::create_directories(SettingsPath().parent_path());
        c.make(SettingsPath());
        responder.notices.clear();
        Main1.Load();
        EXPECT_EQ(responder.notices, std::vector<std::string>{c.notice});
        EXPECT_TRUE(setup.Loaded() && setup->Shown());
        EXPECT_FALSE(Main1->Shown());
        EXPECT_EQ(global::SettingsMissing, 0);
        setup.Unload();
        Main1.Unload();
        kv::DoEvents();
        std::filesystem::remove_all(SettingsPath());
    }
}

class MainWindow : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        WriteSettings("C:\\A\r\nD:\\B\r\n");
        Main1.Load();
    }
};

TEST_F(MainWindow, ControlsStandAtTheirTwipsInTheirColours)
{
    Main1Form& m = Main1.Get();
    EXPECT_EQ(m.Caption(), "KORVELINE 2002");
    EXPECT_EQ(m.Width(), 14985);
    EXPECT_EQ(m.Height(), 11100);
    EXPECT_EQ(m.ScaleWidth(), 14985);
    EXPECT_EQ(m.ScaleHeight(), 11100);

    EXPECT_EQ(m.Label8.Caption(), "CPU");
    EXPECT_EQ(m.Label8.Left(), 1635);
    EXPECT_EQ(m.Label8.Top(), 1065);
    EXPECT_EQ(m.Label8.ForeColor(), 0x0000C0C0u);
    EXPECT_EQ(m.Label18.Caption(), "Graph");
    EXPECT_EQ(m.Label18.Height(), 360);

    EXPECT_EQ(m.Picture5.BackColor(), 0x00C0FFC0u);
    EXPECT_EQ(m.Picture30.Width(), 4335);
    EXPECT_EQ(m.Picture7.BackColor(), 0x00000000u);
    EXPECT_EQ(m.Label5.ForeColor(), 0x00FFFFFFu);
    EXPECT_EQ(m.Label3.Caption(), "");
    EXPECT_EQ(m.Label5.Caption(), "");

    EXPECT_EQ(m.Command9.Left(), 7245);
    EXPECT_EQ(m.Command9.Width(), 1125);
    EXPECT_EQ(m.Command2.Caption(), "END");
    EXPECT_EQ(m.Command16.Caption(), "Load");
    EXPECT_EQ(m.Shape8.BorderColor(), 0x00FF0000u);
    EXPECT_EQ(m.Shape5.FillColor(), 0x0080FF80u);
    EXPECT_EQ(m.Drive1.Left(), 11145);
    EXPECT_EQ(m.Drive1.Top(), 7800);
}

TEST_F(MainWindow, GaugesStandSeventyTwipsApartFiveWideAndBlack)
{
    Main1Form& m = Main1.Get();
    kv::ControlArray<kv::Line, 65>* gauges[] = {&m.Line1, &m.Line2, &m.Line3, &m.Line4, &m.Line5, &m.Line6};
    const int y2[] = {720, 660, 855, 810, 795, 765};
    for (int g = 0; g < 6; ++g) {
        for (int i : {0, 1, 32, 64}) {
            const kv::Line& bar = (*gauges[g])[i];
            EXPECT_EQ(bar.X1(), 70 * i);
            EXPECT_EQ(bar.X2(), 70 * i);
            EXPECT_EQ(bar.Y1(), 0);
            EXPECT_EQ(bar.Y2(), y2[g]);
            EXPECT_EQ(bar.BorderWidth(), 5);
            EXPECT_EQ(bar.BorderColor(), 0u);
        }
    }
    EXPECT_EQ(m.Line1[64].X1(), 4480);
}

TEST_F(MainWindow, DriveChangeKeepsTheTestDrive)
{
    const auto entries = Main1->Drive1.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], "c: [home]");
    EXPECT_EQ(entries[1], "d: [data]");
    EXPECT_EQ(global::TestDrive, "");  // the list's first drive sets nothing
    Main1->Drive1.Drive("d:");
    EXPECT_EQ(global::TestDrive, "d:");
    Main1->Drive1.Drive("C:");
    EXPECT_EQ(global::TestDrive, "c:");
}

TEST_F(MainWindow, EndUnloadsTheWindowAndEndsTheProgram)
{
    Main1->Command2.Click();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(Main1.Loaded());
}

TEST_F(MainWindow, SetupPictureHidesTheMainWindowUntilSetupCloses)
{
    Main1->Picture1_Click();
    EXPECT_FALSE(Main1->Shown());
    ASSERT_TRUE(setup.Loaded());
    EXPECT_EQ(setup->Text1[0].Text(), "C:\\A");
    EXPECT_EQ(setup->Text1[1].Text(), "D:\\B");
    setup->Command4.Click();
    EXPECT_FALSE(setup.Loaded());
    EXPECT_TRUE(Main1->Shown());
}

TEST(FileExists, RejectsEmptyAndFolderPathsBeforeAnythingElse)
{
    char pattern[] = "/tmp/kvfeXXXXXX";
    const std::filesystem::path dir = mkdtemp(pattern);
    std::ofstream(dir / "a.txt") << "x";
    std::ofstream(dir / ".hidden") << "x";
    EXPECT_TRUE(FileExists((dir / "a.txt").string()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(dir.string()));
    EXPECT_FALSE(FileExists(dir.string() + "\\"));        // holds a file, still false
    EXPECT_FALSE(FileExists((dir / ".hidden").string()));
    EXPECT_TRUE(FileExists(dir.string() + "\\*.txt"));
    EXPECT_FALSE(FileExists(dir.string() + "\\*.kvd"));
    std::filesystem::permissions(dir / "a.txt", std::filesystem::perms::owner_read);
    EXPECT_TRUE(FileExists(dir.string() + "\\a.txt"));  // read-only counts
    std::filesystem::remove_all(dir);
}

} // namespace
