#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::cli {

// One JSON object, built field by field in the order written, for one line of output. Texts
// follow the journal's JSON rule (journal/JsonText.h), so that any bytes the unit sent still make
// valid JSON and its UTF-8 reads as it was sent.
class JsonObject {
public:
    JsonObject& text(std::string_view key, std::string_view value);
    JsonObject& text(std::string_view key, std::wstring_view value);
    JsonObject& flag(std::string_view key, bool value);
    JsonObject& integer(std::string_view key, std::int64_t value);
    // Not a number and the infinities have no JSON form: they are written as null.
    JsonObject& real(std::string_view key, double value);
    JsonObject& object(std::string_view key, const JsonObject& value);
    template <typename Integer>
    JsonObject& integers(std::string_view key, std::span<const Integer> values) {
        auto list = nlohmann::ordered_json::array();
        for (const Integer value : values) {
            list.push_back(value);
        }
        return field(key, std::move(list));
    }
    JsonObject& texts(std::string_view key, std::span<const std::string> values);

    std::string str() const;

    // A JSON string literal of the bytes.
    static std::string quoted(std::string_view bytes);

private:
    JsonObject& field(std::string_view key, nlohmann::ordered_json value);

    nlohmann::ordered_json fields_ = nlohmann::ordered_json::object();
};

}  // namespace quorvex::cli
