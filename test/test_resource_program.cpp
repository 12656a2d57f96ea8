// The screen routine with the real resource program (and stand-ins that
// misbehave) in a folder with a blank in its name, and the machine's own facts.
#include "fake_clock.h"
#include "fake_facts.h"
#include "gui_support.h"

#include "platform/system_facts.h"
#include "sysinfo/info.h"
#include "sysinfo/info_window.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>

#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
const std::string Missing = "エラーの為、処理を中止しました。(Err=0)";
const std::string NoAnswer = "エラーの為、リソース情報を読み込めませんでした(Err=0)";

// The program folder is C:\kv prog, a blank in its name.
class ResourceProgram : public GuiTest {
protected:
    FakeFacts facts;
    fs::path folder;

    void SetUp() override
    {
        GuiTest::SetUp();
        folder = home / "kv prog";
        fs::create_directories(folder);
        global::ExeFolder = "C:\\kv prog";
    }

    void InstallRealProgram() const { fs::copy_file(KV_RESOURCE_PROGRAM, folder / "KV_16.EXE"); }

    // A stand-in resource program: a shell script.
    void InstallScript(const std::string& body) const
    {
        std::ofstream(folder / "KV_16.EXE") << "#!/bin/sh\n" << body << "\n";
        fs::permissions(folder / "KV_16.EXE", fs::perms::owner_all);
    }

    // A stand-in that answers `answer`, whole, through a temporary name.
    void InstallAnswering(const std::string& answer) const
    {
        InstallScript("printf '%s' '" + answer + "' > \"$1/.part\" && mv \"$1/.part\" \"$1/KV_16.TXT\"");
    }

    std::string Run(std::int32_t mode)
    {
        GetScreenInfo(mode);
        return mode == 1 && info.Loaded() ? info->Text1.Text() : "";
    }

    static bool NoChildLeft()
    {
        int status;
        return ::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
    }
};

const std::regex Percent("^ *[0-9]{1,3}$");

TEST_F(ResourceProgram, TwoCallsInARowEachReadTheirOwnAnswerAndLeaveNone)
{
    InstallRealProgram();
    for (int call = 0; call < 2; ++call) {
        SCOPED_TRACE(call);
        global::UserResFree = global::GdiResFree = "";
        info.Load();
        const std::string text = Run(1);
        EXPECT_TRUE(std::regex_match(global::UserResFree, Percent)) << global::UserResFree;
        EXPECT_TRUE(std::regex_match(global::GdiResFree, Percent)) << global::GdiResFree;
        EXPECT_EQ(global::UserResFree.size(), 5u);
        EXPECT_EQ(text, "[ Screen infomation ]\r\n\r\n\r\nScreen Size: 1024*768\r\n\r\nUSER Resource free : "
                            + global::UserResFree + "%\r\n\r\nGDI  Resource free : " + global::GdiResFree + "%\r\n\r\n");
        EXPECT_FALSE(fs::exists(folder / "KV_16.TXT"));
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);   // no temporary left either
        EXPECT_TRUE(NoChildLeft());
    }
    EXPECT_TRUE(responder.notices.empty());
}

TEST_F(ResourceProgram, AStaleAnswerIsNeverRead)
{
    InstallRealProgram();
    std::ofstream(folder / "KV_16.TXT") << "Free USER/GDI:STALE  STALE\r\n";
    std::int32_t mode = 0;
    GetScreenInfo(mode);
    EXPECT_TRUE(std::regex_match(global::UserResFree, Percent)) << global::UserResFree;
    EXPECT_FALSE(fs::exists(folder / "KV_16.TXT"));
}

TEST_F(ResourceProgram, AnswersOf26_20And14Characters)
{
    struct { std::string answer, user, gdi, lines; } cases[] = {
        {"Free USER/GDI:   87%    93", "   87", "   93", "USER Resource free :    87%\r\n\r\nGDI  Resource free :    93%"},
        {"Free USER/GDI:   87%", "   87", "", "USER Resource free :    87%\r\n\r\nGDI  Resource free : %"},
        {"Free USER/GDI:", "", "", "USER Resource free : %\r\n\r\nGDI  Resource free : %"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        InstallAnswering(c.answer);
        info.Load();
        EXPECT_EQ(Run(1), "[ Screen infomation ]\r\n\r\n\r\nScreen Size: 1024*768\r\n\r\n" + c.lines + "\r\n\r\n");
        EXPECT_EQ(global::UserResFree, c.user);
        EXPECT_EQ(global::GdiResFree, c.gdi);
        fs::remove(folder / "KV_16.EXE");
    }
}

TEST_F(ResourceProgram, MissingProgramNoticeInEitherModeKeepsTheValues)
{
    for (std::int32_t mode : {0, 1}) {
        SCOPED_TRACE(mode);
        responder.notices.clear();
        global::UserResFree = "   42";
        global::ScreenWidth = 0;
        info.Load();
        EXPECT_EQ(Run(mode), "");
        EXPECT_EQ(responder.notices, std::vector<std::string>{Missing});
        EXPECT_EQ(global::ScreenWidth, 1024);
        EXPECT_EQ(global::ScreenHeight, 768);
        EXPECT_EQ(global::UserResFree, "   42");
    }
    // An unset program folder has no program either.
    global::ExeFolder = "";
    std::int32_t mode = 0;
    GetScreenInfo(mode);
    EXPECT_EQ(responder.notices.back(), Missing);
}

TEST_F(ResourceProgram, NoAnswerEndsTheWaitWithANoticeAndNoChildLeft)
{
    global::UserResFree = "   42";
    std::int32_t mode = 1;

    // Ended without answering: the wait ends at once, on the real clock.
    InstallScript("exit 0");
    auto start = std::chrono::steady_clock::now();
    GetScreenInfo(mode);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(responder.notices, std::vector<std::string>{NoAnswer});
    EXPECT_TRUE(NoChildLeft());

    // Never answers: the wait is bounded, and the program is ended and reaped.
    {
        FakeClock clock;
        InstallScript("exec sleep 30");
        start = std::chrono::steady_clock::now();
        GetScreenInfo(mode);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_GE(clock.slept, 5000u);
        EXPECT_LE(clock.slept, 6000u);
    }
    EXPECT_EQ(responder.notices.back(), NoAnswer);
    EXPECT_TRUE(NoChildLeft());

    // Cannot be started: not executable.
    fs::permissions(folder / "KV_16.EXE", fs::perms::owner_read | fs::perms::owner_write);
    GetScreenInfo(mode);
    EXPECT_EQ(responder.notices.back(), "エラーの為、リソース情報を読み込めませんでした(Err=70)");
    EXPECT_EQ(responder.notices.size(), 3u);
    EXPECT_EQ(global::UserResFree, "   42");
    EXPECT_EQ(info->Text1.Text(), "");
}

TEST_F(ResourceProgram, AHugeAnswerIsABadOneAndIsDeleted)
{
    global::UserResFree = "   42";
    InstallScript("truncate -s 30G \"$1/.part\" && mv \"$1/.part\" \"$1/KV_16.TXT\"");
    std::int32_t mode = 0;
    GetScreenInfo(mode);
    EXPECT_EQ(responder.notices, std::vector<std::string>{"エラーの為、リソース情報を読み込めませんでした(Err=7)"});
    EXPECT_EQ(global::UserResFree, "   42");
    EXPECT_FALSE(fs::exists(folder / "KV_16.TXT"));
}

// --- the machine's facts ---------------------------------------------------------

TEST(MachineFacts, VersionAndMemoryFromTheirTexts)
{
    const kv::OsVersionRecord a =
        kv::OsVersionFrom("6.1.0-18-amd64", "NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    EXPECT_EQ(a.majorVersion, 6);
    EXPECT_EQ(a.minorVersion, 1);
    EXPECT_EQ(a.buildNumber, 0);
    EXPECT_EQ(a.platformId, kv::PlatformOther);
    EXPECT_EQ(a.csdVersion, "Debian GNU/Linux 12 (bookworm)");
    const kv::OsVersionRecord b = kv::OsVersionFrom("5.15", "PRETTY_NAME='Arch \"rolling\"'\n");
    EXPECT_EQ(b.majorVersion, 5);
    EXPECT_EQ(b.minorVersion, 15);
    EXPECT_EQ(b.buildNumber, 0);
    EXPECT_EQ(b.csdVersion, "Arch \"rolling\"");
    const std::string longName = "PRETTY_NAME=" + std::string(100, 'x') + std::string(20, 'y') + "日本語日本語日本語\n";
    EXPECT_EQ(kv::OsVersionFrom("6.8.12", longName).csdVersion, std::string(100, 'x') + std::string(20, 'y') + "日本語日本語日");
    EXPECT_EQ(kv::OsVersionFrom("6.8.12", "").buildNumber, 12);

    kv::MemoryRecord m;
    kv::PhysicalMemoryFrom("MemTotal: 1000 kB\nMemFree: 100 kB\nMemAvailable: 600 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n", m);
    EXPECT_EQ(m.totalPhys, 1024000u);
    EXPECT_EQ(m.availPhys, 614400u);
    EXPECT_EQ(m.totalPageFile, m.totalPhys);   // no swap: the commit limit is memory alone
    EXPECT_EQ(m.availPageFile, m.availPhys);
    kv::PhysicalMemoryFrom("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n"
                           "SwapTotal: 2000 kB\nSwapFree: 1500 kB\n", m);
    EXPECT_EQ(m.availPhys, 400u * 1024);
    EXPECT_EQ(m.totalPageFile, 3000u * 1024);
    EXPECT_EQ(m.availPageFile, 1900u * 1024);
}

TEST(MachineFacts, ThisMachineAnswersSensibly)
{
    kv::SystemFacts& f = kv::Facts();
    const kv::ProcessorRecord p = f.Processor();
    EXPECT_NE(p.activeProcessorMask, 0u);
    // The address of a local lies in the user range.
    const auto here = reinterpret_cast<std::uintptr_t>(&p);
    EXPECT_LT(p.minimumApplicationAddress, here);
    EXPECT_LE(here, p.maximumApplicationAddress);
#if defined(__x86_64__)
    EXPECT_EQ(p.architecture, 0);
    EXPECT_EQ(p.processorType, 586);
    EXPECT_GE(p.level, 6);
    EXPECT_EQ(p.maximumApplicationAddress & 0xFFF, 0xFFFu);
#endif
    const kv::MemoryRecord m = f.Memory();
    EXPECT_GT(m.availPhys, 0u);
    EXPECT_LE(m.availPhys, m.totalPhys);
    EXPECT_GT(m.availVirtual, 0u);
    EXPECT_LT(m.availVirtual, m.totalVirtual);

    // Every ready drive has a size; C: (the home folder's filesystem) comes
    // first, and the root filesystem is some drive, so one is ready.
    const std::vector<std::string> roots = f.DriveRoots();
    ASSERT_FALSE(roots.empty());
    EXPECT_EQ(roots.front(), "C:\\");
    int ready = 0;
    for (const std::string& root : roots) {
        kv::DiskSpace space;
        if (!f.DiskFreeSpace(root, space)) continue;
        ++ready;
        EXPECT_GT(space.totalClusters, 0u) << root;
        EXPECT_GE(space.totalClusters, space.freeClusters) << root;
    }
    EXPECT_GT(ready, 0);
    EXPECT_EQ(f.DriveType("Q:\\x"), kv::DriveNoRoot);
}

} // namespace
