#include "journal/ExportFormatWriter.h"

#include "journal/CsvExport.h"
#include "journal/GeoJsonExport.h"
#include "journal/GpxExport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace quorvex::journal {

namespace {

constexpr std::array<std::pair<std::string_view, ExportFormat>, 4> Endings = {{
    {".csv", ExportFormat::Csv},
    {".gpx", ExportFormat::Gpx},
    {".geojson", ExportFormat::GeoJson},
    {".json", ExportFormat::GeoJson},
}};

}  // namespace

std::optional<ExportFormat> exportFormatNamed(std::string_view name) {
    for (const auto& [ending, format] : Endings) {
        if (ending.substr(1) == name && ending != ".json") {
            return format;
        }
    }
    return std::nullopt;
}

std::optional<ExportFormat> exportFormatOfFile(std::string_view path) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (const auto& [ending, format] : Endings) {
        if (path.size() >= ending.size() &&
            std::equal(ending.begin(), ending.end(), path.end() - static_cast<std::ptrdiff_t>(ending.size()),
                       [&](char want, char have) { return want == lower(have); })) {
            return format;
        }
    }
    return std::nullopt;
}

bool hasPoint(const EventRow& event) {
    return event.latitude && event.longitude && std::isfinite(*event.latitude) &&
           std::isfinite(*event.longitude) && std::abs(*event.latitude) <= 90.0 &&
           std::abs(*event.longitude) <= 180.0;
}

std::unique_ptr<ExportFormatWriter> makeExportFormatWriter(ExportFormat format) {
    switch (format) {
        case ExportFormat::Gpx:
            return std::make_unique<GpxExport>();
        case ExportFormat::GeoJson:
            return std::make_unique<GeoJsonExport>();
        case ExportFormat::Csv:
            break;
    }
    return std::make_unique<CsvExport>();
}

std::string rowDescription(const JournalEntry& entry) {
    const EventRow& event = entry.event;
    std::string text = "Channel " + (event.channel ? std::to_string(*event.channel) : std::string("?"));
    if (!event.channelName.empty()) {
        text += " (" + event.channelName + ")";
    }
    if (!event.folder.empty()) {
        text += ", folder " + event.folder;
    }
    if (!entry.model.empty()) {
        text += ", unit " + entry.model + (entry.serialNumber.empty() ? "" : " " + entry.serialNumber);
    }
    if (!event.note.empty()) {
        text += ", note: " + event.note;
    }
    return text;
}

}  // namespace quorvex::journal
