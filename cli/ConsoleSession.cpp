#include "cli/ConsoleSession.h"

#include "cli/EventDescription.h"
#include "cli/FirmwareWindow.h"
#include "device/CommandDescriptor.h"
#include "device/DeviceState.h"
#include "device/EventRecords.h"
#include "device/FailureNotice.h"
#include "device/QuorvexMessages.h"
#include "support/config/ConfigMgr.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/SystemText.h"
#include "support/platform/TextConversion.h"
#include "support/platform/Thread.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

namespace quorvex::cli {

namespace {

namespace platform = zeph::platform;
using namespace zeph::windows::logging;

constexpr const char* Ready = "Ready";
constexpr const char* FailedToConnect = "Failed to connect!";

// The system's text for a code, without its line end; the number alone when it has none.
std::string errorText(platform::DWORD code) {
    const auto wide = platform::systemText(code);
    std::string text = wide ? platform::narrow(*wide) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return "error " + std::to_string(code) + (text.empty() ? "" : " (" + text + ")");
}

std::wstring systemReason(platform::DWORD code) {
    if (code == platform::WAIT_TIMEOUT) {
        return L"WAIT_TIMEOUT";
    }
    std::wstring text = platform::systemText(code).value_or(L"");
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) {
        text.pop_back();
    }
    return text;
}

bool isCommand(const FailureNotice& notice, std::int32_t id) {
    const auto bytes = CommandDescriptor::find(id)->bytes();
    return std::equal(notice.data.begin(), notice.data.end(), bytes.begin(), bytes.end());
}

const wchar_t* yesNo(bool value) {
    return value ? L"Yes" : L"No";
}

const wchar_t* recordingStateText(std::int32_t state) {
    return state < 0 ? L"Manual" : state == 0 ? L"Off" : L"Automatic";
}

void logConnectionSettings(const zeph::windows::communication::SerialSettings& settings) {
    static constexpr const char* context = "ConsoleSession::connect";
    const std::wstring rule(60, L'-');
    LogBeacon::log(context, Information, L"%s", rule);
    LogBeacon::log(context, Information, L"                       CONFIGURATION");
    LogBeacon::log(context, Information, L"%s", rule);
    LogBeacon::log(context, Information, L"Bluetooth Info goes here");
    LogBeacon::log(context, Information, L"%s", rule);
    LogBeacon::log(context, Information, L"Port                   : %s", settings.devicePath());
    LogBeacon::log(context, Information, L"Baud Rate              : %s", settings.baudRate().name());
    LogBeacon::log(context, Information, L"Data Bits              : %s", settings.dataBits().name());
    LogBeacon::log(context, Information, L"Parity                 : %s", settings.parity().name());
    LogBeacon::log(context, Information, L"Stop Bits              : %s", settings.stopBits().name());
    LogBeacon::log(context, Information, L"Flow Control           : %s", settings.flowControl().name());
    LogBeacon::log(context, Information, L"%s", rule);
}

void logDeviceInfo(const DeviceState& state, const std::string& firmware) {
    static constexpr const char* context = "ConsoleSession::onInit";
    const std::wstring rule(60, L'-');
    const DeviceIdentity identity = state.identity();
    const FolderValues folders = state.folderValues();
    const WorkingFolderNames names = state.workingFolderNames();
    const std::string folder = folders[5] < names.size() ? names[folders[5]] : std::string();
    const ChannelRecord* channel = state.activeChannel();
    LogBeacon::log(context, Information, L"%s", rule);
    LogBeacon::log(context, Information, L"                       DEVICE INFO");
    LogBeacon::log(context, Information, L"%s", rule);
    LogBeacon::log(context, Information, L"Model                  : %hs", identity.model);
    LogBeacon::log(context, Information, L"Serial Number          : %hs", identity.nameRemainder);
    LogBeacon::log(context, Information, L"Firmware               : %hs", firmware);
    LogBeacon::log(context, Information, L"Auto Select            : %s", yesNo(state.autoSelect()));
    LogBeacon::log(context, Information, L"Is Logging             : %s", yesNo(state.logging()));
    LogBeacon::log(context, Information, L"Recording State        : %s",
                   recordingStateText(state.recordingState()));
    LogBeacon::log(context, Information, L"Currently Recording    : %s", yesNo(state.recording()));
    LogBeacon::log(context, Information, L"Working Folder         : %hs", folder);
    LogBeacon::log(context, Information, L"Channel Selection Mode : %s",
                   state.autoSelect() ? L"Automatic" : L"Manual");
    LogBeacon::log(context, Information, L"Selected Transmitter   : %s", channel ? channel->name : L"");
    LogBeacon::log(context, Information, L"%s", rule);
}

}  // namespace

ConsoleSession::ConsoleSession(IUserInterface& device, std::ostream& out, std::ostream& err)
    : device_(device), out_(out), err_(err) {
    window_ = platform::createMessageWindow(
        [this](platform::HWND, platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) {
            return onMessage(message, wParam, lParam);
        });
}

ConsoleSession::~ConsoleSession() {
    platform::destroyWindow(window_);
}

bool ConsoleSession::connect(const zeph::windows::communication::SerialSettings& settings) {
    static constexpr const char* context = "ConsoleSession::connect";
    LogBeacon::log(context, DebugLevel1, L" ");
    logConnectionSettings(settings);
    if (device_.connect(window_, settings)) {
        connectOutstanding_ = true;
        emitStatus("Attempting to connect to the QUORVEX unit");
        return true;
    }
    const platform::DWORD error = device_.getLastError();
    LogBeacon::log(context, Error, L"Failed to connect! Reason [%d].", error);
    LogBeacon::logSystemError(context, error);
    emitMessageBox(FailedToConnect);
    finish(SessionEnd::ConnectFailed, std::string(FailedToConnect) + " " + errorText(error));
    return false;
}

platform::LRESULT ConsoleSession::onMessage(platform::UINT message, platform::WPARAM wParam,
                                            platform::LPARAM lParam) {
    if (message == WM_CLI_COMMAND) {
        const std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        runCommand(*line);
    } else if (message == WM_CLI_CLOCK) {
        clockTick();
    } else if (message == WM_CLI_INTERRUPT) {
        interrupt();
    } else if (!eventNameOf(message).empty()) {
        onDeviceMessage(message, wParam, lParam);
    }
    return 0;
}

void ConsoleSession::onDeviceMessage(platform::UINT message, platform::WPARAM wParam,
                                     platform::LPARAM lParam) {
    JsonObject line;
    line.text("event", eventNameOf(message)).object("data", describeRecord(message, wParam, lParam));
    emit(line.object("state", describeState(*device_.getDeviceState())));

    if (message == WM_QUORVEX_ON_CONNECT) {
        onConnected(lParam);
    } else if (message == WM_QUORVEX_ON_DISCONNECT) {
        onDisconnected(lParam);
    } else if (message == WM_QUORVEX_FAILED_TO_SEND || message == WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE) {
        onCommunicationsFailure(message, lParam);
    } else if (message == WM_QUORVEX_ON_INIT_EVT) {
        onInit();
    } else if (message == WM_QUORVEX_ON_ADC_READ_EVT &&
               device_.getDeviceState()->operatingMode() == OperatingMode::Streaming) {
        emitStatus("Streaming paused for ADC Battery polling.");
    } else if (message == WM_QUORVEX_ON_ADC_DATA_EVT) {
        emitStatus(Ready);
    } else if (message == WM_QUORVEX_ON_REC_CHNG_EVT) {
        device_.requestState();
    } else if (message == WM_QUORVEX_SHOW_ERROR_BOX && !pendingEnd_) {
        // The box is shown and at once dismissed; the stack then disconnects on its own, without
        // an error number, so the reason is kept here.
        pendingEnd_ = SessionEnd::LinkLost;
        pendingReason_ = lParam != 0 ? platform::narrow(reinterpret_cast<const wchar_t*>(lParam)) : "";
    }
    deleteEventRecord(message, lParam);
}

void ConsoleSession::onConnected(platform::LPARAM error) {
    connectOutstanding_ = false;
    if (error != 0) {
        emitMessageBox(FailedToConnect);
        emitStatus(Ready);
        finish(SessionEnd::ConnectFailed,
               std::string(FailedToConnect) + " " + errorText(static_cast<platform::DWORD>(error)));
        return;
    }
    // The unit needs a moment after the port opens before it listens.
    platform::sleep(200);
    device_.requestInit();
    emitStatus("Verifying connection to the QUORVEX unit.");
}

void ConsoleSession::onDisconnected(platform::LPARAM error) {
    gpsPolling_ = false;
    device_.exit();
    zeph::windows::config::ConfigMgr::instance().set(L"Volatile.Model", L"M450");
    emitStatus(Ready);
    if (error != 0) {
        finish(SessionEnd::LinkLost, "link lost: " + errorText(static_cast<platform::DWORD>(error)));
    } else {
        finish(pendingEnd_.value_or(SessionEnd::Disconnected), pendingReason_);
    }
}

void ConsoleSession::onCommunicationsFailure(platform::UINT message, platform::LPARAM lParam) {
    const std::unique_ptr<FailureNotice> notice(reinterpret_cast<FailureNotice*>(lParam));
    if (!notice) {
        return;
    }
    std::wstring line = L"[";
    for (std::size_t i = 0; i < notice->data.size(); ++i) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "%s0x%.2X", i == 0 ? "" : " ", notice->data[i]);
        line += platform::widen(byte);
    }
    line += message == WM_QUORVEX_FAILED_TO_SEND ? L"] Failed to send " : L"] Failed to receive response ";
    line += L" Reason: " + systemReason(notice->error);
    LogBeacon::log("ConsoleSession::onCommunicationsFailure", Error, L"%s", line);

    if (isCommand(*notice, CommandDescriptor::RequestInit)) {
        requestDisconnect(SessionEnd::ConnectFailed, FailedToConnect);
    } else if (isCommand(*notice, CommandDescriptor::RequestGPS)) {
        requestDisconnect(SessionEnd::UnitRefused, "Unable to communicate with the QUORVEX device!");
    }
}

void ConsoleSession::onInit() {
    const DeviceState& state = *device_.getDeviceState();
    const DeviceIdentity identity = state.identity();
    zeph::windows::config::ConfigMgr::instance().set(L"Volatile.Model", platform::widen(identity.model));
    const FirmwareVersion version = firmwareVersionOf(state.firmware());
    logDeviceInfo(state, firmwareRevisionText(version));
    if (!isCompatibleFirmware(version)) {
        requestDisconnect(SessionEnd::UnitRefused, incompatibleFirmwareText(version));
        return;
    }
    gpsPolling_ = true;
    emitStatus(Ready);
    device_.requestGPS();
    device_.startStreaming();
}

void ConsoleSession::requestDisconnect(std::optional<SessionEnd> reason, const std::string& text) {
    device_.disconnect();
    if (!text.empty()) {
        emitMessageBox(text);
    }
    if (reason && !pendingEnd_) {
        pendingEnd_ = reason;
        pendingReason_ = text;
    }
}

void ConsoleSession::clockTick() {
    if (!gpsPolling_ || device_.getDeviceState()->connectionState() != ConnectionState::Connected) {
        return;
    }
    if (std::time(nullptr) % 2 == 1) {
        device_.requestGPS();
    }
}

void ConsoleSession::runCommand(std::string_view line) {
    OperatorCommand command;
    if (const std::string error = parseOperatorCommand(line, command); !error.empty()) {
        err_ << "quorvex-cli: " << error << std::endl;
        return;
    }
    switch (command.kind) {
        case OperatorCommand::Kind::Device:
            (device_.*command.call)();
            break;
        case OperatorCommand::Kind::DeviceWith:
            if (command.callWith == &IUserInterface::selectChannel) {
                onChannelCommand(command);
            } else {
                (device_.*command.callWith)(command.argument);
            }
            break;
        case OperatorCommand::Kind::Disconnect:
            requestDisconnect(std::nullopt, {});
            break;
        case OperatorCommand::Kind::Quit:
            interrupt();
            break;
        case OperatorCommand::Kind::State:
            emit(JsonObject()
                     .text("event", "state")
                     .object("state", describeState(*device_.getDeviceState())));
            break;
        case OperatorCommand::Kind::Help:
            out_ << operatorCommandsHelp() << std::flush;
            break;
        case OperatorCommand::Kind::Unit:
            runUnitControl(command.unitControl);
            break;
        case OperatorCommand::Kind::Wait:
        case OperatorCommand::Kind::None:
            break;
    }
}

void ConsoleSession::runUnitControl(std::string_view line) {
    if (!unitControl_) {
        err_ << "quorvex-cli: sim: no simulated unit (start with --simulate)" << std::endl;
        return;
    }
    if (const std::string error = unitControl_(line); !error.empty()) {
        err_ << "quorvex-cli: sim: " << error << std::endl;
    }
}

void ConsoleSession::onChannelCommand(const OperatorCommand& command) {
    std::wstring model;
    zeph::windows::config::ConfigMgr::instance().get(L"Volatile.Model", model);
    // The M410 has only the first two transmitters.
    if (model == L"M410" && command.argument >= 3 && command.argument <= 7) {
        emitMessageBox("This option only available on the QUORVEX M450.", "information");
        return;
    }
    device_.selectChannel(command.argument);
}

void ConsoleSession::interrupt() {
    if (end_) {
        return;
    }
    const bool linked =
        connectOutstanding_ || device_.getDeviceState()->connectionState() != ConnectionState::Disconnected;
    if (interrupted_ || !linked) {
        finish(interrupted_ ? SessionEnd::Interrupted : SessionEnd::Disconnected, {});
        return;
    }
    interrupted_ = true;
    requestDisconnect(std::nullopt, {});
}

void ConsoleSession::emit(const JsonObject& line) {
    out_ << line.str() << '\n' << std::flush;
}

void ConsoleSession::emitStatus(const char* text) {
    emit(JsonObject().text("event", "status").text("text", text));
}

void ConsoleSession::emitMessageBox(const std::string& text, const char* icon) {
    emit(JsonObject().text("event", "messageBox").text("icon", icon).text("text", text));
}

void ConsoleSession::finish(SessionEnd end, const std::string& reason) {
    if (end_) {
        return;
    }
    end_ = end;
    if (end != SessionEnd::Disconnected && !reason.empty()) {
        err_ << "quorvex-cli: " << reason << std::endl;
    }
    platform::postQuitMessage(static_cast<int>(end));
}

}  // namespace quorvex::cli
