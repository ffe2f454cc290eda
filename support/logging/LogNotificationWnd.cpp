#include "support/logging/LogNotificationWnd.h"

#include "support/platform/MessageWindow.h"
#include "support/platform/RegisteredMessage.h"

#include <exception>
#include <utility>
#include <vector>

namespace zeph::windows::logging {

platform::UINT LogNotificationWnd::WM_LOG_WRITEMESSAGE() {
    static const platform::UINT message =
        platform::registerWindowMessage(L"WM_LOG_WRITEMESSAGE-{4D320642-D342-4FD8-906E-03B1C7E168F8}");
    return message;
}

LogNotificationWnd::LogNotificationWnd() {
    const platform::UINT writeMessage = WM_LOG_WRITEMESSAGE();
    window_ = platform::createMessageWindow(
        [this, writeMessage](platform::HWND, platform::UINT message, platform::WPARAM, platform::LPARAM) {
            if (message == writeMessage) {
                deliverPending();
            }
            return platform::LRESULT{0};
        });
}

LogNotificationWnd::~LogNotificationWnd() {
    platform::destroyWindow(window_);
}

void LogNotificationWnd::post(LogEntry&& entry) {
    std::unique_lock lock(pendingMutex_);
    const bool wake = pending_.empty();
    pending_.push_back(std::move(entry));
    lock.unlock();
    // One wake-up per batch: a later entry finds the batch non-empty and the window already woken.
    if (wake && !platform::postMessage(window_, WM_LOG_WRITEMESSAGE(), 0, 0)) {
        // No window to wake: nobody would ever take the batch.
        lock.lock();
        pending_.clear();
    }
}

void LogNotificationWnd::deliverPending() {
    // The batch is local: a listener that pumps messages may deliver the next batch meanwhile.
    std::vector<LogEntry> batch = std::move(spare_);
    {
        const std::lock_guard lock(pendingMutex_);
        batch.swap(pending_);
    }
    // Entries of a level that left the registry since their call are dropped.
    std::erase_if(batch, [](LogEntry& entry) { return !entry.resolve(); });
    if (!batch.empty()) {
        try {
            signal_(LogBatch(batch));
        } catch (const std::exception&) {
            // A sink that fails (out of memory) loses this batch; it must not take the message
            // loop of the window thread down with it.
        }
    }
    batch.clear();
    spare_ = std::move(batch);
}

}  // namespace zeph::windows::logging
