#pragma once

#include "session/IConsoleView.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/WindowTypes.h"

#include <ctime>
#include <optional>
#include <string>

class IUserInterface;
struct FailureNotice;
struct PassageRecord;
struct RecordTriggeredRecord;

namespace zeph::windows::communication {
struct SerialSettings;
}

namespace quorvex::console {

// The console's flow around a connection, without windows: what is sent after which event
// (Request Init 200 ms after the port opens, GPS and the stream after a compatible unit, the
// unit's state after a record-mode change), the firmware window, GPS on odd seconds, which
// failure ends the connection, and the passage and ignored counters. The main window and the
// headless client each drive it with their own view. Lives on the thread of the message loop.
class ConsoleRules {
public:
    ConsoleRules(IUserInterface& device, IConsoleView& view);
    ConsoleRules(const ConsoleRules&) = delete;
    ConsoleRules& operator=(const ConsoleRules&) = delete;

    // Asks the stack to connect and the results to come to the window; false when refused at once.
    bool connect(zeph::platform::HWND window, const zeph::windows::communication::SerialSettings& settings);
    // The operator's Disconnect.
    void disconnect();
    // The operator's channel choice; false when this model cannot take it (a box says so).
    bool selectChannel(int channel);
    // The one-second clock: asks for GPS on odd seconds of the system clock while polling.
    void clockTick(std::time_t now);

    // The device stack's messages (the caller still owns and frees their records).
    void onConnected(zeph::platform::LPARAM error);
    void onDisconnected(zeph::platform::LPARAM error);
    void onCommunicationsFailure(zeph::platform::UINT message, const FailureNotice& notice);
    // Returns whether the unit's firmware is inside the window (and streaming was asked for).
    bool onInit();
    void onBatteryReadStarted();
    void onBatteryReadDone();
    void onStreamingData(bool firstAfterStart);
    void onStreamStopped();
    void onRecordModeChanged();
    void onChannelChanged(int reportedChannel);
    void onRecordingTriggered(const RecordTriggeredRecord& trigger);
    void onIgnored();
    void onPassage(const PassageRecord& passage);
    // The health check gave up on the link and shows why; the disconnection follows.
    void onLinkErrorBox(const std::string& text);

    bool gpsPolling() const { return gpsPolling_; }
    // A connect asked for whose result has not come yet.
    bool connectOutstanding() const { return connectOutstanding_; }
    // The port of the last connect.
    const std::wstring& port() const { return port_; }
    int passageCount() const { return passageCount_; }
    int ignoredCount() const { return ignoredCount_; }
    void clearCounters();

private:
    // Disconnects because of what the unit did, and remembers why for the disconnection event.
    void endConnection(ConnectionOutcome outcome, const std::string& text);
    // Why the connection could not be made, in the log and the status bar.
    void reportConnectFailure(const char* context, const std::string& cause);
    // The fix to add to "Failed to connect!" when the port's group is what keeps it closed.
    std::string connectFailureAdvice(zeph::platform::DWORD error) const;

    IUserInterface& device_;
    IConsoleView& view_;
    bool gpsPolling_ = false;
    bool connectOutstanding_ = false;
    // The operator asked to disconnect since the last connect.
    bool disconnectAsked_ = false;
    int passageCount_ = 0;
    int ignoredCount_ = 0;
    // Why the connection is ending, once the console itself has asked the stack to disconnect.
    std::optional<ConnectionOutcome> pendingEnd_;
    std::string pendingReason_;
    // The port of the last connect, for explaining why it would not open.
    std::wstring port_;
};

}  // namespace quorvex::console
