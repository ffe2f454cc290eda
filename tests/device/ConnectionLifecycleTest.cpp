#include "tests/device/LinkedStack.h"
#include "tests/helpers/TestData.h"
#include "tests/support/logging/RecordingListener.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace quorvex::test;
using zeph::windows::system::threading::ThreadState;

namespace {

std::size_t openDescriptors() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                  std::filesystem::directory_iterator()));
}

std::string threadName(zeph::platform::DWORD id) {
    std::ifstream comm("/proc/self/task/" + std::to_string(id) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

class ConnectionLifecycleTest : public LinkTest {};

}  // namespace

TEST_F(ConnectionLifecycleTest, ConnectStartsTheFourLinkThreadsAndReportsSuccess) {
    connect();
    EXPECT_EQ(ConnectionState::Connecting, stack_.deviceState_.connectionState());
    EXPECT_EQ("Serial Write", threadName(stack_.serialWriteThread_.getThreadId()));
    EXPECT_EQ("Serial Read", threadName(stack_.serialReadThread_.getThreadId()));
    EXPECT_EQ("Health Check", threadName(stack_.healthCheckThread_.getThreadId()));
    // The OS keeps 15 bytes of a thread name.
    EXPECT_EQ("Message Dispatc", threadName(stack_.messageDispatchThread_.getThreadId()));
    int priority = 0;
    EXPECT_EQ(0u, stack_.serialReadThread_.getPriority(priority));
    EXPECT_EQ(15, priority);
    EXPECT_EQ(0u, stack_.messageDispatchThread_.getPriority(priority));
    EXPECT_EQ(-1, priority);
}

TEST_F(ConnectionLifecycleTest, AMissingPortIsReportedWithItsSystemCode) {
    auto& beacon = zeph::windows::logging::LogBeacon::instance();
    std::vector<RecordedEntry> journal;
    RecordingListener listener("log", journal);
    ASSERT_EQ(0u, listener.attach());

    settings_.setPortNumber(250);
    stack_.onConnect(settings_);
    const auto connected = window_.waitFor(WM_QUORVEX_ON_CONNECT);
    ASSERT_TRUE(connected.has_value());
    EXPECT_EQ(static_cast<zeph::platform::LPARAM>(zeph::platform::ERROR_FILE_NOT_FOUND), connected->lParam);
    EXPECT_EQ(zeph::platform::ERROR_FILE_NOT_FOUND, stack_.getLastError());
    EXPECT_EQ(ConnectionState::Disconnected, stack_.deviceState_.connectionState());
    EXPECT_EQ(nullptr, stack_.serialReadThread_.getHandle()) << "no link thread without a port";

    beacon.flush();
    const auto messages = messagesOf(journal);
    EXPECT_NE(messages.end(),
              std::find(messages.begin(), messages.end(), L"Failed to open port [COM250].\n"));
    EXPECT_NE(messages.end(),
              std::find(messages.begin(), messages.end(), L"The system cannot find the file specified."));

    // A later successful connect clears the error of the failed one.
    settings_.setPortNumber(*zeph::windows::communication::PortDirectory::portNumberOf(portPath_));
    connect();
    EXPECT_EQ(0u, stack_.getLastError());
}

// An rfcomm tty opens whether or not the unit is on: Connect waits for its link and says why not.
TEST_F(ConnectionLifecycleTest, ABluetoothUnitThatDoesNotAnswerFailsTheConnect) {
    using zeph::windows::communication::LinkAnswer;
    TemporaryFolder folder;
    const auto rfcomm = folder.path() / "rfcomm0";
    std::filesystem::create_symlink(unit_.slaveName(), rfcomm);
    settings_.setDevicePath(rfcomm.wstring());
    std::atomic<LinkAnswer> answer{LinkAnswer::Refused};
    std::atomic<int> asked{0};
    stack_.serial_.setLinkProbe([&](int) {
        ++asked;
        return answer.load();
    });

    stack_.onConnect(settings_);
    auto connected = window_.waitFor(WM_QUORVEX_ON_CONNECT);
    ASSERT_TRUE(connected.has_value());
    EXPECT_EQ(static_cast<zeph::platform::LPARAM>(zeph::platform::ERROR_CONNECTION_REFUSED),
              connected->lParam);
    EXPECT_FALSE(stack_.serial_.isOpen());
    EXPECT_EQ(nullptr, stack_.serialReadThread_.getHandle());

    // Closing the program ends a connect that is still waiting for the link.
    answer = LinkAnswer::Pending;
    std::thread commandThread([&] { stack_.onConnect(settings_); });
    ASSERT_TRUE(eventually([&] { return asked.load() > 2; }));
    stack_.abortConnect(true);
    connected = window_.waitFor(WM_QUORVEX_ON_CONNECT);
    commandThread.join();
    ASSERT_TRUE(connected.has_value());
    EXPECT_EQ(static_cast<zeph::platform::LPARAM>(zeph::platform::ERROR_CANCELLED), connected->lParam);
    EXPECT_FALSE(stack_.serial_.isOpen());

    stack_.abortConnect(false);
    answer = LinkAnswer::Up;
    connect();
    EXPECT_TRUE(stack_.serial_.isOpen());
}

TEST_F(ConnectionLifecycleTest, DisconnectStopsEverythingAndCyclesLeakNothing) {
    connect();
    stack_.onDisconnect(0);
    ASSERT_TRUE(window_.waitFor(WM_QUORVEX_ON_DISCONNECT).has_value());
    const std::size_t baseline = openDescriptors();

    for (int cycle = 0; cycle < 5; ++cycle) {
        SCOPED_TRACE(cycle);
        connect();
        EXPECT_TRUE(stack_.serial_.isOpen());
        stack_.onDisconnect(0);
        const auto disconnected = window_.waitFor(WM_QUORVEX_ON_DISCONNECT);
        ASSERT_TRUE(disconnected.has_value());
        EXPECT_EQ(0, disconnected->lParam);
        EXPECT_FALSE(stack_.serial_.isOpen());
        EXPECT_EQ(nullptr, stack_.serialWriteThread_.getHandle());
        EXPECT_EQ(nullptr, stack_.serialReadThread_.getHandle());
        EXPECT_EQ(nullptr, stack_.healthCheckThread_.getHandle());
        EXPECT_EQ(nullptr, stack_.messageDispatchThread_.getHandle());
        EXPECT_EQ(ConnectionState::Disconnected, stack_.deviceState_.connectionState());
    }
    EXPECT_EQ(baseline, openDescriptors());
}

TEST_F(ConnectionLifecycleTest, AHangUpEndsTheReadThreadWithItsCode) {
    connect();
    unit_.closeMaster();
    ASSERT_TRUE(eventually([&] { return stack_.serialReadThread_.getHandle() == nullptr; }));
    EXPECT_EQ(static_cast<std::int32_t>(zeph::platform::ERROR_DEVICE_NOT_CONNECTED),
              stack_.serialReadThread_.getExitCode());
}
