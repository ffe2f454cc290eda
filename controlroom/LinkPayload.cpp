#include "controlroom/LinkPayload.h"

#include "journal/ExportText.h"
#include "journal/JsonText.h"

namespace quorvex::link {

using namespace journal;

namespace {

// The length of the UTF-8 sequence starting at `at` when it encodes a character a topic level
// may hold (printable, no wildcard, separator or escape), else 0.
std::size_t plainCharacter(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        return lead >= 0x20 && lead != 0x7F && lead != '/' && lead != '+' && lead != '#' && lead != '%' ? 1
                                                                                                        : 0;
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > text.size()) {
        return 0;
    }
    char32_t code = lead & (0x3F >> (length - 1));
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool control = code <= 0x9F;
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    const bool nonCharacter = (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
    return code < shortest[length] || code > 0x10FFFF || control || surrogate || nonCharacter ? 0 : length;
}

}  // namespace

std::string topicLevel(std::string_view text) {
    if (text.empty()) {
        return "unknown";
    }
    std::string level;
    for (std::size_t at = 0; at < text.size();) {
        if (const std::size_t length = plainCharacter(text, at); length > 0) {
            level.append(text.substr(at, length));
            at += length;
            continue;
        }
        constexpr char hex[] = "0123456789ABCDEF";
        const auto byte = static_cast<unsigned char>(text[at++]);
        level += {'%', hex[byte >> 4], hex[byte & 0xF]};
    }
    return level;
}

std::string topicOf(const std::string& prefix, const std::string& serialNumber, std::string_view leaf) {
    return prefix + "/" + topicLevel(serialNumber) + "/" + std::string(leaf);
}

std::string eventPayload(const JournalEntry& entry, const MessageStamp& stamp, const std::string& journalId) {
    const EventRow& event = entry.event;
    std::string json = "{\"id\":" + std::to_string(entry.id);
    json += ",\"journal\":" + (journalId.empty() ? std::string("null") : jsonText(journalId));
    json += ",\"kind\":" + jsonText(std::string(kindName(event.kind)));
    json += ",\"time\":" + (event.unitTime ? jsonText(isoUtc(*event.unitTime)) : std::string("null"));
    json += ",\"received\":" + jsonText(isoUtc(event.received));
    json += ",\"channel\":" + jsonInteger(event.channel) + ",\"channelName\":" + jsonText(event.channelName);
    json += ",\"latitude\":" + jsonUnitNumber(event.latitude) +
            ",\"longitude\":" + jsonUnitNumber(event.longitude);
    json += ",\"elevation\":" + jsonUnitNumber(event.elevation) +
            ",\"gpsQuality\":" + jsonInteger(event.gpsQuality);
    json += ",\"hdop\":" + jsonUnitNumber(event.hdop) + ",\"folder\":" + jsonText(event.folder);
    json +=
        ",\"unit\":{\"model\":" + jsonText(entry.model) + ",\"serialNumber\":" + jsonText(entry.serialNumber);
    json += "},\"session\":" + std::to_string(entry.session) + ",\"note\":" + jsonText(event.note);
    json += ",\"sequence\":" + std::to_string(stamp.sequence) + ",\"sent\":" + jsonText(isoUtc(stamp.sent));
    json += std::string(",\"historical\":") + (stamp.historical ? "true" : "false");
    json += std::string(",\"update\":") + (stamp.update ? "true" : "false") + "}";
    return json;
}

std::string statusPayload(const UnitStatus& status, const MessageStamp& stamp) {
    std::string json = "{\"connection\":" + jsonText(status.connection);
    json += ",\"model\":" + jsonText(status.model) + ",\"firmware\":" + jsonText(status.firmware);
    json += ",\"battery\":" + jsonNumber(status.battery);
    json += ",\"gps\":{\"quality\":" + jsonInteger(status.gpsQuality) +
            ",\"latitude\":" + jsonUnitNumber(status.latitude);
    json += ",\"longitude\":" + jsonUnitNumber(status.longitude) +
            "},\"updated\":" + jsonText(isoUtc(stamp.sent));
    json += ",\"sequence\":" + std::to_string(stamp.sequence) + "}";
    return json;
}

}  // namespace quorvex::link
