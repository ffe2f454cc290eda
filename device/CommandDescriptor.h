#pragma once

#include "support/platform/ErrorCodes.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// One command of the unit: the line of text the console sends for it, the name the log shows and
// how long the write thread waits for the unit's response after writing it.
class CommandDescriptor {
public:
    static constexpr std::int32_t StartStreaming = 1;
    static constexpr std::int32_t StopStreaming = 2;
    static constexpr std::int32_t Acknowledge = 3;
    static constexpr std::int32_t NegativeAck = 4;
    static constexpr std::int32_t AckAdcBatteryPoll = 5;
    static constexpr std::int32_t RequestInit = 6;
    static constexpr std::int32_t RequestState = 7;
    static constexpr std::int32_t Reinitialize = 8;
    static constexpr std::int32_t InquireGain = 9;
    static constexpr std::int32_t IncrementGain = 10;
    static constexpr std::int32_t DecrementGain = 11;
    static constexpr std::int32_t SelectChannel = 12;
    static constexpr std::int32_t MRSensorReset = 13;
    static constexpr std::int32_t RequestGPS = 14;
    static constexpr std::int32_t SelectWorkingFolder = 15;
    static constexpr std::int32_t SetAutoRecord = 16;
    static constexpr std::int32_t SetManualRecord = 17;
    static constexpr std::int32_t StartRecording = 18;
    static constexpr std::int32_t StopRecording = 19;

    // The bytes are the wire text followed by one line feed.
    CommandDescriptor(std::int32_t id, const wchar_t* displayName, std::string_view wireText,
                      zeph::platform::DWORD responseTimeout);

    std::int32_t id() const { return id_; }
    const wchar_t* displayName() const { return displayName_; }
    // The wire text as the log shows it, without the line feed.
    std::string_view wireText() const;
    std::span<const std::uint8_t> bytes() const { return bytes_; }
    zeph::platform::DWORD length() const { return static_cast<zeph::platform::DWORD>(bytes_.size()); }
    // 0: the write thread goes on without waiting for a response.
    zeph::platform::DWORD responseTimeout() const { return responseTimeout_; }

    // For the commands that carry a number ("SELCHAN%d", "SETWFOLD%d"): the bytes with the number
    // written in signed decimal for the "%d", up to and including the first line feed.
    std::vector<std::uint8_t> format(std::int32_t value) const;

    // The process-wide table, in id order.
    static std::span<const CommandDescriptor> table();
    // The command with that id, or null.
    static const CommandDescriptor* find(std::int32_t id);

private:
    std::int32_t id_;
    const wchar_t* displayName_;
    std::vector<std::uint8_t> bytes_;
    zeph::platform::DWORD responseTimeout_;
};
