#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::cli {

// One JSON object, built field by field in the order written, for one line of output. Texts are
// escaped so that any bytes the unit sent still make valid JSON.
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
        std::string list = "[";
        for (const Integer value : values) {
            if (list.size() > 1) {
                list += ',';
            }
            list += std::to_string(value);
        }
        return raw(key, list + "]");
    }
    JsonObject& texts(std::string_view key, std::span<const std::string> values);

    std::string str() const { return "{" + fields_ + "}"; }

    // A JSON string literal of the bytes: ASCII as it is, control and non-ASCII bytes escaped.
    static std::string quoted(std::string_view bytes);

private:
    JsonObject& raw(std::string_view key, std::string_view json);

    std::string fields_;
};

}  // namespace quorvex::cli
