#pragma once

#include "journal/ExportFormatWriter.h"

namespace quorvex::journal {

// GPX 1.1: one waypoint per row with a place (position, elevation, UTC time, name, description,
// the journal's UUID as its source).
class GpxExport final : public ExportFormatWriter {
public:
    void begin(std::string& out) override;
    bool row(const JournalEntry& entry, std::string& out) override;
    void end(std::string& out) override;
};

}  // namespace quorvex::journal
