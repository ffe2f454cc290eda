#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex::journal {

// Values as JSON spells them, whatever bytes the unit sent and whatever the locale. Every JSON
// text the programs write goes through these, so that one rule holds for all: valid UTF-8 is
// written as it is, a byte that starts no valid sequence is kept visible as "\xFF", control
// characters (DEL too) are escaped.

// The text as a JSON string value under that rule.
nlohmann::ordered_json jsonString(std::string_view value);
// The value as one line of JSON.
std::string jsonDump(const nlohmann::ordered_json& value);
// A string literal of the text.
std::string jsonText(std::string_view value);
// A number with a dot; null when absent or not finite.
std::string jsonNumber(const std::optional<double>& value);
// A value the unit sent as a 4-byte float (a coordinate, an elevation, an HDOP) with the digits
// the exports give it (unitDecimal); null when absent or not finite.
std::string jsonUnitNumber(const std::optional<double>& value);
std::string jsonInteger(const std::optional<std::int64_t>& value);

}  // namespace quorvex::journal
