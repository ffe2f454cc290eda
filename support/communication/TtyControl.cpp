#include "support/communication/TtyControl.h"

#include "support/platform/LastError.h"

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace zeph::windows::communication::tty {

using platform::ERROR_INVALID_PARAMETER;
using platform::ERROR_SUCCESS;

static_assert(sizeof(tcflag_t) == sizeof(std::uint32_t) && sizeof(speed_t) == sizeof(std::uint32_t));

namespace {

constexpr std::array<std::pair<DWORD, tcflag_t>, 19> kStandardSpeeds{{
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800},
}};

DWORD fromErrno() {
    return platform::win32FromErrno(errno);
}

DWORD getTermios(int fd, termios2& t) {
    return ioctl(fd, TCGETS2, &t) == 0 ? ERROR_SUCCESS : fromErrno();
}

DWORD setTermios(int fd, const termios2& t) {
    return ioctl(fd, TCSETS2, &t) == 0 ? ERROR_SUCCESS : fromErrno();
}

}  // namespace

static_assert(sizeof(termios2) <= sizeof(SavedTerminal::bytes));

DWORD saveTerminal(int fd, SavedTerminal& saved) {
    termios2 t{};
    const DWORD result = getTermios(fd, t);
    saved.saved = result == ERROR_SUCCESS;
    if (saved.saved) {
        std::memcpy(saved.bytes.data(), &t, sizeof t);
    }
    return result;
}

DWORD restoreTerminal(int fd, const SavedTerminal& saved) {
    if (!saved.saved) {
        return ERROR_SUCCESS;
    }
    termios2 t{};
    std::memcpy(&t, saved.bytes.data(), sizeof t);
    return setTermios(fd, t);
}

namespace {

tcflag_t sizeFlag(int byteSize) {
    switch (byteSize) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

DWORD speedOf(const termios2& t) {
    const tcflag_t code = t.c_cflag & CBAUD;
    if (code == BOTHER) {
        return t.c_ospeed;
    }
    for (const auto& [rate, standard] : kStandardSpeeds) {
        if (standard == code) {
            return rate;
        }
    }
    return t.c_ospeed;
}

}  // namespace

DWORD makeRaw(int fd) {
    termios2 t{};
    if (const DWORD result = getTermios(fd, t); result != ERROR_SUCCESS) {
        return result;
    }
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                        IXOFF | IXANY | IUCLC | IMAXBEL);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return setTermios(fd, t);
}

DWORD encodeLine(const DCB& dcb, LineFlags& flags) {
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity < NOPARITY || dcb.Parity > SPACEPARITY ||
        dcb.StopBits < ONESTOPBIT || dcb.StopBits > TWOSTOPBITS || dcb.BaudRate == 0) {
        return ERROR_INVALID_PARAMETER;
    }
    tcflag_t cflag = flags.cflag;
    tcflag_t iflag = flags.iflag;
    // Input speed follows the output speed (CIBAUD 0).
    cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT) | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR |
                                    CRTSCTS);
    tcflag_t speedCode = BOTHER;
    for (const auto& [rate, standard] : kStandardSpeeds) {
        if (rate == dcb.BaudRate) {
            speedCode = standard;
        }
    }
    cflag |= speedCode | sizeFlag(dcb.ByteSize);
    // A UART sends 1.5 stop bits when asked for 2 with five data bits.
    if (dcb.StopBits != ONESTOPBIT) {
        cflag |= CSTOPB;
    }
    switch (dcb.Parity) {
        case ODDPARITY:
            cflag |= PARENB | PARODD;
            break;
        case EVENPARITY:
            cflag |= PARENB;
            break;
        case MARKPARITY:
            cflag |= PARENB | CMSPAR | PARODD;
            break;
        case SPACEPARITY:
            cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF);
    if (dcb.fParity) {
        iflag |= INPCK;
    }
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) {
        cflag |= CRTSCTS;
    }
    if (dcb.fOutX) {
        iflag |= IXON;
    }
    if (dcb.fInX) {
        iflag |= IXOFF;
    }
    flags = LineFlags{cflag, iflag, dcb.BaudRate, dcb.BaudRate};
    return ERROR_SUCCESS;
}

DWORD applyLine(int fd, const DCB& dcb) {
    termios2 t{};
    if (const DWORD result = getTermios(fd, t); result != ERROR_SUCCESS) {
        return result;
    }
    LineFlags flags{t.c_cflag, t.c_iflag, t.c_ispeed, t.c_ospeed};
    if (const DWORD result = encodeLine(dcb, flags); result != ERROR_SUCCESS) {
        return result;
    }
    t.c_cflag = flags.cflag;
    t.c_iflag = flags.iflag;
    t.c_ispeed = flags.inputSpeed;
    t.c_ospeed = flags.outputSpeed;
    return setTermios(fd, t);
}

DWORD readLine(int fd, DCB& dcb) {
    termios2 t{};
    if (const DWORD result = getTermios(fd, t); result != ERROR_SUCCESS) {
        return result;
    }
    dcb.BaudRate = speedOf(t);
    switch (t.c_cflag & CSIZE) {
        case CS5:
            dcb.ByteSize = 5;
            break;
        case CS6:
            dcb.ByteSize = 6;
            break;
        case CS7:
            dcb.ByteSize = 7;
            break;
        default:
            dcb.ByteSize = 8;
            break;
    }
    if ((t.c_cflag & PARENB) == 0) {
        dcb.Parity = NOPARITY;
    } else if ((t.c_cflag & CMSPAR) != 0) {
        dcb.Parity = (t.c_cflag & PARODD) != 0 ? MARKPARITY : SPACEPARITY;
    } else {
        dcb.Parity = (t.c_cflag & PARODD) != 0 ? ODDPARITY : EVENPARITY;
    }
    dcb.StopBits = (t.c_cflag & CSTOPB) != 0 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fParity = (t.c_iflag & INPCK) != 0;
    dcb.fOutxCtsFlow = (t.c_cflag & CRTSCTS) != 0;
    dcb.fOutX = (t.c_iflag & IXON) != 0;
    dcb.fInX = (t.c_iflag & IXOFF) != 0;
    return ERROR_SUCCESS;
}

void setModemLines(int fd, bool dtr, bool rts) {
    int raise = (dtr ? TIOCM_DTR : 0) | (rts ? TIOCM_RTS : 0);
    int drop = (dtr ? 0 : TIOCM_DTR) | (rts ? 0 : TIOCM_RTS);
    if (raise != 0) {
        ioctl(fd, TIOCMBIS, &raise);
    }
    if (drop != 0) {
        ioctl(fd, TIOCMBIC, &drop);
    }
}

DWORD carrier(int fd, bool& raised) {
    int lines = 0;
    if (ioctl(fd, TIOCMGET, &lines) != 0) {
        return fromErrno();
    }
    raised = (lines & TIOCM_CD) != 0;
    return ERROR_SUCCESS;
}

DWORD setExclusive(int fd, bool exclusive) {
    return ioctl(fd, exclusive ? TIOCEXCL : TIOCNXCL) == 0 ? ERROR_SUCCESS : fromErrno();
}

DWORD flush(int fd, bool input, bool output) {
    if (!input && !output) {
        return ERROR_SUCCESS;
    }
    const int queue = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
    return ioctl(fd, TCFLSH, queue) == 0 ? ERROR_SUCCESS : fromErrno();
}

DWORD bytesInInput(int fd, DWORD& count) {
    int bytes = 0;
    if (ioctl(fd, FIONREAD, &bytes) != 0) {
        return fromErrno();
    }
    count = static_cast<DWORD>(bytes);
    return ERROR_SUCCESS;
}

DWORD bytesInOutput(int fd, DWORD& count) {
    int bytes = 0;
    if (ioctl(fd, TIOCOUTQ, &bytes) != 0) {
        return fromErrno();
    }
    count = static_cast<DWORD>(bytes);
    return ERROR_SUCCESS;
}

bool readLineCounters(int fd, LineCounters& counters) {
    serial_icounter_struct icount{};
    if (ioctl(fd, TIOCGICOUNT, &icount) != 0) {
        return false;
    }
    counters = LineCounters{icount.frame, icount.overrun, icount.parity, icount.brk, icount.buf_overrun};
    return true;
}

}  // namespace zeph::windows::communication::tty
