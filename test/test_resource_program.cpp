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
#include <optional>
#include <regex>

#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
const std::string Missing = "エラーの為、処理を中止しました。(Err=0)";
const std::string NoAnswer = "エラーの為、リソース情報を読み込めませんでした(Err=";

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

    void InstallScript(const std::string& body) const
    {
        std::ofstream(folder / "KV_16.EXE") << "#!/bin/sh\n" << body << "\n";
        fs::permissions(folder / "KV_16.EXE", fs::perms::owner_all);
    }

    // What the routine shows in the information window, opened for it, with mode 1.
    std::string Run(std::int32_t mode)
    {
        if (mode == 1) info.Load();
        GetScreenInfo(mode);
        return mode == 1 && info.Loaded() ? info->Text1.Text() : "";
    }

    static std::string Screen(const std::string& user, const std::string& gdi)
    {
        return "[ Screen infomation ]\r\n\r\n\r\nScreen Size: 1024*768\r\n\r\nUSER Resource free : " + user
               + "%\r\n\r\nGDI  Resource free : " + gdi + "%\r\n\r\n";
    }

    static bool NoChildLeft()
    {
        int status;
        return ::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
    }
};

const std::regex Percent("^(?=.{5}$) *[0-9]{1,3}$");   // five characters, right-aligned

TEST_F(ResourceProgram, TwoCallsInARowEachReadTheirOwnAnswerAndLeaveNone)
{
    fs::copy_file(KV_RESOURCE_PROGRAM, folder / "KV_16.EXE");
    std::ofstream(folder / "KV_16.TXT") << "Free USER/GDI:STALE  STALE\r\n";   // never read
    for (int call = 0; call < 2; ++call) {
        SCOPED_TRACE(call);
        global::UserResFree = global::GdiResFree = "";
        const std::string text = Run(1);
        for (const std::string& free : {global::UserResFree, global::GdiResFree})
            EXPECT_TRUE(std::regex_match(free, Percent)) << free;
        EXPECT_EQ(text, Screen(global::UserResFree, global::GdiResFree));
        EXPECT_EQ(FilesIn(folder), 1);   // no answer, no temporary left
        EXPECT_TRUE(NoChildLeft());
    }
    EXPECT_TRUE(responder.notices.empty());
}

TEST_F(ResourceProgram, AnswersOf26_20And14Characters)
{
    struct { std::string answer, user, gdi; } cases[] = {
        {"Free USER/GDI:   87%    93", "   87", "   93"}, {"Free USER/GDI:   87%", "   87", ""}, {"Free USER/GDI:", "", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        // A stand-in that answers, whole, through a temporary name.
        InstallScript("printf '%s' '" + c.answer + "' > \"$1/.part\" && mv \"$1/.part\" \"$1/KV_16.TXT\"");
        EXPECT_EQ(Run(1), Screen(c.user, c.gdi));
        EXPECT_EQ(std::tuple(global::UserResFree, global::GdiResFree), std::tuple(c.user, c.gdi));
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
        EXPECT_EQ(Run(mode), "");
        EXPECT_EQ(responder.notices, std::vector<std::string>{Missing});
        EXPECT_EQ(std::tuple(global::ScreenWidth, global::ScreenHeight, global::UserResFree),
                  std::tuple(1024, 768, "   42"));
    }
    // An unset program folder has no program either.
    global::ExeFolder = "";
    Run(0);
    EXPECT_EQ(responder.notices.back(), Missing);
}

// The answer does not come: the program ends without one (the wait ends at
// once, on the real clock), never answers (the wait is bounded, and the
// program is ended and reaped), answers with a file far larger than its one
// line (a bad answer, deleted), or cannot be started at all.
TEST_F(ResourceProgram, NoGoodAnswerEndsTheWaitWithANoticeTheValuesKeptAndNoChildLeft)
{
    global::UserResFree = "   42";
    struct Case { const char* script; bool fakeClock; int err; };
    const Case cases[] = {{"exit 0", false, 0}, {"exec sleep 30", true, 0},
                          {"truncate -s 30G \"$1/.part\" && mv \"$1/.part\" \"$1/KV_16.TXT\"", false, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        std::optional<FakeClock> clock;
        if (c.fakeClock) clock.emplace();
        InstallScript(c.script);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Run(1), "");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        if (clock) { EXPECT_TRUE(clock->slept >= 5000u && clock->slept <= 6000u) << clock->slept; }
        EXPECT_EQ(responder.notices.back(), NoAnswer + std::to_string(c.err) + ")");
        EXPECT_FALSE(fs::exists(folder / "KV_16.TXT"));
        EXPECT_TRUE(NoChildLeft());
    }
    fs::permissions(folder / "KV_16.EXE", fs::perms::owner_read | fs::perms::owner_write);
    Run(1);
    EXPECT_EQ(responder.notices.back(), NoAnswer + "70)");
    EXPECT_EQ(responder.notices.size(), 4u);
    EXPECT_EQ(global::UserResFree, "   42");
}

TEST(MachineFacts, VersionAndMemoryFromTheirTexts)
{
    const auto version = [](const char* release, const std::string& osRelease) {
        const kv::OsVersionRecord r = kv::OsVersionFrom(release, osRelease);
        return std::tuple(r.majorVersion, r.minorVersion, r.buildNumber, r.platformId, r.csdVersion);
    };
    EXPECT_EQ(version("6.1.0-18-amd64", "NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              std::tuple(6, 1, 0, kv::PlatformOther, "Debian GNU/Linux 12 (bookworm)"));
    EXPECT_EQ(version("5.15", "PRETTY_NAME='Arch \"rolling\"'\n"), std::tuple(5, 15, 0, kv::PlatformOther, "Arch \"rolling\""));
    const std::string x100y20 = std::string(100, 'x') + std::string(20, 'y');
    EXPECT_EQ(version("6.8.12", "PRETTY_NAME=" + x100y20 + "日本語日本語日本語\n"),
              std::tuple(6, 8, 12, kv::PlatformOther, x100y20 + "日本語日本語日"));

    const auto memory = [](const char* meminfo) {
        kv::MemoryRecord m;
        kv::PhysicalMemoryFrom(meminfo, m);
        return std::tuple(m.totalPhys, m.availPhys, m.totalPageFile, m.availPageFile);
    };
    // No swap: the commit limit is memory alone.
    EXPECT_EQ(memory("MemTotal: 1000 kB\nMemFree: 100 kB\nMemAvailable: 600 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n"),
              std::tuple(1024000u, 614400u, 1024000u, 614400u));
    EXPECT_EQ(memory("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n"
                     "SwapTotal: 2000 kB\nSwapFree: 1500 kB\n"),
              std::tuple(1024000u, 400u * 1024, 3000u * 1024, 1900u * 1024));
}

TEST(MachineFacts, ThisMachineAnswersSensibly)
{
    kv::SystemFacts& f = kv::Facts();
    const kv::ProcessorRecord p = f.Processor();
    EXPECT_NE(p.activeProcessorMask, 0u);
    // The address of a local lies in the user range.
    const auto here = reinterpret_cast<std::uintptr_t>(&p);
    EXPECT_TRUE(p.minimumApplicationAddress < here && here <= p.maximumApplicationAddress);
#if defined(__x86_64__)
    EXPECT_EQ(std::tuple(p.architecture, p.processorType, p.maximumApplicationAddress & 0xFFF), std::tuple(0, 586, 0xFFFu));
    EXPECT_GE(p.level, 6);
#endif
    const kv::MemoryRecord m = f.Memory();
    EXPECT_TRUE(0 < m.availPhys && m.availPhys <= m.totalPhys);
    EXPECT_TRUE(0 < m.availVirtual && m.availVirtual < m.totalVirtual);

    // Every ready drive has a size; the root filesystem is some drive, so one is ready.
    int ready = 0;
    for (const std::string& root : f.DriveRoots()) {
        kv::DiskSpace space;
        if (!f.DiskFreeSpace(root, space)) continue;
        ++ready;
        EXPECT_TRUE(0 < space.totalClusters && space.freeClusters <= space.totalClusters) << root;
    }
    EXPECT_GT(ready, 0);
    EXPECT_EQ(f.DriveType("Q:\\x"), kv::DriveNoRoot);
}

} // namespace
