#pragma once

#include "device/ChannelMapping.h"
#include "device/ChannelRegistry.h"
#include "device/EventBlockDecoder.h"
#include "device/EventDescriptor.h"
#include "device/EventRecords.h"
#include "device/FirmwareRevisionText.h"
#include "device/FrameCodec.h"
#include "device/IHealthCheck.h"
#include "device/IMessageDispatch.h"
#include "device/IUserInterface.h"
#include "device/QuorvexMessages.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/TypeName.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

// The event layer, top of the device stack: cuts each accepted payload into its event blocks,
// decodes them, keeps the device state up to date and posts one registered message per event to
// the main window. Runs on the message dispatch thread, one payload at a time, so events are
// handled in the order the unit sent them. It reads and writes its own stack's device state (never
// the process-wide stack's), so a test can drive a private stack.
template <typename Base>
class TMessageDispatchInterface : public Base, public IMessageDispatch {
public:
    void DispatchMessage(const std::uint8_t* payload, std::size_t size) override;

    // The console's channel number for a channel code the unit sent, by the unit's model and
    // firmware revision as the device state holds them now.
    int mapDeviceChannel(int code);

protected:
    using Payload = std::span<const std::uint8_t>;

    // Each handler decodes the block at offset and moves offset past it.
    void ProcessStreamingEvent(Payload payload, std::size_t& offset);
    void ProcessGainEvent(Payload payload, std::size_t& offset);
    void ProcessStopEvent(Payload payload, std::size_t& offset);
    void ProcessADCReadEvent(Payload payload, std::size_t& offset);
    void ProcessADCDataEvent(Payload payload, std::size_t& offset);
    void ProcessInitEvent(Payload payload, std::size_t& offset);
    void ProcessPassageEvent(Payload payload, std::size_t& offset);
    void ProcessIgnoredEvent(Payload payload, std::size_t& offset);
    void ProcessAutoRecordEvent(Payload payload, std::size_t& offset);
    void ProcessSelChannelChangeEvent(Payload payload, std::size_t& offset);
    void ProcessGPSInfoEvent(Payload payload, std::size_t& offset);
    void ProcessRecModeChangeEvent(Payload payload, std::size_t& offset);

private:
    using Handler = void (TMessageDispatchInterface::*)(Payload, std::size_t&);
    struct EventRoute {
        std::uint32_t bit;
        const wchar_t* logLine;
        Handler handler;
    };

    static std::string contextOf(const char* operation) {
        return zeph::platform::operationContext<TMessageDispatchInterface>(operation);
    }
    static void enter(const std::string& context) {
        zeph::windows::logging::LogBeacon::log(context.c_str(), zeph::windows::logging::DebugLevel1, L" ");
    }
    // Whether the block of the route's event lies within the payload; logs the overrun if not.
    bool blockFits(const std::string& context, const EventRoute& route, Payload payload, std::size_t offset);
    // The size of the event's block at offset (the streaming block's from its count byte).
    std::size_t blockSize(std::uint32_t bit, Payload payload, std::size_t offset) const;

    // Sets the active channel to the channel table's row of that number, if it has one.
    void selectActiveChannel(int channel);
    void notifyStateChange() { this->healthCheckThread_.getWorker().notifyStateChange(); }

    // Posts to the main window; with none, or when the post fails, the record is freed here.
    template <typename Record>
    void post(const std::string& context, zeph::platform::UINT message, zeph::platform::WPARAM wParam,
              std::unique_ptr<Record> record);
    void post(const std::string& context, zeph::platform::UINT message, zeph::platform::WPARAM wParam);
    bool postOrLog(const std::string& context, zeph::platform::UINT message, zeph::platform::WPARAM wParam,
                   zeph::platform::LPARAM lParam);
};

template <typename Base>
void TMessageDispatchInterface<Base>::DispatchMessage(const std::uint8_t* payload, std::size_t size) {
    using namespace zeph::windows::logging;
    static const std::string context = contextOf("DispatchMessage");
    static constexpr EventRoute routes[] = {
        {EventDescriptor::StreamingData, L"Event: QUORVEX_STREAMING_EVT, Offset %d",
         &TMessageDispatchInterface::ProcessStreamingEvent},
        {EventDescriptor::GainIndicator, L"Event: QUORVEX_GAIN_EVT, Offset %d",
         &TMessageDispatchInterface::ProcessGainEvent},
        {EventDescriptor::StopStreamingAcknowledgement, L"Event: QUORVEX_STOP_ACK_EVT, Offset %d",
         &TMessageDispatchInterface::ProcessStopEvent},
        {EventDescriptor::AdcPollingBegin, L"Event: QUORVEX_ADC_READ_EVT, Offset %d",
         &TMessageDispatchInterface::ProcessADCReadEvent},
        {EventDescriptor::AdcPollingEnd, L"Event: QUORVEX_ADC_DATA_EVT, Offset %d",
         &TMessageDispatchInterface::ProcessADCDataEvent},
        {EventDescriptor::Initialization, L"Event: QUORVEX_INIT_EVT, Offset %d",
         &TMessageDispatchInterface::ProcessInitEvent},
        {EventDescriptor::PigPassageDetected, L"Event: QUORVEX_PASSAGE_EVT, Offset %d",
         &TMessageDispatchInterface::ProcessPassageEvent},
        {EventDescriptor::IgnoredEvent, L"Event: QUORVEX_IGNORED_EVT, Offset %d",
         &TMessageDispatchInterface::ProcessIgnoredEvent},
        {EventDescriptor::RecordingStarted, L"Event: QUORVEX_REC_TRGRD_EVT, Offset %d",
         &TMessageDispatchInterface::ProcessAutoRecordEvent},
        {EventDescriptor::ModeChanged, L"Event: QUORVEX_MODE_CHNG_EVT, Offset %d",
         &TMessageDispatchInterface::ProcessSelChannelChangeEvent},
        {EventDescriptor::GpsInformation, L"Event: QUORVEX_GPS_EVT, Offset %d",
         &TMessageDispatchInterface::ProcessGPSInfoEvent},
        {EventDescriptor::RecordingModeChanged, L"Event: QUORVEX_REC_CHNG_EVT, Offset %d",
         &TMessageDispatchInterface::ProcessRecModeChangeEvent},
    };
    enter(context);
    const Payload bytes(payload, payload != nullptr ? size : 0);
    LogBeacon::log(context.c_str(), DebugLevel4, bytes.empty() ? L"%s [%d]" : L"%s [%d] %hs", L"Message",
                   bytes.size(), ByteDump(bytes));
    if (bytes.size() < FrameCodec::MaskSize) {
        // Not even a whole mask: nothing in it can be decoded.
        LogBeacon::log(context.c_str(), Error, L"Buffer Overrun Detected. Buffer length [%d], offset [%d]!",
                       bytes.size(), 0);
        return;
    }
    const Payload events = bytes.subspan(FrameCodec::MaskSize);
    if (events.empty()) {
        LogBeacon::log(context.c_str(), DebugLevel4, L"Payload [%d]: %hs.", events.size(), "(Empty)");
    } else {
        LogBeacon::log(context.c_str(), DebugLevel4, L"Payload [%d]: %hs.", events.size(), ByteDump(events));
    }

    const std::uint32_t mask =
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    std::size_t offset = FrameCodec::MaskSize;
    // State Info and bits the event table does not know are not processed.
    for (const EventRoute& route : routes) {
        if ((mask & route.bit) == 0) {
            continue;
        }
        LogBeacon::log(context.c_str(), Information, route.logLine, offset);
        if (!blockFits(context, route, bytes, offset)) {
            return;
        }
        (this->*route.handler)(bytes, offset);
    }
}

template <typename Base>
std::size_t TMessageDispatchInterface<Base>::blockSize(std::uint32_t bit, Payload payload,
                                                       std::size_t offset) const {
    const EventDescriptor* event = EventDescriptor::find(bit);
    const std::uint8_t count = event->hasRecords() ? payload[offset] : 0;
    return event->blockSize(count, this->deviceState_.firmware()[0]);
}

template <typename Base>
bool TMessageDispatchInterface<Base>::blockFits(const std::string& context, const EventRoute& route,
                                                Payload payload, std::size_t offset) {
    using namespace zeph::windows::logging;
    const std::size_t left = payload.size() - offset;
    // The streaming block is measured from its count byte, so that byte must be there first; then
    // its records must be, too (a frame checked under another firmware revision may not hold them).
    const bool fits = route.bit == EventDescriptor::StreamingData
                          ? left > 0 && left >= blockSize(route.bit, payload, offset)
                          : left >= blockSize(route.bit, payload, offset);
    if (fits) {
        return true;
    }
    if (route.bit == EventDescriptor::GainIndicator) {
        LogBeacon::log(context.c_str(), Error,
                       L"Buffer Overrun Detected. Buffer length [%d], offset [%d], message size [%d]!",
                       payload.size(), offset, blockSize(route.bit, payload, offset));
    } else {
        LogBeacon::log(context.c_str(), Error, L"Buffer Overrun Detected. Buffer length [%d], offset [%d]!",
                       payload.size(), offset);
    }
    return false;
}

template <typename Base>
int TMessageDispatchInterface<Base>::mapDeviceChannel(int code) {
    static const std::string context = contextOf("mapDeviceChannel");
    enter(context);
    return mapChannelCode(this->deviceState_.identity().model, this->deviceState_.firmware()[0], code);
}

template <typename Base>
void TMessageDispatchInterface<Base>::selectActiveChannel(int channel) {
    if (const ChannelRecord* row = ChannelRegistry::find(channel); row != nullptr) {
        this->deviceState_.setActiveChannel(row);
    }
}

template <typename Base>
void TMessageDispatchInterface<Base>::ProcessStreamingEvent(Payload payload, std::size_t& offset) {
    using namespace zeph::windows::logging;
    static const std::string context = contextOf("ProcessStreamingEvent");
    enter(context);
    DeviceState& state = this->deviceState_;
    EventCounters* counters = this->eventCounters_.find(EventDescriptor::StreamingData);
    const std::uint8_t count = payload[offset];
    const std::uint16_t firmware = state.firmware()[0];
    const std::size_t recordSize = streamingRecordSize(firmware);
    const StreamingState& streaming = state.streamingState();
    if (state.operatingMode() != OperatingMode::Streaming || streaming == StreamingState::Stopped ||
        streaming == StreamingState::Ending) {
        LogBeacon::log(context.c_str(), Warning, L"Message ignored.");
        counters->increment(EventCounters::Ignored);
        offset += 1 + std::size_t{count} * recordSize;
        if (streaming == StreamingState::Ending) {
            // A unit that keeps streaming after STOP: the health check decides when to give up.
            notifyStateChange();
        }
        return;
    }
    counters->increment(EventCounters::Accepted);
    bool started = false;
    if (streaming == StreamingState::Beginning) {
        state.setStreamingState(StreamingState::Playing);
        started = true;
        notifyStateChange();
    }
    LogBeacon::log(context.c_str(), DebugLevel4, L"Number of records included: %d", count);
    offset += 1;
    for (std::uint8_t i = 0; i < count; ++i, offset += recordSize) {
        auto sample = std::make_unique<StreamingSample>(
            EventBlockDecoder::streamingSample(payload.subspan(offset, recordSize), firmware));
        const int channel = mapDeviceChannel(sample->channel);
        sample->channel = static_cast<std::uint16_t>(channel);
        selectActiveChannel(channel);
        post(context, WM_QUORVEX_ON_STREAMING_EVT, started ? 1 : 0, std::move(sample));
    }
}

template <typename Base>
void TMessageDispatchInterface<Base>::ProcessGainEvent(Payload payload, std::size_t& offset) {
    using namespace zeph::windows::logging;
    static const std::string context = contextOf("ProcessGainEvent");
    enter(context);
    auto record = std::make_unique<GainRecord>(EventBlockDecoder::gain(payload.subspan(offset, 2)));
    offset += 2;
    if (record->gain + record->clipping > 16) {
        LogBeacon::log(context.c_str(), Error,
                       L"QUORVEX_GAIN_EVT - Values out of range gain[%d], clipping[%d].", record->gain,
                       record->clipping);
        return;
    }
    this->deviceState_.setGain(record->gain, record->clipping);
    post(context, WM_QUORVEX_ON_GAIN_EVT, 0, std::move(record));
}

template <typename Base>
void TMessageDispatchInterface<Base>::ProcessStopEvent(Payload, std::size_t&) {
    static const std::string context = contextOf("ProcessStopEvent");
    enter(context);
    this->deviceState_.setOperatingMode(OperatingMode::Command);
    this->deviceState_.setStreamingState(StreamingState::Stopped);
    post(context, WM_QUORVEX_ON_STOP_ACK_EVT, 0);
}

template <typename Base>
void TMessageDispatchInterface<Base>::ProcessADCReadEvent(Payload, std::size_t&) {
    static const std::string context = contextOf("ProcessADCReadEvent");
    enter(context);
    this->deviceState_.setAdcPolling(true);
    if (IHealthCheck* health = this->healthCheck(); health != nullptr) {
        health->resetCountdown();
    }
    notifyStateChange();
    post(context, WM_QUORVEX_ON_ADC_READ_EVT, 0);
}

template <typename Base>
void TMessageDispatchInterface<Base>::ProcessADCDataEvent(Payload payload, std::size_t& offset) {
    static const std::string context = contextOf("ProcessADCDataEvent");
    enter(context);
    const double level =
        EventBlockDecoder::batteryLevel(EventBlockDecoder::batteryRaw(payload.subspan(offset, 2)));
    offset += 2;
    this->deviceState_.setBatteryLevel(level);
    this->deviceState_.setAdcPolling(false);
    notifyStateChange();
    // Replays the commands deferred while the unit measured its battery, on this thread.
    if (auto* commands = dynamic_cast<IUserInterface*>(this); commands != nullptr) {
        commands->popQueue();
    }
    post(context, WM_QUORVEX_ON_ADC_DATA_EVT, static_cast<zeph::platform::WPARAM>(level));
}

template <typename Base>
void TMessageDispatchInterface<Base>::ProcessInitEvent(Payload payload, std::size_t& offset) {
    using namespace zeph::windows::logging;
    static const std::string context = contextOf("ProcessInitEvent");
    constexpr std::size_t BlockSize = 158;
    enter(context);
    const Payload block = payload.subspan(offset, BlockSize);
    offset += BlockSize;
    EventBlockDecoder::InitBlock init = EventBlockDecoder::init(block);
    auto record = std::make_unique<InitRecord>(init.record);
    LogBeacon::log(context.c_str(), DebugLevel4, L"Device Name: %hs", ByteDump(block.subspan(0, 16)));
    LogBeacon::log(context.c_str(), DebugLevel4, L"Firware Revision: %hs", ByteDump(block.subspan(16, 16)));
    const FirmwareRevisionParse firmware = parseFirmwareRevision(init.firmwareText);
    if (!firmware.roundingError.empty()) {
        LogBeacon::log(context.c_str(), Error, L"%hs", firmware.roundingError);
    }
    if (firmware.saturated) {
        LogBeacon::log(context.c_str(), Warning,
                       L"Firmware revision [%hs] is beyond the largest minor number; read as 0.4095.",
                       init.firmwareText);
    }
    record->firmware[0] = firmware.words[0];
    record->firmware[1] = firmware.words[1];

    DeviceState& state = this->deviceState_;
    state.setDeviceName(init.deviceName);
    state.setFirmware(firmware.words);
    // Remapped only now, so that the new unit's model and firmware decide.
    const int channel = mapDeviceChannel(record->channel);
    record->channel = static_cast<std::uint16_t>(channel);
    state.setAutoTrigger(record->autoTrigger != 0);
    state.setLogging(record->logging != 0);
    state.setRecordingState(record->recordingState);
    state.setRecording(record->recording != 0);
    state.setBatteryLevel(EventBlockDecoder::batteryLevel(record->batteryRaw));
    selectActiveChannel(channel);
    state.setAutoSelect(record->autoSelect != 0);
    state.setWorkingFolderNames(std::move(init.folderNames));
    state.setFolderValues(std::to_array(record->folderValues));
    post(context, WM_QUORVEX_ON_INIT_EVT, 0, std::move(record));
}

template <typename Base>
void TMessageDispatchInterface<Base>::ProcessPassageEvent(Payload payload, std::size_t& offset) {
    static const std::string context = contextOf("ProcessPassageEvent");
    enter(context);
    auto record = std::make_unique<PassageRecord>(EventBlockDecoder::passage(payload.subspan(offset, 41)));
    offset += 41;
    record->values[3] = static_cast<std::uint16_t>(mapDeviceChannel(record->values[3]));
    this->deviceState_.setRecording(false);
    post(context, WM_QUORVEX_ON_PASSAGE_EVT, 0, std::move(record));
}

template <typename Base>
void TMessageDispatchInterface<Base>::ProcessIgnoredEvent(Payload payload, std::size_t& offset) {
    static const std::string context = contextOf("ProcessIgnoredEvent");
    enter(context);
    // The block carries a channel code like a passage's: taken as sent, the console's channel 3
    // would read as code 4 on a 0.96 unit, so it is renumbered the same way.
    auto record = std::make_unique<PassageRecord>(EventBlockDecoder::passage(payload.subspan(offset, 41)));
    offset += 41;
    record->values[3] = static_cast<std::uint16_t>(mapDeviceChannel(record->values[3]));
    this->deviceState_.setRecording(false);
    post(context, WM_QUORVEX_ON_IGNORED_EVT, 0, std::move(record));
}

template <typename Base>
void TMessageDispatchInterface<Base>::ProcessAutoRecordEvent(Payload payload, std::size_t& offset) {
    static const std::string context = contextOf("ProcessAutoRecordEvent");
    enter(context);
    auto record = std::make_unique<RecordTriggeredRecord>(
        EventBlockDecoder::recordTriggered(payload.subspan(offset, 6)));
    offset += 6;
    const int channel = mapDeviceChannel(record->channel);
    record->channel = static_cast<std::uint16_t>(channel);
    selectActiveChannel(channel);
    this->deviceState_.setRecording(true);
    post(context, WM_QUORVEX_ON_REC_TRGRD_EVT, 0, std::move(record));
}

template <typename Base>
void TMessageDispatchInterface<Base>::ProcessSelChannelChangeEvent(Payload payload, std::size_t& offset) {
    using namespace zeph::windows::logging;
    static const std::string context = contextOf("ProcessSelChannelChangeEvent");
    enter(context);
    auto record =
        std::make_unique<ChannelChangeRecord>(EventBlockDecoder::channelChange(payload.subspan(offset, 5)));
    offset += 5;
    const int channel = mapDeviceChannel(static_cast<int>(record->channel));
    record->channel = static_cast<std::uint32_t>(channel);
    selectActiveChannel(channel);
    this->deviceState_.setAutoSelect(record->autoSelect != 0);
    const ChannelRecord* active = this->deviceState_.activeChannel();
    LogBeacon::log(context.c_str(), Information, L"Changing to %s",
                   active != nullptr ? active->shortName : std::wstring());
    post(context, WM_QUORVEX_ON_SEL_CHAN_CHNGD_EVT, 0, std::move(record));
}

template <typename Base>
void TMessageDispatchInterface<Base>::ProcessGPSInfoEvent(Payload payload, std::size_t& offset) {
    static const std::string context = contextOf("ProcessGPSInfoEvent");
    enter(context);
    auto record = std::make_unique<GpsRecord>(EventBlockDecoder::gps(payload.subspan(offset, 25)));
    offset += 25;
    GpsValues values;
    values.values = {record->latitude, record->longitude, record->elevation, record->hdop};
    values.flag = record->quality;
    this->deviceState_.setGps(values);
    post(context, WM_QUORVEX_ON_GPS_INFO_EVT, 0, std::move(record));
}

template <typename Base>
void TMessageDispatchInterface<Base>::ProcessRecModeChangeEvent(Payload payload, std::size_t& offset) {
    static const std::string context = contextOf("ProcessRecModeChangeEvent");
    enter(context);
    auto record =
        std::make_unique<RecordModeRecord>(EventBlockDecoder::recordMode(payload.subspan(offset, 14)));
    offset += 14;
    DeviceState& state = this->deviceState_;
    state.setAutoTrigger(record->autoTrigger != 0);
    state.setLogging(record->recordingState != 0);
    state.setRecordingState(record->recordingState);
    state.setFolderValues(std::to_array(record->folderValues));
    post(context, WM_QUORVEX_ON_REC_CHNG_EVT, 0, std::move(record));
}

template <typename Base>
template <typename Record>
void TMessageDispatchInterface<Base>::post(const std::string& context, zeph::platform::UINT message,
                                           zeph::platform::WPARAM wParam, std::unique_ptr<Record> record) {
    if (postOrLog(context, message, wParam, reinterpret_cast<zeph::platform::LPARAM>(record.get()))) {
        record.release();  // the window frees it
    }
}

template <typename Base>
void TMessageDispatchInterface<Base>::post(const std::string& context, zeph::platform::UINT message,
                                           zeph::platform::WPARAM wParam) {
    postOrLog(context, message, wParam, 0);
}

template <typename Base>
bool TMessageDispatchInterface<Base>::postOrLog(const std::string& context, zeph::platform::UINT message,
                                                zeph::platform::WPARAM wParam,
                                                zeph::platform::LPARAM lParam) {
    using namespace zeph::windows::logging;
    if (this->window_.load() == nullptr) {
        return false;  // no console to tell (yet)
    }
    if (this->postToWindow(message, wParam, lParam)) {
        return true;
    }
    this->logPostFailure(context.c_str());
    return false;
}
