#include "tests/device/CommandFixture.h"

#include "device/QuorvexMessages.h"
#include "support/communication/PortDirectory.h"
#include "support/platform/LastError.h"
#include "support/platform/MessageWindow.h"
#include "tests/helpers/WindowRecorder.h"

#include <cstdlib>
#include <fstream>
#include <optional>

using namespace quorvex::test;
namespace platform = zeph::platform;
using zeph::windows::system::threading::ThreadState;

namespace {

std::string threadName(platform::DWORD id) {
    std::ifstream comm("/proc/self/task/" + std::to_string(id) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// The whole stack connected through its own command-and-control thread to a unit on a pty that
// is registered as a COM port, with a recording main window.
class CommandConnectTest : public testing::Test {
protected:
    CommandConnectTest() {
        const char* previous = std::getenv("QUORVEX_PORT_DIR");
        previousPortDir_ = previous ? std::optional<std::string>(previous) : std::nullopt;
        ::setenv("QUORVEX_PORT_DIR", ports_.directory().folder().c_str(), 1);
        const std::wstring path = ports_.add(unit_);
        settings_.setPortNumber(*zeph::windows::communication::PortDirectory::portNumberOf(path));
        beacon_->flush();
        EXPECT_EQ(0u, listener_.attach());
    }

    ~CommandConnectTest() override {
        stack_.exit();
        beacon_->flush();
        if (previousPortDir_) {
            ::setenv("QUORVEX_PORT_DIR", previousPortDir_->c_str(), 1);
        } else {
            ::unsetenv("QUORVEX_PORT_DIR");
        }
    }

    std::vector<std::wstring> messages() {
        beacon_->flush();
        return messagesOf(journal_);
    }

    zeph::windows::logging::LogBeacon* beacon_ = &zeph::windows::logging::LogBeacon::instance();
    std::vector<RecordedEntry> journal_;
    RecordingListener listener_{"log", journal_};
    PseudoTerminal unit_;
    TemporaryPortDirectory ports_;
    WindowRecorder window_;
    zeph::windows::communication::SerialSettings settings_;
    CommandStack stack_;

private:
    std::optional<std::string> previousPortDir_;
};

bool contains(const std::vector<std::wstring>& messages, const std::wstring& message) {
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

}  // namespace

TEST_F(CommandConnectTest, ADestroyedWindowFailsWith1400AndStartsNoThread) {
    const platform::HWND gone = platform::createMessageWindow([](auto...) { return platform::LRESULT{0}; });
    ASSERT_NE(nullptr, gone);
    ASSERT_TRUE(platform::destroyWindow(gone));

    EXPECT_FALSE(stack_.connect(gone, settings_));
    EXPECT_EQ(platform::ERROR_INVALID_WINDOW_HANDLE, platform::getLastError());
    EXPECT_EQ(platform::ERROR_INVALID_WINDOW_HANDLE, stack_.getLastError());
    EXPECT_EQ(0u, stack_.commandAndControlThread_.getThreadId());
    EXPECT_FALSE(stack_.connect(nullptr, settings_));
    EXPECT_EQ(0u, stack_.commandAndControlThread_.getThreadId());
}

TEST_F(CommandConnectTest, ConnectReachesTheUnitAndReconnectsOnTheSameThread) {
    stack_.deviceState_.setGain(7, 1);
    ASSERT_TRUE(stack_.connect(window_.handle(), settings_));
    const platform::DWORD commandThread = stack_.commandAndControlThread_.getThreadId();
    ASSERT_NE(0u, commandThread);
    EXPECT_EQ("Command and Con", threadName(commandThread));  // the OS keeps 15 bytes of a name
    EXPECT_EQ(0, stack_.deviceState_.gain());
    EXPECT_EQ(0, stack_.deviceState_.clipping());
    const auto connected = window_.waitFor(WM_QUORVEX_ON_CONNECT);
    ASSERT_TRUE(connected.has_value());
    ASSERT_EQ(0, connected->lParam);

    stack_.startStreaming();
    const std::vector<std::uint8_t> start = unit_.receive(6);
    EXPECT_EQ("START\n", std::string(start.begin(), start.end()));

    stack_.disconnect();
    const auto disconnected = window_.waitFor(WM_QUORVEX_ON_DISCONNECT);
    ASSERT_TRUE(disconnected.has_value());
    EXPECT_EQ(0, disconnected->lParam);

    ASSERT_TRUE(stack_.connect(window_.handle(), settings_));
    EXPECT_EQ(commandThread, stack_.commandAndControlThread_.getThreadId()) << "no second thread";
    ASSERT_TRUE(window_.waitFor(WM_QUORVEX_ON_CONNECT).has_value());
    stack_.requestState();
    const std::vector<std::uint8_t> line = unit_.receive(9);
    EXPECT_EQ("REQSTATE\n", std::string(line.begin(), line.end()));

    stack_.exit();
    EXPECT_EQ(0u, stack_.commandAndControlThread_.getThreadId());
    EXPECT_EQ(ConnectionState::Disconnected, stack_.deviceState_.connectionState());
    EXPECT_EQ(0u, stack_.serialWriteThread_.getThreadId());

    char id[16];
    std::snprintf(id, sizeof id, "%X", commandThread);
    const std::vector<std::wstring> logged = messages();
    EXPECT_TRUE(contains(
        logged, L"Successfully created command and control thread [0x" + platform::widen(id) + L"]."));
    EXPECT_TRUE(contains(logged, L"Command and Control thread [0x" + platform::widen(id) + L"] shut down."));
}

TEST_F(CommandConnectTest, ExitLetsADisconnectionInProgressFinishBeforeItReturns) {
    ASSERT_TRUE(stack_.connect(window_.handle(), settings_));
    ASSERT_TRUE(window_.waitFor(WM_QUORVEX_ON_CONNECT).has_value());
    // A battery reading in progress holds the disconnection for up to three seconds.
    stack_.deviceState_.setAdcPolling(true);
    stack_.disconnect();
    ASSERT_TRUE(eventually([&] { return stack_.commandAndControlThread_.getState() == ThreadState::Run; }));

    stack_.exit();
    // The disconnection ended (and told the window) before exit went on, not beside it.
    EXPECT_TRUE(window_.waitFor(WM_QUORVEX_ON_DISCONNECT, std::chrono::milliseconds(0)).has_value());
    EXPECT_EQ(0u, stack_.commandAndControlThread_.getThreadId());
    EXPECT_FALSE(stack_.serial_.isOpen());
    const std::vector<std::wstring> logged = messages();
    EXPECT_FALSE(std::any_of(logged.begin(), logged.end(), [](const std::wstring& line) {
        return line.starts_with(L"Abandoned the thread");
    }));
}
