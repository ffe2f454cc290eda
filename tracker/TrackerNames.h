#pragma once

#include <string>

namespace quorvex::tracker {

// A name an operator gives a route or a run: it becomes a file name and a topic level, so only
// letters, digits, '.', '_' and '-' (at most 64, no leading dot); "" or why refused.
std::string checkName(const std::string& what, const std::string& name);

// A route's file name: a good name whose extension GDAL reads from one file
// (.geojson, .json, .gpx, .kml, .gpkg); "" or why refused.
std::string checkRouteFileName(const std::string& fileName);

}  // namespace quorvex::tracker
