#include "device/EventBlockDecoder.h"

#include "device/EventDescriptor.h"
#include "device/FirmwareMilestones.h"
#include "support/logging/LogBeacon.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// Little-endian fields of one block. A read past the block gives zero bytes: the callers hand over
// whole blocks, and a short one must still never be read beyond.
class BlockReader {
public:
    explicit BlockReader(std::span<const std::uint8_t> block) : block_(block) {}

    std::uint8_t u8(std::size_t at) const { return at < block_.size() ? block_[at] : 0; }
    std::int8_t s8(std::size_t at) const { return static_cast<std::int8_t>(u8(at)); }
    std::uint16_t u16(std::size_t at) const { return static_cast<std::uint16_t>(u8(at) | u8(at + 1) << 8); }
    std::uint32_t u32(std::size_t at) const {
        return static_cast<std::uint32_t>(u16(at)) | static_cast<std::uint32_t>(u16(at + 2)) << 16;
    }
    std::int32_t s32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
    float f32(std::size_t at) const { return std::bit_cast<float>(u32(at)); }
    std::span<const std::uint8_t> field(std::size_t at, std::size_t length) const {
        const std::size_t start = std::min(at, block_.size());
        return block_.subspan(start, std::min(length, block_.size() - start));
    }

private:
    std::span<const std::uint8_t> block_;
};

template <std::size_t N>
void copyField(char (&target)[N], std::span<const std::uint8_t> field) {
    std::memcpy(target, field.data(), std::min(N, field.size()));
}

// A sub-second part outside one second is the unit's fault: it would print five-digit
// milliseconds. It is held within the second and the fault is logged.
std::int32_t subSecondMicroseconds(std::int32_t sent) {
    constexpr std::int32_t LastMicrosecond = 999'999;
    const std::int32_t kept = std::clamp(sent, 0, LastMicrosecond);
    if (kept != sent) {
        zeph::windows::logging::LogBeacon::log("EventBlockDecoder::passage", zeph::windows::logging::Warning,
                                               L"Passage time microseconds [%d] out of range, taken as [%d].",
                                               sent, kept);
    }
    return kept;
}

}  // namespace

namespace EventBlockDecoder {

std::string fieldText(std::span<const std::uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}

StreamingSample streamingSample(std::span<const std::uint8_t> record, std::uint16_t firmwareWord) {
    const BlockReader in(record);
    StreamingSample sample;
    sample.channel = in.u16(0);
    sample.x = in.s32(2);
    sample.y = in.s32(6);
    sample.z = in.s32(10);
    if (!firmwareAtLeast(firmwareWord, ExtraValueRevision)) {
        sample.signal = in.u8(14);
        for (std::size_t k = 0; k < 7; ++k) {
            sample.transmitters[k] = in.u8(15 + k);
        }
        for (std::size_t k = 0; k < 8; ++k) {
            sample.levels[k] = in.s32(22 + 4 * k);
        }
        sample.trailer[0] = in.s32(54);
        sample.trailer[1] = in.s32(58);
        return sample;
    }
    sample.extra = in.s32(14);
    sample.signal = in.u8(18);
    if (firmwareAtLeast(firmwareWord, RenumberedRevision)) {
        // Transmitter 7 follows transmitter 1, and level 8 follows levels 1 and 2.
        sample.transmitters[0] = in.u8(19);
        sample.transmitters[6] = in.u8(20);
        for (std::size_t k = 1; k < 6; ++k) {
            sample.transmitters[k] = in.u8(20 + k);
        }
        sample.levels[0] = in.s32(26);
        sample.levels[1] = in.s32(30);
        sample.levels[7] = in.s32(34);
        for (std::size_t k = 2; k < 7; ++k) {
            sample.levels[k] = in.s32(38 + 4 * (k - 2));
        }
    } else {
        for (std::size_t k = 0; k < 7; ++k) {
            sample.transmitters[k] = in.u8(19 + k);
        }
        for (std::size_t k = 0; k < 8; ++k) {
            sample.levels[k] = in.s32(26 + 4 * k);
        }
    }
    sample.trailer[0] = in.s32(58);
    sample.trailer[1] = in.s32(62);
    return sample;
}

GainRecord gain(std::span<const std::uint8_t> block) {
    const BlockReader in(block);
    return {in.u8(0), in.u8(1)};
}

InitBlock init(std::span<const std::uint8_t> block) {
    constexpr std::size_t NameSize = 16;
    constexpr std::size_t FolderNameSize = 21;
    const BlockReader in(block);
    InitBlock result;
    InitRecord& record = result.record;
    copyField(record.deviceName, in.field(0, NameSize));
    result.deviceName = fieldText(in.field(0, NameSize));
    result.firmwareText = fieldText(in.field(16, 16));
    record.autoTrigger = in.u8(32);
    record.logging = in.u8(33);
    record.batteryRaw = in.u16(34);
    record.autoSelect = in.u8(36);
    record.channel = in.u16(37);
    record.recordingState = in.s8(39);
    for (std::size_t i = 0; i < result.folderNames.size(); ++i) {
        const auto field = in.field(40 + i * FolderNameSize, FolderNameSize);
        copyField(record.folderNames[i], field);
        // A name holds up to 20 characters; the field's last byte is room for its zero byte.
        result.folderNames[i] = fieldText(in.field(40 + i * FolderNameSize, FolderNameSize - 1));
    }
    for (std::size_t i = 0; i < 6; ++i) {
        record.folderValues[i] = in.u16(145 + 2 * i);
    }
    record.recording = in.u8(157);
    return result;
}

PassageRecord passage(std::span<const std::uint8_t> block) {
    const BlockReader in(block);
    PassageRecord record;
    record.seconds = in.s32(0);
    record.microseconds = subSecondMicroseconds(in.s32(4));
    record.value = static_cast<float>(in.u32(8));
    record.flag = in.u8(12);
    for (std::size_t i = 0; i < 4; ++i) {
        record.values[i] = in.u16(13 + 2 * i);
    }
    record.detail = in.s32(21);
    record.latitude = in.f32(25);
    record.longitude = in.f32(29);
    record.elevation = in.f32(33);
    record.fourth = in.f32(37);
    return record;
}

GpsRecord gps(std::span<const std::uint8_t> block) {
    const BlockReader in(block);
    GpsRecord record;
    record.values[0] = in.s32(0);
    record.values[1] = in.s32(4);
    record.latitude = in.f32(8);
    record.longitude = in.f32(12);
    record.elevation = in.f32(16);
    record.hdop = in.f32(20);
    record.quality = in.u8(24);
    return record;
}

RecordTriggeredRecord recordTriggered(std::span<const std::uint8_t> block) {
    const BlockReader in(block);
    return {in.s32(0), in.u16(4)};
}

ChannelChangeRecord channelChange(std::span<const std::uint8_t> block) {
    const BlockReader in(block);
    return {in.u32(0), in.u8(4)};
}

RecordModeRecord recordMode(std::span<const std::uint8_t> block) {
    const BlockReader in(block);
    RecordModeRecord record;
    record.autoTrigger = in.u8(0);
    record.recordingState = in.s8(1);
    for (std::size_t i = 0; i < 6; ++i) {
        record.folderValues[i] = in.u16(2 + 2 * i);
    }
    return record;
}

std::uint16_t batteryRaw(std::span<const std::uint8_t> block) {
    return BlockReader(block).u16(0);
}

double batteryLevel(std::uint16_t raw) {
    return static_cast<double>((std::uint32_t{raw} * 15u) / 1000u);
}

}  // namespace EventBlockDecoder
