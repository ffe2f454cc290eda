#pragma once

#include "runreport/RunAlarms.h"
#include "runreport/RunSnapshot.h"

#include <QString>

#include <span>
#include <string>

namespace quorvex::console {

// The run's report as HTML for a printed page: the route and the run, the chart (the image
// resource "chart.png"), the markers with their times and speeds, the alarms and their
// acknowledgements.
QString runReportHtml(const runreport::RunSnapshot& run, std::span<const runreport::RunAlarm> alarms);

// Writes the report by the file's extension: a PDF, or the run as CSV (.csv) or GeoJSON
// (.geojson, .json). "" or what went wrong.
std::string writeRunReport(const runreport::RunSnapshot& run, std::span<const runreport::RunAlarm> alarms,
                           const QString& path);

}  // namespace quorvex::console
