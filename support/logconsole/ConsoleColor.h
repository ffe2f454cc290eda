#pragma once

#include "support/logging/LogVerbosity.h"
#include "support/platform/Colour.h"
#include "support/platform/NamedValue.h"

#include <cstdint>

namespace zeph::windows::logging {

// The character attributes of a text console: a foreground colour in the low three bits, its
// intensity in bit 3, and the same four bits for the background above them.
class ConsoleForeground : public platform::NamedValue<ConsoleForeground, std::uint16_t> {
public:
    static const ConsoleForeground Black, Blue, Green, Cyan, Red, Purple, Yellow, White;

private:
    using NamedValue::NamedValue;
};

class ConsoleBackground : public platform::NamedValue<ConsoleBackground, std::uint16_t> {
public:
    static const ConsoleBackground Black, Blue, Green, Cyan, Red, Purple, Yellow, White;

private:
    using NamedValue::NamedValue;
};

class ConsoleIntensity : public platform::NamedValue<ConsoleIntensity, std::uint16_t> {
public:
    static const ConsoleIntensity None, Foreground, Background;

private:
    using NamedValue::NamedValue;
};

// The attribute of a line of that level; every line is on black.
std::uint16_t consoleAttributeOf(const LogVerbosity& verbosity);

// The colours of an attribute in the console's sixteen-colour palette.
platform::COLORREF consoleForegroundColour(std::uint16_t attribute);
platform::COLORREF consoleBackgroundColour(std::uint16_t attribute);

}  // namespace zeph::windows::logging
