#include "platform/application.h"

#include "platform/signals.h"

#include <QApplication>

namespace kv {

Application::Application(int& argc, char** argv) : app_(std::make_unique<QApplication>(argc, argv))
{
    QApplication::setApplicationName(QStringLiteral("KORVELINE"));
    // Only the END button (or the main window's close box) ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallEndSignalCleanup();
}

Application::~Application() = default;

int Application::Run() { return QApplication::exec(); }

} // namespace kv
