// The health check of a whole stack connected to a silent unit over a pseudo-terminal, with the
// real periods.
#include "device/QueryInterface.h"
#include "support/platform/TextConversion.h"
#include "tests/helpers/PseudoTerminal.h"
#include "tests/helpers/WindowRecorder.h"
#include "tests/support/logging/RecordingListener.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

using namespace quorvex::test;

namespace {

class HealthLinkedStack : public QuorvexDeviceStack {
public:
    using QuorvexDeviceStack::commandAndControl;
    using QuorvexDeviceStack::commandAndControlThread_;
    using QuorvexDeviceStack::healthCheckThread_;
    using QuorvexDeviceStack::serial_;
    using QuorvexDeviceStack::window_;

    ~HealthLinkedStack() override { commandAndControlThread_.shutdown(2000); }
};

class HealthCheckLinkTest : public testing::Test {
protected:
    HealthCheckLinkTest() {
        const char* previous = std::getenv("QUORVEX_PORT_DIR");
        previousPortDir_ = previous ? std::optional<std::string>(previous) : std::nullopt;
        ::setenv("QUORVEX_PORT_DIR", ports_.directory().folder().c_str(), 1);
        const std::wstring path = ports_.add(unit_);
        settings_.setDevicePath(path);
        settings_.setPortNumber(*zeph::windows::communication::PortDirectory::portNumberOf(path));
        stack_.window_ = window_.handle();
    }

    ~HealthCheckLinkTest() override {
        if (previousPortDir_) {
            ::setenv("QUORVEX_PORT_DIR", previousPortDir_->c_str(), 1);
        } else {
            ::unsetenv("QUORVEX_PORT_DIR");
        }
    }

    PseudoTerminal unit_;
    TemporaryPortDirectory ports_;
    WindowRecorder window_;
    zeph::windows::communication::SerialSettings settings_;
    HealthLinkedStack stack_;

private:
    std::optional<std::string> previousPortDir_;
};

}  // namespace

TEST_F(HealthCheckLinkTest, ASilentUnitIsDisconnectedAfterTheCommandPeriod) {
    zeph::windows::logging::LogBeacon::instance();
    std::vector<RecordedEntry> journal;
    RecordingListener listener("log", journal);
    ASSERT_EQ(0u, listener.attach());

    ASSERT_EQ(0u, stack_.commandAndControlThread_.create("Command and Control", stack_.commandAndControl(), 0,
                                                         0, nullptr));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(zeph::platform::postThreadMessage(stack_.commandAndControlThread_.getThreadId(),
                                                  TM_QUORVEX_CONNECT, 0,
                                                  reinterpret_cast<zeph::platform::LPARAM>(&settings_)));
    const auto connected = window_.waitFor(WM_QUORVEX_ON_CONNECT);
    ASSERT_TRUE(connected.has_value());
    ASSERT_EQ(0, connected->lParam);

    const auto disconnected = window_.waitFor(WM_QUORVEX_ON_DISCONNECT, std::chrono::seconds(30));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(disconnected.has_value());
    EXPECT_EQ(30, disconnected->lParam) << "ERROR_READ_FAULT: not a single frame in a period";
    EXPECT_GE(elapsed, std::chrono::milliseconds(10240)) << "not before the command-mode period";
    EXPECT_FALSE(stack_.serial_.isOpen());
    EXPECT_EQ(nullptr, stack_.healthCheckThread_.getHandle());

    ASSERT_TRUE(stack_.commandAndControlThread_.shutdown(2000));
    zeph::windows::logging::LogBeacon::instance().flush();
    listener.detach();
    const auto messages = messagesOf(journal);
    for (const wchar_t* expected :
         {L"Timeout = 10240.", L"::WaitForMultipleObjects() timed out (WAIT_TIMEOUT) - Expected.",
          L"Checking frame count [0] [0].", L"Detected an error [30]."}) {
        EXPECT_NE(messages.end(), std::find(messages.begin(), messages.end(), expected))
            << zeph::platform::narrow(std::wstring_view(expected));
    }
}
