#pragma once

#include "support/logfile/LogFileLimits.h"
#include "support/logfile/LogFileStream.h"
#include "support/logfile/LogFileWriteThread.h"
#include "support/logging/LogListener.h"
#include "support/logging/TLogFilter.h"
#include "support/platform/ErrorCodes.h"
#include "support/threading/ThreadImpl.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace zeph::windows::logging {

// What the operator may be told about the debug log file.
struct LogFileStatus {
    bool open = false;
    // Closed: why the last open failed (0 when none was tried). Open: the code of the write that
    // is failing now (a full disk), 0 while lines reach the file.
    platform::DWORD error = 0;
    std::wstring path;            // the file now written; empty while closed
    std::uint64_t linesLost = 0;  // lines that never reached the file
};

// The sink of the debug log file. Entries arrive on the window thread in batches; those its mask
// passes become UTF-8 lines, written at once (direct mode) or handed to the "Background Log
// Writer" (queued mode), a batch at a time. Every operation belongs to the window thread.
class LogFileListener : public LogListener, public TLogFilter<LogFileListener> {
public:
    // Called on the window thread, once each time writing to the file begins to fail.
    using FailureReport = std::function<void(const LogFileStatus&)>;

    LogFileListener();
    // Detaches first, then closes as close() does (stopping the writer with nothing lost).
    ~LogFileListener() override;

    // The lines of a batch go to the file, or to the writer, together: one write or one hand-off.
    void writeBatch(LogBatch entries) override;
    void write(const LogEntry& entry) override;

    // Creates folder/baseName.log, a folder such as "%TEMP%" expanded first, and writes the header
    // and "Log file opened". The file is only ever created anew, for this user alone: when the
    // name is taken (by a file, a link, a FIFO), the next free "baseName-<n>.log" is used and a
    // line says so. 0; ERROR_INVALID_PARAMETER when a file is open; ERROR_INVALID_NAME when the
    // folder still holds '%' after expansion or is no directory, or the base name would leave the
    // folder; else the system's code (the folder is missing or cannot be written).
    platform::DWORD open(const std::wstring& folder, const std::wstring& baseName);
    // Stops the writer (writing what it holds), delivers what the beacon still holds for this
    // listener when called on the window thread, detaches and ends the file with "Log file closed".
    void close();
    bool isOpen() const;
    // The file now written (rotation moves on to new files); empty while closed.
    std::wstring filePath() const;
    LogFileStatus status() const;

    // Size limits for the files opened from now on (default: LogFileLimits{}).
    void setLimits(const LogFileLimits& limits) { limits_ = limits; }
    void setFailureReport(FailureReport report) { failureReport_ = std::move(report); }

    // Queued mode: starts the writer thread. False when it cannot be started.
    bool startBackgroundWriter();
    // Direct mode again: everything queued is written before the writer stops.
    void stopBackgroundWriter();

private:
    void writeOwnEntry(const LogVerbosity& level, const char* context, std::string_view message);
    void tellOpeningNotes();
    // Writes out what the writer still holds and goes on in direct mode.
    void drainWriter();
    // Tells of a write failure once when it begins, and once when it ends (status error 0).
    void reportFailure();

    bool background_ = false;                // queued mode; read and written on the window thread only
    std::shared_ptr<LogFileStream> stream_;  // shared with the writer, which may outlive a close
    LogFileLimits limits_;
    platform::DWORD openError_ = 0;
    std::uint64_t failuresReported_ = 0;
    bool failureTold_ = false;  // a failure was reported and has not ended yet
    FailureReport failureReport_;
    system::threading::ThreadImpl<LogFileWriteThread> writer_;
};

}  // namespace zeph::windows::logging
