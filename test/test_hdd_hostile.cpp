// The HDD test against what may stand at its scratch name or happen to its
// drive: a FIFO, a file with a second name, a file it may not open, a nearly
// full drive, and a signal that ends the program. Whatever could block or
// needs another user or a mount runs in a child process with a time limit,
// so a regression fails instead of hanging.
#include "fake_clock.h"
#include "temp_folder.h"
#include "analyze/analyze.h"
#include "platform/files.h"
#include "platform/signals.h"
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Runs `body` in a child process and says how it ended: "exit N" or
// "signal N". The child is killed after `seconds`. With `asNobody` and this
// process root, the child first becomes the ordinary user nobody.
std::string InChild(const std::function<int()>& body, unsigned seconds, bool asNobody = false)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(seconds);
        if (asNobody && ::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
    return "signal " + std::to_string(WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

// The HDD passes on the instant clock, 50 units a pass: 0 or the index.
int QuickHdd(const fs::path& scratch)
{
    FakeClock clock;
    clock.step = 10;
    return analyze::RunHddPasses(scratch.string());
}

std::uint64_t FreeBytes(const fs::path& folder)
{
    struct statvfs v {};
    ::statvfs(folder.c_str(), &v);
    return std::uint64_t(v.f_bavail) * v.f_frsize;
}

} // namespace

TEST(HddHostile, AnythingButAPlainFileAtTheNameGivesZeroAndIsLeftAlone)
{
    TempFolder dir;
    const fs::path scratch = dir.path / "kv_test1.txt";

    // A FIFO nobody reads would block the open for ever; one somebody reads
    // would swallow the blocks.
    ASSERT_EQ(::mkfifo(scratch.c_str(), 0644), 0);
    const auto zeroAtOnce = [&] { return QuickHdd(scratch); };
    EXPECT_EQ(InChild(zeroAtOnce, 10), "exit 0");
    const int reader = ::open(scratch.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(InChild(zeroAtOnce, 10), "exit 0");
    char c;
    EXPECT_EQ(::read(reader, &c, 1), 0);   // nothing was written into it
    ::close(reader);
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(scratch)));
    fs::remove(scratch);

    // A second name: appending would grow someone else's file.
    const fs::path precious = dir.path / "precious.db";
    WriteFile(precious, "keep me");
    fs::create_hard_link(precious, scratch);
    EXPECT_EQ(QuickHdd(scratch), 0);
    EXPECT_EQ(ReadFile(precious), "keep me");
    EXPECT_EQ(fs::hard_link_count(precious), 2u);
    fs::remove(scratch);

    fs::create_directory(scratch);
    EXPECT_EQ(QuickHdd(scratch), 0);
    EXPECT_TRUE(fs::is_directory(scratch));
}

TEST(HddHostile, OnlyAFileThisRunCreatedOrWroteToIsRemovedOnTheErrorRoad)
{
    TempFolder dir;
    const fs::path scratch = dir.path / "kv_test1.txt";

    // Another user's file, or a read-only one: the open fails and the file
    // stays. As root the test drops to an ordinary user, whom the folder
    // lets delete but the file does not let write.
    fs::permissions(dir.path, fs::perms::all);
    WriteFile(scratch, "someone else's");
    fs::permissions(scratch, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto asAnOrdinaryUser = [&] {
        if (::access(dir.path.c_str(), W_OK | X_OK) != 0) return 101;   // the case would not arise
        if (::access(scratch.c_str(), W_OK) == 0) return 102;
        return QuickHdd(scratch);
    };
    EXPECT_EQ(InChild(asAnOrdinaryUser, 10, true), "exit 0");
    EXPECT_EQ(ReadFile(scratch), "someone else's");

    // A file the test had appended to when the drive filled up (a file-size
    // limit stands in for the full drive) is removed.
    fs::permissions(scratch, fs::perms::owner_read | fs::perms::owner_write);
    const auto fillsUp = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{20 * 1024, 20 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &small);
        return QuickHdd(scratch);
    };
    EXPECT_EQ(InChild(fillsUp, 10), "exit 0");
    EXPECT_FALSE(fs::exists(fs::symlink_status(scratch)));
}

TEST(HddHostile, ThePassesNeverTakeTheDrivesLastFivePercent)
{
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root (CI runs as root)";
    TempFolder dir;
    const fs::path small = dir.path / "small", roomy = dir.path / "roomy";
    fs::create_directories(small);
    fs::create_directories(roomy);

    // 3000 units of 1 KiB on the instant clock: more than a 2 MiB drive
    // holds, well within an 8 MiB one.
    const auto run = [&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("kvsmall", small.c_str(), "tmpfs", 0, "size=2m") != 0
            || ::mount("kvroomy", roomy.c_str(), "tmpfs", 0, "size=8m") != 0)
            return 101;
        struct statvfs v {};
        ::statvfs(small.c_str(), &v);
        const std::uint64_t reserve = std::uint64_t(v.f_blocks) * v.f_frsize / 20;

        FakeClock clock;
        std::uint64_t leastFree = FreeBytes(small);
        clock.onRead = [&] { leastFree = std::min(leastFree, FreeBytes(small)); };
        if (analyze::RunHddPasses((small / "kv_test1.txt").string()) != 0) return 2;
        if (leastFree < reserve) return 3;
        if (fs::exists(small / "kv_test1.txt")) return 4;
        clock.onRead = nullptr;
        if (analyze::RunHddPasses((roomy / "kv_test1.txt").string()) != analyze::HddIndex(3000)) return 5;
        return 0;
    };
    EXPECT_EQ(InChild(run, 30), "exit 0");
}

TEST(HddHostile, ASignalOrEndThatEndsTheProgramRemovesTheScratchFileFirst)
{
    TempFolder dir;
    const fs::path scratch = dir.path / "kv_test1.txt", untouched = dir.path / "old.txt";
    WriteFile(untouched, "old");
    const std::string block(1024, ' ');

    // Ended as asked, by the signal itself, with the file it wrote gone; a
    // file it has not written to yet is not its to remove.
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        EXPECT_EQ(InChild([&] {
            kv::InstallEndSignalCleanup();
            kv::ScratchFile file(scratch.string());
            if (!file.Begin()) return 1;
            kv::AppendBlock(file.Path(), block.data(), block.size());
            ::raise(sig);
            return 2;
        }, 10), "signal " + std::to_string(sig));
        EXPECT_FALSE(fs::exists(fs::symlink_status(scratch)));
    }
    // So does END, which ends the program with status 0.
    EXPECT_EQ(InChild([&] {
        kv::ScratchFile file(scratch.string());
        if (!file.Begin()) return 1;
        kv::EndProgram();
        return 2;
    }, 10), "exit 0");
    EXPECT_FALSE(fs::exists(fs::symlink_status(scratch)));
    EXPECT_EQ(InChild([&] {
        kv::InstallEndSignalCleanup();
        kv::ScratchFile file(untouched.string());
        if (!file.Begin()) return 1;
        ::raise(SIGTERM);
        return 2;
    }, 10), "signal 15");
    EXPECT_EQ(ReadFile(untouched), "old");

    // A signal the program was started to ignore stays ignored.
    EXPECT_EQ(InChild([&] {
        std::signal(SIGHUP, SIG_IGN);
        kv::InstallEndSignalCleanup();
        ::raise(SIGHUP);
        return 0;
    }, 10), "exit 0");
}

TEST(HddHostile, ASignalDuringASaveLeavesTheOldFileAndNoTemporary)
{
    TempFolder dir;
    const fs::path file = dir.path / "a.kvd";
    WriteFile(file, "old");
    // A file-size limit stops the write half-way; the signal it raises
    // stands in for a TERM that arrives just then.
    EXPECT_EQ(InChild([&] {
        kv::InstallEndSignalCleanup();
        std::signal(SIGXFSZ, [](int) { ::raise(SIGTERM); });
        const rlimit small{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &small);
        kv::ReplaceFileAtomically(file.string(), std::string(65536, 'x'));
        return 2;
    }, 10), "signal 15");
    EXPECT_EQ(ReadFile(file), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), {}), 1);
}
