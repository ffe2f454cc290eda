#include "cli/ConsoleSession.h"

#include "cli/EventDescription.h"
#include "controlroom/UnitStatusOf.h"
#include "device/DeviceState.h"
#include "device/EventRecords.h"
#include "device/QuorvexMessages.h"
#include "session/PostedRecord.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/TextConversion.h"

#include <ctime>
#include <memory>

namespace quorvex::cli {

namespace {

namespace platform = zeph::platform;
using quorvex::console::BoxIcon;
using quorvex::console::ConnectionOutcome;

SessionEnd sessionEndOf(ConnectionOutcome outcome) {
    switch (outcome) {
        case ConnectionOutcome::ConnectFailed:
            return SessionEnd::ConnectFailed;
        case ConnectionOutcome::LinkLost:
            return SessionEnd::LinkLost;
        case ConnectionOutcome::UnitRefused:
            return SessionEnd::UnitRefused;
        case ConnectionOutcome::Disconnected:
            break;
    }
    return SessionEnd::Disconnected;
}

}  // namespace

ConsoleSession::ConsoleSession(IUserInterface& device, std::ostream& out, std::ostream& err)
    : device_(device), out_(out), err_(err), rules_(device, *this) {
    window_ = platform::createMessageWindow(
        [this](platform::HWND, platform::UINT message, platform::WPARAM wParam, platform::LPARAM lParam) {
            return onMessage(message, wParam, lParam);
        });
}

ConsoleSession::~ConsoleSession() {
    platform::destroyWindow(window_);
}

bool ConsoleSession::connect(const zeph::windows::communication::SerialSettings& settings) {
    return rules_.connect(window_, settings);
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
    } else if (message == WM_CLI_JOURNAL) {
        const std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(lParam));
        err_ << "quorvex-cli: " << *text << std::endl;
    } else if (!eventNameOf(message).empty()) {
        onDeviceMessage(message, wParam, lParam);
    }
    return 0;
}

void ConsoleSession::onDeviceMessage(platform::UINT message, platform::WPARAM wParam,
                                     platform::LPARAM lParam) {
    const quorvex::console::PostedRecord record(message, lParam);
    if (journal_) {
        journal_->onDeviceMessage(message, lParam, rules_.port());
    }
    if (publisher_ != nullptr) {
        const DeviceState& state = *device_.getDeviceState();
        publisher_->setUnit(quorvex::link::unitStatusOf(state, quorvex::link::connectionOf(state)));
    }
    JsonObject line;
    line.text("event", eventNameOf(message)).object("data", describeRecord(message, wParam, lParam));
    emit(line.object("state", describeState(*device_.getDeviceState())));

    if (message == WM_QUORVEX_ON_CONNECT) {
        rules_.onConnected(lParam);
    } else if (message == WM_QUORVEX_ON_DISCONNECT) {
        rules_.onDisconnected(lParam);
    } else if ((message == WM_QUORVEX_FAILED_TO_SEND || message == WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE) &&
               lParam != 0) {
        rules_.onCommunicationsFailure(message, *record.as<FailureNotice>());
    } else if (message == WM_QUORVEX_ON_INIT_EVT) {
        rules_.onInit();
    } else if (message == WM_QUORVEX_ON_ADC_READ_EVT) {
        rules_.onBatteryReadStarted();
    } else if (message == WM_QUORVEX_ON_ADC_DATA_EVT) {
        rules_.onBatteryReadDone();
    } else if (message == WM_QUORVEX_ON_REC_CHNG_EVT) {
        rules_.onRecordModeChanged();
    } else if (message == WM_QUORVEX_SHOW_ERROR_BOX) {
        // The box is shown and at once dismissed; the stack then disconnects on its own, without
        // an error number, so the reason is kept.
        rules_.onLinkErrorBox(lParam != 0 ? platform::narrow(reinterpret_cast<const wchar_t*>(lParam)) : "");
    }
}

void ConsoleSession::clockTick() {
    rules_.clockTick(std::time(nullptr));
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
                rules_.selectChannel(command.argument);
            } else {
                (device_.*command.callWith)(command.argument);
            }
            break;
        case OperatorCommand::Kind::Disconnect:
            rules_.disconnect();
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

bool ConsoleSession::linked() const {
    return rules_.connectOutstanding() ||
           device_.getDeviceState()->connectionState() != ConnectionState::Disconnected;
}

void ConsoleSession::interrupt() {
    if (end_) {
        return;
    }
    if (interrupted_ || !linked()) {
        finish(interrupted_ ? SessionEnd::Interrupted : SessionEnd::Disconnected, {});
        return;
    }
    interrupted_ = true;
    rules_.disconnect();
}

void ConsoleSession::emit(const JsonObject& line) {
    if (outputClosed_) {
        return;
    }
    out_ << line.str() << '\n' << std::flush;
    if (!out_) {
        outputClosed();
    }
}

void ConsoleSession::outputClosed() {
    outputClosed_ = true;
    if (end_) {
        return;
    }
    if (!linked()) {
        finish(SessionEnd::Disconnected, {});
        return;
    }
    rules_.disconnect();
}

void ConsoleSession::showStatus(const std::string& text) {
    emit(JsonObject().text("event", "status").text("text", text));
}

void ConsoleSession::showMessageBox(const std::string& text, BoxIcon icon) {
    emit(JsonObject()
             .text("event", "messageBox")
             .text("icon", icon == BoxIcon::Error ? "error" : "information")
             .text("text", text));
}

void ConsoleSession::reportJournal(const std::string& text) {
    auto* posted = new std::string(text);
    if (!platform::postMessage(window_, WM_CLI_JOURNAL, 0, reinterpret_cast<platform::LPARAM>(posted))) {
        delete posted;
    }
}

void ConsoleSession::connectionEnded(ConnectionOutcome outcome, const std::string& reason) {
    if (journal_) {
        if (const std::string unshown = journal_->onConnectionEnded(outcome, reason); !unshown.empty()) {
            reportJournal(unshown);
        }
    }
    if (publisher_ != nullptr) {
        publisher_->setUnit(
            quorvex::link::unitStatusOf(*device_.getDeviceState(), quorvex::link::connectionOf(outcome)));
    }
    finish(sessionEndOf(outcome), reason);
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
