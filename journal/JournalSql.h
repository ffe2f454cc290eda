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
inline constexpr std::array<const char*, 4> Migrations = {
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
};

#undef QUORVEX_JOURNAL_SESSION_COLUMNS
#undef QUORVEX_JOURNAL_EVENT_COLUMNS

// PRAGMA application_id of our journals: "QRVX". A file with another mark is another program's.
inline constexpr std::int32_t ApplicationId = 0x51525658;

inline constexpr const char* InsertSession = "INSERT INTO sessions(connected_us, port) VALUES(?1, ?2)";
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

}  // namespace quorvex::journal::sql
