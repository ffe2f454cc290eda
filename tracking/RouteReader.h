#pragma once

#include "tracking/Route.h"
#include "tracking/RouteDraft.h"

#include <filesystem>
#include <optional>
#include <string>

namespace quorvex::tracking {

// Reads a route file with GDAL: GeoJSON, GPX (a route or a track; waypoints are the markers),
// KML, Shapefile (a folder of them: the line and the markers are separate files) and GeoPackage.
// Lines (LineString, MultiLineString) are the line's parts in the file's order; points with a
// "name" (and optionally a "chainage" in metres) are the markers. Positions are taken to WGS84,
// longitude and latitude in that order whatever the file's axes. Returns an error text or "".
std::string readRouteDraft(const std::filesystem::path& path, RouteDraft& draft);

// readRouteDraft, then buildRoute.
std::string readRoute(const std::filesystem::path& path, const RouteLimits& limits,
                      std::optional<Route>& route);

}  // namespace quorvex::tracking
