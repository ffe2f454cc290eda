#include "journal/CsvExport.h"

#include "journal/ExportText.h"

namespace quorvex::journal {

namespace {

// Control bytes are written as "\x01" (line ends and tabs stay), and a cell a spreadsheet would
// take for a formula (=, +, -, @, or a tab or carriage return first) starts with an apostrophe,
// as spreadsheet makers advise. Numbers are written by numberField and stay numbers.
std::string safeText(const std::string& value) {
    std::string text;
    if (!value.empty() && std::string_view("=+-@\t\r").find(value.front()) != std::string_view::npos) {
        text += '\'';
    }
    for (const char c : validUtf8(value)) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7F) {
            text += escapedByte(byte);
        } else {
            text += c;
        }
    }
    return text;
}

void numberField(std::string& out, const std::string& text) {
    out += text;
    out += ',';
}

void field(std::string& out, const std::string& value, bool last = false) {
    const std::string text = safeText(value);
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

std::string optionalNumber(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : std::string();
}

// A value the unit sent as a float; a row without a fix has none.
std::string unitNumber(const std::optional<double>& value) {
    return value ? unitDecimal(*value) : std::string();
}

}  // namespace

void CsvExport::begin(std::string& out) {
    out +=
        "id,session,kind,unit_time_utc,received_utc,channel,channel_name,latitude,longitude,elevation,"
        "gps_quality,hdop,folder,model,serial_number,port,note,journal\r\n";
}

bool CsvExport::row(const JournalEntry& entry, std::string& out) {
    const EventRow& event = entry.event;
    numberField(out, std::to_string(entry.id));
    numberField(out, std::to_string(entry.session));
    field(out, std::string(kindName(event.kind)));
    numberField(out, event.unitTime ? isoUtc(*event.unitTime) : std::string());
    numberField(out, isoUtc(event.received));
    numberField(out, optionalNumber(event.channel));
    field(out, event.channelName);
    numberField(out, unitNumber(event.latitude));
    numberField(out, unitNumber(event.longitude));
    numberField(out, unitNumber(event.elevation));
    numberField(out, optionalNumber(event.gpsQuality));
    numberField(out, unitNumber(event.hdop));
    field(out, event.folder);
    field(out, entry.model);
    field(out, entry.serialNumber);
    field(out, entry.port);
    field(out, event.note);
    field(out, entry.journal, true);
    return true;
}

}  // namespace quorvex::journal
