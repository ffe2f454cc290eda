#pragma once

#include "support/logfile/LogFileListener.h"

#include <functional>
#include <string>

namespace quorvex::console {

// The debug log file as the console keeps it: opened at start-up in "%TEMP%" with the
// configuration banner, written by the background writer, and closed at exit with nothing lost.
// Its size limits come from the configuration; a write failure (a full disk) is told on standard
// error and to the problem report once, and its end once more with the lines it cost. Lives on
// the thread that runs the message loop.
class DebugLog {
public:
    DebugLog() = default;
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;
    // Stops the writer, delivers what the log still holds and closes the file.
    ~DebugLog();

    // Where a failure to write the log is told, besides standard error (a window shows it).
    void setProblemReport(std::function<void(const std::string&)> report) {
        problemReport_ = std::move(report);
    }
    // Opens and starts the log when the configuration asks for it; 0, or the open's error code.
    zeph::platform::DWORD initialize();
    // The file's path; empty when no file was opened.
    std::wstring filePath() const { return listener_.filePath(); }
    // Whether the file is open and, if not or if writing it fails, why.
    zeph::windows::logging::LogFileStatus status() const { return listener_.status(); }
    // The operator's line for a log that could not be opened with that code.
    static std::string unavailableReason(zeph::platform::DWORD code);

private:
    void tellFailure(const zeph::windows::logging::LogFileStatus& status) const;

    zeph::windows::logging::LogFileListener listener_;
    std::function<void(const std::string&)> problemReport_;
};

}  // namespace quorvex::console
