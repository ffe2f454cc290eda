#include "journal/RunJournal.h"

#include "journal/ExportText.h"
#include "journal/JournalSql.h"
#include "journal/RunRecordRead.h"

namespace quorvex::journal {

namespace {

int insertRoute(const SqliteConnection& connection, std::int64_t run, const RunRouteRecord& route) {
    SqliteStatement point(connection, sql::InsertRoutePoint);
    int result = point.prepared();
    for (std::size_t i = 0; i < route.line.size() && result == SQLITE_OK; ++i) {
        result = point.bind(1, run)
                     .bind(2, static_cast<std::int64_t>(i))
                     .bind(3, route.line[i].latitude)
                     .bind(4, route.line[i].longitude)
                     .run();
    }
    SqliteStatement marker(connection, sql::InsertRunMarker);
    result = result == SQLITE_OK ? marker.prepared() : result;
    for (std::size_t i = 0; i < route.markers.size() && result == SQLITE_OK; ++i) {
        const RunMarkerRecord& each = route.markers[i];
        result = marker.bind(1, run)
                     .bind(2, static_cast<std::int64_t>(i))
                     .bind(3, escapedUtf8(each.name))
                     .bind(4, each.position.latitude)
                     .bind(5, each.position.longitude)
                     .bind(6, each.surveyedChainageMetres)
                     .run();
    }
    return result;
}

int insertPigs(const SqliteConnection& connection, std::int64_t run, const std::vector<RunPigRecord>& pigs) {
    SqliteStatement pig(connection, sql::InsertRunPig);
    int result = pig.prepared();
    for (std::size_t i = 0; i < pigs.size() && result == SQLITE_OK; ++i) {
        result = pig.bind(1, run)
                     .bind(2, static_cast<std::int64_t>(i))
                     .bind(3, escapedUtf8(pigs[i].name))
                     .bind(4, pigs[i].launchMarker)
                     .bind(5, pigs[i].launchTime)
                     .bind(6, pigs[i].plannedMetresPerSecond)
                     .run();
    }
    return result;
}

}  // namespace

std::string RunJournal::open(const std::string& path, std::chrono::milliseconds busyTimeout) {
    const OpenOutcome outcome = store_.open(path, busyTimeout);
    if (outcome == OpenOutcome::NewerSchema) {
        message_ = "the journal was written by a newer program (schema " +
                   std::to_string(store_.foundVersion()) + ")";
    } else {
        message_ = outcome == OpenOutcome::Ready ? std::string() : store_.message();
    }
    return message_;
}

template <typename Work>
bool RunJournal::transaction(Work work) {
    SqliteConnection& connection = store_.connection();
    int result = connection.execute("BEGIN IMMEDIATE");
    if (result == SQLITE_OK) {
        result = work();
    }
    if (result == SQLITE_OK) {
        result = connection.execute("COMMIT");
    }
    if (result == SQLITE_OK) {
        message_.clear();
        return true;
    }
    message_ = connection.message();
    if (!sqlite3_get_autocommit(connection.handle())) {
        connection.execute("ROLLBACK");
    }
    return false;
}

int RunJournal::insertRun(const RunRecord& run, std::int64_t& id) {
    const SqliteConnection& connection = store_.connection();
    const RunSettingsRecord& settings = run.settings;
    SqliteStatement insert(connection, sql::InsertRun);
    if (insert.prepared() != SQLITE_OK) {
        return insert.prepared();
    }
    insert.bind(1, run.started)
        .bind(2, escapedUtf8(run.route.path))
        .bind(3, escapedUtf8(run.route.name))
        .bind(4, std::int64_t{settings.againstLine ? 1 : 0})
        .bind(5, settings.markerToleranceMetres)
        .bind(6, settings.offRouteMetres);
    int result = insert.bind(7, settings.lockoutSeconds)
                     .bind(8, settings.minMetresPerSecond)
                     .bind(9, settings.maxMetresPerSecond)
                     .bind(10, settings.overdueFraction)
                     .bind(11, settings.overdueMinimumSeconds)
                     .run();
    id = sqlite3_last_insert_rowid(connection.handle());
    result = result == SQLITE_OK ? insertRoute(connection, id, run.route) : result;
    result = result == SQLITE_OK ? insertPigs(connection, id, run.pigs) : result;
    for (std::size_t i = 0; i < run.passages.size() && result == SQLITE_OK; ++i) {
        result = insertPassage(id, run.passages[i]);
    }
    return result == SQLITE_OK ? insertAlarms(id, run.alarms) : result;
}

int RunJournal::insertPassage(std::int64_t run, const RunPassageRecord& passage) {
    SqliteStatement insert(store_.connection(), sql::InsertRunPassage);
    if (insert.prepared() != SQLITE_OK) {
        return insert.prepared();
    }
    const auto latitude = passage.position ? std::optional(passage.position->latitude) : std::nullopt;
    const auto longitude = passage.position ? std::optional(passage.position->longitude) : std::nullopt;
    return insert.bind(1, run)
        .bind(2, passage.time)
        .bind(3, latitude)
        .bind(4, longitude)
        .bind(5, escapedUtf8(passage.marker))
        .bind(6, escapedUtf8(passage.unit))
        .bind(7, escapedUtf8(passage.journal))
        .bind(8, passage.eventId)
        .run();
}

int RunJournal::insertAlarms(std::int64_t run, std::span<const RunAlarmRecord> alarms) {
    SqliteStatement remove(store_.connection(), sql::DeleteRunAlarms);
    SqliteStatement insert(store_.connection(), sql::InsertRunAlarm);
    int result = remove.prepared() != SQLITE_OK ? remove.prepared() : insert.prepared();
    result = result == SQLITE_OK ? remove.bind(1, run).run() : result;
    for (const RunAlarmRecord& alarm : alarms) {
        if (result != SQLITE_OK) {
            break;
        }
        result = insert.bind(1, run)
                     .bind(2, alarm.pig)
                     .bind(3, alarm.marker)
                     .bind(4, escapedUtf8(alarm.text))
                     .bind(5, alarm.raised)
                     .bind(6, alarm.acknowledged)
                     .bind(7, alarm.cleared)
                     .run();
    }
    return result;
}

std::optional<std::int64_t> RunJournal::begin(const RunRecord& run) {
    std::int64_t id = 0;
    return transaction([&] { return insertRun(run, id); }) ? std::optional(id) : std::nullopt;
}

bool RunJournal::addPassage(std::int64_t run, const RunPassageRecord& passage) {
    return transaction([&] { return insertPassage(run, passage); });
}

bool RunJournal::saveAlarms(std::int64_t run, std::span<const RunAlarmRecord> alarms) {
    return transaction([&] { return insertAlarms(run, alarms); });
}

bool RunJournal::end(std::int64_t run, Microseconds at) {
    return transaction([&] {
        SqliteStatement update(store_.connection(), sql::EndRun);
        return update.prepared() != SQLITE_OK ? update.prepared() : update.bind(1, run).bind(2, at).run();
    });
}

std::optional<std::int64_t> RunJournal::openRun() {
    int result = SQLITE_OK;
    const auto id = store_.connection().queryInteger(sql::OpenRun, result);
    message_ = result == SQLITE_OK ? std::string() : store_.connection().message();
    // max() of no rows is NULL, read as 0: ids start at 1.
    return id.value_or(0) > 0 ? id : std::nullopt;
}

std::optional<RunRecord> RunJournal::read(std::int64_t run) {
    std::optional<RunRecord> read;
    transaction([&] { return readRunRecord(store_.connection(), run, read); });
    return read;
}

}  // namespace quorvex::journal
