#include "tracker/RunStart.h"

#include "journal/ExportText.h"
#include "tracker/BrokerClient.h"
#include "tracker/RunDefinition.h"
#include "tracker/Tracker.h"
#include "tracker/TrackerNames.h"
#include "tracking/RouteReader.h"

#include <fstream>
#include <sstream>

namespace quorvex::tracker {

namespace {

std::string nowIso() {
    return journal::isoUtc(std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count());
}

}  // namespace

std::string startRunOnBroker(const TrackerOptions& options) {
    const RunStartCommand& command = *options.runStart;
    const std::string fileName = command.routeFile.filename().string();
    if (std::string error = checkRouteFileName(fileName); !error.empty()) {
        return error;
    }
    std::optional<tracking::Route> route;
    if (std::string error = tracking::readRoute(command.routeFile, {}, route); !error.empty()) {
        return command.routeFile.string() + ": " + error;
    }
    nlohmann::json pigs = nlohmann::json::array();
    for (const PigStart& pig : command.pigs) {
        pigs.push_back({{"launch", pig.launchMarker},
                        {"launchTime", pig.launchTime.empty() ? nowIso() : pig.launchTime},
                        {"speedKmh", pig.plannedKilometresPerHour}});
    }
    // The first pig's launch stands beside the train too, as a run of one pig gives it.
    nlohmann::json definition = pigs.front();
    definition.update({{"name", command.name}, {"route", fileName}, {"units", command.units}});
    if (pigs.size() > 1) {
        definition["pigs"] = pigs;
    }
    RunDefinition checked;
    if (std::string error = readRunDefinition(definition, &*route, checked); !error.empty()) {
        return error;
    }
    std::ostringstream bytes;
    bytes << std::ifstream(command.routeFile, std::ios::binary).rdbuf();
    if (bytes.str().size() > MaxRouteBytes) {
        return "the route file is too big";
    }
    BrokerClient broker(options.broker, "", nullptr);
    if (std::string error = broker.start(); !error.empty()) {
        return error;
    }
    broker.publish("tracker/route/" + fileName, bytes.str(), true);
    broker.publish("tracker/run/" + command.name, definition.dump(), true);
    return broker.waitPublished(std::chrono::seconds(15))
               ? ""
               : "the broker " + link::brokerName(options.broker) + " did not take the run within 15 s";
}

}  // namespace quorvex::tracker
