#pragma once

#include "journal/JournalOperation.h"
#include "journal/JournalSettings.h"
#include "journal/JournalStatus.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quorvex::journal {

struct JournalQueue;

// The passage journal: one SQLite file, written on a thread of its own. Callers hand it plain
// rows and never wait on the disk; rows that cannot be written yet wait in memory, bounded, and
// are written when the file can take them. Every operation may be called from any thread.
class Journal {
public:
    explicit Journal(JournalSettings settings);
    // Writes what still waits (within the settings' stop time), then stops.
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    SessionToken beginSession(SessionStart start);
    void describeUnit(SessionToken session, SessionUnit unit);
    void endSession(SessionToken session, SessionEnding ending);
    void addEvent(SessionToken session, EventRow row);
    // Adds the rows and waits until they are on disk, at most the bound; true when they are.
    // While rows that outwaited the bound are not yet written, it does not wait at all: the disk
    // stalls and the caller must not. Each such episode is told once, with its count at its end.
    bool addEventsAndWait(SessionToken session, std::vector<EventRow> rows, std::chrono::milliseconds bound);
    void editNote(std::int64_t eventId, std::string note);

    JournalStatus status() const;
    // The journal's row of a session, once it is on disk.
    std::optional<std::int64_t> sessionRow(SessionToken session) const;
    // Whether everything asked for so far has been committed (or dropped) within the time.
    bool waitUntilWritten(std::chrono::milliseconds timeout) const;
    const std::string& path() const { return settings_.path; }

private:
    void enqueue(JournalOperation operation);
    // With the queue's lock held; false when the row was dropped.
    void enqueueLocked(JournalOperation operation);

    // Rows acknowledged before they were on disk, in the episode under way (the read thread's).
    struct LateEpisode {
        bool on = false;
        std::uint64_t until = 0;  // operations up to this one were late
        std::uint64_t rows = 0;
    };

    const JournalSettings settings_;
    std::shared_ptr<JournalQueue> queue_;
    std::atomic<SessionToken> nextSession_{1};
    LateEpisode late_;
    std::thread writer_;
};

}  // namespace quorvex::journal
