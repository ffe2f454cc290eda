#pragma once

#include "device/DeviceState.h"

#include <string>
#include <string_view>

// The unit reports its firmware revision as text ("V0.0096"); the stack keeps it as two words.
struct FirmwareRevisionParse {
    FirmwareRevision words{};
    // The rounding facility's own text when the number does not fit; the words then stay 0.
    std::string roundingError;
    // The number was beyond the largest minor number the word holds and was read as that one.
    bool saturated = false;
};

// Reads the text up to its first zero byte, from its first decimal digit on, as a decimal number
// with "." as the decimal point whatever the user's locale; that number x 10000, rounded half away
// from zero, is the minor number of the first word (major 0). No digit: both words 0. A minor
// number beyond 12 bits is read as the largest one (4095), so that it can never wrap into a
// revision the console accepts.
FirmwareRevisionParse parseFirmwareRevision(std::string_view text);
