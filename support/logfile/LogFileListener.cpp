#include "support/logfile/LogFileListener.h"

#include "support/logfile/LogLineFormat.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/Environment.h"
#include "support/platform/LastError.h"
#include "support/platform/TextConversion.h"
#include "support/threading/ThreadState.h"

#include <sys/stat.h>

#include <cerrno>

namespace zeph::windows::logging {

using system::threading::ThreadState;

namespace {

constexpr platform::DWORD kWriterShutdownMs = 2000;
constexpr const char* kOpenContext = "zeph::windows::logging::LogFileListener::open";

// The folder the log goes to, "%TEMP%" and the like expanded: 0, or why it cannot be used.
platform::DWORD logFolder(const std::wstring& folder, const std::wstring& baseName, std::wstring& directory) {
    directory = folder;
    if (directory.find(L'%') != std::wstring::npos) {
        directory = platform::expandEnvironmentStrings(directory);
    }
    if (directory.find(L'%') != std::wstring::npos) {
        return platform::ERROR_INVALID_NAME;
    }
    struct stat attributes {};
    if (::stat(platform::narrowPath(directory).c_str(), &attributes) != 0) {
        return platform::setLastErrorFromErrno(errno);
    }
    // A base name with a separator would put the file outside the folder it was given.
    if (!S_ISDIR(attributes.st_mode) ||
        baseName.find_first_of(std::wstring_view(L"/\0", 2)) != std::wstring::npos) {
        return platform::ERROR_INVALID_NAME;
    }
    return platform::ERROR_SUCCESS;
}

}  // namespace

LogFileListener::LogFileListener() = default;

LogFileListener::~LogFileListener() {
    // No entry may reach write while this part is taken down.
    detach();
    close();
}

platform::DWORD LogFileListener::open(const std::wstring& folder, const std::wstring& baseName) {
    if (isOpen()) {
        return platform::ERROR_INVALID_PARAMETER;
    }
    std::wstring directory;
    openError_ = logFolder(folder, baseName, directory);
    if (openError_ != 0) {
        return openError_;
    }
    auto stream = std::make_shared<LogFileStream>();
    openError_ = stream->open(directory, baseName, limits_);
    if (openError_ != 0) {
        return openError_;
    }
    stream_ = std::move(stream);
    failuresReported_ = 0;
    failureTold_ = false;
    writeOwnEntry(Information, kOpenContext, "Log file opened");
    if (stream_->firstNumber() > 1) {
        writeOwnEntry(Warning, kOpenContext,
                      platform::narrow(baseName) + ".log was taken; the log is written to " +
                          platform::narrow(stream_->path()) + ".");
    }
    tellOpeningNotes();
    return platform::ERROR_SUCCESS;
}

// What open did besides creating the file, told after its first line.
void LogFileListener::tellOpeningNotes() {
    if (const std::uint64_t fileBytes = stream_->limits().fileBytes; fileBytes < limits_.fileBytes) {
        writeOwnEntry(Warning, kOpenContext,
                      "The log's total limit of " + std::to_string(fileBytes) +
                          " bytes is below its file limit of " + std::to_string(limits_.fileBytes) +
                          " bytes: each file is held to the total limit.");
    }
    if (!stream_->locked()) {
        writeOwnEntry(
            Warning, kOpenContext,
            "The log file cannot be locked here: other programs tell it is in use by its open handle.");
    }
    for (const std::string& deleted : stream_->takePrunedAtOpen()) {
        writeOwnEntry(Information, kOpenContext, LogFileStream::oldFileDeletedText(deleted));
    }
}

void LogFileListener::close() {
    stopBackgroundWriter();
    // Entries still posted to the window thread belong in this file, before its last line.
    if (LogBeacon* beacon = LogBeacon::current()) {
        beacon->flush();
    }
    detach();
    if (isOpen()) {
        writeOwnEntry(Information, "zeph::windows::logging::LogFileListener::close", "Log file closed");
        stream_->close();
    }
    stream_.reset();
}

bool LogFileListener::isOpen() const {
    return stream_ && stream_->isOpen();
}

std::wstring LogFileListener::filePath() const {
    return stream_ ? stream_->path() : std::wstring();
}

LogFileStatus LogFileListener::status() const {
    if (!isOpen()) {
        return {false, openError_, {}, 0};
    }
    return {true, stream_->failure(), stream_->path(), stream_->linesLost()};
}

void LogFileListener::writeBatch(LogBatch entries) {
    if (!isOpen()) {
        return;
    }
    std::string lines;
    for (const LogEntry& entry : entries) {
        if (passes(entry.verbosity())) {
            formatLine(lines, entry);
        }
    }
    if (!lines.empty()) {
        if (!background_ || writer_.getState() == ThreadState::Stopped ||
            !writer_.getWorker().queueLines(std::move(lines))) {
            // A writer that ended on its own would leave the queue to grow unwritten.
            if (background_) {
                drainWriter();
            }
            stream_->writeLine(lines);
        }
    }
    reportFailure();
}

void LogFileListener::write(const LogEntry& entry) {
    writeBatch(LogBatch(&entry, 1));
}

void LogFileListener::writeOwnEntry(const LogVerbosity& level, const char* context,
                                    std::string_view message) {
    write(LogEntry(level, platform::getLocalTime(), context, message));
}

void LogFileListener::reportFailure() {
    if (stream_->failure() == 0) {
        // The failure told is over: told once more, with the lines it cost.
        if (failureTold_) {
            failureTold_ = false;
            if (failureReport_) {
                failureReport_(status());
            }
        }
        return;
    }
    const std::uint64_t failures = stream_->failures();
    if (failures == failuresReported_) {
        return;
    }
    failuresReported_ = failures;
    failureTold_ = true;
    static constexpr const char* context = "zeph::windows::logging::LogFileListener::write";
    const platform::DWORD error = stream_->failure();
    LogBeacon::log(context, Error, L"Writing the log file %s failed, [%d].", stream_->path(), error);
    LogBeacon::logSystemError(context, error);
    if (failureReport_) {
        failureReport_(status());
    }
}

bool LogFileListener::startBackgroundWriter() {
    if (background_) {
        std::size_t remaining = 0;
        writer_.getWorker().drain(remaining);
    }
    if (writer_.create("Background Log Writer", &stream_, 0, 0, nullptr) != 0) {
        return false;
    }
    background_ = true;
    return true;
}

void LogFileListener::stopBackgroundWriter() {
    if (!background_) {
        return;
    }
    drainWriter();
    writer_.shutdown(kWriterShutdownMs);
}

void LogFileListener::drainWriter() {
    LogFileWriteThread& worker = writer_.getWorker();
    std::size_t count = 0;
    do {
        std::size_t remaining = 0;
        if (worker.drain(remaining) != 0 || worker.queuedCount(count) != 0) {
            break;
        }
    } while (count != 0);
    background_ = false;
}

}  // namespace zeph::windows::logging
