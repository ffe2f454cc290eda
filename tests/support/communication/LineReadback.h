#pragma once

#include <cstdint>

namespace quorvex::test {

// The line settings of a tty as the kernel holds them (TCGETS2), for checking what the port
// configured. Kept apart from the C library's termios, whose header clashes with the kernel's.
struct LineReadback {
    std::uint32_t outputSpeed = 0;
    std::uint32_t inputSpeed = 0;
    bool otherSpeed = false;  // BOTHER: an exact rate instead of a Bxxx code
    bool parityOdd = false;
    bool markOrSpace = false;  // CMSPAR
    bool twoStopBits = false;
    bool parityChecked = false;  // INPCK
    bool rtsCts = false;
    bool xonOutput = false;  // IXON
    bool xonInput = false;   // IXOFF
    bool raw = false;        // no line editing, echo, signals, translation or output processing
    bool local = false;      // CLOCAL and CREAD
};

LineReadback readLine(int fd);

}  // namespace quorvex::test
