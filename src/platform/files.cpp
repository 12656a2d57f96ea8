#include "platform/files.h"

#include "platform/drives.h"
#include "platform/errors.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <system_error>
#include <unistd.h>

namespace kv {
namespace {

// ---------------------------------------------------------------------------
// System calls. Everything this file asks of the kernel goes through these
// few wrappers, so EINTR, O_CLOEXEC and the injected test faults are handled
// in one place. They return -1 / an errno value rather than throwing, so the
// hot path (AppendBlock) never builds a string unless something failed.

std::atomic<int> g_faults[5];

// New files: read and write for all, as far as the umask allows.
constexpr mode_t NewFileMode = 0666;

// The errno a test asked the next call at `where` to fail with, or 0.
int TakeFault(FaultAt where)
{
    std::atomic<int>& slot = g_faults[static_cast<int>(where)];
    if (slot.load(std::memory_order_relaxed) == 0) [[likely]]
        return 0;
    return slot.exchange(0);
}

// Runs a call that returns 0 or -1 until no signal interrupts it; the
// result is 0 or the errno value. Async-signal-safe.
template <class Call>
int Retried(Call call)
{
    int rc;
    do rc = call();
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

int SysOpen(const char* path, int flags, mode_t mode = 0)
{
    int fd;
    do fd = ::open(path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Writes all n bytes, looping over short writes. Returns 0 or an errno value.
int SysWriteAll(int fd, const char* data, std::size_t n)
{
    while (n > 0) {
        if (const int e = TakeFault(FaultAt::Write)) [[unlikely]]
            return e;
        const ssize_t got = ::write(fd, data, n);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)   // no progress and no error: the disk is full
            return ENOSPC;
        data += got;
        n -= static_cast<std::size_t>(got);
    }
    return 0;
}

// Appends all n bytes in a single write. With O_APPEND the kernel places
// them at the end in one piece, so a record never interleaves with another
// writer's. A short write is a failure (it is never continued: that would
// split the record), and the part that went out is cut off again unless
// something was appended after it meanwhile.
int SysAppendOnce(int fd, const char* data, std::size_t n)
{
    if (const int e = TakeFault(FaultAt::Write)) [[unlikely]]
        return e;
    if (n == 0)
        return 0;
    ssize_t got;
    do got = ::write(fd, data, n);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return errno;
    if (static_cast<std::size_t>(got) == n)
        return 0;
    const off_t end = ::lseek(fd, 0, SEEK_CUR);
    struct stat st;
    if (end >= got && ::fstat(fd, &st) == 0 && st.st_size == end) {
        // Best effort: should the cut fail, the failure is reported all the same.
        [[maybe_unused]] const int cut = ::ftruncate(fd, end - got);
    }
    return ENOSPC;   // the usual reason for a short write
}

int SysFsync(int fd)
{
    if (const int e = TakeFault(FaultAt::Fsync)) [[unlikely]]
        return e;
    return Retried([=] { return ::fsync(fd); });
}

// Linux frees the descriptor even when close() reports EINTR, so it is never
// retried (that could close a descriptor another thread just opened). Other
// errors matter: NFS reports a failed write-back only here.
int SysClose(int fd)
{
    const int injected = TakeFault(FaultAt::Close);
    if (::close(fd) != 0 && errno != EINTR)
        return errno;
    return injected;
}

int SysRename(const char* from, const char* to)
{
    if (const int e = TakeFault(FaultAt::Rename)) [[unlikely]]
        return e;
    return ::rename(from, to) == 0 ? 0 : errno;
}

int SysUnlink(const char* path) { return Retried([=] { return ::unlink(path); }); }
int SysFchmod(int fd, mode_t mode) { return Retried([=] { return ::fchmod(fd, mode); }); }
int SysFchown(int fd, uid_t uid, gid_t gid) { return Retried([=] { return ::fchown(fd, uid, gid); }); }
int SysStat(const char* path, struct stat* st) { return Retried([=] { return ::stat(path, st); }); }
int SysLstat(const char* path, struct stat* st) { return Retried([=] { return ::lstat(path, st); }); }
int SysFstat(int fd, struct stat* st) { return Retried([=] { return ::fstat(fd, st); }); }
int SysStatvfs(const char* path, struct statvfs* st) { return Retried([=] { return ::statvfs(path, st); }); }

// Owns one descriptor; the destructor closes it on every way out.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void Reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now and reports close's own error (0 when fine).
    int Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return SysClose(fd);
    }
private:
    int fd_;
};

// ---------------------------------------------------------------------------
// Errors.

std::string_view ParentOf(std::string_view native)
{
    const std::size_t slash = native.rfind('/');
    if (slash == std::string_view::npos)
        return ".";
    return slash == 0 ? std::string_view("/") : native.substr(0, slash);
}

bool IsFolderNative(const char* native)
{
    struct stat st;
    return SysStat(native, &st) == 0 && S_ISDIR(st.st_mode);
}

// ENOENT is "file not found" when the folder is there and "path not found"
// when it is not, as users of the classic run-time expect. Only failures pay
// for the extra stat.
[[noreturn, gnu::cold]] void RaiseForPath(int e, const char* operation, std::string_view native)
{
    int number = ErrNumberFromErrno(e);
    if (native.empty())
        number = ErrBadFileName;
    else if (e == ENOENT && !IsFolderNative(std::string(ParentOf(native)).c_str()))
        number = ErrPathNotFound;
    std::string what(operation);
    what += " \"";
    what += native;
    what += "\": ";
    what += std::system_category().message(e);
    throw RuntimeError(number, what);
}

// ---------------------------------------------------------------------------
// Paths.

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// "a//b" and "a/b" name the same file; collapsing keeps joins and root
// prefixes comparable. Program paths also turn "\" into "/"; native ones
// keep it, as it is an ordinary character in a native name.
void AppendCollapsed(std::string& out, std::string_view part, bool fromProgram)
{
    for (char ch : part) {
        if (fromProgram && ch == '\\')
            ch = '/';
        if (ch != '/' || out.empty() || out.back() != '/')
            out += ch;
    }
}

std::string_view WithoutTrailingSlashes(std::string_view p)
{
    while (p.size() > 1 && p.back() == '/')
        p.remove_suffix(1);
    return p;
}

const DriveInfo* FindDrive(const std::vector<DriveInfo>& drives, char letter)
{
    for (const DriveInfo& d : drives)
        if (UpperAscii(d.letter) == letter)
            return &d;
    return nullptr;
}

// The current drive: the one that holds the working folder, else C:.
const DriveInfo* CurrentDrive(const std::vector<DriveInfo>& drives)
{
    if (const char letter = DriveLetterOf(WorkingFolder(), drives))
        return FindDrive(drives, UpperAscii(letter));
    return FindDrive(drives, 'C');
}

bool HasWildcards(std::string_view name)
{
    return name.find_first_of("*?") != std::string_view::npos;
}

// Program patterns know only "*" and "?"; a "[" in a file name is literal.
std::string FnmatchPattern(std::string_view name)
{
    std::string pattern;
    pattern.reserve(name.size() + 4);
    for (char ch : name) {
        if (ch == '[')
            pattern += '\\';
        pattern += ch;
    }
    return pattern;
}

bool NameMatches(const std::string& pattern, const char* name)
{
    if (fnmatch(pattern.c_str(), name, 0) == 0)
        return true;
    // As in the classic search, "name.*" also finds "name" with no extension
    // and "*.*" finds every file.
    if (pattern.ends_with(".*"))
        return fnmatch(pattern.substr(0, pattern.size() - 2).c_str(), name, 0) == 0;
    return false;
}

// Is the entry a folder (else: a regular file)? A link counts by what it
// points to.
bool EntryIsA(int dirFd, const dirent* entry, bool folder)
{
    if (entry->d_type == (folder ? DT_DIR : DT_REG))
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    struct stat st;
    return ::fstatat(dirFd, entry->d_name, &st, 0) == 0 && (folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode));
}

// Calls visit(folder descriptor, entry) for each entry of the native folder,
// dot-names included, until it returns false. The result is 0 or the errno
// value of opening or reading the folder.
template <class Visit>
int ReadFolder(const std::string& native, Visit visit)
{
    const int fd = SysOpen(native.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return errno;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int e = errno;
        ::close(fd);
        return e;
    }
    struct DirCloser {
        DIR* d;
        ~DirCloser() { ::closedir(d); }
    } closer{dir};
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            return errno;
        if (!visit(fd, entry))
            return 0;
    }
}

bool FolderHasMatch(const std::string& folder, std::string_view name)
{
    const std::string pattern = FnmatchPattern(name);
    bool found = false;
    ReadFolder(folder, [&](int fd, const dirent* entry) {
        found = entry->d_name[0] != '.' && NameMatches(pattern, entry->d_name) && EntryIsA(fd, entry, false);
        return !found;
    });
    return found;
}

std::string TempNameFor(std::string_view native, unsigned attempt)
{
    static std::atomic<unsigned> counter{0};
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    unsigned long long mix = static_cast<unsigned long long>(ts.tv_nsec)
        ^ (static_cast<unsigned long long>(::getpid()) << 32)
        ^ (static_cast<unsigned long long>(counter.fetch_add(1) + attempt) * 0x9E3779B97F4A7C15ull);

    const std::size_t slash = native.rfind('/');
    const std::size_t nameAt = slash == std::string_view::npos ? 0 : slash + 1;
    std::string temp(native.substr(0, nameAt));
    // A dot-name: a half-written temporary is never found by a search. The
    // name is cut so the temporary stays within the 255-byte name limit.
    temp += '.';
    temp += native.substr(nameAt, 200);
    temp += '.';
    for (int i = 0; i < 12; ++i, mix >>= 5)
        temp += "0123456789abcdefghijklmnopqrstuv"[mix & 31];
    temp += ".tmp";
    return temp;
}

} // namespace

void InjectFaultForTest(FaultAt where, int e)
{
    g_faults[static_cast<int>(where)].store(e);
}

std::string NativePath(std::string_view programPath)
{
    std::string native;
    std::string_view rest = programPath;
    // Read only for paths that need it: the table is read afresh each time.
    std::vector<DriveInfo> drives;
    const DriveInfo* drive = nullptr;
    if (rest.size() >= 2 && rest[1] == ':' && IsAsciiLetter(rest[0])) {
        const char letter = UpperAscii(rest[0]);
        drives = Drives();
        drive = FindDrive(drives, letter);
        if (!drive) {
            throw RuntimeError(ErrDeviceUnavailable,
                               std::string("no drive ") + letter + ": for \"" + std::string(programPath) + '"');
        }
        rest.remove_prefix(2);
    } else if (rest.starts_with("\\\\")) {
        // "\\server\share" names a network share; there are none here, and
        // it must never become a name at the filesystem's root.
        throw RuntimeError(ErrPathNotFound, "no network path \"" + std::string(programPath) + '"');
    } else if (rest.starts_with('\\')) {
        // "\name" is a name at the current drive's root, as on the system
        // these paths come from. A native path starts with "/" instead.
        drives = Drives();
        drive = CurrentDrive(drives);
        if (!drive)
            throw RuntimeError(ErrDeviceUnavailable, "no current drive for \"" + std::string(programPath) + '"');
    }
    if (drive) {
        native.reserve(drive->root.size() + rest.size() + 1);
        AppendCollapsed(native, drive->root, false);
        // "X:" and "X:\" both stand for the drive's root folder itself.
        if (rest.find_first_not_of("\\/") == std::string_view::npos) {
            native.resize(WithoutTrailingSlashes(native).size());
            return native;
        }
        if (native.empty() || native.back() != '/')
            native += '/';
    }
    AppendCollapsed(native, rest, true);
    return native;
}

std::string ProgramPath(std::string_view nativePath)
{
    if (nativePath.empty() || nativePath.front() != '/')
        return std::string(nativePath);
    std::string path;
    AppendCollapsed(path, nativePath, false);
    std::size_t rootLength = 0;
    const char letter = DriveLetterOf(path, Drives(), &rootLength);
    if (!letter)
        return std::string(nativePath);

    std::string_view rest = std::string_view(path).substr(rootLength);
    while (!rest.empty() && rest.front() == '/')
        rest.remove_prefix(1);
    std::string result{UpperAscii(letter), ':', '\\'};
    for (char ch : rest)
        result += ch == '/' ? '\\' : ch;
    return result;
}

namespace {

// Reads a regular file from its start: with `whole`, all of it or
// ErrOutOfMemory when it is longer than `maxBytes`; else its first
// `maxBytes` bytes.
std::string ReadRegularFile(std::string_view path, std::size_t maxBytes, bool whole)
{
    const std::string native = NativePath(path);
    // Without blocking: opening a FIFO for reading would wait for a writer.
    Fd fd(SysOpen(native.c_str(), O_RDONLY | O_NONBLOCK));
    if (!fd)
        RaiseForPath(errno, "open", native);
    struct stat st;
    if (const int e = SysFstat(fd.Get(), &st))
        RaiseForPath(e, "open", native);
    if (S_ISDIR(st.st_mode))
        RaiseForPath(EISDIR, "read", native);
    if (!S_ISREG(st.st_mode))
        throw RuntimeError(ErrPathFileAccess, "read \"" + native + "\": not a regular file");
    const auto tooLong = [&] {
        throw RuntimeError(ErrOutOfMemory, "read \"" + native + "\": longer than "
                                               + std::to_string(maxBytes) + " bytes");
    };
    if (whole && static_cast<std::uint64_t>(st.st_size) > maxBytes)
        tooLong();

    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(st.st_size, maxBytes)));
    char buf[65536];
    while (whole || bytes.size() < maxBytes) {
        if (const int e = TakeFault(FaultAt::Read)) [[unlikely]]
            RaiseForPath(e, "read", native);
        const std::size_t want = whole ? sizeof buf : std::min(sizeof buf, maxBytes - bytes.size());
        const ssize_t got = ::read(fd.Get(), buf, want);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            RaiseForPath(errno, "read", native);
        }
        if (got == 0)
            break;
        // A file that grows while it is read is held to the same limit.
        if (static_cast<std::size_t>(got) > maxBytes - bytes.size())
            tooLong();
        bytes.append(buf, static_cast<std::size_t>(got));
    }
    return bytes;
}

// The file a path finally names: a symbolic link at its end is followed,
// link by link, to a target that need not exist yet. Renaming onto the link
// itself would turn it into a plain file and leave its target stale.
std::string FollowLinks(std::string native)
{
    for (int hops = 0; hops < 40; ++hops) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(native.c_str(), target, sizeof target);
        if (n < 0)
            return native;   // not a link, or nothing there: the name itself
        if (static_cast<std::size_t>(n) == sizeof target)
            RaiseForPath(ENAMETOOLONG, "replace", native);
        std::string next(target, static_cast<std::size_t>(n));
        if (next.front() != '/') {
            const std::string_view folder = ParentOf(native);
            next.insert(0, folder == "/" ? std::string("/") : std::string(folder) + '/');
        }
        native = std::move(next);
    }
    RaiseForPath(ELOOP, "replace", native);
}

// Takes back a file this layer created, unless its name has come to hold
// another file meanwhile.
void RemoveCreated(const std::string& native, const struct stat& created)
{
    struct stat st;
    if (SysLstat(native.c_str(), &st) == 0 && st.st_dev == created.st_dev && st.st_ino == created.st_ino)
        SysUnlink(native.c_str());
}

// A temporary of ReplaceFileAtomically under way, where a signal handler
// can read it: the slot is free (0), being filled (1) or names one (2).
std::atomic<int> g_tempState{0};
char g_tempPath[PATH_MAX];

// Holds a temporary: removes it on every way out but Keep(), and shows it
// to RemoveFilesInFlight meanwhile.
class TempFile {
public:
    explicit TempFile(const std::string& name) : name_(name)
    {
        int free = 0;
        if (name.size() >= sizeof g_tempPath || !g_tempState.compare_exchange_strong(free, 1))
            return;   // a second replace at once is not shown; a rare case
        name.copy(g_tempPath, name.size());
        g_tempPath[name.size()] = '\0';
        g_tempState.store(2, std::memory_order_release);
        shown_ = true;
    }
    ~TempFile()
    {
        if (!kept_)
            SysUnlink(name_.c_str());
        // Only now: a signal before this removes it at worst once more.
        if (shown_)
            g_tempState.store(0, std::memory_order_release);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    void Keep() { kept_ = true; }
private:
    const std::string& name_;
    bool shown_ = false, kept_ = false;
};

} // namespace

std::string ReadWholeFile(std::string_view path, std::size_t maxBytes)
{
    return ReadRegularFile(path, maxBytes, true);
}

std::string ReadFileStart(std::string_view path, std::size_t maxBytes)
{
    return ReadRegularFile(path, maxBytes, false);
}

void WriteWholeFile(std::string_view path, std::string_view bytes)
{
    const std::string native = NativePath(path);
    Fd fd(SysOpen(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC, NewFileMode));
    if (!fd)
        RaiseForPath(errno, "open", native);
    int e = SysWriteAll(fd.Get(), bytes.data(), bytes.size());
    const int closeError = fd.Close();
    if (e == 0)
        e = closeError;
    if (e != 0)
        RaiseForPath(e, "write", native);
}

void AppendToFile(std::string_view path, std::string_view bytes)
{
    const std::string native = FollowLinks(NativePath(path));
    // Never blocking: opening a FIFO for writing would wait for a reader.
    const int flags = O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY;
    Fd fd;
    bool created = false;
    for (int attempt = 0; !fd && attempt < 3; ++attempt) {
        fd.Reset(SysOpen(native.c_str(), flags));
        if (fd || errno != ENOENT)
            break;
        // Created only where nothing stands, so a failure knows the file is its own.
        fd.Reset(SysOpen(native.c_str(), flags | O_CREAT | O_EXCL, NewFileMode));
        created = static_cast<bool>(fd);
        if (!fd && errno != EEXIST)
            break;
    }
    struct stat st;
    const int statError = fd ? SysFstat(fd.Get(), &st) : 0;
    // ENXIO: a FIFO nobody reads, or a socket.
    if ((!fd && errno == ENXIO) || (fd && statError == 0 && !S_ISREG(st.st_mode)))
        throw RuntimeError(ErrPathFileAccess, "append to \"" + native + "\": not a regular file");
    if (!fd)
        RaiseForPath(errno, "open", native);

    int e = statError ? statError : SysAppendOnce(fd.Get(), bytes.data(), bytes.size());
    const int closeError = fd.Close();
    if (e == 0)
        e = closeError;
    if (e != 0) {
        // A failed append leaves no file where there was none.
        if (created && statError == 0)
            RemoveCreated(native, st);
        RaiseForPath(e, "write", native);
    }
}

void ReplaceFileAtomically(std::string_view path, std::string_view bytes)
{
    const std::string native = FollowLinks(NativePath(path));
    if (native.empty())
        RaiseForPath(ENOENT, "replace", native);

    // The file it replaces lends its mode, owner and group. Until they are
    // set the temporary is the owner's alone; a new file gets the usual mode.
    struct stat old;
    const bool replacing = SysStat(native.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    Fd fd;
    std::string temp;
    for (unsigned attempt = 0;; ++attempt) {
        temp = TempNameFor(native, attempt);
        fd.Reset(SysOpen(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, replacing ? 0600 : NewFileMode));
        if (fd)
            break;
        if (errno != EEXIST || attempt >= 100)
            RaiseForPath(errno, "create temporary for", native);
    }
    TempFile remover(temp);
    if (replacing) {
        // Best effort: only root may give a file away, and some filesystems
        // know no modes; the temporary then keeps its stricter 0600.
        SysFchown(fd.Get(), old.st_uid, old.st_gid);
        SysFchmod(fd.Get(), old.st_mode & 07777);
    }

    int e = SysWriteAll(fd.Get(), bytes.data(), bytes.size());
    if (e == 0)
        e = SysFsync(fd.Get());
    const int closeError = fd.Close();
    if (e == 0)
        e = closeError;
    if (e == 0)
        e = SysRename(temp.c_str(), native.c_str());
    if (e != 0)
        RaiseForPath(e, "write", native);
    remover.Keep();

    // Make the rename itself durable. Some filesystems refuse fsync on a
    // folder; the new file is in place by now either way.
    Fd folder(SysOpen(std::string(ParentOf(native)).c_str(), O_RDONLY | O_DIRECTORY));
    if (folder)
        ::fsync(folder.Get());
}

void DeleteFile(std::string_view path)
{
    const std::string native = NativePath(path);
    if (const int e = SysUnlink(native.c_str()))
        RaiseForPath(e, "delete", native);
}

bool FindsNormalFile(std::string_view path)
{
    try {
        if (path.empty())
            return false;
        const std::string native = NativePath(path);
        const std::size_t slash = native.rfind('/');
        const std::string_view name = slash == std::string::npos
            ? std::string_view(native)
            : std::string_view(native).substr(slash + 1);
        // Dot-files are hidden; an empty name (a path ending in a separator)
        // names a folder, never a file.
        if (name.empty() || name.front() == '.')
            return false;
        if (!HasWildcards(name)) {
            struct stat st;
            return SysStat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        }
        return FolderHasMatch(std::string(ParentOf(native)), name);
    } catch (...) {
        return false;
    }
}

void AppendBlock(const char* nativePath, const char* data, std::size_t n)
{
    Fd fd(SysOpen(nativePath, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK, 0644));
    if (!fd) [[unlikely]]
        RaiseForPath(errno, "open", nativePath);
    int e = SysWriteAll(fd.Get(), data, n);
    const int closeError = fd.Close();
    if (e == 0)
        e = closeError;
    if (e != 0) [[unlikely]]
        RaiseForPath(e, "write", nativePath);
}

// ---------------------------------------------------------------------------
// The scratch file.

namespace {

// The scratch file of the HDD test under way, for the signal handler.
std::atomic<const ScratchFile::State*> g_scratch{nullptr};

// Is `st` (what stands at the name now) the file the test began with? Only a
// regular file with no other name qualifies. Async-signal-safe.
bool IsOurs(const ScratchFile::State& s, const struct stat& st)
{
    return S_ISREG(st.st_mode) && st.st_nlink == 1 && static_cast<std::uint64_t>(st.st_dev) == s.dev
        && static_cast<std::uint64_t>(st.st_ino) == s.ino;
}

// Removes the file at the state's name when it is ours and, with
// `onlyTouched`, when this run created it or changed its size. True when
// removed. Async-signal-safe.
bool RemoveScratch(const ScratchFile::State& s, bool onlyTouched)
{
    struct stat st;
    if (SysLstat(s.path, &st) != 0 || !IsOurs(s, st))
        return false;
    if (onlyTouched && !s.created && st.st_size == s.size)
        return false;
    return SysUnlink(s.path) == 0;
}

} // namespace

ScratchFile::ScratchFile(std::string nativePath) : path_(std::move(nativePath))
{
    state_.path = path_.c_str();
}

ScratchFile::~ScratchFile()
{
    const State* mine = &state_;
    g_scratch.compare_exchange_strong(mine, nullptr);
}

bool ScratchFile::Begin()
{
    struct stat st;
    int e = SysLstat(Path(), &st);
    if (e == ENOENT) {
        Fd fd(SysOpen(Path(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK, 0644));
        if (!fd || SysFstat(fd.Get(), &st) != 0)
            return false;
        state_.created = true;
    } else if (e != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
        // A FIFO would block or swallow the blocks, a second name would grow
        // someone else's file: neither is a scratch file.
        return false;
    }
    state_.dev = static_cast<std::uint64_t>(st.st_dev);
    state_.ino = static_cast<std::uint64_t>(st.st_ino);
    state_.size = static_cast<std::int64_t>(st.st_size);
    begun_ = true;
    g_scratch.store(&state_, std::memory_order_release);
    return true;
}

std::int64_t ScratchFile::BlocksBeforeReserve(std::size_t blockBytes) const
{
    struct stat st;
    if (const int e = SysLstat(Path(), &st))
        RaiseForPath(e, "check", path_);
    if (!begun_ || !IsOurs(state_, st))
        throw RuntimeError(ErrPathFileAccess, "check \"" + path_ + "\": no longer the scratch file");

    struct statvfs vfs;
    if (const int e = SysStatvfs(std::string(ParentOf(path_)).c_str(), &vfs))
        RaiseForPath(e, "check free space for", path_);
    const std::uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    const std::uint64_t total = static_cast<std::uint64_t>(vfs.f_blocks) * unit;
    const std::uint64_t avail = static_cast<std::uint64_t>(vfs.f_bavail) * unit;
    // The file's growth costs whole filesystem blocks and some bookkeeping on
    // top of its bytes; a few blocks of slack keep the count on the safe side.
    const std::uint64_t reserve = std::min<std::uint64_t>(total / 20, 1ull << 30) + 16 * std::max<std::uint64_t>(unit, 4096);
    if (avail <= reserve)
        return 0;
    return static_cast<std::int64_t>((avail - reserve) / blockBytes);
}

bool ScratchFile::Remove() { return begun_ && RemoveScratch(state_, false); }

void ScratchFile::RemoveIfTouched()
{
    if (begun_)
        RemoveScratch(state_, true);
}

void RemoveFilesInFlight() noexcept
{
    if (const ScratchFile::State* s = g_scratch.load(std::memory_order_acquire))
        RemoveScratch(*s, true);
    if (g_tempState.load(std::memory_order_acquire) == 2)
        SysUnlink(g_tempPath);
}

std::string WorkingFolder()
{
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd)
        return {};
    std::string out(cwd);
    std::free(cwd);
    return out;
}

std::string CanonicalFolder(std::string_view path)
{
    const std::string native = NativePath(path);
    char* real = ::realpath(native.c_str(), nullptr);
    if (!real)
        RaiseForPath(errno, "resolve", native);
    const std::string resolved(real);
    std::free(real);
    if (!IsFolderNative(resolved.c_str()))
        RaiseForPath(ENOTDIR, "resolve", native);
    return ProgramPath(resolved);
}

std::vector<std::string> ListFolder(std::string_view path, FolderEntries kind)
{
    const std::string native = NativePath(path);
    std::vector<std::string> names;
    const int e = ReadFolder(native, [&](int fd, const dirent* entry) {
        const std::string_view name = entry->d_name;
        if (name.front() != '.' && name.find('\\') == std::string_view::npos
            && EntryIsA(fd, entry, kind == FolderEntries::Folders))
            names.emplace_back(name);
        return true;
    });
    if (e != 0)
        RaiseForPath(e, "list", native);
    return names;
}

bool PathExists(std::string_view path)
{
    try {
        struct stat st;
        return !path.empty() && SysStat(NativePath(path).c_str(), &st) == 0;
    } catch (...) {
        return false;
    }
}

bool IsFolder(std::string_view path)
{
    try {
        if (path.empty())
            return false;
        return IsFolderNative(NativePath(path).c_str());
    } catch (...) {
        return false;
    }
}

} // namespace kv
