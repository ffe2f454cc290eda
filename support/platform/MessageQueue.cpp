#include "support/platform/MessageQueue.h"

#include "support/platform/LastError.h"
#include "support/platform/MessageRegistry.h"
#include "support/platform/SentMessage.h"
#include "support/platform/ThreadMessageQueue.h"

namespace zeph::platform {

namespace {

// A filter must name a window of the calling thread and a range that is not upside down
// (a reversed range would leave a getMessage waiting for nothing).
bool isValidFilter(const ThreadMessageQueue& queue, const MessageFilter& filter) {
    if (filter.min > filter.max) {
        setLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (filter.window != nullptr && !queue.hasWindow(filter.window)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

// The queue of a thread that is already being torn down is gone for good.
std::shared_ptr<ThreadMessageQueue> queueOrError() {
    auto queue = currentQueue();
    if (!queue) {
        setLastError(ERROR_INVALID_THREAD_ID);
    }
    return queue;
}

}  // namespace

bool postThreadMessage(ThreadId thread, UINT message, WPARAM wParam, LPARAM lParam) {
    auto queue = MessageRegistry::instance().queueOf(thread);
    const DWORD posted = queue ? queue->post(MSG{nullptr, message, wParam, lParam}) : ERROR_INVALID_HANDLE;
    if (posted != ERROR_SUCCESS) {
        setLastError(posted == ERROR_NOT_ENOUGH_QUOTA ? posted : ERROR_INVALID_THREAD_ID);
        return false;
    }
    return true;
}

int getMessage(MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
    auto queue = queueOrError();
    if (!queue) {
        return -1;
    }
    const MessageFilter filter{window, filterMin, filterMax};
    for (;;) {
        const auto seen = queue->changes();
        deliverSentMessages(*queue);
        // Checked on every round: a procedure run above may have destroyed the filter window.
        if (!isValidFilter(*queue, filter)) {
            return -1;
        }
        if (queue->peek(msg, filter, true)) {
            return msg.message == WM_QUIT ? 0 : 1;
        }
        queue->waitForChange(seen);
    }
}

bool peekMessage(MSG& msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if ((removeFlags & ~PM_REMOVE) != 0) {
        setLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    auto queue = queueOrError();
    if (!queue) {
        return false;
    }
    deliverSentMessages(*queue);
    const MessageFilter filter{window, filterMin, filterMax};
    return isValidFilter(*queue, filter) && queue->peek(msg, filter, (removeFlags & PM_REMOVE) != 0);
}

LRESULT dispatchMessage(const MSG& msg) {
    if (msg.hwnd == nullptr) {
        return 0;
    }
    auto& registry = MessageRegistry::instance();
    auto target = registry.target(msg.hwnd);
    if (!target) {
        // Posted before its window was destroyed: dropped here.
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (target->owner != currentThreadId()) {
        // A procedure runs only on its window's thread.
        setLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    // Held across the call: the procedure may destroy its own window.
    auto procedure = registry.procedure(msg.hwnd);
    return procedure ? (*procedure)(msg.hwnd, msg.message, msg.wParam, msg.lParam) : 0;
}

void postQuitMessage(int exitCode) {
    if (auto queue = currentQueue()) {
        queue->postQuit(exitCode);
    }
}

std::size_t pumpMessages() {
    auto queue = existingQueue();
    if (!queue) {
        return 0;
    }
    // Only what is queued now: messages posted by the procedures below wake the hook again.
    const auto upTo = queue->lastSequence();
    std::size_t handled = 0;
    for (;;) {
        handled += deliverSentMessages(*queue);
        MSG msg;
        if (!queue->takeForPump(msg, upTo)) {
            return handled;
        }
        dispatchMessage(msg);
        ++handled;
    }
}

void setMessageWakeHook(std::function<void()> hook) {
    if (auto queue = currentQueue()) {
        queue->setWakeHook(std::move(hook));
    }
}

}  // namespace zeph::platform
