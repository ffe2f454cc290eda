#pragma once

#include "support/logging/LogEntry.h"
#include "support/platform/WindowTypes.h"

#include <boost/signals2/signal.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zeph::windows::logging {

// The beacon's message-only window. Log calls of every thread push their entries onto its pending
// list without a lock; the first entry of a batch posts one wake-up, and on the window's own
// thread the whole batch goes to the log signal at once, in posting order.
class LogNotificationWnd {
public:
    // Slots run in the order in which they were connected.
    using Signal = boost::signals2::signal<void(LogBatch), boost::signals2::optional_last_value<void>, int,
                                           std::less<int>>;

    // The registered message that wakes the window for a pending batch.
    static platform::UINT WM_LOG_WRITEMESSAGE();

    // Creates the window on the calling thread. A window that cannot be created leaves a null
    // handle: every entry is then dropped at once.
    LogNotificationWnd();
    ~LogNotificationWnd();
    LogNotificationWnd(const LogNotificationWnd&) = delete;
    LogNotificationWnd& operator=(const LogNotificationWnd&) = delete;

    platform::HWND handle() const { return window_; }
    Signal& signal() { return signal_; }

    // From any thread, without a lock: adds the entry to the pending batch, waking the window when
    // the batch was empty. Entries the window can no longer take are dropped.
    void post(LogEntry&& entry);
    // On the window's thread: hands the pending batch to the signal. Entries that the listeners
    // log meanwhile form the next batch.
    void deliverPending();

    // With an interval above zero, the first entry of a batch wakes a pacing thread that waits the
    // interval and then wakes the window once: a busy line then costs one wake-up of the window
    // per interval instead of one per entry. Zero (the start) wakes the window at once. Called
    // on the window's thread, not while entries are logged from others when pacing is turned off
    // (the program's end): an entry that raced the change waits for the next flush.
    void paceDelivery(std::chrono::milliseconds interval);

private:
    // One entry waiting for delivery, linked to the one posted before it.
    struct Pending {
        LogEntry entry;
        Pending* previous;
    };
    static void release(Pending* newest);
    bool wake();
    void pace();
    void stopPacing();

    Signal signal_;  // declared first: the window procedure uses it from the moment it exists
    // The newest entry not yet delivered: logging threads push with a compare-and-swap, the window
    // takes the whole list with one exchange, so no logging thread ever waits for another.
    std::atomic<Pending*> pending_{nullptr};
    std::vector<LogEntry> spare_;  // storage of the last delivered batch, reused (window thread only)
    platform::HWND window_ = nullptr;

    std::atomic<bool> paced_{false};
    std::atomic<bool> armed_{false};  // a batch waits for the pacing thread's wake-up
    std::chrono::milliseconds interval_{0};
    std::mutex paceMutex_;
    std::condition_variable paceChanged_;
    bool stopping_ = false;  // guarded by paceMutex_
    std::thread pacer_;
};

}  // namespace zeph::windows::logging
