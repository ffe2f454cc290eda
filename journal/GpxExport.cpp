#include "journal/GpxExport.h"

#include "journal/ExportText.h"

#include <cmath>

namespace quorvex::journal {

namespace {

// Text as XML 1.0 character data: markup escaped, and the control characters XML cannot hold
// left out.
std::string xmlText(const std::string& value) {
    std::string text;
    for (const char c : validUtf8(value)) {
        switch (c) {
            case '<':
                text += "&lt;";
                break;
            case '>':
                text += "&gt;";
                break;
            case '&':
                text += "&amp;";
                break;
            case '"':
                text += "&quot;";
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') {
                    text += c;
                }
        }
    }
    return text;
}

}  // namespace

void GpxExport::begin(std::string& out) {
    out +=
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx version=\"1.1\" creator=\"QUORVEX console\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
}

bool GpxExport::row(const JournalEntry& entry, std::string& out) {
    const EventRow& event = entry.event;
    if (!hasPoint(event)) {
        return false;
    }
    out += "  <wpt lat=\"" + unitDecimal(*event.latitude) + "\" lon=\"" + unitDecimal(*event.longitude) +
           "\">\n";
    if (event.elevation && std::isfinite(*event.elevation)) {
        out += "    <ele>" + unitDecimal(*event.elevation) + "</ele>\n";
    }
    out += "    <time>" + isoUtc(event.unitTime.value_or(event.received)) + "</time>\n";
    out += "    <name>" + std::string(kindName(event.kind)) + " " + std::to_string(entry.id) + "</name>\n";
    out += "    <desc>" + xmlText(rowDescription(entry)) + "</desc>\n";
    out += "    <src>journal " + xmlText(entry.journal) + "</src>\n";
    out += "    <type>" + std::string(kindName(event.kind)) + "</type>\n";
    out += "  </wpt>\n";
    return true;
}

void GpxExport::end(std::string& out) {
    out += "</gpx>\n";
}

}  // namespace quorvex::journal
