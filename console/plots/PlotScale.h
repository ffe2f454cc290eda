#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvex::console {

// The tallest a value is drawn, in pixels above the bottom line.
inline constexpr int FullScaleHeight = 190;
// Full scale of transmitter levels and of the axes of every kind but Magnetic.
inline constexpr std::uint32_t LevelFullScale = 20'000'000;

// How many samples a plot of that width keeps and the pixels left over at its left.
struct RingSizing {
    std::size_t capacity = 0;
    int margin = 0;
};
// `reserved` is what the plot keeps for itself (the scale strip, the frame).
RingSizing ringSizing(int width, int reserved);

// The firmware version word: major number in the low 4 bits, minor number in the other 12.
bool firmwareAtLeast(std::uint16_t version, int minor);
bool firmwareAtMost(std::uint16_t version, int minor);
int firmwareMinor(std::uint16_t version);

// The magnetic full scale for the unit's gain; 0 for a gain outside 1 to 16.
std::uint32_t magneticFullScale(int gain);

// How a raw 32-bit field becomes a height: the full scale and whether the value is centred first
// (magnetic values swing around 32768).
struct VerticalScale {
    std::uint32_t fullScale = LevelFullScale;
    bool centred = false;

    // The value as the plot reads it: unsigned, centred when the scale says so (wrapping like
    // the 32-bit arithmetic it models, so a value far below the centre lands on the bottom line).
    std::uint32_t scaled(std::int32_t raw) const;
    // Pixels above the bottom line, 0 to FullScaleHeight; 0 when the full scale is 0.
    int height(std::int32_t raw) const;
    // The y of the point for a plot whose client rectangle ends at `bottom`.
    int pointY(int bottom, std::int32_t raw) const;
};

VerticalScale levelScale();
VerticalScale magneticScale(int gain);

}  // namespace quorvex::console
