#include "journal/JournalFileCheck.h"

#include "journal/JournalSql.h"
#include "journal/JournalStore.h"
#include "journal/SqliteConnection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

namespace quorvex::journal {

namespace {

using Verdict = JournalFileVerdict;

constexpr std::size_t HeaderSize = 100;
constexpr std::string_view Magic{"SQLite format 3\0", 16};

// Every table and index but SQLite's own, in one text to compare.
constexpr const char* SchemaText =
    "SELECT coalesce(group_concat(type || ' ' || name || ' ' || coalesce(sql, ''), ';'), '') FROM"
    " (SELECT * FROM sqlite_master WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY type, name)";

JournalFileCheck verdict(Verdict kind, std::string reason = {}, int version = 0) {
    return {kind, version, std::move(reason)};
}

std::uint32_t bigEndian(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
           std::uint32_t{bytes[3]};
}

// A missing journal is made here, 0600 and never through a link, so SQLite only opens it.
// Nothing when another writer made it first: it is then looked at as found.
std::optional<JournalFileCheck> create(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno == EEXIST ? std::nullopt
                               : std::optional(verdict(Verdict::Unreadable, std::strerror(errno)));
    }
    ::close(fd);
    return verdict(Verdict::Empty);
}

// A link planted by someone else in a shared folder must not lead us into another's file.
std::string ownershipFault(const struct stat& link, const struct stat& file) {
    if (S_ISLNK(link.st_mode) && link.st_uid != ::geteuid()) {
        return "a link that is not yours";
    }
    if (!S_ISREG(file.st_mode)) {
        return "not a regular file";
    }
    return file.st_uid != ::geteuid() ? "a file that is not yours" : "";
}

// The schema our steps make up to a version, as SchemaText spells it.
std::string ourSchema(int version) {
    SqliteConnection memory;
    memory.open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY);
    for (int step = 0; step < version; ++step) {
        memory.execute(sql::Migrations[static_cast<std::size_t>(step)]);
    }
    int result = SQLITE_OK;
    return memory.queryText(SchemaText, result).value_or("");
}

bool isDamage(int result) {
    const int primary = result & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

// A database without our mark in its file header: it may be a journal of ours whose mark waits
// in its WAL, or one from before the mark, or another program's. Read without writing, and
// without a WAL beside it without making the files a WAL reader makes.
JournalFileCheck unmarked(const std::string& path) {
    SqliteConnection connection;
    const bool walBeside = ::access((path + "-wal").c_str(), F_OK) == 0;
    int result = connection.open(walBeside ? path : immutableUri(path),
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI);
    const auto failed = [&] {
        const std::string message = connection.isOpen() ? connection.message() : sqlite3_errstr(result);
        return verdict(isDamage(result) ? Verdict::Damaged : Verdict::Unreadable, message);
    };
    if (result != SQLITE_OK) {
        return failed();
    }
    sqlite3_busy_timeout(connection.handle(), 5000);
    const auto id = connection.queryInteger("PRAGMA application_id", result);
    if (result != SQLITE_OK) {
        return failed();
    }
    const auto version = connection.queryInteger("PRAGMA user_version", result);
    if (result != SQLITE_OK) {
        return failed();
    }
    if (std::string foreign = foreignMark(static_cast<int>(*id)); !foreign.empty()) {
        return verdict(Verdict::Foreign, foreign);
    }
    if (*version > currentSchemaVersion()) {
        return verdict(Verdict::Newer, {}, static_cast<int>(*version));
    }
    if (*id == sql::ApplicationId) {
        return verdict(Verdict::Ours, {}, static_cast<int>(*version));
    }
    const auto schema = connection.queryText(SchemaText, result);
    if (result != SQLITE_OK) {
        return failed();
    }
    if (*version < 0 || *schema != ourSchema(static_cast<int>(*version))) {
        return verdict(Verdict::Foreign, "another program's database (its tables are not a journal's)");
    }
    return verdict(Verdict::Ours, {}, static_cast<int>(*version));
}

JournalFileCheck header(const std::string& path, const struct stat& expected) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return verdict(Verdict::Unreadable, std::strerror(errno));
    }
    struct stat opened {};
    std::array<unsigned char, HeaderSize> bytes{};
    const bool same =
        ::fstat(fd, &opened) == 0 && opened.st_dev == expected.st_dev && opened.st_ino == expected.st_ino;
    const ssize_t count = same ? ::read(fd, bytes.data(), bytes.size()) : -1;
    ::close(fd);
    if (!same || count < 0) {
        return verdict(Verdict::Unreadable,
                       same ? std::strerror(errno) : "the file changed while it was read");
    }
    if (count == 0) {
        return verdict(Verdict::Empty);
    }
    if (static_cast<std::size_t>(count) < HeaderSize ||
        std::string_view(reinterpret_cast<const char*>(bytes.data()), Magic.size()) != Magic) {
        return verdict(Verdict::Damaged, "not an SQLite database");
    }
    const auto version = static_cast<int>(bigEndian(&bytes[60]));
    const auto id = static_cast<int>(bigEndian(&bytes[68]));
    if (std::string foreign = foreignMark(id); !foreign.empty()) {
        return verdict(Verdict::Foreign, foreign);
    }
    if (version > currentSchemaVersion()) {
        return verdict(Verdict::Newer, {}, version);
    }
    return id == sql::ApplicationId ? verdict(Verdict::Ours, {}, version) : unmarked(path);
}

}  // namespace

std::string foreignMark(int applicationId) {
    if (applicationId == 0 || applicationId == sql::ApplicationId) {
        return {};
    }
    return "another program's database (application id " + std::to_string(applicationId) + ")";
}

JournalFileCheck checkJournalFile(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0) {
        if (errno != ENOENT) {
            return verdict(Verdict::Unreadable, std::strerror(errno));
        }
        if (auto made = create(path)) {
            return *made;
        }
        if (::lstat(path.c_str(), &link) != 0) {
            return verdict(Verdict::Unreadable, std::strerror(errno));
        }
    }
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) {
        return verdict(Verdict::Foreign, std::string("a link to nothing (") + std::strerror(errno) + ")");
    }
    if (std::string fault = ownershipFault(link, file); !fault.empty()) {
        return verdict(Verdict::Foreign, fault);
    }
    return header(path, file);
}

}  // namespace quorvex::journal
