#include "support/platform/MessageWindow.h"

#include "support/platform/LastError.h"
#include "support/platform/MessageRegistry.h"
#include "support/platform/SentMessage.h"
#include "support/platform/ThreadMessageQueue.h"

namespace zeph::platform {

namespace {

std::optional<WindowTarget> targetOrError(HWND window) {
    auto target = MessageRegistry::instance().target(window);
    if (!target) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
    }
    return target;
}

// Queues the message with the window's thread and waits for its answer, handling messages
// sent to the caller's own windows meanwhile (two threads sending to each other never lock up).
LRESULT sendToOtherThread(HWND window, ThreadMessageQueue& ownerQueue, UINT message, WPARAM wParam,
                          LPARAM lParam) {
    auto replyQueue = existingQueue();
    if (!replyQueue) {
        // A private queue nobody else knows, only to wait on.
        replyQueue = std::make_shared<ThreadMessageQueue>(currentThreadId());
    }
    auto sent = std::make_shared<SentMessage>();
    sent->window = window;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->replyQueue = replyQueue;
    if (!ownerQueue.enqueueSent(sent)) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    for (;;) {
        const auto seen = replyQueue->changes();
        if (sent->done.load(std::memory_order_acquire)) {
            break;
        }
        deliverSentMessages(*replyQueue);
        replyQueue->waitForChange(seen);
    }
    if (sent->cancelled) {
        setLastError(ERROR_INVALID_WINDOW_HANDLE);
    }
    return sent->result;
}

}  // namespace

HWND createMessageWindow(WindowProc procedure) {
    if (!procedure) {
        setLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto queue = currentQueue();
    if (!queue) {
        setLastError(ERROR_INVALID_THREAD_ID);
        return nullptr;
    }
    return MessageRegistry::instance().addWindow(queue, std::move(procedure));
}

bool destroyWindow(HWND window) {
    auto target = targetOrError(window);
    if (!target) {
        return false;
    }
    if (target->owner != currentThreadId()) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // Destroyed when this function returns, outside every lock (or later by a running call).
    auto procedure = MessageRegistry::instance().removeWindow(window);
    for (const auto& sent : target->queue->removeWindow(window)) {
        sent->cancel();
    }
    return true;
}

bool isWindow(HWND window) {
    return window != nullptr && MessageRegistry::instance().target(window).has_value();
}

ThreadId getWindowThreadId(HWND window) {
    auto target = targetOrError(window);
    return target ? target->owner : 0;
}

bool postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto target = targetOrError(window);
    if (!target) {
        return false;
    }
    if (const DWORD posted = target->queue->post(MSG{window, message, wParam, lParam});
        posted != ERROR_SUCCESS) {
        // Either the queue is full or the owner thread ended after the look-up.
        setLastError(posted == ERROR_NOT_ENOUGH_QUOTA ? posted : ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto target = targetOrError(window);
    if (!target) {
        return 0;
    }
    if (target->owner != currentThreadId()) {
        return sendToOtherThread(window, *target->queue, message, wParam, lParam);
    }
    auto procedure = MessageRegistry::instance().procedure(window);
    return procedure ? (*procedure)(window, message, wParam, lParam) : 0;
}

}  // namespace zeph::platform
