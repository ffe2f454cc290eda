#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>

namespace quorvex::journal {

// One SQLite connection, closed when this goes. Operations return SQLite's result code; the
// connection's message says what went wrong.
class SqliteConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection() { close(); }
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // The path is bytes, handed to the file system as it is.
    int open(const std::string& path, int flags);
    void close();
    bool isOpen() const { return handle_ != nullptr; }
    // Runs statements that return no rows.
    int execute(const char* sql);
    // The first column of the first row of a query, as a number or a text.
    std::optional<std::int64_t> queryInteger(const char* sql, int& result);
    std::optional<std::string> queryText(const char* sql, int& result);
    std::string message() const;
    sqlite3* handle() const { return handle_; }

private:
    sqlite3* handle_ = nullptr;
};

// The URI of a database file that nothing changes while it is read (SQLite's immutable=1): no
// lock, no WAL, no shared-memory file is made beside it. Open it with SQLITE_OPEN_URI.
std::string immutableUri(const std::string& path);

// One prepared statement, finalized when this goes. Indices of bind calls start at 1, of columns at 0.
class SqliteStatement {
public:
    SqliteStatement(const SqliteConnection& connection, const char* sql);
    ~SqliteStatement() { sqlite3_finalize(statement_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    int prepared() const { return prepared_; }
    SqliteStatement& bind(int index, std::int64_t value);
    SqliteStatement& bind(int index, double value);
    SqliteStatement& bind(int index, const std::string& value);
    template <typename Value>
    SqliteStatement& bind(int index, const std::optional<Value>& value) {
        return value ? bind(index, *value) : bindNull(index);
    }
    SqliteStatement& bindNull(int index);
    // SQLITE_ROW, SQLITE_DONE or an error.
    int step() { return sqlite3_step(statement_); }
    // Steps to the end and makes the statement ready for its next values.
    int run();
    void reset();

    bool isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
    double real(int column) const { return sqlite3_column_double(statement_, column); }
    std::string text(int column) const;
    std::optional<std::int64_t> optionalInteger(int column) const;
    std::optional<double> optionalReal(int column) const;

private:
    sqlite3_stmt* statement_ = nullptr;
    int prepared_ = SQLITE_OK;
};

}  // namespace quorvex::journal
