#include "device/FirmwareRevisionText.h"

#include <boost/math/policies/error_handling.hpp>
#include <boost/math/special_functions/round.hpp>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

namespace {

constexpr int LargestMinor = 0x0FFF;

}  // namespace

FirmwareRevisionParse parseFirmwareRevision(std::string_view text) {
    FirmwareRevisionParse result;
    text = text.substr(0, text.find('\0'));
    const std::size_t digit = text.find_first_of("0123456789");
    if (digit == std::string_view::npos) {
        return result;
    }
    const char* const first = text.data() + digit;
    double number = 0.0;
    // Locale-independent by definition; it stops at the first character that cannot continue
    // the number, as the unit's revision texts may carry a suffix.
    const auto parsed = std::from_chars(first, text.data() + text.size(), number, std::chars_format::fixed);
    if (parsed.ec == std::errc::result_out_of_range) {
        // Too large for a double: let the rounding below report it like any number too large. Or
        // too small for one, which only a number below 1 can be: that rounds to 0 like any other.
        const char* const end = text.data() + text.size();
        const char* const significant = std::find_if(first, end, [](char c) { return c != '0'; });
        const bool wholePart = significant != end && *significant >= '1' && *significant <= '9';
        number = wholePart ? std::numeric_limits<double>::infinity() : 0.0;
    }
    try {
        const int scaled = boost::math::iround(number * 10000.0);
        result.saturated = scaled > LargestMinor;
        const int minor = std::min(scaled, LargestMinor);
        result.words[0] = static_cast<std::uint16_t>(static_cast<std::uint32_t>(minor) << 4);
    } catch (const boost::math::rounding_error& error) {
        result.roundingError = error.what();
    }
    return result;
}
