#pragma once

#include "support/logfile/LogFileStream.h"
#include "support/logfile/LogFileWriteThread.h"
#include "support/logging/LogListener.h"
#include "support/logging/TLogFilter.h"
#include "support/platform/ErrorCodes.h"
#include "support/threading/ThreadImpl.h"

#include <memory>
#include <string>

namespace zeph::windows::logging {

// The sink of the debug log file. Entries arrive on the window thread; those its mask passes
// become UTF-8 lines, written at once (direct mode) or handed to the "Background Log Writer"
// (queued mode). Every operation belongs to the window thread.
class LogFileListener : public LogListener, public TLogFilter<LogFileListener> {
public:
    LogFileListener();
    // Detaches first, then closes as close() does (stopping the writer with nothing lost).
    ~LogFileListener() override;

    void write(const LogVerbosity& verbosity, platform::SYSTEMTIME time, const wchar_t* context,
               const wchar_t* message) override;
    virtual void writeHeader();
    virtual std::string formatLine(const LogVerbosity& verbosity, const platform::SYSTEMTIME& time,
                                   const wchar_t* context, const wchar_t* message);

    // Creates folder/baseName.log, a folder such as "%TEMP%" expanded first, and writes the header
    // and "Log file opened". 0; ERROR_INVALID_PARAMETER when a file is open; ERROR_INVALID_NAME
    // when the folder still holds '%' after expansion or is no directory, or the base name would
    // leave the folder; else the system's code (the folder is missing, the file cannot be made).
    platform::DWORD open(const std::wstring& folder, const std::wstring& baseName);
    // Stops the writer (writing what it holds), delivers what the beacon still holds for this
    // listener when called on the window thread, detaches and ends the file with "Log file closed".
    void close();
    bool isOpen() const;
    // The open file's path; empty while closed.
    const std::wstring& filePath() const { return path_; }

    // Queued mode: starts the writer thread. False when it cannot be started.
    bool startBackgroundWriter();
    // Direct mode again: everything queued is written before the writer stops.
    void stopBackgroundWriter();

private:
    void writeOwnEntry(const char* context, const wchar_t* message);
    // Writes out what the writer still holds and goes on in direct mode.
    void drainWriter();

    bool background_ = false;                // queued mode; read and written on the window thread only
    std::shared_ptr<LogFileStream> stream_;  // shared with the writer, which may outlive a close
    std::wstring path_;
    system::threading::ThreadImpl<LogFileWriteThread> writer_;
};

}  // namespace zeph::windows::logging
