#include "support/platform/LastError.h"

#include <cerrno>

namespace zeph::platform {

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}  // namespace

DWORD getLastError() {
    return t_lastError;
}

void setLastError(DWORD code) {
    t_lastError = code;
}

DWORD win32FromErrno(int errnoValue) {
    switch (errnoValue) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        // A port held elsewhere must read "Access is denied." as on Windows: TIOCEXCL refuses the
        // open with EBUSY, and a refused non-blocking lock (flock, F_SETLK) fails with EAGAIN
        // (EWOULDBLOCK is the same number on Linux). A read or write that would block is not a
        // failure and never reaches this mapping; thread creation maps its own EAGAIN.
        case EACCES:
        case EPERM:
        case EBUSY:
        case EAGAIN:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ENOMEM:
        case ENOBUFS:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EXDEV:
            return ERROR_NOT_SAME_DEVICE;
        case EROFS:
            return ERROR_WRITE_PROTECT;
        case ETXTBSY:
            return ERROR_SHARING_VIOLATION;
        case ENOTSUP:  // EOPNOTSUPP is the same number on Linux
            return ERROR_NOT_SUPPORTED;
        case ENOTTY:  // an ioctl the device does not have, as DeviceIoControl reports it
            return ERROR_INVALID_FUNCTION;
        // EEXIST comes from mkdir, symlink and link (port links, folders): CreateDirectory and
        // CreateSymbolicLink report 183 for those.
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case EPIPE:
            return ERROR_BROKEN_PIPE;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:  // the file size limit of the process: to the operator the same as a full disk
            return ERROR_DISK_FULL;
        case ENOSYS:
            return ERROR_CALL_NOT_IMPLEMENTED;
        case ERANGE:  // getcwd, readlink and friends: the buffer was too small
            return ERROR_INSUFFICIENT_BUFFER;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EINTR:
            return ERROR_OPERATION_ABORTED;
        case EFAULT:
            return ERROR_NOACCESS;
        case EDEADLK:
            return ERROR_POSSIBLE_DEADLOCK;
        // A vanished device (USB unplugged, Bluetooth link lost, pty closed) is a disconnect.
        case EIO:
        case ENXIO:
        case ENODEV:
        case ENOTCONN:
        case ECONNRESET:
        case ECONNABORTED:
        case EHOSTDOWN:
        case EHOSTUNREACH:
            return ERROR_DEVICE_NOT_CONNECTED;
        case ECONNREFUSED:
            return ERROR_CONNECTION_REFUSED;
        case ESRCH:
            return ERROR_INVALID_THREAD_ID;
        case ETIMEDOUT:
            return ERROR_TIMEOUT;
        case ECANCELED:
            return ERROR_CANCELLED;
        case ELOOP:
            return ERROR_CANT_RESOLVE_FILENAME;
        default:
            // Includes 0: this is only asked on a failure path, which must not read as success.
            return ERROR_GEN_FAILURE;
    }
}

DWORD setLastErrorFromErrno(int errnoValue) {
    const DWORD code = win32FromErrno(errnoValue);
    setLastError(code);
    return code;
}

}  // namespace zeph::platform
