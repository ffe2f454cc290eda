#pragma once

#include "journal/ExportFormatWriter.h"
#include "journal/JournalReader.h"

#include <cstddef>
#include <string>

namespace quorvex::journal {

struct ExportCounts {
    std::size_t written = 0;
    std::size_t unplaced = 0;  // rows a GPX file cannot hold: no finite position
};

// Writes the filter's rows to the target in the format, through a temporary file beside it that
// is renamed into place once complete and on disk: the target is whole or untouched. Returns ""
// or what went wrong.
std::string exportJournal(JournalReader& reader, const JournalFilter& filter, ExportFormat format,
                          const std::string& target, ExportCounts& counts);

}  // namespace quorvex::journal
