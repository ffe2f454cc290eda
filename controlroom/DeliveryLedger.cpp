#include "controlroom/DeliveryLedger.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quorvex::link {

using namespace journal;

namespace {

constexpr const char* SetStart =
    "INSERT OR IGNORE INTO link_start(only, after_event)"
    " SELECT 1, coalesce(max(id), 0) FROM events WHERE received_us < ?1";
constexpr const char* InsertMark =
    "INSERT OR IGNORE INTO link_deliveries(event_id, delivered_us) VALUES(?1, ?2)";
constexpr const char* IsMarked = "SELECT 1 FROM link_deliveries WHERE event_id = ?1";
// The first row after the start without a mark: every row before it is delivered.
constexpr const char* AdvanceStart =
    "UPDATE link_start SET after_event = coalesce((SELECT min(e.id) - 1 FROM events e WHERE e.id > "
    "after_event"
    " AND NOT EXISTS(SELECT 1 FROM link_deliveries d WHERE d.event_id = e.id)),"
    " (SELECT max(id) FROM events), after_event)";
// The note each delivered row had when the broker took it (rows without one have no line), so
// that a note edited later goes out again. In a file of the link's own beside the journal: the
// journal's tables are the journal's alone (it checks them).
constexpr const char* AttachNotes = "ATTACH DATABASE ?1 AS link_side";
constexpr const char* CreateNotes =
    "CREATE TABLE IF NOT EXISTS link_side.notes(event_id INTEGER PRIMARY KEY, note TEXT NOT NULL)";
constexpr const char* KeepNote =
    "INSERT INTO link_side.notes(event_id, note) VALUES(?1, ?2)"
    " ON CONFLICT(event_id) DO UPDATE SET note = excluded.note";
constexpr const char* EditedNotes =
    "SELECT e.id FROM events e JOIN link_deliveries d ON d.event_id = e.id"
    " LEFT JOIN link_side.notes n ON n.event_id = e.id WHERE e.note <> coalesce(n.note, '')"
    " ORDER BY e.id LIMIT ?1";
constexpr const char* CountWaiting =
    "SELECT count(*), min(e.received_us) FROM events e WHERE e.id > (SELECT after_event FROM link_start)"
    " AND NOT EXISTS(SELECT 1 FROM link_deliveries d WHERE d.event_id = e.id)";

// Made 0600 as the journal is (an empty file is an empty database), so that ATTACH finds it.
bool makeNotesFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    return fd >= 0 && ::close(fd) == 0;
}

}  // namespace

std::string DeliveryLedger::open(const std::string& path, Microseconds since) {
    close();
    if (std::string error = reader_.emplace().open(path); !error.empty()) {
        reader_.reset();
        return error;
    }
    if (connection_.open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX) != SQLITE_OK) {
        return fail();
    }
    sqlite3_busy_timeout(connection_.handle(), 5000);

    SqliteStatement start(connection_, SetStart);
    if (start.prepared() != SQLITE_OK || start.bind(1, since).run() != SQLITE_OK) {
        return fail();
    }
    const std::string notes = path + ".link-notes";
    if (!makeNotesFile(notes)) {
        const std::string error = notes + ": " + std::strerror(errno);
        close();
        return error;
    }
    SqliteStatement attach(connection_, AttachNotes);
    if (attach.prepared() != SQLITE_OK || attach.bind(1, notes).run() != SQLITE_OK ||
        connection_.execute(CreateNotes) != SQLITE_OK) {
        return fail();
    }
    return readDeliveredThrough();
}

void DeliveryLedger::close() {
    connection_.close();
    reader_.reset();
    dataVersion_.reset();
}

std::string DeliveryLedger::fail() {
    const std::string message = connection_.isOpen() ? connection_.message() : "the journal cannot be opened";
    close();
    return message;
}

std::string DeliveryLedger::readDeliveredThrough() {
    int result = SQLITE_OK;
    const auto through = connection_.queryInteger("SELECT after_event FROM link_start", result);
    if (result != SQLITE_OK || !through) {
        return fail();
    }
    deliveredThrough_ = *through;
    return {};
}

std::string DeliveryLedger::waitingAfter(std::int64_t after, std::size_t limit, WaitingPage& page) {
    std::vector<JournalEntry> rows;
    const std::int64_t from = std::max(after, deliveredThrough_);
    if (std::string error = reader_->page({}, false, from, limit, rows); !error.empty()) {
        return error;
    }
    // The page is cut by id before the marked rows are dropped, so a run of marked rows is passed
    // over page by page and never taken for the end.
    page.lastId = rows.empty() ? from : rows.back().id;
    page.full = rows.size() == limit;
    SqliteStatement marked(connection_, IsMarked);
    for (JournalEntry& entry : rows) {
        const bool delivered = marked.bind(1, entry.id).step() == SQLITE_ROW;
        marked.reset();
        if (!delivered) {
            page.rows.push_back(std::move(entry));
        }
    }
    return {};
}

std::string DeliveryLedger::markDelivered(std::span<const DeliveredRow> rows, Microseconds now) {
    if (connection_.execute("BEGIN IMMEDIATE") != SQLITE_OK) {
        return connection_.message();
    }
    SqliteStatement insert(connection_, InsertMark);
    SqliteStatement keepNote(connection_, KeepNote);
    int result = insert.prepared() != SQLITE_OK ? insert.prepared() : keepNote.prepared();
    for (std::size_t i = 0; i < rows.size() && result == SQLITE_OK; ++i) {
        result = insert.bind(1, rows[i].id).bind(2, now).run();
        if (result == SQLITE_OK && (rows[i].update || !rows[i].note.empty())) {
            result = keepNote.bind(1, rows[i].id).bind(2, rows[i].note).run();
        }
    }
    if (result == SQLITE_OK) {
        result = connection_.execute(AdvanceStart);
    }
    if (result != SQLITE_OK || connection_.execute("COMMIT") != SQLITE_OK) {
        const std::string message = connection_.message();
        connection_.execute("ROLLBACK");
        return message;
    }
    return readDeliveredThrough();
}

std::string DeliveryLedger::editedNotes(std::size_t limit, std::vector<JournalEntry>& rows) {
    SqliteStatement edited(connection_, EditedNotes);
    edited.bind(1, static_cast<std::int64_t>(limit));
    std::vector<std::int64_t> ids;
    int result = edited.prepared();
    while (result == SQLITE_OK && (result = edited.step()) == SQLITE_ROW) {
        ids.push_back(edited.integer(0));
        result = SQLITE_OK;
    }
    if (result != SQLITE_DONE && result != SQLITE_OK) {
        return connection_.message();
    }
    for (const std::int64_t id : ids) {
        if (std::string error = reader_->page({}, false, id - 1, 1, rows); !error.empty()) {
            return error;
        }
    }
    return {};
}

std::optional<Waiting> DeliveryLedger::waiting() {
    SqliteStatement count(connection_, CountWaiting);
    if (count.prepared() != SQLITE_OK || count.step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return Waiting{static_cast<std::size_t>(count.integer(0)), count.optionalInteger(1)};
}

bool DeliveryLedger::changed() {
    int result = SQLITE_OK;
    const auto version = connection_.queryInteger("PRAGMA data_version", result);
    const bool changed = result == SQLITE_OK && version != dataVersion_;
    dataVersion_ = version;
    return changed;
}

std::int64_t DeliveryLedger::lastRowId() {
    int result = SQLITE_OK;
    return connection_.queryInteger("SELECT coalesce(max(id), 0) FROM events", result).value_or(0);
}

std::string DeliveryLedger::lastSerialNumber() {
    int result = SQLITE_OK;
    return connection_
        .queryText("SELECT serial_number FROM sessions WHERE serial_number <> '' ORDER BY id DESC LIMIT 1",
                   result)
        .value_or("");
}

}  // namespace quorvex::link
