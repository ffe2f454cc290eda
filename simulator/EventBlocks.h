#pragma once

#include "simulator/UnitFrameBuilder.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace quorvex::simulator {

// What the unit keeps about its recording and working folders; the Initialization Message and
// Recording Mode Changed report it.
struct RecordSettings {
    bool autoTrigger = false;
    std::int8_t recordingState = 0;  // -1 manual, 0 off, 1 automatic
    bool recording = false;
    std::array<std::string, 5> folderNames{"FOLDER1", "FOLDER2", "FOLDER3", "FOLDER4", "FOLDER5"};
    // Five per-folder values (a value of 10 or more marks a full folder), then the current folder.
    std::array<std::uint16_t, 6> folderValues{1, 2, 3, 4, 5, 0};
};

struct InitContent {
    std::string deviceName;    // model, a blank and the serial number
    std::string firmwareText;  // "V0.0096"
    std::uint16_t batteryRaw = 0;
    bool autoSelect = true;
    std::uint16_t channelCode = 0;
    RecordSettings record;
};

// A time as the unit's blocks carry it: seconds since 1970-01-01 UTC, microseconds within.
struct Moment {
    std::int32_t seconds;
    std::int32_t microseconds;
};
Moment momentOf(std::chrono::system_clock::time_point at);

// A pig passage or an ignored event: when, where, on which channel code.
struct PassageContent {
    std::int32_t seconds = 0;       // since 1970-01-01 UTC
    std::int32_t microseconds = 0;  // within that second
    std::uint32_t strength = 0;
    std::uint16_t channelCode = 0;
    float latitude = 0, longitude = 0, elevation = 0, hdop = 0;
};

struct GpsContent {
    std::int32_t seconds = 0;
    std::int32_t satellites = 0;
    float latitude = 0, longitude = 0, elevation = 0, hdop = 0;
    std::uint8_t quality = 0;  // 1 poor .. 4 excellent, else no signal
};

// One streaming sample of the sensor.
struct SensorRecord {
    std::uint16_t channelCode = 0;
    std::int32_t x = 0, y = 0, z = 0;
    std::int32_t extra = 0;
    std::uint8_t signal = 0;
    std::array<std::uint8_t, 7> transmitters{};
    std::array<std::int32_t, 8> values{};
    std::array<std::int32_t, 2> trailer{};
};

// The three streaming record layouts, chosen by the firmware revision's minor number.
enum class RecordLayout {
    Short62,       // before 91
    Extended66,    // 91 to 95
    Renumbered66,  // 96 and later
};

std::size_t recordSize(RecordLayout layout);

Bytes initBlock(const InitContent& content);
Bytes gainBlock(std::uint8_t gain, std::uint8_t clipping);
Bytes adcEndBlock(std::uint16_t batteryRaw);
Bytes passageBlock(const PassageContent& content);
Bytes recordingStartedBlock(std::int32_t value, std::uint16_t channelCode);
Bytes modeChangedBlock(std::uint32_t channelCode, bool autoSelect);
Bytes gpsBlock(const GpsContent& content);
Bytes recordModeBlock(const RecordSettings& record);
// 19 bytes of the unit's own state, which the console does not decode.
Bytes stateInfoBlock(const RecordSettings& record, std::uint8_t gain, std::uint8_t clipping,
                     std::uint16_t channelCode, bool streaming, std::uint16_t batteryRaw);
// The count byte, then each record in the layout.
Bytes streamingBlock(std::span<const SensorRecord> records, RecordLayout layout);

}  // namespace quorvex::simulator
