// The information routines' texts and shared state on given system facts,
// and the information window.
#include "fake_clock.h"
#include "fake_facts.h"
#include "gui_support.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "private_mount.h"
#include "sysinfo/info.h"
#include "sysinfo/info_window.h"

#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <future>
#include <thread>

namespace {

constexpr std::uint64_t MiB = 1048576;
const std::string Gap = "\r\n\r\n";

std::string Text(const std::string& header, std::initializer_list<std::string> lines)
{
    std::string t = header + "\r\n\r\n\r\n";
    for (const std::string& l : lines) t += l + Gap;
    return t;
}

class SysInfo : public GuiTest {
protected:
    FakeFacts facts;
    FakeClock clock;

    void SetUp() override
    {
        GuiTest::SetUp();
        clock.step = 100;   // three measurements of 100 ms each: 391 MHz
        facts.processor = {0, 586, 6, 0x0806, 4096, 0x10000, 0x7FFEFFFF, 1, 1, 65536};
    }

    // What a routine shows in the information window (InfoMode 1).
    std::string Shown(void (*routine)(std::int32_t&))
    {
        info.Load();
        std::int32_t mode = 1;
        routine(mode);
        return info->Text1.Text();
    }
};

TEST_F(SysInfo, CpuTextsOfTheWorkedMachineAndOfAnUnknownOneAndTheClockEstimate)
{
    EXPECT_EQ(Shown(GetCpuInfo),
              Text("[ CPU infomation ]",
                   {" processor of INTEL or compatible", " processor Type :Pentium and later",
                    " processor Level :Pentium Pro/Pentium II/\r\n                   Pentium III and later",
                    " processor rev :806", " page size : 4096byte", " Minimum Application Address : 10000(hex)",
                    " Maximum Application Address : 7FFEFFFF(hex)", " active processor mask bit : 1 (hex)",
                    " number of processor : 1", " memory Allocation Granularity : 65536 byte",
                    " estimate clock:  391 MHz ( at PENTIUM III )"}));
    EXPECT_EQ(std::tuple(global::CpuLevel, global::CpuName, global::ClockMHz), std::tuple(6, "Pentium II,III,IV", 391));
    EXPECT_EQ(clock.slept, 1000u);   // the rest before the first measurement

    // Unknown values, and addresses and masks wider than 32 bits.
    facts.processor = {9, 0, 15, 0x8F06, 4096, 0x10000, 0x7FFFFFFFEFFF, 0xFFFFFFFFFFFF, 48, 4096};
    const std::string t = Shown(GetCpuInfo);
    for (const char* line : {" processor of ？？？", " processor Type :？？？", " processor Level :？？？",
                             " processor rev :8F06", " Maximum Application Address : 7FFFFFFFEFFF(hex)",
                             " active processor mask bit : FFFFFFFFFFFF (hex)", " number of processor : 48"})
        EXPECT_NE(t.find(line + Gap), std::string::npos) << line;
    EXPECT_EQ(std::tuple(global::CpuLevel, global::CpuName), std::tuple(15, "不明"));

    // The clock estimate's worked values and rounding.
    using namespace sysinfo_detail;
    EXPECT_EQ(ClockFromText("2492.50012345"), 2492);   // cut to 2492.500, ties to even
    EXPECT_EQ(ClockFromText("2493.5"), 2494);

    clock.step = 0;   // a division by zero: the estimate fails and shows 0
    EXPECT_NE(Shown(GetCpuInfo).find(" estimate clock:    0 MHz ( at PENTIUM III )\r\n"), std::string::npos);
    clock.step = 3;   // 9 ms in all: five digits, shown whole
    EXPECT_NE(Shown(GetCpuInfo).find(" estimate clock: 13022 MHz ( at PENTIUM III )\r\n"), std::string::npos);
    // Measurements across the tick counter's wrap keep their true length.
    clock.step = 100;
    clock.now = 0xFFFFFF00u;
    EXPECT_EQ(EstimateClock(), 391);
}

TEST_F(SysInfo, OsTextsOfEachPlatformWithTheServicePackCutAndNullsRemoved)
{
    facts.os = {4, 10, 67766222, 1, " A "};
    EXPECT_EQ(Shown(GetOsInfo), Text("[ OS infomation ]", {" Platform     : Windows95/98/Me and later",
                                                            " OS Version   : 4.10", " BUILD Number : 67766222",
                                                            "more :A "}));
    // The report sets each platform's name off by blanks of its own.
    const auto expect = [&](kv::OsVersionRecord os, std::string blanks, std::string platform, std::string rest) {
        facts.os = std::move(os);
        EXPECT_NE(Shown(GetOsInfo).find(" Platform     : " + platform + Gap), std::string::npos) << platform;
        EXPECT_EQ(global::OsReportText, " Platform     : " + blanks + platform + "\r\nOS Version   : " + rest + "\r\n");
    };
    const std::string x127(127, 'x'), debian = "Debian GNU/Linux 12 (bookworm)";
    expect({4, 10, 67766222, 1, " A "}, " ", "Windows95/98/Me and later", "4.10\r\nBUILD Number : 67766222\r\nmore :A ");
    expect({5, 0, 2195, 2, ""}, "", "WindowsNT or Windows 2000 and later", "5.0\r\nBUILD Number : 2195\r\nmore :");
    expect({0, 0, 0, 0, x127 + "xxx"}, "  ", "Windows3.1 & Win32s", "0.0\r\nBUILD Number : 0\r\nmore :" + x127);
    expect({6, 1, 0, kv::PlatformOther, debian}, "   ", "Unknown", "6.1\r\nBUILD Number : 0\r\nmore :" + debian);
    EXPECT_EQ(RemoveNulls(std::string("a\0b\0\0c", 6)), "abc");
    EXPECT_EQ(RemoveNulls(std::string(5, '\0')), "");
    EXPECT_EQ(RemoveNulls(" 日本 "), " 日本 ");
}

TEST_F(SysInfo, DiskTextsSizesFlagsAndTotals)
{
    const auto state = [] { return std::tuple(global::DiskTotalMB, global::HasRemoteDrive, global::HasRamDrive); };
    const auto sized = FakeFacts::Sized;
    facts.drives = {{"A:\\", kv::DriveRemovable, false, {}}, sized("C:\\", kv::DriveFixed, 9999, 1234),
                    sized("D:\\", kv::DriveCdRom, 650, 0)};
    EXPECT_EQ(Shown(GetDiskInfo), Text("[ Disk Drive infomation ]",
                                       {"A:\\  Removable Size:  not ready ",
                                        "C:\\  Fixed     Size:    9999 MB  Free :    1234 MB",
                                        "D:\\  CD ROM    Size:     650 MB  Free :       0 MB"}));
    EXPECT_EQ(state(), std::tuple(9999.0, 0, 0));

    facts.drives = {sized("E:\\", kv::DriveRemote, 100, 50), {"F:\\", kv::DriveRamDisk, false, {}}};
    Shown(GetDiskInfo);
    EXPECT_EQ(state(), std::tuple(100.0, 1, 1));   // not ready, still counted

    // 1.39 MB counts as 1, exactly 2.5 MB as 2 (ties to even); the flags
    // fall back once those drives are gone. Eight digits shift the columns;
    // 4 TiB is 2^33 sectors, beyond 32 bits.
    facts.drives = {sized("A:\\", kv::DriveRemovable, 1.39, 1.39), sized("B:\\", kv::DriveRemovable, 2.5, 2.5),
                    sized("C:\\", kv::DriveFixed, 12345678, 1), sized("D:\\", kv::DriveFixed, 4194304, 4194303)};
    const std::string t = Shown(GetDiskInfo);
    for (const char* line : {"A:\\  Removable Size:       1 MB  Free :       1 MB",
                             "B:\\  Removable Size:       2 MB  Free :       2 MB",
                             "C:\\  Fixed     Size: 12345678 MB  Free :       1 MB",
                             "D:\\  Fixed     Size: 4194304 MB  Free : 4194303 MB"})
        EXPECT_NE(t.find(line + Gap), std::string::npos) << line;
    EXPECT_EQ(state(), std::tuple(3.0 + 12345678.0 + 4194304.0, 0, 0));

    facts.drives.clear();
    EXPECT_EQ(Shown(GetDiskInfo), "[ Disk Drive infomation ]\r\n\r\n\r\n");
    EXPECT_EQ(global::DiskTotalMB, 0.0);
}

// The machine's own drives, with filesystems of the test's own mounted.
class MachineDisks : public SysInfo {
protected:
    void SetUp() override
    {
        SysInfo::SetUp();
        kv::SetSystemFactsForTest(nullptr);
        kv::SetDrivesForTest(nullptr);
    }
    static std::string LetterOf(const std::filesystem::path& mountPoint)
    {
        for (const kv::DriveInfo& d : kv::Drives())
            if (d.mountPoint == mountPoint) return std::string(1, d.letter);
        return "?";
    }
    bool Lists(const std::string& line) { return Shown(GetDiskInfo).find(line + Gap) != std::string::npos; }
};

TEST_F(MachineDisks, EachCallListsAndCountsWhatIsMountedThen)
{
    PrivateMount first(home / "first", "tmpfs", "size=3t");
    if (!first.mounted) GTEST_SKIP() << "no tmpfs of the test's own: " << PrivateMountsUnavailable();
    const std::string a = LetterOf(first.at);
    EXPECT_TRUE(Lists(a + ":\\  RAM Drive Size: 3145728 MB  Free : 3145728 MB"));
    const double with = global::DiskTotalMB;

    first.Unmount();
    EXPECT_EQ(Shown(GetDiskInfo).find(a + ":\\"), std::string::npos);
    EXPECT_EQ(global::DiskTotalMB, with - 3145728);
    // Its letter leads nowhere now, and the next mount takes a letter of its own.
    EXPECT_THROW(kv::NativePath(a + ":\\kv_test1.txt"), kv::RuntimeError);
    PrivateMount second(home / "second", "tmpfs", "size=1m");
    const std::string b = LetterOf(second.at);
    EXPECT_GT(b, a);
    EXPECT_TRUE(Lists(b + ":\\  RAM Drive Size:       1 MB  Free :       1 MB"));
}

// A FUSE filesystem whose requests nobody reads, as a network mount whose
// server has gone: asking it anything waits until the device is closed,
// which happens after `limit` or when this goes.
struct StuckFilesystem {
    int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    std::promise<void> over;
    std::thread closer;
    explicit StuckFilesystem(std::chrono::seconds limit)
        : closer([this, limit, end = over.get_future()] {
              end.wait_for(limit);
              if (fd >= 0) ::close(fd);
          })
    {
    }
    ~StuckFilesystem()
    {
        over.set_value();
        closer.join();
    }
    std::string Options() const { return "fd=" + std::to_string(fd) + ",rootmode=40000,user_id=0,group_id=0"; }
};

TEST_F(MachineDisks, DrivesThatDoNotAnswerAreNotReadyAfterTwoSeconds)
{
    StuckFilesystem server1(std::chrono::seconds(6)), server2(std::chrono::seconds(6));
    PrivateMount stuck1(home / "stuck1", "fuse.sshfs", server1.Options());
    PrivateMount stuck2(home / "stuck2", "fuse.sshfs", server2.Options());
    if (!stuck1.mounted || !stuck2.mounted)
        GTEST_SKIP() << "no FUSE mount of the test's own: " << (server1.fd < 0 ? "no /dev/fuse" : PrivateMountsUnavailable());
    const std::string notReady = ":\\  Remote    Size:  not ready ";
    const std::string line1 = LetterOf(stuck1.at) + notReady, line2 = LetterOf(stuck2.at) + notReady;
    // One wait for both, the windows drawn meanwhile.
    const auto start = std::chrono::steady_clock::now();
    std::chrono::duration<double> pumped{-1}, took, again;
    QTimer::singleShot(500, info->Text1.Widget(), [&] { pumped = std::chrono::steady_clock::now() - start; });
    EXPECT_TRUE(Lists(line1) && Lists(line2));
    took = std::chrono::steady_clock::now() - start;
    EXPECT_NEAR(took.count(), 2, 0.5);
    EXPECT_NEAR(pumped.count(), 0.5, 0.3);
    // Still stuck: not asked again, and not waited for.
    EXPECT_TRUE(Lists(line1));
    again = std::chrono::steady_clock::now() - start - took;
    EXPECT_LT(again.count(), 0.5);
}

std::string L(const std::string& name) { return " " + name + std::string(24 - name.size(), ' ') + ": "; }

TEST_F(SysInfo, MemoryTextsRoundingLargeCountsAndAZeroTotal)
{
    facts.memory = {256 * MiB, 100 * MiB, 800 * MiB, 700 * MiB, 800 * MiB, 500 * MiB};
    EXPECT_EQ(Shown(GetMemoryInfo),
              Text("[ Memory infomation ]",
                   {L("Total memory") + "256 MB", L("Free  memory") + "100 MB", L("Used  memory") + "156 MB (61%)",
                    L("Total pagefile") + "800 MB", L("Free  pagefile") + "700 MB",
                    L("Used  pagefile") + "100 MB (12%)", L("Total Virtual memory") + "800 MB",
                    L("Free  Virtual memory") + "500 MB", L("Used  Virtual memory") + "300 MB (38%)"}));
    EXPECT_EQ(global::TotalMemMB, 256);
    for (auto [mb, total] : {std::pair{255.5, 256}, {254.5, 254}}) {   // ties to even
        facts.memory.totalPhys = std::uint64_t(mb * MiB);
        Shown(GetMemoryInfo);
        EXPECT_EQ(global::TotalMemMB, total);
    }

    // 16 GiB and more are counted, not read as negative; no swap free shows no digits.
    facts.memory = {16384 * MiB, 6144 * MiB, 20480 * MiB, 0, 131072ull * 1024 * MiB, 131071ull * 1024 * MiB};
    const std::string t = Shown(GetMemoryInfo);
    EXPECT_NE(t.find(L("Used  memory") + "10240 MB (62%)\r\n"), std::string::npos);
    EXPECT_NE(t.find(L("Free  pagefile") + " MB\r\n"), std::string::npos);
    EXPECT_NE(t.find(L("Total Virtual memory") + "134217728 MB\r\n"), std::string::npos);
    EXPECT_EQ(global::TotalMemMB, 16384);

    // A zero total ends the routine at its Used line: no text, the state set.
    info->Text1.Text("before");
    facts.memory = {0, 0, MiB, MiB, MiB, MiB};
    EXPECT_EQ(Shown(GetMemoryInfo), "before");
    EXPECT_EQ(global::TotalMemMB, 0);
}

TEST_F(SysInfo, OtherModesRefreshTheStateAndLeaveTheWindowAlone)
{
    facts.memory = {256 * MiB, 100 * MiB, MiB, MiB, MiB, MiB};
    facts.drives = {FakeFacts::Sized("E:\\", kv::DriveRemote, 10, 5)};
    facts.os = {5, 1, 2600, 2, ""};
    for (std::int32_t mode : {0, 2, -1}) {
        SCOPED_TRACE(mode);
        global::ResetAll();
        info.Unload();
        for (auto routine : {GetMemoryInfo, GetDiskInfo, GetOsInfo, GetCpuInfo}) routine(mode);
        EXPECT_FALSE(info.Loaded());
        info->Text1.Text("open");
        for (auto routine : {GetMemoryInfo, GetOsInfo}) routine(mode);
        EXPECT_EQ(info->Text1.Text(), "open");
        EXPECT_EQ(std::tuple(global::TotalMemMB, global::HasRemoteDrive, global::OsReportText.substr(0, 16), global::ClockMHz),
                  std::tuple(256, 1, " Platform     : ", 391));
    }
}

// Which button opens which text, and OK, are checked on the real program by
// smoke_info.sh; here what that cannot see.
TEST_F(SysInfo, TheWindowTakesNoTypingHoldsOneTextPerOpeningAndItsCloseBoxIsOk)
{
    WriteSettings("C:\\prog\r\nC:\\data\r\n");
    Main1.Load();
    facts.os = {5, 0, 2195, 2, ""};
    Main1->Command12.Click();
    const std::string once = info->Text1.Text();
    EXPECT_EQ(once.rfind("[ OS infomation ]", 0), 0u);
    Type(info->Text1, {{Qt::Key_A, "a"}, {Qt::Key_5, "5"}, {Qt::Key_Backspace, "\b"}, {Qt::Key_Return, "\r"},
                       {Qt::Key_Space, " "}});
    EXPECT_EQ(info->Text1.Text(), once);
    info->Command1.Click();
    Main1->Command12.Click();
    EXPECT_EQ(info->Text1.Text(), once);
    info->PressCloseBox();
    EXPECT_FALSE(info.Loaded());
    EXPECT_TRUE(Main1->Visible());
}

} // namespace
