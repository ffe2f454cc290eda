#include "controlroom/DeliveryLedger.h"

#include <algorithm>

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
constexpr const char* CountWaiting =
    "SELECT count(*) FROM events e WHERE e.id > (SELECT after_event FROM link_start)"
    " AND NOT EXISTS(SELECT 1 FROM link_deliveries d WHERE d.event_id = e.id)";

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

std::string DeliveryLedger::markDelivered(std::span<const std::int64_t> ids, Microseconds now) {
    if (connection_.execute("BEGIN IMMEDIATE") != SQLITE_OK) {
        return connection_.message();
    }
    SqliteStatement insert(connection_, InsertMark);
    int result = insert.prepared();
    for (std::size_t i = 0; i < ids.size() && result == SQLITE_OK; ++i) {
        result = insert.bind(1, ids[i]).bind(2, now).run();
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

std::optional<std::size_t> DeliveryLedger::waitingCount() {
    int result = SQLITE_OK;
    const auto count = connection_.queryInteger(CountWaiting, result);
    return result == SQLITE_OK && count ? std::optional<std::size_t>(static_cast<std::size_t>(*count))
                                        : std::nullopt;
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
