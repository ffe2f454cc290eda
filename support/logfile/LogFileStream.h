#pragma once

#include "support/logfile/LogFileFolder.h"
#include "support/logfile/LogFileLimits.h"
#include "support/platform/ErrorCodes.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zeph::windows::logging {

// The debug log's output: UTF-8 lines, written in runs that never interleave, to a file that is
// only ever created anew. A file that reaches its limit ends with a line naming the next one, and
// the log goes on there; the oldest files of the log are deleted to keep all of them within the
// total limit. A write that fails (a full disk) loses its lines, counted, and never blocks: the
// next run tries again, and the first that succeeds says how many lines were lost.
// The listener and its background writer share it; whoever holds it last closes it.
class LogFileStream {
public:
    LogFileStream() = default;
    LogFileStream(const LogFileStream&) = delete;
    LogFileStream& operator=(const LogFileStream&) = delete;
    ~LogFileStream();

    // Creates folder/baseName.log (or the next free name "baseName-<n>.log") for this user alone,
    // writes the header line and makes room within the total limit (a file limit above the
    // total is held to the total). 0, ERROR_INVALID_PARAMETER when a file is open, or the
    // system's code.
    platform::DWORD open(const std::wstring& folder, const std::wstring& baseName,
                         const LogFileLimits& limits);
    // The old files open deleted, once: the opener tells of them after its first line.
    std::vector<std::string> takePrunedAtOpen();
    static std::string oldFileDeletedText(const std::string& name);
    // Whether the first file holds the shared lock that marks it in use (false where the file
    // system takes none: other loggers then find it open instead).
    bool locked() const;
    // The limits in force.
    LogFileLimits limits() const;
    bool isOpen() const;
    // Writes what is buffered, then closes; nothing when closed.
    void close();

    // The file now written; empty while closed.
    std::wstring path() const;
    // The number that made the first file's name free: 1 when the name given was free.
    unsigned firstNumber() const;

    // The code of the write that failed last, 0 while writes succeed.
    platform::DWORD failure() const { return failure_.load(std::memory_order_relaxed); }
    // How many times writing has begun to fail, and how many lines were lost so far.
    std::uint64_t failures() const { return failures_.load(std::memory_order_relaxed); }
    std::uint64_t linesLost() const { return linesLost_.load(std::memory_order_relaxed); }
    // Lines refused before they reached the stream (a queue that was full) count as lost too.
    void countDropped(std::uint64_t lines) { linesLost_.fetch_add(lines, std::memory_order_relaxed); }

    // A run of whole lines, written out when it ends (and along the way once it grows large). It
    // holds the stream for its whole life, so runs of different threads keep their order. Lines of
    // a run on a closed stream are discarded.
    class Batch {
    public:
        explicit Batch(LogFileStream& stream);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void write(std::string_view lines);

    private:
        LogFileStream& stream_;
        std::unique_lock<std::mutex> lock_;
    };

    // Whole lines as a run of their own: on disk (or counted as lost) when this returns.
    void writeLine(std::string_view lines);

private:
    void flushLocked();
    void writeOut(std::string_view lines);
    // Writes whole lines, going on in new files as they fill. False when a write failed: the lines
    // left are counted as lost, but for the first noteLength bytes (a note of ours).
    bool writeRun(std::string_view lines, std::size_t noteLength);
    std::size_t fitting(std::string_view lines) const;
    // Ends the current file with a line naming the next, and goes on in that one. 0 or the code
    // of the failure to create it (the current file then stays).
    platform::DWORD rotate();
    void startFile(LogFileFolder::CreatedFile&& created);
    std::vector<std::string> makeRoom();
    // The first line of every file: "Date|Time|Verbosity|Context|Message".
    void writeHeader();
    bool writeOwnLine(std::uint32_t level, const char* context, std::string_view message);
    bool writeAll(std::string_view bytes);
    void lose(std::string_view lines, platform::DWORD error);

    mutable std::mutex mutex_;  //!< Guards everything below but the counters, and is held by a Batch.
    std::optional<LogFileFolder> folder_;
    LogFileLimits limits_;
    int fd_ = -1;
    std::string stem_;     // the current file's stem and number: rotation in the same second
    unsigned number_ = 1;  // goes on from the next number
    unsigned firstNumber_ = 1;
    bool locked_ = false;
    std::vector<std::string> prunedAtOpen_;
    std::string name_;
    std::uint64_t size_ = 0;  // bytes in the current file
    std::string buffer_;
    std::uint64_t lostSinceFailure_ = 0;
    std::atomic<platform::DWORD> failure_{0};
    std::atomic<std::uint64_t> failures_{0};
    std::atomic<std::uint64_t> linesLost_{0};
    // Whether a file is open, read without the mutex: a Batch holds that for as long as the disk
    // takes, and the window thread only asks before it queues.
    std::atomic<bool> open_{false};
};

}  // namespace zeph::windows::logging
