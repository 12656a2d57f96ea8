#include "platform/drives.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/sysmacros.h>

using namespace kv;

namespace {

// A desktop: /home on its own disk, an EFI partition, tmpfs at the usual
// places, an NFS share, a bind mount out of /home, a USB stick, a mount
// point with a blank, a snap, and two garbled lines.
const char* const kDesktop =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n"
    "23 22 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw\n"
    "24 22 0:22 / /sys rw,nosuid,nodev,noexec,relatime shared:2 - sysfs sysfs rw\n"
    "25 22 0:5 / /dev rw,nosuid,relatime shared:3 - devtmpfs udev rw,size=8012345k,mode=755\n"
    "26 25 0:23 / /dev/shm rw,nosuid,nodev shared:4 - tmpfs tmpfs rw,inode64\n"
    "27 22 0:24 / /run rw,nosuid,nodev,noexec,relatime shared:5 - tmpfs tmpfs rw,size=1602468k\n"
    "28 24 0:25 / /sys/fs/cgroup rw,nosuid,nodev,noexec,relatime shared:6 - cgroup2 cgroup2 rw\n"
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

// A container: overlay root, runtime-injected single files under /etc.
const char* const kContainer =
    "1265 1077 0:59 / / rw,relatime master:357 - overlay overlay rw,lowerdir=/l,upperdir=/u\n"
    "1266 1265 0:63 / /proc rw,nosuid,nodev,noexec,relatime - proc proc rw\n"
    "1267 1265 0:64 / /dev rw,nosuid - tmpfs tmpfs rw,size=65536k,mode=755,inode64\n"
    "1272 1267 0:67 / /dev/shm rw,nosuid,nodev,noexec,relatime - tmpfs shm rw,size=65536k\n"
    "1273 1265 8:1 /var/lib/docker/containers/ab/resolv.conf /etc/resolv.conf rw - ext4 /dev/sda1 rw\n"
    "1274 1265 8:1 /var/lib/docker/containers/ab/hostname /etc/hostname rw - ext4 /dev/sda1 rw\n"
    "1275 1265 8:1 /var/lib/docker/containers/ab/hosts /etc/hosts rw - ext4 /dev/sda1 rw\n"
    "1079 1266 0:68 / /proc/acpi ro,relatime - tmpfs tmpfs ro,inode64\n";

// Kinds: 0 fixed, 1 removable, 2 remote, 3 CD-ROM, 4 RAM.
std::vector<std::string> Summary(const std::vector<DriveInfo>& drives)
{
    std::vector<std::string> out;
    for (const DriveInfo& d : drives)
        out.push_back(std::string(1, d.letter) + " " + d.root + " " + d.fsType + " [" + d.label + "] "
                      + std::to_string(static_cast<int>(d.kind)));
    return out;
}

} // namespace

TEST(DriveTable, Desktop)
{
    const auto drives = BuildDriveTable(kDesktop, "/home/taro/");
    EXPECT_EQ(Summary(drives), (std::vector<std::string>{
                                   "C /home/taro ext4 [taro] 0",
                                   "D / ext4 [sda1] 0",
                                   "E /boot/efi vfat [efi] 0",
                                   "F /media/taro/STICK vfat [STICK] 1",
                                   "G /mnt/My Disk ext4 [My Disk] 0",
                                   "H /mnt/nas nfs4 [nas.local:/export/media] 2",
                                   "I /tmp tmpfs [tmp] 4",
                               }));
    ASSERT_EQ(drives.size(), 7u);
    EXPECT_EQ(drives[0].mountPoint, "/home");
    EXPECT_EQ(drives[0].device, makedev(8, 2));
    EXPECT_EQ(drives[4].device, makedev(8, 4));
    EXPECT_EQ(DriveListEntry(drives[0]), "c: [taro]");
    EXPECT_EQ(DriveListEntry(drives[1]), "d: [sda1]");

    // Home on a filesystem that would be no drive otherwise still makes C:,
    // and /home becomes an ordinary drive.
    const auto other = Summary(BuildDriveTable(kDesktop, "/run/user/1000/h"));
    ASSERT_EQ(other.size(), 8u);
    EXPECT_EQ(other[0], "C /run/user/1000/h tmpfs [h] 4");
    EXPECT_EQ(other[3], "F /home ext4 [home] 0");
}

TEST(DriveTable, ContainerAndEdgeCases)
{
    EXPECT_EQ(Summary(BuildDriveTable(kContainer, "/root")),
              std::vector<std::string>{"C /root overlay [root] 0"});
    // With no usable mount table at all there is still a C:.
    EXPECT_EQ(Summary(BuildDriveTable("", "/home/u")), std::vector<std::string>{"C /home/u  [u] 0"});

    // Letters stop at Z.
    std::string text = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n";
    for (int i = 10; i < 40; ++i)
        text += "2 1 0:" + std::to_string(i) + " / /data/" + std::to_string(i) + " rw - tmpfs tmpfs rw\n";
    const auto many = BuildDriveTable(text, "/root");
    ASSERT_EQ(many.size(), 24u);
    EXPECT_EQ(many.back().letter, 'Z');
    EXPECT_EQ(many.back().root, "/data/32");
}

TEST(DriveTable, DriveLetterOfTakesTheLongestRoot)
{
    const auto drives = BuildDriveTable(kDesktop, "/home/taro");
    EXPECT_EQ(DriveLetterOf("/home/taro", drives), 'C');
    EXPECT_EQ(DriveLetterOf("/home/taro//docs/a.txt", drives), 'C');
    EXPECT_EQ(DriveLetterOf("/home/taroX", drives), 'D');
    EXPECT_EQ(DriveLetterOf("/", drives), 'D');
    EXPECT_EQ(DriveLetterOf("/mnt/nas/a", drives), 'H');
    EXPECT_EQ(DriveLetterOf("/mnt/nasty", drives), 'D');
    EXPECT_EQ(DriveLetterOf("relative", drives), 0);
}

TEST(DriveTable, AHomeFolderThroughALinkIsWhereTheLinkLeads)
{
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/kvlinkXXXXXX";
    const fs::path top = mkdtemp(pattern);
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
    fs::remove_all(top);
}

TEST(DriveTable, TheRealTableAndItsReplacement)
{
    const auto real = Drives();
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(real[0].letter, 'C');
    std::vector<DriveInfo> fake(1);
    fake[0].root = "/nowhere";
    SetDrivesForTest(&fake);
    EXPECT_EQ(Drives()[0].root, "/nowhere");
    SetDrivesForTest(nullptr);
    EXPECT_EQ(Drives()[0].root, real[0].root);

    const char* saved = std::getenv("HOME");
    const std::string keep = saved ? saved : "";
    setenv("HOME", "", 1);
    EXPECT_FALSE(HomeFolder().empty());   // from the password database
    saved ? setenv("HOME", keep.c_str(), 1) : unsetenv("HOME");
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

TEST(DriveTable, LettersStayWithTheirMountPoints)
{
    DriveLetters letters;
    const std::string all = "C/home D/ E/boot/efi F/media/taro/STICK G/mnt/My Disk H/mnt/nas I/tmp";
    EXPECT_EQ(Places(BuildDriveTable(kDesktop, "/home/taro", letters)), all);

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

    // Home's filesystem unmounted, or another mounted over the home folder:
    // the folder is another filesystem's then, and C: is gone.
    EXPECT_EQ(Places(BuildDriveTable(Without(now, "29 22 8:2 "), "/home/taro", letters)).substr(0, 5), "D/ E/");
    EXPECT_EQ(Places(BuildDriveTable(now + "63 29 0:99 / /home/taro rw - tmpfs tmpfs rw\n", "/home/taro", letters))
                  .substr(0, 5), "D/ E/");
    EXPECT_EQ(Places(BuildDriveTable(now, "/home/taro", letters)), all + " J/mnt/backup");

    // This machine's drives are all mounted now.
    for (const DriveInfo& d : Drives()) EXPECT_TRUE(DriveStillMounted(d.letter)) << d.letter;
    EXPECT_FALSE(DriveStillMounted('?'));
}
