#include "support/logfile/LogFileStream.h"

#include "support/logfile/LogLineFormat.h"
#include "support/logging/LogVerbosity.h"
#include "support/platform/LastError.h"
#include "support/platform/LocalTime.h"
#include "support/platform/TextConversion.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace zeph::windows::logging {

namespace {

// Beyond this a run writes out what it holds, so a long backlog never doubles in memory.
constexpr std::size_t kRunBufferLimit = 64 * 1024;
// Room kept at the end of every file for the line that names the next one.
constexpr std::uint64_t kLastLineRoom = 1024;
constexpr const char* kRotateContext = "zeph::windows::logging::LogFileStream::rotate";

std::size_t lineCount(std::string_view lines) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n'));
}

}  // namespace

LogFileStream::~LogFileStream() {
    close();
}

platform::DWORD LogFileStream::open(const std::wstring& folder, const std::wstring& baseName,
                                    const LogFileLimits& limits) {
    const std::lock_guard lock(mutex_);
    if (fd_ >= 0) {
        return platform::ERROR_INVALID_PARAMETER;
    }
    const std::string stem = platform::narrowPath(baseName);
    const std::string directory = platform::narrowPath(folder);
    if (stem.find('\0') != std::string::npos || directory.find('\0') != std::string::npos) {
        return platform::ERROR_INVALID_NAME;
    }
    LogFileFolder files(directory, LogFileNaming(stem));
    LogFileFolder::CreatedFile created;
    if (const platform::DWORD result = files.create(stem, 1, created); result != 0) {
        return result;
    }
    folder_.emplace(std::move(files));
    limits_ = limits.fileWithinTotal();
    stem_ = stem;
    firstNumber_ = created.number;
    locked_ = created.locked;
    buffer_.clear();
    startFile(std::move(created));
    prunedAtOpen_ = makeRoom();
    return platform::ERROR_SUCCESS;
}

bool LogFileStream::isOpen() const {
    return open_.load(std::memory_order_acquire);
}

std::wstring LogFileStream::path() const {
    const std::lock_guard lock(mutex_);
    return fd_ >= 0 ? platform::widenPath(folder_->pathOf(name_)) : std::wstring();
}

unsigned LogFileStream::firstNumber() const {
    const std::lock_guard lock(mutex_);
    return firstNumber_;
}

void LogFileStream::close() {
    const std::lock_guard lock(mutex_);
    if (fd_ < 0) {
        return;
    }
    flushLocked();
    ::close(fd_);
    fd_ = -1;
    open_.store(false, std::memory_order_release);
}

void LogFileStream::startFile(LogFileFolder::CreatedFile&& created) {
    fd_ = created.fd;
    open_.store(true, std::memory_order_release);
    name_ = std::move(created.name);
    number_ = created.number;
    size_ = 0;
    writeHeader();
}

// Room for a whole new file within the total limit.
std::vector<std::string> LogFileStream::makeRoom() {
    return folder_->prune(name_, limits_.fileBytes, limits_.totalBytes);
}

std::string LogFileStream::oldFileDeletedText(const std::string& name) {
    return "Old log file deleted to keep the log files within their total limit: " + name;
}

std::vector<std::string> LogFileStream::takePrunedAtOpen() {
    const std::lock_guard lock(mutex_);
    return std::exchange(prunedAtOpen_, {});
}

bool LogFileStream::locked() const {
    const std::lock_guard lock(mutex_);
    return locked_;
}

LogFileLimits LogFileStream::limits() const {
    const std::lock_guard lock(mutex_);
    return limits_;
}

void LogFileStream::writeHeader() {
    writeAll(kLogFileHeader);
}

void LogFileStream::flushLocked() {
    if (fd_ >= 0 && !buffer_.empty()) {
        writeOut(buffer_);
    }
    buffer_.clear();
}

// While writes fail, the lines go ahead with a note of how many were lost: the failure is over
// when note and lines are on disk together (a nearly full disk may still take a short line).
void LogFileStream::writeOut(std::string_view lines) {
    if (failure() == 0) {
        writeRun(lines, 0);
        return;
    }
    std::string noted =
        formatLine(Warning.value(), platform::getLocalTime(), "zeph::windows::logging::LogFileStream::write",
                   "Log file writing resumed; " + std::to_string(lostSinceFailure_) +
                       " lines were lost while it failed.");
    const std::size_t noteLength = noted.size();
    noted += lines;
    if (writeRun(noted, noteLength)) {
        failure_.store(0, std::memory_order_relaxed);
        lostSinceFailure_ = 0;
    }
}

bool LogFileStream::writeRun(std::string_view lines, std::size_t noteLength) {
    const char* const noteEnd = lines.data() + noteLength;
    while (!lines.empty()) {
        std::size_t take = fitting(lines);
        platform::DWORD error = 0;
        if (take == 0) {
            error = rotate();
            // A fresh file takes at least one line, however long.
            const std::size_t end = lines.find('\n');
            take = std::max(fitting(lines), end == std::string_view::npos ? lines.size() : end + 1);
        }
        if (error != 0 || !writeAll(lines.substr(0, take))) {
            std::string_view lost = lines;
            if (lost.data() < noteEnd) {
                lost.remove_prefix(static_cast<std::size_t>(noteEnd - lost.data()));
            }
            lose(lost, error);
            return false;
        }
        lines.remove_prefix(take);
    }
    return true;
}

// The bytes of whole lines at the front that fit in the current file.
std::size_t LogFileStream::fitting(std::string_view lines) const {
    const std::uint64_t room =
        limits_.fileBytes > size_ + kLastLineRoom ? limits_.fileBytes - size_ - kLastLineRoom : 0;
    if (lines.size() <= room) {
        return lines.size();
    }
    if (room == 0) {
        return 0;
    }
    const std::size_t end = lines.rfind('\n', static_cast<std::size_t>(room - 1));
    return end == std::string_view::npos ? 0 : end + 1;
}

platform::DWORD LogFileStream::rotate() {
    const std::string stem = folder_->naming().stemAt(platform::getLocalTime());
    LogFileFolder::CreatedFile created;
    const platform::DWORD result = folder_->create(stem, stem == stem_ ? number_ + 1 : 1, created);
    if (result != 0) {
        return result;
    }
    writeOwnLine(Information.value(), kRotateContext, "Log file continues in " + created.name);
    ::close(fd_);
    const std::string previous = name_;
    stem_ = stem;
    startFile(std::move(created));
    writeOwnLine(Information.value(), kRotateContext, "Log file continued from " + previous);
    for (const std::string& deleted : makeRoom()) {
        writeOwnLine(Information.value(), kRotateContext, oldFileDeletedText(deleted));
    }
    return platform::ERROR_SUCCESS;
}

bool LogFileStream::writeOwnLine(std::uint32_t level, const char* context, std::string_view message) {
    return writeAll(formatLine(level, platform::getLocalTime(), context, message));
}

// Writes the bytes whole, or not at all: a write that fails part way is taken back, so that no
// half line is left in the file.
bool LogFileStream::writeAll(std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t result = ::write(fd_, bytes.data() + written, bytes.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            // A file-size limit (EFBIG) leaves no room, as a full disk does.
            const int cause = result == 0 || errno == EFBIG ? ENOSPC : errno;
            const platform::DWORD error = platform::setLastErrorFromErrno(cause);
            if (written > 0 && ::ftruncate(fd_, static_cast<off_t>(size_)) == 0) {
                ::lseek(fd_, static_cast<off_t>(size_), SEEK_SET);
            }
            lose({}, error);
            return false;
        }
        written += static_cast<std::size_t>(result);
    }
    size_ += written;
    return true;
}

// Counts lines that will not reach the file; with an error, a failure begins unless one is on.
void LogFileStream::lose(std::string_view lines, platform::DWORD error) {
    const std::size_t count = lineCount(lines);
    lostSinceFailure_ += count;
    linesLost_.fetch_add(count, std::memory_order_relaxed);
    if (error != 0 && failure() == 0) {
        failure_.store(error, std::memory_order_relaxed);
        failures_.fetch_add(1, std::memory_order_relaxed);
    }
}

LogFileStream::Batch::Batch(LogFileStream& stream) : stream_(stream), lock_(stream.mutex_) {}

LogFileStream::Batch::~Batch() {
    stream_.flushLocked();
}

void LogFileStream::Batch::write(std::string_view lines) {
    if (stream_.fd_ < 0) {
        return;
    }
    stream_.buffer_ += lines;
    if (stream_.buffer_.size() >= kRunBufferLimit) {
        stream_.flushLocked();
    }
}

void LogFileStream::writeLine(std::string_view lines) {
    Batch(*this).write(lines);
}

}  // namespace zeph::windows::logging
