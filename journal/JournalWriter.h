#pragma once

#include "journal/JournalOperation.h"
#include "journal/JournalSettings.h"
#include "journal/JournalStore.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvex::journal {

struct JournalQueue;

// The journal's writer thread: opens the file (moving a damaged one aside), commits what waits
// in the queue, and on a failure keeps the rows and tries again. Tells the operator once when a
// fault begins and once when it is over. Takes in the rows other programs spilled beside it.
class JournalWriter {
public:
    JournalWriter(JournalQueue& queue, const JournalSettings& settings);
    void run();
    // With the queue's lock held, at the end: what still waits goes to the spill file beside the
    // journal (or, failing that, is lost), and the operator is told which.
    static void spillWhatWaits(JournalQueue& queue, const std::string& path);

private:
    // Takes the oldest waiting operations; empty when it is time to end.
    std::vector<JournalOperation> nextBatch();
    bool write(const std::vector<JournalOperation>& batch);
    bool open();
    bool openAfterDamage(const std::string& reason);
    void settle(std::size_t committed, bool ok);
    void dropEverything();
    // A fault begins (told once per kind of fault) or is over.
    void fault(const std::string& kind, const std::string& text);
    void recovered();
    void tellLost();
    // Rows that programs could not write before they ended, from their spill files.
    void takeInSpills();

    JournalQueue& queue_;
    const JournalSettings settings_;
    JournalStore store_;
    bool off_ = false;
    bool retrying_ = false;
    std::string fault_;           // the kind of the fault last told, "" when healthy
    std::uint64_t lostTold_ = 0;  // rows lost before the episode under way
    bool losing_ = false;         // rows are being lost for want of room
    // Spilled sessions get tokens of their own, far from the callers'.
    SessionToken nextSpillToken_ = SessionToken{1} << 62;
};

}  // namespace quorvex::journal
