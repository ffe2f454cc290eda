#pragma once

#include "journal/ExportFormatWriter.h"

namespace quorvex::journal {

// RFC 7946: a FeatureCollection with one Point feature per row ([longitude, latitude,
// elevation]); a row without a place a map can show has a null geometry. Each feature's
// properties name its journal by UUID.
class GeoJsonExport final : public ExportFormatWriter {
public:
    void begin(std::string& out) override;
    bool row(const JournalEntry& entry, std::string& out) override;
    void end(std::string& out) override;

private:
    bool first_ = true;
};

}  // namespace quorvex::journal
