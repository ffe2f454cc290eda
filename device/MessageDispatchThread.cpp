#include "device/MessageDispatchThread.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/Thread.h"
#include "support/platform/Wait.h"

using namespace zeph::windows::logging;
using zeph::platform::DWORD;
using zeph::windows::system::threading::ThreadState;
namespace platform = zeph::platform;

namespace {

constexpr const wchar_t* signalledViaTerminate =
    L"::WaitForMultipleObjects() became signaled via [_terminate], abandoning function call.";

void logWaitFailure(const char* context) {
    const DWORD error = platform::getLastError();
    LogBeacon::log(context, Error,
                   L"::WaitForMultipleObjects() failed (WAIT_FAILED) [%d], abandoning function call.", error);
    LogBeacon::logSystemError(context, error);
}

}  // namespace

bool MessageDispatchThread::initThread(const zeph::windows::system::threading::ThreadContext& context) {
    LogBeacon::log("MessageDispatchThread::initThread", DebugLevel1, L" ");
    thread_ = context.thread;
    target_ = static_cast<IMessageDispatch*>(context.parameter);
    if (target_ == nullptr) {
        platform::setLastError(platform::ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!queueLock_) {
        queueLock_ = platform::Mutex::create(false, L"message dispatcher queue mutex");
    }
    if (!messageWaiting_) {
        messageWaiting_ = platform::Event::create(true, false);
    }
    if (terminate_) {
        terminate_->reset();
    } else {
        terminate_ = platform::Event::create(true, false);
    }
    if (!queueLock_ || !messageWaiting_ || !terminate_) {
        return false;
    }
    return discardQueued();
}

bool MessageDispatchThread::discardQueued() {
    // Payloads of the previous connection that were never dispatched belong to another session.
    if (platform::waitForSingleObject(queueLock_, platform::INFINITE) == platform::WAIT_FAILED) {
        return false;
    }
    queue_.clear();
    messageWaiting_->reset();
    queueLock_->release();
    return true;
}

void MessageDispatchThread::exitThread() {
    LogBeacon::log("MessageDispatchThread::exitThread", DebugLevel1, L" ");
    LogBeacon::log("MessageDispatchThread::exitThread", DebugLevel4, L"Purging the outbound queue.");
}

void MessageDispatchThread::notifyShutdown() {
    LogBeacon::log("MessageDispatchThread::notifyShutdown", DebugLevel1, L" ");
    if (terminate_) {
        terminate_->set();
    }
}

int MessageDispatchThread::run() {
    LogBeacon::log("MessageDispatchThread::run", DebugLevel1, L" ");
    while (platform::waitForSingleObject(terminate_, 0) != platform::WAIT_OBJECT_0) {
        thread_->setState(ThreadState::Wait);
        DWORD code = wait();
        if (code == 0) {
            thread_->setState(ThreadState::Run);
            code = doWork();
        }
        if (code != 0) {
            return code == platform::ERROR_CANCELLED ? 0 : static_cast<int>(code);
        }
    }
    return 0;
}

DWORD MessageDispatchThread::wait() {
    static constexpr const char* context = "MessageDispatchThread::wait";
    LogBeacon::log(context, DebugLevel1, L" ");
    LogBeacon::log(context, DebugLevel2,
                   L"::WaitForMultipleObjects() waiting for a message to be put in the queue.");
    switch (platform::waitForMultipleObjects({terminate_, messageWaiting_}, false, platform::INFINITE)) {
        case platform::WAIT_OBJECT_0:
            LogBeacon::log(context, DebugLevel3, signalledViaTerminate);
            return platform::ERROR_CANCELLED;
        case platform::WAIT_OBJECT_0 + 1:
            LogBeacon::log(context, DebugLevel3,
                           L"::WaitForMultipleObjects() became signaled via [_message_waiting_indicator].");
            return 0;
        case platform::WAIT_TIMEOUT:
            LogBeacon::log(context, Error,
                           L"::WaitForMultipleObjects() failed (WAIT_FAILED), abandoning function call.");
            return platform::ERROR_TIMEOUT;
        case platform::WAIT_FAILED:
            logWaitFailure(context);
            return platform::getLastError();
        default:
            return 0;
    }
}

DWORD MessageDispatchThread::doWork() {
    static constexpr const char* context = "MessageDispatchThread::doWork";
    LogBeacon::log(context, DebugLevel1, L" ");
    if (const DWORD code = lockQueue(); code != 0) {
        return code;
    }
    LogBeacon::log(context, DebugLevel4, L"Queue depth %d.", queue_.size());
    // Everything queued by now is taken in one go: at the line's full rate a wake per payload
    // would fall behind the unit, and the queue would grow without bound.
    std::deque<std::vector<std::uint8_t>> batch;
    batch.swap(queue_);
    messageWaiting_->reset();
    queueLock_->release();
    for (const std::vector<std::uint8_t>& payload : batch) {
        target_->DispatchMessage(payload.data(), payload.size());
    }
    // Paces the consumer, as the unit's traffic was tuned against: at most one wake per 10 ms, so
    // a chatty unit is decoded in batches and this thread never spins. The pause holds no lock,
    // so the read thread's appends never wait behind it, and it ends early on terminate.
    if (platform::waitForSingleObject(terminate_, pauseMs_.load()) == platform::WAIT_OBJECT_0) {
        LogBeacon::log(context, DebugLevel3, signalledViaTerminate);
        return platform::ERROR_CANCELLED;
    }
    return 0;
}

bool MessageDispatchThread::appendMessageToQueue(const std::uint8_t* bytes, std::size_t size) {
    static constexpr const char* context = "MessageDispatchThread::appendMessageToQueue";
    LogBeacon::log(context, DebugLevel1, L" ");
    std::vector<std::uint8_t> copy(bytes, bytes + size);
    if (lockQueue() != 0) {
        return false;
    }
    LogBeacon::log(context, DebugLevel4, L"Appending data to the outbound queue.");
    queue_.push_back(std::move(copy));
    LogBeacon::log(context, DebugLevel2, L"::SetEvent [_data_pending_to_be_written].");
    messageWaiting_->set();
    LogBeacon::log(context, DebugLevel2, L"Releasing the lock on the [_outbound_data_lock] mutex.");
    queueLock_->release();
    return true;
}

bool MessageDispatchThread::messageWaiting() const {
    return messageWaiting_ && platform::waitForSingleObject(messageWaiting_, 0) == platform::WAIT_OBJECT_0;
}

void MessageDispatchThread::setPause(DWORD milliseconds) {
    pauseMs_.store(milliseconds);
}

std::size_t MessageDispatchThread::queueDepth() const {
    if (!queueLock_ ||
        platform::waitForSingleObject(queueLock_, platform::INFINITE) == platform::WAIT_FAILED) {
        return 0;
    }
    const std::size_t depth = queue_.size();
    queueLock_->release();
    return depth;
}

DWORD MessageDispatchThread::lockQueue() {
    static constexpr const char* context = "MessageDispatchThread::lockQueue";
    LogBeacon::log(context, DebugLevel1, L" ");
    LogBeacon::log(context, DebugLevel2,
                   L"::WaitForMultipleObjects() attempting to gain exclusive access to the queue.");
    switch (platform::waitForMultipleObjects({terminate_, queueLock_}, false, platform::INFINITE)) {
        case platform::WAIT_OBJECT_0:
            LogBeacon::log(context, DebugLevel3, signalledViaTerminate);
            return platform::ERROR_CANCELLED;
        case platform::WAIT_OBJECT_0 + 1:
            LogBeacon::log(context, DebugLevel3,
                           L"::WaitForMultipleObjects() became signaled via [_message_queue_lock].");
            return 0;
        case platform::WAIT_TIMEOUT:
            LogBeacon::log(context, DebugLevel3,
                           L"::WaitForMultipleObjects() timed out (WAIT_TIMEOUT), abandoning function call.");
            return platform::ERROR_TIMEOUT;
        case platform::WAIT_FAILED:
            logWaitFailure(context);
            return platform::getLastError();
        default:
            LogBeacon::log(
                context, Error,
                L"%hs ::WaitForMultipleObjects() failed for an unknown reason, abandoning function call.",
                context);
            return platform::getLastError();
    }
}
