#pragma once

#include "journal/JournalStore.h"
#include "journal/RunRecord.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quorvex::journal {

// The pig runs kept in the journal file, beside its passages: a run is written as it begins and
// as passages and alarms come, so it survives a restart. Each change is one small transaction.
// Used by one thread.
class RunJournal {
public:
    // "" or why the journal cannot keep runs (the same refusals as the journal's own).
    std::string open(const std::string& path,
                     std::chrono::milliseconds busyTimeout = std::chrono::seconds(5));
    bool isOpen() const { return store_.isOpen(); }

    // The run's id; nothing when it could not be written (message() says why).
    std::optional<std::int64_t> begin(const RunRecord& run);
    bool addPassage(std::int64_t run, const RunPassageRecord& passage);
    // The run's alarms as they stand now, in place of those kept before.
    bool saveAlarms(std::int64_t run, std::span<const RunAlarmRecord> alarms);
    bool end(std::int64_t run, Microseconds at);

    // The newest run that has not ended.
    std::optional<std::int64_t> openRun();
    std::optional<RunRecord> read(std::int64_t run);
    const std::string& message() const { return message_; }

private:
    // Runs `work` in one transaction; false (with the message) when any of it failed.
    template <typename Work>
    bool transaction(Work work);
    int insertRun(const RunRecord& run, std::int64_t& id);
    int insertPassage(std::int64_t run, const RunPassageRecord& passage);
    int insertAlarms(std::int64_t run, std::span<const RunAlarmRecord> alarms);

    JournalStore store_;
    std::string message_;
};

}  // namespace quorvex::journal
