#include "platform/signals.h"

#include "platform/files.h"

#include <cerrno>
#include <csignal>

namespace kv {
namespace {

// Only async-signal-safe calls: the removals are lstat and unlink, and the
// handler is reset to the default action on entry (SA_RESETHAND), so
// raising the signal again ends the program the way it was asked to.
void OnEndSignal(int sig)
{
    const int saved = errno;
    RemoveFilesInFlight();
    errno = saved;
    ::raise(sig);
}

} // namespace

void InstallEndSignalCleanup()
{
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction sa {};
        sa.sa_handler = &OnEndSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESETHAND;
        ::sigaction(sig, &sa, nullptr);
    }
}

} // namespace kv
