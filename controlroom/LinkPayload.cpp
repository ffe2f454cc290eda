#include "controlroom/LinkPayload.h"

#include "journal/ExportText.h"
#include "journal/JsonText.h"

namespace quorvex::link {

using namespace journal;

std::string topicOf(const std::string& prefix, const std::string& serialNumber, std::string_view leaf) {
    std::string segment = serialNumber.empty() ? std::string("unknown") : serialNumber;
    for (char& c : segment) {
        if (c == '/' || c == '+' || c == '#') {
            c = '_';
        }
    }
    return prefix + "/" + segment + "/" + std::string(leaf);
}

std::string eventPayload(const JournalEntry& entry) {
    const EventRow& event = entry.event;
    std::string json = "{\"id\":" + std::to_string(entry.id);
    json += ",\"kind\":" + jsonText(std::string(kindName(event.kind)));
    json += ",\"time\":" + (event.unitTime ? jsonText(isoUtc(*event.unitTime)) : std::string("null"));
    json += ",\"received\":" + jsonText(isoUtc(event.received));
    json += ",\"channel\":" + jsonInteger(event.channel) + ",\"channelName\":" + jsonText(event.channelName);
    json += ",\"latitude\":" + jsonNumber(event.latitude) + ",\"longitude\":" + jsonNumber(event.longitude);
    json +=
        ",\"elevation\":" + jsonNumber(event.elevation) + ",\"gpsQuality\":" + jsonInteger(event.gpsQuality);
    json += ",\"hdop\":" + jsonNumber(event.hdop) + ",\"folder\":" + jsonText(event.folder);
    json +=
        ",\"unit\":{\"model\":" + jsonText(entry.model) + ",\"serialNumber\":" + jsonText(entry.serialNumber);
    json += "},\"session\":" + std::to_string(entry.session) + "}";
    return json;
}

std::string statusPayload(const UnitStatus& status, Microseconds now) {
    std::string json = "{\"connection\":" + jsonText(status.connection);
    json += ",\"model\":" + jsonText(status.model) + ",\"firmware\":" + jsonText(status.firmware);
    json += ",\"battery\":" + jsonNumber(status.battery);
    json += ",\"gps\":{\"quality\":" + jsonInteger(status.gpsQuality) +
            ",\"latitude\":" + jsonNumber(status.latitude);
    json += ",\"longitude\":" + jsonNumber(status.longitude) + "},\"updated\":" + jsonText(isoUtc(now)) + "}";
    return json;
}

}  // namespace quorvex::link
