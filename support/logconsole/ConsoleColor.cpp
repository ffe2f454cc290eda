#include "support/logconsole/ConsoleColor.h"

#include <array>

namespace zeph::windows::logging {

const ConsoleForeground ConsoleForeground::Black(0, L"FG Black");
const ConsoleForeground ConsoleForeground::Blue(1, L"FG Blue");
const ConsoleForeground ConsoleForeground::Green(2, L"FG Green");
const ConsoleForeground ConsoleForeground::Cyan(3, L"FG Cyan");
const ConsoleForeground ConsoleForeground::Red(4, L"FG Red");
const ConsoleForeground ConsoleForeground::Purple(5, L"FG Purple");
const ConsoleForeground ConsoleForeground::Yellow(6, L"FG Yellow");
const ConsoleForeground ConsoleForeground::White(7, L"FG White");

const ConsoleBackground ConsoleBackground::Black(0x00, L"BG Black");
const ConsoleBackground ConsoleBackground::Blue(0x10, L"BG Blue");
const ConsoleBackground ConsoleBackground::Green(0x20, L"BG Green");
const ConsoleBackground ConsoleBackground::Cyan(0x30, L"BG Cyan");
const ConsoleBackground ConsoleBackground::Red(0x40, L"BG Red");
const ConsoleBackground ConsoleBackground::Purple(0x50, L"BG Purple");
const ConsoleBackground ConsoleBackground::Yellow(0x60, L"BG Yellow");
const ConsoleBackground ConsoleBackground::White(0x70, L"BG White");

const ConsoleIntensity ConsoleIntensity::None(0x00, L"None");
const ConsoleIntensity ConsoleIntensity::Foreground(0x08, L"Foreground");
const ConsoleIntensity ConsoleIntensity::Background(0x80, L"Background");

namespace {

std::uint16_t attribute(const ConsoleForeground& foreground, const ConsoleIntensity& intensity) {
    return static_cast<std::uint16_t>(foreground.value() | intensity.value() |
                                      ConsoleBackground::Black.value());
}

// The sixteen console colours, dark ones first: black, blue, green, cyan, red, purple, yellow,
// white (light grey), then the bright ones. The dark blue keeps its hue but is lifted to a
// contrast of 4.5:1 on black, still a shade darker than the bright blue.
constexpr std::array<platform::COLORREF, 16> kPalette = {
    platform::RGB(0, 0, 0),       platform::RGB(56, 104, 255),  platform::RGB(19, 161, 14),
    platform::RGB(58, 150, 221),  platform::RGB(197, 15, 31),   platform::RGB(136, 23, 152),
    platform::RGB(193, 156, 0),   platform::RGB(204, 204, 204), platform::RGB(118, 118, 118),
    platform::RGB(59, 120, 255),  platform::RGB(22, 198, 12),   platform::RGB(97, 214, 214),
    platform::RGB(231, 72, 86),   platform::RGB(180, 0, 158),   platform::RGB(249, 241, 165),
    platform::RGB(242, 242, 242),
};

}  // namespace

std::uint16_t consoleAttributeOf(const LogVerbosity& verbosity) {
    struct LevelColour {
        const LogVerbosity& level;
        const ConsoleForeground& foreground;
        const ConsoleIntensity& intensity;
    };
    static const LevelColour colours[] = {
        {DebugLevel1, ConsoleForeground::Blue, ConsoleIntensity::None},
        {DebugLevel2, ConsoleForeground::Blue, ConsoleIntensity::Foreground},
        {DebugLevel3, ConsoleForeground::Cyan, ConsoleIntensity::Foreground},
        {DebugLevel4, ConsoleForeground::Green, ConsoleIntensity::Foreground},
        {Information, ConsoleForeground::White, ConsoleIntensity::None},
        {Warning, ConsoleForeground::Yellow, ConsoleIntensity::Foreground},
        {Error, ConsoleForeground::Red, ConsoleIntensity::Foreground},
    };
    for (const LevelColour& colour : colours) {
        if (colour.level.value() == verbosity.value()) {
            return attribute(colour.foreground, colour.intensity);
        }
    }
    // UI Info and the application's own levels: grey.
    return attribute(ConsoleForeground::Black, ConsoleIntensity::Foreground);
}

platform::COLORREF consoleForegroundColour(std::uint16_t attribute) {
    return kPalette[attribute & 0x0F];
}

platform::COLORREF consoleBackgroundColour(std::uint16_t attribute) {
    return kPalette[(attribute >> 4) & 0x0F];
}

}  // namespace zeph::windows::logging
