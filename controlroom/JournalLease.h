#pragma once

#include <string>

namespace quorvex::link {

// One publisher per journal: a lock on a file beside it (<journal>.publisher), held while the
// publisher runs and given up by the kernel should the process vanish. The holder's process id
// is in the file, for the one that has to wait.
class JournalLease {
public:
    JournalLease() = default;
    ~JournalLease();
    JournalLease(const JournalLease&) = delete;
    JournalLease& operator=(const JournalLease&) = delete;

    // Takes the lease when it is free; "" when held, else who holds it or why it cannot be had.
    std::string take(const std::string& journalPath);
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace quorvex::link
