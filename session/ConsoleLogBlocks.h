#pragma once

#include <string>

class DeviceState;

namespace zeph::windows::communication {
struct SerialSettings;
}

namespace quorvex::console {

// The blocks the console writes to the debug log at the moments of a connection that matter
// when a field report comes back: the line settings, the unit's identity, its record mode and
// its channel selection.
void logConnectionSettings(const zeph::windows::communication::SerialSettings& settings);
void logDeviceInfo(const DeviceState& state, const std::string& firmware);
void logRecordModeChange(const DeviceState& state);
void logChannelChangeEvent(const DeviceState& state, int reportedChannel);
// The operator's pending choice beside the unit's current one, before it is sent.
void logChannelChangeInfo(const DeviceState& state, bool pendingAutomatic, const std::wstring& pendingName);

// "Manual" (-1), "Off" (0) or "Automatic" (1).
const wchar_t* recordingStateText(int state);
// The name of the unit's current working folder, or "" when the index is out of range.
std::string currentWorkingFolderName(const DeviceState& state);

}  // namespace quorvex::console
