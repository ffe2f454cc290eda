#include "journal/JournalReader.h"

#include "journal/JournalSql.h"
#include "journal/JournalStore.h"

#include <limits>

namespace quorvex::journal {

namespace {

JournalEntry entryOf(const SqliteStatement& row) {
    JournalEntry entry;
    entry.id = row.integer(0);
    entry.session = row.integer(1);
    EventRow& event = entry.event;
    event.kind = kindNamed(row.text(2)).value_or(EventKind::Passage);
    event.unitTime = row.optionalInteger(3);
    event.received = row.integer(4);
    event.channel = row.optionalInteger(5);
    event.channelName = row.text(6);
    event.latitude = row.optionalReal(7);
    event.longitude = row.optionalReal(8);
    event.elevation = row.optionalReal(9);
    event.gpsQuality = row.optionalInteger(10);
    event.hdop = row.optionalReal(11);
    event.folder = row.text(12);
    event.note = row.text(13);
    entry.port = row.text(14);
    entry.model = row.text(15);
    entry.serialNumber = row.text(16);
    return entry;
}

void bindFilter(SqliteStatement& statement, const JournalFilter& filter, std::optional<std::int64_t> after,
                std::size_t limit) {
    statement.bind(1, filter.session).bind(2, filter.from).bind(3, filter.to);
    statement.bind(4, std::int64_t{filter.placedOnly ? 1 : 0}).bind(5, after);
    statement.bind(6, static_cast<std::int64_t>(limit));
}

}  // namespace

JournalReader::JournalReader() = default;
JournalReader::~JournalReader() = default;

std::string JournalReader::open(const std::string& path) {
    if (connection_.open(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX) != SQLITE_OK) {
        return path + ": " + sqlite3_errstr(SQLITE_CANTOPEN);
    }
    sqlite3_busy_timeout(connection_.handle(), 5000);
    int result = SQLITE_OK;
    const auto version = connection_.queryInteger("PRAGMA user_version", result);
    if (result != SQLITE_OK) {
        const std::string message = connection_.message();
        connection_.close();
        return path + ": " + message;
    }
    if (*version != currentSchemaVersion()) {
        connection_.close();
        return path + ": not a journal this program reads (schema version " + std::to_string(*version) + ")";
    }
    return {};
}

std::string JournalReader::page(const JournalFilter& filter, bool newestFirst,
                                std::optional<std::int64_t> after, std::size_t limit,
                                std::vector<JournalEntry>& rows) {
    SqliteStatement statement(connection_, newestFirst ? sql::SelectNewest : sql::SelectOldest);
    if (statement.prepared() != SQLITE_OK) {
        return connection_.message();
    }
    bindFilter(statement, filter, after, limit);
    int result = SQLITE_OK;
    while ((result = statement.step()) == SQLITE_ROW) {
        rows.push_back(entryOf(statement));
    }
    return result == SQLITE_DONE ? std::string() : connection_.message();
}

std::string JournalReader::forEach(const JournalFilter& filter,
                                   const std::function<void(const JournalEntry&)>& visit) {
    SqliteStatement statement(connection_, sql::SelectOldest);
    if (statement.prepared() != SQLITE_OK) {
        return connection_.message();
    }
    bindFilter(statement, filter, std::nullopt,
               static_cast<std::size_t>(std::numeric_limits<std::int64_t>::max()));
    int result = SQLITE_OK;
    while ((result = statement.step()) == SQLITE_ROW) {
        visit(entryOf(statement));
    }
    return result == SQLITE_DONE ? std::string() : connection_.message();
}

std::optional<std::int64_t> JournalReader::lastSession() {
    SqliteStatement statement(connection_, sql::LastSession);
    if (statement.prepared() != SQLITE_OK || statement.step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return statement.optionalInteger(0);
}

std::optional<std::int64_t> JournalReader::count(std::optional<std::int64_t> session) {
    SqliteStatement statement(connection_, sql::CountEntries);
    statement.bind(1, session);
    if (statement.prepared() != SQLITE_OK || statement.step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return statement.integer(0);
}

}  // namespace quorvex::journal
