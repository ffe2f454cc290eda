#include "journal/ExportOptions.h"

#include "journal/ExportText.h"
#include "journal/JournalExport.h"

#include <charconv>

namespace quorvex::journal {

namespace {

// The value of an option at args[i], moving past it; nothing when the option ends the line.
std::optional<std::string_view> valueAfter(std::span<const std::string_view> args, std::size_t& i) {
    if (i + 1 >= args.size()) {
        return std::nullopt;
    }
    return args[++i];
}

std::string readTime(std::string_view name, std::string_view value, std::optional<Microseconds>& time) {
    time = parseIsoUtc(value);
    return time ? std::string()
                : std::string(name) + " " + std::string(value) + ": not a UTC time like 2026-12-07T10:00:00Z";
}

// A positive whole number, or nothing.
std::optional<std::int64_t> readId(std::string_view value) {
    std::int64_t id = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), id);
    return error == std::errc() && end == value.data() + value.size() && id >= 1 ? std::optional(id)
                                                                                 : std::nullopt;
}

std::string readSession(std::string_view value, ExportOptions& options) {
    if (value == "last") {
        options.lastSession = true;
        return {};
    }
    options.filter.session = readId(value);
    return options.filter.session ? std::string()
                                  : "--session " + std::string(value) + ": not a session number or \"last\"";
}

std::string readRun(std::string_view value, ExportOptions& options) {
    if (value == "last") {
        options.lastRun = true;
        return {};
    }
    options.run = readId(value);
    return options.run ? std::string() : "--run " + std::string(value) + ": not a run number or \"last\"";
}

// A run is written whole: the rows' filters and GPX's waypoints do not apply to it.
std::string checkRun(const ExportOptions& options) {
    if (!options.run && !options.lastRun) {
        return {};
    }
    if (options.filter.session || options.lastSession || options.filter.from || options.filter.to) {
        return "--run takes no --session, --from or --to: a run is written whole";
    }
    return options.format == ExportFormat::Gpx ? "--run writes csv or geojson, not gpx" : std::string();
}

std::string readOption(std::string_view name, std::string_view value, ExportOptions& options,
                       std::optional<ExportFormat>& format) {
    if (name == "--journal") {
        options.journal = std::string(value);
    } else if (name == "--format") {
        format = exportFormatNamed(value);
        return format ? std::string() : "--format " + std::string(value) + ": csv, gpx or geojson";
    } else if (name == "--from") {
        return readTime(name, value, options.filter.from);
    } else if (name == "--to") {
        return readTime(name, value, options.filter.to);
    } else if (name == "--session") {
        return readSession(value, options);
    } else if (name == "--run") {
        return readRun(value, options);
    } else {
        return "unknown option " + std::string(name);
    }
    return {};
}

}  // namespace

std::string parseExportOptions(std::span<const std::string_view> args, ExportOptions& options) {
    std::optional<ExportFormat> format;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "-v" || arg == "--version") {
            options.version = true;
        } else if (arg.starts_with("--")) {
            const auto value = valueAfter(args, i);
            if (!value) {
                return std::string(arg) + " needs a value";
            }
            if (std::string error = readOption(arg, *value, options, format); !error.empty()) {
                return error;
            }
        } else if (options.output.empty()) {
            options.output = std::string(arg);
        } else {
            return "one output file only: " + std::string(arg);
        }
    }
    if (options.help || options.version) {
        return {};
    }
    if (options.output.empty()) {
        return "give the file to write";
    }
    format = format ? format : exportFormatOfFile(options.output);
    if (!format) {
        return options.output == StandardOutput
                   ? "give --format csv|gpx|geojson to write to standard output"
                   : "give --format csv|gpx|geojson, or name the file .csv, .gpx or .geojson";
    }
    options.format = *format;
    return checkRun(options);
}

std::string exportHelp() {
    return R"(Usage: quorvex-export [options] FILE

Writes the passages, ignored events and recording triggers of the passage journal, each with its
kind, to FILE as CSV (RFC 4180), GPX 1.1 waypoints or GeoJSON (RFC 7946), oldest first, times in
ISO 8601 UTC, numbers with a dot, every row with the journal's UUID. The file is written beside
its place under a temporary name and renamed when complete; FILE - is standard output. Rows
without a position (no GPS fix, a trigger) have empty cells in CSV and no geometry in GeoJSON,
and are left out of GPX; the count is told. A CSV cell that starts with =, +, - or @ is written
with an apostrophe first, so a spreadsheet does not take it for a formula.

  --journal PATH        the journal (default: $QUORVEX_JOURNAL, else
                        $XDG_DATA_HOME/quorvex/journal.sqlite3, else
                        ~/.local/share/quorvex/journal.sqlite3)
  --format F            csv, gpx or geojson (default: by FILE's ending, in any case)
  --from TIME           rows at or after TIME (2026-12-07 or 2026-12-07T10:00:00Z, UTC)
  --to TIME             rows before TIME
  --session N|last      one session only
  --run ID|last         in place of the rows, the pig run ID kept in the journal (last: the
                        newest), as CSV (a line per marker: chainage, time passed, speed, ETA,
                        state) or GeoJSON (the route, its markers, the passages, the pig's
                        estimated place and the overdue alarms)
  -h, --help            this text
  -v, --version         the program's version

Exit codes: 0 written; 1 the journal could not be read or the file not written; 2 bad command line
or no such run kept.

Examples:
  quorvex-export today.csv --from 2026-12-07                 the passages since a day began
  quorvex-export site-7.gpx --session last                   the last session, as waypoints
  quorvex-export - --format geojson --journal ~/site-7.sqlite3 | jq '.features | length'
  quorvex-export run.geojson --run last                      the newest pig run, for a map
)";
}

}  // namespace quorvex::journal
