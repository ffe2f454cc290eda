#pragma once

#include "console/RunAlarms.h"
#include "console/RunSnapshot.h"

#include <QString>

#include <span>
#include <string>

namespace quorvex::console {

// The run's report as HTML for a printed page: the route and the run, the chart (the image
// resource "chart.png"), the markers with their times and speeds, the alarms and their
// acknowledgements.
QString runReportHtml(const RunSnapshot& run, std::span<const RunAlarm> alarms);

// Writes the report by the file's extension: a PDF, or the run as CSV (.csv) or GeoJSON
// (.geojson, .json). "" or what went wrong.
std::string writeRunReport(const RunSnapshot& run, std::span<const RunAlarm> alarms, const QString& path);

}  // namespace quorvex::console
