#include "discovery/BluetoothMgrImpl.h"
#include "tests/discovery/LogJournal.h"
#include "tests/discovery/ProcessCensus.h"
#include "tests/discovery/QtTestSupport.h"
#include "tests/discovery/support/FakeBluez.h"
#include "tests/discovery/support/TemporaryMachine.h"

#include <gtest/gtest.h>

#include <optional>

namespace quorvex::test {
namespace {

using namespace zeph::windows::discovery;
using zeph::platform::DWORD;

constexpr const char* kUnitAddress = "00:1A:7D:DA:71:13";

// The system lists a thread until it has fully gone, a moment after it was joined.
bool noBluetoothThread() {
    return waitUntil([] { return threadsNamed("Bluetooth Thread") == 0; });
}

struct Delivery {
    DWORD code;
    std::optional<std::vector<BluetoothDevice>> devices;
};

// The survey's search: paired, remembered and connected devices, no inquiry.
BLUETOOTH_DEVICE_SEARCH_PARAMS surveySearch() {
    BLUETOOTH_DEVICE_SEARCH_PARAMS params;
    params.fReturnUnknown = false;
    params.fIssueInquiry = false;
    params.cTimeoutMultiplier = 1;
    return params;
}

class BluetoothMgrTest : public ::testing::Test {
protected:
    explicit BluetoothMgrTest(FakeBluez::Service service = FakeBluez::Service::Bluez, int timeoutMs = 5000)
        : bluez(service), manager(machine.environment(bluez.address(), timeoutMs)) {}

    ~BluetoothMgrTest() override { manager.finalize(); }

    // Posts a search and waits for its result.
    Delivery search(const BLUETOOTH_DEVICE_SEARCH_PARAMS* params) {
        std::vector<Delivery> deliveries;
        boost::signals2::connection connection;
        const DWORD posted = manager.enumerateDevices(
            params,
            [&deliveries](const DWORD& code, const std::vector<BluetoothDevice>* devices) {
                deliveries.push_back({code, devices != nullptr ? std::optional(*devices) : std::nullopt});
            },
            connection);
        EXPECT_EQ(0u, posted);
        EXPECT_TRUE(waitUntil([&] { return !deliveries.empty(); })) << "no search result came";
        return deliveries.empty() ? Delivery{0xFFFFFFFF, std::nullopt} : deliveries.front();
    }

    TemporaryMachine machine;
    LogJournal log;
    FakeBluez bluez;
    BluetoothMgrImpl manager;
};

TEST_F(BluetoothMgrTest, InitializeTwiceReportsAlreadyInitializedAndStartsOneThread) {
    machine.addRadio("hci0");
    ASSERT_EQ(0u, manager.initialize());
    EXPECT_EQ(zeph::platform::ERROR_ALREADY_INITIALIZED, manager.initialize());
    EXPECT_EQ(1u, threadsNamed("Bluetooth Thread"));
    ASSERT_NE(nullptr, manager.getRadio());
    EXPECT_EQ("/org/bluez/hci0", manager.getRadio()->handle);

    manager.finalize();
    EXPECT_TRUE(noBluetoothThread());
    EXPECT_EQ(nullptr, manager.getRadio());
    EXPECT_EQ(zeph::platform::ERROR_NOT_READY, manager.removeDevice(BLUETOOTH_ADDRESS{}));
    // A finalised manager starts afresh.
    EXPECT_EQ(0u, manager.initialize());
}

TEST_F(BluetoothMgrTest, WithoutRadioInitializeReportsBadUnitAndSearchesAreRefused) {
    EXPECT_EQ(zeph::platform::ERROR_BAD_UNIT, manager.initialize());
    EXPECT_TRUE(log.contains(L"No Bluetooth readios detected.", L"IBluetoothMgr::initialize"));
    EXPECT_FALSE(manager.hasRadio());
    EXPECT_FALSE(manager.hasRadio());
    // Asked every second by the status bar, said once.
    EXPECT_EQ(1u, log.count(L"::BluetoothFindFirstDevice() failed, [259].", L"IBluetoothMgr::hasRadio"));
    EXPECT_EQ(0u, threadsNamed("Bluetooth Thread"));
    boost::signals2::connection connection;
    EXPECT_EQ(zeph::platform::ERROR_NOT_READY,
              manager.enumerateDevices(
                  nullptr, [](const DWORD&, const std::vector<BluetoothDevice>*) {}, connection));

    machine.addRadio("hci0");
    EXPECT_TRUE(manager.hasRadio());
}

TEST_F(BluetoothMgrTest, SurveySearchReturnsPairedDevicesWithTheirRecordsAndNoStrangers) {
    machine.addRadio("hci0");
    bluez.addAdapter("hci0");
    bluez.addDevice("hci0", kUnitAddress, "M450-0042", true);
    bluez.addDevice("hci0", "11:22:33:44:55:66", "Headset", true);
    bluez.addDevice("hci0", "66:55:44:33:22:11", "M410-0007", false);
    ASSERT_EQ(0u, manager.initialize());

    const BLUETOOTH_DEVICE_SEARCH_PARAMS params = surveySearch();
    const Delivery found = search(&params);
    ASSERT_EQ(0u, found.code);
    ASSERT_TRUE(found.devices);
    ASSERT_EQ(2u, found.devices->size());
    const BluetoothDevice& unit =
        found.devices->front().szName == L"M450-0042" ? found.devices->front() : found.devices->back();
    EXPECT_EQ(L"M450-0042", unit.szName);
    EXPECT_EQ((std::array<std::uint8_t, 8>{0x13, 0x71, 0xDA, 0x7D, 0x1A, 0x00, 0, 0}), unit.Address.rgBytes);
    EXPECT_TRUE(unit.fAuthenticated);
    EXPECT_TRUE(unit.fRemembered);
    EXPECT_FALSE(unit.fConnected);
    EXPECT_EQ(0x1F00u, unit.ulClassofDevice);
    EXPECT_EQ("/org/bluez/hci0", unit.adapterPath);
    EXPECT_EQ(0, manager.pendingRequests());
    EXPECT_TRUE(log.contains(L"Issue New Inquiry             : False"));
    EXPECT_TRUE(log.contains(L"Address                       : 13:71:DA:7D:1A:00"));
    EXPECT_TRUE(log.contains(L"Authenticated                 : True (1)"));

    // Without parameters every known device comes, strangers too.
    const Delivery all = search(nullptr);
    ASSERT_EQ(0u, all.code);
    EXPECT_EQ(3u, all.devices->size());
    EXPECT_TRUE(log.contains(L"Timeout Multiplier            : 15"));
}

TEST_F(BluetoothMgrTest, SearchWithoutPairedDevicesDeliversNoMoreItemsAndNoArray) {
    machine.addRadio("hci0");
    bluez.addAdapter("hci0");
    bluez.addDevice("hci0", kUnitAddress, "M450-0042", false);
    ASSERT_EQ(0u, manager.initialize());
    const BLUETOOTH_DEVICE_SEARCH_PARAMS params = surveySearch();
    const Delivery found = search(&params);
    EXPECT_EQ(zeph::platform::ERROR_NO_MORE_ITEMS, found.code);
    EXPECT_FALSE(found.devices);
}

TEST_F(BluetoothMgrTest, RadioUnknownToBluezDeliversBadUnit) {
    machine.addRadio("hci0");
    ASSERT_EQ(0u, manager.initialize());
    const BLUETOOTH_DEVICE_SEARCH_PARAMS params = surveySearch();
    EXPECT_EQ(zeph::platform::ERROR_BAD_UNIT, search(&params).code);
    EXPECT_TRUE(log.contains(L"No Bluetooth readios detected.", L"BluetoothThread::onEnumerateDevices"));
}

TEST_F(BluetoothMgrTest, RemovedDeviceIsGoneFromTheNextSearch) {
    machine.addRadio("hci0");
    bluez.addAdapter("hci0");
    bluez.addDevice("hci0", kUnitAddress, "M450-0042", true);
    ASSERT_EQ(0u, manager.initialize());
    ASSERT_EQ(0u, manager.removeDevice(*parseBluezAddress(kUnitAddress)));
    // Requests are handled in posting order: the search comes after the removal.
    const BLUETOOTH_DEVICE_SEARCH_PARAMS params = surveySearch();
    EXPECT_EQ(zeph::platform::ERROR_NO_MORE_ITEMS, search(&params).code);
    // A second removal finds nothing and says so.
    ASSERT_EQ(0u, manager.removeDevice(*parseBluezAddress(kUnitAddress)));
    EXPECT_TRUE(waitUntil([&] { return log.contains(L"::BluetoothRemoveDevice() failed, [1168]."); }));
}

// The survey searches again every two seconds: only a change is worth a log block.
TEST_F(BluetoothMgrTest, RepeatedSearchesLogOnlyWhatChanged) {
    machine.addRadio("hci0");
    bluez.addAdapter("hci0");
    bluez.addDevice("hci0", kUnitAddress, "M450-0042", true);
    ASSERT_EQ(0u, manager.initialize());
    const BLUETOOTH_DEVICE_SEARCH_PARAMS params = surveySearch();
    const std::wstring banner = L"                  BLUETOOTH SEARCH PARAMS";
    const std::wstring found = L"Address                       : 13:71:DA:7D:1A:00";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(0u, search(&params).code);
    }
    EXPECT_EQ(1u, log.count(banner));
    EXPECT_EQ(1u, log.count(found));

    bluez.addDevice("hci0", "00:1A:7D:DA:71:14", "M410-0007", true);
    EXPECT_EQ(2u, search(&params).devices->size());
    EXPECT_EQ(2u, log.count(banner));
    EXPECT_EQ(2u, log.count(found));

    // A new run of the thread tells of its first search in full.
    manager.finalize();
    ASSERT_EQ(0u, manager.initialize());
    search(&params);
    EXPECT_EQ(3u, log.count(banner));
}

class BluetoothMgrWithoutBluezTest : public BluetoothMgrTest {
protected:
    BluetoothMgrWithoutBluezTest() : BluetoothMgrTest(FakeBluez::Service::None) {}
};

TEST_F(BluetoothMgrWithoutBluezTest, AServiceThatIsDownIsLoggedOnceNotAtEverySearch) {
    machine.addRadio("hci0");
    ASSERT_EQ(0u, manager.initialize());
    const BLUETOOTH_DEVICE_SEARCH_PARAMS params = surveySearch();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(zeph::platform::ERROR_BAD_UNIT, search(&params).code);
    }
    EXPECT_EQ(1u, log.count(L"::BluetoothFindFirstDevice() failed, [20].")) << log.transcript();
    EXPECT_EQ(1u, log.count(L"The system cannot find the device specified.")) << log.transcript();
}

TEST_F(BluetoothMgrWithoutBluezTest, SearchReportsBadUnitWithTheBusReason) {
    machine.addRadio("hci0");
    ASSERT_EQ(0u, manager.initialize());
    const BLUETOOTH_DEVICE_SEARCH_PARAMS params = surveySearch();
    const Delivery found = search(&params);
    EXPECT_EQ(zeph::platform::ERROR_BAD_UNIT, found.code);
    EXPECT_FALSE(found.devices);
    EXPECT_TRUE(log.contains(L"::BluetoothFindFirstDevice() failed, [20].")) << log.transcript();
}

class BluetoothMgrSilentBluezTest : public BluetoothMgrTest {
protected:
    BluetoothMgrSilentBluezTest() : BluetoothMgrTest(FakeBluez::Service::Silent, 500) {}
};

TEST_F(BluetoothMgrSilentBluezTest, UnansweredSearchIsALoggedTimeOutAndNeverHoldsTheCaller) {
    machine.addRadio("hci0");
    ASSERT_EQ(0u, manager.initialize());
    std::optional<DWORD> code;
    boost::signals2::connection connection;
    ASSERT_EQ(
        0u, manager.enumerateDevices(
                nullptr, [&code](const DWORD& result, const std::vector<BluetoothDevice>*) { code = result; },
                connection));
    // Posted, not yet answered: the caller goes on while BlueZ is silent.
    EXPECT_FALSE(code);
    ASSERT_TRUE(waitUntil([&] { return code.has_value(); }));
    EXPECT_EQ(zeph::platform::ERROR_TIMEOUT, *code);
    EXPECT_TRUE(log.contains(L"::BluetoothFindFirstDevice() failed, [1460].")) << log.transcript();
}

TEST_F(BluetoothMgrSilentBluezTest, FinalizeDropsQueuedSearchesWithoutCallingTheirSlots) {
    machine.addRadio("hci0");
    ASSERT_EQ(0u, manager.initialize());
    int first = 0;
    int queued = 0;
    boost::signals2::connection connection;
    ASSERT_EQ(0u, manager.enumerateDevices(
                      nullptr, [&first](const DWORD&, const std::vector<BluetoothDevice>*) { ++first; },
                      connection));
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(0u, manager.enumerateDevices(
                          nullptr, [&queued](const DWORD&, const std::vector<BluetoothDevice>*) { ++queued; },
                          connection));
    }
    manager.finalize();
    EXPECT_TRUE(noBluetoothThread());
    runEventsFor(std::chrono::milliseconds(100));
    EXPECT_LE(first, 1);
    EXPECT_EQ(0, queued);
    EXPECT_EQ(0, manager.pendingRequests()) << "dropped searches still counted as pending";
}

}  // namespace
}  // namespace quorvex::test
