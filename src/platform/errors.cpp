#include "platform/errors.h"

#include <cerrno>
#include <new>
#include <system_error>

namespace kv {

RuntimeError::RuntimeError(int number, const std::string& what)
    : std::runtime_error(what), number_(number)
{
}

int ErrNumberFromErrno(int e)
{
    switch (e) {
    case ENOENT: return ErrFileNotFound;
    case ENOTDIR: return ErrPathNotFound;
    case EACCES:
    case EPERM: return ErrPermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ErrDiskFull;
    case EEXIST: return ErrFileExists;
    case EMFILE:
    case ENFILE: return ErrTooManyFiles;
    case EIO: return ErrDeviceIo;
    // No medium in the drive is the classic "disk not ready"; a device that
    // is gone altogether is "device unavailable".
    case ENOMEDIUM: return ErrDiskNotReady;
    case ENXIO:
    case ENODEV: return ErrDeviceUnavailable;
    case ENAMETOOLONG: return ErrBadFileName;
    case ENOMEM: return ErrOutOfMemory;
    case EXDEV: return ErrRenameAcrossDisks;
    case EINVAL: return ErrInvalidCall;
    // EROFS, EISDIR, ELOOP (a symbolic link refused) and everything else:
    // the generic path/file access error.
    default: return ErrPathFileAccess;
    }
}

void RaiseErrno(int e, const std::string& what)
{
    throw RuntimeError(ErrNumberFromErrno(e), what + ": " + std::system_category().message(e));
}

int CurrentErrNumber() noexcept
{
    try {
        throw;
    } catch (const RuntimeError& e) {
        return e.Number();
    } catch (const std::bad_alloc&) {
        return ErrOutOfMemory;
    } catch (...) {
        return ErrNone;
    }
}

} // namespace kv
