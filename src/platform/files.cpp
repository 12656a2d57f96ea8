#include "platform/files.h"

#include "platform/drives.h"
#include "platform/errors.h"
#include "platform/sys_calls.h"

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
#include <unistd.h>

namespace kv {
namespace {

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
    const int fd = sys::Open(native.c_str(), O_RDONLY | O_DIRECTORY);
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
        drive = FindDrive(drives, CurrentDriveLetter(drives));
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
    sys::Fd fd(sys::Open(native.c_str(), O_RDONLY | O_NONBLOCK));
    if (!fd)
        sys::RaiseForPath(errno, "open", native);
    struct stat st;
    if (const int e = sys::Fstat(fd.Get(), &st))
        sys::RaiseForPath(e, "open", native);
    if (S_ISDIR(st.st_mode))
        sys::RaiseForPath(EISDIR, "read", native);
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
        if (const int e = sys::TakeFault(FaultAt::Read)) [[unlikely]]
            sys::RaiseForPath(e, "read", native);
        const std::size_t want = whole ? sizeof buf : std::min(sizeof buf, maxBytes - bytes.size());
        const ssize_t got = ::read(fd.Get(), buf, want);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            sys::RaiseForPath(errno, "read", native);
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
            sys::RaiseForPath(ENAMETOOLONG, "replace", native);
        std::string next(target, static_cast<std::size_t>(n));
        if (next.front() != '/') {
            const std::string_view folder = sys::ParentOf(native);
            next.insert(0, folder == "/" ? std::string("/") : std::string(folder) + '/');
        }
        native = std::move(next);
    }
    sys::RaiseForPath(ELOOP, "replace", native);
}

// Takes back a file this layer created, unless its name has come to hold
// another file meanwhile.
void RemoveCreated(const std::string& native, const struct stat& created)
{
    struct stat st;
    if (sys::Lstat(native.c_str(), &st) == 0 && st.st_dev == created.st_dev && st.st_ino == created.st_ino)
        sys::Unlink(native.c_str());
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
            sys::Unlink(name_.c_str());
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
    sys::Fd fd(sys::Open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC, sys::NewFileMode));
    if (!fd)
        sys::RaiseForPath(errno, "open", native);
    int e = sys::WriteAll(fd.Get(), bytes.data(), bytes.size());
    const int closeError = fd.Close();
    if (e == 0)
        e = closeError;
    if (e != 0)
        sys::RaiseForPath(e, "write", native);
}

void AppendToFile(std::string_view path, std::string_view bytes)
{
    const std::string native = FollowLinks(NativePath(path));
    // Never blocking: opening a FIFO for writing would wait for a reader.
    const int flags = O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY;
    sys::Fd fd;
    bool created = false;
    for (int attempt = 0; !fd && attempt < 3; ++attempt) {
        fd.Reset(sys::Open(native.c_str(), flags));
        if (fd || errno != ENOENT)
            break;
        // Created only where nothing stands, so a failure knows the file is its own.
        fd.Reset(sys::Open(native.c_str(), flags | O_CREAT | O_EXCL, sys::NewFileMode));
        created = static_cast<bool>(fd);
        if (!fd && errno != EEXIST)
            break;
    }
    struct stat st;
    const int statError = fd ? sys::Fstat(fd.Get(), &st) : 0;
    // ENXIO: a FIFO nobody reads, or a socket.
    if ((!fd && errno == ENXIO) || (fd && statError == 0 && !S_ISREG(st.st_mode)))
        throw RuntimeError(ErrPathFileAccess, "append to \"" + native + "\": not a regular file");
    if (!fd)
        sys::RaiseForPath(errno, "open", native);

    int e = statError ? statError : sys::AppendOnce(fd.Get(), bytes.data(), bytes.size());
    const int closeError = fd.Close();
    if (e == 0)
        e = closeError;
    if (e != 0) {
        // A failed append leaves no file where there was none.
        if (created && statError == 0)
            RemoveCreated(native, st);
        sys::RaiseForPath(e, "write", native);
    }
}

void ReplaceFileAtomically(std::string_view path, std::string_view bytes)
{
    const std::string native = FollowLinks(NativePath(path));
    if (native.empty())
        sys::RaiseForPath(ENOENT, "replace", native);

    // The file it replaces lends its mode, owner and group. Until they are
    // set the temporary is the owner's alone; a new file gets the usual mode.
    struct stat old;
    const bool replacing = sys::Stat(native.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    sys::Fd fd;
    std::string temp;
    for (unsigned attempt = 0;; ++attempt) {
        temp = TempNameFor(native, attempt);
        fd.Reset(sys::Open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, replacing ? 0600 : sys::NewFileMode));
        if (fd)
            break;
        if (errno != EEXIST || attempt >= 100)
            sys::RaiseForPath(errno, "create temporary for", native);
    }
    TempFile remover(temp);
    if (replacing) {
        // Best effort: only root may give a file away, and some filesystems
        // know no modes; the temporary then keeps its stricter 0600.
        sys::Fchown(fd.Get(), old.st_uid, old.st_gid);
        sys::Fchmod(fd.Get(), old.st_mode & 07777);
    }

    int e = sys::WriteAll(fd.Get(), bytes.data(), bytes.size());
    if (e == 0)
        e = sys::Fsync(fd.Get());
    const int closeError = fd.Close();
    if (e == 0)
        e = closeError;
    if (e == 0)
        e = sys::Rename(temp.c_str(), native.c_str());
    if (e != 0)
        sys::RaiseForPath(e, "write", native);
    remover.Keep();

    // Make the rename itself durable. Some filesystems refuse fsync on a
    // folder; the new file is in place by now either way.
    sys::Fd folder(sys::Open(std::string(sys::ParentOf(native)).c_str(), O_RDONLY | O_DIRECTORY));
    if (folder)
        ::fsync(folder.Get());
}

void DeleteFile(std::string_view path)
{
    const std::string native = NativePath(path);
    if (const int e = sys::Unlink(native.c_str()))
        sys::RaiseForPath(e, "delete", native);
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
            return sys::Stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        }
        return FolderHasMatch(std::string(sys::ParentOf(native)), name);
    } catch (...) {
        return false;
    }
}

void RemoveFilesInFlight() noexcept
{
    sys::RemoveScratchInFlight();
    if (g_tempState.load(std::memory_order_acquire) == 2)
        sys::Unlink(g_tempPath);
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
        sys::RaiseForPath(errno, "resolve", native);
    const std::string resolved(real);
    std::free(real);
    if (!sys::IsFolderNative(resolved.c_str()))
        sys::RaiseForPath(ENOTDIR, "resolve", native);
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
        sys::RaiseForPath(e, "list", native);
    return names;
}

bool PathExists(std::string_view path)
{
    try {
        struct stat st;
        return !path.empty() && sys::Stat(NativePath(path).c_str(), &st) == 0;
    } catch (...) {
        return false;
    }
}

bool IsFolder(std::string_view path)
{
    try {
        if (path.empty())
            return false;
        return sys::IsFolderNative(NativePath(path).c_str());
    } catch (...) {
        return false;
    }
}

} // namespace kv
