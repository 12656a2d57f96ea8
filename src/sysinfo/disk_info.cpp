// Every drive with its type, size and free space.
#include "app/conventions.h"
#include "app/global.h"
#include "platform/errors.h"
#include "platform/system_facts.h"
#include "sysinfo/info.h"
#include "sysinfo/info_text.h"

#include <cmath>
#include <exception>

namespace {

// Ten characters each.
const char* TypeText(int type)
{
    switch (type) {
    case kv::DriveNoRoot: return " Error    ";
    case kv::DriveRemovable: return " Removable";
    case kv::DriveFixed: return " Fixed    ";
    case kv::DriveRemote: return " Remote   ";
    case kv::DriveCdRom: return " CD ROM   ";
    case kv::DriveRamDisk: return " RAM Drive";
    default: return " Unknown  ";
    }
}

// Clusters to whole MB, ties to the even one. The counts are 64-bit, so a
// volume of any size today is counted rather than overflowing.
double WholeMB(std::uint64_t clusters, const kv::DiskSpace& space)
{
    std::uint64_t sectors;
    if (__builtin_mul_overflow(clusters, space.sectorsPerCluster, &sectors))
        throw kv::RuntimeError(kv::ErrOverflow, "overflow");
    return std::nearbyint(static_cast<double>(sectors) * static_cast<double>(space.bytesPerSector) / 1024 / 1024);
}

std::string MBColumn(double mb) { return conv::FormatAt(conv::DoubleText(mb), 7); }

} // namespace

void GetDiskInfo(std::int32_t& InfoMode)
{
    try {
        global::HasRemoteDrive = 0;
        global::HasRamDrive = 0;
        global::DiskTotalMB = 0;
        kv::SystemFacts& facts = kv::Facts();
        InfoText text("[ Disk Drive infomation ]");
        for (const std::string& root : facts.DriveRoots()) {
            const int type = facts.DriveType(root);
            if (type == kv::DriveRemote) global::HasRemoteDrive = 1;
            if (type == kv::DriveRamDisk) global::HasRamDrive = 1;
            std::string size = " not ready ", free;
            kv::DiskSpace space;
            if (facts.DiskFreeSpace(root, space)) {
                const double totalMB = WholeMB(space.totalClusters, space);
                size = MBColumn(totalMB) + " MB  Free : ";
                const double freeMB = WholeMB(space.freeClusters, space);
                if (type != kv::DriveCdRom) global::DiskTotalMB += totalMB;
                free = MBColumn(freeMB) + " MB";
            }
            text.Line(root + " " + TypeText(type) + " Size: " + size + free);
        }
        text.Deliver(InfoMode);
    } catch (const std::exception&) {
        // A run-time error ends the routine silently with what it had set.
    }
}
