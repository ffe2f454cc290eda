#include "journal/JournalWriter.h"

#include "journal/JournalFileAside.h"
#include "journal/JournalQueue.h"
#include "journal/JournalSpill.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quorvex::journal {

namespace {

// Rows committed together; a long backlog is written in pieces so callers see progress.
constexpr std::size_t MaxBatch = 2000;

std::string folderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

}  // namespace

JournalWriter::JournalWriter(JournalQueue& queue, const JournalSettings& settings)
    : queue_(queue), settings_(settings) {}

void JournalWriter::run() {
    // Opened at once, so rows another program spilled are taken in (and told) at the start, not
    // only when this one has something to write.
    open();
    for (;;) {
        const std::vector<JournalOperation> batch = nextBatch();
        if (batch.empty()) {
            break;
        }
        if (off_) {
            dropEverything();
            continue;
        }
        const bool ok = (store_.isOpen() || open()) && write(batch);
        settle(ok ? batch.size() : 0, ok);
        tellLost();
        if (!ok && queue_.stopping) {
            break;
        }
    }
    const std::lock_guard lock(queue_.mutex);
    spillWhatWaits(queue_, settings_.path);
    queue_.finished = true;
    queue_.changed.notify_all();
}

std::vector<JournalOperation> JournalWriter::nextBatch() {
    std::unique_lock lock(queue_.mutex);
    if (retrying_) {
        queue_.changed.wait_for(lock, settings_.retryEvery, [this] { return queue_.stopping; });
    }
    queue_.changed.wait(lock, [this] { return queue_.stopping || !queue_.pending.empty(); });
    const std::size_t count = std::min(queue_.pending.size(), MaxBatch);
    return {queue_.pending.begin(), queue_.pending.begin() + static_cast<std::ptrdiff_t>(count)};
}

bool JournalWriter::open() {
    if (const std::string folder = folderOf(settings_.path); !folder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            fault("folder", "Passage journal: cannot create the folder " + folder + " (" + error.message() +
                                "); rows wait in memory until it can be written.");
            return false;
        }
    }
    switch (store_.open(settings_.path, settings_.busyTimeout)) {
        case OpenOutcome::Ready:
            takeInSpills();
            return true;
        case OpenOutcome::Damaged:
            return openAfterDamage(store_.message());
        case OpenOutcome::NewerSchema:
            off_ = true;
            fault("newer", "Passage journal: " + settings_.path + " has schema version " +
                               std::to_string(store_.foundVersion()) + ", newer than this program's " +
                               std::to_string(currentSchemaVersion()) +
                               "; it is left as it is and nothing is journaled in this run.");
            return false;
        case OpenOutcome::Refused:
            off_ = true;
            fault("refused", "Passage journal: " + settings_.path + " is " + store_.message() +
                                 "; it is left as it is and nothing is journaled in this run.");
            return false;
        case OpenOutcome::Failed:
            break;
    }
    fault("open", "Passage journal: cannot open " + settings_.path + " (" + store_.message() +
                      "); rows wait in memory until it can be written.");
    return false;
}

bool JournalWriter::openAfterDamage(const std::string& reason) {
    std::string error;
    const std::string aside = moveJournalAside(settings_.path, error);
    if (aside.empty()) {
        off_ = true;
        fault("damaged", "Passage journal: " + settings_.path + " is damaged (" + reason +
                             ") and could not be moved aside (" + error +
                             "); nothing is journaled in this run.");
        return false;
    }
    queue_.tell("Passage journal: " + settings_.path + " was damaged (" + reason + "); it is kept as " +
                aside + " and a new journal was started.");
    if (store_.open(settings_.path, settings_.busyTimeout) == OpenOutcome::Ready) {
        takeInSpills();
        return true;
    }
    fault("open", "Passage journal: cannot open " + settings_.path + " (" + store_.message() +
                      "); rows wait in memory until it can be written.");
    return false;
}

bool JournalWriter::write(const std::vector<JournalOperation>& batch) {
    if (store_.write(batch) == SQLITE_OK) {
        return true;
    }
    fault("write", "Passage journal: cannot write " + settings_.path + " (" + store_.message() +
                       "); rows wait in memory until it can.");
    return false;
}

void JournalWriter::spillWhatWaits(JournalQueue& queue, const std::string& path) {
    if (queue.pending.empty()) {
        return;
    }
    std::size_t rows = 0;
    for (const JournalOperation& operation : queue.pending) {
        rows += rowsAddedBy(operation);
    }
    const std::vector<JournalOperation> left(queue.pending.begin(), queue.pending.end());
    const std::string error = JournalSpill::append(path, left, queue.sessionRows);
    if (error.empty()) {
        queue.tell("Passage journal: " + std::to_string(rows) + " rows could not be written to " + path +
                   "; they are kept in " + JournalSpill::pathOf(path) +
                   " and go into the journal when it is next opened.");
    } else {
        queue.tell("Passage journal: " + std::to_string(rows) + " rows could not be written to " + path +
                   " and are lost; they could not be kept in " + JournalSpill::pathOf(path) + " either (" +
                   error + ").");
        queue.status.lost += rows;
    }
    queue.settled += queue.pending.size();
    queue.pending.clear();
    queue.status.waiting = 0;
    queue.changed.notify_all();
}

void JournalWriter::takeInSpills() {
    for (const JournalSpill::Claimed& claimed : JournalSpill::claimAll(settings_.path, nextSpillToken_)) {
        nextSpillToken_ += claimed.operations.size() + claimed.sessionRows.size() + 1;
        store_.adoptSessions(claimed.sessionRows);
        if (store_.write(claimed.operations) != SQLITE_OK) {
            JournalSpill::release(claimed);
            continue;
        }
        JournalSpill::taken(claimed);
        std::size_t rows = 0;
        for (const JournalOperation& operation : claimed.operations) {
            rows += rowsAddedBy(operation);
        }
        queue_.tell("Passage journal: " + std::to_string(rows) + " rows kept in " + claimed.from +
                    " when a program could not write them are in the journal now.");
    }
}

void JournalWriter::settle(std::size_t committed, bool ok) {
    {
        const std::lock_guard lock(queue_.mutex);
        JournalStatus& status = queue_.status;
        // A writer left behind at the end finds its rows spilled already.
        committed = std::min(committed, queue_.pending.size());
        for (std::size_t i = 0; i < committed; ++i) {
            status.waiting -= rowsAddedBy(queue_.pending[i]);
        }
        queue_.pending.erase(queue_.pending.begin(),
                             queue_.pending.begin() + static_cast<std::ptrdiff_t>(committed));
        queue_.settled += committed;
        status.written += committed;
        status.state = off_ ? JournalState::Off : ok ? JournalState::Writing : JournalState::Waiting;
        if (ok) {
            queue_.sessionRows = store_.sessions();
        }
        queue_.changed.notify_all();
    }
    retrying_ = !ok && !off_;
    if (ok) {
        recovered();
    }
}

void JournalWriter::dropEverything() {
    const std::lock_guard lock(queue_.mutex);
    for (const JournalOperation& operation : queue_.pending) {
        queue_.status.lost += rowsAddedBy(operation);
    }
    queue_.settled += queue_.pending.size();
    queue_.pending.clear();
    queue_.status.waiting = 0;
    queue_.status.state = JournalState::Off;
    queue_.changed.notify_all();
}

void JournalWriter::fault(const std::string& kind, const std::string& text) {
    if (fault_ != kind) {
        fault_ = kind;
        queue_.tell(text);
    }
}

void JournalWriter::recovered() {
    if (!fault_.empty()) {
        fault_.clear();
        queue_.tell("Passage journal: writing to " + settings_.path + " again.");
    }
}

void JournalWriter::tellLost() {
    std::uint64_t lost = 0;
    std::size_t waiting = 0;
    {
        const std::lock_guard lock(queue_.mutex);
        lost = queue_.status.lost;
        waiting = queue_.status.waiting;
    }
    if (off_) {
        return;
    }
    if (!losing_ && lost > lostTold_) {
        losing_ = true;
        queue_.tell("Passage journal: more than " + std::to_string(settings_.backlogLimit) +
                    " rows waited for the disk; rows that came after them are lost.");
    } else if (losing_ && waiting <= settings_.backlogLimit / 2) {
        // The episode is over once there is room again; the next loss is told anew.
        losing_ = false;
        queue_.tell("Passage journal: " + std::to_string(lost - lostTold_) +
                    " rows were lost while the disk did not keep up.");
        lostTold_ = lost;
    }
}

}  // namespace quorvex::journal
