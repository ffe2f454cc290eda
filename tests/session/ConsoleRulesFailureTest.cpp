#include "device/CommandDescriptor.h"
#include "device/FailureNotice.h"
#include "device/QueryInterface.h"
#include "device/QuorvexMessages.h"
#include "session/ConsoleRules.h"
#include "session/ConsoleTexts.h"
#include "support/communication/SerialSettings.h"
#include "support/platform/ErrorCodes.h"
#include "tests/helpers/PseudoTerminal.h"
#include "tests/helpers/TestData.h"
#include "tests/helpers/WindowRecorder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <string>
#include <vector>

using namespace quorvex::console;

namespace {

// Keeps what the rules show and how they end the connection.
class RecordingView final : public IConsoleView {
public:
    void showStatus(const std::string&) override {}
    void showMessageBox(const std::string& text, BoxIcon) override { boxes.push_back(text); }
    void beginWait() override {}
    void endWait() override {}
    void appendLogLine(const std::string&) override {}
    void updateWorkingFolderMenu() override {}
    void connectionEnded(ConnectionOutcome outcome, const std::string&) override { ended.push_back(outcome); }

    std::vector<std::string> boxes;
    std::vector<ConnectionOutcome> ended;
};

FailureNotice failedRequestGps(zeph::platform::DWORD error) {
    const auto bytes = CommandDescriptor::find(CommandDescriptor::RequestGPS)->bytes();
    return {WM_QUORVEX_FAILED_TO_SEND, {bytes.begin(), bytes.end()}, error};
}

}  // namespace

TEST(ConsoleRulesFailure, AGpsRequestCancelledByTheDisconnectionIsNoCommunicationFailure) {
    QuorvexDeviceStack device;
    RecordingView view;
    ConsoleRules rules(device, view);
    rules.onCommunicationsFailure(WM_QUORVEX_FAILED_TO_SEND,
                                  failedRequestGps(zeph::platform::ERROR_CANCELLED));
    EXPECT_TRUE(view.boxes.empty());
    rules.onDisconnected(0);
    EXPECT_EQ(std::vector<ConnectionOutcome>{ConnectionOutcome::Disconnected}, view.ended);

    // A write that failed on the line still ends the connection as a silent unit.
    rules.onCommunicationsFailure(WM_QUORVEX_FAILED_TO_SEND,
                                  failedRequestGps(zeph::platform::ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(std::vector<std::string>{UnitSilentText}, view.boxes);
    device.exit();
}

TEST(ConsoleRulesFailure, AnInitAnswerCrossingTheOperatorsDisconnectIsADisconnectionNotARefusal) {
    QuorvexDeviceStack device;
    RecordingView view;
    ConsoleRules rules(device, view);
    rules.disconnect();
    // The disconnection has cleared the unit's state before the answer is handled.
    EXPECT_FALSE(rules.onInit());
    EXPECT_TRUE(view.boxes.empty()) << "no firmware box for a unit that was never asked to go on";
    rules.onDisconnected(0);
    EXPECT_EQ(std::vector<ConnectionOutcome>{ConnectionOutcome::Disconnected}, view.ended);
    device.exit();
}

TEST(ConsoleRulesFailure, AGpsRequestFailingWithALinkAlreadyToldLostShowsNoSecondBox) {
    QuorvexDeviceStack device;
    RecordingView view;
    ConsoleRules rules(device, view);
    rules.onLinkErrorBox("The device is not connected.");  // the window shows this box itself
    rules.onCommunicationsFailure(WM_QUORVEX_FAILED_TO_SEND,
                                  failedRequestGps(zeph::platform::ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_TRUE(view.boxes.empty()) << "two boxes for one lost link";
    device.exit();
}

// The rfcomm tty of a unit that is off opens at once; the stack waits for the link and reports it
// refused (its own tests play the kernel's answers), and the console tells the operator what to do.
TEST(ConsoleRulesFailure, ABluetoothUnitThatDoesNotAnswerFailsConnectWithWhatToDo) {
    quorvex::test::PseudoTerminal unit;
    quorvex::test::TemporaryFolder folder;
    const auto rfcomm = folder.path() / "rfcomm0";
    std::filesystem::create_symlink(unit.slaveName(), rfcomm);
    zeph::windows::communication::SerialSettings settings;
    settings.setDevicePath(rfcomm.wstring());
    QuorvexDeviceStack device;
    RecordingView view;
    ConsoleRules rules(device, view);
    quorvex::test::WindowRecorder window;

    ASSERT_TRUE(rules.connect(window.handle(), settings));
    const auto connected = window.waitFor(WM_QUORVEX_ON_CONNECT);
    ASSERT_TRUE(connected.has_value());
    rules.onConnected(static_cast<zeph::platform::LPARAM>(zeph::platform::ERROR_CONNECTION_REFUSED));
    EXPECT_EQ(std::vector<std::string>{std::string(FailedToConnectText) + "\n\n" + UnitUnreachableText},
              view.boxes);
    EXPECT_EQ(std::vector<ConnectionOutcome>{ConnectionOutcome::ConnectFailed}, view.ended);
    device.exit();
}
