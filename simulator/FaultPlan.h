#pragma once

#include "simulator/UnitPort.h"

#include <optional>
#include <span>
#include <string_view>

namespace quorvex::simulator {

enum class FaultKind {
    BadChecksum,  // the next frames carry a wrong checksum
    MissingEot,   // the next frames end without their EOT byte
    WrongLength,  // the next frames carry one payload byte more than their mask announces
    Garbage,      // bytes that are no frame, at once
    WakeFlood,    // a run of 0x5E wake bytes, at once
    Silence,      // the unit neither sends nor answers, for a time or until cleared
    NoStop,       // a stream that STOP and REINIT do not end
    Trickle,      // the next frames go out one byte at a time
    HangUp,       // the unit drops the line
};

struct Fault {
    FaultKind kind = FaultKind::BadChecksum;
    // Frames affected (BadChecksum, MissingEot, WrongLength, Trickle) or bytes sent (Garbage,
    // WakeFlood).
    int count = 1;
    // Silence: how long (0: until cleared). Trickle: the pause between two bytes.
    std::chrono::milliseconds time{0};
};

// The name a fault has in control lines ("badChecksum", ...), and back.
std::string_view faultName(FaultKind kind);
std::optional<FaultKind> faultKindNamed(std::string_view name);

// The bytes for a fault that is sent at once (Garbage, WakeFlood).
Bytes faultBytes(const Fault& fault);

// The faults that shape the frames the unit sends, and its silence.
class FaultPlan {
public:
    // Adds a lasting or per-frame fault; the immediate ones are not kept here.
    void add(const Fault& fault, Clock::time_point now);
    void clear() { *this = FaultPlan(); }

    struct Transmission {
        Bytes bytes;
        std::chrono::milliseconds pausePerByte{};
    };
    // The bytes that put a payload on the line, shaped by the pending per-frame faults.
    Transmission encode(std::span<const std::uint8_t> payload, std::size_t wakeBytes);

    bool silent(Clock::time_point now) const;
    // When a timed silence ends, while it lasts.
    std::optional<Clock::time_point> silenceEnd(Clock::time_point now) const;
    bool noStop() const { return noStop_; }

private:
    int badChecksum_ = 0;
    int missingEot_ = 0;
    int wrongLength_ = 0;
    int trickleFrames_ = 0;
    std::chrono::milliseconds tricklePause_{};
    bool silentForever_ = false;
    std::optional<Clock::time_point> silentUntil_;
    bool noStop_ = false;
};

}  // namespace quorvex::simulator
