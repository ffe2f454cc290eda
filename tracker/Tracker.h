#pragma once

#include "tracker/RouteBox.h"
#include "tracker/TrackerAlarm.h"
#include "tracker/TrackerStore.h"
#include "tracker/UnitMessage.h"
#include "tracking/PigRun.h"
#include "tracking/Route.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::tracker {

// What the tracker sends to the broker: a topic under the prefix, the payload, whether retained.
using Publish = std::function<void(const std::string& topic, const std::string& payload, bool retained)>;

// The largest route file taken, by upload or from the broker.
inline constexpr std::size_t MaxRouteBytes = 32 * 1024 * 1024;

// A message on <prefix>/<serialLevel>/<leaf>, as the broker handed it over.
struct UnitDelivery {
    std::string_view serialLevel;
    std::string_view leaf;
    std::string_view payload;
};

// What became of a batch of messages: "" or why it could not be stored (then nothing changed and the
// broker must deliver it again), and for each message "" or why it was refused.
struct BatchOutcome {
    std::string failure;
    std::vector<std::string> refusals;
};

// What an alarm is about: a marker of the run's route (unit ""), or a unit (marker -1).
struct AlarmSubject {
    std::int64_t marker = -1;
    std::string unit;
    auto operator<=>(const AlarmSubject&) const = default;
};

// The control room's state: routes, runs with their engines, units, passages and alarms, kept
// in the store so that a restart shows the same. Operators' actions are published, so a second
// tracker on the broker applies them too; every entry point is safe from any thread.
class Tracker {
public:
    // "" or why the state folder cannot be used.
    std::string open(const std::filesystem::path& stateFolder, Publish publish);

    // A message on <prefix>/<serialLevel>/<leaf>; "" or why it was refused (then nothing changed).
    std::string receiveUnit(std::string_view serialLevel, std::string_view leaf, std::string_view payload);
    // Messages in one transaction, on disk when this returns with no failure.
    BatchOutcome receiveUnits(std::span<const UnitDelivery> deliveries);
    // A message on <prefix>/tracker/<rest>: another tracker's (or our own) action.
    std::string receiveAction(std::string_view rest, std::string_view payload);

    // Operators' actions; "" or why refused.
    std::string addRoute(const std::string& fileName, const std::string& bytes);
    std::string startRun(const nlohmann::json& definition);
    std::string acknowledge(const std::string& run, const AlarmSubject& subject, const std::string& by);

    // Brings runs and alarms to the clock and publishes what changed.
    void evaluate(std::chrono::system_clock::time_point now);

    nlohmann::json unitsJson() const;
    nlohmann::json runsJson() const;
    // Null when there is no such run.
    nlohmann::json runJson(const std::string& name) const;
    nlohmann::json passagesJson(std::int64_t afterSequence) const;
    nlohmann::json routesJson() const;
    std::int64_t refused() const;

    // Waits (bounded) for a change after `version`; returns the version now.
    std::uint64_t waitForChange(std::uint64_t version, std::chrono::milliseconds wait) const;

private:
    struct TrackedRun {
        nlohmann::json definition;
        std::string route;
        std::set<std::string> units;  // none: any unit whose passage lies on the route
        std::set<std::string> heard;  // the units whose passages it took
        std::unique_ptr<tracking::PigRun> engine;
        tracking::RunState state;
        std::string published;  // the state and the alarms last sent to the broker
        std::string publishedAlarms;
    };
    struct TrackedUnit {
        UnitReport report;
        std::int64_t lastHeard = 0;
        std::int64_t events = 0;
        bool offline = false;  // its last will came, and no status since
    };

    std::string loadRoute(const std::string& fileName, bool save);
    // replay: feed it the passages kept so far (not when opening: those follow once for every run).
    std::string applyRun(const nlohmann::json& definition, bool save, bool replay = true);
    std::string applyAcknowledgement(const std::string& run, const AlarmSubject& subject,
                                     const std::string& by, std::int64_t at);
    void retryWaitingRuns();
    // Stores the batch's events; for each message whether it is to be taken (not refused, not a
    // repeat), or nothing when the store failed (then rolled back).
    std::optional<std::vector<bool>> storeBatch(std::span<UnitMessage> messages,
                                                const std::vector<std::string>& refusals,
                                                std::int64_t arrived, std::string& failure);
    void takeMessage(UnitMessage& message, std::int64_t arrived);
    void takeEvent(const UnitEvent& event);
    // Hands a passage to the runs it belongs to: those tied to its unit, and those of a route it lies on.
    void dispatch(const UnitEvent& event);
    bool liesOn(const std::string& routeFile, const tracking::Passage& passage, double tolerance) const;
    std::map<AlarmSubject, std::string> alarmCauses(const TrackedRun& run) const;
    void updateAlarms(const std::string& name, const TrackedRun& run, std::int64_t now);
    TrackerAlarm* openAlarm(const std::string& run, const AlarmSubject& subject);
    nlohmann::json runSummary(const std::string& name, const TrackedRun& run) const;
    nlohmann::json alarmsOf(const std::string& run) const;
    void changed();

    std::filesystem::path folder_;
    Publish publish_;
    mutable std::mutex mutex_;                 //!< Guards everything below.
    mutable std::condition_variable changed_;  // signals version_ moved on
    std::uint64_t version_ = 0;
    TrackerStore store_;
    std::map<std::string, std::unique_ptr<tracking::Route>> routes_;  // by file name; runs point into them
    std::map<std::string, RouteBox> routeBoxes_;                      // by file name
    std::map<std::string, TrackedRun> runs_;
    std::map<std::string, std::vector<TrackedRun*>> runsOfUnit_;  // runs tied to a unit, by serial
    std::map<std::string, std::vector<TrackedRun*>> untiedRuns_;  // by route file: any unit on it feeds them
    std::vector<nlohmann::json> waitingRuns_;  // their route not here yet (the broker's order)
    std::map<std::string, TrackedUnit> units_;
    std::vector<TrackerAlarm> alarms_;
    std::int64_t refused_ = 0;
    std::int64_t now_ = 0;
};

}  // namespace quorvex::tracker
