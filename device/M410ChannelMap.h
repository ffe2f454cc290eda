#pragma once

#include <cstdint>
#include <string_view>

// The M410 numbers the Mag and Legacy channels its own way: from firmware 0.96 on Mag is 4 and
// Legacy 3, before that Mag is 3 and Legacy 4. Every other model takes the console's numbers.
inline constexpr std::string_view M410Model = "M410";

// The number to send for a console channel (0 Auto, 1-7 transmitters, 8 Mag, 9 Legacy) to an
// M410 with that firmware revision word.
std::int32_t m410ChannelNumber(std::int32_t channel, std::uint16_t firmwareWord);
