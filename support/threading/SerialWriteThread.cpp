#include "support/threading/SerialWriteThread.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/Wait.h"
#include "support/threading/QueueWait.h"

namespace zeph::windows::system::threading {

using namespace logging;

namespace {

constexpr const char* contextPrefix = "zeph::windows::system::threading::SerialWriteThread::";

std::string contextOf(const char* operation) {
    return std::string(contextPrefix) + operation;
}

}  // namespace

bool SerialWriteThread::initThread(const ThreadContext& context) {
    static const std::string ctx = contextOf("initThread");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    const auto* params = static_cast<const SerialThreadParams*>(context.parameter);
    thread_ = context.thread;
    if (params == nullptr) {
        platform::setLastError(platform::ERROR_INVALID_PARAMETER);
        return false;
    }
    port_ = params->port;
    format_ = params->format;
    writeComplete_ = params->writeComplete;
    if (!terminate_ || !queueMutex_ || !dataAvailable_) {
        LogBeacon::logSystemError(ctx.c_str(), platform::getLastError());
        return false;
    }
    // The objects outlive a run, so a caller queueing during a reconnection never sees them
    // swapped; items left by an earlier run belong to a connection that is gone.
    if (platform::waitForSingleObject(queueMutex_, platform::INFINITE) == platform::WAIT_FAILED) {
        LogBeacon::logSystemError(ctx.c_str(), platform::getLastError());
        return false;
    }
    queue_.clear();
    dataAvailable_->reset();
    terminate_->reset();
    queueMutex_->release();
    return true;
}

void SerialWriteThread::exitThread() {
    static const std::string ctx = contextOf("exitThread");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    // The handles stay with the worker: callers on other threads may still be in queueData. A
    // signalled terminate makes them give up cleanly, also after the thread ended on an error.
    if (terminate_) {
        terminate_->set();
    }
}

void SerialWriteThread::notifyShutdown() {
    static const std::string ctx = contextOf("notifyShutdown");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    if (terminate_) {
        terminate_->set();
    }
}

int SerialWriteThread::run() {
    static const std::string ctx = contextOf("run");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    while (platform::waitForSingleObject(terminate_, 0) == platform::WAIT_TIMEOUT) {
        thread_->setState(ThreadState::Wait);
        DWORD result = checkQueue();
        if (result == 0) {
            thread_->setState(ThreadState::Run);
            result = processQueue();
        }
        if (result != 0) {
            return result == platform::ERROR_CANCELLED ? 0 : static_cast<int>(result);
        }
    }
    return 0;
}

bool SerialWriteThread::queueData(const std::uint8_t* bytes, DWORD length, DWORD tag) {
    static const std::string ctx = contextOf("queueData");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    Item item{std::vector<std::uint8_t>(bytes, bytes + length), tag};
    if (lockQueue() != 0) {
        return false;
    }
    if (queue_.size() >= QueueLimit) {
        queueMutex_->release();
        platform::setLastError(platform::ERROR_NOT_ENOUGH_QUOTA);
        return false;
    }
    queue_.push_back(std::move(item));
    queueMutex_->release();
    dataAvailable_->set();
    return true;
}

DWORD SerialWriteThread::lockQueue() {
    static const std::string ctx = contextOf("lockQueue");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    return waitTerminateOr(ctx.c_str(), terminate_, queueMutex_);
}

DWORD SerialWriteThread::checkQueue() {
    static const std::string ctx = contextOf("checkQueue");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    return waitTerminateOr(ctx.c_str(), terminate_, dataAvailable_);
}

DWORD SerialWriteThread::processQueue() {
    static const std::string ctx = contextOf("processQueue");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    if (const DWORD locked = lockQueue(); locked != 0) {
        return locked;
    }
    LogBeacon::log(ctx.c_str(), DebugLevel2, L"Queue depth [%d].", queue_.size());
    if (queue_.empty()) {
        dataAvailable_->reset();
        queueMutex_->release();
        return 0;
    }
    Item item = std::move(queue_.front());
    queue_.pop_front();
    if (queue_.empty()) {
        dataAvailable_->reset();
    }
    queueMutex_->release();

    std::vector<std::uint8_t> buffer = std::move(item.bytes);
    DWORD length = static_cast<DWORD>(buffer.size());
    if (format_) {
        const int formatted = format_(terminate_, buffer, length);
        if (formatted == -1) {
            LogBeacon::log(ctx.c_str(), Error, L"Unable to format data!");
            return platform::ERROR_OUTOFMEMORY;
        }
        // Never write past what the callback left in the buffer.
        length = std::min(static_cast<DWORD>(formatted), static_cast<DWORD>(buffer.size()));
    }
    const DWORD result = port_->writePort(terminate_, buffer.data(), length);
    if (writeComplete_) {
        writeComplete_(terminate_, buffer.data(), length, result, item.tag);
    }
    return 0;
}

}  // namespace zeph::windows::system::threading
