// The termios encoding of the line settings, checked against the kernel's own constants
// (a pty cannot show data bits or parity: it keeps CS8 and drops PARENB).
#include "support/communication/TtyControl.h"

#include <gtest/gtest.h>

#include <asm/termbits.h>

namespace {

using namespace zeph::windows::communication;

tty::LineFlags encode(const DCB& dcb, tty::LineFlags flags = {}) {
    EXPECT_EQ(tty::encodeLine(dcb, flags), 0u);
    return flags;
}

TEST(TtyLineEncoding, DataBitsParityAndStopBits) {
    DCB dcb;
    dcb.BaudRate = 115200;
    for (const auto& [byteSize, flag] :
         {std::pair{5, CS5}, std::pair{6, CS6}, std::pair{7, CS7}, std::pair{8, CS8}}) {
        dcb.ByteSize = byteSize;
        EXPECT_EQ(encode(dcb).cflag & CSIZE, flag) << byteSize;
    }
    const auto parityBits = [&dcb](int parity) {
        dcb.Parity = parity;
        dcb.fParity = parity != NOPARITY;
        const tty::LineFlags flags = encode(dcb);
        EXPECT_EQ((flags.iflag & INPCK) != 0, parity != NOPARITY) << parity;
        return flags.cflag & (PARENB | PARODD | CMSPAR);
    };
    EXPECT_EQ(parityBits(NOPARITY), 0u);
    EXPECT_EQ(parityBits(ODDPARITY), static_cast<unsigned>(PARENB | PARODD));
    EXPECT_EQ(parityBits(EVENPARITY), static_cast<unsigned>(PARENB));
    EXPECT_EQ(parityBits(MARKPARITY), static_cast<unsigned>(PARENB | PARODD | CMSPAR));
    EXPECT_EQ(parityBits(SPACEPARITY), static_cast<unsigned>(PARENB | CMSPAR));

    dcb.Parity = NOPARITY;
    for (const auto& [stopBits, twoStopBits] :
         {std::pair{ONESTOPBIT, false}, std::pair{ONE5STOPBITS, true}, std::pair{TWOSTOPBITS, true}}) {
        dcb.StopBits = stopBits;
        EXPECT_EQ((encode(dcb).cflag & CSTOPB) != 0, twoStopBits) << stopBits;
    }
}

TEST(TtyLineEncoding, SpeedsFlowControlAndUntouchedBits) {
    DCB dcb;
    dcb.BaudRate = 56000;
    tty::LineFlags flags =
        encode(dcb, {CLOCAL | CREAD | HUPCL | B9600 | PARENB | CS7, IGNPAR | IXON, 9600, 9600});
    EXPECT_EQ(flags.cflag & CBAUD, static_cast<unsigned>(BOTHER));
    EXPECT_EQ(flags.outputSpeed, 56000u);
    EXPECT_EQ(flags.inputSpeed, 56000u);
    EXPECT_EQ(flags.cflag & (CLOCAL | CREAD | HUPCL), static_cast<unsigned>(CLOCAL | CREAD | HUPCL));
    EXPECT_EQ(flags.cflag & (PARENB | CSIZE), static_cast<unsigned>(CS8));
    EXPECT_EQ(flags.iflag, static_cast<unsigned>(IGNPAR));

    dcb.BaudRate = 38400;
    dcb.fOutxCtsFlow = true;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    flags = encode(dcb);
    EXPECT_EQ(flags.cflag & CBAUD, static_cast<unsigned>(B38400));
    EXPECT_NE(flags.cflag & CRTSCTS, 0u);

    dcb.fOutxCtsFlow = false;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fOutX = true;
    dcb.fInX = true;
    flags = encode(dcb);
    EXPECT_EQ(flags.cflag & CRTSCTS, 0u);
    EXPECT_EQ(flags.iflag & (IXON | IXOFF), static_cast<unsigned>(IXON | IXOFF));
}

}  // namespace
