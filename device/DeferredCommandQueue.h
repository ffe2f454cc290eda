#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/platform/Event.h"
#include "support/platform/Mutex.h"

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// The commands held back while the unit measures its battery, replayed in order when it is done.
// Each entry calls one command operation of the stack again, so a replayed command is deferred
// anew when a battery reading has begun again meanwhile.
class DeferredCommandQueue {
public:
    using Command = std::function<void()>;

    DeferredCommandQueue() = default;
    DeferredCommandQueue(const DeferredCommandQueue&) = delete;
    DeferredCommandQueue& operator=(const DeferredCommandQueue&) = delete;

    // For a new connection: creates the terminate event and "queue mutex" on first use, clears the
    // terminate event and drops commands held back for an earlier connection. 0, or the system's
    // code (also the last error).
    zeph::platform::DWORD prepare();

    // Appends the command, waiting at most 200 ms for the queue; logs under the caller's context.
    // A command that cannot be appended is lost (and logged).
    void append(const char* context, Command command);

    // Replays, outside the lock and in order, the commands queued when the replay starts; those
    // deferred again during the replay wait for the next one, so a battery reading that begins
    // anew cannot keep a replay spinning. Stops at once when terminate() is called.
    void replay(const char* context);

    // Ends a replay in progress (the connection is going away).
    void terminate();

    std::size_t depth() const { return depth_.load(); }

private:
    std::shared_ptr<zeph::platform::Mutex> queueMutex() const;
    std::shared_ptr<zeph::platform::Event> terminateEvent() const;
    // Takes the front command under "_queue_mutex", which the caller holds; empty when none.
    Command takeFront();

    mutable std::mutex handlesLock_;  //!< guards the two handles below, created by the first prepare
    std::shared_ptr<zeph::platform::Mutex> queueMutex_;  //!< "_queue_mutex": guards commands_
    std::shared_ptr<zeph::platform::Event> terminate_;   //!< "_terminate": ends a replay
    std::deque<Command> commands_;
    std::atomic<std::size_t> depth_{0};  //!< commands_.size(), readable without the lock
};
