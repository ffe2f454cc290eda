#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvex::journal {

// Values as JSON spells them, whatever bytes the unit sent and whatever the locale.

// A string literal of the text made valid UTF-8, quotes, backslashes and control bytes escaped.
std::string jsonText(const std::string& value);
// A number with a dot; null when absent or not finite.
std::string jsonNumber(const std::optional<double>& value);
std::string jsonInteger(const std::optional<std::int64_t>& value);

}  // namespace quorvex::journal
