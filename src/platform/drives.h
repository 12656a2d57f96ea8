#pragma once
// Drive letters over the mounted filesystems. The filesystem holding the
// user's home folder is C:, rooted at the home folder, so the drive a user
// starts on is writable without root; the others follow from D: in the order
// of their mount points, each rooted at its mount point.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

enum class DriveKind { Fixed, Removable, Remote, CdRom, Ram };

struct DriveInfo {
    char letter = 'C';          // upper case
    std::string root;           // native folder the drive's "\" stands for
    std::string mountPoint;     // native mount point of the filesystem
    std::string fsType;         // e.g. ext4, nfs4, tmpfs
    std::string source;         // e.g. /dev/sda1, server:/export
    std::string label;          // shown in brackets in drive lists
    DriveKind kind = DriveKind::Fixed;
    std::uint64_t device = 0;   // st_dev of the filesystem (major/minor)
};

// Builds the table from the text of /proc/self/mountinfo and the home folder
// (its links resolved, so C: is the filesystem the home folder really is on).
std::vector<DriveInfo> BuildDriveTable(std::string_view mountinfo, std::string_view home);

// The drives of this machine (or the table installed for a test).
std::vector<DriveInfo> Drives();
// The same table without the copy, for path translation; the reference stays
// valid until SetDrivesForTest is called again.
const std::vector<DriveInfo>& CurrentDrives();
// Replaces the drive table for tests; nullptr restores the real one.
void SetDrivesForTest(const std::vector<DriveInfo>* drives);

// "c: [label]": lower-case letter, colon, blank, label in brackets.
std::string DriveListEntry(const DriveInfo& d);

// The drive whose root holds the native path (longest root wins), or 0. A
// root counts as written and with its links resolved, so a folder under it is
// found however either is spelt. `rootLength` gets the length of the matching
// spelling of the root, which the path (doubled "/" collapsed) begins with.
char DriveLetterOf(std::string_view nativePath, const std::vector<DriveInfo>& drives,
                   std::size_t* rootLength = nullptr);

// Is drive `d` still the filesystem it was found on? True when the mount that
// covers its root in `mountinfo` (the text of /proc/self/mountinfo) has the
// drive's mount point and device. An unmounted drive leaves only a bare
// folder on the filesystem beneath, which this tells apart.
bool StillMounted(const DriveInfo& d, std::string_view mountinfo);
// The same for the drive with this letter, against the mount table of this
// moment; false for an unknown letter.
bool DriveStillMounted(char letter);

// The user's home folder ($HOME, else the password database).
std::string HomeFolder();

} // namespace kv
