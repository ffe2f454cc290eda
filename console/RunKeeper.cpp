#include "console/RunKeeper.h"

#include "console/RunTab.h"
#include "runreport/RunRecordConversion.h"

#include <QMetaObject>

#include <chrono>
#include <memory>
#include <thread>
#include <utility>

namespace quorvex::console {

namespace {

// The journal's writer makes the file (and its folder) on its own thread; opening before it has
// would find nothing there. A journal refused or stalled is then said by the open itself.
void waitForFirstOpen(const journal::Journal& journal) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (journal.status().state == journal::JournalState::Starting &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

RunKeeper::RunKeeper(const journal::Journal& journal, RunTab& tab, Said said)
    : tab_(tab), said_(std::move(said)) {
    worker_.moveToThread(&thread_);
    thread_.start();
    post([this, &journal] {
        waitForFirstOpen(journal);
        if (std::string error = runs_.open(journal.path()); !error.empty()) {
            return "runs are not kept in the journal: " + error;
        }
        return restore();
    });
}

RunKeeper::~RunKeeper() {
    // Last in the queue, so everything asked before is written first.
    QMetaObject::invokeMethod(&worker_, [this] { thread_.quit(); });
    thread_.wait();
}

void RunKeeper::post(std::function<std::string()> work) {
    // The tab outlives the thread (the keeper joins it first); an answer still queued for the
    // window when the tab goes is dropped with it.
    QMetaObject::invokeMethod(&worker_, [window = &tab_, said = said_, work = std::move(work)] {
        const std::string error = work();
        if (!error.empty()) {
            QMetaObject::invokeMethod(window, [said, error] { said(error); });
        }
    });
}

std::string RunKeeper::restore() {
    const auto open = runs_.openRun();
    const auto record = open ? runs_.read(*open) : std::nullopt;
    if (!record) {
        return runs_.message().empty() ? std::string() : failed();
    }
    auto restored = std::make_shared<runreport::RestoredRun>();
    if (std::string error = runreport::restoreRun(*record, *restored); !error.empty()) {
        // Not taken up again at every start: the run stays in the journal, ended.
        runs_.end(*open, record->started);
        return "the run kept in the journal cannot be taken up again: " + error;
    }
    // Set first: the alarms the tab raises as it takes the run up are kept with it.
    run_ = open;
    QMetaObject::invokeMethod(&tab_, [this, tab = &tab_, restored] {
        // A run the operator started meanwhile stands; the kept one is ended.
        const std::string error =
            tab->running() ? std::string("a new run was started")
                           : tab->restoreRun(std::move(*restored->route), restored->routePath, restored->plan,
                                             std::move(restored->passages), std::move(restored->alarms));
        if (!error.empty()) {
            said_("the run kept in the journal cannot be taken up again: " + error);
            ended();
        }
    });
    return {};
}

void RunKeeper::started() {
    if (tab_.run() == nullptr) {
        return;
    }
    post([this,
          record = runreport::runRecord(tab_.routePath(), *tab_.route(), tab_.run()->plan(), tab_.now())] {
        run_ = runs_.isOpen() ? runs_.begin(record) : std::nullopt;
        return run_ || !runs_.isOpen() ? std::string() : failed();
    });
}

void RunKeeper::passage(const tracking::Passage& passage) {
    post([this, record = runreport::passageRecord(passage)] {
        return !run_ || runs_.addPassage(*run_, record) ? std::string() : failed();
    });
}

void RunKeeper::alarms() {
    post([this, records = runreport::alarmRecords(tab_.alarms().all())] {
        return !run_ || runs_.saveAlarms(*run_, records) ? std::string() : failed();
    });
}

void RunKeeper::ended() {
    post([this, at = tab_.now().time_since_epoch().count()] {
        const auto run = std::exchange(run_, std::nullopt);
        return !run || runs_.end(*run, at) ? std::string() : failed();
    });
}

std::string RunKeeper::failed() const {
    return "the run could not be kept in the journal: " + runs_.message();
}

}  // namespace quorvex::console
