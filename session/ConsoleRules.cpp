#include "session/ConsoleRules.h"

#include "device/ChannelRegistry.h"
#include "device/CommandDescriptor.h"
#include "device/DeviceState.h"
#include "device/FailureNotice.h"
#include "device/IUserInterface.h"
#include "device/QuorvexMessages.h"
#include "session/ConnectFailureCause.h"
#include "session/ConsoleLogBlocks.h"
#include "session/ConsoleTexts.h"
#include "session/EventTexts.h"
#include "session/FirmwareWindow.h"
#include "support/communication/PortGroupDenial.h"
#include "support/communication/RfcommLink.h"
#include "support/communication/SerialSettings.h"
#include "support/config/ConfigMgr.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/SystemText.h"
#include "support/platform/TextConversion.h"
#include "support/platform/Thread.h"

#include <algorithm>
#include <cstdio>

namespace quorvex::console {

namespace {

namespace platform = zeph::platform;
using namespace zeph::windows::logging;
using zeph::windows::config::ConfigMgr;

template <typename Text>
Text withoutLineEnd(Text text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::string systemTextOf(platform::DWORD code) {
    const auto wide = platform::systemText(code);
    return wide ? withoutLineEnd(platform::narrow(*wide)) : std::string();
}

// The code and its system text, for the reason a session ended.
std::string errorText(platform::DWORD code) {
    const std::string text = systemTextOf(code);
    return "error " + std::to_string(code) + (text.empty() ? "" : " (" + text + ")");
}

std::string withAdvice(const std::string& text, const char* separator, const std::string& advice) {
    return advice.empty() ? text : text + separator + advice;
}

std::wstring failureReason(platform::DWORD code) {
    if (code == platform::WAIT_TIMEOUT) {
        return L"WAIT_TIMEOUT";
    }
    return withoutLineEnd(platform::systemText(code).value_or(L""));
}

bool isCommand(const FailureNotice& notice, std::int32_t id) {
    const auto bytes = CommandDescriptor::find(id)->bytes();
    return std::equal(notice.data.begin(), notice.data.end(), bytes.begin(), bytes.end());
}

std::wstring failureLine(platform::UINT message, const FailureNotice& notice) {
    std::wstring line = L"[";
    for (std::size_t i = 0; i < notice.data.size(); ++i) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "%s0x%.2X", i == 0 ? "" : " ", notice.data[i]);
        line += platform::widen(byte);
    }
    line += message == WM_QUORVEX_FAILED_TO_SEND ? L"] Failed to send " : L"] Failed to receive response ";
    return line + L" Reason: " + failureReason(notice.error);
}

void setModel(const std::wstring& model) {
    ConfigMgr::instance().set(L"Volatile.Model", model);
}

}  // namespace

ConsoleRules::ConsoleRules(IUserInterface& device, IConsoleView& view) : device_(device), view_(view) {}

bool ConsoleRules::connect(platform::HWND window,
                           const zeph::windows::communication::SerialSettings& settings) {
    static constexpr const char* context = "TelvaneDlg::OnConnect";
    LogBeacon::log(context, DebugLevel1, L" ");
    view_.beginWait();
    port_ = settings.devicePath();
    disconnectAsked_ = false;
    pendingEnd_.reset();
    pendingReason_.clear();
    logConnectionSettings(settings);
    if (device_.connect(window, settings)) {
        connectOutstanding_ = true;
        view_.showStatus(AttemptingToConnectText);
        return true;
    }
    view_.endWait();
    const platform::DWORD error = device_.getLastError();
    LogBeacon::log(context, Error, L"Failed to connect! Reason [%d].", error);
    LogBeacon::logSystemError(context, error);
    const std::string advice = connectFailureAdvice(error);
    reportConnectFailure(context, portFailureCause(port_, error));
    view_.showMessageBox(withAdvice(FailedToConnectText, "\n\n", advice), BoxIcon::Error);
    view_.connectionEnded(
        ConnectionOutcome::ConnectFailed,
        withAdvice(std::string(FailedToConnectText) + " " + errorText(error), "\n", advice));
    return false;
}

std::string ConsoleRules::connectFailureAdvice(platform::DWORD error) const {
    using zeph::windows::communication::PortDirectory;
    // A port the session's groups may not open is the operator's to mend: say how.
    if (error == platform::ERROR_ACCESS_DENIED) {
        using zeph::windows::communication::PortGroupDenial;
        if (const auto denial = PortGroupDenial::find(port_, PortDirectory::fromEnvironment())) {
            return platform::narrow(denial->advice());
        }
    }
    // The Bluetooth link of the port did not come up: the unit is off, out of range or busy.
    if (error == platform::ERROR_CONNECTION_REFUSED || error == platform::ERROR_TIMEOUT) {
        const auto file = PortDirectory::fromEnvironment().fileOf(port_);
        if (file && zeph::windows::communication::leadsToRfcomm(*file)) {
            return UnitUnreachableText;
        }
    }
    return {};
}

void ConsoleRules::reportConnectFailure(const char* context, const std::string& cause) {
    // Said before the box, which the operator reads while the status bar is in view.
    LogBeacon::log(context, Error, L"Failed to connect: %hs.", cause);
    view_.showStatus(std::string(FailedToConnectCauseText) + cause + ".");
}

void ConsoleRules::disconnect() {
    disconnectAsked_ = true;
    view_.beginWait();
    device_.disconnect();
}

bool ConsoleRules::selectChannel(int channel) {
    std::wstring model;
    ConfigMgr::instance().get(L"Volatile.Model", model);
    // The M410 has only the first two transmitters.
    if (model == L"M410" && channel >= 3 && channel <= 7) {
        view_.showMessageBox(M450OnlyText, BoxIcon::Information);
        return false;
    }
    const ChannelRecord* pending = ChannelRegistry::find(channel);
    if (pending != nullptr) {
        logChannelChangeInfo(*device_.getDeviceState(), pending->kind && *pending->kind == ChannelKind::Auto,
                             pending->name);
    }
    device_.selectChannel(channel);
    return true;
}

void ConsoleRules::clockTick(std::time_t now) {
    if (gpsPolling_ && device_.getDeviceState()->connectionState() == ConnectionState::Connected &&
        now % 2 == 1) {
        device_.requestGPS();
    }
}

void ConsoleRules::onConnected(platform::LPARAM error) {
    connectOutstanding_ = false;
    if (error != 0) {
        const auto code = static_cast<platform::DWORD>(error);
        const std::string advice = connectFailureAdvice(code);
        view_.endWait();
        reportConnectFailure("TelvaneDlg::OnQuorvexConnectEvt", portFailureCause(port_, code));
        view_.showMessageBox(withAdvice(FailedToConnectText, "\n\n", advice), BoxIcon::Error);
        view_.updateWorkingFolderMenu();
        view_.connectionEnded(
            ConnectionOutcome::ConnectFailed,
            withAdvice(std::string(FailedToConnectText) + " " + errorText(code), "\n", advice));
        return;
    }
    // The unit needs a moment after the port opens before it listens.
    platform::sleep(200);
    device_.requestInit();
    view_.showStatus(VerifyingConnectionText);
}

void ConsoleRules::onDisconnected(platform::LPARAM error) {
    clearCounters();
    gpsPolling_ = false;
    device_.exit();
    const auto code = static_cast<platform::DWORD>(error);
    if (code != 0) {
        view_.showMessageBox(systemTextOf(code), BoxIcon::Error);
    }
    // A unit that never answered keeps its cause in view.
    if (pendingEnd_ != ConnectionOutcome::ConnectFailed) {
        view_.showStatus(ReadyText);
    }
    view_.endWait();
    view_.updateWorkingFolderMenu();
    setModel(L"M450");
    if (code != 0) {
        view_.connectionEnded(ConnectionOutcome::LinkLost, "link lost: " + errorText(code));
    } else {
        view_.connectionEnded(pendingEnd_.value_or(ConnectionOutcome::Disconnected), pendingReason_);
    }
    pendingEnd_.reset();
    pendingReason_.clear();
}

void ConsoleRules::onCommunicationsFailure(platform::UINT message, const FailureNotice& notice) {
    LogBeacon::log("TelvaneDlg::OnQuorvexCommunicationsFailure", Error, L"%s", failureLine(message, notice));
    // A write cancelled because the link is being stopped (the operator quit or disconnected) says
    // nothing about the unit: the disconnection under way decides how the session ends.
    if (notice.error == platform::ERROR_CANCELLED) {
        return;
    }
    if (isCommand(notice, CommandDescriptor::RequestInit)) {
        endConnection(ConnectionOutcome::ConnectFailed, FailedToConnectText);
        view_.endWait();
        reportConnectFailure("TelvaneDlg::OnQuorvexCommunicationsFailure", unitSilentCause(port_));
        view_.showMessageBox(FailedToConnectText, BoxIcon::Error);
    } else if (isCommand(notice, CommandDescriptor::RequestGPS)) {
        // A link already told lost has had its box; a request that failed with it is its echo.
        const bool linkLostTold = pendingEnd_ == ConnectionOutcome::LinkLost;
        endConnection(ConnectionOutcome::UnitRefused, UnitSilentText);
        if (!linkLostTold) {
            view_.showMessageBox(UnitSilentText, BoxIcon::Error);
        }
        view_.showStatus(ReadyText);
    }
}

bool ConsoleRules::onInit() {
    // An answer that crossed the operator's disconnect finds the unit's state already cleared
    // (firmware 0.0000): the session ends as a disconnection, not as a unit refused.
    if (disconnectAsked_) {
        return false;
    }
    const DeviceState& state = *device_.getDeviceState();
    setModel(platform::widen(state.identity().model));
    const FirmwareVersion version = firmwareVersionOf(state.firmware());
    logDeviceInfo(state, firmwareRevisionText(version));
    if (!isCompatibleFirmware(version)) {
        // The window stays disabled until the disconnection arrives.
        view_.endWait();
        view_.beginWait();
        const std::string text = incompatibleFirmwareText(version);
        endConnection(ConnectionOutcome::UnitRefused, text);
        view_.showMessageBox(text, BoxIcon::Error);
        return false;
    }
    gpsPolling_ = true;
    view_.showStatus(ReadyText);
    device_.requestGPS();
    device_.startStreaming();
    view_.updateWorkingFolderMenu();
    return true;
}

void ConsoleRules::onBatteryReadStarted() {
    if (device_.getDeviceState()->operatingMode() == OperatingMode::Streaming) {
        view_.showStatus(BatteryPollingText);
    }
}

void ConsoleRules::onBatteryReadDone() {
    view_.showStatus(ReadyText);
}

void ConsoleRules::onStreamingData(bool firstAfterStart) {
    if (firstAfterStart) {
        view_.endWait();
    }
}

void ConsoleRules::onStreamStopped() {
    view_.endWait();
}

void ConsoleRules::onRecordModeChanged() {
    logRecordModeChange(*device_.getDeviceState());
    device_.requestState();
}

void ConsoleRules::onChannelChanged(int reportedChannel) {
    logChannelChangeEvent(*device_.getDeviceState(), reportedChannel);
}

void ConsoleRules::onRecordingTriggered(const RecordTriggeredRecord& trigger) {
    view_.appendLogLine(recordingTriggerText(trigger) + "\n");
}

void ConsoleRules::onIgnored() {
    view_.appendLogLine(std::string(IgnoredEventText) + "\n");
    ++ignoredCount_;
}

void ConsoleRules::onPassage(const PassageRecord& passage) {
    view_.appendLogLine(passageText(passage) + "\n");
    ++passageCount_;
}

void ConsoleRules::onLinkErrorBox(const std::string& text) {
    if (!pendingEnd_) {
        pendingEnd_ = ConnectionOutcome::LinkLost;
        pendingReason_ = text;
    }
}

void ConsoleRules::clearCounters() {
    passageCount_ = 0;
    ignoredCount_ = 0;
}

void ConsoleRules::endConnection(ConnectionOutcome outcome, const std::string& text) {
    device_.disconnect();
    if (!pendingEnd_) {
        pendingEnd_ = outcome;
        pendingReason_ = text;
    }
}

}  // namespace quorvex::console
