#pragma once

#include "support/logging/LogEntry.h"
#include "support/logging/LogVerbosity.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/Format.h"

#include <boost/signals2/connection.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <vector>

namespace zeph::windows::logging {

class LogListener;
class LogNotificationWnd;

// The process-wide debug log. Entries are time-stamped and rendered once, as UTF-8, on the calling
// thread, and delivered in batches, in posting order, to the listeners on the thread that created
// the beacon. A level that no attached listener takes costs one atomic read: nothing is rendered.
class LogBeacon {
public:
    using Slot = std::function<void(LogBatch)>;

    // Creates the beacon on the first call; its window belongs to the calling thread. The beacon
    // is never destroyed: threads still running at exit may log to it to the last moment.
    static LogBeacon& instance();

    // The beacon, or null before instance() has run; safe to read from any thread.
    static LogBeacon* current();

    // Callable from any thread at any time; does nothing before instance() has run, and only
    // renders the text when an attached listener takes the level. Never reports a failure to the
    // caller. The format is a Windows wide-printf format (%s wide, %hs narrow); a percent sign in
    // a text without arguments must be written "%%". Text from the unit is only ever an argument.
    template <typename... Args>
    static void log(const char* context, const LogVerbosity& verbosity, const wchar_t* format,
                    const Args&... args) {
        LogBeacon* beacon = current();
        if (beacon == nullptr || !beacon->wants(verbosity)) {
            return;
        }
        if constexpr (sizeof...(Args) == 0) {
            beacon->post(context, verbosity, format, {});
        } else {
            const platform::FormatArg packed[] = {platform::FormatArg(args)...};
            beacon->post(context, verbosity, format, packed);
        }
    }

    // Logs the system's text for the code at Error, without its trailing CR LF; nothing when the
    // system has no text for it.
    static void logSystemError(const char* context, const platform::DWORD& code);

    // Whether an attached listener takes the level: one relaxed atomic read, no lock.
    bool wants(const LogVerbosity& verbosity) const {
        return (levels_.load(std::memory_order_relaxed) & verbosity.value()) != 0;
    }

    // Connects a slot at the back of the log signal (slots run in connection order). A bare
    // slot takes the levels given; a listener's connection follows the listener's own levels.
    boost::signals2::connection connect(const Slot& slot, std::uint32_t levels = 0xFFFFFFFF);
    boost::signals2::connection connect(LogListener& listener);
    // Recomputes the levels that the attached listeners take (after a filter change or a detach).
    void updateLevels();

    // Delivers, on the calling (window) thread, every entry posted before the call. Entries that
    // listeners log while being delivered wait for the next pump, so flush always returns.
    void flush();

    // Wake-ups of the window for new entries at most once per interval (zero: at once); see
    // LogNotificationWnd::paceDelivery.
    void paceDelivery(std::chrono::milliseconds interval);

    // How many entries have been rendered since start: a filtered level is never rendered.
    std::uint64_t renderedCount() const { return rendered_.load(std::memory_order_relaxed); }

    virtual ~LogBeacon();

private:
    // One connected slot and the levels it takes: a listener's own, or fixed for a bare slot.
    struct Subscription {
        boost::signals2::connection connection;
        const LogListener* listener;
        std::uint32_t levels;
    };

    LogBeacon();
    void post(const char* context, const LogVerbosity& verbosity, const wchar_t* format,
              std::span<const platform::FormatArg> args) noexcept;
    boost::signals2::connection subscribe(const Slot& slot, const LogListener* listener,
                                          std::uint32_t levels);

    std::unique_ptr<LogNotificationWnd> window_;
    std::atomic<std::uint32_t> levels_{0};  // the union of the attached slots' levels
    std::atomic<std::uint64_t> rendered_{0};
    std::mutex subscriptionsMutex_;  //!< Guards subscriptions_ and the recomputation of levels_.
    std::vector<Subscription> subscriptions_;
};

}  // namespace zeph::windows::logging
