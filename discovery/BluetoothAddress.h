#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zeph::windows::discovery {

// A Bluetooth device address as Windows stores it: byte 0 is the least significant, so BlueZ's
// "00:1A:7D:DA:71:13" is held as 13 71 DA 7D 1A 00. Bytes 6 and 7 are padding.
struct BLUETOOTH_ADDRESS {
    std::array<std::uint8_t, 8> rgBytes{};

    friend bool operator==(const BLUETOOTH_ADDRESS&, const BLUETOOTH_ADDRESS&) = default;
};

// Bytes 5 down to 0 as upper-case hexadecimal without separators: "001A7DDA7113". Port look-ups
// and the survey's removal check search device identifiers for it.
std::wstring searchTextOf(const BLUETOOTH_ADDRESS& address);

// Bytes 0 up to 5, upper-case hexadecimal, separated by ':': "13:71:DA:7D:1A:00".
std::wstring displayAddressOf(const BLUETOOTH_ADDRESS& address);

// BlueZ's text form "00:1A:7D:DA:71:13" (any case); nothing for anything else.
std::optional<BLUETOOTH_ADDRESS> parseBluezAddress(std::string_view text);

}  // namespace zeph::windows::discovery
