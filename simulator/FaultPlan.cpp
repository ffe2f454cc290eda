#include "simulator/FaultPlan.h"

#include <array>
#include <utility>

namespace quorvex::simulator {

namespace {

constexpr std::array<std::pair<FaultKind, std::string_view>, 9> FaultNames{{
    {FaultKind::BadChecksum, "badChecksum"},
    {FaultKind::MissingEot, "missingEot"},
    {FaultKind::WrongLength, "wrongLength"},
    {FaultKind::Garbage, "garbage"},
    {FaultKind::WakeFlood, "wakeFlood"},
    {FaultKind::Silence, "silence"},
    {FaultKind::NoStop, "noStop"},
    {FaultKind::Trickle, "trickle"},
    {FaultKind::HangUp, "hangup"},
}};

bool takeOne(int& pending) {
    if (pending <= 0) {
        return false;
    }
    --pending;
    return true;
}

}  // namespace

std::string_view faultName(FaultKind kind) {
    for (const auto& [known, name] : FaultNames) {
        if (known == kind) {
            return name;
        }
    }
    return {};
}

std::optional<FaultKind> faultKindNamed(std::string_view name) {
    for (const auto& [kind, known] : FaultNames) {
        if (known == name) {
            return kind;
        }
    }
    return std::nullopt;
}

Bytes faultBytes(const Fault& fault) {
    const auto count = static_cast<std::size_t>(std::max(fault.count, 0));
    if (fault.kind == FaultKind::WakeFlood) {
        return Bytes(count, WakeByte);
    }
    // High bytes only: never a wake byte, SOH or EOT, so the console sees a missing SOH.
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(0x80 | ((i * 37 + 0x25) & 0x7F));
    }
    return bytes;
}

void FaultPlan::add(const Fault& fault, Clock::time_point now) {
    switch (fault.kind) {
        case FaultKind::BadChecksum:
            badChecksum_ += fault.count;
            break;
        case FaultKind::MissingEot:
            missingEot_ += fault.count;
            break;
        case FaultKind::WrongLength:
            wrongLength_ += fault.count;
            break;
        case FaultKind::Trickle:
            trickleFrames_ += fault.count;
            tricklePause_ = fault.time;
            break;
        case FaultKind::Silence:
            silentForever_ = fault.time.count() <= 0;
            silentUntil_ = silentForever_ ? std::nullopt : std::optional(now + fault.time);
            break;
        case FaultKind::NoStop:
            noStop_ = true;
            break;
        case FaultKind::Garbage:
        case FaultKind::WakeFlood:
        case FaultKind::HangUp:
            break;
    }
}

FaultPlan::Transmission FaultPlan::encode(std::span<const std::uint8_t> payload, std::size_t wakeBytes) {
    Bytes body(payload.begin(), payload.end());
    if (takeOne(wrongLength_)) {
        // A well-formed frame whose payload is one byte longer than its events.
        body.push_back(0);
    }
    Transmission transmission{frameOf(body, wakeBytes), {}};
    Bytes& bytes = transmission.bytes;
    if (takeOne(badChecksum_)) {
        bytes[wakeBytes + 1] ^= 0x5A;
    }
    if (takeOne(missingEot_)) {
        bytes.pop_back();
    }
    if (takeOne(trickleFrames_)) {
        transmission.pausePerByte = tricklePause_;
    }
    return transmission;
}

bool FaultPlan::silent(Clock::time_point now) const {
    return silentForever_ || (silentUntil_ && now < *silentUntil_);
}

std::optional<Clock::time_point> FaultPlan::silenceEnd(Clock::time_point now) const {
    if (silentUntil_ && now < *silentUntil_) {
        return silentUntil_;
    }
    return std::nullopt;
}

}  // namespace quorvex::simulator
