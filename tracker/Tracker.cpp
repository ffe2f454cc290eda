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
    for (const auto& [name, definition] : store_.runs()) {
        applyRun(json::parse(definition, nullptr, false), false, false);
    }
    for (const StoredEvent& stored : store_.events(0)) {
        takeEvent(stored.event);
        dispatch(stored.event);
    }
    return "";
}

std::string Tracker::receiveUnit(std::string_view serialLevel, std::string_view leaf,
                                 std::string_view payload) {
    const UnitDelivery delivery{serialLevel, leaf, payload};
    const BatchOutcome outcome = receiveUnits({&delivery, 1});
    return outcome.failure.empty() ? outcome.refusals.front() : outcome.failure;
}

BatchOutcome Tracker::receiveUnits(std::span<const UnitDelivery> deliveries) {
    std::vector<UnitMessage> messages(deliveries.size());
    BatchOutcome outcome;
    for (std::size_t at = 0; at < deliveries.size(); ++at) {
        const UnitDelivery& delivery = deliveries[at];
        outcome.refusals.push_back(
            parseUnitMessage(delivery.serialLevel, delivery.leaf, delivery.payload, messages[at]));
    }
    const std::int64_t arrived = nowMicros();
    std::lock_guard lock(mutex_);
    // Memory follows only once the batch is on disk: a batch that fails comes again and is taken once.
    const auto taken = storeBatch(messages, outcome.refusals, arrived, outcome.failure);
    if (!taken) {
        return outcome;
    }
    for (std::size_t at = 0; at < messages.size(); ++at) {
        if (!outcome.refusals[at].empty()) {
            ++refused_;
        } else if ((*taken)[at]) {
            takeMessage(messages[at], arrived);
        }
    }
    changed();
    return outcome;
}

std::optional<std::vector<bool>> Tracker::storeBatch(std::span<UnitMessage> messages,
                                                     const std::vector<std::string>& refusals,
                                                     std::int64_t arrived, std::string& failure) {
    std::vector<bool> taken(messages.size(), false);
    failure = store_.beginBatch();
    for (std::size_t at = 0; failure.empty() && at < messages.size(); ++at) {
        const auto* event = std::get_if<UnitEvent>(&messages[at]);
        if (!refusals[at].empty()) {
            continue;
        }
        // A repeat is not taken again: at least once is the broker's promise.
        const Stored stored = event != nullptr ? store_.addEvent(*event, arrived) : Stored::Added;
        taken[at] = stored == Stored::Added;
        if (stored == Stored::Failed) {
            failure = store_.failure();
        }
    }
    if (failure.empty()) {
        failure = store_.commitBatch();
    }
    if (!failure.empty()) {
        store_.rollbackBatch();
        return std::nullopt;
    }
    return taken;
}

void Tracker::takeMessage(UnitMessage& message, std::int64_t arrived) {
    if (auto* report = std::get_if<UnitReport>(&message)) {
        TrackedUnit& unit = units_[report->serial];
        unit.offline = !report->online;
        unit.report = std::move(*report);
        unit.lastHeard = arrived;
        return;
    }
    const auto& event = std::get<UnitEvent>(message);
    takeEvent(event);
    dispatch(event);
}

void Tracker::takeEvent(const UnitEvent& event) {
    TrackedUnit& unit = units_[event.serial];
    unit.report.serial = event.serial;
    unit.lastHeard = std::max(unit.lastHeard, event.time.value_or(0));
    ++unit.events;
}

void Tracker::dispatch(const UnitEvent& event) {
    const auto passage = passageOf(event);
    if (!passage) {
        return;
    }
    if (const auto tied = runsOfUnit_.find(event.serial); tied != runsOfUnit_.end()) {
        for (TrackedRun* run : tied->second) {
            run->engine->add(*passage);
            run->heard.insert(event.serial);
        }
    }
    // Not tied by serial: the unit belongs to a run when its passage lies on the route (runs are
    // started with the default settings, so one tolerance serves every run of a route).
    for (const auto& [routeFile, runs] : untiedRuns_) {
        if (liesOn(routeFile, *passage, runs.front()->engine->plan().settings.offRouteMetres)) {
            for (TrackedRun* run : runs) {
                run->engine->add(*passage);
                run->heard.insert(event.serial);
            }
        }
    }
}

bool Tracker::liesOn(const std::string& routeFile, const tracking::Passage& passage, double tolerance) const {
    const tracking::Route& route = *routes_.at(routeFile);
    if (!passage.position) {
        return route.markerNamed(passage.marker).has_value();
    }
    return routeBoxes_.at(routeFile).contains(*passage.position, tolerance) &&
           route.locate(*passage.position).offRouteMetres <= tolerance;
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
    routeBoxes_[fileName] = RouteBox::around(route->line());
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

std::string Tracker::applyRun(const json& object, bool save, bool replay) {
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
    const double tolerance = definition.plan.settings.offRouteMetres;
    for (const StoredEvent& stored : replay ? store_.events(0) : std::vector<StoredEvent>()) {
        const auto passage = passageOf(stored.event);
        if (passage && (run.units.empty() ? liesOn(run.route, *passage, tolerance)
                                          : run.units.contains(stored.event.serial))) {
            run.engine->add(*passage);
            run.heard.insert(stored.event.serial);
        }
    }
    if (run.units.empty()) {
        untiedRuns_[run.route].push_back(&run);
    }
    for (const std::string& unit : run.units) {
        runsOfUnit_[unit].push_back(&run);
    }
    if (save) {
        store_.saveRun(definition.name, object.dump());
    }
    changed();
    return "";
}

std::string Tracker::acknowledge(const std::string& run, const AlarmSubject& subject, const std::string& by) {
    if (by.empty() || by.size() > 80) {
        return "an acknowledgement needs the person's name (up to 80 characters)";
    }
    const std::int64_t at = nowMicros();
    std::lock_guard lock(mutex_);
    std::string error = applyAcknowledgement(run, subject, by, at);
    if (error.empty() && publish_) {
        json action = {{"run", run}, {"by", by}, {"at", journal::isoUtc(at)}};
        if (subject.unit.empty()) {
            action["marker"] = subject.marker;
        } else {
            action["unit"] = subject.unit;
        }
        publish_("tracker/ack", action.dump(), false);
    }
    return error;
}

std::string Tracker::applyAcknowledgement(const std::string& run, const AlarmSubject& subject,
                                          const std::string& by, std::int64_t at) {
    TrackerAlarm* alarm = openAlarm(run, subject);
    if (alarm == nullptr) {
        const std::string about = subject.unit.empty() ? "at marker " + std::to_string(subject.marker)
                                                       : "about unit " + subject.unit;
        return "no alarm of run \"" + run + "\" " + about + " to acknowledge";
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
    const bool aboutUnit = object.value("unit", json()).is_string();
    if (rest == "ack" && object.value("run", json()).is_string() && object.value("by", json()).is_string() &&
        (aboutUnit || object.value("marker", json()).is_number_integer())) {
        const auto at = journal::parseIsoUtc(object.value("at", std::string()));
        const AlarmSubject subject =
            aboutUnit ? AlarmSubject{-1, object["unit"]} : AlarmSubject{object["marker"], ""};
        return applyAcknowledgement(object["run"], subject, object["by"], at.value_or(nowMicros()));
    }
    ++refused_;
    return "an action the tracker does not know";
}

TrackerAlarm* Tracker::openAlarm(const std::string& run, const AlarmSubject& subject) {
    for (auto alarm = alarms_.rbegin(); alarm != alarms_.rend(); ++alarm) {
        if (alarm->run == run && alarm->marker == subject.marker && alarm->unit == subject.unit) {
            return alarm->open() ? &*alarm : nullptr;
        }
    }
    return nullptr;
}

std::map<AlarmSubject, std::string> Tracker::alarmCauses(const TrackedRun& run) const {
    std::map<AlarmSubject, std::string> causes;
    bool running = false;  // a pig has markers still ahead
    for (const tracking::PigProgress& pig : run.state.pigs) {
        for (const tracking::CourseMarker& course : pig.course) {
            const AlarmSubject subject{static_cast<std::int64_t>(course.marker), ""};
            running = running || course.progress == tracking::MarkerProgress::Ahead ||
                      course.progress == tracking::MarkerProgress::Overdue;
            if (course.progress == tracking::MarkerProgress::Overdue) {
                causes[subject] = "overdue";
            } else if (course.speedOutOfBand) {
                causes.emplace(subject, "speed");
            }
        }
    }
    for (const std::string& serial : run.units.empty() ? run.heard : run.units) {
        const auto unit = units_.find(serial);
        if (running && unit != units_.end() && unit->second.offline) {
            causes[{-1, serial}] = "offline";
        }
    }
    return causes;
}

void Tracker::updateAlarms(const std::string& name, const TrackedRun& run, std::int64_t now) {
    const std::map<AlarmSubject, std::string> causes = alarmCauses(run);
    for (const auto& [subject, kind] : causes) {
        if (TrackerAlarm* alarm = openAlarm(name, subject); alarm == nullptr) {
            alarms_.push_back(
                {0, name, subject.marker, kind, now, "", std::nullopt, std::nullopt, subject.unit});
            store_.saveAlarm(alarms_.back());
            changed();
        } else if (alarm->cleared) {
            alarm->cleared.reset();  // back before anyone acknowledged its clearing
            store_.saveAlarm(*alarm);
            changed();
        }
    }
    for (TrackerAlarm& alarm : alarms_) {
        if (alarm.run == name && !alarm.cleared && !causes.contains({alarm.marker, alarm.unit})) {
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
        // Each only when it changed: an alarm (a unit lost, an acknowledgement) may change alone.
        if (state != run.published) {
            publish_("run/" + name + "/state", state, true);
            run.published = std::move(state);
        }
        if (std::string alarms = alarmsOf(name).dump(); alarms != run.publishedAlarms) {
            publish_("run/" + name + "/alarm", alarms, true);
            run.publishedAlarms = std::move(alarms);
        }
    }
    changed();
}

json Tracker::alarmsOf(const std::string& run) const {
    json list = json::array();
    for (const TrackerAlarm& alarm : alarms_) {
        if (run.empty() || alarm.run == run) {
            const auto& route = *routes_.at(runs_.at(alarm.run).route);
            list.push_back(
                {{"key", alarm.key},
                 {"run", alarm.run},
                 {"marker", alarm.marker},
                 {"markerName",
                  alarm.marker >= 0 ? route.markers()[static_cast<std::size_t>(alarm.marker)].name : ""},
                 {"unit", alarm.unit},
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
