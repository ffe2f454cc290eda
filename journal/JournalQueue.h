#pragma once

#include "journal/JournalOperation.h"
#include "journal/JournalStatus.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace quorvex::journal {

// What the journal's callers and its writer thread share. Held by both, so a writer that does
// not stop in time can be left behind safely.
struct JournalQueue {
    std::mutex mutex;  //!< Guards every member below but `notify`.
    // Signals a new operation, the stop request, and each write the writer finished.
    std::condition_variable changed;
    std::deque<JournalOperation> pending;  // oldest first; removed once committed
    std::uint64_t accepted = 0;            // operations ever put in `pending`
    std::uint64_t settled = 0;             // operations ever taken out of it: committed, dropped or spilled
    JournalStatus status;
    std::map<SessionToken, std::int64_t> sessionRows;  // each committed session's row
    bool stopping = false;
    bool finished = false;  // the writer thread has returned

    std::mutex notifyMutex;  //!< Guards `notify`, which the owner clears when it goes first.
    std::function<void(const std::string&)> notify;

    void tell(const std::string& text) {
        const std::lock_guard lock(notifyMutex);
        if (notify) {
            notify(text);
        }
    }
};

}  // namespace quorvex::journal
