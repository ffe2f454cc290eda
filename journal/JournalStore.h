#pragma once

#include "journal/JournalOperation.h"
#include "journal/SqliteConnection.h"

#include <chrono>
#include <map>
#include <memory>
#include <span>
#include <string>

namespace quorvex::journal {

// The journal's schema version (PRAGMA user_version) this program writes.
int currentSchemaVersion();

// How opening the journal file went.
enum class OpenOutcome {
    Ready,
    NewerSchema,  // written by a newer program: not to be touched
    Damaged,      // not a database, or one that fails its check
    Refused,      // another program's file, or one we must not open: left untouched
    Failed,       // could not be opened or set up (the message says why)
};

// The journal file opened for writing: WAL, synchronous=FULL, migrated to the current schema.
// Applies operations in one transaction each call. Used by one thread.
class JournalStore {
public:
    JournalStore();
    ~JournalStore();
    JournalStore(const JournalStore&) = delete;
    JournalStore& operator=(const JournalStore&) = delete;

    OpenOutcome open(const std::string& path, std::chrono::milliseconds busyTimeout);
    void close();
    bool isOpen() const { return connection_.isOpen(); }
    // All or none of the operations; SQLite's result code.
    int write(std::span<const JournalOperation> operations);
    // What went wrong last, for a person.
    std::string message() const { return message_; }
    // The row of each session begun by this process and committed.
    const std::map<SessionToken, std::int64_t>& sessions() const { return sessions_; }
    // Sessions already on disk that later operations name by these tokens.
    void adoptSessions(const std::map<SessionToken, std::int64_t>& rows) {
        sessions_.insert(rows.begin(), rows.end());
    }
    // The open connection, for the journal's other tables (the runs).
    SqliteConnection& connection() { return connection_; }
    // The version found in a file refused as newer.
    int foundVersion() const { return foundVersion_; }

private:
    struct Statements;
    OpenOutcome openOnce(const std::string& path, std::chrono::milliseconds busyTimeout);
    OpenOutcome setUp(std::chrono::milliseconds busyTimeout, bool empty);
    OpenOutcome migrate();
    // Ends the sessions a program that stopped without ending them left open.
    int closeAbandoned();
    int apply(const JournalOperation& operation, std::map<SessionToken, std::int64_t>& sessions);
    OpenOutcome fail(int result);

    SqliteConnection connection_;
    std::unique_ptr<Statements> statements_;
    // The row of each session this process began.
    std::map<SessionToken, std::int64_t> sessions_;
    std::string message_;
    int foundVersion_ = 0;
    int lastResult_ = 0;  // SQLite's result code of the last failure
};

}  // namespace quorvex::journal
