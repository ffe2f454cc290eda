#pragma once

#include "support/platform/WindowTypes.h"

#include <cstddef>
#include <cstdint>

// The heap records that the event layer posts to the main window, one per event; the window frees
// them with delete. Their layouts are shared with the window's handlers byte for byte, so every
// size and offset is pinned below. Text fields are copied from the unit as they came: they are
// zero-terminated only when the unit terminated them, so read them with a bounded length.

// One record of a streaming block.
struct StreamingSample {
    std::uint16_t channel = 0;  // remapped channel number
    std::int32_t x = -1;
    std::int32_t y = -1;
    std::int32_t z = -1;
    std::int32_t extra = -1;  // sent from firmware 0.91 on; -1 before
    std::uint8_t signal = 0;
    std::uint8_t transmitters[7] = {};                          // transmitter 1 to 7
    std::int32_t levels[8] = {-1, -1, -1, -1, -1, -1, -1, -1};  // slot k - 1 holds transmitter k
    std::int32_t trailer[2] = {};
};
static_assert(sizeof(StreamingSample) == 68);
static_assert(offsetof(StreamingSample, x) == 4 && offsetof(StreamingSample, extra) == 16);
static_assert(offsetof(StreamingSample, signal) == 20 && offsetof(StreamingSample, transmitters) == 21);
static_assert(offsetof(StreamingSample, levels) == 28 && offsetof(StreamingSample, trailer) == 60);

struct GainRecord {
    std::uint8_t gain = 0;
    std::uint8_t clipping = 0;
};
static_assert(sizeof(GainRecord) == 2);

struct InitRecord {
    char deviceName[16] = {};
    std::uint16_t firmware[2] = {};  // parsed from the unit's revision text
    std::uint8_t autoTrigger = 0;
    std::uint8_t logging = 0;
    std::uint16_t batteryRaw = 0;
    std::uint8_t autoSelect = 0;
    std::uint16_t channel = 0;  // remapped channel number
    std::int8_t recordingState = 0;
    char folderNames[5][21] = {};
    std::uint16_t folderValues[6] = {};  // the last is the current working folder's index
    std::uint8_t recording = 0;
};
static_assert(sizeof(InitRecord) == 148);
static_assert(offsetof(InitRecord, firmware) == 16 && offsetof(InitRecord, batteryRaw) == 22);
static_assert(offsetof(InitRecord, autoSelect) == 24 && offsetof(InitRecord, channel) == 26);
static_assert(offsetof(InitRecord, recordingState) == 28 && offsetof(InitRecord, folderNames) == 29);
static_assert(offsetof(InitRecord, folderValues) == 134 && offsetof(InitRecord, recording) == 146);

// A pig passage, or an event the unit ignored.
struct PassageRecord {
    std::int32_t seconds = 0;  // since 1970-01-01 00:00 UTC
    std::int32_t microseconds = 0;
    float value = 0.0f;  // sent as an unsigned 32-bit number
    std::uint8_t flag = 0;
    std::uint16_t values[4] = {};  // the last is the channel
    std::int32_t detail = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    double elevation = 0.0;
    double fourth = 0.0;
};
static_assert(sizeof(PassageRecord) == 64);
static_assert(offsetof(PassageRecord, value) == 8 && offsetof(PassageRecord, flag) == 12);
static_assert(offsetof(PassageRecord, values) == 14 && offsetof(PassageRecord, detail) == 24);
static_assert(offsetof(PassageRecord, latitude) == 32 && offsetof(PassageRecord, fourth) == 56);

struct GpsRecord {
    std::int32_t values[2] = {};
    double latitude = 0.0;
    double longitude = 0.0;
    double elevation = 0.0;
    double hdop = 0.0;
    std::uint8_t quality = 0;
};
static_assert(sizeof(GpsRecord) == 48);
static_assert(offsetof(GpsRecord, latitude) == 8 && offsetof(GpsRecord, hdop) == 32);
static_assert(offsetof(GpsRecord, quality) == 40);

struct RecordTriggeredRecord {
    std::int32_t value = 0;
    std::uint16_t channel = 0;  // remapped channel number
};
static_assert(sizeof(RecordTriggeredRecord) == 8 && offsetof(RecordTriggeredRecord, channel) == 4);

struct ChannelChangeRecord {
    std::uint32_t channel = 0;  // remapped channel number
    std::uint8_t autoSelect = 0;
};
static_assert(sizeof(ChannelChangeRecord) == 8 && offsetof(ChannelChangeRecord, autoSelect) == 4);

struct RecordModeRecord {
    std::uint8_t autoTrigger = 0;
    std::int8_t recordingState = 0;  // -1 manual, 0 off, 1 automatic
    std::uint16_t folderValues[6] = {};
};
static_assert(sizeof(RecordModeRecord) == 14 && offsetof(RecordModeRecord, folderValues) == 2);

// Frees the record that a message of the event layer carried (the receiver's duty); a message
// that carries none, or one of another sender, is left alone. Returns whether it freed one.
bool deleteEventRecord(zeph::platform::UINT message, zeph::platform::LPARAM lParam);
