#include "journal/JournalStore.h"

#include "journal/ExportText.h"
#include "journal/JournalFileCheck.h"
#include "journal/JournalSql.h"
#include "journal/ProcessIdentity.h"

#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quorvex::journal {

namespace {

bool isDamage(int result) {
    const int primary = result & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

template <typename Operation>
std::int64_t sessionRow(const Operation& operation, const std::map<SessionToken, std::int64_t>& sessions) {
    const auto found = sessions.find(operation.token);
    return found != sessions.end() ? found->second : 0;
}

// The position of a row taken without a GPS fix is no position: the unit sends 0, 0 for it.
bool withoutFix(const EventRow& row) {
    return row.gpsQuality == 0 || (row.latitude == 0.0 && row.longitude == 0.0);
}

template <typename Value>
std::optional<Value> ifFixed(const EventRow& row, const std::optional<Value>& value) {
    return withoutFix(row) ? std::nullopt : value;
}

// What a session a crashed program left open is ended with, at the last time known of it.
constexpr const char* AbandonedReason = "not closed";
constexpr const char* AbandonedText = "the program that wrote it stopped unexpectedly";

const std::string MarkAsOurs = "PRAGMA application_id = " + std::to_string(sql::ApplicationId);

}  // namespace

int currentSchemaVersion() {
    return static_cast<int>(sql::Migrations.size());
}

struct JournalStore::Statements {
    explicit Statements(const SqliteConnection& connection)
        : insertSession(connection, sql::InsertSession),
          describeUnit(connection, sql::DescribeUnit),
          endSession(connection, sql::EndSession),
          insertEvent(connection, sql::InsertEvent),
          editNote(connection, sql::EditNote) {}

    int prepared() const {
        for (const SqliteStatement* each :
             {&insertSession, &describeUnit, &endSession, &insertEvent, &editNote}) {
            if (each->prepared() != SQLITE_OK) {
                return each->prepared();
            }
        }
        return SQLITE_OK;
    }

    SqliteStatement insertSession;
    SqliteStatement describeUnit;
    SqliteStatement endSession;
    SqliteStatement insertEvent;
    SqliteStatement editNote;
};

JournalStore::JournalStore() = default;

JournalStore::~JournalStore() {
    close();
}

void JournalStore::close() {
    statements_.reset();
    connection_.close();
}

OpenOutcome JournalStore::fail(int result) {
    lastResult_ = result;
    message_ = connection_.isOpen() ? connection_.message() : sqlite3_errstr(result);
    close();
    return isDamage(result) ? OpenOutcome::Damaged : OpenOutcome::Failed;
}

OpenOutcome JournalStore::open(const std::string& path, std::chrono::milliseconds busyTimeout) {
    // SQLite answers "locked" without waiting while another program switches the file to WAL or
    // recovers it; that is the other writer's turn, not a fault, so it is tried again in time.
    const auto deadline = std::chrono::steady_clock::now() + busyTimeout;
    for (;;) {
        const OpenOutcome outcome = openOnce(path, busyTimeout);
        if (outcome != OpenOutcome::Failed || (lastResult_ & 0xFF) != SQLITE_BUSY ||
            std::chrono::steady_clock::now() >= deadline) {
            return outcome;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

OpenOutcome JournalStore::openOnce(const std::string& path, std::chrono::milliseconds busyTimeout) {
    close();
    message_.clear();
    lastResult_ = SQLITE_OK;
    // What the file is comes from its own bytes first: SQLite changes a file it opens for writing.
    const JournalFileCheck check = checkJournalFile(path);
    message_ = check.reason;
    switch (check.verdict) {
        case JournalFileVerdict::Foreign:
            return OpenOutcome::Refused;
        case JournalFileVerdict::Newer:
            foundVersion_ = check.version;
            return OpenOutcome::NewerSchema;
        case JournalFileVerdict::Damaged:
            return OpenOutcome::Damaged;
        case JournalFileVerdict::Unreadable:
            return OpenOutcome::Failed;
        case JournalFileVerdict::Empty:
        case JournalFileVerdict::Ours:
            break;
    }
    const int result = connection_.open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    if (result != SQLITE_OK) {
        return fail(result);
    }
    return setUp(busyTimeout, check.verdict == JournalFileVerdict::Empty);
}

OpenOutcome JournalStore::setUp(std::chrono::milliseconds busyTimeout, bool empty) {
    // Two consoles or clients of the same user share the file: each waits its turn for the lock.
    sqlite3_busy_timeout(connection_.handle(), static_cast<int>(busyTimeout.count()));
    // A newer program's file is refused before anything, even the journal mode, is changed in it,
    // and before a check that parses a schema this program may not know. The header's version
    // may wait in the WAL, which SQLite reads.
    int result = SQLITE_OK;
    const auto version = connection_.queryInteger("PRAGMA user_version", result);
    if (result != SQLITE_OK) {
        return fail(result);
    }
    if (*version > currentSchemaVersion()) {
        foundVersion_ = static_cast<int>(*version);
        close();
        return OpenOutcome::NewerSchema;
    }
    const auto check = connection_.queryText("PRAGMA quick_check(1)", result);
    if (result != SQLITE_OK) {
        return fail(result);
    }
    if (check != "ok") {
        message_ = "integrity check: " + check.value_or("");
        close();
        return OpenOutcome::Damaged;
    }
    // The mark goes into the file's own header before the WAL holds anything, so another program
    // reading the header finds it even before a checkpoint.
    if (empty && (result = connection_.execute(MarkAsOurs.c_str())) != SQLITE_OK) {
        return fail(result);
    }
    const auto mode = connection_.queryText("PRAGMA journal_mode=WAL", result);
    if (result != SQLITE_OK) {
        return fail(result);
    }
    if (mode != "wal") {
        // SQLite keeps the old mode while another connection holds the file: a turn to wait for.
        fail(SQLITE_BUSY);
        message_ = "the journal mode stays " + mode.value_or("unknown") + ", not WAL";
        return OpenOutcome::Failed;
    }
    if ((result = connection_.execute("PRAGMA synchronous=FULL")) != SQLITE_OK) {
        return fail(result);
    }
    if (const OpenOutcome migrated = migrate(); migrated != OpenOutcome::Ready) {
        return migrated;
    }
    statements_ = std::make_unique<Statements>(connection_);
    if ((result = statements_->prepared()) != SQLITE_OK) {
        return fail(result);
    }
    if ((result = closeAbandoned()) != SQLITE_OK) {
        return fail(result);
    }
    return OpenOutcome::Ready;
}

OpenOutcome JournalStore::migrate() {
    // The version is read inside the write lock, so two programs starting at once migrate once.
    int result = connection_.execute("BEGIN IMMEDIATE");
    if (result != SQLITE_OK) {
        return fail(result);
    }
    const auto version = connection_.queryInteger("PRAGMA user_version", result);
    if (result != SQLITE_OK) {
        return fail(result);
    }
    foundVersion_ = static_cast<int>(*version);
    if (foundVersion_ > currentSchemaVersion()) {
        connection_.execute("ROLLBACK");
        close();
        return OpenOutcome::NewerSchema;
    }
    for (int step = foundVersion_; step < currentSchemaVersion() && result == SQLITE_OK; ++step) {
        result = connection_.execute(sql::Migrations[static_cast<std::size_t>(step)]);
    }
    if (result == SQLITE_OK) {
        const std::string setVersion = "PRAGMA user_version = " + std::to_string(currentSchemaVersion());
        result = connection_.execute(setVersion.c_str());
    }
    if (result == SQLITE_OK) {
        result = connection_.execute("COMMIT");
    }
    if (result != SQLITE_OK) {
        return fail(result);
    }
    return OpenOutcome::Ready;
}

int JournalStore::closeAbandoned() {
    // Read and ended in one write lock, so two programs starting at once end a session once.
    int result = connection_.execute("BEGIN IMMEDIATE");
    std::vector<std::pair<std::int64_t, Microseconds>> abandoned;
    SqliteStatement open(connection_, sql::OpenSessions);
    while (result == SQLITE_OK && (result = open.step()) == SQLITE_ROW) {
        // A session of a program from before its writer was recorded cannot be told apart from
        // one still being written: it is left as it is.
        const ProcessIdentity writer{open.text(1), open.optionalInteger(2).value_or(0), open.integer(3)};
        if (!open.isNull(2) && !mayBeRunning(writer)) {
            abandoned.emplace_back(open.integer(0), open.integer(4));
        }
        result = SQLITE_OK;
    }
    result = result == SQLITE_DONE ? open.prepared() : result;
    for (const auto& [session, lastKnown] : abandoned) {
        if (result == SQLITE_OK) {
            result = statements_->endSession.bind(1, session)
                         .bind(2, lastKnown)
                         .bind(3, std::string(AbandonedReason))
                         .bind(4, std::string(AbandonedText))
                         .run();
        }
    }
    if (result == SQLITE_OK) {
        result = connection_.execute("COMMIT");
    }
    if (result != SQLITE_OK && !sqlite3_get_autocommit(connection_.handle())) {
        connection_.execute("ROLLBACK");
    }
    return result;
}

int JournalStore::write(std::span<const JournalOperation> operations) {
    int result = connection_.execute("BEGIN IMMEDIATE");
    // Sessions begun in this transaction count only once it is committed.
    std::map<SessionToken, std::int64_t> sessions = sessions_;
    for (const JournalOperation& operation : operations) {
        if (result != SQLITE_OK) {
            break;
        }
        result = apply(operation, sessions);
    }
    if (result == SQLITE_OK) {
        result = connection_.execute("COMMIT");
    }
    if (result != SQLITE_OK) {
        message_ = connection_.message();
        if (!sqlite3_get_autocommit(connection_.handle())) {
            connection_.execute("ROLLBACK");
        }
        return result;
    }
    sessions_ = std::move(sessions);
    return SQLITE_OK;
}

int JournalStore::apply(const JournalOperation& operation, std::map<SessionToken, std::int64_t>& sessions) {
    Statements& s = *statements_;
    if (const auto* begin = std::get_if<BeginSession>(&operation)) {
        const ProcessIdentity writer = thisProcess();
        const int result = s.insertSession.bind(1, begin->start.connected)
                               .bind(2, escapedUtf8(begin->start.port))
                               .bind(3, writer.host)
                               .bind(4, writer.pid)
                               .bind(5, writer.started)
                               .run();
        sessions[begin->token] = sqlite3_last_insert_rowid(connection_.handle());
        return result;
    }
    if (const auto* unit = std::get_if<DescribeUnit>(&operation)) {
        return s.describeUnit.bind(1, sessionRow(*unit, sessions))
            .bind(2, escapedUtf8(unit->unit.model))
            .bind(3, escapedUtf8(unit->unit.serialNumber))
            .bind(4, escapedUtf8(unit->unit.firmware))
            .run();
    }
    if (const auto* end = std::get_if<EndSession>(&operation)) {
        return s.endSession.bind(1, sessionRow(*end, sessions))
            .bind(2, end->ending.disconnected)
            .bind(3, escapedUtf8(end->ending.reason))
            .bind(4, escapedUtf8(end->ending.text))
            .run();
    }
    if (const auto* note = std::get_if<EditNote>(&operation)) {
        return s.editNote.bind(1, note->eventId).bind(2, escapedUtf8(note->note)).run();
    }
    const auto& add = std::get<AddEvent>(operation);
    const EventRow& row = add.row;
    const std::int64_t session = sessionRow(add, sessions);
    s.insertEvent.bind(1, session != 0 ? std::optional(session) : std::nullopt)
        .bind(2, std::string(kindName(row.kind)))
        .bind(3, row.unitTime)
        .bind(4, row.received)
        .bind(5, row.channel)
        .bind(6, escapedUtf8(row.channelName));
    s.insertEvent.bind(7, ifFixed(row, row.latitude))
        .bind(8, ifFixed(row, row.longitude))
        .bind(9, ifFixed(row, row.elevation));
    return s.insertEvent.bind(10, row.gpsQuality)
        .bind(11, row.hdop)
        .bind(12, escapedUtf8(row.folder))
        .bind(13, escapedUtf8(row.note))
        .run();
}

}  // namespace quorvex::journal
