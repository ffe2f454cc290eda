#include "tests/support/communication/LineReadback.h"

#include <gtest/gtest.h>

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace quorvex::test {

LineReadback readLine(int fd) {
    termios2 t{};
    EXPECT_EQ(ioctl(fd, TCGETS2, &t), 0);
    LineReadback line;
    line.outputSpeed = t.c_ospeed;
    line.inputSpeed = t.c_ispeed;
    line.otherSpeed = (t.c_cflag & CBAUD) == BOTHER;
    line.parityOdd = (t.c_cflag & PARODD) != 0;
    line.markOrSpace = (t.c_cflag & CMSPAR) != 0;
    line.twoStopBits = (t.c_cflag & CSTOPB) != 0;
    line.parityChecked = (t.c_iflag & INPCK) != 0;
    line.rtsCts = (t.c_cflag & CRTSCTS) != 0;
    line.xonOutput = (t.c_iflag & IXON) != 0;
    line.xonInput = (t.c_iflag & IXOFF) != 0;
    line.raw = (t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 && (t.c_oflag & OPOST) == 0 &&
               (t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK)) == 0 && t.c_cc[VMIN] == 1;
    line.local = (t.c_cflag & (CLOCAL | CREAD)) == (CLOCAL | CREAD);
    return line;
}

}  // namespace quorvex::test
