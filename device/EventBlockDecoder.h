#pragma once

#include "device/DeviceState.h"
#include "device/EventRecords.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Turns the event blocks of a payload into the records posted to the window. Pure functions of the
// block's bytes (little-endian integers, IEEE-754 single floats), so they can be checked against
// known answers without a stack. Each takes exactly one block of its event's size; channel codes
// come back as sent, before any remapping.
namespace EventBlockDecoder {

// The bytes of a fixed text field up to its first zero byte, or the whole field when the unit
// filled it: never a byte beyond the field.
std::string fieldText(std::span<const std::uint8_t> field);

// One streaming record of streamingRecordSize(firmwareWord) bytes, laid out by that firmware.
StreamingSample streamingSample(std::span<const std::uint8_t> record, std::uint16_t firmwareWord);

GainRecord gain(std::span<const std::uint8_t> block);

// The Initialization Message's block: the record without its firmware words, and the texts.
struct InitBlock {
    InitRecord record;
    std::string deviceName;
    std::string firmwareText;
    WorkingFolderNames folderNames;
};
InitBlock init(std::span<const std::uint8_t> block);

PassageRecord passage(std::span<const std::uint8_t> block);
GpsRecord gps(std::span<const std::uint8_t> block);
RecordTriggeredRecord recordTriggered(std::span<const std::uint8_t> block);
ChannelChangeRecord channelChange(std::span<const std::uint8_t> block);
RecordModeRecord recordMode(std::span<const std::uint8_t> block);

// The ADC Polling End block's raw battery value.
std::uint16_t batteryRaw(std::span<const std::uint8_t> block);
// The battery level the unit's raw reading stands for: (raw x 15) / 1000 in whole numbers.
double batteryLevel(std::uint16_t raw);

}  // namespace EventBlockDecoder
