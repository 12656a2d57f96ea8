// KV_16.EXE, the resource program: writes the free shares of the system's
// thread table ("USER") and open-file table ("GDI"), in whole percent, into
// KV_16.TXT in the folder given as its one argument.
//
//   KV_16.EXE <folder>
//
// The answer is one line, "Free USER/GDI:   97%    99%" and CR LF: the two
// numbers right-aligned in characters 15-19 and 22-26. It is written under a
// hidden temporary name and renamed into place, so it is complete the moment
// KV_16.TXT exists. Exit status 0 with an answer, 1 without, 2 for misuse.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A small text file whole, or false when it cannot be read.
bool ReadSmall(const char* path, std::string& text)
{
    int fd;
    do fd = ::open(path, O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    char buf[256];
    ssize_t got;
    do got = ::read(fd, buf, sizeof buf);
    while (got < 0 && errno == EINTR);
    ::close(fd);
    if (got <= 0) return false;
    text.assign(buf, static_cast<std::size_t>(got));
    return true;
}

// The blank-separated numbers of a text, from position `at`.
bool Numbers(const std::string& text, std::size_t at, std::uint64_t* values, int count)
{
    const char* p = text.data() + std::min(at, text.size());
    const char* end = text.data() + text.size();
    for (int i = 0; i < count; ++i) {
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
        const auto [next, ec] = std::from_chars(p, end, values[i]);
        if (ec != std::errc()) return false;
        p = next;
    }
    return true;
}

bool ReadNumber(const char* path, std::uint64_t& value)
{
    std::string text;
    return ReadSmall(path, text) && Numbers(text, 0, &value, 1);
}

// The free share in whole percent, rounded down: 100 only when nothing is used.
int FreePercent(std::uint64_t used, std::uint64_t limit)
{
    if (limit == 0) return 0;
    used = std::min(used, limit);
    return static_cast<int>(static_cast<unsigned __int128>(limit - used) * 100 / limit);
}

// Threads: every task the kernel schedules (the total in /proc/loadavg)
// against the most it allows, which is the smaller of its thread limit and
// its process-id range.
bool ThreadShare(int& percent)
{
    // "0.52 0.58 0.59 3/181 12345": the tasks follow the slash.
    std::string load;
    std::uint64_t tasks = 0, limit = 0, pidMax = 0;
    if (!ReadSmall("/proc/loadavg", load)) return false;
    const std::size_t slash = load.find('/');
    if (slash == std::string::npos || !Numbers(load, slash + 1, &tasks, 1)) return false;
    if (!ReadNumber("/proc/sys/kernel/threads-max", limit)) return false;
    if (ReadNumber("/proc/sys/kernel/pid_max", pidMax) && pidMax > 0) limit = std::min(limit, pidMax);
    percent = FreePercent(tasks, limit);
    return true;
}

// Open files: "allocated unused maximum" in /proc/sys/fs/file-nr.
bool FileShare(int& percent)
{
    std::string text;
    std::uint64_t nr[3];
    if (!ReadSmall("/proc/sys/fs/file-nr", text) || !Numbers(text, 0, nr, 3)) return false;
    percent = FreePercent(nr[0] >= nr[1] ? nr[0] - nr[1] : 0, nr[2]);
    return true;
}

bool WriteAll(int fd, const char* data, std::size_t n)
{
    while (n > 0) {
        const ssize_t got = ::write(fd, data, n);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        data += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || !*argv[1]) {
        std::fprintf(stderr, "usage: KV_16.EXE <folder>\n");
        return 2;
    }
    int user = 0, gdi = 0;
    if (!ThreadShare(user) || !FileShare(gdi)) {
        std::fprintf(stderr, "KV_16.EXE: cannot read the kernel's tables\n");
        return 1;
    }
    char answer[64];
    const int n = std::snprintf(answer, sizeof answer, "Free USER/GDI:%5d%% %5d%%\r\n", user, gdi);

    const std::string folder = argv[1];
    std::string temp = folder + "/.KV_16.TXT.XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        std::perror("KV_16.EXE: create");
        return 1;
    }
    bool ok = ::fchmod(fd, 0644) == 0 && WriteAll(fd, answer, static_cast<std::size_t>(n));
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), (folder + "/KV_16.TXT").c_str()) != 0) {
        std::perror("KV_16.EXE: write");
        ::unlink(temp.c_str());
        return 1;
    }
    return 0;
}
