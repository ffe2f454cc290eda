#include "tests/console/events/ConsoleSessionFixture.h"

#include "cli/CliOptions.h"
#include "device/IUserInterface.h"
#include "device/QueryInterface.h"

namespace quorvex::test {

namespace {

IUserInterface& deviceStack() {
    void* device = nullptr;
    queryInterface(InterfaceId::UserInterface.value(), &device);
    return *static_cast<IUserInterface*>(device);
}

}  // namespace

void ConsoleSession::connectUnit(const std::string& firmware) {
    simulator::SimulatorOptions options;
    options.readStdin = false;
    options.profile.firmware = firmware;
    options.profile.batteryPeriod = std::chrono::milliseconds(0);
    bridge_ = std::make_unique<console::QtMessageBridge>();
    unit_ = std::make_unique<simulator::SimulatedUnit>(options);
    ASSERT_EQ(unit_->start(), "");
    dialog_ = std::make_unique<console::TelvaneDlg>(deviceStack(), desktop_.services(), false);
    zeph::windows::communication::SerialSettings settings;
    settings.setDevicePath(cli::devicePathOf(unit_->portName()));
    dialog_->setSerialSettings(settings);
    dialog_->resize(800, 600);
    dialog_->show();
    dialog_->OnConnect();
}

bool ConsoleSession::waitForStreaming() {
    return waitUntil(
        [&] { return !dialog_->isWaiting() && unitState().streamingState() == StreamingState::Playing; },
        20000);
}

void ConsoleSession::TearDown() {
    if (dialog_) {
        dialog_->OnDisconnect();
        waitUntil([&] { return unitState().connectionState() == ConnectionState::Disconnected; }, 10000);
    }
    dialog_.reset();
    unit_.reset();
    bridge_.reset();
}

const DeviceState& ConsoleSession::unitState() const {
    return *deviceStack().getDeviceState();
}

void ConsoleSession::control(const std::string& line) {
    ASSERT_EQ(unit_->control(line), "") << line;
}

int ConsoleSession::logLinesWith(const QString& text) const {
    int count = 0;
    for (const QString& line : dialog_->logText().split(u'\n')) {
        count += line.contains(text) ? 1 : 0;
    }
    return count;
}

}  // namespace quorvex::test
