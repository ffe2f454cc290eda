// Reads arbitrary texts as the unit's firmware revision text and checks the result against a
// second reading by the C library: the digits from the first one on, with an optional fraction,
// times 10000 and rounded half away from zero, at most 4095; a number too large for that reads as a rounding
// error with both words 0. Nothing may be read beyond the text, which ends at its first zero byte.
//
// Input: the text's bytes.

#include "device/FirmwareRevisionText.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The number the text stands for, by strtod over exactly the digits, the point and the fraction.
double referenceNumber(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && !isDigit(text[at])) {
        ++at;
    }
    std::size_t end = at;
    while (end < text.size() && isDigit(text[end])) {
        ++end;
    }
    if (end < text.size() && text[end] == '.') {
        ++end;
        while (end < text.size() && isDigit(text[end])) {
            ++end;
        }
    }
    const std::string number(text.substr(at, end - at));
    return std::strtod(number.c_str(), nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reference reads "." as the decimal point only in the C locale; the parse must do so in
    // any locale, and the fuzzing process keeps the C locale it starts with.
    static const bool cLocale = std::setlocale(LC_NUMERIC, nullptr) == std::string("C");
    require(cLocale);

    // A copy of exactly the text's size, so that a read past its end is caught.
    const auto bytes = std::make_unique<char[]>(size);
    std::copy(data, data + size, bytes.get());
    const std::string_view text(bytes.get(), size);
    const FirmwareRevisionParse parsed = parseFirmwareRevision(text);

    const std::string_view untilNul = text.substr(0, text.find('\0'));
    require(parsed.words[1] == 0);
    if (untilNul.find_first_of("0123456789") == std::string_view::npos) {
        require(parsed.words[0] == 0 && parsed.roundingError.empty());
        return 0;
    }
    const double scaled = std::round(referenceNumber(untilNul) * 10000.0);
    if (!(scaled <= static_cast<double>(std::numeric_limits<int>::max()))) {
        require(!parsed.roundingError.empty());
        require(parsed.words[0] == 0);
        return 0;
    }
    require(parsed.roundingError.empty());
    // A minor number beyond 12 bits saturates at 4095 rather than wrapping.
    const auto minor = static_cast<std::uint32_t>(std::min(scaled, 4095.0));
    require(parsed.saturated == (scaled > 4095.0));
    require(parsed.words[0] == static_cast<std::uint16_t>(minor << 4));
    return 0;
}
