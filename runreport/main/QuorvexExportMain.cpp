// quorvex-export: the passage journal as CSV, GPX or GeoJSON, for the pipeline's control room;
// or one pig run kept in it, as CSV or GeoJSON.
#include "journal/ExportOptions.h"
#include "journal/JournalExport.h"
#include "journal/JournalLocation.h"
#include "runreport/KeptRunReport.h"
#include "support/version/Version.h"

#include <chrono>
#include <iostream>
#include <vector>

using namespace quorvex::journal;

namespace {

// Says what went wrong and gives the exit status.
int failed(const std::string& error, int status) {
    std::cerr << "quorvex-export: " << error << std::endl;
    return status;
}

// The run the options name: 2 when the journal keeps no such run.
int exportRun(JournalReader& reader, const std::string& path, const ExportOptions& options) {
    std::optional<std::int64_t> id = options.run;
    if (options.lastRun) {
        if (const std::string error = reader.lastRun(id); !error.empty()) {
            return failed(path + ": " + error, 1);
        }
        if (!id) {
            return failed(path + ": no pig run kept in this journal", 2);
        }
    }
    std::optional<RunRecord> record;
    if (const std::string error = reader.readRun(*id, record); !error.empty()) {
        return failed(path + ": " + error, 1);
    }
    if (!record) {
        return failed(path + ": no run " + std::to_string(*id) + " kept in this journal", 2);
    }
    std::string text;
    const auto now =
        std::chrono::time_point_cast<std::chrono::microseconds>(std::chrono::system_clock::now());
    if (const std::string error = quorvex::runreport::keptRunReport(*record, options.format, now, text);
        !error.empty()) {
        return failed("run " + std::to_string(*id) + " cannot be made whole again: " + error, 1);
    }
    if (const std::string error = exportText(std::move(text), options.output); !error.empty()) {
        return failed(error, 1);
    }
    std::cerr << "quorvex-export: run " << *id << " written to "
              << (options.output == StandardOutput ? "standard output" : options.output) << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    ExportOptions options;
    if (const std::string error = parseExportOptions(args, options); !error.empty()) {
        std::cerr << "quorvex-export: " << error << "\nTry quorvex-export --help." << std::endl;
        return 2;
    }
    if (options.help || options.version) {
        std::cout << (options.help ? exportHelp() : "quorvex-export " + std::string(quorvex::Version) + "\n");
        return 0;
    }
    const auto path = journalPath(options.journal, false);
    if (!path) {
        std::cerr << "quorvex-export: no journal: give --journal PATH" << std::endl;
        return 1;
    }
    JournalReader reader;
    if (const std::string error = reader.open(*path); !error.empty()) {
        std::cerr << "quorvex-export: " << error << std::endl;
        return 1;
    }
    if (options.run || options.lastRun) {
        return exportRun(reader, *path, options);
    }
    if (options.lastSession) {
        options.filter.session = reader.lastSession().value_or(0);
    }
    ExportCounts counts;
    if (const std::string error =
            exportJournal(reader, options.filter, options.format, options.output, counts);
        !error.empty()) {
        std::cerr << "quorvex-export: " << error << std::endl;
        return 1;
    }
    std::cerr << "quorvex-export: " << counts.written << " rows written to "
              << (options.output == StandardOutput ? "standard output" : options.output);
    if (counts.unplaced > 0) {
        std::cerr << "; " << counts.unplaced << " without a position"
                  << (options.format == ExportFormat::Gpx ? " left out" : "");
    }
    std::cerr << std::endl;
    return 0;
}
