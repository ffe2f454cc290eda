#include "tracker/TrackerStore.h"

namespace quorvex::tracker {

using journal::SqliteStatement;

namespace {

constexpr const char* Schema = R"(
PRAGMA journal_mode=WAL;
PRAGMA synchronous=NORMAL;
CREATE TABLE IF NOT EXISTS events(sequence INTEGER PRIMARY KEY, journal TEXT NOT NULL, id INTEGER NOT NULL,
  kind TEXT NOT NULL, serial TEXT NOT NULL, time INTEGER, latitude REAL, longitude REAL, marker TEXT NOT NULL,
  historical INTEGER NOT NULL, arrived INTEGER NOT NULL, UNIQUE(journal, id));
CREATE TABLE IF NOT EXISTS routes(name TEXT PRIMARY KEY, file TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS runs(name TEXT PRIMARY KEY, definition TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS alarms(key INTEGER PRIMARY KEY, run TEXT NOT NULL, marker INTEGER NOT NULL,
  kind TEXT NOT NULL, raised INTEGER NOT NULL, acknowledged_by TEXT NOT NULL, acknowledged_at INTEGER,
  cleared INTEGER);
)";

// Alarms of a unit (offline during a run) came after the first stores: an older file gains the column.
constexpr const char* UnitColumn = "ALTER TABLE alarms ADD COLUMN unit TEXT NOT NULL DEFAULT ''";

// Another writer on the file (a backup, an operator's sqlite3) is waited for this long, then the
// batch fails and the broker delivers it again.
constexpr int BusyTimeoutMilliseconds = 2000;

}  // namespace

std::string TrackerStore::open(const std::filesystem::path& folder) {
    const std::string path = (folder / "tracker.sqlite").string();
    if (connection_.open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) != SQLITE_OK) {
        return "cannot open " + path + ": " + connection_.message();
    }
    // Set before the schema: after a crash the first writer recovers the WAL under an exclusive
    // lock, which a reader of the file (a backup, a script) may hold for a moment.
    sqlite3_busy_timeout(connection_.handle(), BusyTimeoutMilliseconds);
    if (connection_.execute(Schema) != SQLITE_OK) {
        return "cannot open " + path + ": " + connection_.message();
    }
    int result = SQLITE_OK;
    if (!connection_.queryInteger("SELECT 1 FROM pragma_table_info('alarms') WHERE name = 'unit'", result) &&
        connection_.execute(UnitColumn) != SQLITE_OK) {
        return "cannot open " + path + ": " + connection_.message();
    }
    insertEvent_ = std::make_unique<SqliteStatement>(
        connection_,
        "INSERT OR IGNORE INTO events(journal, id, kind, serial, time, latitude, longitude, "
        "marker, historical, arrived) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    return "";
}

std::string TrackerStore::beginBatch() {
    return connection_.execute("BEGIN IMMEDIATE") == SQLITE_OK ? "" : failure();
}

std::string TrackerStore::commitBatch() {
    return connection_.execute("COMMIT") == SQLITE_OK ? "" : failure();
}

void TrackerStore::rollbackBatch() {
    if (sqlite3_get_autocommit(connection_.handle()) == 0) {
        connection_.execute("ROLLBACK");
    }
}

std::string TrackerStore::failure() const {
    return "the state cannot be written: " + connection_.message();
}

Stored TrackerStore::addEvent(const UnitEvent& event, std::int64_t arrived) {
    SqliteStatement& insert = *insertEvent_;
    insert.bind(1, event.journal)
        .bind(2, event.id)
        .bind(3, event.kind)
        .bind(4, event.serial)
        .bind(5, event.time);
    insert.bind(6, event.latitude).bind(7, event.longitude).bind(8, event.marker);
    insert.bind(9, std::int64_t{event.historical}).bind(10, arrived);
    if (insert.run() != SQLITE_OK) {
        return Stored::Failed;
    }
    return sqlite3_changes(connection_.handle()) == 1 ? Stored::Added : Stored::Repeat;
}

std::vector<StoredEvent> TrackerStore::events(std::int64_t afterSequence) const {
    SqliteStatement select(
        connection_,
        "SELECT sequence, arrived, journal, id, kind, serial, time, latitude, longitude, marker, "
        "historical FROM events WHERE sequence > ? ORDER BY sequence");
    select.bind(1, afterSequence);
    std::vector<StoredEvent> events;
    while (select.step() == SQLITE_ROW) {
        StoredEvent& stored = events.emplace_back();
        stored.sequence = select.integer(0);
        stored.arrived = select.integer(1);
        stored.event = {select.text(2),
                        select.integer(3),
                        select.text(4),
                        select.text(5),
                        select.optionalInteger(6),
                        select.optionalReal(7),
                        select.optionalReal(8),
                        select.text(9),
                        select.integer(10) != 0};
    }
    return events;
}

void TrackerStore::savePair(const char* sql, const std::string& name, const std::string& value) {
    SqliteStatement statement(connection_, sql);
    statement.bind(1, name).bind(2, value).run();
}

std::vector<std::pair<std::string, std::string>> TrackerStore::pairs(const char* sql) const {
    SqliteStatement select(connection_, sql);
    std::vector<std::pair<std::string, std::string>> rows;
    while (select.step() == SQLITE_ROW) {
        rows.emplace_back(select.text(0), select.text(1));
    }
    return rows;
}

void TrackerStore::saveRoute(const std::string& name, const std::string& file) {
    savePair("INSERT OR REPLACE INTO routes(name, file) VALUES(?, ?)", name, file);
}

std::vector<std::pair<std::string, std::string>> TrackerStore::routes() const {
    return pairs("SELECT name, file FROM routes ORDER BY name");
}

void TrackerStore::saveRun(const std::string& name, const std::string& definition) {
    savePair("INSERT OR REPLACE INTO runs(name, definition) VALUES(?, ?)", name, definition);
}

std::vector<std::pair<std::string, std::string>> TrackerStore::runs() const {
    return pairs("SELECT name, definition FROM runs ORDER BY rowid");
}

void TrackerStore::saveAlarm(TrackerAlarm& alarm) {
    SqliteStatement save(connection_,
                         "INSERT OR REPLACE INTO alarms(key, run, marker, kind, raised, acknowledged_by, "
                         "acknowledged_at, cleared, unit) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    if (alarm.key > 0) {
        save.bind(1, alarm.key);
    } else {
        save.bindNull(1);
    }
    save.bind(2, alarm.run).bind(3, alarm.marker).bind(4, alarm.kind).bind(5, alarm.raised);
    save.bind(6, alarm.acknowledgedBy).bind(7, alarm.acknowledgedAt).bind(8, alarm.cleared);
    save.bind(9, alarm.unit).run();
    alarm.key = sqlite3_last_insert_rowid(connection_.handle());
}

std::vector<TrackerAlarm> TrackerStore::alarms() const {
    SqliteStatement select(
        connection_,
        "SELECT key, run, marker, kind, raised, acknowledged_by, acknowledged_at, cleared, unit "
        "FROM alarms ORDER BY key");
    std::vector<TrackerAlarm> alarms;
    while (select.step() == SQLITE_ROW) {
        alarms.push_back({select.integer(0), select.text(1), select.integer(2), select.text(3),
                          select.integer(4), select.text(5), select.optionalInteger(6),
                          select.optionalInteger(7), select.text(8)});
    }
    return alarms;
}

}  // namespace quorvex::tracker
