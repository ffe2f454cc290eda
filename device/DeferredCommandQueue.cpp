#include "device/DeferredCommandQueue.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/Wait.h"

using namespace zeph::windows::logging;
using zeph::platform::DWORD;
namespace platform = zeph::platform;

namespace {

constexpr DWORD AppendTimeoutMs = 200;

void logFailure(const char* context, const wchar_t* format) {
    const DWORD error = platform::getLastError();
    LogBeacon::log(context, Error, format, error);
    LogBeacon::logSystemError(context, error);
}

}  // namespace

DWORD DeferredCommandQueue::prepare() {
    std::shared_ptr<platform::Mutex> mutex;
    {
        const std::lock_guard guard(handlesLock_);
        if (!terminate_) {
            terminate_ = platform::Event::create(true, false);
        } else {
            terminate_->reset();
        }
        if (!queueMutex_) {
            queueMutex_ = platform::Mutex::create(false, L"queue mutex");
        }
        if (!terminate_ || !queueMutex_) {
            const DWORD error = platform::getLastError();
            return error != 0 ? error : platform::ERROR_OUTOFMEMORY;
        }
        mutex = queueMutex_;
    }
    if (platform::waitForSingleObject(mutex, platform::INFINITE) == platform::WAIT_FAILED) {
        return platform::getLastError();
    }
    commands_.clear();
    depth_.store(0);
    mutex->release();
    return 0;
}

void DeferredCommandQueue::append(const char* context, Command command) {
    LogBeacon::log(context, DebugLevel2,
                   L"::WaitForSingleObject() attempting to gain exclusive access to the queue.");
    const std::shared_ptr<platform::Mutex> mutex = queueMutex();
    const DWORD waited = platform::waitForSingleObject(mutex, AppendTimeoutMs);
    if (waited == platform::WAIT_OBJECT_0 || waited == platform::WAIT_ABANDONED_0) {
        LogBeacon::log(context, DebugLevel3, L"::WaitForSingleObject() became signaled via [_queue_mutex]");
        LogBeacon::log(context, DebugLevel3, L"appending data to the outbound queue.");
        commands_.push_back(std::move(command));
        depth_.store(commands_.size());
        LogBeacon::log(context, DebugLevel2, L"Releasing the lock on the [_queue_mutex] mutex.");
        mutex->release();
    } else if (waited == platform::WAIT_TIMEOUT) {
        LogBeacon::log(context, Error,
                       L"::WaitForSingleObject() failed (WAIT_TIMEOUT), abandoning function call.");
    } else {
        logFailure(context, L"::WaitForSingleObject() failed (WAIT_FAILED) [%d], abandoning function call.");
    }
}

void DeferredCommandQueue::replay(const char* context) {
    const std::size_t queued = depth_.load();
    LogBeacon::log(context, Information, L"Queue depth %d.", queued);
    const std::shared_ptr<platform::Mutex> mutex = queueMutex();
    const std::shared_ptr<platform::Event> terminate = terminateEvent();
    for (std::size_t left = queued; left > 0 && depth_.load() > 0; --left) {
        LogBeacon::log(context, DebugLevel2,
                       L"::WaitForMultipleObjects() attempting to gain exclusive access to the queue.");
        const DWORD waited = platform::waitForMultipleObjects({terminate, mutex}, false, platform::INFINITE);
        if (waited == platform::WAIT_OBJECT_0) {
            LogBeacon::log(
                context, DebugLevel3,
                L"::WaitForMultipleObjects() became signaled via [_terminate], abandoning function "
                L"call.");
            return;
        }
        if (waited == platform::WAIT_TIMEOUT) {
            LogBeacon::log(context, Error,
                           L"::WaitForMultipleObjects() failed (WAIT_TIMEOUT), abandoning function call.");
            return;
        }
        if (waited != platform::WAIT_OBJECT_0 + 1 && waited != platform::WAIT_ABANDONED_0 + 1) {
            logFailure(context,
                       L"::WaitForMultipleObjects() failed (WAIT_FAILED) [%d], abandoning function call.");
            return;
        }
        LogBeacon::log(context, DebugLevel3,
                       L"::WaitForMultipleObjects() became signaled via [_queue_mutex].");
        const Command command = takeFront();
        mutex->release();
        if (!command) {
            return;  // another replay took the rest
        }
        command();
        if (platform::waitForSingleObject(terminate, 0) == platform::WAIT_OBJECT_0) {
            LogBeacon::log(
                context, DebugLevel3,
                L"::WaitForSingleObject() became signaled via [_terminate], abandoning function call.");
            return;
        }
    }
}

void DeferredCommandQueue::terminate() {
    if (const std::shared_ptr<platform::Event> event = terminateEvent()) {
        event->set();
    }
}

std::shared_ptr<platform::Mutex> DeferredCommandQueue::queueMutex() const {
    const std::lock_guard guard(handlesLock_);
    return queueMutex_;
}

std::shared_ptr<platform::Event> DeferredCommandQueue::terminateEvent() const {
    const std::lock_guard guard(handlesLock_);
    return terminate_;
}

DeferredCommandQueue::Command DeferredCommandQueue::takeFront() {
    if (commands_.empty()) {
        return {};
    }
    Command command = std::move(commands_.front());
    commands_.pop_front();
    depth_.store(commands_.size());
    return command;
}
