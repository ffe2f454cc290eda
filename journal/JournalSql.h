#pragma once

#include <array>

// Every statement the journal runs, in one place.
namespace quorvex::journal::sql {

// The schema, as steps from each version to the next: step k takes user_version k to k + 1.
// A step is never changed once released; a new schema is a new step.
inline constexpr std::array<const char*, 3> Migrations = {
    // 1: sessions and what the unit reported in them.
    "CREATE TABLE sessions("
    " id INTEGER PRIMARY KEY,"
    " connected_us INTEGER NOT NULL,"
    " disconnected_us INTEGER,"
    " port TEXT NOT NULL,"
    " model TEXT NOT NULL DEFAULT '',"
    " serial_number TEXT NOT NULL DEFAULT '',"
    " firmware TEXT NOT NULL DEFAULT '',"
    " end_reason TEXT,"
    " end_text TEXT);"
    "CREATE TABLE events("
    " id INTEGER PRIMARY KEY,"
    " session_id INTEGER REFERENCES sessions(id),"
    " kind TEXT NOT NULL CHECK(kind IN ('passage', 'ignored', 'trigger')),"
    " unit_time_us INTEGER,"
    " received_us INTEGER NOT NULL,"
    " channel INTEGER,"
    " channel_name TEXT NOT NULL DEFAULT '',"
    " latitude REAL,"
    " longitude REAL,"
    " elevation REAL,"
    " gps_quality INTEGER,"
    " hdop REAL,"
    " folder TEXT NOT NULL DEFAULT '',"
    " note TEXT NOT NULL DEFAULT '');",
    // 2: one session's rows, newest first, without a full scan.
    "CREATE INDEX events_by_session ON events(session_id, id);",
    // 3: what the control-room link has handed to its broker. A row counts as delivered once the
    // broker acknowledged it; every row after the link's start that has no mark still waits.
    "CREATE TABLE link_start(only INTEGER PRIMARY KEY CHECK(only = 1), after_event INTEGER NOT NULL);"
    "CREATE TABLE link_deliveries(event_id INTEGER PRIMARY KEY, delivered_us INTEGER NOT NULL);",
};

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

// Rows for the list and exports after a keyset position (the id of the last row read), newest
// or oldest first. Unused bounds of the filter are NULL; ?4 asks for passages and ignored events only.
#define QUORVEX_JOURNAL_SELECT_ENTRIES                                                             \
    "SELECT e.id, e.session_id, e.kind, e.unit_time_us, e.received_us, e.channel, e.channel_name," \
    " e.latitude, e.longitude, e.elevation, e.gps_quality, e.hdop, e.folder, e.note,"              \
    " coalesce(s.port, ''), coalesce(s.model, ''), coalesce(s.serial_number, '')"                  \
    " FROM events e LEFT JOIN sessions s ON s.id = e.session_id"                                   \
    " WHERE (?1 IS NULL OR e.session_id = ?1)"                                                     \
    " AND (?2 IS NULL OR coalesce(e.unit_time_us, e.received_us) >= ?2)"                           \
    " AND (?3 IS NULL OR coalesce(e.unit_time_us, e.received_us) < ?3)"                            \
    " AND (?4 = 0 OR e.kind IN ('passage', 'ignored'))"
inline constexpr const char* SelectNewest =
    QUORVEX_JOURNAL_SELECT_ENTRIES " AND (?5 IS NULL OR e.id < ?5) ORDER BY e.id DESC LIMIT ?6";
inline constexpr const char* SelectOldest =
    QUORVEX_JOURNAL_SELECT_ENTRIES " AND (?5 IS NULL OR e.id > ?5) ORDER BY e.id LIMIT ?6";
#undef QUORVEX_JOURNAL_SELECT_ENTRIES
inline constexpr const char* CountEntries =
    "SELECT count(*) FROM events WHERE (?1 IS NULL OR session_id = ?1)";
inline constexpr const char* LastSession = "SELECT max(id) FROM sessions";

}  // namespace quorvex::journal::sql
