#include "discovery/QuorvexEnumThread.h"
#include "discovery/RfcommPort.h"
#include "support/communication/Serial.h"
#include "support/platform/Wait.h"
#include "support/threading/ThreadImpl.h"
#include "tests/discovery/LogJournal.h"
#include "tests/discovery/QtTestSupport.h"
#include "tests/discovery/support/TemporaryMachine.h"
#include "tests/helpers/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <tuple>

namespace quorvex::test {
namespace {

using namespace zeph::windows::discovery;
using zeph::windows::system::threading::CREATE_SUSPENDED;
using zeph::windows::system::threading::ThreadImpl;

constexpr const char* kUnitAddress = "00:1A:7D:DA:71:13";

using Report = std::tuple<std::int32_t, std::wstring, std::int32_t>;

TEST(BluetoothAddressTest, SearchTextAndDisplayAddressReadTheBytesInOppositeOrders) {
    BLUETOOTH_ADDRESS address;
    address.rgBytes = {0x13, 0x71, 0xDA, 0x7D, 0x1A, 0x00, 0, 0};
    EXPECT_EQ(L"001A7DDA7113", searchTextOf(address));
    EXPECT_EQ(L"13:71:DA:7D:1A:00", displayAddressOf(address));
    EXPECT_EQ(address, parseBluezAddress(kUnitAddress));
    EXPECT_EQ(address, parseBluezAddress("00:1a:7d:da:71:13"));
    EXPECT_FALSE(parseBluezAddress("00:1A:7D:DA:71"));
    EXPECT_FALSE(parseBluezAddress("00-1A-7D-DA-71-13"));
    EXPECT_FALSE(parseBluezAddress("00:1A:7D:DA:71:1G"));
}

TEST(BluetoothAddressTest, PortNumberIsTheTrailingDigitsOfTheIdentifier) {
    EXPECT_EQ(12, trailingPortNumber(L"COM12"));
    EXPECT_EQ(7, trailingPortNumber(L"COM7"));
    EXPECT_EQ(42, trailingPortNumber(L"42"));
    EXPECT_EQ(0, trailingPortNumber(L"COM"));
    EXPECT_EQ(0, trailingPortNumber(L"COM99999999999"));
}

// One unit's worker with the window thread's end of its reports.
class QuorvexEnumThreadTest : public ::testing::Test {
protected:
    QuorvexEnumThreadTest() : environment(machine.environment()) {
        device.Address = *parseBluezAddress(kUnitAddress);
        device.szName = L"M450-0042";
        connection = signal.connect([this](const tagQUORVEX_STATUS& status) {
            EXPECT_EQ(&device, status.device);
            reports.emplace_back(status.status, status.text, status.port);
        });
    }

    ~QuorvexEnumThreadTest() override {
        thread.getWorker().closeRelayWindow();
        thread.shutdown(2000);
    }

    zeph::platform::DWORD create() {
        EnumThreadParams params{&radio, &device, &signal, &environment};
        return thread.create("QuorvexEnumThread-13:71:DA:7D:1A:00", &params, CREATE_SUSPENDED, 0, nullptr);
    }

    // Runs the worker to its end; its exit code.
    std::int32_t runToEnd() {
        EXPECT_EQ(0u, create());
        thread.resume();
        const auto handle = thread.getHandle();
        EXPECT_TRUE(waitUntil(
            [&] { return zeph::platform::waitForSingleObject(handle, 0) == zeph::platform::WAIT_OBJECT_0; }));
        // A report sent just before the end is still delivered.
        runEventsFor(std::chrono::milliseconds(20));
        return thread.getExitCode();
    }

    TemporaryMachine machine;
    LogJournal log;
    DiscoveryEnvironment environment;
    PseudoTerminal pty;
    BluetoothRadio radio{"hci0", "/org/bluez/hci0"};
    BluetoothDevice device;
    QuorvexStatusSignal signal;
    boost::signals2::scoped_connection connection;
    std::vector<Report> reports;
    ThreadImpl<QuorvexEnumThread> thread;
};

TEST_F(QuorvexEnumThreadTest, BoundUnitIsReportedStepByStepUntilReady) {
    machine.bindRfcomm(0, kUnitAddress, pty.slaveName());
    EXPECT_EQ(0, runToEnd());
    // The port is first carried once verified; the RFCOMM tty got COM1 in the directory.
    const std::vector<Report> expected{{0, L"Retrieving device configuration", -1},
                                       {0, L"Successfully retrieved device configuration", -1},
                                       {0, L"Verifying device connectivity", -1},
                                       {0, L"Port verification succeeded", 1},
                                       {3, L"Device ready", 1}};
    EXPECT_EQ(expected, reports);
    EXPECT_EQ(std::optional<int>(1), machine.ports().numberOf(machine.devRoot() / "rfcomm0"));
    EXPECT_TRUE(
        log.contains(L"Address                       : 13:71:DA:7D:1A:00", L"QuorvexEnumThread::initThread"));
    EXPECT_TRUE(log.contains(L"Name                          : M450-0042"));
    EXPECT_TRUE(log.contains(L"Attempting to open port [COM1]."));
    EXPECT_TRUE(log.contains(L"Successfully opened/closed port."));
}

TEST_F(QuorvexEnumThreadTest, UnitWithAnExistingPortKeepsItsNumber) {
    machine.addSerialPort("/dev/null");
    machine.addSerialPort("/dev/zero");
    const auto node = machine.bindRfcomm(3, kUnitAddress, pty.slaveName());
    int number = 0;
    ASSERT_EQ(0u, machine.ports().addLink(node, number));
    EXPECT_EQ(0, runToEnd());
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(Report(3, L"Device ready", number), reports.back());
}

TEST_F(QuorvexEnumThreadTest, UnitWithoutBoundPortFailsWithInvalidParameter) {
    machine.bindRfcomm(0, "11:22:33:44:55:66", pty.slaveName());
    EXPECT_EQ(87, runToEnd());
    const std::vector<Report> expected{{0, L"Retrieving device configuration", -1},
                                       {1, L"Failed to retrieve device configuration", -1}};
    EXPECT_EQ(expected, reports);
}

TEST_F(QuorvexEnumThreadTest, PortHeldElsewhereFailsWithItsOpenError) {
    const auto node = machine.bindRfcomm(0, kUnitAddress, pty.slaveName());
    zeph::windows::communication::Serial holder;
    ASSERT_EQ(0u, holder.open(node.wstring()));
    EXPECT_EQ(5, runToEnd());
    ASSERT_EQ(4u, reports.size());
    EXPECT_EQ(Report(1, L"Failed to open port", -1), reports.back());
    EXPECT_TRUE(log.contains(L"Serial::open() failed [5]."));
}

TEST_F(QuorvexEnumThreadTest, ShutdownBeforeTheQueryEndsWithCancelledAndNoReport) {
    machine.bindRfcomm(0, kUnitAddress, pty.slaveName());
    ASSERT_EQ(0u, create());
    // As the survey does: the relay goes first, so a worker that reports before it sees the
    // cancellation is not left waiting on this thread, which is busy stopping it.
    thread.getWorker().closeRelayWindow();
    EXPECT_TRUE(thread.shutdown(2000));
    EXPECT_EQ(1223, thread.getExitCode());
    runEventsFor(std::chrono::milliseconds(20));
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(log.contains(L"Operation cancelled."));
}

TEST_F(QuorvexEnumThreadTest, ShutdownDuringThePauseEndsWithoutTryingThePort) {
    machine.bindRfcomm(0, kUnitAddress, pty.slaveName());
    ASSERT_EQ(0u, create());
    thread.resume();
    ASSERT_TRUE(waitUntil([&] { return reports.size() == 2; }));
    thread.getWorker().closeRelayWindow();
    EXPECT_TRUE(thread.shutdown(2000));
    EXPECT_EQ(1223, thread.getExitCode());
    EXPECT_EQ(2u, reports.size());
}

// An rfcomm tty opens at once whatever the unit does: the link's answer decides.
TEST_F(QuorvexEnumThreadTest, UnitIsReadyOnlyOnceItsBluetoothLinkIsUp) {
    using zeph::windows::communication::LinkAnswer;
    struct Case {
        LinkAnswer answer;
        std::int32_t exitCode;
        const wchar_t* logged;
    };
    const Case cases[] = {
        {LinkAnswer::Refused, 1225, L"The Bluetooth link of [COM1] did not come up [1225]."},
        {LinkAnswer::Pending, 1460, L"The Bluetooth link of [COM1] did not come up [1460]."},
    };
    machine.bindRfcomm(0, kUnitAddress, pty.slaveName());
    environment.linkTimeoutMs = 300;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        reports.clear();
        machine.answerLink(c.answer);
        environment.linkProbe = machine.environment().linkProbe;
        EXPECT_EQ(c.exitCode, runToEnd());
        ASSERT_EQ(4u, reports.size());
        EXPECT_EQ(Report(1, L"Failed to open port", -1), reports.back());
        EXPECT_TRUE(log.contains(c.logged)) << log.transcript();
        thread.shutdown(2000);
    }

    // A link that comes up while the worker waits makes the unit ready.
    reports.clear();
    machine.answerLink(LinkAnswer::Pending);
    environment.linkTimeoutMs = 15000;
    ASSERT_EQ(0u, create());
    thread.resume();
    ASSERT_TRUE(waitUntil([&] { return reports.size() == 3; }));
    machine.answerLink(LinkAnswer::Up);
    ASSERT_TRUE(waitUntil([&] { return reports.size() == 5; }));
    EXPECT_EQ(Report(3, L"Device ready", 1), reports.back());
}

TEST_F(QuorvexEnumThreadTest, ShutdownWhileWaitingForTheLinkEndsAtOnceWithoutAReport) {
    machine.bindRfcomm(0, kUnitAddress, pty.slaveName());
    machine.answerLink(zeph::windows::communication::LinkAnswer::Pending);
    environment.linkTimeoutMs = 60000;
    ASSERT_EQ(0u, create());
    thread.resume();
    ASSERT_TRUE(waitUntil([&] { return reports.size() == 3; }));
    thread.getWorker().closeRelayWindow();
    EXPECT_TRUE(thread.shutdown(2000));
    EXPECT_EQ(1223, thread.getExitCode());
    EXPECT_EQ(3u, reports.size());
    // The port was closed on the way out: another program may take it.
    zeph::windows::communication::Serial next;
    EXPECT_EQ(0u, next.open((machine.devRoot() / "rfcomm0").wstring()));
}

TEST_F(QuorvexEnumThreadTest, MissingParametersFailTheStart) {
    EnumThreadParams noDevice{&radio, nullptr, &signal, &environment};
    EXPECT_NE(0u, thread.create("QuorvexEnumThread-x", &noDevice, CREATE_SUSPENDED, 0, nullptr));
    EnumThreadParams noRadio{nullptr, &device, &signal, &environment};
    EXPECT_NE(0u, thread.create("QuorvexEnumThread-x", &noRadio, CREATE_SUSPENDED, 0, nullptr));
    EnumThreadParams noSignal{&radio, &device, nullptr, &environment};
    EXPECT_NE(0u, thread.create("QuorvexEnumThread-x", &noSignal, CREATE_SUSPENDED, 0, nullptr));

    // A good start takes the signal over.
    EnumThreadParams good{&radio, &device, &signal, &environment};
    ASSERT_EQ(0u, thread.create("QuorvexEnumThread-x", &good, CREATE_SUSPENDED, 0, nullptr));
    EXPECT_EQ(nullptr, good.statusSignal);
}

}  // namespace
}  // namespace quorvex::test
