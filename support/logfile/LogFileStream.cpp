#include "support/logfile/LogFileStream.h"

#include "support/platform/LastError.h"
#include "support/platform/TextConversion.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace zeph::windows::logging {

namespace {

// Beyond this a run writes out what it holds, so a long backlog never doubles in memory.
constexpr std::size_t kRunBufferLimit = 64 * 1024;

}  // namespace

LogFileStream::~LogFileStream() {
    close();
}

platform::DWORD LogFileStream::open(const std::wstring& path) {
    const std::lock_guard lock(mutex_);
    if (fd_ >= 0) {
        return platform::ERROR_INVALID_PARAMETER;
    }
    const std::string name = platform::narrow(path);
    if (name.find('\0') != std::string::npos) {
        return platform::ERROR_INVALID_NAME;
    }
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return platform::setLastErrorFromErrno(errno);
    }
    fd_ = fd;
    buffer_.clear();
    return platform::ERROR_SUCCESS;
}

bool LogFileStream::isOpen() const {
    const std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

void LogFileStream::close() {
    const std::lock_guard lock(mutex_);
    if (fd_ < 0) {
        return;
    }
    flushLocked();
    ::close(fd_);
    fd_ = -1;
}

void LogFileStream::flushLocked() {
    std::size_t written = 0;
    while (fd_ >= 0 && written < buffer_.size()) {
        const ssize_t result = ::write(fd_, buffer_.data() + written, buffer_.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            break;  // a full disk or a vanished device: the log goes on without these lines
        }
        written += static_cast<std::size_t>(result);
    }
    buffer_.clear();
}

LogFileStream::Batch::Batch(LogFileStream& stream) : stream_(stream), lock_(stream.mutex_) {}

LogFileStream::Batch::~Batch() {
    stream_.flushLocked();
}

void LogFileStream::Batch::write(std::string_view line) {
    if (stream_.fd_ < 0) {
        return;
    }
    stream_.buffer_ += line;
    if (stream_.buffer_.size() >= kRunBufferLimit) {
        stream_.flushLocked();
    }
}

void LogFileStream::writeLine(std::string_view line) {
    Batch(*this).write(line);
}

}  // namespace zeph::windows::logging
