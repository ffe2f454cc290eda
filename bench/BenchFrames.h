#pragma once
// Payloads as the unit sends them, built field by field for the benchmarks (which are built
// without the test suites and their helpers).

#include "device/EventDescriptor.h"
#include "simulator/EventBlocks.h"
#include "simulator/UnitFrameBuilder.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace quorvex::bench {

// Firmware 0.91: 66-byte streaming records, as the Initialization Message below reports.
inline constexpr std::uint16_t kFirmwareWord = 91 << 4;
inline constexpr std::size_t kRecordSize = 66;

class Payload {
public:
    explicit Payload(std::uint32_t mask) { u32(mask); }

    Payload& u8(std::uint32_t value) {
        bytes_.push_back(static_cast<std::uint8_t>(value));
        return *this;
    }
    Payload& u16(std::uint32_t value) { return u8(value).u8(value >> 8); }
    Payload& u32(std::uint32_t value) { return u16(value).u16(value >> 16); }
    Payload& fill(std::size_t count, std::uint8_t value = 0) {
        bytes_.insert(bytes_.end(), count, value);
        return *this;
    }
    // One streaming record: channel code 1, X carries the sequence number, the rest a pattern.
    Payload& record(std::uint32_t sequence, std::size_t size = kRecordSize) {
        u16(1).u32(sequence).u32(200).u32(300);
        for (std::size_t i = 14; i < size; ++i) {
            u8(static_cast<std::uint32_t>(i));
        }
        return *this;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// Frames are put together by the simulated unit's own builder.
using quorvex::simulator::frameOf;

// The Initialization Message of an M450 with firmware 0.0091 (66-byte streaming records).
inline std::vector<std::uint8_t> initializationFrame() {
    quorvex::simulator::InitContent content;
    content.deviceName = "M450 123456";
    content.firmwareText = "V0.0091";
    return frameOf(quorvex::simulator::payloadOf({{quorvex::simulator::InitBit, initBlock(content)}}));
}

// A streaming block of count records numbered from first (66 bytes each from firmware 0.91 on).
inline std::vector<std::uint8_t> streamingPayload(std::uint8_t count, std::uint32_t first = 0,
                                                  std::size_t recordSize = kRecordSize) {
    Payload payload(EventDescriptor::StreamingData);
    payload.u8(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        payload.record(first + i, recordSize);
    }
    return payload.bytes();
}

// One frame with most events a unit reports besides the stream: one streaming record, gain,
// passage, ignored event, recording started, channel change, GPS and recording mode.
inline std::vector<std::uint8_t> mixedEventsPayload() {
    Payload payload(EventDescriptor::StreamingData | EventDescriptor::GainIndicator |
                    EventDescriptor::PigPassageDetected | EventDescriptor::IgnoredEvent |
                    EventDescriptor::RecordingStarted | EventDescriptor::ModeChanged |
                    EventDescriptor::GpsInformation | EventDescriptor::RecordingModeChanged);
    payload.u8(1).record(7);
    payload.u8(6).u8(2);                                        // gain 6, clipping 2
    payload.u32(1700000000).u32(250000).u32(0x41200000).u8(1);  // passage: time, value, flag
    payload.u16(1).u16(2).u16(3).u16(2).u32(9).fill(16, 0x11);  // values, detail, position
    payload.u32(1700000001).u32(0).u32(0x41200000).u8(0);       // ignored event
    payload.u16(1).u16(2).u16(3).u16(4).u32(9).fill(16, 0x22);
    payload.u32(42).u16(3);                                         // recording started on code 3
    payload.u32(4).u8(1);                                           // channel change to code 4
    payload.u32(1).u32(2).fill(16, 0x33).u8(4);                     // GPS
    payload.u8(1).u8(1).u16(0).u16(1).u16(2).u16(3).u16(4).u16(0);  // recording mode
    return payload.bytes();
}

}  // namespace quorvex::bench
