#include "tracker/RunDefinition.h"

#include "controlroom/LinkPayload.h"
#include "journal/ExportText.h"
#include "tracker/TrackerNames.h"

namespace quorvex::tracker {

using nlohmann::json;

namespace {

std::string readLaunch(const json& object, const tracking::Route& route, tracking::PigLaunch& launch) {
    const auto marker = route.markerNamed(object.at("launch").get<std::string>());
    if (!marker) {
        return "the route has no marker \"" + object.at("launch").get<std::string>() + "\"";
    }
    const auto time = journal::parseIsoUtc(object.at("launchTime").get<std::string>());
    if (!time) {
        return "the launch time is no ISO time";
    }
    launch.launchMarker = *marker;
    launch.launchTime = tracking::UtcTime(std::chrono::microseconds(*time));
    launch.plannedMetresPerSecond = object.value("speedKmh", 3.6) / 3.6;
    return "";
}

}  // namespace

std::string routeOfDefinition(const json& object) {
    const auto route = object.is_object() ? object.find("route") : object.end();
    return route != object.end() && route->is_string() ? route->get<std::string>() : "";
}

std::string readRunDefinition(const json& object, const tracking::Route* route, RunDefinition& definition) {
    try {
        definition.name = object.at("name").get<std::string>();
        definition.route = object.at("route").get<std::string>();
        if (std::string error = checkName("run", definition.name); !error.empty()) {
            return error;
        }
        if (route == nullptr) {
            return "no route \"" + definition.route + "\"";
        }
        // A train lists its pigs in launch order; a run of one pig may give its launch inline.
        const json pigs = object.contains("pigs") ? object.at("pigs") : json::array({object});
        if (!pigs.is_array() || pigs.empty() || pigs.size() > MaxPigs) {
            return "a run has from 1 to " + std::to_string(MaxPigs) + " pigs";
        }
        for (const json& pig : pigs) {
            tracking::PigLaunch& launch = definition.plan.pigs.emplace_back();
            launch.name = "pig " + std::to_string(definition.plan.pigs.size());
            if (std::string error = readLaunch(pig, *route, launch); !error.empty()) {
                return error;
            }
        }
        for (const json& unit : object.value("units", json::array())) {
            definition.units.insert(link::topicLevel(unit.get<std::string>()));
        }
        return tracking::checkRunPlan(*route, definition.plan);
    } catch (const json::exception& error) {
        return std::string("not a run: ") + error.what();
    }
}

}  // namespace quorvex::tracker
