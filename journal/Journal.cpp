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
    // A writer stuck in the file system is left behind, never killed; it tells no one any more.
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
    JournalStatus& status = queue_->status;
    // Off, or too many wait already: the writer tells the operator what was lost.
    if (status.state == JournalState::Off || queue_->pending.size() >= settings_.backlogLimit) {
        ++status.lost;
    } else {
        queue_->pending.push_back(std::move(operation));
        status.waiting = queue_->pending.size();
    }
    queue_->changed.notify_all();
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
