#pragma once

#include "journal/ExportFormatWriter.h"
#include "journal/RunRecord.h"
#include "tracking/RunPlan.h"

#include <string>

namespace quorvex::runreport {

// A run kept in the journal, made whole again and written as the Run tab writes it: CSV or
// GeoJSON. A run that has ended is told as it stood at its end, one still going as it stands
// at `now`. "" with the text, else why the run cannot be made whole (a route that no longer
// builds).
std::string keptRunReport(const journal::RunRecord& record, journal::ExportFormat format,
                          tracking::UtcTime now, std::string& text);

}  // namespace quorvex::runreport
