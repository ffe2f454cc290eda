#include "discovery/BluetoothAddress.h"

#include <charconv>

namespace zeph::windows::discovery {

namespace {

constexpr std::size_t kAddressBytes = 6;
constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";

void appendByte(std::wstring& text, std::uint8_t byte) {
    text.push_back(kHexDigits[byte >> 4]);
    text.push_back(kHexDigits[byte & 0x0F]);
}

}  // namespace

std::wstring searchTextOf(const BLUETOOTH_ADDRESS& address) {
    std::wstring text;
    for (std::size_t i = kAddressBytes; i-- > 0;) {
        appendByte(text, address.rgBytes[i]);
    }
    return text;
}

std::wstring displayAddressOf(const BLUETOOTH_ADDRESS& address) {
    std::wstring text;
    for (std::size_t i = 0; i < kAddressBytes; ++i) {
        if (i > 0) {
            text.push_back(L':');
        }
        appendByte(text, address.rgBytes[i]);
    }
    return text;
}

std::optional<BLUETOOTH_ADDRESS> parseBluezAddress(std::string_view text) {
    constexpr std::size_t kTextLength = kAddressBytes * 3 - 1;
    if (text.size() != kTextLength) {
        return std::nullopt;
    }
    BLUETOOTH_ADDRESS address;
    for (std::size_t i = 0; i < kAddressBytes; ++i) {
        const std::size_t at = i * 3;
        if (i > 0 && text[at - 1] != ':') {
            return std::nullopt;
        }
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + 2, value, 16);
        if (error != std::errc() || end != text.data() + at + 2) {
            return std::nullopt;
        }
        // The text starts with the most significant byte.
        address.rgBytes[kAddressBytes - 1 - i] = static_cast<std::uint8_t>(value);
    }
    return address;
}

}  // namespace zeph::windows::discovery
