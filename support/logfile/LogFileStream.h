#pragma once

#include "support/platform/ErrorCodes.h"

#include <mutex>
#include <string>
#include <string_view>

namespace zeph::windows::logging {

// The debug log's output file: narrow (UTF-8) lines, written in runs that never interleave. The
// listener and its background writer share it; whoever holds it last closes it.
class LogFileStream {
public:
    LogFileStream() = default;
    LogFileStream(const LogFileStream&) = delete;
    LogFileStream& operator=(const LogFileStream&) = delete;
    ~LogFileStream();

    // Creates or truncates the file for writing: 0, ERROR_INVALID_PARAMETER when one is open, or
    // the system's code. The file is the user's alone, and a link planted under its name in a
    // shared temporary folder is refused rather than followed.
    platform::DWORD open(const std::wstring& path);
    bool isOpen() const;
    // Writes what is buffered, then closes; nothing when closed.
    void close();

    // A run of lines, written out when it ends (and along the way once it grows large). It holds
    // the stream for its whole life, so runs of different threads keep their order. Lines of a run
    // on a closed stream are discarded; write errors are ignored.
    class Batch {
    public:
        explicit Batch(LogFileStream& stream);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void write(std::string_view line);

    private:
        LogFileStream& stream_;
        std::unique_lock<std::mutex> lock_;
    };

    // One line as a run of its own: on disk when this returns.
    void writeLine(std::string_view line);

private:
    void flushLocked();

    mutable std::mutex mutex_;  //!< Guards fd_ and buffer_, and is held by a Batch for its whole run.
    int fd_ = -1;
    std::string buffer_;
};

}  // namespace zeph::windows::logging
