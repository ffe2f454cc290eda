#pragma once

#include "support/communication/CommDefinitions.h"

#include <array>
#include <cstdint>

// The terminal ioctls behind the port, kept in one file: they need the kernel's termios2
// (<asm/termbits.h>), which clashes with the C library's <termios.h>. Each function returns a
// Win32 code (errno mapped); nothing else in the program includes either header.
namespace zeph::windows::communication::tty {

// Raw 8-bit mode: no echo, no line editing, no signals, no translation; a read returns as soon as
// one byte is there, and 0 only when the line has hung up. CLOCAL: modem lines never hang it up.
DWORD makeRaw(int fd);

// The terminal's settings as they were before the port took it, kept whole and opaque.
struct SavedTerminal {
    std::array<std::uint8_t, 64> bytes{};
    bool saved = false;
};
DWORD saveTerminal(int fd, SavedTerminal& saved);
// Puts back what saveTerminal kept (nothing when it kept nothing).
DWORD restoreTerminal(int fd, const SavedTerminal& saved);

// The termios2 fields the line settings touch, in the kernel's encoding.
struct LineFlags {
    std::uint32_t cflag = 0;
    std::uint32_t iflag = 0;
    std::uint32_t inputSpeed = 0;
    std::uint32_t outputSpeed = 0;
};

// Encodes the line fields of the DCB (speed, size, parity, stop bits, flow control) into flags,
// keeping the bits they do not cover. The standard speeds use their Bxxx codes, the others
// BOTHER with the exact rate. ERROR_INVALID_PARAMETER for a DCB no line can take.
DWORD encodeLine(const DCB& dcb, LineFlags& flags);

// Reads the terminal, encodes the DCB into it and writes it back.
DWORD applyLine(int fd, const DCB& dcb);

// Reads the line fields of the DCB back from the terminal.
DWORD readLine(int fd, DCB& dcb);

// Raises or drops DTR and RTS where the driver has modem lines (ptys and some links do not).
void setModemLines(int fd, bool dtr, bool rts);

// TIOCMGET: whether the line shows carrier (TIOCM_CD).
DWORD carrier(int fd, bool& raised);

// TIOCEXCL / TIOCNXCL: further opens of the tty fail with EBUSY (root excepted).
DWORD setExclusive(int fd, bool exclusive);

DWORD flush(int fd, bool input, bool output);
DWORD bytesInInput(int fd, DWORD& count);   // FIONREAD
DWORD bytesInOutput(int fd, DWORD& count);  // TIOCOUTQ

// The driver's line error counters; false where it has none (ptys, rfcomm).
struct LineCounters {
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int brk = 0;
    int bufferOverrun = 0;
};
bool readLineCounters(int fd, LineCounters& counters);

}  // namespace zeph::windows::communication::tty
