#include "cli/EventDescription.h"

#include "device/ChannelRegistry.h"
#include "device/EventRecords.h"
#include "device/FailureNotice.h"
#include "device/QuorvexMessages.h"
#include "session/EventTexts.h"
#include "session/FirmwareWindow.h"
#include "support/platform/TextConversion.h"

#include <cstdio>
#include <span>
#include <vector>

namespace quorvex::cli {

namespace {

namespace platform = zeph::platform;
using quorvex::console::firmwareVersionOf;
using quorvex::console::firmwareVersionText;
using quorvex::console::IgnoredEventText;
using quorvex::console::passageText;
using quorvex::console::recordingTriggerText;

template <typename Record>
const Record& recordOf(platform::LPARAM lParam) {
    return *reinterpret_cast<const Record*>(lParam);
}

// A text field of a record: the unit terminates it only when it had room.
std::string boundedText(const char* text, std::size_t size) {
    std::size_t length = 0;
    while (length < size && text[length] != '\0') {
        ++length;
    }
    return std::string(text, length);
}

std::string wireTextOf(const std::vector<std::uint8_t>& bytes) {
    std::string text(bytes.begin(), bytes.end());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

JsonObject streaming(platform::WPARAM wParam, const StreamingSample& sample) {
    JsonObject json;
    json.flag("first", wParam != 0).integer("channel", sample.channel);
    json.integer("x", sample.x).integer("y", sample.y).integer("z", sample.z).integer("extra", sample.extra);
    json.integer("signal", sample.signal);
    json.integers<std::uint8_t>("transmitters", sample.transmitters);
    return json.integers<std::int32_t>("levels", sample.levels);
}

JsonObject init(const InitRecord& record) {
    JsonObject json;
    json.text("deviceName", boundedText(record.deviceName, sizeof record.deviceName));
    json.integers<std::uint16_t>("firmwareWords", record.firmware);
    json.text("firmware", firmwareVersionText(firmwareVersionOf({record.firmware[0], record.firmware[1]})));
    json.flag("autoTrigger", record.autoTrigger != 0).flag("logging", record.logging != 0);
    json.integer("batteryRaw", record.batteryRaw).flag("autoSelect", record.autoSelect != 0);
    json.integer("channel", record.channel).integer("recordingState", record.recordingState);
    std::vector<std::string> folders;
    for (const auto& name : record.folderNames) {
        folders.push_back(boundedText(name, sizeof name));
    }
    json.texts("folderNames", folders).integers<std::uint16_t>("folderValues", record.folderValues);
    return json.flag("recording", record.recording != 0);
}

// The channel's name beside its number, as the window and the journal show it.
std::wstring channelName(int channel) {
    const ChannelRecord* record = ChannelRegistry::find(channel);
    return record != nullptr ? record->name : std::wstring();
}

JsonObject passage(const PassageRecord& record) {
    JsonObject json;
    json.integer("seconds", record.seconds).integer("microseconds", record.microseconds);
    json.real("value", record.value).integer("flag", record.flag);
    json.integers<std::uint16_t>("values", record.values).integer("channel", record.values[3]);
    json.text("channelName", channelName(record.values[3]));
    json.integer("detail", record.detail);
    json.real("latitude", record.latitude).real("longitude", record.longitude);
    return json.real("elevation", record.elevation).real("fourth", record.fourth);
}

JsonObject gps(const GpsRecord& record) {
    JsonObject json;
    json.integers<std::int32_t>("values", record.values);
    json.real("latitude", record.latitude).real("longitude", record.longitude);
    json.real("elevation", record.elevation).real("hdop", record.hdop);
    return json.integer("quality", record.quality);
}

JsonObject failure(const FailureNotice& notice) {
    JsonObject json;
    json.text("command", wireTextOf(notice.data)).integer("error", notice.error);
    return json;
}

}  // namespace

std::string eventNameOf(platform::UINT message) {
    static const std::vector<std::pair<platform::UINT, const char*>> names = {
        {WM_QUORVEX_ON_CONNECT, "connect"},
        {WM_QUORVEX_ON_DISCONNECT, "disconnect"},
        {WM_QUORVEX_FAILED_TO_SEND, "failedToSend"},
        {WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE, "failedToReceiveResponse"},
        {WM_QUORVEX_ON_INIT_EVT, "init"},
        {WM_QUORVEX_ON_GAIN_EVT, "gain"},
        {WM_QUORVEX_ON_ADC_READ_EVT, "batteryReadBegins"},
        {WM_QUORVEX_ON_ADC_DATA_EVT, "batteryRead"},
        {WM_QUORVEX_ON_STREAMING_EVT, "streaming"},
        {WM_QUORVEX_ON_STOP_ACK_EVT, "streamingStopped"},
        {WM_QUORVEX_ON_SEL_CHAN_CHNGD_EVT, "channelChanged"},
        {WM_QUORVEX_ON_REC_TRGRD_EVT, "recordingTriggered"},
        {WM_QUORVEX_ON_IGNORED_EVT, "ignored"},
        {WM_QUORVEX_ON_PASSAGE_EVT, "passage"},
        {WM_QUORVEX_ON_GPS_INFO_EVT, "gps"},
        {WM_QUORVEX_ON_REC_CHNG_EVT, "recordModeChanged"},
        {WM_QUORVEX_ON_STATE_INFO_EVT, "stateInfo"},
        {WM_QUORVEX_SHOW_ERROR_BOX, "errorBox"},
    };
    for (const auto& [id, name] : names) {
        if (id == message) {
            return name;
        }
    }
    return {};
}

JsonObject describeRecord(platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) {
    if (message == WM_QUORVEX_ON_CONNECT || message == WM_QUORVEX_ON_DISCONNECT) {
        return JsonObject().integer("error", static_cast<std::int64_t>(lParam));
    }
    if (message == WM_QUORVEX_ON_ADC_DATA_EVT) {
        return JsonObject().integer("level", static_cast<std::int64_t>(wParam));
    }
    if (message == WM_QUORVEX_SHOW_ERROR_BOX && lParam != 0) {
        return JsonObject().text("text", std::wstring_view(reinterpret_cast<const wchar_t*>(lParam)));
    }
    if (lParam == 0) {
        return {};
    }
    if (message == WM_QUORVEX_FAILED_TO_SEND || message == WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE) {
        return failure(recordOf<FailureNotice>(lParam));
    }
    if (message == WM_QUORVEX_ON_STREAMING_EVT) {
        return streaming(wParam, recordOf<StreamingSample>(lParam));
    }
    if (message == WM_QUORVEX_ON_GAIN_EVT) {
        const auto& gain = recordOf<GainRecord>(lParam);
        return JsonObject().integer("gain", gain.gain).integer("clipping", gain.clipping);
    }
    if (message == WM_QUORVEX_ON_INIT_EVT) {
        return init(recordOf<InitRecord>(lParam));
    }
    if (message == WM_QUORVEX_ON_PASSAGE_EVT) {
        const auto& record = recordOf<PassageRecord>(lParam);
        return passage(record).text("text", passageText(record));
    }
    if (message == WM_QUORVEX_ON_IGNORED_EVT) {
        return passage(recordOf<PassageRecord>(lParam)).text("text", IgnoredEventText);
    }
    if (message == WM_QUORVEX_ON_REC_TRGRD_EVT) {
        const auto& trigger = recordOf<RecordTriggeredRecord>(lParam);
        return JsonObject()
            .integer("value", trigger.value)
            .integer("channel", trigger.channel)
            .text("channelName", channelName(trigger.channel))
            .text("text", recordingTriggerText(trigger));
    }
    if (message == WM_QUORVEX_ON_SEL_CHAN_CHNGD_EVT) {
        const auto& change = recordOf<ChannelChangeRecord>(lParam);
        return JsonObject()
            .integer("channel", change.channel)
            .text("channelName", channelName(static_cast<int>(change.channel)))
            .flag("autoSelect", change.autoSelect != 0);
    }
    if (message == WM_QUORVEX_ON_GPS_INFO_EVT) {
        return gps(recordOf<GpsRecord>(lParam));
    }
    if (message == WM_QUORVEX_ON_REC_CHNG_EVT) {
        const auto& mode = recordOf<RecordModeRecord>(lParam);
        return JsonObject()
            .flag("autoTrigger", mode.autoTrigger != 0)
            .integer("recordingState", mode.recordingState)
            .integers<std::uint16_t>("folderValues", mode.folderValues);
    }
    return {};
}

JsonObject describeState(const DeviceState& state) {
    JsonObject json;
    json.text("connection", state.connectionState().name());
    json.text("mode", state.operatingMode().name()).text("streaming", state.streamingState().name());
    const DeviceIdentity identity = state.identity();
    json.text("model", identity.model).text("serialNumber", identity.nameRemainder);
    json.text("firmware", firmwareVersionText(firmwareVersionOf(state.firmware())));
    json.flag("autoTrigger", state.autoTrigger()).flag("logging", state.logging());
    json.integer("recordingState", state.recordingState()).flag("recording", state.recording());
    json.real("battery", state.batteryLevel());
    const FolderValues folders = state.folderValues();
    const WorkingFolderNames names = state.workingFolderNames();
    json.integer("workingFolder", folders[5])
        .text("workingFolderName", folders[5] < names.size() ? names[folders[5]] : "");
    json.flag("autoSelect", state.autoSelect());
    const ChannelRecord* channel = state.activeChannel();
    json.integer("channel", channel ? channel->id : -1).text("channelName", channel ? channel->name : L"");
    json.integer("gain", state.gain()).integer("clipping", state.clipping());
    return json.integer("gpsQuality", state.gps().flag).flag("batteryPolling", state.adcPolling());
}

}  // namespace quorvex::cli
