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
    stopPacing();
    platform::destroyWindow(window_);
    release(pending_.exchange(nullptr, std::memory_order_acquire));
}

void LogNotificationWnd::release(Pending* newest) {
    while (newest != nullptr) {
        delete std::exchange(newest, newest->previous);
    }
}

void LogNotificationWnd::post(LogEntry&& entry) {
    Pending* previous = pending_.load(std::memory_order_relaxed);
    auto* node = new Pending{std::move(entry), previous};
    // Once pushed, the node belongs to the window thread, which may have freed it already: only
    // the local copy of what it was pushed onto is read after the push.
    while (!pending_.compare_exchange_weak(previous, node, std::memory_order_release,
                                           std::memory_order_relaxed)) {
        node->previous = previous;
    }
    // One wake-up per batch: a later entry finds the batch non-empty and the window already woken.
    if (previous == nullptr && !wake()) {
        // No window to wake: nobody would ever take the batch.
        release(pending_.exchange(nullptr, std::memory_order_acquire));
    }
}

bool LogNotificationWnd::wake() {
    if (!paced_.load(std::memory_order_acquire)) {
        return platform::postMessage(window_, WM_LOG_WRITEMESSAGE(), 0, 0);
    }
    if (!armed_.exchange(true, std::memory_order_acq_rel)) {
        // Taken briefly so the pacing thread cannot miss the change between its test and its wait.
        { const std::lock_guard lock(paceMutex_); }
        paceChanged_.notify_one();
    }
    return true;
}

void LogNotificationWnd::paceDelivery(std::chrono::milliseconds interval) {
    stopPacing();
    if (interval.count() <= 0 || window_ == nullptr) {
        return;
    }
    interval_ = interval;
    stopping_ = false;
    pacer_ = std::thread([this] { pace(); });
    paced_.store(true, std::memory_order_release);
}

void LogNotificationWnd::pace() {
    std::unique_lock lock(paceMutex_);
    for (;;) {
        paceChanged_.wait(lock, [this] { return stopping_ || armed_.load(std::memory_order_acquire); });
        if (stopping_) {
            return;
        }
        // The batch gathers for the interval; entries pushed after the flag is cleared arm it anew.
        paceChanged_.wait_for(lock, interval_, [this] { return stopping_; });
        armed_.store(false, std::memory_order_release);
        lock.unlock();
        if (!platform::postMessage(window_, WM_LOG_WRITEMESSAGE(), 0, 0)) {
            release(pending_.exchange(nullptr, std::memory_order_acquire));
        }
        lock.lock();
    }
}

void LogNotificationWnd::stopPacing() {
    if (!pacer_.joinable()) {
        return;
    }
    paced_.store(false, std::memory_order_release);
    {
        const std::lock_guard lock(paceMutex_);
        stopping_ = true;
    }
    paceChanged_.notify_one();
    pacer_.join();
    // A batch the pacing thread had not woken the window for yet is woken for now.
    if (armed_.exchange(false, std::memory_order_acq_rel)) {
        platform::postMessage(window_, WM_LOG_WRITEMESSAGE(), 0, 0);
    }
}

void LogNotificationWnd::deliverPending() {
    // The list runs newest first; the batch is local, since a listener that pumps messages may
    // deliver the next batch meanwhile.
    std::vector<Pending*> nodes;
    for (Pending* node = pending_.exchange(nullptr, std::memory_order_acquire); node != nullptr;
         node = node->previous) {
        nodes.push_back(node);
    }
    std::vector<LogEntry> batch = std::move(spare_);
    batch.reserve(nodes.size());
    for (auto node = nodes.rbegin(); node != nodes.rend(); ++node) {
        if ((*node)->entry.resolve()) {  // entries of a level that left the registry are dropped
            batch.push_back(std::move((*node)->entry));
        }
        delete *node;
    }
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
