#pragma once

#include "support/logfile/LogFileStream.h"
#include "support/platform/Event.h"
#include "support/platform/Mutex.h"
#include "support/threading/IBasicThreadAdapter.h"
#include "support/threading/IThread.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace zeph::windows::logging {

// "Background Log Writer": takes the lines the window thread queues and writes them to the log
// file, one flush per batch. Its queue is guarded by the process-wide named "message queue mutex",
// the same object that guards the serial write queue.
//
// Nothing here logs except the start: every entry logged while a line is queued would itself
// come back to this queue as a line, for ever.
class LogFileWriteThread final : public system::threading::IBasicThreadAdapter {
public:
    // Beyond this much queued, runs are refused and counted, and a line tells how many.
    static constexpr std::size_t kQueueLimitBytes = 16 * 1024 * 1024;

    LogFileWriteThread() = default;
    LogFileWriteThread(const LogFileWriteThread&) = delete;
    LogFileWriteThread& operator=(const LogFileWriteThread&) = delete;

    // The creator's parameter is the address of the listener's std::shared_ptr<LogFileStream>.
    bool initThread(const system::threading::ThreadContext& context) override;
    void exitThread() override;
    void notifyShutdown() override;
    int run() override;

    // On the caller's thread: appends a run of whole lines (one lock, one wake-up for all of them).
    // False when the queue cannot be locked (the writer is terminating); the lines are then left
    // with the caller, untouched.
    bool queueLines(std::string&& lines);
    // On the writer thread: writes every queued line, then flushes. 0 or the lock's error.
    platform::DWORD writeQueue();
    // On the caller's thread: writes every queued line itself and reports how many are left (0).
    // It waits for the queue mutex alone: draining is how lines get out once the writer stops.
    platform::DWORD drain(std::size_t& remaining);
    platform::DWORD queuedCount(std::size_t& count);

private:
    // 0 once the queue mutex is held (also when abandoned); ERROR_CANCELLED when terminate came
    // first (only if asked to give way to it), ERROR_TIMEOUT, or the wait's error.
    platform::DWORD lockQueue(bool yieldToTerminate);
    // Takes every queued line and writes them as one run; called with the queue mutex held,
    // which it releases once the run holds the stream, so the serial write queue never waits
    // for the disk.
    void writeQueuedLocked();

    system::threading::IThread* thread_ = nullptr;
    std::shared_ptr<LogFileStream> stream_;
    std::shared_ptr<platform::Event> terminate_;  //!< "_terminate": tells run to end
    //!< "message queue mutex": guards queue_ and the reset of dataPending_
    std::shared_ptr<platform::Mutex> queueMutex_;
    //!< signalled by every queueLines; reset under the mutex when the queue is found empty
    std::shared_ptr<platform::Event> dataPending_;
    std::deque<std::string> queue_;   // runs of lines, guarded by queueMutex_
    std::size_t queuedBytes_ = 0;     // their size, guarded by queueMutex_
    std::uint64_t droppedLines_ = 0;  // lines refused since the last write, guarded by queueMutex_
};

}  // namespace zeph::windows::logging
