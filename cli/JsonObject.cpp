#include "cli/JsonObject.h"

#include "support/platform/TextConversion.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace quorvex::cli {

std::string JsonObject::quoted(std::string_view bytes) {
    std::string out = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte > 0x7E) {
            // The unit's texts have no known encoding: each byte stands for itself (Latin-1).
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

JsonObject& JsonObject::raw(std::string_view key, std::string_view json) {
    if (!fields_.empty()) {
        fields_ += ',';
    }
    fields_ += quoted(key);
    fields_ += ':';
    fields_ += json;
    return *this;
}

JsonObject& JsonObject::text(std::string_view key, std::string_view value) {
    return raw(key, quoted(value));
}

JsonObject& JsonObject::text(std::string_view key, std::wstring_view value) {
    return raw(key, quoted(zeph::platform::narrow(value)));
}

JsonObject& JsonObject::flag(std::string_view key, bool value) {
    return raw(key, value ? "true" : "false");
}

JsonObject& JsonObject::integer(std::string_view key, std::int64_t value) {
    return raw(key, std::to_string(value));
}

JsonObject& JsonObject::real(std::string_view key, double value) {
    if (!std::isfinite(value)) {
        return raw(key, "null");
    }
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return raw(key, error == std::errc() ? std::string_view(buffer, end) : std::string_view("null"));
}

JsonObject& JsonObject::object(std::string_view key, const JsonObject& value) {
    return raw(key, value.str());
}

JsonObject& JsonObject::texts(std::string_view key, std::span<const std::string> values) {
    std::string list = "[";
    for (const std::string& value : values) {
        if (list.size() > 1) {
            list += ',';
        }
        list += quoted(value);
    }
    return raw(key, list + "]");
}

}  // namespace quorvex::cli
