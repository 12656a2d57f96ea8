#pragma once
// What the information routines ask of the machine: the processor, the
// operating system's version, the drives with their type and space, memory,
// and the screen. The answers come in the shape of the classic system
// records, every count and address at its full width. Tests install facts of
// their own.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct ProcessorRecord {
    std::uint16_t architecture = 0;            // 0: the x86 family; any other machine non-zero
    std::int32_t processorType = 0;            // 386, 486, 586 by family on x86; 0 elsewhere
    std::int16_t level = 0;                    // the processor family
    std::uint16_t revision = 0;                // model x 256 + stepping
    std::uint32_t pageSize = 0;
    std::uintptr_t minimumApplicationAddress = 0;
    std::uintptr_t maximumApplicationAddress = 0;
    std::uintptr_t activeProcessorMask = 0;    // processors this process may run on
    std::uint32_t numberOfProcessors = 0;
    std::uint32_t allocationGranularity = 0;
};

// No platform row of the classic table describes this system.
constexpr std::int32_t PlatformOther = 3;

struct OsVersionRecord {
    std::int32_t majorVersion = 0;
    std::int32_t minorVersion = 0;
    std::int32_t buildNumber = 0;
    std::int32_t platformId = 0;
    std::string csdVersion;                    // at most 127 characters
};

// Drive types, numbered as the classic drive-type answer numbers them.
enum DriveTypeCode : int {
    DriveUnknown = 0, DriveNoRoot = 1, DriveRemovable = 2, DriveFixed = 3,
    DriveRemote = 4, DriveCdRom = 5, DriveRamDisk = 6,
};

// A filesystem's space in the classic four numbers.
struct DiskSpace {
    std::uint64_t sectorsPerCluster = 0;
    std::uint64_t bytesPerSector = 0;
    std::uint64_t freeClusters = 0;            // what the user may use
    std::uint64_t totalClusters = 0;
};

// Bytes.
struct MemoryRecord {
    std::uint64_t totalPhys = 0, availPhys = 0;
    std::uint64_t totalPageFile = 0, availPageFile = 0;
    std::uint64_t totalVirtual = 0, availVirtual = 0;
};

struct ScreenSize {
    std::int32_t width = 0, height = 0;        // pixels
};

class SystemFacts {
public:
    virtual ~SystemFacts() = default;
    virtual ProcessorRecord Processor() = 0;
    virtual OsVersionRecord OsVersion() = 0;
    // The drives' roots ("C:\"), in letter order: those mounted now.
    virtual std::vector<std::string> DriveRoots() = 0;
    virtual int DriveType(const std::string& root) = 0;
    // False when the drive cannot be asked (not ready) or has not answered
    // within 2 s (a stuck network or FUSE mount); the windows are repainted,
    // but take no input, while it waits.
    virtual bool DiskFreeSpace(const std::string& root, DiskSpace& space) = 0;
    virtual MemoryRecord Memory() = 0;
    virtual ScreenSize Screen() = 0;
};

// The machine's facts, or those installed for a test.
SystemFacts& Facts();
void SetSystemFactsForTest(SystemFacts* facts);   // nullptr: the machine's own

// The pieces of the machine's answers that come from text, for tests.
// Kernel release "6.1.0-18-amd64" and the os-release file -> the OS record.
OsVersionRecord OsVersionFrom(std::string_view kernelRelease, std::string_view osRelease);
// /proc/meminfo -> physical memory and the commit limit (memory plus swap).
void PhysicalMemoryFrom(std::string_view meminfo, MemoryRecord& record);

} // namespace kv
