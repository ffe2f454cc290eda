#include "tracking/RouteCommand.h"

#include "support/version/Version.h"
#include "tracking/RouteReader.h"
#include "tracking/TrackingText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quorvex::tracking {

namespace {

constexpr int badInput = 2;

struct RouteArgs {
    bool json = false;
    bool help = false;
    bool version = false;
    std::optional<double> near;
    std::vector<std::string_view> words;  // the command and its operands
};

std::string readArgs(std::span<const std::string_view> args, RouteArgs& parsed) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--json") {
            parsed.json = true;
        } else if (arg == "-h" || arg == "--help") {
            parsed.help = true;
        } else if (arg == "--version") {
            parsed.version = true;
        } else if (arg == "--near") {
            parsed.near = i + 1 < args.size() ? parseNumber(args[++i]) : std::nullopt;
            if (!parsed.near) {
                return "--near needs a chainage in metres";
            }
        } else if (arg.starts_with("--")) {
            return "unknown option " + std::string(arg);
        } else {
            parsed.words.push_back(arg);  // "-34.5" is a latitude, not an option
        }
    }
    return {};
}

// Names go out one per line between tabs: a tab or line break inside one would split it.
std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    return text;
}

// To the centimetre, written as its shortest decimal (60367.88, not 60367.880000000005).
double centimetres(double metres) {
    return std::round(metres * 100) / 100;
}

void writeInfo(const Route& route, bool json, std::ostream& out) {
    if (!json) {
        out << formatMetres(route.lengthMetres()) << '\n';
        for (const Marker& marker : route.markers()) {
            out << oneLine(marker.name) << '\t' << formatMetres(marker.chainageMetres) << '\n';
        }
        return;
    }
    nlohmann::ordered_json markers = nlohmann::ordered_json::array();
    for (const Marker& marker : route.markers()) {
        markers.push_back({{"name", marker.name},
                           {"chainage_m", centimetres(marker.chainageMetres)},
                           {"surveyed", marker.surveyed},
                           {"off_line_m", centimetres(marker.offLineMetres)},
                           {"lat", marker.position.lat},
                           {"lon", marker.position.lon}});
    }
    const nlohmann::ordered_json info = {{"name", route.name()},
                                         {"length_m", centimetres(route.lengthMetres())},
                                         {"vertices", route.line().size()},
                                         {"markers", markers}};
    out << info.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void writeLocation(const RoutePosition& at, bool json, std::ostream& out) {
    if (!json) {
        out << formatMetres(at.chainageMetres) << '\t' << formatMetres(at.offRouteMetres) << '\n';
        return;
    }
    const nlohmann::ordered_json location = {{"chainage_m", centimetres(at.chainageMetres)},
                                             {"off_route_m", centimetres(at.offRouteMetres)},
                                             {"foot", {{"lat", at.foot.lat}, {"lon", at.foot.lon}}}};
    out << location.dump(2) << '\n';
}

std::string readPosition(std::string_view lat, std::string_view lon, GeoPoint& position) {
    const auto latitude = parseNumber(lat);
    const auto longitude = parseNumber(lon);
    if (!latitude || std::abs(*latitude) > 90) {
        return "latitude " + std::string(lat) + ": not a number of degrees from -90 to 90";
    }
    if (!longitude || std::abs(*longitude) > 180) {
        return "longitude " + std::string(lon) + ": not a number of degrees from -180 to 180";
    }
    position = {*latitude, *longitude};
    return {};
}

std::string run(const RouteArgs& args, std::ostream& out) {
    const std::string_view command = args.words.empty() ? "" : args.words[0];
    const std::size_t operands = command == "info" ? 2 : command == "locate" ? 4 : 0;
    if (operands == 0) {
        return args.words.empty() ? "no command: info or locate" : "unknown command " + std::string(command);
    }
    if (args.words.size() != operands) {
        return command == "info" ? "usage: quorvex-route info ROUTE"
                                 : "usage: quorvex-route locate ROUTE LAT LON";
    }
    GeoPoint position;
    if (command == "locate") {
        if (std::string error = readPosition(args.words[2], args.words[3], position); !error.empty()) {
            return error;
        }
    }
    const std::string path(args.words[1]);
    std::optional<Route> route;
    if (std::string error = readRoute(path, RouteLimits{}, route); !error.empty()) {
        return path + ": " + error;
    }
    if (command == "info") {
        writeInfo(*route, args.json, out);
    } else {
        writeLocation(args.near ? route->locate(position, {*args.near}) : route->locate(position), args.json,
                      out);
    }
    return {};
}

}  // namespace

std::string_view routeCommandHelp() {
    return "Usage: quorvex-route [--json] info ROUTE\n"
           "  or:  quorvex-route [--json] locate ROUTE LAT LON [--near CHAINAGE]\n"
           "Answers from a pipeline's route file (GeoJSON, GPX, KML, Shapefile, GeoPackage): the\n"
           "centreline, and points with a name (and optionally a surveyed chainage) as markers.\n"
           "\n"
           "Commands:\n"
           "  info ROUTE              the route's length in metres on the first line, then each\n"
           "                          marker's name and chainage in metres, tab-separated\n"
           "  locate ROUTE LAT LON    the chainage of a WGS84 position and its distance off the\n"
           "                          route, in metres, tab-separated\n"
           "\n"
           "Options:\n"
           "  --json                  the answer as JSON\n"
           "  --near CHAINAGE         where a route doubles back near itself, take the leg\n"
           "                          nearest this chainage (metres)\n"
           "  -h, --help              this help\n"
           "  --version               the program's version\n"
           "\n"
           "Lengths are geodesic on WGS84. A marker more than 100 m from the line, or a gap of more\n"
           "than 50 m between the parts of the line, is refused. Exit status: 0, or 2 for bad input.\n";
}

int runRouteCommand(std::span<const std::string_view> args, std::ostream& out, std::ostream& error) {
    RouteArgs parsed;
    std::string problem = readArgs(args, parsed);
    if (problem.empty() && (parsed.help || parsed.version)) {
        out << (parsed.help ? std::string(routeCommandHelp())
                            : "quorvex-route " + std::string(Version) + "\n");
        return 0;
    }
    if (problem.empty()) {
        problem = run(parsed, out);
    }
    if (!problem.empty()) {
        error << "quorvex-route: " << problem << "\nTry quorvex-route --help." << std::endl;
        return badInput;
    }
    return 0;
}

}  // namespace quorvex::tracking
