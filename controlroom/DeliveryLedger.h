#pragma once

#include "journal/JournalReader.h"
#include "journal/JournalRows.h"
#include "journal/SqliteConnection.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvex::link {

// How many rows wait, and since when the oldest of them (µs since 1970 UTC).
struct Waiting {
    std::size_t count = 0;
    std::optional<journal::Microseconds> since;
};

// A row the broker took, with the note it was sent with.
struct DeliveredRow {
    std::int64_t id = 0;
    std::string note;
    bool update = false;  // sent again for a note edited after its delivery
};

// One page of the journal's rows after a row: those without a mark, and how far it went.
struct WaitingPage {
    std::vector<journal::JournalEntry> rows;  // oldest first
    std::int64_t lastId = 0;                  // the page's last row, marked or not
    bool full = false;                        // rows may follow the page
};

// The journal as the link sees it: which rows wait for the broker, in order, and the marks of
// those it acknowledged. Beside the journal's writer on connections of its own (WAL lets both
// work at once). Used by the link's thread.
class DeliveryLedger {
public:
    // "" or why the journal cannot be used yet (missing, not yet set up, a newer schema). The
    // link's start is set on the first open ever: rows received from `since` on are sent.
    std::string open(const std::string& path, journal::Microseconds since);
    void close();
    bool isOpen() const { return connection_.isOpen(); }

    // The next `limit` rows after the row `after`, without those marked delivered.
    std::string waitingAfter(std::int64_t after, std::size_t limit, WaitingPage& page);
    // Every row up to this one is delivered.
    std::int64_t deliveredThrough() const { return deliveredThrough_; }
    // Marks the rows delivered, with the notes they were sent with, in one transaction; "" or the error.
    std::string markDelivered(std::span<const DeliveredRow> rows, journal::Microseconds now);
    // Delivered rows whose note was edited since (up to `limit`, oldest first).
    std::string editedNotes(std::size_t limit, std::vector<journal::JournalEntry>& rows);
    std::optional<Waiting> waiting();
    // Whether another connection (the journal's writer) committed since the last call.
    bool changed();
    // The journal's UUID: (journal, id) names a row everywhere.
    std::string journalId() const { return reader_ ? reader_->uuid() : std::string(); }
    // The journal's newest row, 0 when it has none.
    std::int64_t lastRowId();
    // The serial number of the last unit the journal knows, "" when none.
    std::string lastSerialNumber();

private:
    std::string fail();
    std::string readDeliveredThrough();

    journal::SqliteConnection connection_;
    std::optional<journal::JournalReader> reader_;
    std::int64_t deliveredThrough_ = 0;
    std::optional<std::int64_t> dataVersion_;
};

}  // namespace quorvex::link
