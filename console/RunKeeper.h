#pragma once

#include "journal/Journal.h"
#include "journal/RunJournal.h"
#include "tracking/Passage.h"

#include <QObject>
#include <QThread>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quorvex::console {

class RunTab;

// Keeps the Run tab's run in the journal as it goes (its start, each passage, its alarms and
// their acknowledgement, its end) and gives it back to the tab at the next start. The journal is
// written on a thread of the keeper's own, in the order asked, so the window never waits on the
// disk; what could not be kept is said, and the run on the tab goes on regardless.
class RunKeeper {
public:
    // Called on the window's thread with what could not be kept.
    using Said = std::function<void(const std::string&)>;

    // Opens the journal's runs, once its own writer has made or opened the file, and takes up a
    // run a previous start left open. The journal outlives the keeper.
    RunKeeper(const journal::Journal& journal, RunTab& tab, Said said);
    // Writes what waits, then stops.
    ~RunKeeper();
    RunKeeper(const RunKeeper&) = delete;
    RunKeeper& operator=(const RunKeeper&) = delete;

    void started();
    void passage(const tracking::Passage& passage);
    void alarms();
    void ended();

private:
    // Runs the work on the keeper's thread; its answer, unless "", is said on the window's.
    void post(std::function<std::string()> work);
    std::string restore();
    std::string failed() const;

    RunTab& tab_;
    Said said_;
    QThread thread_;
    QObject worker_;  // lives on thread_: what is posted to it runs there, in order
    // Used on thread_ only.
    journal::RunJournal runs_;
    std::optional<std::int64_t> run_;  // the journal's id of the run on the tab
};

}  // namespace quorvex::console
