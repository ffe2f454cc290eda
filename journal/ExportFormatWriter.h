#pragma once

#include "journal/JournalRows.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex::journal {

enum class ExportFormat { Csv, Gpx, GeoJson };

// "csv", "gpx", "geojson".
std::optional<ExportFormat> exportFormatNamed(std::string_view name);
// By the file's ending, in any case: .csv, .gpx, .geojson or .json (x.CSV is CSV).
std::optional<ExportFormat> exportFormatOfFile(std::string_view path);

// Turns journal rows into one export format, appending to a text.
class ExportFormatWriter {
public:
    virtual ~ExportFormatWriter() = default;
    virtual void begin(std::string& out) = 0;
    // False when the format cannot hold the row (a waypoint needs a place).
    virtual bool row(const JournalEntry& entry, std::string& out) = 0;
    virtual void end(std::string& out) = 0;
};

std::unique_ptr<ExportFormatWriter> makeExportFormatWriter(ExportFormat format);

// Whether a row has a place a map can show: a finite latitude within ±90 and longitude within
// ±180. GPX leaves the others out and GeoJSON gives them no geometry; both count them.
bool hasPoint(const EventRow& event);

// What a person reads about a row: "Channel 3 (Korvid 3), folder F1, unit M450 123, note ...".
std::string rowDescription(const JournalEntry& entry);

}  // namespace quorvex::journal
