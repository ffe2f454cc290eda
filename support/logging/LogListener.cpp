#include "support/logging/LogListener.h"

#include "support/logging/LogBeacon.h"

namespace zeph::windows::logging {

LogListener::~LogListener() {
    detach();
}

platform::DWORD LogListener::attach() {
    const std::lock_guard lock(connectionMutex_);
    if (connection_.connected()) {
        return platform::ERROR_ALREADY_INITIALIZED;
    }
    // Never creates the beacon: its window must belong to the window thread, not to whichever
    // thread attaches first.
    LogBeacon* beacon = LogBeacon::current();
    if (beacon == nullptr) {
        return platform::ERROR_CONNECTION_REFUSED;
    }
    connection_ = beacon->connect(
        [this](const LogVerbosity& verbosity, platform::SYSTEMTIME time, const wchar_t* context,
               const wchar_t* message) { write(verbosity, time, context, message); });
    return connection_.connected() ? platform::ERROR_SUCCESS : platform::ERROR_CONNECTION_REFUSED;
}

platform::DWORD LogListener::detach() {
    const std::lock_guard lock(connectionMutex_);
    if (!connection_.connected()) {
        return platform::ERROR_NOT_CONNECTED;
    }
    connection_.disconnect();
    connection_ = boost::signals2::connection();
    return platform::ERROR_SUCCESS;
}

}  // namespace zeph::windows::logging
