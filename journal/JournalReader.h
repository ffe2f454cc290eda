#pragma once

#include "journal/JournalRows.h"
#include "journal/RunRecord.h"
#include "journal/SqliteConnection.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvex::journal {

// Which rows to read: a session, a time range [from, to) on the unit's time (a trigger's arrival),
// and whether to take only passages and ignored events (the rows with a place and a unit time).
struct JournalFilter {
    std::optional<std::int64_t> session;
    std::optional<Microseconds> from;
    std::optional<Microseconds> to;
    bool placedOnly = false;
};

// The query of page() and forEach(): only the filter's conditions that are set, so SQLite can use
// the session index or the id's range (after: a page after that row).
std::string entriesSql(const JournalFilter& filter, bool newestFirst, bool hasAfter);

// A read-only connection to the journal, beside the writer (WAL lets both work at once). Used by
// one thread.
class JournalReader {
public:
    JournalReader();
    ~JournalReader();
    JournalReader(const JournalReader&) = delete;
    JournalReader& operator=(const JournalReader&) = delete;

    // "" or what is wrong (no such file, not a journal, a newer schema). A journal in a read-only
    // folder or on a read-only medium is read as it is.
    std::string open(const std::string& path);
    // The journal's UUID, once open: (uuid, row id) names a row everywhere, on every laptop.
    const std::string& uuid() const { return uuid_; }
    // Up to `limit` rows after the row `after` (newest or oldest first); "" or the error.
    std::string page(const JournalFilter& filter, bool newestFirst, std::optional<std::int64_t> after,
                     std::size_t limit, std::vector<JournalEntry>& rows);
    // Every row of the filter, oldest first, one at a time; "" or the error. Asked before each
    // row, `stopped` ends the reading early (then "" too).
    std::string forEach(const JournalFilter& filter, const std::function<void(const JournalEntry&)>& visit,
                        const std::function<bool()>& stopped = {});
    std::optional<std::int64_t> lastSession();
    std::optional<std::int64_t> count(std::optional<std::int64_t> session);
    // The newest pig run kept, ended or not (nothing when none is); "" or the error.
    std::string lastRun(std::optional<std::int64_t>& id);
    // A kept run whole, read in one snapshot of the file; "" (with nothing read when there is no
    // such run) or the error.
    std::string readRun(std::int64_t id, std::optional<RunRecord>& run);

private:
    std::string refuse(const std::string& reason);
    std::string read(const JournalFilter& filter, bool newestFirst, std::optional<std::int64_t> after,
                     std::size_t limit, const std::function<void(JournalEntry&&)>& take,
                     const std::function<bool()>& stopped = {});

    SqliteConnection connection_;
    std::string uuid_;
};

}  // namespace quorvex::journal
