#include "journal/ExportText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

namespace quorvex::journal {

namespace {

// The length of the valid UTF-8 sequence at the start of the text, or 0.
std::size_t sequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    // Overlong forms, surrogates and values beyond U+10FFFF.
    const unsigned char second = length > 1 ? byte(1) : 0;
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90)) {
        return 0;
    }
    return length;
}

bool readNumber(std::string_view& text, std::size_t digits, int& value) {
    if (text.size() < digits) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + digits, value);
    if (error != std::errc() || end != text.data() + digits) {
        return false;
    }
    text.remove_prefix(digits);
    return true;
}

bool expect(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) {
        return false;
    }
    text.remove_prefix(1);
    return true;
}

// The text with every byte that starts no valid UTF-8 sequence written by `replace`.
template <typename Replace>
std::string mendUtf8(std::string_view text, Replace replace) {
    std::string valid;
    valid.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = sequenceLength(text);
        if (length == 0) {
            replace(static_cast<unsigned char>(text.front()), valid);
            text.remove_prefix(1);
        } else {
            valid.append(text.substr(0, length));
            text.remove_prefix(length);
        }
    }
    return valid;
}

}  // namespace

std::string isoUtc(Microseconds time) {
    const Microseconds seconds = time >= 0 ? time / 1000000 : (time - 999999) / 1000000;
    const auto fraction = static_cast<long>(time - seconds * 1000000);
    const auto whole = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&whole, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06ldZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, fraction);
    return text;
}

std::optional<Microseconds> parseIsoUtc(std::string_view text) {
    std::tm utc{};
    int hour = 0, minute = 0, second = 0, micro = 0;
    if (!readNumber(text, 4, utc.tm_year) || !expect(text, '-') || !readNumber(text, 2, utc.tm_mon) ||
        !expect(text, '-') || !readNumber(text, 2, utc.tm_mday)) {
        return std::nullopt;
    }
    if (expect(text, 'T') &&
        (!readNumber(text, 2, hour) || !expect(text, ':') || !readNumber(text, 2, minute) ||
         !expect(text, ':') || !readNumber(text, 2, second))) {
        return std::nullopt;
    }
    if (expect(text, '.')) {
        const std::size_t digits = std::min<std::size_t>(text.find_first_not_of("0123456789"), text.size());
        if (digits == 0 || digits > 6 || !readNumber(text, digits, micro)) {
            return std::nullopt;
        }
        for (std::size_t i = digits; i < 6; ++i) {
            micro *= 10;
        }
    }
    expect(text, 'Z');
    if (!text.empty() || utc.tm_mon < 1 || utc.tm_mon > 12 || utc.tm_mday < 1 || utc.tm_mday > 31 ||
        hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    utc.tm_hour = hour;
    utc.tm_min = minute;
    utc.tm_sec = second;
    return Microseconds{timegm(&utc)} * 1000000 + micro;
}

std::string decimal(double value) {
    if (!std::isfinite(value)) {
        return {};
    }
    char text[400];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return error == std::errc() ? std::string(text, end) : std::string();
}

std::string unitDecimal(double value) {
    if (!std::isfinite(value) || std::abs(value) > std::numeric_limits<float>::max() ||
        static_cast<double>(static_cast<float>(value)) != value) {
        return decimal(value);
    }
    // Six decimals, as the log line's %f prints them, without the zeros at the end.
    char text[100];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    if (error != std::errc()) {
        return decimal(value);
    }
    std::string digits(text, end);
    digits.erase(digits.find_last_not_of('0') + 1);
    if (digits.back() == '.') {
        digits.pop_back();
    }
    return digits == "-0" ? "0" : digits;
}

std::string validUtf8(std::string_view text) {
    return mendUtf8(text, [](unsigned char, std::string& out) { out += "\xEF\xBF\xBD"; });
}

std::string escapedUtf8(std::string_view text) {
    return mendUtf8(text, [](unsigned char byte, std::string& out) { out += escapedByte(byte); });
}

std::string escapedByte(unsigned char byte) {
    constexpr const char* Digits = "0123456789ABCDEF";
    return {'\\', 'x', Digits[byte >> 4], Digits[byte & 0x0F]};
}

}  // namespace quorvex::journal
