#include "controlroom/JournalLease.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvex::link {

JournalLease::~JournalLease() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::string JournalLease::take(const std::string& journalPath) {
    if (fd_ >= 0) {
        return {};
    }
    const std::string path = journalPath + ".publisher";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return "the lock " + path + " cannot be opened: " + std::strerror(errno);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        char holder[32] = {};
        const ssize_t length = ::pread(fd, holder, sizeof holder - 1, 0);
        ::close(fd);
        const std::string pid =
            length > 0 ? " (process " + std::string(holder, static_cast<std::size_t>(length)) + ")" : "";
        return "another console or quorvex-cli" + pid +
               " publishes this journal's rows; this one waits until it stops";
    }
    const std::string pid = std::to_string(::getpid());
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
        // The lock holds all the same; only the note of who holds it is missing.
    }
    fd_ = fd;
    return {};
}

}  // namespace quorvex::link
