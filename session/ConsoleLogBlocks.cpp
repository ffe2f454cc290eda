#include "session/ConsoleLogBlocks.h"

#include "device/DeviceState.h"
#include "support/communication/SerialSettings.h"
#include "support/logging/LogBeacon.h"

namespace quorvex::console {

namespace {

using namespace zeph::windows::logging;

const std::wstring DashRule(60, L'-');

const wchar_t* yesNo(bool value) {
    return value ? L"Yes" : L"No";
}

const wchar_t* selectionModeText(bool automatic) {
    return automatic ? L"Automatic" : L"Manual";
}

std::wstring activeChannelName(const DeviceState& state) {
    const ChannelRecord* channel = state.activeChannel();
    return channel ? channel->name : std::wstring();
}

// The framed heading every block starts with.
void logHeading(const char* context, const LogVerbosity& level, const wchar_t* title) {
    LogBeacon::log(context, level, L"%s", DashRule);
    LogBeacon::log(context, level, L"%s", std::wstring(title));
    LogBeacon::log(context, level, L"%s", DashRule);
}

}  // namespace

const wchar_t* recordingStateText(int state) {
    return state < 0 ? L"Manual" : state == 0 ? L"Off" : L"Automatic";
}

std::string currentWorkingFolderName(const DeviceState& state) {
    const FolderValues folders = state.folderValues();
    const WorkingFolderNames names = state.workingFolderNames();
    return folders[5] < names.size() ? names[folders[5]] : std::string();
}

void logConnectionSettings(const zeph::windows::communication::SerialSettings& settings) {
    static constexpr const char* context = "TelvaneDlg::OnConnect";
    logHeading(context, Information, L"                       CONFIGURATION");
    LogBeacon::log(context, Information, L"Bluetooth Info goes here");
    LogBeacon::log(context, Information, L"%s", DashRule);
    LogBeacon::log(context, Information, L"Port                   : %s", settings.devicePath());
    LogBeacon::log(context, Information, L"Baud Rate              : %s", settings.baudRate().name());
    LogBeacon::log(context, Information, L"Data Bits              : %s", settings.dataBits().name());
    LogBeacon::log(context, Information, L"Parity                 : %s", settings.parity().name());
    LogBeacon::log(context, Information, L"Stop Bits              : %s", settings.stopBits().name());
    LogBeacon::log(context, Information, L"Flow Control           : %s", settings.flowControl().name());
    LogBeacon::log(context, Information, L"%s", DashRule);
}

void logDeviceInfo(const DeviceState& state, const std::string& firmware) {
    static constexpr const char* context = "TelvaneDlg::OnQuorvexInitEvt";
    const DeviceIdentity identity = state.identity();
    logHeading(context, Information, L"                       DEVICE INFO");
    LogBeacon::log(context, Information, L"Model                  : %hs", identity.model);
    LogBeacon::log(context, Information, L"Serial Number          : %hs", identity.nameRemainder);
    LogBeacon::log(context, Information, L"Firmware               : %hs", firmware);
    LogBeacon::log(context, Information, L"Auto Select            : %s", yesNo(state.autoSelect()));
    LogBeacon::log(context, Information, L"Is Logging             : %s", yesNo(state.logging()));
    LogBeacon::log(context, Information, L"Recording State        : %s",
                   recordingStateText(state.recordingState()));
    LogBeacon::log(context, Information, L"Currently Recording    : %s", yesNo(state.recording()));
    LogBeacon::log(context, Information, L"Working Folder         : %hs", currentWorkingFolderName(state));
    LogBeacon::log(context, Information, L"Channel Selection Mode : %s",
                   selectionModeText(state.autoSelect()));
    LogBeacon::log(context, Information, L"Selected Transmitter   : %s", activeChannelName(state));
    LogBeacon::log(context, Information, L"%s", DashRule);
}

void logRecordModeChange(const DeviceState& state) {
    static constexpr const char* context = "TelvaneDlg::OnQuorvexRecordModeChangeEvt";
    logHeading(context, DebugLevel4, L"                 Recording Mode Change Event");
    LogBeacon::log(context, DebugLevel4, L"Auto Trigger           : %s", yesNo(state.autoTrigger()));
    LogBeacon::log(context, DebugLevel4, L"Is Logging             : %s", yesNo(state.logging()));
    LogBeacon::log(context, DebugLevel4, L"Recording State        : %s",
                   recordingStateText(state.recordingState()));
    LogBeacon::log(context, DebugLevel4, L"Working Folder         : %hs", currentWorkingFolderName(state));
    LogBeacon::log(context, DebugLevel4, L"%s", DashRule);
}

void logChannelChangeEvent(const DeviceState& state, int reportedChannel) {
    static constexpr const char* context = "TelvaneDlg::OnQuorvexSelChannelChangedEvt";
    logHeading(context, DebugLevel4, L"                    Channel Change Event");
    LogBeacon::log(context, DebugLevel4, L"Channel selection mode : %s",
                   selectionModeText(state.autoSelect()));
    LogBeacon::log(context, DebugLevel4, L"Selected transmitter   : [%d] %s", reportedChannel,
                   activeChannelName(state));
    LogBeacon::log(context, DebugLevel4, L"%s", DashRule);
}

void logChannelChangeInfo(const DeviceState& state, bool pendingAutomatic, const std::wstring& pendingName) {
    static constexpr const char* context = "TelvaneDlg::OnSelChangeChannelSelector";
    logHeading(context, DebugLevel4, L"                    Channel Change Info");
    LogBeacon::log(context, DebugLevel4, L"Current mode        : %s", selectionModeText(state.autoSelect()));
    LogBeacon::log(context, DebugLevel4, L"Pending mode        : %s", selectionModeText(pendingAutomatic));
    LogBeacon::log(context, DebugLevel4, L"Current transmitter : %s", activeChannelName(state));
    LogBeacon::log(context, DebugLevel4, L"Pending transmitter : %s", pendingName);
    LogBeacon::log(context, DebugLevel4, L"%s", DashRule);
}

}  // namespace quorvex::console
