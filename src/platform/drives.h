#pragma once
// Drive letters over the mounted filesystems. The filesystem holding the
// user's home folder is C:, rooted at the home folder, so the drive a user
// starts on is writable without root; the others follow from D: in the order
// of their mount points, each rooted at its mount point. A letter stays with
// its mount point for the program's life: a drive that goes leaves its
// letter unused (a path on it leads nowhere, never to the folder beneath),
// and one mounted later takes the next letter never given.
#include <array>
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

// The mount point each letter was given ("" for a letter not given yet).
using DriveLetters = std::array<std::string, 26>;

// The drives mounted now, from the text of /proc/self/mountinfo and the home
// folder (its links resolved, so C: is the filesystem the home folder really
// is on). `letters` holds the letters given by earlier calls and gets those
// given by this one.
std::vector<DriveInfo> BuildDriveTable(std::string_view mountinfo, std::string_view home, DriveLetters& letters);
// The same with no letter given before.
std::vector<DriveInfo> BuildDriveTable(std::string_view mountinfo, std::string_view home);

// The drives of this machine as mounted at this moment (or the table
// installed for a test).
std::vector<DriveInfo> Drives();
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

// The letter of the drive that holds the working folder, else C.
char CurrentDriveLetter(const std::vector<DriveInfo>& drives);

// The user's home folder ($HOME, else the password database).
std::string HomeFolder();

} // namespace kv
