#include "device/CommandDescriptor.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

constexpr std::uint8_t LineFeed = 0x0A;
constexpr std::string_view NumberField = "%d";
// A Request Init is answered by the Initialization Message; the write thread waits that long.
constexpr zeph::platform::DWORD RequestInitTimeout = 3000;

}  // namespace

CommandDescriptor::CommandDescriptor(std::int32_t id, const wchar_t* displayName, std::string_view wireText,
                                     zeph::platform::DWORD responseTimeout)
    : id_(id),
      displayName_(displayName),
      bytes_(wireText.begin(), wireText.end()),
      responseTimeout_(responseTimeout) {
    bytes_.push_back(LineFeed);
}

std::string_view CommandDescriptor::wireText() const {
    return {reinterpret_cast<const char*>(bytes_.data()), bytes_.size() - 1};
}

std::vector<std::uint8_t> CommandDescriptor::format(std::int32_t value) const {
    std::string text(bytes_.begin(), bytes_.end());
    if (const std::size_t field = text.find(NumberField); field != std::string::npos) {
        text.replace(field, NumberField.size(), std::to_string(value));
    }
    const std::size_t lineEnd = text.find(static_cast<char>(LineFeed));
    text.resize(std::min(text.size(), lineEnd + 1));
    return {text.begin(), text.end()};
}

std::span<const CommandDescriptor> CommandDescriptor::table() {
    static const std::array<CommandDescriptor, 19> commands{{
        {StartStreaming, L"Start Streaming", "START", 0},
        {StopStreaming, L"Stop Streaming", "STOP", 0},
        {Acknowledge, L"Acknowledge", "\x06", 0},
        {NegativeAck, L"Negative Ack", "\x15", 0},
        {AckAdcBatteryPoll, L"Ack ADC Battery Poll", "\x07", 0},
        {RequestInit, L"Request Init", "REQINIT", RequestInitTimeout},
        {RequestState, L"Request State", "REQSTATE", 0},
        {Reinitialize, L"Reinitialize", "REINIT", 0},
        {InquireGain, L"Inquire Gain", "INQGAIN", 0},
        {IncrementGain, L"Increment Gain", "INCGAIN", 0},
        {DecrementGain, L"Decrement Gain", "DECGAIN", 0},
        {SelectChannel, L"Select Channel", "SELCHAN%d", 0},
        {MRSensorReset, L"MR Sensor Reset", "MRRESET", 0},
        {RequestGPS, L"Request GPS", "REQGPS", 0},
        {SelectWorkingFolder, L"Select Working Folder", "SETWFOLD%d", 0},
        {SetAutoRecord, L"Set Auto Record", "SETRECAUTO", 0},
        {SetManualRecord, L"Set Manual Record", "SETRECMAN", 0},
        {StartRecording, L"Start Recording", "STARTREC", 0},
        {StopRecording, L"Stop Recording", "STOPREC", 0},
    }};
    return commands;
}

const CommandDescriptor* CommandDescriptor::find(std::int32_t id) {
    const std::span<const CommandDescriptor> commands = table();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [id](const CommandDescriptor& c) { return c.id() == id; });
    return found != commands.end() ? &*found : nullptr;
}
