#include "simulator/RouteStand.h"

#include "simulator/UnitSimulator.h"
#include "tracking/RouteReader.h"
#include "tracking/TrackingText.h"

#include <cmath>
#include <ctime>
#include <functional>

namespace quorvex::simulator {

namespace {

using SystemTime = std::chrono::system_clock::time_point;

// A pig's pace wanders by this much either way from its planned speed.
constexpr double PaceVariation = 0.03;

std::optional<SystemTime> readUtc(std::string_view text) {
    std::tm parts{};
    char zone = 0;
    int consumed = 0;
    const std::string copy(text);
    if (std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%n", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &zone, &consumed) != 7 ||
        zone != 'Z' || static_cast<std::size_t>(consumed) != copy.size()) {
        return std::nullopt;
    }
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return std::chrono::system_clock::from_time_t(timegm(&parts));
}

std::string utcText(SystemTime time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// Between 1 - PaceVariation and 1 + PaceVariation, fixed by the two markers.
double paceFactor(const std::string& launch, const std::string& marker) {
    const std::size_t hash = std::hash<std::string>{}(launch + "\n" + marker);
    return 1 + PaceVariation * (static_cast<double>(hash % 2001) / 1000.0 - 1);
}

}  // namespace

bool readLaunch(std::string_view text, RouteStand& stand) {
    const std::size_t at = text.find('@');
    stand.launchMarker = std::string(text.substr(0, at));
    stand.launchAt.reset();
    stand.launchIn = std::chrono::seconds(0);
    if (stand.launchMarker.empty()) {
        return false;
    }
    if (at == std::string_view::npos) {
        return true;
    }
    const std::string_view when = text.substr(at + 1);
    if (when.starts_with('+')) {
        const auto seconds = tracking::parseNumber(when.substr(1));
        if (!seconds || *seconds < 0 || *seconds > 1e7) {
            return false;
        }
        stand.launchIn = std::chrono::seconds(std::lround(*seconds));
        return true;
    }
    stand.launchAt = readUtc(when);
    return stand.launchAt.has_value();
}

std::string planRoutePassage(const RouteStand& stand, SystemTime start, RoutePassagePlan& plan) {
    std::optional<tracking::Route> route;
    if (std::string error = tracking::readRoute(*stand.route, tracking::RouteLimits{}, route);
        !error.empty()) {
        return "route " + stand.route->string() + ": " + error;
    }
    if (route->markers().empty()) {
        return "route " + stand.route->string() + ": it has no markers";
    }
    const auto marker = route->markerNamed(stand.marker);
    const auto launch =
        stand.launchMarker.empty() ? std::optional<std::size_t>(0) : route->markerNamed(stand.launchMarker);
    if (!marker || !launch) {
        return "route " + stand.route->string() + " has no marker " +
               (marker ? stand.launchMarker : stand.marker);
    }
    const tracking::Marker& here = route->markers()[*marker];
    const tracking::Marker& from = route->markers()[*launch];
    const double metres = std::abs(here.chainageMetres - from.chainageMetres);
    const double seconds = metres / stand.metresPerSecond * paceFactor(from.name, here.name);
    const SystemTime launched = stand.launchAt.value_or(start + stand.launchIn);
    plan.passes =
        launched + std::chrono::round<std::chrono::milliseconds>(std::chrono::duration<double>(seconds));
    plan.fix.latitude = static_cast<float>(here.position.lat);
    plan.fix.longitude = static_cast<float>(here.position.lon);
    plan.text = "at marker " + here.name + " (" + tracking::formatMetres(here.chainageMetres) + " m along " +
                route->name() + "), the pig launched at " + from.name + " " + utcText(launched) + " passes " +
                utcText(plan.passes);
    return {};
}

void scheduleRoutePassage(UnitSimulator& unit, const RoutePassagePlan& plan, SystemTime now) {
    GpsFix fix = unit.profile().gps;  // its height, HDOP and quality as the options gave them
    fix.latitude = plan.fix.latitude;
    fix.longitude = plan.fix.longitude;
    unit.setGps(fix);
    if (plan.passes < now) {
        return;
    }
    const auto delay = std::chrono::ceil<std::chrono::milliseconds>(plan.passes - now);
    unit.schedule(delay, std::chrono::milliseconds(0), [&unit] { unit.passage({}); });
}

}  // namespace quorvex::simulator
