#pragma once

#include <array>
#include <cstdint>

// Every statement the journal runs, in one place.
namespace quorvex::journal::sql {

// The columns after the id, as step 1 made them; step 4 makes the same tables again around them.
#define QUORVEX_JOURNAL_SESSION_COLUMNS        \
    " connected_us INTEGER NOT NULL,"          \
    " disconnected_us INTEGER,"                \
    " port TEXT NOT NULL,"                     \
    " model TEXT NOT NULL DEFAULT '',"         \
    " serial_number TEXT NOT NULL DEFAULT ''," \
    " firmware TEXT NOT NULL DEFAULT '',"      \
    " end_reason TEXT,"                        \
    " end_text TEXT);"
#define QUORVEX_JOURNAL_EVENT_COLUMNS                                       \
    " session_id INTEGER REFERENCES sessions(id),"                          \
    " kind TEXT NOT NULL CHECK(kind IN ('passage', 'ignored', 'trigger'))," \
    " unit_time_us INTEGER,"                                                \
    " received_us INTEGER NOT NULL,"                                        \
    " channel INTEGER,"                                                     \
    " channel_name TEXT NOT NULL DEFAULT '',"                               \
    " latitude REAL,"                                                       \
    " longitude REAL,"                                                      \
    " elevation REAL,"                                                      \
    " gps_quality INTEGER,"                                                 \
    " hdop REAL,"                                                           \
    " folder TEXT NOT NULL DEFAULT '',"                                     \
    " note TEXT NOT NULL DEFAULT '');"

// The schema, as steps from each version to the next: step k takes user_version k to k + 1.
// A step is never changed once released; a new schema is a new step.
inline constexpr std::array<const char*, 5> Migrations = {
    // 1: sessions and what the unit reported in them.
    "CREATE TABLE sessions("
    " id INTEGER PRIMARY KEY," QUORVEX_JOURNAL_SESSION_COLUMNS
    "CREATE TABLE events("
    " id INTEGER PRIMARY KEY," QUORVEX_JOURNAL_EVENT_COLUMNS,
    // 2: one session's rows, newest first, without a full scan.
    "CREATE INDEX events_by_session ON events(session_id, id);",
    // 3: what the control-room link has handed to its broker. A row counts as delivered once the
    // broker acknowledged it; every row after the link's start that has no mark still waits.
    "CREATE TABLE link_start(only INTEGER PRIMARY KEY CHECK(only = 1), after_event INTEGER NOT NULL);"
    "CREATE TABLE link_deliveries(event_id INTEGER PRIMARY KEY, delivered_us INTEGER NOT NULL);",
    // 4: ids are never given twice (AUTOINCREMENT), the journal is marked as ours and named by a
    // UUID, so (journal, id) names a row everywhere; a position taken without a GPS fix (stored
    // as 0, 0 before) is no position.
    "CREATE TABLE sessions_v4("
    " id INTEGER PRIMARY KEY AUTOINCREMENT," QUORVEX_JOURNAL_SESSION_COLUMNS
    "INSERT INTO sessions_v4 SELECT * FROM sessions;"
    "CREATE TABLE events_v4("
    " id INTEGER PRIMARY KEY AUTOINCREMENT," QUORVEX_JOURNAL_EVENT_COLUMNS
    "INSERT INTO events_v4 SELECT * FROM events;"
    "DROP TABLE events;"
    "DROP TABLE sessions;"
    "ALTER TABLE sessions_v4 RENAME TO sessions;"
    "ALTER TABLE events_v4 RENAME TO events;"
    "CREATE INDEX events_by_session ON events(session_id, id);"
    "UPDATE events SET latitude = NULL, longitude = NULL, elevation = NULL"
    " WHERE gps_quality = 0 OR (latitude = 0 AND longitude = 0);"
    "CREATE TABLE journal_identity(only INTEGER PRIMARY KEY CHECK(only = 1), uuid TEXT NOT NULL);"
    "INSERT INTO journal_identity(only, uuid) SELECT 1, lower(hex(randomblob(4)) || '-' ||"
    " hex(randomblob(2)) || '-4' || substr(hex(randomblob(2)), 2) || '-' ||"
    " substr('89ab', 1 + abs(random() % 4), 1) || substr(hex(randomblob(2)), 2) || '-' ||"
    " hex(randomblob(6)));"
    "PRAGMA application_id = 1364350552;",
    // 5: who wrote each session (host, process and its start), so the next start closes a session
    // a crashed program left open and never one of a program still running; and pig runs, so a
    // run survives a restart: the route as it was read (a moved or changed file loses nothing),
    // the pigs, the passages given to it (a row of any journal, by its UUID and id) and the
    // overdue alarms with their acknowledgement.
    "ALTER TABLE sessions ADD COLUMN host TEXT;"
    "ALTER TABLE sessions ADD COLUMN pid INTEGER;"
    "ALTER TABLE sessions ADD COLUMN pid_started INTEGER;"
    "CREATE TABLE runs("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " started_us INTEGER NOT NULL,"
    " ended_us INTEGER,"
    " route_path TEXT NOT NULL,"
    " route_name TEXT NOT NULL,"
    " against_line INTEGER NOT NULL,"
    " marker_tolerance_m REAL NOT NULL,"
    " off_route_m REAL NOT NULL,"
    " lockout_s INTEGER NOT NULL,"
    " min_speed_mps REAL NOT NULL,"
    " max_speed_mps REAL NOT NULL,"
    " overdue_fraction REAL NOT NULL,"
    " overdue_minimum_s INTEGER NOT NULL);"
    "CREATE TABLE run_route_points("
    " run_id INTEGER NOT NULL REFERENCES runs(id),"
    " position INTEGER NOT NULL,"
    " latitude REAL NOT NULL,"
    " longitude REAL NOT NULL,"
    " PRIMARY KEY(run_id, position)) WITHOUT ROWID;"
    "CREATE TABLE run_markers("
    " run_id INTEGER NOT NULL REFERENCES runs(id),"
    " position INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " latitude REAL NOT NULL,"
    " longitude REAL NOT NULL,"
    " surveyed_chainage_m REAL,"
    " PRIMARY KEY(run_id, position));"
    "CREATE TABLE run_pigs("
    " run_id INTEGER NOT NULL REFERENCES runs(id),"
    " position INTEGER NOT NULL,"
    " name TEXT NOT NULL,"
    " launch_marker INTEGER NOT NULL,"
    " launch_us INTEGER NOT NULL,"
    " planned_mps REAL NOT NULL,"
    " PRIMARY KEY(run_id, position));"
    "CREATE TABLE run_passages("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " run_id INTEGER NOT NULL REFERENCES runs(id),"
    " time_us INTEGER NOT NULL,"
    " latitude REAL,"
    " longitude REAL,"
    " marker TEXT NOT NULL DEFAULT '',"
    " unit TEXT NOT NULL DEFAULT '',"
    " journal TEXT NOT NULL DEFAULT '',"
    " event_id INTEGER);"
    "CREATE INDEX run_passages_by_run ON run_passages(run_id, id);"
    "CREATE TABLE run_alarms("
    " run_id INTEGER NOT NULL REFERENCES runs(id),"
    " pig INTEGER NOT NULL,"
    " marker INTEGER NOT NULL,"
    " text TEXT NOT NULL,"
    " raised_us INTEGER NOT NULL,"
    " acknowledged_us INTEGER,"
    " cleared_us INTEGER,"
    " PRIMARY KEY(run_id, pig, marker, raised_us));",
};

#undef QUORVEX_JOURNAL_SESSION_COLUMNS
#undef QUORVEX_JOURNAL_EVENT_COLUMNS

// PRAGMA application_id of our journals: "QRVX". A file with another mark is another program's.
inline constexpr std::int32_t ApplicationId = 0x51525658;

inline constexpr const char* InsertSession =
    "INSERT INTO sessions(connected_us, port, host, pid, pid_started) VALUES(?1, ?2, ?3, ?4, ?5)";
// Sessions without an end, with who wrote them and the last time known of them.
inline constexpr const char* OpenSessions =
    "SELECT s.id, s.host, s.pid, s.pid_started,"
    " max(s.connected_us, coalesce((SELECT max(e.received_us) FROM events e"
    " WHERE e.session_id = s.id), 0))"
    " FROM sessions s WHERE s.disconnected_us IS NULL";
inline constexpr const char* DescribeUnit =
    "UPDATE sessions SET model = ?2, serial_number = ?3, firmware = ?4 WHERE id = ?1";
inline constexpr const char* EndSession =
    "UPDATE sessions SET disconnected_us = ?2, end_reason = ?3, end_text = ?4 WHERE id = ?1";
inline constexpr const char* InsertEvent =
    "INSERT INTO events(session_id, kind, unit_time_us, received_us, channel, channel_name, latitude,"
    " longitude, elevation, gps_quality, hdop, folder, note)"
    " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)";
inline constexpr const char* EditNote = "UPDATE events SET note = ?2 WHERE id = ?1";

// Rows for the list and exports, and the link's page: the select, then the conditions of the
// filter that are set (each "AND ..."), then the order. Only the conditions that apply are
// written, so SQLite can use the session index or the id's range.
inline constexpr const char* SelectEntries =
    "SELECT e.id, e.session_id, e.kind, e.unit_time_us, e.received_us, e.channel, e.channel_name,"
    " e.latitude, e.longitude, e.elevation, e.gps_quality, e.hdop, e.folder, e.note,"
    " coalesce(s.port, ''), coalesce(s.model, ''), coalesce(s.serial_number, '')"
    " FROM events e LEFT JOIN sessions s ON s.id = e.session_id WHERE 1";
inline constexpr const char* BySession = " AND e.session_id = ?";
inline constexpr const char* From = " AND coalesce(e.unit_time_us, e.received_us) >= ?";
inline constexpr const char* To = " AND coalesce(e.unit_time_us, e.received_us) < ?";
inline constexpr const char* PlacedOnly = " AND e.kind IN ('passage', 'ignored')";
inline constexpr const char* Before = " AND e.id < ?";
inline constexpr const char* After = " AND e.id > ?";
inline constexpr const char* NewestFirst = " ORDER BY e.id DESC LIMIT ?";
inline constexpr const char* OldestFirst = " ORDER BY e.id LIMIT ?";
inline constexpr const char* CountAll = "SELECT count(*) FROM events";
inline constexpr const char* CountSession = "SELECT count(*) FROM events WHERE session_id = ?1";
inline constexpr const char* LastSession = "SELECT max(id) FROM sessions";
inline constexpr const char* JournalUuid = "SELECT uuid FROM journal_identity";

// The pig runs.
inline constexpr const char* InsertRun =
    "INSERT INTO runs(started_us, route_path, route_name, against_line, marker_tolerance_m, off_route_m,"
    " lockout_s, min_speed_mps, max_speed_mps, overdue_fraction, overdue_minimum_s)"
    " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)";
inline constexpr const char* InsertRoutePoint =
    "INSERT INTO run_route_points(run_id, position, latitude, longitude) VALUES(?1, ?2, ?3, ?4)";
inline constexpr const char* InsertRunMarker =
    "INSERT INTO run_markers(run_id, position, name, latitude, longitude, surveyed_chainage_m)"
    " VALUES(?1, ?2, ?3, ?4, ?5, ?6)";
inline constexpr const char* InsertRunPig =
    "INSERT INTO run_pigs(run_id, position, name, launch_marker, launch_us, planned_mps)"
    " VALUES(?1, ?2, ?3, ?4, ?5, ?6)";
inline constexpr const char* InsertRunPassage =
    "INSERT INTO run_passages(run_id, time_us, latitude, longitude, marker, unit, journal, event_id)"
    " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)";
inline constexpr const char* DeleteRunAlarms = "DELETE FROM run_alarms WHERE run_id = ?1";
inline constexpr const char* InsertRunAlarm =
    "INSERT INTO run_alarms(run_id, pig, marker, text, raised_us, acknowledged_us, cleared_us)"
    " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)";
inline constexpr const char* EndRun = "UPDATE runs SET ended_us = ?2 WHERE id = ?1";
inline constexpr const char* LastRun = "SELECT max(id) FROM runs";
inline constexpr const char* OpenRun = "SELECT max(id) FROM runs WHERE ended_us IS NULL";
inline constexpr const char* SelectRun =
    "SELECT started_us, ended_us, route_path, route_name, against_line, marker_tolerance_m, off_route_m,"
    " lockout_s, min_speed_mps, max_speed_mps, overdue_fraction, overdue_minimum_s FROM runs WHERE id = ?1";
inline constexpr const char* SelectRoutePoints =
    "SELECT latitude, longitude FROM run_route_points WHERE run_id = ?1 ORDER BY position";
inline constexpr const char* SelectRunMarkers =
    "SELECT name, latitude, longitude, surveyed_chainage_m FROM run_markers WHERE run_id = ?1 ORDER BY "
    "position";
inline constexpr const char* SelectRunPigs =
    "SELECT name, launch_marker, launch_us, planned_mps FROM run_pigs WHERE run_id = ?1 ORDER BY position";
inline constexpr const char* SelectRunPassages =
    "SELECT time_us, latitude, longitude, marker, unit, journal, event_id FROM run_passages"
    " WHERE run_id = ?1 ORDER BY id";
inline constexpr const char* SelectRunAlarms =
    "SELECT pig, marker, text, raised_us, acknowledged_us, cleared_us FROM run_alarms WHERE run_id = ?1"
    " ORDER BY raised_us, pig, marker";

}  // namespace quorvex::journal::sql
