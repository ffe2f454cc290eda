#include "tracker/Tracker.h"

#include "journal/ExportText.h"
#include "tracker/RunDefinition.h"
#include "tracker/RunJson.h"
#include "tracker/TrackerNames.h"
#include "tracking/RouteReader.h"

#include <fstream>

namespace quorvex::tracker {

using nlohmann::json;

namespace {

std::int64_t microsOf(std::chrono::system_clock::time_point time) {
    return std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
}

std::int64_t nowMicros() {
    return microsOf(std::chrono::system_clock::now());
}

std::optional<tracking::Passage> passageOf(const UnitEvent& event) {
    if (event.kind != "passage" || !event.time) {
        return std::nullopt;
    }
    tracking::Passage passage;
    passage.time = tracking::UtcTime(std::chrono::microseconds(*event.time));
    if (event.latitude && event.longitude) {
        passage.position = tracking::GeoPoint{*event.latitude, *event.longitude};
    }
    passage.marker = event.marker;
    passage.unit = event.serial;
    passage.journal = event.journal;
    passage.row = event.id;
    return passage;
}

}  // namespace

std::string Tracker::open(const std::filesystem::path& stateFolder, Publish publish) {
    folder_ = stateFolder;
    publish_ = std::move(publish);
    std::error_code error;
    std::filesystem::create_directories(folder_ / "routes", error);
    if (error) {
        return "cannot make " + (folder_ / "routes").string() + ": " + error.message();
    }
    std::lock_guard lock(mutex_);
    if (std::string failure = store_.open(folder_); !failure.empty()) {
        return failure;
    }
    for (const auto& [name, file] : store_.routes()) {
        loadRoute(file, false);
    }
    alarms_ = store_.alarms();
    for (const StoredEvent& stored : store_.events(0)) {
        takeEvent(stored.event);
    }
    for (const auto& [name, definition] : store_.runs()) {
        applyRun(json::parse(definition, nullptr, false), false);
    }
    return "";
}

std::string Tracker::receiveUnit(std::string_view serialLevel, std::string_view leaf,
                                 std::string_view payload) {
    UnitMessage message;
    const std::string error = parseUnitMessage(serialLevel, leaf, payload, message);
    std::lock_guard lock(mutex_);
    if (!error.empty()) {
        ++refused_;
        return error;
    }
    if (auto* report = std::get_if<UnitReport>(&message)) {
        TrackedUnit& unit = units_[report->serial];
        unit.report = std::move(*report);
        unit.lastHeard = nowMicros();
    } else {
        const auto& event = std::get<UnitEvent>(message);
        if (!store_.addEvent(event, nowMicros())) {
            return "";  // delivered again: at least once is the broker's promise
        }
        takeEvent(event);
        std::map<std::string, bool> onRoute;
        for (auto& [name, run] : runs_) {
            feed(run, event, onRoute);
        }
    }
    changed();
    return "";
}

void Tracker::takeEvent(const UnitEvent& event) {
    TrackedUnit& unit = units_[event.serial];
    unit.report.serial = event.serial;
    unit.lastHeard = std::max(unit.lastHeard, event.time.value_or(0));
    ++unit.events;
}

void Tracker::feed(TrackedRun& run, const UnitEvent& event, std::map<std::string, bool>& onRoute) {
    auto passage = passageOf(event);
    if (!passage || (!run.units.empty() && !run.units.contains(event.serial))) {
        return;
    }
    const tracking::Route& route = *routes_.at(run.route);
    if (run.units.empty()) {
        // Not tied by serial: the unit belongs to the run when its passage lies on the route (runs
        // are started with the default settings, so one tolerance serves every run of a route).
        const auto [known, fresh] = onRoute.try_emplace(run.route, false);
        if (fresh) {
            const double tolerance = run.engine->plan().settings.offRouteMetres;
            known->second = passage->position ? route.locate(*passage->position).offRouteMetres <= tolerance
                                              : route.markerNamed(passage->marker).has_value();
        }
        if (!known->second) {
            return;
        }
    }
    run.engine->add(std::move(*passage));
}

std::string Tracker::addRoute(const std::string& fileName, const std::string& bytes) {
    if (std::string error = checkRouteFileName(fileName); !error.empty()) {
        return error;
    }
    if (bytes.size() > MaxRouteBytes) {
        return "a route file of " + std::to_string(bytes.size()) + " bytes is too big";
    }
    std::lock_guard lock(mutex_);
    if (routes_.contains(fileName)) {
        return "";  // the same route again (from the broker, or another tracker's upload)
    }
    const std::filesystem::path incoming = folder_ / "routes" / (".incoming-" + fileName);
    std::ofstream(incoming, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::optional<tracking::Route> route;
    if (std::string error = tracking::readRoute(incoming, {}, route); !error.empty()) {
        std::filesystem::remove(incoming);
        return error;
    }
    std::filesystem::rename(incoming, folder_ / "routes" / fileName);
    std::string error = loadRoute(fileName, true);
    if (error.empty() && publish_) {
        publish_("tracker/route/" + fileName, bytes, true);
    }
    return error;
}

std::string Tracker::loadRoute(const std::string& fileName, bool save) {
    std::optional<tracking::Route> route;
    if (std::string error = tracking::readRoute(folder_ / "routes" / fileName, {}, route); !error.empty()) {
        return error;
    }
    routes_[fileName] = std::make_unique<tracking::Route>(std::move(*route));
    if (save) {
        store_.saveRoute(fileName, fileName);
        retryWaitingRuns();
    }
    changed();
    return "";
}

void Tracker::retryWaitingRuns() {
    auto waiting = std::move(waitingRuns_);
    waitingRuns_.clear();
    for (const json& definition : waiting) {
        applyRun(definition, true);
    }
}

std::string Tracker::startRun(const json& definition) {
    std::lock_guard lock(mutex_);
    std::string error = applyRun(definition, true);
    if (error.empty() && publish_) {
        publish_("tracker/run/" + definition.at("name").get<std::string>(), definition.dump(), true);
    }
    return error;
}

std::string Tracker::applyRun(const json& object, bool save) {
    const auto route = routes_.find(routeOfDefinition(object));
    RunDefinition definition;
    if (std::string error =
            readRunDefinition(object, route == routes_.end() ? nullptr : route->second.get(), definition);
        !error.empty()) {
        if (route == routes_.end() && !routeOfDefinition(object).empty() && save) {
            waitingRuns_.push_back(object);
        }
        return error;
    }
    if (const auto known = runs_.find(definition.name); known != runs_.end()) {
        return known->second.definition == object ? "" : "a run \"" + definition.name + "\" exists already";
    }
    TrackedRun& run = runs_[definition.name];
    run.definition = object;
    run.route = definition.route;
    run.units = definition.units;
    run.engine = std::make_unique<tracking::PigRun>(*route->second, definition.plan);
    for (const StoredEvent& stored : store_.events(0)) {
        std::map<std::string, bool> onRoute;
        feed(run, stored.event, onRoute);
    }
    if (save) {
        store_.saveRun(definition.name, object.dump());
    }
    changed();
    return "";
}

std::string Tracker::acknowledge(const std::string& run, std::int64_t marker, const std::string& by) {
    if (by.empty() || by.size() > 80) {
        return "an acknowledgement needs the person's name (up to 80 characters)";
    }
    const std::int64_t at = nowMicros();
    std::lock_guard lock(mutex_);
    std::string error = applyAcknowledgement(run, marker, by, at);
    if (error.empty() && publish_) {
        const json action = {{"run", run}, {"marker", marker}, {"by", by}, {"at", journal::isoUtc(at)}};
        publish_("tracker/ack", action.dump(), false);
    }
    return error;
}

std::string Tracker::applyAcknowledgement(const std::string& run, std::int64_t marker, const std::string& by,
                                          std::int64_t at) {
    TrackerAlarm* alarm = openAlarm(run, marker);
    if (alarm == nullptr) {
        return "no alarm of run \"" + run + "\" at marker " + std::to_string(marker) + " to acknowledge";
    }
    if (!alarm->acknowledged()) {
        alarm->acknowledgedBy = by;
        alarm->acknowledgedAt = at;
        store_.saveAlarm(*alarm);
        changed();
    }
    return "";
}

std::string Tracker::receiveAction(std::string_view rest, std::string_view payload) {
    if (rest.starts_with("route/")) {
        const std::string fileName(rest.substr(6));
        return addRoute(fileName, std::string(payload));
    }
    const json object = json::parse(payload, nullptr, false);
    std::lock_guard lock(mutex_);
    if (object.is_discarded() || !object.is_object()) {
        ++refused_;
        return "an action that is not a JSON object";
    }
    if (rest.starts_with("run/")) {
        return applyRun(object, true);
    }
    if (rest == "ack" && object.value("run", json()).is_string() &&
        object.value("marker", json()).is_number() && object.value("by", json()).is_string()) {
        const auto at = journal::parseIsoUtc(object.value("at", std::string()));
        return applyAcknowledgement(object["run"], object["marker"], object["by"], at.value_or(nowMicros()));
    }
    ++refused_;
    return "an action the tracker does not know";
}

TrackerAlarm* Tracker::openAlarm(const std::string& run, std::int64_t marker) {
    for (auto alarm = alarms_.rbegin(); alarm != alarms_.rend(); ++alarm) {
        if (alarm->run == run && alarm->marker == marker) {
            return alarm->open() ? &*alarm : nullptr;
        }
    }
    return nullptr;
}

void Tracker::updateAlarms(const std::string& name, const TrackedRun& run, std::int64_t now) {
    std::map<std::int64_t, std::string> causes;  // by marker
    for (const tracking::PigProgress& pig : run.state.pigs) {
        for (const tracking::CourseMarker& course : pig.course) {
            if (course.progress == tracking::MarkerProgress::Overdue) {
                causes[static_cast<std::int64_t>(course.marker)] = "overdue";
            } else if (course.speedOutOfBand) {
                causes.emplace(static_cast<std::int64_t>(course.marker), "speed");
            }
        }
    }
    for (const auto& [marker, kind] : causes) {
        if (TrackerAlarm* alarm = openAlarm(name, marker); alarm == nullptr) {
            alarms_.push_back({0, name, marker, kind, now, "", std::nullopt, std::nullopt});
            store_.saveAlarm(alarms_.back());
            changed();
        } else if (alarm->cleared) {
            alarm->cleared.reset();  // back before anyone acknowledged its clearing
            store_.saveAlarm(*alarm);
            changed();
        }
    }
    for (TrackerAlarm& alarm : alarms_) {
        if (alarm.run == name && !alarm.cleared && !causes.contains(alarm.marker)) {
            alarm.cleared = now;
            store_.saveAlarm(alarm);
            changed();
        }
    }
}

void Tracker::evaluate(std::chrono::system_clock::time_point now) {
    std::lock_guard lock(mutex_);
    now_ = microsOf(now);
    for (auto& [name, run] : runs_) {
        run.state = run.engine->evaluate(tracking::UtcTime(std::chrono::microseconds(now_)));
        updateAlarms(name, run, now_);
        if (!publish_) {
            continue;
        }
        const tracking::Route& route = *routes_.at(run.route);
        std::string state =
            runStateJson(route, run.engine->plan(), run.state, run.engine->passages())["pigs"].dump();
        if (state != run.published) {
            publish_("run/" + name + "/state", state, true);
            publish_("run/" + name + "/alarm", alarmsOf(name).dump(), true);
            run.published = std::move(state);
        }
    }
    changed();
}

json Tracker::alarmsOf(const std::string& run) const {
    json list = json::array();
    for (const TrackerAlarm& alarm : alarms_) {
        if (run.empty() || alarm.run == run) {
            const auto& route = *routes_.at(runs_.at(alarm.run).route);
            list.push_back({{"key", alarm.key},
                            {"run", alarm.run},
                            {"marker", alarm.marker},
                            {"markerName", route.markers()[static_cast<std::size_t>(alarm.marker)].name},
                            {"kind", alarm.kind},
                            {"state", alarm.state()},
                            {"raised", timeJson(alarm.raised)},
                            {"acknowledgedBy", alarm.acknowledgedBy},
                            {"acknowledgedAt", timeJson(alarm.acknowledgedAt)},
                            {"cleared", timeJson(alarm.cleared)}});
        }
    }
    return list;
}

json Tracker::unitsJson() const {
    std::lock_guard lock(mutex_);
    json list = json::array();
    for (const auto& [serial, unit] : units_) {
        const link::UnitStatus& status = unit.report.status;
        list.push_back(
            {{"serial", serial},
             {"online", unit.report.online},
             {"connection", status.connection},
             {"battery", status.battery ? json(*status.battery) : json()},
             {"gpsQuality", status.gpsQuality ? json(*status.gpsQuality) : json()},
             {"lastHeard", timeJson(unit.lastHeard > 0 ? std::optional(unit.lastHeard) : std::nullopt)},
             {"events", unit.events}});
    }
    return list;
}

json Tracker::runSummary(const std::string& name, const TrackedRun& run) const {
    json summary = run.definition;
    summary["name"] = name;
    summary["passages"] = run.engine->passages().size();
    std::size_t open = 0;
    for (const TrackerAlarm& alarm : alarms_) {
        open += alarm.run == name && !alarm.acknowledged() ? 1 : 0;
    }
    summary["unacknowledgedAlarms"] = open;
    return summary;
}

json Tracker::runsJson() const {
    std::lock_guard lock(mutex_);
    json list = json::array();
    for (const auto& [name, run] : runs_) {
        list.push_back(runSummary(name, run));
    }
    return list;
}

json Tracker::runJson(const std::string& name) const {
    std::lock_guard lock(mutex_);
    const auto run = runs_.find(name);
    if (run == runs_.end()) {
        return nullptr;
    }
    const tracking::Route& route = *routes_.at(run->second.route);
    json result = runSummary(name, run->second);
    result["route"] = routeJson(route);
    result["routeFile"] = run->second.route;
    result["state"] =
        runStateJson(route, run->second.engine->plan(), run->second.state, run->second.engine->passages());
    result["alarms"] = alarmsOf(name);
    result["evaluated"] = timeJson(now_);
    return result;
}

json Tracker::passagesJson(std::int64_t afterSequence) const {
    std::lock_guard lock(mutex_);
    json list = json::array();
    for (const StoredEvent& stored : store_.events(afterSequence)) {
        const UnitEvent& event = stored.event;
        list.push_back({{"sequence", stored.sequence},
                        {"journal", event.journal},
                        {"id", event.id},
                        {"kind", event.kind},
                        {"unit", event.serial},
                        {"time", timeJson(event.time)},
                        {"latitude", event.latitude ? json(*event.latitude) : json()},
                        {"longitude", event.longitude ? json(*event.longitude) : json()},
                        {"marker", event.marker},
                        {"historical", event.historical},
                        {"arrived", timeJson(stored.arrived)}});
    }
    return list;
}

json Tracker::routesJson() const {
    std::lock_guard lock(mutex_);
    json list = json::array();
    for (const auto& [file, route] : routes_) {
        json markers = json::array();
        for (const auto& marker : route->markers()) {
            markers.push_back(marker.name);
        }
        list.push_back({{"file", file}, {"name", route->name()}, {"markers", markers}});
    }
    return list;
}

std::int64_t Tracker::refused() const {
    std::lock_guard lock(mutex_);
    return refused_;
}

void Tracker::changed() {
    ++version_;
    changed_.notify_all();
}

std::uint64_t Tracker::waitForChange(std::uint64_t version, std::chrono::milliseconds wait) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, wait, [&] { return version_ != version; });
    return version_;
}

}  // namespace quorvex::tracker
