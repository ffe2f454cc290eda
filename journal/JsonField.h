#pragma once

#include <nlohmann/json.hpp>

#include <optional>

namespace quorvex::journal {

// A member of a message read from the broker: absent and null alike are "not given"; a member of
// the wrong type throws nlohmann's type_error, which the message's reader turns into a refusal.
template <typename Value>
std::optional<Value> optionalField(const nlohmann::json& object, const char* name) {
    const auto found = object.find(name);
    if (found == object.end() || found->is_null()) {
        return std::nullopt;
    }
    return found->get<Value>();
}

}  // namespace quorvex::journal
