#pragma once

#include "journal/JournalRows.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvex::journal {

// How exports spell their values, the same whatever the locale.

// "2026-12-07T22:40:01.123456Z".
std::string isoUtc(Microseconds time);
// Reads "YYYY-MM-DD", "YYYY-MM-DDTHH:MM:SS" or with ".ffffff", each with an optional "Z" (UTC).
std::optional<Microseconds> parseIsoUtc(std::string_view text);
// The shortest digits that read back as the same number, with a dot and never an exponent;
// "" for a number that is not finite.
std::string decimal(double value);
// A value the unit sent as a 4-byte float (a coordinate, an elevation, an HDOP) with the digits
// the log line shows for it: six decimals, trailing zeros left out ("51.500011", not
// "51.5000114440918"). A value no float holds exactly is written as decimal() writes it.
std::string unitDecimal(double value);
// The text as valid UTF-8: a byte that starts no valid sequence becomes U+FFFD.
std::string validUtf8(std::string_view text);
// The text as valid UTF-8 that keeps every byte: one that starts no valid sequence is written
// as "\xFF" (a backslash, x and two hex digits).
std::string escapedUtf8(std::string_view text);
// "\x01" for a byte.
std::string escapedByte(unsigned char byte);

}  // namespace quorvex::journal
