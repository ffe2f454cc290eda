#include "support/platform/FileReplacement.h"

#include "support/platform/LastError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace zeph::platform {

namespace {

// The file the bytes belong in: a link is followed, so saving through it replaces its target.
// The mode of the file replaced, or 0 when there is none.
DWORD targetOf(const std::filesystem::path& path, std::filesystem::path& target, mode_t& mode) {
    struct stat attributes {};
    mode = 0;
    if (::stat(path.c_str(), &attributes) != 0) {
        if (errno != ENOENT) {
            return win32FromErrno(errno);
        }
        target = path;
        return ERROR_SUCCESS;
    }
    if (!S_ISREG(attributes.st_mode)) {
        return ERROR_ACCESS_DENIED;
    }
    mode = attributes.st_mode & 07777;
    std::error_code error;
    target = std::filesystem::canonical(path, error);
    return error ? win32FromErrno(error.value()) : ERROR_SUCCESS;
}

// A new file beside the target that no one else can have opened; -1 with errno on failure.
int createBeside(const std::filesystem::path& target, std::filesystem::path& created) {
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = target;
        created += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(serial.fetch_add(1));
        // 0666 less the umask, as a file created in place would get.
        const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

DWORD replaceFileContents(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::path target;
    mode_t mode = 0;
    if (const DWORD result = targetOf(path, target, mode); result != ERROR_SUCCESS) {
        return result;
    }
    std::filesystem::path created;
    const int fd = createBeside(target, created);
    if (fd < 0) {
        return win32FromErrno(errno);
    }
    // The file keeps the mode the operator gave it.
    bool written = (mode == 0 || ::fchmod(fd, mode) == 0) && writeAll(fd, bytes) && ::fsync(fd) == 0;
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(created.c_str(), target.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(created.c_str());
        return win32FromErrno(error);
    }
    return ERROR_SUCCESS;
}

}  // namespace zeph::platform
