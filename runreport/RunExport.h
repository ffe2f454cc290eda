#pragma once

#include "runreport/RunAlarms.h"
#include "runreport/RunSnapshot.h"

#include <span>
#include <string>

namespace quorvex::runreport {

// The run for other programs, times in UTC, distances in metres, speeds in km/h.
// CSV (RFC 4180, CRLF): one line per marker of the pig's course.
std::string runCsv(const RunSnapshot& run);
// GeoJSON: the route's line, its markers with their times and state, the passages where they
// were reported, the pig's estimated place, and the alarms as the collection's "alarms".
std::string runGeoJson(const RunSnapshot& run, std::span<const RunAlarm> alarms);

}  // namespace quorvex::runreport
