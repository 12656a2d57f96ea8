// korvel-bench's TEXT and Graph lines. The program side runs the tests' own
// units through the program's real windows ("KORVEL Text Test" and "KORVEL
// Graph Test"); the raw side does the same work with a plain QListWidget and
// a plain QWidget painted directly, of the same sizes and fonts, with the
// same pump. Both need a real X server: the one DISPLAY names, or a private
// Xvfb started here.
//
// TEXT-growth runs the TEXT test's 4 seconds through the program's window,
// three times, and compares the units per second of the last tenths with
// those of the first: the cost of an item must not grow with the list.
#include "side_by_side.h"

#include "analyze/random.h"
#include "analyze/test_windows.h"
#include "analyze/ui_units.h"
#include "platform/application.h"
#include "platform/pump.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <QWindow>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {
namespace {

constexpr const char* kTexts[2] = {"1234567890\r\n", "12345678901234567890\r\n"};
constexpr int kTwips = kv::TwipsPerPixel;

// ---- The display ----

// A private X server, stopped again when the bench ends.
class PrivateXvfb {
public:
    PrivateXvfb() = default;
    PrivateXvfb(const PrivateXvfb&) = delete;
    PrivateXvfb& operator=(const PrivateXvfb&) = delete;
    ~PrivateXvfb()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }

    // Starts the server; its display name (":n"), or nothing with the reason.
    std::optional<std::string> Start(std::string& reason)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            reason = std::string("no pipe: ") + std::strerror(errno);
            return std::nullopt;
        }
        // The server writes its display number to descriptor 3 once it takes
        // connections.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const char* argv[] = {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                              nullptr};
        const int e = ::posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (e != 0) {
            ::close(fds[0]);
            pid_ = -1;
            reason = e == ENOENT ? "no display: DISPLAY is unset and Xvfb is not installed"
                                 : std::string("Xvfb did not start: ") + std::strerror(e);
            return std::nullopt;
        }
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && ::poll(&p, 1, 10000) > 0) {
            char buf[16];
            const ssize_t got = ::read(fds[0], buf, sizeof buf);
            if (got <= 0) break;
            number.append(buf, static_cast<std::size_t>(got));
        }
        ::close(fds[0]);
        if (number.find('\n') == std::string::npos) {
            reason = "Xvfb gave no display within 10 s";
            return std::nullopt;
        }
        number.resize(number.find('\n'));
        number.insert(number.begin(), ':');
        return number;
    }

private:
    pid_t pid_ = -1;
};

// Waits (briefly) until a plain window is on screen, as the program's windows
// do when they are shown.
void ShowExposed(QWidget& w)
{
    w.show();
    QElapsedTimer waited;
    waited.start();
    while (w.windowHandle() && !w.windowHandle()->isExposed() && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
}

// The program's windows go once control is back in the event loop.
void Settle() { QCoreApplication::processEvents(); QCoreApplication::processEvents(); }

// ---- TEXT ----

Slice ProgramText(std::uint32_t ms)
{
    TextTest.Load();
    TextTestForm& window = TextTest.Get();
    std::int32_t n = 0;
    auto unit = [&] { kv::units::TextUnit(window.ListView1, ++n, kTexts[0]); };
    const Slice s = ProgramSlice(ms, unit);
    TextTest.Unload();
    Settle();
    return s;
}

// A window of the test window's size holding a list of the list view's size
// and place, in the face the program gives its controls.
class PlainTextWindow : public QWidget {
public:
    PlainTextWindow()
    {
        setFixedSize(8325 / kTwips, 8340 / kTwips);
        list.setParent(this);
        list.setGeometry(810 / kTwips, 1260 / kTwips, 6570 / kTwips, 5715 / kTwips);
        list.setUniformItemSizes(true);
        QFont face(QStringLiteral("IPAPGothic"));
        face.setPixelSize(12);
        list.setFont(face);
    }
    QListWidget list;
};

Slice RawText(std::uint32_t ms)
{
    PlainTextWindow window;
    ShowExposed(window);
    const QString text = QString::fromUtf8(kTexts[0]);
    const std::int64_t start = NowNs();
    std::int64_t count = 0;
    const std::uint32_t t0 = RawMs();
    do {
        ++count;
        window.list.insertItem(static_cast<int>(count - 1), text);
        window.list.scrollToItem(window.list.item(static_cast<int>(count - 1)));
        QCoreApplication::processEvents();
    } while (RawMs() - t0 < ms);
    return {count, NowNs() - start};
}

// The test's four seconds through the program's window, in tenths, summed
// over `runs` runs: a tenth holds a few hundred units and the X server's pace
// varies from one to the next by a fifth or more. All items carry the first
// pass's text, so only the length of the list changes: the second pass's
// longer text alone costs a tenth to a fifth more to draw.
void TextGrowth(std::uint32_t totalMs, int runs)
{
    std::array<std::int64_t, 10> units{};
    const std::int64_t total = static_cast<std::int64_t>(totalMs) * 1000000;
    for (int run = 0; run < runs; ++run) {
        TextTest.Load();
        TextTestForm& window = TextTest.Get();
        std::int32_t n = 0;
        const std::int64_t start = NowNs();
        auto unit = [&] {
            kv::units::TextUnit(window.ListView1, ++n, kTexts[0]);
            const std::int64_t tenth = (NowNs() - start) * 10 / total;
            ++units[static_cast<std::size_t>(std::clamp<std::int64_t>(tenth, 0, 9))];
        };
        kv::TimedPass<kv::GetTickCount>(totalMs, unit);
        TextTest.Unload();
        Settle();
    }
    const double tenthSeconds = runs * totalMs / 10000.0;
    const double first = units.front() / tenthSeconds, last = units.back() / tenthSeconds;
    std::printf("TEXT-growth %.0f %.0f %.3f\n", first, last, first > 0 ? last / first : 0.0);
    std::fflush(stdout);
}

// ---- Graph ----

Slice ProgramGraph(std::uint32_t ms)
{
    GraphTest.Load();
    GraphTestForm& window = GraphTest.Get();
    auto unit = [&] { kv::units::CircleUnit(window); };
    const Slice s = ProgramSlice<kv::timeGetTime>(ms, unit);
    GraphTest.Unload();
    Settle();
    return s;
}

// A window of the test window's size with its background, on which each
// circle is painted straight away and nothing else is: what stands on the
// window already stays there.
class PlainGraphWindow : public QWidget {
public:
    PlainGraphWindow() : background(QStringLiteral(":/art/bg556.png"))
    {
        setFixedSize(8235 / kTwips, 8310 / kTwips);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void Circle(QPointF centre, double radius, QColor colour)
    {
        circle = {centre, radius, colour};
        const QRectF box(centre.x() - radius - 1, centre.y() - radius - 1, 2 * radius + 3, 2 * radius + 3);
        repaint(box.toAlignedRect());
        circle.reset();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        if (!circle) {
            p.drawPixmap(0, 0, background);
            return;
        }
        p.setPen(QPen(circle->colour, 1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(circle->centre, circle->radius, circle->radius);
    }

private:
    struct Shape {
        QPointF centre;
        double radius;
        QColor colour;
    };
    std::optional<Shape> circle;
    QPixmap background;
};

Slice RawGraph(std::uint32_t ms)
{
    PlainGraphWindow window;
    ShowExposed(window);
    const std::int64_t start = NowNs();
    std::int64_t count = 0;
    const std::uint32_t t0 = RawMs();
    do {
        ++count;
        const kv::Color c = kv::units::RandomColour();
        const double cy = window.height() * kTwips / 2.0;
        const double cx = window.width() * kTwips / 2.0;
        const double radius = static_cast<float>(Rnd() * (0.9 * cy + 1));
        window.Circle(QPointF(cx / kTwips, cy / kTwips), radius / kTwips,
                      QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
    } while (RawMs() - t0 < ms);
    return {count, NowNs() - start};
}

} // namespace

int BenchUi(bool shortRun)
{
    PrivateXvfb xvfb;
    const char* given = std::getenv("DISPLAY");
    if (!given || !*given) {
        std::string reason;
        const std::optional<std::string> display = xvfb.Start(reason);
        if (!display) {
            std::printf("TEXT skipped: %s\nGraph skipped: %s\n", reason.c_str(), reason.c_str());
            return 0;
        }
        ::setenv("DISPLAY", display->c_str(), 1);
    }
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    static int argc = 1;
    static char name[] = "korvel-bench";
    static char* argv[] = {name, nullptr};
    kv::Application app(argc, argv);

    // The X server's pace varies from slice to slice by a tenth or more, so
    // these lines take more and longer slices than the others.
    const int pairs = shortRun ? 2 : 16;
    const std::uint32_t ms = shortRun ? 100 : 300;
    const auto nothing = [] {};
    Print("TEXT", Compare(pairs, [&] { return ProgramText(ms); }, [&] { return RawText(ms); }, nothing));
    TextGrowth(shortRun ? 1000 : 4000, shortRun ? 1 : 3);
    Print("Graph", Compare(pairs, [&] { return ProgramGraph(ms); }, [&] { return RawGraph(ms); }, nothing));
    return 0;
}

} // namespace bench
