#include "journal/JsonText.h"

#include "journal/ExportText.h"

#include <cstdio>

namespace quorvex::journal {

std::string jsonText(const std::string& value) {
    std::string text = "\"";
    for (const char c : validUtf8(value)) {
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            text += escaped;
        } else {
            text += c;
        }
    }
    return text + "\"";
}

std::string jsonNumber(const std::optional<double>& value) {
    const std::string text = value ? decimal(*value) : std::string();
    return text.empty() ? "null" : text;
}

std::string jsonInteger(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : "null";
}

}  // namespace quorvex::journal
