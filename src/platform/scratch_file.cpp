// The HDD test's scratch file: the unit that appends one block, and the
// file's life from the check before the first block to its removal.
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/sys_calls.h"

#include <algorithm>
#include <atomic>
#include <fcntl.h>

namespace kv {

void AppendBlock(const char* nativePath, const char* data, std::size_t n)
{
    sys::Fd fd(sys::Open(nativePath, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK, 0644));
    if (!fd) [[unlikely]]
        sys::RaiseForPath(errno, "open", nativePath);
    int e = sys::WriteAll(fd.Get(), data, n);
    const int closeError = fd.Close();
    if (e == 0)
        e = closeError;
    if (e != 0) [[unlikely]]
        sys::RaiseForPath(e, "write", nativePath);
}

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
    if (sys::Lstat(s.path, &st) != 0 || !IsOurs(s, st))
        return false;
    if (onlyTouched && !s.created && st.st_size == s.size)
        return false;
    return sys::Unlink(s.path) == 0;
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
    int e = sys::Lstat(Path(), &st);
    if (e == ENOENT) {
        sys::Fd fd(sys::Open(Path(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK, 0644));
        if (!fd || sys::Fstat(fd.Get(), &st) != 0)
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
    if (const int e = sys::Lstat(Path(), &st))
        sys::RaiseForPath(e, "check", path_);
    if (!begun_ || !IsOurs(state_, st))
        throw RuntimeError(ErrPathFileAccess, "check \"" + path_ + "\": no longer the scratch file");

    struct statvfs vfs;
    if (const int e = sys::Statvfs(std::string(sys::ParentOf(path_)).c_str(), &vfs))
        sys::RaiseForPath(e, "check free space for", path_);
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

void sys::RemoveScratchInFlight() noexcept
{
    if (const ScratchFile::State* s = g_scratch.load(std::memory_order_acquire))
        RemoveScratch(*s, true);
}

} // namespace kv
