#include "journal/SqliteConnection.h"

namespace quorvex::journal {

namespace {

// The first column of the first row, read by `read`; `result` is SQLITE_OK when there is one.
template <typename Value, typename Read>
std::optional<Value> firstValue(const SqliteConnection& connection, const char* sql, int& result, Read read) {
    SqliteStatement statement(connection, sql);
    result = statement.prepared() != SQLITE_OK ? statement.prepared() : statement.step();
    if (result != SQLITE_ROW) {
        return std::nullopt;
    }
    result = SQLITE_OK;
    return read(statement);
}

}  // namespace

std::string immutableUri(const std::string& path) {
    constexpr const char* Digits = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '?' || c == '#' || c == '%') {
            uri += {'%', Digits[byte >> 4], Digits[byte & 0x0F]};
        } else {
            uri += c;
        }
    }
    return uri + "?immutable=1";
}

int SqliteConnection::open(const std::string& path, int flags) {
    close();
    const int result = sqlite3_open_v2(path.c_str(), &handle_, flags, nullptr);
    if (result != SQLITE_OK) {
        // A failed open still hands back a connection, to be closed.
        close();
    } else {
        sqlite3_extended_result_codes(handle_, 1);
    }
    return result;
}

void SqliteConnection::close() {
    sqlite3_close_v2(handle_);
    handle_ = nullptr;
}

int SqliteConnection::execute(const char* sql) {
    return sqlite3_exec(handle_, sql, nullptr, nullptr, nullptr);
}

std::optional<std::int64_t> SqliteConnection::queryInteger(const char* sql, int& result) {
    return firstValue<std::int64_t>(*this, sql, result,
                                    [](const SqliteStatement& row) { return row.integer(0); });
}

std::optional<std::string> SqliteConnection::queryText(const char* sql, int& result) {
    return firstValue<std::string>(*this, sql, result,
                                   [](const SqliteStatement& row) { return row.text(0); });
}

std::string SqliteConnection::message() const {
    return handle_ != nullptr ? sqlite3_errmsg(handle_) : "out of memory";
}

SqliteStatement::SqliteStatement(const SqliteConnection& connection, const char* sql) {
    prepared_ = sqlite3_prepare_v2(connection.handle(), sql, -1, &statement_, nullptr);
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value) {
    sqlite3_bind_int64(statement_, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, double value) {
    sqlite3_bind_double(statement_, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const std::string& value) {
    sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::bindNull(int index) {
    sqlite3_bind_null(statement_, index);
    return *this;
}

int SqliteStatement::run() {
    int result = step();
    while (result == SQLITE_ROW) {
        result = step();
    }
    reset();
    return result == SQLITE_DONE ? SQLITE_OK : result;
}

void SqliteStatement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

std::string SqliteStatement::text(int column) const {
    const auto* bytes = sqlite3_column_text(statement_, column);
    return bytes != nullptr ? std::string(reinterpret_cast<const char*>(bytes),
                                          static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                            : std::string();
}

std::optional<std::int64_t> SqliteStatement::optionalInteger(int column) const {
    return isNull(column) ? std::nullopt : std::optional(integer(column));
}

std::optional<double> SqliteStatement::optionalReal(int column) const {
    return isNull(column) ? std::nullopt : std::optional(real(column));
}

}  // namespace quorvex::journal
