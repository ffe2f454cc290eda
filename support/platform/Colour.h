#pragma once

#include <cstdint>

namespace zeph::platform {

// A Win32 COLORREF: 0x00BBGGRR.
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) |
           (static_cast<COLORREF>(blue) << 16);
}
constexpr std::uint8_t GetRValue(COLORREF colour) {
    return static_cast<std::uint8_t>(colour & 0xFF);
}
constexpr std::uint8_t GetGValue(COLORREF colour) {
    return static_cast<std::uint8_t>((colour >> 8) & 0xFF);
}
constexpr std::uint8_t GetBValue(COLORREF colour) {
    return static_cast<std::uint8_t>((colour >> 16) & 0xFF);
}

}  // namespace zeph::platform
