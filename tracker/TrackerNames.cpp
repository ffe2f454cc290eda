#include "tracker/TrackerNames.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace quorvex::tracker {

std::string checkName(const std::string& what, const std::string& name) {
    const bool good = !name.empty() && name.size() <= 64 && name.front() != '.' &&
                      std::all_of(name.begin(), name.end(), [](char c) {
                          return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                 c == '.' || c == '_' || c == '-';
                      });
    return good ? ""
                : "a " + what + " name is 1 to 64 letters, digits, '.', '_' or '-', not starting with '.'";
}

std::string checkRouteFileName(const std::string& fileName) {
    if (std::string error = checkName("route", fileName); !error.empty()) {
        return error;
    }
    constexpr std::array<std::string_view, 5> extensions = {".geojson", ".json", ".gpx", ".kml", ".gpkg"};
    const bool known = std::any_of(extensions.begin(), extensions.end(),
                                   [&](std::string_view extension) { return fileName.ends_with(extension); });
    return known ? "" : "a route file is .geojson, .json, .gpx, .kml or .gpkg";
}

}  // namespace quorvex::tracker
