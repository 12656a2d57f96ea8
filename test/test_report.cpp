// The certificate window: the report built from the shared state, File Out
// into the report file (whole records, or a notice and nothing), OK, and
// Copy, which prints the window without its buttons.
#include "gui_support.h"

#include "fake_clock.h"
#include "platform/files.h"
#include "private_mount.h"
#include "results/report.h"
#include "results/report_text.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <regex>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const std::string Sep = [] { std::string s; for (int i = 0; i < 39; ++i) s += "―"; return s; }();

// A machine as the overall-result window leaves the shared state.
void MeasuredMachine()
{
    using namespace global;
    TestIndex = {123456, 99, 5000, -1, 12345, 100};
    TestLevel = {"　初段(LEVEL 12)", "破門(LEVEL 0)", "A", "", "B", "C"};
    ClockMHz = 850, CpuName = "Pentium II,III,IV", TotalMemMB = 64, TestDrive = "c:";
    OsReportText = " Platform     :  Windows95/98/Me and later\r\nOS Version   : 4.10\r\n"
                   "BUILD Number : 67766446\r\nmore : A \r\n";
    ScreenWidth = 1024, ScreenHeight = 768, UserResFree = "", GdiResFree = " 99";
    FightingCapacity = 23456, LevelText = "　初段(LEVEL 12)", RankTitle = "芸達者";
}

const std::string ExpectedReport =
    "CPU index   :    1234     　初段(LEVEL 12)\r\n"
    "              estimate clock=  850 MHz ( at PENTIUM III )\r\n"
    "              processor = Pentium II,III,IV\r\n" + Sep + "\r\n"
    "CALC index  :       0     破門(LEVEL 0)\r\n" + Sep + "\r\n"
    "Memory index:      50     A\r\n"
    "              Total Memory =     64MByte\r\n" + Sep + "\r\n"
    "HDD index   :       0     \r\n"
    "              Test Drive= c:\r\n" + Sep + "\r\n"
    "TEXT index  :     123     B\r\n" + Sep + "\r\n"
    "Graph index :       1     C\r\n" + Sep + "\r\n"
    "Platform     :  Windows95/98/Me and later\r\nOS Version   : 4.10\r\n"
    "BUILD Number : 67766446\r\nmore : A \r\n\r\n" + Sep + "\r\n"
    "ScreenSize: 1024x768\r\n\r\n"
    "USER Resource free : %\r\n"
    "GDI  Resource free :  99%\r\n" + Sep + "\r\n"
    "\r\n\r\n"
    "総合戦闘力 : 23456\r\n";

TEST(ReportText, IsBuiltByteForByteFromTheSharedState)
{
    global::ResetAll();
    MeasuredMachine();
    EXPECT_EQ(ReportText(), ExpectedReport);
    EXPECT_EQ(CertifiedRankLine(), "　初段(LEVEL 12)  芸達者");

    // Fields too wide for their format are shown whole.
    global::ClockMHz = 12345;
    global::TotalMemMB = 1234567;
    const std::string wide = ReportText();
    EXPECT_NE(wide.find("estimate clock= 12345 MHz ("), std::string::npos);
    EXPECT_NE(wide.find("Total Memory = 1234567MByte\r\n"), std::string::npos);

    std::tm at{};
    at.tm_year = 102, at.tm_mon = 2, at.tm_mday = 9, at.tm_hour = 7, at.tm_min = 5, at.tm_sec = 3;
    EXPECT_EQ(VersionLine(at), "03-09-2002 07:05:03   KORVELINE 2002  Ver 1.01");
    global::ResetAll();
}

// Records with every notice whether the certificate was locked at that moment.
struct LockWatcher : RecordingResponder {
    std::vector<bool> locked;
    void Notice(const std::string& text) override
    {
        RecordingResponder::Notice(text);
        locked.push_back(!Report->Enabled());
    }
};

// The certificate of a measured machine, its data folder C:\data, and no
// print system named by the environment.
class ReportWindow : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        MeasuredMachine();
        std::filesystem::create_directories(home / "data");
        global::DataFolder = "C:\\data";
        unsetenv("LPDEST");
        unsetenv("PRINTER");
    }
    void TearDown() override
    {
        unsetenv("CUPS_SERVER");
        GuiTest::TearDown();
    }
    std::filesystem::path ReportFile() const { return home / "data" / "KV_REP.txt"; }
    std::string ReportBytes() const { return kv::ReadWholeFile(ReportFile().string()); }
    static int ButtonsShown() { return Report->Command1.Visible() + Report->Command2.Visible() + Report->Command3.Visible(); }
    static void Press(Qt::Key key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        for (auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(type, key, mods, text);
            QApplication::sendEvent(Report->Text1.Widget(), &e);
        }
    }
};

constexpr const char* Saved = "KV_REP.TXT　に、記録しました。";
const std::string NotSaved = "エラーの為、記録出来ませんでした(Err=", NotPrinted = "エラーの為、印刷出来ませんでした(Err=482)";
const std::regex VersionForm(R"(\d\d-\d\d-\d{4} \d\d:\d\d:\d\d   KORVELINE 2002  Ver 1\.01)");

// The record as written at some moment: its version line (46 characters) is
// taken from the file and must have the right form; everything else is fixed.
void ExpectRecord(const std::string& bytes, std::size_t& at, const std::string& boxText)
{
    const std::string z = std::string(78, 'z') + "\r\n", version = bytes.substr(std::min(at + 80, bytes.size()), 46);
    EXPECT_TRUE(std::regex_match(version, VersionForm)) << version;
    const std::string expected = z + version + "\r\n\r\n"
        "　　　　認定段位: 　初段(LEVEL 12)  芸達者\r\n\r\n\r\n" + Sep + "\r\n" + boxText;
    EXPECT_EQ(bytes.substr(std::min(at, bytes.size()), expected.size()), expected);
    at += expected.size();
}

TEST_F(ReportWindow, FileOutAppendsWholeRecordsOfWhatTheBoxHolds)
{
    LockWatcher watcher;
    kv::SetResponder(&watcher);
    Report.Load();
    EXPECT_EQ(Report->Label3.Caption(), "　初段(LEVEL 12)  芸達者");
    EXPECT_TRUE(std::regex_match(Report->Label4.Caption(), VersionForm));
    // All 30 lines fit the box, which cannot scroll: the score is the last.
    EXPECT_EQ(static_cast<QAbstractScrollArea*>(Report->Text1.Widget())->verticalScrollBar()->maximum(), 0);

    // Typing, Backspace, Enter and the clipboard keys change nothing.
    Report->Text1.SetFocus();
    Press(Qt::Key_A, "a");
    Press(Qt::Key_Backspace, "\b");
    Press(Qt::Key_Return, "\r");
    Press(Qt::Key_X, QString(QChar(24)), Qt::ControlModifier);
    Press(Qt::Key_V, QString(QChar(22)), Qt::ControlModifier);
    EXPECT_EQ(Report->Text1.Text(), ExpectedReport);
    Report->Command1.Click();

    // Delete types no character, though an X server gives it the text DEL:
    // it does change the box, and the next record holds the box as it is then.
    Press(Qt::Key_Delete, "\x7f");
    const std::string edited = Report->Text1.Text();
    ASSERT_EQ(edited, ExpectedReport.substr(1));
    Report->Command1.Click();

    EXPECT_EQ(watcher.notices, (std::vector<std::string>{Saved, Saved}));
    EXPECT_EQ(watcher.locked, (std::vector<bool>{true, true}));
    EXPECT_TRUE(Report->Enabled());
    const std::string bytes = ReportBytes();
    std::size_t at = 0;
    ExpectRecord(bytes, at, ExpectedReport);
    ExpectRecord(bytes, at, edited);
    EXPECT_EQ(at, bytes.size());

    // No data folder: the root of the current drive, here C:, the home folder.
    global::DataFolder = "";
    Report->Command1.Click();
    EXPECT_EQ(watcher.notices.back(), Saved);
    EXPECT_TRUE(std::filesystem::is_regular_file(home / "KV_REP.txt"));
    kv::SetResponder(&responder);
}

TEST_F(ReportWindow, AFailedFileOutTellsItsNumberAndLeavesTheFileAsItWas)
{
    Report.Load();
    // A data folder that is not there: path not found, and nothing created.
    global::DataFolder = "C:\\missing";
    Report->Command1.Click();
    EXPECT_FALSE(std::filesystem::exists(home / "missing"));
    global::DataFolder = "C:\\data";

    // A failed write takes back the report file it created...
    kv::InjectFaultForTest(kv::FaultAt::Write, EIO);
    Report->Command1.Click();
    EXPECT_FALSE(std::filesystem::exists(ReportFile()));

    // ...but never one that was there: one earlier record, then a write that
    // fails outright...
    Report->Command1.Click();
    const std::string before = ReportBytes();
    kv::InjectFaultForTest(kv::FaultAt::Write, EIO);
    Report->Command1.Click();
    EXPECT_EQ(ReportBytes(), before);

    // ...and one that is cut short: the part that got out is taken back.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{before.size() + 100, old.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    Report->Command1.Click();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(ReportBytes(), before);

    EXPECT_EQ(responder.notices,
              (std::vector<std::string>{NotSaved + "76)", NotSaved + "57)", Saved, NotSaved + "57)", NotSaved + "61)"}));
    EXPECT_TRUE(Report->Enabled());
}

TEST_F(ReportWindow, FileOutWritesOnlyIntoAPlainFileAndNeverWaitsForAReader)
{
    Report.Load();
    ASSERT_EQ(mkfifo(ReportFile().c_str(), 0644), 0);
    alarm(20);   // an open that waits for a reader ends the run rather than stall it
    const int reader = open(ReportFile().c_str(), O_RDONLY | O_NONBLOCK);
    Report->Command1.Click();
    char c;
    EXPECT_EQ(read(reader, &c, 1), 0);   // nothing went into it
    close(reader);
    Report->Command1.Click();            // and with nobody reading
    alarm(0);
    std::filesystem::remove(ReportFile());
    std::filesystem::create_directory(ReportFile());
    Report->Command1.Click();
    EXPECT_EQ(responder.notices, std::vector<std::string>(3, NotSaved + "75)"));
    EXPECT_TRUE(Report->Enabled());
}

TEST_F(ReportWindow, CopyGivesUpOnAPrintSystemThatNeverAnswers)
{
    // A stand-in scheduler: the kernel takes each connection, nobody answers.
    const std::string sock = (home / "mute.sock").string();
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un addr{AF_UNIX, {}};
    sock.copy(addr.sun_path, sizeof addr.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener, 8), 0);
    WriteSettings("C:\\\r\nC:\\data\r\n");
    Main1.Load();
    Main1->Visible(false);
    FakeClock clock;
    Report.Load();
    // With no print system at all, there is no default printer.
    setenv("CUPS_SERVER", (home / "no-cups.sock").c_str(), 1);
    Report->Command3.Click();
    EXPECT_EQ(responder.notices, std::vector<std::string>{NotPrinted});

    // Events other than input go on meanwhile; the buttons are hidden, and
    // so is OK's close box.
    setenv("CUPS_SERVER", sock.c_str(), 1);
    const auto start = std::chrono::steady_clock::now();
    std::chrono::duration<double> pumped{-1}, took;
    QTimer::singleShot(1000, Report->Command3.Widget(), [&] {
        pumped = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(ButtonsShown(), 0);
        Report->PressCloseBox();
    });
    Report->Command3.Click();
    took = std::chrono::steady_clock::now() - start;
    EXPECT_NEAR(took.count(), 10, 1);
    EXPECT_NEAR(pumped.count(), 1, 0.5);
    ASSERT_TRUE(Report.Loaded());
    EXPECT_EQ(ButtonsShown(), 3);
    EXPECT_EQ(responder.notices, std::vector<std::string>(2, NotPrinted));
    Report->PressCloseBox();
    EXPECT_TRUE(Main1->Shown());
    // Nothing goes on later: every connection it made is closed.
    for (int c; (c = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0; close(c)) {
        char buf[4096];
        ssize_t got;
        while ((got = read(c, buf, sizeof buf)) > 0) {}
        EXPECT_EQ(got, 0);
    }
    close(listener);
}

// Runs a shell command; its exit status and what it printed.
std::pair<int, std::string> Shell(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return {-1, out};
    char buf[4096];
    while (std::size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    const int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class ReportPrint : public ReportWindow {
protected:
    std::filesystem::path cups;
    std::string script = std::string(KV_TEST_DIR) + "/print_system.sh";

    void SetUp() override
    {
        ReportWindow::SetUp();
        if (geteuid() != 0) GTEST_SKIP() << "a private CUPS scheduler needs root";
        cups = home / "cups";
        const auto [status, out] = Shell(script + " start '" + cups.string() + "' 2>&1");
        ASSERT_EQ(status, 0) << out;
        setenv("CUPS_SERVER", (cups / "cups.sock").c_str(), 1);
    }
    void TearDown() override
    {
        if (!cups.empty()) Shell(script + " stop '" + cups.string() + "' 2>&1");
        ReportWindow::TearDown();
    }
    std::string Log() const { return Shell("tail -n 20 '" + (cups / "log" / "error_log").string() + "'").second; }
};

// Mean brightness (0..255) of a rectangle of the page, and how many of its
// pixels are dark.
std::pair<double, int> Tone(const QImage& page, const QRect& r)
{
    double sum = 0;
    int dark = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            sum += qGray(page.pixel(x, y));
            dark += qGray(page.pixel(x, y)) < 100;
        }
    return {sum / (r.width() * r.height()), dark};
}

TEST_F(ReportPrint, CopyPrintsOneImageOfTheWindowWithoutItsButtons)
{
    FakeClock clock;
    Report.Load();
    Report->Command3.Click();
    EXPECT_TRUE(responder.notices.empty()) << responder.notices[0] << Log();
    EXPECT_EQ(ButtonsShown(), 3);

    const std::filesystem::path printed = cups / "printed.pdf";
    ASSERT_EQ(Shell("timeout 60 sh -c 'until [ -e \"$0\" ]; do sleep 0.1; done' '" + printed.string() + "'").first, 0)
        << Log();
    ASSERT_EQ(Shell("timeout 30 sh -c 'while [ -n \"$(timeout 10 lpstat -o)\" ]; do sleep 0.1; done'").first, 0) << Log();
    const std::string done = Shell("timeout 10 lpstat -W completed -o").second;
    EXPECT_EQ(std::count(done.begin(), done.end(), '\n'), 1) << done;

    const std::string info = Shell("timeout 30 pdfinfo '" + printed.string() + "'").second;
    EXPECT_TRUE(std::regex_search(info, std::regex("\nPages: +1\n"))) << info;
    constexpr int Dpi = 60;
    const std::string png = (cups / "page").string();
    ASSERT_EQ(Shell("timeout 60 pdftoppm -r " + std::to_string(Dpi) + " -png -singlefile '" + printed.string() + "' '" +
                  png + "'").first, 0);
    const QImage page(QString::fromStdString(png + ".png"));
    ASSERT_FALSE(page.isNull());

    // Where the window lies: as large as fits within 10 mm margins, across
    // the top. Window places in twips map onto the page through it.
    const double margin = 10 / 25.4 * Dpi;
    const double scale = std::min((page.width() - 2 * margin) / 10140, (page.height() - 2 * margin) / 10920);
    const double left = (page.width() - 10140 * scale) / 2;
    auto onPage = [&](int x, int y, int w, int h) {
        return QRectF(left + x * scale, margin + y * scale, w * scale, h * scale).toAlignedRect().adjusted(2, 2, -2, -2);
    };

    EXPECT_GT(Tone(page, page.rect()).first, 230);   // a white page...
    EXPECT_GT(Tone(page, QRect(0, 0, page.width(), int(margin) - 2)).first, 254);
    // ...with the report's dark text, down to its last line, the score...
    EXPECT_GT(Tone(page, onPage(285, 2070, 9510, 7455)).second, 2000);
    EXPECT_GT(Tone(page, onPage(285, 2070 + 29 * 240, 4000, 240)).second, 20);
    EXPECT_GT(Tone(page, onPage(3705, 75, 2025, 420)).second, 20);   // 認定証
    // ...and blank where the three buttons stand on screen.
    for (const QRect button : {onPage(7830, 165, 1830, 495), onPage(7845, 735, 1830, 495), onPage(7935, 10215, 1710, 555)})
        EXPECT_GT(Tone(page, button).first, 252);
}

TEST_F(ReportPrint, APageFileCutShortByAFullTempFolderOrRefusedByThePrinterIsNotSent)
{
    FakeClock clock;
    Report.Load();
    {
        PrivateMount tmp(home / "tmp", "tmpfs", "size=64k");
        if (!tmp.mounted) GTEST_SKIP() << "no tmpfs of the test's own: " << PrivateMountsUnavailable();
        setenv("TMPDIR", tmp.at.c_str(), 1);
        Report->Command3.Click();
        unsetenv("TMPDIR");
    }
    EXPECT_EQ(Shell("timeout 10 lpstat -W all -o").second, "") << Log();
    ASSERT_EQ(Shell("timeout 20 cupsreject kvtest 2>&1").first, 0);
    Report->Command3.Click();
    EXPECT_EQ(responder.notices, std::vector<std::string>(2, NotPrinted));
    EXPECT_EQ(ButtonsShown(), 3);
}

} // namespace
