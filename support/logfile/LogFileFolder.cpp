#include "support/logfile/LogFileFolder.h"

#include "support/logfile/OpenFileCensus.h"
#include "support/platform/LastError.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

namespace zeph::windows::logging {

namespace {

// Names tried before giving up: more loggers than this in one second is no longer a race.
constexpr unsigned kLastNumber = 9999;

// Opens a new file only: never an existing one, never through a link, never blocking on a FIFO.
int createExclusive(const std::string& path) {
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// What was created must be a regular file of this user: anything else is not written to.
bool isOwnRegularFile(int fd) {
    struct stat attributes {};
    return ::fstat(fd, &attributes) == 0 && S_ISREG(attributes.st_mode) && attributes.st_uid == ::geteuid();
}

int lock(int fd, int operation) {
    int result = -1;
    do {
        result = ::flock(fd, operation);
    } while (result < 0 && errno == EINTR);
    return result;
}

// Another program (a second console, the client) may still be writing an old file under the same
// user: it holds a shared lock on it for as long as it writes, and that file is left alone. Where
// the file system takes no locks (or the writer took none) the processes' open files tell.
bool deleteUnlessInUse(int folder, const std::string& name, const OpenFileCensus& census) {
    const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat attributes {};
    const bool lockedByWriter = lock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    const bool unused = !lockedByWriter && ::fstat(fd, &attributes) == 0 &&
                        !census.holds(attributes.st_dev, attributes.st_ino);
    const bool deleted = unused && ::unlinkat(folder, name.c_str(), 0) == 0;
    ::close(fd);
    return deleted;
}

struct Candidate {
    LogFileNaming::Age age;
    std::string name;
    std::uint64_t size;
};

}  // namespace

LogFileFolder::LogFileFolder(std::string folder, LogFileNaming naming)
    : folder_(std::move(folder)), naming_(std::move(naming)) {}

platform::DWORD LogFileFolder::create(const std::string& stem, unsigned number, CreatedFile& created) const {
    for (; number <= kLastNumber; ++number) {
        std::string name = LogFileNaming::fileName(stem, number);
        const int fd = createExclusive(pathOf(name));
        if (fd < 0 && errno == EEXIST) {
            continue;
        }
        if (fd < 0) {
            return platform::setLastErrorFromErrno(errno);
        }
        if (!isOwnRegularFile(fd)) {
            ::close(fd);
            return platform::ERROR_ACCESS_DENIED;
        }
        ::fcntl(fd, F_SETFL, 0);  // writes to a full disk fail rather than return EAGAIN
        // In use while open: another logger's clean-up leaves it alone. Where the file system
        // takes no lock, the clean-up finds the file open in this process instead.
        created = {fd, std::move(name), number, lock(fd, LOCK_SH) == 0};
        return platform::ERROR_SUCCESS;
    }
    return platform::ERROR_FILE_EXISTS;
}

std::vector<std::string> LogFileFolder::prune(const std::string& keep, std::uint64_t reserve,
                                              std::uint64_t limit) const {
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(folder_.c_str()), ::closedir);
    if (!directory) {
        return {};
    }
    std::vector<Candidate> files;
    std::uint64_t total = reserve;
    const uid_t self = ::geteuid();
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string name = entry->d_name;
        const auto age = naming_.ageOf(name);
        struct stat attributes {};
        if (!age ||
            ::fstatat(::dirfd(directory.get()), name.c_str(), &attributes, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(attributes.st_mode) || attributes.st_uid != self) {
            continue;
        }
        total += static_cast<std::uint64_t>(attributes.st_size);
        if (name != keep) {
            files.push_back({*age, name, static_cast<std::uint64_t>(attributes.st_size)});
        }
    }
    std::sort(files.begin(), files.end(),
              [](const Candidate& a, const Candidate& b) { return a.age < b.age; });
    const OpenFileCensus census = total > limit ? OpenFileCensus::take() : OpenFileCensus();
    std::vector<std::string> deleted;
    for (const Candidate& file : files) {
        if (total <= limit) {
            break;
        }
        if (deleteUnlessInUse(::dirfd(directory.get()), file.name, census)) {
            total -= file.size;
            deleted.push_back(file.name);
        }
    }
    return deleted;
}

}  // namespace zeph::windows::logging
