#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The firmware revision word reads "major.minor": major in its low 4 bits, minor in its upper 12.
// True when that revision is 0.<minor> or later (any major number above 0 is later).
bool firmwareAtLeast(std::uint16_t firmwareWord, std::uint16_t minor);

// One record of a streaming block: 66 bytes from firmware 0.91 on, 62 before.
std::size_t streamingRecordSize(std::uint16_t firmwareWord);

// One event bit of a frame payload's mask: its display name and the size of its block.
class EventDescriptor {
public:
    static constexpr std::uint32_t StreamingData = 0x0001;
    static constexpr std::uint32_t GainIndicator = 0x0002;
    static constexpr std::uint32_t StopStreamingAcknowledgement = 0x0004;
    static constexpr std::uint32_t AdcPollingBegin = 0x0008;
    static constexpr std::uint32_t AdcPollingEnd = 0x0010;
    static constexpr std::uint32_t Initialization = 0x0020;
    static constexpr std::uint32_t PigPassageDetected = 0x0040;
    static constexpr std::uint32_t IgnoredEvent = 0x0080;
    static constexpr std::uint32_t RecordingStarted = 0x0100;
    static constexpr std::uint32_t ModeChanged = 0x0200;
    static constexpr std::uint32_t GpsInformation = 0x0400;
    static constexpr std::uint32_t RecordingModeChanged = 0x0800;
    static constexpr std::uint32_t StateInfo = 0x1000;

    constexpr EventDescriptor(std::uint32_t bit, const wchar_t* name, std::size_t fixedSize)
        : bit_(bit), name_(name), fixedSize_(fixedSize) {}

    std::uint32_t bit() const { return bit_; }
    const wchar_t* name() const { return name_; }
    // The block's size without records: for the streaming event its count byte alone.
    std::size_t fixedSize() const { return fixedSize_; }
    // Only the streaming block carries a count byte followed by that many records.
    bool hasRecords() const { return bit_ == StreamingData; }
    // The whole block's size; count and firmware matter only for the streaming block.
    std::size_t blockSize(std::uint8_t count, std::uint16_t firmwareWord) const;

    // The thirteen events in ascending bit order, the order their blocks follow in a payload.
    static std::span<const EventDescriptor> table();
    // The event of that bit, or null for a bit the table does not know.
    static const EventDescriptor* find(std::uint32_t bit);

private:
    std::uint32_t bit_;
    const wchar_t* name_;
    std::size_t fixedSize_;
};
