#pragma once

#include "support/logging/LogEntry.h"
#include "support/logging/LogVerbosity.h"
#include "support/platform/ErrorCodes.h"

#include <boost/signals2/connection.hpp>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace zeph::windows::logging {

template <typename L>
class TLogFilter;

// Base of every log sink. Entries reach the sink on the beacon's window thread, in batches, in
// posting order. The levels a sink takes (its filter, all by default) are known to the beacon,
// which renders nothing that no attached sink takes.
//
// A sink that lives on the window thread (a log window, for instance) overrides write(entry) for
// one line, or writeBatch to take the whole batch at once (one edit block, one repaint):
//
//     void writeBatch(LogBatch entries) override {
//         for (const LogEntry& entry : entries) {
//             if (takes(entry.verbosity())) { append(entry.context(), entry.message()); }
//         }
//         repaint();
//     }
//
// A sink whose write may still be called while it is destroyed (it is destroyed off the window
// thread) must detach in its own destructor: this one runs when the sink's part is gone.
class LogListener {
public:
    static constexpr std::uint32_t kAllLevels = 0xFFFFFFFF;

    LogListener() = default;
    LogListener(const LogListener&) = delete;
    LogListener& operator=(const LogListener&) = delete;
    virtual ~LogListener();

    // A batch of entries, in posting order; the default hands each entry the sink takes to write.
    virtual void writeBatch(LogBatch entries);
    // The sink's work for one entry it takes.
    virtual void write(const LogEntry& entry) = 0;

    // The levels the sink takes, as a mask of level values; read from any thread without a lock.
    std::uint32_t levels() const { return levels_.load(std::memory_order_relaxed); }
    bool takes(const LogVerbosity& verbosity) const { return (verbosity.value() & levels()) != 0; }

    // 0 once connected; ERROR_ALREADY_INITIALIZED when already connected;
    // ERROR_CONNECTION_REFUSED when there is no beacon yet or the connection fails.
    platform::DWORD attach();
    // 0 once disconnected; ERROR_NOT_CONNECTED when not connected.
    platform::DWORD detach();

protected:
    // Changes the levels the sink takes; the beacon learns of it at once.
    void setLevels(std::uint32_t levels);

private:
    template <typename L>
    friend class TLogFilter;

    std::mutex connectionMutex_;  //!< Guards connection_: attach and detach come from any thread.
    boost::signals2::connection connection_;
    std::atomic<std::uint32_t> levels_{kAllLevels};
};

}  // namespace zeph::windows::logging
