#include "journal/CsvExport.h"

#include "journal/ExportText.h"

namespace quorvex::journal {

namespace {

void field(std::string& out, const std::string& value, bool last = false) {
    const std::string text = validUtf8(value);
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        out += text;
    } else {
        out += '"';
        for (const char c : text) {
            out += c == '"' ? "\"\"" : std::string(1, c);
        }
        out += '"';
    }
    out += last ? "\r\n" : ",";
}

template <typename Number>
std::string optionalNumber(const std::optional<Number>& value) {
    if (!value) {
        return {};
    }
    if constexpr (std::is_floating_point_v<Number>) {
        return decimal(*value);
    } else {
        return std::to_string(*value);
    }
}

}  // namespace

void CsvExport::begin(std::string& out) {
    out +=
        "id,session,kind,unit_time_utc,received_utc,channel,channel_name,latitude,longitude,elevation,"
        "gps_quality,hdop,folder,model,serial_number,port,note\r\n";
}

bool CsvExport::row(const JournalEntry& entry, std::string& out) {
    const EventRow& event = entry.event;
    field(out, std::to_string(entry.id));
    field(out, std::to_string(entry.session));
    field(out, std::string(kindName(event.kind)));
    field(out, event.unitTime ? isoUtc(*event.unitTime) : std::string());
    field(out, isoUtc(event.received));
    field(out, optionalNumber(event.channel));
    field(out, event.channelName);
    field(out, optionalNumber(event.latitude));
    field(out, optionalNumber(event.longitude));
    field(out, optionalNumber(event.elevation));
    field(out, optionalNumber(event.gpsQuality));
    field(out, optionalNumber(event.hdop));
    field(out, event.folder);
    field(out, entry.model);
    field(out, entry.serialNumber);
    field(out, entry.port);
    field(out, event.note, true);
    return true;
}

}  // namespace quorvex::journal
