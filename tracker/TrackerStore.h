#pragma once

#include "journal/SqliteConnection.h"
#include "tracker/TrackerAlarm.h"
#include "tracker/UnitMessage.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quorvex::tracker {

// An event as kept: its place in the order of arrival and when it arrived.
struct StoredEvent {
    std::int64_t sequence = 0;
    std::int64_t arrived = 0;  // µs since the epoch
    UnitEvent event;
};

// What storing an event came to: kept, already kept (delivered again), or not written.
enum class Stored { Added, Repeat, Failed };

// The tracker's state in one SQLite file: what a restart must find again. A write outside a batch
// is its own transaction; a batch of messages is one, committed before the broker hears of them.
class TrackerStore {
public:
    // Opens (or makes) tracker.sqlite in the folder; "" or why not.
    std::string open(const std::filesystem::path& folder);

    // One transaction around many writes: one commit for a batch of messages, not one each.
    // "" or why it cannot begin (another writer held the file too long).
    std::string beginBatch();
    // "" once the batch is on disk, or why not.
    std::string commitBatch();
    // Undoes the batch after a failure (SQLite may have undone it already).
    void rollbackBatch();
    // Why the last write failed.
    std::string failure() const;

    // New by journal and id, a repeat (changes nothing), or not written.
    Stored addEvent(const UnitEvent& event, std::int64_t arrived);
    std::vector<StoredEvent> events(std::int64_t afterSequence) const;

    void saveRoute(const std::string& name, const std::string& file);
    std::vector<std::pair<std::string, std::string>> routes() const;
    void saveRun(const std::string& name, const std::string& definition);
    std::vector<std::pair<std::string, std::string>> runs() const;

    // Inserts the alarm (setting its key) or updates it.
    void saveAlarm(TrackerAlarm& alarm);
    std::vector<TrackerAlarm> alarms() const;

private:
    std::vector<std::pair<std::string, std::string>> pairs(const char* sql) const;
    void savePair(const char* sql, const std::string& name, const std::string& value);

    journal::SqliteConnection connection_;
    std::unique_ptr<journal::SqliteStatement> insertEvent_;  // prepared once: taken for every message
};

}  // namespace quorvex::tracker
