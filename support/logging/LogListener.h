#pragma once

#include "support/logging/LogVerbosity.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/LocalTime.h"

#include <boost/signals2/connection.hpp>

#include <mutex>

namespace zeph::windows::logging {

// Base of every log sink. Entries reach write on the beacon's window thread, one at a time.
// A sink whose write may still be called while it is destroyed (it is destroyed off the window
// thread) must detach in its own destructor: this one runs when the sink's part is gone.
class LogListener {
public:
    LogListener() = default;
    LogListener(const LogListener&) = delete;
    LogListener& operator=(const LogListener&) = delete;
    virtual ~LogListener();

    // The sink's work; the sink's filter decides here whether it takes the entry.
    virtual void write(const LogVerbosity& verbosity, platform::SYSTEMTIME time, const wchar_t* context,
                       const wchar_t* message) = 0;

    // 0 once connected; ERROR_ALREADY_INITIALIZED when already connected;
    // ERROR_CONNECTION_REFUSED when there is no beacon yet or the connection fails.
    platform::DWORD attach();
    // 0 once disconnected; ERROR_NOT_CONNECTED when not connected.
    platform::DWORD detach();

private:
    std::mutex connectionMutex_;  //!< Guards connection_: attach and detach come from any thread.
    boost::signals2::connection connection_;
};

}  // namespace zeph::windows::logging
