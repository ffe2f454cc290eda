#include "console/plots/PlotScale.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quorvex::console {

namespace {

int firmwareMajor(std::uint16_t version) {
    return version & 0xF;
}

}  // namespace

RingSizing ringSizing(int width, int reserved) {
    // Rings are sized by the narrowest sample of all channel kinds.
    constexpr int NarrowestSample = 3;
    const int usable = std::max(width - reserved, 0);
    int margin = usable % NarrowestSample;
    if (margin > 2) {
        margin = (margin + 1) / 2;
    }
    return {static_cast<std::size_t>(usable / NarrowestSample), margin};
}

bool firmwareAtLeast(std::uint16_t version, int minor) {
    return firmwareMajor(version) != 0 || firmwareMinor(version) >= minor;
}

bool firmwareAtMost(std::uint16_t version, int minor) {
    return firmwareMajor(version) == 0 && firmwareMinor(version) <= minor;
}

int firmwareMinor(std::uint16_t version) {
    return version >> 4;
}

std::uint32_t magneticFullScale(int gain) {
    static constexpr std::array<std::uint32_t, 16> table{19000, 20000, 21000, 23000, 25000, 29000,
                                                         39000, 49000, 59000, 65536, 65536, 65536,
                                                         65536, 65536, 65536, 65536};
    if (gain < 1 || gain > static_cast<int>(table.size())) {
        return 0;
    }
    return table[static_cast<std::size_t>(gain - 1)];
}

std::uint32_t VerticalScale::scaled(std::int32_t raw) const {
    const auto value = static_cast<std::uint32_t>(raw);
    return centred ? fullScale / 2 + value - 32768u : value;
}

int VerticalScale::height(std::int32_t raw) const {
    const std::uint32_t value = scaled(raw);
    if (fullScale == 0 || value >= 0x80000000u) {
        return 0;
    }
    const double pixels = static_cast<double>(value) / fullScale * FullScaleHeight;
    return static_cast<int>(std::min<long>(std::lround(pixels), FullScaleHeight));
}

int VerticalScale::pointY(int bottom, std::int32_t raw) const {
    const int h = height(raw);
    return h >= 1 ? bottom - 3 - (h - 1) : bottom - 4;
}

VerticalScale levelScale() {
    return {LevelFullScale, false};
}

VerticalScale magneticScale(int gain) {
    return {magneticFullScale(gain), true};
}

}  // namespace quorvex::console
