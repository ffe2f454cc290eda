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
// The text as valid UTF-8: a byte that starts no valid sequence becomes U+FFFD.
std::string validUtf8(std::string_view text);

}  // namespace quorvex::journal
