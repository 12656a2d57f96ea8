// Paths, the drive table, and whole files, replaced files and the
// directory search, on real temporary folders.
#include "error_of.h"
#include "temp_folder.h"
#include "platform/drives.h"
#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace kv;
namespace fs = std::filesystem;

namespace {

// A fresh temporary folder standing in for drive C:, with "/" as D:. Also
// clears any injected fault a failed test left pending.
struct Sandbox : TempFolder {
    std::string dir = path.string();
    // Letter and root alone (then mount point, type, source, label, kind, device).
    std::vector<DriveInfo> drives{{'C', dir, {}, {}, {}, {}, {}, {}}, {'D', "/", {}, {}, {}, {}, {}, {}}};
    Sandbox() { SetDrivesForTest(&drives); }
    ~Sandbox()
    {
        SetDrivesForTest(nullptr);
        for (FaultAt f : {FaultAt::Write, FaultAt::Fsync, FaultAt::Close, FaultAt::Rename})
            InjectFaultForTest(f, 0);
        std::error_code ec;   // a test may have made the folder read-only
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    }
    std::string Native(const std::string& name) const { return dir + "/" + name; }
    void Make(const std::string& name, const std::string& bytes = "x") const { WriteWholeFile(Native(name), bytes); }
};

// The lowest free descriptor: unchanged when nothing leaked.
int LowestFreeFd()
{
    const int fd = dup(0);
    close(fd);
    return fd;
}


// A desktop: /home on its own disk, an EFI partition, tmpfs at the usual
// places, an NFS share, a bind mount out of /home, a USB stick, a mount
// point with a blank, a snap, and two garbled lines.
const char* const kDesktop =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n"
    "23 22 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw\n"
    "24 22 0:22 / /sys rw,nosuid,nodev,noexec,relatime shared:2 - sysfs sysfs rw\n"
    "25 22 0:5 / /dev rw,nosuid,relatime shared:3 - devtmpfs udev rw,size=8012345k,mode=755\n"
    "27 22 0:24 / /run rw,nosuid,nodev,noexec,relatime shared:5 - tmpfs tmpfs rw,size=1602468k\n"
    "29 22 8:2 / /home rw,relatime shared:30 - ext4 /dev/sda2 rw\n"
    "30 22 8:3 / /boot/efi rw,relatime shared:31 - vfat /dev/sda3 rw,fmask=0077,dmask=0077\n"
    "31 22 0:26 / /tmp rw,nosuid,nodev shared:32 - tmpfs tmpfs rw,inode64\n"
    "32 22 0:40 / /mnt/nas rw,relatime shared:40 - nfs4 nas.local:/export/media rw,vers=4.2\n"
    "33 22 8:2 /taro/work /srv/work rw,relatime shared:30 - ext4 /dev/sda2 rw\n"
    "34 22 8:17 / /media/taro/STICK rw,nosuid,nodev,relatime shared:50 - vfat /dev/sdb1 rw,uid=1000\n"
    "35 22 8:4 / /mnt/My\\040Disk rw,relatime shared:51 - ext4 /dev/sda4 rw\n"
    "36 27 0:45 / /run/user/1000 rw,nosuid,nodev,relatime shared:60 - tmpfs tmpfs rw,mode=700\n"
    "37 22 7:1 / /snap/core22/1122 ro,nodev,relatime shared:70 - squashfs /dev/loop1 ro\n"
    "this line is not a mount\n"
    "40 22 0:50 / /cut-short rw\n";

// A container: overlay root, a runtime-injected single file under /etc.
const char* const kContainer =
    "1265 1077 0:59 / / rw,relatime master:357 - overlay overlay rw,lowerdir=/l,upperdir=/u\n"
    "1266 1265 0:63 / /proc rw,nosuid,nodev,noexec,relatime - proc proc rw\n"
    "1267 1265 0:64 / /dev rw,nosuid - tmpfs tmpfs rw,size=65536k,mode=755,inode64\n"
    "1273 1265 8:1 /var/lib/docker/containers/ab/resolv.conf /etc/resolv.conf rw - ext4 /dev/sda1 rw\n";

// Each drive as letter, root, type, [label] and kind (0 fixed, 1 removable,
// 2 remote, 3 CD-ROM, 4 RAM).
std::vector<std::string> Summary(const std::vector<DriveInfo>& drives)
{
    std::vector<std::string> out;
    for (const DriveInfo& d : drives)
        out.push_back(std::string(1, d.letter) + " " + d.root + " " + d.fsType + " [" + d.label + "] "
                      + std::to_string(static_cast<int>(d.kind)));
    return out;
}

// Each drive as its letter and mount point.
std::string Places(const std::vector<DriveInfo>& drives)
{
    std::string out;
    for (const DriveInfo& d : drives) out += ' ' + std::string(1, d.letter) + d.mountPoint;
    return out.empty() ? out : out.substr(1);
}

std::string Without(std::string text, const std::string& lineStart)
{
    const std::size_t at = text.find(lineStart);
    return text.erase(at, text.find('\n', at) + 1 - at);
}

} // namespace

TEST(Paths, ProgramPathsBecomeNative)
{
    Sandbox s;
    const std::pair<std::string, std::string> plain[] = {
        {"C:\\a\\b.txt", s.dir + "/a/b.txt"}, {"c:\\a", s.dir + "/a"}, {"C:", s.dir}, {"C:\\", s.dir},
        {"C:\\\\x\\\\y", s.dir + "/x/y"}, {"D:\\etc\\hosts", "/etc/hosts"}, {"D:\\", "/"},
        {"sub\\name.kvd", "sub/name.kvd"}};
    for (const auto& [program, native] : plain) EXPECT_EQ(NativePath(program), native) << program;
    EXPECT_EQ(ErrorOf([] { NativePath("Q:\\x"); }), ErrDeviceUnavailable);
    EXPECT_EQ(ErrorOf([] { NativePath("\\\\KV_REP.txt"); }), ErrPathNotFound);   // a network share

    // A leading "/" is native; a leading "\" is the root of the drive that
    // holds the working folder (C:, D:), else C:.
    const fs::path before = fs::current_path();
    fs::create_directory(s.dir + "/sub");
    s.drives[1].root = "/proc";
    const struct { std::string cwd, program, native; } cases[] = {
        {s.dir + "/sub", "\\x\\y.txt", s.dir + "/x/y.txt"}, {s.dir + "/sub", "\\", s.dir},
        {"/proc/self", "\\x", "/proc/x"}, {"/", "\\x", s.dir + "/x"},
        {"/", "/usr/share\\x", "/usr/share/x"}, {s.dir, "/tmp/x", "/tmp/x"},
    };
    for (const auto& c : cases) {
        fs::current_path(c.cwd);
        EXPECT_EQ(NativePath(c.program), c.native) << c.cwd << " " << c.program;
    }
    fs::current_path(before);
}

TEST(Paths, NativePathsBecomeProgramPaths)
{
    Sandbox s;
    // The longest root wins, and roots match whole components only.
    std::string sibling = "D:" + s.dir + "x\\y";
    std::replace(sibling.begin(), sibling.end(), '/', '\\');
    for (const auto& [native, program] : {std::pair{s.dir, std::string("C:\\")}, {s.dir + "/", "C:\\"},
                                          {s.dir + "//sub/dir", "C:\\sub\\dir"}, {"/etc/hosts", "D:\\etc\\hosts"},
                                          {s.dir + "x/y", sibling}, {"relative/name", "relative/name"}})
        EXPECT_EQ(ProgramPath(native), program);

    s.drives.pop_back();
    EXPECT_EQ(ProgramPath("/etc/hosts"), "/etc/hosts");
}

TEST(WholeFiles, BytesSurviveExactlyAndErrorsAreNumbered)
{
    Sandbox s;
    const std::string text = "一行目\r\n二行目 ｶﾅ\r\n" + std::string(1, '\0') + "end";
    WriteWholeFile("C:\\t.txt", text);
    AppendToFile("C:\\t.txt", "追記\r\n");
    EXPECT_EQ(ReadWholeFile(s.Native("t.txt")), text + "追記\r\n");
    WriteWholeFile("C:\\t.txt", "short");   // truncates the longer old contents
    EXPECT_EQ(ReadWholeFile("C:\\t.txt"), "short");
    AppendToFile("C:\\new.txt", "a");
    EXPECT_EQ(ReadWholeFile("C:\\new.txt"), "a");

    DeleteFile("C:\\t.txt");
    EXPECT_EQ(ErrorOf([] { ReadWholeFile("C:\\t.txt"); }), ErrFileNotFound);
    EXPECT_EQ(ErrorOf([] { DeleteFile("C:\\t.txt"); }), ErrFileNotFound);
    EXPECT_EQ(ErrorOf([] { ReadWholeFile("C:\\nodir\\x"); }), ErrPathNotFound);
    EXPECT_EQ(ErrorOf([] { WriteWholeFile("C:\\nodir\\x", "a"); }), ErrPathNotFound);
    EXPECT_EQ(ErrorOf([] { WriteWholeFile("C:\\new.txt\\x", "a"); }), ErrPathNotFound);
    EXPECT_EQ(ErrorOf([] { ReadWholeFile("C:\\"); }), ErrPathFileAccess);
}

TEST(ReplaceFile, ReplacesKeepingTheModeOrCreatesWithTheUsualOne)
{
    Sandbox s;
    s.Make("r.ini", "old contents, longer");
    chmod(s.Native("r.ini").c_str(), 0640);
    const bool root = geteuid() == 0;
    if (root) { ASSERT_EQ(chown(s.Native("r.ini").c_str(), 65534, 65534), 0); }
    const mode_t mask = umask(002);
    ReplaceFileAtomically("C:\\r.ini", "new\r\n");
    ReplaceFileAtomically("C:\\fresh.ini", "");
    umask(mask);
    EXPECT_EQ(ReadWholeFile("C:\\r.ini"), "new\r\n");
    EXPECT_EQ(ReadWholeFile("C:\\fresh.ini"), "");
    EXPECT_EQ(FilesIn(s.dir), 2);   // no temporary left

    struct stat st;
    ASSERT_EQ(stat(s.Native("r.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) { EXPECT_TRUE(st.st_uid == 65534 && st.st_gid == 65534); }
    ASSERT_EQ(stat(s.Native("fresh.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
}

TEST(ReplaceFile, AFailureKeepsTheOldFileAndLeavesNoTemporary)
{
    Sandbox s;
    s.Make("r.ini", "keep me");
    const int fds = LowestFreeFd();
    const struct { FaultAt where; int err; int number; } faults[] = {
        {FaultAt::Write, ENOSPC, ErrDiskFull}, {FaultAt::Fsync, EIO, ErrDeviceIo},
        {FaultAt::Close, EDQUOT, ErrDiskFull}, {FaultAt::Rename, EXDEV, ErrRenameAcrossDisks},
    };
    for (const auto& f : faults) {
        InjectFaultForTest(f.where, f.err);
        EXPECT_EQ(ErrorOf([] { ReplaceFileAtomically("C:\\r.ini", "new"); }), f.number);
        EXPECT_EQ(ReadWholeFile("C:\\r.ini"), "keep me");
        EXPECT_EQ(FilesIn(s.dir), 1);
    }
    EXPECT_EQ(LowestFreeFd(), fds);

    // A parent that is a file stops even root, whom permission bits would not.
    EXPECT_EQ(ErrorOf([] { ReplaceFileAtomically("C:\\r.ini\\x", "a"); }), ErrPathNotFound);
    if (geteuid() != 0) {
        chmod(s.dir.c_str(), 0555);
        EXPECT_EQ(ErrorOf([] { ReplaceFileAtomically("C:\\r.ini", "new"); }), ErrPermissionDenied);
        EXPECT_EQ(ReadWholeFile("C:\\r.ini"), "keep me");
    }
}

TEST(FindsNormalFile, OnlyVisibleRegularFilesMatchAndWildcards)
{
    Sandbox s;
    for (const char* name : {"data.kvd", ".hidden", "ro.txt", "abc.txt", "NOEXT", "x[1].log", ".dot.kvd"})
        s.Make(name);
    chmod(s.Native("ro.txt").c_str(), 0444);
    for (const char* name : {"folder", "dir.tmp", "empty", "links"})
        fs::create_directory(s.Native(name));
    s.Make("folder/inner.txt");
    ASSERT_EQ(mkfifo(s.Native("pipe").c_str(), 0644), 0);
    fs::create_symlink(s.Native("folder"), s.Native("tofolder"));
    fs::create_symlink(s.Native("data.kvd"), s.Native("tofile"));
    fs::create_symlink(s.Native("empty"), s.Native("links/a.lnk"));

    // "name.*" also finds a bare name, as the classic search did.
    EXPECT_TRUE(FindsNormalFile(s.Native("data.kvd")));
    for (const char* yes : {"C:\\data.kvd", "C:\\ro.txt", "C:\\tofile", "C:\\folder\\inner.txt", "C:\\*.kvd",
                            "C:\\a?c.txt", "C:\\x[1].*", "C:\\NOEXT.*", "C:\\*.*"})
        EXPECT_TRUE(FindsNormalFile(yes)) << yes;
    for (const char* no : {"C:\\.hidden", "C:\\folder", "C:\\pipe", "C:\\tofolder", "C:\\missing",
                           "C:\\nodir\\data.kvd", "C:\\data.kvd\\x", "C:\\folder\\", "C:\\", "", "Q:\\data.kvd",
                           "C:\\a?.txt", "C:\\*.tmp", "C:\\*.dot*", "C:\\empty\\*", "C:\\links\\*", "C:\\nodir\\*"})
        EXPECT_FALSE(FindsNormalFile(no)) << no;

    for (const char* yes : {"C:\\folder", "D:\\tmp"}) EXPECT_TRUE(IsFolder(yes)) << yes;
    for (const char* no : {"C:\\data.kvd", "C:\\missing", "Q:\\", ""})
        EXPECT_FALSE(IsFolder(no)) << no;
}

TEST(AppendBlock, AppendsExactlyAndClosesOnEveryWayOut)
{
    Sandbox s;
    const std::string path = s.Native("scratch.tmp"), link = s.Native("link");
    const int fds = LowestFreeFd();
    AppendBlock(path.c_str(), "ab", 2);
    AppendBlock(path.c_str(), "\r\n", 2);
    EXPECT_EQ(ReadWholeFile(path), "ab\r\n");
    InjectFaultForTest(FaultAt::Write, ENOSPC);
    EXPECT_EQ(ErrorOf([&] { AppendBlock(path.c_str(), "z", 1); }), ErrDiskFull);
    InjectFaultForTest(FaultAt::Close, EIO);
    EXPECT_EQ(ErrorOf([&] { AppendBlock(path.c_str(), "z", 1); }), ErrDeviceIo);
    EXPECT_EQ(LowestFreeFd(), fds);

    // A symbolic link at the name is refused and its target left alone.
    s.Make("target", "original");
    fs::create_symlink(s.Native("target"), link);
    EXPECT_EQ(ErrorOf([&] { AppendBlock(link.c_str(), "evil", 4); }), ErrPathFileAccess);
    EXPECT_EQ(ReadWholeFile("C:\\target"), "original");
}

TEST(DriveTable, ContainerAndEdgeCases)
{
    EXPECT_EQ(Summary(BuildDriveTable(kContainer, "/root")), std::vector<std::string>{"C /root overlay [root] 0"});
    // With no usable mount table at all there is still a C:.
    EXPECT_EQ(Summary(BuildDriveTable("", "/home/u")), std::vector<std::string>{"C /home/u  [u] 0"});
    // A home folder without HOME comes from the password database.
    const char* saved = std::getenv("HOME");
    const std::string keep = saved ? saved : "";
    setenv("HOME", "", 1);
    EXPECT_FALSE(HomeFolder().empty());
    saved ? setenv("HOME", keep.c_str(), 1) : unsetenv("HOME");
    // Home on a filesystem that is no drive otherwise still makes C:; /home is an ordinary drive.
    const auto other = Summary(BuildDriveTable(kDesktop, "/run/user/1000/h"));
    ASSERT_EQ(other.size(), 8u);
    EXPECT_EQ(other[0], "C /run/user/1000/h tmpfs [h] 4");
    EXPECT_EQ(other[3], "F /home ext4 [home] 0");

    // Letters stop at Z.
    std::string text = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
    for (int i = 10; i < 40; ++i)
        text += "2 1 0:" + std::to_string(i) + " / /data/" + std::to_string(i) + " rw - tmpfs tmpfs rw\n";
    const auto many = BuildDriveTable(text, "/root");
    ASSERT_EQ(many.size(), 24u);
    EXPECT_EQ(Summary(many).back(), "Z /data/32 tmpfs [32] 4");
}

TEST(DriveTable, AHomeFolderThroughALinkIsWhereTheLinkLeads)
{
    TempFolder temp;
    const fs::path& top = temp.path;
    fs::create_directories(top / "data" / "u");
    fs::create_directory_symlink(top / "data" / "u", top / "home-u");
    // The link stands on the root filesystem, its target on another one.
    const std::string mounts = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                               "2 1 8:2 / " + (top / "data").string() + " rw - ext4 /dev/sdb1 rw\n";
    const std::vector<DriveInfo> drives = BuildDriveTable(mounts, (top / "home-u").string());
    EXPECT_EQ(Summary(drives), (std::vector<std::string>{"C " + (top / "data" / "u").string() + " ext4 [u] 0",
                                                         "D / ext4 [sda1] 0"}));

    // A root that is a link also holds the paths the system spells resolved
    // (the working folder, a canonical folder).
    std::vector<DriveInfo> linked = drives;
    linked[0].root = (top / "home-u").string();
    std::size_t rootLength = 0;
    for (const fs::path& p : {top / "home-u" / "x", top / "data" / "u" / "x"}) {
        EXPECT_EQ(DriveLetterOf(p.string(), linked, &rootLength), 'C') << p;
        EXPECT_EQ(p.string().substr(rootLength), "/x");
    }
}

TEST(DriveTable, LettersStayWithTheirMountPoints)
{
    DriveLetters letters;
    const auto first = BuildDriveTable(kDesktop, "/home/taro/", letters);
    EXPECT_EQ(Summary(first), (std::vector<std::string>{
                                  "C /home/taro ext4 [taro] 0", "D / ext4 [sda1] 0", "E /boot/efi vfat [efi] 0",
                                  "F /media/taro/STICK vfat [STICK] 1", "G /mnt/My Disk ext4 [My Disk] 0",
                                  "H /mnt/nas nfs4 [nas.local:/export/media] 2", "I /tmp tmpfs [tmp] 4"}));
    const std::string all = "C/home D/ E/boot/efi F/media/taro/STICK G/mnt/My Disk H/mnt/nas I/tmp";
    EXPECT_EQ(Places(first), all);
    EXPECT_EQ(first[0].device, makedev(8, 2));
    EXPECT_EQ(first[4].device, makedev(8, 4));
    EXPECT_EQ(DriveListEntry(first[0]) + DriveListEntry(first[1]), "c: [taro]d: [sda1]");

    // The stick pulled out, a disk mounted: F: stays unused, the disk takes J:.
    std::string now = Without(kDesktop, "34 22 8:17 ") + "60 22 8:49 / /mnt/backup rw - ext4 /dev/sdd1 rw\n";
    EXPECT_EQ(Places(BuildDriveTable(now, "/home/taro", letters)),
              "C/home D/ E/boot/efi G/mnt/My Disk H/mnt/nas I/tmp J/mnt/backup");
    // Something on that place again is F:, once, however many mounts are stacked there.
    now += "61 22 8:33 / /media/taro/STICK rw - vfat /dev/sdc1 rw\n"
           "62 61 0:70 / /media/taro/STICK rw - tmpfs tmpfs rw\n";
    const auto back = BuildDriveTable(now, "/home/taro", letters);
    EXPECT_EQ(Places(back), all + " J/mnt/backup");
    EXPECT_EQ(back[3].fsType, "tmpfs");

    // Home's filesystem unmounted, or another mounted over the home folder: C: is gone.
    EXPECT_EQ(Places(BuildDriveTable(Without(now, "29 22 8:2 "), "/home/taro", letters)).substr(0, 5), "D/ E/");
    EXPECT_EQ(Places(BuildDriveTable(now + "63 29 0:99 / /home/taro rw - tmpfs tmpfs rw\n", "/home/taro", letters))
                  .substr(0, 5), "D/ E/");
    EXPECT_EQ(Places(BuildDriveTable(now, "/home/taro", letters)), all + " J/mnt/backup");

    // This machine's drives are all mounted now, C: first.
    ASSERT_EQ(Drives().at(0).letter, 'C');
    for (const DriveInfo& d : Drives()) EXPECT_NO_THROW(NativePath(std::string{d.letter, ':'})) << d.letter;
    EXPECT_EQ(ErrorOf([] { NativePath("A:"); }), ErrDeviceUnavailable);   // letters start at C
}
