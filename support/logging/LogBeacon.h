#pragma once

#include "support/logging/LogVerbosity.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/Format.h"
#include "support/platform/LocalTime.h"

#include <boost/signals2/connection.hpp>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace zeph::windows::logging {

class LogNotificationWnd;

// The process-wide debug log. Entries are rendered and time-stamped on the calling thread and
// delivered, in posting order, to the listeners on the thread that created the beacon.
class LogBeacon {
public:
    using Slot = std::function<void(const LogVerbosity&, platform::SYSTEMTIME, const wchar_t*, const wchar_t*)>;

    // Creates the beacon on the first call; its window belongs to the calling thread.
    static LogBeacon& instance();

    // Callable from any thread at any time; does nothing before instance() has run.
    // The format is a Windows wide-printf format (%s wide, %hs narrow); text from the unit is
    // only ever an argument, never the format.
    template <typename... Args>
    static void log(const char* context, const LogVerbosity& verbosity, const wchar_t* format,
                    const Args&... args) {
        LogBeacon* beacon = current();
        if (beacon == nullptr) {
            return;
        }
        beacon->post(context, verbosity, platform::formatMessage(format ? format : L"", args...));
    }

    // Logs the system's text for the code at Error, without its trailing CR LF.
    static void logSystemError(const char* context, const platform::DWORD& code);

    boost::signals2::connection connect(const Slot& slot);

    // Delivers, on the calling (window) thread, every entry already posted.
    void flush();

    virtual ~LogBeacon();

private:
    LogBeacon();
    static LogBeacon* current();
    void post(const char* context, const LogVerbosity& verbosity, std::wstring&& message);

    std::unique_ptr<LogNotificationWnd> window_;
};

}  // namespace zeph::windows::logging
