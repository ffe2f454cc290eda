#include "journal/EventRecorder.h"

#include "device/ChannelMapping.h"
#include "device/ChannelRegistry.h"
#include "device/EventBlockDecoder.h"
#include "device/EventBlockWalk.h"
#include "device/EventDescriptor.h"
#include "device/FirmwareRevisionText.h"
#include "journal/Journal.h"
#include "journal/JournalFeed.h"
#include "session/PortDescription.h"
#include "support/platform/TextConversion.h"

namespace quorvex::journal {

void EventRecorder::portOpened(const std::wstring& port) {
    const SessionToken token = journal_.beginSession({journalNow(), console::describePort(port)});
    const std::lock_guard lock(mutex_);
    session_ = token;
    kept_ = 0;
    unit_ = {};
}

void EventRecorder::beforeAcknowledge(std::span<const std::uint8_t> payload) {
    std::vector<EventRow> rows = read(payload);
    if (rows.empty()) {
        return;
    }
    std::optional<SessionToken> session;
    {
        const std::lock_guard lock(mutex_);
        kept_ += rows.size();
        session = session_;
    }
    journal_.addEventsAndWait(session.value_or(0), std::move(rows), bound_);
}

void EventRecorder::afterAccept(std::span<const std::uint8_t> payload) {
    read(payload);
}

std::optional<SessionToken> EventRecorder::session() const {
    const std::lock_guard lock(mutex_);
    return session_;
}

std::optional<EventRecorder::EndedSession> EventRecorder::endSession() {
    const std::lock_guard lock(mutex_);
    if (!session_) {
        return std::nullopt;
    }
    const EndedSession ended{*session_, kept_};
    session_.reset();
    kept_ = 0;
    return ended;
}

std::vector<EventRow> EventRecorder::read(std::span<const std::uint8_t> payload) {
    std::vector<EventRow> rows;
    const std::lock_guard lock(mutex_);
    walkEventBlocks(payload, unit_.firmware, [&](std::uint32_t bit, std::span<const std::uint8_t> block) {
        if (bit == EventDescriptor::Initialization) {
            const EventBlockDecoder::InitBlock init = EventBlockDecoder::init(block);
            unit_.model = init.deviceName.substr(0, init.deviceName.find(' '));
            unit_.firmware = parseFirmwareRevision(init.firmwareText).words[0];
            unit_.folderNames = init.folderNames;
            unit_.workingFolder = init.record.folderValues[5];
        } else if (bit == EventDescriptor::RecordingModeChanged) {
            unit_.workingFolder = EventBlockDecoder::recordMode(block).folderValues[5];
        } else if (bit == EventDescriptor::GpsInformation) {
            unit_.lastFix = EventBlockDecoder::gps(block);
        } else if (bit == EventDescriptor::PigPassageDetected) {
            const PassageRecord passage = EventBlockDecoder::passage(block);
            rows.push_back(rowOf(EventKind::Passage, &passage,
                                 mapChannelCode(unit_.model, unit_.firmware, passage.values[3])));
        } else if (bit == EventDescriptor::IgnoredEvent) {
            const PassageRecord passage = EventBlockDecoder::passage(block);
            rows.push_back(rowOf(EventKind::Ignored, &passage,
                                 mapChannelCode(unit_.model, unit_.firmware, passage.values[3])));
        } else if (bit == EventDescriptor::RecordingStarted) {
            const RecordTriggeredRecord trigger = EventBlockDecoder::recordTriggered(block);
            rows.push_back(rowOf(EventKind::Trigger, nullptr,
                                 mapChannelCode(unit_.model, unit_.firmware, trigger.channel)));
        }
    });
    return rows;
}

std::string channelName(int channel) {
    const ChannelRecord* record = ChannelRegistry::find(channel);
    return record != nullptr ? zeph::platform::narrow(record->name) : std::string();
}

EventRow EventRecorder::rowOf(EventKind kind, const PassageRecord* passage, int channel) const {
    EventRow row;
    row.kind = kind;
    row.received = journalNow();
    row.channel = channel;
    row.channelName = channelName(channel);
    if (passage != nullptr) {
        row.unitTime = Microseconds{passage->seconds} * 1000000 + passage->microseconds;
        row.latitude = passage->latitude;
        row.longitude = passage->longitude;
        row.elevation = passage->elevation;
    }
    if (unit_.lastFix) {
        row.gpsQuality = unit_.lastFix->quality;
        row.hdop = unit_.lastFix->hdop;
    }
    if (unit_.workingFolder < unit_.folderNames.size()) {
        row.folder = unit_.folderNames[unit_.workingFolder];
    }
    return row;
}

}  // namespace quorvex::journal
