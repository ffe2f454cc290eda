#pragma once

#include "journal/ExportFormatWriter.h"

namespace quorvex::journal {

// RFC 4180: a header row, CRLF line ends, fields quoted when they hold a comma, quote or line end.
// The last column names the journal by its UUID.
class CsvExport final : public ExportFormatWriter {
public:
    void begin(std::string& out) override;
    bool row(const JournalEntry& entry, std::string& out) override;
    void end(std::string&) override {}
};

}  // namespace quorvex::journal
