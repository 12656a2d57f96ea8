#pragma once
// Files and paths. Inside the program paths are Windows-style (folder & "\" &
// name, drive letters); they are turned into native paths only here.
// Every function that can fail throws kv::RuntimeError with an error number.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Program path -> native path:
//  "\" becomes "/"; "X:" at the start maps to drive X's root (see drives.h);
//  a single "\" at the start is the root of the current drive, the one that
//  holds the working folder (else C:); a path starting with "/" is already
//  native; a relative path stays relative to the working folder. An unknown
//  drive letter throws ErrDeviceUnavailable, a network path ("\\server")
//  ErrPathNotFound.
std::string NativePath(std::string_view programPath);

// Native path -> program path: under a drive's root it becomes "X:\..." (a
// drive root itself gives "X:\"); anything else stays native.
std::string ProgramPath(std::string_view nativePath);

// Whole-file read: the bytes as they are (text is UTF-8, CR LF kept). Only a
// regular file is read: a folder, a FIFO or a device gives ErrPathFileAccess
// without waiting on it. A file longer than `maxBytes` gives ErrOutOfMemory
// before anything is read.
std::string ReadWholeFile(std::string_view path,
                          std::size_t maxBytes = std::numeric_limits<std::size_t>::max());
// The first `maxBytes` bytes of a file (all of a shorter one), under the
// same rules; nothing beyond them is read.
std::string ReadFileStart(std::string_view path, std::size_t maxBytes);
// Creates or truncates, then writes the bytes.
void WriteWholeFile(std::string_view path, std::string_view bytes);
// Writes to a temporary file in the same folder and renames it over `path`,
// so a failed write never loses the old file. When `path` is a symbolic link
// the file it leads to is replaced and the link kept. A replaced file keeps
// its permission bits (and its owner and group where this process may set
// them); a new one gets 0666 under the umask.
void ReplaceFileAtomically(std::string_view path, std::string_view bytes);
// Appends at the end of the file in one write, creating it when missing; a
// short write fails (ErrDiskFull) and takes back what it wrote where it can,
// and a file this call created is removed again. Only a regular file is
// written: anything else at the name (a folder, a FIFO, a device) gives
// ErrPathFileAccess without waiting on it.
void AppendToFile(std::string_view path, std::string_view bytes);
// Deletes one file.
void DeleteFile(std::string_view path);

// The directory search behind FileExists: true when a normal file matches
// `path` ("*" and "?" are wildcards in its last part). Dot-files count as
// hidden, anything that is not a regular file as system: neither matches.
// Never throws: any fault gives false.
bool FindsNormalFile(std::string_view path);

// The scratch-file unit: open (creating, never following a symbolic link,
// never waiting, O_APPEND), write all `n` bytes at the end, close.
// `nativePath` is already native. Throws RuntimeError on any fault; the
// descriptor is always closed.
void AppendBlock(const char* nativePath, const char* data, std::size_t n);

// The HDD test's scratch file, from the check before its first block to its
// removal. Only a file this object created, or a regular file with no other
// name, is ever written or removed.
class ScratchFile {
public:
    explicit ScratchFile(std::string nativePath);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const char* Path() const { return path_.c_str(); }

    // Before the first block. Nothing at the name: an empty file is created.
    // A regular file with one link: it will be appended to. Anything else (a
    // FIFO, a folder, a symbolic link, a file with other names) is left
    // untouched and the result is false. From a true result until this
    // object goes, a signal that ends the program removes the file first.
    bool Begin();
    // Before each pass: how many blocks of `blockBytes` fit before the
    // drive's reserve, the last 5 % of its size (at most 1 GiB), which the
    // test leaves to everyone else. Throws RuntimeError when the name no
    // longer holds this file or the drive cannot be asked.
    std::int64_t BlocksBeforeReserve(std::size_t blockBytes) const;
    // The end of the test: removes the file; true when it was removed.
    bool Remove();
    // The error road: removes the file only when this run created it or wrote
    // to it; a file it could not even open is left as it was.
    void RemoveIfTouched();

    // What the removal needs to know, kept where a signal handler can read it.
    struct State {
        const char* path = nullptr;
        bool created = false;
        std::uint64_t dev = 0, ino = 0;
        std::int64_t size = 0;   // when Begin found it
    };

private:
    std::string path_;
    State state_;
    bool begun_ = false;
};

// Async-signal-safe: removes the scratch file of the HDD test under way, if it
// created or wrote to one, and the temporary of a ReplaceFileAtomically under
// way, so an end of the program (a signal, END) leaves neither behind.
void RemoveFilesInFlight() noexcept;

// The working folder, native, in the bytes the system holds; "" when it can
// no longer be told (removed since).
std::string WorkingFolder();
// The program path of the folder at `path` with its links, "." and ".."
// resolved. Throws RuntimeError when there is no such folder.
std::string CanonicalFolder(std::string_view path);
// The names in the folder at `path`, in the bytes the system holds, unsorted:
// its subfolders or its normal files (a link counts by what it leads to).
// Dot-names are hidden, and a name with a "\" is left out, as no program path
// can hold it. Throws RuntimeError when the folder cannot be read.
enum class FolderEntries { Folders, Files };
std::vector<std::string> ListFolder(std::string_view path, FolderEntries kind);

// Is `path` an existing folder?
bool IsFolder(std::string_view path);
// Does anything stand at `path` (a link counts by its target)?
bool PathExists(std::string_view path);

// Test hook: the next read, write, fsync, close or rename this layer makes fails
// with errno `e`, so tests can reach the error paths even when running as
// root. One shot per call; e == 0 clears a pending fault.
enum class FaultAt { Write, Fsync, Close, Rename, Read };
void InjectFaultForTest(FaultAt where, int e);

} // namespace kv
