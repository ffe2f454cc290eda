#pragma once

#include "support/logging/LogVerbosity.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/Format.h"
#include "support/platform/LocalTime.h"

#include <boost/signals2/connection.hpp>

#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace zeph::windows::logging {

class LogNotificationWnd;

// The process-wide debug log. Entries are rendered and time-stamped on the calling thread and
// delivered, in posting order, to the listeners on the thread that created the beacon.
class LogBeacon {
public:
    using Slot =
        std::function<void(const LogVerbosity&, platform::SYSTEMTIME, const wchar_t*, const wchar_t*)>;

    // Creates the beacon on the first call; its window belongs to the calling thread. The beacon
    // is never destroyed: threads still running at exit may log to it to the last moment.
    static LogBeacon& instance();

    // The beacon, or null before instance() has run; safe to read from any thread.
    static LogBeacon* current();

    // Callable from any thread at any time; does nothing before instance() has run, and only
    // renders the text when a listener is attached. Never reports a failure to the caller.
    // The format is a Windows wide-printf format (%s wide, %hs narrow); a percent sign in a text
    // without arguments must be written "%%". Text from the unit is only ever an argument.
    template <typename... Args>
    static void log(const char* context, const LogVerbosity& verbosity, const wchar_t* format,
                    const Args&... args) {
        LogBeacon* beacon = current();
        if (beacon == nullptr || !beacon->hasListeners()) {
            return;
        }
        try {
            const platform::SYSTEMTIME time = platform::getLocalTime();
            beacon->post(context, verbosity, time, platform::formatMessage(format ? format : L"", args...));
        } catch (const std::exception&) {
            // Out of memory: the entry is lost, the caller goes on.
        }
    }

    // Logs the system's text for the code at Error, without its trailing CR LF; nothing when the
    // system has no text for it.
    static void logSystemError(const char* context, const platform::DWORD& code);

    // Connects a slot at the back of the log signal: slots run in connection order.
    boost::signals2::connection connect(const Slot& slot);

    // Delivers, on the calling (window) thread, every entry posted before the call. Entries that
    // listeners log while being delivered wait for the next pump, so flush always returns.
    void flush();

    virtual ~LogBeacon();

private:
    LogBeacon();
    bool hasListeners() const;
    void post(const char* context, const LogVerbosity& verbosity, const platform::SYSTEMTIME& time,
              std::wstring&& message);

    std::unique_ptr<LogNotificationWnd> window_;
};

}  // namespace zeph::windows::logging
