#include "tests/journal/SmallFilesystem.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <vector>

namespace quorvex::test {

namespace {

constexpr const char* Filler = "filler";

}  // namespace

SmallFilesystem::SmallFilesystem(const std::filesystem::path& folder, std::size_t bytes) : folder_(folder) {
    std::filesystem::create_directories(folder_);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    if (!mounted_) {
        why_ = std::string("a small file system cannot be mounted here (") + std::strerror(errno) +
               "); this needs root";
    }
}

SmallFilesystem::~SmallFilesystem() {
    if (mounted_) {
        ::umount2(folder_.c_str(), MNT_DETACH);
    }
}

void SmallFilesystem::fill() {
    const int fd = ::open((folder_ / Filler).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const std::vector<char> block(4096, 'f');
    while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
    }
    // The last partial block, byte by byte, so not one byte is left.
    while (fd >= 0 && ::write(fd, block.data(), 1) > 0) {
    }
    if (fd >= 0) {
        ::close(fd);
    }
}

void SmallFilesystem::free() {
    ::unlink((folder_ / Filler).c_str());
}

std::string SmallFilesystem::makeReadOnly() {
    if (::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        return std::strerror(errno);
    }
    return {};
}

}  // namespace quorvex::test
