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
    std::wstring directory = folder;
    if (directory.find(L'%') != std::wstring::npos) {
        directory = platform::expandEnvironmentStrings(directory);
    }
    if (directory.find(L'%') != std::wstring::npos) {
        return platform::ERROR_INVALID_NAME;
    }
    struct stat attributes {};
    if (::stat(platform::narrow(directory).c_str(), &attributes) != 0) {
        return platform::setLastErrorFromErrno(errno);
    }
    // A base name with a separator would put the file outside the folder it was given.
    if (!S_ISDIR(attributes.st_mode) ||
        baseName.find_first_of(std::wstring_view(L"/\0", 2)) != std::wstring::npos) {
        return platform::ERROR_INVALID_NAME;
    }
    const std::wstring path = platform::joinPath(directory, baseName + L".log");
    auto stream = std::make_shared<LogFileStream>();
    if (const platform::DWORD opened = stream->open(path); opened != 0) {
        return opened;
    }
    stream_ = std::move(stream);
    path_ = path;
    writeHeader();
    writeOwnEntry("zeph::windows::logging::LogFileListener::open", L"Log file opened");
    return platform::ERROR_SUCCESS;
}

void LogFileListener::close() {
    stopBackgroundWriter();
    // Entries still posted to the window thread belong in this file, before its last line.
    if (LogBeacon* beacon = LogBeacon::current()) {
        beacon->flush();
    }
    detach();
    if (isOpen()) {
        writeOwnEntry("zeph::windows::logging::LogFileListener::close", L"Log file closed");
        stream_->close();
    }
    stream_.reset();
    path_.clear();
}

bool LogFileListener::isOpen() const {
    return stream_ && stream_->isOpen();
}

void LogFileListener::writeHeader() {
    stream_->writeLine(kLogFileHeader);
}

std::string LogFileListener::formatLine(const LogVerbosity& verbosity, const platform::SYSTEMTIME& time,
                                        const wchar_t* context, const wchar_t* message) {
    return formatLogLine(verbosity.value(), time, context ? context : L"", message ? message : L"");
}

void LogFileListener::write(const LogVerbosity& verbosity, platform::SYSTEMTIME time, const wchar_t* context,
                            const wchar_t* message) {
    if (!isOpen() || !passes(verbosity)) {
        return;
    }
    std::string line = formatLine(verbosity, time, context, message);
    if (background_) {
        // A writer that ended on its own would leave the queue to grow unwritten.
        if (writer_.getState() != ThreadState::Stopped && writer_.getWorker().queueLine(std::move(line))) {
            return;
        }
        drainWriter();
    }
    stream_->writeLine(line);
}

void LogFileListener::writeOwnEntry(const char* context, const wchar_t* message) {
    write(Information, platform::getLocalTime(), platform::widen(context).c_str(), message);
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
