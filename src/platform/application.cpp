#include "platform/application.h"

#include "platform/errors.h"
#include "platform/notice.h"
#include "platform/signals.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kv {
namespace {

// What the window system said while it was being started; kept back, so a
// start that fails says one line and one that succeeds says all of it.
std::vector<std::pair<QtMsgType, QString>> g_startMessages;

// Without a display the window system's start is fatal, and Qt would abort
// with a hint about reinstalling. Say what is wrong instead, and end with
// status 1.
void WhileStarting(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type != QtFatalMsg) {
        g_startMessages.emplace_back(type, text);
        return;
    }
    static const char line[] =
        "korvel: no graphical display could be opened; it needs a desktop session "
        "(set DISPLAY to one, or start it with xvfb-run korvel)\n";
    (void)!::write(STDERR_FILENO, line, sizeof line - 1);
    ::_exit(1);
}

// Where the window system hands every event to the program's handlers:
// whatever escapes a handler stops here, is told as the run-time error
// notice, and the event loop goes on instead of ending in std::terminate.
// Qt's widget code is built without exceptions and skips its own clean-up
// when one passes through it, so a failure that is expected (a row run from
// its start button) is caught before it gets there; this is the net for the
// rest.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        int number = 0;
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            number = CurrentErrNumber();
        }
        RunTimeErrorNotice(number);
        return false;
    }
};

} // namespace

Application::Application(int& argc, char** argv)
{
    const QtMessageHandler previous = qInstallMessageHandler(&WhileStarting);
    app_ = std::make_unique<GuardedApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const auto& [type, text] : g_startMessages)
        qt_message_output(type, QMessageLogContext(), text);
    g_startMessages.clear();

    QApplication::setApplicationName(QStringLiteral("KORVELINE"));
    // Only the END button (or the main window's close box) ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallEndSignalCleanup();
    UseLanguage();
}

Application::~Application() = default;

int Application::Run() { return QApplication::exec(); }

void UseLanguage(const std::string& locale)
{
    static QTranslator* used = nullptr;
    if (used) {
        QCoreApplication::removeTranslator(used);
        delete used;
        used = nullptr;
    }
    const QLocale language = locale.empty() ? QLocale::system() : QLocale(QString::fromStdString(locale));
    auto qt = std::make_unique<QTranslator>();
    // None for the language (or no translations installed): English stays.
    if (!qt->load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    used = qt.release();
    QCoreApplication::installTranslator(used);
}

} // namespace kv
