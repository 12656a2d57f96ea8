// The machine's own facts, read from Linux: CPUID and sysconf for the
// processor, uname and os-release for the version, the drive table and
// statvfs for the drives, /proc for memory, Qt for the screen.
#include "platform/system_facts.h"

#include "platform/drives.h"
#include "platform/files.h"
#include "platform/pump.h"
#include "platform/sys_calls.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <sched.h>
#include <sys/mman.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/utsname.h>
#include <thread>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define KV_X86 1
#else
#define KV_X86 0
#endif

namespace kv {
namespace {

// A whole small file, or "" when it cannot be read.
std::string TryRead(const char* path)
{
    try {
        return ReadWholeFile(path);
    } catch (...) {
        return {};
    }
}

std::uint64_t ParseU64(std::string_view s, int base = 10)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    std::uint64_t v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v, base);
    return v;
}

// The number after "Key:" in a "Key: value kB" text, in units of the text.
bool FieldOf(std::string_view text, std::string_view key, std::uint64_t& value)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t nl = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, nl - at);
        if (line.size() > key.size() && line.starts_with(key) && line[key.size()] == ':') {
            value = ParseU64(line.substr(key.size() + 1));
            return true;
        }
        at = nl + 1;
    }
    return false;
}

// ---- processor ------------------------------------------------------------

struct Signature {
    bool x86 = false;
    int family = 0, model = 0, stepping = 0;
};

#if KV_X86
Signature CpuSignature()
{
    Signature s;
    s.x86 = true;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        const int base = static_cast<int>((a >> 8) & 0xF);
        const int model = static_cast<int>((a >> 4) & 0xF);
        s.family = base == 15 ? base + static_cast<int>((a >> 20) & 0xFF) : base;
        s.model = base == 6 || base == 15 ? model + static_cast<int>(((a >> 16) & 0xF) << 4) : model;
        s.stepping = static_cast<int>(a & 0xF);
    }
    return s;
}
#else
Signature CpuSignature() { return {}; }
#endif

struct Mapping {
    std::uintptr_t start = 0, end = 0;
};

std::vector<Mapping> OwnMappings()
{
    std::vector<Mapping> maps;
    const std::string text = TryRead("/proc/self/maps");
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t nl = std::min(text.find('\n', at), text.size());
        const std::string_view line = std::string_view(text).substr(at, nl - at);
        const std::size_t dash = line.find('-'), blank = line.find(' ');
        if (dash != std::string_view::npos && blank != std::string_view::npos && dash < blank)
            maps.push_back({static_cast<std::uintptr_t>(ParseU64(line.substr(0, dash), 16)),
                            static_cast<std::uintptr_t>(ParseU64(line.substr(dash + 1, blank - dash - 1), 16))});
        at = nl + 1;
    }
    return maps;
}

// The highest address this process may map. The user half of the address
// space is a power of two, and the stack lies near its top; whether the
// kernel keeps the last page of it back (x86-64 does) is asked by mapping it.
std::uintptr_t HighestUserAddress(std::uintptr_t page)
{
    constexpr std::uintptr_t kernelHalf = std::uintptr_t(1) << (sizeof(std::uintptr_t) * 8 - 1);
    std::uintptr_t top = 0;
    for (const Mapping& m : OwnMappings())
        if (m.end <= kernelHalf) top = std::max(top, m.end);
    if (top == 0) return ~std::uintptr_t(0) >> 1;
    std::uintptr_t span = 1;
    while (span < top && span < kernelHalf) span <<= 1;
    void* want = reinterpret_cast<void*>(span - page);
    void* got = ::mmap(want, page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (got == want || (got == MAP_FAILED && errno == EEXIST)) {
        if (got == want) ::munmap(got, page);
        return span - 1;
    }
    if (got != MAP_FAILED) ::munmap(got, page);   // an old kernel took it as a hint
    return span - page - 1;
}

std::uintptr_t AffinityMask()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return 0;
    std::uintptr_t mask = 0;
    for (unsigned i = 0; i < sizeof(std::uintptr_t) * 8; ++i)
        if (CPU_ISSET(i, &set)) mask |= std::uintptr_t(1) << i;
    return mask;
}

std::uint32_t PageSize()
{
    const long page = sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<std::uint32_t>(page) : 4096u;
}

// The lowest address a process may map (vm.mmap_min_addr).
std::uintptr_t LowestUserAddress(std::uint32_t page)
{
    const std::string text = TryRead("/proc/sys/vm/mmap_min_addr");
    if (text.empty()) return page;
    return static_cast<std::uintptr_t>(ParseU64(text));
}

// ---- drives ---------------------------------------------------------------

const DriveInfo* DriveOfRoot(const std::vector<DriveInfo>& drives, const std::string& root)
{
    if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return nullptr;
    const char letter = static_cast<char>(root[0] >= 'a' && root[0] <= 'z' ? root[0] - 'a' + 'A' : root[0]);
    for (const DriveInfo& d : drives)
        if (d.letter == letter) return &d;
    return nullptr;
}

// A filesystem that does not answer (a network server gone, a FUSE daemon
// stuck) can hold statvfs for minutes. It is asked on a thread of its own,
// and its answer waited for until this long after the asking, the windows
// being drawn meanwhile.
constexpr std::chrono::milliseconds SpaceTimeout{2000};

struct SpaceProbe {
    const std::chrono::steady_clock::time_point asked = std::chrono::steady_clock::now();
    std::mutex lock;
    std::condition_variable answered;
    bool done = false;
    int error = 0;
    struct statvfs st{};
};

// The latest probe of each folder (user-interface thread only).
std::map<std::string, std::shared_ptr<SpaceProbe>> g_probes;

// The folder's probe: the one still waiting for its filesystem (a drive
// still stuck is not asked again, which would pile up threads), or one that
// answered in the last SpaceTimeout, else a new one.
std::shared_ptr<SpaceProbe> ProbeOf(const std::string& folder)
{
    std::shared_ptr<SpaceProbe>& slot = g_probes[folder];
    if (slot) {
        const std::lock_guard<std::mutex> hold(slot->lock);
        if (!slot->done || std::chrono::steady_clock::now() - slot->asked < SpaceTimeout) return slot;
    }
    auto probe = std::make_shared<SpaceProbe>();
    std::thread([probe, folder] {
        struct statvfs st{};
        const int error = sys::Statvfs(folder.c_str(), &st);
        const std::lock_guard<std::mutex> hold(probe->lock);
        probe->st = st;
        probe->error = error;
        probe->done = true;
        probe->answered.notify_all();
    }).detach();
    return slot = probe;
}

// statvfs, or false when the filesystem has not answered within SpaceTimeout
// of being asked.
bool BoundedStatvfs(const std::string& folder, struct statvfs& out)
{
    std::shared_ptr<SpaceProbe> probe;
    try {
        probe = ProbeOf(folder);
    } catch (const std::system_error&) {
        return false;   // no thread to ask it on
    }
    const auto deadline = probe->asked + SpaceTimeout;
    std::unique_lock<std::mutex> hold(probe->lock);
    while (!probe->done && std::chrono::steady_clock::now() < deadline) {
        probe->answered.wait_until(hold, std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(50)));
        if (probe->done) break;
        hold.unlock();
        DoPaintEvents();
        hold.lock();
    }
    out = probe->st;
    return probe->done && probe->error == 0;
}

// The block device (or, for a partition, its disk) says whether its media
// can be taken out.
bool RemovableDevice(std::uint64_t device)
{
    const std::string base = "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::string flag = TryRead((base + "/removable").c_str());
    if (flag.empty()) flag = TryRead((base + "/../removable").c_str());
    return !flag.empty() && flag[0] == '1';
}

// ---- the machine ------------------------------------------------------------

class MachineFacts final : public SystemFacts {
public:
    ProcessorRecord Processor() override
    {
        ProcessorRecord r;
        const Signature sig = CpuSignature();
        r.architecture = sig.x86 ? 0 : 0xFFFF;
        r.processorType = !sig.x86 ? 0 : sig.family <= 3 ? 386 : sig.family == 4 ? 486 : 586;
        r.level = static_cast<std::int16_t>(sig.family);
        r.revision = static_cast<std::uint16_t>((sig.model & 0xFF) << 8 | (sig.stepping & 0xFF));
        r.pageSize = PageSize();
        r.minimumApplicationAddress = LowestUserAddress(r.pageSize);
        r.maximumApplicationAddress = HighestUserAddress(r.pageSize);
        r.activeProcessorMask = AffinityMask();
        const long online = sysconf(_SC_NPROCESSORS_ONLN);
        r.numberOfProcessors = online > 0 ? static_cast<std::uint32_t>(online) : 1u;
        r.allocationGranularity = r.pageSize;
        return r;
    }

    OsVersionRecord OsVersion() override
    {
        utsname u{};
        const std::string release = ::uname(&u) == 0 ? u.release : "";
        std::string osRelease = TryRead("/etc/os-release");
        if (osRelease.empty()) osRelease = TryRead("/usr/lib/os-release");
        return OsVersionFrom(release, osRelease);
    }

    std::vector<std::string> DriveRoots() override
    {
        std::vector<std::string> roots;
        // Every drive is asked for its space at once, so drives that do not
        // answer cost one wait between them, not one each.
        for (const DriveInfo& d : Drives()) {
            roots.push_back(std::string(1, d.letter) + ":\\");
            try {
                ProbeOf(d.root);
            } catch (const std::system_error&) {
                // no thread now: DiskFreeSpace tries again
            }
        }
        return roots;
    }

    int DriveType(const std::string& root) override
    {
        const std::vector<DriveInfo> drives = Drives();
        const DriveInfo* d = DriveOfRoot(drives, root);
        if (!d) return DriveNoRoot;
        switch (d->kind) {
        case DriveKind::Remote: return DriveRemote;
        case DriveKind::CdRom: return DriveCdRom;
        case DriveKind::Ram: return DriveRamDisk;
        case DriveKind::Removable: return DriveRemovable;
        case DriveKind::Fixed: break;
        }
        return RemovableDevice(d->device) ? DriveRemovable : DriveFixed;
    }

    bool DiskFreeSpace(const std::string& root, DiskSpace& space) override
    {
        const std::vector<DriveInfo> drives = Drives();
        const DriveInfo* d = DriveOfRoot(drives, root);
        struct statvfs st{};
        if (!d || !BoundedStatvfs(d->root, st)) return false;
        space.sectorsPerCluster = 1;
        space.bytesPerSector = st.f_frsize ? st.f_frsize : st.f_bsize;
        space.freeClusters = st.f_bavail;
        space.totalClusters = st.f_blocks;
        return true;
    }

    MemoryRecord Memory() override
    {
        MemoryRecord r;
        PhysicalMemoryFrom(TryRead("/proc/meminfo"), r);
        const std::uint32_t page = PageSize();
        const std::uintptr_t low = LowestUserAddress(page);
        const std::uintptr_t high = HighestUserAddress(page);
        std::uint64_t mapped = 0;
        for (const Mapping& m : OwnMappings()) {
            const std::uintptr_t s = std::max(m.start, low), e = std::min(m.end, high + 1);
            if (e > s) mapped += e - s;
        }
        r.totalVirtual = high >= low ? std::uint64_t(high - low) + 1 : 0;
        r.availVirtual = r.totalVirtual > mapped ? r.totalVirtual - mapped : 0;
        return r;
    }

    ScreenSize Screen() override
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) return {};
        const double ratio = screen->devicePixelRatio();
        const QSize size = screen->geometry().size();
        return {static_cast<std::int32_t>(std::lround(size.width() * ratio)),
                static_cast<std::int32_t>(std::lround(size.height() * ratio))};
    }
};

std::atomic<SystemFacts*> g_testFacts{nullptr};

// The first characters of s, at most n of them, never cutting a UTF-8 sequence.
std::string FirstCharacters(std::string_view s, std::size_t n)
{
    std::size_t at = 0;
    for (std::size_t count = 0; at < s.size() && count < n; ++count) {
        ++at;
        while (at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80) ++at;
    }
    return std::string(s.substr(0, at));
}

// A value of the os-release file: quoted in double or single quotes, or bare;
// a backslash takes the next character literally.
std::string ShellValue(std::string_view v)
{
    std::string out;
    char quote = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const char ch = v[i];
        if (quote == 0 && (ch == '"' || ch == '\'')) quote = ch;
        else if (ch == quote) quote = 0;
        else if (ch == '\\' && quote != '\'' && i + 1 < v.size()) out += v[++i];
        else out += ch;
    }
    return out;
}

} // namespace

SystemFacts& Facts()
{
    if (SystemFacts* f = g_testFacts.load(std::memory_order_acquire)) return *f;
    static MachineFacts machine;
    return machine;
}

void SetSystemFactsForTest(SystemFacts* facts) { g_testFacts.store(facts, std::memory_order_release); }

OsVersionRecord OsVersionFrom(std::string_view kernelRelease, std::string_view osRelease)
{
    OsVersionRecord r;
    r.platformId = PlatformOther;
    std::int32_t* parts[] = {&r.majorVersion, &r.minorVersion, &r.buildNumber};
    const char* p = kernelRelease.data();
    const char* end = p + kernelRelease.size();
    for (std::int32_t* part : parts) {
        const auto [next, ec] = std::from_chars(p, end, *part);
        if (ec != std::errc() || next == end || *next != '.') break;
        p = next + 1;
    }
    std::size_t at = 0;
    while (at < osRelease.size()) {
        const std::size_t nl = std::min(osRelease.find('\n', at), osRelease.size());
        const std::string_view line = osRelease.substr(at, nl - at);
        if (line.starts_with("PRETTY_NAME=")) r.csdVersion = FirstCharacters(ShellValue(line.substr(12)), 127);
        at = nl + 1;
    }
    return r;
}

void PhysicalMemoryFrom(std::string_view meminfo, MemoryRecord& r)
{
    std::uint64_t total = 0, avail = 0, free = 0, buffers = 0, cached = 0, swapTotal = 0, swapFree = 0;
    FieldOf(meminfo, "MemTotal", total);
    if (!FieldOf(meminfo, "MemAvailable", avail)) {
        // Kernels before 3.14: what is free plus the caches it may drop.
        FieldOf(meminfo, "MemFree", free);
        FieldOf(meminfo, "Buffers", buffers);
        FieldOf(meminfo, "Cached", cached);
        avail = std::min(total, free + buffers + cached);
    }
    FieldOf(meminfo, "SwapTotal", swapTotal);
    FieldOf(meminfo, "SwapFree", swapFree);
    constexpr std::uint64_t kB = 1024;
    r.totalPhys = total * kB;
    r.availPhys = avail * kB;
    r.totalPageFile = (total + swapTotal) * kB;
    r.availPageFile = (avail + swapFree) * kB;
}

} // namespace kv
