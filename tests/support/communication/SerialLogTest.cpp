// The log lines the port writes: texts, levels and contexts as the operators' logs know them.
#include "support/communication/Serial.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/Event.h"
#include "support/platform/TextConversion.h"
#include "tests/helpers/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <boost/signals2/connection.hpp>

#include <string>
#include <vector>

namespace {

using namespace zeph::windows::communication;
using quorvex::test::eventually;
using quorvex::test::PseudoTerminal;
using quorvex::test::TemporaryPortDirectory;
using zeph::windows::logging::LogBeacon;
using zeph::windows::logging::LogVerbosity;
namespace logging = zeph::windows::logging;
namespace platform = zeph::platform;

struct Line {
    std::uint32_t level;
    std::wstring context;
    std::wstring message;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
    return out << line.level << " " << std::string(line.context.begin(), line.context.end()) << " \""
               << std::string(line.message.begin(), line.message.end()) << "\"";
}

const std::wstring kSerial = L"zeph::windows::communication::Serial::";

// The beacon belongs to the test's main thread, which delivers the entries on flush().
class SerialLog : public ::testing::Test {
protected:
    void SetUp() override {
        beacon.flush();
        connection = beacon.connect([this](logging::LogBatch entries) {
            for (const logging::LogEntry& entry : entries) {
                lines.push_back({entry.verbosity().value(), platform::widen(entry.context()),
                                 platform::widen(entry.message())});
            }
        });
        ASSERT_EQ(serial.open(ports.add(pty)), 0u);
        ASSERT_EQ(serial.setEventMask(EV_ERR | EV_TXEMPTY), 0u);
        ASSERT_EQ(serial.setEventChar(), 0u);
    }

    std::vector<Line> take() {
        beacon.flush();
        return std::exchange(lines, {});
    }

    LogBeacon& beacon = LogBeacon::instance();
    boost::signals2::scoped_connection connection;
    std::vector<Line> lines;
    PseudoTerminal pty;
    TemporaryPortDirectory ports;
    Serial serial{ports.directory()};
    AbortEvent abort = platform::Event::create(true, false);
};

TEST_F(SerialLog, FrameWaitAndRead) {
    pty.send("frame\x04");
    DWORD mask = 0;
    ASSERT_EQ(serial.waitCommEvent(abort, mask), 0u);
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(serial.readPort(abort, bytes), 0u);
    const std::vector<Line> expected{
        {logging::DebugLevel1.value(), kSerial + L"waitCommEvent", L" "},
        {logging::DebugLevel3.value(), kSerial + L"waitCommEvent", L"SUCCESS - result was EV_RXFLAG."},
        {logging::DebugLevel1.value(), kSerial + L"readPort", L" "},
        {logging::DebugLevel2.value(), kSerial + L"readPort", L"Bytes in queue [6]."},
        {logging::DebugLevel3.value(), kSerial + L"readPort", L"SUCCESS"},
    };
    EXPECT_EQ(take(), expected);
}

TEST_F(SerialLog, WriteAndPurge) {
    const std::uint8_t bytes[] = {'S', 'T', 'O', 'P', '\n'};
    ASSERT_EQ(serial.writePort(nullptr, bytes, sizeof bytes), 0u);
    ASSERT_EQ(serial.purgeBuffers(), 0u);
    const std::vector<Line> expected{
        {logging::DebugLevel1.value(), kSerial + L"writePort", L" "},
        {logging::DebugLevel2.value(), kSerial + L"writePort",
         L"::WaitForMultipleObjects() attempting to gain exclusive access to the port."},
        {logging::DebugLevel2.value(), kSerial + L"writePort",
         L"::WaitForSingleObject() became signaled via [_write_lock]."},
        {logging::DebugLevel2.value(), kSerial + L"writePort", L"Calling ::WriteFile()."},
        {logging::DebugLevel2.value(), kSerial + L"writePort", L"::WriteFile() completed synchronously."},
        {logging::DebugLevel3.value(), kSerial + L"writePort", L"SUCCESS"},
        {logging::DebugLevel1.value(), kSerial + L"purgeBuffers", L" "},
        {logging::DebugLevel3.value(), kSerial + L"purgeBuffers", L"SUCCESS"},
    };
    EXPECT_EQ(take(), expected);
}

TEST_F(SerialLog, AbortAndHangUp) {
    abort->set();
    DWORD mask = 0;
    ASSERT_EQ(serial.waitCommEvent(abort, mask), platform::ERROR_CANCELLED);
    std::vector<Line> logged = take();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[1], (Line{logging::DebugLevel2.value(), kSerial + L"waitCommEvent",
                               L"[abort] became signalled.  Abandoning operation."}));

    pty.closeMaster();
    ASSERT_EQ(serial.waitCommEvent(nullptr, mask), platform::ERROR_DEVICE_NOT_CONNECTED);
    logged = take();
    ASSERT_GE(logged.size(), 2u);
    EXPECT_EQ(logged[1], (Line{logging::Error.value(), kSerial + L"waitCommEvent",
                               L"::WaitCommEvent() failed for an unknown reason [1167]."}));
    // Followed by the system's text for the code, when it has one.
    for (std::size_t i = 2; i < logged.size(); ++i) {
        EXPECT_EQ(logged[i].level, logging::Error.value());
    }
}

}  // namespace
