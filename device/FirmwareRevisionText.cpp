#include "device/FirmwareRevisionText.h"

#include <boost/math/policies/error_handling.hpp>
#include <boost/math/special_functions/round.hpp>

#include <charconv>
#include <cstdint>
#include <limits>

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
        // Too long to be a double: let the rounding below report it like any number too large.
        number = std::numeric_limits<double>::infinity();
    }
    try {
        const int scaled = boost::math::iround(number * 10000.0);
        result.words[0] = static_cast<std::uint16_t>(static_cast<std::uint32_t>(scaled) << 4);
    } catch (const boost::math::rounding_error& error) {
        result.roundingError = error.what();
    }
    return result;
}
