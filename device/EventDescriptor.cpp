#include "device/EventDescriptor.h"

#include <array>

namespace {

constexpr std::uint16_t RecordRevisionMinor = 91;
constexpr std::size_t LegacyRecordSize = 62;
constexpr std::size_t RecordSize = 66;

constexpr std::array<EventDescriptor, 13> events{{
    {EventDescriptor::StreamingData, L"Streaming Data Message", 1},
    {EventDescriptor::GainIndicator, L"Gain Indicator Message", 2},
    {EventDescriptor::StopStreamingAcknowledgement, L"Stop Streaming Acknowledgement", 0},
    {EventDescriptor::AdcPollingBegin, L"ADC Polling Begin", 0},
    {EventDescriptor::AdcPollingEnd, L"ADC Polling End", 2},
    {EventDescriptor::Initialization, L"Initialization Message", 158},
    {EventDescriptor::PigPassageDetected, L"Pig Passage Detected", 41},
    {EventDescriptor::IgnoredEvent, L"Ignored Event Message", 41},
    {EventDescriptor::RecordingStarted, L"Recording Started", 6},
    {EventDescriptor::ModeChanged, L"Mode Changed", 5},
    {EventDescriptor::GpsInformation, L"GPS Information", 25},
    {EventDescriptor::RecordingModeChanged, L"Recording Mode Changed", 14},
    {EventDescriptor::StateInfo, L"State Info", 19},
}};

}  // namespace

bool firmwareAtLeast(std::uint16_t firmwareWord, std::uint16_t minor) {
    const unsigned major = firmwareWord & 0x000Fu;
    const unsigned wordMinor = static_cast<unsigned>(firmwareWord) >> 4;
    return major != 0 || wordMinor >= minor;
}

std::size_t streamingRecordSize(std::uint16_t firmwareWord) {
    return firmwareAtLeast(firmwareWord, RecordRevisionMinor) ? RecordSize : LegacyRecordSize;
}

std::size_t EventDescriptor::blockSize(std::uint8_t count, std::uint16_t firmwareWord) const {
    if (!hasRecords()) {
        return fixedSize_;
    }
    return fixedSize_ + std::size_t{count} * streamingRecordSize(firmwareWord);
}

std::span<const EventDescriptor> EventDescriptor::table() {
    return events;
}

const EventDescriptor* EventDescriptor::find(std::uint32_t bit) {
    for (const EventDescriptor& event : events) {
        if (event.bit() == bit) {
            return &event;
        }
    }
    return nullptr;
}
