#include "journal/JournalReader.h"

#include "journal/JournalFileCheck.h"
#include "journal/JournalSql.h"
#include "journal/JournalStore.h"
#include "journal/RunRecordRead.h"

#include <unistd.h>
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

// The statement's values in the order entriesSql writes their conditions.
void bindFilter(SqliteStatement& statement, const JournalFilter& filter, std::optional<std::int64_t> after,
                std::size_t limit) {
    int index = 0;
    for (const auto& value : {filter.session, filter.from, filter.to, after}) {
        if (value) {
            statement.bind(++index, *value);
        }
    }
    statement.bind(++index, static_cast<std::int64_t>(std::min<std::size_t>(
                                limit, static_cast<std::size_t>(std::numeric_limits<std::int64_t>::max()))));
}

// A read-only folder or medium: SQLite cannot make the shared-memory file a WAL reader needs.
// Without a WAL beside it the file is the whole journal, and nothing will change it.
bool readOnlyPlace(const std::string& path) {
    const std::string folder =
        path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/') + 1);
    return ::access((path + "-wal").c_str(), F_OK) != 0 && ::access(folder.c_str(), W_OK) != 0;
}

}  // namespace

std::string entriesSql(const JournalFilter& filter, bool newestFirst, bool hasAfter) {
    std::string text = sql::SelectEntries;
    text += filter.session ? sql::BySession : "";
    text += filter.from ? sql::From : "";
    text += filter.to ? sql::To : "";
    text += filter.placedOnly ? sql::PlacedOnly : "";
    text += hasAfter ? (newestFirst ? sql::Before : sql::After) : "";
    return text + (newestFirst ? sql::NewestFirst : sql::OldestFirst);
}

JournalReader::JournalReader() = default;
JournalReader::~JournalReader() = default;

std::string JournalReader::open(const std::string& path) {
    uuid_.clear();
    const bool readOnly = readOnlyPlace(path);
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | (readOnly ? SQLITE_OPEN_URI : 0);
    if (connection_.open(readOnly ? immutableUri(path) : path, flags) != SQLITE_OK) {
        return path + ": " + sqlite3_errstr(SQLITE_CANTOPEN);
    }
    sqlite3_busy_timeout(connection_.handle(), 5000);
    int result = SQLITE_OK;
    const auto id = connection_.queryInteger("PRAGMA application_id", result);
    if (result != SQLITE_OK) {
        return refuse(path + ": " + connection_.message());
    }
    const auto version = connection_.queryInteger("PRAGMA user_version", result);
    if (result != SQLITE_OK) {
        return refuse(path + ": " + connection_.message());
    }
    if (std::string foreign = foreignMark(static_cast<int>(*id)); !foreign.empty()) {
        return refuse(path + ": not a journal of this program (" + foreign + ")");
    }
    // A journal from before the mark says its version; any other file without it is not ours.
    const bool older = *version >= 1 && *version < currentSchemaVersion();
    if (*id != sql::ApplicationId && !older) {
        return refuse(path + ": not a journal of this program");
    }
    if (*version != currentSchemaVersion()) {
        return refuse(path + ": not a journal this program reads (schema version " +
                      std::to_string(*version) + ")");
    }
    const auto uuid = connection_.queryText(sql::JournalUuid, result);
    if (result != SQLITE_OK || !uuid) {
        return refuse(path + ": " +
                      (result != SQLITE_OK ? connection_.message() : "the journal has no UUID"));
    }
    uuid_ = *uuid;
    return {};
}

std::string JournalReader::refuse(const std::string& reason) {
    connection_.close();
    return reason;
}

std::string JournalReader::page(const JournalFilter& filter, bool newestFirst,
                                std::optional<std::int64_t> after, std::size_t limit,
                                std::vector<JournalEntry>& rows) {
    return read(filter, newestFirst, after, limit,
                [&](JournalEntry&& entry) { rows.push_back(std::move(entry)); });
}

std::string JournalReader::forEach(const JournalFilter& filter,
                                   const std::function<void(const JournalEntry&)>& visit,
                                   const std::function<bool()>& stopped) {
    return read(
        filter, false, std::nullopt, std::numeric_limits<std::size_t>::max(),
        [&](JournalEntry&& entry) { visit(entry); }, stopped);
}

std::string JournalReader::read(const JournalFilter& filter, bool newestFirst,
                                std::optional<std::int64_t> after, std::size_t limit,
                                const std::function<void(JournalEntry&&)>& take,
                                const std::function<bool()>& stopped) {
    SqliteStatement statement(connection_, entriesSql(filter, newestFirst, after.has_value()).c_str());
    if (statement.prepared() != SQLITE_OK) {
        return connection_.message();
    }
    bindFilter(statement, filter, after, limit);
    int result = SQLITE_OK;
    while ((result = statement.step()) == SQLITE_ROW) {
        if (stopped && stopped()) {
            return {};
        }
        JournalEntry entry = entryOf(statement);
        entry.journal = uuid_;
        take(std::move(entry));
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
    SqliteStatement statement(connection_, session ? sql::CountSession : sql::CountAll);
    if (session) {
        statement.bind(1, *session);
    }
    if (statement.prepared() != SQLITE_OK || statement.step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return statement.integer(0);
}

std::string JournalReader::lastRun(std::optional<std::int64_t>& id) {
    int result = SQLITE_OK;
    id = connection_.queryInteger(sql::LastRun, result);
    // max() of no rows is NULL, read as 0: ids start at 1.
    id = id.value_or(0) > 0 ? id : std::nullopt;
    return result == SQLITE_OK ? std::string() : connection_.message();
}

std::string JournalReader::readRun(std::int64_t id, std::optional<RunRecord>& run) {
    // One read transaction: a run the console is writing meanwhile is read as it stood.
    int result = connection_.execute("BEGIN");
    if (result == SQLITE_OK) {
        result = readRunRecord(connection_, id, run);
    }
    const std::string error = result == SQLITE_OK ? std::string() : connection_.message();
    if (!sqlite3_get_autocommit(connection_.handle())) {
        connection_.execute("COMMIT");
    }
    return error;
}

}  // namespace quorvex::journal
