#include "controlroom/FeedPassage.h"

#include "journal/ExportText.h"
#include "journal/JsonField.h"

#include <nlohmann/json.hpp>

namespace quorvex::link {

namespace {

using nlohmann::json;

using journal::optionalField;

std::string readPassage(std::string_view serialLevel, const json& object, FeedPassage& passage) {
    if (optionalField<std::string>(object, "kind") != "passage") {
        return "it is not a passage";
    }
    passage.id = object.at("id").get<std::int64_t>();
    if (passage.id <= 0) {
        return "its id is not a row's";
    }
    passage.journal =
        optionalField<std::string>(object, "journal").value_or("unit:" + std::string(serialLevel));
    const auto time = optionalField<std::string>(object, "time");
    const auto micros = time ? journal::parseIsoUtc(*time) : std::nullopt;
    if (!micros) {
        return "it has no time";
    }
    passage.timeMicros = *micros;
    passage.latitude = optionalField<double>(object, "latitude");
    passage.longitude = optionalField<double>(object, "longitude");
    if (passage.latitude.has_value() != passage.longitude.has_value()) {
        return "its position is half a position";
    }
    passage.channelName = optionalField<std::string>(object, "channelName").value_or("");
    const auto unit = object.find("unit");
    const auto serial = unit != object.end() && unit->is_object()
                            ? optionalField<std::string>(*unit, "serialNumber")
                            : std::nullopt;
    passage.unit = serial.value_or(std::string(serialLevel));
    return "";
}

}  // namespace

std::string parseFeedPassage(std::string_view serialLevel, std::string_view payload, FeedPassage& passage) {
    if (payload.size() > MaxFeedMessageBytes) {
        return "a message of " + std::to_string(payload.size()) + " bytes is too big";
    }
    try {
        const json object = json::parse(payload);
        if (!object.is_object()) {
            return "the message is not a JSON object";
        }
        return readPassage(serialLevel, object, passage);
    } catch (const json::exception& error) {
        return std::string("the message is not a unit's passage: ") + error.what();
    }
}

}  // namespace quorvex::link
