// The file layer's system calls: EINTR retried, O_CLOEXEC on every open, and
// the faults tests inject taken here.
#include "platform/sys_calls.h"

#include "platform/errors.h"

#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace kv {

void InjectFaultForTest(FaultAt where, int e)
{
    sys::g_faults[static_cast<int>(where)].store(e);
}

namespace sys {

std::atomic<int> g_faults[5];

int Open(const char* path, int flags, mode_t mode)
{
    int fd;
    do fd = ::open(path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Writes all n bytes, looping over short writes. Returns 0 or an errno value.
int WriteAll(int fd, const char* data, std::size_t n)
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
int AppendOnce(int fd, const char* data, std::size_t n)
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

int Fsync(int fd)
{
    if (const int e = TakeFault(FaultAt::Fsync)) [[unlikely]]
        return e;
    return Retried([=] { return ::fsync(fd); });
}

// Linux frees the descriptor even when close() reports EINTR, so it is never
// retried (that could close a descriptor another thread just opened). Other
// errors matter: NFS reports a failed write-back only here.
int Close(int fd)
{
    const int injected = TakeFault(FaultAt::Close);
    if (::close(fd) != 0 && errno != EINTR)
        return errno;
    return injected;
}

int Rename(const char* from, const char* to)
{
    if (const int e = TakeFault(FaultAt::Rename)) [[unlikely]]
        return e;
    return ::rename(from, to) == 0 ? 0 : errno;
}

int Unlink(const char* path) { return Retried([=] { return ::unlink(path); }); }
int Fchmod(int fd, mode_t mode) { return Retried([=] { return ::fchmod(fd, mode); }); }
int Fchown(int fd, uid_t uid, gid_t gid) { return Retried([=] { return ::fchown(fd, uid, gid); }); }
int Stat(const char* path, struct stat* st) { return Retried([=] { return ::stat(path, st); }); }
int Lstat(const char* path, struct stat* st) { return Retried([=] { return ::lstat(path, st); }); }
int Fstat(int fd, struct stat* st) { return Retried([=] { return ::fstat(fd, st); }); }
int Statvfs(const char* path, struct statvfs* st) { return Retried([=] { return ::statvfs(path, st); }); }

void Fd::Reset(int fd)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

int Fd::Close()
{
    const int fd = fd_;
    fd_ = -1;
    return sys::Close(fd);
}

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
    return Stat(native, &st) == 0 && S_ISDIR(st.st_mode);
}

// Only failures pay for the extra stat.
void RaiseForPath(int e, const char* operation, std::string_view native)
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

} // namespace sys
} // namespace kv
