#pragma once
// Files and paths. Inside the program paths are Windows-style (folder & "\" &
// name, drive letters); they are turned into native paths only here.
// Every function that can fail throws kv::RuntimeError with an error number.
#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

// Program path -> native path:
//  "\" becomes "/"; "X:" at the start maps to drive X's root (see drives.h);
//  a path starting with "/" is already native; a relative path stays relative
//  to the working folder. An unknown drive letter throws ErrDeviceUnavailable.
std::string NativePath(std::string_view programPath);

// Native path -> program path: under a drive's root it becomes "X:\..." (a
// drive root itself gives "X:\"); anything else stays native.
std::string ProgramPath(std::string_view nativePath);

// Whole-file read: the bytes as they are (text is UTF-8, CR LF kept).
std::string ReadWholeFile(std::string_view path);
// Creates or truncates, then writes the bytes.
void WriteWholeFile(std::string_view path, std::string_view bytes);
// Writes to a temporary file in the same folder and renames it over `path`,
// so a failed write never loses the old file.
void ReplaceFileAtomically(std::string_view path, std::string_view bytes);
// Appends at the end of the file in one write, creating it when missing; a
// short write fails (ErrDiskFull) and takes back what it wrote where it can.
void AppendToFile(std::string_view path, std::string_view bytes);
// Deletes one file.
void DeleteFile(std::string_view path);

// The directory search behind FileExists: true when a normal file matches
// `path` ("*" and "?" are wildcards in its last part). Dot-files count as
// hidden, anything that is not a regular file as system: neither matches.
// Never throws: any fault gives false.
bool FindsNormalFile(std::string_view path);

// The scratch-file unit: open (creating, never following a symbolic link,
// O_APPEND), write all `n` bytes at the end, close. `nativePath` is already
// native. Throws RuntimeError on any fault; the descriptor is always closed.
void AppendBlock(const char* nativePath, const char* data, std::size_t n);

// Removes the native path only when a regular file stands there: a symbolic
// link planted at the name is neither removed nor followed. True when removed.
bool DeleteRegularFile(const char* nativePath);

// Is `path` an existing folder?
bool IsFolder(std::string_view path);

// Test hook: the next read, write, fsync, close or rename this layer makes fails
// with errno `e`, so tests can reach the error paths even when running as
// root. One shot per call; e == 0 clears a pending fault.
enum class FaultAt { Write, Fsync, Close, Rename, Read };
void InjectFaultForTest(FaultAt where, int e);

} // namespace kv
