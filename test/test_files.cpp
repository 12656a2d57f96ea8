#include "platform/drives.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace kv;
namespace fs = std::filesystem;

namespace {

// A fresh temporary folder standing in for drive C:, with "/" as D:. Also
// clears any injected fault a failed test left pending.
struct Sandbox {
    std::string dir;
    std::vector<DriveInfo> drives;

    Sandbox()
    {
        char tmpl[] = "/tmp/kv-files-XXXXXX";
        dir = mkdtemp(tmpl);
        drives.resize(2);
        drives[0].root = dir;
        drives[1].letter = 'D';
        drives[1].root = "/";
        SetDrivesForTest(&drives);
    }
    ~Sandbox()
    {
        SetDrivesForTest(nullptr);
        for (FaultAt f : {FaultAt::Write, FaultAt::Fsync, FaultAt::Close, FaultAt::Rename})
            InjectFaultForTest(f, 0);
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    std::string Native(const std::string& name) const { return dir + "/" + name; }
    void Make(const std::string& name, const std::string& bytes = "x") const
    {
        WriteWholeFile(Native(name), bytes);
    }
    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

int ErrorNumberOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.Number();
    }
    return -1;
}

// The lowest free descriptor: unchanged when nothing leaked.
int LowestFreeFd()
{
    const int fd = dup(0);
    close(fd);
    return fd;
}

} // namespace

TEST(Paths, ProgramPathsBecomeNative)
{
    Sandbox s;
    EXPECT_EQ(NativePath("C:\\a\\b.txt"), s.dir + "/a/b.txt");
    EXPECT_EQ(NativePath("c:\\a"), s.dir + "/a");
    EXPECT_EQ(NativePath("C:"), s.dir);
    EXPECT_EQ(NativePath("C:\\"), s.dir);
    EXPECT_EQ(NativePath("C:\\\\x\\\\y"), s.dir + "/x/y");
    EXPECT_EQ(NativePath("D:\\etc\\hosts"), "/etc/hosts");
    EXPECT_EQ(NativePath("D:\\"), "/");
    EXPECT_EQ(NativePath("sub\\name.kvd"), "sub/name.kvd");
    EXPECT_EQ(ErrorNumberOf([] { NativePath("Q:\\x"); }), ErrDeviceUnavailable);
    EXPECT_EQ(ErrorNumberOf([] { NativePath("\\\\KV_REP.txt"); }), ErrPathNotFound);

    // A leading "/" is native; a leading "\" is the root of the drive that
    // holds the working folder, else C:.
    const fs::path before = fs::current_path();
    fs::create_directory(s.dir + "/sub");
    std::vector<DriveInfo> others{s.drives[0], s.drives[1]};
    others[1].root = "/proc";
    SetDrivesForTest(&others);
    const struct { std::string cwd, program, native; } cases[] = {
        {s.dir + "/sub", "\\x\\y.txt", s.dir + "/x/y.txt"},
        {s.dir + "/sub", "\\", s.dir},
        {"/proc/self", "\\x", "/proc/x"},
        {"/", "\\x", s.dir + "/x"},
        {"/", "/usr/share\\x", "/usr/share/x"},
        {s.dir, "/tmp/x", "/tmp/x"},
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
    EXPECT_EQ(ProgramPath(s.dir), "C:\\");
    EXPECT_EQ(ProgramPath(s.dir + "/"), "C:\\");
    EXPECT_EQ(ProgramPath(s.dir + "/sub/dir"), "C:\\sub\\dir");
    // The longest root wins, and roots match whole components only.
    EXPECT_EQ(ProgramPath("/etc/hosts"), "D:\\etc\\hosts");
    std::string sibling = "D:" + s.dir + "x\\y";
    std::replace(sibling.begin(), sibling.end(), '/', '\\');
    EXPECT_EQ(ProgramPath(s.dir + "x/y"), sibling);
    EXPECT_EQ(ProgramPath("relative/name"), "relative/name");
    for (const std::string& p : {s.dir + "/a b/c.txt", std::string("/usr/lib")})
        EXPECT_EQ(NativePath(ProgramPath(p)), p);

    std::vector<DriveInfo> onlyC{s.drives[0]};
    SetDrivesForTest(&onlyC);
    EXPECT_EQ(ProgramPath("/etc/hosts"), "/etc/hosts");
}

TEST(WholeFiles, BytesSurviveExactlyAndErrorsAreNumbered)
{
    Sandbox s;
    const std::string text = "一行目\r\n二行目 ｶﾅ\r\n" + std::string(1, '\0') + "end";
    WriteWholeFile("C:\\t.txt", text);
    EXPECT_EQ(ReadWholeFile("C:\\t.txt"), text);
    AppendToFile("C:\\t.txt", "追記\r\n");
    EXPECT_EQ(ReadWholeFile(s.Native("t.txt")), text + "追記\r\n");
    WriteWholeFile("C:\\t.txt", "short");   // truncates the longer old contents
    EXPECT_EQ(ReadWholeFile("C:\\t.txt"), "short");
    AppendToFile("C:\\new.txt", "a");
    EXPECT_EQ(ReadWholeFile("C:\\new.txt"), "a");

    DeleteFile("C:\\t.txt");
    EXPECT_FALSE(FindsNormalFile("C:\\t.txt"));
    EXPECT_EQ(ErrorNumberOf([] { ReadWholeFile("C:\\t.txt"); }), ErrFileNotFound);
    EXPECT_EQ(ErrorNumberOf([] { DeleteFile("C:\\t.txt"); }), ErrFileNotFound);
    EXPECT_EQ(ErrorNumberOf([] { ReadWholeFile("C:\\nodir\\x"); }), ErrPathNotFound);
    EXPECT_EQ(ErrorNumberOf([] { WriteWholeFile("C:\\nodir\\x", "a"); }), ErrPathNotFound);
    EXPECT_EQ(ErrorNumberOf([] { WriteWholeFile("C:\\new.txt\\x", "a"); }), ErrPathNotFound);
    EXPECT_EQ(ErrorNumberOf([] { ReadWholeFile("C:\\"); }), ErrPathFileAccess);
}

TEST(ReplaceFile, ReplacesKeepingTheModeOrCreatesWithTheUsualOne)
{
    Sandbox s;
    s.Make("r.ini", "old contents, longer");
    chmod(s.Native("r.ini").c_str(), 0600);
    const bool root = geteuid() == 0;
    if (root) { ASSERT_EQ(chown(s.Native("r.ini").c_str(), 65534, 65534), 0); }
    const mode_t mask = umask(002);
    ReplaceFileAtomically("C:\\r.ini", "new\r\n");
    ReplaceFileAtomically("C:\\fresh.ini", "");
    umask(mask);
    EXPECT_EQ(ReadWholeFile("C:\\r.ini"), "new\r\n");
    EXPECT_EQ(ReadWholeFile("C:\\fresh.ini"), "");
    EXPECT_EQ(s.Listing(), (std::vector<std::string>{"fresh.ini", "r.ini"}));

    struct stat st;
    ASSERT_EQ(stat(s.Native("r.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
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
        {FaultAt::Write, ENOSPC, ErrDiskFull},
        {FaultAt::Fsync, EIO, ErrDeviceIo},
        {FaultAt::Close, EDQUOT, ErrDiskFull},
        {FaultAt::Rename, EXDEV, ErrRenameAcrossDisks},
    };
    for (const auto& f : faults) {
        InjectFaultForTest(f.where, f.err);
        EXPECT_EQ(ErrorNumberOf([] { ReplaceFileAtomically("C:\\r.ini", "new"); }), f.number);
        EXPECT_EQ(ReadWholeFile("C:\\r.ini"), "keep me");
        EXPECT_EQ(s.Listing(), std::vector<std::string>{"r.ini"});
    }
    EXPECT_EQ(LowestFreeFd(), fds);

    // A parent that is a file stops even root, whom permission bits would not.
    EXPECT_EQ(ErrorNumberOf([] { ReplaceFileAtomically("C:\\r.ini\\x", "a"); }), ErrPathNotFound);
    if (geteuid() != 0) {
        chmod(s.dir.c_str(), 0555);
        EXPECT_EQ(ErrorNumberOf([] { ReplaceFileAtomically("C:\\r.ini", "new"); }), ErrPermissionDenied);
        EXPECT_EQ(ReadWholeFile("C:\\r.ini"), "keep me");
    }
}

TEST(FindsNormalFile, OnlyVisibleRegularFilesMatch)
{
    Sandbox s;
    for (const char* name : {"data.kvd", ".hidden", "ro.txt"})
        s.Make(name);
    chmod(s.Native("ro.txt").c_str(), 0444);
    fs::create_directory(s.Native("folder"));
    s.Make("folder/inner.txt");
    ASSERT_EQ(mkfifo(s.Native("pipe").c_str(), 0644), 0);
    fs::create_symlink(s.Native("folder"), s.Native("tofolder"));
    fs::create_symlink(s.Native("data.kvd"), s.Native("tofile"));

    for (const char* yes : {"C:\\data.kvd", "C:\\ro.txt", "C:\\tofile", "C:\\folder\\inner.txt"})
        EXPECT_TRUE(FindsNormalFile(yes)) << yes;
    EXPECT_TRUE(FindsNormalFile(s.Native("data.kvd")));
    for (const char* no : {"C:\\.hidden", "C:\\folder", "C:\\pipe", "C:\\tofolder", "C:\\missing",
                           "C:\\nodir\\data.kvd", "C:\\data.kvd\\x", "C:\\folder\\", "C:\\", "",
                           "Q:\\data.kvd"})
        EXPECT_FALSE(FindsNormalFile(no)) << no;

    EXPECT_TRUE(IsFolder("C:\\folder"));
    EXPECT_TRUE(IsFolder("D:\\tmp"));
    for (const char* no : {"C:\\data.kvd", "C:\\missing", "Q:\\", ""})
        EXPECT_FALSE(IsFolder(no)) << no;
}

TEST(FindsNormalFile, Wildcards)
{
    Sandbox s;
    for (const char* name : {"abc.txt", "run.kvd", "NOEXT", "x[1].log", ".dot.kvd"})
        s.Make(name);
    for (const char* name : {"dir.tmp", "empty", "links"})
        fs::create_directory(s.Native(name));
    fs::create_symlink(s.Native("empty"), s.Native("links/a.lnk"));

    // "name.*" also finds a bare name, as the classic search did.
    for (const char* yes : {"C:\\*.kvd", "C:\\a?c.txt", "C:\\x[1].*", "C:\\NOEXT.*", "C:\\*.*"})
        EXPECT_TRUE(FindsNormalFile(yes)) << yes;
    for (const char* no : {"C:\\a?.txt", "C:\\*.tmp", "C:\\*.dot*", "C:\\empty\\*", "C:\\links\\*",
                           "C:\\nodir\\*"})
        EXPECT_FALSE(FindsNormalFile(no)) << no;
}

TEST(AppendBlock, AppendsExactlyAndClosesOnEveryWayOut)
{
    Sandbox s;
    const std::string path = s.Native("scratch.tmp");
    const std::string block(4096, '\x5a');
    const int fds = LowestFreeFd();
    AppendBlock(path.c_str(), block.data(), block.size());
    AppendBlock(path.c_str(), "\r\n", 2);
    AppendBlock(path.c_str(), "", 0);
    EXPECT_EQ(ReadWholeFile(path), block + "\r\n");

    InjectFaultForTest(FaultAt::Write, ENOSPC);
    EXPECT_EQ(ErrorNumberOf([&] { AppendBlock(path.c_str(), "z", 1); }), ErrDiskFull);
    InjectFaultForTest(FaultAt::Close, EIO);
    EXPECT_EQ(ErrorNumberOf([&] { AppendBlock(path.c_str(), "z", 1); }), ErrDeviceIo);
    const std::string lost = s.Native("nodir/f");
    EXPECT_EQ(ErrorNumberOf([&] { AppendBlock(lost.c_str(), "z", 1); }), ErrPathNotFound);
    EXPECT_EQ(LowestFreeFd(), fds);

    // A symbolic link at the name is refused and its target left alone.
    s.Make("target", "original");
    fs::create_symlink(s.Native("target"), s.Native("link"));
    const std::string link = s.Native("link");
    EXPECT_EQ(ErrorNumberOf([&] { AppendBlock(link.c_str(), "evil", 4); }), ErrPathFileAccess);
    EXPECT_EQ(ReadWholeFile("C:\\target"), "original");
}
