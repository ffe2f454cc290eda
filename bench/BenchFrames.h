#pragma once
// Frames as the unit sends them, built field by field for the benchmarks (which are built without
// the test suites and their helpers).

#include "device/EventDescriptor.h"

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorvex::bench {

// Firmware 0.91: 66-byte streaming records; the revision of the known-answer Initialization Message.
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

// SOH, XOR checksum of length and payload, little-endian length, payload, EOT.
inline std::vector<std::uint8_t> frameOf(const std::vector<std::uint8_t>& payload) {
    const auto low = static_cast<std::uint8_t>(payload.size() & 0xFF);
    const auto high = static_cast<std::uint8_t>((payload.size() >> 8) & 0xFF);
    std::uint8_t checksum = low ^ high;
    for (const std::uint8_t byte : payload) {
        checksum ^= byte;
    }
    std::vector<std::uint8_t> frame(payload.size() + 5);
    frame[0] = 0x01;
    frame[1] = checksum;
    frame[2] = low;
    frame[3] = high;
    for (std::size_t i = 0; i < payload.size(); ++i) {
        frame[4 + i] = payload[i];
    }
    frame.back() = 0x04;
    return frame;
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

// A byte file of the test data: '#' lines are comments, the rest two-digit hex bytes.
inline std::vector<std::uint8_t> readHexFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::vector<std::uint8_t> bytes;
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with('#')) {
            continue;
        }
        std::istringstream tokens(line);
        std::string token;
        while (tokens >> token) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
        }
    }
    return bytes;
}

}  // namespace quorvex::bench
