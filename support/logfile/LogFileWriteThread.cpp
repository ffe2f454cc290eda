#include "support/logfile/LogFileWriteThread.h"

#include "support/logfile/LogLineFormat.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/Wait.h"
#include "support/threading/ThreadState.h"

#include <algorithm>
#include <string>
#include <utility>

namespace zeph::windows::logging {

using system::threading::ThreadState;

namespace {

// How long the writer gathers lines after the first of a batch arrives, at most.
constexpr platform::DWORD kGatherMs = 100;

// The result of run for a failed step: a cancelled one is an orderly end.
int exitCodeOf(platform::DWORD result) {
    return result == platform::ERROR_CANCELLED ? 0 : static_cast<int>(result);
}

}  // namespace

bool LogFileWriteThread::initThread(const system::threading::ThreadContext& context) {
    LogBeacon::log("zeph::windows::logging::LogFileWriteThread::initThread", DebugLevel1, L" ");
    bool succeeded = false;
    // Reports the outcome on every way out, keeping the last error that a failed start returns.
    const auto report = [&succeeded] {
        const platform::DWORD error = platform::getLastError();
        LogBeacon::log("zeph::windows::logging::`anonymous-namespace'::<lambda0>::operator ()", DebugLevel3,
                       succeeded ? L"Succeeded" : L"Failed");
        platform::setLastError(error);
    };
    thread_ = context.thread;
    const auto* stream = static_cast<const std::shared_ptr<LogFileStream>*>(context.parameter);
    if (stream == nullptr || *stream == nullptr) {
        platform::setLastError(platform::ERROR_INVALID_PARAMETER);
        report();
        return false;
    }
    stream_ = *stream;
    terminate_ = platform::Event::create(true, false);
    queueMutex_ = platform::Mutex::create(false, L"message queue mutex");
    dataPending_ = platform::Event::create(true, false);
    succeeded = terminate_ && queueMutex_ && dataPending_;
    if (!succeeded) {
        exitThread();
    }
    report();
    return succeeded;
}

void LogFileWriteThread::exitThread() {
    // The events, the mutex and the stream stay with this worker: the window thread may still be
    // draining through them, and they go with the worker. Lines left queued are drained by the
    // listener, never dropped here.
}

void LogFileWriteThread::notifyShutdown() {
    if (terminate_) {
        terminate_->set();
    }
}

int LogFileWriteThread::run() {
    while (platform::waitForSingleObject(terminate_, 0) == platform::WAIT_TIMEOUT) {
        thread_->setState(ThreadState::Wait);
        switch (platform::waitForMultipleObjects({terminate_, dataPending_}, false, platform::INFINITE)) {
            case platform::WAIT_OBJECT_0:
                return 0;
            case platform::WAIT_OBJECT_0 + 1:
                break;
            case platform::WAIT_TIMEOUT:
                return static_cast<int>(platform::ERROR_TIMEOUT);
            default:
                return exitCodeOf(platform::getLastError());
        }
        // Lines come in many small batches: gathering them for a moment makes one write of many and
        // spares a wake-up per batch. Terminate ends the pause at once (the listener drains).
        if (platform::waitForSingleObject(terminate_, kGatherMs) == platform::WAIT_OBJECT_0) {
            return 0;
        }
        thread_->setState(ThreadState::Run);
        if (const platform::DWORD result = writeQueue(); result != 0) {
            return exitCodeOf(result);
        }
    }
    return 0;
}

bool LogFileWriteThread::queueLines(std::string&& lines) {
    if (lockQueue(true) != 0) {
        return false;
    }
    // A writer that cannot keep up (a stalled disk) must not take the program's memory with it.
    if (queuedBytes_ + lines.size() > kQueueLimitBytes) {
        const auto count = static_cast<std::uint64_t>(std::count(lines.begin(), lines.end(), '\n'));
        droppedLines_ += count;
        stream_->countDropped(count);
    } else {
        queuedBytes_ += lines.size();
        queue_.push_back(std::move(lines));
    }
    queueMutex_->release();
    dataPending_->set();
    return true;
}

platform::DWORD LogFileWriteThread::writeQueue() {
    if (const platform::DWORD locked = lockQueue(true); locked != 0) {
        return locked;
    }
    writeQueuedLocked();
    return 0;
}

platform::DWORD LogFileWriteThread::drain(std::size_t& remaining) {
    if (const platform::DWORD locked = lockQueue(false); locked != 0) {
        return locked;
    }
    writeQueuedLocked();
    // Nothing can have been queued since: queueing is the draining thread's own work.
    remaining = 0;
    return 0;
}

platform::DWORD LogFileWriteThread::queuedCount(std::size_t& count) {
    if (const platform::DWORD locked = lockQueue(false); locked != 0) {
        return locked;
    }
    count = queue_.size();
    queueMutex_->release();
    return 0;
}

platform::DWORD LogFileWriteThread::lockQueue(bool yieldToTerminate) {
    if (!queueMutex_) {
        return platform::ERROR_INVALID_HANDLE;  // never started: nothing queued, nothing to guard
    }
    platform::DWORD result = 0;
    if (yieldToTerminate) {
        result = platform::waitForMultipleObjects({terminate_, queueMutex_}, false, platform::INFINITE);
        if (result == platform::WAIT_OBJECT_0 || result == platform::WAIT_ABANDONED_0) {
            return platform::ERROR_CANCELLED;
        }
        if (result == platform::WAIT_OBJECT_0 + 1 || result == platform::WAIT_ABANDONED_0 + 1) {
            return 0;
        }
    } else {
        result = platform::waitForSingleObject(queueMutex_, platform::INFINITE);
        if (result == platform::WAIT_OBJECT_0 || result == platform::WAIT_ABANDONED_0) {
            return 0;
        }
    }
    if (result == platform::WAIT_TIMEOUT) {
        return platform::ERROR_TIMEOUT;
    }
    const platform::DWORD error = platform::getLastError();
    return error != 0 ? error : platform::ERROR_GEN_FAILURE;
}

void LogFileWriteThread::writeQueuedLocked() {
    std::deque<std::string> lines;
    lines.swap(queue_);
    queuedBytes_ = 0;
    const std::uint64_t dropped = std::exchange(droppedLines_, 0);
    // Reset only here, under the mutex and with the queue empty: a line queued after this sets
    // it again, so no line is left without a wake-up.
    dataPending_->reset();
    // The run takes the stream before the queue is let go: a drain that follows cannot get its
    // lines onto the disk ahead of these.
    LogFileStream::Batch batch(*stream_);
    queueMutex_->release();
    if (dropped != 0) {
        batch.write(
            formatLine(Warning.value(), platform::getLocalTime(),
                       "zeph::windows::logging::LogFileWriteThread::queueLines",
                       std::to_string(dropped) + " log lines were dropped: the log writer fell behind."));
    }
    for (const std::string& line : lines) {
        batch.write(line);
    }
}

}  // namespace zeph::windows::logging
