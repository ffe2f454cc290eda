#include "journal/JournalWriter.h"

#include "journal/JournalFileAside.h"
#include "journal/JournalQueue.h"

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
    if (!queue_.pending.empty()) {
        queue_.tell("Passage journal: " + std::to_string(queue_.pending.size()) +
                    " rows could not be written to " + settings_.path + " and are lost.");
    }
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

void JournalWriter::settle(std::size_t committed, bool ok) {
    {
        const std::lock_guard lock(queue_.mutex);
        queue_.pending.erase(queue_.pending.begin(),
                             queue_.pending.begin() + static_cast<std::ptrdiff_t>(committed));
        JournalStatus& status = queue_.status;
        status.written += committed;
        status.waiting = queue_.pending.size();
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
    queue_.status.lost += queue_.pending.size();
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
    {
        const std::lock_guard lock(queue_.mutex);
        lost = queue_.status.lost;
    }
    if (lost > 0 && lostTold_ == 0 && !off_) {
        lostTold_ = lost;
        queue_.tell("Passage journal: more than " + std::to_string(settings_.backlogLimit) +
                    " rows waited for the disk; rows that came after them are lost.");
    }
}

}  // namespace quorvex::journal
