#include "journal/GeoJsonExport.h"

#include "journal/ExportText.h"
#include "journal/JsonText.h"

#include <cmath>

namespace quorvex::journal {

namespace {

std::string geometry(const EventRow& event) {
    if (!hasPoint(event)) {
        return "null";
    }
    std::string point = "{\"type\":\"Point\",\"coordinates\":[" + unitDecimal(*event.longitude) + "," +
                        unitDecimal(*event.latitude);
    if (event.elevation && std::isfinite(*event.elevation)) {
        point += "," + unitDecimal(*event.elevation);
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
    out += ",\"properties\":{\"journal\":" + jsonText(entry.journal) +
           ",\"session\":" + std::to_string(entry.session);
    out += ",\"kind\":" + jsonText(std::string(kindName(event.kind)));
    out += ",\"time\":" + (event.unitTime ? jsonText(isoUtc(*event.unitTime)) : std::string("null"));
    out += ",\"received\":" + jsonText(isoUtc(event.received));
    out += ",\"channel\":" + jsonInteger(event.channel) + ",\"channelName\":" + jsonText(event.channelName);
    out += ",\"gpsQuality\":" + jsonInteger(event.gpsQuality) + ",\"hdop\":" + jsonUnitNumber(event.hdop);
    out += ",\"folder\":" + jsonText(event.folder) + ",\"model\":" + jsonText(entry.model);
    out += ",\"serialNumber\":" + jsonText(entry.serialNumber) + ",\"port\":" + jsonText(entry.port);
    out += ",\"note\":" + jsonText(event.note) + "}}";
    return true;
}

void GeoJsonExport::end(std::string& out) {
    out += "\n]}\n";
}

}  // namespace quorvex::journal
