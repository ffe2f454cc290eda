#include "journal/Journal.h"

#include "journal/JournalQueue.h"
#include "journal/JournalWriter.h"
#include "support/logging/LogBeacon.h"

namespace quorvex::journal {

namespace {

using namespace zeph::windows::logging;

}  // namespace

Journal::Journal(JournalSettings settings)
    : settings_(std::move(settings)), queue_(std::make_shared<JournalQueue>()) {
    LogBeacon::log("Journal::Journal", DebugLevel1, L" ");
    queue_->notify = settings_.notify;
    writer_ = std::thread([queue = queue_, settings = settings_] { JournalWriter(*queue, settings).run(); });
}

Journal::~Journal() {
    LogBeacon::log("Journal::~Journal", DebugLevel1, L" ");
    std::unique_lock lock(queue_->mutex);
    queue_->stopping = true;
    queue_->changed.notify_all();
    const bool finished =
        queue_->changed.wait_for(lock, settings_.stopWithin, [this] { return queue_->finished; });
    lock.unlock();
    if (finished) {
        writer_.join();
        return;
    }
    // A writer stuck in the file system is left behind, never killed; what waits is kept beside
    // the journal, and then it tells no one any more.
    {
        const std::lock_guard spillLock(queue_->mutex);
        JournalWriter::spillWhatWaits(*queue_, settings_.path);
    }
    {
        const std::lock_guard notifyLock(queue_->notifyMutex);
        queue_->notify = nullptr;
    }
    writer_.detach();
}

SessionToken Journal::beginSession(SessionStart start) {
    LogBeacon::log("Journal::beginSession", DebugLevel1, L" ");
    const SessionToken token = nextSession_++;
    enqueue(BeginSession{token, std::move(start)});
    return token;
}

void Journal::describeUnit(SessionToken session, SessionUnit unit) {
    enqueue(DescribeUnit{session, std::move(unit)});
}

void Journal::endSession(SessionToken session, SessionEnding ending) {
    LogBeacon::log("Journal::endSession", DebugLevel1, L" ");
    enqueue(EndSession{session, std::move(ending)});
}

void Journal::addEvent(SessionToken session, EventRow row) {
    enqueue(AddEvent{session, std::move(row)});
}

void Journal::editNote(std::int64_t eventId, std::string note) {
    enqueue(EditNote{eventId, std::move(note)});
}

void Journal::enqueue(JournalOperation operation) {
    const std::lock_guard lock(queue_->mutex);
    enqueueLocked(std::move(operation));
}

void Journal::enqueueLocked(JournalOperation operation) {
    JournalStatus& status = queue_->status;
    const bool event = std::holds_alternative<AddEvent>(operation);
    // Off, or too many event rows wait already: the writer tells the operator what was lost.
    // Sessions and notes are few and never dropped for room.
    const std::size_t rows = rowsAddedBy(operation);
    if (status.state == JournalState::Off || (event && status.waiting >= settings_.backlogLimit)) {
        status.lost += rows;
    } else {
        queue_->pending.push_back(std::move(operation));
        ++queue_->accepted;
        status.waiting += rows;
    }
    queue_->changed.notify_all();
}

bool Journal::addEventsAndWait(SessionToken session, std::vector<EventRow> rows,
                               std::chrono::milliseconds bound) {
    std::unique_lock lock(queue_->mutex);
    for (EventRow& row : rows) {
        enqueueLocked(AddEvent{session, std::move(row)});
    }
    const std::uint64_t last = queue_->accepted;
    std::string told;
    if (late_.on && queue_->settled >= late_.until) {
        told = "Passage journal: " + std::to_string(late_.rows) +
               " rows were acknowledged to the unit before they were on disk; all of them are written now.";
        late_ = {};
    }
    bool written = true;
    if (!late_.on) {
        written = queue_->changed.wait_for(lock, bound, [&] { return queue_->settled >= last; });
        if (!written) {
            late_.on = true;
            told = "Passage journal: the disk did not take a row within " + std::to_string(bound.count()) +
                   " ms; the unit is acknowledged at once and the rows wait in memory until it does.";
        }
    }
    if (late_.on) {
        late_.until = last;
        late_.rows += rows.size();
        written = false;
    }
    lock.unlock();
    if (!told.empty()) {
        queue_->tell(told);
    }
    return written;
}

JournalStatus Journal::status() const {
    const std::lock_guard lock(queue_->mutex);
    return queue_->status;
}

std::optional<std::int64_t> Journal::sessionRow(SessionToken session) const {
    const std::lock_guard lock(queue_->mutex);
    const auto found = queue_->sessionRows.find(session);
    return found != queue_->sessionRows.end() ? std::optional(found->second) : std::nullopt;
}

bool Journal::waitUntilWritten(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(queue_->mutex);
    return queue_->changed.wait_for(lock, timeout, [this] { return queue_->pending.empty(); });
}

}  // namespace quorvex::journal
