#include "simulator/EventBlocks.h"

namespace quorvex::simulator {

Moment momentOf(std::chrono::system_clock::time_point at) {
    const auto since = at.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(since - seconds);
    return {static_cast<std::int32_t>(seconds.count()), static_cast<std::int32_t>(micros.count())};
}

std::size_t recordSize(RecordLayout layout) {
    return layout == RecordLayout::Short62 ? 62 : 66;
}

Bytes initBlock(const InitContent& content) {
    BlockWriter block;
    block.text(content.deviceName, 16).text(content.firmwareText, 16);
    block.u8(content.record.autoTrigger ? 1 : 0).u8(content.record.recordingState != 0 ? 1 : 0);
    block.u16(content.batteryRaw).u8(content.autoSelect ? 1 : 0).u16(content.channelCode);
    block.i8(content.record.recordingState);
    for (const std::string& name : content.record.folderNames) {
        block.text(name, 21);
    }
    for (const std::uint16_t value : content.record.folderValues) {
        block.u16(value);
    }
    block.u8(content.record.recording ? 1 : 0);
    return block.take();
}

Bytes gainBlock(std::uint8_t gain, std::uint8_t clipping) {
    return BlockWriter().u8(gain).u8(clipping).take();
}

Bytes adcEndBlock(std::uint16_t batteryRaw) {
    return BlockWriter().u16(batteryRaw).take();
}

Bytes passageBlock(const PassageContent& content) {
    BlockWriter block;
    block.i32(content.seconds).i32(content.microseconds).u32(content.strength).u8(1);
    block.u16(1).u16(0).u16(0).u16(content.channelCode);
    block.i32(0).f32(content.latitude).f32(content.longitude).f32(content.elevation).f32(content.hdop);
    return block.take();
}

Bytes recordingStartedBlock(std::int32_t value, std::uint16_t channelCode) {
    return BlockWriter().i32(value).u16(channelCode).take();
}

Bytes modeChangedBlock(std::uint32_t channelCode, bool autoSelect) {
    return BlockWriter().u32(channelCode).u8(autoSelect ? 1 : 0).take();
}

Bytes gpsBlock(const GpsContent& content) {
    BlockWriter block;
    block.i32(content.seconds).i32(content.satellites);
    block.f32(content.latitude).f32(content.longitude).f32(content.elevation).f32(content.hdop);
    return block.u8(content.quality).take();
}

Bytes recordModeBlock(const RecordSettings& record) {
    BlockWriter block;
    block.u8(record.autoTrigger ? 1 : 0).i8(record.recordingState);
    for (const std::uint16_t value : record.folderValues) {
        block.u16(value);
    }
    return block.take();
}

Bytes stateInfoBlock(const RecordSettings& record, std::uint8_t gain, std::uint8_t clipping,
                     std::uint16_t channelCode, bool streaming, std::uint16_t batteryRaw) {
    BlockWriter block;
    block.u8(gain).u8(clipping).u16(channelCode).u8(streaming ? 1 : 0);
    block.u8(record.autoTrigger ? 1 : 0).i8(record.recordingState).u8(record.recording ? 1 : 0);
    block.u16(record.folderValues[5]).u16(batteryRaw);
    return block.u32(0).u16(0).u8(0).take();
}

namespace {

void writeValues(BlockWriter& block, const SensorRecord& record, std::size_t first, std::size_t count) {
    for (std::size_t i = first; i < first + count; ++i) {
        block.i32(record.values[i]);
    }
}

void writeRecord(BlockWriter& block, const SensorRecord& record, RecordLayout layout) {
    block.u16(record.channelCode).i32(record.x).i32(record.y).i32(record.z);
    if (layout == RecordLayout::Renumbered66) {
        // Transmitter 7's flag moved up next to transmitter 1, and value 8 next to values 1 and 2.
        block.i32(record.extra).u8(record.signal).u8(record.transmitters[0]).u8(record.transmitters[6]);
        for (std::size_t i = 1; i < 6; ++i) {
            block.u8(record.transmitters[i]);
        }
        writeValues(block, record, 0, 2);
        block.i32(record.values[7]);
        writeValues(block, record, 2, 5);
    } else {
        if (layout == RecordLayout::Extended66) {
            block.i32(record.extra);
        }
        block.u8(record.signal);
        for (const std::uint8_t flag : record.transmitters) {
            block.u8(flag);
        }
        writeValues(block, record, 0, 8);
    }
    block.i32(record.trailer[0]).i32(record.trailer[1]);
}

}  // namespace

Bytes streamingBlock(std::span<const SensorRecord> records, RecordLayout layout) {
    BlockWriter block;
    block.u8(static_cast<std::uint8_t>(records.size()));
    for (const SensorRecord& record : records) {
        writeRecord(block, record, layout);
    }
    return block.take();
}

}  // namespace quorvex::simulator
