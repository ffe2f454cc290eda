#include "journal/JsonText.h"

#include "journal/ExportText.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace quorvex::journal {

nlohmann::ordered_json jsonString(std::string_view value) {
    return escapedUtf8(value);
}

std::string jsonDump(const nlohmann::ordered_json& value) {
    // Strings made by jsonString are valid UTF-8; should another slip through, a bad byte becomes
    // U+FFFD rather than an exception in the middle of a report.
    const std::string json = value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    // DEL is valid UTF-8 that no one sees: escaped as the other control characters are. Outside a
    // string a JSON text has no such byte.
    std::string out;
    out.reserve(json.size());
    for (const char c : json) {
        if (c == '\x7F') {
            out += "\\u007f";
        } else {
            out += c;
        }
    }
    return out;
}

std::string jsonText(std::string_view value) {
    return jsonDump(jsonString(value));
}

std::string jsonNumber(const std::optional<double>& value) {
    const std::string text = value ? decimal(*value) : std::string();
    return text.empty() ? "null" : text;
}

std::string jsonUnitNumber(const std::optional<double>& value) {
    return value && std::isfinite(*value) ? unitDecimal(*value) : "null";
}

std::string jsonInteger(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : "null";
}

}  // namespace quorvex::journal
