#include "platform/process.h"

#include "platform/clock.h"
#include "platform/errors.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace kv {
namespace {

// Owns the spawn attributes and file actions for the length of one start.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    SpawnSetup setup;
    // Nothing of this program's input, and none of its descriptors beyond
    // the standard three, reach the child.
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);
    // Signal dispositions and the mask start afresh in the child.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &all);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int e = posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
    if (e != 0) RaiseErrno(e, "start " + program);
    pid_ = pid;
}

ChildProcess::~ChildProcess()
{
    if (reaped_ || Ended()) return;
    ::kill(pid_, SIGKILL);
    int status;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
}

bool ChildProcess::Ended()
{
    if (reaped_) return true;
    int status;
    pid_t got;
    do got = ::waitpid(pid_, &status, WNOHANG);
    while (got < 0 && errno == EINTR);
    // ECHILD: someone else reaped it; either way it is gone.
    reaped_ = got == pid_ || (got < 0 && errno == ECHILD);
    return reaped_;
}

WaitOutcome WaitForDelivery(ChildProcess& child, const std::function<bool()>& arrived,
                            std::uint32_t pollMs, std::uint32_t limitMs)
{
    const std::uint32_t start = GetTickCount();
    for (;;) {
        if (arrived()) return WaitOutcome::Arrived;
        // It may have delivered just before it ended: one more look.
        if (child.Ended()) return arrived() ? WaitOutcome::Arrived : WaitOutcome::ProgramEnded;
        if (Elapsed(start, GetTickCount()) >= limitMs) return WaitOutcome::TimedOut;
        Sleep(pollMs);
    }
}

} // namespace kv
