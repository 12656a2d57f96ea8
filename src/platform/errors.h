#pragma once
// Run-time errors carry the error numbers users know from the classic
// desktop run-time: 53 file not found, 76 path not found, 70 permission
// denied, 61 disk full, 6 overflow, 11 division by zero, 482 printer
// error... 0 is kept for faults the program finds itself.
#include <stdexcept>
#include <string>

namespace kv {

enum ErrNumber : int {
    ErrNone = 0,
    ErrInvalidCall = 5,
    ErrOverflow = 6,
    ErrOutOfMemory = 7,
    ErrDivisionByZero = 11,
    ErrTypeMismatch = 13,
    ErrBadFileName = 52,
    ErrFileNotFound = 53,
    ErrBadFileMode = 54,
    ErrFileAlreadyOpen = 55,
    ErrDeviceIo = 57,
    ErrFileExists = 58,
    ErrDiskFull = 61,
    ErrInputPastEnd = 62,
    ErrTooManyFiles = 67,
    ErrDeviceUnavailable = 68,
    ErrPermissionDenied = 70,
    ErrDiskNotReady = 71,
    ErrRenameAcrossDisks = 74,
    ErrPathFileAccess = 75,
    ErrPathNotFound = 76,
    ErrPrinter = 482,
};

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& what);
    int Number() const { return number_; }
private:
    int number_;
};

// One table from errno to the error numbers above.
int ErrNumberFromErrno(int e);

// Throws RuntimeError for the errno value e; `what` names the operation.
[[noreturn]] void RaiseErrno(int e, const std::string& what);

// Inside a catch block: the error number of the exception being handled, a
// RuntimeError's own, ErrOutOfMemory for std::bad_alloc, 0 for anything else.
int CurrentErrNumber() noexcept;

} // namespace kv
