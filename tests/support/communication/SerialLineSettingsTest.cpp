// Line settings: what setBaudRate, setHandshake and setEventChar leave on the tty, read back
// from the kernel on the slave side.
#include "support/communication/Serial.h"
#include "tests/helpers/PseudoTerminal.h"
#include "tests/support/communication/LineReadback.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace zeph::windows::communication;
using quorvex::test::LineReadback;
using quorvex::test::PseudoTerminal;
using quorvex::test::readLine;
using quorvex::test::TemporaryPortDirectory;
namespace platform = zeph::platform;

class SerialLine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(serial.open(ports.add(pty)), 0u); }

    PseudoTerminal pty;
    TemporaryPortDirectory ports;
    Serial serial{ports.directory()};
};

TEST_F(SerialLine, OpenLeavesTheLineRawAndEveryByteValuePassesUnchanged) {
    const LineReadback line = readLine(pty.slave());
    EXPECT_TRUE(line.raw);
    EXPECT_TRUE(line.local);

    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) {
        all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    // Far end to port: CR, LF, ^C, XON/XOFF, DEL and 0xFF arrive as sent.
    pty.send(all);
    ASSERT_TRUE(quorvex::test::eventually([&] {
        COMSTAT status;
        return serial.clearCommError(nullptr, &status) == 0 && status.cbInQue == all.size();
    }));
    std::vector<std::uint8_t> received;
    ASSERT_EQ(serial.readPort(nullptr, received), 0u);
    EXPECT_EQ(received, all);

    // Port to far end: no output processing either.
    ASSERT_EQ(serial.writePort(nullptr, all.data(), static_cast<DWORD>(all.size())), 0u);
    EXPECT_EQ(pty.receive(all.size()), all);
}

TEST_F(SerialLine, EveryListedBaudRateReachesTheLineExactly) {
    const std::set<int> withoutStandardCode{14400, 56000, 128000, 256000};
    ASSERT_EQ(BaudRate::all().size(), 15u);
    for (const auto& [value, rate] : BaudRate::all()) {
        SCOPED_TRACE(value);
        ASSERT_EQ(serial.setBaudRate(*rate, DataBits::Bits8, Parity::NoParity, StopBits::One), 0u);
        const LineReadback line = readLine(pty.slave());
        EXPECT_EQ(line.outputSpeed, static_cast<std::uint32_t>(value));
        EXPECT_EQ(line.inputSpeed, static_cast<std::uint32_t>(value));
        EXPECT_EQ(line.otherSpeed, withoutStandardCode.contains(value));
        DCB dcb;
        ASSERT_EQ(serial.getCommState(dcb), 0u);
        EXPECT_EQ(dcb.BaudRate, static_cast<DWORD>(value));
    }
}

// A pty keeps CS8 and clears PARENB whatever it is asked (the encoding of those is checked in
// TtyLineEncodingTest); odd, mark/space, parity checking and stop bits reach it.
TEST_F(SerialLine, ParityAndStopBitsReachTheLine) {
    struct ParityCase {
        const Parity& parity;
        bool odd;
        bool markOrSpace;
    };
    for (const ParityCase& c :
         {ParityCase{Parity::NoParity, false, false}, ParityCase{Parity::Odd, true, false},
          ParityCase{Parity::Even, false, false}, ParityCase{Parity::Mark, true, true},
          ParityCase{Parity::Space, false, true}}) {
        SCOPED_TRACE(c.parity.value());
        ASSERT_EQ(serial.setBaudRate(BaudRate::Baud115200, DataBits::Bits7, c.parity, StopBits::One), 0u);
        const LineReadback line = readLine(pty.slave());
        EXPECT_EQ(line.parityOdd, c.odd);
        EXPECT_EQ(line.markOrSpace, c.markOrSpace);
        EXPECT_EQ(line.parityChecked, c.parity != Parity::NoParity);
        DCB dcb;
        ASSERT_EQ(serial.getCommState(dcb), 0u);
        EXPECT_EQ(dcb.Parity, c.parity.value());
        EXPECT_EQ(dcb.ByteSize, 7);
        EXPECT_EQ(dcb.fParity, c.parity != Parity::NoParity);
    }

    ASSERT_EQ(serial.setBaudRate(BaudRate::Baud115200, DataBits::Bits8, Parity::NoParity, StopBits::One), 0u);
    EXPECT_FALSE(readLine(pty.slave()).twoStopBits);
    ASSERT_EQ(serial.setBaudRate(BaudRate::Baud115200, DataBits::Bits8, Parity::NoParity, StopBits::Two), 0u);
    EXPECT_TRUE(readLine(pty.slave()).twoStopBits);
    ASSERT_EQ(
        serial.setBaudRate(BaudRate::Baud115200, DataBits::Bits5, Parity::NoParity, StopBits::OnePointFive),
        0u);
    EXPECT_TRUE(readLine(pty.slave()).twoStopBits);
}

TEST_F(SerialLine, ImpossibleLineSettingsAreRefusedAndLeaveTheLineAlone) {
    ASSERT_EQ(serial.setBaudRate(BaudRate::Baud57600, DataBits::Bits8, Parity::NoParity, StopBits::One), 0u);
    DCB dcb;
    ASSERT_EQ(serial.getCommState(dcb), 0u);
    dcb.ByteSize = 9;
    EXPECT_EQ(serial.setCommState(dcb), platform::ERROR_INVALID_PARAMETER);
    dcb.ByteSize = 8;
    dcb.BaudRate = 0;
    EXPECT_EQ(serial.setCommState(dcb), platform::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(readLine(pty.slave()).outputSpeed, 57600u);
    ASSERT_EQ(serial.getCommState(dcb), 0u);
    EXPECT_EQ(dcb.BaudRate, 57600u);
}

TEST_F(SerialLine, HandshakeSetsItsOwnFieldsOnly) {
    ASSERT_EQ(serial.setBaudRate(BaudRate::Baud19200, DataBits::Bits7, Parity::Even, StopBits::Two), 0u);

    ASSERT_EQ(serial.setHandshake(FlowControl::Hardware), 0u);
    LineReadback line = readLine(pty.slave());
    EXPECT_TRUE(line.rtsCts);
    EXPECT_FALSE(line.xonOutput || line.xonInput);
    DCB dcb;
    ASSERT_EQ(serial.getCommState(dcb), 0u);
    EXPECT_TRUE(dcb.fOutxCtsFlow && dcb.fOutxDsrFlow);  // DSR flow is kept though Linux cannot do it
    EXPECT_EQ(dcb.fDtrControl, DTR_CONTROL_HANDSHAKE);
    EXPECT_EQ(dcb.fRtsControl, RTS_CONTROL_HANDSHAKE);

    ASSERT_EQ(serial.setHandshake(FlowControl::Software), 0u);
    line = readLine(pty.slave());
    EXPECT_FALSE(line.rtsCts);
    EXPECT_TRUE(line.xonOutput && line.xonInput);

    ASSERT_EQ(serial.setHandshake(FlowControl::NoFlowControl), 0u);
    line = readLine(pty.slave());
    EXPECT_FALSE(line.rtsCts || line.xonOutput || line.xonInput);
    ASSERT_EQ(serial.getCommState(dcb), 0u);
    EXPECT_EQ(dcb.fDtrControl, DTR_CONTROL_DISABLE);
    EXPECT_EQ(dcb.fRtsControl, RTS_CONTROL_DISABLE);
    EXPECT_FALSE(dcb.fOutxCtsFlow || dcb.fOutxDsrFlow || dcb.fOutX || dcb.fInX);

    // The line parameters set before are untouched.
    EXPECT_EQ(line.outputSpeed, 19200u);
    EXPECT_TRUE(line.parityChecked && !line.parityOdd && line.twoStopBits);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.Parity, EVENPARITY);
}

TEST_F(SerialLine, EventCharKeepsTheMaskAlreadySetAndAddsRxFlag) {
    DWORD mask = 0;
    ASSERT_EQ(serial.getCommMask(mask), 0u);
    EXPECT_EQ(mask, EV_RXCHAR | EV_BREAK | EV_ERR);  // as open leaves it

    ASSERT_EQ(serial.setEventMask(EV_ERR | EV_TXEMPTY), 0u);
    ASSERT_EQ(serial.setEventChar(), 0u);
    ASSERT_EQ(serial.getCommMask(mask), 0u);
    EXPECT_EQ(mask, EV_ERR | EV_TXEMPTY | EV_RXFLAG);
    DCB dcb;
    ASSERT_EQ(serial.getCommState(dcb), 0u);
    EXPECT_EQ(dcb.EvtChar, 0x04);
}

}  // namespace
