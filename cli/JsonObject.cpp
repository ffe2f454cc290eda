#include "cli/JsonObject.h"

#include "journal/JsonText.h"
#include "support/platform/TextConversion.h"

#include <cmath>
#include <limits>

namespace quorvex::cli {

using journal::jsonString;

std::string JsonObject::quoted(std::string_view bytes) {
    return journal::jsonText(bytes);
}

std::string JsonObject::str() const {
    return journal::jsonDump(fields_);
}

JsonObject& JsonObject::field(std::string_view key, nlohmann::ordered_json value) {
    fields_[jsonString(key).get<std::string>()] = std::move(value);
    return *this;
}

JsonObject& JsonObject::text(std::string_view key, std::string_view value) {
    return field(key, jsonString(value));
}

JsonObject& JsonObject::text(std::string_view key, std::wstring_view value) {
    return field(key, jsonString(zeph::platform::narrow(value)));
}

JsonObject& JsonObject::flag(std::string_view key, bool value) {
    return field(key, value);
}

JsonObject& JsonObject::integer(std::string_view key, std::int64_t value) {
    return field(key, value);
}

JsonObject& JsonObject::real(std::string_view key, double value) {
    if (!std::isfinite(value)) {
        return field(key, nullptr);
    }
    // A whole number is written without ".0", as it always was.
    constexpr double Exact = 9007199254740992.0;  // 2^53: every whole double below is an int64
    if (std::abs(value) < Exact && std::trunc(value) == value) {
        return field(key, static_cast<std::int64_t>(value));
    }
    return field(key, value);
}

JsonObject& JsonObject::object(std::string_view key, const JsonObject& value) {
    return field(key, value.fields_);
}

JsonObject& JsonObject::texts(std::string_view key, std::span<const std::string> values) {
    auto list = nlohmann::ordered_json::array();
    for (const std::string& value : values) {
        list.push_back(jsonString(value));
    }
    return field(key, std::move(list));
}

}  // namespace quorvex::cli
