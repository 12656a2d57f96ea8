#pragma once
// The system calls of the file layer (files.cpp, scratch_file.cpp) and of the
// other platform code that touches files. Only platform sources include this.
// Everything asked of the kernel about files goes through these few wrappers,
// so EINTR, O_CLOEXEC and the injected test faults are handled in one place.
// They return -1 / an errno value rather than throwing, so the hot path (the
// HDD test's blocks) never builds a string unless something failed.
#include "platform/files.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>

namespace kv::sys {

// New files: read and write for all, as far as the umask allows.
constexpr mode_t NewFileMode = 0666;

// The errno a test asked the next call at `where` to fail with, or 0.
extern std::atomic<int> g_faults[5];
inline int TakeFault(FaultAt where)
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

int Open(const char* path, int flags, mode_t mode = 0);        // the descriptor, or -1 and errno
int WriteAll(int fd, const char* data, std::size_t n);
int AppendOnce(int fd, const char* data, std::size_t n);
int Fsync(int fd);
int Close(int fd);
int Rename(const char* from, const char* to);
int Unlink(const char* path);
int Fchmod(int fd, mode_t mode);
int Fchown(int fd, uid_t uid, gid_t gid);
int Stat(const char* path, struct stat* st);
int Lstat(const char* path, struct stat* st);
int Fstat(int fd, struct stat* st);
int Statvfs(const char* path, struct statvfs* st);

// Owns one descriptor; the destructor closes it on every way out.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(-1); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void Reset(int fd);
    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now and reports close's own error (0 when fine).
    int Close();
private:
    int fd_;
};

// The folder part of a native path ("." when it has none).
std::string_view ParentOf(std::string_view native);
bool IsFolderNative(const char* native);

// Throws RuntimeError for errno `e` met doing `operation` on `native`. ENOENT
// is "file not found" when the folder is there and "path not found" when it
// is not, as users of the classic run-time expect.
[[noreturn, gnu::cold]] void RaiseForPath(int e, const char* operation, std::string_view native);

// Async-signal-safe: removes the HDD test's scratch file under way, if it
// created or wrote to one (scratch_file.cpp).
void RemoveScratchInFlight() noexcept;

} // namespace kv::sys
