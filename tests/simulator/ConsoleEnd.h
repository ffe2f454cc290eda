#pragma once

#include "device/FrameCodec.h"
#include "simulator/UnitSimulator.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex::simulator::test {

// The console's end of the simulator's line, opened as the console opens a port, reading frames
// with the console's own codec.
class ConsoleEnd {
public:
    explicit ConsoleEnd(const std::string& path);
    ~ConsoleEnd();
    ConsoleEnd(const ConsoleEnd&) = delete;
    ConsoleEnd& operator=(const ConsoleEnd&) = delete;

    void sendLine(std::string_view text) const;  // the text and a line feed
    void reply(LinkReply reply) const;

    struct Frame {
        FrameVerdict verdict;
        Bytes bytes;    // everything the verdict covers (wake bytes and frame); all bytes on a refusal
        Bytes payload;  // an accepted frame's payload
        std::uint32_t mask() const { return verdict.payload.eventMask; }
        Bytes block() const { return Bytes(payload.begin() + 4, payload.end()); }
    };
    // The next frame as the console's codec judges it (connected, the given firmware word); a
    // refused frame's bytes are discarded, as the console does. Nothing within the time: nullopt.
    std::optional<Frame> readFrame(std::uint16_t firmwareWord = 96 << 4,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The next frame that is not streaming data (which keeps coming while a stream runs).
    std::optional<Frame> readEvent(std::uint16_t firmwareWord = 96 << 4);
    // Exactly count raw bytes, fewer if they do not come in time.
    Bytes readBytes(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The line reports a hang-up within the time.
    bool hungUp(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
    bool fill(std::chrono::milliseconds timeout);

    int fd_ = -1;
    Bytes buffer_;
};

// A simulator on a fresh pseudo-terminal with the console's end opened on it, not yet initialised.
struct Rig {
    explicit Rig(UnitProfile profile = quietProfile());
    // Battery readings only on request, short reply time so unanswered frames are given up soon.
    static UnitProfile quietProfile();
    // REQINIT, the Initialization Message acknowledged, the unit initialised.
    ConsoleEnd::Frame initialise();
    // Sends a command and returns the answer after acknowledging it.
    ConsoleEnd::Frame ask(std::string_view command);

    UnitSimulator unit;
    std::optional<ConsoleEnd> console;
};

}  // namespace quorvex::simulator::test
