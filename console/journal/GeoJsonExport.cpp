#include "console/journal/GeoJsonExport.h"

#include "console/journal/ExportText.h"

#include <cmath>
#include <cstdio>

namespace quorvex::journal {

namespace {

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

std::string geometry(const EventRow& event) {
    if (!event.latitude || !event.longitude || !std::isfinite(*event.latitude) ||
        !std::isfinite(*event.longitude)) {
        return "null";
    }
    std::string point =
        "{\"type\":\"Point\",\"coordinates\":[" + decimal(*event.longitude) + "," + decimal(*event.latitude);
    if (event.elevation && std::isfinite(*event.elevation)) {
        point += "," + decimal(*event.elevation);
    }
    return point + "]}";
}

}  // namespace

void GeoJsonExport::begin(std::string& out) {
    out += "{\"type\":\"FeatureCollection\",\"features\":[";
}

bool GeoJsonExport::row(const JournalEntry& entry, std::string& out) {
    const EventRow& event = entry.event;
    out += first_ ? "\n" : ",\n";
    first_ = false;
    out += "{\"type\":\"Feature\",\"id\":" + std::to_string(entry.id) + ",\"geometry\":" + geometry(event);
    out += ",\"properties\":{\"session\":" + std::to_string(entry.session);
    out += ",\"kind\":" + jsonText(std::string(kindName(event.kind)));
    out += ",\"time\":" + (event.unitTime ? jsonText(isoUtc(*event.unitTime)) : std::string("null"));
    out += ",\"received\":" + jsonText(isoUtc(event.received));
    out += ",\"channel\":" + jsonInteger(event.channel) + ",\"channelName\":" + jsonText(event.channelName);
    out += ",\"gpsQuality\":" + jsonInteger(event.gpsQuality) + ",\"hdop\":" + jsonNumber(event.hdop);
    out += ",\"folder\":" + jsonText(event.folder) + ",\"model\":" + jsonText(entry.model);
    out += ",\"serialNumber\":" + jsonText(entry.serialNumber) + ",\"port\":" + jsonText(entry.port);
    out += ",\"note\":" + jsonText(event.note) + "}}";
    return true;
}

void GeoJsonExport::end(std::string& out) {
    out += "\n]}\n";
}

}  // namespace quorvex::journal
