#include "platform/drives.h"

#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace kv {
namespace {

struct Mount {
    unsigned major = 0;
    unsigned minor = 0;
    std::string mountPoint;
    std::string fsType;
    std::string source;
};

// Is `path` the folder `folder` or inside it? Compared by whole components,
// so /home/ab is not inside /home/a.
bool IsUnder(std::string_view path, std::string_view folder)
{
    if (folder == "/")
        return !path.empty() && path.front() == '/';
    if (folder.empty() || !path.starts_with(folder))
        return false;
    return path.size() == folder.size() || path[folder.size()] == '/';
}

std::string_view TrimTrailingSlashes(std::string_view p)
{
    while (p.size() > 1 && p.back() == '/')
        p.remove_suffix(1);
    return p;
}

std::string CollapseSlashes(std::string_view p)
{
    std::string out;
    out.reserve(p.size());
    for (char ch : p)
        if (ch != '/' || out.empty() || out.back() != '/')
            out += ch;
    return out;
}

std::string_view LastComponent(std::string_view p)
{
    p = TrimTrailingSlashes(p);
    const std::size_t slash = p.rfind('/');
    return slash == std::string_view::npos ? p : p.substr(slash + 1);
}

// The folder with its symbolic links resolved, or as written when it cannot be.
std::string ResolvedFolder(const std::string& folder)
{
    std::string out = folder;
    if (char* real = ::realpath(folder.c_str(), nullptr)) {
        out = real;
        std::free(real);
    }
    return out;
}

// Mount points and sources escape blank, tab, newline and backslash as \ooo.
std::string Unescape(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool ParseDevice(std::string_view text, unsigned& major, unsigned& minor)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return false;
    const char* end = text.data() + text.size();
    auto r1 = std::from_chars(text.data(), text.data() + colon, major);
    auto r2 = std::from_chars(text.data() + colon + 1, end, minor);
    return r1.ec == std::errc() && r1.ptr == text.data() + colon && r2.ec == std::errc()
        && r2.ptr == end;
}

// One line: id parent major:minor root mount-point options [optional...] - type source super-options
bool ParseLine(std::string_view line, Mount& m)
{
    std::vector<std::string_view> f;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t blank = std::min(line.find(' ', pos), line.size());
        if (blank > pos)
            f.push_back(line.substr(pos, blank - pos));
        pos = blank + 1;
    }
    if (f.size() < 6 || !ParseDevice(f[2], m.major, m.minor))
        return false;
    std::size_t dash = 6;
    while (dash < f.size() && f[dash] != "-")
        ++dash;
    if (dash + 1 >= f.size())
        return false;
    m.mountPoint = Unescape(f[4]);
    m.fsType = Unescape(f[dash + 1]);
    m.source = dash + 2 < f.size() ? Unescape(f[dash + 2]) : std::string();
    return !m.mountPoint.empty() && m.mountPoint.front() == '/';
}

std::vector<Mount> ParseMountInfo(std::string_view text)
{
    std::vector<Mount> mounts;
    while (!text.empty()) {
        const std::size_t nl = std::min(text.find('\n'), text.size());
        Mount m;
        if (ParseLine(text.substr(0, nl), m))
            mounts.push_back(std::move(m));
        text.remove_prefix(std::min(nl + 1, text.size()));
    }
    return mounts;
}

enum class Storage { None, Disk, Remote, CdRom, Ram };

bool OneOf(std::string_view s, std::initializer_list<std::string_view> list)
{
    return std::find(list.begin(), list.end(), s) != list.end();
}

Storage StorageOf(const Mount& m)
{
    const std::string_view t = m.fsType;
    if (OneOf(t, {"ext2", "ext3", "ext4", "xfs", "btrfs", "bcachefs", "f2fs", "jfs", "reiserfs",
                  "nilfs2", "vfat", "msdos", "exfat", "ntfs", "ntfs3", "fuseblk", "hfs", "hfsplus",
                  "zfs", "ufs", "overlay", "fuse.mergerfs", "fuse.encfs", "fuse.gocryptfs"}))
        return Storage::Disk;
    if (OneOf(t, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "virtiofs", "afs", "ceph",
                  "glusterfs", "fuse.sshfs", "fuse.ceph", "fuse.glusterfs", "fuse.rclone",
                  "fuse.s3fs"}))
        return Storage::Remote;
    if (OneOf(t, {"iso9660", "udf"}))
        return Storage::CdRom;
    if (OneOf(t, {"tmpfs", "ramfs"}))
        return Storage::Ram;
    // Read-only images (snaps, live systems) are packaging, not storage.
    if (OneOf(t, {"squashfs", "erofs", "cramfs"}))
        return Storage::None;
    // Some other filesystem on a block device still holds real data; the
    // kernel's many pseudo filesystems never name a device as their source.
    if (m.source.starts_with("/dev/") && t.find('.') == std::string_view::npos)
        return Storage::Disk;
    return Storage::None;
}

// Places no user keeps files: the kernel's own trees, container runtimes'
// single-file binds under /etc, and the system's tmpfs mounts under /run
// (runtime state; /run/media is where removable media appear).
bool IsSystemPlace(const Mount& m, Storage s)
{
    const std::string_view mp = m.mountPoint;
    if (IsUnder(mp, "/proc") || IsUnder(mp, "/sys") || IsUnder(mp, "/dev") || IsUnder(mp, "/etc"))
        return true;
    return s == Storage::Ram && IsUnder(mp, "/run") && !IsUnder(mp, "/run/media");
}

DriveKind KindOf(const Mount& m, Storage s)
{
    switch (s) {
    case Storage::Remote: return DriveKind::Remote;
    case Storage::CdRom: return DriveKind::CdRom;
    case Storage::Ram: return DriveKind::Ram;
    default:
        return IsUnder(m.mountPoint, "/media") || IsUnder(m.mountPoint, "/run/media")
            ? DriveKind::Removable
            : DriveKind::Fixed;
    }
}

std::string SourceLabel(const Mount& m)
{
    std::string_view name = LastComponent(m.source);
    if (name.empty() || m.source == "none")
        name = m.fsType;
    return std::string(name);
}

std::string DriveLabel(const Mount& m, DriveKind kind)
{
    if (kind == DriveKind::Remote)
        return m.source;
    if (m.mountPoint == "/")
        return SourceLabel(m);
    return std::string(LastComponent(m.mountPoint));
}

DriveInfo MakeDrive(const Mount& m, DriveKind kind)
{
    DriveInfo d;
    d.root = m.mountPoint;
    d.mountPoint = m.mountPoint;
    d.fsType = m.fsType;
    d.source = m.source;
    d.kind = kind;
    d.device = makedev(m.major, m.minor);
    d.label = DriveLabel(m, kind);
    return d;
}

std::string ReadMountInfo()
{
    std::string text;
    int fd;
    do fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return text;
    char buf[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buf, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

std::atomic<const std::vector<DriveInfo>*> g_testDrives{nullptr};

// The letters this run has given, asked for from any thread.
std::mutex g_lettersLock;
DriveLetters g_letters;

std::vector<DriveInfo> MachineDrives()
{
    static const std::string home = HomeFolder();
    const std::string mountinfo = ReadMountInfo();
    const std::lock_guard<std::mutex> lock(g_lettersLock);
    return BuildDriveTable(mountinfo, home, g_letters);
}

// Of mounts on one place only the last, mounted on top of the others, is seen.
bool Covered(const std::vector<Mount>& mounts, std::size_t i)
{
    for (std::size_t j = i + 1; j < mounts.size(); ++j)
        if (mounts[j].mountPoint == mounts[i].mountPoint) return true;
    return false;
}

// The letter the mount point was given, else the first letter not given yet
// (which it is given now); 0 when every letter is taken.
char LetterFor(const std::string& mountPoint, DriveLetters& letters)
{
    for (char l = 'D'; l <= 'Z'; ++l)
        if (letters[l - 'A'] == mountPoint) return l;
    for (char l = 'D'; l <= 'Z'; ++l)
        if (letters[l - 'A'].empty()) {
            letters[l - 'A'] = mountPoint;
            return l;
        }
    return 0;
}

} // namespace

std::vector<DriveInfo> BuildDriveTable(std::string_view mountinfo, std::string_view home)
{
    DriveLetters letters;
    return BuildDriveTable(mountinfo, home, letters);
}

std::vector<DriveInfo> BuildDriveTable(std::string_view mountinfo, std::string_view homeText, DriveLetters& letters)
{
    const std::vector<Mount> mounts = ParseMountInfo(mountinfo);
    // A home folder reached through a link lives on the filesystem the link
    // leads to, and the system spells paths in it (the working folder) that way.
    std::string home(TrimTrailingSlashes(CollapseSlashes(ResolvedFolder(std::string(homeText)))));
    if (home.empty() || home.front() != '/')
        home.assign(1, '/');

    // Home's filesystem is the mount with the longest mount point above it;
    // of two on the same point the later one, which is mounted on top.
    const Mount* homeMount = nullptr;
    for (const Mount& m : mounts)
        if (IsUnder(home, m.mountPoint)
            && (!homeMount || m.mountPoint.size() >= homeMount->mountPoint.size()))
            homeMount = &m;

    // C: lasts while home's folder is on the mount it was first found on;
    // with that unmounted (or another mounted over the folder) the folder
    // belongs to another filesystem, and C: is gone.
    std::string& cPlace = letters['C' - 'A'];
    if (cPlace.empty() && homeMount)
        cPlace = homeMount->mountPoint;
    const bool hasC = !homeMount || homeMount->mountPoint == cPlace;

    std::vector<DriveInfo> drives;
    if (hasC) {
        DriveInfo c;
        if (homeMount) {
            const Storage s = StorageOf(*homeMount);
            c = MakeDrive(*homeMount, s == Storage::None ? DriveKind::Fixed : KindOf(*homeMount, s));
        } else {
            c.mountPoint = "/";
        }
        c.letter = 'C';
        c.root = home;
        c.label = home == "/" && homeMount ? SourceLabel(*homeMount) : std::string(LastComponent(home));
        drives.push_back(c);
    }

    // One drive per filesystem: bind mounts share major:minor, and the
    // shortest mount point (the first of equal ones) stands for them.
    std::vector<const Mount*> kept;
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        const Mount& m = mounts[i];
        const Storage s = StorageOf(m);
        if (s == Storage::None || IsSystemPlace(m, s) || Covered(mounts, i) || m.mountPoint == cPlace)
            continue;
        if (hasC && homeMount && m.major == homeMount->major && m.minor == homeMount->minor)
            continue;
        auto same = std::find_if(kept.begin(), kept.end(), [&](const Mount* k) {
            return k->major == m.major && k->minor == m.minor;
        });
        if (same == kept.end())
            kept.push_back(&m);
        else if (m.mountPoint.size() < (*same)->mountPoint.size())
            *same = &m;
    }
    std::sort(kept.begin(), kept.end(),
              [](const Mount* a, const Mount* b) { return a->mountPoint < b->mountPoint; });

    for (const Mount* m : kept) {
        DriveInfo d = MakeDrive(*m, KindOf(*m, StorageOf(*m)));
        d.letter = LetterFor(m->mountPoint, letters);
        if (d.letter)
            drives.push_back(std::move(d));
    }
    std::sort(drives.begin(), drives.end(), [](const DriveInfo& a, const DriveInfo& b) { return a.letter < b.letter; });
    return drives;
}

std::vector<DriveInfo> Drives()
{
    if (const std::vector<DriveInfo>* t = g_testDrives.load(std::memory_order_acquire))
        return *t;
    return MachineDrives();
}

void SetDrivesForTest(const std::vector<DriveInfo>* drives)
{
    g_testDrives.store(drives, std::memory_order_release);
}

std::string DriveListEntry(const DriveInfo& d)
{
    const char lower = d.letter >= 'A' && d.letter <= 'Z' ? static_cast<char>(d.letter - 'A' + 'a')
                                                          : d.letter;
    std::string s(1, lower);
    s += ": [";
    s += d.label;
    s += ']';
    return s;
}

char DriveLetterOf(std::string_view nativePath, const std::vector<DriveInfo>& drives,
                   std::size_t* rootLength)
{
    std::string collapsed;
    if (nativePath.find("//") != std::string_view::npos) {
        collapsed = CollapseSlashes(nativePath);
        nativePath = collapsed;
    }
    char best = 0;
    std::size_t bestLength = 0;
    for (const DriveInfo& d : drives) {
        const std::string resolved = ResolvedFolder(d.root);
        for (const std::string* spelling : {&d.root, &resolved}) {
            const std::string_view root = TrimTrailingSlashes(*spelling);
            if (IsUnder(nativePath, root) && (best == 0 || root.size() > bestLength)) {
                best = d.letter;
                bestLength = root.size();
            }
        }
    }
    if (rootLength)
        *rootLength = bestLength;
    return best;
}

char CurrentDriveLetter(const std::vector<DriveInfo>& drives)
{
    const char letter = DriveLetterOf(WorkingFolder(), drives);
    return letter ? letter : 'C';
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<std::size_t>(size) : 16384);
    for (;;) {
        passwd pw{};
        passwd* found = nullptr;
        const int e = getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found);
        if (e == ERANGE && buf.size() < (1u << 20)) {
            buf.resize(buf.size() * 2);
            continue;
        }
        if (e == 0 && found && found->pw_dir && *found->pw_dir)
            return found->pw_dir;
        return "/";
    }
}

} // namespace kv
