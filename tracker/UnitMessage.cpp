#include "tracker/UnitMessage.h"

#include "journal/ExportText.h"
#include "journal/JsonField.h"

#include <nlohmann/json.hpp>

namespace quorvex::tracker {

namespace {

using nlohmann::json;

using journal::optionalField;

std::string readEvent(std::string_view serialLevel, std::string_view leaf, const json& object,
                      UnitEvent& event) {
    event.id = object.at("id").get<std::int64_t>();
    // A laptop that does not know its journal yet: its rows are told apart by the unit's topic.
    event.journal =
        optionalField<std::string>(object, "journal").value_or("unit:" + std::string(serialLevel));
    event.kind = object.at("kind").get<std::string>();
    if (event.kind != leaf) {
        return "its kind \"" + event.kind + "\" is not its topic's";
    }
    event.serial = std::string(serialLevel);
    if (const auto time = optionalField<std::string>(object, "time")) {
        event.time = journal::parseIsoUtc(*time);
        if (!event.time) {
            return "its time \"" + *time + "\" is no time";
        }
    }
    event.latitude = optionalField<double>(object, "latitude");
    event.longitude = optionalField<double>(object, "longitude");
    event.marker = optionalField<std::string>(object, "channelName").value_or("");
    event.historical = optionalField<bool>(object, "historical").value_or(false);
    return event.id > 0 ? "" : "its id is not a row's";
}

void readStatus(const json& object, UnitReport& report) {
    report.status.connection = optionalField<std::string>(object, "connection").value_or("");
    report.status.model = optionalField<std::string>(object, "model").value_or("");
    report.status.firmware = optionalField<std::string>(object, "firmware").value_or("");
    report.status.battery = optionalField<double>(object, "battery");
    if (const auto gps = object.find("gps"); gps != object.end() && gps->is_object()) {
        report.status.gpsQuality = optionalField<std::int64_t>(*gps, "quality");
        report.status.latitude = optionalField<double>(*gps, "latitude");
        report.status.longitude = optionalField<double>(*gps, "longitude");
    }
    report.online = true;
}

}  // namespace

std::string parseUnitMessage(std::string_view serialLevel, std::string_view leaf, std::string_view payload,
                             UnitMessage& message) {
    if (payload.size() > MaxUnitMessageBytes) {
        return "a message of " + std::to_string(payload.size()) + " bytes is too big";
    }
    if (leaf == "status" && payload == "offline") {
        message = UnitReport{std::string(serialLevel), false, {}};
        return "";
    }
    try {
        const json object = json::parse(payload);
        if (!object.is_object()) {
            return "the message is not a JSON object";
        }
        if (leaf == "status") {
            UnitReport report{std::string(serialLevel), false, {}};
            readStatus(object, report);
            message = std::move(report);
            return "";
        }
        UnitEvent event;
        const std::string error = readEvent(serialLevel, leaf, object, event);
        message = std::move(event);
        return error;
    } catch (const json::exception& error) {
        return std::string("the message is not one of a unit: ") + error.what();
    }
}

}  // namespace quorvex::tracker
