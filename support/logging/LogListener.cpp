#include "support/logging/LogListener.h"

#include "support/logging/LogBeacon.h"

namespace zeph::windows::logging {

LogListener::~LogListener() {
    detach();
}

void LogListener::writeBatch(LogBatch entries) {
    for (const LogEntry& entry : entries) {
        if (takes(entry.verbosity())) {
            write(entry);
        }
    }
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
    connection_ = beacon->connect(*this);
    return connection_.connected() ? platform::ERROR_SUCCESS : platform::ERROR_CONNECTION_REFUSED;
}

platform::DWORD LogListener::detach() {
    const std::lock_guard lock(connectionMutex_);
    if (!connection_.connected()) {
        return platform::ERROR_NOT_CONNECTED;
    }
    connection_.disconnect();
    connection_ = boost::signals2::connection();
    if (LogBeacon* beacon = LogBeacon::current()) {
        beacon->updateLevels();
    }
    return platform::ERROR_SUCCESS;
}

void LogListener::setLevels(std::uint32_t levels) {
    levels_.store(levels, std::memory_order_relaxed);
    if (LogBeacon* beacon = LogBeacon::current()) {
        beacon->updateLevels();
    }
}

}  // namespace zeph::windows::logging
