#pragma once

#include "simulator/UnitFrameBuilder.h"
#include "support/platform/ErrorCodes.h"

#include <chrono>
#include <deque>
#include <optional>
#include <string>

namespace quorvex::simulator {

using Clock = std::chrono::steady_clock;

// The unit's end of the line: the master of a pseudo-terminal it made, or a tty given by path.
// Non-blocking; output waits in a queue and may be trickled out one byte at a time.
class UnitPort {
public:
    UnitPort() = default;
    ~UnitPort();
    UnitPort(const UnitPort&) = delete;
    UnitPort& operator=(const UnitPort&) = delete;

    // A new pseudo-terminal in raw mode; the console opens name(). The unit keeps a descriptor of
    // the far side too, so the line and its settings survive the console closing and reopening it.
    zeph::platform::DWORD openPseudoTerminal();
    zeph::platform::DWORD openDevice(const std::string& path);

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    // The path the console opens.
    const std::string& name() const { return name_; }

    // Appends what has arrived; false when the line hung up or failed.
    bool read(Bytes& into);

    // Queues bytes; with a pause, they go out one at a time that far apart.
    void queue(Bytes bytes, std::chrono::milliseconds pausePerByte = {});
    bool hasOutput() const { return !output_.empty(); }
    // Output is waiting and may go now.
    bool wantsToWrite(Clock::time_point now) const { return hasOutput() && now >= nextWrite_; }
    // When a trickled byte may go next, if one waits for its turn.
    std::optional<Clock::time_point> nextWriteTime(Clock::time_point now) const;
    // Writes what may go now; false when the line failed.
    bool flush(Clock::time_point now);

    // Drops the line: the console sees a hang-up.
    void close();

private:
    struct Chunk {
        Bytes bytes;
        std::size_t written = 0;
        std::chrono::milliseconds pause{};
    };

    int fd_ = -1;
    int farSide_ = -1;  // the pseudo-terminal's slave, held open by the unit
    std::string name_;
    std::deque<Chunk> output_;
    Clock::time_point nextWrite_{};
};

}  // namespace quorvex::simulator
