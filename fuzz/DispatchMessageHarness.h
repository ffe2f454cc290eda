#pragma once
// Hands the event decoder arbitrary payloads, the way the message dispatch thread does, under
// every firmware layout of the streaming records, model and streaming state, and checks what
// decoding promises: nothing is read beyond the payload, every posted record is whole and freed by
// its receiver, every record that cannot be posted is freed by the decoder, and the device state
// stays within its ranges.
//
// Input: firmware word (2 bytes, little-endian), unit byte (bit 0: M410 or M450, bits 1-3: the
// streaming state, bit 4: no main window), then the payload. Each payload is dispatched under the
// input's firmware word and then under one word of each record layout (62 bytes before 0.91, 66
// bytes with the extra value from 0.91, renumbered channels from 0.96), so that every layout sees
// every payload whatever word the fuzzer settles on.

#include "device/EventRecords.h"
#include "device/FirmwareMilestones.h"
#include "device/QueryInterface.h"
#include "device/QuorvexMessages.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace quorvex::fuzz::dispatch_message {

using zeph::platform::LPARAM;

inline void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The stack with its state in reach; the command queue is not part of what is fuzzed here.
class FuzzStack : public QuorvexDeviceStack {
public:
    using QuorvexDeviceStack::deviceState_;
    using QuorvexDeviceStack::window_;
    void popQueue() override {}
};

// The main window's part: every message of the event layer that carries a record is freed here
// (a record of the wrong type would show up as a size mismatch under the address sanitizer).
inline zeph::platform::LRESULT receive(zeph::platform::HWND, zeph::platform::UINT message,
                                       zeph::platform::WPARAM, LPARAM lParam) {
    require(deleteEventRecord(message, lParam) == (lParam != 0));
    return 0;
}

// The stack and its window; beacon, when given, delivers the log lines of each dispatch.
struct Harness {
    explicit Harness(zeph::windows::logging::LogBeacon* log)
        : beacon(log), window(zeph::platform::createMessageWindow(receive)) {}
    zeph::windows::logging::LogBeacon* beacon;
    zeph::platform::HWND window;
    FuzzStack stack;
};

// A firmware word of revision 0.<minor>: the minor number sits above the 4 bits of the major.
constexpr std::uint16_t revisionWord(std::uint16_t minor) {
    return static_cast<std::uint16_t>(minor << 4);
}

inline constexpr std::uint16_t layoutWords[] = {
    revisionWord(ExtraValueRevision - 1), revisionWord(ExtraValueRevision), revisionWord(RenumberedRevision)};

inline const StreamingState* const streamingStates[] = {&StreamingState::Stopped, &StreamingState::Beginning,
                                                        &StreamingState::Playing, &StreamingState::Ending,
                                                        &StreamingState::Paused};

inline void dispatchUnder(Harness& harness, std::uint16_t firmware, std::uint8_t unit,
                          const std::vector<std::uint8_t>& payload) {
    FuzzStack& stack = harness.stack;
    DeviceState& state = stack.deviceState_;
    state.reset();
    state.setFirmware({firmware, 0});
    state.setDeviceName((unit & 1) != 0 ? "M410 1" : "M450 1");
    const StreamingState& streaming = *streamingStates[((unit >> 1) & 7) % 5];
    state.setOperatingMode(streaming == StreamingState::Stopped ? OperatingMode::Command
                                                                : OperatingMode::Streaming);
    state.setStreamingState(streaming);
    stack.window_ = (unit & 0x10) != 0 ? nullptr : harness.window;

    stack.DispatchMessage(payload.data(), payload.size());
    zeph::platform::pumpMessages();
    if (harness.beacon != nullptr) {
        harness.beacon->flush();
    }

    require(state.gain() + state.clipping() <= 16);
    require(state.batteryLevel() >= 0.0 && state.batteryLevel() <= 983.0);
}

// One input, on the harness that the fuzzing thread keeps for the whole run.
inline int fuzzOne(Harness& harness, const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t HeaderSize = 3;
    if (size < HeaderSize) {
        return 0;
    }
    const auto firmware = static_cast<std::uint16_t>(data[0] | data[1] << 8);
    const std::uint8_t unit = data[2];
    // A copy of exactly the payload's size, so that a read past its end is caught.
    const std::vector<std::uint8_t> payload(data + HeaderSize, data + size);
    dispatchUnder(harness, firmware, unit, payload);
    for (const std::uint16_t word : layoutWords) {
        dispatchUnder(harness, word, unit, payload);
    }
    return 0;
}

}  // namespace quorvex::fuzz::dispatch_message
