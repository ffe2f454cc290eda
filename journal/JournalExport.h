#pragma once

#include "journal/ExportFormatWriter.h"
#include "journal/JournalReader.h"

#include <cstddef>
#include <functional>
#include <string>

namespace quorvex::journal {

struct ExportCounts {
    std::size_t written = 0;
    std::size_t unplaced = 0;  // rows without a place a map can show (hasPoint): GPX leaves them out
};

// The target that means standard output.
inline constexpr const char* StandardOutput = "-";

// Writes the filter's rows to the target in the format, through a temporary file beside it that
// is renamed into place once complete and on disk: the target is whole or untouched. "-" writes
// to standard output; a target that is not a regular file (a named pipe, a device) is refused.
// Returns "" or what went wrong. `stopped`, asked before each row, abandons the export: the
// target is left as it was and ExportCancelled returned.
std::string exportJournal(JournalReader& reader, const JournalFilter& filter, ExportFormat format,
                          const std::string& target, ExportCounts& counts,
                          const std::function<bool()>& stopped = {});

// Writes the text to the target as exportJournal writes rows: whole or not at all.
std::string exportText(std::string text, const std::string& target);

inline constexpr const char* ExportCancelled = "the export was cancelled";

}  // namespace quorvex::journal
