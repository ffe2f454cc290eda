#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvex::tracking {

// A number with a fixed count of decimals and a dot whatever the locale ("1234.57").
std::string formatFixed(double value, int decimals);
inline std::string formatMetres(double metres) {
    return formatFixed(metres, 2);
}
inline std::string formatDegrees(double degrees) {
    return formatFixed(degrees, 7);
}

// A number written in full as a number ("12.5", "-34.1"); nothing for anything else, including
// trailing text, "nan" and "inf".
std::optional<double> parseNumber(std::string_view text);

}  // namespace quorvex::tracking
