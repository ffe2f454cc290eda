// quorvex-export: the passage journal as CSV, GPX or GeoJSON, for the pipeline's control room.
#include "journal/ExportOptions.h"
#include "journal/JournalExport.h"
#include "journal/JournalLocation.h"
#include "support/version/Version.h"

#include <iostream>
#include <vector>

int main(int argc, char** argv) {
    using namespace quorvex::journal;
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
